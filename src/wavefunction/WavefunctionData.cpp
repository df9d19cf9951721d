// The wavefunction's records, their construction from a *.wfn file and the
// wavefunction's part of the document stream.

#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "platform/core/FieldReader.h"
#include "wavefunction/Wavefunction.h"

ZEL_IMPLEMENT_SERIAL(CAtomData);
ZEL_IMPLEMENT_SERIAL(COrbitalData);
ZEL_IMPLEMENT_SERIAL(CPrimitiveData);
ZEL_IMPLEMENT_SERIAL(CWavefunction);

namespace {

using Cause = zel::CArchiveException::Cause;

constexpr const char* kNoMemoryToLoad = "Not enough memory to load file";
constexpr const char* kBadCounts = "Invalid wavefunction counts in file.";
constexpr const char* kBadLabels = "Wrong number of atom labels in file.";
constexpr const char* kBadCentre = "Invalid primitive center in file.";
constexpr const char* kBadType = "Invalid primitive type in file.";
constexpr const char* kBadTypeTable = "Invalid primitive type table in file.";

std::size_t Count(int n) {
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Storing more elements than an array holds would read past it; that is a
// programming error, not a property of any file.
template <class T> void Store(zel::CArchive& ar, const std::vector<T>& array, std::size_t count) {
    if (array.size() < count) throw std::logic_error("wavefunction record shorter than its count");
    for (std::size_t i = 0; i < count; ++i)
        ar << array[i];
}

template <class T> void Load(zel::CArchive& ar, std::vector<T>& array, std::size_t count) {
    array.assign(count, T{});
    for (std::size_t i = 0; i < count; ++i)
        ar >> array[i];
}

template <class T> void Transfer(zel::CArchive& ar, std::vector<T>& array, std::size_t count) {
    if (ar.IsStoring())
        Store(ar, array, count);
    else
        Load(ar, array, count);
}

} // namespace

// ---------------------------------------------------------------------------
// CAtomData

CAtomData::CAtomData(int n, const char* labelBlock, const double* x, const double* y, const double* z,
                     const double* charges) {
    const std::size_t count = Count(n);
    m_pPositions.resize(count);
    m_pCharges.resize(count);
    if (labelBlock == nullptr || count == 0) return;
    for (std::size_t i = 0; i < count; ++i) {
        m_labels.push_back(zel::Trim(std::string_view(labelBlock + 8 * i, 8)));
        m_pPositions[i] = CVector(x[i], y[i], z[i]);
        m_pCharges[i] = charges[i];
    }
}

void CAtomData::Serialize(zel::CArchive& ar, int nNuclei) {
    const std::size_t count = Count(nNuclei);
    if (ar.IsStoring()) {
        ar.WriteCount(m_labels.size());
        for (const std::string& label : m_labels)
            ar << label;
        if (m_pPositions.size() < count) throw std::logic_error("wavefunction record shorter than its count");
        for (std::size_t i = 0; i < count; ++i)
            ar << m_pPositions[i].x << m_pPositions[i].y << m_pPositions[i].z;
    } else {
        if (ar.ReadCount() != count) throw zel::CArchiveException(Cause::BadCount, kBadLabels);
        m_labels.assign(count, std::string());
        for (std::string& label : m_labels)
            ar >> label;
        m_pPositions.assign(count, CVector());
        for (CVector& position : m_pPositions)
            ar >> position.x >> position.y >> position.z;
    }
    Transfer(ar, m_pCharges, count);
}

// ---------------------------------------------------------------------------
// COrbitalData

COrbitalData::COrbitalData(int nMOs, const double* energies, const double* occupations) {
    const std::size_t count = Count(nMOs);
    m_pEnergies.resize(count);
    m_pOccupations.resize(count);
    m_pSqrtOccupations.resize(count);
    if (energies == nullptr || occupations == nullptr) return;
    for (std::size_t k = 0; k < count; ++k) {
        m_pEnergies[k] = energies[k];
        m_pOccupations[k] = occupations[k];
        m_pSqrtOccupations[k] = std::sqrt(std::fabs(occupations[k]));
    }
}

void COrbitalData::Serialize(zel::CArchive& ar, int nMOs) {
    const std::size_t count = Count(nMOs);
    Transfer(ar, m_pEnergies, count);
    Transfer(ar, m_pOccupations, count);
    Transfer(ar, m_pSqrtOccupations, count);
}

// ---------------------------------------------------------------------------
// CPrimitiveData

// The factory's empty record keeps the historical table size.
CPrimitiveData::CPrimitiveData() : m_pTypeEnd(20, 0) {}

CPrimitiveData::CPrimitiveData(int nMOs, int nPrimitives, int nTypes, double* exponents, double* coefficients,
                               int* centres, int* types)
    : m_nPrimitives(nPrimitives) {
    const std::size_t mos = Count(nMOs);
    const std::size_t prims = Count(nPrimitives);
    m_pMaxCoefficient.resize(mos);
    m_pMinus2Alpha.resize(prims);
    m_pInvMinus2Alpha.resize(prims);
    m_pCoefficients.resize(mos * prims);
    m_pExponents.resize(prims);
    m_pCentres.resize(prims);
    m_pTypeEnd.resize(Count(nTypes));
    m_pTypes.resize(prims);
    if (exponents == nullptr || coefficients == nullptr || centres == nullptr || types == nullptr) return;

    // Compaction in place: a primitive that no orbital uses only costs time.
    // -0.0 compares equal to 0 and is dropped too.
    std::size_t kept = 0;
    for (std::size_t j = 0; j < prims; ++j) {
        bool used = false;
        for (std::size_t k = 0; k < mos && !used; ++k)
            used = coefficients[k * prims + j] != 0.0;
        if (!used) continue;
        types[kept] = types[j];
        centres[kept] = centres[j];
        exponents[kept] = exponents[j];
        for (std::size_t k = 0; k < mos; ++k)
            coefficients[k * prims + kept] = coefficients[k * prims + j];
        ++kept;
    }
    const std::size_t n = kept;
    m_nPrimitives = static_cast<int>(n);
    if (n < prims) {
        m_pMinus2Alpha.assign(n, 0.0);
        m_pInvMinus2Alpha.assign(n, 0.0);
        m_pCoefficients.assign(mos * n, 0.0);
        m_pExponents.assign(n, 0.0);
        m_pCentres.assign(n, 0);
        m_pTypes.assign(n, 0);
        m_pMinus2Alpha.shrink_to_fit();
        m_pInvMinus2Alpha.shrink_to_fit();
        m_pCoefficients.shrink_to_fit();
        m_pExponents.shrink_to_fit();
        m_pCentres.shrink_to_fit();
        m_pTypes.shrink_to_fit();
    }

    // Stable regrouping by type lets the kernel evaluate each angular type in one run.
    std::size_t j = 0;
    for (int t = 1; t <= nTypes; ++t) {
        for (std::size_t l = 0; l < n; ++l) {
            if (types[l] != t) continue;
            m_pExponents[j] = exponents[l];
            m_pCentres[j] = centres[l];
            m_pTypes[j] = types[l];
            m_pMinus2Alpha[j] = -2.0 * exponents[l];
            m_pInvMinus2Alpha[j] = 1.0 / m_pMinus2Alpha[j];
            for (std::size_t k = 0; k < mos; ++k)
                m_pCoefficients[k * n + j] = coefficients[k * prims + l];
            ++j;
        }
        m_pTypeEnd[static_cast<std::size_t>(t - 1)] = static_cast<int>(j);
    }

    for (std::size_t k = 0; k < mos; ++k) {
        double largest = 0.0;
        for (std::size_t p = 0; p < n; ++p)
            largest = std::fmax(largest, std::fabs(m_pCoefficients[k * n + p]));
        m_pMaxCoefficient[k] = largest;
    }
}

void CPrimitiveData::Serialize(zel::CArchive& ar, int nMOs, int nPrimitives, int nTypes) {
    const std::size_t mos = Count(nMOs);
    const std::size_t prims = Count(nPrimitives);
    if (ar.IsLoading()) m_nPrimitives = nPrimitives;
    Transfer(ar, m_pMaxCoefficient, mos);
    Transfer(ar, m_pMinus2Alpha, prims);
    Transfer(ar, m_pInvMinus2Alpha, prims);
    Transfer(ar, m_pCoefficients, mos * prims);
    Transfer(ar, m_pExponents, prims);
    Transfer(ar, m_pCentres, prims);
    Transfer(ar, m_pTypeEnd, Count(nTypes));
    Transfer(ar, m_pTypes, prims);
}

// ---------------------------------------------------------------------------
// CWavefunction

CWavefunction::CWavefunction() = default;

CWavefunction::~CWavefunction() {
    FreeWorkingMemory();
}

void CWavefunction::Clear() {
    m_strError.clear();
    m_strTitle.clear();
    m_nNuclei = 0;
    m_nMOs = 0;
    m_nPrimitives = 0;
    m_nTypes = kTypes;
    m_nLastField = 0;
    m_bLastGradient = 0;
    m_bLastHessian = 0;
    m_bLastIntegrands = 0;
    m_bLastSurface = 0;
    m_bLastAtomA = 0;
    m_bCacheValid = false;
    FreeWorkingMemory();
    m_pOrbitalData.reset();
    m_pPrimitiveData.reset();
    m_pAtomData.reset();
}

namespace {

// Refuses counts that the rest of the stream cannot hold before anything is
// allocated for them, so a damaged file cannot ask for gigabytes.
void CheckCounts(const zel::CArchive& ar, int nNuclei, int nMOs, int nPrimitives, int nTypes) {
    if (nTypes != CWavefunction::kTypes) throw zel::CArchiveException(Cause::BadCount, kBadCounts);
    if (nNuclei == 0 && nMOs == 0 && nPrimitives == 0) return;
    if (nNuclei <= 0 || nMOs <= 0 || nPrimitives <= 0)
        throw zel::CArchiveException(Cause::BadCount, kBadCounts);
    const std::uint64_t n = static_cast<std::uint64_t>(nNuclei);
    const std::uint64_t m = static_cast<std::uint64_t>(nMOs);
    const std::uint64_t p = static_cast<std::uint64_t>(nPrimitives);
    // The kernel indexes coefficients with int.
    if (m * p > static_cast<std::uint64_t>(INT_MAX))
        throw zel::CArchiveException(Cause::BadCount, kBadCounts);
    // Smallest possible size of the records' part: a label takes at least its
    // length byte, the label list its 2-byte count.
    const std::uint64_t minimum = 2 + n * (1 + 3 * 8 + 8) + m * 4 * 8 + p * (3 * 8 + 4 + 4) + 8 * m * p +
                                  4 * static_cast<std::uint64_t>(nTypes);
    if (minimum > ar.Remaining()) throw zel::CArchiveException(Cause::BadCount, kBadCounts);
}

// The kernel trusts centres, types and the type-end table as indices.
void CheckPrimitives(const CPrimitiveData& data, int nNuclei, int nPrimitives, int nTypes) {
    const std::size_t prims = Count(nPrimitives);
    for (std::size_t p = 0; p < prims; ++p) {
        if (data.m_pCentres[p] < 1 || data.m_pCentres[p] > nNuclei)
            throw zel::CArchiveException(Cause::BadIndex, kBadCentre);
        if (data.m_pTypes[p] < 1 || data.m_pTypes[p] > nTypes)
            throw zel::CArchiveException(Cause::BadIndex, kBadType);
    }
    int begin = 0;
    for (int t = 1; t <= nTypes; ++t) {
        const int end = data.m_pTypeEnd[static_cast<std::size_t>(t - 1)];
        if (end < begin || end > nPrimitives) throw zel::CArchiveException(Cause::BadIndex, kBadTypeTable);
        for (int p = begin; p < end; ++p)
            if (data.m_pTypes[static_cast<std::size_t>(p)] != t)
                throw zel::CArchiveException(Cause::BadIndex, kBadTypeTable);
        begin = end;
    }
    if (begin != nPrimitives) throw zel::CArchiveException(Cause::BadIndex, kBadTypeTable);
}

} // namespace

void CWavefunction::Serialize(zel::CArchive& ar) {
    m_strError.clear();
    if (ar.IsStoring()) {
        // Records go out only as a complete set with positive counts, the only
        // form loading reads back; anything else is stored as empty.
        const bool complete = IsLoaded() && m_nNuclei > 0 && m_nMOs > 0 && m_nPrimitives > 0;
        ar << m_strTitle << (complete ? m_nNuclei : 0) << (complete ? m_nMOs : 0)
           << (complete ? m_nPrimitives : 0) << m_nTypes << m_dVirial;
        if (!complete) return;
        m_pAtomData->Serialize(ar, m_nNuclei);
        m_pOrbitalData->Serialize(ar, m_nMOs);
        m_pPrimitiveData->Serialize(ar, m_nMOs, m_nPrimitives, m_nTypes);
        return;
    }

    Clear();
    try {
        ar >> m_strTitle >> m_nNuclei >> m_nMOs >> m_nPrimitives >> m_nTypes >> m_dVirial;
        CheckCounts(ar, m_nNuclei, m_nMOs, m_nPrimitives, m_nTypes);
        if (m_nNuclei == 0) return;

        m_pAtomData = std::make_unique<CAtomData>(m_nNuclei, nullptr, nullptr, nullptr, nullptr, nullptr);
        m_pOrbitalData = std::make_unique<COrbitalData>(m_nMOs, nullptr, nullptr);
        m_pPrimitiveData = std::make_unique<CPrimitiveData>(m_nMOs, m_nPrimitives, m_nTypes, nullptr, nullptr,
                                                            nullptr, nullptr);
        if (!AllocWorkingMemory(m_nNuclei, m_nMOs, m_nPrimitives))
            throw zel::CArchiveException(Cause::BadCount, kNoMemoryToLoad);

        m_pAtomData->Serialize(ar, m_nNuclei);
        m_pOrbitalData->Serialize(ar, m_nMOs);
        m_pPrimitiveData->Serialize(ar, m_nMOs, m_nPrimitives, m_nTypes);
        CheckPrimitives(*m_pPrimitiveData, m_nNuclei, m_nPrimitives, m_nTypes);
    } catch (const zel::CArchiveException& e) {
        Clear();
        m_strError = e.what();
        throw;
    } catch (const std::bad_alloc&) {
        Clear();
        m_strError = kNoMemoryToLoad;
        throw zel::CArchiveException(Cause::BadCount, kNoMemoryToLoad);
    }
}
