// Every atom of real molecules at the default options, in natural and in
// radial coordinates: the populations add up to the electrons, the atomic
// energies to the molecule's energy, each basin's Laplacian vanishes,
// equivalent atoms agree, the two methods agree, and exact identities hold.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"

namespace {

using namespace integrationtest;

struct Fixture {
    const char* file;
    int electrons;
    std::vector<int> equivalent; // atom indices related by symmetry
};

void PrintTo(const Fixture& fixture, std::ostream* os) {
    *os << fixture.file;
}

class RealMolecule : public testing::TestWithParam<Fixture> {};

// Relative to the size of the terms; the quadrupole's diagonal sums to zero
// at every point, where each term is of the size of rho r^2 (R2).
void ExpectIdentities(const CMolecule& molecule, const std::vector<double>& r, double relative) {
    const auto expectZero = [relative](double sum, std::initializer_list<double> terms) {
        double scale = 0.0;
        for (double t : terms)
            scale = std::max(scale, std::fabs(t));
        EXPECT_NEAR(sum, 0.0, relative * scale);
    };
    expectZero(r[3] - r[2] - r[1], {r[3], r[2], r[1]});
    expectZero(r[4] - r[2] - r[3], {r[4], r[2], r[3]});
    expectZero(r[25] + r[28] + r[30], {r[9]});
    double trace = 0.0;
    for (int i = 0; i < molecule.GetWavefunction()->m_nMOs; ++i)
        trace += r[static_cast<std::size_t>(47 + i * (i + 1) / 2 + i)];
    expectZero(r[0] - 2.0 * trace, {r[0]});
}

TEST_P(RealMolecule, EveryAtomInNaturalAndRadialCoordinates) {
    const Fixture& fixture = GetParam();
    CMolecule molecule;
    LoadFixture(molecule, fixture.file);
    SearchGraph(molecule);
    const int atoms = static_cast<int>(molecule.GetAtomList().size());
    std::vector<double> population, laplacian, energy, radial;
    double totalN = 0.0, totalE = 0.0;
    std::printf("%s\n%-6s %12s %10s %14s %10s %7s | %12s %10s %14s %10s %7s\n", fixture.file, "atom", "N", "L",
                "E", "evals", "s", "N radial", "L", "E", "evals", "s");
    for (int i = 0; i < atoms; ++i) {
        CAtom& atom = *AtomAt(molecule, i);
        SCOPED_TRACE(atom.GetLabel());
        CBasinJob job;
        job.Settings.Atom = &atom;
        EXPECT_TRUE(RunJob(job, Job::Natural).messages.empty());
        const CBasinResults natural = atom.m_ResultsA;
        ASSERT_EQ(natural.Method, job.Settings.Radius);
        ExpectIdentities(molecule, natural.Results, 1e-10);
        EXPECT_TRUE(RunJob(job, Job::Radial).messages.empty());
        ASSERT_EQ(atom.m_ResultsA.Method, -1.0);
        // Along rays that run far out, where the integrands fall by many
        // orders of magnitude, the solver's rounding grows to about 1e-9.
        ExpectIdentities(molecule, atom.m_ResultsA.Results, 1e-8);

        population.push_back(natural.Results[0]);
        laplacian.push_back(natural.Results[1]);
        energy.push_back(natural.Results[5]);
        radial.push_back(atom.m_ResultsA.Results[0]);
        totalN += natural.Results[0];
        totalE += natural.Results[5];
        const CBasinResults& rays = atom.m_ResultsA;
        std::printf("%-6s %12.6f %10.2e %14.6f %10d %7.2f | %12.6f %10.2e %14.6f %10d %7.2f\n",
                    atom.GetLabel().c_str(), natural.Results[0], natural.Results[1], natural.Results[5],
                    natural.Evaluations, natural.CPUTime, rays.Results[0], rays.Results[1], rays.Results[5],
                    rays.Evaluations, rays.CPUTime);

        EXPECT_LE(std::fabs(laplacian.back()), 1e-3);
        EXPECT_NEAR(radial.back(), population.back(), 5e-3);
    }
    std::printf("total  %12.6f %12s %14.6f (energy of the file %.6f)\n", totalN, "", totalE,
                FileEnergy(fixture.file));
    EXPECT_NEAR(totalN, fixture.electrons, 2e-3);
    EXPECT_NEAR(totalE, FileEnergy(fixture.file), 1e-3);
    // Every pair of equivalent atoms agrees, not only each with the first.
    const auto spread = [&fixture](const std::vector<double>& values) {
        double low = values[fixture.equivalent.front()], high = low;
        for (int i : fixture.equivalent) {
            low = std::min(low, values[i]);
            high = std::max(high, values[i]);
        }
        return high - low;
    };
    EXPECT_LE(spread(population), 1e-4);
    EXPECT_LE(spread(energy), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Basins, RealMolecule,
                         testing::Values(Fixture{"water.wfn", 10, {1, 2}},
                                         Fixture{"ammonia.wfn", 10, {1, 2, 3}},
                                         Fixture{"methane.wfn", 10, {1, 2, 3, 4}}),
                         [](const testing::TestParamInfo<Fixture>& param) {
                             std::string name = param.param.file;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
