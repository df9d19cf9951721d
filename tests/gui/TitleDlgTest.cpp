#include "GuiTestSupport.h"

#include "app/TitleDlg.h"
#include "platform/core/TitleService.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>

namespace {

class TitleDlgTest : public ::testing::Test {
protected:
    void SetUp() override { zel::test::App(); }
    CQtTitleService m_service;
    zel::ScopedTitleService m_guard{m_service};
};

// The molecule's load operation asks through the service; the answer is the
// edited job title after OK and the wavefunction title after any other way out.
TEST_F(TitleDlgTest, ReturnsTheEditedJobTitleOrTheWavefunctionTitle) {
    struct Way {
        const char* name;
        std::function<void(CTitleDlg&)> close;
        const char* expected;
    };
    const Way ways[] = {
        {"OK", [](CTitleDlg& d) { d.DlgItem<QPushButton>(zel::IDOK)->click(); }, "Water at the MP2 geometry"},
        {"Enter",
         [](CTitleDlg& d) { QTest::keyClick(d.DlgItem<QLineEdit>(CTitleDlg::kJobTitle), Qt::Key_Return); },
         "Water at the MP2 geometry"},
        {"Escape",
         [](CTitleDlg& d) { QTest::keyClick(d.DlgItem<QLineEdit>(CTitleDlg::kJobTitle), Qt::Key_Escape); },
         "water SCF/6-31G**"},
        {"close box", [](CTitleDlg& d) { d.close(); }, "water SCF/6-31G**"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        QString caption, wfnShown, jobShown;
        bool wfnReadOnly = false;
        zel::test::WhenVisible<CTitleDlg>([&](CTitleDlg* dlg) {
            caption = dlg->windowTitle();
            wfnShown = dlg->DlgItem<QLineEdit>(CTitleDlg::kWfnTitle)->text();
            wfnReadOnly = dlg->DlgItem<QLineEdit>(CTitleDlg::kWfnTitle)->isReadOnly();
            auto* job = dlg->DlgItem<QLineEdit>(CTitleDlg::kJobTitle);
            jobShown = job->text();
            job->setText(QStringLiteral("Water at the MP2 geometry"));
            way.close(*dlg);
            if (dlg->isVisible()) dlg->done(zel::IDABORT);
        });
        EXPECT_EQ(zel::AskJobTitle("water SCF/6-31G**"), way.expected);
        EXPECT_EQ(caption, QStringLiteral("Title of this  Zelmora job"));
        EXPECT_EQ(wfnShown, QStringLiteral("water SCF/6-31G**"));
        EXPECT_EQ(jobShown, QStringLiteral("water SCF/6-31G**"));
        EXPECT_TRUE(wfnReadOnly);
    }
}

TEST_F(TitleDlgTest, WithoutADialogServiceTheWavefunctionTitleIsKept) {
    zel::SetTitleService(nullptr);
    EXPECT_EQ(zel::AskJobTitle("methane"), "methane");
    zel::SetTitleService(&m_service);
}

} // namespace
