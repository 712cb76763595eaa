// The FTP side of the update: log-in, the directory listing, the size
// query, the retrieval and QUIT, as single steps over libcurl in passive
// mode, without proxy, in the account's login folder.
//
// Every step runs on the Qt event loop (CurlEventLoop) and reports through
// its callback once, from the event loop. One step at a time: a step may be
// started from the previous step's callback. Disconnect() ends the session
// at once and from anywhere (a button handler during a transfer): the
// running step is dropped and its callback is never called. A step started
// while disconnected opens a new connection and logs in first.
//
// Waits are bounded: connecting and logging in by `connectMs`, each command
// reply by `responseSeconds`, a transfer receiving nothing by
// `stallSeconds`. Once a retrieval has the last expected byte, the server
// has `confirmMs` to close the data connection and confirm the transfer:
// libcurl waits for the final reply without returning to the event loop,
// so a server that never confirms must not freeze the window for long.
// Such a retrieval fails and reports `unconfirmed`.
//
// A retrieval reads until the server closes the data connection, whatever
// size the server announced, so that the caller sees every byte sent and
// can tell a file that does not match its size. It succeeds only when the
// data connection closed normally and the server confirmed the transfer
// (226 or 250); a half file whose data connection stays open is never a
// success, whatever size was announced.
//
// A listing is taken as the server sent it, before libcurl turns the line
// ends of the ASCII transfer into line feeds (a lone CR inside a name would
// become a line break too), and it may hold at most `maxListingBytes`: a
// longer one fails with `tooLarge`, its memory given back.
//
// Thread safety: one thread, the one that created the object.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "update/UpdateServer.h"

namespace update {

class CurlEventLoop;

struct FtpTimeouts {
    long connectMs = 15000;
    long responseSeconds = 30;
    long stallSeconds = 30;
    long confirmMs = 5000;
    // One folder's listing; a few MB hold tens of thousands of entries.
    size_t maxListingBytes = size_t{4} << 20;
};

struct FtpResult {
    CURLcode code = CURLE_OK;
    long reply = 0;       // the server's last reply code, 0 before any
    std::string message;  // libcurl's explanation of a failure
    // A retrieval received every announced byte but the server did not
    // close the data connection and confirm the transfer in time; a failure.
    bool unconfirmed = false;
    // A listing longer than the limit; a failure.
    bool tooLarge = false;

    bool Ok() const { return code == CURLE_OK; }
};

class FtpDownload {
  public:
    using Done = std::function<void(const FtpResult&)>;
    using ListDone = std::function<void(const FtpResult&, const std::string& listing)>;
    // `size` is -1 when the server does not answer SIZE with 213.
    using SizeDone = std::function<void(const FtpResult&, int64_t size)>;
    // Receives the file's bytes; false stops the retrieval (CURLE_WRITE_ERROR).
    using Sink = std::function<bool(const char* data, size_t size)>;
    using Progress = std::function<void(int64_t expected, int64_t received)>;

    explicit FtpDownload(UpdateServer server, FtpTimeouts timeouts = {});
    ~FtpDownload();
    FtpDownload(const FtpDownload&) = delete;
    FtpDownload& operator=(const FtpDownload&) = delete;

    // True after a successful log-in until Disconnect, Quit, or a step that
    // broke the connection.
    bool IsConnected() const { return connected_; }
    bool IsBusy() const;

    // Drops any session, connects and logs in.
    void Connect(Done done);
    // LIST with the pattern ("*.exe") in ASCII type; the listing's raw bytes.
    void List(const std::string& pattern, ListDone done);
    // TYPE I and SIZE for the name.
    void Size(const std::string& name, SizeDone done);
    // TYPE I and RETR for the name into `sink`; `expected` is the size the
    // caller learnt from Size (it bounds the wait for the final reply and is
    // passed on to `progress`). Ok() only for a transfer the server closed
    // and confirmed. A retrieval that fails ends the session.
    void Retrieve(const std::string& name, int64_t expected, Sink sink, Progress progress,
                  Done done);
    // Sends QUIT and closes the connection.
    void Quit(Done done);
    // Ends the session without waiting for the server; see above.
    void Disconnect();

  private:
    static size_t OnWrite(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t);
    static int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    bool TakeListingBytes(const char* data, size_t size);

    void OpenSession();
    void PrepareStep(const std::string& path, bool noBody);
    void Run(std::function<void(const FtpResult&)> finish);
    std::string UrlFor(const std::string& path) const;

    UpdateServer server_;
    FtpTimeouts timeouts_;
    std::unique_ptr<CurlEventLoop> loop_;
    CURL* easy_ = nullptr;
    curl_slist* quote_ = nullptr;
    char errorText_[CURL_ERROR_SIZE] = {};
    bool connected_ = false;

    // The running step's receivers.
    std::string listing_;
    bool listingStep_ = false;
    bool rawListing_ = false;  // listing_ holds the bytes as sent
    bool tooLarge_ = false;
    Sink sink_;
    Progress progress_;
    int64_t received_ = 0;
    int64_t expected_ = 0;
    bool unconfirmed_ = false;
    std::chrono::steady_clock::time_point allReceivedAt_;
};

}  // namespace update
