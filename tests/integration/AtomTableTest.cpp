// Atoms of the fixtures at the default options, in natural and in radial
// coordinates: both succeed without a message, the Laplacian integrates to
// zero over each basin, and the two methods agree on the population. Among
// them the hydrogen-bond hydrogen of the pyridone-aminopyridine dimer, the
// lithium of Li2 beside its non-nuclear maximum, LiF, whose density has a
// maximum of no atom far behind the lithium, and atoms of molecules with
// ring and cage points, triple bonds and lone pairs. Each atom is a test of
// its own, so that the table runs in parallel; the whole molecules are
// summed in the benchmarks.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "integration/BasinQuadrature.h"
#include "integration/Quadrature.h"

namespace {

using namespace integrationtest;

struct SAtomCase {
    const char* file;
    int atom;         // index in the atom list
    const char* kind; // what the atom stands for
    bool grid;        // the searches from nuclei, pairs and triples miss points: add a grid search
};

void PrintTo(const SAtomCase& c, std::ostream* os) {
    *os << c.file << " " << c.atom;
}

// The critical points from the nuclei, pairs and triples of maxima, and, where
// those miss some, from a grid over the molecule; then the bond paths.
void SearchCriticalPoints(CMolecule& molecule, bool grid) {
    zel::CTextRecord log;
    CQuietProgress quiet;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
    search.SearchFromNuclei();
    search.SearchFromMaximaPairs();
    search.SearchFromMaximaTriples();
    if (grid) {
        search.SearchOnGrid(GridAroundNuclei(molecule, 2.0, 20));
    }
    CalcBondPaths(molecule, log, quiet);
}

int CountField0(CMolecule& molecule, int type) {
    int n = 0;
    for (const auto& point : *molecule.GetList(type))
        n += point->GetFieldIndex() == 0 ? 1 : 0;
    return n;
}

class AtomTable : public testing::TestWithParam<SAtomCase> {};

TEST_P(AtomTable, NaturalAndRadialAgreeAndTheLaplacianVanishes) {
    const SAtomCase& c = GetParam();
    CMolecule molecule;
    LoadFixture(molecule, c.file);
    SearchCriticalPoints(molecule, c.grid);
    // The radial membership test relies on every atom's safe radius, which
    // needs the complete set: maxima - bonds + rings - cages = 1.
    const int maxima = CountField0(molecule, -3), bonds = CountField0(molecule, -1),
              rings = CountField0(molecule, 1), cages = CountField0(molecule, 3);
    ASSERT_EQ(maxima - bonds + rings - cages, 1) << maxima << " " << bonds << " " << rings << " " << cages;

    CAtom& atom = *AtomAt(molecule, c.atom);
    CBasinJob job;
    job.Settings.Atom = &atom;
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(RunJob(job, Job::Natural).messages, std::vector<std::string>{});
    const double naturalSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const CBasinResults natural = atom.m_ResultsA;
    ASSERT_EQ(natural.Method, job.Settings.Radius);
    start = Clock::now();
    EXPECT_EQ(RunJob(job, Job::Radial).messages, std::vector<std::string>{});
    const double radialSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const CBasinResults& radial = atom.m_ResultsA;
    ASSERT_EQ(radial.Method, -1.0);

    std::printf("| %s | %s %s | %.6f | %.2e | %d | %.1f | %.6f | %.2e | %d | %.1f |\n", c.file,
                atom.GetLabel().c_str(), c.kind, natural.Results[0], natural.Results[1], natural.Evaluations,
                naturalSeconds, radial.Results[0], radial.Results[1], radial.Evaluations, radialSeconds);
    EXPECT_LE(std::fabs(natural.Results[1]), 1e-3);
    EXPECT_LE(std::fabs(radial.Results[1]), 1e-3);
    EXPECT_NEAR(natural.Results[0], radial.Results[0], 2e-3);
}

// Benzene holds 42 electrons in six equal CH units: a carbon and a hydrogen
// integrated in natural coordinates make seven. The carbon's basin reaches
// into the thin layers beside its carbon-carbon surfaces, which only paths
// leaving the carbon within micro-radians of its bonds fill.
TEST(AtomTableBenzene, CarbonAndHydrogenMakeSeven) {
    CMolecule molecule;
    LoadFixture(molecule, "benzene.wfn");
    SearchCriticalPoints(molecule, false);
    double sum = 0.0, laplacian = 0.0;
    for (int index : {0, 6}) {
        CAtom& atom = *AtomAt(molecule, index);
        CBasinJob job;
        job.Settings.Atom = &atom;
        EXPECT_EQ(RunJob(job, Job::Natural).messages, std::vector<std::string>{});
        sum += atom.m_ResultsA.Results[0];
        laplacian += atom.m_ResultsA.Results[1];
    }
    EXPECT_NEAR(sum, 7.0, 1e-3);
    EXPECT_NEAR(laplacian, 0.0, 1e-3);
}

// One ray of the dimer's carbonyl carbon (atom 1) leaves the carbon for its
// oxygen at 2.04 bohr and comes back for a layer of a few hundredths of a
// bohr at 3.6, between the oxygen's basin and the nitrogen's, far thinner
// than the ray step. The ray's integrals at the default step equal those of
// a step of 0.01 bohr, which walks through the layer.
TEST(AtomTableDimer, ARayFindsALayerOfItsBasinBetweenTwoOthers) {
    CMolecule molecule;
    LoadFixture(molecule, "pyridone_aminopyridine.wfn");
    SearchCriticalPoints(molecule, false);
    for (const auto& each : molecule.GetAtomList())
        each->ComputeNearestCritDistance();
    CAtom& carbon = *AtomAt(molecule, 1);
    ASSERT_TRUE(carbon.AllocateCaches());
    const double theta = 82.5 * std::numbers::pi / 180.0, phi = 357.0 * std::numbers::pi / 180.0;
    const int n = SelectedBasinCount(molecule);
    const auto ray = [&](double step) {
        molecule.GetIntegOptions().RayStep.Current = step;
        CBasinQuadrature quadrature(carbon, molecule);
        std::vector<double> out(static_cast<std::size_t>(n), 0.0);
        g_bCancel = 0;
        EXPECT_EQ(quadrature.IntegrateBasinRadial(phi, phi, theta, theta, n, out.data()), 1);
        double segments[4];
        quadrature.Context().Theta = theta;
        quadrature.Context().Phi = phi;
        EXPECT_EQ(quadrature.FindSurfaceCrossings(segments), 1);
        return std::make_pair(out, std::vector<double>(segments, segments + 4));
    };
    const auto [coarse, coarseSegments] = ray(1.0);
    const auto [fine, fineSegments] = ray(0.01);
    carbon.FreeCaches();
    // The layer: a second inside segment near 3.6 bohr.
    EXPECT_NEAR(fineSegments[2], 3.57, 0.05);
    EXPECT_LT(fineSegments[3] - fineSegments[2], 0.2);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(coarseSegments[static_cast<std::size_t>(i)], fineSegments[static_cast<std::size_t>(i)],
                    1e-3)
            << i;
    EXPECT_NEAR(coarse[0], fine[0], 1e-5 * fine[0]);
    EXPECT_NEAR(coarse[1], fine[1], 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, AtomTable,
    testing::Values(SAtomCase{"water.wfn", 0, "O", false}, SAtomCase{"water.wfn", 1, "H", false},
                    SAtomCase{"ammonia.wfn", 0, "N", false}, SAtomCase{"ammonia.wfn", 1, "H", false},
                    SAtomCase{"methane.wfn", 0, "C", false}, SAtomCase{"methane.wfn", 1, "H", false},
                    SAtomCase{"benzene.wfn", 0, "C", false}, SAtomCase{"benzene.wfn", 6, "H", false},
                    SAtomCase{"lif.wfn", 0, "Li", false}, SAtomCase{"lif.wfn", 1, "F", false},
                    SAtomCase{"pyridone_aminopyridine.wfn", 19, "H, hydrogen bond", false},
                    SAtomCase{"pyridone_aminopyridine.wfn", 6, "H", false},
                    SAtomCase{"pyridone_aminopyridine.wfn", 0, "N", false},
                    SAtomCase{"pyridone_aminopyridine.wfn", 1, "C", false},
                    SAtomCase{"pyridone_aminopyridine.wfn", 7, "O", false},
                    SAtomCase{"li2.wfn", 0, "Li, non-nuclear maximum", true},
                    SAtomCase{"bicyclopentane.wfn", 0, "C, bridgehead", true},
                    SAtomCase{"bicyclopentane.wfn", 2, "C, bridge", true},
                    SAtomCase{"bicyclopentane.wfn", 5, "H, bridgehead", true},
                    SAtomCase{"bicyclopentane.wfn", 7, "H, bridge", true}, SAtomCase{"hcn.wfn", 0, "H", true},
                    SAtomCase{"hcn.wfn", 1, "C", true}, SAtomCase{"hcn.wfn", 2, "N", true},
                    SAtomCase{"formamide.wfn", 0, "C", true}, SAtomCase{"formamide.wfn", 1, "O", true},
                    SAtomCase{"formamide.wfn", 2, "N", true}, SAtomCase{"formamide.wfn", 3, "H, on C", true},
                    SAtomCase{"formamide.wfn", 4, "H, on N, beside O", true},
                    SAtomCase{"formamide.wfn", 5, "H, on N, away from O", true}),
    [](const testing::TestParamInfo<SAtomCase>& param) {
        std::string name = param.param.file;
        name = name.substr(0, name.find('.')) + "_" + std::to_string(param.param.atom);
        return name;
    });

} // namespace
