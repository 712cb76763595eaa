// The batch switches: the program started as a converter does one job
// without a window and ends.
//
//   -zvconvert TABLE     the table file as TAB text next to it (".txt")
//   -convert TEXT        the catalog price.zv refilled from a price list
//   -pxls FILE           the catalog view as a spreadsheet file, opened
//   -k TEXT...           each text order as an order file next to it
//
// A switch counts only as the first argument, spelled exactly, and only
// when another argument follows. Every failure is reported with the
// batch error report ("Ошибка конвертации или файл '%s' не найден." on
// standard error, and in a plain box where one can be shown) and the run
// goes on with the next file where there is one; the exit code is 1 when
// any conversion failed, 0 otherwise.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "core/OrderText.h"

namespace core {

enum class BatchSwitch { None, ZvConvert, Convert, Pxls, K };

// `arguments` without the program's own path.
BatchSwitch RecognizeBatchSwitch(const QStringList& arguments);

// "Ошибка конвертации или файл '<argument>' не найден."
QString BatchErrorText(const QString& argument);

// A path as typed on the command line, in the platform layer's form.
std::string CommandLinePath(const QString& argument);

// What a batch run needs of the program around it.
struct BatchEnvironment {
    std::string settingsFile;  // engine paths
    std::string catalogFile;
    // Shows a report text in a plain box; unset: standard error only.
    std::function<void(const QString& text)> showReport;
    // Whether somebody can answer a question about a value that does not
    // convert, and how to ask. Without anybody to ask, the question is
    // written to standard error and the file stopped, so that no value is
    // dropped unnoticed and the exit code tells a script.
    bool mayAsk = false;
    AskIgnoreError ask;
    // Writes the catalog view as a spreadsheet to `path` and opens it.
    std::function<void(const QString& path)> exportCatalog;
};

class BatchRun {
  public:
    // Reports through `environment` (which must outlive the run).
    explicit BatchRun(const BatchEnvironment& environment) : environment_(environment) {}

    // Runs `work`; any failure it raises is reported with `argument`.
    // Returns true when it succeeded.
    bool Convert(const QString& argument, const std::function<void()>& work);
    // The report of a failed `argument`: the error text and, on a line of
    // its own, `reason` (empty, or the program's own sentence on a refused
    // write).
    void Report(const QString& argument, const QString& reason);

    bool Failed() const { return failed_; }
    int ExitCode() const { return failed_ ? 1 : 0; }

  private:
    const BatchEnvironment& environment_;
    bool failed_ = false;
};

// Runs the batch switch of `arguments` (which must hold one) and returns
// the exit code.
int RunBatchSwitch(const QStringList& arguments, const BatchEnvironment& environment);

// The end of a start without a catalog: a batch switch reports every file
// argument it could not convert, with "Файл каталога '<catalog>' не
// найден." as the reason, and gives exit code 1; any other start ends
// silently with 0.
int EndWithoutCatalog(const QStringList& arguments, const QString& catalog,
                      const BatchEnvironment& environment);

}  // namespace core
