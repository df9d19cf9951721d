#include "ui/PropsDlgs.h"

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"

#include <QCheckBox>

#include <utility>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

constexpr char kDeleteBasinResults[] = "All previous basin integration results will be deleted! Continue?";
constexpr char kDeleteSurfaceResults[] = "All previous surface integration results will be deleted! Continue?";

// Boxes in two columns, 10 dialog units apart, the first `leftCount` on the
// left; OK, Cancel, Check All and Uncheck All in a row below them. Box i
// is captioned with the name of property firstProperty + i.
zel::SDialogTemplate PropsTemplate(int id, const char* caption, int firstProperty, int count, int leftCount,
                                   int leftWidth, int rightWidth) {
    constexpr int kMargin = 7, kStep = 10, kGap = 10, kButtonWidth = 60, kButtonGap = 8;
    zel::SDialogTemplate t{id, caption, 0, 0, "MS Sans Serif", 8, {}};
    for (int i = 0; i < count; ++i) {
        const bool left = i < leftCount;
        const int row = left ? i : i - leftCount;
        t.controls.push_back({ControlKind::CheckBox, kFirstPropertyBox + i, PropertyName(firstProperty + i),
                              left ? kMargin : kMargin + leftWidth + kGap, kMargin + row * kStep,
                              left ? leftWidth : rightWidth, 10});
    }
    const int y = kMargin + leftCount * kStep + 8;
    int x = kMargin;
    const std::pair<int, const char*> buttons[] = {
        {zel::IDOK, "OK"}, {zel::IDCANCEL, "Cancel"}, {kCheckAll, "Check All"}, {kUncheckAll, "Uncheck All"}};
    for (const auto& [buttonId, text] : buttons) {
        t.controls.push_back({ControlKind::PushButton, buttonId, text, x, y, kButtonWidth, 14,
                              buttonId == zel::IDOK ? ctl::kDefault : 0u});
        x += kButtonWidth + kButtonGap;
    }
    return t;
}

const zel::SDialogTemplate& BasinPropsTemplate() {
    static const zel::SDialogTemplate t =
        PropsTemplate(CBasinPropsDlg::IDD, "Select Functions for Basin Integration", 0, kBasinProperties, 30, 240, 300);
    return t;
}

const zel::SDialogTemplate& SurfacePropsTemplate() {
    static const zel::SDialogTemplate t = PropsTemplate(
        CSurfacePropsDlg::IDD, "Select Functions for Surface Integration", kFirstSurfaceProperty,
        kSurfaceProperties, 18, 230, 230);
    return t;
}

ZEL_REGISTER_DIALOG_TEMPLATE(BasinPropsTemplate);
ZEL_REGISTER_DIALOG_TEMPLATE(SurfacePropsTemplate);

void SetBoxes(const zel::CDialog& dialog, int first, int last, bool checked) {
    for (int i = first; i <= last; ++i)
        if (auto* box = dialog.DlgItem<QCheckBox>(kFirstPropertyBox + i)) box->setChecked(checked);
}

int BoxState(const zel::CDialog& dialog, int i) {
    const auto* box = dialog.DlgItem<QCheckBox>(kFirstPropertyBox + i);
    return box && box->isChecked() ? 1 : 0;
}

bool HoldsBasinResults(const CAtom& atom) {
    return atom.m_ResultsA.Method != 0.0 || atom.m_ResultsB.Method > 0.0;
}

void MarkModified(CMolecule& molecule) {
    if (IMoleculeDocument* document = molecule.GetDocument()) document->SetModifiedFlag(true);
}

} // namespace

// ---- basin properties --------------------------------------------------------

CBasinPropsDlg::CBasinPropsDlg(CMolecule* molecule, QWidget* parent)
    : CDialog(BasinPropsTemplate(), parent), m_pMolecule(molecule) {
    SetHelpTopic("::options-basin_properties.htm");
    OnCommand(kCheckAll, [this] { OnCheckAll(); });
    OnCommand(kUncheckAll, [this] { OnUncheckAll(); });
}

