// The critical-point searches on the real fixtures and on small cases whose
// answers are known: counts against the Poincare-Hopf relation, the log lines,
// the order of the grid, progress, cancel and the status line.

#include <cmath>
#include <string>
#include <vector>

#include "AnalysisTestUtil.h"
#include "GraphTestUtil.h"
#include "analysis/CritPointSearch.h"
#include "platform/core/Format.h"
#include "platform/core/JobState.h"

namespace {

// Records what a search reports; asks to stop once `cancelAfter` tries began.
class CRecordingProgress : public ISearchProgress {
public:
    explicit CRecordingProgress(int cancelAfter = -1) : m_cancelAfter(cancelAfter) {}
    bool IsCancelled() override {
        return m_cancelAfter >= 0 && static_cast<int>(statuses.size()) >= m_cancelAfter;
    }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgress(int percent) override { progress.push_back(percent); }

    std::vector<std::string> statuses;
    std::vector<int> progress;

private:
    int m_cancelAfter;
};

int CountPoints(const CMolecule& molecule) {
    int n = 0;
    for (int s : {-3, -1, 1, 3})
        n += static_cast<int>(molecule.GetList(s)->size());
    return n;
}

std::vector<std::string> LinesContaining(const zel::CTextRecord& log, const std::string& part) {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (line.find(part) != std::string::npos) lines.push_back(line);
    return lines;
}

struct SCounts {
    int maxima, bonds, rings, cages;
};

SCounts ListCounts(const CMolecule& molecule) {
    return {static_cast<int>(molecule.GetList(-3)->size()), static_cast<int>(molecule.GetList(-1)->size()),
            static_cast<int>(molecule.GetList(1)->size()), static_cast<int>(molecule.GetList(3)->size())};
}

std::string CountsText(const SCounts& c) {
    return zel::Sprintf("%d/%d/%d/%d", c.maxima, c.bonds, c.rings, c.cages);
}

CVector Centroid(const CMolecule& molecule) {
    CVector sum(0.0, 0.0, 0.0);
    for (const auto& atom : molecule.GetAtomList())
        sum = sum + atom->GetPosition();
    return (1.0 / static_cast<double>(molecule.GetAtomList().size())) * sum;
}

SSearchCounts GridSearch(CMolecule& molecule, CVector centre, double side, int perSide) {
    zel::CTextRecord log;
    analysistest::CQuietProgress quiet;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
    SGridSpec grid;
    grid.Centre = centre;
    grid.Side = side;
    grid.PerSide = perSide;
    grid.Total = GridTotal(perSide);
    return search.SearchOnGrid(grid);
}

// A molecule, the rounds of searches from nuclei, pairs and triples that it
// needs (a non-nuclear maximum only serves as a start point once found), what
// they find, and, where they miss points, the cube grid around the centroid
// that finds the rest.
struct SFixture {
    const char* file;
    int rounds;
    SCounts newton;
    double gridSide;
    int gridPerSide; // 0: no grid search
    SCounts complete;
};

class FixtureSearchTest : public testing::TestWithParam<SFixture> {};

} // namespace

