// The three-dimensional window without OpenGL (the offscreen platform has
// none): the application shows the window with a message and goes on; and the
// view's handlers, which need no GL context: keys, mouse states, the context
// menu, the switch commands, the rule that a running job's lists are not
// read, the object dialogs of picking and the export without a picture.

#include "../gui/GuiTestSupport.h"

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "ui/PopDlg.h"
#include "view3d/3DFrame.h"
#include "view3d/3DObjectDlgs.h"
#include "view3d/3DView.h"

#include <QColor>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "platform/qt/Help.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The offscreen platform offers OpenGL through an X display when it has one;
// these tests are about having none.
const bool kNoDisplay = [] {
    unsetenv("DISPLAY");
    return true;
}();

std::string Fixture(const std::string& name) {
    return std::string(ZELMORA_TEST_DATA) + "/" + name;
}

TEST(NoOpenGLTest, TheWindowShowsAMessageAndTheApplicationGoesOn) {
    ASSERT_TRUE(kNoDisplay);
    zel::test::App();
    zel::test::ScopedTestSettings settings;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService promptGuard(prompts);
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService chooserGuard(chooser);
    zel::CScriptedTitles titles;
    zel::ScopedTitleService titleGuard(titles);
    CZelmoraApp app;
    ASSERT_TRUE(app.InitInstance({}, false));
    CMainFrame* frame = app.GetMainFrame();
    CZelmoraDoc* doc = app.GetDocument();

    C3DFrame* window = doc->Get3DFrame();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetView(), nullptr);
    EXPECT_EQ(window->GetMessage(),
              "The 3D view cannot be shown: no OpenGL context can be created on this display.");
    EXPECT_EQ(doc->GetMolecule()->Get3DView(), nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    EXPECT_EQ(window->size(), QSize(300, 300));
    EXPECT_TRUE(frame->QueryCommand(cmd::View3D).enabled);
    EXPECT_FALSE(frame->QueryCommand(cmd::View3D).checked);

    // Reading a wavefunction shows it under the job title.
    chooser.PushAnswer(Fixture("water.wfn"));
    titles.PushAnswer("Water");
    ASSERT_TRUE(frame->ExecuteCommand(cmd::FileNewWavefunction));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "Water - Zelmora - 3DView");
    EXPECT_TRUE(frame->QueryCommand(cmd::View3D).checked);

    // View > 3D View toggles it; the close box only hides it.
    ASSERT_TRUE(frame->ExecuteCommand(cmd::View3D));
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(frame->ExecuteCommand(cmd::View3D));
    EXPECT_TRUE(window->isVisible());
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(doc->Get3DFrame(), window);

    // The rest of the application works as before: the record of critical
    // points, and emptying the document hides the window.
    ASSERT_TRUE(frame->ExecuteCommand(cmd::View3D));
    ASSERT_TRUE(frame->ExecuteCommand(cmd::RecordCriticalPoints));
    prompts.PushAnswer(zel::IDNO); // do not save the changes
    ASSERT_TRUE(frame->ExecuteCommand(cmd::FileNew));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "no molecule loaded - Zelmora - 3DView");
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Save changes to Untitled?"}));

    // Closing the main window ends the program, also while the 3D window is
    // shown (a guard ends the event loop with 1 otherwise).
    ASSERT_TRUE(frame->ExecuteCommand(cmd::View3D));
    ASSERT_TRUE(window->isVisible());
    QTimer::singleShot(0, frame, [frame] { frame->close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

// --- the view's handlers ---------------------------------------------------------

class ViewHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        m_view = std::make_unique<C3DView>();
        m_view->resize(300, 200);
        m_view->OnInitialUpdate(&m_molecule);
    }
    void TearDown() override { C3DView::SetColorChooser({}); }

    void LoadBenzene() {
        std::string error;
        ASSERT_TRUE(LoadDocument(ZELMORA_EXAMPLES "/benzene.zlm", m_molecule, error)) << error;
    }
    std::vector<int> MenuIds() {
        std::vector<int> ids;
        for (const C3DView::SMenuItem& item : m_view->BuildContextMenu())
            ids.push_back(item.id);
        return ids;
    }

    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    CMolecule m_molecule;
    std::unique_ptr<C3DView> m_view;
};

