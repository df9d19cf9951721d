#pragma once
// The integrations over one atom: the beta sphere (three levels phi, theta, r
// over the sphere of radius R about the nucleus), the basin in natural
// coordinates (phi, theta on the beta sphere, then the density's gradient path
// leaving the sphere there) and the basin in radial coordinates (phi, theta,
// then the ray from the nucleus cut at the basin's zero-flux surface). One
// object serves one job: it makes each level's solver once and keeps the
// shared context (Quadrature.h).
//
// The integrands are the selected basin properties (packed, CMolecule::
// GetSelectedValues) of an evaluation that names this atom as atom A, so that
// the properties measured from its nucleus (moments, R(n), GR(n), VNEO,
// forces, virial terms) are those of this atom.
//
// Return values: 1 success, 0 failure (the level messages are shown; the
// output array is left unchanged). The cancel flag of the job state is polled
// by every integrand and tested after every solver call; some failures raise
// it, so that the levels above unwind at once.

#include <memory>
#include <string>
#include <vector>

#include "integration/Quadrature.h"
#include "numerics/Matrix.h"
#include "numerics/Vector.h"

class CCritPoint;
class CGradPath;
class CMaxPoint;

class CBasinQuadrature {
public:
    // The options (accuracies, stop values, ray step, crossings) are the
    // molecule's current basin-integration options, read by each integration;
    // the atom's caches are used while they are allocated.
    CBasinQuadrature(CAtom& atom, CMolecule& molecule);
    ~CBasinQuadrature();
    CBasinQuadrature(const CBasinQuadrature&) = delete;
    CBasinQuadrature& operator=(const CBasinQuadrature&) = delete;

    CQuadratureContext& Context() { return m_ctx; }

    // The part theta0 <= theta <= theta1, phi0 <= phi <= phi1 (integration
    // coordinates; phi1 + 2 pi when phi1 < phi0) of the sphere of radius R:
    // assigns the N integrals to out.
    int IntegrateBetaSphere(double phi0, double phi1, double theta0, double theta1, double R, int N,
                            double* out);

    // Natural coordinates. The directions (global points at the beta-sphere
    // radius on the atom's bond paths) that bound the regions: each region's
    // theta runs from its own bond to the plane halfway to the nearest other.
    void SetBondDirections(std::vector<CVector> points) { m_BondPoints = std::move(points); }
    void SetRegion(int index, int count) {
        m_ctx.Region = index;
        m_ctx.RegionCount = count;
    }
    // The bond point of the region about to be integrated, when it has one:
    // the paths that leave the sphere near the region's bond are followed
    // to it at tolerances that keep their distance from the bond path.
    void SetRegionBondPoint(const CVector* point) {
        m_bRegionBond = point != nullptr;
        if (point) m_RegionBondPoint = *point;
    }
    // One region, in the atom's current integration frame: adds its N
    // integrals (outside the beta sphere of radius R) to out.
    int IntegrateBasinNatural(double phi0, double phi1, double theta0, double theta1, double R, int N,
                              double* out);

    // Radial coordinates: assigns the N integrals over the basin part of the
    // window to out. Needs the atom's density maximum and fresh safe radii.
    int IntegrateBasinRadial(double phi0, double phi1, double theta0, double theta1, int N, double* out);
    // The inside segments (start 1, end 1, start 2, end 2; bohr from the
    // nucleus) of the ray at the context's current theta and phi. 1, or 0 when
    // a membership test failed.
    int FindSurfaceCrossings(double segments[4]);
    // The crossing between a radius inside the basin and one outside; 0 when a
    // membership test failed or an integrand value is not finite.
    double BisectSurfaceCrossing(double inside, double outside);
    // Between low, whose uphill path reaches the maximum `first` of another
    // atom, and high, whose path reaches another one, a radius of this
    // atom's basin: inside receives it (0 when the bracket narrowed to where
    // a layer cannot matter without meeting one), low the last radius that
    // still reached `first`. 0 when a membership test failed.
    int FindLayerBetween(const CMaxPoint* first, double& low, double high, double& inside);
    // The largest selected integrand at radius r of the current ray, times
    // ten, sin(theta) and r^2: what an uncertainty of one bohr in a crossing
    // there costs the ray integral. false (failure noted) when it cannot be
    // evaluated or is not finite.
    bool RayIntegrandWeight(double r, double& weight);
    // The maximum of the atom whose safe sphere the path of steepest ascent
    // from radius r on the current ray enters first; null with the context's
    // SearchFailed raised when the path could not be followed (solver failure,
    // vanishing gradient, cancel). b (clamped to 1..1000) loosens the path's
    // tolerances.
    CMaxPoint* FindBasinOfPoint(double r, double b);

