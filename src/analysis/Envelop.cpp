// The envelope grid's data: the points, the box of the nuclei, the map flags
// and the document part.

#include "analysis/Envelop.h"
#include "analysis/EnvelopMap.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <new>

#include <unistd.h>

#include "analysis/Molecule.h"
#include "platform/core/Canvas.h"

namespace {

std::size_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return SIZE_MAX;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

std::atomic<std::size_t>& MemoryLimit() {
    static std::atomic<std::size_t> limit{PhysicalMemory()};
    return limit;
}

} // namespace

// --- point ---------------------------------------------------------------------------

void CEnvPoint::CopyFrom(const CEnvPoint& point) {
    m_Position = point.m_Position;
    m_pAtom = point.m_pAtom;
    std::copy(std::begin(point.m_dValues), std::end(point.m_dValues), std::begin(m_dValues));
}

void CEnvPoint::Serialize(zel::CArchive& ar, const CAtomLookup& atoms) {
    if (ar.IsStoring()) {
        ar << m_Position.x << m_Position.y << m_Position.z << (m_pAtom ? m_pAtom->GetNumber() : 0);
        for (double value : m_dValues)
            ar << value;
        return;
    }
    int number = 0;
    ar >> m_Position.x >> m_Position.y >> m_Position.z >> number;
    for (double& value : m_dValues)
        ar >> value;
    const auto it = number == 0 ? atoms.end() : atoms.find(number);
    m_pAtom = it == atoms.end() ? nullptr : it->second;
}

// --- grid ----------------------------------------------------------------------------

CEnvGrid::CEnvGrid(int nx, int ny, int nz) : m_n{nx, ny, nz} {
    m_Points.resize(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) *
                    static_cast<std::size_t>(nz));
}

double CEnvGrid::GetMesh() const {
    if (m_n[2] > 1) return At(0, 0, 1).GetPosition().z - At(0, 0, 0).GetPosition().z;
    if (m_n[1] > 1) return At(0, 1, 0).GetPosition().y - At(0, 0, 0).GetPosition().y;
    if (m_n[0] > 1) return At(1, 0, 0).GetPosition().x - At(0, 0, 0).GetPosition().x;
    return 0.0;
}

// --- envelope ------------------------------------------------------------------------

CMolecule* CEnvelop::GetMolecule() const {
    return m_pMolecule ? m_pMolecule : g_pMolecule;
}

void CEnvelop::ComputeBox() {
    CMolecule* molecule = GetMolecule();
    if (!molecule || molecule->GetAtomList().empty()) {
        SetCounts(0, 0, 0);
        return;
    }
    CVector low(1000, 1000, 1000), high(-1000, -1000, -1000);
    for (const auto& atom : molecule->GetAtomList()) {
        atom->ComputeNearestCritDistance();
        const CVector p = atom->GetPosition();
        low = CVector(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = CVector(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    const double lows[3] = {low.x, low.y, low.z};
    const double highs[3] = {high.x, high.y, high.z};
    double origin[3];
    for (int axis = 0; axis < 3; ++axis) {
        origin[axis] = std::floor(lows[axis] - 3.0);
        const double upper = std::ceil(highs[axis] + 3.0);
        // Nuclei far out give a count beyond int: the largest int (which no
        // grid allocates) rather than an undefined cast.
        m_n[axis] = zel::TruncToInt(upper - origin[axis] + 1.0);
    }
    m_Origin = CVector(origin[0], origin[1], origin[2]);
}

void CEnvelop::SetMemoryLimit(std::size_t bytes) {
    MemoryLimit().store(bytes == 0 ? PhysicalMemory() : bytes);
}

std::size_t CEnvelop::GetMemoryLimit() {
    return MemoryLimit().load();
}

std::unique_ptr<CEnvGrid> CEnvelop::NewGrid(int nx, int ny, int nz, std::size_t kept) {
    if (nx < 1 || ny < 1 || nz < 1) return nullptr;
    // In doubles: the product of three ints overflows any integer type we have.
    const double bytes = static_cast<double>(nx) * static_cast<double>(ny) * static_cast<double>(nz) *
                             static_cast<double>(sizeof(CEnvPoint)) +
                         static_cast<double>(kept);
    if (bytes > static_cast<double>(GetMemoryLimit())) return nullptr;
    try {
        return std::make_unique<CEnvGrid>(nx, ny, nz);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

void CEnvelop::SwapIn(std::unique_ptr<CEnvGrid> grid) {
    for (int axis = 0; axis < 3; ++axis)
        m_n[axis] = grid->GetCount(axis);
    m_pGrid = std::shared_ptr<CEnvGrid>(std::move(grid));
}

void CEnvelop::FreeGrid() {
    m_pGrid.reset();
    SetCounts(0, 0, 0);
}

void CEnvelop::UpdateMap() {
    CMolecule* molecule = GetMolecule();
    if (!m_pGrid || !molecule) return;
    UpdateMap(*m_pGrid, molecule->GetFieldIndex(), molecule->GetEnvMapOptions());
}

void CEnvelop::UpdateMap(CEnvGrid& grid, int field, const CEnvMapOptions& options) {
    ApplyEnvelopeMapFlags(grid, ComputeEnvelopeMapFlags(grid, field, options));
}

std::vector<std::uint8_t> ComputeEnvelopeMapFlags(const CEnvGrid& grid, int field, const CEnvMapOptions& options) {
    const int nx = grid.GetCount(0), ny = grid.GetCount(1), nz = grid.GetCount(2);
    const auto index = [ny, nz](int i, int j, int k) {
        return (static_cast<std::size_t>(i) * static_cast<std::size_t>(ny) + static_cast<std::size_t>(j)) *
                   static_cast<std::size_t>(nz) +
               static_cast<std::size_t>(k);
    };
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) *
                                    static_cast<std::size_t>(nz));
    const auto& selected = options.Atoms;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k) {
                const CEnvPoint& point = grid.At(i, j, k);
                const double v = point.GetValue(field);
                bool inside = false;
                if (options.MinValue <= v && v <= options.MaxValue) {
                    inside = selected.empty() ||
                             (point.GetAtom() &&
                              std::find(selected.begin(), selected.end(), point.GetAtom()) != selected.end());
                }
                if (inside) flags[index(i, j, k)] = kMapInside;
            }
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k) {
                std::uint8_t& flag = flags[index(i, j, k)];
                if (!(flag & kMapInside)) continue;
                bool surface = false;
                for (int a = -1; a <= 1 && !surface; ++a)
                    for (int b = -1; b <= 1 && !surface; ++b)
                        for (int c = -1; c <= 1 && !surface; ++c)
                            if ((a || b || c) && grid.Contains(i + a, j + b, k + c) &&
                                !(flags[index(i + a, j + b, k + c)] & kMapInside))
                                surface = true;
                if (surface) flag |= kMapSurface;
            }
    return flags;
}

void ApplyEnvelopeMapFlags(CEnvGrid& grid, const std::vector<std::uint8_t>& flags) {
    const int nx = grid.GetCount(0), ny = grid.GetCount(1), nz = grid.GetCount(2);
    if (flags.size() != static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) * static_cast<std::size_t>(nz))
        return;
    std::size_t n = 0;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k) {
                CEnvPoint& point = grid.At(i, j, k);
                point.SetInside(flags[n] & kMapInside ? 1 : 0);
                point.SetOnSurface(flags[n] & kMapSurface ? 1 : 0);
                ++n;
            }
}

