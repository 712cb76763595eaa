#include "engine/query/QueryExecutor.h"

#include <cstring>
#include <optional>

#include "engine/query/GroupWalk.h"
#include "engine/query/SortMergeJoin.h"
#include "engine/query/TableCache.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "engine/storage/ValueSlot.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw DatabaseError(message);
}

std::string NotFound(std::string_view field, std::string_view table) {
    return "Field " + std::string(field) + " is not found in table " + std::string(table);
}

std::vector<std::string> SplitNames(std::string_view list) {
    std::vector<std::string> out;
    while (!list.empty()) {
        size_t semi = list.find(';');
        std::string_view name = list.substr(0, semi);
        if (!name.empty()) out.emplace_back(name);
        list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
    }
    return out;
}

bool IsIntegerType(FieldType t) {
    return t == ftSmallInt || t == ftInteger || t == ftInt64 || t == ftAutoInc;
}

// Per-table facts of one run that the plan does not keep.
struct TableRun {
    std::optional<platform::FileIdentity> identity;
};

void Release(TRidovQTable& t) {
    // The bound conditions refer to the store's fields: they go first.
    t.filter.reset();
    t.records.clear();
    t.sharedRecords = nullptr;
    t.ownStore.reset();
    t.cached.reset();
    t.image = platform::RegionBuffer();
    t.readIdentity.reset();
    if (t.fromFile) t.store = nullptr;
}

// ---- step 1 ----

void CheckCachedPassword(CachedTable& cached, const QueryEnvironment& env) {
    if (!cached.enciphered) return;
    // The same check a fresh read makes, with the same prompts.
    uint8_t block[40];
    std::memcpy(block, cached.passwordBlock, sizeof block);
    std::string password = env.password;
    if (!env.session->CheckPassword(block, password))
        Fail("Error opening table: Invalid password. Table cannot be open");
}

void ReadHeaders(QueryPlan& plan, const QueryEnvironment& env, std::vector<TableRun>& runs) {
    platform::Platform& os = env.session->Platform();
    if (plan.grouping || plan.distinct)
        for (TRidovQTable& t : plan.tables) t.origin = false;
    for (size_t i = 0; i < plan.tables.size(); ++i) {
        TRidovQTable& t = plan.tables[i];
        if (!t.fromFile) continue;
        Release(t);
        if (!os.FileExists(t.filePath)) Fail("Error opening file " + t.filePath);
        if (env.cache && !t.origin) {
            runs[i].identity = platform::GetFileIdentity(t.filePath);
            if (runs[i].identity) {
                if (auto hit = env.cache->Find(t.filePath, *runs[i].identity)) {
                    CheckCachedPassword(*hit, env);
                    hit->store->SetFormat(*env.format);
                    t.cached = std::move(hit);
                    t.store = t.cached->store.get();
                    continue;
                }
            }
        }
        std::string error;
        if (t.origin) t.readIdentity = platform::GetFileIdentity(t.filePath);
        if (!os.ReadWholeFile(t.filePath, t.image, error, kMaxImageSize))
            Fail("Error opening file " + t.filePath);
        t.ownStore = std::make_unique<TRidovCursor>(*env.session, *env.format);
        if (!env.password.empty()) t.ownStore->SetPassword(env.password);
        std::string message;
        if (!t.ownStore->ReadImageHeader(t.image.Bytes(), message)) {
            t.ownStore.reset();
            Fail("Error opening table: " + message);
        }
        t.store = t.ownStore.get();
    }
}

// ---- step 2 ----

void SetConstant(TRidovQField& f, std::string text) {
    f.tableName = "XXX";
    f.alias.clear();
    f.constant = std::move(text);
    f.isConstant = true;
    f.resolved = true;
    f.table = -1;
    int n = static_cast<int>(f.constant.size());
    f.type = n <= kMaxSmallStrSize ? ftSmallStr : ftString;
    f.size = n;
}

