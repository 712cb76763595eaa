// The table image: the byte layout of one table file, and its reader and
// writer (members of the record store).
//
// All integers little-endian; all text single-byte Windows-1251.
//
//   image        := ImageSize:u32  Signature:u8  [PasswordBlock:40]
//                   RecordCount:i32  FieldCount:i32  DescriptionLength:i32
//                   description  [comment]  record*
//   Signature    := 'S' plain | 'P' enciphered (PasswordBlock present)
//                 | 'E' error image: the bytes after it up to the first 0
//                   are an error text, and nothing else follows
//   PasswordBlock:= GUID text (38 chars "{8-4-4-4-12}") enciphered with the
//                   table password, then CRC-16/MODBUS of the 38 plain
//                   characters (u16, low byte first, plain)
//   description  := (entry 0x12)* 0x14             -- DescriptionLength bytes
//   entry        := [qualifier '.'] name ' ' letter [size] ['~' default '~' extra]
//                   letter: l i e b f c d v t a o m r g (fixed types),
//                   '0'-'9' 'A'-'Z' (SmallStr of size 0-35), 's' [digits]
//                   (String; no digits = size 100)
//   comment      := '*' length:i16 bytes[length]
//   record       := lengths:u8[FieldCount]  value*  -- one value per non-zero length
//   value        := bytes[length]                   -- codes 1-11
//                 | count:i32 bytes[count]          -- codes 12-16, length byte 4
//
// With 'P' everything after the description (comment and records) is
// enciphered as one stream with Sapphire II keyed by the 38 GUID characters.
// An empty value (0, 0.0, false, empty text, no block) is written as length
// 0, so the file does not tell a null from a zero.

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/storage/Crc16.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/RunTogether.h"
#include "engine/storage/TableImage.h"
#include "engine/storage/TextInterner.h"
#include "engine/storage/ValueSlot.h"
#include "engine/util/ByteReader.h"

namespace ridov {

namespace {

constexpr char kCorruption[] = "Buffer structure corruption!";
constexpr char kBadDescription[] = "Error in buffer structure (field description section)";
constexpr char kUnexpectedEnd[] = "Unexpected end of buffer";
constexpr uint8_t kEntryEnd = 0x12;
constexpr uint8_t kSectionEnd = 0x14;
constexpr int32_t kMaxStringLength = 8191;
constexpr int32_t kMaxBlobLength = 0x3FFFFFFF;
constexpr size_t kGuidLength = 38;

std::string FormatMessage(const char* pattern, std::string_view name, int32_t a, int32_t b) {
    // Patterns hold '%s' then two '%d'.
    std::string out;
    const char* p = pattern;
    int arg = 0;
    while (*p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (p[1] == 's') {
                out += name;
            } else {
                out += std::to_string(arg++ == 0 ? a : b);
            }
            p += 2;
        } else {
            out += *p++;
        }
    }
    return out;
}

const TRidovField& Deref(const TRidovField& f) {
    return f;
}
const TRidovField& Deref(const TRidovField* f) {
    return *f;
}
const TRidovField& Deref(const std::unique_ptr<TRidovField>& f) {
    return *f;
}

template <typename Fields>
std::string BuildDescription(const Fields& fields) {
    std::string out;
    for (const auto& f : fields) AppendDescriptionEntry(out, Deref(f));
    out += static_cast<char>(kSectionEnd);
    return out;
}

// A size the entry of `f` can carry: the letter of a SmallStr holds 0-35,
// the digits of a String 0-32767.
bool WritableSize(const TRidovField& f) {
    if (f.type == ftSmallStr) return f.declaredSize >= 0 && f.declaredSize <= kMaxSmallStrSize;
    if (f.type == ftString) return f.declaredSize >= 0 && f.declaredSize <= kMaxDeclaredSize;
    return true;
}

}  // namespace

// ---- field descriptions ----

std::string TypeLetters(FieldType type, int declaredSize) {
    if (type == ftSmallStr) {
        return std::string(1, static_cast<char>(declaredSize < 10 ? '0' + declaredSize
                                                                  : 'A' + (declaredSize - 10)));
    }
    if (type == ftString) return std::string("s") + std::to_string(declaredSize);
    char letter = FieldTypeLetter(type);
    return std::string(1, letter ? letter : 's');
}

