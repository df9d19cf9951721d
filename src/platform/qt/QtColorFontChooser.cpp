#include "platform/qt/QtColorFontChooser.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/qt/MainWidget.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/UiThread.h"

namespace zel {

namespace {

double ScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

QFont ScreenFont(const LOGFONT& font) {
    const std::string face = font.GetFaceName();
    QFont result(QString::fromStdString(face.empty() ? std::string("Arial") : face));
    result.setPixelSize(std::clamp(font.Height == 0 ? 16 : std::abs(font.Height), 1, 4000));
    result.setWeight(QFont::Weight(font.Weight == 0 ? 400 : std::clamp(font.Weight, 1, 1000)));
    result.setItalic(font.Italic != 0);
    result.setUnderline(font.Underline != 0);
    result.setStrikeOut(font.StrikeOut != 0);
    return result;
}

LOGFONT FromScreenFont(const QFont& font, const LOGFONT& base) {
    LOGFONT result = base;
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * ScreenDpi() / 72.0;
    result.Height = -std::max(1, static_cast<int>(std::lround(pixels)));
    result.Width = 0;
    result.Weight = font.weight();
    result.Italic = font.italic() ? 1 : 0;
    result.Underline = font.underline() ? 1 : 0;
    result.StrikeOut = font.strikeOut() ? 1 : 0;
    result.SetFaceName(font.family().toStdString());
    return result;
}

std::optional<COLORREF> CQtColorFontChooser::ChooseColor(COLORREF initial) {
    std::optional<COLORREF> result;
    RunOnUiThread([&] {
        const QColor color = QColorDialog::getColor(ToQColor(initial), MainWidget());
        if (color.isValid()) result = RGB(color.red(), color.green(), color.blue());
    });
    return result;
}

std::optional<LOGFONT> CQtColorFontChooser::ChooseFont(const LOGFONT& initial) {
    std::optional<LOGFONT> result;
    RunOnUiThread([&] {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, ScreenFont(initial), MainWidget());
        if (ok) result = FromScreenFont(font, initial);
    });
    return result;
}

} // namespace zel
