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

// Empties the list and fills it with one line per matching entry below the
// folder, depth-first in the file system's order: "\" plus the path relative
// to the folder, at most 255 characters. Returns the sum of the sizes, held
// at 2147483647 rather than wrapping. Links and junctions are not followed.
int32_t ListSourceFiles(platform::FileSystem& files, const std::string& sourceFolder, const std::string& pattern,
                        std::vector<std::string>& list);

// The German description of a list line for the status line.
std::string DescribeFile(const std::string& line);

}  // namespace zk