TEST_F(ViewHandlerTest, RegistersWithTheMoleculeUntilItGoes) {
    EXPECT_EQ(m_molecule.Get3DView(), m_view.get());
    m_view.reset();
    EXPECT_EQ(m_molecule.Get3DView(), nullptr);
}

// Keys through the window's own key events, one sequence per row.
TEST_F(ViewHandlerTest, KeysPanZoomAndScaleTheirStep) {
    struct Row {
        std::vector<int> keys;
        int factor;
        CVector translation;
    };
    const Row rows[] = {
        {{Qt::Key_Left}, 1, {-0.2, 0, -16}},
        {{Qt::Key_Up, Qt::Key_Right}, 1, {0.2, 0.2, -16}},
        {{Qt::Key_Down, Qt::Key_X}, 1, {0, -0.2, -16.2}},
        {{Qt::Key_Shift, Qt::Key_Shift, Qt::Key_Z}, 4, {0, 0, -15.2}},
        {{Qt::Key_Shift, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Right}, 2, {0.4, 0, -16}},
        {{Qt::Key_Shift, Qt::Key_Tab, Qt::Key_Left}, 1, {-0.2, 0, -16}},
        {{Qt::Key_Control, Qt::Key_Control}, 1, {0, 0, -16}},
        {{Qt::Key_Shift, Qt::Key_Left, Qt::Key_Space}, 2, {0, 0, -16}}, // Space keeps the factor
        {{Qt::Key_Q, Qt::Key_F2}, 1, {0, 0, -16}},
    };
    for (const Row& row : rows) {
        C3DView view;
        for (int key : row.keys)
            QTest::keyClick(&view, static_cast<Qt::Key>(key));
        EXPECT_EQ(view.GetFactor(), row.factor) << row.keys.size();
        EXPECT_NEAR(view.GetTranslation().x, row.translation.x, 1e-12);
        EXPECT_NEAR(view.GetTranslation().y, row.translation.y, 1e-12);
        EXPECT_NEAR(view.GetTranslation().z, row.translation.z, 1e-12);
    }

    // Ctrl halves by integer division: 3 becomes 1.
    C3DView view;
    view.OnKeyDown(C3DView::VK_SHIFT);
    view.OnKeyDown(C3DView::VK_SHIFT); // 4
    view.OnKeyDown(C3DView::VK_CONTROL);
    view.OnKeyDown(C3DView::VK_CONTROL);
    EXPECT_EQ(view.GetFactor(), 1);
}

// A held Shift repeats: the factor stops at its limit instead of overflowing,
// and the keys still move the scene by the limit's step.
TEST_F(ViewHandlerTest, AHeldShiftKeyCannotOverflowTheStepFactor) {
    for (int i = 0; i < 100; ++i)
        m_view->OnKeyDown(C3DView::VK_SHIFT);
    EXPECT_EQ(m_view->GetFactor(), C3DView::kMaxFactor);
    m_view->OnKeyDown(C3DView::VK_LEFT);
    EXPECT_DOUBLE_EQ(m_view->GetTranslation().x, -0.2 * C3DView::kMaxFactor);
    for (int i = 0; i < 40; ++i)
        m_view->OnSwitchCommand(C3DView::ID_FACTOR_INCREASE);
    EXPECT_EQ(m_view->GetFactor(), C3DView::kMaxFactor);
    m_view->OnKeyDown('Z');
    EXPECT_DOUBLE_EQ(m_view->GetTranslation().z, -16 + 0.2 * C3DView::kMaxFactor);
}

