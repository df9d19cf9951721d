// Evaluation at a point and the Newton iteration for critical points.

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AnalysisTestUtil.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"

namespace {

using analysistest::Load;
using analysistest::LoadText;
using analysistest::OneGaussianWfn;

const CVector kOxygen(0.0, 0.0, 0.22166486);
const CVector kHydrogen(0.0, 1.43090052, -0.88665943);

// Signs of the Hessian eigenvalues as a signature: -3 maximum, -1 bond, ...
int Signature(const CTensor& hessian) {
    const CVector* e = hessian.GetEigenvalues();
    if (!e) return 99;
    int signature = 0;
    for (double value : {e->x, e->y, e->z})
        signature += value > 0 ? 1 : -1;
    return signature;
}

int IterationsIn(const zel::CTextRecord& log) {
    int last = -1;
    for (const std::string& line : log)
        std::sscanf(line.c_str(), "      Iteration no %d:", &last);
    return last;
}

TEST(Evaluate, DerivativesMatchFiniteDifferences) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    const CVector p(0.3, 0.9, -0.5);
    const double h = 1e-4;
    for (int field = 0; field < 5; ++field) {
        molecule.SetFieldIndex(field);
        ASSERT_EQ(molecule.Evaluate(p, -3), 1);
        const CVector gradient = molecule.GetGradient();
        const CTensor hessian = molecule.GetHessianEigen();
        const CVector axes[3] = {CVector(h, 0, 0), CVector(0, h, 0), CVector(0, 0, h)};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(molecule.Evaluate(p + axes[i], -2), 1);
            const double plus = molecule.GetLastValue();
            const CVector gradPlus = molecule.GetGradient();
            ASSERT_EQ(molecule.Evaluate(p - axes[i], -2), 1);
            const double minus = molecule.GetLastValue();
            const CVector gradMinus = molecule.GetGradient();
            const double component = i == 0 ? gradient.x : (i == 1 ? gradient.y : gradient.z);
            EXPECT_NEAR((plus - minus) / (2 * h), component, 1e-5 * (1 + std::fabs(component))) << field << i;
            const CVector column = hessian * (axes[i] / h);
            const CVector difference = (gradPlus - gradMinus) / (2 * h);
            EXPECT_NEAR((difference - column).Length(), 0.0, 1e-5 * (1 + column.Length())) << field << i;
        }
    }
}

TEST(Evaluate, HessianAndStressAreDiagonalised) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    const CVector p(0.1, 0.7, -0.4);
    ASSERT_EQ(molecule.Evaluate(p, -3), 1);
    const CTensor hessian = molecule.GetHessianEigen();
    ASSERT_TRUE(hessian.HasEigenData());
    const CVector values = *hessian.GetEigenvalues();
    EXPECT_LE(values.x, values.y);
    EXPECT_LE(values.y, values.z);
    const CMatrix& vectors = *hessian.GetEigenvectors();
    for (int k = 0; k < 3; ++k) {
        const double lambda = k == 0 ? values.x : (k == 1 ? values.y : values.z);
        const CVector v = vectors.Column(k);
        EXPECT_NEAR((hessian * v - lambda * v).Length(), 0.0, 1e-10 * (1 + std::fabs(lambda)));
    }
    // Trace of the stress tensor is -(K + G), the value of field 4.
    const CTensor stress = molecule.GetStressEigen();
    ASSERT_TRUE(stress.HasEigenData());
    const double trace = stress.Trace();
    molecule.SetFieldIndex(4);
    ASSERT_EQ(molecule.Evaluate(p, -1), 1);
    EXPECT_NEAR(trace, -molecule.GetLastValue(), 1e-12 * (1 + std::fabs(trace)));
}

// Each level asks for its outputs only; the rest keeps the earlier point's.
TEST(Evaluate, LevelsOverwriteOnlyWhatTheyAskFor) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    double* values = molecule.GetValues();
    const int count = molecule.GetPropertyCount();
    std::fill(values, values + count, -7.0);

    const CVector p(0.2, 0.5, 0.1), q(-0.3, 0.2, 0.4);
    ASSERT_EQ(molecule.Evaluate(p, -3), 1);
    const CVector gradientP = molecule.GetGradient();
    const CTensor hessianP = molecule.GetHessianEigen();
    const double valueP = molecule.GetLastValue();

    ASSERT_EQ(molecule.Evaluate(q, -1), 1);
    EXPECT_EQ(molecule.GetLastPoint(), q);
    EXPECT_NE(molecule.GetLastValue(), valueP);
    EXPECT_EQ(molecule.GetGradient(), gradientP);
    EXPECT_TRUE(molecule.GetHessianEigen() == hessianP);
    EXPECT_EQ(values[0], -7.0);

    ASSERT_EQ(molecule.Evaluate(q, -2), 1);
    EXPECT_NE(molecule.GetGradient(), gradientP);
    EXPECT_TRUE(molecule.GetHessianEigen() == hessianP);
    EXPECT_EQ(values[0], -7.0);

    // A positive level fills the property array; entry 0 is rho.
    ASSERT_EQ(molecule.Evaluate(q, 1), 1);
    const double rho = molecule.GetLastValue();
    EXPECT_EQ(values[0], rho);
    EXPECT_NE(values[count - 1], -7.0);
}

