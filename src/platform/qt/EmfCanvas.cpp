#include "platform/qt/EmfCanvas.h"

#include <QString>

#include <uemf.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/qt/PainterCanvas.h"

namespace zel {

namespace {

constexpr std::uint32_t kChunk = 1u << 16;
constexpr const char* kIncomplete = "the metafile was not written completely";

U_POINTL Point(CPoint p) {
    return pointl_set(p.x, p.y);
}

// The extents of the mapping: 254 mm in logical units (0.01 mm) span the
// reference device's units across them, y upwards.
constexpr int kWindowExtent = 25400;

U_RECTL Rect(const CRect& r) {
    U_RECTL rect;
    rect.left = r.left;
    rect.top = r.top;
    rect.right = r.right;
    rect.bottom = r.bottom;
    return rect;
}

U_COLORREF Color(COLORREF color) {
    return colorref_set(static_cast<uint8_t>(GetRValue(color)), static_cast<uint8_t>(GetGValue(color)),
                        static_cast<uint8_t>(GetBValue(color)));
}

// Removes an unfinished metafile; never a device or anything else that is
// not a plain file.
void RemoveUnfinished(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
}

std::u16string Utf16(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
}

} // namespace

struct CEmfCanvas::SFile {
    EMFTRACK* track = nullptr;
    EMFHANDLES* handles = nullptr;
    ~SFile() {
        if (track) {
            if (track->fp) std::fclose(track->fp);
            track->fp = nullptr;
            emf_free(&track);
        }
        if (handles) emf_htable_free(&handles);
    }
};

std::unique_ptr<CEmfCanvas> CEmfCanvas::Create(const std::string& path, double scale,
                                               const std::string& description, std::string& error) {
    auto file = std::make_unique<SFile>();
    errno = 0;
    if (emf_start(path.c_str(), kChunk, kChunk, &file->track) != 0) {
        file->track = nullptr;
        error = errno != 0 ? std::strerror(errno) : "the file cannot be created";
        return nullptr;
    }
    if (emf_htable_create(128, 128, &file->handles) != 0) {
        file->handles = nullptr;
        error = "not enough memory";
        RemoveUnfinished(path);
        return nullptr;
    }
    std::unique_ptr<CEmfCanvas> canvas(new CEmfCanvas(scale, path, std::move(file)));

    // The reference device: scale device units per 0.01 mm, given as
    // 254 mm and the device units across them. The bounds and the frame
    // follow when the file is closed.
    const int across = std::max(1, static_cast<int>(std::lround(scale * 25400.0)));
    std::u16string text = Utf16(description);
    const U_RECTL none = Rect({0, 0, 0, 0});
    canvas->Append(U_EMRHEADER_set(none, none, nullptr, static_cast<U_CBSTR>(text.size()),
                                   reinterpret_cast<uint16_t*>(text.data()), sizel_set(across, across),
                                   sizel_set(254, 254), 0));
    canvas->Append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    canvas->Append(U_EMRSETWINDOWEXTEX_set(sizel_set(kWindowExtent, kWindowExtent)));
    canvas->Append(U_EMRSETVIEWPORTEXTEX_set(sizel_set(across, -across)));
    canvas->Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
    // The objects a fresh canvas has selected.
    canvas->OnPen();
    canvas->OnBrush();
    canvas->OnFont();
    canvas->OnTextColor();
    canvas->OnTextAlign();
    if (canvas->m_bFailed) {
        error = "not enough memory";
        canvas.reset();
        RemoveUnfinished(path);
        return nullptr;
    }
    return canvas;
}

CEmfCanvas::CEmfCanvas(double scale, std::string path, std::unique_ptr<SFile> file)
    : CMetafileCanvas(scale), m_strPath(std::move(path)), m_pFile(std::move(file)) {}

CEmfCanvas::~CEmfCanvas() {
    // A metafile that was never finished is no metafile.
    if (!m_bClosed) {
        m_pFile.reset();
        RemoveUnfinished(m_strPath);
    }
}

void CEmfCanvas::Append(char* record) {
    if (!record) {
        m_bFailed = true;
        return;
    }
    if (emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), m_pFile->track, 1) != 0) m_bFailed = true;
}