TEST_F(ViewHandlerTest, LettersToggleTheirSwitchesAndSpaceResetsTheView) {
    const struct {
        int key;
        int C3DView::SSwitches::*field;
    } letters[] = {{'A', &C3DView::SSwitches::atomicAxes},    {'B', &C3DView::SSwitches::bondPaths},
                   {'C', &C3DView::SSwitches::cagePaths},     {'L', &C3DView::SSwitches::resolution},
                   {'M', &C3DView::SSwitches::molecularAxes}, {'R', &C3DView::SSwitches::ringPaths}};
    for (const auto& letter : letters) {
        const int before = m_view->GetSwitches().*letter.field;
        QTest::keyClick(m_view.get(), static_cast<Qt::Key>(letter.key));
        EXPECT_EQ(m_view->GetSwitches().*letter.field, 1 - before) << char(letter.key);
        m_view->OnKeyDown(letter.key);
        EXPECT_EQ(m_view->GetSwitches().*letter.field, before) << char(letter.key);
    }

    const float turned[4] = {0.6f, 0.0f, 0.0f, 0.8f};
    m_view->SetRotation(turned);
    m_view->SetTranslation(CVector(1, 2, 3));
    m_view->OnLButtonDown(10, 10);
    m_view->OnMouseMove(20, 10);
    ASSERT_EQ(m_view->IsSpinning(), 1);
    m_view->OnKeyDown(C3DView::VK_SPACE);
    EXPECT_EQ(m_view->GetTranslation(), CVector(0, 0, -16));
    EXPECT_EQ(std::vector<float>(m_view->GetRotation(), m_view->GetRotation() + 4),
              (std::vector<float>{0, 0, 0, 1}));
    EXPECT_EQ(m_view->IsSpinning(), 0);
    EXPECT_EQ(m_view->IsTracking(), 0);
}

TEST_F(ViewHandlerTest, MouseStatesOfTheTrackball) {
    m_view->OnMouseMove(50, 50); // no button: nothing
    EXPECT_EQ(m_view->IsSpinning(), 0);
    m_view->OnLButtonDown(150, 100);
    EXPECT_EQ(m_view->IsTracking(), 1);
    EXPECT_EQ(m_view->IsSpinning(), 0);
    m_view->OnMouseMove(225, 100); // a quarter of the width to the right
    EXPECT_EQ(m_view->IsSpinning(), 1);
    const float* increment = m_view->GetRotationIncrement();
    // From the centre to x = 0.5 in trackball units: on the ball, about y.
    EXPECT_NEAR(2.0 * std::acos(increment[3]), std::asin(0.5 / 0.8), 1e-6);
    m_view->OnMouseMove(225, 100); // standing still: the identity increment
    EXPECT_FLOAT_EQ(increment[3], 1.0f);
    m_view->OnLButtonUp();
    EXPECT_EQ(m_view->IsSpinning(), 0);
    EXPECT_EQ(m_view->IsTracking(), 0);
    // Nothing has turned the scene: frames do that.
    EXPECT_FLOAT_EQ(m_view->GetRotation()[3], 1.0f);
}

