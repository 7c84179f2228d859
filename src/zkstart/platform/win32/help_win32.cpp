#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

bool Help::Call(const std::string& helpFile, platform::HelpCommand command, const std::string& data) {
    HWND owner = GetActiveWindow();
    std::wstring file = Wide(helpFile);
    switch (command) {
        case platform::HelpCommand::Contents:
            return ::WinHelpW(owner, file.c_str(), HELP_CONTENTS, 0) != FALSE;
        case platform::HelpCommand::Command: {
            std::wstring macro = Wide(data);
            return ::WinHelpW(owner, file.c_str(), HELP_COMMAND, reinterpret_cast<ULONG_PTR>(macro.c_str())) != FALSE;
        }
        case platform::HelpCommand::Context:
            return ::WinHelpW(owner, file.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(std::atoi(data.c_str()))) != FALSE;
    }
    return false;
}

}  // namespace zk::win32
