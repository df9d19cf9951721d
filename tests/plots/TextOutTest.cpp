// Field values on a plane grid: the file of one s Gaussian's density against
// the closed form, its two layouts, the default plane, and the failures that
// must say so and leave the file alone.

#include "../analysis/AnalysisTestUtil.h"

#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "plots/SurfacePlot.h"
#include "plots/TextOut.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

class TextOutTest : public ::testing::Test {
protected:
    static constexpr double kAlpha = 0.5;
    static inline const CVector kCentre{1.0, 1.0, 0.0};

    void SetUp() override {
        ASSERT_EQ(analysistest::LoadText(molecule, analysistest::OneGaussianWfn(kCentre, kAlpha)), 1);
        dir = std::filesystem::temp_directory_path() /
              ("zelmora-textout-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static double Rho(CVector p) { return 2.0 * std::exp(-2.0 * kAlpha * (p - kCentre) * (p - kCentre)); }

    CMolecule molecule;
    CTextOutData settings;
    std::filesystem::path dir;
};

TEST_F(TextOutTest, RhoOnAThreeByThreeGridMatchesTheClosedForm) {
    const std::string path = (dir / "rho.dat").string();
    std::string message;
    const CPlotPlane plane = settings.GetPlane();
    ASSERT_EQ(CTextOutput::Write(molecule, plane, 3, 3, 1.5, true, path, &message), TextOutResult::Written)
        << message;
    const std::string text = ReadFile(path);
    ASSERT_TRUE(text.ends_with("\r\n"));
    const std::vector<std::string> lines = Split(text.substr(0, text.size() - 2), "\r\n");
    ASSERT_EQ(lines.size(), 16u);
    int clipped = 0;
    for (int i = 0; i <= 3; ++i) {
        for (int j = 0; j <= 3; ++j) {
            const std::string& line = lines[4 * i + j];
            EXPECT_EQ(line.find('\n'), std::string::npos);
            const std::vector<std::string> fields = Split(line, "\t");
            ASSERT_EQ(fields.size(), 4u) << line;
            // From corner 0 (-3, -3) towards corner 1 (3, -3) inside, towards
            // corner 2 (-3, 3) outside: the square's points 2 bohr apart.
            const CVector p{-3.0 + 2.0 * j, -3.0 + 2.0 * i, 0.0};
            EXPECT_EQ(fields[0], zel::Sprintf("%.16g", p.x)) << line;
            EXPECT_EQ(fields[1], zel::Sprintf("%.16g", p.y)) << line;
            EXPECT_EQ(fields[2], "0") << line;
            const double expected = std::min(Rho(p), 1.5);
            clipped += expected == 1.5;
            EXPECT_NEAR(std::stod(fields[3]), expected, 1e-15 + 1e-14 * expected) << line;
            // Sixteen significant digits, exponents of three digits.
            EXPECT_EQ(fields[3], zel::Sprintf("%.16g", std::stod(fields[3]))) << line;
        }
    }
    EXPECT_EQ(clipped, 1); // the nucleus, 2.0, at the bound
    // The far corner: 2 exp(-32) in exponent form.
    EXPECT_TRUE(lines[0].ends_with("e-014")) << lines[0];

    // The bound is a magnitude: -1.5 clips alike.
    ASSERT_EQ(CTextOutput::Write(molecule, plane, 3, 3, -1.5, true, path, &message), TextOutResult::Written);
    EXPECT_EQ(ReadFile(path), text);

    // Without coordinates: one line per i of 4 values, each followed by a tab.
    ASSERT_EQ(CTextOutput::Write(molecule, plane, 3, 3, 1.5, false, path, &message), TextOutResult::Written);
    const std::vector<std::string> values = Split(ReadFile(path), "\r\n");
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[4], "");
    for (int i = 0; i <= 3; ++i) {
        const std::vector<std::string> fields = Split(values[i], "\t");
        ASSERT_EQ(fields.size(), 5u) << values[i];
        EXPECT_EQ(fields[4], "");
        for (int j = 0; j <= 3; ++j)
            EXPECT_EQ(fields[j], Split(lines[4 * i + j], "\t")[3]);
    }
}

TEST_F(TextOutTest, GridShapes) {
    // Columns 10, rows 40: 11 lines of 41 values; the last point of every
    // line on the edge from corner 1 to corner 1 + corner 2 - corner 0.
    const CPlotPlane plane = settings.GetPlane();
    STextOutGrid grid;
    ASSERT_EQ(CTextOutput::ComputeGrid(molecule, plane, 10, 40, 1.0, grid), TextOutResult::Written);
    ASSERT_EQ(grid.points.size(), 11u * 41u);
    for (int i = 0; i <= 10; ++i) {
        const CVector last = grid.points[41 * i + 40];
        EXPECT_NEAR(last.x, 3.0, 1e-15);
        EXPECT_NEAR(last.y, -3.0 + 0.6 * i, 1e-14);
    }
    const std::string text = CTextOutput::FormatGrid(grid, 10, 40, false);
    EXPECT_EQ(Split(text, "\r\n").size(), 12u);
    // One by one: corners 0, 1, 2 and the fourth.
    ASSERT_EQ(CTextOutput::ComputeGrid(molecule, plane, 1, 1, 1.0, grid), TextOutResult::Written);
    const std::vector<CVector> expected{plane.Corner0, plane.Corner1, plane.Corner2,
                                        plane.Corner1 + plane.Corner2 - plane.Corner0};
    EXPECT_EQ(grid.points, expected);
}

TEST_F(TextOutTest, DefaultPlaneIsASquareAlsoThroughThePlaneDialog) {
    const CPlotPlane plane = settings.GetPlane();
    const CVector side1 = plane.Corner1 - plane.Corner0;
    const CVector side2 = plane.Corner2 - plane.Corner0;
    EXPECT_EQ(plane.Corner0, CVector(-3, -3, 0));
    EXPECT_EQ(plane.Corner1, CVector(3, -3, 0));
    EXPECT_EQ(side1 * side2, 0.0);
    EXPECT_EQ(side1.Length(), 6.0);
    EXPECT_EQ(side2.Length(), 6.0);
    // The plane dialog derives the corners again from A, B, C and the
    // centre: the same square, every number finite.
    CSurfacePlot working(&molecule);
    ASSERT_EQ(working.SetPlane(plane), 0);
    const CPlotPlane derived = working.GetPlane();
    for (const auto& [got, want] :
         {std::pair{derived.Corner0, plane.Corner0}, std::pair{derived.Corner1, plane.Corner1},
          std::pair{derived.Corner2, plane.Corner2}})
        EXPECT_NEAR((got - want).Length(), 0.0, 1e-12);
    // The settings take every field of a plane.
    CPlotPlane other = plane;
    other.Angle = 30.0;
    other.PointC = {5, 6, 7};
    settings.SetPlane(other);
    EXPECT_EQ(settings.GetPlane().Angle, 30.0);
    EXPECT_EQ(settings.GetPlane().PointC, CVector(5, 6, 7));
}

TEST_F(TextOutTest, FailuresSaySoAndLeaveTheFileAlone) {
    const std::string existing = (dir / "keep.dat").string();
    std::ofstream(existing, std::ios::binary) << "old contents";
    const CPlotPlane plane = settings.GetPlane();
    std::string message;

    // A path that cannot be written.
    const std::string missing = (dir / "no-such-folder" / "rho.dat").string();
    EXPECT_EQ(CTextOutput::Write(molecule, plane, 3, 3, 1.0, true, missing, &message),
              TextOutResult::CannotWrite);
    EXPECT_EQ(message, "Could not write file " + missing + ": No such file or directory");
    const std::string folder = dir.string();
    EXPECT_EQ(CTextOutput::Write(molecule, plane, 3, 3, 1.0, true, folder, &message),
              TextOutResult::CannotWrite);
    EXPECT_EQ(message, "Could not write file " + folder + ": Is a directory");

    // The disk refuses the values halfway (the file-size limit makes write
    // fail): the file the user agreed to replace is still there, whole, and
    // nothing is left beside it.
    {
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const TextOutResult result = CTextOutput::Write(molecule, plane, 3, 3, 1.0, true, existing, &message);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(result, TextOutResult::CannotWrite);
        EXPECT_EQ(message.rfind("Could not write file " + existing + ": ", 0), 0u) << message;
        EXPECT_EQ(ReadFile(existing), "old contents");
        EXPECT_EQ(
            std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()),
            1);
    }

    // Counts outside 1..1000.
    for (const auto& [columns, rows] :
         {std::pair{0, 3}, std::pair{3, 0}, std::pair{1001, 3}, std::pair{3, 1 << 30}}) {
        EXPECT_EQ(CTextOutput::Write(molecule, plane, columns, rows, 1.0, true, existing, &message),
                  TextOutResult::NoMemory);
        EXPECT_EQ(message, CTextOutput::kNoMemory);
    }

    // A molecule that cannot be evaluated: no value stands in for another.
    CMolecule empty;
    EXPECT_EQ(CTextOutput::Write(empty, plane, 2, 2, 1.0, true, existing, &message),
              TextOutResult::EvaluationFailed);
    EXPECT_EQ(message,
              "The field could not be evaluated at (-3, -3, 0): nothing was written to " + existing + ".");
    EXPECT_EQ(ReadFile(existing), "old contents");
}

} // namespace
