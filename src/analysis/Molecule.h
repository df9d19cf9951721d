#pragma once
// The data model of the loaded system: the wavefunction, the atoms, the critical
// points by signature, the plots and the envelope grid, with the current field,
// atom, surface and plot, the option records, the property selections and the
// results of the last evaluation.
//
// Threads: the molecule lives on the user-interface thread; a job on the worker
// thread evaluates and appends to the lists without a lock while the modal
// progress dialog keeps the user away. The last-evaluation members are scratch
// state: read them right after your own Evaluate.
//
// The rule for views: a job launcher holds a CJobScope on the molecule from
// before the worker starts until it has finished (IsJobRunning() is true in
// between). While it is set, nothing on the user-interface thread walks the
// atom, critical-point, path or plot lists or evaluates: views and records
// that repaint show what they drew before, or nothing. The one exception is
// code the job itself runs on the user-interface thread (zel::RunOnUiThread),
// during which the worker waits. The flag is set and cleared on the
// user-interface thread, so a view reading it there never races with it.

#include <atomic>
#include <istream>
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/Atom.h"
#include "analysis/CritPoint.h"
#include "analysis/Envelop.h"
#include "analysis/GradPath.h"
#include "analysis/MoleculeViews.h"
#include "analysis/Plot.h"
#include "analysis/PointReport.h"
#include "analysis/PropertyTable.h"
#include "numerics/Options.h"
#include "numerics/Tensor.h"
#include "numerics/Vector.h"
#include "platform/core/Archive.h"
#include "platform/core/TextRecord.h"
#include "wavefunction/Wavefunction.h"

// The font the dialogs give their list boxes (height in logical units).
struct CListFont {
    int Height = 14;
    int Width = 0;
    int Escapement = 0;
    int Orientation = 0;
    int Weight = 0;
    int Italic = 0;
    int Underline = 0;
    int StrikeOut = 0;
    int CharSet = 0;
    int OutPrecision = 0;
    int ClipPrecision = 0;
    int Quality = 0;
    int PitchAndFamily = 0x30; // modern family, default pitch
    std::string FaceName;      // none: the platform's modern fixed font
};

class CMolecule {
public:
    using CAtomList = std::list<std::unique_ptr<CAtom>>;
    using CCritPointList = std::list<std::unique_ptr<CCritPoint>>;
    using CPlotList = std::list<std::unique_ptr<CPlot>>;

    static constexpr const char* kNoMolecule = "no molecule loaded";

    // An empty model with every option at its default and every selection on.
    // Installs itself in g_pMolecule and its option records in the global
    // option pointers.
    CMolecule();
    // Empties the model without calling the document or the views, which may be
    // gone already, and points the globals back at the built-in records.
    ~CMolecule();

    CMolecule(const CMolecule&) = delete;
    CMolecule& operator=(const CMolecule&) = delete;

    // --- running jobs ------------------------------------------------------------
    // True while a job that may change the lists runs on the worker (see the
    // rule above).
    bool IsJobRunning() const { return m_nRunningJobs.load(std::memory_order_acquire) > 0; }
    // Held by a job launcher around its progress dialog; scopes may nest.
    class CJobScope {
    public:
        explicit CJobScope(CMolecule& molecule) : m_molecule(molecule) {
            m_molecule.m_nRunningJobs.fetch_add(1, std::memory_order_acq_rel);
        }
        ~CJobScope() { m_molecule.m_nRunningJobs.fetch_sub(1, std::memory_order_acq_rel); }
        CJobScope(const CJobScope&) = delete;
        CJobScope& operator=(const CJobScope&) = delete;

    private:
        CMolecule& m_molecule;
    };

    // --- document, views and dialog hooks (not owned) --------------------------
    void SetDocument(IMoleculeDocument* document) { m_pDocument = document; }
    IMoleculeDocument* GetDocument() const { return m_pDocument; }
    void SetRecordView(IRecordView* view) { m_pRecordView = view; }
    IRecordView* GetRecordView() const { return m_pRecordView; }
    void SetControlView(IControlView* view) { m_pControlView = view; }
    IControlView* GetControlView() const { return m_pControlView; }
    void Set3DView(I3DView* view) { m_p3DView = view; }
    I3DView* Get3DView() const { return m_p3DView; }
    void SetPlotView(IPlotView* view) { m_pPlotView = view; }
    IPlotView* GetPlotView() const { return m_pPlotView; }

