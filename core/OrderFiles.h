// Order files: a table of product codes (`ID`, string of 20, required) and
// quantities (`KOL`, integer, required) whose comment carries the customer's
// requisites (the settings file's lines as they stood at the last change)
// and a line "catalog=<catalog file name>", each line ending with CR LF.
//
// Paths are UTF-8 in the platform's form; the comment is Windows-1251 text,
// so a catalog name is converted on its way into and out of it.
//
// Errors: the engine's DatabaseError for files it cannot read or write.
// Thread safety: GUI thread only.
#pragma once

#include <optional>
#include <string>

#include "platform/FileIdentity.h"

namespace core {

// The first Format("%s%s%d.zv", folder, prefix, n) for n = 1, 2, ... that
// names nothing that exists (no file, no pipe, no folder): a gap left by a
// deleted order is filled first.
std::string NewOrderFileName(const std::string& folder, const std::string& prefix);

// Writes an empty order table to `path` (replacing a file of that name) and
// stamps it. True when the requisites had to be shortened (OrderComment).
// Throws core::WriteRefused when something other than a regular file has the
// name.
bool CreateOrderFile(const std::string& path, const std::string& settingsFile,
                     const std::string& catalogTableName);

// Sets the order file's comment to the settings file's lines (when that file
// exists) followed by "catalog=" and the catalog's file name, and writes the
// file when the comment changed. True when the requisites had to be
// shortened (OrderComment).
bool StampOrderFile(const std::string& path, const std::string& settingsFile,
                    const std::string& catalogTableName);

// The comment text StampOrderFile writes (Windows-1251). A comment holds at
// most ridov::kMaxCommentLength bytes; the catalog line is what the order
// cannot do without, so with an oversized settings file the requisites are
// shortened to the whole lines that fit before it, and `requisitesCut`
// (when given) tells so.
std::string OrderComment(const std::string& settingsFile, const std::string& catalogTableName,
                         bool* requisitesCut = nullptr);

// The catalog the order was made from: `programDir` followed by the value of
// the first comment line named "catalog" (any letter case), or "price.zv"
// when there is none or it is empty.
std::string OrderCatalogPath(const std::string& path, const std::string& programDir);

// The number of lines of the order file, counted by opening it as a table.
int CountOrderLines(const std::string& path);

// True when the order file holds no lines: no records, and nothing after
// the records its header declares (a header that says 0 records over
// records that follow is no empty order).
bool OrderFileIsEmpty(const std::string& path);

// Deletes the file of an order that has no lines, but only while the file
// on disk is still the one its tab knows (`known`, taken when its lines
// were last counted: another copy of the program or a restored backup may
// have put lines there since) and it is empty. Without identities (a system
// that cannot tell) only the emptiness decides. True when it deleted it.
bool DeleteEmptyOrderFile(const std::string& path,
                          const std::optional<platform::FileIdentity>& known);

// The file name part of a path (after the last folder separator).
std::string FileNamePart(const std::string& path);

}  // namespace core
