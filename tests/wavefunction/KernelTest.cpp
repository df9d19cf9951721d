// The primitive and orbital kernel against an independent reference: the
// one-dimensional derivative recursion differentiated as a dense polynomial,
// central differences, the closed forms at a centre and the library exp.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "EvalTestSupport.h"
#include "platform/core/JobState.h"

using namespace evaltest;

// Counts allocations on this thread, to show that an evaluation allocates nothing.
// The replacements pair malloc with free themselves; GCC cannot see that. Kept
// out of line so that memory checkers which replace them see every call.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
thread_local long g_allocations = 0;
}
__attribute__((noinline)) void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void* operator new[](std::size_t size) {
    return operator new(size);
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete[](void* p) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
__attribute__((noinline)) void* operator new(std::size_t size, std::align_val_t alignment) {
    ++g_allocations;
    const std::size_t a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void* operator new[](std::size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
__attribute__((noinline)) void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

const CVector kCentre(0.3, -0.2, 0.5);

// One primitive of every type on one nucleus, each the only primitive of its own MO.
Model AllTypesModel() {
    Model m;
    m.positions = {kCentre};
    m.charges = {1.0};
    m.occupations.assign(35, 1.0);
    for (int t = 1; t <= 35; ++t) {
        std::vector<double> c(35, 0.0);
        c[t - 1] = 1.0;
        m.primitives.push_back({1, t, 0.45 + 0.037 * t, c});
    }
    return m;
}

// Several primitives per type (runs of odd lengths), three centres, exponents
// shared within shells, eleven MOs with random coefficients, and one core
// primitive steep enough to underflow away from its centre.
Model MixedModel(int nTypes = 35) {
    Model m;
    m.positions = {CVector(0.0, 0.0, 0.2), CVector(1.4, -0.3, -0.8), CVector(-1.2, 0.9, -0.5)};
    m.charges = {8.0, 1.0, 1.0};
    const int nMOs = 11;
    m.occupations.assign(nMOs, 2.0);
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> coef(-1.0, 1.0);
    const double alphas[] = {0.31, 0.92, 2.7};
    for (int t = 1; t <= 35; ++t) {
        const int count = 1 + (t * 7) % 4;
        for (int i = 0; i < count; ++i) {
            std::vector<double> c(nMOs);
            for (double& v : c)
                v = coef(rng);
            m.primitives.push_back({1 + (t + i) % 3, t, alphas[(t + 2 * i) % 3], c});
        }
    }
    std::vector<double> c(nMOs);
    for (double& v : c)
        v = coef(rng);
    m.primitives.push_back({2, 1, 4.0e5, c});
    m.nTypes = nTypes;
    return m;
}

// Reference MO component: the coefficients times the reference primitives,
// with the sum of absolute terms as the scale of the rounding error.
struct RefSum {
    double value = 0.0, scale = 0.0;
};
RefSum ReferenceMO(const Model& m, int k, int c, CVector point, int maxType = 35) {
    RefSum s;
    for (const Primitive& p : m.primitives) {
        if (p.type > maxType) continue;
        const double term =
            p.coefficients[k] * ReferenceComponent(p.type, c, p.alpha, point - m.positions[p.centre - 1]);
        s.value += term;
        s.scale += std::fabs(term);
    }
    return s;
}

const std::vector<CVector> kMixedPoints = {CVector(0.0, 0.0, 0.2), CVector(0.37, -0.61, 0.18),
                                           CVector(-0.9, 0.4, -1.3), CVector(1.1, 0.05, -0.4)};

} // namespace

TEST(Kernel, ReferenceReproducesTheFactorTable) {
    // The reference recursion against the closed forms of P(l, i; x) for l, i = 0..4.
    const double a = 1.3, x = 0.7;
    const double a2 = a * a, a3 = a2 * a, a4 = a3 * a;
    const auto p = [x](int e) { return std::pow(x, e); };
    const double table[5][5] = {{1, -2 * a * x, 4 * a2 * p(2) - 2 * a, -8 * a3 * p(3) + 12 * a2 * x,
                                 16 * a4 * p(4) - 48 * a3 * p(2) + 12 * a2},
                                {x, 1 - 2 * a * p(2), 4 * a2 * p(3) - 6 * a * x,
                                 -8 * a3 * p(4) + 24 * a2 * p(2) - 6 * a,
                                 16 * a4 * p(5) - 80 * a3 * p(3) + 60 * a2 * x},
                                {p(2), 2 * x - 2 * a * p(3), 4 * a2 * p(4) - 10 * a * p(2) + 2,
                                 -8 * a3 * p(5) + 36 * a2 * p(3) - 24 * a * x,
                                 16 * a4 * p(6) - 112 * a3 * p(4) + 156 * a2 * p(2) - 24 * a},
                                {p(3), 3 * p(2) - 2 * a * p(4), 4 * a2 * p(5) - 14 * a * p(3) + 6 * x,
                                 -8 * a3 * p(6) + 48 * a2 * p(4) - 54 * a * p(2) + 6,
                                 16 * a4 * p(7) - 144 * a3 * p(5) + 300 * a2 * p(3) - 120 * a * x},
                                {p(4), 4 * p(3) - 2 * a * p(5), 4 * a2 * p(6) - 18 * a * p(4) + 12 * p(2),
                                 -8 * a3 * p(7) + 60 * a2 * p(5) - 96 * a * p(3) + 24 * x,
                                 16 * a4 * p(8) - 176 * a3 * p(6) + 492 * a2 * p(4) - 336 * a * p(2) + 24}};
    for (int l = 0; l <= 4; ++l)
        for (int i = 0; i <= 4; ++i)
            EXPECT_TRUE(Close(Factor1D(l, i, a, x), table[l][i], 1e-13)) << l << " " << i;
}

TEST(Kernel, EveryTypeAndComponentMatchesTheReference) {
    const Model m = AllTypesModel();
    CWavefunction w;
    Build(w, m);
    // The centre, points on the three axes through it, in a coordinate plane and in general position.
    const CVector offsets[] = {CVector(0, 0, 0),         CVector(0.7, 0, 0),    CVector(0, -0.9, 0),
                               CVector(0, 0, 1.2),       CVector(0.6, -0.8, 0), CVector(0.53, -0.71, 0.94),
                               CVector(-1.3, 0.2, -0.45)};
    for (const CVector& offset : offsets) {
        ASSERT_EQ(w.EvaluatePrimitives(kCentre + offset, 4), 1);
        for (int t = 1; t <= 35; ++t) {
            const double alpha = m.primitives[t - 1].alpha;
            for (int c = 0; c < 36; ++c) {
                const double ref = ReferenceComponent(t, c, alpha, offset);
                const std::string where = std::string("type ") + kTypeLabels[t - 1] + " component " +
                                          kComponentLabels[c] + " at offset (" + std::to_string(offset.x) +
                                          ", " + std::to_string(offset.y) + ", " + std::to_string(offset.z) +
                                          ")";
                EXPECT_TRUE(Close(w.m_pPrim[c][t - 1], ref, 1e-13, 1e-2)) << where;
                EXPECT_TRUE(Close(MOComponent(w, t - 1, c), ref, 1e-13, 1e-2)) << where << " (MO)";
            }
        }
    }
}

// The values alone go primitive by primitive of the kept pairs on processors
// whose vector lanes permute in one instruction, and by type runs elsewhere.
// Both ways against the reference, for every type up to g.
TEST(Kernel, ValuesMatchTheReferenceBothWays) {
    const Model m = AllTypesModel();
    CWavefunction w;
    Build(w, m);
    ASSERT_EQ(w.EvaluatePrimitives(kCentre, 0), 1); // fills the kernel's layout
    const bool rowsHere = w.m_kernel.m_bRows;
    const CVector offsets[] = {CVector(0, 0, 0), CVector(0.7, 0, 0), CVector(0.53, -0.71, 0.94),
                               CVector(-1.3, 0.2, -0.45)};
    for (const bool rows : {false, true}) {
        if (rows && !rowsHere) continue;
        w.m_kernel.m_bRows = rows;
        for (const CVector& offset : offsets) {
            ASSERT_EQ(w.EvaluatePrimitives(kCentre + offset, 0), 1);
            for (int t = 1; t <= 35; ++t) {
                const double ref = ReferenceComponent(t, 0, m.primitives[t - 1].alpha, offset);
                EXPECT_TRUE(Close(MOComponent(w, t - 1, 0), ref, 1e-13, 1e-2))
                    << (rows ? "rows" : "table") << " type " << kTypeLabels[t - 1];
            }
        }
    }
}

// On the molecules both ways give the same MO values bit for bit, so that no
// result depends on the processor (several nuclei keep more than 16 pairs
// in water_g near its oxygen).
TEST(Kernel, ValuesByRowsAndByTypeRunsAgreeBitForBit) {
    for (const char* name : {"benzene.wfn", "water_g.wfn", "lif.wfn", "pyridone_aminopyridine.wfn"}) {
        CWavefunction w;
        evaltest::LoadFixture(w, name);
        ASSERT_EQ(w.EvaluatePrimitives(CVector(0, 0, 0), 0), 1);
        if (!w.m_kernel.m_bRows) GTEST_SKIP() << "no one-instruction lane permutes on this processor";
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> u(-7.0, 7.0);
        for (int i = 0; i < 500; ++i) {
            const CVector p(u(rng), u(rng), u(rng));
            std::vector<double> got[2];
            for (const bool rows : {false, true}) {
                w.m_kernel.m_bRows = rows;
                ASSERT_EQ(w.EvaluatePrimitives(p, 0), 1);
                got[rows] = w.m_pMOValue;
            }
            for (std::size_t k = 0; k < got[0].size(); ++k)
                ASSERT_EQ(got[1][k], got[0][k]) << name << " MO " << k;
        }
    }
}

TEST(Kernel, ContractionMatchesReferenceSums) {
    const Model m = MixedModel();
    CWavefunction w;
    Build(w, m);
    for (const CVector& point : kMixedPoints) {
        w.EvaluatePrimitives(point, 4);
        for (int k = 0; k < 11; ++k)
            for (int c = 0; c < 36; ++c) {
                const RefSum ref = ReferenceMO(m, k, c, point);
                EXPECT_TRUE(Close(MOComponent(w, k, c), ref.value, 1e-13, ref.scale))
                    << "MO " << k << " component " << kComponentLabels[c];
            }
    }
}

TEST(Kernel, EachDerivativeOrderIsTheDifferenceQuotientOfTheOrderBelow) {
    // Independent of the reference's component table: a component named by
    // letters is the central difference of the component without its last letter.
    CWavefunction w;
    Build(w, MixedModel());
    const double h = 1e-5;
    const int nMOs = 11;
    for (const CVector& point : {CVector(0.37, -0.61, 0.18), CVector(-0.9, 0.4, -1.3)}) {
        for (int c = 1; c < 36; ++c) {
            if (c == 4) continue;
            std::string label = kComponentLabels[c];
            const char axis = label.back();
            label.pop_back();
            int parent = 0;
            while (kComponentLabels[parent] != label)
                ++parent;
            const CVector step =
                axis == 'x' ? CVector(h, 0, 0) : (axis == 'y' ? CVector(0, h, 0) : CVector(0, 0, h));
            std::vector<double> plus(nMOs), minus(nMOs), exact(nMOs);
            w.EvaluatePrimitives(point + step, 4);
            for (int k = 0; k < nMOs; ++k)
                plus[k] = MOComponent(w, k, parent);
            w.EvaluatePrimitives(point - step, 4);
            for (int k = 0; k < nMOs; ++k)
                minus[k] = MOComponent(w, k, parent);
            w.EvaluatePrimitives(point, 4);
            for (int k = 0; k < nMOs; ++k) {
                const double difference = (plus[k] - minus[k]) / (2 * h);
                EXPECT_TRUE(Close(MOComponent(w, k, c), difference, 1e-7, 1.0))
                    << "MO " << k << " component " << kComponentLabels[c];
            }
        }
    }
}

TEST(Kernel, ClosedFormsAtTheCentre) {
    // s and x primitives, coefficient 1, at their own centre, level 4.
    struct Case {
        int type;
        double alpha;
        std::vector<std::pair<const char*, double>> nonzero; // every other component is 0
    };
    const double a = 0.8;
    const std::vector<Case> cases = {
        {1,
         a,
         {{"", 1},
          {"lap", -6 * a},
          {"xx", -2 * a},
          {"yy", -2 * a},
          {"zz", -2 * a},
          {"xxxx", 12 * a * a},
          {"yyyy", 12 * a * a},
          {"zzzz", 12 * a * a},
          {"xxyy", 4 * a * a},
          {"xxzz", 4 * a * a},
          {"yyzz", 4 * a * a}}},
        {2, a, {{"x", 1}, {"xxx", -6 * a}, {"xyy", -2 * a}, {"xzz", -2 * a}}},
    };
    for (const Case& tc : cases) {
        Model m;
        m.positions = {kCentre};
        m.charges = {1.0};
        m.occupations = {1.0};
        m.primitives = {{1, tc.type, tc.alpha, {1.0}}};
        CWavefunction w;
        Build(w, m);
        w.EvaluatePrimitives(kCentre, 4);
        for (int c = 0; c < 36; ++c) {
            double expected = 0.0;
            for (const auto& [label, value] : tc.nonzero)
                if (std::string(label) == kComponentLabels[c]) expected = value;
            EXPECT_NEAR(MOComponent(w, 0, c), expected, 1e-14)
                << "type " << tc.type << " " << kComponentLabels[c];
        }
    }
}

TEST(Kernel, LevelSelectsWhatIsWrittenAndOutOfRangeLevelsClamp) {
    // After level 4 at one point, a call at another point renews exactly the
    // components of its level; the rest still hold the first point's values.
    CWavefunction w;
    Build(w, MixedModel());
    const CVector first(0.37, -0.61, 0.18), second(-0.9, 0.4, -1.3);
    std::vector<std::vector<double>> atFirst(36), atSecond(36);
    for (auto [point, store] : {std::pair{first, &atFirst}, std::pair{second, &atSecond}}) {
        w.EvaluatePrimitives(point, 4);
        for (int c = 0; c < 36; ++c)
            for (int k = 0; k < 11; ++k)
                (*store)[c].push_back(MOComponent(w, k, c));
    }
    for (int level : {-3, 0, 1, 2, 3, 4, 9}) {
        const int effective = std::clamp(level, 0, 4);
        w.EvaluatePrimitives(first, 4);
        w.EvaluatePrimitives(second, level);
        for (int c = 0; c < 36; ++c)
            for (int k = 0; k < 11; ++k) {
                const bool written = WrittenFrom(c) <= effective;
                const double expected = written ? atSecond[c][k] : atFirst[c][k];
                EXPECT_TRUE(Close(MOComponent(w, k, c), expected, 1e-13, 1.0))
                    << "level " << level << " component " << kComponentLabels[c]
                    << (written ? " new" : " kept");
            }
    }
}

TEST(Kernel, EveryCallCountsOnceAndNothingIsAllocated) {
    CWavefunction w;
    Build(w, MixedModel());
    w.EvaluatePrimitives(CVector(0.1, 0.2, 0.3), 4); // fills the kernel's layout
    for (int level = -1; level <= 5; ++level) {
        const int before = g_nEvaluations.load();
        const long allocations = g_allocations;
        EXPECT_EQ(w.EvaluatePrimitives(CVector(0.2 * level, -0.1, 0.4), level), 1);
        EXPECT_EQ(g_allocations, allocations) << "level " << level;
        EXPECT_EQ(g_nEvaluations.load(), before + 1) << "level " << level;
    }
}

TEST(Kernel, ExponentialMatchesTheLibraryDownToUnderflow) {
    // An s primitive along the x axis, so that -alpha x^2 is formed the same way
    // here; the arguments run from 0 through the subnormal range to underflow.
    const double alpha = 1.7;
    Model m;
    m.positions = {CVector(0, 0, 0)};
    m.charges = {1.0};
    m.occupations = {1.0};
    m.primitives = {{1, 1, alpha, {1.0}}};
    CWavefunction w;
    Build(w, m);
    w.m_bScreening = false; // every primitive, however far
    const double xMax = std::sqrt(760.0 / alpha);
    for (int i = 0; i <= 4000; ++i) {
        const double x = xMax * i / 4000.0;
        w.EvaluatePrimitives(CVector(x, 0, 0), 0);
        const double expected = std::exp(-alpha * (x * x));
        const double got = w.m_pMOValue[0];
        EXPECT_LE(std::fabs(got - expected), std::max(2.3e-16 * expected, 5e-324)) << "x = " << x;
    }
    // Far from the centre every component is exactly 0.
    w.EvaluatePrimitives(CVector(30.0, -25.0, 12.0), 4);
    for (int c = 0; c < 36; ++c)
        EXPECT_EQ(MOComponent(w, 0, c), 0.0) << kComponentLabels[c];
}

TEST(Kernel, TypesAboveTwentyAreLeftOutBelowTheFullTypeCount) {
    // Under a type count below 35 the g primitives are not evaluated and add nothing.
    const Model m = MixedModel(35);
    CWavefunction w;
    Build(w, m);
    w.m_nTypes = 20;
    ASSERT_EQ(w.AllocWorkingMemory(w.m_nNuclei, w.m_nMOs, w.m_nPrimitives), 1);
    for (const CVector& point : kMixedPoints) {
        w.EvaluatePrimitives(point, 4);
        for (int k = 0; k < 11; ++k)
            for (int c : {0, 2, 9, 17, 33}) {
                const RefSum ref = ReferenceMO(m, k, c, point, 20);
                EXPECT_TRUE(Close(MOComponent(w, k, c), ref.value, 1e-13, ref.scale));
            }
    }
}
