#pragma once
// The plot view: the lower pane of the main window. It shows the molecule's
// current plot on a page of the plot's paper, lets the user turn, zoom and
// pan the plot and move its free texts with keys and mouse, edits texts with
// the right button, prints the plot in its page's orientation, copies the
// picture to the clipboard and exports the plot as an enhanced metafile.
//
// The view works in 0.01 mm with y upwards; page points of the mouse are
// measured from the page's top-left corner (scrolling included).
//
// Keys (with a current plot; without one every key is ignored):
//   Space reset view, A axes triad, B border, T title, N compute again (all
//   mark the document modified); L labels; H help; the scrolling keys.
//   M, O, P, U, V, W, X, Y, Z are held: while the left button drags outside
//   the free texts, M zooms (0.02 per move: in when dragging down), O moves
//   the eye, P pans, U, V, W move the light, X, Y, Z turn the plot by the
//   pixels dragged (degrees).
//
// Painting never computes: a plot that needs computing is computed as a job
// first (queued after the paint that found it so), and while a job runs the
// view shows only the current plot's free texts and title. A computation the
// user cancelled starts again on a command (print, export, copy, key N, the
// plot's dialog), not on a repaint.

#include <QAbstractScrollArea>

#include "analysis/MoleculeViews.h"
#include "platform/core/Canvas.h"
#include "shell/DocView.h"

class CMolecule;
class CPlot;
class CPlotText;
class CZelmoraDoc;
class QPrinter;

class CPlotView : public QAbstractScrollArea, public CDocView, public IPlotView {
    Q_OBJECT

public:
    explicit CPlotView(CZelmoraDoc* document, QWidget* parent = nullptr);
    // Takes the view's registration back from the molecule.
    ~CPlotView() override;

    // CDocView
    QWidget* GetWidget() override { return this; }
    void OnInitialUpdate() override;
    void OnUpdate() override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

    // The molecule's current plot; null without one and while a job runs.
    CPlot* GetCurrentPlot() const;
    // Computes the current plot as a job when it needs it. False when there
    // is no plot to draw.
    bool PreparePlot();
    // The drawing of screen and printer on a prepared canvas.
    void OnDraw(zel::CCanvas& dc);
    // Plot > Copy to clipboard, Ctrl+C: the view as shown.
    void CopyToClipboard();
    // Plot > Export: the current plot as an enhanced metafile.
    void OnPlotExport();
    // Prints the current plot on the printer, in its page's orientation.
    void PrintPlot(QPrinter* printer);
    void OnHelp();

    // A mouse point in page units (scroll position added).
    zel::CPoint ToPage(QPoint client) const;
    // The scroll sizes in page units: total, page and line step.
    zel::CSize GetTotalSize() const { return m_TotalSize; }
    zel::CSize GetPageStep() const { return m_PageStep; }
    zel::CSize GetLineStep() const { return m_LineStep; }
    // Whether the mode of a key (Qt::Key_M ...) is held.
    bool IsModeHeld(int key) const;
    const CPlotText* GetDraggedText() const { return m_pDraggedText; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum Mode { Zoom, Eye, Pan, LightX, LightY, LightZ, RotateX, RotateY, RotateZ, ModeCount };
    static int ModeOfKey(int key);

    double Dpi() const;
    void SetScrollSizes(zel::CSize total, zel::CSize page, zel::CSize line);
    void UpdateScrollBars();
    void Redraw();
    void SetModified();
    // A dragged text that still belongs to the current plot, or null.
    CPlotText* DraggedText() const;
    void ScheduleCompute();
    void PrintCommand(int id);

    CZelmoraDoc* m_pDocument;
    CMolecule* m_pMolecule = nullptr;
    CPlotText* m_pDraggedText = nullptr;
    bool m_Modes[ModeCount] = {};
    QPoint m_LastPoint;
    bool m_bViewDrag = false;
    bool m_bComputeQueued = false;
    zel::CSize m_TotalSize{20000, 30000};
    zel::CSize m_PageStep{10000, 15000};
    zel::CSize m_LineStep{400, 600};
};
