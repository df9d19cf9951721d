// The contour and gradient-path plot: its records in the document, the view
// into plot coordinates, the fit to the page and the drawing.

#include "plots/ContourPlot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "plots/PlotDialogs.h"

ZEL_IMPLEMENT_SERIAL(CLine);
ZEL_IMPLEMENT_SERIAL(CSelectedPoint);
ZEL_IMPLEMENT_SERIAL(CContourPlot);

using zel::TruncToInt;

namespace {

using Cause = zel::CArchiveException::Cause;

constexpr double kPi = std::numbers::pi;

// The smallest record of a selected point (an empty name, no paths) and of a
// gradient path (no points).
constexpr std::size_t kSelectedPointBytes = 121;
constexpr std::size_t kGradPathBytes = 40;

void SerializeVector(zel::CArchive& ar, CVector& v) {
    if (ar.IsStoring())
        ar << v.x << v.y << v.z;
    else
        ar >> v.x >> v.y >> v.z;
}

void SerializeColor(zel::CArchive& ar, zel::COLORREF& color) {
    if (ar.IsStoring()) {
        ar << static_cast<std::uint32_t>(color);
    } else {
        std::uint32_t value = 0;
        ar >> value;
        color = value;
    }
}

} // namespace

// --- mesh records ----------------------------------------------------------------

void CNode::Serialize(zel::CArchive& ar) {
    SerializeVector(ar, Position);
    if (ar.IsStoring()) {
        ar << Flag << Aux[0] << Aux[1] << Aux[2] << Aux[3] << Value;
    } else {
        ar >> Flag >> Aux[0] >> Aux[1] >> Aux[2] >> Aux[3] >> Value;
    }
}

void CElement::Serialize(zel::CArchive& ar) {
    if (ar.IsStoring())
        ar << Id << A << B << C;
    else
        ar >> Id >> A >> B >> C;
    SerializeVector(ar, Normal);
    SerializeVector(ar, Centroid);
}

// --- levels, segments and selected points ---------------------------------------------

void CLine::Serialize(zel::CArchive& ar) {
    SerializeVector(ar, m_Start);
    SerializeVector(ar, m_End);
    if (ar.IsStoring())
        ar << m_nWidth << m_nStyle;
    else
        ar >> m_nWidth >> m_nStyle;
    SerializeColor(ar, m_Color);
    if (ar.IsStoring())
        ar << m_dLevel << m_nReserved;
    else
        ar >> m_dLevel >> m_nReserved;
}

CSelectedPoint::~CSelectedPoint() {
    // Newest first, each out of the list before it dies.
    while (!m_Paths.empty())
        m_Paths.pop_back();
}

void CSelectedPoint::Serialize(zel::CArchive& ar) {
    const bool storing = ar.IsStoring();
    auto io = [&](auto& value) {
        if (storing)
            ar << value;
        else
            ar >> value;
    };
    io(m_nOffPlaneShape);
    io(m_nInPlaneShape);
    io(m_dMarkerSize);
    SerializeColor(ar, m_MarkerColor);
    io(m_bComputedPaths);
    io(m_nPathCount);
    io(m_dBlankDisc);
    io(m_dMaxDistance);
    io(m_dMaxPathLength);
    io(m_dOverlayWidth);
    io(m_nOverlayStyle);
    SerializeColor(ar, m_OverlayColor);
    io(m_bMolGraphPaths);
    io(m_strName);
    io(m_nNumber);
    SerializeVector(ar, m_Position);
    SerializeColor(ar, m_MolGraphColor);
    io(m_nMolGraphStyle);
    io(m_dMolGraphWidth);

    if (storing) {
        ar << static_cast<int>(m_Paths.size());
        for (const auto& path : m_Paths)
            path->Serialize(ar);
        return;
    }
    m_Paths.clear();
    int count = 0;
    ar >> count;
    const std::size_t n = ar.CheckCount(count, kGradPathBytes);
    for (std::size_t i = 0; i < n; ++i) {
        auto path = std::make_unique<CGradPath>();
        path->Serialize(ar);
        m_Paths.push_back(std::move(path));
    }
}

// --- the plot ----------------------------------------------------------------------------

