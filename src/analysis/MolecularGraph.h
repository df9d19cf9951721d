#pragma once
// The molecular graph of the current field: bond paths up from the (3,-1)
// points, ring-cage paths down from the (3,+1) points and ring-bond paths in
// the ring planes (RingPaths.h). No Qt: the molecular-graph dialog runs these as
// its job bodies; each writes the records of the paths it visits to a log and
// reports progress and status through the sink.

#include <string>
#include <vector>

#include "analysis/CritPointSearch.h"
#include "platform/core/TextRecord.h"

class CGradPath;
class CMolecule;

// Probe paths traced by the running ring-bond job, failed ones included.
extern int g_nRingPathCount;

struct SPathCounts {
    int Trials = 0; // two per point tried
    int Traced = 0; // paths that reached a critical point
    int Failed() const { return Trials - Traced; }
};

// "Calculated %d Paths, %d trials failed"
std::string PathSummary(const SPathCounts& counts);

struct SRingBondCounts {
    int Found = 0;  // ring-bond paths handed to the graph
    int Probes = 0; // g_nRingPathCount at the end
};

// The message of the ring-bond job: the counts, or that no probe was traced.
std::string RingBondSummary(const SRingBondCounts& counts);

// The jobs. A path that ends at no critical point stays with its start point
// but counts as a failed trial.
SPathCounts CalcBondPaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress);
SPathCounts CalcRingCagePaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress);
SRingBondCounts CalcRingBondPaths(CMolecule& molecule, zel::CTextRecord& log, ISearchProgress& progress);

// One line of the path list and the path it stands for, in list order: bond
// paths, ring-cage paths, then the molecular-graph paths coming down to the
// (3,+1) points; current field only.
struct SMolGraphEntry {
    std::string Text;
    CGradPath* Path = nullptr;
};
std::vector<SMolGraphEntry> MolGraphEntries(const CMolecule& molecule);
