#pragma once
// The plane set-up dialog (148): the three points A, B and C that span the
// plane of a plot, the centre, width, height and angle of the rectangle
// shown. Points are typed or taken from the list of the molecule's nuclei and
// of the critical points of the plot's field. "Apply in 3DView" stores the
// plane at once and shows it in the three-dimensional view; OK projects the
// centre into the plane and stores the plane. Points that span no plane are
// refused with a message, the plot keeping its plane, and so is a rectangle
// of width or height 0.

#include "analysis/PlotPlane.h"
#include "platform/qt/Dialog.h"

class CPlot;

class CPlaneSetupDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 148 };
    static constexpr int kAx = 1083, kAy = 1084, kAz = 1085;
    static constexpr int kBx = 1086, kBy = 1087, kBz = 1091;
    static constexpr int kCx = 1092, kCy = 1093, kCz = 1094;
    static constexpr int kCentreX = 1228, kCentreY = 1231, kCentreZ = 1232;
    static constexpr int kWidth = 1230;
    static constexpr int kHeight = 1229;
    static constexpr int kAngle = 1240;
    static constexpr int kText = 1095;
    static constexpr int kList = 1236;
    static constexpr int kPickA = 1237, kPickB = 1238, kPickC = 1239, kPickCentre = 1241;
    static constexpr int kProjectCentre = 1002;
    static constexpr int kApply = 1242;

    // Refusal of corners that do not come out as finite numbers.
    static constexpr const char* kPlaneTooLarge =
        "The plane's numbers are too large: its corners cannot be computed.";

    CPlaneSetupDlg(CPlot* plot, QWidget* parent = nullptr);

    // The selected list item's coordinates into point A, B or C or the centre
    // (by the button's id); nothing without a selection.
    void OnPickPoint(int id);
    void OnCalculateProjectedCenter();
    void OnApplyIn3DView();

    // The fields, as the data exchange holds them.
    CVector m_A, m_B, m_C, m_Centre;
    double m_dWidth = 0.0;
    double m_dHeight = 0.0;
    double m_dAngle = 0.0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // The centre moved into the plane of A, B and C; false (with the
    // message) when they span none.
    bool ProjectCentre();
    // False (with the message, the focus in the field) for a width or
    // height of 0.
    bool HasArea();
    // Working plane := the fields; stores it in the plot. False (with the
    // message) when the plot refused it.
    bool StorePlane();
    // The plot current when the dialog opened is current again.
    void RestoreCurrentPlot();

    CPlot* m_pPlot;
    CPlotPlane m_Plane;
    CPlot* m_pSavedPlot = nullptr; // the molecule's current plot when the dialog opened
};
