#pragma once
// Molecules for the integration tests: hand-made s-Gaussian systems with
// closed forms, and the real fixtures with their critical points and bond
// paths, ready for the basin jobs.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../analysis/AnalysisTestUtil.h"
#include "analysis/Atom.h"
#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "integration/BasinJob.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "platform/core/WorkerThread.h"

namespace integrationtest {

inline std::string FixturePath(const std::string& name) {
    return std::string(ZELMORA_TEST_DATA) + "/" + name;
}

// One doubly occupied orbital c (g_1 + g_2 + ...) of s Gaussians of one
// exponent, on hydrogen nuclei, normalised: the density holds two electrons.
inline std::string SGaussiansWfn(const std::vector<CVector>& centres, double alpha) {
    const int n = static_cast<int>(centres.size());
    // <g_i|g_j> = (pi / 2a)^{3/2} exp(-a d^2 / 2)
    double norm = 0.0;
    for (const CVector& a : centres)
        for (const CVector& b : centres)
            norm += std::pow(std::numbers::pi / (2.0 * alpha), 1.5) *
                    std::exp(-alpha * ((a - b) * (a - b)) / 2.0);
    const double c = 1.0 / std::sqrt(norm);
    char line[200];
    std::string text = "s Gaussians\n";
    std::snprintf(line, sizeof line, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI\n", 1, n, n);
    text += line;
    for (int i = 0; i < n; ++i) {
        const std::string label = "  H    " + std::to_string(i + 1);
        std::snprintf(line, sizeof line, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f\n",
                      label.c_str(), i + 1, centres[i].x, centres[i].y, centres[i].z, 1.0);
        text += line;
    }
    text += "CENTRE ASSIGNMENTS  ";
    for (int i = 0; i < n; ++i)
        text += "  " + std::to_string(i + 1);
    text += "\nTYPE ASSIGNMENTS    ";
    for (int i = 0; i < n; ++i)
        text += "  1";
    text += "\nEXPONENTS ";
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, " %13.7E", alpha);
        text += line;
    }
    std::snprintf(line, sizeof line, "\nMO%3d                     OCC NO = %12.8f ORB. ENERGY = %12.8f\n", 1,
                  2.0, -0.5);
    text += line;
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%16.8E", c);
        text += line;
    }
    text += "\nEND DATA\n";
    std::snprintf(line, sizeof line, "RHF      ENERGY =%20.10f   VIRIAL(-V/T)  =%13.8f\n", -1.0, 2.0);
    text += line;
    return text;
}

inline void LoadText(CMolecule& molecule, const std::string& text) {
    std::istringstream in(text);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scopedPrompts(prompts);
    zel::CScriptedTitles titles;
    titles.PushAnswer("Integration test");
    zel::ScopedTitleService scopedTitles(titles);
    ASSERT_EQ(molecule.LoadWavefunction(in), 1) << testing::PrintToString(prompts.Texts());
}

inline void LoadFixture(CMolecule& molecule, const std::string& name) {
    std::ifstream in(FixturePath(name));
    ASSERT_TRUE(in.good()) << name;
    std::stringstream text;
    text << in.rdbuf();
    LoadText(molecule, text.str());
}

// The total energy the wavefunction file states.
inline double FileEnergy(const std::string& name) {
    std::ifstream in(FixturePath(name));
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find("ENERGY =");
        if (line.rfind("RHF", 0) == 0 && at != std::string::npos) return std::stod(line.substr(at + 8));
    }
    return 0.0;
}

using analysistest::CQuietProgress;

// Critical points of the density from the nuclei and the pairs and triples
// of maxima, and the bond paths.
inline void SearchGraph(CMolecule& molecule) {
    analysistest::SearchAll(molecule);
    zel::CTextRecord log;
    CQuietProgress quiet;
    CalcBondPaths(molecule, log, quiet);
}

inline CAtom* AtomAt(CMolecule& molecule, int index) {
    auto it = molecule.GetAtomList().begin();
    std::advance(it, index);
    return it->get();
}

// Marks the atom's set B as the beta sphere of the job's radius, window and
// factor, so that the natural job goes straight to the basin.
inline void MarkBetaSphereDone(const CBasinJobSettings& settings) {
    CBasinResults& sphere = settings.Atom->m_ResultsB;
    sphere.Method = settings.Radius;
    sphere.PhiFrom = settings.PhiLower;
    sphere.PhiTo = settings.PhiUpper;
    sphere.SymmetryFactor = settings.Factor;
}

// A job run directly on this thread; its messages are recorded.
struct SJobRun {
    std::vector<std::string> messages;
};

enum class Job { BetaSphere, Natural, Radial };

inline SJobRun RunJob(CBasinJob& job, Job which) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    g_bCancel = 0;
    switch (which) {
    case Job::BetaSphere:
        job.IntegrateBetaSphere();
        break;
    case Job::Natural:
        job.IntegrateNatural();
        break;
    case Job::Radial:
        job.IntegrateRadial();
        break;
    }
    g_bCancel = 0;
    return {prompts.Texts()};
}

// Runs the job object of `type` on a worker thread until `ready` holds (a
// minute at most), expects it still running with a status line that starts
// with `status` and its progress within 0 to 100, then cancels it and expects
// it to end within half a second. The cancel flag is clear again on return.
inline void CancelJobUnderWay(int type, void* job, const std::function<bool()>& ready,
                              const std::string& status) {
    using namespace std::chrono_literals;
    g_bCancel = 0;
    SetStatusText("");
    zel::CWorkerThread worker;
    std::string error;
    ASSERT_TRUE(worker.Start([&] { zel::RunJobBody(type, job); }, {}, error)) << error;
    const auto start = std::chrono::steady_clock::now();
    while (!ready() && std::chrono::steady_clock::now() - start < 60s)
        std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(worker.IsFinished());
    EXPECT_EQ(GetStatusText().rfind(status, 0), 0u) << GetStatusText();
    EXPECT_GE(g_nProgress, 0);
    EXPECT_LE(g_nProgress, 100);

    g_bCancel = 1;
    EXPECT_TRUE(worker.WaitFinished(500ms));
    worker.Join();
    g_bCancel = 0;
}

} // namespace integrationtest
