// Text records of the critical points, of a bond point's interatomic surface
// and of all critical points of the current field.

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/TextRecord.h"

namespace {

constexpr const char* kIndent = "      ";
constexpr const char* kNoSurfaceResults = "Surface integration results not yet available!";
constexpr int kSurfaceResults = static_cast<int>(CSurfaceRecord::kResults);
constexpr int kSurfacePropertyBase = 100;

std::string Triple(double a, double b, double c) {
    return zel::Sprintf("          %16.8le %16.8le %16.8le", a, b, c);
}

// Line k holds component k of the three eigenvectors: each column is one.
void AddEigenvectors(zel::CTextRecord& lines, const CMatrix& v) {
    const CVector& e1 = v.Column(0);
    const CVector& e2 = v.Column(1);
    const CVector& e3 = v.Column(2);
    lines.Add(Triple(e1.x, e2.x, e3.x));
    lines.Add(Triple(e1.y, e2.y, e3.y));
    lines.Add(Triple(e1.z, e2.z, e3.z));
}

// lambda1 / lambda2 - 1. A zero second eigenvalue has no finite ratio (0/0
// included): it is always reported as infinite rather than as whatever sign
// or nan the division happens to give.
double Ellipticity(double lambda1, double lambda2) {
    if (lambda2 == 0.0) return std::numeric_limits<double>::infinity();
    return lambda1 / lambda2 - 1.0;
}

int WritePoint(const CCritPoint& point, const char* kind, zel::CTextRecord& lines, const CAtom* atom) {
    const std::size_t before = lines.Size();
    const CMolecule* molecule = point.GetMolecule();
    const std::string field = molecule ? molecule->GetPropertyName(point.GetFieldIndex()) : std::string();
    lines.Add(std::string(kind) + " critical point of " + field + ": ");
    if (atom) lines.Add(std::string(kIndent) + "Corresponding atom: " + atom->GetLabel());
    point.CCritPoint::WriteReport(lines);
    lines.Add(" ");
    return static_cast<int>(lines.Size() - before);
}

// The surface results by property index: the selected properties take the
// packed results in order, the others 0.
std::vector<double> UnpackSurfaceResults(const CMolecule& molecule, const CSurfaceRecord& record) {
    std::vector<double> v(kSurfaceResults, 0.0);
    std::size_t next = 0;
    for (int i = 0; i < kSurfaceResults; ++i) {
        if (!molecule.IsSurfacePropertySelected(i)) continue;
        v[static_cast<std::size_t>(i)] = next < record.Results.size() ? record.Results[next] : 0.0;
        ++next;
    }
    return v;
}

// The settings lines of the surface record, without their indent.
std::vector<std::string> SurfaceSettings(const CSurfaceRecord& s) {
    return {
        "Properties integrated over interatomic surface",
        "Circle radius around bond critical point: " + zel::Sprintf("%lf", s.CircleRadius),
        "Natural coordinate integration along gradient paths till s = " + zel::Sprintf("%1.0lf", s.StopS),
        "Used absolute tolerance per integration step: " + zel::Sprintf("%le", s.AbsAccuracy),
        "Used relative tolerance per integration step: " + zel::Sprintf("%le", s.RelAccuracy),
        "Integration borders in Phi-coordinate: " + zel::Sprintf("%lf  to  %lf", s.PhiFrom, s.PhiTo),
        "Used symmetry factor: " + zel::Sprintf("%lf", s.SymmetryFactor),
        "Number of wavefunction evaluations needed: " + zel::Sprintf("%d", s.Evaluations),
    };
}

} // namespace

