#pragma once
// The colour and font dialogs on Qt. Fonts go to and from the dialog in
// screen sizes: a height of -h is a font of h screen pixels.

#include "platform/core/ColorFontChooser.h"

#include <QFont>

namespace zel {

// Between a font in screen sizes and a QFont (size in pixels of the screen).
QFont ScreenFont(const LOGFONT& font);
// The dialog's choice back: its size in screen pixels as a negative height,
// the other members of base kept where the dialog has no say.
LOGFONT FromScreenFont(const QFont& font, const LOGFONT& base);

class CQtColorFontChooser : public CColorFontChooser {
public:
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    std::optional<LOGFONT> ChooseFont(const LOGFONT& initial) override;
};

} // namespace zel
