// The *.zlm document: byte layout, round trips, the version header, refused
// documents and saving over an existing file.

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "AnalysisTestUtil.h"
#include "ByteWriter.h"
#include "GraphTestUtil.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "wavefunction/Wavefunction.h"

namespace {

namespace fs = std::filesystem;
using analysistest::ByteWriter;
using analysistest::Bytes;


Bytes Store(CMolecule& molecule) {
    Bytes bytes;
    std::string error;
    EXPECT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
    return bytes;
}

// The tiny document: one atom, one maximum on it with one path; optionally a
// second maximum with a path, whose tags then name the classes by index.
struct TinyDocument {
    int version = 200;
    int propertyCount = 48;
    int maxNumber = 2;
    int maxField = 0;
    std::string maxClass = "CMaxPoint";
    int pathPointCount = 2;
    int plotCount = 0;
    int counter = 3;
    int maxIntersections = 3;
    int envelope = 0;
    bool secondMaximum = false;
    // Set A's method and stop values as stored.
    double methodA = 0.5;
    double stopSA = 1e6;
    double stopRA = 0.0;

    static void Build(CMolecule& molecule, bool secondMaximum) {
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
        CAtom& atom = *molecule.GetAtomList().front();
        CBasinResults& a = atom.m_ResultsA;
        CBasinResults& b = atom.m_ResultsB;
        a = {0.5, 1e6, 0.0, 0.0, 360.0, 1.0, 2.5, 1e-4, 2e-4, a.Results, 1000};
        b = {0.5, 0.0, 0.0, 0.0, 360.0, 1.0, 0.5, 1e-5, 1e-5, b.Results, 200};
        a.Results[0] = 2.0;
        b.Results[0] = 0.25;
        a.Results[47] = -1.5;
        auto* maximum = graphtest::AddPoint<CMaxPoint>(molecule, 0, CVector(), 1e-10);
        auto* path = new CGradPath(&molecule, molecule.NextObjectNumber(), 0);
        path->AddPoint(CVector(), 0.0, true);
        path->AddPoint(CVector(0, 0, -0.5), 0.5, true);
        path->SetTraceInfo(1e-6, 7, 0.5);
        path->SetInMolGraph();
        path->SetUpperPoint(maximum);
        maximum->AddDescendingPath(path);
        if (secondMaximum) {
            auto* second = graphtest::AddPoint<CMaxPoint>(molecule, 1, CVector(0, 0, 0.05), 1e-11);
            auto* secondPath = new CGradPath(&molecule, molecule.NextObjectNumber(), 1);
            secondPath->SetTraceInfo(1e-7, 0, 0.0);
            secondPath->SetUpperPoint(second);
            second->AddDescendingPath(secondPath);
        }
        molecule.SetBasinPropertySelected(7, 0);
    }

