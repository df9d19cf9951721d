// The basin in radial coordinates: rays from the nucleus, each cut where it
// leaves the basin. A point belongs to the basin when its path of steepest
// ascent enters the atom's safe sphere first; up to three crossings (two
// inside segments) of a ray are followed.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Molecule.h"
#include "integration/BasinQuadrature.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;
// An uphill path that stalls this close (bohr) to a critical point has
// reached it; Newton steps find the point. Far from the nuclei the path's
// steps are long and it may stall past a weak maximum by more than half a
// bohr (0.505 behind the lithium of LiF).
constexpr double kStallReach = 1.0;
constexpr int kStallNewtonSteps = 30;
// A maximum this close (bohr) to an atom's attractor is that attractor.
constexpr double kMaximumReach = 0.05;
// Halving a bracket more often than this cannot narrow it further in doubles.
constexpr int kMaxBisections = 200;
// The uphill path advances at least this far (bohr) between two looks at the
// safe spheres, whatever the spheres and options say.
constexpr double kMinUphillStep = 1e-6;

} // namespace

int UnitGradientRhs(const CVector* gradient, const double* y, double* dydt, int& searchFailed) {
    if (!gradient) {
        searchFailed = 1;
        dydt[0] = dydt[1] = dydt[2] = 0.0;
        return -1;
    }
    const CVector& g = *gradient;
    const double length = g.Length();
    if (length == 0.0) {
        for (int i = 0; i < 3; ++i)
            dydt[i] = 1e-24 * y[i];
        searchFailed = 1;
        return 0;
    }
    dydt[0] = g.x / length;
    dydt[1] = g.y / length;
    dydt[2] = g.z / length;
    return 0;
}

int NucleusPathRhs(CMolecule& molecule, const double* y, double* dydt, int& searchFailed) {
    if (!molecule.Evaluate(CVector(y[0], y[1], y[2]), -2))
        return UnitGradientRhs(nullptr, y, dydt, searchFailed);
    const CVector g = molecule.GetGradient();
    return UnitGradientRhs(&g, y, dydt, searchFailed);
}

int CBasinQuadrature::IntegrateBasinRadial(double phi0, double phi1, double theta0, double theta1, int N,
                                           double* out) {
    Prepare();
    m_molecule.SetFieldIndex(0);
    if (phi1 < phi0) phi1 += 2.0 * std::numbers::pi;
    m_ctx.Phi0 = phi0;
    m_ctx.Phi1 = phi1;
    m_ctx.Theta0 = theta0;
    m_ctx.Theta1 = theta1;
    m_ctx.N = N;
    if (N < 1 || !m_atom.GetMaxPoint()) return 0;

    std::vector<double> y(static_cast<std::size_t>(N), 0.0);
    const COdeSolver::Rhs rayRhs = [this](double t, const double*, double* dydt) {
        return RadialRayRhs(t, dydt);
    };
    const COdeSolver::Rhs thetaRhs = [this, &rayRhs](double t, const double*, double* dydt) {
        return SphereThetaRhs(t, dydt, rayRhs);
    };
    m_nPhiDepth = 1;
    const bool ok = RunPhiLevel(thetaRhs, y.data(), true);
    m_nPhiDepth = 0;
    if (!ok) return 0;
    std::copy(y.begin(), y.end(), out);
    return 1;
}

int CBasinQuadrature::RadialRayRhs(double t, double* dydt) {
    const int N = m_ctx.N;
    m_ctx.Theta = t;
    m_ctx.FailR = 0;
    m_cache3.Clear();
    if (m_cache2.Enter(t, dydt, N)) return 0;
    const double s = std::sin(t);
    if (s == 0.0) return 0;

    CQuadratureLevel* level = Level(kRLevel, N);
    if (!level) {
        m_ctx.FailTheta = 1;
        return -1;
    }
    double segments[4];
    if (!FindSurfaceCrossings(segments)) {
        m_ctx.FailTheta = 1;
        return -1;
    }
    const COdeSolver::Rhs integrand = [this](double r, const double*, double* d) {
        return BetaSphereIntegrand(r, d);
    };
    std::vector<double> part(static_cast<std::size_t>(N), 0.0);
    for (int k = 0; k < 2; ++k) {
        const double start = segments[2 * k], end = segments[2 * k + 1];
        if (!(start < end)) continue;
        SetStatusTextF("Radial integration: Phi = %0.4lf,   Theta = %0.4lf, rMax = %0.4lf",
                       m_ctx.Phi * kDegrees, t * kDegrees, end);
        SetSphereProgress();
        level->SetLimits(0.0, 0);
        m_dRadiusReached = end;
        const bool ok = level->Run(integrand, start, end, Rel(kRayDepth), Abs(kRayDepth), part.data()) &&
                        !IsCancelRequested() && !m_ctx.FailR;
        if (!ok) {
            if (level->SolverFailed())
                NoteFailure("Ray integration", level->Reached(), level->FailureReason());
            m_ctx.FailTheta = 1;
            g_bCancel = 1;
            std::fill(dydt, dydt + N, 0.0);
            return -1;
        }
        for (int i = 0; i < N; ++i)
            dydt[i] += s * part[static_cast<std::size_t>(i)];
    }
    m_cache2.Store(t, dydt, N);
    return 0;
}

