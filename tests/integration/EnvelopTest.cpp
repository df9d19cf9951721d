// The envelope grid: its box, jobs 12 and 13 on a lone Gaussian (analytic
// values and basins) and on water (basins against the radial membership
// test), the map flags, the document part and its refusals, and the
// failures that keep the previous grid.

#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "IntegrationTestUtil.h"
#include "analysis/CritPoint.h"
#include "analysis/DocumentFile.h"
#include "analysis/Envelop.h"
#include "integration/BasinQuadrature.h"

namespace {

using namespace integrationtest;
using Bytes = std::vector<std::uint8_t>;

// Runs a grid job on this thread with recorded message boxes.
template <class F> std::vector<std::string> RunQuietly(F job, int* result = nullptr) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    const int r = job();
    if (result) *result = r;
    return prompts.Texts();
}

// Lets the memory limit go back to the machine's after a test lowered it.
struct MemoryLimitGuard {
    ~MemoryLimitGuard() { CEnvelop::SetMemoryLimit(0); }
};

Bytes StoreEnvelope(CEnvelop& envelope) {
    zel::CArchive ar;
    envelope.Serialize(ar);
    return ar.Bytes();
}

// One s Gaussian (exponent 1, two electrons) at the origin: rho = 2 (2/pi)^1.5 exp(-2 r^2).
class LoneGaussian : public testing::Test {
protected:
    void SetUp() override {
        LoadText(molecule, SGaussiansWfn({CVector(0, 0, 0)}, 1.0));
        SearchGraph(molecule);
        g_bCancel = 0;
    }
    static double Rho(CVector p) {
        return 2.0 * std::pow(2.0 / std::numbers::pi, 1.5) * std::exp(-2.0 * (p * p));
    }
    // Every point lies where the mesh says and has the analytic density. A
    // point more than 3 bohr from the nucleus belongs to no basin; one within
    // belongs to the atom when it was traced (exact), or when the old points
    // around it, at most 2.24 meshes away, lie within 3 bohr too (inherited).
    void ExpectGrid(const CEnvelop& envelope, int n, double mesh, bool exact) {
        const CEnvGrid* grid = envelope.GetGrid();
        ASSERT_NE(grid, nullptr);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(envelope.GetCount(axis), n);
        EXPECT_EQ(envelope.GetMesh(), mesh);
        CAtom* atom = AtomAt(molecule, 0);
        int wrong = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int k = 0; k < n; ++k) {
                    const CEnvPoint& point = grid->At(i, j, k);
                    const CVector expected = CVector(-3, -3, -3) + mesh * CVector(i, j, k);
                    const CVector p = point.GetPosition();
                    if (p.x != expected.x || p.y != expected.y || p.z != expected.z) ++wrong;
                    if (std::fabs(point.GetValue(0) - Rho(p)) > 1e-9 * Rho(p)) ++wrong;
                    const double d = std::sqrt(p * p);
                    if (point.GetAtom() && (point.GetAtom() != atom || d > 3.0)) ++wrong;
                    if (!point.GetAtom() && d <= (exact ? 3.0 : 3.0 - 2.24 * mesh)) ++wrong;
                }
        EXPECT_EQ(wrong, 0);
    }
    CMolecule molecule;
};

