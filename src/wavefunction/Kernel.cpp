// The primitive and orbital kernel: every Cartesian Gaussian primitive with its
// derivatives up to fourth order at one point, contracted into the MOs.
//
// The hot loops work on eight primitives or eight MOs at a time through GCC
// vector types, and are compiled for AVX-512, AVX2+FMA and baseline x86-64 with
// the best one picked at load time. Per call: one exponential per (centre,
// exponent) pair, the primitives' components, and their contraction with the
// coefficients. Screening: each pair has, per level, a distance beyond which
// no component of its primitives times any of their coefficients reaches
// CKernelLayout::kScreenTolerance; only the pairs within their distance enter
// the contraction. The components:
// - the values alone, where AVX-512 permutes eight lanes in one instruction:
//   the primitives of the kept pairs only, nucleus by nucleus in contraction
//   order, with the powers and exponentials picked per lane from small
//   per-nucleus tables, each value formed as the type runs form it;
// - otherwise the primitive table by type runs, with closed-form polynomials
//   per type (generated at compile time from the one-dimensional factors);
//   from level 1 on, groups of eight primitives all beyond their distance are
//   not evaluated (their table entries read 0; at level 0 the value is cheaper
//   than the test).
// No allocation and no division during a call.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/core/JobState.h"
#include "wavefunction/Simd.h"
#include "wavefunction/Wavefunction.h"

