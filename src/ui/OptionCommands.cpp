#include "ui/OptionCommands.h"

#include "ui/OptionDlgs.h"

namespace {

// Whatever way the dialog ended, as the document has always counted a visit of
// an option dialog as a change.
void MarkModified(CMolecule& molecule) {
    if (IMoleculeDocument* document = molecule.GetDocument()) document->SetModifiedFlag(true);
}

} // namespace

int OnLinearAlgebraOptions(CMolecule& molecule, QWidget* parent) {
    CLAOptions& options = molecule.GetLAOptions();
    CLAOptionDlg dialog(options, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) {
        options.MaxQLIterations.Current = dialog.m_nMaxQLIterations;
        options.PivotThreshold.Current = dialog.m_dPivotThreshold;
    }
    MarkModified(molecule);
    return result;
}

int OnCritPointOptions(CMolecule& molecule, QWidget* parent) {
    CCritOptions& options = molecule.GetCritOptions();
    CCritOptionDlg dialog(options, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) {
        options.MinDistance.Current = dialog.m_dMinDistance;
        options.StepTolerance.Current = dialog.m_dStepTolerance;
        options.GradientTolerance.Current = dialog.m_dGradientTolerance;
        options.MaxIterations.Current = dialog.m_nMaxIterations;
        options.StepFactor.Current = dialog.m_dStepFactor;
    }
    MarkModified(molecule);
    return result;
}

int OnGradientPathOptions(CMolecule& molecule, QWidget* parent) {
    CDEOptions& options = molecule.GetDEOptions();
    CDEOptionsDlg dialog(options, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) {
        options.PointDistance.Current = dialog.m_dPointDistance;
        options.AbsAccuracy.Current = dialog.m_dAbsAccuracy;
        options.RelAccuracy.Current = dialog.m_dRelAccuracy;
        options.MaxPathLength.Current = dialog.m_dMaxPathLength;
        options.MinCritPointDistance.Current = dialog.m_dMinCritPointDistance;
        options.MaxBisections.Current = dialog.m_nMaxBisections;
    }
    MarkModified(molecule);
    return result;
}

int OnBasinIntegrationOptions(CMolecule& molecule, QWidget* parent) {
    CIntegOptions& options = molecule.GetIntegOptions();
    CIntegOptionsDlg dialog(options, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) {
        options.SphereRadius.Current = dialog.m_dSphereRadius;
        options.StopS.Current = dialog.m_dStopS;
        options.AbsAccuracy.Current = dialog.m_dAbsAccuracy;
        options.RelAccuracy.Current = dialog.m_dRelAccuracy;
        options.RayStep.Current = dialog.m_dRayStep;
        options.StopR.Current = dialog.m_dStopR;
        options.MaxIntersections.Current = dialog.m_nMaxIntersections;
    }
    MarkModified(molecule);
    return result;
}

int OnSurfaceIntegrationOptions(CMolecule& molecule, QWidget* parent) {
    CSurfIntOptions& options = molecule.GetSurfIntOptions();
    CSurfIntOptionsDlg dialog(options, parent);
    const int result = dialog.DoModal();
    if (result == zel::IDOK) {
        options.CircleRadius.Current = dialog.m_dCircleRadius;
        options.StopS.Current = dialog.m_dStopS;
        options.AbsAccuracy.Current = dialog.m_dAbsAccuracy;
        options.RelAccuracy.Current = dialog.m_dRelAccuracy;
    }
    MarkModified(molecule);
    return result;
}