CContourPlot::CContourPlot() = default;

CContourPlot::CContourPlot(CMolecule* molecule) : CPlot(molecule) {
    m_nKind = kContour;
    m_bRecompute = 1;
}

CContourPlot::~CContourPlot() {
    m_Nodes.clear();
    m_Elements.clear();
    m_Segments.clear();
    m_SelectedPoints.clear();
    m_Levels.clear();
}

long long CContourPlot::NodeCount(int rows, int columns) {
    const long long n = rows;
    const long long m = columns;
    return (n + 1) * (m + 1) + n * m;
}

long long CContourPlot::ElementCount(int rows, int columns) {
    return 4LL * rows * columns;
}

void CContourPlot::Serialize(zel::CArchive& ar) {
    CPlot::Serialize(ar);
    const bool storing = ar.IsStoring();
    if (!storing && m_nKind != kContour) throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    auto io = [&](auto& value) {
        if (storing)
            ar << value;
        else
            ar >> value;
    };
    io(m_nRows);
    io(m_nColumns);
    io(m_dTolerance);
    SerializeVector(ar, m_View);
    SerializeVector(ar, m_Stored);
    if (!storing && (m_nRows < 0 || m_nColumns < 0))
        throw zel::CArchiveException(Cause::BadCount, kBadRecord);

    const long long nodes = NodeCount(m_nRows, m_nColumns);
    const long long elements = static_cast<long long>(m_nRows) * m_nColumns;

    if (storing) {
        ar << static_cast<int>(m_Levels.size());
        for (const auto& level : m_Levels)
            level->Serialize(ar);
        // The mesh of the current grid, or fresh records when there is none
        // (its memory could not be had, or the grid changed since): what the
        // record calls for, never more than the arrays hold.
        const bool mesh = static_cast<long long>(m_Nodes.size()) == nodes &&
                          static_cast<long long>(m_Elements.size()) >= elements;
        for (long long i = 0; i < nodes; ++i) {
            CNode fresh;
            (mesh ? m_Nodes[static_cast<std::size_t>(i)] : fresh).Serialize(ar);
        }
        for (long long i = 0; i < elements; ++i) {
            CElement fresh;
            (mesh ? m_Elements[static_cast<std::size_t>(i)] : fresh).Serialize(ar);
        }
        ar << static_cast<int>(m_SelectedPoints.size());
        for (const auto& point : m_SelectedPoints)
            point->Serialize(ar);
        ar << static_cast<int>(m_Segments.size());
        for (const auto& segment : m_Segments)
            segment->Serialize(ar);
        return;
    }

    int count = 0;
    ar >> count;
    m_Levels.clear();
    for (std::size_t i = 0, n = ar.CheckCount(count, CLine::kArchiveBytes); i < n; ++i) {
        auto level = std::make_unique<CLine>();
        level->Serialize(ar);
        m_Levels.push_back(std::move(level));
    }
    m_Nodes.clear();
    m_Nodes.resize(ar.CheckCount(nodes, CNode::kArchiveBytes));
    for (CNode& node : m_Nodes)
        node.Serialize(ar);
    m_Elements.clear();
    m_Elements.resize(ar.CheckCount(elements, CElement::kArchiveBytes));
    for (CElement& element : m_Elements)
        element.Serialize(ar);

    ar >> count;
    m_SelectedPoints.clear();
    for (std::size_t i = 0, n = ar.CheckCount(count, kSelectedPointBytes); i < n; ++i) {
        auto point = std::make_unique<CSelectedPoint>();
        point->Serialize(ar);
        // The pen style drawn is twice the stored one, 0 solid or 1 dotted.
        const auto isStyle = [](int style) { return style == 0 || style == 1; };
        if (!isStyle(point->m_nOverlayStyle) || !isStyle(point->m_nMolGraphStyle) ||
            !IsCoordinate(point->m_Position))
            throw zel::CArchiveException(Cause::BadCount, kBadRecord);
        m_SelectedPoints.push_back(std::move(point));
    }
    ar >> count;
    m_Segments.clear();
    for (std::size_t i = 0, n = ar.CheckCount(count, CLine::kArchiveBytes); i < n; ++i) {
        auto segment = std::make_unique<CLine>();
        segment->Serialize(ar);
        m_Segments.push_back(std::move(segment));
    }
}

