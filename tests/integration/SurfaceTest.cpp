// The interatomic surface of a bond point (job 9): H2 of two s Gaussians,
// whose midplane integrals have closed forms, the identities among the
// surface properties, the phi borders and the failures of the job.

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "integration/SurfaceJob.h"
#include "integration/SurfaceQuadrature.h"

namespace {

using namespace integrationtest;
constexpr double kPi = std::numbers::pi;
const std::string kSurfaceFailed = "Integration over interatomic surface failed!";

// Surface property positions (all selected).
enum { kRho = 0, kGRN = 4, kVRA = 5, kVRB = 9, kVR = 13, kVA = 17, kVB = 18, kV = 19, kArea = 24 };

SJobRun RunSurfaceJob(CSurfaceJob& job) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    g_bCancel = 0;
    job.IntegrateSurface();
    g_bCancel = 0;
    return {prompts.Texts()};
}

// Two s Gaussians of exponent a at (0, 0, -d) and (0, 0, d).
constexpr double kAlpha = 1.0;
constexpr double kD = 1.0;

class H2Surface : public testing::Test {
protected:
    static void SetUpTestSuite() {
        molecule = new CMolecule;
        LoadText(*molecule, SGaussiansWfn({CVector(0.0, 0.0, -kD), CVector(0.0, 0.0, kD)}, kAlpha));
        SearchGraph(*molecule);
    }
    static void TearDownTestSuite() {
        delete molecule;
        molecule = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(molecule->GetList(-1)->size(), 1u);
        bond = static_cast<CBondPoint*>(molecule->GetList(-1)->front().get());
        bond->ClearSurfaceResults();
        for (int i = 0; i < kSurfaceProperties; ++i)
            molecule->SetSurfacePropertySelected(i, 1);
    }
    CSurfaceJob Job(double lower, double upper) const {
        CSurfaceJob job;
        job.Settings.Bond = bond;
        job.Settings.FindAtoms();
        job.Settings.PhiLower = lower;
        job.Settings.PhiUpper = upper;
        job.Settings.Factor = job.Settings.ProposedFactor();
        return job;
    }
    std::vector<double> Integrate(double lower, double upper) const {
        CSurfaceJob job = Job(lower, upper);
        const SJobRun run = RunSurfaceJob(job);
        EXPECT_TRUE(run.messages.empty()) << testing::PrintToString(run.messages);
        EXPECT_GT(bond->m_Surface.CircleRadius, 0.0);
        return bond->m_Surface.Results;
    }
    // The density on the midplane: 8 c^2 exp(-2a (d^2 + r^2)).
    static double Prefactor() {
        const double overlap = std::pow(kPi / (2.0 * kAlpha), 1.5);
        const double c2 = 1.0 / (2.0 * overlap + 2.0 * overlap * std::exp(-2.0 * kAlpha * kD * kD));
        return 8.0 * c2 * std::exp(-2.0 * kAlpha * kD * kD);
    }
    static CMolecule* molecule;
    CBondPoint* bond = nullptr;
};
CMolecule* H2Surface::molecule = nullptr;

TEST_F(H2Surface, MidplaneIntegralsMatchTheirClosedForms) {
    const std::vector<double> r = Integrate(0.0, 360.0);
    // Integral of rho over the plane: A pi / (2a); AREA: pi r0^2 with
    // rho(r0) = 0.001.
    const double A = Prefactor();
    EXPECT_NEAR(r[kRho] / (A * kPi / (2.0 * kAlpha)), 1.0, 1e-3);
    const double r0squared = std::log(A / 0.001) / (2.0 * kAlpha);
    EXPECT_NEAR(r[kArea] / (kPi * r0squared), 1.0, 1e-3);
    // No flux of the gradient through the zero-flux surface.
    EXPECT_NEAR(r[kGRN], 0.0, 1e-6);

    const CSurfaceRecord& s = bond->m_Surface;
    EXPECT_EQ(s.CircleRadius, 0.001);
    EXPECT_EQ(s.StopS, 1e6);
    EXPECT_EQ(s.AbsAccuracy, 1e-5);
    EXPECT_EQ(s.RelAccuracy, 1e-5);
    EXPECT_EQ(s.PhiFrom, 0.0);
    EXPECT_EQ(s.PhiTo, 360.0);
    EXPECT_EQ(s.SymmetryFactor, 1.0);
    EXPECT_GT(s.Evaluations, 0);
    EXPECT_TRUE(s.WorkArray.empty());
}

