// Whether this Windows test runs under Wine rather than on Windows. Wine
// lacks some of what every Windows has, the fonts first of all; the few
// tests that depend on those say so and are skipped there only.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif

namespace testing_support {

inline bool UnderWine() {
#if defined(_WIN32)
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

inline constexpr const char* kWineFonts =
    "page counts follow the metrics of Verdana and MS Sans Serif, which Wine does not have";

inline constexpr const char* kWinePdfText =
    "Wine's fonts reach the PDF writer without their tables, so it draws the text as outlines, "
    "which no PDF reader gives back as text";

}  // namespace testing_support
