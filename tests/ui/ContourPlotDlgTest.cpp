// The contour plot dialog and its style dialogs: levels that stay ascending
// by value (also below the six decimals the list shows), the default and
// series levels, deleting levels, choosing and unchoosing points, the grid
// bound, the style dialogs writing into the points, levels and segments, and
// the style dialogs' own fields.

#include "../analysis/GraphTestUtil.h"
#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "plots/ContourPlot.h"
#include "ui/ContourPlotDlg.h"
#include "ui/StyleDlgs.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using D = CContourPlotDlg;

class ContourPlotDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        CPlot::ResetPlotCounter();
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({{0, 0, 0}, {1.4, 0, 0}}));
        bond = graphtest::AddPoint<CBondPoint>(molecule, 0, CVector(0.7, 0.25, -0.125));
        graphtest::AddPoint<CRingPoint>(molecule, 1, CVector(1, 1, 1)); // another field: not offered
    }

    template <class Dialog> int Run(Dialog& dialog, std::function<void(Dialog*)> act) {
        zel::test::WhenVisible<Dialog>(std::move(act), [&dialog](Dialog* shown) { return shown == &dialog; });
        return dialog.DoModal();
    }

    static void SetText(zel::CDialog* dialog, int id, const std::string& text) {
        dialog->DlgItem<QLineEdit>(id)->setText(QString::fromStdString(text));
    }
    static void Click(zel::CDialog* dialog, int id) { dialog->DlgItem<QAbstractButton>(id)->click(); }
    static QListWidget* List(zel::CDialog* dialog, int id) { return dialog->DlgItem<QListWidget>(id); }
    static std::vector<std::string> Lines(zel::CDialog* dialog, int id) {
        return zel::test::ListLines(List(dialog, id));
    }
    static void Select(zel::CDialog* dialog, int id, const std::vector<int>& rows) {
        QListWidget* list = List(dialog, id);
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
    }

    std::vector<double> Levels(const CContourPlot& plot) const {
        std::vector<double> values;
        for (const auto& level : plot.GetLevels())
            values.push_back(level->GetLevel());
        return values;
    }

    CContourPlot* AddPlot() {
        auto plot = std::make_unique<CContourPlot>(&molecule);
        CContourPlot* raw = plot.get();
        molecule.GetPlotList().push_front(std::move(plot));
        return raw;
    }

    CMolecule molecule;
    CBondPoint* bond = nullptr;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
    zel::CScriptedColorFontChooser chooser;
    zel::ScopedColorFontChooser chooserGuard{chooser};
};

