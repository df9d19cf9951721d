// The atom's basin-integration results as the integration dialog lists them
// and as the atom's text record.
//
// Stored results are packed by the molecule's basin selection: the selected
// properties 0 to 46 in index order, then, with the overlap selected, the
// lower triangle of the atomic overlap matrix row by row, S(0,0), S(1,0),
// S(1,1), S(2,0), ...

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "analysis/PropertyTable.h"
#include "numerics/Tensor.h"
#include "platform/core/Format.h"

namespace {

constexpr int kOverlapFlag = kBasinIntegrands; // 47: the whole overlap matrix
constexpr char kNotYetAvailable[] = "Integration results not yet available!";
// Records are UTF-8 text.
constexpr char kDegree[] = "\xC2\xB0";
// The angle conversion the records have always used.
constexpr double kPi = 3.141593;

// The selection the stored results were packed by; all on without a molecule,
// as a new molecule has it.
struct SSelection {
    int Flags[kBasinProperties];
    int Orbitals = 0; // n

    explicit SSelection(const CMolecule* molecule) {
        for (int i = 0; i < kBasinProperties; ++i)
            Flags[i] = molecule ? molecule->IsBasinPropertySelected(i) : 1;
        if (molecule) Orbitals = std::max(molecule->GetWavefunction()->m_nMOs, 0);
        if (BasinPropertyCount(static_cast<long long>(Orbitals)) < 0) Orbitals = 0;
    }
    bool On(int i) const { return Flags[i] != 0; }
    // Where the overlap block starts in the packed results.
    int OverlapStart() const {
        int count = 0;
        for (int i = 0; i < kBasinIntegrands; ++i)
            count += On(i) ? 1 : 0;
        return count;
    }
};

// Packed entry j, or 0 past the stored array.
double Packed(const CBasinResults& set, std::size_t j) {
    return j < set.Results.size() ? set.Results[j] : 0.0;
}

std::size_t Triangle(int row, int column) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(row + 1) / 2 +
           static_cast<std::size_t>(column);
}

// The lower triangle in column blocks: for each block, one line per row that
// holds a column of the block (prefix, then "%12.6lf" per entry), and "   "
// after the block. S(row, column) for column <= row.
template <class Entry>
void AddOverlapBlocks(std::vector<std::string>& out, int n, int columns, const char* prefix, Entry S) {
    for (int first = 0; first < n; first += columns) {
        for (int row = first; row < n; ++row) {
            std::string line = prefix;
            for (int column = first; column <= row && column < first + columns; ++column)
                line += zel::Sprintf("%12.6lf", S(row, column));
            out.push_back(std::move(line));
        }
        out.push_back("   ");
    }
}

// Step 2 to 4 of a set in the result list: the property lines and the
// overlap matrix.
void AddListedResults(std::vector<std::string>& items, const CBasinResults& set, const SSelection& selection,
                      const CMolecule* molecule) {
    std::size_t j = 0;
    for (int i = 0; i < kBasinIntegrands; ++i) {
        if (!selection.On(i)) continue;
        const std::string name = molecule ? molecule->GetPropertyName(i) : PropertyName(i);
        items.push_back("      " + zel::Sprintf("%18.6lf", Packed(set, j++)) + "   (" + name + ")");
    }
    if (!selection.On(kOverlapFlag)) return;
    items.push_back(" ");
    items.push_back(std::string("      ") + PropertyName(kOverlapFlag) + ":");
    AddOverlapBlocks(items, selection.Orbitals, 9, "      ",
                     [&](int row, int column) { return Packed(set, j + Triangle(row, column)); });
}

void AddSettings(std::vector<std::string>& items, const CBasinResults& set) {
    items.push_back(zel::Sprintf("Used absolute tolerance per integration step: %le", set.AbsAccuracy));
    items.push_back(zel::Sprintf("Used relative tolerance per integration step: %le", set.RelAccuracy));
    items.push_back(
        zel::Sprintf("Integration borders in Phi-coordinate: %lf  to  %lf", set.PhiFrom, set.PhiTo));
    items.push_back(zel::Sprintf("Used symmetry factor: %lf", set.SymmetryFactor));
    items.push_back(zel::Sprintf("Number of wavefunction evaluations needed: %d", set.Evaluations));
}

// Set A expanded to property order: entry i (0 to 46) property i or 0, the
// overlap S(row, column) at 47 + row(row+1)/2 + column.
std::vector<double> Unpack(const CBasinResults& set, const SSelection& selection) {
    const int n = selection.Orbitals;
    std::vector<double> u(static_cast<std::size_t>(kBasinIntegrands) + Triangle(n, 0) + (n > 0 ? 0 : 1), 0.0);
    std::size_t j = 0;
    for (int i = 0; i < kBasinIntegrands; ++i)
        if (selection.On(i)) u[static_cast<std::size_t>(i)] = Packed(set, j++);
    if (selection.On(kOverlapFlag))
        for (std::size_t k = 0; k < Triangle(n, 0); ++k)
            u[kBasinIntegrands + k] = Packed(set, j + k);
    return u;
}

