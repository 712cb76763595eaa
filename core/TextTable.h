// TAB-separated text tables, the exchange format of orders and price lists.
//
// Grammar of the text read by the import (bytes, Windows-1251, no BOM):
//
//   text   := [line *(CRLF line)] [CRLF]
//   line   := value *(TAB value)
//   value  := *(any byte but TAB and CR)        ; LF is an ordinary byte
//
// A CR not followed by LF is a format error. There is no header line; each
// line is one record whose n-th value goes to the n-th field. An empty line
// is a record without values, except at the very start of the text, where
// it yields nothing. Values are taken verbatim: no quoting, no escapes, no
// trimming.
//
// The export side is the engine's ExportToText with TAB: a label line, then
// one line per record, every line ending with CR LF.
//
// Thread safety: plain functions without shared state.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// A text that breaks the grammar; the message ends with "Invalid text
// format".
class TextFormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The error of a CR without LF on line `line` (counted from 1).
TextFormatError LoneCrError(long long line);

// Calls `onRecord` with the values of each record, in text order. The views
// point into `text` and live until `text` does. Throws TextFormatError at a
// lone CR (records before it have been delivered).
void ReadTextTable(std::string_view text,
                   const std::function<void(std::span<const std::string_view> values)>& onRecord);

}  // namespace core
