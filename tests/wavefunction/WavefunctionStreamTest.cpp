#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "WfnTestFile.h"
#include "platform/core/Archive.h"
#include "wavefunction/Wavefunction.h"

using namespace wfntest;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Store(CWavefunction& wf) {
    zel::CArchive ar;
    wf.Serialize(ar);
    return ar.Bytes();
}

// Loads and reports the archive's refusal, if any, as text.
std::string Load(CWavefunction& wf, const Bytes& bytes) {
    zel::CArchive ar(bytes);
    try {
        wf.Serialize(ar);
    } catch (const zel::CArchiveException& e) {
        return e.what();
    }
    return "";
}

void ReadText(CWavefunction& wf, const std::string& text) {
    std::istringstream in(text);
    ASSERT_EQ(wf.ReadWfn(in), 1) << wf.m_strError;
}

void ReadSmall(CWavefunction& wf) {
    ReadText(wf, Join(SmallFile().Lines()));
}

void ExpectEmpty(const CWavefunction& wf) {
    EXPECT_FALSE(wf.m_pAtomData);
    EXPECT_FALSE(wf.m_pOrbitalData);
    EXPECT_FALSE(wf.m_pPrimitiveData);
    EXPECT_FALSE(wf.HasWorkingMemory());
    EXPECT_EQ(wf.m_strTitle, "");
    EXPECT_EQ(wf.m_nNuclei, 0);
    EXPECT_EQ(wf.m_nMOs, 0);
    EXPECT_EQ(wf.m_nPrimitives, 0);
    EXPECT_EQ(wf.m_nTypes, 35);
}

template <class T> void Poke(Bytes& bytes, std::size_t offset, T value) {
    ASSERT_LE(offset + sizeof value, bytes.size());
    std::memcpy(bytes.data() + offset, &value, sizeof value); // the test hosts are little-endian
}

// Where each item of the small file's stream starts, from the documented
// layout: title "Small test molecule", labels "H    1" and "He   2",
// 2 nuclei, 2 orbitals, 5 kept primitives, 35 types.
struct SmallLayout {
    static constexpr std::size_t N = 2, M = 2, P = 5, T = 35;
    static constexpr std::size_t nNuclei = 1 + 19, nMOs = nNuclei + 4, nPrimitives = nMOs + 4,
                                 nTypes = nPrimitives + 4, virial = nTypes + 4, labelCount = virial + 8,
                                 positions = labelCount + 2 + 2 * (1 + 6), charges = positions + 24 * N,
                                 energies = charges + 8 * N, occupations = energies + 8 * M,
                                 sqrtOccupations = occupations + 8 * M,
                                 maxCoefficient = sqrtOccupations + 8 * M,
                                 minus2Alpha = maxCoefficient + 8 * M, invMinus2Alpha = minus2Alpha + 8 * P,
                                 coefficients = invMinus2Alpha + 8 * P, exponents = coefficients + 8 * M * P,
                                 centres = exponents + 8 * P, typeEnd = centres + 4 * P,
                                 types = typeEnd + 4 * T, size = types + 4 * P;
};