bool CBasinQuadrature::IsInside(double r, double b) {
    // A path that could not be followed (failed, cancelled) never counts as
    // inside; the caller looks at SearchFailed.
    const CMaxPoint* reached = FindBasinOfPoint(r, b);
    return !m_ctx.SearchFailed && reached && reached == m_atom.GetMaxPoint();
}

int CBasinQuadrature::FindSurfaceCrossings(double segments[4]) {
    const double rMax = m_dStopR;
    const double step = m_dRayStep;
    segments[0] = 0.0;
    segments[1] = rMax;
    segments[2] = segments[3] = rMax;

    // Everything up to the safe radius belongs to the atom.
    double rPrev = m_atom.GetNearestCritDistance();
    double rNext = rPrev + step;
    const auto advance = [&] {
        rPrev = rNext;
        rNext += step;
    };
    // A ray step that does not advance would test the same point for ever.
    if (!(step > 0.0)) return 1;
    const CMaxPoint* own = m_atom.GetMaxPoint();

    // First exit.
    bool exited = false;
    const CMaxPoint* prevReached = nullptr; // where the last outside point's path went
    while (rNext < rMax) {
        const CMaxPoint* reached = FindBasinOfPoint(rNext, 1.0);
        if (m_ctx.SearchFailed) return 0;
        if (reached == own) {
            advance();
            continue;
        }
        const double crossing = BisectSurfaceCrossing(rPrev, rNext);
        if (crossing == 0.0) return 0;
        segments[1] = crossing;
        prevReached = reached;
        advance();
        exited = true;
        break;
    }
    if (!exited || m_nMaxCrossings < 2) return 1;

    // Re-entry. Where the basin comes back to the ray as a layer thinner
    // than a step, it lies between the basins of two other atoms (a carbonyl
    // carbon's reaches between its oxygen's and its nitrogen's): two outside
    // points that reach different maxima are searched for such a layer.
    bool entered = false;
    double inside = 0.0;
    while (rNext < rMax) {
        const CMaxPoint* reached = FindBasinOfPoint(rNext, 1.0);
        if (m_ctx.SearchFailed) return 0;
        if (reached == own) {
            const double crossing = BisectSurfaceCrossing(rNext, rPrev);
            if (crossing == 0.0) return 0;
            segments[2] = crossing;
            advance();
            entered = true;
            break;
        }
        if (reached != prevReached) {
            double outside = rPrev;
            if (!FindLayerBetween(prevReached, outside, rNext, inside)) return 0;
            if (inside > 0.0) {
                const double crossing = BisectSurfaceCrossing(inside, outside);
                if (crossing == 0.0) return 0;
                segments[2] = crossing;
                entered = true;
                break;
            }
        }
        prevReached = reached;
        advance();
    }
    if (!entered || m_nMaxCrossings < 3) return 1;

    // Second exit: a layer found between two outside points ends before the
    // second of them.
    if (inside > 0.0) {
        const double crossing = BisectSurfaceCrossing(inside, rNext);
        if (crossing == 0.0) return 0;
        segments[3] = crossing;
        return 1;
    }
    while (rNext < rMax) {
        if (IsInside(rNext, 1.0)) {
            advance();
            continue;
        }
        if (m_ctx.SearchFailed) return 0;
        const double crossing = BisectSurfaceCrossing(rPrev, rNext);
        if (crossing == 0.0) return 0;
        segments[3] = crossing;
        break;
    }
    return 1;
}

