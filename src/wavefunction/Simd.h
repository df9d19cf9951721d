#pragma once
// Eight-double vectors for the evaluation's hot loops, compiled per instruction
// set through function clones. Internal to the wavefunction library.

#include "wavefunction/KernelLayout.h"

// The helpers are always inlined into the cloned functions that use them; no
// vector value crosses a call boundary, so GCC's ABI note on them does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

#define ZEL_INLINE inline __attribute__((always_inline))
// A build may define ZEL_CLONES empty to get baseline code only.
#ifndef ZEL_CLONES
#define ZEL_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#endif

namespace zelsimd {

typedef double v8d __attribute__((vector_size(64)));
typedef unsigned long long v8u __attribute__((vector_size(64)));
// Unaligned access typed as double, so that the compiler knows these stores do
// not touch the pointers and counts they are computed from.
typedef double v8du __attribute__((vector_size(64), aligned(8)));

constexpr int kLanes = CKernelLayout::kLanes;

ZEL_INLINE v8d Load(const double* p) {
    return *reinterpret_cast<const v8du*>(p);
}
ZEL_INLINE void Store(double* p, const v8d& v) {
    *reinterpret_cast<v8du*>(p) = v;
}
ZEL_INLINE v8d Splat(double s) {
    return v8d{} + s;
}
typedef unsigned long long v4u __attribute__((vector_size(32)));
typedef unsigned long long v2u __attribute__((vector_size(16)));

// Lane-wise OR and sum of a mask's eight lanes, by halving (no lane-by-lane
// extraction).
ZEL_INLINE unsigned long long OrLanes(const v8u& m) {
    const v4u a = __builtin_shufflevector(m, m, 0, 1, 2, 3) | __builtin_shufflevector(m, m, 4, 5, 6, 7);
    const v2u b = __builtin_shufflevector(a, a, 0, 1) | __builtin_shufflevector(a, a, 2, 3);
    return b[0] | b[1];
}
ZEL_INLINE unsigned long long AddLanes(const v8u& m) {
    const v4u a = __builtin_shufflevector(m, m, 0, 1, 2, 3) + __builtin_shufflevector(m, m, 4, 5, 6, 7);
    const v2u b = __builtin_shufflevector(a, a, 0, 1) + __builtin_shufflevector(a, a, 2, 3);
    return b[0] + b[1];
}

// Sum of the eight lanes in a fixed order.
ZEL_INLINE double Sum(const v8d& v) {
    return ((v[0] + v[1]) + (v[2] + v[3])) + ((v[4] + v[5]) + (v[6] + v[7]));
}

// Lane k of the result is Sum(v[k]) for eight vectors, bit for bit (the same
// additions, done for all eight vectors at once: neighbouring lanes, then
// neighbouring pairs, then the halves).
ZEL_INLINE v8d SumEight(const v8d* v) {
    typedef long long v8l __attribute__((vector_size(64)));
    const v8l even = {0, 2, 4, 6, 8, 10, 12, 14}, odd = {1, 3, 5, 7, 9, 11, 13, 15};
#if defined(__clang__)
    (void)even;
    (void)odd;
    const auto fold = [&](const v8d& a, const v8d& b) __attribute__((always_inline)) {
        return __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14) +
               __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
    };
#else
    const auto fold = [&](const v8d& a, const v8d& b) __attribute__((always_inline)) {
        return __builtin_shuffle(a, b, even) + __builtin_shuffle(a, b, odd);
    };
#endif
    const v8d ab = fold(v[0], v[1]), cd = fold(v[2], v[3]), ef = fold(v[4], v[5]), gh = fold(v[6], v[7]);
    return fold(fold(ab, cd), fold(ef, gh));
}

} // namespace zelsimd
