#pragma once
// The control pane: the top-left pane with four drop-down lists that choose
// the molecule's current field, the current plot of that field, the current
// atom and the current interatomic surface. It refills its lists whenever the
// document updates its views; only the user's choices (not the refilling)
// reach the molecule.

#include <QWidget>

#include <string>
#include <vector>

#include "analysis/MoleculeViews.h"
#include "shell/DocView.h"

class CBondPoint;
class CMolecule;
class CPlot;
class CZelmoraDoc;
class QComboBox;

class CControlView : public QWidget, public CDocView, public IControlView {
    Q_OBJECT

public:
    static constexpr int kFieldList = 1057;
    static constexpr int kPlotList = 1058;
    static constexpr int kAtomList = 1059;
    static constexpr int kSurfaceList = 1060;

    explicit CControlView(CZelmoraDoc* document, QWidget* parent = nullptr);
    // Takes the pane's registration back from the molecule.
    ~CControlView() override;

    // CDocView
    QWidget* GetWidget() override { return this; }
    void OnInitialUpdate() override;
    void OnUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

    // IControlView
    void SetFieldIndex(int field) override;

    // The user's choices (the lists' activated signals).
    void OnSelChangeFunction();
    void OnSelChangePlot();
    void OnSelChangeAtom();
    void OnSelChangeSurface();
    void OnContextHelp();

    QComboBox* GetList(int id) const;

    // The (3,-1) points that give the surface list its entries, in list order,
    // with the entry texts.
    struct SSurfaceEntry {
        CBondPoint* point;
        std::string text;
    };
    static std::vector<SSurfaceEntry> ListSurfaces(const CMolecule& molecule);

private:
    // Adds the titles of the current field's plots, in plot-list order.
    void FillPlotList();
    // The first plot of the current field titled as the plot entry at index,
    // or null.
    CPlot* FindPlot(int index) const;
    // Between the four indices and the lists' selections.
    void ReadIndices();
    void WriteIndices();

    CZelmoraDoc* m_pDocument;
    CMolecule* m_pMolecule = nullptr;
    QComboBox* m_SurfaceList;
    QComboBox* m_AtomList;
    QComboBox* m_PlotList;
    QComboBox* m_FieldList;
    int m_nFieldIndex = 0;
    int m_nPlotIndex = -1;
    int m_nAtomIndex = -1;
    int m_nSurfaceIndex = -1;
    bool m_bSkipPlotRefresh = true;
};
