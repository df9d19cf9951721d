// Plot records holding numbers the drawing would overflow on (or turn into
// numbers a document cannot hold): loading refuses them with the plot record's
// message and leave an empty document, the plot counter as for a new one;
// numbers inside the bounds draw and save.

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PlotTestUtil.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "plots/ContourPlot.h"
#include "plots/MolGraphPlot.h"
#include "plots/SurfacePlot.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The plot's protected view state, as the plot view and the dialogs set it.
struct PlotAccess : CPlot {
    static CMatrix& Orientation(CPlot& plot) { return plot.*(&PlotAccess::m_Orientation); }
    static double& EyeDistance(CPlot& plot) { return plot.*(&PlotAccess::m_dEyeDistance); }
    static double& ProjectionDistance(CPlot& plot) { return plot.*(&PlotAccess::m_dProjDistance); }
};

// The seed document of the fuzz targets: every plot kind, computed.
class PlotRecordBounds : public testing::Test {
public:
    void SetUp() override {
        const std::filesystem::path seed =
            std::filesystem::path(ZELMORA_TEST_DATA).parent_path() / "fuzz" / "corpus" / "document" / "rich.zlm";
        std::ifstream in(seed, std::ios::binary);
        m_seed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::string error;
        ASSERT_TRUE(LoadDocumentBytes(m_seed, m_molecule, error)) << error;
    }

    template <class P> P& Plot() {
        for (const auto& plot : m_molecule.GetPlotList())
            if (auto* p = dynamic_cast<P*>(plot.get())) return *p;
        throw std::logic_error("no such plot");
    }

    Bytes Store() {
        Bytes bytes;
        std::string error;
        EXPECT_TRUE(StoreDocumentBytes(m_molecule, bytes, error)) << error;
        return bytes;
    }

    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_scoped{m_prompts};
    Bytes m_seed;
    CMolecule m_molecule;
};

TEST_F(PlotRecordBounds, NumbersBeyondTheBoundsAreRefused) {
    constexpr double huge = 1e200;
    struct Case {
        const char* name;
        std::function<void(PlotRecordBounds&)> damage;
    };
    const auto page = [](std::function<void(CPageSetup&)> change) {
        return [=](PlotRecordBounds& t) {
            CPlot& plot = t.Plot<CMolGraphPlot>();
            CPageSetup setup = plot.GetPageSetup();
            change(setup);
            plot.SetPageSetup(setup);
        };
    };
    const auto plane = [](std::function<void(CPlotPlane&)> change) {
        return [=](PlotRecordBounds& t) {
            CPlot& plot = t.Plot<CContourPlot>();
            CPlotPlane p = plot.GetPlane();
            change(p);
            plot.RestorePlane(p);
        };
    };
    const auto point = [](std::function<void(CSelectedPoint&)> change) {
        return [=](PlotRecordBounds& t) { change(*t.Plot<CContourPlot>().GetSelectedPoints().front()); };
    };
    const auto font = [](int height, int width) {
        return [=](PlotRecordBounds& t) {
            CPlot& plot = t.Plot<CContourPlot>();
            zel::LOGFONT f = plot.GetBaseLogFont();
            f.Height = height;
            f.Width = width;
            plot.SetLogFont(f);
        };
    };
    const Case cases[] = {
        {"relief orientation", [](PlotRecordBounds& t) { PlotAccess::Orientation(t.Plot<CSurfacePlot>()).Column(1).y = huge; }},
        {"relief node",
         [](PlotRecordBounds& t) {
             auto& nodes = const_cast<std::vector<CNode>&>(t.Plot<CSurfacePlot>().GetNodes());
             nodes[3].Position.z = -huge;
         }},
        {"relief node point",
         [](PlotRecordBounds& t) {
             auto& points = const_cast<std::vector<CVector>&>(t.Plot<CSurfacePlot>().GetNodePoints());
             points[0].x = huge;
         }},
        {"eye distance", [](PlotRecordBounds& t) { PlotAccess::EyeDistance(t.Plot<CSurfacePlot>()) = huge; }},
        {"contour plane corner", plane([](CPlotPlane& p) { p.Corner1.x = huge; })},
        {"plane width", plane([](CPlotPlane& p) { p.Width = huge; })},
        {"left margin", page([](CPageSetup& s) { s.m_dMarginLeft = huge; })},
        {"negative bottom margin", page([](CPageSetup& s) { s.m_dMarginBottom = -1.0; })},
        {"paper width", page([](CPageSetup& s) { s.m_dPaperWidth = 1e9; })},
        {"paper height 0", page([](CPageSetup& s) { s.m_dPaperHeight = 0.0; })},
        {"overlay style", point([](CSelectedPoint& p) { p.m_nOverlayStyle = INT_MAX; })},
        {"molecular-graph path style", point([](CSelectedPoint& p) { p.m_nMolGraphStyle = -1; })},
        {"selected point position", point([](CSelectedPoint& p) { p.m_Position.y = huge; })},
        {"font height", font(INT_MIN, 0)},
        {"font width", font(-500, 1 << 30)},
        {"plot counter", [](PlotRecordBounds&) { g_nPlotCounter = INT_MAX; }},
        {"negative plot counter", [](PlotRecordBounds&) { g_nPlotCounter = -1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.damage(*this);
        const Bytes damaged = Store();
        ASSERT_NE(damaged, m_seed);

        g_nPlotCounter = 5;
        CMolecule loaded;
        std::string error;
        EXPECT_FALSE(LoadDocumentBytes(damaged, loaded, error));
        EXPECT_EQ(error, "Invalid plot record in file.");
        EXPECT_TRUE(loaded.IsEmpty());
        EXPECT_TRUE(loaded.GetPlotList().empty());
        EXPECT_EQ(g_nPlotCounter, 0); // an empty document's
    }
    CPlot::ResetPlotCounter();
}

// Numbers at the edge of the bounds load; what the drawing then makes of them
// is stored only where finite, so the document still saves and loads.
TEST_F(PlotRecordBounds, DrawingALoadedMapStoresOnlyFiniteNumbers) {
    CSurfacePlot& relief = Plot<CSurfacePlot>();
    auto& nodes = const_cast<std::vector<CNode>&>(relief.GetNodes());
    // Every triangle without area, every point next to the eye: no normals,
    // and a perspective factor beyond any double.
    for (CNode& node : nodes)
        node.Position = {0.0, 0.0, 1e-300};
    PlotAccess::Orientation(relief) = CMatrix({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    PlotAccess::EyeDistance(relief) = 1.0000000000000002e-300;
    PlotAccess::ProjectionDistance(relief) = CPlot::kMaxCoordinate;
    // The largest page and font there may be.
    CPageSetup page = relief.GetPageSetup();
    page.m_dPaperWidth = page.m_dPaperHeight = CPlot::kMaxPageLength;
    page.m_dMarginLeft = page.m_dMarginTop = CPlot::kMaxPageLength;
    relief.SetPageSetup(page);
    zel::LOGFONT font = relief.GetBaseLogFont();
    font.Height = -CPlot::kMaxFontSize;
    relief.SetLogFont(font);

    CMolecule loaded;
    std::string error;
    ASSERT_TRUE(LoadDocumentBytes(Store(), loaded, error)) << error;
    for (const auto& plot : loaded.GetPlotList())
        plottest::Draw(*plot);
    Bytes saved;
    ASSERT_TRUE(StoreDocumentBytes(loaded, saved, error)) << error;
    CMolecule again;
    EXPECT_TRUE(LoadDocumentBytes(saved, again, error)) << error;
}

} // namespace
