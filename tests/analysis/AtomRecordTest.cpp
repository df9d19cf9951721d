// The atom's result list and text record, from atoms whose result sets are
// set by hand: golden lines for a selection over seven orbitals, the bonded
// atoms with their angles, the quadrupole eigen-system, and the localization
// and delocalization indices of a hand-made overlap.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "analysis/Molecule.h"

namespace {

using Lines = std::vector<std::string>;

struct SNucleus {
    const char* label;
    CVector position;
    double charge;
};

// One s primitive per nucleus and `orbitals` doubly occupied orbitals over
// them: a wavefunction that only gives the atoms and the orbital count.
std::string Wfn(const std::vector<SNucleus>& nuclei, int orbitals) {
    const int n = static_cast<int>(nuclei.size());
    char line[200];
    std::string text = "Record test\n";
    std::snprintf(line, sizeof line, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI\n", orbitals, n, n);
    text += line;
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f\n",
                      nuclei[i].label, i + 1, nuclei[i].position.x, nuclei[i].position.y,
                      nuclei[i].position.z, nuclei[i].charge);
        text += line;
    }
    text += "CENTRE ASSIGNMENTS  ";
    for (int i = 0; i < n; ++i)
        text += "  " + std::to_string(i + 1);
    text += "\nTYPE ASSIGNMENTS    ";
    for (int i = 0; i < n; ++i)
        text += "  1";
    text += "\nEXPONENTS ";
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, " %13.7E", 0.8);
        text += line;
    }
    text += "\n";
    for (int k = 0; k < orbitals; ++k) {
        std::snprintf(line, sizeof line, "MO%3d                     OCC NO = %12.8f ORB. ENERGY = %12.8f\n",
                      k + 1, 2.0, -0.5);
        text += line;
        for (int i = 0; i < n; ++i) {
            std::snprintf(line, sizeof line, "%16.8E", 0.6);
            text += line;
        }
        text += "\n";
    }
    text += "END DATA\n";
    std::snprintf(line, sizeof line, "RHF      ENERGY =%20.10f   VIRIAL(-V/T)  =%13.8f\n", -0.5, 2.0);
    text += line;
    return text;
}

Lines Record(const CAtom& atom) {
    zel::CTextRecord lines;
    const int count = atom.WriteRecord(&lines);
    EXPECT_EQ(count, static_cast<int>(lines.Size()));
    return lines.Lines();
}

Lines ResultList(const CAtom& atom) {
    Lines items{"stale line"};
    atom.FillResultList(items);
    return items;
}

CAtom& AtomAt(CMolecule& molecule, int index) {
    auto it = molecule.GetAtomList().begin();
    std::advance(it, index);
    return **it;
}

// The golden lines of the seven-orbital atom below.
#include "AtomRecordGolden.inc"

