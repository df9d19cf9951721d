// The control pane on a document: the lists it fills from the molecule, the
// choices that reach the molecule, and refills that must not act as choices.

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/CritPointSearch.h"
#include "analysis/Envelop.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "platform/qt/Help.h"
#include "platform/qt/Settings.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/ZelmoraDoc.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines Entries(const QComboBox* list) {
    Lines lines;
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(list->itemText(i).toStdString());
    return lines;
}

// What the user does: pick an entry, which the list reports as activated.
void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

struct CountingView : CDocView {
    QWidget* GetWidget() override { return nullptr; }
    void OnUpdate() override { ++updates; }
    int updates = 0;
};

class CTitledPlot : public CPlot {
public:
    CTitledPlot(CMolecule* molecule, const std::string& title) : CPlot(molecule) {
        GetTitle()->SetText(title);
    }
};

class ControlViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_doc.AddView(&m_pane);
        m_doc.AddView(&m_counter);
        m_pane.OnInitialUpdate();
    }
    void TearDown() override {
        m_doc.RemoveView(&m_counter);
        m_doc.RemoveView(&m_pane);
    }

    CMolecule& Molecule() { return *m_doc.GetMolecule(); }
    QComboBox* List(int id) { return m_pane.GetList(id); }

    void LoadWater() {
        std::ifstream in(analysistest::FixturePath("water.wfn"));
        ASSERT_TRUE(in.good());
        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService promptGuard(prompts);
        ASSERT_EQ(Molecule().LoadWavefunction(in), 1);
        m_doc.UpdateAllViews();
        m_counter.updates = 0;
    }

    // The density's maxima and bond points, and the bond paths.
    void SearchBondPaths() {
        analysistest::CQuietProgress quiet;
        zel::CTextRecord log;
        CCritPointSearch search(Molecule(), Molecule().GetPropertyName(-1), log, quiet);
        search.SearchFromNuclei();
        search.SearchFromMaximaPairs();
        CalcBondPaths(Molecule(), log, quiet);
        m_doc.UpdateAllViews();
        m_counter.updates = 0;
    }

    CAtom* AtomAt(std::size_t i) { return std::next(Molecule().GetAtomList().begin(), i)->get(); }

    // The pane is a widget: the application comes first.
    QApplication& m_app = zel::test::App();
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    CZelmoraDoc m_doc;
    CControlView m_pane{&m_doc};
    CountingView m_counter;
};

TEST_F(ControlViewTest, EmptyDocumentListsOnlyTheFields) {
    EXPECT_EQ(Molecule().GetControlView(), &m_pane);
    const Lines fields = {"RHO, electron density", "L, Laplacian of Rho",
                          "KEG, Lagrangian kinetic energy density", "KEK, Hamiltonian kinetic energy density",
                          "VIR, Virial Field Function"};
    LoadWater();
    ASSERT_EQ(List(CControlView::kAtomList)->count(), 3);
    Choose(List(CControlView::kFieldList), 3);
    m_doc.DeleteContents();
    EXPECT_EQ(Entries(List(CControlView::kFieldList)), fields);
    EXPECT_EQ(List(CControlView::kFieldList)->currentText().toStdString(), "RHO, electron density");
    for (int id : {CControlView::kPlotList, CControlView::kAtomList, CControlView::kSurfaceList})
        EXPECT_EQ(List(id)->count(), 0) << id;
    for (int id : {1057, 1058, 1059, 1060})
        EXPECT_EQ(m_pane.findChild<QComboBox*>(QString::number(id)), List(id));

    // A pane that goes takes its registration with it.
    {
        CControlView other(&m_doc);
        other.OnInitialUpdate();
        EXPECT_EQ(Molecule().GetControlView(), &other);
    }
    EXPECT_EQ(Molecule().GetControlView(), nullptr);
}

TEST_F(ControlViewTest, AtomEntriesAndChoice) {
    LoadWater();
    Lines expected;
    for (const auto& atom : Molecule().GetAtomList()) {
        const CVector p = atom->GetPosition();
        expected.push_back(atom->GetLabel() + zel::Sprintf(":%8.4lf,%8.4lf,%8.4lf", p.x, p.y, p.z));
    }
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expected[1], AtomAt(1)->GetLabel() + ":  0.0000,  1.4309, -0.8867");
    QComboBox* atoms = List(CControlView::kAtomList);
    EXPECT_EQ(Entries(atoms), expected);
    EXPECT_EQ(atoms->currentIndex(), -1);

    Choose(atoms, 2);
    EXPECT_EQ(Molecule().GetCurrentAtom(), AtomAt(2));
    EXPECT_EQ(m_counter.updates, 1);
    EXPECT_EQ(atoms->currentIndex(), 2);

    // A position with no atom behind it gives no current atom.
    for (int index : {-1, 3}) {
        Molecule().SetCurrentAtom(AtomAt(0));
        atoms->setCurrentIndex(index);
        m_pane.OnSelChangeAtom();
        EXPECT_EQ(Molecule().GetCurrentAtom(), nullptr) << index;
    }
}

