#include "shell/Printing.h"

namespace {
QPrinter* g_pSharedPrinter = nullptr; // owned by the application
}

QPrinter* GetSharedPrinter() {
    return g_pSharedPrinter;
}

void SetSharedPrinter(QPrinter* printer) {
    g_pSharedPrinter = printer;
}
