#include "platform/InstanceHandOver.h"

namespace platform {

std::string EncodeHandOverFrame(std::string_view argument) {
    const auto size = static_cast<uint32_t>(argument.size());
    std::string frame;
    frame.reserve(4 + argument.size());
    for (int shift = 0; shift < 32; shift += 8) frame += static_cast<char>((size >> shift) & 0xFF);
    frame.append(argument);
    return frame;
}

void HandOverDecoder::Feed(std::string_view bytes) {
    if (broken_) return;
    // Drop what was already handed out before the buffer grows again.
    if (start_ > 0 && start_ >= pending_.size() / 2) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    pending_.append(bytes);
}

std::optional<std::string> HandOverDecoder::Next() {
    if (broken_ || pending_.size() - start_ < 4) return std::nullopt;
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i)
        size = (size << 8) | static_cast<uint8_t>(pending_[start_ + static_cast<size_t>(i)]);
    if (size > kMaxHandOverArgument) {
        broken_ = true;
        pending_.clear();
        start_ = 0;
        return std::nullopt;
    }
    if (pending_.size() - start_ - 4 < size) return std::nullopt;
    std::string argument = pending_.substr(start_ + 4, size);
    start_ += 4 + size;
    return argument;
}

}  // namespace platform
