// The molecular-graph jobs on real molecules: bond paths, ring-cage paths and
// the ring-bond search in the ring plane, their counts, list lines and records.

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "AnalysisTestUtil.h"
#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"

#include <gtest/gtest.h>

namespace {

class CQuiet : public ISearchProgress {
public:
    bool IsCancelled() override { return false; }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgress(int percent) override { last = percent; }
    std::vector<std::string> statuses;
    int last = -1;
};

using analysistest::SearchAll;

int CountStarting(const std::vector<SMolGraphEntry>& entries, const std::string& prefix) {
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](const SMolGraphEntry& e) {
        return e.Text.rfind(prefix, 0) == 0;
    }));
}

// A captured path's stored end lies on its critical point within the capture radius.
void ExpectEndsOnPoint(CMolecule& molecule, const CGradPath* path) {
    ASSERT_NE(path->GetEndPoint(), nullptr);
    ASSERT_FALSE(path->GetPointList().empty());
    const double radius = molecule.GetDEOptions().MinCritPointDistance.Current;
    EXPECT_LE((path->GetPointList().front() - path->GetEndPoint()->GetPosition()).Length(), radius);
    EXPECT_LE((path->GetPointList().back() - path->GetLowerPoint()->GetPosition()).Length(), radius);
}

// Two bond paths per bond point, to two different maxima.
void ExpectBondPaths(CMolecule& molecule) {
    for (const auto& bond : *molecule.GetList(-1)) {
        const CPathList& paths = bond->GetPathList(true);
        ASSERT_EQ(paths.size(), 2u);
        std::set<const CCritPoint*> ends;
        for (const CGradPath* path : paths) {
            ExpectEndsOnPoint(molecule, path);
            EXPECT_EQ(path->GetEndPoint()->GetType(), -3);
            EXPECT_TRUE(path->IsInMolGraph());
            ends.insert(path->GetEndPoint());
        }
        EXPECT_EQ(ends.size(), 2u);
    }
}

} // namespace

TEST(MolecularGraphTest, BenzeneGraph) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "benzene.wfn"), 1);
    SearchAll(molecule);
    ASSERT_EQ(molecule.GetList(-1)->size(), 12u);
    ASSERT_EQ(molecule.GetList(1)->size(), 1u);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    zel::CTextRecord log;
    CQuiet progress;

    const SPathCounts bonds = CalcBondPaths(molecule, log, progress);
    EXPECT_EQ(PathSummary(bonds), "Calculated 24 Paths, 0 trials failed");
    EXPECT_EQ(progress.last, 100);
    EXPECT_EQ(progress.statuses.size(), 12u);
    ExpectBondPaths(molecule);
    EXPECT_GT(log.Size(), 24u);
    // Both paths exist already: nothing is traced again.
    EXPECT_EQ(PathSummary(CalcBondPaths(molecule, log, progress)), "Calculated 0 Paths, 24 trials failed");

    // The ring's cage paths leave the plane and reach no cage: failed trials,
    // which the graph does not keep, so the summary and the list agree.
    const SPathCounts cages = CalcRingCagePaths(molecule, log, progress);
    EXPECT_EQ(PathSummary(cages), "Calculated 0 Paths, 2 trials failed");
    EXPECT_EQ(progress.last, 100);
    EXPECT_TRUE(molecule.GetList(1)->front()->GetPathList(false).empty());
    EXPECT_EQ(std::count(log.begin(), log.end(), "   Gradient path reached no critical point and is not kept."), 2);

    const SRingBondCounts rings = CalcRingBondPaths(molecule, log, progress);
    EXPECT_EQ(rings.Found, 6);
    EXPECT_GE(rings.Probes, rings.Found);
    EXPECT_EQ(RingBondSummary(rings),
              "Calculated 6 paths connecting (3,-1) and (3,+1) critical points, total number of computed "
              "gradient paths: " +
                  std::to_string(rings.Probes));
    EXPECT_TRUE(prompts.Texts().empty());
    const CCritPoint* ring = molecule.GetList(1)->front().get();
    std::set<const CCritPoint*> reached;
    for (const CGradPath* path : ring->GetPathList(true)) {
        if (!path->IsInMolGraph()) continue;
        ExpectEndsOnPoint(molecule, path);
        ASSERT_EQ(path->GetEndPoint()->GetType(), -1);
        reached.insert(path->GetEndPoint());
        // A C-C bond point: its bond paths reach carbon maxima.
        for (const CGradPath* bondPath : path->GetEndPoint()->GetPathList(true)) {
            const CAtom* atom = static_cast<const CMaxPoint*>(bondPath->GetEndPoint())->GetAtom();
            ASSERT_NE(atom, nullptr);
            EXPECT_EQ(atom->GetLabel()[0], 'C') << atom->GetLabel();
        }
        // Filed in the bond point's descending list.
        const CPathList& down = path->GetEndPoint()->GetPathList(false);
        EXPECT_NE(std::find(down.begin(), down.end(), path), down.end());
    }
    EXPECT_EQ(reached.size(), 6u);
    // The ring is done: the next run passes it by and traces no probe.
    EXPECT_EQ(RingBondSummary(CalcRingBondPaths(molecule, log, progress)),
              "No (3,+1) critical points available!");

    const std::vector<SMolGraphEntry> entries = MolGraphEntries(molecule);
    EXPECT_EQ(CountStarting(entries, "(3,-3) to (3,-1) : "), 24);
    EXPECT_EQ(CountStarting(entries, "(3,+1) to unknown: "), 0);
    EXPECT_EQ(CountStarting(entries, "(3,-1) to (3,+1) : "), 6);
    EXPECT_EQ(entries.size(), 30u);
    zel::CTextRecord record;
    const int lines = molecule.WriteMolGraphRecord(&record);
    EXPECT_EQ(lines, static_cast<int>(record.Size()));
    EXPECT_GT(record.Size(), 0u);
}

