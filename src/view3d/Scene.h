#pragma once
// What the three-dimensional view draws, taken from the molecule as plain
// values: the spheres of the nuclei and critical points and the cylinders of
// the bond, ring and cage paths of the current field, each with its colour
// code and selection name, the current atom's local axes and the current
// plot's plane. No OpenGL here: the view turns a scene into GL calls.
//
// Coordinates: positions are relative to the centroid of the nuclei, in bohr;
// the view draws an object at twice that offset (one scene unit is half a
// bohr). Radii and cylinder lengths are in scene units.
//
// A scene holds no pointer into the model, so the view can keep drawing its
// last scene while a job changes the molecule's lists (see Molecule.h).

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "numerics/Vector.h"

class CCritPoint;
class CEnvGrid;
class CMolecule;
class CPlot;

// Selection names (picking decodes them): nuclei from 1001 in atom-list
// order, the critical points of each signature from their first name in list
// order, the paths by the path counter rule (see AddPathCylinders).
namespace scene {
inline constexpr int kAxesName = 0;
inline constexpr int kFirstNucleusName = 1001;
inline constexpr int kFirstMaxPointName = 3001;
inline constexpr int kFirstBondPointName = 4001;
inline constexpr int kFirstRingPointName = 5001;
inline constexpr int kFirstCagePointName = 6001;
inline constexpr int kFirstBondPathName = 7011;
inline constexpr int kFirstRingPathName = 8011;
inline constexpr int kFirstCagePathName = 9011;
// The envelope map: its triangles all carry one name, its spheres count up
// from the next; picking shows nothing for any of them.
inline constexpr int kEnvelopeMapName = 10000;
inline constexpr int kFirstEnvelopeSphereName = 10001;

// Colour codes: the sphere codes of the four signatures (a nucleus uses its
// charge truncated to int) and the cylinder codes of axes and paths.
inline constexpr int kMaxPointCode = -3;
inline constexpr int kBondPointCode = -2;
inline constexpr int kRingPointCode = -1;
inline constexpr int kCagePointCode = 0;
inline constexpr int kXAxisCode = 1;
inline constexpr int kYAxisCode = 2;
inline constexpr int kZAxisCode = 3;
inline constexpr int kBondPathCode = 931;
inline constexpr int kRingPathCode = 932;
inline constexpr int kCagePathCode = 933;

inline constexpr double kNucleusRadius = 0.6;
inline constexpr double kCritPointRadius = 0.3;
inline constexpr double kPathRadius = 0.1;
} // namespace scene

struct CRgb {
    unsigned char r = 255, g = 255, b = 255;
    bool operator==(const CRgb&) const = default;
};

// The colour of a sphere's code (-3..22; every other code is white). Code -4,
// the caller's own colour, is not in this table.
CRgb SphereColor(int code);
// The colour of a cylinder's code (axes 1..3, paths 931..933; else white).
CRgb CylinderColor(int code);
// The sphere code of a nucleus: its charge truncated toward zero; a charge
// that no int holds (or not a number) gives 0, as picking names it.
int NucleusCode(double charge);

struct C3DSphere {
    double radius = 0;
    CVector position; // relative to the centroid, bohr
    int code = 0;
    int name = 0;
    int pick = -1; // what picking shows: index into C3DScene::targets, -1 none
};

struct C3DCylinder {
    double radius = 0;
    double length = 0; // scene units; not the distance of the two points
    CVector start;     // relative to the centroid, bohr
    CVector target;    // the cylinder points from start towards target
    int code = 0;
    int name = 0;
    int pick = -1; // what picking shows: index into C3DScene::targets, -1 none
};

// What a drawn object stands for when it is picked: the values its dialog
// shows, taken with the scene, so that picking reads no model list (a job may
// be changing them).
struct C3DPickTarget {
    enum class Kind { Nucleus, CritPoint, Path };
    Kind kind = Kind::Nucleus;
    // Counted from 1: a nucleus's place in the atom list, a critical point's
    // among the points of its signature and field, a path's lower end's place
    // among those.
    int number = 0;
    // Of the critical point, or of the path's lower end: -3, -1, 1 or 3.
    int signature = 0;
    // Bohr: the nucleus, the critical point or the path's lower end.
    CVector position;
    double charge = 0; // nucleus
    // Path: the signature of its upper end, 0 when the path reached none; the
    // upper end's position (for a bond path ending at a maximum that has an
    // atom, that atom's nucleus), or without an upper end, where the path
    // stopped; the path's length.
    int endSignature = 0;
    CVector end;
    double length = 0;
};