// The searches find every critical point of the density of these molecules: a
// further round finds nothing new, the counts satisfy Poincare-Hopf, and every
// point is checked by the density alone: it curves along each Hessian
// eigenvector the way the point's signature says (a bond point is a minimum
// along one direction and a maximum across it), and away from the nuclei its
// gradient by central differences vanishes.
TEST_P(FixtureSearchTest, SearchesFindTheCompleteSet) {
    const SFixture& f = GetParam();
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, f.file), 1);
    zel::CTextRecord log;
    CRecordingProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);
    const int atoms = static_cast<int>(molecule.GetAtomList().size());

    testing::internal::CaptureStderr();
    int found = 0;
    for (int round = 0; round < f.rounds; ++round) {
        const SSearchCounts nuclei = search.SearchFromNuclei();
        EXPECT_EQ(nuclei.Tries, atoms);
        if (round == 0) {
            EXPECT_EQ(nuclei.Found, atoms); // every nucleus carries a maximum
        }
        const int n = static_cast<int>(molecule.GetList(-3)->size());
        const SSearchCounts pairs = search.SearchFromMaximaPairs();
        EXPECT_EQ(pairs.Tries, n * (n - 1) / 2);
        const int n3 = static_cast<int>(molecule.GetList(-3)->size());
        const SSearchCounts triples = search.SearchFromMaximaTriples();
        EXPECT_EQ(triples.Tries, n3 * (n3 - 1) * (n3 - 2) / 6);
        found += nuclei.Found + pairs.Found + triples.Found;
    }
    EXPECT_EQ(CountsText(ListCounts(molecule)), CountsText(f.newton));
    EXPECT_EQ(found, CountPoints(molecule));

    // One more round: every start point ends on a known point, and rejected
    // points draw no object number.
    const int numbers = molecule.GetLastObjectNumber();
    const SSearchCounts again[] = {search.SearchFromNuclei(), search.SearchFromMaximaPairs(),
                                   search.SearchFromMaximaTriples()};
    for (const SSearchCounts& counts : again)
        EXPECT_EQ(counts.Found, 0);
    EXPECT_EQ(molecule.GetLastObjectNumber(), numbers);

    if (f.gridPerSide > 0) GridSearch(molecule, Centroid(molecule), f.gridSide, f.gridPerSide);
    const SCounts c = ListCounts(molecule);
    EXPECT_EQ(CountsText(c), CountsText(f.complete));
    EXPECT_EQ(c.maxima - c.bonds + c.rings - c.cages, 1); // Poincare-Hopf for an isolated molecule
    RecordProperty("found_newton_then_grid", CountsText(f.newton) + " " + CountsText(c));

    const double tolerance = molecule.GetCritOptions().GradientTolerance.Current;
    for (int s : {-3, -1, 1, 3}) {
        for (const auto& point : *molecule.GetList(s)) {
            const CVector p = point->GetPosition();
            SCOPED_TRACE(zel::Sprintf("(3,%+d) at %.5f %.5f %.5f", s, p.x, p.y, p.z));
            EXPECT_EQ(point->GetFieldIndex(), 0);
            EXPECT_LT(point->GetGradientNorm(), tolerance);
            // The stored norm is the gradient where the point lies.
            ASSERT_EQ(molecule.Evaluate(p, -2), 1);
            EXPECT_NEAR(molecule.GetGradient().Length(), point->GetGradientNorm(), 1e-15);
            ASSERT_EQ(molecule.Evaluate(p, -3), 1);
            const double rho = molecule.GetLastValue();
            const CTensor hessian = molecule.GetHessianEigen();
            ASSERT_TRUE(hessian.HasEigenData());
            const CMatrix axes = *hessian.GetEigenvectors();
            auto density = [&molecule](CVector q) {
                EXPECT_EQ(molecule.Evaluate(q, -1), 1);
                return molecule.GetLastValue();
            };
            int signature = 0;
            for (int k = 0; k < 3; ++k) {
                const CVector d = 0.005 * axes.Column(k);
                signature += density(p + d) + density(p - d) - 2.0 * rho > 0.0 ? 1 : -1;
            }
            EXPECT_EQ(signature, s);
            if (s == -3) continue; // maxima on nuclei: the density is too steep for differences
            const double h = 1e-4;
            const CVector units[] = {CVector(h, 0, 0), CVector(0, h, 0), CVector(0, 0, h)};
            CVector difference;
            difference.x = (density(p + units[0]) - density(p - units[0])) / (2.0 * h);
            difference.y = (density(p + units[1]) - density(p - units[1])) / (2.0 * h);
            difference.z = (density(p + units[2]) - density(p - units[2])) / (2.0 * h);
            EXPECT_LT(difference.Length(), 1e-6);
        }
    }
    // Maxima sit on the nuclei and become the atoms' maxima; hydrogen maxima
    // of these Gaussian densities lie a few hundredths of a bohr off the
    // nucleus, towards the bond.
    for (const auto& atom : molecule.GetAtomList()) {
        ASSERT_NE(atom->GetMaxPoint(), nullptr) << atom->GetLabel();
        EXPECT_LT((atom->GetMaxPoint()->GetPosition() - atom->GetPosition()).Length(), 0.1);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Where a bond point lies close to a hydrogen (C-H, N-H), the density along
// the bond is nearly straight at the midpoint of the two maxima, and Newton's
// first step from there overshoots into the hydrogen's maximum; a cage at the
// centre of four maxima is no pair's or triple's mean. The grid finds them.
const SFixture kFixtures[] = {
    {"water.wfn", 1, {3, 2, 0, 0}, 0.0, 0, {3, 2, 0, 0}},
    {"ammonia.wfn", 1, {4, 3, 0, 0}, 0.0, 0, {4, 3, 0, 0}},
    {"methane.wfn", 1, {5, 4, 0, 0}, 0.0, 0, {5, 4, 0, 0}},
    {"benzene.wfn", 1, {12, 12, 1, 0}, 0.0, 0, {12, 12, 1, 0}},
    // 2-pyridone / 2-aminopyridine: two N-H...N/O hydrogen bonds close a
    // third ring between the two aromatic ones.
    {"pyridone_aminopyridine.wfn", 1, {25, 27, 3, 0}, 0.0, 0, {25, 27, 3, 0}},
    // A non-nuclear maximum between the two nuclei.
    {"li2.wfn", 2, {3, 2, 0, 0}, 0.0, 0, {3, 2, 0, 0}},
    {"hcn.wfn", 1, {3, 1, 0, 0}, 3.0, 3, {3, 2, 0, 0}},
    {"formamide.wfn", 1, {6, 3, 0, 0}, 4.0, 5, {6, 5, 0, 0}},
    {"tetrahedrane.wfn", 1, {8, 6, 4, 0}, 3.5, 3, {8, 10, 4, 1}},
    {"bicyclopentane.wfn", 1, {13, 12, 3, 1}, 4.5, 3, {13, 14, 3, 1}},
};

INSTANTIATE_TEST_SUITE_P(Molecules, FixtureSearchTest, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<SFixture>& param) {
                             std::string name = param.param.file;
                             return name.substr(0, name.find('.'));
                         });

