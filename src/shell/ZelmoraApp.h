#pragma once
// The application: its start-up (services, job table, document, main window,
// the document named on the command line), the framework's New and Open, Print
// Setup and the About box.

#include <QStringList>

#include <memory>
#include <string>

#include "analysis/PlotTextService.h"
#include "platform/core/ColorFontChooser.h"
#include "platform/core/FileChooser.h"
#include "platform/core/MetafileService.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "plots/PlotDialogs.h"

class CMainFrame;
class CZelmoraDoc;
class QPrinter;

class CZelmoraApp {
public:
    CZelmoraApp();
    // Closes the window and puts the previous services back.
    ~CZelmoraApp();

    CZelmoraApp(const CZelmoraApp&) = delete;
    CZelmoraApp& operator=(const CZelmoraApp&) = delete;

    // Starts the application on an existing QApplication. arguments are the
    // command-line arguments after the program name: a *.zlm file is opened
    // before the window is shown. False when that file cannot be opened (the
    // message has been shown); the application then ends.
    // With installServices false the caller keeps its own prompt, file, title,
    // colour, font and text-dialog services (tests script them). The metafile
    // back end is always installed.
    bool InitInstance(const QStringList& arguments, bool installServices = true);

    CZelmoraDoc* GetDocument() const { return m_pDocument.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }

    // File > New (Ctrl+N): after the offer to save, an empty document.
    bool FileNew();
    // File > Open...: after the offer to save, asks for a *.zlm file.
    void OnFileOpen();
    // Opens a file (a recent file, a dropped file, the command line) after the
    // offer to save. False when the user cancelled or the file could not be
    // read at all.
    bool OpenDocumentFile(const std::string& path);
    // File > Print Setup...
    void OnFilePrintSetup();
    // Help > About Zelmora...
    void OnAppAbout();

private:
    zel::CPromptService* m_pPreviousPrompts = nullptr;
    zel::CFileChooserService* m_pPreviousChooser = nullptr;
    zel::CTitleService* m_pPreviousTitles = nullptr;
    std::unique_ptr<zel::CPromptService> m_pPrompts;
    std::unique_ptr<zel::CFileChooserService> m_pChooser;
    std::unique_ptr<zel::CTitleService> m_pTitles;
    zel::CColorFontChooser* m_pPreviousColorFont = nullptr;
    CPlotTextService* m_pPreviousPlotTexts = nullptr;
    CPlotDialogService* m_pPreviousPlotDialogs = nullptr;
    zel::CMetafileService* m_pPreviousMetafiles = nullptr;
    std::unique_ptr<zel::CColorFontChooser> m_pColorFont;
    std::unique_ptr<CPlotTextService> m_pPlotTexts;
    std::unique_ptr<CPlotDialogService> m_pPlotDialogs;
    std::unique_ptr<zel::CMetafileService> m_pMetafiles;
    std::unique_ptr<QPrinter> m_pPrinter;
    std::unique_ptr<CZelmoraDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    bool m_bServicesInstalled = false;
};
