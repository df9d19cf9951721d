// Critical points and gradient paths as objects: the maximum's atom link, the
// point of a path at a radius and the path record.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "analysis/Molecule.h"

namespace {

using graphtest::AddPoint;

// A second maximum beside a nucleus that already has a density maximum at
// distance 0.03 (the minimal critical-point distance is 0.1).
TEST(MaxPointAtom, SecondMaximumBesideANucleus) {
    struct Case {
        const char* what;
        int field;
        CVector offset;
        bool links;          // names and points to the atom
        bool becomesMaximum; // replaces the first as the atom's maximum
    };
    const Case cases[] = {
        {"nearer density maximum", 0, CVector(0.01, 0, 0), true, true},
        {"equally near keeps the first", 0, CVector(0, 0.03, 0), true, false},
        {"farther", 0, CVector(0.05, 0, 0), true, false},
        {"Laplacian maximum", 1, CVector(0.001, 0, 0), true, false},
        {"just inside twice the distance", 0, CVector(0, 0, -0.1999), true, false},
        {"at twice the distance", 0, CVector(0.2, 0, 0), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CMolecule molecule;
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
        CAtom* atom = molecule.GetAtomList().front().get();
        CMaxPoint* first = AddPoint<CMaxPoint>(molecule, 0, atom->GetPosition() + CVector(0.03, 0, 0));
        ASSERT_EQ(atom->GetMaxPoint(), first);

        CMaxPoint* second = AddPoint<CMaxPoint>(molecule, c.field, atom->GetPosition() + c.offset);
        EXPECT_EQ(second->GetAtom(), c.links ? atom : nullptr);
        EXPECT_EQ(second->GetAtomNumber(), c.links ? atom->GetNumber() : 0);
        EXPECT_EQ(atom->GetMaxPoint(), c.becomesMaximum ? second : first);

        // Deleting the atom's maximum leaves the atom without one; deleting
        // another maximum leaves the atom's in place.
        molecule.GetList(-3)->pop_back();
        EXPECT_EQ(atom->GetMaxPoint(), c.becomesMaximum ? nullptr : first);
    }
}

TEST(MaxPointAtom, TheMinimalDistanceIsReadWhenThePointIsMade) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
    CAtom* atom = molecule.GetAtomList().front().get();
    molecule.GetCritOptions().MinDistance.Current = 0.01;
    CMaxPoint* outside = AddPoint<CMaxPoint>(molecule, 0, CVector(0.03, 0, 0));
    EXPECT_EQ(outside->GetAtom(), nullptr);
    EXPECT_EQ(atom->GetMaxPoint(), nullptr);
    molecule.GetCritOptions().MinDistance.Current = 0.1;
    CMaxPoint* inside = AddPoint<CMaxPoint>(molecule, 0, CVector(0.03, 0, 0));
    EXPECT_EQ(atom->GetMaxPoint(), inside);
}

TEST(GradPath, PointAtRadius) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
    const CAtom& atom = *molecule.GetAtomList().front();
    CRingPoint upperNear(&molecule, 1, 0, CVector(0, 0, 0.1), 0.0);
    CRingPoint upperSide(&molecule, 2, 0, CVector(0.5, 0, 0), 0.0);