int TableOf(const QueryPlan& plan, std::string_view alias) {
    int t = plan.FindTable(alias);
    return t >= 0 ? t : static_cast<int>(plan.tables.size()) - 1;
}

void ResolveColumns(QueryPlan& plan) {
    std::vector<TRidovQField> kept;
    std::vector<TRidovQField> expanded;
    for (TRidovQField& f : plan.fields) {
        if (f.kind == tkStar || f.kind == tkDistinctStar) {
            int ti = TableOf(plan, f.alias);
            TRidovQTable& t = plan.tables[size_t(ti)];
            for (int k = 0; k < t.store->FieldCount(); ++k) {
                const TRidovField& sf = *t.store->FieldAt(k);
                TRidovQField c;
                c.tableName = t.tableName;
                c.alias = t.alias;
                c.sourceField = sf.name;
                c.resultName = sf.name;
                c.kind = f.kind == tkDistinctStar ? tkGroupField : tkIdentifier;
                c.type = sf.type == ftAutoInc ? ftInteger : sf.type;
                c.size = sf.declaredSize;
                c.table = ti;
                c.resolved = true;
                expanded.push_back(std::move(c));
            }
            continue;
        }
        if (f.kind == tkNumber) {
            f.tableName = "XXX";
            f.alias.clear();
            f.constant = f.sourceField;
            f.isConstant = true;
            f.resolved = true;
            f.type = ftDouble;
            f.size = 0;
        } else if (!f.resolved) {
            int ti = TableOf(plan, f.alias);
            TRidovQTable& t = plan.tables[size_t(ti)];
            const TRidovField* sf = t.store->FindField(f.sourceField);
            if (sf) {
                f.tableName = t.tableName;
                f.table = ti;
                f.resolved = true;
                f.type = sf->type == ftAutoInc ? ftInteger : sf->type;
                f.size = sf->declaredSize;
                if (f.kind == tkCount) {
                    f.type = ftInteger;
                    f.size = 0;
                } else if (f.kind == tkAvg && IsIntegerType(sf->type)) {
                    // An average of whole numbers is rarely whole.
                    f.type = ftDouble;
                    f.size = 0;
                    f.widenToDouble = true;
                }
            } else if (f.kind == tkIdentifier) {
                Fail(NotFound(f.sourceField, f.alias));
            } else {
                SetConstant(f, f.sourceField);
            }
        }
        kept.push_back(std::move(f));
    }
    for (TRidovQField& c : expanded) kept.push_back(std::move(c));
    // Two result fields that differ only in case (or a "*" bringing a name
    // again) could not be told apart by name: the later one is renamed.
    for (size_t i = 0; i < kept.size(); ++i) {
        bool again = true;
        while (again) {
            again = false;
            for (size_t j = 0; j < i; ++j)
                if (SameName(kept[i].resultName, kept[j].resultName)) {
                    kept[i].resultName += "_1";
                    again = true;
                }
        }
    }
    plan.fields = std::move(kept);
}

// ---- step 3 ----

void PrepareFilters(QueryPlan& plan, const QueryEnvironment& env) {
    for (TRidovQTable& t : plan.tables) {
        if (!t.HasConditions()) continue;
        for (const TRidovCField& c : t.conditions) {
            if (!t.store->FindField(c.LeftField)) Fail(NotFound(c.LeftField, c.LeftTable));
            if (c.RightKind == tkIdentifier) {
                const TRidovQTable& rt = plan.tables[size_t(TableOf(plan, c.RightTable))];
                if (!rt.store->FindField(c.RightValue)) Fail(NotFound(c.RightValue, c.RightTable));
            }
        }
        t.filter = std::make_unique<PreparedConditions>();
        t.filter->Prepare(t.conditions, *t.store, env.caseInsensitive);
    }
}

// ---- step 4 ----

