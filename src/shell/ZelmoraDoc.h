#pragma once
// The one document of the application: the molecule model, the file it was
// read from or saved to, the modified flag and the views that show it. It
// reads and writes *.zlm files and receives the commands of the model.
//
// A document that failed to open or to read has no file name and is not
// modified, so a later Save cannot overwrite the user's file with an empty
// document; a failed save says why and keeps everything in memory.

#include <memory>
#include <string>
#include <vector>

#include "analysis/Molecule.h"
#include "analysis/MoleculeViews.h"
#include "shell/DocView.h"

class C3DFrame;
class CMainFrame;
class CTextOutData;
class QWidget;

class CZelmoraDoc : public IMoleculeDocument {
public:
    // The file dialogs' filter for documents.
    static constexpr const char* kFileFilter = "Zelmora Files (*.zlm)|*.zlm|All Files (*.*)|*.*||";
    // Titles of the progress dialog while a document is read or written.
    static constexpr const char* kOpeningTitle = "Opening document";
    static constexpr const char* kSavingTitle = "Saving document";

    // An empty document; the molecule reports to it. Creates the hidden
    // three-dimensional window, whose view is the first of its views.
    CZelmoraDoc();
    ~CZelmoraDoc() override;

    CZelmoraDoc(const CZelmoraDoc&) = delete;
    CZelmoraDoc& operator=(const CZelmoraDoc&) = delete;

    CMolecule* GetMolecule() { return &m_Molecule; }
    const CMolecule* GetMolecule() const { return &m_Molecule; }

    // Set by the frame when it makes its panes; the owner of the dialogs and
    // the window whose caption the document keeps.
    void SetMainFrame(CMainFrame* frame) { m_pMainFrame = frame; }
    CMainFrame* GetMainFrame() const { return m_pMainFrame; }

    // The three-dimensional window; null without a QApplication to make it in.
    C3DFrame* Get3DFrame() const { return m_p3DFrame.get(); }
    // Shows the window without taking the focus from the main window, or hides it.
    void Show3DWindow(bool show);
    bool Is3DWindowVisible() const;

    // --- views ---------------------------------------------------------------------
    // UpdateAllViews reaches the views in the order they were added.
    void AddView(CDocView* view);
    void RemoveView(CDocView* view);
    const std::vector<CDocView*>& GetViews() const { return m_Views; }
    void UpdateAllViews() override;

    // --- IMoleculeDocument -----------------------------------------------------
    // The argument is ignored: the caption is always the job title followed by
    // " - Zelmora", and " - Zelmora - 3DView" for the three-dimensional window.
    void SetTitle(const std::string& title) override;
    void SetModifiedFlag(bool modified = true) override { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }
    // The main window's caption for the current job title.
    std::string GetCaption() const;

    // The file the document was read from or last saved to; empty for none.
    const std::string& GetPathName() const { return m_strPathName; }
    std::string GetDocumentPath() const override { return m_strPathName; }
    void SetPathName(const std::string& path) { m_strPathName = path; }

    // --- framework operations ----------------------------------------------------
    // Empties the document: the three-dimensional window is hidden, the
    // molecule reset (the record view and the control pane with it), not
    // modified, every view updated. The file name
    // stays; callers that start a new document clear it.
    void DeleteContents();
    // A new empty document without a file name.
    bool OnNewDocument();
    // Reads a *.zlm file, behind the progress dialog. A file that cannot be read leaves the document as it
    // was and returns false; a file that is refused or damaged shows its
    // message and leaves the document empty, unnamed and not modified (true:
    // the open itself took place, as for a refused version). *loaded tells
    // whether the document now holds the file.
    bool OnOpenDocument(const std::string& path, bool* loaded = nullptr);
    // Writes the document to path, behind the progress dialog. On failure shows why and returns false; the
    // document, its name and its modified flag stay as they were.
    bool OnSaveDocument(const std::string& path);
    // Offers to save a modified document ("Save changes to %1?"). False when
    // the user cancelled or the save failed: the caller must not go on.
    bool SaveModified();
    // Save (to the file name when there is one, else as Save As) and Save As.
    bool DoFileSave();
    bool DoSave(bool askForName);

    // --- commands ----------------------------------------------------------------
    // File > New Wavefunction: after the offer to save (Cancel ends the
    // command), empties the document, asks for a *.wfn file and reads it.
    void OnFileNewWavefunction();
    bool OnCommand(int id);
    bool OnUpdateCommand(CCmdUI& ui);
    // Plot > New Plot > Molecular Graph: a new plot in its dialog; OK numbers
    // it, puts it at the head of the plot list and makes it current, any
    // other end discards it. The document is marked modified either way.
    void OnPlotNewMolGraph();
    // Plot > New Plot > Line Plot: a new contour plot in its dialog; OK as
    // for the molecular graph, any other end discards it and makes the
    // previous current plot current again.
    void OnPlotNewContour();
    // Plot > New Plot > Relief Map: as Line Plot, with the relief map dialog.
    void OnPlotNewRelief();
    // Plot > Text Out: the Text Output dialog on the current field and the
    // settings the document keeps for it.
    void OnPlotTextOut();
    // The text-output settings: they live as long as the document, across
    // new and opened files, and are not saved.
    CTextOutData* GetTextOutData() const { return m_pTextOutData.get(); }
    // The plot list is empty or its newest plot is not being computed.
    bool ArePlotsIdle() const;
    // Plot > Delete Plot: after "Do you realy want to delete this nice
    // plot?" answered Yes, the current plot goes; no plot is current and the
    // control pane selects its first entry without showing it.
    void OnPlotDelete();
    // The Envelope menu: 32810, 32809, 32812 (after asking) and 32813.
    void OnEnvelopeCommand(int id);
    // A plot to work on: the plot list has one, the control pane lists plots,
    // a plot is current and the newest plot is not being computed.
    bool IsPlotChosen() const;

    // The owner for dialogs the document opens.
    QWidget* DialogParent() const;

private:
    // After a file was read: the record view shows its critical points.
    void ShowLoadedRecord();
    void Create3DFrame();

    CMolecule m_Molecule;
    CMainFrame* m_pMainFrame = nullptr;
    std::vector<CDocView*> m_Views;
    std::unique_ptr<C3DFrame> m_p3DFrame;
    std::unique_ptr<CDocView> m_p3DDocView; // the 3D view's place among the views
    std::string m_strPathName;
    bool m_bModified = false;
    std::unique_ptr<CTextOutData> m_pTextOutData;
};
