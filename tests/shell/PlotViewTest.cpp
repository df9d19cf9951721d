// The plot view in the application, offscreen: its keys and mouse modes, the
// text drag and text editing, painting that never computes, drawing only
// inside the border, printing in the page's orientation, the clipboard, the
// metafile export read back by libuemf, the plot commands and a document with
// plots reopened.

#include "../analysis/GraphTestUtil.h"
#include "../analysis/TestPlot.h"
#include "../gui/EmfReader.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "analysis/PlotTextService.h"
#include "platform/core/FileChooser.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TitleService.h"
#include "platform/qt/PainterCanvas.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/Printing.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace {

using Records = std::vector<std::string>;

class PlotViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        g_bCancel = 0;
        ASSERT_TRUE(m_app.InitInstance({}, false));
        m_frame = m_app.GetMainFrame();
        m_doc = m_app.GetDocument();
        m_view = m_frame->GetPlotView();
        graphtest::LoadWfn(Molecule(), graphtest::GaussiansWfn({{0, 0, 0}, {1.5, 0, 0}, {0, 2.0, 0.5}}));
        m_doc->UpdateAllViews();
    }

    CMolecule& Molecule() { return *m_doc->GetMolecule(); }

    // A new plot of the test kind, at the head of the list and current, as
    // New Plot leaves it; the document unmodified.
    CTestPlot* AddPlot(bool computes = false) {
        auto plot = std::make_unique<CTestPlot>(&Molecule(), computes);
        CTestPlot* added = plot.get();
        CPlot::IncrementPlotCounter();
        Molecule().GetPlotList().push_front(std::move(plot));
        Molecule().SetCurrentPlot(added);
        Molecule().SetPlotIndex(0);
        Molecule().SetPlotState(0);
        m_doc->UpdateAllViews();
        m_doc->SetModifiedFlag(false);
        return added;
    }

    void Key(QEvent::Type type, int key) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view, &event);
    }
    void Press(int key) { Key(QEvent::KeyPress, key); }
    void Release(int key) { Key(QEvent::KeyRelease, key); }

    // Through the window system of the platform, as the user's mouse: the
    // moves go where the press was taken.
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QWidget* target = m_view->viewport();
        switch (type) {
        case QEvent::MouseButtonPress:
            QTest::mousePress(target, button, Qt::NoModifier, at);
            break;
        case QEvent::MouseButtonRelease:
            QTest::mouseRelease(target, button, Qt::NoModifier, at);
            break;
        default:
            QTest::mouseMove(target, at);
            break;
        }
    }

    Records Drawn() {
        zel::CRecordingCanvas dc;
        m_view->OnDraw(dc);
        return dc.Records();
    }

    zel::test::ScopedTestSettings m_settings;
    QTemporaryDir m_temp;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedFileChooser m_chooser;
    zel::ScopedFileChooserService m_chooserGuard{m_chooser};
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    CScriptedPlotTexts m_texts;
    ScopedPlotTextService m_textGuard{m_texts};
    CZelmoraApp m_app;
    CMainFrame* m_frame = nullptr;
    CZelmoraDoc* m_doc = nullptr;
    CPlotView* m_view = nullptr;
};