void MergeJoins(QueryPlan& plan) {
    for (const TRidovQJoin& c : plan.joinConditions) {
        const TRidovQTable& lt = plan.tables[size_t(TableOf(plan, c.leftAlias))];
        if (!lt.store->FindField(c.leftFields)) Fail(NotFound(c.leftFields, c.leftAlias));
        const TRidovQTable& rt = plan.tables[size_t(TableOf(plan, c.rightAlias))];
        if (!rt.store->FindField(c.rightFields)) Fail(NotFound(c.rightFields, c.rightAlias));
    }
    plan.joins.clear();
    std::vector<bool> taken(plan.joinConditions.size(), false);
    for (const TRidovQTable& t : plan.tables) {
        for (;;) {
            TRidovQJoin join;
            join.leftAlias = t.alias;
            int partner = -1;
            bool any = false;
            for (size_t k = 0; k < plan.joinConditions.size(); ++k) {
                if (taken[k]) continue;
                const TRidovQJoin& c = plan.joinConditions[k];
                bool leftIsT = SameName(c.leftAlias, t.alias);
                if (!leftIsT && c.rightAlias != t.alias) continue;
                const std::string& otherAlias = leftIsT ? c.rightAlias : c.leftAlias;
                int other = TableOf(plan, otherAlias);
                if (partner < 0) {
                    partner = other;
                    join.rightAlias = otherAlias;
                } else if (other != partner) {
                    continue;
                }
                taken[k] = true;
                any = true;
                join.leftFields += (leftIsT ? c.leftFields : c.rightFields) + ";";
                join.rightFields += (leftIsT ? c.rightFields : c.leftFields) + ";";
                if (c.outer) join.outer = true;
            }
            if (!any) break;
            plan.joins.push_back(std::move(join));
        }
    }
}

// ---- step 5 ----

// An equality with a constant that a sorted order of the cached records can
// answer: the records comparing equal form one run of that order, and no
// condition of the set can raise while evaluated (so skipping records
// cannot hide an error a full scan would meet).
const TRidovField* IndexableCondition(const TRidovQTable& t, const QueryEnvironment& env,
                                      const TRidovCField*& which) {
    if (env.caseInsensitive) return nullptr;
    const TRidovField* found = nullptr;
    for (const TRidovCField& c : t.conditions) {
        const TRidovField* left = t.store->FindField(c.LeftField);
        const TRidovField* right = nullptr;
        if (c.RightKind == tkIdentifier || c.RightKind == tkString)
            right = t.store->FindField(c.RightValue);
        if (right) {
            if (c.Operator != opLike && !FieldTypesCompatible(left->type, right->type))
                return nullptr;
            continue;
        }
        if (!found && c.Operator == opEqual && !IsBlobType(left->type) && left->type != ftUnknown) {
            found = left;
            which = &c;
        }
    }
    return found;
}

void SelectCachedRecords(TRidovQTable& t, const QueryEnvironment& env) {
    CachedTable& cached = *t.cached;
    if (!t.HasConditions() || t.origin) {
        t.sharedRecords = &cached.records;
        t.filtered = false;
        return;
    }
    t.filtered = true;
    t.records.clear();
    const TRidovCField* condition = nullptr;
    const TRidovField* key = IndexableCondition(t, env, condition);
    // Sorting a large table costs more than one scan: only an order that a
    // join has already built is used.
    if (key && !cached.HasOrder({const_cast<TRidovField*>(key)})) key = nullptr;
    if (!key) {
        for (RecordNode* node : cached.records)
            if (t.filter->Passes(node->values)) t.records.push_back(node);
        return;
    }
    TRidovCursor& store = *cached.store;
    ValueBuffer probe(store.Layout());
    store.TextToValue(probe.Data() + key->offset, condition->ConstValue, *key);
    const std::vector<uint32_t>& order = cached.OrderBy({const_cast<TRidovField*>(key)});
    auto less = [&](uint32_t pos, int) {
        return TRidovCursor::CompareValues(cached.records[pos]->values, probe.Data(), *key, false) <
               0;
    };
    auto greater = [&](int, uint32_t pos) {
        return TRidovCursor::CompareValues(cached.records[pos]->values, probe.Data(), *key, false) >
               0;
    };
    auto lo = std::lower_bound(order.begin(), order.end(), 0, less);
    auto hi = std::upper_bound(lo, order.end(), 0, greater);
    std::vector<uint32_t> hits(lo, hi);
    // Back to store order, as a filtered read would keep them.
    std::sort(hits.begin(), hits.end());
    for (uint32_t pos : hits)
        if (t.filter->Passes(cached.records[pos]->values)) t.records.push_back(cached.records[pos]);
}

