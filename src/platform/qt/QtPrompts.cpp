#include "platform/qt/QtPrompts.h"

#include "platform/qt/Dialog.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/UiThread.h"
#include "platform/qt/WindowFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QSpacerItem>
#include <QMessageBox>
#include <QTimer>

namespace zel {

namespace {

QMessageBox::StandardButtons QtButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case PromptButtons::OK:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon QtIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

int Answer(int qtButton, PromptButtons buttons) {
    int answer = 0;
    switch (qtButton) {
    case QMessageBox::Ok:
        answer = IDOK;
        break;
    case QMessageBox::Cancel:
        answer = IDCANCEL;
        break;
    case QMessageBox::Yes:
        answer = IDYES;
        break;
    case QMessageBox::No:
        answer = IDNO;
        break;
    case QMessageBox::Retry:
        answer = IDRETRY;
        break;
    default:
        break;
    }
    if (IsPossibleAnswer(buttons, answer)) return answer;
    // Closed without a button: the box's way out.
    if (IsPossibleAnswer(buttons, IDCANCEL)) return IDCANCEL;
    if (IsPossibleAnswer(buttons, IDNO)) return IDNO;
    return IDOK;
}

int ShowBox(const std::string& text, PromptButtons buttons, PromptIcon icon, QWidget* scoped) {
    // Over the dialog it is asked from, else over the window it belongs to,
    // else over the main window.
    QWidget* owner = DialogOwner(scoped);
    QMessageBox box(QtIcon(icon), QStringLiteral("Zelmora"), QString::fromStdString(text), QtButtons(buttons),
                    owner);
    box.setWindowModality(Qt::ApplicationModal);
    // The box sizes itself to its text; a short text would leave its caption
    // no room in the title bar. The layout's width is the one it keeps.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    // The first button is the default one and has the keyboard focus.
    for (QMessageBox::StandardButton first : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Retry}) {
        if (QAbstractButton* button = box.button(first)) {
            box.setDefaultButton(first);
            button->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    QTimer::singleShot(0, &box, [&box] { ActivateModalWindow(&box); });
    return Answer(box.exec(), buttons);
}

} // namespace

int CQtPromptService::MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    int answer = IDCANCEL;
    QWidget* scoped = ScopedOwner();
    RunOnUiThread([&] { answer = ShowBox(text, buttons, icon, scoped); });
    return answer;
}

} // namespace zel
