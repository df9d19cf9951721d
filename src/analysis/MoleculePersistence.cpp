// The molecule's part of the *.zlm document and the linking after loading.

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "platform/core/Format.h"

namespace {

using Cause = zel::CArchiveException::Cause;

constexpr int kSignatures[] = {-3, -1, 1, 3};
constexpr const char* kNoMemoryToLoad = "Not enough memory to load file";
constexpr const char* kBadNumber = "Invalid object number in file.";
constexpr const char* kPlotNotFinite =
    "Could not save the document: a number in the plot \"%s\" is not finite.";
constexpr const char* kBadLinearAlgebraOptions =
    "Invalid linear algebra options in file: the number of QL iterations must lie between 1 and 999999.";
constexpr const char* kBadPathOptions =
    "Invalid gradient path options in file: the point distance and the accuracies must be positive.";

template <class Point> void ReadPoints(zel::CArchive& ar, CMolecule::CCritPointList& list) {
    for (std::unique_ptr<Point>& point : ar.ReadObjectList<Point>())
        list.push_back(std::move(point));
}

} // namespace

void CMolecule::Serialize(zel::CArchive& ar) {
    m_strMessage.clear();
    if (ar.IsStoring()) {
        try {
            m_Wavefunction.Serialize(ar);
            ar.WriteObjectList(m_AtomList);
            for (int type : kSignatures)
                ar.WriteObjectList(*GetList(type));
            // As WriteObjectList does, but a plot that cannot be stored is
            // named: its title tells the user which one to mend or delete.
            ar.WriteCount(m_PlotList.size());
            for (const auto& plot : m_PlotList) {
                try {
                    ar.WriteObject(plot.get());
                } catch (const zel::CArchiveException& e) {
                    if (e.GetCause() != zel::CArchiveException::Cause::BadValue) throw;
                    throw zel::CArchiveException(
                        e.GetCause(), zel::Sprintf(kPlotNotFinite, plot->GetTitle()->GetText().c_str()));
                }
            }
            ar << m_nLastNumber << m_strJobTitle;
            SerializeOptionBlock(ar, m_LAOptions, m_CritOptions, m_DEOptions, m_IntegOptions,
                                 m_SurfIntOptions);
            // An envelope without points (none is kept) is not worth a flag.
            const bool envelope = m_pEnvelop && m_pEnvelop->GetGrid();
            ar << (envelope ? 1 : 0);
            for (int flag : m_bBasinSel)
                ar << flag;
            for (int flag : m_bSurfSel)
                ar << flag;
            if (envelope) m_pEnvelop->Serialize(ar);
        } catch (const zel::CArchiveException& e) {
            m_strMessage = e.what();
        }
        return;
    }

    try {
        Load(ar);
    } catch (const zel::CArchiveException& e) {
        // Nothing half-read or half-linked survives a refused document.
        Clear(false);
        m_strMessage = e.what();
    } catch (const std::bad_alloc&) {
        Clear(false);
        m_strMessage = kNoMemoryToLoad;
    }
}

void CMolecule::Load(zel::CArchive& ar) {
    // Whatever the model held would otherwise be linked with the loaded objects.
    Clear(false);

    m_Wavefunction.Serialize(ar);
    for (std::unique_ptr<CAtom>& atom : ar.ReadObjectList<CAtom>())
        m_AtomList.push_back(std::move(atom));
    ReadPoints<CMaxPoint>(ar, m_MaxPointList);
    ReadPoints<CBondPoint>(ar, m_BondPointList);
    ReadPoints<CRingPoint>(ar, m_RingPointList);
    ReadPoints<CCagePoint>(ar, m_CagePointList);
    for (std::unique_ptr<CPlot>& plot : ar.ReadObjectList<CPlot>())
        m_PlotList.push_back(std::move(plot));
    ar >> m_nLastNumber >> m_strJobTitle;
    SerializeOptionBlock(ar, m_LAOptions, m_CritOptions, m_DEOptions, m_IntegOptions, m_SurfIntOptions);
    // The eigensystems of the records iterate up to this many times per
    // eigenvalue (the option dialog's range): a tensor that does not converge
    // would otherwise hold the record view for minutes.
    if (m_LAOptions.MaxQLIterations.Current < 1 || m_LAOptions.MaxQLIterations.Current > 999999)
        throw zel::CArchiveException(Cause::BadCount, kBadLinearAlgebraOptions);
    // The path tracers step by the point distance and hand the accuracies to the
    // solver: zero, negative or non-finite values would never end a path.
    const auto positive = [](double value) { return std::isfinite(value) && value > 0.0; };
    if (!positive(m_DEOptions.PointDistance) || !positive(m_DEOptions.AbsAccuracy) ||
        !positive(m_DEOptions.RelAccuracy))
        throw zel::CArchiveException(Cause::BadCount, kBadPathOptions);
    int envelope = 0;
    ar >> envelope;
    for (int& flag : m_bBasinSel)
        ar >> flag;
    for (int& flag : m_bSurfSel)
        ar >> flag;
    if (envelope != 0 && envelope != 1)
        throw zel::CArchiveException(Cause::BadIndex, "Invalid envelope flag in file.");
    if (envelope == 1) {
        // Attached only once it is complete: a refused grid leaves no envelope.
        auto grid = std::make_unique<CEnvelop>(this);
        grid->Serialize(ar);
        m_pEnvelop = std::move(grid);
    }

    CheckLoaded();
    const int propertyCount = BasinPropertyCount(m_Wavefunction);
    if (propertyCount > 0) {
        m_pValues.assign(static_cast<std::size_t>(propertyCount), 0.0);
        m_pSelValues.assign(static_cast<std::size_t>(propertyCount), 0.0);
    }
    LinkLoaded();
}

