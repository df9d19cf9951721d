#include "ui/SurfIntegDlg.h"

#include "analysis/CritPoint.h"
#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/qt/LineList.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/UiThread.h"
#include "ui/LeadingNumber.h"
#include "ui/OptionCommands.h"
#include "ui/PropsDlgs.h"

#include <QLineEdit>

#include <tuple>
#include <vector>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

// The path-integral cache of a job: the last path's angle and its 25 values.
constexpr std::size_t kWorkArraySize = CSurfaceRecord::kResults + 1;

const zel::SDialogTemplate& SurfIntegTemplate() {
    using D = CSurfIntegDlg;
    constexpr unsigned kRealField = ctl::kReal | ctl::kAutoHScroll;
    // Whole degrees are typed and stepped, but held as reals.
    constexpr unsigned kBorderField = ctl::kNumber | kRealField;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        D::kDefaultTitle,
        330,
        266,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Edit, D::kTitle, "", 7, 7, 316, 22,
             ctl::kReadOnly | ctl::kCentre | ctl::kMultiLine},
            {ControlKind::Static, -1, "Lower and upper borders in Phi-integration (degrees):", 7, 36, 316, 8},
            {ControlKind::Edit, D::kPhiLower, "", 7, 46, 96, 14, kBorderField},
            {ControlKind::Spin, D::kPhiLowerSpin, "", 103, 46, 10, 14, ctl::kWrap},
            {ControlKind::Edit, D::kPhiUpper, "", 125, 46, 96, 14, kBorderField},
            {ControlKind::Spin, D::kPhiUpperSpin, "", 221, 46, 10, 14, ctl::kWrap},
            {ControlKind::Static, -1, "Factor to multiply integrals with:", 7, 70, 180, 8},
            {ControlKind::Edit, D::kFactor, "", 200, 67, 102, 14, kRealField},
            {ControlKind::Static, -1, "Radius of circle around bond point:", 7, 89, 180, 8},
            {ControlKind::Edit, D::kRadius, "", 200, 86, 102, 14, kRealField},
            {ControlKind::Static, -1, "List of integration results:", 7, 108, 200, 8},
            {ControlKind::ListBox, D::kResultList, "", 7, 118, 316, 120, ctl::kNoSelection | ctl::kVScroll},
            {ControlKind::PushButton, D::kIntegrate, "Integrate", 7, 245, 58, 14},
            {ControlKind::PushButton, D::kDeleteResults, "Delete Results", 72, 245, 58, 14},
            {ControlKind::PushButton, D::kOptions, "Options", 137, 245, 58, 14},
            {ControlKind::PushButton, D::kFunctions, "Functions", 202, 245, 58, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 267, 245, 56, 14, ctl::kDefault},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(SurfIntegTemplate);

} // namespace

CSurfIntegDlg::CSurfIntegDlg(CMolecule* molecule, CBondPoint* bond, QWidget* parent)
    : CDialog(SurfIntegTemplate(), parent), m_dRadius(molecule->GetSurfIntOptions().CircleRadius.Current),
      m_pBond(bond), m_pMolecule(molecule) {
    SetHelpTopic("::integration_over_interatomic_sur.htm");
    for (int id : {kPhiLower, kPhiUpper})
        if (auto* edit = DlgItem<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this] { OnChangeBorder(); });
    // The job refreshes the list on the user-interface thread; it never
    // outlives the dialog, which waits for it.
    m_Job.OnResultsChanged = [this] { zel::RunOnUiThread([this] { FillResultList(); }); };
    OnCheckedCommand(kIntegrate, [this] { OnIntegrate(); });
    OnCommand(kDeleteResults, [this] { OnDeleteResults(); });
    OnCommand(kOptions, [this] { OnOptions(); });
    OnCommand(kFunctions, [this] { OnFunctions(); });
}

void CSurfIntegDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kTitle, m_strTitle);
    // The borders the up-down controls allow: a lower border above the upper
    // one counts across 360 degrees, and a wider or negative span would give
    // a negative factor and a negative step.
    dx.Text(kPhiLower, m_dPhiLower);
    dx.MinMax(m_dPhiLower, 0.0, 360.0);
    dx.Text(kPhiUpper, m_dPhiUpper);
    dx.MinMax(m_dPhiUpper, 0.0, 720.0);
    dx.Text(kFactor, m_dFactor);
    // The range of the circle radius in the surface options.
    dx.Text(kRadius, m_dRadius);
    dx.MinMax(m_dRadius, 0.0, 10.0);
}

