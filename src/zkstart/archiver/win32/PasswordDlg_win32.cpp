#include <windows.h>

#include <vector>

#include "ui/win32/peers.h"
#include "archiver/win32/PasswordDlg_win32.h"

namespace zk::win32 {

namespace {
BOOL CALLBACK CollectEnabled(HWND h, LPARAM param) {
    if (IsWindowVisible(h) && IsWindowEnabled(h)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(h);
    return TRUE;
}
}  // namespace

void RunPasswordDlg(TPasswordDlg& dlg) {
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    HWND owner = GetActiveWindow();
    ui::win32::Realize(dlg);
    for (HWND h : disabled) EnableWindow(h, FALSE);
    dlg.Show();
    MSG msg;
    while (dlg.ModalResult == platform::mrNone && dlg.Visible()) {
        // The program is ending: the dialog counts as cancelled.
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) break;
        WaitMessage();
        ui::win32::ProcessMessages();
    }
    for (HWND h : disabled) EnableWindow(h, TRUE);
    dlg.Hide();
    if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

}  // namespace zk::win32