    const CListFont* GetFont() const { return &m_ListFont; }

    // --- state -----------------------------------------------------------------
    CWavefunction* GetWavefunction() { return &m_Wavefunction; }
    const CWavefunction* GetWavefunction() const { return &m_Wavefunction; }
    bool IsEmpty() const { return m_AtomList.empty(); }
    std::string GetErrorText() const { return m_strMessage; }
    std::string GetJobTitle() const { return m_strJobTitle; }

    int GetFieldIndex() const { return m_nField; }
    void SetFieldIndex(int field) { m_nField = field; }
    CAtom* GetCurrentAtom() const { return m_pCurAtom; }
    // Makes atom (or none) current; a new current atom gets its local frame
    // recomputed and the document updates its views. Nothing when unchanged.
    void SetCurrentAtom(CAtom* atom);
    CBondPoint* GetCurrentSurface() const { return m_pCurSurface; }
    void SetCurrentSurface(CBondPoint* surface) { m_pCurSurface = surface; }
    CPlot* GetCurrentPlot() const { return m_pCurPlot; }
    int SetCurrentPlot(CPlot* plot) {
        m_pCurPlot = plot;
        return 0;
    }
    // Control pane: the plot-list entry to select, and whether the pane makes
    // it current (0) or leaves no plot current (2).
    void SetPlotIndex(int index) { m_nPlotIndex = index; }
    int GetPlotIndex() const { return m_nPlotIndex; }
    void SetPlotState(int state) { m_nPlotState = state; }
    int GetPlotState() const { return m_nPlotState; }

    CEnvelop* GetEnvelope() const { return m_pEnvelop.get(); }
    // Takes the grid over; a previous grid is deleted.
    void SetEnvelop(std::unique_ptr<CEnvelop> envelope) { m_pEnvelop = std::move(envelope); }
    void DeleteEnvelope() { m_pEnvelop.reset(); }

    // The last object number given out (0: none yet); saved with the document.
    int GetLastObjectNumber() const { return m_nLastNumber; }
    void SetLastObjectNumber(int number) { m_nLastNumber = number; }
    // Numbers for atoms, critical points and paths: 1, 2, ... after emptying.
    int NextObjectNumber() { return ++m_nLastNumber; }

    // --- lists -----------------------------------------------------------------
    // List type 0: the atoms in nucleus order.
    CAtomList& GetAtomList() { return m_AtomList; }
    const CAtomList& GetAtomList() const { return m_AtomList; }
    // List types -3, -1, +1, +3: the critical points of that signature, of every
    // field, in the order found. Null for any other type (atoms and plots have
    // their own typed lists).
    CCritPointList* GetList(int type);
    const CCritPointList* GetList(int type) const;
    // The current field's (3,-1) point with two ascending paths ending at a or
    // b, or null (MolecularGraph.cpp).
    CBondPoint* FindBondPointBetween(CCritPoint* a, CCritPoint* b) const;
    // The records, without points, of the molecular-graph paths of the current
    // field; returns the number of lines (MolecularGraph.cpp).
    // The point's path list in the order a saved and reopened document has it.
    std::vector<const CGradPath*> OrderedPathList(const CCritPoint& point, bool ascending) const;
    int WriteMolGraphRecord(zel::CTextRecord* lines) const;
    // List type 4: the plots, newest first.
    CPlotList& GetPlotList() { return m_PlotList; }
    const CPlotList& GetPlotList() const { return m_PlotList; }

    // The critical point with this number, searched in the (3,+3), (3,+1),
    // (3,-1) and (3,-3) lists in this order; null for 0 or an unknown number.
    CCritPoint* FindCritPointById(int number) const;
    // The atom whose nucleus is nearest (the first of equally near ones); null
    // without atoms.
    CAtom* FindNearestAtom(CVector point) const;
    // The critical point of the field nearest to point among the lists that
    // take part: every signature for type 0, else the signature type and, for
    // direction > 0, those above it, for direction < 0, those below it. The
    // point *inOut holds on entry is skipped. *inOut receives the nearest (null
    // when none lies closer than sqrt(9999)); returns its distance, or
    // sqrt(9999) when there is none.
    double FindNearestCritPoint(CVector point, CCritPoint** inOut, int type, int direction, int field) const;
    // 0 when a known point of the signature and of the current field lies
    // closer than the current MinDistance (strictly), else 1.
    int IsNewCriticalPoint(CVector point, int signature) const;

