#include "platform/qt/SpinButton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

#include "platform/core/Format.h"

namespace zel {

CSpinButton::CSpinButton(QWidget* parent)
    : QWidget(parent), m_pUp(new QToolButton(this)), m_pDown(new QToolButton(this)) {
    for (QToolButton* button : {m_pUp, m_pDown}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    m_pUp->setArrowType(Qt::UpArrow);
    m_pDown->setArrowType(Qt::DownArrow);
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CSpinButton::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
}

void CSpinButton::SetPos(int position) {
    m_nPos = position;
}

void CSpinButton::SetBuddy(QLineEdit* buddy) {
    if (m_pBuddy) m_pBuddy->removeEventFilter(this);
    m_pBuddy = buddy;
    if (m_pBuddy) m_pBuddy->installEventFilter(this);
}

void CSpinButton::Step(int delta) {
    if (m_OnDeltaPos) m_OnDeltaPos(delta);
    const int low = std::min(m_nLower, m_nUpper);
    const int high = std::max(m_nLower, m_nUpper);
    // In long long: a position at the int limit must not overflow.
    long long next = static_cast<long long>(m_nPos) + delta;
    if (next > high) next = m_bWrap ? low : high;
    if (next < low) next = m_bWrap ? high : low;
    m_nPos = static_cast<int>(next);
    if (m_pBuddy) m_pBuddy->setText(QString::fromStdString(Sprintf("%d", m_nPos)));
}

void CSpinButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_pUp->setGeometry(0, 0, width(), half);
    m_pDown->setGeometry(0, half, width(), height() - half);
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pBuddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zel
