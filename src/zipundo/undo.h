// Undoing an add that was cut short, and one writer at a time, for the zip
// library, the archive component and the self-extractor alike. Each of them
// hands in its own file layer through the small interface below.
//
// A writer holds the record "<archive>.zkj" open, shut to every other
// process, for as long as its add lasts (Windows: no sharing; POSIX: an
// advisory lock). Before it changes the archive it writes into the record
// what undoes the change; once the change is complete it removes the record
// while still holding it. Whoever finds a record that nobody holds knows an
// add was cut short and puts the archive back first. A record held by
// someone else means another program is writing the archive: hands off.
//
// The record is the only copy of what it protects, so it goes only after it
// was applied, when it was cut short itself (the archive was not touched
// yet), when it was written for another file, or when the archive is gone.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "zipundo/journal.h"

namespace zipundo {

// Why a file could not be used; the user reads it as a sentence.
enum class Reason : uint8_t {
    None = 0,
    ReadOnly = 1,       // the file is write-protected
    InUse = 2,          // another program has it open
    DriveReadOnly = 3,  // the drive takes no writes
    DiskFull = 4,
    Busy = 5,           // another program is adding to the archive
    NoFolder = 6,       // the folder is missing
    Denied = 7,         // no permission
    Other = 8,
};
constexpr unsigned kReasonCount = 9;

// What a Windows error number means here.
Reason FromWindowsError(uint32_t error, bool readOnlyAttribute);

// An open file.
class File {
public:
    virtual ~File() = default;
    virtual uint64_t Size() = 0;
    virtual bool ReadAt(uint64_t pos, void* buffer, size_t n) = 0;
    virtual bool WriteAt(uint64_t pos, const void* buffer, size_t n) = 0;
    // Cuts or extends the file to `size` bytes.
    virtual bool Truncate(uint64_t size) = 0;
    // Removes a held file before letting it go, so that no other process
    // can take it in between; the file is closed afterwards.
    virtual bool RemoveHeld() = 0;
    // Why the last call on this file failed.
    virtual Reason Failure() = 0;
};

class Files {
public:
    enum class Access {
        Read,          // others may read too
        ReadWrite,     // others may read too
        Hold,          // reading and writing, shut to every other process
        HoldOrCreate,  // the same; made when missing
    };
    virtual ~Files() = default;
    // nullptr when the file cannot be opened; `why` then says why, and is
    // None when the file does not exist.
    virtual std::unique_ptr<File> Open(const std::string& path, Access access, Reason& why) = 0;
    // True when the file is gone afterwards, also when it never was.
    virtual bool Remove(const std::string& path, Reason& why) = 0;
};

std::string RecordPath(const std::string& archive);
// A rewritten archive is made beside the old one under this name and
// renamed over it when whole.
std::string NewCopyPath(const std::string& archive);

// The record of one add, held by this process while the add lasts.
class Writer {
public:
    Writer(Files& files, std::string archive);
    ~Writer();  // lets go; a record that holds an unsettled undo stays
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Holds the record (made when missing) after putting back what an add
    // cut short left. Busy when another program holds it; on any failure
    // nothing is changed and nothing is held.
    Reason Take();
    // Whether Take failed while putting back what an earlier add left.
    bool Undoing() const { return undoing_; }
    // What undoes the coming change, whole in the record before the archive
    // changes.
    Reason Write(const journal::Undo& undo);
    // The change is complete, or was undone: the record goes.
    Reason Settle();

private:
    Files& files_;
    std::string archive_;
    std::unique_ptr<File> record_;
    bool written_ = false;
    bool undoing_ = false;
};

// For a reader of the archive: puts back what an add cut short left and
// removes the record. Busy when another program holds the record; on any
// failure the archive and the record stay as they are.
Reason UndoInterruptedAdd(Files& files, const std::string& archive);

// For the self-extractor, which cannot rewrite its own running file: the
// undo that applies to `archive` (open as `file`), read without changing
// anything. `pending` is false when there is none.
Reason PendingUndo(Files& files, const std::string& archive, File& file, journal::Undo& undo, bool& pending);
// Reads the archive as it was before the add that `undo` belongs to.
bool ReadAsBefore(File& file, const journal::Undo& undo, uint64_t pos, void* buffer, size_t n);

}  // namespace zipundo
