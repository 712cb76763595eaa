// The program's start: the start-up sequence (app/StartUp.h) with the main
// window of the orders and the catalog view's spreadsheet export for
// "-pxls". main(), the tests and the benchmarks all start the program
// window through it.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "app/StartUp.h"
#include "core/DataModule.h"

namespace orders {

class MainWindow;

// `programFolder`: the folder of the executable (price.zv beside it);
// `arguments`: the command line without the program name.
std::unique_ptr<app::StartUp> MakeProgramStart(const QString& programFolder,
                                               const QStringList& arguments);

// The main window of a start (null before PrepareWindow, or when the start
// ended before the window).
orders::MainWindow* ProgramWindow(const app::StartUp& start);

// The batch switch "-pxls": the catalog loaded into a catalog view as the
// start-up loads it, written to `path` (as typed on the command line) and
// opened with its program; a failure to open it is not reported. Throws on
// any failure, XlsRowLimitError included (its reason is also written on
// standard error), with nothing written.
void ExportCatalogForBatch(core::DataModule& dm, const QString& path);

}  // namespace orders