int CBasinQuadrature::FindLayerBetween(const CMaxPoint* first, double& low, double high, double& inside) {
    inside = 0.0;
    const CMaxPoint* own = m_atom.GetMaxPoint();
    double weight = 0.0;
    for (int i = 0; i < kMaxBisections; ++i) {
        const double r = 0.5 * (low + high);
        if (r == low || r == high) break;
        // A layer narrower than the bracket cannot matter once the bracket
        // times the largest integrand there stays below the absolute accuracy.
        if (!RayIntegrandWeight(r, weight)) return 0;
        if ((high - low) * weight <= m_ctx.AbsAccuracy) break;
        const CMaxPoint* reached = FindBasinOfPoint(r, 1.0);
        if (m_ctx.SearchFailed) return 0;
        if (reached == own) {
            inside = r;
            return 1;
        }
        if (reached == first)
            low = r;
        else
            high = r;
    }
    return 1;
}

bool CBasinQuadrature::RayIntegrandWeight(double r, double& weight) {
    const CVector point = m_atom.FromIntegrationCoords(CVector(r, m_ctx.Theta, m_ctx.Phi));
    if (!m_molecule.Evaluate(point, 1, &m_atom)) {
        NoteFailure("Surface search", r, "the wavefunction could not be evaluated");
        return false;
    }
    const double* values = m_molecule.GetSelectedValues(true);
    double largest = 0.0;
    for (int k = 0; k < m_ctx.N; ++k)
        largest = std::max(largest, std::fabs(values[k]));
    weight = largest * 10.0 * std::sin(m_ctx.Theta) * r * r;
    if (!std::isfinite(weight)) {
        NoteFailure("Surface search", r, "a property value is not finite");
        return false;
    }
    return true;
}

double CBasinQuadrature::BisectSurfaceCrossing(double inside, double outside) {
    double a = inside, b = outside;
    double scale = 1.0;
    double r = 0.5 * (a + b);
    for (int i = 0; i < kMaxBisections; ++i) {
        r = 0.5 * (a + b);
        // The bracket cannot narrow any further.
        if (r == a || r == b) break;
        if (IsInside(r, scale))
            a = r;
        else if (m_ctx.SearchFailed)
            return 0.0;
        else
            b = r;
        // The error the uncertain crossing causes in the ray integral: the
        // largest integrand times the bracket.
        double x = 0.0;
        if (!RayIntegrandWeight(r, x)) return 0.0;
        const double error = std::fabs(b - a) * x;
        // Where the integrand is small the membership tests may be looser.
        scale = x > 0.0005 ? 0.5 / x : 1000.0;
        if (error <= m_ctx.AbsAccuracy) break;
    }
    return r;
}

CMaxPoint* CBasinQuadrature::FindBasinOfPoint(double r, double b) {
    m_ctx.SearchFailed = 0;
    if (IsCancelRequested()) {
        m_ctx.SearchFailed = 1;
        return nullptr;
    }
    const CVector x0 = m_atom.FromIntegrationCoords(CVector(r, m_ctx.Theta, m_ctx.Phi));
    b = std::clamp(b, 1.0, 1000.0);

    CQuadratureLevel* level = Level(kUphillLevel, 3);
    if (!level) {
        m_ctx.SearchFailed = 1;
        return nullptr;
    }
    COdeSolver& solver = level->Solver();
    level->SetLimits(0.0, 0);
    const double y0[3] = {x0.x, x0.y, x0.z};
    // The path's own error moves the surface that the bisection finds, the
    // same way on every ray: at the accuracy options themselves the hydrogen
    // of water came out 4e-4 electrons high and its oxygen 8e-4 low; a tenth
    // of them brings both within 1.1e-4 of their converged populations, for
    // 30 to 50% more evaluations.
    constexpr double kPathTolerance = 0.1;
    b *= kPathTolerance;
    const double absTol[3] = {m_ctx.AbsAccuracy * b, m_ctx.AbsAccuracy * b, m_ctx.AbsAccuracy * b};
    const COdeSolver::Rhs rhs = [this](double, const double* y, double* dydt) {
        return NucleusPathRhs(m_molecule, y, dydt, m_ctx.SearchFailed);
    };
    using Status = COdeSolver::Status;
    if (solver.Init(rhs, 0.0, y0, m_ctx.RelAccuracy * b, absTol) != Status::Success) {
        m_ctx.SearchFailed = 1;
        return nullptr;
    }

    const CMolecule::CAtomList& atoms = m_molecule.GetAtomList();
    double y[3] = {x0.x, x0.y, x0.z};
    double tout = 0.0, t = 0.0;
    Status status = Status::Success;
    while (true) {
        const CVector x(y[0], y[1], y[2]);
        // Never past half a safe radius into any sphere, so that the first
        // sphere the path enters is seen.
        double step = m_dStopR;
        for (const auto& atom : atoms) {
            const double safe = atom->GetNearestCritDistance();
            const double d = (atom->GetPosition() - x).Length();
            if (safe > d) return atom->GetMaxPoint();
            step = std::min(step, d - 0.5 * safe);
        }
        tout += std::max(step, kMinUphillStep);
        // Past tout the path could cross a nucleus, where its direction turns
        // over, and the trial points run off to where the density vanishes.
        (void)solver.SetStopTime(tout);
        status = solver.Solve(tout, t, y);
        if (IsCancelRequested()) {
            m_ctx.SearchFailed = 1;
            return nullptr;
        }
        if (status != Status::Success || m_ctx.SearchFailed) break;
    }

    // The path has stalled short of every safe sphere, where the gradient
    // vanishes or turns over.
    const bool vanished = m_ctx.SearchFailed != 0;
    m_ctx.SearchFailed = 0;
    const CVector end(y[0], y[1], y[2]);
    switch (ClassifyStall(end, r)) {
    case kStallAtMaximum:
    case kStallNegligible:
        return nullptr; // outside the atom, and no failure
    case kStallAtAtom:
        return NearestAttractor(m_molecule.GetLastPoint());
    case kStallMatters:
        break;
    }
    m_dRadiusReached = r;
    m_molecule.Evaluate(end, -1);
    NoteFailure("Surface search", r,
                zel::Sprintf("the path of steepest ascent stopped at (%0.4lf, %0.4lf, %0.4lf), where the "
                             "density is %.3e, short of every atom",
                             end.x, end.y, end.z, m_molecule.GetLastValue()));
    if (!vanished) {
        std::string text = kSurfaceSearchFailed;
        if (status == Status::TooMuchWork) text += kPossiblyCritPoint;
        zel::ShowMessageBox(text);
        g_bCancel = 1;
    }
    m_ctx.SearchFailed = 1;
    return nullptr;
}

