#pragma once
// The dialogs of a picked object ("Object Chosen"): a nucleus, a critical
// point (which can open the property analysis there) and a gradient path.
// Every field is read-only; each dialog has one OK button, and closing it
// otherwise ends it with Cancel. Each keeps a copy of its record.

#include "platform/qt/Dialog.h"
#include "view3d/Picking.h"

#include <string>

class CMolecule;

class C3DAtomdlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 165 };
    static constexpr int kNumber = 1180;
    static constexpr int kElement = 1181;
    static constexpr int kCoordinates[3] = {1182, 1183, 1184};

    C3DAtomdlg(CPickedAtom atom, QWidget* parent = nullptr);

    std::string m_strElement;
    int m_nNumber = 0;
    double m_dX = 0.0, m_dY = 0.0, m_dZ = 0.0;
    CPickedAtom m_Atom;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

class C3DCritPtdlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 166 };
    static constexpr int kNumber = 1187;
    static constexpr int kType = 1188;
    static constexpr int kCoordinates[3] = {1189, 1190, 1191};
    static constexpr int kAnalyse = 1202;
    // Analyse while a job computes on the molecule.
    static constexpr const char* kBusyMessage =
        "The point cannot be analysed while a computation is running.";

    // The molecule is not owned.
    C3DCritPtdlg(CPickedCritPoint point, CMolecule* molecule, QWidget* parent = nullptr);

    // "Analyse": the property analysis of the molecule's current field at the
    // point shown.
    void OnAnalyse();

    CMolecule* m_pMolecule;
    std::string m_strType;
    int m_nNumber = 0;
    double m_dX = 0.0, m_dY = 0.0, m_dZ = 0.0;
    CPickedCritPoint m_CritPoint;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

class C3DGradPathdlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 167 };
    static constexpr int kEndType = 1192;
    static constexpr int kEnd[3] = {1193, 1194, 1195};
    static constexpr int kNumber = 1196;
    static constexpr int kStartType = 1197;
    static constexpr int kStart[3] = {1198, 1199, 1200};
    static constexpr int kLength = 1201;

    C3DGradPathdlg(CPickedPath path, QWidget* parent = nullptr);

    double m_dEndX = 0.0, m_dEndY = 0.0, m_dEndZ = 0.0;
    std::string m_strEndType;
    std::string m_strStartType;
    int m_nNumber = 0;
    double m_dLength = 0.0;
    double m_dStartX = 0.0, m_dStartY = 0.0, m_dStartZ = 0.0;
    CPickedPath m_Path;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};
