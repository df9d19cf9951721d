#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <ios>
#include <system_error>
#include <utility>
#include <clocale>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "WfnTestFile.h"
#include "platform/core/Archive.h"
#include "platform/core/Prompt.h"
#include "wavefunction/Wavefunction.h"

using namespace wfntest;

namespace {

using Lines = std::vector<std::string>;

int Read(CWavefunction& wf, const std::string& text) {
    std::istringstream in(text);
    return wf.ReadWfn(in);
}

std::vector<std::uint8_t> Store(CWavefunction& wf) {
    zel::CArchive ar;
    wf.Serialize(ar);
    return ar.Bytes();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Consistent type runs and in-range indices: what the kernel relies on.
void ExpectSortedByType(const CWavefunction& wf) {
    const CPrimitiveData& prims = *wf.m_pPrimitiveData;
    ASSERT_EQ(prims.m_pTypeEnd.size(), 35u);
    ASSERT_EQ(prims.m_pTypes.size(), static_cast<std::size_t>(wf.m_nPrimitives));
    int begin = 0;
    for (int t = 1; t <= 35; ++t) {
        const int end = prims.m_pTypeEnd[t - 1];
        ASSERT_LE(begin, end);
        for (int p = begin; p < end; ++p)
            ASSERT_EQ(prims.m_pTypes[p], t) << "primitive " << p;
        begin = end;
    }
    EXPECT_EQ(begin, wf.m_nPrimitives);
    for (int c : prims.m_pCentres) {
        EXPECT_GE(c, 1);
        EXPECT_LE(c, wf.m_nNuclei);
    }
}

} // namespace

TEST(WfnReader, SmallFileGivesRecordsRegroupedByType) {
    CWavefunction wf;
    ASSERT_EQ(Read(wf, Join(SmallFile().Lines())), 1) << wf.m_strError;
    EXPECT_EQ(wf.m_strError, "");
    EXPECT_EQ(wf.m_strTitle, "Small test molecule");
    EXPECT_EQ(wf.m_nNuclei, 2);
    EXPECT_EQ(wf.m_nMOs, 2);
    EXPECT_EQ(wf.m_nPrimitives, 5); // the all-zero fifth primitive is dropped
    EXPECT_EQ(wf.m_nTypes, 35);
    EXPECT_EQ(wf.m_dVirial, 2.0000001);

    const CAtomData& atoms = *wf.m_pAtomData;
    EXPECT_EQ(atoms.m_labels, (std::vector<std::string>{"H    1", "He   2"}));
    ASSERT_EQ(atoms.m_pPositions.size(), 2u);
    EXPECT_EQ(atoms.m_pPositions[0], CVector(0.1, 0.2, 0.3));
    EXPECT_EQ(atoms.m_pPositions[1], CVector(-0.4, 0.5, -0.6));
    EXPECT_EQ(atoms.m_pCharges, (std::vector<double>{1.0, 2.0}));

    const COrbitalData& mos = *wf.m_pOrbitalData;
    EXPECT_EQ(mos.m_pOccupations, (std::vector<double>{2.0, -0.25}));
    EXPECT_EQ(mos.m_pEnergies, (std::vector<double>{-0.5, 0.75}));
    EXPECT_EQ(mos.m_pSqrtOccupations, (std::vector<double>{std::sqrt(2.0), 0.5}));

    // File order a b c d (types 2 1 2 1), then the dropped e, then f of type 3.
    const CPrimitiveData& prims = *wf.m_pPrimitiveData;
    EXPECT_EQ(prims.m_nPrimitives, 5);
    EXPECT_EQ(prims.m_pExponents, (std::vector<double>{2.5, 4.5, 1.5, 3.5, 6.5}));
    EXPECT_EQ(prims.m_pMinus2Alpha, (std::vector<double>{-5.0, -9.0, -3.0, -7.0, -13.0}));
    EXPECT_EQ(prims.m_pInvMinus2Alpha,
              (std::vector<double>{1 / -5.0, 1 / -9.0, 1 / -3.0, 1 / -7.0, 1 / -13.0}));
    EXPECT_EQ(prims.m_pTypes, (std::vector<int>{1, 1, 2, 2, 3}));
    EXPECT_EQ(prims.m_pCentres, (std::vector<int>{1, 2, 1, 2, 2}));
    std::vector<int> typeEnd(35, 5);
    typeEnd[0] = 2;
    typeEnd[1] = 4;
    EXPECT_EQ(prims.m_pTypeEnd, typeEnd);
    EXPECT_EQ(prims.m_pCoefficients,
              (std::vector<double>{0.2, 0.4, 0.1, 0.3, 0.0, 0.6, 0.8, -0.5, -0.7, 1e-300}));
    EXPECT_EQ(prims.m_pMaxCoefficient, (std::vector<double>{0.4, 0.8}));
}

TEST(WfnReader, EverySpellingOfTheSameFileGivesTheSameRecords) {
    CWavefunction reference;
    ASSERT_EQ(Read(reference, Join(SmallFile().Lines())), 1) << reference.m_strError;
    const std::vector<std::uint8_t> expected = Store(reference);

    const auto replaceAll = [](std::string& line, char from, char to) {
        std::replace(line.begin(), line.end(), from, to);
    };
    struct Case {
        const char* name;
        std::function<std::string(Lines)> spell;
    };
    const Case cases[] = {
        {"nuclei in reverse order",
         [](Lines l) {
             std::swap(l[kNucleus1], l[kNucleus2]);
             return Join(l);
         }},
        {"CR LF line ends", [](Lines l) { return Join(l, "\r\n"); }},
        {"no line end after the last line",
         [](Lines l) {
             std::string text = Join(l);
             text.pop_back();
             return text;
         }},
        {"every line padded to 119 characters",
         [](Lines l) {
             for (std::string& line : l)
                 line.resize(119, ' ');
             return Join(l);
         }},
        {"119 characters before CR LF",
         [](Lines l) {
             for (std::string& line : l)
                 line.resize(119, ' ');
             return Join(l, "\r\n");
         }},
        {"Fortran D exponents",
         [&](Lines l) {
             Put(l[kNucleus1], 24, "1.000000D-01");
             for (int i : {kExponents, kCoefficients1, kCoefficients2})
                 replaceAll(l[i], 'E', 'D');
             return Join(l);
         }},
        {"lower-case d exponents",
         [&](Lines l) {
             Put(l[kNucleus1], 24, "1.000000d-01");
             for (int i : {kExponents, kCoefficients1, kCoefficients2})
                 replaceAll(l[i], 'E', 'd');
             return Join(l);
         }},
        {"numbers at the left of their fields",
         [](Lines l) {
             Put(l[kNucleus1], 24, "0.1         ");
             Put(l[kOrbital1], 35, "2.0         ");
             return Join(l);
         }},
        {"any text on the line before the energies, text after them",
         [](Lines l) {
             l[kEndData] = "whatever";
             l.push_back("TRAILING TEXT THAT IS NOT READ");
             return Join(l);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWavefunction wf;
        ASSERT_EQ(Read(wf, c.spell(SmallFile().Lines())), 1) << wf.m_strError;
        EXPECT_EQ(Store(wf), expected);
    }
}

TEST(WfnReader, ExponentLettersInCoordinates) {
    const struct {
        const char* field; // twelve columns
        double x;
    } cases[] = {
        {"0.100000D+01", 1.0}, {"0.100000d+01", 1.0}, // not 0.1: the d is an exponent as well
        {"0.100000E+01", 1.0}, {"  -2.5e-001 ", -0.25}, {"12345.678901", 12345.678901},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        Lines lines = SmallFile().Lines();
        Put(lines[kNucleus1], 24, c.field);
        CWavefunction wf;
        ASSERT_EQ(Read(wf, Join(lines)), 1) << wf.m_strError;
        EXPECT_EQ(wf.m_pAtomData->m_pPositions[0].x, c.x);
    }
}

TEST(WfnReader, TitleAndLabelsLoseOuterBlanksOnly) {
    WfnFile f = SmallFile();
    f.title = std::string(119, 'T');
    f.title[50] = ' ';
    f.nuclei[0].label = "  C  a  ";
    f.nuclei[1].label = "        ";
    CWavefunction wf;
    ASSERT_EQ(Read(wf, Join(f.Lines())), 1) << wf.m_strError;
    EXPECT_EQ(wf.m_strTitle, f.title);
    EXPECT_EQ(wf.m_pAtomData->m_labels, (std::vector<std::string>{"C  a", ""}));

    Lines lines = f.Lines();
    lines[kTitle] = " \t  padded  title   ";
    CWavefunction padded;
    ASSERT_EQ(Read(padded, Join(lines)), 1) << padded.m_strError;
    EXPECT_EQ(padded.m_strTitle, "padded  title");
}

TEST(WfnReader, EachFaultGivesItsMessage) {
    const auto blank = [](int line, std::size_t column, std::size_t width) {
        return [=](Lines l) {
            Put(l[line], column, std::string(width, ' '));
            return Join(l);
        };
    };
    const auto put = [](int line, std::size_t column, std::string text) {
        return [=](Lines l) {
            Put(l[line], column, text);
            return Join(l);
        };
    };
    const auto cut = [](int line, std::size_t length) {
        return [=](Lines l) {
            l[line].resize(length);
            return Join(l);
        };
    };
    const auto firstLines = [](int count) {
        return [=](Lines l) {
            l.resize(count);
            return Join(l);
        };
    };
    const auto file = [](const char* name) {
        return [=](Lines) { return ReadFile(std::string(ZELMORA_TEST_DATA) + "/bad/" + name); };
    };
    struct Case {
        const char* name;
        std::function<std::string(Lines)> make;
        const char* message;
    };
    const Case cases[] = {
        {"empty file", firstLines(0), "Error in wfn file, line2, number of MOs"},
        {"no orbital count", blank(kCounts, 20, 3), "Error in wfn file, line2, number of MOs"},
        {"zero orbitals", put(kCounts, 20, "  0"), "Error in wfn file, line2, number of MOs"},
        {"negative primitive count", put(kCounts, 39, "  -6"),
         "Error in wfn file, line2, number of primitives"},
        {"no nucleus count", cut(kCounts, 60), "Error in wfn file, line2, number of centers"},
        {"zero nuclei", put(kCounts, 60, "  0"), "Error in wfn file, line2, number of centers"},
        {"title longer than the line buffer", file("long_title.wfn"),
         "Error in wfn file, line2, number of MOs"},
        {"nucleus number above the count", put(kNucleus2, 19, "  3"), "Illegal atom number"},
        {"nucleus number 0", put(kNucleus1, 19, "  0"), "Illegal atom number"},
        {"no nucleus number", blank(kNucleus1, 19, 3), "Illegal atom number"},
        {"nucleus number twice", put(kNucleus2, 19, "  1"), "Illegal atom number"},
        {"real file naming a nucleus twice", file("repeated_nucleus.wfn"), "Illegal atom number"},
        {"line of 120 characters", // read up to its limit; the next line then reads empty
         [](Lines l) {
             l[kNucleus1].resize(120, ' ');
             return Join(l);
         },
         "Illegal atom number"},
        {"blank x", blank(kNucleus1, 24, 12), "Error in nuclear x-coordinate"},
        {"letters for y", put(kNucleus2, 36, "   abc      "), "Error in nuclear y-coordinate"},
        {"sign alone for z", put(kNucleus1, 48, "          - "), "Error in nuclear z-coordinate"},
        {"line ends before the charge", cut(kNucleus2, 62), "Error in nuclear charge"},
        {"real file with a short nucleus line", file("short_nucleus_line.wfn"), "Error in nuclear charge"},
        {"centre 0", put(kCentres, 20 + 3 * 2, "  0"), "Illegal primitive center"},
        {"centre above the nucleus count", put(kCentres, 20 + 3 * 5, "  3"), "Illegal primitive center"},
        {"centre missing at the line end", cut(kCentres, 20 + 3 * 5), "Illegal primitive center"},
        {"type 0", put(kTypes, 20, "  0"), "Illegal primitive type"},
        {"type 36", put(kTypes, 20 + 3 * 3, " 36"), "Illegal primitive type"},
        {"blank type", blank(kTypes, 20 + 3 * 4, 3), "Illegal primitive type"},
        {"blank exponent", blank(kExponents, 10 + 14 * 2, 14), "Error in Exponent"},
        {"exponent line one field short", cut(kExponents2, 10), "Error in Exponent"},
        {"negative exponent", put(kExponents, 10 + 14 * 3, "-4.5000000E+00"), "Error in Exponent"},
        {"exponent below the smallest normal double", put(kExponents, 10, " 1.000000E-310"),
         "Error in Exponent"},
        {"exponent whose -2 alpha overflows", put(kExponents, 10, " 1.000000E+308"), "Error in Exponent"},
        {"real file with a zero exponent", file("zero_exponent.wfn"), "Error in Exponent"},
        {"no occupation", blank(kOrbital2, 35, 12), "Error in PO-value"},
        {"file ends after the exponents", firstLines(kOrbital1), "Error in PO-value"},
        {"no orbital energy", put(kOrbital1, 62, "  energy    "), "Error in EORB-value"},
        {"blank coefficient before a good one", blank(kCoefficients1, 16, 16), "Error in CO-value"},
        {"coefficient line missing",
         [](Lines l) {
             l.erase(l.begin() + kCoefficients1b);
             return Join(l);
         },
         "Error in CO-value"},
        {"real file ending inside an orbital", file("truncated.wfn"), "Error in CO-value"},
        {"no total energy", blank(kEnergy, 17, 20), "Error in Hartree-Fock energy"},
        {"file ends before the energies", firstLines(kEndData), "Error in Hartree-Fock energy"},
        {"no virial", cut(kEnergy, 55), "Error in virial"},
        {"virial of letters", put(kEnergy, 55, "  two        "), "Error in virial"},
        {"every coefficient zero", file("zero_coefficients.wfn"),
         "No primitive with a non-zero coefficient in wfn file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWavefunction wf;
        EXPECT_EQ(Read(wf, c.make(SmallFile().Lines())), 0);
        EXPECT_EQ(wf.m_strError, c.message);
    }
}

// Serves the first `limit` bytes of a text, then fails as a file buffer does
// when the disk reports an error.
class CFailingBuffer : public std::streambuf {
public:
    CFailingBuffer(std::string text, std::size_t limit) : m_text(std::move(text)) {
        m_text.resize(std::min(limit, m_text.size()));
        setg(m_text.data(), m_text.data(), m_text.data() + m_text.size());
    }

protected:
    int_type underflow() override {
        throw std::ios_base::failure("read", std::error_code(EIO, std::system_category()));
    }

private:
    std::string m_text;
};

TEST(WfnReader, ReadErrorIsReportedWithTheSystemsReason) {
    const std::string text = Join(SmallFile().Lines());
    // At the start, inside a nucleus line, inside the energy line (whose
    // fields a partial line would still hold) and just before the file's end.
    const std::size_t energyLine = text.rfind("\n", text.size() - 2) + 1;
    for (const std::size_t limit : {std::size_t{0}, text.find('\n', text.find('\n') + 1) + 40, energyLine + 60,
                                    text.size() - 1}) {
        SCOPED_TRACE(limit);
        CFailingBuffer buffer(text, limit);
        std::istream in(&buffer);
        CWavefunction wf;
        EXPECT_EQ(wf.ReadWfn(in), 0);
        EXPECT_EQ(wf.m_strError, "Could not read file: Input/output error");
        EXPECT_FALSE(wf.m_pAtomData || wf.m_pOrbitalData || wf.m_pPrimitiveData);
    }

    // The system's own errors: a file the kernel cannot read from the start,
    // and a folder opened as a file.
    const std::pair<std::string, std::string> files[] = {
        {"/proc/self/mem", "Could not read file: Input/output error"},
        {std::string(ZELMORA_TEST_DATA) + "/bad", "Could not read file: Is a directory"},
    };
    for (const auto& [path, message] : files) {
        SCOPED_TRACE(path);
        std::ifstream in(path);
        ASSERT_TRUE(in);
        CWavefunction wf;
        EXPECT_EQ(wf.ReadWfn(in), 0);
        EXPECT_EQ(wf.m_strError, message);
        EXPECT_FALSE(wf.m_pAtomData || wf.m_pOrbitalData || wf.m_pPrimitiveData);
    }
}

TEST(WfnReader, ZeroVirialIsReportedAndTakenAsTwo) {
    WfnFile f = SmallFile();
    f.virial = 0.0;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService installed(prompts);
    CWavefunction wf;
    ASSERT_EQ(Read(wf, Join(f.Lines())), 1) << wf.m_strError;
    EXPECT_EQ(wf.m_dVirial, 2.0);
    const std::vector<zel::CScriptedPrompts::Call> expected{
        {"Value of Virial in Wavefunction File is Zero! Virial is assumed to be 2.", zel::PromptButtons::OK,
         zel::PromptIcon::None}};
    EXPECT_EQ(prompts.Calls(), expected);

    // -0.0 compares equal to 0 as well; anything else is kept without a word.
    for (const char* field : {"     -0.0000", "   2.0000001", "   0.0000001"}) {
        SCOPED_TRACE(field);
        Lines lines = SmallFile().Lines();
        Put(lines[kEnergy], 55, field);
        CWavefunction other;
        ASSERT_EQ(Read(other, Join(lines)), 1) << other.m_strError;
    }
    EXPECT_EQ(prompts.Calls().size(), 2u);
}

TEST(WfnReader, TwentyOnePrimitivesSpreadOverTheirLines) {
    WfnFile f;
    f.title = "21 primitives";
    f.nuclei = {{"  Ne   1", 1, 0, 0, 0, 10}, {"  Ne   2", 2, 0, 0, 3, 10}};
    for (int p = 0; p < 21; ++p) {
        f.centres.push_back(p == 20 ? 2 : 1);
        f.types.push_back(p == 20 ? 4 : 1);
        f.exponents.push_back(p + 1.0);
    }
    for (int k = 0; k < 2; ++k) {
        Orbital mo{2.0, -1.0 - k, {}};
        for (int p = 0; p < 21; ++p)
            mo.coefficients.push_back((k + 1) * 100 + p);
        f.orbitals.push_back(mo);
    }
    const Lines lines = f.Lines();
    // Title, counts, 2 nuclei, 2 + 2 index lines, 5 exponent lines, 2 x (1 + 5), 2.
    ASSERT_EQ(lines.size(), 1u + 1 + 2 + 4 + 5 + 12 + 2);
    EXPECT_EQ(lines[5], "CENTRE ASSIGNMENTS    2"); // the 21st centre alone on its line
    EXPECT_EQ(lines[12].size(), 10u + 14);          // and the 21st exponent

    CWavefunction wf;
    ASSERT_EQ(Read(wf, Join(lines)), 1) << wf.m_strError;
    const CPrimitiveData& prims = *wf.m_pPrimitiveData;
    ASSERT_EQ(wf.m_nPrimitives, 21);
    EXPECT_EQ(prims.m_pExponents[20], 21.0);
    EXPECT_EQ(prims.m_pCentres[20], 2);
    EXPECT_EQ(prims.m_pTypes[20], 4);
    EXPECT_EQ(prims.m_pTypeEnd[0], 20);
    EXPECT_EQ(prims.m_pTypeEnd[2], 20);
    EXPECT_EQ(prims.m_pTypeEnd[3], 21);
    EXPECT_EQ(prims.m_pCoefficients[19], 119.0);
    EXPECT_EQ(prims.m_pCoefficients[20], 120.0);
    EXPECT_EQ(prims.m_pCoefficients[21 + 20], 220.0);
    EXPECT_EQ(prims.m_pMaxCoefficient, (std::vector<double>{120.0, 220.0}));
    EXPECT_EQ(wf.m_pOrbitalData->m_pEnergies, (std::vector<double>{-1.0, -2.0}));
}

TEST(WfnReader, GeneratedFilesReadWithTheirCounts) {
    const struct {
        const char* file;
        int nuclei, orbitals, primitives;
        double electrons;
        std::vector<double> charges;
    } cases[] = {
        {"water", 3, 5, 42, 10, {8, 1, 1}},
        {"methane", 5, 5, 56, 10, {6, 1, 1, 1, 1}},
        {"ammonia", 4, 5, 49, 10, {7, 1, 1, 1}},
        {"benzene", 12, 21, 210, 42, {6, 6, 6, 6, 6, 6, 1, 1, 1, 1, 1, 1}},
        {"water_f", 3, 5, 89, 10, {8, 1, 1}},
        {"water_g", 3, 5, 166, 10, {8, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = ReadFile(std::string(ZELMORA_TEST_DATA) + "/" + c.file + ".wfn");
        ASSERT_FALSE(text.empty());
        CWavefunction wf;
        ASSERT_EQ(Read(wf, text), 1) << wf.m_strError;
        EXPECT_EQ(wf.m_strError, "");
        EXPECT_FALSE(wf.m_strTitle.empty());
        EXPECT_EQ(wf.m_nNuclei, c.nuclei);
        EXPECT_EQ(wf.m_nMOs, c.orbitals);
        EXPECT_EQ(wf.m_nPrimitives, c.primitives); // every primitive is used by some orbital
        EXPECT_EQ(wf.m_pAtomData->m_pCharges, c.charges);
        EXPECT_EQ(wf.m_pAtomData->m_labels.size(), c.charges.size());
        const std::vector<double>& occupations = wf.m_pOrbitalData->m_pOccupations;
        EXPECT_NEAR(std::accumulate(occupations.begin(), occupations.end(), 0.0), c.electrons, 1e-8);
        EXPECT_NEAR(wf.m_dVirial, 2.0, 0.01);
        ExpectSortedByType(wf);
    }
}

TEST(WfnReader, CommaDecimalLocaleChangesNothing) {
    const std::string text = Join(SmallFile().Lines()); // written in the "C" locale
    CWavefunction reference;
    ASSERT_EQ(Read(reference, text), 1) << reference.m_strError;

    struct Restore {
        ~Restore() { std::setlocale(LC_ALL, "C"); }
    } restore;
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_ALL, name) && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
            comma = true;
            break;
        }
    if (!comma) GTEST_SKIP() << "no comma-decimal locale installed";

    CWavefunction wf;
    ASSERT_EQ(Read(wf, text), 1) << wf.m_strError;
    EXPECT_EQ(Store(wf), Store(reference));
}
