#include "GuiTestSupport.h"

#include "platform/core/Prompt.h"
#include "platform/qt/Dialog.h"
#include "platform/qt/Help.h"
#include "platform/qt/Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QRegularExpression>
#include <QTest>

#include <string>
#include <vector>

namespace {

class CHelpDlg : public zel::CDialog {
public:
    CHelpDlg() : CDialog(Template()) { SetHelpTopic("::critical_points.htm"); }
    static const zel::SDialogTemplate& Template() {
        static const zel::SDialogTemplate dialog{
            138,
            "Critical points",
            0,
            0,
            "MS Sans Serif",
            8,
            {{zel::ControlKind::Edit, 1001, "", 7, 7, 60, 14},
             {zel::ControlKind::PushButton, zel::IDOK, "OK", 7, 25, 50, 14, zel::ctl::kDefault}}};
        return dialog;
    }
};

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_settings.Folder()).mkpath(QStringLiteral("help/zelmora")));
        m_book = QDir(m_settings.Folder()).filePath(QStringLiteral("help/zelmora"));
        WritePage(QStringLiteral("critical_points.htm"));
        WritePage(QStringLiteral("index.htm"));
    }

    void WritePage(const QString& name) {
        QFile page(QDir(m_book).filePath(name));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body><h1>" + name.toUtf8() + "</h1></body></html>");
    }

    void SetHelpSettings(const QString& path, const QString& file) {
        const auto settings = zel::OpenSettings();
        settings->setValue(QStringLiteral("Help/Path"), path);
        settings->setValue(QStringLiteral("Help/File"), file);
    }

    // F1 on a field of the dialog, as the user presses it.
    void PressF1() {
        CHelpDlg dlg;
        dlg.show();
        QTest::keyClick(dlg.DlgItem<QLineEdit>(1001), Qt::Key_F1);
        dlg.hide();
    }

    QString ShownPage() const {
        zel::CHelpViewer* viewer = zel::CHelpViewer::Existing();
        return viewer && viewer->isVisible() ? viewer->CurrentPage().toLocalFile() : QString();
    }

    zel::test::ScopedTestSettings m_settings;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    QString m_book;
};

TEST_F(HelpTest, F1OpensTheDialogsPageOfTheBookNamedInTheSettings) {
    SetHelpSettings(QDir(m_settings.Folder()).filePath(QStringLiteral("help")),
                    QStringLiteral("zelmora.chm"));
    PressF1();
    EXPECT_EQ(ShownPage(), QDir(m_book).filePath(QStringLiteral("critical_points.htm")));
    EXPECT_TRUE(m_prompts.Texts().empty());

    ASSERT_TRUE(zel::ShowHelpTopic(""));
    EXPECT_EQ(ShownPage(), QDir(m_book).filePath(QStringLiteral("index.htm")));
}

TEST_F(HelpTest, AMissingHelpFolderOrPageIsSaid) {
    const QString help = QDir(m_settings.Folder()).filePath(QStringLiteral("help"));
    struct Case {
        QString path;
        QString file;
        bool removePage;
        std::string message;
    };
    // Each message says where the settings that name the folder are.
    const std::string note = "\nThe help folder is set in " + zel::OpenSettings()->fileName().toStdString() +
                             " (section Help, entries Path and File).";
    const std::vector<Case> cases = {
        {"", "", false, "No help folder is set." + note},
        {help, "manual", false, "Help folder not found: " + QDir(help).filePath("manual").toStdString() + note},
        {help, "zelmora", true,
         "Help page not found: " + QDir(m_book).filePath("critical_points.htm").toStdString() + note},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (zel::CHelpViewer* viewer = zel::CHelpViewer::Existing()) viewer->hide();
        if (c.removePage) QFile::remove(QDir(m_book).filePath(QStringLiteral("critical_points.htm")));
        SetHelpSettings(c.path, c.file);
        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService guard(prompts);
        PressF1();
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(ShownPage().isEmpty());
    }
}

// Without settings the help shipped with the program is the book: F1 and the
// start page open its pages, and every link between its pages leads to one.
TEST_F(HelpTest, TheShippedHelpIsTheDefaultBook) {
    const QDir book(QDir(zel::DefaultHelpFolder()).filePath(QStringLiteral("zelmora")));
    PressF1();
    EXPECT_EQ(ShownPage(), book.filePath(QStringLiteral("critical_points.htm")));
    ASSERT_TRUE(zel::ShowHelpTopic(""));
    EXPECT_EQ(ShownPage(), book.filePath(QStringLiteral("index.htm")));
    EXPECT_TRUE(m_prompts.Texts().empty());

    const QStringList pages = book.entryList({QStringLiteral("*.htm")});
    EXPECT_GE(pages.size(), 29);
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)"));
    for (const QString& name : pages) {
        QFile page(book.filePath(name));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("<h1>"))) << name.toStdString();
        for (const QRegularExpressionMatch& m : link.globalMatch(text))
            EXPECT_TRUE(book.exists(m.captured(1))) << name.toStdString() << " links to " << m.captured(1).toStdString();
    }
}

// The viewer opens inside the screen's free room, however large it was
// left, moved or the screen is.
TEST_F(HelpTest, ViewerOpensInsideTheScreen) {
    SetHelpSettings(QDir(m_settings.Folder()).filePath(QStringLiteral("help")), QStringLiteral("zelmora.chm"));
    ASSERT_TRUE(zel::ShowHelpTopic(""));
    zel::CHelpViewer* viewer = zel::CHelpViewer::Existing();
    ASSERT_NE(viewer, nullptr);
    const QRect room = viewer->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(viewer->frameGeometry())) << room.height() << " " << viewer->frameGeometry().height();
    viewer->hide();
    viewer->resize(room.width() + 400, room.height() + 600);
    viewer->move(room.right() - 100, room.bottom() - 100);
    for (bool visible : {false, true}) {
        SCOPED_TRACE(visible ? "shown again" : "opened");
        ASSERT_TRUE(zel::ShowHelpTopic(""));
        EXPECT_TRUE(room.contains(viewer->frameGeometry()));
        viewer->resize(room.width() + 400, room.height() + 600);
    }
    viewer->hide();
}

// The 3D view's page says what the mouse does there: a double click opens
// the object, a click only starts a turn.
TEST_F(HelpTest, ThreeDimensionalViewPageSaysWhatTheMouseDoes) {
    QFile page(QDir(QDir(zel::DefaultHelpFolder()).filePath(QStringLiteral("zelmora"))).filePath(QStringLiteral("3dview.htm")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Double-click"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Clicking an object"))) << text.toStdString();
}

} // namespace
