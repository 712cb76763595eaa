// Whole files as byte strings, for tests that write inputs and compare
// outputs byte for byte.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace testing_support {

// The file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testing_support
