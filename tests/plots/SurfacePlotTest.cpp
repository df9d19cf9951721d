// The relief map without windows: the mesh of one s Gaussian against the
// closed form, the projection, depth sort, shading and fit; water's density
// over its molecular plane on the recording canvas, painted from the
// farthest triangle to the nearest in the shading's colours, and its record
// in the document with the faults of persistence.

#include "../analysis/AnalysisTestUtil.h"
#include "PlotTestUtil.h"

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "plots/PlotDialogs.h"
#include "plots/SurfacePlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace plottest;

// The shading rule, written out once more for the oracle.
zel::COLORREF ExpectedShade(CVector n, CVector light, CVector top, CVector bottom) {
    const double i = std::sqrt(std::fabs(n * light) / (n.Length() * light.Length()));
    const CVector c = n.z <= 0 ? top : bottom;
    int rgb[3];
    const double parts[3] = {c.x, c.y, c.z};
    for (int k = 0; k < 3; ++k) {
        const double v = i <= 0.5 ? 2.0 * parts[k] * i : parts[k] + 2.0 * (255.0 - parts[k]) * (i - 0.5);
        rgb[k] = static_cast<int>(v) % 256;
    }
    return zel::RGB(rgb[0], rgb[1], rgb[2]);
}

// --- one s Gaussian: rho = 2 exp(-2 alpha r^2) ------------------------------------------

class GaussianRelief : public GaussianPlotTest<CSurfacePlot> {};

TEST_F(GaussianRelief, NewMapDefaults) {
    EXPECT_EQ(plot->GetKind(), CPlot::kRelief);
    EXPECT_TRUE(plot->NeedsAutoCompute());
    EXPECT_EQ(plot->IsNotComputed(), 1);
    int m = 0, n = 0;
    plot->GetGrid(&m, &n);
    EXPECT_EQ(m, 20);
    EXPECT_EQ(n, 20);
    EXPECT_EQ(plot->GetReliefLight(), CVector(0, 0, -1));
    EXPECT_EQ(plot->GetColor(0), CVector(255, 0, 0));
    EXPECT_EQ(plot->GetColor(1), CVector(255, 255, 255));
    EXPECT_EQ(plot->GetColor(2), CVector(0, 0, 0));
    EXPECT_EQ(plot->GetColor(7), CVector(255, 0, 0)); // any other index: the top colour
    plot->SetColor(5, {1, 2, 3});                     // changes nothing
    for (int i : {0, 1, 2})
        EXPECT_NE(plot->GetColor(i), CVector(1, 2, 3));
    // Code 99 flips the element borders; every code queries them.
    EXPECT_EQ(plot->Query(0), 1);
    plot->Toggle(CSurfacePlot::kElementBorderCode);
    EXPECT_EQ(plot->Query(19), 0);
    plot->Toggle(CSurfacePlot::kElementBorderCode);
    EXPECT_EQ(plot->Query(99), 1);
}