    // Counts for the benchmark and the tests: runs of the natural path level,
    // how many of them ended stalled at a critical point, and how many were
    // taken when they had stopped adding to the integrals.
    long PathCount() const { return m_nPaths; }
    long StalledPathCount() const { return m_nStalledPaths; }
    long FadedPathCount() const { return m_nFadedPaths; }

    // Where and why the first failure of the integrations run so far happened
    // (the level, the region, phi and theta in degrees, the radius reached
    // and the reason); empty when nothing failed on its own account (a user
    // cancel leaves it empty).
    const std::string& FailureText() const { return m_sFailure; }

private:
    enum LevelRole { kPhiLevel, kThetaLevel, kRLevel, kPathLevel, kUphillLevel, kLevelRoles };
    // The role's solver, made at its first use; null when it cannot be made.
    CQuadratureLevel* Level(LevelRole role, int n);
    // Reads the options and the atom's caches (which a job may allocate after
    // making this object) for an integration about to start.
    void Prepare();
    // The tolerances of a level at this nesting depth (LevelTolerance).
    double Rel(int depth) const { return LevelTolerance(m_ctx.RelAccuracy, depth); }
    double Abs(int depth) const { return LevelTolerance(m_ctx.AbsAccuracy, depth); }
    void ShowMessage(const char* format, int flag) const;
    // Notes the first failure: the level that failed, at the context's
    // region, phi and theta, the radius reached there, and the reason. A
    // failure that only follows a cancel is not noted.
    void NoteFailure(const char* level, double radius, const std::string& reason);

    // The phi level of every integration: y = the theta integral over the
    // window; raiseCancel: a failure after the solver call raises the cancel
    // flag (radial coordinates).
    bool RunPhiLevel(const COdeSolver::Rhs& thetaRhs, double* y, bool raiseCancel);
    // The same from phi = from to phi = to (either direction), within the
    // context's window.
    bool RunPhiLevel(const COdeSolver::Rhs& thetaRhs, double from, double to, double* y, bool raiseCancel);
    // BetaSphereThetaRhs and RadialThetaRhs: the theta integral at phi = t of
    // rayRhs.
    int SphereThetaRhs(double t, double* dydt, const COdeSolver::Rhs& rayRhs);
    int EndThetaLevel(bool ok, double t, double* dydt);
    int BetaSphereRadialRhs(double t, double* dydt);
    // r^2 times the selected values at (r, theta, phi); the integrand of the
    // beta sphere and of the rays (RadialIntegrand).
    int BetaSphereIntegrand(double t, double* dydt);

    int NaturalThetaRhs(double t, double* dydt);
    // The theta cut at phi: the polar angle, at that azimuth, of the nearest
    // plane that bisects the region's axis and another bond direction, or
    // theta1 when no plane is nearer. plane receives the bond's index in
    // m_RegionBonds (-1: theta1). With only >= -1, the cut of that one plane
    // (or theta1), also where another one is nearer.
    double ThetaCut(double phi, int* plane, int only = kNearestPlane) const;
    static constexpr int kNearestPlane = -2;
    // The azimuths strictly inside phi0..phi1 where the nearest plane changes.
    std::vector<double> CutKinks(double phi0, double phi1) const;
    int NaturalPathRhs(double t, double* dydt);
    int NaturalPathIntegrand(const double* y, double* dydt);
    // The global point of a path's position p (its Cartesian coordinates in
    // the region's frame about the nucleus).
    CVector PathPoint(const double* p) const;
    // Whether a path that has used up a call's steps at end, with the
    // integrals y, has stopped adding to them: they changed by no more than
    // the theta level's tolerance since the previous call, and its volume
    // element does not grow there.
    bool PathHasFaded(const CVector& end, const double* y);

    int RadialRayRhs(double t, double* dydt);
    // What the point at radius r of the current ray is when its uphill path
    // stalled at end, short of every safe sphere.
    enum StallKind {
        kStallAtAtom,     // at an atom's maximum (just outside its safe sphere)
        kStallAtMaximum,  // at a maximum of no atom: outside
        kStallNegligible, // elsewhere, where the point's integrand is negligible: outside
        kStallMatters,    // elsewhere: the search fails
    };
    StallKind ClassifyStall(const CVector& end, double r);
    // The attractor of an atom within reach of point, or null.
    CMaxPoint* NearestAttractor(const CVector& point) const;
    bool IsInside(double r, double b);
    // Progress by phi, else by theta, as the beta sphere and the rays write it.
    void SetSphereProgress() const;

