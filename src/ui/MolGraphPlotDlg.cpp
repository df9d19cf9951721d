#include "ui/MolGraphPlotDlg.h"

#include <QAbstractButton>
#include <QLabel>

#include <cmath>

#include "analysis/Molecule.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Format.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/UiThread.h"
#include "ui/LeadingNumber.h"
#include "ui/PlaneSetupDlg.h"
#include "ui/PlotDlgSupport.h"
#include "ui/StyleDlgs.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;
using D = CMolGraphPlotDlg;

// Logical font sizes are 25 times the screen sizes of the font dialog.
constexpr int kScreenFactor = 25;

// ((a mod 360) + 360) mod 360, without overflow for any int a.
int ReduceAngle(int angle) {
    const long long a = angle;
    return static_cast<int>(((a % 360) + 360) % 360);
}

// The buddy edit of a size spin.
int SizeEditOfSpin(int spinId) {
    return spinId == D::kFirstSizeSpin ? D::kFirstSize + 7 : D::kFirstSize + (spinId - D::kFirstSizeSpin - 1);
}

const zel::SDialogTemplate& MolGraphPlotTemplate() {
    constexpr unsigned hidden = ctl::kHidden;
    // One row of an item kind: check box (or none), colour button, swatch,
    // size edit with its spin and its unit.
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{D::IDD, "Molecular Graph", 277, 271, "MS Sans Serif", 8, {}};
        auto& c = t.controls;
        c.push_back({ControlKind::Static, D::kTitle, "New Plot", 7, 7, 190, 8});
        c.push_back({ControlKind::Static, D::kFunction, "function", 7, 20, 190, 8});
        c.push_back({ControlKind::PushButton, D::kPageSetup, "Page Setup", 207, 7, 63, 14});
        c.push_back({ControlKind::PushButton, D::kPlaneSetup, "Plane Setup", 207, 24, 63, 14,
                     hidden | ctl::kDisabled});

        const char* pointCaptions[4] = {"(3, -3)", "(3, -1)", "(3, +1)", "(3, +3)"};
        const char* pathCaptions[3] = {"Bond", "Ring", "Cage"};
        auto row = [&c](int box, const char* caption, int index, int y, const char* unit) {
            c.push_back({ControlKind::CheckBox, box, caption, 14, y + 2, 44, 10});
            c.push_back({ControlKind::PushButton, D::kFirstColor + index, "Color", 62, y, 40, 14});
            c.push_back({ControlKind::Static, D::kSwatches[index], "", 106, y, 14, 14});
            c.push_back({ControlKind::Edit, D::kFirstSize + index, "", 126, y, 50, 14, ctl::kAutoHScroll});
            c.push_back({ControlKind::Spin, D::kFirstSizeSpin + 1 + index, "", 176, y, 10, 14, ctl::kWrap});
            c.push_back({ControlKind::Static, -1, unit, 190, y + 3, 40, 8});
        };
        c.push_back({ControlKind::GroupBox, -1, "Critical Points", 7, 40, 263, 84});
        for (int i = 0; i < 4; ++i)
            row(D::kFirstPointBox + i, pointCaptions[i], i, 52 + 17 * i, "mm");
        c.push_back({ControlKind::GroupBox, -1, "Path", 7, 128, 263, 67});
        for (int i = 0; i < 3; ++i)
            row(D::kBondBox + i, pathCaptions[i], 4 + i, 140 + 17 * i, "mm / 10");

        c.push_back({ControlKind::GroupBox, -1, " Atoms ", 7, 199, 150, 46});
        c.push_back({ControlKind::PushButton, D::kFont, "Font", 14, 211, 36, 14});
        c.push_back({ControlKind::PushButton, D::kFirstColor + 7, "Color", 54, 211, 36, 14});
        c.push_back({ControlKind::Static, D::kSwatches[7], "", 94, 211, 14, 14});
        c.push_back({ControlKind::Edit, D::kFirstSize + 7, "", 112, 211, 26, 14, ctl::kAutoHScroll | hidden});
        c.push_back({ControlKind::Spin, D::kFirstSizeSpin, "", 138, 211, 8, 14, ctl::kWrap | hidden});
        c.push_back({ControlKind::Static, -1, "mm", 112, 229, 20, 8, hidden});

        c.push_back({ControlKind::GroupBox, -1, " View Angle", 162, 199, 108, 46, hidden});
        c.push_back({ControlKind::Edit, D::kAngleX, "", 168, 210, 30, 12, ctl::kDisabled | hidden});
        c.push_back({ControlKind::Spin, D::kSpinAngleX, "", 198, 210, 9, 12, ctl::kWrap | hidden});
        c.push_back({ControlKind::Static, -1, "about X", 210, 212, 50, 8, hidden});
        c.push_back({ControlKind::Edit, D::kAngleY, "", 168, 226, 30, 12, ctl::kDisabled | hidden});
        c.push_back({ControlKind::Spin, D::kSpinAngleY, "", 198, 226, 9, 12, ctl::kWrap | hidden});
        c.push_back({ControlKind::Static, -1, "about Y", 210, 228, 50, 8, hidden});

        c.push_back({ControlKind::PushButton, zel::IDOK, "OK", 160, 251, 50, 14, ctl::kDefault});
        c.push_back({ControlKind::PushButton, zel::IDCANCEL, "Cancel", 220, 251, 50, 14});
        return t;
    }();
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(MolGraphPlotTemplate);

} // namespace

