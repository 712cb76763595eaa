// A 64-bit hash of a byte string, for recognising contents seen before
// (such as a table file whose sort order was remembered).
//
// Fast enough to run over a whole catalog on every open (it reads 32 bytes
// per step in four independent lanes) and any change of the bytes alters
// it except with a chance of about 2^-64. It is not cryptographic: it is
// not built to resist someone crafting two files with one hash, so callers
// must never let a match decide more than which of two correct results
// they compute.
#pragma once

#include <cstdint>
#include <span>

namespace ridov {

uint64_t ContentHash64(std::span<const uint8_t> bytes, uint64_t seed = 0);

}  // namespace ridov
