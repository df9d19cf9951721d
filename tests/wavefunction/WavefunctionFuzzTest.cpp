// Damaged documents and *.wfn texts must be refused with a message, never read
// out of bounds. Built with AddressSanitizer and UBSan (wavefunction_asan_tests).

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "WfnTestFile.h"
#include "platform/core/Archive.h"
#include "platform/core/Prompt.h"
#include "wavefunction/Wavefunction.h"

using namespace wfntest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the kernel relies on in a wavefunction that was accepted.
void ExpectUsable(const CWavefunction& wf) {
    ASSERT_TRUE(wf.IsLoaded());
    const std::size_t n = static_cast<std::size_t>(wf.m_nNuclei);
    const std::size_t m = static_cast<std::size_t>(wf.m_nMOs);
    const std::size_t p = static_cast<std::size_t>(wf.m_nPrimitives);
    ASSERT_EQ(wf.m_pAtomData->m_pPositions.size(), n);
    ASSERT_EQ(wf.m_pAtomData->m_labels.size(), n);
    ASSERT_EQ(wf.m_pOrbitalData->m_pSqrtOccupations.size(), m);
    const CPrimitiveData& prims = *wf.m_pPrimitiveData;
    ASSERT_EQ(prims.m_nPrimitives, wf.m_nPrimitives);
    ASSERT_EQ(prims.m_pCoefficients.size(), m * p);
    ASSERT_EQ(prims.m_pTypeEnd.size(), 35u);
    ASSERT_EQ(prims.m_pTypeEnd.back(), wf.m_nPrimitives);
    for (std::size_t i = 0; i < p; ++i) {
        ASSERT_GE(prims.m_pCentres[i], 1);
        ASSERT_LE(prims.m_pCentres[i], wf.m_nNuclei);
        ASSERT_GE(prims.m_pTypes[i], 1);
        ASSERT_LE(prims.m_pTypes[i], 35);
    }
}

void ExpectRefusedAndEmpty(const CWavefunction& wf) {
    EXPECT_NE(wf.m_strError, "");
    EXPECT_FALSE(wf.m_pAtomData || wf.m_pOrbitalData || wf.m_pPrimitiveData);
    EXPECT_EQ(wf.m_nNuclei + wf.m_nMOs + wf.m_nPrimitives, 0);
}

// Loads; an accepted stream must give a usable wavefunction whose stored form
// loads again and stores unchanged.
void LoadDamaged(const Bytes& bytes) {
    CWavefunction wf;
    zel::CArchive ar(bytes);
    try {
        wf.Serialize(ar);
    } catch (const zel::CArchiveException&) {
        ExpectRefusedAndEmpty(wf);
        return;
    }
    if (!wf.IsLoaded()) return;
    ExpectUsable(wf);
    zel::CArchive out;
    wf.Serialize(out);
    CWavefunction again;
    zel::CArchive in(out.Bytes());
    ASSERT_NO_THROW(again.Serialize(in));
    zel::CArchive outAgain;
    again.Serialize(outAgain);
    EXPECT_EQ(outAgain.Bytes(), out.Bytes());
}

Bytes SmallStream() {
    CWavefunction wf;
    std::istringstream in(Join(SmallFile().Lines()));
    EXPECT_EQ(wf.ReadWfn(in), 1) << wf.m_strError;
    zel::CArchive ar;
    wf.Serialize(ar);
    return ar.Bytes();
}

} // namespace

TEST(WavefunctionFuzz, TruncatedAndMutatedStreams) {
    const Bytes good = SmallStream();
    ASSERT_FALSE(good.empty());
    for (std::size_t length = 0; length <= good.size(); ++length)
        LoadDamaged(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));

    std::mt19937 random(20240611);
    for (int iteration = 0; iteration < 4000; ++iteration) {
        Bytes bytes = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
            case 0: // one bit
                bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (1u << (random() % 8)));
                break;
            case 1: // any byte
                bytes[at] = static_cast<std::uint8_t>(random());
                break;
            default: // an int-sized count or index, small or extreme
                for (std::size_t b = 0; b < 4 && at + b < bytes.size(); ++b)
                    bytes[at + b] =
                        static_cast<std::uint8_t>(random() % 2 ? (b == 0 ? random() % 40 : 0) : 0xFF);
                break;
            }
        }
        if (random() % 8 == 0) bytes.resize(random() % bytes.size());
        LoadDamaged(bytes);
        if (HasFatalFailure()) return;
    }
}

TEST(WavefunctionFuzz, MutatedWfnTexts) {
    zel::CScriptedPrompts prompts; // a virial may become 0
    zel::ScopedPromptService installed(prompts);
    const std::string good = Join(SmallFile().Lines());
    const std::string alphabet = "0123456789 +-.EeDd\n\rx\t";
    std::mt19937 random(7);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::string text = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = random() % text.size();
            switch (random() % 3) {
            case 0:
                text[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                text.erase(at, 1 + random() % 20);
                break;
            default:
                text.insert(at, std::string(1 + random() % 130, alphabet[random() % alphabet.size()]));
                break;
            }
            if (text.empty()) text = "x";
        }
        CWavefunction wf;
        std::istringstream in(text);
        if (wf.ReadWfn(in) == 1) {
            ExpectUsable(wf);
        } else {
            EXPECT_NE(wf.m_strError, "");
        }
        if (HasFatalFailure()) return;
    }
}
