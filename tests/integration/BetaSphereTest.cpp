// The beta sphere and the quadrature frame: closed forms for one s Gaussian,
// the zero-width rule with the proposed factor, the packed scaling of the
// volumes, exact identities among the integrals of a real atom, and the
// failures of job 7.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "integration/BasinQuadrature.h"

namespace {

using namespace integrationtest;
constexpr double kPi = std::numbers::pi;

// rho = 2 c^2 exp(-2 a r^2), normalised to two electrons.
struct SGaussian {
    double a = 0.8;
    double c2() const { return std::pow(2.0 * a / kPi, 1.5); }
    double rho(double r) const { return 2.0 * c2() * std::exp(-2.0 * a * r * r); }
    double Population(double R) const {
        const double x = std::sqrt(2.0 * a) * R;
        return 2.0 * (std::erf(x) - 2.0 * x * std::exp(-x * x) / std::sqrt(kPi));
    }
    // The integral of L = -lap(rho)/4: minus a quarter of the outward flux.
    double Laplacian(double R) const { return 4.0 * kPi * a * R * R * R * rho(R); }
    // The integral of rho / r.
    double InverseR(double R) const { return 2.0 * kPi * c2() * (1.0 - std::exp(-2.0 * a * R * R)) / a; }
};

class OneGaussian : public testing::Test {
protected:
    void SetUp() override {
        LoadText(molecule, SGaussiansWfn({CVector(0.3, -0.2, 0.1)}, gaussian.a));
        atom = AtomAt(molecule, 0);
        job.Settings.Atom = atom;
        job.Settings.Radius = 1.0;
    }
    const CBasinResults& Run() {
        const SJobRun run = RunJob(job, Job::BetaSphere);
        EXPECT_TRUE(run.messages.empty()) << run.messages.front();
        return atom->m_ResultsB;
    }
    double Packed(int property) const {
        const int j = PackedPosition(molecule, property);
        EXPECT_GE(j, 0);
        return atom->m_ResultsB.Results[static_cast<std::size_t>(j)];
    }

    SGaussian gaussian;
    CMolecule molecule;
    CAtom* atom = nullptr;
    CBasinJob job;
};

TEST_F(OneGaussian, BetaSphereMatchesTheClosedForms) {
    const double R = job.Settings.Radius;
    const CBasinResults& set = Run();
    EXPECT_EQ(set.Method, R);
    EXPECT_GT(set.Evaluations, 0);
    EXPECT_EQ(set.SymmetryFactor, 1.0);
    EXPECT_EQ(set.AbsAccuracy, 1e-4);
    EXPECT_NEAR(Packed(0), gaussian.Population(R), 1e-3 * gaussian.Population(R));
    EXPECT_NEAR(Packed(1), gaussian.Laplacian(R), 1e-3 * gaussian.Laplacian(R));
    // Measured from the integrated atom's nucleus: zero if the evaluation
    // did not know the atom.
    EXPECT_NEAR(Packed(7), gaussian.InverseR(R), 1e-3 * gaussian.InverseR(R));
    EXPECT_NEAR(Packed(15), -gaussian.InverseR(R), 1e-3 * gaussian.InverseR(R));
    // The density exceeds 0.002 everywhere inside: the volumes are the
    // sphere's, and the densities over them the population.
    const double volume = 4.0 * kPi * R * R * R / 3.0;
    EXPECT_NEAR(Packed(38), volume, 1e-3 * volume);
    EXPECT_NEAR(Packed(39), volume, 1e-3 * volume);
    EXPECT_DOUBLE_EQ(Packed(40), Packed(0));
    EXPECT_DOUBLE_EQ(Packed(41), Packed(0));
    EXPECT_NEAR(set.Results[47], Packed(0) / 2.0, 1e-12); // one orbital: RHO = 2 S
}

TEST_F(OneGaussian, ZeroWidthWindowsGiveTheFullSphereWithTheProposedFactor) {
    const double R = job.Settings.Radius;
    struct Case {
        int phiLower, phiUpper, thetaLower, thetaUpper;
        double factor;
    };
    const Case cases[] = {
        {90, 90, 0, 180, 2.0 * kPi},   // one phi: the theta integral without a width
        {0, 360, 60, 60, 2.0},         // one theta: without the sin(theta) factor
        {45, 45, 90, 90, 4.0 * kPi},   // one direction
        {0, 180, 0, 180, 2.0},         // half the sphere
        {300, 300, 0, 180, 2.0 * kPi}, // any phi
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.phiLower << ".." << c.phiUpper << ", " << c.thetaLower << ".." << c.thetaUpper);
        job.Settings.PhiLower = c.phiLower;
        job.Settings.PhiUpper = c.phiUpper;
        job.Settings.ThetaLower = c.thetaLower;
        job.Settings.ThetaUpper = c.thetaUpper;
        job.Settings.Factor = job.Settings.ProposedFactor();
        EXPECT_DOUBLE_EQ(job.Settings.Factor, c.factor);
        const CBasinResults& set = Run();
        EXPECT_EQ(set.SymmetryFactor, c.factor);
        EXPECT_EQ(set.PhiFrom, c.phiLower);
        EXPECT_EQ(set.PhiTo, c.phiUpper);
        EXPECT_NEAR(Packed(0), gaussian.Population(R), 1e-3 * gaussian.Population(R));
        EXPECT_NEAR(Packed(1), gaussian.Laplacian(R), 1e-3 * gaussian.Laplacian(R));
    }
}

