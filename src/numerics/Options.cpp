#include "numerics/Options.h"

namespace {
CLAOptions s_defaultLA;
CCritOptions s_defaultCrit;
CDEOptions s_defaultDE;
} // namespace

CLAOptions* g_pLAOptions = &s_defaultLA;
CCritOptions* g_pCritOptions = &s_defaultCrit;
CDEOptions* g_pDEOptions = &s_defaultDE;

void CLAOptions::Reset() {
    MaxQLIterations.Reset();
    PivotThreshold.Reset();
}

void CCritOptions::Reset() {
    MinDistance.Reset();
    StepTolerance.Reset();
    GradientTolerance.Reset();
    MaxIterations.Reset();
    StepFactor.Reset();
}

void CDEOptions::Reset() {
    PointDistance.Reset();
    AbsAccuracy.Reset();
    RelAccuracy.Reset();
    MaxPathLength.Reset();
    MinCritPointDistance.Reset();
    MaxBisections.Reset();
}

void CIntegOptions::Reset() {
    SphereRadius.Reset();
    AbsAccuracy.Reset();
    RelAccuracy.Reset();
    StopS.Reset();
    StopR.Reset();
    RayStep.Reset();
    MaxIntersections.Reset();
}

void CSurfIntOptions::Reset() {
    CircleRadius.Reset();
    AbsAccuracy.Reset();
    RelAccuracy.Reset();
    StopS.Reset();
}

void CEnvMapOptions::Reset() {
    MinValue = 0.1;
    MaxValue = 9999999.0;
    SphereSize = 0.1;
    Atoms.clear();
    SurfaceOnly = 1;
    DisplayMode = 0;
}