    Bytes Expected(const Bytes& wavefunction, const std::string& label) const {
        ByteWriter w;
        w.Int(version).Raw(wavefunction);

        w.Word(1).NewClass("CAtom"); // class 1, atom 2
        w.Int(1).String(label).Double(0).Double(0).Double(0).Double(1.0).Int(1000).Int(200);
        const double pairs[9][2] = {{methodA, 0.5}, {stopSA, 0.0}, {1e-4, 1e-5}, {2e-4, 1e-5}, {stopRA, 0.0},
                                    {0.0, 0.0},     {360, 360},    {1.0, 1.0},   {2.5, 0.5}};
        for (const auto& pair : pairs)
            w.Double(pair[0]).Double(pair[1]);
        w.Int(propertyCount);
        for (int i = 0; i < propertyCount; ++i)
            w.Double(i == 0 ? 2.0 : (i == 47 ? -1.5 : 0.0)).Double(i == 0 ? 0.25 : 0.0);

        w.Word(secondMaximum ? 2 : 1).NewClass(maxClass); // class 3, maximum 4
        w.Int(maxNumber).Int(maxField).Double(0).Double(0).Double(0).Double(1e-10);
        w.Word(1).NewClass("CGradPath"); // class 5, path 6
        w.Int(3).Int(0).Int(0).Int(1).Double(1e-6).Double(0.5).Int(7).Int(pathPointCount);
        w.Double(0).Double(0).Double(0).Double(0).Double(0).Double(0).Double(-0.5).Double(0.5);
        w.Int(1); // atom number
        if (secondMaximum) {
            w.Word(0x8003).Int(4).Int(1).Double(0).Double(0).Double(0.05).Double(1e-11);
            w.Word(1).Word(0x8005).Int(5).Int(1).Int(0).Int(0).Double(1e-7).Double(0).Int(0).Int(0);
            w.Int(1);
        }

        w.Word(0).Word(0).Word(0); // bond, ring and cage points
        w.Word(static_cast<std::uint16_t>(plotCount));
        if (plotCount) w.NewClass("CContourPlot");
        w.Int(secondMaximum ? 5 : counter).String("Graph test job");
        w.Int(60).Double(1e-12);                                                   // linear algebra
        w.Double(0.1).Double(1e-9).Double(1e-7).Int(120).Double(1.0);              // critical points
        w.Double(0.02).Double(1e-7).Double(1e-6).Double(9.0).Double(0.01).Int(24); // paths
        w.Double(0.5).Double(1e6).Double(1e-4).Double(1e-4).Double(1.0).Double(9.0).Int(maxIntersections);
        w.Double(0.001).Double(1e6).Double(1e-5).Double(1e-5); // surface
        w.Int(envelope);
        for (int i = 0; i < 48; ++i)
            w.Int(i == 7 ? 0 : 1);
        for (int i = 0; i < 25; ++i)
            w.Int(1);
        return w.b;
    }
};

struct TinyFixture {
    CMolecule molecule;
    Bytes wavefunction;
    std::string label;