TEST_F(ViewHandlerTest, ContextMenuOffersTheKindsTheMoleculeHas) {
    // Without a molecule: the axes, resolution and factor items only, and the
    // switches of absent kinds back on.
    C3DView::SSwitches& sw = m_view->Switches();
    sw = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    EXPECT_EQ(MenuIds(), (std::vector<int>{1030, 1041, 1042, 1043, 1044, 1045, 1046}));
    EXPECT_EQ(sw.molecularAxes, 0);
    for (int value : {sw.atomicAxes, sw.nuclei, sw.bondPaths, sw.ringPaths, sw.cagePaths, sw.maxPoints,
                      sw.bondPoints, sw.ringPoints, sw.cagePoints})
        EXPECT_EQ(value, 1);

    LoadBenzene();
    m_view->Switches().nuclei = 0;
    const std::vector<C3DView::SMenuItem> items = m_view->BuildContextMenu();
    std::vector<std::pair<int, std::string>> shown;
    for (const auto& item : items)
        shown.emplace_back(item.id, item.text);
    const std::vector<std::pair<int, std::string>> expected = {{1030, "Molecular Axis Switch On/Off"},
                                                               {1032, "Nuclei Switch On/Off"},
                                                               {1033, "Bond Paths Switch On/Off"},
                                                               {1034, "Ring Paths Switch On/Off"},
                                                               {1036, "(3,-3) Critical Points Switch On/Off"},
                                                               {1037, "(3,-1) Critical Points On/Off"},
                                                               {1038, "(3,+1) Critical Points Switch On/Off"},
                                                               {1041, "Resolution Switch On/Off"},
                                                               {1042, std::string(54, '-')},
                                                               {1043, "Increase Translation/Zoom Factor"},
                                                               {1044, "Decrease Translation/Zoom Factor"},
                                                               {1045, "Reset Translation/Zoom Factor"},
                                                               {1046, "Set Background Color"}};
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(items[0].checked); // molecular axes still off
    EXPECT_FALSE(items[1].checked); // nuclei off
    EXPECT_TRUE(items[2].checked);

    // A current atom adds its axes; the lists of every field count.
    m_molecule.SetCurrentAtom(m_molecule.GetAtomList().front().get());
    m_molecule.SetFieldIndex(2);
    const std::vector<int> ids = MenuIds();
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 3), (std::vector<int>{1030, 1031, 1032}));
    EXPECT_EQ(ids.size(), expected.size() + 1);
}

TEST_F(ViewHandlerTest, SwitchCommands) {
    const struct {
        int id;
        int C3DView::SSwitches::*field;
    } toggles[] = {{1030, &C3DView::SSwitches::molecularAxes}, {1031, &C3DView::SSwitches::atomicAxes},
                   {1032, &C3DView::SSwitches::nuclei},        {1033, &C3DView::SSwitches::bondPaths},
                   {1034, &C3DView::SSwitches::ringPaths},     {1035, &C3DView::SSwitches::cagePaths},
                   {1036, &C3DView::SSwitches::maxPoints},     {1037, &C3DView::SSwitches::bondPoints},
                   {1038, &C3DView::SSwitches::ringPoints},    {1039, &C3DView::SSwitches::cagePoints},
                   {1040, &C3DView::SSwitches::envelopeMap},   {1041, &C3DView::SSwitches::resolution}};
    for (const auto& toggle : toggles) {
        const C3DView::SSwitches before = m_view->GetSwitches();
        m_view->OnSwitchCommand(toggle.id);
        C3DView::SSwitches expected = before;
        expected.*toggle.field = 1 - before.*toggle.field;
        EXPECT_EQ(std::memcmp(&m_view->GetSwitches(), &expected, sizeof expected), 0) << toggle.id;
    }
    const C3DView::SSwitches before = m_view->GetSwitches();
    for (int id : {1042, 1047, 1054}) {
        m_view->OnSwitchCommand(id);
        EXPECT_EQ(std::memcmp(&m_view->GetSwitches(), &before, sizeof before), 0) << id;
    }

    m_view->OnSwitchCommand(1043);
    m_view->OnSwitchCommand(1043);
    EXPECT_EQ(m_view->GetFactor(), 4);
    m_view->OnSwitchCommand(1044);
    EXPECT_EQ(m_view->GetFactor(), 2);
    m_view->OnSwitchCommand(1045);
    EXPECT_EQ(m_view->GetFactor(), 1);
    m_view->OnSwitchCommand(1044);
    EXPECT_EQ(m_view->GetFactor(), 1);
    EXPECT_EQ(m_prompts.Texts(), (std::vector<std::string>{"Translation/Zoom factor increased.\n",
                                                           "Translation/Zoom factor increased.\n",
                                                           "Translation/Zoom factor decreased.\n",
                                                           "Translation/Zoom factor reset to default.\n",
                                                           "Translation/Zoom factor decreased.\n"}));

    // The background from the colour dialog (black at the start); Cancel keeps it.
    std::vector<QColor> offered;
    C3DView::SetColorChooser([&](const QColor& initial, QWidget*) -> std::optional<QColor> {
        offered.push_back(initial);
        if (offered.size() == 1) return QColor(51, 102, 255);
        return std::nullopt;
    });
    m_view->OnSwitchCommand(1046);
    EXPECT_EQ(m_view->GetBackground(), CVector(0.2, 0.4, 1.0));
    m_view->OnSwitchCommand(1046);
    EXPECT_EQ(m_view->GetBackground(), CVector(0.2, 0.4, 1.0));
    EXPECT_EQ(offered, (std::vector<QColor>{Qt::black, Qt::black}));
}