CMolGraphPlotDlg::CMolGraphPlotDlg(CMolGraphPlot* plot, QWidget* parent)
    : CDialog(MolGraphPlotTemplate(), parent), m_pPlot(plot) {
    Build();
}

CMolGraphPlotDlg::CMolGraphPlotDlg(std::unique_ptr<CMolGraphPlot> newPlot, QWidget* parent)
    : CDialog(MolGraphPlotTemplate(), parent), m_pPlot(newPlot.get()), m_pNewPlot(std::move(newPlot)),
      m_bNewPlot(1) {
    Build();
}

CMolGraphPlotDlg::~CMolGraphPlotDlg() = default;

void CMolGraphPlotDlg::Build() {
    SetHelpTopic("::plot-new_plot-molecular_graph.htm");
    OnCommand(kPageSetup, [this] { OnPageSetup(); });
    OnCommand(kPlaneSetup, [this] { OnPlaneSetup(); });
    OnCommand(kFont, [this] { OnFont(); });
    for (int id = kFirstColor; id < kFirstColor + CMolGraphPlot::kItemKinds; ++id)
        OnCommand(id, [this, id] { OnColor(id); });
    for (int spin = kFirstSizeSpin; spin < kFirstSizeSpin + CMolGraphPlot::kItemKinds; ++spin)
        if (auto* control = DlgItem<zel::CSpinButton>(spin))
            control->SetDeltaPosHandler([this, spin](int) { OnDeltaPosSize(spin); });
}

bool CMolGraphPlotDlg::IsChecked(int id) const {
    const auto* box = DlgItem<QAbstractButton>(id);
    return box && box->isChecked();
}

bool CMolGraphPlotDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const CMolecule* molecule = m_pPlot->GetMolecule();
    const int field = molecule ? molecule->GetFieldIndex() : m_pPlot->GetFieldIndex();
    SetDlgItemText(kTitle, m_pPlot->GetTitle()->GetText());
    SetDlgItemText(kFunction, molecule ? molecule->GetPropertyName(field) : std::string());

    constexpr int kSignatures[4] = {-3, -1, 1, 3};
    for (int i = 0; i < 4; ++i) {
        if (auto* box = DlgItem<QAbstractButton>(kFirstPointBox + i)) {
            box->setChecked(m_pPlot->GetDisplayOption(i) != 0);
            bool any = false;
            if (molecule)
                for (const auto& point : *molecule->GetList(kSignatures[i]))
                    any = any || point->GetFieldIndex() == field;
            box->setEnabled(any);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (auto* box = DlgItem<QAbstractButton>(kBondBox + i)) {
            box->setChecked(m_pPlot->GetDisplayFlag(i) != 0);
            bool any = false;
            if (molecule)
                for (const auto& point : *molecule->GetList(kSignatures[i + 1]))
                    any = any || (point->GetFieldIndex() == field && !point->GetPathList(true).empty());
            box->setEnabled(any);
        }
    }
    const int* angles = m_pPlot->GetAngles();
    SetDlgItemText(kAngleX, zel::Sprintf("%d", angles[0]));
    SetDlgItemText(kAngleY, zel::Sprintf("%d", angles[1]));

    for (int i = 0; i < CMolGraphPlot::kItemKinds; ++i) {
        m_Colors[i] = m_pPlot->GetColor(i);
        SetDlgItemText(kFirstSize + i, zel::Sprintf("%f", double(m_pPlot->GetSize(i))));
    }
    // At zoom 1: the zoom of the view is not the user's choice of font.
    m_LogFont = m_pPlot->GetBaseLogFont();
    m_LogFont.Height /= kScreenFactor;
    m_LogFont.Width /= kScreenFactor;

    for (int spin : {kSpinAngleX, kSpinAngleY})
        if (auto* control = DlgItem<zel::CSpinButton>(spin)) control->SetRange(0, 360);
    for (int spin = kFirstSizeSpin; spin < kFirstSizeSpin + CMolGraphPlot::kItemKinds; ++spin)
        if (auto* control = DlgItem<zel::CSpinButton>(spin)) control->SetRange(0, 100);
    PaintSwatches();
    return true;
}