int CCritPoint::WriteReport(zel::CTextRecord& lines) const {
    if (!m_pMolecule) return 0;
    CMolecule& molecule = *m_pMolecule;
    const std::size_t before = lines.Size();
    const std::string name = molecule.GetPropertyName(-1);
    const CVector& p = m_Position;

    lines.Add(" ");
    lines.Add(zel::Sprintf("      Coordinates:(%12.8lf, %12.8lf, %12.8lf)", p.x, p.y, p.z));
    lines.Add(" ");
    lines.Add("      Vectors and Distances from Nuclei to Critical Point");
    lines.Add("      Nucleus       X             Y             Z            Dist");
    lines.Add(" ");
    if (const CAtomData* nuclei = molecule.GetWavefunction()->m_pAtomData.get()) {
        for (std::size_t i = 0; i < nuclei->m_pPositions.size(); ++i) {
            const CVector d = p - nuclei->m_pPositions[i];
            const std::string label = i < nuclei->m_labels.size() ? nuclei->m_labels[i] : std::string();
            lines.Add(zel::Sprintf("      %s  %12.8lf  %12.8lf  %12.8lf  %12.8lf", label.c_str(), d.x, d.y, d.z,
                                   std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z)));
        }
    }
    lines.Add(" ");

    // Without the eigen-systems the rest has nothing to show: it ends here as
    // for a failed evaluation.
    const bool field0 = molecule.GetFieldIndex() == 0;
    if (!molecule.Evaluate(p, 3)) return static_cast<int>(lines.Size() - before);
    const CTensor hessian = molecule.GetHessianEigen();
    const CTensor stress = molecule.GetStressEigen();
    if (!hessian.HasEigenData() || (field0 && !stress.HasEigenData()))
        return static_cast<int>(lines.Size() - before);

    const CVector& l = *hessian.GetEigenvalues();
    lines.Add("      Eigenvalues of the Hessian of " + name + ":");
    lines.Add(Triple(l.x, l.y, l.z));
    lines.Add(" ");
    lines.Add(zel::Sprintf("      Ellipticity:   %16.8le", Ellipticity(l.x, l.y)));
    lines.Add(" ");
    lines.Add("      Eigenvectors of Hessian matrix:");
    AddEigenvectors(lines, *hessian.GetEigenvectors());
    lines.Add(" ");

    if (field0) {
        const CVector& s = *stress.GetEigenvalues();
        const CVector div = molecule.GetStressDivergence();
        lines.Add("      Eigenvalues of the Stress Tensor of " + name + ":");
        lines.Add(Triple(s.x, s.y, s.z));
        lines.Add(" ");
        lines.Add(zel::Sprintf("      Trace of the Stress Tensor:   %16.8le", s.x + s.y + s.z));
        lines.Add(" ");
        lines.Add("      Eigenvectors of Stress Tensor:");
        AddEigenvectors(lines, *stress.GetEigenvectors());
        lines.Add(" ");
        lines.Add("      Components of the Divergence of the Stress Tensor:");
        lines.Add(Triple(div.x, div.y, div.z));
        lines.Add(" ");
        lines.Add(zel::Sprintf("      Magnitude of the Divergence of the Stress Tensor:   %16.8le",
                               std::sqrt(div.x * div.x + div.y * div.y + div.z * div.z)));
        lines.Add(" ");
    }

    const double* values = molecule.GetValues();
    const int count = molecule.GetPropertyCount();
    auto value = [values, count](int i) { return values && i < count ? values[i] : 0.0; };
    const CVector g = molecule.GetGradient();
    const std::string f = field0 ? std::string("Rho(r)") : name;

    lines.Add("      VALUES");
    lines.Add(" ");
    lines.Add(zel::Sprintf("      Rho(r)                %16.8le", value(0)));
    lines.Add("      |GRAD(" + f + ")|        " +
              zel::Sprintf("%16.8le", std::sqrt(g.x * g.x + g.y * g.y + g.z * g.z)));
    lines.Add("      GRAD(" + f + ") x        " + zel::Sprintf("%16.8le", g.x));
    lines.Add("      GRAD(" + f + ") y        " + zel::Sprintf("%16.8le", g.y));
    lines.Add("      GRAD(" + f + ") z        " + zel::Sprintf("%16.8le", g.z));
    lines.Add(zel::Sprintf("      (-1/4)Del**2(Rho(r))  %16.8le", value(1)));
    lines.Add(zel::Sprintf("      G(r)                  %16.8le", value(2)));
    lines.Add(zel::Sprintf("      K(r)                  %16.8le", value(3)));
    lines.Add(zel::Sprintf("      L(r)                  %16.8le", value(3) - value(2)));
    lines.Add(zel::Sprintf("      V(r)                  %16.8le", value(4)));
    return static_cast<int>(lines.Size() - before);
}

int CMaxPoint::WriteReport(zel::CTextRecord& lines) const {
    return WritePoint(*this, "(3, -3)", lines, m_pAtom);
}

int CBondPoint::WriteReport(zel::CTextRecord& lines) const {
    return WritePoint(*this, "(3, -1)", lines, nullptr);
}

int CRingPoint::WriteReport(zel::CTextRecord& lines) const {
    return WritePoint(*this, "(3, +1)", lines, nullptr);
}

int CCagePoint::WriteReport(zel::CTextRecord& lines) const {
    return WritePoint(*this, "(3, +3)", lines, nullptr);
}

