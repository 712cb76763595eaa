#include "update/UpdateRun.h"

#include <QFile>
#include <QSaveFile>
#include <utility>
#include <vector>

#include "core/EnginePath.h"
#include "core/WriteTarget.h"
#include "platform/FileIdentity.h"
#include "update/FtpListing.h"

namespace update {

namespace status {
QString SizeUnknown(const QString& name) {
    return QStringLiteral("Размер файла %1 на сервере неизвестен").arg(name);
}
}  // namespace status

UpdateRun::UpdateRun(std::string programDir, UpdateServer server, FtpTimeouts timeouts,
                     UpdateRunCallbacks callbacks)
    : programDir_(std::move(programDir)),
      callbacks_(std::move(callbacks)),
      ftp_(std::move(server), timeouts) {}

UpdateRun::~UpdateRun() {
    ftp_.Disconnect();
    DiscardPartial();
}

void UpdateRun::Start() {
    if (running_) return;
    SetRunning(true);
    ShowStatus(QString());
    if (platform::IsNonRegularFile(TargetPath())) {
        Finish(core::NotRegularFileText(core::FromEnginePath(TargetPath())));
        return;
    }
    // A price.exe left from an earlier run must never be taken for this
    // run's update, whatever happens to the run.
    QFile::remove(core::FromEnginePath(TargetPath()));
    ftp_.Connect([this](const FtpResult& result) { OnConnected(result); });
}

void UpdateRun::Abort() {
    if (!running_) return;
    ftp_.Disconnect();
    DiscardPartial();
    stats_.End();
    ShowProgress();
    ShowStatistics(QString());
    ShowStatus(status::kAborted);
    SetRunning(false);
}

void UpdateRun::Close() {
    ftp_.Disconnect();
    if (!running_) return;
    DiscardPartial();
    stats_.End();
    SetRunning(false);
}

void UpdateRun::OnConnected(const FtpResult& result) {
    if (!result.Ok()) {
        ftp_.Disconnect();
        Finish(status::kConnectFailed);
        return;
    }
    stats_.Reset();
    ShowStatistics(QString());
    // The listing asks for "*" and the extension of the file sought.
    std::string fileName = kUpdateFileName;
    std::string pattern = "*" + fileName.substr(fileName.rfind('.'));
    ftp_.List(pattern, [this](const FtpResult& listed, const std::string& listing) {
        OnListed(listed, listing);
    });
}

void UpdateRun::OnListed(const FtpResult& result, const std::string& listing) {
    if (result.tooLarge) {
        Finish(status::kListingTooLarge);
        return;
    }
    if (!result.Ok()) {
        Finish(status::kConnectionLost);
        return;
    }
    remoteName_.clear();
    for (const std::string& name : ListingNames(listing)) {
        if (name == kUpdateFileName) {
            remoteName_ = name;
            break;
        }
    }
    if (remoteName_.empty()) {
        Finish(status::kNotFound);
        return;
    }
    if (!ftp_.IsConnected()) {
        FetchFailed(status::kConnectionLost);
        return;
    }
    ftp_.Size(remoteName_, [this](const FtpResult& sized, int64_t size) { OnSized(sized, size); });
}

void UpdateRun::OnSized(const FtpResult& result, int64_t size) {
    QString name = QString::fromStdString(remoteName_);
    if (!result.Ok()) {
        FetchFailed(status::kConnectionLost);
        return;
    }
    if (size < 0) {
        FetchFailed(status::SizeUnknown(name));
        return;
    }
    if (size == 0) {
        // An empty file on the server is no update: nothing to fetch.
        FetchFailed(status::kFinished);
        return;
    }
    size_ = size;
    received_ = 0;
    writeFailed_ = false;
    partial_ = std::make_unique<QSaveFile>(core::FromEnginePath(TargetPath()));
    // The finished file replaces the target by a rename; the partial one
    // lives under a temporary name beside it and is never started.
    partial_->setDirectWriteFallback(false);
    if (!partial_->open(QIODevice::WriteOnly)) {
        FetchFailed(status::kFetchFailedPrefix + name);
        return;
    }
    stats_.Begin(0, size_, TransferStats::Clock::now());
    ShowProgress();
    ftp_.Retrieve(
        remoteName_, size_,
        [this](const char* data, size_t bytes) {
            // More than the server announced: not the file it described.
            if (received_ + static_cast<int64_t>(bytes) > size_) return false;
            qint64 written = partial_->write(data, static_cast<qint64>(bytes));
            if (written != static_cast<qint64>(bytes)) {
                writeFailed_ = true;
                return false;
            }
            received_ += static_cast<int64_t>(bytes);
            return true;
        },
        [this](int64_t, int64_t received) {
            stats_.Progress(received, TransferStats::Clock::now());
            ShowProgress();
        },
        [this](const FtpResult& retrieved) { OnRetrieved(retrieved); });
}

void UpdateRun::OnRetrieved(const FtpResult& result) {
    QString name = QString::fromStdString(remoteName_);
    // Ok() only when the server closed the data connection and confirmed.
    bool whole = result.Ok() && !writeFailed_ && received_ == size_;
    if (whole) {
        stats_.Progress(received_, TransferStats::Clock::now());
    }
    stats_.End();
    ShowProgress();
    if (whole && platform::IsNonRegularFile(TargetPath())) {
        FetchFailed(core::NotRegularFileText(core::FromEnginePath(TargetPath())));
        return;
    }
    if (!whole || !partial_->commit()) {
        FetchFailed(status::kFetchFailedPrefix + name);
        return;
    }
    partial_.reset();
    stats_.CountFetched(received_);
    ShowStatistics(stats_.SummaryText());
    ftp_.Disconnect();
    std::string target = TargetPath();
    if (!QFile::exists(core::FromEnginePath(target))) {
        Finish(status::kFetchFailedPrefix + name);
        return;
    }
    ShowStatus(status::kFinished);
    SetRunning(false);
    if (callbacks_.fetched) callbacks_.fetched(target);
}

void UpdateRun::FetchFailed(const QString& text) {
    DiscardPartial();
    ShowStatistics(QString());
    Finish(text);
}

void UpdateRun::Finish(const QString& text) {
    // A healthy connection is closed politely; nobody waits for it.
    if (ftp_.IsConnected()) {
        ftp_.Quit([](const FtpResult&) {});
    } else {
        ftp_.Disconnect();
    }
    ShowStatus(text);
    SetRunning(false);
}

void UpdateRun::DiscardPartial() {
    if (!partial_) return;
    partial_->cancelWriting();
    partial_.reset();
}

void UpdateRun::SetRunning(bool running) {
    running_ = running;
    if (callbacks_.runningChanged) callbacks_.runningChanged(running);
}

void UpdateRun::ShowStatus(const QString& text) {
    if (callbacks_.status) callbacks_.status(text);
}

void UpdateRun::ShowStatistics(const QString& text) {
    if (callbacks_.statistics) callbacks_.statistics(text);
}

void UpdateRun::ShowProgress() {
    if (callbacks_.progress) callbacks_.progress(stats_.Maximum(), stats_.Position());
}

}  // namespace update
