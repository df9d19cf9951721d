#include "shell/PlotView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/Molecule.h"
#include "platform/qt/Help.h"
#include "platform/qt/PainterCanvas.h"
#include "platform/qt/ScrollKeys.h"
#include "plots/PlotPage.h"
#include "shell/CommandIds.h"
#include "shell/Printing.h"
#include "shell/ZelmoraDoc.h"
#include "ui/PlotCompute.h"

namespace {

constexpr double kZoomStep = 0.02;

// ((a mod 360) + 360) mod 360, without overflow for any int a.
int ReduceAngle(long long angle) {
    return static_cast<int>(((angle % 360) + 360) % 360);
}

double Radians(int degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

CPlotView::CPlotView(CZelmoraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDocument(document) {
    setObjectName(QStringLiteral("PlotView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setPalette(QPalette(Qt::white));
    // Moves without a button held reach the view too.
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

CPlotView::~CPlotView() {
    if (m_pMolecule && m_pMolecule->GetPlotView() == this) m_pMolecule->SetPlotView(nullptr);
}

void CPlotView::OnInitialUpdate() {
    SetScrollSizes({20000, 30000}, {10000, 15000}, {400, 600});
    std::fill(std::begin(m_Modes), std::end(m_Modes), false);
    m_bViewDrag = false;
    m_pDraggedText = nullptr;
    m_pMolecule = m_pDocument->GetMolecule();
    m_pMolecule->SetPlotView(this);
    OnUpdate();
}

void CPlotView::OnUpdate() {
    // The plot or its texts may have gone.
    m_pDraggedText = DraggedText();
    if (const CPlot* plot = GetCurrentPlot()) {
        const int w = plot->PageWidth();
        const int h = plot->PageHeight();
        SetScrollSizes({w, h}, {w / 2, h / 2}, {w / 50, h / 50});
    }
    viewport()->update();
}

CPlot* CPlotView::GetCurrentPlot() const {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return nullptr;
    return m_pMolecule->GetCurrentPlot();
}

CPlotText* CPlotView::DraggedText() const {
    CPlot* plot = GetCurrentPlot();
    if (!plot || !m_pDraggedText) return nullptr;
    for (const auto& text : *plot->GetTextList())
        if (text.get() == m_pDraggedText) return m_pDraggedText;
    return nullptr;
}

bool CPlotView::IsModeHeld(int key) const {
    const int mode = ModeOfKey(key);
    return mode >= 0 && m_Modes[mode];
}

int CPlotView::ModeOfKey(int key) {
    switch (key) {
    case Qt::Key_M:
        return Zoom;
    case Qt::Key_O:
        return Eye;
    case Qt::Key_P:
        return Pan;
    case Qt::Key_U:
        return LightX;
    case Qt::Key_V:
        return LightY;
    case Qt::Key_W:
        return LightZ;
    case Qt::Key_X:
        return RotateX;
    case Qt::Key_Y:
        return RotateY;
    case Qt::Key_Z:
        return RotateZ;
    default:
        return -1;
    }
}

// --- scrolling -------------------------------------------------------------------

double CPlotView::Dpi() const {
    return logicalDpiX() > 0 ? logicalDpiX() : 96.0;
}

void CPlotView::SetScrollSizes(zel::CSize total, zel::CSize page, zel::CSize line) {
    m_TotalSize = total;
    m_PageStep = page;
    m_LineStep = line;
    UpdateScrollBars();
}

void CPlotView::UpdateScrollBars() {
    const double k = Dpi() / 2540.0;
    auto pixels = [k](int units) { return std::max(1, zel::TruncToInt(std::lround(units * k))); };
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, pixels(m_TotalSize.cx) - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, pixels(m_TotalSize.cy) - area.height()));
    horizontalScrollBar()->setPageStep(pixels(m_PageStep.cx));
    verticalScrollBar()->setPageStep(pixels(m_PageStep.cy));
    horizontalScrollBar()->setSingleStep(pixels(m_LineStep.cx));
    verticalScrollBar()->setSingleStep(pixels(m_LineStep.cy));
}

void CPlotView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

zel::CPoint CPlotView::ToPage(QPoint client) const {
    zel::CQtMeasureCanvas dc(Dpi());
    dc.SetViewportOrg(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    return dc.DPtoLP({client.x(), client.y()});
}

// --- drawing -----------------------------------------------------------------------

void CPlotView::Redraw() {
    viewport()->update();
}

void CPlotView::SetModified() {
    m_pDocument->SetModifiedFlag(true);
}

void CPlotView::ScheduleCompute() {
    if (m_bComputeQueued) return;
    m_bComputeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bComputeQueued = false;
        if (CPlot* plot = GetCurrentPlot(); plot && !plot->NeedsAutoCompute()) return;
        if (PreparePlot()) Redraw();
    });
}

bool CPlotView::PreparePlot() {
    CPlot* plot = GetCurrentPlot();
    if (!plot) return false;
    ComputePlotIfNeeded(*m_pMolecule, *plot);
    return true;
}

void CPlotView::OnDraw(zel::CCanvas& dc) {
    DrawPlotPage(dc, GetCurrentPlot());
}

void CPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    zel::CPainterCanvas dc(painter, Dpi());
    dc.SetViewportOrg(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    // The model belongs to a running job: only the current plot's texts,
    // which no job touches, meanwhile.
    if (m_pMolecule && m_pMolecule->IsJobRunning()) {
        DrawPlotTextsOnly(dc, m_pMolecule->GetCurrentPlot());
        return;
    }
    // A computation the user cancelled is not started again by a repaint:
    // the plot shows what it has until a command asks for it.
    if (CPlot* plot = GetCurrentPlot(); plot && plot->NeedsAutoCompute()) {
        ScheduleCompute();
        return;
    }
    OnDraw(dc);
}

// --- keys ----------------------------------------------------------------------------

void CPlotView::keyPressEvent(QKeyEvent* event) {
    // Without a plot not even the scrolling keys act; keys with Ctrl or Alt
    // are the menus' and accelerators'.
    CPlot* plot = GetCurrentPlot();
    if (!plot || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->ignore();
        return;
    }
    const int key = event->key();
    event->accept();
    switch (key) {
    case Qt::Key_Space:
        plot->ResetView();
        SetModified();
        Redraw();
        return;
    case Qt::Key_A:
        plot->Toggle(CPlot::kAxesCode);
        SetModified();
        Redraw();
        return;
    case Qt::Key_B:
        plot->Toggle(CPlot::kBorderCode);
        SetModified();
        Redraw();
        return;
    case Qt::Key_T:
        plot->Toggle(CPlot::kTitleCode);
        SetModified();
        Redraw();
        return;
    case Qt::Key_L:
        plot->ToggleLabels();
        Redraw();
        return;
    case Qt::Key_N:
        plot->SetRecompute(1);
        SetModified();
        Redraw();
        return;
    case Qt::Key_H:
        zel::ShowHelpPage(QStringLiteral("zelmorahlp/zelmora.chm"), "");
        return;
    default:
        if (const int mode = ModeOfKey(key); mode >= 0) {
            m_Modes[mode] = true;
            return;
        }
        if (!zel::ScrollByKey(*this, key)) event->ignore();
    }
}

void CPlotView::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats as releases and presses: the mode stays.
    if (!event->isAutoRepeat()) {
        if (const int mode = ModeOfKey(event->key()); mode >= 0) {
            m_Modes[mode] = false;
            event->accept();
            return;
        }
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

// --- mouse -------------------------------------------------------------------------------

void CPlotView::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    CPlot* plot = GetCurrentPlot();
    if (event->button() == Qt::LeftButton) {
        if (plot) {
            if (CPlotText* text = FindPlotText(*plot, ToPage(position))) {
                m_pDraggedText = text;
                m_bViewDrag = false;
                if (!plot->IsTextDrag()) plot->ToggleTextDrag();
                event->accept();
                return;
            }
        }
        // Taken, so that the moves of the drag come here.
        m_bViewDrag = true;
        m_LastPoint = position;
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        event->accept();
        if (plot) {
            zel::CQtMeasureCanvas dc(Dpi());
            const zel::CPoint at = ToPage(position);
            plot->EditText(dc, at.x, at.y);
        }
        // The document counts a right-click as an edit, with or without a plot.
        m_LastPoint = position;
        SetModified();
        Redraw();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CPlotView::mouseMoveEvent(QMouseEvent* event) {
    CPlot* plot = GetCurrentPlot();
    if (!plot) return;
    const QPoint position = event->position().toPoint();
    if (m_bViewDrag) {
        const int dx = position.x() - m_LastPoint.x();
        const int dy = position.y() - m_LastPoint.y();
        auto step = [&] { Redraw(); };
        if (m_Modes[Zoom]) {
            plot->SetZoom(plot->GetZoom() + (dy > 0 ? kZoomStep : -kZoomStep));
            step();
        }
        if (m_Modes[Eye]) {
            plot->SetEyeDistance(plot->GetEyeDistance() + dy / 50.0);
            step();
        }
        if (m_Modes[Pan]) {
            plot->SetPanX(zel::TruncToInt(double(plot->GetPanX()) - 100.0 * dx));
            plot->SetPanY(zel::TruncToInt(double(plot->GetPanY()) + 100.0 * dy));
            step();
        }
        for (int axis = 0; axis < 3; ++axis) {
            if (!m_Modes[LightX + axis]) continue;
            CVector light = plot->GetLightVector();
            (axis == 0 ? light.x : axis == 1 ? light.y : light.z) += dy / 20.0;
            plot->SetLightVector(light);
            step();
        }
        int* angles = plot->GetAngles();
        if (m_Modes[RotateX]) {
            plot->SetAngles(ReduceAngle(static_cast<long long>(angles[0]) + dy), angles[1], angles[2]);
            plot->RotateX(Radians(dy));
            step();
        }
        if (m_Modes[RotateY]) {
            plot->SetAngles(angles[0], ReduceAngle(static_cast<long long>(angles[1]) + dx), angles[2]);
            plot->RotateY(Radians(dx));
            step();
        }
        if (m_Modes[RotateZ]) {
            plot->RotateZ(Radians(dy));
            plot->SetAngles(angles[0], angles[1], ReduceAngle(static_cast<long long>(angles[2]) + dy));
            step();
        }
        m_LastPoint = position;
    } else if (CPlotText* text = DraggedText()) {
        viewport()->setCursor(Qt::CrossCursor);
        text->SetPosition(ToPage(position));
        m_LastPoint = position;
        Redraw();
    }
    // Any move over a plot counts as an edit of the document, as the view has
    // always done, even with no button or key held.
    SetModified();
}

void CPlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    CPlot* plot = GetCurrentPlot();
    if (plot && !m_bViewDrag) {
        if (CPlotText* text = DraggedText()) {
            text->SetPosition(ToPage(event->position().toPoint()));
            if (plot->IsTextDrag()) plot->ToggleTextDrag();
        }
    }
    m_pDraggedText = nullptr;
    m_bViewDrag = false;
    viewport()->unsetCursor();
    Redraw();
}

void CPlotView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    if (CPlot* plot = GetCurrentPlot(); plot && plot->IsTextDrag()) plot->ToggleTextDrag();
}

// --- commands ------------------------------------------------------------------------------

bool CPlotView::OnCommand(int id) {
    switch (id) {
    case cmd::PlotExport:
        OnPlotExport();
        return true;
    case cmd::PlotCopy:
    case cmd::EditCopy:
        CopyToClipboard();
        return true;
    case cmd::FilePrint:
    case cmd::FilePrintDirect:
    case cmd::FilePrintPreview:
        PrintCommand(id);
        return true;
    case cmd::ContextHelp:
        OnHelp();
        return true;
    default:
        return false;
    }
}

bool CPlotView::OnUpdateCommand(CCmdUI& ui) {
    switch (ui.id) {
    case cmd::PlotExport:
        ui.Enable(m_pDocument->IsPlotChosen());
        return true;
    case cmd::PlotCopy:
    case cmd::EditCopy:
    case cmd::FilePrint:
    case cmd::FilePrintDirect:
    case cmd::FilePrintPreview:
    case cmd::ContextHelp:
        ui.Enable(true);
        return true;
    default:
        return false;
    }
}

void CPlotView::OnHelp() {
    zel::ShowHelpTopic("::2dview.htm");
}

void CPlotView::CopyToClipboard() {
    PreparePlot();
    const QImage image = viewport()->grab().toImage();
    QGuiApplication::clipboard()->setImage(image);
}

void CPlotView::OnPlotExport() {
    CPlot* plot = GetCurrentPlot();
    if (!plot) return;
    PreparePlot();
    zel::CQtMeasureCanvas reference(Dpi());
    plot->ExportEMF(reference);
    m_pDocument->UpdateAllViews();
}

void CPlotView::PrintPlot(QPrinter* printer) {
    if (!printer) return;
    // The paper's corner is the page's corner, in the page's orientation.
    printer->setFullPage(true);
    if (const CPlot* plot = GetCurrentPlot())
        printer->setPageOrientation(plot->GetPageSetup().m_bPortrait ? QPageLayout::Portrait
                                                                     : QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(printer)) return;
    zel::CPainterCanvas dc(painter, printer->resolution());
    OnDraw(dc);
    painter.end();
}

void CPlotView::PrintCommand(int id) {
    QPrinter local(QPrinter::HighResolution);
    QPrinter* printer = GetSharedPrinter() ? GetSharedPrinter() : &local;
    PreparePlot();
    // This print only: the printer's own settings come back afterwards.
    const QPageLayout layout = printer->pageLayout();
    const bool fullPage = printer->fullPage();
    if (const CPlot* plot = GetCurrentPlot())
        printer->setPageOrientation(plot->GetPageSetup().m_bPortrait ? QPageLayout::Portrait
                                                                     : QPageLayout::Landscape);
    if (id == cmd::FilePrintPreview) {
        QPrintPreviewDialog preview(printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* target) { PrintPlot(target); });
        preview.exec();
    } else if (id != cmd::FilePrint || QPrintDialog(printer, this).exec() == QDialog::Accepted) {
        PrintPlot(printer);
    }
    printer->setFullPage(fullPage);
    printer->setPageLayout(layout);
}
