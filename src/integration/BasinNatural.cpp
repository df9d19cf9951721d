// The basin in natural coordinates: outside the beta sphere, along the
// density's gradient paths x' = -grad rho that leave the sphere at (theta,
// phi). The path integral carries the volume element J, dJ/ds = -lap(rho) J,
// which starts as the flux of the path field through the sphere.

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <numbers>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "integration/BasinQuadrature.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegrees = 180.0 / kPi;
// A path is integrated in calls of this many steps, at most kPathCalls times:
// where it runs into a critical point other than a maximum the gradient
// vanishes and the path stalls.
constexpr long kPathSteps = 90;
constexpr int kPathCalls = 30;
// The tolerance of a path's position, relative to its distance from the
// region's axis where it leaves the sphere; and the least tolerance, below
// which that distance is lost in the rounding of the coordinates.
constexpr double kOffsetTolerance = 0.01;
constexpr double kSmallestTolerance = 1e-13;
// The least distance (bohr) from the region's axis at the sphere of a path
// that is followed: below it the path's distance from the bond path is lost
// in the rounding of the coordinates and the density's gradient.
constexpr double kSmallestOffset = 1e-11;
// A path has left the region's bond point behind when it is this far (bohr)
// beyond twice the closest it came to it.
constexpr double kBondPointReach = 0.05;
// Calls of kPathSteps a path may take at the tight tolerances besides.
constexpr int kTightPathCalls = 20;
// The azimuths where the theta cut changes its plane are looked for at this
// spacing, then bisected.
constexpr double kKinkSampling = kPi / 360.0;

double Azimuth(CVector v) {
    return CMolecule::CartesianToSpherical(v).z;
}

} // namespace

int CBasinQuadrature::IntegrateBasinNatural(double phi0, double phi1, double theta0, double theta1, double R,
                                            int N, double* out) {
    Prepare();
    m_molecule.SetFieldIndex(0);
    if (phi1 < phi0) phi1 += 2.0 * kPi;
    m_ctx.Phi0 = phi0;
    m_ctx.Phi1 = phi1;
    m_ctx.Theta0 = theta0;
    m_ctx.Theta1 = theta1;
    m_ctx.Radius = R;
    m_ctx.N = N;
    if (N < 1) return 0;

    // The other bonds' directions in this region's integration frame.
    const CMatrix frame = m_atom.GetIntegrationFrame();
    m_RegionBonds.clear();
    for (const CVector& point : m_BondPoints) {
        const CVector u = frame * m_atom.GlobalToLocal(point);
        const double length = u.Length();
        if (length > 0.0) m_RegionBonds.push_back(u / length);
    }

    std::vector<double> y(static_cast<std::size_t>(N), 0.0);
    const COdeSolver::Rhs thetaRhs = [this](double t, const double*, double* dydt) {
        return NaturalThetaRhs(t, dydt);
    };
    m_nCutPlane = kNearestPlane;
    const std::vector<double> kinks =
        phi0 < phi1 && theta0 < theta1 ? CutKinks(phi0, phi1) : std::vector<double>();
    if (kinks.empty()) {
        if (!RunPhiLevel(thetaRhs, y.data(), false)) return 0;
        for (int i = 0; i < N; ++i)
            out[i] += y[static_cast<std::size_t>(i)];
        return 1;
    }

    // Where another plane becomes the nearest, the cut, and the theta
    // integral with it, has a kink in phi. A solver stepping across it
    // misjudges its error there, and where its steps happen to fall decides
    // the result: on the nitrogen of ammonia a change of the integrand at
    // the level of rounding moved the population by 5e-4 and the energy by
    // 3e-4 (1e-4 and 7e-5 by arcs). The window is therefore
    // integrated arc by arc between the kinks, each arc with the one plane
    // that is nearest on it, continued past the arc's end where the solver
    // steps beyond it, so that every arc's integrand is smooth. An arc
    // starts away from a kink: the solver starts with small steps, and at a
    // kink the cut runs through the direction equidistant from three bonds,
    // where the paths are costly. An arc between two kinks is run from its
    // middle out to both ends.
    std::vector<double> ends{phi0};
    ends.insert(ends.end(), kinks.begin(), kinks.end());
    ends.push_back(phi1);
    std::vector<double> sum(static_cast<std::size_t>(N), 0.0);
    const auto run = [&](double from, double to) {
        if (!RunPhiLevel(thetaRhs, from, to, y.data(), false)) return false;
        const double sign = to > from ? 1.0 : -1.0;
        for (int i = 0; i < N; ++i)
            sum[static_cast<std::size_t>(i)] += sign * y[static_cast<std::size_t>(i)];
        return true;
    };
    bool ok = true;
    for (std::size_t k = 0; ok && k + 1 < ends.size(); ++k) {
        const double a = ends[k], b = ends[k + 1];
        const double middle = 0.5 * (a + b);
        int plane = kNearestPlane;
        ThetaCut(middle, &plane);
        m_nCutPlane = plane;
        if (k == 0)
            ok = run(a, b);
        else if (k + 2 == ends.size())
            ok = run(b, a);
        else
            ok = run(middle, a) && run(middle, b);
    }
    m_nCutPlane = kNearestPlane;
    if (!ok) return 0;
    for (int i = 0; i < N; ++i)
        out[i] += sum[static_cast<std::size_t>(i)];
    return 1;
}

