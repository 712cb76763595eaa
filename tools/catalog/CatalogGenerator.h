// CatalogGenerator: a deterministic source of realistic catalog rows for
// tests, benchmarks and demonstration catalogs.
//
// The same seed and count give the same rows, byte for byte, on every
// platform: the generator uses its own SplitMix64 and no floating-point
// result that could differ between libraries decides a text. Product codes
// are unique decimal numbers of three to eight digits in shuffled order;
// names combine part kinds with car models and technical details; brands come
// from a fixed list of a few hundred, each with its own IDBREND, the popular
// ones more often.
//
// Memory: the shuffled codes are prepared up front (4 bytes a row); the rows
// themselves are made one at a time.
//
// Thread safety: none; one generator per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/catalog/CatalogRow.h"
#include "tools/catalog/SplitMix64.h"

namespace catalog {

// More rows than this do not fit eight-digit unique codes with gaps, and
// their image would approach the 4 GiB limit of the image size field.
constexpr size_t kMaxCatalogRows = 10'000'000;

class CatalogGenerator {
  public:
    // REQUIRES: count <= kMaxCatalogRows (throws std::invalid_argument).
    CatalogGenerator(uint64_t seed, size_t count);

    size_t Count() const { return codes_.size(); }
    // Rows made so far.
    size_t Position() const { return next_; }

    // Fills `row` with the next row; false (row untouched) once Count() rows
    // were made.
    bool Next(CatalogRow& row);

    // All remaining rows.
    std::vector<CatalogRow> Rest();

  private:
    SplitMix64 rng_;
    std::vector<uint32_t> codes_;
    size_t next_ = 0;
};

// The article without punctuation and in upper case, as ARTIKUL0 holds it:
// only Latin letters, Cyrillic letters and digits are kept. Windows-1251.
std::string ArticleKey(std::string_view article);

}  // namespace catalog
