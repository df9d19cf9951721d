// The parallel point loop against one thread: same numbers bit for bit,
// cancel, exceptions. Also built with the thread sanitizer (make tsan).

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "EvalTestSupport.h"
#include "platform/core/JobState.h"
#include "wavefunction/Evaluator.h"

namespace {

using evaltest::LoadFixture;

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

enum class Ask { Field, Basin };

template <class Evaluate> Outputs Request(const CWavefunction& w, Evaluate&& evaluate, Ask ask, CVector point) {
    Outputs o;
    CEvalRequest r;
    r.point = point;
    r.value = &o.value;
    const CNucleus a(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
    if (ask == Ask::Field) {
        r.gradient = &o.gradient;
        r.hessian = &o.hessian;
        r.stress = &o.stress;
        r.stressDivergence = &o.divergence;
    } else {
        o.integrands.assign(47 + w.m_nMOs * (w.m_nMOs + 1) / 2, 0.0);
        r.integrands = o.integrands.data();
        r.atomA = &a;
    }
    EXPECT_EQ(evaluate(r), 1);
    return o;
}

std::vector<CVector> Points(int count) {
    std::vector<CVector> points;
    for (int i = 0; i < count; ++i)
        points.emplace_back(-4.0 + 0.031 * i, 3.0 - 0.023 * i, 0.5 * std::sin(0.1 * i));
    return points;
}

// The parallel loop: what each index gets is what one thread gets, bit for bit.
TEST(ParallelLoop, ResultsEqualOneThreadBitForBit) {
    CWavefunction w;
    LoadFixture(w, "water_g.wfn");
    const std::vector<CVector> points = Points(300);
    const int n = static_cast<int>(points.size());
    for (Ask ask : {Ask::Field, Ask::Basin}) {
        std::vector<Outputs> own(n);
        for (int i = 0; i < n; ++i)
            own[i] = Request(w, [&w](CEvalRequest r) { return w.Evaluate(r); }, ask, points[i]);
        for (int threads : {1, 3, 0}) {
            std::vector<Outputs> got(n);
            ASSERT_TRUE(zel::ForEachPoint(
                w, n,
                [&](int i, CEvaluator& e) {
                    got[i] = Request(w, [&e](CEvalRequest r) { return e.Evaluate(r); }, ask, points[i]);
                },
                threads));
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(got[i].value, own[i].value) << i;
                EXPECT_EQ(Vec(got[i].gradient), Vec(own[i].gradient)) << i;
                EXPECT_EQ(Vec(got[i].hessian), Vec(own[i].hessian)) << i;
                EXPECT_EQ(Vec(got[i].stress), Vec(own[i].stress)) << i;
                EXPECT_EQ(Vec(got[i].divergence), Vec(own[i].divergence)) << i;
                EXPECT_EQ(got[i].integrands, own[i].integrands) << i;
            }
        }
    }
}

// The evaluators count their kernel calls in batches; once the loop returns,
// every call is in the job's count, whatever the thread count.
TEST(ParallelLoop, EveryKernelCallIsCounted) {
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    for (int threads : {1, 3, 0}) {
        const int n = 1001;
        const int before = g_nEvaluations.load();
        ASSERT_TRUE(zel::ForEachPoint(
            w, n,
            [&](int i, CEvaluator& e) {
                double value = 0;
                CEvalRequest r;
                r.point = CVector(0.01 * i, 0.2, -0.1);
                r.value = &value;
                e.Evaluate(r);
                e.Evaluate(r); // the same point again: the evaluator's cache, no kernel call
            },
            threads));
        EXPECT_EQ(g_nEvaluations.load() - before, n) << threads << " threads";
    }
}

TEST(ParallelLoop, CancelStopsTheLoopAndSaysSo) {
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    std::atomic<int> ran{0};
    const int n = 100000;
    const bool finished = zel::ForEachPoint(
        w, n,
        [&](int i, CEvaluator& e) {
            double value = 0;
            CEvalRequest r;
            r.point = CVector(0.001 * i, 0, 0);
            r.value = &value;
            e.Evaluate(r);
            if (ran.fetch_add(1) == 500) g_bCancel = 1;
        },
        4);
    g_bCancel = 0;
    EXPECT_FALSE(finished);
    EXPECT_LT(ran.load(), n);
}

TEST(ParallelLoop, FailuresAndEmptyWavefunctions) {
    // An exception from the body ends the loop and reaches the caller.
    CWavefunction w;
    LoadFixture(w, "water.wfn");
    EXPECT_THROW(zel::ForEachPoint(
                     w, 1000, [](int i, CEvaluator&) { if (i == 37) throw std::runtime_error("body"); }, 4),
                 std::runtime_error);
    // Nothing to evaluate: the body never runs.
    CWavefunction empty;
    int calls = 0;
    EXPECT_FALSE(zel::ForEachPoint(empty, 10, [&](int, CEvaluator&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(zel::ForEachPoint(w, 0, [&](int, CEvaluator&) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

} // namespace
