#include "app/IgnoreQuestion.h"

#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace app {

core::IgnoreAnswer AskIgnore(const std::string& question) {
    switch (ui::CurrentPrompter().ConfirmYesNoAll(ui::FromWin1251(question))) {
        case ui::Prompter::Answer::Yes:
            return core::IgnoreAnswer::Yes;
        case ui::Prompter::Answer::All:
            return core::IgnoreAnswer::All;
        default:
            return core::IgnoreAnswer::No;
    }
}

}  // namespace app
