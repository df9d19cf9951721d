// The plot model: constructors, accessors, the view state and the plot record
// of the *.zlm document.

#include "analysis/Plot.h"

#include <cmath>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"

int g_nPlotCounter = 0;

ZEL_IMPLEMENT_SERIAL(CPlot);

namespace {

using Cause = zel::CArchiveException::Cause;

[[noreturn]] void Refuse() {
    throw zel::CArchiveException(Cause::BadCount, CPlot::kBadRecord);
}

void Serialize(zel::CArchive& ar, CVector& v) {
    if (ar.IsStoring())
        ar << v.x << v.y << v.z;
    else
        ar >> v.x >> v.y >> v.z;
}

bool IsUnits(int units) {
    return units == 100 || units == 2540;
}

bool IsPage(const CPageSetup& page) {
    const auto margin = [](double m) { return m >= 0.0 && m <= CPlot::kMaxPageLength; };
    const auto paper = [](double l) { return l > 0.0 && l <= CPlot::kMaxPageLength; };
    return margin(page.m_dMarginLeft) && margin(page.m_dMarginRight) && margin(page.m_dMarginTop) &&
           margin(page.m_dMarginBottom) && paper(page.m_dPaperWidth) && paper(page.m_dPaperHeight);
}

// Inside the bounds. (Three points that span no plane can be chosen in the
// plane dialog; the drawing keeps its view then.)
bool IsPlane(const CPlotPlane& plane) {
    for (const CVector& v : {plane.Corner0, plane.Corner1, plane.Corner2, plane.Centre, plane.PointA,
                             plane.PointB, plane.PointC})
        if (!CPlot::IsCoordinate(v)) return false;
    if (!CPlot::IsCoordinate(plane.Width) || !CPlot::IsCoordinate(plane.Height) ||
        !CPlot::IsCoordinate(plane.Angle))
        return false;
    return true;
}

} // namespace

CPlot::CPlot() = default;

CPlot::CPlot(CMolecule* molecule)
    : m_LogFont(MakePlotFont(-500, 400)), m_nNumber(g_nPlotCounter), m_pMolecule(molecule),
      m_nField(molecule ? molecule->GetFieldIndex() : 0), m_Light{1.0, 1.0, 1.0} {
    m_Plane.Corner0 = {-2.5, -2.5, 0.0};
    m_Plane.Corner1 = {2.5, -2.5, 0.0};
    m_Plane.Corner2 = {-2.5, 2.5, 0.0};
    m_Plane.Width = 5.0;
    m_Plane.Height = 5.0;
    m_Plane.PointB = {1.0, 0.0, 0.0};
    m_Plane.PointC = {0.0, 1.0, 0.0};
    m_Title.SetText(zel::Sprintf("New Plot (%d)", g_nPlotCounter));
    UpdateBorderRect();
}

CPlot::~CPlot() {
    // Last first, each out of the list before it dies.
    while (!m_TextList.empty()) {
        std::unique_ptr<CPlotText> text = std::move(m_TextList.back());
        m_TextList.pop_back();
    }
}

void CPlot::SetAngles(int x, int y, int z) {
    m_nAngles[0] = x;
    m_nAngles[1] = y;
    m_nAngles[2] = z;
}

void CPlot::SetZoom(double zoom) {
    if (!std::isfinite(zoom) || zoom < kMinZoom) zoom = kMinZoom;
    m_dZoom = zoom;
    m_LogFont.Height = zel::TruncToInt(zoom * m_nBaseFontHeight);
    m_LogFont.Width = zel::TruncToInt(zoom * m_nBaseFontWidth);
}

void CPlot::SetLogFont(const zel::LOGFONT& font) {
    m_LogFont = font;
    m_nBaseFontHeight = font.Height;
    m_nBaseFontWidth = font.Width;
}

zel::LOGFONT CPlot::GetBaseLogFont() const {
    zel::LOGFONT font = m_LogFont;
    font.Height = m_nBaseFontHeight;
    font.Width = m_nBaseFontWidth;
    return font;
}

void CPlot::SetBaseLogFont(const zel::LOGFONT& font) {
    SetLogFont(font);
    SetZoom(m_dZoom);
}

void CPlot::SetDisplayOption(int index, int value) {
    if (index >= 0 && index < 4) m_bPointSwitch[index] = value;
}

int CPlot::GetDisplayOption(int index) const {
    return index >= 0 && index < 4 ? m_bPointSwitch[index] : 0;
}

void CPlot::SetDisplayFlag(int index, int value) {
    if (index >= 0 && index < 3) m_bPathSwitch[index] = value;
}

int CPlot::GetDisplayFlag(int index) const {
    return index >= 0 && index < 3 ? m_bPathSwitch[index] : 0;
}

int CPlot::ToggleLabels() {
    m_bLabels = !m_bLabels;
    return m_bLabels;
}

void CPlot::SetEyeDistance(double distance) {
    if (std::isfinite(distance)) m_dEyeDistance = distance;
}

int CPlot::SetPageSetup(const CPageSetup& page) {
    m_PageSetup = page;
    return 1;
}

