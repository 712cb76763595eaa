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
// batch error report ("Ошибка конвертации или файл '%s' не найден." in a
// plain box, and the same line on standard error) and the run goes on with
// the next file where there is one; the exit code is 1 when any conversion
// failed, 0 otherwise.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace orders {

enum class BatchSwitch { None, ZvConvert, Convert, Pxls, K };

// `arguments` without the program's own path.
BatchSwitch RecognizeBatchSwitch(const QStringList& arguments);

// "Ошибка конвертации или файл '<argument>' не найден."
QString BatchErrorText(const QString& argument);

// A path as typed on the command line, in the platform layer's form.
std::string CommandLinePath(const QString& argument);

// The end of a start without a catalog: a batch switch reports every file
// argument it could not convert, with "Файл каталога '<catalog>' не
// найден." as the reason, and gives exit code 1; any other start ends
// silently with 0.
int EndWithoutCatalog(const QStringList& arguments, const QString& catalog);

class BatchRun {
  public:
    // Shows the report; the default puts it into a plain box through the
    // Prompter and on standard error. `reason` is empty, or the program's
    // own sentence on a refused write (app::WriteRefused), shown on a line
    // of its own after the report.
    std::function<void(const QString& argument, const QString& reason)> report;

    BatchRun();

    // Runs `work`; any failure it raises is reported with `argument`.
    // Returns true when it succeeded.
    bool Convert(const QString& argument, const std::function<void()>& work);

    bool Failed() const { return failed_; }
    int ExitCode() const { return failed_ ? 1 : 0; }

  private:
    bool failed_ = false;
};

}  // namespace orders
