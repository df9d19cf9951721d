#pragma once
// The parts of a plot's page: the page record, the title, the border, the
// orientation triad and the free texts, with their parts of the plot record.
// Lengths on the page are in logical units of 0.01 mm with y upwards (see
// platform/core/Canvas.h); page-record lengths are in the page's units
// (millimetres or inches).

#include <string>

#include "platform/core/Archive.h"
#include "platform/core/Canvas.h"

// A plot font: Arial of the given height (logical units) and weight, with the
// other members at the values every plot font starts with.
zel::LOGFONT MakePlotFont(int height, int weight);

// The font part of the plot records: height, width, escapement, orientation,
// weight (5 int); italic, underline, strike-out, character set, output
// precision, clip precision, quality, pitch and family (8 bytes); the face
// name (string). A longer face name read from a file is cut to the 31
// characters the font holds.
void SerializeFont(zel::CArchive& ar, zel::LOGFONT& font);

// The paper a plot is laid out on. Plain record, copied member by member.
struct CPageSetup {
    short m_wFirst = 0;   // stored, read by nothing
    short m_wUnits = 100; // 0.01 mm per page unit: 100 (mm) or 2540 (inch); read by ApplyUnits
    short m_wThird = 1;   // stored, read by nothing
    double m_dMarginLeft = 30.0;
    double m_dMarginRight = 30.0;
    double m_dMarginTop = 30.0;
    double m_dMarginBottom = 30.0;
    double m_dPaperWidth = 210.0; // as the page is oriented
    double m_dPaperHeight = 297.0;
    std::string m_strDescription = "Description";
    int m_bMM = 1;       // 1: page units are millimetres, 0: inches
    int m_bPortrait = 1; // 1: portrait, 0: landscape (the printer follows it)

    // The room inside the margins.
    double PrintableWidth() const { return m_dPaperWidth - m_dMarginLeft - m_dMarginRight; }
    double PrintableHeight() const { return m_dPaperHeight - m_dMarginTop - m_dMarginBottom; }
};

// The extent in x and y of the points a plot fits to its page; all 0 until
// the first point.
struct CPageExtent {
    double LowX = 0.0;
    double HighX = 0.0;
    double LowY = 0.0;
    double HighY = 0.0;
    bool Empty = true;

    void Add(double x, double y) {
        if (Empty) {
            LowX = HighX = x;
            LowY = HighY = y;
            Empty = false;
            return;
        }
        LowX = x < LowX ? x : LowX;
        HighX = x > HighX ? x : HighX;
        LowY = y < LowY ? y : LowY;
        HighY = y > HighY ? y : HighY;
    }
    double CentreX() const { return (LowX + HighX) / 2.0; }
    double CentreY() const { return (LowY + HighY) / 2.0; }
};

class CTitle : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CTitle);

    CTitle();

    void SetText(const std::string& text) { m_strText = text; }
    std::string GetText() const { return m_strText; }
    void SetVisible(int visible) { m_bVisible = visible; }
    int IsVisible() const { return m_bVisible; }
    zel::COLORREF GetColor() const { return m_Color; }
    zel::LOGFONT GetLogFont() const { return m_LogFont; }

    // Font, colour (int), text, visible flag (int).
    void Serialize(zel::CArchive& ar) override;

private:
    std::string m_strText = "Title";
    zel::LOGFONT m_LogFont;
    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    int m_bVisible = 1;
};

class CBorder : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CBorder);

    void SetRect(int left, int top, int right, int bottom) { m_Rect = {left, top, right, bottom}; }
    // Logical units, y upwards: top is greater than bottom.
    zel::CRect GetRect() const { return m_Rect; }
    zel::COLORREF GetColor() const { return m_Color; }
    void ToggleVisible() { m_bVisible = !m_bVisible; }
    int IsVisible() const { return m_bVisible; }

    // Colour (int), visible flag (int), left, top, right, bottom (4 int).
    void Serialize(zel::CArchive& ar) override;

private:
    zel::CRect m_Rect{0, 0, 400, 400};
    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    int m_bVisible = 1;
};

class CAxes : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CAxes);

    CAxes();

    zel::LOGFONT GetLogFont() const { return m_LogFont; }
    zel::COLORREF GetColor() const { return m_Color; }
    void ToggleVisible() { m_bVisible = !m_bVisible; }
    int IsVisible() const { return m_bVisible; }

    // Font, colour (int), the point (2 int), visible flag (int).
    void Serialize(zel::CArchive& ar) override;

private:
    zel::CPoint m_Point; // stored, read by nothing
    zel::LOGFONT m_LogFont;
    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    int m_bVisible = 1;
};

// A text the user placed on the page. Its position is its top-left corner,
// measured from the page's top-left corner with y upwards (so positions below
// the top edge are negative); its extent is measured when it is accepted.
class CPlotText : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CPlotText);

    CPlotText();

    zel::CSize GetExtent() const { return m_Extent; }
    void SetExtent(zel::CSize extent) { m_Extent = extent; }
    zel::CPoint GetPosition() const { return m_Position; }
    void SetPosition(zel::CPoint position) { m_Position = position; }
    zel::COLORREF GetColor() const { return m_Color; }
    void SetColor(zel::COLORREF color) { m_Color = color; }
    zel::LOGFONT GetLogFont() const { return m_LogFont; }
    void SetLogFont(const zel::LOGFONT& font) { m_LogFont = font; }
    std::string GetText() const { return m_strText; }
    void SetText(const std::string& text) { m_strText = text; }
    // The rectangle the text covers: from its position to (x + width,
    // y - height).
    zel::CRect GetBox() const;

    // Font, text, colour (int), position (2 int), extent (2 int).
    void Serialize(zel::CArchive& ar) override;

private:
    zel::CSize m_Extent;
    zel::CPoint m_Position;
    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    zel::LOGFONT m_LogFont;
    std::string m_strText;
};
