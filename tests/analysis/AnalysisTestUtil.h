#pragma once
// Fixtures shared by the molecule tests.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/CritPointSearch.h"
#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"

namespace analysistest {

inline std::string FixturePath(const std::string& name) {
    return std::string(ZELMORA_TEST_DATA) + "/" + name;
}

// Loads a wavefunction fixture; message boxes go to a scripted service so a
// failure shows up in the test output rather than on stderr.
inline int Load(CMolecule& molecule, const std::string& name, std::vector<std::string>* messages = nullptr) {
    std::ifstream in(FixturePath(name));
    EXPECT_TRUE(in.good()) << name;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    const int result = molecule.LoadWavefunction(in);
    if (messages) *messages = prompts.Texts();
    return result;
}

inline int LoadText(CMolecule& molecule, const std::string& text) {
    std::istringstream in(text);
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    return molecule.LoadWavefunction(in);
}

// A molecule of one nucleus carrying one s Gaussian, doubly occupied:
// rho = 2 c^2 exp(-2 alpha r^2), a maximum on the nucleus.
inline std::string OneGaussianWfn(CVector centre, double alpha, double coefficient = 1.0) {
    char line[200];
    std::string text = "One s Gaussian\n";
    std::snprintf(line, sizeof line, "GAUSSIAN%15d MOL ORBITALS%7d PRIMITIVES%9d NUCLEI\n", 1, 1, 1);
    text += line;
    std::snprintf(line, sizeof line, "%-8.8s    (CENTRE%3d) %12.8f%12.8f%12.8f  CHARGE =%5.1f\n", "  X    1",
                  1, centre.x, centre.y, centre.z, 1.0);
    text += line;
    text += "CENTRE ASSIGNMENTS    1\n";
    text += "TYPE ASSIGNMENTS      1\n";
    std::snprintf(line, sizeof line, "EXPONENTS %14.7E\n", alpha);
    text += line;
    std::snprintf(line, sizeof line, "MO%3d                     OCC NO = %12.8f ORB. ENERGY = %12.8f\n", 1,
                  2.0, -0.5);
    text += line;
    std::snprintf(line, sizeof line, "%16.8E\n", coefficient);
    text += line;
    text += "END DATA\n";
    std::snprintf(line, sizeof line, "RHF      ENERGY =%20.10f   VIRIAL(-V/T)  =%13.8f\n", -0.5, 2.0);
    text += line;
    return text;
}

// A search progress nobody watches.
class CQuietProgress : public ISearchProgress {
public:
    bool IsCancelled() override { return false; }
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
};

// The Newton searches of the current field from the nuclei, then from pairs
// and triples of maxima.
inline void SearchAll(CMolecule& molecule) {
    zel::CTextRecord log;
    CQuietProgress quiet;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
    search.SearchFromNuclei();
    search.SearchFromMaximaPairs();
    search.SearchFromMaximaTriples();
}

// The C library prints two exponent digits, the records three: widen the
// exponent and take the extra digit out of the field's leading blanks.
inline std::string Widen(std::string field) {
    const std::size_t e = field.find_first_of("eE");
    if (e == std::string::npos || field.size() - e != 4) return field;
    field.insert(e + 2, "0");
    if (!field.empty() && field.front() == ' ') field.erase(0, 1);
    return field;
}

} // namespace analysistest
