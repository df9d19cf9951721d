#include "analysis/RingPaths.h"

#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "analysis/PathTracer.h"
#include "numerics/Matrix.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"

#include <cmath>
#include <list>
#include <memory>
#include <vector>

namespace {

constexpr double kFullTurn = 6.283186; // the search's own constant for a full turn
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kNoRetry = -9.0;

using DirectionList = std::list<std::unique_ptr<RingDirection>>;

// A probe from the ring point in r's direction; r owns the path afterwards.
// 1 when the trace ran.
int Probe(CRingPoint& ring, RingDirection& r, const CMatrix& frame) {
    delete r.Path;
    r.Path = nullptr;
    CMolecule* molecule = ring.GetMolecule();
    auto* path = new CGradPath(molecule, molecule->NextObjectNumber(), ring.GetFieldIndex());
    path->SetLowerPoint(&ring);
    path->SetLowerPointNumber(ring.GetNumber());
    ++g_nRingPathCount;
    r.Path = path;
    const CVector direction = r.Cosine * frame.Column(1) + r.Sine * frame.Column(2);
    return TracePathUphill(molecule, path, 1, direction, 0.02);
}

CCritPoint* ReachedEnd(int traced, const RingDirection& r) {
    return traced && r.Path ? r.Path->GetEndPoint() : nullptr;
}

CCritPoint* ReachedMaximum(int traced, const RingDirection& r) {
    CCritPoint* end = ReachedEnd(traced, r);
    return end && end->GetType() == -3 ? end : nullptr;
}

// The path joins the molecular graph: ring point's ascending list, its upper
// end's descending list.
void HandOver(CRingPoint& ring, RingDirection& r) {
    CGradPath* path = r.Path;
    r.Path = nullptr;
    path->SetInMolGraph();
    ring.AddAscendingPath(path);
    path->GetEndPoint()->AddDescendingPath(path);
}

std::string MaximumName(const CCritPoint* maximum) {
    if (const CAtom* atom = static_cast<const CMaxPoint*>(maximum)->GetAtom()) return atom->GetLabel();
    const CVector p = maximum->GetPosition();
    return zel::Sprintf("Maximum at (%8.4lf,%8.4lf,%8.4lf)", p.x, p.y, p.z);
}

void InsertByAngle(DirectionList& list, std::unique_ptr<RingDirection> r) {
    auto it = list.begin();
    while (it != list.end() && (*it)->Angle <= r->Angle)
        ++it;
    list.insert(it, std::move(r));
}

} // namespace

RingDirection::~RingDirection() {
    delete Path;
}

void RingDirection::SetAngle(double angle) {
    Angle = angle;
    Cosine = std::cos(angle);
    Sine = std::sin(angle);
}

