#include "orders/GridXlsSheet.h"

#include "core/DataModule.h"
#include "engine/dataset/DataSet.h"
#include "engine/dataset/RidovTable.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/Win1251Text.h"

namespace orders {

core::XlsSheet XlsSheetOfGrid(const ui::DataGrid& grid) {
    core::XlsSheet sheet;
    sheet.footerRow = grid.FooterVisible();
    const ridov::DataSet* dataSet = grid.GetDataSet();
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        const ui::GridColumn& column = grid.Column(c);
        core::XlsColumn x;
        x.title = ui::ToWin1251(grid.Model().ColumnTitle(c));
        x.rowNumber = column.rowNumber;
        x.field = column.rowNumber ? nullptr : grid.ColumnField(c);
        if (sheet.footerRow) {
            switch (column.footer) {
                case ui::FooterKind::Text:
                    x.footer = core::FooterKind::Text;
                    x.footerText = ui::ToWin1251(column.footerText);
                    break;
                case ui::FooterKind::Sum:
                    x.footer = core::FooterKind::Sum;
                    if (!column.footerField.empty() && dataSet != nullptr)
                        x.footerField = dataSet->FindField(column.footerField);
                    break;
                case ui::FooterKind::None:
                    break;
            }
        }
        sheet.columns.push_back(std::move(x));
    }
    return sheet;
}

long XlsRowsOfGrid(const ui::DataGrid& grid) {
    const ridov::DataSet* dataSet = grid.GetDataSet();
    return 1 + (dataSet != nullptr ? dataSet->RowCount() : 0) + (grid.FooterVisible() ? 1 : 0);
}

void ExportGridToXls(const ui::DataGrid& grid, const QString& path) {
    const ridov::DataSet* dataSet = grid.GetDataSet();
    // A closed table stands in for a grid without a dataset: no rows.
    const ridov::TRidovTable none;
    ExportGridToXls(dataSet != nullptr ? *dataSet : none, XlsSheetOfGrid(grid),
                    core::DataModule::EnginePath(path));
}

}  // namespace orders
