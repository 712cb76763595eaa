#include "engine/storage/RidovCursor.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "engine/storage/RecordSort.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

constexpr size_t kFirstNodeChunk = 4096;
constexpr size_t kLargestNodeChunk = size_t(1) << 18;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// Length of a SmallStr value: up to the first zero or the declared size.
size_t SmallStrLength(const uint8_t* slot, const TRidovField& f) {
    const void* z = std::memchr(slot, 0, size_t(f.declaredSize) + 1);
    return z ? static_cast<size_t>(static_cast<const uint8_t*>(z) - slot) : size_t(f.declaredSize);
}

bool AllZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

template <typename T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Text rule: an empty text sorts first; otherwise the common prefix decides
// (by character code, or alphabetically without case), then the length.
int CompareText(std::string_view a, std::string_view b, bool caseInsensitive) {
    if (a.empty() || b.empty()) return Order(a.size(), b.size());
    size_t n = std::min(a.size(), b.size());
    int r = caseInsensitive ? text::CompareNoCaseN(a.data(), b.data(), n)
                            : std::memcmp(a.data(), b.data(), n);
    if (r != 0) return r;
    return Order(a.size(), b.size());
}

int CompareDoubles(double a, double b) {
    if (a < b) return -1;
    if (b < a) return 1;
    if (a == b) return 0;
    // A NaN takes part: order NaNs first and equal to each other, so that a
    // sort always sees a consistent order.
    bool an = std::isnan(a), bn = std::isnan(b);
    return an && bn ? 0 : (an ? -1 : 1);
}

}  // namespace

TRidovCursor::TRidovCursor(TRidovSession& session, const text::FormatSettings& fs)
    : session_(&session), fs_(&fs), layout_(std::make_shared<ValueLayout>()) {
    static std::atomic<uint64_t> stores{0};
    identity_ = ++stores;
}

TRidovCursor::~TRidovCursor() {
    Clear(true);
}

size_t TRidovCursor::MemoryReserved() const {
    size_t nodes = 0;
    for (const NodeChunk& chunk : nodeChunks_) nodes += chunk.capacity();
    return arena_.BytesReserved() + nodes * sizeof(RecordNode) +
           nodes_.capacity() * sizeof(RecordNode*);
}

RecordNode* TRidovCursor::NewNode() {
    if (nodeChunks_.empty() || nodeChunks_.back().size() == nodeChunks_.back().capacity()) {
        const size_t size = nodeChunks_.empty()
                                ? kFirstNodeChunk
                                : std::min(2 * nodeChunks_.back().capacity(), kLargestNodeChunk);
        nodeChunks_.emplace_back().reserve(size);
    }
    return &nodeChunks_.back().emplace_back();
}

bool TRidovCursor::Owns(const RecordNode* node) const {
    if (node == nullptr) return false;
    for (const NodeChunk& chunk : nodeChunks_) {
        if (node >= chunk.data() && node < chunk.data() + chunk.size()) return true;
    }
    return false;
}

void TRidovCursor::DropNodeValues(RecordNode* node) {
    if (node->values) FreeReferences(*layout_, node->values);
    node->values = nullptr;
    DropBeforeImage(node);
    auto data = userData_.find(node);
    if (onDestroyRecordData) {
        void* none = nullptr;
        onDestroyRecordData(data != userData_.end() ? &data->second : &none);
    }
    if (data != userData_.end()) userData_.erase(data);
}

// ---- fields ----

void TRidovCursor::RecomputeLayout() {
    auto layout = std::make_shared<ValueLayout>();
    uint32_t offset = 0;
    for (auto& f : fields_) {
        f->offset = offset;
        if (IsReferenceType(f->type)) layout->references.push_back({offset, f->slotSize, f->type});
        offset += f->slotSize;
    }
    recordSize_ = offset;
    layout->recordSize = offset;
    layout_ = std::move(layout);
}

