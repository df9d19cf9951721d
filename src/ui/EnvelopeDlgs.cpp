#include "ui/EnvelopeDlgs.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <algorithm>
#include <climits>

#include "analysis/Envelop.h"
#include "analysis/EnvelopMap.h"
#include "app/ComputeDlg.h"
#include "platform/core/Canvas.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/qt/SpinButton.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& DefEnvGridTemplate() {
    using D = CDefEnvGridDlg;
    constexpr unsigned kRO = ctl::kReadOnly;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        D::kTitle,
        270,
        226,
        "MS Sans Serif",
        8,
        {
            {ControlKind::GroupBox, -1, "Point of grid with smallest coordinates:", 7, 5, 256, 32},
            {ControlKind::Static, -1, "x:", 15, 19, 10, 8},
            {ControlKind::Edit, D::kOriginX, "", 27, 17, 32, 12, kRO},
            {ControlKind::Spin, D::kSpinOriginX, "Spin1", 59, 17, 10, 12},
            {ControlKind::Static, -1, "y:", 95, 19, 10, 8},
            {ControlKind::Edit, D::kOriginY, "", 107, 17, 32, 12, kRO},
            {ControlKind::Spin, D::kSpinOriginY, "Spin2", 139, 17, 10, 12},
            {ControlKind::Static, -1, "z:", 175, 19, 10, 8},
            {ControlKind::Edit, D::kOriginZ, "", 187, 17, 32, 12, kRO},
            {ControlKind::Spin, D::kSpinOriginZ, "Spin3", 219, 17, 10, 12},
            {ControlKind::GroupBox, -1, "Size of grid:", 7, 42, 256, 80},
            {ControlKind::Static, -1, "No. of points in x-direction:", 15, 56, 130, 8},
            {ControlKind::Edit, D::kCountX, "", 150, 54, 40, 12, kRO},
            {ControlKind::Spin, D::kSpinCountX, "Spin4", 190, 54, 10, 12},
            {ControlKind::Static, -1, "No. of points in y-direction:", 15, 72, 130, 8},
            {ControlKind::Edit, D::kCountY, "", 150, 70, 40, 12, kRO},
            {ControlKind::Spin, D::kSpinCountY, "Spin5", 190, 70, 10, 12},
            {ControlKind::Static, -1, "No. of points in z-direction:", 15, 88, 130, 8},
            {ControlKind::Edit, D::kCountZ, "", 150, 86, 40, 12, kRO},
            {ControlKind::Spin, D::kSpinCountZ, "Spin6", 190, 86, 10, 12},
            {ControlKind::Static, -1, "Total no. of points in grid:", 15, 106, 130, 8},
            {ControlKind::Edit, D::kTotal, "", 150, 104, 60, 12, kRO},
            {ControlKind::Static, -1, "Grid points are only important, ", 7, 128, 256, 8},
            {ControlKind::Static, -1, "if their charge density value is greater than:", 7, 138, 256, 8},
            {ControlKind::Edit, D::kThreshold, "", 7, 149, 96, 13, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "and if their distance from any nucleus is less than:", 7, 170, 256, 8},
            {ControlKind::Edit, D::kMaxDistance, "", 7, 181, 96, 13, ctl::kAutoHScroll | ctl::kReal},
            {ControlKind::Static, -1, "(0  is infinity)", 110, 183, 100, 8},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 205, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Abbrechen", 213, 205, 50, 14},
        },
    };
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(DefEnvGridTemplate);

