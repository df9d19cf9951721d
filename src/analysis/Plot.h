#pragma once
// Base of the two-dimensional plots that the molecule's plot list owns: the
// page the plot is laid out on, the plane of molecular space it shows, the
// view orientation and zoom, the plot font, the title, border and orientation
// triad, the free texts, the plot's number and the field it belongs to. The
// plot kinds derive from it and override a part of its virtual interface.
//
// Drawing is done on a zel::CCanvas in logical units of 0.01 mm, y upwards.
// Every drawing routine first sets the page transform: the window origin
// (-W/2, H/2), with W and H the paper's width and height in logical units, so
// the paper's centre is the logical point (0, 0).
//
// Threads: plots live on the user-interface thread. Only Compute runs on the
// worker (job 99), while the progress dialog keeps the user away. Painting
// never computes: whoever draws a plot whose NeedsCompute() holds runs the job
// first (see ui/PlotCompute.h).

#include <list>
#include <memory>
#include <string>

#include "analysis/PlotParts.h"
#include "analysis/PlotPlane.h"
#include "numerics/Matrix.h"
#include "numerics/Vector.h"
#include "platform/core/Archive.h"
#include "platform/core/Canvas.h"

class CMolecule;

// Number of the next new plot ("New Plot (%d)"); restarts at 0 when the
// document is emptied and is stored with every plot.
extern int g_nPlotCounter;

class CPlot : public zel::CObject {
public:
    ZEL_DECLARE_SERIAL(CPlot);

    using CTextList = std::list<std::unique_ptr<CPlotText>>;

    // Plot kinds.
    static constexpr int kMolGraph = 0;
    static constexpr int kContour = 2;
    static constexpr int kRelief = 3;
    // Toggle and Query codes.
    static constexpr int kAxesCode = 0;
    static constexpr int kBorderCode = 1;
    static constexpr int kTitleCode = 19;

    // The zoom never goes below this (a zoom of 0 or less would mirror the
    // picture and give fonts and pens no size).
    static constexpr double kMinZoom = 0.01;

    // Refusal of a loaded plot record.
    static constexpr const char* kBadRecord = "Invalid plot record in file.";

    // Bounds of a loaded plot record, far beyond any real plot: within them
    // the products of the drawing and its page mapping stay finite and in
    // int range. Coordinates (bohr, plot coordinates, orientation entries,
    // light directions) in absolute value; page lengths in page units (margins
    // from 0, paper from above 0); font sizes in logical units, in absolute
    // value; the plot counter from 0.
    static constexpr double kMaxCoordinate = 1e15;
    static constexpr double kMaxPageLength = 1e4;
    static constexpr int kMaxFontSize = 1000000;
    static constexpr int kMaxPlotCounter = 1000000000;
    static bool IsCoordinate(double value) { return value >= -kMaxCoordinate && value <= kMaxCoordinate; }
    static bool IsCoordinate(const CVector& v) { return IsCoordinate(v.x) && IsCoordinate(v.y) && IsCoordinate(v.z); }
    // Refusal of three points that span no plane.
    static constexpr const char* kNoPlane = "The three points lie on one line: they span no plane.";
    // Refusal of a rectangle of width or height 0.
    static constexpr const char* kNoArea = "The width and the height of the plane must not be 0.";
    // What SetPlane gives for corners that span no plane.
    static constexpr int kPlaneWithoutArea = 2;

    // A plot to be loaded: everything comes from the record read.
    CPlot();
    // A new plot of the molecule: number and title from the plot counter
    // (which it does not change), the molecule's current field, A4 portrait
    // in millimetres with 30 mm margins, a 5 x 5 bohr plane at the origin.
    explicit CPlot(CMolecule* molecule);
    ~CPlot() override;

    CPlot(const CPlot&) = delete;
    CPlot& operator=(const CPlot&) = delete;

