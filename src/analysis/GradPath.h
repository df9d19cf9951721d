#pragma once
// A gradient path: a curve of steepest ascent of one field from a critical point
// of lower value (the lower end) to one of higher value (the upper end),
// sampled as points with their arc-length parameters (bohr).
//
// Stored order: from the upper end down to the lower end, parameters rising
// from 0; a path traced uphill that reached no upper end runs from its last
// traced point back to the lower end, parameters falling to 0.
//
// A path of the molecular graph stands in its upper end's descending list and
// its lower end's ascending list (see CritPoint.h); a contour plot keeps its own
// paths in no point's list.

#include <deque>

#include "numerics/Vector.h"
#include "platform/core/Archive.h"
#include "platform/core/TextRecord.h"

class CAtom;
class CCritPoint;
class CMolecule;

class CGradPath : public zel::CObject {
    ZEL_DECLARE_SERIAL(CGradPath);

    // For loading: number 0, field -1, no ends, no points.
    CGradPath();
    // number: the molecule's next object number (9999 for a contour plot's own
    // paths); field: 0..4.
    CGradPath(CMolecule* molecule, int number, int fieldIndex);
    // Leaves the descending list of the upper end and the ascending list of the
    // lower end, where it stands in them.
    ~CGradPath() override;

    CGradPath(const CGradPath&) = delete;
    CGradPath& operator=(const CGradPath&) = delete;

    // Number, field, lower-end number, flag, accuracy, length, evaluations and
    // the points with their parameters. The ends and the molecule are linked
    // again by the owners after loading. Loading throws zel::CArchiveException
    // for a point count the data cannot hold or a field outside 0..4.
    void Serialize(zel::CArchive& ar) override;

    // Tracing (PathTracer.cpp). Uphill from start as the lower end towards
    // (3,-3) and (3,-1) points, or downhill from start as the upper end towards
    // (3,+1) and (3,+3) points; either way the path joins the molecular graph
    // but is entered in no point's list. direction: unit vector leaving start;
    // s0 >= 0: arc length (bohr) of the first traced point. 1 when the trace
    // ran (captured or not: see the far end), 0 when it could not start.
    int TraceFromLowerEnd(CCritPoint* start, CVector direction, double s0);
    int TraceFromUpperEnd(CCritPoint* start, CVector direction, double s0);

    // Appends (atEnd) or prepends a point with its parameter.
    void AddPoint(CVector point, double parameter, bool atEnd);
    void SetTraceInfo(double accuracy, int evaluations, double length);
    // Every parameter t becomes length - t.
    void ReverseParameter();

    void SetUpperPoint(CCritPoint* point) { m_pUpperPoint = point; }
    void SetLowerPoint(CCritPoint* point) { m_pLowerPoint = point; }
    void SetLowerPointNumber(int number) { m_nLowerNumber = number; }
    void SetMolecule(CMolecule* molecule) { m_pMolecule = molecule; }
    void SetInMolGraph() { m_bInMolGraph = 1; }

    // The upper end, or null.
    CCritPoint* GetEndPoint() const { return m_pUpperPoint; }
    CCritPoint* GetLowerPoint() const { return m_pLowerPoint; }
    // Object number of the lower end; 0 for none.
    int GetLowerPointNumber() const { return m_nLowerNumber; }
    CMolecule* GetMolecule() const { return m_pMolecule; }
    int GetNumber() const { return m_nNumber; }
    int GetFieldIndex() const { return m_nField; }
    int IsInMolGraph() const { return m_bInMolGraph; }
    double GetAccuracy() const { return m_dAccuracy; }
    double GetLength() const { return m_dLength; }
    int GetEvaluations() const { return m_nEvaluations; }

    // Parallel lists: parameter i belongs to point i. Callers may change points
    // in place or drop points from the tail.
    std::deque<CVector>& GetPointList() { return m_Points; }
    const std::deque<CVector>& GetPointList() const { return m_Points; }
    std::deque<double>& GetParameterList() { return m_Parameters; }
    const std::deque<double>& GetParameterList() const { return m_Parameters; }

    // Walking from the upper end, the point where the path first reaches
    // distance r (bohr) from the atom's nucleus, interpolated between the two
    // stored points around it; the last point when it never does; (0, 0, r)
    // without upper end or points.
    CVector PointAtRadius(const CAtom& atom, double r) const;

    // Appends the path's record, with the point table when withPoints is set;
    // returns the number of lines appended.
    int WriteReport(zel::CTextRecord& lines, bool withPoints) const;

private:
    std::deque<CVector> m_Points;
    std::deque<double> m_Parameters;
    double m_dLength = 0.0;
    int m_nNumber = 0;
    int m_nField = -1;
    CMolecule* m_pMolecule = nullptr;    // not owned
    CCritPoint* m_pUpperPoint = nullptr; // not owned
    CCritPoint* m_pLowerPoint = nullptr; // not owned
    int m_nLowerNumber = 0;
    int m_bInMolGraph = 0;
    double m_dAccuracy = 0.0;
    int m_nEvaluations = 0;
};
