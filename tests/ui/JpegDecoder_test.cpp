#include "ui/JpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "support/TempFolder.h"
#include "ui/JpegDecoderQt.h"

namespace {

std::vector<uint8_t> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/jpeg/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A baseline JPEG of a smooth colour gradient, encoded row by row.
std::vector<uint8_t> EncodeGradient(int width, int height, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3] = uint8_t(x * 255 / width);
            row[size_t(x) * 3 + 1] = uint8_t(y * 255 / height);
            row[size_t(x) * 3 + 2] = 128;
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const ui::RgbImage& image, int x, int y) {
    const uint8_t* p = image.rgb.data() + (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    return {p[0], p[1], p[2]};
}

void ExpectNear(Rgb actual, Rgb expected, const std::string& where) {
    constexpr int kTolerance = 24;  // lossy compression of the colour edges
    EXPECT_NEAR(actual.r, expected.r, kTolerance) << where;
    EXPECT_NEAR(actual.g, expected.g, kTolerance) << where;
    EXPECT_NEAR(actual.b, expected.b, kTolerance) << where;
}

// The fixtures are 64 x 48 pictures of four quadrants: red, green / blue,
// white (grey levels of those in the grey one).
TEST(JpegDecoderTest, DecodesEveryKindOfFixtureToRgb) {
    struct Case {
        const char* file;
        Rgb topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        {"photo.jpg", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
        {"progressive.jpg", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
        {"gray.jpg", {76, 76, 76}, {149, 149, 149}, {29, 29, 29}, {255, 255, 255}},
        {"cmyk.jpg", {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = ReadFixture(c.file);
        ui::RgbImage image;
        std::string error;
        ASSERT_TRUE(ui::DecodeJpeg(bytes.data(), bytes.size(), {}, image, error)) << error;
        EXPECT_EQ(image.width, 64);
        EXPECT_EQ(image.height, 48);
        EXPECT_EQ(image.sourceWidth, 64);
        EXPECT_EQ(image.rgb.size(), size_t(64 * 48 * 3));
        ExpectNear(PixelAt(image, 8, 8), c.topLeft, "top left");
        ExpectNear(PixelAt(image, 56, 8), c.topRight, "top right");
        ExpectNear(PixelAt(image, 8, 40), c.bottomLeft, "bottom left");
        ExpectNear(PixelAt(image, 56, 40), c.bottomRight, "bottom right");
    }
}

TEST(JpegDecoderTest, DamagedInputsFailCleanly) {
    std::vector<uint8_t> hugeHeader = ReadFixture("photo.jpg");
    // Rewrite the frame header's size to 65000 x 65000.
    for (size_t i = 0; i + 8 < hugeHeader.size(); ++i) {
        if (hugeHeader[i] == 0xFF && hugeHeader[i + 1] == 0xC0) {
            hugeHeader[i + 5] = hugeHeader[i + 7] = 0xFD;
            hugeHeader[i + 6] = hugeHeader[i + 8] = 0xE8;
            break;
        }
    }
    std::vector<uint8_t> badComponents = ReadFixture("photo.jpg");
    for (size_t i = 0; i + 9 < badComponents.size(); ++i) {
        if (badComponents[i] == 0xFF && badComponents[i + 1] == 0xC0) {
            badComponents[i + 9] = 0;  // no components
            break;
        }
    }
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* errorPart;
    } cases[] = {
        {"empty", {}, "Empty"},
        {"not a JPEG", ReadFixture("notjpeg.jpg"), "Not a JPEG"},
        {"cut in the picture data", ReadFixture("truncated.jpg"), "Premature end"},
        {"absurd size", hugeHeader, "too large"},
        {"no components", badComponents, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui::RgbImage image;
        image.width = 5;
        std::string error;
        EXPECT_FALSE(ui::DecodeJpeg(c.bytes.data(), c.bytes.size(), {}, image, error));
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(image.width, 0);
        EXPECT_TRUE(image.rgb.empty());
    }
}

// Whatever prefix of a photo arrives, the decode fails; none is taken for
// a whole picture with a grey rest.
TEST(JpegDecoderTest, EveryTruncationFails) {
    for (const char* file : {"photo.jpg", "progressive.jpg"}) {
        const std::vector<uint8_t> bytes = ReadFixture(file);
        for (size_t length = 0; length < bytes.size(); ++length) {
            ui::RgbImage image;
            std::string error;
            EXPECT_FALSE(ui::DecodeJpeg(bytes.data(), length, {}, image, error))
                << file << " cut at " << length;
        }
    }
}

TEST(JpegDecoderTest, LibraryLimitsTurnIntoFailures) {
    const std::vector<uint8_t> bytes = ReadFixture("progressive.jpg");
    struct Case {
        const char* name;
        ui::JpegDecodeOptions options;
    } cases[] = {
        {"scan limit", {.maxScans = 2}},
        {"pixel limit", {.maxSourcePixels = 64 * 48 - 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui::RgbImage image;
        std::string error;
        EXPECT_FALSE(ui::DecodeJpeg(bytes.data(), bytes.size(), c.options, image, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(JpegDecoderTest, ScaleIsTheLargestEighthThatFits) {
    struct Case {
        int width, height, maxWidth, maxHeight, eighths;
    } cases[] = {
        {800, 600, 0, 0, 8},          // no bound
        {800, 600, 800, 600, 8},      // exactly fits
        {801, 600, 800, 600, 7},      // one pixel too wide: 701 x 525
        {6000, 4000, 1920, 1080, 2},  // 1500 x 1000
        {6000, 4000, 0, 1000, 2},     // bound in one direction only
        {4000, 6000, 1920, 1080, 1},  // 500 x 750
        {60000, 100, 1920, 1080, 1},  // too wide even at 1/8
    };
    for (const Case& c : cases) {
        ui::JpegDecodeOptions options;
        options.maxWidth = c.maxWidth;
        options.maxHeight = c.maxHeight;
        EXPECT_EQ(ui::JpegScaleEighths(c.width, c.height, options), c.eighths)
            << c.width << " x " << c.height << " in " << c.maxWidth << " x " << c.maxHeight;
    }
}

// A camera-sized picture is decoded by the library's scaling straight to a
// size within the screen, never at its full 24 megapixels.
TEST(JpegDecoderTest, HugePhotoIsDecodedScaledWithinTheBound) {
    const std::vector<uint8_t> bytes = EncodeGradient(6000, 4000, 50);

    ui::JpegDecodeOptions screen;
    screen.maxWidth = 1920;
    screen.maxHeight = 1080;
    ui::RgbImage image;
    std::string error;
    ASSERT_TRUE(ui::DecodeJpeg(bytes.data(), bytes.size(), screen, image, error)) << error;
    EXPECT_EQ(image.sourceWidth, 6000);
    EXPECT_EQ(image.sourceHeight, 4000);
    EXPECT_EQ(image.width, 1500);
    EXPECT_EQ(image.height, 1000);
    EXPECT_EQ(image.rgb.size(), size_t(1500 * 1000 * 3));
    // The gradient survives the scaling: dark on the left, bright on the right.
    EXPECT_LT(PixelAt(image, 10, 500).r, 20);
    EXPECT_GT(PixelAt(image, 1490, 500).r, 235);

    // The Qt wrapper finishes a bound that even 1/8 (750 x 500) exceeds,
    // keeping the proportions.
    const QImage small = ui::DecodeJpegImage(bytes.data(), bytes.size(), QSize(300, 300));
    EXPECT_EQ(small.size(), QSize(300, 200));
}

TEST(JpegDecoderTest, QtWrapperReadsFilesAndRefusesBadOnes) {
    const std::string dir = std::string(ZV_TEST_DATA_DIR) + "/jpeg/";
    std::string error;
    const QImage photo = ui::LoadJpegImage(dir + "photo.jpg", QSize());
    ASSERT_FALSE(photo.isNull());
    EXPECT_EQ(photo.size(), QSize(64, 48));
    EXPECT_EQ(QColor(photo.pixel(56, 8)).green() > 200, true);

    EXPECT_TRUE(ui::LoadJpegImage(dir + "missing.jpg", QSize(), &error).isNull());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(ui::LoadJpegImage(dir + "truncated.jpg", QSize(), &error).isNull());

    // An oversized file is refused before it is read (a sparse file here).
    testing_support::TempFolder folder;
    const std::string big = folder.File("ZVbig.jpg");
    std::ofstream(big).put('x');
    std::filesystem::resize_file(big, ui::kMaxJpegFileBytes + 1);
    EXPECT_TRUE(ui::LoadJpegImage(big, QSize(), &error).isNull());
    EXPECT_EQ(error, "File too large");
}

}  // namespace
