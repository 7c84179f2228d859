#include "zkzip_support.h"

#include <zlib.h>
#ifndef _WIN32
#include <utime.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "zkzip/zkfs.h"

namespace zkzip::test {

namespace sfs = std::filesystem;

namespace {
// Our strings are UTF-8; a plain narrow path would be the ANSI code page on Windows.
sfs::path P(const std::string& s) { return sfs::u8path(s); }
}  // namespace

Scratch::Scratch() {
    static std::mt19937 rng{std::random_device{}()};
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "zkzip-test-%08x", unsigned(rng()));
        sfs::path p = sfs::temp_directory_path() / name;
        if (sfs::create_directory(p)) {
            root_ = p.generic_string();
            return;
        }
    }
}

Scratch::~Scratch() {
    std::error_code ec;
    sfs::remove_all(P(root_), ec);
}

void Scratch::Write(const std::string& rel, const std::string& content, int64_t mtime) const {
    sfs::path p = P(Path(rel));
    sfs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
    out.close();
    if (mtime) SetMTime(Path(rel), mtime);
}

void Scratch::MakeDir(const std::string& rel) const { sfs::create_directories(P(Path(rel))); }

std::string Scratch::Read(const std::string& rel) const { return ReadFile(Path(rel)); }

bool Scratch::Exists(const std::string& rel) const { return sfs::exists(P(Path(rel))); }

