// Compiles a LIKE pattern from the input up to its first LF and matches it
// against the rest (an input without LF is matched against itself). Bad
// patterns must be refused with DatabaseError; for short inputs the result
// is checked against a plain dynamic-programming matcher.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/query/RidovMask.h"
#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"
#include "tests/engine/query/ReferenceMask.h"

namespace {

using testing_support::ReferenceMatch;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lf = input.find('\n');
    const std::string_view pattern = input.substr(0, lf);
    const std::string_view text = lf == std::string_view::npos ? input : input.substr(lf + 1);
    try {
        const ridov::TRidovMask mask(pattern);
        const bool matches = mask.Matches(text);
        if (pattern.size() <= 128 && text.size() <= 512 &&
            matches != ReferenceMatch(pattern, text)) {
            __builtin_trap();
        }
    } catch (const ridov::DatabaseError&) {
    }
    return 0;
}
