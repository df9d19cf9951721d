// The property selection dialogs: captions and fixed boxes, Check All and
// Uncheck All, and OK deleting the stored results of its kind after one
// question (No changes nothing), through the Option menu's commands.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "ui/PropsDlgs.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct FakeDocument : IMoleculeDocument {
    void SetTitle(const std::string&) override {}
    void SetModifiedFlag(bool value) override { modified = value; }
    void UpdateAllViews() override { ++updates; }
    bool modified = false;
    int updates = 0;
};

QCheckBox* Box(zel::CDialog* dlg, int i) {
    return dlg->DlgItem<QCheckBox>(kFirstPropertyBox + i);
}

void Click(zel::CDialog* dlg, int id) {
    dlg->DlgItem<QPushButton>(id)->click();
}

class PropsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_EQ(analysistest::Load(m_molecule, "water.wfn"), 1);
        m_molecule.SetDocument(&m_document);
    }
    void TearDown() override { m_molecule.SetDocument(nullptr); }

    // Runs a command; inside its dialog, action, then the button `end`.
    template <class Dlg>
    int Run(int (*command)(CMolecule&, QWidget*), const std::function<void(Dlg*)>& action, int end) {
        zel::test::WhenVisible<Dlg>([&](Dlg* dlg) {
            action(dlg);
            Click(dlg, end);
            if (dlg->isVisible()) dlg->EndDialog(zel::IDCANCEL); // a question answered No closes it too
        });
        return command(m_molecule, nullptr);
    }

    std::vector<int> BasinFlags() const {
        std::vector<int> flags;
        for (int i = 0; i < kBasinProperties; ++i)
            flags.push_back(m_molecule.IsBasinPropertySelected(i));
        return flags;
    }
    std::vector<int> SurfaceFlags() const {
        std::vector<int> flags;
        for (int i = 0; i < kSurfaceProperties; ++i)
            flags.push_back(m_molecule.IsSurfacePropertySelected(i));
        return flags;
    }

    CBondPoint* AddBondPoint(double circleRadius) {
        auto point = std::make_unique<CBondPoint>(&m_molecule, m_molecule.NextObjectNumber(), 0,
                                                  CVector(0.0, 0.0, 0.0), 0.0);
        point->m_Surface.CircleRadius = circleRadius;
        CBondPoint* raw = point.get();
        m_molecule.GetList(-1)->push_back(std::move(point));
        return raw;
    }

    CMolecule m_molecule;
    FakeDocument m_document;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
};

} // namespace

// Captions are the property names; Uncheck All clears 5 to 47 and leaves the
// disabled boxes of 0 to 4 checked; without results OK stores the boxes with
// no question and marks the document modified.
TEST_F(PropsDlgTest, BasinUncheckAllKeepsFixedPropertiesAndOkStoresWithoutQuestion) {
    std::vector<std::string> captions;
    std::vector<bool> enabled;
    const int result = Run<CBasinPropsDlg>(
        OnBasinFunctions,
        [&](CBasinPropsDlg* dlg) {
            for (int i = 0; i < kBasinProperties; ++i) {
                captions.push_back(Box(dlg, i)->text().toStdString());
                enabled.push_back(Box(dlg, i)->isEnabled());
            }
            Click(dlg, kUncheckAll);
            Box(dlg, 22)->setChecked(true);
        },
        zel::IDOK);
    EXPECT_EQ(result, zel::IDOK);
    ASSERT_EQ(captions.size(), 48u);
    EXPECT_EQ(captions[0], "RHO, electron density");
    EXPECT_EQ(captions[47], "OVERLAP, Atomic Overlap Matrix");
    for (int i = 0; i < kBasinProperties; ++i)
        EXPECT_EQ(enabled[i], i >= 5) << i;
    std::vector<int> expected(kBasinProperties, 0);
    for (int i = 0; i < 5; ++i)
        expected[i] = 1;
    expected[22] = 1;
    EXPECT_EQ(BasinFlags(), expected);
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_TRUE(m_document.modified);
    EXPECT_EQ(m_document.updates, 0);

    // Check All turns them all on again; Cancel keeps the stored flags.
    m_document.modified = false;
    std::vector<int> shown;
    EXPECT_EQ(Run<CBasinPropsDlg>(
                  OnBasinFunctions,
                  [&](CBasinPropsDlg* dlg) {
                      Click(dlg, kCheckAll);
                      for (int i = 0; i < kBasinProperties; ++i)
                          shown.push_back(Box(dlg, i)->isChecked() ? 1 : 0);
                  },
                  zel::IDCANCEL),
              zel::IDCANCEL);
    EXPECT_EQ(shown, std::vector<int>(kBasinProperties, 1));
    EXPECT_EQ(BasinFlags(), expected);
    EXPECT_FALSE(m_document.modified);
}

