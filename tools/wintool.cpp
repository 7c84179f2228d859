// A small window tool for the end-to-end tests under Wine:
//   wintool wait TEXT [SECONDS]   until a visible top-level window's title holds TEXT
//                                 (a TEXT starting with "=" must be the whole title;
//                                 ending in "#N": the N-th such window from the top)
//   wintool gone TEXT [SECONDS]   until no visible window's title holds TEXT
//   wintool dump TEXT             prints the title and every child's text
//   wintool close TEXT            asks the window to close
//   wintool press TEXT CAPTION    clicks the child button with that caption
//   wintool state TEXT CAPTION    prints "enabled" or "disabled" for that child
//   wintool check TEXT CAPTION    prints "checked" or "unchecked" for that check box
//   wintool focus TEXT            prints "Class: text" of the control with the keyboard focus
//                                 (a folder tree's text is its selected item's)
//   wintool rect TEXT [CHILD]     prints "left top width height" on the screen of the
//                                 window, or of the child with that text (else starting so)
//   wintool client TEXT           the same for the window's client area
//   wintool where TEXT CAPTION    prints "x y", the screen point in the middle of that child
//   wintool hold FILE [SECONDS]   holds FILE open without sharing, as a virus scanner or
//                                 viewer may, until it is ended (at most SECONDS); prints "held"
//   wintool endsession TEXT       prints the window's answer to "may the session end?" (1 or 0)
// Exit code 0 on success, 1 on a time-out or when nothing matched.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>

#include "utf16/utf16.h"

namespace {

struct Search {
    std::wstring text;
    HWND found = nullptr;
    int skip = 0;  // matches to pass over first
};

// A title: read without a message, so a busy program does not hold us up.
std::wstring Title(HWND h) {
    wchar_t buf[4096];
    int n = GetWindowTextW(h, buf, 4096);
    return std::wstring(buf, static_cast<size_t>(n > 0 ? n : 0));
}

std::wstring Text(HWND h) {
    // GetWindowText does not ask another program's controls for their text
    // (an edit's content); WM_GETTEXT does.
    wchar_t buf[4096];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n)) n = 0;
    return std::wstring(buf, static_cast<size_t>(n));
}

// A tree view answers with pointers into its own program's memory, so the
// question and its answer are put there.
std::wstring TreeSelection(HWND tree) {
    const LPARAM sel = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    HANDLE p = sel ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid) : nullptr;
    if (!p) return L"";
    struct Ask {
        TVITEMW item;
        wchar_t text[260];
    } ask{};
    auto* there = static_cast<char*>(VirtualAllocEx(p, nullptr, sizeof ask, MEM_COMMIT, PAGE_READWRITE));
    ask.item.mask = TVIF_TEXT, ask.item.hItem = reinterpret_cast<HTREEITEM>(sel), ask.item.cchTextMax = 260;
    ask.item.pszText = reinterpret_cast<wchar_t*>(there + offsetof(Ask, text));
    const bool read = there && WriteProcessMemory(p, there, &ask, sizeof ask, nullptr) &&
                      SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(there)) &&
                      ReadProcessMemory(p, there, &ask, sizeof ask, nullptr);
    if (there) VirtualFreeEx(p, there, 0, MEM_RELEASE);
    CloseHandle(p);
    ask.text[259] = 0;
    return read ? ask.text : L"";
}