    // --- virtual interface, in the order the kinds know it --------------------------
    // The plot record (see Plot.cpp); the kinds write theirs after it.
    void Serialize(zel::CArchive& ar) override;
    // Angles 0, zoom 1, no pan, identity orientation, recompute flag cleared.
    virtual void ResetView();
    // Asks for an *.emf file and starts the metafile (GetMetafile()), clipped
    // to the border; none when the user cancelled or the file could not be
    // started. The kinds then call DrawAndCloseMetafile().
    virtual void ExportEMF(zel::CCanvas& reference);
    // The kinds compute their data here, on the worker thread (job 99).
    virtual void Compute() {}
    virtual CVector Perspective(CVector point) { return point; }
    // Molecular coordinates to plot coordinates (x, y across the page, z
    // towards the viewer).
    virtual CVector ToPlotCoords(CVector point) { return point; }
    // Page transform, border and triad; the kinds draw their content after it
    // and end with DrawTexts.
    virtual void Draw(zel::CCanvas& dc);
    // Recovers the angles from the orientation; the kinds open their dialog.
    virtual void Modify();
    // Centre (plot coordinates) and scale (page units per bohr) that fit the
    // projected atoms and critical points into the page.
    virtual void FitToPage(zel::CCanvas& dc, double* centreX, double* centreY, double* scale);
    virtual int Query(int code);
    // 0 axes triad, 1 border, 19 title on or off; other codes nothing.
    virtual void Toggle(int code);
    // The title of the progress dialog in which the kind computes, or null
    // for a kind that never computes. Painting never computes: the view runs
    // the job before it draws a plot that NeedsCompute().
    virtual const char* GetComputeTitle() const { return nullptr; }

    // --- accessors --------------------------------------------------------------------
    void SetMolecule(CMolecule* molecule) { m_pMolecule = molecule; }
    CMolecule* GetMolecule() const { return m_pMolecule; }
    int GetFieldIndex() const { return m_nField; }
    int GetNumber() const { return m_nNumber; }
    int GetKind() const { return m_nKind; }
    int IsBusy() const { return m_bBusy; }
    void SetBusy(int busy) { m_bBusy = busy; }
    int IsRecompute() const { return m_bRecompute; }
    // Sets or clears the recompute flag; either way a cancelled computation
    // is forgotten.
    void SetRecompute(int recompute = 1) {
        m_bRecompute = recompute;
        m_bComputeCancelled = 0;
    }
    // Why a computation left the plot not computed.
    static constexpr int kCancelled = 1;     // the user cancelled it
    static constexpr int kComputeFailed = 2; // the field could not be evaluated
    static constexpr const char* kCannotEvaluate =
        "The field could not be evaluated: the plot is not computed.";
    static constexpr const char* kCancelledLine = "Not computed: the computation was cancelled.";
    static constexpr const char* kFailedLine = "Not computed: the computation failed.";
    // The computation was cancelled (or failed: why = kComputeFailed): the
    // plot stays marked for recomputation, but only an explicit request
    // (print, export, the view's key N, the dialog) starts it again, never a
    // repaint, which would open the progress dialog again at once. Until then
    // it draws as not computed (DrawNotComputed).
    void MarkComputeCancelled(int why = kCancelled) {
        m_bRecompute = 1;
        m_bComputeCancelled = why;
    }
    // 0, kCancelled or kComputeFailed.
    int IsComputeCancelled() const { return m_bComputeCancelled; }
    // A kind that computes, with the recompute flag set.
    bool NeedsCompute() const { return m_bRecompute && GetComputeTitle() != nullptr; }
    // What a repaint computes: not a plot whose computation was cancelled.
    bool NeedsAutoCompute() const { return NeedsCompute() && !m_bComputeCancelled; }

