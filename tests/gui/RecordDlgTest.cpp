#include "GuiTestSupport.h"

#include "app/RecordDlg.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <optional>
#include <string>
#include <vector>

namespace {

class RecordDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        m_lines.Add("Found 2 new critical points, 0 unsuccessful tries.");
        m_lines.Add(" ");
        m_lines.Add("      Singular Hessian Matrix in Newton iteration.");
        m_lines.Add("   1  (3,-3)   0.00000000e+000  -1.43000000e-001   1.10000000e-001");
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    zel::CTextRecord m_lines;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedFileChooser m_chooser;
    zel::ScopedFileChooserService m_chooserGuard{m_chooser};
    QTemporaryDir m_folder;
};

TEST_F(RecordDlgTest, ShowsTheLinesAndSavesThemByteForByte) {
    const QString path = QDir(m_folder.path()).filePath(QStringLiteral("log.txt"));
    m_chooser.PushAnswer(path.toStdString());
    CRecordDlg dlg(&m_lines);
    QStringList shown;
    bool openAfterSave = false;
    zel::test::WhenVisible<CRecordDlg>([&](CRecordDlg*) {
        auto* list = dlg.DlgItem<QListWidget>(CRecordDlg::kLineList);
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        dlg.DlgItem<QPushButton>(CRecordDlg::kSaveToFile)->click();
        openAfterSave = dlg.isVisible();
        dlg.DlgItem<QPushButton>(zel::IDOK)->click();
        if (dlg.isVisible()) dlg.done(zel::IDABORT);
    });
    EXPECT_EQ(dlg.DoModal(), zel::IDOK);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Record of calculation"));

    QStringList expectedShown;
    for (const std::string& line : m_lines)
        expectedShown << QString::fromStdString(line);
    EXPECT_EQ(shown, expectedShown);
    EXPECT_TRUE(openAfterSave);
    EXPECT_EQ(ReadFile(path),
              QByteArray("Found 2 new critical points, 0 unsuccessful tries.\r\n"
                         " \r\n"
                         "      Singular Hessian Matrix in Newton iteration.\r\n"
                         "   1  (3,-3)   0.00000000e+000  -1.43000000e-001   1.10000000e-001\r\n"));
    ASSERT_EQ(m_chooser.Requests().size(), 1u);
    const zel::SFileRequest request = m_chooser.Requests().front();
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.filter, "Text Files (*.txt)|*.txt||");
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_TRUE(request.overwritePrompt);
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(m_lines.Size(), 4u); // read, not changed
}

TEST_F(RecordDlgTest, AFileThatCannotBeWrittenIsSaid) {
    struct Case {
        std::optional<std::string> path;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {QDir(m_folder.path()).filePath(QStringLiteral("missing/log.txt")).toStdString(),
         {"Could not open file"}},
        {std::string("/dev/full"), {"Could not write file /dev/full: the record was not saved completely."}}, // opens, but every write fails
        {std::nullopt, {}},                                   // the user cancelled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.value_or("cancelled"));
        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService guard(prompts);
        m_chooser.PushAnswer(c.path);
        CRecordDlg dlg(&m_lines);
        dlg.SaveToFile();
        EXPECT_EQ(prompts.Texts(), c.messages);
    }
}

} // namespace
