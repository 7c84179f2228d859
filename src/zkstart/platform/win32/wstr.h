// UTF-8 inside the program, UTF-16 at the Win32 boundary.
#pragma once
#include <string>

namespace zk::win32 {
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide);
}  // namespace zk::win32
