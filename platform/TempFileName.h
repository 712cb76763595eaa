// The name of the temporary file an atomic write fills before renaming it
// over its target: the target's path, ".tmp" and 16 random hexadecimal
// digits. It lies in the target's folder, so the rename never crosses a
// file system; the fixed shape lets a later writer find and remove what a
// writer that died left behind.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

inline constexpr char kTempInfix[] = ".tmp";
inline constexpr size_t kTempDigits = 16;

// A fresh temporary name for `target`.
std::string TempNameFor(const std::string& target);

}  // namespace platform