// Where Newton stops on a point of a continuous set of critical points (a
// circle around the axis of LiF), one Hessian eigenvalue is zero to the
// numerics: the point is reported as degenerate and not added. The start
// points are where a grid search found such points.
TEST(CritPointSearchTest, DegeneratePointsAreReportedAndNotAdded) {
    struct Case {
        const char* file;
        CVector start;
    };
    const Case cases[] = {
        {"lif.wfn", CVector(-1.431, -1.431, -3.033)}, // rho 1.4e-5, eigenvalues -1.4e-5, 2e-15, 2.7e-5
        {"lif.wfn", CVector(-1.735, -1.041, -3.033)}, // the same circle, taken as a ring point
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CMolecule molecule;
        ASSERT_EQ(analysistest::Load(molecule, c.file), 1);
        zel::CTextRecord log;
        analysistest::CQuietProgress quiet;
        CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
        EXPECT_EQ(search.TryStartPoint(c.start), 0);

        EXPECT_EQ(CountPoints(molecule), 0);
        const std::vector<std::string> said = LinesContaining(log, "Degenerate critical point (Hessian eigenvalues ");
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].substr(said[0].size() - 15), ") is not added.");
    }
}

// The limit between degenerate and genuine points, on eigenvalues met in the
// test molecules: hydrogen-bond, ring and weak far-tail points are genuine.
TEST(CritPointSearchTest, DegeneracyLimitKeepsWeakPoints) {
    struct Case {
        CVector eigenvalues;
        bool degenerate;
    };
    const Case cases[] = {
        {CVector(-5.3e-2, -5.1e-2, 2.2e-1), false},  // N-H...N bond point of the dimer
        {CVector(-3.8e-3, 1.2e-2, 1.8e-2), false},   // ring closed by the two hydrogen bonds
        {CVector(-1.2e-3, -1.1e-3, 8.0e-3), false},  // a van der Waals contact's size
        {CVector(-2.6e-6, -1.6e-7, -1.6e-7), false}, // isolated maximum in the far tail of LiF
        {CVector(3e-13, 4e-8, 2e-7), true},          // far-tail "cage" of the dimer
        {CVector(-1.05e-6, -9.2e-17, 1.5e-6), true}, // circle of points around LiF
        {CVector(0.0, 0.0, 0.0), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsDegenerateHessian(c.eigenvalues), c.degenerate)
            << c.eigenvalues.x << " " << c.eigenvalues.y << " " << c.eigenvalues.z;
}

// A grid search over a 12-bohr cube around the dimer adds nothing to its
// 25/27/3/0 points (so maxima - bonds + rings - cages stays 1); over LiF's far
// tail it adds only isolated points on the axis, none of the circles.
TEST(CritPointSearchTest, GridSearchesAddNoDegeneratePoints) {
    CMolecule dimer;
    ASSERT_EQ(analysistest::Load(dimer, "pyridone_aminopyridine.wfn"), 1);
    analysistest::SearchAll(dimer);
    ASSERT_EQ(CountPoints(dimer), 55);
    EXPECT_EQ(GridSearch(dimer, Centroid(dimer), 12.0, 16).Found, 0);
    EXPECT_EQ(CountPoints(dimer), 55);

    CMolecule lif;
    ASSERT_EQ(analysistest::Load(lif, "lif.wfn"), 1);
    analysistest::SearchAll(lif);
    ASSERT_EQ(CountPoints(lif), 3); // Li, F and the bond between them
    // The whole far tail, with its circles of points around the axis: only
    // isolated points on the axis are added (a maximum and a cage of the
    // Gaussian tail, 7.1 and 5.3 bohr behind the lithium).
    GridSearch(lif, Centroid(lif), 12.0, 12);
    EXPECT_LE(CountPoints(lif), 5);
    for (int s : {-3, -1, 1, 3}) {
        for (const auto& point : *lif.GetList(s)) {
            const CVector p = point->GetPosition();
            EXPECT_LT(std::hypot(p.x, p.y), 1e-6) << "(3," << s << ") off the axis";
        }
    }
}

// The log of a batch search: heading, then per start point the Newton lines,
// one result line and an empty line; every kind of result line.
TEST(CritPointSearchTest, LogLinesOfEveryOutcome) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
    zel::CTextRecord log;
    CRecordingProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);

    EXPECT_EQ(SearchSummary(search.SearchFromNuclei()), "Found 3 new critical points, 0 unsuccessful tries.");
    ASSERT_GE(log.Size(), 4u);
    EXPECT_EQ(log.Lines()[0], "Newton's method, starting points at nuclear positions");
    EXPECT_EQ(log.Lines()[1], " ");
    EXPECT_EQ(log.Lines()[2], "Newton iteration for RHO, electron density:");
    EXPECT_EQ(LinesContaining(log, "Found new").size(), 3u);
    EXPECT_EQ(LinesContaining(log, "Found new")[0], "      Found new (3, -3)-critical point.");
    EXPECT_EQ(log.Lines().back(), " ");
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"O    1", "H    2", "H    3"}));
    EXPECT_EQ(progress.progress, (std::vector<int>{33, 67, 100}));

    const SSearchCounts pairs = search.SearchFromMaximaPairs();
    EXPECT_EQ(SearchSummary(pairs), "Found 2 new critical points, 1 unsuccessful tries.");
    EXPECT_EQ(log.Lines()[0], "Newton's method, starting points at mean values of maxima pairs");
    EXPECT_EQ(LinesContaining(log, "Found new (3, -1)-critical point.").size(), 2u);

    // A start on a known point: Newton converges, the point is rejected.
    log.Clear();
    const CVector bond = molecule.GetList(-1)->front()->GetPosition();
    EXPECT_EQ(search.TryStartPoint(bond + CVector(0.01, 0, 0)), 0);
    ASSERT_GE(log.Size(), 2u);
    EXPECT_EQ(log.Lines()[log.Size() - 2], "      Result is already in the list of critical points.");
    EXPECT_EQ(log.Lines()[0], "Newton iteration for RHO, electron density:"); // no heading

    // Far out the Hessian vanishes: Newton gives up with its message.
    log.Clear();
    EXPECT_EQ(search.TryStartPoint(CVector(40, 40, 40)), 0);
    EXPECT_EQ(log.Lines()[log.Size() - 2], "      Singular Hessian Matrix in Newton iteration.");

    // With a step tolerance that lets Newton accept a nearly flat point, the
    // far point is recognised as too far out.
    molecule.GetCritOptions().StepTolerance.Current = 1e-30;
    log.Clear();
    EXPECT_EQ(search.TryStartPoint(CVector(6, 6, 6)), 0);
    EXPECT_EQ(log.Lines()[log.Size() - 2], "      Critical points is too far away or degenerate.");
    EXPECT_EQ(CountPoints(molecule), 5);
}