void CEnvelop::Serialize(zel::CArchive& ar) {
    using Cause = zel::CArchiveException::Cause;
    CEnvPoint::CAtomLookup atoms;
    if (CMolecule* molecule = GetMolecule()) {
        // The first atom of a number wins.
        for (const auto& atom : molecule->GetAtomList())
            atoms.emplace(atom->GetNumber(), atom.get());
    }
    if (ar.IsStoring()) {
        const CEnvGrid* grid = m_pGrid.get();
        const int counts[3] = {grid ? grid->GetCount(0) : 0, grid ? grid->GetCount(1) : 0,
                               grid ? grid->GetCount(2) : 0};
        ar << counts[0] << counts[1] << counts[2] << m_Origin.x << m_Origin.y << m_Origin.z << m_dThreshold
           << m_dMaxDistance;
        if (!m_pGrid) return;
        for (int i = 0; i < counts[0]; ++i)
            for (int j = 0; j < counts[1]; ++j)
                for (int k = 0; k < counts[2]; ++k)
                    m_pGrid->At(i, j, k).Serialize(ar, atoms);
        return;
    }

    int n[3] = {};
    ar >> n[0] >> n[1] >> n[2];
    CVector origin;
    double threshold = 0.0, maxDistance = 0.0;
    ar >> origin.x >> origin.y >> origin.z >> threshold >> maxDistance;
    // Every count at least 1, and points the rest of the data can hold (in
    // doubles: the product may overflow any integer).
    const double points = static_cast<double>(n[0]) * static_cast<double>(n[1]) * static_cast<double>(n[2]);
    if (n[0] < 1 || n[1] < 1 || n[2] < 1 ||
        points > static_cast<double>(ar.Remaining() / CEnvPoint::kRecordBytes))
        throw zel::CArchiveException(Cause::BadCount, kBadGrid);
    std::unique_ptr<CEnvGrid> grid = NewGrid(n[0], n[1], n[2]);
    if (!grid) throw zel::CArchiveException(Cause::TooLarge, kNoMemory);
    for (int i = 0; i < n[0]; ++i)
        for (int j = 0; j < n[1]; ++j)
            for (int k = 0; k < n[2]; ++k)
                grid->At(i, j, k).Serialize(ar, atoms);
    m_Origin = origin;
    m_dThreshold = threshold;
    m_dMaxDistance = maxDistance;
    SwapIn(std::move(grid));
    UpdateMap();
}
