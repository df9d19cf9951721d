#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "numerics/OdeSolver.h"

using Status = COdeSolver::Status;

void PrintTo(Status s, std::ostream* os) {
    constexpr const char* names[] = {"Success", "TooMuchWork", "RhsFailed", "Failed", "InvalidInput"};
    *os << names[static_cast<int>(s)];
}

namespace {

int Decay(double, const double* y, double* dydt) {
    dydt[0] = -y[0];
    return 0;
}

double Norm3(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

} // namespace

// No linear solver is ever attached, and CVODE's default Newton iteration cannot
// start without one (CV_NLS_INIT_FAIL): every successful solve here also shows that
// the fixed-point iteration is in place.
TEST(OdeSolverTest, DecayFollowsExpAtEveryOutputPointExactlyAtTout) {
    COdeSolver solver(1);
    const double y0 = 1.0, atol = 1e-10;
    ASSERT_EQ(solver.Init(Decay, 0.0, &y0, 1e-8, &atol), Status::Success);
    for (int k = 1; k <= 50; ++k) {
        const double tout = 0.1 * k;
        double t = -1, y = 0;
        ASSERT_EQ(solver.Solve(tout, t, &y), Status::Success) << solver.LastMessage();
        EXPECT_EQ(t, tout);
        // Global error builds up over many local steps: allow 100 times relTol.
        EXPECT_NEAR(y, std::exp(-tout), 1e-6 * std::exp(-tout)) << "t = " << tout;
    }
}

TEST(OdeSolverTest, RotationReturnsToStartAfterFullTurn) {
    // y' = w x y with |w| = 1: a rigid rotation about w, period 2 pi.
    const double w[3] = {1.0 / 3, 2.0 / 3, 2.0 / 3};
    auto rhs = [&w](double, const double* y, double* d) {
        d[0] = w[1] * y[2] - w[2] * y[1];
        d[1] = w[2] * y[0] - w[0] * y[2];
        d[2] = w[0] * y[1] - w[1] * y[0];
        return 0;
    };
    COdeSolver solver(3);
    const double y0[3] = {1.0, -0.5, 0.25};
    const double atol[3] = {1e-10, 1e-10, 1e-10};
    ASSERT_EQ(solver.Init(rhs, 0.0, y0, 1e-9, atol), Status::Success);

    double t = 0, y[3];
    ASSERT_EQ(solver.Solve(std::numbers::pi, t, y), Status::Success);
    // Half a turn: y -> 2 (w.y) w - y.
    const double wy = w[0] * y0[0] + w[1] * y0[1] + w[2] * y0[2];
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(y[i], 2 * wy * w[i] - y0[i], 1e-6) << i;
    ASSERT_EQ(solver.Solve(2 * std::numbers::pi, t, y), Status::Success);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(y[i], y0[i], 1e-6) << i;
    EXPECT_NEAR(Norm3(y), Norm3(y0), 1e-7);
}

TEST(OdeSolverTest, EachComponentHasItsOwnAbsoluteTolerance) {
    // Two decays of amplitude 1e-6 and 1, relTol 0: only the absolute tolerance
    // of a component makes it accurate. A tolerance taken from the wrong entry
    // (or one entry used for all) leaves the tight component about 1e-3 off.
    const double scale[2] = {1e-6, 1.0};
    auto rhs = [](double, const double* y, double* d) {
        d[0] = -y[0];
        d[1] = -y[1];
        return 0;
    };
    struct Case {
        std::array<double, 2> atol;
        int tight;
    };
    for (const Case& c : {Case{{1e-15, 1e-3}, 0}, Case{{1e-3, 1e-9}, 1}}) {
        COdeSolver solver(2);
        ASSERT_EQ(solver.Init(rhs, 0.0, scale, 0.0, c.atol.data()), Status::Success);
        double t, y[2];
        ASSERT_EQ(solver.Solve(3.0, t, y), Status::Success) << solver.LastMessage();
        const int i = c.tight;
        EXPECT_NEAR(y[i] / scale[i], std::exp(-3.0), 1e-6) << "atol " << c.atol[0] << ", " << c.atol[1];
    }
}

TEST(OdeSolverTest, CallerWeightsFollowTheSolutionAndAFailingWeightFailsTheSolve) {
    // A rotation of amplitude 1e-9 beside a decay of amplitude 1: with the
    // scalar tolerances (1e-6 relative, 1e-6 absolute) the small component
    // is left without any accuracy; weights that hold it relative to its own
    // size make it exact to 1e-6 of itself. The weights see the accepted
    // solution: here it never leaves the circle of radius 1e-9.
    auto rhs = [](double, const double* y, double* d) {
        d[0] = -y[1];
        d[1] = y[0];
        d[2] = -y[2];
        return 0;
    };
    const double y0[3] = {1e-9, 0.0, 1.0};
    double largest = 0.0;
    const COdeSolver::Weights weights = [&largest](const double* y, double* w) {
        const double r = std::hypot(y[0], y[1]);
        largest = std::max(largest, r);
        w[0] = w[1] = 1.0 / (1e-7 * r);
        w[2] = 1.0 / (1e-6 * std::fabs(y[2]) + 1e-6);
        return 0;
    };
    COdeSolver solver(3);
    ASSERT_EQ(solver.Init(rhs, 0.0, y0, weights), Status::Success);
    double t, y[3];
    ASSERT_EQ(solver.Solve(2.0 * std::numbers::pi, t, y), Status::Success) << solver.LastMessage();
    EXPECT_NEAR(y[0] / 1e-9, 1.0, 1e-5);
    EXPECT_NEAR(y[1] / 1e-9, 0.0, 1e-5);
    EXPECT_NEAR(largest / 1e-9, 1.0, 1e-5);

    // The scalar tolerances again after the weights: the small component is lost.
    const double atol[3] = {1e-6, 1e-6, 1e-6};
    ASSERT_EQ(solver.Init(rhs, 0.0, y0, 1e-6, atol), Status::Success);
    ASSERT_EQ(solver.Solve(2.0 * std::numbers::pi, t, y), Status::Success);
    EXPECT_GT(std::fabs(y[0] / 1e-9 - 1.0) + std::fabs(y[1] / 1e-9), 1e-4);

    // A weight function that fails, or gives a weight that is not positive.
    for (const COdeSolver::Weights& bad :
         {COdeSolver::Weights([](const double*, double*) { return 1; }),
          COdeSolver::Weights([](const double*, double* w) {
              w[0] = w[1] = w[2] = 0.0;
              return 0;
          })}) {
        ASSERT_EQ(solver.Init(rhs, 0.0, y0, bad), Status::Success);
        EXPECT_NE(solver.Solve(1.0, t, y), Status::Success);
    }
    EXPECT_EQ(solver.Init(rhs, 0.0, y0, COdeSolver::Weights()), Status::InvalidInput);
}

TEST(OdeSolverTest, QuadratureOfManyPropertiesOverWholeIntervalSteps) {
    // y_k' = t^k on [a, b], y(a) = 0, as the basin and surface quadratures use it.
    constexpr int n = 120;
    auto rhs = [](double t, const double*, double* d) {
        double p = 1.0;
        for (int k = 0; k < n; ++k, p *= t) d[k] = p;
        return 0;
    };
    struct Case {
        double a, b;
    };
    for (const Case& c : {Case{0.0, 1.0}, Case{1.0, 0.0}, Case{-1.0, 1.0}}) {
        COdeSolver solver(n);
        ASSERT_EQ(solver.SetMaxStep(std::fabs(c.b - c.a)), Status::Success);
        const std::vector<double> zero(n, 0.0), atol(n, 1e-12);
        ASSERT_EQ(solver.Init(rhs, c.a, zero.data(), 1e-9, atol.data()), Status::Success);
        std::vector<double> y(n);
        double t;
        ASSERT_EQ(solver.Solve(c.b, t, y.data()), Status::Success) << solver.LastMessage();
        EXPECT_EQ(t, c.b);
        for (int k = 0; k < n; ++k) {
            const double pb = std::pow(c.b, k + 1), pa = std::pow(c.a, k + 1);
            // Relative to the size of the running integral, which for odd k on
            // [-1, 1] is far larger than the vanishing result.
            const double size = (std::fabs(pb) + std::fabs(pa)) / (k + 1);
            EXPECT_NEAR(y[k], (pb - pa) / (k + 1), 1e-7 * size) << "[" << c.a << ", " << c.b << "] k=" << k;
        }
    }
}

TEST(OdeSolverTest, ZeroLengthIntervalReturnsStartWithoutEvaluations) {
    COdeSolver solver(1);
    const double y0 = 2.5, atol = 1e-10;
    ASSERT_EQ(solver.Init(Decay, 0.75, &y0, 1e-8, &atol), Status::Success);
    double t = 0, y = 0;
    ASSERT_EQ(solver.Solve(0.75, t, &y), Status::Success);
    EXPECT_EQ(t, 0.75);
    EXPECT_EQ(y, 2.5);
    EXPECT_EQ(solver.RhsEvaluations(), 0);
}

TEST(OdeSolverTest, MaxNumStepsGivesTooMuchWorkAndLaterCallsContinue) {
    COdeSolver solver(1);
    ASSERT_EQ(solver.SetMaxNumSteps(5), Status::Success);
    const double y0 = 1.0, atol = 1e-12;
    ASSERT_EQ(solver.Init(Decay, 0.0, &y0, 1e-10, &atol), Status::Success);

    double t = 0, y = 0, last = 0;
    int tooMuchWork = 0;
    Status s;
    while ((s = solver.Solve(20.0, t, &y)) == Status::TooMuchWork) {
        ++tooMuchWork;
        ASSERT_GT(t, last);
        ASSERT_LT(t, 20.0);
        EXPECT_NEAR(y, std::exp(-t), 1e-8) << "t = " << t;
        last = t;
        ASSERT_LT(tooMuchWork, 10000);
    }
    EXPECT_EQ(s, Status::Success);
    EXPECT_GT(tooMuchWork, 1);
    EXPECT_EQ(t, 20.0);
    EXPECT_NEAR(y, std::exp(-20.0), 1e-10);
    EXPECT_FALSE(solver.LastMessage().empty());
}

TEST(OdeSolverTest, GradientPathIntoAnAttractorEndsWithTooMuchWork) {
    // Unit-speed path down to the origin, as a tracer follows a gradient in arc
    // length into a critical point: past it the direction field flips and the
    // solver stalls there.
    auto rhs = [](double, const double* y, double* d) {
        const double r = Norm3(y);
        for (int i = 0; i < 3; ++i) d[i] = -y[i] / r;
        return 0;
    };
    COdeSolver solver(3);
    const double y0[3] = {0.3, 0.2, 0.1}, atol[3] = {1e-7, 1e-7, 1e-7};
    ASSERT_EQ(solver.Init(rhs, 0.0, y0, 1e-6, atol), Status::Success);
    testing::internal::CaptureStderr();
    double t = 0, y[3];
    Status s = Status::Success;
    for (int k = 1; k <= 100 && s == Status::Success; ++k) s = solver.Solve(0.02 * k, t, y);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(s, Status::TooMuchWork);
    EXPECT_NEAR(t, Norm3(y0), 1e-3);
    EXPECT_LT(Norm3(y), 1e-3);
}

TEST(OdeSolverTest, RhsFailuresStopSilentlyWithRhsFailed) {
    struct Case {
        const char* name;
        int (*code)(double t, int call);
        Status expected;
    };
    const Case cases[] = {
        {"stop at start", [](double, int) { return -1; }, Status::RhsFailed},
        {"stop midway", [](double t, int) { return t > 0.5 ? -1 : 0; }, Status::RhsFailed},
        {"recoverable at start", [](double, int) { return 1; }, Status::RhsFailed},
        // CVODE creeps up to a wall of recoverable failures with ever smaller steps.
        {"recoverable for good midway", [](double t, int) { return t > 0.5 ? 1 : 0; }, Status::TooMuchWork},
        {"recoverable once", [](double t, int call) { return t > 0.5 && call == 0 ? 1 : 0; }, Status::Success},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int failures = 0, callsAfterStop = 0;
        bool stopped = false;
        auto rhs = [&](double t, const double* y, double* d) {
            if (stopped) ++callsAfterStop;
            const int code = c.code(t, failures);
            if (code != 0) {
                ++failures;
                stopped = stopped || code < 0;
                return code;
            }
            d[0] = -y[0];
            return 0;
        };
        COdeSolver solver(1);
        const double y0 = 1.0, atol = 1e-10;
        ASSERT_EQ(solver.Init(rhs, 0.0, &y0, 1e-8, &atol), Status::Success);
        testing::internal::CaptureStderr();
        double t = -1, y = 0;
        const Status s = solver.Solve(1.0, t, &y);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(s, c.expected);
        EXPECT_EQ(callsAfterStop, 0) << "a stop must end the evaluations at once";
        if (s == Status::Success) {
            EXPECT_EQ(failures, 1);
            EXPECT_NEAR(y, std::exp(-1.0), 1e-7);
        } else {
            // The last point reached is still a valid point of the solution.
            EXPECT_GE(t, 0.0);
            EXPECT_LE(t, 1.0);
            EXPECT_NEAR(y, std::exp(-t), 1e-7);
            EXPECT_FALSE(solver.LastMessage().empty());
            // Only a stopped solver refuses to go on without a new Init.
            EXPECT_EQ(solver.Solve(1.0, t, &y) == Status::InvalidInput, s == Status::RhsFailed);
        }
    }
}

TEST(OdeSolverTest, ExceptionFromRhsPropagatesOutOfSolve) {
    auto rhs = [](double t, const double* y, double* d) {
        if (t > 0.5) throw std::runtime_error("field evaluation failed");
        d[0] = -y[0];
        return 0;
    };
    COdeSolver solver(1);
    const double y0 = 1.0, atol = 1e-10;
    ASSERT_EQ(solver.Init(rhs, 0.0, &y0, 1e-8, &atol), Status::Success);
    double t, y;
    EXPECT_THROW((void)solver.Solve(1.0, t, &y), std::runtime_error);
    // The solver stays usable after a fresh Init.
    ASSERT_EQ(solver.Init(Decay, 0.0, &y0, 1e-8, &atol), Status::Success);
    ASSERT_EQ(solver.Solve(1.0, t, &y), Status::Success);
    EXPECT_NEAR(y, std::exp(-1.0), 1e-7);
}

TEST(OdeSolverTest, RhsCountMatchesOwnCountAndResetsOnReInit) {
    long calls = 0;
    auto rhs = [&calls](double, const double* y, double* d) {
        ++calls;
        d[0] = -y[0];
        return 0;
    };
    COdeSolver solver(1);
    const double atol = 1e-10;
    double y0 = 1.0;
    ASSERT_EQ(solver.Init(rhs, 0.0, &y0, 1e-8, &atol), Status::Success);
    EXPECT_EQ(solver.RhsEvaluations(), 0);
    double t, y;
    long before = 0;
    for (double tout : {0.5, 1.0, 2.0}) {
        ASSERT_EQ(solver.Solve(tout, t, &y), Status::Success);
        EXPECT_GT(solver.RhsEvaluations(), before);
        EXPECT_EQ(solver.RhsEvaluations(), calls);
        before = solver.RhsEvaluations();
    }

    // Restart elsewhere, backwards in t: the history of the first run must not leak in.
    calls = 0;
    y0 = 3.0;
    ASSERT_EQ(solver.Init(rhs, 10.0, &y0, 1e-8, &atol), Status::Success);
    EXPECT_EQ(solver.RhsEvaluations(), 0);
    ASSERT_EQ(solver.Solve(9.0, t, &y), Status::Success);
    EXPECT_EQ(t, 9.0);
    EXPECT_NEAR(y, 3.0 * std::exp(1.0), 1e-6);
    EXPECT_EQ(solver.RhsEvaluations(), calls);
}

TEST(OdeSolverTest, MovedSolverKeepsWorking) {
    COdeSolver a(1);
    const double y0 = 1.0, atol = 1e-10;
    ASSERT_EQ(a.Init(Decay, 0.0, &y0, 1e-8, &atol), Status::Success);
    double t, y;
    ASSERT_EQ(a.Solve(0.5, t, &y), Status::Success);
    COdeSolver b(std::move(a));
    ASSERT_EQ(b.Solve(1.0, t, &y), Status::Success);
    EXPECT_NEAR(y, std::exp(-1.0), 1e-7);
    EXPECT_EQ(b.Size(), 1);
}

TEST(OdeSolverTest, RejectsInvalidInput) {
    EXPECT_THROW(COdeSolver(0), std::invalid_argument);

    COdeSolver solver(2);
    double t, y[2];
    EXPECT_EQ(solver.Solve(1.0, t, y), Status::InvalidInput) << "Solve before Init";
    EXPECT_EQ(solver.SetMaxStep(-1.0), Status::InvalidInput);

    const double y0[2] = {1.0, 1.0}, atol[2] = {1e-8, 1e-8}, negative[2] = {1e-8, -1e-8};
    auto rhs = [](double, const double* v, double* d) {
        d[0] = -v[0];
        d[1] = -v[1];
        return 0;
    };
    EXPECT_EQ(solver.Init(nullptr, 0.0, y0, 1e-6, atol), Status::InvalidInput);
    EXPECT_EQ(solver.Init(rhs, 0.0, nullptr, 1e-6, atol), Status::InvalidInput);
    EXPECT_EQ(solver.Init(rhs, 0.0, y0, -1e-6, atol), Status::InvalidInput);
    EXPECT_EQ(solver.Init(rhs, 0.0, y0, 1e-6, negative), Status::InvalidInput);
    EXPECT_EQ(solver.Init(rhs, 0.0, y0, 1e-6, nullptr), Status::InvalidInput);
    EXPECT_EQ(solver.Solve(1.0, t, y), Status::InvalidInput) << "Solve after a failed Init";

    ASSERT_EQ(solver.Init(rhs, 0.0, y0, 1e-6, atol), Status::Success);
    ASSERT_EQ(solver.Solve(1.0, t, y), Status::Success);
}