    void SetAngles(int x, int y, int z);
    int* GetAngles() { return m_nAngles; }
    // Clamped to kMinZoom and above (a non-finite zoom gives kMinZoom); the
    // font follows: (int)(zoom x base size).
    void SetZoom(double zoom);
    double GetZoom() const { return m_dZoom; }
    // The font at the zoom; its size becomes the base size (the size at zoom 1).
    void SetLogFont(const zel::LOGFONT& font);
    zel::LOGFONT GetLogFont() const { return m_LogFont; }
    // The plot font at zoom 1, as the dialogs edit it.
    zel::LOGFONT GetBaseLogFont() const;
    // Takes a font at zoom 1 as the base font; the plot font follows the zoom.
    void SetBaseLogFont(const zel::LOGFONT& font);
    void SetPanX(int pan) { m_nPanX = pan; }
    void SetPanY(int pan) { m_nPanY = pan; }
    int GetPanX() const { return m_nPanX; }
    int GetPanY() const { return m_nPanY; }
    // Point switches 0..3 ((3,-3) to (3,+3)) and path switches 0..2 (bond,
    // ring, cage); other indices are ignored (getters give 0).
    void SetDisplayOption(int index, int value);
    int GetDisplayOption(int index) const;
    void SetDisplayFlag(int index, int value);
    int GetDisplayFlag(int index) const;
    int ToggleLabels();
    int GetLabels() const { return m_bLabels; }
    void ToggleTextDrag() { m_bTextDrag = !m_bTextDrag; }
    int IsTextDrag() const { return m_bTextDrag; }
    CVector GetLightVector() const { return m_Light; }
    void SetLightVector(CVector light) { m_Light = light; }
    double GetEyeDistance() const { return m_dEyeDistance; }
    // A non-finite distance is ignored.
    void SetEyeDistance(double distance);
    double GetProjectionDistance() const { return m_dProjDistance; }
    int GetUnitsFactor() const { return m_nUnitsFactor; }
    double GetDrawScale() const { return m_dDrawScale; }
    void SetDrawScale(double scale) { m_dDrawScale = scale; }

    CTitle* GetTitle() { return &m_Title; }
    const CTitle* GetTitle() const { return &m_Title; }
    CBorder* GetBorder() { return &m_Border; }
    const CBorder* GetBorder() const { return &m_Border; }
    const CAxes* GetAxes() const { return &m_Axes; }
    CPageSetup GetPageSetup() const { return m_PageSetup; }
    // Takes the page; the border stays until UpdateBorderRect. Returns 1.
    int SetPageSetup(const CPageSetup& page);
    CPlotPlane GetPlane() const { return m_Plane; }
    CMatrix GetOrientation() const { return m_Orientation; }
    CTextList* GetTextList() { return &m_TextList; }
    const CTextList* GetTextList() const { return &m_TextList; }
    // The metafile ExportEMF started, or null.
    zel::CMetafileCanvas* GetMetafile() const { return m_pMetaFile.get(); }

    static void ResetPlotCounter() { g_nPlotCounter = 0; }
    static void IncrementPlotCounter() { ++g_nPlotCounter; }

    // --- page and decorations (PlotDrawing.cpp) ---------------------------------
    // The paper in logical units: W = (int)(u x paper width), H likewise, u
    // the units factor.
    int PageWidth() const;
    int PageHeight() const;
    // Units factor from the page's mm flag (the drawing scale converted with
    // it), border rectangle from the paper and the margins.
    void UpdateBorderRect();
    // Follows a change of the page's units with the drawing scale. Both this
    // and UpdateBorderRect convert the scale when they change the units
    // factor, so that the scale is converted once whichever runs first.
    void ApplyUnits();
    void DrawBorder(zel::CCanvas& dc);
    // The border's line alone (no fill), when the border is shown: drawn
    // once more after a drawing clipped to the border, whose clip runs
    // through the middle of that line and may leave nothing of it on a
    // scaled-down page.
    void DrawBorderOutline(zel::CCanvas& dc);
    // The unit cube through ToPlotCoords, scaled so that its largest projected
    // coordinate is 10 mm, 15 mm left of the border's right edge and 17 mm
    // above its bottom. Skipped when the cube projects onto a point.
    void DrawAxesTriad(zel::CCanvas& dc);
    void DrawTitle(zel::CCanvas& dc);
    // The free texts in list order, then the title when it is visible.
    void DrawTexts(zel::CCanvas& dc);
    // A plot whose computation was cancelled or failed: the page with border
    // and triad, a line at the page's centre saying so, the texts and title.
    void DrawNotComputed(zel::CCanvas& dc);
    // The right-click on (x, y) (free-text coordinates): edits or deletes the
    // texts there through the text dialog, in list order, or offers a new
    // text at the point when none is there.
    void EditText(zel::CCanvas& dc, int x, int y);

