// The seed documents of the document fuzz target (tests/fuzz/corpus): each is
// read and saved to its own bytes, drawn and saved again, and together they hold every kind of
// record. With ZELMORA_WRITE_SEEDS set to a folder, the rich seed is written
// there afresh from the model built here.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../analysis/GraphTestUtil.h"
#include "PlotTestUtil.h"
#include "analysis/DocumentFile.h"
#include "analysis/Envelop.h"
#include "analysis/Molecule.h"
#include "plots/ContourPlot.h"
#include "plots/MolGraphPlot.h"
#include "plots/SurfacePlot.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Critical points of every kind with their paths, atom and surface results,
// the three plot kinds (the contour plot with levels, a point with traced
// paths and a free text) and an envelope grid.
void BuildRichDocument(CMolecule& molecule) {
    const graphtest::Graph g = graphtest::BuildGraph(molecule);

    auto contour = std::make_unique<CContourPlot>(&molecule);
    contour->SetRows(2);
    contour->SetColumns(2);
    for (const double value : {0.05, 0.2}) {
        auto level = std::make_unique<CLine>();
        level->SetLevel(value);
        contour->GetLevels().push_back(std::move(level));
    }
    auto point = std::make_unique<CSelectedPoint>();
    point->m_bComputedPaths = 1;
    point->m_nPathCount = 2;
    point->m_nNumber = g.maxA->GetNumber();
    point->m_Position = g.maxA->GetPosition();
    point->m_strName = "(1)";
    contour->GetSelectedPoints().push_back(std::move(point));
    contour->Compute();
    auto text = std::make_unique<CPlotText>();
    text->SetText("free text");
    contour->GetTextList()->push_back(std::move(text));
    CPlot::IncrementPlotCounter();

    auto relief = std::make_unique<CSurfacePlot>(&molecule);
    relief->SetGrid(2, 2);
    relief->Compute();
    CPlot::IncrementPlotCounter();

    auto graph = std::make_unique<CMolGraphPlot>(&molecule);
    CPlot::IncrementPlotCounter();
    molecule.GetPlotList().push_front(std::move(contour));
    molecule.GetPlotList().push_front(std::move(relief));
    molecule.GetPlotList().push_front(std::move(graph));

    auto envelope = std::make_unique<CEnvelop>(&molecule);
    envelope->SetCounts(2, 2, 2);
    envelope->SetOrigin({-1, -1, -1});
    envelope->SetThreshold(0.001);
    envelope->SetMaxDistance(CEnvelop::kNoDistanceLimit);
    ASSERT_EQ(envelope->Calculate(), 1);
    molecule.SetEnvelop(std::move(envelope));
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const fs::path kSeeds = fs::path(ZELMORA_TEST_DATA).parent_path() / "fuzz" / "corpus" / "document";

} // namespace

TEST(FuzzSeeds, HoldEveryKindOfRecordAndRoundTrip) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    if (const char* folder = std::getenv("ZELMORA_WRITE_SEEDS")) {
        CPlot::ResetPlotCounter();
        CMolecule rich;
        BuildRichDocument(rich);
        ASSERT_FALSE(HasFatalFailure());
        Bytes bytes;
        std::string error;
        ASSERT_TRUE(StoreDocumentBytes(rich, bytes, error)) << error;
        std::ofstream(fs::path(folder) / "rich.zlm", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::set<std::string> kinds;
    for (const auto& entry : fs::directory_iterator(kSeeds)) {
        SCOPED_TRACE(entry.path());
        const Bytes bytes = ReadFile(entry.path());
        CMolecule molecule;
        std::string error;
        ASSERT_TRUE(LoadDocumentBytes(bytes, molecule, error)) << error;
        Bytes saved;
        ASSERT_TRUE(StoreDocumentBytes(molecule, saved, error)) << error;
        EXPECT_EQ(saved, bytes);
        for (const auto& plot : molecule.GetPlotList()) {
            plottest::Draw(*plot);
            kinds.insert("plot " + std::to_string(plot->GetKind()));
            if (const auto* contour = dynamic_cast<const CContourPlot*>(plot.get())) {
                if (!contour->GetLevels().empty()) kinds.insert("levels");
                if (!contour->GetSegments().empty()) kinds.insert("segments");
                for (const auto& point : contour->GetSelectedPoints())
                    if (!point->m_Paths.empty()) kinds.insert("overlay paths");
            }
            if (!plot->GetTextList()->empty()) kinds.insert("free text");
        }
        for (const int type : {-3, -1, 1, 3})
            for (const auto& point : *molecule.GetList(type)) {
                kinds.insert("critical point " + std::to_string(type));
                if (!point->GetPathList(true).empty()) kinds.insert("paths");
                if (const auto* bond = dynamic_cast<const CBondPoint*>(point.get()))
                    if (bond->m_Surface.Evaluations > 0) kinds.insert("surface results");
            }
        for (const auto& atom : molecule.GetAtomList())
            if (atom->m_ResultsA.Evaluations > 0) kinds.insert("atom results");
        if (molecule.GetEnvelope() && molecule.GetEnvelope()->GetGrid()) kinds.insert("envelope");

        // Drawn, it can still be saved.
        ASSERT_TRUE(StoreDocumentBytes(molecule, saved, error)) << error;
    }
    const std::set<std::string> expected{
        "atom results",       "critical point -1", "critical point -3", "critical point 1", "critical point 3",
        "envelope",           "free text",         "levels",            "overlay paths",    "paths",
        "plot 0",             "plot 2",            "plot 3",            "segments",         "surface results"};
    EXPECT_EQ(kinds, expected);
}
