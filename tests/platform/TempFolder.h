// The test folder, plus plain helpers that touch files without going
// through the code under test.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace platform {

using TempFolder = testing_support::TempFolder;

// A UTF-8 path as the standard library's path (on Windows a plain string
// would be read in the ANSI code page).
inline std::filesystem::path NativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A file in the folder named with the Windows separator, as the system
// itself names it back.
inline std::string WinFile(const TempFolder& dir, const std::string& name) {
    return dir.Path() + "\\" + name;
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace platform
