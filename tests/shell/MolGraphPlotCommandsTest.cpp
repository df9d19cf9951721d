// The molecular-graph plot through the application's menus, offscreen, on
// the benzene example: a new plot cancelled and accepted, shown in the
// control pane and the plot view, changed through Modify with its page and
// plane set-up (the plane reaching the three-dimensional scene), saved and
// reopened, exported as a metafile read back by libuemf, printed to PDF,
// copied and deleted.

#include "../gui/EmfReader.h"
#include "../gui/GuiTestSupport.h"
#include "PlotCommandsFixture.h"

#include "analysis/Molecule.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TitleService.h"
#include "plots/MolGraphPlot.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/Printing.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PageSetupDlg.h"
#include "ui/PlaneSetupDlg.h"
#include "view3d/Scene.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Records = std::vector<std::string>;

int Count(const Records& records, const std::string& word) {
    int n = 0;
    for (const std::string& r : records)
        n += r.rfind(word + " ", 0) == 0;
    return n;
}

class MolGraphPlotCommandsTest : public shelltest::PlotCommandsTest {
protected:
    QComboBox* PlotList() { return m_frame->GetControlView()->GetList(CControlView::kPlotList); }

    // Plot > New Plot > Molecular Graph with every point and path shown, its
    // page set to landscape with a title, ended with OK.
    void NewPlot() {
        zel::test::WhenVisible<CMolGraphPlotDlg>([](CMolGraphPlotDlg* d) {
            for (int i = 0; i < 4; ++i)
                Check(d, CMolGraphPlotDlg::kFirstPointBox + i, true);
            for (int i = 0; i < 3; ++i)
                Check(d, CMolGraphPlotDlg::kBondBox + i, true);
            zel::test::WhenVisible<CPageSetupDlg>([](CPageSetupDlg* page) {
                Click(page, CPageSetupDlg::kLandscape);
                SetText(page, CPageSetupDlg::kTitle, "Benzene graph");
                Click(page, zel::IDOK);
            });
            Click(d, CMolGraphPlotDlg::kPageSetup);
            EXPECT_EQ(d->GetDlgItemText(CMolGraphPlotDlg::kTitle), "Benzene graph");
            Click(d, zel::IDOK);
        });
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewMolGraph));
    }
};