const zel::SDialogTemplate& EnvOptionsTemplate() {
    using D = CEnvOptionsDlg;
    constexpr unsigned kRO = ctl::kReadOnly;
    constexpr unsigned kReal = ctl::kAutoHScroll | ctl::kReal;
    static const zel::SDialogTemplate dialog{
        D::IDD,
        D::kTitle,
        340,
        246,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Static, -1, "Current density function:", 7, 9, 110, 8},
            {ControlKind::Edit, D::kFieldName, "", 125, 7, 208, 12, kRO},
            {ControlKind::Static, -1, "Current number of points in grid:", 7, 26, 130, 8},
            {ControlKind::Edit, D::kPointCount, "", 140, 24, 60, 12, kRO},
            {ControlKind::Static, -1, "Current mesh size of grid:", 7, 43, 130, 8},
            {ControlKind::Edit, D::kMeshSize, "", 140, 41, 96, 12, kRO},
            {ControlKind::GroupBox, -1, "Display density function between", 7, 60, 326, 52},
            {ControlKind::Static, -1, "minimal value:", 15, 74, 80, 8},
            {ControlKind::Edit, D::kMinValue, "", 100, 72, 96, 13, kReal},
            {ControlKind::PushButton, D::kMinColor, "Color", 205, 71, 50, 14},
            {ControlKind::Static, -1, "and maximal value:", 15, 92, 80, 8},
            {ControlKind::Edit, D::kMaxValue, "", 100, 90, 96, 13, kReal},
            {ControlKind::PushButton, D::kMaxColor, "Color", 205, 89, 50, 14},
            {ControlKind::Static, -1, "Transparency index:", 7, 121, 88, 8},
            {ControlKind::Edit, D::kTransparency, "", 100, 119, 96, 13, kReal},
            {ControlKind::Static, -1, "(1 = opaque)", 205, 121, 80, 8},
            {ControlKind::Static, -1, "Display only basins of", 7, 142, 100, 8},
            {ControlKind::Static, -1, "(select none = all)", 7, 152, 100, 8},
            {ControlKind::ListBox, D::kAtoms, "", 110, 140, 90, 60,
             ctl::kSorted | ctl::kMultiSelect | ctl::kVScroll},
            {ControlKind::GroupBox, -1, "Envelop display mode", 208, 138, 125, 42},
            {ControlKind::RadioButton, D::kSpheres, "spheres", 216, 150, 110, 10, ctl::kGroup},
            {ControlKind::RadioButton, D::kSurface, "triangularized surface", 216, 164, 110, 10},
            {ControlKind::Static, -1, "sphere size:", 7, 210, 60, 8},
            {ControlKind::Edit, D::kSphereSize, "", 70, 208, 96, 13, kReal},
            {ControlKind::CheckBox, D::kSurfaceOnly, "surface only", 180, 209, 80, 10},
            {ControlKind::PushButton, zel::IDOK, "OK", 7, 226, 50, 14, ctl::kDefault},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel", 283, 226, 50, 14},
        },
    };
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(EnvOptionsTemplate);

int ReadInt(const QLineEdit* edit, int fallback) {
    int value = fallback;
    if (edit && zel::ParseDialogInt(edit->text().toStdString(), value)) return value;
    return fallback;
}

// The product of the three counts, held at the int limit.
int TotalOf(long long nx, long long ny, long long nz) {
    // In doubles: three counts of a far-flung box overflow any integer.
    const double total = static_cast<double>(nx) * static_cast<double>(ny) * static_cast<double>(nz);
    return total > INT_MAX ? INT_MAX : static_cast<int>(std::max(total, 0.0));
}

// Runs one grid job behind the progress dialog with the density current,
// then restores the field and derives the map for it.
void RunEnvelopeJob(CMolecule& molecule, CEnvelop& envelope, const char* title, int type,
                    const std::string& status) {
    const int field = molecule.GetFieldIndex();
    molecule.SetFieldIndex(0);
    g_bCancel = 0;
    g_nProgress = 0;
    SetStatusText(status);
    {
        const CMolecule::CJobScope running(molecule);
        CComputeDlg::Launch(title, &envelope, type, false);
    }
    molecule.SetFieldIndex(field);
    // The job derived the map for the density; another field needs its own.
    if (field != 0) UpdateEnvelopeMap(molecule);
}

} // namespace

void UpdateEnvelopeMap(CMolecule& molecule) {
    CEnvelop* envelope = molecule.GetEnvelope();
    CEnvGrid* grid = envelope ? envelope->GetGrid() : nullptr;
    if (!grid) return;
    const long long points = static_cast<long long>(grid->GetCount(0)) * grid->GetCount(1) * grid->GetCount(2);
    if (points < kMapPointsBehindProgress) {
        envelope->UpdateMap();
        return;
    }
    // The worker only reads the grid, which the view may draw meanwhile; the
    // flags change afterwards, here.
    const int field = molecule.GetFieldIndex();
    const CEnvMapOptions options = molecule.GetEnvMapOptions();
    std::vector<std::uint8_t> flags;
    CComputeDlg::RunTask("Envelope map", zel::Sprintf("Deriving the map of %lld grid points", points),
                         [&] { flags = ComputeEnvelopeMapFlags(*grid, field, options); });
    ApplyEnvelopeMapFlags(*grid, flags);
}

