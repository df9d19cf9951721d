// Every dialog's help topic is a page of the help shipped with the program.

#include "../gui/GuiTestSupport.h"

#include "analysis/Molecule.h"
#include "platform/qt/Help.h"
#include "ui/CritPointDlg.h"
#include "ui/IntegrationDlg.h"
#include "ui/EnvelopeDlgs.h"
#include "ui/MolGraphDlg.h"
#include "ui/OptionDlgs.h"
#include "ui/PopDlg.h"
#include "ui/PropsDlgs.h"
#include "ui/MolGraphPlotDlg.h"
#include "ui/PageSetupDlg.h"
#include "ui/PlaneSetupDlg.h"
#include "ui/ContourPlotDlg.h"
#include "ui/StyleDlgs.h"
#include "ui/SurfacePlotDlg.h"
#include "ui/TextOutDlg.h"
#include "plots/TextOut.h"
#include "ui/SurfIntegDlg.h"

#include <QDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(HelpTopicsTest, EveryDialogsTopicHasAShippedPage) {
    zel::test::App();
    CMolecule molecule;
    std::vector<std::unique_ptr<zel::CDialog>> dialogs;
    dialogs.push_back(std::make_unique<CCritPointDlg>(&molecule));
    dialogs.push_back(std::make_unique<CMolGraphDlg>(&molecule));
    dialogs.push_back(std::make_unique<CPopDlg>(&molecule, CVector(0.0, 0.0, 0.0)));
    dialogs.push_back(std::make_unique<CLAOptionDlg>(CLAOptions{}));
    dialogs.push_back(std::make_unique<CCritOptionDlg>(CCritOptions{}));
    dialogs.push_back(std::make_unique<CDEOptionsDlg>(CDEOptions{}));
    dialogs.push_back(std::make_unique<CIntegOptionsDlg>(CIntegOptions{}));
    dialogs.push_back(std::make_unique<CSurfIntOptionsDlg>(CSurfIntOptions{}));
    dialogs.push_back(std::make_unique<CBasinPropsDlg>(&molecule));
    CAtom atom;
    atom.SetMolecule(&molecule);
    dialogs.push_back(std::make_unique<CIntegrationDlg>(&atom));
    dialogs.push_back(std::make_unique<CSurfacePropsDlg>(&molecule));
    dialogs.push_back(std::make_unique<CSurfIntegDlg>(&molecule, nullptr));
    CMolGraphPlot plot(&molecule);
    dialogs.push_back(std::make_unique<CMolGraphPlotDlg>(&plot));
    dialogs.push_back(std::make_unique<CPageSetupDlg>(&plot));
    dialogs.push_back(std::make_unique<CPlaneSetupDlg>(&plot));
    CContourPlot contour(&molecule);
    dialogs.push_back(std::make_unique<CContourPlotDlg>(&contour));
    dialogs.push_back(std::make_unique<CLineStyleDlg>());
    dialogs.push_back(std::make_unique<CPathStyleDlg>());
    dialogs.push_back(std::make_unique<CPointStyleDlg>());
    CSurfacePlot relief(&molecule);
    dialogs.push_back(std::make_unique<CSurfacePlotDlg>(&relief));
    dialogs.push_back(std::make_unique<CSurfColorDlg>(&relief));
    CTextOutData settings;
    dialogs.push_back(std::make_unique<CTextOutDlg>(&molecule, &settings));
    dialogs.push_back(std::make_unique<CDefEnvGridDlg>());
    dialogs.push_back(std::make_unique<CEnvOptionsDlg>("", &molecule.GetEnvMapOptions(), &molecule));
    const QDir book(QDir(zel::DefaultHelpFolder()).filePath(QStringLiteral("zelmora")));
    for (const auto& dialog : dialogs) {
        const QString page = QString::fromStdString(dialog->HelpTopic()).mid(2); // after "::"
        ASSERT_FALSE(page.isEmpty()) << dialog->TemplateId();
        EXPECT_TRUE(book.exists(page)) << page.toStdString();
    }
}
