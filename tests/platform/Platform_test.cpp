#include "platform/Platform.h"

#include <gtest/gtest.h>

#include "platform/LinuxPlatform.h"

namespace platform {
namespace {

TEST(PlatformTest, InstalledPlatformReplacesNativeUntilRestored) {
    Platform& native = CurrentPlatform();
    EXPECT_EQ(native.PathSeparator(), '/');

    LinuxPlatform fake;
    Platform* previous = SetCurrentPlatform(&fake);
    EXPECT_EQ(previous, &native);
    EXPECT_EQ(&CurrentPlatform(), &fake);

    EXPECT_EQ(SetCurrentPlatform(previous), &fake);
    EXPECT_EQ(&CurrentPlatform(), &native);
}

}  // namespace
}  // namespace platform
