#include "numerics/Options.h"

#include "platform/core/Archive.h"

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

namespace {
template <class T> void Exchange(zel::CArchive& ar, COptionPair<T>& option) {
    if (ar.IsStoring()) {
        ar << option.Current;
    } else {
        ar >> option.Current;
    }
}
} // namespace

void SerializeOptionBlock(zel::CArchive& ar, CLAOptions& la, CCritOptions& crit, CDEOptions& de,
                          CIntegOptions& integ, CSurfIntOptions& surf) {
    Exchange(ar, la.MaxQLIterations);
    Exchange(ar, la.PivotThreshold);
    Exchange(ar, crit.MinDistance);
    Exchange(ar, crit.StepTolerance);
    Exchange(ar, crit.GradientTolerance);
    Exchange(ar, crit.MaxIterations);
    Exchange(ar, crit.StepFactor);
    Exchange(ar, de.PointDistance);
    Exchange(ar, de.AbsAccuracy);
    Exchange(ar, de.RelAccuracy);
    Exchange(ar, de.MaxPathLength);
    Exchange(ar, de.MinCritPointDistance);
    Exchange(ar, de.MaxBisections);
    Exchange(ar, integ.SphereRadius);
    Exchange(ar, integ.StopS);
    Exchange(ar, integ.AbsAccuracy);
    Exchange(ar, integ.RelAccuracy);
    Exchange(ar, integ.RayStep);
    Exchange(ar, integ.StopR);
    Exchange(ar, integ.MaxIntersections);
    Exchange(ar, surf.CircleRadius);
    Exchange(ar, surf.StopS);
    Exchange(ar, surf.AbsAccuracy);
    Exchange(ar, surf.RelAccuracy);
}
