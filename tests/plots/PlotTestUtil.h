#pragma once
// Helpers of the plot tests: a plot's drawing as recorded, the plane of a
// plot, the cancel flag for a scope, a plot of one s Gaussian.

#include "../analysis/AnalysisTestUtil.h"

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "analysis/PlotPlane.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace plottest {

using Records = std::vector<std::string>;

// The records of the plot's drawing.
inline Records Draw(CPlot& plot) {
    zel::CRecordingCanvas dc;
    plot.Draw(dc);
    return dc.Records();
}

// Whether a text drawn in the records ends with text.
inline bool Shows(const Records& records, const std::string& text) {
    for (const std::string& r : records)
        if (r.rfind("TextOut ", 0) == 0 && r.size() >= text.size() &&
            r.compare(r.size() - text.size(), text.size(), text) == 0)
            return true;
    return false;
}

// The plane through a, b and c, centred at centre, width x height bohr.
inline CPlotPlane Plane(CVector a, CVector b, CVector c, CVector centre, double width, double height) {
    CPlotPlane plane;
    plane.PointA = a;
    plane.PointB = b;
    plane.PointC = c;
    plane.Centre = centre;
    plane.Width = width;
    plane.Height = height;
    return plane;
}

// Sets the cancel flag for the life of the scope, clears it after.
class ScopedCancel {
public:
    explicit ScopedCancel(int value) { g_bCancel = value; }
    ~ScopedCancel() { g_bCancel = 0; }
};

// A plot of type P over one s Gaussian at the origin, rho = 2 exp(-2 alpha
// r^2), in the xy plane, 4 x 4 bohr about the nucleus.
template <class P> class GaussianPlotTest : public ::testing::Test {
protected:
    static constexpr double kAlpha = 0.5;

    void SetUp() override {
        ASSERT_EQ(analysistest::LoadText(molecule, analysistest::OneGaussianWfn({0, 0, 0}, kAlpha)), 1);
        CPlot::ResetPlotCounter();
        plot = std::make_unique<P>(&molecule);
        ASSERT_EQ(plot->SetPlane(Plane({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, 4.0, 4.0)), 0);
    }

    static double Rho(double r) { return 2.0 * std::exp(-2.0 * kAlpha * r * r); }

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped{prompts};
    CMolecule molecule;
    std::unique_ptr<P> plot;
};

} // namespace plottest