// With a partial selection the packed results move up; the volumes are
// scaled where they stand, the densities over them are not.
TEST_F(OneGaussian, PartialSelectionScalesTheVolumesWhereTheyArePacked) {
    for (int i = 5; i < kBasinProperties; ++i)
        molecule.SetBasinPropertySelected(i, i == 38 || i == 40 || i == 41);
    const double R = job.Settings.Radius;
    Run();
    ASSERT_EQ(SelectedBasinCount(molecule), 8);
    const std::vector<double>& r = atom->m_ResultsB.Results;
    const double volume = 4.0 * kPi * R * R * R / 3.0;
    EXPECT_NEAR(r[5], volume, 1e-3 * volume);
    EXPECT_DOUBLE_EQ(r[6], r[0]);
    EXPECT_DOUBLE_EQ(r[7], r[0]);
    EXPECT_NEAR(r[0], gaussian.Population(R), 1e-3 * gaussian.Population(R));
}

// The integrals share one step sequence, so linear identities among the
// integrands hold among the integrals to rounding.
TEST(BetaSphere, ExactIdentitiesOnARealAtom) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    CAtom* hydrogen = AtomAt(molecule, 1);
    CBasinJob job;
    job.Settings.Atom = hydrogen;
    ASSERT_TRUE(RunJob(job, Job::BetaSphere).messages.empty());
    const std::vector<double>& r = hydrogen->m_ResultsB.Results;
    const auto expectSum = [](double sum, std::vector<double> terms) {
        double scale = 0.0;
        for (double t : terms)
            scale = std::max(scale, std::fabs(t));
        EXPECT_NEAR(sum, 0.0, 1e-10 * scale);
    };
    expectSum(r[3] - r[2] - r[1], {r[3], r[2], r[1]}); // K - G = L
    expectSum(r[4] - r[2] - r[3], {r[4], r[2], r[3]}); // VIR = G + K
    expectSum(r[25] + r[28] + r[30], {r[9]});          // traceless at every point, terms the size of rho r^2
    // RHO = 2 tr S for a closed shell: the diagonal of the lower triangle.
    const int n = molecule.GetWavefunction()->m_nMOs;
    double trace = 0.0;
    for (int i = 0; i < n; ++i)
        trace += r[static_cast<std::size_t>(47 + i * (i + 1) / 2 + i)];
    expectSum(r[0] - 2.0 * trace, {r[0]});
    EXPECT_GT(std::fabs(r[25]), 1e-4); // a quadrupole worth the name
}

TEST(BetaSphere, NoSelectedPropertyFailsWithTheMessage) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector()}, 0.8));
    for (int i = 0; i < kBasinProperties; ++i)
        molecule.SetBasinPropertySelected(i, 0);
    CAtom* atom = AtomAt(molecule, 0);
    atom->m_ResultsB.Method = 0.5;
    CBasinJob job;
    job.Settings.Atom = atom;
    int refreshed = 0;
    job.OnResultsChanged = [&refreshed] { ++refreshed; };
    EXPECT_EQ(RunJob(job, Job::BetaSphere).messages,
              std::vector<std::string>{"Integration of Beta-Sphere failed!"});
    EXPECT_EQ(atom->m_ResultsB.Method, 0.5); // the previous set stays
    EXPECT_EQ(refreshed, 1);
}

// A virial ratio of 0 makes the corrected energies infinite where the density
// is perfectly finite: the integration fails instead of storing them.
TEST(BetaSphere, ANonFiniteIntegrandFailsTheIntegration) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector()}, 0.8));
    molecule.GetWavefunction()->m_dVirial = 0.0;
    CAtom* atom = AtomAt(molecule, 0);
    CBasinJob job;
    job.Settings.Atom = atom;
    EXPECT_EQ(RunJob(job, Job::BetaSphere).messages,
              std::vector<std::string>{"Integration of Beta-Sphere failed!"});
    EXPECT_EQ(atom->m_ResultsB.Method, 0.0);
}

} // namespace
