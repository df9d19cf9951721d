// Gradient-path tracing. A single s Gaussian has straight radial paths, so
// points, spacing and arc lengths are known exactly; the real fixtures show
// that bond paths join the maxima on either side of their bond point.

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "AnalysisTestUtil.h"
#include "GraphTestUtil.h"
#include "analysis/CritPointSearch.h"
#include "analysis/PathTracer.h"
#include "platform/core/JobState.h"

namespace {


using analysistest::SearchAll;

double DistanceToSegment(CVector p, CVector a, CVector b) {
    const CVector ab = b - a;
    double t = ((p - a) * ab) / (ab * ab);
    t = std::fmax(0.0, std::fmin(1.0, t));
    return (p - (a + t * ab)).Length();
}

// A one-Gaussian molecule at the origin with its maximum listed.
class OneGaussianTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(analysistest::LoadText(m_molecule, analysistest::OneGaussianWfn(CVector(0, 0, 0), 0.5)), 1);
        m_max = graphtest::AddPoint<CMaxPoint>(m_molecule, 0, CVector(0, 0, 0));
        g_bCancel = 0;
    }
    void TearDown() override { g_bCancel = 0; }

    CMolecule m_molecule;
    CMaxPoint* m_max = nullptr;
};

} // namespace

// Uphill from 2 bohr out along the radius: captured by the maximum, points on
// the radius 0.02 apart, parameters the distance from the maximum.
TEST_F(OneGaussianTest, UphillPathRunsStraightToTheMaximum) {
    CBondPoint* start = graphtest::AddPoint<CBondPoint>(m_molecule, 0, CVector(2, 0, 0));
    CGradPath path(&m_molecule, m_molecule.NextObjectNumber(), 0);
    testing::internal::CaptureStderr();
    ASSERT_EQ(path.TraceFromLowerEnd(start, CVector(-1, 0, 0), 0.0), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(path.GetEndPoint(), m_max);
    EXPECT_EQ(path.GetLowerPoint(), start);
    EXPECT_EQ(path.GetLowerPointNumber(), start->GetNumber());
    EXPECT_EQ(path.IsInMolGraph(), 1);
    EXPECT_NEAR(path.GetLength(), 2.0, 0.01);
    EXPECT_GT(path.GetEvaluations(), 0);
    EXPECT_EQ(path.GetAccuracy(), m_molecule.GetDEOptions().RelAccuracy.Current);

    const auto& points = path.GetPointList();
    const auto& parameters = path.GetParameterList();
    ASSERT_GE(points.size(), 95u);
    EXPECT_EQ(points.front(), m_max->GetPosition()); // from the upper end
    EXPECT_EQ(parameters.front(), 0.0);
    EXPECT_EQ(points.back(), start->GetPosition());
    EXPECT_DOUBLE_EQ(parameters.back(), path.GetLength());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(points[i].y, 0.0, 1e-9);
        EXPECT_NEAR(points[i].z, 0.0, 1e-9);
        // Arc length from the upper end is the distance from the maximum, up
        // to the capture distance by which the last batch fell short.
        EXPECT_NEAR(parameters[i], points[i].x, 0.011) << i;
        if (i > 0) {
            EXPECT_GT(parameters[i], parameters[i - 1]);
        }
    }
    // The traced points lie at the fixed spacing.
    for (std::size_t i = 2; i + 1 < points.size(); ++i)
        EXPECT_NEAR((points[i] - points[i - 1]).Length(), 0.02, 1e-5) << i;
}

// Downhill from the maximum: captured by a cage point on the way, or running
// on to the maximal length without a lower end.
TEST_F(OneGaussianTest, DownhillPathEndsAtACageOrAtTheMaximalLength) {
    const CVector e = CVector(1, 2, 2) / 3.0;
    CCagePoint* cage = graphtest::AddPoint<CCagePoint>(m_molecule, 0, 1.5 * e);
    {
        CGradPath path(&m_molecule, 1, 0);
        ASSERT_EQ(path.TraceFromUpperEnd(m_max, e, 0.0), 1);
        EXPECT_EQ(path.GetLowerPoint(), cage);
        EXPECT_EQ(path.GetLowerPointNumber(), cage->GetNumber());
        EXPECT_EQ(path.GetEndPoint(), m_max);
        EXPECT_NEAR(path.GetLength(), 1.5, 0.011);
        EXPECT_EQ(path.GetPointList().front(), m_max->GetPosition());
        EXPECT_EQ(path.GetPointList().back(), cage->GetPosition());
        EXPECT_NEAR(path.GetPointList()[1].Length(), 0.02, 1e-9); // the first traced point at h0
        for (std::size_t i = 1; i < path.GetPointList().size(); ++i) {
            const CVector p = path.GetPointList()[i];
            EXPECT_NEAR((p - (p * e) * e).Length(), 0.0, 1e-6);
        }
    }
    {
        m_molecule.GetDEOptions().MaxPathLength.Current = 3.0;
        CGradPath path(&m_molecule, 2, 0);
        ASSERT_EQ(path.TraceFromUpperEnd(m_max, -1.0 * e, 0.0), 1);
        EXPECT_EQ(path.GetLowerPoint(), nullptr);
        EXPECT_EQ(path.GetLowerPointNumber(), 0);
        EXPECT_GE(path.GetLength(), 3.0 - 1e-9);
        EXPECT_LT(path.GetLength(), 3.02);
        EXPECT_NEAR(path.GetPointList().back().Length(), path.GetLength(), 1e-6);
    }
}

