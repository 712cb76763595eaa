#include "engine/query/QueryPlan.h"

#include "engine/text/Win1251.h"

namespace ridov {

bool IsValidIdentifier(std::string_view s) {
    if (s.empty()) return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(s[0])) return false;
    for (char c : s)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (text::UpperChar(a[i]) != text::UpperChar(b[i])) return false;
    return true;
}

int QueryPlan::FindTable(std::string_view alias) const {
    for (size_t i = 0; i < tables.size(); ++i)
        if (SameName(tables[i].alias, alias)) return static_cast<int>(i);
    return -1;
}

TRidovQTable* QueryPlan::OriginTable() {
    if (tables.empty() || !tables[0].origin || !tables[0].fromFile) return nullptr;
    return &tables[0];
}

}  // namespace ridov
