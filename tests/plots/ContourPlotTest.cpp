// The contour plot without windows: the mesh and its level crossings on one s
// Gaussian, whose contours are circles of known radius; the plot of water's
// density with gradient paths through its bond points on the recording
// canvas, its record in the document and the faults of its persistence; the
// overlay paths' clipping and the critical points deleted under them.

#include "../analysis/AnalysisTestUtil.h"
#include "PlotTestUtil.h"

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "plots/ContourPlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace plottest;

void AddLevel(CContourPlot& plot, double value) {
    auto level = std::make_unique<CLine>();
    level->SetLevel(value);
    plot.GetLevels().push_back(std::move(level));
}

// The level set of the dialog's Default Values, ascending.
std::vector<double> DefaultLevels() {
    std::set<double> values{0.0, 0.001};
    for (double n : {2.0, 4.0, 8.0})
        for (int k = -3; k <= 6; ++k)
            values.insert(n * std::pow(10.0, k));
    return {values.begin(), values.end()};
}

// --- one s Gaussian: rho = 2 exp(-2 alpha r^2) ---------------------------------------

class GaussianContours : public GaussianPlotTest<CContourPlot> {
protected:
    void SetUp() override {
        GaussianPlotTest<CContourPlot>::SetUp();
        if (HasFatalFailure()) return;
        plot->SetRows(4);
        plot->SetColumns(4);
    }

    // The in-plane radius of a segment end: the frame turns the plane, and
    // the value term moves only the plot z.
    static double Radius(CVector p) { return std::hypot(p.x, p.y); }
};

TEST_F(GaussianContours, LevelsAreCirclesOfTheClosedFormRadius) {
    plot->SetRows(24);
    plot->SetColumns(24);
    const std::vector<double> levels = {0.05, 0.3, 1.0, 1.7};
    for (double level : levels)
        AddLevel(*plot, level);
    AddLevel(*plot, 2.5); // above the maximum: nothing
    plot->Compute();
    EXPECT_EQ(plot->IsRecompute(), 0);

    std::map<double, int> perLevel;
    for (const auto& segment : plot->GetSegments()) {
        const double level = segment->GetLevel();
        ++perLevel[level];
        // The crossing stops within the tolerance of the level (in value).
        for (CVector end : {segment->GetStart(), segment->GetEnd()})
            EXPECT_NEAR(Rho(Radius(end)), level, plot->GetTolerance() * (1 + 1e-9)) << level;
        // The value term of the end points: plot z = -(p + value v) . v, the
        // view nudged 0.0001 off the plane normal.
        EXPECT_NEAR(segment->GetStart().z, -level, plot->GetTolerance() + 2.5e-4);
    }
    EXPECT_EQ(perLevel.count(2.5), 0u);
    for (double level : levels) {
        // A closed curve: far more segments than a handful, each short.
        EXPECT_GT(perLevel[level], 8) << level;
        const double radius = std::sqrt(std::log(2.0 / level) / (2.0 * kAlpha));
        double longest = 0.0;
        for (const auto& segment : plot->GetSegments())
            if (segment->GetLevel() == level)
                longest = std::max(longest, (segment->GetEnd() - segment->GetStart()).Length());
        EXPECT_LT(longest, 2.0 * std::numbers::pi * radius / 8) << level;
    }
    // Mesh: (n+1)(m+1) + n m nodes, 4 n m elements, one evaluation per node.
    EXPECT_EQ(plot->GetNodes().size(), 25u * 25u + 24u * 24u);
    EXPECT_EQ(plot->GetElements().size(), 4u * 24u * 24u);
    for (const CNode& node : plot->GetNodes())
        EXPECT_NEAR(node.Value, Rho(node.Position.Length()), 1e-12);
}

