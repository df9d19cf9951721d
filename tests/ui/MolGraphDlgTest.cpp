// The molecular-graph dialog driven offscreen: the three path jobs through the
// progress dialog with their summaries and records, describing and deleting
// selected paths.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "app/RecordDlg.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "ui/MolGraphDlg.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

using zel::test::ListLines;

int CountStarting(const Lines& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

struct FakeDocument : IMoleculeDocument {
    void SetTitle(const std::string&) override {}
    void SetModifiedFlag(bool value) override { modified = value; }
    void UpdateAllViews() override {}
    bool modified = false;
};

class MolGraphDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        RegisterMolGraphJobs();
        g_bCancel = 0;
        SetStatusText("");
    }
    void TearDown() override {
        for (int type : {zel::kJobBondPaths, zel::kJobRingCagePaths, zel::kJobRingBondPaths})
            zel::RegisterJobBody(type, nullptr);
    }
    void LoadAndSearch(const char* file) {
        ASSERT_EQ(analysistest::Load(m_molecule, file), 1);
        analysistest::SearchAll(m_molecule);
    }
    void CloseNextRecord() {
        zel::test::WhenVisible<CRecordDlg>([this](CRecordDlg* record) {
            m_records.push_back(ListLines(record->DlgItem<QAbstractItemView>(CRecordDlg::kLineList)));
            record->EndDialog(zel::IDOK);
        });
    }
    void RunDialog(const std::function<void(CMolGraphDlg*)>& action) {
        zel::test::WhenVisible<CMolGraphDlg>([&](CMolGraphDlg* dlg) {
            action(dlg);
            dlg->EndDialog(zel::IDOK);
        });
        OnCalcMolecularGraph(m_molecule);
    }
    void Click(CMolGraphDlg* dlg, int id) { dlg->DlgItem<QPushButton>(id)->click(); }

    CMolecule m_molecule;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    std::vector<Lines> m_records;
};

} // namespace

// Benzene: the three jobs from their buttons, each summary, record and list;
// then selected paths of all three groups are described and deleted.
TEST_F(MolGraphDlgTest, BenzeneJobsDescribeAndDelete) {
    LoadAndSearch("benzene.wfn");
    FakeDocument document;
    m_molecule.SetDocument(&document);
    Lines opened, afterBonds, afterAll, afterDelete;
    std::string field;
    std::size_t recordsBeforeEmptyDescribe = 0, recordsAfterEmptyDescribe = 0;
    const CCritPoint* bond = nullptr;
    const CCritPoint* ring = nullptr;
    const CCritPoint* top = nullptr;         // upper end of the first bond path
    const CCritPoint* ringBondEnd = nullptr; // upper end of the last ring-bond line
    std::size_t topDown = 0, ringUp = 0;
    RunDialog([&](CMolGraphDlg* dlg) {
        auto* list = dlg->DlgItem<QListWidget>(CMolGraphDlg::kPathList);
        field = dlg->GetDlgItemText(CMolGraphDlg::kFieldName);
        opened = ListLines(list);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kBondPaths);
        afterBonds = ListLines(list);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kRingCagePaths);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kRingBondPaths);
        afterAll = ListLines(list);

        recordsBeforeEmptyDescribe = m_records.size();
        Click(dlg, CMolGraphDlg::kDescribeSelected); // nothing selected: no record dialog
        recordsAfterEmptyDescribe = m_records.size();

        const std::vector<SMolGraphEntry> entries = MolGraphEntries(m_molecule);
        ASSERT_EQ(entries.size(), afterAll.size());
        bond = entries[0].Path->GetLowerPoint();
        top = entries[0].Path->GetEndPoint();
        ring = m_molecule.GetList(1)->front().get();
        ringBondEnd = entries.back().Path->GetEndPoint();
        topDown = top->GetPathList(false).size();
        ringUp = ring->GetPathList(true).size();
        const int last = list->count() - 1;
        list->item(0)->setSelected(true);
        list->item(24)->setSelected(true);
        list->item(last)->setSelected(true);

        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kDescribeSelected);
        dlg->DlgItem<QCheckBox>(CMolGraphDlg::kLongDescription)->setChecked(true);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kDescribeSelected);

        Click(dlg, CMolGraphDlg::kDeleteSelected);
        afterDelete = ListLines(list);
    });
    m_molecule.SetDocument(nullptr);

    EXPECT_EQ(field, "RHO, electron density");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(CountStarting(afterBonds, "(3,-3) to (3,-1) : "), 24);
    EXPECT_EQ(afterBonds.size(), 24u);
    // The ring-cage paths reach no cage: the summary counts them as failed and
    // the list does not show them.
    EXPECT_EQ(CountStarting(afterAll, "(3,+1) to unknown: "), 0);
    EXPECT_EQ(CountStarting(afterAll, "(3,-1) to (3,+1) : "), 6);
    EXPECT_EQ(afterAll.size(), 30u);
    EXPECT_EQ(afterAll[24].rfind("(3,-1) to (3,+1) : ", 0), 0u);

    const Lines prompts = m_prompts.Texts();
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[0], "Calculated 24 Paths, 0 trials failed");
    EXPECT_EQ(prompts[1], "Calculated 0 Paths, 2 trials failed");
    EXPECT_EQ(
        prompts[2].rfind("Calculated 6 paths connecting (3,-1) and (3,+1) critical points, total number "
                         "of computed gradient paths: ",
                         0),
        0u);

    ASSERT_EQ(m_records.size(), 5u);
    EXPECT_EQ(recordsBeforeEmptyDescribe, recordsAfterEmptyDescribe);
    EXPECT_FALSE(m_records[0].empty());                  // bond-path records
    EXPECT_GT(m_records[4].size(), m_records[3].size()); // long description lists the points

    // Deleted paths left both ends' lists.
    EXPECT_EQ(afterDelete.size(), afterAll.size() - 3);
    EXPECT_EQ(bond->GetPathList(true).size(), 1u);
    EXPECT_EQ(top->GetPathList(false).size(), topDown - 1);
    EXPECT_TRUE(ring->GetPathList(false).empty());
    EXPECT_EQ(ring->GetPathList(true).size(), ringUp - 2);
    EXPECT_TRUE(ringBondEnd->GetPathList(false).empty());
    EXPECT_TRUE(document.modified);
    EXPECT_FALSE(m_molecule.IsJobRunning());
}

// Water has no ring point: both ring jobs say so, and the list keeps the bond paths.
TEST_F(MolGraphDlgTest, NoRingPointMessages) {
    LoadAndSearch("water.wfn");
    Lines after;
    RunDialog([&](CMolGraphDlg* dlg) {
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kBondPaths);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kRingCagePaths);
        CloseNextRecord();
        Click(dlg, CMolGraphDlg::kRingBondPaths);
        after = ListLines(dlg->DlgItem<QListWidget>(CMolGraphDlg::kPathList));
    });
    EXPECT_EQ(m_prompts.Texts(),
              (Lines{"Calculated 4 Paths, 0 trials failed", "No (3,+1) critical points available",
                     "No (3,+1) critical points available!"}));
    EXPECT_EQ(after.size(), 4u);
    EXPECT_EQ(m_records.size(), 3u);
}
