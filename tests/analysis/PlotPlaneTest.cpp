// The plane of a plot (corners from three points, the centre, the sides and
// the angle) and the orientation of a plot (rotations and the recovery of the
// angles), against closed forms: rectangle identities, Rodrigues' formula and
// rotation matrices.

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "TestPlot.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kPi = std::numbers::pi;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

// p turned by t about the axis through c along n (right-handed).
CVector Rodrigues(CVector n, CVector c, CVector p, double t) {
    n = n / n.Length();
    const CVector v = p - c;
    return c + std::cos(t) * v + std::sin(t) * Cross(n, v) + (1 - std::cos(t)) * (n * v) * n;
}

void ExpectNear(CVector a, CVector b, double tolerance, const std::string& what = {}) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

CPlotPlane Plane(CVector a, CVector b, CVector c, CVector centre, double width, double height, double angle) {
    CPlotPlane plane;
    plane.PointA = a;
    plane.PointB = b;
    plane.PointC = c;
    plane.Centre = centre;
    plane.Width = width;
    plane.Height = height;
    plane.Angle = angle;
    return plane;
}

TEST(PlotPlane, CornersOfAPlaneAlongTheLongestSide) {
    CTestPlot plot(nullptr);
    ASSERT_EQ(plot.SetPlane(Plane({0, 0, 0}, {4, 0, 0}, {2, 1, 0}, {2, 0, 0}, 4, 2, 0)), 0);
    const CPlotPlane p = plot.GetPlane();
    ExpectNear(p.Corner0, {0, -1, 0}, 1e-14);
    ExpectNear(p.Corner1, {0, 1, 0}, 1e-14);
    ExpectNear(p.Corner2, {4, -1, 0}, 1e-14);
}

TEST(PlotPlane, CornersSpanTheRectangleInThePlane) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(-5, 5);
    std::uniform_real_distribution<double> side(0.5, 8);
    auto point = [&] { return CVector{coordinate(random), coordinate(random), coordinate(random)}; };
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        const CVector a = point(), b = point(), c = point();
        // A centre in the plane of the three points.
        const double s = coordinate(random) / 5, r = coordinate(random) / 5;
        const CVector centre = a + s * (b - a) + r * (c - a);
        const double width = side(random), height = side(random), angle = coordinate(random) * 36;
        CTestPlot plot(nullptr);
        ASSERT_EQ(plot.SetPlane(Plane(a, b, c, centre, width, height, angle)), 0);
        const CPlotPlane p = plot.GetPlane();
        const CVector n = CPlot::PlaneNormal(a, b, c);
        EXPECT_NEAR((p.Corner1 - p.Corner0).Length(), height, 1e-9);
        EXPECT_NEAR((p.Corner2 - p.Corner0).Length(), width, 1e-9);
        EXPECT_NEAR((p.Corner1 - p.Corner0) * (p.Corner2 - p.Corner0), 0.0, 1e-9);
        ExpectNear(0.5 * (p.Corner1 + p.Corner2), centre, 1e-9);
        for (CVector corner : {p.Corner0, p.Corner1, p.Corner2})
            EXPECT_NEAR(n * (corner - a), 0.0, 1e-9);
        // The stored record is the one given.
        EXPECT_EQ(p.PointA, a);
        EXPECT_EQ(p.Width, width);
        EXPECT_EQ(p.Angle, angle);
    }
}

TEST(PlotPlane, AngleTurnsTheCornersAboutTheNormal) {
    const CVector a{0, 0, 0}, b{3, 1, 0.5}, c{0.5, 2, 1};
    const CVector centre = a + 0.3 * (b - a) + 0.2 * (c - a);
    CTestPlot straight(nullptr), turned(nullptr);
    ASSERT_EQ(straight.SetPlane(Plane(a, b, c, centre, 2, 1, 0)), 0);
    ASSERT_EQ(turned.SetPlane(Plane(a, b, c, centre, 2, 1, 90)), 0);
    const CVector n = CPlot::PlaneNormal(a, b, c);
    ExpectNear(turned.GetPlane().Corner0, Rodrigues(n, centre, straight.GetPlane().Corner0, kPi / 2), 1e-12);
    ExpectNear(turned.GetPlane().Corner2, Rodrigues(n, centre, straight.GetPlane().Corner2, kPi / 2), 1e-12);

    // A centre on the longest side's base point: the width runs along that side.
    CTestPlot based(nullptr);
    ASSERT_EQ(based.SetPlane(Plane({0, 0, 0}, {4, 0, 0}, {2, 1, 0}, {4, 0, 0}, 2, 1, 0)), 0);
    const CPlotPlane p = based.GetPlane();
    EXPECT_NEAR(Cross(p.Corner2 - p.Corner0, CVector{1, 0, 0}).Length(), 0.0, 1e-12);
}

