#pragma once
// The rectangle of molecular space a plot shows (bohr). Plain record, copied
// member by member. CPlot::SetPlane derives the corners from the three points
// A, B and C that span the plane, the centre, the side lengths and the angle.

#include "numerics/Vector.h"

struct CPlotPlane {
    // Corner 0 is shared by the side of length Height (towards corner 1) and
    // the side of length Width (towards corner 2).
    CVector Corner0;
    CVector Corner1;
    CVector Corner2;
    CVector Centre;
    double Width = 0.0;
    double Height = 0.0;
    double Angle = 0.0; // turn of the rectangle about the plane normal, degrees
    CVector PointA;
    CVector PointB;
    CVector PointC;

    // Whether A, B and C span a plane: none of them coincide and they do not
    // lie on one line (the plane normal would be zero).
    static bool SpansPlane(CVector a, CVector b, CVector c);
};
