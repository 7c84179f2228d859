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

// Which services Mix takes from its second bundle.
enum Service : unsigned {
    kRegistry = 1u << 0, kFiles = 1u << 1, kProcess = 1u << 2, kHelp = 1u << 3,
    kDialogs = 1u << 4, kApp = 1u << 5, kTimers = 1u << 6, kShellLinks = 1u << 7,
    kDynLib = 1u << 8, kCodePages = 1u << 9, kDiskFormat = 1u << 10, kFileDialogs = 1u << 11,
};

// A bundle of two: the services named in `take` from `other`, the rest from
// `base`. Tests run real files under fake dialogs this way.
inline Platform Mix(const Platform& base, const Platform& other, unsigned take) {
    auto pick = [take](Service s, auto& b, auto& o) -> decltype(b) { return (take & s) ? o : b; };
    return Platform{pick(kRegistry, base.registry, other.registry), pick(kFiles, base.files, other.files),
                    pick(kProcess, base.process, other.process),    pick(kHelp, base.help, other.help),
                    pick(kDialogs, base.dialogs, other.dialogs),    pick(kApp, base.app, other.app),
                    pick(kTimers, base.timers, other.timers),       pick(kShellLinks, base.shellLinks, other.shellLinks),
                    pick(kDynLib, base.dynlib, other.dynlib),       pick(kCodePages, base.codePages, other.codePages),
                    pick(kDiskFormat, base.diskFormat, other.diskFormat),
                    pick(kFileDialogs, base.fileDialogs, other.fileDialogs)};
}

}  // namespace zk::platform