void CContourPlot::ResetView() {
    CPlot::ResetView();
    SetRecompute(0);
}

void CContourPlot::ExportEMF(zel::CCanvas& reference) {
    CPlot::ExportEMF(reference);
    DrawAndCloseMetafile();
}

void CContourPlot::Modify() {
    if (EditContourPlot(*this) == zel::IDOK) {
        SetRecompute(1);
        if (m_pMolecule && m_pMolecule->GetDocument()) m_pMolecule->GetDocument()->UpdateAllViews();
    }
    // The dialog may have moved the plane.
    UpdateView();
}

// --- view ------------------------------------------------------------------------------

CVector CContourPlot::PlotCoords(CVector v, CVector p) {
    // A view along the z axis is nudged off it, as the drawing does.
    if (v.x == 0.0 && v.y == 0.0) v.x = 0.0001;
    const double rxy2 = v.x * v.x + v.y * v.y;
    const double rxy = std::sqrt(rxy2);
    const double r = std::sqrt(rxy2 + v.z * v.z);
    return {(-v.z * (v.x * p.x + v.y * p.y) + rxy2 * p.z) / (rxy * r), (-v.y * p.x + v.x * p.y) / rxy,
            -(v.x * p.x + v.y * p.y + v.z * p.z) / r};
}

CVector CContourPlot::ToPlotCoords(CVector point) {
    return PlotCoords(m_View, point);
}

void CContourPlot::UpdateView() {
    // The view is saved with the plot: a plane without a normal keeps the
    // view it had.
    if (HasNormal(m_Plane.Corner0, m_Plane.Corner1, m_Plane.Corner2))
        m_View = -1.0 * PlaneNormal(m_Plane.Corner0, m_Plane.Corner1, m_Plane.Corner2);
    if (m_View.x == 0.0 && m_View.y == 0.0) m_View.x = 0.0001;
    m_PlaneCentre = ToPlotCoords(m_Plane.Centre);
    m_dFitScale = 1.0;
    m_dScale = 1.0;
    FitPlane(&m_dCentreX, &m_dCentreY, &m_dFitScale);
    m_dScale = m_nUnitsFactor * m_dZoom * m_dFitScale;
}

void CContourPlot::FitToPage(zel::CCanvas& /*dc*/, double* centreX, double* centreY, double* scale) {
    FitPlane(centreX, centreY, scale);
}

void CContourPlot::FitPlane(double* centreX, double* centreY, double* scale) {
    // Corners 0, 1 and 2 only: a plane turned on the page may put its fourth
    // corner outside the fitted area.
    const double angle = m_nAngles[2] * kPi / 180.0;
    CPageExtent extent;
    for (CVector corner : {m_Plane.Corner0, m_Plane.Corner1, m_Plane.Corner2}) {
        const CVector p = RotateInPlane(m_PlaneCentre, ToPlotCoords(corner), angle);
        extent.Add(p.x, p.y);
    }
    *centreX = extent.CentreX();
    *centreY = extent.CentreY();
    const double byWidth = m_PageSetup.PrintableWidth() / (extent.HighX - extent.LowX);
    const double byHeight = m_PageSetup.PrintableHeight() / (extent.HighY - extent.LowY);
    *scale = byWidth < byHeight ? byWidth : byHeight;
}

zel::CPoint CContourPlot::ToPage(CVector plotPoint) const {
    return PageMapping(plotPoint, m_dCentreX, m_dCentreY, m_dScale);
}

zel::CPoint CContourPlot::PageMapping(CVector plotPoint, double centreX, double centreY, double scale) const {
    const CVector p = RotateInPlane(m_PlaneCentre, plotPoint, m_nAngles[2] * kPi / 180.0);
    return {TruncToInt((p.x - centreX) * scale - m_nPanX), TruncToInt((p.y - centreY) * scale - m_nPanY)};
}

// --- drawing -------------------------------------------------------------------------------

