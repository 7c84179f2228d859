#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

platform::LibHandle DynLib::Load(const std::string& name) {
    return reinterpret_cast<platform::LibHandle>(LoadLibraryW(Wide(name).c_str()));
}

void* DynLib::Symbol(platform::LibHandle lib, const std::string& name) {
    if (!lib) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(lib), name.c_str()));
}

bool DynLib::Free(platform::LibHandle lib) { return lib && FreeLibrary(reinterpret_cast<HMODULE>(lib)); }

unsigned CodePages::OemCodePage() { return GetOEMCP(); }
unsigned CodePages::AnsiCodePage() { return GetACP(); }

std::string CodePages::ToUtf8(const std::string& bytes, unsigned codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::string(bytes.size(), '?');
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return Utf8(wide);
}

std::string CodePages::FromUtf8(const std::string& text, unsigned codePage) {
    if (text.empty()) return {};
    std::wstring wide = Wide(text);
    // UTF-8 takes no default character.
    BOOL* usedDefault = nullptr;
    const char* defaultChar = codePage == CP_UTF8 ? nullptr : "?";
    int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                                usedDefault);
    if (n <= 0) return std::string(wide.size(), '?');
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, defaultChar,
                        usedDefault);
    return out;
}

}  // namespace zk::win32
