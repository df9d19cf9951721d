// Before a basin job the critical points it relies on are checked: the
// molecule's set (n - b + r - c = 1) and the atom's bonded points. When they
// are incomplete the chemist is told what to search and chooses to stop or to
// go on; a result obtained all the same carries a mark.

#include <algorithm>
#include <string>
#include <vector>

#include "../analysis/GraphTestUtil.h"
#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "integration/CritPointCheck.h"

namespace {

using namespace integrationtest;

const std::string kQuestion =
    "\n\nIntegrated with this set, the basin may come out wrong. Integrate all the same?";
const std::string kSearch =
    "\n\nSearch the missing critical points (Calculation > Critical points: iterate with grid points as "
    "starting values), then trace the paths uphill from the (3,-1) critical points (Calculation > "
    "Molecular graph).";
const std::string kTrace =
    "\n\nTrace the paths uphill from the (3,-1) critical points (Calculation > Molecular graph).";

// Linear H3 of s Gaussians: three maxima and two bond points.
void LoadH3(CMolecule& molecule) {
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -1.4), CVector(0, 0, 0), CVector(0, 0, 1.4)}, 2.0));
}

// The bond point on the positive z side, between the second and third atom.
void DeleteUpperBond(CMolecule& molecule) {
    const auto& bonds = *molecule.GetList(-1);
    const auto upper = std::find_if(bonds.begin(), bonds.end(),
                                    [](const auto& point) { return point->GetPosition().z > 0.0; });
    ASSERT_NE(upper, bonds.end());
    ASSERT_TRUE(DeleteCriticalPoint(molecule, upper->get()));
}

TEST(CritPointCheck, SaysWhatIsMissingAndWhatToSearch) {
    CMolecule complete, withoutPaths, withoutBond;
    for (CMolecule* molecule : {&complete, &withoutPaths, &withoutBond})
        LoadH3(*molecule);
    SearchGraph(complete);
    analysistest::SearchAll(withoutPaths);
    SearchGraph(withoutBond);
    DeleteUpperBond(withoutBond);

    const SCritPointCount count = CountDensityCritPoints(complete);
    ASSERT_EQ(count.Maxima, 3);
    ASSERT_EQ(count.Bonds, 2);
    EXPECT_EQ(count.Sum(), 1);
    const std::string first = AtomAt(complete, 0)->GetLabel();
    const std::string third = AtomAt(complete, 2)->GetLabel();

    struct Case {
        CMolecule* molecule;
        int atom;
        std::string expected;
    };
    const std::string counts =
        "The critical points of the electron density are incomplete: 3 maxima, 1 bond, 0 ring "
        "and 0 cage points give n - b + r - c = 2, where a molecule has 1.";
    const Case cases[] = {
        {&complete, 0, ""},
        {&complete, 1, ""},
        {&withoutPaths, 0,
         "2 (3,-1) critical points have no bond paths. " + first + " is bonded to no (3,-1) critical point." +
             kTrace + kQuestion},
        // The first atom keeps its bond, the set is short of one all the same.
        {&withoutBond, 0, counts + kSearch + kQuestion},
        {&withoutBond, 2,
         counts + " " + third + " is bonded to no (3,-1) critical point." + kSearch + kQuestion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        CAtom& atom = *AtomAt(*c.molecule, c.atom);
        EXPECT_EQ(CheckCritPointsForBasin(atom), c.expected);
    }
    // Points of another field are no part of the density's set.
    graphtest::AddPoint<CBondPoint>(complete, 1, CVector(1, 0, 0));
    graphtest::AddPoint<CCagePoint>(complete, 4, CVector(2, 0, 0));
    EXPECT_EQ(CheckCritPointsForBasin(*AtomAt(complete, 0)), "");
}

// H3 short of one bond point, integrated at a single azimuth (the atoms lie
// on the local z axis): No stops the job before it evaluates anything, Yes
// integrates and marks the result; a later run with a complete set clears it.
TEST(CritPointCheck, TheChemistStopsOrGoesOnAndTheResultIsMarked) {
    CMolecule molecule;
    LoadH3(molecule);
    SearchGraph(molecule);
    CAtom& atom = *AtomAt(molecule, 0);
    CBasinJob job;
    job.Settings.Atom = &atom;
    job.Settings.PhiLower = job.Settings.PhiUpper = 120;
    job.Settings.Factor = job.Settings.ProposedFactor();

    const auto run = [&](Job which, std::vector<int> answers) {
        zel::CScriptedPrompts prompts;
        for (int answer : answers)
            prompts.PushAnswer(answer);
        zel::ScopedPromptService scoped(prompts);
        g_bCancel = 0;
        g_nEvaluations = 0;
        which == Job::Natural ? job.IntegrateNatural() : job.IntegrateRadial();
        return prompts.Calls();
    };

    atom.m_ResultsA.IncompleteCritPoints = true;
    EXPECT_TRUE(run(Job::Radial, {}).empty());
    EXPECT_EQ(atom.m_ResultsA.Method, -1.0);
    EXPECT_FALSE(atom.m_ResultsA.IncompleteCritPoints);
    const double complete = atom.m_ResultsA.Results[0];

    DeleteUpperBond(molecule);
    const std::string text = CheckCritPointsForBasin(atom);
    ASSERT_NE(text, "");
    const zel::CScriptedPrompts::Call question{text, zel::PromptButtons::YesNo, zel::PromptIcon::Warning};

    atom.m_ResultsB.Method = 0.0;
    for (Job which : {Job::Natural, Job::Radial}) {
        EXPECT_EQ(run(which, {zel::IDNO}), std::vector<zel::CScriptedPrompts::Call>{question});
        EXPECT_EQ(g_nEvaluations, 0);
        EXPECT_EQ(atom.m_ResultsA.Method, -1.0);
        EXPECT_EQ(atom.m_ResultsA.Results[0], complete);
        EXPECT_FALSE(atom.m_ResultsA.IncompleteCritPoints);
        EXPECT_EQ(atom.m_ResultsB.Method, 0.0);
    }

    const std::string line = "Integrated with an incomplete set of critical points: the basin may be wrong!";
    for (Job which : {Job::Natural, Job::Radial}) {
        SCOPED_TRACE(which == Job::Natural ? "natural" : "radial");
        EXPECT_EQ(run(which, {zel::IDYES}), std::vector<zel::CScriptedPrompts::Call>{question});
        EXPECT_EQ(atom.m_ResultsA.Method, which == Job::Natural ? 0.5 : -1.0);
        EXPECT_TRUE(atom.m_ResultsA.IncompleteCritPoints);
        // This atom's own bond is there: its basin is right here.
        EXPECT_NEAR(atom.m_ResultsA.Results[0], complete, 2e-3);

        std::vector<std::string> items;
        atom.FillResultList(items);
        ASSERT_GT(items.size(), 4u);
        EXPECT_EQ(items[which == Job::Natural ? 3 : 2], line);
        zel::CTextRecord record;
        atom.WriteRecord(&record);
        const std::vector<std::string> lines = record.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "      " + line), 1);
    }
}

