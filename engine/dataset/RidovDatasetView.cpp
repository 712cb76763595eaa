// The view of a TRidovDataset: rebuilding it from the record store, the key
// lists that sort it, and ranges.
//
// A rebuild walks every node of the store once, keeps the live nodes that
// lie inside the active range and pass the filter, then sorts them by the
// kiSort key fields. The comparison is the store's value order field by
// field, negated as a whole for descending sorts; it is a strict weak order
// (the store's value comparison is total, NaNs included), so an unstable
// sort is safe. Records with equal keys come out in no defined order. The
// filter runs first, so only the survivors are sorted (see RecordSort.h).
//
// The new view is built beside the old one and replaces it only when it is
// complete, so that progress reports can let a grid repaint the old rows
// and a cancelled rebuild leaves them as they were.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "engine/dataset/RidovDataset.h"
#include "engine/storage/ContentHash.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RecordSort.h"
#include "engine/storage/SortKey.h"
#include "engine/text/CollationKey.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

// Disables the controls for its lifetime.
class ControlsOff {
  public:
    explicit ControlsOff(DataSet& ds) : ds_(ds) { ds_.DisableControls(); }
    ~ControlsOff() { ds_.EnableControls(); }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

  private:
    DataSet& ds_;
};

}  // namespace

bool TRidovDataset::RecordPassesFilter(RecordNode* node) {
    if (!filtered_) return true;
    if (!filter_.empty() && !FilterConditionsHold(node)) return false;
    if (!onFilterRecord) return true;
    bool accept = true;
    StateScope scope(*this, DataSetState::Filter, node->values, nullptr);
    onFilterRecord(*this, accept);
    return accept;
}

bool TRidovDataset::InRange(const RecordNode* node) const {
    const TRidovKeyBuffer& lo = keys_[kiRangeStart];
    const TRidovKeyBuffer& hi = keys_[kiRangeEnd];
    return TRidovCursor::CompareRecords(node->values, lo.values.Data(), lo.storeFields,
                                        lo.fieldCount) >= 0 &&
           TRidovCursor::CompareRecords(node->values, hi.values.Data(), hi.storeFields,
                                        hi.fieldCount) <= 0;
}

namespace {

// Records walked between two progress reports.
constexpr size_t kProgressStep = 8192;

}  // namespace

void TRidovDataset::RebuildView(bool dropPosition) {
    BuildView(dropPosition, false);
}

