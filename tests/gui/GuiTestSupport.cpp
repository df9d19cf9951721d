#include "GuiTestSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/qt/Dialog.h"

namespace zel::test {

std::vector<std::string> ListLines(const QAbstractItemView* list) {
    std::vector<std::string> lines;
    const QAbstractItemModel* model = list ? list->model() : nullptr;
    if (!model) return lines;
    for (int i = 0; i < model->rowCount(); ++i)
        lines.push_back(model->index(i, 0).data().toString().toStdString());
    return lines;
}

QApplication& App() {
    static QApplication* app = [] {
        // A display given (the window tests under Xvfb) is used; else offscreen.
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "zelmora_gui_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds guard) {
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

namespace {

// The text as drawn: without the '&' of an access key ("&&" is one '&').
QString Drawn(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : Drawn(text).split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

std::string Describe(const QWidget* control, const QString& text, int need, int have) {
    return std::string(control->metaObject()->className()) + " \"" + text.toStdString() + "\": needs " +
           std::to_string(need) + " px, has " + std::to_string(have);
}

} // namespace

std::vector<std::string> LayoutFaults(const zel::CDialog& dialog, double spare) {
    std::vector<std::string> faults;
    const QRect inside = dialog.rect();
    const auto room = [spare](int need) { return static_cast<int>(std::ceil(need * spare)); };
    for (QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow()) continue;
        const QFontMetrics metrics = control->fontMetrics();
        QStyle* style = control->style();
        const int width = control->width();
        if (!inside.contains(control->geometry()))
            faults.push_back(std::string(control->metaObject()->className()) + " lies outside the dialog");
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            const int need = room(WidestLine(metrics, button->text())) +
                             style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) + frame;
            const int lines = static_cast<int>(button->text().count(QLatin1Char('\n'))) + 1;
            if (need > width) faults.push_back(Describe(button, button->text(), need, width));
            if (lines * metrics.height() + frame > button->height())
                faults.push_back(Describe(button, button->text() + " (height)", lines * metrics.height() + frame,
                                          button->height()));
        } else if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control)) {
            const auto* box = static_cast<QAbstractButton*>(control);
            const int need = box->sizeHint().width() + room(metrics.horizontalAdvance(Drawn(box->text()))) -
                             metrics.horizontalAdvance(Drawn(box->text()));
            if (need > width) faults.push_back(Describe(box, box->text(), need, width));
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            const int need = room(WidestLine(metrics, group->title())) + 2 * metrics.averageCharWidth();
            if (need > width) faults.push_back(Describe(group, group->title(), need, width));
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            const QString text = label->text();
            int widestWord = 0;
            for (const QString& word : Drawn(text).split(QRegularExpression(QStringLiteral("\\s+"))))
                widestWord = std::max(widestWord, room(metrics.horizontalAdvance(word)));
            if (widestWord > width) faults.push_back(Describe(label, text, widestWord, width));
            const int need = label->wordWrap() ? label->heightForWidth(static_cast<int>(width / spare))
                                               : metrics.height();
            if (need > label->height()) faults.push_back(Describe(label, text + " (height)", need, label->height()));
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            const int id = dialog.GetDlgCtrlID(edit);
            if (dialog.ControlStyle(id) & zel::ctl::kReal) {
                const QMargins margins = edit->textMargins();
                const int need = room(metrics.horizontalAdvance(QString::fromLatin1(zel::kWidestRealText))) + 2 * 2 +
                                 margins.left() + margins.right() +
                                 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
                if (need > width)
                    faults.push_back(Describe(edit, QStringLiteral("real field %1").arg(id), need, width));
            }
        }
    }
    return faults;
}

void ExpectFocusInside(QWidget* window) {
    QWidget* focus = QApplication::focusWidget();
    QWidget* chosen = window->focusWidget();
    EXPECT_TRUE(chosen && window->isAncestorOf(chosen))
        << window->windowTitle().toStdString() << " opened without a control that has the keyboard focus";
    if (focus) {
        EXPECT_TRUE(focus->window() == window)
            << "the keyboard focus is in " << focus->window()->windowTitle().toStdString() << ", not in "
            << window->windowTitle().toStdString();
    }
}

ScopedTestSettings::ScopedTestSettings() {
    App();
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
}

ScopedTestSettings::~ScopedTestSettings() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

} // namespace zel::test