double CContourPlot::DistanceFromPlane(CVector p) const {
    // Along the normal itself: the view direction is nudged off the z axis,
    // which far from corner 0 would tilt a point in the plane out of it.
    return std::fabs((p - m_Plane.Corner0) * PlaneNormal(m_Plane.Corner0, m_Plane.Corner1, m_Plane.Corner2));
}

CContourPlot::SPlaneRegion CContourPlot::MakePlaneRegion() const {
    const zel::CPoint c0 = ToPage(PlotCoords(m_View, m_Plane.Corner0));
    const zel::CPoint c1 = ToPage(PlotCoords(m_View, m_Plane.Corner1));
    const zel::CPoint c2 = ToPage(PlotCoords(m_View, m_Plane.Corner2));
    // The fourth corner from the truncated page points, in doubles: far
    // page points must not overflow an int.
    const zel::CPoint c3{TruncToInt(double(c1.x) + c2.x - c0.x), TruncToInt(double(c1.y) + c2.y - c0.y)};
    return {{c0, c1, c3, c2}};
}

bool CContourPlot::SPlaneRegion::Contains(zel::CPoint p) const {
    // Winding number: edges crossing the horizontal through p upwards count
    // +1 when p lies left of them, downwards -1 when p lies right of them.
    int winding = 0;
    for (int i = 0; i < 4; ++i) {
        const zel::CPoint a = corners[i];
        const zel::CPoint b = corners[(i + 1) % 4];
        const double side =
            (double(b.x) - a.x) * (double(p.y) - a.y) - (double(p.x) - a.x) * (double(b.y) - a.y);
        if (a.y <= p.y) {
            if (b.y > p.y && side > 0) ++winding;
        } else if (b.y <= p.y && side < 0) {
            --winding;
        }
    }
    return winding != 0;
}

void CContourPlot::Draw(zel::CCanvas& dc) {
    // The computation owns the lists while it runs: only what it never
    // touches is drawn meanwhile.
    if (m_bBusy) {
        DrawTexts(dc);
        return;
    }
    UpdateView();
    // Nothing of a computation that did not end is shown as if it had.
    if (m_bComputeCancelled) {
        DrawNotComputed(dc);
        return;
    }
    CPlot::Draw(dc);
    DrawContent(dc);
    DrawTexts(dc);
}

void CContourPlot::DrawContent(zel::CCanvas& dc) {
    const double u = m_nUnitsFactor * m_dZoom;
    const zel::CRect border = m_Border.GetRect();

    for (const auto& segment : m_Segments) {
        const zel::SPen previous =
            dc.SelectPen({segment->GetStyle(), segment->GetWidth(), segment->GetColor()});
        const zel::CPoint a = ToPage(segment->GetStart());
        const zel::CPoint b = ToPage(segment->GetEnd());
        dc.MoveTo(a.x, a.y);
        dc.LineTo(b.x, b.y);
        dc.SelectPen(previous);
    }

    const SPlaneRegion region = MakePlaneRegion();

    // The overlay paths hold plot coordinates already.
    for (const auto& point : m_SelectedPoints) {
        if (!point->m_bComputedPaths) continue;
        const zel::SPen previous =
            dc.SelectPen({2 * point->m_nOverlayStyle, TruncToInt(u * point->m_dOverlayWidth / 10.0),
                          point->m_OverlayColor});
        for (const auto& path : point->m_Paths) {
            const auto& points = path->GetPointList();
            if (points.empty()) continue;
            const zel::CPoint first = ToPage(points.front());
            dc.MoveTo(first.x, first.y);
            for (std::size_t i = 1; i < points.size(); ++i) {
                const zel::CPoint p = ToPage(points[i]);
                dc.LineTo(p.x, p.y);
            }
        }
        dc.SelectPen(previous);
    }

    // The molecular-graph paths of the points, in molecular coordinates; a
    // point whose critical point has gone draws none.
    for (const auto& point : m_SelectedPoints) {
        if (!point->m_bMolGraphPaths) continue;
        const zel::SPen previous =
            dc.SelectPen({2 * point->m_nMolGraphStyle, TruncToInt(u * point->m_dMolGraphWidth / 10.0),
                          point->m_MolGraphColor});
        const CCritPoint* critical = m_pMolecule ? m_pMolecule->FindCritPointById(point->m_nNumber) : nullptr;
        if (critical) {
            for (const CGradPath* path : critical->GetPathList(true)) {
                const auto& points = path->GetPointList();
                if (points.empty()) continue;
                const zel::CPoint first = ToPage(ToPlotCoords(points.front()));
                dc.MoveTo(first.x, first.y);
                for (std::size_t i = 1; i < points.size(); ++i) {
                    const zel::CPoint p = ToPage(ToPlotCoords(points[i]));
                    if (region.Contains(p))
                        dc.LineTo(p.x, p.y);
                    else
                        dc.MoveTo(p.x, p.y);
                }
            }
        }
        dc.SelectPen(previous);
    }

    for (const auto& point : m_SelectedPoints) {
        if (point->m_dMarkerSize != 0.0)
            DrawPointMarkers(*point, m_dCentreX, m_dCentreY, m_dScale, border, dc);
        if (m_bLabels) {
            const zel::CPoint at = ToPage(ToPlotCoords(point->m_Position));
            dc.TextOut(at.x, TruncToInt(at.y - double(TruncToInt(u * point->m_dMarkerSize / 2.0))),
                       point->m_strName);
        }
    }
}

