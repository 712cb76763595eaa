#include "engine/query/GroupWalk.h"

#include <string>

#include "engine/query/RidovToken.h"
#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

template <typename T>
void AddWrapping(uint8_t* b, const uint8_t* a) {
    using U = std::make_unsigned_t<T>;
    U sum = static_cast<U>(slot::Load<T>(a)) + static_cast<U>(slot::Load<T>(b));
    slot::Store<T>(b, static_cast<T>(sum));
}

void Add(const TRidovField& f, const uint8_t* a, uint8_t* b) {
    const uint8_t* sa = a + f.offset;
    uint8_t* sb = b + f.offset;
    switch (f.type) {
        case ftSmallInt:
            AddWrapping<int16_t>(sb, sa);
            break;
        case ftInteger:
        case ftAutoInc:
            AddWrapping<int32_t>(sb, sa);
            break;
        case ftInt64:
            AddWrapping<int64_t>(sb, sa);
            break;
        case ftDouble:
        case ftCurrency:
            slot::Store<double>(sb, slot::Load<double>(sa) + slot::Load<double>(sb));
            break;
        default:
            break;
    }
}

}  // namespace

void GroupWalk(TRidovCursor& result, const std::vector<TRidovQField>& columns) {
    std::vector<TRidovField*> groupFields;
    std::vector<std::pair<TRidovField*, uint8_t>> aggregates;
    std::string names;
    bool counts = false;
    for (size_t i = 0; i < columns.size() && int(i) < result.FieldCount(); ++i) {
        TRidovField* f = result.FieldAt(static_cast<int>(i));
        if (columns[i].kind == tkGroupField) {
            if (IsBlobType(f->type)) continue;
            groupFields.push_back(f);
            names += f->name + ';';
        } else {
            aggregates.emplace_back(f, columns[i].kind);
            if (columns[i].kind == tkCount || columns[i].kind == tkAvg) counts = true;
        }
    }
    std::string message;
    auto finish = [&](RecordNode* last, int32_t count) {
        if (counts) {
            for (auto& [f, kind] : aggregates) {
                uint8_t* s = last->values + f->offset;
                if (kind == tkCount && f->type == ftInteger) {
                    slot::Store<int32_t>(s, count);
                } else if (kind == tkCount) {
                    // COUNT over a name that is no field is a text constant:
                    // the count goes in as text, within the slot it has.
                    result.TextToValue(s, std::to_string(count), *f);
                } else if (kind == tkAvg && (f->type == ftDouble || f->type == ftCurrency)) {
                    slot::Store<double>(s, slot::Load<double>(s) / count);
                }
            }
        }
        // Refreshes the record's stored size after the changes in place.
        (void)result.PostRecord(last->values, last, message);
    };

    // Each group is walked in table order, as a stable sort by the group
    // fields would line it up, but all groups in one pass over the records
    // in the order they lie in memory.
    std::vector<uint32_t> groupOf;
    const size_t groups = result.NumberGroups(groupFields, groupOf);
    NodeList last(groups, nullptr);
    std::vector<int32_t> sizes(groups, 0);
    size_t live = 0;
    for (RecordNode* node : result.Nodes()) {
        if (!node->IsLive()) continue;
        const uint32_t group = groupOf[live++];
        RecordNode*& previous = last[group];
        ++sizes[group];
        if (previous == nullptr) {
            previous = node;
            continue;
        }
        for (auto& [f, kind] : aggregates) {
            switch (kind) {
                case tkSum:
                case tkAvg:
                    Add(*f, previous->values, node->values);
                    break;
                case tkMax:
                    if (TRidovCursor::CompareValues(previous->values, node->values, *f, false) > 0)
                        slot::CopyValue(previous->values + f->offset, node->values + f->offset,
                                        f->type, f->slotSize);
                    break;
                case tkMin:
                    if (TRidovCursor::CompareValues(previous->values, node->values, *f, false) < 0)
                        slot::CopyValue(previous->values + f->offset, node->values + f->offset,
                                        f->type, f->slotSize);
                    break;
                default:
                    break;
            }
        }
        (void)result.DeleteRecord(previous, message);
        previous = node;
    }
    for (size_t group = 0; group < groups; ++group) finish(last[group], sizes[group]);
    // One record per group is left; in the order of the group fields
    // (ascending, case-sensitive). Result field names are unique ignoring
    // case, so the names select exactly the group fields.
    result.Sort(names, false);
}

}  // namespace ridov
