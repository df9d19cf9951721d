#pragma once
// The fixtures of the menu tests: the application offscreen with scripted
// prompts, file chooser and titles, and the dialog input the tests drive.

#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/TitleService.h"
#include "plots/PlotDialogs.h"
#include "shell/MainFrame.h"
#include "shell/PlotView.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/MolGraphPlotDlg.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace shelltest {

// Clicks, checks and texts typed into a dialog's controls.
class DialogInputTest : public ::testing::Test {
protected:
    static void Click(zel::CDialog* dialog, int id) { dialog->DlgItem<QAbstractButton>(id)->click(); }
    static void Check(zel::CDialog* dialog, int id, bool on) {
        dialog->DlgItem<QAbstractButton>(id)->setChecked(on);
    }
    static void SetText(zel::CDialog* dialog, int id, const char* text) {
        dialog->DlgItem<QLineEdit>(id)->setText(QString::fromUtf8(text));
    }
};

// The benzene example opened in the application, unmodified, with the plot
// dialogs on Qt.
class PlotCommandsTest : public DialogInputTest {
protected:
    void SetUp() override {
        zel::test::App();
        ASSERT_TRUE(m_app.InitInstance({}, false));
        m_frame = m_app.GetMainFrame();
        m_doc = m_app.GetDocument();
        m_view = m_frame->GetPlotView();
        bool loaded = false;
        ASSERT_TRUE(m_doc->OnOpenDocument(ZELMORA_EXAMPLES "/benzene.zlm", &loaded));
        ASSERT_TRUE(loaded);
        m_doc->SetModifiedFlag(false);
    }

    CMolecule& Molecule() { return *m_doc->GetMolecule(); }

    // The records of the plot view's paint.
    std::vector<std::string> Drawn() {
        zel::CRecordingCanvas dc;
        m_view->OnDraw(dc);
        return dc.Records();
    }

    zel::test::ScopedTestSettings m_settings;
    QTemporaryDir m_temp;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedFileChooser m_chooser;
    zel::ScopedFileChooserService m_chooserGuard{m_chooser};
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    CQtPlotDialogService m_dialogs;
    ScopedPlotDialogService m_dialogGuard{m_dialogs};
    CZelmoraApp m_app;
    CMainFrame* m_frame = nullptr;
    CZelmoraDoc* m_doc = nullptr;
    CPlotView* m_view = nullptr;
};

} // namespace shelltest
