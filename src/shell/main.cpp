// Zelmora: topological analysis of molecular electron densities.

#include <QApplication>

#include "shell/ZelmoraApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("QXR-Software"));
    QApplication::setApplicationName(QStringLiteral("Zelmora"));

    CZelmoraApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments)) return 1;
    return application.exec();
}
