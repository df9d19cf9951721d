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

// What the integrand arrays read besides the sums: the contracted MO rows of
// the evaluating thread and its per-nucleus offsets r - R with their lengths
// (floored at 1e-12).
struct CIntegrandInput {
    const CWavefunction& w;
    const CFieldSums& s;
    const double* mo;
    const CVector* nucVec;
    const double* nucDist;
    int nNuclei;
};

// Basin layout: 47 + n(n+1)/2 entries.
void FillBasinIntegrands(const CIntegrandInput& in, const CEvalRequest& request);
// Surface layout: 25 entries; settles the normal first (request.normal, in/out).
void FillSurfaceIntegrands(const CIntegrandInput& in, const CEvalRequest& request);

// The lowest kernel level that yields every output the request asks for.
int RequiredLevel(const CEvalRequest& request);

// Resets the request's outputs and forms them from the MO rows of a kernel
// call at the request's point with at least RequiredLevel (fields 0 to 4 and
// the integrand arrays; other field indices get zeros). `request.value` may
// be null. nucVec and nucDist are written when integrands are asked for.
int EvaluateFromOrbitals(const CWavefunction& w, CEvalRequest& request, const double* mo, CVector* nucVec,
                         double* nucDist);