TEST_F(H2Surface, BordersAndFactorsCoverTheWholeSurface) {
    // Every path of the symmetric surface gives the same integrals, to the
    // accuracy demanded.
    CSurfIntOptions& options = molecule->GetSurfIntOptions();
    const CSurfIntOptions saved = options;
    options.AbsAccuracy.Current = 1e-12;
    options.RelAccuracy.Current = 1e-12;
    // The area's integrand jumps on the isosurface, which each path finds
    // only to within its tolerances: it is checked on its own below.
    molecule->SetSurfacePropertySelected(kArea, 0);
    const std::vector<double> full = Integrate(0.0, 360.0);
    ASSERT_GT(full[kRho], 0.0);
    struct Case {
        double lower, upper, factor;
    };
    // Equal borders: one path times 2 pi; 300 to 60: 120 degrees, factor 3.
    for (const Case& c : {Case{90.0, 90.0, 2.0 * kPi}, Case{300.0, 60.0, 3.0}, Case{0.0, 180.0, 2.0},
                          Case{0.0, 720.0, 0.5}}) {
        SCOPED_TRACE(testing::Message() << c.lower << " to " << c.upper);
        EXPECT_DOUBLE_EQ(Job(c.lower, c.upper).Settings.ProposedFactor(), c.factor);
        const std::vector<double> part = Integrate(c.lower, c.upper);
        EXPECT_EQ(bond->m_Surface.PhiFrom, c.lower);
        EXPECT_EQ(bond->m_Surface.PhiTo, c.upper);
        EXPECT_EQ(bond->m_Surface.SymmetryFactor, c.factor);
        for (int i : {int(kRho), int(kVRA), kVRA + 3, int(kVA)})
            EXPECT_NEAR(part[i] / full[i], 1.0, 1e-10) << i;
    }
    // Borders a whole turn apart the other way round are equal borders.
    EXPECT_DOUBLE_EQ(Job(360.0, 0.0).Settings.ProposedFactor(), 2.0 * kPi);
    options = saved;

    // The area alone at the default accuracy.
    for (int i = 0; i < kSurfaceProperties; ++i)
        molecule->SetSurfacePropertySelected(i, i == kArea);
    const double area = Integrate(0.0, 360.0)[0];
    EXPECT_NEAR(Integrate(90.0, 90.0)[0] / area, 1.0, 1e-3);
    EXPECT_NEAR(Integrate(300.0, 60.0)[0] / area, 1.0, 1e-3);
}

TEST_F(H2Surface, LinearIdentitiesHoldAmongTheIntegrals) {
    const std::vector<double> r = Integrate(0.0, 360.0);
    for (int n = 0; n < 4; ++n) {
        ASSERT_NE(r[kVRA + n], 0.0);
        EXPECT_NEAR(r[kVR + n], r[kVRA + n] + r[kVRB + n], 1e-10 * std::fabs(r[kVR + n])) << n;
        // The two atoms mirror each other.
        EXPECT_NEAR(r[kVRA + n], r[kVRB + n], 1e-6 * std::fabs(r[kVRA + n])) << n;
    }
    ASSERT_NE(r[kVA], 0.0);
    EXPECT_NEAR(r[kV], r[kVA] + r[kVB], 1e-10 * std::fabs(r[kV]));
}

TEST_F(H2Surface, ResultsFollowTheSelection) {
    // Only RHO and AREA: packed in this order, AREA scaled by 1e12.
    const std::vector<double> all = Integrate(0.0, 360.0);
    for (int i = 0; i < kSurfaceProperties; ++i)
        molecule->SetSurfacePropertySelected(i, i == kRho || i == kArea);
    const std::vector<double> r = Integrate(0.0, 360.0);
    EXPECT_NEAR(r[0] / all[kRho], 1.0, 1e-4);
    EXPECT_NEAR(r[1] / all[kArea], 1.0, 1e-3);
    for (std::size_t i = 2; i < r.size(); ++i)
        EXPECT_EQ(r[i], 0.0) << i;
}

