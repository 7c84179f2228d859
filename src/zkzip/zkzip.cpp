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
// Nothing is synced to the disk; zkzip.h says what that leaves unguarded.
// (The system may write the archive's new bytes before the record; the setup
// adds one file per call, so two syncs per add would cost it seconds.)
//
// The add goes by its steps: the command (command.cpp), the files it names
// (collect.cpp), the archive taken and begun (update.cpp), the entries
// written (entries.cpp), the commit or the rollback (commit.cpp).
#include "zkzip/zkzip.h"

#include <new>

#include "zkzip/collect.h"
#include "zkzip/update.h"

namespace zkzip {

std::string JournalPath(const std::string& archive) { return zipundo::RecordPath(archive); }

bool UndoInterruptedAdd(const std::string& archive, std::string& error) {
    const zipundo::Reason why = zipundo::UndoInterruptedAdd(fs::UndoFiles(), archive);
    if (why == zipundo::Reason::None) return true;
    error = why == zipundo::Reason::Busy ? "another program is writing the archive" : fs::LastErrorText();
    return false;
}

namespace {

// The files added, or 0 after the failure was told to the caller.
int32_t Run(const ZipCommand& command) {
    Caller caller(command);
    Options o;
    ArchiveUpdate archive(o, caller);
    Collection files(o, caller);
    int code = kInfo;
    zipundo::Reason reason = zipundo::Reason::None;
    std::string text;
    try {
        o = ReadCommand(command, caller);
        if (o.archive.empty()) throw Failure{kErrName, "No archive name given"};
        if (o.trace) caller.Message(kInfo, "Archive: " + o.archive);
        archive.Open();
        for (const Spec& s : o.specs) files.Find(s);
        files.Plan(archive.Old());
        files.ReportSkipped();
        if (files.FileCount() == 0) throw Failure{kErrNothing, "Nothing to do: no file matched"};
        files.AskPassword();
        uint64_t total = 0;
        for (const Item& it : files.Planned()) total += it.isDir ? 0 : it.st.size;
        caller.Step(ZK_CB_TOTAL, Clamp32(total));
        caller.Step(ZK_CB_COUNT, Clamp32(files.FileCount()));
        Output& out = archive.Begin(files.Replaced());
        EntryWriter entries(o, caller);
        for (const Item& item : files.Planned()) entries.Write(out, item);
        archive.Finish(entries.Central());
        archive.Commit();
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
    if (!archive.Committed()) {
        archive.Rollback();
        // The reason rides in the second byte, for the caller to tell the user.
        caller.Callback(ZK_CB_MESSAGE, code | int(reason) << 8, 0, text);
        return 0;
    }
    archive.AfterCommit(files.Planned(), files.Replaced());
    return int32_t(files.FileCount());
}

}  // namespace

}  // namespace zkzip

extern "C" int32_t ZK_STDCALL GetZkZipVersion(void) { return ZK_INTERFACE_VERSION; }

extern "C" int32_t ZK_STDCALL ZkZipExec(ZipCommand* command) {
    if (!command) return 0;
    try {
        return zkzip::Run(*command);
    } catch (...) {
        return 0;  // nothing may cross into the caller
    }
}
