// Calculation > Integration over interatomic surface on a document: enabled
// with a current surface, and an integration marks the document modified, so
// that its results are offered for saving.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "integration/SurfaceJob.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "shell/CommandIds.h"
#include "shell/ZelmoraDoc.h"
#include "ui/SurfIntegDlg.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>

namespace {

bool Enabled(CZelmoraDoc& doc, int id) {
    CCmdUI ui;
    ui.id = id;
    EXPECT_TRUE(doc.OnUpdateCommand(ui));
    return ui.enabled;
}

TEST(SurfaceCommandTest, EnabledWithACurrentSurfaceAndMarksTheDocument) {
    zel::test::App();
    zel::CScriptedTitles titles;
    zel::ScopedTitleService titleGuard(titles);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard(prompts);
    RegisterSurfaceJob();
    CZelmoraDoc doc;
    CMolecule& molecule = *doc.GetMolecule();
    EXPECT_FALSE(Enabled(doc, cmd::CalcIntegrateSurface));

    std::ifstream in(analysistest::FixturePath("water.wfn"));
    ASSERT_EQ(molecule.LoadWavefunction(in), 1);
    analysistest::SearchAll(molecule);
    zel::CTextRecord log;
    analysistest::CQuietProgress quiet;
    CalcBondPaths(molecule, log, quiet);
    EXPECT_FALSE(Enabled(doc, cmd::CalcIntegrateSurface));
    auto* bond = static_cast<CBondPoint*>(molecule.GetList(-1)->front().get());
    molecule.SetCurrentSurface(bond);
    EXPECT_TRUE(Enabled(doc, cmd::CalcIntegrateSurface));

    // Looking only leaves the document as it was.
    doc.SetModifiedFlag(false);
    zel::test::WhenVisible<CSurfIntegDlg>([](CSurfIntegDlg* dlg) { dlg->EndDialog(zel::IDOK); });
    EXPECT_TRUE(doc.OnCommand(cmd::CalcIntegrateSurface));
    EXPECT_FALSE(doc.IsModified());

    zel::test::WhenVisible<CSurfIntegDlg>([](CSurfIntegDlg* dlg) {
        dlg->DlgItem<QPushButton>(CSurfIntegDlg::kIntegrate)->click();
        dlg->EndDialog(zel::IDOK);
    });
    EXPECT_TRUE(doc.OnCommand(cmd::CalcIntegrateSurface));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_GT(bond->m_Surface.CircleRadius, 0.0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    zel::RegisterJobBody(zel::kJobIntegrateSurface, nullptr);
}

} // namespace
