#include "analysis/Molecule.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"

CMolecule* g_pMolecule = nullptr;

namespace {

// The records the global option pointers held before any molecule installed its
// own: a destroyed molecule hands them back instead of leaving the pointers
// dangling. Captured by the first constructor, before it changes them.
struct BuiltinOptions {
    CLAOptions* la;
    CCritOptions* crit;
    CDEOptions* de;
};

const BuiltinOptions& Builtins() {
    static const BuiltinOptions builtins{g_pLAOptions, g_pCritOptions, g_pDEOptions};
    return builtins;
}

// Deletes from the head, each element out of the list before its destructor
// runs, so that destructors looking through the lists never meet a dying object.
template <class List> void DeleteAll(List& list) {
    while (!list.empty()) {
        auto element = std::move(list.front());
        list.pop_front();
        element.reset();
    }
}

} // namespace

CMolecule::CMolecule() {
    Builtins();
    std::fill(std::begin(m_bBasinSel), std::end(m_bBasinSel), 1);
    std::fill(std::begin(m_bSurfSel), std::end(m_bSurfSel), 1);
    g_pLAOptions = &m_LAOptions;
    g_pCritOptions = &m_CritOptions;
    g_pDEOptions = &m_DEOptions;
    g_pMolecule = this;
}

CMolecule::~CMolecule() {
    Clear(false);
    const BuiltinOptions& builtins = Builtins();
    if (g_pLAOptions == &m_LAOptions) g_pLAOptions = builtins.la;
    if (g_pCritOptions == &m_CritOptions) g_pCritOptions = builtins.crit;
    if (g_pDEOptions == &m_DEOptions) g_pDEOptions = builtins.de;
    if (g_pMolecule == this) g_pMolecule = nullptr;
}

void CMolecule::Reset() {
    Clear(true);
}

void CMolecule::Clear(bool notify) {
    m_strJobTitle = kNoMolecule;
    if (notify && m_pDocument) m_pDocument->SetTitle(m_strJobTitle);

    std::vector<double>().swap(m_pValues);
    std::vector<double>().swap(m_pSelValues);
    m_Wavefunction.Clear();

    // Points before atoms: a point may refer to its atom while it is deleted.
    DeleteAll(m_CagePointList);
    DeleteAll(m_RingPointList);
    DeleteAll(m_BondPointList);
    DeleteAll(m_MaxPointList);
    DeleteAll(m_AtomList);
    DeleteAll(m_PlotList);

    m_pCurAtom = nullptr;
    m_pCurSurface = nullptr;
    m_pCurPlot = nullptr;
    m_pPointSnapshot.reset();
    // The control pane's entry would otherwise point into the emptied plot list.
    m_nPlotIndex = 0;
    CPlot::ResetPlotCounter();
    DeleteEnvelope();

    m_nLastNumber = 0;
    m_nField = 0;

    if (notify) {
        if (m_pRecordView) m_pRecordView->RefreshRecord(true);
        if (m_pControlView) m_pControlView->SetFieldIndex(0);
    }

    m_LAOptions.Reset();
    m_CritOptions.Reset();
    m_DEOptions.Reset();
    m_IntegOptions.Reset();
    m_SurfIntOptions.Reset();
    m_EnvMapOptions.Reset();

    std::fill(std::begin(m_bBasinSel), std::end(m_bBasinSel), 1);
    std::fill(std::begin(m_bSurfSel), std::end(m_bSurfSel), 1);
}

void CMolecule::SetCurrentAtom(CAtom* atom) {
    if (atom == m_pCurAtom) return;
    m_pCurAtom = atom;
    if (atom) atom->ComputeLocalFrame();
    if (m_pDocument) m_pDocument->UpdateAllViews();
}

CMolecule::CCritPointList* CMolecule::GetList(int type) {
    switch (type) {
    case -3:
        return &m_MaxPointList;
    case -1:
        return &m_BondPointList;
    case 1:
        return &m_RingPointList;
    case 3:
        return &m_CagePointList;
    default:
        return nullptr;
    }
}

const CMolecule::CCritPointList* CMolecule::GetList(int type) const {
    return const_cast<CMolecule*>(this)->GetList(type);
}

CCritPoint* CMolecule::FindCritPointById(int number) const {
    if (number == 0) return nullptr;
    for (int type : {3, 1, -1, -3}) {
        for (const auto& point : *GetList(type)) {
            if (point->GetNumber() == number) return point.get();
        }
    }
    return nullptr;
}

