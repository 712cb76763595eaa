#include "ui/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <new>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace ui {
namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return.
// Ours jumps back to the frame that called setjmp. Only plain C data lives
// in the frames between (libjpeg's and DecodeWithLibrary's locals), so no
// destructor is skipped; everything with one is owned by DecodeJpeg.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings that mean the picture data is damaged or cut short. The library
// would go on and fill the rest with grey; a damaged photo is a failure.
// Extraneous bytes before a marker are common in camera files and harmless.
bool IsDamageWarning(int code) {
    switch (code) {
        case JWRN_ARITH_BAD_CODE:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_JPEG_EOF:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && IsDamageWarning(cinfo->err->msg_code)) ErrorExit(cinfo);
    // Trace messages and harmless warnings are dropped: nothing is printed.
}

void OutputMessage(j_common_ptr) {}

struct ProgressMonitor {
    jpeg_progress_mgr pub;
    int maxScans;
};

void CheckProgress(j_common_ptr cinfo) {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > monitor->maxScans) {
        // Reported as a fatal error of our own making.
        std::snprintf(reinterpret_cast<ErrorManager*>(cinfo->err)->message, JMSG_LENGTH_MAX,
                      "Too many scans (more than %d)", monitor->maxScans);
        std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
    }
}

// CMYK as written by Adobe programs is stored inverted (0 = full ink).
void CmykRowToRgb(const uint8_t* cmyk, uint8_t* rgb, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[0] = uint8_t(c * k / 255);
        rgb[1] = uint8_t(m * k / 255);
        rgb[2] = uint8_t(y * k / 255);
    }
}

// Buffers with destructors, owned outside the setjmp frame.
struct Buffers {
    RgbImage* out;
    std::vector<uint8_t> cmykRow;
    std::string limitError;
};

// Runs the library. Returns false after a library error (message in
// `errors.message`) or a refused picture (message in `buffers.limitError`).
// Nothing in this frame needs destruction, so the longjmp into it is sound;
// the caller destroys `cinfo` on both paths.
bool DecodeWithLibrary(jpeg_decompress_struct& cinfo, ErrorManager& errors,
                       ProgressMonitor& progress, const uint8_t* data, size_t size,
                       const JpegDecodeOptions& options, Buffers& buffers) {
    if (setjmp(errors.jump)) return false;

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = options.maxLibraryMemory;
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    const uint64_t sourcePixels = uint64_t(cinfo.image_width) * cinfo.image_height;
    if (sourcePixels > options.maxSourcePixels) {
        buffers.limitError = "Picture too large (" + std::to_string(cinfo.image_width) + " x " +
                             std::to_string(cinfo.image_height) + ")";
        return false;
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num =
        unsigned(JpegScaleEighths(int(cinfo.image_width), int(cinfo.image_height), options));
    cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo);

    RgbImage& out = *buffers.out;
    out.sourceWidth = int(cinfo.image_width);
    out.sourceHeight = int(cinfo.image_height);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    const size_t stride = size_t(cinfo.output_width) * 3;
    out.rgb.resize(stride * cinfo.output_height);
    if (cmyk) buffers.cmykRow.resize(size_t(cinfo.output_width) * 4);

    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* target = out.rgb.data() + stride * cinfo.output_scanline;
        JSAMPROW row = cmyk ? buffers.cmykRow.data() : target;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            // Only a suspending source returns no line; ours never suspends.
            buffers.limitError = "Decoder stopped early";
            return false;
        }
        if (cmyk) CmykRowToRgb(row, target, cinfo.output_width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

int JpegScaleEighths(int width, int height, const JpegDecodeOptions& options) {
    for (int n = 8; n > 1; --n) {
        // The library's scaled size: ceil(size * n / 8).
        const int64_t w = (int64_t(width) * n + 7) / 8;
        const int64_t h = (int64_t(height) * n + 7) / 8;
        const bool fitsWidth = options.maxWidth <= 0 || w <= options.maxWidth;
        const bool fitsHeight = options.maxHeight <= 0 || h <= options.maxHeight;
        if (fitsWidth && fitsHeight) return n;
    }
    return 1;
}

bool DecodeJpeg(const uint8_t* data, size_t size, const JpegDecodeOptions& options, RgbImage& out,
                std::string& error) {
    out = RgbImage();
    if (data == nullptr || size == 0) {
        error = "Empty file";
        return false;
    }

    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    ProgressMonitor progress{};
    progress.pub.progress_monitor = CheckProgress;
    progress.maxScans = options.maxScans;

    Buffers buffers;
    buffers.out = &out;
    bool ok = false;
    try {
        ok = DecodeWithLibrary(cinfo, errors, progress, data, size, options, buffers);
    } catch (const std::bad_alloc&) {
        buffers.limitError = "Out of memory";
        ok = false;
    }
    jpeg_destroy_decompress(&cinfo);

    if (!ok) {
        error = buffers.limitError.empty() ? std::string(errors.message) : buffers.limitError;
        if (error.empty()) error = "Cannot decode";
        out = RgbImage();
    }
    return ok;
}

}  // namespace ui
