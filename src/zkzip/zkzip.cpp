// ZkZipExec: adds files to a zip archive.
//
// Safety first: a process that ends at any moment of an add (a crash, the
// task manager) leaves the old archive or the new one. Plain additions go in
// place, over the old central directory; the bytes overwritten there go to
// the undo record beside the archive first (zipundo/undo.h), which the next
// reader applies when the add never finished. Replacing entries, or an
// archive whose layout does not allow that, means writing a new archive to
// a temporary file that replaces the old one only when it is complete. The
// record is held for the whole add, so one writer works at a time.
//
// A power failure or a crash of the whole system is not guarded against:
// nothing is forced to the disk (no sync), as Info-ZIP's zip and 7-Zip do
// not either. The system may then have written the archive's new bytes but
// not the record, and the archive's directory can be lost. Two syncs per add
// would close that gap and cost tens of milliseconds a file on a hard disk:
// the setup adds one file per call.
#include "zkzip/zkzip.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "zipundo/undo.h"
#include "zkzip/names.h"
#include "zkzip/zipformat.h"
#include "zkzip/zkfs.h"

namespace zkzip {

namespace journal = zipundo::journal;
using zipundo::NewCopyPath;

namespace {

// Files from this size on get zip64 local headers: stored, with an
// encryption header, their data may reach 4 GiB.
constexpr uint64_t kZip64FileSize = zipformat::kMarker32 - 64;
constexpr size_t kChunk = 256 * 1024;
constexpr int kMaxDepth = 64;

struct Failure {
    int code;
    std::string text;
    zipundo::Reason reason = zipundo::Reason::None;
};

// A failure of the file layer, with its text and its reason.
Failure IoFail(int code, const std::string& what) {
    return Failure{code, what + ": " + fs::LastErrorText(), fs::LastReason()};
}

struct Cancelled {};

// One file specification as the library sees it, from either layout.
struct Spec {
    std::string pattern;
    std::string rootDir;
    bool recurse = false;
    bool encrypt = false;
    bool hasPassword = false;
    std::string password;
};

struct Item {
    std::string src;     // path on disk
    std::string stored;  // name in the archive
    fs::Stat st;
    bool isDir = false;
    bool encrypt = false;
    std::string password;
    uint32_t dosTime = 0;
};

std::string Text(const char* p) { return p ? std::string(p) : std::string(); }

std::string Slashed(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::string DirName(const std::string& path) {
    size_t p = path.find_last_of('/');
    if (p == std::string::npos) return ".";
    return p == 0 ? "/" : path.substr(0, p);
}

std::string BaseName(const std::string& path) {
    size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

int32_t Clamp32(uint64_t v) { return int32_t(std::min<uint64_t>(v, 0x7FFFFFFF)); }

// The last bytes before `at` that a journal is checked against.
std::string PrefixBefore(fs::File& f, uint64_t at) {
    std::string prefix(size_t(std::min<uint64_t>(at, journal::kPrefixCheck)), '\0');
    if (!ReadAt(f, at - prefix.size(), prefix.data(), prefix.size()))
        throw IoFail(kErrRead, "Cannot read the archive");
    return prefix;
}

}  // namespace

std::string JournalPath(const std::string& archive) { return zipundo::RecordPath(archive); }

bool UndoInterruptedAdd(const std::string& archive, std::string& error) {
    const zipundo::Reason why = zipundo::UndoInterruptedAdd(fs::UndoFiles(), archive);
    if (why == zipundo::Reason::None) return true;
    error = why == zipundo::Reason::Busy ? "another program is writing the archive" : fs::LastErrorText();
    return false;
}

namespace {

// Buffered output to the archive (or its temporary copy) that keeps the
// position and refuses to grow past a limit (a test's stand-in for a file
// system's largest file).
class Output {
public:
    Output(fs::File& f, uint64_t start, uint64_t limit) : f_(f), pos_(start), limit_(limit) { buf_.reserve(kChunk * 4); }

    void Write(const void* data, size_t n) {
        if (pos_ + n > limit_)
            throw Failure{kErrTooBig, "The archive would grow beyond " + std::to_string(limit_) + " bytes"};
        const uint8_t* p = static_cast<const uint8_t*>(data);
        buf_.insert(buf_.end(), p, p + n);
        pos_ += n;
        if (buf_.size() >= kChunk * 4) Flush();
    }
    void Write(const std::vector<uint8_t>& b) { Write(b.data(), b.size()); }
    uint64_t Pos() const { return pos_; }

    void Flush() {
        if (buf_.empty()) return;
        if (!f_.Write(buf_.data(), int64_t(buf_.size())))
            throw IoFail(kErrWrite, "Cannot write the archive");
        buf_.clear();
    }
    // Overwrites bytes already written, then goes on at the end.
    void Patch(uint64_t at, const std::vector<uint8_t>& b) {
        Flush();
        if (!f_.Seek(at) || !f_.Write(b.data(), int64_t(b.size())) || !f_.Seek(pos_))
            throw IoFail(kErrWrite, "Cannot write the archive");
    }
    // Drops everything from `to` on; writing goes on there.
    void Rewind(uint64_t to) {
        Flush();
        if (!f_.Seek(to)) throw IoFail(kErrWrite, "Cannot write the archive");
        pos_ = to;
    }
    void Discard() { buf_.clear(); }

private:
    fs::File& f_;
    uint64_t pos_;
    uint64_t limit_;
    std::vector<uint8_t> buf_;
};

class Job {
public:
    explicit Job(ZipCommand* cmd) : cmd_(cmd) {}
    int32_t Run();

private:
    // Commands and callbacks.
    void ReadCommand();
    int32_t Callback(int32_t action, int32_t error, int32_t value, const std::string& text,
                     ZipCallbackData* out = nullptr);
    void Step(int32_t action, int32_t value, const std::string& text = {});
    void Message(int code, const std::string& text);

    // Finding the files.
    void Collect(const Spec& spec);
    void Walk(const std::string& dir, const std::string& storedDir, const std::string& pattern, const Spec& spec,
              bool keepDirs, int depth, bool& matched);
    void AddFound(const std::string& src, std::string stored, const fs::Stat& st, const Spec& spec);
    bool Excluded(const std::string& stored, const std::string& src) const;
    void TooDeep(const std::string& dir, const std::string& storedDir, const std::string& pattern);
    void ReportSkipped();
    bool IsStoredSuffix(const std::string& name) const;

    // Deciding what to write.
    void OpenArchive();
    void Plan();
    void AskPassword();

    // Writing.
    void WriteAll();
    void WriteItem(Output& out, Item& item);
    struct PumpResult {
        uint32_t crc = 0;
        uint64_t size = 0;
        uint64_t packed = 0;
    };
    PumpResult Pump(Output& out, const Item& item, int method, bool progress, const uint32_t* knownCrc);
    uint32_t FileCrc(const Item& item);
    std::vector<uint8_t> LocalHeader(const Item& item, uint16_t flags, uint16_t method, uint32_t crc,
                                     uint64_t packed, uint64_t size, bool zip64) const;
    void WriteJournal(const journal::Undo& undo);
    void TakeRecord();
    void Commit();
    void Rollback();
    void AfterCommit();

    ZipCommand* cmd_;
    bool oldLayout_ = false;

    // Options.
    std::string archive_;
    std::string tempDir_;
    bool hasComment_ = false;
    std::string comment_;
    std::string password_;
    bool verbose_ = false, trace_ = false;
    bool hidden_ = false, dirEntries_ = false, dropDirs_ = false, forceDos_ = false;
    bool move_ = false, update_ = false, freshen_ = false, keepTime_ = false;
    bool archiveOnly_ = false, resetArchive_ = false;
    int level_ = 9;
    std::vector<std::string> suffixes_;
    std::vector<std::string> excl_;
    std::vector<Spec> specs_;

    // What was found and what will be written.
    std::vector<Item> found_;
    std::vector<Item> plan_;
    size_t fileCount_ = 0;
    // Left out, with the reason told to the caller.
    std::vector<std::string> tooDeepDirs_, sameName_;
    size_t tooDeepFiles_ = 0;

    // The archive.
    fs::File archiveFile_;
    bool archiveExisted_ = false;
    ArchiveDirectory old_;
    std::map<std::string, size_t> oldIndex_;  // folded name -> entry

    // Writing state.
    enum class Mode { None, Create, InPlace, Rewrite } mode_ = Mode::None;
    fs::File tempFile_;
    std::string tempPath_;
    std::vector<std::vector<uint8_t>> written_;  // their central records
    std::set<size_t> replaced_;  // old entries that the new ones replace
    std::mt19937 rng_{std::random_device{}()};
    std::unique_ptr<zipundo::Writer> record_;  // held while the add lasts
    bool committed_ = false;
    // Reused from file to file: an archive of many small files would
    // otherwise spend its time clearing fresh buffers.
    std::vector<uint8_t> inBuf_, outBuf_;
    struct Deflater {
        z_stream z;
        bool ready = false;
        ~Deflater() {
            if (ready) deflateEnd(&z);
        }
    } deflater_;
};

// ---------------------------------------------------------------- command

void Job::ReadCommand() {
    ZipCommand& c = *cmd_;
    // The old layout has the end mark where the new one has the temp folder.
    oldLayout_ = reinterpret_cast<uintptr_t>(c.tempDir) == uintptr_t(ZK_END_MARK);
    archive_ = Slashed(Text(c.archiveName));
    password_ = Text(c.password);
    verbose_ = c.verbose != 0 || c.trace != 0;
    trace_ = c.trace != 0;
    hidden_ = c.hiddenFiles != 0;
    dirEntries_ = c.noDirEntries == 0;
    dropDirs_ = c.dropDirNames != 0;
    forceDos_ = c.forceDOS != 0;
    move_ = c.move != 0;
    update_ = c.update != 0;
    freshen_ = c.freshen != 0 && !update_;
    keepTime_ = c.keepArchiveTime != 0;
    level_ = std::clamp<int>(c.level, 0, 9);
    std::string list = Text(c.storeSuffixes);
    size_t i = 0;
    while (i < list.size()) {
        size_t j = list.find_first_of(":;", i);
        if (j == std::string::npos) j = list.size();
        std::string s = list.substr(i, j - i);
        if (!s.empty()) suffixes_.push_back(Fold(s[0] == '.' ? s : "." + s));
        i = j + 1;
    }

    int count = std::max(c.argCount, 0);
    if (oldLayout_) {
        // Whole entries: ">" or "|" in front, "<password" behind.
        const ZipCommandOld& o = *reinterpret_cast<const ZipCommandOld*>(cmd_);
        if (count > ZK_OLD_SPEC_SLOTS) {
            Message(kInfo, "Only the first " + std::to_string(ZK_OLD_SPEC_SLOTS) + " file specifications are used");
            count = ZK_OLD_SPEC_SLOTS;
        }
        for (int k = 0; k < count; ++k) {
            std::string e = Text(o.fileSpecs[k]);
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
            specs_.push_back(std::move(s));
        }
        return;
    }

    tempDir_ = Slashed(Text(c.tempDir));
    hasComment_ = c.comment != nullptr;
    comment_ = Text(c.comment);
    if (comment_.size() > 0xFFFF) comment_.resize(0xFFFF);
    archiveOnly_ = c.archiveOnly != 0;
    resetArchive_ = c.resetArchive != 0;
    for (int k = 0; k < std::max(c.exclCount, 0) && c.excl; ++k) {
        std::string e = Slashed(Text(c.excl[k]));
        if (e.rfind("./", 0) == 0) e.erase(0, 2);
        if (!e.empty()) excl_.push_back(e);
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
        specs_.push_back(std::move(s));
    }
}

int32_t Job::Callback(int32_t action, int32_t error, int32_t value, const std::string& text, ZipCallbackData* out) {
    if (!cmd_->callback) return 0;
    ZipCallbackData d;
    std::memset(&d, 0, sizeof d);
    d.handle = cmd_->handle;
    d.caller = cmd_->caller;
    d.actionCode = action;
    d.errorCode = error;
    d.value = value;
    size_t n = std::min(text.size(), sizeof d.text - 1);
    std::memcpy(d.text, text.data(), n);
    int32_t r = cmd_->callback(&d);
    if (out) *out = d;
    return r;
}

// A callback that may cancel the command.
void Job::Step(int32_t action, int32_t value, const std::string& text) {
    if (Callback(action, 0, value, text) == -1) throw Cancelled{};
}

void Job::Message(int code, const std::string& text) {
    if (Callback(ZK_CB_MESSAGE, code, 0, text) == -1 && !committed_) throw Cancelled{};
}

bool Job::IsStoredSuffix(const std::string& name) const {
    std::string f = Fold(name);
    for (const auto& s : suffixes_) {
        if (f.size() >= s.size() && f.compare(f.size() - s.size(), s.size(), s) == 0) return true;
    }
    return false;
}

bool Job::Excluded(const std::string& stored, const std::string& src) const {
    std::string plain = stored;
    if (!plain.empty() && plain.back() == '/') plain.pop_back();
    for (const auto& e : excl_) {
        if (fs::IsAbsolute(e) ? WildMatch(e, fs::FullPath(src))
                              : e.find('/') != std::string::npos ? WildMatch(e, plain) || WildMatch(e, stored)
                                                                 : WildMatch(e, BaseName(plain)))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- finding

void Job::AddFound(const std::string& src, std::string stored, const fs::Stat& st, const Spec& spec) {
    // Never the archive itself, nor its undo record or new copy.
    if (!st.isDir && (fs::SamePath(src, archive_) || fs::SamePath(src, JournalPath(archive_)) ||
                      fs::SamePath(src, NewCopyPath(archive_))))
        return;
    if (dropDirs_) stored = BaseName(stored.back() == '/' ? stored.substr(0, stored.size() - 1) : stored);
    if (stored.empty()) return;
    if (st.isDir && stored.back() != '/') stored += '/';
    if (forceDos_) stored = DosName(stored);
    Item it;
    it.src = src;
    it.stored = stored;
    it.st = st;
    it.isDir = st.isDir;
    it.encrypt = spec.encrypt && !st.isDir;
    it.password = spec.hasPassword ? spec.password : password_;
    it.dosTime = fs::DosDateTime(st.mtime);
    found_.push_back(std::move(it));
}

void Job::Walk(const std::string& dir, const std::string& storedDir, const std::string& pattern, const Spec& spec,
               bool keepDirs, int depth, bool& matched) {
    std::vector<fs::DirItem> items;
    if (!fs::ListDir(dir, items)) {
        if (depth > 0) Message(kInfo, "Cannot read folder " + dir + ": " + fs::LastErrorText());
        return;
    }
    std::sort(items.begin(), items.end(),
              [](const fs::DirItem& a, const fs::DirItem& b) { return Fold(a.name) < Fold(b.name); });
    for (const auto& i : items) {
        if (i.st.isDir || (i.st.hidden && !hidden_)) continue;
        if (WildMatch(pattern, i.name)) {
            matched = true;
            AddFound(Join(dir, i.name), storedDir + i.name, i.st, spec);
        }
    }
    if (!spec.recurse) return;
    for (const auto& i : items) {
        if (!i.st.isDir || i.st.link || (i.st.hidden && !hidden_)) continue;
        std::string sub = Join(dir, i.name);
        std::string stored = storedDir + i.name + "/";
        if (Excluded(stored, sub)) continue;
        if (depth >= kMaxDepth) {
            TooDeep(sub, stored, pattern);
            continue;
        }
        if (keepDirs) AddFound(sub, stored, i.st, spec);
        Walk(sub, stored, pattern, spec, keepDirs, depth + 1, matched);
    }
}

// Counts the files a walk would have taken below a folder it does not enter.
void Job::TooDeep(const std::string& dir, const std::string& storedDir, const std::string& pattern) {
    size_t before = tooDeepFiles_;
    std::vector<std::pair<std::string, std::string>> todo{{dir, storedDir}};
    while (!todo.empty()) {
        auto [d, stored] = todo.back();
        todo.pop_back();
        std::vector<fs::DirItem> items;
        if (!fs::ListDir(d, items)) continue;
        for (const auto& i : items) {
            if (i.st.link || (i.st.hidden && !hidden_)) continue;
            if (!i.st.isDir) {
                tooDeepFiles_ += WildMatch(pattern, i.name) && !Excluded(stored + i.name, Join(d, i.name));
            } else if (!Excluded(stored + i.name + "/", Join(d, i.name))) {
                todo.emplace_back(Join(d, i.name), stored + i.name + "/");
            }
        }
    }
    if (tooDeepFiles_ > before) tooDeepDirs_.push_back(dir);
}

// One message per reason, naming what was left out, as many as fit.
void Job::ReportSkipped() {
    auto list = [](std::string text, const std::vector<std::string>& names) {
        for (size_t i = 0; i < names.size(); ++i) {
            std::string more = " ... (" + std::to_string(names.size() - i) + " more)";
            if (text.size() + 2 + names[i].size() + more.size() >= ZK_TEXT_SIZE) return text + more;
            text += (i ? "; " : " ") + names[i];
        }
        return text;
    };
    if (tooDeepFiles_ != 0)
        Message(kSkippedTooDeep, list(std::to_string(tooDeepFiles_) + " file(s) not added, more than " +
                                          std::to_string(kMaxDepth) + " folders deep, below:",
                                      tooDeepDirs_));
    if (!sameName_.empty())
        Message(kSkippedSameName, list(std::to_string(sameName_.size()) +
                                           " file(s) not added, their names in the archive are taken:",
                                       sameName_));
}

void Job::Collect(const Spec& spec) {
    std::string pat = Slashed(spec.pattern);
    if (pat.empty()) return;
    bool absolute = fs::IsAbsolute(pat);
    std::string base = absolute ? std::string() : !spec.rootDir.empty() ? spec.rootDir : fs::CurrentDir();
    size_t slash = pat.find_last_of('/');
    std::string dirPart = slash == std::string::npos ? std::string() : pat.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? pat : pat.substr(slash + 1);
    if (absolute && dirPart.size() == 3 && dirPart[1] == ':') dirPart = dirPart.substr(0, 3);
    std::string searchDir = absolute ? dirPart : Join(base, dirPart);
    if (searchDir.empty()) searchDir = ".";
    if (searchDir.size() > 1 && searchDir.back() == '/' && !(searchDir.size() == 3 && searchDir[1] == ':'))
        searchDir.pop_back();

    // Stored names are relative to the base folder; an absolute spec inside
    // the root folder is stored relative to it, any other loses its drive.
    std::string storedDir = CleanStoredName(dirPart);
    if (absolute && !spec.rootDir.empty()) {
        std::string root = Fold(fs::FullPath(spec.rootDir)), here = fs::FullPath(searchDir);
        if (root.back() != '/') root += '/';
        if (Fold(here + "/").rfind(root, 0) == 0) storedDir = CleanStoredName(here.substr(std::min(here.size(), root.size())));
    }
    if (!storedDir.empty()) storedDir += '/';
    bool keepDirs = dirEntries_ && !dropDirs_;

    bool matched = false;
    if (!HasWildcards(name)) {
        fs::Stat st;
        std::string path = Join(searchDir, name);
        if (!name.empty() && fs::GetStat(path, st)) {
            if (!st.isDir) {
                // A file named outright is taken even when it is hidden.
                matched = true;
                AddFound(path, storedDir + name, st, spec);
            } else {
                matched = true;
                if (keepDirs) AddFound(path, storedDir + name + "/", st, spec);
                if (spec.recurse) {
                    Spec all = spec;
                    Walk(path, storedDir + name + "/", "*", all, keepDirs, 1, matched);
                } else if (!keepDirs) {
                    Message(kInfo, "Skipped folder " + pat + " (no recursion, no folder entries)");
                }
            }
        }
        if (spec.recurse && !name.empty()) {
            // The name counts in every subfolder too.
            std::vector<fs::DirItem> items;
            if (fs::ListDir(searchDir, items)) {
                std::sort(items.begin(), items.end(),
                          [](const fs::DirItem& a, const fs::DirItem& b) { return Fold(a.name) < Fold(b.name); });
                for (const auto& i : items) {
                    if (!i.st.isDir || i.st.link || (i.st.hidden && !hidden_) || Fold(i.name) == Fold(name)) continue;
                    std::string stored = storedDir + i.name + "/";
                    if (Excluded(stored, Join(searchDir, i.name))) continue;
                    Walk(Join(searchDir, i.name), stored, name, spec, false, 1, matched);
                }
            }
        }
    } else {
        Walk(searchDir, storedDir, name, spec, keepDirs && spec.recurse && (name == "*" || name == "*.*"), 0, matched);
    }
    if (!matched) Message(kInfo, "Name not matched: " + spec.pattern);
}

// ---------------------------------------------------------------- planning

// One writer at a time: the record is ours until the add ends, and an add
// that a crash cut short is undone first.
void Job::TakeRecord() {
    record_ = std::make_unique<zipundo::Writer>(fs::UndoFiles(), archive_);
    const zipundo::Reason why = record_->Take();
    if (why == zipundo::Reason::Busy)
        throw Failure{kErrBusy, archive_ + ": another program is writing the archive", why};
    if (why != zipundo::Reason::None) {
        const bool undoing = record_->Undoing();
        record_.reset();
        throw Failure{undoing ? kErrUndo : kErrCreate,
                      archive_ + (undoing ? ": an interrupted add could not be undone: " : ": cannot take the archive: ") +
                          fs::LastErrorText(),
                      why};
    }
    // A new copy that a crash left behind is nobody's now.
    fs::Stat st;
    if (fs::GetStat(NewCopyPath(archive_), st) && !fs::Remove(NewCopyPath(archive_)))
        throw IoFail(kErrTemp, "Cannot remove " + NewCopyPath(archive_));
}

void Job::OpenArchive() {
    std::string error;
    TakeRecord();
    fs::Stat st;
    archiveExisted_ = fs::GetStat(archive_, st);
    if (!archiveExisted_) return;
    if (st.isDir) throw Failure{kErrCreate, "The archive name is a folder: " + archive_};
    if (!archiveFile_.Open(archive_, fs::File::Mode::ReadWrite))
        throw IoFail(kErrCreate, "Cannot open the archive " + archive_);
    if (archiveFile_.Size() == 0) {
        old_.appendable = true;  // an empty file becomes the archive
        return;
    }
    if (!ReadDirectory(archiveFile_, old_, error)) throw Failure{kErrFormat, archive_ + ": " + error};
    for (size_t i = 0; i < old_.entries.size(); ++i) oldIndex_.emplace(Fold(old_.entries[i].name), i);
}

void Job::Plan() {
    std::map<std::string, std::string> taken;  // folded names planned -> source
    auto addDir = [&](const std::string& stored, const std::string& src) {
        std::string key = Fold(stored);
        if (oldIndex_.count(key) || taken.count(key)) return;
        fs::Stat st;
        if (!fs::GetStat(src, st) || !st.isDir) return;
        Item d;
        d.src = src;
        d.stored = stored;
        d.st = st;
        d.isDir = true;
        d.dosTime = fs::DosDateTime(st.mtime);
        taken.emplace(key, src);
        plan_.push_back(std::move(d));
    };
    for (Item& it : found_) {
        std::string key = Fold(it.stored);
        if (it.isDir) {
            if (!freshen_ && !Excluded(it.stored, it.src)) addDir(it.stored, it.src);
            continue;
        }
        if (Excluded(it.stored, it.src)) continue;
        if (auto t = taken.find(key); t != taken.end()) {
            // The same file named twice is no loss; another file of that name is.
            if (!fs::SamePath(t->second, it.src)) sameName_.push_back(it.src + " (" + it.stored + ")");
            continue;
        }
        if (archiveOnly_ && !it.st.archive) continue;
        auto old = oldIndex_.find(key);
        bool exists = old != oldIndex_.end();
        bool newer = exists && it.dosTime > old_.entries[old->second].dosTime;
        if (freshen_ && !newer) continue;
        if (update_ && exists && !newer) continue;
        if (dirEntries_ && !dropDirs_ && !freshen_) {
            // The folders above the file, each once, before it.
            std::vector<std::pair<std::string, std::string>> parents;
            std::string stored = it.stored, src = it.src;
            for (size_t p = stored.find_last_of('/'); p != std::string::npos && p > 0;
                 p = stored.find_last_of('/', p - 1)) {
                stored = stored.substr(0, p);
                src = DirName(src);
                parents.emplace_back(stored + "/", src);
            }
            for (auto r = parents.rbegin(); r != parents.rend(); ++r) addDir(r->first, r->second);
        }
        if (exists) replaced_.insert(old->second);
        taken.emplace(key, it.src);
        plan_.push_back(it);
        ++fileCount_;
    }
    if (fileCount_ == 0) plan_.clear();
}

void Job::AskPassword() {
    const Item* needs = nullptr;
    for (const Item& it : plan_) {
        if (it.encrypt && it.password.empty()) {
            needs = &it;
            break;
        }
    }
    if (!needs) return;
    ZipCallbackData d;
    // Bit 0 of the error field: ask twice, as a new password is being set.
    if (Callback(ZK_CB_PASSWORD, 1, 1, needs->stored, &d) == -1) throw Cancelled{};
    d.text[sizeof d.text - 1] = 0;
    std::string answer = d.errorCode != 0 ? std::string(d.text) : std::string();
    if (answer.empty()) throw Failure{kErrPassword, "No password given: nothing was added"};
    for (Item& it : plan_) {
        if (it.encrypt && it.password.empty()) it.password = answer;
    }
}

// ---------------------------------------------------------------- writing

std::vector<uint8_t> Job::LocalHeader(const Item& item, uint16_t flags, uint16_t method, uint32_t crc,
                                      uint64_t packed, uint64_t size, bool zip64) const {
    zipformat::LocalHeader h;
    h.versionNeeded = (method == 8 || (flags & kFlagEncrypted) || item.isDir) ? 20 : 10;
    h.flags = flags;
    h.method = method;
    h.dosTime = item.dosTime;
    h.crc = crc;
    h.packed = packed;
    h.size = size;
    return zipformat::LocalBytes(h, item.stored, zip64);
}

uint32_t Job::FileCrc(const Item& item) {
    fs::File f;
    if (!f.Open(item.src, fs::File::Mode::Read))
        throw IoFail(kErrOpen, "Cannot open " + item.src);
    std::vector<uint8_t> buf(kChunk);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        int64_t n = f.Read(buf.data(), int64_t(buf.size()));
        if (n < 0) throw IoFail(kErrRead, "Cannot read " + item.src);
        if (n == 0) break;
        crc = crc32(crc, buf.data(), uInt(n));
    }
    return uint32_t(crc);
}

// Already-compressed data gains nothing from deflate and costs it the most
// time. After a window of input that deflate did not shrink, the data goes
// out in plain deflate blocks until a stretch of it looks compressible
// again (its bytes are far from evenly spread); then the requested level
// returns. The stream stays one valid deflate stream throughout.
class LevelChooser {
public:
    static constexpr size_t kStretch = 32 * 1024;

    explicit LevelChooser(int level) : current(level), wanted(level) {}

    // At the requested level: whether the last window came out no smaller
    // than it went in.
    bool WindowDidNotShrink(uLong totalIn, uLong totalOut) {
        const uLong in = totalIn - windowIn_, out = totalOut - windowOut_;
        if (in < kWindow) return false;
        StartWindow(totalIn, totalOut);
        return out >= in - in / 100;
    }
    void StartWindow(uLong totalIn, uLong totalOut) {
        windowIn_ = totalIn;
        windowOut_ = totalOut;
    }
    // Order-0 entropy below 7.8 bits a byte: Huffman coding alone saves a
    // few percent there.
    static bool LooksCompressible(const uint8_t* data, size_t n) {
        if (n < 256) return true;
        uint32_t counts[256] = {};
        for (size_t i = 0; i < n; ++i) ++counts[data[i]];
        double bits = 0;
        for (uint32_t c : counts)
            if (c) bits -= double(c) * std::log2(double(c) / double(n));
        return bits < 7.8 * double(n);
    }

    int current;
    const int wanted;

private:
    static constexpr uLong kWindow = 1024 * 1024;
    uLong windowIn_ = 0, windowOut_ = 0;
};

Job::PumpResult Job::Pump(Output& out, const Item& item, int method, bool progress, const uint32_t* knownCrc) {
    fs::File f;
    if (!f.Open(item.src, fs::File::Mode::Read))
        throw IoFail(kErrOpen, "Cannot open " + item.src);
    std::unique_ptr<ZipCrypto> crypt;
    PumpResult r;
    if (item.encrypt) {
        crypt = std::make_unique<ZipCrypto>(item.password);
        uint8_t head[12];
        for (int i = 0; i < 11; ++i) head[i] = uint8_t(rng_());
        head[11] = uint8_t(*knownCrc >> 24);  // lets a reader check the password
        crypt->Encrypt(head, sizeof head);
        out.Write(head, sizeof head);
        r.packed += sizeof head;
    }
    inBuf_.resize(kChunk);
    outBuf_.resize(kChunk);
    std::vector<uint8_t>& in = inBuf_;
    std::vector<uint8_t>& packed = outBuf_;
    z_stream& zs = deflater_.z;
    if (method == 8) {
        if (!deflater_.ready) {
            std::memset(&zs, 0, sizeof zs);
            if (deflateInit2(&zs, level_, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
                throw std::bad_alloc();
            deflater_.ready = true;
        } else if (deflateReset(&zs) != Z_OK || deflateParams(&zs, level_, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw Failure{kErrMemory, "Compression failed for " + item.src};
        }
    }

    auto emit = [&](uint8_t* data, size_t n) {
        if (crypt) crypt->Encrypt(data, n);
        out.Write(data, n);
        r.packed += n;
    };
    LevelChooser levels(level_);
    auto setLevel = [&](int level) {
        for (int tries = 0; tries < 64; ++tries) {
            zs.next_out = packed.data();
            zs.avail_out = uInt(packed.size());
            int rc = deflateParams(&zs, level, Z_DEFAULT_STRATEGY);
            emit(packed.data(), packed.size() - zs.avail_out);
            if (rc == Z_OK) {
                levels.current = level;
                levels.StartWindow(zs.total_in, zs.total_out);
                return;
            }
            if (rc != Z_BUF_ERROR) break;
        }
        throw Failure{kErrMemory, "Compression failed for " + item.src};
    };
    auto feed = [&](uint8_t* data, size_t n, int flush) {
        zs.next_in = data;
        zs.avail_in = uInt(n);
        int rc;
        do {
            zs.next_out = packed.data();
            zs.avail_out = uInt(packed.size());
            rc = deflate(&zs, flush);
            if (rc == Z_STREAM_ERROR) throw Failure{kErrMemory, "Compression failed for " + item.src};
            emit(packed.data(), packed.size() - zs.avail_out);
        } while (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    };
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        int64_t n = f.Read(in.data(), int64_t(in.size()));
        if (n < 0) throw IoFail(kErrRead, "Cannot read " + item.src);
        crc = crc32(crc, in.data(), uInt(n));
        r.size += uint64_t(n);
        if (method == 0) {
            emit(in.data(), size_t(n));
        } else {
            size_t done = 0;
            if (n > 0 && levels.wanted > 0) {
                if (levels.current != 0 && levels.WindowDidNotShrink(zs.total_in, zs.total_out)) setLevel(0);
                if (levels.current == 0) {
                    while (done < size_t(n)) {
                        const size_t stretch = std::min(LevelChooser::kStretch, size_t(n) - done);
                        if (LevelChooser::LooksCompressible(in.data() + done, stretch)) break;
                        done += stretch;
                    }
                    feed(in.data(), done, Z_NO_FLUSH);
                    if (done < size_t(n)) setLevel(levels.wanted);
                }
            }
            feed(in.data() + done, size_t(n) - done, n == 0 ? Z_FINISH : Z_NO_FLUSH);
        }
        if (n == 0) break;
        if (progress) Step(ZK_CB_STEP, int32_t(n));
    }
    r.crc = uint32_t(crc);
    if (knownCrc && r.crc != *knownCrc)
        throw Failure{kErrRead, item.src + " changed while it was being added"};
    return r;
}

void Job::WriteItem(Output& out, Item& item) {
    const uint64_t offset = out.Pos();
    uint16_t flags = IsAscii(item.stored) || !IsUtf8(item.stored) ? 0 : kFlagUtf8;
    uint16_t method = 0;
    PumpResult r;
    const bool zip64 = !item.isDir && item.st.size >= kZip64FileSize;
    if (item.isDir) {
        out.Write(LocalHeader(item, flags, 0, 0, 0, 0, false));
        if (verbose_) Message(kInfo, "  adding: " + item.stored);
    } else {
        Step(ZK_CB_FILE_START, Clamp32(item.st.size), item.stored);
        method = level_ == 0 || IsStoredSuffix(item.stored) ? 0 : 8;
        uint32_t crc = 0;
        if (item.encrypt) {
            flags |= kFlagEncrypted;
            crc = FileCrc(item);
        }
        uint16_t levelBits = level_ >= 8 ? 2 : level_ == 2 ? 4 : level_ == 1 ? 6 : 0;
        out.Write(LocalHeader(item, uint16_t(flags | (method == 8 ? levelBits : 0)), method, 0, 0, 0, zip64));
        const uint64_t dataStart = out.Pos();
        r = Pump(out, item, method, true, item.encrypt ? &crc : nullptr);
        uint64_t overhead = item.encrypt ? 12 : 0;
        if (method == 8 && r.packed - overhead >= r.size) {
            // Deflate did not help: store it instead, checked against the first pass.
            out.Rewind(dataStart);
            method = 0;
            uint32_t first = r.crc;
            r = Pump(out, item, 0, false, &first);
        }
        if (method == 8) flags |= levelBits;
        // A file that grew past 4 GiB after it was looked at has no room
        // for its sizes in the header already written.
        if (!zip64 && (r.size >= zipformat::kMarker32 || r.packed >= zipformat::kMarker32))
            throw Failure{kErrRead, item.src + " changed while it was being added"};
        out.Patch(offset, LocalHeader(item, flags, method, r.crc, r.packed, r.size, zip64));
        Step(ZK_CB_FILE_END, 0);
        if (verbose_) {
            int pct = r.size ? int(100 - (r.packed - overhead) * 100 / r.size) : 0;
            Message(kInfo, "  adding: " + item.stored + (method == 8 ? " (deflated " : " (stored ") +
                               std::to_string(std::max(pct, 0)) + "%)");
        }
    }
    CentralHeader h;
    h.madeByVersion = kMadeByVersion;
    h.madeByHost = kMadeByHost;
    h.versionNeeded = (method == 8 || (flags & kFlagEncrypted) || item.isDir) ? 20 : 10;
    if (zip64) h.versionNeeded = zipformat::kVersionZip64;
    h.flags = flags;
    h.method = method;
    h.dosTime = item.dosTime;
    h.crc = r.crc;
    h.packed = r.packed;
    h.size = r.size;
    h.externalAttributes = item.st.attributes | (item.isDir ? 0x10 : 0);
    h.localOffset = offset;
    written_.push_back(zipformat::CentralBytes(h, item.stored, {}, {}));
}

void Job::WriteAll() {
    fs::Hooks& hooks = fs::TestHooks();
    const uint64_t limit = hooks.maxArchiveSize ? hooks.maxArchiveSize : UINT64_MAX;
    const bool inPlace = !archiveExisted_ || (old_.appendable && replaced_.empty());

    fs::File* target = &archiveFile_;
    uint64_t start = 0;
    if (!archiveExisted_) {
        journal::Undo undo;
        undo.kind = journal::Kind::Created;
        WriteJournal(undo);
        if (!archiveFile_.Open(archive_, fs::File::Mode::CreateNew))
            throw IoFail(kErrCreate, "Cannot create the archive " + archive_);
        mode_ = Mode::Create;
    } else if (inPlace) {
        start = old_.dirStart;
        journal::Undo undo;
        undo.tailOffset = start;
        std::string prefix = PrefixBefore(archiveFile_, start);
        undo.prefixLength = uint32_t(prefix.size());
        undo.prefixCrc = journal::Crc32(prefix.data(), prefix.size());
        undo.tail.assign(old_.tail.begin(), old_.tail.end());
        WriteJournal(undo);
        mode_ = Mode::InPlace;
        if (!archiveFile_.Seek(start))
            throw IoFail(kErrWrite, "Cannot write the archive");
    } else if (tempDir_.empty()) {
        // Beside the archive under a name the next add clears up after a crash.
        journal::Undo undo;
        undo.kind = journal::Kind::Rewrite;
        WriteJournal(undo);
        tempPath_ = NewCopyPath(archive_);
        if (!tempFile_.Open(tempPath_, fs::File::Mode::CreateNew)) {
            tempPath_.clear();
            throw IoFail(kErrTemp, "Cannot create " + NewCopyPath(archive_));
        }
        mode_ = Mode::Rewrite;
        target = &tempFile_;
    } else {
        journal::Undo undo;
        undo.kind = journal::Kind::Rewrite;
        WriteJournal(undo);
        tempPath_ = fs::CreateTemp(tempDir_);
        if (tempPath_.empty())
            throw IoFail(kErrTemp, "Cannot create a temporary file in " + tempDir_);
        mode_ = Mode::Rewrite;
        if (!tempFile_.Open(tempPath_, fs::File::Mode::ReadWrite))
            throw IoFail(kErrTemp, "Cannot open the temporary file " + tempPath_);
        target = &tempFile_;
    }

    Output out(*target, start, limit);
    std::vector<uint8_t> keptDir;  // central records of the old entries, in their new places
    uint64_t keptCount = 0;
    if (mode_ == Mode::Rewrite) {
        // The bytes in front of the first entry (a self-extractor, say), then
        // every kept entry as it is, only its offset changes.
        std::vector<uint8_t> buf(kChunk);
        auto copy = [&](uint64_t from, uint64_t len) {
            if (!archiveFile_.Seek(from))
                throw IoFail(kErrRead, "Cannot read the archive");
            while (len > 0) {
                int64_t n = archiveFile_.Read(buf.data(), int64_t(std::min<uint64_t>(len, buf.size())));
                if (n <= 0) throw IoFail(kErrRead, "Cannot read the archive");
                out.Write(buf.data(), size_t(n));
                len -= uint64_t(n);
            }
        };
        copy(0, old_.dataStart);
        std::vector<size_t> order;
        for (size_t i = 0; i < old_.entries.size(); ++i) {
            if (!replaced_.count(i)) order.push_back(i);
        }
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return old_.entries[a].localOffset < old_.entries[b].localOffset; });
        std::map<size_t, uint64_t> moved;
        for (size_t i : order) {
            const CentralEntry& e = old_.entries[i];
            uint64_t len = LocalEntryLength(archiveFile_, e, old_.dirStart);
            if (len == 0) throw Failure{kErrFormat, archive_ + ": the archive is damaged (entry " + e.name + ")"};
            moved[i] = out.Pos();
            copy(e.localOffset, len);
        }
        for (size_t i = 0; i < old_.entries.size(); ++i) {
            if (replaced_.count(i)) continue;
            const CentralEntry& e = old_.entries[i];
            CentralHeader h = e.header;
            h.localOffset = moved[i];
            std::vector<uint8_t> raw = zipformat::CentralBytes(h, e.name, e.extra, e.comment);
            keptDir.insert(keptDir.end(), raw.begin(), raw.end());
            ++keptCount;
        }
    } else if (mode_ == Mode::InPlace) {
        keptDir.assign(old_.tail.begin(), old_.tail.begin() + int64_t(old_.dirSize));
        keptCount = old_.entries.size();
    }

    for (Item& item : plan_) WriteItem(out, item);

    const uint64_t dirStart = out.Pos();
    out.Write(keptDir);
    for (const std::vector<uint8_t>& c : written_) out.Write(c);
    const uint64_t dirSize = out.Pos() - dirStart;
    const std::string& comment = hasComment_ ? comment_ : old_.comment;
    std::vector<uint8_t> end;
    zipformat::AppendEnd(end, zipformat::OneDiskEnd(keptCount + written_.size(), dirSize, dirStart), out.Pos(),
                         comment);
    out.Write(end);
    out.Flush();
    if (!target->Truncate(out.Pos()))
        throw IoFail(kErrWrite, "Cannot write the archive");
}

// What undoes the change, in the held record before the archive changes.
void Job::WriteJournal(const journal::Undo& undo) {
    const zipundo::Reason why = record_->Write(undo);
    if (why != zipundo::Reason::None)
        throw Failure{kErrWrite, "Cannot write " + JournalPath(archive_) + ": " + fs::LastErrorText(), why};
}

void Job::Commit() {
    if (mode_ == Mode::Rewrite) {
        if (!tempFile_.Close()) throw IoFail(kErrTemp, "Cannot write the temporary file");
        archiveFile_.Close();
        if (!fs::Rename(tempPath_, archive_)) {
            // The temporary folder may lie on another drive: go through a
            // second copy beside the archive, which can replace it at once.
            const std::string near = NewCopyPath(archive_);
            bool ok = tempPath_ != near;
            if (ok) {
                fs::File in, outFile;
                ok = in.Open(tempPath_, fs::File::Mode::Read) && outFile.Open(near, fs::File::Mode::CreateNew);
                std::vector<uint8_t> buf(kChunk);
                int64_t n = 0;
                while (ok && (n = in.Read(buf.data(), int64_t(buf.size()))) > 0) ok = outFile.Write(buf.data(), n);
                ok = ok && n == 0 && outFile.Close();
                outFile.Close();
                ok = ok && fs::Rename(near, archive_);
                if (!ok) fs::Remove(near);
            }
            if (!ok) throw IoFail(kErrWrite, "Cannot replace the archive " + archive_);
            fs::Remove(tempPath_);
        }
        tempPath_.clear();
    } else if (!archiveFile_.Close()) {
        throw IoFail(kErrWrite, "Cannot write the archive");
    }
    // Only now is the new archive the one that counts.
    committed_ = true;
    if (record_->Settle() != zipundo::Reason::None)
        Callback(ZK_CB_MESSAGE, kInfo, 0, "Cannot remove " + JournalPath(archive_) + ": " + fs::LastErrorText());
}

void Job::Rollback() {
    bool restored = true;
    switch (mode_) {
    case Mode::None:
        break;
    case Mode::Create: {
        archiveFile_.Close();
        fs::Stat st;
        restored = !fs::GetStat(archive_, st) || fs::Remove(archive_);
        break;
    }
    case Mode::InPlace: {
        // Cut back to the old length and put the old directory back.
        bool ok = archiveFile_.IsOpen() || archiveFile_.Open(archive_, fs::File::Mode::ReadWrite);
        uint64_t oldSize = old_.dirStart + old_.tail.size();
        ok = ok && archiveFile_.Truncate(oldSize) && archiveFile_.Seek(old_.dirStart) &&
             archiveFile_.Write(old_.tail.data(), int64_t(old_.tail.size()));
        ok = archiveFile_.Close() && ok;
        // The record stays: the next reader tries again.
        if (!ok) Callback(ZK_CB_MESSAGE, kErrWrite, 0, "The archive could not be restored: " + fs::LastErrorText());
        restored = ok;
        break;
    }
    case Mode::Rewrite:
        tempFile_.Close();
        archiveFile_.Close();
        if (!tempPath_.empty()) fs::Remove(tempPath_);
        break;
    }
    if (restored && record_) record_->Settle();
}

void Job::AfterCommit() {
    uint32_t newest = 0;
    for (const Item& it : plan_) newest = std::max(newest, it.dosTime);
    for (size_t i = 0; i < old_.entries.size(); ++i) {
        if (!replaced_.count(i)) newest = std::max(newest, old_.entries[i].dosTime);
    }
    for (const Item& it : plan_) {
        if (it.isDir) continue;
        if (move_ && !fs::Remove(it.src))
            Callback(ZK_CB_MESSAGE, kInfo, 0, "Cannot delete " + it.src + ": " + fs::LastErrorText());
        if (resetArchive_ && !move_) fs::ClearArchiveAttribute(it.src);
    }
    if (keepTime_ && newest) fs::SetDosTime(archive_, newest);
}

int32_t Job::Run() {
    int code = kInfo;
    zipundo::Reason reason = zipundo::Reason::None;
    std::string text;
    try {
        ReadCommand();
        if (archive_.empty()) throw Failure{kErrName, "No archive name given"};
        if (trace_) Message(kInfo, "Archive: " + archive_);
        OpenArchive();
        for (const Spec& s : specs_) Collect(s);
        Plan();
        ReportSkipped();
        if (fileCount_ == 0) throw Failure{kErrNothing, "Nothing to do: no file matched"};
        AskPassword();
        uint64_t total = 0;
        for (const Item& it : plan_) total += it.isDir ? 0 : it.st.size;
        Step(ZK_CB_TOTAL, Clamp32(total));
        Step(ZK_CB_COUNT, Clamp32(fileCount_));
        WriteAll();
        Commit();
    } catch (const Failure& f) {
        code = f.code;
        reason = f.reason;
        text = f.text;
    } catch (const Cancelled&) {
        code = kErrCancel;
        text = "Cancelled: the archive was left as it was";
    } catch (const std::bad_alloc&) {
        code = kErrMemory;
        text = "Out of memory";
    } catch (...) {
        code = kErrWrite;
        text = "Unexpected failure";
    }
    if (!committed_) {
        Rollback();
        // The reason rides in the second byte, for the caller to tell the user.
        Callback(ZK_CB_MESSAGE, code | int(reason) << 8, 0, text);
        return 0;
    }
    AfterCommit();
    return int32_t(fileCount_);
}

}  // namespace

}  // namespace zkzip

extern "C" int32_t ZK_STDCALL GetZkZipVersion(void) { return ZK_INTERFACE_VERSION; }

extern "C" int32_t ZK_STDCALL ZkZipExec(ZipCommand* command) {
    if (!command) return 0;
    try {
        zkzip::Job job(command);
        return job.Run();
    } catch (...) {
        return 0;  // nothing may cross into the caller
    }
}
