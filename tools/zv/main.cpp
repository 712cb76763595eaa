// zv: command-line access to table files. Terminal text is UTF-8, file text
// Windows-1251. Success exits 0; a failure prints the message alone on
// standard error, as one line with its control characters escaped, and
// exits 1.
#include <algorithm>
#include <iostream>
#include <map>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

#include "platform/WindowsText.h"
#endif

#include "engine/storage/DatabaseError.h"
#include "engine/text/MessageLine.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

std::string ParsedArgs::Get(const std::string& name) const {
    std::string value;
    for (const auto& [n, v] : options)
        if (n == name) value = v;
    return value;
}

bool ParsedArgs::Has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& o) { return o.first == name; });
}

ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& withValue,
                     const std::vector<std::string>& flags) {
    ParsedArgs out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
                if (i + 1 >= args.size()) throw ToolError("option " + a + " needs a value");
                out.options.emplace_back(a, args[++i]);
                continue;
            }
            if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
                out.options.emplace_back(a, "");
                continue;
            }
            throw ToolError("unknown option " + a);
        }
        out.positional.push_back(a);
    }
    return out;
}

}  // namespace zv

int main(int argc, char** argv) {
    using Verb = int (*)(const zv::Args&, zv::CommandIo&);
    const std::map<std::string, Verb> verbs = {
        {"info", zv::RunInfo},     {"dump", zv::RunDump},       {"make", zv::RunMake},
        {"export", zv::RunExport}, {"query", zv::RunQueryVerb}, {"select", zv::RunSelect},
    };
#if defined(_WIN32)
    // The same bytes as on Linux: no CR LF translation of the standard
    // streams, and the arguments in UTF-8 (the paths the engine takes), not
    // in the ANSI code page.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> utf8;
    std::vector<char*> utf8Argv;
    int wideCount = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &wideCount)) {
        for (int i = 0; i < wideCount; ++i) utf8.push_back(platform::Utf8FromWide(wide[i]));
        ::LocalFree(wide);
        for (std::string& a : utf8) utf8Argv.push_back(a.data());
        utf8Argv.push_back(nullptr);
        argc = wideCount;
        argv = utf8Argv.data();
    }
#endif
    std::ios::sync_with_stdio(false);
    if (argc < 2 || !verbs.count(argv[1])) {
        std::cerr << "usage: zv info|dump|make|export|query|select ...\n";
        return 1;
    }
    zv::Args args(argv + 2, argv + argc);
    zv::CommandIo io{std::cin, std::cout};
    try {
        int rc = verbs.at(argv[1])(args, io);
        std::cout.flush();
        return rc;
    } catch (const ridov::DatabaseError& e) {
        // Engine messages can carry text from the file: a field name, or
        // an error image's own text.
        std::cerr << text::MessageLine(zv::ToTerminal(e.what())) << "\n";
    } catch (const zv::ToolError& e) {
        std::cerr << text::MessageLine(e.what()) << "\n";
    } catch (const std::exception& e) {
        std::cerr << text::MessageLine(e.what()) << "\n";
    }
    return 1;
}
