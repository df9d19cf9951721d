#pragma once
// The selections of integrated properties: dialog 175 for the 48 basin flags,
// dialog 177 for the 25 surface flags, one check box per property captioned
// with its name. Stored results are packed by these flags, so OK first asks
// before it deletes every stored result of its kind (also when nothing was
// changed); No closes the dialog as Cancel does, leaving flags and results.

#include "platform/qt/Dialog.h"

class CMolecule;

inline constexpr int kCheckAll = 1293;
inline constexpr int kUncheckAll = 1344;
inline constexpr int kFirstPropertyBox = 1294; // box of property (or surface property) 0

class CBasinPropsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 175 };
    // Properties 0 to 4 are always integrated: their boxes stay checked and
    // disabled, and Check All / Uncheck All pass them by.
    static constexpr int kFixedProperties = 5;

    CBasinPropsDlg(CMolecule* molecule, QWidget* parent = nullptr);

    void OnCheckAll();
    void OnUncheckAll();

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    CMolecule* m_pMolecule; // not owned
};

class CSurfacePropsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 177 };

    CSurfacePropsDlg(CMolecule* molecule, QWidget* parent = nullptr);

    void OnCheckAll();
    void OnUncheckAll();

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    CMolecule* m_pMolecule; // not owned
};

// Option > Functions for Basin Integration (also the basin integration
// dialog's Functions button) and Option > Functions for Surface Integration:
// run the dialog and mark the document modified when it ended with OK; no view
// is updated. Each returns the code that ended the dialog.
int OnBasinFunctions(CMolecule& molecule, QWidget* parent = nullptr);   // 32798
int OnSurfaceFunctions(CMolecule& molecule, QWidget* parent = nullptr); // 32799