int CBasinQuadrature::NaturalThetaRhs(double t, double* dydt) {
    const int N = m_ctx.N;
    m_ctx.Phi = t;
    m_ctx.FailTheta = 0;
    m_cache2.Clear();
    if (m_cache1.Enter(t, dydt, N)) return 0;

    const COdeSolver::Rhs pathRhs = [this](double theta, const double*, double* d) {
        return NaturalPathRhs(theta, d);
    };
    bool ok = false;
    if (m_ctx.Theta0 == m_ctx.Theta1) {
        pathRhs(m_ctx.Theta0, dydt, dydt);
        ok = !m_ctx.FailTheta && !IsCancelRequested();
    } else {
        // Theta runs from the region's bond up to the nearest plane that
        // bisects it and another bond direction, at this phi.
        int plane = -1;
        const double cut = ThetaCut(t, &plane, m_nCutPlane);
        m_ctx.ThetaCut = cut;
        if (CQuadratureLevel* level = Level(kThetaLevel, N)) {
            // Downwards from the cut, so that the solver starts where the
            // paths are easy and ends at the bond. Paths that leave the
            // sphere ever closer to the bond pass ever closer to its bond
            // point and linger there, their volume element growing with
            // -lap(rho) all the while: the path integral grows like a power
            // theta^-b towards the bond, 0 < b < 1 (0.2 to 0.5 on the
            // bonds of water, ammonia and methane), an integrable
            // singularity that a solver stepping in theta itself resolves
            // poorly. The level therefore runs in u, theta = theta0 + (cut -
            // theta0) u^5, where the integrand goes like u^(4 - 5b) and
            // vanishes smoothly at the bond. A lower power leaves a
            // derivative that is infinite there (u^0.8 for u^3 on methane):
            // the solver then misjudges its error towards the bond, each
            // theta integral is off by ten times its tolerance, and the phi
            // level sums that noise.
            const double theta0 = m_ctx.Theta0;
            const double width = cut - theta0;
            const COdeSolver::Rhs uRhs = [this, &pathRhs, theta0, width, N](double u, const double*,
                                                                            double* d) {
                const double u2 = u * u;
                const double u4 = u2 * u2;
                const int result = pathRhs(theta0 + width * u4 * u, d, d);
                const double weight = 5.0 * width * u4;
                for (int i = 0; i < N; ++i)
                    d[i] *= weight;
                return result;
            };
            level->SetLimits(1.0, 0);
            ok = level->Run(uRhs, 1.0, 0.0, Rel(1), Abs(1), dydt) && !IsCancelRequested() && !m_ctx.FailTheta;
            if (!ok) {
                if (level->SolverFailed()) ShowMessage(kThetaFailed, level->Flag());
                g_bCancel = 1;
            }
            for (int i = 0; i < N; ++i)
                dydt[i] = -dydt[i];
        }
    }
    return EndThetaLevel(ok, t, dydt);
}

