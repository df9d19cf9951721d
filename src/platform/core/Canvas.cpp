#include "platform/core/Canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace zel {

int TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

namespace {

int RoundToInt(double value) {
    return TruncToInt(std::round(value));
}

} // namespace

CRect CRect::Normalized() const {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

bool CRect::Contains(CPoint p) const {
    const CRect r = Normalized();
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void LOGFONT::SetFaceName(std::string_view name) {
    std::size_t length = std::min(name.size(), kFaceSize - 1);
    // Back up to the start of a UTF-8 sequence if the cut falls inside one.
    if (length < name.size()) {
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memset(FaceName, 0, sizeof FaceName);
    std::memcpy(FaceName, name.data(), length);
}

std::string LOGFONT::GetFaceName() const {
    return std::string(FaceName, strnlen(FaceName, kFaceSize));
}

CCanvas::CCanvas(double scale) : m_dScale(scale > 0.0 && std::isfinite(scale) ? scale : 1.0) {
    m_Font = DefaultFont();
}

LOGFONT CCanvas::DefaultFont() {
    LOGFONT font;
    font.Height = -400;
    font.Weight = 400;
    font.OutPrecision = 3;
    font.Quality = 1;
    font.PitchAndFamily = 34;
    font.SetFaceName("Arial");
    return font;
}

CPoint CCanvas::SetWindowOrg(int x, int y) {
    const CPoint previous = m_WindowOrg;
    m_WindowOrg = {x, y};
    OnWindowOrg();
    return previous;
}

CPoint CCanvas::SetViewportOrg(int x, int y) {
    const CPoint previous = m_ViewportOrg;
    m_ViewportOrg = {x, y};
    OnViewportOrg();
    return previous;
}

void CCanvas::ToDevice(double x, double y, double& deviceX, double& deviceY) const {
    deviceX = m_ViewportOrg.x + (x - m_WindowOrg.x) * m_dScale;
    deviceY = m_ViewportOrg.y - (y - m_WindowOrg.y) * m_dScale;
}

CPoint CCanvas::LPtoDP(CPoint logical) const {
    double x = 0.0;
    double y = 0.0;
    ToDevice(logical.x, logical.y, x, y);
    return {RoundToInt(x), RoundToInt(y)};
}

CPoint CCanvas::DPtoLP(CPoint device) const {
    const double x = m_WindowOrg.x + (static_cast<double>(device.x) - m_ViewportOrg.x) / m_dScale;
    const double y = m_WindowOrg.y - (static_cast<double>(device.y) - m_ViewportOrg.y) / m_dScale;
    return {RoundToInt(x), RoundToInt(y)};
}

SPen CCanvas::SelectPen(const SPen& pen) {
    const SPen previous = m_Pen;
    m_Pen = pen;
    OnPen();
    return previous;
}

SBrush CCanvas::SelectBrush(const SBrush& brush) {
    const SBrush previous = m_Brush;
    m_Brush = brush;
    OnBrush();
    return previous;
}

LOGFONT CCanvas::SelectFont(const LOGFONT& font) {
    const LOGFONT previous = m_Font;
    m_Font = font;
    OnFont();
    return previous;
}

COLORREF CCanvas::SetTextColor(COLORREF color) {
    const COLORREF previous = m_TextColor;
    m_TextColor = color;
    OnTextColor();
    return previous;
}

unsigned CCanvas::SetTextAlign(unsigned align) {
    const unsigned previous = m_TextAlign;
    m_TextAlign = align;
    OnTextAlign();
    return previous;
}

void CCanvas::SetClipRect(std::optional<CRect> device) {
    m_Clip = device ? std::optional<CRect>(device->Normalized()) : std::nullopt;
    OnClip();
}

void CCanvas::MoveTo(int x, int y) {
    m_Position = {x, y};
    OnMoveTo(m_Position);
}

void CCanvas::LineTo(int x, int y) {
    const CPoint from = m_Position;
    m_Position = {x, y};
    DrawLine(from, m_Position);
}

void CCanvas::Polyline(std::span<const CPoint> points) {
    if (points.size() >= 2) DrawPolyline(points);
}

void CCanvas::Polygon(std::span<const CPoint> points) {
    if (points.size() >= 2) DrawPolygon(points);
}

void CCanvas::Rectangle(const CRect& rect) {
    DrawRectangle(rect);
}

void CCanvas::Ellipse(const CRect& bounds) {
    DrawEllipse(bounds);
}

void CCanvas::TextOut(int x, int y, std::string_view text) {
    if (!text.empty()) DrawText({x, y}, text);
}

} // namespace zel
