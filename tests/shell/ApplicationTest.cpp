// The whole application offscreen: start-up with and without a document on
// the command line, the caption, the commands' enabled states, a session of
// reading a wavefunction, searching, saving and reopening, and the document's
// failures (refused files, failed saves, a cancelled save offer).

#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "app/ComputeDlg.h"
#include "app/RecordDlg.h"
#include "platform/core/Archive.h"
#include "platform/core/FileChooser.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "shell/AboutDlg.h"
#include "shell/CommandIds.h"
#include "shell/ControlView.h"
#include "shell/MainFrame.h"
#include "shell/ZelmoraApp.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"
#include "ui/CritPointDlg.h"
#include "ui/MolGraphDlg.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

std::string Fixture(const std::string& name) {
    return std::string(ZELMORA_TEST_DATA) + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

Lines ComboEntries(const QComboBox* combo) {
    Lines entries;
    for (int i = 0; combo && i < combo->count(); ++i)
        entries.push_back(combo->itemText(i).toStdString());
    return entries;
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        zel::test::App();
        g_bCancel = 0;
    }

    void Start(const QStringList& arguments = {}) {
        ASSERT_TRUE(m_app.InitInstance(arguments, false));
        m_frame = m_app.GetMainFrame();
        m_doc = m_app.GetDocument();
    }

    std::string TempPath(const std::string& name) const { return m_temp.filePath(QString::fromStdString(name)).toStdString(); }

    // Reads a fixture through File > New Wavefunction with the given job title.
    void NewWavefunction(const std::string& fixture, const std::string& title) {
        m_chooser.PushAnswer(Fixture(fixture));
        m_titles.PushAnswer(title);
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileNewWavefunction));
    }

    // Calculation > Critical points: searches from the nuclei and from pairs
    // and triples of maxima, closing each log.
    void SearchCriticalPoints() {
        zel::test::WhenVisible<CCritPointDlg>([](CCritPointDlg* dlg) {
            for (int button : {CCritPointDlg::kNuclearPositions, CCritPointDlg::kMaximaPairs,
                               CCritPointDlg::kMaximaTriples}) {
                zel::test::WhenVisible<CRecordDlg>([](CRecordDlg* log) { log->EndDialog(zel::IDOK); });
                dlg->DlgItem<QPushButton>(button)->click();
            }
            dlg->EndDialog(zel::IDOK);
        });
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::CalcCriticalPoints));
    }

    // Calculation > Molecular graph: the bond paths, and the ring paths when
    // asked for.
    void ComputeMolecularGraph(bool rings) {
        zel::test::WhenVisible<CMolGraphDlg>([rings](CMolGraphDlg* dlg) {
            std::vector<int> buttons = {CMolGraphDlg::kBondPaths};
            if (rings) buttons.insert(buttons.end(), {CMolGraphDlg::kRingCagePaths, CMolGraphDlg::kRingBondPaths});
            for (int button : buttons) {
                zel::test::WhenVisible<CRecordDlg>([](CRecordDlg* log) { log->EndDialog(zel::IDOK); });
                dlg->DlgItem<QPushButton>(button)->click();
            }
            dlg->EndDialog(zel::IDOK);
        });
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::CalcMolecularGraph));
    }

    Lines RecordLines() const { return m_frame->GetRecordView()->GetLines().Lines(); }
    std::string Caption() const { return m_frame->windowTitle().toStdString(); }

    zel::test::ScopedTestSettings m_settings;
    QTemporaryDir m_temp;
    zel::CScriptedPrompts m_prompts;
    zel::ScopedPromptService m_promptGuard{m_prompts};
    zel::CScriptedFileChooser m_chooser;
    zel::ScopedFileChooserService m_chooserGuard{m_chooser};
    zel::CScriptedTitles m_titles;
    zel::ScopedTitleService m_titleGuard{m_titles};
    CZelmoraApp m_app;
    CMainFrame* m_frame = nullptr;
    CZelmoraDoc* m_doc = nullptr;
};

