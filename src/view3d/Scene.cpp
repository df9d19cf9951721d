#include "view3d/Scene.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

#include "analysis/Molecule.h"

namespace {

// Degrees per radian as the drawing has always used it.
constexpr double kDegreesPerRadian = 57.29578;

// A path as its dialog shows it. A path that reached no upper end stops at
// its point farthest from the lower end, the first it stores.
C3DPickTarget PathTarget(const CCritPoint& lower, const CGradPath& path, int number) {
    C3DPickTarget t;
    t.kind = C3DPickTarget::Kind::Path;
    t.number = number;
    t.signature = lower.GetType();
    t.position = lower.GetPosition();
    t.length = path.GetLength();
    if (const CCritPoint* upper = path.GetEndPoint()) {
        t.endSignature = upper->GetType();
        t.end = upper->GetPosition();
        // A bond path ends at the nucleus of its maximum's atom.
        if (upper->GetType() == -3 && lower.GetType() == -1)
            if (const CAtom* atom = static_cast<const CMaxPoint*>(upper)->GetAtom())
                t.end = atom->GetPosition();
    } else {
        t.end = path.GetPointList().empty() ? lower.GetPosition() : path.GetPointList().front();
    }
    return t;
}

} // namespace

int NucleusCode(double charge) {
    // Compared before the conversion, which is undefined beyond int's range.
    if (!(charge > static_cast<double>(INT_MIN) - 1.0 && charge < static_cast<double>(INT_MAX) + 1.0)) return 0;
    return static_cast<int>(charge);
}

CRgb SphereColor(int code) {
    switch (code) {
    case -3:
        return {255, 0, 255};
    case -2:
        return {255, 0, 0};
    case -1:
        return {255, 255, 0};
    case 0:
        return {0, 255, 0};
    case 1:
        return {204, 204, 204};
    case 3:
        return {153, 153, 153};
    case 5:
        return {153, 153, 255};
    case 6:
        return {77, 77, 77};
    case 7:
        return {0, 0, 204};
    case 8:
        return {255, 0, 0};
    case 9:
        return {153, 128, 0};
    case 13:
        return {255, 153, 153};
    case 14:
        return {153, 153, 153};
    case 15:
        return {153, 0, 0};
    case 16:
        return {255, 230, 0};
    case 17:
        return {0, 128, 0};
    case 22:
        return {153, 153, 255};
    default:
        return {255, 255, 255};
    }
}

CRgb CylinderColor(int code) {
    switch (code) {
    case scene::kXAxisCode:
        return {255, 0, 0};
    case scene::kYAxisCode:
        return {0, 255, 0};
    case scene::kZAxisCode:
        return {0, 0, 255};
    case scene::kBondPathCode:
        return {255, 204, 204};
    case scene::kRingPathCode:
        return {255, 255, 204};
    case scene::kCagePathCode:
        return {204, 255, 204};
    default:
        return {255, 255, 255};
    }
}

bool CylinderTurn(CVector d, CCylinderTurn& turn) {
    // Scaled first, so that neither tiny nor huge components under- or overflow.
    const double largest = std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
    if (!(largest > 0.0) || !std::isfinite(largest)) return false;
    d = d / largest;
    const double length = d.Length();
    // The axis (0, 0, 1) x d; when it vanishes against d the cylinder lies on
    // the z axis and either needs no turn or a half turn about x.
    const CVector axis(-d.y, d.x, 0.0);
    if (axis.Length() <= 1e-12 * length) {
        turn.axis = CVector(1, 0, 0);
        turn.angle = d.z < 0.0 ? 180.0 : 0.0;
        return true;
    }
    const double cosine = std::clamp(d.z / length, -1.0, 1.0);
    turn.axis = axis;
    turn.angle = std::acos(cosine) * kDegreesPerRadian;
    return true;
}

void AddPathCylinders(std::vector<C3DCylinder>& out, const std::list<std::unique_ptr<CCritPoint>>& points,
                      int field, CVector centroid, int code, int firstName, bool bondPaths,
                      std::vector<C3DPickTarget>* targets) {
    int counter = firstName;
    int visited = 0;
    for (const auto& point : points) {
        if (point->GetFieldIndex() != field) continue;
        ++visited;
        for (const CGradPath* path : point->GetPathList(true)) {
            const std::size_t firstCylinder = out.size();
            // Read in place: a path has as many points as its spacing gives.
            const auto& stored = path->GetPointList();
            const auto P = [&](int i) { return stored[static_cast<std::size_t>(i)] - centroid; };
            const int n = static_cast<int>(stored.size());
            if (n >= 2) {
                const int h = n / 2;
                const CVector a = P(h - 1) - P(0);
                const CVector b = P(n - 1) - P(h - 1);
                const CVector d1 = a / a.Length();
                const CVector d2 = b / b.Length();
                if (std::fabs(d1 * d2 - 1.0) <= 0.01) {
                    out.push_back({scene::kPathRadius, 2.0 * (P(0) - P(n - 1)).Length(), P(0), P(n - 1), code,
                                   counter});
                } else {
                    // Bond paths: k = 0 .. n/6 - 2. Ring and cage paths: k = 1, 2, ...
                    // while point 6k + 6 exists.
                    const int first = bondPaths ? 0 : 1;
                    const int last = bondPaths ? n / 6 - 2 : (n - 1 - 6) / 6;
                    for (int k = first; k <= last && 6 * k + 6 <= n - 1; ++k) {
                        const CVector from = P(6 * k);
                        const CVector to = P(6 * k + 6);
                        if ((from - to).Length() < 0.5)
                            out.push_back({scene::kPathRadius, 0.4, from, to, code, counter});
                    }
                }
            }
            if (targets) {
                for (std::size_t i = firstCylinder; i < out.size(); ++i)
                    out[i].pick = static_cast<int>(targets->size());
                targets->push_back(PathTarget(*point, *path, visited));
            }
            ++counter;
        }
        counter = counter / 10 * 10 + 11;
    }
}