int CBasinQuadrature::NaturalPathRhs(double t, double* dydt) {
    const int N = m_ctx.N;
    m_ctx.Theta = t;
    m_ctx.FailR = 0;
    if (m_cache2.Enter(t, dydt, N)) return 0;
    const double R = m_ctx.Radius;
    // The path's distance from the region's axis where it leaves the sphere,
    // on the side of the region's bond; on the far side it never comes near
    // the bond point.
    const bool nearSide = t < 0.5 * kPi;
    const double offset = R * std::sin(t);
    // Closer to the bond than this the path cannot be told from the bond
    // path, and what it adds is below every tolerance.
    if (nearSide && !(offset >= kSmallestOffset)) return 0;

    const CVector x0 = m_atom.FromIntegrationCoords(CVector(R, t, m_ctx.Phi));
    if (!m_molecule.Evaluate(x0, -2)) {
        m_ctx.FailTheta = 1;
        return -1;
    }
    const CVector g = m_molecule.GetGradient();

    CQuadratureLevel* level = Level(kPathLevel, N + 4);
    if (!level) {
        m_ctx.FailTheta = 1;
        return -1;
    }
    COdeSolver& solver = level->Solver();
    level->SetLimits(0.0, kPathSteps);
    m_pathState.assign(static_cast<std::size_t>(N) + 4, 0.0);
    double* y = m_pathState.data();
    // The flux of the path field -grad rho through the sphere's element.
    y[N] = -R * std::sin(t) * (g * m_atom.RelativeToNucleus(x0));
    // The path runs in the region's Cartesian frame about the nucleus, z
    // along the region's bond. A path that leaves the sphere close to the
    // bond runs beside the bond path up to the bond point, lingers there and
    // leaves it along the interatomic surface; its distance from the bond
    // path decides how long it lingers, and its volume element grows all
    // the while where the Laplacian is negative: its integrals follow a
    // power of that distance, down to the smallest distances (on a
    // carbon-carbon bond, over the side of the pi density, nearly its
    // inverse, and a hundredth of an electron lies within a micro-radian of
    // the bond). Up to the bond point the positions are therefore held to a
    // hundredth of the path's distance from the bond where it left the
    // sphere: the solver's error in the position, whichever way it points,
    // becomes part of that distance (along the bond it turns sideways where
    // the bond path bends). Once the path has left the bond point behind,
    // the usual tolerance is enough.
    m_pathFrame = m_atom.GetIntegrationFrame() * m_atom.GetLocalFrame();
    const CVector p0 = CMolecule::SphericalToCartesian(CVector(R, t, m_ctx.Phi));
    y[N + 1] = p0.x;
    y[N + 2] = p0.y;
    y[N + 3] = p0.z;
    const double tightAbs = std::clamp(kOffsetTolerance * offset, kSmallestTolerance, Abs(2));
    const double tightRel = std::clamp(kOffsetTolerance * std::sin(t), kSmallestTolerance, Rel(2));
    bool tight = m_bRegionBond && nearSide && (tightAbs < Abs(2) || tightRel < Rel(2));
    double closest = std::numeric_limits<double>::infinity();
    const COdeSolver::Weights weights = [&, N](const double* state, double* w) {
        for (int i = 0; i <= N; ++i)
            w[i] = 1.0 / (Rel(2) * std::fabs(state[i]) + Abs(2));
        if (tight) {
            const double d = (PathPoint(state + N + 1) - m_RegionBondPoint).Length();
            closest = std::min(closest, d);
            tight = d <= 2.0 * closest + kBondPointReach;
        }
        for (int i = N + 1; i < N + 4; ++i)
            w[i] = tight ? 1.0 / (tightRel * std::fabs(state[i]) + tightAbs)
                         : 1.0 / (Rel(2) * std::fabs(state[i]) + Abs(2));
        return 0;
    };
    const COdeSolver::Rhs integrand = [this](double, const double* state, double* d) {
        return NaturalPathIntegrand(state, d);
    };
    using Status = COdeSolver::Status;
    bool accepted = false;
    std::string reason;
    m_pathPrevious.clear();
    ++m_nPaths;
    if (solver.Init(integrand, 0.0, y, weights) == Status::Success) {
        double s = 0.0;
        int tightCalls = 0;
        for (int call = 0; call < kPathCalls; ++call) {
            const Status status = solver.Solve(m_dStopS, s, y);
            if (IsCancelRequested() || m_ctx.FailR) break;
            if (status == Status::Success) {
                accepted = true;
                break;
            }
            // A path that did not step at all, or that the solver gave up on
            // (accuracy, convergence or error-test failures), has integrated
            // nothing that can be trusted.
            if (s == 0.0 || status != Status::TooMuchWork) {
                reason = zel::Sprintf("the solver failed on the gradient path, flag = %d", solver.LastFlag());
                if (!solver.LastMessage().empty()) reason += " (" + solver.LastMessage() + ")";
                break;
            }
            // A path on its way to the region's bond point, or lingering
            // there, takes its small steps at the tight tolerances: they do
            // not count, and it has not stalled, since it leaves the point
            // with its volume element grown the more the longer it stayed.
            if (tight && tightCalls < kTightPathCalls) {
                ++tightCalls;
                --call;
                continue;
            }
            // Out of steps: where the path has run into a bond, ring or cage
            // point its gradient vanishes and it would stall forever; the rest
            // of it adds nothing.
            const CVector end = PathPoint(y + N + 1);
            if (2.0 * m_ctx.AbsAccuracy > m_molecule.FindNearestCritPoint(end, nullptr, -2, 1, 0)) {
                ++m_nStalledPaths;
                accepted = true;
                break;
            }
            // Anywhere else it goes on, unless it has stopped adding to the
            // integrals where nothing will make it add again: a path that
            // lingers at a critical point the searches did not find (LiF
            // has such points far behind its nuclei, where the density is
            // 1e-5), one that lingers at a ring point and leaves it slowly
            // along its axis (a planar ring atom's paths near the ring
            // plane), or one that crawls out where the density is 1e-7.
            // Such a path changes its integrals by less than the tolerance
            // of the theta level over a whole call, and where the Laplacian
            // of the density is not negative its volume element only
            // shrinks from there on. Run on to the stop value, such paths
            // changed the atoms of LiF by less than 1e-5.
            if (call > 0 && PathHasFaded(end, y)) {
                ++m_nFadedPaths;
                accepted = true;
                break;
            }
            m_pathPrevious.assign(y, y + N);
            if (call + 1 == kPathCalls) {
                m_molecule.Evaluate(end, -1);
                reason = zel::Sprintf("the gradient path was still adding to the integrals after %ld steps, "
                                      "where the density is %.3e",
                                      kPathSteps * kPathCalls, m_molecule.GetLastValue());
            }
        }
    }
    const CVector last = PathPoint(y + N + 1);
    SetStatusTextF(
        "Integration, region %d of %d (Phi = 0...%0.0lf): Phi = %0.4lf, Theta = %0.4lf, R = %0.1lf",
        m_ctx.Region, m_ctx.RegionCount, (m_ctx.Phi1 - m_ctx.Phi0) * kDegrees,
        (m_ctx.Phi - m_ctx.Phi0) * kDegrees, t * kDegrees, m_atom.RelativeToNucleus(last).Length());
    if (m_ctx.Phi0 < m_ctx.Phi1) {
        g_nProgress = static_cast<int>((m_ctx.Phi - m_ctx.Phi0) * 100.0 / (m_ctx.Phi1 - m_ctx.Phi0) + 0.5);
    } else if (m_ctx.Theta0 < m_ctx.Theta1 && m_ctx.ThetaCut > m_ctx.Theta0) {
        g_nProgress =
            static_cast<int>(100.0 - (t - m_ctx.Theta0) * 100.0 / (m_ctx.ThetaCut - m_ctx.Theta0) + 0.5);
    }

    if (!accepted) {
        m_dRadiusReached = m_atom.RelativeToNucleus(last).Length();
        if (!reason.empty()) NoteFailure("Gradient path", m_dRadiusReached, reason);
        m_ctx.FailTheta = 1;
        g_bCancel = 1;
        return -1;
    }
    m_dRadiusReached = m_atom.RelativeToNucleus(last).Length();
    std::copy(y, y + N, dydt);
    m_cache2.Store(t, dydt, N);
    return 0;
}

