// The record view: records with their headers, rebuilding and clearing, the
// ASCII output, the page layout and printing, scrolling by keys.

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <fstream>
#include <locale>
#include <regex>
#include <string>
#include <vector>

#include "../analysis/AnalysisTestUtil.h"
#include "../analysis/GraphTestUtil.h"
#include "../gui/GuiTestSupport.h"
#include "analysis/CritPointSearch.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "platform/qt/Help.h"
#include "shell/CommandIds.h"
#include "shell/DocView.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"

namespace {

using Lines = std::vector<std::string>;

const char* const kJobTitle = "Water test job";
const char* const kRho = "RHO, electron density";

// English day and month names, the day of the month in two digits.
const std::regex kDateLine("(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), "
                           "(January|February|March|April|May|June|July|August|September|October|"
                           "November|December) [0-9]{2}, [0-9]{4}");

class RecordViewTest : public ::testing::Test {
protected:
    RecordViewTest() : m_prompts(m_promptService), m_titles(m_titleService) {
        zel::test::App();
        m_view = std::make_unique<CZelmoraView>(&m_doc);
        m_doc.AddView(m_view.get());
        m_view->OnInitialUpdate();
    }
    ~RecordViewTest() override { m_doc.RemoveView(m_view.get()); }

    void LoadWater() {
        m_titleService.PushAnswer(kJobTitle);
        std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/water.wfn");
        ASSERT_EQ(m_doc.GetMolecule()->LoadWavefunction(in), 1);
    }

    void SearchFromNuclei() {
        CMolecule& molecule = *m_doc.GetMolecule();
        zel::CTextRecord log;
        analysistest::CQuietProgress progress;
        testing::internal::CaptureStderr();
        CCritPointSearch(molecule, molecule.GetPropertyName(-1), log, progress).SearchFromNuclei();
        testing::internal::GetCapturedStderr();
        ASSERT_FALSE(molecule.GetList(-3)->empty());
    }

    Lines Shown() const { return m_view->GetLines().Lines(); }

    zel::CScriptedPrompts m_promptService;
    zel::ScopedPromptService m_prompts;
    zel::CScriptedTitles m_titleService;
    zel::ScopedTitleService m_titles;
    CZelmoraDoc m_doc;
    std::unique_ptr<CZelmoraView> m_view;
};

Lines Body(const zel::CTextRecord& record) {
    return record.Lines();
}

} // namespace

// A record without body lines is one line and no header.
TEST_F(RecordViewTest, EmptyRecordsAreOneLine) {
    LoadWater();
    const struct {
        int command;
        int kind;
        std::string line;
    } cases[] = {
        {cmd::RecordCriticalPoints, CZelmoraView::CriticalPoints,
         "List of critical points of RHO, electron density is empty!"},
        {cmd::RecordMolecularGraph, CZelmoraView::MolecularGraph,
         "List of molecular graph gradient paths of RHO, electron density is empty!"},
        {cmd::RecordSurface, CZelmoraView::Surface, "No current surface!"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m_view->OnCommand(c.command));
        EXPECT_EQ(Shown(), Lines{c.line}) << c.command;
        EXPECT_EQ(m_view->GetRecordKind(), c.kind);
    }
}

TEST_F(RecordViewTest, CriticalPointRecordIsHeaderThenTheMoleculesRecord) {
    LoadWater();
    SearchFromNuclei();
    ASSERT_TRUE(m_view->OnCommand(cmd::RecordCriticalPoints));

    zel::CTextRecord body;
    m_doc.GetMolecule()->WriteCritPointRecord(&body);
    const Lines shown = Shown();
    ASSERT_EQ(shown.size(), body.Size() + 5);
    EXPECT_EQ(shown[0], std::string("Job ") + kJobTitle);
    EXPECT_TRUE(std::regex_match(shown[1], kDateLine)) << shown[1];
    EXPECT_EQ(shown[2], " ");
    EXPECT_EQ(shown[3], std::string("Record of known critical points of ") + kRho);
    EXPECT_EQ(shown[4], " ");
    EXPECT_EQ(Lines(shown.begin() + 5, shown.end()), Body(body));
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::CriticalPoints);
}

