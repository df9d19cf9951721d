#pragma once
// Critical points of a field: points where its gradient vanishes. The molecule
// keeps one list per signature ((3,-3) maxima, (3,-1) bonds, (3,+1) rings,
// (3,+3) cages) and owns the points in them.
//
// Paths and points: a gradient path stands in the descending list of its upper
// end and in the ascending list of its lower end. Destroying a point destroys
// every path of both its lists, and a destroyed path takes itself out of the
// list of its other end, so no point ever refers to a dead path. Paths are
// therefore deleted with plain `delete` (or DeletePaths), never removed from a
// list and forgotten.

#include <cstddef>
#include <list>
#include <string>
#include <vector>

#include "numerics/Vector.h"
#include "platform/core/Archive.h"

class CAtom;
class CGradPath;
class CMolecule;
namespace zel {
class CTextRecord;
}
struct CMatrix;
struct RingDirection;

using CPathList = std::list<CGradPath*>;

class CCritPoint : public zel::CObject {
    ZEL_DECLARE_SERIAL(CCritPoint);

    // Position (0, 0, 0), empty lists; the rest comes from the document.
    CCritPoint();
    // number: from the molecule's object counter; field: 0..4; position in
    // bohr; gradientNorm: |grad f| where the search accepted the point.
    CCritPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm);
    // Deletes every path of the descending list, then of the ascending list.
    ~CCritPoint() override;

    CCritPoint(const CCritPoint&) = delete;
    CCritPoint& operator=(const CCritPoint&) = delete;

    // The signature -3, -1, +1 or +3; 0 for the plain base, which nothing creates.
    virtual int GetType() const { return 0; }

    int GetNumber() const { return m_nNumber; }
    CMolecule* GetMolecule() const { return m_pMolecule; }
    int GetFieldIndex() const { return m_nField; }
    CVector GetPosition() const { return m_Position; }
    double GetGradientNorm() const { return m_dGradientNorm; }

    // true: the paths whose lower end is this point; false: those whose upper
    // end it is. In the order they were added (after loading: see the molecule).
    const CPathList& GetPathList(bool ascending) const {
        return ascending ? m_AscendingPaths : m_DescendingPaths;
    }
    void AddAscendingPath(CGradPath* path) { m_AscendingPaths.push_back(path); }
    void AddDescendingPath(CGradPath* path) { m_DescendingPaths.push_back(path); }
    // Nothing when the path is not in the list.
    void RemoveAscendingPath(const CGradPath* path) { m_AscendingPaths.remove(const_cast<CGradPath*>(path)); }
    void RemoveDescendingPath(const CGradPath* path) {
        m_DescendingPaths.remove(const_cast<CGradPath*>(path));
    }
    // Deletes the paths of one list from the head; each leaves its other end too.
    void DeletePaths(bool ascending);

    // Sets the molecule of the point and of the paths it stores.
    void SetMolecule(CMolecule* molecule);

    // The point's text record. Here: the body the four kinds share, written
    // between their heading and closing line (position, nuclei, then Hessian,
    // stress tensor and values of a level-3 evaluation of the current field,
    // which replaces the molecule's last evaluation). Returns the lines added.
    virtual int WriteReport(zel::CTextRecord& lines) const;

    // Number, field, position, gradient norm and the stored paths: the
    // descending list, then the ascending paths that reached no upper end.
    // Such a path is written with this point's own number as its lower end,
    // which no descending path can carry, and loading puts it back into the
    // ascending list alone. Loading checks the field index and throws
    // zel::CArchiveException on damage.
    void Serialize(zel::CArchive& ar) override;

protected:
    int m_nNumber = 0;
    CMolecule* m_pMolecule = nullptr; // not owned
    int m_nField = 0;
    CVector m_Position;
    CPathList m_DescendingPaths; // upper end is this point
    CPathList m_AscendingPaths;  // lower end is this point
    double m_dGradientNorm = 0.0;
};

// (3,-3): a maximum, linked to the atom whose nucleus it sits on.
class CMaxPoint : public CCritPoint {
    ZEL_DECLARE_SERIAL(CMaxPoint);

