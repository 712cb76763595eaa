#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "engine/storage/ValueSlot.h"
#include "tests/engine/storage/ImageBuilder.h"
#include "tests/support/TempFolder.h"

using namespace ridov;
using testing_support::ImageBuilder;
using testing_support::Section;

namespace {

class TableImageTest : public ::testing::Test {
  protected:
    TRidovSession session;

    // Reads `image` into a fresh store; returns the message ("" on success).
    std::string Read(std::vector<uint8_t> image, TRidovCursor& store) {
        std::string message;
        if (!store.ReadImage(image, message)) return message.empty() ? "?" : message;
        return "";
    }
    std::string ReadError(std::vector<uint8_t> image) {
        TRidovCursor store(session);
        std::string m = Read(std::move(image), store);
        EXPECT_EQ(store.FieldCount(), m.empty() ? store.FieldCount() : 0)
            << "a failed read must leave the store empty";
        return m;
    }
};

std::string Text(TRidovCursor& store, const RecordNode* node, const char* field) {
    std::string out;
    store.FieldAsText(*store.FindField(field), node, out, true, false);
    return out;
}

TEST_F(TableImageTest, OrderTableHasPinnedBytes) {
    TRidovCursor store(session, text::FormatSettings::Machine());
    ASSERT_EQ(Read(ImageBuilder().Header(0, 2, Section({"XXX.ID K", "XXX.KOL i"})).bytes, store),
              "");
    ridov::ValueBuffer buf(store.Layout());
    store.TextToValue(buf.Data() + store.FindField("ID")->offset, "12345", *store.FindField("ID"));
    store.TextToValue(buf.Data() + store.FindField("KOL")->offset, "3", *store.FindField("KOL"));
    std::string message;
    ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message));

    std::vector<uint8_t> image;
    ASSERT_EQ(store.WriteImage(image), 48u);
    std::vector<uint8_t> expected = ImageBuilder()
                                        .I32(48)
                                        .U8('S')
                                        .I32(1)
                                        .I32(2)
                                        .I32(20)
                                        .Raw("XXX.ID K\x12XXX.KOL i\x12\x14")
                                        .U8(5)
                                        .U8(4)
                                        .Raw("12345")
                                        .I32(3)
                                        .bytes;
    EXPECT_EQ(image, expected);
    EXPECT_EQ(store.ImageSizeEstimate(), 48u);
}

TEST_F(TableImageTest, EmptyTableSizes) {
    for (bool enciphered : {false, true}) {
        TRidovCursor store(session);
        std::string section = Section({"XXX.ID 8", "XXX.NAME s80"});
        ASSERT_EQ(Read(ImageBuilder().Header(0, 2, section).bytes, store), "");
        if (enciphered) store.SetPassword("pw");
        std::vector<uint8_t> image;
        size_t expected = (enciphered ? 57 : 17) + section.size();
        EXPECT_EQ(store.WriteImage(image), expected);
        EXPECT_EQ(store.ImageSizeEstimate(), expected);
    }
}

