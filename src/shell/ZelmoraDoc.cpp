#include "shell/ZelmoraDoc.h"

#include <QComboBox>

#include <algorithm>
#include <exception>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "analysis/DocumentFile.h"
#include "app/ComputeDlg.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/qt/Help.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/UiThread.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraView.h"
#include "ui/CritPointDlg.h"
#include "ui/IntegrationDlg.h"
#include "ui/EnvelopeDlgs.h"
#include "ui/MolGraphDlg.h"
#include "ui/ContourPlotDlg.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/OptionCommands.h"
#include "ui/PopDlg.h"
#include "ui/SurfacePlotDlg.h"
#include "ui/TextOutDlg.h"
#include "plots/TextOut.h"
#include "ui/PropsDlgs.h"
#include "ui/SurfIntegDlg.h"
#include "view3d/3DFrame.h"
#include "view3d/3DView.h"

#include <QApplication>

namespace {

constexpr const char* kWavefunctionFilter = "Wavefunction Files (*.wfn)|*.wfn||";

// The name the save prompt gives the document.
std::string DisplayName(const std::string& path) {
    if (path.empty()) return "Untitled";
    return std::filesystem::path(path).filename().string();
}

// The three-dimensional view among the document's views.
class C3DDocView : public CDocView {
public:
    explicit C3DDocView(C3DFrame* frame) : m_pFrame(frame) {}
    QWidget* GetWidget() override { return m_pFrame; }
    void OnUpdate() override {
        if (C3DView* view = m_pFrame->GetView()) view->OnUpdate();
    }

private:
    C3DFrame* m_pFrame;
};

// Runs the dialog of a new plot in a plane. OK has put the plot at the head of
// the plot list and makes it current; on Cancel the plot goes with the dialog
// and the plot current before is current again (the plane set-up may have
// shown the new plot in the 3D view).
template <class Dialog, class Plot> void RunNewPlaneDialog(CMolecule& molecule, QWidget* parent) {
    CPlot* previous = molecule.GetCurrentPlot();
    Dialog dialog(std::make_unique<Plot>(&molecule), parent);
    if (dialog.DoModal() == zel::IDOK) {
        molecule.SetCurrentPlot(dialog.GetPlot());
        molecule.SetPlotIndex(0);
        molecule.SetPlotState(0);
    } else {
        molecule.SetCurrentPlot(previous);
    }
}

} // namespace

CZelmoraDoc::CZelmoraDoc() : m_pTextOutData(std::make_unique<CTextOutData>()) {
    m_Molecule.SetDocument(this);
    Create3DFrame();
}

CZelmoraDoc::~CZelmoraDoc() {
    if (m_p3DDocView) RemoveView(m_p3DDocView.get());
    m_p3DFrame.reset();
    // The views may outlive the document by a moment while the frame closes.
    m_Molecule.SetDocument(nullptr);
}

