#include "engine/storage/TextRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "tests/engine/storage/ImageBuilder.h"

using namespace ridov;
using testing_support::ImageBuilder;
using testing_support::Section;

namespace {

class TextRecordsTest : public ::testing::Test {
  protected:
    TRidovSession session;
    TRidovCursor store{session, text::FormatSettings::Russian()};
    std::vector<const TRidovField*> fields;

    void SetUp() override {
        // ID SmallStr 8, NAME String 10, N Integer, S SmallInt, E Int64, P Double.
        std::vector<uint8_t> image = ImageBuilder()
                                         .Header(0, 6,
                                                 Section({"XXX.ID 8", "XXX.NAME s10", "XXX.N i",
                                                          "XXX.S l", "XXX.E e", "XXX.P f"}))
                                         .bytes;
        std::string message;
        ASSERT_TRUE(store.ReadImage(image, message)) << message;
        for (int i = 0; i < store.FieldCount(); ++i) fields.push_back(store.FieldAt(i));
        ASSERT_TRUE(CanMakeTextRecords(fields));
    }

    // The sealed image of `text`, cut into `pieces`.
    std::vector<uint8_t> Image(std::string_view text, unsigned pieces, TextRecords& made) {
        std::vector<uint8_t> head;
        TRidovCursor::ImageSeal seal;
        store.WriteImageHead(head, seal);
        MakeTextRecords(text, fields, 0, store.Format(), head, made, {}, pieces);
        std::span<uint8_t> image(made.image.data(), made.imageSize);
        store.SealImage(image, seal, int32_t(made.records));
        return {image.begin(), image.end()};
    }
};

TEST_F(TextRecordsTest, ValuesConvertAsTheImageHoldsThem) {
    const std::string text = std::string("A1\tName\t5\r\n") +
                             // Cut to 8 and 10, blanks before numbers, zeros empty.
                             "ABCDEFGHIJ\tabcdefghijkl\t 7\t-0\t0\t 2,5 \textra\r\n" +
                             // Text up to its NUL; refused numbers stay empty.
                             std::string("x\0y\tp\0q\t70000\t40000\t12\tz", 24) + "\r\n" +
                             // No values: a record all empty.
                             "\r\n" + "\t\t-2147483648\t-32768\t-9000000000\t-1,25";
    TextRecords made;
    std::vector<uint8_t> image = Image(text, 1, made);
    const std::string section =
        Section({"XXX.ID 8", "XXX.NAME s10", "XXX.N i", "XXX.S l", "XXX.E e", "XXX.P f"});
    ImageBuilder expected;
    expected.I32(int32_t(image.size())).U8('S').I32(5).I32(6).I32(int32_t(section.size()));
    expected.Raw(section);
    expected.Raw(std::string("\x02\x04\x04\0\0\0", 6)).Raw("A1").I32(4).Raw("Name").I32(5);
    expected.Raw(std::string("\x08\x04\x04\0\0\x08", 6)).Raw("ABCDEFGH").I32(10);
    expected.Raw("abcdefghij").I32(7);
    const double twoAndAHalf = 2.5;
    expected.Raw(std::string(reinterpret_cast<const char*>(&twoAndAHalf), 8));
    expected.Raw(std::string("\x01\x04\x04\0\x08\0", 6)).Raw("x").I32(1).Raw("p").I32(70000);
    expected.Raw(std::string("\x0c\0\0\0\0\0\0\0", 8));
    expected.Raw(std::string(6, '\0'));
    expected.Raw(std::string("\0\0\x04\x02\x08\x08", 6)).I32(INT32_MIN).I16(INT16_MIN);
    const int64_t big = -9000000000;
    const double negative = -1.25;
    expected.Raw(std::string(reinterpret_cast<const char*>(&big), 8));
    expected.Raw(std::string(reinterpret_cast<const char*>(&negative), 8));
    EXPECT_EQ(image, expected.bytes);
    EXPECT_EQ(made.records, 5);
    EXPECT_EQ(made.coded, 3);
    EXPECT_EQ(made.badLine, 0);
    EXPECT_EQ(made.refusals, (std::vector<std::string>{
                                 "'40000' is not a valid integer value for field 'S'",
                                 "'z' is not a valid floating point value for field 'P'",
                             }));
    // 70000 fits N; S refuses 40000.
    TRidovCursor back(session, text::FormatSettings::Russian());
    std::string message;
    ASSERT_TRUE(back.ReadImage(image, message)) << message;
    std::string value;
    back.FieldAsText(*back.FindField("N"), back.RecordAt(2), value, false, false);
    EXPECT_EQ(value, "70000");
}

// Cut anywhere (in a value, at a CR, at an LF, inside a line longer than a
// piece), the text gives the same image, refusals in the same order, and
// the same record count as read whole.
TEST_F(TextRecordsTest, EveryCutGivesTheImageOfTheWholeText) {
    std::string longLine = "L\t" + std::string(500, 'n') + "\tbad1";
    std::vector<std::string> texts = {
        "\r\nA\t\t1\r\n\r\nB\tb\tbad0\r\n" + longLine + "\r\nC\tc\t3\r\n",
        "abc\r\nde",
        "ab\r\ncde",
        "a\r\n\r\n\r\n\r\nb\r\n",
        longLine,
        "",
    };
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i);
        texts[0].append("R").append(n).append("\tname\t").append(i % 7 == 0 ? "x" : n);
        texts[0].append("\t\t\t").append(n).append(",5\r\n");
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        TextRecords whole;
        const std::vector<uint8_t> expected = Image(text, 1, whole);
        for (unsigned pieces = 2; pieces <= 24; ++pieces) {
            SCOPED_TRACE(pieces);
            TextRecords cut;
            EXPECT_EQ(Image(text, pieces, cut), expected);
            EXPECT_EQ(cut.records, whole.records);
            EXPECT_EQ(cut.coded, whole.coded);
            EXPECT_EQ(cut.refusals, whole.refusals);
            EXPECT_EQ(cut.badLine, 0);
        }
    }
    TextRecords first;
    Image(texts[0], 1, first);
    // The empty first line is no record; the empty third one is.
    EXPECT_EQ(first.records, 65);
    ASSERT_GE(first.refusals.size(), 2u);
    EXPECT_EQ(first.refusals[0], "'bad0' is not a valid integer value for field 'N'");
    EXPECT_EQ(first.refusals[1], "'bad1' is not a valid integer value for field 'N'");
}

