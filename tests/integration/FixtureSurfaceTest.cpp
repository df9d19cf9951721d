// The interatomic surfaces of real molecules: every bond surface of water and
// benzene integrates, the path that runs into benzene's ring point ends
// there; a cancel ends the job at once; the results survive saving and
// reopening the document.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "analysis/DocumentFile.h"
#include "integration/SurfaceJob.h"
#include "integration/SurfaceQuadrature.h"
#include "platform/core/JobTable.h"

namespace {

using namespace integrationtest;
const std::string kSurfaceFailed = "Integration over interatomic surface failed!";

std::vector<CBondPoint*> BondPoints(CMolecule& molecule) {
    std::vector<CBondPoint*> bonds;
    for (const auto& point : *molecule.GetList(-1))
        if (point->GetFieldIndex() == 0) bonds.push_back(static_cast<CBondPoint*>(point.get()));
    return bonds;
}

CSurfaceJob JobFor(CBondPoint* bond) {
    CSurfaceJob job;
    job.Settings.Bond = bond;
    job.Settings.FindAtoms();
    return job;
}

std::vector<std::string> RunDirect(CSurfaceJob& job) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    g_bCancel = 0;
    job.IntegrateSurface();
    g_bCancel = 0;
    return prompts.Texts();
}

// The surface of every bond of the fixture, and the identities among the
// surface properties of each.
void IntegrateEveryBond(const std::string& fixture, std::size_t bondCount) {
    CMolecule molecule;
    LoadFixture(molecule, fixture);
    SearchGraph(molecule);
    const std::vector<CBondPoint*> bonds = BondPoints(molecule);
    ASSERT_EQ(bonds.size(), bondCount);
    for (CBondPoint* bond : bonds) {
        CSurfaceJob job = JobFor(bond);
        ASSERT_NE(job.Settings.AtomA, nullptr);
        ASSERT_NE(job.Settings.AtomB, nullptr);
        SCOPED_TRACE(job.Settings.AtomA->GetLabel() + " - " + job.Settings.AtomB->GetLabel());
        EXPECT_EQ(RunDirect(job), std::vector<std::string>{});
        const CSurfaceRecord& s = bond->m_Surface;
        ASSERT_EQ(s.CircleRadius, 0.001);
        const std::vector<double>& r = s.Results;
        EXPECT_GT(r[0], 0.0);
        EXPECT_GT(r[24], 0.0);
        // Almost no flux through the zero-flux surface.
        EXPECT_LT(std::fabs(r[4]), 1e-3 * r[0]);
        for (int n = 0; n < 4; ++n)
            EXPECT_NEAR(r[13 + n], r[5 + n] + r[9 + n], 1e-10 * std::fabs(r[13 + n]) + 1e-14) << n;
        EXPECT_NEAR(r[19], r[17] + r[18], 1e-10 * std::fabs(r[19]) + 1e-14);
    }
}

TEST(FixtureSurfaces, EveryBondOfWaterIntegrates) {
    IntegrateEveryBond("water.wfn", 2);
}

TEST(FixtureSurfaces, EveryBondOfBenzeneIntegrates) {
    IntegrateEveryBond("benzene.wfn", 12);
}

TEST(FixtureSurfaces, EachPropertyAloneIntegrates) {
    // Every selection of one property gives its value of the full selection.
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    CBondPoint* bond = BondPoints(molecule).front();
    CSurfaceJob job = JobFor(bond);
    ASSERT_TRUE(RunDirect(job).empty());
    const std::vector<double> all = bond->m_Surface.Results;
    for (int k = 0; k < kSurfaceProperties; ++k) {
        SCOPED_TRACE(k);
        for (int i = 0; i < kSurfaceProperties; ++i)
            molecule.SetSurfacePropertySelected(i, i == k);
        EXPECT_EQ(RunDirect(job), std::vector<std::string>{});
        EXPECT_NEAR(bond->m_Surface.Results[0], all[static_cast<std::size_t>(k)],
                    1e-3 * std::fabs(all[static_cast<std::size_t>(k)]) + 5e-5);
    }
}

TEST(FixtureSurfaces, CancelEndsTheJobAtOnce) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    RegisterSurfaceJob();
    CBondPoint* bond = BondPoints(molecule).front();
    // An earlier result, which the cancelled run must leave as it was.
    bond->m_Surface.CircleRadius = 0.5;
    bond->m_Surface.Results.assign(CSurfaceRecord::kResults, 0.0);
    bond->m_Surface.Results[0] = 1.25;
    bond->m_Surface.Evaluations = 777;
    CSurfaceJob job = JobFor(bond);
    int refreshed = 0;
    job.OnResultsChanged = [&refreshed] { ++refreshed; };

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    // Cancelled once the first paths are done and the job is well under way.
    ASSERT_NO_FATAL_FAILURE(CancelJobUnderWay(
        zel::kJobIntegrateSurface, &job, [] { return g_nEvaluations >= 3000 && !GetStatusText().empty(); },
        "surface integration: Phi = "));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{kSurfaceFailed});
    EXPECT_EQ(bond->m_Surface.CircleRadius, 0.5);
    EXPECT_EQ(bond->m_Surface.Results[0], 1.25);
    EXPECT_EQ(bond->m_Surface.Evaluations, 777);
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(bond->m_Surface.WorkArray.empty());
}