std::optional<std::array<CVector, 3>> GetPlotPlaneCorners(const CPlot& plot) {
    const CPlotPlane plane = plot.GetPlane();
    const std::array<CVector, 3> corners = {plane.Corner0, plane.Corner1, plane.Corner2};
    // A plane whose corners are not numbers has nothing to show.
    for (const CVector& corner : corners)
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y) || !std::isfinite(corner.z))
            return std::nullopt;
    return corners;
}

C3DScene BuildScene(const CMolecule& molecule) {
    C3DScene scene;
    const int field = molecule.GetFieldIndex();
    scene.fieldIndex = field;

    const CMolecule::CAtomList& atoms = molecule.GetAtomList();
    scene.hasAtoms = !atoms.empty();
    if (!atoms.empty()) {
        CVector sum;
        for (const auto& atom : atoms)
            sum = sum + atom->GetPosition();
        const double count = static_cast<double>(atoms.size());
        scene.centroid = CVector(sum.x / count, sum.y / count, sum.z / count);
    }
    const CVector c = scene.centroid;

    int name = scene::kFirstNucleusName;
    for (const auto& atom : atoms) {
        const int pick = static_cast<int>(scene.targets.size());
        scene.targets.push_back({C3DPickTarget::Kind::Nucleus, name - scene::kFirstNucleusName + 1, 0,
                                 atom->GetPosition(), atom->GetCharge(), 0, CVector(), 0.0});
        scene.nuclei.push_back({scene::kNucleusRadius, atom->GetPosition() - c,
                                NucleusCode(atom->GetCharge()), name++, pick});
    }

    struct Kind {
        int list, code, firstName;
    };
    static constexpr Kind kPointKinds[4] = {{-3, scene::kMaxPointCode, scene::kFirstMaxPointName},
                                            {-1, scene::kBondPointCode, scene::kFirstBondPointName},
                                            {1, scene::kRingPointCode, scene::kFirstRingPointName},
                                            {3, scene::kCagePointCode, scene::kFirstCagePointName}};
    for (int kind = 0; kind < 4; ++kind) {
        const CMolecule::CCritPointList* list = molecule.GetList(kPointKinds[kind].list);
        scene.hasCritPoints[kind] = !list->empty();
        int counter = kPointKinds[kind].firstName;
        for (const auto& point : *list) {
            if (point->GetFieldIndex() != field) continue;
            const int pick = static_cast<int>(scene.targets.size());
            scene.targets.push_back({C3DPickTarget::Kind::CritPoint,
                                     counter - kPointKinds[kind].firstName + 1, kPointKinds[kind].list,
                                     point->GetPosition(), 0.0, 0, CVector(), 0.0});
            scene.critPoints[kind].push_back(
                {scene::kCritPointRadius, point->GetPosition() - c, kPointKinds[kind].code, counter++, pick});
        }
    }

    AddPathCylinders(scene.paths[0], *molecule.GetList(-1), field, c, scene::kBondPathCode,
                     scene::kFirstBondPathName, true, &scene.targets);
    AddPathCylinders(scene.paths[1], *molecule.GetList(1), field, c, scene::kRingPathCode,
                     scene::kFirstRingPathName, false, &scene.targets);
    AddPathCylinders(scene.paths[2], *molecule.GetList(3), field, c, scene::kCagePathCode,
                     scene::kFirstCagePathName, false, &scene.targets);

    if (const CAtom* atom = molecule.GetCurrentAtom()) {
        scene.hasCurrentAtom = true;
        C3DAtomicAxes axes;
        axes.nucleus = atom->GetPosition() - c;
        axes.ends = {atom->LocalToGlobal(CVector(1, 0, 0)) - c, atom->LocalToGlobal(CVector(0, 1, 0)) - c,
                     atom->LocalToGlobal(CVector(0, 0, 1)) - c};
        scene.atomicAxes = axes;
    }

    if (const CPlot* plot = molecule.GetCurrentPlot()) {
        if (auto corners = GetPlotPlaneCorners(*plot)) {
            for (CVector& corner : *corners)
                corner = corner - c;
            scene.plane = *corners;
        }
    }
    if (const CEnvelop* envelope = molecule.GetEnvelope()) {
        scene.hasEnvelope = true;
        if (envelope->GetGrid()) {
            const CEnvMapOptions& o = molecule.GetEnvMapOptions();
            scene.envelopeMap = C3DEnvelopeMap{envelope->ShareGrid(),
                                               o.MinValue,
                                               o.MaxValue,
                                               o.SphereSize,
                                               o.MinColor,
                                               o.MaxColor,
                                               o.Transparency,
                                               o.SurfaceOnly,
                                               o.DisplayMode,
                                               g_pCritOptions->GradientTolerance.Current};
        }
    }
    return scene;
}