// The enabled state of every command of the menus, for an empty document and
// for a loaded one; commands whose work this version lacks stay disabled.
TEST_F(ApplicationTest, StartsEmptyAndEnablesCommandsByTheDocument) {
    Start();
    EXPECT_EQ(Caption(), "no molecule loaded - Zelmora");
    EXPECT_EQ(m_frame->pos(), QPoint(270, 270));
    EXPECT_EQ(m_frame->size(), QSize(810, 600));
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_EQ(m_frame->GetActiveView(), m_frame->GetRecordView());

    struct Row {
        int id;
        bool empty;
        bool loaded;
    };
    const Row rows[] = {
        {cmd::FileNewWavefunction, true, true},   {cmd::FileOpen, true, true},
        {cmd::FileSave, true, true},              {cmd::FileSaveAs, true, true},
        {cmd::FilePrint, true, true},             {cmd::FilePrintPreview, true, true},
        {cmd::FilePrintSetup, true, true},        {cmd::FileAsciiOutput, true, true},
        {cmd::AppExit, true, true},               {cmd::ViewToolbar, true, true},
        {cmd::ViewStatusBar, true, true},         {cmd::View3D, true, true},
        {cmd::CalcProperties, false, true},       {cmd::CalcCriticalPoints, false, true},
        {cmd::CalcMolecularGraph, false, true},   {cmd::CalcIntegrateBasin, false, false},
        {cmd::CalcIntegrateSurface, false, false}, {cmd::RecordCriticalPoints, false, true},
        {cmd::RecordMolecularGraph, false, true}, {cmd::RecordAtom, false, false},
        {cmd::RecordSurface, false, false},       {cmd::PlotNewMolGraph, false, true},
        {cmd::PlotNewLine, false, true},          {cmd::PlotNewRelief, false, true},
        {cmd::PlotModify, false, false},          {cmd::PlotDelete, false, false},
        {cmd::PlotExport, false, false},          {cmd::PlotTextOut, false, true},
        {cmd::PlotCopy, false, false},            {cmd::EnvelopeInit, false, true},
        {cmd::EnvelopeRefine, false, false},      {cmd::EnvelopeDelete, false, false},
        {cmd::EnvelopeMap, false, false},         {cmd::OptionLinearAlgebra, false, true},
        {cmd::OptionCritPoints, false, true},     {cmd::OptionGradientPaths, false, true},
        {cmd::OptionBasinIntegration, false, true}, {cmd::OptionSurfaceIntegration, false, true},
        {cmd::OptionBasinFunctions, false, true},  {cmd::OptionSurfaceFunctions, false, true},
        {cmd::HelpFinder, true, true},            {cmd::AppAbout, true, true},
    };
    m_frame->UpdateCommandStates();
    for (const Row& row : rows) {
        ASSERT_NE(m_frame->GetAction(row.id), nullptr) << row.id;
        EXPECT_EQ(m_frame->GetAction(row.id)->isEnabled(), row.empty) << "empty document, command " << row.id;
    }
    // A disabled command does nothing when it is sent anyway.
    EXPECT_FALSE(m_frame->ExecuteCommand(cmd::CalcCriticalPoints));

    NewWavefunction("water.wfn", "Water");
    EXPECT_EQ(Caption(), "Water - Zelmora");
    EXPECT_TRUE(m_doc->IsModified());
    m_frame->UpdateCommandStates();
    for (const Row& row : rows)
        EXPECT_EQ(m_frame->GetAction(row.id)->isEnabled(), row.loaded) << "loaded document, command " << row.id;

    // ASCII-Output belongs to the record view: not while the control pane is active.
    m_frame->SetActiveView(m_frame->GetControlView());
    EXPECT_FALSE(m_frame->GetAction(cmd::FileAsciiOutput)->isEnabled());
    EXPECT_FALSE(m_frame->GetAction(cmd::FilePrint)->isEnabled());
    EXPECT_TRUE(m_frame->GetAction(cmd::RecordCriticalPoints)->isEnabled());

    // The menu captions as the user reads them.
    const QMenu* file = m_frame->GetMenu(QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->actions().front()->text(), QStringLiteral("&New Wavefunction\tCtrl+N"));
    for (const char* title : {"&View", "&Calculation", "&Record", "&Plot", "&Envelope", "&Option", "&Help"})
        EXPECT_NE(m_frame->GetMenu(QString::fromLatin1(title)), nullptr) << title;
    // Ctrl+N is the framework's New, which empties the document.
    EXPECT_EQ(m_frame->GetAction(cmd::FileNew)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_TRUE(m_frame->GetAction(cmd::FileNewWavefunction)->shortcut().isEmpty());
}

// A session through the dialogs: read a wavefunction, search the critical
// points, compute the molecular graph, look at the records, save, empty the
// document and open the file again: the same records come back.
TEST_F(ApplicationTest, SessionSavedAndReopenedShowsTheSameRecords) {
    Start();
    NewWavefunction("water.wfn", "Water session");
    SearchCriticalPoints();
    ComputeMolecularGraph(false);
    EXPECT_TRUE(m_doc->IsModified());

    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordCriticalPoints));
    const Lines points = RecordLines();
    ASSERT_GE(points.size(), 6u);
    EXPECT_EQ(points[0], "Job Water session");
    EXPECT_EQ(points[3], "Record of known critical points of RHO, electron density");
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordMolecularGraph));
    const Lines graph = RecordLines();
    EXPECT_EQ(graph[3], "Record of known molecular graph gradient paths of RHO, electron density:");

    // The control pane lists the atoms and the two O-H surfaces.
    const CControlView* pane = m_frame->GetControlView();
    EXPECT_EQ(ComboEntries(pane->GetList(CControlView::kAtomList)).size(), 3u);
    EXPECT_EQ(ComboEntries(pane->GetList(CControlView::kSurfaceList)).size(), 2u);

    const std::string path = TempPath("water.zlm");
    m_chooser.PushAnswer(path);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    EXPECT_EQ(m_doc->GetPathName(), path);
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_EQ(m_frame->GetRecentFiles().front(), path);

    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileNew));
    EXPECT_EQ(Caption(), "no molecule loaded - Zelmora");
    EXPECT_TRUE(RecordLines().empty());
    EXPECT_EQ(m_frame->GetRecordView()->GetRecordKind(), 0);
    EXPECT_TRUE(m_doc->GetPathName().empty());

    ASSERT_TRUE(m_app.OpenDocumentFile(path));
    EXPECT_EQ(Caption(), "Water session - Zelmora");
    EXPECT_FALSE(m_doc->IsModified());
    // The same records but for the date line.
    auto undated = [](Lines lines) {
        lines.erase(lines.begin() + 1);
        return lines;
    };
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordCriticalPoints));
    EXPECT_EQ(undated(RecordLines()), undated(points));
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordMolecularGraph));
    EXPECT_EQ(undated(RecordLines()), undated(graph));
    const Lines shown = RecordLines();
    // The job summaries, and no message of the document.
    for (const std::string& text : m_prompts.Texts()) {
        EXPECT_TRUE(text.rfind("Found ", 0) == 0 || text.rfind("Calculated ", 0) == 0) << text;
    }

    // ASCII-Output writes exactly the shown lines.
    const std::string ascii = TempPath("record.txt");
    m_chooser.PushAnswer(ascii);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileAsciiOutput));
    std::string expected;
    for (const std::string& line : shown) expected += line + "\r\n";
    EXPECT_EQ(ReadFile(ascii), expected);
}

