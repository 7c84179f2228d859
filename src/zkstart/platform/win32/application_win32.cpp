#include <windows.h>

#include <map>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

void Application::PostQuit() { PostQuitMessage(0); }

// The standard error box: the message, ended with a full stop, under the title.
void Application::ShowError(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(Title()).c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop still has to see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Application::DiscardInput() {
    // A peek that finds nothing first takes in what the window system still
    // holds for the thread, so go round until a pass removes nothing.
    static constexpr UINT kInput[][2] = {
        {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
    MSG msg;
    for (bool removed = true; removed;) {
        removed = false;
        for (const auto& range : kInput) {
            while (PeekMessageW(&msg, nullptr, range[0], range[1], PM_REMOVE | PM_NOYIELD)) {
                // A quit comes whatever the filter; the main loop still has to see it.
                if (msg.message == WM_QUIT) return PostQuitMessage(static_cast<int>(msg.wParam));
                removed = true;
            }
        }
    }
}

namespace {
std::map<UINT_PTR, std::function<void()>>& TimerMap() {
    static std::map<UINT_PTR, std::function<void()>> timers;
    return timers;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    auto& m = TimerMap();
    auto it = m.find(id);
    if (it == m.end()) return;
    auto fn = it->second;  // the callback may stop its own timer
    fn();
}
}  // namespace

int Timers::Start(unsigned intervalMs, std::function<void()> fn) {
    UINT_PTR id = SetTimer(nullptr, 0, intervalMs ? intervalMs : 1, OnTimer);
    if (!id) return 0;
    TimerMap()[id] = std::move(fn);
    return static_cast<int>(id);
}

void Timers::Stop(int id) {
    KillTimer(nullptr, static_cast<UINT_PTR>(id));
    TimerMap().erase(static_cast<UINT_PTR>(id));
}

}  // namespace zk::win32
