#pragma once
// The contour and gradient-path plot (plot kind 2): in the plane of the plot,
// the lines on which the field takes each of a list of values (the levels),
// gradient paths traced from chosen points (the overlay), the molecular-graph
// paths of those points, and a marker with an optional label at each chosen
// point.
//
// Computation (job 99, on the worker, ContourCompute.cpp): the field is
// sampled on a mesh over the plane rectangle; every mesh cell is split into
// four triangles around its centre node, and every triangle gives one
// straight segment per level it spans, its ends found on the triangle's edges
// by regula falsi. Then the overlay paths of the chosen points are traced and
// cut where they leave the plane rectangle or the slab around the plane.
// Segment ends and overlay points are kept in plot coordinates, so drawing
// needs only the turn within the plane and the page mapping.
//
// Painting never computes: the view runs the job before the paint, print or
// export that needs it (ui/PlotCompute.h). While the job runs the plot is
// busy and draws nothing but its free texts and title.
//
// Units: positions in bohr; marker sizes and blank discs in page lengths (mm
// or inch, as the page says); overlay and molecular-graph pen widths in
// tenths of a page length; level pen widths in logical units (0.01 mm).

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/GradPath.h"
#include "analysis/Plot.h"
#include "numerics/Vector.h"
#include "platform/core/Canvas.h"
#include "plots/ContourMesh.h"

// A contour level (in the plot's level list: colour, width, style and level
// value) or a contour segment (two ends in plot coordinates, with the colour,
// width, style and value of its level).
class CLine : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CLine);

    CLine() = default;
    CLine(CVector start, CVector end, int width, int style, zel::COLORREF color, double level)
        : m_Start(start), m_End(end), m_Color(color), m_nWidth(width), m_nStyle(style), m_dLevel(level) {}

    // Start x, y, z, end x, y, z, width, style, colour, level, reserved: 68 bytes.
    void Serialize(zel::CArchive& ar) override;

    static constexpr std::size_t kArchiveBytes = 68;

    CVector GetStart() const { return m_Start; }
    CVector GetEnd() const { return m_End; }
    zel::COLORREF GetColor() const { return m_Color; }
    void SetColor(zel::COLORREF color) { m_Color = color; }
    int GetWidth() const { return m_nWidth; }
    void SetWidth(int width) { m_nWidth = width; }
    // 0 solid, 2 dotted (the pen styles).
    int GetStyle() const { return m_nStyle; }
    void SetStyle(int style) { m_nStyle = style; }
    double GetLevel() const { return m_dLevel; }
    void SetLevel(double level) { m_dLevel = level; }

private:
    CVector m_Start;
    CVector m_End;
    zel::COLORREF m_Color = 0;
    int m_nWidth = 0;
    int m_nStyle = 0;
    double m_dLevel = 0.0;
    int m_nReserved = 0; // carried in the document, used by nothing
};

// A point chosen in the plot's dialog (an atom or a critical point) with its
// marker, its overlay settings and the overlay paths of the last computation
// (their points in plot coordinates, no ends linked).
class CSelectedPoint : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CSelectedPoint);

    using COverlayPaths = std::list<std::unique_ptr<CGradPath>>;

    // Marker shapes.
    static constexpr int kCircle = 0;
    static constexpr int kCross = 1;
    static constexpr int kCrossLight = 2;
    static constexpr int kRectangle = 3;
    static constexpr int kTriangle = 4;

    CSelectedPoint() = default;
    ~CSelectedPoint() override;

    // The settings, the name, number and position, then the overlay paths
    // (count, then each path untagged). Loading replaces the paths.
    void Serialize(zel::CArchive& ar) override;

    int m_nOffPlaneShape = kTriangle; // at 0.001 bohr from the plane or farther
    int m_nInPlaneShape = kTriangle;  // nearer to the plane
    double m_dMarkerSize = 3.0;       // page length; 0: no marker
    zel::COLORREF m_MarkerColor = 0;
    int m_bComputedPaths = 0; // 1: trace and draw the overlay paths
    int m_nPathCount = 36;
    double m_dBlankDisc = 4.0;      // page length: white disc under the marker with overlay paths
    double m_dMaxDistance = 1.0;    // bohr from the plane
    double m_dMaxPathLength = 10.0; // bohr, for this point's paths
    double m_dOverlayWidth = 0.0;   // tenths of a page length
    double m_dMolGraphWidth = 0.0;  // likewise
    int m_nOverlayStyle = 0;        // 0 solid, 1 dotted
    int m_nMolGraphStyle = 0;       // likewise
    zel::COLORREF m_OverlayColor = 0;
    zel::COLORREF m_MolGraphColor = 0;
    int m_bMolGraphPaths = 0; // 1: draw the point's own ascending paths
    COverlayPaths m_Paths;
    std::string m_strName; // the dialog line the point was chosen from
    int m_nNumber = 0;     // of the critical point (or the atom)
    CVector m_Position;    // bohr, as printed in the dialog line
};