TEST_F(GaussianRelief, MeshIsTheClippedFieldLiftedAlongTheNormal) {
    plot->SetMaxValue(1.5); // the nucleus's 2.0 lies above the bound
    plot->SetScale(0.5);
    g_nEvaluations = 0;
    plot->Compute();
    EXPECT_EQ(plot->IsNotComputed(), 0);
    EXPECT_EQ(plot->IsRecompute(), 0);
    // With the defaults the progress ends at 50 + (int)(50 * 19 / 20).
    EXPECT_EQ(g_nProgress.load(), 97);
    EXPECT_EQ(g_nEvaluations.load(), 21 * 21 + 20 * 20);
    ASSERT_EQ(plot->GetNodes().size(), 841u);
    ASSERT_EQ(plot->GetElements().size(), 1600u);

    const CPlotPlane plane = plot->GetPlane();
    const CVector normal = CPlot::PlaneNormal(plane.Corner0, plane.Corner1, plane.Corner2);
    const CVector du = (plane.Corner1 - plane.Corner0) / 20.0;
    const CVector dv = (plane.Corner2 - plane.Corner0) / 20.0;
    int clipped = 0;
    for (std::size_t k = 0; k < plot->GetNodes().size(); ++k) {
        const CNode& node = plot->GetNodes()[k];
        const CVector p = plot->GetNodePoints()[k];
        EXPECT_NEAR(p * normal - plane.Corner0 * normal, 0.0, 1e-12); // in the plane
        const double expected = std::min(Rho(p.Length()), 1.5);
        clipped += expected == 1.5;
        EXPECT_NEAR(node.Value, expected, 1e-12);
        EXPECT_NEAR((node.Position - (p + 0.5 * expected * normal)).Length(), 0.0, 1e-12);
    }
    EXPECT_GT(clipped, 0);
    // Corner node (3, 5) and the centre node of cell (3, 5).
    EXPECT_NEAR((plot->GetNodePoints()[3 * 21 + 5] - (plane.Corner0 + 3.0 * dv + 5.0 * du)).Length(), 0.0,
                1e-12);
    EXPECT_NEAR((plot->GetNodePoints()[441 + 3 * 20 + 5] - (plane.Corner0 + 3.5 * dv + 5.5 * du)).Length(),
                0.0, 1e-12);
    // The four triangles of cell (3, 5) around its centre.
    const int a = 3 * 21 + 5, b = a + 1, c = a + 22, d = a + 21, z = 441 + 3 * 20 + 5;
    const int expected[4][3] = {{a, b, z}, {b, c, z}, {c, d, z}, {d, a, z}};
    for (int t = 0; t < 4; ++t) {
        const CElement& e = plot->GetElements()[4 * (3 * 20 + 5) + t];
        EXPECT_EQ(e.Id, 4 * (3 * 20 + 5) + t);
        EXPECT_EQ(e.A, expected[t][0]);
        EXPECT_EQ(e.B, expected[t][1]);
        EXPECT_EQ(e.C, expected[t][2]);
    }
}

TEST_F(GaussianRelief, ZeroBoundOrScaleGivesAFlatMapDrawnWhite) {
    for (const auto& [bound, scale] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}}) {
        plot->SetMaxValue(bound);
        plot->SetScale(scale);
        plot->SetGrid(4, 3);
        plot->Compute();
        for (const CNode& node : plot->GetNodes())
            EXPECT_EQ(node.Position.z, 0.0);
        // Seen from the front, the normal along the light: I = 1, white
        // whatever the top colour; no perspective changes that.
        const Records drawn = Draw(*plot);
        int polygons = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            if (drawn[i].rfind("Polygon ", 0) != 0) continue;
            ++polygons;
            EXPECT_EQ(drawn[i - 1], "SelectBrush rgb(255,255,255)");
        }
        EXPECT_EQ(polygons, 4 * 4 * 3);
    }
}

TEST_F(GaussianRelief, ShadingCases) {
    struct Case {
        const char* what;
        CVector normal;
        zel::COLORREF expected;
    };
    // Light (0, 0, -1); top red, bottom white. The front of the plane has
    // its triangles' normals away from the eye.
    const double s = std::sqrt(1.0 - 0.25 * 0.25);
    const Case cases[] = {
        {"along the light: white", {0, 0, -1}, zel::RGB(255, 255, 255)},
        {"|cos| 0.25: the base colour", {s, 0, -0.25}, zel::RGB(255, 0, 0)},
        {"edge-on: black", {1, 0, 0}, zel::RGB(0, 0, 0)},
        {"turned away: the bottom colour", {0, s, 0.25}, zel::RGB(255, 255, 255)},
        {"|cos| 0.0625: half the top colour",
         {std::sqrt(1 - 0.0625 * 0.0625), 0, -0.0625},
         zel::RGB(127, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plot->ShadeColor(c.normal), c.expected) << c.what;
    // A bottom colour of 100 half way to white above I = 0.5.
    plot->SetColor(1, {100, 100, 100});
    const double cosine = 0.5625; // I = 0.75
    EXPECT_EQ(plot->ShadeColor({0, std::sqrt(1 - cosine * cosine), cosine}), zel::RGB(177, 177, 177));
}

// A flat map tilted back or forward by 60 degrees, seen from the front of its
// plane (its points turn counter-clockwise as the viewer sees them): every
// triangle shows the top colour, lightened by I = sqrt(cos 60)
// (2 x 255 x (0.7071 - 0.5) = 105.6). So for corners derived from the points
// and for the corners a new map starts with, whose triangles wind the other
// way; seen from behind, the bottom colour.
TEST_F(GaussianRelief, FlatMapSeenFromTheFrontShowsTheTopColour) {
    struct Case {
        const char* what;
        bool derived;
        int x;
        const char* brush;
    };
    const Case cases[] = {
        {"derived corners", true, 60, "SelectBrush rgb(255,105,105)"},
        {"derived corners", true, -60, "SelectBrush rgb(255,105,105)"},
        {"a new map's corners", false, 60, "SelectBrush rgb(255,105,105)"},
        {"a new map's corners", false, -60, "SelectBrush rgb(255,105,105)"},
        {"derived corners from behind", true, 120, "SelectBrush rgb(105,105,255)"},
        {"a new map's corners from behind", false, -120, "SelectBrush rgb(105,105,255)"},
    };
    const CPlotPlane derived = plot->GetPlane();
    const CPlotPlane fresh = CSurfacePlot(&molecule).GetPlane();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.x));
        plot->RestorePlane(c.derived ? derived : fresh);
        plot->SetScale(0.0);
        plot->SetGrid(3, 3);
        plot->SetColor(1, {0, 0, 255});
        if (plot->Query(0)) plot->Toggle(CSurfacePlot::kElementBorderCode);
        plot->SetRecompute(1);
        plot->Compute();
        ASSERT_EQ(plot->IsNotComputed(), 0);
        plot->SetAngles(c.x, 0, 0);
        plot->OrientByAngles();
        const Records drawn = Draw(*plot);
        int polygons = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            if (drawn[i].rfind("Polygon ", 0) != 0) continue;
            ++polygons;
            EXPECT_EQ(drawn[i - 2], c.brush);
        }
        EXPECT_EQ(polygons, 4 * 3 * 3);
    }
}

