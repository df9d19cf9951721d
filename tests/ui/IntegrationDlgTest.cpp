// The basin integration dialog driven offscreen on water: its lists, the
// factor it proposes for the angular window, the jobs behind the progress
// dialog (run, refused by a field, cancelled), Delete Results and the command
// around it.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "integration/BasinJob.h"
#include "integration/CritPointCheck.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "ui/IntegrationDlg.h"
#include "ui/OptionDlgs.h"
#include "ui/PropsDlgs.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

// Allocations of one size can be made to fail, to show what the dialog does
// when there is no memory for the quadrature caches.
static std::atomic<std::size_t> g_nFailingSize{0};

void* operator new(std::size_t size) {
    const std::size_t failing = g_nFailingSize.load(std::memory_order_relaxed);
    if (failing != 0 && size == failing) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

namespace {

using Lines = std::vector<std::string>;

struct FakeDocument : IMoleculeDocument {
    void SetTitle(const std::string&) override {}
    void SetModifiedFlag(bool value) override { modified = value; }
    void UpdateAllViews() override {}
    bool modified = false;
};

struct FakePane : IControlView {
    void SetFieldIndex(int field) override { shown = field; }
    int shown = -1;
};

Lines ResultList(const CIntegrationDlg* dlg) {
    return zel::test::ListLines(dlg->DlgItem<QAbstractItemView>(CIntegrationDlg::kResultList));
}

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void Type(CIntegrationDlg* dlg, int id, const char* text) {
    dlg->DlgItem<QLineEdit>(id)->setText(QString::fromUtf8(text));
}

void Click(CIntegrationDlg* dlg, int id) {
    dlg->DlgItem<QPushButton>(id)->click();
}

// Water with its density critical points and bond paths, the oxygen current.
class IntegrationDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zel::test::App();
        RegisterBasinJobs();
    }
    static void TearDownTestSuite() {
        for (int type : {zel::kJobIntegrateBetaSphere, zel::kJobIntegrateNatural, zel::kJobIntegrateRadial})
            zel::RegisterJobBody(type, nullptr);
    }
    void SetUp() override {
        ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
        analysistest::SearchAll(m_molecule);
        zel::CTextRecord log;
        analysistest::CQuietProgress quiet;
        CalcBondPaths(m_molecule, log, quiet);
        m_oxygen = m_molecule.GetAtomList().front().get();
        m_molecule.SetCurrentAtom(m_oxygen);
        m_molecule.SetDocument(&m_document);
        m_molecule.SetControlView(&m_pane);
        g_bCancel = 0;
    }
    void TearDown() override {
        m_molecule.SetDocument(nullptr);
        m_molecule.SetControlView(nullptr);
    }

    // Opens the dialog through the command and runs action inside it.
    void RunDialog(const std::function<void(CIntegrationDlg*)>& action) {
        zel::test::WhenVisible<CIntegrationDlg>([&](CIntegrationDlg* dlg) {
            action(dlg);
            if (dlg->isVisible()) dlg->EndDialog(zel::IDOK);
        });
        OnIntegrate(*m_oxygen);
    }

    CMolecule m_molecule;
    CAtom* m_oxygen = nullptr;
    FakeDocument m_document;
    FakePane m_pane;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
};

} // namespace

