#include "platform/core/WorkerThread.h"

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zel {

namespace {

std::mutex s_launcherMutex;
CWorkerThread::Launcher s_launcher;

id_t CurrentThreadId() {
    return static_cast<id_t>(::syscall(SYS_gettid));
}

} // namespace

int CurrentThreadNice() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, CurrentThreadId());
    return errno == 0 ? nice : 0;
}

bool LowerCurrentThreadPriority(int increment) {
    int target = CurrentThreadNice() + increment;
    if (target > 19) target = 19;
    return ::setpriority(PRIO_PROCESS, CurrentThreadId(), target) == 0;
}

CWorkerThread::Launcher CWorkerThread::SetLauncher(Launcher launcher) {
    std::lock_guard lock(s_launcherMutex);
    return std::exchange(s_launcher, std::move(launcher));
}

CWorkerThread::~CWorkerThread() {
    Join();
}

bool CWorkerThread::Start(std::function<void()> body, std::function<void()> onFinished, std::string& error) {
    if (m_thread.joinable()) {
        error = "A job is already running.";
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_finished = false;
        m_failure.clear();
    }
    Launcher launcher;
    {
        std::lock_guard lock(s_launcherMutex);
        launcher = s_launcher;
    }
    std::function<void()> run = [this, body = std::move(body), onFinished = std::move(onFinished)] {
        Run(body, onFinished);
    };
    try {
        m_thread = launcher ? launcher(std::move(run)) : std::thread(std::move(run));
    } catch (const std::system_error& e) {
        error = e.what();
        return false;
    } catch (const std::bad_alloc&) {
        error = "Not enough memory";
        return false;
    }
    if (!m_thread.joinable()) {
        error = "The worker thread did not start.";
        return false;
    }
    return true;
}

void CWorkerThread::Run(const std::function<void()>& body, const std::function<void()>& onFinished) {
    LowerCurrentThreadPriority(kNiceIncrement);
    std::string failure;
    try {
        body();
    } catch (const std::exception& e) {
        failure = e.what();
        if (failure.empty()) failure = "unknown error";
    } catch (...) {
        failure = "unknown error";
    }
    {
        std::lock_guard lock(m_mutex);
        m_failure = std::move(failure);
        m_finished = true;
    }
    m_finishedChanged.notify_all();
    if (onFinished) onFinished();
}

bool CWorkerThread::IsStarted() const {
    return m_thread.joinable();
}

bool CWorkerThread::IsFinished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}

bool CWorkerThread::WaitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_finishedChanged.wait_for(lock, timeout, [this] { return m_finished; });
}

void CWorkerThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

std::string CWorkerThread::FailureText() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

} // namespace zel
