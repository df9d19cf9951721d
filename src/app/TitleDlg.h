#pragma once
// Title dialog: shown after a wavefunction has been read, with both fields
// preset to the wavefunction title. The caller takes m_strJobTitle whatever
// way the dialog ended: the edited text after OK, the preset title after
// Escape or the close box.

#include "platform/core/TitleService.h"
#include "platform/qt/Dialog.h"

#include <string>

class CTitleDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 130 };
    static constexpr int kWfnTitle = 1000;
    static constexpr int kJobTitle = 1001;

    explicit CTitleDlg(QWidget* parent = nullptr);

    std::string m_strJobTitle; // edit 1001
    std::string m_strWfnTitle; // edit 1000, read only

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
};

// The title service of the application: the molecule's load operation asks
// it through zel::AskJobTitle. Shows the dialog on the UI thread.
class CQtTitleService : public zel::CTitleService {
public:
    std::string AskJobTitle(const std::string& wavefunctionTitle) override;
};