// The turn that takes a cylinder from +z onto the direction d: glRotated's
// angle (degrees) and axis. A direction along -z turns by 180 degrees about x
// (the cross product with z would be zero there); +z needs no turn.
struct CCylinderTurn {
    double angle = 0;
    CVector axis{1, 0, 0};
};
// False when d has no direction (zero or not finite): nothing can be drawn.
bool CylinderTurn(CVector d, CCylinderTurn& turn);

// The current atom's local x, y and z axes: the nucleus and the points one
// bohr from it along each axis, relative to the centroid.
struct C3DAtomicAxes {
    CVector nucleus;
    std::array<CVector, 3> ends;
};

// The envelope map as the view draws it: the grid of the molecule's envelope
// (shared, so that it stays as it was taken while a job swaps in a new one;
// only the user-interface thread recomputes its map flags) and the map
// options.
struct C3DEnvelopeMap {
    std::shared_ptr<const CEnvGrid> grid;
    double minValue = 0.1;
    double maxValue = 9999999.0;
    double sphereSize = 0.1;
    std::uint32_t minColor = 0xFFFFFF;
    std::uint32_t maxColor = 0xFFFFFF;
    double transparency = 1.0;
    int surfaceOnly = 1;
    int displayMode = 0;
    // A triangle whose corner normal is this close to perpendicular to its
    // face is left out (the critical-point gradient tolerance).
    double tolerance = 1e-7;
};

struct C3DScene {
    // The mean of the nuclei; (0, 0, 0) without atoms.
    CVector centroid;
    int fieldIndex = 0;
    std::vector<C3DSphere> nuclei;
    // (3,-3), (3,-1), (3,+1), (3,+3) points of the current field.
    std::array<std::vector<C3DSphere>, 4> critPoints;
    // Bond, ring and cage paths of the current field.
    std::array<std::vector<C3DCylinder>, 3> paths;
    std::optional<C3DAtomicAxes> atomicAxes;
    // Corners 0, 1 and 2 of the current plot's plane, relative to the
    // centroid; corner 0 is the one next to the two others.
    std::optional<std::array<CVector, 3>> plane;
    // What the nuclei, critical points and paths stand for (their pick).
    std::vector<C3DPickTarget> targets;
    // The envelope's map, when the envelope has a grid.
    std::optional<C3DEnvelopeMap> envelopeMap;

    // Which kinds of object exist in any field (the context menu offers a
    // switch only for those).
    bool hasAtoms = false;
    bool hasCurrentAtom = false;
    bool hasEnvelope = false;
    std::array<bool, 4> hasCritPoints{}; // (3,-3), (3,-1), (3,+1), (3,+3)
};

// The scene of the molecule now. Reads the model's lists: call it only while
// no job runs (CMolecule::IsJobRunning()).
C3DScene BuildScene(const CMolecule& molecule);

// The cylinders of the paths that go up from the points of one list. Only
// points of the given field take part. Every cylinder of a path carries the
// counter's value; the counter starts at firstName, grows by 1 after each
// path and moves to the next block of ten after each point, so the j-th path
// of the m-th point is named base + 10 (m + 1) + (j + 1). A path whose halves
// point the same way is one cylinder along its chord; a curved one is a short
// cylinder from every sixth point towards the sixth after it where those lie
// closer than 0.5 bohr: for bond paths segments k = 0 .. n/6 - 2, for ring and
// cage paths k = 1, 2, ... (the stretch next to their start point is left
// out). Paths of fewer than two points draw nothing but keep their name.
// With targets, every path adds what it stands for there, and its cylinders
// point to that entry (pick).
void AddPathCylinders(std::vector<C3DCylinder>& out, const std::list<std::unique_ptr<CCritPoint>>& points,
                      int field, CVector centroid, int code, int firstName, bool bondPaths,
                      std::vector<C3DPickTarget>* targets = nullptr);

// The corners of the plot's plane (corner 0, then its two neighbours), or
// none when the plot has no plane to show.
std::optional<std::array<CVector, 3>> GetPlotPlaneCorners(const CPlot& plot);