// A CR without LF in a later piece is reported with its line in the whole
// text; records and refusals stop before it.
TEST_F(TextRecordsTest, CrWithoutLfIsNumberedInTheWholeText) {
    std::string text;
    for (int i = 1; i <= 40; ++i) {
        text += i == 31 ? std::string("A\rB") : "R\tn\t" + std::to_string(i) + (i % 10 ? "" : "x");
        text += "\r\n";
    }
    for (unsigned pieces = 1; pieces <= 12; ++pieces) {
        SCOPED_TRACE(pieces);
        TextRecords made;
        Image(text, pieces, made);
        EXPECT_EQ(made.badLine, 31);
        EXPECT_EQ(made.records, 30);
        EXPECT_EQ(made.refusals, (std::vector<std::string>{
                                     "'10x' is not a valid integer value for field 'N'",
                                     "'20x' is not a valid integer value for field 'N'",
                                     "'30x' is not a valid integer value for field 'N'",
                                 }));
    }
}

TEST_F(TextRecordsTest, EncipheredImageReadsBackWithItsPassword) {
    const std::string text = "A\tName\t5\r\nB\tOther\t6\t7\t8\t9,5\r\n";
    TextRecords plainMade;
    const std::vector<uint8_t> plain = Image(text, 1, plainMade);
    store.SetPassword("secret");
    TextRecords made;
    std::vector<uint8_t> image = Image(text, 2, made);
    EXPECT_EQ(image[4], 'P');
    TRidovCursor back(session);
    back.SetPassword("secret");
    std::string message;
    ASSERT_TRUE(back.ReadImage(image, message)) << message;
    back.SetPassword("");
    std::vector<uint8_t> again;
    back.WriteImage(again);
    EXPECT_EQ(again, plain);
}

TEST_F(TextRecordsTest, OnlyFieldsItConvertsQualify) {
    for (const char* entry : {"XXX.D d", "XXX.A a", "XXX.B b", "XXX.M m", "XXX.T t"}) {
        SCOPED_TRACE(entry);
        TRidovCursor other(session);
        std::vector<uint8_t> image =
            ImageBuilder().Header(0, 2, Section({"XXX.ID 8", entry})).bytes;
        std::string message;
        ASSERT_TRUE(other.ReadImage(image, message)) << message;
        std::vector<const TRidovField*> list{other.FieldAt(0), other.FieldAt(1)};
        EXPECT_FALSE(CanMakeTextRecords(list));
    }
}

}  // namespace