    // --- loading and emptying -------------------------------------------------
    // Reads a *.wfn file into the emptied model: the wavefunction, one atom per
    // nucleus, the job title (asked through the title service, preset with the
    // wavefunction title) and the property arrays. Returns 1, or 0 after
    // showing the reason in a message box, followed by the file's name when
    // one is given; the caller then empties the model.
    int LoadWavefunction(std::istream& in, const std::string& fileName = {});
    // The molecule's part of a document: the wavefunction, the atoms, the four
    // critical-point lists with their paths, the plots, the object counter, the
    // job title, the current options, the envelope flag and the selections.
    // References between objects go as object numbers and are linked again
    // after loading. Clears the message text first; a load that fails on
    // damaged data leaves the model emptied (as Reset, without telling the
    // document or the views) and the reason in GetErrorText(). An envelope is
    // stored only with its points. Loading sets the plot counter from the plot
    // records read.
    void Serialize(zel::CArchive& ar);

    // Empties the model: job title "no molecule loaded", no wavefunction, lists,
    // current objects or envelope, object numbers and plot numbers restart, field
    // 0, every option at its default, every selection on. Tells the document and
    // the registered record view and control pane.
    void Reset();

    // --- options -----------------------------------------------------------------
    CLAOptions& GetLAOptions() { return m_LAOptions; }
    CCritOptions& GetCritOptions() { return m_CritOptions; }
    CDEOptions& GetDEOptions() { return m_DEOptions; }
    CIntegOptions& GetIntegOptions() { return m_IntegOptions; }
    CSurfIntOptions& GetSurfIntOptions() { return m_SurfIntOptions; }
    CEnvMapOptions& GetEnvMapOptions() { return m_EnvMapOptions; }
    const CEnvMapOptions& GetEnvMapOptions() const { return m_EnvMapOptions; }

    // --- properties ----------------------------------------------------------
    // A negative index names the current field; an index without a name gives "".
    std::string GetPropertyName(int index) const;
    // Basin flags 0..47 and surface flags 0..24; reads outside give 0, writes
    // outside are ignored.
    int IsBasinPropertySelected(int i) const;
    void SetBasinPropertySelected(int i, int value);
    int IsSurfacePropertySelected(int i) const;
    void SetSurfacePropertySelected(int i, int value);
    // Length of the property arrays (47 + n(n+1)/2 for n orbitals); 0 while no
    // molecule is loaded.
    int GetPropertyCount() const { return static_cast<int>(m_pValues.size()); }
    // The property array of the last evaluation with a positive level; null
    // while no molecule is loaded.
    double* GetValues() { return m_pValues.empty() ? nullptr : m_pValues.data(); }
    // Packs the selected entries of the property array, in property order, into
    // the front of the selection array and returns it: basin, properties 0..46
    // whose flag is set, then the whole orbital-pair block when flag 47 is set;
    // surface, entries 0..24 whose flag is set. Entries behind the packed ones
    // keep what they held. Null while no molecule is loaded.
    double* GetSelectedValues(bool basin);
    // How many values GetSelectedValues packs.
    int GetSelectedValueCount(bool basin) const;

    // --- evaluation ------------------------------------------------------------
    // Evaluates the current field at point. |level| > 1 adds the gradient,
    // |level| > 2 the Hessian, stress tensor and its divergence (both tensors
    // diagonalised afterwards), level > 0 the property array (the surface layout
    // when surface is given). The other arguments go into the request unchanged.
    // Returns 1, or 0 when the wavefunction fails or none is loaded; members not
    // asked for keep the values of an earlier evaluation.
    int Evaluate(CVector point, int level, const CAtom* atomA = nullptr, const CAtom* atomB = nullptr,
                 const CBondPoint* surface = nullptr, CVector* normal = nullptr,
                 const CVector* direction = nullptr);
    // Value, gradient and Hessian (diagonalised) of the current field at point,
    // as Evaluate with level -3 but without the stress tensor and its
    // divergence, which keep their earlier values: what the Newton steps and
    // the path tracers read.
    int EvaluateHessian(CVector point);
    CVector GetLastPoint() const { return m_LastPoint; }
    double GetLastValue() const { return m_dValue; }
    CVector GetGradient() const { return m_Gradient; }
    // Copies with eigen data (eigenvalues ascending), none when the
    // diagonalisation failed.
    CTensor GetHessianEigen() const { return m_Hessian; }
    CTensor GetStressEigen() const { return m_Stress; }
    CVector GetStressDivergence() const { return m_StressDiv; }