    // --- plane and orientation (PlotGeometry.cpp) -------------------------------
    // Takes the plane and derives its corners. Returns 0; 1 when its points A,
    // B and C span no plane or the corners would not be finite numbers,
    // kPlaneWithoutArea when the corners span no plane (a width or height of
    // 0); the plot's plane is then unchanged.
    int SetPlane(CPlotPlane plane);
    // Puts back a plane record taken with GetPlane, corners and all, as a
    // cancelled dialog does: nothing is derived again, so a plane whose
    // corners were never derived from its points stays as it was.
    void RestorePlane(const CPlotPlane& plane) { m_Plane = plane; }
    // Unit normal of (b - a) x (c - a).
    static CVector PlaneNormal(CVector a, CVector b, CVector c);
    // Whether the three points span a plane with a normal in doubles: their
    // cross product has a finite, non-zero length.
    static bool HasNormal(CVector a, CVector b, CVector c);
    // p turned by angle (radians) about the axis through c along n,
    // counter-clockwise when n points at the viewer. A zero n says so in a
    // message box and gives p.
    static CVector RotateAboutAxis(CVector n, CVector c, CVector p, double angle);
    // p turned by angle (radians) about the line through c parallel to z.
    static CVector RotateInPlane(CVector c, CVector p, double angle);
    // orientation := R x orientation with R the rotation about x, y or z;
    // about x and y nothing for kinds 1 and 2, which turn only in their plane.
    void RotateX(double angle);
    void RotateY(double angle);
    void RotateZ(double angle);

protected:
    // The units factor becomes unitsFactor (100 or 2540); the drawing scale,
    // in page units per bohr, follows it.
    void ConvertDrawScale(int unitsFactor);
    // Draws the plot into the metafile ExportEMF started and closes it; a
    // file that could not be written completely is reported.
    void DrawAndCloseMetafile();

    int m_bLabels = 1;
    CMatrix m_Orientation{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    int m_bTextEditScratch = 0; // EditText: 1 while no text has been hit
    int m_bTextDrag = 0;
    int m_nUnitsFactor = 100;
    int m_nBaseFontWidth = 0;
    int m_nBaseFontHeight = -500;
    zel::LOGFONT m_LogFont;
    CTextList m_TextList;
    int m_bBusy = 0;
    int m_bRecompute = 1;
    int m_bComputeCancelled = 0; // not stored
    double m_dZoom = 1.0;
    int m_nAngles[3] = {0, 0, 0};
    int m_bPathSwitch[3] = {0, 0, 0};
    int m_nNumber = 0;
    int m_bPointSwitch[4] = {0, 0, 0, 0};
    CMolecule* m_pMolecule = nullptr; // owner, not owned
    int m_nField = 0;
    int m_nKind = 0;
    CVector m_Light;
    double m_dEyeDistance = 22.0;
    double m_dProjDistance = 20.0;
    int m_nPanX = 0;
    int m_nPanY = 0;
    CPageSetup m_PageSetup;
    CPlotPlane m_Plane;
    CTitle m_Title;
    CBorder m_Border;
    CAxes m_Axes;
    double m_dDrawScale = 1.0;
    std::unique_ptr<zel::CMetafileCanvas> m_pMetaFile;
    std::string m_strMetaFilePath; // the file m_pMetaFile writes
};
