// The three basin jobs through the job table on the worker thread: status
// line and progress while they run, and a cancel that ends each of them at
// once with its failure message; a cancelled or failed re-run leaves the
// results of the run before it as they were.

#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "platform/core/JobTable.h"
#include "wavefunction/Wavefunction.h"

namespace {

using namespace integrationtest;

TEST(BasinJobs, CancelEndsEachJobWithItsMessageAndKeepsThePreviousSet) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    RegisterBasinJobs();
    CAtom* oxygen = AtomAt(molecule, 0);

    struct Case {
        int type;
        std::string status; // how the status line starts while the job runs
        std::string message;
        bool sphere; // set B (else set A)
    };
    const Case cases[] = {
        {zel::kJobIntegrateBetaSphere,
         "Beta-sphere integration: Phi = ", "Integration of Beta-Sphere failed!", true},
        {zel::kJobIntegrateNatural, "Integration, region ", "Integration over atomic basin failed!", false},
        {zel::kJobIntegrateRadial, "Radial integration: Phi = ", "Integration over atomic basin failed!",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CBasinJob job;
        job.Settings.Atom = oxygen;
        // The natural job starts with the beta sphere unless set B has its
        // radius: let it be cancelled in the basin itself.
        if (c.type == zel::kJobIntegrateNatural)
            MarkBetaSphereDone(job.Settings);
        else
            oxygen->m_ResultsB.Method = 0.25;
        oxygen->m_ResultsB.Results[0] = 1.5;
        oxygen->m_ResultsA.Method = 0.5;
        oxygen->m_ResultsA.Results[0] = 7.5;
        int refreshed = 0;
        job.OnResultsChanged = [&refreshed] { ++refreshed; };

        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService scoped(prompts);
        g_nEvaluations = 0;
        ASSERT_NO_FATAL_FAILURE(CancelJobUnderWay(
            c.type, &job, [] { return g_nEvaluations >= 20000; }, c.status));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        const CBasinResults& set = c.sphere ? oxygen->m_ResultsB : oxygen->m_ResultsA;
        EXPECT_EQ(set.Method, c.sphere ? 0.25 : 0.5);
        EXPECT_EQ(set.Results[0], c.sphere ? 1.5 : 7.5);
        EXPECT_GE(refreshed, 1);
        EXPECT_FALSE(oxygen->HasCaches());
    }
}

// Each job on H2 at a single azimuth (quick), then the same job over the
// whole window cancelled under way, and once more failing on integrands that
// are not finite: the first results stay, to the last bit.
TEST(BasinJobs, ACancelledOrFailedRerunKeepsThePreviousResults) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    RegisterBasinJobs();
    CAtom* atom = AtomAt(molecule, 0);
    const auto same = [](const CBasinResults& x, const CBasinResults& y) {
        return x.Method == y.Method && x.StopS == y.StopS && x.StopR == y.StopR && x.PhiFrom == y.PhiFrom &&
               x.PhiTo == y.PhiTo && x.SymmetryFactor == y.SymmetryFactor && x.CPUTime == y.CPUTime &&
               x.Evaluations == y.Evaluations && x.Results == y.Results;
    };

    struct Case {
        Job which;
        int type;
        std::string status;
        std::string message;
    };
    const Case cases[] = {
        {Job::BetaSphere, zel::kJobIntegrateBetaSphere,
         "Beta-sphere integration: Phi = ", "Integration of Beta-Sphere failed!"},
        {Job::Natural, zel::kJobIntegrateNatural, "Integration, region ",
         "Integration over atomic basin failed!"},
        {Job::Radial, zel::kJobIntegrateRadial,
         "Radial integration: Phi = ", "Integration over atomic basin failed!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        atom->ClearResults();
        CBasinJob job;
        job.Settings.Atom = atom;
        job.Settings.PhiLower = job.Settings.PhiUpper = 120;
        job.Settings.Factor = job.Settings.ProposedFactor();
        ASSERT_EQ(RunJob(job, c.which).messages, std::vector<std::string>{});
        const CBasinResults a = atom->m_ResultsA;
        CBasinResults b = atom->m_ResultsB;
        ASSERT_NE((c.which == Job::BetaSphere ? b : a).Method, 0.0);
        if (c.which != Job::BetaSphere) {
            EXPECT_NEAR(a.Results[0], 1.0, 2e-3);
        }

        // The whole window, cancelled; the natural job finds a beta sphere
        // of the whole window and is cancelled in the basin.
        job.Settings.PhiLower = 0;
        job.Settings.PhiUpper = 360;
        job.Settings.Factor = 1.0;
        if (c.which == Job::Natural) {
            MarkBetaSphereDone(job.Settings);
            b = atom->m_ResultsB;
        }
        {
            zel::CScriptedPrompts prompts;
            zel::ScopedPromptService scoped(prompts);
            g_nEvaluations = 0;
            ASSERT_NO_FATAL_FAILURE(CancelJobUnderWay(
                c.type, &job, [] { return g_nEvaluations >= 3000; }, c.status));
            EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        }
        EXPECT_TRUE(same(atom->m_ResultsA, a));
        EXPECT_TRUE(same(atom->m_ResultsB, b));

        // A new beta-sphere radius, and integrands that are not finite: every
        // job fails, the natural one in its beta sphere.
        job.Settings.Radius = 0.4;
        CWavefunction& wavefunction = *molecule.GetWavefunction();
        wavefunction.m_dVirial = 0.0;
        wavefunction.m_bCacheValid = false;
        const std::vector<std::string> messages = RunJob(job, c.which).messages;
        wavefunction.m_dVirial = 2.0;
        wavefunction.m_bCacheValid = false;
        // The radial job says where its first ray met the bad integrand.
        EXPECT_EQ(messages, std::vector<std::string>{
                                c.which == Job::Radial
                                    ? std::string(c.message) +
                                          "\nSurface search failed at Phi = 0.0000, Theta = 0.0000, R = 1.2000: "
                                          "a property value is not finite."
                                    : "Integration of Beta-Sphere failed!"});
        EXPECT_TRUE(same(atom->m_ResultsA, a));
        EXPECT_TRUE(same(atom->m_ResultsB, b));
    }
}

} // namespace
