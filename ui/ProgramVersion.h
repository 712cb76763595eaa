// The program's version as the build states it.
#pragma once

#include <QString>

namespace ui {

// The version text shown to the user ("1.00"): the build's
// ZV_PROGRAM_VERSION when the build defines it, else the release constant.
QString ProgramVersion();

}  // namespace ui
