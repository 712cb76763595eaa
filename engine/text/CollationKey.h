// Sort keys for Windows-1251 text: the bytes of a text mapped to their rank
// in the order of CompareNoCase, so that comparing two keys byte by byte
// (unsigned, as memcmp does) gives the same answer as CompareNoCaseN on the
// texts. Lets a sort compare fixed-size key prefixes held in an array
// instead of following pointers to the texts on every comparison.
//
// All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <string_view>

namespace text {

// The rank of one byte: CompareNoCaseN(a, b, n) < 0 exactly when the rank
// sequences of a and b compare below. Byte 0 alone has rank 0; a letter
// shares its rank with its other case.
unsigned char CollationRank(char c);
// The same ranks as a table of 256 entries indexed by the unsigned byte,
// for loops over many texts.
const unsigned char* CollationRankTable();

// Writes the ranks of the first n bytes of `s` to out[0..n), padding with 0
// when `s` is shorter. For two texts without zero bytes, a key that
// compares below another (memcmp) belongs to a text that CompareNoCase puts
// first; equal keys decide nothing.
void CollationPrefix(std::string_view s, unsigned char* out, size_t n);

}  // namespace text
