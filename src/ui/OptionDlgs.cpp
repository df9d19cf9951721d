#include "ui/OptionDlgs.h"

#include <string>
#include <vector>

#include "integration/Quadrature.h"
#include "platform/core/Format.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

constexpr char kEnterPositive[] = "Enter a number greater than 0.";

// One row: a label with its edit field to the right; a row without an edit id
// is a heading across the dialog. Fields hold real numbers unless their style
// says otherwise.
struct SRow {
    const char* label;
    int id;
    unsigned style = ctl::kReal;
};

// Rows top to bottom, then OK, "Reset to Defaults" and Cancel in one row.
zel::SDialogTemplate OptionTemplate(int id, const char* caption, int labelWidth,
                                    const std::vector<SRow>& rows) {
    // Fields wide enough for any number's 15 digits.
    constexpr int kMargin = 7, kRowHeight = 20, kEditWidth = 96, kButtonWidth = 70;
    zel::SDialogTemplate t{id, caption, 0, 0, "MS Sans Serif", 8, {}};
    const int editX = kMargin + labelWidth + 6;
    const int width = editX + kEditWidth;
    int y = kMargin;
    for (const SRow& row : rows) {
        if (row.id < 0) {
            t.controls.push_back(
                {ControlKind::Static, -1, row.label, kMargin, y + 4, width - kMargin, 8, ctl::kCentre});
        } else {
            t.controls.push_back({ControlKind::Static, -1, row.label, kMargin, y + 2, labelWidth, 8});
            t.controls.push_back(
                {ControlKind::Edit, row.id, "", editX, y, kEditWidth, 13, ctl::kAutoHScroll | row.style});
        }
        y += kRowHeight;
    }
    y += 4;
    const int gap = (width - kMargin - 3 * kButtonWidth) / 2;
    t.controls.push_back(
        {ControlKind::PushButton, zel::IDOK, "OK", kMargin, y, kButtonWidth, 14, ctl::kDefault});
    t.controls.push_back({ControlKind::PushButton, kResetToDefaults, "Reset to Defaults",
                          kMargin + kButtonWidth + gap, y, kButtonWidth, 14});
    t.controls.push_back({ControlKind::PushButton, zel::IDCANCEL, "Cancel",
                          kMargin + 2 * (kButtonWidth + gap), y, kButtonWidth, 14});
    return t;
}

// A value that must be above 0, with no upper limit.
void Positive(zel::CDataExchange& dx, double value) {
    if (dx.Saving() && !(value > 0.0)) dx.Fail(kEnterPositive);
}

const zel::SDialogTemplate& LATemplate() {
    static const zel::SDialogTemplate t = OptionTemplate(
        CLAOptionDlg::IDD, "Options for linear algebraic computations", 230,
        {{"Maximal number of QL iterations in eigensystem computation:", CLAOptionDlg::kMaxQLIterations,
          ctl::kNumber},
         {"Matrix is considered singular if pivot element is less than:", CLAOptionDlg::kPivotThreshold}});
    return t;
}

const zel::SDialogTemplate& CritTemplate() {
    static const zel::SDialogTemplate t = OptionTemplate(
        CCritOptionDlg::IDD, "Options for critical point computation", 260,
        {{"Minimal distance of critical points:", CCritOptionDlg::kMinDistance},
         {"Iteration continues if distance of consecutive points is greater than:",
          CCritOptionDlg::kStepTolerance},
         {"Iteration continues if 2-norm of gradient is greater than:", CCritOptionDlg::kGradientTolerance},
         {"Options for Newton's method", -1},
         {"Maximal number of Newton iterations:", CCritOptionDlg::kMaxIterations, ctl::kNumber},
         {"Stepsize factor for Newton iteration:", CCritOptionDlg::kStepFactor}});
    return t;
}

