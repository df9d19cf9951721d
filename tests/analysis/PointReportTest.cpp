// The point record of the property analysis: its text, the analysed point kept
// apart from later evaluations, and documents whose path options would never
// end a path.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "AnalysisTestUtil.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"

namespace {

using analysistest::Load;
using Lines = std::vector<std::string>;

const CVector kOxygen(0.0, 0.0, 0.22166486);
const CVector kHydrogen(0.0, 1.43090052, -0.88665943);

using analysistest::Widen;

std::string F(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string E(double value) {
    return Widen(F("%18.10le", value));
}

Lines Report(const CMolecule& molecule) {
    zel::CTextRecord record;
    const int count = molecule.WritePointReport(&record);
    EXPECT_EQ(count, static_cast<int>(record.Size()));
    return record.Lines();
}

// The water bond point between O and the first H.
CVector WaterBondPoint(CMolecule& molecule) {
    const CVector start = kOxygen + 0.75 * (kHydrogen - kOxygen);
    EXPECT_EQ(molecule.NewtonIteration("bond", start, nullptr), 1);
    return molecule.GetLastPoint();
}

void OnlyFlags(CMolecule& molecule, std::initializer_list<int> flags) {
    for (int i = 0; i < kBasinProperties; ++i)
        molecule.SetBasinPropertySelected(i, 0);
    for (int i : flags)
        molecule.SetBasinPropertySelected(i, 1);
}

TEST(PointReport, WaterBondPointRecordFollowsTheRecordFormats) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    const CVector p = WaterBondPoint(molecule);
    ASSERT_EQ(molecule.Evaluate(p, 3), 1);
    molecule.TakePointSnapshot();

    // Expected text from the molecule's own evaluation, formatted here by the C
    // library.
    const double value = molecule.GetLastValue();
    const CVector g = molecule.GetGradient();
    const CTensor h = molecule.GetHessianEigen();
    ASSERT_TRUE(h.HasEigenData());
    const CVector l = *h.GetEigenvalues();
    const CMatrix v = *h.GetEigenvectors();
    const std::vector<double> values(molecule.GetValues(),
                                     molecule.GetValues() + molecule.GetPropertyCount());

    auto three = [](const char* head, double a, double b, double c) {
        return head + F("%17.8f", a) + " " + F("%17.8f", b) + " " + F("%17.8f", c);
    };
    Lines expected = {
        "Coordinates of point: " + F("%10.6f", p.x) + " " + F("%10.6f", p.y) + " " + F("%10.6f", p.z),
        "Analyzed density function: " + molecule.GetPropertyName(0),
        " ",
        "   Density value:  " + F("%17.8f", value),
        " ",
        three("   Gradient:       ", g.x, g.y, g.z),
        " ",
        three("   Hessian matrix: ", h.xx, h.xy, h.xz),
        three("                   ", h.xy, h.yy, h.yz),
        three("                   ", h.xz, h.yz, h.zz),
        " ",
        three("   Eigenvalues of Hessian:", l.x, l.y, l.z),
        three("   First Eigenvector:     ", v.c0.x, v.c0.y, v.c0.z),
        three("   Second Eigenvector:    ", v.c1.x, v.c1.y, v.c1.z),
        three("   Third Eigenvector:     ", v.c2.x, v.c2.y, v.c2.z),
        " ",
        "Properties: ",
        "   Rho   " + E(values[0]),
        "   KEG   " + E(values[2]),
        "   KEK   " + E(values[3]) + "         EOA  " + E(values[5]),
        "   Lap   " + E(values[1]),
        "   I     " + E(values[6]),
        "   VNET  " + E(values[17]) + "   VNET(Cor)  " + E(values[18]),
        "   EHF   " + E(values[19]),
        "                              VREP(Cor)  " + E(values[20]),
        "                                V(Atom)  " + E(values[21]),
        "   VIR   " + E(values[4]),
        "   ",
        "   Overlap matrix, number of orbitals: 5",
    };
    for (int i = 0; i < 5; ++i) {
        std::string row = "     ";
        for (int c = 0; c <= i; ++c)
            row += F("%14.8lf", values[static_cast<std::size_t>(47 + i * (i + 1) / 2 + c)]);
        expected.push_back(row);
    }
    expected.push_back("   ");
    EXPECT_EQ(Report(molecule), expected);

    // A bond point: two negative curvatures and one positive; the density
    // there, and L = -1/4 of the Hessian's trace.
    EXPECT_LT(l.y, 0.0);
    EXPECT_GT(l.z, 0.0);
    EXPECT_EQ(values[0], value);
    EXPECT_NEAR(values[1], -0.25 * h.Trace(), 1e-9 * std::fabs(h.Trace()));
    EXPECT_LT(g.Length(), 1e-6);
    // Three exponent digits, one leading blank for a positive value.
    EXPECT_EQ(E(0.5), " 5.0000000000e-001");
}

TEST(PointReport, SelectionFlagsChooseThePropertyLines) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    ASSERT_EQ(molecule.Evaluate(CVector(0.1, 0.4, -0.3), 3), 1);
    molecule.TakePointSnapshot();
    const std::vector<double> values(molecule.GetValues(),
                                     molecule.GetValues() + molecule.GetPropertyCount());

