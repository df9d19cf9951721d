#pragma once
// One nucleus of the loaded molecule and its atomic basin. The molecule owns its
// atoms (list type 0) and creates them when a wavefunction is read. An atom is a
// CNucleus, so the field evaluation reads its position (bohr) and charge directly.

#include <string>
#include <vector>

#include "numerics/Matrix.h"
#include "numerics/Vector.h"
#include "platform/core/Archive.h"
#include "platform/core/TextRecord.h"
#include "wavefunction/EvalRequest.h"

class CMolecule;
class CMaxPoint;
class CBondPoint;

// One basin-integration result. Set A is the basin (Method > 0: natural
// coordinates with that beta-sphere radius, -1: radial coordinates), set B the
// beta sphere (Method = its radius); Method 0 means the set is absent.
struct CBasinResults {
    double Method = 0.0;
    double StopS = 0.0;
    double StopR = 0.0;
    double PhiFrom = 0.0; // degrees
    double PhiTo = 0.0;   // degrees
    double SymmetryFactor = 0.0;
    double CPUTime = 0.0; // seconds
    double AbsAccuracy = 0.0;
    double RelAccuracy = 0.0;
    // Property-count entries; the selected properties are packed at the front.
    std::vector<double> Results;
    int Evaluations = 0;
    // Set A only: the basin was integrated although the critical points of
    // the density were incomplete (the chemist chose to go on), so it may be
    // wrong. Saved as -1 in the stop value that the set's method does not
    // use (stop r of a natural result, stop s of a radial one), which
    // readers of the set's method never look at.
    bool IncompleteCritPoints = false;
};

class CAtom : public zel::CObject, public CNucleus {
    ZEL_DECLARE_SERIAL(CAtom);

    CAtom();
    // The atom of one nucleus. The result arrays get one entry per basin
    // integrand of the molecule's wavefunction (47 + n(n+1)/2 for n orbitals);
    // without a loaded, consistent wavefunction they stay empty.
    CAtom(int number, std::string label, CVector position, double charge, CMolecule* molecule);
    ~CAtom() override;

    CAtom(const CAtom&) = delete;
    CAtom& operator=(const CAtom&) = delete;

    // The atom's part of the document: number, label, nucleus, charge and both
    // result sets with their whole arrays. Loading checks the property count
    // against the data left (the molecule checks it against the wavefunction)
    // and throws zel::CArchiveException on damage; molecule and maximum are
    // linked by the molecule afterwards.
    void Serialize(zel::CArchive& ar) override;

    int GetNumber() const { return m_nNumber; }
    std::string GetLabel() const { return m_strLabel; }
    // Length of the basin integrand layout and of each result array.
    int GetPropertyCount() const { return m_nPropertyCount; }
    CMolecule* GetMolecule() const { return m_pMolecule; }
    void SetMolecule(CMolecule* molecule) { m_pMolecule = molecule; }

    // The density maximum on this nucleus, or null; not owned.
    CMaxPoint* GetMaxPoint() const { return m_pMaxPoint; }
    void SetMaxPoint(CMaxPoint* point) { m_pMaxPoint = point; }

    // Radius of the sphere about the nucleus whose points count as this basin's
    // without tracing (bohr).
    double GetNearestCritDistance() const { return m_dSafeRadius; }
    // Distance to the nearest (3,-1), (3,+1) or (3,+3) point of any field; 0.3
    // when none is nearer than 10 bohr.
    void ComputeNearestCritDistance();

    // The (3,-1) points bonded to this atom (not owned).
    void AddBondedPoint(CBondPoint* point) { m_BondedPoints.push_back(point); }
    // Rebuilds the bonded list: every (3,-1) point, of any field, one of whose
    // ascending density paths (field 0) ends at this atom's maximum, in list
    // order. Without a maximum the list stays empty: a path that reached no
    // maximum would otherwise match the missing one.
    void CollectBondedPoints();
    const std::vector<CBondPoint*>& GetBondedPoints() const { return m_BondedPoints; }
    // A deleted bond point leaves every atom's list.
    void RemoveBondedPoint(const CBondPoint* point);
    void ClearBondedPoints() { m_BondedPoints.clear(); }

    // Local frame L: rows are the local axes; L (P - nucleus) are local coordinates.
    CMatrix GetLocalFrame() const { return m_LocalFrame; }
    // Integration frame J: local to integration coordinates.
    CMatrix GetIntegrationFrame() const { return m_IntegrationFrame; }

    // Local z towards the centroid of all nuclei, x-z plane through the first
    // nucleus off that axis, then turned by the in-plane spread of the nuclei.
    // Unchanged when the molecule has no atoms.
    void ComputeLocalFrame();
    // Integration z axis from the nucleus towards point; the identity for the
    // zero vector.
    void SetIntegrationAxis(CVector point);

    CVector RelativeToNucleus(CVector point) const { return point - m_position; }
    CVector AbsoluteFromNucleus(CVector v) const { return v + m_position; }
    CVector GlobalToLocal(CVector point) const;
    CVector LocalToGlobal(CVector v) const;
    // Spherical (r, theta, phi) in the integration frame, angles in radians.
    CVector ToIntegrationCoords(CVector point) const;
    CVector FromIntegrationCoords(CVector rtp) const;

    // Marks both result sets absent; arrays and settings stay.
    void ClearResults();

    // The lines of the basin integration dialog's result list: set A (the
    // basin), then set B (the beta sphere), each with its settings and every
    // selected property; "Integration results not yet available!" without
    // either. Replaces what items held; only reads (AtomRecord.cpp).
    void FillResultList(std::vector<std::string>& items) const;
    // The atom's text record: the atoms bonded to it with distances, bond and
    // bond-path angles (degrees), then set A with the quantities derived from
    // it (charge, dipole magnitude, quadrupole eigen-system, overlap trace
    // check, localization and delocalization indices). Appends to lines and
    // returns the number of lines the record holds afterwards.
    virtual int WriteRecord(zel::CTextRecord* lines) const;

    // The work arrays of the nested quadrature levels, property count + 1
    // doubles each (entry 0 the argument the level last finished at, then its
    // values), present only while a basin job runs. Allocate returns false
    // when there is no memory for them (none is kept then).
    static constexpr int kCaches = 3;
    bool AllocateCaches();
    void FreeCaches();
    bool HasCaches() const { return !m_Caches[0].empty(); }
    // Cache 1 to 3; null while none are allocated.
    double* GetCache(int index) {
        std::vector<double>& cache = m_Caches[index - 1];
        return cache.empty() ? nullptr : cache.data();
    }

    CBasinResults m_ResultsA; // basin
    CBasinResults m_ResultsB; // beta sphere

private:
    static constexpr CMatrix kIdentity{CVector(1, 0, 0), CVector(0, 1, 0), CVector(0, 0, 1)};

    int m_nNumber = 0;
    int m_nPropertyCount = 0;
    std::string m_strLabel;
    double m_dSafeRadius = 0.3;
    CMolecule* m_pMolecule = nullptr;
    CMaxPoint* m_pMaxPoint = nullptr;
    CMatrix m_LocalFrame = kIdentity;
    CMatrix m_IntegrationFrame = kIdentity;
    std::vector<CBondPoint*> m_BondedPoints;
    std::vector<double> m_Caches[kCaches];
};
