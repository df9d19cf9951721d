#pragma once
// Picking in the three-dimensional view: the records of the last picked
// nucleus, critical point and path, the reading of GL's selection buffer and
// the texts the object dialogs show.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "numerics/Vector.h"

struct C3DPickTarget;

struct CPickedAtom {
    std::string element;
    int number = 0; // place in the atom list, from 1
    CVector position;
};

struct CPickedCritPoint {
    std::string type; // "(3,-3)", "(3,-1)", "(3,+1)" or "(3,+3)"
    int number = 0;   // place among the points of its signature and field, from 1
    CVector position;
    double value = 0; // not shown; stays 0
};

struct CPickedPath {
    std::string startType;
    std::string endType;
    int number = 0; // the start point's place among the points of its signature and field, from 1
    CVector start;
    CVector end;
    double length = 0;
};

// The end type of a path that reached no critical point.
inline constexpr char kNoEndType[] = "none";

// The selection names GL reports for a pick lie in a buffer of this many
// entries.
inline constexpr std::size_t kSelectBufferSize = 64;

// The selection name of the object hit first: the name on top of the name
// stack of the first hit record that has one (a record without names, such as
// the plot's plane, is passed over). hits is what leaving selection mode
// returned: the number of records, or negative when the buffer overflowed, in
// which case the complete records it holds are read. Records are walked by
// their name counts and never beyond the buffer. None when no record names
// an object.
std::optional<std::uint32_t> FirstHitName(const std::uint32_t* buffer, std::size_t size, int hits);

// The element of a nuclear charge (truncated): 1 "Hydrogen" to 118
// "Ununoctium"; any other "Unlisted".
std::string GetElementName(int charge);

// "(3,-3)", "(3,-1)", "(3,+1)" or "(3,+3)" for the signatures -3, -1, 1, 3.
std::string CritPointTypeText(int signature);

// The records of a pick target (of the matching kind).
CPickedAtom PickedAtom(const C3DPickTarget& target);
CPickedCritPoint PickedCritPoint(const C3DPickTarget& target);
CPickedPath PickedPath(const C3DPickTarget& target);
