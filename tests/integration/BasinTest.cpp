// The basin in natural and radial coordinates on hand-made molecules: H2 of
// two s Gaussians, whose halves hold one electron each; the region windows;
// the refusals and failures of jobs 8 and 11.

#include <cmath>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "integration/BasinQuadrature.h"
#include "platform/core/Format.h"

namespace {

using namespace integrationtest;
constexpr double kPi = std::numbers::pi;
const std::string kBasinFailed = "Integration over atomic basin failed!";
const std::string kNoAttractor =
    "The atom has no density maximum: search the critical points from the nuclei first.";

class H2 : public testing::Test {
protected:
    static void SetUpTestSuite() {
        molecule = new CMolecule;
        LoadText(*molecule, SGaussiansWfn({CVector(0.1, 0.2, -0.7), CVector(0.1, 0.2, 0.7)}, 2.0));
        SearchGraph(*molecule);
    }
    static void TearDownTestSuite() {
        delete molecule;
        molecule = nullptr;
    }
    void SetUp() override {
        for (const auto& atom : molecule->GetAtomList())
            atom->ClearResults();
    }
    static CBasinJob Job(int index) {
        CBasinJob job;
        job.Settings.Atom = AtomAt(*molecule, index);
        return job;
    }
    static double Overlap(const CAtom& atom) {
        return atom.m_ResultsA.Results[static_cast<std::size_t>(PackedPosition(*molecule, 0) + 47)];
    }
    static CMolecule* molecule;
};
CMolecule* H2::molecule = nullptr;

TEST_F(H2, NaturalAndRadialGiveOneElectronPerAtom) {
    ASSERT_EQ(molecule->GetList(-1)->size(), 1u);
    double natural[2] = {}, radial[2] = {};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        CBasinJob job = Job(i);
        CAtom& atom = *job.Settings.Atom;
        EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
        EXPECT_EQ(atom.GetBondedPoints().size(), 1u);
        EXPECT_EQ(atom.m_ResultsA.Method, 0.5);
        EXPECT_EQ(atom.m_ResultsA.StopS, 1e6);
        EXPECT_EQ(atom.m_ResultsB.Method, 0.5);
        EXPECT_GT(atom.m_ResultsA.Evaluations, atom.m_ResultsB.Evaluations);
        natural[i] = atom.m_ResultsA.Results[0];
        EXPECT_NEAR(natural[i], 1.0, 2e-3);
        EXPECT_NEAR(Overlap(atom), 0.5, 1e-3);
        EXPECT_NEAR(atom.m_ResultsA.Results[1], 0.0, 1e-3);
        // The frame is the local one again after the job.
        const CMatrix J = atom.GetIntegrationFrame();
        EXPECT_EQ(J.c0, CVector(1, 0, 0));
        EXPECT_EQ(J.c2, CVector(0, 0, 1));

        EXPECT_EQ(RunJob(job, Job::Radial).messages, std::vector<std::string>{});
        EXPECT_EQ(atom.m_ResultsA.Method, -1.0);
        EXPECT_EQ(atom.m_ResultsA.StopR, 9.0);
        radial[i] = atom.m_ResultsA.Results[0];
        EXPECT_NEAR(radial[i], 1.0, 2e-3);
        EXPECT_NEAR(Overlap(atom), 0.5, 1e-3);
        EXPECT_NEAR(radial[i], natural[i], 2e-3);
    }
}

// The atom is symmetric about its bond, which is its region's axis: one
// azimuth times 2 pi is the whole basin.
TEST_F(H2, ZeroWidthNaturalWindowWithTheProposedFactorIsTheWholeBasin) {
    CBasinJob job = Job(0);
    job.Settings.PhiLower = job.Settings.PhiUpper = 120;
    job.Settings.Factor = job.Settings.ProposedFactor();
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    EXPECT_NEAR(job.Settings.Atom->m_ResultsA.Results[0], 1.0, 2e-3);
    EXPECT_EQ(job.Settings.Atom->m_ResultsA.SymmetryFactor, 2.0 * kPi);
}

