#pragma once
// The Text Output dialog (204): the grid size, the clipping bound and the
// coordinate choice of a file of field values on a plane grid, and the plane
// through the plane set-up dialog, which edits a working relief map so that
// the three-dimensional view shows the plane meanwhile. OK asks for the file
// (offering to replace an existing one), computes the grid while the user
// waits and writes it; a file that cannot be written is said, and the
// dialog stays open.
//
// Only the plane goes back into the document's settings (on the plane
// dialog's OK; the dialog's Cancel puts back the plane it opened with): the
// other choices are offered afresh every time.

#include <memory>

#include "analysis/PlotPlane.h"
#include "platform/qt/Dialog.h"

class CMolecule;
class CPlot;
class CSurfacePlot;
class CTextOutData;

class CTextOutDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 204 };
    static constexpr int kTitle = 1095;
    static constexpr int kFunction = 1107;
    static constexpr int kColumns = 1116, kColumnsSpin = 1250;
    static constexpr int kRows = 1117, kRowsSpin = 1253;
    static constexpr int kMaxValue = 1121;
    static constexpr int kCoordinates = 1397;
    static constexpr int kPlaneSetup = 1106;

    static constexpr const char* kFileFilter = "Data Files (*.dat)|*.dat|All Files (*.*)|*.*||";

    CTextOutDlg(CMolecule* molecule, CTextOutData* settings, QWidget* parent = nullptr);
    ~CTextOutDlg() override;

    void OnPlaneSetup();
    CSurfacePlot* GetWorkingPlot() const { return m_pWorkingPlot.get(); }

    // The fields, as the data exchange holds them.
    int m_nColumns = 0;
    int m_nRows = 0;
    double m_dMaxValue = 0.0;
    int m_bWriteCoordinates = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // The plot current when the dialog opened is current again.
    void RestoreCurrentPlot();

    CMolecule* m_pMolecule;
    CTextOutData* m_pSettings;
    std::unique_ptr<CSurfacePlot> m_pWorkingPlot;
    CPlotPlane m_SavedPlane;
    CPlot* m_pSavedPlot = nullptr;
};
