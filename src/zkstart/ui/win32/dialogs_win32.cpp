#include "ui/win32/dialogs_win32.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wstr.h"
#include "ui/form.h"

namespace zk::ui::win32 {

using platform::DlgButton;
using zk::win32::Wide;

std::wstring DisplayText(const std::string& text) {
    std::wstring in = Wide(text), out;
    for (size_t i = 0; i < in.size(); ++i) {
        wchar_t c = in[i];
        if (c == L'\n' || c == L'\r') {
            wchar_t pair = c == L'\n' ? L'\r' : L'\n';
            if (i + 1 < in.size() && in[i + 1] == pair) ++i;
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

const wchar_t kDialogClass[] = L"ZkMessageDialog";
const int kFirstButtonId = 100;

struct DialogState {
    const platform::DialogRequest* request;
    platform::Help* help;
    int result = 0;
    bool done = false;
};

LRESULT CALLBACK DialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!st) return DefWindowProcW(h, msg, wp, lp);
    const auto& r = *st->request;
    switch (msg) {
        case DM_GETDEFID:
            if (r.defaultIndex >= 0) return MAKELRESULT(kFirstButtonId + r.defaultIndex, DC_HASDEFID);
            return 0;
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id == IDCANCEL) {
                // Escape presses the cancel button; without one it does nothing.
                if (r.cancelIndex < 0) return 0;
                id = kFirstButtonId + r.cancelIndex;
            }
            size_t i = static_cast<size_t>(id - kFirstButtonId);
            if (id < kFirstButtonId || i >= r.buttons.size()) return 0;
            if (r.buttons[i] == DlgButton::Help) {
                st->help->Call(r.helpFile, platform::HelpCommand::Context, std::to_string(r.helpContext));
                return 0;
            }
            st->result = ButtonResult(r.buttons[i]);
            st->done = true;
            return 0;
        }
        case WM_CLOSE:
            st->result = platform::mrCancel;
            st->done = true;
            return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

BOOL CALLBACK CollectEnabled(HWND w, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (IsWindowVisible(w) && IsWindowEnabled(w)) list->push_back(w);
    return TRUE;
}

LPCWSTR IconOf(platform::DlgType t) {
    switch (t) {
        case platform::DlgType::Warning: return IDI_WARNING;
        case platform::DlgType::Error: return IDI_ERROR;
        case platform::DlgType::Information: return IDI_INFORMATION;
        case platform::DlgType::Confirmation: return IDI_QUESTION;
        case platform::DlgType::Custom: break;
    }
    return nullptr;
}

}  // namespace

int Dialogs::Show(const platform::DialogRequest& request) {
    static bool registered = false;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DialogProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kDialogClass;
        RegisterClassExW(&wc);
        registered = true;
    }
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    HFONT font = CreateFontIndirectW(&ncm.lfMessageFont);

    LPCWSTR iconId = IconOf(request.type);
    const int margin = 12, iconSize = iconId ? 32 : 0, gap = iconId ? 12 : 0;

    // The window is as wide as the longest line: only the text's own line
    // breaks start new lines, unless a line is wider than the screen.
    std::wstring text = DisplayText(request.text);
    const int widest = GetSystemMetrics(SM_CXSCREEN) - 2 * GetSystemMetrics(SM_CXDLGFRAME) - 2 * margin - iconSize - gap;
    HDC dc = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, font);
    const UINT measure = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    RECT tr{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &tr, measure);
    const bool wrap = tr.right > widest;
    if (wrap) {
        tr = {0, 0, widest, 0};
        DrawTextW(dc, text.c_str(), -1, &tr, measure | DT_WORDBREAK);
    }
    // Buttons as wide as the widest caption needs, 80 at least.
    int bw = 80;
    for (const std::string& caption : request.captions) {
        RECT cr{0, 0, 0, 0};
        DrawTextW(dc, Wide(caption).c_str(), -1, &cr, DT_CALCRECT | DT_SINGLELINE);
        bw = std::max<int>(bw, cr.right + 20);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(nullptr, dc);

    const int bh = 25, bgap = 8;
    const int nb = static_cast<int>(request.buttons.size());
    int textLeft = margin + iconSize + gap;
    int contentW = std::max<int>(textLeft + tr.right, nb * bw + (nb - 1) * bgap) + margin;
    int contentH = margin + std::max<int>(iconSize, tr.bottom) + 16 + bh + margin;
    contentW = std::max(contentW, 240);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    const DWORD ex = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_TOPMOST;
    RECT wr{0, 0, contentW, contentH};
    AdjustWindowRectEx(&wr, style, FALSE, ex);
    int w = wr.right - wr.left, hgt = wr.bottom - wr.top;
    HWND owner = GetActiveWindow();
    HWND h = CreateWindowExW(ex, kDialogClass, Wide(request.title).c_str(), style,
                             (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - hgt) / 2, w, hgt,
                             owner, nullptr, inst, nullptr);
    DialogState st{&request, &help_};
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&st));

    if (iconId) {
        HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin, 32, 32, h,
                                    nullptr, inst, nullptr);
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, iconId)), 0);
    }
    int textTop = margin + std::max(0, (iconSize - static_cast<int>(tr.bottom)) / 2);
    // SS_LEFT breaks lines at the window's width; a text that fits stays whole.
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(),
                                 WS_CHILD | WS_VISIBLE | (wrap ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOPREFIX, textLeft,
                                 textTop, tr.right, tr.bottom, h, nullptr, inst, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    int x = (contentW - (nb * bw + (nb - 1) * bgap)) / 2;
    int y = contentH - margin - bh;
    HWND focus = nullptr;
    for (int i = 0; i < nb; ++i) {
        DWORD bs = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == request.defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND b = CreateWindowExW(0, L"BUTTON", Wide(request.captions[static_cast<size_t>(i)]).c_str(), bs,
                                 x + i * (bw + bgap), y, bw, bh, h,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), inst, nullptr);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (i == request.defaultIndex || !focus) focus = b;
    }

    // Modal: the program's other windows wait until the dialog is answered.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    for (HWND d : disabled)
        if (d != h) EnableWindow(d, FALSE);

    ShowWindow(h, SW_SHOW);
    SetForegroundWindow(h);
    if (focus) SetFocus(focus);

    MSG msg;
    bool quit = false;
    while (!st.done) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (IsDialogMessageW(h, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    for (HWND d : disabled)
        if (d != h) EnableWindow(d, TRUE);
    DestroyWindow(h);
    DeleteObject(font);
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return st.result ? st.result : platform::mrCancel;
}

}  // namespace zk::ui::win32
