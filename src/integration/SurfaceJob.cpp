#include "integration/SurfaceJob.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "integration/Quadrature.h"
#include "integration/SurfaceQuadrature.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"

namespace {

constexpr double kRadians = 0.017453292519943295; // pi / 180
// The surface integrand of the area is 1e-12 inside the 0.001 isosurface.
constexpr int kAreaProperty = 24;
constexpr std::size_t kWorkArraySize = CSurfaceRecord::kResults + 1;

using Clock = std::chrono::steady_clock;

// The bond point's path-integral cache for the length of a job: a launcher
// may have allocated it already (and frees it itself), otherwise the job does.
class CWorkArrayScope {
public:
    explicit CWorkArrayScope(CSurfaceRecord& record) : m_record(record) {
        if (record.WorkArray.size() < kWorkArraySize) {
            record.WorkArray.assign(kWorkArraySize, -1.0);
            m_bOwned = true;
        }
    }
    ~CWorkArrayScope() {
        if (m_bOwned) std::vector<double>().swap(m_record.WorkArray);
    }
    CWorkArrayScope(const CWorkArrayScope&) = delete;
    CWorkArrayScope& operator=(const CWorkArrayScope&) = delete;

private:
    CSurfaceRecord& m_record;
    bool m_bOwned = false;
};

} // namespace

double CSurfaceJobSettings::ProposedFactor() const {
    double width = PhiUpper - PhiLower;
    if (PhiLower > PhiUpper) width += 360.0;
    // Borders a whole turn apart the other way round (360 to 0) meet as well.
    if (PhiLower == PhiUpper || width == 0.0) return 2.0 * std::numbers::pi;
    return 360.0 / width;
}

void CSurfaceJobSettings::FindAtoms() {
    AtomA = AtomB = nullptr;
    if (!Bond) return;
    const CMolecule* molecule = Bond->GetMolecule();
    if (!molecule) return;
    // In the order a reopened document has the paths, so that A and B, and
    // with them the stored results of each, stay the same atoms.
    for (const CGradPath* path : molecule->OrderedPathList(*Bond, true)) {
        if (!path || path->GetFieldIndex() != 0) continue;
        const CCritPoint* end = path->GetEndPoint();
        if (!end) continue;
        CAtom* atom = end->GetType() == -3 ? static_cast<const CMaxPoint*>(end)->GetAtom() : nullptr;
        if (!AtomA)
            AtomA = atom;
        else
            AtomB = atom;
    }
}

void CSurfaceJob::IntegrateSurface() {
    CBondPoint* bond = Settings.Bond;
    CMolecule* molecule = bond ? bond->GetMolecule() : nullptr;
    const double R = Settings.Radius;
    if (!molecule || !(R > 0.0)) return;

    const Clock::time_point start = Clock::now();
    g_nEvaluations = 0;
    g_nProgress = 0;
    CSurfaceRecord& record = bond->m_Surface;
    const int n = molecule->GetSelectedValueCount(false);

    // The new results replace the record's only once they are complete: a
    // cancelled or failed run leaves the previous ones as they were.
    std::vector<double> results(CSurfaceRecord::kResults, 0.0);
    bool ok = false;
    {
        CWorkArrayScope cache(record);
        CSurfaceQuadrature quadrature(*molecule);
        ok = quadrature.IntegrateSurface(*bond, Settings.PhiLower * kRadians, Settings.PhiUpper * kRadians, R,
                                         n, results.data(), Settings.AtomA, Settings.AtomB) == 1;
    }

    if (ok) {
        const CSurfIntOptions& options = molecule->GetSurfIntOptions();
        record.CircleRadius = R;
        record.StopS = options.StopS;
        record.AbsAccuracy = options.AbsAccuracy;
        record.RelAccuracy = options.RelAccuracy;
        record.PhiFrom = Settings.PhiLower;
        record.PhiTo = Settings.PhiUpper;
        record.SymmetryFactor = Settings.Factor;
        record.Results = std::move(results);
        for (int j = 0; j < n; ++j)
            record.Results[static_cast<std::size_t>(j)] *= Settings.Factor;
        if (molecule->IsSurfacePropertySelected(kAreaProperty))
            record.Results[static_cast<std::size_t>(n - 1)] *= 1e12;
        record.Evaluations = g_nEvaluations;
        record.CPUTime = std::chrono::duration<double>(Clock::now() - start).count();
    } else {
        zel::ShowMessageBox(kSurfaceFailed);
    }
    if (OnResultsChanged) OnResultsChanged();
}

void RegisterSurfaceJob() {
    zel::RegisterJobMethod(zel::kJobIntegrateSurface, &CSurfaceJob::IntegrateSurface);
}
