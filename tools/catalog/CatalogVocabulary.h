// The words the catalog generator builds products from: part kinds with their
// unit and price range, car models, technical details, brand names and stock
// texts. All texts are Windows-1251, converted once from the UTF-8 lists in
// the source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace catalog {

struct PartKind {
    std::string name;  // "Фильтр масляный", "Колодки тормозные передние", ...
    std::string unit;  // EDIZM of the product
    int32_t minRub;    // price range in roubles, minRub > 0
    int32_t maxRub;
    bool forModel;  // true when the name is completed with a car model
};

struct Vocabulary {
    std::vector<PartKind> parts;
    std::vector<std::string> models;  // "ВАЗ 2110", "Газель", "Ford Focus", ...
    std::vector<std::string> specs;   // "1.6 16V", "усиленный", "с ABS", ...
    // A few hundred distinct names, each at most 40 characters. A brand's
    // number (IDBREND) is derived from its position here, so the list never
    // changes order.
    std::vector<std::string> brands;
};

// The one vocabulary; built on first use. Thread-safe.
const Vocabulary& CatalogVocabulary();

// The IDBREND of the brand at `index` in Vocabulary::brands.
inline int32_t BrandNumber(size_t index) {
    return 101 + static_cast<int32_t>(index) * 3;
}

}  // namespace catalog
