// The molecular-graph plot: its record, the draw list rebuilt at every
// drawing, and the drawing itself.

#include "plots/MolGraphPlot.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "analysis/Molecule.h"
#include "plots/PlotDialogs.h"

ZEL_IMPLEMENT_SERIAL(CMolGraphPlot);

using zel::TruncToInt;

namespace {

// The signatures of the point kinds 0..3 and of the path kinds 0..2.
constexpr int kPointSignatures[4] = {-3, -1, 1, 3};
constexpr int kPathSignatures[3] = {-1, 1, 3};

std::string WithoutBlanks(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

} // namespace

CMolGraphPlot::CMolGraphPlot() = default;

CMolGraphPlot::CMolGraphPlot(CMolecule* molecule) : CPlot(molecule) {
    m_nKind = kMolGraph;
    m_bFit = 1;
    m_bRecompute = 1;
    m_dDrawScale = 1.0;
    ApplyUnits();
    // A plane of no size: the three-dimensional view shows next to nothing
    // until the user sets one.
    m_Plane.Corner0 = {0.0, 0.0, 0.0};
    m_Plane.Corner1 = {0.001, 0.0, 0.0};
    m_Plane.Corner2 = {0.0, 0.0, 0.001};
}

CMolGraphPlot::~CMolGraphPlot() {
    m_DrawList.clear();
    for (auto& cache : m_PointCache)
        cache.clear();
}

void CMolGraphPlot::Serialize(zel::CArchive& ar) {
    CPlot::Serialize(ar);
    if (ar.IsStoring()) {
        for (zel::COLORREF color : m_Colors)
            ar << static_cast<std::uint32_t>(color);
        for (float size : m_fSizes)
            ar << size;
        return;
    }
    // Another kind's record under this class would be drawn as something it
    // is not.
    if (m_nKind != kMolGraph)
        throw zel::CArchiveException(zel::CArchiveException::Cause::BadCount, kBadRecord);
    for (zel::COLORREF& color : m_Colors) {
        std::uint32_t value = 0;
        ar >> value;
        color = value;
    }
    for (float& size : m_fSizes)
        ar >> size;
    ApplyUnits();
    m_bLabels = 1;
}

void CMolGraphPlot::ExportEMF(zel::CCanvas& reference) {
    CPlot::ExportEMF(reference);
    DrawAndCloseMetafile();
}

CVector CMolGraphPlot::ToPlotCoords(CVector point) {
    return m_Orientation * point;
}

void CMolGraphPlot::Modify() {
    CPlot::Modify();
    EditMolGraphPlot(*this);
    m_bRecompute = 1;
    ApplyUnits();
}

void CMolGraphPlot::SetColor(int index, zel::COLORREF color) {
    if (index >= 0 && index < kItemKinds) m_Colors[index] = color;
}

zel::COLORREF CMolGraphPlot::GetColor(int index) const {
    return index >= 0 && index < kItemKinds ? m_Colors[index] : 0;
}

void CMolGraphPlot::SetSize(int index, float size) {
    if (index >= 0 && index < kItemKinds) m_fSizes[index] = size;
}

float CMolGraphPlot::GetSize(int index) const {
    return index >= 0 && index < kItemKinds ? m_fSizes[index] : 0.0f;
}

// --- the draw list ------------------------------------------------------------------

void CMolGraphPlot::PruneCaches() {
    if (!m_pMolecule) {
        for (auto& cache : m_PointCache)
            cache.clear();
        return;
    }
    for (int kind = 0; kind < 3; ++kind) {
        std::vector<SCachedPoint>& cache = m_PointCache[kind];
        if (cache.empty()) continue;
        std::unordered_map<const CCritPoint*, int> held;
        for (const auto& point : *m_pMolecule->GetList(kPathSignatures[kind]))
            held.emplace(point.get(), point->GetNumber());
        std::erase_if(cache, [&held](const SCachedPoint& cached) {
            const auto it = held.find(cached.point);
            return it == held.end() || it->second != cached.number;
        });
    }
}

void CMolGraphPlot::CollectPoints() {
    PruneCaches();
    if (m_pMolecule) {
        for (int kind = 0; kind < 3; ++kind) {
            if (!m_bPathSwitch[kind] || !m_PointCache[kind].empty()) continue;
            for (const auto& point : *m_pMolecule->GetList(kPathSignatures[kind]))
                if (point->GetFieldIndex() == m_nField)
                    m_PointCache[kind].push_back({point.get(), point->GetNumber()});
        }
    }
    m_bRecompute = 0;
}

void CMolGraphPlot::InsertByDepth(std::unique_ptr<CPlotItem> item) {
    // Plot z grows towards the viewer: the list runs from the farthest item
    // to the nearest, so that nearer points and labels cover farther ones.
    const double z = item->m_First.z;
    const auto at = std::find_if(m_DrawList.begin(), m_DrawList.end(), [z](const auto& other) {
        return other->m_nKind != CPlotItem::kSegment && !(other->m_First.z < z);
    });
    m_DrawList.insert(at, std::move(item));
}

void CMolGraphPlot::AddPointItems() {
    if (!m_pMolecule) return;
    for (int kind = 0; kind < 4; ++kind) {
        if (!m_bPointSwitch[kind]) continue;
        for (const auto& point : *m_pMolecule->GetList(kPointSignatures[kind])) {
            if (point->GetFieldIndex() != m_nField) continue;
            auto item = std::make_unique<CPlotItem>();
            item->m_nKind = CPlotItem::kPoint;
            item->m_Color = m_Colors[kind];
            item->m_fSize = m_fSizes[kind];
            item->m_strText = "point";
            item->m_First = ToPlotCoords(point->GetPosition());
            InsertByDepth(std::move(item));
        }
    }
}

void CMolGraphPlot::AddAtomLabels() {
    if (!m_pMolecule) return;
    for (const auto& atom : m_pMolecule->GetAtomList()) {
        auto item = std::make_unique<CPlotItem>();
        item->m_nKind = CPlotItem::kLabel;
        item->m_strText = WithoutBlanks(atom->GetLabel());
        item->m_First = ToPlotCoords(atom->GetPosition());
        item->m_Color = m_Colors[kLabelIndex];
        item->m_fSize = m_fSizes[kLabelIndex];
        InsertByDepth(std::move(item));
    }
}

void CMolGraphPlot::AddPathItems() {
    for (int kind = 0; kind < 3; ++kind) {
        if (!m_bPathSwitch[kind]) continue;
        for (const SCachedPoint& cached : m_PointCache[kind]) {
            for (const CGradPath* path : cached.point->GetPathList(true)) {
                const auto& points = path->GetPointList();
                for (std::size_t i = 1; i < points.size(); ++i) {
                    auto item = std::make_unique<CPlotItem>();
                    item->m_nKind = CPlotItem::kSegment;
                    item->m_Color = m_Colors[4 + kind];
                    item->m_fSize = m_fSizes[4 + kind];
                    item->m_strText = "path";
                    item->m_First = ToPlotCoords(points[i - 1]);
                    item->m_Second = ToPlotCoords(points[i]);
                    m_DrawList.push_front(std::move(item));
                }
            }
        }
    }
}

// --- drawing ---------------------------------------------------------------------------

void CMolGraphPlot::Draw(zel::CCanvas& dc) {
    CPlot::Draw(dc);

    const zel::LOGFONT previousFont = dc.SelectFont(m_LogFont);
    const zel::STextMetrics metrics = dc.GetTextMetrics();

    if (m_bFit) {
        FitToPage(dc, &m_dCentreX, &m_dCentreY, &m_dDrawScale);
        m_bFit = 0;
    }
    // Logical units (0.01 mm) per bohr.
    const double s = m_nUnitsFactor * m_dZoom * m_dDrawScale;

    CollectPoints();
    m_DrawList.clear();
    AddPointItems();
    AddAtomLabels();
    AddPathItems();

    // Page coordinates of a point in plot coordinates; each product is
    // truncated before the pan is taken off.
    const auto pageX = [&](double x) {
        return TruncToInt(double(TruncToInt((x - m_dCentreX) * s)) - m_nPanX);
    };
    const auto pageY = [&](double y) {
        return TruncToInt(double(TruncToInt((y - m_dCentreY) * s)) - m_nPanY);
    };

    const unsigned previousAlign = dc.SetTextAlign(zel::TA_LEFT | zel::TA_TOP);
    std::optional<zel::SBrush> previousBrush;
    for (const auto& item : m_DrawList) {
        const zel::SBrush brush{item->m_Color, false};
        const zel::SBrush replaced = dc.SelectBrush(brush);
        if (!previousBrush) previousBrush = replaced;

        switch (item->m_nKind) {
        case CPlotItem::kLabel:
            dc.SetTextColor(item->m_Color);
            if (m_bLabels)
                dc.TextOut(pageX(item->m_First.x),
                           TruncToInt(double(pageY(item->m_First.y)) + metrics.Height / 2), item->m_strText);
            dc.SetTextColor(zel::RGB(0, 0, 0));
            break;
        case CPlotItem::kPoint: {
            // A negative size (typed so) draws as size 0.
            const float size = std::max(item->m_fSize, 0.0f);
            const zel::SPen previousPen = dc.SelectPen({zel::PS_SOLID, TruncToInt(size), item->m_Color});
            // The radius follows the zoom, not the drawing scale.
            const int r = TruncToInt(double(size) * 100.0 * m_dZoom);
            const double x = (item->m_First.x - m_dCentreX) * s - m_nPanX;
            const double y = (item->m_First.y - m_dCentreY) * s - m_nPanY;
            dc.Ellipse({TruncToInt(x - r), TruncToInt(y - r), TruncToInt(x + r), TruncToInt(y + r)});
            dc.SelectPen(previousPen);
            break;
        }
        case CPlotItem::kSegment: {
            const int width = TruncToInt(10.0 * TruncToInt(std::max(item->m_fSize, 0.0f)));
            const zel::SPen previousPen = dc.SelectPen({zel::PS_SOLID, width, item->m_Color});
            dc.MoveTo(pageX(item->m_First.x), pageY(item->m_First.y));
            dc.LineTo(pageX(item->m_Second.x), pageY(item->m_Second.y));
            dc.SelectPen(previousPen);
            break;
        }
        default:
            break;
        }
    }
    if (previousBrush) dc.SelectBrush(*previousBrush);
    dc.SetTextAlign(previousAlign);
    dc.SetTextColor(zel::RGB(0, 0, 0));
    dc.SelectFont(previousFont);
    DrawTexts(dc);
}
