#include "platform/Platform.h"

#include <gtest/gtest.h>

#include "platform/NativePlatform.h"

namespace platform {
namespace {

TEST(PlatformTest, InstalledPlatformReplacesNativeUntilRestored) {
    Platform& native = CurrentPlatform();
#if defined(_WIN32)
    EXPECT_EQ(native.PathSeparator(), '\\');
#else
    EXPECT_EQ(native.PathSeparator(), '/');
#endif

    NativePlatform fake;
    Platform* previous = SetCurrentPlatform(&fake);
    EXPECT_EQ(previous, &native);
    EXPECT_EQ(&CurrentPlatform(), &fake);

    EXPECT_EQ(SetCurrentPlatform(previous), &fake);
    EXPECT_EQ(&CurrentPlatform(), &native);
}

}  // namespace
}  // namespace platform
