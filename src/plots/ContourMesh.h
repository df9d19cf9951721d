#pragma once
// The mesh records of the plots that sample a field on their plane: a node
// (a point of the plane with the field value there) and an element (a
// triangle of three nodes). The contour plot, the relief map and the text
// output on a plane grid share them. Plain records, copied member by member;
// every field starts at zero, so that two saves of one mesh write the same
// bytes.

#include "numerics/Vector.h"
#include "platform/core/Archive.h"

class CNode {
public:
    CNode() = default;
    CNode(CVector position, double value) : Position(position), Value(value) {}

    // x, y, z (doubles), the flag, the four auxiliary integers, the value:
    // 52 bytes.
    void Serialize(zel::CArchive& ar);

    static constexpr std::size_t kArchiveBytes = 52;

    CVector Position;   // bohr
    int Aux[4] = {};    // carried in the document; the contour plot never uses them
    int Flag = 0;       // carried in the document; the contour plot never uses it
    double Value = 0.0; // the field value at the position
};

class CElement {
public:
    // The element id, the node indexes a, b, c (ints), then the normal and the
    // centroid (doubles): 64 bytes.
    void Serialize(zel::CArchive& ar);

    static constexpr std::size_t kArchiveBytes = 64;

    int A = 0; // node indexes into the plot's node array; c is the cell's centre
    int B = 0;
    int C = 0;
    int Id = 0;       // the element's own index
    CVector Normal;   // filled by the relief map; (0, 0, 0) in a contour plot
    CVector Centroid; // likewise
};
