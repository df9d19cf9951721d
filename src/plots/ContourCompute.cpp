// The computation of a contour plot (job 99, on the worker): the mesh over
// the plane, the level crossings of its triangles and the overlay paths.
//
// The mesh nodes and the triangles are shared out over every core, each
// thread evaluating with its own evaluator; what a thread computes for a node
// or a triangle does not depend on the thread, so the result is that of one
// thread, bit for bit, and the segments come out in triangle order.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <new>
#include <numbers>

#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "plots/ContourPlot.h"
#include "wavefunction/Evaluator.h"

using zel::TruncToInt;

namespace {

constexpr double kPi = std::numbers::pi;
// Triangles per batch: between batches the progress moves, the cancel flag is
// read and the segments found so far join the plot.
constexpr long long kTriangleBatch = 4096;

CVector Unit(CVector v) {
    return v / v.Length();
}

// Regula falsi between two nodes for the point where the field (given by
// evaluate) equals level; see CContourPlot::FindLevelCrossing.
template <class Evaluate>
CNode Crossing(CNode first, CNode second, double level, double stored, const Evaluate& evaluate) {
    const double tolerance = CContourPlot::CrossingTolerance(stored, level, first.Value, second.Value);
    if (std::fabs(first.Value - level) <= tolerance) return first;
    if (std::fabs(second.Value - level) <= tolerance) return second;
    if (first.Value == second.Value) return first;
    if (second.Value < first.Value) std::swap(first, second);
    CNode s;
    s.Value = 2e300;
    for (int i = 0; std::fabs(s.Value - level) > tolerance && i < CContourPlot::kMaxCrossingSteps; ++i) {
        const double t = std::fabs((first.Value - level) / (first.Value - second.Value));
        s.Position = first.Position + t * (second.Position - first.Position);
        s.Value = evaluate(s.Position);
        if (level < s.Value)
            second = s;
        else
            first = s;
    }
    return s;
}

// A segment found by a triangle: its ends (plot coordinates) and its level's
// index in the level list.
struct SSegment {
    CVector start;
    CVector end;
    std::size_t level;
};

// Restores the maximum path length of the gradient-path options on every
// exit of the overlay.
class CPathLengthGuard {
public:
    CPathLengthGuard() : m_saved(g_pDEOptions->MaxPathLength.Current) {}
    ~CPathLengthGuard() { g_pDEOptions->MaxPathLength.Current = m_saved; }
    CPathLengthGuard(const CPathLengthGuard&) = delete;
    CPathLengthGuard& operator=(const CPathLengthGuard&) = delete;

private:
    double m_saved;
};

} // namespace

double CContourPlot::CrossingTolerance(double stored, double level, double first, double second) {
    const double span = std::fabs(second - first);
    const double scale = level == 0.0 ? span : std::min(std::fabs(level), span);
    return std::min(stored, kRelativeTolerance * scale);
}

CNode CContourPlot::FindLevelCrossing(CNode first, CNode second, double level) {
    return Crossing(first, second, level, m_dTolerance, [this](CVector p) {
        if (!m_pMolecule) return 0.0;
        m_pMolecule->Evaluate(p, 0);
        return m_pMolecule->GetLastValue();
    });
}

void CContourPlot::Compute() {
    if (!m_pMolecule) return;
    SetStatusText(kComputeStatus);
    UpdateView();
    bool triangles = false;
    bool cancelled = false;
    const char* failure = nullptr;
    // Cancelled or failed: nothing half computed is kept, the plot is marked
    // for recomputation and draws as not computed. No memory: the old
    // results stay, as the flag does.
    auto forget = [this](int why) {
        m_Segments.clear();
        for (const auto& point : m_SelectedPoints)
            point->m_Paths.clear();
        MarkComputeCancelled(why);
    };
    if (!ComputeMesh(&triangles, &cancelled, &failure)) {
        if (failure) {
            forget(kComputeFailed);
            zel::ShowMessageBox(failure);
        } else if (cancelled) {
            forget(kCancelled);
        }
        return;
    }
    if (!ComputeOverlay(triangles)) {
        forget(kCancelled);
        return;
    }
    SetRecompute(0);
}