    CAtom& m_atom;
    CMolecule& m_molecule;
    CQuadratureContext m_ctx;
    CLevelCache m_cache1, m_cache2, m_cache3;
    std::unique_ptr<CQuadratureLevel> m_levels[kLevelRoles];
    // Options of the running integration.
    double m_dStopS = 1e6;
    double m_dStopR = 9.0;
    double m_dRayStep = 1.0;
    int m_nMaxCrossings = 3;
    // The nesting depth whose tolerances the phi level takes. Its local
    // errors add up over its steps, each of which is a whole theta
    // integral: in radial coordinates, whose phi integrand bends wherever a
    // ray's crossings change, they add up to ten times the accuracy at depth
    // 0, so there it is held to the next depth's tolerances.
    int m_nPhiDepth = 0;
    // The nesting depth whose tolerances the rays from the nucleus (the
    // beta sphere's and the radial basin's) take. Their running integrals
    // of the Laplacian (and of other integrands of either sign) swing
    // through the core to ten times and more the ray's final value, and the relative tolerance,
    // which follows the running value, lets each step there leave an error
    // that the valence part never cancels: at depth 2 the Laplacian of a
    // carbonyl oxygen came out at -1.3e-3 where depth 3 gives -1.3e-4. The
    // smoother ray integrals cost the levels above fewer steps, so depth 3
    // costs about as many evaluations in all.
    static constexpr int kRayDepth = 3;
    // Natural coordinates: the bond points at radius R, and their directions
    // in the current region's integration frame.
    std::vector<CVector> m_BondPoints;
    std::vector<CVector> m_RegionBonds;
    bool m_bRegionBond = false;
    CVector m_RegionBondPoint;
    // The plane that gives the theta cut on the running arc of phi.
    int m_nCutPlane = kNearestPlane;
    // Global to the region's Cartesian frame, for the positions of the paths.
    CMatrix m_pathFrame;
    std::vector<double> m_pathState;

    // The path's integrals at the end of its previous call.
    std::vector<double> m_pathPrevious;
    long m_nPaths = 0;
    long m_nStalledPaths = 0;
    long m_nFadedPaths = 0;
    std::string m_sFailure;
    // The distance from the nucleus that the last path or ray reached.
    double m_dRadiusReached = 0.0;
};

// The right-hand side of a path of steepest ascent in arc length: dy/dt the
// unit gradient of the molecule's current field at y (3 values). Where the
// gradient vanishes exactly it gives 1e-24 y and raises searchFailed; a failed
// evaluation raises it too and returns -1 (stop).
int NucleusPathRhs(CMolecule& molecule, const double* y, double* dydt, int& searchFailed);
// The same rule for a gradient evaluated at y by the caller; nullptr stands
// for a failed evaluation.
int UnitGradientRhs(const CVector* gradient, const double* y, double* dydt, int& searchFailed);

// The point at distance R from the atom's nucleus on the bond path that runs
// from bond up to the atom, traced afresh from the bond point at tolerances
// near rounding; path (that bond path as traced) gives the way up and stands
// in where the new trace fails. The paths of a natural-coordinate region that
// leave the beta sphere close to its axis linger at the bond point, and their
// integrals follow a power of their distance from the true axis down to the
// smallest distances: an axis off by the path tracer's tolerance cuts off
// that tail, which on a carbon-carbon bond is a hundredth of an electron.
CVector BondPathPointAtRadius(CMolecule& molecule, const CAtom& atom, const CCritPoint& bond,
                              const CGradPath& path, double R);

// A natural-coordinate region's angular window in its integration frame.
struct SRegionWindow {
    bool Skip = false; // the region's bond lies outside the window
    double PhiFrom = 0.0, PhiTo = 0.0, ThetaFrom = 0.0, ThetaTo = 0.0;
};

// The window of the region whose bond direction has local polar angles
// (thetaB, phiB), with the atom's integration frame already set from it. The
// dialog's window phiLo..phiHi, thetaLo..thetaHi (radians; zeroWidth when its
// phi lower is not below its upper) selects whole regions, half regions or
// none; tol is 10 times the accuracy of the region's bond path.
SRegionWindow ChooseRegionWindow(const CAtom& atom, double thetaB, double phiB, double phiLo, double phiHi,
                                 double thetaLo, double thetaHi, double R, double tol, bool zeroWidth);
