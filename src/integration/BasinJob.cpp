#include "integration/BasinJob.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "integration/BasinQuadrature.h"
#include "integration/CritPointCheck.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kRadians = 0.017453292519943295; // pi / 180

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The atom's quadrature caches for the length of a job: a launcher may have
// allocated them already (and frees them itself), otherwise the job does.
class CCacheScope {
public:
    explicit CCacheScope(CAtom& atom) : m_atom(atom) {
        if (!atom.HasCaches()) m_bOwned = m_bOk = atom.AllocateCaches();
    }
    ~CCacheScope() {
        if (m_bOwned) m_atom.FreeCaches();
    }
    CCacheScope(const CCacheScope&) = delete;
    CCacheScope& operator=(const CCacheScope&) = delete;
    bool Ok() const { return m_bOk; }

private:
    CAtom& m_atom;
    bool m_bOwned = false;
    bool m_bOk = true;
};

// The integration frame is the local frame between jobs: each job sets it as
// it needs, and no later job or view sees the axis of a job's last region.
class CFrameScope {
public:
    explicit CFrameScope(CAtom& atom) : m_atom(atom) { atom.SetIntegrationAxis(CVector()); }
    ~CFrameScope() { m_atom.SetIntegrationAxis(CVector()); }
    CFrameScope(const CFrameScope&) = delete;
    CFrameScope& operator=(const CFrameScope&) = delete;

private:
    CAtom& m_atom;
};

// The first ascending density path of a bond point that ends at the atom's
// maximum, or null.
const CGradPath* PathToAtom(const CBondPoint& bond, const CAtom& atom) {
    for (const CGradPath* path : bond.GetPathList(true))
        if (path->GetFieldIndex() == 0 && path->GetEndPoint() == atom.GetMaxPoint()) return path;
    return nullptr;
}

// The basin failure message, with where and why when the quadrature knows it.
void ShowBasinFailure(const CBasinQuadrature* quadrature) {
    std::string text = kBasinFailed;
    if (quadrature && !quadrature->FailureText().empty()) text += "\n" + quadrature->FailureText();
    zel::ShowMessageBox(text);
}

// Asks before a basin job whose critical points are incomplete. False when
// the chemist stops; otherwise incomplete tells whether the result is to
// carry the mark of an incomplete set.
bool ConfirmCritPoints(CAtom& atom, bool& incomplete) {
    const std::string text = CheckCritPointsForBasin(atom);
    incomplete = !text.empty();
    return !incomplete ||
           zel::ShowMessageBox(text, zel::PromptButtons::YesNo, zel::PromptIcon::Warning) == zel::IDYES;
}

// A fresh result set in the place of an old one: the old one stays as it is
// until the new one is complete, so a failed or cancelled run loses nothing.
CBasinResults Scratch(const CBasinResults& set, int n) {
    CBasinResults fresh = set;
    fresh.Method = 0.0;
    std::fill(fresh.Results.begin(), fresh.Results.begin() + n, 0.0);
    return fresh;
}

// Whether the result array can take n packed results.
bool Fits(const CBasinResults& set, int n) {
    return n >= 1 && set.Results.size() >= static_cast<std::size_t>(n);
}

} // namespace

double CBasinJobSettings::ProposedFactor() const {
    const double a = PhiLower == PhiUpper ? 2.0 * std::numbers::pi : 360.0 / (PhiUpper - PhiLower);
    const double b = ThetaLower == ThetaUpper ? 2.0 : 180.0 / (ThetaUpper - ThetaLower);
    return a * b;
}

void CBasinJob::ResultsChanged() {
    if (OnResultsChanged) OnResultsChanged();
}

