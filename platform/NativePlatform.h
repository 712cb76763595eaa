// The implementation of Platform for the system the program is built for,
// under one name: what CurrentPlatform() defaults to, and what tests derive
// their partial fakes from.
#pragma once

#if defined(_WIN32)
#include "platform/WindowsPlatform.h"
#else
#include "platform/LinuxPlatform.h"
#endif

namespace platform {

#if defined(_WIN32)
using NativePlatform = WindowsPlatform;
#else
using NativePlatform = LinuxPlatform;
#endif

}  // namespace platform