void CZelmoraDoc::Create3DFrame() {
    if (m_p3DFrame || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    m_p3DFrame = std::make_unique<C3DFrame>(&m_Molecule);
    // Created first, so the first view to be updated.
    m_p3DDocView = std::make_unique<C3DDocView>(m_p3DFrame.get());
    AddView(m_p3DDocView.get());
}

void CZelmoraDoc::Show3DWindow(bool show) {
    if (!m_p3DFrame) return;
    if (!show) {
        m_p3DFrame->hide();
        return;
    }
    // The main window keeps the keyboard: the user reads or opens a file there.
    m_p3DFrame->setAttribute(Qt::WA_ShowWithoutActivating, true);
    m_p3DFrame->show();
    m_p3DFrame->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

bool CZelmoraDoc::Is3DWindowVisible() const {
    return m_p3DFrame && m_p3DFrame->isVisible();
}

void CZelmoraDoc::AddView(CDocView* view) {
    if (view && std::find(m_Views.begin(), m_Views.end(), view) == m_Views.end()) m_Views.push_back(view);
}

void CZelmoraDoc::RemoveView(CDocView* view) {
    m_Views.erase(std::remove(m_Views.begin(), m_Views.end(), view), m_Views.end());
}

void CZelmoraDoc::UpdateAllViews() {
    // A view may add or remove views while it updates.
    const std::vector<CDocView*> views = m_Views;
    for (CDocView* view : views)
        if (std::find(m_Views.begin(), m_Views.end(), view) != m_Views.end()) view->OnUpdate();
}

std::string CZelmoraDoc::GetCaption() const {
    return m_Molecule.GetJobTitle() + " - Zelmora";
}

void CZelmoraDoc::SetTitle(const std::string& /*title*/) {
    if (m_pMainFrame) m_pMainFrame->setWindowTitle(QString::fromStdString(GetCaption()));
    if (m_p3DFrame) m_p3DFrame->setWindowTitle(QString::fromStdString(GetCaption() + " - 3DView"));
}

QWidget* CZelmoraDoc::DialogParent() const {
    if (m_pMainFrame) return m_pMainFrame;
    return zel::MainWidget();
}

void CZelmoraDoc::DeleteContents() {
    Show3DWindow(false);
    m_Molecule.Reset();
    m_bModified = false;
    UpdateAllViews();
}

bool CZelmoraDoc::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetTitle({});
    return true;
}

bool CZelmoraDoc::OnOpenDocument(const std::string& path, bool* loaded) {
    if (loaded) *loaded = false;
    // Reading and loading a large document takes a while: on the worker,
    // behind the progress dialog, with the views kept away from the model.
    // The file is read first: a file that cannot be read changes nothing. Of
    // a foreign file only the version is read.
    std::string readError;
    bool read = false;
    bool accepted = false;
    std::string error;
    {
        const CMolecule::CJobScope running(m_Molecule);
        CComputeDlg::RunTask(kOpeningTitle, path, [&] {
            std::vector<std::uint8_t> bytes;
            if (!ReadDocumentFile(path, bytes, readError)) return;
            read = true;
            zel::RunOnUiThread([this] { DeleteContents(); });
            try {
                accepted = ReadDocumentBytes(bytes, m_Molecule, error);
            } catch (const std::exception& e) {
                error = std::string("Could not read file ") + path + ": " + e.what();
            }
        });
    }
    if (!read) {
        zel::ShowMessageBox(readError, zel::PromptButtons::OK, zel::PromptIcon::Error);
        return false;
    }
    if (!accepted) {
        // The file is not this document: no name, so Save cannot overwrite it
        // with the emptied one.
        DeleteContents();
        m_strPathName.clear();
        SetTitle({});
        zel::ShowMessageBox(error, zel::PromptButtons::OK, zel::PromptIcon::Error);
        return true;
    }
    m_strPathName = path;
    m_bModified = false;
    SetTitle({});
    UpdateAllViews();
    ShowLoadedRecord();
    Show3DWindow(true);
    if (loaded) *loaded = true;
    return true;
}

bool CZelmoraDoc::OnSaveDocument(const std::string& path) {
    std::string error;
    bool saved = false;
    {
        // The worker only reads the model; the views draw what they drew.
        const CMolecule::CJobScope running(m_Molecule);
        CComputeDlg::RunTask(kSavingTitle, path, [&] {
            try {
                saved = SaveDocument(path, m_Molecule, error);
            } catch (const std::exception& e) {
                error = std::string("Could not save the document: ") + e.what();
            }
        });
    }
    if (!saved) {
        // The work stays in memory, under its old name and still modified.
        zel::ShowMessageBox(error, zel::PromptButtons::OK, zel::PromptIcon::Error);
        return false;
    }
    m_strPathName = path;
    m_bModified = false;
    SetTitle({});
    return true;
}

bool CZelmoraDoc::SaveModified() {
    if (!m_bModified) return true;
    const int answer = zel::ShowMessageBox("Save changes to " + DisplayName(m_strPathName) + "?",
                                           zel::PromptButtons::YesNoCancel, zel::PromptIcon::Warning);
    if (answer == zel::IDCANCEL) return false;
    if (answer == zel::IDYES) return DoFileSave();
    return true;
}

bool CZelmoraDoc::DoFileSave() {
    return DoSave(m_strPathName.empty());
}

bool CZelmoraDoc::DoSave(bool askForName) {
    std::string path = m_strPathName;
    if (askForName || path.empty()) {
        zel::SFileRequest request;
        request.save = true;
        request.filter = CZelmoraDoc::kFileFilter;
        request.defaultExtension = "zlm";
        request.fileName = path.empty() ? std::string() : std::filesystem::path(path).filename().string();
        // Beside the document, not in the program's working folder.
        if (!path.empty()) request.directory = std::filesystem::path(path).parent_path().string();
        request.overwritePrompt = true;
        const std::optional<std::string> chosen = zel::ChooseFile(request);
        if (!chosen) return false;
        path = *chosen;
    }
    if (!OnSaveDocument(path)) return false;
    if (m_pMainFrame) m_pMainFrame->AddToRecentFileList(path);
    return true;
}

void CZelmoraDoc::OnFileNewWavefunction() {
    // Cancel at the offer to save ends the command: the new atoms would
    // otherwise be added to the unsaved molecule.
    if (!SaveModified()) return;
    OnNewDocument();

    zel::SFileRequest request;
    request.filter = kWavefunctionFilter;
    request.defaultExtension = "wfn";
    request.fileName = "*.wfn";
    request.overwritePrompt = true;
    bool loaded = false;
    if (const std::optional<std::string> path = zel::ChooseFile(request)) {
        std::ifstream in(*path);
        const int error = errno;
        std::error_code ec;
        if (!in || std::filesystem::is_directory(*path, ec)) {
            // The framework's words, then which file and why.
            zel::ShowMessageBox("Could not open file " + *path + ": " + std::strerror(in ? EISDIR : error));
        } else if (m_Molecule.LoadWavefunction(in, *path) == 1) {
            SetTitle(m_Molecule.GetJobTitle());
            Show3DWindow(true);
            SetModifiedFlag(true);
            loaded = true;
        } else {
            DeleteContents();
        }
    }
    UpdateAllViews();
    if (loaded) ShowLoadedRecord();
}

void CZelmoraDoc::ShowLoadedRecord() {
    // What was read is confirmed at once: the record of its critical points.
    if (auto* view = dynamic_cast<CZelmoraView*>(m_Molecule.GetRecordView())) view->OnRecordCriticalPoints();
}

bool CZelmoraDoc::OnCommand(int id) {
    QWidget* parent = DialogParent();
    switch (id) {
    case cmd::FileNewWavefunction:
        OnFileNewWavefunction();
        return true;
    case cmd::FileSave:
        DoFileSave();
        return true;
    case cmd::FileSaveAs:
        DoSave(true);
        return true;
    case cmd::CalcProperties:
        OnCalcProperties(m_Molecule, parent);
        UpdateAllViews();
        return true;
    case cmd::CalcCriticalPoints:
        OnCalcCriticalPoints(m_Molecule);
        UpdateAllViews();
        return true;
    case cmd::CalcMolecularGraph:
        OnCalcMolecularGraph(m_Molecule, parent);
        UpdateAllViews();
        return true;
    case cmd::CalcIntegrateBasin:
        if (CAtom* atom = m_Molecule.GetCurrentAtom()) OnIntegrate(*atom, parent);
        UpdateAllViews();
        return true;
    case cmd::RecordCriticalPoints:
    case cmd::RecordMolecularGraph:
    case cmd::RecordAtom:
    case cmd::RecordSurface:
        // The record view's own handlers take these while it is active.
        if (auto* view = dynamic_cast<CZelmoraView*>(m_Molecule.GetRecordView())) view->OnCommand(id);
        return true;
    case cmd::CalcIntegrateSurface:
        // The results are the document's: a changed surface is saved with it,
        // and the views show the density the integration made current.
        if (OnCalcIntegrateSurface(m_Molecule, parent)) {
            SetModifiedFlag(true);
            UpdateAllViews();
        }
        return true;
    case cmd::OptionLinearAlgebra:
        OnLinearAlgebraOptions(m_Molecule, parent);
        return true;
    case cmd::OptionCritPoints:
        OnCritPointOptions(m_Molecule, parent);
        return true;
    case cmd::OptionGradientPaths:
        OnGradientPathOptions(m_Molecule, parent);
        return true;
    case cmd::OptionBasinIntegration:
        OnBasinIntegrationOptions(m_Molecule, parent);
        return true;
    case cmd::OptionSurfaceIntegration:
        OnSurfaceIntegrationOptions(m_Molecule, parent);
        return true;
    case cmd::OptionBasinFunctions:
        OnBasinFunctions(m_Molecule, parent);
        return true;
    case cmd::OptionSurfaceFunctions:
        OnSurfaceFunctions(m_Molecule, parent);
        return true;
    case cmd::PlotNewMolGraph:
        OnPlotNewMolGraph();
        return true;
    case cmd::PlotNewLine:
        OnPlotNewContour();
        return true;
    case cmd::PlotNewRelief:
        OnPlotNewRelief();
        return true;
    case cmd::PlotTextOut:
        OnPlotTextOut();
        return true;
    case cmd::PlotModify:
        if (CPlot* plot = m_Molecule.GetCurrentPlot()) plot->Modify();
        SetModifiedFlag(true);
        UpdateAllViews();
        return true;
    case cmd::PlotDelete:
        OnPlotDelete();
        return true;
    case cmd::EnvelopeInit:
    case cmd::EnvelopeRefine:
    case cmd::EnvelopeDelete:
    case cmd::EnvelopeMap:
        OnEnvelopeCommand(id);
        return true;
    case cmd::HelpFinder:
    case cmd::Help:
        zel::ShowHelpTopic({});
        return true;
    case cmd::View3D:
        if (Is3DWindowVisible()) {
            Show3DWindow(false);
        } else if (m_p3DFrame) {
            m_p3DFrame->show();
            m_p3DFrame->raise();
            m_p3DFrame->activateWindow();
        }
        return true;
    default:
        return false;
    }
}

void CZelmoraDoc::OnPlotNewMolGraph() {
    CMolGraphPlotDlg dialog(std::make_unique<CMolGraphPlot>(&m_Molecule), DialogParent());
    if (dialog.DoModal() == zel::IDOK) {
        // OK has put the plot at the head of the plot list.
        m_Molecule.SetCurrentPlot(dialog.GetPlot());
        m_Molecule.SetPlotIndex(0);
        m_Molecule.SetPlotState(0);
    }
    // Otherwise the plot goes with the dialog, unnumbered.
    SetModifiedFlag(true);
    UpdateAllViews();
}

void CZelmoraDoc::OnPlotNewContour() {
    RunNewPlaneDialog<CContourPlotDlg, CContourPlot>(m_Molecule, DialogParent());
    SetModifiedFlag(true);
    UpdateAllViews();
}

void CZelmoraDoc::OnPlotNewRelief() {
    RunNewPlaneDialog<CSurfacePlotDlg, CSurfacePlot>(m_Molecule, DialogParent());
    SetModifiedFlag(true);
    UpdateAllViews();
}

void CZelmoraDoc::OnPlotTextOut() {
    CTextOutDlg dialog(&m_Molecule, m_pTextOutData.get(), DialogParent());
    dialog.DoModal();
}

bool CZelmoraDoc::ArePlotsIdle() const {
    const auto& plots = m_Molecule.GetPlotList();
    return plots.empty() || !plots.front()->IsBusy();
}

void CZelmoraDoc::OnPlotDelete() {
    if (zel::ShowMessageBox("Do you realy want to delete this nice plot?", zel::PromptButtons::YesNo,
                            zel::PromptIcon::Question) != zel::IDYES)
        return;
    CPlot* current = m_Molecule.GetCurrentPlot();
    m_Molecule.SetCurrentPlot(nullptr);
    auto& plots = m_Molecule.GetPlotList();
    const auto it =
        std::find_if(plots.begin(), plots.end(), [current](const auto& plot) { return plot.get() == current; });
    if (it != plots.end()) {
        std::unique_ptr<CPlot> deleted = std::move(*it);
        plots.erase(it);
    }
    m_Molecule.SetPlotIndex(0);
    m_Molecule.SetPlotState(2);
    UpdateAllViews();
    SetModifiedFlag(true);
}

void CZelmoraDoc::OnEnvelopeCommand(int id) {
    QWidget* parent = DialogParent();
    bool stored = false;
    switch (id) {
    case cmd::EnvelopeInit:
        stored = OnInitEnvelope(m_Molecule, parent);
        break;
    case cmd::EnvelopeRefine:
        stored = OnRefineEnvelope(m_Molecule);
        break;
    case cmd::EnvelopeDelete:
        if (zel::ShowMessageBox("Do you really want to delete the envelope grid?", zel::PromptButtons::YesNo,
                                zel::PromptIcon::Question) != zel::IDYES)
            return;
        stored = DeleteEnvelope(m_Molecule);
        break;
    case cmd::EnvelopeMap:
        OnDefineEnvelopeMap(m_Molecule, parent);
        break;
    default:
        return;
    }
    // The grid is part of the document: a new, finer or deleted one is a
    // change worth saving. The three-dimensional view shows the map anew.
    if (stored) SetModifiedFlag(true);
    UpdateAllViews();
}

bool CZelmoraDoc::IsPlotChosen() const {
    const auto& plots = m_Molecule.GetPlotList();
    if (plots.empty() || !m_Molecule.GetCurrentPlot() || plots.front()->IsBusy()) return false;
    const CControlView* pane = m_pMainFrame ? m_pMainFrame->GetControlView() : nullptr;
    return pane && pane->GetList(CControlView::kPlotList)->count() > 0;
}

bool CZelmoraDoc::OnUpdateCommand(CCmdUI& ui) {
    const bool loaded = !m_Molecule.IsEmpty();
    switch (ui.id) {
    case cmd::FileNewWavefunction:
    case cmd::FileSave:
    case cmd::FileSaveAs:
    case cmd::HelpFinder:
    case cmd::Help:
        ui.Enable(true);
        return true;
    case cmd::CalcProperties:
    case cmd::CalcCriticalPoints:
    case cmd::CalcMolecularGraph:
    case cmd::RecordCriticalPoints:
    case cmd::RecordMolecularGraph:
    case cmd::OptionLinearAlgebra:
    case cmd::OptionCritPoints:
    case cmd::OptionGradientPaths:
    case cmd::OptionBasinIntegration:
    case cmd::OptionSurfaceIntegration:
    case cmd::OptionBasinFunctions:
    case cmd::OptionSurfaceFunctions:
        ui.Enable(loaded);
        return true;
    case cmd::CalcIntegrateBasin:
        ui.Enable(m_Molecule.GetCurrentAtom() != nullptr);
        return true;
    case cmd::RecordAtom:
        ui.Enable(loaded && m_Molecule.GetCurrentAtom() != nullptr && m_Molecule.GetRecordView() != nullptr);
        return true;
    case cmd::RecordSurface:
        ui.Enable(loaded && m_Molecule.GetCurrentSurface() != nullptr && m_Molecule.GetRecordView() != nullptr);
        return true;
    case cmd::CalcIntegrateSurface:
        ui.Enable(loaded && m_Molecule.GetCurrentSurface() != nullptr);
        return true;
    case cmd::PlotNewMolGraph:
    case cmd::PlotNewLine:
    case cmd::PlotNewRelief:
    case cmd::PlotTextOut:
        ui.Enable(loaded && ArePlotsIdle());
        return true;
    case cmd::PlotModify:
    case cmd::PlotDelete:
        ui.Enable(IsPlotChosen());
        return true;
    case cmd::View3D:
        ui.Enable(m_p3DFrame != nullptr);
        ui.SetCheck(Is3DWindowVisible());
        return true;
    case cmd::EnvelopeInit:
        ui.Enable(loaded && m_Molecule.GetEnvelope() == nullptr);
        return true;
    case cmd::EnvelopeRefine:
    case cmd::EnvelopeDelete:
    case cmd::EnvelopeMap:
        ui.Enable(m_Molecule.GetEnvelope() != nullptr);
        return true;
    // Export and Copy belong to the plot view while it is the active view.
    case cmd::PlotExport:
    case cmd::PlotCopy:
        ui.Enable(false);
        return true;
    default:
        return false;
    }
}
