// The atom's frames, coordinates and nucleus sphere.

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "analysis/Molecule.h"

namespace {

CAtom* AddAtom(CMolecule& molecule, CVector position) {
    molecule.GetAtomList().push_back(
        std::make_unique<CAtom>(molecule.NextObjectNumber(), "X", position, 1.0, &molecule));
    return molecule.GetAtomList().back().get();
}

CVector Row(const CMatrix& m, int i) {
    auto pick = [i](CVector c) { return i == 0 ? c.x : (i == 1 ? c.y : c.z); };
    return {pick(m.c0), pick(m.c1), pick(m.c2)};
}

// Rows orthonormal and right-handed.
void ExpectRotation(const CMatrix& m, const char* what) {
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(Row(m, i) * Row(m, k), i == k ? 1.0 : 0.0, 1e-12) << what;
    }
    EXPECT_NEAR((Cross(Row(m, 0), Row(m, 1)) - Row(m, 2)).Length(), 0.0, 1e-12) << what;
}

void ExpectIdentity(const CMatrix& m, const char* what) {
    EXPECT_EQ(m.c0, CVector(1, 0, 0)) << what;
    EXPECT_EQ(m.c1, CVector(0, 1, 0)) << what;
    EXPECT_EQ(m.c2, CVector(0, 0, 1)) << what;
}

TEST(AtomFrame, SingleAtomAndAxialMoleculeKeepTheIdentity) {
    CMolecule single;
    CAtom* alone = AddAtom(single, CVector(0.3, -1, 2));
    alone->ComputeLocalFrame();
    ExpectIdentity(alone->GetLocalFrame(), "single atom");

    // Along the global z axis, also for the top atom whose centroid lies below.
    CMolecule linear;
    std::vector<CAtom*> atoms = {AddAtom(linear, CVector(0, 0, -1.5)), AddAtom(linear, CVector(0, 0, 0.2)),
                                 AddAtom(linear, CVector(0, 0, 2.0))};
    for (CAtom* atom : atoms) {
        atom->ComputeLocalFrame();
        ExpectIdentity(atom->GetLocalFrame(), "linear");
    }
}

// The local z axis points to the centroid of the nuclei, except for a centroid
// straight above or below the nucleus, where it stays the global z axis.
TEST(AtomFrame, LocalZPointsToTheCentroid) {
    const std::vector<std::vector<CVector>> molecules = {
        {CVector(0, 0, 0.2217), CVector(0, 1.4309, -0.8867), CVector(0, -1.4309, -0.8867)},
        {CVector(0.1, 0.2, 0.3), CVector(1.9, -0.4, 0.1), CVector(-0.7, 1.6, -0.9), CVector(0.4, 0.5, 2.2)},
        {CVector(1, 2, 0), CVector(-1, 0.5, 0), CVector(0.3, -2, 0), CVector(2, -1, 0), CVector(-2, -2, 0)},
    };
    for (const auto& positions : molecules) {
        CMolecule molecule;
        CVector centroid;
        for (CVector p : positions) {
            AddAtom(molecule, p);
            centroid = centroid + p / static_cast<double>(positions.size());
        }
        for (const auto& atom : molecule.GetAtomList()) {
            atom->ComputeLocalFrame();
            ExpectRotation(atom->GetLocalFrame(), "local frame");
            const CVector d = centroid - atom->GetPosition();
            if (d.x == 0.0 && d.y == 0.0) {
                EXPECT_EQ(Row(atom->GetLocalFrame(), 2), CVector(0, 0, 1));
            } else {
                const CVector local = atom->GlobalToLocal(centroid);
                EXPECT_NEAR(local.x, 0.0, 1e-12);
                EXPECT_NEAR(local.y, 0.0, 1e-12);
                EXPECT_NEAR(local.z, d.Length(), 1e-12);
            }
            // Local and global coordinates convert back and forth.
            const CVector p(0.7, -1.1, 0.4);
            EXPECT_NEAR((atom->LocalToGlobal(atom->GlobalToLocal(p)) - p).Length(), 0.0, 1e-12);
        }
    }
}

