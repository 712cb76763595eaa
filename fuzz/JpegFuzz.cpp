// Feeds arbitrary bytes to the photo decoder's core as the viewer uses it
// (bounded by a screen) and with a tiny bound that forces the strongest DCT
// scaling. Every input must end in a clean result: no crash, no leak, no
// sanitizer report, no hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int bounds[][2] = {{1920, 1080}, {16, 16}};
    for (const auto& bound : bounds) {
        ui::JpegDecodeOptions options;
        options.maxWidth = bound[0];
        options.maxHeight = bound[1];
        ui::RgbImage image;
        std::string error;
        if (ui::DecodeJpeg(data, size, options, image, error)) {
            // A success must describe its buffer exactly.
            if (image.width <= 0 || image.height <= 0 ||
                image.rgb.size() != size_t(image.width) * size_t(image.height) * 3) {
                __builtin_trap();
            }
        } else if (error.empty() || !image.rgb.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
