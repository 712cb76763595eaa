#include "platform/WindowsShell.h"

#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "platform/WindowsText.h"

namespace platform {

namespace {

// COM for the calling thread while this object lives: initialised as a
// single-threaded apartment, as the shell's objects want it, unless the
// thread already has COM (the program's main thread under Qt has).
class ComScope {
  public:
    ComScope() {
        const HRESULT result =
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        initialised_ = SUCCEEDED(result);
        // A thread in the other apartment kind can still use the objects.
        usable_ = initialised_ || result == RPC_E_CHANGED_MODE;
    }
    ~ComScope() {
        if (initialised_) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return usable_; }

  private:
    bool initialised_ = false;
    bool usable_ = false;
};

// Releases a COM interface when it goes out of scope.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

const wchar_t kClassesRoot[] = L"Software\\Classes\\";

std::wstring ClassesKey(const std::string& key) {
    return kClassesRoot + WideFromUtf8(key);
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return ::CompareStringOrdinal(WideFromUtf8(a).c_str(), -1, WideFromUtf8(b).c_str(), -1, TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

bool WriteShellLink(const std::string& linkPath, const ShellLink& link) {
    ComScope com;
    if (!com.Usable()) return false;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(shellLink.Out()))))
        return false;
    if (FAILED(shellLink->SetPath(WideFromUtf8(link.target).c_str()))) return false;
    if (!link.iconPath.empty()) shellLink->SetIconLocation(WideFromUtf8(link.iconPath).c_str(), 0);
    if (!link.workingFolder.empty())
        shellLink->SetWorkingDirectory(WideFromUtf8(link.workingFolder).c_str());
    if (!link.arguments.empty()) shellLink->SetArguments(WideFromUtf8(link.arguments).c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()))))
        return false;
    return SUCCEEDED(file->Save(WideFromUtf8(linkPath).c_str(), TRUE));
}

std::optional<ShellLink> ReadShellLink(const std::string& linkPath) {
    ComScope com;
    if (!com.Usable()) return std::nullopt;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(shellLink.Out()))))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out()))) ||
        FAILED(file->Load(WideFromUtf8(linkPath).c_str(), STGM_READ)))
        return std::nullopt;
    std::vector<wchar_t> buffer(32768);
    const int size = static_cast<int>(buffer.size());
    ShellLink link;
    if (SUCCEEDED(shellLink->GetPath(buffer.data(), size, nullptr, SLGP_RAWPATH)))
        link.target = Utf8FromWide(buffer.data());
    if (SUCCEEDED(shellLink->GetArguments(buffer.data(), size)))
        link.arguments = Utf8FromWide(buffer.data());
    if (SUCCEEDED(shellLink->GetWorkingDirectory(buffer.data(), size)))
        link.workingFolder = Utf8FromWide(buffer.data());
    int icon = 0;
    if (SUCCEEDED(shellLink->GetIconLocation(buffer.data(), size, &icon)))
        link.iconPath = Utf8FromWide(buffer.data());
    return link;
}

std::string FileTypeOpenCommand(const std::string& programPath) {
    return "\"" + programPath + "\" \"%1\"";
}

std::optional<std::string> ReadClassesValue(const std::string& key) {
    HKEY handle;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ClassesKey(key).c_str(), 0, KEY_QUERY_VALUE, &handle) !=
        ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::string> value;
    if (::RegQueryValueExW(handle, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(handle, nullptr, nullptr, &type,
                               reinterpret_cast<BYTE*>(text.data()), &bytes) == ERROR_SUCCESS) {
            // The stored value may or may not end with its zero.
            text.resize(bytes / sizeof(wchar_t));
            while (!text.empty() && text.back() == L'\0') text.pop_back();
            value = Utf8FromWide(text);
        }
    }
    ::RegCloseKey(handle);
    return value;
}

bool WriteClassesValue(const std::string& key, const std::string& value) {
    HKEY handle;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ClassesKey(key).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &handle,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring text = WideFromUtf8(value);
    // Stored with its terminating zero.
    const bool ok =
        ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    ::RegCloseKey(handle);
    return ok;
}

bool RemoveClassesKey(const std::string& key) {
    return ::RegDeleteTreeW(HKEY_CURRENT_USER, ClassesKey(key).c_str()) == ERROR_SUCCESS;
}

bool WindowsFileTypeOpensWith(const std::string& extension, const std::string& typeName,
                              const std::string& programPath) {
    const std::optional<std::string> type = ReadClassesValue(extension);
    if (!type || *type != typeName) return false;
    const std::optional<std::string> command =
        ReadClassesValue(typeName + "\\Shell\\Open\\command");
    return command && (EqualIgnoringCase(*command, FileTypeOpenCommand(programPath)) ||
                       EqualIgnoringCase(*command, programPath + " %1"));
}

bool WindowsRegisterFileType(const std::string& extension, const std::string& typeName,
                             const std::string& programPath) {
    bool ok = WriteClassesValue(extension, typeName);
    ok = WriteClassesValue(typeName + "\\DefaultIcon", programPath + ",0") && ok;
    ok = WriteClassesValue(typeName + "\\Shell\\Open\\command", FileTypeOpenCommand(programPath)) &&
         ok;
    // Explorer keeps the icons and openers it has seen until told.
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ok;
}

bool ShellOpen(const std::string& target) {
    if (target.empty()) return false;
    ComScope com;
    const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", WideFromUtf8(target).c_str(),
                                             nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