// A file of a refused version, and a damaged one: the exact message, and an
// empty document without a name, so Save asks for one and cannot overwrite
// the file that failed to open.
TEST_F(ApplicationTest, RefusedFileLeavesAnEmptyUnnamedDocument) {
    Start();
    NewWavefunction("water.wfn", "Water");
    const std::string good = TempPath("good.zlm");
    m_chooser.PushAnswer(good);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    const std::string goodBytes = ReadFile(good);

    struct Case {
        std::string bytes;
        std::string message;
    };
    std::string version199 = goodBytes;
    version199[0] = static_cast<char>(199);
    const Case cases[] = {
        {version199, "Incompatible zlm-file version!"},
        {goodBytes.substr(0, goodBytes.size() / 2), ""}, // truncated: the stream's own words
    };
    for (const Case& c : cases) {
        const std::string path = TempPath("bad.zlm");
        WriteFile(path, c.bytes);
        const std::size_t before = m_prompts.Texts().size();
        EXPECT_TRUE(m_app.OpenDocumentFile(path));
        ASSERT_EQ(m_prompts.Texts().size(), before + 1);
        if (!c.message.empty()) {
            EXPECT_EQ(m_prompts.Texts().back(), c.message);
        }
        EXPECT_FALSE(m_prompts.Texts().back().empty());
        EXPECT_EQ(Caption(), "no molecule loaded - Zelmora");
        EXPECT_TRUE(m_doc->GetMolecule()->IsEmpty());
        EXPECT_TRUE(m_doc->GetPathName().empty());
        EXPECT_FALSE(m_doc->IsModified());

        // Save asks for a name; cancelling it leaves the bad file as it was.
        m_chooser.PushAnswer(std::nullopt);
        const std::size_t requests = m_chooser.Requests().size();
        m_frame->ExecuteCommand(cmd::FileSave);
        ASSERT_EQ(m_chooser.Requests().size(), requests + 1);
        EXPECT_TRUE(m_chooser.Requests().back().save);
        EXPECT_EQ(ReadFile(path), c.bytes);
    }
    // A file that cannot be opened or read changes nothing.
    ASSERT_TRUE(m_app.OpenDocumentFile(good));
    const std::pair<std::string, std::string> unreadable[] = {
        {TempPath("missing.zlm"), "Could not open file " + TempPath("missing.zlm") + ": No such file or directory"},
        {"/proc/self/mem", "Could not read file /proc/self/mem: Input/output error"},
    };
    for (const auto& [path, message] : unreadable) {
        EXPECT_FALSE(m_app.OpenDocumentFile(path));
        EXPECT_EQ(m_prompts.Texts().back(), message);
        EXPECT_EQ(Caption(), "Water - Zelmora");
        EXPECT_EQ(m_doc->GetPathName(), good);
        EXPECT_EQ(m_doc->GetMolecule()->GetAtomList().size(), 3u);
    }
}

