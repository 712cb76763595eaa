#include "engine/storage/Sapphire.h"

#include <utility>

namespace ridov {

namespace {

// Zeroing through a volatile pointer so that the stores are not dropped as
// dead when the object is about to go away.
void Wipe(void* data, size_t n) {
    volatile uint8_t* p = static_cast<volatile uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) p[i] = 0;
}

}  // namespace

TSapphire::TSapphire() {
    Reset();
}

TSapphire::~TSapphire() {
    Burn();
}

void TSapphire::Reset() {
    rotor_ = 1;
    ratchet_ = 3;
    avalanche_ = 5;
    lastPlain_ = 7;
    lastCipher_ = 11;
    for (unsigned i = 0; i < 256; ++i) cards_[i] = static_cast<uint8_t>(255 - i);
}

void TSapphire::Burn() {
    Wipe(cards_.data(), cards_.size());
    Wipe(key_.data(), key_.size());
    key_.clear();
    Reset();
}

// A pseudo-random card index in 0..limit drawn from the key bytes. The mask
// keeps most draws in range; after eleven misses the draw is folded into
// range so that the schedule always ends.
uint8_t TSapphire::KeyRand(unsigned limit, uint8_t& sum, size_t& pos) const {
    if (limit == 0) return 0;
    unsigned mask = 1;
    while (mask < limit) mask = 2 * mask + 1;
    const size_t n = key_.size();
    unsigned attempts = 0;
    unsigned u;
    do {
        sum = static_cast<uint8_t>(cards_[sum] + static_cast<uint8_t>(key_[pos]));
        if (++pos == n) {
            pos = 0;
            sum = static_cast<uint8_t>(sum + n);
        }
        u = sum & mask;
        if (++attempts >= 12) u %= limit;
    } while (u > limit);
    return static_cast<uint8_t>(u);
}

void TSapphire::SetKey(std::string_view key) {
    Wipe(key_.data(), key_.size());
    key_.assign(key.data(), key.size());
    if (key_.empty()) {
        Reset();
        return;
    }
    for (unsigned i = 0; i < 256; ++i) cards_[i] = static_cast<uint8_t>(i);
    uint8_t sum = 0;
    size_t pos = 0;
    for (unsigned i = 255; i >= 1; --i) {
        const uint8_t j = KeyRand(i, sum, pos);
        std::swap(cards_[i], cards_[j]);
    }
    rotor_ = cards_[1];
    ratchet_ = cards_[3];
    avalanche_ = cards_[5];
    lastPlain_ = cards_[7];
    lastCipher_ = cards_[sum];
}

// Encrypt and Decrypt differ only in which byte feeds back as "plain" and
// which as "cipher". The indices live in locals for the length of the call
// (whole catalogs pass through here) and are stored back once at the end.
template <bool kEncrypt>
void TSapphire::Transform(uint8_t* buf, size_t n) {
    uint8_t* const c = cards_.data();
    uint8_t rotor = rotor_, ratchet = ratchet_, avalanche = avalanche_;
    uint8_t lastPlain = lastPlain_, lastCipher = lastCipher_;
    for (size_t i = 0; i < n; ++i) {
        ratchet = static_cast<uint8_t>(ratchet + c[rotor]);
        ++rotor;
        const uint8_t t = c[lastCipher];
        c[lastCipher] = c[ratchet];
        c[ratchet] = c[lastPlain];
        c[lastPlain] = c[rotor];
        c[rotor] = t;
        avalanche = static_cast<uint8_t>(avalanche + c[t]);
        const uint8_t x = buf[i];
        const uint8_t y = x ^ c[static_cast<uint8_t>(c[ratchet] + c[rotor])] ^
                          c[c[static_cast<uint8_t>(c[lastPlain] + c[lastCipher] + c[avalanche])]];
        lastPlain = kEncrypt ? x : y;
        lastCipher = kEncrypt ? y : x;
        buf[i] = y;
    }
    rotor_ = rotor;
    ratchet_ = ratchet;
    avalanche_ = avalanche;
    lastPlain_ = lastPlain;
    lastCipher_ = lastCipher;
}

void TSapphire::Encrypt(uint8_t* buf, size_t n) {
    Transform<true>(buf, n);
}
void TSapphire::Decrypt(uint8_t* buf, size_t n) {
    Transform<false>(buf, n);
}

}  // namespace ridov
