// Damaged documents under AddressSanitizer: every truncation is refused, and
// every single flipped bit is either refused, leaving an empty molecule, or read
// into a consistently linked one. Never a crash, a leak or a stray read.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GraphTestUtil.h"
#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"

namespace {

std::vector<std::uint8_t> GraphDocument() {
    CMolecule molecule;
    graphtest::BuildGraph(molecule);
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(StoreDocumentBytes(molecule, bytes, error)) << error;
    return bytes;
}

TEST(DocumentFuzz, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> bytes = GraphDocument();
    CMolecule molecule;
    std::string error;
    for (std::size_t n = 0; n < bytes.size() && !HasFailure(); ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(LoadDocumentBytes(bytes, molecule, error)) << error;
        EXPECT_FALSE(LoadDocumentBytes(std::span(bytes.data(), n), molecule, error));
        EXPECT_FALSE(error.empty());
        graphtest::ExpectEmpty(molecule);
    }
}

TEST(DocumentFuzz, FlippedBitsAreRefusedOrReadConsistently) {
    const std::vector<std::uint8_t> bytes = GraphDocument();
    CMolecule molecule;
    std::size_t refused = 0;
    for (std::size_t i = 0; i < bytes.size() && !HasFailure(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE(testing::Message() << "byte " << i << " bit " << bit);
            std::vector<std::uint8_t> damaged = bytes;
            damaged[i] = static_cast<std::uint8_t>(damaged[i] ^ (1u << bit));
            std::string error;
            if (LoadDocumentBytes(damaged, molecule, error)) {
                graphtest::ExpectConsistentLinks(molecule);
            } else {
                ++refused;
                EXPECT_FALSE(error.empty());
                graphtest::ExpectEmpty(molecule);
            }
        }
    }
    // Tags, counts, numbers and the header are all in there.
    EXPECT_GT(refused, 100u);
}

} // namespace
