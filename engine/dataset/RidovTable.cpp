#include "engine/dataset/RidovTable.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "engine/storage/ContentHash.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "platform/MemoryRegion.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

// Images of this many bytes or more are hashed on a thread of their own.
constexpr size_t kHashBesideFrom = size_t(1) << 20;

// The field an empty table built from `def` declares.
TRidovField FieldOf(const FieldDef& def) {
    TRidovField f;
    f.qualifier = "XXX";
    f.name = def.name;
    f.type = EngineTypeOf(def.type, def.size);
    // A negative size declares an empty string. REQUIRES: size up to
    // kMaxDeclaredSize.
    if (IsTextType(f.type)) f.declaredSize = static_cast<int16_t>(std::max(def.size, 0));
    return f;
}

}  // namespace

TRidovTable::TRidovTable() = default;

TRidovTable::~TRidovTable() {
    // Close here, while the clone detaching below is still this class's.
    CloseForDestruction();
    if (cloneDS_) RemoveCloneReferrer(*cloneDS_, *this);
}

void TRidovTable::SetTableName(const std::string& name) {
    if (name == tableName_) return;
    Close();
    tableName_ = name;
    SetLoadMode(name.empty() ? lmClear : lmFile);
}

void TRidovTable::SetLoadMode(TRidovLoadMode mode) {
    if (mode == loadMode_) return;
    Close();
    loadMode_ = mode;
}

void TRidovTable::SetCloneDS(TRidovDataset* source) {
    if (source != cloneDS_) {
        if (loadMode_ == lmClone) Close();
        if (cloneDS_) RemoveCloneReferrer(*cloneDS_, *this);
        cloneDS_ = source;
        if (cloneDS_) AddCloneReferrer(*cloneDS_, *this);
    }
    SetLoadMode(source ? lmClone : lmClear);
}

void TRidovTable::CloneSourceDestroyed() {
    try {
        Close();
    } catch (...) {
    }
    UnlinkClone(*this);
    cloneDS_ = nullptr;
    loadMode_ = lmClear;
}

void TRidovTable::SetDatabase(TRidovDatabase* database) {
    TRidovDataset::SetDatabase(database);
    if (database && !database->DatabasePath().empty() && !tableName_.empty()) {
        size_t sep = tableName_.find_last_of("/\\");
        if (sep != std::string::npos) tableName_ = tableName_.substr(sep + 1);
    }
}

std::string TRidovTable::FullTableName() const {
    bool hasFolder = tableName_.find_first_of("/\\") != std::string::npos;
    if (hasFolder || database_ == nullptr) return tableName_;
    return database_->DatabasePath() + tableName_;
}

const std::string& TRidovTable::Comment() const {
    CheckActive();
    return store_->Comment();
}

void TRidovTable::SetComment(const std::string& comment) {
    CheckActive();
    store_->SetComment(comment);
    IncChange();
}

void TRidovTable::CreateFromDefinitions() {
    const FieldDefs& defs = GetFieldDefs();
    if (defs.Empty()) Fail("Error creating table (no field descriptions)");
    std::vector<TRidovField> fields;
    for (const FieldDef& def : defs) {
        if (def.size > kMaxDeclaredSize) {
            Fail("Error creating table: Field '" + def.name + "' has wrong size " +
                 std::to_string(def.size));
        }
        fields.push_back(FieldOf(def));
    }
    std::vector<uint8_t> image;
    std::string message;
    if (!EmptyTableImage(fields, image, message)) Fail("Error creating table: " + message);
    LoadFromStream(std::move(image));
}

void TRidovTable::OpenData() {
    switch (loadMode_) {
        case lmClear:
            CreateFromDefinitions();
            break;
        case lmFile: {
            std::string name = FullTableName();
            memoKey_.reset();
            // The records may have been read ahead (at the program's start).
            if (!ownStore_) {
                if (std::optional<PreloadedTable> ahead = session_->TakePreloadedTable(name)) {
                    if (rememberSortOrder_)
                        memoKey_ = SortOrderKey{ahead->imageSize, ahead->imageHash, {}};
                    AdoptLoadedStore(std::move(ahead->store));
                    break;
                }
            }
            platform::Platform& os = session_->Platform();
            platform::RegionBuffer bytes;
            std::string error;
            if (!os.FileExists(name) || !os.ReadWholeFile(name, bytes, error, kMaxImageSize))
                Fail("Error opening file " + name);
            if (!rememberSortOrder_) {
                LoadImage(bytes.Bytes());
                break;
            }
            // A plain image is hashed beside its reading, which leaves its
            // bytes as they are; an enciphered one is deciphered in place,
            // so it is hashed before.
            const std::span<const uint8_t> image = bytes.Bytes();
            uint64_t hash = 0;
            std::jthread hashing;
            if (IsPlainImage(image) && image.size() >= kHashBesideFrom) {
                try {
                    hashing = std::jthread([&hash, image] { hash = ContentHash64(image); });
                } catch (const std::system_error&) {
                }
            }
            if (!hashing.joinable()) hash = ContentHash64(image);
            LoadImage(bytes.Bytes());
            if (hashing.joinable()) hashing.join();
            memoKey_ = SortOrderKey{bytes.size(), hash, {}};
            break;
        }
        case lmClone:
            if (cloneDS_ == nullptr || !cloneDS_->Active() || cloneDS_->Cursor() == nullptr)
                Fail("Cloned table is not active!");
            LinkClone(*cloneDS_, *this);
            break;
        case lmStream:
            if (loadStream == nullptr) Fail("Loading stream is not assigned");
            LoadFromStream(*loadStream);
            break;
    }
}

bool TRidovTable::RememberedSortOrder(RecordOrder& order) {
    if (!memoKey_ || Cursor() == nullptr) return false;
    memoKey_->sortSignature = SortSignature();
    if (!ReadSortOrderMemo(session_->Platform(), SortOrderMemoPath(FullTableName()), *memoKey_,
                           Cursor()->Nodes().size(), order)) {
        return false;
    }
    memoKey_.reset();
    return true;
}

void TRidovTable::SortOrderFound(const RecordOrder& order) {
    if (!memoKey_) return;
    memoKey_->sortSignature = SortSignature();
    (void)WriteSortOrderMemo(session_->Platform(), SortOrderMemoPath(FullTableName()), *memoKey_,
                             order);
    memoKey_.reset();
}

void TRidovTable::InternalClose() {
    memoKey_.reset();
    TRidovDataset::InternalClose();
    // A clone drops its reference to the shared store.
    UnlinkClone(*this);
}

void TRidovTable::WriteData() {
    if (!Modified()) return;
    std::string target;
    if (loadMode_ == lmClone) {
        if (auto* source = dynamic_cast<TRidovTable*>(cloneDS_)) target = source->FullTableName();
    } else if (loadMode_ == lmFile) {
        target = FullTableName();
    }
    if (!target.empty()) SaveToFile(target);
    if (loadMode_ == lmClone && cloneDS_ && cloneDS_->Active()) cloneDS_->RebuildView(false);
}

}  // namespace ridov
