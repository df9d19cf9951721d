// Integrand arrays of basin and surface integration: their entries against the
// fields, the stress tensor and its divergence evaluated separately, the
// divergence theorem's integrand by differences, one-nucleus identities, the
// thresholds, the orbital products and the surface normal.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EvalTestSupport.h"

using namespace evaltest;

namespace {

struct Fields {
    double rho = 0;
    CVector gradient;
    CTensor hessian, stress;
    CVector divergence;
};

// Density with gradient, Hessian, stress tensor and its divergence, evaluated on their own.
Fields Density(CWavefunction& w, CVector p) {
    Fields f;
    CEvalRequest r;
    r.point = p;
    r.value = &f.rho;
    r.gradient = &f.gradient;
    r.hessian = &f.hessian;
    r.stress = &f.stress;
    r.stressDivergence = &f.divergence;
    EXPECT_EQ(w.Evaluate(r), 1);
    return f;
}

double FieldValue(CWavefunction& w, int field, CVector p) {
    double v = 0;
    CEvalRequest r;
    r.fieldIndex = field;
    r.point = p;
    r.value = &v;
    EXPECT_EQ(w.Evaluate(r), 1);
    return v;
}

const double kUnwritten = -12345.0;

struct Integrands {
    std::vector<double> e;
    CVector normal;
};

Integrands Basin(CWavefunction& w, CVector p, const CNucleus* atomA, int field = 0) {
    Integrands out;
    out.e.assign(47 + w.m_nMOs * (w.m_nMOs + 1) / 2 + 1, kUnwritten);
    double value = 0;
    CEvalRequest r;
    r.fieldIndex = field;
    r.point = p;
    r.value = &value;
    r.integrands = out.e.data();
    r.atomA = atomA;
    EXPECT_EQ(w.Evaluate(r), 1);
    return out;
}

const CBondPoint* const kBond = reinterpret_cast<const CBondPoint*>(&kUnwritten); // only non-null matters

Integrands Surface(CWavefunction& w, CVector p, const CNucleus* atomA, const CNucleus* atomB, CVector* normal,
                   const CVector* direction = nullptr) {
    Integrands out;
    out.e.assign(26, kUnwritten);
    double value = 0;
    CEvalRequest r;
    r.point = p;
    r.value = &value;
    r.integrands = out.e.data();
    r.atomA = atomA;
    r.atomB = atomB;
    r.surface = kBond;
    r.normal = normal;
    r.direction = direction;
    EXPECT_EQ(w.Evaluate(r), 1);
    if (normal) out.normal = *normal;
    return out;
}

double Component(CVector v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}
CVector Axis(int i, double h) {
    return i == 0 ? CVector(h, 0, 0) : (i == 1 ? CVector(0, h, 0) : CVector(0, 0, h));
}

class WaterF : public ::testing::Test {
protected:
    void SetUp() override {
        LoadFixture(w, "water_f.wfn");
        oxygen = CNucleus(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
        hydrogen = CNucleus(w.m_pAtomData->m_pPositions[1], w.m_pAtomData->m_pCharges[1]);
    }
    CWavefunction w;
    CNucleus oxygen, hydrogen;
    const CVector p{0.25, 0.7, -0.45};
};

// One nucleus carrying an s and a p shell; three orbitals with energies.
Model OneNucleus(double occupation = 2.0) {
    Model m;
    m.positions = {CVector(0.1, -0.2, 0.3)};
    m.charges = {3.0};
    m.occupations = {occupation, 1.0, 0.5};
    m.energies = {-2.5, -0.4, -0.1};
    m.primitives = {{1, 1, 1.1, {0.9, 0.2, -0.3}},
                    {1, 1, 0.3, {0.3, -0.8, 0.1}},
                    {1, 2, 0.6, {0.0, 0.5, 0.7}},
                    {1, 4, 0.6, {0.1, -0.2, 0.4}}};
    return m;
}

} // namespace

TEST_F(WaterF, BasinEntriesAgreeWithTheFieldsAndTheStressTensor) {
    const Integrands in = Basin(w, p, &oxygen);
    const Fields f = Density(w, p);
    const CVector d = p - oxygen.GetPosition();
    for (int field = 0; field <= 4; ++field)
        EXPECT_TRUE(Close(in.e[field], FieldValue(w, field, p), 1e-14)) << "entry " << field;
    EXPECT_TRUE(Close(in.e[12], d * f.gradient, 1e-14));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Close(in.e[42 + i], -Component(f.divergence, i), 1e-14));
    EXPECT_TRUE(Close(in.e[45], -(d * f.divergence), 1e-14));