template <class T> T Peek(const Bytes& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace

TEST(WavefunctionStream, EmptyWavefunctionWritesTitleCountsAndVirialOnly) {
    CWavefunction wf;
    wf.m_dVirial = 2.0;
    // clang-format off
    const Bytes expected{0x00,                      // title ""
                         0, 0, 0, 0,   0, 0, 0, 0,  // nuclei, orbitals
                         0, 0, 0, 0,  35, 0, 0, 0,  // primitives, types
                         0, 0, 0, 0, 0, 0, 0, 0x40}; // virial 2.0
    // clang-format on
    EXPECT_EQ(Store(wf), expected);

    CWavefunction loaded;
    EXPECT_EQ(Load(loaded, expected), "");
    ExpectEmpty(loaded);
    EXPECT_EQ(loaded.m_dVirial, 2.0);
    EXPECT_EQ(loaded.m_strError, "");
}

TEST(WavefunctionStream, SmallFileStreamFollowsTheLayout) {
    CWavefunction wf;
    ReadSmall(wf);
    const Bytes bytes = Store(wf);
    using L = SmallLayout;
    ASSERT_EQ(bytes.size(), L::size);
    EXPECT_EQ(bytes[0], 19);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 20), "Small test molecule");
    EXPECT_EQ(Peek<int>(bytes, L::nNuclei), 2);
    EXPECT_EQ(Peek<int>(bytes, L::nMOs), 2);
    EXPECT_EQ(Peek<int>(bytes, L::nPrimitives), 5);
    EXPECT_EQ(Peek<int>(bytes, L::nTypes), 35);
    EXPECT_EQ(Peek<double>(bytes, L::virial), 2.0000001);
    EXPECT_EQ(Peek<std::uint16_t>(bytes, L::labelCount), 2);
    EXPECT_EQ(std::string(bytes.begin() + L::labelCount + 2, bytes.begin() + L::labelCount + 9),
              "\x06H    1");
    EXPECT_EQ(Peek<double>(bytes, L::positions + 8 * 5), -0.6); // z of nucleus 2
    EXPECT_EQ(Peek<double>(bytes, L::charges + 8), 2.0);
    EXPECT_EQ(Peek<double>(bytes, L::energies + 8), 0.75);
    EXPECT_EQ(Peek<double>(bytes, L::sqrtOccupations + 8), 0.5);
    EXPECT_EQ(Peek<double>(bytes, L::maxCoefficient + 8), 0.8);
    EXPECT_EQ(Peek<double>(bytes, L::minus2Alpha), -5.0);
    EXPECT_EQ(Peek<double>(bytes, L::coefficients + 8 * (5 + 4)), 1e-300);
    EXPECT_EQ(Peek<double>(bytes, L::exponents + 8 * 4), 6.5);
    EXPECT_EQ(Peek<int>(bytes, L::centres + 4), 2);
    EXPECT_EQ(Peek<int>(bytes, L::typeEnd + 4), 4);
    EXPECT_EQ(Peek<int>(bytes, L::typeEnd + 4 * 34), 5);
    EXPECT_EQ(Peek<int>(bytes, L::types + 4 * 4), 3);
}

TEST(WavefunctionStream, LoadedWavefunctionRoundTripsByteForByte) {
    std::vector<std::string> texts{Join(SmallFile().Lines())};
    for (const char* name : {"water", "benzene", "water_g"}) {
        std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/" + name + ".wfn");
        std::ostringstream text;
        text << in.rdbuf();
        texts.push_back(text.str());
    }
    for (const std::string& text : texts) {
        CWavefunction original;
        ReadText(original, text);
        SCOPED_TRACE(original.m_strTitle);
        const Bytes bytes = Store(original);

        CWavefunction loaded;
        ASSERT_EQ(Load(loaded, bytes), "");
        EXPECT_EQ(loaded.m_strError, "");
        ASSERT_TRUE(loaded.IsLoaded());
        EXPECT_TRUE(loaded.HasWorkingMemory());
        EXPECT_EQ(loaded.m_strTitle, original.m_strTitle);
        EXPECT_EQ(loaded.m_dVirial, original.m_dVirial);
        EXPECT_EQ(loaded.m_nPrimitives, original.m_nPrimitives);
        EXPECT_EQ(loaded.m_pAtomData->m_labels, original.m_pAtomData->m_labels);
        EXPECT_EQ(loaded.m_pOrbitalData->m_pSqrtOccupations, original.m_pOrbitalData->m_pSqrtOccupations);
        EXPECT_EQ(loaded.m_pPrimitiveData->m_nPrimitives, original.m_nPrimitives);
        EXPECT_EQ(loaded.m_pPrimitiveData->m_pMaxCoefficient, original.m_pPrimitiveData->m_pMaxCoefficient);
        EXPECT_EQ(loaded.m_pPrimitiveData->m_pCoefficients, original.m_pPrimitiveData->m_pCoefficients);
        EXPECT_EQ(Store(loaded), bytes);
    }
}

