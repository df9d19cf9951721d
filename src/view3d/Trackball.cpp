#include "view3d/Trackball.h"

#include <algorithm>
#include <cmath>

int g_nQuaternionCount = 0;

namespace {

constexpr float kTrackballRadius = 0.8f;

void Vzero(float v[3]) {
    v[0] = v[1] = v[2] = 0.0f;
}

void Vset(float v[3], float x, float y, float z) {
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void Vsub(const float a[3], const float b[3], float dst[3]) {
    for (int i = 0; i < 3; ++i)
        dst[i] = a[i] - b[i];
}

void Vcopy(const float v[3], float dst[3]) {
    for (int i = 0; i < 3; ++i)
        dst[i] = v[i];
}

void Vcross(const float a[3], const float b[3], float dst[3]) {
    float t[3];
    t[0] = a[1] * b[2] - a[2] * b[1];
    t[1] = a[2] * b[0] - a[0] * b[2];
    t[2] = a[0] * b[1] - a[1] * b[0];
    Vcopy(t, dst);
}

float Vlength(const float v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void Vscale(float v[3], float s) {
    for (int i = 0; i < 3; ++i)
        v[i] *= s;
}

void Vnormal(float v[3]) {
    const float length = Vlength(v);
    // A zero axis stays zero: its quaternion is the identity for phi = 0.
    if (length > 0.0f) Vscale(v, 1.0f / length);
}

float Vdot(const float a[3], const float b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void Vadd(const float a[3], const float b[3], float dst[3]) {
    for (int i = 0; i < 3; ++i)
        dst[i] = a[i] + b[i];
}

} // namespace

float ProjectToSphere(float r, float x, float y) {
    const float d = std::sqrt(x * x + y * y);
    if (d < r * 0.70710678118654752440f) return std::sqrt(r * r - d * d);
    const float t = r / 1.41421356237309504880f;
    return t * t / d;
}

void AxisToQuaternion(float axis[3], float phi, float q[4]) {
    Vnormal(axis);
    Vcopy(axis, q);
    Vscale(q, std::sin(phi / 2.0f));
    q[3] = std::cos(phi / 2.0f);
}

void Trackball(float q[4], float p1x, float p1y, float p2x, float p2y) {
    if (p1x == p2x && p1y == p2y) {
        Vzero(q);
        q[3] = 1.0f;
        return;
    }
    float p1[3], p2[3], axis[3], d[3];
    Vset(p1, p1x, p1y, ProjectToSphere(kTrackballRadius, p1x, p1y));
    Vset(p2, p2x, p2y, ProjectToSphere(kTrackballRadius, p2x, p2y));
    Vcross(p2, p1, axis);
    Vsub(p1, p2, d);
    const float t = std::clamp(Vlength(d) / (2.0f * kTrackballRadius), -1.0f, 1.0f);
    const float phi = 2.0f * std::asin(t);
    AxisToQuaternion(axis, phi, q);
}

void NormalizeQuaternion(float q[4]) {
    const float length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (length == 0.0f) return;
    for (int i = 0; i < 4; ++i)
        q[i] /= length;
}

void AddQuaternions(const float q1[4], const float q2[4], float dest[4]) {
    float t1[3], t2[3], t3[3], sum[4];
    Vcopy(q1, t1);
    Vscale(t1, q2[3]);
    Vcopy(q2, t2);
    Vscale(t2, q1[3]);
    Vcross(q2, q1, t3);
    Vadd(t1, t2, sum);
    Vadd(t3, sum, sum);
    sum[3] = q1[3] * q2[3] - Vdot(q1, q2);
    for (int i = 0; i < 4; ++i)
        dest[i] = sum[i];
    if (++g_nQuaternionCount > 97) {
        g_nQuaternionCount = 0;
        NormalizeQuaternion(dest);
    }
}

void BuildRotationMatrix(float m[4][4], const float q[4]) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m[0][1] = 2.0f * (x * y - z * w);
    m[0][2] = 2.0f * (z * x + y * w);
    m[0][3] = 0.0f;
    m[1][0] = 2.0f * (x * y + z * w);
    m[1][1] = 1.0f - 2.0f * (z * z + x * x);
    m[1][2] = 2.0f * (y * z - x * w);
    m[1][3] = 0.0f;
    m[2][0] = 2.0f * (z * x - y * w);
    m[2][1] = 2.0f * (y * z + x * w);
    m[2][2] = 1.0f - 2.0f * (y * y + x * x);
    m[2][3] = 0.0f;
    m[3][0] = 0.0f;
    m[3][1] = 0.0f;
    m[3][2] = 0.0f;
    m[3][3] = 1.0f;
}