const zel::SDialogTemplate& DETemplate() {
    static const zel::SDialogTemplate t = OptionTemplate(
        CDEOptionsDlg::IDD, "Options for computing gradient paths", 210,
        {{"Distance of points on gradient paths (in atomic units):", CDEOptionsDlg::kPointDistance},
         {"Relative accuracy of gradient path points", CDEOptionsDlg::kRelAccuracy},
         {"Absolute accuracy of gradient path points", CDEOptionsDlg::kAbsAccuracy},
         {"Maximal pathlength to be computed:", CDEOptionsDlg::kMaxPathLength},
         {"Minimal distance to critical points", CDEOptionsDlg::kMinCritPointDistance},
         {"Maximal number of bisection iterations", CDEOptionsDlg::kMaxBisections, 0}});
    return t;
}

const zel::SDialogTemplate& IntegTemplate() {
    static const zel::SDialogTemplate t =
        OptionTemplate(CIntegOptionsDlg::IDD, "Options for Integration over atomic basin", 200,
                       {{"Relative accuracy of integration steps", CIntegOptionsDlg::kRelAccuracy},
                        {"Absolute accuracy of integration steps", CIntegOptionsDlg::kAbsAccuracy},
                        {"Options for Integration in Natural Coordinates", -1},
                        {"Default radius of sphere for radial integration", CIntegOptionsDlg::kSphereRadius},
                        {"Stop integration of paths at s =", CIntegOptionsDlg::kStopS},
                        {"Options for Integration in Radial Coordinates", -1},
                        {"Maximal number of surface intersections of a ray",
                         CIntegOptionsDlg::kMaxIntersections, ctl::kNumber},
                        {"Stop integration at distance from nucleus r =", CIntegOptionsDlg::kStopR},
                        {"Initial stepsize along ray for surface search", CIntegOptionsDlg::kRayStep}});
    return t;
}

const zel::SDialogTemplate& SurfIntTemplate() {
    static const zel::SDialogTemplate t = OptionTemplate(
        CSurfIntOptionsDlg::IDD, "Options for Integration over interatomic surface", 200,
        {{"Absolute accuracy of integration steps", CSurfIntOptionsDlg::kAbsAccuracy},
         {"Default radius of circle around bond critical point", CSurfIntOptionsDlg::kCircleRadius},
         {"Relative accuracy of integration steps", CSurfIntOptionsDlg::kRelAccuracy},
         {"Stop integration of paths at s =", CSurfIntOptionsDlg::kStopS}});
    return t;
}

ZEL_REGISTER_DIALOG_TEMPLATE(LATemplate);
ZEL_REGISTER_DIALOG_TEMPLATE(CritTemplate);
ZEL_REGISTER_DIALOG_TEMPLATE(DETemplate);
ZEL_REGISTER_DIALOG_TEMPLATE(IntegTemplate);
ZEL_REGISTER_DIALOG_TEMPLATE(SurfIntTemplate);

} // namespace

// ---- linear algebra -------------------------------------------------------

CLAOptionDlg::CLAOptionDlg(CLAOptions options, QWidget* parent)
    : CDialog(LATemplate(), parent), m_Options(options), m_nMaxQLIterations(options.MaxQLIterations.Current),
      m_dPivotThreshold(options.PivotThreshold.Current) {
    SetHelpTopic("::options-linalg.htm");
    OnCommand(kResetToDefaults, [this] { OnResetDefaults(); });
}

void CLAOptionDlg::OnResetDefaults() {
    UpdateData(true);
    m_nMaxQLIterations = m_Options.MaxQLIterations.Default;
    m_dPivotThreshold = m_Options.PivotThreshold.Default;
    UpdateData(false);
}

void CLAOptionDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kMaxQLIterations, m_nMaxQLIterations);
    dx.MinMax(m_nMaxQLIterations, 1, 999999);
    dx.Text(kPivotThreshold, m_dPivotThreshold);
    dx.MinMax(m_dPivotThreshold, 0.0, 1.0);
}

// ---- critical points ------------------------------------------------------

