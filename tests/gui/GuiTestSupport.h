#pragma once
// Support of the widget tests: one QApplication on the offscreen platform,
// waiting on conditions while events are served, and acting on the window a
// modal call has opened. Time limits are only guards against a hang, never
// the thing tested.

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAbstractItemView;

namespace zel {
class CDialog;
}

namespace zel::test {

// What a dialog shows cut off at its present font, one line per fault: a
// caption wider than its button, check box or frame, a label that needs
// more lines than its height holds, a real-number field narrower than the
// widest number, a control outside the dialog. Empty when all fits. Widths
// are asked with the given room to spare (1.05: 5 % more than the text
// needs), so that a somewhat wider font fits too.
std::vector<std::string> LayoutFaults(const zel::CDialog& dialog, double spare = 1.0);

// The lines of a list box (a list widget or a record's line list), top to bottom.
std::vector<std::string> ListLines(const QAbstractItemView* list);

// The application of the test process, created on first use; the offscreen
// platform unless QT_QPA_PLATFORM says otherwise or a display is given.
QApplication& App();

// Serves events until cond holds; false when the guard time ran out first.
bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds guard = std::chrono::seconds(30));

// The first visible top-level widget of type T that matches.
template <class T> T* FindVisible(const std::function<bool(T*)>& match = {}) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* typed = dynamic_cast<T*>(widget);
        if (typed && typed->isVisible() && (!match || match(typed))) return typed;
    }
    return nullptr;
}

// A modal dialog that has opened must hold the keyboard focus on one of its
// own controls, never on the window behind it; a test failure says which.
void ExpectFocusInside(QWidget* window);

// Runs `action` once a visible top-level T (that matches) exists. A timer
// looks for it, so the action runs inside that window's own modal loop. A
// dialog found must have the keyboard focus on a control of its own. The
// action must not wait for a further modal window itself: give that window
// its own WhenVisible. Gives up with a test failure after the guard time.
template <class T> void WhenVisible(std::function<void(T*)> action, std::function<bool(T*)> match = {}) {
    auto* timer = new QTimer(&App());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto activationDeadline = std::make_shared<std::chrono::steady_clock::time_point>();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        T* found = FindVisible<T>(match);
        const auto now = std::chrono::steady_clock::now();
        if (!found && now < deadline) return;
        // A modal dialog asks to be the active window as it opens; the window
        // system answers a moment later (seconds under the thread sanitizer
        // on a loaded machine).
        if (found && found->isModal() && !found->isActiveWindow()) {
            if (*activationDeadline == std::chrono::steady_clock::time_point{})
                *activationDeadline = now + std::chrono::seconds(20);
            if (now < *activationDeadline) return;
        }
        timer->stop();
        timer->deleteLater();
        if (found) {
            if (found->isModal()) ExpectFocusInside(found);
            action(found);
        } else {
            ADD_FAILURE() << "the expected window did not appear";
        }
    });
    timer->start(5);
}

// Notes every window of type T as it is shown, in the words `describe` finds
// for it then: for windows that may come and go between two looks of
// WhenVisible (a progress dialog of quick work).
template <class T> class ShowRecorder : public QObject {
public:
    explicit ShowRecorder(std::function<std::string(T*)> describe) : m_describe(std::move(describe)) {
        App().installEventFilter(this);
    }
    ~ShowRecorder() override { App().removeEventFilter(this); }
    const std::vector<std::string>& Seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* window = dynamic_cast<T*>(watched)) m_seen.push_back(m_describe(window));
        return false;
    }

private:
    std::function<std::string(T*)> m_describe;
    std::vector<std::string> m_seen;
};

// Points the application's settings at a fresh folder for the test's lifetime.
class ScopedTestSettings {
public:
    ScopedTestSettings();
    ~ScopedTestSettings();
    QString Folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

} // namespace zel::test
