// The page of a plot: the orientation triad, the free texts and the title,
// editing the free texts, fitting the molecule into the page and the export
// as a metafile, all seen through a recording canvas.

#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "TestPlot.h"
#include "analysis/Molecule.h"
#include "analysis/PlotTextService.h"
#include "platform/core/FileChooser.h"
#include "platform/core/MetafileService.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"

namespace {

using Records = std::vector<std::string>;

// The numbers after the record's name.
std::vector<int> Numbers(const std::string& record) {
    std::istringstream in(record);
    std::string name;
    in >> name;
    std::vector<int> numbers;
    int n = 0;
    while (in >> n)
        numbers.push_back(n);
    return numbers;
}

// A kind that sees the cube end-on: every corner projects onto the origin.
class CFlatPlot : public CTestPlot {
public:
    using CTestPlot::CTestPlot;
    CVector ToPlotCoords(CVector) override { return {}; }
};

TEST(PlotPage, TriadPointsAlongItsAxesAndReaches10mm) {
    // A4 in mm: 15 mm left of the border's right edge, 17 mm above its bottom.
    const int x0 = 6000;
    const int y0 = -10150;
    std::mt19937 random(19);
    std::uniform_real_distribution<double> angle(-3.2, 3.2);
    for (int trial = 0; trial < 50; ++trial) {
        CTestPlot plot(nullptr);
        plot.RotateX(angle(random));
        plot.RotateY(angle(random));
        plot.RotateZ(angle(random));
        SCOPED_TRACE(trial);
        zel::CRecordingCanvas dc;
        plot.DrawAxesTriad(dc);

        int largest = 0;
        for (const std::string& record : dc.Records()) {
            if (record.rfind("LineTo", 0) != 0 && record.rfind("Polyline", 0) != 0) continue;
            const std::vector<int> n = Numbers(record);
            for (std::size_t i = 0; i + 1 < n.size(); i += 2)
                largest = std::max({largest, std::abs(n[i] - x0), std::abs(n[i + 1] - y0)});
        }
        EXPECT_EQ(largest, 1000);

        // The three axes, red, green and blue, go from the origin toward
        // their projections, labelled 2 mm to the right of their ends.
        const Records lines = dc.RecordsOf("LineTo");
        const Records labels = dc.RecordsOf("TextOut");
        ASSERT_EQ(lines.size(), 4u);
        ASSERT_EQ(labels.size(), 3u);
        EXPECT_EQ(dc.RecordsOf("MoveTo").front(), "MoveTo 6000 -10150");
        const CMatrix m = plot.GetOrientation();
        for (int axis = 0; axis < 3; ++axis) {
            const CVector q = m.Column(axis);
            const std::vector<int> end = Numbers(lines[axis]);
            if (std::abs(q.x) > 0.01) {
                EXPECT_EQ(end[0] > x0, q.x > 0) << axis;
            }
            if (std::abs(q.y) > 0.01) {
                EXPECT_EQ(end[1] > y0, q.y > 0) << axis;
            }
            EXPECT_EQ(labels[axis], "TextOut " + std::to_string(end[0] + 200) + " " + std::to_string(end[1]) +
                                        " " + std::string(1, "xyz"[axis]));
        }
        EXPECT_EQ(dc.GetPen(), zel::SPen{});
        EXPECT_EQ(dc.GetFont(), zel::CCanvas::DefaultFont());
    }
}

TEST(PlotPage, TriadSeenEndOnIsSkipped) {
    CFlatPlot plot(nullptr);
    zel::CRecordingCanvas dc;
    plot.DrawAxesTriad(dc);
    EXPECT_TRUE(dc.RecordsOf("LineTo").empty());
    EXPECT_TRUE(dc.RecordsOf("Polyline").empty());
    EXPECT_TRUE(dc.RecordsOf("TextOut").empty());
    EXPECT_EQ(dc.GetPen(), zel::SPen{});
    EXPECT_EQ(dc.GetFont(), zel::CCanvas::DefaultFont());
    EXPECT_EQ(dc.GetTextColor(), zel::RGB(0, 0, 0));
}

TEST(PlotPage, FreeTextsFromThePageCornerAndTitleOnTheBorderBottom) {
    g_nPlotCounter = 0;
    CTestPlot plot(nullptr);
    auto text = std::make_unique<CPlotText>();
    text->SetText("Hi");
    plot.GetTextList()->push_back(std::move(text));
    zel::CRecordingCanvas dc;
    plot.DrawTexts(dc);
    const Records out = dc.RecordsOf("TextOut");
    ASSERT_EQ(out.size(), 2u);
    // Position (0, 0) is the paper's top-left corner.
    EXPECT_EQ(out[0], "TextOut -10500 14850 Hi");
    EXPECT_EQ(dc.LPtoDP({-10500, 14850}), (zel::CPoint{0, 0}));
    // "New Plot (0)": 12 characters of 212 in the recording's title font,
    // centred, its bottom on the border's bottom line.
    EXPECT_EQ(out[1], "TextOut -1272 -11425 New Plot (0)");
    EXPECT_EQ(dc.GetTextAlign(), zel::TA_LEFT | zel::TA_TOP);
}

TEST(PlotPage, BorderOffChangesNothingElse) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.5, 0, 0}}));
    CTestPlot plot(&molecule);
    plot.GetTextList()->push_back(std::make_unique<CPlotText>());
    plot.GetTextList()->back()->SetText("note");
    auto drawn = [&plot] {
        zel::CRecordingCanvas dc;
        plot.Draw(dc);
        Records kept;
        for (const char* name : {"TextOut", "LineTo", "Polyline", "Ellipse", "Rectangle"})
            for (const std::string& record : dc.RecordsOf(name))
                kept.push_back(record);
        return kept;
    };
    Records with = drawn();
    plot.Toggle(CPlot::kBorderCode);
    Records without = drawn();
    ASSERT_EQ(with.size(), without.size() + 1);
    EXPECT_EQ(with.back(), "Rectangle -7500 11850 7500 -11850");
    with.pop_back();
    EXPECT_EQ(with, without);
}