// Saving and opening run on the worker behind the progress dialog, which
// names the file, while the views keep away from the model; what is read
// back is what was written.
TEST_F(ApplicationTest, SaveAndOpenRunBehindTheProgressDialog) {
    Start();
    NewWavefunction("water.wfn", "Water");
    SearchCriticalPoints();
    const zel::test::ShowRecorder<CComputeDlg> progress([this](CComputeDlg* dlg) {
        return dlg->windowTitle().toStdString() + ": " + GetStatusText() +
               (m_doc->GetMolecule()->IsJobRunning() ? " (views kept away)" : "");
    });
    const std::string path = TempPath("water.zlm"), copy = TempPath("copy.zlm");
    m_chooser.PushAnswer(path);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    ASSERT_TRUE(m_app.OpenDocumentFile(path));
    EXPECT_EQ(Caption(), "Water - Zelmora");
    m_chooser.PushAnswer(copy);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    EXPECT_EQ(progress.Seen(), (Lines{"Saving document: " + path + " (views kept away)",
                                      "Opening document: " + path + " (views kept away)",
                                      "Saving document: " + copy + " (views kept away)"}));
    EXPECT_EQ(ReadFile(copy), ReadFile(path));
    for (const std::string& text : m_prompts.Texts())
        EXPECT_EQ(text.rfind("Found ", 0), 0u) << text;
}

// A save that fails says why and keeps the work, its name and its flag.
TEST_F(ApplicationTest, FailedSaveKeepsTheDocument) {
    Start();
    NewWavefunction("water.wfn", "Water");
    m_chooser.PushAnswer(TempPath("no-such-folder/water.zlm"));
    m_frame->ExecuteCommand(cmd::FileSaveAs);
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_EQ(m_prompts.Texts().back().rfind("Could not save file ", 0), 0u) << m_prompts.Texts().back();
    EXPECT_EQ(m_doc->GetMolecule()->GetAtomList().size(), 3u);
    EXPECT_EQ(Caption(), "Water - Zelmora");
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_TRUE(m_doc->GetPathName().empty());

    // The offer to save on New: a failed save keeps the document too.
    m_prompts.PushAnswer(zel::IDYES);
    m_chooser.PushAnswer(TempPath("no-such-folder/water.zlm"));
    EXPECT_FALSE(m_app.FileNew());
    EXPECT_EQ(m_doc->GetMolecule()->GetAtomList().size(), 3u);
}