std::vector<std::string> Scratch::Files() const {
    std::vector<std::string> out;
    for (auto& e : sfs::recursive_directory_iterator(P(root_))) {
        if (e.is_regular_file()) out.push_back(sfs::relative(e.path(), P(root_)).generic_u8string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(P(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = char(rng());
    return s;
}

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
#ifdef _WIN32
    fs::SetDosTime(path, fs::DosDateTime(mtime));
#else
    struct utimbuf ut;
    ut.actime = ut.modtime = time_t(mtime);
    ::utime(path.c_str(), &ut);
#endif
}

// ------------------------------------------------------------- recorder

int32_t ZK_STDCALL Recorder::Callback(ZipCallbackData* data) {
    auto* self = static_cast<Recorder*>(data->caller);
    if (!self) return 0;
    if (self->onEvery) self->onEvery();
    data->text[sizeof data->text - 1] = 0;
    self->events.push_back({data->actionCode, data->errorCode, data->value, data->text});
    if (data->actionCode == ZK_CB_PASSWORD) {
        if (self->cancelPassword) return -1;
        std::memset(data->text, 0, sizeof data->text);
        std::memcpy(data->text, self->password.data(), std::min<size_t>(self->password.size(), 80));
        data->errorCode = self->password.empty() ? 0 : 1;
    }
    if (self->cancelAction && data->actionCode == self->cancelAction) {
        int n = 0;
        for (const auto& e : self->events) n += e.action == self->cancelAction;
        if (n == self->cancelAt) return -1;
    }
    return 0;
}

std::vector<Event> Recorder::Of(int32_t action) const {
    std::vector<Event> out;
    for (const auto& e : events) {
        if (e.action == action) out.push_back(e);
    }
    return out;
}

std::string Recorder::Messages() const {
    std::string s;
    for (const auto& e : Of(ZK_CB_MESSAGE)) s += "[" + std::to_string(e.error) + "] " + e.text + "\n";
    return s;
}

int32_t Recorder::LastError() const {
    auto m = Of(ZK_CB_MESSAGE);
    return m.empty() ? -1 : m.back().error;
}

// ------------------------------------------------------------- command

Command::Command(const std::string& archive, std::vector<std::string> specs, Recorder* rec)
    : archive_(archive), specs_(std::move(specs)), rec_(rec) {
    specPasswords_.resize(specs_.size());
    specEncrypt_.assign(specs_.size(), -2);  // -2: as the command says
    std::memset(&cmd_, 0, sizeof cmd_);
    // As the component fills it for the setup: AddDirNames, level 9.
    cmd_.version = ZK_INTERFACE_VERSION;
    cmd_.noDirEntries = -1;
    cmd_.reserved38 = -1;
    cmd_.reserved50 = -1;
    cmd_.level = 9;
    cmd_.endMark = ZK_END_MARK;
}

Command& Command::Spec(size_t i, const std::string& password, bool encrypt) {
    specPasswords_.at(i) = password;
    specEncrypt_.at(i) = encrypt ? 0xFFFF : 0;
    return *this;
}
Command& Command::RootDir(const std::string& dir) {
    rootDir_ = dir;
    hasRoot_ = true;
    return *this;
}
Command& Command::Password(const std::string& pw) {
    password_ = pw;
    hasPassword_ = true;
    return *this;
}
Command& Command::Suffixes(const std::string& list) {
    suffixes_ = list;
    hasSuffixes_ = true;
    return *this;
}
Command& Command::TempDir(const std::string& dir) {
    tempDir_ = dir;
    hasTemp_ = true;
    return *this;
}
Command& Command::Comment(const std::string& text) {
    comment_ = text;
    hasComment_ = true;
    return *this;
}
Command& Command::Exclude(std::vector<std::string> patterns) {
    excl_ = std::move(patterns);
    return *this;
}
ZipCommand& Command::Raw() { return cmd_; }

void Command::Build() {
    cmd_.caller = rec_;
    cmd_.callback = rec_ ? &Recorder::Callback : nullptr;
    cmd_.archiveName = archive_.data();
    cmd_.password = hasPassword_ ? password_.data() : nullptr;
    cmd_.storeSuffixes = hasSuffixes_ ? suffixes_.data() : nullptr;
    cmd_.tempDir = hasTemp_ ? tempDir_.data() : nullptr;
    cmd_.comment = hasComment_ ? comment_.data() : nullptr;
    records_.assign(specs_.size(), ZipFileSpec{});
    for (size_t i = 0; i < specs_.size(); ++i) {
        ZipFileSpec& r = records_[i];
        std::memset(&r, 0, sizeof r);
        r.fileSpec = specs_[i].data();
        r.recurse = cmd_.recurse;
        r.encrypt = specEncrypt_[i] == -2 ? cmd_.encrypt : specEncrypt_[i];
        if (!specPasswords_[i].empty()) r.password = specPasswords_[i].data();
        else if (hasPassword_ && specEncrypt_[i] == -2) r.password = password_.data();
        if (hasRoot_) r.rootDir = rootDir_.data();
    }
    cmd_.fileSpecs = records_.data();
    cmd_.argCount = int32_t(specs_.size());
    exclPtrs_.clear();
    for (auto& e : excl_) exclPtrs_.push_back(e.data());
    cmd_.exclCount = int32_t(exclPtrs_.size());
    cmd_.excl = exclPtrs_.empty() ? nullptr : exclPtrs_.data();
}

int32_t Command::Run() {
    Build();
    return ZkZipExec(&cmd_);
}

// ------------------------------------------------------------- reader

namespace {

uint16_t U16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | (uint32_t(U16(b, at + 2)) << 16); }

}  // namespace

std::vector<std::string> ZipView::Names() const {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

const ViewEntry* ZipView::Find(const std::string& name) const {
    for (const auto& e : entries) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

ZipView ViewZip(const std::string& path) {
    ZipView v;
    std::string b = ReadFile(path);
    if (b.size() < 22) {
        v.error = "short";
        return v;
    }
    size_t end = std::string::npos;
    for (size_t i = b.size() - 22 + 1; i-- > 0;) {
        if (U32(b, i) == 0x06054b50) {
            end = i;
            break;
        }
    }
    if (end == std::string::npos) {
        v.error = "no end record";
        return v;
    }
    uint16_t count = U16(b, end + 10);
    uint32_t dirSize = U32(b, end + 12), dirOff = U32(b, end + 16);
    uint16_t commentLen = U16(b, end + 20);
    if (end + 22 + commentLen != b.size()) {
        v.error = "bytes after the end record";
        return v;
    }
    if (dirOff + uint64_t(dirSize) != end) {
        v.error = "directory offset does not match";
        return v;
    }
    v.comment = b.substr(end + 22, commentLen);
    size_t at = dirOff;
    for (unsigned i = 0; i < count; ++i) {
        if (at + 46 > end || U32(b, at) != 0x02014b50) {
            v.error = "bad directory entry";
            return v;
        }
        ViewEntry e;
        e.madeBy = U16(b, at + 4);
        e.needed = U16(b, at + 6);
        e.flags = U16(b, at + 8);
        e.method = U16(b, at + 10);
        e.dosTime = (uint32_t(U16(b, at + 14)) << 16) | U16(b, at + 12);
        e.crc = U32(b, at + 16);
        e.packed = U32(b, at + 20);
        e.size = U32(b, at + 24);
        uint16_t n = U16(b, at + 28), m = U16(b, at + 30), k = U16(b, at + 32);
        e.attributes = U32(b, at + 38);
        e.offset = U32(b, at + 42);
        e.name = b.substr(at + 46, n);
        v.entries.push_back(e);
        at += 46 + n + m + k;
    }
    v.ok = at == end;
    if (!v.ok) v.error = "directory size does not match";
    return v;
}

std::string EntryData(const std::string& zipPath, const ViewEntry& e, const std::string& password,
                      std::string& error) {
    std::string b = ReadFile(zipPath);
    if (e.offset + 30ull > b.size() || U32(b, e.offset) != 0x04034b50) {
        error = "no local header";
        return {};
    }
    if (U16(b, e.offset + 8) != e.method || U16(b, e.offset + 6) != e.flags) {
        error = "local header differs from the directory";
        return {};
    }
    size_t data = e.offset + 30 + U16(b, e.offset + 26) + U16(b, e.offset + 28);
    if (b.substr(e.offset + 30, U16(b, e.offset + 26)) != e.name) {
        error = "local name differs";
        return {};
    }
    if (data + e.packed > b.size()) {
        error = "data beyond the end";
        return {};
    }
    std::string raw = b.substr(data, e.packed);
    if (e.flags & 1) {
        const z_crc_t* t = get_crc_table();
        uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
        auto update = [&](uint8_t c) {
            k0 = t[(k0 ^ c) & 0xFF] ^ (k0 >> 8);
            k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
            k2 = t[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
        };
        for (unsigned char c : password) update(c);
        for (auto& ch : raw) {
            uint32_t tmp = (k2 | 2) & 0xFFFF;
            uint8_t plain = uint8_t(uint8_t(ch) ^ uint8_t((tmp * (tmp ^ 1)) >> 8));
            update(plain);
            ch = char(plain);
        }
        if (raw.size() < 12 || uint8_t(raw[11]) != uint8_t(e.crc >> 24)) {
            error = "password check byte wrong";
            return {};
        }
        raw.erase(0, 12);
    }
    std::string out;
    if (e.method == 0) {
        out = raw;
    } else if (e.method == 8) {
        z_stream zs;
        std::memset(&zs, 0, sizeof zs);
        inflateInit2(&zs, -MAX_WBITS);
        out.resize(e.size);
        zs.next_in = reinterpret_cast<Bytef*>(raw.data());
        zs.avail_in = uInt(raw.size());
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = uInt(out.size());
        int rc = inflate(&zs, Z_FINISH);
        bool whole = zs.total_out == e.size && zs.avail_in == 0;
        inflateEnd(&zs);
        if (rc != Z_STREAM_END || !whole) {
            error = "inflate failed";
            return {};
        }
    } else {
        error = "unknown method";
        return {};
    }
    if (out.size() != e.size || crc32(0, reinterpret_cast<const Bytef*>(out.data()), uInt(out.size())) != e.crc) {
        error = "size or CRC wrong";
        return {};
    }
    return out;
}

// ------------------------------------------------------------- fixture

ZkZipTest::ZkZipTest() {
    oldCwd_ = sfs::current_path().string();
    sfs::current_path(dir.Root());
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