TEST(Evaluate, FailsWithoutAWavefunction) {
    CMolecule molecule;
    EXPECT_EQ(molecule.Evaluate(CVector(1, 2, 3), 3), 0);
    EXPECT_EQ(molecule.GetLastPoint(), CVector(1, 2, 3));

    zel::CTextRecord log;
    EXPECT_EQ(molecule.NewtonIteration("nowhere", CVector(), &log), 0);
    EXPECT_EQ(molecule.GetErrorText(), "Calculation of density function failed.");
    EXPECT_EQ(log.Size(), 3u);
}

TEST(NewtonIteration, ConvergesToTheWaterBondPointAndStopsThereAtOnce) {
    CMolecule molecule;
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    const CVector start = kOxygen + 0.75 * (kHydrogen - kOxygen) + CVector(0.02, 0.03, -0.02);
    zel::CTextRecord log;
    ASSERT_EQ(molecule.NewtonIteration("water bond", start, &log), 1) << log.ToText();

    const CVector found = molecule.GetLastPoint();
    EXPECT_LT(molecule.GetGradient().Length(), molecule.GetCritOptions().GradientTolerance.Current);
    EXPECT_EQ(Signature(molecule.GetHessianEigen()), -1);
    // On the O-H axis (mirror planes), nearer the hydrogen.
    EXPECT_NEAR(found.x, 0.0, 1e-8);
    const CVector axis = (kHydrogen - kOxygen) / (kHydrogen - kOxygen).Length();
    const CVector offset = found - kOxygen;
    EXPECT_NEAR((offset - (offset * axis) * axis).Length(), 0.0, 0.05);
    EXPECT_GT(offset * axis / (kHydrogen - kOxygen).Length(), 0.5);
    EXPECT_LT(offset * axis / (kHydrogen - kOxygen).Length(), 1.0);

    ASSERT_GE(log.Size(), 6u);
    EXPECT_EQ(log.Lines()[0], "Newton iteration for water bond:");
    EXPECT_EQ(log.Lines()[1], zel::Sprintf("      Starting point: x =%11.6lf,  y =%11.6lf,   z =%11.6lf",
                                           start.x, start.y, start.z));
    EXPECT_EQ(log.Lines()[2], " ");
    EXPECT_EQ(
        log.Lines()[log.Size() - 2],
        zel::Sprintf("      Found point: x =%11.6lf,  y =%11.6lf,   z =%11.6lf", found.x, found.y, found.z));
    const int iterations = IterationsIn(log);
    EXPECT_GT(iterations, 1);

    // Restarting at the point found converges in the first iteration.
    zel::CTextRecord again;
    ASSERT_EQ(molecule.NewtonIteration("again", found, &again), 1);
    EXPECT_EQ(IterationsIn(again), 1);
    EXPECT_LT((molecule.GetLastPoint() - found).Length(), 1e-9);

    // Half steps need more iterations for the same tolerances.
    molecule.GetCritOptions().StepFactor.Current = 0.5;
    zel::CTextRecord half;
    ASSERT_EQ(molecule.NewtonIteration("half", start, &half), 1);
    EXPECT_GT(IterationsIn(half), iterations);
    EXPECT_LT((molecule.GetLastPoint() - found).Length(), 1e-6);
}

// One doubly occupied s Gaussian exp(-r^2/4) on (0.5, -0.25, 1): rho =
// 2 exp(-r^2/2), a maximum on the nucleus; at r = 1 its radial curvature
// vanishes, so the Hessian is singular while the gradient is 2 exp(-1/2).
class OneGaussian : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadText(molecule, OneGaussianWfn(kNucleus, 0.25)), 1); }

    static constexpr CVector kNucleus{0.5, -0.25, 1.0};
    CMolecule molecule;
};

TEST_F(OneGaussian, StartOnTheNucleusIsAMaximumAtOnce) {
    zel::CTextRecord log;
    ASSERT_EQ(molecule.NewtonIteration("nucleus", kNucleus, &log), 1);
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{
                  "Newton iteration for nucleus:",
                  "      Starting point: x =   0.500000,  y =  -0.250000,   z =   1.000000",
                  " ",
                  "      Iteration no 1:",
                  "      Found point: x =   0.500000,  y =  -0.250000,   z =   1.000000",
                  "      Distance of last two iterations: 0.0000e+000, Norm of Gradient: 0.0000e+000.",
              }));
    EXPECT_EQ(molecule.GetLastPoint(), kNucleus);
    EXPECT_EQ(Signature(molecule.GetHessianEigen()), -3);
    EXPECT_NEAR(molecule.GetLastValue(), 2.0, 1e-14);
}

TEST_F(OneGaussian, NearTheNucleusConvergesToIt) {
    ASSERT_EQ(molecule.NewtonIteration("near", kNucleus + CVector(0.2, -0.1, 0.15), nullptr), 1);
    EXPECT_LT((molecule.GetLastPoint() - kNucleus).Length(), 1e-9);
    EXPECT_EQ(Signature(molecule.GetHessianEigen()), -3);
}