TEST_F(GaussianRelief, PerspectiveAndDepthSort) {
    // Defaults: eye 22, plane 20; a point at z = 0 is scaled by 2/22.
    const CVector p = plot->Perspective({11, -22, 0});
    EXPECT_NEAR(p.x, 1.0, 1e-15);
    EXPECT_NEAR(p.y, -2.0, 1e-15);
    EXPECT_EQ(plot->Perspective({1, 2, 22}), CVector(1, 2, 22)); // at the eye: unchanged

    plot->SetGrid(5, 7);
    plot->Compute();
    zel::CRecordingCanvas dc;
    plot->Draw(dc);
    const std::vector<int>& order = plot->GetOrder();
    ASSERT_EQ(order.size(), 140u);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int k = 0; k < 140; ++k)
        ASSERT_EQ(sorted[k], k);
    for (std::size_t k = 1; k < order.size(); ++k)
        EXPECT_LE(plot->GetElements()[order[k - 1]].Centroid.z, plot->GetElements()[order[k]].Centroid.z);
}

TEST_F(GaussianRelief, FitIsFiniteForAMapWithoutExtent) {
    // A plane of no size: every node projects onto one point. SetPlane
    // refuses one; a document written before may still hold it.
    EXPECT_EQ(plot->SetPlane(Plane({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, 0.0, 0.0)),
              CPlot::kPlaneWithoutArea);
    CPlotPlane none = plot->GetPlane();
    none.Corner0 = none.Corner1 = none.Corner2 = none.Centre = {0, 0, 0};
    plot->RestorePlane(none);
    plot->SetScale(0.0);
    plot->SetGrid(2, 2);
    plot->Compute();
    const Records drawn = Draw(*plot);
    double cx = 0, cy = 0, scale = 0;
    zel::CRecordingCanvas dc;
    plot->FitToPage(dc, &cx, &cy, &scale);
    EXPECT_TRUE(std::isfinite(scale));
    EXPECT_EQ(scale, 1.0);
    // Every triangle at the page centre.
    int polygons = 0;
    for (const std::string& r : drawn)
        if (r.rfind("Polygon ", 0) == 0) {
            EXPECT_EQ(r, "Polygon 0 0 0 0 0 0");
            ++polygons;
        }
    EXPECT_EQ(polygons, 16);

    // Seen edge-on (x range 0): the y range fits alone.
    ASSERT_EQ(plot->SetPlane(Plane({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, 4.0, 4.0)), 0);
    plot->SetRecompute(1);
    plot->Compute();
    Draw(*plot);
    plot->FitToPage(dc, &cx, &cy, &scale);
    const CPageSetup page = plot->GetPageSetup();
    const double height = page.m_dPaperHeight - page.m_dMarginTop - page.m_dMarginBottom;
    ASSERT_TRUE(std::isfinite(scale));
    double low = 1e300, high = -1e300;
    for (std::size_t k = 0; k < 9; ++k) {
        low = std::min(low, plot->GetNodePoints()[k].y);
        high = std::max(high, plot->GetNodePoints()[k].y);
    }
    EXPECT_NEAR(scale, height / (high - low), 1e-9);
}

TEST_F(GaussianRelief, CancelLeavesOnlyTheDecorations) {
    plot->SetRecompute(0);
    {
        const ScopedCancel cancel(1);
        plot->Compute();
    }
    EXPECT_EQ(plot->IsNotComputed(), 1);
    EXPECT_TRUE(plot->NeedsCompute());
    EXPECT_FALSE(plot->NeedsAutoCompute());
    const Records drawn = Draw(*plot);
    EXPECT_EQ(
        std::count_if(drawn.begin(), drawn.end(), [](const auto& r) { return r.rfind("Polygon", 0) == 0; }),
        0);
    EXPECT_FALSE(drawn.empty()); // border, triad, title
    EXPECT_TRUE(Shows(drawn, CPlot::kCancelledLine));
    EXPECT_TRUE(Shows(drawn, "New Plot (0)"));
    EXPECT_TRUE(prompts.Texts().empty());
    plot->SetRecompute(1);
    plot->Compute();
    EXPECT_EQ(plot->IsNotComputed(), 0);
    EXPECT_FALSE(Shows(Draw(*plot), CPlot::kCancelledLine));
}

// The field cannot be evaluated: said so, not taken for a cancel; the map
// stays not computed and draws as such.
TEST(ReliefFailures, FieldThatCannotBeEvaluatedIsReported) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped{prompts};
    CMolecule empty;
    CSurfacePlot plot(&empty);
    plot.SetGrid(2, 2);
    plot.SetRecompute(0);
    plot.Compute();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{CPlot::kCannotEvaluate});
    EXPECT_EQ(plot.IsNotComputed(), 1);
    EXPECT_EQ(plot.IsComputeCancelled(), CPlot::kComputeFailed);
    EXPECT_FALSE(plot.NeedsAutoCompute());
    const Records drawn = Draw(plot);
    EXPECT_TRUE(Shows(drawn, CPlot::kFailedLine));
    EXPECT_EQ(
        std::count_if(drawn.begin(), drawn.end(), [](const auto& r) { return r.rfind("Polygon", 0) == 0; }),
        0);
}

