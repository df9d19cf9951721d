#include "GuiTestSupport.h"

#include "app/RecordDlg.h"
#include "platform/core/Format.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QAbstractItemView>
#include <QPushButton>
#include <QTimer>

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
    std::vector<std::string> shown;
    bool openAfterSave = false;
    zel::test::WhenVisible<CRecordDlg>([&](CRecordDlg*) {
        shown = zel::test::ListLines(dlg.DlgItem<QAbstractItemView>(CRecordDlg::kLineList));
        dlg.DlgItem<QPushButton>(CRecordDlg::kSaveToFile)->click();
        openAfterSave = dlg.isVisible();
        dlg.DlgItem<QPushButton>(zel::IDOK)->click();
        if (dlg.isVisible()) dlg.done(zel::IDABORT);
    });
    EXPECT_EQ(dlg.DoModal(), zel::IDOK);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Record of calculation"));

    EXPECT_EQ(shown, m_lines.Lines());
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

// The log of a 64,000-try grid search (seven lines a try) opens without
// holding up the window: a timer of the main window keeps firing at its rate
// while the dialog opens, shows the lines and scrolls to the last of them.
TEST_F(RecordDlgTest, ALogOfAnyLengthOpensWithoutBlockingTheWindow) {
    zel::CTextRecord log;
    log.Add("Newton's method, starting at points of a grid");
    log.Add("");
    for (int i = 0; i < 64000; ++i) {
        log.Add("Newton iteration for RHO, electron density:");
        log.Add(zel::Sprintf("      Starting point: x =%11.6lf,  y =%11.6lf,   z =%11.6lf", 0.1 * i, -0.2, 0.3));
        log.Add("");
        log.Add("      Iteration no 7:");
        log.Add("      Found point: x =   1.000000,  y =   2.000000,   z =   3.000000");
        log.Add("      Result is already in the list of critical points.");
        log.Add("");
    }
    QWidget window;
    window.show();
    QTimer ticker(&window);
    std::vector<std::chrono::steady_clock::time_point> ticks;
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] { ticks.push_back(std::chrono::steady_clock::now()); });
    ticker.start(10);
    zel::test::WaitUntil([&] { return ticks.size() >= 3; });

    CRecordDlg dlg(&log, &window);
    std::vector<std::string> firstAndLast;
    int rows = 0;
    zel::test::WhenVisible<CRecordDlg>([&](CRecordDlg*) {
        auto* list = dlg.DlgItem<QAbstractItemView>(CRecordDlg::kLineList);
        list->scrollToBottom();
        const QAbstractItemModel* model = list->model();
        rows = model->rowCount();
        firstAndLast = {model->index(0, 0).data().toString().toStdString(),
                        model->index(rows - 2, 0).data().toString().toStdString()};
        const std::size_t before = ticks.size();
        zel::test::WaitUntil([&] { return ticks.size() >= before + 10; });
        dlg.EndDialog(zel::IDOK);
    });
    dlg.DoModal();
    ticker.stop();

    EXPECT_EQ(rows, 2 + 7 * 64000);
    EXPECT_EQ(firstAndLast, (std::vector<std::string>{"Newton's method, starting at points of a grid",
                                                      "      Result is already in the list of critical points."}));
    // The window's timer never waited long: the old list box took seconds
    // to take in such a log line by line.
    std::chrono::steady_clock::duration longest{};
    for (std::size_t i = 1; i < ticks.size(); ++i)
        longest = std::max(longest, ticks[i] - ticks[i - 1]);
    EXPECT_LT(longest, std::chrono::milliseconds(500));
}
