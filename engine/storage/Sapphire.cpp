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

// Returns `v` unchanged but keeps the compiler from regrouping the xor chain
// it is part of: `(in ^ x) ^ y` must stay in that order so that the xor with
// the late `y` is the last step.
inline unsigned Grouped(unsigned v) {
#ifdef __has_builtin
#if __has_builtin(__builtin_assoc_barrier)
    return __builtin_assoc_barrier(v);
#endif
#endif
    return v;
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
// which as "cipher". Whole catalogs pass through here, so the loop below is
// laid out for speed; the step it computes is this one, byte for byte:
//
//   ratchet += cards[rotor++];
//   t = cards[lastCipher];
//   cards[lastCipher] = cards[ratchet];
//   cards[ratchet] = cards[lastPlain];
//   cards[lastPlain] = cards[rotor];
//   cards[rotor] = t;
//   avalanche += cards[t];
//   out = in ^ cards[cards[ratchet] + cards[rotor]]
//            ^ cards[cards[cards[lastPlain] + cards[lastCipher] + cards[avalanche]]];
//
// (all sums modulo 256). Every byte depends on the cards left by all the
// bytes before it, so the work cannot be spread over threads or vector
// lanes; the speed is set by the chain from one output byte to the next.
// Deciphering, the output becomes lastPlain, and the chain is: load
// cards[lastPlain], add the card taken from lastCipher, load the card at that
// sum, xor it into the rest of the output (two dependent loads and two ALU
// steps). Everything else in a step can run ahead, as long as nothing makes
// it wait for that chain. Enciphering, the output becomes lastCipher, whose
// card starts the avalanche term: five dependent loads per byte, so
// enciphering stays about half as fast. Hence:
//
// - When the four places of the swap (lastCipher, ratchet, lastPlain, rotor)
//   all differ (about 98 bytes in 100), the four cards are read once and the
//   swap is written from registers, so no read waits for the write before
//   it. Otherwise the step runs as written above.
// - cards[lastPlain] is written last. Its place is the previous output, the
//   last thing known; a read placed after that write in program order would
//   have to wait for it (or be replayed when it turns out to hit it), which
//   would put the whole avalanche term on the chain. The reads before it
//   compare their place with lastPlain instead, and the rare one that hits it
//   (about one byte in 64) writes the card first.
// - The rotor and ratchet run one byte ahead, stepped at the end of a byte
//   from the card the rotor place received (always the old
//   cards[lastCipher], still in a register), and are stepped back once at
//   the end of the call.
template <bool kEncrypt>
void TSapphire::Transform(uint8_t* buf, size_t n) {
    uint8_t* const c = cards_.data();
    unsigned avalanche = avalanche_;
    unsigned lastPlain = lastPlain_, lastCipher = lastCipher_;
    unsigned rotor = (rotor_ + 1u) & 0xFF;
    unsigned ratchet = (ratchet_ + c[rotor_]) & 0xFF;
    for (uint8_t *p = buf, *const end = buf + n; p != end; ++p) {
        const unsigned a = c[lastCipher];
        const unsigned b = c[ratchet];
        const unsigned d = c[rotor];
        const unsigned e = c[lastPlain];
        const unsigned in = *p;
        unsigned out;
        if ((lastCipher == ratchet) | (lastCipher == rotor) | (ratchet == rotor) |
            (lastPlain == lastCipher) | (lastPlain == ratchet) | (lastPlain == rotor))
            [[unlikely]] {
            // The swap in its order; a card written earlier in it is the one
            // read later from the same place.
            c[lastCipher] = static_cast<uint8_t>(b);
            const unsigned toRatchet = lastPlain == lastCipher ? b : e;
            c[ratchet] = static_cast<uint8_t>(toRatchet);
            c[lastPlain] = static_cast<uint8_t>(rotor == ratchet      ? toRatchet
                                                : rotor == lastCipher ? b
                                                                      : d);
            c[rotor] = static_cast<uint8_t>(a);
            avalanche = (avalanche + c[a]) & 0xFF;
            out = in ^ c[(c[ratchet] + c[rotor]) & 0xFF] ^
                  c[c[(c[lastPlain] + c[lastCipher] + c[avalanche]) & 0xFF]];
        } else {
            c[lastCipher] = static_cast<uint8_t>(b);
            c[ratchet] = static_cast<uint8_t>(e);
            c[rotor] = static_cast<uint8_t>(a);
            const unsigned db = d + b;  // cards[lastPlain] + cards[lastCipher] after the swap
            if (a == lastPlain) [[unlikely]]
                c[lastPlain] = static_cast<uint8_t>(d);
            avalanche = (avalanche + c[a]) & 0xFF;
            if (avalanche == lastPlain) [[unlikely]]
                c[lastPlain] = static_cast<uint8_t>(d);
            const unsigned sum = (db + c[avalanche]) & 0xFF;
            if (sum == lastPlain) [[unlikely]]
                c[lastPlain] = static_cast<uint8_t>(d);
            const unsigned inner = c[sum];
            if (inner == lastPlain) [[unlikely]]
                c[lastPlain] = static_cast<uint8_t>(d);
            // in ^ avalanche term first: only the other term waits for the chain.
            const unsigned early = Grouped(in ^ c[inner]);
            c[lastPlain] = static_cast<uint8_t>(d);
            out = early ^ c[(e + a) & 0xFF];
        }
        ratchet = (ratchet + a) & 0xFF;
        rotor = (rotor + 1) & 0xFF;
        lastPlain = kEncrypt ? in : out;
        lastCipher = kEncrypt ? out : in;
        *p = static_cast<uint8_t>(out);
    }
    rotor = (rotor - 1) & 0xFF;
    rotor_ = static_cast<uint8_t>(rotor);
    ratchet_ = static_cast<uint8_t>(ratchet - c[rotor]);
    avalanche_ = static_cast<uint8_t>(avalanche);
    lastPlain_ = static_cast<uint8_t>(lastPlain);
    lastCipher_ = static_cast<uint8_t>(lastCipher);
}

void TSapphire::Encrypt(uint8_t* buf, size_t n) {
    Transform<true>(buf, n);
}
void TSapphire::Decrypt(uint8_t* buf, size_t n) {
    Transform<false>(buf, n);
}

}  // namespace ridov