TEST_F(TableImageTest, FieldDescriptionsReadAsDeclared) {
    struct Case {
        const char* entry;
        FieldType type;
        int size;
        uint16_t slot;
        const char* defaultExpr;
        const char* extra;
        const char* qualifier;
        const char* name;
    };
    const Case cases[] = {
        {"XXX.ID 8", ftSmallStr, 8, 9, "", "", "XXX", "ID"},
        {"XXX.ARTIKUL K", ftSmallStr, 20, 21, "", "", "XXX", "ARTIKUL"},
        {"XXX.NAME s80", ftString, 80, kTextSlotSize, "", "", "XXX", "NAME"},
        {"XXX.NOTE s", ftString, 100, kTextSlotSize, "", "", "XXX", "NOTE"},
        {"p.D d~TODAY~", ftDate, 0, 4, "TODAY", "", "p", "D"},
        {"D d~TODAY", ftDate, 0, 4, "", "TODAY", "XXX", "D"},
        {"XXX.A a~~x~y", ftAutoInc, 0, 4, "", "x~y", "XXX", "A"},
        {"XXX.MY_NAME e", ftInt64, 0, 8, "", "", "XXX", "MY_NAME"},
        {"XXX.P g", ftGraphic, 0, kBlockSlotSize, "", "", "XXX", "P"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        TRidovCursor store(session);
        ASSERT_EQ(Read(ImageBuilder().Header(0, 1, Section({c.entry})).bytes, store), "");
        const TRidovField& f = *store.FieldAt(0);
        EXPECT_EQ(f.type, c.type);
        EXPECT_EQ(f.declaredSize, c.size);
        EXPECT_EQ(f.slotSize, c.slot);
        EXPECT_EQ(f.defaultExpr, c.defaultExpr);
        EXPECT_EQ(f.extra, c.extra);
        EXPECT_EQ(f.qualifier, c.qualifier);
        EXPECT_EQ(f.name, c.name);
    }
}

TEST_F(TableImageTest, RoundTripKeepsEveryTypeAndEmptyValues) {
    TRidovCursor store(session, text::FormatSettings::Machine());
    ASSERT_EQ(Read(ImageBuilder()
                       .Header(0, 12,
                               Section({"XXX.S l", "XXX.I i", "XXX.E e", "XXX.B b", "XXX.F f",
                                        "XXX.D d", "XXX.T t", "XXX.V v", "XXX.K K",
                                        "XXX.N s40~NOW~x", "XXX.M m", "XXX.O o"}))
                       .bytes,
                   store),
              "");
    store.FieldAt(9)->name = "my name";  // written with an underscore
    const char* values[] = {
        "-5",       "123456", "9000000000", "Yes", "1.25", "2024/02/29", "2024/02/29 13:45:07",
        "08:30:00", "abc",    "text",       "",    ""};
    ridov::ValueBuffer buf(store.Layout());
    for (int i = 0; i < 12; ++i) {
        store.TextToValue(buf.Data() + store.FieldAt(i)->offset, values[i], *store.FieldAt(i));
    }
    slot::SetHeapBlock(buf.Data() + store.FieldAt(11)->offset, std::string("\x00\x01\xff", 3));
    std::string message;
    ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message));
    buf.Clear();  // the all-empty record
    ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message));

    std::vector<uint8_t> image;
    store.WriteImage(image);
    TRidovCursor back(session, text::FormatSettings::Machine());
    ASSERT_EQ(Read(image, back), "");
    ASSERT_EQ(back.RecordCount(), 2u);
    EXPECT_EQ(back.FieldAt(9)->name, "my_name");
    EXPECT_EQ(back.FieldAt(9)->defaultExpr, "NOW");
    const char* expected[] = {
        "-5",       "123456", "9000000000", "Yes", "1.25",     "2024/02/29", "2024/02/29 13:45:07",
        "08:30:00", "abc",    "text",       "",    "Not Found"};
    for (int i = 0; i < 12; ++i) {
        std::string out;
        back.FieldAsText(*back.FieldAt(i), back.RecordAt(0), out, true, false);
        EXPECT_EQ(out, expected[i]) << back.FieldAt(i)->name;
    }
    EXPECT_EQ(slot::Block(back.RecordAt(0)->values + back.FieldAt(11)->offset),
              std::string_view("\x00\x01\xff", 3));
    // The empty record is stored as one zero byte per field and reads back
    // all zero.
    EXPECT_EQ(back.RecordAt(1)->storedSize, 12u);
    EXPECT_TRUE(std::all_of(back.RecordAt(1)->values, back.RecordAt(1)->values + back.RecordSize(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(Text(back, back.RecordAt(1), "I"), "0");
    EXPECT_EQ(Text(back, back.RecordAt(1), "D"), "");
}

TEST_F(TableImageTest, DamagedImagesGiveTheirMessages) {
    const std::string idSection = Section({"XXX.ID K", "XXX.KOL i"});
    const std::string nameSection = Section({"XXX.NAME s80", "XXX.BLOB o"});
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "Buffer structure corruption!"},
        {"bad signature", ImageBuilder().I32(0).U8('X').I32(0).I32(0).I32(0).bytes,
         "Buffer structure corruption!"},
        {"error image", ImageBuilder().I32(0).U8('E').Raw("Out of disk").U8(0).Raw("junk").bytes,
         "Out of disk"},
        {"cut header", ImageBuilder().I32(0).U8('S').I32(0).bytes, "Buffer structure corruption!"},
        {"description too long", ImageBuilder().I32(0).U8('S').I32(0).I32(1).I32(100000).bytes,
         "Buffer structure corruption!"},
        {"negative description", ImageBuilder().I32(0).U8('S').I32(0).I32(1).I32(-1).bytes,
         "Buffer structure corruption!"},
        {"cut description", ImageBuilder().I32(0).U8('S').I32(0).I32(1).I32(50).Raw("XXX").bytes,
         "Buffer structure corruption!"},
        {"size not a number", ImageBuilder().Header(0, 1, Section({"XXX.N s8x"})).bytes,
         "Buffer structure corruption!"},
        {"tilde after s", ImageBuilder().Header(0, 1, Section({"XXX.N s~a~b"})).bytes,
         "Buffer structure corruption!"},
        {"missing entry end", ImageBuilder().Header(0, 1, "XXX.ID K\x14").bytes,
         "Error in buffer structure (field description section)"},
        {"empty entry", ImageBuilder().Header(0, 1, "\x12\x14").bytes,
         "Error in buffer structure (field description section)"},
        {"fewer entries than fields", ImageBuilder().Header(0, 3, idSection).bytes,
         "Error in buffer structure (field description section)"},
        {"unknown letter", ImageBuilder().Header(0, 1, Section({"XXX.ID #"})).bytes,
         "Error in buffer structure (field description section)"},
        {"short string one byte over its size",
         ImageBuilder()
             .Header(1, 2, Section({"XXX.ID 3", "XXX.KOL i"}))
             .U8(4)
             .U8(0)
             .Raw("ABCD")
             .bytes,
         "Field 'ID' has wrong length 4 in record 1"},
        {"fixed field too long",
         ImageBuilder().Header(1, 2, idSection).U8(0).U8(5).Raw("12345").bytes,
         "Field 'KOL' has wrong length 5 in record 1"},
        {"string length byte",
         ImageBuilder().Header(1, 2, nameSection).U8(3).U8(0).Raw("abc").bytes,
         "Field 'NAME' has wrong length 3 in record 1"},
        {"string too long", ImageBuilder().Header(1, 2, nameSection).U8(4).U8(0).I32(8192).bytes,
         "String field 'NAME' has wrong length 8192 in record 1"},
        {"negative string", ImageBuilder().Header(1, 2, nameSection).U8(4).U8(0).I32(-1).bytes,
         "String field 'NAME' has wrong length -1 in record 1"},
        {"blob too long",
         ImageBuilder().Header(1, 2, nameSection).U8(0).U8(4).I32(0x40000000).bytes,
         "BLOB field 'BLOB' has wrong length 1073741824 in record 1"},
        {"cut record", ImageBuilder().Header(1, 2, idSection).U8(5).U8(4).Raw("123").bytes,
         "Unexpected end of buffer"},
        {"cut string",
         ImageBuilder().Header(1, 2, nameSection).U8(4).U8(0).I32(10).Raw("abc").bytes,
         "Unexpected end of buffer"},
        {"second record missing",
         ImageBuilder().Header(2, 2, idSection).U8(1).U8(0).Raw("1").U8(0).bytes,
         "Number of records read (1) does not match declared record count (2)"},
        {"records without fields", ImageBuilder().Header(1000000000, 0, "\x14").bytes,
         "Number of records read (0) does not match declared record count (1000000000)"},
        {"negative record count", ImageBuilder().Header(-1, 2, idSection).bytes,
         "Number of records read (0) does not match declared record count (-1)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadError(c.image), c.message) << c.what;
    }
}

TEST_F(TableImageTest, TrailingBytesAndCommentAreHandled) {
    TRidovCursor store(session);
    auto image = ImageBuilder()
                     .Header(1, 2, Section({"XXX.ID K", "XXX.KOL i"}))
                     .U8('*')
                     .I16(5)
                     .Raw("hello")
                     .U8(1)
                     .U8(0)
                     .Raw("7")
                     .Raw("ignored trailing bytes")
                     .bytes;
    ASSERT_EQ(Read(image, store), "");
    EXPECT_EQ(store.Comment(), "hello");
    EXPECT_EQ(store.RecordCount(), 1u);
    EXPECT_EQ(Text(store, store.RecordAt(0), "ID"), "7");
}

TEST_F(TableImageTest, PartialOpenKeepsWhatWasRead) {
    TRidovCursor store(session);
    store.SetPartialOpen(true);
    auto image = ImageBuilder()
                     .Header(3, 2, Section({"XXX.ID K", "XXX.KOL i"}))
                     .U8(1)
                     .U8(0)
                     .Raw("1")
                     .U8(1)
                     .U8(9)
                     .Raw("2")
                     .bytes;
    std::string message;
    EXPECT_TRUE(store.ReadImage(image, message));
    EXPECT_EQ(message, "Field 'KOL' has wrong length 9 in record 2");
    EXPECT_EQ(store.RecordCount(), 1u);
    EXPECT_EQ(store.FieldCount(), 2);
}

TEST_F(TableImageTest, LoadFilterDropsRecordsWithoutCountError) {
    TRidovCursor store(session);
    store.SetLoadFilter([](TRidovCursor& s, RecordNode& node) {
        std::string id;
        s.FieldAsText(*s.FindField("ID"), &node, id, false, false);
        return id == "2";
    });
    ImageBuilder b;
    b.Header(3, 2, Section({"XXX.ID K", "XXX.KOL i"}));
    for (const char* id : {"1", "2", "3"}) b.U8(1).U8(0).Raw(id);
    ASSERT_EQ(Read(b.bytes, store), "");
    ASSERT_EQ(store.RecordCount(), 1u);
    EXPECT_EQ(Text(store, store.RecordAt(0), "ID"), "2");
}

// Records read from an image share equal texts; each must still read,
// change and write as if it had its own.
TEST_F(TableImageTest, RepeatedTextsStayIndependentRecords) {
    TRidovCursor source(session);
    source.AddField("NAME", ftString, 200);
    source.AddField("BREND", ftString, 40);
    const std::string longText(150, 'x');  // beyond what is shared
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"brake pad", "Acme"}, {"brake pad", "Acme"}, {"", "Acme"},
        {longText, "Bosco"},   {longText, "Acme"},    {"brake pad", ""}};
    std::string message;
    for (const auto& [name, brand] : rows) {
        ValueBuffer buf(source.Layout());
        source.TextToValue(buf.Data(), name, *source.FieldAt(0));
        source.TextToValue(buf.Data() + source.FieldAt(1)->offset, brand, *source.FieldAt(1));
        ASSERT_TRUE(source.PostRecord(buf.Data(), nullptr, message)) << message;
    }
    std::vector<uint8_t> image;
    source.WriteImage(image);

    TRidovCursor store(session);
    ASSERT_EQ(Read(image, store), "");
    ASSERT_EQ(store.RecordCount(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Text(store, store.RecordAt(i), "NAME"), rows[i].first) << i;
        EXPECT_EQ(Text(store, store.RecordAt(i), "BREND"), rows[i].second) << i;
    }
    // Changing one record's text leaves the equal text of the others alone,
    // and reverting brings it back.
    RecordNode* first = store.RecordAt(0);
    ASSERT_TRUE(store.BeginEdit(first));
    ValueBuffer edit(store.Layout());
    edit.CopyFrom(first->values);
    store.TextToValue(edit.Data(), "changed", *store.FieldAt(0));
    store.TextToValue(edit.Data() + store.FieldAt(1)->offset, "Other", *store.FieldAt(1));
    ASSERT_TRUE(store.PostRecord(edit.Data(), first, message)) << message;
    EXPECT_EQ(Text(store, first, "NAME"), "changed");
    EXPECT_EQ(Text(store, store.RecordAt(1), "NAME"), "brake pad");
    EXPECT_EQ(Text(store, store.RecordAt(2), "BREND"), "Acme");
    store.RevertRecord(first);
    EXPECT_EQ(Text(store, first, "NAME"), "brake pad");
    std::vector<uint8_t> again;
    store.WriteImage(again);
    EXPECT_EQ(again, image);
}

