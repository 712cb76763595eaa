// The test folder, plus plain helpers that touch files without going
// through the code under test.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <fstream>
#include <iterator>
#include <string>

namespace platform {

using TempFolder = testing_support::TempFolder;

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace platform