TEST(PlotPage, FitToPageBoxesAtomsAndCriticalPoints) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{-2, 0, 0}, {2, 0, 0}, {0, 3, 0}}));
    graphtest::AddPoint<CBondPoint>(molecule, 1, {0, 0, 4});
    CTestPlot plot(&molecule);
    zel::CRecordingCanvas dc;
    double x = 0, y = 0, scale = 0;
    plot.FitToPage(dc, &x, &y, &scale);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 1.5);
    // Reserve (3 x (int)(1.2 x 400)) / 100 = 14 mm; 210 - 60 - 14 = 136 mm
    // across the box's diagonal of sqrt(4^2 + 3^2 + 4^2) bohr.
    EXPECT_DOUBLE_EQ(scale, 136.0 / std::sqrt(41.0));

    // Nothing away from the origin: a finite scale all the same.
    CMolecule single;
    graphtest::LoadWfn(single, graphtest::GaussiansWfn({{0, 0, 0}}));
    CTestPlot lone(&single);
    lone.FitToPage(dc, &x, &y, &scale);
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(scale, 136.0);
}

// --- editing the free texts ----------------------------------------------------------

struct EditCase {
    const char* what;
    int x, y;
    std::vector<std::optional<std::string>> answers; // nothing: Cancel
    Records offered;                                 // the texts the dialog opened on
    Records after;                                   // text@x,y:width
};

Records Texts(const CPlot& plot) {
    Records texts;
    for (const auto& text : *plot.GetTextList())
        texts.push_back(text->GetText() + "@" + std::to_string(text->GetPosition().x) + "," +
                        std::to_string(text->GetPosition().y) + ":" + std::to_string(text->GetExtent().cx));
    return texts;
}

