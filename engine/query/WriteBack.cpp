#include "engine/query/WriteBack.h"

#include <cstring>

#include "engine/storage/DatabaseError.h"
#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

struct FieldPair {
    const TRidovField* result;
    const TRidovField* origin;
};

// Sets the origin-layout `target` slot of `to` from the result value.
void CarryValue(const TRidovCursor& resultStore, const TRidovField& from, const uint8_t* source,
                TRidovCursor& originStore, const TRidovField& to, uint8_t* target) {
    uint8_t* d = target + to.offset;
    const uint8_t* s = source + from.offset;
    if (from.type == to.type && from.slotSize == to.slotSize) {
        if (to.type == ftString) {
            slot::FreeText(d);
            std::string_view text = slot::Text(s);
            if (!text.empty()) slot::SetHeapText(d, text);
        } else if (IsBlobType(to.type)) {
            slot::FreeBlock(d);
            slot::SetHeapBlock(d, slot::Block(s));
        } else {
            std::memcpy(d, s, to.slotSize);
        }
        return;
    }
    std::string text;
    resultStore.ValueAsText(from, source, text, false);
    originStore.TextToValue(d, text, to);
}

class OriginWriter {
  public:
    OriginWriter(TRidovCursor& origin, TRidovCursor& result, std::string_view originAlias,
                 std::string_view uniqueFieldNames)
        : origin_(origin), result_(result) {
        origin_.FieldList(uniqueFieldNames, keys_);
        for (const TRidovField* k : keys_) keySources_.push_back(result_.FindField(k->name));
        for (int i = 0; i < result_.FieldCount(); ++i) {
            const TRidovField* rf = result_.FieldAt(i);
            if (!SameName(rf->qualifier, originAlias)) continue;
            if (const TRidovField* of = origin_.FindField(rf->name)) copies_.push_back({rf, of});
        }
        probe_ = origin_.NewBuffer();
        work_ = origin_.NewBuffer();
    }
    ~OriginWriter() {
        origin_.FreeValues(probe_.get());
        origin_.FreeValues(work_.get());
    }

    void Apply(RecordNode* node) {
        std::string message;
        switch (node->status) {
            case rsModified: {
                RecordNode* target = Find(node);
                if (!target) return;
                origin_.CopyValues(target->values, work_.get());
                Carry(node->values);
                origin_.BeginEdit(target);
                if (!origin_.PostRecord(work_.get(), target, message)) throw DatabaseError(message);
                break;
            }
            case rsInserted: {
                origin_.FreeValues(work_.get());
                std::memset(work_.get(), 0, origin_.RecordSize());
                Carry(node->values);
                if (!origin_.PostRecord(work_.get(), nullptr, message))
                    throw DatabaseError(message);
                break;
            }
            case rsDeleted: {
                RecordNode* target = Find(node);
                if (!target) return;
                if (!origin_.DeleteRecord(target, message)) throw DatabaseError(message);
                break;
            }
            default:
                break;
        }
    }

  private:
    void Carry(const uint8_t* values) {
        for (const FieldPair& p : copies_)
            CarryValue(result_, *p.result, values, origin_, *p.origin, work_.get());
    }

    RecordNode* Find(const RecordNode* node) {
        const uint8_t* values = node->beforeImage ? node->beforeImage : node->values;
        origin_.FreeValues(probe_.get());
        std::memset(probe_.get(), 0, origin_.RecordSize());
        for (size_t i = 0; i < keys_.size(); ++i)
            if (keySources_[i])
                CarryValue(result_, *keySources_[i], values, origin_, *keys_[i], probe_.get());
        for (RecordNode* candidate : origin_.Nodes()) {
            if (!candidate->IsLive()) continue;
            bool equal = true;
            for (const TRidovField* k : keys_)
                if (TRidovCursor::CompareValues(candidate->values, probe_.get(), *k, false) != 0) {
                    equal = false;
                    break;
                }
            if (equal) return candidate;
        }
        return nullptr;
    }

    TRidovCursor& origin_;
    TRidovCursor& result_;
    std::vector<TRidovField*> keys_;
    std::vector<const TRidovField*> keySources_;
    std::vector<FieldPair> copies_;
    std::unique_ptr<uint8_t[]> probe_;
    std::unique_ptr<uint8_t[]> work_;
};

}  // namespace

void WriteBack(QueryPlan& plan, TRidovCursor& result, std::string_view origin,
               std::string_view uniqueFieldNames, TRidovSaveOptions saveOptions) {
    TRidovQTable* table = plan.OriginTable();
    if (table == nullptr || table->store == nullptr) return;
    TRidovCursor& store = *table->store;
    try {
        OriginWriter writer(store, result, origin, uniqueFieldNames);
        for (RecordNode* node : result.Nodes()) writer.Apply(node);
        std::string message;
        if (!store.WriteFile(table->filePath, saveOptions, false, "", message))
            throw DatabaseError(message);
    } catch (...) {
        store.RevertAll();
        throw;
    }
    store.CommitAll();
    result.CommitAll();
}

}  // namespace ridov
