#include "ui/ContourPlotDlg.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/qt/SpinButton.h"
#include "platform/qt/UiThread.h"
#include "ui/LeadingNumber.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PlotDlgSupport.h"
#include "ui/StyleDlgs.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;
using D = CContourPlotDlg;

const zel::SDialogTemplate& ContourPlotTemplate() {
    static const zel::SDialogTemplate dialog{
        D::IDD,
        "Contour Plot",
        340,
        292,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, D::kTitle, "New Plot", 7, 7, 250, 8},
            {ControlKind::Static, D::kFunction, "function", 7, 19, 250, 8},
            {ControlKind::PushButton, D::kPageSetup, "Page Setup", 270, 7, 63, 14},
            {ControlKind::PushButton, D::kPlaneSetup, "Plane Setup", 270, 24, 63, 14},

            {ControlKind::GroupBox, -1, "Contour Interval", 7, 42, 165, 222},
            {ControlKind::GroupBox, -1, "Calculate Row", 12, 53, 155, 88},
            {ControlKind::Static, -1, "Start", 17, 67, 26, 8},
            {ControlKind::Edit, D::kStart, "", 45, 65, 115, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "Step", 17, 83, 26, 8},
            {ControlKind::Edit, D::kStep, "", 45, 81, 115, 12, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "Num", 17, 99, 26, 8},
            {ControlKind::Edit, D::kNum, "", 45, 97, 45, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::PushButton, D::kAdd, "Add", 110, 96, 50, 14},
            {ControlKind::RadioButton, D::kArithmetic, "arithmetric", 17, 120, 62, 10, ctl::kGroup},
            {ControlKind::RadioButton, D::kGeometric, "geometric", 85, 120, 62, 10},
            {ControlKind::ListBox, D::kLevels, "", 12, 146, 90, 112, ctl::kMultiSelect | ctl::kVScroll},
            {ControlKind::PushButton, D::kDefaultValues, "Default Values", 106, 146, 62, 14},
            {ControlKind::PushButton, D::kDelete, "Delete", 106, 164, 62, 14},
            {ControlKind::PushButton, D::kLineStyle, "Line Style", 106, 182, 62, 14},

            {ControlKind::GroupBox, -1, "Grid", 177, 42, 156, 32},
            {ControlKind::Static, -1, "Rows", 183, 56, 24, 8},
            {ControlKind::Edit, D::kRows, "", 208, 54, 32, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kRowsSpin, "", 240, 54, 10, 12},
            {ControlKind::Static, -1, "Columns", 254, 56, 34, 8},
            {ControlKind::Edit, D::kColumns, "", 288, 54, 32, 12, ctl::kAutoHScroll | ctl::kNumber},
            {ControlKind::Spin, D::kColumnsSpin, "", 320, 54, 10, 12},

            {ControlKind::GroupBox, -1, "Gradientplot", 177, 78, 156, 186},
            {ControlKind::Static, -1, "Calculated Points", 183, 90, 100, 8},
            {ControlKind::ListBox, D::kCalculated, "", 183, 100, 144, 56,
             ctl::kMultiSelect | ctl::kVScroll | ctl::kHScroll},
            {ControlKind::PushButton, D::kChoose, "\\/", 213, 160, 30, 12},
            {ControlKind::PushButton, D::kUnchoose, "/\\", 253, 160, 30, 12},
            {ControlKind::Static, -1, "Selected Points", 183, 176, 100, 8},
            {ControlKind::ListBox, D::kSelected, "", 183, 186, 144, 40,
             ctl::kMultiSelect | ctl::kVScroll | ctl::kHScroll},
            {ControlKind::PushButton, D::kPointStyle, "Point Style", 183, 230, 62, 14},
            {ControlKind::PushButton, D::kPathStyle, "Path Style", 265, 230, 62, 14},
            {ControlKind::Static, -1, "Distance from plane", 183, 250, 78, 8},
            {ControlKind::Edit, D::kDistance, "", 265, 248, 62, 12, ctl::kReadOnly | ctl::kAutoHScroll},

            {ControlKind::PushButton, zel::IDOK, "OK", 222, 272, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 283, 272, 50, 14},
        },
    };
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(ContourPlotTemplate);

