#include "ui/PlaneSetupDlg.h"

#include <QLineEdit>
#include <QListWidget>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "ui/LeadingNumber.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& PlaneSetupTemplate() {
    using D = CPlaneSetupDlg;
    constexpr unsigned real = ctl::kReal | ctl::kAutoHScroll;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Plane Setup",
        356,
        240,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "X", 50, 7, 96, 8, ctl::kCentre},
            {ControlKind::Static, -1, "Y", 150, 7, 96, 8, ctl::kCentre},
            {ControlKind::Static, -1, "Z", 250, 7, 96, 8, ctl::kCentre},
            {ControlKind::Static, -1, "Point A", 7, 20, 40, 8},
            {ControlKind::Edit, D::kAx, "", 50, 18, 96, 14, real},
            {ControlKind::Edit, D::kAy, "", 150, 18, 96, 14, real},
            {ControlKind::Edit, D::kAz, "", 250, 18, 96, 14, real},
            {ControlKind::Static, -1, "Point B", 7, 38, 40, 8},
            {ControlKind::Edit, D::kBx, "", 50, 36, 96, 14, real},
            {ControlKind::Edit, D::kBy, "", 150, 36, 96, 14, real},
            {ControlKind::Edit, D::kBz, "", 250, 36, 96, 14, real},
            {ControlKind::Static, -1, "Point C", 7, 56, 40, 8},
            {ControlKind::Edit, D::kCx, "", 50, 54, 96, 14, real},
            {ControlKind::Edit, D::kCy, "", 150, 54, 96, 14, real},
            {ControlKind::Edit, D::kCz, "", 250, 54, 96, 14, real},
            {ControlKind::Static, -1, "Center", 7, 74, 40, 8},
            {ControlKind::Edit, D::kCentreX, "", 50, 72, 96, 14, real},
            {ControlKind::Edit, D::kCentreY, "", 150, 72, 96, 14, real},
            {ControlKind::Edit, D::kCentreZ, "", 250, 72, 96, 14, real},
            {ControlKind::Static, -1, "Width", 50, 92, 96, 8, ctl::kCentre},
            {ControlKind::Static, -1, "Height", 150, 92, 96, 8, ctl::kCentre},
            {ControlKind::Static, -1, "Angle", 250, 92, 96, 8, ctl::kCentre},
            {ControlKind::Edit, D::kWidth, "", 50, 102, 96, 14, real},
            {ControlKind::Edit, D::kHeight, "", 150, 102, 96, 14, real},
            {ControlKind::Edit, D::kAngle, "", 250, 102, 96, 14, real},
            {ControlKind::Static, D::kText, "", 7, 122, 60, 8},
            {ControlKind::ListBox, D::kList, "", 7, 132, 270, 80, ctl::kVScroll | ctl::kHScroll},
            {ControlKind::PushButton, D::kPickA, "Point A", 286, 132, 60, 14},
            {ControlKind::PushButton, D::kPickB, "Point B", 286, 150, 60, 14},
            {ControlKind::PushButton, D::kPickC, "Point C", 286, 168, 60, 14},
            {ControlKind::PushButton, D::kPickCentre, "Center", 286, 186, 60, 14},
            {ControlKind::PushButton, D::kProjectCentre, "Calculate Projected Center", 7, 220, 110, 14},
            {ControlKind::PushButton, D::kApply, "Apply in 3DView", 122, 220, 80, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 238, 220, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 296, 220, 50, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(PlaneSetupTemplate);

std::string WithoutBlanks(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

} // namespace

CPlaneSetupDlg::CPlaneSetupDlg(CPlot* plot, QWidget* parent)
    : CDialog(PlaneSetupTemplate(), parent), m_pPlot(plot) {
    SetHelpTopic("::plot-new_plot-plane_setup.htm");
    for (int id : {kPickA, kPickB, kPickC, kPickCentre})
        OnCheckedCommand(id, [this, id] { OnPickPoint(id); });
    OnCheckedCommand(kProjectCentre, [this] { OnCalculateProjectedCenter(); });
    OnCheckedCommand(kApply, [this] { OnApplyIn3DView(); });
}

void CPlaneSetupDlg::DoDataExchange(zel::CDataExchange& dx) {
    const struct {
        CVector& point;
        int x, y, z;
    } rows[] = {{m_A, kAx, kAy, kAz},
                {m_B, kBx, kBy, kBz},
                {m_C, kCx, kCy, kCz},
                {m_Centre, kCentreX, kCentreY, kCentreZ}};
    for (const auto& row : rows) {
        dx.Text(row.x, row.point.x);
        dx.Text(row.y, row.point.y);
        dx.Text(row.z, row.point.z);
    }
    dx.Text(kWidth, m_dWidth);
    dx.Text(kHeight, m_dHeight);
    dx.Text(kAngle, m_dAngle);
}

bool CPlaneSetupDlg::OnInitDialog() {
    SetDlgItemText(kText, "TEXT");
    m_Plane = m_pPlot->GetPlane();
    m_A = m_Plane.PointA;
    m_B = m_Plane.PointB;
    m_C = m_Plane.PointC;
    m_Centre = m_Plane.Centre;
    m_dWidth = m_Plane.Width;
    m_dHeight = m_Plane.Height;
    m_dAngle = m_Plane.Angle;

    if (auto* list = DlgItem<QListWidget>(kList)) {
        list->clear();
        if (const CMolecule* molecule = m_pPlot->GetMolecule()) {
            for (const auto& atom : molecule->GetAtomList()) {
                const CVector p = atom->GetPosition();
                list->addItem(QString::fromStdString(
                    zel::Sprintf("%s %lf %lf %lf ", WithoutBlanks(atom->GetLabel()).c_str(), p.x, p.y, p.z)));
            }
            for (int type : {-3, -1, 1, 3}) {
                for (const auto& point : *molecule->GetList(type)) {
                    if (point->GetFieldIndex() != m_pPlot->GetFieldIndex()) continue;
                    const CVector p = point->GetPosition();
                    list->addItem(
                        QString::fromStdString(zel::Sprintf("(3,%d) %lf %lf %lf ", type, p.x, p.y, p.z)));
                }
            }
        }
    }
    UpdateData(false);
    if (CMolecule* molecule = m_pPlot->GetMolecule()) m_pSavedPlot = molecule->GetCurrentPlot();
    return true;
}

void CPlaneSetupDlg::OnPickPoint(int id) {
    auto* list = DlgItem<QListWidget>(kList);
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    if (!item || !item->isSelected()) return;
    // The label or the signature, then x, y and z.
    const std::string text = item->text().toStdString();
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos) return;
    std::vector<std::string> parts;
    std::size_t at = blank + 1;
    while (parts.size() < 3 && at < text.size()) {
        const std::size_t end = text.find(' ', at);
        const std::string part = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!part.empty()) parts.push_back(part);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (parts.size() < 3) return;
    const CVector point{LeadingReal(parts[0]), LeadingReal(parts[1]), LeadingReal(parts[2])};
    switch (id) {
    case kPickA:
        m_A = point;
        break;
    case kPickB:
        m_B = point;
        break;
    case kPickC:
        m_C = point;
        break;
    default:
        m_Centre = point;
        break;
    }
    UpdateData(false);
}

