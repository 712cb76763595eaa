// Reading the program's spreadsheet files back in tests: the records
// checked against the grammar of orders/XlsWriter.h (beginning and end
// records, lengths, cells strictly row by row) and the cells as short texts
// a test compares in one go:
//   "T:<text in UTF-8>"  text cell (format 0)
//   "N:<number>"         number cell (format 0), shortest round-trip form
//   "I:<integer>"        integer cell (format 0)
//   "E"                  empty cell (format 0x0017)
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"

namespace testing_support {

using XlsRows = std::vector<std::vector<std::string>>;

namespace xls_detail {

inline uint16_t U16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

inline uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16;
}

inline std::string Number(double v) {
    if (v == double(int64_t(v)) && v < 1e15 && v > -1e15) return std::to_string(int64_t(v));
    std::ostringstream out;
    out.precision(17);
    out << v;
    // The shortest form that reads back the same.
    for (int p = 1; p <= 17; ++p) {
        std::ostringstream shorter;
        shorter.precision(p);
        shorter << v;
        if (std::stod(shorter.str()) == v) return shorter.str();
    }
    return out.str();
}

}  // namespace xls_detail

// The rows of a spreadsheet file, each with `columns` cells. A record that
// breaks the grammar is a test failure and ends the reading.
inline XlsRows ReadXlsRows(const std::string& bytes, int columns) {
    using namespace xls_detail;
    XlsRows rows;
    const std::string bof("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12);
    if (bytes.compare(0, 12, bof) != 0) {
        ADD_FAILURE() << "no beginning-of-file record";
        return rows;
    }
    size_t at = 12;
    int row = 0, column = 0;
    while (true) {
        if (at + 4 > bytes.size()) {
            ADD_FAILURE() << "no end-of-file record";
            return rows;
        }
        const uint16_t type = U16(bytes, at);
        const uint16_t length = U16(bytes, at + 2);
        const size_t body = at + 4;
        if (body + length > bytes.size()) {
            ADD_FAILURE() << "record past the end at " << at;
            return rows;
        }
        if (type == 0x000A) {
            EXPECT_EQ(length, 0);
            EXPECT_EQ(body, bytes.size()) << "bytes after the end-of-file record";
            EXPECT_EQ(column, 0) << "last row incomplete";
            return rows;
        }
        if (length < 6 || U16(bytes, body) != row || U16(bytes, body + 2) != column) {
            ADD_FAILURE() << "cell out of order at " << at;
            return rows;
        }
        const uint16_t format = U16(bytes, body + 4);
        std::string cell;
        if (type == 0x0204 && length >= 8 && U16(bytes, body + 6) == length - 8 && format == 0) {
            cell = "T:" + text::Cp1251ToUtf8(bytes.substr(body + 8, length - 8));
        } else if (type == 0x0203 && length == 14 && format == 0) {
            double v;
            std::memcpy(&v, bytes.data() + body + 6, 8);
            cell = "N:" + Number(v);
        } else if (type == 0x027E && length == 10 && format == 0) {
            const uint32_t rk = U32(bytes, body + 6);
            EXPECT_EQ(rk & 3u, 2u) << "integer cell without the integer flag";
            cell = "I:" + std::to_string(int32_t(rk) >> 2);
        } else if (type == 0x0201 && length == 6 && format == 0x0017) {
            cell = "E";
        } else {
            ADD_FAILURE() << "unexpected record " << type << " of " << length << " bytes at " << at;
            return rows;
        }
        if (column == 0) rows.emplace_back();
        rows.back().push_back(cell);
        if (++column == columns) {
            column = 0;
            ++row;
        }
        at = body + length;
    }
}

}  // namespace testing_support
