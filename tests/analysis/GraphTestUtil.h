#pragma once
// A small molecular graph for the critical-point, path and document tests: two
// s-Gaussian nuclei, points of all four signatures and paths between them,
// with every kind of link the document has to keep.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"

namespace graphtest {

// One doubly occupied orbital made of one s Gaussian per nucleus.
inline std::string GaussiansWfn(const std::vector<CVector>& centres) {
    const int n = static_cast<int>(centres.size());
    char line[200];
    std::string text = "Gaussians\n";
    std::snprintf(line, sizeof line, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI\n", 1, n, n);
    text += line;
    for (int i = 0; i < n; ++i) {
        const std::string label = "  H    " + std::to_string(i + 1);
        std::snprintf(line, sizeof line, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f\n",
                      label.c_str(), i + 1, centres[i].x, centres[i].y, centres[i].z, 1.0);
        text += line;
    }
    text += "CENTRE ASSIGNMENTS  ";
    for (int i = 0; i < n; ++i)
        text += (i + 1 < 10 ? "  " : " ") + std::to_string(i + 1);
    text += "\nTYPE ASSIGNMENTS    ";
    for (int i = 0; i < n; ++i)
        text += "  1";
    text += "\nEXPONENTS ";
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, " %13.7E", 0.8 + 0.1 * i);
        text += line;
    }
    std::snprintf(line, sizeof line, "\nMO%3d                     OCC NO = %12.8f ORB. ENERGY = %12.8f\n", 1,
                  2.0, -0.5);
    text += line;
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "%16.8E", 0.6);
        text += line;
    }
    text += "\nEND DATA\n";
    std::snprintf(line, sizeof line, "RHF      ENERGY =%20.10f   VIRIAL(-V/T)  =%13.8f\n", -0.5, 2.0);
    text += line;
    return text;
}

inline void LoadWfn(CMolecule& molecule, const std::string& text) {
    std::istringstream in(text);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scopedPrompts(prompts);
    zel::CScriptedTitles titles;
    titles.PushAnswer("Graph test job");
    zel::ScopedTitleService scopedTitles(titles);
    ASSERT_EQ(molecule.LoadWavefunction(in), 1) << testing::PrintToString(prompts.Texts());
}

template <class Point> Point* AddPoint(CMolecule& molecule, int field, CVector position, double norm = 1e-9) {
    auto point = std::make_unique<Point>(&molecule, molecule.NextObjectNumber(), field, position, norm);
    Point* raw = point.get();
    molecule.GetList(raw->GetType())->push_back(std::move(point));
    return raw;
}

// A path from upper down to lower (either may be missing) entered in the lists
// of its ends, as the path jobs enter them. The points go from the upper end.
inline CGradPath* Connect(CMolecule& molecule, CCritPoint* upper, CCritPoint* lower, int field = 0) {
    auto* path = new CGradPath(&molecule, molecule.NextObjectNumber(), field);
    const CVector from = upper ? upper->GetPosition() : CVector(7, 7, 7);
    const CVector to = lower ? lower->GetPosition() : CVector(-7, 7, 7);
    const int n = 3 + path->GetNumber() % 3;
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / (n - 1);
        path->AddPoint(from + s * (to - from), s * (to - from).Length(), true);
    }
    path->SetTraceInfo(1e-6, 100 + path->GetNumber(), (to - from).Length());
    path->SetInMolGraph();
    if (upper) {
        path->SetUpperPoint(upper);
        upper->AddDescendingPath(path);
    }
    if (lower) {
        path->SetLowerPoint(lower);
        path->SetLowerPointNumber(lower->GetNumber());
        lower->AddAscendingPath(path);
    }
    return path;
}

struct Graph {
    CAtom* atomA = nullptr;
    CAtom* atomB = nullptr;
    CMaxPoint* maxA = nullptr;      // density maximum on A
    CMaxPoint* maxB = nullptr;      // density maximum on B
    CMaxPoint* lapA = nullptr;      // field-1 maximum beside A: names A, not A's maximum
    CMaxPoint* nearB = nullptr;     // later density maximum beside B, farther than maxB
    CMaxPoint* farMax = nullptr;    // non-nuclear maximum: no atom
    CBondPoint* bondAB = nullptr;   // bond paths to both maxima
    CBondPoint* bondOpen = nullptr; // one bond path that reached no maximum
    CRingPoint* ring = nullptr;
    CCagePoint* cage = nullptr;
    CGradPath* openPath = nullptr; // bondOpen's path without upper end
    std::vector<CGradPath*> paths; // all, in the order made
};

