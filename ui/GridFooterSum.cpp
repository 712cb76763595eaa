#include "ui/GridFooterSum.h"

#include <string>
#include <variant>

#include "engine/dataset/DataSet.h"
#include "ui/Win1251Text.h"

namespace ui {

namespace {

double NumberOf(const ridov::Variant& value, const text::FormatSettings& fs) {
    if (const auto* i = std::get_if<int64_t>(&value)) return double(*i);
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
    if (const auto* s = std::get_if<std::string>(&value)) {
        double parsed = 0;
        return text::TryStrToFloat(*s, parsed, fs) ? parsed : 0;
    }
    return 0;
}

}  // namespace

double SumOfField(const ridov::DataSet& dataSet, const ridov::Field& field) {
    double sum = 0;
    ridov::Variant value;
    const int rows = dataSet.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (dataSet.ReadCell(row, field, value)) sum += NumberOf(value, dataSet.Format());
    }
    return sum;
}

QString FooterSumText(double sum, std::string_view pattern, const text::FormatSettings& fs) {
    return FromWin1251(pattern.empty() ? text::FloatToStr(sum, fs)
                                       : text::FormatFloat(pattern, sum, fs));
}

}  // namespace ui