// Cancel at the offer to save ends New Wavefunction before its file dialog:
// the unsaved molecule stays as it was and nothing is added to it.
TEST_F(ApplicationTest, CancelAtTheSaveOfferEndsNewWavefunction) {
    Start();
    NewWavefunction("water.wfn", "Water");
    const std::size_t requests = m_chooser.Requests().size();
    m_prompts.PushAnswer(zel::IDCANCEL);
    m_chooser.PushAnswer(Fixture("ammonia.wfn"));
    m_frame->ExecuteCommand(cmd::FileNewWavefunction);
    EXPECT_EQ(m_prompts.Texts().back(), "Save changes to Untitled?");
    EXPECT_EQ(m_chooser.Requests().size(), requests);
    EXPECT_EQ(m_doc->GetMolecule()->GetAtomList().size(), 3u);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Caption(), "Water - Zelmora");

    // No: the document is emptied and the new file read.
    m_prompts.PushAnswer(zel::IDNO);
    m_titles.PushAnswer("Ammonia");
    m_frame->ExecuteCommand(cmd::FileNewWavefunction);
    EXPECT_EQ(m_doc->GetMolecule()->GetAtomList().size(), 4u);
    EXPECT_EQ(Caption(), "Ammonia - Zelmora");
}

// The example document is what a session through the dialogs makes of the
// benzene fixture: the same critical points and paths. With
// ZELMORA_WRITE_EXAMPLE set to a path, the session's document is saved there
// (this is how examples/benzene.zlm is made).
TEST_F(ApplicationTest, BenzeneSessionGivesTheExampleDocument) {
    Start();
    NewWavefunction("benzene.wfn", "Benzene");
    SearchCriticalPoints();
    ComputeMolecularGraph(true);
    const CMolecule& made = *m_doc->GetMolecule();
    const std::string path = TempPath("benzene.zlm");
    m_chooser.PushAnswer(path);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    if (const char* out = std::getenv("ZELMORA_WRITE_EXAMPLE")) fs::copy_file(path, out, fs::copy_options::overwrite_existing);

    // Counts of points by signature and of paths of the molecular graph.
    auto census = [](const CMolecule& molecule) {
        std::vector<std::size_t> counts;
        for (int type : {-3, -1, 1, 3})
            counts.push_back(molecule.GetList(type)->size());
        zel::CTextRecord graph;
        molecule.WriteMolGraphRecord(&graph);
        counts.push_back(graph.Size());
        return counts;
    };
    const std::vector<std::size_t> session = census(made);
    EXPECT_EQ(session[0], 12u); // maxima at the nuclei
    EXPECT_EQ(session[1], 12u); // six C-C and six C-H bonds
    EXPECT_EQ(session[2], 1u);  // the ring
    // Poincare-Hopf for a molecule: n - b + r - c = 1.
    EXPECT_EQ(static_cast<long>(session[0]) - static_cast<long>(session[1]) + static_cast<long>(session[2]) -
                  static_cast<long>(session[3]),
              1);

    ASSERT_TRUE(m_app.OpenDocumentFile(std::string(ZELMORA_EXAMPLES) + "/benzene.zlm"));
    EXPECT_EQ(census(*m_doc->GetMolecule()), session);
}

