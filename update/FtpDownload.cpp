#include "update/FtpDownload.h"

#include <QCoreApplication>
#include <utility>

#include "update/CurlEventLoop.h"

namespace update {

namespace {

// Failures after which the control connection is still good to use.
bool KeepsConnection(CURLcode code) {
    switch (code) {
        case CURLE_OK:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_QUOTE_ERROR:
            return true;
        default:
            return false;
    }
}

void DisposeLoop(std::unique_ptr<CurlEventLoop>& loop, CURL* easy) {
    if (!loop) return;
    loop->Cancel(easy);
    loop->ShutDownSockets();
    // The loop may be the caller's caller (a step's callback ends the
    // session), so it is deleted from the event loop.
    if (QCoreApplication::instance() != nullptr) {
        loop.release()->deleteLater();
    } else {
        loop.reset();
    }
}

}  // namespace

FtpDownload::FtpDownload(UpdateServer server, FtpTimeouts timeouts)
    : server_(std::move(server)), timeouts_(timeouts) {}

FtpDownload::~FtpDownload() {
    Disconnect();
}

bool FtpDownload::IsBusy() const {
    return loop_ && easy_ != nullptr && loop_->IsRunning(easy_);
}

void FtpDownload::Disconnect() {
    DisposeLoop(loop_, easy_);
    if (easy_ != nullptr) {
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
    }
    if (quote_ != nullptr) {
        curl_slist_free_all(quote_);
        quote_ = nullptr;
    }
    connected_ = false;
    sink_ = nullptr;
    progress_ = nullptr;
}

void FtpDownload::OpenSession() {
    if (loop_ && easy_ != nullptr) return;
    Disconnect();
    loop_ = std::make_unique<CurlEventLoop>();
    easy_ = curl_easy_init();
    loop_->ConfigureSockets(easy_);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_PROXY, "");
    curl_easy_setopt(easy_, CURLOPT_USERNAME, server_.user.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, server_.password.c_str());
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, timeouts_.connectMs);
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts_.responseSeconds);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, timeouts_.stallSeconds);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &FtpDownload::OnWrite);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &FtpDownload::OnProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    // With verbose output on, the data arrives here as the server sent it.
    curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &FtpDownload::OnDebug);
    curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
    // A retrieval neither asks SIZE again nor stops at a size the server
    // announced: every byte the server sends reaches the sink.
    curl_easy_setopt(easy_, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
}

std::string FtpDownload::UrlFor(const std::string& path) const {
    std::string url = ServerUrl(server_);
    if (!path.empty()) {
        char* escaped = curl_easy_escape(easy_, path.c_str(), static_cast<int>(path.size()));
        url += escaped;
        curl_free(escaped);
    }
    return url;
}

void FtpDownload::PrepareStep(const std::string& path, bool noBody) {
    OpenSession();
    curl_easy_setopt(easy_, CURLOPT_URL, UrlFor(path).c_str());
    curl_easy_setopt(easy_, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(easy_, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(easy_, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 0L);
    errorText_[0] = '\0';
    listing_.clear();
    listingStep_ = false;
    rawListing_ = false;
    tooLarge_ = false;
    sink_ = nullptr;
    progress_ = nullptr;
    received_ = 0;
    expected_ = 0;
    unconfirmed_ = false;
    allReceivedAt_ = {};
}

void FtpDownload::Run(std::function<void(const FtpResult&)> finish) {
    loop_->Start(easy_, [this, finish = std::move(finish)](CURLcode code) {
        FtpResult result;
        result.code = code;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &result.reply);
        result.message = errorText_[0] != '\0' ? errorText_ : curl_easy_strerror(code);
        result.unconfirmed = unconfirmed_ && code == CURLE_ABORTED_BY_CALLBACK;
        result.tooLarge = tooLarge_;
        connected_ = KeepsConnection(code);
        sink_ = nullptr;
        progress_ = nullptr;
        finish(result);
    });
}

void FtpDownload::Connect(Done done) {
    Disconnect();
    PrepareStep("", true);
    Run([done = std::move(done)](const FtpResult& result) { done(result); });
}

void FtpDownload::List(const std::string& pattern, ListDone done) {
    PrepareStep("", false);
    std::string command = pattern.empty() ? "LIST" : "LIST " + pattern;
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, command.c_str());
    curl_easy_setopt(easy_, CURLOPT_TRANSFERTEXT, 1L);
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    listingStep_ = true;
    Run([this, pattern, done = std::move(done)](const FtpResult& result) {
        // Some servers refuse a pattern they find nothing for, or patterns
        // at all; the caller matches names itself, so the whole folder
        // serves as well.
        bool refused = result.code == CURLE_FTP_COULDNT_RETR_FILE ||
                       result.code == CURLE_REMOTE_FILE_NOT_FOUND;
        if (refused && !pattern.empty()) {
            List("", done);
            return;
        }
        std::string listing;
        listing.swap(listing_);
        listingStep_ = false;
        done(result, listing);
    });
}

