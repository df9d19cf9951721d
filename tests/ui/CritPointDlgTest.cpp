// The critical-point dialog driven offscreen: batch searches through the
// progress dialog with their summaries and logs, cancel, the single run, the
// start point from the selection and deletion.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/CritPointSearch.h"
#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "ui/CritPointDlg.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

using zel::test::ListLines;

Lines PointList(const CCritPointDlg* dlg) {
    return ListLines(dlg->DlgItem<QListWidget>(CCritPointDlg::kPointList));
}

int CountStarting(const Lines& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct FakeRecordView : IRecordView {
    void RefreshRecord(bool reset) override { calls.push_back(reset); }
    std::vector<bool> calls;
};

struct FakeDocument : IMoleculeDocument {
    void SetTitle(const std::string&) override {}
    void SetModifiedFlag(bool value) override { modified = value; }
    void UpdateAllViews() override {}
    bool modified = false;
};

class CritPointDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        RegisterCritPointJobs();
        ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
        g_bCancel = 0;
        SetStatusText("");
    }
    void TearDown() override {
        for (int type : {zel::kJobSearchFromNuclei, zel::kJobSearchFromMaximaPairs,
                         zel::kJobSearchFromMaximaTriples, zel::kJobSearchOnGrid})
            zel::RegisterJobBody(type, nullptr);
    }

    // The next record dialog: its lines are kept, then it is closed.
    void CloseNextRecord() {
        zel::test::WhenVisible<CRecordDlg>([this](CRecordDlg* record) {
            m_records.push_back(ListLines(record->DlgItem<QAbstractItemView>(CRecordDlg::kLineList)));
            record->EndDialog(zel::IDOK);
        });
    }

    // Opens the dialog through the menu command and runs action inside it.
    void RunDialog(const std::function<void(CCritPointDlg*)>& action) {
        zel::test::WhenVisible<CCritPointDlg>([&](CCritPointDlg* dlg) {
            action(dlg);
            dlg->EndDialog(zel::IDOK);
        });
        OnCalcCriticalPoints(m_molecule);
    }

    CMolecule m_molecule;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    std::vector<Lines> m_records;
};

} // namespace

// Nuclei, pairs and triples from the buttons: each summary, each log in the
// record dialog, the list refilled; then the command rebuilds the record view
// and marks the document modified.
TEST_F(CritPointDlgTest, BatchSearchesShowSummaryLogAndList) {
    FakeRecordView view;
    FakeDocument document;
    m_molecule.SetRecordView(&view);
    m_molecule.SetDocument(&document);
    Lines opened, afterNuclei, afterPairs;
    std::string field;
    RunDialog([&](CCritPointDlg* dlg) {
        field = dlg->GetDlgItemText(CCritPointDlg::kFieldName);
        opened = PointList(dlg);
        CloseNextRecord();
        dlg->DlgItem<QPushButton>(CCritPointDlg::kNuclearPositions)->click();
        afterNuclei = PointList(dlg);
        CloseNextRecord();
        dlg->DlgItem<QPushButton>(CCritPointDlg::kMaximaPairs)->click();
        afterPairs = PointList(dlg);
        CloseNextRecord();
        dlg->DlgItem<QPushButton>(CCritPointDlg::kMaximaTriples)->click();
    });
    m_molecule.SetRecordView(nullptr);
    m_molecule.SetDocument(nullptr);

    EXPECT_EQ(field, "RHO, electron density");
    ASSERT_EQ(opened.size(), 3u);
    const CVector o = m_molecule.GetAtomList().front()->GetPosition();
    EXPECT_EQ(opened[0], "O    1" + zel::Sprintf(":%8.4lf,%8.4lf,%8.4lf", o.x, o.y, o.z));
    EXPECT_EQ(afterNuclei.size(), 6u);
    EXPECT_EQ(CountStarting(afterNuclei, "(3,-3):"), 3);
    EXPECT_EQ(afterPairs.size(), 8u);
    EXPECT_EQ(CountStarting(afterPairs, "(3,-1):"), 2);

    EXPECT_EQ(m_prompts.Texts(), (Lines{"Found 3 new critical points, 0 unsuccessful tries.",
                                        "Found 2 new critical points, 1 unsuccessful tries.",
                                        "Found 0 new critical points, 1 unsuccessful tries."}));
    ASSERT_EQ(m_records.size(), 3u);
    EXPECT_EQ(m_records[0][0], "Newton's method, starting points at nuclear positions");
    EXPECT_EQ(m_records[0][1], " ");
    EXPECT_EQ(m_records[0][2], "Newton iteration for RHO, electron density:");
    EXPECT_EQ(CountStarting(m_records[0], "      Found new (3, -3)-critical point."), 3);
    EXPECT_EQ(m_records[1][0], "Newton's method, starting points at mean values of maxima pairs");
    EXPECT_EQ(CountStarting(m_records[1], "      Found new (3, -1)-critical point."), 2);
    EXPECT_EQ(m_records[2][0], "Newton's method, starting points at mean values of maxima triples");
    EXPECT_EQ(m_records[2].back(), " ");

    EXPECT_EQ(view.calls, (std::vector<bool>{false}));
    EXPECT_TRUE(document.modified);
    EXPECT_FALSE(m_molecule.IsJobRunning());
}