TEST(WavefunctionStream, DamagedStreamsAreRefusedAndLeaveItCleared) {
    CWavefunction source;
    ReadSmall(source);
    const Bytes good = Store(source);
    using L = SmallLayout;

    const char* counts = "Invalid wavefunction counts in file.";
    const char* centre = "Invalid primitive center in file.";
    const char* type = "Invalid primitive type in file.";
    const char* table = "Invalid primitive type table in file.";
    struct Case {
        const char* name;
        std::size_t offset;
        long long value;
        const char* message;
        std::size_t width = 4;
    };
    const Case cases[] = {
        {"negative nucleus count", L::nNuclei, -1, counts},
        {"nucleus count beyond the data", L::nNuclei, 3, counts},
        {"no orbitals but primitives", L::nMOs, 0, counts},
        {"orbitals times primitives overflow", L::nPrimitives, 0x7fffffff, counts},
        {"34 types", L::nTypes, 34, counts},
        {"36 types", L::nTypes, 36, counts},
        {"title length beyond the data", 0, 0xff, "Unexpected end of file.", 1},
        {"one label short", L::labelCount, 1, "Wrong number of atom labels in file.", 2},
        {"one label too many", L::labelCount, 3, "Wrong number of atom labels in file.", 2},
        {"centre 0", L::centres, 0, centre},
        {"centre beyond the nuclei", L::centres + 4 * 4, 3, centre},
        {"type 0", L::types, 0, type},
        {"type 36", L::types + 4 * 4, 36, type},
        {"negative first run", L::typeEnd, -1, table},
        {"decreasing run ends", L::typeEnd + 4, 1, table},
        {"table ending short", L::typeEnd + 4 * 34, 4, table},
        {"table ending beyond the primitives", L::typeEnd + 4 * 34, 6, table},
        {"types disagreeing with the table", L::types, 2, table},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = good;
        if (c.width == 1) Poke(bytes, c.offset, static_cast<std::uint8_t>(c.value));
        if (c.width == 2) Poke(bytes, c.offset, static_cast<std::uint16_t>(c.value));
        if (c.width == 4) Poke(bytes, c.offset, static_cast<std::int32_t>(c.value));
        CWavefunction wf;
        EXPECT_EQ(Load(wf, bytes), c.message);
        EXPECT_EQ(wf.m_strError, c.message);
        ExpectEmpty(wf);
    }
}

TEST(WavefunctionStream, EveryTruncationIsRefused) {
    CWavefunction source;
    ReadSmall(source);
    const Bytes good = Store(source);
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        CWavefunction wf;
        const std::string message = Load(wf, Bytes(good.begin(), good.begin() + length));
        EXPECT_NE(message, "");
        EXPECT_EQ(wf.m_strError, message);
        ExpectEmpty(wf);
    }
}

TEST(WavefunctionStream, LoadingReplacesAWavefunctionThatWasLoaded) {
    CWavefunction water;
    ReadText(water, [] {
        std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/water.wfn");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }());
    CWavefunction small;
    ReadSmall(small);
    const Bytes bytes = Store(small);
    ASSERT_EQ(Load(water, bytes), "");
    EXPECT_EQ(Store(water), bytes);
}

// A failed read leaves records behind; what gets saved must still load.
TEST(WavefunctionStream, IncompleteWavefunctionIsStoredEmpty) {
    CWavefunction wf;
    std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/bad/zero_coefficients.wfn");
    ASSERT_EQ(wf.ReadWfn(in), 0);
    ASSERT_TRUE(wf.m_pPrimitiveData);
    const Bytes bytes = Store(wf);
    ASSERT_EQ(bytes.size(), 25u + wf.m_strTitle.size());
    EXPECT_EQ(Peek<int>(bytes, 1 + wf.m_strTitle.size()), 0);

    CWavefunction loaded;
    EXPECT_EQ(Load(loaded, bytes), "");
    EXPECT_FALSE(loaded.IsLoaded());
    EXPECT_EQ(loaded.m_dVirial, 2.0);
}

TEST(WavefunctionStream, ClearEmptiesAllButTheVirial) {
    CWavefunction wf;
    ReadSmall(wf);
    wf.m_strError = "old failure";
    wf.m_nLastField = 3;
    wf.m_bLastGradient = wf.m_bLastHessian = wf.m_bLastIntegrands = wf.m_bLastSurface = wf.m_bLastAtomA = 1;
    wf.m_bCacheValid = true;
    wf.Clear();
    ExpectEmpty(wf);
    EXPECT_EQ(wf.m_strError, "");
    EXPECT_EQ(wf.m_dVirial, 2.0000001);
    EXPECT_EQ(wf.m_nLastField, 0);
    EXPECT_EQ(wf.m_bLastGradient + wf.m_bLastHessian + wf.m_bLastIntegrands + wf.m_bLastSurface +
                  wf.m_bLastAtomA,
              0);
    EXPECT_FALSE(wf.m_bCacheValid);
}
