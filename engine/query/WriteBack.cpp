#include "engine/query/WriteBack.h"

#include <memory>
#include <optional>
#include <string>

#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "engine/storage/ValueSlot.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"

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

    // Inserted records whose key the origin holds change that record.
    void MergeInserts() { mergeInserts_ = true; }

    // Carries the query record `node`'s values into the origin's `target`.
    void Update(RecordNode* target, const RecordNode* node) {
        std::string message;
        work_.CopyFrom(target->values);
        Carry(node->values);
        origin_.BeginEdit(target);
        if (!origin_.PostRecord(work_.Data(), target, message)) throw DatabaseError(message);
    }

    void Apply(RecordNode* node) {
        std::string message;
        switch (node->status) {
            case rsModified:
                if (RecordNode* target = Find(node)) Update(target, node);
                break;
            case rsInserted: {
                if (mergeInserts_) {
                    // The file read afresh may hold the key already.
                    if (RecordNode* target = Find(node)) {
                        Update(target, node);
                        break;
                    }
                }
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
    bool mergeInserts_ = false;
};

// Reads the origin table's file again into a store of its own when it is
// no longer the file the query read. True when it did.
bool RereadWhenChanged(TRidovQTable& table, const QueryEnvironment& env) {
    const std::optional<platform::FileIdentity> now = platform::GetFileIdentity(table.filePath);
    // A file that is gone is written anew from what was read.
    if (!now || (table.readIdentity && *table.readIdentity == *now)) return false;
    platform::RegionBuffer image;
    std::string error;
    if (!env.session->Platform().ReadWholeFile(table.filePath, image, error, kMaxImageSize))
        throw DatabaseError("Error opening file " + table.filePath);
    auto store = std::make_unique<TRidovCursor>(*env.session, *env.format);
    if (!env.password.empty()) store->SetPassword(env.password);
    std::string message;
    if (!store->ReadImage(image.Bytes(), message))
        throw DatabaseError("Error opening table: " + message);
    // The records and conditions of the old store go with it.
    table.filter.reset();
    table.records.clear();
    table.ownStore = std::move(store);
    table.store = table.ownStore.get();
    table.readIdentity = now;
    return true;
}

}  // namespace

void WriteBack(QueryPlan& plan, TRidovCursor& result, const QueryEnvironment& env) {
    TRidovQTable* table = plan.OriginTable();
    if (table == nullptr || table->store == nullptr) return;
    const bool reread = RereadWhenChanged(*table, env);
    TRidovCursor& store = *table->store;
    try {
        OriginWriter writer(store, result, env.origin, env.uniqueFieldNames);
        if (reread) writer.MergeInserts();
        for (RecordNode* node : result.Nodes()) writer.Apply(node);
        std::string message;
        if (!store.WriteFile(table->filePath, env.saveOptions, false, "", message))
            throw DatabaseError(message);
    } catch (...) {
        store.RevertAll();
        throw;
    }
    // The store now is what the file holds.
    table->readIdentity = platform::GetFileIdentity(table->filePath);
    store.CommitAll();
    result.CommitAll();
}

}  // namespace ridov