// Reading the records in pieces side by side gives the same store as one
// after another: the image written back is byte for byte the one read, for
// every split (records of every kind, texts shared and not, blocks, empty
// values, and as many pieces as records).
TEST_F(TableImageTest, ReadingInPiecesGivesTheSameRecords) {
    TRidovCursor source(session, text::FormatSettings::Machine());
    ASSERT_EQ(Read(ImageBuilder()
                       .Header(0, 5,
                               Section({"XXX.ID 8", "XXX.NAME s80", "XXX.PRICE f", "XXX.QTY i",
                                        "XXX.PHOTO o"}))
                       .bytes,
                   source),
              "");
    std::string message;
    for (int i = 0; i < 301; ++i) {
        ValueBuffer buf(source.Layout());
        const std::string name = i % 7 == 0   ? std::string(150 + i % 3, 'n')
                                 : i % 5 == 0 ? std::string()
                                              : "brake pad " + std::to_string(i % 11);
        source.TextToValue(buf.Data(), std::to_string(i), *source.FieldAt(0));
        source.TextToValue(buf.Data() + source.FieldAt(1)->offset, name, *source.FieldAt(1));
        source.TextToValue(buf.Data() + source.FieldAt(2)->offset, std::to_string(i % 4) + ".5",
                           *source.FieldAt(2));
        source.TextToValue(buf.Data() + source.FieldAt(3)->offset, std::to_string(i % 3),
                           *source.FieldAt(3));
        if (i % 9 == 0)
            slot::SetHeapBlock(buf.Data() + source.FieldAt(4)->offset, std::string(i, '\x01'));
        ASSERT_TRUE(source.PostRecord(buf.Data(), nullptr, message)) << message;
    }
    std::vector<uint8_t> image;
    source.WriteImage(image);

    for (unsigned pieces : {1u, 2u, 3u, 8u, 301u}) {
        SCOPED_TRACE(pieces);
        TRidovCursor store(session, text::FormatSettings::Machine());
        store.SetReadPieces(pieces);
        ASSERT_EQ(Read(image, store), "");
        ASSERT_EQ(store.RecordCount(), 301u);
        EXPECT_EQ(Text(store, store.RecordAt(300), "ID"), "300");
        std::vector<uint8_t> back;
        store.WriteImage(back);
        EXPECT_TRUE(back == image);
        // The store goes on as usual: a record added after the read.
        ValueBuffer buf(store.Layout());
        store.TextToValue(buf.Data(), "new", *store.FieldAt(0));
        ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message)) << message;
        EXPECT_EQ(Text(store, store.RecordAt(301), "ID"), "new");
    }
}

