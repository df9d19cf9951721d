// The property analysis' snapshot of its point and the point record written
// from it.

#include <algorithm>
#include <memory>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"

namespace {

constexpr const char* kNoEigensystem = "Eigensystem calculation not successful";
constexpr int kOverlapFlag = 47;
constexpr int kOverlapColumns = 5;

// One property line: shown when any of its flags is on; values by property index.
struct SPropertyLine {
    const char* format;
    int first;
    int second; // -1: a line of one value
};

constexpr SPropertyLine kPropertyLines[] = {
    {"   Rho   %18.10le", 0, -1},
    {"   KEG   %18.10le", 2, -1},
    {"   KEK   %18.10le         EOA  %18.10le", 3, 5},
    {"   Lap   %18.10le", 1, -1},
    {"   I     %18.10le", 6, -1},
    {"   VNET  %18.10le   VNET(Cor)  %18.10le", 17, 18},
    {"   EHF   %18.10le", 19, -1},
    {"                              VREP(Cor)  %18.10le", 20, -1},
    {"                                V(Atom)  %18.10le", 21, -1},
    {"   VIR   %18.10le", 4, -1},
};

} // namespace

void CMolecule::TakePointSnapshot() {
    auto snapshot = std::make_unique<CPointSnapshot>();
    snapshot->Point = m_LastPoint;
    snapshot->Field = m_nField;
    snapshot->Value = m_dValue;
    snapshot->Gradient = m_Gradient;
    snapshot->Hessian = m_Hessian;
    snapshot->Values = m_pValues;
    snapshot->OrbitalCount = m_Wavefunction.m_nMOs;
    m_pPointSnapshot = std::move(snapshot);
}

int CMolecule::WritePointReport(zel::CTextRecord* lines) const {
    if (!lines) return 0;
    const std::size_t before = lines->Size();
    const CPointSnapshot* s = m_pPointSnapshot.get();
    if (!s) {
        lines->Add("No point has been analysed yet.");
        return 1;
    }

    lines->Add(
        zel::Sprintf("Coordinates of point: %10.6f %10.6f %10.6f", s->Point.x, s->Point.y, s->Point.z));
    lines->Add("Analyzed density function: " + GetPropertyName(s->Field));
    lines->Add(" ");
    lines->Add(zel::Sprintf("   Density value:  %17.8f", s->Value));
    lines->Add(" ");
    lines->Add(
        zel::Sprintf("   Gradient:       %17.8f %17.8f %17.8f", s->Gradient.x, s->Gradient.y, s->Gradient.z));
    lines->Add(" ");
    const CTensor& h = s->Hessian;
    lines->Add(zel::Sprintf("   Hessian matrix: %17.8f %17.8f %17.8f", h.xx, h.xy, h.xz));
    lines->Add(zel::Sprintf("                   %17.8f %17.8f %17.8f", h.xy, h.yy, h.yz));
    lines->Add(zel::Sprintf("                   %17.8f %17.8f %17.8f", h.xz, h.yz, h.zz));
    lines->Add(" ");
    if (h.HasEigenData()) {
        const CVector& l = *h.GetEigenvalues();
        const CMatrix& v = *h.GetEigenvectors();
        lines->Add(zel::Sprintf("   Eigenvalues of Hessian:%17.8f %17.8f %17.8f", l.x, l.y, l.z));
        const char* names[] = {
            "   First Eigenvector:     ", "   Second Eigenvector:    ", "   Third Eigenvector:     "};
        for (int k = 0; k < 3; ++k) {
            const CVector& e = v.Column(k);
            lines->Add(names[k] + zel::Sprintf("%17.8f %17.8f %17.8f", e.x, e.y, e.z));
        }
    } else {
        lines->Add(kNoEigensystem);
    }
    lines->Add(" ");
    lines->Add("Properties: ");

    const std::vector<double>& values = s->Values;
    auto value = [&values](int index) {
        return index >= 0 && static_cast<std::size_t>(index) < values.size()
                   ? values[static_cast<std::size_t>(index)]
                   : 0.0;
    };
    for (const SPropertyLine& p : kPropertyLines) {
        const bool shown =
            IsBasinPropertySelected(p.first) || (p.second >= 0 && IsBasinPropertySelected(p.second));
        if (!shown) continue;
        lines->Add(p.second < 0 ? zel::Sprintf(p.format, value(p.first))
                                : zel::Sprintf(p.format, value(p.first), value(p.second)));
    }
    lines->Add("   ");

    // The atomic overlap matrix: its lower triangle, row by row, in blocks of
    // five columns.
    const int n = s->OrbitalCount;
    if (IsBasinPropertySelected(kOverlapFlag) && n > 0 &&
        values.size() >=
            static_cast<std::size_t>(kBasinIntegrands) + static_cast<std::size_t>(n) * (n + 1) / 2) {
        lines->Add(zel::Sprintf("   Overlap matrix, number of orbitals: %d", n));
        for (int first = 0; first < n; first += kOverlapColumns) {
            const int last = std::min(first + kOverlapColumns, n) - 1;
            for (int i = first; i < n; ++i) {
                std::string line = "     ";
                for (int c = first; c <= std::min(i, last); ++c)
                    line += zel::Sprintf("%14.8lf", value(kBasinIntegrands + i * (i + 1) / 2 + c));
                lines->Add(std::move(line));
            }
            lines->Add("   ");
        }
    }
    return static_cast<int>(lines->Size() - before);
}
