#include "tools/catalog/CatalogGenerator.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/text/Win1251.h"
#include "tools/catalog/CatalogVocabulary.h"

namespace catalog {

namespace {

constexpr uint64_t kLargestCode = 99'999'999;  // eight digits, the size of ID
constexpr uint64_t kMaxCodeGap = 40;
constexpr size_t kNameSize = 80;
constexpr size_t kArticleSize = 20;

// A value picked by weight from a small table.
template <typename T>
struct Weighted {
    T value;
    unsigned weight;
};

// Any range of Weighted entries with a positive total weight.
template <typename Table>
const auto& Pick(SplitMix64& rng, const Table& table) {
    unsigned total = 0;
    for (const auto& e : table) total += e.weight;
    uint64_t r = rng.Below(total);
    for (const auto& e : table) {
        if (r < e.weight) return e.value;
        r -= e.weight;
    }
    return std::rbegin(table)->value;
}

constexpr Weighted<int32_t> kPackSizes[] = {{1, 75}, {2, 5},  {4, 5},  {5, 3},
                                            {10, 5}, {20, 3}, {50, 2}, {100, 2}};
constexpr Weighted<int16_t> kPriceFlags[] = {{0, 80}, {1, 8}, {64, 5}, {128, 5}, {65, 2}};

// Stock texts by weight; "#" stands for a count of 1 to 9.
constexpr Weighted<const char*> kStock[] = {{"есть", 35}, {"нет", 10}, {"мало", 5}, {">10", 15},
                                            {">50", 3},   {"#", 25},   {"", 5},     {"20", 2}};

// kStock with its texts in Windows-1251 (the source is UTF-8).
struct StockTable {
    std::vector<Weighted<std::string>> entries;
    StockTable() {
        for (const auto& e : kStock) entries.push_back({text::Utf8ToCp1251(e.value), e.weight});
    }
};

// Each draw is its own statement: the order in which the operands of one
// expression are evaluated is unspecified, and a different order would give
// a different catalog on another compiler.
void AppendDigits(std::string& s, SplitMix64& rng, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng.Below(10));
}

void AppendLetters(std::string& s, SplitMix64& rng, int n) {
    for (int i = 0; i < n; ++i) s += static_cast<char>('A' + rng.Below(26));
}

// Manufacturers print their articles in a few house styles; a brand keeps
// one style.
std::string MakeArticle(SplitMix64& rng, size_t brandIndex) {
    static constexpr const char* kFilterPrefixes[] = {"W", "HU", "C", "WK", "CU", "LF", "PF"};
    static constexpr const char* kFactoryModels[] = {"2101", "2108", "2110",  "2112", "21213",
                                                     "2123", "3302", "31029", "4216"};
    std::string a;
    switch (brandIndex % 6) {
        case 0:  // "0 986 452 041"
            a = "0 986 ";
            AppendDigits(a, rng, 3);
            a += ' ';
            AppendDigits(a, rng, 3);
            break;
        case 1:  // "HU 719/7 X"
            a = kFilterPrefixes[rng.Index(std::size(kFilterPrefixes))];
            a += ' ';
            AppendDigits(a, rng, 3 + int(rng.Below(2)));
            if (rng.Chance(50)) {
                a += '/';
                AppendDigits(a, rng, 1 + int(rng.Below(2)));
            }
            if (rng.Chance(20)) a += " X";
            break;
        case 2:  // "2108-1003020"
            a = kFactoryModels[rng.Index(std::size(kFactoryModels))];
            a += '-';
            AppendDigits(a, rng, 7);
            if (rng.Chance(15)) {
                a += '-';
                AppendDigits(a, rng, 2);
            }
            break;
        case 3:  // "15208-65F0A"
            AppendDigits(a, rng, 5);
            a += '-';
            AppendDigits(a, rng, 2);
            AppendLetters(a, rng, 1);
            AppendDigits(a, rng, 1);
            AppendLetters(a, rng, 1);
            break;
        case 4:  // "GDB1330"
            AppendLetters(a, rng, 2 + int(rng.Below(2)));
            AppendDigits(a, rng, 3 + int(rng.Below(3)));
            break;
        default:  // "V10-0345" or "4.0112.01"
            if (rng.Chance(50)) {
                AppendLetters(a, rng, 1);
                AppendDigits(a, rng, 2);
                a += '-';
                AppendDigits(a, rng, 4);
            } else {
                AppendDigits(a, rng, 1);
                a += '.';
                AppendDigits(a, rng, 4);
                a += '.';
                AppendDigits(a, rng, 2);
            }
            break;
    }
    if (a.size() > kArticleSize) a.resize(kArticleSize);
    return a;
}

std::string MakeName(SplitMix64& rng, const Vocabulary& v, const PartKind& part) {
    std::string name = part.name;
    std::string model, detail;
    if (part.forModel && rng.Chance(85)) model = v.models[rng.Index(v.models.size())];
    if (part.forModel && rng.Chance(40)) detail = v.specs[rng.Index(v.specs.size())];
    // The parts list leaves out what does not fit: first the technical detail,
    // then the model.
    if (!model.empty() && name.size() + 1 + model.size() <= kNameSize) name += " " + model;
    if (!detail.empty() && name.size() + 1 + detail.size() <= kNameSize) name += " " + detail;
    if (name.size() > kNameSize) name.resize(kNameSize);
    return name;
}

}  // namespace