// Set B of the same radius is reused as it stands: set A then carries its
// values, whatever they are.
TEST_F(H2, NaturalReusesABetaSphereOfTheSameRadius) {
    CBasinJob job = Job(1);
    CAtom& atom = *job.Settings.Atom;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    const double fresh = atom.m_ResultsA.Results[0];
    const double regions = fresh - atom.m_ResultsB.Results[0];
    atom.m_ResultsB.Evaluations = 7;
    atom.m_ResultsB.CPUTime = 1000.0;
    atom.m_ResultsB.Results[0] = 0.25;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    EXPECT_EQ(atom.m_ResultsB.Evaluations, 7);
    EXPECT_EQ(atom.m_ResultsB.Results[0], 0.25);
    EXPECT_GT(atom.m_ResultsA.CPUTime, 1000.0);
    EXPECT_GT(atom.m_ResultsA.Evaluations, 7);
    EXPECT_NEAR(atom.m_ResultsA.Results[0], regions + 0.25, 1e-12);
}

// A set B of the same radius over another window, with another factor or of
// part of the theta range is not this job's sphere: the job integrates its
// own. The half window with factor 2 is the whole basin again, and the two
// halves of the theta range make the whole sphere.
TEST_F(H2, NaturalIntegratesItsOwnBetaSphereForAnotherWindow) {
    CBasinJob job = Job(0);
    CAtom& atom = *job.Settings.Atom;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    const double whole = atom.m_ResultsA.Results[0];
    job.Settings.PhiUpper = 180;
    job.Settings.Factor = 2.0;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    EXPECT_EQ(atom.m_ResultsB.PhiTo, 180.0);
    EXPECT_EQ(atom.m_ResultsB.SymmetryFactor, 2.0);
    EXPECT_NEAR(atom.m_ResultsA.Results[0], whole, 1e-4);

    // Part of the theta range: set B holds that part of the sphere.
    job.Settings.PhiUpper = 360;
    job.Settings.Factor = 1.0;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    const double sphere = atom.m_ResultsB.Results[0];
    job.Settings.ThetaUpper = 90;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    job.Settings.ThetaLower = 90;
    job.Settings.ThetaUpper = 180;
    const double upper = atom.m_ResultsB.Results[0];
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    EXPECT_NEAR(upper + atom.m_ResultsB.Results[0], sphere, 1e-6);
    EXPECT_LT(upper, sphere - 1e-3);
}

TEST(Basin, WithoutAMaximumNaturalAndRadialAreRefusedAndNothingChanges) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    CAtom* atom = AtomAt(molecule, 0);
    atom->m_ResultsA.Method = -1.0;
    atom->m_ResultsA.Results[0] = 0.75;
    atom->m_ResultsB.Method = 0.25;
    CBasinJob job;
    job.Settings.Atom = atom;
    for (Job which : {Job::Natural, Job::Radial}) {
        g_nEvaluations = 0;
        EXPECT_EQ(RunJob(job, which).messages, std::vector<std::string>{kNoAttractor});
        EXPECT_EQ(atom->m_ResultsA.Method, -1.0);
        EXPECT_EQ(atom->m_ResultsA.Results[0], 0.75);
        EXPECT_EQ(atom->m_ResultsB.Method, 0.25);
        EXPECT_EQ(g_nEvaluations, 0);
    }
}

TEST(Basin, NoSelectedPropertyFailsNaturalAndRadial) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector()}, 0.8));
    SearchGraph(molecule);
    for (int i = 0; i < kBasinProperties; ++i)
        molecule.SetBasinPropertySelected(i, 0);
    CAtom* atom = AtomAt(molecule, 0);
    ASSERT_NE(atom->GetMaxPoint(), nullptr);
    CBasinJob job;
    job.Settings.Atom = atom;
    for (Job which : {Job::Natural, Job::Radial}) {
        atom->m_ResultsA.Method = 0.5;
        EXPECT_EQ(RunJob(job, which).messages, std::vector<std::string>{kBasinFailed});
        EXPECT_EQ(atom->m_ResultsA.Method, 0.5); // the previous set stays
    }
}

// One atom: its basin is all space; natural coordinates follow the paths to
// infinity, radial coordinates the rays to the stop radius.
TEST(Basin, ALoneAtomHoldsItsElectrons) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0.2, 0.1, 0.3)}, 0.8));
    SearchGraph(molecule);
    CAtom* atom = AtomAt(molecule, 0);
    CBasinJob job;
    job.Settings.Atom = atom;
    EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
    EXPECT_TRUE(atom->GetBondedPoints().empty());
    EXPECT_NEAR(atom->m_ResultsA.Results[0], 2.0, 1e-3);
    EXPECT_NEAR(atom->m_ResultsA.Results[1], 0.0, 1e-3);
    EXPECT_EQ(RunJob(job, Job::Radial).messages, std::vector<std::string>{});
    EXPECT_NEAR(atom->m_ResultsA.Results[0], 2.0, 1e-3);
}

