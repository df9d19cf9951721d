#pragma once
// State shared between the running job on the worker thread and the progress
// dialog on the user-interface thread. Counters and flags are atomics; the
// status line sits behind a mutex.

#include <atomic>
#include <string>

extern std::atomic<int> g_nJobType;
extern std::atomic<void*> g_pJobObject;
extern std::atomic<int> g_nProgress;    // 0..100
extern std::atomic<int> g_nEvaluations; // wavefunction evaluations of the running job
extern std::atomic<int> g_bCancel;      // set by "Cancel Computation", polled by jobs

// The status line holds at most 119 characters; longer texts are cut.
void SetStatusText(const std::string& text);
// printf-style status line for the job bodies (locale-independent, as zel::Sprintf).
void SetStatusTextF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string GetStatusText();

// Relaxed increment: the counter is only displayed, never synchronised on.
inline void CountEvaluation() { g_nEvaluations.fetch_add(1, std::memory_order_relaxed); }
inline bool IsCancelRequested() { return g_bCancel.load(std::memory_order_relaxed) != 0; }
