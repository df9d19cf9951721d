#pragma once

#include <memory>
// The printer the application prints on, kept between print jobs so Print
// Setup's choices (printer, paper, orientation) last for the session. Null
// while no application has set one; callers then print on a printer of their
// own.

class QPrinter;

QPrinter* GetSharedPrinter();
void SetSharedPrinter(QPrinter* printer);

class QPageSetupDialog;
class QWidget;

// File > Print Setup's dialog on the printer. Without a native printer the
// printer writes PDF files; Qt's page setup serves those as well but says on
// stderr that it is meant for native printers only, which is not so here:
// that one message is kept off stderr.
std::unique_ptr<QPageSetupDialog> MakePageSetupDialog(QPrinter* printer, QWidget* parent);