TEST(FixtureSurfaces, SaveAndReopenKeepTheResults) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    // A selection with gaps, so that the packing must survive too.
    for (int i : {1, 2, 3, 20})
        molecule.SetSurfacePropertySelected(i, 0);
    CBondPoint* bond = BondPoints(molecule).front();
    CSurfaceJob job = JobFor(bond);
    job.Settings.PhiLower = 300.0;
    job.Settings.PhiUpper = 60.0;
    job.Settings.Factor = job.Settings.ProposedFactor();
    ASSERT_TRUE(RunDirect(job).empty());
    const CSurfaceRecord saved = bond->m_Surface;
    zel::CTextRecord record;
    ASSERT_GT(bond->WriteSurfaceReport(record), 0);

    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
    CMolecule reopened;
    ASSERT_TRUE(LoadDocumentBytes(bytes, reopened, error)) << error;
    CBondPoint* loaded = nullptr;
    for (CBondPoint* b : BondPoints(reopened))
        if (b->GetNumber() == bond->GetNumber()) loaded = b;
    ASSERT_NE(loaded, nullptr);
    const CSurfaceRecord& s = loaded->m_Surface;
    EXPECT_EQ(s.CircleRadius, saved.CircleRadius);
    EXPECT_EQ(s.StopS, saved.StopS);
    EXPECT_EQ(s.PhiFrom, 300.0);
    EXPECT_EQ(s.PhiTo, 60.0);
    EXPECT_EQ(s.SymmetryFactor, 3.0);
    EXPECT_EQ(s.CPUTime, saved.CPUTime);
    EXPECT_EQ(s.AbsAccuracy, saved.AbsAccuracy);
    EXPECT_EQ(s.RelAccuracy, saved.RelAccuracy);
    EXPECT_EQ(s.Evaluations, saved.Evaluations);
    EXPECT_EQ(s.Results, saved.Results);
    zel::CTextRecord again;
    loaded->WriteSurfaceReport(again);
    EXPECT_EQ(again.Lines(), record.Lines());
}

TEST(FixtureSurfaces, PathIntoTheRingPointEndsThere) {
    CMolecule molecule;
    LoadFixture(molecule, "benzene.wfn");
    SearchGraph(molecule);
    ASSERT_EQ(molecule.GetList(1)->size(), 1u);
    const CVector ring = molecule.GetList(1)->front()->GetPosition();
    CBondPoint* cc = nullptr;
    for (CBondPoint* bond : BondPoints(molecule)) {
        CSurfaceJob job = JobFor(bond);
        if (job.Settings.AtomA && job.Settings.AtomB && job.Settings.AtomA->GetCharge() == 6.0 &&
            job.Settings.AtomB->GetCharge() == 6.0)
            cc = bond;
    }
    ASSERT_NE(cc, nullptr);
    // The angle of the path that leaves the bond point towards the ring point.
    ASSERT_TRUE(molecule.Evaluate(cc->GetPosition(), -3));
    const CMatrix c = *molecule.GetHessianEigen().GetEigenvectors();
    const CVector u = ring - cc->GetPosition();
    double phi = std::atan2(u * c.Column(1), u * c.Column(0));
    if (phi < 0.0) phi += 2.0 * std::numbers::pi;

    CSurfaceJob job = JobFor(cc);
    const int n = molecule.GetSelectedValueCount(false);
    std::vector<double> results(static_cast<std::size_t>(n), 0.0);
    CSurfaceQuadrature quadrature(molecule);
    g_bCancel = 0;
    EXPECT_EQ(quadrature.IntegrateSurface(*cc, phi, phi, 0.001, n, results.data(), job.Settings.AtomA,
                                          job.Settings.AtomB),
              1);
    // The solver gives up where the path stalls at the ring point; what it
    // integrated up to there is the whole path.
    EXPECT_EQ(quadrature.PathCount(), 1);
    EXPECT_EQ(quadrature.StalledPathCount(), 1);
    EXPECT_GT(results[0], 0.0);
    EXPECT_TRUE(std::isfinite(results[0]));
    g_bCancel = 0;
}

} // namespace

// The default options meet their accuracy: a run held a thousand times
// tighter changes the integrals by less than that.
TEST(FixtureSurfaces, DefaultAccuracyAgreesWithATighterOne) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    CBondPoint* bond = BondPoints(molecule).front();
    CSurfaceJob job = JobFor(bond);
    ASSERT_TRUE(RunDirect(job).empty());
    const std::vector<double> standard = bond->m_Surface.Results;
    const int evaluations = bond->m_Surface.Evaluations;
    CSurfIntOptions& options = molecule.GetSurfIntOptions();
    options.AbsAccuracy.Current = 1e-8;
    options.RelAccuracy.Current = 1e-8;
    ASSERT_TRUE(RunDirect(job).empty());
    const std::vector<double>& tight = bond->m_Surface.Results;
    EXPECT_GT(bond->m_Surface.Evaluations, evaluations);
    for (int i = 0; i < kSurfaceProperties; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_NEAR(standard[k], tight[k], 5e-4 * std::fabs(tight[k]) + 1e-5) << i;
    }
}
