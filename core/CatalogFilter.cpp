#include "core/CatalogFilter.h"

#include "engine/text/Win1251.h"

namespace core {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return text::Upper(text).find(text::Upper(part)) != std::string::npos;
}

constexpr char kNoRecord[] = "ID<>ID";

}  // namespace

const std::vector<PriceKeyCaption>& PriceFilterKeys() {
    static const std::vector<PriceKeyCaption> keys = {
        {kPriceDown, QStringLiteral("Цена снижена")},
        {kPriceUp, QStringLiteral("Цена повышена")},
        {kPriceNew, QStringLiteral("Новинка")},
        {kPriceAnyChange, QStringLiteral("Любое изменение")},
    };
    return keys;
}

CatalogFilterResult BuildCatalogFilter(const std::vector<FilterCell>& cells) {
    CatalogFilterResult result;
    for (const FilterCell& cell : cells) {
        if (cell.text.empty()) continue;
        if (ContainsNoCase(cell.fieldName, "CENA")) {
            result.priceFilterField = cell.fieldName;
            int key = 0;
            bool isNumber = false;
            if (cell.key && !cell.key->empty())
                key = QString::fromLatin1(cell.key->c_str()).trimmed().toInt(&isNumber);
            if (!isNumber) {
                // A price text naming no key keeps nothing.
                result.filter = kNoRecord;
                result.priceFilterKey.reset();
                return result;
            }
            result.priceFilterKey = key;
            continue;
        }
        if (!result.filter.empty()) result.filter += " AND ";
        if (cell.keyField != cell.listField) {
            if (!cell.key || cell.key->empty()) {
                // The price key chosen before this cell stays in force; no
                // record passes anyway.
                result.filter = kNoRecord;
                return result;
            }
            result.filter += cell.keyField + " = '" + *cell.key + "'";
        } else {
            result.filter += cell.keyField + " LIKE '" + QuoteFilterText(cell.text) + "*'";
        }
    }
    return result;
}

std::string QuoteFilterText(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted;
}

int PriceChangeCategory(int flags, std::string_view priceFilterField) {
    if (flags & kFlagNew) return kPriceNew;
    if (priceFilterField == "CENA" && (flags & (kFlagUp | kFlagDown)))
        return (flags & kFlagUp) ? kPriceUp : kPriceDown;
    return -1;
}

bool PassesPriceFilter(int flags, int priceFilterKey, std::string_view priceFilterField) {
    const int category = PriceChangeCategory(flags, priceFilterField);
    if (priceFilterKey == kPriceAnyChange) return category >= 0;
    return category == priceFilterKey;
}

int PriceMarkerImage(int flags) {
    if (flags & kFlagNew) return 4;
    if (flags & (kFlagUp | kFlagDown)) return (flags & kFlagUp) ? 3 : 2;
    return 0;
}

}  // namespace core
