#include "platform/qt/UiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace zel {

namespace {

struct Task {
    const std::function<void()>* fn = nullptr;
    bool done = false;
    std::exception_ptr error;
};

std::mutex s_mutex;
std::condition_variable s_taskDone;
std::deque<Task*> s_pending;

// Receives the wake-up events on the UI thread.
class CUiDispatcher : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            ProcessPendingUiTasks();
            return true;
        }
        return QObject::event(e);
    }
};

CUiDispatcher* Dispatcher() {
    static CUiDispatcher* dispatcher = [] {
        auto* d = new CUiDispatcher;
        if (QCoreApplication* app = QCoreApplication::instance()) d->moveToThread(app->thread());
        return d;
    }();
    return dispatcher;
}

} // namespace

bool IsUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RunOnUiThread(const std::function<void()>& fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    Task task;
    task.fn = &fn;
    CUiDispatcher* dispatcher = Dispatcher();
    {
        std::lock_guard lock(s_mutex);
        s_pending.push_back(&task);
    }
    QCoreApplication::postEvent(dispatcher, new QEvent(QEvent::User));
    std::unique_lock lock(s_mutex);
    s_taskDone.wait(lock, [&task] { return task.done; });
    if (task.error) std::rethrow_exception(task.error);
}

void ProcessPendingUiTasks() {
    if (!IsUiThread()) return;
    for (;;) {
        Task* task = nullptr;
        {
            std::lock_guard lock(s_mutex);
            if (s_pending.empty()) return;
            task = s_pending.front();
            s_pending.pop_front();
        }
        std::exception_ptr error;
        try {
            (*task->fn)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(s_mutex);
            task->error = error;
            task->done = true;
        }
        s_taskDone.notify_all();
    }
}

} // namespace zel