void AppendDescriptionEntry(std::string& section, const TRidovField& f) {
    section += f.qualifier;
    section += '.';
    if (f.name.empty()) section += '_';
    for (char c : f.name) section += static_cast<unsigned char>(c) <= ' ' ? '_' : c;
    section += ' ';
    section += TypeLetters(f.type, f.declaredSize);
    if (!f.defaultExpr.empty() || !f.extra.empty()) {
        section += '~';
        section += f.defaultExpr;
        section += '~';
        section += f.extra;
    }
    section += static_cast<char>(kEntryEnd);
}

std::string DescriptionSection(std::span<const TRidovField* const> fields) {
    return BuildDescription(fields);
}

bool ParseDescriptionEntry(std::string_view entry, TRidovField& f, std::string& message) {
    message = kBadDescription;
    size_t space = entry.find(' ');
    if (space == std::string_view::npos || space + 1 >= entry.size()) return false;
    std::string_view head = entry.substr(0, space);
    size_t dot = head.find('.');
    if (dot == std::string_view::npos) {
        f.qualifier = "XXX";
        f.name = std::string(head);
    } else {
        f.qualifier = std::string(head.substr(0, dot));
        f.name = std::string(head.substr(dot + 1));
    }
    std::string_view rest = entry.substr(space + 1);
    char letter = rest[0];
    size_t tilde = rest.find('~');
    if (letter == 's') {
        std::string_view after = rest.substr(1);
        int size = kDefaultStringSize;
        if (!after.empty()) {
            std::string_view digits = after.substr(0, after.find('~'));
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
            if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
                size < 0 || size > kMaxDeclaredSize) {
                message = kCorruption;
                return false;
            }
        }
        f.type = ftString;
        f.declaredSize = static_cast<int16_t>(size);
    } else {
        FieldType type;
        int size;
        if (!FieldTypeFromLetter(letter, type, size)) return false;
        f.type = type;
        f.declaredSize = static_cast<int16_t>(size);
    }
    f.slotSize = SlotSize(f.type, f.declaredSize);
    f.rightAligned = (f.type == ftSmallInt || f.type == ftInteger || f.type == ftInt64 ||
                      f.type == ftDouble || f.type == ftCurrency || f.type == ftAutoInc);
    f.defaultExpr.clear();
    f.extra.clear();
    if (tilde != std::string_view::npos) {
        std::string_view suffix = rest.substr(tilde + 1);
        size_t second = suffix.find('~');
        if (second == std::string_view::npos) {
            f.extra = std::string(suffix);
        } else {
            f.defaultExpr = std::string(suffix.substr(0, second));
            f.extra = std::string(suffix.substr(second + 1));
        }
    }
    message.clear();
    return true;
}

std::string DescriptionTooLongMessage(size_t length) {
    return "Field description section too long: " + std::to_string(length) + " bytes, at most " +
           std::to_string(kMaxDescriptionLength) + " (too many fields or too long field names)";
}

bool EmptyTableImage(std::span<const TRidovField> fields, std::vector<uint8_t>& image,
                     std::string& message) {
    image.clear();
    for (const TRidovField& f : fields) {
        if (!WritableSize(f)) {
            message = "Field '" + f.name + "' has wrong size " + std::to_string(f.declaredSize);
            return false;
        }
    }
    const std::string section = BuildDescription(fields);
    if (section.size() > size_t(kMaxDescriptionLength)) {
        message = DescriptionTooLongMessage(section.size());
        return false;
    }
    // ImageSize, Signature, RecordCount, FieldCount, DescriptionLength.
    constexpr size_t kHeaderSize = 4 + 1 + 4 + 4 + 4;
    image.reserve(kHeaderSize + section.size());
    util::PutLittle(image, static_cast<uint32_t>(kHeaderSize + section.size()));
    util::PutU8(image, 'S');
    util::PutLittle(image, int32_t(0));
    util::PutLittle(image, static_cast<int32_t>(fields.size()));
    util::PutLittle(image, static_cast<int32_t>(section.size()));
    image.insert(image.end(), section.begin(), section.end());
    return true;
}

bool IsPlainImage(std::span<const uint8_t> image) {
    // The signature follows ImageSize.
    return image.size() > 4 && image[4] == 'S';
}

bool PasswordBlockOf(std::span<const uint8_t> image, uint8_t (&block)[kPasswordBlockSize]) {
    // The block sits right after ImageSize and the signature.
    constexpr size_t kBlockAt = 4 + 1;
    if (image.size() < kBlockAt + kPasswordBlockSize || image[4] != 'P') return false;
    std::memcpy(block, image.data() + kBlockAt, kPasswordBlockSize);
    return true;
}

// ---- reading ----