TEST_F(PlotViewTest, KeysAndWhichOfThemMarkTheDocument) {
    struct Row {
        int key;
        bool modifies;
        std::function<bool(CPlot&)> changed;
    };
    const Row rows[] = {
        {Qt::Key_Space, true, [](CPlot& p) { return p.GetZoom() == 1.0 && p.GetPanX() == 0; }},
        {Qt::Key_A, true, [](CPlot& p) { return !p.GetAxes()->IsVisible(); }},
        {Qt::Key_B, true, [](CPlot& p) { return !p.GetBorder()->IsVisible(); }},
        {Qt::Key_T, true, [](CPlot& p) { return !p.GetTitle()->IsVisible(); }},
        {Qt::Key_N, true, [](CPlot& p) { return p.IsRecompute() == 1; }},
        {Qt::Key_L, false, [](CPlot& p) { return p.GetLabels() == 0; }},
        {Qt::Key_M, false, [](CPlot&) { return true; }},
        {Qt::Key_X, false, [](CPlot&) { return true; }},
        {Qt::Key_PageDown, false, [this](CPlot&) { return m_view->verticalScrollBar()->value() > 0; }},
        {Qt::Key_H, false, [](CPlot&) { return true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        CPlot* plot = AddPlot();
        plot->SetZoom(2.0);
        plot->SetPanX(300);
        Press(row.key);
        Release(row.key);
        EXPECT_EQ(m_doc->IsModified(), row.modifies);
        EXPECT_TRUE(row.changed(*plot));
    }
    // H opens the start page of the fixed help book, which is not here.
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_NE(m_prompts.Texts().back().find("zelmorahlp"), std::string::npos);

    // A held key sets its mode until it is released.
    Press(Qt::Key_U);
    EXPECT_TRUE(m_view->IsModeHeld(Qt::Key_U));
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_U, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(m_view, &repeat);
    EXPECT_TRUE(m_view->IsModeHeld(Qt::Key_U));
    Release(Qt::Key_U);
    EXPECT_FALSE(m_view->IsModeHeld(Qt::Key_U));

    // Without a current plot no key does anything.
    Molecule().SetCurrentPlot(nullptr);
    Molecule().SetPlotState(2);
    m_doc->UpdateAllViews();
    const int scrolled = m_view->verticalScrollBar()->value();
    for (int key : {Qt::Key_Space, Qt::Key_PageDown, Qt::Key_M}) {
        Press(key);
        Release(key);
    }
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_EQ(m_view->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
}

TEST_F(PlotViewTest, HeldModesActOnTheDrag) {
    CPlot* plot = AddPlot();
    // X: 370 pixels down turn the plot by 370 degrees about x, angle X 10.
    Press(Qt::Key_X);
    Mouse(QEvent::MouseButtonPress, {20, 20});
    for (int step = 1; step <= 10; ++step)
        Mouse(QEvent::MouseMove, {20, 20 + 37 * step});
    Mouse(QEvent::MouseButtonRelease, {20, 390});
    Release(Qt::Key_X);
    EXPECT_EQ(plot->GetAngles()[0], 10);
    const double t = 10 * std::numbers::pi / 180;
    const CMatrix m = plot->GetOrientation();
    EXPECT_NEAR(m.c1.y, std::cos(t), 1e-12);
    EXPECT_NEAR(m.c1.z, std::sin(t), 1e-12);
    EXPECT_NEAR(m.c2.y, -std::sin(t), 1e-12);
    EXPECT_TRUE(m_doc->IsModified());

    // M: 0.02 per mouse event, down when the drag is not downwards.
    Press(Qt::Key_M);
    Mouse(QEvent::MouseButtonPress, {100, 100});
    for (int step = 1; step <= 5; ++step)
        Mouse(QEvent::MouseMove, {100 + 7 * step, 100});
    EXPECT_NEAR(plot->GetZoom(), 0.9, 1e-12);
    Mouse(QEvent::MouseMove, {135, 101});
    EXPECT_NEAR(plot->GetZoom(), 0.92, 1e-12);
    // Dragged far up the zoom stays positive.
    for (int step = 0; step < 100; ++step)
        Mouse(QEvent::MouseMove, {135, 100 - step});
    EXPECT_EQ(plot->GetZoom(), CPlot::kMinZoom);
    Mouse(QEvent::MouseButtonRelease, {135, 1});
    Release(Qt::Key_M);

    // P: 100 page units per pixel, x against the drag, y with it.
    Press(Qt::Key_P);
    Mouse(QEvent::MouseButtonPress, {50, 50});
    Mouse(QEvent::MouseMove, {53, 54});
    Mouse(QEvent::MouseButtonRelease, {53, 54});
    Release(Qt::Key_P);
    EXPECT_EQ(plot->GetPanX(), -300);
    EXPECT_EQ(plot->GetPanY(), 400);

    // A drag with no mode held changes the plot in nothing, but every move
    // over a plot marks the document, even with no button held.
    const CMatrix before = plot->GetOrientation();
    m_doc->SetModifiedFlag(false);
    Mouse(QEvent::MouseButtonPress, {50, 50});
    Mouse(QEvent::MouseMove, {80, 90});
    Mouse(QEvent::MouseButtonRelease, {80, 90});
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(plot->GetOrientation().c1.y, before.c1.y);
    m_doc->SetModifiedFlag(false);
    Mouse(QEvent::MouseMove, {85, 95}, Qt::NoButton);
    EXPECT_TRUE(m_doc->IsModified());
    // Without a plot a move marks nothing, a right-click does.
    Molecule().SetCurrentPlot(nullptr);
    m_doc->SetModifiedFlag(false);
    Mouse(QEvent::MouseMove, {90, 95}, Qt::NoButton);
    EXPECT_FALSE(m_doc->IsModified());
    Mouse(QEvent::MouseButtonPress, {90, 95}, Qt::RightButton);
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(PlotViewTest, TextDragMovesTheTextAndTheModesRest) {
    CPlot* plot = AddPlot();
    auto text = std::make_unique<CPlotText>();
    text->SetText("drag me");
    text->SetPosition(m_view->ToPage({90, 40}));
    text->SetExtent({2000, 2000});
    CPlotText* moved = text.get();
    plot->GetTextList()->push_back(std::move(text));

    Press(Qt::Key_X);
    Mouse(QEvent::MouseButtonPress, {100, 50});
    EXPECT_EQ(m_view->GetDraggedText(), moved);
    EXPECT_EQ(plot->IsTextDrag(), 1);
    Mouse(QEvent::MouseMove, {150, 120});
    EXPECT_EQ(moved->GetPosition(), m_view->ToPage({150, 120}));
    Mouse(QEvent::MouseMove, {200, 150});
    Mouse(QEvent::MouseButtonRelease, {210, 160});
    Release(Qt::Key_X);
    EXPECT_EQ(moved->GetPosition(), m_view->ToPage({210, 160}));
    EXPECT_EQ(plot->GetAngles()[0], 0);
    EXPECT_EQ(plot->IsTextDrag(), 0);
    EXPECT_EQ(m_view->GetDraggedText(), nullptr);
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(PlotViewTest, RightClickOffersANewTextAtThePoint) {
    CPlot* plot = AddPlot();
    m_texts.PushOk("note");
    Mouse(QEvent::MouseButtonPress, {120, 80}, Qt::RightButton);
    ASSERT_EQ(plot->GetTextList()->size(), 1u);
    EXPECT_EQ(plot->GetTextList()->front()->GetText(), "note");
    EXPECT_EQ(plot->GetTextList()->front()->GetPosition(), m_view->ToPage({120, 80}));
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(PlotViewTest, PaintingNeverComputes) {
    CTestPlot::s_nComputed = 0;
    CTestPlot* plot = AddPlot(true);
    ASSERT_TRUE(plot->NeedsCompute());
    m_view->viewport()->repaint();
    EXPECT_EQ(CTestPlot::s_nComputed, 0);
    ASSERT_TRUE(zel::test::WaitUntil([] { return CTestPlot::s_nComputed == 1; }));
    EXPECT_FALSE(plot->NeedsCompute());
    EXPECT_EQ(plot->IsBusy(), 0);
    EXPECT_NE(CTestPlot::s_ComputeThread, std::this_thread::get_id());

    // N asks for it again; the next paint has it computed first.
    Press(Qt::Key_N);
    m_view->viewport()->repaint();
    ASSERT_TRUE(zel::test::WaitUntil([] { return CTestPlot::s_nComputed == 2; }));
}

TEST_F(PlotViewTest, NothingShowsOutsideTheBorder) {
    CPlot* plot = AddPlot();
    // Margins of 10 mm at the top and 50 mm at the bottom.
    CPageSetup page = plot->GetPageSetup();
    page.m_dMarginTop = 10;
    page.m_dMarginBottom = 50;
    plot->SetPageSetup(page);
    plot->UpdateBorderRect();
    // Texts 30 mm above the page's bottom (below the border) and 60 mm.
    for (int y : {-26700, -23700}) {
        plot->GetTextList()->push_back(std::make_unique<CPlotText>());
        plot->GetTextList()->back()->SetText("MMMM");
        plot->GetTextList()->back()->SetPosition({10000, y});
    }
    // The page at 1 pixel per mm.
    QImage image(210, 297, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        zel::CPainterCanvas dc(painter, 25.4);
        m_view->OnDraw(dc);
    }
    auto inked = [&image](int top) {
        for (int y = top; y < top + 5; ++y)
            for (int x = 100; x < 120; ++x)
                if (image.pixelColor(x, y) != QColor(Qt::white)) return true;
        return false;
    };
    EXPECT_TRUE(inked(237));
    EXPECT_FALSE(inked(267));

    // The clip is the border, (-7500, 13850) to (7500, -9850), on the device.
    Records clips;
    for (const std::string& record : Drawn())
        if (record.rfind("ClipRect", 0) == 0) clips.push_back(record);
    EXPECT_EQ(clips, (Records{"ClipRect 3000 1000 18001 24701", "ClipRect none"}));
}

TEST_F(PlotViewTest, ScrollSizesFollowThePage) {
    AddPlot();
    EXPECT_EQ(m_view->GetTotalSize(), (zel::CSize{21000, 29700}));
    EXPECT_EQ(m_view->GetPageStep(), (zel::CSize{10500, 14850}));
    EXPECT_EQ(m_view->GetLineStep(), (zel::CSize{420, 594}));
}

TEST_F(PlotViewTest, PrintsOnePageInThePagesOrientation) {
    CPlot* plot = AddPlot();
    CPageSetup page = plot->GetPageSetup();
    page.m_bPortrait = 0;
    page.m_dPaperWidth = 297;
    page.m_dPaperHeight = 210;
    plot->SetPageSetup(page);
    plot->UpdateBorderRect();

    QPrinter* printer = GetSharedPrinter();
    ASSERT_NE(printer, nullptr);
    const QString pdf = m_temp.filePath(QStringLiteral("plot.pdf"));
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    printer->setPageOrientation(QPageLayout::Portrait);
    m_frame->SetActiveView(m_view);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintDirect));

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([\\d.]+)\\s+([\\d.]+)"))
            .match(text);
    ASSERT_TRUE(box.hasMatch());
    EXPECT_GT(box.captured(1).toDouble(), box.captured(2).toDouble());
    // The printer keeps its own orientation for other prints.
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Portrait);

    // The preview shows the same one page.
    int pages = 0;
    QPageLayout::Orientation previewed = QPageLayout::Portrait;
    zel::test::WhenVisible<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
        if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) {
            pages = widget->pageCount();
            previewed = widget->orientation();
        }
        preview->reject();
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintPreview));
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(previewed, QPageLayout::Landscape);
}

