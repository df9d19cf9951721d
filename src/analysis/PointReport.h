#pragma once
// The analysed point of the property analysis. The molecule's last-evaluation
// members are scratch state that any later evaluation overwrites (a search, a
// path, a plot), so the analysis keeps its own copy and the point record is
// written from that copy: a record rebuilt later still describes one point.

#include <string>
#include <vector>

#include "numerics/Tensor.h"
#include "numerics/Vector.h"

struct CPointSnapshot {
    CVector Point;      // bohr
    int Field = 0;      // the field analysed
    double Value = 0.0; // of that field
    CVector Gradient;
    CTensor Hessian;            // with eigen data unless the diagonalisation failed
    std::vector<double> Values; // the property array at the point (47 + n(n+1)/2)
    int OrbitalCount = 0;       // n
};