    struct Case {
        const char* what;
        CCritPoint* upper;
        std::vector<CVector> points;
        double r;
        CVector expected;
    };
    const std::vector<CVector> line = {CVector(0, 0, 0.5), CVector(0, 0, 1.0)};
    const Case cases[] = {
        {"no upper end", nullptr, line, 0.75, CVector(0, 0, 0.75)},
        {"no points", &upperNear, {}, 0.75, CVector(0, 0, 0.75)},
        {"between upper end and first point", &upperNear, line, 0.3, CVector(0, 0, 0.3)},
        {"between two points", &upperNear, line, 0.75, CVector(0, 0, 0.75)},
        {"beyond the last point", &upperNear, line, 2.0, CVector(0, 0, 1.0)},
        {"one point, r beyond it", &upperNear, {CVector(0, 0, 0.5)}, 1.0, CVector(0, 0, 0.5)},
        // Two neighbours at one distance: no division by zero, the earlier one.
        {"equal distances at r", &upperSide, {CVector(0, 0.5, 0), CVector(0, 1, 0)}, 0.5, CVector(0.5, 0, 0)},
        {"equal distances beyond r",
         &upperSide,
         {CVector(0, 0.5, 0), CVector(0, 1, 0)},
         0.3,
         CVector(0.5, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CGradPath path(&molecule, 10, 0);
        path.SetUpperPoint(c.upper);
        for (CVector p : c.points)
            path.AddPoint(p, 0.0, true);
        const CVector result = path.PointAtRadius(atom, c.r);
        EXPECT_NEAR(result.x, c.expected.x, 1e-12);
        EXPECT_NEAR(result.y, c.expected.y, 1e-12);
        EXPECT_NEAR(result.z, c.expected.z, 1e-12);
    }
}

TEST(GradPath, PointsArePrependedOrAppendedAndParametersReversed) {
    CGradPath path(nullptr, 5, 0);
    path.AddPoint(CVector(0, 0, 1), 0.25, true);
    path.AddPoint(CVector(0, 0, 2), 0.5, true);
    path.AddPoint(CVector(0, 0, 0), 0.0, false);
    path.SetTraceInfo(1e-6, 3, 2.0);
    path.ReverseParameter();
    EXPECT_EQ(path.GetPointList(),
              (std::deque<CVector>{CVector(0, 0, 0), CVector(0, 0, 1), CVector(0, 0, 2)}));
    EXPECT_EQ(path.GetParameterList(), (std::deque<double>{2.0, 1.75, 1.5}));
}

TEST(GradPath, Record) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
    const std::string label = molecule.GetAtomList().front()->GetLabel();
    CMaxPoint* maximum = AddPoint<CMaxPoint>(molecule, 0, CVector());
    CBondPoint* bond = AddPoint<CBondPoint>(molecule, 0, CVector(0, 0, 1.25));
    CMaxPoint* farMaximum = AddPoint<CMaxPoint>(molecule, 0, CVector(3, 0, 0));
    CRingPoint* ring = AddPoint<CRingPoint>(molecule, 1, CVector(1, -2.5, 0.125));
    ASSERT_NE(maximum->GetAtom(), nullptr);

    CGradPath bondPath(&molecule, 20, 0);
    bondPath.AddPoint(CVector(0, 0, 0), 0.0, true);
    bondPath.AddPoint(CVector(0, -0.5, 1.25), 1.25, true);
    bondPath.SetTraceInfo(1e-6, 5, 1.25);
    bondPath.SetInMolGraph();
    bondPath.SetUpperPoint(maximum);
    bondPath.SetLowerPoint(bond);
    zel::CTextRecord lines;
    lines.Add("before");
    EXPECT_EQ(bondPath.WriteReport(lines, true), 16);
    const std::vector<std::string> expected = {
        "before",
        "Gradient path of RHO, electron density",
        "   Gradient path starts at (3,-3)-critical point (  0.0000,  0.0000,  0.0000)",
        "   Associated Nucleus: " + label,
        "   Gradient path ends at (3,-1)-critical point   (  0.0000,  0.0000,  1.2500)",
        " ",
        "   Gradient path belongs to molecular graph",
        "   Length of gradient path:                1.2500",
        "   Accuracy of path calculation:        1.00e-006",
        "   Number of wavefunction evaluations:  5        ",
        "   Number of stored points on the path: 2        ",
        " ",
        "   Points on the gradient path and length along the path:",
        "             0.000000000        0.000000000        0.000000000              0.000000000",
        "             0.000000000       -0.500000000        1.250000000              1.250000000",
        " ",
        " ",
    };
    EXPECT_EQ(lines.Lines(), expected);

    // A ring point's signature goes through "%2d"; no lower end, flag or points.
    CGradPath ringPath(&molecule, 21, 1);
    ringPath.SetUpperPoint(ring);
    lines.Clear();
    EXPECT_EQ(ringPath.WriteReport(lines, true), 9);
    EXPECT_EQ(lines.Lines(),
              (std::vector<std::string>{
                  "Gradient path of L, Laplacian of Rho",
                  "   Gradient path starts at (3, 1)-critical point (  1.0000, -2.5000,  0.1250)",
                  " ",
                  "   Length of gradient path:                0.0000",
                  "   Accuracy of path calculation:        0.00e+000",
                  "   Number of wavefunction evaluations:  0        ",
                  "   Number of stored points on the path: 0        ",
                  " ",
                  " ",
              }));

    // Only a maximum with an atom names a nucleus.
    for (CCritPoint* upper : {static_cast<CCritPoint*>(bond), static_cast<CCritPoint*>(farMaximum)}) {
        CGradPath path(&molecule, 22, 0);
        path.SetUpperPoint(upper);
        lines.Clear();
        path.WriteReport(lines, false);
        EXPECT_EQ(lines.Size(), 9u);
        EXPECT_EQ(lines.Lines()[2], " ");
    }
}

} // namespace