CVector CBasinQuadrature::PathPoint(const double* p) const {
    return m_atom.AbsoluteFromNucleus(CVector(p[0], p[1], p[2]) * m_pathFrame);
}

bool CBasinQuadrature::PathHasFaded(const CVector& end, const double* y) {
    const int N = m_ctx.N;
    if (m_pathPrevious.size() != static_cast<std::size_t>(N)) return false;
    for (int i = 0; i < N; ++i) {
        const double change = std::fabs(y[i] - m_pathPrevious[static_cast<std::size_t>(i)]);
        if (!(change <= Rel(1) * std::fabs(y[i]) + Abs(1))) return false;
    }
    // dJ/ds = -lap(rho) J = 4 L J.
    if (!m_molecule.Evaluate(end, 1, &m_atom)) return false;
    return m_molecule.GetValues()[1] <= 0.0;
}

int CBasinQuadrature::NaturalPathIntegrand(const double* y, double* dydt) {
    const int N = m_ctx.N;
    std::fill(dydt, dydt + N + 4, 0.0);
    if (IsCancelRequested()) {
        m_ctx.FailR = 1;
        return -1;
    }
    const CVector x = PathPoint(y + N + 1);
    if (!m_molecule.Evaluate(x, 2, &m_atom)) {
        m_ctx.FailR = 1;
        return -1;
    }
    const double* values = m_molecule.GetSelectedValues(true);
    // The volume element follows the Laplacian itself (entry 1 of the layout,
    // L = -lap(rho)/4), whatever the selection packs.
    const double laplacianTerm = m_molecule.GetValues()[1];
    const double J = y[N];
    for (int i = 0; i < N; ++i) {
        if (!std::isfinite(values[i])) {
            m_ctx.FailR = 1;
            return -1;
        }
        dydt[i] = J * values[i];
    }
    dydt[N] = 4.0 * laplacianTerm * J;
    const CVector g = m_pathFrame * m_molecule.GetGradient();
    dydt[N + 1] = -g.x;
    dydt[N + 2] = -g.y;
    dydt[N + 3] = -g.z;
    return 0;
}

