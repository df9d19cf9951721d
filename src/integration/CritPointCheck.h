#pragma once
// What a basin integration relies on in the critical points of the electron
// density: the molecule's set is complete, so that the numbers of maxima
// (nuclear and non-nuclear), bond, ring and cage points obey n - b + r - c = 1,
// and the atom's bonded points are known, which needs the bond paths of every
// bond point. With a bond point missing the natural coordinates lose a region
// and the radial ones a safe sphere: both give a wrong basin without failing.
// No Qt.

#include <string>

class CAtom;
class CMolecule;

struct SCritPointCount {
    int Maxima = 0;
    int Bonds = 0;
    int Rings = 0;
    int Cages = 0;
    // n - b + r - c: 1 for a molecule.
    int Sum() const { return Maxima - Bonds + Rings - Cages; }
};

// The critical points of the electron density (field 0) by signature.
SCritPointCount CountDensityCritPoints(const CMolecule& molecule);

// Rebuilds the atom's bonded list and checks what a basin job of the atom
// relies on. Empty when all holds; otherwise a message that says what is
// missing and what to search, ending in the question whether to integrate
// all the same.
std::string CheckCritPointsForBasin(CAtom& atom);