TRidovField& TRidovCursor::AddField(std::string name, FieldType type, int declaredSize) {
    ++changeCount_;
    auto f = std::make_unique<TRidovField>();
    f->name = std::move(name);
    f->qualifier = "XXX";
    if (type == ftString && declaredSize <= kMaxSmallStrSize) type = ftSmallStr;
    f->type = type;
    f->declaredSize = IsTextType(type) ? static_cast<int16_t>(declaredSize) : 0;
    f->slotSize = SlotSize(type, declaredSize);
    f->rightAligned = (type == ftSmallInt || type == ftInteger || type == ftInt64 ||
                       type == ftDouble || type == ftCurrency || type == ftAutoInc);
    fields_.push_back(std::move(f));
    RecomputeLayout();
    if (type == ftAutoInc && autoIncField_ == nullptr) {
        autoIncField_ = fields_.back().get();
        autoIncName_ = autoIncField_->name;
    }
    return *fields_.back();
}

TRidovField* TRidovCursor::FindField(std::string_view name) {
    for (auto& f : fields_)
        if (text::EqualNoCase(f->name, name)) return f.get();
    return nullptr;
}

const TRidovField* TRidovCursor::FindField(std::string_view name) const {
    return const_cast<TRidovCursor*>(this)->FindField(name);
}

TRidovField* TRidovCursor::FieldAt(int index) {
    if (index < 0 || index >= FieldCount()) return nullptr;
    return fields_[size_t(index)].get();
}

void TRidovCursor::FieldList(std::string_view names, std::vector<TRidovField*>& out) {
    while (!names.empty()) {
        size_t semi = names.find(';');
        std::string_view name = Trim(names.substr(0, semi));
        names = semi == std::string_view::npos ? std::string_view() : names.substr(semi + 1);
        if (name.empty()) continue;
        TRidovField* f = FindField(name);
        if (f && !IsBlobType(f->type)) out.push_back(f);
    }
}

uint32_t TRidovCursor::StoredSize(const uint8_t* values) const {
    uint32_t size = static_cast<uint32_t>(fields_.size());
    for (const auto& f : fields_) {
        const uint8_t* s = values + f->offset;
        switch (f->type) {
            case ftSmallInt:
            case ftBoolean:
            case ftInteger:
            case ftDate:
            case ftTime:
            case ftAutoInc:
            case ftInt64:
                if (!AllZero(s, f->slotSize)) size += f->slotSize;
                break;
            case ftDouble:
            case ftCurrency:
            case ftDateTime:
                if (slot::Load<double>(s) != 0.0) size += 8;
                break;
            case ftSmallStr:
                size += static_cast<uint32_t>(SmallStrLength(s, *f));
                break;
            case ftString: {
                std::string_view t = slot::Text(s);
                if (!t.empty()) size += static_cast<uint32_t>(t.size()) + 4;
                break;
            }
            case ftBlob:
            case ftMemo:
            case ftFmtMemo:
            case ftGraphic:
                if (slot::HasBlock(s)) size += static_cast<uint32_t>(slot::BlockCount(s)) + 4;
                break;
            case ftUnknown:
                break;
        }
    }
    return size;
}

// ---- record operations ----

bool TRidovCursor::PostRecord(const uint8_t* values, RecordNode* node, std::string& message,
                              RecordNode** created) {
    ++changeCount_;
    if (node != nullptr) {
        if (!Owns(node)) {
            message = "Record is not found";
            return false;
        }
        if (!node->IsLive()) {
            message = "Record has been deleted";
            return false;
        }
        if (node->status == rsUnchanged) node->status = rsModified;
        CopyValues(values, node->values);
        UpdateStoredSize(node);
        return true;
    }
    RecordNode* fresh = NewNode();
    fresh->values = arena_.Allocate(recordSize_);
    std::memset(fresh->values, 0, recordSize_);
    fresh->status = rsInserted;
    CopyValues(values, fresh->values);
    if (autoIncField_) {
        ++autoIncValue_;
        slot::Store<int32_t>(fresh->values + autoIncField_->offset, autoIncValue_);
    }
    UpdateStoredSize(fresh);
    nodes_.push_back(fresh);
    if (created) *created = fresh;
    return true;
}

bool TRidovCursor::DeleteRecord(RecordNode* node, std::string& message) {
    ++changeCount_;
    if (!Owns(node)) {
        message = "Record is not found";
        return false;
    }
    if (!node->IsLive()) {
        message = "Record has been deleted";
        return false;
    }
    if (node->status == rsInserted) {
        node->status = rsRemoved;
        DropNodeValues(node);
    } else {
        node->status = rsDeleted;
    }
    return true;
}

