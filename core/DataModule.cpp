#include "core/DataModule.h"

#include <cxxabi.h>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "core/AppTitle.h"
#include "core/EnginePath.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/FormatSettings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"

namespace core {

namespace {

// Engine texts (Windows-1251) as the program shows them.
QString FromCp1251(std::string_view bytes) {
    return QString::fromStdString(text::Cp1251ToUtf8(bytes));
}

// The Russian settings with the weekday in lower case and the month in the
// genitive, as a date reads inside a sentence ("10 декабря").
const text::FormatSettings& CatalogDateSettings() {
    static const text::FormatSettings settings = [] {
        text::FormatSettings fs = text::FormatSettings::Russian();
        const char* days[7] = {"воскресенье", "понедельник", "вторник", "среда",
                               "четверг",     "пятница",     "суббота"};
        const char* months[12] = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                                  "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
        for (int i = 0; i < 7; ++i) fs.longDayNames[size_t(i)] = text::Utf8ToCp1251(days[i]);
        for (int i = 0; i < 12; ++i) fs.longMonthNames[size_t(i)] = text::Utf8ToCp1251(months[i]);
        return fs;
    }();
    return settings;
}

QString ClassName(const std::exception& error) {
    if (dynamic_cast<const ridov::DatabaseError*>(&error)) return QStringLiteral("DatabaseError");
    const char* mangled = typeid(error).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
    // The class name without its namespaces, as the error boxes show it.
    return name.mid(name.lastIndexOf(QLatin1String("::")) + (name.contains("::") ? 2 : 0));
}

}  // namespace

TLastError MakeLastError(const std::exception& error) {
    return TLastError{ClassName(error), FromCp1251(error.what())};
}

QString LastErrorDetails(const TLastError& error) {
    return QStringLiteral("В программе %1 произошла ошибка класса %2 с сообщением '%3'.")
        .arg(QString::fromUtf8(kAppTitle), error.kind, error.message);
}

QString CatalogDateText(int64_t secondsSinceEpoch) {
    QDate date = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).date();
    int32_t dayNumber = 0;
    if (!text::TryEncodeDate(date.year(), date.month(), date.day(), dayNumber)) return {};
    return FromCp1251(text::FormatDateTime("dddd, d mmmm yyyy", double(dayNumber) * text::kMsPerDay,
                                           CatalogDateSettings()));
}

DataModule::DataModule(const QString& programFolder) {
    dsPrice.SetDataSet(&vtPrice);
    dsZayavka.SetDataSet(&qvZayavka);

    // The database only normalises the folder (it appends the separator);
    // the program folder is read back from it.
    vdbTest.DateFormat = "mm/dd/yyyy";
    // In the system's own spelling, as the boxes show it: "C:\Zetrovo\",
    // not Qt's "C:/Zetrovo" with a backslash after it.
    vdbTest.SetDatabasePath(EnginePath(QDir::toNativeSeparators(programFolder)));
    ProgramDir = FromEnginePath(vdbTest.DatabasePath());
    OrderDir = ProgramDir;
    SettingsFile = ProgramDir + QString::fromUtf8(kSettingsFileName);
    ReadmeFile = ProgramDir + QString::fromUtf8(kReadmeFileName);

    // The order view gets full paths as parameters; with no database they
    // are taken literally.
    qvZayavka.SetDatabase(nullptr);
    qvZayavka.SetSQL({"select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM", "from :OrderTblNm o, :TblNm p",
                      "where o.ID *= p.ID"});
    qvZayavka.SetOrigin("o");
    qvZayavka.uniqueFieldNames = "ID";
    // The catalog the order view joins is the one vtPrice holds in memory:
    // reading the file again would make the first order line of a session
    // wait for a million records to be parsed. The join takes only the
    // catalog records of the order's codes and leaves vtPrice's store order
    // alone.
    ridov::TQueryDataset& catalog = qvZayavka.QueryDatasets().Add();
    catalog.SetAlias("p");
    catalog.SetDataSet(&vtPrice, "vtPrice");
    qvZayavka.sortDatasetTables = false;

    // The catalog table is opened by path, never through the database.
    vtPrice.SetDatabase(nullptr);

    const QString catalogName = QString::fromUtf8(kCatalogFileName);
    const std::string catalogPath = EnginePath(ProgramDir + catalogName);
    platform::Platform& os = platform::CurrentPlatform();
    if (os.FileExists(catalogPath)) {
        if (std::optional<int64_t> time = os.ModificationTime(catalogPath))
            CatalogDates << catalogName + QLatin1Char('=') + CatalogDateText(*time);
    }
}

DataModule::~DataModule() {
    // The datasets go before the database and their sources.
    try {
        qvZayavka.Close();
        vtPrice.Close();
    } catch (const std::exception&) {
        // Closing a browsing dataset does not fail; nothing to report at exit.
    }
}

void DataModule::ReadCatalogAhead(const std::string& programFile) {
    if (programFile.empty()) return;
    const QString folder = QFileInfo(FromEnginePath(programFile)).absolutePath();
    const QString catalog = folder + Separator() + QString::fromUtf8(kCatalogFileName);
    ridov::TRidovSession::Instance().PreloadTable(EnginePath(catalog),
                                                  text::FormatSettings::Russian());
}

QString DataModule::CatalogName() const {
    if (CatalogDates.size() != 1) return {};
    return CatalogDates.front().section(QLatin1Char('='), 0, 0);
}

QString DataModule::CatalogDate(const QString& name) const {
    for (const QString& line : CatalogDates) {
        int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq) == name) return line.mid(eq + 1);
    }
    return {};
}

std::string DataModule::EnginePath(const QString& path) {
    return core::EnginePath(path);
}

QString DataModule::FromEnginePath(const std::string& path) {
    return core::FromEnginePath(path);
}

QString DataModule::Separator() {
    return QString(QLatin1Char(platform::CurrentPlatform().PathSeparator()));
}

}  // namespace core
