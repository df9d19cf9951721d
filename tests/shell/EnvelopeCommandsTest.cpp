// The Envelope menu through the document, offscreen, on water: the grid
// definition dialog with its ranges and spin buttons, job 12 behind the
// progress dialog, the refinement's status line and its Cancel, the map
// dialog, deleting, the menu states and the document that holds a grid.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"
#include "PlotCommandsFixture.h"

#include "analysis/CritPointSearch.h"
#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "integration/EnvelopJobs.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "platform/qt/SpinButton.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/EnvelopeDlgs.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

class EnvelopeCommandsTest : public shelltest::DialogInputTest {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_TRUE(m_app.InitInstance({}, false));
        m_frame = m_app.GetMainFrame();
        m_doc = m_app.GetDocument();
        std::ifstream in(analysistest::FixturePath("water.wfn"));
        ASSERT_TRUE(in.good());
        m_titles.PushAnswer("Water");
        ASSERT_EQ(Molecule().LoadWavefunction(in), 1);
        analysistest::CQuietProgress quiet;
        zel::CTextRecord log;
        CCritPointSearch search(Molecule(), Molecule().GetPropertyName(-1), log, quiet);
        search.SearchFromNuclei();
        search.SearchFromMaximaPairs();
        m_doc->SetModifiedFlag(false);
    }
    void TearDown() override { RegisterEnvelopeJobs(); }

    CMolecule& Molecule() { return *m_doc->GetMolecule(); }
    bool Enabled(int id) {
        m_frame->UpdateCommandStates();
        return m_frame->GetAction(id)->isEnabled();
    }
    static std::string Text(zel::CDialog* dialog, int id) { return dialog->GetDlgItemText(id); }

    // Initialize with the definition dialog's values as the box gives them,
    // but no distance limit.
    void InitializeGrid() {
        zel::test::WhenVisible<CDefEnvGridDlg>([](CDefEnvGridDlg* d) {
            SetText(d, CDefEnvGridDlg::kMaxDistance, "0");
            Click(d, zel::IDOK);
        });
        m_doc->OnCommand(cmd::EnvelopeInit);
        ASSERT_NE(Molecule().GetEnvelope(), nullptr);
        ASSERT_NE(Molecule().GetEnvelope()->GetGrid(), nullptr);
    }

    zel::test::ScopedTestSettings m_settings;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    zel::CScriptedColorFontChooser m_colors;
    zel::ScopedColorFontChooser m_colorGuard{m_colors};
    CZelmoraApp m_app;
    CMainFrame* m_frame = nullptr;
    CZelmoraDoc* m_doc = nullptr;
};

TEST_F(EnvelopeCommandsTest, DefinitionDialogShowsTheBoxChecksItsFieldsAndCancelLeavesNoEnvelope) {
    EXPECT_TRUE(Enabled(cmd::EnvelopeInit));
    for (int id : {cmd::EnvelopeRefine, cmd::EnvelopeDelete, cmd::EnvelopeMap})
        EXPECT_FALSE(Enabled(id)) << id;

    Texts shown;
    zel::test::WhenVisible<CDefEnvGridDlg>([&](CDefEnvGridDlg* d) {
        EXPECT_EQ(d->windowTitle().toStdString(), CDefEnvGridDlg::kTitle);
        using D = CDefEnvGridDlg;
        for (int id : {D::kOriginX, D::kOriginY, D::kOriginZ, D::kCountX, D::kCountY, D::kCountZ, D::kTotal,
                       D::kThreshold, D::kMaxDistance})
            shown.push_back(Text(d, id));
        // The counts change only through their spin buttons, the total with them.
        auto* spin = d->DlgItem<zel::CSpinButton>(D::kSpinCountX);
        spin->Step(1);
        EXPECT_EQ(Text(d, D::kCountX), "8");
        EXPECT_EQ(Text(d, D::kTotal), "792");
        spin->Step(-1);
        EXPECT_EQ(Text(d, D::kTotal), "693");
        EXPECT_EQ(spin->GetLower(), 2);
        EXPECT_EQ(spin->GetUpper(), 61);
        EXPECT_EQ(d->DlgItem<zel::CSpinButton>(D::kSpinOriginY)->GetLower(), -30);
        EXPECT_TRUE(d->DlgItem<QLineEdit>(D::kCountX)->isReadOnly());
        // 31 is beyond the distance's range: the dialog stays.
        SetText(d, D::kMaxDistance, "31");
        Click(d, zel::IDOK);
        EXPECT_TRUE(d->isVisible());
        Click(d, zel::IDCANCEL);
    });
    m_doc->OnCommand(cmd::EnvelopeInit);
    // Nuclei from x 0 to 0, y -1.43 to 1.43, z -0.89 to 0.22, widened by 3 bohr.
    EXPECT_EQ(shown, (Texts{"-3", "-5", "-4", "7", "11", "9", "693", "0", "3"}));
    EXPECT_EQ(m_prompts.Texts(), Texts{"Enter a number between 0 and 30."});
    EXPECT_EQ(Molecule().GetEnvelope(), nullptr);
    EXPECT_TRUE(Enabled(cmd::EnvelopeInit));
    EXPECT_FALSE(m_doc->IsModified());
}

