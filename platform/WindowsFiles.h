// Replacing a file's content on Windows so that at every moment the file
// holds either all of its old bytes or all of the new ones.
//
// The new bytes go to a temporary file beside the target (same folder, same
// volume), named like the Linux writer's: the target's name, ".tmp" and 16
// hexadecimal digits. It is created new, opened for this writer alone, written
// in a loop, flushed with FlushFileBuffers and closed; then MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH puts it in the target's
// place. A failure at any step removes the temporary file and leaves the
// target as it was: a target another program holds open without sharing its
// deletion cannot be replaced, and that is reported, never half written.
//
// A target with the read-only attribute is not replaced, as the program
// expects of read-only files.
//
// Thread safety: plain functions.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

// False with a readable reason in `error` when the target was left alone.
bool WindowsWriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                std::string& error);

// Removes the temporary files of `target` left by writers that ended
// without finishing: named as above, unchanged for a minute and open in no
// program (a writer's own file cannot be deleted while it writes, since it
// shares nothing). Returns how many were removed.
int WindowsRemoveStaleTemporaries(const std::string& target);

}  // namespace platform
