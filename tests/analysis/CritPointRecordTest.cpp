// Text records of critical points found on water, of a bond point's
// interatomic surface and of all points of the current field. Expected text is
// formatted here by the C library, its two-digit exponents widened to three.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AnalysisTestUtil.h"
#include "GraphTestUtil.h"
#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Molecule.h"
#include "platform/core/TextRecord.h"

namespace {

using analysistest::Load;
using Lines = std::vector<std::string>;

const CVector kNuclei[3] = {
    CVector(0.0, 0.0, 0.22166486), CVector(0.0, 1.43090052, -0.88665943), CVector(0.0, -1.43090052, -0.88665943)};
const char* const kLabels[3] = {"O    1", "H    2", "H    3"};
const char* const kFieldNames[5] = {"RHO, electron density", "L, Laplacian of Rho",
                                    "KEG, Lagrangian kinetic energy density",
                                    "KEK, Hamiltonian kinetic energy density", "VIR, Virial Field Function"};

using analysistest::Widen;

template <typename... Args>
std::string C(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string E(double value) {
    return Widen(C("%16.8le", value));
}

std::string Triple(double a, double b, double c) {
    return "          " + E(a) + " " + E(b) + " " + E(c);
}

void AddColumns(Lines& out, const CMatrix& v) {
    out.push_back(Triple(v.c0.x, v.c1.x, v.c2.x));
    out.push_back(Triple(v.c0.y, v.c1.y, v.c2.y));
    out.push_back(Triple(v.c0.z, v.c1.z, v.c2.z));
}

// The whole record of a water point, from an evaluation made here.
Lines ExpectedRecord(CMolecule& molecule, const std::string& kind, int pointField, CVector p,
                     const std::string& atomLabel = "") {
    const int field = molecule.GetFieldIndex();
    const std::string name = kFieldNames[field];
    Lines out = {kind + " critical point of " + kFieldNames[pointField] + ": "};
    if (!atomLabel.empty()) out.push_back("      Corresponding atom: " + atomLabel);
    out.push_back(" ");
    out.push_back(C("      Coordinates:(%12.8lf, %12.8lf, %12.8lf)", p.x, p.y, p.z));
    out.push_back(" ");
    out.push_back("      Vectors and Distances from Nuclei to Critical Point");
    out.push_back("      Nucleus       X             Y             Z            Dist");
    out.push_back(" ");
    for (int i = 0; i < 3; ++i) {
        const CVector d = p - kNuclei[i];
        out.push_back(C("      %s  %12.8lf  %12.8lf  %12.8lf  %12.8lf", kLabels[i], d.x, d.y, d.z, d.Length()));
    }
    out.push_back(" ");

    EXPECT_EQ(molecule.Evaluate(p, 3), 1);
    const CTensor h = molecule.GetHessianEigen();
    const CTensor s = molecule.GetStressEigen();
    const CVector l = *h.GetEigenvalues();
    const CVector g = molecule.GetGradient();
    const CVector div = molecule.GetStressDivergence();
    const std::vector<double> v(molecule.GetValues(), molecule.GetValues() + 5);

    out.push_back("      Eigenvalues of the Hessian of " + name + ":");
    out.push_back(Triple(l.x, l.y, l.z));
    out.push_back(" ");
    out.push_back("      Ellipticity:   " + E(l.x / l.y - 1.0));
    out.push_back(" ");
    out.push_back("      Eigenvectors of Hessian matrix:");
    AddColumns(out, *h.GetEigenvectors());
    out.push_back(" ");
    if (field == 0) {
        const CVector sl = *s.GetEigenvalues();
        out.push_back("      Eigenvalues of the Stress Tensor of " + name + ":");
        out.push_back(Triple(sl.x, sl.y, sl.z));
        out.push_back(" ");
        out.push_back("      Trace of the Stress Tensor:   " + E(sl.x + sl.y + sl.z));
        out.push_back(" ");
        out.push_back("      Eigenvectors of Stress Tensor:");
        AddColumns(out, *s.GetEigenvectors());
        out.push_back(" ");
        out.push_back("      Components of the Divergence of the Stress Tensor:");
        out.push_back(Triple(div.x, div.y, div.z));
        out.push_back(" ");
        out.push_back("      Magnitude of the Divergence of the Stress Tensor:   " + E(div.Length()));
        out.push_back(" ");
    }
    const std::string f = field == 0 ? "Rho(r)" : name;
    out.push_back("      VALUES");
    out.push_back(" ");
    out.push_back("      Rho(r)                " + E(v[0]));
    out.push_back("      |GRAD(" + f + ")|        " + E(g.Length()));
    out.push_back("      GRAD(" + f + ") x        " + E(g.x));
    out.push_back("      GRAD(" + f + ") y        " + E(g.y));
    out.push_back("      GRAD(" + f + ") z        " + E(g.z));
    out.push_back("      (-1/4)Del**2(Rho(r))  " + E(v[1]));
    out.push_back("      G(r)                  " + E(v[2]));
    out.push_back("      K(r)                  " + E(v[3]));
    out.push_back("      L(r)                  " + E(v[3] - v[2]));
    out.push_back("      V(r)                  " + E(v[4]));
    out.push_back(" ");
    return out;
}

template <typename T>
T* AddPoint(CMolecule& molecule, int signature, int field, CVector p) {
    auto point = std::make_unique<T>(&molecule, molecule.NextObjectNumber(), field, p, 0.0);
    T* raw = point.get();
    molecule.GetList(signature)->push_back(std::move(point));
    return raw;
}

CVector Newton(CMolecule& molecule, CVector start) {
    EXPECT_EQ(molecule.NewtonIteration("cp", start, nullptr), 1);
    return molecule.GetLastPoint();
}

// Water with its oxygen and hydrogen maxima and both O-H bond points (field
// 0), bond paths linked to the maxima.
struct Water {
    CMolecule molecule;
    CMaxPoint* max[3] = {};
    CBondPoint* bond[2] = {};

    Water() {
        EXPECT_EQ(Load(molecule, "water.wfn"), 1);
        for (int i = 0; i < 3; ++i)
            max[i] = AddPoint<CMaxPoint>(molecule, -3, 0, Newton(molecule, kNuclei[i]));
        for (int i = 0; i < 2; ++i) {
            const CVector start = kNuclei[0] + 0.75 * (kNuclei[i + 1] - kNuclei[0]);
            bond[i] = AddPoint<CBondPoint>(molecule, -1, 0, Newton(molecule, start));
            graphtest::Connect(molecule, max[0], bond[i]);
            graphtest::Connect(molecule, max[i + 1], bond[i]);
        }
    }
};

Lines Record(const CCritPoint& point, int* count) {
    zel::CTextRecord record;
    *count = point.WriteReport(record);
    return record.Lines();
}

TEST(CritPointRecord, AllPointsOfTheDensityInListOrderWithStressTensor) {
    Water w;
    CMolecule& m = w.molecule;
    // A Laplacian point is not part of the density's record.
    AddPoint<CRingPoint>(m, 1, 1, CVector(0.0, 0.0, -0.5));
    ASSERT_EQ(w.max[0]->GetAtom(), m.GetAtomList().front().get());

    zel::CTextRecord record;
    const int count = m.WriteCritPointRecord(&record);

    Lines expected;
    for (int i = 0; i < 3; ++i) {
        const Lines one = ExpectedRecord(m, "(3, -3)", 0, w.max[i]->GetPosition(), kLabels[i]);
        EXPECT_EQ(one.size(), 47u + 3u); // heading, atom, body 44 + n, closing
        expected.insert(expected.end(), one.begin(), one.end());
    }
    for (CBondPoint* b : w.bond) {
        const Lines one = ExpectedRecord(m, "(3, -1)", 0, b->GetPosition());
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_EQ(record.Lines(), expected);
    EXPECT_EQ(count, static_cast<int>(expected.size()));
    // Three-digit exponents throughout.
    const std::regex exponent("e[+-]([0-9]+)");
    int exponents = 0;
    for (const std::string& line : record.Lines()) {
        for (std::sregex_iterator it(line.begin(), line.end(), exponent), end; it != end; ++it, ++exponents)
            EXPECT_EQ((*it)[1].length(), 3) << line;
    }
    EXPECT_GT(exponents, 100);
}

TEST(CritPointRecord, OtherFieldsNameTheFieldAndSkipTheStressTensor) {
    Water w;
    CMolecule& m = w.molecule;
    m.SetFieldIndex(1);
    const CVector p(0.0, 0.3, -0.4);
    CRingPoint* ring = AddPoint<CRingPoint>(m, 1, 1, p);
    AddPoint<CRingPoint>(m, 1, 2, p);

    zel::CTextRecord record;
    const int count = m.WriteCritPointRecord(&record);
    const Lines expected = ExpectedRecord(m, "(3, +1)", 1, p);
    EXPECT_EQ(record.Lines(), expected);
    EXPECT_EQ(count, 31 + 3);
    int single = 0;
    EXPECT_EQ(Record(*ring, &single), expected);
    EXPECT_EQ(single, 31 + 3);
    EXPECT_NE(std::find(expected.begin(), expected.end(),
                        "      |GRAD(L, Laplacian of Rho)|        " + E(m.GetGradient().Length())),
              expected.end());

    // Field 2: only its own ring point; field 3: nothing at all.
    m.SetFieldIndex(2);
    record.Clear();
    EXPECT_EQ(m.WriteCritPointRecord(&record), 31 + 3);
    EXPECT_EQ(record.Lines()[0], "(3, +1) critical point of KEG, Lagrangian kinetic energy density: ");
    m.SetFieldIndex(3);
    record.Clear();
    EXPECT_EQ(m.WriteCritPointRecord(&record), 0);
    EXPECT_EQ(record.Size(), 0u);
}

TEST(CritPointRecord, FailedEvaluationEndsAfterTheNuclei) {
    CMolecule empty; // nothing loaded: the evaluation fails
    CCagePoint cage(&empty, 1, 0, CVector(1.0, -2.0, 0.5), 0.0);
    int count = 0;
    const Lines lines = Record(cage, &count);
    const Lines expected = {"(3, +3) critical point of RHO, electron density: ",
                            " ",
                            "      Coordinates:(  1.00000000,  -2.00000000,   0.50000000)",
                            " ",
                            "      Vectors and Distances from Nuclei to Critical Point",
                            "      Nucleus       X             Y             Z            Dist",
                            " ",
                            " ",
                            " "};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(count, 9);
}

TEST(CritPointRecord, ZeroSecondEigenvalueGivesInfiniteEllipticity) {
    // Far from the single Gaussian the density underflows to 0: every
    // eigenvalue is 0, and 0/0 must not print as nan.
    CMolecule m;
    ASSERT_EQ(analysistest::LoadText(m, analysistest::OneGaussianWfn(CVector(), 1.0)), 1);
    CCagePoint cage(&m, 1, 0, CVector(0.0, 0.0, 200.0), 0.0);
    int count = 0;
    const Lines lines = Record(cage, &count);
    ASSERT_EQ(count, 2 + 44 + 1);
    EXPECT_EQ(lines[10], "          " + E(0.0) + " " + E(0.0) + " " + E(0.0));
    EXPECT_EQ(lines[12], "      Ellipticity:                inf");
}

// Settings of a finished integration, used by the surface records.
void SetIntegration(CBondPoint& b) {
    CSurfaceRecord& s = b.m_Surface;
    s.CircleRadius = 0.25;
    s.StopS = 6.4;
    s.PhiFrom = 0.0;
    s.PhiTo = 360.0;
    s.SymmetryFactor = 2.0;
    s.CPUTime = 12.34;
    s.AbsAccuracy = 1e-5;
    s.RelAccuracy = 2.5e-4;
    s.Evaluations = 4711;
    s.Results.assign(CSurfaceRecord::kResults, 0.0);
    for (std::size_t i = 0; i < s.Results.size(); ++i)
        s.Results[i] = 0.5 + static_cast<double>(i);
}

const Lines kSettings = {
    "Results for interatomic surface between O    1 and H    2",
    " ",
    "      Properties integrated over interatomic surface",
    "      Circle radius around bond critical point: 0.250000",
    "      Natural coordinate integration along gradient paths till s = 6",
    "      Used absolute tolerance per integration step: 1.000000e-005",
    "      Used relative tolerance per integration step: 2.500000e-004",
    "      Integration borders in Phi-coordinate: 0.000000  to  360.000000",
    "      Used symmetry factor: 2.000000",
    "      Number of wavefunction evaluations needed: 4711",
    " ",
    "      Integration results and integrated functions:",
};

Lines Surface(const CBondPoint& b, int* count) {
    zel::CTextRecord record;
    *count = b.WriteSurfaceReport(record);
    EXPECT_EQ(*count, static_cast<int>(record.Size()));
    return record.Lines();
}

void OnlySurface(CMolecule& m, std::initializer_list<int> flags) {
    for (int i = 0; i < 25; ++i)
        m.SetSurfacePropertySelected(i, 0);
    for (int i : flags)
        m.SetSurfacePropertySelected(i, 1);
}

TEST(CritPointRecord, SurfaceRecordWithEveryProperty) {
    Water w;
    CBondPoint& b = *w.bond[0];
    SetIntegration(b);
    int count = 0;
    Lines expected = kSettings;
    auto r = [](int i) { return 0.5 + i; };
    const Lines results = {
        "      Total surface area integrated (0.001 au)              " + C("%10.6lf", r(24)),
        "      RHO, Electron density                                 " + C("%10.6lf", r(0)),
        "      KEG, Lagrangian kinetic energy                        " + C("%10.6lf", r(1)),
        "      KEK, Hamiltonian kinetic energy                       " + C("%10.6lf", r(2)),
        "      L,   Laplacian                                        " + C("%10.6lf", r(3)),
        "      GRN, Gradient of Rho * surface normal                 " + C("%10.6lf", r(4)),
        "      ",
        "      Hypervirial Gradient Function, Atom: O    1",
        "      n = -1        " + C("%18.6lf", r(5)),
        "      n =  0        " + C("%18.6lf", r(6)),
        "      n =  1        " + C("%18.6lf", r(7)),
        "      n =  2        " + C("%18.6lf", r(8)),
        "      ",
        "      Hypervirial Gradient Function, Atom: H    2",
        "      n = -1        " + C("%18.6lf", r(9)),
        "      n =  0        " + C("%18.6lf", r(10)),
        "      n =  1        " + C("%18.6lf", r(11)),
        "      n =  2        " + C("%18.6lf", r(12)),
        "      ",
        "      Hypervirial Gradient Function, Total",
        "      n = -1        " + C("%18.6lf", r(13)),
        "      n =  0        " + C("%18.6lf", r(14)),
        "      n =  1        " + C("%18.6lf", r(15)),
        "      n =  2        " + C("%18.6lf", r(16)),
        "      ",
        "      Virial of force exerted on surface of O    1          " + C("%10.6lf", r(17)),
        "      Virial of force exerted on surface of H    2          " + C("%10.6lf", r(18)),
        "      Total virial of force exerted on surface              " + C("%10.6lf", r(19)),
        "      ",
        "      Total force exerted on electrons of atom O    1",
        "            (" + C("%8.6lf, %8.6lf, %8.6lf", r(20), r(21), r(22)) + ")",
        "      ",
        "      Gradient of force exerted on electrons of atom O    1 " + C("%10.6lf", r(23)),
        " ",
    };
    expected.insert(expected.end(), results.begin(), results.end());
    EXPECT_EQ(Surface(b, &count), expected);

    // The dialog's list: settings without indent, CPU time, packed results.
    std::vector<std::string> items = {"stale"};
    b.ShowSurfaceResults(items);
    ASSERT_EQ(items.size(), 8u + 3u + 25u + 1u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ("      " + items[i], kSettings[i + 2]);
    EXPECT_EQ(items[8], "CPU time needed for integration (machine dependent): 12.3 seconds");
    EXPECT_EQ(items[9], " ");
    EXPECT_EQ(items[10], "Integration results and integrated functions:");
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(items[11 + static_cast<std::size_t>(i)],
                  "      " + C("%18.6lf", r(i)) + "   (" + w.molecule.GetPropertyName(100 + i) + ")");
    EXPECT_EQ(items.back(), " ");
}

TEST(CritPointRecord, SurfaceRecordFollowsTheSelection) {
    Water w;
    CBondPoint& b = *w.bond[1];
    SetIntegration(b);
    int count = 0;
    auto withSettings = [&](Lines tail) {
        Lines out = kSettings;
        out[0] = "Results for interatomic surface between O    1 and H    3";
        out.insert(out.end(), tail.begin(), tail.end());
        return out;
    };

    // Only the area: it takes the first packed result.
    OnlySurface(w.molecule, {24});
    EXPECT_EQ(Surface(b, &count),
              withSettings({"      Total surface area integrated (0.001 au)                0.500000", "      ",
                            "      ", " "}));

    // Only 21: the whole force block, the unselected components 0.
    OnlySurface(w.molecule, {21});
    EXPECT_EQ(Surface(b, &count),
              withSettings({"      ", "      ", "      Total force exerted on electrons of atom O    1",
                            "            (0.000000, 0.500000, 0.000000)", "      ", " "}));

    // Only one n-line of the second hypervirial block.
    OnlySurface(w.molecule, {6, 11});
    EXPECT_EQ(Surface(b, &count),
              withSettings({"      ", "      Hypervirial Gradient Function, Atom: O    1",
                            "      n =  0                  0.500000", "      ",
                            "      Hypervirial Gradient Function, Atom: H    3",
                            "      n =  1                  1.500000", "      ", "      ", " "}));
    std::vector<std::string> items;
    b.ShowSurfaceResults(items);
    ASSERT_EQ(items.size(), 8u + 3u + 2u + 1u);
    EXPECT_EQ(items[12], "      " + C("%18.6lf", 1.5) + "   (" + w.molecule.GetPropertyName(111) + ")");

    // Radius reset: the stored numbers stay but count as absent.
    b.ClearSurfaceResults();
    const Lines absent = {"Results for interatomic surface between O    1 and H    3", " ",
                          "Surface integration results not yet available!", " "};
    EXPECT_EQ(Surface(b, &count), absent);
    b.ShowSurfaceResults(items);
    EXPECT_EQ(items, std::vector<std::string>{"Surface integration results not yet available!"});
}

TEST(CritPointRecord, SurfaceRecordNeedsAtomsAtTwoDensityBondPaths) {
    Water w;
    CMolecule& m = w.molecule;
    const CVector p = w.bond[0]->GetPosition();
    int count = -1;

    // One bond path only, plus paths of another field and without upper end.
    CBondPoint* b = AddPoint<CBondPoint>(m, -1, 0, p);
    SetIntegration(*b);
    graphtest::Connect(m, nullptr, b);
    graphtest::Connect(m, w.max[0], b, 1);
    graphtest::Connect(m, w.max[1], b);
    EXPECT_TRUE(Surface(*b, &count).empty());
    EXPECT_EQ(count, 0);

    // The second density path makes it complete, in the order a reopened
    // document has the paths (by their maxima), not the order they came in:
    // the results of atom A stay those of the same atom.
    graphtest::Connect(m, w.max[0], b);
    EXPECT_EQ(Surface(*b, &count)[0], "Results for interatomic surface between O    1 and H    2");

    // A maximum without an atom at one end: nothing.
    CBondPoint* lone = AddPoint<CBondPoint>(m, -1, 0, p);
    CMaxPoint* far = AddPoint<CMaxPoint>(m, -3, 0, CVector(30.0, 0.0, 0.0));
    ASSERT_EQ(far->GetAtom(), nullptr);
    graphtest::Connect(m, w.max[0], lone);
    graphtest::Connect(m, far, lone);
    EXPECT_TRUE(Surface(*lone, &count).empty());
}

} // namespace