TEST_F(EnvelopeCommandsTest, InitializeRefineCancelDeleteAndTheDocument) {
    InitializeGrid();
    CEnvelop* envelope = Molecule().GetEnvelope();
    EXPECT_EQ(envelope->GetMaxDistance(), CEnvelop::kNoDistanceLimit);
    EXPECT_EQ(envelope->GetCount(1), 11);
    EXPECT_EQ(Molecule().GetFieldIndex(), 0);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_FALSE(Enabled(cmd::EnvelopeInit));
    for (int id : {cmd::EnvelopeRefine, cmd::EnvelopeDelete, cmd::EnvelopeMap})
        EXPECT_TRUE(Enabled(id)) << id;

    // A refinement the user cancels keeps the grid, and the field the user had.
    Molecule().SetFieldIndex(2);
    zel::RegisterJobBody(zel::kJobEnvelopeRefine, [](void* object) {
        while (!IsCancelRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        static_cast<CEnvelop*>(object)->Refine();
    });
    const CEnvGrid* before = envelope->GetGrid();
    std::string status;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* progress) {
        status = GetStatusText();
        EXPECT_EQ(progress->windowTitle().toStdString(),
                  "Increasing envelope grid size, decreasing mesh size");
        EXPECT_EQ(Molecule().GetFieldIndex(), 0);
        Click(progress, zel::IDCANCEL);
    });
    m_doc->OnCommand(cmd::EnvelopeRefine);
    EXPECT_EQ(status, "Decrease mesh size to 0.500000, no. of new gridpoints to calculate: 4641");
    EXPECT_EQ(m_prompts.Texts(), Texts{CEnvelop::kRefineFailed});
    EXPECT_EQ(envelope->GetGrid(), before);
    EXPECT_EQ(Molecule().GetFieldIndex(), 2);

    // The real one halves the mesh.
    RegisterEnvelopeJobs();
    m_doc->OnCommand(cmd::EnvelopeRefine);
    EXPECT_EQ(envelope->GetCount(0), 13);
    EXPECT_EQ(envelope->GetMesh(), 0.5);

    // Saved and opened again with the document.
    QTemporaryDir folder;
    const std::string path = folder.filePath("water.zlm").toStdString();
    ASSERT_TRUE(m_doc->OnSaveDocument(path));
    bool loaded = false;
    ASSERT_TRUE(m_doc->OnOpenDocument(path, &loaded));
    ASSERT_TRUE(loaded) << testing::PrintToString(m_prompts.Texts());
    ASSERT_NE(Molecule().GetEnvelope(), nullptr);
    EXPECT_EQ(Molecule().GetEnvelope()->GetCount(2), 17);

    // Deleting asks first.
    m_prompts.PushAnswer(zel::IDNO);
    m_doc->OnCommand(cmd::EnvelopeDelete);
    EXPECT_NE(Molecule().GetEnvelope(), nullptr);
    m_prompts.PushAnswer(zel::IDYES);
    m_doc->OnCommand(cmd::EnvelopeDelete);
    EXPECT_EQ(Molecule().GetEnvelope(), nullptr);
    EXPECT_EQ(m_prompts.Texts().back(), "Do you really want to delete the envelope grid?");
    EXPECT_TRUE(Enabled(cmd::EnvelopeInit));
}

