#include "engine/query/WriteBack.h"

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
        slot::CopyValue(s, d, to.type, to.slotSize);
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
        probe_ = ValueBuffer(origin_.Layout());
        work_ = ValueBuffer(origin_.Layout());
    }

    void Apply(RecordNode* node) {
        std::string message;
        switch (node->status) {
            case rsModified: {
                RecordNode* target = Find(node);
                if (!target) return;
                work_.CopyFrom(target->values);
                Carry(node->values);
                origin_.BeginEdit(target);
                if (!origin_.PostRecord(work_.Data(), target, message))
                    throw DatabaseError(message);
                break;
            }
            case rsInserted: {
                work_.Clear();
                Carry(node->values);
                if (!origin_.PostRecord(work_.Data(), nullptr, message))
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
            CarryValue(result_, *p.result, values, origin_, *p.origin, work_.Data());
    }

    RecordNode* Find(const RecordNode* node) {
        // The node is the result's: its before-image is kept by the result.
        const uint8_t* before = result_.BeforeImage(node);
        const uint8_t* values = before ? before : node->values;
        probe_.Clear();
        for (size_t i = 0; i < keys_.size(); ++i)
            if (keySources_[i])
                CarryValue(result_, *keySources_[i], values, origin_, *keys_[i], probe_.Data());
        for (RecordNode* candidate : origin_.Nodes()) {
            if (!candidate->IsLive()) continue;
            bool equal = true;
            for (const TRidovField* k : keys_)
                if (TRidovCursor::CompareValues(candidate->values, probe_.Data(), *k, false) != 0) {
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
    ValueBuffer probe_;
    ValueBuffer work_;
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