TEST_F(GaussianContours, LevelAtANodeValueGivesZeroLengthSegmentsAtTheNode) {
    // Corner node (2, 2) of the 4 x 4 grid sits on the nucleus, the maximum.
    AddLevel(*plot, 1.0);
    plot->Compute();
    const CNode top = plot->GetNodes()[5 * 2 + 2];
    ASSERT_NEAR(top.Position.Length(), 0.0, 1e-12);
    plot->GetLevels().clear();
    AddLevel(*plot, top.Value);
    plot->Compute();
    // Each of the four cells around it has two triangles with that corner;
    // both ends of each are the node itself (the crossing returns it).
    ASSERT_EQ(plot->GetSegments().size(), 8u);
    const CVector expected = plot->ToPlotCoords(top.Position + top.Value * plot->GetViewDirection());
    for (const auto& segment : plot->GetSegments()) {
        EXPECT_EQ(segment->GetStart(), expected);
        EXPECT_EQ(segment->GetEnd(), expected);
    }
}

TEST_F(GaussianContours, FindLevelCrossingCases) {
    const CNode nucleus({0, 0, 0}, 2.0);
    const CNode far({2, 0, 0}, Rho(2.0));
    const CNode flatA({1, 0, 0}, 0.7);
    const CNode flatB({0, 1, 0}, 0.7);
    struct Case {
        const char* what;
        CNode first, second;
        double level;
        CVector expected;
    };
    const Case cases[] = {
        {"first within the tolerance", nucleus, far, 2.0 - 0.00005, nucleus.Position},
        {"second within the tolerance", far, nucleus, 2.0 + 0.00009, nucleus.Position},
        {"equal ends, level apart", flatA, flatB, 0.3, flatA.Position},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plot->FindLevelCrossing(c.first, c.second, c.level).Position, c.expected) << c.what;

    // Between the ends, in either order: within the tolerance of the level
    // at the closed-form radius.
    for (bool swapped : {false, true}) {
        const CNode p =
            swapped ? plot->FindLevelCrossing(far, nucleus, 0.5) : plot->FindLevelCrossing(nucleus, far, 0.5);
        EXPECT_NEAR(p.Value, 0.5, plot->GetTolerance());
        EXPECT_NEAR(Rho(p.Position.Length()), p.Value, 1e-12);
        EXPECT_NEAR(p.Position.y, 0.0, 1e-15);
    }
}

TEST_F(GaussianContours, GridShapes) {
    AddLevel(*plot, 0.5);
    struct Case {
        int rows, columns;
    };
    for (const Case c : {Case{0, 5}, Case{3, 0}, Case{2, 3}}) {
        plot->SetRows(c.rows);
        plot->SetColumns(c.columns);
        plot->Compute();
        const std::size_t n = c.rows;
        const std::size_t m = c.columns;
        ASSERT_EQ(plot->GetNodes().size(), (n + 1) * (m + 1) + n * m);
        ASSERT_EQ(plot->GetElements().size(), 4 * n * m);
        if (n * m == 0) {
            // A zero count: no triangles, no segments, and the corner nodes
            // of the other direction along the plane's side, all finite.
            EXPECT_TRUE(plot->GetSegments().empty());
            for (const CNode& node : plot->GetNodes())
                EXPECT_TRUE(std::isfinite(node.Position.x + node.Position.y + node.Position.z));
            continue;
        }
        // Cell (1, 2) of the 2 x 3 grid: its four triangles around its centre.
        const int corner = 4 * 1 + 2; // C(1, 2) = (m + 1) i + j
        const int centre = 12 + 3 * 1 + 2;
        const int expected[4][3] = {{corner, corner + 1, centre},
                                    {corner + 1, corner + 5, centre},
                                    {corner + 5, corner + 4, centre},
                                    {corner + 4, corner, centre}};
        for (int t = 0; t < 4; ++t) {
            const CElement& e = plot->GetElements()[4 * (3 * 1 + 2) + t];
            EXPECT_EQ(e.Id, 4 * (3 * 1 + 2) + t);
            EXPECT_EQ(e.A, expected[t][0]);
            EXPECT_EQ(e.B, expected[t][1]);
            EXPECT_EQ(e.C, expected[t][2]);
        }
        const CPlotPlane plane = plot->GetPlane();
        const CVector e1 = (plane.Corner1 - plane.Corner0) / 3.0;
        const CVector e2 = (plane.Corner2 - plane.Corner0) / 2.0;
        EXPECT_NEAR((plot->GetNodes()[centre].Position - (plane.Corner0 + 1.5 * e2 + 2.5 * e1)).Length(), 0.0,
                    1e-12);
    }
}

