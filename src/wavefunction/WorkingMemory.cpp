// The evaluation's working memory: allocated once per loaded wavefunction so
// that no evaluation allocates.

#include <new>
#include <stdexcept>

#include "wavefunction/Wavefunction.h"

namespace {

// Allocation failures are reported through the result, not an exception, so
// that every array is attempted and the caller gets the one message.
template <class Vector> bool Allocate(Vector& v, int count) {
    try {
        v.assign(count > 0 ? static_cast<std::size_t>(count) : 0, typename Vector::value_type{});
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    Vector().swap(v);
    return false;
}

template <class Vector> void Release(Vector& v) {
    Vector().swap(v);
}

} // namespace

int CWavefunction::AllocWorkingMemory(int nNuclei, int nMOs, int nPrims) {
    const int prims = CKernelLayout::PadPrims(nPrims > 0 ? nPrims : 0);
    bool ok = true;
    ok &= Allocate(m_pNucDelta, nNuclei);
    ok &= Allocate(m_pNucVec, nNuclei);
    ok &= Allocate(m_pNucDistSq, nNuclei);
    ok &= Allocate(m_pNucDist, nNuclei);
    for (auto& component : m_pPrim)
        ok &= Allocate(component, prims);
    ok &= Allocate(m_pMOValue, nMOs);
    ok &= Allocate(m_pMOGradient, nMOs);
    ok &= Allocate(m_pMOLaplacian, nMOs);
    ok &= Allocate(m_pMOHessian, nMOs);
    for (auto& component : m_pMOThird)
        ok &= Allocate(component, nMOs);
    for (auto& component : m_pMOFourth)
        ok &= Allocate(component, nMOs);

    CKernelLayout& k = m_kernel;
    k.m_bReady = false;
    k.m_nPrims = nPrims > 0 ? nPrims : 0;
    k.m_nMOs = nMOs > 0 ? nMOs : 0;
    k.m_nMOsPad = CKernelLayout::Pad(k.m_nMOs);
    for (auto* v : {&k.m_centreX, &k.m_centreY, &k.m_centreZ, &k.m_primMinus2Alpha})
        ok &= Allocate(*v, prims);
    ok &= Allocate(k.m_primPair, prims);
    // Pair slots: at most one group of eight per nucleus beyond one per
    // primitive, and the zero group.
    const long long slots = static_cast<long long>(prims) + 8LL * (nNuclei > 0 ? nNuclei : 0) + 8;
    ok &= slots <= 0x7fffffffLL && Allocate(m_kernelPairExp, static_cast<int>(slots));
    ok &= slots <= 0x7fffffffLL && Allocate(m_kernelArgs, static_cast<int>(slots));
    ok &= Allocate(m_kernelKeptPairs, nNuclei);
    ok &= Allocate(m_kernelKept, prims);
    const long long coefficients = static_cast<long long>(k.m_nMOsPad) * CKernelLayout::Pad(k.m_nPrims);
    ok &= coefficients <= 0x7fffffffLL && Allocate(k.m_coefRows, static_cast<int>(coefficients));
    ok &= Allocate(k.m_occupations, k.m_nMOsPad);
    ok &= Allocate(m_kernelMO, 36 * k.m_nMOsPad);

    SetOwnScratch();
    // Whatever the arrays held before, the cache cannot describe them now.
    m_bCacheValid = false;
    m_bWorkingMemory = ok;
    if (!ok) {
        m_strError = "Not enough working memory";
        return 0;
    }
    return 1;
}

void CWavefunction::FreeWorkingMemory() {
    Release(m_pNucDelta);
    Release(m_pNucVec);
    Release(m_pNucDistSq);
    Release(m_pNucDist);
    for (auto& component : m_pPrim)
        Release(component);
    Release(m_pMOValue);
    Release(m_pMOGradient);
    Release(m_pMOLaplacian);
    Release(m_pMOHessian);
    for (auto& component : m_pMOThird)
        Release(component);
    for (auto& component : m_pMOFourth)
        Release(component);
    m_kernel = CKernelLayout();
    Release(m_kernelMO);
    Release(m_kernelPairExp);
    Release(m_kernelArgs);
    Release(m_kernelKeptPairs);
    Release(m_kernelKept);
    m_bWorkingMemory = false;
    m_bCacheValid = false;
    m_bLastAtomB = 0;
    SetOwnScratch();
}

bool CWavefunction::HasWorkingMemory() const {
    return m_bWorkingMemory;
}

void CWavefunction::SetOwnScratch() {
    CKernelScratch& s = m_ownScratch;
    for (int c = 0; c < 36; ++c)
        s.prim[c] = m_pPrim[c].data();
    s.mo = m_kernelMO.data();
    s.nucDelta = m_pNucDelta.data();
    s.nucDistSq = m_pNucDistSq.data();
    s.pairExp = m_kernelPairExp.data();
    s.args = m_kernelArgs.data();
    s.keptPairs = m_kernelKeptPairs.data();
    s.kept = m_kernelKept.data();
}