void CollectLive(TRidovQTable& t) {
    t.records.clear();
    t.sharedRecords = nullptr;
    for (RecordNode* node : t.store->Nodes())
        if (node->IsLive()) t.records.push_back(node);
}

void ReadFiltered(TRidovQTable& t, const QueryEnvironment& env) {
    TRidovCursor& store = *t.ownStore;
    store.Clear(true);
    bool bound = false;
    store.SetLoadFilter([&](TRidovCursor& s, RecordNode& node) {
        if (!bound) {
            t.filter = std::make_unique<PreparedConditions>();
            t.filter->Prepare(t.conditions, s, env.caseInsensitive);
            bound = true;
        }
        return t.filter->Passes(node.values);
    });
    std::string message;
    bool ok;
    try {
        ok = store.ReadImage(t.image.Bytes(), message);
    } catch (...) {
        store.SetLoadFilter(nullptr);
        throw;
    }
    store.SetLoadFilter(nullptr);
    if (!ok) {
        t.filter.reset();
        Fail("Error opening table: " + message);
    }
    CollectLive(t);
    t.filtered = true;
}

void ReadTable(TRidovQTable& t, const QueryEnvironment& env, const TableRun& run) {
    // The bound conditions refer to the header's fields, which go now.
    t.filter.reset();
    const bool filterWhileReading = !t.origin && t.HasConditions();
    const bool mayCache = env.cache && !t.origin && run.identity &&
                          TableCache::Cacheable(*run.identity) &&
                          t.ownStore->AutoIncField() == nullptr;
    if (filterWhileReading && !mayCache) {
        ReadFiltered(t, env);
        return;
    }
    TRidovCursor& store = *t.ownStore;
    store.Clear(true);
    std::string message;
    if (!store.ReadImage(t.image.Bytes(), message)) {
        if (!filterWhileReading) Fail("Error opening table: " + message);
        // A filtered read tolerates a record count that differs from the
        // header's: read again as the filtered read does.
        std::string error;
        if (!env.session->Platform().ReadWholeFile(t.filePath, t.image, error, kMaxImageSize))
            Fail("Error opening file " + t.filePath);
        ReadFiltered(t, env);
        return;
    }
    if (mayCache) {
        auto after = platform::GetFileIdentity(t.filePath);
        if (after && *after == *run.identity) {
            t.cached = env.cache->Insert(t.filePath, *run.identity, std::move(t.ownStore),
                                         t.image.Bytes());
            t.store = t.cached->store.get();
            t.image = platform::RegionBuffer();
            if (t.HasConditions()) {
                t.filter = std::make_unique<PreparedConditions>();
                t.filter->Prepare(t.conditions, *t.store, env.caseInsensitive);
            }
            SelectCachedRecords(t, env);
            return;
        }
    }
    CollectLive(t);
    t.filtered = false;
    if (filterWhileReading) {
        t.filter = std::make_unique<PreparedConditions>();
        t.filter->Prepare(t.conditions, *t.store, env.caseInsensitive);
        NodeList passing;
        for (RecordNode* node : t.records)
            if (t.filter->Passes(node->values)) passing.push_back(node);
        t.records.swap(passing);
        t.filtered = true;
    }
}