CMaxPoint* CBasinQuadrature::NearestAttractor(const CVector& point) const {
    CMaxPoint* nearest = nullptr;
    double best = kMaximumReach;
    for (const auto& atom : m_molecule.GetAtomList()) {
        CMaxPoint* max = atom->GetMaxPoint();
        if (!max) continue;
        const double d = (max->GetPosition() - point).Length();
        if (d < best) {
            best = d;
            nearest = max;
        }
    }
    return nearest;
}

CBasinQuadrature::StallKind CBasinQuadrature::ClassifyStall(const CVector& end, double r) {
    // The critical point the path has stalled at, by Newton steps from its
    // end: a unit-speed path overshoots a point where the gradient turns over,
    // so it ends up to a step beyond it.
    CVector point = end;
    bool found = false;
    for (int i = 0; i < kStallNewtonSteps && !found; ++i) {
        if (!m_molecule.EvaluateHessian(point)) return kStallMatters;
        CVector step;
        if (!m_molecule.GetHessianEigen().Solve(m_molecule.GetGradient(), step)) break;
        point = point - step;
        found = step.Length() < 1e-10 * std::max(1.0, point.Length());
    }
    // A maximum: every curvature negative. It is an atom's (whose safe
    // sphere the path would have entered but for a displaced maximum) or one
    // of no atom, such as the weak maximum far behind the lithium of LiF or
    // the one between the nuclei of Li2: the point lies in that maximum's
    // basin, outside this atom.
    if (found && (point - end).Length() < kStallReach && m_molecule.EvaluateHessian(point)) {
        const CTensor hessian = m_molecule.GetHessianEigen();
        const CVector* eigenvalues = hessian.GetEigenvalues();
        if (eigenvalues && eigenvalues->z < 0.0)
            return NearestAttractor(point) ? kStallAtAtom : kStallAtMaximum;
    }
    // Elsewhere (a bond or ring point the path ran into) the point is taken
    // to be outside when its integrand does not matter: the largest selected
    // value there, weighted as the bisection weighs the ray, over one ray
    // step, stays below the absolute accuracy.
    if (!m_molecule.Evaluate(m_atom.FromIntegrationCoords(CVector(r, m_ctx.Theta, m_ctx.Phi)), 1, &m_atom))
        return kStallMatters;
    const double* values = m_molecule.GetSelectedValues(true);
    double largest = 0.0;
    for (int k = 0; k < m_ctx.N; ++k)
        largest = std::max(largest, std::fabs(values[k]));
    const double weight = 10.0 * std::sin(m_ctx.Theta) * r * r * m_dRayStep;
    return largest * weight <= m_ctx.AbsAccuracy ? kStallNegligible : kStallMatters;
}
