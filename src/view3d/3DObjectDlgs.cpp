#include "view3d/3DObjectDlgs.h"

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "ui/PopDlg.h"

#include <utility>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

constexpr unsigned kTextField = ctl::kReadOnly | ctl::kAutoHScroll;
constexpr unsigned kRealField = ctl::kReadOnly | ctl::kAutoHScroll | ctl::kRight | ctl::kReal;

constexpr int kLabelX = 7, kLabelWidth = 118;
constexpr int kFieldX = 128;
constexpr int kRealWidth = 96, kFieldHeight = 12;
constexpr int kRealStep = kRealWidth + 4;

using Controls = std::vector<zel::SControlTemplate>;

void Label(Controls& c, const char* text, int x, int y, int width, unsigned style = ctl::kRight) {
    c.push_back({ControlKind::Static, -1, text, x, y + 2, width, 8, style});
}

void Field(Controls& c, int id, int x, int y, int width, unsigned style) {
    c.push_back({ControlKind::Edit, id, "", x, y, width, kFieldHeight, style});
}

void Coordinates(Controls& c, const int (&ids)[3], int x, int y) {
    for (int k = 0; k < 3; ++k)
        Field(c, ids[k], x + k * kRealStep, y, kRealWidth, kRealField);
}

void OkButton(Controls& c, int right, int y) {
    c.push_back({ControlKind::PushButton, zel::IDOK, "OK", right - 50, y, 50, 14, ctl::kDefault});
}

const zel::SDialogTemplate& AtomTemplate() {
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{C3DAtomdlg::IDD, "Object Chosen: Atom", 0, 0, "MS Sans Serif", 8, {}};
        Controls& c = t.controls;
        Label(c, "Object chosen: Atom #", kLabelX, 7, kLabelWidth);
        Field(c, C3DAtomdlg::kNumber, kFieldX, 7, 40, kTextField | ctl::kRight);
        Label(c, "Element:", kLabelX, 25, kLabelWidth);
        Field(c, C3DAtomdlg::kElement, kFieldX, 25, kRealWidth, kTextField);
        Label(c, "Coordinates:", kLabelX, 43, kLabelWidth);
        Coordinates(c, C3DAtomdlg::kCoordinates, kFieldX, 43);
        OkButton(c, kFieldX + 2 * kRealStep + kRealWidth, 65);
        return t;
    }();
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(AtomTemplate);

const zel::SDialogTemplate& CritPointTemplate() {
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{
            C3DCritPtdlg::IDD, "Object Chosen: Critical Point", 0, 0, "MS Sans Serif", 8, {}};
        Controls& c = t.controls;
        Label(c, "Object chosen: Critical point #", kLabelX, 7, kLabelWidth);
        Field(c, C3DCritPtdlg::kNumber, kFieldX, 7, 40, kTextField | ctl::kRight);
        Label(c, "Critical point type:", kLabelX, 25, kLabelWidth);
        Field(c, C3DCritPtdlg::kType, kFieldX, 25, 40, kTextField | ctl::kCentre);
        Label(c, "Coordinates:", kLabelX, 43, kLabelWidth);
        Coordinates(c, C3DCritPtdlg::kCoordinates, kFieldX, 43);
        c.push_back({ControlKind::PushButton, C3DCritPtdlg::kAnalyse, "Analyse", kFieldX, 65, 50, 14});
        OkButton(c, kFieldX + 2 * kRealStep + kRealWidth, 65);
        return t;
    }();
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(CritPointTemplate);

