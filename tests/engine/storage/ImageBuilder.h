// Builds table images byte by byte for tests, including damaged ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/util/ByteReader.h"

namespace testing_support {

struct ImageBuilder {
    std::vector<uint8_t> bytes;

    ImageBuilder& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    ImageBuilder& I16(int16_t v) {
        util::PutLittle(bytes, v);
        return *this;
    }
    ImageBuilder& I32(int32_t v) {
        util::PutLittle(bytes, v);
        return *this;
    }
    ImageBuilder& Raw(std::string_view s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // ImageSize (not checked by readers), 'S', the counts and the section.
    ImageBuilder& Header(int32_t records, int32_t fields, std::string_view section) {
        I32(0).U8('S').I32(records).I32(fields).I32(static_cast<int32_t>(section.size()));
        return Raw(section);
    }
};

// "XXX.ID K" 0x12 ... 0x14 from entries.
inline std::string Section(std::initializer_list<std::string_view> entries) {
    std::string s;
    for (auto e : entries) {
        s += e;
        s += '\x12';
    }
    s += '\x14';
    return s;
}

}  // namespace testing_support
