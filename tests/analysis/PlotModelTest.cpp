// The plot model: a new plot's numbering and defaults, the page transform,
// zoom and view state, the plot record byte for byte, refused records, and
// documents with plots.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ByteWriter.h"
#include "GraphTestUtil.h"
#include "TestPlot.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/RecordingCanvas.h"

namespace {

using analysistest::Bytes;
using analysistest::ByteWriter;

// The font part of the records, written by hand.
void Font(ByteWriter& w, int height, int weight, const std::string& face = "Arial") {
    w.Int(height).Int(0).Int(0).Int(0).Int(weight);
    w.Byte(0).Byte(0).Byte(0).Byte(0).Byte(3).Byte(0).Byte(1).Byte(34);
    w.String(face);
}

void Vector(ByteWriter& w, CVector v) {
    w.Double(v.x).Double(v.y).Double(v.z);
}

struct Text {
    std::string text;
    int color, x, y, cx, cy;
};

// The record of a new plot made with the counter at `number` (after the
// changes the test makes), followed by the test kind's own int.
struct PlotRecord {
    int counter = 2;
    int number = 2;
    int field = 1;
    int angles[3] = {10, -20, 30};
    int unitsFactor = 100;
    short pageUnits = 100;
    double zoom = 1.5;
    int fontHeight = -750;
    std::string plotFace = "Arial";
    int textCount = 2;
    std::vector<Text> texts = {{"Alpha", 0x0000FF, 1000, -2000, 1250, 500},
                               {"Beta", 0, 3000, -4000, 1000, 500}};
    CMatrix orientation{{std::cos(0.5), std::sin(0.5), 0}, {-std::sin(0.5), std::cos(0.5), 0}, {0, 0, 1}};