TEST_F(GaussianContours, NoLevelsMeansNoSegmentsAndNoEvaluation) {
    AddLevel(*plot, 0.5);
    plot->Compute();
    ASSERT_FALSE(plot->GetSegments().empty());
    plot->GetLevels().clear();
    g_nEvaluations = 0;
    g_nProgress = 0;
    plot->Compute();
    EXPECT_TRUE(plot->GetSegments().empty());
    EXPECT_EQ(g_nEvaluations.load(), 0);
    EXPECT_EQ(plot->GetNodes().size(), 41u);
    EXPECT_EQ(g_nProgress.load(), 0);
}

TEST_F(GaussianContours, CancelLeavesThePlotMarkedForRecomputation) {
    AddLevel(*plot, 0.5);
    plot->SetRecompute(0);
    {
        const ScopedCancel cancel(1);
        plot->Compute();
    }
    EXPECT_EQ(plot->IsRecompute(), 1);
    EXPECT_EQ(plot->IsComputeCancelled(), 1);
    EXPECT_TRUE(plot->NeedsCompute());
    EXPECT_TRUE(prompts.Texts().empty());
    // Shown as not computed: no segment, the line that says why, the texts
    // and title.
    EXPECT_TRUE(plot->GetSegments().empty());
    plot->Toggle(CPlot::kAxesCode); // the triad draws lines of its own
    const Records cancelled = Draw(*plot);
    EXPECT_TRUE(Shows(cancelled, CPlot::kCancelledLine));
    EXPECT_TRUE(std::none_of(cancelled.begin(), cancelled.end(),
                             [](const std::string& r) { return r.rfind("LineTo", 0) == 0; }));
    EXPECT_TRUE(Shows(cancelled, "New Plot (0)"));
    // A repaint does not start it again; an explicit request does.
    EXPECT_FALSE(plot->NeedsAutoCompute());
    plot->SetRecompute(1);
    EXPECT_TRUE(plot->NeedsAutoCompute());
    plot->Compute();
    EXPECT_EQ(plot->IsRecompute(), 0);
    EXPECT_FALSE(plot->GetSegments().empty());
    const Records computed = Draw(*plot);
    EXPECT_FALSE(Shows(computed, CPlot::kCancelledLine));
}

TEST_F(GaussianContours, GridBeyondTheLimitIsRefusedAsNoMemory) {
    AddLevel(*plot, 0.5);
    plot->Compute();
    const std::size_t segments = plot->GetSegments().size();
    plot->SetRows(CContourPlot::kMaxGridCount + 1);
    plot->SetColumns(100000);
    plot->SetRecompute(0);
    plot->Compute();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Fehler kein Speicher"});
    // The old segments stay; the arrays are gone and save as fresh records.
    EXPECT_EQ(plot->GetSegments().size(), segments);
    EXPECT_TRUE(plot->GetNodes().empty());
    EXPECT_EQ(CContourPlot::NodeCount(100000, 100000), 100001LL * 100001 + 100000LL * 100000);
    EXPECT_EQ(CContourPlot::ElementCount(100000, 100000), 40000000000LL);
}