void CPlot::ResetView() {
    SetAngles(0, 0, 0);
    SetZoom(1.0);
    m_nPanX = 0;
    m_nPanY = 0;
    m_Orientation = CMatrix({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    SetRecompute(0);
}

int CPlot::Query(int /*code*/) {
    return 1;
}

void CPlot::Toggle(int code) {
    switch (code) {
    case kAxesCode:
        m_Axes.ToggleVisible();
        break;
    case kBorderCode:
        m_Border.ToggleVisible();
        break;
    case kTitleCode:
        m_Title.SetVisible(!m_Title.IsVisible());
        break;
    default:
        break;
    }
}

// The plot record, one sequence for both directions (ints 4 bytes, doubles 8,
// little-endian): the plot counter; kind, number, field; the angles; the light
// direction; eye and projection-plane distances; point and path switches; the
// page (margins left, right, top, bottom, paper width and height, portrait and
// mm flags, description, third, first and units 16-bit fields); the plane
// (corners 0 to 2, centre, angle, width, height, points A to C); zoom; units
// factor; the plot font; pan; drawing scale; the free texts (count, then each
// untagged); the orientation by columns; title, border and axes triad.
void CPlot::Serialize(zel::CArchive& ar) {
    const bool storing = ar.IsStoring();
    auto io = [&](auto& value) {
        if (storing)
            ar << value;
        else
            ar >> value;
    };

    // The counter goes into effect once the whole record has been read.
    int counter = g_nPlotCounter;
    io(counter);
    io(m_nKind);
    io(m_nNumber);
    io(m_nField);
    for (int& angle : m_nAngles)
        io(angle);
    ::Serialize(ar, m_Light);
    io(m_dEyeDistance);
    io(m_dProjDistance);
    for (int& flag : m_bPointSwitch)
        io(flag);
    for (int& flag : m_bPathSwitch)
        io(flag);

    io(m_PageSetup.m_dMarginLeft);
    io(m_PageSetup.m_dMarginRight);
    io(m_PageSetup.m_dMarginTop);
    io(m_PageSetup.m_dMarginBottom);
    io(m_PageSetup.m_dPaperWidth);
    io(m_PageSetup.m_dPaperHeight);
    io(m_PageSetup.m_bPortrait);
    io(m_PageSetup.m_bMM);
    io(m_PageSetup.m_strDescription);
    io(m_PageSetup.m_wThird);
    io(m_PageSetup.m_wFirst);
    io(m_PageSetup.m_wUnits);

    ::Serialize(ar, m_Plane.Corner0);
    ::Serialize(ar, m_Plane.Corner1);
    ::Serialize(ar, m_Plane.Corner2);
    ::Serialize(ar, m_Plane.Centre);
    io(m_Plane.Angle);
    io(m_Plane.Width);
    io(m_Plane.Height);
    ::Serialize(ar, m_Plane.PointA);
    ::Serialize(ar, m_Plane.PointB);
    ::Serialize(ar, m_Plane.PointC);

    io(m_dZoom);
    io(m_nUnitsFactor);
    SerializeFont(ar, m_LogFont);
    io(m_nPanX);
    io(m_nPanY);
    io(m_dDrawScale);

    if (storing) {
        ar << static_cast<int>(m_TextList.size());
        for (const auto& text : m_TextList)
            text->Serialize(ar);
    } else {
        int count = 0;
        ar >> count;
        // A text record takes at least 50 bytes: the font with an empty face
        // name (29), an empty text (1), colour, position and extent (20).
        const std::size_t n = ar.CheckCount(count, 50);
        for (std::size_t i = 0; i < n; ++i) {
            auto text = std::make_unique<CPlotText>();
            text->Serialize(ar);
            m_TextList.push_back(std::move(text));
        }
    }

    for (int k = 0; k < 3; ++k)
        ::Serialize(ar, m_Orientation.Column(k));
    m_Title.Serialize(ar);
    m_Border.Serialize(ar);
    m_Axes.Serialize(ar);

    m_bBusy = 0;
    SetRecompute(0);
    if (!storing) {
        // The field picks the plot's critical points; the units divide page
        // lengths when fitting.
        if (m_nField < 0 || m_nField > 4 || !IsUnits(m_nUnitsFactor) || !IsUnits(m_PageSetup.m_wUnits))
            Refuse();
        // Numbers the drawing would overflow on.
        if (counter < 0 || counter > kMaxPlotCounter || !IsPage(m_PageSetup) || !IsPlane(m_Plane) ||
            !IsCoordinate(m_Light) || !IsCoordinate(m_dEyeDistance) || !IsCoordinate(m_dProjDistance) ||
            !IsCoordinate(m_Orientation.Column(0)) || !IsCoordinate(m_Orientation.Column(1)) ||
            !IsCoordinate(m_Orientation.Column(2)))
            Refuse();
        g_nPlotCounter = counter;
        m_bLabels = 1;
        // A zoom of 0 or below would mirror the picture.
        if (!std::isfinite(m_dZoom) || m_dZoom < kMinZoom) m_dZoom = kMinZoom;
        // The font is stored at the zoom; its size at zoom 1 is the base, or
        // every reopening would zoom the labels once more.
        m_nBaseFontHeight = zel::TruncToInt(std::round(m_LogFont.Height / m_dZoom));
        m_nBaseFontWidth = zel::TruncToInt(std::round(m_LogFont.Width / m_dZoom));
    }
}
