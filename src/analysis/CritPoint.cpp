#include "analysis/CritPoint.h"

#include <cmath>
#include <cstddef>
#include <memory>

#include "analysis/Atom.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "numerics/Options.h"

ZEL_IMPLEMENT_SERIAL(CCritPoint);
ZEL_IMPLEMENT_SERIAL(CMaxPoint);
ZEL_IMPLEMENT_SERIAL(CBondPoint);
ZEL_IMPLEMENT_SERIAL(CRingPoint);
ZEL_IMPLEMENT_SERIAL(CCagePoint);

namespace {

using Cause = zel::CArchiveException::Cause;

double SquaredDistance(const CAtom& atom, CVector point) {
    const CVector d = atom.RelativeToNucleus(point);
    return d * d;
}

} // namespace

// ---------------------------------------------------------------------------
// CCritPoint

CCritPoint::CCritPoint() = default;

CCritPoint::CCritPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm)
    : m_nNumber(number), m_pMolecule(molecule), m_nField(field), m_Position(position),
      m_dGradientNorm(gradientNorm) {}

CCritPoint::~CCritPoint() {
    DeletePaths(false);
    DeletePaths(true);
}

void CCritPoint::DeletePaths(bool ascending) {
    CPathList& list = ascending ? m_AscendingPaths : m_DescendingPaths;
    // Out of the list before its destructor looks for it there.
    while (!list.empty()) {
        CGradPath* path = list.front();
        list.pop_front();
        delete path;
    }
}

void CCritPoint::SetMolecule(CMolecule* molecule) {
    m_pMolecule = molecule;
    for (CGradPath* path : m_DescendingPaths)
        path->SetMolecule(molecule);
    for (CGradPath* path : m_AscendingPaths) {
        if (path->GetEndPoint() == nullptr) path->SetMolecule(molecule);
    }
}

void CCritPoint::Serialize(zel::CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nNumber << m_nField << m_Position.x << m_Position.y << m_Position.z << m_dGradientNorm;
        // An ascending path without upper end is in no descending list, so this
        // point stores it, or saving would lose it.
        std::vector<const CGradPath*> stored(m_DescendingPaths.begin(), m_DescendingPaths.end());
        for (const CGradPath* path : m_AscendingPaths) {
            if (path->GetEndPoint() == nullptr) stored.push_back(path);
        }
        ar.WriteObjectList(stored);
        return;
    }

    ar >> m_nNumber >> m_nField >> m_Position.x >> m_Position.y >> m_Position.z >> m_dGradientNorm;
    // Paths find their lower ends by these numbers; 0 means "none".
    if (m_nNumber < 1) throw zel::CArchiveException(Cause::BadIndex, "Invalid object number in file.");
    if (m_nField < 0 || m_nField > 4)
        throw zel::CArchiveException(Cause::BadIndex, "Invalid field index in file.");
    std::vector<std::unique_ptr<CGradPath>> paths = ar.ReadObjectList<CGradPath>();
    for (std::unique_ptr<CGradPath>& path : paths) {
        if (path->GetLowerPointNumber() == m_nNumber) {
            m_AscendingPaths.push_back(path.get());
            path->SetLowerPoint(this);
        } else {
            m_DescendingPaths.push_back(path.get());
            path->SetUpperPoint(this);
        }
        path.release();
    }
}

// ---------------------------------------------------------------------------
// CMaxPoint

CMaxPoint::CMaxPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm)
    : CCritPoint(molecule, number, field, position, gradientNorm) {
    if (m_pMolecule == nullptr) return;
    CAtom* atom = m_pMolecule->FindNearestAtom(m_Position);
    if (atom == nullptr) return;
    // A maximum farther out is not this atom's, and keeps no link it would
    // lose on saving and loading.
    if (!(std::sqrt(SquaredDistance(*atom, m_Position)) < 2.0 * g_pCritOptions->MinDistance.Current)) return;
    SetAtom(atom);
    OfferToAtom();
}

CMaxPoint::~CMaxPoint() {
    if (m_pAtom && m_pAtom->GetMaxPoint() == this) m_pAtom->SetMaxPoint(nullptr);
}

void CMaxPoint::SetAtom(CAtom* atom) {
    m_pAtom = atom;
    m_nAtomNumber = atom ? atom->GetNumber() : 0;
}

void CMaxPoint::OfferToAtom() {
    // Maxima of the other fields name their atom but are never its maximum.
    if (m_pAtom == nullptr || m_nField != 0) return;
    const CMaxPoint* current = m_pAtom->GetMaxPoint();
    if (current == nullptr ||
        SquaredDistance(*m_pAtom, current->GetPosition()) > SquaredDistance(*m_pAtom, m_Position))
        m_pAtom->SetMaxPoint(this);
}

void CMaxPoint::Serialize(zel::CArchive& ar) {
    CCritPoint::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nAtomNumber;
    else
        ar >> m_nAtomNumber;
}

// ---------------------------------------------------------------------------
// CBondPoint

CBondPoint::CBondPoint(CMolecule* molecule, int number, int field, CVector position, double gradientNorm)
    : CCritPoint(molecule, number, field, position, gradientNorm) {
    m_Surface.Results.assign(CSurfaceRecord::kResults, 0.0);
}

CBondPoint::~CBondPoint() {
    if (m_pMolecule == nullptr) return;
    if (m_pMolecule->GetCurrentSurface() == this) m_pMolecule->SetCurrentSurface(nullptr);
    for (const auto& atom : m_pMolecule->GetAtomList())
        atom->RemoveBondedPoint(this);
}

void CBondPoint::Serialize(zel::CArchive& ar) {
    CCritPoint::Serialize(ar);
    CSurfaceRecord& s = m_Surface;
    if (ar.IsStoring()) {
        ar << s.Evaluations << s.CircleRadius << s.StopS << s.AbsAccuracy << s.RelAccuracy << s.Reserved
           << s.PhiFrom << s.PhiTo << s.SymmetryFactor << s.CPUTime;
        for (std::size_t i = 0; i < CSurfaceRecord::kResults; ++i)
            ar << (i < s.Results.size() ? s.Results[i] : 0.0);
        return;
    }
    ar >> s.Evaluations >> s.CircleRadius >> s.StopS >> s.AbsAccuracy >> s.RelAccuracy >> s.Reserved >>
        s.PhiFrom >> s.PhiTo >> s.SymmetryFactor >> s.CPUTime;
    s.Results.assign(CSurfaceRecord::kResults, 0.0);
    for (double& result : s.Results)
        ar >> result;
}
