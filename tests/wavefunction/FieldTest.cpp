// Field evaluation: analytic derivatives against central differences on a real
// wavefunction, the identities between the fields and the stress tensor, the
// closed forms of one s Gaussian, the evaluation cache and the kernel level.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "EvalTestSupport.h"
#include "numerics/Options.h"
#include "platform/core/JobState.h"

using namespace evaltest;

namespace {

struct Outputs {
    double value = 0.0;
    CVector gradient;
    CTensor hessian, stress;
    CVector divergence;
};

Outputs Eval(CWavefunction& w, int field, CVector point, bool gradient = false, bool hessian = false,
             int* result = nullptr) {
    Outputs o;
    CEvalRequest r;
    r.fieldIndex = field;
    r.point = point;
    r.value = &o.value;
    if (gradient) r.gradient = &o.gradient;
    if (hessian) {
        r.hessian = &o.hessian;
        r.stress = &o.stress;
        r.stressDivergence = &o.divergence;
    }
    const int ok = w.Evaluate(r);
    if (result) *result = ok;
    return o;
}

double Component(CVector v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}
double Component(const CTensor& t, int i, int j) {
    const double m[3][3] = {{t.xx, t.xy, t.xz}, {t.xy, t.yy, t.yz}, {t.xz, t.yz, t.zz}};
    return m[i][j];
}
CVector Axis(int i, double h) {
    return i == 0 ? CVector(h, 0, 0) : (i == 1 ? CVector(0, h, 0) : CVector(0, 0, h));
}

class WaterG : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_w = new CWavefunction;
        LoadFixture(*s_w, "water_g.wfn");
    }
    static void TearDownTestSuite() {
        delete s_w;
        s_w = nullptr;
    }
    static CWavefunction* s_w;
};
CWavefunction* WaterG::s_w = nullptr;

// Away from the nuclei, in the bond region, in the lone-pair region and in the tail.
const std::vector<CVector> kPoints = {CVector(0.31, -0.52, 0.77), CVector(0.0, 0.75, -0.35),
                                      CVector(-0.6, 0.2, 0.9), CVector(-1.0, -1.5, -1.2)};

} // namespace

TEST_F(WaterG, DensityAtReferencePointsOfTheProgramThatWroteTheFile) {
    EXPECT_NEAR(Eval(*s_w, 0, CVector(-1.0, -1.5, -1.2)).value, 0.041366, 5e-7);
    EXPECT_NEAR(Eval(*s_w, 0, CVector(0.0, 0.0, -0.1)).value, 2.8951, 5e-5);
}

TEST_F(WaterG, GradientAndHessianOfEveryFieldAreDifferenceQuotients) {
    const double h = 1e-4;
    for (int field = 0; field <= 4; ++field)
        for (const CVector& p : kPoints) {
            const Outputs o = Eval(*s_w, field, p, true, true);
            double gradScale = 0.0, hessScale = 0.0;
            for (int i = 0; i < 3; ++i) {
                gradScale = std::max(gradScale, std::fabs(Component(o.gradient, i)));
                for (int j = 0; j < 3; ++j)
                    hessScale = std::max(hessScale, std::fabs(Component(o.hessian, i, j)));
            }
            for (int i = 0; i < 3; ++i) {
                const Outputs plus = Eval(*s_w, field, p + Axis(i, h), true);
                const Outputs minus = Eval(*s_w, field, p - Axis(i, h), true);
                const std::string where = "field " + std::to_string(field) + " axis " + std::to_string(i) +
                                          " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " +
                                          std::to_string(p.z) + ")";
                EXPECT_TRUE(
                    Close(Component(o.gradient, i), (plus.value - minus.value) / (2 * h), 1e-6, gradScale))
                    << where;
                for (int j = 0; j < 3; ++j)
                    EXPECT_TRUE(Close(Component(o.hessian, i, j),
                                      (Component(plus.gradient, j) - Component(minus.gradient, j)) / (2 * h),
                                      1e-6, hessScale))
                        << where << " row " << j;
            }
        }
}