TEST(PlotPlane, TiesOnTheLongestSideAndACentreOnTheTip) {
    struct Case {
        const char* what;
        CVector a, b, c;
        CVector tip, nudge;
    };
    const Case cases[] = {
        {"AB strictly longest: tip A", {0, 0, 0}, {4, 0, 0}, {2, 1, 0}, {0, 0, 0}, {4, 0, 0}},
        {"|AB| = |AC| > |BC|: tip C", {0, 0, 0}, {5, 0, 0}, {3, 4, 0}, {3, 4, 0}, {3, 4, 0}},
        {"|AB| = |BC| > |AC|: tip B", {0, 0, 0}, {0.5, 2, 0}, {1, 0, 0}, {0.5, 2, 0}, {0.5, -2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CTestPlot plot(nullptr);
        ASSERT_EQ(plot.SetPlane(Plane(c.a, c.b, c.c, c.tip, 1, 1, 0)), 0);
        // A centre on the tip moves by a thousandth of the side's vector.
        EXPECT_EQ(plot.GetPlane().Centre, c.tip + 0.001 * c.nudge);
    }
}

TEST(PlotPlane, PointsThatSpanNoPlaneAreRefused) {
    struct Case {
        const char* what;
        CVector a, b, c;
        bool spans;
    };
    const Case cases[] = {
        {"on one line", {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, false},
        {"A equal to B", {1, 2, 3}, {1, 2, 3}, {0, 0, 0}, false},
        {"all equal", {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, false},
        {"small but spanning", {0, 0, 0}, {1e-9, 0, 0}, {0, 1e-9, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CPlotPlane::SpansPlane(c.a, c.b, c.c), c.spans);
        CTestPlot plot(nullptr);
        const CPlotPlane before = plot.GetPlane();
        const CVector centre = c.a;
        EXPECT_EQ(plot.SetPlane(Plane(c.a, c.b, c.c, centre, 1, 1, 0)), c.spans ? 0 : 1);
        if (!c.spans) {
            EXPECT_EQ(plot.GetPlane().Corner0, before.Corner0);
            EXPECT_EQ(plot.GetPlane().PointB, before.PointB);
        }
    }
}

TEST(PlotPlane, RotateAboutAxisIsRightHanded) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-3, 3);
    auto point = [&] { return CVector{coordinate(random), coordinate(random), coordinate(random)}; };
    for (int trial = 0; trial < 100; ++trial) {
        const CVector n = point(), c = point(), p = point();
        const double t = coordinate(random);
        ExpectNear(CPlot::RotateAboutAxis(n, c, p, t), Rodrigues(n, c, p, t), 1e-12, std::to_string(trial));
    }
    // Axes along z take the other branch.
    for (CVector n : {CVector{0, 0, 2}, CVector{0, 0, -1}})
        ExpectNear(CPlot::RotateAboutAxis(n, {1, 1, 0}, {2, 1, 5}, 0.5),
                   Rodrigues(n, {1, 1, 0}, {2, 1, 5}, 0.5), 1e-12);
    ExpectNear(CPlot::RotateInPlane({1, 2, 3}, {2, 2, 7}, 0.7),
               Rodrigues({0, 0, 1}, {1, 2, 3}, {2, 2, 7}, 0.7), 1e-14);

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    EXPECT_EQ(CPlot::RotateAboutAxis({}, {1, 1, 1}, {4, 5, 6}, 1.0), CVector(4, 5, 6));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Error! Length of axe is zero"});
}

TEST(PlotOrientation, RotationsAndTheKindsThatTurnOnlyInTheirPlane) {
    const double x = 0.3, y = -0.4, z = 1.1;
    auto rx = CMatrix({1, 0, 0}, {0, std::cos(x), std::sin(x)}, {0, -std::sin(x), std::cos(x)});
    auto ry = CMatrix({std::cos(y), 0, -std::sin(y)}, {0, 1, 0}, {std::sin(y), 0, std::cos(y)});
    auto rz = CMatrix({std::cos(z), std::sin(z), 0}, {-std::sin(z), std::cos(z), 0}, {0, 0, 1});
    for (int kind : {0, 1, 2, 3}) {
        SCOPED_TRACE(kind);
        CTestPlot plot(nullptr);
        plot.SetKind(kind);
        plot.RotateX(x);
        plot.RotateY(y);
        plot.RotateZ(z);
        const CMatrix expected = (kind == 1 || kind == 2) ? rz : rz * ry * rx;
        for (int k = 0; k < 3; ++k)
            ExpectNear(plot.GetOrientation().Column(k), expected.Column(k), 1e-15);
    }
}

TEST(PlotOrientation, AnglesRecoveredFromTheOrientation) {
    struct Case {
        double x, y, z; // degrees turned, about x first
        int ax, ay, az; // the angles recovered, rounded
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},
        // Whole degrees come back as they were typed, not a degree short.
        {-60, 0, 0, -60, 0, 0},
        {-60, 35, -123, -60, 35, -123},
        {30.25, -45.25, 120.25, 30, -45, 120},
        {-170.7, 80.7, -10.7, -171, 81, -11},
        {179.4, -89.4, 5.4, 179, -89, 5},
        // The x axis turned onto z: only z - x is defined; x comes back as 0.
        {20, 90, 40.4, 0, 90, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + " " + std::to_string(c.y) + " " + std::to_string(c.z));
        CTestPlot plot(nullptr);
        plot.RotateX(Radians(c.x));
        plot.RotateY(Radians(c.y));
        plot.RotateZ(Radians(c.z));
        plot.Modify();
        const int* angles = plot.GetAngles();
        EXPECT_EQ(angles[0], c.ax);
        EXPECT_EQ(angles[1], c.ay);
        EXPECT_EQ(angles[2], c.az);
    }
}

} // namespace
