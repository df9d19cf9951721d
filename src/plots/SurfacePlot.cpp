// The relief map: its record in the document, the computation of its mesh,
// and the drawing with depth sort, shading and fit.
//
// The nodes of a batch of rows are shared out over every core, each thread
// evaluating with its own evaluator; a node's value does not depend on the
// thread, so the mesh is that of one thread, bit for bit.

#include "plots/SurfacePlot.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <new>
#include <numbers>

#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "plots/PlotDialogs.h"
#include "wavefunction/Evaluator.h"

ZEL_IMPLEMENT_SERIAL(CSurfacePlot);

using zel::TruncToInt;

namespace {

using Cause = zel::CArchiveException::Cause;

constexpr double kPi = std::numbers::pi;
// Nodes per batch of the computation: between batches the progress moves
// and the cancel flag is read.
constexpr int kNodeBatch = 4096;

void SerializeVector(zel::CArchive& ar, CVector& v) {
    if (ar.IsStoring())
        ar << v.x << v.y << v.z;
    else
        ar >> v.x >> v.y >> v.z;
}

// A colour component as the drawing takes it: truncated, then reduced
// modulo 256.
int Component(double value) {
    return TruncToInt(value) & 0xFF;
}

zel::COLORREF ToColorRef(CVector color) {
    return zel::RGB(Component(color.x), Component(color.y), Component(color.z));
}

// The three node indexes of triangle t (0..3) of cell (i, j).
void LayoutTriangle(int m, int n, int i, int j, int t, int* a, int* b, int* c) {
    const int corner = i * (n + 1) + j;
    const int nodes[5] = {corner, corner + 1, corner + (n + 1) + 1, corner + (n + 1), corner};
    *a = nodes[t];
    *b = nodes[t + 1];
    *c = (m + 1) * (n + 1) + i * n + j;
}

} // namespace

CSurfacePlot::CSurfacePlot() = default;

CSurfacePlot::CSurfacePlot(CMolecule* molecule)
    : CPlot(molecule), m_Light{0.0, 0.0, -1.0}, m_TopColor{255.0, 0.0, 0.0},
      m_BottomColor{255.0, 255.0, 255.0}, m_ElementBorderColor{0.0, 0.0, 0.0} {
    m_nKind = kRelief;
    SetAngles(0, 0, 0);
    m_bRecompute = 1;
}

CSurfacePlot::~CSurfacePlot() = default;

long long CSurfacePlot::NodeCount(int m, int n) {
    const long long mm = m;
    const long long nn = n;
    return (mm + 1) * (nn + 1) + mm * nn;
}

long long CSurfacePlot::ElementCount(int m, int n) {
    return 4LL * m * n;
}

void CSurfacePlot::SetColor(int index, CVector color) {
    switch (index) {
    case 0:
        m_TopColor = color;
        break;
    case 1:
        m_BottomColor = color;
        break;
    case 2:
        m_ElementBorderColor = color;
        break;
    default:
        break;
    }
}

CVector CSurfacePlot::GetColor(int index) const {
    if (index == 1) return m_BottomColor;
    if (index == 2) return m_ElementBorderColor;
    return m_TopColor;
}

int CSurfacePlot::Query(int /*code*/) {
    return m_bElementBorder;
}

void CSurfacePlot::Toggle(int code) {
    CPlot::Toggle(code);
    if (code == kElementBorderCode) m_bElementBorder = m_bElementBorder ? 0 : 1;
}

bool CSurfacePlot::HasMesh() const {
    if (!IsGridCount(m_nM) || !IsGridCount(m_nN)) return false;
    const auto nodes = static_cast<std::size_t>(NodeCount(m_nM, m_nN));
    const auto elements = static_cast<std::size_t>(ElementCount(m_nM, m_nN));
    if (m_Nodes.size() != nodes || m_NodePoints.size() != nodes || m_Elements.size() != elements)
        return false;
    for (int i = 0; i < m_nM; ++i) {
        for (int j = 0; j < m_nN; ++j) {
            const int first = 4 * (i * m_nN + j);
            for (int t = 0; t < 4; ++t) {
                int a = 0, b = 0, c = 0;
                LayoutTriangle(m_nM, m_nN, i, j, t, &a, &b, &c);
                const CElement& e = m_Elements[static_cast<std::size_t>(first + t)];
                if (e.A != a || e.B != b || e.C != c) return false;
            }
        }
    }
    return true;
}

// --- the record ----------------------------------------------------------------------

