// The record around an add (taken first, written before the archive
// changes) and the end of the add: the commit, or the rollback.
#include "zkzip/update.h"

#include <algorithm>

#include "zkzip/zkzip.h"

namespace zkzip {

using zipundo::NewCopyPath;

// One writer at a time: the record is ours until the add ends, and an add
// that a crash cut short is undone first.
void ArchiveUpdate::TakeRecord() {
    record_ = std::make_unique<zipundo::Writer>(fs::UndoFiles(), o_.archive);
    const zipundo::Reason why = record_->Take();
    if (why == zipundo::Reason::Busy)
        throw Failure{kErrBusy, o_.archive + ": another program is writing the archive", why};
    if (why != zipundo::Reason::None) {
        const bool undoing = record_->Undoing();
        record_.reset();
        const char* what = undoing ? ": an interrupted add could not be undone: " : ": cannot take the archive: ";
        throw Failure{undoing ? kErrUndo : kErrCreate, o_.archive + what + fs::LastErrorText(), why};
    }
    // A new copy that a crash left behind is nobody's now.
    fs::Stat st;
    if (fs::GetStat(NewCopyPath(o_.archive), st) && !fs::Remove(NewCopyPath(o_.archive)))
        throw IoFail(kErrTemp, "Cannot remove " + NewCopyPath(o_.archive));
}

// What undoes the change, in the held record before the archive changes.
void ArchiveUpdate::WriteJournal(const zipundo::journal::Undo& undo) {
    const zipundo::Reason why = record_->Write(undo);
    if (why != zipundo::Reason::None)
        throw Failure{kErrWrite, "Cannot write " + JournalPath(o_.archive) + ": " + fs::LastErrorText(), why};
}

void ArchiveUpdate::Commit() {
    if (mode_ == Mode::Rewrite) {
        if (!tempFile_.Close()) throw IoFail(kErrTemp, "Cannot write the temporary file");
        archiveFile_.Close();
        if (!fs::Rename(tempPath_, o_.archive)) {
            // The temporary folder may lie on another drive: go through a
            // second copy beside the archive, which can replace it at once.
            const std::string near = NewCopyPath(o_.archive);
            bool ok = tempPath_ != near;
            if (ok) {
                fs::File in, outFile;
                ok = in.Open(tempPath_, fs::File::Mode::Read) && outFile.Open(near, fs::File::Mode::CreateNew);
                std::vector<uint8_t> buf(kChunk);
                int64_t n = 0;
                while (ok && (n = in.Read(buf.data(), int64_t(buf.size()))) > 0) ok = outFile.Write(buf.data(), n);
                ok = ok && n == 0 && outFile.Close();
                outFile.Close();
                ok = ok && fs::Rename(near, o_.archive);
                if (!ok) fs::Remove(near);
            }
            if (!ok) throw IoFail(kErrWrite, "Cannot replace the archive " + o_.archive);
            fs::Remove(tempPath_);
        }
        tempPath_.clear();
    } else if (!archiveFile_.Close()) {
        throw IoFail(kErrWrite, "Cannot write the archive");
    }
    // Only now is the new archive the one that counts.
    committed_ = true;
    if (record_->Settle() != zipundo::Reason::None)
        caller_.Callback(ZK_CB_MESSAGE, kInfo, 0,
                         "Cannot remove " + JournalPath(o_.archive) + ": " + fs::LastErrorText());
}

void ArchiveUpdate::Rollback() {
    bool restored = true;
    switch (mode_) {
    case Mode::None:
        break;
    case Mode::Create: {
        archiveFile_.Close();
        fs::Stat st;
        restored = !fs::GetStat(o_.archive, st) || fs::Remove(o_.archive);
        break;
    }
    case Mode::InPlace: {
        // Cut back to the old length and put the old directory back.
        bool ok = archiveFile_.IsOpen() || archiveFile_.Open(o_.archive, fs::File::Mode::ReadWrite);
        uint64_t oldSize = old_.dirStart + old_.tail.size();
        ok = ok && archiveFile_.Truncate(oldSize) && archiveFile_.Seek(old_.dirStart) &&
             archiveFile_.Write(old_.tail.data(), int64_t(old_.tail.size()));
        ok = archiveFile_.Close() && ok;
        // The record stays: the next reader tries again.
        if (!ok)
            caller_.Callback(ZK_CB_MESSAGE, kErrWrite, 0, "The archive could not be restored: " + fs::LastErrorText());
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

void ArchiveUpdate::AfterCommit(const std::vector<Item>& plan, const std::set<size_t>& replaced) {
    uint32_t newest = 0;
    for (const Item& it : plan) newest = std::max(newest, it.dosTime);
    for (size_t i = 0; i < old_.entries.size(); ++i) {
        if (!replaced.count(i)) newest = std::max(newest, old_.entries[i].dosTime);
    }
    for (const Item& it : plan) {
        if (it.isDir) continue;
        if (o_.move && !fs::Remove(it.src))
            caller_.Callback(ZK_CB_MESSAGE, kInfo, 0, "Cannot delete " + it.src + ": " + fs::LastErrorText());
        if (o_.resetArchive && !o_.move) fs::ClearArchiveAttribute(it.src);
    }
    if (o_.keepTime && newest) fs::SetDosTime(o_.archive, newest);
}

}  // namespace zkzip
