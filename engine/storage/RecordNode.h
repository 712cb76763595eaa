// One record of a record store: its values, its change state and its place
// in the image size bookkeeping. The application's user data and the
// before-image of a record are kept by the store beside the nodes
// (TRidovCursor::UserData, TRidovCursor::BeforeImage), since almost no
// record has either and a million nodes should not each carry a pointer:
// a node is 16 bytes. Nodes live in the store's
// node pool; a node reference stays valid until the store is cleared or destroyed, which is what
// lets datasets use it as a bookmark.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/MemoryRegion.h"

namespace ridov {

enum RecordStatus : uint8_t {
    rsUnchanged = 0,
    rsModified = 1,
    rsInserted = 2,  // added since the last commit
    rsDeleted = 3,   // deleted but revertible; values kept
    rsRemoved = 4,   // gone for good; values freed
};

struct RecordNode {
    uint8_t* values = nullptr;  // current value buffer; null once removed
    uint32_t storedSize = 0;    // bytes of this record in a table image
    RecordStatus status = rsUnchanged;

    bool IsLive() const { return status != rsDeleted && status != rsRemoved; }
};

// A list of records: a store's records, a view's rows, a query's rows. A
// large table has one entry per record in several of them, so big lists
// live in large memory regions.
using NodeList = std::vector<RecordNode*, platform::RegionAllocator<RecordNode*>>;

static_assert(sizeof(void*) != 8 || sizeof(RecordNode) == 16,
              "a million nodes are resident with every table: keep a node small");

}  // namespace ridov
