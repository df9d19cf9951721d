#pragma once
// The application's main window as the platform layer sees it: the owner of
// dialogs opened without a parent and the window "Minimize Zelmora" minimizes.
// The main frame registers itself; without one, dialogs have no owner.

class QWidget;

namespace zel {

void SetMainWidget(QWidget* widget);
QWidget* MainWidget();

} // namespace zel