void CSurfacePlot::Serialize(zel::CArchive& ar) {
    const bool storing = ar.IsStoring();
    // Saving changes nothing of the map: the base record clears the busy and
    // recompute flags, which a map still to be computed needs.
    const int busy = m_bBusy;
    const int recompute = m_bRecompute;
    const int cancelled = m_bComputeCancelled;
    CPlot::Serialize(ar);
    if (storing) {
        m_bBusy = busy;
        m_bRecompute = recompute;
        m_bComputeCancelled = cancelled;
    } else if (m_nKind != kRelief) {
        throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    }

    auto io = [&](auto& value) {
        if (storing)
            ar << value;
        else
            ar >> value;
    };
    io(m_dMaxValue);
    io(m_nM);
    io(m_nN);
    io(m_dScale);
    SerializeVector(ar, m_TopColor);
    SerializeVector(ar, m_BottomColor);
    SerializeVector(ar, m_ElementBorderColor);
    io(m_bElementBorder);
    SerializeVector(ar, m_Light);

    // A zero count would divide by zero, a large one overflow the mesh sizes.
    // (Storing such a map fails rather than write a file that cannot be read.)
    if (!IsGridCount(m_nM) || !IsGridCount(m_nN)) throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    // The value bound and the scale make the nodes' heights; the light's
    // direction shades every element.
    if (!storing && (!IsCoordinate(m_dMaxValue) || !IsCoordinate(m_dScale) || !IsCoordinate(m_Light)))
        throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    const long long nodes = NodeCount(m_nM, m_nN);
    const long long elements = ElementCount(m_nM, m_nN);

    if (storing) {
        // The mesh of the current grid, or fresh records of its counts.
        const bool mesh = !m_bNotComputed && HasMesh();
        for (long long i = 0; i < nodes; ++i) {
            CVector point;
            CNode fresh;
            if (mesh) point = m_NodePoints[static_cast<std::size_t>(i)];
            SerializeVector(ar, point);
            (mesh ? m_Nodes[static_cast<std::size_t>(i)] : fresh).Serialize(ar);
        }
        for (long long i = 0; i < elements; ++i) {
            CElement fresh;
            (mesh ? m_Elements[static_cast<std::size_t>(i)] : fresh).Serialize(ar);
        }
        return;
    }

    m_NodePoints.clear();
    m_Nodes.clear();
    m_Elements.clear();
    m_Order.clear();
    const std::size_t n = ar.CheckCount(nodes, 3 * sizeof(double) + CNode::kArchiveBytes);
    m_NodePoints.resize(n);
    m_Nodes.resize(n);
    // The drawing turns, projects and crosses these points: numbers beyond
    // the plot's bounds would overflow there.
    for (std::size_t i = 0; i < n; ++i) {
        SerializeVector(ar, m_NodePoints[i]);
        m_Nodes[i].Serialize(ar);
        if (!IsCoordinate(m_NodePoints[i]) || !IsCoordinate(m_Nodes[i].Position) || !IsCoordinate(m_Nodes[i].Value))
            throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    }
    m_Elements.resize(ar.CheckCount(elements, CElement::kArchiveBytes));
    for (CElement& element : m_Elements) {
        element.Serialize(ar);
        if (!IsCoordinate(element.Normal) || !IsCoordinate(element.Centroid))
            throw zel::CArchiveException(Cause::BadCount, kBadRecord);
    }
    m_bBusy = 0;
    m_bNotComputed = 0;
    // A mesh that is not the layout's (a map saved before it was computed
    // holds fresh records) is not drawn: it is computed again.
    if (!HasMesh()) {
        m_bNotComputed = 1;
        SetRecompute(1);
    }
}

void CSurfacePlot::ExportEMF(zel::CCanvas& reference) {
    CPlot::ExportEMF(reference);
    DrawAndCloseMetafile();
}

// --- the computation -----------------------------------------------------------------------

