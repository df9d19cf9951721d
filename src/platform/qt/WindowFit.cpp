#include "platform/qt/WindowFit.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace zel {

namespace {
// The window's icon, three buttons and the gaps of a common title bar.
constexpr int kTitleBarExtras = 160;
// A line edit keeps 2 pixels on either side of its text, and room for the
// cursor.
constexpr int kEditTextMargins = 2 * 2 + 2;
} // namespace

int CaptionWidth(const QString& caption) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    // Window managers draw captions at least at the size of the dialog text.
    font.setPointSizeF(std::max(font.pointSizeF(), QApplication::font().pointSizeF()));
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarExtras;
}

int LineEditWidth(const QLineEdit& edit, const QString& text) {
    const QMargins margins = edit.textMargins();
    const int frame = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &edit) : 0;
    return edit.fontMetrics().horizontalAdvance(text) + kEditTextMargins + margins.left() + margins.right() +
           2 * frame;
}

void KeepOnScreen(QWidget& window) {
    QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen) screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    // The frame around the client area (0 before the window manager has framed it).
    const int extraWidth = frame.width() - window.width();
    const int extraHeight = frame.height() - window.height();
    const int width = std::min(window.width(), room.width() - extraWidth);
    const int height = std::min(window.height(), room.height() - extraHeight);
    if (width != window.width() || height != window.height()) window.resize(width, height);
    const int x = std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - (width + extraWidth)));
    const int y = std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - (height + extraHeight)));
    if (x != frame.x() || y != frame.y()) window.move(x, y);
}

} // namespace zel