TEST_F(ContourPlotDlgTest, LevelsStayAscendingByTheirValues) {
    CContourPlot* plot = AddPlot();
    CContourPlotDlg dialog(plot);
    Run<D>(dialog, [&](D* d) {
        // Values that the list shows alike ("0.000000") keep their order.
        for (double x : {0.5, 3e-7, 1e-7, 2e-8, -1.0, 0.5, 1e-7, 4e-7})
            d->AddLevel(x);
        EXPECT_EQ(Levels(*plot), (std::vector<double>{-1.0, 2e-8, 1e-7, 3e-7, 4e-7, 0.5}));
        EXPECT_EQ(Lines(d, D::kLevels), (std::vector<std::string>{"-1.000000", "0.000000", "0.000000",
                                                                  "0.000000", "0.000000", "0.500000"}));
        EXPECT_EQ(plot->GetLevels().front()->GetColor(), zel::RGB(0, 255, 0));
        EXPECT_EQ(plot->GetLevels().back()->GetColor(), 0u);

        // Delete the selected ones: both lists in step; Line Style follows the selection.
        EXPECT_FALSE(d->GetDlgItem(D::kLineStyle)->isEnabled());
        Select(d, D::kLevels, {1, 3, 5});
        EXPECT_TRUE(d->GetDlgItem(D::kLineStyle)->isEnabled());
        Click(d, D::kDelete);
        EXPECT_EQ(Levels(*plot), (std::vector<double>{-1.0, 1e-7, 4e-7}));
        EXPECT_EQ(Lines(d, D::kLevels).size(), 3u);
        EXPECT_FALSE(d->GetDlgItem(D::kLineStyle)->isEnabled());

        // Series: step 0 adds the start once; a geometric series from 0 adds
        // 0 once; an arithmetic one its terms.
        struct Case {
            const char *start, *step, *num;
            bool geometric;
            std::vector<double> added;
        };
        const Case cases[] = {
            {"7", "0", "5", false, {7.0}},
            {"0", "3", "4", true, {0.0}},
            {"1", "0.5", "3", false, {1.0, 1.5, 2.0}},
            {"0.01", "10", "3", true, {0.01, 0.1, 1.0}},
        };
        for (const Case& c : cases) {
            plot->GetLevels().clear();
            List(d, D::kLevels)->clear();
            SetText(d, D::kStart, c.start);
            SetText(d, D::kStep, c.step);
            SetText(d, D::kNum, c.num);
            Click(d, c.geometric ? D::kGeometric : D::kArithmetic);
            Click(d, D::kAdd);
            const std::vector<double> levels = Levels(*plot);
            ASSERT_EQ(levels.size(), c.added.size()) << c.start << " " << c.step;
            for (std::size_t i = 0; i < levels.size(); ++i)
                EXPECT_DOUBLE_EQ(levels[i], c.added[i]);
        }
        // A count the list could not hold is refused.
        SetText(d, D::kStep, "1");
        SetText(d, D::kNum, "1001");
        Click(d, D::kAdd);
        EXPECT_EQ(prompts.Texts().back(), "Enter an integer between 0 and 1000.");
        EXPECT_EQ(Levels(*plot).size(), 3u);
        // A series whose levels overflow (1 x 10^400 is beyond the largest
        // double) is refused whole, with the focus in Num.
        for (const bool geometric : {true, false}) {
            SetText(d, D::kStart, geometric ? "1" : "1e308");
            SetText(d, D::kStep, geometric ? "10" : "1e308");
            SetText(d, D::kNum, "400");
            Click(d, geometric ? D::kGeometric : D::kArithmetic);
            Click(d, D::kAdd);
            EXPECT_EQ(prompts.Texts().back(), D::kLevelsNotFinite);
            EXPECT_EQ(d->focusWidget(), d->GetDlgItem(D::kNum));
            EXPECT_EQ(Levels(*plot).size(), 3u);
            EXPECT_EQ(Lines(d, D::kLevels).size(), 3u);
        }
        Click(d, zel::IDCANCEL);
    });
    // Levels went in at once; Cancel keeps them.
    EXPECT_EQ(Levels(*plot).size(), 3u);
}

TEST_F(ContourPlotDlgTest, DefaultValuesOnceForRhoTwiceSignedForTheLaplacian) {
    for (int field : {0, 1}) {
        molecule.SetFieldIndex(field);
        CContourPlot* plot = AddPlot();
        CContourPlotDlg dialog(plot);
        Run<D>(dialog, [&](D* d) {
            Click(d, D::kDefaultValues);
            const std::vector<double> levels = Levels(*plot);
            ASSERT_EQ(levels.size(), field == 0 ? 32u : 63u);
            EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
            EXPECT_EQ(levels.back(), 8e6);
            // 0 and 0.001, then n 10^k for n = 2, 4, 8 and k = -3 ... 6; the
            // Laplacian's mirrored below them.
            const std::size_t zero = field == 0 ? 0 : 31;
            EXPECT_EQ(levels[zero], 0.0);
            EXPECT_EQ(levels[zero + 1], 0.001);
            EXPECT_EQ(levels[zero + 2], 0.002);
            EXPECT_EQ(levels.front(), field == 0 ? 0.0 : -8e6);
            for (const auto& level : plot->GetLevels())
                EXPECT_EQ(level->GetColor(), level->GetLevel() < 0 ? zel::RGB(0, 255, 0) : 0u);
            Click(d, D::kDefaultValues); // all there already
            EXPECT_EQ(Levels(*plot), levels);
            EXPECT_EQ(Lines(d, D::kLevels).size(), levels.size());
            Click(d, zel::IDCANCEL);
        });
    }
}

