// The dialogs of a molecular-graph plot: the page set-up (what it shows, its
// unit, orientation and paper buttons, the entries it refuses and that a
// refusal changes nothing), the plane set-up (its list, picking, the
// projected centre, Apply in 3DView, points on one line), and the plot's own
// dialog (switches enabled by the field, numbering of a new plot, angles,
// sizes, colours, the font at zoom 1, the size spins).

#include "../analysis/GraphTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "plots/MolGraphPlot.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PageSetupDlg.h"
#include "ui/PlaneSetupDlg.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

class CountingView : public I3DView {
public:
    void Redraw() override { ++redraws; }
    int redraws = 0;
};

class PlotDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        CPlot::ResetPlotCounter();
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.4, 0, 0}}));
        molecule.Set3DView(&view);
    }
    void TearDown() override { molecule.Set3DView(nullptr); }

    // Runs the dialog modally, acting on it once it shows.
    template <class Dialog> int Run(Dialog& dialog, std::function<void(Dialog*)> act) {
        zel::test::WhenVisible<Dialog>(std::move(act), [&dialog](Dialog* shown) { return shown == &dialog; });
        return dialog.DoModal();
    }

    CMolGraphPlot* AddPlot(int field = 0) {
        const int previous = molecule.GetFieldIndex();
        molecule.SetFieldIndex(field);
        auto plot = std::make_unique<CMolGraphPlot>(&molecule);
        molecule.SetFieldIndex(previous);
        CMolGraphPlot* raw = plot.get();
        CPlot::IncrementPlotCounter();
        molecule.GetPlotList().push_front(std::move(plot));
        return raw;
    }

    static std::string Text(zel::CDialog* dialog, int id) { return dialog->GetDlgItemText(id); }
    static void SetText(zel::CDialog* dialog, int id, const std::string& text) {
        dialog->DlgItem<QLineEdit>(id)->setText(QString::fromStdString(text));
    }
    static void Click(zel::CDialog* dialog, int id) { dialog->DlgItem<QAbstractButton>(id)->click(); }
    static bool Checked(zel::CDialog* dialog, int id) {
        return dialog->DlgItem<QAbstractButton>(id)->isChecked();
    }

    CMolecule molecule;
    CountingView view;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
    zel::CScriptedColorFontChooser chooser;
    zel::ScopedColorFontChooser chooserGuard{chooser};
};

// --- page set-up ------------------------------------------------------------------------

TEST_F(PlotDialogsTest, PageSetupShowsThePageAndItsButtonsConvert) {
    CMolGraphPlot* plot = AddPlot();
    CPageSetupDlg dialog(plot);
    EXPECT_EQ(Run<CPageSetupDlg>(dialog,
                                 [](CPageSetupDlg* d) {
                                     using D = CPageSetupDlg;
                                     EXPECT_EQ(Text(d, D::kWidth), "210.00");
                                     EXPECT_EQ(Text(d, D::kHeight), "297.00");
                                     for (int id : {D::kLeft, D::kRight, D::kTop, D::kBottom})
                                         EXPECT_EQ(Text(d, id), "30.00");
                                     EXPECT_TRUE(Checked(d, D::kMm));
                                     EXPECT_TRUE(Checked(d, D::kPortrait));
                                     EXPECT_TRUE(Checked(d, D::kDisplay));
                                     for (int id : {D::kA4, D::kA3, D::kLetter})
                                         EXPECT_FALSE(Checked(d, id));

                                     Click(d, D::kInch);
                                     EXPECT_EQ(Text(d, D::kWidth), "8.268");
                                     EXPECT_EQ(Text(d, D::kLeft), "1.181");
                                     Click(d, D::kInch); // in force: nothing
                                     EXPECT_EQ(Text(d, D::kWidth), "8.268");
                                     Click(d, D::kMm);
                                     EXPECT_EQ(Text(d, D::kWidth), "210");
                                     EXPECT_EQ(Text(d, D::kLeft), "30");

                                     Click(d, D::kLandscape);
                                     EXPECT_EQ(Text(d, D::kWidth), "297");
                                     EXPECT_EQ(Text(d, D::kHeight), "210");
                                     Click(d, D::kLandscape);
                                     EXPECT_EQ(Text(d, D::kWidth), "297");

                                     Click(d, D::kInch);
                                     Click(d, D::kA3);
                                     EXPECT_EQ(Text(d, D::kWidth), "16.535");
                                     EXPECT_EQ(Text(d, D::kHeight), "11.693");
                                     EXPECT_FALSE(Checked(d, D::kA3)); // a one-shot command
                                     Click(d, zel::IDCANCEL);
                                 }),
              zel::IDCANCEL);
    // Cancel changed nothing.
    EXPECT_EQ(plot->GetPageSetup().m_dPaperWidth, 210.0);
    EXPECT_EQ(plot->GetUnitsFactor(), 100);
}

