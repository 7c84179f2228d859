#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/dialogs_win32.h"

namespace zk::win32 {

const char kKey[] = "Software\\Orvandel\\ZkPlatformTest";

struct RegistryTest : ::testing::Test {
    RegistryTest() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kKey).c_str()); }
    ~RegistryTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kKey).c_str()); }
    Registry reg;
};

TEST_F(RegistryTest, RoundTripOfStringsAndMissingValues) {
    EXPECT_FALSE(reg.KeyExists(kKey));
    EXPECT_FALSE(reg.WriteString(kKey, "x", "1"));  // no key, no value
    ASSERT_TRUE(reg.CreateKey(kKey));
    EXPECT_TRUE(reg.KeyExists(kKey));
    EXPECT_TRUE(reg.WriteString(kKey, "Pfad", "C:\\SPIELE\\ZÄNTORIK\\"));
    EXPECT_TRUE(reg.WriteString(kKey, "Leer", ""));
    auto r = reg.ReadString(kKey, "Pfad");
    EXPECT_EQ(r.status, platform::ReadStatus::Present);
    EXPECT_EQ(r.value, "C:\\SPIELE\\ZÄNTORIK\\");
    r = reg.ReadString(kKey, "Leer");
    EXPECT_EQ(r.status, platform::ReadStatus::Present);
    EXPECT_EQ(r.value, "");
    EXPECT_EQ(reg.ReadString(kKey, "fehlt").status, platform::ReadStatus::Missing);
    EXPECT_EQ(reg.ReadString(std::string(kKey) + "\\nicht", "x").status, platform::ReadStatus::Missing);
}

TEST_F(RegistryTest, ValuesAreRegSzAndOtherTypesAreNoStrings) {
    ASSERT_TRUE(reg.CreateKey(kKey));
    ASSERT_TRUE(reg.WriteString(kKey, "Speed", "70"));
    HKEY h;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kKey).c_str(), 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(h, L"Speed", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    DWORD seventy = 70;
    RegSetValueExW(h, L"Zahl", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seventy), sizeof seventy);
    RegCloseKey(h);
    EXPECT_EQ(reg.ReadString(kKey, "Zahl").status, platform::ReadStatus::NotString);
}

TEST(FileSystemWin32, FindsEntriesThroughADoubledBackslash) {
    FileSystem fs;
    std::string module = fs.ModulePath();
    size_t cut = module.find_last_of('\\');
    ASSERT_NE(cut, std::string::npos);
    std::string folder = module.substr(0, cut + 1);
    platform::FoundEntry e;
    EXPECT_TRUE(fs.FindFirst(folder + "\\zantorik.pif", platform::faAnyFile, e));
    EXPECT_EQ(e.name, "zantorik.pif");
    EXPECT_FALSE(fs.FindFirst(folder + "\\nicht-da.pif", platform::faAnyFile, e));
    std::string before = fs.CurrentDir();
    EXPECT_TRUE(fs.SetCurrentDir(folder));
    EXPECT_EQ(fs.CurrentDir() + "\\", folder);
    EXPECT_FALSE(fs.SetCurrentDir(folder + "gibt-es-nicht"));
    EXPECT_NE(fs.LastError(), 0);
    EXPECT_TRUE(fs.SetCurrentDir(before));
}

TEST(DialogText, EveryLineBreakOfTheTextsBecomesOne) {
    EXPECT_EQ(ui::win32::DisplayText("a\n\rb\n\n\rc"), L"a\r\nb\r\n\r\nc");
    EXPECT_EQ(ui::win32::DisplayText("a\r\nb\nc\rd"), L"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(ui::win32::DisplayText("ä"), L"\u00e4");
}

}  // namespace zk::win32