const zel::SDialogTemplate& GradPathTemplate() {
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{
            C3DGradPathdlg::IDD, "Object Chosen: Gradient Path", 0, 0, "MS Sans Serif", 8, {}};
        Controls& c = t.controls;
        // The two ends each on a line: "Located between" (or "and"), the
        // type, "critical point at" and the coordinates.
        constexpr int kTypeX = 90, kTypeWidth = 40;
        constexpr int kAtX = kTypeX + kTypeWidth + 4, kAtWidth = 62;
        constexpr int kPointX = kAtX + kAtWidth + 4;
        Label(c, "Object chosen: Gradient path #", kLabelX, 7, kLabelWidth, 0);
        Field(c, C3DGradPathdlg::kNumber, kLabelX + kLabelWidth + 4, 7, 40, kTextField | ctl::kRight);
        Label(c, "Located between", kLabelX, 27, kTypeX - kLabelX - 4);
        Field(c, C3DGradPathdlg::kStartType, kTypeX, 27, kTypeWidth, kTextField | ctl::kCentre);
        Label(c, "critical point at", kAtX, 27, kAtWidth, 0);
        Coordinates(c, C3DGradPathdlg::kStart, kPointX, 27);
        Label(c, "and", kLabelX, 45, kTypeX - kLabelX - 4);
        Field(c, C3DGradPathdlg::kEndType, kTypeX, 45, kTypeWidth, kTextField | ctl::kCentre);
        Label(c, "critical point at", kAtX, 45, kAtWidth, 0);
        Coordinates(c, C3DGradPathdlg::kEnd, kPointX, 45);
        Label(c, "Path Length:", kLabelX, 65, kTypeX - kLabelX - 4);
        Field(c, C3DGradPathdlg::kLength, kTypeX, 65, kRealWidth, kRealField);
        OkButton(c, kPointX + 2 * kRealStep + kRealWidth, 87);
        return t;
    }();
    return dialog;
}
ZEL_REGISTER_DIALOG_TEMPLATE(GradPathTemplate);

} // namespace

// --- nucleus ----------------------------------------------------------------------

C3DAtomdlg::C3DAtomdlg(CPickedAtom atom, QWidget* parent)
    : CDialog(AtomTemplate(), parent), m_strElement(atom.element), m_nNumber(atom.number),
      m_dX(atom.position.x), m_dY(atom.position.y), m_dZ(atom.position.z), m_Atom(std::move(atom)) {}

void C3DAtomdlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kElement, m_strElement);
    dx.Text(kNumber, m_nNumber);
    dx.Text(kCoordinates[0], m_dX);
    dx.Text(kCoordinates[1], m_dY);
    dx.Text(kCoordinates[2], m_dZ);
}

// --- critical point ----------------------------------------------------------------

C3DCritPtdlg::C3DCritPtdlg(CPickedCritPoint point, CMolecule* molecule, QWidget* parent)
    : CDialog(CritPointTemplate(), parent), m_pMolecule(molecule), m_strType(point.type),
      m_nNumber(point.number), m_dX(point.position.x), m_dY(point.position.y), m_dZ(point.position.z),
      m_CritPoint(std::move(point)) {
    OnCheckedCommand(kAnalyse, [this] { OnAnalyse(); });
}

void C3DCritPtdlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kType, m_strType);
    dx.Text(kNumber, m_nNumber);
    dx.Text(kCoordinates[0], m_dX);
    dx.Text(kCoordinates[1], m_dY);
    dx.Text(kCoordinates[2], m_dZ);
}

void C3DCritPtdlg::OnAnalyse() {
    if (!m_pMolecule) return;
    // The analysis evaluates the molecule, which a running job is using.
    if (m_pMolecule->IsJobRunning()) {
        zel::ShowMessageBox(kBusyMessage);
        return;
    }
    CPopDlg analysis(m_pMolecule, CVector(m_dX, m_dY, m_dZ));
    analysis.DoModal();
}

// --- gradient path -----------------------------------------------------------------

C3DGradPathdlg::C3DGradPathdlg(CPickedPath path, QWidget* parent)
    : CDialog(GradPathTemplate(), parent), m_dEndX(path.end.x), m_dEndY(path.end.y), m_dEndZ(path.end.z),
      m_strEndType(path.endType), m_strStartType(path.startType), m_nNumber(path.number),
      m_dLength(path.length), m_dStartX(path.start.x), m_dStartY(path.start.y), m_dStartZ(path.start.z),
      m_Path(std::move(path)) {}

void C3DGradPathdlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kEnd[0], m_dEndX);
    dx.Text(kEnd[1], m_dEndY);
    dx.Text(kEnd[2], m_dEndZ);
    dx.Text(kEndType, m_strEndType);
    dx.Text(kStartType, m_strStartType);
    dx.Text(kNumber, m_nNumber);
    dx.Text(kLength, m_dLength);
    dx.Text(kStart[0], m_dStartX);
    dx.Text(kStart[1], m_dStartY);
    dx.Text(kStart[2], m_dStartZ);
}