// Results on two atoms, one of them radial only: one question. No closes the
// dialog as Cancel and changes nothing; Yes deletes both sets everywhere and
// stores the flags, even though nothing was changed.
TEST_F(PropsDlgTest, BasinOkAsksOnceAndDeletesEveryResultOnYesOnly) {
    auto& atoms = m_molecule.GetAtomList();
    ASSERT_EQ(atoms.size(), 3u);
    CAtom& oxygen = *atoms.front();
    CAtom& hydrogen = **std::next(atoms.begin());
    oxygen.m_ResultsA.Method = -1.0; // radial coordinates, no beta sphere
    hydrogen.m_ResultsA.Method = 0.4;
    hydrogen.m_ResultsB.Method = 0.4;
    m_molecule.SetBasinPropertySelected(30, 0);

    m_prompts.PushAnswer(zel::IDNO);
    const int no = Run<CBasinPropsDlg>(
        OnBasinFunctions, [](CBasinPropsDlg* dlg) { Click(dlg, kUncheckAll); }, zel::IDOK);
    EXPECT_EQ(no, zel::IDCANCEL);
    EXPECT_EQ(m_prompts.Texts(), Lines{"All previous basin integration results will be deleted! Continue?"});
    EXPECT_EQ(oxygen.m_ResultsA.Method, -1.0);
    EXPECT_EQ(hydrogen.m_ResultsA.Method, 0.4);
    EXPECT_EQ(hydrogen.m_ResultsB.Method, 0.4);
    EXPECT_EQ(m_molecule.IsBasinPropertySelected(10), 1);
    EXPECT_EQ(m_molecule.IsBasinPropertySelected(30), 0);
    EXPECT_FALSE(m_document.modified);

    m_prompts.PushAnswer(zel::IDYES);
    const int yes = Run<CBasinPropsDlg>(OnBasinFunctions, [](CBasinPropsDlg*) {}, zel::IDOK);
    EXPECT_EQ(yes, zel::IDOK);
    EXPECT_EQ(m_prompts.Texts().size(), 2u);
    for (const auto& atom : atoms) {
        EXPECT_EQ(atom->m_ResultsA.Method, 0.0);
        EXPECT_EQ(atom->m_ResultsB.Method, 0.0);
    }
    EXPECT_EQ(hydrogen.m_ResultsA.Results.size(), static_cast<std::size_t>(hydrogen.GetPropertyCount()));
    EXPECT_EQ(m_molecule.IsBasinPropertySelected(30), 0);
    EXPECT_TRUE(m_document.modified);

    // Nothing stored now: no question.
    EXPECT_EQ(Run<CBasinPropsDlg>(OnBasinFunctions, [](CBasinPropsDlg*) {}, zel::IDOK), zel::IDOK);
    EXPECT_EQ(m_prompts.Texts().size(), 2u);
}

// The surface dialog: Uncheck All clears all 25; results on bond points ask
// once; Yes clears every circle radius.
TEST_F(PropsDlgTest, SurfaceUncheckAllClearsEveryFlagAndYesDeletesResults) {
    CBondPoint* first = AddBondPoint(0.5);
    CBondPoint* plain = AddBondPoint(0.0);
    CBondPoint* second = AddBondPoint(0.3);

    std::string lastCaption;
    m_prompts.PushAnswer(zel::IDNO);
    EXPECT_EQ(Run<CSurfacePropsDlg>(
                  OnSurfaceFunctions,
                  [&](CSurfacePropsDlg* dlg) {
                      lastCaption = Box(dlg, 24)->text().toStdString();
                      Click(dlg, kUncheckAll);
                  },
                  zel::IDOK),
              zel::IDCANCEL);
    EXPECT_EQ(lastCaption, "AREA, Total integrated area");
    EXPECT_EQ(SurfaceFlags(), std::vector<int>(kSurfaceProperties, 1));
    EXPECT_EQ(first->m_Surface.CircleRadius, 0.5);
    EXPECT_FALSE(m_document.modified);

    m_prompts.PushAnswer(zel::IDYES);
    EXPECT_EQ(Run<CSurfacePropsDlg>(
                  OnSurfaceFunctions, [](CSurfacePropsDlg* dlg) { Click(dlg, kUncheckAll); }, zel::IDOK),
              zel::IDOK);
    EXPECT_EQ(m_prompts.Texts(), (Lines{"All previous surface integration results will be deleted! Continue?",
                                        "All previous surface integration results will be deleted! Continue?"}));
    EXPECT_EQ(SurfaceFlags(), std::vector<int>(kSurfaceProperties, 0));
    EXPECT_EQ(first->m_Surface.CircleRadius, 0.0);
    EXPECT_EQ(plain->m_Surface.CircleRadius, 0.0);
    EXPECT_EQ(second->m_Surface.CircleRadius, 0.0);
    EXPECT_TRUE(m_document.modified);
}
