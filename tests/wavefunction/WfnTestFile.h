#pragma once
// Builds *.wfn texts in the column layout quantum-chemistry programs write, so
// tests can start from a small valid file and damage one field at a time.

#include <cstdio>
#include <string>
#include <vector>

namespace wfntest {

struct Nucleus {
    std::string label; // the eight label columns
    int number;
    double x, y, z, charge;
};

struct Orbital {
    double occupation, energy;
    std::vector<double> coefficients;
};

struct WfnFile {
    std::string title;
    std::vector<Nucleus> nuclei;
    std::vector<int> centres, types;
    std::vector<double> exponents;
    std::vector<Orbital> orbitals;
    double energy = -1.0;
    double virial = 2.0;

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines{title};
        char buffer[200];
        std::snprintf(buffer, sizeof buffer, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI",
                      static_cast<int>(orbitals.size()), static_cast<int>(exponents.size()),
                      static_cast<int>(nuclei.size()));
        lines.emplace_back(buffer);
        for (const Nucleus& n : nuclei) {
            std::snprintf(buffer, sizeof buffer, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f",
                          n.label.c_str(), n.number, n.x, n.y, n.z, n.charge);
            lines.emplace_back(buffer);
        }
        AppendInts(lines, "CENTRE ASSIGNMENTS  ", centres);
        AppendInts(lines, "TYPE ASSIGNMENTS    ", types);
        AppendReals(lines, "EXPONENTS ", "%14.7E", exponents);
        for (std::size_t k = 0; k < orbitals.size(); ++k) {
            std::snprintf(buffer, sizeof buffer,
                          "MO%3d                     OCC NO = %12.8f ORB. ENERGY = %12.8f",
                          static_cast<int>(k + 1), orbitals[k].occupation, orbitals[k].energy);
            lines.emplace_back(buffer);
            AppendReals(lines, "", "%16.8E", orbitals[k].coefficients);
        }
        lines.emplace_back("END DATA");
        std::snprintf(buffer, sizeof buffer, "RHF      ENERGY =%20.10f   VIRIAL(-V/T)  =%13.8f", energy,
                      virial);
        lines.emplace_back(buffer);
        return lines;
    }

private:
    static void AppendInts(std::vector<std::string>& lines, const char* head,
                           const std::vector<int>& values) {
        char field[16];
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i % 20 == 0) lines.emplace_back(head);
            std::snprintf(field, sizeof field, "%3d", values[i]);
            lines.back() += field;
        }
    }
    static void AppendReals(std::vector<std::string>& lines, const char* head, const char* format,
                            const std::vector<double>& values) {
        char field[32];
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i % 5 == 0) lines.emplace_back(head);
            std::snprintf(field, sizeof field, format, values[i]);
            lines.back() += field;
        }
    }
};

inline std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// Two nuclei, two orbitals and six primitives of types 2, 1, 2, 1, 1, 3. The
// fifth primitive is zero in both orbitals (once as -0.0) and is dropped; the
// sixth is used by the second orbital alone, with a tiny coefficient.
inline WfnFile SmallFile() {
    WfnFile f;
    f.title = "Small test molecule";
    f.nuclei = {{"  H    1", 1, 0.1, 0.2, 0.3, 1.0}, {"  He   2", 2, -0.4, 0.5, -0.6, 2.0}};
    f.centres = {1, 1, 2, 2, 1, 2};
    f.types = {2, 1, 2, 1, 1, 3};
    f.exponents = {1.5, 2.5, 3.5, 4.5, 5.5, 6.5};
    f.orbitals = {{2.0, -0.5, {0.1, 0.2, 0.3, 0.4, 0.0, 0.0}},
                  {-0.25, 0.75, {-0.5, 0.6, -0.7, 0.8, -0.0, 1e-300}}};
    f.energy = -1.1234567891;
    f.virial = 2.0000001;
    return f;
}

// Line numbers of the small file (from 0).
enum SmallLine {
    kTitle = 0,
    kCounts = 1,
    kNucleus1 = 2,
    kNucleus2 = 3,
    kCentres = 4,
    kTypes = 5,
    kExponents = 6,
    kExponents2 = 7,
    kOrbital1 = 8,
    kCoefficients1 = 9,
    kCoefficients1b = 10,
    kOrbital2 = 11,
    kCoefficients2 = 12,
    kEndData = 14,
    kEnergy = 15,
};

// Overwrites the text at `column`, padding a shorter line with blanks.
inline void Put(std::string& line, std::size_t column, const std::string& text) {
    if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
    line.replace(column, text.size(), text);
}

} // namespace wfntest
