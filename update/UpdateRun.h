// One download run of the catalog update: delete the local price.exe left
// from an earlier run, connect and log in, find "price.exe" in the "*.exe"
// listing (exact, case-sensitive name), ask its size, fetch it, and hand it
// over. The update window is a thin shell over this class; tests drive it
// without one.
//
// The file is fetched into a temporary file in the program folder and
// becomes price.exe only when the server closed the data connection and
// confirmed the transfer (226 or 250) and the bytes received equal the size
// the server reported; anything else (a dropped connection, a short file, a
// half file whose data connection stays open, an unconfirmed transfer, an
// abort, a size the server does not tell) leaves no price.exe and no
// partial file. Only a listing line that names exactly "price.exe" finds
// the update (see FtpListing.h), and a listing above the limit fails the
// run. A price.exe in the program folder that is not a regular file (a
// pipe, a device, a folder) is neither removed nor replaced: the run ends
// at once with core::NotRegularFileText.
//
// The status line ends with the outcome: the failure that stopped the run
// (never "Обновление завершено." after a failure), the abort text, "not
// found", the unknown size, or "Обновление завершено." when the fetch
// succeeded or the server's file is empty (an empty file is no update).
//
// States: idle → running (Start) → idle again (Abort, Close, every failure,
// "not found") or handed over (the `fetched` callback with the target path;
// the caller starts it and ends the program).
//
// Start, Abort and Close report their immediate changes through the
// callbacks before they return; everything else arrives from the Qt event
// loop. Callbacks may call Abort or Close but must not destroy the object.
// Destroying it closes the connection and deletes a partial file.
//
// Thread safety: one thread, the GUI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "update/FtpDownload.h"
#include "update/TransferStats.h"
#include "update/UpdateServer.h"

class QSaveFile;

namespace update {

// The status texts of a run.
namespace status {
inline const QString kConnectFailed = QStringLiteral("Не удалось подключиться к серверу !");
inline const QString kConnectionLost = QStringLiteral("Не удалось соединится с сервером!");
inline const QString kNotFound = QStringLiteral("Обновление прайса не найдено !");
inline const QString kFetchFailedPrefix = QStringLiteral("Не удалось скачать файл ");
inline const QString kAborted = QStringLiteral("Загрузка обновления прайса с сайта прервана!");
inline const QString kFinished = QStringLiteral("Обновление завершено.");
inline const QString kListingTooLarge = QStringLiteral("Список файлов на сервере слишком велик!");
// "Размер файла <name> на сервере неизвестен": the server did not answer
// the size query with a size.
QString SizeUnknown(const QString& name);
}  // namespace status

// The file sought on the server and written into the program folder.
inline constexpr const char* kUpdateFileName = "price.exe";

struct UpdateRunCallbacks {
    std::function<void(const QString&)> status;      // the status line
    std::function<void(const QString&)> statistics;  // the statistics line
    // Progress of the current transfer (both 0 when none runs).
    std::function<void(int64_t maximum, int64_t position)> progress;
    std::function<void(bool running)> runningChanged;
    // The update arrived whole at `path`; the connection is closed.
    std::function<void(const std::string& path)> fetched;
};

class UpdateRun {
  public:
    // `programDir` ends with a folder separator.
    UpdateRun(std::string programDir, UpdateServer server, FtpTimeouts timeouts,
              UpdateRunCallbacks callbacks);
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // Starts a run; nothing while one runs.
    void Start();
    // Ends a running run at once: the connection is dropped, a partial file
    // deleted, the status reads the abort text. Nothing when idle.
    void Abort();
    // The window closes: like Abort but without a status; closes an idle
    // connection too.
    void Close();

    bool IsRunning() const { return running_; }
    const TransferStats& Stats() const { return stats_; }
    std::string TargetPath() const { return programDir_ + kUpdateFileName; }

  private:
    void OnConnected(const FtpResult& result);
    void OnListed(const FtpResult& result, const std::string& listing);
    void OnSized(const FtpResult& result, int64_t size);
    void OnRetrieved(const FtpResult& result);
    void FetchFailed(const QString& text);
    void Finish(const QString& text);
    void DiscardPartial();
    void SetRunning(bool running);
    void ShowStatus(const QString& text);
    void ShowStatistics(const QString& text);
    void ShowProgress();

    std::string programDir_;
    UpdateRunCallbacks callbacks_;
    FtpDownload ftp_;
    TransferStats stats_;
    std::unique_ptr<QSaveFile> partial_;
    std::string remoteName_;
    int64_t size_ = 0;
    int64_t received_ = 0;
    bool writeFailed_ = false;
    bool running_ = false;
};

}  // namespace update