bool TRidovCursor::BeginEdit(RecordNode* node) {
    if (node == nullptr || !node->IsLive()) return false;
    if (!beforeImages_.contains(node)) {
        ValueBuffer image(layout_);
        image.CopyFrom(node->values);
        beforeImages_.emplace(node, std::move(image));
    }
    return true;
}

void TRidovCursor::RevertRecord(RecordNode* node) {
    ++changeCount_;
    if (node == nullptr || node->values == nullptr) return;
    auto image = beforeImages_.find(node);
    if (image != beforeImages_.end()) {
        CopyValues(image->second.Data(), node->values);
        beforeImages_.erase(image);
    }
    node->status = rsUnchanged;
    UpdateStoredSize(node);
}

void TRidovCursor::RevertAll() {
    ++changeCount_;
    for (RecordNode* node : nodes_) {
        switch (node->status) {
            case rsModified:
            case rsDeleted:
                RevertRecord(node);
                break;
            case rsInserted:
                node->status = rsRemoved;
                DropNodeValues(node);
                break;
            default:
                break;
        }
    }
}

void TRidovCursor::CommitAll() {
    ++changeCount_;
    for (RecordNode* node : nodes_) {
        if (node->status == rsDeleted) {
            node->status = rsRemoved;
            DropNodeValues(node);
        } else if (node->status != rsRemoved) {
            node->status = rsUnchanged;
            DropBeforeImage(node);
        }
    }
}

void TRidovCursor::Clear(bool all) {
    ++changeCount_;
    for (size_t i = nodes_.size(); i-- > 0;) {
        RecordNode* node = nodes_[i];
        if (node->values) DropNodeValues(node);
    }
    nodes_.clear();
    nodes_.shrink_to_fit();
    userData_.clear();
    beforeImages_.clear();
    nodeChunks_.clear();
    arena_.Clear();
    autoIncValue_ = 0;
    if (all) {
        enciphered_ = false;
        autoIncName_.clear();
        autoIncField_ = nullptr;
        comment_.clear();
        fields_.clear();
        RecomputeLayout();
        imageFieldCount_ = 0;
        descriptionLength_ = 0;
        std::memset(passwordBlock_, 0, sizeof passwordBlock_);
    }
}

bool TRidovCursor::HasDuplicate(const uint8_t* values, const RecordNode* exceptNode,
                                std::string_view names) {
    std::vector<TRidovField*> list;
    if (names.empty()) {
        for (auto& f : fields_) list.push_back(f.get());
    } else {
        FieldList(names, list);
    }
    for (const RecordNode* node : nodes_) {
        if (node == exceptNode || !node->IsLive()) continue;
        if (CompareRecords(values, node->values, list) == 0) return true;
    }
    return false;
}

// ---- ordering ----

int TRidovCursor::CompareValues(const uint8_t* a, const uint8_t* b, const TRidovField& f,
                                bool caseInsensitive) {
    return CompareSlots(a + f.offset, f, b + f.offset, f, caseInsensitive);
}