// A damaged record in any piece gives the message and the records before
// it that reading one after another gives.
TEST_F(TableImageTest, ReadingInPiecesReportsTheFirstDamage) {
    const std::string section = Section({"XXX.ID K", "XXX.KOL i"});
    // Ten records; `bad` (1-based) has a fixed value longer than its type.
    auto image = [&](int bad, bool cut) {
        ImageBuilder b;
        b.Header(10, 2, section);
        for (int n = 1; n <= 10; ++n) {
            if (n == bad) {
                b.U8(1).U8(9).Raw("x").Raw("123456789");
            } else {
                b.U8(1).U8(0).Raw(std::to_string(n % 10));
            }
        }
        if (cut) b.bytes.resize(b.bytes.size() - 1);
        return b.bytes;
    };
    struct Case {
        int bad;
        bool cut;
        const char* message;
        size_t kept;  // with a partial open
    };
    const Case cases[] = {
        {2, false, "Field 'KOL' has wrong length 9 in record 2", 1},
        {6, false, "Field 'KOL' has wrong length 9 in record 6", 5},
        {10, false, "Field 'KOL' has wrong length 9 in record 10", 9},
        {0, true, "Unexpected end of buffer", 9},
        {3, true, "Field 'KOL' has wrong length 9 in record 3", 2},
    };
    for (const Case& c : cases) {
        for (unsigned pieces : {1u, 2u, 4u, 10u}) {
            SCOPED_TRACE(std::to_string(c.bad) + (c.cut ? " cut" : "") + ", pieces " +
                         std::to_string(pieces));
            TRidovCursor store(session);
            store.SetReadPieces(pieces);
            EXPECT_EQ(Read(image(c.bad, c.cut), store), c.message);
            EXPECT_EQ(store.FieldCount(), 0);
            TRidovCursor partial(session);
            partial.SetReadPieces(pieces);
            partial.SetPartialOpen(true);
            std::string message;
            std::vector<uint8_t> bytes = image(c.bad, c.cut);
            EXPECT_TRUE(partial.ReadImage(bytes, message));
            EXPECT_EQ(message, c.message);
            EXPECT_EQ(partial.RecordCount(), c.kept);
        }
    }
}

