// Screening of far primitives against the dense evaluation.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "EvalTestSupport.h"

namespace {

using evaltest::LoadFixture;

// Every output of one request at one point, flattened.
struct Outputs {
    double value = 0;
    CVector gradient, divergence;
    CTensor hessian, stress;
    std::vector<double> integrands;
};

std::vector<double> Vec(CVector v) {
    return {v.x, v.y, v.z};
}
std::vector<double> Vec(const CTensor& t) {
    return {t.xx, t.yy, t.zz, t.xy, t.xz, t.yz};
}

enum class Ask { Field, Basin, Surface };

template <class Evaluate>
Outputs Request(const CWavefunction& w, Evaluate&& evaluate, Ask ask, int field, CVector point) {
    Outputs o;
    CEvalRequest r;
    r.fieldIndex = field;
    r.point = point;
    r.value = &o.value;
    const CNucleus a(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
    const CNucleus b(w.m_pAtomData->m_pPositions.back(), w.m_pAtomData->m_pCharges.back());
    CVector normal(0.3, -0.5, 0.8);
    const CVector direction(0.9, 0.1, -0.2);
    if (ask == Ask::Field) {
        r.gradient = &o.gradient;
        r.hessian = &o.hessian;
        r.stress = &o.stress;
        r.stressDivergence = &o.divergence;
    } else if (ask == Ask::Basin) {
        o.integrands.assign(47 + w.m_nMOs * (w.m_nMOs + 1) / 2, 0.0);
        r.integrands = o.integrands.data();
        r.atomA = &a;
    } else {
        o.integrands.assign(25, 0.0);
        r.integrands = o.integrands.data();
        r.atomA = &a;
        r.atomB = &b;
        r.surface = reinterpret_cast<const CBondPoint*>(&normal);
        r.normal = &normal;
        r.direction = &direction;
    }
    EXPECT_EQ(evaluate(r), 1);
    return o;
}

// |a - b| within 1e-12 of the family's size where the density exceeds 1e-10,
// within 1e-18 absolute farther out. The size is at least the field's value
// and the density: a derivative that vanishes by symmetry (at a nucleus, at a
// critical point) is the rounding residue of sums of that size, and the two
// evaluations add their terms in different groupings.
void ExpectFamily(const std::vector<double>& got, const std::vector<double>& want, double rho, double value,
                  const std::string& what) {
    double size = std::max(std::fabs(value), std::fabs(rho));
    for (double x : want)
        size = std::max(size, std::fabs(x));
    for (std::size_t i = 0; i < want.size(); ++i) {
        const double tolerance = rho > 1e-10 ? 1e-12 * size : 1e-18;
        EXPECT_LE(std::fabs(got[i] - want[i]), tolerance) << what << " entry " << i << ": " << got[i] << " vs "
                                                          << want[i] << " (rho " << rho << ")";
    }
}

// Points over the nuclei's box widened by 6 bohr, some on and near nuclei,
// some far out.
std::vector<CVector> Points(const CWavefunction& w, int count) {
    const auto& nuclei = w.m_pAtomData->m_pPositions;
    CVector lo = nuclei[0], hi = nuclei[0];
    for (const CVector& r : nuclei) {
        lo = CVector(std::min(lo.x, r.x), std::min(lo.y, r.y), std::min(lo.z, r.z));
        hi = CVector(std::max(hi.x, r.x), std::max(hi.y, r.y), std::max(hi.z, r.z));
    }
    lo = lo - CVector(6, 6, 6);
    hi = hi + CVector(6, 6, 6);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<CVector> points;
    for (const CVector& r : nuclei) {
        points.push_back(r);
        points.push_back(r + CVector(0.01, -0.02, 0.015));
        points.push_back(r + CVector(0.3, 0.2, -0.4));
    }
    points.push_back(hi + CVector(8, 3, 5));
    points.push_back(lo - CVector(12, 2, 1));
    while (static_cast<int>(points.size()) < count)
        points.emplace_back(lo.x + u(rng) * (hi.x - lo.x), lo.y + u(rng) * (hi.y - lo.y),
                            lo.z + u(rng) * (hi.z - lo.z));
    return points;
}

class Screening : public ::testing::TestWithParam<const char*> {};

TEST_P(Screening, AgreesWithTheDenseEvaluation) {
    CWavefunction screened, dense;
    LoadFixture(screened, GetParam());
    LoadFixture(dense, GetParam());
    dense.m_bScreening = false;
    const auto with = [](CWavefunction& w) { return [&w](CEvalRequest r) { return w.Evaluate(r); }; };
    for (const CVector& p : Points(screened, 200)) {
        const std::string at = std::string(GetParam()) + " at (" + std::to_string(p.x) + ", " +
                               std::to_string(p.y) + ", " + std::to_string(p.z) + ") ";
        double rho = 0, slope = 0;
        for (int field = 0; field <= 4; ++field) {
            const Outputs s = Request(screened, with(screened), Ask::Field, field, p);
            const Outputs d = Request(dense, with(dense), Ask::Field, field, p);
            if (field == 0) {
                rho = d.value;
                slope = d.gradient.Length();
            }
            const std::string f = at + "field " + std::to_string(field) + " ";
            ExpectFamily({s.value}, {d.value}, rho, d.value, f + "value");
            ExpectFamily(Vec(s.gradient), Vec(d.gradient), rho, d.value, f + "gradient");
            ExpectFamily(Vec(s.hessian), Vec(d.hessian), rho, d.value, f + "Hessian");
            ExpectFamily(Vec(s.stress), Vec(d.stress), rho, d.value, f + "stress");
            ExpectFamily(Vec(s.divergence), Vec(d.divergence), rho, d.value, f + "divergence");
        }
        for (Ask ask : {Ask::Basin, Ask::Surface}) {
            // The surface normal is set by grad rho; where that vanishes (on a
            // nucleus) it is rounding residue and so is the normal.
            if (ask == Ask::Surface && !(slope > 1e-6 * rho)) continue;
            const Outputs s = Request(screened, with(screened), ask, 0, p);
            const Outputs d = Request(dense, with(dense), ask, 0, p);
            ExpectFamily(s.integrands, d.integrands, rho, rho, at + (ask == Ask::Basin ? "basin" : "surface"));
        }
        if (HasFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Screening,
                         ::testing::Values("water.wfn", "water_f.wfn", "water_g.wfn", "ammonia.wfn", "methane.wfn",
                                           "benzene.wfn", "lif.wfn", "pyridone_aminopyridine.wfn", "li2.wfn",
                                           "hcn.wfn", "formamide.wfn", "bicyclopentane.wfn", "tetrahedrane.wfn"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(Screening, FarPrimitivesAreLeftOutOfTheContraction) {
    // Beside a nucleus at one end of the 25-atom dimer the primitives of the
    // far end contribute nothing that can show, and are not contracted.
    CWavefunction w;
    LoadFixture(w, "pyridone_aminopyridine.wfn");
    const CVector p = w.m_pAtomData->m_pPositions[0] + CVector(0.2, 0.1, 0.0);
    ASSERT_EQ(w.EvaluatePrimitives(p, 2), 1);
    const int kept = w.m_nKernelKept;
    EXPECT_LT(kept, w.m_nPrimitives * 2 / 3);
    EXPECT_GT(kept, 0);
}

} // namespace

namespace {

TEST(Screening, WhereEveryPrimitiveIsScreenedTheTailStaysExact) {
    // Beyond every screening distance the density and its gradient keep their
    // tiny true values, so that a path following the gradient there can move.
    evaltest::Model m;
    m.positions = {CVector(0, 0, 0), CVector(0, 0, 1.4)};
    m.charges = {1.0, 1.0};
    m.occupations = {2.0};
    m.primitives = {{1, 1, 0.8, {0.5}}, {2, 1, 0.8, {0.5}}};
    CWavefunction w;
    evaltest::Build(w, m);
    const double alpha = 0.8;
    for (double r : {9.0, 12.0, 20.0}) {
        const CVector p(0.3, -0.2, r);
        double value = 0;
        CVector gradient;
        CEvalRequest request;
        request.point = p;
        request.value = &value;
        request.gradient = &gradient;
        ASSERT_EQ(w.Evaluate(request), 1);
        const auto phiAt = [&](CVector q) {
            return 0.5 * std::exp(-alpha * (q * q)) + 0.5 * std::exp(-alpha * ((q - m.positions[1]) * (q - m.positions[1])));
        };
        const double phi = phiAt(p);
        EXPECT_NEAR(value, 2.0 * phi * phi, 1e-12 * 2.0 * phi * phi) << r;
        EXPECT_LT(gradient.z, 0.0) << r;
    }
}

} // namespace
