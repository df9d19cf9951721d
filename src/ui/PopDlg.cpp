#include "ui/PopDlg.h"

#include "platform/core/Prompt.h"

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

// Every field but the field name holds a real number.
constexpr unsigned kResult = ctl::kReadOnly | ctl::kRight | ctl::kAutoHScroll | ctl::kReal;

// Columns of the three-wide rows, in dialog units; wide enough for any
// number's 15 digits.
constexpr int kLabelX = 7, kLabelWidth = 110;
constexpr int kColumnX[3] = {122, 222, 322};
constexpr int kFieldWidth = 96, kFieldHeight = 12;

const zel::SDialogTemplate& PopTemplate() {
    static const zel::SDialogTemplate dialog = [] {
        zel::SDialogTemplate t{CPopDlg::IDD, "Property Analysis", 0, 0, "MS Sans Serif", 8, {}};
        auto& c = t.controls;
        auto label = [&](const char* text, int y) {
            c.push_back({ControlKind::Static, -1, text, kLabelX, y + 2, kLabelWidth, 8, ctl::kRight});
        };
        auto row = [&](const int(&ids)[3], int y, unsigned style) {
            for (int k = 0; k < 3; ++k)
                c.push_back(
                    {ControlKind::Edit, ids[k], "", kColumnX[k], y, kFieldWidth, kFieldHeight, style});
        };

        label("Property function to analyse:", 7);
        c.push_back({ControlKind::Edit, CPopDlg::kFieldName, "", kColumnX[0], 7, 2 * kFieldWidth + 4,
                     kFieldHeight, ctl::kReadOnly | ctl::kCentre | ctl::kAutoHScroll});

        label("Coordinates of point (x, y, z):", 26);
        const int point[3] = {CPopDlg::kPointX, CPopDlg::kPointY, CPopDlg::kPointZ};
        row(point, 26, ctl::kAutoHScroll | ctl::kReal);
        c.push_back({ControlKind::PushButton, CPopDlg::kCalculate, "&Calculate", kColumnX[0], 42, 70, 14});

        label("Density value:", 64);
        c.push_back(
            {ControlKind::Edit, CPopDlg::kValue, "", kColumnX[0], 64, kFieldWidth, kFieldHeight, kResult});
        label("Gradient:", 80);
        row(CPopDlg::kGradient, 80, kResult);

        label("Hessian:", 100);
        for (int r = 0; r < 3; ++r)
            row(CPopDlg::kHessian[r], 100 + 14 * r, kResult);

        label("Eigenvalues of Hessian:", 148);
        row(CPopDlg::kEigenvalue, 148, kResult);
        label("Eigenvectors of Hessian:", 166);
        for (int r = 0; r < 3; ++r)
            row(CPopDlg::kEigenvector[r], 166 + 14 * r, kResult);

        const struct {
            const char* text;
            int id;
        } fields[] = {
            {"Rho, Charge Density:", CPopDlg::kRho},
            {"L, Laplacian of Rho:", CPopDlg::kLaplacian},
            {"KEG, Lagrangian Kinetic Energy:", CPopDlg::kKEG},
            {"KEK, Hamiltonian Kinetic Energy:", CPopDlg::kKEK},
            {"VIR, Virial Field Function:", CPopDlg::kVirial},
        };
        int y = 214;
        for (const auto& f : fields) {
            label(f.text, y);
            c.push_back({ControlKind::Edit, f.id, "", kColumnX[0], y, kFieldWidth, kFieldHeight, kResult});
            y += 14;
        }

        c.push_back({ControlKind::PushButton, CPopDlg::kWriteToRecordView, "&Write Data to Record View",
                     kColumnX[0], y + 8, 110, 14});
        c.push_back({ControlKind::PushButton, zel::IDOK, "OK", kColumnX[2] + kFieldWidth - 50, y + 8, 50, 14,
                     ctl::kDefault});
        return t;
    }();
    return dialog;
}

ZEL_REGISTER_DIALOG_TEMPLATE(PopTemplate);

} // namespace

