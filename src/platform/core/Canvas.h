#pragma once
// The drawing surface of the plots: a GDI-like interface in logical units of
// 0.01 mm with y growing upwards, as a sheet of paper is measured. Pens, solid
// brushes and fonts are values: selecting one returns the one it replaces, so
// a drawing routine restores the previous object by selecting it again.
//
// Mapping: a logical point (x, y) lands on the device point
//     (viewport x + (x - window x) * scale, viewport y - (y - window y) * scale)
// where scale is the device units per logical unit (a screen at 96 dpi has
// 96 / 2540). Setting the window origin to (-W/2, H/2) puts the top-left
// corner of a W x H page on the device origin.
//
// Coordinates are ints, as the plots truncate their page coordinates toward
// zero; convert doubles with TruncToInt, never with a plain cast.
//
// Back ends: QPainter (screen, printer, clipboard image) and an enhanced
// metafile in the Qt layer; CRecordingCanvas (RecordingCanvas.h) for tests.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zel {

// Colour as 0x00BBGGRR.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF color) {
    return static_cast<int>(color & 0xFF);
}
constexpr int GetGValue(COLORREF color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF color) {
    return static_cast<int>((color >> 16) & 0xFF);
}

// Truncates toward zero like a cast, but a value beyond the int range gives
// the nearest int limit and NaN gives 0 (a cast would be undefined).
int TruncToInt(double value);

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const CSize&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CRect&) const = default;

    // The same rectangle with left <= right and top <= bottom.
    CRect Normalized() const;
    // Whether p lies in the normalised rectangle: the smaller ends belong to
    // it, the larger ends do not. Works for y-up rectangles (top > bottom).
    bool Contains(CPoint p) const;
};

// A font description. Heights and widths are in logical units: a negative
// height is the character height, a positive one the cell height, 0 the
// default size; width 0 keeps the font's own proportions. Escapement and
// orientation in tenths of a degree, weight 100 (thin) to 900 (black), 400
// normal, 700 bold.
struct LOGFONT {
    static constexpr std::size_t kFaceSize = 32; // 31 characters and the NUL

    int Height = 0;
    int Width = 0;
    int Escapement = 0;
    int Orientation = 0;
    int Weight = 0;
    std::uint8_t Italic = 0;
    std::uint8_t Underline = 0;
    std::uint8_t StrikeOut = 0;
    std::uint8_t CharSet = 0;
    std::uint8_t OutPrecision = 0;
    std::uint8_t ClipPrecision = 0;
    std::uint8_t Quality = 0;
    std::uint8_t PitchAndFamily = 0;
    char FaceName[kFaceSize] = {};

    // Copies at most 31 bytes of name, never cutting a UTF-8 character in two.
    void SetFaceName(std::string_view name);
    std::string GetFaceName() const;

    bool operator==(const LOGFONT&) const = default;
};

enum PenStyle : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
};

// Width 0 draws one device pixel wide whatever the scale; a positive width
// is in logical units.
struct SPen {
    int style = PS_SOLID;
    int width = 0;
    COLORREF color = RGB(0, 0, 0);
    bool operator==(const SPen&) const = default;
};

// A solid brush, or none (hollow): filled shapes then draw only their outline.
struct SBrush {
    COLORREF color = RGB(255, 255, 255);
    bool hollow = false;
    bool operator==(const SBrush&) const = default;
};

// Text alignment: one horizontal and one vertical flag, or-ed.
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;

// Metrics of the selected font, in logical units.
struct STextMetrics {
    int Height = 0; // ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
};

class CCanvas {
public:
    virtual ~CCanvas() = default;
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    // --- mapping ------------------------------------------------------------
    double GetScale() const { return m_dScale; }
    CPoint SetWindowOrg(int x, int y);
    CPoint GetWindowOrg() const { return m_WindowOrg; }
    // In device units (scrolling moves it).
    CPoint SetViewportOrg(int x, int y);
    CPoint GetViewportOrg() const { return m_ViewportOrg; }
    // Logical to device and back, rounded to the nearest unit.
    CPoint LPtoDP(CPoint logical) const;
    CPoint DPtoLP(CPoint device) const;
    // Unrounded device coordinates of a logical point.
    void ToDevice(double x, double y, double& deviceX, double& deviceY) const;