// Three s-Gaussian nuclei in a triangle: a ring point at the centre, where
// the paths that leave each atom towards the centre in the ring plane stall.
// Without the ring point (a search from the nuclei and their pairs only) such
// a path has not ended at a known critical point when its steps are spent;
// it has stopped adding to the integrals, though, and is taken as it stands:
// every atom holds a third of the two electrons, as with the ring point.
TEST(Basin, APathStalledAtAnUnknownPointWhereItNoLongerAddsIsTaken) {
    const double a = 1.6;
    const std::string text = SGaussiansWfn({CVector(a, 0, 0), CVector(-0.5 * a, 0.5 * std::sqrt(3.0) * a, 0),
                                            CVector(-0.5 * a, -0.5 * std::sqrt(3.0) * a, 0)},
                                           1.0);
    double withRing = 0.0;
    for (bool triples : {true, false}) {
        SCOPED_TRACE(triples);
        CMolecule molecule;
        LoadText(molecule, text);
        zel::CTextRecord log;
        CQuietProgress quiet;
        CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
        search.SearchFromNuclei();
        search.SearchFromMaximaPairs();
        if (triples) search.SearchFromMaximaTriples();
        CalcBondPaths(molecule, log, quiet);
        ASSERT_EQ(molecule.GetList(1)->size(), triples ? 1u : 0u);
        CAtom* atom = AtomAt(molecule, 0);
        CBasinJob job;
        job.Settings.Atom = atom;
        // Without the ring point the set is short, which the job says before
        // it goes on (the scripted answer is Yes) and marks in the result.
        const std::vector<std::string> messages = RunJob(job, Job::Natural).messages;
        if (triples) {
            EXPECT_EQ(messages, std::vector<std::string>{});
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].rfind("The critical points of the electron density are incomplete: 3 maxima, 3 "
                                        "bond, 0 ring and 0 cage points give n - b + r - c = 0",
                                        0),
                      0u);
        }
        EXPECT_EQ(atom->m_ResultsA.IncompleteCritPoints, !triples);
        EXPECT_NEAR(atom->m_ResultsA.Results[0], 2.0 / 3.0, 2e-3);
        if (triples)
            withRing = atom->m_ResultsA.Results[0];
        else
            EXPECT_NEAR(atom->m_ResultsA.Results[0], withRing, 1e-4);
    }
}

// A failure says where and why below the message every failure shows: the
// level, the region, phi, theta, the radius reached and the reason.
TEST(Basin, AFailureSaysWhereAndWhy) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    CBasinJob job;
    job.Settings.Atom = AtomAt(molecule, 0);
    const auto expectDetail = [](const std::vector<std::string>& messages, const std::string& pattern) {
        ASSERT_FALSE(messages.empty());
        const std::string& last = messages.back();
        const std::string head = kBasinFailed + "\n";
        ASSERT_EQ(last.substr(0, head.size()), head) << last;
        const std::string detail = last.substr(head.size());
        EXPECT_TRUE(std::regex_match(detail, std::regex(pattern))) << detail;
    };
    const std::string number = "[0-9]+\\.[0-9]{4}";

    // Accuracy that no solver can meet: the innermost level, the gradient
    // path of the first region, gives up at once, with the solver's flag.
    molecule.GetIntegOptions().AbsAccuracy.Current = 1e-300;
    molecule.GetIntegOptions().RelAccuracy.Current = 0.0;
    MarkBetaSphereDone(job.Settings);
    {
        const SJobRun run = RunJob(job, Job::Natural);
        expectDetail(run.messages, "Gradient path failed in region 1 of 1 at Phi = " + number +
                                       ", Theta = " + number + ", R = " + number +
                                       ": the solver failed on the gradient path, flag = -?[0-9]+.*\\.");
        EXPECT_EQ(job.Settings.Atom->m_ResultsA.Method, 0.0);
    }
    molecule.GetIntegOptions().AbsAccuracy.Current = 1e-4;
    molecule.GetIntegOptions().RelAccuracy.Current = 1e-4;

    // A property that is not finite where the surface is searched.
    molecule.GetWavefunction()->m_dVirial = 0.0;
    expectDetail(RunJob(job, Job::Radial).messages,
                 "(Surface search|The integrand) failed at Phi = " + number + ", Theta = " + number +
                     ", R = " + number + ": a property value is not finite\\.");

    // A user cancel needs no explanation.
    molecule.GetWavefunction()->m_dVirial = 2.0;
    g_bCancel = 1;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    job.IntegrateRadial();
    g_bCancel = 0;
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{kBasinFailed});
}

