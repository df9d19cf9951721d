// Integrand arrays of basin and interatomic-surface integration: the property
// densities at one point, from the orbital sums of the field evaluation.

#include <cmath>

#include "numerics/Matrix.h"
#include "wavefunction/FieldSums.h"
#include "wavefunction/Wavefunction.h"

namespace {

// Relative position and distance of an optional atom; (0, 0, 0) and 0 without one.
struct CAtomOffset {
    CVector d;
    double r = 0.0;
};

CAtomOffset OffsetFrom(const CNucleus* atom, CVector point) {
    CAtomOffset o;
    if (atom) {
        o.d = point - atom->GetPosition();
        o.r = o.d.Length();
    }
    return o;
}

} // namespace

void FillBasinIntegrands(const CIntegrandInput& in, const CEvalRequest& request) {
    const CWavefunction& w = in.w;
    const CFieldSums& s = in.s;
    double* e = request.integrands;
    const double rho = s.rho, G = s.G, K = s.K, L = s.L;
    const double gamma = w.m_dVirial;
    const double c = -2.0 * (1.0 - gamma) / gamma;

    // Nuclear potential and field sum over all nuclei (distances floored at 1e-12).
    const double* charges = w.m_pAtomData->m_pCharges.data();
    double vn = 0.0;
    CVector field;
    for (int i = 0; i < in.nNuclei; ++i) {
        const double r = in.nucDist[i];
        vn -= charges[i] / r;
        field = field + (charges[i] / (r * r * r)) * in.nucVec[i];
    }

    const int nMOs = w.m_kernel.m_nMOs;
    const double* phi = in.mo;
    const double* occ = w.m_pOrbitalData->m_pOccupations.data();
    const double* energy = w.m_pOrbitalData->m_pEnergies.data();
    double electrons = 0.0, eOrb = 0.0;
    for (int k = 0; k < nMOs; ++k) {
        electrons += occ[k];
        eOrb += occ[k] * energy[k] * phi[k] * phi[k];
    }

    const CAtomOffset a = OffsetFrom(request.atomA, request.point);
    const bool inA = a.r > 0.0;
    const CVector d = a.d;
    const double rA = a.r;
    const double zA = request.atomA ? request.atomA->GetCharge() : 0.0;

    e[0] = rho;
    e[1] = L;
    e[2] = G;
    e[3] = K;
    e[4] = K + G;
    e[5] = (1.0 - gamma) * K;
    // A zero electron count leaves rho/N undefined; the entropy density is then 0.
    const double share = electrons != 0.0 ? rho / electrons : 0.0;
    e[6] = share > 0.0 && std::isfinite(share) ? -share * std::log(share) : 0.0;

    const double dGrad = d * s.gradRho;
    e[7] = inA ? rho / rA : 0.0;
    e[8] = inA ? rho * rA : 0.0;
    e[9] = inA ? rho * rA * rA : 0.0;
    e[10] = inA ? rho * rA * rA * rA * rA : 0.0;
    e[11] = inA ? dGrad / rA : 0.0;
    e[12] = inA ? dGrad : 0.0;
    e[13] = inA ? dGrad * rA : 0.0;
    e[14] = inA ? dGrad * rA * rA : 0.0;
    e[15] = inA ? -zA * rho / rA : 0.0;
    e[16] = inA ? c * e[15] : 0.0;
    e[17] = rho * vn;
    e[18] = c * rho * vn;
    e[19] = 0.5 * (K + rho * vn + eOrb);
    e[20] = c * (eOrb - e[19]) + (1.0 - gamma) * K - e[19];
    e[21] = e[18] + e[20];

    const double rA2 = rA * rA;
    e[22] = inA ? -rho * d.x : 0.0;
    e[23] = inA ? -rho * d.y : 0.0;
    e[24] = inA ? -rho * d.z : 0.0;
    e[25] = inA ? -rho * (3.0 * d.x * d.x - rA2) : 0.0;
    e[26] = inA ? -3.0 * rho * d.x * d.y : 0.0;
    e[27] = inA ? -3.0 * rho * d.x * d.z : 0.0;
    e[28] = inA ? -rho * (3.0 * d.y * d.y - rA2) : 0.0;
    e[29] = inA ? -3.0 * rho * d.y * d.z : 0.0;
    e[30] = inA ? -rho * (3.0 * d.z * d.z - rA2) : 0.0;
    const double zr3 = inA ? zA * rho / (rA2 * rA) : 0.0;
    e[31] = inA ? zr3 * d.x : 0.0;
    e[32] = inA ? zr3 * d.y : 0.0;
    e[33] = inA ? zr3 * d.z : 0.0;
    e[34] = inA ? rho * field.x - e[31] : 0.0;
    e[35] = inA ? rho * field.y - e[32] : 0.0;
    e[36] = inA ? rho * field.z - e[33] : 0.0;

    e[37] = rho * L;
    e[38] = rho >= 0.001 ? 1e-12 : 0.0;
    e[39] = rho >= 0.002 ? 1e-12 : 0.0;
    e[40] = rho >= 0.001 ? rho : 0.0;
    e[41] = rho >= 0.002 ? rho : 0.0;

    const CVector D = s.divergence;
    e[42] = inA ? -D.x : 0.0;
    e[43] = inA ? -D.y : 0.0;
    e[44] = inA ? -D.z : 0.0;
    e[45] = inA ? -(d * D) : 0.0;
    e[46] = inA ? d * D - 2.0 * G - L : 0.0;

    // Orbital pair products, lower triangle row by row.
    double* overlap = e + 47;
    for (int i = 0; i < nMOs; ++i) {
        const double pi = phi[i];
        for (int j = 0; j <= i; ++j)
            overlap[j] = pi * phi[j];
        overlap += i + 1;
    }
}