CRect CEmfCanvas::Widen(const CRect& logical, int pen) {
    const CPoint a = LPtoDP({logical.left, logical.top});
    const CPoint b = LPtoDP({logical.right, logical.bottom});
    const int margin = TruncToInt(std::ceil(std::max(1, pen) * GetScale() / 2.0)) + 1;
    const CRect r = CRect{a.x, a.y, b.x, b.y}.Normalized();
    const CRect wide{r.left - margin, r.top - margin, r.right + margin, r.bottom + margin};
    if (!m_bDrawn) {
        m_Bounds = wide;
        m_bDrawn = true;
    } else {
        m_Bounds = {std::min(m_Bounds.left, wide.left), std::min(m_Bounds.top, wide.top),
                    std::max(m_Bounds.right, wide.right), std::max(m_Bounds.bottom, wide.bottom)};
    }
    return wide;
}

bool CEmfCanvas::Close() {
    if (m_bClosed) return m_strError.empty();
    m_bClosed = true;
    Append(U_EMREOF_set(0, nullptr, m_pFile->track));

    bool written = !m_bFailed;
    if (written) {
        // What was drawn, in device units and in 0.01 mm.
        auto* header = reinterpret_cast<PU_EMRHEADER>(m_pFile->track->buf);
        const CRect bounds = m_bDrawn ? m_Bounds : CRect{};
        header->rclBounds = Rect(bounds);
        header->rclFrame =
            Rect({TruncToInt(bounds.left / GetScale()), TruncToInt(bounds.top / GetScale()),
                  TruncToInt(bounds.right / GetScale()), TruncToInt(bounds.bottom / GetScale())});
        written = emf_finish(m_pFile->track, m_pFile->handles) == 0;
        // The library does not report a failed write: the file must hold
        // every byte of the metafile.
        const std::uintmax_t expected = header->nBytes;
        std::error_code ec;
        written = written && std::filesystem::is_regular_file(m_strPath, ec) &&
                  std::filesystem::file_size(m_strPath, ec) == expected && !ec;
    }
    m_pFile.reset();
    if (!written) {
        m_strError = kIncomplete;
        RemoveUnfinished(m_strPath);
    }
    return written;
}

CSize CEmfCanvas::MeasureText(const LOGFONT& font, std::string_view text) const {
    return QtTextExtent(font, text);
}

STextMetrics CEmfCanvas::MeasureFont(const LOGFONT& font) const {
    return QtTextMetrics(font);
}

CPoint CEmfCanvas::Page(CPoint logical) const {
    // Where the device puts the point, back in logical units from the
    // device's origin: the same point for every reader, with or without
    // window origins.
    double x = 0.0;
    double y = 0.0;
    ToDevice(logical.x, logical.y, x, y);
    return {TruncToInt(std::round(x / GetScale())), TruncToInt(std::round(-y / GetScale()))};
}

CRect CEmfCanvas::Page(const CRect& logical) const {
    const CPoint a = Page(CPoint{logical.left, logical.top});
    const CPoint b = Page(CPoint{logical.right, logical.bottom});
    return {a.x, a.y, b.x, b.y};
}

// The origins are in the coordinates written: the position that the next
// LineTo starts from moves with them.
void CEmfCanvas::OnWindowOrg() {
    if (m_bClosed) return;
    Append(U_EMRMOVETOEX_set(Point(Page(GetCurrentPosition()))));
}

void CEmfCanvas::OnViewportOrg() {
    OnWindowOrg();
}

