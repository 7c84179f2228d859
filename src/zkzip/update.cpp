// Where an add's new entries go: in place of the old directory, or into a
// new copy of the archive after the entries it keeps.
#include "zkzip/update.h"

#include <algorithm>
#include <map>

#include "zipformat/zipformat.h"
#include "zkzip/zkzip.h"

namespace zkzip {

namespace journal = zipundo::journal;
using zipundo::NewCopyPath;

namespace {

// The last bytes before `at` that a journal is checked against.
std::string PrefixBefore(fs::File& f, uint64_t at) {
    std::string prefix(size_t(std::min<uint64_t>(at, journal::kPrefixCheck)), '\0');
    if (!fs::ReadAt(f, at - prefix.size(), prefix.data(), prefix.size()))
        throw IoFail(kErrRead, "Cannot read the archive");
    return prefix;
}

uint64_t SizeLimit() {
    const fs::Hooks& hooks = fs::TestHooks();
    return hooks.maxArchiveSize ? hooks.maxArchiveSize : UINT64_MAX;
}

}  // namespace

void ArchiveUpdate::Open() {
    TakeRecord();
    const std::string& archive = o_.archive;
    fs::Stat st;
    existed_ = fs::GetStat(archive, st);
    if (!existed_) return;
    if (st.isDir) throw Failure{kErrCreate, "The archive name is a folder: " + archive};
    if (!archiveFile_.Open(archive, fs::File::Mode::ReadWrite))
        throw IoFail(kErrCreate, "Cannot open the archive " + archive);
    if (archiveFile_.Size() == 0) {
        old_.appendable = true;  // an empty file becomes the archive
        return;
    }
    std::string error;
    if (!ReadDirectory(archiveFile_, old_, error)) throw Failure{kErrFormat, archive + ": " + error};
}

Output& ArchiveUpdate::Begin(const std::set<size_t>& replaced) {
    if (!existed_ || (old_.appendable && replaced.empty()))
        BeginInPlace();
    else
        BeginRewrite(replaced);
    return *out_;
}

// A new archive, or new entries where the old directory starts: the record
// says how to cut the archive back.
void ArchiveUpdate::BeginInPlace() {
    target_ = &archiveFile_;
    if (!existed_) {
        journal::Undo undo;
        undo.kind = journal::Kind::Created;
        WriteJournal(undo);
        if (!archiveFile_.Open(o_.archive, fs::File::Mode::CreateNew))
            throw IoFail(kErrCreate, "Cannot create the archive " + o_.archive);
        mode_ = Mode::Create;
        out_ = std::make_unique<Output>(archiveFile_, 0, SizeLimit());
        return;
    }
    const uint64_t start = old_.dirStart;
    journal::Undo undo;
    undo.tailOffset = start;
    std::string prefix = PrefixBefore(archiveFile_, start);
    undo.prefixLength = uint32_t(prefix.size());
    undo.prefixCrc = journal::Crc32(prefix.data(), prefix.size());
    undo.tail.assign(old_.tail.begin(), old_.tail.end());
    WriteJournal(undo);
    mode_ = Mode::InPlace;
    if (!archiveFile_.Seek(start)) throw IoFail(kErrWrite, "Cannot write the archive");
    out_ = std::make_unique<Output>(archiveFile_, start, SizeLimit());
    keptDir_.assign(old_.tail.begin(), old_.tail.begin() + int64_t(old_.dirSize));
    keptCount_ = old_.entries.size();
}

// A new copy: the bytes in front of the first entry (a self-extractor, say),
// then every kept entry as it is, only its offset changes. It replaces the
// archive only when whole.
void ArchiveUpdate::BeginRewrite(const std::set<size_t>& replaced) {
    journal::Undo undo;
    undo.kind = journal::Kind::Rewrite;
    WriteJournal(undo);
    if (o_.tempDir.empty()) {
        // Beside the archive under a name the next add clears up after a crash.
        tempPath_ = NewCopyPath(o_.archive);
        if (!tempFile_.Open(tempPath_, fs::File::Mode::CreateNew)) {
            tempPath_.clear();
            throw IoFail(kErrTemp, "Cannot create " + NewCopyPath(o_.archive));
        }
        mode_ = Mode::Rewrite;
    } else {
        tempPath_ = fs::CreateTemp(o_.tempDir);
        if (tempPath_.empty()) throw IoFail(kErrTemp, "Cannot create a temporary file in " + o_.tempDir);
        mode_ = Mode::Rewrite;
        if (!tempFile_.Open(tempPath_, fs::File::Mode::ReadWrite))
            throw IoFail(kErrTemp, "Cannot open the temporary file " + tempPath_);
    }
    target_ = &tempFile_;
    out_ = std::make_unique<Output>(tempFile_, 0, SizeLimit());
    Output& out = *out_;

    std::vector<uint8_t> buf(kChunk);
    auto copy = [&](uint64_t from, uint64_t len) {
        if (!archiveFile_.Seek(from)) throw IoFail(kErrRead, "Cannot read the archive");
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
        if (!replaced.count(i)) order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return old_.entries[a].localOffset < old_.entries[b].localOffset; });
    std::map<size_t, uint64_t> moved;
    FileReader reader(archiveFile_);
    for (size_t i : order) {
        const CentralEntry& e = old_.entries[i];
        uint64_t len = zipformat::LocalEntryLength(reader, e.localOffset, e.flags, e.compressedSize, old_.dirStart);
        if (len == 0) throw Failure{kErrFormat, o_.archive + ": the archive is damaged (entry " + e.name + ")"};
        moved[i] = out.Pos();
        copy(e.localOffset, len);
    }
    for (size_t i = 0; i < old_.entries.size(); ++i) {
        if (replaced.count(i)) continue;
        const CentralEntry& e = old_.entries[i];
        CentralHeader h = e.header;
        h.localOffset = moved[i];
        std::vector<uint8_t> raw = zipformat::CentralBytes(h, e.name, e.extra, e.comment);
        keptDir_.insert(keptDir_.end(), raw.begin(), raw.end());
        ++keptCount_;
    }
}

void ArchiveUpdate::Finish(const std::vector<std::vector<uint8_t>>& written) {
    Output& out = *out_;
    const uint64_t dirStart = out.Pos();
    out.Write(keptDir_);
    for (const std::vector<uint8_t>& c : written) out.Write(c);
    const uint64_t dirSize = out.Pos() - dirStart;
    const std::string& comment = o_.hasComment ? o_.comment : old_.comment;
    std::vector<uint8_t> end;
    zipformat::AppendEnd(end, zipformat::OneDiskEnd(keptCount_ + written.size(), dirSize, dirStart), out.Pos(),
                         comment);
    out.Write(end);
    out.Flush();
    if (!target_->Truncate(out.Pos())) throw IoFail(kErrWrite, "Cannot write the archive");
}

}  // namespace zkzip
