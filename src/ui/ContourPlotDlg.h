#pragma once
// The contour plot dialog (151): the levels of a contour plot (a series from
// a start, a step and a count, or the default set), the grid of its
// computation, the points whose gradient paths and markers it draws, and the
// page, plane, line-style, path-style and point-style dialogs.
//
// Levels, points and styles go into the plot at once, as they are edited;
// the grid goes in on OK; Cancel gives back only the plane. The list of
// levels and the plot's level list hold the same values in the same
// (ascending) order. For a new plot the dialog holds the plot until OK, which
// numbers it and puts it at the head of the molecule's plot list.

#include <memory>
#include <string>
#include <vector>

#include "analysis/PlotPlane.h"
#include "platform/qt/Dialog.h"
#include "plots/ContourPlot.h"

class QListWidget;

class CContourPlotDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 151 };
    static constexpr int kPageSetup = 1076;
    static constexpr int kPlaneSetup = 1106;
    static constexpr int kTitle = 1095;
    static constexpr int kFunction = 1107;
    static constexpr int kStart = 1037;
    static constexpr int kStep = 1165;
    static constexpr int kNum = 1166;
    static constexpr int kArithmetic = 1172;
    static constexpr int kGeometric = 1173;
    static constexpr int kAdd = 1167;
    static constexpr int kLevels = 1178;
    static constexpr int kDefaultValues = 1346;
    static constexpr int kDelete = 1039;
    static constexpr int kLineStyle = 1389;
    static constexpr int kRows = 1176;
    static constexpr int kRowsSpin = 1251;
    static constexpr int kColumns = 1177;
    static constexpr int kColumnsSpin = 1249;
    static constexpr int kCalculated = 1267;
    static constexpr int kChoose = 1265;
    static constexpr int kUnchoose = 1266;
    static constexpr int kSelected = 1268;
    static constexpr int kPointStyle = 1392;
    static constexpr int kPathStyle = 1391;
    static constexpr int kDistance = 1359;
    // Levels one Add makes at most.
    static constexpr int kMaxSeries = 1000;
    // Refusal of a series whose levels overflow.
    static constexpr const char* kLevelsNotFinite =
        "The series reaches levels beyond the largest number: no level was added.";

    // The dialog on an existing plot (Plot > Modify Plot).
    explicit CContourPlotDlg(CContourPlot* plot, QWidget* parent = nullptr);
    // The dialog on a new plot, which it holds until OK.
    explicit CContourPlotDlg(std::unique_ptr<CContourPlot> newPlot, QWidget* parent = nullptr);
    ~CContourPlotDlg() override;

    CContourPlot* GetPlot() const { return m_pPlot; }
    int IsNewPlot() const { return m_bNewPlot; }
    // The selected point whose name matched last, or null.
    CSelectedPoint* GetCurrentPoint() const { return m_pCurrentPoint; }

    // One level, where it keeps the list ascending; nothing when the value is
    // there already.
    void AddLevel(double x);

    // The handlers.
    void OnAddLevels();
    void OnDefaultValues();
    void OnDeleteLevels();
    void OnLevelSelectionChange();
    void OnLineStyle();
    void OnChoosePoints();
    void OnUnchoosePoints();
    void OnSelectedPointChange();
    void OnPathStyle();
    void OnPointStyle();
    void OnPageSetup();
    void OnPlaneSetup();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void Build();
    void UpdateAllViews();
    QListWidget* List(int id) const;
    // Inserts the text where a sorted list box puts it.
    static void AddSorted(QListWidget* list, const std::string& text);
    // The texts of the selected lines, in list order.
    static std::vector<std::string> SelectedTexts(const QListWidget* list);
    CSelectedPoint* FindPoint(const std::string& name) const;
    void Enable(int id, bool on);

    CContourPlot* m_pPlot;
    std::unique_ptr<CContourPlot> m_pNewPlot; // a new plot until OK takes it
    int m_bNewPlot = 0;
    std::string m_strDistance;
    CSelectedPoint* m_pCurrentPoint = nullptr;
    CPlotPlane m_SavedPlane;
};