// Oxygen over seven orbitals: flags 5 (E(Atom)), 23 (the y dipole), 28 (Q(YY))
// and 42 to 44 (the Ehrenfest force) off. Property i holds i + 0.5, rho
// 47.25 = 2 x the trace of S(r, c) = r + c/8; set B holds a quarter of set A.
TEST(AtomRecord, SevenOrbitalSelectionGivesTheGoldenListAndRecord) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, Wfn({{"O    1", CVector(0, 0, 0), 8.0}}, 7));
    const std::set<int> off = {5, 23, 28, 42, 43, 44};
    for (int i : off)
        molecule.SetBasinPropertySelected(i, 0);
    CAtom& atom = AtomAt(molecule, 0);
    ASSERT_EQ(atom.GetPropertyCount(), 47 + 28);

    std::vector<double> packed;
    for (int i = 0; i < 47; ++i)
        if (!off.count(i)) packed.push_back(i == 0 ? 47.25 : i + 0.5);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c <= r; ++c)
            packed.push_back(r + c / 8.0);
    CBasinResults& a = atom.m_ResultsA;
    CBasinResults& b = atom.m_ResultsB;
    for (std::size_t j = 0; j < packed.size(); ++j) {
        a.Results[j] = packed[j];
        b.Results[j] = packed[j] / 4.0;
    }
    a.Results.back() = 999.0; // behind the packed entries: never shown
    a.Method = 0.5;
    a.StopS = 1e6;
    a.StopR = 7.0;
    a.AbsAccuracy = 1e-4;
    a.RelAccuracy = 2e-4;
    a.PhiFrom = 0;
    a.PhiTo = 360;
    a.SymmetryFactor = 1;
    a.Evaluations = 12345;
    a.CPUTime = 2.3;
    b.Method = 0.5;
    b.AbsAccuracy = 1e-5;
    b.RelAccuracy = 1e-5;
    b.PhiFrom = 90;
    b.PhiTo = 270;
    b.SymmetryFactor = 2;
    b.Evaluations = 678;
    b.CPUTime = 0.7;

    EXPECT_EQ(ResultList(atom), kSevenOrbitalList);
    EXPECT_EQ(Record(atom), kSevenOrbitalRecord);

    // Radial coordinates: the method lines change, nothing else.
    a.Method = -1.0;
    const Lines radial = Record(atom);
    ASSERT_EQ(radial.size(), kSevenOrbitalRecord.size());
    EXPECT_EQ(Lines(radial.begin() + 4, radial.begin() + 7),
              (Lines{"      Used integration method: Integration in radial coordinates",
                     "                               with determination of interatomic surface",
                     "      Radial coordinate integration along rays till r = 7"}));
    EXPECT_EQ(Lines(radial.begin() + 7, radial.end()),
              Lines(kSevenOrbitalRecord.begin() + 7, kSevenOrbitalRecord.end()));
    const Lines list = ResultList(atom);
    EXPECT_EQ(Lines(list.begin(), list.begin() + 3),
              (Lines{"Properties integrated over atomic basin in radial coordinates",
                     "Radial coordinate integration along rays till r = 7", " "}));

    // A basin integrated with an incomplete set of critical points says so
    // after its method, in the list and in the record alike.
    const std::string mark = "Integrated with an incomplete set of critical points: the basin may be wrong!";
    a.IncompleteCritPoints = true;
    for (double method : {0.5, -1.0}) {
        SCOPED_TRACE(method);
        a.Method = method;
        const Lines unmarked = method > 0.0 ? kSevenOrbitalRecord : radial;
        Lines expected = unmarked;
        expected.insert(expected.begin() + 7, "      " + mark);
        EXPECT_EQ(Record(atom), expected);
        const Lines marked = ResultList(atom);
        const int at = method > 0.0 ? 3 : 2;
        ASSERT_GT(marked.size(), static_cast<std::size_t>(at));
        EXPECT_EQ(marked[at], mark);
        Lines without = marked;
        without.erase(without.begin() + at);
        a.IncompleteCritPoints = false;
        EXPECT_EQ(without, ResultList(atom));
        a.IncompleteCritPoints = true;
    }
}

// No set A: the record says so; the list shows set B alone, or nothing.
TEST(AtomRecord, AbsentResults) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, Wfn({{"H    1", CVector(0, 0, 0), 1.0}}, 1));
    CAtom& atom = AtomAt(molecule, 0);
    const Lines absent{"Results for Atom H    1", " ", "Integration results not available!", " "};
    EXPECT_EQ(Record(atom), absent);
    EXPECT_EQ(ResultList(atom), Lines{"Integration results not yet available!"});

    atom.m_ResultsB.Method = 0.25;
    EXPECT_EQ(Record(atom), absent);
    const Lines list = ResultList(atom);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), "Properties integrated over sphere with beta = 0.250000");
    EXPECT_EQ(list.back(), "   ");

    // A record appended to others counts every line of the list.
    zel::CTextRecord lines;
    lines.Add("before");
    EXPECT_EQ(atom.WriteRecord(&lines), 5);
}

