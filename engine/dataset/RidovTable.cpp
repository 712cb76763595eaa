#include "engine/dataset/RidovTable.h"

#include <cstring>

#include "engine/storage/DatabaseError.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

void PutI32(std::vector<uint8_t>& out, int32_t v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}

// The type letter (and size digits) of a definition in a field description.
std::string TypeLetters(const FieldDef& def) {
    FieldType t = EngineTypeOf(def.type, def.size);
    if (t == ftSmallStr) {
        int size = def.size < 0 ? 0 : def.size;
        return std::string(1, size < 10 ? char('0' + size) : char('A' + size - 10));
    }
    if (t == ftString) return "s" + std::to_string(def.size);
    char letter = FieldTypeLetter(t);
    return letter ? std::string(1, letter) : std::string("s");
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
    std::string section;
    for (const FieldDef& def : defs) {
        std::string name = def.name;
        for (char& c : name)
            if (c == ' ') c = '_';
        section += "XXX." + name + " " + TypeLetters(def) + '\x12';
    }
    section += '\x14';
    std::vector<uint8_t> image;
    image.reserve(section.size() + 17);
    PutI32(image, static_cast<int32_t>(section.size() + 17));
    image.push_back('S');
    PutI32(image, 0);
    PutI32(image, defs.Count());
    PutI32(image, static_cast<int32_t>(section.size()));
    image.insert(image.end(), section.begin(), section.end());
    LoadFromStream(std::move(image));
}

void TRidovTable::OpenData() {
    switch (loadMode_) {
        case lmClear:
            CreateFromDefinitions();
            break;
        case lmFile: {
            std::string name = FullTableName();
            platform::Platform& os = platform::CurrentPlatform();
            std::vector<uint8_t> bytes;
            std::string error;
            if (!os.FileExists(name) || !os.ReadWholeFile(name, bytes, error))
                Fail("Error opening file " + name);
            LoadFromStream(std::move(bytes));
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

void TRidovTable::InternalClose() {
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
