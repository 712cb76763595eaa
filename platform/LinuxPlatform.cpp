#include "platform/LinuxPlatform.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include "platform/AtomicFileWriter.h"
#include "platform/MemoryRegion.h"
#include "platform/PosixLocale.h"
#include "platform/RemovableMedia.h"

extern char** environ;

namespace platform {

namespace {

void SetSize(std::vector<uint8_t>& bytes, size_t n) {
    bytes.resize(n);
}
void SetSize(RegionBuffer& bytes, size_t n) {
    bytes.Resize(n);
}

// Reads all of `path` into `out`; 0, or an errno value with `reason`
// saying why. Only a regular file is read: a device or a pipe could hand
// out bytes without end or block for ever, so the kind is checked before
// the first read (the open does not wait for a pipe's writer). The size
// from fstat is only a first guess: the loop reads until end of file and
// gives up as soon as the file has grown past `maxSize`.
template <typename Buffer>
int ReadAll(const std::string& path, Buffer& out, uint64_t maxSize, std::string& reason) {
    auto tooLarge = [&](uint64_t size) {
        reason = std::to_string(size) + " bytes, more than the " + std::to_string(maxSize) +
                 " that can be read";
        return EFBIG;
    };
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = std::system_category().message(errno);
        return errno;
    }

    struct stat st;
    int err = 0;
    if (::fstat(fd, &st) != 0) {
        err = errno;
        reason = std::system_category().message(err);
    } else if (S_ISDIR(st.st_mode)) {
        err = EISDIR;
        reason = std::system_category().message(err);
    } else if (!S_ISREG(st.st_mode)) {
        err = EINVAL;
        reason = "not a regular file";
    } else if (static_cast<uint64_t>(st.st_size) > maxSize) {
        err = tooLarge(static_cast<uint64_t>(st.st_size));
    }
    if (err != 0) {
        ::close(fd);
        return err;
    }
    Buffer bytes;
    SetSize(bytes, st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) SetSize(bytes, bytes.size() * 2);
        ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            err = errno;
            reason = std::system_category().message(err);
            ::close(fd);
            return err;
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
        if (used > maxSize) {
            ::close(fd);
            return tooLarge(used);
        }
    }
    ::close(fd);
    SetSize(bytes, used);
    out = std::move(bytes);
    return 0;
}

// Waits for `pid` on a thread of its own, so that a child the program no
// longer waits for does not stay behind as a zombie.
void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Starts `argv[0]` (looked up in PATH when `search`) with standard input and
// output on /dev/null, in a session of its own so that it outlives the
// program and its terminal, with no signal blocked. 0 or an errno value.
int Spawn(const char* const argv[], bool search, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attr, flags);

    char* const* args = const_cast<char* const*>(argv);
    const int err = search ? ::posix_spawnp(&pid, argv[0], &actions, &attr, args, environ)
                           : ::posix_spawn(&pid, argv[0], &actions, &attr, args, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return err;
}

// Runs a helper program found in PATH with standard input and output on
// /dev/null and waits at most `limit` for it; true when it ended with 0.
bool RunAndWait(const std::vector<std::string>& args, std::chrono::milliseconds limit) {
    if (args.empty()) return false;
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    pid_t pid;
    if (Spawn(argv.data(), true, pid) != 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReapInBackground(pid);
    return false;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return pw->pw_dir;
    return {};
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default below the home folder.
std::string XdgFolder(const char* variable, const char* defaultBelowHome) {
    if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + defaultBelowHome;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a line XDG_DESKTOP_DIR="$HOME/..." or
// with an absolute path. Empty when the file does not name one.
std::string DesktopFromUserDirs() {
    const std::string config = XdgFolder("XDG_CONFIG_HOME", ".config");
    if (config.empty()) return {};
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string prefix = "XDG_DESKTOP_DIR=\"";
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const size_t end = line.find('"', prefix.size());
        if (end == std::string::npos) return {};
        std::string value = line.substr(prefix.size(), end - prefix.size());
        if (value.compare(0, 5, "$HOME") == 0) {
            const std::string home = HomeFolder();
            if (home.empty()) return {};
            value = home + value.substr(5);
        }
        return value.empty() || value[0] != '/' ? std::string() : value;
    }
    return {};
}

// The locale the environment names for `category`, as setlocale would pick
// it: LC_ALL, then the category's variable, then LANG.
std::string LocaleNameFor(const char* categoryVariable) {
    for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
        if (const char* value = std::getenv(variable); value && value[0] != '\0') return value;
    }
    return {};
}

bool IsPlainLocale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.compare(0, 2, "C.") == 0;
}

}  // namespace

