#include "ui/MolGraphDlg.h"
#include "ui/JobLaunch.h"

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/UiThread.h"
#include "ui/OptionCommands.h"

#include <QFontDatabase>
#include <QListWidget>

#include <algorithm>
#include <cstdlib>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& MolGraphTemplate() {
    using D = CMolGraphDlg;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Calculation of paths connecting critical points",
        482,
        250,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Property function:", 7, 10, 62, 8},
            {ControlKind::Edit, D::kFieldName, "", 72, 7, 200, 14, ctl::kReadOnly | ctl::kCentre},
            {ControlKind::PushButton, D::kOptions, "Options", 400, 7, 75, 14},
            {ControlKind::Static, -1, "Calculate ...", 7, 28, 100, 8},
            // The three path buttons share the dialog's width by the length of their captions.
            {ControlKind::PushButton, D::kBondPaths, "Paths uphill from (3,-1) critical points", 7, 38, 136,
             14},
            {ControlKind::PushButton, D::kRingCagePaths, "Paths downhill from (3,+1) critical points", 150,
             38, 148, 14},
            {ControlKind::PushButton, D::kRingBondPaths, "Paths connecting (3,-1) and (3,+1)critical points",
             305, 38, 170, 14},
            {ControlKind::Static, -1, "List of molecular graph paths", 7, 58, 200, 8},
            {ControlKind::ListBox, D::kPathList, "", 7, 68, 468, 150, ctl::kMultiSelect | ctl::kVScroll},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 226, 60, 14, ctl::kDefault},
            {ControlKind::PushButton, D::kDescribeSelected, "Describe Selected Paths", 90, 226, 110, 14},
            {ControlKind::CheckBox, D::kLongDescription, "Long path description", 206, 229, 100, 10},
            {ControlKind::PushButton, D::kDeleteSelected, "Delete Selected Paths", 365, 226, 110, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(MolGraphTemplate);

} // namespace

CMolGraphDlg::CMolGraphDlg(CMolecule* molecule, QWidget* parent)
    : CDialog(MolGraphTemplate(), parent), m_pMolecule(molecule) {
    SetHelpTopic("::molecular_graph.htm");
    if (auto* list = DlgItem<QListWidget>(kPathList))
        list->setSelectionMode(QAbstractItemView::MultiSelection); // a click toggles a line
    OnCheckedCommand(kBondPaths, [this] { OnBondPaths(); });
    OnCheckedCommand(kRingCagePaths, [this] { OnRingCagePaths(); });
    OnCheckedCommand(kRingBondPaths, [this] { OnRingBondPaths(); });
    OnCheckedCommand(kDeleteSelected, [this] { OnDeleteSelectedPaths(); });
    OnCheckedCommand(kDescribeSelected, [this] { OnDescribeSelectedPaths(); });
    OnCommand(kOptions, [this] { OnOptions(); });
}

void CMolGraphDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Check(kLongDescription, m_bLongDescription);
    dx.Text(kFieldName, m_strFieldName);
}

bool CMolGraphDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strFieldName = m_pMolecule->GetPropertyName(-1);
    if (auto* list = DlgItem<QListWidget>(kPathList)) {
        const CListFont* font = m_pMolecule->GetFont();
        QFont listFont = font->FaceName.empty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                                : QFont(QString::fromStdString(font->FaceName));
        if (font->Height != 0) listFont.setPixelSize(std::abs(font->Height));
        if (font->Weight > 0) listFont.setWeight(font->Weight >= 600 ? QFont::Bold : QFont::Normal);
        listFont.setItalic(font->Italic != 0);
        list->setFont(listFont);
    }
    UpdateData(false);
    FillPathList();
    return true;
}

void CMolGraphDlg::FillPathList() {
    auto* list = DlgItem<QListWidget>(kPathList);
    if (!list) return;
    const QModelIndex topIndex = list->indexAt(QPoint(0, 0));
    const int top = topIndex.isValid() ? topIndex.row() : 0;
    {
        const QSignalBlocker quiet(list);
        list->clear();
        for (const SMolGraphEntry& entry : MolGraphEntries(*m_pMolecule))
            list->addItem(QString::fromStdString(entry.Text));
    }
    if (top < list->count()) list->scrollToItem(list->item(top), QAbstractItemView::PositionAtTop);
}