void CSurfacePlot::Compute() {
    if (!m_pMolecule) return;
    SetStatusText(kComputeStatus);
    g_nProgress = 0;
    const CVector c0 = m_Plane.Corner0;
    const CVector c1 = m_Plane.Corner1;
    const CVector c2 = m_Plane.Corner2;

    // The old arrays go first, so that their memory is there for the new ones.
    m_NodePoints = {};
    m_Nodes = {};
    m_Elements = {};
    m_Order = {};
    m_bNotComputed = 1;
    try {
        if (!IsGridCount(m_nM) || !IsGridCount(m_nN)) throw std::bad_alloc();
        const auto nodes = static_cast<std::size_t>(NodeCount(m_nM, m_nN));
        const auto elements = static_cast<std::size_t>(ElementCount(m_nM, m_nN));
        m_NodePoints.resize(nodes);
        m_Nodes.resize(nodes);
        m_Elements.resize(elements);
        m_Order.resize(elements);
    } catch (const std::bad_alloc&) {
        m_NodePoints = {};
        m_Nodes = {};
        m_Elements = {};
        m_Order = {};
        zel::ShowMessageBox(kNoMemory);
        // Not computed; a repaint does not try again at once.
        MarkComputeCancelled(kComputeFailed);
        return;
    }
    for (std::size_t k = 0; k < m_Order.size(); ++k)
        m_Order[k] = static_cast<int>(k);

    const CVector du = (c1 - c0) / m_nN;
    const CVector dv = (c2 - c0) / m_nM;
    // Points that span no plane (the plane dialog takes them) give a flat map.
    const CVector normal = HasNormal(c0, c1, c2) ? PlaneNormal(c0, c1, c2) : CVector();
    int stopped = 0;
    const char* failure = kCannotEvaluate;
    bool complete = false;
    try {
        complete =
            ComputeNodes(false, normal, du, dv, &stopped) && ComputeNodes(true, normal, du, dv, &stopped);
    } catch (const std::bad_alloc&) {
        stopped = kComputeFailed;
        failure = kNoMemory;
    }
    if (!complete) {
        // Nothing half computed is drawn; a field that could not be
        // evaluated is said so, a cancel is not.
        m_NodePoints = {};
        m_Nodes = {};
        m_Elements = {};
        m_Order = {};
        MarkComputeCancelled(stopped);
        if (stopped == kComputeFailed) zel::ShowMessageBox(failure);
        return;
    }

    for (int i = 0; i < m_nM; ++i) {
        for (int j = 0; j < m_nN; ++j) {
            const int first = 4 * (i * m_nN + j);
            for (int t = 0; t < 4; ++t) {
                CElement& element = m_Elements[static_cast<std::size_t>(first + t)];
                LayoutTriangle(m_nM, m_nN, i, j, t, &element.A, &element.B, &element.C);
                element.Id = first + t;
            }
        }
    }
    m_bNotComputed = 0;
    SetRecompute(0);
}

bool CSurfacePlot::ComputeNodes(bool centres, CVector normal, CVector du, CVector dv, int* stopped) {
    CWavefunction& wavefunction = *m_pMolecule->GetWavefunction();
    const int field = m_pMolecule->GetFieldIndex();
    const double bound = m_dMaxValue;
    const double scale = m_dScale;
    const CVector c0 = m_Plane.Corner0;
    const CVector half = dv / 2.0 + du / 2.0;
    const int rows = centres ? m_nM : m_nM + 1;
    const int columns = centres ? m_nN : m_nN + 1;
    const std::size_t first =
        centres ? static_cast<std::size_t>(m_nM + 1) * static_cast<std::size_t>(m_nN + 1) : 0;
    std::atomic<bool> failed{false};

    // Whole rows at a time, enough of them to keep every core busy; after
    // each batch the progress stands where it would after its last row.
    const int batchRows = std::max(1, kNodeBatch / columns);
    for (int top = 0; top < rows; top += batchRows) {
        const int count = std::min(batchRows, rows - top) * columns;
        bool complete = false;
        try {
            complete = zel::ForEachPoint(wavefunction, count, [&](int index, CEvaluator& evaluator) {
                const int i = top + index / columns;
                const int j = index % columns;
                CVector p = c0 + double(i) * dv + double(j) * du;
                if (centres) p = p + half;
                double value = 0.0;
                CEvalRequest request;
                request.fieldIndex = field;
                request.point = p;
                request.value = &value;
                if (!evaluator.Evaluate(request)) failed = true;
                // From below first, then from above, as the bound is applied.
                if (value < -bound) value = -bound;
                if (value > bound) value = bound;
                const std::size_t k = first +
                                      static_cast<std::size_t>(i) * static_cast<std::size_t>(columns) +
                                      static_cast<std::size_t>(j);
                m_NodePoints[k] = p;
                m_Nodes[k].Value = value;
                m_Nodes[k].Position = p + (value * scale) * normal;
            });
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            // The evaluation threads could not be started.
            complete = false;
        }
        if (IsCancelRequested()) {
            *stopped = kCancelled;
            return false;
        }
        if (!complete || failed) {
            *stopped = kComputeFailed;
            return false;
        }
        const int last = std::min(rows, top + batchRows) - 1;
        g_nProgress = static_cast<int>(50LL * last / m_nM) + (centres ? 50 : 0);
    }
    return true;
}

