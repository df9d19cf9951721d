#include "shell/Printing.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <QtGlobal>

namespace {
QPrinter* g_pSharedPrinter = nullptr; // owned by the application
}

QPrinter* GetSharedPrinter() {
    return g_pSharedPrinter;
}

void SetSharedPrinter(QPrinter* printer) {
    g_pSharedPrinter = printer;
}

namespace {

QtMessageHandler g_previousHandler = nullptr;

void DropNonNativeWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message == QLatin1String("QPageSetupDialog: Cannot be used on non-native printers"))
        return;
    if (g_previousHandler) g_previousHandler(type, context, message);
}

} // namespace

std::unique_ptr<QPageSetupDialog> MakePageSetupDialog(QPrinter* printer, QWidget* parent) {
    g_previousHandler = qInstallMessageHandler(DropNonNativeWarning);
    auto dialog = std::make_unique<QPageSetupDialog>(printer, parent);
    qInstallMessageHandler(g_previousHandler);
    g_previousHandler = nullptr;
    return dialog;
}
