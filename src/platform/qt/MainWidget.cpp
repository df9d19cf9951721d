#include "platform/qt/MainWidget.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace zel {

namespace {
// UI thread only; QPointer forgets a main window that was destroyed.
QPointer<QWidget> s_mainWidget;
// Per thread: a worker asking for a box never borrows the owner of a window
// the UI thread is serving meanwhile.
thread_local QWidget* t_scopedOwner = nullptr;

// Whether the window is owner or one of the windows it owns.
bool BelongsTo(const QWidget* window, const QWidget* owner) {
    for (const QWidget* w = window; w; w = w->parentWidget())
        if (w == owner) return true;
    return false;
}
} // namespace

void SetMainWidget(QWidget* widget) {
    s_mainWidget = widget;
}

QWidget* MainWidget() {
    return s_mainWidget.data();
}

QWidget* ScopedOwner() {
    return t_scopedOwner;
}

QWidget* DialogOwner(QWidget* scoped) {
    QWidget* modal = QApplication::activeModalWidget();
    if (scoped) return modal && BelongsTo(modal, scoped) ? modal : scoped;
    return modal ? modal : MainWidget();
}

ScopedDialogOwner::ScopedDialogOwner(QWidget* owner) : m_previous(t_scopedOwner) {
    t_scopedOwner = owner;
}

ScopedDialogOwner::~ScopedDialogOwner() {
    t_scopedOwner = m_previous;
}

} // namespace zel
