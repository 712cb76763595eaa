#include "platform/AtomicFileWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "platform/FileIdentity.h"
#include "platform/LinuxPlatform.h"
#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

enum class Step { None, Create, Sync, Close, Rename };

// Real file operations that can be told to write in short pieces (nothing at
// all with a piece of 0), to run out of space after a number of bytes, or to
// fail at one step. It keeps track of the descriptors it opened so that a
// leak shows.
class FaultyFileOps : public PosixFileOps {
  public:
    size_t maxPiece = SIZE_MAX;
    std::optional<size_t> spaceLeft;
    Step failAt = Step::None;
    std::set<int> openFds;

    int CreateNew(const std::string& path, int& fd) override {
        if (failAt == Step::Create) return EACCES;
        int err = PosixFileOps::CreateNew(path, fd);
        if (err == 0) openFds.insert(fd);
        return err;
    }
    int Write(int fd, const uint8_t* data, size_t n, size_t& written) override {
        size_t allowed = std::min(n, maxPiece);
        if (spaceLeft) {
            if (*spaceLeft == 0) return ENOSPC;
            allowed = std::min(allowed, *spaceLeft);
        }
        int err = PosixFileOps::Write(fd, data, allowed, written);
        if (spaceLeft) *spaceLeft -= written;
        return err;
    }
    int Sync(int fd) override { return failAt == Step::Sync ? EIO : PosixFileOps::Sync(fd); }
    int Close(int fd) override {
        openFds.erase(fd);
        int err = PosixFileOps::Close(fd);
        return failAt == Step::Close ? EIO : err;
    }
    int Rename(const std::string& from, const std::string& to) override {
        return failAt == Step::Rename ? EXDEV : PosixFileOps::Rename(from, to);
    }
};

std::string Pattern(size_t n, char seed) {
    std::string text(n, '\0');
    for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>(seed + i % 23);
    return text;
}

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct FaultCase {
    const char* name;
    size_t maxPiece;
    std::optional<size_t> spaceLeft;
    Step failAt;
    bool succeeds;
};

const std::string kOld = Pattern(10000, 'a');
const std::string kNew = Pattern(25000, 'A');

const FaultCase kFaultCases[] = {
    {"all at once", SIZE_MAX, std::nullopt, Step::None, true},
    {"short writes", 3, std::nullopt, Step::None, true},
    {"writes move nothing", 0, std::nullopt, Step::None, false},
    {"exactly enough space", 4096, kNew.size(), Step::None, true},
    {"no space at all", SIZE_MAX, 0, Step::None, false},
    {"space runs out half-way", SIZE_MAX, kNew.size() / 2, Step::None, false},
    {"space runs out half-way, short writes", 1000, kNew.size() / 2, Step::None, false},
    {"cannot create", SIZE_MAX, std::nullopt, Step::Create, false},
    {"flush fails", SIZE_MAX, std::nullopt, Step::Sync, false},
    {"close fails", SIZE_MAX, std::nullopt, Step::Close, false},
    {"rename fails", SIZE_MAX, std::nullopt, Step::Rename, false},
};

// Whatever step fails, the target keeps its old bytes (or stays absent), no
// temporary file is left behind and no descriptor stays open.
TEST(AtomicFileWriterTest, FailureAtAnyStepLeavesTargetIntact) {
    for (const FaultCase& c : kFaultCases) {
        for (bool hadOldFile : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (hadOldFile ? ", old file" : ", no old file"));
            TempFolder folder;
            const std::string target = folder.File("Zakaz1.zv");
            if (hadOldFile) WriteText(target, kOld);

            FaultyFileOps ops;
            ops.maxPiece = c.maxPiece;
            ops.spaceLeft = c.spaceLeft;
            ops.failAt = c.failAt;
            std::string error;
            const bool ok = WriteFileAtomically(ops, target, AsBytes(kNew), error);

            EXPECT_EQ(ok, c.succeeds) << error;
            EXPECT_TRUE(ops.openFds.empty());
            if (c.succeeds) {
                EXPECT_EQ(ReadText(target), kNew);
                EXPECT_EQ(folder.Names(), std::set<std::string>{"Zakaz1.zv"});
                continue;
            }
            EXPECT_NE(error.find(target), std::string::npos) << error;
            if (hadOldFile) {
                EXPECT_EQ(ReadText(target), kOld);
                EXPECT_EQ(folder.Names(), std::set<std::string>{"Zakaz1.zv"});
            } else {
                EXPECT_TRUE(folder.Names().empty());
            }
        }
    }
}

