// A temporary program folder holding a generated 1,000,000-record catalog
// price.zv, for the benchmarks that run the program's windows; and their
// main, which needs a QApplication on the offscreen platform.
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/Platform.h"
#include "tools/catalog/CatalogTable.h"

namespace bench_support {

constexpr uint64_t kCatalogSeed = 20240501;
constexpr size_t kCatalogCount = 1000000;

struct CatalogFolder {
    std::string dir, path;
    // `pattern`: mkdtemp's template, e.g. "/tmp/zvgridbench.XXXXXX".
    explicit CatalogFolder(std::string pattern) {
        dir = mkdtemp(pattern.data());
        path = dir + "/price.zv";
        std::string error;
        platform::Platform& os = platform::CurrentPlatform();
        if (!os.WriteFileAtomically(path, catalog::CatalogImage(kCatalogSeed, kCatalogCount),
                                    error))
            throw std::runtime_error(error);
        // A catalog as the program finds it: written long before the run.
        os.SetModificationTime(path, 1700000000);
    }
    ~CatalogFolder() { std::filesystem::remove_all(dir); }
    CatalogFolder(const CatalogFolder&) = delete;
    CatalogFolder& operator=(const CatalogFolder&) = delete;
};

// The program's windows register the order file type and may create
// shortcuts in the user's folders: the run gets a home and XDG folders of
// its own, removed at the end.
inline int RunQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string home = (std::filesystem::temp_directory_path() / "zvbenchhomeXXXXXX").string();
    const bool isolated = mkdtemp(home.data()) != nullptr;
    if (isolated) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            result = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
        }
    }
    if (isolated) {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    return result;
}

}  // namespace bench_support