namespace {

// Tables of this many records or more are read in pieces side by side.
constexpr int32_t kParallelReadFrom = 100000;
constexpr unsigned kMaxReadPieces = 8;

// What decoding needs of each field, flat, so that the per-record loop
// does not chase descriptor pointers.
struct FieldDecode {
    enum Kind : uint8_t { kNumber, kFloat, kShortText, kText, kBlock };
    uint32_t offset;
    uint16_t maxLength;  // longest value in the image; 4 for reference types
    uint16_t textLimit;  // SmallStr: characters before the terminator slot
    Kind kind;

    bool Reference() const { return kind == kText || kind == kBlock; }
};

std::vector<FieldDecode> DecodePlan(const std::vector<std::unique_ptr<TRidovField>>& fields) {
    std::vector<FieldDecode> plan;
    plan.reserve(fields.size());
    for (const auto& f : fields) {
        using K = FieldDecode::Kind;
        K kind = f->type == ftString     ? K::kText
                 : IsBlobType(f->type)   ? K::kBlock
                 : f->type == ftSmallStr ? K::kShortText
                 : (f->type == ftDouble || f->type == ftCurrency || f->type == ftDateTime)
                     ? K::kFloat
                     : K::kNumber;
        plan.push_back({f->offset,
                        static_cast<uint16_t>(IsReferenceType(f->type)
                                                  ? 4
                                                  : MaxImageLength(f->type, f->declaredSize)),
                        static_cast<uint16_t>(f->declaredSize), kind});
    }
    return plan;
}

struct DecodeError {
    enum What : uint8_t { kNone, kEnd, kLength, kTextLength, kBlockLength } what = kNone;
    size_t field = 0;
    int32_t value = 0;
    int32_t record = 0;  // filled in by the caller that knows it
};

std::string DescribeDecodeError(const DecodeError& e, const std::string& field, int32_t record) {
    switch (e.what) {
        case DecodeError::kLength:
            return FormatMessage("Field '%s' has wrong length %d in record %d", field, e.value,
                                 record);
        case DecodeError::kTextLength:
            return FormatMessage("String field '%s' has wrong length %d in record %d", field,
                                 e.value, record);
        case DecodeError::kBlockLength:
            return FormatMessage("BLOB field '%s' has wrong length %d in record %d", field, e.value,
                                 record);
        default:
            return kUnexpectedEnd;
    }
}

// Reads one record (its lengths, then its values) from `r` into `values`
// (zeroed, one record's slots): fixed values copied, texts shared through
// `interner` when given, else copied into `arena`. `storedSize` is the
// record's size in an image, as StoredSize would compute it from the
// decoded values.
bool DecodeRecord(util::ByteReader& r, const std::vector<FieldDecode>& plan, uint8_t* values,
                  Arena& arena, TextInterner* interner, uint32_t& storedSize, DecodeError& error) {
    const size_t fields = plan.size();
    const uint8_t* lengths;
    if (!r.GetBytes(fields, lengths)) {
        error.what = DecodeError::kEnd;
        return false;
    }
    storedSize = static_cast<uint32_t>(fields);
    for (size_t i = 0; i < fields; ++i) {
        const uint8_t length = lengths[i];
        if (length == 0) continue;
        const FieldDecode& d = plan[i];
        const bool reference = d.Reference();
        if (reference ? length != 4 : length > d.maxLength) {
            error = {DecodeError::kLength, i, length};
            return false;
        }
        uint8_t* s = values + d.offset;
        const uint8_t* bytes;
        if (!reference) {
            if (!r.GetBytes(length, bytes)) {
                error.what = DecodeError::kEnd;
                return false;
            }
            std::memcpy(s, bytes, length);
            if (d.kind == FieldDecode::kShortText) {
                const void* z = std::memchr(bytes, 0, length);
                size_t n = z ? size_t(static_cast<const uint8_t*>(z) - bytes) : length;
                storedSize += static_cast<uint32_t>(std::min<size_t>(n, d.textLimit));
            } else if (d.kind == FieldDecode::kFloat) {
                if (slot::Load<double>(s) != 0.0) storedSize += 8;
            } else {
                for (size_t k = 0; k < length; ++k) {
                    if (bytes[k]) {
                        storedSize += d.maxLength;
                        break;
                    }
                }
            }
            continue;
        }
        int32_t count;
        if (!r.GetI32(count)) {
            error.what = DecodeError::kEnd;
            return false;
        }
        if (d.kind == FieldDecode::kText) {
            if (count < 0 || count > kMaxStringLength) {
                error = {DecodeError::kTextLength, i, count};
                return false;
            }
            if (!r.GetBytes(size_t(count), bytes)) {
                error.what = DecodeError::kEnd;
                return false;
            }
            if (interner && count > 0 && uint32_t(count) <= TextInterner::kMaxLength) {
                slot::StoreTagged(
                    s, reinterpret_cast<uintptr_t>(interner->Intern(bytes, uint32_t(count))));
            } else {
                slot::SetArenaText(s, arena, bytes, uint32_t(count));
            }
        } else {
            if (count < 0 || count > kMaxBlobLength) {
                error = {DecodeError::kBlockLength, i, count};
                return false;
            }
            if (!r.GetBytes(size_t(count), bytes)) {
                error.what = DecodeError::kEnd;
                return false;
            }
            if (count > 0) slot::SetArenaBlock(s, arena, bytes, count);
        }
        if (count > 0) storedSize += uint32_t(count) + 4;
    }
    return true;
}

// Where each of `pieces` runs of records starts in `records` (offsets,
// with the end of the last record appended), the runs holding
// recordCount * k / pieces records each. False when the records do not
// all fit in the bytes: the reader then reads them one after another and
// reports what is wrong.
bool FindPieceStarts(std::span<const uint8_t> records, size_t fields,
                     const std::vector<FieldDecode>& plan, int32_t recordCount, unsigned pieces,
                     std::vector<size_t>& starts) {
    starts.assign(1, 0);
    const uint8_t* const begin = records.data();
    const uint8_t* const end = begin + records.size();
    const uint8_t* p = begin;
    unsigned next = 1;
    for (int32_t n = 0; n < recordCount; ++n) {
        if (int64_t(n) == int64_t(recordCount) * next / pieces) {
            starts.push_back(size_t(p - begin));
            ++next;
        }
        if (size_t(end - p) < fields) return false;
        const uint8_t* lengths = p;
        p += fields;
        for (size_t i = 0; i < fields; ++i) {
            const uint8_t length = lengths[i];
            if (length == 0) continue;
            if (!plan[i].Reference()) {
                if (size_t(end - p) < length) return false;
                p += length;
                continue;
            }
            if (length != 4 || end - p < 4) return false;
            const int32_t count = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 |
                                          uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
            p += 4;
            if (count < 0 || size_t(end - p) < size_t(count)) return false;
            p += count;
        }
    }
    starts.push_back(size_t(p - begin));
    return starts.size() == size_t(pieces) + 1;
}

// Enciphered bodies of this many bytes or more are deciphered on a thread
// of their own while the records are decoded behind it.
constexpr size_t kDecipherAheadFrom = 1 << 20;

// Deciphers `bytes` front to back on a thread of its own, a block at a
// time, so that a reader can decode what is already plain while the rest
// is deciphered (the cipher is a stream: it can only go in order). When no
// thread can be had, everything is deciphered at once. The destructor
// waits for the whole span to be plain.
class DecipherAhead {
  public:
    static constexpr size_t kBlock = 256 << 10;

