#include "numerics/LinearAlgebra.h"

#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "numerics/Matrix.h"
#include "numerics/Options.h"
#include "numerics/Tensor.h"

void Tridiagonalize(double** a, int n, double* d, double* e) {
    for (int i = n - 1; i >= 1; --i) {
        const int l = i - 1;
        double h = 0.0;
        double scale = 0.0;
        if (l > 0) {
            for (int k = 0; k <= l; ++k) scale += std::fabs(a[i][k]);
        }
        if (l == 0 || scale == 0.0) {
            e[i] = a[i][l];
        } else {
            // Scaling the row keeps the sums of squares in range for tiny or huge entries.
            for (int k = 0; k <= l; ++k) {
                a[i][k] /= scale;
                h += a[i][k] * a[i][k];
            }
            double f = a[i][l];
            double g = f >= 0.0 ? -std::sqrt(h) : std::sqrt(h);
            e[i] = scale * g;
            h -= f * g;
            a[i][l] = f - g;
            f = 0.0;
            for (int j = 0; j <= l; ++j) {
                a[j][i] = a[i][j] / h;
                g = 0.0;
                for (int k = 0; k <= j; ++k) g += a[j][k] * a[i][k];
                for (int k = j + 1; k <= l; ++k) g += a[k][j] * a[i][k];
                e[j] = g / h;
                f += e[j] * a[i][j];
            }
            const double hh = f / (h + h);
            for (int j = 0; j <= l; ++j) {
                f = a[i][j];
                e[j] = g = e[j] - hh * f;
                for (int k = 0; k <= j; ++k) a[j][k] -= f * e[k] + g * a[i][k];
            }
        }
        d[i] = h;
    }
    d[0] = 0.0;
    e[0] = 0.0;
    // Accumulate the transformations.
    for (int i = 0; i < n; ++i) {
        const int l = i - 1;
        if (d[i] != 0.0) {
            for (int j = 0; j <= l; ++j) {
                double g = 0.0;
                for (int k = 0; k <= l; ++k) g += a[i][k] * a[k][j];
                for (int k = 0; k <= l; ++k) a[k][j] -= g * a[k][i];
            }
        }
        d[i] = a[i][i];
        a[i][i] = 1.0;
        for (int j = 0; j <= l; ++j) a[j][i] = a[i][j] = 0.0;
    }
}

int TridiagonalQL(double* d, double* e, int n, double** z) {
    const int maxIterations = g_pLAOptions->MaxQLIterations.Current;
    for (int i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = 0.0;

    for (int l = 0; l < n; ++l) {
        int iterations = 0;
        for (;;) {
            int m = l;
            for (; m < n - 1; ++m) {
                const double dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
                if (std::fabs(e[m]) + dd == dd) break;
            }
            if (m == l) break;
            // A limit of 0 or below allows no iteration; numbers that are no
            // longer finite (a matrix near the end of the double range) never
            // converge.
            if (iterations >= maxIterations) return 0;
            for (int k = l; k <= m; ++k)
                if (!std::isfinite(d[k]) || !std::isfinite(e[k])) return 0;
            ++iterations;

            double g = (d[l + 1] - d[l]) / (2.0 * e[l]);
            double r = Pythag(g, 1.0);
            g = d[m] - d[l] + e[l] / (g + (g >= 0.0 ? std::fabs(r) : -std::fabs(r)));
            double s = 1.0, c = 1.0, p = 0.0;
            int i = m - 1;
            for (; i >= l; --i) {
                const double f = s * e[i];
                const double b = c * e[i];
                e[i + 1] = r = Pythag(f, g);
                if (r == 0.0) {
                    d[i + 1] -= p;
                    e[m] = 0.0;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0 * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
                for (int k = 0; k < n; ++k) {
                    const double fz = z[k][i + 1];
                    z[k][i + 1] = s * z[k][i] + c * fz;
                    z[k][i] = c * z[k][i] - s * fz;
                }
            }
            if (r == 0.0 && i >= l) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0.0;
        }
    }
    return 1;
}

double Pythag(double a, double b) {
    const double absA = std::fabs(a);
    const double absB = std::fabs(b);
    // Scale by the larger magnitude: squaring it first would overflow near 1e+160
    // and underflow near 1e-160.
    if (absB < absA) {
        const double q = absB / absA;
        return absA * std::sqrt(q * q + 1.0);
    }
    if (absB == 0.0) return 0.0;
    const double q = absA / absB;
    return absB * std::sqrt(q * q + 1.0);
}

int SolveLinearSystem(int n, double* a, double* b) {
    const double threshold = g_pLAOptions->PivotThreshold.Current;
    auto at = [a, n](int row, int col) -> double& { return a[row * n + col]; };
    // A zero pivot is singular whatever the threshold says (a threshold of 0 would
    // otherwise let the back substitution divide by zero).
    auto tooSmall = [threshold](double magnitude) { return magnitude < threshold || magnitude == 0.0; };

    for (int j = 0; j < n - 1; ++j) {
        int candidate = j;
        double largest = std::fabs(at(j, j));
        for (int k = j + 1; k < n; ++k) {
            if (std::fabs(at(k, j)) > largest) {
                largest = std::fabs(at(k, j));
                candidate = k;
            }
        }
        if (tooSmall(largest)) return 0;
        if (candidate != j) {
            std::swap(b[j], b[candidate]);
            for (int m = j; m < n; ++m) std::swap(at(j, m), at(candidate, m));
        }
        for (int l = j + 1; l < n; ++l) {
            const double factor = at(l, j) / at(j, j);
            for (int m = j; m < n; ++m) at(l, m) -= factor * at(j, m);
            b[l] -= factor * b[j];
        }
    }
    if (tooSmall(std::fabs(at(n - 1, n - 1)))) return 0;
    for (int i = n - 1; i >= 0; --i) {
        double sum = b[i];
        for (int k = i + 1; k < n; ++k) sum -= at(i, k) * b[k];
        b[i] = sum / at(i, i);
    }
    // Never report a solution that is not a number (NaN input, overflow).
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(b[i])) return 0;
    }
    return 1;
}