TEST_F(WaterG, IdentitiesBetweenFieldsAndStressTensor) {
    const double h = 1e-4;
    for (const CVector& p : kPoints) {
        const double L = Eval(*s_w, 1, p).value, G = Eval(*s_w, 2, p).value, K = Eval(*s_w, 3, p).value;
        const double virial = Eval(*s_w, 4, p).value;
        const double scale = std::fabs(K) + std::fabs(G);
        EXPECT_TRUE(Close(L, K - G, 1e-13, scale));
        EXPECT_TRUE(Close(virial, K + G, 1e-13, scale));

        const Outputs rho = Eval(*s_w, 0, p, true, true);
        EXPECT_TRUE(Close(L, -0.25 * rho.hessian.Trace(), 1e-13, scale));
        EXPECT_TRUE(Close(rho.stress.Trace(), -(K + G), 1e-13, scale));

        // D_i = sum_j d sigma_ij / d x_j.
        double divergence[3] = {};
        for (int j = 0; j < 3; ++j) {
            const Outputs plus = Eval(*s_w, 0, p + Axis(j, h), true, true);
            const Outputs minus = Eval(*s_w, 0, p - Axis(j, h), true, true);
            for (int i = 0; i < 3; ++i)
                divergence[i] += (Component(plus.stress, i, j) - Component(minus.stress, i, j)) / (2 * h);
        }
        const double dScale = rho.divergence.Length();
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(Close(Component(rho.divergence, i), divergence[i], 1e-6, dScale));
    }
}

TEST(Fields, NormalisedSGaussianClosedForms) {
    // phi = N exp(-a r^2), N = (2a/pi)^(3/4), occupation 2, rho = 2 phi^2:
    // G = 2 a^2 r^2 rho, K = (3a - 2 a^2 r^2) rho, L = K - G, K + G = 3a rho,
    // sigma = -a rho I, div sigma = 4 a^2 (r - R) rho.
    const double a = 1.3;
    const CVector centre(0.2, -0.1, 0.4);
    Model m;
    m.positions = {centre};
    m.charges = {1.0};
    m.occupations = {2.0};
    m.primitives = {{1, 1, a, {std::pow(2 * a / M_PI, 0.75)}}};
    CWavefunction w;
    Build(w, m);
    for (const CVector& offset : {CVector(0, 0, 0), CVector(0.4, -0.3, 0.25), CVector(-0.9, 0.0, 0.6)}) {
        const CVector p = centre + offset;
        const double r2 = offset * offset;
        const double rho = 2 * std::pow(2 * a / M_PI, 1.5) * std::exp(-2 * a * r2);
        const double G = 2 * a * a * r2 * rho, K = (3 * a - 2 * a * a * r2) * rho;
        const double expected[5] = {rho, K - G, G, K, 3 * a * rho};
        for (int field = 0; field <= 4; ++field)
            EXPECT_TRUE(Close(Eval(w, field, p).value, expected[field], 1e-14, rho)) << "field " << field;
        const Outputs o = Eval(w, 0, p, true, true);
        const double sigma[3][3] = {{-a * rho, 0, 0}, {0, -a * rho, 0}, {0, 0, -a * rho}};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                EXPECT_TRUE(Close(Component(o.stress, i, j), sigma[i][j], 1e-14, rho));
            EXPECT_TRUE(
                Close(Component(o.divergence, i), 4 * a * a * Component(offset, i) * rho, 1e-14, rho));
        }
    }
}

