#include "shell/ZelmoraView.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordFile.h"
#include "platform/qt/Help.h"
#include "platform/qt/ScrollKeys.h"
#include "shell/CommandIds.h"
#include "shell/Printing.h"
#include "shell/ZelmoraDoc.h"

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kPageHeightTwips = 14175; // 25 cm of lines per page
constexpr int kMarginTwips = 567;       // 1 cm
constexpr int kPrintCellTwips = 240;
constexpr int kScreenFontPoints = 10; // character height 200 twips
constexpr int kFileVersion = 200;     // the document file version the point record names
constexpr int kPageLines = 24;        // lines per scroll page on the screen

// A device of 1440 dots per inch that is never painted on: font metrics taken
// on it come out in twips.
class CTwipsDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
        case PdmWidthMM:
        case PdmHeightMM:
            return 1;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kTwipsPerInch;
        default:
            return QPaintDevice::metric(m);
        }
    }
};

// A fixed-pitch font whose metrics are the same on every machine.
QFont FixedFont() {
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

double CellTwips(const QFont& font) {
    static const CTwipsDevice device;
    const QFontMetricsF metrics(font, &device);
    return metrics.ascent() + metrics.descent();
}

// The print font: its cell (ascent plus descent) is 240 twips high.
QFont MakePrintFont() {
    QFont font = FixedFont();
    font.setPointSizeF(12.0);
    const double cell = CellTwips(font);
    if (cell > 0.0) font.setPointSizeF(12.0 * kPrintCellTwips / cell);
    return font;
}

// Today's local date with English names, whatever the user's locale.
std::string DateLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::put_time(&local, "%A, %B %d, %Y");
    return out.str();
}

} // namespace

