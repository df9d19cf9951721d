#pragma once
// The enhanced-metafile canvas: every call becomes an EMF record, built and
// checked by libuemf. Its device units are those of the reference device (the
// view's screen) and its text is measured as the Qt canvases measure it.
//
// The file is written in the form every reader maps alike: MM_ANISOTROPIC
// with explicit extents (one logical unit 0.01 mm, y upwards), the origin
// left at the device's (the page's top-left corner): the canvas's window and
// viewport origins are applied to the coordinates it writes. A clip is a
// rectangle in logical units (IntersectClipRect inside a SaveDC/RestoreDC
// pair), and a pen of width 0 (one device pixel) is written one reference
// pixel wide. Readers that mis-scale MM_HIMETRIC, misplace a window origin
// or pass over clip regions in device units render such a file as the
// screen shows it.

#include <memory>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/MetafileService.h"

namespace zel {

class CEmfCanvas : public CMetafileCanvas {
public:
    // Starts the file at path (the description may hold NULs). Null, with the
    // reason in error, when the file cannot be created.
    static std::unique_ptr<CEmfCanvas> Create(const std::string& path, double scale,
                                              const std::string& description, std::string& error);
    ~CEmfCanvas() override;

    // Writes the end record and the file. False when the file was not written
    // completely.
    bool Close() override;
    std::string ErrorText() const override { return m_strError; }

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
    struct SFile; // libuemf's record buffer and object table

    CEmfCanvas(double scale, std::string path, std::unique_ptr<SFile> file);
    // Appends a record libuemf made (null: it could not make it).
    void Append(char* record);
    // Widens the drawn area by a logical rectangle (pen width included) and
    // returns the rectangle in device units.
    CRect Widen(const CRect& logical, int pen);
    // Logical points and rectangles of the canvas as the file holds them.
    CPoint Page(CPoint logical) const;
    CRect Page(const CRect& logical) const;
    std::vector<CPoint> Page(std::span<const CPoint> points) const;
    // The DC state a RestoreDC took back, selected again.
    void Reselect();

    std::string m_strPath;
    std::unique_ptr<SFile> m_pFile;
    std::uint32_t m_hPen = 0;
    std::uint32_t m_hBrush = 0;
    std::uint32_t m_hFont = 0;
    bool m_bFailed = false;
    bool m_bClosed = false;
    bool m_bClipSaved = false; // a SaveDC holds the state before the clip
    std::string m_strError;
    // Device-unit bounds of everything drawn.
    bool m_bDrawn = false;
    CRect m_Bounds;
};

// The metafile back end of the application.
class CQtMetafileService : public CMetafileService {
public:
    std::unique_ptr<CMetafileCanvas> CreateMetafile(const std::string& path, const CCanvas& reference,
                                                    const std::string& description,
                                                    std::string& error) override;
};

} // namespace zel
