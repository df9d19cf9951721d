#include "ui/CritPointDlg.h"
#include "ui/JobLaunch.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/UiThread.h"
#include "platform/qt/WaitCursor.h"
#include "ui/OptionCommands.h"
#include "ui/PopDlg.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <utility>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& CritPointTemplate() {
    using D = CCritPointDlg;
    // Real-number fields are wide enough for any number's 15 digits.
    constexpr unsigned kRealField = ctl::kReal | ctl::kAutoHScroll;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Calculation of Critical Points",
        370,
        282,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Property function:", 7, 10, 62, 8},
            {ControlKind::Edit, D::kFieldName, "", 72, 7, 150, 14, ctl::kReadOnly | ctl::kCentre},
            {ControlKind::Static, -1, "List of nuclear positions and known critical points", 7, 27, 200, 8},
            {ControlKind::ListBox, D::kPointList, "", 7, 37, 200, 122, ctl::kMultiSelect | ctl::kVScroll},
            {ControlKind::Static, -1, "Starting iterations at ...", 214, 27, 149, 8},
            {ControlKind::PushButton, D::kNuclearPositions, "... nuclear positions", 214, 37, 149, 14},
            {ControlKind::Static, -1, "(try to find maxima)", 214, 52, 149, 8},
            {ControlKind::PushButton, D::kMaximaPairs, "... mean values of maxima pairs", 214, 63, 149, 14},
            {ControlKind::Static, -1, "(try to find (3,-1) critical points)", 214, 78, 149, 8},
            {ControlKind::PushButton, D::kMaximaTriples, "... mean values of maxima triples", 214, 89, 149,
             14},
            {ControlKind::Static, -1, "(try to find (3,+1) critical points)", 214, 104, 149, 8},
            {ControlKind::PushButton, D::kDeleteSelected, "Delete Selected Critical Points", 214, 125, 149,
             14},
            {ControlKind::PushButton, D::kOptions, "Options", 214, 145, 149, 14},
            {ControlKind::Static, -1,
             "Enter starting point for individual iteration (or click list of critical points for mean "
             "values):",
             7, 165, 356, 8},
            {ControlKind::Static, -1, "x:", 7, 180, 9, 8},
            {ControlKind::Edit, D::kStartX, "", 17, 177, 96, 14, kRealField},
            {ControlKind::Static, -1, "y:", 119, 180, 9, 8},
            {ControlKind::Edit, D::kStartY, "", 129, 177, 96, 14, kRealField},
            {ControlKind::Static, -1, "z:", 231, 180, 9, 8},
            {ControlKind::Edit, D::kStartZ, "", 241, 177, 96, 14, kRealField},
            {ControlKind::PushButton, D::kIterateStartPoint, "Iterate with Starting Point", 7, 196, 120, 14},
            {ControlKind::PushButton, D::kAnalyseStartPoint, "Analyse Starting Point", 133, 196, 120, 14},
            {ControlKind::GroupBox, -1, "Grid of starting values in a cube centered at starting point", 7,
             215, 264, 60},
            {ControlKind::Static, -1, "Cube size (side length in atomic units):", 14, 229, 150, 8},
            {ControlKind::Edit, D::kCubeSize, "", 168, 226, 96, 14, kRealField},
            {ControlKind::Static, -1, "No. of starting values along cube side:", 14, 244, 150, 8},
            {ControlKind::Edit, D::kPointsPerSide, "", 168, 241, 96, 14, ctl::kAutoHScroll},
            {ControlKind::Static, -1, "Total no. of starting values in grid:", 14, 259, 150, 8},
            {ControlKind::Edit, D::kTotalPoints, "", 168, 256, 96, 14, ctl::kReadOnly},
            {ControlKind::PushButton, D::kGridSearch, "Iterate with grid points\nas starting values", 277,
             222, 86, 28},
            {ControlKind::PushButton, zel::IDOK, "OK, done", 277, 261, 86, 14, ctl::kDefault},
        },
    };
    return dialog;
}

// The dialog's single runs need no progress or cancel.
class CNoProgress : public ISearchProgress {
public:
    bool IsCancelled() override { return false; }
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
};

ZEL_REGISTER_DIALOG_TEMPLATE(CritPointTemplate);

} // namespace