TEST(AtomicFileWriterTest, KeepsPermissionsOfExistingTarget) {
    TempFolder folder;
    const std::string target = folder.File("price.zv");
    WriteText(target, kOld);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(PosixFileOps::Instance(), target, AsBytes(kNew), error))
        << error;
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadText(target), kNew);

    // Empty content is a file of 0 bytes, not a failure.
    ASSERT_TRUE(WriteFileAtomically(PosixFileOps::Instance(), target, {}, error)) << error;
    EXPECT_EQ(ReadText(target), "");
}

// A read-only file is not replaced behind the user's back; a link keeps
// pointing at the file that now holds the new bytes.
TEST(AtomicFileWriterTest, RespectsReadOnlyTargetsAndLinks) {
    TempFolder folder;
    const std::string readOnly = folder.File("locked.zv");
    WriteText(readOnly, kOld);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PosixFileOps::Instance(), readOnly, AsBytes(kNew), error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(ReadText(readOnly), kOld);

    const std::string real = folder.File("real.zv");
    const std::string link = folder.File("link.zv");
    WriteText(real, kOld);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(PosixFileOps::Instance(), link, AsBytes(kNew), error)) << error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(real), kNew);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"locked.zv", "real.zv", "link.zv"}));
}

TEST(AtomicFileWriterTest, ImpossibleTargetsFailCleanly) {
    TempFolder folder;
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));
    for (const std::string& target : {folder.File("sub"), folder.File("missing/order.zv")}) {
        SCOPED_TRACE(target);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(PosixFileOps::Instance(), target, AsBytes(kNew), error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(folder.Names(), std::set<std::string>{"sub"});
    }
}

// Only regular files are replaced: a pipe, a socket, a folder, a link to
// any of them or a link leading nowhere stays what it is, with the refusal
// naming the path as given, and no temporary file is left beside it.
TEST(AtomicFileWriterTest, RefusesEverythingButRegularFiles) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.File("pipe.xls").c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));
    ASSERT_EQ(::symlink(folder.File("pipe.xls").c_str(), folder.File("to-pipe.ini").c_str()), 0);
    // Never a link to a real device: run as root without the refusal, the
    // test would replace it.
    ASSERT_EQ(::symlink(folder.File("sub").c_str(), folder.File("to-folder.ini").c_str()), 0);
    ASSERT_EQ(::symlink(folder.File("gone.zv").c_str(), folder.File("dangling.zv").c_str()), 0);
    ASSERT_EQ(::symlink(folder.File("loop.zv").c_str(), folder.File("loop.zv").c_str()), 0);
    const std::set<std::string> before = folder.Names();
    for (const char* name :
         {"pipe.xls", "sub", "to-pipe.ini", "to-folder.ini", "dangling.zv", "loop.zv"}) {
        SCOPED_TRACE(name);
        const std::string target = folder.File(name);
        EXPECT_TRUE(IsNonRegularFile(target));
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(PosixFileOps::Instance(), target, AsBytes(kNew), error));
        EXPECT_EQ(error, NotRegularFileError(target));
        EXPECT_EQ(error, "Cannot write '" + target + "': not a regular file");
    }
    EXPECT_EQ(folder.Names(), before);
    struct stat st;
    ASSERT_EQ(::lstat(folder.File("pipe.xls").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("dangling.zv")));

    // A regular file, directly or through a link, and a new name are fine.
    WriteText(folder.File("plain.zv"), kOld);
    EXPECT_FALSE(IsNonRegularFile(folder.File("plain.zv")));
    EXPECT_FALSE(IsNonRegularFile(folder.File("new.zv")));
    EXPECT_FALSE(IsNonRegularFile(folder.File("missing/new.zv")));
}

