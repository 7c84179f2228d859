#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

namespace {
// Closes the key when it goes out of scope.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};
}  // namespace

bool Registry::CreateKey(const std::string& key) {
    Key k;
    return RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &k.h, nullptr) == ERROR_SUCCESS;
}

bool Registry::KeyExists(const std::string& key) {
    Key k;
    return RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &k.h) == ERROR_SUCCESS;
}

namespace {
platform::StringRead Read(HKEY root, REGSAM view, const std::string& key, const std::string& name, bool expand) {
    Key k;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ | view, &k.h) != ERROR_SUCCESS) return {};
    std::wstring wname = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(k.h, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {platform::ReadStatus::NotString, {}};
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    if (RegQueryValueExW(k.h, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) != ERROR_SUCCESS)
        return {};
    buf.resize(bytes / sizeof(wchar_t));
    while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
    if (expand && type == REG_EXPAND_SZ) {
        DWORD n = ExpandEnvironmentStringsW(buf.c_str(), nullptr, 0);
        std::wstring full(n, L'\0');
        if (n && ExpandEnvironmentStringsW(buf.c_str(), full.data(), n) == n) {
            full.resize(n - 1);
            buf = full;
        }
    }
    return {platform::ReadStatus::Present, Utf8(buf)};
}
}  // namespace

platform::StringRead Registry::ReadString(const std::string& key, const std::string& name) {
    return Read(HKEY_CURRENT_USER, 0, key, name, false);
}

platform::StringRead Registry::ReadMachineString(const std::string& key, const std::string& name) {
    // Installers of either width register there; a 32-bit program sees
    // only its own view unless it asks.
    platform::StringRead r = Read(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, key, name, true);
    if (r.status == platform::ReadStatus::Missing) r = Read(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key, name, true);
    return r;
}

bool Registry::WriteString(const std::string& key, const std::string& name, const std::string& value) {
    Key k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_SET_VALUE, &k.h) != ERROR_SUCCESS) return false;
    std::wstring v = Wide(value);
    return RegSetValueExW(k.h, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace zk::win32
