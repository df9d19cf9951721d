#include "ui/StyleDlgs.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "platform/core/ColorFontChooser.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/SpinButton.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const char* const kLineStyles[] = {"continious", "dots"};
const char* const kPointStyles[] = {"circle", "cross", "cross light", "rectangle", "triangle"};

const zel::SDialogTemplate& LineStyleTemplate() {
    using D = CLineStyleDlg;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Line Style",
        160,
        92,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Line Size", 7, 9, 50, 8},
            {ControlKind::Edit, D::kWidth, "", 62, 7, 40, 12, ctl::kAutoHScroll},
            {ControlKind::Spin, D::kWidthSpin, "", 102, 7, 10, 12, ctl::kWrap},
            {ControlKind::Static, -1, "Line Style", 7, 27, 50, 8},
            {ControlKind::ComboBox, D::kStyle, "", 62, 25, 60, 40},
            {ControlKind::PushButton, D::kColor, "Color", 7, 45, 50, 14},
            {ControlKind::Static, D::kSwatch, "", 62, 45, 14, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 71, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 103, 71, 50, 14},
        },
    };
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(LineStyleTemplate);

const zel::SDialogTemplate& PathStyleTemplate() {
    using D = CPathStyleDlg;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Bond- and Gradientpath Style",
        240,
        166,
        "MS Sans Serif",
        8,
        {
            {ControlKind::GroupBox, -1, "Gradientpath", 7, 7, 226, 104},
            {ControlKind::CheckBox, D::kSource, "Gradient Source", 14, 20, 90, 10},
            {ControlKind::Static, -1, "Number of Lines", 14, 37, 110, 8},
            {ControlKind::Edit, D::kLines, "", 128, 35, 50, 12, ctl::kAutoHScroll},
            {ControlKind::Spin, D::kLinesSpin, "", 178, 35, 10, 12, ctl::kWrap},
            {ControlKind::Static, -1, "Distance from Point (mm)", 14, 53, 110, 8},
            {ControlKind::Edit, D::kDistancePoint, "", 128, 51, 96, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "Distance from Plane (au)", 14, 69, 110, 8},
            {ControlKind::Edit, D::kDistancePlane, "", 128, 67, 96, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "max. Pathlength (au)", 14, 85, 110, 8},
            {ControlKind::Edit, D::kMaxLength, "", 128, 83, 96, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::PushButton, D::kPathLineStyle, "Line Style", 128, 20, 96, 12},
            {ControlKind::GroupBox, -1, "Special Path ", 7, 115, 226, 26},
            {ControlKind::CheckBox, D::kSpecial, "Include Special Path", 14, 126, 100, 10},
            {ControlKind::PushButton, D::kSpecialLineStyle, "Line Style", 128, 124, 96, 12},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 146, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 183, 146, 50, 14},
        },
    };
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(PathStyleTemplate);

const zel::SDialogTemplate& PointStyleTemplate() {
    using D = CPointStyleDlg;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Point Style",
        196,
        110,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "In Plane Style", 7, 9, 66, 8},
            {ControlKind::ComboBox, D::kInPlane, "", 78, 7, 106, 60, ctl::kSorted},
            {ControlKind::Static, -1, "Out of Plane Style", 7, 27, 66, 8},
            {ControlKind::ComboBox, D::kOutOfPlane, "", 78, 25, 106, 60, ctl::kSorted},
            {ControlKind::Static, -1, "Point Size", 7, 45, 66, 8},
            {ControlKind::Edit, D::kSize, "", 78, 43, 96, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Spin, D::kSizeSpin, "", 174, 43, 10, 12, ctl::kWrap},
            {ControlKind::PushButton, D::kColor, "Color", 7, 63, 50, 14},
            {ControlKind::Static, D::kSwatch, "", 78, 63, 14, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 89, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 139, 89, 50, 14},
        },
    };
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(PointStyleTemplate);

void FillCombo(QComboBox* combo, const char* const* items, std::size_t count) {
    if (!combo) return;
    for (std::size_t i = 0; i < count; ++i)
        combo->addItem(QString::fromUtf8(items[i]));
}

void SetSpinRange(zel::CDialog& dialog, int id) {
    if (auto* spin = dialog.DlgItem<zel::CSpinButton>(id)) spin->SetRange(0, 100);
}

} // namespace

void PaintSwatch(QLabel* swatch, zel::COLORREF color) {
    if (!swatch) return;
    QPixmap pixmap(21, 21);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(zel::ToQColor(color));
    painter.drawRect(0, 0, 21, 21);
    painter.end();
    swatch->setPixmap(pixmap);
    swatch->update();
}

// --- line style --------------------------------------------------------------------------