// Cancel behind the progress dialog of a new grid leaves no envelope, and the
// field the user had.
TEST_F(EnvelopeCommandsTest, CancelledInitialGridLeavesNoEnvelope) {
    Molecule().SetFieldIndex(1);
    zel::RegisterJobBody(zel::kJobEnvelopeCalculate, [](void* object) {
        while (!IsCancelRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        static_cast<CEnvelop*>(object)->Calculate();
    });
    zel::test::WhenVisible<CDefEnvGridDlg>([](CDefEnvGridDlg* d) { Click(d, zel::IDOK); });
    std::string status;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* progress) {
        status = GetStatusText();
        EXPECT_EQ(progress->windowTitle().toStdString(), "Calculation of initial envelope grid");
        Click(progress, zel::IDCANCEL);
    });
    m_doc->OnCommand(cmd::EnvelopeInit);
    EXPECT_EQ(status, "No. of gridpoints to calculate: 693");
    EXPECT_EQ(m_prompts.Texts(), Texts{CEnvelop::kCalculationFailed});
    EXPECT_EQ(Molecule().GetEnvelope(), nullptr);
    EXPECT_EQ(Molecule().GetFieldIndex(), 1);
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_TRUE(Enabled(cmd::EnvelopeInit));
}

// The status line of a refinement of 7 x 7 x 7 points with mesh 1.
TEST_F(EnvelopeCommandsTest, RefinementStatusLine) {
    CEnvelop envelope(&Molecule());
    envelope.SetCounts(7, 7, 7);
    envelope.SetOrigin(CVector(-3, -3, -3));
    EXPECT_EQ(InitEnvelopeStatus(envelope), "No. of gridpoints to calculate: 343");
    ASSERT_EQ(envelope.Calculate(), 1);
    EXPECT_EQ(RefineEnvelopeStatus(envelope),
              "Decrease mesh size to 0.500000, no. of new gridpoints to calculate: 2197");
}

TEST_F(EnvelopeCommandsTest, MapDialogEditsTheMapOptions) {
    InitializeGrid();
    CEnvelop* envelope = Molecule().GetEnvelope();
    CEnvMapOptions& options = Molecule().GetEnvMapOptions();
    CAtom* oxygen = Molecule().GetAtomList().front().get();
    ASSERT_EQ(oxygen->GetCharge(), 8.0);

    // Cancel changes nothing.
    zel::test::WhenVisible<CEnvOptionsDlg>([](CEnvOptionsDlg* d) {
        SetText(d, CEnvOptionsDlg::kMinValue, "0.5");
        Click(d, zel::IDCANCEL);
    });
    m_doc->OnCommand(cmd::EnvelopeMap);
    EXPECT_EQ(options.MinValue, 0.1);

    m_colors.PushColor(zel::RGB(0, 255, 0));
    Texts shown, labels;
    zel::test::WhenVisible<CEnvOptionsDlg>([&](CEnvOptionsDlg* d) {
        using D = CEnvOptionsDlg;
        EXPECT_EQ(d->windowTitle().toStdString(), D::kTitle);
        for (int id : {D::kFieldName, D::kPointCount, D::kMeshSize, D::kMinValue, D::kMaxValue,
                       D::kTransparency, D::kSphereSize})
            shown.push_back(Text(d, id));
        EXPECT_TRUE(d->DlgItem<QRadioButton>(D::kSpheres)->isChecked());
        EXPECT_TRUE(d->GetDlgItem(D::kSphereSize)->isEnabled());
        auto* list = d->DlgItem<QListWidget>(D::kAtoms);
        labels = zel::test::ListLines(list);
        list->findItems(QString::fromStdString(oxygen->GetLabel()), Qt::MatchExactly)
            .front()
            ->setSelected(true);
        Click(d, D::kMinColor);
        Click(d, D::kSurface);
        EXPECT_FALSE(d->GetDlgItem(D::kSphereSize)->isEnabled());
        EXPECT_FALSE(d->GetDlgItem(D::kSurfaceOnly)->isEnabled());
        SetText(d, D::kTransparency, "2");
        Click(d, zel::IDOK);
        EXPECT_TRUE(d->isVisible());
        SetText(d, D::kTransparency, "0.5");
        Click(d, zel::IDOK);
    });
    m_doc->OnCommand(cmd::EnvelopeMap);
    EXPECT_EQ(shown, (Texts{"RHO, electron density", "693", "1.000000", "0.1", "9999999", "1", "0.1"}));
    Texts sorted;
    for (const auto& atom : Molecule().GetAtomList())
        sorted.push_back(atom->GetLabel());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(labels, sorted);
    EXPECT_EQ(m_prompts.Texts(), Texts{"Enter a number between 0 and 1."});
    EXPECT_EQ(m_colors.ColorRequests(), std::vector<zel::COLORREF>{zel::RGB(255, 255, 255)});
    EXPECT_EQ(options.MinColor, zel::RGB(0, 255, 0));
    EXPECT_EQ(options.MaxColor, zel::RGB(255, 255, 255));
    EXPECT_EQ(options.Atoms, std::vector<CAtom*>{oxygen});
    EXPECT_EQ(options.DisplayMode, 1);
    EXPECT_EQ(options.Transparency, 0.5);
    EXPECT_EQ(options.SurfaceOnly, 1);
    EXPECT_EQ(options.SphereSize, 0.1);

    // The map now holds the oxygen's basin only.
    const CEnvGrid& grid = *envelope->GetGrid();
    int inside = 0, wrong = 0;
    for (int i = 0; i < grid.GetCount(0); ++i)
        for (int j = 0; j < grid.GetCount(1); ++j)
            for (int k = 0; k < grid.GetCount(2); ++k) {
                const CEnvPoint& p = grid.At(i, j, k);
                const bool expected = p.GetAtom() == oxygen && p.GetValue(0) >= 0.1;
                inside += p.IsInside();
                if (p.IsInside() != (expected ? 1 : 0)) ++wrong;
            }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(wrong, 0);
}