TEST(Fields, CacheDecidesWhichCallsRunTheKernel) {
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    const CNucleus oxygen(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
    const CNucleus hydrogen(w.m_pAtomData->m_pPositions[1], w.m_pAtomData->m_pCharges[1]);
    const CVector p(0.3, -0.4, 0.5);
    const CVector pNext(0.3, -0.4, std::nextafter(0.5, 1.0));
    std::vector<double> integrands(47 + 5 * 6 / 2);
    CVector normal(0, 0, 1);
    struct Step {
        const char* what;
        int field;
        CVector point;
        bool gradient, hessian, integrands, surface;
        const CNucleus *atomA, *atomB;
        int kernelCalls;
    };
    const CBondPoint* bond = reinterpret_cast<const CBondPoint*>(&normal); // only its being non-null matters
    const std::vector<Step> steps = {
        {"first value", 0, p, false, false, false, false, nullptr, nullptr, 1},
        {"same value again", 0, p, false, false, false, false, nullptr, nullptr, 0},
        {"gradient after value", 0, p, true, false, false, false, nullptr, nullptr, 1},
        {"value after gradient", 0, p, false, false, false, false, nullptr, nullptr, 0},
        {"gradient after value again", 0, p, true, false, false, false, nullptr, nullptr, 1},
        {"other field", 1, p, true, false, false, false, nullptr, nullptr, 1},
        {"atom A added", 1, p, true, false, false, false, &oxygen, nullptr, 1},
        {"atom A again", 1, p, true, false, false, false, &oxygen, nullptr, 0},
        {"atom A dropped", 1, p, true, false, false, false, nullptr, nullptr, 0},
        {"last bit of z", 1, pNext, true, false, false, false, nullptr, nullptr, 1},
        {"hessian added", 1, pNext, true, true, false, false, nullptr, nullptr, 1},
        {"integrands added", 1, pNext, true, true, true, false, nullptr, nullptr, 1},
        {"all again", 1, pNext, true, true, true, false, nullptr, nullptr, 0},
        {"surface layout", 1, pNext, true, true, true, true, nullptr, nullptr, 1},
        {"surface with atom B", 1, pNext, true, true, true, true, nullptr, &hydrogen, 1},
        {"surface with atom B again", 1, pNext, false, false, true, true, nullptr, &hydrogen, 0},
    };
    for (const Step& s : steps) {
        double value = 0;
        CVector gradient, divergence;
        CTensor hessian, stress;
        CEvalRequest r;
        r.fieldIndex = s.field;
        r.point = s.point;
        r.value = &value;
        if (s.gradient) r.gradient = &gradient;
        if (s.hessian) {
            r.hessian = &hessian;
            r.stress = &stress;
            r.stressDivergence = &divergence;
        }
        if (s.integrands) r.integrands = integrands.data();
        if (s.surface) {
            r.surface = bond;
            r.normal = &normal;
        }
        r.atomA = s.atomA;
        r.atomB = s.atomB;
        const int before = g_nEvaluations.load();
        EXPECT_EQ(w.Evaluate(r), 1);
        EXPECT_EQ(g_nEvaluations.load() - before, s.kernelCalls) << s.what;
    }

    // A kernel call of its own in between leaves arrays the cache does not describe.
    Eval(w, 0, p);
    w.EvaluatePrimitives(p + CVector(1, 0, 0), 1);
    int calls = g_nEvaluations.load();
    Eval(w, 0, p);
    EXPECT_EQ(g_nEvaluations.load() - calls, 1);

    // A wavefunction read again starts with an empty cache, even at the last point.
    Eval(w, 0, p);
    w.Clear();
    LoadFixture(w, "water.wfn");
    const int before = g_nEvaluations.load();
    Eval(w, 0, p);
    EXPECT_EQ(g_nEvaluations.load() - before, 1);
}

TEST(Fields, CacheHitsGiveTheResultsOfAFreshEvaluation) {
    CWavefunction cached, fresh;
    LoadFixture(cached, "water_f.wfn");
    LoadFixture(fresh, "water_f.wfn");
    const CVector p(0.2, 0.6, -0.3);
    struct Request {
        int field;
        bool gradient, hessian;
    };
    const Request sequence[] = {{1, true, true}, {1, false, false}, {1, true, false}, {1, true, true},
                                {0, true, true}, {0, false, false}, {4, true, true},  {4, true, false}};
    for (const Request& q : sequence) {
        const Outputs a = Eval(cached, q.field, p, q.gradient, q.hessian);
        fresh.m_bCacheValid = false;
        const Outputs b = Eval(fresh, q.field, p, q.gradient, q.hessian);
        const double scale = std::fabs(b.value) + b.gradient.Length();
        EXPECT_TRUE(Close(a.value, b.value, 1e-14, scale));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(Close(Component(a.gradient, i), Component(b.gradient, i), 1e-14, scale));
            for (int j = 0; j < 3; ++j)
                EXPECT_TRUE(Close(Component(a.hessian, i, j), Component(b.hessian, i, j), 1e-14, scale));
        }
    }
}

