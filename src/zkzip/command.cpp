#include "zkzip/command.h"

#include <algorithm>
#include <cstring>

#include "zkzip/names.h"
#include "zkzip/zkzip.h"

namespace zkzip {

namespace {

std::string Text(const char* p) { return p ? std::string(p) : std::string(); }

// Whole entries: ">" or "|" in front, "<password" behind.
void ReadOldSpecs(const ZipCommand& c, int count, Caller& caller, Options& o) {
    const ZipCommandOld& old = reinterpret_cast<const ZipCommandOld&>(c);
    if (count > ZK_OLD_SPEC_SLOTS) {
        caller.Message(kInfo, "Only the first " + std::to_string(ZK_OLD_SPEC_SLOTS) + " file specifications are used");
        count = ZK_OLD_SPEC_SLOTS;
    }
    for (int k = 0; k < count; ++k) {
        std::string e = Text(old.fileSpecs[k]);
        Spec s;
        s.recurse = c.recurse != 0;
        s.encrypt = c.encrypt != 0;
        if (!e.empty() && (e[0] == '>' || e[0] == '|')) {
            s.recurse = e[0] == '>';
            e.erase(0, 1);
        }
        size_t lt = e.find('<');
        if (lt != std::string::npos) {
            s.password = e.substr(lt + 1);
            s.hasPassword = !s.password.empty();
            s.encrypt = s.hasPassword;
            e.erase(lt);
        }
        s.pattern = e;
        o.specs.push_back(std::move(s));
    }
}

}  // namespace

Failure IoFail(int code, const std::string& what) {
    return Failure{code, what + ": " + fs::LastErrorText(), fs::LastReason()};
}

bool Options::IsStoredSuffix(const std::string& name) const {
    std::string f = Fold(name);
    for (const auto& s : suffixes) {
        if (f.size() >= s.size() && f.compare(f.size() - s.size(), s.size(), s) == 0) return true;
    }
    return false;
}

Options ReadCommand(const ZipCommand& c, Caller& caller) {
    Options o;
    // The old layout has the end mark where the new one has the temp folder.
    o.oldLayout = reinterpret_cast<uintptr_t>(c.tempDir) == uintptr_t(ZK_END_MARK);
    o.archive = Slashed(Text(c.archiveName));
    o.password = Text(c.password);
    o.verbose = c.verbose != 0 || c.trace != 0;
    o.trace = c.trace != 0;
    o.hidden = c.hiddenFiles != 0;
    o.dirEntries = c.noDirEntries == 0;
    o.dropDirs = c.dropDirNames != 0;
    o.forceDos = c.forceDOS != 0;
    o.move = c.move != 0;
    o.update = c.update != 0;
    o.freshen = c.freshen != 0 && !o.update;
    o.keepTime = c.keepArchiveTime != 0;
    o.level = std::clamp<int>(c.level, 0, 9);
    std::string list = Text(c.storeSuffixes);
    size_t i = 0;
    while (i < list.size()) {
        size_t j = list.find_first_of(":;", i);
        if (j == std::string::npos) j = list.size();
        std::string s = list.substr(i, j - i);
        if (!s.empty()) o.suffixes.push_back(Fold(s[0] == '.' ? s : "." + s));
        i = j + 1;
    }

    const int count = std::max(c.argCount, 0);
    if (o.oldLayout) {
        ReadOldSpecs(c, count, caller, o);
        return o;
    }
    o.tempDir = Slashed(Text(c.tempDir));
    o.hasComment = c.comment != nullptr;
    o.comment = Text(c.comment);
    if (o.comment.size() > 0xFFFF) o.comment.resize(0xFFFF);
    o.archiveOnly = c.archiveOnly != 0;
    o.resetArchive = c.resetArchive != 0;
    for (int k = 0; k < std::max(c.exclCount, 0) && c.excl; ++k) {
        std::string e = Slashed(Text(c.excl[k]));
        if (e.rfind("./", 0) == 0) e.erase(0, 2);
        if (!e.empty()) o.excl.push_back(e);
    }
    for (int k = 0; k < count && c.fileSpecs; ++k) {
        const ZipFileSpec& f = c.fileSpecs[k];
        Spec s;
        s.pattern = Text(f.fileSpec);
        s.rootDir = Slashed(Text(f.rootDir));
        s.recurse = f.recurse != 0;
        s.encrypt = f.encrypt != 0;
        s.password = Text(f.password);
        s.hasPassword = !s.password.empty();
        o.specs.push_back(std::move(s));
    }
    return o;
}

int32_t Caller::Callback(int32_t action, int32_t error, int32_t value, const std::string& text,
                         ZipCallbackData* out) {
    if (!cmd_.callback) return 0;
    ZipCallbackData d;
    std::memset(&d, 0, sizeof d);
    d.handle = cmd_.handle;
    d.caller = cmd_.caller;
    d.actionCode = action;
    d.errorCode = error;
    d.value = value;
    size_t n = std::min(text.size(), sizeof d.text - 1);
    std::memcpy(d.text, text.data(), n);
    int32_t r = cmd_.callback(&d);
    if (out) *out = d;
    return r;
}

void Caller::Step(int32_t action, int32_t value, const std::string& text) {
    if (Callback(action, 0, value, text) == -1) throw Cancelled{};
}

void Caller::Message(int code, const std::string& text) {
    if (Callback(ZK_CB_MESSAGE, code, 0, text) == -1) throw Cancelled{};
}

}  // namespace zkzip
