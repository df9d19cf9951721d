#pragma once
// Symmetric 3x3 tensor (Hessians, stress tensors) with optional eigen data.

#include <memory>

#include "numerics/Matrix.h"
#include "numerics/Vector.h"

class CTensor {
public:
    double xx = 0.0, yy = 0.0, zz = 0.0, xy = 0.0, xz = 0.0, yz = 0.0;

    CTensor() = default;
    explicit CTensor(double axx, double ayy = 0.0, double azz = 0.0, double axy = 0.0, double axz = 0.0,
            double ayz = 0.0)
        : xx(axx), yy(ayy), zz(azz), xy(axy), xz(axz), yz(ayz) {}
    CTensor(const CTensor& other);
    CTensor& operator=(const CTensor& other);
    CTensor(CTensor&&) noexcept = default;
    CTensor& operator=(CTensor&&) noexcept = default;
    ~CTensor() = default;

    // Computes eigenvalues (ascending: x smallest, z largest) and unit eigenvectors
    // (column k belongs to eigenvalue k). Returns 1, or 0 leaving no eigen data when
    // an eigenvalue needs more QL iterations than the linear-algebra options allow.
    int Diagonalize();

    // Solves T x = b with the full symmetric matrix; eigen data play no part.
    // Returns 1 with x written, or 0 with x untouched.
    int Solve(CVector b, CVector& x) const;

    bool HasEigenData() const { return m_pEigenvalues && m_pEigenvectors; }
    // Null until the tensor has been diagonalised.
    const CVector* GetEigenvalues() const { return m_pEigenvalues.get(); }
    const CMatrix* GetEigenvectors() const { return m_pEigenvectors.get(); }
    void ClearEigenData() {
        m_pEigenvalues.reset();
        m_pEigenvectors.reset();
    }
    double Trace() const { return xx + yy + zz; }

private:
    std::unique_ptr<CVector> m_pEigenvalues;
    std::unique_ptr<CMatrix> m_pEigenvectors;
};

// Exact component comparison; eigen data are not compared.
inline bool operator==(const CTensor& a, const CTensor& b) {
    return a.xx == b.xx && a.yy == b.yy && a.zz == b.zz && a.xy == b.xy && a.xz == b.xz && a.yz == b.yz;
}

inline CVector operator*(const CTensor& t, CVector v) {
    return {t.xx * v.x + t.xy * v.y + t.xz * v.z, t.xy * v.x + t.yy * v.y + t.yz * v.z,
            t.xz * v.x + t.yz * v.y + t.zz * v.z};
}
