#pragma once
// The molecular-graph plot (plot kind 0): the critical points of one field as
// filled circles, the molecular-graph paths that end in its (3,-1), (3,+1) and
// (3,+3) points as polylines, and the atom labels, all seen through the
// plot's orientation (a rotation of the whole molecule) and placed on the page
// by the plot's page transform.
//
// Nothing is computed ahead: the picture is rebuilt from the molecule's lists
// at every drawing. The path segments come first; then the points and labels
// back to front by depth (plot z, which grows towards the viewer), so that a
// nearer point covers a farther one.
//
// Sizes: points are circles of the size's radius in millimetres, growing with
// the zoom only; paths are lines of the size's width in tenths of a
// millimetre. The eight item kinds share one index for colour and size:
//   0..3 the (3,-3), (3,-1), (3,+1), (3,+3) points, 4..6 bond, ring and cage
//   paths, 7 atom labels (colour only; its size is kept for the dialog).

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/Plot.h"
#include "numerics/Vector.h"
#include "platform/core/Canvas.h"

class CCritPoint;

// One thing to draw, made at every drawing and never stored.
class CPlotItem {
public:
    enum Kind { kLabel = 0, kPoint = 1, kSegment = 2 };

    int m_nKind = kLabel;
    CVector m_First;  // plot coordinates
    CVector m_Second; // plot coordinates; (0,0,0) for labels and points
    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    std::string m_strText; // the atom label, "point" or "path"
    float m_fSize = 0.0f;
};

class CMolGraphPlot : public CPlot {
public:
    ZEL_DECLARE_SERIAL(CMolGraphPlot);

    using CItemList = std::list<std::unique_ptr<CPlotItem>>;

    static constexpr int kItemKinds = 8;
    static constexpr int kLabelIndex = 7;

    // For loading: sizes and colours come from the record; fits at its first
    // drawing.
    CMolGraphPlot();
    // A new plot of the molecule: default sizes and colours, fits at its first
    // drawing, a plane of zero size at the origin.
    explicit CMolGraphPlot(CMolecule* molecule);
    ~CMolGraphPlot() override;

    // The base record, then the 8 colours (4-byte ints) and the 8 sizes
    // (4-byte floats). Loading applies the page units to the drawing scale.
    void Serialize(zel::CArchive& ar) override;
    // Asks for a file and draws the plot into it.
    void ExportEMF(zel::CCanvas& reference) override;
    // The orientation times the point.
    CVector ToPlotCoords(CVector point) override;
    void Draw(zel::CCanvas& dc) override;
    // Plot > Modify Plot: the angles from the orientation, the dialog; then,
    // however it ended, the plot is to be recomputed and the page units are
    // applied to the drawing scale.
    void Modify() override;

    // Index 0..7; other indices are ignored (getters give 0).
    void SetColor(int index, zel::COLORREF color);
    zel::COLORREF GetColor(int index) const;
    void SetSize(int index, float size);
    float GetSize(int index) const;

    // The fitted centre (plot coordinates, bohr) and whether the next drawing
    // fits the molecule into the page.
    double GetCentreX() const { return m_dCentreX; }
    double GetCentreY() const { return m_dCentreY; }
    int IsFitPending() const { return m_bFit; }
    // What the last drawing drew, in drawing order.
    const CItemList& GetDrawList() const { return m_DrawList; }

    // The steps of the drawing (also used by the tests).
    // Fills the empty caches of the path kinds shown with the points of the
    // plot's field; points the molecule no longer holds leave the caches.
    void CollectPoints();
    void AddPointItems();
    void AddAtomLabels();
    void AddPathItems();
    // Into the draw list by depth: before the first item that is not a path
    // segment and lies no farther from the viewer than the new one (z not
    // smaller), else at the end. The list thus runs from far to near.
    void InsertByDepth(std::unique_ptr<CPlotItem> item);

private:
    // A cached critical point and its number: a point deleted since, whose
    // memory a new point may reuse, is told apart by the number.
    struct SCachedPoint {
        CCritPoint* point;
        int number;
    };
    void PruneCaches();

    double m_dCentreY = 0.0;
    double m_dCentreX = 0.0;
    int m_bFit = 1;
    float m_fSizes[kItemKinds] = {2.0f, 2.0f, 2.0f, 2.0f, 1.0f, 1.0f, 1.0f, 5.0f};
    zel::COLORREF m_Colors[kItemKinds] = {
        zel::RGB(255, 255, 255), zel::RGB(255, 0, 0), zel::RGB(255, 255, 0), zel::RGB(0, 255, 0),
        zel::RGB(0, 0, 0),       zel::RGB(0, 0, 0),   zel::RGB(0, 0, 0),     zel::RGB(0, 100, 100)};
    // The (3,-1), (3,+1) and (3,+3) points whose ascending paths are drawn;
    // they belong to the molecule.
    std::vector<SCachedPoint> m_PointCache[3];
    CItemList m_DrawList;
};
