// The grid printout on real devices: the print preview window (a thin shell
// over Qt's preview dialog, with printing and page set-up), the printer
// check, and the same printout written as PDF without any printer.
//
// What goes on each page is TGridPageLayout's (orders/PrintLayout.h).
//
// Thread safety: GUI thread only.
#pragma once

#include <QByteArray>

#include "orders/PrintGrid.h"

class QPagedPaintDevice;
class QWidget;

namespace orders {

// True when the system has at least one printer installed.
bool PrinterInstalled();

// A4 portrait with the settings' margins, in millimetres.
void SetupPrintPage(const TGridPrintSettings& settings, QPagedPaintDevice& device);

// Lays the printout out on `device` as its page is set now and paints every
// page on it. Returns the number of pages.
int PaintPrintout(const TGridPrintSettings& settings, const TPrintTable& table,
                  QPagedPaintDevice& device);

// The printout as the bytes of a PDF file (A4, see SetupPrintPage); texts
// stay text, with the fonts embedded.
QByteArray PrintoutToPdf(const TGridPrintSettings& settings, const TPrintTable& table);

// The modal print preview: pages, zoom, printing and page set-up; the
// pages are laid out again after the page is set up.
void ShowPrintPreview(const TGridPrintSettings& settings, const TPrintTable& table,
                      QWidget* parent);

}  // namespace orders
