// Computing the envelope grid: the uphill path from a grid point to a
// nucleus, the point calculation, and the two grid jobs (12: calculate,
// 13: refine), which run on the worker.

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "integration/BasinQuadrature.h"
#include "integration/EnvelopJobs.h"
#include "numerics/OdeSolver.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"

namespace {

// The path advances at least this far (bohr) between two looks at the safe
// spheres, whatever the spheres and options say.
constexpr double kMinUphillStep = 1e-6;
// A path longer than this (bohr) has lost its way.
constexpr double kMaxPathLength = 1e4;
// Accuracy of the first attempt, and of the second, capped one.
constexpr double kAccuracy = 0.0001;
constexpr double kCappedAccuracy = 0.00001;
constexpr double kCapStep = 0.1;

// One solver per thread, made at its first use and restarted for each path.
COdeSolver* PathSolver() {
    thread_local std::unique_ptr<COdeSolver> solver;
    if (!solver) {
        try {
            solver = std::make_unique<COdeSolver>(3);
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return solver.get();
}

void SetProgress(int i, int j, int nx, int ny) {
    g_nProgress =
        static_cast<int>(100.0 * (static_cast<double>(i) * ny + j) / (static_cast<double>(nx) * ny) + 0.5);
}

// Whether a point with this density at this position takes part in the
// basin search (threshold and distance tests).
bool IsEligible(const CMolecule& molecule, CVector position, double density, double threshold,
                double maxDistance) {
    if (maxDistance <= 0.0 || threshold > density) return false;
    double d2 = 999999.0;
    for (const auto& atom : molecule.GetAtomList()) {
        const CVector d = atom->GetPosition() - position;
        d2 = std::min(d2, d * d);
    }
    return !(maxDistance * maxDistance < d2);
}

} // namespace

CMaxPoint* TracePathToNucleus(CMolecule& molecule, CVector position, double accuracy, int capStep,
                              bool* solverFailed) {
    if (solverFailed) *solverFailed = false;
    if (IsCancelRequested()) return nullptr;
    COdeSolver* solver = PathSolver();
    if (!solver) return nullptr;
    int searchFailed = 0;
    const COdeSolver::Rhs rhs = [&molecule, &searchFailed](double, const double* y, double* dydt) {
        return NucleusPathRhs(molecule, y, dydt, searchFailed);
    };
    double y[3] = {position.x, position.y, position.z};
    const double absTol[3] = {accuracy, accuracy, accuracy};
    using Status = COdeSolver::Status;
    if (solver->Init(rhs, 0.0, y, accuracy, absTol) != Status::Success) return nullptr;

    const double maxStep = molecule.GetIntegOptions().StopR.Current;
    double previous = 0.0;
    double t = 0.0, tout = 0.0;
    while (tout < kMaxPathLength) {
        const CVector x(y[0], y[1], y[2]);
        if (!molecule.Evaluate(x, -2)) return nullptr;
        const double value = molecule.GetLastValue();
        // No longer uphill: the path has passed a maximum that is no nucleus.
        if (value < previous) return nullptr;
        previous = value;
        double h = maxStep;
        for (const auto& atom : molecule.GetAtomList()) {
            const double safe = atom->GetNearestCritDistance();
            const double d = (atom->GetPosition() - x).Length();
            if (d < safe) return atom->GetMaxPoint();
            h = std::min(h, d - 0.5 * safe);
        }
        if (searchFailed) return nullptr;
        if (capStep && h > kCapStep) h = kCapStep;
        tout += std::max(h, kMinUphillStep);
        // Past tout the path could cross a nucleus, where its direction turns.
        (void)solver->SetStopTime(tout);
        const Status status = solver->Solve(tout, t, y);
        if (IsCancelRequested()) return nullptr;
        if (status != Status::Success) {
            if (solverFailed) *solverFailed = !searchFailed;
            return nullptr;
        }
    }
    return nullptr;
}

int CEnvPoint::Calculate(CMolecule& molecule, CVector position, int assign, double threshold,
                         double maxDistance) {
    m_Position = position;
    if (!molecule.Evaluate(position, 1)) return 0;
    const double* values = molecule.GetValues();
    if (!values) return 0;
    std::copy(values, values + kValues, m_dValues);
    m_pAtom = nullptr;
    if (!IsEligible(molecule, position, m_dValues[0], threshold, maxDistance) || !assign) return 1;
    // A path the solver cannot follow at the first accuracy (a point on a
    // symmetry plane runs into the bond point there) gets a second, slower
    // attempt; one that fails again belongs to no basin, and the grid goes on.
    CMaxPoint* maximum = TracePathToNucleus(molecule, position, kAccuracy, 0);
    if (!maximum) maximum = TracePathToNucleus(molecule, position, kCappedAccuracy, 1);
    m_pAtom = maximum ? maximum->GetAtom() : nullptr;
    return 1;
}

int CEnvelop::Calculate() {
    CMolecule* molecule = GetMolecule();
    if (!molecule) return 0;
    const int nx = m_n[0], ny = m_n[1], nz = m_n[2];
    std::unique_ptr<CEnvGrid> grid = NewGrid(nx, ny, nz);
    if (!grid) {
        FreeGrid();
        zel::ShowMessageBox(kNoMemory);
        return 0;
    }
    bool failed = false;
    for (int i = 0; i < nx && !failed; ++i) {
        for (int j = 0; j < ny && !failed; ++j) {
            SetProgress(i, j, nx, ny);
            for (int k = 0; k < nz; ++k) {
                const CVector position = m_Origin + CVector(i, j, k);
                if (!grid->At(i, j, k).Calculate(*molecule, position, 1, m_dThreshold, m_dMaxDistance) ||
                    IsCancelRequested()) {
                    failed = true;
                    break;
                }
            }
        }
    }
    if (failed) {
        g_bCancel = 0;
        zel::ShowMessageBox(kCalculationFailed);
        FreeGrid();
        return 0;
    }
    UpdateMap(*grid, molecule->GetFieldIndex(), molecule->GetEnvMapOptions());
    SwapIn(std::move(grid));
    return 1;
}

namespace {

struct SIndex {
    int i, j, k;
};

// The reference point and the three further old points around a new point of
// the refined grid, by the parity of its indices; false when the bounds of
// its row do not hold (the point is traced then).
bool SurroundingOldPoints(int i, int j, int k, int nx, int ny, int nz, SIndex out[4]) {
    const bool oi = i % 2, oj = j % 2, ok = k % 2;
    const bool inI = 1 < i && i < nx - 2, inJ = 1 < j && j < ny - 2, inK = 1 < k && k < nz - 2;
    if (!oi && !oj && ok) {
        if (!inI || !inJ) return false;
        out[0] = {i + 2, j, k + 1}, out[1] = {i - 2, j, k + 1}, out[2] = {i, j + 2, k - 1},
        out[3] = {i, j - 2, k - 1};
    } else if (!oi && oj && !ok) {
        if (!inI || !inK) return false;
        out[0] = {i + 2, j + 1, k}, out[1] = {i - 2, j + 1, k}, out[2] = {i, j - 1, k + 2},
        out[3] = {i, j - 1, k - 2};
    } else if (!oi && oj && ok) {
        if (!inI) return false;
        out[0] = {i, j + 1, k + 1}, out[1] = {i, j - 1, k + 1}, out[2] = {i - 2, j - 1, k - 1},
        out[3] = {i + 2, j - 1, k - 1};
    } else if (oi && !oj && !ok) {
        if (!inJ || !inK) return false;
        out[0] = {i + 1, j + 2, k}, out[1] = {i + 1, j - 2, k}, out[2] = {i - 1, j, k + 2},
        out[3] = {i - 1, j, k - 2};
    } else if (oi && !oj && ok) {
        if (!inJ) return false;
        out[0] = {i + 1, j, k + 1}, out[1] = {i - 1, j, k + 1}, out[2] = {i - 1, j - 2, k - 1},
        out[3] = {i - 1, j + 2, k - 1};
    } else if (oi && oj && !ok) {
        if (!inK) return false;
        out[0] = {i + 1, j + 1, k}, out[1] = {i + 1, j - 1, k}, out[2] = {i - 1, j - 1, k - 2},
        out[3] = {i - 1, j - 1, k + 2};
    } else if (oi && oj && ok) {
        out[0] = {i + 1, j + 1, k + 1}, out[1] = {i - 1, j + 1, k - 1}, out[2] = {i + 1, j - 1, k - 1},
        out[3] = {i - 1, j - 1, k + 1};
    } else {
        return false; // an old point
    }
    return true;
}

// Whether the old points at the corners of the cell, face or edge of the old
// grid that holds the new point (i, j, k) all have the atom: the four points
// of the table alone may lie off to one side of it, across a basin boundary
// that passes between them and the new point.
bool EnclosingOldPointsHave(const CEnvGrid& grid, int i, int j, int k, const CAtom* atom) {
    const int di = i % 2, dj = j % 2, dk = k % 2;
    for (int a = -di; a <= di; a += 2)
        for (int b = -dj; b <= dj; b += 2)
            for (int c = -dk; c <= dk; c += 2)
                if (grid.At(i + a, j + b, k + c).GetAtom() != atom) return false;
    return true;
}

} // namespace

int CEnvelop::Refine() {
    CMolecule* molecule = GetMolecule();
    if (!m_pGrid || !molecule) return 0;
    // The old grid stays shared with whoever draws it; only its copy changes.
    const std::shared_ptr<const CEnvGrid> old = m_pGrid;
    const int ox = old->GetCount(0), oy = old->GetCount(1), oz = old->GetCount(2);
    // An axis of one point has no mesh to halve.
    if (ox < 2 || oy < 2 || oz < 2) {
        zel::ShowMessageBox(kRefineFailed);
        return 0;
    }
    const long long counts[3] = {2LL * ox - 1, 2LL * oy - 1, 2LL * oz - 1};
    std::unique_ptr<CEnvGrid> grid;
    if (counts[0] <= INT_MAX && counts[1] <= INT_MAX && counts[2] <= INT_MAX)
        grid = NewGrid(static_cast<int>(counts[0]), static_cast<int>(counts[1]), static_cast<int>(counts[2]),
                       old->Size() * sizeof(CEnvPoint));
    if (!grid) {
        zel::ShowMessageBox(kNoMemory);
        return 0;
    }
    const int nx = grid->GetCount(0), ny = grid->GetCount(1), nz = grid->GetCount(2);
    for (int i = 0; i < ox; ++i)
        for (int j = 0; j < oy; ++j)
            for (int k = 0; k < oz; ++k)
                grid->At(2 * i, 2 * j, 2 * k).CopyFrom(old->At(i, j, k));
    const double h = (old->At(1, 0, 0).GetPosition().x - old->At(0, 0, 0).GetPosition().x) / 2.0;

    bool failed = false;
    for (int i = 0; i < nx && !failed; ++i) {
        for (int j = 0; j < ny && !failed; ++j) {
            SetProgress(i, j, nx, ny);
            for (int k = 0; k < nz && !failed; ++k) {
                if (i % 2 == 0 && j % 2 == 0 && k % 2 == 0) continue; // an old point
                CEnvPoint& point = grid->At(i, j, k);
                if (point.GetAtom()) continue;
                const CVector position = m_Origin + h * CVector(i, j, k);
                SIndex around[4];
                bool same = SurroundingOldPoints(i, j, k, nx, ny, nz, around);
                CAtom* atom = same ? grid->At(around[0].i, around[0].j, around[0].k).GetAtom() : nullptr;
                for (int n = 1; same && n < 4; ++n)
                    same = grid->At(around[n].i, around[n].j, around[n].k).GetAtom() == atom;
                same = same && EnclosingOldPointsHave(*grid, i, j, k, atom);
                int ok = 0;
                if (same) {
                    ok = point.Calculate(*molecule, position, 0, m_dThreshold, m_dMaxDistance);
                    // The basin of its neighbours, where a trace would look for one.
                    if (ok &&
                        IsEligible(*molecule, position, point.GetValue(0), m_dThreshold, m_dMaxDistance))
                        point.SetAtom(atom);
                } else {
                    ok = point.Calculate(*molecule, position, 1, m_dThreshold, m_dMaxDistance);
                }
                if (!ok || IsCancelRequested()) failed = true;
            }
        }
    }
    if (failed) {
        zel::ShowMessageBox(kRefineFailed);
        g_bCancel = 0;
        return 0;
    }
    UpdateMap(*grid, molecule->GetFieldIndex(), molecule->GetEnvMapOptions());
    SwapIn(std::move(grid));
    return 1;
}

void RegisterEnvelopeJobs() {
    zel::RegisterJobBody(zel::kJobEnvelopeCalculate,
                         [](void* envelope) { static_cast<CEnvelop*>(envelope)->Calculate(); });
    zel::RegisterJobBody(zel::kJobEnvelopeRefine,
                         [](void* envelope) { static_cast<CEnvelop*>(envelope)->Refine(); });
}
