#include "update/ProcessStarter.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <type_traits>

#include "platform/Platform.h"

namespace update {

namespace {

template <typename P>
concept StartsProcesses = requires(P& platform, const std::string& path) {
    platform.StartProcess(path);
};

bool StartDetachedThroughQt(const std::string& path) {
    QString program = QString::fromStdString(path);
    QFile::setPermissions(program,
                          QFile::permissions(program) | QFile::ExeOwner | QFile::ReadOwner);
    return QProcess::startDetached(program, {});
}

template <typename P>
bool StartProcessOn(P& platform, const std::string& path) {
    if constexpr (StartsProcesses<P>) {
        if constexpr (std::is_void_v<decltype(platform.StartProcess(path))>) {
            platform.StartProcess(path);
            return true;
        } else {
            return static_cast<bool>(platform.StartProcess(path));
        }
    } else {
        (void)platform;
        return StartDetachedThroughQt(path);
    }
}

}  // namespace

ProcessStarter DefaultProcessStarter() {
    return
        [](const std::string& path) { return StartProcessOn(platform::CurrentPlatform(), path); };
}

}  // namespace update