bool CPlaneSetupDlg::ProjectCentre() {
    if (!CPlotPlane::SpansPlane(m_A, m_B, m_C)) {
        zel::ShowMessageBox(CPlot::kNoPlane);
        return false;
    }
    const CVector n = CPlot::PlaneNormal(m_A, m_B, m_C);
    const double t = (m_Centre - m_A) * n;
    const CVector projected = m_Centre - t * n;
    if (!std::isfinite(projected.x) || !std::isfinite(projected.y) || !std::isfinite(projected.z)) {
        zel::ShowMessageBox(kPlaneTooLarge);
        return false;
    }
    m_Centre = projected;
    return true;
}

void CPlaneSetupDlg::OnCalculateProjectedCenter() {
    if (ProjectCentre()) UpdateData(false);
}

bool CPlaneSetupDlg::HasArea() {
    // A rectangle without area has no normal: plots of it would be points.
    for (const auto& [side, id] : {std::pair{m_dWidth, kWidth}, std::pair{m_dHeight, kHeight}}) {
        if (side != 0.0) continue;
        zel::ShowMessageBox(CPlot::kNoArea);
        if (auto* edit = DlgItem<QLineEdit>(id)) {
            edit->setFocus();
            edit->selectAll();
        }
        return false;
    }
    return true;
}

bool CPlaneSetupDlg::StorePlane() {
    if (!CPlotPlane::SpansPlane(m_A, m_B, m_C)) {
        zel::ShowMessageBox(CPlot::kNoPlane);
        return false;
    }
    if (!HasArea()) return false;
    CPlotPlane plane = m_Plane;
    plane.PointA = m_A;
    plane.PointB = m_B;
    plane.PointC = m_C;
    plane.Centre = m_Centre;
    plane.Width = m_dWidth;
    plane.Height = m_dHeight;
    plane.Angle = m_dAngle;
    if (const int refused = m_pPlot->SetPlane(plane); refused != 0) {
        // Finite corners that still span no plane: a side too small for them.
        zel::ShowMessageBox(refused == CPlot::kPlaneWithoutArea ? CPlot::kNoArea : kPlaneTooLarge);
        return false;
    }
    m_Plane = m_pPlot->GetPlane();
    return true;
}

void CPlaneSetupDlg::OnApplyIn3DView() {
    // The three-dimensional view draws the current plot's plane.
    CMolecule* molecule = m_pPlot->GetMolecule();
    if (!StorePlane()) return;
    if (molecule) {
        molecule->SetCurrentPlot(m_pPlot);
        if (I3DView* view = molecule->Get3DView()) view->Redraw();
    }
}

void CPlaneSetupDlg::RestoreCurrentPlot() {
    CMolecule* molecule = m_pPlot->GetMolecule();
    if (!molecule) return;
    const bool changed = molecule->GetCurrentPlot() != m_pSavedPlot;
    molecule->SetCurrentPlot(m_pSavedPlot);
    // The view showed this plot's plane since Apply in 3DView.
    if (changed)
        if (I3DView* view = molecule->Get3DView()) view->Redraw();
}

void CPlaneSetupDlg::OnOK() {
    if (!UpdateData(true)) return;
    // Refused before the centre moves: a refusal changes no field.
    if (!HasArea()) return;
    if (!ProjectCentre()) return;
    UpdateData(false);
    if (!StorePlane()) return;
    RestoreCurrentPlot();
    EndDialog(zel::IDOK);
}

void CPlaneSetupDlg::OnCancel() {
    RestoreCurrentPlot();
    EndDialog(zel::IDCANCEL);
}
