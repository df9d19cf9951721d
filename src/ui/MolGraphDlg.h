#pragma once
// Dialog 141 "Calculation of paths connecting critical points": the bond
// paths, ring-cage paths and ring-bond paths of the molecule's current field
// (jobs 4, 5 and 6 behind the progress dialog), the list of molecular-graph
// paths, and describing and deleting selected paths. Each job's records are
// shown in the record dialog afterwards.
//
// The job bodies run on the worker while the launcher holds the molecule's
// CJobScope; they show their summary through the prompt service and refill
// the list on the user-interface thread before the progress dialog closes.

#include "platform/core/TextRecord.h"
#include "platform/qt/Dialog.h"

#include <string>
#include <vector>

class CMolecule;

class CMolGraphDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 141 };
    static constexpr int kFieldName = 1020;
    static constexpr int kBondPaths = 1033;
    static constexpr int kRingBondPaths = 1034;
    static constexpr int kRingCagePaths = 1035;
    static constexpr int kOptions = 1040;
    static constexpr int kDeleteSelected = 1053;
    static constexpr int kPathList = 1054;
    static constexpr int kDescribeSelected = 1055;
    static constexpr int kLongDescription = 1056;

    explicit CMolGraphDlg(CMolecule* molecule, QWidget* parent = nullptr);

    // Bodies of jobs 4, 5 and 6, run on the worker with this dialog as the
    // job object (RegisterMolGraphJobs).
    void ComputeBondPaths();
    void ComputeRingCagePaths();
    void ComputeRingBondPaths();

    // Rebuilds the path list, keeping the top line in view.
    void FillPathList();

    const zel::CTextRecord& GetRecordLines() const { return m_RecordLines; }

    int m_bLongDescription = 0;
    std::string m_strFieldName;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void OnBondPaths();
    void OnRingCagePaths();
    void OnRingBondPaths();
    void OnDeleteSelectedPaths();
    void OnDescribeSelectedPaths();
    void OnOptions();

    void RunPathJob(const char* title, int jobType);
    std::vector<int> SelectedLines() const;

    CMolecule* m_pMolecule; // not owned
    zel::CTextRecord m_RecordLines;
};

// Puts the three path bodies into the job table; the application calls it at
// start-up.
void RegisterMolGraphJobs();

// Calculation > Molecular graph: runs the dialog on the molecule and marks the
// document modified however it ended.
void OnCalcMolecularGraph(CMolecule& molecule, QWidget* parent = nullptr);
