// The Linux path of a file for a Linux program that a Windows test starts
// under Wine (which starts Linux programs, but connects no pipe to one):
// Wine's own mapping of the Windows path. Elsewhere the path as it is.
#pragma once

#include <QDir>
#include <QString>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace testing_support {

inline QString HostPath(const QString& path) {
#if defined(_WIN32)
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto toUnix = kernel == nullptr
                            ? nullptr
                            : reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
                                  ::GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (toUnix == nullptr) return path;
    const QString native = QDir::toNativeSeparators(path);
    char* unixPath = toUnix(reinterpret_cast<LPCWSTR>(native.utf16()));
    if (unixPath == nullptr) return path;
    const QString result = QString::fromUtf8(unixPath);
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
#else
    return path;
#endif
}

}  // namespace testing_support
