// The program's window on a real X display (the tests run it under Xvfb):
// started on the example document as `make run` starts it, the main window
// is mapped with the document's caption and its panes drawn.

#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "app/RecordDlg.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtPrompts.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"
#include "ui/CritPointDlg.h"
#include "ui/MolGraphPlotDlg.h"
#include "view3d/3DFrame.h"
#include "view3d/3DView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The program started on the example document, its window mapped.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { zel::test::App(); }
    void StartOnExample() {
        ASSERT_TRUE(app.InitInstance({QString::fromLatin1(ZELMORA_EXAMPLES "/benzene.zlm")}, false));
        frame = app.GetMainFrame();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }

    zel::test::ScopedTestSettings settings;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard{prompts};
    CZelmoraApp app;
    CMainFrame* frame = nullptr;
};

} // namespace

TEST_F(WindowTest, ShowsTheExampleDocument) {
    StartOnExample();
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(frame->windowTitle().toStdString(),
              app.GetDocument()->GetMolecule()->GetJobTitle() + " - Zelmora");

    // The record of critical points is drawn into the record view.
    frame->activateWindow();
    ASSERT_TRUE(frame->ExecuteCommand(32777));
    ASSERT_GT(frame->GetRecordView()->GetLines().Size(), 5u);
    QTest::qWait(200);
    const QImage shot = frame->grab().toImage();
    EXPECT_EQ(shot.size(), frame->size() * shot.devicePixelRatio());
    // A look at the window, for whoever runs the test by hand.
    if (const char* out = std::getenv("ZELMORA_SCREENSHOT")) shot.save(QString::fromLocal8Bit(out));
}

namespace {

// A window manager on the test's display, as on a desktop: it decorates,
// maps and focuses windows, and may pass over a request to activate one.
class CWindowManager {
public:
    CWindowManager() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (program.isEmpty()) return;
        m_process.start(program, {QStringLiteral("--sm-disable")});
        if (m_process.waitForStarted()) QTest::qWait(500); // lets it take over the display
    }
    ~CWindowManager() {
        m_process.terminate();
        m_process.waitForFinished(3000);
    }
    bool Running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

} // namespace

// Under a window manager the critical-point dialog shows every caption whole
// (a screenshot of the screen is left for a look), and every modal window it
// opens, the progress and the search log, takes the keyboard at once:
// Return closes the log, time after time, and the main window never holds
// the keys meanwhile.
TEST_F(WindowTest, CriticalPointDialogUnderAWindowManager) {
    CWindowManager manager;
    ASSERT_TRUE(manager.Running()) << "openbox is needed (tools/install-deps.sh installs it)";
    StartOnExample();

    std::vector<std::string> faults;
    int logsClosedByReturn = 0;
    constexpr int kSearches = 6;
    zel::test::WhenVisible<CCritPointDlg>([&](CCritPointDlg* dlg) {
        QTest::qWait(300); // drawn, decorated and placed
        faults = zel::test::LayoutFaults(*dlg);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const char* out = std::getenv("ZELMORA_SCREENSHOT_DIALOG");
        shot.save(out ? QString::fromLocal8Bit(out) : QStringLiteral("critical_point_dialog.png"));
        for (int i = 0; i < kSearches; ++i) {
            zel::test::WhenVisible<CRecordDlg>([&](CRecordDlg* log) {
                QWidget* focus = QApplication::focusWidget();
                if (focus && focus->window() == log) {
                    QTest::keyClick(focus, Qt::Key_Return);
                    if (!log->isVisible()) ++logsClosedByReturn;
                }
                if (log->isVisible()) log->EndDialog(zel::IDOK);
            });
            dlg->DlgItem<QPushButton>(CCritPointDlg::kNuclearPositions)->click();
        }
        dlg->EndDialog(zel::IDOK);
    });
    ASSERT_TRUE(frame->ExecuteCommand(cmd::CalcCriticalPoints));
    EXPECT_EQ(faults, std::vector<std::string>{});
    EXPECT_EQ(logsClosedByReturn, kSearches);
}

