#pragma once
// The surface job (job type 9): the integration over the interatomic surface
// of one bond point. It runs on the worker (zel::RunJobBody with the
// CSurfaceJob as job object) or directly, and reads what the surface
// integration dialog holds from a settings record: the phi borders in
// degrees, the symmetry factor, the circle radius and the two atoms.
//
// The job marks the bond point's surface results absent when it starts and
// present only when it succeeds; a failure (a cancel too) shows "Integration
// over interatomic surface failed!" through the prompt service. No Qt.

#include <functional>

class CAtom;
class CBondPoint;

struct CSurfaceJobSettings {
    CBondPoint* Bond = nullptr;
    // The atoms at the upper ends of the bond point's density paths; either
    // may be null.
    CAtom* AtomA = nullptr;
    CAtom* AtomB = nullptr;
    double PhiLower = 0.0;   // degrees
    double PhiUpper = 360.0; // degrees
    double Factor = 1.0;     // every stored integral is multiplied by it
    double Radius = 0.001;   // the circle about the bond point (bohr)

    // The factor that makes the part between the borders count for the
    // whole: 360 / width, the width taken across 360 when lower > upper; 2 pi
    // for equal borders (one path, no width).
    double ProposedFactor() const;
    // The atoms A and B from the bond point's density paths: A the end of the
    // first path that reaches an atom's maximum, B of the last.
    void FindAtoms();
};

class CSurfaceJob {
public:
    CSurfaceJob() = default;
    explicit CSurfaceJob(const CSurfaceJobSettings& settings) : Settings(settings) {}

    // Job type 9. Nothing happens unless the radius is positive.
    void IntegrateSurface();

    CSurfaceJobSettings Settings;
    // Called at the end of the job, on the thread that ran it, when the
    // results may have changed (the dialog refreshes its result list).
    std::function<void()> OnResultsChanged;
};

// Enters the body in the job table (type 9), taking a CSurfaceJob as job
// object.
void RegisterSurfaceJob();