TEST(PlotPage, EditingTexts) {
    // "one" covers x 1000..3000, y -1500..-1000; "two" x 2000..4000, y -1700..-1200.
    const Records start = {"one@1000,-1000:2000", "two@2000,-1200:2000"};
    const EditCase cases[] = {
        {"inside one text", 1500, -1200, {"uno"}, {"one"}, {"uno@1000,-1000:750", start[1]}},
        {"Cancel keeps it", 1500, -1200, {std::nullopt}, {"one"}, start},
        {"two overlapping, in order", 2500, -1300, {std::nullopt, std::nullopt}, {"one", "two"}, start},
        {"outside creates", 10000, -10000, {"new"}, {""}, {start[0], start[1], "new@10000,-10000:750"}},
        {"outside, empty string adds nothing", 10000, -10000, {""}, {""}, start},
        {"empty string removes", 1500, -1200, {""}, {"one"}, {start[1]}},
        {"deleted while scanning", 2500, -1300, {"", "deux"}, {"one", "two"}, {"deux@2000,-1200:1000"}},
        // y grows upwards: above the text's top edge is outside it.
        {"above the top edge", 1500, -900, {std::nullopt}, {""}, start},
        {"just inside the bottom edge", 1500, -1500, {std::nullopt}, {"one"}, start},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        CTestPlot plot(nullptr);
        for (const char* name : {"one", "two"}) {
            auto text = std::make_unique<CPlotText>();
            text->SetText(name);
            text->SetPosition(name[1] == 'n' ? zel::CPoint{1000, -1000} : zel::CPoint{2000, -1200});
            text->SetExtent({2000, 500});
            plot.GetTextList()->push_back(std::move(text));
        }
        CScriptedPlotTexts dialog;
        ScopedPlotTextService scoped(dialog);
        for (const auto& answer : c.answers) {
            if (answer)
                dialog.PushOk(*answer);
            else
                dialog.PushCancel();
        }
        zel::CRecordingCanvas dc;
        plot.EditText(dc, c.x, c.y);

        Records offered;
        for (const SPlotTextFields& fields : dialog.Requests())
            offered.push_back(fields.text);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(Texts(plot), c.after);
        EXPECT_EQ(dialog.PendingAnswers(), 0u);
        // Still 1 only when no text was hit.
        EXPECT_EQ(plot.IsTextEditScratch(), c.offered == Records{""} ? 1 : 0);
    }
}

TEST(PlotPage, NewTextIsOfferedBlackInTheDefaultFontAtThePoint) {
    CTestPlot plot(nullptr);
    CScriptedPlotTexts dialog;
    ScopedPlotTextService scoped(dialog);
    dialog.PushAnswer([](SPlotTextFields& fields) {
        fields.text = "red";
        fields.color = zel::RGB(255, 0, 0);
        fields.font.Height = -1000;
        return true;
    });
    zel::CRecordingCanvas dc;
    plot.EditText(dc, 123, -456);
    ASSERT_EQ(dialog.Requests().size(), 1u);
    const SPlotTextFields asked = dialog.Requests().front();
    EXPECT_EQ(asked.text, "");
    EXPECT_EQ(asked.color, zel::RGB(0, 0, 0));
    EXPECT_EQ(asked.font, MakePlotFont(-500, 400));
    EXPECT_EQ(asked.x, 123);
    EXPECT_EQ(asked.y, -456);
    // Measured in the chosen font.
    ASSERT_EQ(plot.GetTextList()->size(), 1u);
    EXPECT_EQ(plot.GetTextList()->front()->GetExtent(), (zel::CSize{1500, 1000}));
    EXPECT_EQ(plot.GetTextList()->front()->GetColor(), zel::RGB(255, 0, 0));
}

// --- export ---------------------------------------------------------------------------

TEST(PlotPage, ExportClipsTheMetafileToTheBorder) {
    CTestPlot plot(nullptr);
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService scopedChooser(chooser);
    zel::CRecordingMetafileService metafiles;
    zel::ScopedMetafileService scopedMetafiles(metafiles);
    chooser.PushAnswer("/somewhere/plot one.emf");
    zel::CRecordingCanvas reference;
    plot.ExportEMF(reference);

    ASSERT_EQ(chooser.Requests().size(), 1u);
    zel::SFileRequest expected;
    expected.save = true;
    expected.filter = "Windows Meta File (*.emf)|*.emf|\t\t All Files (*.*)|*.*|";
    expected.defaultExtension = "emf";
    expected.overwritePrompt = true;
    expected.fileName = "New Plot (0).emf"; // the plot's title
    EXPECT_EQ(chooser.Requests().front(), expected);
    EXPECT_EQ(metafiles.LastPath(), "/somewhere/plot one.emf");
    EXPECT_EQ(metafiles.LastDescription(), std::string("Zelmora\0plot one.emf\0\0", 22));
    const Records records = metafiles.LastRecords();
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[0], "SetWindowOrg -10500 14850");
    // The border (-7500, 11850) to (7500, -11850) on the device, one past its
    // bottom-right corner.
    EXPECT_EQ(records[1], "ClipRect 3000 3000 18001 26701");
    EXPECT_EQ(records.back(), "Close");
    EXPECT_EQ(plot.GetMetafile(), nullptr);

    // Cancel makes no file.
    plot.ExportEMF(reference);
    EXPECT_EQ(metafiles.Created(), 1);
    EXPECT_EQ(plot.GetMetafile(), nullptr);
}

} // namespace
