#include "GuiTestSupport.h"

#include "platform/core/Prompt.h"
#include "platform/qt/Dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

using zel::CDataExchange;
using zel::CDialog;
using zel::ControlKind;

namespace {

// A dialog with one field of each kind, as an option dialog lays them out.
class CFieldsDlg : public CDialog {
public:
    static constexpr int kInt = 1042;
    static constexpr int kReal = 1043;
    static constexpr int kText = 1044;
    static constexpr int kCheck = 1045;
    static constexpr int kReset = 1046;

    CFieldsDlg() : CDialog(Template()) {
        OnResetToDefaults(kReset, [this] {
            m_nIterations = 30;
            m_dPivot = 1e-4;
        });
    }

    static const zel::SDialogTemplate& Template() {
        static const zel::SDialogTemplate dialog{
            137,
            "Fields",
            0,
            0,
            "MS Sans Serif",
            8,
            {
                {ControlKind::Static, -1, "Iterations:", 7, 9, 60, 8, zel::ctl::kRight},
                {ControlKind::Edit, kInt, "", 70, 7, 60, 14},
                {ControlKind::Static, -1, "Pivot:", 7, 27, 60, 8, zel::ctl::kRight},
                {ControlKind::Edit, kReal, "", 70, 25, 100, 14, zel::ctl::kReal},
                {ControlKind::Edit, kText, "", 70, 43, 60, 14},
                {ControlKind::CheckBox, kCheck, "Flag", 70, 61, 60, 10},
                {ControlKind::PushButton, zel::IDOK, "OK", 7, 78, 50, 14, zel::ctl::kDefault},
                {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 60, 78, 50, 14},
                {ControlKind::PushButton, kReset, "Reset to Defaults", 113, 78, 70, 14},
            }};
        return dialog;
    }

    void DoDataExchange(CDataExchange& dx) override {
        dx.Text(kInt, m_nIterations);
        dx.MinMax(m_nIterations, 1, 999999);
        dx.Text(kReal, m_dPivot);
        dx.MinMax(m_dPivot, 0.0, 1.0);
        dx.Text(kText, m_strName);
        dx.Check(kCheck, m_bFlag);
    }

    QLineEdit* Edit(int id) const { return DlgItem<QLineEdit>(id); }
    void Click(int id) const { DlgItem<QPushButton>(id)->click(); }