// --- drawing ---------------------------------------------------------------------------------

CVector CSurfacePlot::TransformPoint(CVector p) const {
    return m_Orientation * p;
}

CVector CSurfacePlot::Centroid(CVector a, CVector b, CVector c) {
    return 0.3333333333333333 * (a + b + c);
}

CVector CSurfacePlot::Perspective(CVector v) {
    double d = m_dEyeDistance;
    const double z0 = m_dProjDistance;
    if (d == z0) d = 1e8;
    if (v.z != d) return v * ((z0 - d) / (v.z - d));
    return v;
}

void CSurfacePlot::SortByDepth() {
    std::vector<int>& order = m_Order;
    const long long count = static_cast<long long>(order.size());
    if (count < 2) return;
    auto key = [this](int t) { return m_Elements[static_cast<std::size_t>(t)].Centroid.z; };
    long long h = 1;
    while (h <= (count - 1) / 9)
        h = 3 * h + 1;
    for (; h > 0; h /= 3) {
        for (long long p = h; p < count; ++p) {
            const int entry = order[static_cast<std::size_t>(p)];
            const double z = key(entry);
            long long q = p;
            while (q >= h && key(order[static_cast<std::size_t>(q - h)]) > z) {
                order[static_cast<std::size_t>(q)] = order[static_cast<std::size_t>(q - h)];
                q -= h;
            }
            order[static_cast<std::size_t>(q)] = entry;
        }
    }
}

double CSurfacePlot::FrontSide() const {
    // The front of the plane is where the normal of its points A, B and C
    // turns (they run counter-clockwise seen from it); the mesh's triangles
    // wind along the corners' normal, which the derived corners turn the
    // other way.
    const CPlotPlane& p = m_Plane;
    const CVector points = Cross(p.PointB - p.PointA, p.PointC - p.PointA);
    const CVector corners = Cross(p.Corner1 - p.Corner0, p.Corner2 - p.Corner0);
    return points * corners > 0.0 ? 1.0 : -1.0;
}

zel::COLORREF CSurfacePlot::ShadeColor(CVector normal) const {
    const double intensity = std::sqrt(std::fabs(normal * m_Light) / (normal.Length() * m_Light.Length()));
    // The viewer looks down the z axis: a triangle faces it when the side of
    // the triangle on the front of the plane turns to +z.
    const CVector base = FrontSide() * normal.z >= 0.0 ? m_TopColor : m_BottomColor;
    auto shade = [intensity](double c) {
        if (intensity <= 0.5) return TruncToInt(2.0 * c * intensity) & 0xFF;
        return TruncToInt(c + 2.0 * (255.0 - c) * (intensity - 0.5)) & 0xFF;
    };
    return zel::RGB(shade(base.x), shade(base.y), shade(base.z));
}

void CSurfacePlot::FitToPage(zel::CCanvas& /*dc*/, double* centreX, double* centreY, double* scale) {
    const std::size_t corners = std::min(m_NodePoints.size(), static_cast<std::size_t>(m_nM + 1) *
                                                                  static_cast<std::size_t>(m_nN + 1));
    CPageExtent extent;
    for (std::size_t k = 0; k < corners; ++k)
        extent.Add(m_NodePoints[k].x, m_NodePoints[k].y);
    *centreX = extent.CentreX();
    *centreY = extent.CentreY();
    const double width = m_PageSetup.PrintableWidth();
    const double height = m_PageSetup.PrintableHeight();
    // A map seen edge-on has no extent across the page, one of no size none
    // at all: such a range would give an infinite scale.
    const double rangeX = extent.HighX - extent.LowX;
    const double rangeY = extent.HighY - extent.LowY;
    const bool byX = rangeX > 0.0 && std::isfinite(width / rangeX);
    const bool byY = rangeY > 0.0 && std::isfinite(height / rangeY);
    if (byX && byY)
        *scale = std::min(width / rangeX, height / rangeY);
    else if (byX)
        *scale = width / rangeX;
    else if (byY)
        *scale = height / rangeY;
    else
        *scale = 1.0;
}

