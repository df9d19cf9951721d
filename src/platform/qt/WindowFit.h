#pragma once
// Sizes that let a window show its texts whole: the caption in the window
// manager's title bar beside the window's icon and buttons, and a line of
// text in a one-line edit.

class QLineEdit;
class QString;
class QWidget;

namespace zel {

// The least width of a top-level window whose caption is to show whole:
// the caption in a bold title font, the icon and three buttons beside it.
int CaptionWidth(const QString& caption);

// The width the edit needs to show the text whole, frame included.
int LineEditWidth(const QLineEdit& edit, const QString& text);

// Moves and shrinks a top-level window so that all of it, frame included,
// lies in the available geometry of its screen (the one under its centre).
void KeepOnScreen(QWidget& window);

} // namespace zel
