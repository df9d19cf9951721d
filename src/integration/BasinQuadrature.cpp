// The frame of the atom integrations and the beta sphere.

#include "integration/BasinQuadrature.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "analysis/Atom.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

} // namespace

CBasinQuadrature::CBasinQuadrature(CAtom& atom, CMolecule& molecule)
    : m_atom(atom), m_molecule(molecule), m_cache1(atom.GetCache(1)), m_cache2(atom.GetCache(2)),
      m_cache3(atom.GetCache(3)) {
    m_ctx.Atom = &atom;
    m_ctx.Molecule = &molecule;
}

CBasinQuadrature::~CBasinQuadrature() = default;

CQuadratureLevel* CBasinQuadrature::Level(LevelRole role, int n) {
    return EnsureLevel(m_levels[role], n);
}

void CBasinQuadrature::Prepare() {
    m_cache1 = CLevelCache(m_atom.GetCache(1));
    m_cache2 = CLevelCache(m_atom.GetCache(2));
    m_cache3 = CLevelCache(m_atom.GetCache(3));
    const CIntegOptions& options = m_molecule.GetIntegOptions();
    m_ctx.AbsAccuracy = options.AbsAccuracy;
    m_ctx.RelAccuracy = options.RelAccuracy;
    m_dStopS = options.StopS;
    m_dStopR = options.StopR;
    m_dRayStep = options.RayStep;
    m_nMaxCrossings = options.MaxIntersections;
}

void CBasinQuadrature::ShowMessage(const char* format, int flag) const {
    zel::ShowMessageBox(zel::Sprintf(format, flag));
}

void CBasinQuadrature::NoteFailure(const char* level, double radius, const std::string& reason) {
    if (!m_sFailure.empty() || IsCancelRequested()) return;
    std::string where;
    double phi = m_ctx.Phi;
    if (m_ctx.RegionCount > 0) {
        // As the status line of the regions shows it.
        where = zel::Sprintf(" in region %d of %d", m_ctx.Region, m_ctx.RegionCount);
        phi -= m_ctx.Phi0;
    }
    m_sFailure = zel::Sprintf("%s failed%s at Phi = %0.4lf, Theta = %0.4lf, R = %0.4lf: %s.", level,
                              where.c_str(), phi * kDegrees, m_ctx.Theta * kDegrees, radius, reason.c_str());
}

void CBasinQuadrature::SetSphereProgress() const {
    if (m_ctx.Phi0 < m_ctx.Phi1) {
        g_nProgress = static_cast<int>((m_ctx.Phi - m_ctx.Phi0) * 100.0 / (m_ctx.Phi1 - m_ctx.Phi0) + 0.5);
    } else if (m_ctx.Theta0 < m_ctx.Theta1) {
        g_nProgress =
            static_cast<int>((m_ctx.Theta - m_ctx.Theta0) * 100.0 / (m_ctx.Theta1 - m_ctx.Theta0) + 0.5);
    }
}

bool CBasinQuadrature::RunPhiLevel(const COdeSolver::Rhs& thetaRhs, double* y, bool raiseCancel) {
    return RunPhiLevel(thetaRhs, m_ctx.Phi0, m_ctx.Phi1, y, raiseCancel);
}

bool CBasinQuadrature::RunPhiLevel(const COdeSolver::Rhs& thetaRhs, double from, double to, double* y,
                                   bool raiseCancel) {
    m_cache1.Clear();
    m_ctx.FailPhi = 0;
    if (from == to) {
        // Zero width: the theta integral at the one phi, without a width; the
        // symmetry factor makes up for it.
        std::fill(y, y + m_ctx.N, 0.0);
        thetaRhs(from, y, y);
        return !m_ctx.FailPhi && !IsCancelRequested();
    }
    CQuadratureLevel* level = Level(kPhiLevel, m_ctx.N);
    if (!level) return false;
    level->SetLimits(std::fabs(to - from), 0);
    const bool reached = level->Run(thetaRhs, from, to, Rel(m_nPhiDepth), Abs(m_nPhiDepth), y);
    const bool ok = reached && !IsCancelRequested() && !m_ctx.FailPhi;
    if (!ok) {
        if (level->SolverFailed()) {
            m_ctx.Phi = level->Reached();
            NoteFailure("Phi integration", m_dRadiusReached, level->FailureReason());
            ShowMessage(kPhiFailed, level->Flag());
        }
        if (raiseCancel) g_bCancel = 1;
    }
    return ok;
}

int CBasinQuadrature::IntegrateBetaSphere(double phi0, double phi1, double theta0, double theta1, double R,
                                          int N, double* out) {
    Prepare();
    if (phi1 < phi0) phi1 += 2.0 * std::numbers::pi;
    m_ctx.Phi0 = phi0;
    m_ctx.Phi1 = phi1;
    m_ctx.Theta0 = theta0;
    m_ctx.Theta1 = theta1;
    m_ctx.Radius = R;
    m_ctx.N = N;
    if (N < 1) return 0;

    std::vector<double> y(static_cast<std::size_t>(N), 0.0);
    const COdeSolver::Rhs rayRhs = [this](double t, const double*, double* dydt) {
        return BetaSphereRadialRhs(t, dydt);
    };
    const COdeSolver::Rhs thetaRhs = [this, &rayRhs](double t, const double*, double* dydt) {
        return SphereThetaRhs(t, dydt, rayRhs);
    };
    if (!RunPhiLevel(thetaRhs, y.data(), false)) return 0;
    std::copy(y.begin(), y.end(), out);
    return 1;
}

