#include "analysis/GradPath.h"

#include <climits>
#include <cstddef>
#include <string>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Molecule.h"
#include "analysis/PropertyTable.h"
#include "platform/core/Format.h"

ZEL_IMPLEMENT_SERIAL(CGradPath);

namespace {

using Cause = zel::CArchiveException::Cause;

constexpr std::size_t kPointBytes = 4 * 8;

} // namespace

CGradPath::CGradPath() = default;

CGradPath::CGradPath(CMolecule* molecule, int number, int fieldIndex)
    : m_nNumber(number), m_nField(fieldIndex), m_pMolecule(molecule) {}

CGradPath::~CGradPath() {
    if (m_pUpperPoint) m_pUpperPoint->RemoveDescendingPath(this);
    if (m_pLowerPoint) m_pLowerPoint->RemoveAscendingPath(this);
}

void CGradPath::Serialize(zel::CArchive& ar) {
    if (ar.IsStoring()) {
        if (m_Points.size() > static_cast<std::size_t>(INT_MAX))
            throw zel::CArchiveException(Cause::TooLarge, "Too many points on a gradient path to store.");
        // The linked end is what the number must find again after loading.
        const int lowerNumber = m_pLowerPoint ? m_pLowerPoint->GetNumber() : m_nLowerNumber;
        ar << m_nNumber << m_nField << lowerNumber << m_bInMolGraph << m_dAccuracy << m_dLength
           << m_nEvaluations << static_cast<int>(m_Points.size());
        for (std::size_t i = 0; i < m_Points.size(); ++i) {
            const CVector& p = m_Points[i];
            ar << p.x << p.y << p.z << (i < m_Parameters.size() ? m_Parameters[i] : 0.0);
        }
        return;
    }

    int count = 0;
    ar >> m_nNumber >> m_nField >> m_nLowerNumber >> m_bInMolGraph >> m_dAccuracy >> m_dLength >>
        m_nEvaluations >> count;
    if (m_nField < 0 || m_nField > 4)
        throw zel::CArchiveException(Cause::BadIndex, "Invalid field index in file.");
    const std::size_t n = ar.CheckCount(count, kPointBytes);
    for (std::size_t i = 0; i < n; ++i) {
        CVector p;
        double t = 0.0;
        ar >> p.x >> p.y >> p.z >> t;
        AddPoint(p, t, true);
    }
}

void CGradPath::AddPoint(CVector point, double parameter, bool atEnd) {
    if (atEnd) {
        m_Points.push_back(point);
        m_Parameters.push_back(parameter);
    } else {
        m_Points.push_front(point);
        m_Parameters.push_front(parameter);
    }
}

void CGradPath::SetTraceInfo(double accuracy, int evaluations, double length) {
    m_dAccuracy = accuracy;
    m_nEvaluations = evaluations;
    m_dLength = length;
}

void CGradPath::ReverseParameter() {
    for (double& t : m_Parameters)
        t = m_dLength - t;
}

CVector CGradPath::PointAtRadius(const CAtom& atom, double r) const {
    if (m_pUpperPoint == nullptr || m_Points.empty()) return CVector(0.0, 0.0, r);
    CVector previous = m_pUpperPoint->GetPosition();
    double previousDistance = atom.RelativeToNucleus(previous).Length();
    for (const CVector& p : m_Points) {
        const double distance = atom.RelativeToNucleus(p).Length();
        if (r <= distance) {
            // Both points at one distance: the earlier one is already at r or
            // beyond, and there is nothing to interpolate.
            if (distance == previousDistance) return previous;
            return previous + ((r - previousDistance) / (distance - previousDistance)) * (p - previous);
        }
        previous = p;
        previousDistance = distance;
    }
    return m_Points.back();
}

int CGradPath::WriteReport(zel::CTextRecord& lines, bool withPoints) const {
    const std::size_t before = lines.Size();
    lines.Add("Gradient path of " +
              (m_pMolecule ? m_pMolecule->GetPropertyName(m_nField) : std::string(PropertyName(m_nField))));
    if (m_pUpperPoint) {
        const CVector p = m_pUpperPoint->GetPosition();
        lines.Add(zel::Sprintf("   Gradient path starts at (3,%2d)-critical point (%8.4lf,%8.4lf,%8.4lf)",
                               m_pUpperPoint->GetType(), p.x, p.y, p.z));
        const auto* maximum = dynamic_cast<const CMaxPoint*>(m_pUpperPoint);
        if (maximum && maximum->GetAtom())
            lines.Add("   Associated Nucleus: " + maximum->GetAtom()->GetLabel());
    }
    if (m_pLowerPoint) {
        const CVector p = m_pLowerPoint->GetPosition();
        lines.Add(zel::Sprintf("   Gradient path ends at (3,%2d)-critical point   (%8.4lf,%8.4lf,%8.4lf)",
                               m_pLowerPoint->GetType(), p.x, p.y, p.z));
    }
    lines.Add(" ");
    if (m_bInMolGraph) lines.Add("   Gradient path belongs to molecular graph");
    lines.Add(zel::Sprintf("   Length of gradient path:             %9.4lf", m_dLength));
    lines.Add(zel::Sprintf("   Accuracy of path calculation:        %9.2le", m_dAccuracy));
    lines.Add(zel::Sprintf("   Number of wavefunction evaluations:  %-9d", m_nEvaluations));
    lines.Add(
        zel::Sprintf("   Number of stored points on the path: %-9d", static_cast<int>(m_Points.size())));
    lines.Add(" ");
    if (withPoints && !m_Points.empty()) {
        lines.Add("   Points on the gradient path and length along the path:");
        for (std::size_t i = 0; i < m_Points.size(); ++i) {
            const CVector& p = m_Points[i];
            lines.Add(zel::Sprintf("      %18.9lf %18.9lf %18.9lf %24.9lf", p.x, p.y, p.z,
                                   i < m_Parameters.size() ? m_Parameters[i] : 0.0));
        }
        lines.Add(" ");
    }
    lines.Add(" ");
    return static_cast<int>(lines.Size() - before);
}
