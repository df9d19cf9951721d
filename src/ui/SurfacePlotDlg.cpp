#include "ui/SurfacePlotDlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

#include "analysis/Molecule.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/UiThread.h"
#include "ui/LeadingNumber.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PlotDlgSupport.h"
#include "ui/StyleDlgs.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;
using D = CSurfacePlotDlg;
using C = CSurfColorDlg;

const zel::SDialogTemplate& SurfacePlotTemplate() {
    constexpr unsigned hidden = ctl::kHidden;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Relief Map",
        269,
        221,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, D::kTitle, "New Plot", 7, 7, 185, 8},
            {ControlKind::Static, D::kFunction, "function", 7, 19, 185, 8},
            {ControlKind::PushButton, D::kPageSetup, "Page Setup", 199, 7, 63, 14},
            {ControlKind::PushButton, D::kPlaneSetup, "Plane Setup", 199, 24, 63, 14},
            {ControlKind::PushButton, D::kColor, "Color", 199, 41, 63, 14},

            {ControlKind::GroupBox, -1, "View Angle", 7, 34, 185, 32},
            {ControlKind::Static, -1, "X", 13, 49, 8, 8},
            {ControlKind::Edit, D::kAngleX, "", 22, 47, 32, 12, ctl::kAutoHScroll},
            {ControlKind::Spin, D::kSpinX, "", 54, 47, 10, 12, ctl::kWrap},
            {ControlKind::Static, -1, "Y", 72, 49, 8, 8},
            {ControlKind::Edit, D::kAngleY, "", 81, 47, 32, 12, ctl::kAutoHScroll},
            {ControlKind::Spin, D::kSpinY, "", 113, 47, 10, 12, ctl::kWrap},
            {ControlKind::Static, -1, "Z", 131, 49, 8, 8},
            {ControlKind::Edit, D::kAngleZ, "", 140, 47, 32, 12, ctl::kAutoHScroll},
            {ControlKind::Spin, D::kSpinZ, "", 172, 47, 10, 12, ctl::kWrap},

            {ControlKind::GroupBox, -1, "View", 7, 70, 255, 52},
            {ControlKind::Static, -1, "Perspective", 13, 84, 44, 8},
            {ControlKind::Static, -1, "Plane", 60, 84, 22, 8},
            {ControlKind::Edit, D::kPlane, "", 84, 82, 60, 12, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Center", 154, 84, 26, 8},
            {ControlKind::Edit, D::kCenter, "", 182, 82, 60, 12, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Columns", 13, 104, 34, 8},
            {ControlKind::Edit, D::kColumns, "", 50, 102, 36, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kColumnsSpin, "", 86, 102, 10, 12, ctl::kWrap},
            {ControlKind::Static, -1, "Rows", 120, 104, 24, 8},
            {ControlKind::Edit, D::kRows, "", 146, 102, 36, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kRowsSpin, "", 182, 102, 10, 12, ctl::kWrap},

            {ControlKind::GroupBox, -1, "Display", 7, 126, 255, 68},
            {ControlKind::Static, -1, "Scale", 13, 140, 40, 8},
            {ControlKind::Edit, D::kScale, "", 60, 138, 60, 12, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "|Max. value|", 130, 140, 48, 8},
            {ControlKind::Edit, D::kMaxValue, "", 182, 138, 60, 12, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Light direction", 13, 158, 60, 8, hidden},
            {ControlKind::Static, -1, "Global X", 13, 174, 34, 8, hidden},
            {ControlKind::Edit, D::kLightX, "", 48, 172, 36, 12, hidden | ctl::kDisabled},
            {ControlKind::Static, -1, "Global Y", 90, 174, 34, 8, hidden},
            {ControlKind::Edit, D::kLightY, "", 125, 172, 36, 12, hidden | ctl::kDisabled},
            {ControlKind::Static, -1, "Global Z", 167, 174, 34, 8, hidden},
            {ControlKind::Edit, D::kLightZ, "", 202, 172, 36, 12, hidden | ctl::kDisabled},

            {ControlKind::PushButton, zel::IDOK, "OK", 155, 200, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 212, 200, 50, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(SurfacePlotTemplate);

const zel::SDialogTemplate& SurfColorTemplate() {
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{C::IDD, "Color definition", 329, 104, "MS Sans Serif", 8, {}};
        auto& c = t.controls;
        c.push_back({ControlKind::Static, -1, "R", 150, 8, 30, 8, ctl::kCentre});
        c.push_back({ControlKind::Static, -1, "G", 190, 8, 30, 8, ctl::kCentre});
        c.push_back({ControlKind::Static, -1, "B", 230, 8, 30, 8, ctl::kCentre});
        const char* rows[3] = {"Top Color", "Bottom Color", "Element Border"};
        const int buttons[3] = {C::kTopColor, C::kBottomColor, C::kBorderColor};
        for (int row = 0; row < 3; ++row) {
            const int y = 20 + 20 * row;
            c.push_back({ControlKind::Static, -1, rows[row], 7, y + 3, 60, 8});
            c.push_back({ControlKind::PushButton, buttons[row], "Color", 70, y, 40, 14});
            c.push_back({ControlKind::Static, C::kSwatches[row], "", 118, y, 20, 14});
            for (int k = 0; k < 3; ++k)
                c.push_back({ControlKind::Edit, C::kEdits[row][k], "", 150 + 40 * k, y, 30, 12,
                             ctl::kReadOnly | ctl::kAutoHScroll});
        }
        c.push_back({ControlKind::CheckBox, C::kElementBorder, "", 272, 62, 12, 10});
        c.push_back({ControlKind::PushButton, zel::IDOK, "OK", 210, 83, 50, 14, ctl::kDefault});
        c.push_back({ControlKind::PushButton, zel::IDCANCEL, "Cancel", 272, 83, 50, 14});
        return t;
    }();
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(SurfColorTemplate);

} // namespace

// --- Relief Map ----------------------------------------------------------------------------

CSurfacePlotDlg::CSurfacePlotDlg(CSurfacePlot* plot, QWidget* parent)
    : CDialog(SurfacePlotTemplate(), parent), m_pPlot(plot) {
    Build();
}

CSurfacePlotDlg::CSurfacePlotDlg(std::unique_ptr<CSurfacePlot> newPlot, QWidget* parent)
    : CDialog(SurfacePlotTemplate(), parent), m_pPlot(newPlot.get()), m_pNewPlot(std::move(newPlot)),
      m_bNewPlot(1) {
    Build();
}

CSurfacePlotDlg::~CSurfacePlotDlg() = default;

void CSurfacePlotDlg::Build() {
    SetHelpTopic("::plot-new_plot-relief_map.htm");
    OnCommand(kPageSetup, [this] { OnPageSetup(); });
    OnCommand(kPlaneSetup, [this] { OnPlaneSetup(); });
    OnCommand(kColor, [this] { OnColor(); });
}

void CSurfacePlotDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kAngleX, m_nX);
    dx.MinMax(m_nX, -180, 180);
    dx.Text(kAngleY, m_nY);
    dx.MinMax(m_nY, -180, 180);
    dx.Text(kAngleZ, m_nZ);
    dx.MinMax(m_nZ, -180, 180);
}

bool CSurfacePlotDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const CMolecule* molecule = m_pPlot->GetMolecule();
    SetDlgItemText(kTitle, m_pPlot->GetTitle()->GetText());
    SetDlgItemText(kFunction, molecule ? molecule->GetPropertyName(-1) : std::string());

    const int* angles = m_pPlot->GetAngles();
    m_nX = angles[0];
    m_nY = angles[1];
    m_nZ = angles[2];
    UpdateData(false);

    const CVector light = m_pPlot->GetLightVector();
    SetDlgItemText(kLightX, zel::Sprintf("%lf", light.x));
    SetDlgItemText(kLightY, zel::Sprintf("%lf", light.y));
    SetDlgItemText(kLightZ, zel::Sprintf("%lf", light.z));
    SetDlgItemText(kPlane, zel::Sprintf("%lf", m_pPlot->GetProjectionDistance()));
    SetDlgItemText(kCenter, zel::Sprintf("%lf", m_pPlot->GetEyeDistance()));
    SetDlgItemText(kScale, zel::Sprintf("%lf", m_pPlot->GetScale()));
    int m = 0;
    int n = 0;
    m_pPlot->GetGrid(&m, &n);
    SetDlgItemText(kColumns, zel::Sprintf("%d", m));
    SetDlgItemText(kRows, zel::Sprintf("%d", n));
    SetDlgItemText(kMaxValue, zel::Sprintf("%.2lf", std::fabs(m_pPlot->GetMaxValue())));

    m_SavedPlane = m_pPlot->GetPlane();
    for (int spin : {kSpinX, kSpinY, kSpinZ})
        if (auto* control = DlgItem<zel::CSpinButton>(spin)) control->SetRange(-180, 180);
    for (int spin : {kColumnsSpin, kRowsSpin})
        if (auto* control = DlgItem<zel::CSpinButton>(spin))
            control->SetRange(0, CSurfacePlot::kMaxGridCount);
    return true;
}

