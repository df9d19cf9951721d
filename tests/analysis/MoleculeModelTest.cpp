// Construction, registrations, loading and emptying of the molecule model.

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AnalysisTestUtil.h"
#include "analysis/Molecule.h"
#include "platform/core/FieldReader.h"
#include "platform/core/TitleService.h"

namespace {

using analysistest::FixturePath;
using analysistest::Load;

// Records what the molecule asks of the document and the views, in order.
struct Recorder : IMoleculeDocument, IRecordView, IControlView {
    std::vector<std::string> calls;
    void SetTitle(const std::string& title) override { calls.push_back("SetTitle " + title); }
    void SetModifiedFlag(bool modified) override { calls.push_back(modified ? "Modified" : "Unmodified"); }
    void UpdateAllViews() override { calls.push_back("UpdateAllViews"); }
    void RefreshRecord(bool reset) override {
        calls.push_back(reset ? "RefreshRecord reset" : "RefreshRecord");
    }
    void SetFieldIndex(int field) override { calls.push_back("SetFieldIndex " + std::to_string(field)); }
};

struct CountedPlot : CPlot {
    explicit CountedPlot(CMolecule* molecule, int* deleted) : CPlot(molecule), m_deleted(deleted) {}
    ~CountedPlot() override { ++*m_deleted; }
    int* m_deleted;
};

struct CountedEnvelope : CEnvelop {
    explicit CountedEnvelope(int* deleted) : m_deleted(deleted) {}
    ~CountedEnvelope() override { ++*m_deleted; }
    int* m_deleted;
};

// Every option pair with its built-in default.
struct DoubleOption {
    const char* name;
    CDoubleOption* (*get)(CMolecule&);
    double expected;
};
struct IntOption {
    const char* name;
    CIntOption* (*get)(CMolecule&);
    int expected;
};

const DoubleOption kDoubleOptions[] = {
    {"PivotThreshold", [](CMolecule& m) { return &m.GetLAOptions().PivotThreshold; }, 1e-12},
    {"MinDistance", [](CMolecule& m) { return &m.GetCritOptions().MinDistance; }, 0.1},
    {"StepTolerance", [](CMolecule& m) { return &m.GetCritOptions().StepTolerance; }, 1e-9},
    {"GradientTolerance", [](CMolecule& m) { return &m.GetCritOptions().GradientTolerance; }, 1e-7},
    {"StepFactor", [](CMolecule& m) { return &m.GetCritOptions().StepFactor; }, 1.0},
    {"PointDistance", [](CMolecule& m) { return &m.GetDEOptions().PointDistance; }, 0.02},
    {"DE AbsAccuracy", [](CMolecule& m) { return &m.GetDEOptions().AbsAccuracy; }, 1e-7},
    {"DE RelAccuracy", [](CMolecule& m) { return &m.GetDEOptions().RelAccuracy; }, 1e-6},
    {"MaxPathLength", [](CMolecule& m) { return &m.GetDEOptions().MaxPathLength; }, 9.0},
    {"MinCritPointDistance", [](CMolecule& m) { return &m.GetDEOptions().MinCritPointDistance; }, 0.01},
    {"SphereRadius", [](CMolecule& m) { return &m.GetIntegOptions().SphereRadius; }, 0.5},
    {"Integ AbsAccuracy", [](CMolecule& m) { return &m.GetIntegOptions().AbsAccuracy; }, 1e-4},
    {"Integ RelAccuracy", [](CMolecule& m) { return &m.GetIntegOptions().RelAccuracy; }, 1e-4},
    {"Integ StopS", [](CMolecule& m) { return &m.GetIntegOptions().StopS; }, 1e6},
    {"StopR", [](CMolecule& m) { return &m.GetIntegOptions().StopR; }, 9.0},
    {"RayStep", [](CMolecule& m) { return &m.GetIntegOptions().RayStep; }, 1.0},
    {"CircleRadius", [](CMolecule& m) { return &m.GetSurfIntOptions().CircleRadius; }, 0.001},
    {"Surf AbsAccuracy", [](CMolecule& m) { return &m.GetSurfIntOptions().AbsAccuracy; }, 1e-5},
    {"Surf RelAccuracy", [](CMolecule& m) { return &m.GetSurfIntOptions().RelAccuracy; }, 1e-5},
    {"Surf StopS", [](CMolecule& m) { return &m.GetSurfIntOptions().StopS; }, 1e6},
};
const IntOption kIntOptions[] = {
    {"MaxQLIterations", [](CMolecule& m) { return &m.GetLAOptions().MaxQLIterations; }, 60},
    {"MaxIterations", [](CMolecule& m) { return &m.GetCritOptions().MaxIterations; }, 120},
    {"MaxBisections", [](CMolecule& m) { return &m.GetDEOptions().MaxBisections; }, 24},
    {"MaxIntersections", [](CMolecule& m) { return &m.GetIntegOptions().MaxIntersections; }, 3},
};

void ExpectEmptyDefaults(CMolecule& molecule) {
    EXPECT_TRUE(molecule.IsEmpty());
    EXPECT_EQ(molecule.GetJobTitle(), "no molecule loaded");
    EXPECT_EQ(molecule.GetFieldIndex(), 0);
    EXPECT_EQ(molecule.GetPlotIndex(), 0);
    EXPECT_EQ(molecule.GetCurrentAtom(), nullptr);
    EXPECT_EQ(molecule.GetCurrentSurface(), nullptr);
    EXPECT_EQ(molecule.GetCurrentPlot(), nullptr);
    EXPECT_EQ(molecule.GetEnvelope(), nullptr);
    EXPECT_EQ(molecule.GetValues(), nullptr);
    EXPECT_EQ(molecule.GetSelectedValues(true), nullptr);
    EXPECT_EQ(molecule.GetPropertyCount(), 0);
    EXPECT_FALSE(molecule.GetWavefunction()->IsLoaded());
    EXPECT_TRUE(molecule.GetPlotList().empty());
    for (int type : {-3, -1, 1, 3})
        EXPECT_TRUE(molecule.GetList(type)->empty()) << type;
    for (const DoubleOption& option : kDoubleOptions) {
        EXPECT_EQ(option.get(molecule)->Current, option.expected) << option.name;
        EXPECT_EQ(option.get(molecule)->Default, option.expected) << option.name;
    }
    for (const IntOption& option : kIntOptions) {
        EXPECT_EQ(option.get(molecule)->Current, option.expected) << option.name;
        EXPECT_EQ(option.get(molecule)->Default, option.expected) << option.name;
    }
    const CEnvMapOptions& map = molecule.GetEnvMapOptions();
    EXPECT_EQ(map.MinValue, 0.1);
    EXPECT_EQ(map.MaxValue, 9999999.0);
    EXPECT_EQ(map.SphereSize, 0.1);
    EXPECT_TRUE(map.Atoms.empty());
    EXPECT_EQ(map.SurfaceOnly, 1);
    EXPECT_EQ(map.DisplayMode, 0);
    for (int i = 0; i < kBasinProperties; ++i)
        EXPECT_EQ(molecule.IsBasinPropertySelected(i), 1) << i;
    for (int i = 0; i < kSurfaceProperties; ++i)
        EXPECT_EQ(molecule.IsSurfacePropertySelected(i), 1) << i;
}

TEST(MoleculeModel, NewMoleculeIsEmptyWithEveryDefault) {
    CMolecule molecule;
    ExpectEmptyDefaults(molecule);
    EXPECT_EQ(molecule.GetPlotState(), 0);
    EXPECT_EQ(molecule.GetErrorText(), "");
    EXPECT_EQ(molecule.GetFont()->Height, 14);
    EXPECT_EQ(molecule.GetFont()->PitchAndFamily, 0x30);
    EXPECT_EQ(molecule.GetFont()->FaceName, "");
    EXPECT_EQ(molecule.GetEnvMapOptions().MinColor, 0xFFFFFFu);
    EXPECT_EQ(molecule.GetEnvMapOptions().Transparency, 1.0);
    EXPECT_EQ(molecule.GetLastPoint(), CVector());
    EXPECT_EQ(molecule.GetLastValue(), 0.0);
    EXPECT_FALSE(molecule.GetHessianEigen().HasEigenData());
}

TEST(MoleculeModel, ListTypesAndObjectNumbers) {
    CMolecule molecule;
    for (int type : {-4, -2, 0, 2, 4, 5})
        EXPECT_EQ(molecule.GetList(type), nullptr) << type;
    EXPECT_NE(molecule.GetList(-3), molecule.GetList(-1));
    EXPECT_NE(molecule.GetList(1), molecule.GetList(3));
    EXPECT_EQ(molecule.NextObjectNumber(), 1);
    EXPECT_EQ(molecule.NextObjectNumber(), 2);
    molecule.Reset();
    EXPECT_EQ(molecule.NextObjectNumber(), 1);
    molecule.SetLastObjectNumber(41);
    EXPECT_EQ(molecule.NextObjectNumber(), 42);
}

TEST(MoleculeModel, GlobalsFollowTheMoleculeAndFallBackWhenItDies) {
    CLAOptions* const builtinLA = g_pLAOptions;
    CCritOptions* const builtinCrit = g_pCritOptions;
    CDEOptions* const builtinDE = g_pDEOptions;
    {
        CMolecule molecule;
        EXPECT_EQ(g_pMolecule, &molecule);
        EXPECT_EQ(g_pLAOptions, &molecule.GetLAOptions());
        EXPECT_EQ(g_pCritOptions, &molecule.GetCritOptions());
        EXPECT_EQ(g_pDEOptions, &molecule.GetDEOptions());
    }
    EXPECT_EQ(g_pMolecule, nullptr);
    EXPECT_EQ(g_pLAOptions, builtinLA);
    EXPECT_EQ(g_pCritOptions, builtinCrit);
    EXPECT_EQ(g_pDEOptions, builtinDE);
    // The built-in records still answer: the linear algebra reads them.
    EXPECT_EQ(g_pLAOptions->PivotThreshold.Current, 1e-12);
}

// The document embeds the molecule, so the document's own parts are gone by
// the time the molecule dies: destruction must not call back into them.
TEST(MoleculeModel, DestructionEmptiesWithoutCallingDocumentOrViews) {
    Recorder recorder;
    int plotsDeleted = 0;
    {
        CMolecule molecule;
        molecule.SetDocument(&recorder);
        molecule.SetRecordView(&recorder);
        molecule.SetControlView(&recorder);
        ASSERT_EQ(Load(molecule, "water.wfn"), 1);
        molecule.GetPlotList().push_front(std::make_unique<CountedPlot>(&molecule, &plotsDeleted));
        recorder.calls.clear();
    }
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(plotsDeleted, 1);
}

// Independent reading of a fixture's nucleus lines: label columns 0-7, then the
// numbers after ")" and after "=".
struct ExpectedNucleus {
    std::string label;
    CVector position;
    double charge;
};

std::vector<ExpectedNucleus> NucleiOf(const std::string& name, std::string* title, int* orbitals) {
    std::ifstream in(FixturePath(name));
    std::string line;
    std::getline(in, line);
    *title = zel::Trim(line);
    std::getline(in, line);
    std::istringstream counts(line);
    std::string word;
    int nuclei = 0;
    counts >> word >> *orbitals >> word >> word >> word >> word >> nuclei;
    std::vector<ExpectedNucleus> result;
    for (int i = 0; i < nuclei && std::getline(in, line); ++i) {
        ExpectedNucleus nucleus;
        nucleus.label = zel::Trim(line.substr(0, 8));
        std::istringstream numbers(line.substr(line.find(')') + 1));
        numbers >> nucleus.position.x >> nucleus.position.y >> nucleus.position.z;
        std::istringstream charge(line.substr(line.find('=') + 1));
        charge >> nucleus.charge;
        result.push_back(nucleus);
    }
    return result;
}

class LoadFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(LoadFixture, CreatesNumberedAtomsWithTheFileValues) {
    std::string title;
    int orbitals = 0;
    const std::vector<ExpectedNucleus> expected = NucleiOf(GetParam(), &title, &orbitals);
    ASSERT_FALSE(expected.empty());