bool CBasinJob::RunBetaSphere(CAtom& atom, CMolecule& molecule, CBasinQuadrature& quadrature, bool cachesOk) {
    const Clock::time_point start = Clock::now();
    g_nEvaluations = 0;
    const int n = SelectedBasinCount(molecule);
    const double R = Settings.Radius;

    bool ok = false;
    CBasinResults set;
    if (Fits(atom.m_ResultsB, n) && cachesOk) {
        set = Scratch(atom.m_ResultsB, n);
        molecule.SetFieldIndex(0);
        ok = quadrature.IntegrateBetaSphere(Settings.PhiLower * kRadians, Settings.PhiUpper * kRadians,
                                            Settings.ThetaLower * kRadians, Settings.ThetaUpper * kRadians, R,
                                            n, set.Results.data());
    }
    if (ok) {
        const CIntegOptions& options = molecule.GetIntegOptions();
        set.Method = R;
        set.AbsAccuracy = options.AbsAccuracy;
        set.RelAccuracy = options.RelAccuracy;
        set.Evaluations = g_nEvaluations;
        set.PhiFrom = Settings.PhiLower;
        set.PhiTo = Settings.PhiUpper;
        set.SymmetryFactor = Settings.Factor;
        ScalePackedResults(molecule, set.Results.data(), n, Settings.Factor);
        set.CPUTime = SecondsSince(start);
        atom.m_ResultsB = std::move(set);
    } else {
        zel::ShowMessageBox(kBetaSphereFailed);
    }
    ResultsChanged();
    return ok;
}

void CBasinJob::IntegrateBetaSphere() {
    CAtom* atom = Settings.Atom;
    CMolecule* molecule = atom ? atom->GetMolecule() : nullptr;
    if (!molecule) return;
    g_nProgress = 0;
    // The window refers to the atom's local coordinates.
    CFrameScope frame(*atom);
    CCacheScope caches(*atom);
    CBasinQuadrature quadrature(*atom, *molecule);
    RunBetaSphere(*atom, *molecule, quadrature, caches.Ok());
}

