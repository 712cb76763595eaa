// Opening the photo viewer as ActionSlide does (decode, scale to the screen,
// show and paint), for a 2 MB photo and a 24-megapixel camera picture, with
// the peak growth of the resident set while one opens.
//
//   photo_MB        size of the JPEG file
//   peak_MB         peak resident growth over one opening (the viewer's
//                   picture and the decoder's buffers)
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/CatalogFolder.h"
#include "ui/PhotoViewerLauncher.h"

namespace {

// A picture that compresses like a photograph: smooth shading with fine
// grain, which keeps the JPEG large.
std::string MakePhoto(const std::string& path, int width, int height, int quality) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> grain(-24, 24);
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int r = 60 + 150 * x / width + grain(random);
            int g = 80 + 120 * y / height + grain(random);
            int b = 120 + grain(random);
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    if (!image.save(QString::fromStdString(path), "JPG", quality)) std::abort();
    return path;
}

const std::string& Folder() {
    static std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() / "zvphotobenchXXXXXX").string();
        if (mkdtemp(d.data()) == nullptr) std::abort();
        return d;
    }();
    return dir;
}

double ResidentMB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_OpenViewer(benchmark::State& state, int width, int height, int quality) {
    const std::string path =
        MakePhoto(Folder() + "/ZV" + std::to_string(width) + ".jpg", width, height, quality);
    ui::PhotoViewerLauncher launcher;
    // A full-HD desktop, as most users have.
    launcher.SetBound(QSize(1880, 1000));
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QApplication::processEvents();
        const double before = ResidentMB("VmRSS:");
        ResetPeak();
        state.ResumeTiming();
        if (launcher.Show(path, QStringLiteral("Фото")) != ui::PhotoViewerLauncher::Result::Shown)
            state.SkipWithError("the photo was not shown");
        QApplication::processEvents();
        state.PauseTiming();
        peak = std::max(peak, ResidentMB("VmHWM:") - before);
        if (launcher.Viewer()) launcher.Viewer()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["photo_MB"] = double(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = peak;
}
BENCHMARK_CAPTURE(BM_OpenViewer, photo_2MB, 2200, 1650, 95)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenViewer, camera_24MP, 6000, 4000, 90)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    int result = bench_support::RunQtBenchmarks(argc, argv);
    std::filesystem::remove_all(Folder());
    return result;
}
