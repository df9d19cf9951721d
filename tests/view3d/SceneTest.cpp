// What the three-dimensional view draws, without OpenGL: the trackball's
// rotations, the turn of a cylinder onto its direction, and the scene taken
// from a molecule (spheres, path cylinders and their selection names).

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "analysis/DocumentFile.h"
#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "view3d/3DView.h"
#include "view3d/Scene.h"
#include "view3d/Trackball.h"

#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// v turned by angle (radians) about the unit vector n (Rodrigues).
CVector Rotate(CVector v, CVector n, double angle) {
    return std::cos(angle) * v + std::sin(angle) * Cross(n, v) + (1.0 - std::cos(angle)) * (n * v) * n;
}

// The matrix as glMultMatrixf reads it (column-major) applied to v.
CVector ApplyGLMatrix(const float m[4][4], CVector v) {
    return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
            m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
}

void ExpectNear(CVector a, CVector b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// --- trackball --------------------------------------------------------------------

TEST(TrackballTest, SurfaceIsTheBallNearTheCentreAndMeetsTheSheetSmoothly) {
    EXPECT_FLOAT_EQ(ProjectToSphere(0.8f, 0.0f, 0.0f), 0.8f);
    EXPECT_NEAR(ProjectToSphere(0.8f, 1.0f, 0.0f), 0.32f, 1e-6f);
    // On both sides of the seam at r / sqrt 2 the height is r / sqrt 2.
    const float seam = 0.8f / std::sqrt(2.0f);
    EXPECT_NEAR(ProjectToSphere(0.8f, seam * (1 - 1e-5f), 0), seam, 1e-4f);
    EXPECT_NEAR(ProjectToSphere(0.8f, seam * (1 + 1e-5f), 0), seam, 1e-4f);
}

// A drag between two points on the ball turns the ball so that the point
// under the cursor follows it: the drawn rotation takes the first ball point
// onto the second.
TEST(TrackballTest, DragTurnsTheBallPointUnderTheCursorOntoTheNewPoint) {
    const float drags[][4] = {{0.0f, 0.0f, 0.25f, 0.0f},
                              {0.0f, 0.0f, 0.0f, -0.3f},
                              {0.1f, 0.2f, -0.2f, 0.1f},
                              {-0.4f, 0.1f, 0.2f, -0.3f}};
    for (const auto& d : drags) {
        float q[4];
        Trackball(q, d[0], d[1], d[2], d[3]);
        float m[4][4];
        BuildRotationMatrix(m, q);
        const CVector p1(d[0], d[1], ProjectToSphere(0.8f, d[0], d[1]));
        const CVector p2(d[2], d[3], ProjectToSphere(0.8f, d[2], d[3]));
        ExpectNear(ApplyGLMatrix(m, p1), p2, 2e-6);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-6);
    }
}

TEST(TrackballTest, DragFromTheCentreToTheRightEdgeTurnsAboutYAndLongDragsAtMostHalfATurn) {
    float q[4];
    Trackball(q, 0, 0, 1, 0);
    // P1 = (0, 0, 0.8) on the ball, P2 = (1, 0, 0.32) on the sheet.
    const double angle = 2.0 * std::asin(std::sqrt(1.0 + 0.48 * 0.48) / 1.6);
    EXPECT_NEAR(2.0 * std::acos(q[3]), angle, 1e-6);
    EXPECT_NEAR(q[0], 0.0, 1e-7);
    EXPECT_NEAR(q[2], 0.0, 1e-7);
    // Drawn: the front of the ball (+z) goes to the right.
    float m[4][4];
    BuildRotationMatrix(m, q);
    ExpectNear(ApplyGLMatrix(m, CVector(0, 0, 1)), CVector(std::sin(angle), 0, std::cos(angle)), 1e-6);

    Trackball(q, -1, 0, 1, 0); // |P1 - P2| = 2 > 1.6: clamped
    EXPECT_NEAR(q[3], 0.0, 1e-7);
    Trackball(q, 0.3f, -0.2f, 0.3f, -0.2f);
    EXPECT_EQ(std::vector<float>(q, q + 4), (std::vector<float>{0, 0, 0, 1}));
}

