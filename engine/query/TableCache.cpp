#include "engine/query/TableCache.h"

#include <unordered_map>

#include "engine/storage/RecordSort.h"

#include <chrono>

namespace ridov {

namespace {

// A file written this recently may still change within the same tick of
// the file system's clock.
constexpr int64_t kSettleSeconds = 3;

std::string KeyOf(const std::vector<TRidovField*>& keys) {
    std::string key;
    for (const TRidovField* f : keys) key += std::to_string(reinterpret_cast<uintptr_t>(f)) + ';';
    return key;
}

}  // namespace

CachedTable::Order& CachedTable::OrderFor(const std::vector<TRidovField*>& keys) {
    auto [it, fresh] = orders_.try_emplace(KeyOf(keys));
    Order& order = it->second;
    if (fresh) {
        order.nodes = records;
        SortRecordsByKeys(order.nodes, keys);
        std::unordered_map<const RecordNode*, uint32_t> position;
        position.reserve(records.size());
        for (size_t i = 0; i < records.size(); ++i) {
            position.emplace(records[i], static_cast<uint32_t>(i));
        }
        order.positions.resize(records.size());
        for (size_t i = 0; i < records.size(); ++i) order.positions[i] = position[order.nodes[i]];
    }
    return order;
}

bool CachedTable::HasOrder(const std::vector<TRidovField*>& keys) const {
    return orders_.count(KeyOf(keys)) != 0;
}

const std::vector<uint32_t>& CachedTable::OrderBy(const std::vector<TRidovField*>& keys) {
    return OrderFor(keys).positions;
}

const NodeList& CachedTable::RecordsOrderedBy(const std::vector<TRidovField*>& keys) {
    return OrderFor(keys).nodes;
}

TableCache& TableCache::Instance() {
    static TableCache cache;
    return cache;
}

bool TableCache::Cacheable(const platform::FileIdentity& identity) {
    int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
    return identity.modifiedSeconds + kSettleSeconds < now;
}

std::shared_ptr<CachedTable> TableCache::Find(const std::string& path,
                                              const platform::FileIdentity& identity) {
    auto it = entries_.find(path);
    if (it == entries_.end()) return nullptr;
    if (!(it->second.identity == identity)) {
        entries_.erase(it);
        return nullptr;
    }
    it->second.lastUse = ++clock_;
    return it->second.table;
}

std::shared_ptr<CachedTable> TableCache::Insert(const std::string& path,
                                                const platform::FileIdentity& identity,
                                                std::unique_ptr<TRidovCursor> store,
                                                std::span<const uint8_t> image) {
    auto table = std::make_shared<CachedTable>();
    for (RecordNode* node : store->Nodes())
        if (node->IsLive()) table->records.push_back(node);
    table->enciphered = PasswordBlockOf(image, table->passwordBlock);
    table->store = std::move(store);
    Entry& e = entries_[path];
    e.identity = identity;
    e.table = table;
    e.lastUse = ++clock_;
    Trim();
    return table;
}

void TableCache::Clear() {
    entries_.clear();
}

void TableCache::SetCapacity(size_t capacity) {
    capacity_ = capacity;
    Trim();
}

void TableCache::Trim() {
    while (entries_.size() > capacity_) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        entries_.erase(oldest);
    }
}

void SortRecordsByKeys(NodeList& records, const std::vector<TRidovField*>& keys) {
    if (keys.empty() || records.size() < 2) return;
    SortRecordNodes(records, keys, false, false);
}

}  // namespace ridov
