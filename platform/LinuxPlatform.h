// The platform services on Linux: POSIX calls and the C++ standard library.
//
// Thread safety: stateless apart from the FileOps it was given; the program
// calls it from one thread.
#pragma once

#include "platform/FileOps.h"
#include "platform/Platform.h"

namespace platform {

class LinuxPlatform : public Platform {
  public:
    // Uses the real POSIX file operations.
    LinuxPlatform();
    // Uses `fileOps` for the steps of WriteFileAtomically (and so of
    // CopyFileReplacing). REQUIRES: `fileOps` outlives this object.
    explicit LinuxPlatform(FileOps& fileOps);

    std::string NewGuidText() override;
    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                       std::string& error) override;
    bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             std::string& error) override;
    bool CopyFileReplacing(const std::string& from, const std::string& to) override;
    // True for a regular file (or a link to one); false for folders.
    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    std::optional<int64_t> ModificationTime(const std::string& path) override;
    // The owner write bit stands for the read-only attribute: it is added for
    // the change and the old permissions are put back afterwards.
    bool SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) override;
    char PathSeparator() const override { return '/'; }

  private:
    FileOps& fileOps_;
};

}  // namespace platform