TEST_F(TableImageTest, EncipheredRoundTripUsesFreshKeys) {
    TRidovCursor store(session, text::FormatSettings::Machine());
    ASSERT_EQ(Read(ImageBuilder().Header(0, 1, Section({"XXX.NAME s80"})).bytes, store), "");
    ridov::ValueBuffer buf(store.Layout());
    store.TextToValue(buf.Data(), "secret text", *store.FieldAt(0));
    std::string message;
    ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message));
    store.SetComment("note");
    store.SetPassword("pw");
    std::vector<uint8_t> first, second;
    store.WriteImage(first);
    store.WriteImage(second);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_NE(first, second) << "every write makes a new data key";
    size_t plainEnd = 57 + Section({"XXX.NAME s80"}).size();
    EXPECT_TRUE(std::equal(first.begin() + 45, first.begin() + long(plainEnd), second.begin() + 45))
        << "counts and the field section stay plain";
    EXPECT_EQ(std::string(first.begin(), first.end()).find("secret"), std::string::npos);

    TRidovCursor back(session, text::FormatSettings::Machine());
    back.SetPassword("pw");
    ASSERT_EQ(Read(first, back), "");
    EXPECT_TRUE(back.Enciphered());
    EXPECT_EQ(back.Comment(), "note");
    EXPECT_EQ(Text(back, back.RecordAt(0), "NAME"), "secret text");

    TRidovCursor wrong(session);
    wrong.SetPassword("nope");
    EXPECT_EQ(Read(first, wrong), "Invalid password. Table cannot be open");
}

