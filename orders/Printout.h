// The grid printout on real devices: Printout (a printout laid out once
// in the orientation that takes fewer pages, then painted on a printer, in
// the print preview or into a PDF file, all by the same drawing), the print
// preview window (a thin shell over Qt's preview dialog, with printing and
// page set-up), and the printer check.
//
// What goes on each page is TGridPageLayout's (orders/PrintLayout.h).
//
// Thread safety: GUI thread only.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QPageLayout>
#include <memory>

#include "orders/PrintGrid.h"

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QWidget;

namespace orders {

class TGridPageLayout;
class TPrintMeasure;

// True when the system has at least one printer installed.
bool PrinterInstalled();

// A4 with the settings' margins, in millimetres, portrait unless
// `orientation` says otherwise.
void SetupPrintPage(const TGridPrintSettings& settings, QPagedPaintDevice& device,
                    QPageLayout::Orientation orientation = QPageLayout::Portrait);

// A printout: its texts and table, and its layout on the device it was
// last laid out on.
class Printout {
  public:
    // The table's cell function must stay valid while the printout lives.
    Printout(const TGridPrintSettings& settings, const TPrintTable& table);
    ~Printout();

    const TGridPrintSettings& Settings() const { return settings_; }
    const TPrintTable& Table() const { return table_; }

    // Sets up the page of `device` (SetupPrintPage) in the orientation
    // whose layout takes fewer pages (portrait when both take as many) and
    // keeps that layout. With a `pageLimit` above 0 a layout stops once it
    // has more pages than that, and the pages of the whole printout are
    // estimated from the part laid out. Returns PageCount().
    int LayOut(QPagedPaintDevice& device, int pageLimit = 0);
    // The pages of the kept layout (estimated when it stopped at its page
    // limit); 0 before LayOut.
    int PageCount() const;
    // Paints every page on `device` as its page is set now, laid out again
    // unless it is the device, page and resolution of the kept, complete
    // layout. Returns the number of pages.
    int Paint(QPagedPaintDevice& device);

  private:
    // Lays out on `device` as its page is set now (the measure reused when
    // it fits) and keeps the layout.
    void LayOutAsSet(QPagedPaintDevice& device, int pageLimit);

    TGridPrintSettings settings_;
    TPrintTable table_;
    std::unique_ptr<TPrintMeasure> measure_;
    std::unique_ptr<TGridPageLayout> layout_;
    const QPagedPaintDevice* device_ = nullptr;
    QPageLayout page_;
    int resolution_ = 0;
};

// A printout as a PDF file made in memory (A4 in the orientation that takes
// fewer pages; texts stay text, with the fonts embedded): laid out when
// made, so that its pages are known before it is painted.
class TPdfPrintout {
  public:
    // `pageLimit` as for Printout::LayOut.
    TPdfPrintout(const TGridPrintSettings& settings, const TPrintTable& table, int pageLimit = 0);
    ~TPdfPrintout();
    int PageCount() const { return printout_.PageCount(); }
    // Paints the pages and returns the file's bytes. Call once.
    QByteArray Bytes();

  private:
    QByteArray bytes_;
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    orders::Printout printout_;
};

// Lays the printout out on `device` as its page is set now and paints every
// page on it. Returns the number of pages.
int PaintPrintout(const TGridPrintSettings& settings, const TPrintTable& table,
                  QPagedPaintDevice& device);

// TPdfPrintout's bytes.
QByteArray PrintoutToPdf(const TGridPrintSettings& settings, const TPrintTable& table);

// The modal print preview of `printout` on `printer`, which it was laid
// out on: pages, zoom, printing and page set-up; the pages are laid out
// again after the page is set up.
void ShowPrintPreview(orders::Printout& printout, QPrinter& printer, QWidget* parent);

}  // namespace orders
