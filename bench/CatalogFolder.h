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

inline int RunQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench_support