bool CSurfacePlotDlg::ReadGridCount(int id, const char* tooSmall, int* count) {
    *count = LeadingInt(GetDlgItemText(id));
    if (*count >= 1 && *count <= CSurfacePlot::kMaxGridCount) return true;
    // Beyond the limit a mesh would take more memory and time than any map
    // is worth, and its sizes overflow.
    zel::ShowMessageBox(*count < 1 ? std::string(tooSmall)
                                   : zel::IntegerRangeMessage(1, CSurfacePlot::kMaxGridCount),
                        zel::PromptButtons::OK, zel::PromptIcon::Error);
    if (auto* edit = DlgItem<QLineEdit>(id)) {
        edit->setFocus();
        edit->selectAll();
    }
    return false;
}

bool CSurfacePlotDlg::HeightsAreFinite(double scale, double bound) const {
    const CPlotPlane plane = m_pPlot->GetPlane();
    double reach = std::fabs(scale * bound);
    for (const CVector& corner : {plane.Corner0, plane.Corner1, plane.Corner2})
        reach = std::max({reach, std::fabs(corner.x) + std::fabs(scale * bound),
                          std::fabs(corner.y) + std::fabs(scale * bound),
                          std::fabs(corner.z) + std::fabs(scale * bound)});
    return std::isfinite(scale) && std::isfinite(bound) && std::isfinite(reach);
}

