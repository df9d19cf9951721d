#pragma once
// The loaded wavefunction: nuclei, molecular orbitals and Cartesian Gaussian
// primitives, with the working memory of their evaluation. Lengths in bohr.
//
// Ownership: the wavefunction owns its three records and the working arrays.
// The records and counts change only on the user-interface thread; a job on the
// worker thread evaluates, one evaluation at a time, writing the cache members
// and the working arrays without a lock. Further threads evaluate at the same
// time only through evaluators of their own (Evaluator.h), which read the
// records and the kernel's layout and write nothing here.

#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "numerics/Tensor.h"
#include "numerics/Vector.h"
#include "platform/core/Archive.h"
#include "wavefunction/EvalRequest.h"
#include "wavefunction/KernelLayout.h"

// Nuclei: index i belongs to nucleus number i + 1.
class CAtomData : public zel::CObject {
    ZEL_DECLARE_SERIAL(CAtomData);

    CAtomData() = default;
    // Allocates for n nuclei (nothing when n <= 0). With a label block (eight
    // characters per nucleus) the records are filled from the arrays.
    CAtomData(int n, const char* labelBlock, const double* x, const double* y, const double* z,
              const double* charges);

    // The document stream carries no tagged record: the owner passes the count.
    using zel::CObject::Serialize;
    void Serialize(zel::CArchive& ar, int nNuclei);

    std::vector<CVector> m_pPositions;
    std::vector<double> m_pCharges;
    std::vector<std::string> m_labels;
};

class COrbitalData : public zel::CObject {
    ZEL_DECLARE_SERIAL(COrbitalData);

    COrbitalData() = default;
    COrbitalData(int nMOs, const double* energies, const double* occupations);

    using zel::CObject::Serialize;
    void Serialize(zel::CArchive& ar, int nMOs);

    std::vector<double> m_pEnergies;
    std::vector<double> m_pOccupations;
    std::vector<double> m_pSqrtOccupations; // sqrt(|occupation|)
};

// Primitives, sorted by type (file order within a type); coefficients MO-major.
class CPrimitiveData : public zel::CObject {
    ZEL_DECLARE_SERIAL(CPrimitiveData);

    CPrimitiveData();
    // Drops the primitives whose coefficients are all zero and regroups the rest by
    // type; types must lie in 1..nTypes. The input arrays are overwritten by the
    // compaction.
    CPrimitiveData(int nMOs, int nPrimitives, int nTypes, double* exponents, double* coefficients,
                   int* centres, int* types);

    using zel::CObject::Serialize;
    // Loading sets m_nPrimitives to nPrimitives.
    void Serialize(zel::CArchive& ar, int nMOs, int nPrimitives, int nTypes);

    int m_nPrimitives = 0;
    std::vector<double> m_pMaxCoefficient; // per MO, carried in the document only
    std::vector<double> m_pMinus2Alpha;
    std::vector<double> m_pInvMinus2Alpha;
    std::vector<double> m_pCoefficients; // [k * n + p]
    std::vector<double> m_pExponents;
    std::vector<int> m_pCentres; // nucleus numbers 1..N
    std::vector<int> m_pTypeEnd; // entry t-1: exclusive end of the run of type t
    std::vector<int> m_pTypes;   // 1..35
};

class CWavefunction : public zel::CObject {
    ZEL_DECLARE_SERIAL(CWavefunction);

    static constexpr int kTypes = 35;

    CWavefunction();
    ~CWavefunction() override;
    CWavefunction(const CWavefunction&) = delete;
    CWavefunction& operator=(const CWavefunction&) = delete;

    // Empties the wavefunction; the virial keeps its value.
    void Clear();
    // The wavefunction's part of the document stream. Loading checks every count
    // and index against the data; on damage it leaves the wavefunction cleared
    // with the reason in m_strError and throws zel::CArchiveException.
    void Serialize(zel::CArchive& ar) override;

    // Reads a *.wfn file into an empty wavefunction. Returns 1, or 0 with the
    // reason in m_strError; after a failure the caller clears the wavefunction.
    int ReadWfn(std::istream& in);

    // Allocates the evaluation's working memory for the given counts.
    // Returns 1, or 0 with "Not enough working memory".
    int AllocWorkingMemory(int nNuclei, int nMOs, int nPrims);
    void FreeWorkingMemory();
    bool HasWorkingMemory() const;

