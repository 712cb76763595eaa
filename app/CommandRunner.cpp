#include "app/CommandRunner.h"

#include <QString>
#include <exception>

#include "core/OrderText.h"
#include "core/WriteTarget.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace app {

void CommandRunner::Run(const std::function<void()>& command) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    } running(depth_);
    try {
        command();
    } catch (const core::ImportStopped&) {
        // The user declined to go on: nothing to report.
    } catch (const core::WriteRefused& refused) {
        ui::CurrentPrompter().Error(refused.Text(), QString());
    } catch (const std::exception& error) {
        ui::CurrentPrompter().Error(ui::FromWin1251(error.what()), QString());
    }
}

}  // namespace app