CCritOptionDlg::CCritOptionDlg(CCritOptions options, QWidget* parent)
    : CDialog(CritTemplate(), parent), m_Options(options), m_dMinDistance(options.MinDistance.Current),
      m_dStepTolerance(options.StepTolerance.Current),
      m_dGradientTolerance(options.GradientTolerance.Current),
      m_nMaxIterations(options.MaxIterations.Current), m_dStepFactor(options.StepFactor.Current) {
    SetHelpTopic("::options-critical.htm");
    OnCommand(kResetToDefaults, [this] { OnResetDefaults(); });
}

void CCritOptionDlg::OnResetDefaults() {
    UpdateData(true);
    m_dMinDistance = m_Options.MinDistance.Default;
    m_dStepTolerance = m_Options.StepTolerance.Default;
    m_dGradientTolerance = m_Options.GradientTolerance.Default;
    m_nMaxIterations = m_Options.MaxIterations.Default;
    m_dStepFactor = m_Options.StepFactor.Default;
    UpdateData(false);
}

void CCritOptionDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kStepTolerance, m_dStepTolerance);
    dx.MinMax(m_dStepTolerance, 0.0, 999999.0);
    dx.Text(kGradientTolerance, m_dGradientTolerance);
    dx.MinMax(m_dGradientTolerance, 0.0, 999999.0);
    dx.Text(kMinDistance, m_dMinDistance);
    dx.MinMax(m_dMinDistance, 0.0, 10.0);
    dx.Text(kMaxIterations, m_nMaxIterations);
    dx.MinMax(m_nMaxIterations, 0, 999999);
    dx.Text(kStepFactor, m_dStepFactor);
    dx.MinMax(m_dStepFactor, 0.0, 10.0);
}

// ---- gradient paths -------------------------------------------------------

CDEOptionsDlg::CDEOptionsDlg(CDEOptions options, QWidget* parent)
    : CDialog(DETemplate(), parent), m_Options(options), m_dPointDistance(options.PointDistance.Current),
      m_dAbsAccuracy(options.AbsAccuracy.Current), m_dRelAccuracy(options.RelAccuracy.Current),
      m_dMaxPathLength(options.MaxPathLength.Current),
      m_dMinCritPointDistance(options.MinCritPointDistance.Current),
      m_nMaxBisections(options.MaxBisections.Current) {
    SetHelpTopic("::options-de.htm");
    OnCommand(kResetToDefaults, [this] { OnResetDefaults(); });
}

void CDEOptionsDlg::OnResetDefaults() {
    UpdateData(true);
    m_dPointDistance = m_Options.PointDistance.Default;
    m_dAbsAccuracy = m_Options.AbsAccuracy.Default;
    m_dRelAccuracy = m_Options.RelAccuracy.Default;
    m_dMaxPathLength = m_Options.MaxPathLength.Default;
    m_dMinCritPointDistance = m_Options.MinCritPointDistance.Default;
    m_nMaxBisections = m_Options.MaxBisections.Default;
    UpdateData(false);
}

void CDEOptionsDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kAbsAccuracy, m_dAbsAccuracy);
    Positive(dx, m_dAbsAccuracy);
    dx.Text(kRelAccuracy, m_dRelAccuracy);
    Positive(dx, m_dRelAccuracy);
    dx.Text(kPointDistance, m_dPointDistance);
    Positive(dx, m_dPointDistance);
    dx.Text(kMaxPathLength, m_dMaxPathLength);
    dx.Text(kMinCritPointDistance, m_dMinCritPointDistance);
    dx.Text(kMaxBisections, m_nMaxBisections);
}

// ---- basin integration ----------------------------------------------------