// The cube grid: z varies fastest, the corner comes first, the progress after
// each of the 8 tries follows tries * 100 / 8 rounded, and the status line
// names the try being made.
TEST(CritPointSearchTest, GridVisitsTheCubeCornersInOrder) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
    zel::CTextRecord log;
    CRecordingProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);
    SGridSpec grid;
    grid.Centre = CVector(1.0, 2.0, 3.0);
    grid.Side = 1.0;
    grid.PerSide = 2;
    grid.Total = GridTotal(2);
    const SSearchCounts counts = search.SearchOnGrid(grid);
    EXPECT_EQ(counts.Tries, 8);
    EXPECT_EQ(log.Lines()[0], "Newton's method, starting at points of a grid");
    EXPECT_EQ(progress.progress, (std::vector<int>{13, 25, 38, 50, 63, 75, 88, 100}));
    const std::vector<std::string> starts = LinesContaining(log, "Starting point:");
    ASSERT_EQ(starts.size(), 8u);
    int i = 0;
    for (double x : {0.5, 1.5})
        for (double y : {1.5, 2.5})
            for (double z : {2.5, 3.5}) {
                EXPECT_EQ(
                    starts[i],
                    zel::Sprintf("      Starting point: x =%11.6lf,  y =%11.6lf,   z =%11.6lf", x, y, z));
                EXPECT_EQ(progress.statuses[i],
                          zel::Sprintf("grid-search, try no. %d: (%0.2lf, %0.2lf, %0.2lf)", i + 1, x, y, z));
                ++i;
            }
}

