// Names: wildcard matching, the names stored in the archive, folding.
#pragma once
#include <string>
#include <vector>

namespace zkzip {

// "*" matches any run of bytes, "?" one character; letters A-Z match either
// case, as file names do on the system the archives are made for.
bool WildMatch(const std::string& pattern, const std::string& text);
bool HasWildcards(const std::string& s);
// ASCII letters in lower case, "\" as "/": the key for comparing names.
std::string Fold(const std::string& s);
// "\" as "/".
std::string Slashed(std::string path);
// The last part of a "/" path.
std::string BaseName(const std::string& path);
// The parts of a "/" path without empty ones and ".", each ".." taking back
// the part before it (never above the top).
std::vector<std::string> ResolvedParts(const std::string& path);
// "\" as "/", no drive, no leading "/", "." and ".." resolved (never above the top).
std::string CleanStoredName(const std::string& path);
// Each part in upper case, cut to 8.3, other dots and blanks as "_".
std::string DosName(const std::string& stored);
bool IsAscii(const std::string& s);
bool IsUtf8(const std::string& s);

}  // namespace zkzip