    // REQUIRES: `cipher` keyed; nothing else uses it until destruction.
    DecipherAhead(TSapphire& cipher, std::span<uint8_t> bytes) : bytes_(bytes) {
        try {
            thread_ = std::thread([this, &cipher] {
                size_t done = 0;
                while (done < bytes_.size()) {
                    const size_t n = std::min(kBlock, bytes_.size() - done);
                    cipher.Decrypt(bytes_.data() + done, n);
                    done += n;
                    plain_.store(done, std::memory_order_release);
                    plain_.notify_all();
                }
            });
        } catch (const std::system_error&) {
            cipher.Decrypt(bytes_.data(), bytes_.size());
            plain_.store(bytes_.size(), std::memory_order_release);
        }
    }
    ~DecipherAhead() {
        if (thread_.joinable()) thread_.join();
    }
    DecipherAhead(const DecipherAhead&) = delete;
    DecipherAhead& operator=(const DecipherAhead&) = delete;

    // Waits until at least the first min(n, all) bytes are plain; returns
    // how many are.
    size_t WaitFor(size_t n) {
        n = std::min(n, bytes_.size());
        size_t now = plain_.load(std::memory_order_acquire);
        while (now < n) {
            plain_.wait(now, std::memory_order_acquire);
            now = plain_.load(std::memory_order_acquire);
        }
        return now;
    }

  private:
    std::span<uint8_t> bytes_;
    std::atomic<size_t> plain_{0};
    std::thread thread_;
};

}  // namespace

