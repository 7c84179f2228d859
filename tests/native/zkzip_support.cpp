#include "zkzip_support.h"

#include <utime.h>

#include <cstring>

#include "zkzip/entries.h"
#include "zkzip/zkfs.h"
#include "zksfx/sfxrun.h"

namespace zkzip::test {

namespace sfs = std::filesystem;

std::string TextLike(size_t n, uint32_t seed) {
    static const char* words[] = {"Zantorik ", "Spieler ", "Runde ", "Karte ", "und ", "der ", "Würfel ",
                                  "Punkte\r\n", "Thema ", "Frage "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) s += words[rng() % 10];
    s.resize(n);
    return s;
}

void SetMTime(const std::string& path, int64_t mtime) {
    struct utimbuf ut;
    ut.actime = ut.modtime = time_t(mtime);
    ::utime(path.c_str(), &ut);
}

int32_t ZK_STDCALL Recorder::Callback(ZipCallbackData* data) {
    auto* self = static_cast<Recorder*>(data->caller);
    if (self->onEvery) self->onEvery();
    data->text[sizeof data->text - 1] = 0;
    self->events.push_back({data->actionCode, data->errorCode, data->value, data->text});
    return self->cancelAction && data->actionCode == self->cancelAction &&
                   int(self->Of(self->cancelAction).size()) == self->cancelAt
               ? -1
               : 0;
}

std::vector<Event> Recorder::Of(int32_t action) const {
    std::vector<Event> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out), [&](const Event& e) { return e.action == action; });
    return out;
}
int64_t Recorder::Sum(int32_t action) const {
    int64_t sum = 0;
    for (const auto& e : Of(action)) sum += e.value;
    return sum;
}
std::string Recorder::Messages() const {
    std::string s;
    for (const auto& e : Of(ZK_CB_MESSAGE)) s += "[" + std::to_string(e.error) + "] " + e.text + "\n";
    return s;
}
int32_t Recorder::LastError() const { return Of(ZK_CB_MESSAGE).empty() ? -1 : Of(ZK_CB_MESSAGE).back().error & 0xFF; }
int32_t Recorder::LastReason() const { return Of(ZK_CB_MESSAGE).empty() ? -1 : Of(ZK_CB_MESSAGE).back().error >> 8; }

Command::Command(const std::string& archive, std::vector<std::string> specs, Recorder* rec)
    : archive_(archive), specs_(std::move(specs)), rec_(rec) {
    specPasswords_.resize(specs_.size());
    specEncrypt_.assign(specs_.size(), -2);  // -2: as the command says
    std::memset(&cmd_, 0, sizeof cmd_);
    cmd_.version = ZK_INTERFACE_VERSION, cmd_.level = 9, cmd_.endMark = ZK_END_MARK;
    cmd_.noDirEntries = cmd_.reserved38 = cmd_.reserved50 = -1;
}

Command& Command::Spec(size_t i, const std::string& password, bool encrypt) {
    specPasswords_.at(i) = password, specEncrypt_.at(i) = encrypt ? 0xFFFF : 0;
    return *this;
}

int32_t Command::Run() {
    cmd_.caller = rec_, cmd_.callback = rec_ ? &Recorder::Callback : nullptr, cmd_.archiveName = archive_.data();
    cmd_.password = Ptr(password_), cmd_.storeSuffixes = Ptr(suffixes_), cmd_.tempDir = Ptr(tempDir_), cmd_.comment = Ptr(comment_);
    records_.assign(specs_.size(), ZipFileSpec{});
    for (size_t i = 0; i < specs_.size(); ++i) {
        ZipFileSpec& r = records_[i];
        r.fileSpec = specs_[i].data(), r.recurse = cmd_.recurse, r.rootDir = Ptr(rootDir_);
        r.encrypt = specEncrypt_[i] == -2 ? cmd_.encrypt : specEncrypt_[i];
        if (!specPasswords_[i].empty()) r.password = specPasswords_[i].data();
        else if (specEncrypt_[i] == -2) r.password = Ptr(password_);
    }
    cmd_.fileSpecs = records_.data(), cmd_.argCount = int32_t(specs_.size());
    exclPtrs_.clear();
    for (auto& e : excl_) exclPtrs_.push_back(e.data());
    cmd_.exclCount = int32_t(exclPtrs_.size()), cmd_.excl = exclPtrs_.empty() ? nullptr : exclPtrs_.data();
    return ZkZipExec(&cmd_);
}