// H2 with one orbital, each atom holding half of it: lambda = 2 x 0.5^2,
// delta = 4 x 0.5 x 0.5; the other atom needs its own set A to be named.
TEST(AtomRecord, LocalizationAndDelocalizationIndicesOfH2) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule,
                       Wfn({{"H    1", CVector(0, 0, 0), 1.0}, {"H    2", CVector(0, 0, 1.4), 1.0}}, 1));
    for (int i = 5; i < 47; ++i)
        molecule.SetBasinPropertySelected(i, 0);
    for (int k = 0; k < 2; ++k) {
        CBasinResults& set = AtomAt(molecule, k).m_ResultsA;
        set.Method = 0.3;
        set.Results = {1.0, 0.0, 0.5, 0.5, 0.0, 0.5, 0.0, 0.0};
    }
    const Lines expected{"      Atomic overlap matrix, number of orbitals: 1",
                         "         0.500000",
                         "   ",
                         "      RHO - 2*Trace(OVERLAP) = 0.000000e+000",
                         "   ",
                         "Localization index of H    1:  5.0000000000e-001",
                         " ",
                         "Delocalization index of H    1 and H    2:  1.0000000000e+000",
                         " ",
                         "      Localization and delocalization indices apply only to a closed shell",
                         "      molecule, i.e. all molecular orbitals are double occupied!",
                         " ",
                         " "};
    const Lines record = Record(AtomAt(molecule, 0));
    ASSERT_GT(record.size(), expected.size());
    EXPECT_EQ(Lines(record.end() - static_cast<long>(expected.size()), record.end()), expected);

    // Without the partner's set A there is no delocalization line.
    AtomAt(molecule, 1).m_ResultsA.Method = 0.0;
    const Lines alone = Record(AtomAt(molecule, 0));
    EXPECT_EQ(alone.size(), record.size() - 1);
    for (const std::string& line : alone)
        EXPECT_EQ(line.rfind("Delocalization", 0), std::string::npos);
}

// Oxygen at the origin with hydrogens at (0.1, 0.1, 0.1), (-0.2, -0.2, -0.2)
// (straight opposite: a cosine that rounds past -1) and (1, -1, 0), whose
// own bond path holds a single point. A fourth bond point leads to a maximum
// of no atom and one path of another field would be the last of its point:
// neither counts.
TEST(AtomRecord, BondedAtomsWithDistancesAndAngles) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, Wfn({{"O    1", CVector(0, 0, 0), 8.0},
                                      {"H    2", CVector(0.1, 0.1, 0.1), 1.0},
                                      {"H    3", CVector(-0.2, -0.2, -0.2), 1.0},
                                      {"H    4", CVector(1.0, -1.0, 0.0), 1.0}},
                                     1));
    std::vector<CMaxPoint*> maxima;
    for (const auto& atom : molecule.GetAtomList())
        maxima.push_back(graphtest::AddPoint<CMaxPoint>(molecule, 0, atom->GetPosition()));
    CMaxPoint* farMax = graphtest::AddPoint<CMaxPoint>(molecule, 0, CVector(4, 4, 4));
    CMaxPoint* otherField = graphtest::AddPoint<CMaxPoint>(molecule, 1, CVector(0.1, 0.1, 0.1));
    ASSERT_EQ(AtomAt(molecule, 0).GetMaxPoint(), maxima[0]);
    ASSERT_EQ(farMax->GetAtom(), nullptr);

    const auto bond = [&](CVector at) { return graphtest::AddPoint<CBondPoint>(molecule, 0, at); };
    CBondPoint* toB = bond(CVector(0.05, 0.05, 0.05));
    CBondPoint* toC = bond(CVector(-0.1, -0.1, -0.1));
    CBondPoint* toD = bond(CVector(0.5, -0.5, 0.0));
    CBondPoint* toFar = bond(CVector(2, 2, 2));
    graphtest::Connect(molecule, maxima[0], toB);
    graphtest::Connect(molecule, maxima[1], toB);
    graphtest::Connect(molecule, otherField, toB, 1);
    graphtest::Connect(molecule, maxima[0], toC);
    graphtest::Connect(molecule, maxima[2], toC);
    auto* single = new CGradPath(&molecule, molecule.NextObjectNumber(), 0);
    single->AddPoint(CVector(0, 0, 0), 0.0, true);
    single->SetUpperPoint(maxima[0]);
    maxima[0]->AddDescendingPath(single);
    single->SetLowerPoint(toD);
    toD->AddAscendingPath(single);
    graphtest::Connect(molecule, maxima[3], toD);
    graphtest::Connect(molecule, maxima[0], toFar);
    graphtest::Connect(molecule, farMax, toFar);

    const Lines record = Record(AtomAt(molecule, 0));
    EXPECT_EQ(
        record,
        (Lines{"Results for Atom O    1", " ", "Atoms bonded to O    1 (with distance and bond path length)",
               "      H    2 (  0.17,   0.17)", "      H    3 (  0.35,   0.35)",
               "      H    4 (  1.41,   0.71)", " ", "Bond angles and bond path angles (in degree)",
               "      H    3 < O    1 > H    2: 180.00\u00b0, 180.00\u00b0",
               "      H    4 < O    1 > H    2:  90.00\u00b0,    n/a",
               "      H    4 < O    1 > H    3:  90.00\u00b0,    n/a", " ",
               "Integration results not available!", " "}));

    // One bond: no angle section; the far maximum's atom is nobody.
    const Lines hydrogen = Record(AtomAt(molecule, 1));
    EXPECT_EQ(
        Lines(hydrogen.begin(), hydrogen.begin() + 5),
        (Lines{"Results for Atom H    2", " ", "Atoms bonded to H    2 (with distance and bond path length)",
               "      O    1 (  0.17,   0.17)", " "}));
    EXPECT_EQ(hydrogen[5], "Integration results not available!");
}