// One file named twice, through a link or a detour, is the same file; two
// files with equal bytes are not.
TEST(AtomicFileWriterTest, SameFileByIdentity) {
    TempFolder folder;
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));
    WriteText(folder.File("a.txt"), kOld);
    WriteText(folder.File("b.txt"), kOld);
    ASSERT_EQ(::symlink(folder.File("a.txt").c_str(), folder.File("link.txt").c_str()), 0);
    ASSERT_EQ(::link(folder.File("a.txt").c_str(), folder.File("hard.txt").c_str()), 0);
    EXPECT_TRUE(IsSameFile(folder.File("a.txt"), folder.File("sub/../a.txt")));
    EXPECT_TRUE(IsSameFile(folder.File("a.txt"), folder.File("link.txt")));
    EXPECT_TRUE(IsSameFile(folder.File("hard.txt"), folder.File("a.txt")));
    EXPECT_FALSE(IsSameFile(folder.File("a.txt"), folder.File("b.txt")));
    EXPECT_FALSE(IsSameFile(folder.File("a.txt"), folder.File("none.txt")));
    EXPECT_FALSE(IsSameFile(folder.File("none.txt"), folder.File("none.txt")));
}

// The platform object routes its writes and copies through the FileOps it
// was given.
TEST(AtomicFileWriterTest, LinuxPlatformUsesGivenFileOps) {
    TempFolder folder;
    const std::string source = folder.File("source.zv");
    const std::string target = folder.File("target.zv");
    WriteText(source, kNew);
    WriteText(target, kOld);

    FaultyFileOps ops;
    ops.spaceLeft = 100;
    LinuxPlatform faulty(ops);
    std::string error;
    EXPECT_FALSE(faulty.WriteFileAtomically(target, AsBytes(kNew), error));
    EXPECT_FALSE(faulty.CopyFileReplacing(source, target));
    EXPECT_EQ(ReadText(target), kOld);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"source.zv", "target.zv"}));
}

// Sets a file's modification time `seconds` into the past.
void Age(const std::string& path, int seconds) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = ::time(nullptr) - seconds;
    times[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// A writer killed half-way leaves its temporary file; the next write of the
// same target removes it, and only it: never a file a live writer holds,
// one just created, or one of another target.
TEST(AtomicFileWriterTest, NextWriteRemovesTemporariesOfDeadWriters) {
    TempFolder folder;
    const std::string target = folder.File("price.zv");
    WriteText(target, kOld);

    // A child process starts writing and dies before it finishes.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct Dying : PosixFileOps {
            int Write(int fd, const uint8_t* data, size_t n, size_t& written) override {
                PosixFileOps::Write(fd, data, n / 2, written);
                ::_exit(0);
            }
        } dying;
        std::string ignored;
        WriteFileAtomically(dying, target, AsBytes(kNew), ignored);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::set<std::string> names = folder.Names();
    ASSERT_EQ(names.size(), 2u);
    names.erase("price.zv");
    const std::string dead = *names.begin();
    ASSERT_TRUE(dead.starts_with("price.zv.tmp")) << dead;
    Age(folder.File(dead), 120);

    // A live writer's file (its lock is held here), a fresh unlocked one,
    // another target's and a near miss of the name form.
    const std::string live = "price.zv.tmp00112233445566ff";
    const std::string fresh = "price.zv.tmpaabbccddeeff0011";
    const std::string other = "price.zv2.tmp0011223344556677";
    const std::string nearMiss = "price.zv.tmp0011223344556677x";
    for (const std::string& name : {live, fresh, other, nearMiss}) {
        WriteText(folder.File(name), "partial");
        if (name != fresh) Age(folder.File(name), 120);
    }
    const int held = ::open(folder.File(live).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(PosixFileOps::Instance(), target, AsBytes(kNew), error))
        << error;
    EXPECT_EQ(ReadText(target), kNew);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"price.zv", live, fresh, other, nearMiss}));

    // Once its writer is gone, the held one goes with the next write too.
    ::close(held);
    EXPECT_EQ(RemoveStaleTemporaries(target), 1);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"price.zv", fresh, other, nearMiss}));
}

}  // namespace
}  // namespace platform
