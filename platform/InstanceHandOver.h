// The hand-over of command-line arguments from a second copy of the program
// to the running one, as bytes on a local stream connection:
//
//   request  := frame*                       second copy -> running copy
//   frame    := length:u32 (little-endian) argument:byte[length]
//   reply    := kHandOverAck, one per frame  running copy -> second copy
//
// An argument is the command-line argument's bytes as the system gave them
// (on Linux any bytes but NUL). The running copy answers a frame as soon as
// it has received it whole, before it opens the argument (which may wait for
// a dialog of its own); the second copy sends the next frame only after
// that answer, so the arguments arrive one at a time, in order. A frame longer than
// kMaxHandOverArgument is no argument of ours: the running copy drops the
// connection without taking anything from it.
//
// Thread safety: a decoder belongs to one connection and one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

inline constexpr uint8_t kHandOverAck = 0x06;
inline constexpr uint32_t kMaxHandOverArgument = 64 * 1024;

// One frame for `argument`. REQUIRES: argument.size() <= kMaxHandOverArgument.
std::string EncodeHandOverFrame(std::string_view argument);

// Splits the received bytes into arguments.
class HandOverDecoder {
  public:
    // Appends received bytes. Ignored once Broken().
    void Feed(std::string_view bytes);
    // The next complete argument, or nothing until more bytes arrive.
    std::optional<std::string> Next();
    // True after a frame announced more than kMaxHandOverArgument bytes.
    bool Broken() const { return broken_; }

  private:
    std::string pending_;
    size_t start_ = 0;
    bool broken_ = false;
};

}  // namespace platform