    // --- objects and text attributes -------------------------------------------
    SPen SelectPen(const SPen& pen);
    SBrush SelectBrush(const SBrush& brush);
    LOGFONT SelectFont(const LOGFONT& font);
    const SPen& GetPen() const { return m_Pen; }
    const SBrush& GetBrush() const { return m_Brush; }
    const LOGFONT& GetFont() const { return m_Font; }
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_TextColor; }
    unsigned SetTextAlign(unsigned align);
    unsigned GetTextAlign() const { return m_TextAlign; }

    // --- clipping -----------------------------------------------------------------
    // Nothing outside the rectangle (device units, right and bottom edges
    // excluded) is drawn; no rectangle: no clipping. The rectangle stays
    // where it is on the device when the mapping changes.
    void SetClipRect(std::optional<CRect> device);
    std::optional<CRect> GetClipRect() const { return m_Clip; }

    // --- drawing ----------------------------------------------------------------------
    void MoveTo(int x, int y);
    CPoint GetCurrentPosition() const { return m_Position; }
    // A line from the current position with the pen; the end becomes the
    // current position.
    void LineTo(int x, int y);
    void Polyline(std::span<const CPoint> points);
    // Outlined with the pen, filled with the brush.
    void Polygon(std::span<const CPoint> points);
    void Rectangle(const CRect& rect);
    void Ellipse(const CRect& bounds);
    // The text at the point by the text alignment, in the font and the text
    // colour, with a transparent background.
    void TextOut(int x, int y, std::string_view text);

    // --- measuring ----------------------------------------------------------------------
    // Width and height (ascent + descent) of the text in the selected font.
    CSize GetTextExtent(std::string_view text) const { return MeasureText(m_Font, text); }
    STextMetrics GetTextMetrics() const { return MeasureFont(m_Font); }

    // The font a fresh canvas has selected: Arial, 4 mm high.
    static LOGFONT DefaultFont();

protected:
    // scale: device units per logical unit (positive).
    explicit CCanvas(double scale);

    // Measuring belongs to the back end.
    virtual CSize MeasureText(const LOGFONT& font, std::string_view text) const = 0;
    virtual STextMetrics MeasureFont(const LOGFONT& font) const = 0;

    // Told after the state has changed; the drawing hooks read the state
    // through the getters. Everything is in logical units except the clip.
    virtual void OnWindowOrg() {}
    virtual void OnViewportOrg() {}
    virtual void OnPen() {}
    virtual void OnBrush() {}
    virtual void OnFont() {}
    virtual void OnTextColor() {}
    virtual void OnTextAlign() {}
    virtual void OnClip() {}
    virtual void OnMoveTo(CPoint /*to*/) {}
    virtual void DrawLine(CPoint from, CPoint to) = 0;
    virtual void DrawPolyline(std::span<const CPoint> points) = 0;
    virtual void DrawPolygon(std::span<const CPoint> points) = 0;
    virtual void DrawRectangle(const CRect& rect) = 0;
    virtual void DrawEllipse(const CRect& bounds) = 0;
    virtual void DrawText(CPoint at, std::string_view text) = 0;

private:
    double m_dScale;
    CPoint m_WindowOrg;
    CPoint m_ViewportOrg;
    SPen m_Pen;
    SBrush m_Brush;
    LOGFONT m_Font;
    COLORREF m_TextColor = RGB(0, 0, 0);
    unsigned m_TextAlign = TA_LEFT | TA_TOP;
    std::optional<CRect> m_Clip;
    CPoint m_Position;
};

// A canvas that writes a file: the enhanced metafile of a plot export.
class CMetafileCanvas : public CCanvas {
public:
    // Finishes the file. False when it could not be written completely; the
    // reason is then in ErrorText().
    virtual bool Close() = 0;
    virtual std::string ErrorText() const { return {}; }

protected:
    using CCanvas::CCanvas;
};

} // namespace zel