TEST(TrackballTest, CompositionIsTheProductOfTheRotationsAndRenormalisesEveryNinetyEighthTime) {
    float a[4], b[4], ab[4];
    Trackball(a, 0.1f, 0.2f, -0.3f, 0.1f);
    Trackball(b, -0.2f, 0.0f, 0.1f, 0.4f);
    AddQuaternions(a, b, ab); // b, then a
    float ma[4][4], mb[4][4], mab[4][4];
    BuildRotationMatrix(ma, a);
    BuildRotationMatrix(mb, b);
    BuildRotationMatrix(mab, ab);
    for (const CVector v : {CVector(1, 0, 0), CVector(0, 1, 0), CVector(0.3, -0.5, 0.8)})
        ExpectNear(ApplyGLMatrix(mab, v), ApplyGLMatrix(ma, ApplyGLMatrix(mb, v)), 1e-6);

    // Composing with the identity keeps a quaternion of length 1.01 until the
    // 98th composition normalises it.
    const float identity[4] = {0, 0, 0, 1};
    float q[4] = {0, 0, 0.6f * 1.01f, 0.8f * 1.01f};
    g_nQuaternionCount = 0;
    for (int i = 1; i <= 98; ++i) {
        AddQuaternions(identity, q, q);
        const float length = std::sqrt(q[2] * q[2] + q[3] * q[3]);
        EXPECT_NEAR(length, i < 98 ? 1.01f : 1.0f, 1e-5f) << i;
    }
}

// --- cylinders -----------------------------------------------------------------

// glRotated by the turn takes the cylinder's axis +z onto the direction,
// including the -z direction of bond paths along the z axis.
TEST(CylinderTurnTest, TurnsTheZAxisOntoEveryDirection) {
    const CVector directions[] = {{1, 0, 0},      {-1, 0, 0},          {0, 1, 0},      {0, 0, 1},
                                  {0, 0, -1},     {0, 0, -3},          {1, -2, 0.5},   {-1, -1, -1},
                                  {1e-15, 0, -1}, {-1e-14, 1e-14, -2}, {0, 0, 1e-300}, {1e-9, 0, -1}};
    for (const CVector d : directions) {
        CCylinderTurn turn;
        ASSERT_TRUE(CylinderTurn(d, turn)) << d.x << " " << d.y << " " << d.z;
        const CVector axis = turn.axis / turn.axis.Length();
        const CVector turned = Rotate(CVector(0, 0, 1), axis, turn.angle * kPi / 180.0);
        const CVector scaled = d / std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
        ExpectNear(turned, scaled / scaled.Length(), 2e-6);
    }
}

TEST(CylinderTurnTest, NoDirectionMeansNothingToDraw) {
    CCylinderTurn turn;
    EXPECT_FALSE(CylinderTurn(CVector(0, 0, 0), turn));
    EXPECT_FALSE(CylinderTurn(CVector(NAN, 0, 1), turn));
    EXPECT_FALSE(CylinderTurn(CVector(0, INFINITY, 1), turn));
}

// --- path cylinders --------------------------------------------------------------

