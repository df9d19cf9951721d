#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(JobStateTest, StatusLineKeepsAtMost119Characters) {
    SetStatusText(std::string(119, 'a'));
    EXPECT_EQ(GetStatusText(), std::string(119, 'a'));
    SetStatusText(std::string(119, 'b') + "cdef");
    EXPECT_EQ(GetStatusText(), std::string(119, 'b'));
    SetStatusTextF("Path %d of %d, accuracy %.1e", 3, 12, 1e-5);
    EXPECT_EQ(GetStatusText(), "Path 3 of 12, accuracy 1.0e-005");
    SetStatusText("");
}

// The worker rewrites the status line while the dialog reads it: the reader
// sees one whole text or the other, never a mixture.
TEST(JobStateTest, StatusLineIsNeverSeenHalfWritten) {
    const std::string longText(119, 'x');
    const std::string shortText = "Searching from nucleus 1 of 3";
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i)
            SetStatusText(i % 2 ? longText : shortText);
        done = true;
    });
    int torn = 0;
    while (!done) {
        const std::string seen = GetStatusText();
        if (seen != longText && seen != shortText && !seen.empty()) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    SetStatusText("");
}

TEST(JobStateTest, TightLoopSeesCancelAndEveryEvaluationCounts) {
    g_bCancel = 0;
    g_nEvaluations = 0;
    std::atomic<bool> running{false};
    std::thread job([&] {
        running = true;
        while (!IsCancelRequested()) {
        }
    });
    constexpr int kThreads = 4;
    constexpr int kEach = 25000;
    std::vector<std::thread> evaluators;
    for (int t = 0; t < kThreads; ++t)
        evaluators.emplace_back([] {
            for (int i = 0; i < kEach; ++i)
                CountEvaluation();
        });
    for (std::thread& t : evaluators)
        t.join();
    while (!running)
        std::this_thread::yield();
    g_bCancel = 1;
    job.join(); // ends: the loop reloads the flag
    g_bCancel = 0;
    EXPECT_EQ(g_nEvaluations.load(), kThreads * kEach);
}

struct Search {
    int runs = 0;
    void SearchFromNuclei() { ++runs; }
};

TEST(JobTableTest, RunsTheRegisteredBodyWithTheJobObject) {
    Search search;
    zel::RegisterJobMethod(zel::kJobSearchFromNuclei, &Search::SearchFromNuclei);
    EXPECT_TRUE(zel::RunJobBody(zel::kJobSearchFromNuclei, &search));
    EXPECT_EQ(search.runs, 1);

    EXPECT_FALSE(zel::RunJobBody(4711, &search)); // no body: nothing runs
    zel::RegisterJobBody(zel::kJobSearchFromNuclei, nullptr);
    EXPECT_FALSE(zel::HasJobBody(zel::kJobSearchFromNuclei));
    EXPECT_FALSE(zel::RunJobBody(zel::kJobSearchFromNuclei, &search));
    EXPECT_EQ(search.runs, 1);
}

} // namespace
