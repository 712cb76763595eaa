// The start-up sequence of the interactive program, as a class tests can
// drive without running the message loop:
//
//   1. the application title, Qt's Russian texts (QtTranslations.h) and the
//      password prompt of enciphered tables;
//   2. the data module (program folder, file names, the catalog's date);
//   3. without a catalog file the program ends at once, exit code 0, with
//      no window and no message (a batch run says so instead, through
//      SetNoCatalogEnd); a settings file that is there but is not a
//      regular file (a pipe, a device) ends it with an error box and exit
//      code 1, before anything could be written over it;
//   4. the main window (its FormCreate may abandon the start: batch modes,
//      a failure opening the files named on the command line), its dialogs,
//      then the catalog is opened and the window shown;
//   5. the message loop; the shown window receives the arguments of later
//      starts of the same program file (CheckSingleInstance ran before
//      step 1, in main()).
//
// A catalog that cannot be opened in step 4 (a damaged file) is reported
// with the error box "Не удается открыть одну из таблиц базы данных, ..."
// (Help shows the failure's class and message) and the program ends with
// exit code 1; nothing is written.
//
// The main window lives in the orders layer, which the application shell
// does not know; it reaches the start-up through MainWindowHost and a
// factory that main() supplies.
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

#include "app/DataModule.h"

class QWidget;

namespace app {

// What the start-up needs of the main window.
class MainWindowHost {
  public:
    virtual ~MainWindowHost() = default;
    // The window's creation steps, with the command-line arguments (the
    // program name excluded). Returns false when the start is abandoned;
    // `exitCode` is then the program's exit code.
    virtual bool FormCreate(const QStringList& arguments, int& exitCode) = 0;
    // Creates the dialogs that live from start to end (the settings dialog
    // loads the settings file here).
    virtual void CreateDialogs() = 0;
    // Opens the catalog file; false when it does not exist. Throws the
    // engine's error for a damaged file.
    virtual bool OpenCatalog(const QString& path) = 0;
    virtual QWidget* Widget() = 0;
    // True when FormCreate asked the program to end once the start is
    // done (a batch mode that lets the start finish): the window is then
    // not shown and the program ends with exit code 0.
    virtual bool TerminationRequested() const { return false; }
    // The exit code of such an end (1 when a batch conversion failed).
    virtual int TerminationExitCode() const { return 0; }

    // A later start of the program file handed its arguments over: the
    // window comes forward for each such start, then each argument is
    // opened as an order, while CanReceiveHandOver() (no modal dialog open).
    virtual void BringForward() {}
    virtual bool CanReceiveHandOver() const { return true; }
    virtual void ReceiveHandOver(const QString& argument) { (void)argument; }
};

// How long a later start keeps trying to reach a running copy that holds
// the lock before it gives up.
inline constexpr std::chrono::milliseconds kHandOverPatience{20000};

using MainWindowFactory = std::function<std::unique_ptr<MainWindowHost>(TdmZetrovo&)>;

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

class InstanceServer;

// A receiver of later starts' arguments on `listener` for `host`: each
// start brings the window forward, each argument goes to ReceiveHandOver
// while CanReceiveHandOver, else waits. REQUIRES: `host` outlives it.
std::unique_ptr<InstanceServer> ListenForHandOvers(intptr_t listener, MainWindowHost& host);

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

    // Steps 1 to 4. Returns nothing when the message loop is to run (the
    // main window is shown), otherwise the exit code of a start that ends
    // here.
    std::optional<int> Begin();
    // Begin, then the message loop; the program's exit code.
    int Run();

    // The single-instance listener (Platform::TakeInstanceListener, owned
    // from then on by the start-up) on which
    // the shown main window receives later starts' arguments. Set before
    // Begin; -1 (the default) receives nothing.
    void SetInstanceListener(intptr_t listener) { instanceListener_ = listener; }

    // How a start without a catalog ends: called with the arguments and the
    // catalog's path, returns the exit code. Unset: silently, exit code 0.
    // The batch switches live in the orders layer, which sets this.
    using NoCatalogEnd = std::function<int(const QStringList& arguments, const QString& catalog)>;
    void SetNoCatalogEnd(NoCatalogEnd end) { noCatalogEnd_ = std::move(end); }

    // Null before Begin, or when the step was not reached.
    TdmZetrovo* DataModule() const { return dataModule_.get(); }
    MainWindowHost* MainWindow() const { return mainWindow_.get(); }
    // The receiver of later starts' arguments once the window is shown.
    InstanceServer* HandOverServer() const { return instanceServer_.get(); }

  private:
    QString programFolder_;
    QStringList arguments_;
    MainWindowFactory factory_;
    std::unique_ptr<TdmZetrovo> dataModule_;
    std::unique_ptr<MainWindowHost> mainWindow_;
    intptr_t instanceListener_ = -1;
    NoCatalogEnd noCatalogEnd_;
    std::unique_ptr<InstanceServer> instanceServer_;
};

}  // namespace app
