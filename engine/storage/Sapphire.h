// TSapphire: the Sapphire II stream cipher, byte-wise enciphering and
// deciphering only.
//
// The state is a permutation of 256 cards plus five running indices (rotor,
// ratchet, avalanche, last plain, last cipher). Each byte steps the state and
// feeds the plain and cipher byte back into it, so the output depends on
// everything enciphered since the last SetKey.
//
// Call order: SetKey, then any number of Encrypt (or Decrypt) calls that
// continue one stream. Deciphering needs the same key and the bytes in the
// same order; how the stream is split into calls does not matter.
//
// Thread safety: none; one object is used from one thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ridov {

class TSapphire {
  public:
    // Starts in the reset state (the same as an empty key).
    TSapphire();
    // Burns the state and the key.
    ~TSapphire();

    TSapphire(const TSapphire&) = delete;
    TSapphire& operator=(const TSapphire&) = delete;

    // Keeps a copy of `key` (its bytes, zeros included) and runs the key
    // schedule. An empty key gives the reset state. Any earlier stream is
    // forgotten.
    void SetKey(std::string_view key);

    // Transform `n` bytes of `buf` in place, continuing the running stream.
    // REQUIRES: `buf` points to `n` bytes (may be null when `n` is 0).
    void Encrypt(uint8_t* buf, size_t n);
    void Decrypt(uint8_t* buf, size_t n);

    // Overwrites the cards and the kept key with zeros, forgets the key and
    // returns to the reset state.
    void Burn();

  private:
    template <bool kEncrypt>
    void Transform(uint8_t* buf, size_t n);
    void Reset();
    uint8_t KeyRand(unsigned limit, uint8_t& sum, size_t& pos) const;

    std::array<uint8_t, 256> cards_;
    uint8_t rotor_;
    uint8_t ratchet_;
    uint8_t avalanche_;
    uint8_t lastPlain_;
    uint8_t lastCipher_;
    std::string key_;
};

}  // namespace ridov
