// TRidovBlobStream: an in-memory stream over one BLOB-type field (BLOB,
// Memo, FmtMemo, Graphic) of a dataset's active record. Reading modes start
// with a copy of the field's bytes; Write mode starts empty and counts as
// changed. A changed stream writes its bytes back into the active record
// when it is destroyed (an empty stream leaves the field null); an error
// then goes to the dataset's onError handler, because a destructor cannot
// throw. Commit writes back at once and throws instead.
//
// REQUIRES: the dataset and field outlive the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/dataset/RidovDataset.h"

namespace ridov {

class TRidovBlobStream {
  public:
    TRidovBlobStream(TRidovDataset& dataset, Field& field, BlobStreamMode mode,
                     std::string_view initial, bool changed);
    ~TRidovBlobStream();
    TRidovBlobStream(const TRidovBlobStream&) = delete;
    TRidovBlobStream& operator=(const TRidovBlobStream&) = delete;

    // Reads up to n bytes at the position; returns how many.
    size_t Read(void* out, size_t n);
    // Writes at the position, growing the stream.
    void Write(const void* data, size_t n);
    void Seek(size_t position) { position_ = position < data_.size() ? position : data_.size(); }
    void Truncate();
    size_t Position() const { return position_; }
    size_t Size() const { return data_.size(); }
    const std::vector<uint8_t>& Bytes() const { return data_; }
    bool Changed() const { return changed_; }
    // Writes a changed stream back now.
    void Commit();

  private:
    TRidovDataset& dataset_;
    Field& field_;
    BlobStreamMode mode_;
    std::vector<uint8_t> data_;
    size_t position_ = 0;
    bool changed_;
};

}  // namespace ridov
