// TRidovMask: the compiled pattern of the LIKE operator.
//
// INTERFACE
//
//   TRidovMask mask(pattern);     // compile; raises DatabaseError on a bad pattern
//   bool ok = mask.Matches(text); // any number of times, from any thread
//
// A mask is immutable after construction; Matches() is const, allocates
// nothing and may run concurrently on one mask. Copies are independent.
//
// PATTERN LANGUAGE
//
// Texts and patterns are Windows-1251 bytes. '*' and '%' stand for any run
// of characters (possibly empty); '?' and '_' for exactly one character;
// every other byte for itself, compared without regard to case by Russian
// upper-casing (so 'ё' matches 'Ё' but not 'е'). There is no escape. The
// match is anchored at both ends: "бол*" means "starts with бол", "*бол*"
// "contains бол", "бол" "equals бол". The empty pattern matches only the
// empty text; "*" matches every text.
//
// A pattern may hold at most 30 literal characters (or the pattern's end)
// that directly follow a run of '*'/'%'. The 31st raises
// "'<pattern>' is an invalid mask at (<n>)", n being the 1-based position
// of the character concerned, or the pattern's length plus one when it is
// the end of the pattern.
//
// ALGORITHM
//
// Compiling upper-cases every literal once and normalises each "*?" into
// "?*" (a one-character wildcard commutes with the run before it), so every
// run of stars is followed by a literal or by the pattern's end. The pattern
// then splits at its stars into fixed-length segments of literals and
// one-character wildcards:
//
//     prefix * middle1 * middle2 * ... * suffix        or  ... * middleN *
//
// The prefix must sit at the start of the text and the suffix (when the
// pattern does not end in a star) at its end; both are checked in place
// before anything is searched, after a check that the text is at least as
// long as all segments together. So a pattern such as "бол*" rejects a
// name on its first byte. The middle segments are then placed left to
// right, each at the leftmost position after the previous one that fits
// before the suffix. Taking the leftmost place is never wrong: a later
// place would only leave less room for the segments after it, and a star
// absorbs whatever lies between. Hence no backtracking is needed and a
// match costs O(text length * longest middle segment) at worst, typically
// one scan of the text for each middle segment's first character. That scan
// is a memchr for each byte that upper-cases to the character (two at most
// in Windows-1251: the capital and the small letter).
//
// Upper-casing is a lookup in a 256-byte table built once from
// text::UpperChar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ridov {

class TRidovMask {
  public:
    // The largest number of literals (or ends) that may follow a star.
    static constexpr int kMaxStars = 30;

    // Compiles `pattern`. Raises DatabaseError "'%s' is an invalid mask at
    // (%d)" when more than kMaxStars elements follow a star.
    explicit TRidovMask(std::string_view pattern);

    // True when the whole of `text` matches the pattern, ignoring case.
    bool Matches(std::string_view text) const noexcept;

    // The upper-cased characters every matching text starts with (compared
    // upper-cased): the pattern's literals before its first wildcard.
    std::string LiteralPrefix() const;

    // True when the pattern is literals followed by stars alone ("бол*"): a
    // text matches exactly when it starts with LiteralPrefix(), compared
    // upper-cased.
    bool PrefixOnly() const noexcept;

  private:
    // A run of elements [begin, begin + length) with no star inside. For a
    // middle segment, `firsts` holds the bytes that upper-case to its first
    // element (firstCount of them, 0 when there are too many to list), so
    // that the text can be scanned for them with memchr.
    struct Segment {
        std::uint32_t begin = 0;
        std::uint32_t length = 0;
        unsigned char firsts[2] = {0, 0};
        std::uint8_t firstCount = 0;
    };

    // Element codes: an upper-cased byte, or kAny for a one-character
    // wildcard.
    static constexpr std::uint16_t kAny = 0x100;

    bool SegmentAt(const Segment& segment, const unsigned char* at,
                   const unsigned char* upper) const noexcept;
    // The leftmost start in [from, last] where `segment` matches, or
    // SIZE_MAX.
    std::size_t FindSegment(const Segment& segment, const unsigned char* text, std::size_t from,
                            std::size_t last, const unsigned char* upper) const noexcept;

    std::vector<std::uint16_t> elements_;
    Segment prefix_;
    std::vector<Segment> middles_;
    Segment suffix_;
    bool hasStar_ = false;  // false: the prefix is the whole pattern
    bool openEnd_ = false;  // the pattern ends with a star: no suffix
};

}  // namespace ridov