// On water and methane every bond point gets its two bond paths.
TEST(MolecularGraphTest, BondPathsOfSmallMolecules) {
    struct Case {
        const char* file;
        int bonds;
    };
    for (const Case& c : {Case{"water.wfn", 2}, Case{"methane.wfn", 4}}) {
        SCOPED_TRACE(c.file);
        CMolecule molecule;
        ASSERT_EQ(analysistest::Load(molecule, c.file), 1);
        SearchAll(molecule);
        ASSERT_EQ(static_cast<int>(molecule.GetList(-1)->size()), c.bonds);
        zel::CTextRecord log;
        CQuiet progress;
        const SPathCounts counts = CalcBondPaths(molecule, log, progress);
        EXPECT_EQ(counts.Traced, 2 * c.bonds);
        EXPECT_EQ(counts.Failed(), 0);
        ExpectBondPaths(molecule);
        const std::vector<SMolGraphEntry> entries = MolGraphEntries(molecule);
        ASSERT_EQ(static_cast<int>(entries.size()), 2 * c.bonds);
        const CVector h = static_cast<const CMaxPoint*>(entries[0].Path->GetEndPoint())->GetPosition();
        const std::string head = zel::Sprintf("(3,-3) to (3,-1) : (%8.4lf,%8.4lf,%8.4lf)", h.x, h.y, h.z);
        EXPECT_EQ(entries[0].Text.substr(0, head.size()), head);
    }
}

// Paths cut short before any critical point are kept but count as failed
// trials, and the list shows where they stopped.
TEST(MolecularGraphTest, PathsReachingNoPointAreFailedTrials) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
    SearchAll(molecule);
    molecule.GetDEOptions().MaxPathLength.Current = 0.1;
    zel::CTextRecord log;
    CQuiet progress;
    EXPECT_EQ(PathSummary(CalcBondPaths(molecule, log, progress)), "Calculated 0 Paths, 4 trials failed");
    // Neither the graph nor its list keeps them; the log says where each stopped.
    EXPECT_TRUE(MolGraphEntries(molecule).empty());
    for (const auto& point : *molecule.GetList(-1))
        EXPECT_TRUE(point->GetPathList(true).empty());
    EXPECT_EQ(std::count(log.begin(), log.end(), "   Gradient path reached no critical point and is not kept."), 4);
    // The ring-bond job with no ring point traces no probe.
    EXPECT_EQ(RingBondSummary(CalcRingBondPaths(molecule, log, progress)),
              "No (3,+1) critical points available!");
}

// Without bond paths the search knows no bond point between the ring's
// maxima: every sector ends with the message, no ring-bond path is found and
// only paths to maxima join the graph.
TEST(MolecularGraphTest, RingSearchWithoutBondPathsReportsMissingBondPoints) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "benzene.wfn"), 1);
    SearchAll(molecule);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    zel::CTextRecord log;
    CQuiet progress;
    const SRingBondCounts counts = CalcRingBondPaths(molecule, log, progress);
    EXPECT_EQ(counts.Found, 0);
    EXPECT_GT(counts.Probes, 0);
    const std::vector<std::string> texts = prompts.Texts();
    ASSERT_EQ(texts.size(), 6u); // one per sector between neighbouring carbons
    for (const std::string& text : texts) {
        EXPECT_EQ(text.rfind("Missing bond critical point between C", 0), 0u) << text;
        EXPECT_NE(text.find(" or extremly bent paths in ring plane"), std::string::npos);
    }
    const CCritPoint* ring = molecule.GetList(1)->front().get();
    EXPECT_LE(ring->GetPathList(true).size(), 6u);
    for (const CGradPath* path : ring->GetPathList(true)) {
        ASSERT_NE(path->GetEndPoint(), nullptr);
        EXPECT_EQ(path->GetEndPoint()->GetType(), -3);
    }
    EXPECT_EQ(CountStarting(MolGraphEntries(molecule), "(3,-3) to (3,+1) : "),
              static_cast<int>(ring->GetPathList(true).size()));
}
