#pragma once
// 3x3 matrix held as three column vectors: element (i, k) is component i of column k.

#include "numerics/Vector.h"

struct CMatrix {
    CVector c0, c1, c2;

    constexpr CMatrix() = default;
    constexpr CMatrix(CVector a0, CVector a1, CVector a2) : c0(a0), c1(a1), c2(a2) {}

    // Column k (0..2).
    CVector& Column(int k) { return k == 0 ? c0 : (k == 1 ? c1 : c2); }
    const CVector& Column(int k) const { return k == 0 ? c0 : (k == 1 ? c1 : c2); }

    // Solves M x = b by Gaussian elimination with partial pivoting.
    // Returns 1 with x written, or 0 (a pivot below the threshold) with x untouched.
    int Solve(CVector b, CVector& x) const;
};

// M v = v.x c0 + v.y c1 + v.z c2.
inline CVector operator*(const CMatrix& m, CVector v) { return v.x * m.c0 + v.y * m.c1 + v.z * m.c2; }
// v M: the transpose of M applied to v.
inline CVector operator*(CVector v, const CMatrix& m) { return {v * m.c0, v * m.c1, v * m.c2}; }
inline CMatrix operator*(const CMatrix& a, const CMatrix& b) { return {a * b.c0, a * b.c1, a * b.c2}; }
