// The option commands and their dialogs: range checks with the framework's
// messages, values written back only on OK, "Reset to Defaults", and the
// document marked modified whatever way the dialog ended.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "ui/OptionCommands.h"
#include "ui/OptionDlgs.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Command = int (*)(CMolecule&, QWidget*);
using Edits = std::vector<std::pair<int, const char*>>;

struct FakeDocument : IMoleculeDocument {
    int modified = 0;
    int updates = 0;
    void SetTitle(const std::string&) override {}
    void SetModifiedFlag(bool) override { ++modified; }
    void UpdateAllViews() override { ++updates; }
};

// Every current option value, in the document's order.
std::vector<double> Currents(CMolecule& m) {
    const CLAOptions& la = m.GetLAOptions();
    const CCritOptions& c = m.GetCritOptions();
    const CDEOptions& d = m.GetDEOptions();
    const CIntegOptions& i = m.GetIntegOptions();
    const CSurfIntOptions& s = m.GetSurfIntOptions();
    return {double(la.MaxQLIterations),
            la.PivotThreshold,
            c.MinDistance,
            c.StepTolerance,
            c.GradientTolerance,
            double(c.MaxIterations),
            c.StepFactor,
            d.PointDistance,
            d.AbsAccuracy,
            d.RelAccuracy,
            d.MaxPathLength,
            d.MinCritPointDistance,
            double(d.MaxBisections),
            i.SphereRadius,
            i.StopS,
            i.AbsAccuracy,
            i.RelAccuracy,
            i.RayStep,
            i.StopR,
            double(i.MaxIntersections),
            s.CircleRadius,
            s.StopS,
            s.AbsAccuracy,
            s.RelAccuracy};
}

class OptionDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        m_molecule.SetDocument(&m_document);
    }

    // Runs the command; once its dialog shows, types the edits and presses
    // OK. A dialog that stays open (a refused entry) is then cancelled.
    int Run(Command command, const Edits& edits, bool* stayedOpen = nullptr) {
        bool open = false;
        zel::test::WhenVisible<zel::CDialog>([&](zel::CDialog* d) {
            for (const auto& [id, text] : edits)
                d->DlgItem<QLineEdit>(id)->setText(QString::fromUtf8(text));
            d->DlgItem<QPushButton>(zel::IDOK)->click();
            open = d->isVisible();
            if (open) d->DlgItem<QPushButton>(zel::IDCANCEL)->click();
            if (d->isVisible()) d->done(zel::IDABORT);
        });
        const int result = command(m_molecule, nullptr);
        if (stayedOpen) *stayedOpen = open;
        return result;
    }

    FakeDocument m_document;
    CMolecule m_molecule;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_guard{m_prompts};
};