    auto tail = [&](std::initializer_list<int> flags) {
        OnlyFlags(molecule, flags);
        const Lines lines = Report(molecule);
        Lines after;
        bool seen = false;
        for (const std::string& line : lines) {
            if (seen) after.push_back(line);
            seen = seen || line == "Properties: ";
        }
        return after;
    };

    EXPECT_EQ(tail({0, 1, 2, 3, 4}), (Lines{"   Rho   " + E(values[0]), "   KEG   " + E(values[2]),
                                            "   KEK   " + E(values[3]) + "         EOA  " + E(values[5]),
                                            "   Lap   " + E(values[1]), "   VIR   " + E(values[4]), "   "}));
    // Either flag of a two-value line shows both values.
    EXPECT_EQ(tail({5, 18}), (Lines{"   KEK   " + E(values[3]) + "         EOA  " + E(values[5]),
                                    "   VNET  " + E(values[17]) + "   VNET(Cor)  " + E(values[18]), "   "}));
    EXPECT_EQ(tail({}), (Lines{"   "}));
}

// The overlap matrix in blocks of five columns: 21 orbitals give five blocks
// of 21, 16, 11, 6 and 1 rows, each closed by a line of three blanks.
TEST(PointReport, OverlapMatrixIsPrintedInBlocksOfFiveColumns) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "benzene.wfn"), 1);
    ASSERT_EQ(molecule.Evaluate(CVector(0.5, 0.5, 0.8), 3), 1);
    molecule.TakePointSnapshot();
    const double* values = molecule.GetValues();
    OnlyFlags(molecule, {47});
    const Lines lines = Report(molecule);

    auto header = std::find(lines.begin(), lines.end(), "   Overlap matrix, number of orbitals: 21");
    ASSERT_NE(header, lines.end());
    std::vector<std::vector<std::string>> blocks(1);
    for (auto it = header + 1; it != lines.end(); ++it) {
        if (*it == "   ")
            blocks.emplace_back();
        else
            blocks.back().push_back(*it);
    }
    blocks.pop_back(); // after the last closing line
    ASSERT_EQ(blocks.size(), 5u);
    const std::size_t rows[] = {21, 16, 11, 6, 1};
    for (std::size_t b = 0; b < 5; ++b) {
        ASSERT_EQ(blocks[b].size(), rows[b]) << b;
        for (std::size_t r = 0; r < rows[b]; ++r) {
            const int i = static_cast<int>(5 * b + r);
            const int first = static_cast<int>(5 * b);
            const int last = std::min(i, first + 4);
            std::string expected = "     ";
            for (int c = first; c <= last; ++c)
                expected += F("%14.8lf", values[47 + i * (i + 1) / 2 + c]);
            EXPECT_EQ(blocks[b][r], expected) << "block " << b << " row " << i;
        }
    }
}

// The record describes the analysed point even after any other evaluation has
// overwritten the molecule's last-evaluation results.
TEST(PointReport, RecordKeepsTheAnalysedPointAfterLaterEvaluations) {
    CMolecule molecule;
    EXPECT_EQ(Report(molecule), Lines{"No point has been analysed yet."});
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    EXPECT_EQ(Report(molecule), Lines{"No point has been analysed yet."});

    const CVector analysed = WaterBondPoint(molecule);
    ASSERT_EQ(molecule.Evaluate(analysed, 3), 1);
    molecule.TakePointSnapshot();
    const Lines before = Report(molecule);
    const double rho = molecule.GetValues()[0];

    // A path tracer, a plot and an integration evaluate elsewhere at other levels.
    ASSERT_EQ(molecule.Evaluate(CVector(1.0, -0.5, 0.3), -2), 1);
    ASSERT_EQ(molecule.Evaluate(CVector(-0.7, 0.2, 1.1), -1), 1);
    ASSERT_EQ(molecule.Evaluate(CVector(0.4, 0.4, 0.4), 1), 1);
    molecule.SetFieldIndex(1);
    const Lines after = Report(molecule);
    EXPECT_EQ(after, before);
    ASSERT_GE(after.size(), 18u);
    EXPECT_EQ(after[0], "Coordinates of point: " + F("%10.6f", analysed.x) + " " + F("%10.6f", analysed.y) +
                            " " + F("%10.6f", analysed.z));
    EXPECT_EQ(after[1], "Analyzed density function: " + molecule.GetPropertyName(0));
    EXPECT_EQ(after[17], "   Rho   " + E(rho));

    molecule.Reset();
    EXPECT_EQ(molecule.GetPointSnapshot(), nullptr);
    EXPECT_EQ(Report(molecule), Lines{"No point has been analysed yet."});
}

