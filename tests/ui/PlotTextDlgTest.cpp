// The text dialog of the free texts: what it shows, its font and colour
// buttons (font sizes go to the font dialog divided by 25 and come back
// multiplied by 25), Delete Text, and the position carried through it.

#include "../gui/GuiTestSupport.h"

#include "analysis/PlotParts.h"
#include "platform/core/ColorFontChooser.h"
#include "ui/PlotTextDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

class PlotTextDlgTest : public ::testing::Test {
protected:
    void SetUp() override { zel::test::App(); }

    // The dialog through the application's service, acted on once shown.
    bool Edit(SPlotTextFields& fields, std::function<void(CPlotTextDlg*)> act) {
        zel::test::WhenVisible<CPlotTextDlg>(std::move(act));
        return m_service.EditPlotText(fields);
    }

    static void Click(CPlotTextDlg* dialog, int id) { dialog->DlgItem<QPushButton>(id)->click(); }

    SPlotTextFields Fields(const std::string& text) const {
        return {text, zel::RGB(0, 0, 0), MakePlotFont(-500, 400), 123456, -98765};
    }

    CQtPlotTextService m_service;
    zel::CScriptedColorFontChooser m_chooser;
    zel::ScopedColorFontChooser m_scoped{m_chooser};
};

TEST_F(PlotTextDlgTest, EditsTheStringAndCarriesThePosition) {
    SPlotTextFields fields = Fields("Hello");
    std::string shown;
    EXPECT_TRUE(Edit(fields, [&](CPlotTextDlg* dialog) {
        auto* edit = dialog->DlgItem<QLineEdit>(CPlotTextDlg::kText);
        shown = edit->text().toStdString();
        EXPECT_EQ(edit->selectedText(), edit->text());
        EXPECT_FALSE(dialog->GetDlgItem(CPlotTextDlg::kPositionX)->isVisible());
        edit->setText(QStringLiteral("World"));
        Click(dialog, zel::IDOK);
    }));
    EXPECT_EQ(shown, "Hello");
    EXPECT_EQ(fields.text, "World");
    EXPECT_EQ(fields.x, 123456);
    EXPECT_EQ(fields.y, -98765);

    // A new text shows an empty string; OK leaves it empty.
    fields = Fields("");
    EXPECT_TRUE(Edit(fields, [](CPlotTextDlg* dialog) { Click(dialog, zel::IDOK); }));
    EXPECT_EQ(fields.text, "");

    fields = Fields("kept");
    EXPECT_FALSE(Edit(fields, [](CPlotTextDlg* dialog) {
        dialog->DlgItem<QLineEdit>(CPlotTextDlg::kText)->setText(QStringLiteral("lost"));
        Click(dialog, zel::IDCANCEL);
    }));
    EXPECT_EQ(fields.text, "kept");
}

TEST_F(PlotTextDlgTest, DeleteTextEmptiesTheStringAndEndsWithOk) {
    SPlotTextFields fields = Fields("doomed");
    EXPECT_TRUE(Edit(fields, [](CPlotTextDlg* dialog) { Click(dialog, CPlotTextDlg::kDeleteText); }));
    EXPECT_EQ(fields.text, "");
    EXPECT_EQ(fields.x, 123456);
}

TEST_F(PlotTextDlgTest, FontSizesAreScreenSizesTimes25) {
    // A 12-point font on a 96 dpi screen is 16 pixels high.
    zel::LOGFONT twelvePoint = MakePlotFont(-16, 700);
    twelvePoint.SetFaceName("Liberation Serif");
    m_chooser.PushFont(std::nullopt);
    m_chooser.PushFont(twelvePoint);
    SPlotTextFields fields = Fields("a");
    EXPECT_TRUE(Edit(fields, [](CPlotTextDlg* dialog) {
        Click(dialog, CPlotTextDlg::kFont);
        // Cancel kept the font.
        EXPECT_EQ(dialog->m_LogFont, MakePlotFont(-500, 400));
        Click(dialog, CPlotTextDlg::kFont);
        Click(dialog, zel::IDOK);
    }));
    ASSERT_EQ(m_chooser.FontRequests().size(), 2u);
    EXPECT_EQ(m_chooser.FontRequests()[0].Height, -20);
    EXPECT_EQ(fields.font.Height, -400);
    EXPECT_EQ(fields.font.Weight, 700);
    EXPECT_EQ(fields.font.GetFaceName(), "Liberation Serif");
}

TEST_F(PlotTextDlgTest, ColourButtonAndSwatch) {
    m_chooser.PushColor(std::nullopt);
    m_chooser.PushColor(zel::RGB(0, 128, 255));
    auto swatch = [](CPlotTextDlg* dialog) {
        return dialog->DlgItem<QLabel>(CPlotTextDlg::kSwatch)->pixmap().toImage().pixelColor(10, 10);
    };
    SPlotTextFields fields = Fields("a");
    fields.color = zel::RGB(255, 0, 0);
    EXPECT_TRUE(Edit(fields, [&](CPlotTextDlg* dialog) {
        EXPECT_EQ(swatch(dialog), QColor(255, 0, 0));
        Click(dialog, CPlotTextDlg::kColor);
        EXPECT_EQ(swatch(dialog), QColor(255, 0, 0));
        EXPECT_EQ(dialog->m_Color, zel::RGB(255, 0, 0));
        Click(dialog, CPlotTextDlg::kColor);
        EXPECT_EQ(swatch(dialog), QColor(0, 128, 255));
        Click(dialog, zel::IDOK);
    }));
    EXPECT_EQ(m_chooser.ColorRequests(),
              (std::vector<zel::COLORREF>{zel::RGB(255, 0, 0), zel::RGB(255, 0, 0)}));
    EXPECT_EQ(fields.color, zel::RGB(0, 128, 255));
}

} // namespace