TEST_F(LoneGaussian, GridIsTheBoxOfTheNucleusAndRefinementHalvesTheMesh) {
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    EXPECT_EQ(envelope.GetOrigin().x, -3.0);
    EXPECT_EQ(envelope.GetOrigin().y, -3.0);
    EXPECT_EQ(envelope.GetOrigin().z, -3.0);
    EXPECT_EQ(envelope.GetCount(0), 7);
    EXPECT_EQ(envelope.GetCount(3), 0);
    EXPECT_EQ(envelope.GetGrid(), nullptr);

    int result = 0;
    EXPECT_EQ(RunQuietly([&] { return envelope.Calculate(); }, &result), std::vector<std::string>{});
    EXPECT_EQ(result, 1);
    ExpectGrid(envelope, 7, 1.0, true);
    // The five fields at a point, field index 5 reads 0.
    const CEnvPoint& corner = envelope.GetGrid()->At(3, 3, 4); // (0, 0, 1)
    ASSERT_EQ(molecule.Evaluate(CVector(0, 0, 1), 1), 1);
    for (int f = 0; f < 5; ++f)
        EXPECT_EQ(corner.GetValue(f), molecule.GetValues()[f]) << f;
    EXPECT_EQ(corner.GetValue(5), 0.0);
    EXPECT_EQ(corner.GetValue(-1), 0.0);

    const CEnvGrid* first = envelope.GetGrid();
    const CEnvPoint kept = first->At(2, 5, 6);
    EXPECT_EQ(RunQuietly([&] { return envelope.Refine(); }, &result), std::vector<std::string>{});
    EXPECT_EQ(result, 1);
    ExpectGrid(envelope, 13, 0.5, false);
    // Old points are copied, not recomputed.
    EXPECT_EQ(envelope.GetGrid()->At(4, 10, 12).GetValue(1), kept.GetValue(1));
    EXPECT_EQ(RunQuietly([&] { return envelope.Refine(); }, &result), std::vector<std::string>{});
    ExpectGrid(envelope, 25, 0.25, false);
}

TEST_F(LoneGaussian, DocumentPartIsItsTableAndRoundTripsByteForByte) {
    auto owned = std::make_unique<CEnvelop>(&molecule);
    CEnvelop& envelope = *owned;
    envelope.ComputeBox();
    envelope.SetThreshold(0.25);
    envelope.SetMaxDistance(CEnvelop::kNoDistanceLimit);
    ASSERT_EQ(RunQuietly([&] { return envelope.Calculate() && envelope.Refine(); }),
              std::vector<std::string>{});
    const Bytes bytes = StoreEnvelope(envelope);
    const std::size_t points = 13 * 13 * 13;
    ASSERT_EQ(bytes.size(), 52 + 68 * points);

    // Counts, origin, threshold, maximal distance, then point (0, 0, 0) and
    // the centre, whose atom is number 1.
    Bytes head(52 + 68);
    const auto put = [&head](std::size_t at, const void* value, std::size_t size) {
        std::memcpy(head.data() + at, value, size);
    };
    const int counts[3] = {13, 13, 13};
    const double header[5] = {-3, -3, -3, 0.25, 999999.0};
    put(0, counts, 12);
    put(12, header, 40);
    const double corner[3] = {-3, -3, -3};
    const int none = 0;
    put(52, corner, 24);
    put(76, &none, 4);
    ASSERT_EQ(molecule.Evaluate(CVector(-3, -3, -3), 1), 1);
    put(80, molecule.GetValues(), 40);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 120), head);
    const std::size_t centre = 52 + 68 * ((6 * 13 + 6) * 13 + 6);
    int number = 0;
    std::memcpy(&number, bytes.data() + centre + 24, 4);
    EXPECT_EQ(number, AtomAt(molecule, 0)->GetNumber());

    CEnvelop loaded(&molecule);
    zel::CArchive in(bytes);
    loaded.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(StoreEnvelope(loaded), bytes);
    EXPECT_EQ(loaded.GetGrid()->At(6, 6, 6).GetAtom(), AtomAt(molecule, 0));
    EXPECT_EQ(loaded.GetMaxDistance(), 999999.0);

    // Through the document: the envelope comes after the selections and
    // comes back with its map.
    molecule.SetEnvelop(std::move(owned));
    Bytes document;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, document, error)) << error;
    ASSERT_EQ(Bytes(document.end() - static_cast<long>(bytes.size()), document.end()), bytes);
    CMolecule reopened;
    ASSERT_TRUE(LoadDocumentBytes(document, reopened, error)) << error;
    ASSERT_NE(reopened.GetEnvelope(), nullptr);
    EXPECT_EQ(reopened.GetEnvelope()->GetGrid()->At(6, 6, 6).GetAtom(), reopened.GetAtomList().front().get());
    EXPECT_EQ(reopened.GetEnvelope()->GetGrid()->At(6, 6, 6).IsInside(), 1);
    Bytes again;
    ASSERT_TRUE(StoreDocumentBytes(reopened, again, error));
    EXPECT_EQ(again, document);
}