void CMolGraphDlg::ComputeBondPaths() {
    CJobStateProgress progress;
    const SPathCounts counts = CalcBondPaths(*m_pMolecule, m_RecordLines, progress);
    if (counts.Trials > 0) {
        zel::ShowMessageBox(PathSummary(counts), zel::PromptButtons::OK);
        zel::RunOnUiThread([this] { FillPathList(); });
    } else {
        zel::ShowMessageBox("No (3,-1) critical points available", zel::PromptButtons::OK);
    }
}

void CMolGraphDlg::ComputeRingCagePaths() {
    CJobStateProgress progress;
    const SPathCounts counts = CalcRingCagePaths(*m_pMolecule, m_RecordLines, progress);
    if (counts.Trials > 0) {
        zel::ShowMessageBox(PathSummary(counts), zel::PromptButtons::OK);
        zel::RunOnUiThread([this] { FillPathList(); });
    } else {
        zel::ShowMessageBox("No (3,+1) critical points available", zel::PromptButtons::OK);
    }
}

void CMolGraphDlg::ComputeRingBondPaths() {
    CJobStateProgress progress;
    const SRingBondCounts counts = CalcRingBondPaths(*m_pMolecule, m_RecordLines, progress);
    zel::ShowMessageBox(RingBondSummary(counts), zel::PromptButtons::OK);
    if (counts.Probes > 0) zel::RunOnUiThread([this] { FillPathList(); });
}

void CMolGraphDlg::RunPathJob(const char* title, int jobType) {
    RunJobAndShowLog(*m_pMolecule, title, this, jobType, m_RecordLines);
}

void CMolGraphDlg::OnBondPaths() {
    RunPathJob("Computation of bond paths", zel::kJobBondPaths);
}

void CMolGraphDlg::OnRingCagePaths() {
    RunPathJob("Computation of Ring-Cage paths", zel::kJobRingCagePaths);
}

void CMolGraphDlg::OnRingBondPaths() {
    RunPathJob("Computation of Ring-Bond paths", zel::kJobRingBondPaths);
}

std::vector<int> CMolGraphDlg::SelectedLines() const {
    std::vector<int> rows;
    if (auto* list = DlgItem<QListWidget>(kPathList)) {
        for (const QModelIndex& index : list->selectionModel()->selectedIndexes())
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CMolGraphDlg::OnDeleteSelectedPaths() {
    const std::vector<int> rows = SelectedLines();
    if (rows.empty()) return;
    // Take the paths first: line k stands for the k-th path of the walk.
    const std::vector<SMolGraphEntry> entries = MolGraphEntries(*m_pMolecule);
    std::vector<CGradPath*> doomed;
    for (int row : rows)
        if (row < static_cast<int>(entries.size())) doomed.push_back(entries[row].Path);
    for (CGradPath* path : doomed)
        delete path; // leaves the lists of both its ends
    FillPathList();
}

void CMolGraphDlg::OnDescribeSelectedPaths() {
    const std::vector<int> rows = SelectedLines();
    if (rows.empty()) return;
    m_RecordLines.Clear();
    const std::vector<SMolGraphEntry> entries = MolGraphEntries(*m_pMolecule);
    for (int row : rows)
        if (row < static_cast<int>(entries.size()))
            entries[row].Path->WriteReport(m_RecordLines, m_bLongDescription != 0);
    CRecordDlg record(&m_RecordLines);
    record.DoModal();
}

void CMolGraphDlg::OnOptions() {
    OnGradientPathOptions(*m_pMolecule);
}

void RegisterMolGraphJobs() {
    zel::RegisterJobMethod(zel::kJobBondPaths, &CMolGraphDlg::ComputeBondPaths);
    zel::RegisterJobMethod(zel::kJobRingCagePaths, &CMolGraphDlg::ComputeRingCagePaths);
    zel::RegisterJobMethod(zel::kJobRingBondPaths, &CMolGraphDlg::ComputeRingBondPaths);
}

void OnCalcMolecularGraph(CMolecule& molecule, QWidget* parent) {
    CMolGraphDlg dialog(&molecule, parent);
    dialog.DoModal();
    if (IMoleculeDocument* document = molecule.GetDocument()) document->SetModifiedFlag(true);
}
