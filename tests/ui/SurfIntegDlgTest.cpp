// The surface integration dialog driven offscreen on water's O-H bond: the
// atoms in the title, the factor the borders suggest, the job through the
// progress dialog, deleting results, the refused fields that stop a job, and
// the Options and Functions buttons.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "integration/SurfaceJob.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "ui/OptionDlgs.h"
#include "ui/PropsDlgs.h"
#include "ui/SurfIntegDlg.h"

#include <QAbstractItemView>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using zel::test::ListLines;
using D = CSurfIntegDlg;
const std::string kNotYet = "Surface integration results not yet available!";

class SurfIntegDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        zel::test::App();
        molecule = new CMolecule;
        ASSERT_EQ(analysistest::Load(*molecule, "water.wfn"), 1);
        analysistest::SearchAll(*molecule);
        zel::CTextRecord log;
        analysistest::CQuietProgress quiet;
        CalcBondPaths(*molecule, log, quiet);
    }
    static void TearDownTestSuite() {
        delete molecule;
        molecule = nullptr;
    }
    void SetUp() override {
        RegisterSurfaceJob();
        g_bCancel = 0;
        ASSERT_FALSE(molecule->GetList(-1)->empty());
        bond = static_cast<CBondPoint*>(molecule->GetList(-1)->front().get());
        bond->ClearSurfaceResults();
        molecule->SetCurrentSurface(bond);
    }
    void TearDown() override { zel::RegisterJobBody(zel::kJobIntegrateSurface, nullptr); }

    // Runs the command with the action inside the dialog; returns what it said.
    bool Run(const std::function<void(D*)>& action) {
        zel::test::WhenVisible<D>([&](D* dlg) {
            action(dlg);
            dlg->EndDialog(zel::IDOK);
        });
        return OnCalcIntegrateSurface(*molecule);
    }
    static void Click(D* dlg, int id) { dlg->DlgItem<QPushButton>(id)->click(); }
    static Lines Results(D* dlg) { return ListLines(dlg->DlgItem<QAbstractItemView>(D::kResultList)); }
    Lines Shown(std::size_t before) const {
        const Lines texts = m_prompts.Texts();
        return Lines(texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end());
    }

    static CMolecule* molecule;
    CBondPoint* bond = nullptr;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
};
CMolecule* SurfIntegDlgTest::molecule = nullptr;

TEST_F(SurfIntegDlgTest, IntegratesListsAndDeletes) {
    std::string title, factor;
    Lines opened, integrated, deleted;
    std::vector<std::string> factors;
    const bool changed = Run([&](D* dlg) {
        title = dlg->GetDlgItemText(D::kTitle);
        opened = Results(dlg);
        EXPECT_EQ(dlg->GetDlgItemText(D::kRadius), "0.001");
        // The factor follows the borders.
        for (auto [lower, upper] :
             {std::pair{"300", "60"}, std::pair{"90", "90"}, std::pair{"0", "180"}, std::pair{"0", "360"}}) {
            dlg->SetDlgItemText(D::kPhiLower, lower);
            dlg->SetDlgItemText(D::kPhiUpper, upper);
            factors.push_back(dlg->GetDlgItemText(D::kFactor));
        }
        // The arrows step the borders from what they hold, and wrap.
        dlg->DlgItem<zel::CSpinButton>(D::kPhiUpperSpin)->Step(1);
        EXPECT_EQ(dlg->GetDlgItemText(D::kPhiUpper), "361");
        EXPECT_EQ(dlg->GetDlgItemText(D::kFactor), "0.997229916897507");
        dlg->DlgItem<zel::CSpinButton>(D::kPhiLowerSpin)->Step(-1);
        EXPECT_EQ(dlg->GetDlgItemText(D::kPhiLower), "360");
        dlg->SetDlgItemText(D::kPhiLower, "0");
        dlg->SetDlgItemText(D::kPhiUpper, "360");
        Click(dlg, D::kIntegrate);
        integrated = Results(dlg);
        EXPECT_GT(bond->m_Surface.CircleRadius, 0.0);
        EXPECT_TRUE(bond->m_Surface.WorkArray.empty());
        Click(dlg, D::kDeleteResults);
        deleted = Results(dlg);
    });
    EXPECT_TRUE(changed);
    EXPECT_EQ(title, "Integration over interatomic surface between O    1 and H    2");
    EXPECT_EQ(opened, Lines{kNotYet});
    EXPECT_EQ(factors, (Lines{"3", "6.28318530717959", "2", "1"}));
    ASSERT_GT(integrated.size(), 12u);
    EXPECT_EQ(integrated[0], "Properties integrated over interatomic surface");
    EXPECT_EQ(integrated[1], "Circle radius around bond critical point: 0.001000");
    EXPECT_EQ(integrated[5], "Integration borders in Phi-coordinate: 0.000000  to  360.000000");
    EXPECT_EQ(integrated[6], "Used symmetry factor: 1.000000");
    EXPECT_EQ(integrated[11].substr(24), "   (RHO, electron density)");
    EXPECT_GT(std::stod(integrated[11]), 0.5);
    EXPECT_EQ(deleted, Lines{kNotYet});
    EXPECT_EQ(bond->m_Surface.CircleRadius, 0.0);
    EXPECT_EQ(m_prompts.Texts(), Lines{});
}