LinuxPlatform::LinuxPlatform() : fileOps_(PosixFileOps::Instance()) {}

LinuxPlatform::LinuxPlatform(FileOps& fileOps) : fileOps_(fileOps) {}

std::string LinuxPlatform::NewGuidText() {
    return NewRandomGuidText();
}

bool LinuxPlatform::ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                                  std::string& error, uint64_t maxSize) {
    std::string reason;
    if (ReadAll(path, out, maxSize, reason) == 0) return true;
    error = "Cannot read '" + path + "': " + reason;
    return false;
}

bool LinuxPlatform::ReadWholeFile(const std::string& path, RegionBuffer& out, std::string& error,
                                  uint64_t maxSize) {
    std::string reason;
    if (ReadAll(path, out, maxSize, reason) == 0) return true;
    error = "Cannot read '" + path + "': " + reason;
    return false;
}

bool LinuxPlatform::WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                        std::string& error) {
    return platform::WriteFileAtomically(fileOps_, path, bytes, error);
}

bool LinuxPlatform::CopyFileReplacing(const std::string& from, const std::string& to) {
    std::vector<uint8_t> bytes;
    std::string reason;
    int err = ReadAll(from, bytes, UINT64_MAX, reason);
    if (err == ENOENT) return true;
    if (err != 0) return false;
    std::string error;
    return WriteFileAtomically(to, bytes, error);
}

bool LinuxPlatform::FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LinuxPlatform::RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::optional<int64_t> LinuxPlatform::ModificationTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<int64_t>(st.st_mtim.tv_sec);
}

bool LinuxPlatform::SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    const bool readOnly = (st.st_mode & S_IWUSR) == 0;
    if (readOnly && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return false;

    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(secondsSinceEpoch);
    times[1].tv_nsec = 0;
    const bool ok = ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;

    if (readOnly) ::chmod(path.c_str(), st.st_mode & 07777);
    return ok;
}

bool LinuxPlatform::IsReadOnly(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool LinuxPlatform::SetReadOnly(const std::string& path, bool readOnly) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    return ::chmod(path.c_str(), mode) == 0;
}

bool LinuxPlatform::OpenWithAssociatedProgram(const std::string& target) {
    if (target.empty()) return false;
    // A name beginning with "-" would be read as an option of the opener.
    const std::string argument = target[0] == '-' ? "./" + target : target;
    const char* argv[] = {opener_.c_str(), argument.c_str(), nullptr};
    pid_t pid;
    if (Spawn(argv, true, pid) != 0) return false;

    const auto deadline = std::chrono::steady_clock::now() + openerWaitLimit_;
    for (;;) {
        int status;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return true;  // reaped elsewhere: cannot tell
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReapInBackground(pid);
    return true;
}

bool LinuxPlatform::StartProcess(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if ((st.st_mode & S_IXUSR) == 0 && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IXUSR) != 0)
        return false;
    // posix_spawn takes a name without a slash as relative to the current
    // folder, which is what a path means here.
    const char* argv[] = {path.c_str(), nullptr};
    pid_t pid;
    if (Spawn(argv, false, pid) != 0) return false;
    ReapInBackground(pid);
    return true;
}

std::string LinuxPlatform::UserFolderPath(UserFolder folder) {
    switch (folder) {
        case UserFolder::Desktop: {
            std::string desktop = DesktopFromUserDirs();
            if (desktop.empty()) {
                const std::string home = HomeFolder();
                if (home.empty()) return {};
                desktop = home + "/Desktop";
            }
            return WithoutTrailingSlash(desktop);
        }
        case UserFolder::ProgramsMenu: {
            const std::string data = UserFolderPath(UserFolder::DataHome);
            return data.empty() ? data : data + "/applications";
        }
        case UserFolder::DataHome:
            return WithoutTrailingSlash(XdgFolder("XDG_DATA_HOME", ".local/share"));
    }
    return {};
}