    explicit TinyFixture(bool secondMaximum = false) {
        TinyDocument::Build(molecule, secondMaximum);
        zel::CArchive ar;
        molecule.GetWavefunction()->Serialize(ar);
        wavefunction = ar.Bytes();
        label = molecule.GetAtomList().front()->GetLabel();
    }
    Bytes Expected(TinyDocument document) const { return document.Expected(wavefunction, label); }
};

TEST(Document, TinyDocumentByteLayout) {
    for (bool second : {false, true}) {
        SCOPED_TRACE(second ? "second maximum" : "one maximum");
        TinyFixture tiny(second);
        TinyDocument document;
        document.secondMaximum = second;
        const Bytes expected = tiny.Expected(document);
        EXPECT_EQ(Store(tiny.molecule), expected);

        CMolecule loaded;
        std::string error;
        ASSERT_TRUE(LoadDocumentBytes(expected, loaded, error)) << error;
        EXPECT_EQ(Store(loaded), expected);
        const auto& maximum = dynamic_cast<const CMaxPoint&>(*loaded.GetList(-3)->front());
        EXPECT_EQ(loaded.GetAtomList().front()->GetMaxPoint(), &maximum);
        EXPECT_EQ(maximum.GetPathList(false).front()->GetEndPoint(), &maximum);
        EXPECT_EQ(maximum.GetPathList(false).front()->GetLowerPoint(), nullptr);
    }
}

// A basin obtained with an incomplete set of critical points keeps its mark in
// the stop value its method does not use, as -1: the layout stays as it was,
// and a reader that knows nothing of the mark reads a valid set.
TEST(Document, TheMarkOfAnIncompleteSetTravelsInTheUnusedStopValue) {
    struct Case {
        double method;
        bool marked;
        double storedStopS, storedStopR;
    };
    const Case cases[] = {
        {0.5, true, 1e6, -1.0},  // natural: stop r unused
        {-1.0, true, -1.0, 0.0}, // radial: stop s unused
        {0.5, false, 1e6, 0.0},
        {0.0, true, 1e6, 0.0}, // an absent set carries no mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        TinyFixture tiny;
        CBasinResults& a = tiny.molecule.GetAtomList().front()->m_ResultsA;
        a.Method = c.method;
        a.StopS = c.method < 0.0 ? 0.0 : 1e6;
        a.IncompleteCritPoints = c.marked;
        TinyDocument document;
        document.methodA = c.method;
        document.stopSA = c.storedStopS;
        document.stopRA = c.storedStopR;
        const Bytes expected = tiny.Expected(document);
        EXPECT_EQ(Store(tiny.molecule), expected);

        CMolecule loaded;
        std::string error;
        ASSERT_TRUE(LoadDocumentBytes(expected, loaded, error)) << error;
        const CBasinResults& back = loaded.GetAtomList().front()->m_ResultsA;
        EXPECT_EQ(back.IncompleteCritPoints, c.marked && c.method != 0.0);
        EXPECT_EQ(back.StopS, a.StopS);
        EXPECT_EQ(back.StopR, 0.0);
        EXPECT_EQ(Store(loaded), expected);
    }
}

TEST(Document, RoundTripKeepsEveryLink) {
    CMolecule original;
    const graphtest::Graph g = graphtest::BuildGraph(original);
    const std::string before = graphtest::Describe(original);
    const Bytes first = Store(original);

    CMolecule loaded;
    std::string error;
    ASSERT_TRUE(LoadDocumentBytes(first, loaded, error)) << error;
    EXPECT_EQ(graphtest::Describe(loaded), before);
    EXPECT_EQ(Store(loaded), first);
    graphtest::ExpectConsistentLinks(loaded);

    // The bond path that reached no maximum is back in its bond point's
    // ascending list, without upper end.
    const CCritPoint* open = loaded.FindCritPointById(g.bondOpen->GetNumber());
    ASSERT_NE(open, nullptr);
    ASSERT_EQ(open->GetPathList(true).size(), 2u);
    EXPECT_EQ(open->GetPathList(true).front()->GetNumber(), g.openPath->GetNumber());
    EXPECT_EQ(open->GetPathList(true).front()->GetEndPoint(), nullptr);
    EXPECT_TRUE(open->GetPathList(false).empty());

    // B keeps its own maximum, not the later one beside it.
    const CAtom* atomB = loaded.GetAtomList().back().get();
    ASSERT_NE(atomB->GetMaxPoint(), nullptr);
    EXPECT_EQ(atomB->GetMaxPoint()->GetNumber(), g.maxB->GetNumber());

    EXPECT_EQ(loaded.GetPropertyCount(), 48);
    EXPECT_EQ(loaded.GetPlotState(), 2);
    EXPECT_EQ(loaded.GetDEOptions().PointDistance.Current, 0.03);
    EXPECT_EQ(loaded.GetIntegOptions().MaxIntersections.Current, 2);
    EXPECT_EQ(loaded.IsBasinPropertySelected(30), 0);
    EXPECT_EQ(loaded.IsSurfacePropertySelected(24), 0);
    EXPECT_EQ(loaded.GetAtomList().front()->m_ResultsA.Results[0], 1.0 / 3.0);
    EXPECT_EQ(loaded.GetAtomList().back()->m_ResultsB.Results.back(), -7.25);
    EXPECT_EQ(loaded.NextObjectNumber(), original.GetLastObjectNumber() + 1);
}

// When two density maxima name one atom, the nearer is its maximum after
// loading, whichever comes first, as it was when they were found.
TEST(Document, NearerMaximumStaysTheAtomsMaximum) {
    for (bool nearerFirst : {true, false}) {
        CMolecule molecule;
        graphtest::LoadWfn(molecule, graphtest::GaussiansWfn({CVector()}));
        const CVector nearer(0.01, 0, 0), farther(0, 0.05, 0);
        graphtest::AddPoint<CMaxPoint>(molecule, 0, nearerFirst ? nearer : farther);
        graphtest::AddPoint<CMaxPoint>(molecule, 0, nearerFirst ? farther : nearer);
        ASSERT_EQ(molecule.GetAtomList().front()->GetMaxPoint()->GetPosition(), nearer);

        CMolecule loaded;
        std::string error;
        ASSERT_TRUE(LoadDocumentBytes(Store(molecule), loaded, error)) << error;
        const CAtom& atom = *loaded.GetAtomList().front();
        ASSERT_NE(atom.GetMaxPoint(), nullptr);
        EXPECT_EQ(atom.GetMaxPoint()->GetPosition(), nearer) << nearerFirst;
        for (const auto& point : *loaded.GetList(-3))
            EXPECT_EQ(dynamic_cast<const CMaxPoint&>(*point).GetAtom(), &atom);
    }
}

TEST(Document, VersionHeader) {
    struct Case {
        int version;
        bool accepted;
    };
    for (const Case c : {Case{199, false}, Case{200, true}, Case{201, true}, Case{202, false}}) {
        SCOPED_TRACE(c.version);
        TinyFixture tiny;
        TinyDocument document;
        document.version = c.version;
        CMolecule molecule;
        graphtest::BuildGraph(molecule);
        std::string error;
        EXPECT_EQ(LoadDocumentBytes(tiny.Expected(document), molecule, error), c.accepted);
        if (c.accepted) {
            // Whatever was read, 200 is written.
            document.version = 200;
            EXPECT_EQ(Store(molecule), tiny.Expected(document));
        } else {
            EXPECT_EQ(error, "Incompatible zlm-file version!");
            graphtest::ExpectEmpty(molecule);
        }
    }
}

TEST(Document, DamagedDocumentsAreRefusedAndLeaveAnEmptyMolecule) {
    struct Case {
        const char* what;
        void (*damage)(TinyDocument&);
        std::string message;
    };
    const Case cases[] = {
        {"atom not matching the wavefunction", [](TinyDocument& d) { d.propertyCount = 47; },
         "Invalid atom record in file."},
        {"point count beyond the data", [](TinyDocument& d) { d.pathPointCount = 1000; },
         "Invalid element count 1000 in file."},
        {"field index", [](TinyDocument& d) { d.maxField = 5; }, "Invalid field index in file."},
        {"point number 0", [](TinyDocument& d) { d.maxNumber = 0; }, "Invalid object number in file."},
        {"counter below the numbers", [](TinyDocument& d) { d.counter = 1; },
         "Invalid object number in file."},
        {"ring point in the maxima", [](TinyDocument& d) { d.maxClass = "CRingPoint"; },
         "Object of class 'CRingPoint' found where 'CMaxPoint' was expected."},
        {"unknown class", [](TinyDocument& d) { d.maxClass = "CSaddle"; },
         "Unknown object class 'CSaddle' in file."},
        {"surface crossings", [](TinyDocument& d) { d.maxIntersections = 0; },
         "Invalid option values in file."},
        {"plot of a kind not known", [](TinyDocument& d) { d.plotCount = 1; },
         "Unknown object class 'CContourPlot' in file."},
        {"envelope flag without its grid", [](TinyDocument& d) { d.envelope = 1; }, "Unexpected end of file."},
        {"envelope flag", [](TinyDocument& d) { d.envelope = 2; }, "Invalid envelope flag in file."},
    };
    TinyFixture tiny;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TinyDocument document;
        c.damage(document);
        CMolecule molecule;
        graphtest::BuildGraph(molecule);
        std::string error;
        EXPECT_FALSE(LoadDocumentBytes(tiny.Expected(document), molecule, error));
        EXPECT_EQ(error, c.message);
        graphtest::ExpectEmpty(molecule);
    }

