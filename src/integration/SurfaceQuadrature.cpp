// The interatomic surface of a bond point: the phi level, the surface paths
// and their integrand.

#include "integration/SurfaceQuadrature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Molecule.h"
#include "platform/core/JobState.h"

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;
constexpr int kPhiLevel = 0;
constexpr int kPathLevel = 1;
// The path state after the N integrals: the tangent, then the point.
constexpr int kTangent = 0;
constexpr int kPoint = 3;
// The area, the last surface property.
constexpr int kAreaProperty = 24;

} // namespace

CSurfaceQuadrature::CSurfaceQuadrature(CMolecule& molecule) : m_molecule(molecule) {
    m_ctx.Molecule = &molecule;
}

CSurfaceQuadrature::~CSurfaceQuadrature() = default;

CQuadratureLevel* CSurfaceQuadrature::Level(int role, int n) {
    return EnsureLevel(m_levels[role], n);
}

CVector CSurfaceQuadrature::OrientedNormal() const {
    CVector n = m_c2;
    if (m_pAtomA && n * m_pAtomA->RelativeToNucleus(m_X) < 0.0) n = -1.0 * n;
    return n;
}

int CSurfaceQuadrature::IntegrateSurface(CBondPoint& bond, double phiFrom, double phiTo, double R, int N,
                                         double* results, const CAtom* atomA, const CAtom* atomB) {
    m_molecule.SetFieldIndex(0);
    const CSurfIntOptions& options = m_molecule.GetSurfIntOptions();
    m_ctx.AbsAccuracy = options.AbsAccuracy;
    m_ctx.RelAccuracy = options.RelAccuracy;
    m_dStopS = options.StopS;
    m_pBond = &bond;
    m_pAtomA = atomA;
    m_pAtomB = atomB;
    m_X = bond.GetPosition();
    m_normal = CVector();
    m_nPaths = 0;
    m_nStalledPaths = 0;

    const auto done = [this](int result) {
        m_pBond = nullptr;
        return result;
    };
    if (!m_molecule.Evaluate(m_X, -3)) return done(0);
    const CTensor hessian = m_molecule.GetHessianEigen();
    if (!hessian.HasEigenData()) return done(0);
    const CMatrix& vectors = *hessian.GetEigenvectors();
    m_c0 = vectors.Column(0);
    m_c1 = vectors.Column(1);
    m_c2 = vectors.Column(2);

    // No stale path integral is reused.
    m_cache = CLevelCache(bond.m_Surface.WorkArray.size() >= static_cast<std::size_t>(N) + 1
                              ? bond.m_Surface.WorkArray.data()
                              : nullptr);
    m_cache.Clear();
    if (phiTo < phiFrom) phiTo += 2.0 * std::numbers::pi;
    m_ctx.Phi0 = phiFrom;
    m_ctx.Phi1 = phiTo;
    m_ctx.Radius = R;
    m_ctx.N = N;
    m_ctx.FailPhi = 0;
    if (N < 1) return done(0);
    m_nAreaSlot = m_molecule.IsSurfacePropertySelected(kAreaProperty) ? N - 1 : -1;

    std::vector<double> y(static_cast<std::size_t>(N), 0.0);
    const COdeSolver::Rhs pathRhs = [this](double phi, const double*, double* dydt) {
        return SurfacePathRhs(phi, dydt);
    };
    bool ok = false;
    if (phiFrom == phiTo) {
        pathRhs(phiFrom, y.data(), y.data());
        ok = !m_ctx.FailPhi && !IsCancelRequested();
    } else if (CQuadratureLevel* level = Level(kPhiLevel, N)) {
        level->SetLimits(phiTo - phiFrom, 0);
        ok = level->Run(pathRhs, phiFrom, phiTo, m_ctx.RelAccuracy, m_ctx.AbsAccuracy, y.data()) &&
             !IsCancelRequested() && !m_ctx.FailPhi;
    }
    if (!ok) return done(0);

    // The disc of radius R about the bond point, which no path covers: its
    // sector's area times the bond point's own integrand.
    CVector n = OrientedNormal();
    if (!m_molecule.Evaluate(m_X, 1, m_pAtomA, m_pAtomB, &bond, &n, nullptr)) return done(0);
    const double* f = m_molecule.GetSelectedValues(false);
    const double area = phiFrom < phiTo ? (phiTo - phiFrom) * 0.5 * R * R : 0.5 * R * R;
    for (int i = 0; i < N; ++i)
        if (!std::isfinite(f[i]) || !std::isfinite(y[static_cast<std::size_t>(i)])) return done(0);
    // Back to the scale of the area's integrand.
    if (m_nAreaSlot >= 0) y[static_cast<std::size_t>(m_nAreaSlot)] *= 1e-12;
    for (int i = 0; i < N; ++i)
        results[i] += y[static_cast<std::size_t>(i)] + f[i] * area;
    return done(1);
}

