#pragma once
// Shared by the kernel, field and integrand tests: wavefunctions built in code,
// the real fixtures, and an independent reference for primitive derivatives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "wavefunction/Wavefunction.h"

namespace evaltest {

struct Primitive {
    int centre; // 1-based nucleus number
    int type;   // 1..35
    double alpha;
    std::vector<double> coefficients; // one per MO
};

struct Model {
    std::vector<CVector> positions;
    std::vector<double> charges;
    std::vector<double> occupations;
    std::vector<double> energies; // zeros when empty
    std::vector<Primitive> primitives;
    int nTypes = 35;
    double virial = 2.0;
};

// Fills the records as the reader leaves them (primitives grouped by type, file
// order within a type) and allocates the working memory.
inline void Build(CWavefunction& w, const Model& m) {
    w.Clear();
    const int nNuclei = static_cast<int>(m.positions.size());
    const int nMOs = static_cast<int>(m.occupations.size());
    std::vector<Primitive> prims = m.primitives;
    std::stable_sort(prims.begin(), prims.end(),
                     [](const Primitive& a, const Primitive& b) { return a.type < b.type; });
    const int n = static_cast<int>(prims.size());

    auto atoms = std::make_unique<CAtomData>();
    atoms->m_pPositions = m.positions;
    atoms->m_pCharges = m.charges;
    atoms->m_labels.assign(m.positions.size(), "X");
    auto orbitals = std::make_unique<COrbitalData>();
    orbitals->m_pOccupations = m.occupations;
    orbitals->m_pEnergies = m.energies.empty() ? std::vector<double>(m.occupations.size(), 0.0) : m.energies;
    for (double o : m.occupations)
        orbitals->m_pSqrtOccupations.push_back(std::sqrt(std::fabs(o)));
    auto data = std::make_unique<CPrimitiveData>();
    data->m_nPrimitives = n;
    data->m_pCoefficients.assign(static_cast<std::size_t>(nMOs) * n, 0.0);
    data->m_pMaxCoefficient.assign(nMOs, 0.0);
    data->m_pTypeEnd.assign(m.nTypes, 0);
    for (int p = 0; p < n; ++p) {
        const Primitive& q = prims[p];
        data->m_pExponents.push_back(q.alpha);
        data->m_pMinus2Alpha.push_back(-2.0 * q.alpha);
        data->m_pInvMinus2Alpha.push_back(1.0 / (-2.0 * q.alpha));
        data->m_pCentres.push_back(q.centre);
        data->m_pTypes.push_back(q.type);
        for (int k = 0; k < nMOs; ++k)
            data->m_pCoefficients[static_cast<std::size_t>(k) * n + p] = q.coefficients[k];
    }
    for (int t = 1; t <= m.nTypes; ++t)
        data->m_pTypeEnd[t - 1] = static_cast<int>(
            std::count_if(prims.begin(), prims.end(), [t](const Primitive& q) { return q.type <= t; }));

    w.m_pAtomData = std::move(atoms);
    w.m_pOrbitalData = std::move(orbitals);
    w.m_pPrimitiveData = std::move(data);
    w.m_nNuclei = nNuclei;
    w.m_nMOs = nMOs;
    w.m_nPrimitives = n;
    w.m_nTypes = m.nTypes;
    w.m_dVirial = m.virial;
    ASSERT_EQ(w.AllocWorkingMemory(nNuclei, nMOs, n), 1);
}

inline void LoadFixture(CWavefunction& w, const std::string& name) {
    std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/" + name);
    ASSERT_TRUE(in) << name;
    ASSERT_EQ(w.ReadWfn(in), 1) << w.m_strError;
}

// The angular exponents of a type and the derivative orders of a component,
// counted from their labels.
inline const char* const kTypeLabels[35] = {
    "",     "x",    "y",    "z",    "xx",   "yy",   "zz",   "xy",   "xz",   "yz",   "xxx",  "yyy",
    "zzz",  "xxy",  "xxz",  "yyz",  "xyy",  "xzz",  "yzz",  "xyz",  "xxxx", "yyyy", "zzzz", "xxxy",
    "xxxz", "xyyy", "yyyz", "xzzz", "yzzz", "xxyy", "xxzz", "yyzz", "xxyz", "xyyz", "xyzz"};
// Index 4 is the Laplacian.
inline const char* const kComponentLabels[36] = {
    "",     "x",    "y",    "z",    "lap",  "xx",   "yy",   "zz",   "xy",   "xz",   "yz",   "xxx",
    "xxy",  "xxz",  "xyy",  "yyy",  "yyz",  "xzz",  "yzz",  "zzz",  "xyz",  "xxxx", "xxxy", "xxxz",
    "xxyy", "xxzz", "xyyy", "xzzz", "xxyz", "xyyz", "xyzz", "yyyy", "yyyz", "yyzz", "yzzz", "zzzz"};

struct Orders {
    int x = 0, y = 0, z = 0;
};

inline Orders Count(const char* label) {
    Orders o;
    for (const char* c = label; *c; ++c) {
        o.x += *c == 'x';
        o.y += *c == 'y';
        o.z += *c == 'z';
    }
    return o;
}

// d^i/dx^i [x^l exp(-a x^2)] / exp(-a x^2), differentiating a dense polynomial.
inline double Factor1D(int l, int i, double a, double x) {
    std::vector<double> c(static_cast<std::size_t>(l + i + 1), 0.0);
    c[l] = 1.0;
    for (int step = 0; step < i; ++step) {
        std::vector<double> next(c.size(), 0.0);
        for (std::size_t j = 0; j < c.size(); ++j) {
            if (j > 0) next[j - 1] += static_cast<double>(j) * c[j];
            if (j + 1 < c.size()) next[j + 1] += -2.0 * a * c[j];
        }
        c = next;
    }
    double sum = 0.0, power = 1.0;
    for (double coefficient : c) {
        sum += coefficient * power;
        power *= x;
    }
    return sum;
}

// Component `component` of a primitive of `type` with exponent a at offset d from its centre.
inline double ReferenceComponent(int type, int component, double a, CVector d) {
    const Orders t = Count(kTypeLabels[type - 1]);
    const double e = std::exp(-a * (d.x * d.x + d.y * d.y + d.z * d.z));
    const auto term = [&](Orders o) {
        return Factor1D(t.x, o.x, a, d.x) * Factor1D(t.y, o.y, a, d.y) * Factor1D(t.z, o.z, a, d.z) * e;
    };
    if (component == 4) return term({2, 0, 0}) + term({0, 2, 0}) + term({0, 0, 2});
    return term(Count(kComponentLabels[component]));
}

// MO component c as the kernel's arrays hold it.
inline double MOComponent(const CWavefunction& w, int k, int c) {
    if (c == 0) return w.m_pMOValue[k];
    if (c <= 3) {
        const CVector g = w.m_pMOGradient[k];
        return c == 1 ? g.x : (c == 2 ? g.y : g.z);
    }
    if (c == 4) return w.m_pMOLaplacian[k];
    if (c <= 10) {
        const CTensor& h = w.m_pMOHessian[k];
        const double v[6] = {h.xx, h.yy, h.zz, h.xy, h.xz, h.yz};
        return v[c - 5];
    }
    if (c <= 20) return w.m_pMOThird[c - 11][k];
    return w.m_pMOFourth[c - 21][k];
}

// The kernel level from which a component is written.
inline int WrittenFrom(int c) {
    return c == 0 ? 0 : c <= 4 ? 1 : c <= 10 ? 2 : c <= 20 ? 3 : 4;
}

// |a - b| within rel * (|b| + scale).
inline ::testing::AssertionResult Close(double a, double b, double rel, double scale = 1.0) {
    if (std::fabs(a - b) <= rel * (std::fabs(b) + scale)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " vs " << b << " (difference " << a - b << ")";
}

} // namespace evaltest
