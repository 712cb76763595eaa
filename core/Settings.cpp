#include "core/Settings.h"

#include <cstdint>
#include <span>
#include <vector>

#include "core/IniFile.h"
#include "core/WriteTarget.h"
#include "platform/Platform.h"

namespace core {

SettingsWriteError::SettingsWriteError(const std::string& file)
    : std::runtime_error("Unable to write to " + file), file_(file) {}

std::string ReadSetting(const std::string& file, const std::string& section,
                        const std::string& key) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::CurrentPlatform().ReadWholeFile(file, bytes, error)) return {};
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string value = FindIniValue(text, section, key).value_or(std::string());
    if (value.size() > kMaxSettingLength) value.resize(kMaxSettingLength);
    return value;
}

void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value) {
    // A pipe or a device in the file's place is not replaced by a file.
    CheckWriteTarget(file);
    platform::Platform& os = platform::CurrentPlatform();
    std::vector<uint8_t> bytes;
    std::string error;
    // A file that exists but cannot be read must not be replaced by one that
    // holds only the new value.
    if (!os.ReadWholeFile(file, bytes, error)) {
        if (os.FileExists(file)) throw SettingsWriteError(file);
        bytes.clear();
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string updated = WithIniValue(text, section, key, value);
    const std::span<const uint8_t> out(reinterpret_cast<const uint8_t*>(updated.data()),
                                       updated.size());
    if (!os.WriteFileAtomically(file, out, error)) throw SettingsWriteError(file);
}

}  // namespace core
