// The shell's format dialog. SHFormatDrive is modal and runs its own message
// loop, so it gets a thread of its own; a message hook on that thread keeps
// the dialog's label field and options where the disk set needs them and,
// without confirmation, presses its buttons. The calling (window) thread
// keeps its messages moving meanwhile: the dialog's owner lives there.
#include <windows.h>

#include <mutex>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {
namespace {

using SHFormatDriveFn = DiskFormat::FormatFn;
constexpr UINT kDefaultCapacity = 0xFFFF;  // SHFMT_ID_DEFAULT

// Control numbers of the shell's format dialog.
constexpr int kStart = 1, kClose = 2, kCapacity = 35, kLabel = 38, kQuick = 39, kSystemFiles = 41;
constexpr UINT kFormatReady = 0x402;  // the dialog's private message once it is set up

struct FormatJob {
    UINT drive = 0;
    std::wstring label;
    bool confirmErase = true;
    HWND parent = nullptr;
    SHFormatDriveFn function = nullptr;  // none: the shell's
    HHOOK hook = nullptr, postedHook = nullptr;
    bool startPressed = false;
    int result = platform::kFormatNotRun;
};

// One format at a time in the process: the hook finds its job here.
std::mutex g_formatLock;
FormatJob* g_job = nullptr;

void Press(HWND dlg, int id) {
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// The dialog's "ready" message, sent or posted: Start is pressed once.
void FormatReady(FormatJob* job, HWND w) {
    if (job->confirmErase || job->startPressed || (GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) return;
    job->startPressed = true;
    Press(w, kStart);
}

// Posted messages pass here on their way out of the queue.
LRESULT CALLBACK PostedHook(int code, WPARAM wp, LPARAM lp) {
    FormatJob* job = g_job;
    if (code == HC_ACTION && wp == PM_REMOVE && job) {
        const auto* m = reinterpret_cast<const MSG*>(lp);
        if (m->message == kFormatReady && m->hwnd) FormatReady(job, m->hwnd);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Sent messages pass here once they have been handled, so that what it
// sets stays set.
LRESULT CALLBACK FormatHook(int code, WPARAM wp, LPARAM lp) {
    FormatJob* job = g_job;
    if (code == HC_ACTION && job) {
        const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lp);
        HWND dlg = GetParent(m->hwnd);
        const int id = (GetWindowLongW(m->hwnd, GWL_STYLE) & WS_CHILD) ? GetDlgCtrlID(m->hwnd) : 0;
        switch (m->message) {
            case WM_SHOWWINDOW:
            case WM_ENABLE:
                if (!m->wParam) break;
                if (id == kCapacity || id == kLabel) EnableWindow(m->hwnd, FALSE);
                if (id == kQuick) {
                    SendMessageW(m->hwnd, BM_SETCHECK, BST_CHECKED, 0);
                    EnableWindow(m->hwnd, FALSE);
                }
                if (id == kSystemFiles) SendMessageW(m->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
                break;
            case WM_SETTEXT:
                if (id == kLabel && m->lParam && job->label != reinterpret_cast<const wchar_t*>(m->lParam))
                    SetWindowTextW(m->hwnd, job->label.c_str());
                break;
            case kFormatReady: FormatReady(job, m->hwnd); break;
            case BM_SETSTYLE:
                // Once the format is done its Cancel button turns into Close.
                if (!job->confirmErase && id == kClose && m->wParam == 0) Press(dlg, kClose);
                break;
            default: break;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

DWORD WINAPI FormatThread(LPVOID arg) {
    auto* job = static_cast<FormatJob*>(arg);
    HMODULE shell = job->function ? nullptr : LoadLibraryW(L"Shell32.dll");
    if (!shell && !job->function) return 0;
    SHFormatDriveFn format = job->function;
    if (!format)
        format = reinterpret_cast<SHFormatDriveFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHFormatDrive")));
    if (format) {
        job->hook = SetWindowsHookExW(WH_CALLWNDPROCRET, FormatHook, nullptr, GetCurrentThreadId());
        job->postedHook = SetWindowsHookExW(WH_GETMESSAGE, PostedHook, nullptr, GetCurrentThreadId());
        job->result = static_cast<int>(format(job->parent, job->drive, kDefaultCapacity, 0));
        if (job->hook) UnhookWindowsHookEx(job->hook);
        if (job->postedHook) UnhookWindowsHookEx(job->postedHook);
    }
    if (shell) FreeLibrary(shell);
    return 0;
}

struct FoundWindow {
    HWND parent;
    bool found = false;
};

BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FoundWindow*>(lp);
    if (GetParent(w) == f->parent || GetWindow(w, GW_OWNER) == f->parent) {
        f->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int DiskFormat::Format(int drive, const std::string& label, bool confirmErase, void* parentWindow) {
    std::unique_lock<std::mutex> lock(g_formatLock, std::try_to_lock);
    if (!lock.owns_lock() || drive < 0 || drive > 25) return platform::kFormatNotRun;
    FormatJob job;
    job.drive = static_cast<UINT>(drive);
    job.label = Wide(label);
    job.confirmErase = confirmErase;
    job.parent = static_cast<HWND>(parentWindow);
    job.function = formatFunction;
    g_job = &job;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, FormatThread, &job, 0, &threadId);
    if (!thread) {
        g_job = nullptr;
        return platform::kFormatNotRun;
    }
    // Messages keep moving until the thread ends: the dialog talks to its
    // owner on this thread, so a plain wait could lock both up.
    FoundWindow seen{job.parent};
    bool quit = false;  // an end of the program asked for meanwhile is passed on
    int quitCode = 0;
    for (;;) {
        DWORD w = MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT);
        if (w == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!seen.found && job.parent) EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&seen));
    }
    CloseHandle(thread);
    g_job = nullptr;
    if (quit) PostQuitMessage(quitCode);
    return job.result;
}

}  // namespace zk::win32