TEST_F(LoneGaussian, DamagedGridsAreRefusedAndLeaveNoEnvelope) {
    auto owned = std::make_unique<CEnvelop>(&molecule);
    owned->ComputeBox();
    ASSERT_EQ(RunQuietly([&] { return owned->Calculate(); }), std::vector<std::string>{});
    const std::size_t part = 52 + 68 * 343;
    molecule.SetEnvelop(std::move(owned));
    Bytes good;
    std::string error;
    ASSERT_TRUE(StoreDocumentBytes(molecule, good, error));
    const std::size_t at = good.size() - part;

    struct Case {
        const char* what;
        int nx, ny, nz;
        std::string message;
    };
    const Case cases[] = {
        {"negative count", -7, 7, 7, CEnvelop::kBadGrid},
        {"zero count", 7, 0, 7, CEnvelop::kBadGrid},
        {"two negative counts", -7, -7, 7, CEnvelop::kBadGrid},
        {"more points than the data", 7, 7, 8, CEnvelop::kBadGrid},
        {"huge count", 7, 7, 2000000000, CEnvelop::kBadGrid},
        {"product beyond any integer", 2000000000, 2000000000, 2000000000, CEnvelop::kBadGrid},
        {"product wrapping to 343", 1 << 16, 1 << 16, 343, CEnvelop::kBadGrid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes damaged = good;
        const int counts[3] = {c.nx, c.ny, c.nz};
        std::memcpy(damaged.data() + at, counts, 12);
        CMolecule reopened;
        EXPECT_FALSE(LoadDocumentBytes(damaged, reopened, error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(reopened.GetEnvelope(), nullptr);
        EXPECT_TRUE(reopened.IsEmpty());
    }
    // A grid the machine cannot hold refuses the document with the
    // allocation message, not a half-made envelope.
    {
        MemoryLimitGuard guard;
        CEnvelop::SetMemoryLimit(100 * sizeof(CEnvPoint));
        CMolecule reopened;
        EXPECT_FALSE(LoadDocumentBytes(good, reopened, error));
        EXPECT_EQ(error, CEnvelop::kNoMemory);
        EXPECT_EQ(reopened.GetEnvelope(), nullptr);
    }
    // Truncated point records.
    Bytes truncated(good.begin(), good.end() - 1);
    CMolecule reopened;
    EXPECT_FALSE(LoadDocumentBytes(truncated, reopened, error));
    EXPECT_EQ(reopened.GetEnvelope(), nullptr);
}

TEST_F(LoneGaussian, FailedRefinementsKeepThePreviousGrid) {
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    ASSERT_EQ(RunQuietly([&] { return envelope.Calculate(); }), std::vector<std::string>{});
    const CEnvGrid* before = envelope.GetGrid();
    int result = 1;

    {
        MemoryLimitGuard guard;
        // 13^3 = 2197 new points fit alone, not beside the 343 kept.
        CEnvelop::SetMemoryLimit(2400 * sizeof(CEnvPoint));
        EXPECT_EQ(RunQuietly([&] { return envelope.Refine(); }, &result),
                  std::vector<std::string>{CEnvelop::kNoMemory});
        EXPECT_EQ(result, 0);
        EXPECT_EQ(envelope.GetGrid(), before);
        EXPECT_EQ(envelope.GetCount(0), 7);
    }

    g_bCancel = 1; // the user cancels
    EXPECT_EQ(RunQuietly([&] { return envelope.Refine(); }, &result),
              std::vector<std::string>{CEnvelop::kRefineFailed});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_bCancel, 0);
    EXPECT_EQ(envelope.GetGrid(), before);
    EXPECT_EQ(envelope.GetCount(2), 7);

    // A grid of one point per side has no mesh to halve.
    CEnvelop single(&molecule);
    single.SetCounts(1, 1, 1);
    ASSERT_EQ(RunQuietly([&] { return single.Calculate(); }), std::vector<std::string>{});
    const CEnvGrid* one = single.GetGrid();
    EXPECT_EQ(RunQuietly([&] { return single.Refine(); }, &result),
              std::vector<std::string>{CEnvelop::kRefineFailed});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(single.GetGrid(), one);
    EXPECT_EQ(single.GetMesh(), 0.0);

    // Without a grid there is nothing to refine, and nothing to say.
    CEnvelop empty(&molecule);
    EXPECT_EQ(RunQuietly([&] { return empty.Refine(); }, &result), std::vector<std::string>{});
    EXPECT_EQ(result, 0);
}

TEST_F(LoneGaussian, CancelledCalculationLeavesNoGrid) {
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    g_bCancel = 1;
    int result = 1;
    EXPECT_EQ(RunQuietly([&] { return envelope.Calculate(); }, &result),
              std::vector<std::string>{CEnvelop::kCalculationFailed});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_bCancel, 0);
    EXPECT_EQ(envelope.GetGrid(), nullptr);
    EXPECT_EQ(envelope.GetCount(0), 0);
}

// The longest step of a path is the basin option r, whose dialog accepts 0:
// a path then still steps as far as the nuclei allow, not by the least step.
TEST_F(LoneGaussian, PathsKeepTheirStepsWhenTheStopOptionIsNoLength) {
    CEnvelop envelope(&molecule);
    envelope.ComputeBox(); // refreshes the safe radius
    const CMaxPoint* maximum = AtomAt(molecule, 0)->GetMaxPoint();
    ASSERT_NE(maximum, nullptr);
    for (double stop : {9.0, 0.0, -1.0}) {
        molecule.GetIntegOptions().StopR.Current = stop;
        g_nEvaluations = 0;
        EXPECT_EQ(TracePathToNucleus(molecule, CVector(0.3, -0.4, 2.0), 0.0001, 0), maximum) << stop;
        EXPECT_LT(g_nEvaluations.load(), 2000) << stop;
    }
}

// The box is whole bohr around the nuclei: a nucleus at x = 0.5 gives origin
// -3 and 8 points along x.
TEST(Envelope, BoxRoundsOutwardsToWholeBohr) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0.5, 0, -1.2)}, 1.0));
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    EXPECT_EQ(envelope.GetOrigin().x, -3.0);
    EXPECT_EQ(envelope.GetCount(0), 8);
    EXPECT_EQ(envelope.GetOrigin().z, -5.0);
    EXPECT_EQ(envelope.GetCount(2), 8);
    // Without a maximum the safe radius is the fallback.
    EXPECT_EQ(AtomAt(molecule, 0)->GetNearestCritDistance(), 0.3);
}

