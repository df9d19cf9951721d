// Gradient-path tracing, the capture query of the molecule and the path starts
// of bond and ring points.

#include "analysis/PathTracer.h"

#include <cmath>
#include <memory>
#include <new>

#include "analysis/Molecule.h"
#include "numerics/OdeSolver.h"
#include "platform/core/JobState.h"

namespace {

bool Finite(double x) {
    return std::isfinite(x);
}

// What a trace shares with its right-hand side.
struct STrace {
    CMolecule* molecule = nullptr;
    CVector startDirection;
    double sign = 1.0; // +1 uphill, -1 downhill
    double startStretch = 0.0;
    bool stop = false;
};

// dy/ds: the start direction over the first stretch (the gradient may vanish
// at the start), then the unit gradient times the sign. A vanishing gradient
// or a failed evaluation ends the trace; so does Cancel.
int GradientRhs(STrace& trace, double t, const double* y, double* ydot) {
    if (trace.startStretch > t) {
        ydot[0] = trace.startDirection.x;
        ydot[1] = trace.startDirection.y;
        ydot[2] = trace.startDirection.z;
        return 0;
    }
    if (IsCancelRequested() || !trace.molecule->Evaluate(CVector(y[0], y[1], y[2]), -2)) {
        trace.stop = true;
        return -1;
    }
    const CVector g = trace.molecule->GetGradient();
    const double norm = std::sqrt(g * g);
    if (norm == 0.0) {
        trace.stop = true;
        ydot[0] = ydot[1] = ydot[2] = 0.0;
        return 0;
    }
    const double f = trace.sign / norm;
    ydot[0] = f * g.x;
    ydot[1] = f * g.y;
    ydot[2] = f * g.z;
    return 0;
}

int TracePath(CMolecule* molecule, CGradPath* path, int type, CVector direction, double s0, bool uphill) {
    if (molecule == nullptr || path == nullptr) return 0;
    const CDEOptions& options = *g_pDEOptions;
    const double h0 = options.PointDistance.Current;
    const double absAccuracy = options.AbsAccuracy.Current;
    const double relAccuracy = options.RelAccuracy.Current;
    const double maxLength = options.MaxPathLength.Current;
    const double captureDistance = options.MinCritPointDistance.Current;
    // A spacing of 0 would never advance the arc length, and the solver
    // refuses tolerances of 0; neither may turn into an endless trace. A
    // maximal length of 0 or less would let the capture test take any
    // candidate at a negative distance.
    if (!(h0 > 0.0) || !Finite(h0) || !(relAccuracy > 0.0) || !Finite(relAccuracy) || !(absAccuracy > 0.0) ||
        !Finite(absAccuracy) || !(maxLength > 0.0) || !Finite(maxLength) || !Finite(captureDistance) ||
        !(s0 >= 0.0) || !Finite(s0))
        return 0;

    g_pMolecule = molecule;
    STrace trace;
    trace.molecule = molecule;
    trace.startDirection = direction;
    trace.sign = uphill ? 1.0 : -1.0;
    trace.startStretch = 10.0 * relAccuracy;

    const bool atEnd = !uphill;
    CCritPoint* startEnd = uphill ? path->GetLowerPoint() : path->GetEndPoint();
    const CVector start = startEnd ? startEnd->GetPosition() : CVector(0.0, 0.0, 0.0);
    if (startEnd) path->AddPoint(start, 0.0, atEnd);
    const CVector y0 = start + s0 * direction;

    std::unique_ptr<COdeSolver> solver;
    try {
        solver = std::make_unique<COdeSolver>(3);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (s0 > 0.0) path->AddPoint(y0, s0, atEnd);

    if (!molecule->Evaluate(y0, -2)) return 0;
    const double vRef = molecule->GetLastValue();

    double y[3] = {y0.x, y0.y, y0.z};
    const double absTol[3] = {absAccuracy, absAccuracy, absAccuracy};
    const COdeSolver::Status init = solver->Init(
        [&trace](double t, const double* yy, double* ydot) { return GradientRhs(trace, t, yy, ydot); }, s0, y,
        relAccuracy, absTol);
    if (init != COdeSolver::Status::Success) return 0;

    trace.stop = false;
    double s = s0;
    double vPrev = vRef;
    const int field = molecule->GetFieldIndex();
    const int queryDirection = uphill ? -1 : 1;
    auto evaluations = [&solver] { return static_cast<int>(solver->RhsEvaluations()); };

    for (;;) {
        // Capture query, once per batch.
        CCritPoint* nearest = startEnd;
        const CVector here(y[0], y[1], y[2]);
        double d = molecule->FindNearestCritPoint(here, &nearest, type, queryDirection, field);
        if (d > 1.1 * maxLength) d = 1.1 * maxLength;
        if (nearest != nullptr && d <= captureDistance) {
            if (uphill) {
                path->SetUpperPoint(nearest);
                path->SetTraceInfo(relAccuracy, evaluations(), s + d);
                if (d > 0.0) path->AddPoint(nearest->GetPosition(), s + d, false);
                path->ReverseParameter();
            } else {
                path->SetLowerPoint(nearest);
                path->SetLowerPointNumber(nearest->GetNumber());
                if (d > 0.0) path->AddPoint(nearest->GetPosition(), s + d, true);
                path->SetTraceInfo(relAccuracy, evaluations(), s + d);
            }
            return 1;
        }
        const bool tooLong = uphill ? s > maxLength : s >= maxLength;
        if (tooLong || trace.stop || IsCancelRequested()) {
            path->SetTraceInfo(relAccuracy, evaluations(), s);
            return 1;
        }

        double h = h0;
        double n = std::floor(d / h0);
        if (n < 1.0) {
            n = 1.0;
            h = d - 0.5 * captureDistance;
        }
        // A batch must advance (a negative path length or capture distance
        // would otherwise walk backwards for ever).
        if (!(h > 0.0)) {
            path->SetTraceInfo(relAccuracy, evaluations(), s);
            return 1;
        }
        for (double i = 0.0; i < n; i += 1.0) {
            if (!uphill && s >= maxLength) break;
            s += h;
            double reached = 0.0;
            const COdeSolver::Status status = solver->Solve(s, reached, y);
            bool failed = status != COdeSolver::Status::Success;
            if (!failed) {
                if (!molecule->Evaluate(CVector(y[0], y[1], y[2]), -2)) {
                    failed = true;
                } else {
                    const double v = molecule->GetLastValue();
                    failed = uphill ? v < vPrev : v > vRef;
                    if (uphill) vPrev = v;
                }
            }
            if (failed) trace.stop = true;
            if (trace.stop) break;
            path->AddPoint(CVector(y[0], y[1], y[2]), s, atEnd);
        }
    }
}

// The two paths of a bond or ring point (the path list `ascending` of the point,
// traced with `uphill`) along +/- the eigenvector in column `column`.
int TracePointPaths(CCritPoint& point, bool ascending, int column, bool uphill) {
    const CPathList& list = point.GetPathList(ascending);
    if (list.size() == 2) return 0;
    point.DeletePaths(ascending);

    CMolecule* molecule = point.GetMolecule();
    if (molecule == nullptr || !molecule->EvaluateHessian(point.GetPosition())) return 0;
    const CTensor hessian = molecule->GetHessianEigen();
    if (!hessian.HasEigenData()) return 0;
    CVector direction = hessian.GetEigenvectors()->Column(column);

    int made = 0;
    for (int k = 0; k < 2; ++k, direction = -1.0 * direction) {
        auto path =
            std::make_unique<CGradPath>(molecule, molecule->NextObjectNumber(), point.GetFieldIndex());
        const int traced = uphill ? path->TraceFromLowerEnd(&point, direction, 0.0)
                                  : path->TraceFromUpperEnd(&point, direction, 0.0);
        if (!traced) continue; // the path goes; its number stays used
        ++made;
        CGradPath* kept = path.release();
        if (CCritPoint* upper = kept->GetEndPoint()) upper->AddDescendingPath(kept);
        if (CCritPoint* lower = kept->GetLowerPoint()) lower->AddAscendingPath(kept);
    }
    return made;
}

} // namespace

int TracePathUphill(CMolecule* molecule, CGradPath* path, int type, CVector direction, double s0) {
    return TracePath(molecule, path, type, direction, s0, true);
}

int TracePathDownhill(CMolecule* molecule, CGradPath* path, int type, CVector direction, double s0) {
    return TracePath(molecule, path, type, direction, s0, false);
}

double CMolecule::FindNearestCritPoint(CVector point, CCritPoint** inOut, int type, int direction,
                                       int field) const {
    double best = 9999.0; // squared distance
    CCritPoint* found = nullptr;
    const CCritPoint* skip = inOut ? *inOut : nullptr;
    for (int s : {-3, -1, 1, 3}) {
        const bool takesPart =
            type == 0 || s == type || (direction > 0 && s > type) || (direction < 0 && s < type);
        if (!takesPart) continue;
        for (const auto& q : *GetList(s)) {
            if (q.get() == skip || q->GetFieldIndex() != field) continue;
            const CVector r = q->GetPosition() - point;
            const double d2 = r * r;
            if (d2 < best) {
                best = d2;
                found = q.get();
            }
        }
    }
    if (inOut) *inOut = found;
    return std::sqrt(best);
}

int CGradPath::TraceFromLowerEnd(CCritPoint* start, CVector direction, double s0) {
    SetLowerPoint(start);
    SetLowerPointNumber(start ? start->GetNumber() : 0);
    SetInMolGraph();
    return TracePathUphill(GetMolecule(), this, -1, direction, s0);
}

int CGradPath::TraceFromUpperEnd(CCritPoint* start, CVector direction, double s0) {
    SetUpperPoint(start);
    SetInMolGraph();
    return TracePathDownhill(GetMolecule(), this, 1, direction, s0);
}

int CBondPoint::TraceBondPaths() {
    return TracePointPaths(*this, true, 2, true);
}

int CRingPoint::TraceCagePaths() {
    return TracePointPaths(*this, false, 0, false);
}
