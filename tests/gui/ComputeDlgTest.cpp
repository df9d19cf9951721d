#include "GuiTestSupport.h"

#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/core/WorkerThread.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/QtPrompts.h"
#include "platform/qt/UiThread.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kFakeJob = 71;

// A job that reports progress, spins until it sees Cancel, then holds until
// the test lets it return, so the test can watch the dialog in between.
struct FakeJob {
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> release{false};
    std::atomic<bool> returned{false};

    void Run() {
        g_nProgress = 42;
        g_nEvaluations = 4242;
        SetStatusTextF("Searching from nucleus %d of %d", 3, 7);
        while (!IsCancelRequested()) {
            // a tight loop: only the cancel flag ends it
        }
        sawCancel = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        returned = true;
    }
};

// Cancels and lets a FakeJob return when a test's dialog callback ends, even
// through a failed assertion, so that the worker never outlives the test.
struct ReleaseOnExit {
    FakeJob& job;
    ~ReleaseOnExit() {
        g_bCancel = 1;
        job.release = true;
    }
};

// Ends a progress dialog that is still open after the guard time, so a broken
// dialog fails the test instead of hanging it.
class Watchdog {
public:
    Watchdog() {
        zel::test::App(); // timers need the application
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            ADD_FAILURE() << "progress dialog still open after the guard time";
            g_bCancel = 1;
            if (CComputeDlg* dlg = zel::test::FindVisible<CComputeDlg>()) dlg->done(zel::IDABORT);
        });
        m_timer.start(60000);
    }

private:
    QTimer m_timer;
};

class ComputeDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        zel::RegisterJobBody(kFakeJob, [](void* job) { static_cast<FakeJob*>(job)->Run(); });
    }
    void TearDown() override { zel::RegisterJobBody(kFakeJob, nullptr); }

    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    Watchdog m_watchdog;
};

TEST_F(ComputeDlgTest, ShowsProgressAndClosesOnlyAfterTheCancelledJobHasReturned) {
    QWidget mainWindow;
    mainWindow.show();
    zel::SetMainWidget(&mainWindow);
    FakeJob job;

    QString caption;
    bool shownProgress = false;
    bool cancelRaised = false;
    bool openWhileJobHeld = false;
    bool mainMinimized = false;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* dlg) {
        const ReleaseOnExit release{job};
        caption = dlg->windowTitle();
        shownProgress = zel::test::WaitUntil([&] {
            return dlg->DlgItem<QProgressBar>(CComputeDlg::kProgressBar)->value() == 42 &&
                   dlg->DlgItem<QLineEdit>(CComputeDlg::kEvaluations)->text() == QStringLiteral("4242") &&
                   dlg->DlgItem<QLineEdit>(CComputeDlg::kStatusLine)->text() ==
                       QStringLiteral("Searching from nucleus 3 of 7");
        });
        dlg->DlgItem<QPushButton>(CComputeDlg::kMinimizeMain)->click();
        mainMinimized = mainWindow.isMinimized();

        dlg->DlgItem<QPushButton>(zel::IDCANCEL)->click();
        cancelRaised = g_bCancel.load() == 1;
        ASSERT_TRUE(zel::test::WaitUntil([&] { return job.sawCancel.load(); }));
        // Escape and the close box only raise the flag again.
        dlg->close();
        QCoreApplication::processEvents();
        openWhileJobHeld = dlg->isVisible() && !job.returned;
    });
    const int result = CComputeDlg::Launch("Computation of (3, -3) critical points", &job, kFakeJob);
    zel::SetMainWidget(nullptr);

    EXPECT_EQ(result, zel::IDOK);
    EXPECT_EQ(caption, QStringLiteral("Computation of (3, -3) critical points"));
    EXPECT_TRUE(shownProgress);
    EXPECT_TRUE(mainMinimized);
    EXPECT_TRUE(cancelRaised);
    EXPECT_TRUE(openWhileJobHeld);
    EXPECT_TRUE(job.returned);
    EXPECT_EQ(g_bCancel.load(), 0); // the next job starts clean
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(ComputeDlgTest, WorkerRunsAtALowerSchedulingPriorityThanTheUiThread) {
    const int uiNice = zel::CurrentThreadNice();
    if (uiNice >= 19) GTEST_SKIP() << "the process already runs at the lowest priority";
    std::atomic<int> workerNice{-100};
    zel::RegisterJobBody(kFakeJob, [&](void*) { workerNice = zel::CurrentThreadNice(); });
    EXPECT_EQ(CComputeDlg::Launch("Computation of critical points", nullptr, kFakeJob), zel::IDOK);
    EXPECT_GT(workerNice.load(), uiNice);
}

