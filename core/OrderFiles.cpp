#include "core/OrderFiles.h"

#include <string_view>
#include <vector>

#include <exception>

#include "core/WriteTarget.h"
#include "engine/dataset/RidovTable.h"
#include "engine/storage/TableImage.h"
#include "engine/text/Win1251.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"

namespace core {

namespace {

// Splits a text into lines the way a string list reads a file: CR LF, LF or
// a lone CR end a line; a last line without an end still counts.
std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

}  // namespace

std::string FileNamePart(const std::string& path) {
    size_t cut = path.size();
    while (cut > 0 && !platform::IsPathSeparator(path[cut - 1])) --cut;
    return path.substr(cut);
}

std::string NewOrderFileName(const std::string& folder, const std::string& prefix) {
    platform::Platform& os = platform::CurrentPlatform();
    for (long n = 1;; ++n) {
        std::string path = folder + prefix + std::to_string(n) + ".zv";
        // A name taken by something else (a pipe, a folder) is not free.
        if (!os.FileExists(path) && !platform::IsNonRegularFile(path)) return path;
    }
}

std::string OrderComment(const std::string& settingsFile, const std::string& catalogTableName,
                         bool* requisitesCut) {
    const std::string catalogLine =
        "catalog=" + text::Utf8ToCp1251(FileNamePart(catalogTableName)) + "\r\n";
    const size_t room = ridov::kMaxCommentLength > catalogLine.size()
                            ? ridov::kMaxCommentLength - catalogLine.size()
                            : 0;
    std::string comment;
    bool cut = false;
    std::vector<uint8_t> bytes;
    std::string error;
    if (platform::CurrentPlatform().ReadWholeFile(settingsFile, bytes, error)) {
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        for (const std::string& line : SplitLines(text)) {
            if (comment.size() + line.size() + 2 > room) {
                cut = true;
                break;
            }
            comment += line + "\r\n";
        }
    }
    if (requisitesCut != nullptr) *requisitesCut = cut;
    return comment + catalogLine;
}

bool StampOrderFile(const std::string& path, const std::string& settingsFile,
                    const std::string& catalogTableName) {
    ridov::TRidovTable table;
    table.SetTableName(path);
    table.Open();
    bool cut = false;
    std::string comment = OrderComment(settingsFile, catalogTableName, &cut);
    if (table.Comment() != comment) {
        table.SetComment(comment);
        table.SaveChanges();
    }
    table.Close();
    return cut;
}

bool CreateOrderFile(const std::string& path, const std::string& settingsFile,
                     const std::string& catalogTableName) {
    core::CheckWriteTarget(path);
    {
        ridov::TRidovTable table;
        table.Defs().Add("ID", ridov::DataType::String, 20, true);
        table.Defs().Add("KOL", ridov::DataType::Integer, 0, true);
        table.Open();
        table.SaveToFile(path);
        table.Close();
    }
    return StampOrderFile(path, settingsFile, catalogTableName);
}

std::string OrderCatalogPath(const std::string& path, const std::string& programDir) {
    ridov::TRidovTable table;
    table.SetTableName(path);
    table.Open();
    std::string comment = table.Comment();
    table.Close();
    std::string name;
    for (const std::string& line : SplitLines(comment)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (!text::EqualNoCase(std::string_view(line).substr(0, eq), "catalog")) continue;
        name = line.substr(eq + 1);
        break;
    }
    if (name.empty()) name = "price.zv";
    return programDir + text::Cp1251ToUtf8(name);
}

int CountOrderLines(const std::string& path) {
    ridov::TRidovTable table;
    table.SetTableName(path);
    table.Open();
    int count = table.RecordCount();
    table.Close();
    return count;
}

bool OrderFileIsEmpty(const std::string& path) {
    ridov::TRidovTable table;
    table.SetTableName(path);
    table.Open();
    const bool empty =
        table.RecordCount() == 0 && table.Cursor() != nullptr && table.Cursor()->UnreadBytes() == 0;
    table.Close();
    return empty;
}

bool DeleteEmptyOrderFile(const std::string& path,
                          const std::optional<platform::FileIdentity>& known) {
    if (platform::GetFileIdentity(path) != known) return false;
    try {
        if (!OrderFileIsEmpty(path)) return false;
    } catch (const std::exception&) {
        return false;  // a file that cannot be read is no empty order
    }
    return platform::CurrentPlatform().RemoveFile(path);
}

}  // namespace core
