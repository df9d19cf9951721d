#pragma once
// The three-dimensional view: an OpenGL window that draws the molecule's
// nuclei, critical points and paths of the current field, the axes and the
// current plot's plane, turned by a trackball, moved and zoomed by keys, with
// switches for each kind of object. A double click shows the object under
// the mouse in its dialog; the key S saves the picture as a bitmap file.
//
// The view owns its GL context and all state of the picture (rotation,
// translation, switches, background); none of it is saved. It registers
// itself with the molecule at its initial update.
//
// Jobs: the window has no owner, so it keeps painting while a job runs on the
// worker. It reads the molecule only while no job runs (CMolecule::
// IsJobRunning); meanwhile it draws the scene it took before the job.

#include <QOpenGLWindow>

#include <functional>
#include <optional>
#include <string>

#include "analysis/MoleculeViews.h"
#include "numerics/Vector.h"
#include "view3d/Picking.h"
#include "view3d/Scene.h"

#include <unordered_map>

class CMolecule;
class QColor;
class QImage;
class QWidget;

class C3DView : public QOpenGLWindow, public I3DView {
    Q_OBJECT

public:
    // Windows virtual-key codes of the keys the view answers.
    enum Key : int {
        VK_TAB = 9,
        VK_SHIFT = 16,
        VK_CONTROL = 17,
        VK_SPACE = 32,
        VK_LEFT = 37,
        VK_UP = 38,
        VK_RIGHT = 39,
        VK_DOWN = 40,
    };
    // Switch commands of the context menu.
    enum Command : int {
        ID_MOLECULAR_AXES = 1030,
        ID_ATOMIC_AXES = 1031,
        ID_NUCLEI = 1032,
        ID_BOND_PATHS = 1033,
        ID_RING_PATHS = 1034,
        ID_CAGE_PATHS = 1035,
        ID_MAX_POINTS = 1036,
        ID_BOND_POINTS = 1037,
        ID_RING_POINTS = 1038,
        ID_CAGE_POINTS = 1039,
        ID_ENVELOPE_MAP = 1040,
        ID_RESOLUTION = 1041,
        ID_SEPARATOR_ROW = 1042,
        ID_FACTOR_INCREASE = 1043,
        ID_FACTOR_DECREASE = 1044,
        ID_FACTOR_RESET = 1045,
        ID_BACKGROUND = 1046,
        ID_LAST_SWITCH = 1054,
    };
    // The key step factor doubles up to this; further doubling keeps it.
    static constexpr int kMaxFactor = 4096;
    static constexpr const char* kHelpTopic = "::3dview.htm";
    // Messages of picking and of the bitmap export.
    static constexpr const char* kNothingChosen = " Nothing chosen. \n";
    static constexpr const char* kNoBitmap = "Unable to get OpenGL bitmap from screen!";
    static constexpr const char* kCannotSave = "Could not save to file";

    // The view's display switches (each 0 or 1).
    struct SSwitches {
        int molecularAxes = 1;
        int atomicAxes = 1;
        int nuclei = 1;
        int bondPaths = 1;
        int ringPaths = 1;
        int cagePaths = 1;
        int maxPoints = 1;
        int bondPoints = 1;
        int ringPoints = 1;
        int cagePoints = 1;
        int envelopeMap = 0;
        int resolution = 0; // 0 axes and paths as cylinders, 1 as lines
        int plane = 1;      // no command changes it
    };

    // Chooses a colour starting from initial; none on Cancel. The default
    // opens the colour dialog.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

    C3DView();
    ~C3DView() override;

    // The surface format the view asks for: RGB with 8 bits a channel, a
    // 32-bit depth buffer, double-buffered, desktop OpenGL (fixed function).
    static QSurfaceFormat RequestedFormat();

    // Takes the molecule (not owned) and registers with it.
    void OnInitialUpdate(CMolecule* molecule);
    CMolecule* GetMolecule() const { return m_pMolecule; }
    // The document updated its views: paint anew.
    void OnUpdate();
    // I3DView: repaint at once (a plot's plane was changed).
    void Redraw() override;

    // The GL state could not be set up; empty while it could (or before the
    // first frame). Reported once through the failure handler.
    const std::string& GetGLFailure() const { return m_strGLFailure; }
    void SetFailureHandler(std::function<void(const std::string&)> handler) {
        m_OnFailure = std::move(handler);
    }

    // The widget the menus and dialogs of the view belong to (the frame).
    void SetOwnerWidget(QWidget* owner) { m_pOwner = owner; }

    // --- handlers ---------------------------------------------------------------
    // Window points in device-independent pixels of the client area.
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp();
    // A double click: picks the object at the point.
    void OnLButtonDblClk(int x, int y);
    // A key by its virtual-key code.
    void OnKeyDown(int key);
    // The context menu at a screen point; keyboard: opened from the keyboard,
    // shown at the view instead.
    void OnContextMenu(QPoint screenPoint, bool keyboard);
    // Commands 1030 to 1054.
    void OnSwitchCommand(int id);
    // F1 and context help: the view's help page.
    void OnHelp();