double CBasinQuadrature::ThetaCut(double phi, int* plane, int only) const {
    double cut = m_ctx.Theta1;
    *plane = -1;
    if (only == -1) return cut;
    const double c = std::cos(phi), s = std::sin(phi);
    for (int i = 0; i < static_cast<int>(m_RegionBonds.size()); ++i) {
        const CVector& u = m_RegionBonds[static_cast<std::size_t>(i)];
        if (std::fabs(u.z - 1.0) < 0.001) continue; // the region's own bond
        // The polar angle, at this azimuth, of the plane that bisects the
        // directions of the region's axis and u.
        double a = std::atan2(1.0 - u.z, u.x * c + u.y * s);
        if (a < 0.0) a += kPi;
        if (i == only) {
            *plane = i;
            return a;
        }
        if (a < cut) {
            cut = a;
            *plane = i;
        }
    }
    return cut;
}

std::vector<double> CBasinQuadrature::CutKinks(double phi0, double phi1) const {
    std::vector<double> kinks;
    const int samples = static_cast<int>(std::ceil((phi1 - phi0) / kKinkSampling));
    const auto planeAt = [this](double phi) {
        int plane = -1;
        ThetaCut(phi, &plane);
        return plane;
    };
    double before = phi0;
    int plane = planeAt(phi0);
    for (int k = 1; k <= samples; ++k) {
        const double sample = phi0 + (phi1 - phi0) * k / samples;
        const int next = planeAt(sample);
        if (next != plane) {
            // Bisected to rounding.
            double low = before, high = sample;
            for (int i = 0; i < 100 && high - low > 1e-13; ++i) {
                const double middle = 0.5 * (low + high);
                (planeAt(middle) == plane ? low : high) = middle;
            }
            const double kink = 0.5 * (low + high);
            // A kink at an end of the window needs no arc of its own.
            const double margin = 1e-3 * kKinkSampling;
            if (kink - phi0 > margin && phi1 - kink > margin &&
                (kinks.empty() || kink - kinks.back() > margin))
                kinks.push_back(kink);
            plane = next;
        }
        before = sample;
    }
    return kinks;
}