// The molecular-graph record is headed like the critical points; the surface
// record has the job and the date under an empty line.
TEST_F(RecordViewTest, GraphAndSurfaceRecordsHaveTheirHeaders) {
    CMolecule& molecule = *m_doc.GetMolecule();
    const graphtest::Graph graph = graphtest::BuildGraph(molecule);
    molecule.SetCurrentSurface(graph.bondAB);
    CCmdUI ui;
    ui.id = cmd::RecordSurface;
    ASSERT_TRUE(m_view->OnUpdateCommand(ui));
    EXPECT_TRUE(ui.enabled);

    zel::CTextRecord graphBody;
    molecule.WriteMolGraphRecord(&graphBody);
    zel::CTextRecord surfaceBody;
    graph.bondAB->WriteSurfaceReport(surfaceBody);
    ASSERT_GT(graphBody.Size(), 0u);
    ASSERT_GT(surfaceBody.Size(), 0u);
    const std::string job = "Job Graph test job";
    const struct {
        int command;
        Lines head; // the date line is marked "date"
        const zel::CTextRecord& body;
    } cases[] = {
        {cmd::RecordMolecularGraph,
         {job, "date", " ", std::string("Record of known molecular graph gradient paths of ") + kRho + ":",
          " "},
         graphBody},
        {cmd::RecordSurface, {" ", job, "date"}, surfaceBody},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(m_view->OnCommand(c.command));
        const Lines shown = Shown();
        ASSERT_EQ(shown.size(), c.head.size() + c.body.Size()) << c.command;
        for (std::size_t i = 0; i < c.head.size(); ++i) {
            if (c.head[i] == "date")
                EXPECT_TRUE(std::regex_match(shown[i], kDateLine)) << shown[i];
            else
                EXPECT_EQ(shown[i], c.head[i]) << c.command << " line " << i;
        }
        EXPECT_EQ(Lines(shown.begin() + static_cast<std::ptrdiff_t>(c.head.size()), shown.end()),
                  Body(c.body));
    }
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::Surface);
}

// The version is that of the document file format, shown before any file was
// saved or opened.
TEST_F(RecordViewTest, PointRecordHeader) {
    LoadWater();
    m_view->RecordPoint();
    zel::CTextRecord body;
    m_doc.GetMolecule()->WritePointReport(&body);
    const Lines shown = Shown();
    ASSERT_EQ(shown.size(), body.Size() + 5);
    EXPECT_EQ(shown[0], std::string("Zelmora, version 2.00, Job ") + kJobTitle);
    EXPECT_TRUE(std::regex_match(shown[1], kDateLine)) << shown[1];
    EXPECT_EQ(Lines(shown.begin() + 2, shown.begin() + 5),
              (Lines{" ", "Record of properties at a point in space", " "}));
    EXPECT_EQ(Lines(shown.begin() + 5, shown.end()), Body(body));
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::Point);
}

// The date line of a user with a German locale still has English names and
// today's date.
TEST_F(RecordViewTest, DateLineIsEnglishInAnyLocale) {
    LoadWater();
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    const std::time_t now = std::time(nullptr);
    m_view->RecordPoint();
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");

    const std::string date = Shown().at(1);
    EXPECT_TRUE(std::regex_match(date, kDateLine)) << date;
    std::tm local{};
    localtime_r(&now, &local);
    char tail[32];
    std::snprintf(tail, sizeof tail, " %02d, %d", local.tm_mday, local.tm_year + 1900);
    EXPECT_TRUE(date.ends_with(tail)) << date; // (fails only across midnight)
}