// Bond, ring or cage points with paths made by hand; points are owned by the
// molecule's lists, paths by their points.
class PathSceneTest : public ::testing::Test {
protected:
    CCritPoint* AddPoint(int type, int field, CVector at) {
        std::unique_ptr<CCritPoint> point;
        if (type == -1)
            point = std::make_unique<CBondPoint>(&m_molecule, m_molecule.NextObjectNumber(), field, at, 0.0);
        else
            point = std::make_unique<CRingPoint>(&m_molecule, m_molecule.NextObjectNumber(), field, at, 0.0);
        CCritPoint* raw = point.get();
        m_molecule.GetList(type)->push_back(std::move(point));
        return raw;
    }
    // A path going up from lower through the given points (stored order: the
    // upper end first).
    CGradPath* AddPath(CCritPoint* lower, const std::vector<CVector>& points) {
        auto* path = new CGradPath(&m_molecule, m_molecule.NextObjectNumber(), lower->GetFieldIndex());
        for (const CVector& p : points)
            path->AddPoint(p, 0.0, true);
        path->SetLowerPoint(lower);
        lower->AddAscendingPath(path);
        return path;
    }
    // n points on a quarter circle of radius r about the origin in the x-y
    // plane, from (0, r) to (r, 0).
    static std::vector<CVector> Arc(int n, double r) {
        std::vector<CVector> points;
        for (int i = 0; i < n; ++i) {
            const double t = 0.5 * kPi * i / (n - 1);
            points.emplace_back(r * std::sin(t), r * std::cos(t), 0.0);
        }
        return points;
    }
    std::vector<C3DCylinder> Cylinders(int type, bool bondPaths, int field = 0) {
        std::vector<C3DCylinder> out;
        AddPathCylinders(out, *m_molecule.GetList(type), field, CVector(), 931, bondPaths ? 7011 : 8011,
                         bondPaths);
        return out;
    }

    CMolecule m_molecule;
};

TEST_F(PathSceneTest, AStraightPathIsOneCylinderEndingExactlyAtItsLastPoint) {
    CCritPoint* bond = AddPoint(-1, 0, CVector(0, 0, 0));
    std::vector<CVector> points;
    for (int i = 0; i < 40; ++i)
        points.emplace_back(0.0, 0.0, 2.0 - 0.05 * i); // from (0,0,2) down to the bond point
    AddPath(bond, points);
    const std::vector<C3DCylinder> cylinders = Cylinders(-1, true);
    ASSERT_EQ(cylinders.size(), 1u);
    ExpectNear(cylinders[0].start, CVector(0, 0, 2), 1e-12);
    ExpectNear(cylinders[0].target, CVector(0, 0, 0.05), 1e-12);
    // Scene units are half bohr: twice the chord reaches the last point.
    EXPECT_NEAR(cylinders[0].length, 2.0 * 1.95, 1e-12);
    EXPECT_EQ(cylinders[0].radius, 0.1);
    EXPECT_EQ(cylinders[0].name, 7011);
}

// Segments of curved paths: every sixth point; ring and cage paths skip
// their first stretch.
TEST_F(PathSceneTest, CurvedPathsDrawEverySixthPointFromTheirFirstSegment) {
    struct Case {
        int points;
        bool bondPaths;
        std::vector<int> starts; // index of each segment's first point
    };
    const Case cases[] = {{11, true, {}},  {12, true, {0}},  {13, true, {0}},      {19, true, {0, 6}},
                          {12, false, {}}, {18, false, {6}}, {19, false, {6, 12}}, {25, false, {6, 12, 18}}};
    for (const Case& c : cases) {
        CMolecule::CCritPointList& list = *m_molecule.GetList(c.bondPaths ? -1 : 1);
        list.clear();
        CCritPoint* point = AddPoint(c.bondPaths ? -1 : 1, 0, CVector());
        // Spacing 0.02 bohr: six steps stay well below 0.5 bohr.
        const std::vector<CVector> arc = Arc(c.points, 0.02 * (c.points - 1) / (0.5 * kPi));
        AddPath(point, arc);
        const std::vector<C3DCylinder> cylinders = Cylinders(c.bondPaths ? -1 : 1, c.bondPaths);
        ASSERT_EQ(cylinders.size(), c.starts.size()) << c.points << (c.bondPaths ? " bond" : " ring");
        for (std::size_t i = 0; i < cylinders.size(); ++i) {
            ExpectNear(cylinders[i].start, arc[c.starts[i]], 1e-12);
            ExpectNear(cylinders[i].target, arc[c.starts[i] + 6], 1e-12);
            EXPECT_EQ(cylinders[i].length, 0.4);
        }
    }
}

