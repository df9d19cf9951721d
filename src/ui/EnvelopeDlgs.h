#pragma once
// The Envelope menu: the definition dialog of a new grid (182), the dialog of
// the envelope map (181), and the command bodies that create, refine, delete
// and configure the molecule's envelope. The grid jobs run behind the
// progress dialog (types 12 and 13) with the density as the current field;
// the field the user had is restored afterwards and the map derived for it.

#include <string>

#include "analysis/Molecule.h"
#include "platform/core/Canvas.h"
#include "platform/qt/Dialog.h"

class QListWidget;

class CDefEnvGridDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 182 };
    static constexpr int kOriginX = 1367, kOriginY = 1368, kOriginZ = 1369;
    static constexpr int kCountX = 1370, kCountY = 1371, kCountZ = 1372;
    static constexpr int kTotal = 1373;
    static constexpr int kThreshold = 1374;
    static constexpr int kMaxDistance = 1375;
    static constexpr int kSpinOriginX = 1376, kSpinOriginY = 1377, kSpinOriginZ = 1378;
    static constexpr int kSpinCountX = 1379, kSpinCountY = 1380, kSpinCountZ = 1381;
    static constexpr const char* kTitle = "Definition of an initial envelope grid with mesh size 1";

    explicit CDefEnvGridDlg(QWidget* parent = nullptr);

    // A count edit changed: reads every field (with its check) and shows the
    // new total; nothing while the dialog is being filled.
    void OnChangeCount();

    double m_dMaxDistance = 0.0;
    int m_nTotal = 8;
    int m_nX = 2, m_nY = 2, m_nZ = 2;
    double m_dThreshold = 0.0;
    int m_nOriginX = 0, m_nOriginY = 0, m_nOriginZ = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    bool m_bInitializing = true;
};

class CEnvOptionsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 181 };
    static constexpr int kFieldName = 1020;
    static constexpr int kAtoms = 1363;
    static constexpr int kMinValue = 1364;
    static constexpr int kMaxValue = 1365;
    static constexpr int kSphereSize = 1366;
    static constexpr int kPointCount = 1382;
    static constexpr int kMeshSize = 1383;
    static constexpr int kMinColor = 1384;
    static constexpr int kMaxColor = 1385;
    static constexpr int kTransparency = 1386;
    static constexpr int kSpheres = 1387;
    static constexpr int kSurface = 1388;
    static constexpr int kSurfaceOnly = 1393;
    static constexpr const char* kTitle = "Definition of envelope map in 3DView";

    // The dialog copies the colours, the window, the sphere size and the
    // transparency from the record; the selection is written into the record
    // by OnOK.
    CEnvOptionsDlg(std::string fieldName, CEnvMapOptions* options, const CMolecule* molecule,
                   QWidget* parent = nullptr);

    void OnMinColor();
    void OnMaxColor();
    void OnSpheres();
    void OnTriangulatedSurface();

    zel::COLORREF m_MinColor = 0, m_MaxColor = 0;
    std::string m_strFieldName;
    double m_dMaxValue = 0.0;
    double m_dMinValue = 0.0;
    double m_dSphereSize = 0.0;
    std::string m_strPointCount;
    std::string m_strMeshSize;
    double m_dTransparency = 0.0;
    int m_nDisplayMode = 0;
    int m_bSurfaceOnly = 0;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    QListWidget* AtomList() const;
    void EnableSphereControls(bool on);

    CEnvMapOptions* m_pOptions;
    const CMolecule* m_pMolecule;
};

// Computes the box of the nuclei into the envelope and lets the user confirm
// or edit it in dialog 182. 1 on OK (the envelope holds the dialog's values),
// 0 on Cancel. Allocates nothing.
int InitializeEnvelope(CEnvelop& envelope, QWidget* parent = nullptr);

// The command bodies (32810, 32809, 32812 after the document's question,
// 32813). Each returns whether it changed what the document stores.
bool OnInitEnvelope(CMolecule& molecule, QWidget* parent = nullptr);
bool OnRefineEnvelope(CMolecule& molecule);
bool DeleteEnvelope(CMolecule& molecule);
bool OnDefineEnvelopeMap(CMolecule& molecule, QWidget* parent = nullptr);

// Derives the envelope map for the molecule's current field and map options
// (CEnvelop::UpdateMap); a large grid behind the progress dialog, so that the
// windows keep repainting meanwhile.
void UpdateEnvelopeMap(CMolecule& molecule);
// Grids of at least this many points are mapped behind the progress dialog.
inline constexpr long long kMapPointsBehindProgress = 50000;

// The progress dialog's status lines of the two jobs.
std::string InitEnvelopeStatus(const CEnvelop& envelope);
std::string RefineEnvelopeStatus(const CEnvelop& envelope);