CatalogGenerator::CatalogGenerator(uint64_t seed, size_t count) : rng_(seed) {
    if (count > kMaxCatalogRows) {
        throw std::invalid_argument("a catalog holds at most " + std::to_string(kMaxCatalogRows) +
                                    " rows");
    }
    // Ascending codes with random gaps, then shuffled. The gap bound keeps
    // the largest code within eight digits for any allowed count.
    SplitMix64 codeRng(seed ^ 0xC0DEC0DEC0DEC0DEull);
    uint64_t gapBound =
        std::min<uint64_t>(kMaxCodeGap, (kLargestCode - 1000) / std::max<size_t>(count, 1));
    uint64_t code = 100 + codeRng.Below(900);
    codes_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        codes_[i] = static_cast<uint32_t>(code);
        code += 1 + codeRng.Below(gapBound);
    }
    for (size_t i = count; i > 1; --i) std::swap(codes_[i - 1], codes_[codeRng.Index(i)]);
}

bool CatalogGenerator::Next(CatalogRow& row) {
    if (next_ >= codes_.size()) return false;
    static const StockTable stockTable;
    const Vocabulary& v = CatalogVocabulary();
    SplitMix64& rng = rng_;

    row.id = std::to_string(codes_[next_++]);

    // Cubic skew: a few brands fill much of the catalog, as in a real one.
    uint64_t u = rng.Below(1u << 16);
    size_t brandIndex = static_cast<size_t>((v.brands.size() * u * u * u) >> 48);
    row.brend = v.brands[brandIndex];
    row.idBrend = BrandNumber(brandIndex);

    const PartKind& part = v.parts[rng.Index(v.parts.size())];
    row.name = MakeName(rng, v, part);
    row.edIzm = part.unit;

    row.artikul = MakeArticle(rng, brandIndex);
    row.artikul0 = ArticleKey(row.artikul);

    // Squared skew towards the cheap end of the kind's range; integers only,
    // so the price is the same everywhere.
    uint64_t t = rng.Below(1u << 16);
    int64_t roubles =
        part.minRub + static_cast<int64_t>((uint64_t(part.maxRub - part.minRub) * t * t) >> 32);
    uint64_t k = rng.Below(100);
    int64_t kopecks = k < 30 ? 0 : (k < 40 ? 50 : static_cast<int64_t>(rng.Below(100)));
    row.cenaKopecks = roubles * 100 + kopecks;

    const std::string& stock = Pick(rng, stockTable.entries);
    row.nalichie = stock == "#" ? std::to_string(1 + rng.Below(9)) : stock;

    row.kolUpak = Pick(rng, kPackSizes);
    row.izmCena = Pick(rng, kPriceFlags);
    return true;
}

std::vector<CatalogRow> CatalogGenerator::Rest() {
    std::vector<CatalogRow> rows;
    rows.reserve(codes_.size() - next_);
    CatalogRow row;
    while (Next(row)) rows.push_back(row);
    return rows;
}

std::string ArticleKey(std::string_view article) {
    std::string key;
    for (char c : article) {
        auto b = static_cast<unsigned char>(c);
        bool keep = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                    b >= 0xC0 || b == 0xA8 || b == 0xB8;
        if (keep) key += text::UpperChar(c);
    }
    if (key.size() > kArticleSize) key.resize(kArticleSize);
    return key;
}

}  // namespace catalog