CCritPointDlg::CCritPointDlg(CMolecule* molecule, QWidget* parent)
    : CDialog(CritPointTemplate(), parent), m_pMolecule(molecule) {
    SetHelpTopic("::critical_points.htm");
    if (auto* list = DlgItem<QListWidget>(kPointList)) {
        // A click toggles a line, as in a multiple-selection list box.
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        connect(list, &QListWidget::itemSelectionChanged, this, [this] { OnSelchangePointList(); });
    }
    if (auto* edit = DlgItem<QLineEdit>(kPointsPerSide))
        connect(edit, &QLineEdit::textChanged, this, [this] { OnChangePointsPerSide(); });
    // Every command works with the fields: a refused one stops it.
    OnCheckedCommand(kNuclearPositions, [this] { OnNuclearPositions(); });
    OnCheckedCommand(kMaximaPairs, [this] { OnMaximaPairs(); });
    OnCheckedCommand(kMaximaTriples, [this] { OnMaximaTriples(); });
    OnCheckedCommand(kGridSearch, [this] { OnGridSearch(); });
    OnCheckedCommand(kIterateStartPoint, [this] { OnIterateStartPoint(); });
    OnCheckedCommand(kAnalyseStartPoint, [this] { OnAnalyseStartPoint(); });
    OnCheckedCommand(kDeleteSelected, [this] { OnDeleteSelected(); });
    OnCommand(kOptions, [this] { OnOptions(); });
}

void CCritPointDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kStartX, m_StartPoint.x);
    dx.Text(kStartY, m_StartPoint.y);
    dx.Text(kStartZ, m_StartPoint.z);
    dx.Text(kFieldName, m_strFieldName);
    dx.Text(kCubeSize, m_dCubeSize);
    dx.MinMax(m_dCubeSize, 0.1, 12.0);
    dx.Text(kPointsPerSide, m_nPointsPerSide);
    dx.MinMax(m_nPointsPerSide, 2, 200);
    dx.Text(kTotalPoints, m_nTotalPoints);
}

bool CCritPointDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strFieldName = m_pMolecule->GetPropertyName(-1);
    SetDlgItemText(kFieldName, m_strFieldName);
    if (auto* list = DlgItem<QListWidget>(kPointList)) {
        const CListFont* font = m_pMolecule->GetFont();
        QFont listFont = font->FaceName.empty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                                : QFont(QString::fromStdString(font->FaceName));
        if (font->Height != 0) listFont.setPixelSize(std::abs(font->Height));
        if (font->Weight > 0) listFont.setWeight(font->Weight >= 600 ? QFont::Bold : QFont::Normal);
        listFont.setItalic(font->Italic != 0);
        list->setFont(listFont);
    }
    FillPointList();
    return true;
}

void CCritPointDlg::FillPointList() {
    auto* list = DlgItem<QListWidget>(kPointList);
    if (!list) return;
    const QModelIndex topIndex = list->indexAt(QPoint(0, 0));
    const int top = topIndex.isValid() ? topIndex.row() : 0;
    {
        // Refilling is not a selection by the user.
        const QSignalBlocker quiet(list);
        list->clear();
        for (const SPointListEntry& entry : PointListEntries(*m_pMolecule))
            list->addItem(QString::fromStdString(entry.Text));
    }
    if (top < list->count()) list->scrollToItem(list->item(top), QAbstractItemView::PositionAtTop);
}

int CCritPointDlg::TryStartPoint(std::string fieldName, CVector start) {
    CNoProgress progress;
    CCritPointSearch search(*m_pMolecule, std::move(fieldName), m_SearchLog, progress);
    return search.TryStartPoint(start);
}

void CCritPointDlg::RunBatch(const std::function<SSearchCounts(CCritPointSearch&)>& runSearch) {
    CJobStateProgress progress;
    CCritPointSearch search(*m_pMolecule, m_strFieldName, m_SearchLog, progress);
    const SSearchCounts counts = runSearch(search);
    zel::RunOnUiThread([this] { FillPointList(); });
    zel::ShowMessageBox(SearchSummary(counts), zel::PromptButtons::OK);
}

void CCritPointDlg::SearchFromNuclei() {
    RunBatch([](CCritPointSearch& s) { return s.SearchFromNuclei(); });
}

void CCritPointDlg::SearchFromMaximaPairs() {
    RunBatch([](CCritPointSearch& s) { return s.SearchFromMaximaPairs(); });
}

void CCritPointDlg::SearchFromMaximaTriples() {
    RunBatch([](CCritPointSearch& s) { return s.SearchFromMaximaTriples(); });
}

