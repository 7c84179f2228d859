// The real platform, every service on Windows, assembled here and only here.
#pragma once
#include "platform/platform.h"
#include "platform/win32/shelllink_win32.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/dialogs_win32.h"

namespace zk::win32 {

struct Win32Platform {
    Registry registry;
    FileSystem files;
    Process process;
    Help help;
    ui::win32::Dialogs dialogs{help};
    Application app;
    Timers timers;
    ShellLinks shellLinks;  // COM for this thread, as long as the bundle lives
    DynLib dynlib;
    CodePages codePages;
    DiskFormat diskFormat;
    FileDialogs fileDialogs;
    platform::Platform Get() {
        return platform::Platform{registry, files, process, help, dialogs, app, timers, shellLinks, dynlib, codePages,
                                  diskFormat, fileDialogs};
    }
};

}  // namespace zk::win32
