#include "platform/qt/MainWidget.h"

#include <QPointer>
#include <QWidget>

namespace zel {

namespace {
// UI thread only; QPointer forgets a main window that was destroyed.
QPointer<QWidget> s_mainWidget;
} // namespace

void SetMainWidget(QWidget* widget) {
    s_mainWidget = widget;
}

QWidget* MainWidget() {
    return s_mainWidget.data();
}

} // namespace zel