// The preview shows the page as the printer gets it: the border's line on
// all four sides, however far the preview scales the page down, and nothing
// of the plot outside the border.
TEST_F(PlotViewTest, PreviewShowsTheWholeBorderAndNothingOutsideIt) {
    CPlot* plot = AddPlot();
    // A text 17 mm above the page's bottom, below the border (30 mm).
    plot->GetTextList()->push_back(std::make_unique<CPlotText>());
    plot->GetTextList()->back()->SetText("MMMMMMMM");
    plot->GetTextList()->back()->SetPosition({10000, -28000});
    QPrinter* printer = GetSharedPrinter();
    ASSERT_NE(printer, nullptr);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(m_temp.filePath(QStringLiteral("preview.pdf")));

    QImage shown;
    zel::test::WhenVisible<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
        preview->resize(700, 900);
        if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) {
            widget->fitInView();
            QCoreApplication::processEvents();
            shown = widget->grab().toImage();
        }
        preview->reject();
    });
    m_frame->SetActiveView(m_view);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintPreview));
    ASSERT_FALSE(shown.isNull());

    // The page: the white area on the grey ground.
    QRect page;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixelColor(x, y) == QColor(Qt::white)) page |= QRect(x, y, 1, 1);
    ASSERT_GT(page.width(), 100);
    const double w = plot->PageWidth();
    const double h = plot->PageHeight();
    auto at = [&](double x, double y) { // page units, centre (0, 0), y upwards
        return QPoint(page.left() + static_cast<int>(std::lround((x + w / 2) / w * page.width())),
                      page.top() + static_cast<int>(std::lround((h / 2 - y) / h * page.height())));
    };
    auto dark = [&](QPoint p) { return qGray(shown.pixel(p)) < 160; };
    auto inkedNear = [&](QPoint p, bool alongX) {
        for (int d = -3; d <= 3; ++d)
            if (dark(alongX ? p + QPoint(d, 0) : p + QPoint(0, d))) return true;
        return false;
    };
    const zel::CRect border = plot->GetBorder()->GetRect();
    // Away from the title (bottom centre) and the axes triad (bottom right).
    const int quarterX = border.left + (border.right - border.left) / 4;
    const int midY = (border.top + border.bottom) / 2;
    EXPECT_TRUE(inkedNear(at(border.left, midY), true)) << "left";
    EXPECT_TRUE(inkedNear(at(border.right, midY), true)) << "right";
    EXPECT_TRUE(inkedNear(at(quarterX, border.top), false)) << "top";
    EXPECT_TRUE(inkedNear(at(quarterX, border.bottom), false)) << "bottom";
    // The text below the border does not show.
    const QPoint text = at(10000 - w / 2, -28000 + h / 2);
    bool inked = false;
    for (int y = text.y() - 1; y < text.y() + 8; ++y)
        for (int x = text.x(); x < text.x() + 20; ++x)
            inked = inked || dark({x, y});
    EXPECT_FALSE(inked);
}

