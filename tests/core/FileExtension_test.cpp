// The extension rule shared by every file named after another.
#include "core/FileExtension.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(ChangeFileExt, ReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(core::ChangeFileExt("/a/b.txt", ".zv"), "/a/b.zv");
    EXPECT_EQ(core::ChangeFileExt("/a.d/b", ".zv"), "/a.d/b.zv");
    EXPECT_EQ(core::ChangeFileExt("/a/b.c.txt", ".zv"), "/a/b.c.zv");
}

}  // namespace
}  // namespace core