CPopDlg::CPopDlg(CMolecule* molecule, CVector point, QWidget* parent)
    : CDialog(PopTemplate(), parent), m_dX(point.x), m_dY(point.y), m_dZ(point.z), m_pMolecule(molecule) {
    SetHelpTopic("::properties_of_density_functions.htm");
    OnCommand(kCalculate, [this] { OnCalculate(); });
    OnCommand(kWriteToRecordView, [this] { OnWriteToRecordView(); });
}

void CPopDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kPointX, m_dX);
    dx.Text(kPointY, m_dY);
    dx.Text(kPointZ, m_dZ);
    for (int k = 0; k < 3; ++k)
        dx.Text(kGradient[k], m_dGradient[k]);
    // Row by row, the diagonal entry first as the controls are numbered.
    dx.Text(kHessian[0][0], m_dHessian[0][0]);
    dx.Text(kHessian[0][1], m_dHessian[0][1]);
    dx.Text(kHessian[0][2], m_dHessian[0][2]);
    dx.Text(kHessian[1][1], m_dHessian[1][1]);
    dx.Text(kHessian[1][0], m_dHessian[1][0]);
    dx.Text(kHessian[1][2], m_dHessian[1][2]);
    for (int k = 0; k < 3; ++k)
        dx.Text(kHessian[2][k], m_dHessian[2][k]);
    for (int k = 0; k < 3; ++k)
        dx.Text(kEigenvalue[k], m_dEigenvalue[k]);
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            dx.Text(kEigenvector[r][k], m_dEigenvector[r][k]);
    dx.Text(kFieldName, m_strFieldName);
    dx.Text(kValue, m_dValue);
    dx.Text(kLaplacian, m_dLaplacian);
    dx.Text(kKEG, m_dKEG);
    dx.Text(kKEK, m_dKEK);
    dx.Text(kRho, m_dRho);
    dx.Text(kVirial, m_dVirial);
}

bool CPopDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_strFieldName = m_pMolecule->GetPropertyName(-1);
    UpdateData(false);
    OnCalculate();
    return true;
}

void CPopDlg::OnCalculate() {
    if (!UpdateData(true)) return; // a refused field stops it
    if (!m_pMolecule->Evaluate(CVector(m_dX, m_dY, m_dZ), 3)) {
        zel::ShowMessageBox("Calculation not successful");
        return;
    }
    m_pMolecule->TakePointSnapshot();

    m_dValue = m_pMolecule->GetLastValue();
    const CVector gradient = m_pMolecule->GetGradient();
    m_dGradient[0] = gradient.x;
    m_dGradient[1] = gradient.y;
    m_dGradient[2] = gradient.z;
    const CTensor hessian = m_pMolecule->GetHessianEigen();
    const double grid[3][3] = {{hessian.xx, hessian.xy, hessian.xz},
                               {hessian.xy, hessian.yy, hessian.yz},
                               {hessian.xz, hessian.yz, hessian.zz}};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            m_dHessian[r][k] = grid[r][k];
    if (hessian.HasEigenData()) {
        const CVector& values = *hessian.GetEigenvalues();
        const CMatrix& vectors = *hessian.GetEigenvectors();
        m_dEigenvalue[0] = values.x;
        m_dEigenvalue[1] = values.y;
        m_dEigenvalue[2] = values.z;
        for (int k = 0; k < 3; ++k) {
            const CVector& v = vectors.Column(k);
            m_dEigenvector[0][k] = v.x;
            m_dEigenvector[1][k] = v.y;
            m_dEigenvector[2][k] = v.z;
        }
    } else {
        zel::ShowMessageBox("Eigensystem calculation not successful");
    }
    if (const double* values = m_pMolecule->GetValues()) {
        m_dRho = values[0];
        m_dLaplacian = values[1];
        m_dKEG = values[2];
        m_dKEK = values[3];
        m_dVirial = values[4];
    }
    UpdateData(false);
}

void CPopDlg::OnWriteToRecordView() {
    if (IRecordView* view = m_pMolecule->GetRecordView()) view->RecordPoint();
}

void OnCalcProperties(CMolecule& molecule, QWidget* parent) {
    const CAtom* atom = molecule.GetCurrentAtom();
    const CVector point = atom ? atom->GetPosition() : CVector(0.0, 0.0, 0.0);
    CPopDlg dialog(&molecule, point, parent);
    dialog.DoModal();
}
