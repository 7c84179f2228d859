#include <windows.h>
#include <commdlg.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

bool FileDialogs::OpenFile(const platform::OpenFileRequest& request, std::string& path) {
    // The filter list: name and pattern pairs, each ending in a NUL, the
    // whole list in one more.
    std::wstring filter;
    for (const platform::FileFilter& f : request.filters) {
        filter += Wide(f.name) + L'\0';
        filter += Wide(f.pattern) + L'\0';
    }
    filter += L'\0';
    std::wstring title = Wide(request.title), folder = Wide(request.folder);
    std::wstring file(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // The game's folder must stay current: DOSBox and the game inherit it.
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return false;
    file.resize(wcslen(file.c_str()));
    path = Utf8(file);
    return true;
}

}  // namespace zk::win32