bool CContourPlot::ComputeMesh(bool* triangles, bool* cancelled, const char** failure) {
    const int n = m_nRows;
    const int m = m_nColumns;
    const CVector c0 = m_Plane.Corner0;
    const CVector e1 = (m_Plane.Corner1 - c0) / m;
    const CVector e2 = (m_Plane.Corner2 - c0) / n;

    // The old arrays go first, so that their memory is there for the new ones.
    m_Nodes = {};
    m_Elements = {};
    const bool sane = n >= 0 && m >= 0 && n <= kMaxGridCount && m <= kMaxGridCount;
    try {
        if (!sane) throw std::bad_alloc();
        m_Nodes.resize(static_cast<std::size_t>(NodeCount(n, m)));
        m_Elements.resize(static_cast<std::size_t>(ElementCount(n, m)));
    } catch (const std::bad_alloc&) {
        m_Nodes = {};
        m_Elements = {};
        zel::ShowMessageBox(kNoMemory);
        return false;
    }

    if (m_Levels.empty()) {
        m_Segments.clear();
        return true;
    }

    // Corner nodes row by row, then the centre nodes of the cells.
    const std::size_t corners = static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(m + 1);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= m; ++j)
            m_Nodes[static_cast<std::size_t>(m + 1) * i + j].Position = c0 + double(i) * e2 + double(j) * e1;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < m; ++j)
            m_Nodes[corners + static_cast<std::size_t>(m) * i + j].Position =
                c0 + double(i) * e2 + double(j) * e1 + e2 / 2.0 + e1 / 2.0;

    CWavefunction& wavefunction = *m_pMolecule->GetWavefunction();
    const int field = m_pMolecule->GetFieldIndex();
    std::atomic<bool> unevaluated{false};
    auto valueAt = [field, &unevaluated](CEvaluator& evaluator, CVector p) {
        double value = 0.0;
        CEvalRequest request;
        request.fieldIndex = field;
        request.point = p;
        request.value = &value;
        if (!evaluator.Evaluate(request)) unevaluated = true;
        return value;
    };
    // The evaluation may fail to start (the wavefunction cannot be prepared,
    // a thread cannot be had): no contour is traced from values not computed.
    auto runs = [&](int count, const std::function<void(int, CEvaluator&)>& body) {
        bool complete = false;
        try {
            complete = zel::ForEachPoint(wavefunction, count, body);
        } catch (const std::bad_alloc&) {
            *failure = kNoMemory;
            return false;
        } catch (const std::exception&) {
            complete = false;
        }
        if (IsCancelRequested()) {
            *cancelled = true;
            return false;
        }
        if (!complete || unevaluated) {
            *failure = kCannotEvaluate;
            return false;
        }
        return true;
    };
    if (!runs(static_cast<int>(m_Nodes.size()), [&](int k, CEvaluator& e) {
            m_Nodes[static_cast<std::size_t>(k)].Value =
                valueAt(e, m_Nodes[static_cast<std::size_t>(k)].Position);
        }))
        return false;

    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            const int a = (m + 1) * i + j; // C(i, j)
            const int b = a + 1;           // C(i, j+1)
            const int c = a + (m + 1) + 1; // C(i+1, j+1)
            const int d = a + (m + 1);     // C(i+1, j)
            const int centre = static_cast<int>(corners) + m * i + j;
            const int first = 4 * (m * i + j);
            const int nodes[4][2] = {{a, b}, {b, c}, {c, d}, {d, a}};
            for (int t = 0; t < 4; ++t) {
                CElement& element = m_Elements[static_cast<std::size_t>(first + t)];
                element.A = nodes[t][0];
                element.B = nodes[t][1];
                element.C = centre;
                element.Id = first + t;
            }
        }
    }

    // The levels as the triangles read them, in list order.
    std::vector<const CLine*> levels;
    levels.reserve(m_Levels.size());
    for (const auto& level : m_Levels)
        levels.push_back(level.get());
    const long long count = static_cast<long long>(levels.size());
    const CVector view = m_View;
    const double tolerance = m_dTolerance;

    // The segments of triangle k, in level order.
    auto triangle = [&](long long k, CEvaluator& e, std::vector<SSegment>& out) {
        const CElement& element = m_Elements[static_cast<std::size_t>(k)];
        CNode a = m_Nodes[static_cast<std::size_t>(element.A)];
        CNode b = m_Nodes[static_cast<std::size_t>(element.B)];
        CNode c = m_Nodes[static_cast<std::size_t>(element.C)];
        if (b.Value < a.Value) std::swap(a, b);
        if (c.Value < b.Value) {
            std::swap(b, c);
            if (b.Value < a.Value) std::swap(a, b);
        }
        long long lo = 0;
        while (lo < count && levels[static_cast<std::size_t>(lo)]->GetLevel() < a.Value)
            ++lo;
        if (lo >= count) return;
        long long above = 0;
        while (above < count && levels[static_cast<std::size_t>(count - 1 - above)]->GetLevel() > c.Value)
            ++above;
        const long long hi = count - above;
        if (hi > count || hi <= 0) return;
        const auto value = [&](CVector p) { return valueAt(e, p); };
        for (long long index = lo; index < hi; ++index) {
            const double level = levels[static_cast<std::size_t>(index)]->GetLevel();
            const CNode p1 = Crossing(a, c, level, tolerance, value);
            const CNode p2 = level <= b.Value ? Crossing(a, b, level, tolerance, value)
                                              : Crossing(b, c, level, tolerance, value);
            out.push_back({PlotCoords(view, p1.Position + p1.Value * view),
                           PlotCoords(view, p2.Position + p2.Value * view), static_cast<std::size_t>(index)});
        }
    };

    m_Segments.clear();
    const long long total = static_cast<long long>(m_Elements.size());
    *triangles = total > 0;
    std::vector<std::vector<SSegment>> found;
    for (long long start = 0; start < total; start += kTriangleBatch) {
        if (IsCancelRequested()) {
            *cancelled = true;
            return false;
        }
        const long long batch = std::min(kTriangleBatch, total - start);
        found.assign(static_cast<std::size_t>(batch), {});
        if (!runs(static_cast<int>(batch),
                  [&](int i, CEvaluator& e) { triangle(start + i, e, found[static_cast<std::size_t>(i)]); }))
            return false;
        for (const auto& segments : found)
            for (const SSegment& s : segments) {
                const CLine& level = *levels[s.level];
                m_Segments.push_back(std::make_unique<CLine>(
                    s.start, s.end, level.GetWidth(), level.GetStyle(), level.GetColor(), level.GetLevel()));
            }
        g_nProgress = static_cast<int>((start + batch - 1) * 50 / total);
    }
    return true;
}