TEST_F(PlotDialogsTest, PageSetupRefusalsLeaveThePlotAsItWas) {
    CMolGraphPlot* other = AddPlot();
    other->GetTitle()->SetText("Taken");
    CMolGraphPlot* otherField = AddPlot(1);
    otherField->GetTitle()->SetText("Other field");
    CMolGraphPlot* plot = AddPlot();
    const std::string title = plot->GetTitle()->GetText();
    const zel::CRect border = plot->GetBorder()->GetRect();

    using D = CPageSetupDlg;
    struct Case {
        int id;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {D::kTitle, "Taken", D::kSameTitle}, {D::kWidth, "0", D::kBadLength},
        {D::kHeight, "-3", D::kBadLength},   {D::kWidth, "abc", D::kBadLength},
        {D::kLeft, "-1", D::kBadLeft},       {D::kRight, "-0.5", D::kBadRight},
        {D::kTop, "-2", D::kBadTop},         {D::kBottom, "-9", D::kBadBottom},
        {D::kLeft, "180", D::kNoWidthLeft},  {D::kBottom, "267", D::kNoHeightLeft},
        {D::kWidth, "1e999", D::kBadLength},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.id));
        CPageSetupDlg dialog(plot);
        const std::size_t shown = prompts.Texts().size();
        EXPECT_EQ(Run<D>(dialog,
                         [&](D* d) {
                             // A new title with the refused entry: neither stays.
                             if (c.id != D::kTitle) SetText(d, D::kTitle, "Renamed");
                             SetText(d, c.id, c.text);
                             Click(d, zel::IDOK);
                             EXPECT_TRUE(d->isVisible()); // still open
                             Click(d, zel::IDCANCEL);
                         }),
                  zel::IDCANCEL);
        ASSERT_EQ(prompts.Texts().size(), shown + 1);
        EXPECT_EQ(prompts.Texts().back(), c.message);
        EXPECT_EQ(plot->GetTitle()->GetText(), title);
        EXPECT_EQ(plot->GetBorder()->GetRect(), border);
    }

    // A title of a plot of another field, margins of 0 and the plot's own
    // title are accepted.
    CPageSetupDlg accepted(plot);
    EXPECT_EQ(Run<D>(accepted,
                     [](D* d) {
                         SetText(d, D::kTitle, "Other field");
                         for (int id : {D::kLeft, D::kRight, D::kTop, D::kBottom})
                             SetText(d, id, "0");
                         Click(d, zel::IDOK);
                     }),
              zel::IDOK);
    EXPECT_EQ(plot->GetTitle()->GetText(), "Other field");
    EXPECT_EQ(plot->GetBorder()->GetRect(), (zel::CRect{-10500, 14850, 10500, -14850}));
}

TEST_F(PlotDialogsTest, PageSetupOkInInchesTakesThePageAndTheBorder) {
    CMolGraphPlot* plot = AddPlot();
    CPageSetupDlg dialog(plot);
    EXPECT_EQ(Run<CPageSetupDlg>(dialog,
                                 [](CPageSetupDlg* d) {
                                     using D = CPageSetupDlg;
                                     Click(d, D::kInch);
                                     SetText(d, D::kLeft, "1");
                                     SetText(d, D::kTitle, "Benzene");
                                     d->DlgItem<QAbstractButton>(D::kDisplay)->setChecked(false);
                                     d->findChild<QPlainTextEdit*>()->setPlainText(
                                         QStringLiteral("two\nlines"));
                                     Click(d, zel::IDOK);
                                 }),
              zel::IDOK);
    const CPageSetup page = plot->GetPageSetup();
    EXPECT_EQ(page.m_bMM, 0);
    EXPECT_EQ(page.m_wUnits, 2540);
    EXPECT_EQ(page.m_dPaperWidth, 8.268);
    EXPECT_EQ(page.m_dMarginLeft, 1.0);
    EXPECT_EQ(page.m_strDescription, "two\nlines");
    EXPECT_EQ(plot->GetUnitsFactor(), 2540);
    EXPECT_EQ(plot->GetTitle()->GetText(), "Benzene");
    EXPECT_FALSE(plot->GetTitle()->IsVisible());
    // W = (int)(2540 * 8.268) = 21000, left = -10500 + 2540.
    EXPECT_EQ(plot->GetBorder()->GetRect().left, -10500 + 2540);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
}

