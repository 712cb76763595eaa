// Replacing a file's content so that at every moment the file holds either
// all of its old bytes or all of the new ones, also across a crash.
//
// The new bytes go to a temporary file beside the target (same folder, so
// the rename below stays on one file system): created under a fresh random
// name, written in a loop that accepts short writes, flushed with fsync and
// closed. Only then is it renamed over the target, and the folder is flushed
// so that the rename itself is durable. Any failure before the rename removes
// the temporary file and leaves the target as it was.
//
// An existing target keeps its permission bits. A target whose owner write
// bit is clear counts as read-only and is not replaced, as the program
// expects of read-only files. A symbolic link is followed: the file it
// points to is replaced, the link stays.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/FileOps.h"

namespace platform {

// False with a readable reason in `error` when the target was left alone.
bool WriteFileAtomically(FileOps& ops, const std::string& path, std::span<const uint8_t> bytes,
                         std::string& error);

}  // namespace platform