void CSurfacePlotDlg::OnOK() {
    if (!UpdateData(true)) return;
    // Heights of value x scale that are not finite numbers would give a map
    // that can be neither drawn nor saved: refused before anything changes.
    if (!HeightsAreFinite(LeadingReal(GetDlgItemText(kScale)),
                          std::fabs(LeadingReal(GetDlgItemText(kMaxValue))))) {
        zel::ShowMessageBox(kBadHeights, zel::PromptButtons::OK, zel::PromptIcon::Error);
        if (auto* edit = DlgItem<QLineEdit>(kScale)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    m_pPlot->SetAngles(m_nX, m_nY, m_nZ);

    double x = LeadingReal(GetDlgItemText(kLightX));
    const double y = LeadingReal(GetDlgItemText(kLightY));
    const double z = LeadingReal(GetDlgItemText(kLightZ));
    if (x == 0.0 && y == 0.0) x = 0.0001;
    m_pPlot->SetLightVector({x, y, z});
    m_pPlot->SetProjectionDistance(LeadingReal(GetDlgItemText(kPlane)));
    m_pPlot->SetEyeDistance(LeadingReal(GetDlgItemText(kCenter)));

    const double scale = LeadingReal(GetDlgItemText(kScale));
    if (scale != m_pPlot->GetScale()) {
        m_pPlot->SetScale(scale);
        m_pPlot->SetRecompute(1);
    }

    int m = 0;
    int n = 0;
    if (!ReadGridCount(kColumns, kBadM, &m)) return;
    if (!ReadGridCount(kRows, kBadN, &n)) return;
    int oldM = 0;
    int oldN = 0;
    m_pPlot->GetGrid(&oldM, &oldN);
    if (m != oldM || n != oldN) {
        m_pPlot->SetGrid(m, n);
        m_pPlot->SetRecompute(1);
    }

    const double bound = std::fabs(LeadingReal(GetDlgItemText(kMaxValue)));
    if (bound != m_pPlot->GetMaxValue()) {
        m_pPlot->SetMaxValue(bound);
        m_pPlot->SetRecompute(1);
    }

    if (m_pNewPlot) {
        CPlot::IncrementPlotCounter();
        m_pPlot->SetRecompute(1);
        // A new map is seen from its angles at once, as Modify makes an
        // existing one.
        m_pPlot->OrientByAngles();
        if (CMolecule* molecule = m_pPlot->GetMolecule())
            molecule->GetPlotList().push_front(std::move(m_pNewPlot));
    }
    EndDialog(zel::IDOK);
}

void CSurfacePlotDlg::OnCancel() {
    m_pPlot->RestorePlane(m_SavedPlane);
    CDialog::OnCancel();
}

void CSurfacePlotDlg::UpdateAllViews() {
    UpdatePlotViews(*m_pPlot);
}

void CSurfacePlotDlg::OnPageSetup() {
    RunPageSetup(*m_pPlot, *this, kTitle);
}

void CSurfacePlotDlg::OnPlaneSetup() {
    RunPlaneSetup(*m_pPlot, *this, m_SavedPlane);
}

void CSurfacePlotDlg::OnColor() {
    CSurfColorDlg dialog(m_pPlot, this);
    dialog.DoModal();
    UpdateAllViews();
}

// --- Color definition --------------------------------------------------------------------------

CSurfColorDlg::CSurfColorDlg(CSurfacePlot* plot, QWidget* parent)
    : CDialog(SurfColorTemplate(), parent), m_pPlot(plot) {
    SetHelpTopic("::plot-new_plot-color.htm");
    for (int id : {kTopColor, kBottomColor, kBorderColor})
        OnCommand(id, [this, id] { OnColor(id); });
}

bool CSurfColorDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (auto* box = DlgItem<QAbstractButton>(kElementBorder)) box->setChecked(m_pPlot->Query(99) != 0);
    for (int row = 0; row < 3; ++row) {
        const CVector color = m_pPlot->GetColor(row);
        const int rgb[3] = {zel::TruncToInt(color.x), zel::TruncToInt(color.y), zel::TruncToInt(color.z)};
        for (int k = 0; k < 3; ++k)
            SetDlgItemText(kEdits[row][k], zel::Sprintf("%d", rgb[k]));
        m_Colors[row] = zel::RGB(rgb[0], rgb[1], rgb[2]);
    }
    PaintSwatches();
    return true;
}

void CSurfColorDlg::OnColor(int id) {
    const int row = id - kTopColor;
    if (row < 0 || row > 2) return;
    // No starting colour: the dialog opens on black.
    if (const std::optional<zel::COLORREF> chosen = zel::ChooseColor(zel::RGB(0, 0, 0))) {
        const zel::COLORREF c = *chosen;
        SetDlgItemText(kEdits[row][0], zel::Sprintf("%d", static_cast<int>(c % 256)));
        SetDlgItemText(kEdits[row][1], zel::Sprintf("%d", static_cast<int>((c / 256) % 256)));
        SetDlgItemText(kEdits[row][2], zel::Sprintf("%d", static_cast<int>((c / 65536) % 256)));
        m_Colors[row] = c;
    }
    PaintSwatches();
}

void CSurfColorDlg::OnOK() {
    const auto* box = DlgItem<QAbstractButton>(kElementBorder);
    const bool checked = box && box->isChecked();
    if (checked != (m_pPlot->Query(99) != 0)) m_pPlot->Toggle(CSurfacePlot::kElementBorderCode);
    for (int row = 0; row < 3; ++row)
        m_pPlot->SetColor(row, {double(LeadingInt(GetDlgItemText(kEdits[row][0]))),
                                double(LeadingInt(GetDlgItemText(kEdits[row][1]))),
                                double(LeadingInt(GetDlgItemText(kEdits[row][2])))});
    EndDialog(zel::IDOK);
}

void CSurfColorDlg::PaintSwatches() {
    for (int row = 0; row < 3; ++row)
        ::PaintSwatch(DlgItem<QLabel>(kSwatches[row]), m_Colors[row]);
}

int CQtPlotDialogService::EditSurfacePlot(CSurfacePlot& plot) {
    int result = zel::IDCANCEL;
    zel::RunOnUiThread([&] {
        CSurfacePlotDlg dialog(&plot);
        result = dialog.DoModal();
    });
    return result;
}