// --- plane set-up -------------------------------------------------------------------------

TEST_F(PlotDialogsTest, PlaneSetupListsPicksAndProjectsTheCentre) {
    graphtest::AddPoint<CBondPoint>(molecule, 0, {0, 1.2345, -2});
    graphtest::AddPoint<CBondPoint>(molecule, 1, {9, 9, 9}); // another field: not listed
    CMolGraphPlot* plot = AddPlot();
    CPlaneSetupDlg dialog(plot);
    EXPECT_EQ(Run<CPlaneSetupDlg>(dialog,
                                  [](CPlaneSetupDlg* d) {
                                      using D = CPlaneSetupDlg;
                                      EXPECT_EQ(Text(d, D::kText), "TEXT");
                                      auto* list = d->DlgItem<QListWidget>(D::kList);
                                      EXPECT_EQ(zel::test::ListLines(list),
                                                (std::vector<std::string>{
                                                    "H1 0.000000 0.000000 0.000000 ",
                                                    "H2 1.400000 0.000000 0.000000 ",
                                                    "(3,-1) 0.000000 1.234500 -2.000000 ",
                                                }));
                                      Click(d, D::kPickB); // nothing selected: nothing
                                      EXPECT_EQ(Text(d, D::kBx), "1");
                                      list->setCurrentRow(2);
                                      Click(d, D::kPickB);
                                      EXPECT_EQ(Text(d, D::kBx), "0");
                                      EXPECT_EQ(Text(d, D::kBy), "1.2345");
                                      EXPECT_EQ(Text(d, D::kBz), "-2");

                                      SetText(d, D::kBx, "1");
                                      SetText(d, D::kBy, "0");
                                      SetText(d, D::kBz, "0");
                                      SetText(d, D::kCentreX, "0.5");
                                      SetText(d, D::kCentreY, "0.5");
                                      SetText(d, D::kCentreZ, "3");
                                      SetText(d, D::kWidth, "4");
                                      SetText(d, D::kHeight, "2");
                                      Click(d, zel::IDOK);
                                  }),
              zel::IDOK);
    const CPlotPlane plane = plot->GetPlane();
    EXPECT_EQ(plane.Centre, CVector(0.5, 0.5, 0.0));
    EXPECT_EQ(plane.Width, 4.0);
    // The width runs along AB, the longest side, the height across it.
    EXPECT_NEAR((plane.Corner2 - plane.Corner0).Length(), 4.0, 1e-12);
    EXPECT_NEAR((plane.Corner1 - plane.Corner0).Length(), 2.0, 1e-12);
    EXPECT_NEAR(plane.Corner0.z, 0.0, 1e-12);
}

TEST_F(PlotDialogsTest, PlaneSetupRefusesPointsOnOneLine) {
    CMolGraphPlot* plot = AddPlot();
    const CPlotPlane before = plot->GetPlane();
    using D = CPlaneSetupDlg;
    for (int command : {D::kProjectCentre, D::kApply, static_cast<int>(zel::IDOK)}) {
        SCOPED_TRACE(command);
        CPlaneSetupDlg dialog(plot);
        const std::size_t shown = prompts.Texts().size();
        EXPECT_EQ(Run<D>(dialog,
                         [command](D* d) {
                             // C on the line through A and B.
                             SetText(d, D::kCx, "2");
                             SetText(d, D::kCy, "0");
                             SetText(d, D::kCentreZ, "5");
                             Click(d, command);
                             EXPECT_TRUE(d->isVisible());
                             EXPECT_EQ(Text(d, D::kCentreZ), "5");
                             Click(d, zel::IDCANCEL);
                         }),
                  zel::IDCANCEL);
        ASSERT_EQ(prompts.Texts().size(), shown + 1);
        EXPECT_EQ(prompts.Texts().back(), CPlot::kNoPlane);
        const CPlotPlane after = plot->GetPlane();
        EXPECT_EQ(after.Corner0, before.Corner0);
        EXPECT_EQ(after.Corner1, before.Corner1);
        EXPECT_EQ(after.PointC, before.PointC);
    }
}

