#include "platform/qt/PainterCanvas.h"

#include <QFontMetricsF>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zel {

namespace {

// Fonts beyond a metre are not drawn bigger: font engines refuse them.
constexpr int kMaxPixelSize = 100000;
constexpr int kDefaultHeight = 400;

int ClampPixels(double pixels) {
    return std::clamp(static_cast<int>(std::lround(std::min(pixels, 1e9))), 1, kMaxPixelSize);
}

Qt::PenStyle QtPenStyle(int style) {
    switch (style) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_DASHDOT:
        return Qt::DashDotLine;
    case PS_DASHDOTDOT:
        return Qt::DashDotDotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

} // namespace

QFont LogicalFont(const LOGFONT& font) {
    std::string face = font.GetFaceName();
    QFont result(QString::fromStdString(face.empty() ? std::string("Arial") : face));
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setWeight(QFont::Weight(font.Weight == 0 ? 400 : std::clamp(font.Weight, 1, 1000)));
    result.setItalic(font.Italic != 0);
    result.setUnderline(font.Underline != 0);
    result.setStrikeOut(font.StrikeOut != 0);

    if (font.Height > 0) {
        // A cell height: the character height is what is left of it.
        result.setPixelSize(1000);
        const QFontMetricsF metrics(result);
        const double cell = metrics.ascent() + metrics.descent();
        result.setPixelSize(ClampPixels(cell > 0.0 ? font.Height * 1000.0 / cell : font.Height));
    } else {
        result.setPixelSize(ClampPixels(font.Height == 0 ? kDefaultHeight : -double(font.Height)));
    }
    if (font.Width != 0) {
        const double average = QFontMetricsF(result).averageCharWidth();
        if (average > 0.0)
            result.setStretch(std::clamp(
                static_cast<int>(std::lround(std::abs(double(font.Width)) / average * 100.0)), 1, 4000));
    }
    return result;
}

CSize QtTextExtent(const LOGFONT& font, std::string_view text) {
    const QFontMetricsF metrics(LogicalFont(font));
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return {static_cast<int>(std::lround(metrics.horizontalAdvance(string))),
            static_cast<int>(std::lround(metrics.ascent() + metrics.descent()))};
}

STextMetrics QtTextMetrics(const LOGFONT& font) {
    const QFontMetricsF metrics(LogicalFont(font));
    STextMetrics result;
    result.Ascent = static_cast<int>(std::lround(metrics.ascent()));
    result.Descent = static_cast<int>(std::lround(metrics.descent()));
    result.Height = result.Ascent + result.Descent;
    result.AveCharWidth = static_cast<int>(std::lround(metrics.averageCharWidth()));
    result.MaxCharWidth = static_cast<int>(std::lround(metrics.maxWidth()));
    return result;
}

std::vector<std::uint32_t> QtCharAdvances(const LOGFONT& font, const QString& text) {
    const QFontMetricsF metrics(LogicalFont(font));
    std::vector<std::uint32_t> advances;
    advances.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text)
        advances.push_back(
            static_cast<std::uint32_t>(std::max(0L, std::lround(metrics.horizontalAdvance(c)))));
    return advances;
}

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

CPainterCanvas::CPainterCanvas(QPainter& painter, double dotsPerInch)
    : CCanvas(dotsPerInch / 2540.0), m_painter(painter) {
    OnPen();
    OnBrush();
}

CSize CPainterCanvas::MeasureText(const LOGFONT& font, std::string_view text) const {
    return QtTextExtent(font, text);
}

STextMetrics CPainterCanvas::MeasureFont(const LOGFONT& font) const {
    return QtTextMetrics(font);
}

QPointF CPainterCanvas::Device(CPoint p) const {
    double x = 0.0;
    double y = 0.0;
    ToDevice(p.x, p.y, x, y);
    return {x, y};
}

QRectF CPainterCanvas::DeviceRect(const CRect& rect) const {
    return QRectF(Device({rect.left, rect.top}), Device({rect.right, rect.bottom})).normalized();
}

void CPainterCanvas::OnPen() {
    const SPen& pen = GetPen();
    QPen qpen(ToQColor(pen.color));
    qpen.setStyle(QtPenStyle(pen.style));
    // Width 0 is one device pixel (a cosmetic pen).
    qpen.setWidthF(pen.width <= 0 ? 0.0 : pen.width * GetScale());
    qpen.setCapStyle(Qt::RoundCap);
    qpen.setJoinStyle(Qt::RoundJoin);
    m_painter.setPen(qpen);
}

void CPainterCanvas::OnBrush() {
    const SBrush& brush = GetBrush();
    m_painter.setBrush(brush.hollow ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.color)));
}

void CPainterCanvas::OnClip() {
    if (const std::optional<CRect> clip = GetClipRect())
        m_painter.setClipRect(
            QRect(clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top));
    else
        m_painter.setClipping(false);
}

void CPainterCanvas::DrawLine(CPoint from, CPoint to) {
    m_painter.drawLine(Device(from), Device(to));
}

void CPainterCanvas::DrawPolyline(std::span<const CPoint> points) {
    QPolygonF polygon;
    for (const CPoint& p : points)
        polygon << Device(p);
    m_painter.drawPolyline(polygon);
}

void CPainterCanvas::DrawPolygon(std::span<const CPoint> points) {
    QPolygonF polygon;
    for (const CPoint& p : points)
        polygon << Device(p);
    m_painter.drawPolygon(polygon);
}

void CPainterCanvas::DrawRectangle(const CRect& rect) {
    m_painter.drawRect(DeviceRect(rect));
}

void CPainterCanvas::DrawEllipse(const CRect& bounds) {
    m_painter.drawEllipse(DeviceRect(bounds));
}

void CPainterCanvas::DrawText(CPoint at, std::string_view text) {
    const LOGFONT& font = GetFont();
    const QFont qfont = LogicalFont(font);
    const QFontMetricsF metrics(qfont);
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const unsigned align = GetTextAlign();

    // Offsets from the reference point in logical units, y downwards.
    double dx = 0.0;
    if ((align & TA_CENTER) == TA_CENTER)
        dx = -metrics.horizontalAdvance(string) / 2.0;
    else if (align & TA_RIGHT)
        dx = -metrics.horizontalAdvance(string);
    double dy = metrics.ascent();
    if ((align & TA_BASELINE) == TA_BASELINE)
        dy = 0.0;
    else if (align & TA_BOTTOM)
        dy = -metrics.descent();

    m_painter.save();
    m_painter.translate(Device(at));
    m_painter.scale(GetScale(), GetScale());
    if (font.Escapement != 0) m_painter.rotate(-font.Escapement / 10.0);
    m_painter.setFont(qfont);
    m_painter.setPen(ToQColor(GetTextColor()));
    m_painter.drawText(QPointF(dx, dy), string);
    m_painter.restore();
}

} // namespace zel