int TRidovCursor::CompareSlots(const uint8_t* sa, const TRidovField& f, const uint8_t* sb,
                               const TRidovField& fb, bool caseInsensitive) {
    switch (f.type) {
        case ftSmallInt:
            return Order(slot::Load<int16_t>(sa), slot::Load<int16_t>(sb));
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            return Order(slot::Load<int32_t>(sa), slot::Load<int32_t>(sb));
        case ftInt64:
            return Order(slot::Load<int64_t>(sa), slot::Load<int64_t>(sb));
        case ftBoolean: {
            bool ta = slot::Load<int16_t>(sa) != 0, tb = slot::Load<int16_t>(sb) != 0;
            return ta == tb ? 0 : (ta ? -1 : 1);
        }
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return CompareDoubles(slot::Load<double>(sa), slot::Load<double>(sb));
        case ftSmallStr: {
            size_t la = SmallStrLength(sa, f), lb = SmallStrLength(sb, fb);
            if (f.rightAligned && la != lb) return la < lb ? -1 : 1;
            return CompareText({reinterpret_cast<const char*>(sa), la},
                               {reinterpret_cast<const char*>(sb), lb}, caseInsensitive);
        }
        case ftString: {
            const char* pa = slot::TextPtr(sa);
            const char* pb = slot::TextPtr(sb);
            // Equal texts of a store are often one shared text: no need to
            // read it.
            if (pa == pb) return 0;
            if (pa && pb) {
                return CompareText({pa, slot::TextLength(pa)}, {pb, slot::TextLength(pb)},
                                   caseInsensitive);
            }
            return pa ? 1 : (pb ? -1 : 0);
        }
        case ftMemo:
        case ftFmtMemo: {
            const uint8_t* pa = slot::BlockPtr(sa);
            const uint8_t* pb = slot::BlockPtr(sb);
            if (pa && pb) {
                int32_t na = slot::BlockCount(sa), nb = slot::BlockCount(sb);
                if (na == 0 || nb == 0) return Order(na, nb);
                return CompareText(slot::Block(sa), slot::Block(sb), caseInsensitive);
            }
            return pa ? 1 : (pb ? -1 : 0);
        }
        case ftUnknown:
        case ftBlob:
        case ftGraphic:
            break;
    }
    return 0;
}

int TRidovCursor::CompareRecords(const uint8_t* a, const uint8_t* b,
                                 const std::vector<TRidovField*>& list, int count) {
    size_t n = count < 0 ? list.size() : std::min(list.size(), size_t(count));
    for (size_t i = 0; i < n; ++i) {
        int r = CompareValues(a, b, *list[i], false);
        if (r != 0) return r;
    }
    return 0;
}

void TRidovCursor::Sort(std::string_view names, bool caseInsensitive) {
    ++changeCount_;
    std::vector<TRidovField*> list;
    FieldList(names, list);
    if (list.empty()) return;
    // Deleted and removed records have no order of their own. Keeping them
    // together after the live ones (in their old relative order) gives the
    // sort a consistent order to work with; they are never written or shown.
    auto dead = std::stable_partition(nodes_.begin(), nodes_.end(),
                                      [](const RecordNode* n) { return n->IsLive(); });
    NodeList live(nodes_.begin(), dead);
    SortRecordNodes(live, list, caseInsensitive, false);
    std::copy(live.begin(), live.end(), nodes_.begin());
}

namespace {

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

uint64_t HashBytes(uint64_t h, const void* data, size_t n) {
    // FNV-1a over the bytes, folded into the running hash.
    uint64_t f = 14695981039346656037ull;
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) f = (f ^ p[i]) * 1099511628211ull;
    return Mix(h, f ^ n);
}

// A hash of the key fields such that two records CompareValues finds equal
// on every field (case-sensitively) hash alike: numbers by value (0.0 and
// -0.0 alike, every NaN alike, booleans by truth), texts by their bytes.
// Memo fields add nothing; equality is always confirmed by CompareRecords.
uint64_t KeyHash(const uint8_t* values, const std::vector<TRidovField*>& key) {
    uint64_t h = 0;
    for (const TRidovField* f : key) {
        const uint8_t* s = values + f->offset;
        switch (f->type) {
            case ftSmallInt:
                h = Mix(h, uint64_t(int64_t(slot::Load<int16_t>(s))));
                break;
            case ftInteger:
            case ftDate:
            case ftTime:
            case ftAutoInc:
                h = Mix(h, uint64_t(int64_t(slot::Load<int32_t>(s))));
                break;
            case ftInt64:
                h = Mix(h, uint64_t(slot::Load<int64_t>(s)));
                break;
            case ftBoolean:
                h = Mix(h, slot::Load<int16_t>(s) != 0);
                break;
            case ftDouble:
            case ftCurrency:
            case ftDateTime: {
                double d = slot::Load<double>(s);
                uint64_t bits = 0;
                if (std::isnan(d)) {
                    bits = 1;
                } else if (d != 0) {
                    std::memcpy(&bits, &d, sizeof bits);
                }
                h = Mix(h, bits);
                break;
            }
            case ftSmallStr:
                h = HashBytes(h, s, SmallStrLength(s, *f));
                break;
            case ftString: {
                const char* p = slot::TextPtr(s);
                h = p ? HashBytes(h, p, slot::TextLength(p)) : Mix(h, 1);
                break;
            }
            default:
                break;
        }
    }
    return h;
}

}  // namespace