void FtpDownload::Size(const std::string& name, SizeDone done) {
    PrepareStep(name, true);
    Run([this, done = std::move(done)](const FtpResult& result) {
        curl_off_t size = -1;
        if (result.Ok()) curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
        if (result.code == CURLE_REMOTE_FILE_NOT_FOUND) {
            // The server refused SIZE (550): the size is unknown, the
            // connection is fine.
            FtpResult answered = result;
            answered.code = CURLE_OK;
            done(answered, -1);
            return;
        }
        done(result, size < 0 ? -1 : static_cast<int64_t>(size));
    });
}

void FtpDownload::Retrieve(const std::string& name, int64_t expected, Sink sink, Progress progress,
                           Done done) {
    PrepareStep(name, false);
    expected_ = expected;
    sink_ = std::move(sink);
    progress_ = std::move(progress);
    Run([this, done = std::move(done)](const FtpResult& result) {
        FtpResult checked = result;
        // libcurl succeeds only after 226 or 250; said here once more, as
        // it is what makes a file whole.
        if (checked.Ok() && checked.reply != 226 && checked.reply != 250)
            checked.code = CURLE_PARTIAL_FILE;
        // libcurl closes the connection of a retrieval cut short.
        if (!checked.Ok()) Disconnect();
        done(checked);
    });
}

void FtpDownload::Quit(Done done) {
    if (!connected_) {
        Disconnect();
        done(FtpResult{});
        return;
    }
    PrepareStep("", true);
    quote_ = curl_slist_append(quote_, "QUIT");
    curl_easy_setopt(easy_, CURLOPT_QUOTE, quote_);
    Run([this, done = std::move(done)](const FtpResult& result) {
        Disconnect();
        done(result);
    });
}

size_t FtpDownload::OnWrite(char* data, size_t size, size_t count, void* self) {
    auto* download = static_cast<FtpDownload*>(self);
    size_t bytes = size * count;
    if (download->sink_) {
        if (!download->sink_(data, bytes)) return 0;
    } else if (download->listingStep_) {
        // The converted text serves only when the bytes as sent never came.
        if (!download->rawListing_ && !download->TakeListingBytes(data, bytes)) return 0;
        if (download->tooLarge_) return 0;
    }
    download->received_ += static_cast<int64_t>(bytes);
    return bytes;
}

int FtpDownload::OnProgress(void* self, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t) {
    auto* download = static_cast<FtpDownload*>(self);
    if (!download->sink_) return 0;
    const int64_t expected = download->expected_;
    if (download->progress_) download->progress_(expected, dlNow);
    if (expected > 0 && dlNow >= expected) {
        auto now = std::chrono::steady_clock::now();
        if (download->allReceivedAt_ == std::chrono::steady_clock::time_point{}) {
            download->allReceivedAt_ = now;
        } else if (now - download->allReceivedAt_ >
                   std::chrono::milliseconds(download->timeouts_.confirmMs)) {
            download->unconfirmed_ = true;
            return 1;
        }
    }
    return 0;
}

int FtpDownload::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* download = static_cast<FtpDownload*>(self);
    if (type == CURLINFO_DATA_IN && download->listingStep_) {
        download->rawListing_ = true;
        download->TakeListingBytes(data, size);
    }
    return 0;
}

bool FtpDownload::TakeListingBytes(const char* data, size_t size) {
    if (tooLarge_) return false;
    if (size > timeouts_.maxListingBytes - listing_.size()) {
        tooLarge_ = true;
        std::string().swap(listing_);
        return false;
    }
    listing_.append(data, size);
    return true;
}

}  // namespace update
