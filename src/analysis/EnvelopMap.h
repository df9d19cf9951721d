#pragma once
// The two steps of CEnvelop::UpdateMap apart, so that the slow one can run on
// the worker while the three-dimensional view draws the grid: the flags of
// every point are derived without changing the grid, then set, which is quick.

#include <cstdint>
#include <vector>

class CEnvGrid;
struct CEnvMapOptions;

inline constexpr std::uint8_t kMapInside = 1;
inline constexpr std::uint8_t kMapSurface = 2;

// The map's flags of every point of the grid for the field and options
// (kMapInside, kMapSurface); i outermost, k innermost.
std::vector<std::uint8_t> ComputeEnvelopeMapFlags(const CEnvGrid& grid, int field, const CEnvMapOptions& options);
// Sets the flags on the grid's points; flags of another grid's size are ignored.
void ApplyEnvelopeMapFlags(CEnvGrid& grid, const std::vector<std::uint8_t>& flags);