void ReadData(QueryPlan& plan, const QueryEnvironment& env, const std::vector<TableRun>& runs) {
    for (size_t i = 0; i < plan.tables.size(); ++i) {
        TRidovQTable& t = plan.tables[i];
        if (t.fromFile && t.cached) {
            SelectCachedRecords(t, env);
        } else if (t.fromFile) {
            ReadTable(t, env, runs[i]);
            t.image = platform::RegionBuffer();
        } else {
            // Only the first table's records are listed: a joined dataset
            // table is walked in its own store.
            if (i == 0) CollectLive(t);
            t.filtered = false;
        }
        if (t.HasConditions() && !t.filter) {
            t.filter = std::make_unique<PreparedConditions>();
            t.filter->Prepare(t.conditions, *t.store, env.caseInsensitive);
        }
    }
}

// ---- step 6 ----

std::vector<uint8_t> EmptyResultImage(const QueryPlan& plan) {
    std::vector<TRidovField> fields(plan.fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const TRidovQField& f = plan.fields[i];
        fields[i].qualifier =
            f.isConstant ? std::string("XXX") : plan.tables[size_t(f.table)].qualifier;
        fields[i].name = f.resultName;
        // A result column never numbers its records itself; a long constant
        // declares no more than an entry can carry.
        fields[i].type = f.type == ftAutoInc ? ftInteger : f.type;
        fields[i].declaredSize = static_cast<int16_t>(std::clamp(f.size, 0, kMaxDeclaredSize));
    }
    std::vector<uint8_t> image;
    std::string message;
    if (!EmptyTableImage(fields, image, message)) Fail("Query result cannot be built: " + message);
    return image;
}

// ---- step 7 ----

std::vector<TRidovField*> KeyFields(TRidovCursor& store, std::string_view names) {
    std::vector<TRidovField*> out;
    for (const std::string& name : SplitNames(names)) out.push_back(store.FindField(name));
    return out;
}

NodeList BuildRows(QueryPlan& plan) {
    const size_t width = plan.tables.size();
    const TRidovQTable& first = plan.tables[0];
    const bool check = !first.filtered && first.filter != nullptr;
    NodeList rows;
    for (RecordNode* node : first.Records()) {
        if (check && !first.filter->Passes(node->values)) continue;
        rows.push_back(node);
        rows.insert(rows.end(), width - 1, nullptr);
    }
    return rows;
}

// R's records in the order the merge walks them (or those of them the rows
// can match).
const NodeList& RightSequence(TRidovQTable& r, const JoinKeys& keys, const std::string& keyNames,
                              const NodeList& rows, size_t width, const QueryEnvironment& env,
                              NodeList& scratch) {
    if (r.cached && !r.filtered && !r.HasConditions())
        return r.cached->RecordsOrderedBy(keys.rightFields);
    scratch.clear();
    const bool check = !r.filtered && r.filter != nullptr;
    if (!r.fromFile && !env.sortDatasetTables &&
        SelectMatchingRecords(rows, width, keys, r.store->Nodes(), check ? r.filter.get() : nullptr,
                              scratch)) {
        SortRecordsByKeys(scratch, keys.rightFields);
        return scratch;
    }
    if (!r.fromFile) {
        // A dataset's own store is put in key order.
        r.store->Sort(keyNames, false);
        for (RecordNode* node : r.store->Nodes())
            if (node->IsLive() && (!check || r.filter->Passes(node->values)))
                scratch.push_back(node);
        return scratch;
    }
    for (RecordNode* node : r.Records())
        if (!check || r.filter->Passes(node->values)) scratch.push_back(node);
    SortRecordsByKeys(scratch, keys.rightFields);
    return scratch;
}

void RunJoins(QueryPlan& plan, const QueryEnvironment& env, NodeList& rows) {
    const size_t width = plan.tables.size();
    NodeList scratch;
    for (const TRidovQJoin& join : plan.joins) {
        JoinKeys keys;
        keys.leftSlot = size_t(TableOf(plan, join.leftAlias));
        keys.rightSlot = size_t(TableOf(plan, join.rightAlias));
        keys.outer = join.outer;
        TRidovQTable& l = plan.tables[keys.leftSlot];
        TRidovQTable& r = plan.tables[keys.rightSlot];
        keys.leftFields = KeyFields(*l.store, join.leftFields);
        keys.rightFields = KeyFields(*r.store, join.rightFields);
        if (!JoinKeysComparable(keys)) Fail("Types of compared fields are not equal");
        const NodeList& right = RightSequence(r, keys, join.rightFields, rows, width, env, scratch);
        JoinRows(rows, width, keys, right);
    }
}