std::string WithoutBlanks(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != ' ') result += c;
    return result;
}

bool IsCriticalPointName(const std::string& name) {
    return !name.empty() && name.front() == '(';
}

// n 10^k without the rounding of a power of ten below one.
double Decade(double n, int k) {
    return k < 0 ? n / std::pow(10.0, -k) : n * std::pow(10.0, k);
}

} // namespace

CContourPlotDlg::CContourPlotDlg(CContourPlot* plot, QWidget* parent)
    : CDialog(ContourPlotTemplate(), parent), m_pPlot(plot) {
    Build();
}

CContourPlotDlg::CContourPlotDlg(std::unique_ptr<CContourPlot> newPlot, QWidget* parent)
    : CDialog(ContourPlotTemplate(), parent), m_pPlot(newPlot.get()), m_pNewPlot(std::move(newPlot)),
      m_bNewPlot(1) {
    Build();
}

CContourPlotDlg::~CContourPlotDlg() = default;

void CContourPlotDlg::Build() {
    SetHelpTopic("::plot-new_plot-line_plot.htm");
    OnCommand(kAdd, [this] { OnAddLevels(); });
    OnCommand(kDefaultValues, [this] { OnDefaultValues(); });
    OnCommand(kDelete, [this] { OnDeleteLevels(); });
    OnCommand(kLineStyle, [this] { OnLineStyle(); });
    OnCommand(kChoose, [this] { OnChoosePoints(); });
    OnCommand(kUnchoose, [this] { OnUnchoosePoints(); });
    OnCommand(kPointStyle, [this] { OnPointStyle(); });
    OnCommand(kPathStyle, [this] { OnPathStyle(); });
    OnCommand(kPageSetup, [this] { OnPageSetup(); });
    OnCommand(kPlaneSetup, [this] { OnPlaneSetup(); });
    if (QListWidget* levels = List(kLevels))
        connect(levels, &QListWidget::itemSelectionChanged, this, [this] { OnLevelSelectionChange(); });
    if (QListWidget* selected = List(kSelected))
        connect(selected, &QListWidget::itemSelectionChanged, this, [this] { OnSelectedPointChange(); });
}

QListWidget* CContourPlotDlg::List(int id) const {
    return DlgItem<QListWidget>(id);
}

void CContourPlotDlg::Enable(int id, bool on) {
    if (QWidget* control = GetDlgItem(id)) control->setEnabled(on);
}

void CContourPlotDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kDistance, m_strDistance);
}

void CContourPlotDlg::AddSorted(QListWidget* list, const std::string& text) {
    if (!list) return;
    const QString item = QString::fromStdString(text);
    int row = 0;
    while (row < list->count() && QString::compare(list->item(row)->text(), item, Qt::CaseInsensitive) <= 0)
        ++row;
    list->insertItem(row, item);
}

std::vector<std::string> CContourPlotDlg::SelectedTexts(const QListWidget* list) {
    std::vector<std::string> texts;
    if (!list) return texts;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected()) texts.push_back(list->item(row)->text().toStdString());
    return texts;
}

CSelectedPoint* CContourPlotDlg::FindPoint(const std::string& name) const {
    for (const auto& point : m_pPlot->GetSelectedPoints())
        if (point->m_strName == name) return point.get();
    return nullptr;
}

void CContourPlotDlg::UpdateAllViews() {
    UpdatePlotViews(*m_pPlot);
}