void CEmfCanvas::OnPen() {
    if (m_bClosed) return;
    const SPen& pen = GetPen();
    std::uint32_t handle = 0;
    // Width 0 is one pixel of the device: of the reference device here, so
    // that readers which take 0 for one logical unit (0.01 mm) draw the line
    // the screen shows.
    const int width = pen.width > 0 ? pen.width
                                    : std::max(1, static_cast<int>(std::lround(1.0 / GetScale())));
    const U_LOGPEN logPen =
        logpen_set(static_cast<uint32_t>(pen.style), point_set(width, 0), Color(pen.color));
    Append(createpen_set(&handle, m_pFile->handles, logPen));
    Append(selectobject_set(handle, m_pFile->handles));
    if (m_hPen) Append(deleteobject_set(&m_hPen, m_pFile->handles));
    m_hPen = handle;
}

void CEmfCanvas::OnBrush() {
    if (m_bClosed) return;
    const SBrush& brush = GetBrush();
    std::uint32_t handle = 0;
    if (brush.hollow) {
        Append(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
    } else {
        Append(createbrushindirect_set(&handle, m_pFile->handles,
                                       logbrush_set(U_BS_SOLID, Color(brush.color), 0)));
        Append(selectobject_set(handle, m_pFile->handles));
    }
    if (m_hBrush) Append(deleteobject_set(&m_hBrush, m_pFile->handles));
    m_hBrush = handle;
}

void CEmfCanvas::OnFont() {
    if (m_bClosed) return;
    const LOGFONT& font = GetFont();
    uint16_t face[U_LF_FACESIZE] = {};
    const std::u16string name = Utf16(font.GetFaceName());
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), U_LF_FACESIZE - 1), face);
    U_LOGFONT logFont =
        logfont_set(font.Height, font.Width, font.Escapement, font.Orientation, font.Weight, font.Italic,
                    font.Underline, font.StrikeOut, font.CharSet, font.OutPrecision, font.ClipPrecision,
                    font.Quality, font.PitchAndFamily, face);
    std::uint32_t handle = 0;
    Append(extcreatefontindirectw_set(&handle, m_pFile->handles, reinterpret_cast<const char*>(&logFont),
                                      nullptr));
    Append(selectobject_set(handle, m_pFile->handles));
    if (m_hFont) Append(deleteobject_set(&m_hFont, m_pFile->handles));
    m_hFont = handle;
}

void CEmfCanvas::OnTextColor() {
    if (m_bClosed) return;
    Append(U_EMRSETTEXTCOLOR_set(Color(GetTextColor())));
}

void CEmfCanvas::OnTextAlign() {
    if (m_bClosed) return;
    Append(U_EMRSETTEXTALIGN_set(GetTextAlign()));
}