int CBondPoint::WriteSurfaceReport(zel::CTextRecord& lines) const {
    if (!m_pMolecule) return 0;
    const CMolecule& molecule = *m_pMolecule;

    // The atoms at the upper ends of the first two field-0 bond paths, in the
    // order a reopened document has them: the surface results of atom A
    // stay those of the same atom.
    const CAtom* atoms[2] = {nullptr, nullptr};
    int found = 0;
    for (const CGradPath* path : molecule.OrderedPathList(*this, true)) {
        if (found == 2) break;
        if (!path || path->GetFieldIndex() != 0 || !path->GetEndPoint()) continue;
        const CCritPoint* end = path->GetEndPoint();
        atoms[found++] = end->GetType() == -3 ? static_cast<const CMaxPoint*>(end)->GetAtom() : nullptr;
    }
    if (!atoms[0] || !atoms[1]) return 0;
    const std::string a = atoms[0]->GetLabel();
    const std::string b = atoms[1]->GetLabel();

    const std::size_t before = lines.Size();
    lines.Add("Results for interatomic surface between " + a + " and " + b);
    lines.Add(" ");
    if (!(m_Surface.CircleRadius > 0.0)) {
        lines.Add(kNoSurfaceResults);
        lines.Add(" ");
        return static_cast<int>(lines.Size() - before);
    }

    // The settings; unlike the dialog list, the record leaves out the CPU time.
    for (const std::string& setting : SurfaceSettings(m_Surface))
        lines.Add(kIndent + setting);
    lines.Add(" ");
    lines.Add("      Integration results and integrated functions:");

    const std::vector<double> v = UnpackSurfaceResults(molecule, m_Surface);
    auto on = [&molecule](int i) { return molecule.IsSurfacePropertySelected(i) != 0; };
    auto at = [&v](int i) { return v[static_cast<std::size_t>(i)]; };
    auto line = [&](int i, const char* format) {
        if (on(i)) lines.Add(zel::Sprintf(format, at(i)));
    };

    line(24, "      Total surface area integrated (0.001 au)              %10.6lf");
    line(0, "      RHO, Electron density                                 %10.6lf");
    line(1, "      KEG, Lagrangian kinetic energy                        %10.6lf");
    line(2, "      KEK, Hamiltonian kinetic energy                       %10.6lf");
    line(3, "      L,   Laplacian                                        %10.6lf");
    line(4, "      GRN, Gradient of Rho * surface normal                 %10.6lf");
    lines.Add("      ");

    auto block = [&](const std::string& heading, int first) {
        if (!on(first) && !on(first + 1) && !on(first + 2) && !on(first + 3)) return;
        lines.Add(heading);
        line(first, "      n = -1        %18.6lf");
        line(first + 1, "      n =  0        %18.6lf");
        line(first + 2, "      n =  1        %18.6lf");
        line(first + 3, "      n =  2        %18.6lf");
        lines.Add("      ");
    };
    block("      Hypervirial Gradient Function, Atom: " + a, 5);
    block("      Hypervirial Gradient Function, Atom: " + b, 9);
    block("      Hypervirial Gradient Function, Total", 13);

    if (on(17))
        lines.Add(zel::Sprintf("      Virial of force exerted on surface of %s          %10.6lf", a.c_str(), at(17)));
    if (on(18))
        lines.Add(zel::Sprintf("      Virial of force exerted on surface of %s          %10.6lf", b.c_str(), at(18)));
    line(19, "      Total virial of force exerted on surface              %10.6lf");
    lines.Add("      ");

    if (on(20) || on(21) || on(22)) {
        lines.Add(zel::Sprintf("      Total force exerted on electrons of atom %s", a.c_str()));
        lines.Add(zel::Sprintf("            (%8.6lf, %8.6lf, %8.6lf)", at(20), at(21), at(22)));
        lines.Add("      ");
    }
    if (on(23))
        lines.Add(zel::Sprintf("      Gradient of force exerted on electrons of atom %s %10.6lf", a.c_str(), at(23)));
    lines.Add(" ");
    return static_cast<int>(lines.Size() - before);
}

void CBondPoint::ShowSurfaceResults(std::vector<std::string>& items) const {
    items.clear();
    if (!(m_Surface.CircleRadius > 0.0)) {
        items.emplace_back(kNoSurfaceResults);
        return;
    }
    items = SurfaceSettings(m_Surface);
    items.push_back("CPU time needed for integration (machine dependent): " +
                    zel::Sprintf("%0.1lf seconds", m_Surface.CPUTime));
    items.emplace_back(" ");
    items.emplace_back("Integration results and integrated functions:");
    if (m_pMolecule) {
        std::size_t next = 0;
        for (int i = 0; i < kSurfaceResults; ++i) {
            if (!m_pMolecule->IsSurfacePropertySelected(i)) continue;
            const double r = next < m_Surface.Results.size() ? m_Surface.Results[next] : 0.0;
            ++next;
            items.push_back(kIndent + zel::Sprintf("%18.6lf", r) + "   (" +
                            m_pMolecule->GetPropertyName(kSurfacePropertyBase + i) + ")");
        }
    }
    items.emplace_back(" ");
}

int CMolecule::WriteCritPointRecord(zel::CTextRecord* lines) {
    if (!lines) return 0;
    int count = 0;
    for (int signature : {-3, -1, 1, 3}) {
        for (const std::unique_ptr<CCritPoint>& point : *GetList(signature)) {
            if (point && point->GetFieldIndex() == m_nField) count += point->WriteReport(*lines);
        }
    }
    return count;
}