double Overlap(const std::vector<double>& u, int row, int column) {
    if (column > row) std::swap(row, column);
    return u[kBasinIntegrands + Triangle(row, column)];
}

// The angle at `at` between the directions to p and q (degrees); none when
// either direction has no length.
std::optional<double> Angle(CVector at, CVector p, CVector q) {
    const CVector a = p - at;
    const CVector b = q - at;
    const double norms = std::sqrt((b * b) * (a * a));
    if (!(norms > 0.0)) return std::nullopt;
    const double cosine = (a * a + b * b - (a - b) * (a - b)) * 0.5 / norms;
    // Rounding can carry the cosine of a straight angle past -1.
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / kPi;
}

struct SBond {
    const CAtom* Partner;
    const CGradPath* Own;
};

// A basin integrated although the critical points were incomplete.
constexpr char kIncompleteLine[] =
    "Integrated with an incomplete set of critical points: the basin may be wrong!";

double LastParameter(const CGradPath& path) {
    const auto& parameters = path.GetParameterList();
    return parameters.empty() ? 0.0 : parameters.back();
}

} // namespace

void CAtom::FillResultList(std::vector<std::string>& items) const {
    items.clear();
    const SSelection selection(m_pMolecule);
    const CBasinResults& a = m_ResultsA;
    const CBasinResults& b = m_ResultsB;
    if (a.Method != 0.0) {
        if (a.Method > 0.0) {
            items.push_back("Properties integrated over atomic basin in natural coordinates");
            items.push_back(zel::Sprintf("Beta-sphere radius: %lf", a.Method));
            items.push_back(
                zel::Sprintf("Natural coordinate integration along gradient paths till s = %1.0lf", a.StopS));
        } else {
            items.push_back("Properties integrated over atomic basin in radial coordinates");
            items.push_back(
                zel::Sprintf("Radial coordinate integration along rays till r = %1.0lf", a.StopR));
        }
        if (a.IncompleteCritPoints) items.push_back(kIncompleteLine);
        items.push_back(" ");
        AddSettings(items, a);
        items.push_back(
            zel::Sprintf("CPU time needed for integration (machine dependent): %0.1lf seconds", a.CPUTime));
        items.push_back(" ");
        items.push_back("Integration results and integrated functions:");
        AddListedResults(items, a, selection, m_pMolecule);
    }
    if (b.Method > 0.0) {
        items.push_back(zel::Sprintf("Properties integrated over sphere with beta = %lf", b.Method));
        AddSettings(items, b);
        items.push_back(zel::Sprintf("CPU time needed for integration: %0.1lf seconds", b.CPUTime));
        items.push_back(" ");
        items.push_back("Integration results and integrated functions:");
        AddListedResults(items, b, selection, m_pMolecule);
    }
    if (a.Method == 0.0 && !(b.Method > 0.0)) items.push_back(kNotYetAvailable);
}