TEST_F(OneGaussian, SingularHessianIsReported) {
    const CVector start = kNucleus + CVector(1.0, 0.0, 0.0);
    zel::CTextRecord log;
    EXPECT_EQ(molecule.NewtonIteration("inflection", start, &log), 0);
    EXPECT_EQ(molecule.GetErrorText(), "Singular Hessian Matrix in Newton iteration.");
    EXPECT_EQ(molecule.GetLastPoint(), start);
    ASSERT_EQ(log.Size(), 6u);
    EXPECT_EQ(log.Lines()[3], "      Iteration no 1:");
    EXPECT_EQ(log.Lines()[4], "      Stopped at point: x =   1.500000,  y =  -0.250000,   z =   1.000000");
    EXPECT_EQ(log.Lines()[5], zel::Sprintf("      Norm of Gradient: %11.4le.", 2.0 * std::exp(-0.5)));
    EXPECT_EQ(log.Lines()[5], "      Norm of Gradient: 1.2131e+000.");
}

// Far out the density is below the step tolerance: a singular Hessian there is
// a failure, never a degenerate point.
TEST_F(OneGaussian, SingularFarAwayIsAFailure) {
    EXPECT_EQ(molecule.NewtonIteration("far", CVector(60, 60, 60), nullptr), 0);
    EXPECT_EQ(molecule.GetErrorText(), "Singular Hessian Matrix in Newton iteration.");
}

// With a pivot threshold no Hessian passes, the nucleus (value 2, no gradient)
// counts as a possibly degenerate point and the message text stays.
TEST_F(OneGaussian, SingularWithVanishingGradientIsAPossiblyDegeneratePoint) {
    molecule.GetLAOptions().PivotThreshold.Current = 100.0;
    zel::CTextRecord log;
    EXPECT_EQ(molecule.NewtonIteration("flat", kNucleus, &log), 1);
    EXPECT_EQ(molecule.GetErrorText(), "");
    ASSERT_EQ(log.Size(), 6u);
    EXPECT_EQ(log.Lines()[4], "      Stopped at point: x =   0.500000,  y =  -0.250000,   z =   1.000000");
    EXPECT_EQ(log.Lines()[5], "      Found possibly degenerate critical point!");
}

TEST_F(OneGaussian, NoIterationsAllowedIsTooMany) {
    molecule.GetCritOptions().MaxIterations.Current = 0;
    const CVector start = kNucleus + CVector(0.0, 0.5, 0.0);
    zel::CTextRecord log;
    EXPECT_EQ(molecule.NewtonIteration("none", start, &log), 0);
    EXPECT_EQ(molecule.GetErrorText(), "Too many Newton iterations.");
    // |grad rho| = 4 phi |grad phi| = 2 r exp(-r^2/2) at r = 0.5.
    const double gradient = 2.0 * 0.5 * std::exp(-0.125);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Newton iteration for none:",
                               "      Starting point: x =   0.500000,  y =   0.250000,   z =   1.000000",
                               " ",
                               "      Iteration no 0:",
                               "      Found point: x =   0.500000,  y =   0.250000,   z =   1.000000",
                               zel::Sprintf("      Distance of last two iterations: 0.0000e+000, Norm of "
                                            "Gradient: %11.4le.",
                                            gradient),
                           }));
}

TEST_F(OneGaussian, TooFewIterations) {
    molecule.GetCritOptions().MaxIterations.Current = 2;
    zel::CTextRecord log;
    EXPECT_EQ(molecule.NewtonIteration("short", kNucleus + CVector(0.3, 0.2, 0.0), &log), 0);
    EXPECT_EQ(molecule.GetErrorText(), "Too many Newton iterations.");
    EXPECT_EQ(IterationsIn(log), 2);
}

TEST(SphericalCoordinates, Conversions) {
    const double pi = std::numbers::pi;
    const struct {
        CVector cartesian;
        CVector spherical;
    } cases[] = {
        {CVector(0, 0, 0), CVector(0, 0, 0)},
        {CVector(0, -1, 0), CVector(1, pi / 2, 3 * pi / 2)},
        {CVector(0, 0, -2), CVector(2, pi, 0)},
        {CVector(0, 0, 3), CVector(3, 0, 0)},
        {CVector(1, 1, 0), CVector(std::sqrt(2.0), pi / 2, pi / 4)},
        {CVector(-1, 0, 1), CVector(std::sqrt(2.0), pi / 4, pi)},
    };
    for (const auto& c : cases) {
        const CVector s = CMolecule::CartesianToSpherical(c.cartesian);
        EXPECT_NEAR(s.x, c.spherical.x, 1e-15);
        EXPECT_NEAR(s.y, c.spherical.y, 1e-15);
        EXPECT_NEAR(s.z, c.spherical.z, 1e-15);
        EXPECT_NEAR((CMolecule::SphericalToCartesian(s) - c.cartesian).Length(), 0.0, 1e-15);
    }
}

} // namespace
