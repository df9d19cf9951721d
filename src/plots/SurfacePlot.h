#pragma once
// The relief map (plot kind 3): the field over the rectangle of the plot
// plane as a surface. The rectangle is cut into M x N cells; the field is
// sampled at the cell corners and centres, every sample is lifted along the
// plane normal by its value (clipped to plus or minus the maximum value)
// times the height scale, and each cell becomes four triangles around its
// centre. The triangles are turned by the plot's orientation, optionally seen
// in central perspective, sorted from the farthest to the nearest and filled
// with a colour shaded by the map's light vector.
//
// Computation (job 99, on the worker): the nodes and triangles. Drawing (on
// the user-interface thread, at every redraw): the turn, the normals and
// centroids, the perspective, the depth sort, the fit and the polygons.
// Painting never computes: the view runs the job first (ui/PlotCompute.h).
// While the job runs the map is busy and draws only its free texts and title.
//
// Mesh layout, with du = (corner 1 - corner 0) / N, dv = (corner 2 - corner 0) / M:
//   corner node (i, j), i = 0..M, j = 0..N: index i (N+1) + j, at corner 0 + i dv + j du;
//   centre node (i, j), i < M, j < N: index (M+1)(N+1) + i N + j, half a cell further;
//   cell (i, j) has the triangles k = 4 (i N + j) .. k + 3: (A, B, Z), (B, C, Z),
//   (C, D, Z), (D, A, Z) with A = corner (i, j), B = corner (i, j+1),
//   C = corner (i+1, j+1), D = corner (i+1, j), Z = its centre node.
//
// Units: positions in bohr; the scale in bohr per unit of field value;
// colours as R, G, B doubles from 0 to 255.

#include <cmath>
#include <vector>

#include "analysis/Plot.h"
#include "numerics/Vector.h"
#include "platform/core/Canvas.h"
#include "plots/ContourMesh.h"

class CSurfacePlot : public CPlot {
public:
    ZEL_DECLARE_SERIAL(CSurfacePlot);

    static constexpr const char* kComputeTitle = "Relief Map";
    static constexpr const char* kComputeStatus = "Calculate elements of a Relief Map";
    static constexpr const char* kNoMemory = "Fehler kein Speicher";
    // Toggle and Query code of the element borders.
    static constexpr int kElementBorderCode = 99;
    // Grid counts run from 1 to this: the dialog refuses others and a stored
    // map with others is refused (0 would divide by zero, large counts
    // overflow the mesh sizes).
    static constexpr int kMaxGridCount = 1000;

    // For loading: the four vectors (0, 0, 0), the rest from the record.
    CSurfacePlot();
    // A new map of the molecule: a 20 x 20 grid, bound and scale 1, red on
    // top, white below, black element borders, light along -z; to be
    // computed before it is first drawn.
    explicit CSurfacePlot(CMolecule* molecule);
    ~CSurfacePlot() override;

    // The base record, then the map's: bound, M, N, scale, the three colours,
    // the element-border flag and the light vector; every node's point and
    // record; every triangle's record. A map without a complete mesh (never
    // computed, cancelled, or its grid changed since) writes fresh records
    // of the current counts, and such a mesh reads back as not computed.
    void Serialize(zel::CArchive& ar) override;
    // Asks for a file and draws the map into it.
    void ExportEMF(zel::CCanvas& reference) override;
    // Nodes and triangles (job 99, on the worker). Progress: 50 over the
    // corner rows, 50 over the centre rows, moved after each batch of whole
    // rows; the cancel flag is read between batches and within them.
    void Compute() override;
    // The central projection: the eye on the z axis at the eye distance
    // looking towards -z, the picture on the plane at the projection
    // distance. Equal distances put the eye at 1e8.
    CVector Perspective(CVector v) override;
    // The mesh shaded back to front; only the free texts and title while
    // busy; only the decorations while the mesh is not computed.
    void Draw(zel::CCanvas& dc) override;
    // The angles from the orientation, the dialog; OK rebuilds the
    // orientation from the angles and marks the map for recomputation.
    void Modify() override;
    // Centre of the projected corner nodes and the page lengths per bohr
    // that fit them between the margins. A range of zero is left out of the
    // fit; with both zero the scale is 1.
    void FitToPage(zel::CCanvas& dc, double* centreX, double* centreY, double* scale) override;
    // The element-border flag, whatever the code.
    int Query(int code) override;
    // The base's codes; code 99 flips the element-border flag.
    void Toggle(int code) override;
    const char* GetComputeTitle() const override { return kComputeTitle; }