// The oxygen in natural coordinates: the lists when the dialog opens, the
// job's refill of the result list, the electron count of the basin; the
// command makes the density current, resets the integration frame and marks
// the document modified.
TEST_F(IntegrationDlgTest, IntegratesTheOxygenInNaturalCoordinates) {
    m_molecule.SetFieldIndex(2);
    // A maximum of another field is not listed.
    m_molecule.GetList(-3)->push_back(
        std::make_unique<CMaxPoint>(&m_molecule, m_molecule.NextObjectNumber(), 1, CVector(0, 0, 3), 0.0));
    Lines points, opened, integrated;
    std::string title, factor, radius;
    bool progressShown = false;
    RunDialog([&](CIntegrationDlg* dlg) {
        title = dlg->GetDlgItemText(CIntegrationDlg::kTitle);
        factor = dlg->GetDlgItemText(CIntegrationDlg::kFactor);
        radius = dlg->GetDlgItemText(CIntegrationDlg::kBetaRadius);
        points = zel::test::ListLines(dlg->DlgItem<QAbstractItemView>(CIntegrationDlg::kPointList));
        opened = ResultList(dlg);
        zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg*) { progressShown = true; });
        Click(dlg, CIntegrationDlg::kIntegrateNatural);
        integrated = ResultList(dlg);
    });

    EXPECT_EQ(m_pane.shown, 0);
    EXPECT_EQ(m_molecule.GetFieldIndex(), 0);
    EXPECT_EQ(title, "Integration of atom O    1");
    EXPECT_EQ(factor, "1");
    EXPECT_EQ(radius, "0.5");
    ASSERT_EQ(points.size(), 3u + 3u + 2u);
    EXPECT_EQ(points[0], "  0.0000,  0.0000,  0.0000   (O    1)");
    const CVector h =
        m_oxygen->GlobalToLocal(std::next(m_molecule.GetAtomList().begin())->get()->GetPosition());
    EXPECT_EQ(points[1], zel::Sprintf("%8.4lf,%8.4lf,%8.4lf   (H    2)", h.x, h.y, h.z));
    EXPECT_EQ(points[3].substr(29), "(3,-3)");
    EXPECT_EQ(points[6].substr(29), "(3,-1)");
    EXPECT_EQ(points[7].substr(29), "(3,-1)");
    EXPECT_EQ(opened, Lines{"Integration results not yet available!"});

    EXPECT_TRUE(progressShown);
    EXPECT_EQ(m_prompts.Texts(), Lines{});
    const CBasinResults& a = m_oxygen->m_ResultsA;
    ASSERT_EQ(a.Method, 0.5);
    EXPECT_EQ(m_oxygen->m_ResultsB.Method, 0.5);
    EXPECT_NEAR(a.Results[0], 9.2, 0.2); // the oxygen's electrons
    ASSERT_GE(integrated.size(), 14u);
    EXPECT_EQ(Lines(integrated.begin(), integrated.begin() + 5),
              (Lines{"Properties integrated over atomic basin in natural coordinates",
                     "Beta-sphere radius: 0.500000",
                     "Natural coordinate integration along gradient paths till s = 1000000", " ",
                     "Used absolute tolerance per integration step: 1.000000e-004"}));
    EXPECT_EQ(integrated[7], "Used symmetry factor: 1.000000");
    EXPECT_EQ(integrated[11], "Integration results and integrated functions:");
    EXPECT_EQ(integrated[12], zel::Sprintf("      %18.6lf   (RHO, electron density)", a.Results[0]));
    EXPECT_TRUE(Contains(integrated, "Properties integrated over sphere with beta = 0.500000"));
    std::vector<std::string> expected;
    m_oxygen->FillResultList(expected);
    EXPECT_EQ(integrated, expected);

    EXPECT_FALSE(m_oxygen->HasCaches());
    EXPECT_TRUE(m_document.modified);
    const CMatrix frame = m_oxygen->GetIntegrationFrame();
    EXPECT_EQ(frame.c0, CVector(1, 0, 0));
    EXPECT_EQ(frame.c2, CVector(0, 0, 1));
}

// A field out of range stops every start button with the framework's
// message: no progress dialog, no job, nothing stored.
TEST_F(IntegrationDlgTest, FieldOutOfRangeStopsTheButton) {
    struct Case {
        int field;
        const char* text;
        int button;
        const char* message;
    };
    const Case cases[] = {
        {CIntegrationDlg::kBetaRadius, "30", CIntegrationDlg::kIntegrateBetaSphere,
         "Enter a number between 0.1 and 24."},
        {CIntegrationDlg::kBetaRadius, "0.05", CIntegrationDlg::kIntegrateNatural,
         "Enter a number between 0.1 and 24."},
        {CIntegrationDlg::kPhiUpper, "800", CIntegrationDlg::kIntegrateRadial,
         "Enter an integer between 0 and 720."},
        {CIntegrationDlg::kFactor, "two", CIntegrationDlg::kIntegrateNatural, "Enter a number."},
    };
    // The progress dialog names its job in the job state as it is made.
    g_nJobType = -1;
    RunDialog([&](CIntegrationDlg* dlg) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            const std::string before = dlg->GetDlgItemText(c.field);
            Type(dlg, c.field, c.text);
            Click(dlg, c.button);
            EXPECT_EQ(m_prompts.Texts().back(), c.message);
            EXPECT_EQ(dlg->focusWidget(), dlg->GetDlgItem(c.field));
            Type(dlg, c.field, before.c_str());
        }
    });
    EXPECT_EQ(m_prompts.Texts().size(), std::size(cases));
    EXPECT_EQ(g_nJobType.load(), -1);
    EXPECT_EQ(m_oxygen->m_ResultsA.Method, 0.0);
    EXPECT_EQ(m_oxygen->m_ResultsB.Method, 0.0);
    EXPECT_FALSE(m_document.modified);
}