// Header, password check and field list; leaves `r` after the description.
static bool ReadHeader(TRidovCursor& store, util::ByteReader& r, uint8_t passwordBlock[40],
                       bool& enciphered, int32_t& recordCount, int32_t& fieldCount,
                       int32_t& descriptionLength, std::vector<TRidovField>& fields,
                       std::string& password, std::string& message,
                       std::span<const uint8_t> image) {
    uint32_t imageSize;
    uint8_t signature;
    if (!r.GetU32(imageSize) || !r.GetU8(signature)) {
        message = kCorruption;
        return false;
    }
    if (signature == 'E') {
        std::span<const uint8_t> rest = image.subspan(r.Position());
        auto zero = std::find(rest.begin(), rest.end(), uint8_t(0));
        message.assign(rest.begin(), zero);
        return false;
    }
    if (signature != 'S' && signature != 'P') {
        message = kCorruption;
        return false;
    }
    enciphered = signature == 'P';
    if (enciphered) {
        const uint8_t* block;
        if (!r.GetBytes(kPasswordBlockSize, block)) {
            message = kCorruption;
            return false;
        }
        std::memcpy(passwordBlock, block, kPasswordBlockSize);
        if (!store.Session().CheckPassword(passwordBlock, password)) {
            message = "Invalid password. Table cannot be open";
            return false;
        }
    }
    const uint8_t* section;
    if (!r.GetI32(recordCount) || !r.GetI32(fieldCount) || !r.GetI32(descriptionLength) ||
        descriptionLength < 0 || descriptionLength > kMaxDescriptionLength || fieldCount < 0 ||
        !r.GetBytes(size_t(descriptionLength), section)) {
        message = kCorruption;
        return false;
    }
    std::string_view text(reinterpret_cast<const char*>(section), size_t(descriptionLength));
    size_t pos = 0;
    fields.clear();
    for (int32_t i = 0; i < fieldCount; ++i) {
        // A section that ends before every declared field was described
        // leaves records that cannot be read: it is an error like a missing
        // terminator.
        size_t end = text.find(static_cast<char>(kEntryEnd), pos);
        if (end == std::string_view::npos || end == pos) {
            message = kBadDescription;
            return false;
        }
        TRidovField f;
        if (!ParseDescriptionEntry(text.substr(pos, end - pos), f, message)) return false;
        fields.push_back(std::move(f));
        pos = end + 1;
    }
    return true;
}

void TRidovCursor::AdoptFields(std::vector<TRidovField> fields, bool enciphered, int32_t fieldCount,
                               int32_t descriptionLength) {
    enciphered_ = enciphered;
    imageFieldCount_ = fieldCount;
    descriptionLength_ = descriptionLength;
    for (TRidovField& f : fields) fields_.push_back(std::make_unique<TRidovField>(std::move(f)));
    RecomputeLayout();
    for (auto& f : fields_) {
        if (f->type == ftAutoInc) {
            autoIncField_ = f.get();
            autoIncName_ = f->name;
            break;
        }
    }
}

bool TRidovCursor::ReadImageHeader(std::span<const uint8_t> image, std::string& message) {
    util::ByteReader r(image);
    int32_t recordCount, fieldCount, descriptionLength;
    std::vector<TRidovField> fields;
    uint8_t block[kPasswordBlockSize];
    bool enciphered = false;
    if (!ReadHeader(*this, r, block, enciphered, recordCount, fieldCount, descriptionLength, fields,
                    password_, message, image)) {
        Clear(true);
        return false;
    }
    AdoptFields(std::move(fields), enciphered, fieldCount, descriptionLength);
    return true;
}

