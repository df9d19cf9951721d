#include "GuiTestSupport.h"

#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtPrompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using zel::PromptButtons;

namespace {

class PromptTest : public ::testing::Test {
protected:
    void SetUp() override { zel::test::App(); }
};

// Every button set of the framework, asked for from a worker thread: the box
// is a widget of the UI thread, the worker waits, and the answer reaches it.
TEST_F(PromptTest, BoxAskedFromTheWorkerIsShownOnTheUiThreadAndAnswersTheWorker) {
    struct Case {
        PromptButtons buttons;
        QMessageBox::StandardButtons shown;
        QMessageBox::StandardButton click;
        int answer;
    };
    const Case cases[] = {
        {PromptButtons::OK, QMessageBox::Ok, QMessageBox::Ok, zel::IDOK},
        {PromptButtons::OKCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, zel::IDCANCEL},
        {PromptButtons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, zel::IDNO},
        {PromptButtons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Yes, zel::IDYES},
        {PromptButtons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry,
         zel::IDRETRY},
    };
    zel::CQtPromptService service;
    zel::ScopedPromptService guard(service);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.buttons));
        std::atomic<int> answer{0};
        std::atomic<bool> answered{false};
        bool handled = false;
        zel::test::WhenVisible<QMessageBox>([&](QMessageBox* box) {
            EXPECT_EQ(box->thread(), QApplication::instance()->thread());
            EXPECT_EQ(box->text(),
                      QStringLiteral("All previous basin integration results will be deleted! Continue?"));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Zelmora"));
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->standardButtons(), c.shown);
            EXPECT_FALSE(answered.load()); // the worker is still waiting
            if (QAbstractButton* button = box->button(c.click))
                button->click();
            else
                box->done(0);
            handled = true;
        });
        std::thread worker([&] {
            answer = zel::ShowMessageBox("All previous basin integration results will be deleted! Continue?",
                                         c.buttons, zel::PromptIcon::Question);
            answered = true;
        });
        EXPECT_TRUE(zel::test::WaitUntil([&] { return handled && answered; }));
        worker.join();
        EXPECT_EQ(answer.load(), c.answer);
    }
}

// A box asked for while a window other than the main one owns the dialogs
// opens over that window; a box asked for by the worker meanwhile still
// belongs to the main window; a short text leaves the caption room to show
// whole beside the title bar's icon and buttons.
TEST_F(PromptTest, BoxBelongsToTheWindowThatAsksAndShowsItsCaptionWhole) {
    zel::CQtPromptService service;
    zel::ScopedPromptService guard(service);
    QWidget mainWindow, viewWindow;
    mainWindow.show();
    viewWindow.show();
    zel::SetMainWidget(&mainWindow);
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const int captionWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("Zelmora"));

    std::vector<const QWidget*> owners;
    int width = 0;
    const auto close = [&](QMessageBox* box) {
        owners.push_back(box->parentWidget());
        width = std::max(width, box->width());
        box->button(QMessageBox::Ok)->click();
    };
    zel::test::WhenVisible<QMessageBox>(close);
    {
        const zel::ScopedDialogOwner owner(&viewWindow);
        zel::ShowMessageBox(" Nothing chosen. \n");
        zel::test::WhenVisible<QMessageBox>(close);
        std::thread worker([] { zel::ShowMessageBox("Found 2 new critical points, 0 unsuccessful tries."); });
        while (owners.size() < 2) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        worker.join();
    }
    zel::test::WhenVisible<QMessageBox>(close);
    zel::ShowMessageBox(" Nothing chosen. \n");
    zel::SetMainWidget(nullptr);

    EXPECT_EQ(owners, (std::vector<const QWidget*>{&viewWindow, &mainWindow, &mainWindow}));
    EXPECT_GE(width, captionWidth + 100);
}

TEST_F(PromptTest, FrameworkFilterStringsBecomeQtNameFilters) {
    struct Case {
        const char* filter;
        std::vector<zel::SFileFilter> entries;
        const char* qt;
    };
    const Case cases[] = {
        {"Text Files (*.txt)|*.txt||", {{"Text Files (*.txt)", {"*.txt"}}}, "Text Files (*.txt)"},
        {"Data Files (*.dat)|*.dat|All Files (*.*)|*.*||",
         {{"Data Files (*.dat)", {"*.dat"}}, {"All Files (*.*)", {"*.*"}}},
         "Data Files (*.dat);;All Files (*)"},
        {"Pictures|*.bmp; *.emf||", {{"Pictures", {"*.bmp", "*.emf"}}}, "Pictures (*.bmp *.emf)"},
        {"", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(zel::ParseFileFilter(c.filter), c.entries);
        EXPECT_EQ(zel::QtNameFilters(c.filter), QString::fromUtf8(c.qt));
    }
}

// The file name as the user types it: the name field has the focus of the
// open dialog, and selectFile leaves a field being typed in alone.
void TypeFileName(QFileDialog* dialog, const QString& name) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(name);
}

