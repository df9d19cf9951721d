// Fuzz target: a *.wfn file read into a new document. A file that is read
// must give a document that can be saved and loaded again; a refused one
// leaves its message and an empty molecule.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "wfn fuzzer: %s\n", what.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService installed(prompts);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CMolecule molecule;
    if (molecule.LoadWavefunction(in) != 1) {
        if (prompts.Texts().empty() || prompts.Texts().back().empty()) Fail("refused without a message");
        return 0;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!StoreDocumentBytes(molecule, bytes, error)) Fail("read but cannot be saved: " + error);
    CMolecule again;
    if (!LoadDocumentBytes(bytes, again, error)) Fail("saved but cannot be loaded again: " + error);
    return 0;
}
