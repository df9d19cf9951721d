#include "platform/qt/ScrollKeys.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace zel {

bool ScrollByKey(QAbstractScrollArea& area, int key) {
    QScrollBar* h = area.horizontalScrollBar();
    QScrollBar* v = area.verticalScrollBar();
    switch (key) {
    case Qt::Key_PageUp:
        v->triggerAction(QAbstractSlider::SliderPageStepSub);
        return true;
    case Qt::Key_PageDown:
        v->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return true;
    case Qt::Key_Home:
        v->setValue(v->minimum());
        h->setValue(h->minimum());
        return true;
    case Qt::Key_End:
        v->setValue(v->maximum());
        h->setValue(h->maximum());
        return true;
    case Qt::Key_Left:
        h->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return true;
    case Qt::Key_Right:
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return true;
    case Qt::Key_Up:
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return true;
    case Qt::Key_Down:
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return true;
    default:
        return false;
    }
}

} // namespace zel
