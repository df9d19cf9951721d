// The relief map dialogs: the refusals that keep the dialog open (angles out
// of range, grid counts below 1 or above the limit) and what is stored
// before them, the bound stored as a magnitude, the light direction nudged
// off the z axis, the plane given back after a cancelled plane set-up, and
// the colour dialog's colours and element-border flag.

#include "../analysis/GraphTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Prompt.h"
#include "plots/SurfacePlot.h"
#include "ui/PlaneSetupDlg.h"
#include "ui/SurfacePlotDlg.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using D = CSurfacePlotDlg;
using C = CSurfColorDlg;

class SurfacePlotDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        CPlot::ResetPlotCounter();
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.4, 0, 0}}));
    }

    template <class Dialog> int Run(Dialog& dialog, std::function<void(Dialog*)> act) {
        zel::test::WhenVisible<Dialog>(std::move(act), [&dialog](Dialog* shown) { return shown == &dialog; });
        return dialog.DoModal();
    }
    static void SetText(zel::CDialog* dialog, int id, const std::string& text) {
        dialog->DlgItem<QLineEdit>(id)->setText(QString::fromStdString(text));
    }
    static std::string Text(zel::CDialog* dialog, int id) { return dialog->GetDlgItemText(id); }
    static void Click(zel::CDialog* dialog, int id) { dialog->DlgItem<QAbstractButton>(id)->click(); }

    CMolecule molecule;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
    zel::CScriptedColorFontChooser chooser;
    zel::ScopedColorFontChooser chooserGuard{chooser};
};

TEST_F(SurfacePlotDlgTest, RefusedFieldsKeepTheDialogOpenUntilANewMapIsAddedOnce) {
    D dialog(std::make_unique<CSurfacePlot>(&molecule));
    CSurfacePlot* plot = dialog.GetPlot();
    const int result = Run<D>(dialog, [&](D* d) {
        // The keyboard starts on the first field, not on Page Setup.
        EXPECT_EQ(d->focusWidget(), d->GetDlgItem(D::kAngleX));
        EXPECT_EQ(Text(d, D::kTitle), "New Plot (0)");
        EXPECT_EQ(Text(d, D::kColumns), "20");
        EXPECT_EQ(Text(d, D::kRows), "20");
        EXPECT_EQ(Text(d, D::kMaxValue), "1.00");
        EXPECT_EQ(Text(d, D::kScale), "1.000000");
        EXPECT_EQ(Text(d, D::kCenter), "22.000000");
        EXPECT_EQ(Text(d, D::kPlane), "20.000000");

        struct Step {
            const char* what;
            int id;
            const char* text;
            std::string message;
        };
        const Step steps[] = {
            {"angle", D::kAngleX, "200", "Enter an integer between -180 and 180."},
            {"angle", D::kAngleX, "-30", D::kBadM}, // with the columns below
            {"columns", D::kColumns, "1001", "Enter an integer between 1 and 1000."},
            {"columns", D::kColumns, "15", D::kBadN},
            {"rows", D::kRows, "1001", "Enter an integer between 1 and 1000."},
        };
        SetText(d, D::kColumns, "0");
        SetText(d, D::kRows, "0");
        SetText(d, D::kScale, "2.5");
        for (const Step& step : steps) {
            SetText(d, step.id, step.text);
            Click(d, zel::IDOK);
            ASSERT_FALSE(prompts.Texts().empty()) << step.what;
            EXPECT_EQ(prompts.Texts().back(), step.message) << step.what << " " << step.text;
            EXPECT_TRUE(d->isVisible()) << step.what;
            EXPECT_TRUE(molecule.GetPlotList().empty());
            if (step.message.rfind("Enter", 0) == 0 && step.id == D::kAngleX) {
                // Nothing stored by a refused angle.
                EXPECT_EQ(plot->GetAngles()[0], 0);
                EXPECT_EQ(plot->GetScale(), 1.0);
            }
        }
        // What came before the grid check stays stored; the grid does not.
        EXPECT_EQ(plot->GetAngles()[0], -30);
        EXPECT_EQ(plot->GetScale(), 2.5);
        int m = 0, n = 0;
        plot->GetGrid(&m, &n);
        EXPECT_EQ(m, 20);
        SetText(d, D::kRows, "12");
        SetText(d, D::kMaxValue, "-3");
        SetText(d, D::kLightX, "0");
        SetText(d, D::kLightY, "0");
        SetText(d, D::kLightZ, "-2");
        Click(d, zel::IDOK);
    });
    EXPECT_EQ(result, zel::IDOK);
    ASSERT_EQ(molecule.GetPlotList().size(), 1u);
    EXPECT_EQ(molecule.GetPlotList().front().get(), plot);
    EXPECT_EQ(g_nPlotCounter, 1);
    int m = 0, n = 0;
    plot->GetGrid(&m, &n);
    EXPECT_EQ(m, 15);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(plot->GetMaxValue(), 3.0);
    EXPECT_EQ(plot->GetLightVector(), CVector(0.0001, 0, -2));
    EXPECT_TRUE(plot->NeedsAutoCompute());
    // A new map is seen from its angles at once: here -30 degrees about x.
    const double t = -30.0 * 3.141592653589793 / 180.0;
    EXPECT_NEAR((plot->GetOrientation() * CVector(0, 1, 0) - CVector(0, std::cos(t), std::sin(t))).Length(),
                0.0, 1e-12);

    // Opened again: the bound as a magnitude, the grid as stored.
    D again(plot);
    Run<D>(again, [&](D* d) {
        EXPECT_EQ(Text(d, D::kMaxValue), "3.00");
        EXPECT_EQ(Text(d, D::kColumns), "15");
        EXPECT_EQ(Text(d, D::kAngleX), "-30");
        Click(d, zel::IDCANCEL);
    });
    EXPECT_EQ(molecule.GetPlotList().size(), 1u);
}