// Paths are made in the order in which loading visits their upper ends, so
// that every list has the same order after a save and a load.
inline Graph BuildGraph(CMolecule& molecule) {
    LoadWfn(molecule, GaussiansWfn({CVector(0, 0, 0), CVector(0, 0, 2.5)}));
    Graph g;
    auto atom = molecule.GetAtomList().begin();
    g.atomA = atom->get();
    g.atomB = (++atom)->get();

    g.maxA = AddPoint<CMaxPoint>(molecule, 0, g.atomA->GetPosition(), 2e-10);
    g.maxB = AddPoint<CMaxPoint>(molecule, 0, g.atomB->GetPosition(), 3e-10);
    g.lapA = AddPoint<CMaxPoint>(molecule, 1, CVector(0.01, 0, 0.02));
    g.nearB = AddPoint<CMaxPoint>(molecule, 0, CVector(0, 0.05, 2.5));
    g.farMax = AddPoint<CMaxPoint>(molecule, 0, CVector(4, 4, 4));
    g.bondAB = AddPoint<CBondPoint>(molecule, 0, CVector(0, 0, 1.25), 4e-9);
    g.bondOpen = AddPoint<CBondPoint>(molecule, 0, CVector(1.5, 0, 1.25));
    g.ring = AddPoint<CRingPoint>(molecule, 0, CVector(1, 1, 1.25));
    g.cage = AddPoint<CCagePoint>(molecule, 2, CVector(2, 2, 2));

    g.openPath = Connect(molecule, nullptr, g.bondOpen); // 0: reached no maximum
    g.paths = {
        g.openPath,
        Connect(molecule, g.maxA, g.bondAB),   // 1
        Connect(molecule, g.maxA, g.bondOpen), // 2
        Connect(molecule, g.maxB, g.bondAB),   // 3
        Connect(molecule, g.lapA, nullptr, 1), // 4
        Connect(molecule, g.bondAB, g.ring),   // 5: ring path
        Connect(molecule, g.ring, g.cage),     // 6
        Connect(molecule, g.ring, nullptr),    // 7: ring-cage path that reached no cage
    };

    CSurfaceRecord& s = g.bondAB->m_Surface;
    s.CircleRadius = 0.001;
    s.StopS = 1e6;
    s.Reserved = 0.0;
    s.PhiFrom = 10;
    s.PhiTo = 350;
    s.SymmetryFactor = 2;
    s.CPUTime = 1.25;
    s.AbsAccuracy = 1e-5;
    s.RelAccuracy = 2e-5;
    s.Evaluations = 123456;
    for (std::size_t i = 0; i < s.Results.size(); ++i)
        s.Results[i] = 0.5 * static_cast<double>(i) - 3.0;
    g.bondOpen->m_Surface.Results[24] = 42.0; // kept though radius 0

    g.atomA->m_ResultsA.Method = 0.5;
    g.atomA->m_ResultsA.Evaluations = 99;
    g.atomA->m_ResultsB.Method = 0.5;
    g.atomA->m_ResultsB.CPUTime = 3.5;
    g.atomA->m_ResultsA.Results[0] = 1.0 / 3.0;
    g.atomB->m_ResultsA.Method = -1;
    g.atomB->m_ResultsB.Results.back() = -7.25;

    molecule.NextObjectNumber(); // a gap, as a failed trace leaves
    molecule.GetDEOptions().PointDistance.Current = 0.03;
    molecule.GetIntegOptions().MaxIntersections.Current = 2;
    molecule.SetBasinPropertySelected(30, 0);
    molecule.SetSurfacePropertySelected(24, 0);
    return g;
}

inline std::string Number(const CCritPoint* point) {
    return point ? std::to_string(point->GetNumber()) : "-";
}

