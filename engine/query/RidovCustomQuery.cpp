#include "engine/query/RidovCustomQuery.h"

#include "engine/query/ParamSubstitution.h"
#include "engine/storage/DatabaseError.h"

namespace ridov {

TRidovCustomQuery::TRidovCustomQuery() = default;
TRidovCustomQuery::~TRidovCustomQuery() = default;

void TRidovCustomQuery::SetSQL(std::vector<std::string> lines) {
    if (lines == sql_) return;
    Close();
    Unprepare();
    sql_ = std::move(lines);
    ReadParams();
}

void TRidovCustomQuery::SetSQLText(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        text.remove_prefix(end + 1);
    }
    SetSQL(std::move(lines));
}

std::string TRidovCustomQuery::SQLText() const {
    std::string text;
    for (size_t i = 0; i < sql_.size(); ++i) {
        if (i) text += "\r\n";
        text += sql_[i];
    }
    return text;
}

void TRidovCustomQuery::ReadParams() {
    names_.clear();
    if (loading_) {
        Params scratch;
        preparedText_ = scratch.ParseSQL(SQLText(), false, &names_);
        return;
    }
    Params fresh;
    preparedText_ = fresh.ParseSQL(SQLText(), true, &names_);
    for (Param& p : fresh) {
        if (const Param* old = params_.FindParam(p.name)) {
            p.dataType = old->dataType;
            p.value = old->value;
        }
    }
    params_ = std::move(fresh);
}

void TRidovCustomQuery::SetLoading(bool loading) {
    loading_ = loading;
}

void TRidovCustomQuery::SetParams(const Params& params) {
    for (Param& p : params_) {
        if (const Param* given = params.FindParam(p.name)) {
            p.dataType = given->dataType;
            p.value = given->value;
        }
    }
}

Param& TRidovCustomQuery::ParamByName(std::string_view name) {
    return params_.ParamByName(name);
}

std::string TRidovCustomQuery::SubstitutedText() const {
    if (sql_.empty()) Fail("SQL statement is empty");
    // Every occurrence of a name takes its parameter's value.
    std::vector<const Param*> values;
    for (const std::string& name : names_) {
        const Param* p = params_.FindParam(name);
        if (p == nullptr) Fail("Parameter '" + name + "' not found");
        values.push_back(p);
    }
    const TRidovDatabase* db = Database();
    // Without a database the locale's own short date format is the one the
    // comparison converts back with.
    std::string dateFormat = db ? db->DateFormat : Format().shortDateFormat;
    return SubstituteParams(preparedText_, values, dateFormat, TRidovDatabase::kDateQuote,
                            Format());
}

void TRidovCustomQuery::Prepare() {
    if (prepared_) return;
    Compile(SubstitutedText());
    prepared_ = true;
}

void TRidovCustomQuery::Unprepare() {
    Release();
    prepared_ = false;
}

}  // namespace ridov
