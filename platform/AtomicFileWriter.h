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
// The temporary file is named after the target: the target's name, ".tmp"
// and 16 hexadecimal digits. Its writer holds an exclusive lock on it until
// it is closed, and the system drops that lock when a writer dies. So the
// next write of the same target recognises a temporary file left behind by
// a crash or a killed program and removes it first; a file another writer
// still holds (its lock cannot be taken) is never touched.
//
// An existing target keeps its permission bits. A target whose owner write
// bit is clear counts as read-only and is not replaced, as the program
// expects of read-only files. A symbolic link is followed: the file it
// points to is replaced, the link stays. Only a regular file is replaced:
// a target that is anything else after following links (a folder, a
// device, a pipe, a socket, a link leading nowhere) is refused with
// NotRegularFileError and left as it is.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/FileOps.h"

namespace platform {

// "Cannot write '<path>': not a regular file", the refusal of a target
// that is not a regular file.
std::string NotRegularFileError(const std::string& path);

// False with a readable reason in `error` when the target was left alone.
// Removes the temporary files of `target` whose writers are gone: named
// as above, regular, owned by this user, unchanged for a minute (a writer
// locks its file just after creating it) and not locked. Returns how many
// were removed; failures only leave files in place.
int RemoveStaleTemporaries(const std::string& target);

bool WriteFileAtomically(FileOps& ops, const std::string& path, std::span<const uint8_t> bytes,
                         std::string& error);

}  // namespace platform
