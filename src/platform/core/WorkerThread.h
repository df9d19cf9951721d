#pragma once
// The one worker thread of a job. It runs below the scheduling priority of the
// thread that started it so the user interface stays responsive while a job
// computes. On Linux the nice value is per thread and is the only priority a
// normal process may lower (thread priorities of the default scheduler are
// ignored), so the worker raises its own nice value.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zel {

class CWorkerThread {
public:
    // Starts a std::thread for a function; replaceable so tests can make the
    // start fail the way an exhausted system does.
    using Launcher = std::function<std::thread(std::function<void()>)>;

    // Nice steps the worker sits below the thread that starts it.
    static constexpr int kNiceIncrement = 10;

    CWorkerThread() = default;
    // Waits for a running body; the owner should have asked it to stop.
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Runs body on a new thread, then onFinished on the same thread after the
    // worker has been marked finished (so the owner can post a wake-up).
    // An exception from the body is kept as FailureText(). Returns false with
    // the reason in `error` when the thread cannot be started; nothing runs then.
    // One job per object: starting again needs Join() first.
    bool Start(std::function<void()> body, std::function<void()> onFinished, std::string& error);

    // A thread was started and has not been joined yet.
    bool IsStarted() const;
    // The body has returned (or thrown).
    bool IsFinished() const;
    // Waits at most `timeout` for the body to return; true when it has.
    bool WaitFinished(std::chrono::milliseconds timeout);
    // Waits for the thread to end; does nothing when none was started.
    void Join();

    // what() of an exception that ended the body, empty otherwise.
    std::string FailureText() const;

    // Installs a launcher (empty: std::thread) and returns the previous one.
    static Launcher SetLauncher(Launcher launcher);

private:
    void Run(const std::function<void()>& body, const std::function<void()>& onFinished);

    mutable std::mutex m_mutex;
    std::condition_variable m_finishedChanged;
    bool m_finished = false;
    std::string m_failure;
    std::thread m_thread;
};

// Nice value of the calling thread (higher is lower priority).
int CurrentThreadNice();

// Raises the calling thread's nice value by `increment` (capped at 19).
// False when the system refused.
bool LowerCurrentThreadPriority(int increment);

} // namespace zel