// Refilling the lists from the molecule is no choice of the user: the current
// atom, surface, field and plot entry stay, and no further update runs.
TEST_F(ControlViewTest, RefillingDoesNotActAsAChoice) {
    LoadWater();
    SearchBondPaths();
    ASSERT_EQ(List(CControlView::kSurfaceList)->count(), 2);
    auto* bond = static_cast<CBondPoint*>(Molecule().GetList(-1)->back().get());
    Molecule().SetCurrentAtom(AtomAt(1));
    Molecule().SetCurrentSurface(bond);
    Molecule().SetPlotIndex(4);
    m_counter.updates = 0;

    m_doc.UpdateAllViews();
    m_pane.SetFieldIndex(0);
    EXPECT_EQ(m_counter.updates, 1);
    EXPECT_EQ(Molecule().GetCurrentAtom(), AtomAt(1));
    EXPECT_EQ(Molecule().GetCurrentSurface(), bond);
    EXPECT_EQ(Molecule().GetPlotIndex(), 4);
    EXPECT_EQ(List(CControlView::kAtomList)->currentIndex(), 1);
    EXPECT_EQ(List(CControlView::kSurfaceList)->currentIndex(), 1);

    // Emptying the document shows field 0 and clears the lists, again without
    // choosing.
    Choose(List(CControlView::kFieldList), 2);
    EXPECT_EQ(m_counter.updates, 2);
    m_doc.DeleteContents();
    EXPECT_EQ(m_counter.updates, 3);
    EXPECT_EQ(List(CControlView::kFieldList)->currentIndex(), 0);
    EXPECT_EQ(Molecule().GetFieldIndex(), 0);
    EXPECT_EQ(Molecule().GetPlotIndex(), 0);
}

// On water the two bond points give one entry each, named by the atoms whose
// nuclei lie nearest to the chosen point; choosing updates no view.
TEST_F(ControlViewTest, SurfaceEntriesLeadToTheirBondPoints) {
    LoadWater();
    SearchBondPaths();
    QComboBox* surfaces = List(CControlView::kSurfaceList);
    const Lines entries = Entries(surfaces);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(surfaces->currentIndex(), -1);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(entries[static_cast<std::size_t>(i)]);
        Choose(surfaces, i);
        const CBondPoint* chosen = Molecule().GetCurrentSurface();
        ASSERT_NE(chosen, nullptr);
        std::vector<const CAtom*> byDistance;
        for (const auto& atom : Molecule().GetAtomList())
            byDistance.push_back(atom.get());
        std::sort(byDistance.begin(), byDistance.end(), [&](const CAtom* a, const CAtom* b) {
            return (a->GetPosition() - chosen->GetPosition()).Length() <
                   (b->GetPosition() - chosen->GetPosition()).Length();
        });
        const std::string pair1 = byDistance[0]->GetLabel() + " / " + byDistance[1]->GetLabel();
        const std::string pair2 = byDistance[1]->GetLabel() + " / " + byDistance[0]->GetLabel();
        EXPECT_TRUE(entries[static_cast<std::size_t>(i)] == pair1 ||
                    entries[static_cast<std::size_t>(i)] == pair2);
        EXPECT_NE(entries[static_cast<std::size_t>(i)].find(AtomAt(0)->GetLabel()), std::string::npos);
    }
    EXPECT_NE(entries[0], entries[1]);
    EXPECT_EQ(m_counter.updates, 0);

    // The pane shows the current surface after a refill; no pair at the
    // position gives no current surface.
    m_doc.UpdateAllViews();
    EXPECT_EQ(surfaces->currentIndex(), 1);
    for (int index : {-1, 2}) {
        surfaces->setCurrentIndex(index);
        m_pane.OnSelChangeSurface();
        EXPECT_EQ(Molecule().GetCurrentSurface(), nullptr) << index;
    }
}