bool TRidovDataset::BuildView(bool dropPosition, bool cancellable) {
    if (store_ == nullptr) return true;
    const bool afterLoad = std::exchange(viewAfterLoad_, false);
    if (filtered_ && !filter_.empty()) PrepareFilter();
    bool ready = viewReady_ && Active();
    RecordNode* keep = nullptr;
    std::unique_ptr<ControlsOff> controls;
    if (ready) {
        CheckBrowseMode();
        keep = CurrentNode();
        controls = std::make_unique<ControlsOff>(*this);
        Fire(beforeScroll);
    }
    // The new view is built aside: until it replaces the old one, the old
    // one stays whole for a grid repainting during progress reports, and
    // for a cancelled rebuild to leave behind.
    const NodeList& nodes = store_->Nodes();
    const bool sorting = !keys_[kiSort].storeFields.empty();
    const int64_t total = int64_t(nodes.size()) * (sorting ? 2 : 1);
    auto goOn = [&](int64_t done) {
        if (!onViewProgress) return true;
        return onViewProgress(done, total) || !(ready && cancellable);
    };
    // Where the records come from: the store, or, when a view of this sort
    // over every record is at hand and the store has not changed since, the
    // part of it that can pass, already sorted.
    const std::string signature = sorting ? SortSignature() : std::string();
    std::span<RecordNode* const> source(nodes.data(), nodes.size());
    bool presorted = false;
    bool passAll = false;
    if (sorting && !afterLoad && FullViewValid(signature)) {
        if (!rangeActive_ && FilterPassesAll()) {
            source = fullView_.nodes;
            presorted = true;
        } else if (filtered_) {
            const FilterRun run = PrefixRun();
            if (run.nodes.size() < fullView_.nodes.size()) {
                source = run.nodes;
                presorted = true;
                // A filter that is that prefix alone needs no test of the
                // records the run holds: a keystroke costs a binary search.
                passAll = run.allPass && !rangeActive_;
            }
        }
    }
    // The same sort the other way round over every record, at hand: its
    // list reversed is this order (records with equal keys, whose order is
    // not defined, come out reversed too).
    bool reversed = false;
    if (sorting && !presorted && !afterLoad && !rangeActive_ && FilterPassesAll() &&
        FullViewValid(SortSignature(TRidovSortOptions(sortOptions_ ^ vsoDescendSort)))) {
        source = fullView_.nodes;
        presorted = true;
        reversed = true;
    }
    // The old view's storage is reused for the next one.
    const size_t count = nodes.size();
    NodeList fresh;
    fresh.swap(spareView_);
    fresh.clear();
    fresh.reserve(source.size());
    bool filtering = filtered_ && !passAll;
    bool cancelled = false;
    try {
        // In steps between progress reports, with the bounds held locally:
        // the filter is an opaque call, after which the compiler would
        // otherwise read the store's node list again for every record.
        RecordNode* const* all = source.data();
        const size_t sourceCount = source.size();
        for (size_t start = 0; start < sourceCount; start += kProgressStep) {
            if (start > 0 && !goOn(int64_t(start))) {
                cancelled = true;
                break;
            }
            const size_t end = std::min(sourceCount, start + kProgressStep);
            for (size_t i = start; i < end; ++i) {
                RecordNode* node = all[i];
                if (!node->IsLive()) continue;
                if (rangeActive_ && !InRange(node)) continue;
                if (filtering && !RecordPassesFilter(node)) continue;
                fresh.push_back(node);
            }
        }
    } catch (...) {
        // A filter that fails part-way leaves an empty view rather than an
        // arbitrary part of one, with no record current.
        if (ready) NotifyView(ViewEvent::AboutToReset);
        spareView_.swap(fresh);
        view_.clear();
        sorted_ = false;
        SetCurrentIndex(-1);
        if (ready) {
            bof_ = eof_ = true;
            NotifyView(ViewEvent::Reset);
            NotifyLinks(DataEvent::DataSetChange);
        }
        throw;
    }
    if (!cancelled) cancelled = !goOn(int64_t(nodes.size()));
    if (!cancelled && reversed) std::reverse(fresh.begin(), fresh.end());
    if (!cancelled && sorting && !presorted) {
        const auto& key = keys_[kiSort].storeFields;
        const bool caseInsensitive = (sortOptions_ & vsoCaseInsensitive) != 0;
        const bool descend = (sortOptions_ & vsoDescendSort) != 0;
        if (afterLoad && fresh.size() == count) {
            // Every record, in store order: an order remembered for this
            // store's contents applies.
            RecordOrder order;
            if (!RememberedSortOrder(order)) {
                order = SortedRecordOrder(fresh, key, caseInsensitive, descend);
                SortOrderFound(order);
            }
            NodeList sorted(fresh.size());
            for (size_t i = 0; i < order.size(); ++i) sorted[i] = fresh[order[i]];
            fresh.swap(sorted);
        } else {
            SortRecordNodes(fresh, key, caseInsensitive, descend);
        }
        cancelled = !goOn(total);
    }
    if (cancelled) {
        spareView_.swap(fresh);
        if (ready) Fire(afterScroll);  // the scroll that did not happen ends
        return false;
    }
    if (ready) NotifyView(ViewEvent::AboutToReset);
    view_.swap(fresh);
    spareView_.swap(fresh);
    sorted_ = sorting;
    if (sorting && !rangeActive_ && FilterPassesAll()) {
        // Every record: kept for the filters to come. The spare list goes,
        // so that the kept one costs no memory the view did not cost before.
        fullView_.nodes.assign(view_.begin(), view_.end());
        fullView_.store = store_->Identity();
        fullView_.changeCount = store_->ChangeCount();
        fullView_.signature = signature;
        NodeList().swap(spareView_);
    }
    int index = view_.empty() ? -1 : 0;
    if (!dropPosition && keep != nullptr) {
        auto it = std::find(view_.begin(), view_.end(), keep);
        if (it != view_.end()) index = static_cast<int>(it - view_.begin());
    }
    SetCurrentIndex(index);
    if (ready) {
        bof_ = index <= 0;
        eof_ = view_.empty();
        NotifyView(ViewEvent::Reset);
        NotifyLinks(DataEvent::DataSetChange);
        Fire(afterScroll);
    }
    return true;
}