TEST_F(PathSceneTest, LongPathsAreDrawnWholeAndWideSamplesLeaveGaps) {
    CCritPoint* bond = AddPoint(-1, 0, CVector());
    // 5000 points: every segment, also those past the 1500th point.
    const std::vector<CVector> arc = Arc(5000, 0.001 * 4999 / (0.5 * kPi));
    AddPath(bond, arc);
    std::vector<C3DCylinder> cylinders = Cylinders(-1, true);
    ASSERT_EQ(cylinders.size(), 5000u / 6 - 1);
    ExpectNear(cylinders.back().target, arc[6 * (5000 / 6 - 2) + 6], 1e-12);

    // Samples 0.5 bohr or more apart give no segment.
    m_molecule.GetList(-1)->clear();
    bond = AddPoint(-1, 0, CVector());
    std::vector<CVector> wide = Arc(24, 0.5 / 6 * 23 / (0.5 * kPi) * 1.05);
    AddPath(bond, wide);
    EXPECT_TRUE(Cylinders(-1, true).empty());
}

// Names: base + 10 (m + 1) + (j + 1) for the j-th path of the m-th point of
// the field; points of other fields take no number, points without paths do,
// and paths too short to draw keep theirs.
TEST_F(PathSceneTest, PathNamesFollowTheCounterRule) {
    std::vector<CVector> straight;
    for (int i = 0; i < 10; ++i)
        straight.emplace_back(0.0, 0.0, 1.0 - 0.1 * i);
    CCritPoint* first = AddPoint(-1, 0, CVector());
    AddPath(first, {CVector(0, 0, 1)}); // one point: not drawn
    AddPath(first, straight);
    CCritPoint* otherField = AddPoint(-1, 1, CVector());
    AddPath(otherField, straight);
    AddPoint(-1, 0, CVector()); // no paths
    CCritPoint* fourth = AddPoint(-1, 0, CVector());
    AddPath(fourth, {});
    AddPath(fourth, straight);
    AddPath(fourth, straight);

    std::vector<int> names;
    for (const C3DCylinder& c : Cylinders(-1, true))
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<int>{7012, 7032, 7033}));
    names.clear();
    for (const C3DCylinder& c : Cylinders(-1, true, 1))
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<int>{7011}));
}

// --- the scene of a molecule ----------------------------------------------------

