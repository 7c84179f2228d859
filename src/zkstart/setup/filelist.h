// The walk of the source folder, the name test and the catalogue of the
// game's known files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace zk {

// Groups of three characters; "?" stands for any one character.
inline const std::string kGamePattern = "{?}DLLHLPTXTEXEPIFDIZ";

// Does the name end in one of the pattern's groups? Letter case is ignored.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// One line of the file list, with what the walk saw of its entry.
struct ListedFile {
    std::string line;  // "\" plus the path relative to the source folder
    uint64_t size = 0;
    bool folder = false;  // a folder named like a game file
};

// Empties the list and fills it with one line per matching entry below the
// folder, depth-first in the file system's order, lines of at most 255
// characters. Returns the sum of the sizes, held at 2147483647 rather than
// wrapping. Links and junctions are not followed.
int32_t ListSourceFiles(platform::FileSystem& files, const std::string& sourceFolder, const std::string& pattern,
                        std::vector<ListedFile>& list);

// The German description of a list line for the status line.
std::string DescribeFile(const std::string& line);

}  // namespace zk