// While a job runs on the worker, the view draws the scene it took before and
// does not walk the lists the job extends; the new point shows after the job.
TEST_F(ViewHandlerTest, ARunningJobsListsAreNotRead) {
    LoadBenzene();
    ASSERT_TRUE(m_view->UpdateScene());
    ASSERT_TRUE(m_view->GetScene().critPoints[3].empty());
    {
        const CMolecule::CJobScope running(m_molecule);
        m_molecule.GetList(3)->push_back(std::make_unique<CCagePoint>(
            &m_molecule, m_molecule.NextObjectNumber(), 0, CVector(0, 0, 3), 0.0));
        EXPECT_FALSE(m_view->UpdateScene());
        EXPECT_TRUE(m_view->GetScene().critPoints[3].empty());
        EXPECT_EQ(m_view->GetScene().nuclei.size(), 12u);
        // The menu, too, answers from the scene taken before.
        const std::vector<int> ids = MenuIds();
        EXPECT_EQ(std::count(ids.begin(), ids.end(), 1039), 0);
    }
    ASSERT_TRUE(m_view->UpdateScene());
    ASSERT_EQ(m_view->GetScene().critPoints[3].size(), 1u);
    EXPECT_EQ(m_view->GetScene().critPoints[3][0].name, 6001);
    const std::vector<int> ids = MenuIds();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 1039), 1);
}

