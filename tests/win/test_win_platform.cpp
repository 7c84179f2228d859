#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

// Values are written as REG_SZ; a missing key or value counts as missing,
// a value of another type as no string.
TEST(RegistryWin32, ValuesAreRegSzAndOtherTypesAreNoStrings) {
    const char key[] = "Software\\Orvandel\\ZkPlatformTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());
    Registry reg;
    EXPECT_FALSE(reg.WriteString(key, "x", "1"));  // no key, no value
    ASSERT_TRUE(reg.CreateKey(key) && reg.WriteString(key, "Speed", "70"));
    EXPECT_EQ(reg.ReadString(key, "fehlt").status, platform::ReadStatus::Missing);
    EXPECT_EQ(reg.ReadString(std::string(key) + "\\nicht", "x").status, platform::ReadStatus::Missing);
    HKEY h;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    DWORD type = 0, seventy = 70;
    EXPECT_EQ(RegQueryValueExW(h, L"Speed", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    RegSetValueExW(h, L"Zahl", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seventy), sizeof seventy);
    RegCloseKey(h);
    EXPECT_EQ(reg.ReadString(key, "Zahl").status, platform::ReadStatus::NotString);
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());
}

}  // namespace zk::win32
