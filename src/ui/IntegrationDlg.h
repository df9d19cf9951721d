#pragma once
// Dialog 160 "Integration over atomic basin": integrates one atom. It lists
// the nuclei and the density's critical points in the atom's local
// coordinates, to which the angular window (whole degrees) refers, proposes
// the symmetry factor of the window, and runs the beta sphere (job 7), the
// basin in natural coordinates (job 8) and in radial coordinates (job 11)
// behind the progress dialog. The result list shows both result sets of the
// atom and is refilled by each job before its progress dialog closes.
//
// A start button reads and checks the fields first: a refused field stops it,
// and no job runs. The quadrature caches are allocated around each job; when
// there is no memory for them the button says so and runs no job.

#include "integration/BasinJob.h"
#include "platform/core/TextRecord.h"
#include "platform/qt/Dialog.h"

#include <string>

class CAtom;
class CMolecule;

class CIntegrationDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 160 };
    static constexpr int kTitle = 1074;
    static constexpr int kThetaLower = 1128;
    static constexpr int kPhiLower = 1130;
    static constexpr int kPhiLowerSpin = 1131;
    static constexpr int kThetaUpper = 1132;
    static constexpr int kPhiUpper = 1134;
    static constexpr int kPhiUpperSpin = 1135;
    static constexpr int kFactor = 1136;
    static constexpr int kResultList = 1137;
    static constexpr int kIntegrateBetaSphere = 1139;
    static constexpr int kIntegrateNatural = 1140;
    static constexpr int kBetaRadius = 1141;
    static constexpr int kPointList = 1203;
    static constexpr int kIntegrateRadial = 1357;
    static constexpr int kDeleteResults = 1039;
    static constexpr int kOptions = 1040;
    static constexpr int kFunctions = 1355;

    static constexpr char kNoCacheMemory[] = "Not enough memory available for integration!";

    // The window starts as the whole sphere (phi 0 to 360, theta 0 to 180)
    // with factor 1; the beta-sphere radius is the options' sphere radius.
    CIntegrationDlg(CAtom* atom, QWidget* parent = nullptr);

    // Refills the result list from the atom's result sets.
    void FillResultList();
    // Refills the list of nuclei and critical points of the current field in
    // the atom's local coordinates.
    void FillPointList();

    // Whether a job ran or results were deleted while the dialog was open.
    bool ResultsChanged() const { return m_bResultsChanged; }

    // Members of the data exchange.
    std::string m_strTitle;
    int m_nThetaLower = 0;   // degrees, 0 to 180
    int m_nThetaUpper = 180; // degrees, 0 to 180
    int m_nPhiLower = 0;     // degrees, 0 to 360
    int m_nPhiUpper = 360;   // degrees, 0 to 720
    double m_dFactor = 1.0;
    double m_dBetaRadius = 0.5; // bohr, 0.1 to 24

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void OnIntegrateBetaSphere();
    void OnIntegrateNatural();
    void OnIntegrateRadial();
    void OnDeleteResults();
    void OnOptions();
    void OnFunctions();
    // A border field changed: a window with the upper phi below the lower
    // one puts the edited border back; otherwise the factor is proposed anew.
    void OnChangeBorders(int id);

    // Runs a basin job on the fields read and checked.
    void RunJob(const std::string& title, int jobType);

    CAtom* m_pAtom;         // not owned
    CMolecule* m_pMolecule; // the atom's
    bool m_bInitializing = true;
    bool m_bResultsChanged = false;
    CBasinJob m_Job;
    zel::CTextRecord m_ResultLines;
    zel::CTextRecord m_PointLines;
};

// Calculation > Integration over atomic basin, for the current atom: makes
// the electron density the current field, runs the dialog and resets the
// atom's integration frame. When a job ran or results were deleted the
// document is marked modified: the results are saved with it.
void OnIntegrate(CAtom& atom, QWidget* parent = nullptr);
