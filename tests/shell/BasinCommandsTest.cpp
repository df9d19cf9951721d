// The basin integration through the document's commands on water: the
// integration dialog, Record > Atom with its header, the record after saving
// and opening the document again, and the record written by ASCII-Output.

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../analysis/AnalysisTestUtil.h"
#include "../gui/GuiTestSupport.h"
#include "analysis/MolecularGraph.h"
#include "integration/BasinJob.h"
#include "platform/core/FileChooser.h"
#include "platform/core/Format.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/core/TitleService.h"
#include "shell/CommandIds.h"
#include "shell/DocView.h"
#include "shell/ZelmoraDoc.h"
#include "shell/ZelmoraView.h"
#include "ui/IntegrationDlg.h"

#include <QPushButton>

namespace {

using Lines = std::vector<std::string>;

const std::regex
    kDateLine("(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), [A-Z][a-z]+ [0-9]{2}, [0-9]{4}");

class BasinCommandsTest : public ::testing::Test {
protected:
    BasinCommandsTest() : m_prompts(m_promptService), m_titles(m_titleService), m_chooser(m_chooserService) {
        zel::test::App();
        RegisterBasinJobs();
        m_view = std::make_unique<CZelmoraView>(&m_doc);
        m_doc.AddView(m_view.get());
        m_view->OnInitialUpdate();
    }
    ~BasinCommandsTest() override {
        m_doc.RemoveView(m_view.get());
        for (int type : {zel::kJobIntegrateBetaSphere, zel::kJobIntegrateNatural, zel::kJobIntegrateRadial})
            zel::RegisterJobBody(type, nullptr);
    }

    bool Enabled(int id) {
        CCmdUI ui;
        ui.id = id;
        EXPECT_TRUE(m_doc.OnUpdateCommand(ui)) << id;
        return ui.enabled;
    }

    CMolecule& Molecule() { return *m_doc.GetMolecule(); }

    zel::CScriptedPrompts m_promptService;
    zel::ScopedPromptService m_prompts;
    zel::CScriptedTitles m_titleService;
    zel::ScopedTitleService m_titles;
    zel::CScriptedFileChooser m_chooserService;
    zel::ScopedFileChooserService m_chooser;
    CZelmoraDoc m_doc;
    std::unique_ptr<CZelmoraView> m_view;
};

} // namespace