    // Entry 46 is div(sigma d) = d . D + trace sigma.
    const double h = 1e-4;
    double divergence = 0.0;
    for (int i = 0; i < 3; ++i) {
        const CVector up = p + Axis(i, h), down = p - Axis(i, h);
        divergence += (Component(Density(w, up).stress * (up - oxygen.GetPosition()), i) -
                       Component(Density(w, down).stress * (down - oxygen.GetPosition()), i)) /
                      (2 * h);
    }
    EXPECT_TRUE(Close(in.e[46], divergence, 1e-6, std::fabs(d * f.divergence)));
    EXPECT_EQ(in.e.back(), kUnwritten);
}

TEST_F(WaterF, BasinWithoutAtomALeavesTheAtomEntriesZero) {
    const Integrands in = Basin(w, p, nullptr);
    for (int k = 0; k < 47; ++k) {
        const bool atomEntry = (k >= 7 && k <= 16) || (k >= 22 && k <= 36) || k >= 42;
        if (atomEntry) {
            EXPECT_EQ(in.e[k], 0.0) << "entry " << k;
        } else if (k != 38 && k != 39) {
            EXPECT_NE(in.e[k], 0.0) << "entry " << k;
        }
    }
    EXPECT_EQ(in.e[38], 1e-12);
}

TEST(Integrands, OneNucleusIdentities) {
    // With one nucleus the potential and field of all nuclei are atom A's own;
    // a virial ratio of 2 makes the corrected entries equal the plain ones.
    const Model m = OneNucleus();
    CWavefunction w;
    Build(w, m);
    const CNucleus atom(m.positions[0], m.charges[0]);
    const CVector p = m.positions[0] + CVector(0.4, 0.3, -0.2);
    const Integrands in = Basin(w, p, &atom);
    const double rho = in.e[0], K = in.e[3], r = std::sqrt(0.4 * 0.4 + 0.3 * 0.3 + 0.2 * 0.2);
    EXPECT_TRUE(Close(in.e[7], rho / r, 1e-14));
    EXPECT_TRUE(Close(in.e[15], -3.0 * rho / r, 1e-14));
    EXPECT_TRUE(Close(in.e[17], in.e[15], 1e-14));
    for (int k = 34; k <= 36; ++k)
        EXPECT_NEAR(in.e[k], 0.0, 1e-14 * std::fabs(in.e[31])) << k;
    EXPECT_EQ(in.e[16], in.e[15]);
    EXPECT_EQ(in.e[18], in.e[17]);
    EXPECT_EQ(in.e[5], -K);
    double eOrb = 0.0;
    for (int k = 0; k < 3; ++k)
        eOrb += m.occupations[k] * m.energies[k] * w.m_pMOValue[k] * w.m_pMOValue[k];
    EXPECT_TRUE(Close(in.e[19], 0.5 * (K + in.e[17] + eOrb), 1e-14));
    const double share = rho / 3.5;
    EXPECT_TRUE(Close(in.e[6], -share * std::log(share), 1e-14));

    // On the nucleus the distance-dependent entries are 0 and the floor of
    // 1e-12 bounds the potential.
    const Integrands on = Basin(w, m.positions[0], &atom);
    for (int k : {7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 22, 25, 31, 34, 42, 45, 46})
        EXPECT_EQ(on.e[k], 0.0) << k;
    EXPECT_TRUE(Close(on.e[17], -3.0 * 1e12 * on.e[0], 1e-14));
}

TEST(Integrands, DensityThresholds) {
    // An s primitive of coefficient 1 at its centre has the value 1, so the
    // occupation is the density there.
    for (double rho : {0.0009999, 0.001, 0.002}) {
        Model m;
        m.positions = {CVector(0, 0, 0)};
        m.charges = {1.0};
        m.occupations = {rho};
        m.primitives = {{1, 1, 0.7, {1.0}}};
        CWavefunction w;
        Build(w, m);
        const Integrands in = Basin(w, CVector(0, 0, 0), nullptr);
        ASSERT_EQ(in.e[0], rho);
        EXPECT_EQ(in.e[38], rho >= 0.001 ? 1e-12 : 0.0) << rho;
        EXPECT_EQ(in.e[39], rho >= 0.002 ? 1e-12 : 0.0) << rho;
        EXPECT_EQ(in.e[40], rho >= 0.001 ? rho : 0.0) << rho;
        EXPECT_EQ(in.e[41], rho >= 0.002 ? rho : 0.0) << rho;
        CVector normal(0, 0, 1);
        EXPECT_EQ(Surface(w, CVector(0, 0, 0), nullptr, nullptr, &normal).e[24], rho >= 0.001 ? 1e-12 : 0.0);
    }
}

TEST(Integrands, OrbitalProductsRowByRow) {
    CWavefunction w;
    Build(w, OneNucleus());
    const Integrands in = Basin(w, CVector(0.3, 0.1, 0.2), nullptr);
    ASSERT_EQ(in.e.size(), 54u);
    const double* phi = w.m_pMOValue.data();
    const double expected[6] = {phi[0] * phi[0], phi[1] * phi[0], phi[1] * phi[1],
                                phi[2] * phi[0], phi[2] * phi[1], phi[2] * phi[2]};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(in.e[47 + k], expected[k]) << k;
    EXPECT_EQ(in.e[53], kUnwritten);
}