bool CSurfIntegDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Each arrow steps from the whole degrees its border holds.
    for (auto [spinId, editId, upper] :
         {std::tuple{kPhiLowerSpin, kPhiLower, 360}, std::tuple{kPhiUpperSpin, kPhiUpper, 720}}) {
        auto* spin = DlgItem<zel::CSpinButton>(spinId);
        if (!spin) continue;
        spin->SetRange(0, upper);
        spin->SetDeltaPosHandler(
            [this, spin, id = editId](int) { spin->SetPos(LeadingInt(GetDlgItemText(id))); });
    }

    CSurfaceJobSettings settings;
    settings.Bond = m_pBond;
    settings.FindAtoms();
    m_pAtomA = settings.AtomA;
    m_pAtomB = settings.AtomB;
    if (m_pAtomA && m_pAtomB)
        m_strTitle =
            std::string(kDefaultTitle) + " between " + m_pAtomA->GetLabel() + " and " + m_pAtomB->GetLabel();

    FillResultList();
    UpdateData(false);
    m_bInitializing = 0;
    return true;
}

void CSurfIntegDlg::FillResultList() {
    std::vector<std::string> items;
    if (m_pBond) m_pBond->ShowSurfaceResults(items);
    m_ResultLines.Clear();
    for (std::string& item : items)
        m_ResultLines.Add(std::move(item));
    if (auto* list = DlgItem<zel::CLineListView>(kResultList)) list->SetRecord(&m_ResultLines);
}

void CSurfIntegDlg::OnChangeBorder() {
    if (m_bInitializing) return;
    // Read quietly while the user types: a half-typed or refused border
    // leaves the factor as it is, and the integration checks them all.
    double lower = 0.0, upper = 0.0;
    if (!zel::ParseDialogReal(GetDlgItemText(kPhiLower), lower) ||
        !zel::ParseDialogReal(GetDlgItemText(kPhiUpper), upper))
        return;
    if (lower < 0.0 || lower > 360.0 || upper < 0.0 || upper > 720.0) return;
    CSurfaceJobSettings settings;
    settings.PhiLower = lower;
    settings.PhiUpper = upper;
    m_dPhiLower = lower;
    m_dPhiUpper = upper;
    m_dFactor = settings.ProposedFactor();
    SetDlgItemText(kFactor, zel::FormatDialogReal(m_dFactor));
}

void CSurfIntegDlg::OnIntegrate() {
    if (!m_pBond) return;
    CSurfaceRecord& record = m_pBond->m_Surface;
    record.WorkArray.assign(kWorkArraySize, -1.0);

    CSurfaceJobSettings& settings = m_Job.Settings;
    settings.Bond = m_pBond;
    settings.AtomA = m_pAtomA;
    settings.AtomB = m_pAtomB;
    settings.PhiLower = m_dPhiLower;
    settings.PhiUpper = m_dPhiUpper;
    settings.Factor = m_dFactor;
    settings.Radius = m_dRadius;
    {
        const CMolecule::CJobScope running(*m_pMolecule);
        CComputeDlg::Launch(m_strTitle, &m_Job, zel::kJobIntegrateSurface);
    }
    std::vector<double>().swap(record.WorkArray);
    m_bResultsChanged = true;
}

void CSurfIntegDlg::OnDeleteResults() {
    if (!m_pBond) return;
    m_pBond->ClearSurfaceResults();
    m_bResultsChanged = true;
    FillResultList();
    UpdateData(false);
}

void CSurfIntegDlg::OnOptions() {
    OnSurfaceIntegrationOptions(*m_pMolecule, this);
}

void CSurfIntegDlg::OnFunctions() {
    // A confirmed selection deletes every stored surface result: the list
    // then says so rather than show results that are gone.
    if (OnSurfaceFunctions(*m_pMolecule, this) == zel::IDOK) {
        m_bResultsChanged = true;
        FillResultList();
    }
}

bool OnCalcIntegrateSurface(CMolecule& molecule, QWidget* parent) {
    CBondPoint* bond = molecule.GetCurrentSurface();
    if (!bond) return false;
    CSurfIntegDlg dialog(&molecule, bond, parent);
    dialog.DoModal();
    return dialog.ResultsChanged();
}