TEST_F(GaussianContours, ViewAlongTheZAxisIsNudged) {
    plot->UpdateView();
    const CVector v = plot->GetViewDirection();
    EXPECT_EQ(v.x, 0.0001);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_EQ(std::fabs(v.z), 1.0);
    const CVector p = plot->ToPlotCoords({1.5, -0.5, 0.25});
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    EXPECT_NEAR(p.Length(), CVector(1.5, -0.5, 0.25).Length(), 1e-12);
}

TEST_F(GaussianContours, UphillPathsAreClippedFromTheirStart) {
    // A ring point beside the nucleus (no maximum is known, so no uphill path
    // is captured) in a 2 x 2 rectangle that leaves the nucleus outside:
    // every path climbs out of the rectangle towards the nucleus.
    auto ring =
        std::make_unique<CRingPoint>(&molecule, molecule.NextObjectNumber(), 0, CVector(1.5, 0, 0), 0.0);
    const int number = ring->GetNumber();
    molecule.GetList(1)->push_back(std::move(ring));
    ASSERT_EQ(plot->SetPlane(Plane({2, 0, 0}, {3, 0, 0}, {2, 1, 0}, {2, 0, 0}, 2.0, 2.0)), 0);
    auto point = std::make_unique<CSelectedPoint>();
    point->m_bComputedPaths = 1;
    point->m_nPathCount = 4;
    point->m_nNumber = number;
    point->m_Position = {1.5, 0, 0};
    plot->GetSelectedPoints().push_back(std::move(point));
    plot->Compute();

    const CSelectedPoint& traced = *plot->GetSelectedPoints().front();
    ASSERT_EQ(traced.m_Paths.size(), 4u);
    const CVector start = plot->ToPlotCoords({1.5, 0, 0});
    const CContourPlot::SPlaneRegion region = plot->MakePlaneRegion();
    for (const auto& path : traced.m_Paths) {
        const auto& points = path->GetPointList();
        // Kept from the start up to where the path leaves the rectangle.
        ASSERT_GT(points.size(), 10u);
        EXPECT_LT((points.back() - start).Length(), 0.01);
        for (CVector p : points)
            EXPECT_TRUE(region.Contains(plot->ToPage(p)));
        EXPECT_EQ(path->GetParameterList().size(), points.size());
        EXPECT_EQ(path->GetEndPoint(), nullptr);
        EXPECT_EQ(path->GetLowerPoint(), nullptr);
    }
    // The far ends lie where the paths left the rectangle, well away from
    // the start: walked from the far end, every path would have been cut to
    // nothing.
    for (const auto& path : traced.m_Paths)
        EXPECT_GT((path->GetPointList().front() - start).Length(), 0.3);
}

TEST_F(GaussianContours, MarkerShapes) {
    plot->UpdateView();
    const zel::CRect border = plot->GetBorder()->GetRect();
    struct Case {
        int shape;
        double height; // above the plane, bohr
        int computed;
        std::vector<std::string> kinds; // the drawing records, in order
    };
    const Case cases[] = {
        {CSelectedPoint::kCircle, 0.0, 0, {"Ellipse"}},
        {CSelectedPoint::kCross, 0.0, 0, {"MoveTo", "LineTo", "MoveTo", "LineTo"}},
        {CSelectedPoint::kCrossLight,
         0.0,
         0,
         {"MoveTo", "LineTo", "MoveTo", "LineTo", "MoveTo", "LineTo", "MoveTo", "LineTo"}},
        {CSelectedPoint::kRectangle, 0.0, 0, {"Rectangle"}},
        {CSelectedPoint::kTriangle, 0.0, 1, {"Ellipse", "Polygon"}}, // the blank disc first
        {7, 0.0, 0, {"Ellipse"}},                                    // unknown: a circle
        // Exactly 0.001 from the plane: the off-plane shape (a rectangle here).
        {CSelectedPoint::kCross, 0.001, 0, {"Rectangle"}},
        {CSelectedPoint::kCross, 0.0009, 0, {"MoveTo", "LineTo", "MoveTo", "LineTo"}},
    };
    for (const Case& c : cases) {
        CSelectedPoint point;
        point.m_nInPlaneShape = c.shape;
        point.m_nOffPlaneShape = c.height > 0 ? CSelectedPoint::kRectangle : c.shape;
        point.m_bComputedPaths = c.computed;
        // Level with corner 0 in x, so that the view's nudge off the normal
        // adds nothing to the distance from the plane.
        point.m_Position = {plot->GetPlane().Corner0.x, 0.25, c.height};
        zel::CRecordingCanvas dc;
        plot->DrawPointMarkers(point, plot->GetCentreX(), plot->GetCentreY(), plot->GetScale(), border, dc);
        std::vector<std::string> kinds;
        for (const std::string& r : dc.Records())
            if (r.rfind("Select", 0) != 0) kinds.push_back(r.substr(0, r.find(' ')));
        EXPECT_EQ(kinds, c.kinds) << c.shape << " " << c.height;
    }
    // Outside the border: nothing.
    CSelectedPoint far;
    far.m_Position = {0, 0, 0};
    zel::CRecordingCanvas dc;
    plot->DrawPointMarkers(far, 1000.0, 0.0, plot->GetScale(), border, dc);
    EXPECT_TRUE(dc.Records().empty());
}