CZelmoraView::CZelmoraView(CZelmoraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDocument(document), m_ScreenFont(FixedFont()),
      m_PrintFont(MakePrintFont()) {
    m_ScreenFont.setPointSize(kScreenFontPoints);
    static const CTwipsDevice device;
    const QFontMetricsF metrics(m_PrintFont, &device);
    m_dPrintLineTwips = metrics.ascent() + metrics.descent() + std::max(0.0, metrics.leading());
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

CZelmoraView::~CZelmoraView() {
    if (m_pMolecule && m_pMolecule->GetRecordView() == this) m_pMolecule->SetRecordView(nullptr);
}

void CZelmoraView::OnInitialUpdate() {
    m_pMolecule = m_pDocument->GetMolecule();
    m_pMolecule->SetRecordView(this);
    m_nRecordKind = None;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    OnUpdate();
}

void CZelmoraView::OnUpdate() {
    // A change routed to the views (another field, new or deleted points) is
    // shown at once: the record of the model's state replaces the one shown.
    if (!m_bShowing && CanReadMolecule() &&
        (m_nRecordKind == CriticalPoints || m_nRecordKind == MolecularGraph || m_nRecordKind == Atom ||
         m_nRecordKind == Surface))
        SetLines(BuildRecord(m_nRecordKind));
    MeasureLines();
    UpdateScrollBars();
    viewport()->update();
}

// --- records ---------------------------------------------------------------------

bool CZelmoraView::CanReadMolecule() const {
    return m_pMolecule && !m_pMolecule->IsJobRunning();
}

void CZelmoraView::SetLines(zel::CTextRecord lines) {
    if (lines.Lines() == m_Lines.Lines()) return;
    m_Lines = std::move(lines);
    // A new record is read from its top.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

zel::CTextRecord CZelmoraView::BuildRecord(int kind) const {
    zel::CTextRecord body;
    std::vector<std::string> header;
    const std::string field = m_pMolecule->GetPropertyName(-1);
    switch (kind) {
    case CriticalPoints:
        m_pMolecule->WriteCritPointRecord(&body);
        if (body.Size() == 0)
            header = {"List of critical points of " + field + " is empty!"};
        else
            header = {"Job " + m_pMolecule->GetJobTitle(), DateLine(), " ", "Record of known critical points of " + field,
                      " "};
        break;
    case MolecularGraph:
        m_pMolecule->WriteMolGraphRecord(&body);
        if (body.Size() == 0)
            header = {"List of molecular graph gradient paths of " + field + " is empty!"};
        else
            header = {"Job " + m_pMolecule->GetJobTitle(), DateLine(), " ",
                      "Record of known molecular graph gradient paths of " + field + ":", " "};
        break;
    case Atom:
        if (const CAtom* atom = m_pMolecule->GetCurrentAtom()) atom->WriteRecord(&body);
        if (body.Size() == 0)
            header = {"No current atom!"};
        else
            header = {" ", "Job " + m_pMolecule->GetJobTitle(), DateLine()};
        break;
    case Surface:
        if (const CBondPoint* surface = m_pMolecule->GetCurrentSurface()) surface->WriteSurfaceReport(body);
        if (body.Size() == 0)
            header = {"No current surface!"};
        else
            header = {" ", "Job " + m_pMolecule->GetJobTitle(), DateLine()};
        break;
    case Point:
        m_pMolecule->WritePointReport(&body);
        header = {zel::Sprintf("Zelmora, version %4.2lf, Job ", kFileVersion / 100.0) + m_pMolecule->GetJobTitle(),
                  DateLine(), " ", "Record of properties at a point in space", " "};
        break;
    default:
        break;
    }
    zel::CTextRecord lines;
    for (std::string& line : header)
        lines.Add(std::move(line));
    for (const std::string& line : body)
        lines.Add(line);
    return lines;
}

void CZelmoraView::ShowRecord(int kind) {
    SetLines(kind == None || !m_pMolecule ? zel::CTextRecord() : BuildRecord(kind));
    m_nRecordKind = kind;
    m_bShowing = true; // the lines are new: the update below need not build them again
    m_pDocument->UpdateAllViews();
    m_bShowing = false;
}

void CZelmoraView::OnRecordCriticalPoints() {
    if (CanReadMolecule()) ShowRecord(CriticalPoints);
}

void CZelmoraView::OnRecordMolecularGraph() {
    if (CanReadMolecule()) ShowRecord(MolecularGraph);
}

void CZelmoraView::OnRecordAtom() {
    if (CanReadMolecule()) ShowRecord(Atom);
}

void CZelmoraView::OnRecordSurface() {
    if (CanReadMolecule()) ShowRecord(Surface);
}

void CZelmoraView::RecordPoint() {
    if (CanReadMolecule()) ShowRecord(Point);
}

void CZelmoraView::RefreshRecord(bool reset) {
    if (reset) m_nRecordKind = None;
    switch (m_nRecordKind) {
    case CriticalPoints:
    case MolecularGraph:
    case Atom:
    case Surface:
    case Point:
        if (CanReadMolecule()) ShowRecord(m_nRecordKind);
        break;
    default:
        // No record, or one this version cannot build: an empty view.
        ShowRecord(None);
        break;
    }
}

// --- commands ----------------------------------------------------------------------

bool CZelmoraView::OnCommand(int id) {
    switch (id) {
    case cmd::RecordCriticalPoints:
        OnRecordCriticalPoints();
        return true;
    case cmd::RecordMolecularGraph:
        OnRecordMolecularGraph();
        return true;
    case cmd::RecordSurface:
        OnRecordSurface();
        return true;
    case cmd::RecordAtom:
        OnRecordAtom();
        return true;
    case cmd::FileAsciiOutput:
        OnFileAsciiOutput();
        return true;
    case cmd::ContextHelp:
        OnContextHelp();
        return true;
    case cmd::FilePrint:
    case cmd::FilePrintDirect:
    case cmd::FilePrintPreview:
        PrintCommand(id);
        return true;
    default:
        return false;
    }
}

bool CZelmoraView::OnUpdateCommand(CCmdUI& ui) {
    const bool readable = CanReadMolecule();
    switch (ui.id) {
    case cmd::RecordCriticalPoints:
    case cmd::RecordMolecularGraph:
        ui.Enable(readable && !m_pMolecule->IsEmpty());
        return true;
    case cmd::RecordSurface:
        ui.Enable(readable && m_pMolecule->GetCurrentSurface() != nullptr);
        return true;
    case cmd::RecordAtom:
        ui.Enable(readable && m_pMolecule->GetCurrentAtom() != nullptr);
        return true;
    case cmd::FileAsciiOutput:
    case cmd::ContextHelp:
    case cmd::FilePrint:
    case cmd::FilePrintDirect:
    case cmd::FilePrintPreview:
        ui.Enable(true);
        return true;
    default:
        return false;
    }
}

void CZelmoraView::OnFileAsciiOutput() {
    if (m_Lines.Size() == 0) {
        zel::ShowMessageBox("RecordView is empty!");
        return;
    }
    zel::SaveRecordAs(m_Lines, "recView.txt");
}

void CZelmoraView::OnContextHelp() {
    zel::ShowHelpPage(QStringLiteral("zelmorahlp/zelmora.chm"), "::recordview.htm");
}

// --- page layout and printing ------------------------------------------------------------

void CZelmoraView::ComputePageLayout() {
    m_nLineHeight = static_cast<int>(std::lround(m_dPrintLineTwips));
    if (m_nLineHeight <= 0) return; // no usable font: keep the last layout
    m_nLinesPerPage = std::max(1, kPageHeightTwips / m_nLineHeight);
    const int lines = static_cast<int>(m_Lines.Size());
    m_nPageCount = lines / m_nLinesPerPage + (lines % m_nLinesPerPage != 0 ? 1 : 0);
}

void CZelmoraView::PrintRecord(QPrinter* printer) {
    if (!printer) return;
    // The layout of the lines as they are now, so that no line is left off
    // when nothing has been drawn since the record changed.
    ComputePageLayout();
    QPainter painter;
    if (!painter.begin(printer)) return;
    QFont font(m_PrintFont, printer);
    painter.setFont(font);
    const double scale = printer->resolution() / static_cast<double>(kTwipsPerInch);
    const double ascent = QFontMetricsF(font, printer).ascent();
    const double x = kMarginTwips * scale;
    const auto& lines = m_Lines.Lines();
    const int count = static_cast<int>(lines.size());
    // The pages the print dialog chose; none chosen is every page.
    int from = 1;
    int to = m_nPageCount;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = std::max(1, printer->fromPage());
        to = std::min(m_nPageCount, printer->toPage() > 0 ? printer->toPage() : m_nPageCount);
    }
    for (int page = from; page <= to; ++page) {
        if (page > from) printer->newPage();
        m_nCurrentPage = page;
        const int first = (page - 1) * m_nLinesPerPage;
        const int last = std::min(count, page * m_nLinesPerPage);
        for (int i = first; i < last; ++i) {
            const double top = (kMarginTwips + (i - first) * m_nLineHeight) * scale;
            painter.drawText(QPointF(x, top + ascent), QString::fromStdString(lines[i]));
        }
        const double footer = ((m_nLinesPerPage + 2) * m_nLineHeight + kMarginTwips) * scale;
        painter.drawText(QPointF(x, footer + ascent), QString::fromStdString(zel::Sprintf("page %d", page)));
    }
    painter.end();
}

void CZelmoraView::PrintCommand(int id) {
    QPrinter local(QPrinter::HighResolution);
    QPrinter* printer = GetSharedPrinter() ? GetSharedPrinter() : &local;
    ComputePageLayout();
    if (id == cmd::FilePrintPreview) {
        QPrintPreviewDialog preview(printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* target) { PrintRecord(target); });
        preview.exec();
        return;
    }
    if (id == cmd::FilePrint) {
        QPrintDialog dialog(printer, this);
        dialog.setMinMax(1, std::max(1, m_nPageCount));
        if (dialog.exec() != QDialog::Accepted) return;
    }
    PrintRecord(printer);
}

// --- screen ----------------------------------------------------------------------------------

void CZelmoraView::MeasureLines() {
    const QFontMetrics metrics(m_ScreenFont, viewport());
    int widest = 0;
    for (const std::string& line : m_Lines)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(line)));
    m_nWidestLine = widest;
    m_nTotalHeight = metrics.height() * static_cast<int>(m_Lines.Size());
}

