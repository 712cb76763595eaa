#include "engine/dataset/SortOrderMemo.h"

#include <cstring>
#include <vector>

#include "engine/storage/ContentHash.h"
#include "engine/util/ByteReader.h"
#include "platform/MemoryRegion.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

constexpr char kMagic[8] = {'Z', 'V', 'S', 'O', 'R', 'T', '0', '1'};
// A memo is never larger than this plus four bytes per record.
constexpr size_t kFixedPart = 8 + 8 + 8 + 4 + 4 + 8;
constexpr size_t kMaxSignature = 1 << 16;

}  // namespace

std::string SortOrderMemoPath(const std::string& tableFile) {
    return tableFile + ".sort";
}

bool ReadSortOrderMemo(platform::Platform& os, const std::string& path, const SortOrderKey& key,
                       size_t recordCount, RecordOrder& order) {
    if (recordCount > UINT32_MAX || key.sortSignature.size() > kMaxSignature) return false;
    const size_t expected = kFixedPart + key.sortSignature.size() + 4 * recordCount;
    platform::RegionBuffer memo;
    std::string error;
    if (!os.ReadWholeFile(path, memo, error, expected)) return false;
    if (memo.size() != expected) return false;
    const std::span<const uint8_t> bytes(memo.data(), memo.size());

    util::ByteReader r(bytes);
    const uint8_t* magic;
    uint64_t imageSize, imageHash, check;
    uint32_t count, signatureLength;
    const uint8_t* signature;
    if (!r.GetBytes(sizeof kMagic, magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0 ||
        !r.GetU64(imageSize) || !r.GetU64(imageHash) || !r.GetU32(count) ||
        !r.GetU32(signatureLength) || imageSize != key.imageSize || imageHash != key.imageHash ||
        count != recordCount || signatureLength != key.sortSignature.size() ||
        !r.GetBytes(signatureLength, signature) ||
        std::memcmp(signature, key.sortSignature.data(), signatureLength) != 0) {
        return false;
    }
    const size_t positionsAt = r.Position();
    const size_t checkAt = bytes.size() - 8;
    r.Seek(checkAt);
    if (!r.GetU64(check) || check != ContentHash64(bytes.first(checkAt))) return false;

    // Every record exactly once.
    RecordOrder positions(recordCount);
    std::vector<uint8_t> seen(recordCount, 0);
    const uint8_t* p = bytes.data() + positionsAt;
    for (size_t i = 0; i < recordCount; ++i, p += 4) {
        const uint32_t at =
            uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        if (at >= recordCount || seen[at]) return false;
        seen[at] = 1;
        positions[i] = at;
    }
    order.swap(positions);
    return true;
}

bool WriteSortOrderMemo(platform::Platform& os, const std::string& path, const SortOrderKey& key,
                        const RecordOrder& order) {
    if (order.size() > UINT32_MAX || key.sortSignature.size() > kMaxSignature) return false;
    std::vector<uint8_t, platform::RegionAllocator<uint8_t>> bytes;
    bytes.reserve(kFixedPart + key.sortSignature.size() + 4 * order.size());
    bytes.insert(bytes.end(), kMagic, kMagic + sizeof kMagic);
    util::PutLittle(bytes, key.imageSize);
    util::PutLittle(bytes, key.imageHash);
    util::PutLittle(bytes, static_cast<uint32_t>(order.size()));
    util::PutLittle(bytes, static_cast<uint32_t>(key.sortSignature.size()));
    bytes.insert(bytes.end(), key.sortSignature.begin(), key.sortSignature.end());
    for (uint32_t at : order) util::PutLittle(bytes, at);
    util::PutLittle(bytes, ContentHash64(bytes));
    std::string error;
    return os.WriteFileAtomically(path, bytes, error);
}

}  // namespace ridov
