// How the text is cut: the n-th of k pieces starts at the first line start
// at or after n/k of the text (a line ends at its CR, which an LF must
// follow, so the byte after the first "CR LF" found from there starts a
// line). When a CR there has no LF the text is not cut at all and the one
// piece reports the error as the whole text would. Each piece counts its
// lines, so a piece's line numbers are known once the pieces before it are
// done; its refusals and its records follow theirs.
//
// Each piece writes into a buffer of its own that grows as needed (a value
// of n characters never takes more than n + 7 bytes, its length byte aside);
// the first piece writes behind the head into the buffer that becomes the
// image, and the others are copied behind it in order.

#include "engine/storage/TextRecords.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/storage/RunTogether.h"
#include "engine/text/TabText.h"
#include "engine/util/ByteReader.h"

namespace ridov {

namespace {

// Texts shorter than this are turned into records in one piece.
constexpr size_t kPieceFrom = 4 << 20;
constexpr unsigned kMaxPieces = 8;
// The import reports progress every this many records.
constexpr int64_t kProgressEvery = 0x4000;

enum class Kind : uint8_t { kShortText, kText, kInt16, kInt32, kInt64, kFloat };

struct FieldPlan {
    Kind kind;
    size_t limit;  // text fields: the most characters kept (0: no limit)
    const std::string* name;
};

bool PlanField(const TRidovField& f, FieldPlan& plan) {
    plan.name = &f.name;
    plan.limit = 0;
    switch (f.type) {
        case ftSmallStr:
            plan.kind = Kind::kShortText;
            plan.limit = size_t(std::max<int>(f.declaredSize, 0));
            return true;
        case ftString:
            plan.kind = Kind::kText;
            plan.limit = size_t(std::max<int>(f.declaredSize, 0));
            return true;
        case ftSmallInt:
            plan.kind = Kind::kInt16;
            return true;
        case ftInteger:
            plan.kind = Kind::kInt32;
            return true;
        case ftInt64:
            plan.kind = Kind::kInt64;
            return true;
        case ftDouble:
        case ftCurrency:
            plan.kind = Kind::kFloat;
            return true;
        default:
            return false;
    }
}

struct Piece {
    std::string_view text;
    bool first = false;  // the text's first piece: an empty first line is no record
    platform::RegionBuffer buffer;
    size_t size = 0;  // bytes written to `buffer`
    int64_t records = 0;
    int64_t coded = 0;
    int64_t lines = 0;
    int64_t badLine = 0;  // within the piece
    std::vector<std::string> refusals;
};

class PieceWriter {
  public:
    PieceWriter(std::span<const FieldPlan> plan, int codeField, const text::FormatSettings& fs,
                Piece& piece)
        : plan_(plan), codeField_(codeField), fs_(fs), piece_(piece) {}

    // Turns the piece's lines into records; `progress` is called now and
    // then with the bytes of the piece done.
    void Run(const std::function<void(size_t done)>& progress) {
        const char* p = piece_.text.data();
        const char* const end = p + piece_.text.size();
        const size_t fields = plan_.size();
        std::vector<std::string_view> values;
        values.reserve(fields);
        while (p < end) {
            ++piece_.lines;
            const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
            const char* lineEnd = cr ? cr : end;
            if (cr && (cr + 1 == end || cr[1] != '\n')) {
                piece_.badLine = piece_.lines;
                return;
            }
            // Splits as far as there are fields: later values are ignored.
            text::SplitTabValues(p, lineEnd, values, fields);
            if (!(piece_.first && piece_.lines == 1 && values.empty())) {
                Reserve(fields + size_t(lineEnd - p) + 7 * values.size());
                WriteRecord(values);
                if ((++piece_.records % kProgressEvery) == 0 && progress)
                    progress(size_t(lineEnd - piece_.text.data()));
            }
            p = cr ? cr + 2 : end;
        }
    }

  private:
    void Reserve(size_t n) {
        platform::RegionBuffer& b = piece_.buffer;
        if (b.size() - piece_.size >= n) return;
        b.Resize(std::max(piece_.size + n, b.size() + b.size() / 2 + (1 << 20)));
    }

    void Refuse(std::string_view value, const FieldPlan& f, std::string_view what) {
        std::string& message = piece_.refusals.emplace_back();
        message.reserve(value.size() + f.name->size() + 64);
        message.append("'").append(value).append("' is not a valid ").append(what);
        message.append(" value for field '").append(*f.name).append("'");
    }

