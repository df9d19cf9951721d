#include "analysis/CritPointSearch.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <utility>

#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"

bool CJobStateProgress::IsCancelled() {
    return IsCancelRequested();
}

void CJobStateProgress::SetStatus(const std::string& text) {
    SetStatusText(text); // cut to the status line's 119 characters
}

void CJobStateProgress::SetProgress(int percent) {
    g_nProgress = percent;
}

std::string SearchSummary(const SSearchCounts& counts) {
    return zel::Sprintf("Found %d new critical points, %d unsuccessful tries.", counts.Found,
                        counts.Unsuccessful());
}

int GridTotal(int perSide) {
    if (perSide <= 0) return 0;
    const long long m = perSide;
    const long long total = m * m * m; // |m| < 2^31, so this fits
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

SGridSpec GridAroundNuclei(const CMolecule& molecule, double margin, int perSide) {
    CVector low(1e9, 1e9, 1e9), high(-1e9, -1e9, -1e9);
    for (const auto& atom : molecule.GetAtomList()) {
        const CVector p = atom->GetPosition();
        low = CVector(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = CVector(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    SGridSpec box;
    box.Centre = 0.5 * (low + high);
    box.Side = std::max({high.x - low.x, high.y - low.y, high.z - low.z}) + margin;
    box.PerSide = perSide;
    box.Total = GridTotal(perSide);
    return box;
}

bool IsDegenerateHessian(const CVector& eigenvalues) {
    const double a = std::fabs(eigenvalues.x), b = std::fabs(eigenvalues.y), c = std::fabs(eigenvalues.z);
    const double largest = std::max({a, b, c});
    return !(std::min({a, b, c}) > kDegenerateEigenvalueRatio * largest);
}

int CMolecule::IsNewCriticalPoint(CVector point, int signature) const {
    const double minDistance = m_CritOptions.MinDistance.Current;
    const double d2 = minDistance * minDistance;
    const CCritPointList* list = GetList(signature);
    if (list == nullptr) return 1;
    for (const auto& q : *list) {
        if (q->GetFieldIndex() != m_nField) continue;
        const CVector r = q->GetPosition() - point;
        if (r * r < d2) return 0;
    }
    return 1;
}

CCritPointSearch::CCritPointSearch(CMolecule& molecule, std::string fieldName, zel::CTextRecord& log,
                                   ISearchProgress& progress)
    : m_molecule(molecule), m_strFieldName(std::move(fieldName)), m_log(log), m_progress(progress) {}

int CCritPointSearch::TryStartPoint(CVector start) {
    auto fail = [this](const std::string& line) {
        m_log.Add(line);
        m_log.Add("");
        return 0;
    };
    if (!m_molecule.NewtonIteration(m_strFieldName, start, &m_log))
        return fail("      " + m_molecule.GetErrorText());

    const CVector p = m_molecule.GetLastPoint();
    if (!m_molecule.EvaluateHessian(p)) return fail("      " + m_molecule.GetErrorText());
    const CTensor hessian = m_molecule.GetHessianEigen();
    if (!hessian.HasEigenData()) return fail("      " + m_molecule.GetErrorText());

    const CVector gradient = m_molecule.GetGradient();
    const double gradientNorm = std::sqrt(gradient * gradient);
    const CVector& lambda = *hessian.GetEigenvalues();
    int signature = 0;
    for (double l : {lambda.x, lambda.y, lambda.z})
        signature += l >= 0.0 ? 1 : -1;

    const double t = m_molecule.GetCritOptions().GradientTolerance.Current;
    if (std::fabs(m_molecule.GetLastValue()) <= 10.0 * t &&
        std::fabs(lambda.x) + std::fabs(lambda.y) + std::fabs(lambda.z) <= t)
        return fail("      Critical points is too far away or degenerate.");
    if (IsDegenerateHessian(lambda))
        return fail(zel::Sprintf("      Degenerate critical point (Hessian eigenvalues %.3le, %.3le, %.3le) is not "
                                 "added.",
                                 lambda.x, lambda.y, lambda.z));
    if (!m_molecule.IsNewCriticalPoint(p, signature))
        return fail("      Result is already in the list of critical points.");

    const int number = m_molecule.NextObjectNumber();
    const int field = m_molecule.GetFieldIndex();
    std::unique_ptr<CCritPoint> point;
    switch (signature) {
    case -3:
        point = std::make_unique<CMaxPoint>(&m_molecule, number, field, p, gradientNorm);
        break;
    case -1:
        point = std::make_unique<CBondPoint>(&m_molecule, number, field, p, gradientNorm);
        break;
    case 1:
        point = std::make_unique<CRingPoint>(&m_molecule, number, field, p, gradientNorm);
        break;
    default:
        point = std::make_unique<CCagePoint>(&m_molecule, number, field, p, gradientNorm);
        break;
    }
    m_molecule.GetList(signature)->push_back(std::move(point));
    m_log.Add(zel::Sprintf("      Found new (3, %d)-critical point.", signature));
    m_log.Add("");
    return 1;
}

void CCritPointSearch::Begin(const char* heading) {
    m_log.Clear();
    m_log.Add(heading);
    m_log.Add("");
}

void CCritPointSearch::Try(SSearchCounts& counts, CVector start, const std::string& status, int total) {
    ++counts.Tries;
    m_progress.SetStatus(status);
    if (TryStartPoint(start)) ++counts.Found;
    // A total below the tries (a stale grid count) must not push the bar past
    // its end; the double is held in range before it becomes an int.
    const double percent = total > 0 ? counts.Tries * 100.0 / total + 0.5 : 100.0;
    m_progress.SetProgress(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
}

std::vector<CVector> CCritPointSearch::MaximaPositions() const {
    // Taken once: the search appends to the list it walks.
    std::vector<CVector> positions;
    for (const auto& q : *m_molecule.GetList(-3))
        positions.push_back(q->GetPosition());
    return positions;
}

SSearchCounts CCritPointSearch::SearchFromNuclei() {
    Begin("Newton's method, starting points at nuclear positions");
    SSearchCounts counts;
    std::vector<std::pair<std::string, CVector>> nuclei;
    for (const auto& atom : m_molecule.GetAtomList())
        nuclei.emplace_back(atom->GetLabel(), atom->GetPosition());
    const int total = static_cast<int>(nuclei.size());
    for (const auto& [label, position] : nuclei) {
        if (m_progress.IsCancelled()) break;
        Try(counts, position, label, total);
    }
    return counts;
}

namespace {
std::string PointText(CVector p) {
    return zel::Sprintf("(%0.2lf, %0.2lf, %0.2lf)", p.x, p.y, p.z);
}
} // namespace

SSearchCounts CCritPointSearch::SearchFromMaximaPairs() {
    Begin("Newton's method, starting points at mean values of maxima pairs");
    SSearchCounts counts;
    const std::vector<CVector> p = MaximaPositions();
    const int n = static_cast<int>(p.size());
    const int total = n * (n - 1) / 2;
    bool cancelled = false;
    for (int i = 0; i < n && !cancelled; ++i) {
        for (int j = 0; j < i; ++j) {
            if ((cancelled = m_progress.IsCancelled())) break;
            Try(counts, 0.5 * (p[i] + p[j]), PointText(p[i]) + " + " + PointText(p[j]), total);
        }
    }
    return counts;
}

SSearchCounts CCritPointSearch::SearchFromMaximaTriples() {
    Begin("Newton's method, starting points at mean values of maxima triples");
    SSearchCounts counts;
    const std::vector<CVector> p = MaximaPositions();
    const int n = static_cast<int>(p.size());
    const int total = n * (n - 1) * (n - 2) / 6;
    bool cancelled = false;
    for (int i = 0; i < n && !cancelled; ++i) {
        for (int j = 0; j < i && !cancelled; ++j) {
            for (int k = 0; k < j; ++k) {
                if ((cancelled = m_progress.IsCancelled())) break;
                Try(counts, 0.333333 * ((p[i] + p[j]) + p[k]),
                    PointText(p[i]) + " + " + PointText(p[j]) + " + " + PointText(p[k]), total);
            }
        }
    }
    return counts;
}

SSearchCounts CCritPointSearch::SearchOnGrid(const SGridSpec& grid) {
    Begin("Newton's method, starting at points of a grid");
    SSearchCounts counts;
    const int m = grid.PerSide;
    const double h = grid.Side / (m - 1);
    const CVector corner = grid.Centre - 0.5 * CVector(grid.Side, grid.Side, grid.Side);
    bool cancelled = false;
    double x = corner.x;
    for (int i = 0; i < m && !cancelled; ++i) {
        double y = corner.y;
        for (int j = 0; j < m && !cancelled; ++j) {
            double z = corner.z;
            for (int k = 0; k < m; ++k) {
                if ((cancelled = m_progress.IsCancelled())) break;
                // The try number shown is the one being made.
                const std::string status = zel::Sprintf("grid-search, try no. %d: (%0.2lf, %0.2lf, %0.2lf)",
                                                        counts.Tries + 1, x, y, z);
                Try(counts, CVector(x, y, z), status, grid.Total);
                z += h;
            }
            y += h;
        }
        x += h;
    }
    return counts;
}

std::vector<SPointListEntry> PointListEntries(const CMolecule& molecule) {
    std::vector<SPointListEntry> entries;
    for (const auto& atom : molecule.GetAtomList()) {
        const CVector p = atom->GetPosition();
        entries.push_back(
            {atom->GetLabel() + zel::Sprintf(":%8.4lf,%8.4lf,%8.4lf", p.x, p.y, p.z), p, nullptr});
    }
    static constexpr std::pair<int, const char*> kLists[] = {
        {-3, "(3,-3)"}, {-1, "(3,-1)"}, {1, "(3,+1)"}, {3, "(3,+3)"}};
    for (const auto& [signature, name] : kLists) {
        for (const auto& q : *molecule.GetList(signature)) {
            if (q->GetFieldIndex() != molecule.GetFieldIndex()) continue;
            const CVector p = q->GetPosition();
            entries.push_back(
                {std::string(name) + zel::Sprintf(":%8.4lf,%8.4lf,%8.4lf", p.x, p.y, p.z), p, q.get()});
        }
    }
    return entries;
}

bool DeleteCriticalPoint(CMolecule& molecule, const CCritPoint* point) {
    if (point == nullptr) return false;
    CMolecule::CCritPointList* list = molecule.GetList(point->GetType());
    if (list == nullptr) return false;
    const auto it =
        std::find_if(list->begin(), list->end(), [point](const auto& q) { return q.get() == point; });
    if (it == list->end()) return false;
    // Out of the list first, so nothing that the destructor reaches (paths,
    // atoms, the current surface) can find it there half-destroyed.
    std::unique_ptr<CCritPoint> doomed = std::move(*it);
    list->erase(it);
    doomed.reset();
    return true;
}