bool CContourPlotDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CMolecule* molecule = m_pPlot->GetMolecule();
    SetDlgItemText(kTitle, m_pPlot->GetTitle()->GetText());
    SetDlgItemText(kFunction, molecule ? molecule->GetPropertyName(-1) : std::string());

    if (auto* radio = DlgItem<QAbstractButton>(kArithmetic)) radio->setChecked(true);
    SetDlgItemText(kStart, "0");
    SetDlgItemText(kStep, "0");
    SetDlgItemText(kNum, "0");
    SetDlgItemText(kRows, zel::Sprintf("%d", m_pPlot->GetRows()));
    SetDlgItemText(kColumns, zel::Sprintf("%d", m_pPlot->GetColumns()));

    if (QListWidget* levels = List(kLevels)) {
        levels->clear();
        for (const auto& level : m_pPlot->GetLevels())
            levels->addItem(QString::fromStdString(zel::Sprintf("%lf", level->GetLevel())));
    }

    QListWidget* calculated = List(kCalculated);
    if (calculated && molecule) {
        calculated->clear();
        for (const auto& atom : molecule->GetAtomList()) {
            const CVector p = atom->GetPosition();
            calculated->addItem(QString::fromStdString(zel::Sprintf("%s %lf %lf %lf %d ",
                                                                    WithoutBlanks(atom->GetLabel()).c_str(),
                                                                    p.x, p.y, p.z, atom->GetNumber())));
        }
        for (int type : {-3, -1, 1, 3}) {
            for (const auto& point : *molecule->GetList(type)) {
                if (point->GetFieldIndex() != m_pPlot->GetFieldIndex()) continue;
                const CVector p = point->GetPosition();
                calculated->addItem(QString::fromStdString(
                    zel::Sprintf("(3,%d) %lf %lf %lf %d ", type, p.x, p.y, p.z, point->GetNumber())));
            }
        }
    }

    Enable(kPathStyle, true);
    QListWidget* selected = List(kSelected);
    if (selected && !m_pPlot->GetSelectedPoints().empty()) {
        const QSignalBlocker quiet(selected);
        for (const auto& point : m_pPlot->GetSelectedPoints()) {
            AddSorted(selected, point->m_strName);
            if (calculated) {
                const QString name = QString::fromStdString(point->m_strName);
                for (int row = calculated->count() - 1; row >= 0; --row)
                    if (calculated->item(row)->text() == name) delete calculated->takeItem(row);
            }
        }
        selected->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        const std::string first = selected->item(0)->text().toStdString();
        m_pCurrentPoint = FindPoint(first);
        if (!IsCriticalPointName(first)) Enable(kPathStyle, false);
    }

    UpdateData(false);
    m_SavedPlane = m_pPlot->GetPlane();
    for (int spin : {kRowsSpin, kColumnsSpin})
        if (auto* control = DlgItem<zel::CSpinButton>(spin))
            control->SetRange(1, CContourPlot::kMaxGridCount);
    Enable(kLineStyle, false);
    return true;
}

void CContourPlotDlg::AddLevel(double x) {
    UpdateData(true);
    auto line = std::make_unique<CLine>();
    line->SetLevel(x);
    if (x < 0) line->SetColor(zel::RGB(0, 255, 0));
    const QString text = QString::fromStdString(zel::Sprintf("%lf", x));
    QListWidget* list = List(kLevels);
    auto& levels = m_pPlot->GetLevels();

    // The position from the stored values, never from the six decimals the
    // list shows: those would put small levels in the wrong place, or make
    // different ones equal.
    int index = 0;
    auto at = levels.begin();
    if (!levels.empty() && !(x < levels.front()->GetLevel())) {
        for (const auto& level : levels)
            if (level->GetLevel() == x) return;
        auto next = std::next(levels.begin());
        index = 1;
        for (auto it = levels.begin(); next != levels.end(); ++it, ++next, ++index)
            if ((*it)->GetLevel() < x && x < (*next)->GetLevel()) break;
        at = next;
    }
    if (list) list->insertItem(index, text);
    levels.insert(at, std::move(line));
}

