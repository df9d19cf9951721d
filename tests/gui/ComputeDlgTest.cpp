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

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
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
        struct Release {
            FakeJob& job;
            ~Release() {
                g_bCancel = 1;
                job.release = true;
            }
        } release{job};
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

} // namespace