TEST(CritPointSearchTest, GridTotalHoldsAnyCountInRange) {
    EXPECT_EQ(GridTotal(2), 8);
    EXPECT_EQ(GridTotal(5), 125);
    EXPECT_EQ(GridTotal(200), 8000000);
    EXPECT_EQ(GridTotal(0), 0);
    EXPECT_EQ(GridTotal(-3), 0);
    EXPECT_EQ(GridTotal(2000), 2147483647); // 8e9 would overflow an int
}

// Whatever the coordinates, the status line stays within its 119 characters;
// the searches run on through the job state's status line.
TEST(CritPointSearchTest, StatusLineIsBoundedForHugeCoordinates) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "water.wfn"), 1);
    zel::CTextRecord log;
    CJobStateProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);
    g_bCancel = 0;
    SGridSpec grid;
    grid.Centre = CVector(-1e300, 1e300, 1e300);
    grid.PerSide = 2;
    grid.Total = 8;
    EXPECT_EQ(search.SearchOnGrid(grid).Found, 0);
    const std::string status = GetStatusText();
    EXPECT_EQ(status.size(), 119u);
    EXPECT_EQ(status.rfind("grid-search, try no. 8: (-1000000", 0), 0u) << status;
    EXPECT_EQ(g_nProgress.load(), 100);

    // Maxima far out make long pair and triple lines too.
    for (double x : {1e300, -1e300, 2e300})
        graphtest::AddPoint<CMaxPoint>(molecule, 0, CVector(x, x, x));
    search.SearchFromMaximaTriples();
    EXPECT_LE(GetStatusText().size(), 119u);
    EXPECT_EQ(GetStatusText().rfind("(2", 0), 0u);
}