// Everything the document keeps of the graph, links spelled out by number.
inline std::string Describe(const CMolecule& molecule) {
    std::ostringstream out;
    out.precision(17);
    out << "counter " << molecule.GetLastObjectNumber() << " title " << molecule.GetJobTitle() << "\n";
    for (const auto& atom : molecule.GetAtomList()) {
        out << "atom " << atom->GetNumber() << " " << atom->GetLabel() << " max "
            << Number(atom->GetMaxPoint()) << " molecule " << (atom->GetMolecule() == &molecule) << "\n";
    }
    for (int type : {-3, -1, 1, 3}) {
        for (const auto& point : *molecule.GetList(type)) {
            const CVector p = point->GetPosition();
            out << "point " << point->GetNumber() << " type " << point->GetType() << " field "
                << point->GetFieldIndex() << " at " << p.x << " " << p.y << " " << p.z << " norm "
                << point->GetGradientNorm() << " molecule " << (point->GetMolecule() == &molecule);
            if (const auto* maximum = dynamic_cast<const CMaxPoint*>(point.get())) {
                out << " atom " << maximum->GetAtomNumber() << " linked "
                    << (maximum->GetAtom() ? maximum->GetAtom()->GetNumber() : 0);
            }
            if (const auto* bond = dynamic_cast<const CBondPoint*>(point.get())) {
                const CSurfaceRecord& s = bond->m_Surface;
                out << " surface " << s.CircleRadius << " " << s.StopS << " " << s.Reserved << " "
                    << s.PhiFrom << " " << s.PhiTo << " " << s.SymmetryFactor << " " << s.CPUTime << " "
                    << s.AbsAccuracy << " " << s.RelAccuracy << " " << s.Evaluations << " results";
                for (double r : s.Results)
                    out << " " << r;
            }
            out << "\n";
            for (bool ascending : {false, true}) {
                for (const CGradPath* path : point->GetPathList(ascending)) {
                    out << (ascending ? "  up " : "  down ") << path->GetNumber() << " upper "
                        << Number(path->GetEndPoint()) << " lower " << Number(path->GetLowerPoint()) << " ("
                        << path->GetLowerPointNumber() << ") field " << path->GetFieldIndex() << " graph "
                        << path->IsInMolGraph() << " length " << path->GetLength() << " accuracy "
                        << path->GetAccuracy() << " evaluations " << path->GetEvaluations() << " molecule "
                        << (path->GetMolecule() == &molecule) << " points";
                    for (std::size_t i = 0; i < path->GetPointList().size(); ++i) {
                        const CVector q = path->GetPointList()[i];
                        out << " (" << q.x << "," << q.y << "," << q.z << ";" << path->GetParameterList()[i]
                            << ")";
                    }
                    out << "\n";
                }
            }
        }
    }
    return out.str();
}

// The link invariants: each path in exactly the lists of its ends, each
// atom's maximum a field-0 maximum linked back to it.
inline void ExpectConsistentLinks(const CMolecule& molecule) {
    std::set<const CCritPoint*> points;
    for (int type : {-3, -1, 1, 3}) {
        for (const auto& point : *molecule.GetList(type)) {
            EXPECT_EQ(point->GetType(), type);
            points.insert(point.get());
        }
    }
    const auto count = [](const CPathList& list, const CGradPath* path) {
        return std::count(list.begin(), list.end(), path);
    };
    for (const CCritPoint* point : points) {
        for (const CGradPath* path : point->GetPathList(false)) {
            EXPECT_EQ(path->GetEndPoint(), point);
            if (path->GetLowerPoint()) {
                EXPECT_TRUE(points.count(path->GetLowerPoint()));
                EXPECT_EQ(count(path->GetLowerPoint()->GetPathList(true), path), 1);
            }
        }
        for (const CGradPath* path : point->GetPathList(true)) {
            EXPECT_EQ(path->GetLowerPoint(), point);
            if (path->GetEndPoint()) {
                EXPECT_TRUE(points.count(path->GetEndPoint()));
                EXPECT_EQ(count(path->GetEndPoint()->GetPathList(false), path), 1);
            }
        }
    }
    for (const auto& atom : molecule.GetAtomList()) {
        if (const CMaxPoint* maximum = atom->GetMaxPoint()) {
            EXPECT_TRUE(points.count(maximum));
            EXPECT_EQ(maximum->GetAtom(), atom.get());
            EXPECT_EQ(maximum->GetFieldIndex(), 0);
        }
    }
}

inline void ExpectEmpty(const CMolecule& molecule) {
    EXPECT_TRUE(molecule.IsEmpty());
    EXPECT_FALSE(molecule.GetWavefunction()->IsLoaded());
    for (int type : {-3, -1, 1, 3})
        EXPECT_TRUE(molecule.GetList(type)->empty()) << type;
    EXPECT_EQ(molecule.GetJobTitle(), CMolecule::kNoMolecule);
    EXPECT_EQ(molecule.GetPropertyCount(), 0);
}

} // namespace graphtest
