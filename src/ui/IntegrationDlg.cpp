#include "ui/IntegrationDlg.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "platform/core/Format.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/LineList.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/UiThread.h"
#include "ui/OptionCommands.h"
#include "ui/PropsDlgs.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& IntegrationTemplate() {
    using D = CIntegrationDlg;
    constexpr unsigned kRealField = ctl::kReal | ctl::kAutoHScroll;
    constexpr int kLabelWidth = 230, kEditX = 240, kButtonX = 356, kButtonWidth = 130;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Integration over atomic basin",
        0,
        0,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Edit, D::kTitle, "", 7, 7, 479, 14, ctl::kReadOnly | ctl::kCentre},
            {ControlKind::Static, -1, "Lower and upper borders in Theta-integration (degrees):", 7, 32,
             kLabelWidth, 8},
            {ControlKind::Edit, D::kThetaLower, "", kEditX, 29, 40, 14, ctl::kReadOnly | ctl::kNumber},
            {ControlKind::Edit, D::kThetaUpper, "", kEditX + 52, 29, 40, 14, ctl::kReadOnly | ctl::kNumber},
            {ControlKind::Static, -1, "Lower and upper borders in Phi-integration (degrees):", 7, 50,
             kLabelWidth, 8},
            {ControlKind::Edit, D::kPhiLower, "", kEditX, 47, 40, 14, ctl::kNumber},
            {ControlKind::Spin, D::kPhiLowerSpin, "", kEditX + 40, 47, 10, 14, ctl::kWrap},
            {ControlKind::Edit, D::kPhiUpper, "", kEditX + 52, 47, 40, 14, ctl::kNumber},
            {ControlKind::Spin, D::kPhiUpperSpin, "", kEditX + 92, 47, 10, 14, ctl::kWrap},
            {ControlKind::Static, -1, "Factor to multiply integrals with:", 7, 68, kLabelWidth, 8},
            {ControlKind::Edit, D::kFactor, "", kEditX, 65, 102, 14, kRealField},
            {ControlKind::Static, -1, "Radius of Beta-sphere for natural coordinate integration:", 7, 86,
             kLabelWidth, 8},
            {ControlKind::Edit, D::kBetaRadius, "", kEditX, 83, 102, 14, kRealField},
            {ControlKind::PushButton, D::kIntegrateBetaSphere, "Integrate inside Beta-Sphere", kButtonX, 29,
             kButtonWidth, 14},
            {ControlKind::PushButton, D::kIntegrateNatural, "Integrate in Natural Coordinates", kButtonX, 47,
             kButtonWidth, 14},
            {ControlKind::PushButton, D::kIntegrateRadial, "Integrate in Radial Coordinates", kButtonX, 65,
             kButtonWidth, 14},
            {ControlKind::Static, -1, "List of integration results:", 7, 104, 300, 8},
            {ControlKind::ListBox, D::kResultList, "", 7, 114, 479, 130,
             ctl::kNoSelection | ctl::kVScroll | ctl::kHScroll},
            {ControlKind::Static, -1,
             "List of nuclear positions and critical points in atomic coordinates:", 7, 250, 300, 8},
            {ControlKind::ListBox, D::kPointList, "", 7, 260, 479, 70,
             ctl::kNoSelection | ctl::kVScroll | ctl::kHScroll},
            {ControlKind::PushButton, D::kDeleteResults, "Delete Results", 7, 337, 80, 14},
            {ControlKind::PushButton, D::kOptions, "Options", 95, 337, 80, 14},
            {ControlKind::PushButton, D::kFunctions, "Functions", 183, 337, 80, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 406, 337, 80, 14, ctl::kDefault},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(IntegrationTemplate);

// The lists are columns of numbers: the molecule's list font, fixed pitch.
QFont ListFont(const CMolecule* molecule) {
    QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!molecule) return listFont;
    const CListFont* font = molecule->GetFont();
    if (!font->FaceName.empty()) listFont = QFont(QString::fromStdString(font->FaceName));
    if (font->Height != 0) listFont.setPixelSize(std::abs(font->Height));
    if (font->Weight > 0) listFont.setWeight(font->Weight >= 600 ? QFont::Bold : QFont::Normal);
    listFont.setItalic(font->Italic != 0);
    return listFont;
}

// A field's whole number as typed, without a message: the fields are checked
// when a button reads them.
bool FieldInt(const zel::CDialog& dialog, int id, int& value) {
    return zel::ParseDialogInt(dialog.GetDlgItemText(id), value);
}

} // namespace

