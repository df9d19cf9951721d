// The program's window on a real X display (the tests run it under Xvfb):
// started on the example document as `make run` starts it, the main window
// is mapped with the document's caption and its panes drawn.

#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/core/Prompt.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdlib>

TEST(WindowTest, ShowsTheExampleDocument) {
    zel::test::App();
    zel::test::ScopedTestSettings settings;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard(prompts);
    CZelmoraApp app;
    ASSERT_TRUE(app.InitInstance({QString::fromLatin1(ZELMORA_EXAMPLES "/benzene.zlm")}, false));
    CMainFrame* frame = app.GetMainFrame();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(frame->windowTitle().toStdString(), app.GetDocument()->GetMolecule()->GetJobTitle() + " - Zelmora");

    // The record of critical points is drawn into the record view.
    frame->activateWindow();
    ASSERT_TRUE(frame->ExecuteCommand(32777));
    ASSERT_GT(frame->GetRecordView()->GetLines().Size(), 5u);
    QTest::qWait(200);
    const QImage shot = frame->grab().toImage();
    EXPECT_EQ(shot.size(), frame->size() * shot.devicePixelRatio());
    // A look at the window, for whoever runs the test by hand.
    if (const char* out = std::getenv("ZELMORA_SCREENSHOT")) shot.save(QString::fromLocal8Bit(out));
}
