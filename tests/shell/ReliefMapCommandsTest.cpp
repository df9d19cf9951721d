// The relief map and the text output through the application's menus,
// offscreen, on the benzene example: Plot > New Plot > Relief Map, the
// computation behind the progress dialog and its Cancel, the export as a
// metafile read back by libuemf, Modify; Plot > Text Out with a path that
// cannot be written and then one that can.

#include "../gui/EmfReader.h"
#include "../gui/GuiTestSupport.h"
#include "PlotCommandsFixture.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TitleService.h"
#include "plots/PlotPage.h"
#include "plots/SurfacePlot.h"
#include "plots/TextOut.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/SurfacePlotDlg.h"
#include "ui/TextOutDlg.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Records = std::vector<std::string>;

class ReliefMapCommandsTest : public shelltest::PlotCommandsTest {};

TEST_F(ReliefMapCommandsTest, NewComputeCancelExportAndModify) {
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotNewRelief)->isEnabled());

    // Cancel: nothing kept, the document marked all the same.
    zel::test::WhenVisible<CSurfacePlotDlg>([](CSurfacePlotDlg* d) { Click(d, zel::IDCANCEL); });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewRelief));
    EXPECT_TRUE(Molecule().GetPlotList().empty());
    EXPECT_TRUE(m_doc->IsModified());

    // A grid large enough to take a while, seen from aside.
    zel::test::WhenVisible<CSurfacePlotDlg>([](CSurfacePlotDlg* d) {
        SetText(d, CSurfacePlotDlg::kAngleX, "-40");
        SetText(d, CSurfacePlotDlg::kAngleZ, "20");
        SetText(d, CSurfacePlotDlg::kColumns, "1000");
        SetText(d, CSurfacePlotDlg::kRows, "1000");
        SetText(d, CSurfacePlotDlg::kMaxValue, "0.4");
        Click(d, zel::IDOK);
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewRelief));
    ASSERT_EQ(Molecule().GetPlotList().size(), 1u);
    auto* plot = dynamic_cast<CSurfacePlot*>(Molecule().GetPlotList().front().get());
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(Molecule().GetCurrentPlot(), plot);
    EXPECT_TRUE(plot->NeedsCompute());

    // The paint does not compute; the job comes after it, behind the
    // progress dialog, which is cancelled. Meanwhile only the texts.
    bool sawTexts = false;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* progress) {
        EXPECT_EQ(progress->windowTitle(), QStringLiteral("Relief Map"));
        EXPECT_EQ(plot->IsBusy(), 1);
        EXPECT_FALSE(m_doc->ArePlotsIdle());
        zel::CRecordingCanvas dc;
        plot->Draw(dc);
        sawTexts = !dc.RecordsOf("TextOut").empty() && dc.RecordsOf("Polygon").empty() &&
                   dc.RecordsOf("Rectangle").empty() && dc.RecordsOf("LineTo").empty();
        Click(progress, zel::IDCANCEL);
    });
    m_view->viewport()->repaint();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return plot->IsComputeCancelled() != 0; }));
    EXPECT_TRUE(sawTexts);
    EXPECT_EQ(plot->IsRecompute(), 1);
    EXPECT_EQ(plot->IsNotComputed(), 1);
    EXPECT_EQ(plot->IsBusy(), 0);
    // A repaint does not start it again.
    m_view->viewport()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(zel::test::FindVisible<CComputeDlg>(), nullptr);

    // Export: the computation runs first (a smaller grid now).
    plot->SetGrid(16, 12);
    m_frame->SetActiveView(m_view);
    const std::string emf = m_temp.filePath(QStringLiteral("relief.emf")).toStdString();
    m_chooser.PushAnswer(emf);
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotExport)->isEnabled());
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));
    EXPECT_EQ(plot->IsRecompute(), 0);
    EXPECT_EQ(plot->IsNotComputed(), 0);
    const zel::test::EmfFile file = zel::test::ReadEmf(emf);
    ASSERT_FALSE(file.offsets.empty());
    EXPECT_TRUE(file.safe);
    EXPECT_EQ(file.Header()->nRecords, file.offsets.size());
    std::size_t polygons = 0;
    for (std::size_t i = 0; i < file.offsets.size(); ++i)
        polygons += file.Record(i)->iType == U_EMR_POLYGON;
    EXPECT_EQ(polygons, 4u * 16u * 12u);
    EXPECT_EQ(file.Record(file.offsets.size() - 1)->iType, static_cast<uint32_t>(U_EMR_EOF));

    // Modify shows the angles recovered from the orientation; OK marks the
    // map for recomputation again.
    zel::test::WhenVisible<CSurfacePlotDlg>([](CSurfacePlotDlg* d) {
        EXPECT_NEAR(std::stoi(d->GetDlgItemText(CSurfacePlotDlg::kAngleX)), -40, 1);
        EXPECT_EQ(d->GetDlgItemText(CSurfacePlotDlg::kAngleY), "0");
        EXPECT_NEAR(std::stoi(d->GetDlgItemText(CSurfacePlotDlg::kAngleZ)), 20, 1);
        EXPECT_EQ(d->GetDlgItemText(CSurfacePlotDlg::kColumns), "16");
        Click(d, zel::IDOK);
    });
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotModify));
    EXPECT_TRUE(plot->NeedsAutoCompute());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

