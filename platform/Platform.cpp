#include "platform/Platform.h"

#include "platform/LinuxPlatform.h"

namespace platform {

namespace {

Platform* installedPlatform = nullptr;

Platform& NativePlatform() {
    static LinuxPlatform native;
    return native;
}

}  // namespace

Platform& CurrentPlatform() {
    return installedPlatform ? *installedPlatform : NativePlatform();
}

// Null puts the native platform back.
Platform* SetCurrentPlatform(Platform* platform) {
    Platform* previous = &CurrentPlatform();
    installedPlatform = platform;
    return previous;
}

}  // namespace platform