namespace {

using namespace zelsimd;

// exp(x), to about one ulp: Cody-Waite reduction by ln 2, the degree-13
// Taylor polynomial on |r| <= ln2/2 and a scale by 2^k applied in two halves so
// that results in the subnormal range round once, as the library exp does.
// Where the library's exp underflows to 0, so does this one. The kernel's
// arguments -alpha r^2 are <= 0.
ZEL_INLINE v8d Exp(const v8d& arg) {
    constexpr double kShift = 0x1.8p52; // adding it rounds to an integer
    constexpr double kLog2e = 0x1.71547652b82fep0;
    constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
    constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;
    // Only a negative exponent in the data gives arg > 0; up to the overflow to
    // infinity the result stays exact.
    const v8d lowest = Splat(-746.0), highest = Splat(710.0);
    const v8d clamped = arg < lowest ? lowest : arg;
    const v8d x = clamped > highest ? highest : clamped;
    const v8d k = (x * kLog2e + kShift) - kShift;
    v8d r = x - k * kLn2Hi;
    r = r - k * kLn2Lo;
    // exp(r) = 1 + (r + r^2 Q(r)), Q of degree 11 by Estrin's scheme for a short
    // dependency chain; adding the 1 last keeps the rounding error near half an ulp.
    const v8d r2 = r * r, r4 = r2 * r2;
    const v8d q01 = r * (1.0 / 6) + 0.5, q23 = r * (1.0 / 120) + 1.0 / 24, q45 = r * (1.0 / 5040) + 1.0 / 720;
    const v8d q67 = r * (1.0 / 362880) + 1.0 / 40320, q89 = r * (1.0 / 39916800) + 1.0 / 3628800;
    const v8d q1011 = r * (1.0 / 6227020800.0) + 1.0 / 479001600;
    const v8d a = q23 * r2 + q01, b = q67 * r2 + q45, c = q1011 * r2 + q89;
    const v8d q = (c * r4 + b) * r4 + a;
    const v8d p = (r2 * q + r) + 1.0;
    // k = k1 + k2 with both halves >= -539, so 2^k1 and 2^k2 are normal numbers;
    // their bit patterns come from the integer in the low bits of k + shift + 1023.
    const v8d k1 = (k * 0.5 + kShift) - kShift;
    const v8d k2 = k - k1;
    const v8d s1 = (v8d)(((v8u)(k1 + (kShift + 1023.0))) << 52);
    v8d s2 = (v8d)(((v8u)(k2 + (kShift + 1023.0))) << 52);
    // Where the result rounds to 0 anyway, scale by 0 rather than let the
    // multiplication underflow: underflowing products run slowly on many CPUs.
    const v8d zero{};
    s2 = x < Splat(-745.2) ? zero : s2;
    return p * s1 * s2;
}

// ---------------------------------------------------------------------------
// One-dimensional factors: d^i/dx^i [x^l exp(-a x^2)] = P(l, i; x) exp(-a x^2)
// with P(l, i; x) = sum_q A[l][i][q] b^q x^(l - i + 2q), b = -2a, from
// P(l, i+1) = dP(l, i)/dx + b x P(l, i).

struct CFactorTable {
    int a[5][5][5] = {}; // [l][i][q]
};

constexpr CFactorTable MakeFactorTable() {
    CFactorTable t;
    for (int l = 0; l <= 4; ++l) {
        t.a[l][0][0] = 1;
        for (int i = 0; i < 4; ++i)
            for (int q = 0; q <= i + 1; ++q) {
                const int fromDerivative = q <= i ? t.a[l][i][q] * (l - i + 2 * q) : 0;
                const int fromProduct = q > 0 ? t.a[l][i][q - 1] : 0;
                t.a[l][i + 1][q] = fromDerivative + fromProduct;
            }
    }
    return t;
}

constexpr CFactorTable kFactors = MakeFactorTable();

constexpr int FirstTerm(int l, int i) {
    for (int q = 0; q <= i; ++q)
        if (kFactors.a[l][i][q] != 0) return q;
    return i;
}

template <int E> ZEL_INLINE v8d Pow(const v8d& x) {
    if constexpr (E == 0)
        return Splat(1.0);
    else if constexpr (E == 1)
        return x;
    else if constexpr (E % 2 == 0) {
        const v8d h = Pow<E / 2>(x);
        return h * h;
    } else
        return Pow<E - 1>(x) * x;
}

// sum over q = Q..I of A[L][I][q] u^(q - Q), by Horner.
template <int L, int I, int Q> ZEL_INLINE v8d Horner(const v8d& u) {
    constexpr int a = kFactors.a[L][I][Q];
    if constexpr (Q == I) {
        return Splat(a);
    } else {
        const v8d rest = Horner<L, I, Q + 1>(u) * u;
        if constexpr (a == 0)
            return rest;
        else
            return rest + static_cast<double>(a);
    }
}

// P(L, I; x) with u = b x^2 precomputed.
template <int L, int I> ZEL_INLINE v8d Factor(const v8d& x, const v8d& b, const v8d& u) {
    constexpr int q0 = FirstTerm(L, I);
    constexpr int e0 = L - I + 2 * q0;
    v8d f = Horner<L, I, q0>(u);
    if constexpr (e0 > 0) f = f * Pow<e0>(x);
    if constexpr (q0 > 0) f = f * Pow<q0>(b);
    return f;
}

template <int L, int... I>
ZEL_INLINE void FillFactors(v8d* f, const v8d& x, const v8d& b, std::integer_sequence<int, I...>) {
    const v8d u = b * x * x;
    ((f[I] = Factor<L, I>(x, b, u)), ...);
}

// ---------------------------------------------------------------------------
// Types and components.

struct CPowers {
    int x, y, z;
};

// Angular exponents (l, m, n) of the types 1 to 35.
constexpr CPowers kTypePowers[35] = {
    {0, 0, 0},                                                                   // s
    {1, 0, 0}, {0, 1, 0}, {0, 0, 1},                                             // p
    {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},            // d
    {3, 0, 0}, {0, 3, 0}, {0, 0, 3}, {2, 1, 0}, {2, 0, 1}, {0, 2, 1}, {1, 2, 0}, // f
    {1, 0, 2}, {0, 1, 2}, {1, 1, 1},                                             //
    {4, 0, 0}, {0, 4, 0}, {0, 0, 4}, {3, 1, 0}, {3, 0, 1}, {1, 3, 0}, {0, 3, 1}, // g
    {1, 0, 3}, {0, 1, 3}, {2, 2, 0}, {2, 0, 2}, {0, 2, 2}, {2, 1, 1}, {1, 2, 1}, {1, 1, 2}};

// Derivative orders (i, j, k) of the components; 4, the Laplacian, is a sum.
constexpr CPowers kComponentPowers[36] = {
    {0, 0, 0},                                                                   // value
    {1, 0, 0}, {0, 1, 0}, {0, 0, 1},                                             // gradient
    {0, 0, 0},                                                                   // Laplacian
    {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},            // second
    {3, 0, 0}, {2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 3, 0}, {0, 2, 1}, {1, 0, 2}, // third
    {0, 1, 2}, {0, 0, 3}, {1, 1, 1},                                             //
    {4, 0, 0}, {3, 1, 0}, {3, 0, 1}, {2, 2, 0}, {2, 0, 2}, {1, 3, 0}, {1, 0, 3}, // fourth
    {2, 1, 1}, {1, 2, 1}, {1, 1, 2}, {0, 4, 0}, {0, 3, 1}, {0, 2, 2}, {0, 1, 3}, {0, 0, 4}};

struct CKernelArgs {
    int level;
    double px, py, pz; // the point
    // Pairs, per nucleus in groups of eight.
    int nNuclei;
    const double* nucDistSq;
    const CVector* nucDelta;
    const int* centreSlots;
    const double* pairNegAlpha;
    const double* pairCut2; // of this level, or unscreened
    const int* pairRowEnd;
    double* pairExp;
    double* args;   // room for every slot and one group more
    int* keptPairs; // per nucleus
    // Primitives in record order, in groups of eight.
    const double* centreX;
    const double* centreY;
    const double* centreZ;
    const double* minus2Alpha;
    const int* primPair;
    const int* runBegin;
    const int* runEnd;
    double* const* prim; // the primitive table
    // Contraction.
    const int* centreRows;
    const int* rowPrim;
    int* kept;
    int nKept;
    // The values alone by rows (where the registers permute eight lanes): the
    // rows' pair within their nucleus and powers, and the kept rows' values in
    // list order.
    const unsigned long long* rowPair;
    const unsigned long long* rowPower[3];
    double* keptValue;
    const double* coef; // one row of nMOsPad coefficients per primitive
    int nBlocks;
    int nMOsPad;
    double* mo;
    bool wide; // two MO blocks per pass where registers allow (AVX-512)
};

// Components written from each level: 0; 0-4; 0-10; 0-20; 0-35.
constexpr int kWritten[5] = {1, 5, 11, 21, 36};

ZEL_INLINE bool AllZero(const v8d& e) {
    return OrLanes((v8u)(e != v8d{})) == 0;
}

// Writes 0 to the first `count` components of the eight primitives from p
// (a plain loop: unrolled into every type and level it would triple the
// compile time).
ZEL_INLINE void ZeroGroup(double* const* prim, int p, int count) {
#pragma GCC unroll 1
    for (int c = 0; c < count; ++c)
        Store(prim[c] + p, v8d{});
}

template <int First, int... C>
ZEL_INLINE void PutComponents(const CKernelArgs& a, int p, const v8d* ex, const v8d* fy, const v8d* fz,
                              std::integer_sequence<int, C...>) {
    ((Store(a.prim[First + C] + p, ex[kComponentPowers[First + C].x] * fy[kComponentPowers[First + C].y] *
                                       fz[kComponentPowers[First + C].z])),
     ...);
}

// The run of type T, eight primitives at a time. The last group may reach past
// the run: into the next run, which is evaluated afterwards and overwrites it,
// or into padding whose exponential is 0. From level 1 on, a group whose
// exponentials are all 0 (screened out, or underflowed) is written as 0 without
// evaluating it.
template <int T, int Level> ZEL_INLINE void EvaluateRun(const CKernelArgs& a) {
    constexpr CPowers t = kTypePowers[T - 1];
    // Level 1 needs the second-order factors for the Laplacian.
    constexpr int kOrder = Level == 0 ? 0 : (Level < 2 ? 2 : Level);
    constexpr auto kFactorSeq = std::make_integer_sequence<int, kOrder + 1>{};
    const v8d px = Splat(a.px), py = Splat(a.py), pz = Splat(a.pz);
    const double* pairExp = a.pairExp;
    const int end = a.runEnd[T - 1];
    for (int p = a.runBegin[T - 1]; p < end; p += kLanes) {
        const int* pair = a.primPair + p;
        const v8d e = {pairExp[pair[0]], pairExp[pair[1]], pairExp[pair[2]], pairExp[pair[3]],
                       pairExp[pair[4]], pairExp[pair[5]], pairExp[pair[6]], pairExp[pair[7]]};
        // The value alone costs less than the test and its unpredictable branch.
        if (Level >= 1 && AllZero(e)) {
            ZeroGroup(a.prim, p, kWritten[Level]);
            continue;
        }
        const v8d x = px - Load(a.centreX + p), y = py - Load(a.centreY + p), z = pz - Load(a.centreZ + p);
        const v8d b = Load(a.minus2Alpha + p);
        v8d fx[kOrder + 1], fy[kOrder + 1], fz[kOrder + 1], ex[kOrder + 1];
        FillFactors<t.x>(fx, x, b, kFactorSeq);
        FillFactors<t.y>(fy, y, b, kFactorSeq);
        FillFactors<t.z>(fz, z, b, kFactorSeq);
#pragma GCC unroll 5
        for (int i = 0; i <= kOrder; ++i)
            ex[i] = fx[i] * e;

        Store(a.prim[0] + p, ex[0] * fy[0] * fz[0]);
        if constexpr (Level >= 1) PutComponents<1>(a, p, ex, fy, fz, std::make_integer_sequence<int, 3>{});
        if constexpr (Level == 1)
            Store(a.prim[4] + p, ex[2] * fy[0] * fz[0] + ex[0] * fy[2] * fz[0] + ex[0] * fy[0] * fz[2]);
        if constexpr (Level >= 2) {
            const v8d xx = ex[2] * fy[0] * fz[0], yy = ex[0] * fy[2] * fz[0], zz = ex[0] * fy[0] * fz[2];
            Store(a.prim[5] + p, xx);
            Store(a.prim[6] + p, yy);
            Store(a.prim[7] + p, zz);
            Store(a.prim[4] + p, xx + yy + zz);
            PutComponents<8>(a, p, ex, fy, fz, std::make_integer_sequence<int, 3>{});
        }
        if constexpr (Level >= 3) PutComponents<11>(a, p, ex, fy, fz, std::make_integer_sequence<int, 10>{});
        if constexpr (Level >= 4) PutComponents<21>(a, p, ex, fy, fz, std::make_integer_sequence<int, 15>{});
    }
}

// Types in increasing order, so that a group reaching into the next run is
// overwritten there.
template <int Level, int... T>
ZEL_INLINE void EvaluateRuns(const CKernelArgs& a, std::integer_sequence<int, T...>) {
    (EvaluateRun<T + 1, Level>(a), ...);
}

// Contracted components per level; the MO Laplacian of levels 2 and up is the
// trace of the MO Hessian, so component 4 is contracted at level 1 only.
constexpr int kContracted[5][36] = {{0},
                                    {0, 1, 2, 3, 4},
                                    {0, 1, 2, 3, 5, 6, 7, 8, 9, 10},
                                    {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
                                    {0,  1,  2,  3,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                                     19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35}};
constexpr int kContractedCount[5] = {1, 5, 10, 20, 35};

// Five components for one or two blocks of eight MOs over the kept
// primitives. A single block takes two primitives per step, so that ten
// independent sums hide the latency of the multiply-adds.
template <bool Two, bool OneBlock = false>
ZEL_INLINE void ContractFive(const CKernelArgs& a, int blk, const int* comp) {
    const double* cb = a.coef + blk * kLanes;
    const std::size_t stride = OneBlock ? kLanes : a.nMOsPad;
    const double *g0 = a.prim[comp[0]], *g1 = a.prim[comp[1]], *g2 = a.prim[comp[2]], *g3 = a.prim[comp[3]],
                 *g4 = a.prim[comp[4]];
    const int* kept = a.kept;
    const int n = a.nKept;
    v8d s0{}, s1{}, s2{}, s3{}, s4{}, t0{}, t1{}, t2{}, t3{}, t4{};
    const auto add = [&](int p, const double* block, v8d& u0, v8d& u1, v8d& u2, v8d& u3, v8d& u4)
        __attribute__((always_inline)) {
        const v8d row = Load(block + p * stride);
        u0 += g0[p] * row;
        u1 += g1[p] * row;
        u2 += g2[p] * row;
        u3 += g3[p] * row;
        u4 += g4[p] * row;
    };
    int i = 0;
    if constexpr (Two) {
        for (; i < n; ++i) {
            const int p = kept[i];
            add(p, cb, s0, s1, s2, s3, s4);
            add(p, cb + kLanes, t0, t1, t2, t3, t4);
        }
    } else {
        for (; i + 2 <= n; i += 2) {
            add(kept[i], cb, s0, s1, s2, s3, s4);
            add(kept[i + 1], cb, t0, t1, t2, t3, t4);
        }
        if (i < n) add(kept[i], cb, s0, s1, s2, s3, s4);
        s0 += t0;
        s1 += t1;
        s2 += t2;
        s3 += t3;
        s4 += t4;
    }
    double* mo = a.mo + blk * kLanes;
    Store(mo + comp[0] * stride, s0);
    Store(mo + comp[1] * stride, s1);
    Store(mo + comp[2] * stride, s2);
    Store(mo + comp[3] * stride, s3);
    Store(mo + comp[4] * stride, s4);
    if constexpr (Two) {
        Store(mo + comp[0] * stride + kLanes, t0);
        Store(mo + comp[1] * stride + kLanes, t1);
        Store(mo + comp[2] * stride + kLanes, t2);
        Store(mo + comp[3] * stride + kLanes, t3);
        Store(mo + comp[4] * stride + kLanes, t4);
    }
}

// Five components for B (three or four) blocks of eight MOs at once (5 B
// sums; only where the registers hold them): the five primitive values are
// loaded once for all the blocks.
template <int B> ZEL_INLINE void ContractFiveBlocks(const CKernelArgs& a, int blk, const int* comp) {
    const std::size_t stride = a.nMOsPad;
    const double* cb = a.coef + blk * kLanes;
    const double *g0 = a.prim[comp[0]], *g1 = a.prim[comp[1]], *g2 = a.prim[comp[2]], *g3 = a.prim[comp[3]],
                 *g4 = a.prim[comp[4]];
    const int* kept = a.kept;
    const int n = a.nKept;
    v8d s[B][5] = {};
    for (int i = 0; i < n; ++i) {
        const int p = kept[i];
        // Scalars, broadcast by the multiply-adds themselves.
        const double v0 = g0[p], v1 = g1[p], v2 = g2[p], v3 = g3[p], v4 = g4[p];
        const double* rowp = cb + p * stride;
#pragma GCC unroll 4
        for (int k = 0; k < B; ++k) {
            const v8d row = Load(rowp + k * kLanes);
            s[k][0] += v0 * row;
            s[k][1] += v1 * row;
            s[k][2] += v2 * row;
            s[k][3] += v3 * row;
            s[k][4] += v4 * row;
        }
    }
    const int pad = a.nMOsPad;
#pragma GCC unroll 4
    for (int k = 0; k < B; ++k) {
        double* mo = a.mo + (blk + k) * kLanes;
#pragma GCC unroll 5
        for (int j = 0; j < 5; ++j)
            Store(mo + comp[j] * pad, s[k][j]);
    }
}

// MO values alone, up to four blocks per pass (one load of the primitive's
// value serves them all); R primitives per step, so that R x Blocks
// independent sums hide the latency of the multiply-adds (twelve or more
// where the registers hold them).
template <int Blocks, int R, bool Packed>
ZEL_INLINE void ContractValueBlocks(const CKernelArgs& a, int first) {
    // The kept primitives' values in list order, or the table in record order.
    const double* g = Packed ? a.keptValue : a.prim[0];
    const int* kept = a.kept;
    const int n = a.nKept;
    const std::size_t stride = a.nMOsPad;
    const double* cb = a.coef + first * kLanes;
    v8d s[R][Blocks] = {};
    int i = 0;
    for (; i + R <= n; i += R) {
#pragma GCC unroll 4
        for (int r = 0; r < R; ++r) {
            const int p = kept[i + r];
            const double gp = Packed ? g[i + r] : g[p];
            const double* rowp = cb + p * stride;
#pragma GCC unroll 4
            for (int k = 0; k < Blocks; ++k)
                s[r][k] += gp * Load(rowp + k * kLanes);
        }
    }
    for (; i < n; ++i) {
        const int p = kept[i];
        const double gp = Packed ? g[i] : g[p];
        const double* rowp = cb + p * stride;
#pragma GCC unroll 4
        for (int k = 0; k < Blocks; ++k)
            s[0][k] += gp * Load(rowp + k * kLanes);
    }
#pragma GCC unroll 4
    for (int k = 0; k < Blocks; ++k) {
        v8d sum = s[0][k];
#pragma GCC unroll 4
        for (int r = 1; r < R; ++r)
            sum += s[r][k];
        Store(a.mo + (first + k) * kLanes, sum);
    }
}

// The MO values over every block of eight MOs.
template <bool Packed> ZEL_INLINE void ContractValues(const CKernelArgs& a) {
    int blk = 0;
    for (; blk + 4 <= a.nBlocks; blk += 4)
        ContractValueBlocks<4, 2, Packed>(a, blk);
    switch (a.nBlocks - blk) {
    case 3:
        if (a.wide)
            ContractValueBlocks<3, 4, Packed>(a, blk);
        else
            ContractValueBlocks<3, 2, Packed>(a, blk);
        break;
    case 2:
        if (a.wide)
            ContractValueBlocks<2, 6, Packed>(a, blk);
        else
            ContractValueBlocks<2, 2, Packed>(a, blk);
        break;
    case 1:
        ContractValueBlocks<1, 4, Packed>(a, blk);
        break;
    default:
        break;
    }
}

// MO component c of the MOs 8b..8b+7 is the sum over the kept primitives p of
// the primitive's component c times the coefficient row (b, p).
ZEL_INLINE void Contract(const CKernelArgs& a) {
    const int* comps = kContracted[a.level];
    const int nComps = kContractedCount[a.level];
    if (nComps == 1) {
        ContractValues<false>(a);
        return;
    }
    for (int c = 0; c < nComps; c += 5) {
        int blk = 0;
        if (a.wide) {
            // Four blocks at a time, three where five remain, then two.
            for (int rest = a.nBlocks; rest >= 3; rest = a.nBlocks - blk) {
                if (rest == 3 || rest == 5) {
                    ContractFiveBlocks<3>(a, blk, comps + c);
                    blk += 3;
                } else {
                    ContractFiveBlocks<4>(a, blk, comps + c);
                    blk += 4;
                }
            }
            for (; blk + 2 <= a.nBlocks; blk += 2)
                ContractFive<true>(a, blk, comps + c);
        }
        if (a.nBlocks == 1)
            ContractFive<false, true>(a, 0, comps + c);
        else
            for (; blk < a.nBlocks; ++blk)
                ContractFive<false>(a, blk, comps + c);
    }
}

// Per nucleus, how many of its pairs are kept: a prefix of its slots. The
// counts come first, each nucleus on its own, so that the packing offsets
// wait on no lane sums. Here and below the arrays are read through local
// pointers, which the stores cannot alias.
ZEL_INLINE void CountKeptPairs(CKernelArgs& a) {
    const int nNuclei = a.nNuclei;
    const double* const distSq = a.nucDistSq;
    const int* const centreSlots = a.centreSlots;
    const double* const cut2 = a.pairCut2;
    int* const keptPairs = a.keptPairs;
    for (int c = 0; c < nNuclei; ++c) {
        const v8d r2 = Splat(distSq[c]);
        const int first = centreSlots[c], last = centreSlots[c + 1];
        v8u keep{};
        for (int u = first; u < last; u += kLanes)
            keep += (v8u)(r2 < Load(cut2 + u));
        keptPairs[c] = -static_cast<int>(AddLanes(keep));
    }
}

// exp(-alpha r^2) of the kept pairs of all nuclei, packed nucleus after
// nucleus into `out` (arguments first, whole groups written: each nucleus
// overwrites what lies past the previous one's), eight at a time.
ZEL_INLINE void PackedExponentials(const CKernelArgs& a, double* out) {
    const double* const distSq = a.nucDistSq;
    const int* const centreSlots = a.centreSlots;
    const double* const negAlpha = a.pairNegAlpha;
    const int* const keptPairs = a.keptPairs;
    int nArgs = 0;
    for (int c = 0; c < a.nNuclei; ++c) {
        const v8d r2 = Splat(distSq[c]);
        const int first = centreSlots[c], count = keptPairs[c];
        for (int u = 0; u < count; u += kLanes)
            Store(out + nArgs + u, Load(negAlpha + first + u) * r2);
        nArgs += count;
    }
    for (int i = 0; i < nArgs; i += kLanes)
        Store(out + i, Exp(Load(out + i)));
}

// One exponential per kept (centre, exponent) pair, 0 for the others, and the
// list of kept primitives: for each nucleus, the primitives of its kept pairs.
// The exponentials run over the kept pairs of all nuclei packed together,
// eight at a time, and are spread to the pair slots afterwards.
ZEL_INLINE void PairExponentials(CKernelArgs& a) {
    CountKeptPairs(a);
    const int nNuclei = a.nNuclei;
    const double* const distSq = a.nucDistSq;
    const int* const centreSlots = a.centreSlots;
    const double* const cut2 = a.pairCut2;
    double* const args = a.args;
    const int* const keptPairs = a.keptPairs;
    PackedExponentials(a, args);

    const int* const centreRows = a.centreRows;
    const int* const pairRowEnd = a.pairRowEnd;
    const int* const rowPrim = a.rowPrim;
    double* const pairExp = a.pairExp;
    int* const kept = a.kept;
    int nKept = 0, next = 0;
    for (int c = 0; c < nNuclei; ++c) {
        const v8d r2 = Splat(distSq[c]);
        const int first = centreSlots[c], last = centreSlots[c + 1];
        const int count = keptPairs[c];
        // Past the kept pairs the mask is 0 (the arguments there belong to the
        // next nucleus or were never written, and stay within the array).
        for (int u = first; u < last; u += kLanes)
            Store(pairExp + u, (v8d)((v8u)Load(args + next + (u - first)) & (v8u)(r2 < Load(cut2 + u))));
        next += count;
        if (count == 0) continue;
        const int rowBegin = centreRows[c], rowEnd = pairRowEnd[first + count - 1];
        // Eight at a time: the list and the rows have room for the overshoot.
        for (int j = rowBegin; j < rowEnd; j += kLanes)
            std::memcpy(kept + nKept + (j - rowBegin), rowPrim + j, kLanes * sizeof(int));
        nKept += rowEnd - rowBegin;
    }
    a.nKept = nKept;
}

// x^0 to x^4 in the first five lanes, each as Pow forms it.
ZEL_INLINE v8d Powers(double x) {
    // {1, x, x, x^2, x^2, ..} times {1, 1, x, x, x^2, ..}, formed in registers.
    const v8d lane = {0, 1, 2, 3, 4, 5, 6, 7}, one = Splat(1.0), vx = Splat(x), vx2 = vx * vx;
    const v8d a = lane < 1.0 ? one : (lane < 3.0 ? vx : vx2);
    const v8d b = lane < 2.0 ? one : (lane < 4.0 ? vx : vx2);
    return a * b;
}

typedef unsigned long long v8uu __attribute__((vector_size(64), aligned(8)));

// Lane i of the result is lane index[i] of t.
// (Clang has no shuffle by a run-time index: lane by lane there, the same
// lanes chosen.)
ZEL_INLINE v8d Permute(const v8d& t, const unsigned long long* index) {
#if defined(__clang__)
    v8d result;
    for (int i = 0; i < 8; ++i)
        result[i] = t[index[i] & 7];
    return result;
#else
    return __builtin_shuffle(t, *reinterpret_cast<const v8uu*>(index));
#endif
}

// Lane i of the result is lane index[i] of the sixteen lanes of t0 and t1.
ZEL_INLINE v8d Permute2(const v8d& t0, const v8d& t1, const unsigned long long* index) {
#if defined(__clang__)
    v8d result;
    for (int i = 0; i < 8; ++i)
        result[i] = (index[i] & 8) ? t1[index[i] & 7] : t0[index[i] & 7];
    return result;
#else
    return __builtin_shuffle(t0, t1, *reinterpret_cast<const v8uu*>(index));
#endif
}

// The values alone, row by row: the exponentials of the kept pairs packed as
// for the table, then for each nucleus the rows of its kept pairs, eight at a
// time, each exp(-alpha r^2) x^l y^m z^n formed as the table's evaluation
// forms it (the powers, and the exponential where the nucleus keeps up to 16
// pairs, picked from registers by lane permutes), into the list of kept
// values, with the list of kept primitives beside it. Primitives left out are
// not evaluated; the primitive table is not written.
ZEL_INLINE void KeptRowValues(CKernelArgs& a) {
    CountKeptPairs(a);
    const int nNuclei = a.nNuclei;
    const CVector* const delta = a.nucDelta;
    const int* const centreSlots = a.centreSlots;
    const int* const centreRows = a.centreRows;
    const int* const pairRowEnd = a.pairRowEnd;
    const int* const rowPrim = a.rowPrim;
    const int* const keptPairs = a.keptPairs;
    const unsigned long long* const rowPair = a.rowPair;
    const unsigned long long *const powerX = a.rowPower[0], *const powerY = a.rowPower[1],
                                    *const powerZ = a.rowPower[2];
    // The packed exponentials in the pair array.
    double* const exps = a.pairExp;
    PackedExponentials(a, exps);

    double* const value = a.keptValue;
    int* const kept = a.kept;
    int nKept = 0, next = 0;
    for (int c = 0; c < nNuclei; ++c) {
        const int count = keptPairs[c];
        if (count == 0) continue;
        const int rowBegin = centreRows[c], rowEnd = pairRowEnd[centreSlots[c] + count - 1];
        // This nucleus's exponentials, in registers where it has up to 16 kept
        // pairs; lanes past its count are not picked by its kept rows (the
        // array has room for both loads).
        const v8d e0 = Load(exps + next), e1 = Load(exps + next + kLanes);
        next += count;
        const v8d tx = Powers(delta[c].x), ty = Powers(delta[c].y), tz = Powers(delta[c].z);
        // Eight at a time: the lists and the rows have room for the overshoot,
        // which the next nucleus overwrites.
        const auto rows = [&](auto exponentials) __attribute__((always_inline)) {
            for (int j = rowBegin; j < rowEnd; j += kLanes) {
                const v8d e = exponentials(j);
                const v8d px = Permute(tx, powerX + j), py = Permute(ty, powerY + j),
                          pz = Permute(tz, powerZ + j);
                Store(value + nKept + (j - rowBegin), px * e * py * pz);
                std::memcpy(kept + nKept + (j - rowBegin), rowPrim + j, kLanes * sizeof(int));
            }
        };
        if (count <= 2 * kLanes) {
            rows([&](int j) __attribute__((always_inline)) { return Permute2(e0, e1, rowPair + j); });
        } else {
            const double* const own = exps + next - count;
            rows([&](int j) __attribute__((always_inline)) {
                const unsigned long long* q = rowPair + j;
                return v8d{own[q[0]], own[q[1]], own[q[2]], own[q[3]],
                           own[q[4]], own[q[5]], own[q[6]], own[q[7]]};
            });
        }
        nKept += rowEnd - rowBegin;
    }
    a.nKept = nKept;
}

// The values alone by rows, a function of its own so that it leaves the
// type-run kernel's code as it is.
ZEL_CLONES void RunRows(CKernelArgs& a) {
    KeptRowValues(a);
    ContractValues<true>(a);
}

ZEL_CLONES void RunKernel(CKernelArgs& a) {
    PairExponentials(a);
    constexpr auto kTypes = std::make_integer_sequence<int, 35>{};
    switch (a.level) {
    case 0:
        EvaluateRuns<0>(a, kTypes);
        break;
    case 1:
        EvaluateRuns<1>(a, kTypes);
        break;
    case 2:
        EvaluateRuns<2>(a, kTypes);
        break;
    case 3:
        EvaluateRuns<3>(a, kTypes);
        break;
    default:
        EvaluateRuns<4>(a, kTypes);
        break;
    }
    Contract(a);
    // The MO Laplacian of levels 2 and up is the trace of the MO Hessian.
    if (a.level >= 2) {
        double* mo = a.mo;
        const int pad = a.nMOsPad;
        for (int m = 0; m < pad; m += kLanes)
            Store(mo + 4 * pad + m, Load(mo + 5 * pad + m) + Load(mo + 6 * pad + m) + Load(mo + 7 * pad + m));
    }
}

// ---------------------------------------------------------------------------
// Screening distances.

// |P(l, i; x)| for |x| <= d: the sum of the absolute terms.
double FactorBound(int l, int i, double twoAlpha, double d) {
    double sum = 0.0;
    for (int q = 0; q <= i; ++q) {
        const int a = kFactors.a[l][i][q];
        if (a != 0) sum += std::abs(a) * std::pow(twoAlpha, q) * std::pow(d, l - i + 2 * q);
    }
    return sum;
}

struct CScreenedPrimitive {
    CPowers powers;
    double weight; // largest |coefficient| times sqrt(|occupation|), at least 1
};

// Bound on any component of derivative order up to `order` of the pair's
// primitives, times their weight, at distance d from the centre. The factor 3
// covers the sums of three components (Laplacian, trace, divergence).
double PairBound(const std::vector<CScreenedPrimitive>& prims, double alpha, int order, double d) {
    const double twoAlpha = 2.0 * alpha;
    double largest = 0.0;
    for (const CScreenedPrimitive& p : prims) {
        double f[3][5];
        const int powers[3] = {p.powers.x, p.powers.y, p.powers.z};
        for (int axis = 0; axis < 3; ++axis)
            for (int i = 0; i <= order; ++i)
                f[axis][i] = FactorBound(powers[axis], i, twoAlpha, d);
        for (int i = 0; i <= order; ++i)
            for (int j = 0; i + j <= order; ++j)
                for (int k = 0; i + j + k <= order; ++k)
                    largest = std::max(largest, p.weight * f[0][i] * f[1][j] * f[2][k]);
    }
    return 3.0 * largest * std::exp(-alpha * d * d);
}

// The square of the distance beyond which the pair's bound stays below the
// tolerance: infinity where it never does (an exponent that is not positive),
// 0 where it is below everywhere.
double CutoffSquared(const std::vector<CScreenedPrimitive>& prims, double alpha, int level) {
    if (!(alpha > 0.0) || !std::isfinite(alpha)) return HUGE_VAL;
    const int order = level == 1 ? 2 : level;
    const double tolerance = CKernelLayout::kScreenTolerance;
    const auto bound = [&](double d) { return PairBound(prims, alpha, order, d); };
    // Every term d^e exp(-alpha d^2) with e <= 8 decreases beyond d0.
    const double d0 = 2.0 / std::sqrt(alpha);
    if (bound(d0) >= tolerance) {
        double lo = d0, hi = 2.0 * d0;
        while (bound(hi) >= tolerance) {
            lo = hi;
            hi *= 2.0;
            if (!(hi < 1e8)) return HUGE_VAL;
        }
        for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
            const double mid = 0.5 * (lo + hi);
            (bound(mid) >= tolerance ? lo : hi) = mid;
        }
        return hi * hi;
    }
    // Below the tolerance from d0 on: the largest sample inside d0 that reaches
    // it, one sample further out.
    constexpr int kSamples = 512;
    for (int i = kSamples - 1; i >= 0; --i)
        if (bound(d0 * i / kSamples) >= tolerance) {
            const double d = d0 * (i + 1) / kSamples;
            return d * d;
        }
    return 0.0;
}

// Fills the kernel's own arrays from the records: type runs, padded
// per-primitive data, the pairs with their screening distances, the
// contraction rows and the coefficient blocks. Returns false when the records
// do not fit the allocated counts.
bool PrepareLayout(CWavefunction& w) {
    CKernelLayout& k = w.m_kernel;
    const CPrimitiveData& data = *w.m_pPrimitiveData;
    const int nPrims = k.m_nPrims, nMOs = k.m_nMOs;
    const int nNuclei = static_cast<int>(w.m_pNucDelta.size());
    const auto need = [](std::size_t have, long long count) { return static_cast<long long>(have) >= count; };
    if (!need(data.m_pCoefficients.size(), static_cast<long long>(nMOs) * nPrims) ||
        !need(data.m_pExponents.size(), nPrims) || !need(data.m_pMinus2Alpha.size(), nPrims) ||
        !need(data.m_pCentres.size(), nPrims) || !need(w.m_pAtomData->m_pPositions.size(), nNuclei) ||
        !need(w.m_pAtomData->m_pCharges.size(), nNuclei) ||
        !need(w.m_pOrbitalData->m_pOccupations.size(), nMOs) ||
        !need(w.m_pOrbitalData->m_pEnergies.size(), nMOs))
        return false;
    for (int p = 0; p < nPrims; ++p)
        if (data.m_pCentres[p] < 1 || data.m_pCentres[p] > nNuclei) return false;
    const CVector* positions = w.m_pAtomData->m_pPositions.data();
    k.m_nNuclei = nNuclei;

    // Types 21-35 only with a full type count; runs follow each other from 0.
    const int tableTypes = std::min({w.m_nTypes, static_cast<int>(data.m_pTypeEnd.size()), 35});
    const int lastType = tableTypes >= 35 ? 35 : std::min(tableTypes, 20);
    int begin = 0;
    for (int t = 1; t <= 35; ++t) {
        const int end = t <= lastType ? std::clamp(data.m_pTypeEnd[t - 1], begin, nPrims) : begin;
        k.m_runBegin[t - 1] = begin;
        k.m_runEnd[t - 1] = end;
        begin = end;
    }
    k.m_nEvaluated = begin;
    const int nEvaluated = k.m_nEvaluated;

    // The type of each evaluated primitive as its run says (the runs decide
    // which polynomial the kernel evaluates).
    std::vector<int> typeOf(nEvaluated);
    for (int t = 1; t <= 35; ++t)
        for (int p = k.m_runBegin[t - 1]; p < k.m_runEnd[t - 1]; ++p)
            typeOf[p] = t;

    for (auto* v : {&k.m_primMinus2Alpha, &k.m_centreX, &k.m_centreY, &k.m_centreZ})
        std::fill(v->begin(), v->end(), 0.0);
    const auto& exponents = data.m_pExponents;
    const auto& centres = data.m_pCentres;
    for (int p = 0; p < nPrims; ++p) {
        const CVector r = positions[centres[p] - 1];
        k.m_centreX[p] = r.x;
        k.m_centreY[p] = r.y;
        k.m_centreZ[p] = r.z;
        k.m_primMinus2Alpha[p] = data.m_pMinus2Alpha[p];
    }

    // Contraction rows: by centre, exponent, record order; eight more entries
    // of room for the list's copies in groups of eight.
    std::vector<int>& rows = k.m_rowPrim;
    rows.assign(nEvaluated + kLanes, 0);
    for (int p = 0; p < nEvaluated; ++p)
        rows[p] = p;
    std::sort(rows.begin(), rows.begin() + nEvaluated, [&](int a, int b) {
        if (centres[a] != centres[b]) return centres[a] < centres[b];
        if (exponents[a] != exponents[b]) return exponents[a] < exponents[b];
        return a < b;
    });
    for (auto& power : k.m_rowPower)
        power.assign(nEvaluated + kLanes, 0);
    for (int j = 0; j < nEvaluated; ++j) {
        const CPowers t = kTypePowers[typeOf[rows[j]] - 1];
        k.m_rowPower[0][j] = t.x;
        k.m_rowPower[1][j] = t.y;
        k.m_rowPower[2][j] = t.z;
    }

    // Weight of each primitive: its largest coefficient in any MO, with the
    // occupation's square root where that is above 1.
    const double* c = data.m_pCoefficients.data();
    const double* occupations = w.m_pOrbitalData->m_pOccupations.data();
    std::vector<double> weight(nEvaluated, 0.0);
    for (int mo = 0; mo < nMOs; ++mo) {
        const double scale = std::max(1.0, std::sqrt(std::abs(occupations[mo])));
        for (int p = 0; p < nEvaluated; ++p)
            weight[p] = std::max(weight[p], std::abs(c[static_cast<std::size_t>(mo) * nPrims + p]) * scale);
    }

    // Pairs per nucleus in slots padded to groups of eight, their rows and
    // screening distances, made non-increasing along the exponents so that
    // the kept pairs of a nucleus are a prefix.
    struct CPair {
        double alpha;
        int rowEnd;
        double cut2[6];
    };
    std::vector<CPair> pairs;
    std::vector<int> pairOf(nEvaluated, 0);
    k.m_centreSlots.assign(nNuclei + 1, 0);
    k.m_centreRows.assign(nNuclei + 1, 0);
    std::vector<int> slotOfPair;
    std::vector<CScreenedPrimitive> members;
    int row = 0, slot = 0;
    for (int centre = 1; centre <= nNuclei; ++centre) {
        k.m_centreSlots[centre - 1] = slot;
        k.m_centreRows[centre - 1] = row;
        const int first = static_cast<int>(pairs.size());
        while (row < nEvaluated && centres[rows[row]] == centre) {
            const double alpha = exponents[rows[row]];
            members.clear();
            for (; row < nEvaluated && centres[rows[row]] == centre && exponents[rows[row]] == alpha; ++row) {
                const int p = rows[row];
                members.push_back({kTypePowers[typeOf[p] - 1], weight[p]});
                pairOf[p] = slot + static_cast<int>(pairs.size()) - first;
            }
            CPair pair{alpha, row, {}};
            for (int level = 0; level <= 4; ++level)
                pair.cut2[level] = CutoffSquared(members, alpha, level);
            pair.cut2[5] = HUGE_VAL;
            pairs.push_back(pair);
        }
        for (int u = static_cast<int>(pairs.size()) - 2; u >= first; --u)
            for (int level = 0; level <= 4; ++level)
                pairs[u].cut2[level] = std::max(pairs[u].cut2[level], pairs[u + 1].cut2[level]);
        for (int u = first; u < static_cast<int>(pairs.size()); ++u)
            slotOfPair.push_back(slot + u - first);
        slot += CKernelLayout::Pad(static_cast<int>(pairs.size()) - first);
    }
    k.m_centreSlots[nNuclei] = slot;
    k.m_centreRows[nNuclei] = row;
    k.m_zeroSlot = slot;
    k.m_nSlots = slot + kLanes;

    for (auto* v : {&k.m_pairNegAlpha})
        v->assign(k.m_nSlots, 0.0);
    for (auto& cut : k.m_pairCut2)
        cut.assign(k.m_nSlots, -1.0);
    k.m_pairRowEnd.assign(k.m_nSlots, 0);
    for (std::size_t u = 0; u < pairs.size(); ++u) {
        const int s = slotOfPair[u];
        k.m_pairNegAlpha[s] = -pairs[u].alpha;
        for (int level = 0; level <= 5; ++level)
            k.m_pairCut2[level][s] = pairs[u].cut2[level];
        k.m_pairRowEnd[s] = pairs[u].rowEnd;
    }
    std::fill(k.m_primPair.begin(), k.m_primPair.end(), k.m_zeroSlot);
    for (int p = 0; p < nEvaluated; ++p)
        k.m_primPair[p] = pairOf[p];
    // Each row's pair counted from its nucleus's first.
    k.m_rowPair.assign(nEvaluated + kLanes, 0);
    for (int centre = 0; centre < nNuclei; ++centre) {
        for (int j = k.m_centreRows[centre]; j < k.m_centreRows[centre + 1]; ++j)
            k.m_rowPair[j] = pairOf[rows[j]] - k.m_centreSlots[centre];
    }

    const std::size_t mosPad = static_cast<std::size_t>(k.m_nMOsPad);
    std::fill(k.m_coefRows.begin(), k.m_coefRows.end(), 0.0);
    for (int mo = 0; mo < nMOs; ++mo)
        for (int p = 0; p < nPrims; ++p)
            k.m_coefRows[p * mosPad + mo] = c[static_cast<std::size_t>(mo) * nPrims + p];
    std::fill(k.m_occupations.begin(), k.m_occupations.end(), 0.0);
    std::copy_n(occupations, nMOs, k.m_occupations.begin());
    k.m_bWide = __builtin_cpu_supports("avx512f");
    k.m_bRows = k.m_bWide;
    k.m_bReady = true;
    return true;
}

} // namespace