class CContourPlot : public CPlot {
public:
    ZEL_DECLARE_SERIAL(CContourPlot);

    using CLineList = std::list<std::unique_ptr<CLine>>;
    using CPointList = std::list<std::unique_ptr<CSelectedPoint>>;

    static constexpr const char* kComputeTitle = "Contour and Gradient Path Plot";
    static constexpr const char* kComputeStatus = "Calculate elements of a Contour Map";
    static constexpr const char* kNoMemory = "Fehler kein Speicher";
    // Grid counts beyond this are refused by the dialog and not computed.
    static constexpr int kMaxGridCount = 1000;
    // Steps of one level-crossing search.
    static constexpr int kMaxCrossingSteps = 6000;
    // A crossing lies on its level to this part of the level (or of the
    // values at the edge's ends, where they differ by less, or the level is 0).
    static constexpr double kRelativeTolerance = 1e-4;

    // For loading: everything comes from the record.
    CContourPlot();
    // A new plot of the molecule: a 30 x 30 grid, no levels or points, to be
    // computed before it is first drawn.
    explicit CContourPlot(CMolecule* molecule);
    ~CContourPlot() override;

    // The base record; the grid counts and the crossing tolerance; the view
    // direction and the stored vector; the levels; the (n+1)(m+1) + n m nodes
    // and the first n m elements, without counts; the selected points; the
    // segments. Nodes and elements the plot has not computed are written as
    // fresh records.
    void Serialize(zel::CArchive& ar) override;
    // The base's reset; the recompute flag cleared.
    void ResetView() override;
    // Asks for a file and draws the plot into it.
    void ExportEMF(zel::CCanvas& reference) override;
    // The mesh, the segments and the overlay paths (job 99, on the worker).
    void Compute() override;
    // Molecular coordinates to plot coordinates: the frame whose third axis
    // is minus the view direction and whose second lies in the xy plane.
    CVector ToPlotCoords(CVector point) override;
    // What was computed; while the plot is busy only the free texts and title.
    void Draw(zel::CCanvas& dc) override;
    // The dialog; OK marks the plot for recomputation.
    void Modify() override;
    // Centre of the three rotated corners (plot coordinates) and the page
    // lengths per bohr that fit them inside the margins.
    void FitToPage(zel::CCanvas& dc, double* centreX, double* centreY, double* scale) override;
    const char* GetComputeTitle() const override { return kComputeTitle; }

    // The point between the nodes where the field equals level, found by
    // regula falsi with fresh evaluations of the molecule's current field:
    // a node within the tolerance of the level is returned itself; equal end
    // values give the first node; after kMaxCrossingSteps steps the last
    // estimate is returned.
    CNode FindLevelCrossing(CNode first, CNode second, double level);
    // The tolerance of a crossing of level between nodes of the values first
    // and second: kRelativeTolerance of the smaller of |level| and the
    // difference of the values (the difference alone for level 0), never
    // more than the plot's stored tolerance. An absolute tolerance would let
    // low levels snap to the mesh nodes; relative to the difference it keeps
    // a crossing within that part of its edge where the field is flat.
    static double CrossingTolerance(double stored, double level, double first, double second);