TEST_F(ContourPlotDlgTest, PointsAreChosenFromTheirPrintedLines) {
    CContourPlot* plot = AddPlot();
    CContourPlotDlg dialog(plot);
    Run<D>(dialog, [&](D* d) {
        const std::string bondLine =
            zel::Sprintf("(3,-1) 0.700000 0.250000 -0.125000 %d ", bond->GetNumber());
        const std::vector<std::string> offered = Lines(d, D::kCalculated);
        ASSERT_EQ(offered.size(), 3u); // two atoms and the bond point of field 0
        EXPECT_EQ(offered[0], "H1 0.000000 0.000000 0.000000 1 ");
        EXPECT_EQ(offered[2], bondLine);

        Select(d, D::kCalculated, {0, 2});
        Click(d, D::kChoose);
        EXPECT_EQ(Lines(d, D::kCalculated).size(), 1u);
        EXPECT_EQ(Lines(d, D::kSelected), (std::vector<std::string>{bondLine, offered[0]}));
        ASSERT_EQ(plot->GetSelectedPoints().size(), 2u);
        const CSelectedPoint& chosen = *plot->GetSelectedPoints().front(); // the last line first
        EXPECT_EQ(chosen.m_strName, bondLine);
        EXPECT_EQ(chosen.m_nNumber, bond->GetNumber());
        EXPECT_EQ(chosen.m_Position, CVector(0.7, 0.25, -0.125));
        EXPECT_EQ(chosen.m_nPathCount, 36);

        // One critical point: its distance from the plane; an atom in the
        // selection: no path style.
        Select(d, D::kSelected, {0});
        EXPECT_EQ(d->GetCurrentPoint(), &chosen);
        EXPECT_EQ(d->GetDlgItemText(D::kDistance), "0.1250");
        EXPECT_TRUE(d->GetDlgItem(D::kPathStyle)->isEnabled());
        Select(d, D::kSelected, {0, 1});
        EXPECT_FALSE(d->GetDlgItem(D::kPathStyle)->isEnabled());

        Select(d, D::kSelected, {1});
        Click(d, D::kUnchoose);
        EXPECT_EQ(Lines(d, D::kCalculated).size(), 2u);
        ASSERT_EQ(plot->GetSelectedPoints().size(), 1u);
        EXPECT_EQ(plot->GetSelectedPoints().front()->m_strName, bondLine);
        Click(d, zel::IDCANCEL);
    });

    // Opened again: the chosen point is not offered, and stands selected.
    CContourPlotDlg again(plot);
    Run<D>(again, [&](D* d) {
        EXPECT_EQ(Lines(d, D::kCalculated).size(), 2u);
        EXPECT_EQ(Lines(d, D::kSelected).size(), 1u);
        EXPECT_EQ(d->GetCurrentPoint(), plot->GetSelectedPoints().front().get());
        Click(d, zel::IDCANCEL);
    });
}