// A point in the plane far from corner 0 is in the plane: the distance is
// measured along the plane's normal, not along the view, which is nudged
// 0.0001 off it (at 30 bohr that alone would be 0.003 bohr).
TEST_F(GaussianContours, PointInThePlaneFarFromCornerZeroIsInThePlane) {
    ASSERT_EQ(plot->SetPlane(Plane({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, 30.0, 30.0)), 0);
    plot->UpdateView();
    const zel::CRect border = plot->GetBorder()->GetRect();
    const CVector c0 = plot->GetPlane().Corner0;
    for (const auto& [height, expected] : {std::pair{0.0, "Ellipse"}, std::pair{0.0011, "Rectangle"}}) {
        CSelectedPoint point;
        point.m_nInPlaneShape = CSelectedPoint::kCircle;
        point.m_nOffPlaneShape = CSelectedPoint::kRectangle;
        const CPlotPlane plane = plot->GetPlane();
        point.m_Position = c0 + 0.9 * (plane.Corner1 - c0) + 0.9 * (plane.Corner2 - c0);
        ASSERT_GT((point.m_Position - c0).Length(), 30.0);
        point.m_Position.z = height;
        zel::CRecordingCanvas dc;
        plot->DrawPointMarkers(point, plot->GetCentreX(), plot->GetCentreY(), plot->GetScale(), border, dc);
        std::vector<std::string> kinds;
        for (const std::string& r : dc.Records())
            if (r.rfind("Select", 0) != 0) kinds.push_back(r.substr(0, r.find(' ')));
        EXPECT_EQ(kinds, std::vector<std::string>{expected}) << height;
    }
}

// Low levels on a coarse grid: every crossing lies on its level to a part of
// the level, not to the stored tolerance 1e-4 (a tenth of a level of 0.001,
// which let crossings snap to the mesh nodes).
TEST_F(GaussianContours, LowLevelsLieOnTheirLevelRelativeToIt) {
    ASSERT_EQ(plot->SetPlane(Plane({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, 8.0, 8.0)), 0);
    plot->SetRows(15);
    plot->SetColumns(15);
    const std::vector<double> levels = {0.001, 0.002, 0.004};
    for (double level : levels)
        AddLevel(*plot, level);
    plot->Compute();
    ASSERT_EQ(plot->IsRecompute(), 0);
    std::map<double, int> perLevel;
    for (const auto& segment : plot->GetSegments()) {
        const double level = segment->GetLevel();
        ++perLevel[level];
        for (CVector end : {segment->GetStart(), segment->GetEnd()})
            EXPECT_NEAR(Rho(Radius(end)), level, CContourPlot::kRelativeTolerance * level * (1 + 1e-9))
                << level;
    }
    for (double level : levels)
        EXPECT_GT(perLevel[level], 8) << level;

    // One edge, its first node a twentieth of the level off it: the crossing
    // is not the node, but the point of the closed-form radius.
    const double level = 0.001;
    const double r0 = std::sqrt(std::log(2.0 / 0.00095) / (2.0 * kAlpha));
    const double r1 = std::sqrt(std::log(2.0 / 0.005) / (2.0 * kAlpha));
    const CNode outer({r0, 0, 0}, Rho(r0));
    const CNode inner({r1, 0, 0}, Rho(r1));
    const CNode p = plot->FindLevelCrossing(outer, inner, level);
    EXPECT_NEAR(p.Position.x, std::sqrt(std::log(2.0 / level) / (2.0 * kAlpha)), 1e-4 * (r0 - r1));
    EXPECT_LE(std::fabs(p.Value - level), CContourPlot::kRelativeTolerance * level);
}

TEST(ContourCrossing, ToleranceIsRelativeAndTheStoredOneABound) {
    struct Case {
        double stored, level, first, second, expected;
    };
    const Case cases[] = {
        {1e-4, 0.001, 0.0005, 0.5, 1e-7},  // a part of the level
        {1e-4, 1.0, 0.9995, 1.0005, 1e-7}, // of the values' difference where the field is flat
        {1e-4, 0.0, -0.02, 0.02, 4e-6},    // level 0: of the difference
        {1e-9, 1.0, 0.0, 2.0, 1e-9},       // a plot saved with a smaller tolerance keeps it
        {1e-4, 5.0, 0.0, 20.0, 1e-4},      // never looser than the stored one
    };
    for (const Case& c : cases)
        EXPECT_NEAR(CContourPlot::CrossingTolerance(c.stored, c.level, c.first, c.second), c.expected,
                    1e-12 * c.expected)
            << c.level;
}

// The field cannot be evaluated (no wavefunction to prepare): no contour is
// traced from values never computed; the plot says so and stays not computed.
TEST(ContourFailures, FieldThatCannotBeEvaluatedIsReportedAndLeavesNoContours) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped{prompts};
    CMolecule empty;
    CContourPlot plot(&empty);
    plot.SetRows(3);
    plot.SetColumns(3);
    AddLevel(plot, 0.5);
    plot.GetSegments().push_back(std::make_unique<CLine>());
    plot.SetRecompute(0);
    plot.Compute();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{CPlot::kCannotEvaluate});
    EXPECT_TRUE(plot.GetSegments().empty());
    EXPECT_EQ(plot.IsComputeCancelled(), CPlot::kComputeFailed);
    EXPECT_TRUE(plot.NeedsCompute());
    EXPECT_FALSE(plot.NeedsAutoCompute());
    const Records drawn = Draw(plot);
    EXPECT_TRUE(Shows(drawn, CPlot::kFailedLine));
}