TEST_F(GaussianRelief, ModifyRebuildsTheOrientationFromTheAngles) {
    CScriptedPlotDialogs dialogs;
    ScopedPlotDialogService guard(dialogs);
    plot->SetRecompute(0);
    dialogs.PushSurfaceAnswer([](CSurfacePlot& p) {
        EXPECT_EQ(p.GetAngles()[0], 0);
        p.SetAngles(30, -40, 100);
        return zel::IDOK;
    });
    plot->Modify();
    EXPECT_TRUE(plot->NeedsAutoCompute());
    // Rz Ry Rx applied to the x axis.
    const double d = std::numbers::pi / 180.0;
    const CVector x = plot->GetOrientation() * CVector(1, 0, 0);
    const double b = -40 * d, g = 100 * d;
    EXPECT_NEAR((x - CVector(std::cos(g) * std::cos(b), std::sin(g) * std::cos(b), -std::sin(b))).Length(),
                0.0, 1e-12);
    // The next Modify recovers them exactly, and Cancel changes nothing else.
    plot->SetRecompute(0);
    const CMatrix before = plot->GetOrientation();
    dialogs.PushSurfaceAnswer([](CSurfacePlot& p) {
        EXPECT_EQ(p.GetAngles()[0], 30);
        EXPECT_EQ(p.GetAngles()[1], -40);
        EXPECT_EQ(p.GetAngles()[2], 100);
        return zel::IDCANCEL;
    });
    plot->Modify();
    EXPECT_EQ(plot->IsRecompute(), 0);
    EXPECT_EQ(plot->GetOrientation().c0, before.c0);
}