    // --- accessors ----------------------------------------------------------------
    double GetMaxValue() const { return m_dMaxValue; }
    void SetMaxValue(double value) { m_dMaxValue = value; }
    double GetScale() const { return m_dScale; }
    void SetScale(double scale) { m_dScale = scale; }
    void GetGrid(int* m, int* n) const {
        *m = m_nM;
        *n = m_nN;
    }
    void SetGrid(int m, int n) {
        m_nM = m;
        m_nN = n;
    }
    // 0 top, 1 bottom, 2 element border; other indices change nothing.
    void SetColor(int index, CVector color);
    // 1 bottom, 2 element border, any other index the top colour.
    CVector GetColor(int index) const;
    CVector GetReliefLight() const { return m_Light; }
    // The distance of the plane the perspective projects onto; a non-finite
    // distance is ignored.
    void SetProjectionDistance(double distance) {
        if (std::isfinite(distance)) m_dProjDistance = distance;
    }
    int IsNotComputed() const { return m_bNotComputed; }

    // The mesh: lifted positions and clipped values; triangles with their
    // nodes, normals and centroids; the drawing order; the working points
    // (in-plane grid points after a computation, turned and projected node
    // positions after a drawing).
    const std::vector<CNode>& GetNodes() const { return m_Nodes; }
    const std::vector<CElement>& GetElements() const { return m_Elements; }
    const std::vector<int>& GetOrder() const { return m_Order; }
    const std::vector<CVector>& GetNodePoints() const { return m_NodePoints; }

    // Orientation := Rz Ry Rx of the plot's angles (degrees), turned in
    // that order from the identity.
    void OrientByAngles();
    // Orientation times the point.
    CVector TransformPoint(CVector p) const;
    // The three points' sum times 0.3333333333333333.
    static CVector Centroid(CVector a, CVector b, CVector c);
    // Shell sort of the drawing order by the triangles' centroid z, ascending
    // (gaps 1, 4, 13, 40, ..., the first above (4MN - 1) / 9 first).
    void SortByDepth();
    // The fill colour of a triangle with normal n (of its vertex order,
    // turned): the top colour when it faces the viewer, its side on the front
    // of the plane turned to +z (FrontSide() n.z >= 0), else the bottom
    // colour; so a flat map seen from the front shows the top colour. The
    // colour is darkened towards black below an intensity of 0.5 and
    // lightened towards white above it, I = sqrt(|n . L| / (|n| |L|)).
    zel::COLORREF ShadeColor(CVector normal) const;
    // +1 when the triangles' vertex-order normals point to the front of the
    // plane (the side its points A, B, C run counter-clockwise seen from),
    // -1 when they point away from it, as for corners derived from the
    // points.
    double FrontSide() const;

    // Node and triangle counts of an M x N grid, in 64 bits.
    static long long NodeCount(int m, int n);
    static long long ElementCount(int m, int n);
    static bool IsGridCount(int count) { return count >= 1 && count <= kMaxGridCount; }

private:
    // Whether nodes, triangles and working points are those of the current
    // grid, every triangle as the layout makes it.
    bool HasMesh() const;
    // The corner rows (centres false) or the centre rows; false when
    // cancelled (*stopped := kCancelled) or the field could not be evaluated
    // (*stopped := kComputeFailed).
    bool ComputeNodes(bool centres, CVector n, CVector du, CVector dv, int* stopped);
    void DrawMesh(zel::CCanvas& dc);

    int m_bNotComputed = 1;
    CVector m_Light;       // the shading direction; (0, 0, -1) for a new map
    CVector m_TopColor;    // facing the viewer
    CVector m_BottomColor; // facing away
    CVector m_ElementBorderColor;
    std::vector<CNode> m_Nodes;
    std::vector<CElement> m_Elements;
    double m_dMaxValue = 1.0; // clipping bound of the values, never negative
    std::vector<int> m_Order; // triangle indices in drawing order
    double m_dScale = 1.0;
    int m_nM = 20; // cells from corner 0 towards corner 2 ("Columns")
    int m_nN = 20; // cells from corner 0 towards corner 1 ("Rows")
    int m_bElementBorder = 1;
    std::vector<CVector> m_NodePoints;
};
