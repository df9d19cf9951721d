#include "analysis/PlotParts.h"

#include "analysis/Plot.h"

ZEL_IMPLEMENT_SERIAL(CTitle);
ZEL_IMPLEMENT_SERIAL(CBorder);
ZEL_IMPLEMENT_SERIAL(CAxes);
ZEL_IMPLEMENT_SERIAL(CPlotText);

zel::LOGFONT MakePlotFont(int height, int weight) {
    zel::LOGFONT font;
    font.Height = height;
    font.Weight = weight;
    font.OutPrecision = 3;
    font.Quality = 1;
    font.PitchAndFamily = 34;
    font.SetFaceName("Arial");
    return font;
}

void SerializeFont(zel::CArchive& ar, zel::LOGFONT& font) {
    if (ar.IsStoring()) {
        ar << font.Height << font.Width << font.Escapement << font.Orientation << font.Weight;
        ar << font.Italic << font.Underline << font.StrikeOut << font.CharSet << font.OutPrecision
           << font.ClipPrecision << font.Quality << font.PitchAndFamily;
        ar << font.GetFaceName();
    } else {
        ar >> font.Height >> font.Width >> font.Escapement >> font.Orientation >> font.Weight;
        // Sizes the drawing would overflow on (it negates and scales them).
        const auto isSize = [](int size) { return size >= -CPlot::kMaxFontSize && size <= CPlot::kMaxFontSize; };
        if (!isSize(font.Height) || !isSize(font.Width))
            throw zel::CArchiveException(zel::CArchiveException::Cause::BadCount, CPlot::kBadRecord);
        ar >> font.Italic >> font.Underline >> font.StrikeOut >> font.CharSet >> font.OutPrecision >>
            font.ClipPrecision >> font.Quality >> font.PitchAndFamily;
        std::string face;
        ar >> face;
        font.SetFaceName(face);
    }
}

CTitle::CTitle() : m_LogFont(MakePlotFont(-425, 700)) {}

void CTitle::Serialize(zel::CArchive& ar) {
    SerializeFont(ar, m_LogFont);
    if (ar.IsStoring())
        ar << m_Color << m_strText << m_bVisible;
    else
        ar >> m_Color >> m_strText >> m_bVisible;
}

void CBorder::Serialize(zel::CArchive& ar) {
    if (ar.IsStoring())
        ar << m_Color << m_bVisible << m_Rect.left << m_Rect.top << m_Rect.right << m_Rect.bottom;
    else
        ar >> m_Color >> m_bVisible >> m_Rect.left >> m_Rect.top >> m_Rect.right >> m_Rect.bottom;
}

CAxes::CAxes() : m_LogFont(MakePlotFont(-425, 700)) {}

void CAxes::Serialize(zel::CArchive& ar) {
    SerializeFont(ar, m_LogFont);
    if (ar.IsStoring())
        ar << m_Color << m_Point.x << m_Point.y << m_bVisible;
    else
        ar >> m_Color >> m_Point.x >> m_Point.y >> m_bVisible;
}

CPlotText::CPlotText() : m_LogFont(MakePlotFont(-500, 400)) {}

zel::CRect CPlotText::GetBox() const {
    // In doubles: a damaged file may hold positions near the int limits.
    return {m_Position.x, m_Position.y, zel::TruncToInt(double(m_Position.x) + m_Extent.cx),
            zel::TruncToInt(double(m_Position.y) - m_Extent.cy)};
}

void CPlotText::Serialize(zel::CArchive& ar) {
    SerializeFont(ar, m_LogFont);
    if (ar.IsStoring())
        ar << m_strText << m_Color << m_Position.x << m_Position.y << m_Extent.cx << m_Extent.cy;
    else
        ar >> m_strText >> m_Color >> m_Position.x >> m_Position.y >> m_Extent.cx >> m_Extent.cy;
}
