#include "engine/dataset/Params.h"

#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

bool IsNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
           u >= 0x80;
}

}  // namespace

Param& Params::Add(std::string_view name) {
    if (Param* p = FindParam(name)) return *p;
    params_.emplace_back();
    params_.back().name = std::string(name);
    return params_.back();
}

Param* Params::FindParam(std::string_view name) {
    std::string wanted = text::Upper(name);
    for (Param& p : params_)
        if (text::Upper(p.name) == wanted) return &p;
    return nullptr;
}

const Param* Params::FindParam(std::string_view name) const {
    return const_cast<Params*>(this)->FindParam(name);
}

Param& Params::ParamByName(std::string_view name) {
    Param* p = FindParam(name);
    if (p == nullptr) throw DatabaseError("Parameter '" + std::string(name) + "' not found");
    return *p;
}

std::string Params::ParseSQL(std::string_view sql, bool create, std::vector<std::string>* names) {
    std::string out;
    out.reserve(sql.size());
    char quote = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (quote) {
            // A doubled quote closes and reopens: the text stays quoted.
            if (c == quote) quote = 0;
            out += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && sql[i + 1] == ':') {
            out += ':';
            ++i;
            continue;
        }
        if (c == ':' && i + 1 < sql.size() && IsNameChar(sql[i + 1])) {
            size_t end = i + 1;
            while (end < sql.size() && IsNameChar(sql[end])) ++end;
            std::string name(sql.substr(i + 1, end - i - 1));
            if (create) Add(name);
            if (names) names->push_back(name);
            out += '?';
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace ridov
