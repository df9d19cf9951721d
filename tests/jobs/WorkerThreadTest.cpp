#include "platform/core/WorkerThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

TEST(WorkerThreadTest, RunsTheBodyBelowTheStartersPriorityThenReportsIt) {
    const int starterNice = zel::CurrentThreadNice();
    std::atomic<int> bodyNice{-100};
    std::atomic<bool> finishedBeforeNotice{false};
    std::atomic<bool> noticed{false};
    std::thread::id bodyThread;
    zel::CWorkerThread worker;
    std::string error;
    ASSERT_TRUE(worker.Start(
        [&] {
            bodyNice = zel::CurrentThreadNice();
            bodyThread = std::this_thread::get_id();
        },
        [&] {
            finishedBeforeNotice = worker.IsFinished();
            noticed = true;
        },
        error))
        << error;
    EXPECT_TRUE(worker.WaitFinished(std::chrono::minutes(1)));
    worker.Join();
    EXPECT_TRUE(noticed);
    EXPECT_TRUE(finishedBeforeNotice);
    EXPECT_NE(bodyThread, std::this_thread::get_id());
    EXPECT_TRUE(worker.FailureText().empty());
    if (starterNice < 19) {
        EXPECT_EQ(bodyNice.load(), std::min(19, starterNice + zel::CWorkerThread::kNiceIncrement));
    }
    EXPECT_EQ(zel::CurrentThreadNice(), starterNice); // the starter keeps its priority
}

TEST(WorkerThreadTest, KeepsWhatEndedTheBodyAndStillReportsTheEnd) {
    zel::CWorkerThread worker;
    std::atomic<bool> noticed{false};
    std::string error;
    ASSERT_TRUE(worker.Start([] { throw std::runtime_error("Not enough working memory"); },
                             [&] { noticed = true; }, error));
    worker.Join();
    EXPECT_TRUE(noticed);
    EXPECT_TRUE(worker.IsFinished());
    EXPECT_EQ(worker.FailureText(), "Not enough working memory");
}

TEST(WorkerThreadTest, AThreadThatCannotStartIsReportedAndRunsNothing) {
    const auto previous = zel::CWorkerThread::SetLauncher([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "pthread_create");
    });
    zel::CWorkerThread worker;
    bool ran = false;
    std::string error;
    const bool started = worker.Start([&] { ran = true; }, {}, error);
    zel::CWorkerThread::SetLauncher(previous);

    EXPECT_FALSE(started);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(worker.IsStarted());
    EXPECT_EQ(error.rfind("pthread_create", 0), 0u) << error;
}

} // namespace