// A grid of more than 50,000 points gets its map on the worker behind the
// progress dialog, which the map dialog's OK opens; the flags then are the
// map's: inside within the window, on the surface beside a point outside.
TEST_F(EnvelopeCommandsTest, LargeMapIsDerivedBehindTheProgressDialog) {
    auto envelope = std::make_unique<CEnvelop>(&Molecule());
    envelope->SetCounts(37, 37, 37);
    envelope->SetOrigin(CVector(-18, -18, -18));
    envelope->SetThreshold(999999.0); // no basins: the points need no paths
    ASSERT_EQ(envelope->Calculate(), 1);
    Molecule().SetEnvelop(std::move(envelope));
    const zel::test::ShowRecorder<CComputeDlg> progress(
        [](CComputeDlg* dlg) { return dlg->windowTitle().toStdString() + ": " + GetStatusText(); });
    zel::test::WhenVisible<CEnvOptionsDlg>([](CEnvOptionsDlg* d) {
        SetText(d, CEnvOptionsDlg::kMinValue, "0.005");
        Click(d, zel::IDOK);
    });
    m_doc->OnCommand(cmd::EnvelopeMap);
    EXPECT_EQ(progress.Seen(), Texts{"Envelope map: Deriving the map of 50653 grid points"});

    const CEnvGrid& grid = *Molecule().GetEnvelope()->GetGrid();
    const auto inside = [&](int i, int j, int k) {
        return grid.Contains(i, j, k) && grid.At(i, j, k).GetValue(0) >= 0.005;
    };
    int insideCount = 0, surfaceCount = 0, wrong = 0;
    for (int i = 0; i < 37; ++i)
        for (int j = 0; j < 37; ++j)
            for (int k = 0; k < 37; ++k) {
                bool surface = false;
                for (int a = -1; a <= 1; ++a)
                    for (int b = -1; b <= 1; ++b)
                        for (int c = -1; c <= 1; ++c)
                            surface |= grid.Contains(i + a, j + b, k + c) && !inside(i + a, j + b, k + c);
                surface &= inside(i, j, k);
                const CEnvPoint& p = grid.At(i, j, k);
                insideCount += p.IsInside();
                surfaceCount += p.IsOnSurface();
                wrong += p.IsInside() != (inside(i, j, k) ? 1 : 0) || p.IsOnSurface() != (surface ? 1 : 0);
            }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(insideCount, surfaceCount);
    EXPECT_GT(surfaceCount, 0);
}

} // namespace