CIntegOptionsDlg::CIntegOptionsDlg(CIntegOptions options, QWidget* parent)
    : CDialog(IntegTemplate(), parent), m_Options(options), m_dAbsAccuracy(options.AbsAccuracy.Current),
      m_dSphereRadius(options.SphereRadius.Current), m_dRelAccuracy(options.RelAccuracy.Current),
      m_dStopS(options.StopS.Current), m_dStopR(options.StopR.Current), m_dRayStep(options.RayStep.Current),
      m_nMaxIntersections(options.MaxIntersections.Current) {
    SetHelpTopic("::options-bio.htm");
    OnCommand(kResetToDefaults, [this] { OnResetDefaults(); });
}

void CIntegOptionsDlg::OnResetDefaults() {
    UpdateData(true);
    m_dAbsAccuracy = m_Options.AbsAccuracy.Default;
    m_dSphereRadius = m_Options.SphereRadius.Default;
    m_dRelAccuracy = m_Options.RelAccuracy.Default;
    m_dStopS = m_Options.StopS.Default;
    m_dStopR = m_Options.StopR.Default;
    m_dRayStep = m_Options.RayStep.Default;
    m_nMaxIntersections = m_Options.MaxIntersections.Default;
    UpdateData(false);
}

void CIntegOptionsDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kRelAccuracy, m_dRelAccuracy);
    dx.MinMax(m_dRelAccuracy, 0.0, 1.0);
    dx.Text(kAbsAccuracy, m_dAbsAccuracy);
    dx.MinMax(m_dAbsAccuracy, 0.0, 1.0);
    dx.Text(kSphereRadius, m_dSphereRadius);
    dx.MinMax(m_dSphereRadius, 0.0, 100.0);
    dx.Text(kStopS, m_dStopS);
    dx.MinMax(m_dStopS, 0.0, 1e11);
    dx.Text(kMaxIntersections, m_nMaxIntersections);
    dx.MinMax(m_nMaxIntersections, 1, 3);
    dx.Text(kStopR, m_dStopR);
    dx.MinMax(m_dStopR, 0.0, 100.0);
    dx.Text(kRayStep, m_dRayStep);
    dx.MinMax(m_dRayStep, 0.0, 100.0);
    // The radial integration refuses a step that cannot carry the surface
    // search out to stop r; say so here already.
    if (dx.Saving() && m_dRayStep < MinimalRayStep(m_dStopR))
        dx.Fail(zel::Sprintf(kRayStepTooSmall, m_dRayStep, m_dStopR, MinimalRayStep(m_dStopR)));
}

// ---- surface integration --------------------------------------------------

CSurfIntOptionsDlg::CSurfIntOptionsDlg(CSurfIntOptions options, QWidget* parent)
    : CDialog(SurfIntTemplate(), parent), m_Options(options), m_dAbsAccuracy(options.AbsAccuracy.Current),
      m_dCircleRadius(options.CircleRadius.Current), m_dRelAccuracy(options.RelAccuracy.Current),
      m_dStopS(options.StopS.Current) {
    SetHelpTopic("::options-sio.htm");
    OnCommand(kResetToDefaults, [this] { OnResetDefaults(); });
}

void CSurfIntOptionsDlg::OnResetDefaults() {
    UpdateData(true);
    m_dAbsAccuracy = m_Options.AbsAccuracy.Default;
    m_dCircleRadius = m_Options.CircleRadius.Default;
    m_dRelAccuracy = m_Options.RelAccuracy.Default;
    m_dStopS = m_Options.StopS.Default;
    UpdateData(false);
}

void CSurfIntOptionsDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kAbsAccuracy, m_dAbsAccuracy);
    dx.MinMax(m_dAbsAccuracy, 0.0, 1.0);
    dx.Text(kCircleRadius, m_dCircleRadius);
    dx.MinMax(m_dCircleRadius, 0.0, 10.0);
    dx.Text(kRelAccuracy, m_dRelAccuracy);
    dx.MinMax(m_dRelAccuracy, 0.0, 1.0);
    dx.Text(kStopS, m_dStopS);
    dx.MinMax(m_dStopS, 0.0, 999999999999.0);
}
