#pragma once
// The envelope grid around the molecule: a regular cubic grid of points, each
// with the five field values at its position and the atom whose basin holds
// it. The molecule owns at most one envelope. The data, the document part and
// the map flags live here; computing the points (the uphill paths and the two
// grid jobs) belongs to the integration layer (EnvelopGrid.cpp).
//
// Point (i, j, k) lies at origin + mesh (i, j, k); the mesh is 1 bohr after the
// initial calculation and halves with every refinement. It is not stored but
// read from the positions of the points.
//
// Threads: the grid lives in a CEnvGrid held by a shared pointer. A job builds
// its new grid apart (its points on every core) and swaps it in complete,
// while the launcher's job scope keeps the three-dimensional view from taking
// a new scene (Molecule.h). The view keeps a reference to the grid of its last
// scene, so it never sees a grid being built or refined, and a grid it draws
// stays alive until it lets go. Map flags change only on the user-interface
// thread, or on a new grid before it is swapped in.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "numerics/Vector.h"
#include "platform/core/Archive.h"

class CAtom;
class CEnvFieldProbe;
class CMolecule;
struct CEnvMapOptions;

class CEnvPoint {
public:
    static constexpr int kValues = 5;
    // Bytes of a point in the document: position, atom number, five values.
    static constexpr std::size_t kRecordBytes = 68;

    CEnvPoint() = default;

    // Stores the position, evaluates the five values (the molecule's current
    // field must be the density) and, when assign is set and the point passes
    // the threshold and the distance test, finds its basin. 0 only when the
    // evaluation failed. (EnvelopGrid.cpp)
    int Calculate(CMolecule& molecule, CVector position, int assign, double threshold, double maxDistance);
    // The same through the grid jobs' own evaluation of the field.
    int Calculate(CEnvFieldProbe& probe, CVector position, int assign, double threshold, double maxDistance);
    // Position, atom and values; not the map flags.
    void CopyFrom(const CEnvPoint& point);

    CVector GetPosition() const { return m_Position; }
    void SetPosition(CVector position) { m_Position = position; }
    // Field 0 to 4 (density, Laplacian, G, K, virial field); 0.0 for any other
    // index.
    double GetValue(int index) const { return index >= 0 && index < kValues ? m_dValues[index] : 0.0; }
    void SetValue(int index, double value) {
        if (index >= 0 && index < kValues) m_dValues[index] = value;
    }
    CAtom* GetAtom() const { return m_pAtom; }
    void SetAtom(CAtom* atom) { m_pAtom = atom; }
    int IsInside() const { return m_bInside; }
    void SetInside(int inside) { m_bInside = inside; }
    int IsOnSurface() const { return m_bSurface; }
    void SetOnSurface(int surface) { m_bSurface = surface; }

    // The point record: x, y, z, the atom's number (0 for none), the five
    // values. Loading links the first atom of the molecule with that number;
    // 0 or a number no atom has links none.
    using CAtomLookup = std::unordered_map<int, CAtom*>;
    void Serialize(zel::CArchive& ar, const CAtomLookup& atoms);

private:
    CVector m_Position;
    double m_dValues[kValues] = {};
    CAtom* m_pAtom = nullptr; // not owned
    int m_bInside = 0;
    int m_bSurface = 0;
};

// The points of one grid, nx x ny x nz, index k running fastest.
class CEnvGrid {
public:
    // Throws std::bad_alloc when the points cannot be allocated.
    CEnvGrid(int nx, int ny, int nz);

    int GetCount(int axis) const { return axis >= 0 && axis < 3 ? m_n[axis] : 0; }
    std::size_t Size() const { return m_Points.size(); }
    bool Contains(int i, int j, int k) const {
        return i >= 0 && j >= 0 && k >= 0 && i < m_n[0] && j < m_n[1] && k < m_n[2];
    }
    CEnvPoint& At(int i, int j, int k) { return m_Points[Index(i, j, k)]; }
    const CEnvPoint& At(int i, int j, int k) const { return m_Points[Index(i, j, k)]; }
    // The distance of neighbouring points: along the first axis with two or
    // more points; 0 for a grid of one point.
    double GetMesh() const;

private:
    std::size_t Index(int i, int j, int k) const {
        return (static_cast<std::size_t>(i) * static_cast<std::size_t>(m_n[1]) +
                static_cast<std::size_t>(j)) *
                   static_cast<std::size_t>(m_n[2]) +
               static_cast<std::size_t>(k);
    }

    int m_n[3];
    std::vector<CEnvPoint> m_Points;
};

class CEnvelop : public zel::CObject {
public:
    static constexpr const char* kClassName = "CEnvelop";
    const char* ClassName() const override { return kClassName; }

