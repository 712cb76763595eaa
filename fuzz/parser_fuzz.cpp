// Feeds arbitrary bytes to the filter path (Tokenize + ParseConditions) and
// to ParseSelect, both as given and behind "SELECT " so that the fuzzer
// reaches the statement recognizer quickly. A DatabaseError is the expected
// answer to bad input; anything else escaping, or a result that breaks the
// parser's promises, stops the run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/query/RidovParser.h"
#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

bool IsRightKind(std::uint8_t kind) {
    return kind == ridov::tkIdentifier || kind == ridov::tkString || kind == ridov::tkNumber ||
           kind == ridov::tkNull || kind == ridov::tkTrue || kind == ridov::tkFalse;
}

void CheckCondition(const ridov::TRidovCField& c) {
    Require(c.LeftKind == ridov::tkIdentifier || c.LeftKind == ridov::tkString);
    Require(IsRightKind(c.RightKind));
    Require(c.Operator >= ridov::opEqual && c.Operator <= ridov::opOuterJoin);
    Require(c.ConstValue.empty() && !c.Mask.has_value());
}

void Filter(std::string_view input) {
    ridov::TRidovParser parser;
    std::vector<ridov::TRidovCField> list;
    try {
        parser.Tokenize(input);
        const std::size_t by = parser.ParseConditions(list, 0);
        if (by != 0) {
            Require(by < parser.Tokens().size() && parser.Tokens()[by].Text == "BY");
        }
        for (const ridov::TRidovCField& c : list) CheckCondition(c);
    } catch (const ridov::DatabaseError&) {
    }
}

void Select(std::string_view input) {
    ridov::TRidovParser parser;
    try {
        const bool distinct = parser.ParseSelect(input);
        Require(parser.FirstColumnIndex() == (distinct ? 2u : 1u));
        Require(!parser.Columns().empty() && !parser.Sources().empty());
        auto isAlias = [&](const std::string& qualifier) {
            for (const ridov::TRidovQSource& s : parser.Sources()) {
                if (text::Upper(s.SourceAlias) == text::Upper(qualifier)) return true;
            }
            return false;
        };
        for (const ridov::TRidovQColumn& column : parser.Columns()) {
            Require(isAlias(column.TableRef));
            Require(column.Kind != 0);
        }
        for (const ridov::TRidovCField& c : parser.Conditions()) {
            CheckCondition(c);
            Require(isAlias(c.LeftTable));
            if (c.RightKind == ridov::tkIdentifier) Require(isAlias(c.RightTable));
        }
    } catch (const ridov::DatabaseError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Filter(input);
    Select(input);
    Select("SELECT " + std::string(input));
    return 0;
}
