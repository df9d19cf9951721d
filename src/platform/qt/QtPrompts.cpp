#include "platform/qt/QtPrompts.h"

#include "platform/qt/Dialog.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/UiThread.h"

#include <QAbstractButton>
#include <QApplication>
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

int ShowBox(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    // Over the dialog it is asked from, else over the main window.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = MainWidget();
    QMessageBox box(QtIcon(icon), QStringLiteral("Zelmora"), QString::fromStdString(text), QtButtons(buttons),
                    owner);
    box.setWindowModality(Qt::ApplicationModal);
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
    RunOnUiThread([&] { answer = ShowBox(text, buttons, icon); });
    return answer;
}

} // namespace zel