TEST(AtomFrame, IntegrationAxis) {
    // A linear molecule along z keeps the identity as local frame, so points on
    // the local z axis are exact.
    CMolecule linear;
    CAtom* end = AddAtom(linear, CVector(0, 0, -1));
    AddAtom(linear, CVector(0, 0, 1.5));
    end->ComputeLocalFrame();
    end->SetIntegrationAxis(CVector(0, 0, 2));
    ExpectIdentity(end->GetIntegrationFrame(), "local +z");
    end->SetIntegrationAxis(CVector(0, 0, -3));
    const CMatrix below = end->GetIntegrationFrame();
    EXPECT_EQ(below.c0, CVector(-1, 0, 0));
    EXPECT_EQ(below.c1, CVector(0, 1, 0));
    EXPECT_EQ(below.c2, CVector(0, 0, -1));
    end->SetIntegrationAxis(CVector());
    ExpectIdentity(end->GetIntegrationFrame(), "zero vector");
    end->SetIntegrationAxis(end->GetPosition());
    ExpectIdentity(end->GetIntegrationFrame(), "the nucleus itself");

    CMolecule molecule;
    CAtom* atom = AddAtom(molecule, CVector(1, 1, 1));
    AddAtom(molecule, CVector(2, -1, 3));
    AddAtom(molecule, CVector(-1, 0.5, 2));
    atom->ComputeLocalFrame();

    // A general point becomes the integration z axis: theta 0 there.
    const CVector target(-0.5, 2.0, 0.3);
    atom->SetIntegrationAxis(target);
    ExpectRotation(atom->GetIntegrationFrame(), "integration frame");
    const CVector rtp = atom->ToIntegrationCoords(target);
    EXPECT_NEAR(rtp.x, (target - atom->GetPosition()).Length(), 1e-12);
    EXPECT_NEAR(rtp.y, 0.0, 1e-7);

    // Integration coordinates convert back and forth.
    for (CVector p : {CVector(0.2, 0.4, -1.0), CVector(3, -2, 1), CVector(1, 1, 1.5)}) {
        const CVector back = atom->FromIntegrationCoords(atom->ToIntegrationCoords(p));
        EXPECT_NEAR((back - p).Length(), 0.0, 1e-12);
        const CVector s = atom->ToIntegrationCoords(p);
        EXPECT_GE(s.y, 0.0);
        EXPECT_LE(s.y, std::numbers::pi);
        EXPECT_GE(s.z, 0.0);
        EXPECT_LT(s.z, 2 * std::numbers::pi);
    }
}

TEST(AtomFrame, NearestCritDistance) {
    CMolecule molecule;
    CAtom* atom = AddAtom(molecule, CVector(0, 0, 0));
    atom->ComputeNearestCritDistance();
    EXPECT_EQ(atom->GetNearestCritDistance(), 0.3);

    molecule.GetList(-1)->push_back(std::make_unique<CBondPoint>(nullptr, 2, 0, CVector(12, 0, 0), 0.0));
    atom->ComputeNearestCritDistance();
    EXPECT_EQ(atom->GetNearestCritDistance(), 0.3); // nothing within 10 bohr

    molecule.GetList(-3)->push_back(
        std::make_unique<CMaxPoint>(nullptr, 3, 0, CVector(0.1, 0, 0), 0.0)); // maxima do not count
    molecule.GetList(-1)->push_back(std::make_unique<CBondPoint>(nullptr, 4, 0, CVector(0, 1.5, 0), 0.0));
    molecule.GetList(3)->push_back(
        std::make_unique<CCagePoint>(nullptr, 5, 2, CVector(0, 0, -0.8), 0.0)); // any field
    molecule.GetList(1)->push_back(std::make_unique<CRingPoint>(nullptr, 6, 0, CVector(0, 0.9, 0), 0.0));
    atom->ComputeNearestCritDistance();
    EXPECT_DOUBLE_EQ(atom->GetNearestCritDistance(), 0.8);
}

TEST(AtomFrame, WithoutAWavefunctionTheResultArraysStayEmpty) {
    CMolecule molecule;
    CAtom* atom = AddAtom(molecule, CVector());
    EXPECT_EQ(atom->GetPropertyCount(), 0);
    EXPECT_TRUE(atom->m_ResultsA.Results.empty());
    atom->m_ResultsA.Method = -1;
    atom->m_ResultsB.Method = 0.5;
    atom->ClearResults();
    EXPECT_EQ(atom->m_ResultsA.Method, 0.0);
    EXPECT_EQ(atom->m_ResultsB.Method, 0.0);
}

} // namespace

// The bonded list: every (3,-1) point with an ascending density path to the
// atom's maximum, in list order; paths of other fields and paths that reached
// no maximum do not count.
TEST(AtomFrame, CollectBondedPoints) {
    CMolecule molecule;
    const graphtest::Graph g = graphtest::BuildGraph(molecule);
    g.atomA->CollectBondedPoints();
    EXPECT_EQ(g.atomA->GetBondedPoints(), (std::vector<CBondPoint*>{g.bondAB, g.bondOpen}));
    g.atomB->CollectBondedPoints();
    EXPECT_EQ(g.atomB->GetBondedPoints(), (std::vector<CBondPoint*>{g.bondAB}));
    // Collecting again starts afresh.
    g.atomB->CollectBondedPoints();
    EXPECT_EQ(g.atomB->GetBondedPoints().size(), 1u);
    // Without a maximum the open path (no upper end) must not match.
    g.atomB->SetMaxPoint(nullptr);
    g.atomB->CollectBondedPoints();
    EXPECT_TRUE(g.atomB->GetBondedPoints().empty());
}

TEST(AtomFrame, QuadratureCachesExistOnlyWhileAllocated) {
    CMolecule molecule;
    const graphtest::Graph g = graphtest::BuildGraph(molecule);
    CAtom& atom = *g.atomA;
    EXPECT_FALSE(atom.HasCaches());
    EXPECT_EQ(atom.GetCache(1), nullptr);
    ASSERT_TRUE(atom.AllocateCaches());
    for (int i = 1; i <= CAtom::kCaches; ++i) {
        ASSERT_NE(atom.GetCache(i), nullptr);
        EXPECT_EQ(atom.GetCache(i)[0], -1.0);            // empty: no argument yet
        atom.GetCache(i)[atom.GetPropertyCount()] = 1.0; // property count + 1 entries
    }
    atom.FreeCaches();
    EXPECT_FALSE(atom.HasCaches());
    EXPECT_EQ(atom.GetCache(3), nullptr);
}
