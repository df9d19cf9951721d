#pragma once
// Tracing gradient paths of the molecule's current field with the ODE solver.
// The independent variable is the arc length s (bohr), the state the position;
// dy/ds is the unit gradient (uphill) or its negative (downhill). Points are
// stored at the fixed spacing PointDistance of the gradient-path options, and
// after every batch of points the nearest critical point of the wanted kinds is
// looked up: within MinCritPointDistance it becomes the far end (the path is
// captured). A path also ends, without its far end and without a message, past
// MaxPathLength, at a failed solver step, where the field value runs the wrong
// way, where the gradient vanishes, and on Cancel (IsCancelRequested).
//
// The options are read at every call through g_pDEOptions; the molecule is
// also stored in g_pMolecule, as every trace has done. The per-trace state
// (start direction, stop flag) is local to the call, so traces of different
// molecules on different threads do not meet; the molecule's evaluation state
// is still shared by everything that evaluates it.

#include "numerics/Vector.h"

class CCritPoint;
class CGradPath;
class CMolecule;

// path: its start end set already (uphill the lower end, downhill the upper
// end) or none, when the path starts at the origin. type: the bound of the
// signatures of candidate far ends, <= type uphill, >= type downhill. The start
// end itself is never a candidate. direction: unit vector along which the path
// leaves its start (followed over the first 10 x RelAccuracy of arc length).
// s0 >= 0: arc length of the first traced point.
//
// Returns 1 when the trace ran, captured or not; the path then holds its
// points, parameters, accuracy, evaluations (right-hand sides of the solver)
// and length, and on capture its far end (uphill SetUpperPoint, downhill
// SetLowerPoint and SetLowerPointNumber). Stored order: uphill points are
// prepended and a captured uphill path has its parameters reversed, so it runs
// from the upper end with parameters rising from 0; an uncaptured uphill path
// keeps parameters measured from its lower end. Downhill points are appended.
//
// Returns 0 when the trace could not start: no molecule or path, options the
// trace cannot work with (PointDistance, RelAccuracy or AbsAccuracy not > 0,
// MaxPathLength not > 0 or not finite, MinCritPointDistance not finite, s0 <
// 0), the field not
// evaluable at the start, or no solver memory. The path then holds at most
// its start points; callers delete it. The path is entered in no list.
int TracePathUphill(CMolecule* molecule, CGradPath* path, int type, CVector direction, double s0);
int TracePathDownhill(CMolecule* molecule, CGradPath* path, int type, CVector direction, double s0);