bool TRidovCursor::ReadImage(std::span<uint8_t> image, std::string& message) {
    ++changeCount_;
    unreadBytes_ = 0;
    LoadFilterFn filter = loadFilter_;  // taken when the read starts
    auto fail = [&](std::string text) {
        message = std::move(text);
        if (partialOpen_) {
            SetUpAutoInc();
            return true;
        }
        Clear(true);
        return false;
    };

    util::ByteReader r(image);
    int32_t recordCount, fieldCount, descriptionLength;
    std::vector<TRidovField> parsed;
    bool enciphered = false;
    std::string why;
    if (!ReadHeader(*this, r, passwordBlock_, enciphered, recordCount, fieldCount,
                    descriptionLength, parsed, password_, why, image)) {
        return fail(why);
    }
    AdoptFields(std::move(parsed), enciphered, fieldCount, descriptionLength);

    // A big enciphered body is deciphered ahead of the decoding; `plainEnd`
    // is where the plain bytes end so far.
    const size_t bodyAt = r.Position();
    size_t plainEnd = image.size();
    std::optional<DecipherAhead> ahead;
    if (enciphered_) {
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(std::string_view(reinterpret_cast<const char*>(passwordBlock_), kGuidLength));
        if (r.Remaining() >= kDecipherAheadFrom) {
            ahead.emplace(cipher, image.subspan(bodyAt));
            // Room for the comment and then some.
            plainEnd = bodyAt + ahead->WaitFor(2 * DecipherAhead::kBlock);
        } else {
            cipher.Decrypt(image.data() + bodyAt, r.Remaining());
        }
    }

    size_t probe = recordCount != 0 ? size_t(fieldCount) : 3;
    if (r.Remaining() >= probe && r.Remaining() > 0) {
        uint8_t star;
        size_t at = r.Position();
        if (r.GetU8(star) && star == '*') {
            int16_t length;
            const uint8_t* bytes;
            if (!r.GetI16(length) || length < 0 || !r.GetBytes(size_t(length), bytes)) {
                return fail(kCorruption);
            }
            comment_.assign(reinterpret_cast<const char*>(bytes), size_t(length));
        } else {
            r.Seek(at);
        }
    }

    const size_t fields = fields_.size();
    int32_t accepted = 0;
    if (recordCount > 0 && fields > 0) {
        // Never trust the header for the reservation: each record needs at
        // least one byte per field.
        nodes_.reserve(std::min<size_t>(size_t(recordCount), r.Remaining() / fields));
    }
    const std::vector<FieldDecode> plan = DecodePlan(fields_);
    auto describe = [&](const DecodeError& e, int32_t record) {
        return DescribeDecodeError(e, fields_[e.field]->name, record);
    };

    // A big table without a load filter or progress reports is read in
    // pieces side by side, when its record boundaries can be found.
    unsigned pieces = readPieces_ != 0 ? readPieces_
                                       : PiecesFor(size_t(std::max(recordCount, 0)),
                                                   kParallelReadFrom, kMaxReadPieces);
    if (filter || onProgress || ahead || fields == 0 || int64_t(pieces) > recordCount) pieces = 1;
    std::vector<size_t> starts;
    if (pieces > 1 &&
        FindPieceStarts(image.subspan(r.Position()), fields, plan, recordCount, pieces, starts)) {
        struct Piece {
            Arena arena;
            std::vector<NodeChunk> chunks;
            NodeList nodes;
            DecodeError error;
        };
        std::vector<Piece> parts(pieces);
        const std::span<const uint8_t> records = image.subspan(r.Position());
        std::vector<std::function<void()>> tasks;
        for (unsigned k = 0; k < pieces; ++k) {
            tasks.push_back([&, k] {
                Piece& part = parts[k];
                const int32_t first = int32_t(size_t(recordCount) * k / pieces);
                const int32_t last = int32_t(size_t(recordCount) * (k + 1) / pieces);
                util::ByteReader in(records.subspan(starts[k], starts[k + 1] - starts[k]));
                TextInterner interner(part.arena);
                part.nodes.reserve(size_t(last - first));
                part.chunks.emplace_back().reserve(size_t(last - first));
                for (int32_t n = first; n < last; ++n) {
                    uint8_t* values = part.arena.Allocate(recordSize_, 1);
                    std::memset(values, 0, recordSize_);
                    uint32_t storedSize;
                    if (!DecodeRecord(in, plan, values, part.arena, &interner, storedSize,
                                      part.error)) {
                        part.error.record = n + 1;
                        return;
                    }
                    RecordNode& node = part.chunks.back().emplace_back();
                    node.values = values;
                    node.storedSize = storedSize;
                    part.nodes.push_back(&node);
                }
            });
        }
        RunTogether(tasks);
        unreadBytes_ = records.size() - starts.back();
        // In file order, up to the first damaged record.
        for (Piece& part : parts) {
            arena_.Adopt(std::move(part.arena));
            for (NodeChunk& c : part.chunks) nodeChunks_.push_back(std::move(c));
            nodes_.insert(nodes_.end(), part.nodes.begin(), part.nodes.end());
            accepted += int32_t(part.nodes.size());
            if (part.error.what != DecodeError::kNone)
                return fail(describe(part.error, part.error.record));
        }
    } else {
        // Equal texts share one copy, except under a load filter, whose
        // rejections give arena memory back.
        std::optional<TextInterner> interner;
        if (!filter) interner.emplace(arena_);
        int lastProgress = -1;
        // A table without fields holds no records: reading them would loop
        // without consuming input.
        while (fields > 0 && accepted < recordCount && r.Remaining() >= fields) {
            Arena::Mark mark = arena_.GetMark();
            // Slots are read with memcpy only, so records need no alignment
            // and lie back to back.
            uint8_t* values = arena_.Allocate(recordSize_, 1);
            std::memset(values, 0, recordSize_);
            uint32_t storedSize;
            DecodeError error;
            TextInterner* const texts = interner ? &*interner : nullptr;
            bool decoded;
            if (plainEnd == image.size()) {
                decoded = DecodeRecord(r, plan, values, arena_, texts, storedSize, error);
            } else {
                // Behind the deciphering: read only plain bytes, and a
                // record that runs past them again once all are plain.
                if (plainEnd - r.Position() < DecipherAhead::kBlock)
                    plainEnd =
                        bodyAt + ahead->WaitFor(r.Position() - bodyAt + 2 * DecipherAhead::kBlock);
                util::ByteReader plain(image.first(plainEnd));
                plain.Seek(r.Position());
                decoded = DecodeRecord(plain, plan, values, arena_, texts, storedSize, error);
                if (!decoded && error.what == DecodeError::kEnd && plainEnd < image.size()) {
                    plainEnd = bodyAt + ahead->WaitFor(image.size() - bodyAt);
                    std::memset(values, 0, recordSize_);
                    error = {};
                    decoded = DecodeRecord(r, plan, values, arena_, texts, storedSize, error);
                } else {
                    r.Seek(plain.Position());
                }
            }
            if (!decoded) return fail(describe(error, accepted + 1));
            RecordNode* node = NewNode();
            node->values = values;
            node->storedSize = storedSize;
            if (filter && !filter(*this, *node)) {
                // Give the node and its memory back.
                nodeChunks_.back().pop_back();
                arena_.Rewind(mark);
            } else {
                nodes_.push_back(node);
                ++accepted;
            }
            if (onProgress && recordCount > 0) {
                int percent = static_cast<int>(std::lround(100.0 * accepted / recordCount));
                if (percent != lastProgress) {
                    lastProgress = percent;
                    onProgress(percent);
                }
            }
        }
        unreadBytes_ = r.Remaining();
    }
    if (accepted != recordCount && !filter) {
        return fail(
            FormatMessage("Number of records read (%d) does not match declared record count (%d)",
                          "", accepted, recordCount));
    }
    SetUpAutoInc();
    return true;
}