bool CBasinPropsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int i = 0; i < kBasinProperties; ++i) {
        auto* box = DlgItem<QCheckBox>(kFirstPropertyBox + i);
        if (!box) continue;
        box->setChecked(m_pMolecule->IsBasinPropertySelected(i) != 0);
        box->setText(QString::fromStdString(m_pMolecule->GetPropertyName(i)));
        if (i < kFixedProperties) box->setEnabled(false);
    }
    return true;
}

void CBasinPropsDlg::OnCheckAll() {
    SetBoxes(*this, kFixedProperties, kBasinProperties - 1, true);
}

void CBasinPropsDlg::OnUncheckAll() {
    SetBoxes(*this, kFixedProperties, kBasinProperties - 1, false);
}

void CBasinPropsDlg::OnOK() {
    bool asked = false;
    for (const auto& atom : m_pMolecule->GetAtomList()) {
        if (!HoldsBasinResults(*atom)) continue;
        if (!asked) {
            if (zel::ShowMessageBox(kDeleteBasinResults, zel::PromptButtons::YesNo, zel::PromptIcon::Question) !=
                zel::IDYES) {
                EndDialog(zel::IDCANCEL);
                return;
            }
            asked = true;
        }
        atom->ClearResults();
    }
    for (int i = 0; i < kBasinProperties; ++i)
        m_pMolecule->SetBasinPropertySelected(i, BoxState(*this, i));
    EndDialog(zel::IDOK);
}

// ---- surface properties ------------------------------------------------------

CSurfacePropsDlg::CSurfacePropsDlg(CMolecule* molecule, QWidget* parent)
    : CDialog(SurfacePropsTemplate(), parent), m_pMolecule(molecule) {
    SetHelpTopic("::options-surface_properties.htm");
    OnCommand(kCheckAll, [this] { OnCheckAll(); });
    OnCommand(kUncheckAll, [this] { OnUncheckAll(); });
}

bool CSurfacePropsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int i = 0; i < kSurfaceProperties; ++i) {
        auto* box = DlgItem<QCheckBox>(kFirstPropertyBox + i);
        if (!box) continue;
        box->setChecked(m_pMolecule->IsSurfacePropertySelected(i) != 0);
        box->setText(QString::fromStdString(m_pMolecule->GetPropertyName(kFirstSurfaceProperty + i)));
    }
    return true;
}

void CSurfacePropsDlg::OnCheckAll() {
    SetBoxes(*this, 0, kSurfaceProperties - 1, true);
}

void CSurfacePropsDlg::OnUncheckAll() {
    SetBoxes(*this, 0, kSurfaceProperties - 1, false);
}

void CSurfacePropsDlg::OnOK() {
    bool asked = false;
    if (CMolecule::CCritPointList* points = m_pMolecule->GetList(-1)) {
        for (const auto& point : *points) {
            auto* bond = dynamic_cast<CBondPoint*>(point.get());
            if (!bond || !(bond->m_Surface.CircleRadius > 0.0)) continue;
            if (!asked) {
                if (zel::ShowMessageBox(kDeleteSurfaceResults, zel::PromptButtons::YesNo,
                                        zel::PromptIcon::Question) != zel::IDYES) {
                    EndDialog(zel::IDCANCEL);
                    return;
                }
                asked = true;
            }
            bond->ClearSurfaceResults();
        }
    }
    for (int i = 0; i < kSurfaceProperties; ++i)
        m_pMolecule->SetSurfacePropertySelected(i, BoxState(*this, i));
    EndDialog(zel::IDOK);
}

// ---- commands ------------------------------------------------------------------

int OnBasinFunctions(CMolecule& molecule, QWidget* parent) {
    CBasinPropsDlg dialog(&molecule, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) MarkModified(molecule);
    return result;
}

int OnSurfaceFunctions(CMolecule& molecule, QWidget* parent) {
    CSurfacePropsDlg dialog(&molecule, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) MarkModified(molecule);
    return result;
}