// Windows wider than a full turn cover the basin more than once; with the
// proposed factor natural and radial coordinates both give the whole basin.
TEST(Basin, WindowsBeyondAFullTurnIntegrateWhatTheySay) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0.1, 0.2, -0.7), CVector(0.1, 0.2, 0.7)}, 2.0));
    SearchGraph(molecule);
    CAtom* atom = AtomAt(molecule, 0);
    CBasinJob job;
    job.Settings.Atom = atom;
    ASSERT_TRUE(RunJob(job, Job::Natural).messages.empty());
    const double whole = atom->m_ResultsA.Results[0];
    EXPECT_NEAR(whole, 1.0, 2e-3);
    for (int upper : {720, 540, 450}) {
        SCOPED_TRACE(upper);
        job.Settings.PhiUpper = upper;
        job.Settings.Factor = job.Settings.ProposedFactor();
        atom->ClearResults();
        EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
        EXPECT_NEAR(atom->m_ResultsA.Results[0], whole, 1e-4);
        EXPECT_EQ(atom->m_ResultsA.PhiTo, upper);
        EXPECT_TRUE(RunJob(job, Job::Radial).messages.empty());
        EXPECT_NEAR(atom->m_ResultsA.Results[0], whole, 2e-3);
    }
}

// A ray step that cannot carry the surface search out to stop r (below the
// rounding of the radius, or zero, which would take every ray whole) is
// refused before anything changes.
TEST(Basin, ARayStepThatCannotAdvanceIsRefused) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    CAtom* atom = AtomAt(molecule, 0);
    atom->m_ResultsA.Method = 0.5;
    atom->m_ResultsA.Results[0] = 0.75;
    CBasinJob job;
    job.Settings.Atom = atom;
    EXPECT_EQ(MinimalRayStep(9.0), 0.0009);
    EXPECT_EQ(MinimalRayStep(0.0), 1e-4);
    for (double step : {1e-17, 0.0, -1.0, 5e-4}) {
        SCOPED_TRACE(step);
        molecule.GetIntegOptions().RayStep.Current = step;
        g_nEvaluations = 0;
        const std::string expected = zel::Sprintf(
            "The initial stepsize along a ray for the surface search, %g bohr, cannot advance the search "
            "to r = 9: use at least 0.0009 bohr.",
            step);
        EXPECT_EQ(RunJob(job, Job::Radial).messages, std::vector<std::string>{expected});
        EXPECT_EQ(atom->m_ResultsA.Method, 0.5);
        EXPECT_EQ(atom->m_ResultsA.Results[0], 0.75);
        EXPECT_EQ(g_nEvaluations, 0);
    }
}

