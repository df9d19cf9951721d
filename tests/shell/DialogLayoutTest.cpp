// Every dialog template of the application laid out at the default font: no
// caption is cut off, every real-number field shows the widest number whole,
// and every control lies inside its dialog.

#include "../gui/GuiTestSupport.h"

#include "platform/qt/Dialog.h"
#include "shell/ZelmoraApp.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QTest>

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

const zel::SDialogTemplate* FindTemplate(int id) {
    for (const zel::SDialogTemplate* dialogTemplate : zel::RegisteredDialogTemplates())
        if (dialogTemplate->id == id) return dialogTemplate;
    return nullptr;
}

// A drop-down list is one line tall, whatever extent its template gives the
// open list, so that it covers no control below it (the Point Style dialog's
// second list, the Line Style dialog's swatch); its list drops down.
TEST(DialogLayoutTest, DropDownListsAreOneLineTallAndCoverNoOtherControl) {
    zel::test::App();
    int combos = 0;
    for (const zel::SDialogTemplate* dialogTemplate : zel::RegisteredDialogTemplates()) {
        SCOPED_TRACE("dialog " + std::to_string(dialogTemplate->id) + " \"" + dialogTemplate->caption + "\"");
        zel::CDialog dialog(*dialogTemplate);
        for (const zel::SControlTemplate& c : dialogTemplate->controls) {
            if (c.kind != zel::ControlKind::ComboBox) continue;
            ++combos;
            auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(c.id));
            ASSERT_NE(combo, nullptr) << c.id;
            EXPECT_EQ(combo->height(), combo->sizeHint().height()) << c.id;
            EXPECT_LE(combo->geometry().bottom(), dialog.height()) << c.id;
            for (const zel::SControlTemplate& other : dialogTemplate->controls) {
                if (&other == &c || other.id == -1 || other.kind == zel::ControlKind::GroupBox) continue;
                const QWidget* widget = dialog.GetDlgItem(other.id);
                if (!widget || widget == combo) continue;
                EXPECT_FALSE(combo->geometry().intersects(widget->geometry()))
                    << "list " << c.id << " covers control " << other.id;
            }
        }
    }
    EXPECT_GE(combos, 3); // the line style's list and the point style's two

    // The Point Style dialog's list opens below its closed box.
    const zel::SDialogTemplate* pointStyle = FindTemplate(185);
    ASSERT_NE(pointStyle, nullptr);
    zel::CDialog dialog(*pointStyle);
    dialog.show();
    QComboBox* combo = dialog.findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    combo->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    combo->showPopup();
    ASSERT_TRUE(zel::test::WaitUntil([&] { return combo->view()->isVisible(); }));
    EXPECT_GT(combo->view()->window()->height(), combo->height());
    combo->hidePopup();
}

// The data-entry dialogs open with the keyboard on their first field, the
// push buttons before it (Page Setup, Plane Setup, Color) passed over, and
// Return there is still the default button's: it ends the dialog with OK.
TEST(DialogLayoutTest, DataEntryDialogsOpenOnTheirFirstFieldAndReturnIsOk) {
    zel::test::App();
    // Contour plot, molecular-graph plot, relief map, text output, plane and
    // page setup.
    for (int id : {151, 146, 150, 204, 148, 145}) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        const zel::SDialogTemplate* dialogTemplate = FindTemplate(id);
        ASSERT_NE(dialogTemplate, nullptr);
        int first = -1;
        for (const zel::SControlTemplate& c : dialogTemplate->controls) {
            using K = zel::ControlKind;
            const bool field = (c.kind == K::Edit && !(c.style & zel::ctl::kReadOnly)) || c.kind == K::CheckBox ||
                               c.kind == K::RadioButton || c.kind == K::ComboBox || c.kind == K::ListBox;
            if (field && !(c.style & (zel::ctl::kDisabled | zel::ctl::kHidden))) {
                first = c.id;
                break;
            }
        }
        ASSERT_NE(first, -1);
        zel::CDialog dialog(*dialogTemplate);
        QWidget* focused = nullptr;
        zel::test::WhenVisible<zel::CDialog>(
            [&](zel::CDialog* shown) {
                focused = shown->focusWidget();
                QTest::keyClick(focused ? focused : shown, Qt::Key_Return);
            },
            [&](zel::CDialog* shown) { return shown == &dialog; });
        EXPECT_EQ(dialog.DoModal(), zel::IDOK);
        EXPECT_EQ(focused, dialog.GetDlgItem(first)) << "expected control " << first << ", focus on "
                                                     << (focused ? dialog.GetDlgCtrlID(focused) : -2);
    }
}

} // namespace