// A body of megabytes is deciphered while its records are decoded behind
// it: every record reads back, one longer than the blocks deciphered ahead
// included, and a body cut short is refused with the message of a plain one.
TEST_F(TableImageTest, BigEncipheredImageReadsBackWhole) {
    TRidovCursor store(session, text::FormatSettings::Machine());
    ASSERT_EQ(
        Read(ImageBuilder().Header(0, 3, Section({"XXX.ID 8", "XXX.NAME s80", "XXX.B o"})).bytes,
             store),
        "");
    std::string message;
    for (int i = 0; i < 40000; ++i) {
        ridov::ValueBuffer buf(store.Layout());
        store.TextToValue(buf.Data() + store.FieldAt(0)->offset, std::to_string(i),
                          *store.FieldAt(0));
        store.TextToValue(buf.Data() + store.FieldAt(1)->offset,
                          "name " + std::to_string(i % 977) + std::string(i % 50, 'x'),
                          *store.FieldAt(1));
        if (i == 20000 || i == 39999)
            slot::SetHeapBlock(buf.Data() + store.FieldAt(2)->offset,
                               std::string(size_t(700000 + i), char(i)));
        ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message));
    }
    std::vector<uint8_t> plain, image;
    store.WriteImage(plain);
    store.SetPassword("pw");
    store.WriteImage(image);
    ASSERT_GT(image.size(), size_t(3) << 20);

    TRidovCursor back(session, text::FormatSettings::Machine());
    back.SetPassword("pw");
    ASSERT_EQ(Read(image, back), "");
    back.SetPassword("");
    std::vector<uint8_t> again;
    back.WriteImage(again);
    EXPECT_EQ(again, plain);

    std::vector<uint8_t> cut(image.begin(), image.end() - 1000);
    std::vector<uint8_t> plainCut(plain.begin(), plain.end() - 1000);
    TRidovCursor damaged(session);
    damaged.SetPassword("pw");
    EXPECT_EQ(Read(cut, damaged), ReadError(plainCut));
    EXPECT_NE(ReadError(plainCut), "");
}