void FillSurfaceIntegrands(const CIntegrandInput& in, const CEvalRequest& request) {
    const CFieldSums& s = in.s;
    double* e = request.integrands;

    // 1. The normal: orthogonal to grad rho and to the second tangent, on the
    // side of the incoming normal, as a unit vector. A zero incoming normal
    // (or none at all) is no normal: it stays (0, 0, 0), and so every entry
    // that projects on it (4 to 23) is 0.
    CVector nu = request.normal ? *request.normal : CVector();
    if (request.normal && request.direction) {
        const CVector t = *request.direction;
        const CMatrix rows(CVector(s.gradRho.x, t.x, nu.x), CVector(s.gradRho.y, t.y, nu.y),
                           CVector(s.gradRho.z, t.z, nu.z));
        CVector x;
        if (rows.Solve(CVector(0.0, 0.0, 1.0), x)) nu = x;
        const double length = nu.Length();
        if (length > 0.0) nu = nu / length;
        *request.normal = nu;
    }

    const double rho = s.rho;
    const CAtomOffset a = OffsetFrom(request.atomA, request.point);
    const CAtomOffset b = OffsetFrom(request.atomB, request.point);
    const bool inA = a.r > 0.0, inB = b.r > 0.0;
    const double rA = a.r, rB = b.r;
    const double tA = rho * (a.d * nu), tB = rho * (b.d * nu);

    e[0] = rho;
    e[1] = s.G;
    e[2] = s.K;
    e[3] = s.L;
    e[4] = s.gradRho * nu;
    e[5] = inA ? tA / rA : 0.0;
    e[6] = inA ? tA : 0.0;
    e[7] = inA ? tA * rA : 0.0;
    e[8] = inA ? tA * rA * rA : 0.0;
    e[9] = inB ? -tB / rB : 0.0;
    e[10] = inB ? -tB : 0.0;
    e[11] = inB ? -tB * rB : 0.0;
    e[12] = inB ? -tB * rB * rB : 0.0;
    e[13] = inA ? tA / rA - (inB ? tB / rB : 0.0) : 0.0;
    e[14] = inA ? tA - tB : 0.0;
    e[15] = inA ? tA * rA - tB * rB : 0.0;
    e[16] = inA ? tA * rA * rA - tB * rB * rB : 0.0;

    const CVector sn = s.sigma * nu;
    e[17] = inA ? a.d * sn : 0.0;
    e[18] = inB ? -(b.d * sn) : 0.0;
    e[19] = inA ? a.d * sn - b.d * sn : 0.0;
    e[20] = inA ? sn.x : 0.0;
    e[21] = inA ? sn.y : 0.0;
    e[22] = inA ? sn.z : 0.0;
    e[23] = inA ? 2.0 * (s.divergence * nu) : 0.0;
    e[24] = rho >= 0.001 ? 1e-12 : 0.0;
}
