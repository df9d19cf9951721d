#pragma once
// The frame every integration over a basin, a beta sphere or an interatomic
// surface shares. N integrals (one per selected property) are computed at once
// as nested one-dimensional quadratures. Each level is an initial-value
// problem y' = F(t), y(t0) = 0, solved by the ODE adapter from t0 to t1; its
// right-hand side F(t) is the complete integration of the next inner level at
// the fixed outer coordinate t. Adaptive step control of the solver makes each
// level an adaptive quadrature, and all N integrals share one step sequence,
// so linear identities among the integrands hold among the integrals to
// rounding.
//
// Every level runs on one solver made once per job (CQuadratureLevel) and
// restarted for each run. The levels share one context (the atom, the bounds,
// the current coordinates, one failure flag per level) and the atom's three
// caches, which keep the last result of a level keyed by its argument: the
// solver evaluates a right-hand side several times at one argument, and a
// whole inner integration is not repeated for that.
//
// Angles are radians, lengths bohr. Threads: one integration runs at a time,
// on the worker; the right-hand sides poll the job's cancel flag.

#include <memory>
#include <string>
#include <vector>

#include "numerics/OdeSolver.h"

class CAtom;
class CMolecule;

// What the levels of one integration share.
struct CQuadratureContext {
    CAtom* Atom = nullptr;
    CMolecule* Molecule = nullptr;
    double Phi0 = 0.0, Phi1 = 0.0;     // phi window
    double Theta0 = 0.0, Theta1 = 0.0; // theta window
    double Radius = 0.0;               // beta sphere
    double Phi = 0.0;                  // argument of the running phi-level right-hand side
    double Theta = 0.0;                // argument of the running theta-level right-hand side
    // Level failure flags (0 or 1): cleared just before a level runs, raised
    // by the level's own right-hand side when it fails.
    int FailPhi = 0;
    int FailTheta = 0;
    int FailR = 0;
    // The uphill membership search failed (radial coordinates, envelope).
    int SearchFailed = 0;
    // Natural coordinates: the theta cut of the running phi, the region
    // (1-based) and the number of regions.
    double ThetaCut = 0.0;
    int Region = 0;
    int RegionCount = 0;
    // Number of integrals.
    int N = 0;
    // Accuracy demanded of every step.
    double AbsAccuracy = 1e-4;
    double RelAccuracy = 1e-4;
};

// The tolerances of a level nested `depth` levels inside the outermost one
// (phi: 0, theta: 1, the ray or path: 2, one depth further for the rays that
// start at a nucleus): both accuracy options divided by
// 10^depth. An inner level's error enters every value the level around it
// integrates, and its noise makes that level's adaptive steps go astray, so
// the options are met by the final integrals only when each inner level is
// held tighter than the one around it. Tightening the inner levels costs
// little: their smoother results let the outer levels take fewer steps.
double LevelTolerance(double tolerance, int depth);

// One cache: entry 0 the argument at which the level last finished (-1:
// empty), entries 1 to N its N values. A view of the atom's array.
class CLevelCache {
public:
    explicit CLevelCache(double* data = nullptr) : m_data(data) {}
    bool Holds(double t) const { return m_data && m_data[0] == t; }
    void Clear() {
        if (m_data) m_data[0] = -1.0;
    }
    void Store(double t, const double* values, int n);
    void Load(double* values, int n) const;
    // A level's right-hand side begins here: true with the cached values in
    // `values` when the cache holds t, else false with `values` set to 0.
    bool Enter(double t, double* values, int n) const;

private:
    double* m_data;
};

// The solver of one level, made once per job. Run is the level pattern: y = 0
// at t0, one solver call towards t1, y = the state reached.
class CQuadratureLevel {
public:
    // n >= 1 equations; throws std::bad_alloc when the solver cannot be made.
    explicit CQuadratureLevel(int n);

    int Size() const { return m_solver.Size(); }
    // The optional inputs: the largest step (0: none) and the steps allowed
    // per call (0: the solver's default).
    void SetLimits(double maxStep, long maxSteps);

    // True when the solver reached t1; y (Size() values) holds the state it
    // reached either way. A right-hand side that returns < 0 stops the run.
    bool Run(const COdeSolver::Rhs& rhs, double t0, double t1, double relTol, double absTol, double* y);

    // The solver's return code of the last run (0 when it reached t1 or was
    // not called).
    int Flag() const { return m_nFlag; }
    // Where the last run stopped (t1 when it reached it).
    double Reached() const { return m_dReached; }
    // Why the last run failed on the solver's own account, for a message:
    // the return code and the solver's diagnostic.
    std::string FailureReason() const;
    // The last run failed on the solver's own account (accuracy, convergence,
    // too many steps), not because a right-hand side stopped it or the run
    // could not start. Only then do the levels show their message.
    bool SolverFailed() const { return m_bSolverFailed; }

    COdeSolver& Solver() { return m_solver; }

private:
    COdeSolver m_solver;
    std::vector<double> m_zero;
    std::vector<double> m_absTol;
    int m_nFlag = 0;
    double m_dReached = 0.0;
    bool m_bSolverFailed = false;
};

// The level held in `level`, made anew for n equations when it is missing or
// has another size; nullptr (and `level` empty) when the solver cannot be made.
CQuadratureLevel* EnsureLevel(std::unique_ptr<CQuadratureLevel>& level, int n);

// The messages of the levels and the jobs.
inline constexpr const char* kPhiFailed = "Phi integration failed, accuracy demand too high, flag = %d";
inline constexpr const char* kThetaFailed = "Theta integration failed, accuracy demand too high, flag = %d";
inline constexpr const char* kBetaSphereFailed = "Integration of Beta-Sphere failed!";
inline constexpr const char* kBasinFailed = "Integration over atomic basin failed!";
inline constexpr const char* kSurfaceSearchFailed = "Surface determination failed!";
inline constexpr const char* kPossiblyCritPoint = " Possibly reached critical point!";
// A basin job that fails says where and why below kBasinFailed.
inline constexpr const char* kRayStepTooSmall =
    "The initial stepsize along a ray for the surface search, %g bohr, cannot advance the search "
    "to r = %g: use at least %g bohr.";
// Natural and radial coordinates follow paths up to the atom's density maximum.
inline constexpr const char* kNoAttractor =
    "The atom has no density maximum: search the critical points from the nuclei first.";

// The smallest initial step along a ray that the surface search accepts. It
// tests every step from the safe radius out to stop r: a smaller step would
// take more than ten thousand tests per ray, and one below the rounding of
// the radius would never advance at all.
double MinimalRayStep(double stopR);

// Number of packed results of the molecule's basin selection: the set flags
// among properties 0 to 46, plus the overlap block when flag 47 is set.
int SelectedBasinCount(const CMolecule& molecule);

// Multiplies the n packed basin results by factor, the volumes VOL1 and VOL2
// (whose integrands are 1e-12 inside their isosurface) also by 1e12, each
// found at its packed position for the molecule's selection.
void ScalePackedResults(const CMolecule& molecule, double* results, int n, double factor);

// Packed position of a basin property under the molecule's selection; -1
// when it is not selected (or is the overlap block).
int PackedPosition(const CMolecule& molecule, int property);