TEST_F(MolGraphPlotCommandsTest, NewModifySaveAndReopenThroughTheMenus) {
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotNewMolGraph)->isEnabled());

    // Cancel: no plot, no number used, the document marked all the same.
    zel::test::WhenVisible<CMolGraphPlotDlg>([](CMolGraphPlotDlg* d) { Click(d, zel::IDCANCEL); });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewMolGraph));
    EXPECT_TRUE(Molecule().GetPlotList().empty());
    EXPECT_EQ(g_nPlotCounter, 0);
    EXPECT_EQ(PlotList()->count(), 0);
    EXPECT_TRUE(m_doc->IsModified());

    NewPlot();
    ASSERT_EQ(Molecule().GetPlotList().size(), 1u);
    auto* plot = dynamic_cast<CMolGraphPlot*>(Molecule().GetPlotList().front().get());
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(g_nPlotCounter, 1);
    EXPECT_EQ(Molecule().GetCurrentPlot(), plot);
    ASSERT_EQ(PlotList()->count(), 1);
    EXPECT_EQ(PlotList()->currentText(), QStringLiteral("Benzene graph"));
    EXPECT_EQ(plot->GetPageSetup().m_bPortrait, 0);
    Records drawn = Drawn();
    EXPECT_EQ(Count(drawn, "Ellipse"), 25); // 12 maxima, 12 bond points, the ring point
    EXPECT_GT(Count(drawn, "LineTo"), 100);

    // Modify: ring paths off, a colour, a new title and a plane applied in
    // the three-dimensional view.
    zel::CScriptedColorFontChooser colours;
    zel::ScopedColorFontChooser colourGuard(colours);
    colours.PushColor(zel::RGB(0, 0, 255));
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotModify)->isEnabled());
    std::optional<std::array<CVector, 3>> applied;
    zel::test::WhenVisible<CMolGraphPlotDlg>([&](CMolGraphPlotDlg* d) {
        Check(d, CMolGraphPlotDlg::kBondBox + 1, false);
        Click(d, CMolGraphPlotDlg::kFirstColor + 1);
        zel::test::WhenVisible<CPageSetupDlg>([](CPageSetupDlg* page) {
            SetText(page, CPageSetupDlg::kTitle, "Benzene, no rings");
            Click(page, zel::IDOK);
        });
        Click(d, CMolGraphPlotDlg::kPageSetup);
        // The plane set-up is not offered for this kind; its command still works.
        zel::test::WhenVisible<CPlaneSetupDlg>([&](CPlaneSetupDlg* plane) {
            SetText(plane, CPlaneSetupDlg::kWidth, "3");
            SetText(plane, CPlaneSetupDlg::kHeight, "2");
            Click(plane, CPlaneSetupDlg::kApply);
            applied = BuildScene(Molecule()).plane;
            Click(plane, zel::IDOK);
        });
        d->OnPlaneSetup();
        Click(d, zel::IDOK);
    });
    m_doc->SetModifiedFlag(false);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotModify));
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(plot->GetDisplayFlag(1), 0);
    EXPECT_EQ(plot->GetColor(1), zel::RGB(0, 0, 255));
    EXPECT_EQ(PlotList()->currentText(), QStringLiteral("Benzene, no rings"));
    ASSERT_TRUE(applied.has_value());
    EXPECT_NEAR(((*applied)[2] - (*applied)[0]).Length(), 3.0, 1e-12);
    EXPECT_NEAR(((*applied)[1] - (*applied)[0]).Length(), 2.0, 1e-12);
    EXPECT_EQ(plot->GetPlane().Width, 3.0);
    const Records modified = Drawn();
    EXPECT_LT(Count(modified, "LineTo"), Count(drawn, "LineTo"));
    EXPECT_NE(std::find(modified.begin(), modified.end(), "SelectBrush rgb(0,0,255)"), modified.end());

    // Saved and reopened: chosen in the control pane, it draws the same.
    const std::string path = m_temp.filePath(QStringLiteral("graph.zlm")).toStdString();
    ASSERT_TRUE(m_doc->OnSaveDocument(path));
    ASSERT_TRUE(m_doc->OnNewDocument());
    bool loaded = false;
    ASSERT_TRUE(m_doc->OnOpenDocument(path, &loaded));
    ASSERT_TRUE(loaded);
    ASSERT_EQ(PlotList()->count(), 1);
    EXPECT_EQ(PlotList()->currentIndex(), -1);
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
    PlotList()->setCurrentIndex(0);
    emit PlotList()->activated(0);
    EXPECT_EQ(Drawn(), modified);
    EXPECT_EQ(g_nPlotCounter, 1);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

TEST_F(MolGraphPlotCommandsTest, ExportPrintCopyAndDelete) {
    NewPlot();
    const int points = Count(Drawn(), "Ellipse");
    ASSERT_EQ(points, 25);
    m_frame->SetActiveView(m_view);

    const std::string emf = m_temp.filePath(QStringLiteral("graph.emf")).toStdString();
    m_chooser.PushAnswer(emf);
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotExport)->isEnabled());
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));
    const zel::test::EmfFile file = zel::test::ReadEmf(emf);
    ASSERT_FALSE(file.offsets.empty());
    EXPECT_TRUE(file.safe);
    EXPECT_EQ(file.Header()->nRecords, file.offsets.size());
    int ellipses = 0;
    for (std::size_t i = 0; i < file.offsets.size(); ++i)
        ellipses += file.Record(i)->iType == U_EMR_ELLIPSE;
    EXPECT_EQ(ellipses, points);
    EXPECT_EQ(file.Record(file.offsets.size() - 1)->iType, static_cast<uint32_t>(U_EMR_EOF));

    QPrinter* printer = GetSharedPrinter();
    ASSERT_NE(printer, nullptr);
    const QString pdf = m_temp.filePath(QStringLiteral("graph.pdf"));
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintDirect));
    QFile file2(pdf);
    ASSERT_TRUE(file2.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file2.readAll());
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);

    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotCopy));
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());

    m_prompts.PushAnswer(zel::IDYES);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotDelete));
    EXPECT_EQ(m_prompts.Texts().back(), "Do you realy want to delete this nice plot?");
    EXPECT_TRUE(Molecule().GetPlotList().empty());
    EXPECT_EQ(PlotList()->count(), 0);
    EXPECT_EQ(Drawn(), Records{"TextOut 0 0 Plot not defined"});
}

} // namespace
