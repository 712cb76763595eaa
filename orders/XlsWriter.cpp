#include "orders/XlsWriter.h"

#include <cstring>

namespace orders {

XlsWriter::XlsWriter(int columns) : columns_(columns < 1 ? 1 : columns) {
    Record(0x0809, 8);
    Put16(0x0000);
    Put16(0x0010);
    Put16(0x0000);
    Put16(0x0000);
}

void XlsWriter::Put16(uint16_t v) {
    bytes_.push_back(char(v & 0xFF));
    bytes_.push_back(char(v >> 8));
}

void XlsWriter::Put32(uint32_t v) {
    Put16(uint16_t(v & 0xFFFF));
    Put16(uint16_t(v >> 16));
}

void XlsWriter::Record(uint16_t type, uint16_t length) {
    Put16(type);
    Put16(length);
}

void XlsWriter::Position(uint16_t format) {
    Put16(uint16_t(row_));
    Put16(uint16_t(column_));
    Put16(format);
}

void XlsWriter::Advance() {
    if (++column_ == columns_) {
        column_ = 0;
        ++row_;
    }
}

void XlsWriter::Text(std::string_view cp1251) {
    if (cp1251.size() > kMaxText) cp1251 = cp1251.substr(0, kMaxText);
    Record(0x0204, uint16_t(8 + cp1251.size()));
    Position(0);
    Put16(uint16_t(cp1251.size()));
    bytes_.append(cp1251);
    Advance();
}

void XlsWriter::Number(double value) {
    Record(0x0203, 14);
    Position(0);
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(uint32_t(bits & 0xFFFFFFFFu));
    Put32(uint32_t(bits >> 32));
    Advance();
}

void XlsWriter::Integer(int64_t value) {
    // The RK form keeps 30 bits with the sign.
    if (value < -(int64_t(1) << 29) || value >= (int64_t(1) << 29)) {
        Number(double(value));
        return;
    }
    Record(0x027E, 10);
    Position(0);
    Put32((uint32_t(int32_t(value)) << 2) | 2u);
    Advance();
}

void XlsWriter::Empty() {
    Record(0x0201, 6);
    Position(0x0017);
    Advance();
}

void XlsWriter::Finish() {
    Record(0x000A, 0);
}

}  // namespace orders
