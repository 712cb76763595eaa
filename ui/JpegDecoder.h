// Decoding of the product photos: a small adapter over libjpeg (the
// libjpeg-turbo build of its classic API) that turns every library error
// into a failure result and decodes into plain RGB bytes.
//
// This core uses the C++ standard library and libjpeg only, so that the
// fuzz target can build it alone; JpegDecoderQt.h wraps it for Qt.
//
// What a caller may rely on:
// - No input makes it exit, abort, print or hang: the library's fatal errors
//   come back through setjmp/longjmp as a false result with a message, and
//   so do the "corrupt data" and "premature end" warnings, so a damaged or
//   truncated file fails instead of showing a half-grey picture.
// - Absurd dimensions are refused from the header, before any pixel buffer
//   is allocated, and the library's own working memory is capped.
// - A picture larger than the bound is decoded scaled down by the library's
//   DCT scaling (1/8 steps) to the largest size that fits; one that fits even
//   at 1/8 larger than the bound comes back at 1/8 (the caller may finish it).
//
// Thread safety: every call is independent; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// A decoded picture: `height` rows of `width` pixels, 3 bytes R, G, B each,
// rows packed without padding (row stride = width * 3).
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    // The size of the picture the file holds, before any scaling.
    int sourceWidth = 0;
    int sourceHeight = 0;
};

struct JpegDecodeOptions {
    // The largest size wanted; 0 means no bound in that direction.
    int maxWidth = 0;
    int maxHeight = 0;
    // Pictures with more pixels than this (in the file, before scaling) are
    // refused: no product photo is that large, and the library's working
    // buffers grow with the source size.
    uint64_t maxSourcePixels = 200'000'000;
    // Cap on the library's own working memory (whole-image buffers of
    // progressive files); past it the decode fails instead of growing.
    long maxLibraryMemory = 256L * 1024 * 1024;
    // Progressive files with more scans than this are refused: a crafted
    // file with thousands of tiny scans would otherwise take minutes.
    int maxScans = 500;
};

// The largest DCT scale n/8 (n = 1..8) at which a `width` x `height`
// picture fits `options`' bound; 8 when it fits unscaled or there is no
// bound, 1 when even 1/8 does not fit.
int JpegScaleEighths(int width, int height, const JpegDecodeOptions& options);

// Decodes the JPEG file in `data`. On success fills `out` and returns true;
// on failure returns false, leaves `out` empty and puts a readable English
// reason into `error`.
[[nodiscard]] bool DecodeJpeg(const uint8_t* data, size_t size, const JpegDecodeOptions& options,
                              RgbImage& out, std::string& error);

}  // namespace ui
