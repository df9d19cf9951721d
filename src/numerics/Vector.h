#pragma once
// Small value types for positions, directions and gradients (bohr).

#include <cmath>

struct CVector {
    double x = 0.0, y = 0.0, z = 0.0;

    constexpr CVector() = default;
    constexpr CVector(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    double Length() const { return std::sqrt(x * x + y * y + z * z); }
};

inline CVector operator+(CVector a, CVector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline CVector operator-(CVector a, CVector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
// Scalar product.
inline double operator*(CVector a, CVector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline CVector operator*(double s, CVector v) { return {s * v.x, s * v.y, s * v.z}; }
inline CVector operator*(CVector v, double s) { return {v.x * s, v.y * s, v.z * s}; }
// Division by zero (either sign) gives the "infinitely far" vector rather than an error;
// callers rely on this sentinel instead of checking the divisor themselves.
inline CVector operator/(CVector v, double s) {
    if (s == 0.0) return {1e308, 1e308, 1e308};
    return {v.x / s, v.y / s, v.z / s};
}
// Exact comparison: the evaluation cache needs bit-for-bit identical points.
inline bool operator==(CVector a, CVector b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(CVector a, CVector b) { return !(a == b); }

inline CVector Cross(CVector a, CVector b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
