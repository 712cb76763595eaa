#include "platform/CommandLine.h"

#if defined(_WIN32)
// windows.h first: shellapi.h needs its types.
#include <windows.h>

#include <shellapi.h>

#include "platform/WindowsText.h"
#endif

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#if defined(_WIN32)
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
        ::LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace platform