// What the rest of the program trusts of a loaded model, checked before
// anything is linked.
void CMolecule::CheckLoaded() const {
    // The atoms are the wavefunction's nuclei, and critical points need a
    // wavefunction to be evaluated in (their records show its Hessian there):
    // records that say otherwise contradict each other.
    const std::size_t nuclei =
        m_Wavefunction.m_nNuclei > 0 ? static_cast<std::size_t>(m_Wavefunction.m_nNuclei) : 0;
    if (m_AtomList.size() != nuclei)
        throw zel::CArchiveException(Cause::BadCount, "Invalid atom record in file.");
    if (nuclei > 0) {
        const CAtomData& data = *m_Wavefunction.m_pAtomData;
        std::size_t i = 0;
        for (const auto& atom : m_AtomList) {
            const CVector p = atom->GetPosition();
            const CVector q = data.m_pPositions[i];
            if (p.x != q.x || p.y != q.y || p.z != q.z || atom->GetCharge() != data.m_pCharges[i])
                throw zel::CArchiveException(Cause::BadIndex, "Invalid atom record in file.");
            ++i;
        }
    } else {
        for (int type : kSignatures)
            if (!GetList(type)->empty())
                throw zel::CArchiveException(Cause::BadCount, "Invalid critical point record in file.");
    }
    // Integrations write whole property arrays into the atoms' results.
    const int propertyCount = BasinPropertyCount(m_Wavefunction);
    int highest = 0;
    std::unordered_set<int> numbers;
    for (const auto& atom : m_AtomList) {
        if (atom->GetPropertyCount() != propertyCount)
            throw zel::CArchiveException(Cause::BadCount, "Invalid atom record in file.");
        // Maxima name their atom by number, so it must be unique.
        if (atom->GetNumber() < 1 || !numbers.insert(atom->GetNumber()).second)
            throw zel::CArchiveException(Cause::BadIndex, kBadNumber);
        highest = std::max(highest, atom->GetNumber());
    }
    // Paths name their lower end by number.
    numbers.clear();
    for (int type : kSignatures) {
        for (const auto& point : *GetList(type)) {
            if (!numbers.insert(point->GetNumber()).second)
                throw zel::CArchiveException(Cause::BadIndex, kBadNumber);
            highest = std::max(highest, point->GetNumber());
        }
    }
    // New objects would repeat numbers of loaded ones.
    if (m_nLastNumber < highest) throw zel::CArchiveException(Cause::BadIndex, kBadNumber);
    // The radial integration keeps one entry per surface crossing.
    const int crossings = m_IntegOptions.MaxIntersections.Current;
    if (crossings < 1 || crossings > 3)
        throw zel::CArchiveException(Cause::BadCount, "Invalid option values in file.");
}

void CMolecule::LinkLoaded() {
    for (const auto& atom : m_AtomList)
        atom->SetMolecule(this);
    for (int type : kSignatures) {
        for (const auto& point : *GetList(type))
            point->SetMolecule(this);
    }
    for (const auto& plot : m_PlotList)
        plot->SetMolecule(this);

    // The atom of a maximum. Of two density maxima naming one atom the nearer
    // becomes its maximum (the earlier when equally near), as when they were
    // found, so loading keeps the link the document had.
    std::unordered_map<int, CAtom*> atoms;
    for (const auto& atom : m_AtomList)
        atoms.emplace(atom->GetNumber(), atom.get());
    for (const auto& point : m_MaxPointList) {
        auto* maximum = dynamic_cast<CMaxPoint*>(point.get());
        if (maximum == nullptr || maximum->GetAtomNumber() == 0) continue;
        const auto it = atoms.find(maximum->GetAtomNumber());
        if (it == atoms.end()) continue;
        maximum->SetAtom(it->second);
        maximum->OfferToAtom();
    }

    // The lower ends, in the order of the upper ends and their descending lists.
    std::unordered_map<int, CCritPoint*> points;
    for (int type : kSignatures) {
        for (const auto& point : *GetList(type))
            points.emplace(point->GetNumber(), point.get());
    }
    for (int type : kSignatures) {
        for (const auto& point : *GetList(type)) {
            for (CGradPath* path : point->GetPathList(false)) {
                const auto it = points.find(path->GetLowerPointNumber());
                if (path->GetLowerPointNumber() == 0 || it == points.end()) continue;
                path->SetLowerPoint(it->second);
                it->second->AddAscendingPath(path);
            }
        }
    }
}
