// A bounds-checked reader over a byte buffer. Every Get* call advances the
// position and returns false, leaving the position where it was, when fewer
// bytes remain than it needs; no call can read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

namespace util {

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

    size_t Position() const { return pos_; }
    size_t Remaining() const { return data_.size() - pos_; }
    size_t Size() const { return data_.size(); }

    // REQUIRES: pos <= Size().
    void Seek(size_t pos) { pos_ = pos; }

    bool GetU8(uint8_t& v) {
        if (Remaining() < 1) return false;
        v = data_[pos_++];
        return true;
    }
    bool GetI16(int16_t& v) { return GetLittle(v); }
    bool GetI32(int32_t& v) { return GetLittle(v); }
    bool GetU32(uint32_t& v) { return GetLittle(v); }
    bool GetU64(uint64_t& v) { return GetLittle(v); }

    // Points `out` at the next n bytes inside the buffer (no copy).
    bool GetBytes(size_t n, const uint8_t*& out) {
        if (Remaining() < n) return false;
        out = data_.data() + pos_;
        pos_ += n;
        return true;
    }

  private:
    template <typename T>
    bool GetLittle(T& v) {
        if (Remaining() < sizeof(T)) return false;
        using U = std::make_unsigned_t<T>;
        U u = 0;
        for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(U(data_[pos_ + i]) << (8 * i));
        v = static_cast<T>(u);
        pos_ += sizeof(T);
        return true;
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

// Little-endian appenders for building images in a byte vector.
template <typename Vec>
inline void PutU8(Vec& out, uint8_t v) {
    out.push_back(v);
}
template <typename Vec, typename T>
inline void PutLittle(Vec& out, T v) {
    using U = std::make_unsigned_t<T>;
    U u = static_cast<U>(v);
    for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}
// Overwrites sizeof(T) bytes at `pos` with v, little-endian.
template <typename T>
inline void PokeLittle(uint8_t* at, T v) {
    using U = std::make_unsigned_t<T>;
    U u = static_cast<U>(v);
    for (size_t i = 0; i < sizeof(T); ++i) at[i] = static_cast<uint8_t>(u >> (8 * i));
}

}  // namespace util
