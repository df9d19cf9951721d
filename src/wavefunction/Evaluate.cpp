// Field evaluation: the five scalar fields with analytic gradient and Hessian,
// the stress tensor and its divergence, and the integrand arrays, from the MO
// data the kernel leaves in the working memory.

#include <algorithm>
#include <cmath>

#include "numerics/Options.h"
#include "wavefunction/FieldSums.h"
#include "wavefunction/Wavefunction.h"

namespace {

// Component numbers of the kernel's table.
enum : int { kV = 0, kX = 1, kY = 2, kZ = 3, kLap = 4, kXX = 5, kYY, kZZ, kXY, kXZ, kYZ };

// Third derivative (i, j, l), each 0..2 for x, y, z.
constexpr int ThirdComponent(int i, int j, int l) {
    int n[3] = {0, 0, 0};
    ++n[i];
    ++n[j];
    ++n[l];
    // xxx xxy xxz xyy yyy yyz xzz yzz zzz xyz
    constexpr int kCounts[10][3] = {{3, 0, 0}, {2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 3, 0},
                                    {0, 2, 1}, {1, 0, 2}, {0, 1, 2}, {0, 0, 3}, {1, 1, 1}};
    for (int c = 0; c < 10; ++c)
        if (kCounts[c][0] == n[0] && kCounts[c][1] == n[1] && kCounts[c][2] == n[2]) return 11 + c;
    return -1;
}

// Second derivative (i, j).
constexpr int SecondComponent(int i, int j) {
    if (i == j) return kXX + i;
    const int sum = i + j; // xy 1, xz 2, yz 3
    return sum == 1 ? kXY : (sum == 2 ? kXZ : kYZ);
}

// Hessian index pairs in the order xx, yy, zz, xy, xz, yz.
constexpr int kPairI[6] = {0, 1, 2, 0, 0, 1};
constexpr int kPairJ[6] = {0, 1, 2, 1, 2, 2};
// d_ij (Laplacian phi) as sums of three fourth derivatives, same order.
constexpr int kLapFourth[6][3] = {{21, 24, 25}, {24, 31, 33}, {25, 33, 35},
                                  {22, 26, 30}, {23, 29, 27}, {28, 32, 34}};
// d_i (Laplacian phi) as sums of three third derivatives.
constexpr int kLapThird[3][3] = {{11, 14, 17}, {12, 15, 18}, {13, 16, 19}};

void SetTensor(CTensor& t, const double (&h)[6]) {
    t = CTensor(h[0], h[1], h[2], h[3], h[4], h[5]);
}

} // namespace