void CBasinJob::IntegrateNatural() {
    CAtom* atom = Settings.Atom;
    CMolecule* molecule = atom ? atom->GetMolecule() : nullptr;
    if (!molecule) return;
    g_nProgress = 0;

    const double thetaLo = Settings.ThetaLower * kRadians;
    const double thetaHi = Settings.ThetaUpper * kRadians;
    const double phiLo = Settings.PhiLower * kRadians;
    double phiHi = Settings.PhiUpper * kRadians;
    if (phiLo > phiHi) phiHi += 2.0 * std::numbers::pi;
    const double R = Settings.Radius;
    if (!(R > 0.0)) return;
    // The regions follow the bond paths up to the atom's maximum.
    if (!atom->GetMaxPoint()) {
        zel::ShowMessageBox(kNoAttractor);
        return;
    }
    bool incomplete = false;
    if (!ConfirmCritPoints(*atom, incomplete)) return;

    const int n = SelectedBasinCount(*molecule);
    if (!Fits(atom->m_ResultsA, n)) {
        zel::ShowMessageBox(kBasinFailed);
        ResultsChanged();
        return;
    }

    CFrameScope frame(*atom);
    CCacheScope caches(*atom);
    // One set of solvers for the beta sphere and the regions.
    CBasinQuadrature quadrature(*atom, *molecule);
    // Set B stands for this job's sphere only when it covers the same window
    // with the same factor; it does not record its theta window, so a job on
    // part of the theta range integrates its own.
    const CBasinResults& sphere = atom->m_ResultsB;
    const bool wholeTheta = Settings.ThetaLower == 0 && Settings.ThetaUpper == 180;
    if (sphere.Method == R && wholeTheta && sphere.PhiFrom == Settings.PhiLower &&
        sphere.PhiTo == Settings.PhiUpper && sphere.SymmetryFactor == Settings.Factor)
        ResultsChanged();
    else if (!RunBetaSphere(*atom, *molecule, quadrature, caches.Ok()))
        return;

    const Clock::time_point start = Clock::now();
    g_nEvaluations = 0;
    CBasinResults set = Scratch(atom->m_ResultsA, n);

    molecule->SetFieldIndex(0);
    atom->CollectBondedPoints();
    const std::vector<CBondPoint*> bonds = atom->GetBondedPoints();
    // Each bond's direction: its bond path's point on the beta sphere, traced
    // afresh to the rounding of the coordinates.
    std::vector<CVector> bondPoints;
    std::vector<CVector> axes;
    for (const CBondPoint* bond : bonds) {
        const CGradPath* path = PathToAtom(*bond, *atom);
        axes.push_back(path ? BondPathPointAtRadius(*molecule, *atom, *bond, *path, R) : CVector(0.0, 0.0, R));
        if (path) bondPoints.push_back(axes.back());
    }

    quadrature.SetBondDirections(bondPoints);
    const int count = std::max(static_cast<int>(bonds.size()), 1);
    const bool zeroWidth = Settings.PhiLower >= Settings.PhiUpper;

    // The regions of the window phiLo..phiHi added to out.
    const auto integrateRegions = [&](double lo, double hi, double* out) {
        int index = 0;
        const auto integrate = [&](const SRegionWindow& w) {
            quadrature.SetRegion(index, count);
            return quadrature.IntegrateBasinNatural(w.PhiFrom, w.PhiTo, w.ThetaFrom, w.ThetaTo, R, n, out) ==
                   1;
        };
        if (bonds.empty()) {
            index = 1;
            quadrature.SetRegionBondPoint(nullptr);
            return integrate(SRegionWindow{false, lo, hi, thetaLo, thetaHi});
        }
        for (std::size_t k = 0; k < bonds.size(); ++k) {
            const CBondPoint* bond = bonds[k];
            const CGradPath* path = PathToAtom(*bond, *atom);
            const CVector P = axes[k];
            const CVector bondPoint = bond->GetPosition();
            quadrature.SetRegionBondPoint(path ? &bondPoint : nullptr);
            ++index;
            atom->SetIntegrationAxis(P);
            const CVector angles = CMolecule::CartesianToSpherical(atom->GlobalToLocal(P));
            const double tol = 10.0 * (path ? path->GetAccuracy() : 0.0);
            const SRegionWindow window =
                ChooseRegionWindow(*atom, angles.y, angles.z, lo, hi, thetaLo, thetaHi, R, tol, zeroWidth);
            if (window.Skip) continue;
            if (!integrate(window)) return false;
        }
        return true;
    };

    bool ok = caches.Ok();
    // A window wider than a full turn covers the sphere more than once, as
    // the beta sphere and radial coordinates integrate it: each full turn
    // counts the whole basin once (integrated once, then counted as often
    // as the window holds it), and what is left over beyond the turns is a
    // window of its own.
    const double turn = 2.0 * std::numbers::pi;
    const int turns = zeroWidth ? 0 : static_cast<int>(std::floor((phiHi - phiLo) / turn + 1e-12));
    const double rest = zeroWidth ? 0.0 : phiHi - phiLo - turns * turn;
    if (ok && turns > 1) {
        std::vector<double> whole(static_cast<std::size_t>(n), 0.0);
        ok = integrateRegions(phiLo, phiLo + turn, whole.data());
        for (int j = 0; ok && j < n; ++j)
            set.Results[static_cast<std::size_t>(j)] += turns * whole[static_cast<std::size_t>(j)];
        if (ok && rest > 1e-12) ok = integrateRegions(phiLo, phiLo + rest, set.Results.data());
    } else if (ok && turns == 1 && rest > 1e-12) {
        ok = integrateRegions(phiLo, phiLo + turn, set.Results.data()) &&
             integrateRegions(phiLo, phiLo + rest, set.Results.data());
    } else if (ok) {
        ok = integrateRegions(phiLo, phiHi, set.Results.data());
    }

    if (ok) {
        const CIntegOptions& options = molecule->GetIntegOptions();
        set.Method = R;
        set.StopS = options.StopS;
        set.AbsAccuracy = options.AbsAccuracy;
        set.RelAccuracy = options.RelAccuracy;
        set.PhiFrom = Settings.PhiLower;
        set.PhiTo = Settings.PhiUpper;
        set.SymmetryFactor = Settings.Factor;
        // Set B holds its volumes scaled already.
        ScalePackedResults(*molecule, set.Results.data(), n, Settings.Factor);
        for (int j = 0; j < n; ++j)
            set.Results[static_cast<std::size_t>(j)] += sphere.Results[static_cast<std::size_t>(j)];
        set.Evaluations = sphere.Evaluations + g_nEvaluations;
        set.CPUTime = SecondsSince(start) + sphere.CPUTime;
        set.IncompleteCritPoints = incomplete;
        atom->m_ResultsA = std::move(set);
    } else {
        ShowBasinFailure(&quadrature);
    }
    ResultsChanged();
}