int CAtom::WriteRecord(zel::CTextRecord* lines) const {
    if (!lines) return 0;
    const auto add = [lines](std::string line) { lines->Add(std::move(line)); };
    const std::string& label = m_strLabel;
    add("Results for Atom " + label);
    add(" ");

    // Bonded atoms: a (3,-1) point with a density path up to this atom's
    // maximum and another up to a maximum that belongs to an atom. Paths are
    // taken in the order a reopened document has them, so the record reads
    // the same after saving.
    std::vector<SBond> bonds;
    std::vector<double> bondLengths;
    if (m_pMolecule && m_pMaxPoint) {
        for (const auto& point : *m_pMolecule->GetList(-1)) {
            const CGradPath* own = nullptr;
            const CGradPath* partner = nullptr;
            for (const CGradPath* path : m_pMolecule->OrderedPathList(*point, true)) {
                if (path->GetFieldIndex() != 0) continue;
                if (!own && path->GetEndPoint() == m_pMaxPoint)
                    own = path;
                else
                    partner = path;
            }
            if (!own || !partner) continue;
            const auto* max = dynamic_cast<const CMaxPoint*>(partner->GetEndPoint());
            if (!max || !max->GetAtom()) continue;
            bonds.push_back({max->GetAtom(), own});
            bondLengths.push_back(LastParameter(*own) + LastParameter(*partner));
        }
    }
    if (!bonds.empty()) {
        add("Atoms bonded to " + label + " (with distance and bond path length)");
        for (std::size_t i = 0; i < bonds.size(); ++i) {
            const double distance = (bonds[i].Partner->GetPosition() - m_position).Length();
            add("      " + bonds[i].Partner->GetLabel() +
                zel::Sprintf(" (%6.2f, %6.2f)", distance, bondLengths[i]));
        }
        add(" ");
    }
    if (bonds.size() >= 2) {
        add("Bond angles and bond path angles (in degree)");
        const CVector attractor = m_pMaxPoint->GetPosition();
        for (std::size_t i = 0; i < bonds.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                std::string line = "      " + bonds[i].Partner->GetLabel() + " < " + label + " > " +
                                   bonds[j].Partner->GetLabel() + ": ";
                const std::optional<double> bond =
                    Angle(m_position, bonds[i].Partner->GetPosition(), bonds[j].Partner->GetPosition());
                // The bond-path angle needs the first step of both paths away
                // from the maximum.
                const auto& pi = bonds[i].Own->GetPointList();
                const auto& pj = bonds[j].Own->GetPointList();
                const std::optional<double> path =
                    pi.size() >= 2 && pj.size() >= 2 ? Angle(attractor, pi[1], pj[1]) : std::nullopt;
                line += bond ? zel::Sprintf("%6.2f", *bond) + kDegree : std::string("   n/a");
                line += ", ";
                line += path ? zel::Sprintf("%6.2f", *path) + kDegree : std::string("   n/a");
                add(std::move(line));
            }
        }
        add(" ");
    }

    const CBasinResults& set = m_ResultsA;
    if (set.Method == 0.0) {
        add("Integration results not available!");
        add(" ");
        return static_cast<int>(lines->Size());
    }

    add("Properties integrated over atomic basin of " + label);
    add(" ");
    if (set.Method > 0.0) {
        add("      Used integration method: Integration in natural coordinates");
        add(zel::Sprintf("      Beta-sphere radius: %lf", set.Method));
        add(zel::Sprintf("      Natural coordinate integration along gradient paths till s = %1.0lf",
                         set.StopS));
    } else {
        add("      Used integration method: Integration in radial coordinates");
        add("                               with determination of interatomic surface");
        add(zel::Sprintf("      Radial coordinate integration along rays till r = %1.0lf", set.StopR));
    }
    if (set.IncompleteCritPoints) add(std::string("      ") + kIncompleteLine);
    add(" ");
    add(zel::Sprintf("      Used absolute tolerance per integration step: %le", set.AbsAccuracy));
    add(zel::Sprintf("      Used relative tolerance per integration step: %le", set.RelAccuracy));
    add(zel::Sprintf("      Integration borders in Phi-coordinate: %lf  to  %lf", set.PhiFrom, set.PhiTo));
    add(zel::Sprintf("      Used symmetry factor: %lf", set.SymmetryFactor));
    add(zel::Sprintf("      Number of wavefunction evaluations needed: %d", set.Evaluations));
    add(" ");
    add("      Integration results and integrated functions:");

    const SSelection selection(m_pMolecule);
    const std::vector<double> u = Unpack(set, selection);
    const auto on = [&](int i) { return selection.On(i); };
    const auto any = [&](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (on(i)) return true;
        return false;
    };
    const auto all = [&](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (!on(i)) return false;
        return true;
    };
    // One line per selected property of a run of single-value lines.
    const auto singles = [&](int first, std::initializer_list<const char*> formats) {
        int i = first;
        for (const char* format : formats) {
            if (on(i)) add(zel::Sprintf(format, u[static_cast<std::size_t>(i)]));
            ++i;
        }
    };

    if (on(0)) add(zel::Sprintf("      Rho   %18.10le      Charge  %18.10le", u[0], m_charge - u[0]));
    if (on(2)) add(zel::Sprintf("      KEG   %18.10le", u[2]));
    if (on(3) || on(5)) add(zel::Sprintf("      KEK   %18.10le     E(Atom)  %18.10le", u[3], u[5]));
    if (on(1)) add(zel::Sprintf("      Lap   %18.10le", u[1]));
    if (on(6)) add(zel::Sprintf("      I     %18.10le", u[6]));
    singles(7,
            {"      R(-1) %18.10le", "      R(1)  %18.10le", "      R(2)  %18.10le", "      R(4)  %18.10le"});
    singles(11,
            {"     GR(-1) %18.10le", "     GR(0)  %18.10le", "     GR(1)  %18.10le", "     GR(2)  %18.10le"});
    if (on(15) || on(16)) add(zel::Sprintf("     VNEO   %18.10le   VNEO(Cor)  %18.10le", u[15], u[16]));
    if (on(17) || on(18)) add(zel::Sprintf("     VNET   %18.10le   VNET(Cor)  %18.10le", u[17], u[18]));
    if (on(19)) add(zel::Sprintf("     EHF    %18.10le", u[19]));
    if (on(20)) add(zel::Sprintf("                                 VREP(Cor)  %18.10le", u[20]));
    if (on(21)) add(zel::Sprintf("                                 V(Atom)    %18.10le", u[21]));
    singles(22, {"     EL(X)  %18.10le", "     EL(Y)  %18.10le", "     EL(Z)  %18.10le"});
    if (all(22, 24))
        add(zel::Sprintf("   Mag(EL)  %18.10le", std::sqrt(u[22] * u[22] + u[23] * u[23] + u[24] * u[24])));
    add("   ");

    if (any(25, 30)) {
        add("      Atomic Quadrupole Moment Tensor");
        singles(25, {"     Q(XX)  %18.10le", "     Q(XY)  %18.10le", "     Q(XZ)  %18.10le",
                     "     Q(YY)  %18.10le", "     Q(YZ)  %18.10le", "     Q(ZZ)  %18.10le"});
        add("   ");
    }
    if (all(25, 30)) {
        CTensor quadrupole(u[25], u[28], u[30], u[26], u[27], u[29]);
        if (quadrupole.Diagonalize() && quadrupole.HasEigenData()) {
            const CVector& values = *quadrupole.GetEigenvalues();
            const CMatrix& vectors = *quadrupole.GetEigenvectors();
            add("      Eigenvalues of Quadrupole Moment Tensor");
            add(zel::Sprintf("     %18.10le   %18.10le   %18.10le", values.x, values.y, values.z));
            add("   ");
            add("      Eigenvectors of Quadrupole Moment Tensor");
            for (int k = 0; k < 3; ++k) {
                const CVector& v = vectors.Column(k);
                add(zel::Sprintf("     %18.10le   %18.10le   %18.10le", v.x, v.y, v.z));
            }
        } else {
            // The tensor lines above stand; only its eigen-system is missing.
            add("      Eigen-system of Quadrupole Moment Tensor not available!");
        }
        add("   ");
    }
    if (any(42, 44)) {
        add("      Atomic Ehrenfest Force");
        add(zel::Sprintf("     %18.10le   %18.10le   %18.10le", u[42], u[43], u[44]));
    }
    add("   ");
    if (on(4)) add(zel::Sprintf("      Atomic Virial    %18.10le", u[4]));
    if (on(45)) add(zel::Sprintf("      Basin Virial     %18.10le", u[45]));
    if (on(46)) add(zel::Sprintf("      Surface Virial   %18.10le", u[46]));
    add("   ");
    singles(31, {"      FAXA   %18.10le", "      FAYA   %18.10le", "      FAZA   %18.10le",
                 "      FBXA   %18.10le", "      FBYA   %18.10le", "      FBZA   %18.10le",
                 "     RHO*L   %18.10le", "      VOL1   %18.10le", "      VOL2   %18.10le",
                 "   N(VOL1)   %18.10le", "   N(VOL2)   %18.10le"});
    add("   ");

    if (on(kOverlapFlag)) {
        const int n = selection.Orbitals;
        add(zel::Sprintf("      Atomic overlap matrix, number of orbitals: %d", n));
        std::vector<std::string> block;
        AddOverlapBlocks(block, n, 6, "     ", [&](int row, int column) { return Overlap(u, row, column); });
        for (std::string& line : block)
            add(std::move(line));
        double trace = 0.0;
        for (int i = 0; i < n; ++i)
            trace += Overlap(u, i, i);
        add(zel::Sprintf("      RHO - 2*Trace(OVERLAP) = %12.6le", u[0] - 2.0 * trace));
        add("   ");

        // Sums over the full symmetric matrix: each off-diagonal entry twice.
        const auto sumOfProducts = [n](const std::vector<double>& s, const std::vector<double>& t) {
            double sum = 0.0;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    sum += Overlap(s, i, j) * Overlap(t, i, j);
            return sum;
        };
        add(zel::Sprintf("Localization index of %s: %18.10le", label.c_str(), 2.0 * sumOfProducts(u, u)));
        add(" ");
        if (m_pMolecule) {
            for (const auto& other : m_pMolecule->GetAtomList()) {
                if (other.get() == this || other->m_ResultsA.Method == 0.0) continue;
                const std::vector<double> v = Unpack(other->m_ResultsA, selection);
                add(zel::Sprintf("Delocalization index of %s and %s: %18.10le", label.c_str(),
                                 other->GetLabel().c_str(), 4.0 * sumOfProducts(u, v)));
            }
        }
        add(" ");
        add("      Localization and delocalization indices apply only to a closed shell");
        add("      molecule, i.e. all molecular orbitals are double occupied!");
        add(" ");
    }
    add(" ");
    return static_cast<int>(lines->Size());
}
