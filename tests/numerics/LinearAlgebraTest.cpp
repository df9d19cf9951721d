#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

#include "numerics/LinearAlgebra.h"
#include "numerics/Options.h"
#include "numerics/Tensor.h"

namespace {

// Restores the linear-algebra options a test changes.
struct OptionGuard {
    CLAOptions saved = *g_pLAOptions;
    ~OptionGuard() { *g_pLAOptions = saved; }
};

void ExpectVector(CVector v, CVector expected, double tol = 0.0) {
    EXPECT_NEAR(v.x, expected.x, tol);
    EXPECT_NEAR(v.y, expected.y, tol);
    EXPECT_NEAR(v.z, expected.z, tol);
}

} // namespace

TEST(VectorTest, DivisionByZeroGivesFarVector) {
    const CVector far(1e308, 1e308, 1e308);
    EXPECT_TRUE(CVector(1, 2, 3) / 0.0 == far);
    EXPECT_TRUE(CVector() / 0.0 == far);
    EXPECT_TRUE(CVector(1, 2, 3) / -0.0 == far);
    EXPECT_TRUE(CVector(2, 4, 6) / 2.0 == CVector(1, 2, 3));
}

TEST(VectorTest, ProductsAndExactEquality) {
    const CVector a(1, 2, 3), b(-2, 0.5, 4);
    EXPECT_EQ(a * b, -2 + 1 + 12);
    EXPECT_TRUE(Cross(a, b) == CVector(2 * 4 - 3 * 0.5, 3 * -2 - 1 * 4, 1 * 0.5 - 2 * -2));
    EXPECT_FALSE(CVector(0.1 + 0.2, 0, 0) == CVector(0.3, 0, 0));
    EXPECT_DOUBLE_EQ(CVector(3, 4, 12).Length(), 13.0);
}

TEST(MatrixTest, ProductsActOnColumns) {
    const CMatrix m(CVector(1, 2, 3), CVector(4, 5, 6), CVector(7, 8, 10));
    // M v combines columns, v M dots with them.
    EXPECT_TRUE(m * CVector(1, 0, 0) == CVector(1, 2, 3));
    EXPECT_TRUE(m * CVector(1, 1, 1) == CVector(12, 15, 19));
    EXPECT_TRUE(CVector(1, 1, 1) * m == CVector(6, 15, 25));
    const CMatrix p = m * m;
    ExpectVector(p.c0, m * m.c0);
    ExpectVector(p.c2, m * m.c2);
}

TEST(SolveTest, PermutationExample) {
    // Rows (0,1,0), (1,0,0), (0,0,1): the first two rows are exchanged.
    const CMatrix m(CVector(0, 1, 0), CVector(1, 0, 0), CVector(0, 0, 1));
    CVector x(-1, -1, -1);
    ASSERT_EQ(m.Solve(CVector(2, 3, 4), x), 1);
    EXPECT_TRUE(x == CVector(3, 2, 4));
}

TEST(SolveTest, SolutionSatisfiesSystem) {
    const CTensor t(4.0, 3.0, 2.5, 1.0, -0.5, 0.25);
    const CVector b(1.0, -2.0, 0.5);
    CVector x;
    ASSERT_EQ(t.Solve(b, x), 1);
    ExpectVector(t * x, b, 1e-14);
}

