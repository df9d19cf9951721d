// Field evaluation: the five scalar fields with analytic gradient and Hessian,
// the stress tensor and its divergence, and the integrand arrays, from the MO
// data the kernel leaves in the working memory.

#include <algorithm>
#include <cmath>

#include "numerics/Options.h"
#include "wavefunction/FieldSums.h"
#include "wavefunction/Simd.h"
#include "wavefunction/Wavefunction.h"

namespace {

// Component numbers of the kernel's table.
enum : int { kV = 0, kX = 1, kY = 2, kZ = 3, kLap = 4, kXX = 5, kYY, kZZ, kXY, kXZ, kYZ };

// Hessian index pairs in the order xx, yy, zz, xy, xz, yz.
constexpr int kPairI[6] = {0, 1, 2, 0, 0, 1};
constexpr int kPairJ[6] = {0, 1, 2, 1, 2, 2};

// The orbital sums of one request, eight MOs at a time (the padding MOs have
// occupation 0 and zero components). Accumulators are named values, not
// arrays, so that they stay in registers.
struct COrbitalSums {
    // In.
    const double* mo; // component-major MO components, `pad` apart
    int pad;
    const double* occupations;
    int field;
    bool rhoOnly;    // the density alone (MO values only); else also grad rho, grad phi . grad phi, phi lap phi
    bool gradient;   // of the field
    bool hessian;    // of the field
    bool stress;     // sigma
    bool divergence; // its divergence
    // Out.
    double rho, gradSq, phiLap, gradRho[3], sigma[6], divergence3[3], grad[3], hess[6];
};

using zelsimd::v8d;

#define ZEL_ROW(c) zelsimd::Load(mo + (c)*pad + b)

ZEL_INLINE void SumRho(COrbitalSums& s) {
    using namespace zelsimd;
    const double* mo = s.mo;
    const int pad = s.pad;
    v8d rho{};
    for (int b = 0; b < pad; b += kLanes) {
        const v8d f = ZEL_ROW(kV);
        rho += Load(s.occupations + b) * f * f;
    }
    s.rho = Sum(rho);
}

ZEL_INLINE void SumBasic(COrbitalSums& s) {
    using namespace zelsimd;
    const double* mo = s.mo;
    const int pad = s.pad;
    v8d rho{}, gradSq{}, phiLap{}, gx{}, gy{}, gz{};
    for (int b = 0; b < pad; b += kLanes) {
        const v8d n = Load(s.occupations + b), f = ZEL_ROW(kV);
        const v8d x = ZEL_ROW(kX), y = ZEL_ROW(kY), z = ZEL_ROW(kZ);
        rho += n * f * f;
        gradSq += n * (x * x + y * y + z * z);
        phiLap += n * f * ZEL_ROW(kLap);
        gx += n * f * x;
        gy += n * f * y;
        gz += n * f * z;
    }
    s.rho = Sum(rho);
    s.gradSq = Sum(gradSq);
    s.phiLap = Sum(phiLap);
    s.gradRho[0] = Sum(gx);
    s.gradRho[1] = Sum(gy);
    s.gradRho[2] = Sum(gz);
}

// sigma_ij = 1/2 sum n (phi phi_ij - phi_i phi_j); D_i = 1/2 sum n (phi d_i lap phi - phi_i lap phi).
ZEL_INLINE void SumStress(COrbitalSums& s) {
    using namespace zelsimd;
    const double* mo = s.mo;
    const int pad = s.pad;
    v8d sxx{}, syy{}, szz{}, sxy{}, sxz{}, syz{}, dx{}, dy{}, dz{};
    for (int b = 0; b < pad; b += kLanes) {
        const v8d n = 0.5 * Load(s.occupations + b), f = ZEL_ROW(kV);
        const v8d x = ZEL_ROW(kX), y = ZEL_ROW(kY), z = ZEL_ROW(kZ);
        sxx += n * (f * ZEL_ROW(kXX) - x * x);
        syy += n * (f * ZEL_ROW(kYY) - y * y);
        szz += n * (f * ZEL_ROW(kZZ) - z * z);
        sxy += n * (f * ZEL_ROW(kXY) - x * y);
        sxz += n * (f * ZEL_ROW(kXZ) - x * z);
        syz += n * (f * ZEL_ROW(kYZ) - y * z);
        if (s.divergence) {
            const v8d lap = ZEL_ROW(kLap);
            dx += n * (f * (ZEL_ROW(11) + ZEL_ROW(14) + ZEL_ROW(17)) - x * lap);
            dy += n * (f * (ZEL_ROW(12) + ZEL_ROW(15) + ZEL_ROW(18)) - y * lap);
            dz += n * (f * (ZEL_ROW(13) + ZEL_ROW(16) + ZEL_ROW(19)) - z * lap);
        }
    }
    const v8d sigma[6] = {sxx, syy, szz, sxy, sxz, syz};
    for (int c = 0; c < 6; ++c)
        s.sigma[c] = Sum(sigma[c]);
    s.divergence3[0] = Sum(dx);
    s.divergence3[1] = Sum(dy);
    s.divergence3[2] = Sum(dz);
}

// Gradient and Hessian of the density, and with Rho the density too (as
// SumRho forms it).
template <bool Hessian, bool Rho> ZEL_INLINE void SumDensityDerivatives(COrbitalSums& s) {
    using namespace zelsimd;
    const double* mo = s.mo;
    const int pad = s.pad;
    v8d rho{}, gx{}, gy{}, gz{}, hxx{}, hyy{}, hzz{}, hxy{}, hxz{}, hyz{};
    for (int b = 0; b < pad; b += kLanes) {
        const v8d occ = Load(s.occupations + b), f = ZEL_ROW(kV);
        if constexpr (Rho) rho += occ * f * f;
        const v8d n = 2.0 * occ;
        const v8d x = ZEL_ROW(kX), y = ZEL_ROW(kY), z = ZEL_ROW(kZ);
        gx += n * f * x;
        gy += n * f * y;
        gz += n * f * z;
        if constexpr (Hessian) {
            hxx += n * (f * ZEL_ROW(kXX) + x * x);
            hyy += n * (f * ZEL_ROW(kYY) + y * y);
            hzz += n * (f * ZEL_ROW(kZZ) + z * z);
            hxy += n * (f * ZEL_ROW(kXY) + x * y);
            hxz += n * (f * ZEL_ROW(kXZ) + x * z);
            hyz += n * (f * ZEL_ROW(kYZ) + y * z);
        }
    }
    if constexpr (Hessian) {
        // Eight of the ten sums at once.
        const v8d first[8] = {gx, gy, gz, hxx, hyy, hzz, hxy, hxz};
        const v8d sums = SumEight(first);
        for (int i = 0; i < 3; ++i)
            s.grad[i] = sums[i];
        for (int c = 0; c < 5; ++c)
            s.hess[c] = sums[3 + c];
        s.hess[5] = Sum(hyz);
        if constexpr (Rho) s.rho = Sum(rho);
    } else {
        if constexpr (Rho) s.rho = Sum(rho);
        const v8d grad[3] = {gx, gy, gz};
        for (int i = 0; i < 3; ++i)
            s.grad[i] = Sum(grad[i]);
    }
}

// Gradient and Hessian of fields 1 to 4 as n (cG X + cK Y), X the G terms
// sum_l phi_l phi_il (gradient) and sum_l (phi_il phi_jl + phi_l phi_ijl)
// (Hessian), Y the K terms phi_i lap + phi d_i lap and phi_ij lap + phi_i d_j lap
// + phi_j d_i lap + phi d_ij lap.
template <bool Hessian, bool KTerms>
ZEL_INLINE void SumFieldDerivatives(COrbitalSums& s, double cG, double cK) {
    using namespace zelsimd;
    const double* mo = s.mo;
    const int pad = s.pad;
    v8d gx{}, gy{}, gz{}, hxx{}, hyy{}, hzz{}, hxy{}, hxz{}, hyz{};
    for (int b = 0; b < pad; b += kLanes) {
        const v8d occ = Load(s.occupations + b);
        const v8d nG = cG * occ, nK = cK * occ;
        const v8d f = ZEL_ROW(kV), x = ZEL_ROW(kX), y = ZEL_ROW(kY), z = ZEL_ROW(kZ), lap = ZEL_ROW(kLap);
        const v8d Hxx = ZEL_ROW(kXX), Hyy = ZEL_ROW(kYY), Hzz = ZEL_ROW(kZZ);
        const v8d Hxy = ZEL_ROW(kXY), Hxz = ZEL_ROW(kXZ), Hyz = ZEL_ROW(kYZ);
        gx += nG * (x * Hxx + y * Hxy + z * Hxz);
        gy += nG * (x * Hxy + y * Hyy + z * Hyz);
        gz += nG * (x * Hxz + y * Hyz + z * Hzz);
        v8d lx{}, ly{}, lz{};
        if constexpr (KTerms) {
            lx = ZEL_ROW(11) + ZEL_ROW(14) + ZEL_ROW(17);
            ly = ZEL_ROW(12) + ZEL_ROW(15) + ZEL_ROW(18);
            lz = ZEL_ROW(13) + ZEL_ROW(16) + ZEL_ROW(19);
            gx += nK * (x * lap + f * lx);
            gy += nK * (y * lap + f * ly);
            gz += nK * (z * lap + f * lz);
        }
        if constexpr (Hessian) {
            const v8d Txxx = ZEL_ROW(11), Txxy = ZEL_ROW(12), Txxz = ZEL_ROW(13), Txyy = ZEL_ROW(14);
            const v8d Tyyy = ZEL_ROW(15), Tyyz = ZEL_ROW(16), Txzz = ZEL_ROW(17), Tyzz = ZEL_ROW(18);
            const v8d Tzzz = ZEL_ROW(19), Txyz = ZEL_ROW(20);
            hxx += nG * (Hxx * Hxx + Hxy * Hxy + Hxz * Hxz + x * Txxx + y * Txxy + z * Txxz);
            hyy += nG * (Hxy * Hxy + Hyy * Hyy + Hyz * Hyz + x * Txyy + y * Tyyy + z * Tyyz);
            hzz += nG * (Hxz * Hxz + Hyz * Hyz + Hzz * Hzz + x * Txzz + y * Tyzz + z * Tzzz);
            hxy += nG * (Hxx * Hxy + Hxy * Hyy + Hxz * Hyz + x * Txxy + y * Txyy + z * Txyz);
            hxz += nG * (Hxx * Hxz + Hxy * Hyz + Hxz * Hzz + x * Txxz + y * Txyz + z * Txzz);
            hyz += nG * (Hxy * Hxz + Hyy * Hyz + Hyz * Hzz + x * Txyz + y * Tyyz + z * Tyzz);
            if constexpr (KTerms) {
                const v8d q24 = ZEL_ROW(24), q25 = ZEL_ROW(25), q33 = ZEL_ROW(33);
                hxx += nK * (Hxx * lap + 2.0 * x * lx + f * (ZEL_ROW(21) + q24 + q25));
                hyy += nK * (Hyy * lap + 2.0 * y * ly + f * (q24 + ZEL_ROW(31) + q33));
                hzz += nK * (Hzz * lap + 2.0 * z * lz + f * (q25 + q33 + ZEL_ROW(35)));
                hxy += nK * (Hxy * lap + x * ly + y * lx + f * (ZEL_ROW(22) + ZEL_ROW(26) + ZEL_ROW(30)));
                hxz += nK * (Hxz * lap + x * lz + z * lx + f * (ZEL_ROW(23) + ZEL_ROW(29) + ZEL_ROW(27)));
                hyz += nK * (Hyz * lap + y * lz + z * ly + f * (ZEL_ROW(28) + ZEL_ROW(32) + ZEL_ROW(34)));
            }
        }
    }
    const v8d grad[3] = {gx, gy, gz}, hess[6] = {hxx, hyy, hzz, hxy, hxz, hyz};
    for (int i = 0; i < 3; ++i)
        s.grad[i] = Sum(grad[i]);
    if constexpr (Hessian)
        for (int c = 0; c < 6; ++c)
            s.hess[c] = Sum(hess[c]);
}

#undef ZEL_ROW

ZEL_CLONES void SumOrbitals(COrbitalSums& s) {
    // The density with its own derivatives: one pass over the orbitals.
    if (s.rhoOnly && !s.stress && s.field == 0 && s.gradient) {
        if (s.hessian)
            SumDensityDerivatives<true, true>(s);
        else
            SumDensityDerivatives<false, true>(s);
        return;
    }
    if (s.rhoOnly)
        SumRho(s);
    else
        SumBasic(s);
    if (s.stress) SumStress(s);
    if (!s.gradient) return;
    // Field 1 is K - G, field 4 is K + G; with K = -1/2 (K terms), G = G terms.
    const double cG[5] = {0.0, -1.0, 1.0, 0.0, 1.0};
    const double cK[5] = {0.0, -0.5, 0.0, -0.5, -0.5};
    const int field = s.field;
    if (field == 0) {
        if (s.hessian)
            SumDensityDerivatives<true, false>(s);
        else
            SumDensityDerivatives<false, false>(s);
    } else if (field == 2) {
        if (s.hessian)
            SumFieldDerivatives<true, false>(s, cG[field], cK[field]);
        else
            SumFieldDerivatives<false, false>(s, cG[field], cK[field]);
    } else {
        if (s.hessian)
            SumFieldDerivatives<true, true>(s, cG[field], cK[field]);
        else
            SumFieldDerivatives<false, true>(s, cG[field], cK[field]);
    }
}

void SetTensor(CTensor& t, const double (&h)[6]) {
    t = CTensor(h[0], h[1], h[2], h[3], h[4], h[5]);
}

} // namespace