// ---- writing ----

bool TRidovCursor::CanWriteImage(std::string& message) const {
    for (const auto& f : fields_) {
        if (!WritableSize(*f)) {
            message = "Field '" + f->name + "' has wrong size " + std::to_string(f->declaredSize);
            return false;
        }
    }
    const size_t length = BuildDescription(fields_).size();
    if (length > size_t(kMaxDescriptionLength)) {
        message = DescriptionTooLongMessage(length);
        return false;
    }
    return true;
}

size_t TRidovCursor::ImageSizeEstimate() const {
    size_t size = 4 + 1 + (password_.empty() ? 0 : kPasswordBlockSize) + 12 +
                  BuildDescription(fields_).size();
    if (!comment_.empty()) size += std::min<size_t>(comment_.size(), 32767) + 3;
    for (const RecordNode* node : nodes_) {
        if (node->IsLive()) size += node->storedSize;
    }
    return size;
}

size_t TRidovCursor::WriteImageHead(std::vector<uint8_t>& out, ImageSeal& seal) {
    const size_t start = out.size();
    const bool encipher = !password_.empty();
    util::PutLittle<std::vector<uint8_t>, uint32_t>(out, 0);
    util::PutU8(out, encipher ? 'P' : 'S');
    seal.guid.clear();
    if (encipher) {
        seal.guid = session_->NewGuidText();
        uint8_t block[kPasswordBlockSize];
        std::memcpy(block, seal.guid.data(), kGuidLength);
        uint16_t crc = Crc16(block, kGuidLength);
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(password_);
        cipher.Encrypt(block, kGuidLength);
        block[38] = static_cast<uint8_t>(crc & 0xFF);
        block[39] = static_cast<uint8_t>(crc >> 8);
        out.insert(out.end(), block, block + kPasswordBlockSize);
    }
    seal.countAt = out.size() - start;
    util::PutLittle<std::vector<uint8_t>, int32_t>(out, 0);
    util::PutLittle<std::vector<uint8_t>, int32_t>(out, static_cast<int32_t>(fields_.size()));
    std::string description = BuildDescription(fields_);
    util::PutLittle<std::vector<uint8_t>, int32_t>(out, static_cast<int32_t>(description.size()));
    out.insert(out.end(), description.begin(), description.end());
    imageFieldCount_ = static_cast<int32_t>(fields_.size());
    descriptionLength_ = static_cast<int32_t>(description.size());
    seal.bodyAt = out.size() - start;

    if (!comment_.empty()) {
        size_t n = std::min<size_t>(comment_.size(), 32767);
        util::PutU8(out, '*');
        util::PutLittle<std::vector<uint8_t>, int16_t>(out, static_cast<int16_t>(n));
        out.insert(out.end(), comment_.begin(), comment_.begin() + std::ptrdiff_t(n));
    }
    return out.size() - start;
}