CAtom* CMolecule::FindNearestAtom(CVector point) const {
    double best = -1.0;
    CAtom* nearest = nullptr;
    for (const auto& atom : m_AtomList) {
        const CVector d = atom->GetPosition() - point;
        const double d2 = d * d;
        if (best < 0.0 || d2 < best) {
            best = d2;
            nearest = atom.get();
        }
    }
    return nearest;
}

// ---------------------------------------------------------------------------
// Loading

int CreateAtoms(CWavefunction& wavefunction, CMolecule& molecule, CMolecule::CAtomList& atoms) {
    // Every atom sizes its result arrays from the orbital count; a count the
    // orbital records do not back would size them (and the evaluation's writes)
    // wrongly.
    if (BasinPropertyCount(wavefunction) < 0) {
        wavefunction.m_strError = "Invalid number of MOs in wavefunction";
        return 0;
    }
    const int n = wavefunction.m_nNuclei;
    const CAtomData& nuclei = *wavefunction.m_pAtomData;
    const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (nuclei.m_labels.size() < count || nuclei.m_pPositions.size() < count ||
        nuclei.m_pCharges.size() < count) {
        wavefunction.m_strError = "Invalid number of centers in wavefunction";
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        try {
            atoms.push_back(std::make_unique<CAtom>(molecule.NextObjectNumber(), nuclei.m_labels[i],
                                                    nuclei.m_pPositions[i], nuclei.m_pCharges[i], &molecule));
        } catch (const std::bad_alloc&) {
            wavefunction.m_strError = "Not enough memory for atom objects";
            return 0;
        }
    }
    return 1;
}

int CMolecule::LoadWavefunction(std::istream& in, const std::string& fileName) {
    if (!m_Wavefunction.ReadWfn(in) || !CreateAtoms(m_Wavefunction, *this, m_AtomList)) {
        std::string text = m_Wavefunction.m_strError;
        if (!fileName.empty()) text += " (file " + fileName + ")";
        zel::ShowMessageBox(text, zel::PromptButtons::OK);
        return 0;
    }
    m_strJobTitle = zel::AskJobTitle(m_Wavefunction.m_strTitle);
    if (m_pDocument) m_pDocument->SetModifiedFlag(true);

    const std::size_t count = static_cast<std::size_t>(BasinPropertyCount(m_Wavefunction));
    m_pValues.assign(count, 0.0);
    m_pSelValues.assign(count, 0.0);
    return 1;
}

// ---------------------------------------------------------------------------
// Properties

std::string CMolecule::GetPropertyName(int index) const {
    return PropertyName(index < 0 ? m_nField : index);
}

int CMolecule::IsBasinPropertySelected(int i) const {
    return i >= 0 && i < kBasinProperties ? m_bBasinSel[i] : 0;
}

void CMolecule::SetBasinPropertySelected(int i, int value) {
    if (i >= 0 && i < kBasinProperties) m_bBasinSel[i] = value;
}

int CMolecule::IsSurfacePropertySelected(int i) const {
    return i >= 0 && i < kSurfaceProperties ? m_bSurfSel[i] : 0;
}

void CMolecule::SetSurfacePropertySelected(int i, int value) {
    if (i >= 0 && i < kSurfaceProperties) m_bSurfSel[i] = value;
}

double* CMolecule::GetSelectedValues(bool basin) {
    if (m_pValues.empty()) return nullptr;
    std::size_t j = 0;
    if (basin) {
        for (int i = 0; i < kBasinIntegrands; ++i) {
            if (m_bBasinSel[i]) m_pSelValues[j++] = m_pValues[static_cast<std::size_t>(i)];
        }
        if (m_bBasinSel[kBasinIntegrands]) {
            for (std::size_t i = kBasinIntegrands; i < m_pValues.size(); ++i)
                m_pSelValues[j++] = m_pValues[i];
        }
    } else {
        for (int i = 0; i < kSurfaceProperties; ++i) {
            if (m_bSurfSel[i]) m_pSelValues[j++] = m_pValues[static_cast<std::size_t>(i)];
        }
    }
    return m_pSelValues.data();
}

int CMolecule::GetSelectedValueCount(bool basin) const {
    int count = 0;
    if (basin) {
        for (int i = 0; i < kBasinIntegrands; ++i)
            count += m_bBasinSel[i] ? 1 : 0;
        if (m_bBasinSel[kBasinIntegrands] && GetPropertyCount() > 0)
            count += GetPropertyCount() - kBasinIntegrands;
    } else {
        for (int i = 0; i < kSurfaceProperties; ++i)
            count += m_bSurfSel[i] ? 1 : 0;
    }
    return count;
}
