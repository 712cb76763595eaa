#include "platform/XdgDesktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <sstream>
#include <system_error>

#include "platform/AtomicFileWriter.h"
#include "platform/FileOps.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Latin spellings of the Cyrillic small letters а..я (U+0430..U+044F).
constexpr const char* kTranslit[32] = {
    "a", "b", "v", "g", "d", "e",  "zh", "z",  "i",  "y",    "k", "l", "m", "n", "o",  "p",
    "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "",  "y", "",  "e", "yu", "ya"};

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& text, mode_t mode = 0) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error) return false;
    std::string reason;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    if (!WriteFileAtomically(PosixFileOps::Instance(), path, bytes, reason)) return false;
    return mode == 0 || ::chmod(path.c_str(), mode) == 0;
}

// A string value of a desktop entry or a .directory file.
std::string EntryString(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string XmlText(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool IsProgram(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string MimePackage(const std::string& mimeType, const std::string& typeName,
                        const std::string& extension) {
    // A heavier glob than the usual 50 wins over another program's type for
    // the same extension.
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           XmlText(mimeType) + "\">\n    <comment>" + XmlText(typeName) +
           "</comment>\n    <glob pattern=\"*" + XmlText(extension) +
           "\" weight=\"60\"/>\n  </mime-type>\n</mime-info>\n";
}

std::string FileTypeEntry(const std::string& typeName, const std::string& programPath,
                          const std::string& mimeType) {
    return "[Desktop Entry]\nType=Application\nName=" + EntryString(typeName) +
           "\nExec=" + EntryString(DesktopExecValue(programPath, "%F")) +
           "\nPath=" + EntryString(fs::path(programPath).parent_path().string()) +
           "\nMimeType=" + mimeType + ";\nNoDisplay=true\nTerminal=false\n";
}

// The application mimeapps.list names first for `mimeType` in its
// [Default Applications] group, or empty.
std::string DefaultApplication(const std::string& list, const std::string& mimeType) {
    std::istringstream in(list);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inGroup = line == "[Default Applications]";
            continue;
        }
        if (!inGroup || line.compare(0, mimeType.size() + 1, mimeType + "=") != 0) continue;
        const std::string value = line.substr(mimeType.size() + 1);
        return value.substr(0, value.find(';'));
    }
    return {};
}

// `list` with `mimeType` defaulting to `desktopId`; every other line kept.
std::string WithDefaultApplication(const std::string& list, const std::string& mimeType,
                                   const std::string& desktopId) {
    const std::string entry = mimeType + "=" + desktopId + ";";
    std::istringstream in(list);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);

    bool inGroup = false;
    int groupEnd = -1;  // index after the group's last line
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string bare = lines[i];
        if (!bare.empty() && bare.back() == '\r') bare.pop_back();
        if (!bare.empty() && bare[0] == '[') {
            inGroup = bare == "[Default Applications]";
            if (inGroup) groupEnd = static_cast<int>(i) + 1;
            continue;
        }
        if (!inGroup) continue;
        if (bare.compare(0, mimeType.size() + 1, mimeType + "=") == 0) {
            lines[i] = entry;
            groupEnd = -2;
            break;
        }
        if (!bare.empty()) groupEnd = static_cast<int>(i) + 1;
    }
    if (groupEnd == -1) {
        if (!lines.empty() && !lines.back().empty()) lines.push_back("");
        lines.push_back("[Default Applications]");
        lines.push_back(entry);
    } else if (groupEnd >= 0) {
        lines.insert(lines.begin() + groupEnd, entry);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

std::string ShortcutEntry(const Platform::Shortcut& shortcut) {
    std::string exec;
    if (IsProgram(shortcut.target))
        exec = DesktopExecValue(shortcut.target, shortcut.arguments);
    else
        exec = DesktopExecValue("xdg-open", "") + " " + DesktopExecValue(shortcut.target, "");
    std::string entry = "[Desktop Entry]\nType=Application\nName=" + EntryString(shortcut.name) +
                        "\nExec=" + EntryString(exec);
    if (!shortcut.workingFolder.empty()) entry += "\nPath=" + EntryString(shortcut.workingFolder);
    // A program file is no icon here; only a picture is named.
    if (!shortcut.iconPath.empty() && shortcut.iconPath != shortcut.target)
        entry += "\nIcon=" + EntryString(shortcut.iconPath);
    return entry + "\nTerminal=false\n";
}

bool WriteMenuFolder(const XdgFolders& folders, const std::string& subFolder) {
    const std::string id = DesktopId(subFolder);
    if (!WriteFile(folders.dataHome + "/desktop-directories/" + id + ".directory",
                   "[Desktop Entry]\nType=Directory\nName=" + EntryString(subFolder) + "\n"))
        return false;
    // The menu lists every entry of the folder, those of earlier calls too.
    std::set<std::string> entries;
    std::error_code error;
    for (const auto& file : fs::directory_iterator(folders.dataHome + "/applications", error)) {
        const std::string name = file.path().filename().string();
        if (name.compare(0, id.size() + 1, id + "-") == 0 && file.path().extension() == ".desktop")
            entries.insert(name);
    }
    std::string menu =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>" +
        XmlText(id) + "</Name>\n    <Directory>" + XmlText(id) +
        ".directory</Directory>\n    <Include>\n";
    for (const std::string& entry : entries)
        menu += "      <Filename>" + XmlText(entry) + "</Filename>\n";
    menu += "    </Include>\n  </Menu>\n</Menu>\n";
    return WriteFile(folders.configHome + "/menus/applications-merged/" + id + ".menu", menu);
}

}  // namespace