TEST_F(SurfIntegDlgTest, RefusedFieldStopsTheJob) {
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {D::kPhiUpper, "800", "Enter a number between 0 and 720."},
        {D::kPhiLower, "400", "Enter a number between 0 and 360."},
        {D::kRadius, "-0.5", "Enter a number between 0 and 10."},
        {D::kFactor, "three", "Enter a number."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::size_t before = m_prompts.Texts().size();
        g_nEvaluations = 0;
        const bool changed = Run([&](D* dlg) {
            dlg->SetDlgItemText(c.id, c.text);
            Click(dlg, D::kIntegrate);
        });
        EXPECT_FALSE(changed);
        EXPECT_EQ(Shown(before), Lines{c.message});
        EXPECT_EQ(g_nEvaluations, 0);
        EXPECT_EQ(bond->m_Surface.CircleRadius, 0.0);
    }
}

TEST_F(SurfIntegDlgTest, ZeroRadiusKeepsTheResults) {
    bond->m_Surface.CircleRadius = 0.25;
    Run([&](D* dlg) {
        dlg->SetDlgItemText(D::kRadius, "0");
        Click(dlg, D::kIntegrate);
    });
    EXPECT_EQ(bond->m_Surface.CircleRadius, 0.25);
    EXPECT_EQ(m_prompts.Texts(), Lines{});
}

TEST_F(SurfIntegDlgTest, OptionsAndFunctionsOpenTheirDialogs) {
    // Results present: Functions asks before it deletes them; Yes.
    bond->m_Surface.CircleRadius = 0.25;
    m_prompts.PushAnswer(zel::IDYES);
    std::string radiusAfterOptions;
    Lines afterFunctions;
    bool optionsSeen = false, functionsSeen = false;
    Run([&](D* dlg) {
        zel::test::WhenVisible<CSurfIntOptionsDlg>([&](CSurfIntOptionsDlg* options) {
            optionsSeen = true;
            options->SetDlgItemText(CSurfIntOptionsDlg::kCircleRadius, "0.002");
            options->DlgItem<QPushButton>(zel::IDOK)->click();
        });
        Click(dlg, D::kOptions);
        radiusAfterOptions = dlg->GetDlgItemText(D::kRadius);
        zel::test::WhenVisible<CSurfacePropsDlg>([&](CSurfacePropsDlg* props) {
            functionsSeen = true;
            props->DlgItem<QPushButton>(zel::IDOK)->click();
        });
        Click(dlg, D::kFunctions);
        afterFunctions = Results(dlg);
    });
    EXPECT_TRUE(optionsSeen);
    EXPECT_TRUE(functionsSeen);
    // The options' new default radius is for the next dialog.
    EXPECT_EQ(molecule->GetSurfIntOptions().CircleRadius.Current, 0.002);
    EXPECT_EQ(radiusAfterOptions, "0.001");
    EXPECT_EQ(bond->m_Surface.CircleRadius, 0.0);
    EXPECT_EQ(afterFunctions, Lines{kNotYet});
    EXPECT_EQ(m_prompts.Texts(),
              Lines{"All previous surface integration results will be deleted! Continue?"});
    molecule->GetSurfIntOptions().CircleRadius.Current = 0.001;
}

TEST_F(SurfIntegDlgTest, BondWithoutPathsKeepsThePlainTitle) {
    CBondPoint lone(molecule, 0, 0, bond->GetPosition(), 0.0);
    D dialog(molecule, &lone);
    zel::test::WhenVisible<D>([&](D* dlg) {
        EXPECT_EQ(dlg->GetDlgItemText(D::kTitle), "Integration over interatomic surface");
        EXPECT_EQ(dlg->GetAtomA(), nullptr);
        EXPECT_EQ(dlg->GetAtomB(), nullptr);
        dlg->EndDialog(zel::IDOK);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.HelpTopic(), "::integration_over_interatomic_sur.htm");
}

} // namespace