TEST(PointReport, HessianWithoutEigenDataGivesOneLineInPlaceOfTheEigenLines) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    molecule.GetLAOptions().MaxQLIterations.Current = 0;
    ASSERT_EQ(molecule.Evaluate(CVector(0.3, 0.9, -0.5), 3), 1);
    ASSERT_FALSE(molecule.GetHessianEigen().HasEigenData());
    molecule.TakePointSnapshot();
    const Lines lines = Report(molecule);
    ASSERT_GE(lines.size(), 14u);
    EXPECT_EQ(lines[10], " ");
    EXPECT_EQ(lines[11], "Eigensystem calculation not successful");
    EXPECT_EQ(lines[12], " ");
    EXPECT_EQ(lines[13], "Properties: ");
}

// The number of QL iterations the eigensystems may take per eigenvalue lies
// in the option dialog's range; a document beyond it would hold the record
// view for minutes on a tensor that does not converge, and is refused.
TEST(PointReport, DocumentWithAnIterationLimitBeyondTheDialogsRangeIsRefused) {
    CMolecule source;
    ASSERT_EQ(Load(source, "water.wfn"), 1);
    for (const int limit : {0, -5, 1000000, 858993459, 1, 999999}) {
        SCOPED_TRACE(limit);
        source.GetLAOptions().MaxQLIterations.Current = limit;
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(StoreDocumentBytes(source, bytes, error)) << error;
        CMolecule target;
        const bool inRange = limit >= 1 && limit <= 999999;
        EXPECT_EQ(LoadDocumentBytes(bytes, target, error), inRange);
        if (inRange) {
            EXPECT_EQ(target.GetLAOptions().MaxQLIterations.Current, limit);
            continue;
        }
        EXPECT_EQ(error,
                  "Invalid linear algebra options in file: the number of QL iterations must lie between 1 and 999999.");
        EXPECT_TRUE(target.GetAtomList().empty());
        EXPECT_EQ(target.GetLAOptions().MaxQLIterations.Current, 60);
    }
}

// A point distance or a path accuracy that is zero, negative or not finite
// would keep the path tracers from ever ending a path: such a document is
// refused like any damaged one.
TEST(PointReport, DocumentWithPathOptionsThatNeverEndAPathIsRefused) {
    const std::vector<std::pair<const char*, std::function<void(CDEOptions&)>>> cases = {
        {"zero spacing", [](CDEOptions& o) { o.PointDistance.Current = 0.0; }},
        {"negative spacing", [](CDEOptions& o) { o.PointDistance.Current = -0.02; }},
        {"zero absolute accuracy", [](CDEOptions& o) { o.AbsAccuracy.Current = 0.0; }},
        {"negative relative accuracy", [](CDEOptions& o) { o.RelAccuracy.Current = -1e-6; }},
    };
    CMolecule source;
    ASSERT_EQ(Load(source, "water.wfn"), 1);
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        source.GetDEOptions().Reset();
        damage(source.GetDEOptions());
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(StoreDocumentBytes(source, bytes, error)) << error;
        CMolecule target;
        EXPECT_FALSE(LoadDocumentBytes(bytes, target, error));
        EXPECT_EQ(
            error,
            "Invalid gradient path options in file: the point distance and the accuracies must be positive.");
        EXPECT_TRUE(target.GetAtomList().empty());
        EXPECT_EQ(target.GetDEOptions().PointDistance.Current, 0.02);
    }

    // Small positive values load as they are.
    source.GetDEOptions().Reset();
    source.GetDEOptions().PointDistance.Current = 1e-5;
    source.GetDEOptions().AbsAccuracy.Current = 1e-12;
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(source, bytes, error)) << error;
    CMolecule target;
    ASSERT_TRUE(LoadDocumentBytes(bytes, target, error)) << error;
    EXPECT_EQ(target.GetDEOptions().PointDistance.Current, 1e-5);
    EXPECT_EQ(target.GetDEOptions().AbsAccuracy.Current, 1e-12);
}

} // namespace
