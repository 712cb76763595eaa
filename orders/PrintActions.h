// PrintActions: printing and spreadsheet export of the main window's two
// grids, the active order (DBGridEhOrder) and the catalog view
// (DBGridEhPriceList):
//
//   ActionPrintOrder          print preview of the active order, with the
//                             customer's requisites read from the settings
//   ActionPrintPrice          print preview of the catalog view, with the
//                             filter-row conditions in force
//   ActionSaveOrderPdf        the order's printout as a PDF file
//   ActionSavePricePdf        the catalog's printout as a PDF file
//   ActionExportPriceToExcel  the catalog view as a spreadsheet file, opened
//   ExportOrderToXls          the spreadsheet branch of ActionSaveOrderAs
//
// A printout of very many pages (the whole of a large catalog) is asked
// about before it is shown or written, with the pages of its layout (laid
// out as far as the limit, the rest estimated from that part).
//
// The two printouts share one print component (PrintDBGridEh): the texts
// one of them sets stay until the other replaces them. The PDF commands set
// the same texts as their print commands and need no printer.
//
// Every message box and file dialog goes through ui::Prompter; opening a
// file with its program goes through the platform layer. The preview and
// the printer check are replaceable so that tests see the printout instead
// of a modal window.
//
// Ownership: refers to the data module and the two panels, which outlive
// it.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "core/DataModule.h"
#include "orders/PrintGrid.h"

class QPrinter;
class QWidget;

namespace ui {
class DataGrid;
}

namespace orders {

class CatalogView;
class OrderTabs;
class Printout;

// "price<yyyymmdd>.xls" for a catalog file modified at `secondsSinceEpoch`
// (the local date).
QString PriceXlsFileName(int64_t secondsSinceEpoch);

// A printout of more pages than this is only made after the user agreed:
// previewing tens of thousands of pages takes minutes and much memory (a
// whole large catalog), and so much paper is rarely meant.
inline constexpr int kLargePrintoutPages = 500;

class PrintActions {
  public:
    PrintActions(core::DataModule& dm, orders::OrderTabs& orders, orders::CatalogView& catalog,
                 QWidget* window);

    // The shared print component's texts.
    TGridPrintSettings& PrintDBGridEh() { return print_; }

    // Whether a printer is installed (default: the system's printers).
    std::function<bool()> hasPrinter;
    // Shows the print preview of the printout, laid out on `printer`
    // (default: the modal preview window).
    std::function<void(orders::Printout& printout, QPrinter& printer)> showPreview;
    // The pages above which a printout is asked about first.
    int largePrintoutPages = kLargePrintoutPages;

    // "Нет установленных принтеров." without a printer; nothing without an
    // order; else the preview of the order with the title "Заказ '<tab>'"
    // and the four requisites lines read from the settings file now.
    void ActionPrintOrderExecute();
    // "Нет установленных принтеров." without a printer; else the preview
    // of the catalog view titled "Каталог <web text> от <catalog date and
    // time>", with one line "- <label>: <condition>" per filter cell in use.
    // `webText` is what follows "Открыть сайт " in the web entry's caption.
    void ActionPrintPriceExecute(const QString& webText);
    // The same printouts as PDF files: the save dialog (a ".pdf" name
    // proposed in the program folder), ".pdf" forced, the overwrite
    // question, the file written whole or not at all.
    void ActionSaveOrderPdfExecute();
    void ActionSavePricePdfExecute(const QString& webText);
    // The save dialog titled `dialogTitle` proposing price<yyyymmdd>.xls
    // in the program folder, ".xls" forced, the overwrite question, the
    // export under the busy cursor, then the file opened with its program
    // ("Не удается открыть файл '%s'." when it cannot be).
    void ActionExportPriceToExcelExecute(const QString& dialogTitle);
    // The order grid written to `path` (already chosen and confirmed),
    // then opened with its program.
    void ExportOrderToXls(const QString& path);

    // The texts the order print sets (steps shared with the PDF command).
    void SetOrderTexts();
    // The texts the catalog print sets.
    void SetPriceTexts(const QString& webText);

  private:
    // Writes the grid to `path` under the busy cursor and opens it. A view
    // with too many rows is refused (a warning box) before anything is
    // written; a write failure shows the error box and leaves an existing
    // file as it was.
    void ExportAndOpen(ui::DataGrid& grid, const QString& path);
    // The printout of `grid` laid out for the printer, then the preview.
    void Preview(ui::DataGrid& grid);
    // Asks for a PDF path and writes the printout of `grid` there.
    void SavePdf(ui::DataGrid& grid, const QString& caption, const QString& proposedName);
    // True when `path` does not exist or the user agreed to replace it.
    static bool MayWrite(const QString& path);
    // True unless the printout of `rows` rows, laid out on `pages` pages,
    // takes more than largePrintoutPages and the user declined to go on.
    bool ConfirmLargePrintout(int pages, int rows) const;

    core::DataModule& dm_;
    orders::OrderTabs& orders_;
    orders::CatalogView& catalog_;
    QWidget* window_;
    TGridPrintSettings print_;
};

}  // namespace orders
