#include "app/HelpText.h"

#include "platform/Platform.h"
#include "ui/Prompter.h"

namespace app {

void OpenHelp(const core::TdmZetrovo& dm) {
    if (!platform::CurrentPlatform().OpenWithAssociatedProgram(
            core::TdmZetrovo::EnginePath(dm.ReadmeFile)))
        ui::CurrentPrompter().Information(
            QStringLiteral("Не удается открыть файл '%1'.").arg(dm.ReadmeFile));
}

}  // namespace app
