#include "ui/PlotTextDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include "platform/core/ColorFontChooser.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/UiThread.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

// Logical font sizes are 25 times the screen sizes of the font dialog.
constexpr int kScreenFactor = 25;

const zel::SDialogTemplate& TextTemplate() {
    static const zel::SDialogTemplate dialog{
        CPlotTextDlg::IDD,
        "Text",
        0,
        0,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Text", 7, 9, 20, 8},
            {ControlKind::Edit, CPlotTextDlg::kText, "", 30, 7, 170, 14, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Position", 7, 29, 30, 8},
            {ControlKind::Edit, CPlotTextDlg::kPositionX, "", 40, 27, 40, 14},
            {ControlKind::Edit, CPlotTextDlg::kPositionY, "", 84, 27, 40, 14},
            {ControlKind::PushButton, CPlotTextDlg::kColor, "Color", 30, 48, 50, 14},
            {ControlKind::Static, CPlotTextDlg::kSwatch, "", 86, 48, 14, 14},
            {ControlKind::PushButton, CPlotTextDlg::kFont, "Font", 110, 48, 50, 14},
            {ControlKind::PushButton, CPlotTextDlg::kDeleteText, "Delete Text", 150, 70, 50, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 30, 70, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 86, 70, 50, 14},
        },
    };
    return dialog;
}

} // namespace

CPlotTextDlg::CPlotTextDlg(QWidget* parent) : CDialog(TextTemplate(), parent) {
    SetHelpTopic("::plot-text_dialog.htm");
    // The position is carried, not shown.
    for (int id : {kPositionX, kPositionY})
        if (QWidget* field = GetDlgItem(id)) field->hide();
    for (QLabel* label : findChildren<QLabel*>())
        if (label->text() == QStringLiteral("Position")) label->hide();
    OnCommand(kColor, [this] { OnColor(); });
    OnCommand(kFont, [this] { OnFont(); });
    OnCommand(kDeleteText, [this] { OnDeleteText(); });
}

void CPlotTextDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kText, m_strText);
    dx.Text(kPositionX, m_nPositionX);
    dx.Text(kPositionY, m_nPositionY);
}

bool CPlotTextDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (auto* edit = DlgItem<QLineEdit>(kText)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
    OnPaint();
    return true;
}

void CPlotTextDlg::OnColor() {
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(m_Color)) {
        m_Color = *color;
        OnPaint();
    }
}

void CPlotTextDlg::OnFont() {
    zel::LOGFONT screen = m_LogFont;
    screen.Height /= kScreenFactor;
    screen.Width /= kScreenFactor;
    if (const std::optional<zel::LOGFONT> chosen = zel::ChooseFont(screen)) {
        m_LogFont = *chosen;
        m_LogFont.Height = zel::TruncToInt(double(chosen->Height) * kScreenFactor);
        m_LogFont.Width = zel::TruncToInt(double(chosen->Width) * kScreenFactor);
    }
}

void CPlotTextDlg::OnDeleteText() {
    m_strText.clear();
    UpdateData(false);
    OnOK();
}

void CPlotTextDlg::OnPaint() {
    auto* swatch = DlgItem<QLabel>(kSwatch);
    if (!swatch) return;
    QPixmap pixmap(21, 21);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(zel::ToQColor(m_Color));
    painter.drawRect(0, 0, 20, 20);
    painter.end();
    swatch->setPixmap(pixmap);
    swatch->update();
}

bool CQtPlotTextService::EditPlotText(SPlotTextFields& fields) {
    bool ok = false;
    zel::RunOnUiThread([&] {
        CPlotTextDlg dialog;
        dialog.m_strText = fields.text;
        dialog.m_Color = fields.color;
        dialog.m_LogFont = fields.font;
        dialog.m_nPositionX = fields.x;
        dialog.m_nPositionY = fields.y;
        if (dialog.DoModal() != zel::IDOK) return;
        fields.text = dialog.m_strText;
        fields.color = dialog.m_Color;
        fields.font = dialog.m_LogFont;
        fields.x = dialog.m_nPositionX;
        fields.y = dialog.m_nPositionY;
        ok = true;
    });
    return ok;
}
