// The start-up sequence of the program, as a class tests can drive without
// running the message loop. In order:
//
//   - the application title, Qt's Russian texts (QtTranslations.h) and the
//     password prompt of enciphered tables;
//   - the data module (program folder, file names, the catalog's date);
//   - without a catalog file the program ends at once, exit code 0, with no
//     window and no message (a batch switch says so instead, exit code 1);
//     a settings file that is there but is not a regular file (a pipe, a
//     device) ends it with an error box and exit code 1, before anything
//     could be written over it;
//   - the batch switches (core/BatchMode.h), before any window exists:
//     "-zvconvert" at once; "-convert", "-pxls" and "-k" after the file
//     type registration; "-k" then goes on with the first start and the
//     catalog's check, and the program ends;
//   - order files named on the command line need a catalog that opens,
//     else the start ends before anything is written;
//   - the order file type (core/DesktopIntegration.h), and on the first
//     start the shortcuts, the settings file and the help;
//   - the main window, its caption with the catalog's date;
//   - the catalog opened in the window, then the order files named on the
//     command line that exist, each in a tab; the window is shown;
//   - the message loop; the shown window receives the arguments of later
//     starts of the same program file (CheckSingleInstance ran before
//     everything else, in main()).
//
// A catalog that cannot be opened (a damaged file) is reported with the
// error box "Не удается открыть одну из таблиц базы данных, ..." (Help
// shows the failure's class and message) and the program ends with exit
// code 1; nothing is written.
//
// The main window lives in the orders layer, which the application shell
// does not know; the start-up reaches it through MainWindowHost and a
// factory (orders/ProgramStart.h supplies both).
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/BatchMode.h"
#include "core/DataModule.h"

class QWidget;

namespace app {

class HandOverReceiver;
class InstanceServer;

// What the start-up needs of the main window.
class MainWindowHost {
  public:
    virtual ~MainWindowHost() = default;
    virtual QWidget* Widget() = 0;
    // Opens the catalog file; false when it does not exist. Throws the
    // engine's error for a damaged file.
    virtual bool OpenCatalog(const QString& path) = 0;
    // Opens an order file in a tab (an order already open gets its tab
    // back); failures are reported by the window.
    virtual void OpenOrder(const QString& path) = 0;
    // The caption "Заявка по каталогу - <text>".
    virtual void SetCaption(const QString& text) = 0;
    // True while a command runs: a handed-over file waits for its end.
    virtual bool CommandRunning() const { return false; }
};

// How long a later start keeps trying to reach a running copy that holds
// the lock before it gives up.
inline constexpr std::chrono::milliseconds kHandOverPatience{20000};

using MainWindowFactory = std::function<std::unique_ptr<MainWindowHost>(core::DataModule&)>;

// The single-instance check, before anything else of the start: when a copy
// of this program file already runs, `arguments` (the command line without
// the program name) are handed to it and the exit code 0 is returned; this
// process then ends without a window. Nothing is returned when this is the
// first copy or the system offers no lock. Never two full copies at once:
// when the running copy does not take the arguments, the hand-over is tried
// again until either it succeeds or the lock is free (the running copy has
// ended: this one starts as the first, with all its arguments); a copy
// that holds the lock and answers nothing for `patience` ends this start
// with exit code 1 and a line on standard error.
// Arguments naming files relative to the current folder are handed over
// with the full path; switches ("-k") as they are.
std::optional<int> CheckSingleInstance(const std::vector<std::string>& arguments,
                                       std::chrono::milliseconds patience = kHandOverPatience);

// "Не удается открыть одну из таблиц базы данных, которые должны находиться
// в каталоге '<folder>'."
QString CatalogOpenErrorText(const QString& programDir);

class StartUp {
  public:
    // `programFolder`: the folder of the executable; `arguments`: the
    // command line without the program name.
    StartUp(QString programFolder, QStringList arguments, MainWindowFactory factory);
    ~StartUp();
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    // The sequence up to the ready window, without showing it. Returns nothing when the
    // window is ready, otherwise the exit code of a start that ends here.
    std::optional<int> PrepareWindow();
    // PrepareWindow, then the window is shown and receives later starts.
    std::optional<int> Begin();
    // Begin, then the message loop; the program's exit code.
    int Run();

    // The single-instance listener (Platform::TakeInstanceListener, owned
    // from then on by the start-up) on which the shown main window
    // receives later starts' arguments. Set before Begin; -1 (the default)
    // receives nothing.
    void SetInstanceListener(intptr_t listener) { instanceListener_ = listener; }

    // "-pxls": writes the catalog view of the data module as a spreadsheet
    // file and opens it. The catalog view lives in the orders layer.
    using CatalogExport = std::function<void(core::DataModule& dm, const QString& path)>;
    void SetCatalogExport(CatalogExport exportCatalog) {
        catalogExport_ = std::move(exportCatalog);
    }

    // Null before Begin, or when the step was not reached.
    core::DataModule* DataModule() const { return dataModule_.get(); }
    MainWindowHost* MainWindow() const { return mainWindow_.get(); }
    // The receiver of later starts' arguments once the window is shown.
    InstanceServer* HandOverServer() const;

  private:
    core::BatchEnvironment BatchEnvironmentFor(core::DataModule& dm) const;
    // Opens the catalog with `open`; a damaged one is reported (true when
    // it opened or is missing).
    bool CatalogOpens(const std::function<void()>& open);
    void RunFirstStart();

    QString programFolder_;
    QStringList arguments_;
    MainWindowFactory factory_;
    CatalogExport catalogExport_;
    std::unique_ptr<core::DataModule> dataModule_;
    std::unique_ptr<MainWindowHost> mainWindow_;
    intptr_t instanceListener_ = -1;
    std::unique_ptr<HandOverReceiver> handOvers_;
};

}  // namespace app
