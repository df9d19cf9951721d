#include "shell/ZelmoraApp.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrinter>

#include "app/TitleDlg.h"
#include "integration/BasinJob.h"
#include "integration/SurfaceJob.h"
#include "integration/EnvelopJobs.h"
#include "platform/qt/EmfCanvas.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/QtColorFontChooser.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtPrompts.h"
#include "shell/AboutDlg.h"
#include "shell/MainFrame.h"
#include "shell/Printing.h"
#include "shell/ZelmoraDoc.h"
#include "ui/CritPointDlg.h"
#include "ui/MolGraphDlg.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PlotCompute.h"
#include "ui/PlotTextDlg.h"

CZelmoraApp::CZelmoraApp() = default;

CZelmoraApp::~CZelmoraApp() {
    if (m_pMainFrame) m_pMainFrame->hide();
    m_pMainFrame.reset();
    if (GetSharedPrinter() == m_pPrinter.get()) SetSharedPrinter(nullptr);
    m_pDocument.reset();
    if (m_bServicesInstalled) {
        zel::SetPromptService(m_pPreviousPrompts);
        zel::SetFileChooserService(m_pPreviousChooser);
        zel::SetTitleService(m_pPreviousTitles);
        zel::SetColorFontChooser(m_pPreviousColorFont);
        SetPlotTextService(m_pPreviousPlotTexts);
        SetPlotDialogService(m_pPreviousPlotDialogs);
    }
    if (m_pMetafiles) zel::SetMetafileService(m_pPreviousMetafiles);
}

bool CZelmoraApp::InitInstance(const QStringList& arguments, bool installServices) {
    if (installServices) {
        m_pPrompts = std::make_unique<zel::CQtPromptService>();
        m_pChooser = std::make_unique<zel::CQtFileChooser>();
        m_pTitles = std::make_unique<CQtTitleService>();
        m_pPreviousPrompts = zel::SetPromptService(m_pPrompts.get());
        m_pPreviousChooser = zel::SetFileChooserService(m_pChooser.get());
        m_pPreviousTitles = zel::SetTitleService(m_pTitles.get());
        m_pColorFont = std::make_unique<zel::CQtColorFontChooser>();
        m_pPlotTexts = std::make_unique<CQtPlotTextService>();
        m_pPreviousColorFont = zel::SetColorFontChooser(m_pColorFont.get());
        m_pPreviousPlotTexts = SetPlotTextService(m_pPlotTexts.get());
        m_pPlotDialogs = std::make_unique<CQtPlotDialogService>();
        m_pPreviousPlotDialogs = SetPlotDialogService(m_pPlotDialogs.get());
        m_bServicesInstalled = true;
    }
    m_pMetafiles = std::make_unique<zel::CQtMetafileService>();
    m_pPreviousMetafiles = zel::SetMetafileService(m_pMetafiles.get());
    RegisterCritPointJobs();
    RegisterMolGraphJobs();
    RegisterPlotJobs();
    RegisterBasinJobs();
    RegisterSurfaceJob();
    RegisterEnvelopeJobs();

    QApplication::setWindowIcon(ZelmoraIcon());
    m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    SetSharedPrinter(m_pPrinter.get());

    m_pDocument = std::make_unique<CZelmoraDoc>();
    CMainFrame::SAppCommands commands;
    commands.fileNew = [this] { FileNew(); };
    commands.fileOpen = [this] { OnFileOpen(); };
    commands.openFile = [this](const std::string& path) { OpenDocumentFile(path); };
    commands.printSetup = [this] { OnFilePrintSetup(); };
    commands.about = [this] { OnAppAbout(); };
    m_pMainFrame = std::make_unique<CMainFrame>(m_pDocument.get(), std::move(commands));
    zel::SetMainWidget(m_pMainFrame.get());
    m_pDocument->OnNewDocument();

    // The first argument that is not an option names the document.
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-'))) continue;
        if (!OpenDocumentFile(argument.toStdString())) return false;
        break;
    }

    m_pMainFrame->show();
    m_pMainFrame->UpdateCommandStates();
    return true;
}

bool CZelmoraApp::FileNew() {
    if (!m_pDocument->SaveModified()) return false;
    return m_pDocument->OnNewDocument();
}

void CZelmoraApp::OnFileOpen() {
    zel::SFileRequest request;
    request.filter = CZelmoraDoc::kFileFilter;
    request.defaultExtension = "zlm";
    if (const std::optional<std::string> path = zel::ChooseFile(request)) OpenDocumentFile(*path);
}

bool CZelmoraApp::OpenDocumentFile(const std::string& path) {
    if (!m_pDocument->SaveModified()) return false;
    bool loaded = false;
    const bool opened = m_pDocument->OnOpenDocument(path, &loaded);
    if (m_pMainFrame) {
        if (loaded)
            m_pMainFrame->AddToRecentFileList(path);
        else
            m_pMainFrame->RemoveFromRecentFileList(path);
        m_pMainFrame->UpdateCommandStates();
    }
    return opened;
}

void CZelmoraApp::OnFilePrintSetup() {
    MakePageSetupDialog(m_pPrinter.get(), m_pMainFrame.get())->exec();
}

void CZelmoraApp::OnAppAbout() {
    CAboutDlg dialog(m_pMainFrame.get());
    dialog.DoModal();
}