void CCritPointDlg::SearchOnGrid() {
    SGridSpec grid;
    grid.Centre = m_StartPoint;
    grid.Side = m_dCubeSize;
    grid.PerSide = m_nPointsPerSide;
    grid.Total = m_nTotalPoints;
    RunBatch([&grid](CCritPointSearch& s) { return s.SearchOnGrid(grid); });
}

void CCritPointDlg::RunSearchJob(const char* title, int jobType) {
    RunJobAndShowLog(*m_pMolecule, title, this, jobType, m_SearchLog);
}

void CCritPointDlg::OnNuclearPositions() {
    RunSearchJob("Computation of (3, -3) critical points", zel::kJobSearchFromNuclei);
}

void CCritPointDlg::OnMaximaPairs() {
    RunSearchJob("Computation of (3, -1) critical points", zel::kJobSearchFromMaximaPairs);
}

void CCritPointDlg::OnMaximaTriples() {
    RunSearchJob("Computation of critical points", zel::kJobSearchFromMaximaTriples);
}

void CCritPointDlg::OnGridSearch() {
    RunSearchJob("Computation of critical points", zel::kJobSearchOnGrid);
}

void CCritPointDlg::OnIterateStartPoint() {
    {
        const zel::CWaitCursor wait;
        m_SearchLog.Clear();
        if (TryStartPoint(m_strFieldName, m_StartPoint)) FillPointList();
    }
    CRecordDlg record(&m_SearchLog);
    record.DoModal();
}

void CCritPointDlg::OnAnalyseStartPoint() {
    CPopDlg analysis(m_pMolecule, m_StartPoint);
    analysis.DoModal();
}

void CCritPointDlg::OnOptions() {
    OnCritPointOptions(*m_pMolecule); // marks the document modified
}

std::vector<int> CCritPointDlg::SelectedLines() const {
    std::vector<int> rows;
    if (auto* list = DlgItem<QListWidget>(kPointList)) {
        for (const QModelIndex& index : list->selectionModel()->selectedIndexes())
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CCritPointDlg::OnSelchangePointList() {
    if (!UpdateData(true)) return;
    const std::vector<int> rows = SelectedLines();
    CVector sum(0.0, 0.0, 0.0);
    if (!rows.empty()) {
        const std::vector<SPointListEntry> entries = PointListEntries(*m_pMolecule);
        for (int row : rows) {
            if (row < static_cast<int>(entries.size())) sum = sum + entries[row].Position;
        }
        sum = (1.0 / static_cast<double>(rows.size())) * sum;
    }
    m_StartPoint = sum;
    UpdateData(false);
}

void CCritPointDlg::OnDeleteSelected() {
    const std::vector<int> rows = SelectedLines();
    if (rows.empty()) return;
    // The lines name their objects by position in the walk; take the objects
    // first, since deleting a point shifts the lines after it.
    const std::vector<SPointListEntry> entries = PointListEntries(*m_pMolecule);
    std::vector<const CCritPoint*> doomed;
    for (int row : rows) {
        if (row < static_cast<int>(entries.size()) && entries[row].Point)
            doomed.push_back(entries[row].Point);
    }
    for (const CCritPoint* point : doomed)
        DeleteCriticalPoint(*m_pMolecule, point); // also clears the current surface it was
    FillPointList();
}

void CCritPointDlg::OnChangePointsPerSide() {
    // Only the shown total follows the typing: a message box at every
    // keystroke (an emptied field while retyping) would get in the way, and
    // the count itself is stored only when the fields are read and checked.
    int perSide = 0;
    if (!zel::ParseDialogInt(GetDlgItemText(kPointsPerSide), perSide)) return;
    SetDlgItemText(kTotalPoints, zel::FormatDialogInt(GridTotal(perSide)));
}

void RegisterCritPointJobs() {
    zel::RegisterJobMethod(zel::kJobSearchFromNuclei, &CCritPointDlg::SearchFromNuclei);
    zel::RegisterJobMethod(zel::kJobSearchFromMaximaPairs, &CCritPointDlg::SearchFromMaximaPairs);
    zel::RegisterJobMethod(zel::kJobSearchFromMaximaTriples, &CCritPointDlg::SearchFromMaximaTriples);
    zel::RegisterJobMethod(zel::kJobSearchOnGrid, &CCritPointDlg::SearchOnGrid);
}

void OnCalcCriticalPoints(CMolecule& molecule) {
    CCritPointDlg dialog(&molecule);
    dialog.DoModal();
    if (IRecordView* view = molecule.GetRecordView()) view->RefreshRecord(false);
    if (IMoleculeDocument* document = molecule.GetDocument()) document->SetModifiedFlag(true);
}