namespace {

// The contracted rows into the wavefunction's per-MO arrays, up to the level
// run: plain copies, compiled per instruction set so that they run as vector
// moves.
ZEL_CLONES void CopyOrbitalRows(CWavefunction& w, const double* mo, int level) {
    const int nMOs = w.m_kernel.m_nMOs;
    const int mPad = w.m_kernel.m_nMOsPad;
    const auto row = [&](int c) { return mo + c * mPad; };
    std::copy(row(0), row(0) + nMOs, w.m_pMOValue.begin());
    if (level >= 1) {
        CVector* __restrict gradient = w.m_pMOGradient.data();
        const double* __restrict x = row(1), * __restrict y = row(2), * __restrict z = row(3);
        for (int m = 0; m < nMOs; ++m)
            gradient[m] = CVector(x[m], y[m], z[m]);
        std::copy(row(4), row(4) + nMOs, w.m_pMOLaplacian.begin());
    }
    if (level >= 2) {
        CTensor* __restrict hessian = w.m_pMOHessian.data();
        for (int m = 0; m < nMOs; ++m)
            if (hessian[m].HasEigenData()) hessian[m].ClearEigenData();
        const double* __restrict xx = row(5), * __restrict yy = row(6), * __restrict zz = row(7);
        const double* __restrict xy = row(8), * __restrict xz = row(9), * __restrict yz = row(10);
        for (int m = 0; m < nMOs; ++m) {
            CTensor& h = hessian[m];
            h.xx = xx[m];
            h.yy = yy[m];
            h.zz = zz[m];
            h.xy = xy[m];
            h.xz = xz[m];
            h.yz = yz[m];
        }
    }
    if (level >= 3)
        for (int j = 0; j < 10; ++j)
            std::copy(row(11 + j), row(11 + j) + nMOs, w.m_pMOThird[j].begin());
    if (level >= 4)
        for (int j = 0; j < 15; ++j)
            std::copy(row(21 + j), row(21 + j) + nMOs, w.m_pMOFourth[j].begin());
}

} // namespace