int CRingPoint::TraceRingPaths() {
    CMolecule* molecule = GetMolecule();
    if (molecule == nullptr || !molecule->EvaluateHessian(GetPosition())) return 0;
    const CTensor hessian = molecule->GetHessianEigen();
    if (!hessian.HasEigenData()) return 0;
    const CMatrix frame = *hessian.GetEigenvectors();

    std::vector<CGradPath*> old;
    for (CGradPath* path : m_AscendingPaths)
        if (path->IsInMolGraph() && path->GetFieldIndex() == m_nField) old.push_back(path);
    for (CGradPath* path : old)
        delete path;

    DirectionList list;
    // Targeted probes toward every maximum of the field.
    for (const auto& maximum : *molecule->GetList(-3)) {
        if (IsCancelRequested()) break;
        if (maximum->GetFieldIndex() != m_nField) continue;
        const CVector d = maximum->GetPosition() - m_Position;
        CVector c;
        if (!frame.Solve(d, c)) continue;
        if (std::fabs(c.x) > 100.0 * (std::fabs(c.y) + std::fabs(c.z))) continue; // near the normal
        const double n = std::sqrt(c.y * c.y + c.z * c.z);
        if (n == 0.0) continue;
        auto r = std::make_unique<RingDirection>();
        r->Distance = std::sqrt(d * d);
        r->Cosine = c.y / n;
        r->Sine = c.z / n;
        r->Angle = r->Sine >= 0.0 ? std::acos(r->Cosine) : kFullTurn - std::acos(r->Cosine);
        const int traced = Probe(*this, *r, frame);
        if (CCritPoint* reached = ReachedMaximum(traced, *r)) {
            r->Maximum = reached;
            InsertByAngle(list, std::move(r));
        }
    }
    // Axis probes when no maximum was reached.
    if (list.empty()) {
        for (double angle : {0.0, kPi}) {
            auto r = std::make_unique<RingDirection>();
            r->Angle = angle;
            r->Cosine = angle == 0.0 ? 1.0 : -1.0;
            r->Sine = 0.0;
            r->Distance = 10.0;
            const int traced = Probe(*this, *r, frame);
            if (CCritPoint* reached = ReachedMaximum(traced, *r)) {
                r->Maximum = reached;
                list.push_back(std::move(r));
            }
        }
    }
    if (list.empty()) return 0;

    // Gap probes split every gap of pi/2 or more.
    {
        RingDirection* prev = list.back().get();
        auto cur = list.begin();
        while (cur != list.end()) {
            double gap = (*cur)->Angle - prev->Angle;
            if (gap < 0.0) gap += kTwoPi;
            if (gap < kPi / 2.0) {
                prev = cur->get();
                ++cur;
                continue;
            }
            const double step = gap <= kPi ? gap / 2.0 : kPi / 2.0;
            auto r = std::make_unique<RingDirection>();
            r->SetAngle(prev->Angle + step);
            r->Distance = 10.0;
            const int traced = Probe(*this, *r, frame);
            if (CCritPoint* reached = ReachedMaximum(traced, *r)) {
                r->Maximum = reached;
                prev = r.get();
                if ((*cur)->Angle >= r->Angle)
                    list.insert(cur, std::move(r));
                else
                    list.push_back(std::move(r));
            } else {
                prev = cur->get();
                ++cur;
            }
        }
    }

    // Neighbours at the same maximum: the nearer target stays.
    {
        RingDirection* prev = nullptr;
        auto prevIt = list.end();
        for (auto cur = list.begin(); cur != list.end();) {
            if (prev == nullptr || (*cur)->Maximum != prev->Maximum) {
                prev = cur->get();
                prevIt = cur;
                ++cur;
            } else if ((*cur)->Distance >= prev->Distance) {
                cur = list.erase(cur);
            } else {
                list.erase(prevIt);
                prev = cur->get();
                prevIt = cur;
                ++cur;
            }
        }
        if (list.size() > 1 && list.front()->Maximum == list.back()->Maximum) {
            if (list.front()->Distance >= list.back()->Distance)
                list.pop_front();
            else
                list.pop_back();
        }
    }
    if (list.size() < 2) return 0;

    // Close the circle when the wrapping sector lies between two maxima.
    if (list.front()->Maximum != list.back()->Maximum) {
        auto copy = std::make_unique<RingDirection>();
        const RingDirection& first = *list.front();
        copy->Cosine = first.Cosine;
        copy->Sine = first.Sine;
        copy->Angle = first.Angle + kFullTurn;
        copy->Maximum = first.Maximum;
        copy->BondPoint = first.BondPoint;
        copy->Distance = first.Distance;
        list.push_back(std::move(copy));
    }

    int found = 0;
    const int limit = molecule->GetDEOptions().MaxBisections.Current;
    for (auto cur = std::next(list.begin()); cur != list.end(); ++cur) {
        if (IsCancelRequested()) break;
        RingDirection* prev = std::prev(cur)->get();
        CBondPoint* bond = molecule->FindBondPointBetween((*cur)->Maximum, prev->Maximum);
        while (bond == nullptr) {
            RingDirection* added = BisectSector(prev, cur->get(), frame, limit);
            if (added == nullptr) {
                zel::ShowMessageBox("Missing bond critical point between " + MaximumName((*cur)->Maximum) +
                                        " and " + MaximumName(prev->Maximum) +
                                        " or extremly bent paths in ring plane",
                                    zel::PromptButtons::OK);
                break;
            }
            cur = list.insert(cur, std::unique_ptr<RingDirection>(added));
            bond = molecule->FindBondPointBetween(added->Maximum, prev->Maximum);
        }
        if (bond == nullptr) continue;
        std::unique_ptr<RingDirection> result(BisectToBondPoint(prev, cur->get(), frame));
        if (result) {
            HandOver(*this, *result);
            ++found;
        }
    }
    return found; // the list destroys the records and the probes not handed over
}

RingDirection* CRingPoint::BisectToBondPoint(RingDirection* a, RingDirection* b, const CMatrix& frame) {
    const int limit = GetMolecule()->GetDEOptions().MaxBisections.Current;
    double a1 = a->Angle;
    double a2 = b->Angle;
    double last = a1;
    double retry = kNoRetry;
    int i = 0;
    auto r = std::make_unique<RingDirection>();
    CCritPoint* end = nullptr;
    do {
        ++i;
        const double angle = retry == kNoRetry ? (a1 + a2) / 2.0 : retry;
        r->SetAngle(angle);
        const int traced = Probe(*this, *r, frame);
        end = ReachedEnd(traced, *r);
        if (end == nullptr || end->GetType() == 1 || end->GetType() == 3) return nullptr;
        if (end->GetType() == -3) {
            r->Maximum = end;
            if (end == a->Maximum) {
                a1 = angle;
                last = angle;
            } else if (end == b->Maximum) {
                a2 = angle;
                last = angle;
            } else {
                i = limit;
                retry = last;
            }
        }
    } while (end->GetType() != -1 && i <= limit);
    if (end->GetType() == -1) {
        r->BondPoint = end;
        return r.release();
    }
    HandOver(*this, *r); // marks the sector whose bond point was not reached
    return nullptr;
}

RingDirection* CRingPoint::BisectSector(RingDirection* a, RingDirection* b, const CMatrix& frame, int limit) {
    double a1 = a->Angle;
    double a2 = b->Angle;
    int i = 0;
    auto r = std::make_unique<RingDirection>();
    do {
        ++i;
        const double angle = (a1 + a2) / 2.0;
        r->SetAngle(angle);
        const int traced = Probe(*this, *r, frame);
        CCritPoint* end = ReachedMaximum(traced, *r);
        if (end == nullptr) return nullptr;
        r->Maximum = end;
        if (end == a->Maximum)
            a1 = angle;
        else if (end == b->Maximum)
            a2 = angle;
        else
            return r.release();
    } while (i <= limit);
    HandOver(*this, *r);
    return nullptr;
}