TEST_F(PlotViewTest, CopyPutsTheViewOnTheClipboard) {
    AddPlot();
    m_frame->SetActiveView(m_view);
    for (int command : {cmd::PlotCopy, cmd::EditCopy}) {
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(m_frame->ExecuteCommand(command));
        const QImage image = QGuiApplication::clipboard()->image();
        ASSERT_FALSE(image.isNull()) << command;
        EXPECT_EQ(image.size(), m_view->viewport()->size() * image.devicePixelRatio());
        bool inked = false;
        for (int y = 0; y < image.height() && !inked; y += 2)
            for (int x = 0; x < image.width() && !inked; x += 2)
                inked = image.pixelColor(x, y) != QColor(Qt::white);
        EXPECT_TRUE(inked) << command;
    }
    EXPECT_EQ(m_frame->GetAction(cmd::EditCopy)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
}

TEST_F(PlotViewTest, ExportWritesAMetafileClippedToTheBorder) {
    AddPlot();
    const std::string path = m_temp.filePath(QStringLiteral("plot.emf")).toStdString();
    m_chooser.PushAnswer(path);
    m_frame->SetActiveView(m_view);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));

    const zel::test::EmfFile file = zel::test::ReadEmf(path);
    ASSERT_FALSE(file.offsets.empty());
    EXPECT_TRUE(file.safe);
    const U_EMRHEADER* header = file.Header();
    EXPECT_EQ(header->emr.iType, static_cast<uint32_t>(U_EMR_HEADER));
    EXPECT_EQ(header->dSignature, static_cast<uint32_t>(U_ENHMETA_SIGNATURE));
    EXPECT_EQ(header->nBytes, file.bytes.size());
    EXPECT_EQ(header->nRecords, file.offsets.size());
    EXPECT_EQ(file.Description(), std::u16string(u"Zelmora\0plot.emf\0\0", 18));
    const auto* mapMode = file.Find<U_EMRSETMAPMODE>(U_EMR_SETMAPMODE);
    ASSERT_NE(mapMode, nullptr);
    EXPECT_EQ(mapMode->iMode, static_cast<uint32_t>(U_MM_ANISOTROPIC));

    // The clip is the border, from the page's top-left corner (30 mm in from
    // its left and top, 30 mm from its right and bottom), in logical units
    // that cover the view's device pixels of it.
    const double k = m_view->logicalDpiX() / 2540.0;
    const auto* clip = file.Find<U_EMRINTERSECTCLIPRECT>(U_EMR_INTERSECTCLIPRECT);
    ASSERT_NE(clip, nullptr);
    const U_RECTL rect = clip->rclClip;
    EXPECT_NEAR(rect.left, 3000, 1.0 / k + 1);
    EXPECT_NEAR(rect.top, -3000, 1.0 / k + 1);
    EXPECT_NEAR(rect.right, 18000, 2.0 / k + 1);
    EXPECT_NEAR(rect.bottom, -26700, 2.0 / k + 1);
    EXPECT_EQ(file.Find<U_ENHMETARECORD>(U_EMR_EXTSELECTCLIPRGN), nullptr);
    EXPECT_EQ(file.Record(file.offsets.size() - 1)->iType, static_cast<uint32_t>(U_EMR_EOF));

    // An export that cannot create its file says so and writes nothing.
    m_chooser.PushAnswer("/nonexistent-folder/plot.emf");
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));
    EXPECT_EQ(m_prompts.Texts().back(),
              "Could not create file /nonexistent-folder/plot.emf: No such file or directory");
}

