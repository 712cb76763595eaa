#include "platform/Platform.h"

#include "platform/NativePlatform.h"
#include "platform/RandomBytes.h"

namespace platform {

namespace {

Platform* installedPlatform = nullptr;

Platform& NativeInstance() {
    static NativePlatform native;
    return native;
}

}  // namespace

std::string NewRandomGuidText() {
    uint8_t b[16];
    FillRandom(b, sizeof b);
    b[6] = static_cast<uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);

    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(38);
    text += '{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[b[i] >> 4];
        text += kDigits[b[i] & 15];
    }
    text += '}';
    return text;
}

Platform& CurrentPlatform() {
    return installedPlatform ? *installedPlatform : NativeInstance();
}

// Null puts the native platform back.
Platform* SetCurrentPlatform(Platform* platform) {
    Platform* previous = &CurrentPlatform();
    installedPlatform = platform;
    return previous;
}

}  // namespace platform