// Tetrahedrane: the searches from the nuclei and from pairs and triples of
// maxima leave the set short, which every atom's check tells; the grid search
// completes it (8 maxima, 10 bond, 4 ring and 1 cage points), and the checks
// are silent then.
TEST(CritPointCheck, TetrahedraneFromNucleiPairsAndTriplesThenOnAGrid) {
    CMolecule molecule;
    LoadFixture(molecule, "tetrahedrane.wfn");
    SearchGraph(molecule);
    ASSERT_NE(CountDensityCritPoints(molecule).Sum(), 1);
    for (const auto& atom : molecule.GetAtomList())
        EXPECT_EQ(CheckCritPointsForBasin(*atom).rfind(
                      "The critical points of the electron density are incomplete: 8 maxima, ", 0),
                  0u)
            << atom->GetLabel();

    SGridSpec grid;
    for (const auto& atom : molecule.GetAtomList())
        grid.Centre = grid.Centre + atom->GetPosition() / 8.0;
    grid.Side = 6.0;
    grid.PerSide = 6;
    grid.Total = GridTotal(grid.PerSide);
    zel::CTextRecord log;
    CQuietProgress quiet;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
    search.SearchOnGrid(grid);
    CalcBondPaths(molecule, log, quiet);
    const SCritPointCount count = CountDensityCritPoints(molecule);
    EXPECT_EQ(count.Maxima, 8);
    EXPECT_EQ(count.Bonds, 10);
    EXPECT_EQ(count.Rings, 4);
    EXPECT_EQ(count.Cages, 1);
    for (const auto& atom : molecule.GetAtomList())
        EXPECT_EQ(CheckCritPointsForBasin(*atom), "") << atom->GetLabel();
}

} // namespace
