#include "analysis/Atom.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <utility>

#include "analysis/CritPoint.h"
#include "analysis/GradPath.h"
#include "analysis/Molecule.h"
#include "analysis/PropertyTable.h"

ZEL_IMPLEMENT_SERIAL(CAtom);

namespace {

CMatrix FromRows(CVector r0, CVector r1, CVector r2) {
    return {CVector(r0.x, r1.x, r2.x), CVector(r0.y, r1.y, r2.y), CVector(r0.z, r1.z, r2.z)};
}

// Written in place of the unused stop value of a basin result obtained with
// an incomplete set of critical points.
constexpr double kIncompleteMark = -1.0;

// The transpose applied to v: v M is (v.c0, v.c1, v.c2).
CVector TransposeTimes(const CMatrix& m, CVector v) {
    return v * m;
}

} // namespace

CAtom::CAtom() = default;

CAtom::CAtom(int number, std::string label, CVector position, double charge, CMolecule* molecule)
    : CNucleus(position, charge), m_nNumber(number), m_strLabel(std::move(label)), m_pMolecule(molecule) {
    // The molecule refuses a wavefunction whose orbital count is inconsistent
    // before it creates atoms; here the arrays simply stay empty then.
    const int count = molecule ? BasinPropertyCount(*molecule->GetWavefunction()) : -1;
    if (count > 0) {
        m_nPropertyCount = count;
        m_ResultsA.Results.assign(static_cast<std::size_t>(count), 0.0);
        m_ResultsB.Results.assign(static_cast<std::size_t>(count), 0.0);
    }
}

CAtom::~CAtom() = default;

void CAtom::Serialize(zel::CArchive& ar) {
    CBasinResults& a = m_ResultsA;
    CBasinResults& b = m_ResultsB;
    // The settings go as (A, B) pairs in this order, not in declaration order.
    double* const settings[9][2] = {
        {&a.Method, &b.Method},
        {&a.StopS, &b.StopS},
        {&a.AbsAccuracy, &b.AbsAccuracy},
        {&a.RelAccuracy, &b.RelAccuracy},
        {&a.StopR, &b.StopR},
        {&a.PhiFrom, &b.PhiFrom},
        {&a.PhiTo, &b.PhiTo},
        {&a.SymmetryFactor, &b.SymmetryFactor},
        {&a.CPUTime, &b.CPUTime},
    };
    // The stop value of set A that its method leaves unused carries the mark
    // of an incomplete set of critical points.
    const auto unusedStop = [&a] { return a.Method > 0.0 ? &a.StopR : a.Method < 0.0 ? &a.StopS : nullptr; };
    if (ar.IsStoring()) {
        const double* const marked = a.IncompleteCritPoints ? unusedStop() : nullptr;
        ar << m_nNumber << m_strLabel << m_position.x << m_position.y << m_position.z << m_charge
           << a.Evaluations << b.Evaluations;
        for (const auto& pair : settings)
            ar << (pair[0] == marked ? kIncompleteMark : *pair[0]) << *pair[1];
        ar << m_nPropertyCount;
        const auto entry = [](const CBasinResults& set, std::size_t i) {
            return i < set.Results.size() ? set.Results[i] : 0.0;
        };
        for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(m_nPropertyCount, 0)); ++i)
            ar << entry(a, i) << entry(b, i);
        return;
    }

    ar >> m_nNumber >> m_strLabel >> m_position.x >> m_position.y >> m_position.z >> m_charge >>
        a.Evaluations >> b.Evaluations;
    for (const auto& pair : settings)
        ar >> *pair[0] >> *pair[1];
    // Stop values are never negative otherwise.
    double* const markedStop = unusedStop();
    a.IncompleteCritPoints = markedStop && *markedStop < 0.0;
    if (a.IncompleteCritPoints) *markedStop = 0.0;
    b.IncompleteCritPoints = false;
    ar >> m_nPropertyCount;
    const std::size_t count = ar.CheckCount(m_nPropertyCount, 2 * sizeof(double));
    a.Results.assign(count, 0.0);
    b.Results.assign(count, 0.0);
    for (std::size_t i = 0; i < count; ++i)
        ar >> a.Results[i] >> b.Results[i];
}

void CAtom::CollectBondedPoints() {
    m_BondedPoints.clear();
    if (!m_pMolecule || !m_pMaxPoint) return;
    for (const auto& point : *m_pMolecule->GetList(-1)) {
        auto* bond = dynamic_cast<CBondPoint*>(point.get());
        if (!bond) continue;
        for (const CGradPath* path : bond->GetPathList(true)) {
            if (path->GetFieldIndex() == 0 && path->GetEndPoint() == m_pMaxPoint) {
                m_BondedPoints.push_back(bond);
                break;
            }
        }
    }
}