BOOL CALLBACK FindTop(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    const bool whole = !s->text.empty() && s->text[0] == L'=';
    const std::wstring title = Title(h);
    if (IsWindowVisible(h) && (whole ? title == s->text.substr(1) : title.find(s->text) != std::wstring::npos) &&
        s->skip-- == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// "TITLE#N": the N-th such window from the top (two programs' windows alike).
HWND Find(const std::wstring& text) {
    Search s{text};
    const size_t hash = text.rfind(L'#');
    if (hash != std::wstring::npos && hash + 1 < text.size() && iswdigit(text[hash + 1])) {
        s.text = text.substr(0, hash);
        s.skip = _wtoi(text.c_str() + hash + 1) - 1;
    }
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void PrintUtf8(const std::wstring& w) {
    const std::string s = utf16::Utf8(w);
    fwrite(s.data(), 1, s.size(), stdout);
    fputc('\n', stdout);
}

std::wstring Describe(HWND h) {
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    return std::wstring(cls) + L": " + (wcscmp(cls, WC_TREEVIEWW) == 0 ? TreeSelection(h) : Text(h));
}

BOOL CALLBACK DumpChild(HWND h, LPARAM) {
    PrintUtf8(Describe(h));
    return TRUE;
}

BOOL CALLBACK FindChildStart(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (IsWindowVisible(h) && Text(h).rfind(s->text, 0) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindChild(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (Text(h) == s->text) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::wstring cmd = argv[1], text = argv[2];
    double seconds = argc > 3 ? _wtof(argv[3]) : 20;
    if (cmd == L"wait" || cmd == L"gone") {
        for (int i = 0; i < seconds * 10; ++i) {
            bool there = Find(text) != nullptr;
            if (there == (cmd == L"wait")) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (cmd == L"hold") {
        HANDLE f = CreateFileW(text.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 1;
        PrintUtf8(L"held");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(seconds * 1000));
        CloseHandle(f);
        return 0;
    }
    HWND h = Find(text);
    if (!h) return 1;
    if (cmd == L"dump") {
        PrintUtf8(Title(h));
        EnumChildWindows(h, DumpChild, 0);
        return 0;
    }
    if (cmd == L"focus") {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gui) || !gui.hwndFocus) {
            PrintUtf8(L"none");
            return 0;
        }
        PrintUtf8(Describe(gui.hwndFocus));
        return 0;
    }
    if (cmd == L"rect" || cmd == L"client") {
        RECT rc;
        if (cmd == L"client") {
            GetClientRect(h, &rc);
            MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        } else if (argc > 3) {
            Search s{argv[3]};
            EnumChildWindows(h, FindChild, reinterpret_cast<LPARAM>(&s));
            if (!s.found) EnumChildWindows(h, FindChildStart, reinterpret_cast<LPARAM>(&s));
            if (!s.found) return 1;
            GetWindowRect(s.found, &rc);
        } else {
            GetWindowRect(h, &rc);
        }
        PrintUtf8(std::to_wstring(rc.left) + L" " + std::to_wstring(rc.top) + L" " + std::to_wstring(rc.right - rc.left) +
                  L" " + std::to_wstring(rc.bottom - rc.top));
        return 0;
    }
    if (cmd == L"close") {
        PostMessageW(h, WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == L"endsession") {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer)) return 1;
        PrintUtf8(std::to_wstring(answer));
        return 0;
    }
    if (cmd == L"press" && argc > 3) {
        Search s{argv[3]};
        EnumChildWindows(h, FindChild, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        PostMessageW(s.found, BM_CLICK, 0, 0);
        return 0;
    }
    if (cmd == L"state" && argc > 3) {
        Search s{argv[3]};
        EnumChildWindows(h, FindChild, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        PrintUtf8(IsWindowEnabled(s.found) ? L"enabled" : L"disabled");
        return 0;
    }
    if (cmd == L"check" && argc > 3) {
        Search s{argv[3]};
        EnumChildWindows(h, FindChild, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        PrintUtf8(SendMessageW(s.found, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"checked" : L"unchecked");
        return 0;
    }
    if (cmd == L"where" && argc > 3) {
        Search s{argv[3]};
        EnumChildWindows(h, FindChild, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        RECT rc;
        GetWindowRect(s.found, &rc);
        PrintUtf8(std::to_wstring((rc.left + rc.right) / 2) + L" " + std::to_wstring((rc.top + rc.bottom) / 2));
        return 0;
    }
    return 2;
}