    Bytes Write() const {
        ByteWriter w;
        w.Int(counter).Int(0).Int(number).Int(field);
        w.Int(angles[0]).Int(angles[1]).Int(angles[2]);
        Vector(w, {1, 1, 1});
        w.Double(22.0).Double(20.0);
        w.Int(0).Int(1).Int(0).Int(0); // point switches
        w.Int(0).Int(0).Int(1);        // path switches
        w.Double(30).Double(30).Double(30).Double(30).Double(210).Double(297);
        w.Int(1).Int(1).String("Description");
        w.Word(1).Word(0).Word(static_cast<std::uint16_t>(pageUnits));
        Vector(w, {-2.5, -2.5, 0});
        Vector(w, {2.5, -2.5, 0});
        Vector(w, {-2.5, 2.5, 0});
        Vector(w, {0, 0, 0});
        w.Double(0).Double(5).Double(5);
        Vector(w, {0, 0, 0});
        Vector(w, {1, 0, 0});
        Vector(w, {0, 1, 0});
        w.Double(zoom).Int(unitsFactor);
        Font(w, fontHeight, 400, plotFace);
        w.Int(100).Int(-200).Double(1.0);
        w.Int(textCount);
        for (const Text& t : texts) {
            Font(w, -500, 400);
            w.String(t.text).Int(t.color).Int(t.x).Int(t.y).Int(t.cx).Int(t.cy);
        }
        Vector(w, orientation.c0);
        Vector(w, orientation.c1);
        Vector(w, orientation.c2);
        Font(w, -425, 700);
        w.Int(0).String("New Plot (" + std::to_string(number) + ")").Int(1);
        w.Int(0).Int(1).Int(-7500).Int(11850).Int(7500).Int(-11850);
        Font(w, -425, 700);
        w.Int(0).Int(0).Int(0).Int(1);
        w.Int(0); // the test kind's part
        return w.b;
    }
};

// The plot PlotRecord describes, made through the model's own operations.
std::unique_ptr<CTestPlot> MakePlot(CMolecule& molecule) {
    g_nPlotCounter = 2;
    molecule.SetFieldIndex(1);
    auto plot = std::make_unique<CTestPlot>(&molecule);
    plot->SetAngles(10, -20, 30);
    plot->SetZoom(1.5);
    plot->SetPanX(100);
    plot->SetPanY(-200);
    plot->SetDisplayOption(1, 1);
    plot->SetDisplayFlag(2, 1);
    plot->RotateZ(0.5);
    for (const Text& t : PlotRecord().texts) {
        auto text = std::make_unique<CPlotText>();
        text->SetText(t.text);
        text->SetColor(static_cast<zel::COLORREF>(t.color));
        text->SetPosition({t.x, t.y});
        text->SetExtent({t.cx, t.cy});
        plot->GetTextList()->push_back(std::move(text));
    }
    return plot;
}

Bytes StorePlot(CPlot& plot) {
    zel::CArchive ar;
    plot.Serialize(ar);
    return ar.Bytes();
}

std::vector<std::string> Recording(CPlot& plot) {
    zel::CRecordingCanvas dc;
    plot.Draw(dc);
    return dc.Records();
}

TEST(PlotModel, NewPlotTakesTheCounterAndTheCurrentFieldAndStartsOnA4) {
    CMolecule molecule;
    molecule.SetFieldIndex(3);
    g_nPlotCounter = 7;
    CTestPlot plot(&molecule);
    EXPECT_EQ(g_nPlotCounter, 7);
    EXPECT_EQ(plot.GetNumber(), 7);
    EXPECT_EQ(plot.GetTitle()->GetText(), "New Plot (7)");
    EXPECT_EQ(plot.GetFieldIndex(), 3);
    EXPECT_EQ(plot.GetMolecule(), &molecule);
    EXPECT_EQ(plot.IsRecompute(), 1);
    EXPECT_EQ(plot.GetLabels(), 1);

    zel::LOGFONT font;
    font.Height = -500;
    font.Weight = 400;
    font.OutPrecision = 3;
    font.Quality = 1;
    font.PitchAndFamily = 34;
    font.SetFaceName("Arial");
    EXPECT_EQ(plot.GetLogFont(), font);
    font.Height = -425;
    font.Weight = 700;
    EXPECT_EQ(plot.GetTitle()->GetLogFont(), font);
    EXPECT_EQ(plot.GetAxes()->GetLogFont(), font);

    const CPlotPlane plane = plot.GetPlane();
    EXPECT_EQ(plane.Corner0, CVector(-2.5, -2.5, 0));
    EXPECT_EQ(plane.Corner1, CVector(2.5, -2.5, 0));
    EXPECT_EQ(plane.Corner2, CVector(-2.5, 2.5, 0));
    EXPECT_EQ(plot.GetLightVector(), CVector(1, 1, 1));
    // Every other value the record holds is checked byte for byte below.
}

TEST(PlotModel, PageTransformAndBorderFromThePage) {
    struct Case {
        const char* what;
        bool mm;
        double width, height, left, right, top, bottom;
        int factor, w, h;
        zel::CRect border;
    };
    const Case cases[] = {
        {"A4 portrait, mm", true, 210, 297, 30, 30, 30, 30, 100, 21000, 29700, {-7500, 11850, 7500, -11850}},
        // Letter with margins of 1, 1, 0.5 and 0.75 inch.
        {"Letter, inches", false, 8.5, 11, 1, 1, 0.5, 0.75, 2540, 21590, 27940, {-8255, 12700, 8255, -12065}},
        // Odd sizes: halves and margins truncate toward zero.
        {"odd, mm",
         true,
         100.015,
         50.019,
         10.0099,
         0,
         0,
         5.55555,
         100,
         10001,
         5001,
         {-4000, 2500, 5000, -1945}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTestPlot plot(nullptr);
        CPageSetup page = plot.GetPageSetup();
        page.m_bMM = c.mm ? 1 : 0;
        page.m_dPaperWidth = c.width;
        page.m_dPaperHeight = c.height;
        page.m_dMarginLeft = c.left;
        page.m_dMarginRight = c.right;
        page.m_dMarginTop = c.top;
        page.m_dMarginBottom = c.bottom;
        EXPECT_EQ(plot.SetPageSetup(page), 1);
        plot.UpdateBorderRect();
        EXPECT_EQ(plot.GetUnitsFactor(), c.factor);
        EXPECT_EQ(plot.PageWidth(), c.w);
        EXPECT_EQ(plot.PageHeight(), c.h);
        EXPECT_EQ(plot.GetBorder()->GetRect(), c.border);

        // The page's top-left corner lands on the device origin.
        zel::CRecordingCanvas dc;
        plot.Toggle(CPlot::kAxesCode);
        plot.Draw(dc);
        EXPECT_EQ(dc.LPtoDP({-c.w / 2, c.h / 2}), (zel::CPoint{0, 0}));
        const zel::CRect& b = c.border;
        EXPECT_EQ(dc.RecordsOf("Rectangle"),
                  std::vector<std::string>{"Rectangle " + std::to_string(b.left) + " " +
                                           std::to_string(b.top) + " " + std::to_string(b.right) + " " +
                                           std::to_string(b.bottom)});
    }
}

TEST(PlotModel, ApplyUnitsFollowsThePageUnitsWithTheScale) {
    struct Case {
        int factor;
        short units;
        double scale;
    };
    for (const Case c : {Case{100, 2540, 2.0 / 25.4}, Case{2540, 100, 2.0 * 25.4}, Case{100, 100, 2.0}}) {
        CTestPlot plot(nullptr);
        CPageSetup page = plot.GetPageSetup();
        page.m_bMM = c.factor == 100;
        page.m_wUnits = c.units;
        plot.SetPageSetup(page);
        plot.UpdateBorderRect();
        plot.SetDrawScale(2.0);
        plot.ApplyUnits();
        EXPECT_EQ(plot.GetUnitsFactor(), c.units);
        EXPECT_DOUBLE_EQ(plot.GetDrawScale(), c.scale);
    }
}

TEST(PlotModel, ZoomStaysPositiveAndResetViewRestoresTheView) {
    CTestPlot plot(nullptr);
    plot.SetZoom(1.5);
    EXPECT_EQ(plot.GetLogFont().Height, -750);
    // What dragging the zoom down past 0 would ask for.
    for (double zoom : {0.0, -0.02, -3.0, std::nan("")}) {
        plot.SetZoom(zoom);
        EXPECT_EQ(plot.GetZoom(), CPlot::kMinZoom) << zoom;
        EXPECT_EQ(plot.GetLogFont().Height, -5) << zoom;
    }

    plot.SetAngles(10, 20, 30);
    plot.SetPanX(7);
    plot.SetPanY(-9);
    plot.RotateX(0.3);
    plot.RotateZ(1.1);
    plot.ResetView();
    EXPECT_EQ(plot.GetZoom(), 1.0);
    EXPECT_EQ(plot.GetLogFont().Height, -500);
    EXPECT_EQ(plot.GetPanX(), 0);
    EXPECT_EQ(plot.GetPanY(), 0);
    EXPECT_EQ(std::vector<int>(plot.GetAngles(), plot.GetAngles() + 3), (std::vector<int>{0, 0, 0}));
    const CMatrix m = plot.GetOrientation();
    EXPECT_EQ(m.c0, CVector(1, 0, 0));
    EXPECT_EQ(m.c1, CVector(0, 1, 0));
    EXPECT_EQ(m.c2, CVector(0, 0, 1));
    EXPECT_EQ(plot.IsRecompute(), 0);
}

TEST(PlotModel, ToggleCodes) {
    CTestPlot plot(nullptr);
    for (int code : {2, 4, 101, -1}) {
        plot.Toggle(code);
        EXPECT_EQ(plot.GetAxes()->IsVisible() + plot.GetBorder()->IsVisible() + plot.GetTitle()->IsVisible(),
                  3);
        EXPECT_EQ(plot.Query(code), 1);
    }
    plot.Toggle(0);
    plot.Toggle(1);
    plot.Toggle(19);
    EXPECT_EQ(plot.GetAxes()->IsVisible() + plot.GetBorder()->IsVisible() + plot.GetTitle()->IsVisible(), 0);
    plot.Toggle(19);
    EXPECT_EQ(plot.GetTitle()->IsVisible(), 1);
}

TEST(PlotModel, RecordByteForByteAndBack) {
    CMolecule molecule;
    auto plot = MakePlot(molecule);
    g_nPlotCounter = 2;
    const Bytes bytes = StorePlot(*plot);
    EXPECT_EQ(bytes, PlotRecord().Write());

    g_nPlotCounter = 0;
    CTestPlot loaded;
    zel::CArchive in(bytes);
    loaded.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(g_nPlotCounter, 2);
    EXPECT_EQ(StorePlot(loaded), bytes);
    EXPECT_EQ(loaded.IsBusy(), 0);
    EXPECT_EQ(loaded.IsRecompute(), 0);
    EXPECT_EQ(loaded.GetLabels(), 1);
    ASSERT_EQ(loaded.GetTextList()->size(), 2u);
    EXPECT_EQ(loaded.GetTextList()->front()->GetText(), "Alpha");
    EXPECT_EQ(loaded.GetTextList()->back()->GetText(), "Beta");
    // The font was stored at zoom 1.5; zooming starts again from its size at 1.
    loaded.SetZoom(2.0);
    EXPECT_EQ(loaded.GetLogFont().Height, -1000);
    loaded.ResetView();
    EXPECT_EQ(loaded.GetLogFont().Height, -500);
}

// Texts beyond Windows-1252 (Greek rho, a superscript three beside it is
// in the code page) come back as typed, title and free texts alike.
TEST(PlotModel, TextsOutsideLatin1ComeBackAfterSaving) {
    CMolecule molecule;
    auto plot = MakePlot(molecule);
    const std::string rho = "\u03C1 in e/bohr\u00B3";
    plot->GetTextList()->front()->SetText(rho);
    plot->GetTitle()->SetText("\u0394\u03C1 of the dimer");
    const Bytes bytes = StorePlot(*plot);
    CTestPlot loaded;
    zel::CArchive in(bytes);
    loaded.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(loaded.GetTextList()->front()->GetText(), rho);
    EXPECT_EQ(loaded.GetTextList()->back()->GetText(), "Beta");
    EXPECT_EQ(loaded.GetTitle()->GetText(), "\u0394\u03C1 of the dimer");
    EXPECT_EQ(StorePlot(loaded), bytes);
}

TEST(PlotModel, DamagedRecordsAreRefused) {
    struct Case {
        const char* what;
        void (*damage)(PlotRecord&);
        std::string message;
    };
    const Case cases[] = {
        {"field index", [](PlotRecord& r) { r.field = 5; }, CPlot::kBadRecord},
        {"units factor 0", [](PlotRecord& r) { r.unitsFactor = 0; }, CPlot::kBadRecord},
        {"page units", [](PlotRecord& r) { r.pageUnits = 7; }, CPlot::kBadRecord},
        {"text count beyond the data", [](PlotRecord& r) { r.textCount = 100000; },
         "Invalid element count 100000 in file."},
        {"negative text count", [](PlotRecord& r) { r.textCount = -1; }, "Invalid element count -1 in file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlotRecord record;
        c.damage(record);
        CTestPlot plot;
        zel::CArchive in(record.Write());
        try {
            plot.Serialize(in);
            ADD_FAILURE() << "accepted";
        } catch (const zel::CArchiveException& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(PlotModel, LongFaceNameIsCutToTheFontRecord) {
    PlotRecord record;
    record.plotFace = std::string(40, 'F');
    CTestPlot plot;
    zel::CArchive in(record.Write());
    plot.Serialize(in);
    EXPECT_EQ(plot.GetLogFont().GetFaceName(), std::string(31, 'F'));
    // A multi-byte character is not cut in two.
    zel::LOGFONT font;
    font.SetFaceName(std::string(30, 'a') + "\xC3\xA9"); // 30 letters and an e acute: 32 bytes
    EXPECT_EQ(font.GetFaceName(), std::string(30, 'a'));
}

TEST(PlotModel, DocumentWithPlotsDrawsTheSameAfterReopening) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.5, 0, 0}, {0, 2.0, 0.5}}));
    auto first = MakePlot(molecule);
    g_nPlotCounter = 3;
    molecule.SetFieldIndex(0);
    auto second = std::make_unique<CTestPlot>(&molecule, true);
    second->RotateX(0.4);
    g_nPlotCounter = 4;
    molecule.GetPlotList().push_front(std::move(first));
    molecule.GetPlotList().push_front(std::move(second));

    std::vector<std::vector<std::string>> drawn;
    for (const auto& plot : molecule.GetPlotList())
        drawn.push_back(Recording(*plot));
    Bytes document;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, document, error)) << error;

    molecule.Reset();
    EXPECT_EQ(g_nPlotCounter, 0);
    CMolecule loaded;
    ASSERT_TRUE(LoadDocumentBytes(document, loaded, error)) << error;
    EXPECT_EQ(g_nPlotCounter, 4);
    ASSERT_EQ(loaded.GetPlotList().size(), 2u);
    std::size_t i = 0;
    for (const auto& plot : loaded.GetPlotList()) {
        EXPECT_EQ(plot->GetMolecule(), &loaded);
        EXPECT_EQ(Recording(*plot), drawn[i++]);
    }
    EXPECT_EQ(loaded.GetPlotList().front()->GetNumber(), 3);
    EXPECT_EQ(loaded.GetPlotList().front()->GetFieldIndex(), 0);
    EXPECT_EQ(loaded.GetPlotList().back()->GetFieldIndex(), 1);
    EXPECT_EQ(loaded.GetCurrentPlot(), nullptr);
    EXPECT_EQ(loaded.GetPlotState(), 2);

    Bytes again;
    ASSERT_TRUE(StoreDocumentBytes(loaded, again, error)) << error;
    EXPECT_EQ(again, document);
    // The numbering goes on where the saved document left it.
    EXPECT_EQ(CTestPlot(&loaded).GetNumber(), 4);
}

} // namespace