TEST_F(GaussianRelief, GridOutsideItsRangeIsNotComputed) {
    plot->SetGrid(0, 5);
    plot->Compute();
    EXPECT_EQ(plot->IsNotComputed(), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{CSurfacePlot::kNoMemory});
    EXPECT_TRUE(plot->GetNodes().empty());
    EXPECT_TRUE(Draw(*plot).size() > 0);
}

// --- water in its molecular plane ---------------------------------------------------------

class WaterRelief : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
        CPlot::ResetPlotCounter();
        auto owned = std::make_unique<CSurfacePlot>(&molecule);
        plot = owned.get();
        molecule.GetPlotList().push_front(std::move(owned));
        auto atom = molecule.GetAtomList().begin();
        const CVector o = (*atom)->GetPosition();
        const CVector h1 = (*++atom)->GetPosition();
        const CVector h2 = (*++atom)->GetPosition();
        ASSERT_EQ(plot->SetPlane(Plane(h1, h2, o, {0, 0, -0.3}, 5.0, 5.0)), 0);
        plot->SetGrid(12, 10);
        plot->SetScale(2.0);
        plot->SetMaxValue(0.5);
        // A view from above and aside.
        CScriptedPlotDialogs dialogs;
        ScopedPlotDialogService guard(dialogs);
        dialogs.PushSurfaceAnswer([](CSurfacePlot& p) {
            p.SetAngles(-50, 35, 20);
            return zel::IDOK;
        });
        plot->Modify();
    }

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped{prompts};
    CMolecule molecule;
    CSurfacePlot* plot = nullptr;
};

TEST_F(WaterRelief, PaintedFromTheFarthestToTheNearestInTheShadingsColours) {
    plot->Compute();
    const Records drawn = Draw(*plot);
    const std::size_t triangles = 4 * 12 * 10;

    // The triangles from the node positions, independently of the drawing:
    // turned by the orientation, their centroids' depth and their normals.
    const CMatrix turn = plot->GetOrientation();
    const auto& elements = plot->GetElements();
    const auto& nodes = plot->GetNodes();
    std::vector<std::string> polygons;
    std::vector<std::string> brushes;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        if (drawn[i].rfind("Polygon ", 0) == 0) {
            polygons.push_back(drawn[i]);
            brushes.push_back(drawn[i - 1]);
        }
    ASSERT_EQ(polygons.size(), triangles);
    // The element borders: one black pen, selected before the first
    // triangle, for all of them.
    const auto firstPolygon =
        std::find_if(drawn.begin(), drawn.end(), [](const auto& r) { return r.rfind("Polygon ", 0) == 0; });
    EXPECT_EQ(*(firstPolygon - 2), "SelectPen solid 0 rgb(0,0,0)");
    EXPECT_EQ(
        std::count_if(firstPolygon, drawn.end(), [](const auto& r) { return r.rfind("SelectPen", 0) == 0; }),
        1); // the previous pen again

    double lastDepth = -1e300;
    int bottoms = 0;
    int tops = 0;
    for (std::size_t k = 0; k < triangles; ++k) {
        const CElement& e = elements[plot->GetOrder()[k]];
        const CVector a = turn * nodes[e.A].Position;
        const CVector b = turn * nodes[e.B].Position;
        const CVector c = turn * nodes[e.C].Position;
        const double depth = (a.z + b.z + c.z) / 3.0;
        EXPECT_GE(depth, lastDepth - 1e-12) << k;
        lastDepth = depth;
        const CVector n = Cross(b - a, c - a);
        (n.z <= 0 ? tops : bottoms)++;
        EXPECT_EQ(brushes[k], "SelectBrush " + zel::CRecordingCanvas::FormatColor(ExpectedShade(
                                                   n, {0, 0, -1}, {255, 0, 0}, {255, 255, 255})))
            << k;
    }
    // The peaks of the nuclei are seen from both sides.
    EXPECT_GT(tops, 0);
    EXPECT_GT(bottoms, 0);

    // Element borders off: each triangle's pen is its fill colour.
    plot->Toggle(CSurfacePlot::kElementBorderCode);
    const Records filled = Draw(*plot);
    for (std::size_t i = 0; i < filled.size(); ++i)
        if (filled[i].rfind("Polygon ", 0) == 0) {
            ASSERT_EQ(filled[i - 2].substr(12), filled[i - 1].substr(18)) << filled[i - 2];
        }
    plot->Toggle(CSurfacePlot::kElementBorderCode);

    // Save, reopen: the same drawing without a new evaluation, the same bytes.
    std::vector<std::uint8_t> first;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    auto* loaded = dynamic_cast<CSurfacePlot*>(molecule.GetPlotList().front().get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(loaded->NeedsCompute());
    EXPECT_EQ(loaded->IsNotComputed(), 0);
    g_nEvaluations = 0;
    EXPECT_EQ(Draw(*loaded), drawn);
    EXPECT_EQ(g_nEvaluations.load(), 0);
    std::vector<std::uint8_t> second;
    ASSERT_TRUE(StoreDocumentBytes(molecule, second, error)) << error;
    EXPECT_EQ(second, first);
}

// The offset of the map's counts in a stored document: the bound, M and N,
// the scale as this fixture sets them.
std::size_t FindCounts(const std::vector<std::uint8_t>& bytes, int m, int n) {
    std::vector<std::uint8_t> pattern(8 + 4 + 4 + 8);
    const double bound = 0.5, scale = 2.0;
    std::memcpy(pattern.data(), &bound, 8);
    std::memcpy(pattern.data() + 8, &m, 4);
    std::memcpy(pattern.data() + 12, &n, 4);
    std::memcpy(pattern.data() + 16, &scale, 8);
    const auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin()) + 8;
}