namespace {
int Solve3(double (&m)[9], CVector b, CVector& x) {
    double rhs[3] = {b.x, b.y, b.z};
    if (!SolveLinearSystem(3, m, rhs)) return 0;
    x = CVector(rhs[0], rhs[1], rhs[2]);
    return 1;
}
} // namespace

int CMatrix::Solve(CVector b, CVector& x) const {
    double m[9] = {c0.x, c1.x, c2.x, c0.y, c1.y, c2.y, c0.z, c1.z, c2.z};
    return Solve3(m, b, x);
}

int CTensor::Solve(CVector b, CVector& x) const {
    double m[9] = {xx, xy, xz, xy, yy, yz, xz, yz, zz};
    return Solve3(m, b, x);
}

CTensor::CTensor(const CTensor& other)
    : xx(other.xx), yy(other.yy), zz(other.zz), xy(other.xy), xz(other.xz), yz(other.yz) {
    if (other.HasEigenData()) {
        try {
            m_pEigenvalues = std::make_unique<CVector>(*other.m_pEigenvalues);
            m_pEigenvectors = std::make_unique<CMatrix>(*other.m_pEigenvectors);
        } catch (const std::bad_alloc&) {
            ClearEigenData();
        }
    }
}

CTensor& CTensor::operator=(const CTensor& other) {
    if (this == &other) return *this;
    std::unique_ptr<CVector> values;
    std::unique_ptr<CMatrix> vectors;
    if (other.HasEigenData()) {
        try {
            values = std::make_unique<CVector>(*other.m_pEigenvalues);
            vectors = std::make_unique<CMatrix>(*other.m_pEigenvectors);
        } catch (const std::bad_alloc&) {
            values.reset();
            vectors.reset();
        }
    }
    m_pEigenvalues = std::move(values);
    m_pEigenvectors = std::move(vectors);
    xx = other.xx;
    yy = other.yy;
    zz = other.zz;
    xy = other.xy;
    xz = other.xz;
    yz = other.yz;
    return *this;
}

int CTensor::Diagonalize() {
    ClearEigenData();
    double w[3][3] = {{xx, xy, xz}, {xy, yy, yz}, {xz, yz, zz}};
    double* rows[3] = {w[0], w[1], w[2]};
    double d[3], e[3];
    Tridiagonalize(rows, 3, d, e);
    if (!TridiagonalQL(d, e, 3, rows)) return 0;

    int column[3] = {0, 1, 2};
    auto swap = [&](int i, int j) {
        std::swap(d[i], d[j]);
        std::swap(column[i], column[j]);
    };
    // These three swaps order any input and fix where eigenvectors of equal
    // eigenvalues end up.
    if (d[0] > d[1] && d[1] <= d[2]) swap(0, 1);
    if (d[0] > d[2] && d[1] > d[2]) swap(0, 2);
    if (d[1] > d[2]) swap(1, 2);

    auto col = [&](int k) { return CVector(w[0][column[k]], w[1][column[k]], w[2][column[k]]); };
    try {
        m_pEigenvalues = std::make_unique<CVector>(d[0], d[1], d[2]);
        m_pEigenvectors = std::make_unique<CMatrix>(col(0), col(1), col(2));
    } catch (const std::bad_alloc&) {
        ClearEigenData();
        return 0;
    }
    return 1;
}
