#include "GuiTestSupport.h"

#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <thread>

namespace zel::test {

std::vector<std::string> ListLines(const QListWidget* list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list->count(); ++i)
        lines.push_back(list->item(i)->text().toStdString());
    return lines;
}

QApplication& App() {
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
