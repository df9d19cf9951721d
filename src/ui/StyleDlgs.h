#pragma once
// The small style dialogs of the contour plot: the line style of contour
// levels and paths (183), the gradient-path settings of a chosen point (187)
// and the marker of a chosen point (185). They only hold values: the caller
// sets the fields, runs the dialog and reads the fields back after OK; after
// Cancel the caller keeps its own values.

#include "platform/core/Canvas.h"
#include "platform/qt/Dialog.h"

class QLabel;

// The colour swatch of a dialog: the label's 21 x 21 picture filled with the
// colour, no outline. A missing label is passed by.
void PaintSwatch(QLabel* swatch, zel::COLORREF color);

class CLineStyleDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 183 };
    static constexpr int kWidth = 1284;
    static constexpr int kWidthSpin = 1347;
    static constexpr int kStyle = 1235;
    static constexpr int kColor = 1282;
    static constexpr int kSwatch = 1283;

    explicit CLineStyleDlg(QWidget* parent = nullptr);

    void OnColor();

    int m_nWidth = 0;
    zel::COLORREF m_Color = 0;
    // In: 0 continuous, any other value dotted. Out: 0 or 1.
    int m_nStyle = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void PaintSwatch();
};

class CPathStyleDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 187 };
    static constexpr int kLines = 1274;
    static constexpr int kLinesSpin = 1248;
    static constexpr int kDistancePoint = 1281;
    static constexpr int kDistancePlane = 1277;
    static constexpr int kMaxLength = 1201;
    static constexpr int kSource = 1273;
    static constexpr int kSpecial = 1275;
    static constexpr int kPathLineStyle = 1390;
    static constexpr int kSpecialLineStyle = 1235;
    static constexpr int kMaxLines = 99999;

    explicit CPathStyleDlg(QWidget* parent = nullptr);

    // The line-style dialog on the traced paths' or the special path's style.
    void OnPathLineStyle();
    void OnSpecialLineStyle();

    int m_nLines = 36;
    double m_dDistancePoint = 4.0; // page length (mm or inch)
    double m_dDistancePlane = 1.0; // bohr
    double m_dMaxLength = 10.0;    // bohr
    int m_bSpecial = 0;
    int m_nSpecialWidth = 0;
    int m_nSpecialStyle = 0; // 0 continuous, 1 dotted
    zel::COLORREF m_SpecialColor = 0;
    int m_nPathWidth = 0;
    int m_nPathStyle = 0;
    zel::COLORREF m_PathColor = 0;
    int m_bSource = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
};

class CPointStyleDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 185 };
    static constexpr int kInPlane = 1269;
    static constexpr int kOutOfPlane = 1270;
    static constexpr int kSize = 1272;
    static constexpr int kSizeSpin = 1247;
    static constexpr int kColor = 1271;
    static constexpr int kSwatch = 1278;

    explicit CPointStyleDlg(QWidget* parent = nullptr);

    void OnColor();

    double m_dSize = 0.0;
    zel::COLORREF m_Color = 0;
    // 0 circle, 1 cross, 2 cross light, 3 rectangle, 4 triangle.
    int m_nInPlane = 1;
    int m_nOutOfPlane = 2;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void PaintSwatch();
};