// A nucleus far out makes a count beyond int: it stays the largest int, which
// no grid allocates, and the job says so.
TEST(Envelope, CountsBeyondTheIntRangeStayTheLargestInt) {
    CMolecule molecule;
    // x = 3e9 in the twelve columns of the coordinate.
    std::string text = SGaussiansWfn({CVector(1, 0, 0)}, 1.0);
    const std::size_t x = text.find("  1.00000000");
    ASSERT_NE(x, std::string::npos);
    text.replace(x, 12, "  3.0000E+09");
    LoadText(molecule, text);
    ASSERT_EQ(AtomAt(molecule, 0)->GetPosition().x, 3e9);
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    EXPECT_EQ(envelope.GetCount(0), INT_MAX);
    EXPECT_EQ(envelope.GetCount(1), 7);
    int result = 1;
    const std::vector<std::string> said = RunQuietly([&] { return envelope.Calculate(); }, &result);
    EXPECT_EQ(said, std::vector<std::string>{CEnvelop::kNoMemory});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(envelope.GetGrid(), nullptr);
}

// H2: points on the plane between the nuclei run into the bond point. The
// job goes on through them and every other point finds its own nucleus.
TEST(Envelope, PathsIntoTheBondPointDoNotEndTheJob) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 2.0));
    SearchGraph(molecule);
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    envelope.SetMaxDistance(CEnvelop::kNoDistanceLimit);
    int result = 0;
    EXPECT_EQ(RunQuietly([&] { return envelope.Calculate(); }, &result), std::vector<std::string>{});
    ASSERT_EQ(result, 1);
    const CEnvGrid& grid = *envelope.GetGrid();
    int wrong = 0;
    for (int i = 0; i < grid.GetCount(0); ++i)
        for (int j = 0; j < grid.GetCount(1); ++j)
            for (int k = 0; k < grid.GetCount(2); ++k) {
                const CEnvPoint& p = grid.At(i, j, k);
                const double z = p.GetPosition().z;
                if (z != 0.0 && p.GetAtom() != AtomAt(molecule, z < 0 ? 0 : 1)) ++wrong;
            }
    EXPECT_EQ(wrong, 0);
}