void CContourPlotDlg::OnAddLevels() {
    const double start = LeadingReal(GetDlgItemText(kStart));
    const double step = LeadingReal(GetDlgItemText(kStep));
    const int count = LeadingInt(GetDlgItemText(kNum));
    if (step != 0.0 && count > kMaxSeries) {
        // More levels than a plot can show would only freeze the dialog.
        zel::ShowMessageBox(zel::IntegerRangeMessage(0, kMaxSeries), zel::PromptButtons::OK,
                            zel::PromptIcon::Warning);
        if (auto* edit = DlgItem<QLineEdit>(kNum)) edit->setFocus();
        return;
    }
    std::vector<double> series;
    if (step == 0.0) {
        series.push_back(start);
    } else {
        const auto* arithmetic = DlgItem<QAbstractButton>(kArithmetic);
        const bool additive = arithmetic && arithmetic->isChecked();
        for (int k = 0; k < count; ++k)
            series.push_back(additive ? start + k * step : start * std::pow(step, k));
    }
    // A level beyond the largest number would be drawn nowhere and could not
    // be saved: the whole series is refused, nothing is added.
    if (!std::all_of(series.begin(), series.end(), [](double x) { return std::isfinite(x); })) {
        zel::ShowMessageBox(kLevelsNotFinite, zel::PromptButtons::OK, zel::PromptIcon::Warning);
        if (auto* edit = DlgItem<QLineEdit>(step == 0.0 ? kStart : kNum)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    for (double x : series)
        AddLevel(x);
    Enable(kLineStyle, false);
}

void CContourPlotDlg::OnDefaultValues() {
    AddLevel(0.0);
    AddLevel(0.001);
    const bool laplacian = GetDlgItemText(kFunction).find("Laplacian") != std::string::npos;
    for (double n : {2.0, 4.0, 8.0})
        for (int k = -3; k <= 6; ++k)
            AddLevel(Decade(n, k));
    if (laplacian) {
        AddLevel(-0.001);
        for (double n : {2.0, 4.0, 8.0})
            for (int k = -3; k <= 6; ++k)
                AddLevel(-Decade(n, k));
    }
    Enable(kLineStyle, false);
}

void CContourPlotDlg::OnDeleteLevels() {
    QListWidget* list = List(kLevels);
    if (!list) return;
    auto& levels = m_pPlot->GetLevels();
    for (int row = list->count() - 1; row >= 0; --row) {
        if (!list->item(row)->isSelected()) continue;
        delete list->takeItem(row);
        if (row < static_cast<int>(levels.size())) levels.erase(std::next(levels.begin(), row));
    }
    Enable(kLineStyle, false);
}

void CContourPlotDlg::OnLevelSelectionChange() {
    const QListWidget* list = List(kLevels);
    Enable(kLineStyle, list && !list->selectedItems().isEmpty());
}

void CContourPlotDlg::OnLineStyle() {
    QListWidget* list = List(kLevels);
    if (!list) return;
    std::vector<CLine*> chosen;
    auto level = m_pPlot->GetLevels().begin();
    for (int row = 0; row < list->count() && level != m_pPlot->GetLevels().end(); ++row, ++level)
        if (list->item(row)->isSelected()) chosen.push_back(level->get());
    if (chosen.empty()) return;

    CLineStyleDlg dialog(this);
    dialog.m_Color = chosen.front()->GetColor();
    dialog.m_nWidth = chosen.front()->GetWidth();
    dialog.m_nStyle = chosen.front()->GetStyle();
    if (dialog.DoModal() == zel::IDOK) {
        const int style = dialog.m_nStyle ? zel::PS_DOT : zel::PS_SOLID;
        for (CLine* chosenLevel : chosen) {
            for (const auto& segment : m_pPlot->GetSegments()) {
                if (segment->GetLevel() != chosenLevel->GetLevel()) continue;
                segment->SetColor(dialog.m_Color);
                segment->SetWidth(dialog.m_nWidth);
                segment->SetStyle(style);
            }
            chosenLevel->SetColor(dialog.m_Color);
            chosenLevel->SetWidth(dialog.m_nWidth);
            chosenLevel->SetStyle(style);
        }
    }
    UpdateAllViews();
}

void CContourPlotDlg::OnChoosePoints() {
    QListWidget* calculated = List(kCalculated);
    QListWidget* selected = List(kSelected);
    if (!calculated || !selected) return;
    const QSignalBlocker quiet(selected);
    for (int row = calculated->count() - 1; row >= 0; --row) {
        if (!calculated->item(row)->isSelected()) continue;
        const std::string text = calculated->item(row)->text().toStdString();
        auto point = std::make_unique<CSelectedPoint>();
        AddSorted(selected, text);
        delete calculated->takeItem(row);
        point->m_strName = text;
        // Label or signature, x, y, z, number: the position as printed.
        std::istringstream tokens(text);
        std::string label, x, y, z, number;
        tokens >> label >> x >> y >> z >> number;
        point->m_Position = {LeadingReal(x), LeadingReal(y), LeadingReal(z)};
        point->m_nNumber = LeadingInt(number);
        m_pPlot->GetSelectedPoints().push_back(std::move(point));
    }
}

void CContourPlotDlg::OnUnchoosePoints() {
    QListWidget* calculated = List(kCalculated);
    QListWidget* selected = List(kSelected);
    if (!calculated || !selected) return;
    {
        const QSignalBlocker quiet(selected);
        auto& points = m_pPlot->GetSelectedPoints();
        for (int row = selected->count() - 1; row >= 0; --row) {
            if (!selected->item(row)->isSelected()) continue;
            const std::string text = selected->item(row)->text().toStdString();
            AddSorted(calculated, text);
            delete selected->takeItem(row);
            const auto it = std::find_if(points.begin(), points.end(),
                                         [&text](const auto& point) { return point->m_strName == text; });
            if (it != points.end()) {
                if (it->get() == m_pCurrentPoint) m_pCurrentPoint = nullptr;
                points.erase(it);
            }
        }
    }
    OnSelectedPointChange();
}

void CContourPlotDlg::OnSelectedPointChange() {
    Enable(kPathStyle, true);
    const std::vector<std::string> names = SelectedTexts(List(kSelected));
    if (names.size() != 1) {
        for (const std::string& name : names)
            if (!IsCriticalPointName(name)) Enable(kPathStyle, false);
    } else {
        m_pCurrentPoint = FindPoint(names.front());
        if (m_pCurrentPoint) {
            const CPlotPlane plane = m_pPlot->GetPlane();
            const CVector normal = CPlot::PlaneNormal(plane.Corner0, plane.Corner1, plane.Corner2);
            m_strDistance =
                zel::Sprintf("%.4lf", std::fabs(normal * (m_pCurrentPoint->m_Position - plane.Centre)));
        }
        if (!IsCriticalPointName(names.front())) Enable(kPathStyle, false);
    }
    UpdateData(false);
    update();
}

void CContourPlotDlg::OnPathStyle() {
    const std::vector<std::string> names = SelectedTexts(List(kSelected));
    std::vector<CSelectedPoint*> points;
    for (const std::string& name : names)
        if (CSelectedPoint* point = FindPoint(name)) points.push_back(point);
    if (points.empty()) return;

    CPathStyleDlg dialog(this);
    // From the last selected to the first: the topmost one's values stay.
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        const CSelectedPoint& p = **it;
        dialog.m_nLines = p.m_nPathCount;
        dialog.m_dDistancePoint = p.m_dBlankDisc;
        dialog.m_dDistancePlane = p.m_dMaxDistance;
        dialog.m_dMaxLength = p.m_dMaxPathLength;
        dialog.m_nPathWidth = zel::TruncToInt(p.m_dOverlayWidth);
        dialog.m_PathColor = p.m_OverlayColor;
        dialog.m_bSpecial = p.m_bMolGraphPaths;
        dialog.m_nPathStyle = p.m_nOverlayStyle;
        dialog.m_nSpecialStyle = p.m_nMolGraphStyle;
        dialog.m_nSpecialWidth = zel::TruncToInt(p.m_dMolGraphWidth);
        dialog.m_SpecialColor = p.m_MolGraphColor;
        if (IsCriticalPointName(p.m_strName)) dialog.m_bSource = p.m_bComputedPaths;
    }
    if (dialog.DoModal() == zel::IDOK) {
        for (CSelectedPoint* p : points) {
            p->m_nPathCount = dialog.m_nLines;
            p->m_dBlankDisc = dialog.m_dDistancePoint;
            p->m_dMaxDistance = dialog.m_dDistancePlane;
            p->m_dMaxPathLength = dialog.m_dMaxLength;
            p->m_dOverlayWidth = dialog.m_nPathWidth;
            p->m_OverlayColor = dialog.m_PathColor;
            p->m_bMolGraphPaths = dialog.m_bSpecial;
            p->m_nOverlayStyle = dialog.m_nPathStyle;
            p->m_nMolGraphStyle = dialog.m_nSpecialStyle;
            p->m_dMolGraphWidth = dialog.m_nSpecialWidth;
            p->m_MolGraphColor = dialog.m_SpecialColor;
            p->m_bComputedPaths = dialog.m_bSource;
        }
    }
    UpdateData(false);
    update();
    UpdateAllViews();
}

void CContourPlotDlg::OnPointStyle() {
    const std::vector<std::string> names = SelectedTexts(List(kSelected));
    std::vector<CSelectedPoint*> points;
    for (const std::string& name : names)
        if (CSelectedPoint* point = FindPoint(name)) points.push_back(point);
    if (points.empty()) return;

    CPointStyleDlg dialog(this);
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        dialog.m_dSize = (*it)->m_dMarkerSize;
        dialog.m_Color = (*it)->m_MarkerColor;
        dialog.m_nInPlane = (*it)->m_nInPlaneShape;
        dialog.m_nOutOfPlane = (*it)->m_nOffPlaneShape;
    }
    if (dialog.DoModal() == zel::IDOK) {
        for (CSelectedPoint* p : points) {
            p->m_dMarkerSize = dialog.m_dSize;
            p->m_MarkerColor = dialog.m_Color;
            p->m_nInPlaneShape = dialog.m_nInPlane;
            p->m_nOffPlaneShape = dialog.m_nOutOfPlane;
        }
    }
    UpdateAllViews();
}