Platform::LocaleFormats LinuxPlatform::UserLocale() {
    const std::string numeric = LocaleNameFor("LC_NUMERIC");
    const std::string time = LocaleNameFor("LC_TIME");
    const std::string name = !IsPlainLocale(time) ? time : numeric;
    if (IsPlainLocale(numeric) && IsPlainLocale(time)) return {};

    // Each category from its own locale; a plain or missing one keeps the
    // defaults of that part.
    LocaleFormats result;
    locale_t numericLocale =
        IsPlainLocale(numeric) ? locale_t(0) : ::newlocale(LC_NUMERIC_MASK, numeric.c_str(), 0);
    locale_t timeLocale =
        IsPlainLocale(time) ? locale_t(0) : ::newlocale(LC_TIME_MASK, time.c_str(), 0);
    if (numericLocale == 0 && timeLocale == 0) return result;

    const LocaleFormats parsed =
        FormatsFromLanginfo(numericLocale ? ::nl_langinfo_l(RADIXCHAR, numericLocale) : "",
                            numericLocale ? ::nl_langinfo_l(THOUSEP, numericLocale) : "",
                            timeLocale ? ::nl_langinfo_l(D_FMT, timeLocale) : "",
                            timeLocale ? ::nl_langinfo_l(T_FMT, timeLocale) : "");
    if (numericLocale) {
        result.decimalSeparator = parsed.decimalSeparator;
        result.thousandSeparator = parsed.thousandSeparator;
        ::freelocale(numericLocale);
    }
    if (timeLocale) {
        result.dateSeparator = parsed.dateSeparator;
        result.timeSeparator = parsed.timeSeparator;
        result.shortDateFormat = parsed.shortDateFormat;
        result.longTimeFormat = parsed.longTimeFormat;
        ::freelocale(timeLocale);
    }
    result.name = name;
    return result;
}

XdgFolders LinuxPlatform::UserXdgFolders() {
    XdgFolders folders;
    folders.dataHome = UserFolderPath(UserFolder::DataHome);
    folders.configHome = WithoutTrailingSlash(XdgFolder("XDG_CONFIG_HOME", ".config"));
    folders.desktop = UserFolderPath(UserFolder::Desktop);
    return folders;
}

bool LinuxPlatform::CreateShortcut(const Shortcut& shortcut) {
    return XdgCreateShortcut(UserXdgFolders(), shortcut);
}

bool LinuxPlatform::FileTypeOpensWith(const std::string& extension, const std::string& typeName,
                                      const std::string& programPath) {
    return XdgFileTypeInPlace(UserXdgFolders(), extension, typeName, programPath);
}

bool LinuxPlatform::RegisterFileType(const std::string& extension, const std::string& typeName,
                                     const std::string& programPath) {
    return XdgRegisterFileType(UserXdgFolders(), extension, typeName, programPath,
                               [](const std::vector<std::string>& argv) {
                                   return RunAndWait(argv, std::chrono::seconds(10));
                               });
}

std::string LinuxPlatform::InstanceFolder() const {
    return instanceFolder_.empty() ? InstanceRuntimeFolder() : instanceFolder_;
}

Platform::InstanceClaim LinuxPlatform::ClaimSingleInstance(const std::string& name) {
    return lock_.Claim(InstanceFolder(), name);
}

bool LinuxPlatform::HandOverToRunningInstance(const std::string& name,
                                              const std::vector<std::string>& arguments) {
    const std::string folder = InstanceFolder();
    if (folder.empty()) return false;
    return SendHandOver(InstancePathsFor(folder, name).socket, arguments, handOverConnectWait_,
                        handOverAnswerWait_);
}

std::string LinuxPlatform::ProgramFilePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::vector<std::string> LinuxPlatform::RemovableMedia() {
    // The kernel's table has no size of its own: read as a stream.
    std::ifstream in("/proc/self/mounts", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string user;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) user = pw->pw_name;
    return RemovableMountPoints(text, user, [](const std::string& folder) {
        struct stat st;
        return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
               ::access(folder.c_str(), W_OK) == 0;
    });
}

void LinuxPlatform::SetInstanceFolder(std::string folder) {
    instanceFolder_ = std::move(folder);
}

void LinuxPlatform::SetHandOverLimits(std::chrono::milliseconds connectWait,
                                      std::chrono::milliseconds answerWait) {
    handOverConnectWait_ = connectWait;
    handOverAnswerWait_ = answerWait;
}

void LinuxPlatform::SetOpener(std::string program, std::chrono::milliseconds waitLimit) {
    opener_ = std::move(program);
    openerWaitLimit_ = waitLimit;
}

}  // namespace platform
