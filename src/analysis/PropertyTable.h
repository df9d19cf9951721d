#pragma once
// Property indices: 0..47 the basin properties (0..4 are also the five fields,
// 47 stands for the whole atomic overlap matrix), 100..124 the properties of an
// interatomic surface (100 + k is entry k of the surface integrand layout).

class CWavefunction;

inline constexpr int kBasinProperties = 48;   // selection flags 0..47
inline constexpr int kBasinIntegrands = 47;   // layout entries before the overlap block
inline constexpr int kSurfaceProperties = 25; // selection flags, layout entries 0..24
inline constexpr int kFirstSurfaceProperty = 100;

// The name of a property ("RHO, electron density"); "" for an index that names
// nothing. Never null.
const char* PropertyName(int index);

// Length of the basin integrand layout for n orbitals, 47 + n(n+1)/2, or -1 when
// n < 1 or the length does not fit an int.
int BasinPropertyCount(long long nMOs);
// The layout length of a loaded wavefunction, or -1 when its orbital count is
// not backed by its orbital and primitive records (evaluation would write past
// arrays sized from that count).
int BasinPropertyCount(const CWavefunction& wavefunction);
