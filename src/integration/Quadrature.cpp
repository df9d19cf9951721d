#include "integration/Quadrature.h"

#include <algorithm>
#include <exception>

#include "analysis/Molecule.h"
#include "analysis/PropertyTable.h"
#include "platform/core/Format.h"

void CLevelCache::Store(double t, const double* values, int n) {
    if (!m_data) return;
    std::copy(values, values + n, m_data + 1);
    m_data[0] = t;
}

void CLevelCache::Load(double* values, int n) const {
    std::copy(m_data + 1, m_data + 1 + n, values);
}

bool CLevelCache::Enter(double t, double* values, int n) const {
    if (Holds(t)) {
        Load(values, n);
        return true;
    }
    std::fill(values, values + n, 0.0);
    return false;
}

CQuadratureLevel::CQuadratureLevel(int n)
    : m_solver(n), m_zero(static_cast<std::size_t>(n), 0.0), m_absTol(static_cast<std::size_t>(n), 0.0) {}

void CQuadratureLevel::SetLimits(double maxStep, long maxSteps) {
    // Both calls only fail for negative input, which no level passes.
    (void)m_solver.SetMaxStep(maxStep > 0.0 ? maxStep : 0.0);
    (void)m_solver.SetMaxNumSteps(maxSteps > 0 ? maxSteps : 0);
}

bool CQuadratureLevel::Run(const COdeSolver::Rhs& rhs, double t0, double t1, double relTol, double absTol,
                           double* y) {
    using Status = COdeSolver::Status;
    m_nFlag = 0;
    m_dReached = t0;
    m_bSolverFailed = false;
    std::fill(y, y + Size(), 0.0);
    std::fill(m_absTol.begin(), m_absTol.end(), absTol);
    if (m_solver.Init(rhs, t0, m_zero.data(), relTol, m_absTol.data()) != Status::Success) return false;
    double t = t0;
    const Status status = m_solver.Solve(t1, t, y);
    m_nFlag = m_solver.LastFlag();
    m_dReached = t;
    m_bSolverFailed = status == Status::TooMuchWork || status == Status::Failed;
    return status == Status::Success;
}

std::string CQuadratureLevel::FailureReason() const {
    std::string reason = zel::Sprintf("the solver stopped, flag = %d", m_nFlag);
    const std::string& diagnostic = m_solver.LastMessage();
    if (!diagnostic.empty()) reason += " (" + diagnostic + ")";
    return reason;
}

CQuadratureLevel* EnsureLevel(std::unique_ptr<CQuadratureLevel>& level, int n) {
    if (level && level->Size() != n) level.reset();
    if (!level) {
        try {
            level = std::make_unique<CQuadratureLevel>(n);
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    return level.get();
}

double LevelTolerance(double tolerance, int depth) {
    for (int i = 0; i < depth; ++i)
        tolerance *= 0.1;
    return tolerance;
}

double MinimalRayStep(double stopR) {
    return std::max(stopR, 1.0) / 1e4;
}

int SelectedBasinCount(const CMolecule& molecule) {
    return molecule.GetSelectedValueCount(true);
}

int PackedPosition(const CMolecule& molecule, int property) {
    if (property < 0 || property >= kBasinIntegrands || !molecule.IsBasinPropertySelected(property))
        return -1;
    int position = 0;
    for (int i = 0; i < property; ++i)
        position += molecule.IsBasinPropertySelected(i) ? 1 : 0;
    return position;
}

void ScalePackedResults(const CMolecule& molecule, double* results, int n, double factor) {
    for (int j = 0; j < n; ++j)
        results[j] *= factor;
    // The volume integrands are 1e-12 inside their isosurface.
    for (int property : {38, 39}) {
        const int j = PackedPosition(molecule, property);
        if (j >= 0 && j < n) results[j] *= 1e12;
    }
}