void TRidovCursor::SealImage(std::span<uint8_t> image, const ImageSeal& seal,
                             int32_t records) const {
    util::PokeLittle<int32_t>(image.data() + seal.countAt, records);
    util::PokeLittle<uint32_t>(image.data(), static_cast<uint32_t>(image.size()));
    if (!seal.guid.empty()) {
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(seal.guid);
        cipher.Encrypt(image.data() + seal.bodyAt, image.size() - seal.bodyAt);
    }
}

size_t TRidovCursor::WriteImage(std::vector<uint8_t>& out) {
    const size_t start = out.size();
    ImageSeal seal;
    WriteImageHead(out, seal);

    // Records are written through a raw cursor into room reserved from the
    // stored sizes, which are exact; the room grows only if they ever are
    // not.
    const size_t fields = fields_.size();
    size_t pos = out.size();
    size_t needed = 0;
    for (const RecordNode* node : nodes_) {
        if (node->IsLive()) needed += node->storedSize;
    }
    out.resize(pos + needed);
    auto room = [&](size_t n) {
        if (out.size() - pos < n) out.resize(std::max(pos + n, out.size() + out.size() / 2));
        return out.data() + pos;
    };
    int32_t written = 0;
    int lastProgress = -1;
    for (size_t index = 0; index < nodes_.size(); ++index) {
        const RecordNode* node = nodes_[index];
        if (node->IsLive()) {
            ++written;
            room(fields);
            const size_t lengthsAt = pos;
            pos += fields;
            for (size_t i = 0; i < fields; ++i) {
                const TRidovField& f = *fields_[i];
                const uint8_t* s = node->values + f.offset;
                uint8_t length = 0;
                std::string_view reference;
                bool isReference = false;
                switch (f.type) {
                    case ftDouble:
                    case ftCurrency:
                    case ftDateTime:
                        if (slot::Load<double>(s) != 0.0) length = 8;
                        break;
                    case ftSmallStr: {
                        const void* z = std::memchr(s, 0, size_t(f.declaredSize) + 1);
                        length = static_cast<uint8_t>(z ? static_cast<const uint8_t*>(z) - s
                                                        : f.declaredSize);
                        break;
                    }
                    case ftString:
                        reference = slot::Text(s);
                        isReference = true;
                        break;
                    case ftBlob:
                    case ftMemo:
                    case ftFmtMemo:
                    case ftGraphic:
                        reference = slot::Block(s);
                        isReference = true;
                        break;
                    case ftUnknown:
                        break;
                    default:
                        for (size_t k = 0; k < f.slotSize; ++k) {
                            if (s[k]) {
                                length = static_cast<uint8_t>(f.slotSize);
                                break;
                            }
                        }
                        break;
                }
                if (isReference) {
                    if (!reference.empty()) {
                        length = 4;
                        uint8_t* at = room(4 + reference.size());
                        util::PokeLittle(at, static_cast<int32_t>(reference.size()));
                        std::memcpy(at + 4, reference.data(), reference.size());
                        pos += 4 + reference.size();
                    }
                } else if (length) {
                    std::memcpy(room(length), s, length);
                    pos += length;
                }
                out[lengthsAt + i] = length;
            }
        }
        if (onProgress) {
            int percent = static_cast<int>(std::lround(100.0 * double(index + 1) / nodes_.size()));
            if (percent != lastProgress) {
                lastProgress = percent;
                onProgress(percent);
            }
        }
    }
    out.resize(pos);
    SealImage(std::span<uint8_t>(out).subspan(start), seal, written);
    return out.size() - start;
}

}  // namespace ridov
