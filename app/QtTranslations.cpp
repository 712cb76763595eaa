#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace app {

bool InstallQtTranslations() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return false;
    // The translator is a child of the application: it lives as long as
    // the application does and a later call finds it installed.
    static QPointer<QTranslator> installed;
    if (installed && installed->parent() == application) return true;
    auto* translator = new QTranslator(application);
    // The program's texts are Russian whatever the user's locale is, so
    // Qt's are too.
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

}  // namespace app