// --- water in its molecular plane ---------------------------------------------------------

class WaterContours : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
        analysistest::SearchAll(molecule);
        ASSERT_EQ(molecule.GetList(-1)->size(), 2u);
        for (const auto& bond : *molecule.GetList(-1))
            static_cast<CBondPoint*>(bond.get())->TraceBondPaths();
        // Reloading lists a point's paths in the order of their upper ends:
        // start from that order, so that a drawing can be compared across a
        // reload.
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
        ASSERT_TRUE(LoadDocumentBytes(bytes, molecule, error)) << error;
        CPlot::ResetPlotCounter();
        auto owned = std::make_unique<CContourPlot>(&molecule);
        plot = owned.get();
        molecule.GetPlotList().push_front(std::move(owned));
        auto atom = molecule.GetAtomList().begin();
        const CVector o = (*atom)->GetPosition();
        const CVector h1 = (*++atom)->GetPosition();
        const CVector h2 = (*++atom)->GetPosition();
        ASSERT_EQ(plot->SetPlane(Plane(o, h1, h2, {0, 0, -0.3}, 6.0, 6.0)), 0);
        for (double level : DefaultLevels())
            AddLevel(*plot, level);
        // The bond points with their overlay paths and bond paths, the atoms
        // with markers only.
        for (const auto& bond : *molecule.GetList(-1)) {
            auto point = std::make_unique<CSelectedPoint>();
            point->m_bComputedPaths = 1;
            point->m_nPathCount = 8;
            point->m_bMolGraphPaths = 1;
            point->m_nNumber = bond->GetNumber();
            point->m_Position = bond->GetPosition();
            point->m_strName = "(3,-1) bond";
            point->m_nInPlaneShape = CSelectedPoint::kCircle;
            plot->GetSelectedPoints().push_back(std::move(point));
        }
        for (const auto& a : molecule.GetAtomList()) {
            auto point = std::make_unique<CSelectedPoint>();
            point->m_nNumber = a->GetNumber();
            point->m_Position = a->GetPosition();
            point->m_strName = a->GetLabel();
            plot->GetSelectedPoints().push_back(std::move(point));
        }
    }

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped{prompts};
    CMolecule molecule;
    CContourPlot* plot = nullptr;
};