// Cancel in the progress dialog ends the job as a failure: the earlier
// result stays, and the list shows it.
TEST_F(IntegrationDlgTest, CancelKeepsTheEarlierResult) {
    m_oxygen->m_ResultsA.Method = -1.0; // an earlier radial result
    m_oxygen->m_ResultsA.Results[0] = 9.25;
    Lines list;
    RunDialog([&](CIntegrationDlg* dlg) {
        zel::test::WhenVisible<CComputeDlg>([](CComputeDlg* progress) {
            // Cancel once the job has started working.
            zel::test::WaitUntil([] { return g_nEvaluations.load() > 0; });
            progress->DlgItem<QPushButton>(zel::IDCANCEL)->click();
        });
        Click(dlg, CIntegrationDlg::kIntegrateRadial);
        list = ResultList(dlg);
    });
    EXPECT_EQ(m_oxygen->m_ResultsA.Method, -1.0);
    EXPECT_EQ(m_oxygen->m_ResultsA.Results[0], 9.25);
    EXPECT_EQ(m_prompts.Texts(), Lines{"Integration over atomic basin failed!"});
    std::vector<std::string> expected;
    m_oxygen->FillResultList(expected);
    EXPECT_EQ(list, expected);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), "Properties integrated over atomic basin in radial coordinates");
    EXPECT_FALSE(m_oxygen->HasCaches());
    EXPECT_EQ(g_bCancel.load(), 0);
}

// With a bond point missing the job asks first; No stores nothing and leaves
// the earlier results as they were.
TEST_F(IntegrationDlgTest, AnIncompleteSetOfCriticalPointsAsksFirst) {
    ASSERT_TRUE(DeleteCriticalPoint(m_molecule, m_molecule.GetList(-1)->front().get()));
    const std::string question = CheckCritPointsForBasin(*m_oxygen);
    ASSERT_EQ(
        question.rfind("The critical points of the electron density are incomplete: 3 maxima, 1 bond,", 0),
        0u);
    m_oxygen->m_ResultsB.Method = 0.3;
    for (int button : {CIntegrationDlg::kIntegrateNatural, CIntegrationDlg::kIntegrateRadial}) {
        m_prompts.PushAnswer(zel::IDNO);
        RunDialog([&](CIntegrationDlg* dlg) { Click(dlg, button); });
    }
    EXPECT_EQ(m_prompts.Texts(), Lines(2, question));
    EXPECT_EQ(m_prompts.Calls().front().buttons, zel::PromptButtons::YesNo);
    EXPECT_EQ(m_oxygen->m_ResultsA.Method, 0.0);
    EXPECT_EQ(m_oxygen->m_ResultsB.Method, 0.3);
}