TEST(SolveTest, SingularCases) {
    OptionGuard guard;
    const CVector untouched(7, 8, 9);
    struct Case {
        const char* name;
        CMatrix m;
        double threshold;
        int expected;
    };
    const Case cases[] = {
        {"zero matrix", CMatrix(), 1e-12, 0},
        {"two equal rows", CMatrix(CVector(1, 1, 0), CVector(2, 2, 0), CVector(3, 3, 1)), 1e-12, 0},
        // Largest candidate pivot equal to the threshold is still accepted.
        {"pivot at threshold", CMatrix(CVector(1e-12, 0, 0), CVector(0, 1, 0), CVector(0, 0, 1)), 1e-12, 1},
        // After elimination the last diagonal element is 1e-13: refused.
        {"last pivot 1e-13", CMatrix(CVector(1, 0, 0), CVector(0, 1, 0), CVector(0, 0, 1e-13)), 1e-12, 0},
        // A zero pivot is singular even when the threshold is switched off.
        {"zero pivot, threshold 0", CMatrix(CVector(1, 1, 0), CVector(2, 2, 0), CVector(3, 3, 1)), 0.0, 0},
        {"zero matrix, threshold 0", CMatrix(), 0.0, 0},
        // Pivots pass a zero threshold but the solution overflows: not a success.
        {"overflowing solution", CMatrix(CVector(1e-300, 0, 0), CVector(0, 1, 0), CVector(0, 0, 1)), 0.0, 0},
        {"NaN entry", CMatrix(CVector(std::nan(""), 0, 0), CVector(0, 1, 0), CVector(0, 0, 1)), 1e-12, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_pLAOptions->PivotThreshold.Current = c.threshold;
        CVector x = untouched;
        EXPECT_EQ(c.m.Solve(CVector(1e10, 1, 1), x), c.expected);
        if (c.expected == 0) {
            EXPECT_TRUE(x == untouched);
        } else {
            EXPECT_TRUE(std::isfinite(x.x) && std::isfinite(x.y) && std::isfinite(x.z));
        }
    }
}

TEST(PythagTest, NoOverflowOrUnderflow) {
    EXPECT_DOUBLE_EQ(Pythag(3, 4), 5);
    EXPECT_DOUBLE_EQ(Pythag(-3, 4), 5);
    EXPECT_EQ(Pythag(0, 0), 0);
    EXPECT_DOUBLE_EQ(Pythag(3e200, 4e200), 5e200);
    EXPECT_DOUBLE_EQ(Pythag(3e-200, 4e-200), 5e-200);
    EXPECT_DOUBLE_EQ(Pythag(1e300, 1e300), std::sqrt(2.0) * 1e300);
}

TEST(TensorTest, DiagonalTensorNeedsNoIteration) {
    OptionGuard guard;
    g_pLAOptions->MaxQLIterations.Current = 0;
    CTensor t(5, 1, 3);
    ASSERT_EQ(t.Diagonalize(), 1);
    EXPECT_TRUE(*t.GetEigenvalues() == CVector(1, 3, 5));
    EXPECT_TRUE(t.GetEigenvectors()->c0 == CVector(0, 1, 0));
    EXPECT_TRUE(t.GetEigenvectors()->c1 == CVector(0, 0, 1));
    EXPECT_TRUE(t.GetEigenvectors()->c2 == CVector(1, 0, 0));
}

TEST(TensorTest, AllOnesTensor) {
    CTensor t(1, 1, 1, 1, 1, 1);
    ASSERT_EQ(t.Diagonalize(), 1);
    const CVector ev = *t.GetEigenvalues();
    EXPECT_NEAR(ev.x, 0, 1e-15);
    EXPECT_NEAR(ev.y, 0, 1e-15);
    EXPECT_NEAR(ev.z, 3, 1e-15);
    const CVector v = t.GetEigenvectors()->c2;
    const double s = 1 / std::sqrt(3.0);
    EXPECT_NEAR(std::fabs(v * CVector(s, s, s)), 1.0, 1e-15);
}

TEST(TensorTest, IterationLimitCountsPerEigenvalue) {
    OptionGuard guard;
    CTensor t(2, 1, 1, 0.5, 0.25, 0.125);
    g_pLAOptions->MaxQLIterations.Current = 1;
    EXPECT_EQ(t.Diagonalize(), 0);
    EXPECT_FALSE(t.HasEigenData());
    g_pLAOptions->MaxQLIterations.Current = 60;
    EXPECT_EQ(t.Diagonalize(), 1);
    EXPECT_TRUE(t.HasEigenData());
}

// However large the limit, a tensor whose products overflow fails at once;
// a limit below 1 allows no iteration.
TEST(TensorTest, IterationEndsWhateverTheTensorAndTheLimit) {
    OptionGuard guard;
    g_pLAOptions->MaxQLIterations.Current = INT_MAX;
    for (const CTensor& tensor : {CTensor(1.7e308, 1.7e308, 1.7e308, 1.7e308, 1.7e308, 1.7e308),
                                  CTensor(0, 0, 0, 1.7e308, 1.7e308, 1.7e308)}) {
        CTensor t = tensor;
        EXPECT_EQ(t.Diagonalize(), 0);
        EXPECT_FALSE(t.HasEigenData());
    }
    CTensor t(2, 1, 1, 0.5, 0.25, 0.125);
    for (const int limit : {0, -1, INT_MIN}) {
        g_pLAOptions->MaxQLIterations.Current = limit;
        EXPECT_EQ(t.Diagonalize(), 0) << limit;
    }
}

TEST(TensorTest, RepeatedEigenvaluesKeepQLColumnOrder) {
    // (2,1,1) ends with the QL columns in the order 1, 2, 0 and (1,1,0) in the
    // order 2, 1, 0: for diagonal tensors QL leaves the unit columns in place.
    CTensor a(2, 1, 1);
    ASSERT_EQ(a.Diagonalize(), 1);
    EXPECT_TRUE(*a.GetEigenvalues() == CVector(1, 1, 2));
    EXPECT_TRUE(a.GetEigenvectors()->c0 == CVector(0, 1, 0));
    EXPECT_TRUE(a.GetEigenvectors()->c1 == CVector(0, 0, 1));
    EXPECT_TRUE(a.GetEigenvectors()->c2 == CVector(1, 0, 0));
    CTensor b(1, 1, 0);
    ASSERT_EQ(b.Diagonalize(), 1);
    EXPECT_TRUE(*b.GetEigenvalues() == CVector(0, 1, 1));
    EXPECT_TRUE(b.GetEigenvectors()->c0 == CVector(0, 0, 1));
    EXPECT_TRUE(b.GetEigenvectors()->c1 == CVector(0, 1, 0));
    EXPECT_TRUE(b.GetEigenvectors()->c2 == CVector(1, 0, 0));
}

TEST(TensorTest, CopiesOwnTheirEigenData) {
    CTensor plain(1, 2, 3, 0.1);
    CTensor plainCopy(plain);
    EXPECT_FALSE(plainCopy.HasEigenData());

    auto source = std::make_unique<CTensor>(1, 2, 3, 0.1, 0.2, 0.3);
    ASSERT_EQ(source->Diagonalize(), 1);
    CTensor copy(*source);
    CTensor assigned;
    assigned = *source;
    const CVector values = *source->GetEigenvalues();
    ASSERT_TRUE(copy.HasEigenData());
    EXPECT_NE(copy.GetEigenvalues(), source->GetEigenvalues());
    source.reset();
    EXPECT_TRUE(*copy.GetEigenvalues() == values);
    EXPECT_TRUE(*assigned.GetEigenvalues() == values);

    assigned = assigned; // self-assignment keeps the data
    EXPECT_TRUE(assigned.HasEigenData());
    assigned = plain; // from a tensor without eigen data: none left
    EXPECT_FALSE(assigned.HasEigenData());
    EXPECT_TRUE(assigned == plain);
}

// A.v = lambda.v, orthonormal columns, ascending eigenvalues: checked without a
// second eigen-solver, over random and degenerate tensors at extreme scales.
TEST(TensorTest, EigenDecompositionHoldsOverScales) {
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<CTensor> shapes;
    for (int i = 0; i < 40; ++i) shapes.emplace_back(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng));
    shapes.emplace_back(1, 1, 1);                  // triple degenerate
    shapes.emplace_back(1, 1, 1, 1, 1, 1);          // rank one
    shapes.emplace_back(2, 2, 5, 0, 0, 0);          // double degenerate
    shapes.emplace_back(1, 1, 0, 1, 0, 0);          // zero and double roots
    shapes.emplace_back(-3, 1, 1, 0.5, 0.5, 0.0);
    shapes.emplace_back(0, 0, 0, 0, 0, 1);          // only off-diagonal
    shapes.emplace_back(1, 1e-8, 0, 0, 0, 1e-9);    // widely spread eigenvalues

    const double scales[] = {1e-300, 1e-200, 1e-160, 1e-20, 1.0, 1e20, 1e160, 1e200, 1e300};
    for (double scale : scales) {
        for (const CTensor& shape : shapes) {
            CTensor t(shape.xx * scale, shape.yy * scale, shape.zz * scale, shape.xy * scale,
                      shape.xz * scale, shape.yz * scale);
            ASSERT_EQ(t.Diagonalize(), 1) << "scale " << scale;
            const CVector ev = *t.GetEigenvalues();
            const CMatrix& vec = *t.GetEigenvectors();
            const double norm = std::max({std::fabs(t.xx), std::fabs(t.yy), std::fabs(t.zz),
                                          std::fabs(t.xy), std::fabs(t.xz), std::fabs(t.yz)});
            EXPECT_LE(ev.x, ev.y);
            EXPECT_LE(ev.y, ev.z);
            const double lambda[3] = {ev.x, ev.y, ev.z};
            for (int k = 0; k < 3; ++k) {
                const CVector v = vec.Column(k);
                EXPECT_NEAR(v.Length(), 1.0, 1e-14) << "scale " << scale;
                // Residual relative to the tensor's size: (A v - lambda v) / |A|.
                // Scaled before the length is taken so that squares stay in range.
                const CVector r = (t * v - lambda[k] * v) / norm;
                const double rel = r.Length();
                EXPECT_LT(rel, 1e-14) << "scale " << scale << " k " << k;
                for (int j = k + 1; j < 3; ++j) EXPECT_NEAR(v * vec.Column(j), 0.0, 1e-14);
            }
            EXPECT_NEAR((ev.x + ev.y + ev.z - t.Trace()) / norm, 0.0, 1e-14);
        }
    }
}