    // --- picking ----------------------------------------------------------------
    // Draws the scene in GL's selection mode around the window point and
    // shows the object hit first (ShowPickedObject).
    void PickObject(int x, int y);
    // Shows the object the selection name stands for in its dialog, as the
    // last selection pass drew it; 0 (no hit) says that nothing was chosen; a
    // name that stands for nothing shows nothing. Paths are shown only while
    // the current field is the density (0).
    void ShowPickedObject(int name);
    // Each runs its dialog on the record and keeps what it shows on OK.
    void ShowAtomDialog();
    void ShowCritPointDialog();
    void ShowGradPathDialog();
    static std::string GetElementName(int charge) { return ::GetElementName(charge); }
    const CPickedAtom& GetPickedAtom() const { return m_PickedAtom; }
    const CPickedCritPoint& GetPickedCritPoint() const { return m_PickedCritPoint; }
    const CPickedPath& GetPickedPath() const { return m_PickedPath; }
    // The object each name stood for in the last selection pass (an index
    // into the scene's targets).
    const std::unordered_map<int, int>& GetPickNames() const { return m_PickNames; }

    // --- bitmap export ------------------------------------------------------------
    // Draws a frame, reads it and saves it as a 24-bit bitmap file chosen in
    // the file dialog.
    void SaveBitmap();

    // The context menu's items as (id, text, checked), built from the molecule
    // as OnContextMenu would build it (which also sets the switches of absent
    // kinds to 1).
    struct SMenuItem {
        int id;
        std::string text;
        bool checked;
    };
    std::vector<SMenuItem> BuildContextMenu();

    // --- state ------------------------------------------------------------------
    const SSwitches& GetSwitches() const { return m_Switches; }
    SSwitches& Switches() { return m_Switches; }
    CVector GetTranslation() const { return m_Translation; }
    void SetTranslation(CVector t) { m_Translation = t; }
    const float* GetRotation() const { return m_CurQuat; }
    void SetRotation(const float q[4]);
    const float* GetRotationIncrement() const { return m_LastQuat; }
    int IsSpinning() const { return m_bSpinning; }
    int IsTracking() const { return m_bTracking; }
    int GetFactor() const { return m_nFactor; }
    CVector GetBackground() const { return m_Background; }
    double GetAspectRatio() const { return m_dAspect; }
    static void SetColorChooser(ColorChooser chooser);

    // The grid normal of point (i, j, k): the sum of the directions to its
    // neighbours outside the map (weighted 1, 0.707106781 and 0.693361274
    // for face, edge and corner neighbours), unnormalised; (0, 0, 0) when
    // every existing neighbour is inside.
    static CVector GetEnvelopeNormal(const CEnvGrid& grid, int nx, int ny, int nz, int i, int j, int k);

    // Draws one frame into the back buffer and reads it back (glReadPixels),
    // top row first; a null image without a working GL context.
    QImage RenderFrame();

    // The scene drawn last (taken from the molecule while no job runs).
    const C3DScene& GetScene() const { return m_Scene; }
    // Takes the scene from the molecule unless a job is running; returns
    // whether it did.
    bool UpdateScene();

protected:
    // The GL context: lights and material (InitGL), projection (OnSize) and
    // one frame (OnDraw).
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InitGL();
    void OnSize(int cx, int cy);
    void RenderScene(bool picking);
    void DrawAxes(float scale);
    void DrawAxesLines(float scale);
    void DrawAtomicAxes();
    void DrawNuclei();
    void DrawCritPoints();
    void DrawBondPaths();
    void DrawRingPaths();
    void DrawCagePaths();
    void DrawPlotPlane();
    // The envelope map of the scene: spheres or a lit surface through the
    // surface points, coloured by the value of the field between the map's
    // two colours; translucent below transparency 1.
    void DrawEnvelopeMap(CVector centroid, int fieldIndex);
    // The triangles joining point (i, j, k) to its surface neighbours.
    void DrawEnvelopeTriangles(CVector centroid, const CEnvGrid& grid, int i, int j, int k, float red,
                               float green, float blue, float alpha);
    void DrawTriangle(CVector centroid, CVector a, CVector b, CVector c, CVector na, CVector nb, CVector nc);
    void DrawSphere(double radius, CVector position, int code, int name, float r = 1, float g = 1,
                    float b = 1, float a = 1);
    void DrawCylinder(double radius, double length, CVector start, CVector target, int code, int name);
    void DrawPathCylinders(int kind);
    // In a selection pass: the name now stands for the scene's target pick.
    void NoteName(int name, int pick);
    void Invalidate();
    void DoubleFactor();
    void HalveFactor();
    void ReportFailure(const std::string& reason);
    static void Toggle(int& value) { value = value == 0 ? 1 : 0; }

    CMolecule* m_pMolecule = nullptr;
    QWidget* m_pOwner = nullptr;
    C3DScene m_Scene;
    int m_bLeftButtonDown = 0;
    QPoint m_DblClkPoint;
    float m_CurQuat[4] = {0, 0, 0, 1};
    float m_LastQuat[4] = {0, 0, 0, 1};
    int m_bSpinning = 0;
    int m_bTracking = 0;
    int m_nLastX = 0;
    int m_nLastY = 0;
    int m_nWidth = 300;
    int m_nHeight = 300;
    double m_dAspect = 0.0;
    CVector m_Translation{0, 0, -16};
    int m_nFactor = 1;
    SSwitches m_Switches;
    CVector m_Background{0, 0, 0};
    std::string m_strGLFailure;
    std::function<void(const std::string&)> m_OnFailure;
    bool m_bPicking = false;
    std::unordered_map<int, int> m_PickNames;
    CPickedAtom m_PickedAtom;
    CPickedCritPoint m_PickedCritPoint;
    CPickedPath m_PickedPath;
};