TEST_F(WaterContours, BondPathsEndOnTheNucleiAndTheDocumentRoundTrips) {
    plot->Compute();
    EXPECT_EQ(plot->IsRecompute(), 0);
    // 49.99 after the mesh, then 50 / 5 points / 8 paths for each path of the
    // two bond points, truncated.
    EXPECT_EQ(g_nProgress.load(), 69);
    const Records drawn = Draw(*plot);
    EXPECT_GT(plot->GetSegments().size(), 1000u);

    // Every overlay path: 8 per bond point, leaving it downhill, all inside
    // the plane rectangle and the slab.
    for (const auto& point : plot->GetSelectedPoints()) {
        if (!point->m_bComputedPaths) {
            EXPECT_TRUE(point->m_Paths.empty());
            continue;
        }
        ASSERT_EQ(point->m_Paths.size(), 8u);
        for (const auto& path : point->m_Paths) {
            EXPECT_EQ(path->GetEndPoint(), nullptr);
            EXPECT_EQ(path->GetLowerPoint(), nullptr);
            ASSERT_GT(path->GetPointList().size(), 2u);
            const CVector start = path->GetPointList().front();
            EXPECT_LT((start - plot->ToPlotCoords(point->m_Position)).Length(), 0.002);
        }
    }

    // The bond paths are drawn from the nuclei (the density maxima of the
    // atoms, their upper ends, where their points start) down to the bond
    // points.
    std::vector<zel::CPoint> nuclei;
    for (const auto& maximum : *molecule.GetList(-3)) {
        ASSERT_NE(static_cast<CMaxPoint*>(maximum.get())->GetAtom(), nullptr);
        nuclei.push_back(plot->ToPage(plot->ToPlotCoords(maximum->GetPosition())));
    }
    ASSERT_EQ(nuclei.size(), 3u);
    const double scale = plot->GetScale();
    auto distance = [](zel::CPoint a, zel::CPoint b) {
        return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
    };
    int ends = 0;
    for (const auto& bond : *molecule.GetList(-1)) {
        for (const CGradPath* path : bond->GetPathList(true)) {
            const zel::CPoint start = plot->ToPage(plot->ToPlotCoords(path->GetPointList().front()));
            const std::string move = "MoveTo " + std::to_string(start.x) + " " + std::to_string(start.y);
            EXPECT_NE(std::find(drawn.begin(), drawn.end(), move), drawn.end()) << move;
            const auto nearest = std::min_element(nuclei.begin(), nuclei.end(), [&](auto a, auto b) {
                return distance(a, start) < distance(b, start);
            });
            EXPECT_LT(distance(*nearest, start), 0.02 * scale);
            const zel::CPoint end = plot->ToPage(plot->ToPlotCoords(path->GetPointList().back()));
            EXPECT_LT(distance(end, plot->ToPage(plot->ToPlotCoords(bond->GetPosition()))), 0.05 * scale);
            ++ends;
        }
    }
    EXPECT_EQ(ends, 4);
    // Markers: two circles on the bond points (after their blank discs), and
    // the atoms' triangles; the labels.
    EXPECT_EQ(
        std::count_if(drawn.begin(), drawn.end(), [](const auto& r) { return r.rfind("Polygon ", 0) == 0; }),
        3);
    for (const auto& atom : molecule.GetAtomList())
        EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(),
                                [&](const auto& r) {
                                    return r.rfind("TextOut ", 0) == 0 && r.ends_with(" " + atom->GetLabel());
                                }),
                  1);

    // Save, reopen: the same drawing and the same bytes.
    std::vector<std::uint8_t> first;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    ASSERT_EQ(molecule.GetPlotList().size(), 1u);
    auto* loaded = dynamic_cast<CContourPlot*>(molecule.GetPlotList().front().get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(loaded->NeedsCompute());
    const Records again = Draw(*loaded);
    ASSERT_EQ(again.size(), drawn.size());
    for (std::size_t i = 0; i < again.size(); ++i)
        ASSERT_EQ(again[i], drawn[i]) << i;
    std::vector<std::uint8_t> second;
    ASSERT_TRUE(StoreDocumentBytes(molecule, second, error)) << error;
    EXPECT_EQ(second, first);
}

