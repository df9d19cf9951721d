#pragma once
// The relief map dialogs. "Relief Map" (150) edits the view angles, the
// perspective distances, the grid, the height scale and the clipping bound
// of a map, and opens the page set-up, plane set-up and colour dialogs;
// "Color definition" (162) edits the top, bottom and element-border colours
// and the element-border flag.
//
// Both write into the map itself: the relief dialog on OK (angles, distances
// and the light direction first, then the grid and the bound after their
// checks), the dialogs it opens at once. Cancel gives back only the plane.
// For a new map the dialog holds the map until OK, which numbers it and puts
// it at the head of the molecule's plot list.

#include <memory>

#include "analysis/PlotPlane.h"
#include "platform/core/Canvas.h"
#include "platform/qt/Dialog.h"
#include "plots/SurfacePlot.h"

class CSurfacePlotDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 150 };
    static constexpr int kPageSetup = 1076;
    static constexpr int kPlaneSetup = 1106;
    static constexpr int kColor = 1145;
    static constexpr int kTitle = 1095;
    static constexpr int kFunction = 1107;
    static constexpr int kAngleX = 1243, kAngleY = 1244, kAngleZ = 1245;
    static constexpr int kSpinX = 1246, kSpinY = 1247, kSpinZ = 1248;
    static constexpr int kPlane = 1123;  // projection-plane distance
    static constexpr int kCenter = 1124; // eye distance
    static constexpr int kColumns = 1116, kColumnsSpin = 1250;
    static constexpr int kRows = 1117, kRowsSpin = 1253;
    static constexpr int kScale = 1120;
    static constexpr int kMaxValue = 1121;
    // The base plot's light direction: hidden, the map's shading reads its own.
    static constexpr int kLightX = 1125, kLightY = 1126, kLightZ = 1122;

    static constexpr const char* kBadM = "ERROR: M must be a number > 0";
    static constexpr const char* kBadN = "ERROR: N must be a number > 0";
    // Refusal of a scale and |Max. value| whose heights overflow.
    static constexpr const char* kBadHeights =
        "ERROR: Scale times |Max. value| gives heights that are not finite numbers";

    // The dialog on an existing map (Modify).
    explicit CSurfacePlotDlg(CSurfacePlot* plot, QWidget* parent = nullptr);
    // The dialog on a new map, which it holds until OK.
    explicit CSurfacePlotDlg(std::unique_ptr<CSurfacePlot> newPlot, QWidget* parent = nullptr);
    ~CSurfacePlotDlg() override;

    CSurfacePlot* GetPlot() const { return m_pPlot; }
    int IsNewPlot() const { return m_bNewPlot; }

    void OnPageSetup();
    void OnPlaneSetup();
    void OnColor();

    // The angles, as the data exchange holds them (whole degrees).
    int m_nX = 0;
    int m_nY = 0;
    int m_nZ = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void Build();
    void UpdateAllViews();
    // A grid count from its field; false (with the message, the field's text
    // selected) when it lies outside 1..kMaxGridCount.
    bool ReadGridCount(int id, const char* tooSmall, int* count);
    // Whether every lifted node of the map's plane stays a finite number.
    bool HeightsAreFinite(double scale, double bound) const;

    CSurfacePlot* m_pPlot;
    std::unique_ptr<CSurfacePlot> m_pNewPlot; // a new map until OK takes it
    int m_bNewPlot = 0;
    CPlotPlane m_SavedPlane;
};

class CSurfColorDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 162 };
    static constexpr int kTopColor = 1146;
    static constexpr int kBottomColor = 1147;
    static constexpr int kBorderColor = 1148;
    static constexpr int kElementBorder = 1159;
    // R, G, B edits of the rows top, bottom, element border.
    static constexpr int kEdits[3][3] = {{1152, 1151, 1150}, {1155, 1154, 1153}, {1156, 1157, 1158}};
    static constexpr int kSwatches[3] = {1261, 1262, 1263};

    CSurfColorDlg(CSurfacePlot* plot, QWidget* parent = nullptr);

    // Colour button 1146..1148.
    void OnColor(int id);
    zel::COLORREF GetSwatchColor(int row) const { return m_Colors[row]; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void PaintSwatches();

    CSurfacePlot* m_pPlot;
    zel::COLORREF m_Colors[3] = {};
};