TEST_F(TableImageTest, ReadsTheIndependentlyBuiltOrderImage) {
    std::ifstream in(std::string(ZV_VECTORS_DIR) + "/order-enciphered.zv", std::ios::binary);
    ASSERT_TRUE(in) << "vector file missing";
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), {});
    TRidovCursor store(session, text::FormatSettings::Machine());
    store.SetPassword("\xCF\xE0\xF0\xEE\xEB\xFC");  // Пароль
    ASSERT_EQ(Read(image, store), "");
    EXPECT_EQ(store.Comment(), "Klient=\xD2\xE5\xF1\xF2\r\ncatalog=price.zv\r\n");
    ASSERT_EQ(store.RecordCount(), 2u);
    EXPECT_EQ(Text(store, store.RecordAt(0), "ID"), "12345");
    EXPECT_EQ(Text(store, store.RecordAt(0), "KOL"), "3");
    EXPECT_EQ(Text(store, store.RecordAt(1), "ID"), "\xA8\xE6-7");  // Ёж-7
    EXPECT_EQ(Text(store, store.RecordAt(1), "KOL"), "10");
}

TEST_F(TableImageTest, HeaderOnlyReadFillsFields) {
    auto image = ImageBuilder().Header(5, 2, Section({"XXX.ID K", "XXX.KOL i"})).bytes;
    TRidovCursor store(session);
    std::string message;
    ASSERT_TRUE(store.ReadImageHeader(image, message));
    EXPECT_EQ(store.FieldCount(), 2);
    EXPECT_EQ(store.RecordCount(), 0u);
}

TEST_F(TableImageTest, ProgressIsReportedOncePerValue) {
    TRidovCursor store(session);
    ImageBuilder b;
    b.Header(4, 1, Section({"XXX.ID K"}));
    for (const char* id : {"1", "2", "3", "4"}) b.U8(1).Raw(id);
    std::vector<int> seen;
    store.onProgress = [&](int p) { seen.push_back(p); };
    ASSERT_EQ(Read(b.bytes, store), "");
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
}

// A short string as long as its declared size is read and written back
// whole; one character more is refused above rather than cut on the next
// save.
TEST_F(TableImageTest, ShortStringOfItsFullSizeSurvivesARoundTrip) {
    TRidovCursor store(session);
    auto image = ImageBuilder().Header(1, 1, Section({"XXX.ID 3"})).U8(3).Raw("ABC").bytes;
    ASSERT_EQ(Read(image, store), "");
    EXPECT_EQ(Text(store, store.RecordAt(0), "ID"), "ABC");
    std::vector<uint8_t> written;
    store.WriteImage(written);
    ASSERT_GE(written.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(written.end() - 4, written.end()),
              (std::vector<uint8_t>{3, 'A', 'B', 'C'}));
}

TRidovField Declared(std::string qualifier, std::string name, FieldType type, int size = 0,
                     std::string defaultExpr = "", std::string extra = "") {
    TRidovField f;
    f.qualifier = std::move(qualifier);
    f.name = std::move(name);
    f.type = type;
    f.declaredSize = static_cast<int16_t>(size);
    f.defaultExpr = std::move(defaultExpr);
    f.extra = std::move(extra);
    return f;
}