    int m_nIterations = 50;
    double m_dPivot = 1e-10;
    std::string m_strName = "water";
    int m_bFlag = 1;
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { zel::test::App(); }
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
};

struct FieldCase {
    const char* intText;
    const char* realText;
    bool ok;
    std::vector<std::string> messages;
    int iterations; // members after the read; a refused read leaves the initial 50 and 1e-10
    double pivot;
};

// Fields are read in the order of the exchange and reading stops at the first
// refused field; a refused read stores nothing, not even the fields before it.
const FieldCase kFieldCases[] = {
    {"12", "0.5", true, {}, 12, 0.5},
    {" 7 ", "\t1e-4 ", true, {}, 7, 1e-4},
    {"+3", "+.25", true, {}, 3, 0.25},
    {"12", "1", true, {}, 12, 1.0},
    {"12", "1e-007", true, {}, 12, 1e-7},
    {"12", "abc", false, {"Enter a number."}, 50, 1e-10},
    {"12", "", false, {"Enter a number."}, 50, 1e-10},
    {"12", "1,5", false, {"Enter a number."}, 50, 1e-10},
    {"12", "0.5x", false, {"Enter a number."}, 50, 1e-10},
    {"12", "nan", false, {"Enter a number."}, 50, 1e-10},
    {"12", "inf", false, {"Enter a number."}, 50, 1e-10},
    {"12", "1e400", false, {"Enter a number."}, 50, 1e-10},
    {"12", "1.5", false, {"Enter a number between 0 and 1."}, 50, 1e-10},
    {"12", "-1e-300", false, {"Enter a number between 0 and 1."}, 50, 1e-10},
    {"0", "0.5", false, {"Enter an integer between 1 and 999999."}, 50, 1e-10},
    {"1000000", "0.5", false, {"Enter an integer between 1 and 999999."}, 50, 1e-10},
    {"12.5", "0.5", false, {"Enter an integer."}, 50, 1e-10},
    {"", "0.5", false, {"Enter an integer."}, 50, 1e-10},
    {"99999999999", "0.5", false, {"Enter an integer."}, 50, 1e-10},
};

TEST_F(DialogTest, FieldInputsGiveTheFrameworkMessagesAndValues) {
    for (const FieldCase& c : kFieldCases) {
        SCOPED_TRACE(std::string("int \"") + c.intText + "\", real \"" + c.realText + "\"");
        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService guard(prompts);
        CFieldsDlg dlg;
        dlg.Edit(CFieldsDlg::kInt)->setText(QString::fromUtf8(c.intText));
        dlg.Edit(CFieldsDlg::kReal)->setText(QString::fromUtf8(c.realText));
        EXPECT_EQ(dlg.UpdateData(true), c.ok);
        EXPECT_EQ(prompts.Texts(), c.messages);
        EXPECT_EQ(dlg.m_nIterations, c.iterations);
        EXPECT_EQ(dlg.m_dPivot, c.pivot);
    }
}

TEST_F(DialogTest, RangeMessagesShowBoundsWithFifteenDigits) {
    EXPECT_EQ(zel::NumberRangeMessage(0.0, 1e11), "Enter a number between 0 and 100000000000.");
    EXPECT_EQ(zel::NumberRangeMessage(0.0, 999999999999.0), "Enter a number between 0 and 999999999999.");
    EXPECT_EQ(zel::NumberRangeMessage(1e-5, 0.1), "Enter a number between 1e-005 and 0.1.");
    EXPECT_EQ(zel::IntegerRangeMessage(-3, 999999), "Enter an integer between -3 and 999999.");
}

TEST_F(DialogTest, RealsShowFifteenSignificantDigitsAndReadBack) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {1.0 / 3.0, "0.333333333333333"},
        {1e-7, "1e-007"},
        {123456789012345678.0, "1.23456789012346e+017"},
        {1e11, "100000000000"},
        {-2.5, "-2.5"},
        {0.0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CFieldsDlg dlg;
        dlg.m_dPivot = c.value;
        ASSERT_TRUE(dlg.UpdateData(false));
        EXPECT_EQ(dlg.Edit(CFieldsDlg::kReal)->text().toStdString(), c.text);
        double read = 0.0;
        ASSERT_TRUE(zel::ParseDialogReal(c.text, read));
        EXPECT_NEAR(read, c.value, 5e-15 * std::abs(c.value)); // 15 digits: read back to the 15th
    }
    CFieldsDlg dlg;
    dlg.m_nIterations = -7;
    dlg.UpdateData(false);
    EXPECT_EQ(dlg.Edit(CFieldsDlg::kInt)->text(), QStringLiteral("-7"));
}

// QApplication takes the process locale from the environment; a German
// desktop must neither show nor read "0,5".
TEST_F(DialogTest, FieldsIgnoreACommaDecimalLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    CFieldsDlg dlg;
    dlg.m_dPivot = 0.5;
    dlg.UpdateData(false);
    const QString shown = dlg.Edit(CFieldsDlg::kReal)->text();
    dlg.Edit(CFieldsDlg::kReal)->setText(QStringLiteral("0.25"));
    const bool readDot = dlg.UpdateData(true);
    const double pivot = dlg.m_dPivot;
    dlg.Edit(CFieldsDlg::kReal)->setText(QStringLiteral("0,25"));
    const bool readComma = dlg.UpdateData(true);
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_EQ(shown, QStringLiteral("0.5"));
    EXPECT_TRUE(readDot);
    EXPECT_EQ(pivot, 0.25);
    EXPECT_FALSE(readComma);
}

