// In-memory platform for headless tests: every service records what it was
// asked, and a test scripts the answers and the failures.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_shelllink.h"
#include "platform/platform.h"

namespace zk::platform {

class FakeRegistry : public Registry {
public:
    enum class Type { Sz, Dword };
    struct Value {
        Type type = Type::Sz;
        std::string text;
    };

    bool CreateKey(const std::string& key) override;
    bool KeyExists(const std::string& key) override;
    StringRead ReadString(const std::string& key, const std::string& name) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;

    // Test side.
    void SetValue(const std::string& key, const std::string& name, const std::string& text, Type type = Type::Sz);
    const Value* Find(const std::string& key, const std::string& name) const;
    std::set<std::string> failCreate;  // keys (any case) whose creation fails
    std::vector<std::string> writes;   // "key\name=value" in order

private:
    static std::string Fold(const std::string& s);
    std::map<std::string, std::map<std::string, Value>> keys_;  // folded names
};

class FakeFileSystem : public FileSystem {
public:
    struct Node {
        bool dir = false;
        uint32_t attr = 0;
        std::string content;
    };

    std::string ModulePath() override { return modulePath; }
    std::string CurrentDir() override { return current_; }
    bool SetCurrentDir(const std::string& dir) override;
    bool FindFirst(const std::string& path, uint32_t attrMask, FoundEntry& found) override;
    bool FileExists(const std::string& path) override;
    int LastError() override { return lastError_; }

    // Test side. Parents are created as needed.
    void AddDir(const std::string& path);
    void AddFile(const std::string& path, const std::string& content = {}, uint32_t attr = faArchive);
    std::string Absolute(const std::string& path) const;
    std::string modulePath = "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE";
    std::set<std::string> failSetCurrent;  // folders (any case) that cannot be made current
    unsigned DriveTypeOf(const std::string& root) override;
    std::map<std::string, unsigned> driveTypes;  // by root (any case); else fixed for "X:\"

private:
    static std::string Key(const std::string& absolute);
    std::map<std::string, Node> nodes_;     // by folded absolute path without trailing "\"
    std::map<std::string, std::string> names_;  // folded → name as created
    std::string current_ = "C:\\";
    int lastError_ = 0;
};

class FakeProcess : public Process {
public:
    explicit FakeProcess(FileSystem& files) : files_(files) {}
    struct Started {
        std::string commandLine;
        int showMode;
        std::string currentDir;
    };
    unsigned WinExec(const std::string& commandLine, int showMode) override {
        started.push_back({commandLine, showMode, files_.CurrentDir()});
        return 33;
    }
    std::vector<Started> started;

private:
    FileSystem& files_;
};

class FakeHelp : public Help {
public:
    struct HelpCall {
        std::string file;
        HelpCommand command;
        std::string data;
    };
    bool Call(const std::string& helpFile, HelpCommand command, const std::string& data) override {
        calls.push_back({helpFile, command, data});
        return succeed;
    }
    std::vector<HelpCall> calls;
    bool succeed = true;
};

// Answers dialogs from a script; a dialog nobody scripted goes to
// onUnexpected (tests make that a failure) and is answered with Cancel.
class FakeDialogs : public Dialogs {
public:
    int Show(const DialogRequest& request) override;
    void Answer(int modalResult) { script.push_back(modalResult); }
    std::deque<int> script;
    std::vector<DialogRequest> shown;
    std::function<void(const DialogRequest&)> onUnexpected;
    int unexpected = 0;
};

class FakeApplication : public ApplicationState {
public:
    void PostQuit() override { ++quitPosted; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    int quitPosted = 0;
    std::vector<std::string> errors;
};

// Time moves only when a test advances it.
class FakeTimers : public Timers {
public:
    int Start(unsigned intervalMs, std::function<void()> fn) override;
    void Stop(int id) override;
    // Fires every timer that falls due, in time order.
    void Advance(unsigned ms);
    bool Running(int id) const;
    size_t Count() const { return timers_.size(); }
    unsigned long long now = 0;

private:
    struct Entry {
        unsigned interval;
        unsigned long long due;
        std::function<void()> fn;
    };
    std::map<int, Entry> timers_;
    int next_ = 1;
};

struct FakePlatform {
    FakeRegistry registry;
    FakeFileSystem files;
    FakeProcess process{files};
    FakeHelp help;
    FakeDialogs dialogs;
    FakeApplication app;
    FakeTimers timers;
    FakeShellLinks shellLinks{files};
    Platform Get() { return Platform{registry, files, process, help, dialogs, app, timers, shellLinks}; }
};

}  // namespace zk::platform
