#pragma once
// The application's main window as the platform layer sees it: the owner of
// dialogs opened without a parent and the window "Minimize Zelmora" minimizes.
// The main frame registers itself; without one, dialogs have no owner.
//
// A window other than the main one (the three-dimensional view) makes the
// message boxes and file dialogs it asks for its own with a ScopedDialogOwner
// around the code that asks: they then open over that window and leave the
// main window where it is.

class QWidget;

namespace zel {

void SetMainWidget(QWidget* widget);
QWidget* MainWidget();

// The window that dialogs asked for by the calling thread belong to, while a
// ScopedDialogOwner is alive on it; null otherwise. Read it on the thread that
// asks, before handing the dialog to the UI thread.
QWidget* ScopedOwner();

// The owner of a dialog on the UI thread: the modal dialog that is open, when
// it belongs to the scoped owner (or there is none), else the scoped owner,
// else the main window.
QWidget* DialogOwner(QWidget* scoped);

// Makes a window the owner of the dialogs the calling thread asks for while
// the guard lives; guards nest.
class ScopedDialogOwner {
public:
    explicit ScopedDialogOwner(QWidget* owner);
    ~ScopedDialogOwner();
    ScopedDialogOwner(const ScopedDialogOwner&) = delete;
    ScopedDialogOwner& operator=(const ScopedDialogOwner&) = delete;

private:
    QWidget* m_previous;
};

} // namespace zel