    Bytes truncated = tiny.Expected(TinyDocument{});
    truncated.pop_back();
    CMolecule molecule;
    std::string error;
    EXPECT_FALSE(LoadDocumentBytes(truncated, molecule, error));
    EXPECT_EQ(error, "Unexpected end of file.");
}

namespace {

// Where the 8 bytes of a double stand in a document; nth counts from 0.
std::size_t FindDouble(const Bytes& bytes, double value, int nth = 0) {
    const Bytes pattern = ByteWriter().Double(value).b;
    auto at = bytes.begin();
    for (int i = 0; i <= nth; ++i) {
        if (i > 0) ++at;
        at = std::search(at, bytes.end(), pattern.begin(), pattern.end());
        if (at == bytes.end()) return std::string::npos;
    }
    return static_cast<std::size_t>(at - bytes.begin());
}

} // namespace

// A document whose numbers are not finite, or whose records contradict each
// other, is refused as damaged and leaves an empty molecule; a molecule with
// such a number is not saved, so a saved document always opens again.
TEST(Document, NonFiniteNumbersAndContradictingRecordsAreDamage) {
    CMolecule water;
    ASSERT_EQ(analysistest::Load(water, "water.wfn"), 1);
    analysistest::SearchAll(water);
    const Bytes good = Store(water);
    const CCritPoint& bond = *water.GetList(-1)->front();
    const CAtom& oxygen = *water.GetAtomList().front();
    const double coefficient = water.GetWavefunction()->m_pPrimitiveData->m_pCoefficients[3];

    struct Case {
        const char* what;
        std::size_t at;
        Bytes bytes;
        std::string message;
    };
    const std::string notFinite = "Damaged file: a number in it is not finite.";
    const Case cases[] = {
        // Four bytes overwritten: the upper half of a point's x becomes a NaN.
        {"point position", FindDouble(good, bond.GetPosition().x) + 4, {0xFF, 0xFF, 0xFF, 0xFF}, notFinite},
        {"orbital coefficient", FindDouble(good, coefficient), ByteWriter().Double(-HUGE_VAL).b, notFinite},
        {"gradient norm", FindDouble(good, bond.GetGradientNorm()), ByteWriter().Double(HUGE_VAL).b, notFinite},
        // The atom stands where its nucleus does not: its position is stored
        // after the wavefunction's.
        {"atom off its nucleus", FindDouble(good, oxygen.GetPosition().y, 1),
         ByteWriter().Double(oxygen.GetPosition().y + 1e-9).b, "Invalid atom record in file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.at, std::string::npos);
        Bytes damaged = good;
        std::copy(c.bytes.begin(), c.bytes.end(), damaged.begin() + static_cast<std::ptrdiff_t>(c.at));
        CMolecule molecule;
        std::string error;
        EXPECT_FALSE(LoadDocumentBytes(damaged, molecule, error));
        EXPECT_EQ(error, c.message);
        graphtest::ExpectEmpty(molecule);
    }

    // Critical points without a wavefunction to evaluate them in.
    CMolecule hollow;
    ASSERT_EQ(analysistest::Load(hollow, "water.wfn"), 1);
    analysistest::SearchAll(hollow);
    hollow.GetAtomList().clear();
    hollow.GetWavefunction()->Clear();
    CMolecule molecule;
    std::string error;
    EXPECT_FALSE(LoadDocumentBytes(Store(hollow), molecule, error));
    EXPECT_EQ(error, "Invalid critical point record in file.");

    water.GetCritOptions().StepFactor.Current = std::numeric_limits<double>::quiet_NaN();
    Bytes bytes;
    EXPECT_FALSE(StoreDocumentBytes(water, bytes, error));
    EXPECT_EQ(error, "Could not save the document: a number in it is not finite.");
    EXPECT_EQ(water.GetList(-1)->size(), 2u);
}

class DocumentFile : public testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        m_folder = fs::temp_directory_path() / ("zelmora-document-test-" + std::to_string(random()));
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    static Bytes ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::vector<fs::path> Files() const {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(m_folder))
            files.push_back(entry.path().filename());
        std::sort(files.begin(), files.end());
        return files;
    }

    fs::path m_folder;
};