// Every writer of a header and field description (new tables, query
// results, the command-line tool) goes through EmptyTableImage.
TEST_F(TableImageTest, EmptyTableFromFieldsHasPinnedBytes) {
    const std::vector<TRidovField> fields = {
        Declared("XXX", "ID", ftSmallStr, 20),
        Declared("XXX", "KOL", ftInteger),
        Declared("p", "MY NAME", ftString, 80),
        Declared("XXX", "A\x12\x14\n\x1b", ftSmallStr, 0),
        Declared("XXX", "", ftSmallStr, 35),
        Declared("XXX", "U", ftUnknown),
        Declared("XXX", "D", ftDate, 0, "TODAY", ""),
        Declared("XXX", "N", ftAutoInc, 0, "", "x~y"),
    };
    const std::string section =
        "XXX.ID K\x12"
        "XXX.KOL i\x12"
        "p.MY_NAME s80\x12"
        "XXX.A____ 0\x12"
        "XXX._ Z\x12"
        "XXX.U s\x12"
        "XXX.D d~TODAY~\x12"
        "XXX.N a~~x~y\x12"
        "\x14";
    std::vector<uint8_t> image;
    std::string message;
    ASSERT_TRUE(EmptyTableImage(fields, image, message)) << message;
    EXPECT_EQ(image, ImageBuilder()
                         .I32(static_cast<int32_t>(17 + section.size()))
                         .U8('S')
                         .I32(0)
                         .I32(8)
                         .I32(static_cast<int32_t>(section.size()))
                         .Raw(section)
                         .bytes);

    // The reader takes back what was declared (names as written).
    TRidovCursor store(session);
    ASSERT_EQ(Read(image, store), "");
    ASSERT_EQ(store.FieldCount(), 8);
    EXPECT_EQ(store.FieldAt(0)->declaredSize, 20);
    EXPECT_EQ(store.FieldAt(2)->qualifier, "p");
    EXPECT_EQ(store.FieldAt(2)->name, "MY_NAME");
    EXPECT_EQ(store.FieldAt(4)->declaredSize, 35);
    EXPECT_EQ(store.FieldAt(5)->type, ftString);
    EXPECT_EQ(store.FieldAt(5)->declaredSize, 100);
    EXPECT_EQ(store.FieldAt(6)->defaultExpr, "TODAY");
    EXPECT_EQ(store.FieldAt(7)->extra, "x~y");

    // The record store writes the same entries for the same fields; the
    // bare "s" has become a String of 100 on reading.
    std::string rewritten = section;
    rewritten.replace(rewritten.find("XXX.U s\x12"), 8, "XXX.U s100\x12");
    std::vector<uint8_t> again;
    store.WriteImage(again);
    EXPECT_EQ(again, ImageBuilder()
                         .I32(static_cast<int32_t>(17 + rewritten.size()))
                         .U8('S')
                         .I32(0)
                         .I32(8)
                         .I32(static_cast<int32_t>(rewritten.size()))
                         .Raw(rewritten)
                         .bytes);
}

TEST_F(TableImageTest, FieldListsNoReaderAcceptsAreRefusedBeforeWriting) {
    struct Case {
        const char* what;
        std::vector<TRidovField> fields;
        std::string message;
    };
    // 400 fields named with 250 characters make a section of about 100 KB.
    std::vector<TRidovField> wide;
    for (int i = 0; i < 400; ++i) {
        wide.push_back(Declared("XXX", std::string(250, 'N') + std::to_string(i), ftInteger));
    }
    const Case cases[] = {
        {"short string over 35",
         {Declared("XXX", "S", ftSmallStr, 36)},
         "Field 'S' has wrong size 36"},
        {"negative string size",
         {Declared("XXX", "S", ftString, -1)},
         "Field 'S' has wrong size -1"},
        {"section over its limit", wide,
         "Field description section too long: 103891 bytes, at most 99999 (too many fields or "
         "too long field names)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> image{1, 2, 3};
        std::string message;
        EXPECT_FALSE(EmptyTableImage(c.fields, image, message));
        EXPECT_EQ(message, c.message);
        EXPECT_TRUE(image.empty());
    }

    // A store whose fields grew past the limit is not written to a file:
    // the old file stays as it was.
    TRidovCursor store(session);
    for (const TRidovField& f : wide) store.AddField(f.name, f.type);
    testing_support::TempFolder folder;
    const std::string path = folder.Path() + "/t.zv";
    { std::ofstream(path, std::ios::binary) << "old"; }
    std::string message;
    EXPECT_FALSE(store.WriteFile(path, 0, false, "", message));
    EXPECT_EQ(message, cases[2].message);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST_F(TableImageTest, PasswordBlockIsTakenOnlyFromEncipheredImages) {
    TRidovCursor store(session);
    ASSERT_EQ(Read(ImageBuilder().Header(0, 1, Section({"XXX.ID K"})).bytes, store), "");
    uint8_t block[kPasswordBlockSize];
    std::vector<uint8_t> plain;
    store.WriteImage(plain);
    EXPECT_FALSE(PasswordBlockOf(plain, block));
    store.SetPassword("pw");
    std::vector<uint8_t> enciphered;
    store.WriteImage(enciphered);
    ASSERT_TRUE(PasswordBlockOf(enciphered, block));
    EXPECT_TRUE(std::equal(block, block + kPasswordBlockSize, enciphered.begin() + 5));
    EXPECT_FALSE(PasswordBlockOf(std::span(enciphered).first(44), block));
}

}  // namespace