bool CAtom::AllocateCaches() {
    FreeCaches();
    try {
        for (auto& cache : m_Caches)
            cache.assign(static_cast<std::size_t>(std::max(m_nPropertyCount, 0)) + 1, -1.0);
    } catch (const std::bad_alloc&) {
        FreeCaches();
        return false;
    }
    return true;
}

void CAtom::FreeCaches() {
    for (auto& cache : m_Caches)
        std::vector<double>().swap(cache);
}

void CAtom::RemoveBondedPoint(const CBondPoint* point) {
    std::erase(m_BondedPoints, point);
}

CVector CAtom::GlobalToLocal(CVector point) const {
    return m_LocalFrame * (point - m_position);
}

CVector CAtom::LocalToGlobal(CVector v) const {
    return TransposeTimes(m_LocalFrame, v) + m_position;
}

CVector CAtom::ToIntegrationCoords(CVector point) const {
    return CMolecule::CartesianToSpherical(m_IntegrationFrame * GlobalToLocal(point));
}

CVector CAtom::FromIntegrationCoords(CVector rtp) const {
    return LocalToGlobal(TransposeTimes(m_IntegrationFrame, CMolecule::SphericalToCartesian(rtp)));
}

void CAtom::ClearResults() {
    m_ResultsA.Method = 0.0;
    m_ResultsB.Method = 0.0;
}

void CAtom::ComputeLocalFrame() {
    if (!m_pMolecule) return;
    const CMolecule::CAtomList& atoms = m_pMolecule->GetAtomList();
    if (atoms.empty()) return;

    CVector sum;
    for (const auto& atom : atoms)
        sum = sum + atom->GetPosition();
    const CVector d = sum / static_cast<double>(atoms.size()) - m_position;
    const double r = d.Length();
    const double rho = std::sqrt(d.x * d.x + d.y * d.y);

    CMatrix m1 = kIdentity;
    if (r > 0.0 && rho > 0.0) {
        m1 = FromRows(CVector(-d.x * d.z / (r * rho), -d.y * d.z / (r * rho), rho / r),
                      CVector(d.y / rho, -d.x / rho, 0.0), CVector(d.x / r, d.y / r, d.z / r));
    }

    CMatrix m2 = kIdentity;
    for (const auto& atom : atoms) {
        const CVector p = m1 * (atom->GetPosition() - m_position);
        const double q = std::sqrt(p.x * p.x + p.y * p.y);
        if (q > 0.001) {
            m2 = FromRows(CVector(p.x / q, p.y / q, 0.0), CVector(-p.y / q, p.x / q, 0.0),
                          CVector(0.0, 0.0, 1.0));
            break;
        }
    }
    m_LocalFrame = m2 * m1;

    double sxx = 0.0, sxy = 0.0;
    for (const auto& atom : atoms) {
        const CVector p = GlobalToLocal(atom->GetPosition());
        sxx += p.x * p.x - p.y * p.y;
        sxy += p.x * p.y;
    }
    // A negative product ends here as well: the turn applies only to a clear
    // in-plane spread of one orientation.
    if (sxx * sxy < 0.001) return;

    double a = 0.5 * std::atan2(-sxy, sxx);
    if (a < 0.0) a += std::numbers::pi;
    const CMatrix m3 = FromRows(CVector(std::cos(a), -std::sin(a), 0.0),
                                CVector(std::sin(a), std::cos(a), 0.0), CVector(0.0, 0.0, 1.0));
    m_LocalFrame = m3 * m_LocalFrame;
}

void CAtom::SetIntegrationAxis(CVector point) {
    m_IntegrationFrame = kIdentity;
    if (point == CVector()) return;
    CVector u = GlobalToLocal(point);
    const double length = u.Length();
    if (length == 0.0) return;
    u = u / length;
    const double rho = std::sqrt(u.x * u.x + u.y * u.y);
    if (rho == 0.0) {
        // Straight below the nucleus: a half turn about the local y axis.
        if (u.z <= 0.0)
            m_IntegrationFrame =
                FromRows(CVector(-1.0, 0.0, 0.0), CVector(0.0, 1.0, 0.0), CVector(0.0, 0.0, -1.0));
        return;
    }
    m_IntegrationFrame =
        FromRows(CVector(-u.y / rho, u.x / rho, 0.0), CVector(-u.x * u.z / rho, -u.y * u.z / rho, rho), u);
}

void CAtom::ComputeNearestCritDistance() {
    double nearest = 1000.0;
    if (m_pMolecule) {
        for (int type : {-1, 1, 3}) {
            for (const auto& point : *m_pMolecule->GetList(type)) {
                const double distance = (point->GetPosition() - m_position).Length();
                if (distance < nearest) nearest = distance;
            }
        }
    }
    m_dSafeRadius = nearest > 10.0 ? 0.3 : nearest;
}