int RequiredLevel(const CEvalRequest& request) {
    const int field = request.fieldIndex;
    const bool known = field >= 0 && field <= 4;
    const bool wantGradient = request.gradient != nullptr;
    const bool wantHessian = wantGradient && request.hessian != nullptr;
    // The stress tensor of field 0 needs second derivatives, its divergence
    // third ones; neither is formed unless asked for.
    const bool fieldStress = field == 0 && wantHessian && request.stress != nullptr;
    const bool fieldDivergence = field == 0 && wantHessian && request.stressDivergence != nullptr;

    // Only what a requested output can read: the density's value needs the MO
    // values alone, the other four fields' values the MO gradients and
    // Laplacians.
    int level = 0;
    if (request.integrands || (known && field != 0)) level = 1;
    if (field == 0 && wantGradient) level = std::max(level, 1);
    if (field == 0 && (wantHessian || fieldStress)) level = std::max(level, 2);
    if (fieldDivergence) level = std::max(level, 3);
    if (field == 2 && wantGradient) level = std::max(level, wantHessian ? 3 : 2);
    if ((field == 1 || field == 3 || field == 4) && wantGradient) level = std::max(level, wantHessian ? 4 : 3);
    if (request.integrands && request.atomA) level = std::max(level, 3);
    // Surface entry 18 needs the stress tensor, hence second derivatives, also
    // when atom B comes without atom A.
    if (request.integrands && request.atomB) level = std::max(level, 2);
    return level;
}

