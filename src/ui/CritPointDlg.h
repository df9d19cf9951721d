#pragma once
// Dialog 135 "Calculation of Critical Points": Newton searches for critical
// points of the molecule's current field from the nuclei, from pairs and
// triples of (3,-3) points and on a cube grid (jobs 1, 2, 3 and 10 behind the
// progress dialog), or from one start point on the user-interface thread; it
// lists the nuclei and the current field's critical points, averages picked
// lines into the start point and deletes picked points. Each search's log is
// shown in the record dialog afterwards.
//
// The job bodies run on the worker while the launcher holds the molecule's
// CJobScope; they refill the list on the user-interface thread and show their
// summary through the prompt service before the progress dialog closes.

#include "analysis/CritPointSearch.h"
#include "numerics/Vector.h"
#include "platform/core/TextRecord.h"
#include "platform/qt/Dialog.h"

#include <functional>
#include <string>
#include <vector>

class CMolecule;

class CCritPointDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 135 };
    static constexpr int kFieldName = 1020;
    static constexpr int kPointList = 1021;
    static constexpr int kNuclearPositions = 1022;
    static constexpr int kMaximaPairs = 1023;
    static constexpr int kMaximaTriples = 1024;
    static constexpr int kStartX = 1025;
    static constexpr int kStartY = 1026;
    static constexpr int kStartZ = 1027;
    static constexpr int kGridSearch = 1028;
    static constexpr int kIterateStartPoint = 1037;
    static constexpr int kAnalyseStartPoint = 1038;
    static constexpr int kDeleteSelected = 1039;
    static constexpr int kOptions = 1040;
    static constexpr int kCubeSize = 1204;
    static constexpr int kPointsPerSide = 1205;
    static constexpr int kTotalPoints = 1206;

    CCritPointDlg(CMolecule* molecule, QWidget* parent = nullptr);

    // Bodies of jobs 1, 2, 3 and 10, run on the worker with this dialog as
    // the job object (RegisterCritPointJobs).
    void SearchFromNuclei();
    void SearchFromMaximaPairs();
    void SearchFromMaximaTriples();
    void SearchOnGrid();

    // One Newton run with classification; its lines go to the search log.
    // 1 when a new point was appended to the molecule.
    int TryStartPoint(std::string fieldName, CVector start);

    // Refills the list box (nuclei, then the current field's points), keeping
    // the top line in view.
    void FillPointList();

    const zel::CTextRecord& GetSearchLog() const { return m_SearchLog; }

    // Members of the data exchange.
    CVector m_StartPoint;       // bohr
    std::string m_strFieldName; // the current field's name, shown read-only
    double m_dCubeSize = 1.0;   // bohr, 0.1 to 12
    int m_nPointsPerSide = 2;   // 2 to 200
    int m_nTotalPoints = 8;     // shown read-only

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    void OnNuclearPositions();
    void OnMaximaPairs();
    void OnMaximaTriples();
    void OnGridSearch();
    void OnIterateStartPoint();
    void OnAnalyseStartPoint();
    void OnSelchangePointList();
    void OnDeleteSelected();
    void OnOptions();
    void OnChangePointsPerSide();

    // Runs the job behind the progress dialog with the molecule marked busy,
    // then shows the log; the fields have been read and checked.
    void RunSearchJob(const char* title, int jobType);
    // The job body: the search, the list refill and the summary.
    void RunBatch(const std::function<SSearchCounts(CCritPointSearch&)>& search);
    std::vector<int> SelectedLines() const;

    CMolecule* m_pMolecule; // not owned
    zel::CTextRecord m_SearchLog;
};

// Puts the four search bodies into the job table; the application calls it at
// start-up.
void RegisterCritPointJobs();

// Calculation > Critical points: runs the dialog on the molecule, then the
// record view rebuilds its record and the document is marked modified,
// however the dialog ended.
void OnCalcCriticalPoints(CMolecule& molecule);