TEST_F(H2Surface, FailuresKeepThePreviousResults) {
    const std::vector<double> before = Integrate(0.0, 360.0);

    // No circle: nothing happens, the results stay.
    for (double radius : {0.0, -1.0}) {
        CSurfaceJob job = Job(0.0, 360.0);
        job.Settings.Radius = radius;
        int refreshed = 0;
        job.OnResultsChanged = [&refreshed] { ++refreshed; };
        EXPECT_TRUE(RunSurfaceJob(job).messages.empty());
        EXPECT_EQ(bond->m_Surface.CircleRadius, 0.001);
        EXPECT_EQ(bond->m_Surface.Results, before);
        EXPECT_EQ(refreshed, 0);
    }

    // Nothing selected: nothing to integrate, a failure that keeps the
    // earlier results.
    for (int i = 0; i < kSurfaceProperties; ++i)
        molecule->SetSurfacePropertySelected(i, 0);
    CSurfaceJob job = Job(0.0, 360.0);
    int refreshed = 0;
    job.OnResultsChanged = [&refreshed] { ++refreshed; };
    EXPECT_EQ(RunSurfaceJob(job).messages, std::vector<std::string>{kSurfaceFailed});
    EXPECT_EQ(bond->m_Surface.CircleRadius, 0.001);
    EXPECT_EQ(bond->m_Surface.Results, before);
    EXPECT_EQ(refreshed, 1);
    for (int i = 0; i < kSurfaceProperties; ++i)
        molecule->SetSurfacePropertySelected(i, 1);
}

TEST_F(H2Surface, PathCutShortIsAFailure) {
    // A solver that stops a path part way, short of the stop value and of
    // any critical point, has not integrated it.
    const int n = molecule->GetSelectedValueCount(false);
    CSurfaceJob job = Job(0.0, 360.0);
    std::vector<double> results(static_cast<std::size_t>(n), 0.0);
    CSurfaceQuadrature quadrature(*molecule);
    for (long steps : {500L, 5L}) {
        SCOPED_TRACE(steps);
        quadrature.SetPathLimits(steps, 1);
        g_bCancel = 0;
        const int ok = quadrature.IntegrateSurface(*bond, 0.0, 0.0, 0.001, n, results.data(),
                                                   job.Settings.AtomA, job.Settings.AtomB);
        EXPECT_EQ(ok, steps == 500L);
        EXPECT_EQ(quadrature.PathCount(), 1);
        EXPECT_EQ(quadrature.StalledPathCount(), 0);
        // The failed path stops the outer level at once.
        EXPECT_EQ(g_bCancel != 0, steps != 500L);
    }
    g_bCancel = 0;
}

TEST_F(H2Surface, BondWithoutPathsRunsWithoutAtoms) {
    // A bond point of its own at the same place, without density paths.
    CBondPoint lone(molecule, 0, 0, bond->GetPosition(), 0.0);
    CSurfaceJob job;
    job.Settings.Bond = &lone;
    job.Settings.FindAtoms();
    EXPECT_EQ(job.Settings.AtomA, nullptr);
    EXPECT_EQ(job.Settings.AtomB, nullptr);
    EXPECT_TRUE(RunSurfaceJob(job).messages.empty());
    const std::vector<double>& r = lone.m_Surface.Results;
    EXPECT_GT(r[kRho], 0.0);
    // The properties measured from the atoms have no atom.
    for (int i = kVRA; i <= 23; ++i)
        EXPECT_EQ(r[i], 0.0) << i;

    CSurfaceJob paired = Job(0.0, 360.0);
    EXPECT_NE(paired.Settings.AtomA, nullptr);
    EXPECT_NE(paired.Settings.AtomB, nullptr);
    EXPECT_NE(paired.Settings.AtomA, paired.Settings.AtomB);
    EXPECT_TRUE(RunSurfaceJob(paired).messages.empty());
    EXPECT_NEAR(bond->m_Surface.Results[kRho] / r[kRho], 1.0, 1e-5);
}

} // namespace
