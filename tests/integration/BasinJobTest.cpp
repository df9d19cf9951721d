// The three basin jobs through the job table on the worker thread: status
// line and progress while they run, and a cancel that ends each of them at
// once with its failure message and its result set absent.

#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "platform/core/JobTable.h"

namespace {

using namespace integrationtest;

TEST(BasinJobs, CancelEndsEachJobWithItsMessageAndTheSetAbsent) {
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
        oxygen->m_ResultsB.Method = c.type == zel::kJobIntegrateNatural ? job.Settings.Radius : 0.0;
        oxygen->m_ResultsA.Method = 0.5;
        int refreshed = 0;
        job.OnResultsChanged = [&refreshed] { ++refreshed; };

        zel::CScriptedPrompts prompts;
        zel::ScopedPromptService scoped(prompts);
        g_nEvaluations = 0;
        ASSERT_NO_FATAL_FAILURE(CancelJobUnderWay(
            c.type, &job, [] { return g_nEvaluations >= 20000; }, c.status));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ((c.sphere ? oxygen->m_ResultsB : oxygen->m_ResultsA).Method, 0.0);
        EXPECT_GE(refreshed, 1);
        EXPECT_FALSE(oxygen->HasCaches());
    }
}

} // namespace
