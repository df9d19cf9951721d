#pragma once
// Dialog 163 "Integration over interatomic surface": the surface of one bond
// point between the two atoms its density paths reach. It takes the phi
// borders (with the symmetry factor they suggest), the factor and the circle
// radius, runs the surface job (job 9) behind the progress dialog, lists the
// bond point's stored results and deletes them, and opens the surface
// options and the selection of surface properties.
//
// Every command that uses the fields reads and checks them first; a refused
// field stops it. The job refreshes the result list on the user-interface
// thread before the progress dialog closes.

#include "integration/SurfaceJob.h"
#include "platform/core/TextRecord.h"
#include "platform/qt/Dialog.h"

#include <string>

class CAtom;
class CBondPoint;
class CMolecule;

class CSurfIntegDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 163 };
    static constexpr int kTitle = 1074;
    static constexpr int kPhiLower = 1130;
    static constexpr int kPhiLowerSpin = 1131;
    static constexpr int kPhiUpper = 1134;
    static constexpr int kPhiUpperSpin = 1135;
    static constexpr int kFactor = 1136;
    static constexpr int kResultList = 1137;
    static constexpr int kIntegrate = 1140;
    static constexpr int kRadius = 1141;
    static constexpr int kDeleteResults = 1039;
    static constexpr int kOptions = 1040;
    static constexpr int kFunctions = 1355;

    static constexpr const char* kDefaultTitle = "Integration over interatomic surface";

    // R starts as the molecule's current circle radius, the borders as 0 and
    // 360 degrees, the factor as 1.
    CSurfIntegDlg(CMolecule* molecule, CBondPoint* bond, QWidget* parent = nullptr);

    // Refills the result list from the bond point.
    void FillResultList();
    const zel::CTextRecord& ResultLines() const { return m_ResultLines; }

    // Whether the bond point's results may have changed (a job ran, or they
    // were deleted) since the dialog opened.
    bool ResultsChanged() const { return m_bResultsChanged; }

    CAtom* GetAtomA() const { return m_pAtomA; }
    CAtom* GetAtomB() const { return m_pAtomB; }

    double m_dRadius;
    double m_dFactor = 1.0;
    double m_dPhiUpper = 360.0;
    double m_dPhiLower = 0.0;
    std::string m_strTitle = kDefaultTitle;

    void OnIntegrate();
    void OnDeleteResults();
    void OnOptions();
    void OnFunctions();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // A border changed: the factor that the borders suggest.
    void OnChangeBorder();

    CBondPoint* m_pBond; // not owned
    int m_bInitializing = 1;
    CAtom* m_pAtomA = nullptr;
    CAtom* m_pAtomB = nullptr;
    CMolecule* m_pMolecule; // not owned
    zel::CTextRecord m_ResultLines;
    CSurfaceJob m_Job;
    bool m_bResultsChanged = false;
};

// Calculation > Integration over interatomic surface: runs the dialog on the
// molecule's current surface (nothing without one). Returns true when the
// surface results may have changed, so that the document is to be marked
// modified.
bool OnCalcIntegrateSurface(CMolecule& molecule, QWidget* parent = nullptr);