// The molecule has the shown record rebuilt after a change and cleared when
// it is emptied (File > New).
TEST_F(RecordViewTest, RefreshRebuildsOrClears) {
    LoadWater();
    m_view->OnRecordCriticalPoints();
    ASSERT_EQ(Shown().size(), 1u);
    SearchFromNuclei();
    m_view->RefreshRecord(false);
    EXPECT_EQ(Shown().at(3), std::string("Record of known critical points of ") + kRho);
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::CriticalPoints);

    m_view->RefreshRecord(true);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::None);

    m_view->RecordPoint();
    m_doc.OnNewDocument();
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::None);
}

TEST_F(RecordViewTest, CommandStates) {
    auto state = [&](int id) {
        CCmdUI ui;
        ui.id = id;
        EXPECT_TRUE(m_view->OnUpdateCommand(ui)) << id;
        return ui.enabled;
    };
    for (int id : {cmd::FileAsciiOutput, cmd::ContextHelp, cmd::FilePrint, cmd::FilePrintDirect,
                   cmd::FilePrintPreview})
        EXPECT_TRUE(state(id)) << id;
    for (int id : {cmd::RecordCriticalPoints, cmd::RecordMolecularGraph, cmd::RecordSurface, cmd::RecordAtom})
        EXPECT_FALSE(state(id)) << id;
    CCmdUI other;
    other.id = cmd::CalcProperties;
    EXPECT_FALSE(m_view->OnUpdateCommand(other));
    EXPECT_FALSE(m_view->OnCommand(cmd::CalcProperties));

    LoadWater();
    EXPECT_TRUE(state(cmd::RecordCriticalPoints));
    EXPECT_TRUE(state(cmd::RecordMolecularGraph));
    EXPECT_FALSE(state(cmd::RecordSurface)); // no current surface
    EXPECT_FALSE(state(cmd::RecordAtom));
}

// While a job changes the molecule's lists the view neither offers nor builds
// a record from them; it keeps showing what it showed.
TEST_F(RecordViewTest, NoRecordIsBuiltWhileAJobRuns) {
    LoadWater();
    m_view->OnRecordCriticalPoints();
    const Lines before = Shown();
    CMolecule::CJobScope job(*m_doc.GetMolecule());
    CCmdUI ui;
    ui.id = cmd::RecordCriticalPoints;
    m_view->OnUpdateCommand(ui);
    EXPECT_FALSE(ui.enabled);
    m_view->OnRecordMolecularGraph();
    m_view->RecordPoint();
    m_view->RefreshRecord(false);
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::CriticalPoints);
}

TEST_F(RecordViewTest, AsciiOutputWritesExactlyTheShownLines) {
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService scoped(chooser);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("out.txt")).toStdString();

    m_view->OnFileAsciiOutput();
    EXPECT_EQ(m_promptService.Texts(), Lines{"RecordView is empty!"});
    EXPECT_TRUE(chooser.Requests().empty());

    LoadWater();
    SearchFromNuclei();
    m_view->OnRecordCriticalPoints();
    chooser.PushAnswer(path);
    m_view->OnFileAsciiOutput();
    ASSERT_EQ(chooser.Requests().size(), 1u);
    const zel::SFileRequest expected{true, "Text Files (*.txt)|*.txt||", "txt", "recView.txt", true, ""};
    EXPECT_EQ(chooser.Requests()[0], expected);
    std::string bytes;
    for (const std::string& line : Shown())
        bytes += line + "\r\n";
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), bytes);
    EXPECT_EQ(m_promptService.Texts().size(), 1u);
}

