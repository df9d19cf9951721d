#pragma once
// The canvas on Qt: a QPainter on the screen, a printer or an image, and the
// text measurement both Qt canvases share. Text is measured in logical units
// (0.01 mm) whatever the device, so a plot lays out its texts the same way on
// the screen, on paper and in a metafile.

#include <QFont>
#include <QPainter>

#include <vector>

#include "platform/core/Canvas.h"

namespace zel {

// The font of a LOGFONT with its pixel size in logical units (a negative
// height is the character height, a positive one the cell height, 0 4 mm).
QFont LogicalFont(const LOGFONT& font);
CSize QtTextExtent(const LOGFONT& font, std::string_view text);
STextMetrics QtTextMetrics(const LOGFONT& font);
// Advance of each UTF-16 unit of the text, in logical units.
std::vector<std::uint32_t> QtCharAdvances(const LOGFONT& font, const QString& text);

QColor ToQColor(COLORREF color);

// Measures as the Qt canvases do and draws nothing: the canvas of code that
// only needs text sizes or a device resolution (text editing, the reference
// of a metafile).
class CQtMeasureCanvas : public CCanvas {
public:
    explicit CQtMeasureCanvas(double dotsPerInch) : CCanvas(dotsPerInch / 2540.0) {}

protected:
    CSize MeasureText(const LOGFONT& font, std::string_view text) const override {
        return QtTextExtent(font, text);
    }
    STextMetrics MeasureFont(const LOGFONT& font) const override { return QtTextMetrics(font); }
    void DrawLine(CPoint, CPoint) override {}
    void DrawPolyline(std::span<const CPoint>) override {}
    void DrawPolygon(std::span<const CPoint>) override {}
    void DrawRectangle(const CRect&) override {}
    void DrawEllipse(const CRect&) override {}
    void DrawText(CPoint, std::string_view) override {}
};

class CPainterCanvas : public CCanvas {
public:
    // The painter draws in device coordinates (no world transform of its
    // own); dotsPerInch is the device's resolution.
    CPainterCanvas(QPainter& painter, double dotsPerInch);

protected:
    CSize MeasureText(const LOGFONT& font, std::string_view text) const override;
    STextMetrics MeasureFont(const LOGFONT& font) const override;
    void OnPen() override;
    void OnBrush() override;
    void OnClip() override;
    void DrawLine(CPoint from, CPoint to) override;
    void DrawPolyline(std::span<const CPoint> points) override;
    void DrawPolygon(std::span<const CPoint> points) override;
    void DrawRectangle(const CRect& rect) override;
    void DrawEllipse(const CRect& bounds) override;
    void DrawText(CPoint at, std::string_view text) override;

private:
    QPointF Device(CPoint p) const;
    QRectF DeviceRect(const CRect& rect) const;

    QPainter& m_painter;
};

} // namespace zel