bool CContourPlot::ComputeOverlay(bool triangles) {
    const CPathLengthGuard restore;
    const SPlaneRegion region = MakePlaneRegion();
    const CVector c0 = m_Plane.Corner0;
    const CVector d1 = Unit(m_Plane.Corner1 - c0);
    const CVector d2 = Unit(m_Plane.Corner2 - c0);

    double base = 0.0;
    double share = 100.0;
    if (triangles) {
        const double total = double(m_Elements.size());
        base = (total - 1.0) * 50.0 / total;
        share = 50.0;
    }
    const double step = share / double(m_SelectedPoints.size());

    for (const auto& point : m_SelectedPoints) {
        if (IsCancelRequested()) return false;
        point->m_Paths.clear();
        const double distance = DistanceFromPlane(point->m_Position);
        if (!point->m_bComputedPaths || !(distance <= point->m_dMaxDistance)) continue;
        const double pathStep = step / point->m_nPathCount;
        g_pDEOptions->MaxPathLength.Current = point->m_dMaxPathLength;
        // A point whose critical point has gone since it was chosen (or an
        // atom) has nothing to trace from.
        CCritPoint* critical = m_pMolecule->FindCritPointById(point->m_nNumber);
        if (!critical) continue;
        const bool downhill = critical->GetType() < 0;
        for (int k = 0; k < point->m_nPathCount; ++k) {
            if (IsCancelRequested()) return false;
            const double angle = 2.0 * kPi * k / point->m_nPathCount;
            const CVector direction = Unit(std::cos(angle) * d2 + std::sin(angle) * d1);
            auto path = std::make_unique<CGradPath>(m_pMolecule, 9999, m_nField);
            if (downhill)
                path->TraceFromUpperEnd(critical, direction, 0.001);
            else
                path->TraceFromLowerEnd(critical, direction, 0.001);
            // The plot's paths stand in no point's lists and keep no pointer
            // to a point, which may be deleted while the plot lives.
            path->SetUpperPoint(nullptr);
            path->SetLowerPoint(nullptr);
            // Uphill points are stored from the far end back to the start.
            ClipPath(*path, *point, region, !downhill);
            base += pathStep;
            g_nProgress = TruncToInt(base);
            point->m_Paths.push_back(std::move(path));
        }
    }
    return true;
}

void CContourPlot::ClipPath(CGradPath& path, const CSelectedPoint& point, const SPlaneRegion& region,
                            bool fromTail) const {
    auto& points = path.GetPointList();
    // The point in plot coordinates, or false when it lies outside.
    auto keep = [&](CVector& p) {
        const double distance = DistanceFromPlane(p);
        const CVector q = PlotCoords(m_View, p);
        if (!(distance <= point.m_dMaxDistance) || !region.Contains(ToPage(q))) return false;
        p = q;
        return true;
    };
    if (!fromTail) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (!keep(points[i])) {
                points.erase(points.begin() + static_cast<std::ptrdiff_t>(i), points.end());
                break;
            }
        }
        return;
    }
    // From the start at the tail: the cut drops the far part at the head,
    // with its parameters, so that points and parameters stay paired.
    for (std::size_t i = points.size(); i-- > 0;) {
        if (!keep(points[i])) {
            const auto cut = static_cast<std::ptrdiff_t>(i + 1);
            points.erase(points.begin(), points.begin() + cut);
            auto& parameters = path.GetParameterList();
            parameters.erase(parameters.begin(),
                             parameters.begin() + std::min<std::ptrdiff_t>(cut, std::ssize(parameters)));
            break;
        }
    }
}