bool CWavefunction::PrepareEvaluation() {
    if (!m_bWorkingMemory || !IsLoaded()) return false;
    if (!m_kernel.m_bReady && !PrepareLayout(*this)) return false;
    return true;
}

int RunKernelAt(const CKernelLayout& k, CKernelScratch& s, CVector point, int level, bool screen,
                const CVector* positions) {
    level = std::clamp(level, 0, 4);
    const int nNuclei = k.m_nNuclei;
    // Through pointers that the stores cannot alias, so that the positions
    // are not read again after every store.
    CVector* __restrict const delta = s.nucDelta;
    double* __restrict const distSq = s.nucDistSq;
    const CVector* __restrict const nuclei = positions;
    for (int i = 0; i < nNuclei; ++i) {
        const CVector d = point - nuclei[i];
        delta[i] = d;
        distSq[i] = d * d;
    }

    CKernelArgs a;
    a.level = level;
    a.px = point.x;
    a.py = point.y;
    a.pz = point.z;
    a.nNuclei = nNuclei;
    a.nucDistSq = s.nucDistSq;
    a.nucDelta = s.nucDelta;
    a.centreSlots = k.m_centreSlots.data();
    a.pairNegAlpha = k.m_pairNegAlpha.data();
    a.pairCut2 = k.m_pairCut2[screen ? level : 5].data();
    a.pairRowEnd = k.m_pairRowEnd.data();
    a.pairExp = s.pairExp;
    a.args = s.args;
    a.keptPairs = s.keptPairs;
    a.centreX = k.m_centreX.data();
    a.centreY = k.m_centreY.data();
    a.centreZ = k.m_centreZ.data();
    a.minus2Alpha = k.m_primMinus2Alpha.data();
    a.primPair = k.m_primPair.data();
    a.runBegin = k.m_runBegin;
    a.runEnd = k.m_runEnd;
    a.prim = s.prim;
    a.centreRows = k.m_centreRows.data();
    a.rowPrim = k.m_rowPrim.data();
    a.kept = s.kept;
    a.nKept = 0;
    a.rowPair = k.m_rowPair.data();
    for (int axis = 0; axis < 3; ++axis)
        a.rowPower[axis] = k.m_rowPower[axis].data();
    a.keptValue = s.args;
    a.coef = k.m_coefRows.data();
    a.nBlocks = k.m_nMOsPad / kLanes;
    a.nMOsPad = k.m_nMOsPad;
    a.mo = s.mo;
    a.wide = k.m_bWide;
    // The values alone by rows where eight lanes permute in one instruction.
    const auto run = [&] { (level == 0 && k.m_bRows) ? RunRows(a) : RunKernel(a); };
    run();
    // Where every primitive is screened out the density and its gradient would
    // be exactly 0, and a path that follows the gradient from there (the
    // uphill membership test of a ray far out) could not move. Such points
    // take every primitive: their values stay the tiny true ones.
    if (screen && a.nKept == 0) {
        a.pairCut2 = k.m_pairCut2[5].data();
        run();
    }
    s.nKept = a.nKept;
    return level;
}

int CWavefunction::EvaluatePrimitives(CVector point, int level) {
    CountEvaluation();
    // The arrays change, so the field evaluation's cache no longer describes
    // them; Evaluate validates it again after its own call.
    m_bCacheValid = false;
    // Without records or working memory there is nothing to evaluate into; the
    // field evaluation reports this as a failed evaluation.
    if (!PrepareEvaluation()) return 0;
    CKernelScratch& s = m_ownScratch;
    level = RunKernelAt(m_kernel, s, point, level, m_bScreening, m_pAtomData->m_pPositions.data());
    m_nKernelKept = s.nKept;

    CopyOrbitalRows(*this, s.mo, level);
    return 1;
}
