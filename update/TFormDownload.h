// The update window "Загрузка обновлений с сайта": a fixed-size dialog with
// the status line, the progress bar, the statistics line and the buttons
// "Загрузить обновление прайса", "Прервать" and "Закрыть". The run itself
// is an UpdateRun; the window wires buttons and labels to it.
//
// Use: create it for one use, exec() it, destroy it. When an update has
// arrived the window hides, starts it through the platform's process start
// (a failed start is ignored: the file is there for the customer to start
// by hand) and closes with Accepted; UpdateStarted() then tells the caller
// to end the program without asking, so that the update can replace the
// catalog.
//
// Closing the window (the button, the close box or Esc) ends a running
// download like the abort button, without a status text.
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "update/FtpDownload.h"
#include "update/UpdateServer.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace update {

class UpdateRun;

struct DownloadOptions {
    std::string programDir;  // native path, ends with a folder separator
    UpdateServer server = DefaultUpdateServer();
    FtpTimeouts timeouts;
};

// The options for a program folder (native path) and the value of the
// settings key "UpdateServer": that server when the value is an address
// (see UpdateServer.h), else the built-in one.
DownloadOptions DownloadOptionsFor(const std::string& programDir, const std::string& serverSetting);

class TFormDownload : public QDialog {
    Q_OBJECT

  public:
    explicit TFormDownload(DownloadOptions options, QWidget* parent = nullptr);
    ~TFormDownload() override;

    // True once the fetched update was handed to the process start.
    bool UpdateStarted() const { return updateStarted_; }

    UpdateRun& Run() { return *run_; }

    // The controls, also found by their object names Label1, ProgressBar1,
    // Label2, Button2, Button1 and OKBtn.
    QLabel* StatusLabel() const { return statusLabel_; }
    QProgressBar* Progress() const { return progressBar_; }  // of the transfer
    QLabel* StatsLabel() const { return statsLabel_; }
    QPushButton* DownloadButton() const {
        return downloadButton_;
    }  // "Загрузить обновление прайса"
    QPushButton* AbortButton() const { return abortButton_; }  // "Прервать"
    QPushButton* CloseButton() const { return closeButton_; }  // "Закрыть"

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void SetRunning(bool running);
    void SetProgress(int64_t maximum, int64_t position);
    void HandOver(const std::string& path);

    QLabel* statusLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* statsLabel_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QPushButton* abortButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    DownloadOptions options_;
    std::unique_ptr<UpdateRun> run_;
    bool updateStarted_ = false;
};

}  // namespace update
