#include "zipundo/undo.h"

#include <algorithm>
#include <cstring>

namespace zipundo {

Reason FromWindowsError(uint32_t error, bool readOnlyAttribute) {
    switch (error) {
    case 0:
    case 2:  // not found
        return Reason::None;
    case 3: return Reason::NoFolder;
    case 5: return readOnlyAttribute ? Reason::ReadOnly : Reason::Denied;
    case 19: return Reason::DriveReadOnly;
    case 32:  // sharing violation
    case 33:  // lock violation
        return Reason::InUse;
    case 39:
    case 112: return Reason::DiskFull;
    default: return Reason::Other;
    }
}

std::string RecordPath(const std::string& archive) { return archive + journal::kSuffix; }
std::string NewCopyPath(const std::string& archive) { return archive + ".zkn"; }

namespace {

bool ReadWhole(File& f, std::string& bytes) {
    const uint64_t size = f.Size();
    // A record is the old directory and end record: far below this.
    if (size > (uint64_t(1) << 30)) return false;
    bytes.assign(size_t(size), '\0');
    return f.ReadAt(0, bytes.data(), bytes.size());
}

// Whether the undo was written for this file: its size and the bytes just
// before the part it puts back.
bool BelongsTo(File& f, const journal::Undo& u) {
    const uint64_t size = f.Size();
    if (size < u.tailOffset) return false;
    std::string prefix(u.prefixLength, '\0');
    return f.ReadAt(u.tailOffset - prefix.size(), prefix.data(), prefix.size()) && journal::Fits(u, size, prefix);
}

Reason Failed(File& f) {
    const Reason r = f.Failure();
    return r == Reason::None ? Reason::Other : r;
}

// Carries out what the record says; None when the record may go.
Reason Apply(Files& files, const std::string& archive, const std::string& bytes) {
    journal::Undo u;
    // A record cut short was written before the archive was touched.
    if (!journal::Decode(bytes.data(), bytes.size(), u)) return Reason::None;
    Reason why = Reason::None;
    switch (u.kind) {
    case journal::Kind::Created: return files.Remove(archive, why) ? Reason::None : why;
    case journal::Kind::Rewrite: return files.Remove(NewCopyPath(archive), why) ? Reason::None : why;
    case journal::Kind::InPlace: break;
    }
    {
        std::unique_ptr<File> f = files.Open(archive, Files::Access::Read, why);
        if (!f) return why;  // None: the archive is gone, there is nothing to put back
        if (!BelongsTo(*f, u)) return Reason::None;
    }
    std::unique_ptr<File> f = files.Open(archive, Files::Access::ReadWrite, why);
    if (!f) return why == Reason::None ? Reason::Other : why;
    if (!f->WriteAt(u.tailOffset, u.tail.data(), u.tail.size()) || !f->Truncate(u.OldSize())) return Failed(*f);
    return Reason::None;
}

// Another process holding the record is writing the archive.
Reason RecordFailure(Reason why) { return why == Reason::InUse ? Reason::Busy : why; }

}  // namespace

Writer::Writer(Files& files, std::string archive) : files_(files), archive_(std::move(archive)) {}

Writer::~Writer() {
    if (record_ && !written_) record_->RemoveHeld();
}

Reason Writer::Take() {
    Reason why = Reason::None;
    record_ = files_.Open(RecordPath(archive_), Files::Access::HoldOrCreate, why);
    if (!record_) return RecordFailure(why == Reason::None ? Reason::Other : why);
    std::string bytes;
    if (!ReadWhole(*record_, bytes)) {
        const Reason r = Failed(*record_);
        written_ = true;  // what it holds is not ours to drop
        record_.reset();
        return r;
    }
    if (!bytes.empty()) {
        const Reason r = Apply(files_, archive_, bytes);
        undoing_ = r != Reason::None;
        if (r != Reason::None || !record_->Truncate(0)) {
            written_ = true;
            const Reason failed = r != Reason::None ? r : Failed(*record_);
            record_.reset();
            return failed;
        }
    }
    return Reason::None;
}

Reason Writer::Write(const journal::Undo& undo) {
    const std::string bytes = journal::Encode(undo);
    // Torn, the record reads as not written: the archive is not touched yet.
    if (!record_->Truncate(0) || !record_->WriteAt(0, bytes.data(), bytes.size())) return Failed(*record_);
    written_ = true;
    return Reason::None;
}

Reason Writer::Settle() {
    if (!record_) return Reason::None;
    if (!record_->RemoveHeld()) return Failed(*record_);
    record_.reset();
    written_ = false;
    return Reason::None;
}

Reason UndoInterruptedAdd(Files& files, const std::string& archive) {
    Reason why = Reason::None;
    std::unique_ptr<File> record = files.Open(RecordPath(archive), Files::Access::Hold, why);
    if (!record) return RecordFailure(why);  // None: there is no record
    std::string bytes;
    if (!ReadWhole(*record, bytes)) return Failed(*record);
    const Reason r = Apply(files, archive, bytes);
    if (r != Reason::None) return r;
    return record->RemoveHeld() ? Reason::None : Failed(*record);
}

Reason PendingUndo(Files& files, const std::string& archive, File& file, journal::Undo& undo, bool& pending) {
    pending = false;
    Reason why = Reason::None;
    std::unique_ptr<File> record = files.Open(RecordPath(archive), Files::Access::Read, why);
    if (!record) return RecordFailure(why);
    std::string bytes;
    if (!ReadWhole(*record, bytes)) return Failed(*record);
    pending = journal::Decode(bytes.data(), bytes.size(), undo) && BelongsTo(file, undo);
    return Reason::None;
}

bool ReadAsBefore(File& file, const journal::Undo& undo, uint64_t pos, void* buffer, size_t n) {
    if (pos > undo.OldSize() || undo.OldSize() - pos < n) return false;
    auto* p = static_cast<char*>(buffer);
    const uint64_t cut = undo.tailOffset;
    if (pos < cut) {
        const size_t head = size_t(std::min<uint64_t>(n, cut - pos));
        if (!file.ReadAt(pos, p, head)) return false;
        p += head;
        pos += head;
        n -= head;
    }
    if (n != 0) std::memcpy(p, undo.tail.data() + (pos - cut), n);
    return true;
}

}  // namespace zipundo
