#pragma once
// Derived arrays of the primitive and orbital kernel, kept with the working
// memory: sized by CWavefunction::AllocWorkingMemory from the counts alone and
// filled from the records at the first evaluation after it (the document load
// allocates before it reads the records). The records stay as they are; these
// are the kernel's own vector-friendly copies and per-call scratch.

#include <cstddef>
#include <new>
#include <vector>

#include "numerics/Vector.h"

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
    // A primitive is left out at a point where no component up to the call's
    // level can reach this much in any MO (coefficient times primitive): far
    // below what any printed or stored value can show.
    static constexpr double kScreenTolerance = 1e-26;

    bool m_bReady = false; // filled from the records since the last allocation
    bool m_bWide = false;  // two MO blocks per contraction pass (AVX-512 has the registers)
    bool m_bRows = false;  // the values alone row by row (AVX-512 permutes lanes in one instruction)

    int m_nPrims = 0;
    int m_nMOs = 0;
    int m_nMOsPad = 0;
    int m_nNuclei = 0;
    // Primitives [0, m_nEvaluated) lie in the type runs the kernel evaluates;
    // the rest (types 21-35 under a type count below 35) contribute nothing.
    int m_nEvaluated = 0;
    int m_runBegin[35] = {};
    int m_runEnd[35] = {};

    // Primitives in record order, padded to whole groups of eight.
    CAlignedVector<double> m_centreX, m_centreY, m_centreZ; // its centre
    CAlignedVector<double> m_primMinus2Alpha;
    std::vector<int> m_primPair; // its pair slot; the zero slot for padding and primitives left out

    // Distinct (centre, exponent) pairs, one exponential each: the pairs of a
    // nucleus by increasing exponent in slots from m_centreSlots[c], padded to
    // a whole group of eight; one more group at the end stays 0 (the zero slot
    // is its first).
    int m_nSlots = 0;
    int m_zeroSlot = 0;
    std::vector<int> m_centreSlots;     // nNuclei + 1
    CAlignedVector<double> m_pairNegAlpha; // -alpha, 0 in padding
    // Per level (and, as level 5, without screening): the pair is kept while
    // r^2 is below this; non-increasing along a nucleus's pairs, -1 in padding,
    // so that the kept pairs of a nucleus are a prefix.
    CAlignedVector<double> m_pairCut2[6];
    std::vector<int> m_pairRowEnd; // end of the pair's contraction rows

    // Contraction rows: the evaluated primitives ordered by centre, then by
    // exponent, then record order; the primitives of one pair are adjacent.
    std::vector<int> m_rowPrim;    // record index of each row
    std::vector<int> m_centreRows; // nNuclei + 1: first row of each nucleus
    // Per row, a group more in padding (0): its pair counted from its
    // nucleus's first slot, and the powers of x, y and z of its type.
    CAlignedVector<unsigned long long> m_rowPair;
    CAlignedVector<unsigned long long> m_rowPower[3];

    // Coefficients by primitive: element p * m_nMOsPad + k holds c(k, p), zero
    // for the padding MOs and primitives.
    CAlignedVector<double> m_coefRows;
    // Occupation numbers, zero for the padding MOs.
    CAlignedVector<double> m_occupations;
};

// What one evaluating thread writes: the primitive table, the contracted MO
// components and the per-call lists. The wavefunction has one set for the
// calls of its own thread; every further evaluating thread has its own.
struct CKernelScratch {
    // Component-major primitive table: component i of primitive p at
    // prim[i][p], record order. Left uninitialised: whoever sets up a scratch
    // sets all 36 (the wavefunction does so on every call).
    double* prim[36];
    // Contracted MO components, component-major: component i of MO k at
    // i * nMOsPad + k (numbering of the kernel's component table).
    double* mo = nullptr;
    // Per nucleus: r - R and |r - R|^2.
    CVector* nucDelta = nullptr;
    double* nucDistSq = nullptr;
    // Per call: exp(-alpha r^2) per pair slot (0 where screened), and the
    // record indices of the primitives kept, nKept of them.
    double* pairExp = nullptr;
    int* kept = nullptr;
    // Packed exponential arguments, then the exponentials; for a value-only
    // call by rows the kept primitives' values (and pairExp the packed
    // exponentials). At least as many as pairExp and as the primitive table.
    double* args = nullptr;
    int* keptPairs = nullptr; // per nucleus
    int nKept = 0;
};

// Runs the kernel at the point with the level (clamped to 0..4) into the
// scratch; with `screen` false every evaluated primitive enters every MO.
// The layout must be ready. Returns the level run. Internal to the
// wavefunction library.
int RunKernelAt(const CKernelLayout& k, CKernelScratch& s, CVector point, int level, bool screen,
                const CVector* positions);
