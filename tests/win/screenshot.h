// Windows read back from the screen: pixels for checks, bitmap files to look at.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wstr.h"

namespace zk::test {

struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> bits;  // 0x00RRGGBB, top row first
    COLORREF At(int x, int y) const {
        uint32_t p = bits[static_cast<size_t>(y) * width + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
};

// The client area, or the whole window with its frame.
inline Shot Capture(HWND window, bool withFrame = false) {
    RECT rc;
    withFrame ? GetWindowRect(window, &rc) : GetClientRect(window, &rc);
    Shot s{rc.right - rc.left, rc.bottom - rc.top, {}};
    s.bits.resize(static_cast<size_t>(s.width) * s.height);
    HDC src = withFrame ? GetWindowDC(window) : GetDC(window), mem = CreateCompatibleDC(src);
    HBITMAP bmp = CreateCompatibleBitmap(src, s.width, s.height);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, s.width, s.height, src, 0, 0, SRCCOPY), SelectObject(mem, old);
    BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    GetDIBits(mem, bmp, 0, static_cast<UINT>(s.height), s.bits.data(), &bi, DIB_RGB_COLORS);
    for (uint32_t& p : s.bits) p &= 0xFFFFFF;  // no alpha: viewers would take it for transparency
    DeleteObject(bmp), DeleteDC(mem), ReleaseDC(window, src);
    return s;
}

// The window with its frame, as a bitmap file.
inline void SaveShot(HWND window, const std::string& file) {
    const Shot s = Capture(window, true);
    FILE* f = _wfopen(zk::win32::Wide(file).c_str(), L"wb");
    if (!f) return;
    BITMAPINFOHEADER ih{sizeof ih, s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER fh{0x4D42, 0, 0, 0, sizeof fh + sizeof ih};
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + s.bits.size() * 4);
    fwrite(&fh, sizeof fh, 1, f), fwrite(&ih, sizeof ih, 1, f), fwrite(s.bits.data(), 4, s.bits.size(), f);
    fclose(f);
}

}  // namespace zk::test