// --- dialog 182 ----------------------------------------------------------------------

CDefEnvGridDlg::CDefEnvGridDlg(QWidget* parent) : CDialog(DefEnvGridTemplate(), parent) {
    SetHelpTopic("::envelope-init.htm");
    for (int id : {kCountX, kCountY, kCountZ})
        if (auto* edit = DlgItem<QLineEdit>(id))
            connect(edit, &QLineEdit::textChanged, this, [this] { OnChangeCount(); });
}

void CDefEnvGridDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kMaxDistance, m_dMaxDistance);
    dx.MinMax(m_dMaxDistance, 0.0, 30.0);
    dx.Text(kTotal, m_nTotal);
    dx.Text(kCountX, m_nX);
    dx.MinMax(m_nX, 2, 999999);
    dx.Text(kCountY, m_nY);
    dx.MinMax(m_nY, 2, 999999);
    dx.Text(kCountZ, m_nZ);
    dx.MinMax(m_nZ, 2, 999999);
    dx.Text(kThreshold, m_dThreshold);
    dx.MinMax(m_dThreshold, 0.0, 999999.0);
    dx.Text(kOriginX, m_nOriginX);
    dx.Text(kOriginY, m_nOriginY);
    dx.Text(kOriginZ, m_nOriginZ);
}

bool CDefEnvGridDlg::OnInitDialog() {
    m_bInitializing = true;
    CDialog::OnInitDialog();
    const struct {
        int spin, lower, upper;
    } spins[] = {{kSpinOriginX, -30, 30}, {kSpinOriginY, -30, 30}, {kSpinOriginZ, -30, 30},
                 {kSpinCountX, 2, 61},    {kSpinCountY, 2, 61},    {kSpinCountZ, 2, 61}};
    for (const auto& s : spins) {
        auto* spin = DlgItem<zel::CSpinButton>(s.spin);
        if (!spin) continue;
        spin->SetRange(s.lower, s.upper);
        // Each step starts from what the edit shows, as an integer buddy does.
        spin->SetDeltaPosHandler([spin](int) { spin->SetPos(ReadInt(spin->GetBuddy(), spin->GetPos())); });
        spin->SetPos(ReadInt(spin->GetBuddy(), s.lower));
    }
    m_bInitializing = false;
    return true;
}

void CDefEnvGridDlg::OnChangeCount() {
    if (m_bInitializing) return;
    // Writing the fields back changes the count edits again.
    m_bInitializing = true;
    if (UpdateData(true)) {
        m_nTotal = TotalOf(m_nX, m_nY, m_nZ);
        UpdateData(false);
    }
    m_bInitializing = false;
}

// --- dialog 181 ----------------------------------------------------------------------

CEnvOptionsDlg::CEnvOptionsDlg(std::string fieldName, CEnvMapOptions* options, const CMolecule* molecule,
                               QWidget* parent)
    : CDialog(EnvOptionsTemplate(), parent), m_pOptions(options), m_pMolecule(molecule) {
    SetHelpTopic("::envelope-def.htm");
    m_strFieldName = std::move(fieldName);
    m_MinColor = options->MinColor;
    m_MaxColor = options->MaxColor;
    m_dMinValue = options->MinValue;
    m_dMaxValue = options->MaxValue;
    m_dSphereSize = options->SphereSize;
    m_dTransparency = options->Transparency;
    OnCommand(kMinColor, [this] { OnMinColor(); });
    OnCommand(kMaxColor, [this] { OnMaxColor(); });
    OnCommand(kSpheres, [this] { OnSpheres(); });
    OnCommand(kSurface, [this] { OnTriangulatedSurface(); });
}

QListWidget* CEnvOptionsDlg::AtomList() const {
    return DlgItem<QListWidget>(kAtoms);
}

void CEnvOptionsDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kFieldName, m_strFieldName);
    dx.Text(kMaxValue, m_dMaxValue);
    dx.Text(kMinValue, m_dMinValue);
    dx.Text(kSphereSize, m_dSphereSize);
    dx.MinMax(m_dSphereSize, 0.0, 999.0);
    dx.Text(kPointCount, m_strPointCount);
    dx.Text(kMeshSize, m_strMeshSize);
    dx.Text(kTransparency, m_dTransparency);
    dx.MinMax(m_dTransparency, 0.0, 1.0);
    auto* spheres = DlgItem<QRadioButton>(kSpheres);
    auto* surface = DlgItem<QRadioButton>(kSurface);
    if (dx.Saving()) {
        m_nDisplayMode = surface && surface->isChecked() ? 1 : 0;
    } else {
        if (spheres) spheres->setChecked(m_nDisplayMode == 0);
        if (surface) surface->setChecked(m_nDisplayMode == 1);
    }
    dx.Check(kSurfaceOnly, m_bSurfaceOnly);
}

bool CEnvOptionsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    QListWidget* list = AtomList();
    if (list && m_pMolecule) {
        for (const auto& atom : m_pMolecule->GetAtomList())
            list->addItem(QString::fromStdString(atom->GetLabel()));
        list->sortItems();
        for (const CAtom* atom : m_pOptions->Atoms) {
            // The first entry that begins with the label, as a prefix search
            // from the top finds it.
            const QString label = QString::fromStdString(atom->GetLabel());
            for (int row = 0; row < list->count(); ++row) {
                if (list->item(row)->text().startsWith(label, Qt::CaseInsensitive)) {
                    list->item(row)->setSelected(true);
                    break;
                }
            }
        }
    }
    EnableSphereControls(m_nDisplayMode == 0);
    return true;
}

void CEnvOptionsDlg::EnableSphereControls(bool on) {
    for (int id : {kSphereSize, kSurfaceOnly})
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(on);
}

void CEnvOptionsDlg::OnSpheres() {
    EnableSphereControls(true);
}

void CEnvOptionsDlg::OnTriangulatedSurface() {
    EnableSphereControls(false);
}

void CEnvOptionsDlg::OnMinColor() {
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(m_MinColor)) m_MinColor = *color;
}

void CEnvOptionsDlg::OnMaxColor() {
    if (const std::optional<zel::COLORREF> color = zel::ChooseColor(m_MaxColor)) m_MaxColor = *color;
}

void CEnvOptionsDlg::OnOK() {
    if (!UpdateData(true)) return;
    m_pOptions->Atoms.clear();
    if (const QListWidget* list = AtomList(); list && m_pMolecule) {
        for (int row = 0; row < list->count(); ++row) {
            if (!list->item(row)->isSelected()) continue;
            const std::string text = list->item(row)->text().toStdString();
            for (const auto& atom : m_pMolecule->GetAtomList()) {
                if (atom->GetLabel() == text) {
                    m_pOptions->Atoms.push_back(atom.get());
                    break;
                }
            }
        }
    }
    EndDialog(zel::IDOK);
}

// --- command bodies ------------------------------------------------------------------

int InitializeEnvelope(CEnvelop& envelope, QWidget* parent) {
    envelope.ComputeBox();
    CDefEnvGridDlg dialog(parent);
    const CVector origin = envelope.GetOrigin();
    dialog.m_nOriginX = zel::TruncToInt(origin.x);
    dialog.m_nOriginY = zel::TruncToInt(origin.y);
    dialog.m_nOriginZ = zel::TruncToInt(origin.z);
    dialog.m_nX = envelope.GetCount(0);
    dialog.m_nY = envelope.GetCount(1);
    dialog.m_nZ = envelope.GetCount(2);
    dialog.m_nTotal = TotalOf(dialog.m_nX, dialog.m_nY, dialog.m_nZ);
    dialog.m_dThreshold = envelope.GetThreshold();
    dialog.m_dMaxDistance =
        envelope.GetMaxDistance() >= CEnvelop::kNoDistanceLimit ? 0.0 : envelope.GetMaxDistance();
    if (dialog.DoModal() != zel::IDOK) return 0;
    envelope.SetMaxDistance(dialog.m_dMaxDistance == 0.0 ? CEnvelop::kNoDistanceLimit
                                                         : dialog.m_dMaxDistance);
    envelope.SetCounts(dialog.m_nX, dialog.m_nY, dialog.m_nZ);
    envelope.SetThreshold(dialog.m_dThreshold);
    envelope.SetOrigin(CVector(dialog.m_nOriginX, dialog.m_nOriginY, dialog.m_nOriginZ));
    return 1;
}

