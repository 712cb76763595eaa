// Value buffers own their heap texts and blocks and free them by their own
// layout. Leaks, double frees and reads of freed copies show up under the
// sanitizer build; the checks here pin the values themselves.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueBuffer.h"
#include "engine/storage/ValueSlot.h"

using namespace ridov;

namespace {

class ValueBufferTest : public ::testing::Test {
  protected:
    TRidovSession session;
    TRidovCursor store{session, text::FormatSettings::Machine()};

    void SetUp() override {
        store.AddField("CODE", ftInteger);
        store.AddField("NAME", ftString, 60);
        store.AddField("NOTE", ftMemo);
        store.AddField("KIND", ftSmallStr, 5);
    }
    const TRidovField& F(const char* name) { return *store.FindField(name); }
    void Set(ValueBuffer& b, const char* field, std::string_view text) {
        uint8_t* s = b.Data() + F(field).offset;
        if (F(field).type == ftMemo) {
            slot::FreeBlock(s);
            slot::SetHeapBlock(s, text);
        } else {
            store.TextToValue(s, text, F(field));
        }
    }
    std::string Get(const uint8_t* values, const char* field) {
        std::string out;
        store.ValueAsText(F(field), values, out, true);
        return out;
    }
    ValueBuffer Filled(std::string_view code, std::string_view name, std::string_view note) {
        ValueBuffer b(store.Layout());
        Set(b, "CODE", code);
        Set(b, "NAME", name);
        Set(b, "NOTE", note);
        Set(b, "KIND", "box");
        return b;
    }
};

TEST_F(ValueBufferTest, CopiesAreDeepAndIndependent) {
    ValueBuffer source = Filled("7", "first name", "a note");
    ValueBuffer target(store.Layout());
    target.CopyFrom(source.Data());
    // Copying again over owned values frees the old ones first.
    target.CopyFrom(source.Data());
    EXPECT_NE(slot::TextPtr(target.Data() + F("NAME").offset),
              slot::TextPtr(source.Data() + F("NAME").offset));
    source.Reset();  // the copy must not point into the freed source
    EXPECT_EQ(Get(target.Data(), "CODE"), "7");
    EXPECT_EQ(Get(target.Data(), "NAME"), "first name");
    EXPECT_EQ(Get(target.Data(), "NOTE"), "a note");
    EXPECT_EQ(Get(target.Data(), "KIND"), "box");
    ValueBuffer clone = target.Clone();
    target.Reset();  // nor may a clone point into the freed original
    EXPECT_EQ(clone.Layout(), store.Layout().get());
    EXPECT_EQ(Get(clone.Data(), "NAME"), "first name");
    EXPECT_EQ(Get(clone.Data(), "NOTE"), "a note");
    EXPECT_FALSE(ValueBuffer().Clone());
    target = std::move(clone);

    // A copy of a record whose texts live in the store's arena belongs to
    // the buffer, and outlives the store's records.
    std::string message;
    RecordNode* node = nullptr;
    ASSERT_TRUE(store.PostRecord(target.Data(), nullptr, message, &node)) << message;
    store.CommitAll();
    ValueBuffer edit(store.Layout());
    edit.CopyFrom(node->values);
    store.Clear(false);
    EXPECT_EQ(Get(edit.Data(), "NAME"), "first name");
}

TEST_F(ValueBufferTest, ClearEmptiesEverySlot) {
    ValueBuffer b = Filled("12", "name", "note");
    b.Clear();
    EXPECT_EQ(Get(b.Data(), "CODE"), "0");
    for (const char* field : {"NAME", "NOTE", "KIND"}) EXPECT_EQ(Get(b.Data(), field), "") << field;
    EXPECT_EQ(slot::TextPtr(b.Data() + F("NAME").offset), nullptr);
    EXPECT_FALSE(slot::HasBlock(b.Data() + F("NOTE").offset));
    Set(b, "NAME", "again");  // a cleared buffer is reusable
    EXPECT_EQ(Get(b.Data(), "NAME"), "again");
}

TEST_F(ValueBufferTest, OutlivesALayoutChangeOfItsStore) {
    ValueBuffer kept = Filled("1", "kept text", "kept note");
    const ValueLayout* old = kept.Layout();
    // The store is refilled with other fields: a text slot now lies where
    // the old buffer has an integer and the old text slot is gone. The
    // buffer must still free by the layout it was made with.
    store.Clear(true);
    store.AddField("WIDE", ftSmallStr, 30);
    store.AddField("OTHER", ftString, 10);
    EXPECT_NE(store.Layout().get(), old);
    EXPECT_EQ(kept.Layout(), old);
    EXPECT_EQ(kept.Layout()->recordSize, 4u + 8u + 12u + 6u);
    EXPECT_EQ(slot::Text(kept.Data() + 4), "kept text");
}

TEST_F(ValueBufferTest, MovesHandOverOwnership) {
    ValueBuffer a = Filled("1", "alpha", "a");
    ValueBuffer b = Filled("2", "beta", "b");
    b = std::move(a);  // b's own texts are freed, a's pass over
    EXPECT_FALSE(a);
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(Get(b.Data(), "NAME"), "alpha");
    ValueBuffer c(std::move(b));
    EXPECT_FALSE(b);
    EXPECT_EQ(Get(c.Data(), "NOTE"), "a");
    a.Clear();  // harmless on an empty buffer
    a.Reset();
}

TEST(ValueBufferEmpty, StoreWithoutFieldsStillGivesABuffer) {
    TRidovSession session;
    TRidovCursor store(session);
    ValueBuffer b(store.Layout());
    EXPECT_TRUE(b);
    EXPECT_NE(b.Data(), nullptr);
    b.Clear();
}

}  // namespace