void CZelmoraView::UpdateScrollBars() {
    const int lineHeight = QFontMetrics(m_ScreenFont, viewport()).height();
    const QSize area = viewport()->size();
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setSingleStep(lineHeight);
        bar->setPageStep(kPageLines * lineHeight);
    }
    horizontalScrollBar()->setRange(0, std::max(0, m_nWidestLine - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_nTotalHeight - area.height()));
}

void CZelmoraView::paintEvent(QPaintEvent*) {
    ComputePageLayout();
    QPainter painter(viewport());
    painter.setFont(m_ScreenFont);
    const QFontMetrics metrics(m_ScreenFont, viewport());
    const int lineHeight = metrics.height();
    if (lineHeight <= 0) return;
    const int left = -horizontalScrollBar()->value();
    const int offset = verticalScrollBar()->value();
    const auto& lines = m_Lines.Lines();
    const int count = static_cast<int>(lines.size());
    // Only the lines in sight: records of many thousand lines scroll smoothly.
    const int first = std::clamp(offset / lineHeight, 0, count);
    const int last = std::clamp((offset + viewport()->height()) / lineHeight + 1, 0, count);
    for (int i = first; i < last; ++i)
        painter.drawText(left, i * lineHeight - offset + metrics.ascent(), QString::fromStdString(lines[i]));
}

void CZelmoraView::keyPressEvent(QKeyEvent* event) {
    // The scroll area would move again for the scrolling keys.
    if (!zel::ScrollByKey(*this, event->key())) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CZelmoraView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}