    void WriteRecord(std::span<const std::string_view> values) {
        uint8_t* const lengths = piece_.buffer.data() + piece_.size;
        uint8_t* out = lengths + plan_.size();
        std::memset(lengths, 0, plan_.size());
        const size_t n = std::min(values.size(), plan_.size());
        for (size_t i = 0; i < n; ++i) {
            std::string_view value = values[i];
            if (value.empty()) continue;
            const FieldPlan& f = plan_[i];
            switch (f.kind) {
                case Kind::kShortText:
                case Kind::kText: {
                    // The text ends at a NUL byte and is cut to the field's size.
                    if (const void* nul = std::memchr(value.data(), 0, value.size()))
                        value =
                            value.substr(0, size_t(static_cast<const char*>(nul) - value.data()));
                    if ((f.limit > 0 || f.kind == Kind::kShortText) && value.size() > f.limit)
                        value = value.substr(0, f.limit);
                    if (value.empty()) break;
                    if (int(i) == codeField_) ++piece_.coded;
                    if (f.kind == Kind::kShortText) {
                        lengths[i] = uint8_t(value.size());
                    } else {
                        lengths[i] = 4;
                        util::PokeLittle(out, static_cast<int32_t>(value.size()));
                        out += 4;
                    }
                    std::memcpy(out, value.data(), value.size());
                    out += value.size();
                    break;
                }
                case Kind::kInt16:
                case Kind::kInt32:
                case Kind::kInt64: {
                    int64_t n = 0;
                    bool ok = text::TryStrToInt64(text::TrimLeftBlanks(value), n);
                    if (ok && f.kind == Kind::kInt16) ok = n >= INT16_MIN && n <= INT16_MAX;
                    if (ok && f.kind == Kind::kInt32) ok = n >= INT32_MIN && n <= INT32_MAX;
                    if (!ok) {
                        Refuse(value, f, "integer");
                        break;
                    }
                    // A zero is written as an empty value.
                    if (n == 0) break;
                    const uint8_t width = f.kind == Kind::kInt16   ? 2
                                          : f.kind == Kind::kInt32 ? 4
                                                                   : 8;
                    lengths[i] = width;
                    std::memcpy(out, &n, width);  // little-endian: the low bytes
                    out += width;
                    break;
                }
                case Kind::kFloat: {
                    double d = 0;
                    if (!text::TryStrToFloat(text::TrimBlanks(value), d, fs_)) {
                        Refuse(value, f, "floating point");
                        break;
                    }
                    if (d == 0.0) break;
                    lengths[i] = 8;
                    std::memcpy(out, &d, 8);
                    out += 8;
                    break;
                }
            }
        }
        piece_.size = size_t(out - piece_.buffer.data());
    }

    std::span<const FieldPlan> plan_;
    int codeField_;
    const text::FormatSettings& fs_;
    Piece& piece_;
};

// Where each piece of `text` starts, with text.size() appended; a single
// piece when the text cannot be cut at a line end.
std::vector<size_t> PieceStarts(std::string_view text, unsigned pieces) {
    std::vector<size_t> starts{0};
    for (unsigned k = 1; k < pieces; ++k) {
        size_t from = std::max(starts.back(), text.size() * k / pieces);
        const void* cr = std::memchr(text.data() + from, '\r', text.size() - from);
        if (cr == nullptr) break;
        size_t at = size_t(static_cast<const char*>(cr) - text.data());
        if (at + 1 == text.size() || text[at + 1] != '\n') return {0, text.size()};
        starts.push_back(at + 2);
    }
    starts.push_back(text.size());
    return starts;
}

}  // namespace

bool CanMakeTextRecords(std::span<const TRidovField* const> fields) {
    FieldPlan plan;
    for (const TRidovField* f : fields)
        if (!PlanField(*f, plan)) return false;
    return true;
}

void MakeTextRecords(std::string_view text, std::span<const TRidovField* const> fields,
                     int codeField, const text::FormatSettings& fs, std::span<const uint8_t> head,
                     TextRecords& out, const TextRecordsProgress& progress, unsigned pieces) {
    std::vector<FieldPlan> plan(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) PlanField(*fields[i], plan[i]);
    if (pieces == 0) pieces = PiecesFor(text.size(), kPieceFrom, kMaxPieces);
    const std::vector<size_t> starts = PieceStarts(text, std::max(pieces, 1u));
    std::vector<Piece> parts(starts.size() - 1);
    for (size_t k = 0; k < parts.size(); ++k) {
        parts[k].text = text.substr(starts[k], starts[k + 1] - starts[k]);
        parts[k].first = k == 0;
    }
    // The first piece writes behind the head into room for the whole image
    // as it usually comes out (about the text's size), so that joining
    // copies only the later pieces.
    Piece& lead = parts.front();
    lead.buffer.Resize(head.size() + text.size() + text.size() / 4 + (1 << 16));
    std::memcpy(lead.buffer.data(), head.data(), head.size());
    lead.size = head.size();
    std::vector<std::function<void()>> tasks;
    for (size_t k = 0; k < parts.size(); ++k) {
        tasks.push_back([&, k] {
            Piece& part = parts[k];
            if (k > 0) part.buffer.Resize(part.text.size() + part.text.size() / 4 + (1 << 16));
            std::function<void(size_t)> report;
            if (k == 0 && progress) {
                // Only the caller's thread reports, for the whole text.
                report = [&](size_t done) {
                    progress(static_cast<long long>(done * parts.size()),
                             static_cast<long long>(text.size()));
                };
            }
            PieceWriter(plan, codeField, fs, part).Run(report);
        });
    }
    RunTogether(tasks);

    // In text order, up to the first piece with a bad line.
    int64_t linesBefore = 0;
    size_t last = 0;
    size_t total = lead.size;
    for (size_t k = 0; k < parts.size(); ++k) {
        last = k;
        if (k > 0) total += parts[k].size;
        if (parts[k].badLine != 0) break;
        linesBefore += parts[k].lines;
    }
    out.records = 0;
    out.coded = 0;
    out.refusals.clear();
    out.badLine = parts[last].badLine != 0 ? linesBefore + parts[last].badLine : 0;
    if (lead.buffer.size() < total) lead.buffer.Resize(total);
    size_t at = lead.size;
    for (size_t k = 0; k <= last; ++k) {
        Piece& part = parts[k];
        if (k > 0) {
            std::memcpy(lead.buffer.data() + at, part.buffer.data(), part.size);
            at += part.size;
        }
        out.records += part.records;
        out.coded += part.coded;
        for (std::string& r : part.refusals) out.refusals.push_back(std::move(r));
    }
    out.imageSize = at;
    out.image = std::move(lead.buffer);
}

}  // namespace ridov
