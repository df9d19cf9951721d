// The contour plot through the application's menus, offscreen, on the
// benzene example: Plot > New Plot > Line Plot with levels added and removed
// in its dialog, the computation behind the progress dialog and its Cancel,
// the view's texts while a job runs, the export as a metafile read back by
// libuemf and the print to PDF.

#include "../gui/EmfReader.h"
#include "../gui/GuiTestSupport.h"
#include "PlotCommandsFixture.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "platform/core/FileChooser.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TitleService.h"
#include "plots/ContourPlot.h"
#include "plots/PlotPage.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/Printing.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/ContourPlotDlg.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/StyleDlgs.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Records = std::vector<std::string>;

class ContourPlotCommandsTest : public shelltest::PlotCommandsTest {
protected:
    static std::vector<double> Levels(const CContourPlot& plot) {
        std::vector<double> values;
        for (const auto& level : plot.GetLevels())
            values.push_back(level->GetLevel());
        return values;
    }
};

TEST_F(ContourPlotCommandsTest, NewComputeCancelExportAndPrint) {
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotNewLine)->isEnabled());

    // Cancel: nothing kept, the document marked all the same.
    zel::test::WhenVisible<CContourPlotDlg>([](CContourPlotDlg* d) { Click(d, zel::IDCANCEL); });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewLine));
    EXPECT_TRUE(Molecule().GetPlotList().empty());
    EXPECT_TRUE(m_doc->IsModified());

    // Levels from a series and the default set, some removed again; a bond
    // point with paths; a grid large enough to take a while.
    std::vector<double> shown;
    zel::test::WhenVisible<CContourPlotDlg>([&](CContourPlotDlg* d) {
        using D = CContourPlotDlg;
        SetText(d, D::kStart, "0.0000002");
        SetText(d, D::kStep, "0.0000003");
        SetText(d, D::kNum, "3");
        Click(d, D::kAdd);
        Click(d, D::kDefaultValues);
        QListWidget* levels = d->DlgItem<QListWidget>(D::kLevels);
        for (int row : {0, 1, 10})
            levels->item(row)->setSelected(true);
        Click(d, D::kDelete);
        for (int row = 0; row < levels->count(); ++row)
            shown.push_back(std::stod(levels->item(row)->text().toStdString()));
        QListWidget* calculated = d->DlgItem<QListWidget>(D::kCalculated);
        const auto bonds = calculated->findItems(QStringLiteral("(3,-1)"), Qt::MatchStartsWith);
        ASSERT_FALSE(bonds.isEmpty());
        bonds.front()->setSelected(true);
        Click(d, D::kChoose);
        d->DlgItem<QListWidget>(D::kSelected)->item(0)->setSelected(true);
        zel::test::WhenVisible<CPathStyleDlg>([](CPathStyleDlg* path) {
            path->DlgItem<QAbstractButton>(CPathStyleDlg::kSource)->setChecked(true);
            SetText(path, CPathStyleDlg::kLines, "6");
            Click(path, zel::IDOK);
        });
        Click(d, D::kPathStyle);
        SetText(d, D::kRows, "400");
        SetText(d, D::kColumns, "400");
        Click(d, zel::IDOK);
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotNewLine));
    ASSERT_EQ(Molecule().GetPlotList().size(), 1u);
    auto* plot = dynamic_cast<CContourPlot*>(Molecule().GetPlotList().front().get());
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(Molecule().GetCurrentPlot(), plot);
    // 3 + 32 levels less 3: ascending in the plot, the list in step.
    const std::vector<double> levels = Levels(*plot);
    ASSERT_EQ(levels.size(), 32u);
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
    EXPECT_EQ(levels[0], 0.0000002 + 0.0000003); // 0 and 2e-7 went
    ASSERT_EQ(shown.size(), levels.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_NEAR(shown[i], levels[i], 5e-7);
    EXPECT_TRUE(plot->NeedsCompute());

    // The paint does not compute; the job comes after it, behind the
    // progress dialog, which is cancelled. While it runs the view shows only
    // the texts.
    bool sawTexts = false;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* progress) {
        EXPECT_TRUE(Molecule().IsJobRunning());
        EXPECT_EQ(plot->IsBusy(), 1);
        // The plot commands would be disabled (the modal dialog keeps them
        // out of reach anyway).
        EXPECT_FALSE(m_doc->ArePlotsIdle());
        EXPECT_FALSE(m_doc->IsPlotChosen());
        zel::CRecordingCanvas dc;
        DrawPlotTextsOnly(dc, Molecule().GetCurrentPlot());
        const Records texts = dc.RecordsOf("TextOut");
        sawTexts = texts.size() == 1 && texts.front().ends_with(plot->GetTitle()->GetText());
        Click(progress, zel::IDCANCEL);
    });
    m_view->viewport()->repaint();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return plot->IsComputeCancelled() != 0; }));
    EXPECT_TRUE(sawTexts);
    EXPECT_EQ(plot->IsRecompute(), 1);
    EXPECT_EQ(plot->IsBusy(), 0);
    EXPECT_FALSE(Molecule().IsJobRunning());
    // A repaint does not start it again.
    m_view->viewport()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(zel::test::FindVisible<CComputeDlg>(), nullptr);
    EXPECT_TRUE(plot->IsComputeCancelled());

    // Export: asked for, the computation runs first (a smaller grid now).
    plot->SetRows(12);
    plot->SetColumns(12);
    m_frame->SetActiveView(m_view);
    const std::string emf = m_temp.filePath(QStringLiteral("contour.emf")).toStdString();
    m_chooser.PushAnswer(emf);
    m_frame->UpdateCommandStates();
    ASSERT_TRUE(m_frame->GetAction(cmd::PlotExport)->isEnabled());
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotExport));
    EXPECT_EQ(plot->IsRecompute(), 0);
    EXPECT_FALSE(plot->GetSegments().empty());
    const zel::test::EmfFile file = zel::test::ReadEmf(emf);
    ASSERT_FALSE(file.offsets.empty());
    EXPECT_TRUE(file.safe);
    EXPECT_EQ(file.Header()->nRecords, file.offsets.size());
    std::size_t lines = 0;
    for (std::size_t i = 0; i < file.offsets.size(); ++i)
        lines += file.Record(i)->iType == U_EMR_LINETO;
    EXPECT_GE(lines, plot->GetSegments().size());
    EXPECT_EQ(file.Record(file.offsets.size() - 1)->iType, static_cast<uint32_t>(U_EMR_EOF));
    // The overlay paths of the bond point were traced with it.
    const CSelectedPoint& point = *plot->GetSelectedPoints().front();
    EXPECT_EQ(point.m_Paths.size(), 6u);

    QPrinter* printer = GetSharedPrinter();
    ASSERT_NE(printer, nullptr);
    const QString pdf = m_temp.filePath(QStringLiteral("contour.pdf"));
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintDirect));
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(printed.readAll());
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);

    // Modify with OK marks it for recomputation again.
    zel::test::WhenVisible<CContourPlotDlg>([](CContourPlotDlg* d) { Click(d, zel::IDOK); });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::PlotModify));
    EXPECT_TRUE(plot->NeedsAutoCompute());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{});
}

} // namespace