CLineStyleDlg::CLineStyleDlg(QWidget* parent) : CDialog(LineStyleTemplate(), parent) {
    SetHelpTopic("::plot-line_style.htm");
    FillCombo(DlgItem<QComboBox>(kStyle), kLineStyles, std::size(kLineStyles));
    OnCommand(kColor, [this] { OnColor(); });
}

void CLineStyleDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kWidth, m_nWidth);
}

bool CLineStyleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (auto* combo = DlgItem<QComboBox>(kStyle))
        combo->setCurrentIndex(combo->findText(QString::fromUtf8(kLineStyles[m_nStyle != 0 ? 1 : 0])));
    SetSpinRange(*this, kWidthSpin);
    PaintSwatch();
    return true;
}

void CLineStyleDlg::OnOK() {
    if (!UpdateData(true)) return;
    const auto* combo = DlgItem<QComboBox>(kStyle);
    m_nStyle = combo && combo->currentIndex() == 1 ? 1 : 0;
    EndDialog(zel::IDOK);
}

void CLineStyleDlg::OnColor() {
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(0)) m_Color = *color;
    PaintSwatch();
}

void CLineStyleDlg::PaintSwatch() {
    ::PaintSwatch(DlgItem<QLabel>(kSwatch), m_Color);
}

// --- path style ------------------------------------------------------------------------------

CPathStyleDlg::CPathStyleDlg(QWidget* parent) : CDialog(PathStyleTemplate(), parent) {
    SetHelpTopic("::plot-path_style.htm");
    OnCommand(kPathLineStyle, [this] { OnPathLineStyle(); });
    OnCommand(kSpecialLineStyle, [this] { OnSpecialLineStyle(); });
}

void CPathStyleDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kLines, m_nLines);
    dx.MinMax(m_nLines, 0, kMaxLines);
    dx.Text(kDistancePoint, m_dDistancePoint);
    dx.Text(kDistancePlane, m_dDistancePlane);
    dx.Text(kMaxLength, m_dMaxLength);
    dx.Check(kSpecial, m_bSpecial);
    dx.Check(kSource, m_bSource);
}

bool CPathStyleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetSpinRange(*this, kLinesSpin);
    return true;
}

void CPathStyleDlg::OnPathLineStyle() {
    CLineStyleDlg dialog(this);
    dialog.m_nWidth = m_nPathWidth;
    dialog.m_nStyle = m_nPathStyle;
    dialog.m_Color = m_PathColor;
    if (dialog.DoModal() != zel::IDOK) return;
    m_nPathWidth = dialog.m_nWidth;
    m_nPathStyle = dialog.m_nStyle;
    m_PathColor = dialog.m_Color;
}

void CPathStyleDlg::OnSpecialLineStyle() {
    CLineStyleDlg dialog(this);
    dialog.m_nWidth = m_nSpecialWidth;
    dialog.m_nStyle = m_nSpecialStyle;
    dialog.m_Color = m_SpecialColor;
    if (dialog.DoModal() != zel::IDOK) return;
    m_nSpecialWidth = dialog.m_nWidth;
    m_nSpecialStyle = dialog.m_nStyle;
    m_SpecialColor = dialog.m_Color;
}

// --- point style ----------------------------------------------------------------------------

CPointStyleDlg::CPointStyleDlg(QWidget* parent) : CDialog(PointStyleTemplate(), parent) {
    SetHelpTopic("::plot-point_style.htm");
    FillCombo(DlgItem<QComboBox>(kInPlane), kPointStyles, std::size(kPointStyles));
    FillCombo(DlgItem<QComboBox>(kOutOfPlane), kPointStyles, std::size(kPointStyles));
    OnCommand(kColor, [this] { OnColor(); });
}

void CPointStyleDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kSize, m_dSize);
}

bool CPointStyleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // An index outside the list selects nothing.
    if (auto* combo = DlgItem<QComboBox>(kInPlane)) combo->setCurrentIndex(m_nInPlane < 5 ? m_nInPlane : -1);
    if (auto* combo = DlgItem<QComboBox>(kOutOfPlane))
        combo->setCurrentIndex(m_nOutOfPlane < 5 ? m_nOutOfPlane : -1);
    SetSpinRange(*this, kSizeSpin);
    PaintSwatch();
    return true;
}

void CPointStyleDlg::OnOK() {
    if (!UpdateData(true)) return;
    if (const auto* combo = DlgItem<QComboBox>(kOutOfPlane)) m_nOutOfPlane = combo->currentIndex();
    if (const auto* combo = DlgItem<QComboBox>(kInPlane)) m_nInPlane = combo->currentIndex();
    EndDialog(zel::IDOK);
}

void CPointStyleDlg::OnColor() {
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(0)) m_Color = *color;
    PaintSwatch();
}

void CPointStyleDlg::PaintSwatch() {
    ::PaintSwatch(DlgItem<QLabel>(kSwatch), m_Color);
}