TEST_F(ViewHandlerTest, F1OpensTheViewsHelpPage) {
    zel::test::ScopedTestSettings settings;
    // The shipped book beside the program, with the view's page in it.
    const QDir book(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelmorahlp/zelmora")));
    ASSERT_TRUE(QDir().mkpath(book.path()));
    {
        QFile page(book.filePath(QStringLiteral("3dview.htm")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body>3D view</body></html>");
    }
    QTest::keyClick(m_view.get(), Qt::Key_F1);
    EXPECT_TRUE(m_prompts.Texts().empty());
    ASSERT_NE(zel::CHelpViewer::Existing(), nullptr);
    EXPECT_EQ(zel::CHelpViewer::Existing()->CurrentPage().fileName(), QStringLiteral("3dview.htm"));
    zel::CHelpViewer::Existing()->close();
    QDir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelmorahlp")))
        .removeRecursively();
}

// --- picking and export without a picture ---------------------------------------

// No hit says so; a name that no selection pass drew shows nothing; without a
// GL picture S cannot save and asks for no file.
TEST_F(ViewHandlerTest, NoHitNoObjectAndNoPicture) {
    LoadBenzene();
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService chooserGuard(chooser);
    m_view->ShowPickedObject(0);
    m_view->ShowPickedObject(1003);
    m_view->ShowPickedObject(10001);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{" Nothing chosen. \n"});
    QTest::keyClick(m_view.get(), Qt::Key_S);
    EXPECT_EQ(m_prompts.Texts(),
              (std::vector<std::string>{" Nothing chosen. \n", "Unable to get OpenGL bitmap from screen!"}));
    EXPECT_TRUE(chooser.Requests().empty());
}

// Each dialog shows its record in read-only fields under its caption, with
// OK as its only button (the critical point's also has Analyse); OK keeps
// the values shown, Escape ends with Cancel.
TEST_F(ViewHandlerTest, ObjectDialogsShowTheirRecords) {
    const auto run = [](zel::CDialog& dialog, const char* caption, std::map<int, std::string> texts,
                        std::vector<std::string> buttons, bool ok) {
        zel::test::WhenVisible<zel::CDialog>([&](zel::CDialog* shown) {
            EXPECT_EQ(shown->windowTitle().toStdString(), caption);
            for (const auto& [id, text] : texts) {
                EXPECT_EQ(shown->GetDlgItemText(id), text) << id;
                auto* edit = shown->DlgItem<QLineEdit>(id);
                ASSERT_NE(edit, nullptr) << id;
                EXPECT_TRUE(edit->isReadOnly()) << id;
            }
            std::vector<std::string> shownButtons;
            for (const QPushButton* button : shown->findChildren<QPushButton*>())
                shownButtons.push_back(button->text().toStdString());
            std::sort(shownButtons.begin(), shownButtons.end());
            EXPECT_EQ(shownButtons, buttons);
            if (ok)
                QTest::mouseClick(shown->DlgItem<QPushButton>(zel::IDOK), Qt::LeftButton);
            else
                QTest::keyClick(shown, Qt::Key_Escape);
        });
        return dialog.DoModal();
    };

    C3DAtomdlg atom({"Carbon", 3, CVector(1.5, -0.25, 0)});
    EXPECT_EQ(run(atom, "Object Chosen: Atom",
                  {{1180, "3"}, {1181, "Carbon"}, {1182, "1.5"}, {1183, "-0.25"}, {1184, "0"}}, {"OK"}, true),
              zel::IDOK);
    EXPECT_EQ(atom.m_strElement, "Carbon");
    EXPECT_EQ(atom.m_nNumber, 3);
    EXPECT_EQ(atom.m_dY, -0.25);

    C3DCritPtdlg point({"(3,+1)", 1, CVector(0, 0, 0.125), 0.0}, &m_molecule);
    EXPECT_EQ(run(point, "Object Chosen: Critical Point",
                  {{1187, "1"}, {1188, "(3,+1)"}, {1189, "0"}, {1190, "0"}, {1191, "0.125"}},
                  {"Analyse", "OK"}, false),
              zel::IDCANCEL);

    C3DGradPathdlg path({"(3,-1)", kNoEndType, 12, CVector(1, 2, 3), CVector(4, 5, 6), 2.5});
    EXPECT_EQ(run(path, "Object Chosen: Gradient Path",
                  {{1196, "12"},
                   {1197, "(3,-1)"},
                   {1198, "1"},
                   {1199, "2"},
                   {1200, "3"},
                   {1192, "none"},
                   {1193, "4"},
                   {1194, "5"},
                   {1195, "6"},
                   {1201, "2.5"}},
                  {"OK"}, true),
              zel::IDOK);
    EXPECT_EQ(path.m_dLength, 2.5);
    EXPECT_EQ(path.m_strEndType, "none");
}

// Analyse opens the property analysis at the point shown; while a job runs
// on the molecule it says why it cannot.
TEST_F(ViewHandlerTest, AnalyseOpensThePropertyAnalysisAtThePoint) {
    LoadBenzene();
    const CVector at = m_molecule.GetList(-1)->front()->GetPosition();
    C3DCritPtdlg dialog({"(3,-1)", 1, at, 0.0}, &m_molecule);
    CVector analysed;
    zel::test::WhenVisible<CPopDlg>([&](CPopDlg* analysis) {
        analysed = CVector(analysis->m_dX, analysis->m_dY, analysis->m_dZ);
        QTest::keyClick(analysis, Qt::Key_Escape);
    });
    zel::test::WhenVisible<C3DCritPtdlg>([&](C3DCritPtdlg* shown) {
        QTest::mouseClick(shown->DlgItem<QPushButton>(C3DCritPtdlg::kAnalyse), Qt::LeftButton);
        QTest::keyClick(shown, Qt::Key_Escape);
    });
    dialog.DoModal();
    // As the fields show it, to 15 digits.
    EXPECT_NEAR((analysed - at).Length(), 0.0, 1e-13);
    EXPECT_NE(analysed, CVector());
    EXPECT_TRUE(m_prompts.Texts().empty());

    const CMolecule::CJobScope running(m_molecule);
    dialog.OnAnalyse();
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{C3DCritPtdlg::kBusyMessage});
}

} // namespace
