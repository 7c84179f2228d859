// A stand-in for the game: shows the command line and working folder it
// was started with. With ZK_STUB_LOG set it writes both, one per line in
// UTF-8, to that file instead, then its arguments, one per line, as
// Windows programs split them, and ends at once (the end-to-end tests).
// Built a second time as DOSBox.exe it answers to ZK_DOSBOX_LOG.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "utf16/utf16.h"

#ifndef ZK_STUB_NAME
#define ZK_STUB_NAME L"ZANTORIK"
#define ZK_STUB_LOG_VAR L"ZK_STUB_LOG"
#endif

using utf16::Utf8;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring cmd = GetCommandLineW();
    wchar_t dir[MAX_PATH * 4];
    GetCurrentDirectoryW(MAX_PATH * 4, dir);

    wchar_t log[MAX_PATH * 4];
    if (GetEnvironmentVariableW(ZK_STUB_LOG_VAR, log, MAX_PATH * 4)) {
        HANDLE f = CreateFileW(log, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 1;
        std::string text = Utf8(cmd) + "\n" + Utf8(dir) + "\n";
#ifdef ZK_STUB_ARGS
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(cmd.c_str(), &argc);
        for (int i = 1; argv && i < argc; ++i) text += Utf8(argv[i]) + "\n";
        LocalFree(argv);
#endif
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        return written == text.size() ? 0 : 1;
    }
    std::wstring text = ZK_STUB_NAME L" (Demo)\n\nKommandozeile:\n" + cmd + L"\n\nArbeitsordner:\n" + dir;
    MessageBoxW(nullptr, text.c_str(), ZK_STUB_NAME, MB_OK | MB_ICONINFORMATION);
    return 0;
}