CIntegrationDlg::CIntegrationDlg(CAtom* atom, QWidget* parent)
    : CDialog(IntegrationTemplate(), parent), m_pAtom(atom), m_pMolecule(atom->GetMolecule()) {
    SetHelpTopic("::integration_over_atomic_basin.htm");
    m_strTitle = "Integration of atom " + atom->GetLabel();
    if (m_pMolecule) m_dBetaRadius = m_pMolecule->GetIntegOptions().SphereRadius.Current;

    for (int id : {kPhiLower, kPhiUpper, kThetaLower, kThetaUpper})
        if (auto* edit = DlgItem<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this, id] { OnChangeBorders(id); });
    for (const auto& [spinId, editId] :
         {std::pair{kPhiLowerSpin, kPhiLower}, std::pair{kPhiUpperSpin, kPhiUpper}}) {
        if (auto* spin = DlgItem<zel::CSpinButton>(spinId)) {
            // A step starts from the number in the field.
            spin->SetDeltaPosHandler([this, spin, id = editId](int) {
                int value = 0;
                if (FieldInt(*this, id, value)) spin->SetPos(value);
            });
        }
    }

    // The jobs refill the result list on the user-interface thread before
    // their progress dialog closes.
    m_Job.OnResultsChanged = [this] { zel::RunOnUiThread([this] { FillResultList(); }); };

    OnCheckedCommand(kIntegrateBetaSphere, [this] { OnIntegrateBetaSphere(); });
    OnCheckedCommand(kIntegrateNatural, [this] { OnIntegrateNatural(); });
    OnCheckedCommand(kIntegrateRadial, [this] { OnIntegrateRadial(); });
    OnCommand(kDeleteResults, [this] { OnDeleteResults(); });
    OnCommand(kOptions, [this] { OnOptions(); });
    OnCommand(kFunctions, [this] { OnFunctions(); });
}

void CIntegrationDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kTitle, m_strTitle);
    dx.Text(kThetaLower, m_nThetaLower);
    dx.MinMax(m_nThetaLower, 0, 180);
    dx.Text(kThetaUpper, m_nThetaUpper);
    dx.MinMax(m_nThetaUpper, 0, 180);
    dx.Text(kPhiLower, m_nPhiLower);
    dx.MinMax(m_nPhiLower, 0, 360);
    dx.Text(kPhiUpper, m_nPhiUpper);
    dx.MinMax(m_nPhiUpper, 0, 720);
    dx.Text(kFactor, m_dFactor);
    dx.Text(kBetaRadius, m_dBetaRadius);
    dx.MinMax(m_dBetaRadius, 0.1, 24.0);
}

bool CIntegrationDlg::OnInitDialog() {
    m_bInitializing = true;
    CDialog::OnInitDialog();
    if (auto* spin = DlgItem<zel::CSpinButton>(kPhiLowerSpin)) spin->SetRange(0, 360);
    if (auto* spin = DlgItem<zel::CSpinButton>(kPhiUpperSpin)) spin->SetRange(0, 720);
    for (int id : {kResultList, kPointList})
        if (QWidget* list = GetDlgItem(id)) list->setFont(ListFont(m_pMolecule));
    m_pAtom->CollectBondedPoints();
    FillResultList();
    FillPointList();
    m_bInitializing = false;
    return true;
}

void CIntegrationDlg::FillResultList() {
    std::vector<std::string> items;
    m_pAtom->FillResultList(items);
    m_ResultLines.Clear();
    for (std::string& item : items)
        m_ResultLines.Add(std::move(item));
    if (auto* list = DlgItem<zel::CLineListView>(kResultList)) list->SetRecord(&m_ResultLines);
}

void CIntegrationDlg::FillPointList() {
    m_PointLines.Clear();
    if (m_pMolecule) {
        for (const auto& atom : m_pMolecule->GetAtomList()) {
            // Every atom's safe radius is fresh for the radial integration.
            atom->ComputeNearestCritDistance();
            const CVector p = m_pAtom->GlobalToLocal(atom->GetPosition());
            m_PointLines.Add(zel::Sprintf("%8.4lf,%8.4lf,%8.4lf   (", p.x, p.y, p.z) + atom->GetLabel() +
                             ")");
        }
        const int field = m_pMolecule->GetFieldIndex();
        for (const auto& [type, signature] : {std::pair{-3, "(3,-3)"}, std::pair{-1, "(3,-1)"},
                                              std::pair{1, "(3,+1)"}, std::pair{3, "(3,+3)"}}) {
            for (const auto& point : *m_pMolecule->GetList(type)) {
                if (point->GetFieldIndex() != field) continue;
                const CVector p = m_pAtom->GlobalToLocal(point->GetPosition());
                m_PointLines.Add(zel::Sprintf("%8.4lf,%8.4lf,%8.4lf   ", p.x, p.y, p.z) + signature);
            }
        }
    }
    if (auto* list = DlgItem<zel::CLineListView>(kPointList)) list->SetRecord(&m_PointLines);
}

