// TRidovSession: the engine's one process-wide object. It knows every
// database, remembers the passwords that opened tables during this run,
// asks for a password when an enciphered table cannot be opened with a
// known one, and owns the cipher shared by all tables.
//
// Thread safety: single-threaded. The shared cipher is keyed afresh for
// every use, so uses must not overlap.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/Sapphire.h"
#include "engine/storage/TablePreload.h"
#include "platform/Platform.h"

namespace ridov {

class TRidovDatabase;

class TRidovSession {
  public:
    TRidovSession();
    ~TRidovSession();
    TRidovSession(const TRidovSession&) = delete;
    TRidovSession& operator=(const TRidovSession&) = delete;

    // The process's session. A global is right here: the program has one
    // user, one set of passwords remembered during the run and one list of
    // open databases, and the code that reaches for it (the default
    // constructors of databases and datasets, the query cache) stands for
    // that program. Everything else takes a session explicitly.
    static TRidovSession& Instance();

    // Adds a non-empty password unless a password equal to it without
    // regard to case is known already.
    void AddPassword(std::string_view password);
    void RemovePassword(std::string_view password);
    // Sorted without regard to case.
    const std::vector<std::string>& KnownPasswords() const { return passwords_; }

    // Decides whether an enciphered image may be read. `block` is the
    // image's 40-byte password block; on success its first 38 bytes are
    // replaced by the deciphered data key and `tablePassword` by the
    // password that worked. Tries the table's own password, the known
    // passwords, then asks up to PasswordRetries times.
    bool CheckPassword(uint8_t block[40], std::string& tablePassword);

    // Asks the user for a password; false means cancelled. Without it the
    // request counts as cancelled (the GUI installs its dialog here).
    std::function<bool(std::string& password)> OnGetPassword;
    // Told about each rejected password the user typed; `retry` says
    // whether another prompt follows (the answer changes nothing).
    std::function<void(const std::string& password, bool& retry)> OnPasswordRejected;
    // Shows a message to the user; used for "Password is invalid. Try
    // again" when OnPasswordRejected is not set. Without it nothing shows.
    std::function<void(const std::string& message)> OnShowMessage;
    // How many times the user is asked; below 1 counts as 3.
    int PasswordRetries = 3;

    TSapphire& Cipher() { return cipher_; }

    // A new 38-character GUID text for an image's data key.
    std::string NewGuidText();

    // The operating system the engine's files, folders and GUIDs come from.
    // The engine reaches the platform only through the session it works
    // for. Until one is given, the process's platform (which tests may swap
    // for a fake) is used; a given one must outlive the session.
    platform::Platform& Platform() const {
        return platform_ ? *platform_ : platform::CurrentPlatform();
    }
    void SetPlatform(platform::Platform* os) { platform_ = os; }

    // Databases register themselves while they exist.
    void RegisterDatabase(TRidovDatabase* db);
    void UnregisterDatabase(TRidovDatabase* db);
    const std::vector<TRidovDatabase*>& Databases() const { return databases_; }

    // Starts reading the table file `path` on a thread of its own (see
    // TablePreload), replacing an earlier read ahead; the first table of
    // this session that opens that file takes the records read.
    void PreloadTable(const std::string& path, const text::FormatSettings& fs);
    // What was read ahead of `path`, if it may be taken (TablePreload::Take).
    std::optional<PreloadedTable> TakePreloadedTable(const std::string& path);

  private:
    bool TryPassword(const uint8_t block[40], std::string_view password, uint8_t out[40]);

    std::vector<std::string> passwords_;
    std::vector<TRidovDatabase*> databases_;
    TSapphire cipher_;
    platform::Platform* platform_ = nullptr;
    std::unique_ptr<TablePreload> preload_;
};

}  // namespace ridov