std::string DesktopId(const std::string& utf8Name) {
    std::string id;
    bool dash = false;
    auto add = [&](const std::string& part) {
        if (part.empty()) return;
        if (dash && !id.empty()) id += '-';
        dash = false;
        id += part;
    };
    for (size_t i = 0; i < utf8Name.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8Name[i]);
        if (c < 0x80) {
            if (std::isalnum(c))
                add(std::string(1, static_cast<char>(std::tolower(c))));
            else
                dash = true;
            continue;
        }
        // A two-byte sequence of the Cyrillic block.
        if ((c == 0xD0 || c == 0xD1) && i + 1 < utf8Name.size()) {
            const unsigned code =
                ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8Name[i + 1]) & 0x3Fu);
            ++i;
            unsigned small = code;
            if (code >= 0x410 && code <= 0x42F) small = code + 0x20;
            if (code == 0x401 || code == 0x451) {
                add("e");
                continue;
            }
            if (small >= 0x430 && small <= 0x44F) {
                const std::string part = kTranslit[small - 0x430];
                if (part.empty()) continue;  // the hard and soft signs
                add(part);
                continue;
            }
        } else {
            while (i + 1 < utf8Name.size() &&
                   (static_cast<unsigned char>(utf8Name[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
        dash = true;
    }
    return id;
}

std::string DesktopExecValue(const std::string& program, const std::string& arguments) {
    // Inside double quotes desktop entries reserve ", `, $ and \.
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        // A literal percent sign is written twice.
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return arguments.empty() ? quoted : quoted + " " + arguments;
}

std::string FileTypeMimeType(const std::string& typeName) {
    return "application/x-" + DesktopId(typeName);
}

bool XdgFileTypeInPlace(const XdgFolders& folders, const std::string& extension,
                        const std::string& typeName, const std::string& programPath) {
    if (folders.dataHome.empty() || folders.configHome.empty()) return false;
    const std::string id = DesktopId(typeName);
    const std::string mimeType = FileTypeMimeType(typeName);
    std::string text;
    if (!ReadFile(folders.dataHome + "/mime/packages/" + id + ".xml", text) ||
        text != MimePackage(mimeType, typeName, extension))
        return false;
    if (!ReadFile(folders.dataHome + "/applications/" + id + ".desktop", text) ||
        text != FileTypeEntry(typeName, programPath, mimeType))
        return false;
    return ReadFile(folders.configHome + "/mimeapps.list", text) &&
           DefaultApplication(text, mimeType) == id + ".desktop";
}

bool XdgRegisterFileType(const XdgFolders& folders, const std::string& extension,
                         const std::string& typeName, const std::string& programPath,
                         const ToolRunner& runTool) {
    if (folders.dataHome.empty() || folders.configHome.empty()) return false;
    const std::string id = DesktopId(typeName);
    const std::string mimeType = FileTypeMimeType(typeName);
    const std::string mimeFolder = folders.dataHome + "/mime";
    if (!WriteFile(mimeFolder + "/packages/" + id + ".xml",
                   MimePackage(mimeType, typeName, extension)))
        return false;
    if (!WriteFile(folders.dataHome + "/applications/" + id + ".desktop",
                   FileTypeEntry(typeName, programPath, mimeType)))
        return false;
    const std::string listPath = folders.configHome + "/mimeapps.list";
    std::string list;
    ReadFile(listPath, list);
    if (!WriteFile(listPath, WithDefaultApplication(list, mimeType, id + ".desktop"))) return false;
    if (runTool) runTool({"update-mime-database", mimeFolder});
    return true;
}

bool XdgCreateShortcut(const XdgFolders& folders, const Platform::Shortcut& shortcut) {
    const std::string entry = ShortcutEntry(shortcut);
    switch (shortcut.folder) {
        case Platform::UserFolder::Desktop: {
            if (folders.desktop.empty()) return false;
            std::string folder = folders.desktop;
            if (!shortcut.subFolder.empty()) folder += "/" + shortcut.subFolder;
            // Desktops start only launchers that are executable.
            return WriteFile(folder + "/" + shortcut.name + ".desktop", entry, 0755);
        }
        case Platform::UserFolder::ProgramsMenu: {
            if (folders.dataHome.empty()) return false;
            const std::string name = DesktopId(shortcut.name);
            if (shortcut.subFolder.empty())
                return WriteFile(folders.dataHome + "/applications/" + name + ".desktop", entry);
            if (folders.configHome.empty()) return false;
            const std::string sub = DesktopId(shortcut.subFolder);
            return WriteFile(folders.dataHome + "/applications/" + sub + "-" + name + ".desktop",
                             entry) &&
                   WriteMenuFolder(folders, shortcut.subFolder);
        }
        case Platform::UserFolder::DataHome:
            return false;
    }
    return false;
}

}  // namespace platform
