#include "core/GridXlsExport.h"

#include <cmath>
#include <span>

#include "core/WriteTarget.h"
#include "core/XlsWriter.h"
#include "engine/dataset/Field.h"
#include "platform/Platform.h"

namespace core {

namespace {

// A 64-bit integer field is not among them: spreadsheet programs get its
// display text, as for every type the format has no cell kind for.
bool IsIntegerType(ridov::DataType t) {
    using ridov::DataType;
    return t == DataType::SmallInt || t == DataType::Word || t == DataType::Integer ||
           t == DataType::AutoInc;
}

bool IsNumberType(ridov::DataType t) {
    return t == ridov::DataType::Float || t == ridov::DataType::Currency;
}

double AsDouble(const ridov::Variant& v) {
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<int64_t>(&v)) return double(*i);
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return 0;
}

int64_t AsInt(const ridov::Variant& v) {
    if (auto* i = std::get_if<int64_t>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) return std::fabs(*d) < 9.2e18 ? int64_t(*d) : 0;
    if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return 0;
}

}  // namespace

XlsRowLimitError::XlsRowLimitError(long rowsIn, long limitIn)
    : std::runtime_error("Таблица содержит " + std::to_string(rowsIn) +
                         " строк вместе с заголовком и итогами, а файл Excel вмещает не более " +
                         std::to_string(limitIn) +
                         ". Сузьте каталог фильтром и повторите экспорт."),
      rows(rowsIn),
      limit(limitIn) {}

long XlsRowsNeeded(const ridov::DataSet& dataSet, const XlsSheet& sheet) {
    return 1 + long(dataSet.RowCount()) + (sheet.footerRow ? 1 : 0);
}

std::string BuildGridXls(const ridov::DataSet& dataSet, const XlsSheet& sheet) {
    const int records = dataSet.RowCount();
    const long rows = XlsRowsNeeded(dataSet, sheet);
    if (rows > XlsWriter::kMaxRows) throw XlsRowLimitError(rows, XlsWriter::kMaxRows);

    const std::vector<XlsColumn>& columns = sheet.columns;
    XlsWriter out(int(columns.size()));
    // About 20 bytes a cell: a number is 18, a short text a little more.
    out.Reserve(size_t(rows) * columns.size() * 20);
    for (const XlsColumn& c : columns) out.Text(c.title);

    // Sums are kept in whole ten-thousandths: each value is rounded to four
    // decimals before it is added, so the total equals the sum of what the
    // lines show at that precision. A double holds such whole numbers
    // exactly up to 2^53 and never overflows; values that are no number
    // are left out.
    std::vector<double> sums(columns.size(), 0);
    std::vector<int64_t> counts(columns.size(), 0);
    ridov::Variant value;
    std::string text;
    for (int row = 0; row < records; ++row) {
        for (size_t i = 0; i < columns.size(); ++i) {
            const XlsColumn& c = columns[i];
            if (c.footer == FooterKind::Count) ++counts[i];
            if (c.footer == FooterKind::Sum) {
                const ridov::Field* f = c.footerField ? c.footerField : c.field;
                if (f && dataSet.ReadCell(row, *f, value) && !ridov::IsNull(value)) {
                    const double v = AsDouble(value);
                    if (std::isfinite(v)) sums[i] += std::round(v * 10000.0);
                }
            }
            if (c.rowNumber) {
                out.Integer(row + 1);
            } else if (c.field != nullptr && IsNumberType(c.field->Type())) {
                // A float without a value reads 0, as the dataset's float
                // fields do (a calculated sum left unset included).
                const bool read = dataSet.ReadCell(row, *c.field, value);
                out.Number(read && !ridov::IsNull(value) ? AsDouble(value) : 0.0);
            } else if (c.field == nullptr) {
                out.Empty();
            } else if (IsIntegerType(c.field->Type())) {
                if (dataSet.ReadCell(row, *c.field, value) && !ridov::IsNull(value))
                    out.Integer(AsInt(value));
                else
                    out.Empty();
            } else if (dataSet.ReadCellText(row, *c.field, text) && !text.empty()) {
                // Read as the text alone: a null value shows an empty text.
                out.Text(text);
            } else {
                out.Empty();
            }
        }
    }
    if (sheet.footerRow) {
        for (size_t i = 0; i < columns.size(); ++i) {
            switch (columns[i].footer) {
                case FooterKind::Sum:
                    out.Number(sums[i] / 10000.0);
                    break;
                case FooterKind::Count:
                    out.Number(double(counts[i]));
                    break;
                case FooterKind::Text:
                    out.Text(columns[i].footerText);
                    break;
                case FooterKind::None:
                    out.Text("");
                    break;
            }
        }
    }
    out.Finish();
    return out.TakeBytes();
}

void ExportGridToXls(const ridov::DataSet& dataSet, const XlsSheet& sheet,
                     const std::string& path) {
    core::CheckWriteTarget(path);
    std::string bytes = BuildGridXls(dataSet, sheet);
    std::string error;
    if (!platform::CurrentPlatform().WriteFileAtomically(
            path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), error))
        throw std::runtime_error(error);
}

}  // namespace core
