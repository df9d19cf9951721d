#pragma once
// Evaluation from several threads at once. An evaluator has working memory of
// its own and reads only the wavefunction's records and kernel layout, so any
// number of them can evaluate one wavefunction concurrently while nothing
// changes the wavefunction. Results equal those of CWavefunction::Evaluate at
// the same point and request.

#include <functional>
#include <vector>

#include "wavefunction/Wavefunction.h"

class CEvaluator {
public:
    // The wavefunction must have its evaluation prepared (PrepareEvaluation)
    // and outlive the evaluator.
    explicit CEvaluator(const CWavefunction& w);
    ~CEvaluator();
    CEvaluator(const CEvaluator&) = delete;
    CEvaluator& operator=(const CEvaluator&) = delete;

    // As CWavefunction::Evaluate; a repeated point reuses the last kernel call
    // where its level suffices. Counts kernel calls in g_nEvaluations, a few
    // hundred at a time and the rest when the evaluator ends (one shared
    // counter touched at every point would keep the cores waiting on each
    // other). Returns 0 when the wavefunction is not prepared or has no records.
    int Evaluate(CEvalRequest request);
    // Forgets the last point, so that the next call runs the kernel.
    void Forget() { m_bValid = false; }

private:
    const CWavefunction& m_w;
    CAlignedVector<double> m_prim; // the primitive table, one aligned block
    CAlignedVector<double> m_mo;
    std::vector<CVector> m_nucDelta, m_nucVec;
    std::vector<double> m_nucDistSq, m_nucDist;
    CAlignedVector<double> m_pairExp, m_args;
    std::vector<int> m_keptPairs;
    std::vector<int> m_kept;
    CKernelScratch m_scratch;
    bool m_bValid = false;
    CVector m_lastPoint;
    int m_nLastLevel = -1;
    int m_nUncounted = 0; // kernel calls not yet added to g_nEvaluations
};

namespace zel {

// Runs body(i, evaluator) for every i in [0, count) on `threads` threads (0:
// one per core), each with an evaluator of its own that has forgotten its last
// point before each i, so that what body computes for i does not depend on the
// thread or the order: the results are those of one thread, bit for bit. Body
// writes only what belongs to i. The cancel flag is polled between small
// chunks of indices. Returns false when cancelled (some indices were not run)
// or when the wavefunction cannot be evaluated (none were). An exception
// thrown by body stops the loop and is rethrown here.
bool ForEachPoint(CWavefunction& w, int count, const std::function<void(int, CEvaluator&)>& body,
                  int threads = 0);

} // namespace zel
