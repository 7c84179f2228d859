// The platform services a window or routine needs, handed in as one bundle.
#pragma once
#include "platform/application.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/diskformat.h"
#include "platform/dynlib.h"
#include "platform/filedialog.h"
#include "platform/filesystem.h"
#include "platform/help.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shelllink.h"
#include "platform/timers.h"

namespace zk::platform {

struct Platform {
    Registry& registry;
    FileSystem& files;
    Process& process;
    Help& help;
    Dialogs& dialogs;
    Application& app;
    Timers& timers;
    ShellLinks& shellLinks;
    DynLib& dynlib;
    CodePages& codePages;
    DiskFormat& diskFormat;
    FileDialogs& fileDialogs;
};

}  // namespace zk::platform
