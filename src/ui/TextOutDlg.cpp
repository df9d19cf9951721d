#include "ui/TextOutDlg.h"


#include "analysis/Molecule.h"
#include "analysis/MoleculeViews.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/WaitCursor.h"
#include "plots/SurfacePlot.h"
#include "plots/TextOut.h"
#include "ui/PlaneSetupDlg.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;
using D = CTextOutDlg;

const zel::SDialogTemplate& TextOutTemplate() {
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Text Output",
        220,
        120,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, D::kTitle, "Text out", 7, 7, 140, 8},
            {ControlKind::Static, D::kFunction, "function", 7, 19, 140, 8},
            {ControlKind::PushButton, D::kPlaneSetup, "Plane Setup", 150, 7, 63, 14},
            {ControlKind::GroupBox, -1, "Grid", 7, 34, 206, 60},
            {ControlKind::Static, -1, "Columns", 13, 48, 34, 8},
            {ControlKind::Edit, D::kColumns, "", 50, 46, 40, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kColumnsSpin, "", 90, 46, 10, 12},
            {ControlKind::Static, -1, "Rows", 114, 48, 24, 8},
            {ControlKind::Edit, D::kRows, "", 140, 46, 40, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kRowsSpin, "", 180, 46, 10, 12},
            {ControlKind::Static, -1, "|Max. value|", 13, 66, 48, 8},
            {ControlKind::Edit, D::kMaxValue, "", 64, 64, 100, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::CheckBox, D::kCoordinates, "Coordinates [au]", 13, 80, 100, 10},
            {ControlKind::PushButton, zel::IDOK, "OK", 106, 100, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 163, 100, 50, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(TextOutTemplate);

} // namespace

CTextOutDlg::CTextOutDlg(CMolecule* molecule, CTextOutData* settings, QWidget* parent)
    : CDialog(TextOutTemplate(), parent), m_pMolecule(molecule), m_pSettings(settings) {
    SetHelpTopic("::plot-new_plot-relief_map.htm");
    OnCommand(kPlaneSetup, [this] { OnPlaneSetup(); });
}

CTextOutDlg::~CTextOutDlg() {
    // The working map never outlives the dialog as the current plot.
    if (m_pMolecule && m_pWorkingPlot && m_pMolecule->GetCurrentPlot() == m_pWorkingPlot.get())
        m_pMolecule->SetCurrentPlot(m_pSavedPlot);
}

void CTextOutDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kColumns, m_nColumns);
    dx.MinMax(m_nColumns, 1, CTextOutData::kMaxGridCount);
    dx.Text(kRows, m_nRows);
    dx.MinMax(m_nRows, 1, CTextOutData::kMaxGridCount);
    dx.Text(kMaxValue, m_dMaxValue);
    dx.Check(kCoordinates, m_bWriteCoordinates);
}

bool CTextOutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemText(kTitle, "Text out");
    // The plane shown while it is edited; the map itself is never computed
    // (the plot view would otherwise start its computation behind this dialog).
    m_pWorkingPlot = std::make_unique<CSurfacePlot>(m_pMolecule);
    m_pWorkingPlot->SetRecompute(0);
    m_pWorkingPlot->RestorePlane(m_pSettings->GetPlane());
    SetDlgItemText(kFunction, m_pMolecule ? m_pMolecule->GetPropertyName(-1) : std::string());

    m_nColumns = m_pSettings->GetColumns();
    m_nRows = m_pSettings->GetRows();
    m_dMaxValue = m_pSettings->GetMaxValue();
    m_SavedPlane = m_pSettings->GetPlane();
    m_bWriteCoordinates = m_pSettings->GetWriteCoordinates() ? 1 : 0;
    for (int spin : {kColumnsSpin, kRowsSpin})
        if (auto* control = DlgItem<zel::CSpinButton>(spin)) control->SetRange(1, 1000);
    UpdateData(false);
    m_pSavedPlot = m_pMolecule ? m_pMolecule->GetCurrentPlot() : nullptr;
    return true;
}

void CTextOutDlg::RestoreCurrentPlot() {
    if (!m_pMolecule) return;
    const bool changed = m_pMolecule->GetCurrentPlot() != m_pSavedPlot;
    m_pMolecule->SetCurrentPlot(m_pSavedPlot);
    if (changed)
        if (I3DView* view = m_pMolecule->Get3DView()) view->Redraw();
}

void CTextOutDlg::OnPlaneSetup() {
    if (m_pMolecule) m_pMolecule->SetCurrentPlot(m_pWorkingPlot.get());
    CPlaneSetupDlg dialog(m_pWorkingPlot.get(), this);
    if (dialog.DoModal() == zel::IDOK) {
        m_pSettings->SetPlane(m_pWorkingPlot->GetPlane());
        return;
    }
    m_pWorkingPlot->RestorePlane(m_pSettings->GetPlane());
    if (m_pMolecule)
        if (I3DView* view = m_pMolecule->Get3DView()) view->Redraw();
}

void CTextOutDlg::OnOK() {
    if (!UpdateData(true)) return;
    zel::SFileRequest request;
    request.save = true;
    request.filter = kFileFilter;
    request.defaultExtension = "dat";
    request.fileName = m_pSettings->GetFileName();
    // An existing file is replaced only when the user says so.
    request.overwritePrompt = true;
    const std::optional<std::string> path = zel::ChooseFile(request);
    if (!path) return;

    std::string message;
    TextOutResult result = TextOutResult::CannotOpen;
    {
        const zel::CWaitCursor wait;
        result = CTextOutput::Write(*m_pMolecule, m_pSettings->GetPlane(), m_nColumns, m_nRows, m_dMaxValue,
                                    m_bWriteCoordinates != 0, *path, &message);
    }
    if (result != TextOutResult::Written) {
        // Said, and the dialog stays open for another file or grid.
        zel::ShowMessageBox(message, zel::PromptButtons::OK, zel::PromptIcon::Error);
        return;
    }
    RestoreCurrentPlot();
    EndDialog(zel::IDOK);
}

void CTextOutDlg::OnCancel() {
    m_pSettings->SetPlane(m_SavedPlane);
    RestoreCurrentPlot();
    EndDialog(zel::IDCANCEL);
}