    CMaxPoint() = default;
    // Links to the nearest atom when that nucleus lies closer than twice the
    // minimal critical-point distance; a field-0 point also becomes the atom's
    // maximum unless the atom already has one at least as near.
    CMaxPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm);
    // An atom whose maximum this is loses it.
    ~CMaxPoint() override;

    int GetType() const override { return -3; }

    CAtom* GetAtom() const { return m_pAtom; }
    // Object number of the linked atom, 0 for none; what the document stores.
    int GetAtomNumber() const { return m_nAtomNumber; }
    // Links the atom (or none) and takes its number; the atom's own maximum
    // does not change.
    void SetAtom(CAtom* atom);
    // A density maximum (field 0) becomes the linked atom's maximum unless the
    // atom has one at least as near to its nucleus (of two equally near the
    // earlier stays).
    void OfferToAtom();

    int WriteReport(zel::CTextRecord& lines) const override;

    void Serialize(zel::CArchive& ar) override;

private:
    int m_nAtomNumber = 0;
    CAtom* m_pAtom = nullptr; // not owned
};

// The record of the integration over a bond point's interatomic surface,
// written by the surface integration. CircleRadius > 0 means results present.
struct CSurfaceRecord {
    static constexpr std::size_t kResults = 25;

    double CircleRadius = 0.0;
    double StopS = 0.0;
    double Reserved = 0.0; // kept in the document, used by nothing
    double PhiFrom = 0.0;  // degrees
    double PhiTo = 0.0;    // degrees
    double SymmetryFactor = 0.0;
    double CPUTime = 0.0; // seconds
    double AbsAccuracy = 0.0;
    double RelAccuracy = 0.0;
    // kResults entries: the selected surface properties packed at the front.
    std::vector<double> Results;
    int Evaluations = 0;
    // 26 doubles while a surface integration runs, empty otherwise; not saved.
    std::vector<double> WorkArray;
};

// (3,-1): a bond point, start of the bond paths.
class CBondPoint : public CCritPoint {
    ZEL_DECLARE_SERIAL(CBondPoint);

    // Record zeroed, no results array until loading reads one.
    CBondPoint() = default;
    // Record zeroed with 25 zero results.
    CBondPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm);
    // Stops being the molecule's current surface and an atom's bonded point.
    ~CBondPoint() override;

    int GetType() const override { return -1; }

    // The two bond paths, uphill along +/- the eigenvector of the largest
    // Hessian eigenvalue, entered in the lists of their ends; returns how many
    // were made (0 also when two exist already, which then stay).
    int TraceBondPaths();

    // The stored numbers stay; only the radius marks the results absent.
    void ClearSurfaceResults() { m_Surface.CircleRadius = 0.0; }

    int WriteReport(zel::CTextRecord& lines) const override;
    // The record of the interatomic-surface integration; 0 lines when the
    // atoms at the upper ends of two field-0 bond paths are not known.
    int WriteSurfaceReport(zel::CTextRecord& lines) const;
    // The items of the surface-integration dialog's result list, replacing
    // what items held.
    void ShowSurfaceResults(std::vector<std::string>& items) const;

    void Serialize(zel::CArchive& ar) override;

    CSurfaceRecord m_Surface;
};

// (3,+1): a ring point, start of the ring-cage paths and the ring paths.
class CRingPoint : public CCritPoint {
    ZEL_DECLARE_SERIAL(CRingPoint);

    CRingPoint() = default;
    CRingPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm)
        : CCritPoint(molecule, number, field, position, gradientNorm) {}

    int GetType() const override { return 1; }
    int WriteReport(zel::CTextRecord& lines) const override;

    // The two ring-cage paths, downhill along +/- the eigenvector of the
    // smallest Hessian eigenvalue; as CBondPoint::TraceBondPaths.
    int TraceCagePaths();

    // The ring-bond paths in the ring plane up to the bond points of the ring,
    // found by a sector search between the maxima (RingPaths.cpp); returns how
    // many joined the molecular graph.
    int TraceRingPaths();
    // a before b, neighbours reaching different maxima with a bond point known
    // between them; frame: the Hessian eigenvectors. A new direction whose
    // probe reached a (3,-1) point, or null.
    RingDirection* BisectToBondPoint(RingDirection* a, RingDirection* b, const CMatrix& frame);
    // The same bracket with no bond point known: a new direction whose probe
    // reached a third maximum, or null.
    RingDirection* BisectSector(RingDirection* a, RingDirection* b, const CMatrix& frame, int limit);
};

// (3,+3): a cage point.
class CCagePoint : public CCritPoint {
    ZEL_DECLARE_SERIAL(CCagePoint);

    CCagePoint() = default;
    CCagePoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm)
        : CCritPoint(molecule, number, field, position, gradientNorm) {}

    int GetType() const override { return 3; }
    int WriteReport(zel::CTextRecord& lines) const override;
};
