#include "integration/CritPointCheck.h"

#include <utility>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"

namespace {

// Whether a bond point has its two bond paths of the density up to maxima.
bool HasBondPaths(const CCritPoint& bond) {
    int paths = 0;
    for (const CGradPath* path : bond.GetPathList(true)) {
        const CCritPoint* end = path->GetEndPoint();
        if (path->GetFieldIndex() == 0 && end && end->GetType() == -3) ++paths;
    }
    return paths >= 2;
}

} // namespace

SCritPointCount CountDensityCritPoints(const CMolecule& molecule) {
    SCritPointCount count;
    for (const auto& [type, number] : {std::pair{-3, &count.Maxima}, std::pair{-1, &count.Bonds},
                                       std::pair{1, &count.Rings}, std::pair{3, &count.Cages}})
        for (const auto& point : *molecule.GetList(type))
            if (point->GetFieldIndex() == 0) ++*number;
    return count;
}

std::string CheckCritPointsForBasin(CAtom& atom) {
    const CMolecule* molecule = atom.GetMolecule();
    if (!molecule) return {};
    atom.CollectBondedPoints();
    const SCritPointCount count = CountDensityCritPoints(*molecule);
    int withoutPaths = 0;
    for (const auto& point : *molecule->GetList(-1))
        if (point->GetFieldIndex() == 0 && !HasBondPaths(*point)) ++withoutPaths;

    std::vector<std::string> findings;
    bool search = false;
    if (count.Sum() != 1) {
        findings.push_back(
            zel::Sprintf("The critical points of the electron density are incomplete: %d "
                         "maxima, %d bond, %d ring and %d cage points give n - b + r - c = %d, "
                         "where a molecule has 1.",
                         count.Maxima, count.Bonds, count.Rings, count.Cages, count.Sum()));
        search = true;
    }
    if (withoutPaths > 0)
        findings.push_back(withoutPaths == 1
                               ? std::string("1 (3,-1) critical point has no bond paths.")
                               : zel::Sprintf("%d (3,-1) critical points have no bond paths.", withoutPaths));
    if (atom.GetBondedPoints().empty() && count.Maxima > 1) {
        findings.push_back(atom.GetLabel() + " is bonded to no (3,-1) critical point.");
        if (withoutPaths == 0) search = true;
    }
    if (findings.empty()) return {};

    std::string text;
    for (const std::string& finding : findings)
        text += (text.empty() ? "" : " ") + finding;
    text += "\n\n";
    if (search)
        text +=
            "Search the missing critical points (Calculation > Critical points: iterate with grid points as "
            "starting values), then trace the paths uphill from the (3,-1) critical points (Calculation > "
            "Molecular graph).";
    else
        text += "Trace the paths uphill from the (3,-1) critical points (Calculation > Molecular graph).";
    text += "\n\nIntegrated with this set, the basin may come out wrong. Integrate all the same?";
    return text;
}
