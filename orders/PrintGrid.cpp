#include "orders/PrintGrid.h"

#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"

namespace orders {

QString PageText(const QString& pattern, int page) {
    QString text = pattern;
    return text.replace(QStringLiteral("&[Page]"), QString::number(page));
}

TPrintTable PrintTableOfGrid(ui::DataGrid& grid) {
    TPrintTable table;
    const ui::DatasetModel& model = grid.Model();
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        TPrintTable::Column column;
        column.title = model.ColumnTitle(c);
        column.displayWidth = model.ColumnDisplayWidth(c);
        column.alignment = model.ColumnAlignment(c) & Qt::AlignHorizontal_Mask;
        table.columns.push_back(column);
    }
    table.rowCount = model.rowCount();
    table.cell = [&model](int row, int column) { return model.CellText(row, column); };
    if (grid.FooterVisible()) {
        grid.UpdateFooter();
        for (int c = 0; c < grid.ColumnCount(); ++c) table.footer << grid.FooterText(c);
    }
    return table;
}

}  // namespace orders
