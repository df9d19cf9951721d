#include "analysis/MolecularGraph.h"

#include "analysis/Molecule.h"
#include "platform/core/Format.h"

#include <algorithm>
#include <array>
#include <vector>

int g_nRingPathCount = 0;

namespace {

std::string Position(const char* format, CVector p) {
    return zel::Sprintf(format, p.x, p.y, p.z);
}

const char* kPos = "(%8.4lf,%8.4lf,%8.4lf)";

std::string AtomSuffix(const CCritPoint* point) {
    if (point == nullptr || point->GetType() != -3) return "";
    const CAtom* atom = static_cast<const CMaxPoint*>(point)->GetAtom();
    return atom ? "(" + atom->GetLabel() + ")" : "";
}

// Bond paths and ring-cage paths: the same loop over one list.
SPathCounts CalcPointPaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress,
                           bool bonds) {
    const CMolecule::CCritPointList& list = *molecule.GetList(bonds ? -1 : 1);
    log.Clear();
    SPathCounts counts;
    const int n = static_cast<int>(list.size());
    for (const auto& point : list) {
        if (progress.IsCancelled()) break;
        if (point->GetFieldIndex() != molecule.GetFieldIndex()) continue;
        const CVector p = point->GetPosition();
        progress.SetStatus(bonds ? Position("uphill from (%0.2lf, %0.2lf, %0.2lf)", p)
                                 : Position("downhill from ring (%0.2lf, %0.2lf, %0.2lf)", p));
        counts.Trials += 2;
        const int made = bonds ? static_cast<CBondPoint*>(point.get())->TraceBondPaths()
                               : static_cast<CRingPoint*>(point.get())->TraceCagePaths();
        const CPathList& paths = point->GetPathList(bonds);
        if (made > 0) {
            // Only the paths that reached a critical point are calculated and
            // kept; one that ran out somewhere is a failed trial and leaves the
            // graph again, so that the summary, the list and the record agree.
            std::vector<CGradPath*> open;
            for (CGradPath* path : paths) {
                if ((bonds ? path->GetEndPoint() : path->GetLowerPoint()) != nullptr)
                    ++counts.Traced;
                else
                    open.push_back(path);
            }
            for (CGradPath* path : open) {
                path->WriteReport(log, false);
                log.Add("   Gradient path reached no critical point and is not kept.");
                log.Add(" ");
                delete path; // leaves its start point's list
            }
        }
        for (const CGradPath* path : paths)
            path->WriteReport(log, false);
        progress.SetProgress(static_cast<int>(50.0 * counts.Trials / n + 0.5));
    }
    return counts;
}

} // namespace

std::string PathSummary(const SPathCounts& counts) {
    return zel::Sprintf("Calculated %d Paths, %d trials failed", counts.Traced, counts.Failed());
}

std::string RingBondSummary(const SRingBondCounts& counts) {
    if (counts.Probes == 0) return "No (3,+1) critical points available!";
    return zel::Sprintf("Calculated %d paths connecting (3,-1) and (3,+1) critical points, total number "
                        "of computed gradient paths: %d",
                        counts.Found, counts.Probes);
}

SPathCounts CalcBondPaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress) {
    return CalcPointPaths(molecule, log, progress, true);
}

SPathCounts CalcRingCagePaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress) {
    return CalcPointPaths(molecule, log, progress, false);
}

SRingBondCounts CalcRingBondPaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress) {
    const CMolecule::CCritPointList& list = *molecule.GetList(1);
    log.Clear();
    g_nRingPathCount = 0;
    SRingBondCounts counts;
    const int n = static_cast<int>(list.size());
    int seen = 0;
    for (const auto& point : list) {
        if (progress.IsCancelled()) break;
        ++seen;
        if (point->GetFieldIndex() != molecule.GetFieldIndex()) continue;
        bool done = false;
        for (const CGradPath* path : point->GetPathList(true))
            if (path->IsInMolGraph()) done = true;
        if (done) continue;
        progress.SetStatus(Position("uphill from ring (%0.2lf, %0.2lf, %0.2lf)", point->GetPosition()));
        counts.Found += static_cast<CRingPoint*>(point.get())->TraceRingPaths();
        for (const CGradPath* path : point->GetPathList(true))
            if (path->IsInMolGraph()) path->WriteReport(log, false);
        progress.SetProgress(static_cast<int>(100.0 * seen / n + 0.5));
    }
    counts.Probes = g_nRingPathCount;
    return counts;
}

