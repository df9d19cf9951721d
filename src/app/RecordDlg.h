#pragma once
// Record dialog: shows the lines of a record (a search log, for example) in a
// list and saves them as a text file. The record is read, never changed, and
// must outlive the dialog.

#include "platform/core/TextRecord.h"
#include "platform/qt/Dialog.h"

class CRecordDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 140 };
    static constexpr int kLineList = 1050;
    static constexpr int kSaveToFile = 1398;

    explicit CRecordDlg(const zel::CTextRecord* lines, QWidget* parent = nullptr);

    // "Save to File": asks for a file and writes every line followed by CR LF.
    // A file that cannot be opened or written is reported; the dialog stays open.
    void SaveToFile();

protected:
    bool OnInitDialog() override;

private:
    const zel::CTextRecord* m_pLines;
};
