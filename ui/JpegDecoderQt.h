// The photo decoder for Qt: reads a JPEG file through the platform layer and
// hands the picture over as a QImage no larger than a bound.
//
// Thread safety: GUI thread (it goes through platform::CurrentPlatform()).
#pragma once

#include <QImage>
#include <QSize>
#include <string>

namespace ui {

// Files larger than this are not read at all: no product photo is.
inline constexpr uint64_t kMaxJpegFileBytes = 64ull * 1024 * 1024;

// Decodes the JPEG file at `path` (UTF-8). A picture larger than `bound` is
// scaled down, keeping its proportions, to fit it (first by the decoder's
// DCT scaling, then smoothly when even 1/8 is too large); an invalid or
// empty `bound` means the natural size. A null image on failure, with the
// reason in `error` when given.
QImage LoadJpegImage(const std::string& path, const QSize& bound, std::string* error = nullptr);

// The same for JPEG bytes already in memory.
QImage DecodeJpegImage(const uint8_t* data, size_t size, const QSize& bound,
                       std::string* error = nullptr);

}  // namespace ui