TEST_F(ContourPlotDlgTest, GridCountsAreBoundedAndANewPlotJoinsOnOk) {
    CContourPlotDlg dialog(std::make_unique<CContourPlot>(&molecule));
    CContourPlot* plot = dialog.GetPlot();
    EXPECT_EQ(Run<D>(dialog,
                     [&](D* d) {
                         // The keyboard starts on the first field, not on Page Setup.
                         EXPECT_EQ(d->focusWidget(), d->GetDlgItem(D::kStart));
                         EXPECT_EQ(d->GetDlgItemText(D::kRows), "30");
                         EXPECT_EQ(d->GetDlgItemText(D::kColumns), "30");
                         auto* spin = d->DlgItem<zel::CSpinButton>(D::kRowsSpin);
                         EXPECT_EQ(spin->GetUpper(), 1000);
                         EXPECT_EQ(spin->GetLower(), 1);
                         SetText(d, D::kRows, "40");
                         // Too many, and none (which would give an empty plot).
                         for (const char* columns : {"2147483647", "0"}) {
                             SetText(d, D::kColumns, columns);
                             Click(d, zel::IDOK);
                             EXPECT_TRUE(d->isVisible());
                             EXPECT_EQ(prompts.Texts().back(), "Enter an integer between 1 and 1000.");
                             EXPECT_EQ(d->focusWidget(), d->GetDlgItem(D::kColumns));
                             EXPECT_TRUE(molecule.GetPlotList().empty());
                             EXPECT_EQ(plot->GetColumns(), 30);
                             EXPECT_EQ(plot->GetRows(), 30);
                         }
                         EXPECT_EQ(prompts.Texts().size(), 2u);
                         SetText(d, D::kColumns, "1000");
                         Click(d, zel::IDOK);
                     }),
              zel::IDOK);
    EXPECT_EQ(plot->GetRows(), 40);
    EXPECT_EQ(plot->GetColumns(), 1000);
    ASSERT_EQ(molecule.GetPlotList().size(), 1u);
    EXPECT_EQ(molecule.GetPlotList().front().get(), plot);
    EXPECT_EQ(g_nPlotCounter, 1);
}

TEST_F(ContourPlotDlgTest, StyleDialogsWriteIntoPointsLevelsAndSegments) {
    CContourPlot* plot = AddPlot();
    for (double level : {0.1, 0.2}) {
        auto line = std::make_unique<CLine>();
        line->SetLevel(level);
        plot->GetLevels().push_back(std::move(line));
        plot->GetSegments().push_back(std::make_unique<CLine>(CVector(), CVector(1, 0, 0), 0, 0, 0, level));
    }
    auto point = std::make_unique<CSelectedPoint>();
    point->m_strName = "(3,-1) 0.700000 0.250000 -0.125000 3 ";
    point->m_dOverlayWidth = 2.7;
    CSelectedPoint* selected = point.get();
    plot->GetSelectedPoints().push_back(std::move(point));

    chooser.PushColor(zel::RGB(0, 0, 255));
    CContourPlotDlg dialog(plot);
    Run<D>(dialog, [&](D* d) {
        // Line style of the second level: dotted, blue, width 12.
        Select(d, D::kLevels, {1});
        zel::test::WhenVisible<CLineStyleDlg>([](CLineStyleDlg* line) {
            EXPECT_EQ(line->DlgItem<QComboBox>(CLineStyleDlg::kStyle)->currentText(),
                      QStringLiteral("continious"));
            SetText(line, CLineStyleDlg::kWidth, "12");
            line->DlgItem<QComboBox>(CLineStyleDlg::kStyle)->setCurrentIndex(1);
            Click(line, CLineStyleDlg::kColor);
            Click(line, zel::IDOK);
        });
        Click(d, D::kLineStyle);

        // Path style of the point: the width comes as a whole number, the
        // source flag is offered for a critical point.
        Select(d, D::kSelected, {0});
        zel::test::WhenVisible<CPathStyleDlg>([](CPathStyleDlg* path) {
            EXPECT_EQ(path->m_nPathWidth, 2);
            SetText(path, CPathStyleDlg::kLines, "12");
            path->DlgItem<QAbstractButton>(CPathStyleDlg::kSource)->setChecked(true);
            Click(path, zel::IDOK);
        });
        Click(d, D::kPathStyle);

        zel::test::WhenVisible<CPointStyleDlg>([](CPointStyleDlg* style) {
            EXPECT_EQ(style->DlgItem<QComboBox>(CPointStyleDlg::kInPlane)->currentText(),
                      QStringLiteral("triangle"));
            style->DlgItem<QComboBox>(CPointStyleDlg::kOutOfPlane)->setCurrentIndex(3);
            SetText(style, CPointStyleDlg::kSize, "1.5");
            Click(style, zel::IDOK);
        });
        Click(d, D::kPointStyle);
        Click(d, zel::IDCANCEL);
    });
    const CLine& first = *plot->GetLevels().front();
    const CLine& second = *plot->GetLevels().back();
    EXPECT_EQ(first.GetStyle(), 0);
    EXPECT_EQ(second.GetStyle(), zel::PS_DOT);
    EXPECT_EQ(second.GetWidth(), 12);
    EXPECT_EQ(second.GetColor(), zel::RGB(0, 0, 255));
    EXPECT_EQ(plot->GetSegments().front()->GetStyle(), 0);
    EXPECT_EQ(plot->GetSegments().back()->GetStyle(), zel::PS_DOT);
    EXPECT_EQ(plot->GetSegments().back()->GetColor(), zel::RGB(0, 0, 255));
    EXPECT_EQ(selected->m_dOverlayWidth, 2.0);
    EXPECT_EQ(selected->m_nPathCount, 12);
    EXPECT_EQ(selected->m_bComputedPaths, 1);
    EXPECT_EQ(selected->m_nOffPlaneShape, CSelectedPoint::kRectangle);
    EXPECT_EQ(selected->m_dMarkerSize, 1.5);
}