void CMolGraphPlotDlg::OnOK() {
    for (int i = 0; i < 4; ++i)
        m_pPlot->SetDisplayOption(i, IsChecked(kFirstPointBox + i) ? 1 : 0);
    for (int i = 0; i < 3; ++i)
        m_pPlot->SetDisplayFlag(i, IsChecked(kBondBox + i) ? 1 : 0);
    // Kept for display only: the orientation is the view of this kind.
    m_pPlot->SetAngles(ReduceAngle(LeadingInt(GetDlgItemText(kAngleX))),
                       ReduceAngle(LeadingInt(GetDlgItemText(kAngleY))), 0);
    if (m_pNewPlot) {
        CPlot::IncrementPlotCounter();
        if (CMolecule* molecule = m_pPlot->GetMolecule())
            molecule->GetPlotList().push_front(std::move(m_pNewPlot));
    }
    for (int i = 0; i < CMolGraphPlot::kItemKinds; ++i)
        m_pPlot->SetColor(i, m_Colors[i]);
    zel::LOGFONT font = m_LogFont;
    font.Height = zel::TruncToInt(double(m_LogFont.Height) * kScreenFactor);
    font.Width = zel::TruncToInt(double(m_LogFont.Width) * kScreenFactor);
    m_pPlot->SetBaseLogFont(font);
    for (int i = 0; i < CMolGraphPlot::kItemKinds; ++i) {
        // A size beyond what the plot stores would make the document
        // unsavable: it reads as 0, as any other text that is no size.
        float size = static_cast<float>(LeadingReal(GetDlgItemText(kFirstSize + i)));
        if (!std::isfinite(size)) size = 0.0f;
        m_pPlot->SetSize(i, size);
    }
    EndDialog(zel::IDOK);
}

void CMolGraphPlotDlg::UpdateAllViews() {
    UpdatePlotViews(*m_pPlot);
}

void CMolGraphPlotDlg::OnPageSetup() {
    RunPageSetup(*m_pPlot, *this, kTitle);
}

void CMolGraphPlotDlg::OnPlaneSetup() {
    CPlaneSetupDlg dialog(m_pPlot, this);
    dialog.DoModal();
}

void CMolGraphPlotDlg::OnColor(int id) {
    const int k = id - kFirstColor;
    if (k < 0 || k >= CMolGraphPlot::kItemKinds) return;
    // From the plot's colour: a colour chosen before and not yet taken by
    // OK is offered again as the plot has it.
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(m_pPlot->GetColor(k)))
        m_Colors[k] = *color;
    PaintSwatches();
    UpdateAllViews();
}

void CMolGraphPlotDlg::OnFont() {
    if (const std::optional<zel::LOGFONT> chosen = zel::ChooseFont(m_LogFont)) m_LogFont = *chosen;
    UpdateAllViews();
}

void CMolGraphPlotDlg::OnDeltaPosSize(int spinId) {
    if (auto* spin = DlgItem<zel::CSpinButton>(spinId))
        spin->SetPos(LeadingInt(GetDlgItemText(SizeEditOfSpin(spinId))));
}

void CMolGraphPlotDlg::PaintSwatches() {
    for (int i = 0; i < CMolGraphPlot::kItemKinds; ++i)
        ::PaintSwatch(DlgItem<QLabel>(kSwatches[i]), m_Colors[i]);
}

int CQtPlotDialogService::EditMolGraphPlot(CMolGraphPlot& plot) {
    int result = zel::IDCANCEL;
    zel::RunOnUiThread([&] {
        CMolGraphPlotDlg dialog(&plot);
        result = dialog.DoModal();
    });
    return result;
}