// A rectangle without area is refused where it is typed, as points on one
// line are: the message, the focus in the field, the plot's plane unchanged.
TEST_F(PlotDialogsTest, PlaneSetupRefusesAPlaneOfWidthOrHeightZero) {
    CMolGraphPlot* plot = AddPlot();
    const CPlotPlane before = plot->GetPlane();
    using D = CPlaneSetupDlg;
    for (int field : {D::kWidth, D::kHeight}) {
        for (int command : {D::kApply, static_cast<int>(zel::IDOK)}) {
            SCOPED_TRACE(std::to_string(field) + " " + std::to_string(command));
            CPlaneSetupDlg dialog(plot);
            const std::size_t shown = prompts.Texts().size();
            bool focused = false;
            EXPECT_EQ(Run<D>(dialog,
                             [&](D* d) {
                                 SetText(d, field, "0");
                                 SetText(d, D::kCentreZ, "5"); // off the plane
                                 Click(d, command);
                                 EXPECT_TRUE(d->isVisible());
                                 EXPECT_EQ(Text(d, D::kCentreZ), "5"); // not projected
                                 focused = d->focusWidget() == d->GetDlgItem(field);
                                 Click(d, zel::IDCANCEL);
                             }),
                      zel::IDCANCEL);
            ASSERT_EQ(prompts.Texts().size(), shown + 1);
            EXPECT_EQ(prompts.Texts().back(), CPlot::kNoArea);
            EXPECT_TRUE(focused);
            const CPlotPlane after = plot->GetPlane();
            EXPECT_EQ(after.Corner0, before.Corner0);
            EXPECT_EQ(after.Corner1, before.Corner1);
            EXPECT_EQ(after.Width, before.Width);
            EXPECT_EQ(after.Height, before.Height);
        }
    }
    // The model refuses it too, for every caller.
    CPlotPlane flat = before;
    flat.PointA = {0, 0, 0};
    flat.PointB = {1, 0, 0};
    flat.PointC = {0, 1, 0};
    flat.Width = 0.0;
    EXPECT_EQ(plot->SetPlane(flat), CPlot::kPlaneWithoutArea);
    EXPECT_EQ(plot->GetPlane().Corner0, before.Corner0);
}

TEST_F(PlotDialogsTest, ApplyIn3DViewShowsThePlaneAndCancelKeepsIt) {
    CMolGraphPlot* current = AddPlot();
    CMolGraphPlot* plot = AddPlot();
    molecule.SetCurrentPlot(current);
    CPlaneSetupDlg dialog(plot);
    CPlot* currentWhileOpen = nullptr;
    int redrawsWhileOpen = 0;
    EXPECT_EQ(Run<CPlaneSetupDlg>(dialog,
                                  [&](CPlaneSetupDlg* d) {
                                      using D = CPlaneSetupDlg;
                                      SetText(d, D::kCentreZ, "3");
                                      SetText(d, D::kWidth, "2");
                                      SetText(d, D::kHeight, "2");
                                      Click(d, D::kApply);
                                      currentWhileOpen = molecule.GetCurrentPlot();
                                      redrawsWhileOpen = view.redraws;
                                      Click(d, zel::IDCANCEL);
                                  }),
              zel::IDCANCEL);
    EXPECT_EQ(currentWhileOpen, plot);
    EXPECT_EQ(redrawsWhileOpen, 1);
    EXPECT_EQ(molecule.GetCurrentPlot(), current);
    EXPECT_EQ(view.redraws, 2); // the previous plot's plane is shown again
    // The centre as typed, not projected.
    EXPECT_EQ(plot->GetPlane().Centre, CVector(0, 0, 3));
    // Corners half a diagonal of the 2 x 2 square from it.
    for (const CVector corner :
         {plot->GetPlane().Corner0, plot->GetPlane().Corner1, plot->GetPlane().Corner2})
        EXPECT_NEAR((corner - CVector(0, 0, 3)).Length(), std::sqrt(2.0), 1e-12);
}

// --- the molecular-graph plot dialog ----------------------------------------------------