// The walk over a bond point's ascending paths, on hand-made points: only
// density paths up to maxima count, taken in the order of their maxima (as a
// reopened document has them); the first atom may be sought past a maximum
// without atom, the second may not.
TEST_F(ControlViewTest, SurfacePairsFromTheAscendingPaths) {
    LoadWater();
    CMolecule& m = Molecule();
    auto* maxO = new CMaxPoint(&m, m.NextObjectNumber(), 0, AtomAt(0)->GetPosition(), 0.0);
    auto* maxH = new CMaxPoint(&m, m.NextObjectNumber(), 0, AtomAt(1)->GetPosition(), 0.0);
    auto* lonely = new CMaxPoint(&m, m.NextObjectNumber(), 0, CVector(40.0, 40.0, 40.0), 0.0);
    auto* otherBond = new CBondPoint(&m, m.NextObjectNumber(), 0, CVector(30.0, 0.0, 0.0), 0.0);
    for (CCritPoint* maximum : {maxO, maxH, lonely})
        m.GetList(-3)->emplace_back(maximum);
    m.GetList(-1)->emplace_back(otherBond);
    ASSERT_EQ(maxO->GetAtom(), AtomAt(0));
    ASSERT_EQ(lonely->GetAtom(), nullptr);
    const std::string oh = AtomAt(0)->GetLabel() + " / " + AtomAt(1)->GetLabel();

    struct Path {
        CCritPoint* end;
        int field;
    };
    struct Case {
        const char* name;
        std::vector<Path> paths;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {"two density paths", {{maxO, 0}, {maxH, 0}}, {oh}},
        // In the order a reopened document has the paths: by their maxima.
        {"the maxima decide the order", {{maxH, 0}, {maxO, 0}}, {oh}},
        {"paths of another field", {{maxO, 1}, {maxH, 1}}, {}},
        {"one density path", {{maxO, 0}, {maxH, 1}}, {}},
        {"maximum without atom first", {{lonely, 0}, {maxO, 0}, {maxH, 0}}, {oh}},
        {"second maximum without atom", {{maxO, 0}, {lonely, 0}}, {}},
        {"no end and a bond point skipped", {{nullptr, 0}, {otherBond, 0}, {maxO, 0}, {maxH, 0}}, {oh}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* bond = new CBondPoint(&m, m.NextObjectNumber(), 0, CVector(0.0, 0.7, -0.3), 0.0);
        m.GetList(-1)->emplace_back(bond);
        for (const Path& p : c.paths) {
            auto* path = new CGradPath(&m, m.NextObjectNumber(), p.field);
            path->SetLowerPoint(bond);
            bond->AddAscendingPath(path);
            path->SetUpperPoint(p.end);
            if (p.end) p.end->AddDescendingPath(path);
        }
        const std::vector<CControlView::SSurfaceEntry> found = CControlView::ListSurfaces(m);
        Lines texts;
        for (const auto& entry : found) {
            texts.push_back(entry.text);
            EXPECT_EQ(entry.point, bond);
        }
        EXPECT_EQ(texts, c.expected);
        m_doc.UpdateAllViews();
        EXPECT_EQ(Entries(List(CControlView::kSurfaceList)), c.expected);
        m.GetList(-1)->pop_back();
    }
}

// The plot list shows the current field's plots in list order; the refill
// selects the stored entry, choosing takes the first plot of that title, and
// a new field leaves the list without selection and no plot current.
TEST_F(ControlViewTest, PlotListAndFieldChange) {
    LoadWater();
    CMolecule& m = Molecule();
    auto add = [&](int field, const char* title) {
        m.SetFieldIndex(field);
        auto plot = std::make_unique<CTitledPlot>(&m, title);
        CPlot* raw = plot.get();
        m.GetPlotList().push_back(std::move(plot));
        m.SetFieldIndex(0);
        return raw;
    };
    CPlot* first = add(0, "Same");
    CPlot* laplacian = add(1, "Laplacian");
    add(0, "Same");
    CPlot* last = add(0, "Last");
    QComboBox* plots = List(CControlView::kPlotList);

    m.SetPlotIndex(2);
    m_doc.UpdateAllViews();
    EXPECT_EQ(Entries(plots), (Lines{"Same", "Same", "Last"}));
    EXPECT_EQ(plots->currentIndex(), 2);
    EXPECT_EQ(m.GetCurrentPlot(), last);
    // After an open or a delete no plot is shown, and the list names none.
    m.SetPlotState(2);
    m_doc.UpdateAllViews();
    EXPECT_EQ(plots->currentIndex(), -1);
    EXPECT_EQ(m.GetCurrentPlot(), nullptr);

    m_counter.updates = 0;
    Choose(plots, 1);
    EXPECT_EQ(m.GetCurrentPlot(), first);
    EXPECT_EQ(m.GetPlotIndex(), 1);
    EXPECT_EQ(m.GetPlotState(), 0);
    EXPECT_EQ(m_counter.updates, 1);

    m_counter.updates = 0;
    Choose(List(CControlView::kFieldList), 1);
    EXPECT_EQ(m.GetFieldIndex(), 1);
    EXPECT_EQ(m.GetPlotIndex(), 0);
    EXPECT_EQ(m.GetCurrentPlot(), nullptr);
    EXPECT_EQ(Entries(plots), Lines{"Laplacian"});
    EXPECT_EQ(plots->currentIndex(), -1);
    EXPECT_EQ(m_counter.updates, 1);
    // The next refill selects the stored entry again.
    m_doc.UpdateAllViews();
    EXPECT_EQ(plots->currentIndex(), 0);
    EXPECT_EQ(m.GetCurrentPlot(), laplacian);

    // A stored position beyond the list selects nothing and makes no plot current.
    m.SetPlotIndex(7);
    m_doc.UpdateAllViews();
    EXPECT_EQ(plots->currentIndex(), -1);
    EXPECT_EQ(m.GetCurrentPlot(), nullptr);
    m.SetCurrentPlot(nullptr);
    m.GetPlotList().clear();
}

// While a job runs it changes the molecule's lists: the pane shows what it
// showed before and refills once the job is over.
// A change of field derives the envelope map for the new field: a window
// below 0 holds no density, but the negative Laplacian at the centre.
TEST_F(ControlViewTest, FieldChangeDerivesTheEnvelopeMapForTheNewField) {
    LoadWater();
    CMolecule& m = Molecule();
    zel::CArchive bytes;
    bytes << 3 << 3 << 3 << 0.0 << 0.0 << 0.0 << 0.0 << 3.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) {
                const bool centre = i == 1 && j == 1 && k == 1;
                bytes << double(i) << double(j) << double(k) << 0 << 1.0 << (centre ? -1.0 : 1.0) << 0.0
                      << 0.0 << 0.0;
            }
    m.GetEnvMapOptions().MinValue = -2.0;
    m.GetEnvMapOptions().MaxValue = 0.0;
    auto envelope = std::make_unique<CEnvelop>(&m);
    zel::CArchive in(bytes.Bytes());
    envelope->Serialize(in);
    const CEnvGrid& grid = *envelope->GetGrid();
    m.SetEnvelop(std::move(envelope));
    EXPECT_EQ(grid.At(1, 1, 1).IsInside(), 0);

    Choose(List(CControlView::kFieldList), 1);
    EXPECT_EQ(m.GetFieldIndex(), 1);
    EXPECT_EQ(grid.At(1, 1, 1).IsInside(), 1);
    EXPECT_EQ(grid.At(1, 1, 0).IsInside(), 0);
    // Field 3 is 0 everywhere, which the window holds.
    Choose(List(CControlView::kFieldList), 3);
    EXPECT_EQ(grid.At(1, 1, 0).IsInside(), 1);
}