size_t TRidovCursor::NumberGroups(const std::vector<TRidovField*>& list,
                                  std::vector<uint32_t>& out) const {
    out.clear();
    std::vector<const RecordNode*> firsts;
    std::unordered_multimap<uint64_t, uint32_t> byHash;
    for (const RecordNode* node : nodes_) {
        if (!node->IsLive()) continue;
        const uint64_t h = KeyHash(node->values, list);
        auto [from, to] = byHash.equal_range(h);
        uint32_t group = uint32_t(firsts.size());
        for (auto it = from; it != to; ++it) {
            if (CompareRecords(firsts[it->second]->values, node->values, list) == 0) {
                group = it->second;
                break;
            }
        }
        if (group == firsts.size()) {
            firsts.push_back(node);
            byHash.emplace(h, group);
        }
        out.push_back(group);
    }
    return firsts.size();
}

void TRidovCursor::SetUpAutoInc() {
    autoIncValue_ = 0;
    if (!autoIncField_) return;
    Sort(autoIncField_->name, false);
    // After the sort the live records come first, the largest value last.
    for (size_t i = nodes_.size(); i-- > 0;) {
        if (nodes_[i]->IsLive()) {
            autoIncValue_ = std::max<int32_t>(
                0, slot::Load<int32_t>(nodes_[i]->values + autoIncField_->offset));
            break;
        }
    }
}

// ---- conversions ----

void TRidovCursor::TextToValue(uint8_t* s, std::string_view text, const TRidovField& f) const {
    if (f.type == ftString) slot::FreeText(s);
    if (IsBlobType(f.type)) slot::FreeBlock(s);
    std::memset(s, 0, f.slotSize);
    if (text.empty()) return;
    const text::FormatSettings& fs = *fs_;
    switch (f.type) {
        case ftSmallInt: {
            int32_t v;
            if (text::TryStrToInt(text, v)) slot::Store<int16_t>(s, static_cast<int16_t>(v));
            break;
        }
        case ftInteger:
        case ftAutoInc: {
            int32_t v;
            if (text::TryStrToInt(text, v)) slot::Store<int32_t>(s, v);
            break;
        }
        case ftInt64: {
            int64_t v;
            if (text::TryStrToInt64(text, v)) slot::Store<int64_t>(s, v);
            break;
        }
        case ftBoolean: {
            std::string up = text::Upper(text);
            bool yes =
                up == "TRUE" || up == "\xC4\xC0" /* ДА */ || up == "YES" || up == "T" || up == "1";
            slot::Store<int16_t>(s, yes ? -1 : 0);
            break;
        }
        case ftDouble:
        case ftCurrency: {
            double v;
            if (text::TryStrToFloat(text, v, fs)) slot::Store<double>(s, v);
            break;
        }
        case ftDate: {
            int32_t v;
            if (text::TryStrToDate(text, v, fs)) slot::Store<int32_t>(s, v);
            break;
        }
        case ftTime: {
            int32_t v;
            if (text::TryStrToTime(text, v, fs)) slot::Store<int32_t>(s, v);
            break;
        }
        case ftDateTime: {
            double v;
            if (text::TryStrToDateTime(text, v, fs)) slot::Store<double>(s, v);
            break;
        }
        case ftSmallStr:
            std::memcpy(s, text.data(), std::min<size_t>(size_t(f.declaredSize), text.size()));
            break;
        case ftString:
            slot::SetHeapText(s, text.substr(0, size_t(std::max<int>(f.declaredSize, 0))));
            break;
        case ftMemo:
        case ftFmtMemo:
            slot::SetHeapBlock(s, text.substr(0, size_t(std::max<int>(f.declaredSize, 0))));
            break;
        case ftUnknown:
        case ftBlob:
        case ftGraphic:
            break;
    }
}

void TRidovCursor::FieldAsText(const TRidovField& f, const RecordNode* node, std::string& out,
                               bool isoFormat, bool useBeforeImage) const {
    const uint8_t* before = useBeforeImage ? BeforeImage(node) : nullptr;
    const uint8_t* values = before ? before : node->values;
    if (values == nullptr) {
        out.clear();
        return;
    }
    ValueAsText(f, values, out, isoFormat);
}

