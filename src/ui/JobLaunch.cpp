#include "ui/JobLaunch.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"

void RunJobAndShowLog(CMolecule& molecule, const char* title, void* jobObject, int jobType,
                      const zel::CTextRecord& log) {
    {
        const CMolecule::CJobScope running(molecule);
        CComputeDlg::Launch(title, jobObject, jobType);
    }
    CRecordDlg record(&log);
    record.DoModal();
}
