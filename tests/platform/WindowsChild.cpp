// A program the Windows platform tests start: it leaves a file named after
// its own path with ".ran" added, so that a test sees that it was started,
// from which file, and under which name.
#include <windows.h>

#include <string>

int main() {
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size()) return 1;
    path.resize(length);
    path += L".ran";
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    ::WriteFile(file, "ran", 3, &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
