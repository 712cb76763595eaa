// TableCache: parsed table files kept between query runs.
//
// The order view re-runs on every order line and reads the whole catalog
// each time; parsing and sorting a large catalog costs far more than the
// rest of the query. A file table that the query does not own for writing
// (any table but the origin) can instead be taken from this cache when the
// file is provably unchanged since it was parsed: same path, device, inode,
// size and modification time (nanoseconds). Files modified within the last
// few seconds are never cached, so that two writes within one tick of the
// file system's clock cannot hide a change.
//
// What is cached gives exactly what a fresh read would:
//   * the record store as ReadImage leaves it without a load filter (the
//     records in store order); a load filter would keep the subsequence of
//     those records that pass, in the same order, and that is how the
//     executor filters a cached store;
//   * orders of the records by key lists, made by SortRecordsByKeys on the
//     store order, the same function the executor applies to a freshly read
//     store, so a join sees the same sequence either way.
// Stores with an auto-increment field are not cached: reading sorts them by
// that field, which a filtered read does differently.
//
// An enciphered image is cached with its password block; the executor has
// the session check the password again on every use, so a run without the
// right password fails as a fresh read would.
//
// Entries are shared: a query keeps its entry alive while it runs even if
// the cache drops it. The cache holds at most `Capacity()` files and drops
// the one used longest ago.
//
// Thread safety: single-threaded; the process's instance belongs to the GUI
// thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/TableImage.h"
#include "platform/FileIdentity.h"

namespace ridov {

struct CachedTable {
    std::unique_ptr<TRidovCursor> store;
    // Live records in store order.
    NodeList records;
    bool enciphered = false;
    uint8_t passwordBlock[kPasswordBlockSize] = {};

    // Positions into `records`, ordered by the key fields (fields of
    // `store`) as SortRecordsByKeys orders them; built on first use.
    const std::vector<uint32_t>& OrderBy(const std::vector<TRidovField*>& keys);
    // True when that order has been built already.
    bool HasOrder(const std::vector<TRidovField*>& keys) const;
    // The same order as record references.
    const NodeList& RecordsOrderedBy(const std::vector<TRidovField*>& keys);

  private:
    struct Order {
        std::vector<uint32_t> positions;
        NodeList nodes;
    };
    Order& OrderFor(const std::vector<TRidovField*>& keys);
    std::map<std::string, Order> orders_;
};

class TableCache {
  public:
    TableCache() = default;
    TableCache(const TableCache&) = delete;
    TableCache& operator=(const TableCache&) = delete;

    // The process's cache, used by queries on the process's session. It is
    // process-wide for the same reason the session is: a file parsed by one
    // query is worth reusing by any other (the order view, the product
    // lookup, a batch conversion), and the stores it holds were read with
    // that one session, so a cache per query or per form would parse the
    // same catalog again for each of them.
    static TableCache& Instance();

    // The entry for the file in this exact state, or null.
    std::shared_ptr<CachedTable> Find(const std::string& path,
                                      const platform::FileIdentity& identity);
    // True when a file in this state may be cached at all (not modified
    // recently).
    static bool Cacheable(const platform::FileIdentity& identity);
    // Takes a store just read from the file in this state (any load filter
    // off) and returns the new entry. Replaces an older entry of the path.
    std::shared_ptr<CachedTable> Insert(const std::string& path,
                                        const platform::FileIdentity& identity,
                                        std::unique_ptr<TRidovCursor> store,
                                        std::span<const uint8_t> image);
    void Clear();
    size_t Size() const { return entries_.size(); }
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t capacity);

  private:
    struct Entry {
        platform::FileIdentity identity;
        std::shared_ptr<CachedTable> table;
        uint64_t lastUse = 0;
    };
    void Trim();

    std::map<std::string, Entry> entries_;
    size_t capacity_ = 4;
    uint64_t clock_ = 0;
};

// Orders live record references ascending by the key fields, in the order
// of CompareValues compared case-sensitively (the first difference
// decides). Not stable, but deterministic: the same sequence in gives the
// same sequence out. Every record order the query derives from a store
// goes through this one function, which is what makes a cached order equal
// to a fresh one.
void SortRecordsByKeys(NodeList& records, const std::vector<TRidovField*>& keys);

}  // namespace ridov