void CEmfCanvas::Reselect() {
    if (m_hPen) Append(selectobject_set(m_hPen, m_pFile->handles));
    if (m_hBrush)
        Append(selectobject_set(m_hBrush, m_pFile->handles));
    else
        Append(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
    if (m_hFont) Append(selectobject_set(m_hFont, m_pFile->handles));
    Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
    OnTextColor();
    OnTextAlign();
    Append(U_EMRMOVETOEX_set(Point(Page(GetCurrentPosition()))));
}

void CEmfCanvas::OnClip() {
    if (m_bClosed) return;
    // The clip before is taken back with the state saved before it.
    if (m_bClipSaved) {
        Append(U_EMRRESTOREDC_set(-1));
        m_bClipSaved = false;
        Reselect();
    }
    const std::optional<CRect> clip = GetClipRect();
    if (!clip) return;
    // The device rectangle in logical units, widened to whole units: the
    // clip never cuts into what it holds.
    const double k = GetScale();
    const CRect rect{TruncToInt(std::floor(clip->left / k)), TruncToInt(std::ceil(-clip->top / k)),
                     TruncToInt(std::ceil(clip->right / k)), TruncToInt(std::floor(-clip->bottom / k))};
    Append(U_EMRSAVEDC_set());
    m_bClipSaved = true;
    Append(U_EMRINTERSECTCLIPRECT_set(Rect(rect)));
}

void CEmfCanvas::OnMoveTo(CPoint to) {
    if (m_bClosed) return;
    Append(U_EMRMOVETOEX_set(Point(Page(to))));
}

void CEmfCanvas::DrawLine(CPoint from, CPoint to) {
    if (m_bClosed) return;
    Widen({from.x, from.y, to.x, to.y}, GetPen().width);
    Append(U_EMRLINETO_set(Point(Page(to))));
}

namespace {

CRect Extent(std::span<const CPoint> points) {
    CRect r{points.front().x, points.front().y, points.front().x, points.front().y};
    for (const CPoint& p : points)
        r = {std::min(r.left, p.x), std::min(r.top, p.y), std::max(r.right, p.x), std::max(r.bottom, p.y)};
    return r;
}

std::vector<U_POINTL> Points(std::span<const CPoint> points) {
    std::vector<U_POINTL> result;
    result.reserve(points.size());
    for (const CPoint& p : points)
        result.push_back(Point(p));
    return result;
}

} // namespace

std::vector<CPoint> CEmfCanvas::Page(std::span<const CPoint> points) const {
    std::vector<CPoint> result;
    result.reserve(points.size());
    for (const CPoint& p : points)
        result.push_back(Page(p));
    return result;
}

void CEmfCanvas::DrawPolyline(std::span<const CPoint> points) {
    if (m_bClosed) return;
    const CRect bounds = Widen(Extent(points), GetPen().width);
    const std::vector<U_POINTL> p = Points(Page(points));
    Append(U_EMRPOLYLINE_set(Rect(bounds), static_cast<uint32_t>(p.size()), p.data()));
}

void CEmfCanvas::DrawPolygon(std::span<const CPoint> points) {
    if (m_bClosed) return;
    const CRect bounds = Widen(Extent(points), GetPen().width);
    const std::vector<U_POINTL> p = Points(Page(points));
    Append(U_EMRPOLYGON_set(Rect(bounds), static_cast<uint32_t>(p.size()), p.data()));
}

void CEmfCanvas::DrawRectangle(const CRect& rect) {
    if (m_bClosed) return;
    Widen(rect, GetPen().width);
    Append(U_EMRRECTANGLE_set(Rect(Page(rect))));
}

void CEmfCanvas::DrawEllipse(const CRect& bounds) {
    if (m_bClosed) return;
    Widen(bounds, GetPen().width);
    Append(U_EMRELLIPSE_set(Rect(Page(bounds))));
}

void CEmfCanvas::DrawText(CPoint at, std::string_view text) {
    if (m_bClosed) return;
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::u16string units = string.toStdU16String();
    std::vector<std::uint32_t> advances = QtCharAdvances(GetFont(), string);
    const CSize extent = GetTextExtent(text);
    // Wherever the alignment puts it, the text lies within its extent of the
    // reference point.
    const CRect bounds = Widen({at.x - extent.cx, at.y + extent.cy, at.x + extent.cx, at.y - extent.cy}, 0);
    char* emrText = emrtext_set(Point(Page(at)), static_cast<U_NUM_STR>(units.size()), 2, units.data(), U_ETO_NONE,
                                Rect({0, 0, -1, -1}), advances.data());
    if (!emrText) {
        m_bFailed = true;
        return;
    }
    Append(U_EMREXTTEXTOUTW_set(Rect(bounds), U_GM_COMPATIBLE, 1.0f, 1.0f,
                                reinterpret_cast<PU_EMRTEXT>(emrText)));
    std::free(emrText);
}

std::unique_ptr<CMetafileCanvas> CQtMetafileService::CreateMetafile(const std::string& path,
                                                                    const CCanvas& reference,
                                                                    const std::string& description,
                                                                    std::string& error) {
    return CEmfCanvas::Create(path, reference.GetScale(), description, error);
}

} // namespace zel
