// The help of the program: its readme text, opened with the program the
// desktop associates with it.
//
// Thread safety: GUI thread only.
#pragma once

#include "core/DataModule.h"

namespace app {

// Opens the readme of `dm`'s program folder, or says "Не удается открыть
// файл '<readme>'." when nothing opens it.
void OpenHelp(const core::DataModule& dm);

}  // namespace app