// When the modal loop ends while the job runs (the application quits), the
// dialog stops the job and still serves the job's last request to the UI
// thread instead of waiting for it forever.
TEST_F(ComputeDlgTest, LeavingTheModalLoopEarlyStopsTheJobWithoutADeadlock) {
    std::atomic<bool> running{false};
    std::atomic<bool> servedOnUiThread{false};
    zel::RegisterJobBody(kFakeJob, [&](void*) {
        running = true;
        while (!IsCancelRequested()) {
        }
        zel::RunOnUiThread([&] { servedOnUiThread = zel::IsUiThread(); });
    });
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* dlg) {
        zel::test::WaitUntil([&] { return running.load(); });
        dlg->done(zel::IDABORT); // bypasses Cancel, as the end of the application does
    });
    // A deadlock would block the UI thread for good: end the process instead of hanging.
    std::atomic<bool> finished{false};
    std::thread deadlockGuard([&] {
        for (int i = 0; i < 6000 && !finished; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!finished) {
            std::fprintf(stderr,
                         "deadlock: the progress dialog waits for a job that waits for the UI thread\n");
            std::_Exit(1);
        }
    });
    const int result = CComputeDlg::Launch("Calculation of initial envelope grid", nullptr, kFakeJob);
    finished = true;
    deadlockGuard.join();

    EXPECT_EQ(result, zel::IDABORT);
    EXPECT_TRUE(servedOnUiThread);
    EXPECT_EQ(g_bCancel.load(), 0);
}

// Whatever goes wrong, the dialog closes, says why, and leaves the flag clear.
TEST_F(ComputeDlgTest, ClosesAndSaysSoWhenTheJobCannotRun) {
    struct Case {
        const char* name;
        bool failStart;
        int type;
        int result;
        std::string messagePrefix;
    };
    zel::RegisterJobBody(kFakeJob, [](void*) { throw std::runtime_error("Not enough working memory"); });
    const Case cases[] = {
        {"thread cannot start", true, kFakeJob, zel::IDCANCEL, "Could not start the computation: "},
        {"body throws", false, kFakeJob, zel::IDOK, "The computation failed: Not enough working memory"},
        {"type without a body", false, 4711, zel::IDOK, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService guard(prompts);
        zel::CWorkerThread::Launcher previous;
        if (c.failStart) {
            previous = zel::CWorkerThread::SetLauncher([](std::function<void()>) -> std::thread {
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            });
        }
        const int result = CComputeDlg::Launch("Relief Map", nullptr, c.type);
        if (c.failStart) zel::CWorkerThread::SetLauncher(previous);

        EXPECT_EQ(result, c.result);
        EXPECT_EQ(g_bCancel.load(), 0);
        const std::vector<std::string> texts = prompts.Texts();
        if (c.messagePrefix.empty()) {
            EXPECT_TRUE(texts.empty());
        } else {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0].rfind(c.messagePrefix, 0), 0u) << texts[0];
        }
    }
}

// A search job refills its dialog's list and shows its summary from the
// worker; both happen on the UI thread while the progress dialog is open, and
// the launcher's record dialog comes after the progress dialog has closed.
TEST_F(ComputeDlgTest, JobMessagesAndRefillsRunOnTheUiThreadInOrder) {
    zel::CQtPromptService qtPrompts;
    zel::ScopedPromptService qtGuard(qtPrompts);
    QListWidget pointList; // the launching dialog's list
    std::vector<std::string> events;
    std::atomic<int> summaryAnswer{0};

    zel::RegisterJobBody(kFakeJob, [&](void*) {
        zel::RunOnUiThread([&] {
            events.push_back(zel::IsUiThread() ? "list refilled on the UI thread"
                                               : "list refilled on the worker");
            pointList.addItem(QStringLiteral("   1  (3,-3)"));
        });
        summaryAnswer = zel::ShowMessageBox("Found 2 new critical points, 0 unsuccessful tries.");
    });

    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* dlg) {
        QObject::connect(dlg, &QDialog::finished, [&] { events.push_back("progress dialog closed"); });
        zel::test::WhenVisible<QMessageBox>([&, dlg](QMessageBox* box) {
            events.push_back(
                box->text().toStdString() +
                (box->thread() == QCoreApplication::instance()->thread() ? " (UI thread" : " (worker") +
                (dlg->isVisible() ? ", progress dialog open)" : ", progress dialog closed)"));
            box->button(QMessageBox::Ok)->click();
        });
    });
    CComputeDlg::Launch("Computation of (3, -3) critical points", nullptr, kFakeJob);

    zel::CTextRecord log;
    log.Add("Found 2 new critical points, 0 unsuccessful tries.");
    CRecordDlg record(&log);
    zel::test::WhenVisible<CRecordDlg>([&](CRecordDlg* shown) {
        events.push_back("record dialog shown");
        shown->done(zel::IDOK);
    });
    record.DoModal();

    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "list refilled on the UI thread",
                  "Found 2 new critical points, 0 unsuccessful tries. (UI thread, progress dialog open)",
                  "progress dialog closed",
                  "record dialog shown",
              }));
    EXPECT_EQ(pointList.count(), 1);
    EXPECT_EQ(summaryAnswer.load(), zel::IDOK);
}