// The benzene example with a new molecular-graph plot, made through the menu,
// on the X display: the plot pane shows the molecule (its red bond points and
// black paths), not an empty page. The screenshot is kept for a look.
TEST_F(WindowTest, MolecularGraphPlotOfBenzeneIsShown) {
    StartOnExample();
    frame->resize(1200, 1000);
    zel::test::WhenVisible<CMolGraphPlotDlg>([](CMolGraphPlotDlg* d) {
        for (int i = 0; i < 4; ++i)
            d->DlgItem<QAbstractButton>(CMolGraphPlotDlg::kFirstPointBox + i)->setChecked(true);
        for (int i = 0; i < 3; ++i)
            d->DlgItem<QAbstractButton>(CMolGraphPlotDlg::kBondBox + i)->setChecked(true);
        d->DlgItem<QAbstractButton>(zel::IDOK)->click();
    });
    ASSERT_TRUE(frame->ExecuteCommand(cmd::PlotNewMolGraph));
    ASSERT_NE(app.GetDocument()->GetMolecule()->GetCurrentPlot(), nullptr);

    // The user scrolls the page's centre, where the molecule is, into view.
    CPlotView* view = frame->GetPlotView();
    QTest::qWait(200);
    for (QScrollBar* bar : {view->horizontalScrollBar(), view->verticalScrollBar()})
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
    QTest::qWait(300);

    const QImage shot = frame->grab().toImage();
    std::filesystem::create_directories(ZELMORA_ARTIFACT_DIR);
    EXPECT_TRUE(shot.save(QString::fromLatin1(ZELMORA_ARTIFACT_DIR "/molgraph-benzene.png")));

    const qreal ratio = shot.devicePixelRatio();
    const QRect pane(view->viewport()->mapTo(frame, QPoint(0, 0)) * ratio, view->viewport()->size() * ratio);
    int red = 0;
    int black = 0;
    for (int y = pane.top(); y <= pane.bottom(); ++y)
        for (int x = pane.left(); x <= pane.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            black += c.red() < 60 && c.green() < 60 && c.blue() < 60;
        }
    // Twelve bond points of 2 mm radius, and the paths between them.
    EXPECT_GT(red, 12 * 50);
    EXPECT_GT(black, 500);
}

// Under a window manager, what the 3D view opens belongs to the 3D window:
// the message of a double click on empty space and the file dialog of the
// bitmap export open over it, and once they are closed the 3D window is
// the active one again, with the main window left where it was.
TEST_F(WindowTest, DialogsOfThe3DViewBelongToThe3DWindow) {
    CWindowManager manager;
    ASSERT_TRUE(manager.Running()) << "openbox is needed (tools/install-deps.sh installs it)";
    zel::CQtPromptService qtPrompts;
    zel::ScopedPromptService qtPromptGuard(qtPrompts);
    zel::CQtFileChooser qtFiles;
    zel::ScopedFileChooserService qtFileGuard(qtFiles);
    StartOnExample();
    frame->move(700, 100);
    C3DFrame* window = app.GetDocument()->Get3DFrame();
    ASSERT_NE(window, nullptr);
    C3DView* view = window->GetView();
    ASSERT_NE(view, nullptr) << window->GetMessage();
    window->move(0, 0);
    window->resize(500, 500);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    ASSERT_TRUE(zel::test::WaitUntil([&] { return QApplication::activeWindow() == window; }));

    std::vector<std::string> seen;
    const auto over3D = [&](QWidget* dialog) {
        QTest::qWait(200); // placed by the window manager
        return std::string(dialog->parentWidget() == window ? "owned by the 3D window" : "owned elsewhere") +
               (window->frameGeometry().contains(dialog->frameGeometry().center()) ? ", over it" : ", beside it");
    };
    zel::test::WhenVisible<QMessageBox>([&](QMessageBox* box) {
        seen.push_back(box->text().toStdString() + ": " + over3D(box));
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_TRUE(zel::test::WaitUntil([&] { return QApplication::activeWindow() == window; }))
        << "active: " << (QApplication::activeWindow() ? QApplication::activeWindow()->windowTitle().toStdString() : "none");

    zel::test::WhenVisible<QFileDialog>([&](QFileDialog* dialog) {
        seen.push_back("bitmap file: " + over3D(dialog));
        dialog->reject();
    });
    view->requestActivate();
    QTest::keyClick(view, Qt::Key_S);
    EXPECT_TRUE(zel::test::WaitUntil([&] { return QApplication::activeWindow() == window; }));
    EXPECT_EQ(seen, (std::vector<std::string>{" Nothing chosen. \n: owned by the 3D window, over it",
                                              "bitmap file: owned by the 3D window, over it"}));
    EXPECT_TRUE(prompts.Texts().empty());
}
