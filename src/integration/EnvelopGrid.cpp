// Computing the envelope grid: the uphill path from a grid point to a
// nucleus, the point calculation, and the two grid jobs (12: calculate,
// 13: refine), which run on the worker. The jobs spread their points over
// the cores, each thread with an evaluator and a solver of its own; a point
// computes the same there as through the molecule on one thread.

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

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
#include "wavefunction/Evaluator.h"

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

// How a point and its path reach the field: through the molecule (its one
// evaluation, on one thread) or through an evaluator of the thread's own.
// Both evaluate the molecule's current field with the same requests.
class CEnvFieldProbe {
public:
    explicit CEnvFieldProbe(CMolecule& molecule) : m_molecule(molecule) {}
    CEnvFieldProbe(CMolecule& molecule, CEvaluator& evaluator)
        : m_molecule(molecule), m_pEvaluator(&evaluator) {}

    CMolecule& Molecule() const { return m_molecule; }

    // Value and gradient of the current field; false when the evaluation failed.
    bool ValueGradient(CVector point, double& value, CVector& gradient) {
        if (!m_pEvaluator) {
            if (!m_molecule.Evaluate(point, -2)) return false;
            value = m_molecule.GetLastValue();
            gradient = m_molecule.GetGradient();
            return true;
        }
        CEvalRequest request;
        request.fieldIndex = m_molecule.GetFieldIndex();
        request.point = point;
        request.value = &value;
        request.gradient = &gradient;
        return m_pEvaluator->Evaluate(request) != 0;
    }

    // The five field values (the front of the property array).
    bool FieldValues(CVector point, double* out) {
        const double* values = nullptr;
        if (!m_pEvaluator) {
            if (!m_molecule.Evaluate(point, 1)) return false;
            values = m_molecule.GetValues();
        } else {
            thread_local std::vector<double> integrands;
            const int count = m_molecule.GetPropertyCount();
            if (count < CEnvPoint::kValues) return false;
            integrands.resize(static_cast<std::size_t>(count));
            double value = 0.0;
            CEvalRequest request;
            request.fieldIndex = m_molecule.GetFieldIndex();
            request.point = point;
            request.value = &value;
            request.integrands = integrands.data();
            if (!m_pEvaluator->Evaluate(request)) return false;
            values = integrands.data();
        }
        if (!values) return false;
        std::copy(values, values + CEnvPoint::kValues, out);
        return true;
    }

    // The uphill right-hand side: the unit gradient (NucleusPathRhs).
    int PathRhs(const double* y, double* dydt, int& searchFailed) {
        if (!m_pEvaluator) return NucleusPathRhs(m_molecule, y, dydt, searchFailed);
        double value = 0.0;
        CVector g;
        const bool evaluated = ValueGradient(CVector(y[0], y[1], y[2]), value, g);
        return UnitGradientRhs(evaluated ? &g : nullptr, y, dydt, searchFailed);
    }

private:
    CMolecule& m_molecule;
    CEvaluator* m_pEvaluator = nullptr;
};