// New Wavefunction that reads nothing: a cancelled file dialog, a file that
// cannot be opened, a file the reader refuses. Each leaves an empty, unnamed,
// unmodified document whose views show it.
TEST_F(ApplicationTest, NewWavefunctionWithoutAMoleculeLeavesAnEmptyDocument) {
    Start();
    struct Case {
        std::optional<std::string> path;
        bool message;
        std::string text;
    };
    // The framework's or the reader's words, then the file and, where there
    // is one, the system's reason.
    const Case cases[] = {
        {std::nullopt, false, ""},
        {TempPath("missing.wfn"), true,
         "Could not open file " + TempPath("missing.wfn") + ": No such file or directory"},
        {Fixture("bad"), true, "Could not open file " + Fixture("bad") + ": Is a directory"},
        {Fixture("bad/truncated.wfn"), true, ""},
        // A read error (EIO) on the first read: reported, not fatal.
        {"/proc/self/mem", true, "Could not read file: Input/output error (file /proc/self/mem)"},
        {Fixture("bad/zero_exponent.wfn"), true, "Error in Exponent (file " + Fixture("bad/zero_exponent.wfn") + ")"},
    };
    for (const Case& c : cases) {
        NewWavefunction("water.wfn", "Water");
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordCriticalPoints));
        const std::size_t prompts = m_prompts.Texts().size();
        m_prompts.PushAnswer(zel::IDNO); // the save offer
        m_chooser.PushAnswer(c.path);
        ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileNewWavefunction));
        ASSERT_EQ(m_prompts.Texts().size(), prompts + (c.message ? 2 : 1));
        if (!c.text.empty()) {
            EXPECT_EQ(m_prompts.Texts().back(), c.text);
        }
        if (c.message) {
            EXPECT_NE(m_prompts.Texts().back().find(*c.path), std::string::npos);
        }
        EXPECT_TRUE(m_doc->GetMolecule()->IsEmpty());
        EXPECT_FALSE(m_doc->IsModified());
        EXPECT_TRUE(m_doc->GetPathName().empty());
        EXPECT_EQ(Caption(), "no molecule loaded - Zelmora");
        EXPECT_TRUE(RecordLines().empty());
        EXPECT_EQ(ComboEntries(m_frame->GetControlView()->GetList(CControlView::kAtomList)).size(), 0u);
    }
    zel::SFileRequest expected;
    expected.filter = "Wavefunction Files (*.wfn)|*.wfn||";
    expected.defaultExtension = "wfn";
    expected.fileName = "*.wfn";
    expected.overwritePrompt = true;
    EXPECT_EQ(m_chooser.Requests().back(), expected);
}

// Ctrl+N empties the document after the offer to save, without a file
// dialog; About and Print Setup only show their dialogs.
TEST_F(ApplicationTest, NewAboutAndPrintSetupChangeNothingElse) {
    Start();
    NewWavefunction("water.wfn", "Water");
    const std::size_t requests = m_chooser.Requests().size();
    m_prompts.PushAnswer(zel::IDNO);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileNew));
    EXPECT_EQ(m_prompts.Texts().back(), "Save changes to Untitled?");
    EXPECT_EQ(m_chooser.Requests().size(), requests);
    EXPECT_TRUE(m_doc->GetMolecule()->IsEmpty());
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_EQ(Caption(), "no molecule loaded - Zelmora");

    std::string about;
    zel::test::WhenVisible<CAboutDlg>([&](CAboutDlg* dialog) {
        about = dialog->windowTitle().toStdString();
        dialog->DlgItem<QPushButton>(zel::IDOK)->click();
    });
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::AppAbout));
    EXPECT_EQ(about, "About Zelmora");

    // The printer here writes PDF files: the page setup says nothing of it on
    // stderr.
    bool setupShown = false;
    zel::test::WhenVisible<QPageSetupDialog>([&](QPageSetupDialog* dialog) {
        setupShown = true;
        dialog->reject();
    });
    testing::internal::CaptureStderr();
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FilePrintSetup));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("QPageSetupDialog"), std::string::npos) << said;
    EXPECT_TRUE(setupShown);
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
}

