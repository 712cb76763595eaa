// zv_catalog_gen: writes a generated catalog as a table file, and optionally
// the same rows as a text price list.
//
//   zv_catalog_gen [--count N] [--seed S] [--password P] [--text FILE.txt]
//                  [--machine-numbers] OUT.zv
//
// The password is taken from the terminal as UTF-8 and used as Windows-1251.
// Prices in the text use "," as the decimal separator, as the program's
// Russian settings read them; --machine-numbers writes "." instead.
// Exit status: 0 done, 1 a file could not be written, 2 bad arguments.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/FormatSettings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogTable.h"
#include "tools/catalog/CatalogText.h"

namespace {

constexpr char kUsage[] =
    "usage: zv_catalog_gen [--count N] [--seed S] [--password P] [--text FILE.txt] "
    "[--machine-numbers] OUT.zv\n";

struct Options {
    uint64_t count = 1000;
    uint64_t seed = 1;
    std::string password;  // Windows-1251
    std::string textFile;
    bool machineNumbers = false;
    std::string out;
};

bool ParseNumber(std::string_view s, uint64_t& value) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// False with `error` set when the arguments are not usable.
bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--count" || a == "--seed") {
            if (!value(v)) return false;
            uint64_t& target = a == "--count" ? o.count : o.seed;
            if (!ParseNumber(v, target)) {
                error = "option " + a + " needs a whole number, not '" + v + "'";
                return false;
            }
        } else if (a == "--password") {
            if (!value(v)) return false;
            o.password = text::Utf8ToCp1251(v);
        } else if (a == "--text") {
            if (!value(o.textFile)) return false;
        } else if (a == "--machine-numbers") {
            o.machineNumbers = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.out.empty()) {
            o.out = a;
        } else {
            error = "more than one output file";
            return false;
        }
    }
    if (o.out.empty()) {
        error = "no output file";
        return false;
    }
    if (o.count > catalog::kMaxCatalogRows) {
        error = "--count is at most " + std::to_string(catalog::kMaxCatalogRows);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
        std::cerr << error << "\n" << kUsage;
        return 2;
    }

    ridov::TRidovCursor store(ridov::TRidovSession::Instance());
    catalog::FillCatalog(store, o.seed, o.count);
    store.SetPassword(o.password);
    if (!store.WriteFile(o.out, 0, false, "", error)) {
        std::cerr << error << "\n";
        return 1;
    }

    if (!o.textFile.empty()) {
        catalog::CatalogGenerator generator(o.seed, o.count);
        const text::FormatSettings& fs =
            o.machineNumbers ? text::FormatSettings::Machine() : text::FormatSettings::Russian();
        std::string lines = catalog::CatalogText(generator, fs);
        std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(lines.data()),
                                       lines.size());
        if (!platform::CurrentPlatform().WriteFileAtomically(o.textFile, bytes, error)) {
            std::cerr << "cannot write " << o.textFile << ": " << error << "\n";
            return 1;
        }
    }
    return 0;
}