    Recorder recorder;
    CMolecule molecule;
    molecule.SetDocument(&recorder);
    std::vector<std::string> messages;
    ASSERT_EQ(Load(molecule, GetParam(), &messages), 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"Modified"});
    EXPECT_FALSE(molecule.IsEmpty());
    EXPECT_EQ(molecule.GetJobTitle(), title);

    const int count = 47 + orbitals * (orbitals + 1) / 2;
    EXPECT_EQ(molecule.GetPropertyCount(), count);
    ASSERT_EQ(molecule.GetAtomList().size(), expected.size());
    int number = 1;
    auto nucleus = expected.begin();
    for (const auto& atom : molecule.GetAtomList()) {
        EXPECT_EQ(atom->GetNumber(), number++);
        EXPECT_EQ(atom->GetLabel(), nucleus->label);
        EXPECT_NEAR((atom->GetPosition() - nucleus->position).Length(), 0.0, 1e-12);
        EXPECT_EQ(atom->GetCharge(), nucleus->charge);
        EXPECT_EQ(atom->GetMolecule(), &molecule);
        EXPECT_EQ(atom->GetMaxPoint(), nullptr);
        EXPECT_EQ(atom->GetPropertyCount(), count);
        EXPECT_EQ(atom->m_ResultsA.Results, std::vector<double>(static_cast<std::size_t>(count), 0.0));
        EXPECT_EQ(atom->m_ResultsB.Results.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(atom->m_ResultsA.Method, 0.0);
        ++nucleus;
    }
    // The next object continues after the atoms.
    EXPECT_EQ(molecule.NextObjectNumber(), static_cast<int>(expected.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LoadFixture,
                         ::testing::Values("water.wfn", "methane.wfn", "ammonia.wfn", "benzene.wfn",
                                           "water_f.wfn", "water_g.wfn"),
                         [](const ::testing::TestParamInfo<const char*>& fixture) {
                             std::string name = fixture.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(MoleculeModel, JobTitleIsAskedPresetWithTheWavefunctionTitle) {
    CMolecule molecule;
    zel::CScriptedTitles titles;
    zel::ScopedTitleService scoped(titles);
    titles.PushAnswer("my water job");
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    EXPECT_EQ(titles.Asked(), std::vector<std::string>{"H2O HF/6-31G** cartesian"});
    EXPECT_EQ(molecule.GetJobTitle(), "my water job");
}

TEST(MoleculeModel, ReaderFailureIsShownAndReported) {
    Recorder recorder;
    CMolecule molecule;
    molecule.SetDocument(&recorder);
    std::istringstream in("title only\n");
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    EXPECT_EQ(molecule.LoadWavefunction(in), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Error in wfn file, line2, number of MOs"});
    // With the file's name, the reader's words are followed by it.
    std::istringstream again("title only\n");
    EXPECT_EQ(molecule.LoadWavefunction(again, "/data/bad.wfn"), 0);
    EXPECT_EQ(prompts.Texts().back(), "Error in wfn file, line2, number of MOs (file /data/bad.wfn)");
    EXPECT_TRUE(molecule.IsEmpty());
    EXPECT_EQ(molecule.GetValues(), nullptr);
    EXPECT_EQ(molecule.GetJobTitle(), "no molecule loaded");
    EXPECT_TRUE(recorder.calls.empty()); // not marked modified
}

// Each atom's result arrays and the property arrays are sized from the orbital
// count; a count the orbital records do not back is refused before any atom.
TEST(MoleculeModel, OrbitalCountNotMatchingTheWavefunctionIsRefused) {
    struct Case {
        const char* what;
        void (*damage)(CWavefunction&);
    };
    const Case cases[] = {
        {"count above the records", [](CWavefunction& w) { w.m_nMOs += 1; }},
        {"count below the records", [](CWavefunction& w) { w.m_nMOs -= 1; }},
        {"zero count", [](CWavefunction& w) { w.m_nMOs = 0; }},
        {"count beyond an int layout", [](CWavefunction& w) { w.m_nMOs = 70000; }},
        {"short orbital record", [](CWavefunction& w) { w.m_pOrbitalData->m_pOccupations.pop_back(); }},
        {"short coefficient record",
         [](CWavefunction& w) { w.m_pPrimitiveData->m_pCoefficients.pop_back(); }},
    };
    for (const Case& c : cases) {
        CMolecule molecule;
        CWavefunction& wavefunction = *molecule.GetWavefunction();
        std::ifstream in(FixturePath("water.wfn"));
        ASSERT_EQ(wavefunction.ReadWfn(in), 1) << c.what;
        c.damage(wavefunction);
        EXPECT_EQ(CreateAtoms(wavefunction, molecule, molecule.GetAtomList()), 0) << c.what;
        EXPECT_EQ(wavefunction.m_strError, "Invalid number of MOs in wavefunction") << c.what;
        EXPECT_TRUE(molecule.IsEmpty()) << c.what;
        EXPECT_EQ(molecule.GetLastObjectNumber(), 0) << c.what;
    }
}

TEST(MoleculeModel, BasinLayoutLength) {
    const struct {
        long long orbitals;
        int count;
    } cases[] = {{1, 48}, {2, 50}, {5, 62}, {21, 278}, {65535, 2147450927}, {65536, -1}, {0, -1}, {-3, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(BasinPropertyCount(c.orbitals), c.count) << c.orbitals;
}

TEST(MoleculeModel, EmptyingRestoresEveryDefaultAndTellsTheViewsInOrder) {
    Recorder recorder;
    int plotsDeleted = 0, envelopesDeleted = 0;
    CMolecule molecule;
    molecule.SetDocument(&recorder);
    molecule.SetRecordView(&recorder);
    molecule.SetControlView(&recorder);
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);

    // Change everything emptying restores.
    for (const DoubleOption& option : kDoubleOptions)
        option.get(molecule)->Current = 3.5 * option.expected + 1.0;
    for (const IntOption& option : kIntOptions)
        option.get(molecule)->Current = option.expected + 7;
    CEnvMapOptions& map = molecule.GetEnvMapOptions();
    map.MinValue = 0.5;
    map.MaxValue = 2.0;
    map.SphereSize = 0.3;
    map.Atoms.push_back(molecule.GetAtomList().front().get());
    map.MinColor = 0x0000FF;
    map.MaxColor = 0xFF0000;
    map.Transparency = 0.5;
    map.SurfaceOnly = 0;
    map.DisplayMode = 1;
    for (int i = 5; i < kBasinProperties; i += 2)
        molecule.SetBasinPropertySelected(i, 0);
    for (int i = 0; i < kSurfaceProperties; i += 3)
        molecule.SetSurfacePropertySelected(i, 0);
    molecule.SetFieldIndex(3);
    molecule.GetList(-1)->push_back(
        std::make_unique<CBondPoint>(nullptr, molecule.NextObjectNumber(), 3, CVector(0, 1, 0), 0.0));
    molecule.GetList(3)->push_back(
        std::make_unique<CCagePoint>(nullptr, molecule.NextObjectNumber(), 0, CVector(0, 0, 1), 0.0));
    molecule.GetPlotList().push_front(std::make_unique<CountedPlot>(&molecule, &plotsDeleted));
    CPlot::IncrementPlotCounter();
    molecule.SetCurrentPlot(molecule.GetPlotList().front().get());
    molecule.SetPlotIndex(3);
    molecule.SetPlotState(2);
    molecule.SetEnvelop(std::make_unique<CountedEnvelope>(&envelopesDeleted));
    molecule.SetCurrentAtom(molecule.GetAtomList().back().get());
    recorder.calls.clear();

    molecule.Reset();

    ExpectEmptyDefaults(molecule);
    EXPECT_EQ(g_nPlotCounter, 0);
    EXPECT_EQ(plotsDeleted, 1);
    EXPECT_EQ(envelopesDeleted, 1);
    // Colours and transparency are the user's look of the map and survive.
    EXPECT_EQ(map.MinColor, 0x0000FFu);
    EXPECT_EQ(map.MaxColor, 0xFF0000u);
    EXPECT_EQ(map.Transparency, 0.5);
    // The pane's mode word is the document's to set.
    EXPECT_EQ(molecule.GetPlotState(), 2);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"SetTitle no molecule loaded", "RefreshRecord reset",
                                                        "SetFieldIndex 0"}));
    EXPECT_EQ(molecule.GetLastObjectNumber(), 0);

    // Loading again numbers the atoms from 1.
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    EXPECT_EQ(molecule.GetAtomList().front()->GetNumber(), 1);
}

TEST(MoleculeModel, CurrentAtomChangeUpdatesViewsOnce) {
    Recorder recorder;
    CMolecule molecule;
    molecule.SetDocument(&recorder);
    ASSERT_EQ(Load(molecule, "water.wfn"), 1);
    CAtom* oxygen = molecule.GetAtomList().front().get();
    recorder.calls.clear();

    molecule.SetCurrentAtom(oxygen);
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"UpdateAllViews"});
    // The frame of a current atom is up to date: the same as computed afresh.
    const CMatrix frame = oxygen->GetLocalFrame();
    EXPECT_NE(frame.c0, CVector(1, 0, 0));
    CAtom copy(0, "O", oxygen->GetPosition(), 8.0, &molecule);
    copy.ComputeLocalFrame();
    EXPECT_EQ(copy.GetLocalFrame().c0, frame.c0);
    EXPECT_EQ(copy.GetLocalFrame().c1, frame.c1);
    EXPECT_EQ(copy.GetLocalFrame().c2, frame.c2);

    molecule.SetCurrentAtom(oxygen);
    EXPECT_EQ(recorder.calls.size(), 1u);
    molecule.SetCurrentAtom(nullptr);
    EXPECT_EQ(recorder.calls.size(), 2u);
    EXPECT_EQ(molecule.GetCurrentAtom(), nullptr);
}

TEST(MoleculeModel, FindCritPointByIdSearchesCagesFirst) {
    CMolecule molecule;
    molecule.GetList(-3)->push_back(std::make_unique<CMaxPoint>(nullptr, 4, 0, CVector(1, 0, 0), 0.0));
    molecule.GetList(-1)->push_back(std::make_unique<CBondPoint>(nullptr, 7, 0, CVector(2, 0, 0), 0.0));
    molecule.GetList(3)->push_back(std::make_unique<CCagePoint>(nullptr, 4, 1, CVector(3, 0, 0), 0.0));
    molecule.GetList(1)->push_back(std::make_unique<CRingPoint>(nullptr, 0, 0, CVector(4, 0, 0), 0.0));

    EXPECT_EQ(molecule.FindCritPointById(0), nullptr);
    EXPECT_EQ(molecule.FindCritPointById(5), nullptr);
    ASSERT_NE(molecule.FindCritPointById(7), nullptr);
    EXPECT_EQ(molecule.FindCritPointById(7)->GetPosition(), CVector(2, 0, 0));
    ASSERT_NE(molecule.FindCritPointById(4), nullptr);
    EXPECT_EQ(molecule.FindCritPointById(4)->GetPosition(), CVector(3, 0, 0));
}

TEST(MoleculeModel, FindNearestAtomTakesTheFirstOfEquals) {
    CMolecule molecule;
    EXPECT_EQ(molecule.FindNearestAtom(CVector()), nullptr);
    auto& atoms = molecule.GetAtomList();
    atoms.push_back(std::make_unique<CAtom>(1, "A", CVector(-1, 0, 0), 1.0, &molecule));
    atoms.push_back(std::make_unique<CAtom>(2, "B", CVector(1, 0, 0), 1.0, &molecule));
    atoms.push_back(std::make_unique<CAtom>(3, "C", CVector(0, 3, 0), 1.0, &molecule));
    EXPECT_EQ(molecule.FindNearestAtom(CVector(0, 0, 5))->GetNumber(), 1);
    EXPECT_EQ(molecule.FindNearestAtom(CVector(0.1, 0, 0))->GetNumber(), 2);
    EXPECT_EQ(molecule.FindNearestAtom(CVector(0, 2.5, 0))->GetNumber(), 3);
}

} // namespace