// The document named on the command line is open before the window shows:
// the example document with its critical points and molecular graph.
TEST_F(ApplicationTest, OpensTheDocumentNamedOnTheCommandLine) {
    const std::string example = std::string(ZELMORA_EXAMPLES) + "/benzene.zlm";
    Start({QStringLiteral("--some-option"), QString::fromStdString(example)});
    EXPECT_EQ(m_doc->GetPathName(), example);
    EXPECT_EQ(Caption(), m_doc->GetMolecule()->GetJobTitle() + " - Zelmora");
    EXPECT_FALSE(m_doc->IsModified());

    const CControlView* pane = m_frame->GetControlView();
    EXPECT_EQ(ComboEntries(pane->GetList(CControlView::kFieldList)),
              (Lines{"RHO, electron density", "L, Laplacian of Rho", "KEG, Lagrangian kinetic energy density",
                     "KEK, Hamiltonian kinetic energy density", "VIR, Virial Field Function"}));
    EXPECT_EQ(ComboEntries(pane->GetList(CControlView::kAtomList)).size(), 12u);
    // Six C-C and six C-H bond paths.
    EXPECT_EQ(ComboEntries(pane->GetList(CControlView::kSurfaceList)).size(), 12u);
    EXPECT_TRUE(ComboEntries(pane->GetList(CControlView::kPlotList)).empty());

    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordCriticalPoints));
    const Lines lines = RecordLines();
    ASSERT_GT(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Job " + m_doc->GetMolecule()->GetJobTitle());
    EXPECT_EQ(lines[2], " ");
    EXPECT_EQ(lines[3], "Record of known critical points of RHO, electron density");

    // The record prints on as many pages as the layout says.
    const std::string pdf = TempPath("record.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    m_frame->GetRecordView()->ComputePageLayout();
    m_frame->GetRecordView()->PrintRecord(&printer);
    const int pages = m_frame->GetRecordView()->GetPageCount();
    EXPECT_EQ(pages, static_cast<int>((lines.size() + 58) / 59));
    auto pdfPages = [](const std::string& bytes) {
        int found = 0;
        for (std::size_t at = bytes.find("/Type /Page"); at != std::string::npos;
             at = bytes.find("/Type /Page", at + 1))
            found += bytes.compare(at, 12, "/Type /Pages") != 0 ? 1 : 0;
        return found;
    };
    ASSERT_GE(pages, 2);
    EXPECT_EQ(pdfPages(ReadFile(pdf)), pages);

    // A range chosen in the print dialog prints only those pages.
    const std::string second = TempPath("second.pdf");
    QPrinter range(QPrinter::HighResolution);
    range.setOutputFormat(QPrinter::PdfFormat);
    range.setOutputFileName(QString::fromStdString(second));
    range.setPrintRange(QPrinter::PageRange);
    range.setFromTo(2, 2);
    m_frame->GetRecordView()->PrintRecord(&range);
    EXPECT_EQ(pdfPages(ReadFile(second)), 1);
}

} // namespace

namespace {

// Chooses a field in the control pane as the user does.
void ChooseField(CMainFrame* frame, int field) {
    QComboBox* list = frame->GetControlView()->GetList(CControlView::kFieldList);
    list->setCurrentIndex(field);
    emit list->activated(field);
}

} // namespace

// A loaded wavefunction or document is confirmed at once by the record of its
// critical points; a change of field routed to the views shows that field's
// record, from its top.
TEST_F(ApplicationTest, RecordViewShowsTheCurrentFieldsRecordAfterEveryChange) {
    Start();
    NewWavefunction("water.wfn", "Water");
    EXPECT_EQ(RecordLines(), Lines{"List of critical points of RHO, electron density is empty!"});
    SearchCriticalPoints();
    const Lines density = RecordLines();
    ASSERT_GT(density.size(), 30u);
    EXPECT_EQ(density[3], "Record of known critical points of RHO, electron density");

    CZelmoraView* view = m_frame->GetRecordView();
    view->resize(300, 100);
    view->OnUpdate();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    ASSERT_GT(view->verticalScrollBar()->value(), 0);
    ChooseField(m_frame, 1);
    EXPECT_EQ(RecordLines(), Lines{"List of critical points of L, Laplacian of Rho is empty!"});
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    ChooseField(m_frame, 0);
    EXPECT_EQ(RecordLines(), density);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);

    // The molecular-graph record follows the field too.
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::RecordMolecularGraph));
    ChooseField(m_frame, 2);
    EXPECT_EQ(RecordLines(), Lines{"List of molecular graph gradient paths of KEG, Lagrangian kinetic energy "
                                   "density is empty!"});
    ChooseField(m_frame, 0);

    // Opening a document shows its critical points at once.
    const std::string path = TempPath("water.zlm");
    m_chooser.PushAnswer(path);
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileSaveAs));
    ASSERT_TRUE(m_frame->ExecuteCommand(cmd::FileNew));
    EXPECT_TRUE(RecordLines().empty());
    ASSERT_TRUE(m_app.OpenDocumentFile(path));
    EXPECT_EQ(RecordLines(), density);
}
