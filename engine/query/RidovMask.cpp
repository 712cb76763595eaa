#include "engine/query/RidovMask.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

// The Russian upper-case of every byte, built once on first use.
const unsigned char* UpperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i) {
            t[i] = static_cast<unsigned char>(text::UpperChar(static_cast<char>(i)));
        }
        return t;
    }();
    return table.data();
}

[[noreturn]] void RaiseInvalidMask(std::string_view pattern, std::size_t position) {
    throw DatabaseError("'" + std::string(pattern) + "' is an invalid mask at (" +
                        std::to_string(position) + ")");
}

}  // namespace

TRidovMask::TRidovMask(std::string_view pattern) {
    const unsigned char* upper = UpperTable();
    elements_.reserve(pattern.size());
    std::vector<Segment> segments(1);  // segments[0] is the prefix
    bool pending = false;
    int starred = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*' || c == '%') {
            pending = true;
            continue;
        }
        if (c == '?' || c == '_') {
            // "*?" is "?*": the wildcard joins the segment before the star
            // and the star stays pending for the next literal.
            elements_.push_back(kAny);
            ++segments.back().length;
            continue;
        }
        if (pending) {
            if (++starred > kMaxStars) RaiseInvalidMask(pattern, i + 1);
            segments.push_back({static_cast<std::uint32_t>(elements_.size()), 0});
            pending = false;
        }
        elements_.push_back(upper[static_cast<unsigned char>(c)]);
        ++segments.back().length;
    }
    if (pending && ++starred > kMaxStars) RaiseInvalidMask(pattern, pattern.size() + 1);

    prefix_ = segments.front();
    openEnd_ = pending;
    hasStar_ = segments.size() > 1 || openEnd_;
    if (!hasStar_) return;
    std::size_t lastMiddle = segments.size();
    if (!openEnd_) {
        suffix_ = segments.back();
        --lastMiddle;
    }
    middles_.assign(segments.begin() + 1, segments.begin() + lastMiddle);
    for (Segment& segment : middles_) {
        // A middle segment starts with a literal: compilation moves every
        // wildcard that follows a star in front of it.
        const std::uint16_t first = elements_[segment.begin];
        int count = 0;
        for (int b = 0; b < 256; ++b) {
            if (upper[b] != first) continue;
            if (count < 2) segment.firsts[count] = static_cast<unsigned char>(b);
            ++count;
        }
        segment.firstCount = count <= 2 ? static_cast<std::uint8_t>(count) : 0;
    }
}

bool TRidovMask::SegmentAt(const Segment& segment, const unsigned char* at,
                           const unsigned char* upper) const noexcept {
    const std::uint16_t* e = elements_.data() + segment.begin;
    for (std::uint32_t k = 0; k < segment.length; ++k) {
        if (e[k] != kAny && e[k] != upper[at[k]]) return false;
    }
    return true;
}

std::size_t TRidovMask::FindSegment(const Segment& segment, const unsigned char* text,
                                    std::size_t from, std::size_t last,
                                    const unsigned char* upper) const noexcept {
    constexpr std::size_t kNone = SIZE_MAX;
    if (segment.firstCount == 0) {
        const std::uint16_t first = elements_[segment.begin];
        for (std::size_t p = from; p <= last; ++p) {
            if (upper[text[p]] == first && SegmentAt(segment, text + p, upper)) return p;
        }
        return kNone;
    }
    // Next occurrence of each first byte at or after `at`, kept between
    // candidates so that no stretch of text is searched twice.
    auto next = [&](int k, std::size_t at) -> std::size_t {
        if (k >= segment.firstCount) return kNone;
        const void* hit = std::memchr(text + at, segment.firsts[k], last + 1 - at);
        return hit == nullptr ? kNone : static_cast<const unsigned char*>(hit) - text;
    };
    std::size_t a = next(0, from);
    std::size_t b = next(1, from);
    for (;;) {
        const std::size_t p = a < b ? a : b;
        if (p == kNone) return kNone;
        if (SegmentAt(segment, text + p, upper)) return p;
        if (p == a) {
            a = next(0, p + 1);
        } else {
            b = next(1, p + 1);
        }
    }
}

bool TRidovMask::Matches(std::string_view text) const noexcept {
    const std::size_t n = text.size();
    if (n < elements_.size()) return false;
    const unsigned char* upper = UpperTable();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());

    if (!SegmentAt(prefix_, t, upper)) return false;
    if (!hasStar_) return n == prefix_.length;

    // The length check above guarantees the suffix does not overlap the
    // prefix.
    std::size_t end = n;
    if (!openEnd_) {
        end = n - suffix_.length;
        if (!SegmentAt(suffix_, t + end, upper)) return false;
    }

    std::size_t pos = prefix_.length;
    for (const Segment& segment : middles_) {
        if (end - pos < segment.length) return false;
        const std::size_t found = FindSegment(segment, t, pos, end - segment.length, upper);
        if (found == SIZE_MAX) return false;
        pos = found + segment.length;
    }
    return true;
}

bool TRidovMask::PrefixOnly() const noexcept {
    if (!openEnd_ || !middles_.empty()) return false;
    for (std::uint32_t i = 0; i < prefix_.length; ++i) {
        if (elements_[prefix_.begin + i] == kAny) return false;
    }
    return true;
}

std::string TRidovMask::LiteralPrefix() const {
    std::string prefix;
    for (std::uint32_t i = 0; i < prefix_.length; ++i) {
        const std::uint16_t e = elements_[prefix_.begin + i];
        if (e == kAny) break;
        prefix += static_cast<char>(e);
    }
    return prefix;
}

}  // namespace ridov
