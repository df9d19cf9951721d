#pragma once
// A canvas that draws nothing and writes one line per call instead, so tests
// compare what a plot drew as text:
//     SetWindowOrg -10500 14850        SelectPen solid 0 rgb(255,0,0)
//     SelectBrush rgb(255,255,255)     SelectBrush hollow
//     SelectFont Arial h=-500 w=0 esc=0 or=0 wt=400 i=0 u=0 s=0
//     SetTextColor rgb(0,0,0)          SetTextAlign 6
//     ClipRect 3000 3000 18001 26701   ClipRect none
//     MoveTo x y   LineTo x y   Polyline x y x y ...   Polygon x y ...
//     Rectangle l t r b   Ellipse l t r b   TextOut x y text   Close
// Measuring is not recorded. Its fonts have fixed metrics: the height is the
// font's |height| (400 for 0), each character is half of it wide (or the
// font's |width|), the widest character twice that, the ascent four fifths.
// It also serves as the metafile of tests (Close is recorded).

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Canvas.h"

namespace zel {

class CRecordingCanvas : public CMetafileCanvas {
public:
    // scale: device units per logical unit.
    explicit CRecordingCanvas(double scale = 1.0) : CMetafileCanvas(scale) {}

    const std::vector<std::string>& Records() const { return m_Records; }
    void ClearRecords() { m_Records.clear(); }
    // The records that start with prefix (a whole word such as "TextOut").
    std::vector<std::string> RecordsOf(std::string_view prefix) const;

    bool Close() override;
    bool IsClosed() const { return m_bClosed; }

    static std::string FormatColor(COLORREF color);

protected:
    CSize MeasureText(const LOGFONT& font, std::string_view text) const override;
    STextMetrics MeasureFont(const LOGFONT& font) const override;

    void OnWindowOrg() override;
    void OnViewportOrg() override;
    void OnPen() override;
    void OnBrush() override;
    void OnFont() override;
    void OnTextColor() override;
    void OnTextAlign() override;
    void OnClip() override;
    void OnMoveTo(CPoint to) override;
    void DrawLine(CPoint from, CPoint to) override;
    void DrawPolyline(std::span<const CPoint> points) override;
    void DrawPolygon(std::span<const CPoint> points) override;
    void DrawRectangle(const CRect& rect) override;
    void DrawEllipse(const CRect& bounds) override;
    void DrawText(CPoint at, std::string_view text) override;

private:
    void Add(std::string line) { m_Records.push_back(std::move(line)); }
    std::vector<std::string> m_Records;
    bool m_bClosed = false;
};

} // namespace zel
