// The platform services a window or routine needs, handed in as one bundle.
#pragma once
#include "platform/application.h"
#include "platform/dialogs.h"
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
};

}  // namespace zk::platform
