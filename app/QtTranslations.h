// Qt's own Russian texts: the standard dialogs the program opens (file
// dialogs, the print dialog, the page set-up and the print preview) and the
// standard buttons of message boxes and button boxes speak the program's
// language. The texts come from Qt's translation catalog qtbase_ru.qm in
// Qt's translations folder (QLibraryInfo::TranslationsPath; on Debian the
// package qt6-translations-l10n).
//
// Thread safety: GUI thread only, with the application object created.
#pragma once

namespace app {

// Installs Qt's Russian translations in the application, once per
// application object. True when they are in force; false when the catalog
// is missing or unreadable, and Qt's dialogs then keep their English texts.
bool InstallQtTranslations();

}  // namespace app