void TRidovDataset::TakeSnapshot(ViewSnapshot& out) const {
    out.filter = filter_;
    out.indexFieldNames = indexFieldNames_;
    out.rangeFieldNames = rangeFieldNames_;
    out.conditions = conditions_;
    out.filtered = filtered_;
    out.rangeActive = rangeActive_;
    out.filterOptions = filterOptions_;
    out.sortOptions = sortOptions_;
    const TRidovKeyIndex kept[3] = {kiSort, kiRangeStart, kiRangeEnd};
    for (int i = 0; i < 3; ++i) {
        const TRidovKeyBuffer& from = keys_[kept[i]];
        TRidovKeyBuffer& to = out.keys[i];
        to.values = from.values.Clone();
        to.storeFields = from.storeFields;
        to.fields = from.fields;
        to.exclusive = from.exclusive;
        to.fieldCount = from.fieldCount;
    }
}

void TRidovDataset::RestoreSnapshot(ViewSnapshot& from) {
    filter_ = from.filter;
    indexFieldNames_ = from.indexFieldNames;
    rangeFieldNames_ = from.rangeFieldNames;
    conditions_ = std::move(from.conditions);
    // Bound to the conditions of the cancelled change; bound again before
    // the next use.
    prepared_.Clear();
    filtered_ = from.filtered;
    rangeActive_ = from.rangeActive;
    filterOptions_ = from.filterOptions;
    sortOptions_ = from.sortOptions;
    const TRidovKeyIndex kept[3] = {kiSort, kiRangeStart, kiRangeEnd};
    for (int i = 0; i < 3; ++i) {
        TRidovKeyBuffer& to = keys_[kept[i]];
        std::swap(to, from.keys[i]);
    }
}

void TRidovDataset::ChangeView(bool dropPosition, const std::function<void()>& change) {
    // Only a rebuild that reports progress can be cancelled, so only then
    // is there anything to put back.
    std::optional<ViewSnapshot> before;
    if (onViewProgress && viewReady_ && Active()) TakeSnapshot(before.emplace());
    change();
    if (!Active()) return;
    if (!BuildView(dropPosition, before.has_value())) {
        RestoreSnapshot(*before);
        Fail("Operation cancelled");
    }
}

void TRidovDataset::BuildKeyList(TRidovKeyIndex index, std::string_view names) {
    TRidovKeyBuffer& k = keys_[index];
    k.values.Clear();
    k.storeFields.clear();
    k.fields.clear();
    k.fieldCount = 0;
    k.exclusive = false;
    if (names.empty() || store_ == nullptr) return;
    std::vector<Field*> fields;
    std::vector<TRidovField*> storeFields;
    GetFieldList(names, fields);
    store_->FieldList(names, storeFields);
    if (fields.size() != storeFields.size())
        Fail("There are calc or BLOB fields in list of key fields");
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]->IsCalculated()) Fail("There are calc or BLOB fields in list of key fields");
        // Right-aligned short codes order by length first, i.e. numerically.
        storeFields[i]->rightAligned = fields[i]->alignment == Alignment::Right ? 1 : 0;
    }
    k.fields = std::move(fields);
    k.storeFields = std::move(storeFields);
    k.fieldCount = static_cast<int>(k.storeFields.size());
}

void TRidovDataset::SetIndexFieldNames(const std::string& names) {
    if (names == indexFieldNames_) return;
    if (!Active()) {
        indexFieldNames_ = names;
        return;
    }
    CheckBrowseMode();
    ChangeView(false, [&] {
        try {
            BuildKeyList(kiSort, names);
        } catch (...) {
            BuildKeyList(kiSort, indexFieldNames_);
            throw;
        }
        indexFieldNames_ = names;
    });
}

bool TRidovDataset::FullViewValid(const std::string& signature) const {
    return store_ != nullptr && fullView_.store == store_->Identity() &&
           fullView_.changeCount == store_->ChangeCount() && fullView_.signature == signature;
}

bool TRidovDataset::FilterPassesAll() const {
    return !filtered_ || (conditions_.empty() && !onFilterRecord);
}