namespace {

CMaxPoint* TracePath(CEnvFieldProbe& probe, CVector position, double accuracy, int capStep,
                     bool* solverFailed) {
    if (solverFailed) *solverFailed = false;
    if (IsCancelRequested()) return nullptr;
    COdeSolver* solver = PathSolver();
    if (!solver) return nullptr;
    CMolecule& molecule = probe.Molecule();
    int searchFailed = 0;
    const COdeSolver::Rhs rhs = [&probe, &searchFailed](double, const double* y, double* dydt) {
        return probe.PathRhs(y, dydt, searchFailed);
    };
    double y[3] = {position.x, position.y, position.z};
    const double absTol[3] = {accuracy, accuracy, accuracy};
    using Status = COdeSolver::Status;
    if (solver->Init(rhs, 0.0, y, accuracy, absTol) != Status::Success) return nullptr;

    // The option bounds the step only when it is a length: at 0 (which its
    // dialog accepts) every step would be the least one, some million solver
    // calls for a path of a few bohr; the nuclei still bound the step then.
    const double option = molecule.GetIntegOptions().StopR.Current;
    const double maxStep = option > 0.0 && std::isfinite(option) ? option : kMaxPathLength;
    double previous = 0.0;
    double t = 0.0, tout = 0.0;
    while (tout < kMaxPathLength) {
        const CVector x(y[0], y[1], y[2]);
        double value = 0.0;
        CVector gradient;
        if (!probe.ValueGradient(x, value, gradient)) return nullptr;
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

} // namespace

CMaxPoint* TracePathToNucleus(CMolecule& molecule, CVector position, double accuracy, int capStep,
                              bool* solverFailed) {
    CEnvFieldProbe probe(molecule);
    return TracePath(probe, position, accuracy, capStep, solverFailed);
}

int CEnvPoint::Calculate(CMolecule& molecule, CVector position, int assign, double threshold,
                         double maxDistance) {
    CEnvFieldProbe probe(molecule);
    return Calculate(probe, position, assign, threshold, maxDistance);
}

int CEnvPoint::Calculate(CEnvFieldProbe& probe, CVector position, int assign, double threshold,
                         double maxDistance) {
    m_Position = position;
    if (!probe.FieldValues(position, m_dValues)) return 0;
    m_pAtom = nullptr;
    if (!IsEligible(probe.Molecule(), position, m_dValues[0], threshold, maxDistance) || !assign) return 1;
    // A path the solver cannot follow at the first accuracy (a point on a
    // symmetry plane runs into the bond point there) gets a second, slower
    // attempt; one that fails again belongs to no basin, and the grid goes on.
    CMaxPoint* maximum = TracePath(probe, position, kAccuracy, 0, nullptr);
    if (!maximum) maximum = TracePath(probe, position, kCappedAccuracy, 1, nullptr);
    m_pAtom = maximum ? maximum->GetAtom() : nullptr;
    return 1;
}

namespace {

// Runs body(point index, probe) for every index of the grid on every core.
// False when a point failed (body returned false), the user cancelled, or
// the wavefunction cannot be evaluated; progress goes by points done.
template <class Body> bool ForEachGridPoint(CMolecule& molecule, std::size_t count, Body body) {
    if (count > static_cast<std::size_t>(INT_MAX)) return false;
    const int n = static_cast<int>(count);
    std::atomic<bool> failed{false};
    std::atomic<int> done{0};
    bool ran = false;
    try {
        ran = zel::ForEachPoint(*molecule.GetWavefunction(), n, [&](int index, CEvaluator& evaluator) {
            if (failed.load(std::memory_order_relaxed)) return;
            CEnvFieldProbe probe(molecule, evaluator);
            if (!body(index, probe)) failed = true;
            const int finished = done.fetch_add(1, std::memory_order_relaxed) + 1;
            g_nProgress = static_cast<int>(100.0 * finished / n);
        });
    } catch (const std::exception&) {
        return false;
    }
    return ran && !failed && !IsCancelRequested();
}

} // namespace

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
    const bool ok = ForEachGridPoint(*molecule, grid->Size(), [&](int index, CEnvFieldProbe& probe) {
        const int k = index % nz, j = (index / nz) % ny, i = index / nz / ny;
        return grid->At(i, j, k).Calculate(probe, m_Origin + CVector(i, j, k), 1, m_dThreshold,
                                           m_dMaxDistance) != 0;
    });
    if (!ok) {
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

    // A new point reads only old points (even indices), which no other new
    // point writes: the points are independent.
    const bool ok = ForEachGridPoint(*molecule, grid->Size(), [&](int index, CEnvFieldProbe& probe) {
        const int k = index % nz, j = (index / nz) % ny, i = index / nz / ny;
        if (i % 2 == 0 && j % 2 == 0 && k % 2 == 0) return true; // an old point
        CEnvPoint& point = grid->At(i, j, k);
        if (point.GetAtom()) return true;
        const CVector position = m_Origin + h * CVector(i, j, k);
        SIndex around[4];
        bool same = SurroundingOldPoints(i, j, k, nx, ny, nz, around);
        CAtom* atom = same ? grid->At(around[0].i, around[0].j, around[0].k).GetAtom() : nullptr;
        for (int n = 1; same && n < 4; ++n)
            same = grid->At(around[n].i, around[n].j, around[n].k).GetAtom() == atom;
        same = same && EnclosingOldPointsHave(*grid, i, j, k, atom);
        if (!same) return point.Calculate(probe, position, 1, m_dThreshold, m_dMaxDistance) != 0;
        if (!point.Calculate(probe, position, 0, m_dThreshold, m_dMaxDistance)) return false;
        // The basin of its neighbours, where a trace would look for one.
        if (IsEligible(*molecule, position, point.GetValue(0), m_dThreshold, m_dMaxDistance))
            point.SetAtom(atom);
        return true;
    });
    if (!ok) {
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
