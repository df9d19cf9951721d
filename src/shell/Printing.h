#pragma once
// The printer the application prints on, kept between print jobs so Print
// Setup's choices (printer, paper, orientation) last for the session. Null
// while no application has set one; callers then print on a printer of their
// own.

class QPrinter;

QPrinter* GetSharedPrinter();
void SetSharedPrinter(QPrinter* printer);
