#include "platform/core/RecordingCanvas.h"

#include <cstdlib>

#include "platform/core/Format.h"

namespace zel {

namespace {

const char* StyleName(int style) {
    switch (style) {
    case PS_SOLID:
        return "solid";
    case PS_DASH:
        return "dash";
    case PS_DOT:
        return "dot";
    case PS_DASHDOT:
        return "dashdot";
    case PS_DASHDOTDOT:
        return "dashdotdot";
    case PS_NULL:
        return "null";
    default:
        return "style?";
    }
}

std::string Points(const char* name, std::span<const CPoint> points) {
    std::string line = name;
    for (const CPoint& p : points)
        line += Sprintf(" %d %d", p.x, p.y);
    return line;
}

std::size_t CodePoints(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

int FontHeight(const LOGFONT& font) {
    return font.Height == 0 ? 400 : std::abs(font.Height);
}

int CharWidth(const LOGFONT& font) {
    return font.Width != 0 ? std::abs(font.Width) : FontHeight(font) / 2;
}

} // namespace

std::vector<std::string> CRecordingCanvas::RecordsOf(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : m_Records) {
        if (line.size() >= prefix.size() && std::string_view(line).substr(0, prefix.size()) == prefix &&
            (line.size() == prefix.size() || line[prefix.size()] == ' '))
            found.push_back(line);
    }
    return found;
}

std::string CRecordingCanvas::FormatColor(COLORREF color) {
    return Sprintf("rgb(%d,%d,%d)", GetRValue(color), GetGValue(color), GetBValue(color));
}

bool CRecordingCanvas::Close() {
    m_bClosed = true;
    Add("Close");
    return true;
}

CSize CRecordingCanvas::MeasureText(const LOGFONT& font, std::string_view text) const {
    return {static_cast<int>(CodePoints(text)) * CharWidth(font), FontHeight(font)};
}

STextMetrics CRecordingCanvas::MeasureFont(const LOGFONT& font) const {
    STextMetrics metrics;
    metrics.Height = FontHeight(font);
    metrics.Ascent = metrics.Height * 4 / 5;
    metrics.Descent = metrics.Height - metrics.Ascent;
    metrics.AveCharWidth = CharWidth(font);
    metrics.MaxCharWidth = 2 * metrics.AveCharWidth;
    return metrics;
}

void CRecordingCanvas::OnWindowOrg() {
    Add(Sprintf("SetWindowOrg %d %d", GetWindowOrg().x, GetWindowOrg().y));
}

void CRecordingCanvas::OnViewportOrg() {
    Add(Sprintf("SetViewportOrg %d %d", GetViewportOrg().x, GetViewportOrg().y));
}

void CRecordingCanvas::OnPen() {
    Add(Sprintf("SelectPen %s %d ", StyleName(GetPen().style), GetPen().width) + FormatColor(GetPen().color));
}

void CRecordingCanvas::OnBrush() {
    Add(GetBrush().hollow ? std::string("SelectBrush hollow")
                          : "SelectBrush " + FormatColor(GetBrush().color));
}

void CRecordingCanvas::OnFont() {
    const LOGFONT& f = GetFont();
    Add("SelectFont " + f.GetFaceName() +
        Sprintf(" h=%d w=%d esc=%d or=%d wt=%d i=%d u=%d s=%d", f.Height, f.Width, f.Escapement,
                f.Orientation, f.Weight, f.Italic, f.Underline, f.StrikeOut));
}

void CRecordingCanvas::OnTextColor() {
    Add("SetTextColor " + FormatColor(GetTextColor()));
}

void CRecordingCanvas::OnTextAlign() {
    Add(Sprintf("SetTextAlign %u", GetTextAlign()));
}

void CRecordingCanvas::OnClip() {
    if (const std::optional<CRect> clip = GetClipRect())
        Add(Sprintf("ClipRect %d %d %d %d", clip->left, clip->top, clip->right, clip->bottom));
    else
        Add("ClipRect none");
}

void CRecordingCanvas::OnMoveTo(CPoint to) {
    Add(Sprintf("MoveTo %d %d", to.x, to.y));
}

void CRecordingCanvas::DrawLine(CPoint /*from*/, CPoint to) {
    Add(Sprintf("LineTo %d %d", to.x, to.y));
}

void CRecordingCanvas::DrawPolyline(std::span<const CPoint> points) {
    Add(Points("Polyline", points));
}

void CRecordingCanvas::DrawPolygon(std::span<const CPoint> points) {
    Add(Points("Polygon", points));
}

void CRecordingCanvas::DrawRectangle(const CRect& rect) {
    Add(Sprintf("Rectangle %d %d %d %d", rect.left, rect.top, rect.right, rect.bottom));
}

void CRecordingCanvas::DrawEllipse(const CRect& bounds) {
    Add(Sprintf("Ellipse %d %d %d %d", bounds.left, bounds.top, bounds.right, bounds.bottom));
}

void CRecordingCanvas::DrawText(CPoint at, std::string_view text) {
    Add(Sprintf("TextOut %d %d ", at.x, at.y) + std::string(text));
}

} // namespace zel
