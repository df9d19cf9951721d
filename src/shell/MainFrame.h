#pragma once
// The main window: menus, toolbar and status bar, and the three panes in two
// splitters: the control pane at the top left, the record view at the top
// right and the plot pane across the bottom. Commands from the menus, the
// toolbar and the keys are routed to the active view, then the document, then
// the frame and the application.

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "shell/DocView.h"

class CControlView;
class CPlotView;
class CZelmoraDoc;
class CZelmoraView;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Handlers of the application's commands (New, Open, opening a named file
    // Print Setup, About), set by the application.
    struct SAppCommands {
        std::function<void()> fileNew;
        std::function<void()> fileOpen;
        std::function<void(const std::string&)> openFile;
        std::function<void()> printSetup;
        std::function<void()> about;
    };

    CMainFrame(CZelmoraDoc* document, SAppCommands commands);
    ~CMainFrame() override;

    CZelmoraDoc* GetDocument() const { return m_pDocument; }
    CControlView* GetControlView() const { return m_pControlView; }
    CZelmoraView* GetRecordView() const { return m_pRecordView; }
    CPlotView* GetPlotView() const { return m_pPlotView; }
    // The pane that last had the focus; the record view at the start.
    CDocView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CDocView* view);

    // Runs a command through the routing; false when no target handles it or
    // it is disabled.
    bool ExecuteCommand(int id);
    // The command's state as the routing gives it.
    CCmdUI QueryCommand(int id);
    // Refreshes every menu item and toolbar button from the routing.
    void UpdateCommandStates();
    QAction* GetAction(int id) const;
    // The menu bar's popup with this title ("&File").
    QMenu* GetMenu(const QString& title) const;

    // The recent-file list of the File menu (six entries, newest first),
    // kept in the settings.
    void AddToRecentFileList(const std::string& path);
    void RemoveFromRecentFileList(const std::string& path);
    std::vector<std::string> GetRecentFiles() const { return m_RecentFiles; }

    // F6 and Shift+F6: the focus to the next or previous pane.
    void ActivateNextPane(bool forward);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const QString& caption, const QKeySequence& keys = {});
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildPanes();
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    void UpdateRecentFileMenu();
    void OnFocusChanged(QWidget* old, QWidget* now);
    bool RouteCommand(int id);
    bool RouteUpdate(CCmdUI& ui);
    // The panes in the order F6 visits them.
    std::vector<CDocView*> Panes() const;

    CZelmoraDoc* m_pDocument;
    SAppCommands m_AppCommands;
    QSplitter* m_pOuterSplitter = nullptr;
    QSplitter* m_pInnerSplitter = nullptr;
    QToolBar* m_pToolBar = nullptr;
    CControlView* m_pControlView = nullptr;
    CZelmoraView* m_pRecordView = nullptr;
    CPlotView* m_pPlotView = nullptr;
    CDocView* m_pActiveView = nullptr;
    std::map<int, QAction*> m_Actions;
    std::vector<std::string> m_RecentFiles;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    std::vector<QAction*> m_RecentActions;
    bool m_bPanesSized = false;
};
