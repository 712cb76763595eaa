#include "engine/dataset/RidovBlobStream.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/DatabaseError.h"

namespace ridov {

TRidovBlobStream::TRidovBlobStream(TRidovDataset& dataset, Field& field, BlobStreamMode mode,
                                   std::string_view initial, bool changed)
    : dataset_(dataset),
      field_(field),
      mode_(mode),
      data_(initial.begin(), initial.end()),
      changed_(changed) {}

TRidovBlobStream::~TRidovBlobStream() {
    try {
        Commit();
    } catch (const std::exception& e) {
        if (dataset_.onError) dataset_.onError(e);
    }
}

size_t TRidovBlobStream::Read(void* out, size_t n) {
    n = std::min(n, data_.size() - position_);
    if (n) std::memcpy(out, data_.data() + position_, n);
    position_ += n;
    return n;
}

void TRidovBlobStream::Write(const void* data, size_t n) {
    if (position_ + n > data_.size()) data_.resize(position_ + n);
    if (n) std::memcpy(data_.data() + position_, data, n);
    position_ += n;
    changed_ = true;
}

void TRidovBlobStream::Truncate() {
    data_.resize(position_);
    changed_ = true;
}

void TRidovBlobStream::Commit() {
    if (!changed_ || mode_ == BlobStreamMode::Read) return;
    changed_ = false;
    field_.SetAsBytes(std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

std::unique_ptr<TRidovBlobStream> TRidovDataset::CreateBlobStream(Field& field,
                                                                  BlobStreamMode mode) {
    CheckActive();
    if (!field.IsBlob()) Fail("Field '" + field.DisplayName() + "' is not a BLOB field");
    bool holdsRecords = !view_.empty() || State() == DataSetState::Insert;
    std::string_view initial;
    bool changed = false;
    if (holdsRecords) {
        if (mode != BlobStreamMode::Read) {
            if (field.readOnly) Fail("Field '" + field.DisplayName() + "' is read only!");
            if (!IsEditing(State())) Fail("Table is not in edit or insert mode");
        }
        if (mode == BlobStreamMode::Write) {
            changed = true;
        } else {
            initial = field.AsBytes();
        }
    }
    return std::make_unique<TRidovBlobStream>(*this, field, mode, initial, changed);
}

}  // namespace ridov
