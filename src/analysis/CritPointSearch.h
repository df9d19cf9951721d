#pragma once
// Searches for critical points of the molecule's current field: Newton
// iterations from start points of four batch kinds (the nuclei, the midpoints
// of pairs and the centroids of triples of (3,-3) points, a cube grid) and from
// one given point. A converged point is classified by the signs of its Hessian
// eigenvalues, rejected when degenerate or far out, or already known, and
// otherwise appended to the molecule's list of its signature. A point whose
// Hessian has an eigenvalue that is zero to the numerics is degenerate: it is
// logged and not added.
//
// No Qt: the critical-point dialog runs these as the bodies of its jobs and
// the tests call them directly. Every search writes a log (the lines the record
// dialog shows) and reports its progress to a sink, which also says when to
// stop.

#include <string>
#include <vector>

#include "numerics/Vector.h"
#include "platform/core/TextRecord.h"

class CCritPoint;
class CMolecule;

// Where a search reports and whether it should stop. Called on the thread of
// the search, before (IsCancelled, SetStatus) and after (SetProgress) each try.
class ISearchProgress {
public:
    virtual ~ISearchProgress() = default;
    virtual bool IsCancelled() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0; // 0..100
};

// The job state of the worker: the cancel flag, the status line (cut to 119
// characters) and the progress percentage.
class CJobStateProgress : public ISearchProgress {
public:
    bool IsCancelled() override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int percent) override;
};

struct SSearchCounts {
    int Found = 0; // new critical points
    int Tries = 0; // start points tried
    int Unsuccessful() const { return Tries - Found; }
};

// "Found %d new critical points, %d unsuccessful tries."
std::string SearchSummary(const SSearchCounts& counts);

// The cube of start points: side length (bohr), start values along a side and
// the total the progress is measured against (the side count cubed).
struct SGridSpec {
    CVector Centre;
    double Side = 1.0;
    int PerSide = 2;
    int Total = 8;
};

// The side count cubed, in 64 bits and held to the int range, so that any
// count typed in gives a usable total.
int GridTotal(int perSide);

// A cube of perSide starting values per side around all the nuclei of the
// molecule: its centre the middle of their bounding box, its side the box's
// longest edge plus margin (bohr).
SGridSpec GridAroundNuclei(const CMolecule& molecule, double margin, int perSide);

// A critical point is degenerate, and its signature meaningless, when the
// smallest Hessian eigenvalue is zero to the numerics: not above this
// fraction of the largest one (all zero counts too). Such points come in
// continuous sets (a circle of points around the axis of a linear molecule,
// the flat far tail of the density) and break maxima - bonds + rings -
// cages = 1. The ratio is what tells them apart, whatever the density's
// size: on circles of points around LiF the ratio stays below 1e-5, the
// far-tail points of a 25-atom hydrogen-bonded dimer below 2e-6, while
// every genuine point of the test molecules, hydrogen-bond and ring points
// of that dimer (smallest eigenvalues near 1e-3 to 1e-2) and the isolated
// far-tail points on the LiF axis included, stays above 0.06.
inline constexpr double kDegenerateEigenvalueRatio = 1e-4;
bool IsDegenerateHessian(const CVector& eigenvalues);

class CCritPointSearch {
public:
    // fieldName: the current field's name, as the Newton lines show it. The
    // molecule, log and sink must outlive the search.
    CCritPointSearch(CMolecule& molecule, std::string fieldName, zel::CTextRecord& log,
                     ISearchProgress& progress);

    // One Newton run from start with its classification and tests; its lines
    // go to the log. 1 when a new critical point was appended, else 0.
    int TryStartPoint(CVector start);

    // The batch searches. Each empties the log, writes its heading and an
    // empty line, and tries its start points in order until done or
    // cancelled; the points found stay in the molecule either way.
    SSearchCounts SearchFromNuclei();
    SSearchCounts SearchFromMaximaPairs();
    SSearchCounts SearchFromMaximaTriples();
    SSearchCounts SearchOnGrid(const SGridSpec& grid);

private:
    // Counts the try, shows the status, tries, shows the progress.
    void Try(SSearchCounts& counts, CVector start, const std::string& status, int total);
    void Begin(const char* heading);
    std::vector<CVector> MaximaPositions() const;

    CMolecule& m_molecule;
    std::string m_strFieldName;
    zel::CTextRecord& m_log;
    ISearchProgress& m_progress;
};

// One line of the critical-point dialog's list: every atom (whatever the
// field), then the (3,-3), (3,-1), (3,+1) and (3,+3) points of the current
// field in list order. Point is null for an atom's line.
struct SPointListEntry {
    std::string Text;
    CVector Position;
    CCritPoint* Point = nullptr;
};
std::vector<SPointListEntry> PointListEntries(const CMolecule& molecule);

// Takes the point out of its molecule list and destroys it with its paths.
// False when the molecule's lists do not hold it.
bool DeleteCriticalPoint(CMolecule& molecule, const CCritPoint* point);