int CBasinQuadrature::SphereThetaRhs(double t, double* dydt, const COdeSolver::Rhs& rayRhs) {
    const int N = m_ctx.N;
    m_ctx.Phi = t;
    m_ctx.FailTheta = 0;
    m_cache2.Clear();
    if (m_cache1.Enter(t, dydt, N)) return 0;

    bool ok = false;
    if (m_ctx.Theta0 == m_ctx.Theta1) {
        rayRhs(m_ctx.Theta0, dydt, dydt);
        ok = !m_ctx.FailTheta && !IsCancelRequested();
    } else if (CQuadratureLevel* level = Level(kThetaLevel, N)) {
        level->SetLimits(m_ctx.Theta1 - m_ctx.Theta0, 0);
        ok = level->Run(rayRhs, m_ctx.Theta0, m_ctx.Theta1, Rel(1), Abs(1), dydt) && !IsCancelRequested() &&
             !m_ctx.FailTheta;
        if (!ok) {
            if (level->SolverFailed()) {
                m_ctx.Theta = level->Reached();
                NoteFailure("Theta integration", m_dRadiusReached, level->FailureReason());
                ShowMessage(kThetaFailed, level->Flag());
            }
            g_bCancel = 1;
        }
    }
    return EndThetaLevel(ok, t, dydt);
}

// The phi level's step after its theta level ran: a failed level fails the phi
// step (zero derivatives, the failure flag for the outer solver); a good one is
// kept for the solver's repeated calls at the same phi.
int CBasinQuadrature::EndThetaLevel(bool ok, double t, double* dydt) {
    const int N = m_ctx.N;
    if (!ok) {
        m_ctx.FailPhi = 1;
        std::fill(dydt, dydt + N, 0.0);
        return -1;
    }
    m_cache1.Store(t, dydt, N);
    return 0;
}

int CBasinQuadrature::BetaSphereRadialRhs(double t, double* dydt) {
    const int N = m_ctx.N;
    m_ctx.Theta = t;
    m_ctx.FailR = 0;
    m_cache3.Clear();
    if (m_cache2.Enter(t, dydt, N)) return 0;
    const double s = m_ctx.Theta1 > m_ctx.Theta0 ? std::sin(t) : 1.0;
    if (s == 0.0) return 0;

    SetStatusTextF("Beta-sphere integration: Phi = %0.4lf,   Theta = %0.4lf", m_ctx.Phi * kDegrees,
                   m_ctx.Theta * kDegrees);
    SetSphereProgress();

    CQuadratureLevel* level = Level(kRLevel, N);
    if (!level) {
        m_ctx.FailTheta = 1;
        return -1;
    }
    level->SetLimits(0.0, 0);
    const COdeSolver::Rhs integrand = [this](double r, const double*, double* d) {
        return BetaSphereIntegrand(r, d);
    };
    const bool ok = level->Run(integrand, 0.0, m_ctx.Radius, Rel(kRayDepth), Abs(kRayDepth), dydt) &&
                    !IsCancelRequested() && !m_ctx.FailR;
    if (!ok) {
        m_ctx.FailTheta = 1;
        g_bCancel = 1;
        std::fill(dydt, dydt + N, 0.0);
        return -1;
    }
    for (int i = 0; i < N; ++i)
        dydt[i] *= s;
    m_cache2.Store(t, dydt, N);
    return 0;
}

int CBasinQuadrature::BetaSphereIntegrand(double t, double* dydt) {
    const int N = m_ctx.N;
    if (m_cache3.Enter(t, dydt, N)) return 0;
    if (t <= 0.0) return 0;
    if (IsCancelRequested()) {
        m_ctx.FailR = 1;
        return -1;
    }
    const CVector point = m_atom.FromIntegrationCoords(CVector(t, m_ctx.Theta, m_ctx.Phi));
    if (!m_molecule.Evaluate(point, 1, &m_atom)) {
        NoteFailure("The integrand", t, "the wavefunction could not be evaluated");
        m_ctx.FailR = 1;
        return -1;
    }
    const double* values = m_molecule.GetSelectedValues(true);
    const double r2 = t * t;
    for (int i = 0; i < N; ++i) {
        // A value that is not finite would only end in an accuracy failure
        // somewhere above, or worse, in the results.
        if (!std::isfinite(values[i])) {
            NoteFailure("The integrand", t, "a property value is not finite");
            std::fill(dydt, dydt + N, 0.0);
            m_ctx.FailR = 1;
            return -1;
        }
        dydt[i] = r2 * values[i];
    }
    m_cache3.Store(t, dydt, N);
    return 0;
}
