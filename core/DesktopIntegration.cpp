#include "core/DesktopIntegration.h"

#include <exception>

#include "core/AppTitle.h"
#include "core/ClientInfo.h"
#include "core/Settings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"

namespace core {

void RegisterOrderFileType() {
    platform::Platform& os = platform::CurrentPlatform();
    const std::string program = os.ProgramFilePath();
    if (program.empty()) return;
    if (!os.FileTypeOpensWith(kOrderExtension, kOrderFileType, program))
        os.RegisterFileType(kOrderExtension, kOrderFileType, program);
}

void CreateShortcuts(const std::string& programDir, const std::string& readmeFile) {
    platform::Platform& os = platform::CurrentPlatform();
    const std::string program = os.ProgramFilePath();
    if (program.empty()) return;
    const std::string title = kAppTitle;
    using Folder = platform::Platform::UserFolder;
    using Shortcut = platform::Platform::Shortcut;
    os.CreateShortcut(Shortcut{Folder::Desktop, {}, title, program, program, {}, programDir});
    os.CreateShortcut(
        Shortcut{Folder::ProgramsMenu, "Зетрово", title, program, program, {}, programDir});
    os.CreateShortcut(
        Shortcut{Folder::ProgramsMenu, "Зетрово", "Справка", readmeFile, {}, {}, programDir});
}

bool IsFirstStart(const std::string& settingsFile) {
    return !platform::CurrentPlatform().FileExists(settingsFile);
}

std::optional<std::string> FirstStart(const std::string& programDir,
                                      const std::string& settingsFile,
                                      const std::string& readmeFile) {
    CreateShortcuts(programDir, readmeFile);
    try {
        WriteSetting(settingsFile, kClientSection, kKeyKlient, text::Utf8ToCp1251("Новый клиент"));
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

}  // namespace core
