// TablePreload: a table file read into a record store on a thread of its
// own, ahead of the dataset that will open it.
//
// The program's start spends most of its time setting up the window system
// and the main window, on one core; a million-product catalog takes about as
// long again to read. Started first thing, the read runs beside that set-up,
// and the catalog's dataset takes the finished store instead of reading the
// file itself.
//
// Only what can be read without the user is read ahead: a plain image (an
// enciphered one may need a password, asked on the window's thread), read
// whole and without any message. The store is handed over only when the
// file is still the one that was read (FileIdentity before and after the
// read, and again when it is taken); anything else is dropped and the
// dataset reads the file as it always does, with the same errors.
//
// Usage:
//   TablePreload ahead(session, path, fs);   // returns at once
//   ...
//   std::optional<PreloadedTable> t = ahead.Take(path);   // waits for the read
//
// Take may be called once, from one thread; the destructor waits for the
// read to end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "engine/storage/RidovCursor.h"
#include "platform/FileIdentity.h"

namespace ridov {

class TRidovSession;

// What a read ahead leaves: the records, and the image's size and content
// hash (the key of its remembered sort order).
struct PreloadedTable {
    std::unique_ptr<TRidovCursor> store;
    uint64_t imageSize = 0;
    uint64_t imageHash = 0;
};

class TablePreload {
  public:
    // Starts reading `path`. The store's format settings are `fs`'s until
    // the taker sets its own.
    TablePreload(TRidovSession& session, const std::string& path, const text::FormatSettings& fs);
    ~TablePreload();
    TablePreload(const TablePreload&) = delete;
    TablePreload& operator=(const TablePreload&) = delete;

    // The table read ahead, when `path` names the file that was read (by
    // identity, however it is spelt), it has not changed since, and the
    // read succeeded whole; otherwise nothing. Waits for the read only when
    // `path` is that file. Gives the table away: later calls return
    // nothing.
    std::optional<PreloadedTable> Take(const std::string& path);

  private:
    void Read(TRidovSession& session, const std::string& path);

    // The file's identity when the read was asked for; the read keeps its
    // result only when the file still has it after reading.
    std::optional<platform::FileIdentity> identity_;
    std::thread thread_;
    std::optional<PreloadedTable> table_;
    const text::FormatSettings* fs_;
};

}  // namespace ridov
