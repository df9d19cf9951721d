#include "app/TitleDlg.h"

#include "platform/qt/UiThread.h"

#include <QLineEdit>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& TitleTemplate() {
    static const zel::SDialogTemplate dialog{
        CTitleDlg::IDD,
        "Title of this  Zelmora job",
        0,
        0,
        "MS Sans Serif",
        8,
        {
            {ControlKind::PushButton, zel::IDOK, "OK", 69, 57, 50, 14, ctl::kDefault},
            {ControlKind::Edit, CTitleDlg::kWfnTitle, "", 76, 7, 104, 14,
             ctl::kReadOnly | ctl::kCentre | ctl::kAutoHScroll},
            {ControlKind::Edit, CTitleDlg::kJobTitle, "", 76, 31, 104, 14, ctl::kCentre | ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Wavefunction title:", 7, 10, 65, 8, ctl::kRight},
            {ControlKind::Static, -1, "Zelmora job title:", 7, 34, 65, 8, ctl::kRight},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(TitleTemplate);

} // namespace

CTitleDlg::CTitleDlg(QWidget* parent) : CDialog(TitleTemplate(), parent) {}

void CTitleDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kJobTitle, m_strJobTitle);
    dx.Text(kWfnTitle, m_strWfnTitle);
}

bool CTitleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Ready for typing a new title.
    if (auto* edit = DlgItem<QLineEdit>(kJobTitle)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
    return true;
}

std::string CQtTitleService::AskJobTitle(const std::string& wavefunctionTitle) {
    std::string jobTitle = wavefunctionTitle;
    zel::RunOnUiThread([&] {
        CTitleDlg dialog;
        dialog.m_strJobTitle = wavefunctionTitle;
        dialog.m_strWfnTitle = wavefunctionTitle;
        dialog.DoModal();
        jobTitle = dialog.m_strJobTitle;
    });
    return jobTitle;
}