void CSurfacePlot::Draw(zel::CCanvas& dc) {
    // The computation owns the mesh while it runs.
    if (m_bBusy) {
        DrawTexts(dc);
        return;
    }
    if (m_bComputeCancelled) {
        DrawNotComputed(dc);
        return;
    }
    CPlot::Draw(dc);
    // A loaded map draws in the order it is sorted into now.
    if (m_Order.size() != m_Elements.size()) {
        m_Order.resize(m_Elements.size());
        for (std::size_t k = 0; k < m_Order.size(); ++k)
            m_Order[k] = static_cast<int>(k);
    }
    if (!m_bNotComputed && HasMesh()) DrawMesh(dc);
    DrawTexts(dc);
}

void CSurfacePlot::DrawMesh(zel::CCanvas& dc) {
    // The points, centroids and normals made here are saved with the map:
    // where a number overflows (a triangle without a normal, a point at the
    // eye), the value before that step is kept, or a zero normal.
    const auto finite = [](CVector v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    const bool perspective = m_dEyeDistance != m_dProjDistance;
    for (std::size_t k = 0; k < m_Nodes.size(); ++k) {
        const CVector point = TransformPoint(m_Nodes[k].Position);
        m_NodePoints[k] = finite(point) ? point : m_Nodes[k].Position;
    }
    for (CElement& element : m_Elements) {
        const CVector centroid = Centroid(m_NodePoints[static_cast<std::size_t>(element.A)],
                                          m_NodePoints[static_cast<std::size_t>(element.B)],
                                          m_NodePoints[static_cast<std::size_t>(element.C)]);
        if (finite(centroid)) element.Centroid = centroid;
    }
    // Normals of (first vertex, second vertex, cell centre): the layout makes
    // every triangle's third node its cell's centre.
    for (CElement& element : m_Elements) {
        const CVector a = m_NodePoints[static_cast<std::size_t>(element.A)];
        const CVector b = m_NodePoints[static_cast<std::size_t>(element.B)];
        const CVector c = m_NodePoints[static_cast<std::size_t>(element.C)];
        element.Normal = HasNormal(a, b, c) ? PlaneNormal(a, b, c) : CVector();
    }
    if (perspective)
        for (CVector& point : m_NodePoints) {
            const CVector projected = Perspective(point);
            if (finite(projected)) point = projected;
        }
    SortByDepth();

    double centreX = 0.0;
    double centreY = 0.0;
    double fit = 1.0;
    FitToPage(dc, &centreX, &centreY, &fit);
    const double s = m_nUnitsFactor * m_dZoom * fit;
    const zel::SPen border{zel::PS_SOLID, 0, ToColorRef(m_ElementBorderColor)};
    const zel::SPen previousPen = dc.SelectPen(border);
    const zel::SBrush previousBrush = dc.GetBrush();
    auto page = [&](CVector p) {
        return zel::CPoint{TruncToInt((p.x - centreX) * s - m_nPanX),
                           TruncToInt((p.y - centreY) * s - m_nPanY)};
    };
    for (int t : m_Order) {
        const CElement& element = m_Elements[static_cast<std::size_t>(t)];
        const zel::COLORREF color = ShadeColor(element.Normal);
        dc.SelectBrush({color, false});
        if (!m_bElementBorder) dc.SelectPen({zel::PS_SOLID, 0, color});
        const zel::CPoint corners[3] = {page(m_NodePoints[static_cast<std::size_t>(element.A)]),
                                        page(m_NodePoints[static_cast<std::size_t>(element.B)]),
                                        page(m_NodePoints[static_cast<std::size_t>(element.C)])};
        dc.Polygon(corners);
    }
    dc.SelectPen(previousPen);
    dc.SelectBrush(previousBrush);
}

void CSurfacePlot::OrientByAngles() {
    m_Orientation = CMatrix({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    RotateX(m_nAngles[0] * kPi / 180.0);
    RotateY(m_nAngles[1] * kPi / 180.0);
    RotateZ(m_nAngles[2] * kPi / 180.0);
}

// --- Modify -----------------------------------------------------------------------------------

void CSurfacePlot::Modify() {
    // The angles from the orientation, by the decomposition every plot uses.
    CPlot::Modify();
    if (EditSurfacePlot(*this) != zel::IDOK) return;
    SetRecompute(1);
    OrientByAngles();
    if (m_pMolecule && m_pMolecule->GetDocument()) m_pMolecule->GetDocument()->UpdateAllViews();
}
