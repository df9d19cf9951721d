#pragma once
// The three basin jobs of one atom: the beta sphere (job type 7), the basin in
// natural coordinates (8) and in radial coordinates (11). They run on the
// worker (zel::RunJobBody with the CBasinJob as job object) or directly, and
// read what the basin integration dialog holds from a settings record: the
// angular window in whole degrees of the atom's local coordinates, the
// symmetry factor and the beta-sphere radius.
//
// Each job writes one result set of the atom (Atom.h): set B for the beta
// sphere, set A for the basin. A job puts its new set in place only when it
// succeeds: after a failure or a cancel the previous set stays as it was.
// Failures are reported in message boxes through the prompt service, and a
// cancel ends a job as a failure. The basin jobs first check the critical
// points they rely on (CritPointCheck.h) and, when these are incomplete, ask
// whether to go on; a basin obtained all the same carries the mark. No Qt.

#include <functional>

class CAtom;
class CBasinQuadrature;
class CMolecule;

struct CBasinJobSettings {
    CAtom* Atom = nullptr;
    int PhiLower = 0;     // degrees
    int PhiUpper = 360;   // degrees
    int ThetaLower = 0;   // degrees
    int ThetaUpper = 180; // degrees
    double Factor = 1.0;  // every stored integral is multiplied by it
    double Radius = 0.5;  // beta sphere (bohr)

    // The factor that makes a wedge of a molecule of matching symmetry count
    // for the whole: 360 / phi width (2 pi for a zero width) times 180 /
    // theta width (2 for a zero width).
    double ProposedFactor() const;
};

class CBasinJob {
public:
    CBasinJob() = default;
    explicit CBasinJob(const CBasinJobSettings& settings) : Settings(settings) {}

    // Job type 7: result set B over the beta sphere with the window and factor.
    void IntegrateBetaSphere();
    // Job type 8: the beta sphere (unless set B holds this radius already),
    // then the basin outside it region by region; set A = factor x regions +
    // set B.
    void IntegrateNatural();
    // Job type 11: set A over the basin along rays from the nucleus.
    void IntegrateRadial();

    CBasinJobSettings Settings;
    // Called at the end of each job, on the thread that ran it, when the
    // result sets may have changed (the dialog refreshes its result list).
    std::function<void()> OnResultsChanged;

private:
    // The job-7 body on the job's solvers; false when set B could not be
    // computed (also when the caches could not be allocated).
    bool RunBetaSphere(CAtom& atom, CMolecule& molecule, CBasinQuadrature& quadrature, bool cachesOk);
    void ResultsChanged();
};

// Enters the three bodies in the job table (types 7, 8 and 11), each taking a
// CBasinJob as job object.
void RegisterBasinJobs();