int CSurfaceQuadrature::SurfacePathRhs(double phi, double* dydt) {
    const int N = m_ctx.N;
    m_ctx.Phi = phi;
    m_ctx.FailR = 0;
    if (m_cache.Enter(phi, dydt, N)) return 0;

    const auto fail = [&] {
        m_ctx.FailPhi = 1;
        // The outer solver's further calls end at once.
        g_bCancel = 1;
        std::fill(dydt, dydt + N, 0.0);
        return -1;
    };

    const double R = m_ctx.Radius;
    const double c = std::cos(phi), s = std::sin(phi);
    const CVector x0 = m_X + R * (c * m_c0 + s * m_c1);
    // The tangent the path carries: w = v / R, with v = dx/dphi = R (cos phi
    // c1 - sin phi c0) at the start. It follows the same linear equation,
    // dw/dt = -H w, and its size of about 1 suits the absolute tolerance,
    // which would leave v, of the size of R at the start, hardly
    // controlled; the area element is R |grad rho x w|.
    const CVector v0 = c * m_c1 - s * m_c0;
    m_normal = OrientedNormal();
    if (!m_molecule.Evaluate(x0, -2)) return fail();

    CQuadratureLevel* level = Level(kPathLevel, N + 6);
    if (!level) return fail();
    COdeSolver& solver = level->Solver();
    level->SetLimits(0.0, m_nPathSteps);
    m_pathState.assign(static_cast<std::size_t>(N) + 6, 0.0);
    // The path is held tighter than the phi level (LevelTolerance).
    m_pathTol.assign(static_cast<std::size_t>(N) + 6, LevelTolerance(m_ctx.AbsAccuracy, 1));
    double* y = m_pathState.data();
    y[N + kTangent] = v0.x;
    y[N + kTangent + 1] = v0.y;
    y[N + kTangent + 2] = v0.z;
    y[N + kPoint] = x0.x;
    y[N + kPoint + 1] = x0.y;
    y[N + kPoint + 2] = x0.z;
    const COdeSolver::Rhs integrand = [this](double, const double* state, double* d) {
        return SurfaceIntegrand(state, d);
    };

    using Status = COdeSolver::Status;
    bool accepted = false;
    ++m_nPaths;
    if (solver.Init(integrand, 0.0, y, LevelTolerance(m_ctx.RelAccuracy, 1), m_pathTol.data()) ==
        Status::Success) {
        double t = 0.0;
        for (int call = 0; call < m_nPathCalls; ++call) {
            const Status status = solver.Solve(m_dStopS, t, y);
            if (IsCancelRequested() || m_ctx.FailR) break;
            if (status == Status::Success) {
                accepted = true;
                break;
            }
            // A solver that stopped short of the stop value ends the path
            // only where the path has run into a ring or cage point: its
            // gradient vanishes there and the rest adds nothing. Anywhere
            // else the path's integral is not complete: out of steps it goes
            // on, otherwise it has failed.
            if (t <= 0.0) break;
            const CVector end(y[N + kPoint], y[N + kPoint + 1], y[N + kPoint + 2]);
            if (m_molecule.FindNearestCritPoint(end, nullptr, 1, 1, 0) <
                m_molecule.GetDEOptions().MinCritPointDistance) {
                ++m_nStalledPaths;
                accepted = true;
                break;
            }
            if (status != Status::TooMuchWork) break;
        }
    }

    const CVector last(y[N + kPoint], y[N + kPoint + 1], y[N + kPoint + 2]);
    SetStatusTextF("surface integration: Phi = %0.2lf, R = %0.2lf", phi * kDegrees, (last - m_X).Length());
    g_nProgress = m_ctx.Phi0 < m_ctx.Phi1
                      ? static_cast<int>((phi - m_ctx.Phi0) * 100.0 / (m_ctx.Phi1 - m_ctx.Phi0) + 0.5)
                      : 100;

    if (!accepted) return fail();
    for (int i = 0; i < N; ++i)
        if (!std::isfinite(y[i])) return fail();
    std::copy(y, y + N, dydt);
    m_cache.Store(phi, dydt, N);
    return 0;
}

int CSurfaceQuadrature::SurfaceIntegrand(const double* y, double* dydt) {
    const int N = m_ctx.N;
    std::fill(dydt, dydt + N + 6, 0.0);
    if (IsCancelRequested()) {
        m_ctx.FailR = 1;
        return -1;
    }
    const CVector v(y[N + kTangent], y[N + kTangent + 1], y[N + kTangent + 2]);
    const CVector x(y[N + kPoint], y[N + kPoint + 1], y[N + kPoint + 2]);
    // The evaluation turns the normal perpendicular to the gradient and to v,
    // on the side of the previous normal, and hands it back.
    if (!m_molecule.Evaluate(x, 3, m_pAtomA, m_pAtomB, m_pBond, &m_normal, &v)) {
        m_ctx.FailR = 1;
        return -1;
    }
    const CVector g = m_molecule.GetGradient();
    const CVector Hv = m_molecule.GetHessianEigen() * v;
    const double* f = m_molecule.GetSelectedValues(false);

    dydt[N + kTangent] = -Hv.x;
    dydt[N + kTangent + 1] = -Hv.y;
    dydt[N + kTangent + 2] = -Hv.z;
    dydt[N + kPoint] = -g.x;
    dydt[N + kPoint + 1] = -g.y;
    dydt[N + kPoint + 2] = -g.z;
    // |g x v| = R |g x w|, the area swept per unit t and unit phi.
    const double gv = g * v;
    const double radicand = (g * g) * (v * v) - gv * gv;
    const double area = radicand > 0.0 ? m_ctx.Radius * std::sqrt(radicand) : 0.0;
    for (int i = 0; i < N; ++i) {
        // A value that is not finite would only end in an accuracy failure
        // somewhere above, or worse, in the results.
        if (!std::isfinite(f[i])) {
            std::fill(dydt, dydt + N + 6, 0.0);
            m_ctx.FailR = 1;
            return -1;
        }
        dydt[i] = f[i] * area;
    }
    // The area's integrand is 1e-12 inside the isosurface: the levels carry
    // the area itself, 1e12 times as large, so that the tolerances hold for
    // it as for the other integrals and the solver finds the jump on the
    // isosurface; otherwise its error would not be controlled at all.
    if (m_nAreaSlot >= 0) dydt[m_nAreaSlot] *= 1e12;
    return 0;
}
