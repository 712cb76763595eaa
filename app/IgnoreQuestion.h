// The question of an import whose value does not convert, asked through
// the Prompter: Yes, No or Yes for all.
//
// Thread safety: GUI thread only.
#pragma once

#include <string>

#include "core/OrderText.h"

namespace app {

// `question` is Windows-1251.
core::IgnoreAnswer AskIgnore(const std::string& question);

}  // namespace app
