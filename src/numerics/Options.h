#pragma once
// Option records of the numerical methods. Each option is a pair of the current
// value, which the numerics read, and the default, which "Reset to Defaults" and
// emptying the document copy back. The records live in the molecule; the linear
// algebra, critical-point and gradient-path code reach them through the global
// pointers below at every use, so an edited value takes effect at the next use.

#include <cstdint>
#include <vector>

class CAtom;

template <class T> struct COptionPair {
    T Current{};
    T Default{};

    constexpr COptionPair() = default;
    constexpr explicit COptionPair(T value) : Current(value), Default(value) {}
    void Reset() { Current = Default; }
    operator T() const { return Current; }
};

using CIntOption = COptionPair<int>;
using CDoubleOption = COptionPair<double>;

// Linear algebra.
struct CLAOptions {
    CIntOption MaxQLIterations{60};    // QL iterations allowed per eigenvalue
    CDoubleOption PivotThreshold{1e-12}; // smallest pivot Gaussian elimination accepts
    void Reset();
};

// Critical-point search and Newton iteration.
struct CCritOptions {
    CDoubleOption MinDistance{0.1};        // bohr, between points of one signature and field
    CDoubleOption StepTolerance{1e-9};     // Newton goes on while the step is not below it
    CDoubleOption GradientTolerance{1e-7}; // Newton goes on while |grad| is not below it
    CIntOption MaxIterations{120};
    CDoubleOption StepFactor{1.0};
    void Reset();
};

// Gradient paths, traced as differential equations in arc length.
struct CDEOptions {
    CDoubleOption PointDistance{0.02}; // bohr between stored path points
    CDoubleOption AbsAccuracy{1e-7};
    CDoubleOption RelAccuracy{1e-6};
    CDoubleOption MaxPathLength{9.0};
    CDoubleOption MinCritPointDistance{0.01}; // capture radius of a critical point
    CIntOption MaxBisections{24};             // ring-path search
    void Reset();
};

// Integration over an atomic basin.
struct CIntegOptions {
    CDoubleOption SphereRadius{0.5};
    CDoubleOption AbsAccuracy{1e-4};
    CDoubleOption RelAccuracy{1e-4};
    CDoubleOption StopS{1e6};
    CDoubleOption StopR{9.0};
    CDoubleOption RayStep{1.0};
    CIntOption MaxIntersections{3};
    void Reset();
};

// Integration over an interatomic surface.
struct CSurfIntOptions {
    CDoubleOption CircleRadius{0.001};
    CDoubleOption AbsAccuracy{1e-5};
    CDoubleOption RelAccuracy{1e-5};
    CDoubleOption StopS{1e6};
    void Reset();
};

// Envelope map of the three-dimensional view: plain values, not saved.
struct CEnvMapOptions {
    double MinValue = 0.1;
    double MaxValue = 9999999.0;
    double SphereSize = 0.1;
    std::vector<CAtom*> Atoms; // basins shown (not owned); empty means all
    std::uint32_t MinColor = 0xFFFFFF;
    std::uint32_t MaxColor = 0xFFFFFF;
    double Transparency = 1.0; // 1 = opaque
    int SurfaceOnly = 1;
    int DisplayMode = 0; // 0 spheres, 1 triangulated surface
    // Resets everything but the two colours and the transparency.
    void Reset();
};

// Never null: until a molecule installs its own records they point to built-in
// records holding the defaults, so the numerics can run stand-alone.
extern CLAOptions* g_pLAOptions;
extern CCritOptions* g_pCritOptions;
extern CDEOptions* g_pDEOptions;

namespace zel {
class CArchive;
}

// The 24 current option values as the document stores them (4-byte ints, 8-byte
// doubles). The basin and surface records go in stored order, not declaration
// order: the stop value before the accuracies, the ray step before the radial stop.
void SerializeOptionBlock(zel::CArchive& ar, CLAOptions& la, CCritOptions& crit, CDEOptions& de,
                          CIntegOptions& integ, CSurfIntOptions& surf);