TEST(Fields, KernelLevelFollowsTheRequest) {
    // After a level-4 kernel call at one point, a request at another point
    // renews exactly the MO components up to the level it asks the kernel for.
    CWavefunction w, reference;
    LoadFixture(w, "water_f.wfn");
    LoadFixture(reference, "water_f.wfn");
    const CNucleus oxygen(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
    const CVector first(0.1, 0.2, 0.3), second(-0.4, 0.5, -0.2);
    reference.EvaluatePrimitives(second, 4);
    std::vector<double> integrands(47 + w.m_nMOs * (w.m_nMOs + 1) / 2);
    CVector normal(1, 0, 0);
    const CBondPoint* bond = reinterpret_cast<const CBondPoint*>(&normal);
    struct Row {
        const char* what;
        int field;
        bool gradient, hessian, integrands, surface;
        const CNucleus *atomA, *atomB;
        int level;
        bool stress = true; // with a Hessian: the stress tensor and its divergence too
    };
    const std::vector<Row> rows = {
        {"rho value", 0, false, false, false, false, nullptr, nullptr, 0},
        {"index 7 value", 7, false, false, false, false, nullptr, nullptr, 0},
        {"index 7 with integrands", 7, false, false, true, false, nullptr, nullptr, 1},
        {"G gradient", 2, true, false, false, false, nullptr, nullptr, 2},
        {"rho gradient", 0, true, false, false, false, nullptr, nullptr, 1},
        {"rho hessian alone", 0, true, true, false, false, nullptr, nullptr, 2, false},
        {"L gradient", 1, true, false, false, false, nullptr, nullptr, 3},
        {"rho hessian", 0, true, true, false, false, nullptr, nullptr, 3},
        {"G hessian", 2, true, true, false, false, nullptr, nullptr, 3},
        {"L hessian", 1, true, true, false, false, nullptr, nullptr, 4},
        {"K hessian", 3, true, true, false, false, nullptr, nullptr, 4},
        {"K+G hessian", 4, true, true, false, false, nullptr, nullptr, 4},
        {"rho value with atom A", 0, false, false, true, false, &oxygen, nullptr, 3},
        {"surface with atom B only", 0, false, false, true, true, nullptr, &oxygen, 2},
    };
    for (const Row& row : rows) {
        w.EvaluatePrimitives(first, 4);
        double value = 0;
        CVector gradient, divergence;
        CTensor hessian, stress;
        CEvalRequest r;
        r.fieldIndex = row.field;
        r.point = second;
        r.value = &value;
        if (row.gradient) r.gradient = &gradient;
        if (row.hessian) r.hessian = &hessian;
        if (row.hessian && row.stress) {
            r.stress = &stress;
            r.stressDivergence = &divergence;
        }
        if (row.integrands) r.integrands = integrands.data();
        if (row.surface) {
            r.surface = bond;
            r.normal = &normal;
        }
        r.atomA = row.atomA;
        r.atomB = row.atomB;
        ASSERT_EQ(w.Evaluate(r), 1);
        int level = -1;
        for (int c = 0; c < 36; ++c) {
            bool renewed = true;
            for (int k = 0; k < w.m_nMOs; ++k)
                renewed &= Close(MOComponent(w, k, c), MOComponent(reference, k, c), 1e-12, 1.0);
            if (renewed && WrittenFrom(c) == level + 1) level = WrittenFrom(c);
        }
        EXPECT_EQ(level, row.level) << row.what;
    }
}

TEST(Fields, IndicesOutsideTheFiveFieldsGiveZeroByDifferences) {
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    const CVector p(0.1, 0.2, 0.3);
    for (int field : {7, -1}) {
        for (bool hessian : {false, true}) {
            const int before = g_nEvaluations.load();
            const Outputs o = Eval(w, field, p + CVector(0, 0, hessian ? 0.1 : 0.2), true, hessian);
            EXPECT_EQ(g_nEvaluations.load() - before, hessian ? 10 : 7) << field;
            EXPECT_EQ(o.value, 0.0);
            EXPECT_TRUE(o.gradient == CVector());
            EXPECT_TRUE(o.hessian == CTensor());
            EXPECT_TRUE(o.stress == CTensor());
            EXPECT_TRUE(o.divergence == CVector());
        }
    }
    // A zero difference step leaves the zero derivatives, not 0/0.
    const double step = g_pCritOptions->GradientTolerance.Current;
    g_pCritOptions->GradientTolerance.Current = 0.0;
    const Outputs o = Eval(w, 7, CVector(0.5, 0.5, 0.5), true, true);
    g_pCritOptions->GradientTolerance.Current = step;
    EXPECT_TRUE(o.gradient == CVector());
    EXPECT_TRUE(o.hessian == CTensor());
}

TEST(Fields, HessianOnlyWithGradientAndStressOnlyForDensity) {
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    const CVector p(0.3, 0.1, -0.2);
    struct Case {
        int field;
        bool gradient;
        bool stressWritten;
    };
    for (const Case& c :
         {Case{0, false, false}, Case{3, false, false}, Case{0, true, true}, Case{3, true, false}}) {
        const double expectedValue = Eval(w, c.field, p).value;
        Outputs o;
        o.gradient = CVector(9, 9, 9);
        o.hessian = o.stress = CTensor(9, 9, 9, 9, 9, 9);
        o.divergence = CVector(9, 9, 9);
        CEvalRequest r;
        r.fieldIndex = c.field;
        r.point = p;
        r.value = &o.value;
        if (c.gradient) r.gradient = &o.gradient;
        r.hessian = &o.hessian;
        r.stress = &o.stress;
        r.stressDivergence = &o.divergence;
        ASSERT_EQ(w.Evaluate(r), 1);
        EXPECT_TRUE(Close(o.value, expectedValue, 1e-14));
        EXPECT_EQ(o.hessian == CTensor(), !c.gradient) << c.field;
        EXPECT_EQ(o.stress == CTensor(), !c.stressWritten) << c.field;
        EXPECT_EQ(o.divergence == CVector(), !c.stressWritten) << c.field;
    }
}

TEST(Fields, EvaluatingWithoutUsableDataFails) {
    // No records and no working memory; or working memory for more orbitals
    // than the records hold.
    CWavefunction empty, mismatched;
    LoadFixture(mismatched, "water.wfn");
    ASSERT_EQ(
        mismatched.AllocWorkingMemory(mismatched.m_nNuclei, mismatched.m_nMOs + 1, mismatched.m_nPrimitives),
        1);
    for (CWavefunction* w : {&empty, &mismatched}) {
        int result = -1;
        const Outputs o = Eval(*w, 0, CVector(1, 2, 3), true, false, &result);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(w->m_strError, "Evaluation of Wavefunction not successful");
        EXPECT_FALSE(w->m_bCacheValid);
        EXPECT_EQ(o.value, 0.0);
    }

    // Loaded afterwards, the same point is evaluated, not taken from the cache.
    LoadFixture(empty, "water.wfn");
    int result = -1;
    const int before = g_nEvaluations.load();
    EXPECT_GT(Eval(empty, 0, CVector(1, 2, 3), true, false, &result).value, 0.0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_nEvaluations.load() - before, 1);
}