// Each entry either passes (empty message: OK closes and the value is stored)
// or is refused with the framework's exact message, the dialog staying open
// and nothing stored.
TEST_F(OptionDlgTest, RangeChecksRefuseWithTheFrameworksMessages) {
    struct Case {
        const char* name;
        Command command;
        Edits edits;
        const char* message;
        int index = -1;      // in Currents() when accepted
        double stored = 0.0; // the value then stored
    };
    const Case cases[] = {
        {"no QL iterations", OnLinearAlgebraOptions, {{1042, "0"}}, "Enter an integer between 1 and 999999."},
        {"too many QL iterations",
         OnLinearAlgebraOptions,
         {{1042, "1000000"}},
         "Enter an integer between 1 and 999999."},
        {"empty QL iterations", OnLinearAlgebraOptions, {{1042, ""}}, "Enter an integer."},
        {"most QL iterations", OnLinearAlgebraOptions, {{1042, "999999"}}, "", 0, 999999},
        {"pivot 1", OnLinearAlgebraOptions, {{1043, "1"}}, "", 1, 1.0},
        {"pivot 2", OnLinearAlgebraOptions, {{1043, "2"}}, "Enter a number between 0 and 1."},
        {"pivot text", OnLinearAlgebraOptions, {{1043, "small"}}, "Enter a number."},
        {"no Newton iterations", OnCritPointOptions, {{1048, "0"}}, "", 5, 0},
        {"step factor 10", OnCritPointOptions, {{1045, "10"}}, "", 6, 10.0},
        {"step factor 10.5", OnCritPointOptions, {{1045, "10.5"}}, "Enter a number between 0 and 10."},
        {"min distance 11", OnCritPointOptions, {{1044, "11"}}, "Enter a number between 0 and 10."},
        {"negative step tolerance",
         OnCritPointOptions,
         {{1046, "-1e-9"}},
         "Enter a number between 0 and 999999."},
        {"gradient tolerance", OnCritPointOptions, {{1047, "2.5e-6"}}, "", 4, 2.5e-6},
        // The step tolerance is exchanged before the minimal distance.
        {"first refused field",
         OnCritPointOptions,
         {{1044, "11"}, {1046, "1e7"}},
         "Enter a number between 0 and 999999."},
        {"zero spacing", OnGradientPathOptions, {{1044, "0"}}, "Enter a number greater than 0."},
        {"negative spacing", OnGradientPathOptions, {{1044, "-0.02"}}, "Enter a number greater than 0."},
        {"zero relative accuracy", OnGradientPathOptions, {{1052, "0"}}, "Enter a number greater than 0."},
        {"negative absolute accuracy",
         OnGradientPathOptions,
         {{1046, "-1e-7"}},
         "Enter a number greater than 0."},
        {"small spacing", OnGradientPathOptions, {{1044, "1e-4"}}, "", 7, 1e-4},
        {"negative path length", OnGradientPathOptions, {{1045, "-3"}}, "", 10, -3.0},
        {"negative bisections", OnGradientPathOptions, {{1048, "-1"}}, "", 12, -1},
        {"spacing text", OnGradientPathOptions, {{1044, "0,02"}}, "Enter a number."},
        {"four crossings", OnBasinIntegrationOptions, {{1145, "4"}}, "Enter an integer between 1 and 3."},
        {"one crossing", OnBasinIntegrationOptions, {{1145, "1"}}, "", 19, 1},
        {"basin stop s",
         OnBasinIntegrationOptions,
         {{1144, "2e11"}},
         "Enter a number between 0 and 100000000000."},
        {"sphere radius 100", OnBasinIntegrationOptions, {{1143, "100"}}, "", 13, 100.0},
        {"ray step", OnBasinIntegrationOptions, {{1147, "101"}}, "Enter a number between 0 and 100."},
        {"ray step that cannot advance",
         OnBasinIntegrationOptions,
         {{1147, "1e-17"}},
         "The initial stepsize along a ray for the surface search, 1e-017 bohr, cannot advance the search to "
         "r = 9: use at least 0.0009 bohr."},
        {"ray step 0 to a farther stop r",
         OnBasinIntegrationOptions,
         {{1146, "20"}, {1147, "0"}},
         "The initial stepsize along a ray for the surface search, 0 bohr, cannot advance the search to "
         "r = 20: use at least 0.002 bohr."},
        {"smallest ray step", OnBasinIntegrationOptions, {{1147, "0.0009"}}, "", 17, 0.0009},
        {"basin accuracy", OnBasinIntegrationOptions, {{1052, "1.5"}}, "Enter a number between 0 and 1."},
        {"circle radius 11", OnSurfaceIntegrationOptions, {{1143, "11"}}, "Enter a number between 0 and 10."},
        {"circle radius 10", OnSurfaceIntegrationOptions, {{1143, "10"}}, "", 20, 10.0},
        {"surface stop s",
         OnSurfaceIntegrationOptions,
         {{1179, "1e12"}},
         "Enter a number between 0 and 999999999999."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_molecule.Reset();
        const std::vector<double> before = Currents(m_molecule);
        const std::size_t messagesBefore = m_prompts.Texts().size();
        bool stayedOpen = false;
        const int result = Run(c.command, c.edits, &stayedOpen);
        const std::vector<std::string> texts = m_prompts.Texts();
        const std::vector<std::string> shown(texts.begin() + static_cast<std::ptrdiff_t>(messagesBefore),
                                             texts.end());
        std::vector<double> expected = before;
        if (*c.message) {
            EXPECT_TRUE(stayedOpen);
            EXPECT_EQ(result, zel::IDCANCEL);
            EXPECT_EQ(shown, std::vector<std::string>{c.message});
        } else {
            EXPECT_FALSE(stayedOpen);
            EXPECT_EQ(result, zel::IDOK);
            EXPECT_TRUE(shown.empty());
            expected[static_cast<std::size_t>(c.index)] = c.stored;
        }
        EXPECT_EQ(Currents(m_molecule), expected);
    }
}

// OK copies every edited value into the current values and keeps the
// defaults; Cancel changes nothing; both mark the document modified and
// update no view.
TEST_F(OptionDlgTest, OkWritesEveryValueBackCancelNone) {
    struct Case {
        const char* name;
        Command command;
        const char* caption;
        Edits edits;
        std::vector<std::pair<std::size_t, double>> stored;
    };
    const Case cases[] = {
        {"linear algebra",
         OnLinearAlgebraOptions,
         "Options for linear algebraic computations",
         {{1042, "75"}, {1043, "1e-10"}},
         {{0, 75}, {1, 1e-10}}},
        {"critical points",
         OnCritPointOptions,
         "Options for critical point computation",
         {{1044, "0.2"}, {1046, "1e-8"}, {1047, "1e-6"}, {1048, "50"}, {1045, "0.5"}},
         {{2, 0.2}, {3, 1e-8}, {4, 1e-6}, {5, 50}, {6, 0.5}}},
        {"gradient paths",
         OnGradientPathOptions,
         "Options for computing gradient paths",
         {{1044, "0.03"}, {1052, "1e-5"}, {1046, "1e-8"}, {1045, "12"}, {1047, "0.02"}, {1048, "30"}},
         {{7, 0.03}, {9, 1e-5}, {8, 1e-8}, {10, 12}, {11, 0.02}, {12, 30}}},
        {"basin integration",
         OnBasinIntegrationOptions,
         "Options for Integration over atomic basin",
         {{1052, "1e-3"},
          {1046, "2e-3"},
          {1143, "0.7"},
          {1144, "1e5"},
          {1145, "2"},
          {1146, "8"},
          {1147, "0.5"}},
         {{16, 1e-3}, {15, 2e-3}, {13, 0.7}, {14, 1e5}, {19, 2}, {18, 8}, {17, 0.5}}},
        {"surface integration",
         OnSurfaceIntegrationOptions,
         "Options for Integration over interatomic surface",
         {{1046, "1e-6"}, {1143, "0.002"}, {1052, "2e-6"}, {1179, "5e5"}},
         {{22, 1e-6}, {20, 0.002}, {23, 2e-6}, {21, 5e5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_molecule.Reset();
        const std::vector<double> defaults = Currents(m_molecule);
        m_document.modified = 0;
        m_document.updates = 0;

        // Cancel after edits.
        QString caption;
        zel::test::WhenVisible<zel::CDialog>([&](zel::CDialog* d) {
            caption = d->windowTitle();
            for (const auto& [id, text] : c.edits)
                d->DlgItem<QLineEdit>(id)->setText(QString::fromUtf8(text));
            d->DlgItem<QPushButton>(zel::IDCANCEL)->click();
            if (d->isVisible()) d->done(zel::IDABORT);
        });
        EXPECT_EQ(c.command(m_molecule, nullptr), zel::IDCANCEL);
        EXPECT_EQ(caption.toStdString(), c.caption);
        EXPECT_EQ(Currents(m_molecule), defaults);
        EXPECT_EQ(m_document.modified, 1);

        EXPECT_EQ(Run(c.command, c.edits), zel::IDOK);
        std::vector<double> expected = defaults;
        for (const auto& [index, value] : c.stored)
            expected[index] = value;
        EXPECT_EQ(Currents(m_molecule), expected);
        EXPECT_EQ(m_document.modified, 2);
        EXPECT_EQ(m_document.updates, 0);

        // The defaults are untouched: emptying brings them back.
        m_molecule.Reset();
        EXPECT_EQ(Currents(m_molecule), defaults);
    }
    EXPECT_TRUE(m_prompts.Texts().empty());
}

// A loaded document carries current values only; the defaults stay those of
// the program, and "Reset to Defaults" shows them. Cancel afterwards keeps the
// loaded values, yet the document counts as modified.
TEST_F(OptionDlgTest, ResetToDefaultsShowsTheProgramDefaultsAfterLoading) {
    {
        CMolecule source;
        ASSERT_EQ(analysistest::Load(source, "water.wfn"), 1);
        source.GetCritOptions().StepTolerance.Current = 1e-8;
        source.GetCritOptions().MaxIterations.Current = 40;
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(StoreDocumentBytes(source, bytes, error)) << error;
        ASSERT_TRUE(LoadDocumentBytes(bytes, m_molecule, error)) << error;
    }
    m_molecule.SetDocument(&m_document);
    ASSERT_EQ(m_molecule.GetCritOptions().StepTolerance.Current, 1e-8);
    m_document.modified = 0;

    std::string shownBefore, shownAfter, iterationsAfter, distanceAfter;
    zel::test::WhenVisible<CCritOptionDlg>([&](CCritOptionDlg* d) {
        shownBefore = d->GetDlgItemText(CCritOptionDlg::kStepTolerance);
        // A refused entry shows its message, and the defaults still come.
        d->SetDlgItemText(CCritOptionDlg::kMinDistance, "12");
        d->DlgItem<QPushButton>(kResetToDefaults)->click();
        shownAfter = d->GetDlgItemText(CCritOptionDlg::kStepTolerance);
        iterationsAfter = d->GetDlgItemText(CCritOptionDlg::kMaxIterations);
        distanceAfter = d->GetDlgItemText(CCritOptionDlg::kMinDistance);
        d->DlgItem<QPushButton>(zel::IDCANCEL)->click();
        if (d->isVisible()) d->done(zel::IDABORT);
    });
    EXPECT_EQ(OnCritPointOptions(m_molecule), zel::IDCANCEL);
    EXPECT_EQ(shownBefore, "1e-008");
    EXPECT_EQ(shownAfter, "1e-009");
    EXPECT_EQ(iterationsAfter, "120");
    EXPECT_EQ(distanceAfter, "0.1");
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Enter a number between 0 and 10."});
    EXPECT_EQ(m_molecule.GetCritOptions().StepTolerance.Current, 1e-8);
    EXPECT_EQ(m_molecule.GetCritOptions().MaxIterations.Current, 40);
    EXPECT_EQ(m_document.modified, 1);

    // Reset then OK stores the defaults.
    zel::test::WhenVisible<CCritOptionDlg>([&](CCritOptionDlg* d) {
        d->DlgItem<QPushButton>(kResetToDefaults)->click();
        d->DlgItem<QPushButton>(zel::IDOK)->click();
        if (d->isVisible()) d->done(zel::IDABORT);
    });
    EXPECT_EQ(OnCritPointOptions(m_molecule), zel::IDOK);
    EXPECT_EQ(m_molecule.GetCritOptions().StepTolerance.Current, 1e-9);
    EXPECT_EQ(m_molecule.GetCritOptions().MaxIterations.Current, 120);
}

// Every dialog's reset button brings back each of its record's defaults.
TEST_F(OptionDlgTest, ResetToDefaultsCoversEveryField) {
    const Command commands[] = {OnLinearAlgebraOptions, OnCritPointOptions, OnGradientPathOptions,
                                OnBasinIntegrationOptions, OnSurfaceIntegrationOptions};
    m_molecule.Reset();
    const std::vector<double> defaults = Currents(m_molecule);
    // Change every current value, then reset and confirm each dialog.
    CLAOptions& la = m_molecule.GetLAOptions();
    la.MaxQLIterations.Current = 7;
    la.PivotThreshold.Current = 0.5;
    CCritOptions& c = m_molecule.GetCritOptions();
    c.MinDistance.Current = 1;
    c.StepTolerance.Current = 2;
    c.GradientTolerance.Current = 3;
    c.MaxIterations.Current = 4;
    c.StepFactor.Current = 5;
    CDEOptions& d = m_molecule.GetDEOptions();
    d.PointDistance.Current = 1;
    d.AbsAccuracy.Current = 2;
    d.RelAccuracy.Current = 3;
    d.MaxPathLength.Current = 4;
    d.MinCritPointDistance.Current = 5;
    d.MaxBisections.Current = 6;
    CIntegOptions& i = m_molecule.GetIntegOptions();
    i.SphereRadius.Current = 1;
    i.AbsAccuracy.Current = 0.5;
    i.RelAccuracy.Current = 0.25;
    i.StopS.Current = 4;
    i.StopR.Current = 5;
    i.RayStep.Current = 6;
    i.MaxIntersections.Current = 2;
    CSurfIntOptions& s = m_molecule.GetSurfIntOptions();
    s.CircleRadius.Current = 1;
    s.AbsAccuracy.Current = 0.5;
    s.RelAccuracy.Current = 0.25;
    s.StopS.Current = 4;
    for (Command command : commands) {
        zel::test::WhenVisible<zel::CDialog>([&](zel::CDialog* dlg) {
            dlg->DlgItem<QPushButton>(kResetToDefaults)->click();
            dlg->DlgItem<QPushButton>(zel::IDOK)->click();
            if (dlg->isVisible()) dlg->done(zel::IDABORT);
        });
        EXPECT_EQ(command(m_molecule, nullptr), zel::IDOK);
    }
    EXPECT_EQ(Currents(m_molecule), defaults);
    EXPECT_TRUE(m_prompts.Texts().empty());
}

} // namespace
