#include "engine/storage/TablePreload.h"

#include <system_error>
#include <utility>

#include "engine/storage/ContentHash.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/TableImage.h"
#include "platform/MemoryRegion.h"

namespace ridov {

TablePreload::TablePreload(TRidovSession& session, const std::string& path,
                           const text::FormatSettings& fs)
    : identity_(platform::GetFileIdentity(path)), fs_(&fs) {
    if (!identity_) return;
    try {
        thread_ = std::thread([this, &session, path] { Read(session, path); });
    } catch (const std::system_error&) {
        // No thread: nothing is read ahead; the dataset reads the file.
    }
}

TablePreload::~TablePreload() {
    if (thread_.joinable()) thread_.join();
}

void TablePreload::Read(TRidovSession& session, const std::string& path) {
    try {
        platform::RegionBuffer bytes;
        std::string error;
        if (!session.Platform().ReadWholeFile(path, bytes, error, identity_->size)) return;
        if (platform::GetFileIdentity(path) != identity_ || bytes.size() != identity_->size) return;
        const std::span<uint8_t> image = bytes.Bytes();
        if (!IsPlainImage(image)) return;
        PreloadedTable table;
        table.imageSize = image.size();
        table.imageHash = ContentHash64(image);
        table.store = std::make_unique<TRidovCursor>(session, *fs_);
        std::string message;
        if (!table.store->ReadImage(image, message) || !message.empty()) return;
        table_ = std::move(table);
    } catch (...) {
        // Out of memory or the like: the dataset's own read will say so.
        table_.reset();
    }
}

std::optional<PreloadedTable> TablePreload::Take(const std::string& path) {
    if (!identity_ || platform::GetFileIdentity(path) != identity_) return std::nullopt;
    if (thread_.joinable()) thread_.join();
    identity_.reset();
    return std::exchange(table_, std::nullopt);
}

}  // namespace ridov