int EvaluateFromOrbitals(const CWavefunction& w, CEvalRequest& request, const double* mo, CVector* nucVec,
                         double* nucDist) {
    const int field = request.fieldIndex;
    const bool known = field >= 0 && field <= 4;
    const bool wantGradient = request.gradient != nullptr;
    const bool wantHessian = request.hessian != nullptr;
    const bool wantIntegrands = request.integrands != nullptr;
    const bool surface = request.surface != nullptr;
    const bool atomA = request.atomA != nullptr;
    const bool atomB = request.atomB != nullptr;

    // Outputs reset. The value is always asked for; a request without a place
    // for it still gets its other outputs.
    if (request.value) *request.value = 0.0;
    if (wantGradient) *request.gradient = CVector();
    if (wantHessian) {
        *request.hessian = CTensor();
        if (request.stress) *request.stress = CTensor();
        if (request.stressDivergence) *request.stressDivergence = CVector();
    }
    if (!known && !wantIntegrands) return 1;

    // The density alone: its orbital sum and nothing else.
    if (field == 0 && !wantGradient && !wantIntegrands) {
        COrbitalSums sums{};
        sums.mo = mo;
        sums.pad = w.m_kernel.m_nMOsPad;
        sums.occupations = w.m_kernel.m_occupations.data();
        sums.rhoOnly = true;
        SumOrbitals(sums);
        if (request.value) *request.value = sums.rho;
        return 1;
    }

    // Orbital sums, with sigma and its divergence only where an output or an
    // integrand entry can use them (the level guarantees their derivatives then).
    const bool fieldHessian = field == 0 && wantGradient && wantHessian;
    COrbitalSums sums{};
    sums.mo = mo;
    sums.pad = w.m_kernel.m_nMOsPad;
    sums.occupations = w.m_kernel.m_occupations.data();
    sums.field = field;
    sums.rhoOnly = field == 0 && !wantIntegrands;
    sums.gradient = known && wantGradient;
    sums.hessian = known && wantGradient && wantHessian;
    sums.stress = (fieldHessian && request.stress) || (wantIntegrands && (atomA || (surface && atomB)));
    sums.divergence = (fieldHessian && request.stressDivergence) || (wantIntegrands && atomA);
    SumOrbitals(sums);
    const double G = 0.5 * sums.gradSq, K = -0.5 * sums.phiLap;
    const double L = -0.25 * (2.0 * (sums.gradSq + sums.phiLap));

    // Integrands before the field's own outputs.
    if (wantIntegrands) {
        CFieldSums s;
        s.rho = sums.rho;
        s.G = G;
        s.K = K;
        s.L = L;
        s.gradRho = CVector(2.0 * sums.gradRho[0], 2.0 * sums.gradRho[1], 2.0 * sums.gradRho[2]);
        SetTensor(s.sigma, sums.sigma);
        s.divergence = CVector(sums.divergence3[0], sums.divergence3[1], sums.divergence3[2]);
        const CVector* positions = w.m_pAtomData->m_pPositions.data();
        const int nNuclei = w.m_kernel.m_nNuclei;
        for (int i = 0; i < nNuclei; ++i) {
            nucVec[i] = request.point - positions[i];
            nucDist[i] = std::max(nucVec[i].Length(), 1e-12);
        }
        const CIntegrandInput in{w, s, mo, nucVec, nucDist, nNuclei};
        if (surface)
            FillSurfaceIntegrands(in, request);
        else
            FillBasinIntegrands(in, request);
    }

    if (!known) return 1;
    // Value, then the analytic gradient and Hessian.
    const double values[5] = {sums.rho, L, G, K, K + G};
    if (request.value) *request.value = values[field];
    if (!wantGradient) return 1;

    const double* grad = sums.grad;
    *request.gradient = CVector(grad[0], grad[1], grad[2]);
    if (wantHessian) {
        SetTensor(*request.hessian, sums.hess);
        if (field == 0) {
            if (request.stress) SetTensor(*request.stress, sums.sigma);
            if (request.stressDivergence)
                *request.stressDivergence = CVector(sums.divergence3[0], sums.divergence3[1], sums.divergence3[2]);
        }
    }
    return 1;
}

