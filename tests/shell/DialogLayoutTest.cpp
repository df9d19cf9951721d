// Every dialog template of the application laid out at the default font: no
// caption is cut off, every real-number field shows the widest number whole,
// and every control lies inside its dialog.

#include "../gui/GuiTestSupport.h"

#include "platform/qt/Dialog.h"
#include "shell/ZelmoraApp.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(DialogLayoutTest, EveryCaptionOfEveryTemplateFitsItsControl) {
    zel::test::App();
    // The application's dialogs are all linked in through the application.
    [[maybe_unused]] CZelmoraApp* linked = nullptr;
    std::set<int> ids;
    for (const zel::SDialogTemplate* dialogTemplate : zel::RegisteredDialogTemplates()) {
        SCOPED_TRACE("dialog " + std::to_string(dialogTemplate->id) + " \"" + dialogTemplate->caption + "\"");
        ids.insert(dialogTemplate->id);
        zel::CDialog dialog(*dialogTemplate);
        EXPECT_EQ(zel::test::LayoutFaults(dialog, 1.05), std::vector<std::string>{});
    }
    // About, title, point analysis, critical points, the option dialogs, the
    // record, molecular graph and progress dialogs, the 3D view's object
    // dialogs, the page set-up, the molecular-graph plot and the plane set-up,
    // the contour plot and its line, point and path style dialogs, the
    // envelope grid and map dialogs.
    for (int id : {100, 130, 131, 135, 137, 139, 140, 141, 143, 156, 161, 163, 164, 165, 166, 167, 145, 146, 148, 151, 175, 177,
                   183, 185, 187, 181, 182})
        EXPECT_TRUE(ids.count(id)) << "dialog " << id << " is not registered";
    // The relief map, its colours and the text output; the basin integration.
    for (int id : {150, 162, 204, 160})
        EXPECT_TRUE(ids.count(id)) << "dialog " << id << " is not registered";
}

} // namespace