// Windows of regions, for bonds at given local directions of a lone atom.
TEST(Basin, RegionWindows) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(1, 2, 3)}, 0.8));
    CAtom& atom = *AtomAt(molecule, 0);
    const double R = 0.5, tol = 1e-6;
    const auto window = [&](double thetaB, double phiB, int phiLo, int phiHi) {
        const CVector local = CMolecule::SphericalToCartesian(CVector(R, thetaB, phiB));
        atom.SetIntegrationAxis(atom.LocalToGlobal(local));
        return ChooseRegionWindow(atom, thetaB, phiB, phiLo * kPi / 180, phiHi * kPi / 180, 0.0, kPi, R, tol,
                                  phiLo >= phiHi);
    };
    // The local azimuth of a direction given in the region's integration frame.
    const auto localAzimuth = [&](double theta, double phi) {
        const CVector w = CMolecule::SphericalToCartesian(CVector(1.0, theta, phi));
        return CMolecule::CartesianToSpherical(w * atom.GetIntegrationFrame()).z;
    };
    struct Case {
        double phiBDegrees;
        int phiLo, phiHi;
        enum { Whole, Half, None } expected;
    };
    const Case cases[] = {
        {90, 0, 180, Case::Whole}, {270, 0, 180, Case::None},  {0, 0, 180, Case::Half},
        {180, 0, 180, Case::Half}, {200, 0, 360, Case::Whole}, {359.9999999, 0, 180, Case::Half},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phiBDegrees);
        const SRegionWindow w = window(1.2, c.phiBDegrees * kPi / 180, c.phiLo, c.phiHi);
        EXPECT_EQ(w.Skip, c.expected == Case::None);
        if (c.expected == Case::None) continue;
        EXPECT_EQ(w.ThetaFrom, 0.0);
        EXPECT_EQ(w.ThetaTo, kPi);
        EXPECT_NEAR(w.PhiTo - w.PhiFrom, c.expected == Case::Whole ? 2.0 * kPi : kPi, 1e-12);
        if (c.expected == Case::Half) {
            // The half kept lies in the window: local azimuths 0 to 180.
            for (double f : {0.1, 0.5, 0.9}) {
                const double phi = localAzimuth(0.8, w.PhiFrom + f * kPi);
                EXPECT_LT(phi, kPi) << f;
            }
        }
    }

    // A zero-width window: every region keeps it.
    const SRegionWindow zero = window(1.2, 1.0, 40, 40);
    EXPECT_EQ(zero.PhiFrom, 40 * kPi / 180);
    EXPECT_EQ(zero.PhiTo, 40 * kPi / 180);

    // A bond on the local z axis: the window turned into the region's frame,
    // from phi lower (upper below the nucleus, where the frame turns over).
    const SRegionWindow up = window(0.0, 0.0, 30, 100);
    EXPECT_NEAR(up.PhiTo - up.PhiFrom, 70 * kPi / 180, 1e-12);
    EXPECT_NEAR(localAzimuth(1.0, up.PhiFrom + 1e-9), 30 * kPi / 180, 1e-6);
    EXPECT_NEAR(localAzimuth(1.0, up.PhiTo - 1e-9), 100 * kPi / 180, 1e-6);
    const SRegionWindow down = window(kPi, 0.0, 30, 100);
    EXPECT_NEAR(localAzimuth(1.0, down.PhiFrom + 1e-9), 100 * kPi / 180, 1e-6);
    EXPECT_NEAR(localAzimuth(1.0, down.PhiTo - 1e-9), 30 * kPi / 180, 1e-6);
}

// A crossing whose integrand is not finite would be bisected for ever: the
// bisection gives up and the radial integration fails.
TEST(Basin, RadialFailsOnANonFiniteIntegrandInsteadOfBisectingForEver) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    molecule.GetWavefunction()->m_dVirial = 0.0;
    CBasinJob job;
    job.Settings.Atom = AtomAt(molecule, 0);
    const std::vector<std::string> messages = RunJob(job, Job::Radial).messages;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].substr(0, kBasinFailed.size() + 1), kBasinFailed + "\n");
    EXPECT_EQ(job.Settings.Atom->m_ResultsA.Method, 0.0);

    // The bisection itself, on a ray along the bond.
    CAtom& atom = *job.Settings.Atom;
    for (const auto& each : molecule.GetAtomList())
        each->ComputeNearestCritDistance();
    CBasinQuadrature quadrature(atom, molecule);
    quadrature.Context().N = SelectedBasinCount(molecule);
    quadrature.Context().Theta = 0.0;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    EXPECT_EQ(quadrature.BisectSurfaceCrossing(0.6, 0.8), 0.0);
}

// The membership test never takes a path it could not follow for inside.
TEST(Basin, ACancelledMembershipTestIsAFailureNotInside) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    for (const auto& each : molecule.GetAtomList())
        each->ComputeNearestCritDistance();
    CAtom& atom = *AtomAt(molecule, 0);
    CBasinQuadrature quadrature(atom, molecule);
    quadrature.Context().Theta = kPi; // away from the other atom
    EXPECT_EQ(quadrature.FindBasinOfPoint(1.0, 1.0), atom.GetMaxPoint());
    EXPECT_EQ(quadrature.Context().SearchFailed, 0);
    quadrature.Context().Theta = 0.0;
    EXPECT_EQ(quadrature.FindBasinOfPoint(1.0, 1.0), AtomAt(molecule, 1)->GetMaxPoint());
    g_bCancel = 1;
    EXPECT_EQ(quadrature.FindBasinOfPoint(0.2, 1.0), nullptr);
    EXPECT_EQ(quadrature.Context().SearchFailed, 1);
    g_bCancel = 0;
}

} // namespace
