// How the update window starts the fetched update program: a function
// given the program's path that starts it detached (no waiting) and reports
// whether it started. The window ignores a failed start.
#pragma once

#include <functional>
#include <string>

namespace update {

using ProcessStarter = std::function<bool(const std::string& path)>;

// The platform's process start when the platform offers one; otherwise the
// file is made executable for its owner and started detached through Qt.
ProcessStarter DefaultProcessStarter();

}  // namespace update
