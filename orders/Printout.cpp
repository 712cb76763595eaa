#include "orders/Printout.h"

#include <QMarginsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "orders/PrintLayout.h"

namespace orders {

namespace {

void PaintPages(const TGridPageLayout& layout, QPagedPaintDevice& device) {
    QPainter painter(&device);
    for (int page = 0; page < layout.PageCount(); ++page) {
        if (page > 0) device.newPage();
        layout.Paint(painter, page);
    }
    painter.end();
}

}  // namespace

bool PrinterInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void SetupPrintPage(const TGridPrintSettings& settings, QPagedPaintDevice& device,
                    QPageLayout::Orientation orientation) {
    const double m = settings.marginMm;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(m, m, m, m),
                                     QPageLayout::Millimeter));
}

// ---- Printout ----

Printout::Printout(const TGridPrintSettings& settings, const TPrintTable& table)
    : settings_(settings), table_(table) {}

Printout::~Printout() = default;

int Printout::PageCount() const {
    return layout_ ? layout_->EstimatedPageCount() : 0;
}

void Printout::LayOutAsSet(QPagedPaintDevice& device, int pageLimit) {
    layout_.reset();
    if (!measure_ || !measure_->Fits(device))
        measure_ = std::make_unique<TPrintMeasure>(settings_, table_, device);
    layout_ =
        std::make_unique<TGridPageLayout>(settings_, table_, device, measure_.get(), pageLimit);
    device_ = &device;
    page_ = device.pageLayout();
    resolution_ = device.logicalDpiX();
}

int Printout::LayOut(QPagedPaintDevice& device, int pageLimit) {
    // A wide table often takes fewer pages across the sheet: its rows wrap
    // less, although fewer of them fit a page.
    SetupPrintPage(settings_, device, QPageLayout::Landscape);
    LayOutAsSet(device, pageLimit);
    std::unique_ptr<TGridPageLayout> landscape = std::move(layout_);
    SetupPrintPage(settings_, device, QPageLayout::Portrait);
    LayOutAsSet(device, pageLimit);
    if (landscape->EstimatedPageCount() < layout_->EstimatedPageCount()) {
        SetupPrintPage(settings_, device, QPageLayout::Landscape);
        layout_ = std::move(landscape);
        page_ = device.pageLayout();
    }
    return PageCount();
}

int Printout::Paint(QPagedPaintDevice& device) {
    if (!layout_ || !layout_->Complete() || device_ != &device || !(device.pageLayout() == page_) ||
        device.logicalDpiX() != resolution_)
        LayOutAsSet(device, 0);
    PaintPages(*layout_, device);
    return layout_->PageCount();
}

// ---- PDF ----

TPdfPrintout::TPdfPrintout(const TGridPrintSettings& settings, const TPrintTable& table,
                           int pageLimit)
    : buffer_(&bytes_), printout_(settings, table) {
    buffer_.open(QIODevice::WriteOnly);
    writer_ = std::make_unique<QPdfWriter>(&buffer_);
    writer_->setResolution(600);
    writer_->setTitle(settings.title);
    writer_->setCreator(QStringLiteral("Заявка по каталогу"));
    printout_.LayOut(*writer_, pageLimit);
}

TPdfPrintout::~TPdfPrintout() = default;

QByteArray TPdfPrintout::Bytes() {
    if (writer_) {
        printout_.Paint(*writer_);
        writer_.reset();  // writes the end of the file
        buffer_.close();
    }
    return bytes_;
}

int PaintPrintout(const TGridPrintSettings& settings, const TPrintTable& table,
                  QPagedPaintDevice& device) {
    const TGridPageLayout layout(settings, table, device);
    PaintPages(layout, device);
    return layout.PageCount();
}

QByteArray PrintoutToPdf(const TGridPrintSettings& settings, const TPrintTable& table) {
    return TPdfPrintout(settings, table).Bytes();
}

// ---- preview ----

void ShowPrintPreview(orders::Printout& printout, QPrinter& printer, QWidget* parent) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&printout](QPrinter* target) { printout.Paint(*target); });
    dialog.exec();
}

}  // namespace orders