// The example document: benzene with its maxima, bond points, ring point and
// the bond and ring-bond paths.
TEST(BuildSceneTest, BenzeneExampleWithNamesColoursAndPathsTowardsTheirPoints) {
    CMolecule molecule;
    std::string error;
    ASSERT_TRUE(LoadDocument(ZELMORA_EXAMPLES "/benzene.zlm", molecule, error)) << error;
    const C3DScene scene = BuildScene(molecule);

    EXPECT_NEAR(scene.centroid.Length(), 0.0, 1e-7);
    ASSERT_EQ(scene.nuclei.size(), 12u);
    int i = 0;
    for (const auto& atom : molecule.GetAtomList()) {
        const C3DSphere& s = scene.nuclei[i];
        EXPECT_EQ(s.name, 1001 + i);
        EXPECT_EQ(s.code, atom->GetLabel().find('C') != std::string::npos ? 6 : 1);
        EXPECT_EQ(s.radius, 0.6);
        ExpectNear(s.position, atom->GetPosition() - scene.centroid, 1e-12);
        ++i;
    }
    const int counts[4] = {12, 12, 1, 0};
    const int firstNames[4] = {3001, 4001, 5001, 6001};
    const int codes[4] = {-3, -2, -1, 0};
    for (int kind = 0; kind < 4; ++kind) {
        ASSERT_EQ(static_cast<int>(scene.critPoints[kind].size()), counts[kind]);
        EXPECT_EQ(scene.hasCritPoints[kind], counts[kind] > 0);
        for (int k = 0; k < counts[kind]; ++k) {
            EXPECT_EQ(scene.critPoints[kind][k].name, firstNames[kind] + k);
            EXPECT_EQ(scene.critPoints[kind][k].code, codes[kind]);
        }
    }

    // Benzene's bond paths are straight: one cylinder each, from the maximum
    // towards the bond point, two per bond point.
    ASSERT_EQ(scene.paths[0].size(), 24u);
    auto bond = molecule.GetList(-1)->begin();
    for (int m = 0; m < 12; ++m, ++bond) {
        for (int j = 0; j < 2; ++j) {
            const C3DCylinder& c = scene.paths[0][2 * m + j];
            EXPECT_EQ(c.name, 7000 + 10 * (m + 1) + (j + 1));
            EXPECT_EQ(c.code, 931);
            const CVector direction = (c.target - c.start) / (c.target - c.start).Length();
            const CVector towardsPoint = (*bond)->GetPosition() - scene.centroid - c.start;
            EXPECT_NEAR(direction * (towardsPoint / towardsPoint.Length()), 1.0, 1e-6);
            EXPECT_NEAR(c.length / 2.0, (c.target - c.start).Length(), 1e-12);
        }
    }
    for (const C3DCylinder& c : scene.paths[1]) {
        EXPECT_EQ(c.code, 932);
        EXPECT_GE(c.name, 8011);
        EXPECT_LE(c.name, 8019);
    }
    EXPECT_FALSE(scene.paths[1].empty());
    EXPECT_TRUE(scene.paths[2].empty());
    EXPECT_FALSE(scene.atomicAxes);
    EXPECT_FALSE(scene.plane);

    // Another field has no points or paths; the atoms stay.
    molecule.SetFieldIndex(1);
    const C3DScene other = BuildScene(molecule);
    EXPECT_EQ(other.nuclei.size(), 12u);
    for (int kind = 0; kind < 4; ++kind)
        EXPECT_TRUE(other.critPoints[kind].empty());
    EXPECT_TRUE(other.paths[0].empty());
    EXPECT_TRUE(other.hasCritPoints[1]); // the menu still offers the switch

    // A current atom gives its local axes, one bohr long.
    CAtom* atom = molecule.GetAtomList().front().get();
    molecule.SetCurrentAtom(atom);
    const C3DScene withAtom = BuildScene(molecule);
    ASSERT_TRUE(withAtom.atomicAxes);
    for (const CVector end : withAtom.atomicAxes->ends)
        EXPECT_NEAR((end - withAtom.atomicAxes->nucleus).Length(), 1.0, 1e-12);
}

TEST(BuildSceneTest, EmptyMoleculeHasNothingButItsCentroidAtTheOrigin) {
    CMolecule molecule;
    const C3DScene scene = BuildScene(molecule);
    EXPECT_EQ(scene.centroid, CVector());
    EXPECT_FALSE(scene.hasAtoms);
    EXPECT_TRUE(scene.nuclei.empty());
    for (const auto& kind : scene.critPoints)
        EXPECT_TRUE(kind.empty());
}

} // namespace

namespace {

// The document part of an n x n x n envelope grid with mesh 1 from the origin.
std::vector<std::uint8_t> GridBytes(int n) {
    zel::CArchive ar;
    ar << n << n << n << 0.0 << 0.0 << 0.0 << 0.0 << 3.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                ar << static_cast<double>(i) << static_cast<double>(j) << static_cast<double>(k) << 0;
                for (int f = 0; f < 5; ++f)
                    ar << 1.0;
            }
    return ar.Bytes();
}

void LoadGrid(CEnvelop& envelope, int n) {
    zel::CArchive ar(GridBytes(n));
    envelope.Serialize(ar);
}

} // namespace