TEST_F(DocumentFile, SaveLoadSave) {
    CMolecule original;
    graphtest::BuildGraph(original);
    const fs::path first = m_folder / "graph.zlm", second = m_folder / "again.zlm";
    std::string error;
    ASSERT_TRUE(SaveDocument(first, original, error)) << error;
    CMolecule loaded;
    ASSERT_TRUE(LoadDocument(first, loaded, error)) << error;
    ASSERT_TRUE(SaveDocument(second, loaded, error)) << error;
    EXPECT_EQ(ReadFile(first), Store(original));
    EXPECT_EQ(ReadFile(second), ReadFile(first));
    EXPECT_EQ(Files(), (std::vector<fs::path>{"again.zlm", "graph.zlm"}));
}

// A molecule whose saving fails halfway: a point of a class no document may name.
class CStrayPoint : public CRingPoint {
    ZEL_DECLARE_SERIAL(CStrayPoint);
    using CRingPoint::CRingPoint;
};

TEST_F(DocumentFile, AFailedSaveKeepsThePreviousFile) {
    const fs::path path = m_folder / "kept.zlm";
    CMolecule molecule;
    graphtest::BuildGraph(molecule);
    std::string error;
    ASSERT_TRUE(SaveDocument(path, molecule, error)) << error;
    const Bytes previous = ReadFile(path);
    molecule.SetLastObjectNumber(molecule.GetLastObjectNumber() + 1); // something new to save

    // The disk refuses the bytes halfway: the file-size limit makes write fail.
    {
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = previous.size() / 2;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = SaveDocument(path, molecule, error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(saved);
        EXPECT_NE(error.find("Could not save file"), std::string::npos) << error;
        EXPECT_EQ(ReadFile(path), previous);
        EXPECT_EQ(Files(), std::vector<fs::path>{"kept.zlm"});
    }

    EXPECT_FALSE(SaveDocument(m_folder / "missing" / "x.zlm", molecule, error));
    EXPECT_NE(error.find("Could not save file"), std::string::npos) << error;

    // Storing fails before anything is written.
    molecule.GetList(1)->push_back(
        std::make_unique<CStrayPoint>(&molecule, molecule.NextObjectNumber(), 0, CVector(), 0.0));
    EXPECT_FALSE(SaveDocument(path, molecule, error));
    EXPECT_NE(error.find("CStrayPoint"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_EQ(Files(), std::vector<fs::path>{"kept.zlm"});
    EXPECT_FALSE(molecule.IsEmpty()); // nothing of the model is lost
}

TEST_F(DocumentFile, SavingOverAFileKeepsItsPermissionsAndLinks) {
    CMolecule molecule;
    graphtest::BuildGraph(molecule);
    const fs::path target = m_folder / "target.zlm", link = m_folder / "link.zlm";
    { std::ofstream(target) << "old"; }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, link);
    std::string error;
    ASSERT_TRUE(SaveDocument(link, molecule, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(target), Store(molecule));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Files(), (std::vector<fs::path>{"link.zlm", "target.zlm"}));
}

TEST_F(DocumentFile, AFileThatCannotBeReadLeavesTheMoleculeAlone) {
    CMolecule molecule;
    graphtest::BuildGraph(molecule);
    const Bytes before = Store(molecule);
    const std::pair<fs::path, std::string> cases[] = {
        {m_folder / "none.zlm", "Could not open file " + (m_folder / "none.zlm").string() + ": No such file or directory"},
        {m_folder, "Could not open file " + m_folder.string() + ": Is a directory"},
        // Reading it fails at once with EIO, also for root.
        {"/proc/self/mem", "Could not read file /proc/self/mem: Input/output error"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        std::string error;
        EXPECT_FALSE(LoadDocument(path, molecule, error));
        EXPECT_EQ(error, message);
        EXPECT_EQ(Store(molecule), before);
    }
}

// Only a known version makes the rest of the file worth reading: of a large
// foreign file four bytes are read, and loading refuses them.
TEST_F(DocumentFile, TheVersionIsCheckedBeforeTheRestIsRead) {
    CMolecule molecule;
    graphtest::BuildGraph(molecule);
    const Bytes document = Store(molecule);
    const fs::path path = m_folder / "large.zlm";
    for (const int version : {199, 202, -200, 0}) {
        SCOPED_TRACE(version);
        {
            std::ofstream out(path, std::ios::binary);
            const Bytes header = analysistest::ByteWriter().Int(version).b;
            out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        }
        fs::resize_file(path, std::uintmax_t{256} << 20); // sparse: costs no disk
        Bytes bytes;
        std::string error;
        ASSERT_TRUE(ReadDocumentFile(path, bytes, error)) << error;
        EXPECT_EQ(bytes.size(), 4u);
        CMolecule other;
        graphtest::BuildGraph(other);
        EXPECT_FALSE(LoadDocument(path, other, error));
        EXPECT_EQ(error, "Incompatible zlm-file version!");
        EXPECT_TRUE(other.IsEmpty());
    }
    // Both read versions are read whole, as are files too short for a version.
    for (const std::uint8_t version : {200, 201}) {
        Bytes stored = document;
        stored[0] = version;
        { std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stored.data()), static_cast<std::streamsize>(stored.size())); }
        Bytes bytes;
        std::string error;
        ASSERT_TRUE(ReadDocumentFile(path, bytes, error)) << error;
        EXPECT_EQ(bytes, stored);
    }
    { std::ofstream(path, std::ios::binary | std::ios::trunc) << "\xc8"; }
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(ReadDocumentFile(path, bytes, error)) << error;
    EXPECT_EQ(bytes, Bytes{0xc8});
}

} // namespace
