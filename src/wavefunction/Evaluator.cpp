// Evaluators for further threads and the parallel loop over points.

#include "wavefunction/Evaluator.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/core/JobState.h"
#include "wavefunction/FieldSums.h"

CEvaluator::CEvaluator(const CWavefunction& w) : m_w(w) {
    const CKernelLayout& k = w.m_kernel;
    const std::size_t prims = CKernelLayout::PadPrims(k.m_nPrims);
    m_prim.assign(36 * prims, 0.0);
    for (int c = 0; c < 36; ++c)
        m_scratch.prim[c] = m_prim.data() + c * prims;
    m_mo.assign(36 * static_cast<std::size_t>(k.m_nMOsPad), 0.0);
    m_nucDelta.assign(k.m_nNuclei, CVector());
    m_nucVec.assign(k.m_nNuclei, CVector());
    m_nucDistSq.assign(k.m_nNuclei, 0.0);
    m_nucDist.assign(k.m_nNuclei, 0.0);
    m_pairExp.assign(k.m_nSlots, 0.0);
    m_args.assign(std::max<std::size_t>(k.m_nSlots, prims), 0.0);
    m_keptPairs.assign(k.m_nNuclei, 0);
    m_kept.assign(prims, 0);
    m_scratch.mo = m_mo.data();
    m_scratch.nucDelta = m_nucDelta.data();
    m_scratch.nucDistSq = m_nucDistSq.data();
    m_scratch.pairExp = m_pairExp.data();
    m_scratch.args = m_args.data();
    m_scratch.keptPairs = m_keptPairs.data();
    m_scratch.kept = m_kept.data();
}

CEvaluator::~CEvaluator() {
    if (m_nUncounted > 0) g_nEvaluations.fetch_add(m_nUncounted, std::memory_order_relaxed);
}

int CEvaluator::Evaluate(CEvalRequest request) {
    const int level = RequiredLevel(request);
    if (!(m_bValid && request.point == m_lastPoint && level <= m_nLastLevel)) {
        if (++m_nUncounted == 256) {
            g_nEvaluations.fetch_add(m_nUncounted, std::memory_order_relaxed);
            m_nUncounted = 0;
        }
        m_bValid = false;
        if (!m_w.m_kernel.m_bReady || !m_w.IsLoaded()) return 0;
        RunKernelAt(m_w.m_kernel, m_scratch, request.point, level, m_w.m_bScreening,
                    m_w.m_pAtomData->m_pPositions.data());
        m_bValid = true;
        m_lastPoint = request.point;
        m_nLastLevel = level;
    }
    double unusedValue = 0.0;
    if (!request.value) request.value = &unusedValue;
    // Any other field index gets the zero field with zero derivatives, which
    // is what CWavefunction::Evaluate's differences of it give.
    EvaluateFromOrbitals(m_w, request, m_mo.data(), m_nucVec.data(), m_nucDist.data());
    return 1;
}

namespace zel {

bool ForEachPoint(CWavefunction& w, int count, const std::function<void(int, CEvaluator&)>& body, int threads) {
    if (count <= 0) return true;
    if (!w.PrepareEvaluation()) return false;
    int n = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // Chunks of 16 to 256 indices, some 64 per thread: large enough that the
    // threads rarely meet at the shared index, small enough to balance the
    // load and to poll the cancel flag often.
    const int kChunk = std::clamp(count / (64 * n), 16, 256);
    const int chunks = (count + kChunk - 1) / kChunk;
    n = std::min(n, chunks);

    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&] {
        try {
            CEvaluator evaluator(w);
            while (!stop.load(std::memory_order_relaxed)) {
                if (IsCancelRequested()) {
                    cancelled = true;
                    stop = true;
                    break;
                }
                const int first = next.fetch_add(kChunk, std::memory_order_relaxed);
                if (first >= count) break;
                const int last = std::min(count, first + kChunk);
                for (int i = first; i < last; ++i) {
                    evaluator.Forget();
                    body(i, evaluator);
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(failureLock);
            if (!failure) failure = std::current_exception();
            stop = true;
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(n - 1);
    // A thread the system refuses leaves the work to those already running:
    // the results do not depend on how many there are.
    for (int t = 1; t < n; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& t : pool)
        t.join();
    if (failure) std::rethrow_exception(failure);
    return !cancelled;
}

} // namespace zel