std::string_view TRidovCursor::ValueText(const TRidovField& f, const uint8_t* values,
                                         std::string& scratch, bool isoFormat) const {
    const uint8_t* s = values + f.offset;
    if (f.type == ftSmallStr) return {reinterpret_cast<const char*>(s), SmallStrLength(s, f)};
    if (f.type == ftString) return slot::Text(s);
    ValueAsText(f, values, scratch, isoFormat);
    return scratch;
}

void TRidovCursor::ValueAsText(const TRidovField& f, const uint8_t* values, std::string& out,
                               bool isoFormat) const {
    const uint8_t* s = values + f.offset;
    const text::FormatSettings& fs = *fs_;
    out.clear();
    switch (f.type) {
        case ftSmallInt:
            out = std::to_string(slot::Load<int16_t>(s));
            break;
        case ftInteger:
        case ftAutoInc:
            out = std::to_string(slot::Load<int32_t>(s));
            break;
        case ftInt64:
            out = std::to_string(slot::Load<int64_t>(s));
            break;
        case ftBoolean:
            out = slot::Load<int16_t>(s) != 0 ? "Yes" : "No";
            break;
        case ftDouble:
        case ftCurrency:
            out = text::FormatFloat("0.######", slot::Load<double>(s), fs);
            break;
        case ftDate: {
            int32_t day = slot::Load<int32_t>(s);
            if (day <= 0) break;
            out = isoFormat ? text::FormatDateTime("yyyy\"/\"mm\"/\"dd",
                                                   double(day) * text::kMsPerDay, fs)
                            : text::DateToStr(day, fs);
            break;
        }
        case ftTime: {
            int32_t ms = slot::Load<int32_t>(s);
            if (ms <= 0) break;
            out = text::TimeToStr(ms, fs);
            break;
        }
        case ftDateTime: {
            double v = slot::Load<double>(s);
            // Values outside the calendar cannot be converted and read empty.
            if (v == 0 || !std::isfinite(v) || v < text::kMsPerDay ||
                v >= 3652060.0 * text::kMsPerDay)
                break;
            out = isoFormat ? text::FormatDateTime("yyyy\"/\"mm\"/\"dd hh\":\"nn\":\"ss", v, fs)
                            : text::DateTimeToStr(v, fs);
            break;
        }
        case ftSmallStr:
            out.assign(reinterpret_cast<const char*>(s), SmallStrLength(s, f));
            break;
        case ftString:
            out = slot::Text(s);
            break;
        case ftMemo:
        case ftFmtMemo:
            out = slot::Block(s);
            break;
        case ftUnknown:
        case ftBlob:
        case ftGraphic:
            out = "Not Found";
            break;
    }
}

// ---- files ----

bool TRidovCursor::WriteFile(const std::string& fileName, TRidovSaveOptions options,
                             bool caseInsensitive, std::string_view indexFieldNames,
                             std::string& message) {
    // Checked first: neither the backup nor the file is touched for a
    // table that could not be read back.
    if (!CanWriteImage(message)) return false;
    if (options & savSortOnIndex) Sort(indexFieldNames, caseInsensitive);
    std::vector<uint8_t> image;
    image.reserve(ImageSizeEstimate());
    WriteImage(image);
    return WriteImageFile(fileName, options, image, message);
}

bool TRidovCursor::WriteImageFile(const std::string& fileName, TRidovSaveOptions options,
                                  std::span<const uint8_t> image, std::string& message) {
    platform::Platform& os = session_->Platform();
    if (options & savAutoBackup) {
        // The backup has the file's name with its extension replaced.
        size_t dot = fileName.find_last_of('.');
        size_t sep = fileName.find_last_of("/\\");
        std::string base = (dot != std::string::npos && (sep == std::string::npos || dot > sep))
                               ? fileName.substr(0, dot)
                               : fileName;
        os.CopyFileReplacing(fileName, base + ".~d");
    }
    std::string error;
    if (!os.WriteFileAtomically(fileName, image, error)) {
        message = "Cannot create file \"" + fileName + "\". " + error;
        return false;
    }
    return true;
}

}  // namespace ridov