// --- the style dialogs alone ----------------------------------------------------------------

TEST_F(ContourPlotDlgTest, LineStyleDottedComesBackAsOne) {
    CLineStyleDlg dialog;
    dialog.m_nStyle = 2;
    EXPECT_EQ(Run<CLineStyleDlg>(dialog,
                                 [](CLineStyleDlg* d) {
                                     EXPECT_EQ(d->DlgItem<QComboBox>(CLineStyleDlg::kStyle)->currentText(),
                                               QStringLiteral("dots"));
                                     Click(d, zel::IDOK);
                                 }),
              zel::IDOK);
    EXPECT_EQ(dialog.m_nStyle, 1);
}

TEST_F(ContourPlotDlgTest, PathStyleRefusesTooManyLinesAndKeepsANestedCancel) {
    CPathStyleDlg dialog;
    dialog.m_nPathWidth = 3;
    dialog.m_nPathStyle = 1;
    dialog.m_PathColor = zel::RGB(1, 2, 3);
    EXPECT_EQ(Run<CPathStyleDlg>(dialog,
                                 [&](CPathStyleDlg* d) {
                                     SetText(d, CPathStyleDlg::kLines, "100000");
                                     Click(d, zel::IDOK);
                                     EXPECT_TRUE(d->isVisible());
                                     EXPECT_EQ(prompts.Texts().back(),
                                               "Enter an integer between 0 and 99999.");
                                     // The spin stops at 100 and wraps.
                                     auto* spin = d->DlgItem<zel::CSpinButton>(CPathStyleDlg::kLinesSpin);
                                     spin->SetPos(100);
                                     spin->Step(1);
                                     EXPECT_EQ(d->GetDlgItemText(CPathStyleDlg::kLines), "0");
                                     zel::test::WhenVisible<CLineStyleDlg>([](CLineStyleDlg* line) {
                                         SetText(line, CLineStyleDlg::kWidth, "9");
                                         Click(line, zel::IDCANCEL);
                                     });
                                     Click(d, CPathStyleDlg::kPathLineStyle);
                                     SetText(d, CPathStyleDlg::kLines, "99999");
                                     Click(d, zel::IDOK);
                                 }),
              zel::IDOK);
    EXPECT_EQ(dialog.m_nLines, 99999);
    EXPECT_EQ(dialog.m_nPathWidth, 3);
    EXPECT_EQ(dialog.m_nPathStyle, 1);
    EXPECT_EQ(dialog.m_PathColor, zel::RGB(1, 2, 3));
}

} // namespace
