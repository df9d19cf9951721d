#pragma once
// Derived arrays of the primitive and orbital kernel, kept with the working
// memory: sized by CWavefunction::AllocWorkingMemory from the counts alone and
// filled from the records at the first evaluation after it (the document load
// allocates before it reads the records). The records stay as they are; these
// are the kernel's own vector-friendly copies and per-call scratch.

#include <cstddef>
#include <new>
#include <vector>

// 64-byte aligned storage, so that one vector of eight doubles never straddles
// two cache lines.
template <class T> struct CAlignedAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};

    CAlignedAllocator() noexcept = default;
    template <class U> CAlignedAllocator(const CAlignedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, kAlignment); }

    template <class U> bool operator==(const CAlignedAllocator<U>&) const noexcept { return true; }
};

template <class T> using CAlignedVector = std::vector<T, CAlignedAllocator<T>>;

struct CKernelLayout {
    // Primitive and MO arrays are padded to whole vectors of this many doubles.
    static constexpr int kLanes = 8;
    static constexpr int Pad(int n) { return (n + kLanes - 1) / kLanes * kLanes; }
    // Per-primitive arrays hold one group more, so that a group of eight that
    // starts anywhere inside the last type run stays in bounds.
    static constexpr int PadPrims(int n) { return Pad(n) + kLanes; }

    bool m_bReady = false; // filled from the records since the last allocation
    bool m_bWide = false;  // two MO blocks per contraction pass (AVX-512 has the registers)

    int m_nPrims = 0;
    int m_nMOs = 0;
    int m_nMOsPad = 0;
    int m_nPairs = 0; // distinct (centre, exponent) pairs: one exponential each
    int m_nPairsPad = 0;
    // Primitives [0, m_nEvaluated) lie in the type runs the kernel evaluates;
    // the rest (types 21-35 under a type count below 35) contribute nothing.
    int m_nEvaluated = 0;
    int m_runBegin[35] = {};
    int m_runEnd[35] = {};

    // Pairs: -alpha and the centre, padded with zeros.
    CAlignedVector<double> m_pairNegAlpha;
    CAlignedVector<double> m_pairX, m_pairY, m_pairZ;
    CAlignedVector<double> m_pairExp; // per call: exp(-alpha r^2)

    // Primitives, padded to whole groups of eight.
    std::vector<int> m_primPair;                            // pair of each primitive
    CAlignedVector<double> m_centreX, m_centreY, m_centreZ; // its centre
    CAlignedVector<double> m_primMinus2Alpha;
    CAlignedVector<double> m_primLive; // 1, or 0 for padding and primitives not evaluated
    CAlignedVector<double> m_primExp;  // per call
    std::vector<int> m_active;         // per call from level 2: primitives whose exponential is not 0

    // Coefficients transposed into blocks of eight MOs: element
    // (b * Pad(nPrims) + p) * 8 + w holds c(8b + w, p), zero for padding.
    CAlignedVector<double> m_coefBlocks;
    // Occupation numbers, zero for the padding MOs.
    CAlignedVector<double> m_occupations;
    // Contracted MO components, component-major: component i of MO k at
    // i * nMOsPad + k (numbering of the kernel's component table).
    CAlignedVector<double> m_mo;
};
