#pragma once
// Property analysis (dialog 131): evaluates the molecule's current field at one
// point with value, gradient and Hessian, shows the Hessian's eigen-system and
// the five field values there, and hands the analysed point to the record view.

#include "analysis/Molecule.h"
#include "platform/qt/Dialog.h"

#include <string>

class CPopDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 131 };
    static constexpr int kCalculate = 1002;
    static constexpr int kWriteToRecordView = 1361;
    static constexpr int kPointX = 1005;
    static constexpr int kPointY = 1004;
    static constexpr int kPointZ = 1003;
    static constexpr int kValue = 1006;
    static constexpr int kFieldName = 1060;
    static constexpr int kRho = 1019;
    static constexpr int kLaplacian = 1029;
    static constexpr int kKEG = 1032;
    static constexpr int kKEK = 1033;
    static constexpr int kVirial = 1038;
    // Gradient x, y, z.
    static constexpr int kGradient[3] = {1007, 1008, 1009};
    // Hessian grid, row by row, left to right.
    static constexpr int kHessian[3][3] = {{1010, 1012, 1011}, {1013, 1015, 1014}, {1016, 1018, 1017}};
    // Eigenvalues 1, 2, 3 (ascending).
    static constexpr int kEigenvalue[3] = {1035, 1037, 1036};
    // Eigenvector grid: row r holds component r (x, y, z) of eigenvectors 1, 2, 3.
    static constexpr int kEigenvector[3][3] = {{1020, 1022, 1021}, {1023, 1025, 1024}, {1026, 1028, 1027}};

    // The molecule is not owned; point in bohr.
    CPopDlg(CMolecule* molecule, CVector point, QWidget* parent = nullptr);

    // "&Calculate": reads the fields (a refused one stops it), evaluates the
    // current field at level 3 at the point as read and shows the results; a
    // failed evaluation leaves every field as it was. A successful one becomes
    // the molecule's analysed point (CMolecule::TakePointSnapshot).
    void OnCalculate();
    // "&Write Data to Record View": the registered record view shows the point
    // record of the analysed point; nothing is evaluated again.
    void OnWriteToRecordView();

    double m_dX = 0.0, m_dY = 0.0, m_dZ = 0.0;
    double m_dValue = 0.0;
    double m_dGradient[3] = {};
    double m_dHessian[3][3] = {};
    double m_dEigenvalue[3] = {};
    double m_dEigenvector[3][3] = {}; // [component][eigenvector]
    double m_dRho = 0.0, m_dLaplacian = 0.0, m_dKEG = 0.0, m_dKEK = 0.0, m_dVirial = 0.0;
    std::string m_strFieldName;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    CMolecule* m_pMolecule;
};

// Calculation > Properties of Density Functions: the analysis at the current
// atom's nucleus, or at the origin without a current atom. The document updates
// its views afterwards.
void OnCalcProperties(CMolecule& molecule, QWidget* parent = nullptr);
