#pragma once
// Help > About Zelmora: the program's name, version and build; it only closes.

#include "platform/qt/Dialog.h"

class CAboutDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 100 };
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;
};

// The program's icon, drawn so that it needs no image file.
QIcon ZelmoraIcon();
