#pragma once
// The integration over the interatomic surface of a bond point: the zero-flux
// surface swept by the density's gradient paths that leave the bond point
// downhill in the plane of the two Hessian eigenvectors with negative
// eigenvalues. The surface is parametrised by the angle phi about the bond
// point and the path parameter t: two levels on the quadrature frame
// (Quadrature.h). The phi level integrates over phi; its right-hand side
// integrates along the surface path that leaves the circle of radius R about
// the bond point at phi, carrying the tangent v = dx/dphi (dv/dt = -H v) so
// that the area element |grad rho x v| is known at every point. The disc of
// radius R, which the paths do not cover, is added as the bond point's own
// integrand times the sector's area.
//
// The integrands are the selected surface properties (packed, CMolecule::
// GetSelectedValues(false)) of an evaluation that names the bond point's two
// atoms and the surface normal, which each evaluation turns to be
// perpendicular to the gradient and to v and hands back, so that it is
// carried along the path.
//
// Return values: 1 success, 0 failure. The levels show no message of their
// own. Every integrand polls the job's cancel flag; a failed path raises it,
// so that the outer level ends at once.

#include <memory>
#include <vector>

#include "integration/Quadrature.h"
#include "numerics/Vector.h"

class CAtom;
class CBondPoint;

// The surface job's failure message.
inline constexpr const char* kSurfaceFailed = "Integration over interatomic surface failed!";

class CSurfaceQuadrature {
public:
    // The tolerances and the paths' stop value are the molecule's current
    // surface-integration options, read by each integration.
    explicit CSurfaceQuadrature(CMolecule& molecule);
    ~CSurfaceQuadrature();
    CSurfaceQuadrature(const CSurfaceQuadrature&) = delete;
    CSurfaceQuadrature& operator=(const CSurfaceQuadrature&) = delete;

    // Adds the N integrals over the part phiFrom <= phi <= phiTo (radians;
    // phiTo + 2 pi when phiTo < phiFrom) of the surface of bond, outside the
    // circle of radius R and of the sector of the disc inside it, to results.
    // Equal limits integrate the one path at phiFrom, without a width, and
    // the disc term with the half-disc's factor R^2 / 2: times 2 pi that is
    // the whole surface of a rotationally symmetric bond. atomA and atomB (may
    // be null) are the atoms the surface separates; the normal points away
    // from A. The bond point's work array, when it holds 26 doubles, keeps
    // the last path's integrals.
    int IntegrateSurface(CBondPoint& bond, double phiFrom, double phiTo, double R, int N, double* results,
                         const CAtom* atomA, const CAtom* atomB);

    // A path is integrated in calls of `steps` solver steps, at most `calls`
    // times (500 and 10 unless changed). Far out the density hardly changes
    // and the steps grow fast; a path that lingers by a ring or cage point
    // spends its steps there.
    void SetPathLimits(long steps, int calls) {
        m_nPathSteps = steps;
        m_nPathCalls = calls;
    }

    // Counts for the benchmark and the tests: paths integrated, and how many
    // of them ended at a critical point before the stop value.
    long PathCount() const { return m_nPaths; }
    long StalledPathCount() const { return m_nStalledPaths; }

private:
    // The phi level's right-hand side: the N integrals along the path at phi.
    int SurfacePathRhs(double phi, double* dydt);
    // The path level's right-hand side at the state y (N integrals, v, x).
    int SurfaceIntegrand(const double* y, double* dydt);
    // c2, turned to point away from atom A.
    CVector OrientedNormal() const;
    CQuadratureLevel* Level(int role, int n);

    CMolecule& m_molecule;
    CQuadratureContext m_ctx;
    CLevelCache m_cache;
    std::unique_ptr<CQuadratureLevel> m_levels[2];
    // The integration under way.
    const CBondPoint* m_pBond = nullptr;
    const CAtom* m_pAtomA = nullptr;
    const CAtom* m_pAtomB = nullptr;
    CVector m_X;              // the bond point
    CVector m_c0, m_c1, m_c2; // Hessian eigenvectors at X, eigenvalues ascending
    CVector m_normal;         // the normal carried along the running path
    double m_dStopS = 1e6;
    long m_nPathSteps = 500;
    int m_nPathCalls = 10;
    int m_nAreaSlot = -1; // packed position of the area, -1 when not selected
    std::vector<double> m_pathState;
    std::vector<double> m_pathTol;
    long m_nPaths = 0;
    long m_nStalledPaths = 0;
};
