// In-memory platform for headless tests: every service records what it was
// asked, and a test scripts the answers and the failures. One file per
// service; FakePlatform bundles them.
#pragma once
#include "platform/fake/fake_application.h"
#include "platform/fake/fake_dialogs.h"
#include "platform/fake/fake_diskformat.h"
#include "platform/fake/fake_dynlib.h"
#include "platform/fake/fake_filedialogs.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_help.h"
#include "platform/fake/fake_process.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_shelllink.h"
#include "platform/fake/fake_timers.h"
#include "platform/platform.h"

namespace zk::platform {

struct FakePlatform {
    FakeRegistry registry;
    FakeFileSystem files;
    FakeProcess process{files};
    FakeHelp help;
    FakeDialogs dialogs;
    FakeApplication app;
    FakeTimers timers;
    FakeShellLinks shellLinks{files};
    FakeDynLib dynlib{files};
    FakeCodePages codePages;
    FakeDiskFormat diskFormat{files};
    FakeFileDialogs fileDialogs;
    Platform Get() {
        return Platform{registry, files, process, help, dialogs, app, timers, shellLinks, dynlib, codePages,
                        diskFormat, fileDialogs};
    }
};

}  // namespace zk::platform
