// UTF-8 inside every program, UTF-16 at the Windows API: the one conversion
// that the program, the zip library, the stub and the tools share.
#pragma once
#include <string>

namespace utf16 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide);  // null gives ""

}  // namespace utf16