namespace {

// True when case-insensitive ranks never tell apart two characters that
// upper-case alike: then the texts that start with one prefix, compared
// upper-cased, all start with the same ranks and lie together in a view
// sorted ignoring case.
bool RanksFollowUpperCase() {
    static const bool follow = [] {
        const unsigned char* ranks = text::CollationRankTable();
        for (int b = 0; b < 256; ++b) {
            const auto upper = static_cast<unsigned char>(text::UpperChar(static_cast<char>(b)));
            if (ranks[b] != ranks[upper]) return false;
        }
        return true;
    }();
    return follow;
}

// True when two characters have one rank exactly when they upper-case
// alike: then a text's ranks start with a prefix's ranks exactly when the
// text starts with the prefix, both upper-cased.
bool RanksAreUpperCaseClasses() {
    static const bool classes = [] {
        if (!RanksFollowUpperCase()) return false;
        const unsigned char* ranks = text::CollationRankTable();
        int upperOfRank[256];
        std::fill(std::begin(upperOfRank), std::end(upperOfRank), -1);
        for (int b = 0; b < 256; ++b) {
            const auto upper = static_cast<unsigned char>(text::UpperChar(static_cast<char>(b)));
            if (text::UpperChar(static_cast<char>(upper)) != static_cast<char>(upper)) return false;
            int& seen = upperOfRank[ranks[b]];
            if (seen >= 0 && seen != upper) return false;
            seen = upper;
        }
        return true;
    }();
    return classes;
}

// The part of `nodes`, sorted ignoring case with `first` as their first
// key field, whose `first` text starts with `prefix`. REQUIRES:
// RanksFollowUpperCase(), `first` a text field as TextSortField says.
std::span<RecordNode* const> RunStartingWith(std::span<RecordNode* const> nodes,
                                             const TRidovField& first, std::string_view prefix,
                                             bool descend) {
    // The key every such record's first field starts with: as the sort
    // encodes the field (a string's presence mark, then its ranks), without
    // the end mark.
    const unsigned char* ranks = text::CollationRankTable();
    SortKeyWriter wanted;
    if (first.type == ftString) wanted.PutByte(1);
    wanted.PutText(prefix, ranks);
    const std::string_view head = wanted.From(0).substr(0, wanted.Size() - 1);
    // -1, 0 or 1 as the record's key lies before the run, in it or after.
    SortKeyWriter probe;
    auto side = [&](const RecordNode* node) {
        probe.Clear();
        PutSortKeyField(probe, node->values, first, ranks);
        const std::string_view key = probe.From(0);
        const int r = key.substr(0, head.size()).compare(head);
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    };
    auto begin = std::partition_point(nodes.begin(), nodes.end(), [&](const RecordNode* n) {
        return descend ? side(n) > 0 : side(n) < 0;
    });
    auto end = std::partition_point(begin, nodes.end(), [&](const RecordNode* n) {
        return descend ? side(n) >= 0 : side(n) <= 0;
    });
    return nodes.subspan(size_t(begin - nodes.begin()), size_t(end - begin));
}

// A text field whose sort key is its text's ranks alone (a right-aligned
// short code sorts by length first).
bool TextSortField(const TRidovField& f) {
    return f.type == ftString || (f.type == ftSmallStr && !f.rightAligned);
}

}  // namespace

TRidovDataset::FilterRun TRidovDataset::PrefixRun() const {
    const std::span<RecordNode* const> all = fullView_.nodes;
    // The prepared conditions are those of the filter text only when it has
    // some (a callback alone leaves older ones behind).
    if (conditions_.empty() || filter_.empty()) return {all};
    if ((sortOptions_ & vsoCaseInsensitive) == 0 || !RanksFollowUpperCase()) return {all};
    const TRidovField& first = *keys_[kiSort].storeFields.front();
    if (!TextSortField(first)) return {all};
    const std::string prefix = prepared_.RequiredPrefix(first);
    if (prefix.empty()) return {all};
    const bool allPass =
        !onFilterRecord && prepared_.PrefixDecides(first) && RanksAreUpperCaseClasses();
    return {RunStartingWith(all, first, prefix, (sortOptions_ & vsoDescendSort) != 0), allPass};
}