CVector BondPathPointAtRadius(CMolecule& molecule, const CAtom& atom, const CCritPoint& bond,
                              const CGradPath& path, double R) {
    const CVector fallback = path.PointAtRadius(atom, R);
    const CVector start = bond.GetPosition();
    const CVector nucleus = atom.AbsoluteFromNucleus(CVector());
    // A bond point inside the sphere has no bond path through it.
    if (!((start - nucleus).Length() > R)) return fallback;
    // Up the eigenvector of the positive curvature, on the side of the atom.
    if (!molecule.EvaluateHessian(start)) return fallback;
    const CTensor hessian = molecule.GetHessianEigen();
    if (!hessian.HasEigenData()) return fallback;
    CVector up = hessian.GetEigenvectors()->Column(2);
    if (up * (fallback - start) < 0.0) up = up * -1.0;
    // A short first step: the paths that leave the bond point off the
    // eigenvector close in on the bond path as they climb.
    const double s0 = std::min(1e-3, 1e-3 * (nucleus - start).Length());
    const CVector y0 = start + s0 * up;
    double y[3] = {y0.x, y0.y, y0.z};
    std::unique_ptr<COdeSolver> solver;
    try {
        solver = std::make_unique<COdeSolver>(3);
    } catch (const std::bad_alloc&) {
        return fallback;
    }
    int failed = 0;
    const double absTol[3] = {1e-13, 1e-13, 1e-13};
    const COdeSolver::Rhs rhs = [&](double, const double* yy, double* dydt) {
        return NucleusPathRhs(molecule, yy, dydt, failed);
    };
    if (solver->Init(rhs, 0.0, y, 1e-12, absTol) != COdeSolver::Status::Success) return fallback;
    (void)solver->SetMaxNumSteps(100000);
    // At unit speed the distance from the nucleus falls by at most the arc
    // length, so stepping by what is left to R never passes it.
    double s = 0.0;
    for (int i = 0; i < 1000; ++i) {
        const double left = (CVector(y[0], y[1], y[2]) - nucleus).Length() - R;
        if (left <= 1e-12 * std::max(R, 1.0)) break;
        double reached = 0.0;
        if (solver->Solve(s + left, reached, y) != COdeSolver::Status::Success || failed) return fallback;
        s = reached;
    }
    const CVector end(y[0], y[1], y[2]);
    // The new trace has to end where the old one did, to the old one's accuracy.
    if (!((end - fallback).Length() <= std::max(1e-3, 1000.0 * path.GetAccuracy()))) return fallback;
    return end;
}

SRegionWindow ChooseRegionWindow(const CAtom& atom, double thetaB, double phiB, double phiLo, double phiHi,
                                 double thetaLo, double thetaHi, double R, double tol, bool zeroWidth) {
    SRegionWindow window{false, phiLo, phiHi, thetaLo, thetaHi};
    if (zeroWidth) return window;

    window = {false, 0.0, 2.0 * kPi, 0.0, kPi};
    const CMatrix J = atom.GetIntegrationFrame();
    const double width = phiHi - phiLo;
    // A bond along the local z axis: the window turned into the region's frame.
    const auto turned = [&](double phi) {
        const CVector w = J * CMolecule::SphericalToCartesian(CVector(R, kPi / 2.0, phi));
        window.PhiFrom = Azimuth(w);
        window.PhiTo = window.PhiFrom + width;
        if (window.PhiFrom > window.PhiTo) window.PhiTo += 2.0 * kPi;
        return window;
    };
    if (std::fabs(thetaB) < tol) return turned(phiLo);
    if (std::fabs(kPi - thetaB) < tol) return turned(phiHi);

    bool inside = false;
    for (double phi : {phiB, phiB + 2.0 * kPi, phiB - 2.0 * kPi})
        inside = inside || (phiLo - tol < phi && phi < phiHi + tol);
    if (!inside) {
        window.Skip = true;
        return window;
    }
    if (std::fabs(width - 2.0 * kPi) <= tol) return window;

    bool onBorder = false;
    for (double border : {phiHi, phiLo})
        for (double shift : {0.0, 2.0 * kPi, -2.0 * kPi})
            onBorder = onBorder || std::fabs(border - phiB + shift) < tol;
    if (!onBorder) return window;

    // Half the region: the half on the window's side of the border plane,
    // told by a probe just off the bond, a quarter turn from the local z axis.
    const double phi1 = Azimuth(J * CVector(0.0, 0.0, R));
    const CVector probe = CMolecule::SphericalToCartesian(CVector(R, 100.0 * tol, phi1 + kPi / 2.0)) * J;
    double phiP = Azimuth(probe);
    if (phiP < phiLo) phiP += 2.0 * kPi;
    double from = 0.0;
    if (phiLo <= phiP && phiP <= phiHi) {
        from = phi1;
        if (from >= 2.0 * kPi) from -= 2.0 * kPi;
    } else {
        from = phi1 - kPi;
        if (from < 0.0) from += 2.0 * kPi;
        if (from >= 2.0 * kPi) from -= 2.0 * kPi;
    }
    window.PhiFrom = from;
    window.PhiTo = from + kPi;
    window.ThetaFrom = 0.0;
    window.ThetaTo = kPi;
    return window;
}
