#include "tools/catalog/CatalogText.h"

namespace catalog {

namespace {

// Kopecks as "roubles<sep>kk", exactly, without going through a double.
void AppendPrice(std::string& out, int64_t kopecks, char decimalSeparator) {
    if (kopecks < 0) {
        out += '-';
        kopecks = -kopecks;
    }
    out += std::to_string(kopecks / 100);
    out += decimalSeparator;
    out += static_cast<char>('0' + kopecks % 100 / 10);
    out += static_cast<char>('0' + kopecks % 10);
}

}  // namespace

void AppendCatalogLine(std::string& out, const CatalogRow& row, const text::FormatSettings& fs) {
    const char tab = '\t';
    out += row.id;
    out += tab;
    out += row.artikul;
    out += tab;
    out += std::to_string(row.idBrend);
    out += tab;
    out += row.name;
    out += tab;
    AppendPrice(out, row.cenaKopecks, fs.decimalSeparator);
    out += tab;
    out += row.nalichie;
    out += tab;
    out += std::to_string(row.kolUpak);
    out += tab;
    out += row.brend;
    out += tab;
    out += std::to_string(row.izmCena);
    out += tab;
    out += row.artikul0;
    out += tab;
    out += row.edIzm;
    out += "\r\n";
}

std::string CatalogText(CatalogGenerator& generator, const text::FormatSettings& fs) {
    std::string out;
    CatalogRow row;
    while (generator.Next(row)) AppendCatalogLine(out, row, fs);
    return out;
}

}  // namespace catalog
