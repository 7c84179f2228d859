// The built ZKSFX.BIN (copied beside this test) as the archiver will see
// it: icon image 1 of exactly 744 bytes in its .rsrc, a 32 x 32 image in 16
// colours, and its program image ending where the file ends, which is where
// the settings header will go.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "zksfx/sfxformat.h"

namespace {

std::string Beside(const char* name) {
    wchar_t self[MAX_PATH];
    std::wstring p(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    p = p.substr(0, p.find_last_of(L'\\') + 1);
    std::ifstream f((p + std::wstring(name, name + std::strlen(name))).c_str(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

const uint8_t* At(const std::string& b, size_t at, size_t n) {
    if (at + n > b.size()) throw std::out_of_range("beyond the file at " + std::to_string(at));
    return reinterpret_cast<const uint8_t*>(b.data()) + at;
}
uint16_t U16(const std::string& b, size_t at) { return zksfx::Get16(At(b, at, 2)); }
uint32_t U32(const std::string& b, size_t at) { return zksfx::Get32(At(b, at, 4)); }

// The resource data of type/id (first language) read from the file's own
// .rsrc section: found at `offset`, `size` bytes long.
struct Found {
    bool ok = false;
    size_t offset = 0, size = 0;
    int count = 0;  // resources of that type and id
};

Found FindResourceData(const std::string& pe, uint32_t type, uint32_t id) {
    Found f;
    const size_t nt = U32(pe, 0x3C);
    const size_t sections = U16(pe, nt + 6), optSize = U16(pe, nt + 20);
    for (size_t i = 0; i < sections; ++i) {
        const size_t s = nt + 24 + optSize + 40 * i;
        if (pe.compare(s, 6, ".rsrc\0", 6) != 0) continue;
        const uint32_t va = U32(pe, s + 12), raw = U32(pe, s + 20);
        // Directory entries: 16-byte table head, then 8 bytes each
        // (name or id, then offset; the high bit marks a subdirectory).
        auto lookup = [&](size_t dir, uint32_t want, int* count) -> int64_t {
            const size_t n = size_t(U16(pe, raw + dir + 12)) + U16(pe, raw + dir + 14);
            int64_t hit = -1;
            for (size_t k = 0; k < n; ++k) {
                const size_t e = raw + dir + 16 + 8 * k;
                if (U32(pe, e) == want) {
                    if (count) ++*count;
                    if (hit < 0) hit = U32(pe, e + 4);
                }
            }
            return hit;
        };
        int64_t types = lookup(0, type, nullptr);
        if (types < 0 || !(types & 0x80000000)) return f;
        int64_t ids = lookup(size_t(types & 0x7FFFFFFF), id, &f.count);
        if (ids < 0 || !(ids & 0x80000000)) return f;
        const size_t langs = size_t(ids & 0x7FFFFFFF);
        const uint32_t data = U32(pe, raw + langs + 16 + 4);  // the first language
        if (data & 0x80000000) return f;
        f.offset = raw + (U32(pe, raw + data) - va);
        f.size = U32(pe, raw + data + 4);
        f.ok = true;
        return f;
    }
    return f;
}

TEST(SfxStub, IconImageOneIs744BytesOfA32x32SixteenColourIcon) {
    const std::string pe = Beside("ZKSFX.BIN");
    const std::string ico = Beside("zksfx.ico");
    ASSERT_GT(pe.size(), 1024u);
    ASSERT_EQ(pe.substr(0, 2), "MZ");
    ASSERT_EQ(ico.size(), 766u);

    Found icon = FindResourceData(pe, 3, 1);
    ASSERT_TRUE(icon.ok);
    EXPECT_EQ(icon.count, 1);
    EXPECT_EQ(icon.size, 744u);
    // The image as it lies in the .ico: header 40, 32 x (2 * 32), 1 plane, 4 bits.
    const std::string image = pe.substr(icon.offset, icon.size);
    EXPECT_EQ(U32(image, 0), 40u);
    EXPECT_EQ(U32(image, 4), 32u);
    EXPECT_EQ(U32(image, 8), 64u);
    EXPECT_EQ(U16(image, 12), 1);
    EXPECT_EQ(U16(image, 14), 4);
    EXPECT_TRUE(image == ico.substr(22)) << "the resource differs from the icon file";
    // The icon file: one image, 32 x 32, 16 colours, 744 bytes at 22.
    EXPECT_EQ(U16(ico, 2), 1);
    EXPECT_EQ(U16(ico, 4), 1);
    EXPECT_EQ(uint8_t(ico[6]), 32);
    EXPECT_EQ(uint8_t(ico[7]), 32);
    EXPECT_EQ(uint8_t(ico[8]), 16);
    EXPECT_EQ(U32(ico, 14), 744u);
    EXPECT_EQ(U32(ico, 18), 22u);

    // The group that shows it: one member, image 1, the same shape.
    Found group = FindResourceData(pe, 14, 1);
    ASSERT_TRUE(group.ok);
    const std::string g = pe.substr(group.offset, group.size);
    ASSERT_EQ(g.size(), 6u + 14u);
    EXPECT_EQ(U16(g, 4), 1);
    EXPECT_EQ(uint8_t(g[6]), 32);
    EXPECT_EQ(uint8_t(g[7]), 32);
    EXPECT_EQ(uint8_t(g[8]), 16);
    EXPECT_EQ(U16(g, 12), 4);
    EXPECT_EQ(U32(g, 14), 744u);
    EXPECT_EQ(U16(g, 18), 1);
}

TEST(SfxStub, WindowsFindsTheSameIcon) {
    wchar_t self[MAX_PATH];
    std::wstring p(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    p = p.substr(0, p.find_last_of(L'\\') + 1) + L"ZKSFX.BIN";
    HMODULE m = LoadLibraryExW(p.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m, nullptr);
    HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(3));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(m, r), 744u);
    HICON icon = reinterpret_cast<HICON>(LoadImageW(m, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon) DestroyIcon(icon);
    FreeLibrary(m);
}

TEST(SfxStub, ImageEndsWithTheFile) {
    zksfx::MemorySource src(Beside("ZKSFX.BIN"));
    EXPECT_EQ(zksfx::PeImageEnd(src), src.Size());
}

}  // namespace
