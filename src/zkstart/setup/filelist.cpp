#include "setup/filelist.h"

#include <algorithm>
#include <functional>

#include "common/text.h"

namespace zk {

namespace {
// The text split into its characters (UTF-8 sequences).
std::vector<std::string> Chars(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t len = 1;
        while (i + len < text.size() && (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80) ++len;
        out.push_back(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string CutTo(const std::string& text, size_t maxChars) {
    std::vector<std::string> chars = Chars(text);
    if (chars.size() <= maxChars) return text;
    std::string out;
    for (size_t i = 0; i < maxChars; ++i) out += chars[i];
    return out;
}

constexpr int32_t kMaxTotal = 2147483647;
}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    if (pattern.empty()) return true;
    std::vector<std::string> chars = Chars(UpperCaseDE(name));
    if (chars.size() < 3) return false;
    std::vector<std::string> ext(chars.end() - 3, chars.end());
    std::vector<std::string> groups = Chars(UpperCaseDE(pattern));
    bool result = false;
    for (size_t g = 0; g + 3 <= groups.size(); g += 3) {
        std::vector<std::string> group(groups.begin() + static_cast<long>(g), groups.begin() + static_cast<long>(g) + 3);
        if (group == ext) return true;
        if (std::find(group.begin(), group.end(), "?") != group.end()) {
            result = true;
            for (size_t i = 0; i < 3; ++i)
                if (group[i] != "?" && group[i] != ext[i]) result = false;
        }
    }
    return result;
}

int32_t ListSourceFiles(platform::FileSystem& files, const std::string& sourceFolder, const std::string& pattern,
                        std::vector<ListedFile>& list) {
    list.clear();
    int32_t total = 0;
    std::function<bool(const std::string&, const std::string&)> visit = [&](const std::string& folder,
                                                                           const std::string& relative) {
        auto dir = files.OpenDir(folder);
        if (!dir) return false;
        platform::DirEntry e;
        while (dir->Next(e)) {
            if (e.name.empty() || e.name == "." || e.name == "..") continue;
            const bool isDir = (e.attr & platform::faDirectory) != 0;
            if (MatchesPattern(e.name, pattern)) {
                uint64_t size = isDir ? 0 : e.size;
                total = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(total) + size, kMaxTotal));
                list.push_back({CutTo("\\" + relative + e.name, 255), size, isDir});
            }
            // A link could lead back up the tree or off the game's folder.
            if (isDir && e.name[0] != '.' && !(e.attr & platform::faReparsePoint))
                visit(BackslashPath(folder, true) + e.name, relative + e.name + "\\");
        }
        return true;
    };
    visit(sourceFolder, "");
    return total;
}

std::string DescribeFile(const std::string& line) {
    std::vector<std::string> chars = Chars(line);
    if (chars.size() <= 4) return "-";
    std::string name = line.substr(chars[0].size());
    for (size_t cut; (cut = name.find('\\')) != std::string::npos;) name.erase(0, cut + 1);
    std::vector<std::string> nameChars = Chars(name);
    size_t dot = std::find(nameChars.begin(), nameChars.end(), ".") - nameChars.begin();
    size_t at = dot < nameChars.size() ? dot + 1 : 0;
    std::string kind = at < nameChars.size() ? nameChars[at] : "";
    std::string topic = at + 1 < nameChars.size() ? nameChars[at + 1] : "";

    struct Known {
        const char* kind;
        const char* name;
        const char* text;
    };
    static const Known kCatalogue[] = {
        {"D", "ZKZIP.DLL", "Kompressions-Bibliothek"},
        {"D", "FILE_ID.DIZ", "Archiv-Information"},
        {"E", "ZKSTART.EXE", "Ruvalin, der ParameterManager für ZANTORIK"},
        {"E", "ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},
        {"H", "ZANTORIK.HLP", "ZANTORIK-Hilfedatei, Anleitung"},
        {"P", "ZANTORIK.PIF", "Schnittstelle zwischen Ruvalin und ZANTORIK"},
        {"T", "ZANTORIK.TXT", "ZANTORIKKurz-Anleitung"},
    };
    if (kind == "{") return "Texte zu Thema " + topic;
    if (kind == "D" || kind == "E" || kind == "H" || kind == "P" || kind == "T") {
        for (const Known& k : kCatalogue)
            if (kind == k.kind && name == k.name) return k.text;
        return "Fremde, nicht dazugehörige Datei: " + UpperCaseDE(name);
    }
    return "-";
}

}  // namespace zk