TEST_F(DialogTest, OkStaysOpenOnARefusedFieldAndClosesOnceItIsRight) {
    CFieldsDlg dlg;
    bool openAfterBadOk = false;
    bool focusOnBadField = false;
    zel::test::WhenVisible<CFieldsDlg>([&](CFieldsDlg*) {
        dlg.Edit(CFieldsDlg::kReal)->setText(QStringLiteral("2"));
        dlg.Click(zel::IDOK);
        openAfterBadOk = dlg.isVisible();
        focusOnBadField = dlg.focusWidget() == dlg.Edit(CFieldsDlg::kReal);
        dlg.Edit(CFieldsDlg::kReal)->setText(QStringLiteral("0.25"));
        dlg.Click(zel::IDOK);
        if (dlg.isVisible()) dlg.done(zel::IDABORT); // guard: never leave the test hanging
    });
    EXPECT_EQ(dlg.DoModal(), zel::IDOK);
    EXPECT_TRUE(openAfterBadOk);
    EXPECT_TRUE(focusOnBadField);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Enter a number between 0 and 1."});
    EXPECT_EQ(dlg.m_dPivot, 0.25);
}

TEST_F(DialogTest, EveryWayOutButOkLeavesTheMembersAlone) {
    struct Way {
        const char* name;
        std::function<void(CFieldsDlg&)> act;
        int result;
        bool read;
    };
    const Way ways[] = {
        {"OK button", [](CFieldsDlg& d) { d.Click(zel::IDOK); }, zel::IDOK, true},
        {"Enter", [](CFieldsDlg& d) { QTest::keyClick(d.Edit(CFieldsDlg::kText), Qt::Key_Return); },
         zel::IDOK, true},
        {"Cancel button", [](CFieldsDlg& d) { d.Click(zel::IDCANCEL); }, zel::IDCANCEL, false},
        {"Escape", [](CFieldsDlg& d) { QTest::keyClick(d.Edit(CFieldsDlg::kText), Qt::Key_Escape); },
         zel::IDCANCEL, false},
        {"close box", [](CFieldsDlg& d) { d.close(); }, zel::IDCANCEL, false},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        CFieldsDlg dlg;
        zel::test::WhenVisible<CFieldsDlg>([&](CFieldsDlg*) {
            dlg.Edit(CFieldsDlg::kText)->setText(QStringLiteral("ammonia"));
            dlg.DlgItem<QCheckBox>(CFieldsDlg::kCheck)->setChecked(false);
            way.act(dlg);
            if (dlg.isVisible()) dlg.done(zel::IDABORT);
        });
        EXPECT_EQ(dlg.DoModal(), way.result);
        EXPECT_EQ(dlg.m_strName, way.read ? "ammonia" : "water");
        EXPECT_EQ(dlg.m_bFlag, way.read ? 0 : 1);
    }
}

TEST_F(DialogTest, ResetToDefaultsShowsTheDefaults) {
    CFieldsDlg dlg;
    dlg.UpdateData(false);
    dlg.Edit(CFieldsDlg::kInt)->setText(QStringLiteral("junk"));
    dlg.Edit(CFieldsDlg::kReal)->setText(QStringLiteral("0.75"));
    dlg.Click(CFieldsDlg::kReset);
    EXPECT_EQ(dlg.Edit(CFieldsDlg::kInt)->text(), QStringLiteral("30"));
    EXPECT_EQ(dlg.Edit(CFieldsDlg::kReal)->text(), QStringLiteral("0.0001"));
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(DialogTest, DialogUnitsFollowTheFontMetrics) {
    // A font 6 pixels wide on average and 13 high: x and widths by 6/4, y and heights by 13/8, rounded.
    const zel::SDialogBaseUnits units{6, 13};
    EXPECT_EQ(zel::DialogUnitsToPixels(units, 76, 7, 104, 14), QRect(114, 11, 156, 23));
    EXPECT_EQ(zel::DialogUnitsToPixels(units, 7, 10, 65, 8), QRect(11, 16, 98, 13));

    CFieldsDlg dlg;
    const zel::SDialogBaseUnits base = dlg.BaseUnits();
    EXPECT_EQ(dlg.Edit(CFieldsDlg::kReal)->geometry(), zel::DialogUnitsToPixels(base, 70, 25, 100, 14));
    EXPECT_GT(base.charWidth, 1);
    EXPECT_GT(base.charHeight, base.charWidth);
}

} // namespace