void CBasinJob::IntegrateRadial() {
    CAtom* atom = Settings.Atom;
    CMolecule* molecule = atom ? atom->GetMolecule() : nullptr;
    if (!molecule) return;
    g_nProgress = 0;

    const double phi0 = Settings.PhiLower * kRadians;
    double phi1 = Settings.PhiUpper * kRadians;
    const double theta0 = Settings.ThetaLower * kRadians;
    const double theta1 = Settings.ThetaUpper * kRadians;
    if (phi0 > phi1) phi1 += 2.0 * std::numbers::pi;
    // Membership is decided by reaching the atom's maximum.
    if (!atom->GetMaxPoint()) {
        zel::ShowMessageBox(kNoAttractor);
        return;
    }
    bool incomplete = false;
    if (!ConfirmCritPoints(*atom, incomplete)) return;

    // The surface search steps along each ray: a step that cannot advance
    // would test the same points for ever, and no step at all would take
    // every ray whole.
    const CIntegOptions& rayOptions = molecule->GetIntegOptions();
    if (!(rayOptions.RayStep >= MinimalRayStep(rayOptions.StopR))) {
        zel::ShowMessageBox(zel::Sprintf(kRayStepTooSmall, double(rayOptions.RayStep),
                                         double(rayOptions.StopR), MinimalRayStep(rayOptions.StopR)));
        return;
    }

    const Clock::time_point start = Clock::now();
    CFrameScope frame(*atom);
    g_nEvaluations = 0;
    const int n = SelectedBasinCount(*molecule);
    bool ok = false;
    std::unique_ptr<CBasinQuadrature> quadrature;
    CBasinResults set;
    if (Fits(atom->m_ResultsA, n)) {
        set = Scratch(atom->m_ResultsA, n);
        // Every atom's safe sphere decides membership, so all must be fresh.
        for (const auto& each : molecule->GetAtomList())
            each->ComputeNearestCritDistance();
        CCacheScope caches(*atom);
        quadrature = std::make_unique<CBasinQuadrature>(*atom, *molecule);
        ok = caches.Ok() &&
             quadrature->IntegrateBasinRadial(phi0, phi1, theta0, theta1, n, set.Results.data());
    }
    if (ok) {
        const CIntegOptions& options = molecule->GetIntegOptions();
        set.Method = -1.0;
        set.StopR = options.StopR;
        set.AbsAccuracy = options.AbsAccuracy;
        set.RelAccuracy = options.RelAccuracy;
        set.PhiFrom = Settings.PhiLower;
        set.PhiTo = Settings.PhiUpper;
        set.SymmetryFactor = Settings.Factor;
        ScalePackedResults(*molecule, set.Results.data(), n, Settings.Factor);
        set.Evaluations = g_nEvaluations;
        set.CPUTime = SecondsSince(start);
        set.IncompleteCritPoints = incomplete;
        atom->m_ResultsA = std::move(set);
    } else {
        ShowBasinFailure(quadrature.get());
    }
    ResultsChanged();
}

void RegisterBasinJobs() {
    zel::RegisterJobMethod(zel::kJobIntegrateBetaSphere, &CBasinJob::IntegrateBetaSphere);
    zel::RegisterJobMethod(zel::kJobIntegrateNatural, &CBasinJob::IntegrateNatural);
    zel::RegisterJobMethod(zel::kJobIntegrateRadial, &CBasinJob::IntegrateRadial);
}