void CContourPlot::DrawPointMarkers(const CSelectedPoint& point, double centreX, double centreY, double scale,
                                    const zel::CRect& border, zel::CCanvas& dc) {
    const double u = m_nUnitsFactor * m_dZoom;
    const double d = DistanceFromPlane(point.m_Position);
    const zel::CPoint page = PageMapping(ToPlotCoords(point.m_Position), centreX, centreY, scale);
    if (!border.Contains(page)) return;
    const double x = page.x;
    const double y = page.y;

    const zel::SPen previousPen = dc.GetPen();
    const zel::SBrush previousBrush = dc.GetBrush();
    if (point.m_bComputedPaths) {
        const double b = u * point.m_dBlankDisc / 2.0;
        dc.SelectPen({zel::PS_SOLID, 0, zel::RGB(255, 255, 255)});
        dc.SelectBrush({zel::RGB(255, 255, 255), false});
        dc.Ellipse({TruncToInt(x - b), TruncToInt(y - b), TruncToInt(x + b), TruncToInt(y + b)});
    }
    dc.SelectPen({zel::PS_SOLID, 0, point.m_MarkerColor});
    dc.SelectBrush({point.m_MarkerColor, false});

    const int shape = d < 0.001 ? point.m_nInPlaneShape : point.m_nOffPlaneShape;
    const double s = point.m_dMarkerSize;
    const double r = u * s / 2.0;
    const double gap = u * s / 6.0;
    auto line = [&dc](double x0, double y0, double x1, double y1) {
        dc.MoveTo(TruncToInt(x0), TruncToInt(y0));
        dc.LineTo(TruncToInt(x1), TruncToInt(y1));
    };
    switch (shape) {
    case CSelectedPoint::kCross:
        line(x - r, y, x + r, y);
        line(x, y - r, x, y + r);
        break;
    case CSelectedPoint::kCrossLight:
        line(x - r, y, x - gap, y);
        line(x + gap, y, x + r, y);
        line(x, y - r, x, y - gap);
        line(x, y + gap, x, y + r);
        break;
    case CSelectedPoint::kRectangle:
        dc.Rectangle({TruncToInt(x - r), TruncToInt(y - r), TruncToInt(x + r), TruncToInt(y + r)});
        break;
    case CSelectedPoint::kTriangle: {
        const zel::CPoint corners[3] = {{TruncToInt(x), TruncToInt(y + 2.0 * u * s / 3.0)},
                                        {TruncToInt(x - 0.577 * u * s), TruncToInt(y - u * s / 3.0)},
                                        {TruncToInt(x + 0.577 * u * s), TruncToInt(y - u * s / 3.0)}};
        dc.Polygon(corners);
        break;
    }
    default: // a circle, also for codes outside the five shapes
        dc.Ellipse({TruncToInt(x - r), TruncToInt(y - r), TruncToInt(x + r), TruncToInt(y + r)});
        break;
    }
    dc.SelectPen(previousPen);
    dc.SelectBrush(previousBrush);
}