TEST_F(ControlViewTest, ListsStayWhileAJobRuns) {
    LoadWater();
    {
        CMolecule::CJobScope job(Molecule());
        Molecule().GetAtomList().push_back(
            std::make_unique<CAtom>(Molecule().NextObjectNumber(), "X9", CVector(1, 2, 3), 0.0, &Molecule()));
        m_doc.UpdateAllViews();
        EXPECT_EQ(List(CControlView::kAtomList)->count(), 3);
    }
    m_doc.UpdateAllViews();
    EXPECT_EQ(List(CControlView::kAtomList)->count(), 4);
}

TEST_F(ControlViewTest, ContextHelpCommand) {
    zel::test::ScopedTestSettings settings;
    const QString book = QDir(settings.Folder()).filePath(QStringLiteral("help/zelmora"));
    ASSERT_TRUE(QDir().mkpath(book));
    QFile page(QDir(book).filePath(QStringLiteral("controlview.htm")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body>Control pane</body></html>");
    page.close();
    {
        const auto store = zel::OpenSettings();
        store->setValue(QStringLiteral("Help/Path"),
                        QDir(settings.Folder()).filePath(QStringLiteral("help")));
        store->setValue(QStringLiteral("Help/File"), QStringLiteral("zelmora.chm"));
    }

    CCmdUI ui;
    ui.id = cmd::ContextHelp;
    ui.enabled = false;
    EXPECT_TRUE(m_pane.OnUpdateCommand(ui));
    EXPECT_TRUE(ui.enabled);
    CCmdUI other;
    other.id = cmd::FileSave;
    EXPECT_FALSE(m_pane.OnUpdateCommand(other));
    EXPECT_FALSE(m_pane.OnCommand(cmd::FileSave));

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    EXPECT_TRUE(m_pane.OnCommand(cmd::ContextHelp));
    EXPECT_TRUE(prompts.Texts().empty());
    zel::CHelpViewer* viewer = zel::CHelpViewer::Existing();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->CurrentPage().toLocalFile(), page.fileName());
    viewer->hide();
}

} // namespace
