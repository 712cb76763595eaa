#include "ui/JpegDecoderQt.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/Platform.h"
#include "ui/JpegDecoder.h"

namespace ui {
namespace {

QImage Fail(std::string* error, std::string reason) {
    if (error) *error = std::move(reason);
    return QImage();
}

}  // namespace

QImage DecodeJpegImage(const uint8_t* data, size_t size, const QSize& bound, std::string* error) {
    JpegDecodeOptions options;
    const bool bounded = bound.isValid() && !bound.isEmpty();
    if (bounded) {
        // The library scales by eighths only; decode at up to twice the
        // bound and let the smooth scaling below fit the picture exactly.
        options.maxWidth = 2 * bound.width();
        options.maxHeight = 2 * bound.height();
    }
    RgbImage picture;
    std::string reason;
    if (!DecodeJpeg(data, size, options, picture, reason)) return Fail(error, reason);

    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    if (image.isNull()) return Fail(error, "Out of memory");
    const size_t stride = size_t(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), picture.rgb.data() + stride * size_t(y), stride);
    }
    if (bounded && (image.width() > bound.width() || image.height() > bound.height())) {
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

QImage LoadJpegImage(const std::string& path, const QSize& bound, std::string* error) {
    // Refuse an oversized file before reading it into memory.
    std::error_code sizeError;
    const auto fileSize = std::filesystem::file_size(std::filesystem::path(path), sizeError);
    if (!sizeError && fileSize > kMaxJpegFileBytes) return Fail(error, "File too large");

    std::vector<uint8_t> bytes;
    std::string reason;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, reason)) {
        return Fail(error, reason);
    }
    if (bytes.size() > kMaxJpegFileBytes) return Fail(error, "File too large");
    return DecodeJpegImage(bytes.data(), bytes.size(), bound, error);
}

}  // namespace ui