// A scale whose heights would not be finite numbers (the map could be
// neither drawn nor saved) is refused before anything is stored.
TEST_F(SurfacePlotDlgTest, ScaleWithHeightsBeyondTheLargestNumberIsRefused) {
    D dialog(std::make_unique<CSurfacePlot>(&molecule));
    CSurfacePlot* plot = dialog.GetPlot();
    Run<D>(dialog, [&](D* d) {
        SetText(d, D::kAngleX, "40");
        for (const auto& [scale, bound] : {std::pair{"1e308", "10"}, std::pair{"2", "1e308"}}) {
            SetText(d, D::kScale, scale);
            SetText(d, D::kMaxValue, bound);
            Click(d, zel::IDOK);
            EXPECT_TRUE(d->isVisible());
            ASSERT_FALSE(prompts.Texts().empty());
            EXPECT_EQ(prompts.Texts().back(), D::kBadHeights);
            EXPECT_EQ(d->focusWidget(), d->GetDlgItem(D::kScale));
            EXPECT_EQ(plot->GetAngles()[0], 0);
            EXPECT_EQ(plot->GetScale(), 1.0);
            EXPECT_EQ(plot->GetMaxValue(), 1.0);
        }
        Click(d, zel::IDCANCEL);
    });
    EXPECT_TRUE(molecule.GetPlotList().empty());
}

TEST_F(SurfacePlotDlgTest, CancelledPlaneSetupGivesBackThePlaneTheDialogOpenedWith) {
    CSurfacePlot plot(&molecule);
    const CPlotPlane opened = plot.GetPlane();
    D dialog(&plot);
    Run<D>(dialog, [&](D* d) {
        zel::test::WhenVisible<CPlaneSetupDlg>([](CPlaneSetupDlg* plane) {
            SetText(plane, CPlaneSetupDlg::kWidth, "9");
            Click(plane, CPlaneSetupDlg::kApply); // stored at once
            Click(plane, zel::IDCANCEL);
        });
        Click(d, D::kPlaneSetup);
        EXPECT_EQ(plot.GetPlane().Width, opened.Width);
        EXPECT_EQ(plot.GetPlane().Corner0, opened.Corner0);
        // A plane confirmed with OK stays, until the relief dialog's Cancel.
        zel::test::WhenVisible<CPlaneSetupDlg>([](CPlaneSetupDlg* plane) {
            SetText(plane, CPlaneSetupDlg::kWidth, "7");
            Click(plane, zel::IDOK);
        });
        Click(d, D::kPlaneSetup);
        EXPECT_EQ(plot.GetPlane().Width, 7.0);
        Click(d, zel::IDCANCEL);
    });
    EXPECT_EQ(plot.GetPlane().Width, opened.Width);
}

TEST_F(SurfacePlotDlgTest, ColourDialogStoresTheChosenColoursAndTheBorderFlag) {
    CSurfacePlot plot(&molecule);
    plot.SetColor(2, {300.7, 20.2, -1.0}); // shown truncated, the swatch modulo 256
    C dialog(&plot);
    chooser.PushColor(zel::RGB(10, 20, 30));
    chooser.PushColor(std::nullopt);
    Run<C>(dialog, [&](C* d) {
        EXPECT_EQ(Text(d, 1152), "255");
        EXPECT_EQ(Text(d, 1151), "0");
        EXPECT_EQ(Text(d, 1156), "300");
        EXPECT_EQ(Text(d, 1158), "-1");
        EXPECT_EQ(d->GetSwatchColor(2), zel::RGB(300 % 256, 20, 255));
        EXPECT_TRUE(d->DlgItem<QAbstractButton>(C::kElementBorder)->isChecked());
        Click(d, C::kTopColor);
        EXPECT_EQ(Text(d, 1152), "10");
        EXPECT_EQ(Text(d, 1151), "20");
        EXPECT_EQ(Text(d, 1150), "30");
        EXPECT_EQ(d->GetSwatchColor(0), zel::RGB(10, 20, 30));
        Click(d, C::kBottomColor); // cancelled: nothing changes
        EXPECT_EQ(Text(d, 1155), "255");
        d->DlgItem<QAbstractButton>(C::kElementBorder)->setChecked(false);
        Click(d, zel::IDOK);
    });
    EXPECT_EQ(plot.GetColor(0), CVector(10, 20, 30));
    EXPECT_EQ(plot.GetColor(1), CVector(255, 255, 255));
    EXPECT_EQ(plot.GetColor(2), CVector(300, 20, -1));
    EXPECT_EQ(plot.Query(99), 0);
    EXPECT_EQ(chooser.ColorRequests(), (std::vector<zel::COLORREF>{0, 0}));

    // Cancel leaves the flag.
    C cancelled(&plot);
    Run<C>(cancelled, [](C* d) {
        d->DlgItem<QAbstractButton>(C::kElementBorder)->setChecked(true);
        Click(d, zel::IDCANCEL);
    });
    EXPECT_EQ(plot.Query(99), 0);
}

} // namespace
