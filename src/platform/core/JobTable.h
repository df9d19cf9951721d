#pragma once
// The job table: which body the worker runs for a job type. A launcher names a
// job by its type and object (g_nJobType, g_pJobObject); the worker looks the
// body up here. The subsystems register their bodies at start-up; a type with
// no body runs nothing, so its progress dialog closes at once.

#include <functional>

namespace zel {

enum JobType : int {
    kJobSearchFromNuclei = 1,        // CCritPointDlg::SearchFromNuclei
    kJobSearchFromMaximaPairs = 2,   // CCritPointDlg::SearchFromMaximaPairs
    kJobSearchFromMaximaTriples = 3, // CCritPointDlg::SearchFromMaximaTriples
    kJobBondPaths = 4,               // CMolGraphDlg::ComputeBondPaths
    kJobRingCagePaths = 5,           // CMolGraphDlg::ComputeRingCagePaths
    kJobRingBondPaths = 6,           // CMolGraphDlg::ComputeRingBondPaths
    kJobIntegrateBetaSphere = 7,     // CIntegrationDlg::IntegrateBetaSphere
    kJobIntegrateNatural = 8,        // CIntegrationDlg::IntegrateNatural
    kJobIntegrateSurface = 9,        // CSurfIntegDlg::IntegrateSurface
    kJobSearchOnGrid = 10,           // CCritPointDlg::SearchOnGrid
    kJobIntegrateRadial = 11,        // CIntegrationDlg::IntegrateRadial
    kJobEnvelopeCalculate = 12,      // CEnvelop::Calculate, then UpdateMap; on failure the grid is dropped
    kJobEnvelopeRefine = 13,         // CEnvelop::Refine, then UpdateMap
    kJobComputePlot = 99,            // CPlot::Compute (virtual)
    kJobTask = 100,                  // a std::function<void()> of the launcher (CComputeDlg::RunTask)
};

// A job body gets the job object the launcher passed.
using JobBody = std::function<void(void* jobObject)>;

// Registers (or replaces) the body of a job type; an empty body removes it.
void RegisterJobBody(int type, JobBody body);

// Registers a member function of the job object's class as the body.
template <class T, class R> void RegisterJobMethod(int type, R (T::*method)()) {
    RegisterJobBody(type, [method](void* object) { (static_cast<T*>(object)->*method)(); });
}

bool HasJobBody(int type);

// Runs the body of the type with the object; false when the type has no body.
// The table lock is not held while the body runs.
bool RunJobBody(int type, void* jobObject);

} // namespace zel