    // Evaluates every primitive and MO with derivatives up to `level` at the
    // point (bohr) into the working arrays; a level below 0 acts as 0, above 4
    // as 4. Counts one evaluation in g_nEvaluations. Always returns 1. Needs the
    // records and the working memory; the records must not change between
    // AllocWorkingMemory and the evaluations that follow it.
    int EvaluatePrimitives(CVector point, int level);

    // Fills the kernel's layout from the records if that has not been done since
    // the working memory was allocated. False without records or working memory,
    // or when the records do not fit the allocated counts. Evaluators of other
    // threads need it done before they start.
    bool PrepareEvaluation();

    // Field value, gradient and Hessian, stress tensor and integrand arrays at a
    // point; see EvalRequest.h. Returns 1 (the kernel cannot fail), or 0 with
    // "Evaluation of Wavefunction not successful" in m_strError.
    int Evaluate(CEvalRequest request);

    bool IsLoaded() const { return m_pAtomData && m_pOrbitalData && m_pPrimitiveData; }

    std::string m_strError;
    std::string m_strTitle;
    int m_nNuclei = 0;
    int m_nMOs = 0;
    int m_nPrimitives = 0;
    int m_nTypes = kTypes;
    double m_dVirial = 0.0;

    // Evaluation cache: the last evaluated point and what was asked there.
    CVector m_lastPoint;
    int m_nLastField = 0;
    int m_bLastGradient = 0;
    int m_bLastHessian = 0;
    int m_bLastIntegrands = 0;
    int m_bLastSurface = 0;
    int m_bLastAtomA = 0;
    int m_bLastAtomB = 0;       // atom B needs second derivatives (surface entry 18)
    int m_nLastLevel = -1;      // kernel level the arrays hold
    bool m_bCacheValid = false; // false after construction, Clear and (re)allocation

    // Screening of far primitives (on by default). Off, every primitive enters
    // every MO: the dense evaluation that the screened one is checked against.
    bool m_bScreening = true;

    std::unique_ptr<COrbitalData> m_pOrbitalData;
    std::unique_ptr<CPrimitiveData> m_pPrimitiveData;
    std::unique_ptr<CAtomData> m_pAtomData;

    // Working memory (component numbering of the kernel: 0 value, 1-3 gradient,
    // 4 Laplacian, 5-10 xx yy zz xy xz yz, 11-20 xxx xxy xxz xyy yyy yyz xzz yzz
    // zzz xyz, 21-35 xxxx xxxy xxxz xxyy xxzz xyyy xzzz xxyz xyyz xyzz yyyy yyyz
    // yyzz yzzz zzzz). After a kernel call at level L the components of levels
    // up to L hold that point's values; the others keep what earlier calls left.
    std::vector<CVector> m_pNucDelta;  // r - R per nucleus, written by the kernel
    std::vector<CVector> m_pNucVec;    // r - R per nucleus, written with an integrand array
    std::vector<double> m_pNucDistSq;  // |r - R|^2, written by the kernel
    std::vector<double> m_pNucDist;    // |r - R|, floored at 1e-12, written with an integrand array
    // Component-major primitive table: component i of primitive p is element p
    // of m_pPrim[i]. Padded past the primitive count to whole vectors of eight.
    std::vector<double> m_pPrim[36];
    std::vector<double> m_pMOValue;
    std::vector<CVector> m_pMOGradient;
    std::vector<double> m_pMOLaplacian;
    std::vector<CTensor> m_pMOHessian; // xx yy zz xy xz yz; never diagonalised here
    std::vector<double> m_pMOThird[10];
    std::vector<double> m_pMOFourth[15];
    CKernelLayout m_kernel;            // the kernel's own copies of the records
    CAlignedVector<double> m_kernelMO; // contracted MO components, component-major (36 rows)
    CAlignedVector<double> m_kernelPairExp; // per pair slot: the last call's exponentials
    CAlignedVector<double> m_kernelArgs;    // packed exponential arguments, or the kept values
    std::vector<int> m_kernelKeptPairs;     // per nucleus: pairs kept at the last call
    std::vector<int> m_kernelKept;          // primitives the last call contracted
    int m_nKernelKept = 0;                  // how many
    bool m_bWorkingMemory = false;     // allocated and not freed since

    // The working arrays above as the kernel writes them, set with every
    // allocation (the wavefunction is neither copied nor moved).
    CKernelScratch m_ownScratch{};
    void SetOwnScratch();
};
