#include "engine/query/ParamSubstitution.h"

#include <cmath>

namespace ridov {

namespace {

bool IsStringType(const Param& p) {
    switch (p.dataType) {
        case DataType::String:
        case DataType::Memo:
        case DataType::FmtMemo:
            return true;
        case DataType::Unknown:
            return std::holds_alternative<std::string>(p.value);
        default:
            return false;
    }
}

bool IsDateType(DataType t) {
    return t == DataType::Date || t == DataType::Time || t == DataType::DateTime;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string PlainText(const Variant& v, const text::FormatSettings& fs) {
    if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
    if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) return text::FloatToStr(*d, fs);
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return "";
}

double AsDouble(const Variant& v) {
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<int64_t>(&v)) return double(*i);
    return 0;
}

}  // namespace

std::string ParamLiteral(const Param& param, std::string_view dateFormat, char dateQuote,
                         const text::FormatSettings& fs) {
    bool isString = IsStringType(param);
    if (param.IsNull() && !isString) return "Null";
    if (isString) return Quoted(PlainText(param.value, fs));
    if (IsDateType(param.dataType) && !std::holds_alternative<std::string>(param.value)) {
        std::string out(1, dateQuote);
        out += text::FormatDateTime(dateFormat, AsDouble(param.value), fs);
        out += dateQuote;
        return out;
    }
    return PlainText(param.value, fs);
}

std::string SubstituteParams(std::string_view prepared, const std::vector<const Param*>& values,
                             std::string_view dateFormat, char dateQuote,
                             const text::FormatSettings& fs) {
    std::string text(prepared.substr(0, prepared.find('\0')));
    size_t from = 0;
    for (const Param* p : values) {
        size_t at = text.find('?', from);
        if (at == std::string::npos) break;
        std::string literal = ParamLiteral(*p, dateFormat, dateQuote, fs);
        text.replace(at, 1, literal);
        from = at + literal.size();
    }
    return text;
}

}  // namespace ridov
