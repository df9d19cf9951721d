// Reader of the fixed-column *.wfn wavefunction file.

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <exception>
#include <ios>
#include <system_error>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "platform/core/FieldReader.h"
#include "platform/core/Prompt.h"
#include "wavefunction/Wavefunction.h"

namespace {

// The format's line buffer holds 119 characters. A longer line keeps its
// first 119 and fails the stream; every later read yields an empty line, so the
// next field that cannot be read names the failure.
class CLineReader {
public:
    static constexpr std::size_t kMaxLine = 119;

    explicit CLineReader(std::istream& in) : m_in(in) {}

    const std::string& Next() {
        m_line.clear();
        if (m_failed) return m_line;
        const std::istream::sentry ok(m_in, true);
        if (!ok) return m_line;
        std::streambuf* buffer = m_in.rdbuf();
        try {
            for (;;) {
                const int c = buffer->sbumpc();
                if (c == std::char_traits<char>::eof()) {
                    m_in.setstate(std::ios::eofbit);
                    break;
                }
                if (c == '\n') break;
                // Room for a CR beyond the limit: CR LF files read like LF files.
                if (m_line.size() > kMaxLine || (m_line.size() == kMaxLine && c != '\r')) {
                    m_line.resize(kMaxLine);
                    m_failed = true;
                    m_in.setstate(std::ios::failbit);
                    return m_line;
                }
                m_line.push_back(static_cast<char>(c));
            }
        } catch (const std::exception& e) {
            // A file buffer throws when the system cannot read the file (EIO,
            // EISDIR). Nothing of the line counts, and nothing after it.
            const auto* failure = dynamic_cast<const std::ios_base::failure*>(&e);
            m_nError = failure && failure->code().category() == std::system_category() && failure->code().value()
                           ? failure->code().value()
                           : (errno ? errno : EIO);
            m_line.clear();
            m_failed = true;
            try {
                m_in.setstate(std::ios::badbit);
            } catch (const std::exception&) {
                // A stream that throws on badbit: the error is kept here.
            }
            return m_line;
        }
        if (!m_line.empty() && m_line.back() == '\r') m_line.pop_back();
        return m_line;
    }

    // The system's error number of a failed read, 0 while none failed.
    int ReadError() const { return m_nError; }

private:
    std::istream& m_in;
    std::string m_line;
    bool m_failed = false;
    int m_nError = 0;
};

std::size_t Lines(int count, int perLine) {
    return static_cast<std::size_t>((count + perLine - 1) / perLine);
}

} // namespace

