// One verb of the zv tool. Each verb parses its own arguments and reports
// failures by throwing ToolError (message in UTF-8) or ridov::DatabaseError
// (message in Windows-1251); main prints the message alone on standard
// error and exits 1.
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv {

struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CommandIo {
    std::istream& in;
    std::ostream& out;
};

using Args = std::vector<std::string>;

// Splits options from positional arguments. `withValue` lists the options
// that take a value (e.g. "-p"); every other argument starting with '-' is
// an unknown option.
struct ParsedArgs {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positional;
    // The last value given for `name`, or empty.
    std::string Get(const std::string& name) const;
    bool Has(const std::string& name) const;
};
ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& withValue,
                     const std::vector<std::string>& flags = {});

int RunInfo(const Args& args, CommandIo& io);
int RunDump(const Args& args, CommandIo& io);
int RunMake(const Args& args, CommandIo& io);
int RunExport(const Args& args, CommandIo& io);
int RunQueryVerb(const Args& args, CommandIo& io);
int RunSelect(const Args& args, CommandIo& io);

}  // namespace zv
