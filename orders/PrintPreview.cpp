#include "orders/PrintPreview.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "orders/PrintLayout.h"

namespace orders {

bool PrinterInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void SetupPrintPage(const TGridPrintSettings& settings, QPagedPaintDevice& device) {
    const double m = settings.marginMm;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(m, m, m, m), QPageLayout::Millimeter));
}

int PaintPrintout(const TGridPrintSettings& settings, const TPrintTable& table,
                  QPagedPaintDevice& device) {
    const TGridPageLayout layout(settings, table, device);
    QPainter painter(&device);
    for (int page = 0; page < layout.PageCount(); ++page) {
        if (page > 0) device.newPage();
        layout.Paint(painter, page);
    }
    painter.end();
    return layout.PageCount();
}

QByteArray PrintoutToPdf(const TGridPrintSettings& settings, const TPrintTable& table) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setTitle(settings.title);
        writer.setCreator(QStringLiteral("Заявка по каталогу"));
        SetupPrintPage(settings, writer);
        PaintPrintout(settings, table, writer);
    }
    buffer.close();
    return bytes;
}

void ShowPrintPreview(const TGridPrintSettings& settings, const TPrintTable& table,
                      QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    SetupPrintPage(settings, printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter* target) { PaintPrintout(settings, table, *target); });
    dialog.exec();
}

}  // namespace orders
