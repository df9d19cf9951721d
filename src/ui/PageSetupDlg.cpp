#include "ui/PageSetupDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "ui/LeadingNumber.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& PageSetupTemplate() {
    static const zel::SDialogTemplate dialog{
        CPageSetupDlg::IDD,
        "Page Setup",
        250,
        236,
        "MS Sans Serif",
        8,
        {
            {ControlKind::GroupBox, -1, "Title", 7, 7, 236, 36},
            {ControlKind::Edit, CPageSetupDlg::kTitle, "", 14, 21, 164, 14, ctl::kAutoHScroll},
            {ControlKind::CheckBox, CPageSetupDlg::kDisplay, "Display", 186, 23, 50, 10},
            {ControlKind::GroupBox, -1, "Description", 7, 47, 236, 46},
            {ControlKind::Edit, CPageSetupDlg::kDescription, "", 14, 59, 222, 28, ctl::kMultiLine},
            {ControlKind::GroupBox, -1, "Size", 7, 97, 116, 80},
            {ControlKind::RadioButton, CPageSetupDlg::kA4, "A4", 14, 109, 28, 10, ctl::kGroup},
            {ControlKind::RadioButton, CPageSetupDlg::kA3, "A3", 44, 109, 28, 10},
            {ControlKind::RadioButton, CPageSetupDlg::kLetter, "Letter", 74, 109, 44, 10},
            {ControlKind::Static, -1, "Horizontal", 14, 129, 42, 8},
            {ControlKind::Edit, CPageSetupDlg::kWidth, "", 58, 127, 58, 14, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Vertical", 14, 149, 42, 8},
            {ControlKind::Edit, CPageSetupDlg::kHeight, "", 58, 147, 58, 14, ctl::kAutoHScroll},
            {ControlKind::GroupBox, -1, "Border", 127, 97, 116, 80},
            {ControlKind::Static, -1, "Left", 134, 111, 36, 8},
            {ControlKind::Edit, CPageSetupDlg::kLeft, "", 172, 109, 64, 13, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Right", 134, 127, 36, 8},
            {ControlKind::Edit, CPageSetupDlg::kRight, "", 172, 125, 64, 13, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Top", 134, 143, 36, 8},
            {ControlKind::Edit, CPageSetupDlg::kTop, "", 172, 141, 64, 13, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Bottom", 134, 159, 36, 8},
            {ControlKind::Edit, CPageSetupDlg::kBottom, "", 172, 157, 64, 13, ctl::kAutoHScroll},
            {ControlKind::GroupBox, -1, "Orientation", 7, 181, 116, 28},
            {ControlKind::RadioButton, CPageSetupDlg::kPortrait, "Portrait", 14, 194, 46, 10, ctl::kGroup},
            {ControlKind::RadioButton, CPageSetupDlg::kLandscape, "Landscape", 62, 194, 56, 10},
            {ControlKind::GroupBox, -1, "Units", 127, 181, 116, 28},
            {ControlKind::RadioButton, CPageSetupDlg::kMm, "mm", 134, 194, 36, 10, ctl::kGroup},
            {ControlKind::RadioButton, CPageSetupDlg::kInch, "inch", 178, 194, 40, 10},
            {ControlKind::PushButton, zel::IDOK, "OK", 64, 216, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 136, 216, 50, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(PageSetupTemplate);

constexpr int kLengthFields[6] = {CPageSetupDlg::kWidth, CPageSetupDlg::kHeight, CPageSetupDlg::kLeft,
                                  CPageSetupDlg::kRight, CPageSetupDlg::kTop,    CPageSetupDlg::kBottom};

} // namespace

CPageSetupDlg::CPageSetupDlg(CPlot* plot, QWidget* parent)
    : CDialog(PageSetupTemplate(), parent), m_pPlot(plot), m_PageSetup(plot->GetPageSetup()) {
    SetHelpTopic("::plot-new_plot-page_setup.htm");
    OnCommand(kA4, [this] { OnA4(); });
    OnCommand(kA3, [this] { OnA3(); });
    OnCommand(kLetter, [this] { OnLetter(); });
    OnCommand(kMm, [this] { OnMm(); });
    OnCommand(kInch, [this] { OnInch(); });
    OnCommand(kPortrait, [this] { OnPortrait(); });
    OnCommand(kLandscape, [this] { OnLandscape(); });
    for (int id : {kWidth, kHeight})
        if (auto* edit = DlgItem<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this] { OnChangePaperSize(); });
}

bool CPageSetupDlg::IsChecked(int id) const {
    const auto* button = DlgItem<QAbstractButton>(id);
    return button && button->isChecked();
}

void CPageSetupDlg::Check(int id, bool checked) {
    if (auto* button = DlgItem<QAbstractButton>(id)) button->setChecked(checked);
}

void CPageSetupDlg::ClearPaperButtons() {
    // An exclusive group keeps one button checked unless told otherwise.
    QButtonGroup* group = nullptr;
    if (auto* a4 = DlgItem<QAbstractButton>(kA4)) group = a4->group();
    if (group) group->setExclusive(false);
    for (int id : {kA4, kA3, kLetter})
        Check(id, false);
    if (group) group->setExclusive(true);
}

double CPageSetupDlg::Value(int id) const {
    return LeadingReal(GetDlgItemText(id));
}

bool CPageSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemText(kTitle, m_pPlot->GetTitle()->GetText());
    SetDlgItemText(kDescription, m_PageSetup.m_strDescription);
    SetDlgItemText(kWidth, zel::Sprintf("%.2lf", m_PageSetup.m_dPaperWidth));
    SetDlgItemText(kHeight, zel::Sprintf("%.2lf", m_PageSetup.m_dPaperHeight));
    SetDlgItemText(kLeft, zel::Sprintf("%.2lf", m_PageSetup.m_dMarginLeft));
    SetDlgItemText(kRight, zel::Sprintf("%.2lf", m_PageSetup.m_dMarginRight));
    SetDlgItemText(kTop, zel::Sprintf("%.2lf", m_PageSetup.m_dMarginTop));
    SetDlgItemText(kBottom, zel::Sprintf("%.2lf", m_PageSetup.m_dMarginBottom));
    m_bMM = m_PageSetup.m_bMM ? 1 : 0;
    Check(m_bMM ? kMm : kInch, true);
    m_bPortrait = m_PageSetup.m_bPortrait ? 1 : 0;
    Check(m_bPortrait ? kPortrait : kLandscape, true);
    Check(kDisplay, m_pPlot->GetTitle()->IsVisible());
    ClearPaperButtons();
    return true;
}

void CPageSetupDlg::SetPaper(const char* width, const char* height) {
    if (IsChecked(kLandscape)) std::swap(width, height);
    SetDlgItemText(kWidth, width);
    SetDlgItemText(kHeight, height);
    // A one-shot command: never left checked, even when the texts were
    // already these.
    ClearPaperButtons();
}

void CPageSetupDlg::OnA4() {
    if (IsChecked(kMm))
        SetPaper("210", "297");
    else
        SetPaper("8.268", "11.693");
}

void CPageSetupDlg::OnA3() {
    if (IsChecked(kMm))
        SetPaper("297", "420");
    else
        SetPaper("11.693", "16.535");
}

void CPageSetupDlg::OnLetter() {
    if (IsChecked(kMm))
        SetPaper("215.9", "279.4");
    else
        SetPaper("8.5", "11");
}

void CPageSetupDlg::OnChangePaperSize() {
    ClearPaperButtons();
}

void CPageSetupDlg::OnInch() {
    if (m_bMM != 1) return;
    for (int id : kLengthFields)
        SetDlgItemText(id, zel::Sprintf("%.3lf", Value(id) / 25.4));
    m_bMM = 0;
}

void CPageSetupDlg::OnMm() {
    if (m_bMM != 0) return;
    for (int id : kLengthFields)
        SetDlgItemText(id, zel::Sprintf("%.0lf", Value(id) / 0.03937007874015748));
    m_bMM = 1;
}

void CPageSetupDlg::OnPortrait() {
    if (m_bPortrait != 0) return;
    const std::string width = GetDlgItemText(kWidth);
    SetDlgItemText(kWidth, GetDlgItemText(kHeight));
    SetDlgItemText(kHeight, width);
    m_bPortrait = 1;
}

void CPageSetupDlg::OnLandscape() {
    if (m_bPortrait != 1) return;
    const std::string width = GetDlgItemText(kWidth);
    SetDlgItemText(kWidth, GetDlgItemText(kHeight));
    SetDlgItemText(kHeight, width);
    m_bPortrait = 0;
}

bool CPageSetupDlg::Refuse(const char* message) {
    zel::ShowMessageBox(message, zel::PromptButtons::OK);
    return false;
}

void CPageSetupDlg::OnOK() {
    const std::string title = GetDlgItemText(kTitle);
    if (CMolecule* molecule = m_pPlot->GetMolecule()) {
        for (const auto& plot : molecule->GetPlotList()) {
            if (plot->GetFieldIndex() == m_pPlot->GetFieldIndex() && plot->GetTitle()->GetText() == title &&
                plot->GetNumber() != m_pPlot->GetNumber()) {
                Refuse(kSameTitle);
                return;
            }
        }
    }

    // Checked on a copy: the plot keeps everything, its title included,
    // until every entry is good.
    CPageSetup page = m_PageSetup;
    page.m_strDescription = GetDlgItemText(kDescription);
    page.m_dPaperWidth = Value(kWidth);
    if (page.m_dPaperWidth <= 0.0) {
        Refuse(kBadLength);
        return;
    }
    page.m_dPaperHeight = Value(kHeight);
    if (page.m_dPaperHeight <= 0.0) {
        Refuse(kBadLength);
        return;
    }
    const struct {
        int id;
        double* margin;
        const char* message;
    } margins[] = {{kLeft, &page.m_dMarginLeft, kBadLeft},
                   {kRight, &page.m_dMarginRight, kBadRight},
                   {kTop, &page.m_dMarginTop, kBadTop},
                   {kBottom, &page.m_dMarginBottom, kBadBottom}};
    for (const auto& margin : margins) {
        *margin.margin = Value(margin.id);
        if (*margin.margin < 0.0) {
            Refuse(margin.message);
            return;
        }
    }
    // Margins that meet or cross would turn the border inside out and the
    // plot with it.
    if (!(page.m_dMarginLeft + page.m_dMarginRight < page.m_dPaperWidth)) {
        Refuse(kNoWidthLeft);
        return;
    }
    if (!(page.m_dMarginTop + page.m_dMarginBottom < page.m_dPaperHeight)) {
        Refuse(kNoHeightLeft);
        return;
    }
    page.m_bMM = IsChecked(kMm) ? 1 : 0;
    page.m_wUnits = page.m_bMM ? 100 : 2540;
    m_bMM = page.m_bMM;
    page.m_bPortrait = IsChecked(kPortrait) ? 1 : 0;
    m_bPortrait = page.m_bPortrait;

    m_PageSetup = page;
    m_pPlot->GetTitle()->SetText(title);
    m_pPlot->GetTitle()->SetVisible(IsChecked(kDisplay) ? 1 : 0);
    m_pPlot->SetPageSetup(m_PageSetup);
    m_pPlot->UpdateBorderRect();
    EndDialog(zel::IDOK);
}