// ---- step 8 ----

void CopySlot(const TRidovField& from, const uint8_t* source, const TRidovQField& column,
              const TRidovField& to, uint8_t* target) {
    const uint8_t* s = source + from.offset;
    uint8_t* d = target + to.offset;
    if (column.widenToDouble) {
        double v = 0;
        switch (from.type) {
            case ftSmallInt:
                v = slot::Load<int16_t>(s);
                break;
            case ftInt64:
                v = double(slot::Load<int64_t>(s));
                break;
            default:
                v = slot::Load<int32_t>(s);
                break;
        }
        slot::Store<double>(d, v);
        return;
    }
    bool same = from.type == to.type || (from.type == ftAutoInc && to.type == ftInteger);
    // The reference is borrowed: posting the record duplicates what it
    // points to.
    if (same && from.slotSize == to.slotSize) std::memcpy(d, s, to.slotSize);
}

void FillResult(QueryPlan& plan, const NodeList& rows, TRidovCursor& result) {
    const size_t width = plan.tables.size();
    const size_t count = plan.fields.size();
    std::vector<const TRidovField*> targets(count), sources(count, nullptr);
    ValueBuffer constants(result.Layout());
    for (size_t i = 0; i < count; ++i) {
        const TRidovQField& f = plan.fields[i];
        targets[i] = result.FieldAt(static_cast<int>(i));
        if (f.isConstant) {
            result.TextToValue(constants.Data() + targets[i]->offset, f.constant, *targets[i]);
        } else if (f.kind != tkCount && f.table >= 0) {
            sources[i] = plan.tables[size_t(f.table)].store->FindField(f.sourceField);
        }
    }
    // The image only borrows: its texts and blocks belong to the source
    // records and to `constants`, and PostRecord duplicates them. So it is
    // plain bytes, never freed slot by slot.
    const size_t recordSize = result.RecordSize();
    std::vector<uint8_t> image(std::max<size_t>(recordSize, 1));
    std::string message;
    for (size_t r = 0; r + width <= rows.size(); r += width) {
        std::memset(image.data(), 0, recordSize);
        for (size_t i = 0; i < count; ++i) {
            const TRidovQField& f = plan.fields[i];
            const TRidovField& to = *targets[i];
            if (f.isConstant) {
                std::memcpy(image.data() + to.offset, constants.Data() + to.offset, to.slotSize);
            } else if (sources[i]) {
                const RecordNode* node = rows[r + size_t(f.table)];
                if (node) CopySlot(*sources[i], node->values, f, to, image.data());
            }
        }
        if (!result.PostRecord(image.data(), nullptr, message)) Fail(message);
    }
}

}  // namespace

void ExecuteQuery(QueryPlan& plan, const QueryEnvironment& env, const ResultLoader& loadResult) {
    std::vector<TableRun> runs(plan.tables.size());
    ReadHeaders(plan, env, runs);
    ResolveColumns(plan);
    PrepareFilters(plan, env);
    MergeJoins(plan);
    ReadData(plan, env, runs);
    TRidovCursor& result = loadResult(EmptyResultImage(plan));
    if (plan.tables.size() != plan.joins.size() + 1)
        Fail("Number of joins must be equal to number of tables minus one");
    NodeList rows = BuildRows(plan);
    RunJoins(plan, env, rows);
    FillResult(plan, rows, result);
    rows.clear();
    for (TRidovQTable& t : plan.tables)
        if (t.fromFile && !t.origin) Release(t);
    if (plan.grouping || plan.distinct) GroupWalk(result, plan.fields);
    result.CommitAll();
}

}  // namespace ridov
