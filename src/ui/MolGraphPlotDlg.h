#pragma once
// The molecular-graph plot dialog (146): which critical points and paths a
// molecular-graph plot draws, the colour and size of each item kind, the
// label font and the page set-up. It edits the plot on OK; the page and plane
// set-up dialogs it opens change the plot at once. For a new plot it holds
// the plot until OK, which numbers it and puts it at the head of the
// molecule's plot list; a new plot not taken by OK dies with the dialog.
//
// The font is edited at zoom 1 and in screen sizes (the plot's sizes / 25),
// so that the zoom of the view never enters the plot's base font.

#include <memory>

#include "platform/core/Canvas.h"
#include "platform/qt/Dialog.h"
#include "plots/MolGraphPlot.h"
#include "plots/PlotDialogs.h"

class CMolGraphPlotDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 146 };
    static constexpr int kPageSetup = 1076;
    static constexpr int kPlaneSetup = 1106;
    static constexpr int kTitle = 1095;
    static constexpr int kFunction = 1107;
    static constexpr int kFont = 1234;
    static constexpr int kFirstPointBox = 1102; // 1102..1105: (3,-3) .. (3,+3)
    static constexpr int kBondBox = 1033;       // 1033..1035: bond, ring, cage
    static constexpr int kFirstColor = 1207;    // 1207..1214: colours 0..7
    static constexpr int kFirstSize = 1216;     // 1216..1223: sizes 0..7
    static constexpr int kAngleX = 1113;
    static constexpr int kAngleY = 1114;
    static constexpr int kSpinAngleX = 1246;
    static constexpr int kSpinAngleY = 1247;
    // The size spins; 1248 steps size 7, 1249..1255 sizes 0..6.
    static constexpr int kFirstSizeSpin = 1248;
    // The swatches of colours 0..7.
    static constexpr int kSwatches[CMolGraphPlot::kItemKinds] = {1271, 1264, 1265, 1266,
                                                                 1267, 1268, 1269, 1270};

    // The dialog on an existing plot (Plot > Modify Plot).
    explicit CMolGraphPlotDlg(CMolGraphPlot* plot, QWidget* parent = nullptr);
    // The dialog on a new plot, which it holds until OK.
    explicit CMolGraphPlotDlg(std::unique_ptr<CMolGraphPlot> newPlot, QWidget* parent = nullptr);
    ~CMolGraphPlotDlg() override;

    CMolGraphPlot* GetPlot() const { return m_pPlot; }
    int IsNewPlot() const { return m_bNewPlot; }

    void OnPageSetup();
    void OnPlaneSetup();
    // Colour button 1207..1214.
    void OnColor(int id);
    void OnFont();
    // A step of a size spin: the step starts from the integer its edit shows.
    void OnDeltaPosSize(int spinId);

    // The working copies (colours; the font at zoom 1 in screen sizes).
    zel::COLORREF GetWorkingColor(int index) const { return m_Colors[index]; }
    const zel::LOGFONT& GetWorkingFont() const { return m_LogFont; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void Build();
    void PaintSwatches();
    void UpdateAllViews();
    bool IsChecked(int id) const;

    CMolGraphPlot* m_pPlot;
    std::unique_ptr<CMolGraphPlot> m_pNewPlot; // a new plot until OK takes it
    int m_bNewPlot = 0;
    zel::COLORREF m_Colors[CMolGraphPlot::kItemKinds] = {};
    zel::LOGFONT m_LogFont;
};

// The dialog of Plot > Modify Plot for the plot code, on the UI thread.
class CQtPlotDialogService : public CPlotDialogService {
public:
    int EditMolGraphPlot(CMolGraphPlot& plot) override;
    int EditContourPlot(CContourPlot& plot) override;
    int EditSurfacePlot(CSurfacePlot& plot) override;
};