std::vector<std::string> ZipView::Names() const {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

const ViewEntry* ZipView::Find(const std::string& name) const {
    for (const auto& e : entries)
        if (e.name == name) return &e;
    return nullptr;
}

ZipView ViewZip(const std::string& path) {
    ZipView v;
    const std::string b = zk::test::Slurp(path);
    const auto* p = reinterpret_cast<const uint8_t*>(b.data());
    const int64_t end = b.size() < 22 ? -1 : zipformat::FindEnd(p, b.size(), b.size() - 22, true);
    if (end < 0) return v.error = "no end record", v;
    const zipformat::EndRecord r = zipformat::ParseEnd(p + end);
    v.comment = b.substr(size_t(end) + 22);
    if (v.comment.size() != r.commentLength || r.directoryOffset + r.directorySize != uint64_t(end))
        return v.error = "bytes after the end record, or the directory elsewhere", v;
    uint64_t at = r.directoryOffset;
    for (unsigned i = 0; i < r.totalEntries; ++i) {
        ViewEntry e;
        if (at + 46 > uint64_t(end) || !zipformat::ParseCentral(p + at, e)) return v.error = "bad directory entry", v;
        e.name = b.substr(at + 46, e.nameLength);
        v.entries.push_back(e);
        at += e.Length();
    }
    v.ok = at == uint64_t(end);
    if (!v.ok) v.error = "directory size does not match";
    return v;
}

// The stub's reader finds the data and checks size and CRC; encrypted data
// is decrypted in place first.
std::string EntryData(const std::string& zipPath, const ViewEntry& e, const std::string& password, std::string& error) {
    std::string b = zk::test::Slurp(zipPath);
    zksfx::Archive a;
    uint64_t at = 0;
    zksfx::Entry entry;
    {
        zksfx::MemorySource src(b);
        if (!zksfx::ReadArchive(src, a, error)) return {};
        for (const zksfx::Entry& x : a.entries)
            if (x.rawName == e.name) entry = x;
        if (entry.rawName != e.name || !zksfx::LocateData(src, a, entry, at, error)) return error += " " + e.name, "";
    }
    if (entry.flags & 1) {  // the traditional PKWARE encryption
        ZipCrypto keys(password);
        for (uint64_t i = at; i < at + entry.packed; ++i) {
            ZipCrypto next = keys;
            b[i] = char(uint8_t(b[i]) ^ next.Encrypt(0));
            keys.Encrypt(uint8_t(b[i]));
        }
        if (entry.packed < 12 || uint8_t(b[at + 11]) != uint8_t(e.crc >> 24)) return error = "password check byte wrong", "";
        at += 12, entry.packed -= 12, entry.flags &= ~1;
    }
    struct Out : zksfx::OutFile {
        bool Write(const void* d, size_t n) override { return bytes.append(static_cast<const char*>(d), n), true; }
        bool Close() override { return true; }
        void Discard() override {}
        std::string bytes;
    } out;
    zksfx::MemorySource src(b);
    if (zksfx::Unpack(src, at, entry, out, nullptr) != zksfx::UnpackStatus::Ok) return error = "size or CRC wrong", "";
    return out.bytes;
}

ZkZipTest::ZkZipTest() {
    oldCwd_ = sfs::current_path().string();
    sfs::current_path(zk::test::U8(dir.Root()));
    fs::TestHooks() = fs::Hooks();
}

ZkZipTest::~ZkZipTest() {
    fs::TestHooks() = fs::Hooks();
    sfs::current_path(oldCwd_);
}

std::string ZkZipTest::Data(const std::string& name, const std::string& password) const {
    ZipView v = View();
    const ViewEntry* e = v.Find(name);
    if (!e) {
        ADD_FAILURE() << "no entry " << name;
        return {};
    }
    std::string error;
    std::string data = EntryData(Zip(), *e, password, error);
    EXPECT_EQ(error, "") << name;
    return data;
}

}  // namespace zkzip::test