    // Messages of the grid and its jobs.
    static constexpr const char* kNoMemory = "Could not allocate sufficient memor for Envelop grid!";
    static constexpr const char* kCalculationFailed = "Calculation of envelop grid failed!";
    static constexpr const char* kRefineFailed = "Increasing size of envelope grid failed!";
    static constexpr const char* kBadGrid = "Invalid envelope grid in file.";
    // Maximal distance that stands for no limit.
    static constexpr double kNoDistanceLimit = 999999.0;

    // The molecule whose atoms the points refer to; null: g_pMolecule.
    explicit CEnvelop(CMolecule* molecule = nullptr) : m_pMolecule(molecule) {}
    ~CEnvelop() override = default;
    CEnvelop(const CEnvelop&) = delete;
    CEnvelop& operator=(const CEnvelop&) = delete;

    // --- definition --------------------------------------------------------------
    // The box of the nuclei widened by 3 bohr on every side, in whole bohr:
    // origin = floor(min - 3), count = ceil(max + 3) - origin + 1 per axis.
    // Refreshes every atom's safe radius first. Without atoms the counts are 0.
    void ComputeBox();
    int GetCount(int axis) const { return axis >= 0 && axis < 3 ? m_n[axis] : 0; }
    void SetCounts(int nx, int ny, int nz) {
        m_n[0] = nx;
        m_n[1] = ny;
        m_n[2] = nz;
    }
    CVector GetOrigin() const { return m_Origin; }
    void SetOrigin(CVector origin) { m_Origin = origin; }
    double GetMaxDistance() const { return m_dMaxDistance; }
    void SetMaxDistance(double distance) { m_dMaxDistance = distance; }
    double GetThreshold() const { return m_dThreshold; }
    void SetThreshold(double threshold) { m_dThreshold = threshold; }

    // --- the grid ----------------------------------------------------------------
    // The grid, null when none is allocated.
    const CEnvGrid* GetGrid() const { return m_pGrid.get(); }
    CEnvGrid* GetGrid() { return m_pGrid.get(); }
    // A reference the view keeps while it draws.
    std::shared_ptr<const CEnvGrid> ShareGrid() const { return m_pGrid; }
    // Drops the grid; the counts become 0.
    void FreeGrid();
    // The mesh of the grid (0 without one).
    double GetMesh() const { return m_pGrid ? m_pGrid->GetMesh() : 0.0; }

    // Largest grid (bytes of points) a job or a load may allocate; by default
    // the machine's physical memory. Tests lower it.
    static void SetMemoryLimit(std::size_t bytes);
    static std::size_t GetMemoryLimit();
    // A grid of these counts; null (no message) when a count is below 1, the
    // points together with `kept` bytes already in use (the grid a
    // refinement keeps until it is done) would need more memory than the
    // limit, or the allocation fails.
    static std::unique_ptr<CEnvGrid> NewGrid(int nx, int ny, int nz, std::size_t kept = 0);

    // --- jobs (EnvelopGrid.cpp; they run on the worker) ----------------------------
    // Job 12: allocates and calculates every point with the stored counts,
    // origin, threshold and maximal distance, then derives the map. 1 on
    // success; 0 after showing why, with no grid left.
    int Calculate();
    // Job 13: halves the mesh (each count n becomes 2n - 1). 1 on success; 0
    // when there is no grid, the grid has an axis of one point, or the
    // refinement failed (after showing why); the previous grid stays then.
    int Refine();

    // --- the map -----------------------------------------------------------------
    // Recomputes the inside and surface flags of every point for the
    // molecule's current field and map options.
    void UpdateMap();
    // The same on any grid.
    static void UpdateMap(CEnvGrid& grid, int field, const CEnvMapOptions& options);

    // The document part: counts, origin, threshold, maximal distance, then the
    // point records (i outermost, k innermost). Loading refuses counts below 1
    // and counts whose points the remaining data cannot hold, as damage; a
    // grid that cannot be allocated refuses the load with the allocation
    // message. The map is derived after loading.
    void Serialize(zel::CArchive& ar) override;

    CMolecule* GetMolecule() const;

private:
    // Installs a complete new grid and its counts.
    void SwapIn(std::unique_ptr<CEnvGrid> grid);

    CMolecule* m_pMolecule = nullptr;
    int m_n[3] = {0, 0, 0};
    CVector m_Origin;
    double m_dMaxDistance = 3.0;
    double m_dThreshold = 0.0;
    std::shared_ptr<CEnvGrid> m_pGrid;
};

// The path of steepest ascent of the current field from position, in arc
// length, until it enters the safe sphere of a nucleus: the (3,-3) point of
// that atom, or null when the path stops going uphill, meets a point of zero
// gradient, is cancelled or the solver fails (shown by *solverFailed when
// given). capStep limits each solver call to 0.1 bohr. The longest step is
// the basin option "Stop integration at distance from nucleus r =". No
// message. (EnvelopGrid.cpp)
class CMaxPoint;
CMaxPoint* TracePathToNucleus(CMolecule& molecule, CVector position, double accuracy, int capStep,
                              bool* solverFailed = nullptr);