TEST_F(WaterContours, DeletedCriticalPointLeavesNoDanglingPath) {
    plot->Compute();
    // The first bond point goes while the plot keeps its overlay paths.
    auto& bonds = *molecule.GetList(-1);
    const int number = bonds.front()->GetNumber();
    bonds.pop_front();
    ASSERT_EQ(molecule.FindCritPointById(number), nullptr);
    // Drawing skips its bond paths; computing skips the point (no paths).
    const Records drawn = Draw(*plot);
    EXPECT_FALSE(drawn.empty());
    plot->Compute();
    const auto& first = plot->GetSelectedPoints().front();
    ASSERT_EQ(first->m_nNumber, number);
    EXPECT_TRUE(first->m_Paths.empty());
    EXPECT_EQ(plot->GetSelectedPoints().front().get(), first.get());
    EXPECT_EQ((*std::next(plot->GetSelectedPoints().begin()))->m_Paths.size(), 8u);
    // And the plot goes after its points without touching them.
    molecule.GetList(-1)->clear();
    molecule.GetPlotList().clear();
}

TEST_F(WaterContours, PlotWithoutMeshSavesFreshRecordsTwiceAlike) {
    // Never computed (as after a failed allocation): the record still holds
    // the (n+1)(m+1) + n m nodes and n m elements, all zero.
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> second;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    auto* loaded = dynamic_cast<CContourPlot*>(molecule.GetPlotList().front().get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetNodes().size(), 31u * 31u + 900u);
    EXPECT_EQ(loaded->GetElements().size(), 900u);
    for (const CNode& node : loaded->GetNodes()) {
        EXPECT_EQ(node.Value, 0.0);
        EXPECT_EQ(node.Flag, 0);
        EXPECT_EQ(node.Aux[0] | node.Aux[1] | node.Aux[2] | node.Aux[3], 0);
    }
    ASSERT_TRUE(StoreDocumentBytes(molecule, second, error)) << error;
    EXPECT_EQ(second, first);
    // A grid changed since the last computation also saves fresh records.
    loaded->SetRows(5);
    loaded->SetColumns(4);
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    loaded = dynamic_cast<CContourPlot*>(molecule.GetPlotList().front().get());
    EXPECT_EQ(loaded->GetNodes().size(), 6u * 5u + 20u);
}

} // namespace
