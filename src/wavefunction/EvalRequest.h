#pragma once
// What a caller asks of CWavefunction::Evaluate at one point (bohr). Null
// pointers are outputs or inputs not requested; the request owns nothing it
// points to.
//
// `value` is always written. The Hessian is formed only together with the
// gradient (it is zero without it); whenever `hessian` is given, `stress` and
// `stressDivergence` are reset too and receive the stress tensor and its
// divergence for field 0 (zero for the other fields). `integrands` takes
// 47 + n(n+1)/2 doubles for n orbitals in the basin layout (`surface` null) and
// 25 in the surface layout, which reads `normal` and, when `direction` is
// given, writes back the unit normal it recomputed; a zero (or missing) normal
// stays zero and the entries that project on it are 0. Evaluate returns 1, or 0
// when the wavefunction cannot be evaluated.

#include "numerics/Tensor.h"
#include "numerics/Vector.h"

class CBondPoint;

// The part of an atom the field evaluation reads: its nucleus position (bohr) and
// charge. The molecule's atoms derive from it, so an atom is passed directly.
class CNucleus {
public:
    CNucleus() = default;
    CNucleus(CVector position, double charge) : m_position(position), m_charge(charge) {}
    CVector GetPosition() const { return m_position; }
    double GetCharge() const { return m_charge; }

protected:
    CVector m_position;
    double m_charge = 0.0;
};

struct CEvalRequest {
    int fieldIndex = 0;                  // 0 rho, 1 L, 2 G, 3 K, 4 K + G; other indices give 0
    CVector point;                       // bohr
    double* value = nullptr;             // out, always written
    CVector* gradient = nullptr;         // out, optional
    CTensor* hessian = nullptr;          // out, optional; needs stress and stressDivergence
    CTensor* stress = nullptr;           // out: stress tensor
    CVector* stressDivergence = nullptr; // out: its divergence
    double* integrands = nullptr;        // out, optional: basin or surface integrand array
    const CNucleus* atomA = nullptr;     // optional: basin atom or first surface atom
    const CNucleus* atomB = nullptr;     // optional: second surface atom
    const CBondPoint* surface = nullptr; // non-null selects the surface layout
    CVector* normal = nullptr;           // in/out: surface normal
    const CVector* direction = nullptr;  // in, optional: second tangent of the surface
};
