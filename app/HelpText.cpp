#include "app/HelpText.h"

#include "platform/Platform.h"
#include "ui/Prompter.h"

namespace app {

void OpenHelp(const core::DataModule& dm) {
    if (!platform::CurrentPlatform().OpenWithAssociatedProgram(
            core::DataModule::EnginePath(dm.ReadmeFile)))
        ui::CurrentPrompter().Information(
            QStringLiteral("Не удается открыть файл '%1'.").arg(dm.ReadmeFile));
}

}  // namespace app