    // One point's blank disc and marker, when its page point lies inside the
    // border rectangle.
    void DrawPointMarkers(const CSelectedPoint& point, double centreX, double centreY, double scale,
                          const zel::CRect& border, zel::CCanvas& dc);

    // --- accessors --------------------------------------------------------------
    CPointList& GetSelectedPoints() { return m_SelectedPoints; }
    const CPointList& GetSelectedPoints() const { return m_SelectedPoints; }
    CLineList& GetLevels() { return m_Levels; }
    const CLineList& GetLevels() const { return m_Levels; }
    CLineList& GetSegments() { return m_Segments; }
    const CLineList& GetSegments() const { return m_Segments; }
    int GetRows() const { return m_nRows; }
    int GetColumns() const { return m_nColumns; }
    void SetRows(int rows) { m_nRows = rows; }
    void SetColumns(int columns) { m_nColumns = columns; }
    // The stored upper bound of the crossing tolerance (see CrossingTolerance).
    double GetTolerance() const { return m_dTolerance; }
    CVector GetViewDirection() const { return m_View; }
    CVector GetPlaneCentre() const { return m_PlaneCentre; }
    double GetScale() const { return m_dScale; }
    double GetCentreX() const { return m_dCentreX; }
    double GetCentreY() const { return m_dCentreY; }
    // The mesh of the last computation; empty when none was made (or its
    // memory could not be had).
    const std::vector<CNode>& GetNodes() const { return m_Nodes; }
    const std::vector<CElement>& GetElements() const { return m_Elements; }

    // The view the drawing and the computation share: the view direction
    // (minus the unit plane normal, nudged off the z axis), the plane centre
    // in plot coordinates, and the fit with the drawing scale.
    void UpdateView();
    // Page point of a point in plot coordinates: turned about the plane
    // centre by the third angle, then fitted, scaled and panned.
    zel::CPoint ToPage(CVector plotPoint) const;

    // The frame of ToPlotCoords for the view direction v (thread-safe).
    static CVector PlotCoords(CVector v, CVector p);
    // Node and element counts of an n x m grid (64 bits: no count overflows).
    static long long NodeCount(int rows, int columns);
    static long long ElementCount(int rows, int columns);

    // The plane rectangle on the page: the page points of corners 0, 1 and 2
    // and the fourth corner made from them, in the order 0, 1, 3, 2.
    struct SPlaneRegion {
        zel::CPoint corners[4];
        // By the winding rule (any winding number but 0 is inside).
        bool Contains(zel::CPoint p) const;
    };
    SPlaneRegion MakePlaneRegion() const;

    // The distance of p from the plane (bohr), along its unit normal.
    double DistanceFromPlane(CVector p) const;

private:
    void FitPlane(double* centreX, double* centreY, double* scale);
    zel::CPoint PageMapping(CVector plotPoint, double centreX, double centreY, double scale) const;
    // The parts of Compute. The mesh: false when the run ends there (no
    // memory for the mesh; cancelled: *cancelled set; the field not
    // evaluated or no memory on the way: *failure := the message);
    // *triangles tells whether the triangle loop ran. The overlay: false
    // when cancelled.
    bool ComputeMesh(bool* triangles, bool* cancelled, const char** failure);
    bool ComputeOverlay(bool triangles);
    // Cuts the path at its first point, walked from its start end, outside
    // the slab of the point or the plane region, and turns the points kept
    // into plot coordinates.
    void ClipPath(CGradPath& path, const CSelectedPoint& point, const SPlaneRegion& region,
                  bool fromTail) const;
    void DrawContent(zel::CCanvas& dc);

    CPointList m_SelectedPoints;
    CLineList m_Segments;
    CLineList m_Levels;
    CVector m_View;
    double m_dTolerance = 0.0001;
    CVector m_Stored; // written and read, used by nothing
    std::vector<CNode> m_Nodes;
    std::vector<CElement> m_Elements;
    int m_nRows = 30;
    int m_nColumns = 30;
    CVector m_PlaneCentre; // plot coordinates
    double m_dFitScale = 1.0;
    double m_dCentreX = 0.0;
    double m_dCentreY = 0.0;
    double m_dScale = 1.0; // logical units per plot unit
};