TEST_F(PlotDialogsTest, SwitchesAreEnabledByTheMoleculesFieldAndKeepTheirState) {
    CMaxPoint* max = graphtest::AddPoint<CMaxPoint>(molecule, 0, {0, 0, 0});
    CBondPoint* bond = graphtest::AddPoint<CBondPoint>(molecule, 0, {0.7, 0, 0});
    graphtest::Connect(molecule, max, bond);
    graphtest::AddPoint<CRingPoint>(molecule, 0, {0, 1, 0}); // no paths
    graphtest::AddPoint<CCagePoint>(molecule, 1, {0, 0, 1}); // another field
    CMolGraphPlot* plot = AddPlot();
    plot->SetDisplayFlag(2, 1); // cage paths, though none can be shown

    using D = CMolGraphPlotDlg;
    for (const int field : {0, 1}) {
        molecule.SetFieldIndex(field);
        CMolGraphPlotDlg dialog(plot);
        EXPECT_EQ(Run<D>(dialog,
                         [field](D* d) {
                             const bool points[4] = {field == 0, field == 0, field == 0, field == 1};
                             const bool paths[3] = {field == 0, false, false};
                             for (int i = 0; i < 4; ++i)
                                 EXPECT_EQ(d->GetDlgItem(D::kFirstPointBox + i)->isEnabled(), points[i]) << i;
                             for (int i = 0; i < 3; ++i)
                                 EXPECT_EQ(d->GetDlgItem(D::kBondBox + i)->isEnabled(), paths[i]) << i;
                             EXPECT_TRUE(Checked(d, D::kBondBox + 2));
                             EXPECT_EQ(Text(d, D::kFunction),
                                       field == 0 ? "RHO, electron density" : "L, Laplacian of Rho");
                             EXPECT_FALSE(d->GetDlgItem(D::kPlaneSetup)->isVisible());
                             EXPECT_EQ(Text(d, D::kFirstSize), "2.000000");
                             EXPECT_EQ(Text(d, D::kFirstSize + 4), "1.000000");
                             Click(d, D::kFirstPointBox + 1);
                             Click(d, zel::IDOK);
                         }),
                  zel::IDOK);
    }
    EXPECT_EQ(plot->GetDisplayFlag(2), 1);
    // Checked with field 0; disabled with field 1, where it kept its state.
    EXPECT_EQ(plot->GetDisplayOption(1), 1);
}

TEST_F(PlotDialogsTest, OkNumbersANewPlotAndPutsItFirstCancelDropsIt) {
    CMolGraphPlot* existing = AddPlot();
    const int counter = g_nPlotCounter;
    {
        CMolGraphPlotDlg dialog(std::make_unique<CMolGraphPlot>(&molecule));
        EXPECT_EQ(Run<CMolGraphPlotDlg>(dialog, [](CMolGraphPlotDlg* d) { Click(d, zel::IDCANCEL); }),
                  zel::IDCANCEL);
    }
    EXPECT_EQ(g_nPlotCounter, counter);
    ASSERT_EQ(molecule.GetPlotList().size(), 1u);

    CMolGraphPlotDlg dialog(std::make_unique<CMolGraphPlot>(&molecule));
    EXPECT_EQ(dialog.GetPlot()->GetTitle()->GetText(), "New Plot (" + std::to_string(counter) + ")");
    EXPECT_EQ(Run<CMolGraphPlotDlg>(dialog, [](CMolGraphPlotDlg* d) { Click(d, zel::IDOK); }), zel::IDOK);
    EXPECT_EQ(g_nPlotCounter, counter + 1);
    ASSERT_EQ(molecule.GetPlotList().size(), 2u);
    EXPECT_EQ(molecule.GetPlotList().front().get(), dialog.GetPlot());
    EXPECT_EQ(molecule.GetPlotList().back().get(), existing);
}