int CWavefunction::Evaluate(CEvalRequest request) {
    const int field = request.fieldIndex;
    const bool known = field >= 0 && field <= 4;
    const bool wantGradient = request.gradient != nullptr;
    const bool wantHessian = request.hessian != nullptr;
    const bool wantIntegrands = request.integrands != nullptr;
    const bool surface = request.surface != nullptr;
    const bool atomA = request.atomA != nullptr;
    const bool atomB = request.atomB != nullptr;

    // 1. Derivative level: the lowest that yields every requested output.
    const int level = RequiredLevel(request);

    // 2. The kernel runs unless the arrays hold this point with at least this level.
    const bool hit = m_bCacheValid && request.point == m_lastPoint && field == m_nLastField &&
                     (!wantGradient || m_bLastGradient) && (!wantHessian || m_bLastHessian) &&
                     (!wantIntegrands || m_bLastIntegrands) && surface == (m_bLastSurface != 0) &&
                     (!atomA || m_bLastAtomA) && (!atomB || m_bLastAtomB) && level <= m_nLastLevel;
    const int result = hit ? 1 : EvaluatePrimitives(request.point, level);
    m_bLastGradient = wantGradient;
    m_bLastHessian = wantHessian;
    m_bLastIntegrands = wantIntegrands;
    m_bLastSurface = surface;
    m_bLastAtomA = atomA;
    m_bLastAtomB = atomB;
    if (!result) {
        // The flags now describe a request whose data were never computed, so
        // no later request may reuse the arrays.
        m_bCacheValid = false;
        m_strError = "Evaluation of Wavefunction not successful";
        return 0;
    }
    if (!hit) m_nLastLevel = level;
    m_nLastField = field;
    m_lastPoint = request.point;
    m_bCacheValid = true;

    // 3.-5. Outputs from the orbitals.
    double unusedValue = 0.0;
    if (!request.value) request.value = &unusedValue;
    EvaluateFromOrbitals(*this, request, m_kernelMO.data(), m_pNucVec.data(), m_pNucDist.data());
    if (known || !wantGradient) return 1;

    // 6. Any other field index: value 0, derivatives by central differences of
    // recursive value evaluations with the gradient tolerance as step.
    const double h = g_pCritOptions->GradientTolerance.Current;
    // Without a positive step there is nothing to difference; the derivatives of
    // the zero field are 0, which the outputs already hold.
    if (!(h > 0.0)) return 1;
    const CVector r = request.point;
    const double f0 = *request.value;
    double f[6];
    const auto at = [&](CVector p, double& out) {
        CEvalRequest inner;
        inner.fieldIndex = field;
        inner.point = p;
        inner.value = &out;
        return Evaluate(inner) != 0;
    };
    const CVector axes[3] = {CVector(h, 0.0, 0.0), CVector(0.0, h, 0.0), CVector(0.0, 0.0, h)};
    for (int i = 0; i < 3; ++i) {
        if (!at(r + axes[i], f[2 * i]) || !at(r - axes[i], f[2 * i + 1])) return 0;
    }
    *request.gradient = CVector((f[0] - f[1]) * 0.5 / h, (f[2] - f[3]) * 0.5 / h, (f[4] - f[5]) * 0.5 / h);
    if (!wantHessian) return 1;
    const double h2 = h * h;
    double hess[6];
    for (int i = 0; i < 3; ++i)
        hess[i] = (f[2 * i] - 2.0 * f0 + f[2 * i + 1]) / h2;
    for (int c = 3; c < 6; ++c) {
        const int i = kPairI[c], j = kPairJ[c];
        double fij = 0.0;
        if (!at(r + axes[i] + axes[j], fij)) return 0;
        hess[c] = (fij - f[2 * j] - f[2 * i] + f0) / h2;
    }
    SetTensor(*request.hessian, hess);
    return 1;
}