TEST_F(WaterF, SurfaceNormalFromTheSecondTangent) {
    const CVector incoming(0.3, 2.0, 0.5), direction(1.0, -0.2, 0.4);
    CVector normal = incoming;
    const Integrands in = Surface(w, p, &oxygen, &hydrogen, &normal, &direction);
    const CVector grad = Density(w, p).gradient;
    EXPECT_NEAR(normal.Length(), 1.0, 1e-15);
    EXPECT_NEAR(normal * grad, 0.0, 1e-14 * grad.Length());
    EXPECT_NEAR(normal * direction, 0.0, 1e-14);
    EXPECT_GT(normal * incoming, 0.0);
    EXPECT_TRUE(Close(in.e[4], grad * normal, 1e-14, grad.Length()));

    // Without the tangent the incoming normal is used as it is, not normalised.
    normal = incoming;
    const Integrands unchanged = Surface(w, p, &oxygen, &hydrogen, &normal);
    EXPECT_TRUE(normal == incoming);
    EXPECT_TRUE(Close(unchanged.e[4], grad * incoming, 1e-14));
    EXPECT_EQ(unchanged.e[25], kUnwritten);
}

TEST_F(WaterF, ZeroOrMissingNormalIsNoNormal) {
    // A zero incoming normal stays zero (the linear system is singular and it
    // has no length to divide by); every entry that projects on it is 0.
    const CVector direction(1.0, -0.2, 0.4);
    CVector zero;
    for (CVector* normal : {&zero, static_cast<CVector*>(nullptr)}) {
        const Integrands in = Surface(w, p, &oxygen, &hydrogen, normal, &direction);
        EXPECT_TRUE(zero == CVector());
        for (int k = 4; k <= 23; ++k)
            EXPECT_EQ(in.e[k], 0.0) << "entry " << k;
        for (int k : {0, 1, 2, 3, 24})
            EXPECT_NE(in.e[k], 0.0) << "entry " << k;
    }
}

TEST_F(WaterF, SurfaceEntriesAgreeWithTheStressTensor) {
    const CVector normal0 = CVector(0.2, -0.6, 0.77);
    const Fields f = Density(w, p);
    const CVector sn = f.stress * normal0;
    const CVector dA = p - oxygen.GetPosition(), dB = p - hydrogen.GetPosition();
    CVector normal = normal0;
    const Integrands both = Surface(w, p, &oxygen, &hydrogen, &normal);
    EXPECT_TRUE(Close(both.e[17], dA * sn, 1e-14));
    EXPECT_TRUE(Close(both.e[18], -(dB * sn), 1e-14));
    EXPECT_TRUE(Close(both.e[19], both.e[17] + both.e[18], 1e-14, std::fabs(both.e[17])));
    EXPECT_TRUE(Close(both.e[14], both.e[6] + both.e[10], 1e-14, std::fabs(both.e[6])));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Close(both.e[20 + i], Component(sn, i), 1e-14));
    EXPECT_TRUE(Close(both.e[23], 2 * (f.divergence * normal0), 1e-14));

    // Atom A alone: the atom-B terms vanish.
    const Integrands onlyA = Surface(w, p, &oxygen, nullptr, &normal);
    for (int k : {9, 10, 11, 12, 18})
        EXPECT_EQ(onlyA.e[k], 0.0) << k;
    for (int k = 13; k <= 16; ++k)
        EXPECT_EQ(onlyA.e[k], onlyA.e[k - 8]) << k;
    EXPECT_EQ(onlyA.e[19], onlyA.e[17]);
}

TEST_F(WaterF, AtomBAloneUsesTheStressTensorOfThisPoint) {
    const CVector normal0(0.2, -0.6, 0.77);
    const CVector dB = p - hydrogen.GetPosition();
    CWavefunction fresh;
    LoadFixture(fresh, "water_f.wfn");
    const double expected = -(dB * (Density(fresh, p).stress * normal0));

    // Second derivatives left by a Hessian request at another point, or by a
    // first-order request at this very point, must not be reused.
    Density(w, p + CVector(0.5, -0.3, 0.2));
    CVector normal = normal0;
    EXPECT_TRUE(Close(Surface(w, p, nullptr, &hydrogen, &normal).e[18], expected, 1e-13));

    const CVector q = p + CVector(0.1, 0.1, 0.1);
    const double expectedQ = -((q - hydrogen.GetPosition()) * (Density(fresh, q).stress * normal0));
    Surface(w, q, nullptr, nullptr, &normal);
    EXPECT_TRUE(Close(Surface(w, q, nullptr, &hydrogen, &normal).e[18], expectedQ, 1e-13));
}