// Cancel stops each search before its next start point; what was found stays.
TEST(CritPointSearchTest, CancelStopsEverySearchAndKeepsItsPoints) {
    CMolecule molecule;
    ASSERT_EQ(analysistest::Load(molecule, "benzene.wfn"), 1);
    zel::CTextRecord log;
    const std::string field = molecule.GetPropertyName(-1);
    {
        CRecordingProgress progress(4);
        const SSearchCounts counts = CCritPointSearch(molecule, field, log, progress).SearchFromNuclei();
        EXPECT_EQ(counts.Tries, 4);
        EXPECT_EQ(counts.Found, 4);
        EXPECT_EQ(molecule.GetList(-3)->size(), 4u);
    }
    {
        CRecordingProgress progress;
        CCritPointSearch(molecule, field, log, progress).SearchFromNuclei(); // all 12 maxima
    }
    {
        CRecordingProgress progress(7);
        const SSearchCounts counts = CCritPointSearch(molecule, field, log, progress).SearchFromMaximaPairs();
        EXPECT_EQ(counts.Tries, 7);
        EXPECT_EQ(static_cast<int>(molecule.GetList(-1)->size() + molecule.GetList(1)->size()), counts.Found);
        EXPECT_EQ(LinesContaining(log, "Newton iteration for").size(), 7u);
    }
    {
        CRecordingProgress progress(3);
        EXPECT_EQ(CCritPointSearch(molecule, field, log, progress).SearchFromMaximaTriples().Tries, 3);
    }
    {
        CRecordingProgress progress(5);
        SGridSpec grid;
        grid.PerSide = 200;
        grid.Total = GridTotal(200);
        const SSearchCounts counts = CCritPointSearch(molecule, field, log, progress).SearchOnGrid(grid);
        EXPECT_EQ(counts.Tries, 5);
        EXPECT_EQ(progress.progress.back(), 0);
    }
    // The job state's flag stops a search before its first try.
    g_bCancel = 1;
    CJobStateProgress jobState;
    const SSearchCounts none = CCritPointSearch(molecule, field, log, jobState).SearchFromNuclei();
    g_bCancel = 0;
    EXPECT_EQ(none.Tries, 0);
    EXPECT_EQ(SearchSummary(none), "Found 0 new critical points, 0 unsuccessful tries.");
    EXPECT_EQ(log.Size(), 2u); // heading and empty line
}

// With fewer than two or three maxima the pair and triple searches try nothing.
TEST(CritPointSearchTest, TooFewMaximaMakeNoTry) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector(0, 0, 0), CVector(0, 0, 2.5)}));
    zel::CTextRecord log;
    CRecordingProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);
    graphtest::AddPoint<CMaxPoint>(molecule, 0, CVector(0, 0, 0));
    EXPECT_EQ(search.SearchFromMaximaPairs().Tries, 0);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Newton's method, starting points at mean values of maxima pairs", " "}));
    // A maximum of another field serves as a start point too.
    graphtest::AddPoint<CMaxPoint>(molecule, 1, CVector(0, 0, 2.5));
    const SSearchCounts pairs = search.SearchFromMaximaPairs();
    EXPECT_EQ(pairs.Tries, 1);
    EXPECT_EQ(pairs.Found, 1); // the bond point between the two Gaussians
    ASSERT_EQ(molecule.GetList(-1)->size(), 1u);
    EXPECT_NEAR(molecule.GetList(-1)->front()->GetPosition().x, 0.0, 1e-9);
    EXPECT_EQ(search.SearchFromMaximaTriples().Tries, 0);
}