void CIntegrationDlg::OnChangeBorders(int id) {
    if (m_bInitializing) return;
    int phiLower = 0, phiUpper = 0, thetaLower = 0, thetaUpper = 0;
    // A field being typed may not hold a number yet; the buttons check them.
    if (!FieldInt(*this, kPhiLower, phiLower) || !FieldInt(*this, kPhiUpper, phiUpper) ||
        !FieldInt(*this, kThetaLower, thetaLower) || !FieldInt(*this, kThetaUpper, thetaUpper))
        return;
    if (phiUpper < phiLower) {
        // The edited border goes back to what it was.
        if (id == kPhiLower || id == kPhiUpper) {
            const QSignalBlocker quiet(GetDlgItem(id));
            SetDlgItemText(id, zel::FormatDialogInt(id == kPhiLower ? m_nPhiLower : m_nPhiUpper));
        }
        return;
    }
    m_nPhiLower = phiLower;
    m_nPhiUpper = phiUpper;
    m_nThetaLower = thetaLower;
    m_nThetaUpper = thetaUpper;
    CBasinJobSettings window;
    window.PhiLower = phiLower;
    window.PhiUpper = phiUpper;
    window.ThetaLower = thetaLower;
    window.ThetaUpper = thetaUpper;
    m_dFactor = window.ProposedFactor();
    SetDlgItemText(kFactor, zel::FormatDialogReal(m_dFactor));
}

void CIntegrationDlg::RunJob(const std::string& title, int jobType) {
    if (!m_pMolecule) return;
    CBasinJobSettings& settings = m_Job.Settings;
    settings.Atom = m_pAtom;
    settings.PhiLower = m_nPhiLower;
    settings.PhiUpper = m_nPhiUpper;
    settings.ThetaLower = m_nThetaLower;
    settings.ThetaUpper = m_nThetaUpper;
    settings.Factor = m_dFactor;
    settings.Radius = m_dBetaRadius;
    if (!m_pAtom->AllocateCaches()) {
        zel::ShowMessageBox(kNoCacheMemory, zel::PromptButtons::OK, zel::PromptIcon::Error);
        return;
    }
    {
        const CMolecule::CJobScope running(*m_pMolecule);
        CComputeDlg::Launch(title, &m_Job, jobType);
    }
    m_pAtom->FreeCaches();
    m_bResultsChanged = true;
    FillResultList();
}

void CIntegrationDlg::OnIntegrateBetaSphere() {
    RunJob("Integration of " + m_pAtom->GetLabel() + " over Beta-sphere", zel::kJobIntegrateBetaSphere);
}

void CIntegrationDlg::OnIntegrateNatural() {
    RunJob("Integration of " + m_pAtom->GetLabel() + " over atomic basin", zel::kJobIntegrateNatural);
}

void CIntegrationDlg::OnIntegrateRadial() {
    RunJob("Radial Integration of " + m_pAtom->GetLabel() + " over atomic basin", zel::kJobIntegrateRadial);
}

void CIntegrationDlg::OnDeleteResults() {
    m_pAtom->ClearResults();
    m_bResultsChanged = true;
    FillResultList();
}

void CIntegrationDlg::OnOptions() {
    if (m_pMolecule) OnBasinIntegrationOptions(*m_pMolecule, this); // marks the document modified
}

void CIntegrationDlg::OnFunctions() {
    // A changed selection deletes the results; the list shows them until it
    // is refilled.
    if (m_pMolecule) OnBasinFunctions(*m_pMolecule, this);
}

void OnIntegrate(CAtom& atom, QWidget* parent) {
    CMolecule* molecule = atom.GetMolecule();
    if (!molecule) return;
    // The basin belongs to the electron density.
    molecule->SetFieldIndex(0);
    if (IControlView* pane = molecule->GetControlView()) pane->SetFieldIndex(0);
    bool changed = false;
    {
        CIntegrationDlg dialog(&atom, parent);
        dialog.DoModal();
        changed = dialog.ResultsChanged();
    }
    atom.SetIntegrationAxis(CVector());
    // The results are part of the document.
    if (changed)
        if (IMoleculeDocument* document = molecule->GetDocument()) document->SetModifiedFlag(true);
}
