// Which mounted file systems stand for the removable medium of old (the
// floppy drive A:) on Linux: those the desktop mounts for the user when a
// stick or card is inserted, below /media (/media/$USER/<label>, or
// /media/<name> of older mounters) and /run/media/$USER, mounted
// read-write and writable for this user.
//
// The mount table is the kernel's text (/proc/self/mounts): one line per
// mount, fields separated by blanks, "device mount-point type options dump
// pass", with blanks, tabs, newlines and backslashes inside the fields
// written as octal escapes ("\040").
//
// Thread safety: plain functions.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct MountEntry {
    std::string device;
    std::string mountPoint;
    std::string type;
    std::string options;
};

// The lines of a mount table that have at least four fields, in order,
// escapes decoded.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// The mount points of removable media for `user`, in table order, each
// once: below /media/ or /run/media/<user>/, mounted "rw", and accepted by
// `writable` (on the real system: a folder this process may write to).
std::vector<std::string> RemovableMountPoints(
    std::string_view mountTable, const std::string& user,
    const std::function<bool(const std::string&)>& writable);

}  // namespace platform
