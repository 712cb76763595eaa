#include "core/XlsWriter.h"

#include <cstring>

namespace core {

namespace {

inline void Store16(char* at, uint16_t v) {
    at[0] = char(v & 0xFF);
    at[1] = char(v >> 8);
}

inline void Store32(char* at, uint32_t v) {
    Store16(at, uint16_t(v & 0xFFFF));
    Store16(at + 2, uint16_t(v >> 16));
}

}  // namespace

XlsWriter::XlsWriter(int columns) : columns_(columns < 1 ? 1 : columns) {
    static const char kBeginning[12] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00,
                                        0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    bytes_.append(kBeginning, sizeof kBeginning);
}

char* XlsWriter::Cell(uint16_t type, uint16_t extra, uint16_t format) {
    // Header of 4 bytes, then row, column and format.
    const size_t at = bytes_.size();
    bytes_.resize(at + 10 + extra);
    char* p = bytes_.data() + at;
    Store16(p, type);
    Store16(p + 2, uint16_t(6 + extra));
    Store16(p + 4, uint16_t(row_));
    Store16(p + 6, uint16_t(column_));
    Store16(p + 8, format);
    return p + 10;
}

void XlsWriter::Advance() {
    if (++column_ == columns_) {
        column_ = 0;
        ++row_;
    }
}

void XlsWriter::Text(std::string_view cp1251) {
    if (cp1251.size() > kMaxText) cp1251 = cp1251.substr(0, kMaxText);
    char* body = Cell(0x0204, uint16_t(2 + cp1251.size()), 0);
    Store16(body, uint16_t(cp1251.size()));
    if (!cp1251.empty()) std::memcpy(body + 2, cp1251.data(), cp1251.size());
    Advance();
}

void XlsWriter::Number(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char* body = Cell(0x0203, 8, 0);
    Store32(body, uint32_t(bits & 0xFFFFFFFFu));
    Store32(body + 4, uint32_t(bits >> 32));
    Advance();
}

void XlsWriter::Integer(int64_t value) {
    // The RK form keeps 30 bits with the sign.
    if (value < -(int64_t(1) << 29) || value >= (int64_t(1) << 29)) {
        Number(double(value));
        return;
    }
    Store32(Cell(0x027E, 4, 0), (uint32_t(int32_t(value)) << 2) | 2u);
    Advance();
}

void XlsWriter::Empty() {
    Cell(0x0201, 0, 0x0017);
    Advance();
}

void XlsWriter::Finish() {
    bytes_.append("\x0A\x00\x00\x00", 4);
}

}  // namespace core