TEST_F(BasinCommandsTest, IntegrateRecordSaveReopenAndWriteTheAtomRecord) {
    EXPECT_FALSE(Enabled(cmd::CalcIntegrateBasin));
    EXPECT_FALSE(Enabled(cmd::RecordAtom));
    EXPECT_FALSE(Enabled(cmd::OptionBasinFunctions));

    m_titleService.PushAnswer("Water basin");
    {
        std::ifstream in(std::string(ZELMORA_TEST_DATA) + "/water.wfn");
        ASSERT_EQ(Molecule().LoadWavefunction(in), 1);
    }
    analysistest::SearchAll(Molecule());
    zel::CTextRecord log;
    analysistest::CQuietProgress quiet;
    CalcBondPaths(Molecule(), log, quiet);
    EXPECT_FALSE(Enabled(cmd::CalcIntegrateBasin)); // no current atom yet
    EXPECT_TRUE(Enabled(cmd::OptionBasinFunctions));
    EXPECT_TRUE(Enabled(cmd::OptionSurfaceFunctions));
    CAtom* oxygen = Molecule().GetAtomList().front().get();
    Molecule().SetCurrentAtom(oxygen);
    EXPECT_TRUE(Enabled(cmd::CalcIntegrateBasin));
    EXPECT_TRUE(Enabled(cmd::RecordAtom));
    // Coarser steps than the defaults keep the test short.
    Molecule().GetIntegOptions().AbsAccuracy.Current = 1e-3;
    Molecule().GetIntegOptions().RelAccuracy.Current = 1e-3;
    m_doc.SetModifiedFlag(false);

    zel::test::WhenVisible<CIntegrationDlg>([](CIntegrationDlg* dlg) {
        dlg->DlgItem<QPushButton>(CIntegrationDlg::kIntegrateNatural)->click();
        dlg->EndDialog(zel::IDOK);
    });
    ASSERT_TRUE(m_doc.OnCommand(cmd::CalcIntegrateBasin));
    EXPECT_EQ(m_promptService.Texts(), Lines{});
    ASSERT_GT(oxygen->m_ResultsA.Method, 0.0);
    EXPECT_TRUE(m_doc.IsModified());

    ASSERT_TRUE(m_view->OnCommand(cmd::RecordAtom));
    EXPECT_EQ(m_view->GetRecordKind(), CZelmoraView::Atom);
    const Lines shown = m_view->GetLines().Lines();
    ASSERT_GT(shown.size(), 20u);
    EXPECT_EQ(shown[0], " ");
    EXPECT_EQ(shown[1], "Job Water basin");
    EXPECT_TRUE(std::regex_match(shown[2], kDateLine)) << shown[2];
    // The bond angle from the nuclei, whose positions the file gives.
    const CVector o = oxygen->GetPosition();
    const CVector h2 = (*std::next(Molecule().GetAtomList().begin()))->GetPosition();
    const CVector h3 = Molecule().GetAtomList().back()->GetPosition();
    const double angle =
        std::acos(((h2 - o) * (h3 - o)) / ((h2 - o).Length() * (h3 - o).Length())) * 180.0 / M_PI;
    const std::string distance = zel::Sprintf("%6.2f", (h2 - o).Length());
    EXPECT_EQ(Lines(shown.begin() + 3, shown.begin() + 6),
              (Lines{"Results for Atom O    1", " ",
                     "Atoms bonded to O    1 (with distance and bond path length)"}));
    // The hydrogens in the order of their bond points, each at the distance
    // of the nuclei.
    const std::string first = shown[6].substr(6, 6), second = shown[7].substr(6, 6);
    EXPECT_EQ((std::set<std::string>{first, second}), (std::set<std::string>{"H    2", "H    3"}));
    for (const std::string& line : {shown[6], shown[7]}) {
        EXPECT_EQ(line.substr(12, 10), " (" + distance + ", ") << line;
        EXPECT_GT(std::stod(line.substr(22)), 1.0) << line;
    }
    EXPECT_EQ(shown[9], "Bond angles and bond path angles (in degree)");
    EXPECT_EQ(shown[10].substr(0, 42), "      " + second + " < O    1 > " + first + ": " +
                                           zel::Sprintf("%6.2f", angle) + "\xC2\xB0, ");
    EXPECT_EQ(shown[12], "Properties integrated over atomic basin of O    1");
    const double rho = oxygen->m_ResultsA.Results[0];
    EXPECT_EQ(shown[25], zel::Sprintf("      Rho   %18.10le      Charge  %18.10le", rho, 8.0 - rho));

    // Saved and opened again: the same record, byte for byte.
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("water.zlm")).toStdString();
    ASSERT_TRUE(m_doc.OnSaveDocument(path));
    const std::string before = m_view->GetLines().ToText();
    ASSERT_TRUE(m_doc.OnOpenDocument(path));
    ASSERT_EQ(Molecule().GetAtomList().size(), 3u);
    Molecule().SetCurrentAtom(Molecule().GetAtomList().front().get());
    ASSERT_TRUE(m_view->OnCommand(cmd::RecordAtom));
    EXPECT_EQ(m_view->GetLines().ToText(), before);

    // ASCII-Output writes the record as UTF-8 text, lines ending in CR LF.
    const std::string text = folder.filePath(QStringLiteral("atom.txt")).toStdString();
    m_chooserService.PushAnswer(text);
    ASSERT_TRUE(m_view->OnCommand(cmd::FileAsciiOutput));
    std::ifstream written(text, std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    std::string crlf;
    for (char c : before)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(contents, crlf);
    EXPECT_NE(contents.find("\xC2\xB0, "), std::string::npos);

    // Without a current atom the record says so.
    Molecule().SetCurrentAtom(nullptr);
    m_view->OnRecordAtom();
    EXPECT_EQ(m_view->GetLines().Lines(), Lines{"No current atom!"});
}
