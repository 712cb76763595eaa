// Moving tables to and from TAB text: the text import into an existing
// table file (orders and the catalog), the order import into a new order
// file, the export of a table file, and carrying a file's date over.
//
// All paths are full paths (UTF-8, the platform's form). Every routine
// raises the engine's DatabaseError, TextFormatError, ImportStopped or
// core::WriteRefused on failure and leaves the reporting to the caller. A
// stopped import never touches the target file; a completed one replaces
// it atomically. No routine writes over the file it reads (compared by
// file identity) or over anything but a regular file: both are refused
// with core::WriteRefused before anything is written.
//
// Thread safety: GUI thread only.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace core {

// The user declined to go on after a value that did not convert.
class ImportStopped : public std::runtime_error {
  public:
    ImportStopped() : std::runtime_error("Import stopped") {}
};

enum class IgnoreAnswer { Yes, No, All };

// Asked when a value does not convert, with the whole question text
// ("Error during insert value:\n<message>\n\nIgnore error?"). Yes skips the
// value, All skips it and every later one silently, No stops the import.
using AskIgnoreError = std::function<IgnoreAnswer(const std::string& question)>;

// Progress of a long import: lines read so far and the text's size in
// bytes, with the bytes consumed. May be empty.
using ImportProgress = std::function<void(long long bytesDone, long long bytesTotal)>;

// Opens the table file, drops its records, fills it from the text (one
// record per line, values to fields in field order), writes it when any
// record was added, and gives it the text file's modification time.
void ImportTextIntoTable(const std::string& tablePath, const std::string& textPath,
                         const AskIgnoreError& ask, const ImportProgress& progress = {});

// The same for a price list into the catalog, which must come out as a
// catalog: a text holding a NUL byte, or one that gives not a single record
// with a code (field "ID"), is refused with TextFormatError and the table
// file is left as it was.
void ImportPriceListIntoTable(const std::string& tablePath, const std::string& textPath,
                              const AskIgnoreError& ask, const ImportProgress& progress = {});

// A new order file at `orderPath` (empty: the text path with extension
// ".zv"), replacing one of that name, filled from the text. Returns the
// order path. A failed import leaves the new, empty order file behind.
std::string ImportOrderFromText(const std::string& textPath, const std::string& orderPath,
                                const std::string& settingsFile,
                                const std::string& catalogTableName, const AskIgnoreError& ask);

// Writes the table file as text with a label line, replacing the text
// file, and gives it the table file's modification time.
void ExportTableToText(const std::string& tablePath, const std::string& textPath,
                       char delimiter = '\t');

// Gives `target` the modification time of `source`, clearing a read-only
// attribute for the moment. Missing files are skipped silently.
void CopyFileDate(const std::string& source, const std::string& target);

}  // namespace core