std::vector<SMolGraphEntry> MolGraphEntries(const CMolecule& molecule) {
    std::vector<SMolGraphEntry> entries;
    const int field = molecule.GetFieldIndex();
    for (const auto& bond : *molecule.GetList(-1)) {
        if (bond->GetFieldIndex() != field) continue;
        for (CGradPath* path : bond->GetPathList(true)) {
            const CCritPoint* upper = path->GetEndPoint();
            std::string text;
            if (upper && upper->GetType() == -3)
                text = Position("(3,-3) to (3,-1) : (%8.4lf,%8.4lf,%8.4lf)", upper->GetPosition()) +
                       AtomSuffix(upper);
            else if (upper)
                text = Position("unknown to (3,-1): (%8.4lf,%8.4lf,%8.4lf)", upper->GetPosition());
            else
                text = Position("unknown to (3,-1): (%8.4lf,%8.4lf,%8.4lf)",
                                path->GetPointList().empty() ? bond->GetPosition()
                                                             : path->GetPointList().front());
            text += Position(" --> (%8.4lf,%8.4lf,%8.4lf)", bond->GetPosition());
            entries.push_back({text, path});
        }
    }
    for (const auto& ring : *molecule.GetList(1)) {
        if (ring->GetFieldIndex() != field) continue;
        for (CGradPath* path : ring->GetPathList(false)) {
            const CCritPoint* lower = path->GetLowerPoint();
            std::string text;
            if (lower)
                text = "(3,+1) to (3,+3) : " + Position(kPos, ring->GetPosition()) + " --> " +
                       Position(kPos, lower->GetPosition());
            else
                text = "(3,+1) to unknown: " + Position(kPos, ring->GetPosition()) + " --> " +
                       Position(kPos, path->GetPointList().empty() ? ring->GetPosition()
                                                                   : path->GetPointList().back());
            entries.push_back({text, path});
        }
    }
    for (const auto& ring : *molecule.GetList(1)) {
        if (ring->GetFieldIndex() != field) continue;
        for (CGradPath* path : ring->GetPathList(true)) {
            if (!path->IsInMolGraph()) continue;
            const CCritPoint* upper = path->GetEndPoint();
            std::string text;
            const CVector u = upper ? upper->GetPosition() : CVector(0.0, 0.0, 0.0);
            if (upper && upper->GetType() == -1)
                text = "(3,-1) to (3,+1) : " + Position(kPos, u) + " --> ";
            else if (upper && upper->GetType() == -3)
                text = "(3,-3) to (3,+1) : " + Position(kPos, u) + AtomSuffix(upper) + " --> ";
            else
                text = "unknown to (3,+1) : " + Position(kPos, u) + " --> ";
            text += Position(kPos, ring->GetPosition());
            entries.push_back({text, path});
        }
    }
    return entries;
}

CBondPoint* CMolecule::FindBondPointBetween(CCritPoint* a, CCritPoint* b) const {
    if (a == nullptr) return nullptr;
    for (const auto& q : *GetList(-1)) {
        if (q->GetFieldIndex() != a->GetFieldIndex()) continue;
        int count = 0;
        for (const CGradPath* path : q->GetPathList(true)) {
            const CCritPoint* end = path->GetEndPoint();
            if (end != nullptr && (end == a || end == b)) ++count;
        }
        if (count >= 2) return static_cast<CBondPoint*>(q.get());
    }
    return nullptr;
}

std::vector<const CGradPath*> CMolecule::OrderedPathList(const CCritPoint& point, bool ascending) const {
    const CPathList& list = point.GetPathList(ascending);
    std::vector<const CGradPath*> ordered(list.begin(), list.end());
    if (!ascending) return ordered;
    // An ascending path with an upper end is kept in the upper point's list in
    // the document, and loading puts it back in the lower point's list in the
    // order of the upper points; paths without an upper end come first, as the
    // lower point stores them. Listing in that order makes a record the same
    // before saving and after opening the document again.
    const auto key = [this](const CGradPath* path) {
        const CCritPoint* upper = path->GetEndPoint();
        if (upper == nullptr) return std::array<long long, 3>{-1, 0, 0};
        const int type = upper->GetType();
        long long rank = 0;
        for (int t : {-3, -1, 1, 3}) {
            if (t == type) break;
            rank += static_cast<long long>(GetList(t)->size());
        }
        const auto& points = *GetList(type);
        const auto it = std::find_if(points.begin(), points.end(), [&](const auto& p) { return p.get() == upper; });
        const CPathList& down = upper->GetPathList(false);
        return std::array<long long, 3>{rank + std::distance(points.begin(), it),
                                        std::distance(down.begin(), std::find(down.begin(), down.end(), path)), 0};
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const CGradPath* a, const CGradPath* b) { return key(a) < key(b); });
    return ordered;
}

int CMolecule::WriteMolGraphRecord(zel::CTextRecord* lines) const {
    int count = 0;
    auto write = [&](int type, bool ascending) {
        for (const auto& point : *GetList(type))
            for (const CGradPath* path : OrderedPathList(*point, ascending))
                if (path->IsInMolGraph() && path->GetFieldIndex() == m_nField)
                    count += path->WriteReport(*lines, false);
    };
    write(-1, true);
    write(1, false);
    write(1, true);
    return count;
}
