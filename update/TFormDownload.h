// The update window "Загрузка обновлений с сайта": a fixed-size dialog with
// the status line, the progress bar, the statistics line and the buttons
// "Загрузить обновление прайса", "Прервать" and "Закрыть". The run itself
// is an UpdateRun; the window wires buttons and labels to it.
//
// Use: create it for one use, exec() it, destroy it. When an update has
// arrived the window hides, starts it through `startProcess` (a failed
// start is ignored), closes with Accepted, and then calls
// onRequestQuitWithoutQuestion: the main window closes without asking
// "Выйти из программы ?" and the program ends, so that the update can
// replace the catalog.
//
// Closing the window (the button, the close box or Esc) ends a running
// download like the abort button, without a status text.
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "update/FtpDownload.h"
#include "update/ProcessStarter.h"
#include "update/UpdateServer.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace update {

class UpdateRun;

struct DownloadOptions {
    std::string programDir;  // ends with a folder separator
    UpdateServer server = DefaultUpdateServer();
    FtpTimeouts timeouts;
    ProcessStarter startProcess = DefaultProcessStarter();
};

// Reads one settings value: (section, key) → value, empty when missing.
using SettingReader =
    std::function<std::string(const std::string& section, const std::string& key)>;

// The options for the program folder: the server from the "UpdateServer"
// key of section "Client" (see UpdateServer.h), the default time-outs and
// process start.
DownloadOptions DownloadOptionsFor(const std::string& programDir, const SettingReader& readSetting);
// A SettingReader over an INI file (the program's Zetrovo.ini).
SettingReader IniFileReader(const std::string& settingsFile);

class TFormDownload : public QDialog {
    Q_OBJECT

  public:
    explicit TFormDownload(DownloadOptions options, QWidget* parent = nullptr);
    ~TFormDownload() override;

    // Called once the fetched update has been started and the window has
    // closed; see above.
    std::function<void()> onRequestQuitWithoutQuestion;

    UpdateRun& Run() { return *run_; }

    QLabel* Label1 = nullptr;              // status line
    QProgressBar* ProgressBar1 = nullptr;  // progress of the transfer
    QLabel* Label2 = nullptr;              // statistics line
    QPushButton* Button2 = nullptr;        // "Загрузить обновление прайса"
    QPushButton* Button1 = nullptr;        // "Прервать"
    QPushButton* OKBtn = nullptr;          // "Закрыть"

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    void SetRunning(bool running);
    void SetProgress(int64_t maximum, int64_t position);
    void HandOver(const std::string& path);

    DownloadOptions options_;
    std::unique_ptr<UpdateRun> run_;
};

}  // namespace update
