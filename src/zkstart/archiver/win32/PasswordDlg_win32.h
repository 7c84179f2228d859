// The password dialog on real windows, modal to the program's other windows.
#pragma once
#include "archiver/PasswordDlg.h"

namespace zk::win32 {

// Shows the dialog and handles messages until a button or the close box ends it.
void RunPasswordDlg(TPasswordDlg& dlg);

// Makes every password dialog run this way; call once at start.
inline void InstallPasswordDlg() { TPasswordDlg::runModal = RunPasswordDlg; }

}  // namespace zk::win32