// Cancel in the progress dialog stops a long grid search before its next
// point; the summary counts the tries made. While the job runs the molecule
// says so, for the views.
TEST_F(CritPointDlgTest, CancelStopsTheGridSearch) {
    bool busyDuringJob = false;
    bool sawStatus = false;
    std::string total;
    Lines after;
    RunDialog([&](CCritPointDlg* dlg) {
        dlg->SetDlgItemText(CCritPointDlg::kCubeSize, "12");
        dlg->SetDlgItemText(CCritPointDlg::kPointsPerSide, "200");
        total = dlg->GetDlgItemText(CCritPointDlg::kTotalPoints);
        zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* progress) {
            busyDuringJob = m_molecule.IsJobRunning();
            sawStatus =
                zel::test::WaitUntil([] { return GetStatusText().rfind("grid-search, try no. ", 0) == 0; });
            progress->DlgItem<QPushButton>(zel::IDCANCEL)->click();
        });
        CloseNextRecord();
        dlg->DlgItem<QPushButton>(CCritPointDlg::kGridSearch)->click();
        after = PointList(dlg);
    });
    EXPECT_EQ(total, "8000000");
    EXPECT_TRUE(busyDuringJob);
    EXPECT_TRUE(sawStatus);
    EXPECT_FALSE(m_molecule.IsJobRunning());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    int found = -1, failed = -1;
    ASSERT_EQ(std::sscanf(m_prompts.Texts()[0].c_str(),
                          "Found %d new critical points, %d unsuccessful tries.", &found, &failed),
              2);
    EXPECT_GE(found + failed, 1);
    EXPECT_LT(found + failed, 8000000);
    EXPECT_EQ(static_cast<int>(after.size()), 3 + found); // the points found stay
    ASSERT_EQ(m_records.size(), 1u);
    EXPECT_EQ(m_records[0][0], "Newton's method, starting at points of a grid");
}

// A field that fails its check stops every command of the dialog: its message
// is shown, nothing runs (no progress, no log, no point), nothing is stored,
// the field keeps the focus and the dialog stays open.
TEST_F(CritPointDlgTest, ARefusedFieldStopsEveryCommand) {
    using D = CCritPointDlg;
    struct Field {
        int id;
        const char* text;
        const char* message;
    };
    const Field fields[] = {
        {D::kCubeSize, "40", "Enter a number between 0.1 and 12."},
        {D::kCubeSize, "big", "Enter a number."},
        {D::kPointsPerSide, "1", "Enter an integer between 2 and 200."},
        {D::kPointsPerSide, "201", "Enter an integer between 2 and 200."},
        {D::kStartY, "0,5", "Enter a number."},
    };
    const int commands[] = {D::kNuclearPositions, D::kMaximaPairs,       D::kMaximaTriples, D::kGridSearch,
                            D::kIterateStartPoint, D::kAnalyseStartPoint, D::kDeleteSelected, zel::IDOK};
    for (const Field& field : fields) {
        for (int command : commands) {
            SCOPED_TRACE(std::string(field.text) + " in " + std::to_string(field.id) + ", command " +
                         std::to_string(command));
            zel::CScriptedPrompts prompts;
            zel::ScopedPromptService guard(prompts);
            bool open = false, focused = false, unchanged = false;
            QWidget* opened = nullptr;
            zel::test::WhenVisible<CCritPointDlg>([&](CCritPointDlg* dlg) {
                dlg->SetDlgItemText(field.id, field.text);
                // Anything that opens over the dialog is a fault; close it.
                QTimer::singleShot(100, dlg, [&, dlg] {
                    if (QWidget* over = QApplication::activeModalWidget(); over && over != dlg) {
                        opened = over;
                        if (auto* other = dynamic_cast<zel::CDialog*>(over)) other->EndDialog(zel::IDCANCEL);
                    }
                });
                dlg->DlgItem<QPushButton>(command)->click();
                open = dlg->isVisible();
                focused = dlg->focusWidget() == dlg->GetDlgItem(field.id);
                unchanged = dlg->m_dCubeSize == 1.0 && dlg->m_nPointsPerSide == 2 && dlg->m_StartPoint.y == 0.0;
                dlg->EndDialog(zel::IDCANCEL);
            });
            CCritPointDlg dialog(&m_molecule);
            dialog.DoModal();
            EXPECT_EQ(prompts.Texts(), Lines{field.message});
            EXPECT_TRUE(open);
            EXPECT_TRUE(focused);
            EXPECT_TRUE(unchanged);
            EXPECT_EQ(opened, nullptr);
            EXPECT_TRUE(m_records.empty());
            for (int type : {-3, -1, 1, 3})
                EXPECT_TRUE(m_molecule.GetList(type)->empty());
        }
    }
}

