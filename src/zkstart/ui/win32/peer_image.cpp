// Pictures drawn through a canvas.
#include "ui/win32/peer_base.h"

#include "platform/win32/canvas_win32.h"

namespace zk::ui::win32 {

namespace {

// Draws its picture through a canvas on every paint.
class ImagePeer : public WinPeer {
public:
    ImagePeer(Image& i, WinPeerFactory& k) : WinPeer(i, k), image(i) {
        Create(L"STATIC", SS_NOTIFY);  // SS_NOTIFY: mouse messages, so hints show
        Subclass();
    }
    Image& image;
    bool OnSubclassed(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        Color bg = BackgroundUnder(image);
        HBRUSH brush = (bg & 0x80000000u) ? GetSysColorBrush(static_cast<int>(bg & 0xFF)) : CreateSolidBrush(ToColorRef(bg));
        FillRect(dc, &rc, brush);
        if (!(bg & 0x80000000u)) DeleteObject(brush);
        if (image.picture) {
            int x = image.center ? (rc.right - image.pictureWidth) / 2 : 0;
            int y = image.center ? (rc.bottom - image.pictureHeight) / 2 : 0;
            int saved = SaveDC(dc);
            IntersectClipRect(dc, x, y, x + image.pictureWidth, y + image.pictureHeight);
            SetViewportOrgEx(dc, x, y, nullptr);
            {
                platform::CanvasWin32 canvas(dc);
                image.picture(canvas);
            }
            RestoreDC(dc, saved);
        }
        EndPaint(hwnd, &ps);
        return true;
    }
};

}  // namespace

std::unique_ptr<Peer> MakeImagePeer(Image& i, WinPeerFactory& k) { return std::make_unique<ImagePeer>(i, k); }

}  // namespace zk::ui::win32