std::optional<TRidovDataset::RowRun> TRidovDataset::RowsStartingWith(
    const Field& field, std::string_view prefix) const {
    // Rows are view positions only while no row is edited or inserted.
    if (!Active() || State() != DataSetState::Browse || !sorted_) return std::nullopt;
    const auto& key = keys_[kiSort].storeFields;
    if (key.empty() || field.StoreField() != key.front()) return std::nullopt;
    if ((sortOptions_ & vsoCaseInsensitive) == 0 || !RanksFollowUpperCase()) return std::nullopt;
    if (!TextSortField(*key.front())) return std::nullopt;
    const bool descend = (sortOptions_ & vsoDescendSort) != 0;
    const std::span<RecordNode* const> all(view_.data(), view_.size());
    const std::span<RecordNode* const> run =
        prefix.empty() ? all : RunStartingWith(all, *key.front(), prefix, descend);
    const int first = int(run.data() - all.data());
    return RowRun{first, first + int(run.size()), descend};
}

std::string TRidovDataset::SortSignature(TRidovSortOptions options) const {
    std::string signature;
    for (const TRidovField* f : keys_[kiSort].storeFields) {
        signature += f->name;
        signature += '\0';
        signature += std::to_string(int(f->type)) + ',' + std::to_string(f->declaredSize) + ',' +
                     std::to_string(int(f->rightAligned)) + ';';
    }
    const bool caseInsensitive = (options & vsoCaseInsensitive) != 0;
    signature += caseInsensitive ? 'i' : 'c';
    signature += (options & vsoDescendSort) != 0 ? 'd' : 'a';
    if (caseInsensitive) {
        // The ranks are part of the order: a program with other ranks
        // must not take this one's order.
        const auto* ranks = text::CollationRankTable();
        signature += std::to_string(ContentHash64({ranks, 256}));
    }
    return signature;
}

void TRidovDataset::SetSortOptions(TRidovSortOptions options) {
    ChangeView(false, [&] { sortOptions_ = options; });
}

void TRidovDataset::SetRangeFieldNames(const std::string& names) {
    if (Active()) {
        try {
            BuildKeyList(kiRangeStart, names);
            BuildKeyList(kiRangeEnd, names);
        } catch (...) {
            BuildKeyList(kiRangeStart, rangeFieldNames_);
            BuildKeyList(kiRangeEnd, rangeFieldNames_);
            throw;
        }
    }
    rangeFieldNames_ = names;
    if (Active()) ApplyMasterRange();
}

void TRidovDataset::SetRangeValues(std::string_view startValues, std::string_view endValues) {
    if (store_ == nullptr || !Active()) return;
    CheckBrowseMode();
    ChangeView(true, [&] { FillRangeBounds(startValues, endValues); });
    First();
}

void TRidovDataset::FillRangeBounds(std::string_view startValues, std::string_view endValues) {
    const TRidovKeyIndex bounds[2] = {kiRangeStart, kiRangeEnd};
    const std::string_view texts[2] = {startValues, endValues};
    for (int b = 0; b < 2; ++b) {
        TRidovKeyBuffer& k = keys_[bounds[b]];
        StateScope scope(*this, DataSetState::SetKey, k.values.Data(), nullptr);
        BuildKeyList(bounds[b], rangeFieldNames_);
        std::string_view rest = texts[b];
        size_t walked = 0;
        for (TRidovField* f : k.storeFields) {
            if (rest.empty()) break;
            ++walked;
            size_t tab = rest.find('\t');
            std::string_view value = rest.substr(0, tab);
            // An empty value is not consumed: this and every later field
            // keep the empty value.
            if (value.empty()) continue;
            store_->TextToValue(k.values.Data() + f->offset, value, *f);
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
        }
        if (walked < k.storeFields.size()) k.fieldCount = static_cast<int>(walked);
    }
    rangeActive_ = true;
}

void TRidovDataset::ApplyRange() {
    RequireStore();
    if (!Active()) {
        rangeActive_ = true;
        return;
    }
    CheckBrowseMode();
    ChangeView(true, [&] { rangeActive_ = true; });
    First();
}

void TRidovDataset::CancelRange() {
    RequireStore();
    if (!Active()) {
        rangeActive_ = false;
        return;
    }
    CheckBrowseMode();
    ChangeView(false, [&] { rangeActive_ = false; });
}

}  // namespace ridov