void CContourPlotDlg::OnPageSetup() {
    RunPageSetup(*m_pPlot, *this, kTitle);
}

void CContourPlotDlg::OnPlaneSetup() {
    RunPlaneSetup(*m_pPlot, *this, m_SavedPlane);
}

void CContourPlotDlg::OnOK() {
    // Counts beyond the limit would take more memory and time than any plot
    // is worth, and their products overflow; a count of 0 gives no mesh and
    // an empty plot: refused, nothing stored.
    const int rows = LeadingInt(GetDlgItemText(kRows));
    const int columns = LeadingInt(GetDlgItemText(kColumns));
    for (const auto& [id, count] : {std::pair{kRows, rows}, std::pair{kColumns, columns}}) {
        if (count >= 1 && count <= CContourPlot::kMaxGridCount) continue;
        zel::ShowMessageBox(zel::IntegerRangeMessage(1, CContourPlot::kMaxGridCount), zel::PromptButtons::OK,
                            zel::PromptIcon::Warning);
        if (auto* edit = DlgItem<QLineEdit>(id)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    if (!UpdateData(true)) return;
    if (m_pNewPlot) {
        CPlot::IncrementPlotCounter();
        if (CMolecule* molecule = m_pPlot->GetMolecule())
            molecule->GetPlotList().push_front(std::move(m_pNewPlot));
    }
    m_pPlot->SetRows(rows);
    m_pPlot->SetColumns(columns);
    EndDialog(zel::IDOK);
}

void CContourPlotDlg::OnCancel() {
    m_pPlot->RestorePlane(m_SavedPlane);
    CDialog::OnCancel();
}

int CQtPlotDialogService::EditContourPlot(CContourPlot& plot) {
    int result = zel::IDCANCEL;
    zel::RunOnUiThread([&] {
        CContourPlotDlg dialog(&plot);
        result = dialog.DoModal();
    });
    return result;
}