// A task of the launcher runs on the worker behind the dialog, which shows
// its title and status line and offers no Cancel it could not honour: the UI
// thread goes on serving events meanwhile (the task waits for a timer of the
// UI thread). Without a worker it still runs.
TEST_F(ComputeDlgTest, TaskRunsOnTheWorkerWhileTheWindowsKeepServingEvents) {
    const std::thread::id uiThread = std::this_thread::get_id();
    std::atomic<bool> ticked{false};
    QTimer tick;
    tick.setSingleShot(true);
    QObject::connect(&tick, &QTimer::timeout, [&] { ticked = true; });
    std::thread::id workThread;
    bool sawTick = false;
    std::atomic<bool> looked{false};
    bool cancellable = true;
    std::string caption, status;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* dlg) {
        caption = dlg->windowTitle().toStdString();
        cancellable = dlg->GetDlgItem(zel::IDCANCEL)->isEnabled();
        zel::test::WaitUntil([&] { return !dlg->GetDlgItemText(CComputeDlg::kStatusLine).empty(); });
        status = dlg->GetDlgItemText(CComputeDlg::kStatusLine);
        looked = true;
    });
    CComputeDlg::RunTask("Saving document", "/tmp/big.zlm", [&] {
        workThread = std::this_thread::get_id();
        zel::RunOnUiThread([&] { tick.start(50); });
        // Done once the UI thread has served the timer and the test's look.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!(ticked && looked) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sawTick = ticked;
    });
    EXPECT_NE(workThread, uiThread);
    EXPECT_TRUE(sawTick);
    EXPECT_EQ(caption, "Saving document");
    EXPECT_EQ(status, "/tmp/big.zlm");
    EXPECT_FALSE(cancellable);
    EXPECT_TRUE(m_prompts.Texts().empty());

    const zel::CWorkerThread::Launcher previous =
        zel::CWorkerThread::SetLauncher([](std::function<void()>) -> std::thread {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    bool ran = false;
    CComputeDlg::RunTask("Saving document", "", [&] { ran = true; });
    zel::CWorkerThread::SetLauncher(previous);
    EXPECT_TRUE(ran);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0].rfind("Could not start the computation: ", 0), 0u);
}

// The width of a line edit's text area: the style's contents rectangle less
// the edit's own margins of 2 pixels on either side.
int TextAreaWidth(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const QRect area = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return area.width() - edit->textMargins().left() - edit->textMargins().right() - 4;
}

// A long caption and a status line of the full 119 characters show whole:
// the dialog is wider than its caption in a bold title font with room for the
// title bar's icon and buttons, the status line shows all of its text, and
// every other control still fits.
TEST_F(ComputeDlgTest, CaptionAndStatusLineShowWhole) {
    const std::string title = "Radial Integration of C1 over atomic basin";
    std::string longStatus = "Integrating over theta = 1.570796326794897, phi = 3.141592653589793: ray 1234 of 4096, R = ";
    while (longStatus.size() < 119) longStatus += "9";
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const int captionWidth = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title));

    FakeJob job;
    int dialogWidth = 0, textWidth = 0, textArea = 0;
    std::vector<std::string> faults;
    zel::test::WhenVisible<CComputeDlg>([&](CComputeDlg* dlg) {
        const ReleaseOnExit release{job};
        auto* status = dlg->DlgItem<QLineEdit>(CComputeDlg::kStatusLine);
        dialogWidth = dlg->width();
        ASSERT_TRUE(zel::test::WaitUntil([&] { return status->text().startsWith(QStringLiteral("Searching")); }));
        SetStatusText(longStatus);
        ASSERT_TRUE(zel::test::WaitUntil([&] { return status->text().size() == 119; }));
        textWidth = status->fontMetrics().horizontalAdvance(status->text());
        textArea = TextAreaWidth(status);
        faults = zel::test::LayoutFaults(*dlg);
    });
    CComputeDlg::Launch(title, &job, kFakeJob);
    EXPECT_GE(dialogWidth, captionWidth + 100);
    EXPECT_GE(textArea, textWidth);
    EXPECT_EQ(faults, std::vector<std::string>{});
}

} // namespace
