#pragma once
// Orbital sums of the field evaluation that the integrand arrays are formed
// from. Internal to the wavefunction library.

#include "numerics/Tensor.h"
#include "numerics/Vector.h"
#include "wavefunction/EvalRequest.h"

class CWavefunction;

struct CFieldSums {
    double rho = 0.0;
    double G = 0.0; // 1/2 sum n grad phi . grad phi
    double K = 0.0; // -1/2 sum n phi lap phi
    double L = 0.0; // -1/4 lap rho
    CVector gradRho;
    // Only formed when an output or an integrand entry can use them; zero otherwise.
    CTensor sigma;
    CVector divergence;
};

// Basin layout: 47 + n(n+1)/2 entries. Writes the wavefunction's m_pNucVec and m_pNucDist.
void FillBasinIntegrands(CWavefunction& w, const CFieldSums& s, const CEvalRequest& request);
// Surface layout: 25 entries; settles the normal first (request.normal, in/out).
void FillSurfaceIntegrands(CWavefunction& w, const CFieldSums& s, const CEvalRequest& request);