// The save dialog adds the default extension and asks before replacing a file.
TEST_F(PromptTest, SaveChooserAddsTheExtensionAndAsksBeforeOverwriting) {
    QTemporaryDir folder;
    {
        QFile existing(QDir(folder.path()).filePath(QStringLiteral("old.txt")));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    }
    zel::SFileRequest request;
    request.save = true;
    request.filter = "Text Files (*.txt)|*.txt||";
    request.defaultExtension = "txt";
    request.fileName = "*.txt";
    request.overwritePrompt = true;
    zel::CQtFileChooser chooser;

    // A new name: the extension is added, no question.
    zel::test::WhenVisible<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Text Files (*.txt)")});
        dialog->setDirectory(folder.path());
        TypeFileName(dialog, QStringLiteral("log"));
        static_cast<QDialog*>(dialog)->accept(); // public in QDialog
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(chooser.ChooseFile(request),
              QDir(folder.path()).filePath(QStringLiteral("log.txt")).toStdString());

    // An existing file: "No" keeps the dialog open, "Yes" takes the file.
    std::vector<QString> questions;
    bool openAfterNo = false;
    zel::test::WhenVisible<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(folder.path());
        for (QMessageBox::StandardButton reply : {QMessageBox::No, QMessageBox::Yes}) {
            zel::test::WhenVisible<QMessageBox>([&, reply](QMessageBox* box) {
                questions.push_back(box->text());
                box->button(reply)->click();
            });
            TypeFileName(dialog, QStringLiteral("old"));
            static_cast<QDialog*>(dialog)->accept(); // public in QDialog
            if (reply == QMessageBox::No) openAfterNo = dialog->isVisible();
        }
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(chooser.ChooseFile(request),
              QDir(folder.path()).filePath(QStringLiteral("old.txt")).toStdString());
    EXPECT_TRUE(openAfterNo);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("old.txt")));
}

// The dialog opens in the folder the request names (the document's), else
// in the folder of the file last chosen, and proposes the request's name.
TEST_F(PromptTest, ChooserOpensInTheRequestsFolderElseTheLastOneUsed) {
    QTemporaryDir documents;
    QTemporaryDir other;
    zel::CQtFileChooser chooser;
    zel::SFileRequest request;
    request.save = true;
    request.filter = "Windows Meta File (*.emf)|*.emf||";
    request.defaultExtension = "emf";
    request.fileName = "New Plot (1).emf";

    struct Step {
        std::string directory; // of the request
        QString opensIn;       // expected folder of the dialog
        QString choose;        // folder the user picks the file in
    };
    const QString documentsPath = QFileInfo(documents.path()).canonicalFilePath();
    const QString otherPath = QFileInfo(other.path()).canonicalFilePath();
    const Step steps[] = {
        {documentsPath.toStdString(), documentsPath, otherPath},
        {"", otherPath, otherPath},                          // no folder: the last one used
        {"/nonexistent-folder", otherPath, documentsPath},  // a folder gone: the last one used
        {"", documentsPath, documentsPath},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.directory);
        request.directory = step.directory;
        QString openedIn;
        QString proposed;
        zel::test::WhenVisible<QFileDialog>([&](QFileDialog* dialog) {
            openedIn = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (field) proposed = field->text();
            dialog->setDirectory(step.choose);
            TypeFileName(dialog, QStringLiteral("plot"));
            static_cast<QDialog*>(dialog)->accept(); // public in QDialog
            if (dialog->isVisible()) dialog->reject();
        });
        EXPECT_EQ(chooser.ChooseFile(request), QDir(step.choose).filePath(QStringLiteral("plot.emf")).toStdString());
        EXPECT_EQ(openedIn, step.opensIn);
        EXPECT_EQ(proposed, QStringLiteral("New Plot (1).emf"));
    }
}

} // namespace