// The factor follows the phi window typed or stepped; an upper border below
// the lower one is put back.
TEST_F(IntegrationDlgTest, PhiBordersProposeTheSymmetryFactor) {
    struct Case {
        const char* lower;
        const char* upper;
        const char* factor;
    };
    const Case cases[] = {
        {"0", "180", "2"}, {"90", "90", "6.28318530717959"}, {"0", "720", "0.5"}, {"90", "180", "4"}};
    std::vector<std::string> factors;
    std::string restored, restoredFactor, stepped, wrapped;
    RunDialog([&](CIntegrationDlg* dlg) {
        for (const Case& c : cases) {
            Type(dlg, CIntegrationDlg::kPhiUpper, "720");
            Type(dlg, CIntegrationDlg::kPhiLower, c.lower);
            Type(dlg, CIntegrationDlg::kPhiUpper, c.upper);
            factors.push_back(dlg->GetDlgItemText(CIntegrationDlg::kFactor));
        }
        // Window 90 to 180 now: an upper border of 45 goes back to 180.
        Type(dlg, CIntegrationDlg::kPhiUpper, "45");
        restored = dlg->GetDlgItemText(CIntegrationDlg::kPhiUpper);
        restoredFactor = dlg->GetDlgItemText(CIntegrationDlg::kFactor);
        auto* spin = dlg->DlgItem<zel::CSpinButton>(CIntegrationDlg::kPhiUpperSpin);
        spin->Step(+1);
        stepped = dlg->GetDlgItemText(CIntegrationDlg::kPhiUpper);
        Type(dlg, CIntegrationDlg::kPhiUpper, "720");
        spin->Step(+1); // wraps round to 0, below the lower border: put back
        wrapped = dlg->GetDlgItemText(CIntegrationDlg::kPhiUpper);
    });
    EXPECT_EQ(factors, (std::vector<std::string>{"2", "6.28318530717959", "0.5", "4"}));
    EXPECT_EQ(restored, "180");
    EXPECT_EQ(restoredFactor, "4");
    EXPECT_EQ(stepped, "181");
    EXPECT_EQ(wrapped, "720");
}

// Delete Results empties both sets and the list; Options and Functions run
// their dialogs (the result list is not refilled by them).
TEST_F(IntegrationDlgTest, DeleteResultsOptionsAndFunctions) {
    m_oxygen->m_ResultsA.Method = -1.0;
    m_oxygen->m_ResultsB.Method = 0.5;
    Lines before, afterFunctions, afterDelete;
    RunDialog([&](CIntegrationDlg* dlg) {
        before = ResultList(dlg);
        zel::test::WhenVisible<CIntegOptionsDlg>(
            [](CIntegOptionsDlg* options) { options->EndDialog(zel::IDCANCEL); });
        Click(dlg, CIntegrationDlg::kOptions);
        m_prompts.PushAnswer(zel::IDYES);
        zel::test::WhenVisible<CBasinPropsDlg>(
            [](CBasinPropsDlg* props) { props->DlgItem<QPushButton>(zel::IDOK)->click(); });
        Click(dlg, CIntegrationDlg::kFunctions);
        afterFunctions = ResultList(dlg);
        m_oxygen->m_ResultsB.Method = 0.5;
        Click(dlg, CIntegrationDlg::kDeleteResults);
        afterDelete = ResultList(dlg);
    });
    EXPECT_EQ(before.front(), "Properties integrated over atomic basin in radial coordinates");
    EXPECT_EQ(m_prompts.Texts(), Lines{"All previous basin integration results will be deleted! Continue?"});
    EXPECT_EQ(afterFunctions, before);
    EXPECT_EQ(afterDelete, Lines{"Integration results not yet available!"});
    EXPECT_EQ(m_oxygen->m_ResultsA.Method, 0.0);
    EXPECT_EQ(m_oxygen->m_ResultsB.Method, 0.0);
    EXPECT_TRUE(m_document.modified);
}

// Without memory for the caches every start button says so and runs no job.
TEST_F(IntegrationDlgTest, NoMemoryForTheCachesRunsNoJob) {
    g_nJobType = -1;
    RunDialog([&](CIntegrationDlg* dlg) {
        g_nFailingSize = (static_cast<std::size_t>(m_oxygen->GetPropertyCount()) + 1) * sizeof(double);
        for (int button : {CIntegrationDlg::kIntegrateBetaSphere, CIntegrationDlg::kIntegrateNatural,
                           CIntegrationDlg::kIntegrateRadial})
            Click(dlg, button);
        g_nFailingSize = 0;
    });
    EXPECT_EQ(m_prompts.Texts(), Lines(3, CIntegrationDlg::kNoCacheMemory));
    EXPECT_EQ(g_nJobType.load(), -1);
    EXPECT_FALSE(m_oxygen->HasCaches());
    EXPECT_EQ(m_oxygen->m_ResultsA.Method, 0.0);
    EXPECT_EQ(m_oxygen->m_ResultsB.Method, 0.0);
}