int CWavefunction::ReadWfn(std::istream& in) {
    CLineReader reader(in);
    // A read error names itself: the field that then finds no text would not.
    const auto fail = [this, &reader](const char* message) {
        m_strError = reader.ReadError() ? std::string("Could not read file: ") + std::strerror(reader.ReadError())
                                        : std::string(message);
        return 0;
    };

    m_strTitle = zel::Trim(reader.Next());

    // Counts below 1 are refused here: nothing later could be built from them.
    {
        const std::string& line = reader.Next();
        if (!zel::ReadIntField(line, 20, 3, m_nMOs) || m_nMOs < 1)
            return fail("Error in wfn file, line2, number of MOs");
        if (!zel::ReadIntField(line, 39, 4, m_nPrimitives) || m_nPrimitives < 1)
            return fail("Error in wfn file, line2, number of primitives");
        if (!zel::ReadIntField(line, 60, 3, m_nNuclei) || m_nNuclei < 1)
            return fail("Error in wfn file, line2, number of centers");
    }
    const int nNuclei = m_nNuclei;
    const int nMOs = m_nMOs;
    const int nPrims = m_nPrimitives;
    const std::size_t nuclei = static_cast<std::size_t>(nNuclei);
    const std::size_t mos = static_cast<std::size_t>(nMOs);
    const std::size_t prims = static_cast<std::size_t>(nPrims);

    std::vector<double> x, y, z, charges, exponents, occupations, energies, coefficients;
    std::vector<int> centres, types;
    std::vector<char> labels;
    std::vector<bool> seen;
    try {
        x.resize(nuclei);
        y.resize(nuclei);
        z.resize(nuclei);
        charges.resize(nuclei);
        labels.resize(8 * nuclei, ' ');
        seen.resize(nuclei);
        exponents.resize(prims);
        centres.resize(prims);
        types.resize(prims);
        occupations.resize(mos);
        energies.resize(mos);
        coefficients.resize(mos * prims);
    } catch (const std::bad_alloc&) {
        return fail("Not enough memory available");
    }

    // Every nucleus must occur exactly once, in any order; a repeated number
    // means another one is missing and would leave its slot unset.
    for (int i = 0; i < nNuclei; ++i) {
        const std::string& line = reader.Next();
        int n = 0;
        if (!zel::ReadIntField(line, 19, 3, n) || n < 1 || n > nNuclei ||
            seen[static_cast<std::size_t>(n - 1)])
            return fail("Illegal atom number");
        const std::size_t slot = static_cast<std::size_t>(n - 1);
        seen[slot] = true;
        for (std::size_t c = 0; c < 8 && c < line.size(); ++c)
            labels[8 * slot + c] = line[c];
        if (!zel::ReadRealField(line, 24, 12, x[slot])) return fail("Error in nuclear x-coordinate");
        if (!zel::ReadRealField(line, 36, 12, y[slot])) return fail("Error in nuclear y-coordinate");
        if (!zel::ReadRealField(line, 48, 12, z[slot])) return fail("Error in nuclear z-coordinate");
        if (!zel::ReadRealField(line, 70, 12, charges[slot])) return fail("Error in nuclear charge");
    }

    // Centres and types: 20 three-column fields per line from column 20.
    const auto readIndices = [&](std::vector<int>& target, int highest) {
        for (std::size_t row = 0, p = 0; row < Lines(nPrims, 20); ++row) {
            const std::string& line = reader.Next();
            for (std::size_t k = 0; k < 20 && p < prims; ++k, ++p) {
                if (!zel::ReadIntField(line, 20 + 3 * k, 3, target[p]) || target[p] < 1 ||
                    target[p] > highest)
                    return false;
            }
        }
        return true;
    };
    if (!readIndices(centres, nNuclei)) return fail("Illegal primitive center");
    if (!readIndices(types, m_nTypes)) return fail("Illegal primitive type");

    // Five reals per line, at `column + step * k`.
    const auto readReals = [&](double* target, std::size_t column, std::size_t width) {
        for (std::size_t row = 0, p = 0; row < Lines(nPrims, 5); ++row) {
            const std::string& line = reader.Next();
            for (std::size_t k = 0; k < 5 && p < prims; ++k, ++p)
                if (!zel::ReadRealField(line, column + width * k, width, target[p])) return false;
        }
        return true;
    };
    // A Gaussian's exponent is positive; -2 alpha and its reciprocal, which the
    // evaluation keeps, must both be finite.
    const auto isExponent = [](double alpha) {
        return alpha >= std::numeric_limits<double>::min() && alpha <= std::numeric_limits<double>::max() / 4;
    };
    if (!readReals(exponents.data(), 10, 14) || !std::all_of(exponents.begin(), exponents.end(), isExponent))
        return fail("Error in Exponent");

    for (std::size_t k = 0; k < mos; ++k) {
        const std::string& line = reader.Next();
        if (!zel::ReadRealField(line, 35, 12, occupations[k])) return fail("Error in PO-value");
        if (!zel::ReadRealField(line, 62, 12, energies[k])) return fail("Error in EORB-value");
        if (!readReals(coefficients.data() + k * prims, 0, 16)) return fail("Error in CO-value");
    }

    reader.Next();
    {
        const std::string& line = reader.Next();
        double energy = 0.0;
        if (!zel::ReadRealField(line, 17, 20, energy)) return fail("Error in Hartree-Fock energy");
        double virial = 0.0;
        if (!zel::ReadRealField(line, 55, 13, virial)) return fail("Error in virial");
        if (virial == 0.0) {
            zel::ShowMessageBox("Value of Virial in Wavefunction File is Zero! Virial is assumed to be 2.",
                                zel::PromptButtons::OK);
            virial = 2.0;
        }
        m_dVirial = virial;
    }
    if (reader.ReadError()) return fail("");

    try {
        m_pAtomData =
            std::make_unique<CAtomData>(nNuclei, labels.data(), x.data(), y.data(), z.data(), charges.data());
    } catch (const std::bad_alloc&) {
        return fail("AtomData: Not enough memory");
    }
    try {
        m_pOrbitalData = std::make_unique<COrbitalData>(nMOs, energies.data(), occupations.data());
    } catch (const std::bad_alloc&) {
        return fail("OrbitalData: Not enough memory");
    }
    try {
        m_pPrimitiveData = std::make_unique<CPrimitiveData>(
            nMOs, nPrims, m_nTypes, exponents.data(), coefficients.data(), centres.data(), types.data());
    } catch (const std::bad_alloc&) {
        return fail("PrimitiveData: Not enough memory");
    }
    m_nPrimitives = m_pPrimitiveData->m_nPrimitives;
    // Without a primitive there is nothing to evaluate, and the document could
    // not be loaded again.
    if (m_nPrimitives == 0) return fail("No primitive with a non-zero coefficient in wfn file");

    // Release the read buffers before the working memory takes its share.
    for (auto* buffer : {&x, &y, &z, &charges, &exponents, &occupations, &energies, &coefficients})
        std::vector<double>().swap(*buffer);
    std::vector<int>().swap(centres);
    std::vector<int>().swap(types);
    std::vector<char>().swap(labels);

    return AllocWorkingMemory(nNuclei, nMOs, m_nPrimitives);
}