// A path that cannot reach a critical point ends without its far end and
// without a word: past the maximal length, or when a step fails short of a
// maximum that lies beyond the capture distance.
TEST_F(OneGaussianTest, FailedOrTooLongPathsEndUncapturedAndSilently) {
    CBondPoint* start = graphtest::AddPoint<CBondPoint>(m_molecule, 0, CVector(0, 0, 3));
    struct Case {
        const char* what;
        double maxLength, captureDistance;
    } cases[] = {
        {"tiny maximal length", 0.05, 0.01},
        {"the steps end on the maximum, which captures nothing", 9.0, 0.0},
    };
    for (const Case& c : cases) {
        CDEOptions& options = m_molecule.GetDEOptions();
        options.Reset();
        options.MaxPathLength.Current = c.maxLength;
        options.MinCritPointDistance.Current = c.captureDistance;
        CGradPath path(&m_molecule, 1, 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(path.TraceFromLowerEnd(start, CVector(0, 0, -1), 0.0), 1) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.what;
        EXPECT_EQ(path.GetEndPoint(), nullptr) << c.what;
        EXPECT_LE(path.GetLength(), std::fmin(2.1 * c.maxLength, 3.0 + 1e-6)) << c.what;
        // Uncaptured uphill: parameters from the lower end, the start last.
        EXPECT_EQ(path.GetPointList().back(), start->GetPosition()) << c.what;
        EXPECT_EQ(path.GetParameterList().back(), 0.0) << c.what;
        for (const CVector& p : path.GetPointList())
            EXPECT_GE(p.z, -1e-6) << c.what; // never past the maximum
    }
}

// Options the trace cannot work with are refused at once: a spacing of zero
// used to make the batch loop run for ever.
TEST_F(OneGaussianTest, UnusableOptionsAreRefused) {
    CBondPoint* start = graphtest::AddPoint<CBondPoint>(m_molecule, 0, CVector(2, 0, 0));
    const double nan = std::nan("");
    struct Case {
        const char* what;
        double pointDistance, relAccuracy, absAccuracy, maxLength, s0;
    } cases[] = {
        {"zero spacing", 0.0, 1e-6, 1e-7, 9.0, 0.0},
        {"negative spacing", -0.02, 1e-6, 1e-7, 9.0, 0.0},
        {"NaN spacing", nan, 1e-6, 1e-7, 9.0, 0.0},
        {"zero relative accuracy", 0.02, 0.0, 1e-7, 9.0, 0.0},
        {"negative relative accuracy", 0.02, -1e-6, 1e-7, 9.0, 0.0},
        {"zero absolute accuracy", 0.02, 1e-6, 0.0, 9.0, 0.0},
        {"NaN length", 0.02, 1e-6, 1e-7, nan, 0.0},
        {"infinite length", 0.02, 1e-6, 1e-7, INFINITY, 0.0},
        {"zero length", 0.02, 1e-6, 1e-7, 0.0, 0.0},
        {"negative length", 0.02, 1e-6, 1e-7, -1.0, 0.0},
        {"negative s0", 0.02, 1e-6, 1e-7, 9.0, -0.1},
    };
    for (const Case& c : cases) {
        CDEOptions& options = m_molecule.GetDEOptions();
        options.Reset();
        options.PointDistance.Current = c.pointDistance;
        options.RelAccuracy.Current = c.relAccuracy;
        options.AbsAccuracy.Current = c.absAccuracy;
        options.MaxPathLength.Current = c.maxLength;
        CGradPath path(&m_molecule, 1, 0);
        EXPECT_EQ(path.TraceFromLowerEnd(start, CVector(-1, 0, 0), c.s0), 0) << c.what;
        EXPECT_EQ(path.GetEndPoint(), nullptr) << c.what;
        EXPECT_LE(path.GetPointList().size(), 1u) << c.what;
    }
    // A capture distance beyond twice the remaining length must not make a
    // batch walk the arc length backwards.
    m_molecule.GetDEOptions().Reset();
    m_molecule.GetDEOptions().MaxPathLength.Current = 0.01;
    m_molecule.GetDEOptions().MinCritPointDistance.Current = 1.0;
    CGradPath path(&m_molecule, 1, 0);
    EXPECT_EQ(path.TraceFromUpperEnd(m_max, CVector(1, 0, 0), 0.0), 1);
    EXPECT_EQ(path.GetLowerPoint(), nullptr);
}

// Cancel ends a trace like a failed step: no far end, the result 1.
TEST_F(OneGaussianTest, CancelEndsTheTrace) {
    CBondPoint* start = graphtest::AddPoint<CBondPoint>(m_molecule, 0, CVector(0, 3, 0));
    m_molecule.GetDEOptions().MaxPathLength.Current = 1e9;
    g_bCancel = 1;
    CGradPath path(&m_molecule, 1, 0);
    EXPECT_EQ(path.TraceFromUpperEnd(start, CVector(0, 1, 0), 0.0), 1);
    EXPECT_EQ(path.GetLowerPoint(), nullptr);
    EXPECT_LE(path.GetPointList().size(), 1u);
}

TEST(PathTracerTest, NearestCriticalPointByTypeDirectionAndField) {
    CMolecule molecule;
    const graphtest::Graph g = graphtest::BuildGraph(molecule);
    const CVector near(0, 0, 1.2); // by bondAB, then maxA / maxB
    struct Case {
        CCritPoint* skip;
        int type, direction, field;
        const CCritPoint* expected;
    } cases[] = {
        {nullptr, -1, -1, 0, g.bondAB}, {g.bondAB, -1, -1, 0, g.maxA}, // maxA at 1.2, maxB at 1.3
        {nullptr, -3, -1, 0, g.maxA},   {nullptr, 1, 1, 0, g.ring},    // the cage is of field 2
        {nullptr, 3, 1, 2, g.cage},     {nullptr, 0, 0, 0, g.bondAB},
        {nullptr, -3, -1, 1, g.lapA},   {nullptr, 3, 1, 0, nullptr},
    };
    for (const Case& c : cases) {
        CCritPoint* found = c.skip;
        const double d = molecule.FindNearestCritPoint(near, &found, c.type, c.direction, c.field);
        EXPECT_EQ(found, c.expected) << c.type << " " << c.direction << " " << c.field;
        if (c.expected)
            EXPECT_DOUBLE_EQ(d, (c.expected->GetPosition() - near).Length());
        else
            EXPECT_DOUBLE_EQ(d, std::sqrt(9999.0));
    }
}

class FixturePathTest : public testing::TestWithParam<const char*> {};

// Each bond point's two bond paths climb to two different maxima, between
// which the bond point lies; a bond point with both paths is left alone.
TEST_P(FixturePathTest, BondPathsJoinTheTwoMaximaOfEachBond) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, GetParam()), 1);
    SearchAll(molecule);
    testing::internal::CaptureStderr();
    for (const auto& point : *molecule.GetList(-1)) {
        auto* bond = static_cast<CBondPoint*>(point.get());
        ASSERT_EQ(bond->TraceBondPaths(), 2);
        const CPathList& paths = bond->GetPathList(true);
        ASSERT_EQ(paths.size(), 2u);
        const CCritPoint* a = paths.front()->GetEndPoint();
        const CCritPoint* b = paths.back()->GetEndPoint();
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(a, b);
        EXPECT_EQ(a->GetType(), -3);
        EXPECT_EQ(b->GetType(), -3);
        EXPECT_LT(DistanceToSegment(bond->GetPosition(), a->GetPosition(), b->GetPosition()), 0.05);
        for (const CGradPath* path : paths) {
            EXPECT_EQ(path->GetLowerPoint(), bond);
            const CPathList& upper = path->GetEndPoint()->GetPathList(false);
            EXPECT_NE(std::find(upper.begin(), upper.end(), path), upper.end());
            // The path is at least as long as the straight line it spans.
            EXPECT_GE(path->GetLength() + 0.011,
                      (path->GetEndPoint()->GetPosition() - bond->GetPosition()).Length());
        }
        const int numbers = molecule.GetLastObjectNumber();
        EXPECT_EQ(bond->TraceBondPaths(), 0);
        EXPECT_EQ(molecule.GetLastObjectNumber(), numbers);
    }
    // Ring-cage paths leave the ring plane and find no cage.
    for (const auto& point : *molecule.GetList(1)) {
        auto* ring = static_cast<CRingPoint*>(point.get());
        ASSERT_EQ(ring->TraceCagePaths(), 2);
        for (const CGradPath* path : ring->GetPathList(false)) {
            EXPECT_EQ(path->GetLowerPoint(), nullptr);
            EXPECT_EQ(path->GetEndPoint(), ring);
            EXPECT_GT(std::fabs(path->GetPointList().back().z - ring->GetPosition().z), 5.0);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

INSTANTIATE_TEST_SUITE_P(Molecules, FixturePathTest,
                         testing::Values("water.wfn", "ammonia.wfn", "methane.wfn", "benzene.wfn"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             return name.substr(0, name.find('.'));
                         });
