// The plane of a plot and the orientation of the plot in space: corners from
// three points, point rotations, the rotations of the orientation and the
// recovery of its angles.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/Plot.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kPi = std::numbers::pi;

CVector Unit(CVector v) {
    return v / v.Length();
}

// Rows (r0, r1, r2) as a matrix of columns.
CMatrix FromRows(CVector r0, CVector r1, CVector r2) {
    return {{r0.x, r1.x, r2.x}, {r0.y, r1.y, r2.y}, {r0.z, r1.z, r2.z}};
}

} // namespace

bool CPlotPlane::SpansPlane(CVector a, CVector b, CVector c) {
    const CVector u = b - a;
    const CVector w = c - b;
    const double normal = Cross(u, w).Length();
    // Relative to the sides, so that the scale of the points does not matter.
    return std::isfinite(normal) && normal > 1e-12 * u.Length() * w.Length();
}

int CPlot::SetPlane(CPlotPlane plane) {
    const CVector a = plane.PointA;
    const CVector b = plane.PointB;
    const CVector c = plane.PointC;
    // Without a normal no corner could be derived.
    if (!CPlotPlane::SpansPlane(a, b, c)) return 1;
    // Derived aside: the plot keeps its plane unless every corner is finite.
    CPlotPlane result = plane;

    const CVector u = b - a;
    const CVector v = c - a;
    const CVector w = c - b;
    // The longest side; ties go by the strict comparisons.
    CVector base;
    CVector tip;
    CVector nudge;
    if (v.Length() < u.Length() && w.Length() < u.Length()) {
        base = b;
        tip = a;
        nudge = u;
    } else if (w.Length() < v.Length()) {
        base = a;
        tip = c;
        nudge = v;
    } else {
        base = c;
        tip = b;
        nudge = w;
    }

    CVector centre = plane.Centre;
    if (centre == tip) {
        centre = centre + 0.001 * nudge;
        result.Centre = centre;
    }
    const CVector d1 = tip - base;
    const CVector d2 = centre - base;
    double beta = 0.0;
    if (d2.Length() != 0.0) beta = std::acos(std::clamp((d1 * d2) / (d1.Length() * d2.Length()), -1.0, 1.0));

    const CVector n = Unit(Cross(u, w));
    const double alpha = std::atan2(plane.Height, plane.Width);
    const double r = 0.5 * std::sqrt(plane.Width * plane.Width + plane.Height * plane.Height);
    const double g = plane.Angle * kPi / 180.0;

    result.Corner0 = centre + r * Unit(RotateAboutAxis(n, centre, tip, alpha + beta + g) - centre);
    result.Corner1 = centre + r * Unit(RotateAboutAxis(n, centre, tip, -alpha + beta + g) - centre);
    result.Corner2 = centre + r * Unit(RotateAboutAxis(n, centre, result.Corner1, kPi) - centre);
    const auto finite = [](CVector p) {
        return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    };
    if (!finite(result.Corner0) || !finite(result.Corner1) || !finite(result.Corner2) ||
        !finite(result.Centre))
        return 1;
    // A rectangle without area has no normal, and every mesh on it would
    // divide by zero.
    if (!CPlotPlane::SpansPlane(result.Corner0, result.Corner1, result.Corner2)) return kPlaneWithoutArea;
    m_Plane = result;
    return 0;
}

CVector CPlot::PlaneNormal(CVector a, CVector b, CVector c) {
    const CVector n = Cross(b - a, c - a);
    return n / n.Length();
}

bool CPlot::HasNormal(CVector a, CVector b, CVector c) {
    const double length = Cross(b - a, c - a).Length();
    return length > 0.0 && std::isfinite(length);
}

CVector CPlot::RotateAboutAxis(CVector n, CVector c, CVector p, double angle) {
    const double length = n.Length();
    if (length == 0.0) {
        zel::ShowMessageBox("Error! Length of axe is zero");
        return p;
    }
    CVector q = p - c;
    const double lxy = std::sqrt(n.x * n.x + n.y * n.y);
    // Turn n into the x-z plane, then onto +z.
    if (lxy != 0.0) q = {(q.x * n.x + q.y * n.y) / lxy, (-q.x * n.y + q.y * n.x) / lxy, q.z};
    q = {(q.x * n.z - lxy * q.z) / length, q.y, (q.x * lxy + q.z * n.z) / length};
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    q = {q.x * cs - q.y * sn, q.x * sn + q.y * cs, q.z};
    // And back.
    q = {(q.x * n.z + lxy * q.z) / length, q.y, (-lxy * q.x + q.z * n.z) / length};
    if (lxy != 0.0) q = {(q.x * n.x - q.y * n.y) / lxy, (q.x * n.y + q.y * n.x) / lxy, q.z};
    return q + c;
}

CVector CPlot::RotateInPlane(CVector c, CVector p, double angle) {
    const CVector q = p - c;
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    return c + CVector{q.x * cs - q.y * sn, q.x * sn + q.y * cs, q.z};
}

void CPlot::RotateX(double angle) {
    if (m_nKind == 1 || m_nKind == 2) return;
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    m_Orientation = FromRows({1, 0, 0}, {0, cs, -sn}, {0, sn, cs}) * m_Orientation;
}

void CPlot::RotateY(double angle) {
    if (m_nKind == 1 || m_nKind == 2) return;
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    m_Orientation = FromRows({cs, 0, sn}, {0, 1, 0}, {-sn, 0, cs}) * m_Orientation;
}

void CPlot::RotateZ(double angle) {
    const double cs = std::cos(angle);
    const double sn = std::sin(angle);
    m_Orientation = FromRows({cs, -sn, 0}, {sn, cs, 0}, {0, 0, 1}) * m_Orientation;
}

// The orientation as Rz(z) Ry(y) Rx(x), |y| up to 90 degrees.
void CPlot::Modify() {
    const CVector& c0 = m_Orientation.c0;
    const CVector& c1 = m_Orientation.c1;
    const CVector& c2 = m_Orientation.c2;
    const double xy = std::sqrt(c0.x * c0.x + c0.y * c0.y);
    const double b = std::atan2(-c0.z, xy);
    double x = 0.0;
    double z = 0.0;
    if (xy < 1e-12) {
        // The x axis turned onto the z axis: only x + z or x - z is defined.
        // With x = 0 the orientation is Rz(z) Ry(y), whose second column is
        // (-sin z, cos z, 0).
        z = std::atan2(-c1.x, c1.y);
    } else {
        const double cb = std::cos(b);
        z = std::atan2(c0.y / cb, c0.x / cb);
        x = std::atan2(c1.z / cb, c2.z / cb);
    }
    // Rounded: an orientation built from whole degrees comes back a hair
    // short of them (-60 as -59.99999...), which truncation would turn into
    // the next degree towards zero.
    SetAngles(static_cast<int>(std::lround(x * 180.0 / kPi)), static_cast<int>(std::lround(b * 180.0 / kPi)),
              static_cast<int>(std::lround(z * 180.0 / kPi)));
}