// With all six quadrupole flags: the eigenvalues ascending and one unit
// eigenvector per line; a tensor that cannot be diagonalised keeps its
// component lines and says so instead of the eigen-system.
TEST(AtomRecord, QuadrupoleEigenSystem) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, Wfn({{"H    1", CVector(0, 0, 0), 1.0}}, 1));
    CAtom& atom = AtomAt(molecule, 0);
    atom.m_ResultsA.Method = 0.3;
    const auto recordWith = [&](std::vector<double> q) {
        std::vector<double>& r = atom.m_ResultsA.Results;
        std::fill(r.begin(), r.end(), 0.0);
        for (int i = 0; i < 6; ++i)
            r[static_cast<std::size_t>(25 + i)] = q[static_cast<std::size_t>(i)];
        const Lines lines = Record(atom);
        const auto it = std::find(lines.begin(), lines.end(), "     Q(ZZ)   2.0000000000e+000");
        EXPECT_NE(it, lines.end());
        return Lines(it + 1, std::min(it + 9, lines.end()));
    };
    // xx, xy, xz, yy, yz, zz
    const Lines eigen = recordWith({3.0, 0.0, 0.0, 1.0, 0.0, 2.0});
    ASSERT_EQ(eigen.size(), 8u);
    EXPECT_EQ(Lines(eigen.begin(), eigen.begin() + 4),
              (Lines{"   ", "      Eigenvalues of Quadrupole Moment Tensor",
                     "      1.0000000000e+000    2.0000000000e+000    3.0000000000e+000", "   "}));
    EXPECT_EQ(eigen[4], "      Eigenvectors of Quadrupole Moment Tensor");
    const CVector axes[3] = {CVector(0, 1, 0), CVector(0, 0, 1), CVector(1, 0, 0)};
    for (int k = 0; k < 3; ++k) {
        CVector v;
        ASSERT_EQ(std::sscanf(eigen[5 + k].c_str(), "%lf %lf %lf", &v.x, &v.y, &v.z), 3) << eigen[5 + k];
        EXPECT_NEAR(std::abs(v * axes[k]), 1.0, 1e-12) << eigen[5 + k];
    }

    const Lines failed = recordWith({NAN, 0.0, 0.0, 1.0, 0.0, 2.0});
    ASSERT_GE(failed.size(), 3u);
    EXPECT_EQ(Lines(failed.begin(), failed.begin() + 3),
              (Lines{"   ", "      Eigen-system of Quadrupole Moment Tensor not available!", "   "}));
}

} // namespace