// Export and Save As open beside the document once it has a file (before
// that the chooser's last folder); Export proposes the plot's title as the
// file name.
TEST_F(PlotViewTest, ExportAndSaveAsOpenBesideTheDocument) {
    AddPlot()->GetTitle()->SetText("rho: C/N plane");
    m_frame->SetActiveView(m_view);
    m_chooser.PushAnswer(std::nullopt);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));
    ASSERT_FALSE(m_chooser.Requests().empty());
    EXPECT_EQ(m_chooser.Requests().back().directory, "");
    EXPECT_EQ(m_chooser.Requests().back().fileName, "rho_ C_N plane.emf");

    const QString folder = m_temp.filePath(QStringLiteral("documents"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(m_doc->OnSaveDocument(QDir(folder).filePath(QStringLiteral("dimer.zlm")).toStdString()));
    // The save's progress dialog hands the focus back to the record view,
    // which this test had never taken from it.
    m_frame->SetActiveView(m_view);
    for (int command : {cmd::PlotExport, cmd::FileSaveAs}) {
        SCOPED_TRACE(command);
        m_chooser.PushAnswer(std::nullopt);
        ASSERT_TRUE(m_frame->ExecuteCommand(command));
        EXPECT_EQ(m_chooser.Requests().back().directory, folder.toStdString());
        EXPECT_TRUE(m_chooser.Requests().back().save);
    }
    EXPECT_EQ(m_chooser.Requests().back().fileName, "dimer.zlm");
}

TEST_F(PlotViewTest, PlotCommandsNeedAChosenPlotAndDeleteAsks) {
    m_frame->SetActiveView(m_view);
    m_frame->UpdateCommandStates();
    for (int id : {cmd::PlotModify, cmd::PlotDelete, cmd::PlotExport})
        EXPECT_FALSE(m_frame->GetAction(id)->isEnabled()) << id;
    CPlot* plot = AddPlot();
    m_frame->UpdateCommandStates();
    for (int id : {cmd::PlotModify, cmd::PlotDelete, cmd::PlotExport, cmd::PlotCopy})
        EXPECT_TRUE(m_frame->GetAction(id)->isEnabled()) << id;
    // Export belongs to the plot view.
    m_frame->SetActiveView(m_frame->GetRecordView());
    EXPECT_FALSE(m_frame->GetAction(cmd::PlotExport)->isEnabled());
    EXPECT_TRUE(m_frame->GetAction(cmd::PlotModify)->isEnabled());
    // Nothing while the newest plot computes.
    plot->SetBusy(1);
    m_frame->UpdateCommandStates();
    EXPECT_FALSE(m_frame->GetAction(cmd::PlotDelete)->isEnabled());
    plot->SetBusy(0);

    // Modify recovers the angles from the orientation.
    plot->RotateZ(30.5 * std::numbers::pi / 180);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotModify));
    EXPECT_EQ(plot->GetAngles()[2], 30);
    EXPECT_TRUE(m_doc->IsModified());

    m_doc->SetModifiedFlag(false);
    m_prompts.PushAnswer(zel::IDNO);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotDelete));
    EXPECT_EQ(m_prompts.Texts().back(), "Do you realy want to delete this nice plot?");
    EXPECT_EQ(Molecule().GetPlotList().size(), 1u);
    EXPECT_FALSE(m_doc->IsModified());

    m_prompts.PushAnswer(zel::IDYES);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotDelete));
    EXPECT_TRUE(Molecule().GetPlotList().empty());
    EXPECT_EQ(Molecule().GetCurrentPlot(), nullptr);
    EXPECT_EQ(Molecule().GetPlotState(), 2);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
}