int CWavefunction::Evaluate(CEvalRequest request) {
    const int field = request.fieldIndex;
    const bool known = field >= 0 && field <= 4;
    const bool wantGradient = request.gradient != nullptr;
    const bool wantHessian = request.hessian != nullptr;
    const bool wantIntegrands = request.integrands != nullptr;
    const bool surface = request.surface != nullptr;
    const bool atomA = request.atomA != nullptr;
    const bool atomB = request.atomB != nullptr;

    // 1. Derivative level: only what a requested output can read.
    int level = 0;
    if (wantIntegrands || known) level = 1;
    if (wantGradient && !wantHessian) {
        if (field == 2)
            level = std::max(level, 2);
        else if (known)
            level = std::max(level, 3);
    }
    if (wantHessian && (field == 0 || field == 2)) level = std::max(level, 3);
    if (atomA) level = std::max(level, 3);
    // Surface entry 18 needs the stress tensor, hence second derivatives, also
    // when atom B comes without atom A.
    if (atomB) level = std::max(level, 2);
    if (wantHessian && (field == 1 || field == 3 || field == 4)) level = 4;

    // 2. The kernel runs unless the arrays hold this point with at least this level.
    const bool hit = m_bCacheValid && request.point == m_lastPoint && field == m_nLastField &&
                     (!wantGradient || m_bLastGradient) && (!wantHessian || m_bLastHessian) &&
                     (!wantIntegrands || m_bLastIntegrands) && surface == (m_bLastSurface != 0) &&
                     (!atomA || m_bLastAtomA) && (!atomB || m_bLastAtomB);
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
    m_nLastField = field;
    m_lastPoint = request.point;
    m_bCacheValid = true;

    // 3. Outputs reset.
    *request.value = 0.0;
    if (wantGradient) *request.gradient = CVector();
    if (wantHessian) {
        *request.hessian = CTensor();
        if (request.stress) *request.stress = CTensor();
        if (request.stressDivergence) *request.stressDivergence = CVector();
    }
    if (!known && !wantIntegrands && !wantGradient) return 1;

    // 4. Orbital sums.
    const int nMOs = m_kernel.m_nMOs;
    const int pad = m_kernel.m_nMOsPad;
    const double* mo = m_kernel.m_mo.data();
    const auto row = [&](int c) { return mo + static_cast<std::ptrdiff_t>(c) * pad; };
    const double* occ = m_pOrbitalData->m_pOccupations.data();
    const double* phi = row(kV);
    const double *px = row(kX), *py = row(kY), *pz = row(kZ), *lap = row(kLap);

    CFieldSums s;
    if (known || wantIntegrands) {
        double rho = 0.0, gradSq = 0.0, phiLap = 0.0, gx = 0.0, gy = 0.0, gz = 0.0;
        for (int k = 0; k < nMOs; ++k) {
            const double n = occ[k];
            rho += n * phi[k] * phi[k];
            gradSq += n * (px[k] * px[k] + py[k] * py[k] + pz[k] * pz[k]);
            phiLap += n * phi[k] * lap[k];
            gx += n * phi[k] * px[k];
            gy += n * phi[k] * py[k];
            gz += n * phi[k] * pz[k];
        }
        s.rho = rho;
        s.G = 0.5 * gradSq;
        s.K = -0.5 * phiLap;
        s.L = -0.25 * (2.0 * (gradSq + phiLap));
        s.gradRho = CVector(2.0 * gx, 2.0 * gy, 2.0 * gz);
    }

    const bool fieldStress = field == 0 && wantGradient && wantHessian;
    const bool needStress = fieldStress || (wantIntegrands && (atomA || (surface && atomB)));
    const bool needDivergence = fieldStress || (wantIntegrands && atomA);
    if (needStress) {
        double sig[6] = {};
        for (int k = 0; k < nMOs; ++k) {
            const double n = 0.5 * occ[k];
            const double g[3] = {px[k], py[k], pz[k]};
            for (int c = 0; c < 6; ++c)
                sig[c] += n * (phi[k] * row(kXX + c)[k] - g[kPairI[c]] * g[kPairJ[c]]);
        }
        SetTensor(s.sigma, sig);
    }
    if (needDivergence) {
        double div[3] = {};
        for (int k = 0; k < nMOs; ++k) {
            const double n = 0.5 * occ[k];
            const double g[3] = {px[k], py[k], pz[k]};
            for (int i = 0; i < 3; ++i) {
                const double dLap =
                    row(kLapThird[i][0])[k] + row(kLapThird[i][1])[k] + row(kLapThird[i][2])[k];
                div[i] += n * (phi[k] * dLap - g[i] * lap[k]);
            }
        }
        s.divergence = CVector(div[0], div[1], div[2]);
    }

    // Integrands before the field's own outputs.
    if (wantIntegrands) {
        const CVector* positions = m_pAtomData->m_pPositions.data();
        const int nNuclei = static_cast<int>(m_pNucVec.size());
        for (int i = 0; i < nNuclei; ++i) {
            m_pNucVec[i] = request.point - positions[i];
            m_pNucDist[i] = std::max(m_pNucVec[i].Length(), 1e-12);
        }
        if (surface)
            FillSurfaceIntegrands(*this, s, request);
        else
            FillBasinIntegrands(*this, s, request);
    }

    if (known) {
        // 5. Value, then the analytic gradient and Hessian.
        const double values[5] = {s.rho, s.L, s.G, s.K, s.K + s.G};
        *request.value = values[field];
        if (!wantGradient) return 1;

        double grad[3] = {}, hess[6] = {};
        for (int k = 0; k < nMOs; ++k) {
            const double n = occ[k];
            const double f = phi[k];
            const double g[3] = {px[k], py[k], pz[k]};
            if (field == 0) {
                for (int i = 0; i < 3; ++i)
                    grad[i] += 2.0 * n * f * g[i];
                if (wantHessian)
                    for (int c = 0; c < 6; ++c)
                        hess[c] += 2.0 * n * (f * row(kXX + c)[k] + g[kPairI[c]] * g[kPairJ[c]]);
                continue;
            }
            // G and K terms of the other fields.
            double h2[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    h2[i][j] = row(SecondComponent(i, j))[k];
            const double lapPhi = lap[k];
            double gradG[3], gradK[3], dLap[3];
            for (int i = 0; i < 3; ++i) {
                gradG[i] = g[0] * h2[i][0] + g[1] * h2[i][1] + g[2] * h2[i][2];
                if (field != 2) {
                    dLap[i] = row(kLapThird[i][0])[k] + row(kLapThird[i][1])[k] + row(kLapThird[i][2])[k];
                    gradK[i] = g[i] * lapPhi + f * dLap[i];
                }
            }
            for (int i = 0; i < 3; ++i) {
                switch (field) {
                case 1:
                    grad[i] += -0.5 * n * (2.0 * gradG[i] + gradK[i]);
                    break;
                case 2:
                    grad[i] += n * gradG[i];
                    break;
                case 3:
                    grad[i] += -0.5 * n * gradK[i];
                    break;
                default:
                    grad[i] += n * gradG[i] - 0.5 * n * gradK[i];
                    break;
                }
            }
            if (!wantHessian) continue;
            for (int c = 0; c < 6; ++c) {
                const int i = kPairI[c], j = kPairJ[c];
                double hessG = 0.0;
                for (int l = 0; l < 3; ++l)
                    hessG += h2[i][l] * h2[j][l] + g[l] * row(ThirdComponent(i, j, l))[k];
                double hessK = 0.0;
                if (field != 2) {
                    const double dijLap =
                        row(kLapFourth[c][0])[k] + row(kLapFourth[c][1])[k] + row(kLapFourth[c][2])[k];
                    hessK = h2[i][j] * lapPhi + g[i] * dLap[j] + g[j] * dLap[i] + f * dijLap;
                }
                switch (field) {
                case 1:
                    hess[c] += -0.5 * n * (2.0 * hessG + hessK);
                    break;
                case 2:
                    hess[c] += n * hessG;
                    break;
                case 3:
                    hess[c] += -0.5 * n * hessK;
                    break;
                default:
                    hess[c] += n * hessG - 0.5 * n * hessK;
                    break;
                }
            }
        }
        *request.gradient = CVector(grad[0], grad[1], grad[2]);
        if (wantHessian) {
            SetTensor(*request.hessian, hess);
            if (field == 0) {
                if (request.stress) *request.stress = s.sigma;
                if (request.stressDivergence) *request.stressDivergence = s.divergence;
            }
        }
        return 1;
    }

    // 6. Any other field index: value 0, derivatives by central differences of
    // recursive value evaluations with the gradient tolerance as step.
    if (!wantGradient) return 1;
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