// "Iterate with Starting Point": one run on the UI thread, its log in the
// record dialog without heading or summary, the list refilled.
TEST_F(CritPointDlgTest, SingleRunFromTheStartPoint) {
    const CVector o = m_molecule.GetAtomList().front()->GetPosition();
    Lines after;
    RunDialog([&](CCritPointDlg* dlg) {
        dlg->SetDlgItemText(CCritPointDlg::kStartX, zel::FormatDialogReal(o.x));
        dlg->SetDlgItemText(CCritPointDlg::kStartY, zel::FormatDialogReal(o.y));
        dlg->SetDlgItemText(CCritPointDlg::kStartZ, zel::FormatDialogReal(o.z));
        CloseNextRecord();
        dlg->DlgItem<QPushButton>(CCritPointDlg::kIterateStartPoint)->click();
        after = PointList(dlg);
    });
    EXPECT_TRUE(m_prompts.Texts().empty());
    ASSERT_EQ(m_records.size(), 1u);
    EXPECT_EQ(m_records[0][0], "Newton iteration for RHO, electron density:");
    EXPECT_EQ(m_records[0][m_records[0].size() - 2], "      Found new (3, -3)-critical point.");
    EXPECT_EQ(after.size(), 4u);
    EXPECT_EQ(CountStarting(after, "(3,-3):"), 1);
}

// Picked lines average into the start point; deleting picked lines deletes
// the critical points among them with their paths, keeps the nuclei, and a
// deleted bond point stops being the current surface.
TEST_F(CritPointDlgTest, SelectionSetsTheStartPointAndDeleteRemovesPoints) {
    {
        zel::CTextRecord log;
        CJobStateProgress progress;
        CCritPointSearch search(m_molecule, m_molecule.GetPropertyName(-1), log, progress);
        search.SearchFromNuclei();
        search.SearchFromMaximaPairs();
    }
    auto* bond = static_cast<CBondPoint*>(m_molecule.GetList(-1)->front().get());
    ASSERT_EQ(bond->TraceBondPaths(), 2);
    const CCritPoint* oxygenMax = m_molecule.GetList(-3)->front().get();
    const std::size_t oxygenPaths = oxygenMax->GetPathList(false).size();
    m_molecule.SetCurrentSurface(bond);
    const CVector nucleus = m_molecule.GetAtomList().front()->GetPosition();
    const CVector mid = 0.5 * (nucleus + bond->GetPosition());

    Lines before, after;
    std::string x, y, z, xCleared;
    RunDialog([&](CCritPointDlg* dlg) {
        auto* list = dlg->DlgItem<QListWidget>(CCritPointDlg::kPointList);
        before = PointList(dlg);
        list->item(0)->setSelected(true); // the oxygen nucleus
        list->item(6)->setSelected(true); // the first bond point
        x = dlg->GetDlgItemText(CCritPointDlg::kStartX);
        y = dlg->GetDlgItemText(CCritPointDlg::kStartY);
        z = dlg->GetDlgItemText(CCritPointDlg::kStartZ);
        dlg->DlgItem<QPushButton>(CCritPointDlg::kDeleteSelected)->click();
        after = PointList(dlg);
        list->item(1)->setSelected(true);
        list->item(1)->setSelected(false);
        xCleared = dlg->GetDlgItemText(CCritPointDlg::kStartX);
    });
    ASSERT_EQ(before.size(), 8u);
    EXPECT_EQ(x, zel::FormatDialogReal(mid.x));
    EXPECT_EQ(y, zel::FormatDialogReal(mid.y));
    EXPECT_EQ(z, zel::FormatDialogReal(mid.z));
    EXPECT_EQ(after.size(), 7u);
    EXPECT_EQ(after[0], before[0]); // the nucleus stays
    EXPECT_FALSE(Contains(after, before[6]));
    EXPECT_EQ(m_molecule.GetList(-1)->size(), 1u);
    EXPECT_EQ(m_molecule.GetCurrentSurface(), nullptr);
    EXPECT_EQ(oxygenMax->GetPathList(false).size(), oxygenPaths - 1);
    EXPECT_EQ(xCleared, "0");
    EXPECT_TRUE(m_prompts.Texts().empty());
}