TEST_F(ReliefMapCommandsTest, TextOutSaysWhyAFileCannotBeWrittenAndStaysOpen) {
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotTextOut)->isEnabled());
    const std::string bad = m_temp.filePath(QStringLiteral("missing/rho.dat")).toStdString();
    const std::string good = m_temp.filePath(QStringLiteral("rho.dat")).toStdString();
    m_chooser.PushAnswer(bad);
    m_chooser.PushAnswer(good);
    zel::test::WhenVisible<CTextOutDlg>([&](CTextOutDlg* d) {
        EXPECT_EQ(d->GetDlgItemText(CTextOutDlg::kTitle), "Text out");
        EXPECT_EQ(d->GetDlgItemText(CTextOutDlg::kColumns), "20");
        SetText(d, CTextOutDlg::kColumns, "3");
        SetText(d, CTextOutDlg::kRows, "2");
        Click(d, zel::IDOK);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(m_prompts.Texts(),
                  std::vector<std::string>{"Could not write file " + bad + ": No such file or directory"});
        Click(d, zel::IDOK);
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotTextOut));
    EXPECT_EQ(zel::test::FindVisible<CTextOutDlg>(), nullptr);
    ASSERT_EQ(m_chooser.Requests().size(), 2u);
    const zel::SFileRequest request = m_chooser.Requests().front();
    EXPECT_TRUE(request.save);
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_EQ(request.filter, CTextOutDlg::kFileFilter);
    EXPECT_EQ(request.defaultExtension, "dat");
    EXPECT_EQ(request.fileName, "textout.dat");

    QFile written(QString::fromStdString(good));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_EQ(text.count("\r\n"), 4 * 3);
    EXPECT_EQ(text.count('\n'), 4 * 3);
    EXPECT_EQ(text.count('\t'), 4 * 3 * 3);
    EXPECT_FALSE(m_doc->IsModified());

    // The next Text Out offers the settings' values again; Cancel ends it.
    zel::test::WhenVisible<CTextOutDlg>([](CTextOutDlg* d) {
        EXPECT_EQ(d->GetDlgItemText(CTextOutDlg::kColumns), "20");
        EXPECT_EQ(d->GetDlgItemText(CTextOutDlg::kRows), "20");
        Click(d, zel::IDCANCEL);
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotTextOut));
    EXPECT_EQ(Molecule().GetCurrentPlot(), nullptr);
}

} // namespace