TEST(Envelope, MapFlagsFollowTheWindowTheSelectionAndTheNeighbours) {
    CMolecule molecule;
    LoadText(molecule, SGaussiansWfn({CVector(0, 0, -0.7), CVector(0, 0, 0.7)}, 1.0));
    CAtom* a = AtomAt(molecule, 0);
    CAtom* b = AtomAt(molecule, 1);
    CEnvGrid grid(4, 4, 4);
    // Field 1 holds i + j + k; atom a below k = 2, b from there on.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                grid.At(i, j, k).SetValue(1, i + j + k);
                grid.At(i, j, k).SetAtom(k < 2 ? a : b);
            }
    grid.At(0, 0, 0).SetAtom(nullptr);
    CEnvMapOptions options;
    options.MinValue = 1;
    options.MaxValue = 8;
    CEnvelop::UpdateMap(grid, 1, options);
    int inside = 0, surface = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                const int sum = i + j + k;
                const CEnvPoint& p = grid.At(i, j, k);
                EXPECT_EQ(p.IsInside(), sum >= 1 && sum <= 8 ? 1 : 0) << i << j << k;
                inside += p.IsInside();
                surface += p.IsOnSurface();
            }
    EXPECT_EQ(inside, 64 - 2);
    // Only the neighbours of the two corners outside, (0, 0, 0) and (3, 3, 3),
    // border on a point outside: the border of the grid is no surface.
    EXPECT_EQ(grid.At(1, 1, 1).IsOnSurface(), 1);
    EXPECT_EQ(grid.At(2, 2, 2).IsOnSurface(), 1);
    EXPECT_EQ(grid.At(3, 0, 0).IsOnSurface(), 0);
    EXPECT_EQ(grid.At(0, 0, 0).IsOnSurface(), 0);
    EXPECT_EQ(surface, 7 + 7);

    // A selection shows only its basins; points without an atom never.
    options.MinValue = 0;
    options.Atoms = {a};
    CEnvelop::UpdateMap(grid, 1, options);
    EXPECT_EQ(grid.At(0, 0, 0).IsInside(), 0);
    EXPECT_EQ(grid.At(1, 0, 1).IsInside(), 1);
    EXPECT_EQ(grid.At(1, 0, 2).IsInside(), 0);
    EXPECT_EQ(grid.At(1, 0, 1).IsOnSurface(), 1);
    EXPECT_EQ(grid.At(1, 0, 0).IsOnSurface(), 1); // next to (0, 0, 0)
    EXPECT_EQ(grid.At(2, 2, 0).IsOnSurface(), 0);

    // Field 5 has no values: the map holds everything exactly when 0 is in
    // the window.
    options.Atoms.clear();
    CEnvelop::UpdateMap(grid, 5, options);
    EXPECT_EQ(grid.At(2, 3, 1).IsInside(), 1);
    options.MinValue = 0.5;
    CEnvelop::UpdateMap(grid, 5, options);
    EXPECT_EQ(grid.At(2, 3, 1).IsInside(), 0);
}

