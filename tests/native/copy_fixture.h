// The copy engine with a progress that notes what the window would show, and a stand-in archive.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/text.h"
#include "platform/fake/fake_platform.h"
#include "setup/copyengine.h"

namespace zk::test {

// The rest of each line that starts with the prefix.
inline std::vector<std::string> Tails(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

// Each call as "kind value": "begin heading total", "done n", "free off", "focus source", "error text"...
struct RecordedProgress : CopyProgress {
    std::vector<std::string> log;
    void Status(const std::string& text) override { log.push_back("status " + text); }
    void Begin(const std::string& heading, int32_t total) override { log.push_back("begin " + heading + " " + std::to_string(total)); }
    void Progress(int32_t done, int32_t left) override { log.insert(log.end(), {"done " + std::to_string(done), "left " + std::to_string(left)}); }
    void Free(int32_t bytes) override { log.push_back("free " + std::to_string(bytes)); }
    void FreeNotFollowed() override { log.push_back("free off"); }
    void Focus(Field field) override { log.push_back(field == Field::Source ? "focus source" : "focus target"); }
    void Warning(const std::string& text) override { log.push_back("warning " + text), onWarning ? onWarning() : void(); }
    void Error(const std::string& text) override { log.push_back("error " + text); }
    std::function<void()> onWarning;  // the user acting before confirming
    std::vector<std::string> Of(const std::string& kind) const { return Tails(log, kind + " "); }
};

struct CopyRig {
    explicit CopyRig(platform::Platform& platform) : engine(platform, progress) {}
    RecordedProgress progress;
    CopyEngine engine;
    CopyPlan plan;
    bool Prepare(const std::string& source, const std::string& target) { return engine.PrepareCopy(source, target, plan); }
    bool Run(const std::string& source, const std::string& target) { return Prepare(source, target) && engine.CopyAll(plan); }
};

// Reads each file from the current folder as the library does; no archive without its folder, none of `refuse`.
class RecordingZip : public ZipArchive {
public:
    explicit RecordingZip(platform::FakeFileSystem& files) : files_(files) {}
    void SetAddCompLevel(int level) override { log.push_back("level " + std::to_string(level)); }
    void SetAddOptions(uint16_t options) override { log.push_back("options " + std::to_string(options)); }
    void SetZipFileName(const std::string& name) override { log.push_back("name " + (name_ = name)), notAnArchive ? name_.clear() : void(); }
    std::string ZipFileName() override { return name_; }
    void SetFSpecArgs(const std::vector<std::string>& specs) override { specs_ = specs; }
    bool AddFiles() override {
        if (onAdd) onAdd();
        bool ok = true;
        for (const std::string& spec : specs_) {
            log.push_back("add " + spec + " from " + files_.CurrentDir());
            ok = ok && files_.FileExists(spec) && files_.DirExists(name_.substr(0, name_.rfind('\\') + 1)) && !refuse.count(spec);
            if (ok) archives[UpperCaseDE(name_)][spec] = files_.Content(spec), files_.AddFile(name_, "PK");
        }
        return ok;
    }
    std::vector<std::string> Entries() override {
        std::vector<std::string> names;
        for (const auto& entry : archives[UpperCaseDE(name_)]) names.push_back(entry.first);
        return forget ? std::vector<std::string>{} : names;
    }
    std::set<std::string> refuse;  // not added
    bool forget = false;            // the directory reads back empty
    bool notAnArchive = false;      // the file named reads as none: the name is dropped
    std::function<void()> onAdd;    // the user acting while the component lets messages through
    std::vector<std::string> log;
    std::map<std::string, std::map<std::string, std::string>> archives;  // by upper-cased name

private:
    platform::FakeFileSystem& files_;
    std::string name_;
    std::vector<std::string> specs_;
};

}  // namespace zk::test
