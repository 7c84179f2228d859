#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

// WinExec's way, over the wide API so that folder names keep their umlauts:
// the first token names the program, the current folder is inherited.
unsigned Process::WinExec(const std::string& commandLine, int showMode) {
    std::wstring cmd = Wide(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return e;
        // A DOS program on a system without a DOS subsystem, among others.
        return e == ERROR_BAD_EXE_FORMAT || e == ERROR_BAD_FORMAT ? ERROR_BAD_FORMAT : 0;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 33;
}

}  // namespace zk::win32