    // Newton iteration for a critical point of the current field from start,
    // with the current critical-point options. Returns 1 when a point was found
    // (possibly a degenerate one: singular Hessian, non-negligible value, nearly
    // no gradient); 0 with the reason in GetErrorText(). Either way the point
    // where it stopped is GetLastPoint(). Lines are appended to log when given.
    int NewtonIteration(const std::string& name, CVector start, zel::CTextRecord* log);

    // (r, theta, phi) <-> Cartesian, angles in radians; theta in [0, pi], phi in
    // [0, 2 pi); both angles 0 at the origin.
    static CVector SphericalToCartesian(CVector rtp);
    static CVector CartesianToSpherical(CVector v);

    // --- point analysis ----------------------------------------------------------
    // Keeps a copy of the last evaluation (point, field, value, gradient,
    // Hessian with its eigen data, property array) as the analysed point; the
    // property analysis calls it right after its own level-3 evaluation.
    void TakePointSnapshot();
    // The analysed point; null before any analysis and after emptying.
    const CPointSnapshot* GetPointSnapshot() const { return m_pPointSnapshot.get(); }
    // Appends the point record of the analysed point (one line saying there is
    // none before any analysis); returns the number of lines appended.
    int WritePointReport(zel::CTextRecord* lines) const;
    // Appends the records of every critical point of the current field, the
    // (3,-3) list first, then (3,-1), (3,+1), (3,+3); returns the lines added.
    int WriteCritPointRecord(zel::CTextRecord* lines);

private:
    // Empties everything Reset empties; only Reset tells the document and views.
    void Clear(bool notify);
    void Load(zel::CArchive& ar);
    void CheckLoaded() const;
    void LinkLoaded();

    std::atomic<int> m_nRunningJobs{0};
    int m_nPlotIndex = 0;
    IMoleculeDocument* m_pDocument = nullptr;
    CWavefunction m_Wavefunction;
    IRecordView* m_pRecordView = nullptr;
    IControlView* m_pControlView = nullptr;
    I3DView* m_p3DView = nullptr;
    IPlotView* m_pPlotView = nullptr;
    CListFont m_ListFont;
    int m_nLastNumber = 0;
    std::string m_strMessage;
    std::string m_strJobTitle = kNoMolecule;
    CAtomList m_AtomList;
    CCritPointList m_MaxPointList;
    CCritPointList m_BondPointList;
    CCritPointList m_RingPointList;
    CCritPointList m_CagePointList;
    CPlotList m_PlotList;
    std::unique_ptr<CEnvelop> m_pEnvelop;
    CVector m_LastPoint;
    int m_nField = 0;
    double m_dValue = 0.0;
    CVector m_Gradient;
    std::vector<double> m_pValues;    // empty while no molecule is loaded
    std::vector<double> m_pSelValues; // same length as m_pValues
    int m_bBasinSel[kBasinProperties] = {};
    int m_bSurfSel[kSurfaceProperties] = {};
    CTensor m_Hessian;
    CTensor m_Stress;
    CVector m_StressDiv;
    CAtom* m_pCurAtom = nullptr;
    CBondPoint* m_pCurSurface = nullptr;
    CPlot* m_pCurPlot = nullptr;
    int m_nPlotState = 0;
    CLAOptions m_LAOptions;
    CCritOptions m_CritOptions;
    CDEOptions m_DEOptions;
    CIntegOptions m_IntegOptions;
    CSurfIntOptions m_SurfIntOptions;
    CEnvMapOptions m_EnvMapOptions;
    std::unique_ptr<CPointSnapshot> m_pPointSnapshot;
};

// The one molecule of the process (set by its constructor); the worker thread
// and the job bodies reach it through this pointer.
extern CMolecule* g_pMolecule;

// Creates one atom per nucleus of the wavefunction, numbered from the molecule's
// counter, and appends them to atoms. Returns 1, or 0 with the reason in the
// wavefunction's error text: an orbital count that the wavefunction's records do
// not back, or no memory for the atoms (those appended before stay).
int CreateAtoms(CWavefunction& wavefunction, CMolecule& molecule, CMolecule::CAtomList& atoms);
