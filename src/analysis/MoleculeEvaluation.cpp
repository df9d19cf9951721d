// Evaluation of the current field at a point, the Newton iteration for critical
// points and the spherical coordinate conversions.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"

int CMolecule::Evaluate(CVector point, int level, const CAtom* atomA, const CAtom* atomB,
                        const CBondPoint* surface, CVector* normal, const CVector* direction) {
    m_LastPoint = point;
    // Without a wavefunction there is nothing to evaluate, and the property
    // array the request would write into does not exist.
    if (!m_Wavefunction.IsLoaded() || !m_Wavefunction.HasWorkingMemory()) return 0;

    const int magnitude = std::abs(level);
    CEvalRequest request;
    request.fieldIndex = m_nField;
    request.point = point;
    request.value = &m_dValue;
    if (magnitude > 1) request.gradient = &m_Gradient;
    if (magnitude > 2) {
        request.hessian = &m_Hessian;
        request.stress = &m_Stress;
        request.stressDivergence = &m_StressDiv;
    }
    if (level > 0) request.integrands = GetValues();
    request.atomA = atomA;
    request.atomB = atomB;
    request.surface = surface;
    request.normal = normal;
    request.direction = direction;

    const int result = m_Wavefunction.Evaluate(request);
    if (result && magnitude > 2) {
        // A tensor whose diagonalisation fails is left without eigen data.
        m_Hessian.Diagonalize();
        m_Stress.Diagonalize();
    }
    return result;
}

int CMolecule::EvaluateHessian(CVector point) {
    m_LastPoint = point;
    if (!m_Wavefunction.IsLoaded() || !m_Wavefunction.HasWorkingMemory()) return 0;
    CEvalRequest request;
    request.fieldIndex = m_nField;
    request.point = point;
    request.value = &m_dValue;
    request.gradient = &m_Gradient;
    request.hessian = &m_Hessian;
    const int result = m_Wavefunction.Evaluate(request);
    if (result) m_Hessian.Diagonalize();
    return result;
}

int CMolecule::NewtonIteration(const std::string& name, CVector start, zel::CTextRecord* log) {
    auto add = [log](std::string line) {
        if (log) log->Add(std::move(line));
    };
    auto iterationLine = [](int i) { return zel::Sprintf("      Iteration no %d:", i); };
    auto pointLine = [](const char* what, CVector p) {
        return zel::Sprintf("      %s point: x =%11.6lf,  y =%11.6lf,   z =%11.6lf", what, p.x, p.y, p.z);
    };
    auto distanceLine = [](CVector step, CVector gradient) {
        return zel::Sprintf("      Distance of last two iterations: %11.4le, Norm of Gradient: %11.4le.",
                            step.Length(), gradient.Length());
    };

    const double stepTolerance = m_CritOptions.StepTolerance;
    const double s2 = stepTolerance * stepTolerance;
    const double gradientTolerance = m_CritOptions.GradientTolerance;
    const double g2 = gradientTolerance * gradientTolerance;

    CVector p = start;
    add("Newton iteration for " + name + ":");
    add(pointLine("Starting", p));
    add("");

    if (!EvaluateHessian(p)) {
        m_strMessage = "Calculation of density function failed.";
        return 0;
    }

    CVector step;
    int i = 0;
    for (; i < m_CritOptions.MaxIterations.Current; ++i) {
        CVector x;
        if (!m_Hessian.Solve(m_Gradient, x)) {
            add(iterationLine(i + 1));
            add(pointLine("Stopped at", p));
            // Singular where the density is not negligible and the gradient
            // nearly vanishes: a degenerate critical point, left to the caller
            // to classify.
            if (std::fabs(m_dValue) > m_CritOptions.StepTolerance.Current &&
                m_Gradient * m_Gradient < 10.0 * g2) {
                add("      Found possibly degenerate critical point!");
                return 1;
            }
            add(zel::Sprintf("      Norm of Gradient: %11.4le.", m_Gradient.Length()));
            m_strMessage = "Singular Hessian Matrix in Newton iteration.";
            return 0;
        }
        step = m_CritOptions.StepFactor.Current * x;
        p = p - step;
        if (!EvaluateHessian(p)) {
            m_strMessage = "Calculation of density function failed.";
            return 0;
        }
        if (step * step < s2 && m_Gradient * m_Gradient < g2) {
            add(iterationLine(i + 1));
            add(pointLine("Found", p));
            add(distanceLine(step, m_Gradient));
            return 1;
        }
    }
    add(iterationLine(i));
    add(pointLine("Found", p));
    add(distanceLine(step, m_Gradient));
    m_strMessage = "Too many Newton iterations.";
    return 0;
}

CVector CMolecule::SphericalToCartesian(CVector rtp) {
    const double r = rtp.x, theta = rtp.y, phi = rtp.z;
    return {r * std::sin(theta) * std::cos(phi), r * std::sin(theta) * std::sin(phi), r * std::cos(theta)};
}

CVector CMolecule::CartesianToSpherical(CVector v) {
    const double r = v.Length();
    if (!(r > 0.0)) return {0.0, 0.0, 0.0};
    // Rounding can put |z| / r a hair above 1, where acos has no value.
    const double theta = std::acos(std::clamp(v.z / r, -1.0, 1.0));
    double phi = std::atan2(v.y, v.x);
    if (phi < 0.0) phi += 2.0 * std::numbers::pi;
    return {r, theta, phi};
}