TEST_F(WaterRelief, MapNeverComputedSavesAnEmptyMeshAndIsComputedAfterLoading) {
    // Saving leaves the map to be computed as it was.
    std::vector<std::uint8_t> first;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    EXPECT_TRUE(plot->NeedsAutoCompute());
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    auto* loaded = dynamic_cast<CSurfacePlot*>(molecule.GetPlotList().front().get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetNodes().size(), 13u * 11u + 120u);
    EXPECT_EQ(loaded->GetElements().size(), 480u);
    EXPECT_EQ(loaded->IsNotComputed(), 1);
    EXPECT_TRUE(loaded->NeedsAutoCompute());
    const Records drawn = Draw(*loaded);
    EXPECT_EQ(
        std::count_if(drawn.begin(), drawn.end(), [](const auto& r) { return r.rfind("Polygon", 0) == 0; }),
        0);
    std::vector<std::uint8_t> second;
    ASSERT_TRUE(StoreDocumentBytes(molecule, second, error)) << error;
    EXPECT_EQ(second, first);

    // A grid changed since the computation saves an empty mesh of the new counts.
    loaded->Compute();
    loaded->SetGrid(3, 4);
    ASSERT_TRUE(StoreDocumentBytes(molecule, first, error)) << error;
    ASSERT_TRUE(LoadDocumentBytes(first, molecule, error)) << error;
    loaded = dynamic_cast<CSurfacePlot*>(molecule.GetPlotList().front().get());
    EXPECT_EQ(loaded->GetNodes().size(), 4u * 5u + 12u);
    EXPECT_EQ(loaded->IsNotComputed(), 1);
}

// A map whose heights overflowed cannot be saved; the refusal names it.
TEST_F(WaterRelief, SaveRefusedForANumberNotFiniteNamesThePlot) {
    plot->SetMaxValue(10.0);
    plot->SetScale(1e308);
    plot->Compute();
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(StoreDocumentBytes(molecule, bytes, error));
    EXPECT_EQ(error, "Could not save the document: a number in the plot \"New Plot (0)\" is not finite.");
}

TEST_F(WaterRelief, StoredCountsOutsideTheRangeAreRefused) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
    const std::size_t at = FindCounts(bytes, 12, 10);
    for (const auto& [m, n] : {std::pair{0, 10}, std::pair{12, 0}, std::pair{-1, 10},
                               std::pair{1 << 30, 1 << 30}, std::pair{1001, 10}}) {
        std::vector<std::uint8_t> damaged = bytes;
        std::memcpy(damaged.data() + at, &m, 4);
        std::memcpy(damaged.data() + at + 4, &n, 4);
        EXPECT_FALSE(LoadDocumentBytes(damaged, molecule, error)) << m << " " << n;
        EXPECT_EQ(error, CPlot::kBadRecord);
        EXPECT_TRUE(molecule.GetPlotList().empty());
    }
}

} // namespace
