#include "shell/ControlView.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/qt/Help.h"
#include "shell/CommandIds.h"
#include "shell/ZelmoraDoc.h"
#include "ui/EnvelopeDlgs.h"

namespace {

constexpr int kFieldCount = 5;

// An index outside the list selects nothing.
void Select(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CControlView::CControlView(CZelmoraDoc* document, QWidget* parent)
    : QWidget(parent), m_pDocument(document), m_SurfaceList(new QComboBox(this)),
      m_AtomList(new QComboBox(this)), m_PlotList(new QComboBox(this)), m_FieldList(new QComboBox(this)) {
    auto* layout = new QVBoxLayout(this);
    const struct {
        QComboBox* list;
        int id;
        const char* label;
    } lists[] = {{m_FieldList, kFieldList, "Property functions:"},
                 {m_PlotList, kPlotList, "Plots for this density function:"},
                 {m_AtomList, kAtomList, "Atoms in this molecule:"},
                 {m_SurfaceList, kSurfaceList, "Interatomic surfaces:"}};
    for (const auto& entry : lists) {
        entry.list->setObjectName(QString::number(entry.id));
        entry.list->setEditable(false);
        // Long entries must not widen the pane beyond the splitter's choice.
        entry.list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        entry.list->setMinimumContentsLength(16);
        auto* label = new QLabel(entry.label, this);
        label->setBuddy(entry.list);
        layout->addWidget(label);
        layout->addWidget(entry.list);
    }
    layout->addStretch(1);

    // Only a choice of the user reaches the molecule: the lists are refilled
    // from it on every update, and that must not feed back.
    connect(m_FieldList, &QComboBox::activated, this, [this] { OnSelChangeFunction(); });
    connect(m_PlotList, &QComboBox::activated, this, [this] { OnSelChangePlot(); });
    connect(m_AtomList, &QComboBox::activated, this, [this] { OnSelChangeAtom(); });
    connect(m_SurfaceList, &QComboBox::activated, this, [this] { OnSelChangeSurface(); });
}

CControlView::~CControlView() {
    if (m_pMolecule && m_pMolecule->GetControlView() == this) m_pMolecule->SetControlView(nullptr);
}

void CControlView::OnInitialUpdate() {
    m_pMolecule = m_pDocument->GetMolecule();
    m_bSkipPlotRefresh = true;
    OnUpdate();
    m_pMolecule->SetControlView(this);

    const QSignalBlocker fieldBlocker(m_FieldList);
    const QSignalBlocker plotBlocker(m_PlotList);
    m_FieldList->clear();
    m_PlotList->clear();
    for (int field = 0; field < kFieldCount; ++field)
        m_FieldList->addItem(ToQt(m_pMolecule->GetPropertyName(field)));
    if (!m_pMolecule->IsJobRunning()) FillPlotList();
    Select(m_PlotList, -1);
    Select(m_FieldList, m_nFieldIndex);
    ReadIndices();
}

void CControlView::OnUpdate() {
    // A running job changes the lists under us: show what was shown before.
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return;

    const QSignalBlocker atomBlocker(m_AtomList);
    const QSignalBlocker surfaceBlocker(m_SurfaceList);
    const QSignalBlocker plotBlocker(m_PlotList);

    m_AtomList->clear();
    m_SurfaceList->clear();
    int selected = -1;
    for (const auto& atom : m_pMolecule->GetAtomList()) {
        const CVector p = atom->GetPosition();
        if (atom.get() == m_pMolecule->GetCurrentAtom()) selected = m_AtomList->count();
        m_AtomList->addItem(ToQt(atom->GetLabel() + zel::Sprintf(":%8.4lf,%8.4lf,%8.4lf", p.x, p.y, p.z)));
    }
    Select(m_AtomList, selected);

    selected = -1;
    for (const SSurfaceEntry& entry : ListSurfaces(*m_pMolecule)) {
        if (entry.point == m_pMolecule->GetCurrentSurface()) selected = m_SurfaceList->count();
        m_SurfaceList->addItem(ToQt(entry.text));
    }
    Select(m_SurfaceList, selected);

    if (!m_bSkipPlotRefresh) {
        m_PlotList->clear();
        FillPlotList();
        if (m_PlotList->count() > 0) {
            Select(m_PlotList, m_pMolecule->GetPlotIndex());
            CPlot* plot = FindPlot(m_PlotList->currentIndex());
            m_pMolecule->SetCurrentPlot(m_pMolecule->GetPlotState() == 0 ? plot : nullptr);
        }
    }
    // The list names the plot the plot view shows: no entry while there is
    // none (after a document was opened or a plot deleted, until the user
    // picks one).
    if (!m_pMolecule->GetCurrentPlot()) Select(m_PlotList, -1);
    m_bSkipPlotRefresh = false;
    m_nPlotIndex = m_PlotList->currentIndex();
    m_nAtomIndex = m_AtomList->currentIndex();
    m_nSurfaceIndex = m_SurfaceList->currentIndex();
}

bool CControlView::OnCommand(int id) {
    if (id != cmd::ContextHelp) return false;
    OnContextHelp();
    return true;
}

bool CControlView::OnUpdateCommand(CCmdUI& ui) {
    if (ui.id != cmd::ContextHelp) return false;
    ui.Enable(true);
    return true;
}

void CControlView::SetFieldIndex(int field) {
    m_nFieldIndex = field;
    WriteIndices();
}

void CControlView::OnSelChangeFunction() {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return;
    ReadIndices();
    if (m_nFieldIndex < 0 || m_nFieldIndex >= kFieldCount) return;
    m_pMolecule->SetFieldIndex(m_nFieldIndex);
    {
        const QSignalBlocker blocker(m_PlotList);
        m_PlotList->clear();
        FillPlotList();
        Select(m_PlotList, -1);
    }
    m_pMolecule->SetPlotIndex(0);
    m_pMolecule->SetCurrentPlot(nullptr);
    // The update below leaves the plot list without a selection.
    m_bSkipPlotRefresh = true;
    // The envelope map shows the window of the new field.
    UpdateEnvelopeMap(*m_pMolecule);
    m_pDocument->UpdateAllViews();
}

void CControlView::OnSelChangePlot() {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return;
    ReadIndices();
    if (m_nPlotIndex < 0) return;
    m_pMolecule->SetPlotIndex(m_nPlotIndex);
    if (CPlot* plot = FindPlot(m_nPlotIndex)) {
        m_pMolecule->SetPlotState(0);
        m_pMolecule->SetCurrentPlot(plot);
    }
    m_pDocument->UpdateAllViews();
}

void CControlView::OnSelChangeAtom() {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return;
    ReadIndices();
    CAtom* chosen = nullptr;
    int position = 0;
    for (const auto& atom : m_pMolecule->GetAtomList()) {
        if (position++ == m_nAtomIndex) {
            chosen = atom.get();
            break;
        }
    }
    m_pMolecule->SetCurrentAtom(chosen);
}

void CControlView::OnSelChangeSurface() {
    if (!m_pMolecule || m_pMolecule->IsJobRunning()) return;
    ReadIndices();
    const std::vector<SSurfaceEntry> entries = ListSurfaces(*m_pMolecule);
    const bool inside = m_nSurfaceIndex >= 0 && static_cast<std::size_t>(m_nSurfaceIndex) < entries.size();
    m_pMolecule->SetCurrentSurface(inside ? entries[static_cast<std::size_t>(m_nSurfaceIndex)].point
                                          : nullptr);
}

void CControlView::OnContextHelp() {
    zel::ShowHelpTopic("::controlview.htm");
}

QComboBox* CControlView::GetList(int id) const {
    switch (id) {
    case kFieldList:
        return m_FieldList;
    case kPlotList:
        return m_PlotList;
    case kAtomList:
        return m_AtomList;
    case kSurfaceList:
        return m_SurfaceList;
    default:
        return nullptr;
    }
}

std::vector<CControlView::SSurfaceEntry> CControlView::ListSurfaces(const CMolecule& molecule) {
    std::vector<SSurfaceEntry> entries;
    const CMolecule::CCritPointList* points = molecule.GetList(-1);
    if (!points) return entries;
    for (const auto& point : *points) {
        auto* bond = dynamic_cast<CBondPoint*>(point.get());
        if (!bond) continue;
        // The atoms of the first two density paths that reach a maximum; a
        // maximum without atom is passed over only while looking for the first.
        // The paths in the order a reopened document has them, as the surface
        // record and the surface integration take its atoms.
        const CAtom* atomA = nullptr;
        const CAtom* atomB = nullptr;
        for (const CGradPath* path : molecule.OrderedPathList(*bond, true)) {
            if (path->GetFieldIndex() != 0) continue;
            const auto* maximum = dynamic_cast<const CMaxPoint*>(path->GetEndPoint());
            if (!maximum) continue;
            if (!atomA) {
                atomA = maximum->GetAtom();
                continue;
            }
            atomB = maximum->GetAtom();
            break;
        }
        if (atomA && atomB) entries.push_back({bond, atomA->GetLabel() + " / " + atomB->GetLabel()});
    }
    return entries;
}

void CControlView::FillPlotList() {
    const int field = m_pMolecule->GetFieldIndex();
    for (const auto& plot : m_pMolecule->GetPlotList())
        if (plot->GetFieldIndex() == field) m_PlotList->addItem(ToQt(plot->GetTitle()->GetText()));
}

CPlot* CControlView::FindPlot(int index) const {
    if (index < 0 || index >= m_PlotList->count()) return nullptr;
    const QString text = m_PlotList->itemText(index);
    const int field = m_pMolecule->GetFieldIndex();
    for (const auto& plot : m_pMolecule->GetPlotList())
        if (plot->GetFieldIndex() == field && ToQt(plot->GetTitle()->GetText()) == text) return plot.get();
    return nullptr;
}

void CControlView::ReadIndices() {
    m_nFieldIndex = m_FieldList->currentIndex();
    m_nPlotIndex = m_PlotList->currentIndex();
    m_nAtomIndex = m_AtomList->currentIndex();
    m_nSurfaceIndex = m_SurfaceList->currentIndex();
}

void CControlView::WriteIndices() {
    const QSignalBlocker fieldBlocker(m_FieldList);
    const QSignalBlocker plotBlocker(m_PlotList);
    const QSignalBlocker atomBlocker(m_AtomList);
    const QSignalBlocker surfaceBlocker(m_SurfaceList);
    Select(m_FieldList, m_nFieldIndex);
    Select(m_PlotList, m_nPlotIndex);
    Select(m_AtomList, m_nAtomIndex);
    Select(m_SurfaceList, m_nSurfaceIndex);
}