TEST(CritPointSearchTest, KnownPointTestIsStrictAndOfTheCurrentFieldAndSignature) {
    CMolecule molecule;
    graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector(0, 0, 0)}));
    graphtest::AddPoint<CBondPoint>(molecule, 0, CVector(0, 0, 0));
    graphtest::AddPoint<CBondPoint>(molecule, 1, CVector(5, 0, 0));
    const double d = molecule.GetCritOptions().MinDistance.Current;
    struct Case {
        CVector point;
        int signature;
        int expected;
    } cases[] = {
        {CVector(0.5 * d, 0, 0), -1, 0},  {CVector(d, 0, 0), -1, 1}, // exactly MinDistance counts as new
        {CVector(0.5 * d, 0, 0), 1, 1},                              // other signature
        {CVector(5, 0, 0), -1, 1},                                   // a point of field 1 only
        {CVector(0, 0.99 * d, 0), -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(molecule.IsNewCriticalPoint(c.point, c.signature), c.expected)
            << c.point.x << " " << c.point.y << " " << c.signature;
    molecule.SetFieldIndex(1);
    EXPECT_EQ(molecule.IsNewCriticalPoint(CVector(5, 0, 0), -1), 0);
    EXPECT_EQ(molecule.IsNewCriticalPoint(CVector(0, 0, 0), -1), 1);
}

// The list walk: atoms whatever the field, then the current field's points by
// signature; deleting a point takes its paths and its surface with it.
TEST(CritPointSearchTest, PointListAndDeletion) {
    CMolecule molecule;
    const graphtest::Graph g = graphtest::BuildGraph(molecule);
    std::vector<std::string> texts;
    for (const SPointListEntry& entry : PointListEntries(molecule))
        texts.push_back(entry.Text);
    ASSERT_EQ(texts.size(), 2u + 4u + 2u + 1u); // lapA (field 1) and the cage (field 2) are left out
    EXPECT_EQ(texts[0], "H    1:  0.0000,  0.0000,  0.0000");
    EXPECT_EQ(texts[2], "(3,-3):  0.0000,  0.0000,  0.0000");
    EXPECT_EQ(texts[6], "(3,-1):  0.0000,  0.0000,  1.2500");
    EXPECT_EQ(texts[8], "(3,+1):  1.0000,  1.0000,  1.2500");

    molecule.SetCurrentSurface(g.bondAB);
    const std::size_t maxPaths = g.maxA->GetPathList(false).size();
    EXPECT_TRUE(DeleteCriticalPoint(molecule, g.bondAB));
    EXPECT_EQ(molecule.GetCurrentSurface(), nullptr);
    EXPECT_EQ(molecule.GetList(-1)->size(), 1u);
    EXPECT_EQ(g.maxA->GetPathList(false).size(), maxPaths - 1);
    EXPECT_FALSE(DeleteCriticalPoint(molecule, nullptr));
}

TEST(CritPointSearchTest, JobScopeMarksTheMoleculeBusyWhileHeld) {
    CMolecule molecule;
    EXPECT_FALSE(molecule.IsJobRunning());
    {
        const CMolecule::CJobScope outer(molecule);
        EXPECT_TRUE(molecule.IsJobRunning());
        {
            const CMolecule::CJobScope inner(molecule);
            EXPECT_TRUE(molecule.IsJobRunning());
        }
        EXPECT_TRUE(molecule.IsJobRunning());
    }
    EXPECT_FALSE(molecule.IsJobRunning());
}