std::string InitEnvelopeStatus(const CEnvelop& envelope) {
    const long long total =
        static_cast<long long>(envelope.GetCount(0)) * envelope.GetCount(1) * envelope.GetCount(2);
    return zel::Sprintf("No. of gridpoints to calculate: %lld", total);
}

std::string RefineEnvelopeStatus(const CEnvelop& envelope) {
    const long long total = (2LL * envelope.GetCount(0) - 1) * (2LL * envelope.GetCount(1) - 1) *
                            (2LL * envelope.GetCount(2) - 1);
    return zel::Sprintf("Decrease mesh size to %lf, no. of new gridpoints to calculate: %lld",
                        envelope.GetMesh() * 0.5, total);
}

bool OnInitEnvelope(CMolecule& molecule, QWidget* parent) {
    if (molecule.IsEmpty() || molecule.GetEnvelope()) return false;
    molecule.SetEnvelop(std::make_unique<CEnvelop>(&molecule));
    CEnvelop& envelope = *molecule.GetEnvelope();
    if (!InitializeEnvelope(envelope, parent)) {
        molecule.DeleteEnvelope();
        return false;
    }
    RunEnvelopeJob(molecule, envelope, "Calculation of initial envelope grid", zel::kJobEnvelopeCalculate,
                   InitEnvelopeStatus(envelope));
    // A grid that was not made leaves no envelope behind.
    if (!envelope.GetGrid()) {
        molecule.DeleteEnvelope();
        return false;
    }
    return true;
}

bool OnRefineEnvelope(CMolecule& molecule) {
    CEnvelop* envelope = molecule.GetEnvelope();
    if (!envelope || !envelope->GetGrid()) return false;
    const CEnvGrid* before = envelope->GetGrid();
    RunEnvelopeJob(molecule, *envelope, "Increasing envelope grid size, decreasing mesh size",
                   zel::kJobEnvelopeRefine, RefineEnvelopeStatus(*envelope));
    return envelope->GetGrid() != before;
}

bool DeleteEnvelope(CMolecule& molecule) {
    CEnvelop* envelope = molecule.GetEnvelope();
    if (!envelope) return false;
    envelope->FreeGrid();
    molecule.DeleteEnvelope();
    return true;
}

bool OnDefineEnvelopeMap(CMolecule& molecule, QWidget* parent) {
    CEnvelop* envelope = molecule.GetEnvelope();
    if (!envelope) return false;
    CEnvMapOptions& options = molecule.GetEnvMapOptions();
    CEnvOptionsDlg dialog(molecule.GetPropertyName(-1), &options, &molecule, parent);
    const long long total =
        static_cast<long long>(envelope->GetCount(0)) * envelope->GetCount(1) * envelope->GetCount(2);
    dialog.m_strPointCount = zel::Sprintf("%lld", total);
    dialog.m_strMeshSize = zel::Sprintf("%lf", envelope->GetMesh());
    dialog.m_MinColor = options.MinColor;
    dialog.m_MaxColor = options.MaxColor;
    dialog.m_dTransparency = options.Transparency;
    dialog.m_bSurfaceOnly = options.SurfaceOnly != 0 ? 1 : 0;
    dialog.m_nDisplayMode = options.DisplayMode != 0 ? 1 : 0;
    if (dialog.DoModal() != zel::IDOK) return false;
    options.MinValue = dialog.m_dMinValue;
    options.MaxValue = dialog.m_dMaxValue;
    options.SphereSize = dialog.m_dSphereSize;
    options.MinColor = dialog.m_MinColor;
    options.MaxColor = dialog.m_MaxColor;
    options.Transparency = dialog.m_dTransparency;
    options.DisplayMode = dialog.m_nDisplayMode != 0 ? 1 : 0;
    options.SurfaceOnly = dialog.m_bSurfaceOnly != 0 ? 1 : 0;
    UpdateEnvelopeMap(molecule);
    return false; // the map options are not stored with the document
}
