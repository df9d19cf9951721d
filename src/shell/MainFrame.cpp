#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>

#include "platform/qt/Help.h"
#include "platform/qt/Settings.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/PlotView.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"

namespace {

constexpr int kRecentFileCount = 6;

// Status-bar prompt and tooltip of a command: the text before the line break
// is the prompt, the text after it the tooltip.
struct SCommandText {
    int id;
    const char* text;
};

const SCommandText kCommandTexts[] = {
    {cmd::FileNewWavefunction, "Create a new document and read a wavefunction file\nNew Wavefunction"},
    {cmd::CalcProperties,
     "Calculate properties of the current density function at a given point in space\nCalculate properties"},
    {cmd::CalcCriticalPoints, "Calculate critical points of the current density function\nCalculate critical points"},
    {cmd::OptionCritPoints, "Options for iteration methods to calculate critical points"},
    {cmd::OptionLinearAlgebra, "Options for linear algebra calculations (eigensystems, linear systems, ...)"},
    {cmd::RecordCriticalPoints,
     "List a record of all critical points of the current density function\nRecord of critical points"},
    {cmd::CalcMolecularGraph, "Calculate gradient paths connecting critical points of the current density "
                              "function\nCalculate molecular graph"},
    {cmd::OptionGradientPaths, "Options for solving gradient path differential equations"},
    {cmd::RecordMolecularGraph, "List a record of all paths connecting critical points of the current density "
                                "function\nRecord of molecular graph"},
    {cmd::PlotExport, "Export current plot into a standard graphics format"},
    {cmd::PlotNewMolGraph, "Draw molecular graph"},
    {cmd::PlotNewLine, "Draw a contour and/or gradient path plot"},
    {cmd::PlotNewRelief, "Draw a relief map"},
    {cmd::PlotModify, "Modify current plot\nModify plot"},
    {cmd::PlotDelete, "Delete current plot\nDelete plot"},
    {cmd::CalcIntegrateBasin, "Start Integration over the atomic basin of the current atom\nIntegrate basin"},
    {cmd::OptionBasinIntegration, "Option for integrations over atomic basins"},
    {cmd::OptionSurfaceIntegration, "Options for integrtion over interatomic surfaces"},
    {cmd::CalcIntegrateSurface, "Start integration over the current interatomic surface\nIntegrate surface"},
    {cmd::RecordAtom, "List a record of the current atom\nRecord of atom"},
    {cmd::RecordSurface, "List a record of the current interatomic surface\nRecord of surface"},
    {cmd::OptionBasinFunctions, "Select functions to be integrated over atomic basins"},
    {cmd::OptionSurfaceFunctions, "Select functions for integration over interatomic surfaces"},
    {cmd::View3D, "Opens and closes a 3-dimensional view of the molecule"},
    {cmd::FileAsciiOutput, "Prints ASCII-Output of RecordView to a file"},
    {cmd::EnvelopeRefine, "Decreae mesh  size of envelope grid by factor 2"},
    {cmd::EnvelopeInit, "Calculate an initial envelope grid with mesh size 1 covering the whole molecule"},
    {cmd::EnvelopeDelete, "Delete current envelope grid"},
    {cmd::EnvelopeMap, "Define the properties of an envelope map to be displayed in 3DView"},
    {cmd::PlotTextOut, "Saves density and coordinates into a file"},
    {cmd::FileOpen, "Open an existing zlm-document\nOpen"},
    // The framework's own commands.
    {cmd::FileSave, "Save the active document\nSave"},
    {cmd::FileSaveAs, "Save the active document with a new name\nSave As"},
    {cmd::FilePrint, "Print the active document\nPrint"},
    {cmd::FilePrintPreview, "Display full pages\nPrint Preview"},
    {cmd::FilePrintSetup, "Change the printer and printing options\nPrint Setup"},
    {cmd::AppExit, "Quit the application; prompts to save documents\nExit"},
    {cmd::AppAbout, "Display program information, version number and copyright\nAbout"},
    {cmd::HelpFinder, "List Help topics\nHelp Topics"},
    {cmd::Help, "Display help for current task or command\nHelp"},
    {cmd::ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {cmd::ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
    {cmd::EditCopy, "Copy the selection and put it on the Clipboard\nCopy"},
};

const char* CommandText(int id) {
    for (const SCommandText& entry : kCommandTexts)
        if (entry.id == id) return entry.text;
    return nullptr;
}

// A toolbar picture for commands without a standard one: a short label.
QIcon LetterIcon(const QString& letters) {
    QPixmap pixmap(19, 18);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(letters.size() > 1 ? 9 : 12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, letters);
    return QIcon(pixmap);
}

} // namespace

CMainFrame::CMainFrame(CZelmoraDoc* document, SAppCommands commands)
    : m_pDocument(document), m_AppCommands(std::move(commands)) {
    setObjectName(QStringLiteral("MainFrame"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    move(270, 270);
    resize(810, 600);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildPanes();
    LoadRecentFiles();
    setAcceptDrops(true);

    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    // Menu items and buttons follow the model as the framework's idle update
    // would; a menu about to open is refreshed at once.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    timer->start(250);

    m_pDocument->SetTitle({});
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The panes go before QObject's own clean-up would drop this connection.
    disconnect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    if (m_pDocument) {
        if (m_pControlView) m_pDocument->RemoveView(m_pControlView);
        if (m_pRecordView) m_pDocument->RemoveView(m_pRecordView);
        if (m_pPlotView) m_pDocument->RemoveView(m_pPlotView);
        if (m_pDocument->GetMainFrame() == this) m_pDocument->SetMainFrame(nullptr);
    }
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& caption, const QKeySequence& keys) {
    QAction* action = m_Actions.count(id) ? m_Actions[id] : nullptr;
    if (!action) {
        action = new QAction(caption, this);
        action->setData(id);
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (const char* text = CommandText(id)) {
            const QString all = QString::fromUtf8(text);
            const qsizetype lineBreak = all.indexOf(QLatin1Char('\n'));
            action->setStatusTip(lineBreak < 0 ? all : all.left(lineBreak));
            if (lineBreak >= 0) action->setToolTip(all.mid(lineBreak + 1));
        }
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        addAction(action); // keys work while the menu bar or toolbar is hidden
        m_Actions[id] = action;
    }
    if (menu) menu->addAction(action);
    return action;
}

void CMainFrame::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto popup = [&](const char* title) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(title));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        return menu;
    };

    QMenu* file = popup("&File");
    m_pFileMenu = file;
    // The menu shows Ctrl+N, yet the key belongs to the framework's New.
    AddCommand(file, cmd::FileNewWavefunction, QStringLiteral("&New Wavefunction\tCtrl+N"));
    AddCommand(file, cmd::FileOpen, QStringLiteral("&Open...\tCtrl+O"), QKeySequence(Qt::CTRL | Qt::Key_O));
    AddCommand(file, cmd::FileSave, QStringLiteral("&Save\tCtrl+S"), QKeySequence(Qt::CTRL | Qt::Key_S));
    AddCommand(file, cmd::FileSaveAs, QStringLiteral("Save &As..."));
    file->addSeparator();
    AddCommand(file, cmd::FilePrint, QStringLiteral("&Print...\tCtrl+P"), QKeySequence(Qt::CTRL | Qt::Key_P));
    AddCommand(file, cmd::FilePrintPreview, QStringLiteral("Print Pre&view"));
    AddCommand(file, cmd::FilePrintSetup, QStringLiteral("P&rint Setup..."));
    AddCommand(file, cmd::FileAsciiOutput, QStringLiteral("ASCII-Output"));
    file->addSeparator();
    m_pRecentPlaceholder = file->addAction(QStringLiteral("Recent File"));
    m_pRecentPlaceholder->setEnabled(false);
    file->addSeparator();
    AddCommand(file, cmd::AppExit, QStringLiteral("E&xit"));

    QMenu* view = popup("&View");
    AddCommand(view, cmd::ViewToolbar, QStringLiteral("&Toolbar"))->setCheckable(true);
    AddCommand(view, cmd::ViewStatusBar, QStringLiteral("&Status Bar"))->setCheckable(true);
    AddCommand(view, cmd::View3D, QStringLiteral("3D View"))->setCheckable(true);

    QMenu* calc = popup("&Calculation");
    AddCommand(calc, cmd::CalcProperties, QStringLiteral("&Properties of Density Functions"));
    AddCommand(calc, cmd::CalcCriticalPoints, QStringLiteral("&Critical points"));
    AddCommand(calc, cmd::CalcMolecularGraph, QStringLiteral("&Molecular graph"));
    AddCommand(calc, cmd::CalcIntegrateBasin, QStringLiteral("Integration over atomic &basin"));
    AddCommand(calc, cmd::CalcIntegrateSurface, QStringLiteral("Integration over interatomic &surface"));

    QMenu* record = popup("&Record");
    AddCommand(record, cmd::RecordCriticalPoints, QStringLiteral("&Critical points"));
    AddCommand(record, cmd::RecordMolecularGraph, QStringLiteral("&Molecular Graph"));
    AddCommand(record, cmd::RecordAtom, QStringLiteral("&Atom"));
    AddCommand(record, cmd::RecordSurface, QStringLiteral("&Surface"));

    QMenu* plot = popup("&Plot");
    QMenu* newPlot = plot->addMenu(QStringLiteral("&New Plot"));
    connect(newPlot, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
    AddCommand(newPlot, cmd::PlotNewMolGraph, QStringLiteral("&Molecular Graph"));
    AddCommand(newPlot, cmd::PlotNewLine, QStringLiteral("&Line Plot"));
    AddCommand(newPlot, cmd::PlotNewRelief, QStringLiteral("&Relief Map"));
    AddCommand(plot, cmd::PlotModify, QStringLiteral("&Modify Plot"));
    AddCommand(plot, cmd::PlotDelete, QStringLiteral("&Delete Plot"));
    plot->addSeparator();
    AddCommand(plot, cmd::PlotExport, QStringLiteral("&Export"));
    AddCommand(plot, cmd::PlotTextOut, QStringLiteral("Text Out"));
    AddCommand(plot, cmd::PlotCopy, QStringLiteral("Copy to clipboard"));

    QMenu* envelope = popup("&Envelope");
    AddCommand(envelope, cmd::EnvelopeInit, QStringLiteral("&Initialize envelope grid"));
    AddCommand(envelope, cmd::EnvelopeRefine, QStringLiteral("Increase &grid density"));
    AddCommand(envelope, cmd::EnvelopeDelete, QStringLiteral("&Delete envelope grid"));
    AddCommand(envelope, cmd::EnvelopeMap, QStringLiteral("Define &envelope map"));

    QMenu* option = popup("&Option");
    AddCommand(option, cmd::OptionLinearAlgebra, QStringLiteral("&Linear algebra options"));
    AddCommand(option, cmd::OptionCritPoints, QStringLiteral("&Critical point options"));
    AddCommand(option, cmd::OptionGradientPaths, QStringLiteral("&Differential equations options"));
    AddCommand(option, cmd::OptionBasinIntegration, QStringLiteral("&Basin integration options"));
    AddCommand(option, cmd::OptionSurfaceIntegration, QStringLiteral("&Surface integration options"));
    AddCommand(option, cmd::OptionBasinFunctions, QStringLiteral("Functions for B&asin Integration"));
    AddCommand(option, cmd::OptionSurfaceFunctions, QStringLiteral("Functions for S&urface Integration"));

    QMenu* help = popup("&Help");
    AddCommand(help, cmd::HelpFinder, QStringLiteral("&Help Topics"));
    help->addSeparator();
    AddCommand(help, cmd::AppAbout, QStringLiteral("&About Zelmora..."));

    // Keys without a menu item.
    AddCommand(nullptr, cmd::FileNew, QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    AddCommand(nullptr, cmd::Help, QStringLiteral("Help"), QKeySequence(Qt::Key_F1));
    AddCommand(nullptr, cmd::ContextHelp, QStringLiteral("Context Help"), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    AddCommand(nullptr, cmd::EditCopy, QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    AddCommand(nullptr, cmd::NextPane, QStringLiteral("Next Pane"), QKeySequence(Qt::Key_F6));
    AddCommand(nullptr, cmd::PrevPane, QStringLiteral("Previous Pane"), QKeySequence(Qt::SHIFT | Qt::Key_F6));
}

void CMainFrame::BuildToolBar() {
    m_pToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setIconSize(QSize(19, 18));
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    QStyle* style = this->style();
    auto button = [&](int id, const QIcon& icon) {
        QAction* action = m_Actions.at(id);
        action->setIcon(icon);
        m_pToolBar->addAction(action);
    };
    button(cmd::FileNewWavefunction, style->standardIcon(QStyle::SP_FileIcon));
    button(cmd::FileOpen, style->standardIcon(QStyle::SP_DialogOpenButton));
    button(cmd::FileSave, style->standardIcon(QStyle::SP_DialogSaveButton));
    m_pToolBar->addSeparator();
    button(cmd::FilePrint, LetterIcon(QStringLiteral("Pr")));
    button(cmd::Help, LetterIcon(QStringLiteral("?")));
    m_pToolBar->addSeparator();
    button(cmd::CalcProperties, LetterIcon(QStringLiteral("P")));
    button(cmd::CalcCriticalPoints, LetterIcon(QStringLiteral("CP")));
    button(cmd::CalcMolecularGraph, LetterIcon(QStringLiteral("MG")));
    button(cmd::CalcIntegrateBasin, LetterIcon(QStringLiteral("IB")));
    button(cmd::CalcIntegrateSurface, LetterIcon(QStringLiteral("IS")));
    m_pToolBar->addSeparator();
    button(cmd::RecordCriticalPoints, LetterIcon(QStringLiteral("RC")));
    button(cmd::RecordMolecularGraph, LetterIcon(QStringLiteral("RG")));
    button(cmd::RecordAtom, LetterIcon(QStringLiteral("RA")));
    button(cmd::RecordSurface, LetterIcon(QStringLiteral("RS")));
    m_pToolBar->addSeparator();
    button(cmd::PlotModify, LetterIcon(QStringLiteral("M")));
    button(cmd::PlotDelete, LetterIcon(QStringLiteral("D")));
    // The Help button reads as the Help command, not as F1's hidden action.
    m_Actions.at(cmd::Help)->setToolTip(QStringLiteral("Help"));
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // The lock-key panes keep their place; Qt does not tell the key states.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setObjectName(QString::fromLatin1(indicator));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    bar->showMessage(QStringLiteral("Ready"));
}

void CMainFrame::BuildPanes() {
    m_pDocument->SetMainFrame(this);

    m_pOuterSplitter = new QSplitter(Qt::Vertical, this);
    m_pOuterSplitter->setObjectName(QStringLiteral("OuterSplitter"));
    m_pOuterSplitter->setChildrenCollapsible(true);
    m_pInnerSplitter = new QSplitter(Qt::Horizontal, m_pOuterSplitter);
    m_pInnerSplitter->setObjectName(QStringLiteral("InnerSplitter"));
    m_pInnerSplitter->setChildrenCollapsible(true);

    m_pControlView = new CControlView(m_pDocument, m_pInnerSplitter);
    m_pRecordView = new CZelmoraView(m_pDocument, m_pInnerSplitter);
    m_pPlotView = new CPlotView(m_pDocument, m_pOuterSplitter);

    m_pInnerSplitter->addWidget(m_pControlView);
    m_pInnerSplitter->addWidget(m_pRecordView);
    m_pOuterSplitter->addWidget(m_pInnerSplitter);
    m_pOuterSplitter->addWidget(m_pPlotView);
    m_pOuterSplitter->setSizes({174, 600 - 174});
    m_pInnerSplitter->setSizes({384, 810 - 384});
    m_pOuterSplitter->setStretchFactor(1, 1);
    m_pInnerSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_pOuterSplitter);

    // The views join the document in this order, which is the order updates
    // reach them.
    m_pDocument->AddView(m_pControlView);
    m_pDocument->AddView(m_pRecordView);
    m_pDocument->AddView(m_pPlotView);
    m_pControlView->OnInitialUpdate();
    m_pRecordView->OnInitialUpdate();
    m_pPlotView->OnInitialUpdate();
    // The record view is the active view at the start; it holds the focus so
    // that a closing dialog gives the focus back to it.
    m_pActiveView = m_pRecordView;
    m_pRecordView->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_pRecordView);
    m_pRecordView->setFocus(Qt::OtherFocusReason);
}

std::vector<CDocView*> CMainFrame::Panes() const {
    return {m_pControlView, m_pRecordView, m_pPlotView};
}

void CMainFrame::SetActiveView(CDocView* view) {
    m_pActiveView = view;
    UpdateCommandStates();
}

void CMainFrame::OnFocusChanged(QWidget* /*old*/, QWidget* now) {
    if (!now) return;
    for (CDocView* view : Panes()) {
        QWidget* pane = view ? view->GetWidget() : nullptr;
        if (pane && now && (now == pane || pane->isAncestorOf(now))) {
            if (m_pActiveView != view) SetActiveView(view);
            return;
        }
    }
}

void CMainFrame::ActivateNextPane(bool forward) {
    const std::vector<CDocView*> panes = Panes();
    auto at = std::find(panes.begin(), panes.end(), m_pActiveView);
    std::size_t index = at == panes.end() ? 0 : static_cast<std::size_t>(at - panes.begin());
    index = forward ? (index + 1) % panes.size() : (index + panes.size() - 1) % panes.size();
    panes[index]->GetWidget()->setFocus(Qt::OtherFocusReason);
    SetActiveView(panes[index]);
}

QAction* CMainFrame::GetAction(int id) const {
    const auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

QMenu* CMainFrame::GetMenu(const QString& title) const {
    for (QAction* action : menuBar()->actions())
        if (action->menu() && action->text() == title) return action->menu();
    return nullptr;
}

bool CMainFrame::RouteUpdate(CCmdUI& ui) {
    if (m_pActiveView && m_pActiveView->OnUpdateCommand(ui)) return true;
    if (m_pDocument && m_pDocument->OnUpdateCommand(ui)) return true;
    switch (ui.id) {
    case cmd::FileNew:
    case cmd::FileOpen:
    case cmd::FilePrintSetup:
    case cmd::AppExit:
    case cmd::AppAbout:
    case cmd::ContextHelp:
    case cmd::NextPane:
    case cmd::PrevPane:
        ui.Enable(true);
        return true;
    case cmd::ViewToolbar:
        ui.Enable(true);
        ui.SetCheck(m_pToolBar && !m_pToolBar->isHidden());
        return true;
    case cmd::ViewStatusBar:
        ui.Enable(true);
        ui.SetCheck(!statusBar()->isHidden());
        return true;
    default:
        if (ui.id >= cmd::FileMru1 && ui.id < cmd::FileMru1 + kRecentFileCount) {
            ui.Enable(static_cast<std::size_t>(ui.id - cmd::FileMru1) < m_RecentFiles.size());
            return true;
        }
        // A command no target handles is disabled.
        ui.Enable(false);
        return false;
    }
}

CCmdUI CMainFrame::QueryCommand(int id) {
    CCmdUI ui;
    ui.id = id;
    RouteUpdate(ui);
    return ui;
}

bool CMainFrame::RouteCommand(int id) {
    if (m_pActiveView && m_pActiveView->OnCommand(id)) return true;
    if (m_pDocument && m_pDocument->OnCommand(id)) return true;
    auto call = [](const std::function<void()>& handler) {
        if (handler) handler();
        return true;
    };
    switch (id) {
    case cmd::FileNew:
        return call(m_AppCommands.fileNew);
    case cmd::FileOpen:
        return call(m_AppCommands.fileOpen);
    case cmd::FilePrintSetup:
        return call(m_AppCommands.printSetup);
    case cmd::AppAbout:
        return call(m_AppCommands.about);
    case cmd::AppExit:
        close();
        return true;
    case cmd::ViewToolbar:
        m_pToolBar->setVisible(m_pToolBar->isHidden());
        return true;
    case cmd::ViewStatusBar:
        statusBar()->setVisible(statusBar()->isHidden());
        return true;
    case cmd::NextPane:
    case cmd::PrevPane:
        ActivateNextPane(id == cmd::NextPane);
        return true;
    case cmd::ContextHelp:
        // No pane has a page of its own: the start page.
        return m_pDocument && m_pDocument->OnCommand(cmd::Help);
    default:
        if (id >= cmd::FileMru1 && id < cmd::FileMru1 + kRecentFileCount) {
            const auto index = static_cast<std::size_t>(id - cmd::FileMru1);
            if (index < m_RecentFiles.size() && m_AppCommands.openFile) {
                const std::string path = m_RecentFiles[index]; // the list may change while opening
                m_AppCommands.openFile(path);
            }
            return true;
        }
        return false;
    }
}

bool CMainFrame::ExecuteCommand(int id) {
    if (!QueryCommand(id).enabled) return false;
    const bool handled = RouteCommand(id);
    UpdateCommandStates();
    return handled;
}

void CMainFrame::UpdateCommandStates() {
    // While a job runs the model's lists belong to the worker; the modal
    // progress dialog keeps the commands out of reach anyway.
    if (m_pDocument && m_pDocument->GetMolecule()->IsJobRunning()) return;
    for (const auto& [id, action] : m_Actions) {
        const CCmdUI ui = QueryCommand(id);
        action->setEnabled(ui.enabled);
        if (ui.checkable || action->isCheckable()) {
            action->setCheckable(true);
            action->setChecked(ui.checked);
        }
    }
}

// --- recent files ---------------------------------------------------------------

void CMainFrame::LoadRecentFiles() {
    m_RecentFiles.clear();
    auto settings = zel::OpenSettings();
    settings->beginGroup(QStringLiteral("Recent File List"));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = settings->value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) m_RecentFiles.push_back(path.toStdString());
    }
    settings->endGroup();
    UpdateRecentFileMenu();
}

void CMainFrame::SaveRecentFiles() const {
    auto settings = zel::OpenSettings();
    settings->beginGroup(QStringLiteral("Recent File List"));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        if (index < m_RecentFiles.size())
            settings->setValue(QStringLiteral("File%1").arg(i), QString::fromStdString(m_RecentFiles[index]));
        else
            settings->remove(QStringLiteral("File%1").arg(i));
    }
    settings->endGroup();
}

void CMainFrame::AddToRecentFileList(const std::string& path) {
    const std::string absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    std::erase(m_RecentFiles, absolute);
    m_RecentFiles.insert(m_RecentFiles.begin(), absolute);
    if (m_RecentFiles.size() > static_cast<std::size_t>(kRecentFileCount)) m_RecentFiles.resize(kRecentFileCount);
    SaveRecentFiles();
    UpdateRecentFileMenu();
}

void CMainFrame::RemoveFromRecentFileList(const std::string& path) {
    const std::string absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    std::erase(m_RecentFiles, absolute);
    std::erase(m_RecentFiles, path);
    SaveRecentFiles();
    UpdateRecentFileMenu();
}

void CMainFrame::UpdateRecentFileMenu() {
    for (QAction* action : m_RecentActions) {
        m_pFileMenu->removeAction(action);
        m_Actions.erase(action->data().toInt());
        action->deleteLater();
    }
    m_RecentActions.clear();
    m_pRecentPlaceholder->setVisible(m_RecentFiles.empty());
    for (std::size_t i = 0; i < m_RecentFiles.size(); ++i) {
        const int id = cmd::FileMru1 + static_cast<int>(i);
        QString caption = QString::fromStdString(m_RecentFiles[i]);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption), this);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        m_pFileMenu->insertAction(m_pRecentPlaceholder, action);
        m_Actions[id] = action;
        m_RecentActions.push_back(action);
    }
}

// --- window events --------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_pDocument && !m_pDocument->SaveModified()) {
        event->ignore();
        return;
    }
    SaveRecentFiles();
    event->accept();
    // The help window has no owner; it must not keep the program running.
    if (zel::CHelpViewer* help = zel::CHelpViewer::Existing()) help->close();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        event->acceptProposedAction();
        const std::string path = url.toLocalFile().toStdString();
        // Opened after the drop has ended, as File > Open would.
        QTimer::singleShot(0, this, [this, path] {
            if (m_AppCommands.openFile) m_AppCommands.openFile(path);
        });
        return; // one document at a time
    }
}

bool CMainFrame::event(QEvent* event) {
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::Show && !m_bPanesSized) {
        // The panes' ideal sizes, once the window has its size.
        m_bPanesSized = true;
        m_pOuterSplitter->setSizes({174, std::max(0, m_pOuterSplitter->height() - 174)});
        m_pInnerSplitter->setSizes({384, std::max(0, m_pInnerSplitter->width() - 384)});
    }
    if (event->type() == QEvent::WindowActivate && m_pDocument) m_pDocument->SetTitle({});
    return result;
}