TEST_F(PlotDialogsTest, OkTakesAnglesSizesAndColoursAsTyped) {
    CMolGraphPlot* plot = AddPlot();
    plot->SetAngles(10, 20, 30);
    chooser.PushColor(zel::RGB(10, 20, 30)); // colour 1, then cancelled below
    chooser.PushColor(zel::RGB(1, 2, 3));    // colour 4, kept
    using D = CMolGraphPlotDlg;
    {
        CMolGraphPlotDlg dialog(plot);
        EXPECT_EQ(Run<D>(dialog,
                         [](D* d) {
                             Click(d, D::kFirstColor + 1);
                             EXPECT_EQ(d->GetWorkingColor(1), zel::RGB(10, 20, 30));
                             Click(d, zel::IDCANCEL);
                         }),
                  zel::IDCANCEL);
    }
    EXPECT_EQ(plot->GetColor(1), zel::RGB(255, 0, 0));
    CMolGraphPlotDlg dialog(plot);
    EXPECT_EQ(Run<D>(dialog,
                     [](D* d) {
                         SetText(d, D::kAngleX, "-90");
                         SetText(d, D::kAngleY, "450");
                         SetText(d, D::kFirstSize, "not a size");
                         SetText(d, D::kFirstSize + 1, "1e40"); // beyond a float
                         SetText(d, D::kFirstSize + 2, " 3.5 mm");
                         Click(d, D::kFirstColor + 4);
                         Click(d, zel::IDOK);
                     }),
              zel::IDOK);
    // The colour dialogs started from the plot's colours.
    EXPECT_EQ(chooser.ColorRequests(), (std::vector<zel::COLORREF>{zel::RGB(255, 0, 0), zel::RGB(0, 0, 0)}));
    EXPECT_EQ(plot->GetColor(4), zel::RGB(1, 2, 3));
    EXPECT_EQ(plot->GetAngles()[0], 270);
    EXPECT_EQ(plot->GetAngles()[1], 90);
    EXPECT_EQ(plot->GetAngles()[2], 0);
    EXPECT_EQ(plot->GetSize(0), 0.0f);
    EXPECT_EQ(plot->GetSize(1), 0.0f);
    EXPECT_EQ(plot->GetSize(2), 3.5f);
    EXPECT_EQ(plot->GetSize(7), 5.0f);
}

// The font dialog works at zoom 1 in screen sizes: a zoomed plot keeps its
// base font through OK, and a chosen font is the base font times 25.
TEST_F(PlotDialogsTest, TheFontIsEditedAtZoomOne) {
    CMolGraphPlot* plot = AddPlot();
    plot->SetZoom(2.0);
    using D = CMolGraphPlotDlg;
    {
        CMolGraphPlotDlg dialog(plot);
        EXPECT_EQ(Run<D>(dialog,
                         [](D* d) {
                             EXPECT_EQ(d->GetWorkingFont().Height, -20);
                             Click(d, zel::IDOK);
                         }),
                  zel::IDOK);
    }
    EXPECT_EQ(plot->GetBaseLogFont().Height, -500);
    EXPECT_EQ(plot->GetLogFont().Height, -1000);

    zel::LOGFONT chosen = plot->GetBaseLogFont();
    chosen.Height = -13;
    chosen.Width = 0;
    chooser.PushFont(chosen);
    CMolGraphPlotDlg dialog(plot);
    EXPECT_EQ(Run<D>(dialog,
                     [](D* d) {
                         Click(d, D::kFont);
                         Click(d, zel::IDOK);
                     }),
              zel::IDOK);
    ASSERT_EQ(chooser.FontRequests().size(), 1u);
    EXPECT_EQ(chooser.FontRequests().front().Height, -20);
    EXPECT_EQ(plot->GetBaseLogFont().Height, -325);
    EXPECT_EQ(plot->GetLogFont().Height, -650);
}

TEST_F(PlotDialogsTest, SizeSpinsStepFromTheIntegerShownAndWrap) {
    CMolGraphPlot* plot = AddPlot();
    using D = CMolGraphPlotDlg;
    CMolGraphPlotDlg dialog(plot);
    EXPECT_EQ(Run<D>(dialog,
                     [](D* d) {
                         auto* spin = d->DlgItem<zel::CSpinButton>(D::kFirstSizeSpin + 1); // size 0
                         ASSERT_NE(spin, nullptr);
                         EXPECT_EQ(spin->GetBuddy(), d->GetDlgItem(D::kFirstSize));
                         SetText(d, D::kFirstSize, "2.7");
                         spin->UpButton()->click();
                         EXPECT_EQ(Text(d, D::kFirstSize), "3");
                         SetText(d, D::kFirstSize, "0");
                         spin->DownButton()->click();
                         EXPECT_EQ(Text(d, D::kFirstSize), "100");
                         Click(d, zel::IDOK);
                     }),
              zel::IDOK);
    EXPECT_EQ(plot->GetSize(0), 100.0f);
}

} // namespace
