#include "app/RecordDlg.h"

#include "platform/core/RecordFile.h"
#include "platform/qt/LineList.h"

#include <QFontDatabase>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& RecordTemplate() {
    static const zel::SDialogTemplate dialog{
        CRecordDlg::IDD,
        "Record of calculation",
        330,
        206,
        "MS Sans Serif",
        8,
        {
            {ControlKind::ListBox, CRecordDlg::kLineList, "", 7, 7, 316, 170,
             ctl::kNoSelection | ctl::kVScroll | ctl::kHScroll},
            {ControlKind::PushButton, CRecordDlg::kSaveToFile, "Save to File", 7, 185, 70, 14},
            {ControlKind::PushButton, zel::IDOK, "OK", 273, 185, 50, 14, ctl::kDefault},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(RecordTemplate);

} // namespace

CRecordDlg::CRecordDlg(const zel::CTextRecord* lines, QWidget* parent)
    : CDialog(RecordTemplate(), parent), m_pLines(lines) {
    // Records are laid out in columns.
    if (auto* list = DlgItem<zel::CLineListView>(kLineList))
        list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    OnCommand(kSaveToFile, [this] { SaveToFile(); });
}

bool CRecordDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The lines in one step, however many: the view shows those in sight.
    if (auto* list = DlgItem<zel::CLineListView>(kLineList)) list->SetRecord(m_pLines);
    return true;
}

void CRecordDlg::SaveToFile() {
    const zel::CTextRecord empty;
    zel::SaveRecordAs(m_pLines ? *m_pLines : empty, "*.txt");
}
