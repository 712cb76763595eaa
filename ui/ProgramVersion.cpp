#include "ui/ProgramVersion.h"

// Set by the build from the project's version; this file alone depends on
// it, so a version change recompiles one file.
#ifndef ZV_PROGRAM_VERSION
#define ZV_PROGRAM_VERSION "1.00"
#endif

namespace ui {

QString ProgramVersion() {
    return QStringLiteral(ZV_PROGRAM_VERSION);
}

}  // namespace ui