// Water: every point of the grid above the threshold lies in the basin the
// radial membership test finds for it and has the values and basin the
// molecule finds for it on one thread, and a refinement's points (inherited
// or traced) agree with tracing each of them directly.
TEST(Envelope, WaterPointsLieInTheBasinsTheMembershipTestFinds) {
    CMolecule molecule;
    LoadFixture(molecule, "water.wfn");
    SearchGraph(molecule);
    CEnvelop envelope(&molecule);
    envelope.ComputeBox();
    envelope.SetMaxDistance(CEnvelop::kNoDistanceLimit);
    envelope.SetThreshold(0.002);
    g_bCancel = 0;
    int result = 0;
    EXPECT_EQ(RunQuietly([&] { return envelope.Calculate(); }, &result), std::vector<std::string>{});
    ASSERT_EQ(result, 1);

    CAtom* oxygen = AtomAt(molecule, 0);
    ASSERT_EQ(oxygen->GetCharge(), 8.0);
    CBasinQuadrature quadrature(*oxygen, molecule);
    const CEnvGrid& grid = *envelope.GetGrid();
    int above = 0, unassigned = 0, wrong = 0, sampled = 0;
    for (int i = 0; i < grid.GetCount(0); ++i)
        for (int j = 0; j < grid.GetCount(1); ++j)
            for (int k = 0; k < grid.GetCount(2); ++k) {
                const CEnvPoint& p = grid.At(i, j, k);
                if (p.GetValue(0) < 0.002) {
                    EXPECT_EQ(p.GetAtom(), nullptr);
                    continue;
                }
                ++above;
                if (!p.GetAtom()) {
                    ++unassigned;
                    continue;
                }
                if ((i + j + k) % 3 != 0) continue;
                ++sampled;
                // The job's threads compute what the molecule computes alone.
                CEnvPoint direct;
                ASSERT_EQ(direct.Calculate(molecule, p.GetPosition(), 1, 0.002, CEnvelop::kNoDistanceLimit), 1);
                for (int f = 0; f < 5; ++f)
                    if (direct.GetValue(f) != p.GetValue(f)) ++wrong;
                if (direct.GetAtom() != p.GetAtom()) ++wrong;
                const CVector rtp = oxygen->ToIntegrationCoords(p.GetPosition());
                quadrature.Context().Theta = rtp.y;
                quadrature.Context().Phi = rtp.z;
                const CMaxPoint* maximum = quadrature.FindBasinOfPoint(rtp.x, 1.0);
                if (!maximum || maximum->GetAtom() != p.GetAtom()) ++wrong;
            }
    EXPECT_GT(above, 100);
    EXPECT_GT(sampled, 30);
    EXPECT_EQ(unassigned, 0);
    EXPECT_EQ(wrong, 0);

    EXPECT_EQ(RunQuietly([&] { return envelope.Refine(); }, &result), std::vector<std::string>{});
    ASSERT_EQ(result, 1);
    const CEnvGrid& fine = *envelope.GetGrid();
    int disagree = 0, checked = 0;
    for (int i = 0; i < fine.GetCount(0); ++i)
        for (int j = 0; j < fine.GetCount(1); ++j)
            for (int k = 0; k < fine.GetCount(2); ++k) {
                if (i % 2 == 0 && j % 2 == 0 && k % 2 == 0) continue;
                const CEnvPoint& p = fine.At(i, j, k);
                CEnvPoint direct;
                ASSERT_EQ(direct.Calculate(molecule, p.GetPosition(), 1, 0.002, CEnvelop::kNoDistanceLimit),
                          1);
                ++checked;
                if (direct.GetAtom() != p.GetAtom()) {
                    ++disagree;
                    printf("DBG %d %d %d (%g %g %g) rho %g grid %s direct %s\n", i, j, k, p.GetPosition().x,
                           p.GetPosition().y, p.GetPosition().z, p.GetValue(0),
                           p.GetAtom() ? p.GetAtom()->GetLabel().c_str() : "-",
                           direct.GetAtom() ? direct.GetAtom()->GetLabel().c_str() : "-");
                }
            }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(disagree, 0);
}

} // namespace