// The scene holds the grid it was taken with: a new grid swapped into the
// envelope, or the envelope deleted, leaves the grid the view draws intact.
TEST(BuildSceneTest, EnvelopeMapKeepsTheGridItWasTakenWith) {
    CMolecule molecule;
    std::string error;
    ASSERT_TRUE(LoadDocument(ZELMORA_EXAMPLES "/benzene.zlm", molecule, error)) << error;
    molecule.SetEnvelop(std::make_unique<CEnvelop>(&molecule));
    C3DScene empty = BuildScene(molecule);
    EXPECT_TRUE(empty.hasEnvelope);
    EXPECT_FALSE(empty.envelopeMap.has_value());

    CEnvMapOptions& options = molecule.GetEnvMapOptions();
    options.MinColor = 0x00FF00;
    options.DisplayMode = 1;
    options.Transparency = 0.5;
    LoadGrid(*molecule.GetEnvelope(), 2);
    const C3DScene first = BuildScene(molecule);
    ASSERT_TRUE(first.envelopeMap.has_value());
    EXPECT_EQ(first.envelopeMap->grid.get(), molecule.GetEnvelope()->GetGrid());
    EXPECT_EQ(first.envelopeMap->minColor, 0x00FF00u);
    EXPECT_EQ(first.envelopeMap->displayMode, 1);
    EXPECT_EQ(first.envelopeMap->transparency, 0.5);
    EXPECT_EQ(first.envelopeMap->tolerance, 1e-7);
    EXPECT_EQ(first.envelopeMap->grid->At(1, 1, 1).IsInside(), 1);

    LoadGrid(*molecule.GetEnvelope(), 3);
    EXPECT_EQ(BuildScene(molecule).envelopeMap->grid->GetCount(0), 3);
    EXPECT_EQ(first.envelopeMap->grid->GetCount(0), 2);
    molecule.DeleteEnvelope();
    EXPECT_EQ(first.envelopeMap->grid->At(1, 1, 1).GetPosition().z, 1.0);
    EXPECT_FALSE(BuildScene(molecule).hasEnvelope);
}

// The grid normal points away from the map: the weighted sum of the
// directions to the neighbours outside; none outside gives (0, 0, 0), and
// neighbours beyond the grid add nothing.
TEST(EnvelopeNormalTest, SumsTheDirectionsToTheNeighboursOutside) {
    CEnvGrid grid(3, 3, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                grid.At(i, j, k).SetInside(1);
    const auto normal = [&](int i, int j, int k) {
        return C3DView::GetEnvelopeNormal(grid, 3, 3, 3, i, j, k);
    };
    EXPECT_EQ(normal(1, 1, 1), CVector(0, 0, 0));
    EXPECT_EQ(normal(0, 0, 0), CVector(0, 0, 0));
    grid.At(2, 1, 1).SetInside(0);
    EXPECT_EQ(normal(1, 1, 1), CVector(1, 0, 0));
    grid.At(2, 2, 1).SetInside(0);
    grid.At(0, 0, 0).SetInside(0);
    const CVector n = normal(1, 1, 1);
    EXPECT_DOUBLE_EQ(n.x, 1.0 + 0.707106781 - 0.693361274);
    EXPECT_DOUBLE_EQ(n.y, 0.707106781 - 0.693361274);
    EXPECT_DOUBLE_EQ(n.z, -0.693361274);
    // At the corner of the grid only the neighbours inside the grid count.
    EXPECT_EQ(normal(2, 2, 2), CVector(0, 0, -1) + 0.707106781 * CVector(0, -1, -1));
}

// A nucleus's colour code is its charge truncated toward zero; a charge no
// int holds (a damaged or hand-made wavefunction) gives code 0, and picking
// names it "Unlisted", instead of an undefined conversion.
TEST(BuildSceneTest, NucleusCodeIsTheTruncatedChargeOrZeroBeyondAnyInt) {
    const double charges[] = {6.0, 6.9, 0.0, -2.5, 1e300, -1e300, 3e9, std::nan("")};
    const int codes[] = {6, 6, 0, -2, 0, 0, 0, 0};
    CMolecule molecule;
    for (std::size_t i = 0; i < std::size(charges); ++i) {
        const int number = static_cast<int>(i) + 1;
        molecule.GetAtomList().push_back(
            std::make_unique<CAtom>(number, "X", CVector(number, 0, 0), charges[i], &molecule));
    }
    const C3DScene scene = BuildScene(molecule);
    ASSERT_EQ(scene.nuclei.size(), std::size(charges));
    for (std::size_t i = 0; i < std::size(charges); ++i) {
        EXPECT_EQ(scene.nuclei[i].code, codes[i]) << charges[i];
        if (codes[i] == 0) {
            EXPECT_EQ(PickedAtom(scene.targets[i]).element, "Unlisted") << charges[i];
        }
    }
}