TEST_F(RecordViewTest, AsciiOutputFailuresAreSaid) {
    zel::CScriptedFileChooser chooser;
    zel::ScopedFileChooserService scoped(chooser);
    QTemporaryDir dir;
    LoadWater();
    m_view->OnRecordCriticalPoints();

    chooser.PushAnswer(dir.filePath(QStringLiteral("no/such/folder/out.txt")).toStdString());
    m_view->OnFileAsciiOutput();
    ASSERT_EQ(m_promptService.Texts(), Lines{"Could not open file"});

    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
    chooser.PushAnswer("/dev/full"); // every write fails: a full disk
    m_view->OnFileAsciiOutput();
    ASSERT_EQ(m_promptService.Texts().size(), 2u);
    EXPECT_TRUE(m_promptService.Texts()[1].starts_with("Could not write file /dev/full"))
        << m_promptService.Texts()[1];
}

// 240 twips a line give 59 lines on 25 cm. Printing lays the pages out anew,
// so a record that was never drawn still prints every page.
TEST_F(RecordViewTest, PrintsEveryPageOfTheRecord) {
    EXPECT_EQ(m_view->GetLinesPerPage(), 48);
    EXPECT_EQ(m_view->GetPageCount(), 1);
    LoadWater();
    SearchFromNuclei();
    m_view->OnRecordCriticalPoints();
    const int lines = static_cast<int>(Shown().size());
    ASSERT_GT(lines, 59);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("record.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    m_view->PrintRecord(&printer);

    EXPECT_EQ(m_view->GetLineHeight(), 240);
    EXPECT_EQ(m_view->GetLinesPerPage(), 59);
    const int pages = (lines + 58) / 59;
    EXPECT_EQ(m_view->GetPageCount(), pages);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), pages);
}

TEST_F(RecordViewTest, KeysScrollByLinesAndPages) {
    LoadWater();
    SearchFromNuclei();
    m_view->OnRecordCriticalPoints();
    m_view->resize(200, 150);
    m_view->show();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return m_view->isVisible(); }));
    QScrollBar* v = m_view->verticalScrollBar();
    QScrollBar* h = m_view->horizontalScrollBar();
    const int line = QFontMetrics(QFont(QStringLiteral("Liberation Mono"), 10), m_view->viewport()).height();
    ASSERT_GT(v->maximum(), 24 * line);
    ASSERT_GT(h->maximum(), line);

    auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(m_view.get(), &event);
    };
    press(Qt::Key_Down);
    press(Qt::Key_Right);
    EXPECT_EQ(v->value(), line);
    EXPECT_EQ(h->value(), line);
    press(Qt::Key_PageDown);
    EXPECT_EQ(v->value(), 25 * line);
    press(Qt::Key_Up);
    EXPECT_EQ(v->value(), 24 * line);
    press(Qt::Key_End);
    EXPECT_EQ(v->value(), v->maximum());
    EXPECT_EQ(h->value(), h->maximum());
    press(Qt::Key_PageUp);
    EXPECT_EQ(v->value(), v->maximum() - 24 * line);
    press(Qt::Key_Home);
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(h->value(), 0);
    m_view->hide();
}

// The record view's help page is in a fixed book beside the program, not the
// one the settings name.
TEST_F(RecordViewTest, ContextHelpOpensTheFixedBook) {
    zel::test::ScopedTestSettings settings;
    ASSERT_TRUE(m_view->OnCommand(cmd::ContextHelp));
    const QString folder =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelmorahlp/zelmora"));
    EXPECT_EQ(m_promptService.Texts(),
              Lines{"Help folder not found: " + QDir::toNativeSeparators(folder).toStdString()});

    // With the book in place, its record-view page is shown.
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile page(QDir(folder).filePath(QStringLiteral("recordview.htm")));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body>Record view</body></html>");
    }
    EXPECT_TRUE(m_view->OnCommand(cmd::ContextHelp));
    ASSERT_NE(zel::CHelpViewer::Existing(), nullptr);
    EXPECT_EQ(zel::CHelpViewer::Existing()->CurrentPage().fileName(), QStringLiteral("recordview.htm"));
    zel::CHelpViewer::Existing()->close();
    QDir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelmorahlp"))).removeRecursively();
}
