// The program's arguments (without the program itself) as UTF-8, as every
// path inside the program is. On Windows they come from the wide command
// line: the narrow argv of a Windows program is in the ANSI code page and
// has lost every letter outside it. Elsewhere they are argv's bytes.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
