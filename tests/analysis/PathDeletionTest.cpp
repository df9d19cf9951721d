// Deleting critical points and paths: exactly the paths at either end go, and
// nothing keeps a link to what went. Also built with AddressSanitizer, where a
// dangling link fails the test.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "analysis/Molecule.h"

namespace {

std::set<int> PathNumbers(const CMolecule& molecule) {
    std::set<int> numbers;
    for (int type : {-3, -1, 1, 3}) {
        for (const auto& point : *molecule.GetList(type)) {
            for (bool ascending : {false, true}) {
                for (const CGradPath* path : point->GetPathList(ascending))
                    numbers.insert(path->GetNumber());
            }
        }
    }
    return numbers;
}

void DeletePoint(CMolecule& molecule, const CCritPoint* point) {
    molecule.GetList(point->GetType())->remove_if([point](const auto& p) { return p.get() == point; });
}

bool Holds(const std::vector<CBondPoint*>& bonded, const CCritPoint* point) {
    return std::any_of(bonded.begin(), bonded.end(), [point](const CCritPoint* b) { return b == point; });
}

TEST(PathDeletion, DeletingAPointDeletesThePathsAtEitherEnd) {
    struct Case {
        const char* what;
        CCritPoint* (*point)(const graphtest::Graph&);
        std::set<int> deleted; // indices into Graph::paths
    };
    const Case cases[] = {
        {"bond point with bond paths and a ring path",
         [](const graphtest::Graph& g) -> CCritPoint* { return g.bondAB; },
         {1, 3, 5}},
        {"bond point with a path that reached no maximum",
         [](const graphtest::Graph& g) -> CCritPoint* { return g.bondOpen; },
         {0, 2}},
        {"density maximum", [](const graphtest::Graph& g) -> CCritPoint* { return g.maxA; }, {1, 2}},
        {"Laplacian maximum", [](const graphtest::Graph& g) -> CCritPoint* { return g.lapA; }, {4}},
        {"maximum without paths", [](const graphtest::Graph& g) -> CCritPoint* { return g.farMax; }, {}},
        {"ring point", [](const graphtest::Graph& g) -> CCritPoint* { return g.ring; }, {5, 6, 7}},
        {"cage point", [](const graphtest::Graph& g) -> CCritPoint* { return g.cage; }, {6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMolecule molecule;
        graphtest::Graph g = graphtest::BuildGraph(molecule);
        molecule.SetCurrentSurface(g.bondAB);
        g.atomA->AddBondedPoint(g.bondAB);
        g.atomB->AddBondedPoint(g.bondAB);
        g.atomB->AddBondedPoint(g.bondOpen);
        std::set<int> expected = PathNumbers(molecule);
        for (int index : c.deleted)
            expected.erase(g.paths[static_cast<std::size_t>(index)]->GetNumber());

        const CCritPoint* victim = c.point(g);
        DeletePoint(molecule, victim);
        EXPECT_EQ(PathNumbers(molecule), expected);
        graphtest::ExpectConsistentLinks(molecule);

        EXPECT_EQ(molecule.GetCurrentSurface(), victim == g.bondAB ? nullptr : g.bondAB);
        for (const auto& atom : molecule.GetAtomList())
            EXPECT_FALSE(Holds(atom->GetBondedPoints(), victim));
        EXPECT_EQ(g.atomA->GetMaxPoint(), victim == g.maxA ? nullptr : g.maxA);
        EXPECT_EQ(g.atomB->GetMaxPoint(), g.maxB);
        molecule.Reset();
    }
}

TEST(PathDeletion, DeletingAPathLeavesBothEnds) {
    CMolecule molecule;
    graphtest::Graph g = graphtest::BuildGraph(molecule);
    CGradPath* bondPath = g.paths[1]; // maxA down to bondAB
    delete bondPath;
    EXPECT_EQ(g.maxA->GetPathList(false), (CPathList{g.paths[2]}));
    EXPECT_EQ(g.bondAB->GetPathList(true), (CPathList{g.paths[3]}));

    // A plot's own path names an end whose lists do not hold it.
    auto* plotPath = new CGradPath(&molecule, 9999, 0);
    plotPath->SetUpperPoint(g.ring);
    plotPath->SetLowerPoint(g.cage);
    delete plotPath;
    EXPECT_EQ(g.ring->GetPathList(false), (CPathList{g.paths[6], g.paths[7]}));
    EXPECT_EQ(g.cage->GetPathList(true), (CPathList{g.paths[6]}));

    // Replacing a bond point's bond paths, as a new trace does.
    g.bondOpen->DeletePaths(true);
    EXPECT_TRUE(g.bondOpen->GetPathList(true).empty());
    EXPECT_EQ(g.maxA->GetPathList(false), CPathList{});
    graphtest::ExpectConsistentLinks(molecule);
}

} // namespace