// Deleting one of two plots leaves neither a plot shown nor an entry named:
// the control pane's list and the view agree until the user picks a plot.
TEST_F(PlotViewTest, AfterADeleteTheListNamesNoPlotAsTheViewShowsNone) {
    AddPlot();
    AddPlot();
    m_frame->SetActiveView(m_view);
    QComboBox* plots = m_frame->GetControlView()->GetList(CControlView::kPlotList);
    ASSERT_EQ(plots->currentIndex(), 0);
    m_prompts.PushAnswer(zel::IDYES);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotDelete));
    ASSERT_EQ(plots->count(), 1);
    EXPECT_EQ(plots->currentIndex(), -1);
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
    plots->setCurrentIndex(0);
    emit plots->activated(0);
    EXPECT_EQ(Molecule().GetCurrentPlot(), Molecule().GetPlotList().front().get());
    EXPECT_NE(Drawn(), Records{"TextOut 0 0 Plot not defined"});
}

TEST_F(PlotViewTest, ReopenedDocumentDrawsTheSamePlot) {
    CPlot* plot = AddPlot();
    plot->RotateY(0.3);
    plot->GetTextList()->push_back(std::make_unique<CPlotText>());
    plot->GetTextList()->back()->SetText("kept");
    const Records before = Drawn();
    const std::string path = m_temp.filePath(QStringLiteral("plots.zlm")).toStdString();
    ASSERT_TRUE(m_doc->OnSaveDocument(path));

    ASSERT_TRUE(m_doc->OnNewDocument());
    bool loaded = false;
    ASSERT_TRUE(m_doc->OnOpenDocument(path, &loaded));
    ASSERT_TRUE(loaded);
    // Listed, but neither selected nor shown until chosen: the list and the
    // view agree.
    QComboBox* plots = m_frame->GetControlView()->GetList(CControlView::kPlotList);
    ASSERT_EQ(plots->count(), 1);
    EXPECT_EQ(plots->itemText(0).toStdString(), "New Plot (0)");
    EXPECT_EQ(plots->currentIndex(), -1);
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
    plots->setCurrentIndex(0);
    emit plots->activated(0);
    EXPECT_EQ(plots->currentText().toStdString(), "New Plot (0)");
    EXPECT_EQ(Drawn(), before);
}

} // namespace
