// DataModule (dmZetrovo): the data module. It works out the program folder and the fixed
// file names every other window uses, finds the catalog file and its date,
// and owns the engine objects that live for the whole run: the database
// vdbTest (source of ProgramDir), the catalog table vtPrice and the order
// view query qvZayavka with their data sources.
//
// Paths are QStrings in the system's form; ProgramDir always ends with the
// platform's folder separator, and the other names are built from it by
// plain concatenation. EnginePath turns one into the bytes the engine and
// the platform layer take.
//
// Ownership: the data module owns everything listed here. Windows hold a
// reference to it and must be destroyed first.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <string>

#include "engine/dataset/DataSource.h"
#include "engine/dataset/RidovTable.h"
#include "engine/query/RidovQuery.h"
#include "engine/storage/RidovDatabase.h"

namespace core {

// The failure last caught by one of the two reporting handlers (a damaged
// catalog at start-up, a damaged order file when it is loaded). Its kind
// and message are shown by the Help button of their error boxes.
struct TLastError {
    QString kind;     // the failure's class name, e.g. "DatabaseError"
    QString message;  // its message as the engine gave it
};

// Kind and message of a caught failure (engine messages are Windows-1251).
TLastError MakeLastError(const std::exception& error);
// "В программе <title> произошла ошибка класса <kind> с сообщением '<message>'."
QString LastErrorDetails(const TLastError& error);

// The catalog's date as the caption shows it: long weekday, day without a
// leading zero, month name in the genitive and four-digit year, all in
// Russian and in lower case ("четверг, 10 декабря 2026"). The time is
// taken in the local time zone.
QString CatalogDateText(int64_t secondsSinceEpoch);

class DataModule {
  public:
    // DataModuleCreate. `programFolder` is the folder of the executable
    // (with or without a trailing separator).
    explicit DataModule(const QString& programFolder);
    ~DataModule();
    DataModule(const core::DataModule&) = delete;
    core::DataModule& operator=(const core::DataModule&) = delete;

    // Lines "name=value": empty when the program folder has no catalog
    // file, otherwise the one line "price.zv=<CatalogDateText of its
    // modification time>".
    QStringList CatalogDates;

    QString ProgramDir;    // ends with the folder separator
    QString SettingsFile;  // ProgramDir + "Zetrovo.ini"
    QString ReadmeFile;    // ProgramDir + "readme.txt"
    QString CatalogFile;   // set by the start-up once the catalog is found
    QString OrderDir;      // new orders are created here (= ProgramDir)
    QString FotoDir;       // photo folder; read from the settings at start

    TLastError LastError;

    // The catalog file name named by the one CatalogDates line, or empty.
    QString CatalogName() const;
    // The value of the CatalogDates line named `name`, or empty.
    QString CatalogDate(const QString& name) const;

    // A path in the engine's and the platform layer's form (UTF-8 bytes).
    static std::string EnginePath(const QString& path);
    static QString FromEnginePath(const std::string& path);
    // The platform's folder separator as a QString.
    static QString Separator();

    // Starts reading the catalog of the program whose file is `programFile`
    // on a thread of its own, so that vtPrice's first opening finds its
    // records read (see ridov::TablePreload). For an interactive start:
    // the read goes on beside the window system's set-up.
    static void ReadCatalogAhead(const std::string& programFile);

    ridov::TRidovDatabase vdbTest;
    ridov::TRidovTable vtPrice;
    ridov::DataSource dsPrice;
    ridov::TRidovQuery qvZayavka;
    ridov::DataSource dsZayavka;
};

}  // namespace core
