// Fuzz target: a whole *.zlm document used as the application uses it. A
// document that loads must show its records, draw every plot, save, load
// again and save to the same bytes; a refused one leaves an empty molecule.

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TextRecord.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "document fuzzer: %s\n", what.c_str());
    std::abort();
}

void ShowRecords(CMolecule& molecule) {
    zel::CTextRecord lines;
    molecule.WriteCritPointRecord(&lines);
    molecule.WriteMolGraphRecord(&lines);
    for (const auto& atom : molecule.GetAtomList())
        atom->WriteRecord(&lines);
    for (const auto& point : *molecule.GetList(-1))
        if (const auto* bond = dynamic_cast<const CBondPoint*>(point.get())) bond->WriteSurfaceReport(lines);
}

void DrawPlots(CMolecule& molecule) {
    for (const auto& plot : molecule.GetPlotList()) {
        molecule.SetCurrentPlot(plot.get());
        zel::CRecordingCanvas dc;
        plot->Draw(dc);
    }
    molecule.SetCurrentPlot(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService installed(prompts);

    CMolecule molecule;
    std::string error;
    if (!LoadDocumentBytes(std::span(data, size), molecule, error)) {
        if (error.empty()) Fail("refused without a message");
        if (!molecule.IsEmpty()) Fail("refused but half loaded: " + error);
        if (g_nPlotCounter != 0) Fail("refused but the plot counter is not an empty document's");
        return 0;
    }
    ShowRecords(molecule);
    DrawPlots(molecule);

    std::vector<std::uint8_t> first;
    if (!StoreDocumentBytes(molecule, first, error)) Fail("loaded and drawn but cannot be saved: " + error);
    CMolecule again;
    if (!LoadDocumentBytes(first, again, error)) Fail("saved but cannot be loaded again: " + error);
    std::vector<std::uint8_t> second;
    if (!StoreDocumentBytes(again, second, error)) Fail("reloaded but cannot be saved: " + error);
    if (first != second) Fail("saving the reloaded document gives other bytes");
    CPlot::ResetPlotCounter();
    return 0;
}
