// The spreadsheet file the program writes: a fixed subset of the BIFF
// record format that spreadsheet programs open as a worksheet.
//
// Grammar (all numbers little-endian):
//
//   file    := bof *cell eof
//   record  := type:u16 length:u16 body[length]
//   bof     := 0x0809 8  version=0x0000 kind=0x0010 0x0000 0x0000
//   text    := 0x0204 8+n  row:u16 col:u16 fmt=0x0000 n:u16 bytes[n]    ; Windows-1251
//   number  := 0x0203 14   row:u16 col:u16 fmt=0x0000 value:f64
//   integer := 0x027E 10   row:u16 col:u16 fmt=0x0000 rk:u32            ; rk = v << 2 | 2
//   empty   := 0x0201 6    row:u16 col:u16 fmt=0x0017
//   eof     := 0x000A 0
//
// Cells come strictly row by row, left to right, one per column: the
// writer keeps the row and column counters and advances them itself.
//
// Limits: rows are numbered with 16 bits, so a sheet holds at most
// kMaxRows rows; callers check the row count before writing anything. A
// text cell holds at most kMaxText bytes; longer texts are cut. An integer
// the 30-bit RK form cannot hold is written as a number cell instead, so
// the value is never corrupted.
//
// Thread safety: an object is used by one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace core {

class XlsWriter {
  public:
    static constexpr long kMaxRows = 65535;
    static constexpr size_t kMaxText = 65527;

    // `columns` cells make a row; at least 1.
    explicit XlsWriter(int columns);

    void Text(std::string_view cp1251);
    void Number(double value);
    void Integer(int64_t value);
    void Empty();
    // Appends the end-of-file record; the bytes are complete afterwards.
    void Finish();

    const std::string& Bytes() const { return bytes_; }
    // Moves the bytes out; the writer is left empty.
    std::string TakeBytes() { return std::move(bytes_); }
    // Makes room for `bytes` more bytes up front (a sheet's size is known
    // roughly before it is written).
    void Reserve(size_t bytes) { bytes_.reserve(bytes_.size() + bytes); }
    long RowsWritten() const { return row_; }

  private:
    // A cell record's header: type, length, row, column and format, with
    // `extra` bytes of body following. Returns where those bytes go.
    char* Cell(uint16_t type, uint16_t extra, uint16_t format);
    void Advance();

    int columns_;
    long row_ = 0;
    int column_ = 0;
    std::string bytes_;
};

}  // namespace core
