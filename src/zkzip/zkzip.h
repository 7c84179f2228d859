// The two entry points of ZKZIP.DLL. Natively the library is linked in, and
// the tests call them directly.
#pragma once
#include <string>

#include "zkzip/zipdll.h"

#ifdef __cplusplus
extern "C" {
#endif

int32_t ZK_STDCALL GetZkZipVersion(void);
// An add ended at any moment (a crash, the task manager) leaves the old
// archive or the new one. Nothing is synced to the disk, as zip and 7-Zip
// sync nothing: after a power failure during an add the archive's directory
// can be lost. Two syncs per add would guard that, at tens of milliseconds a
// file on a hard disk.
int32_t ZK_STDCALL ZkZipExec(ZipCommand* command);

#ifdef __cplusplus
}
#endif

namespace zkzip {

// The library's message numbers (zipdll.h).
enum ErrorNumber {
    kInfo = 0,  // information and warnings
    kErrFormat = ZK_ERR_FORMAT,
    kErrMemory = ZK_ERR_MEMORY,
    kErrTooBig = ZK_ERR_TOO_BIG,
    kErrCancel = ZK_ERR_CANCEL,
    kErrTemp = ZK_ERR_TEMP,
    kErrRead = ZK_ERR_READ,
    kErrNothing = ZK_ERR_NOTHING,
    kErrName = ZK_ERR_NAME,
    kErrWrite = ZK_ERR_WRITE,
    kErrCreate = ZK_ERR_CREATE,
    kErrBusy = ZK_ERR_BUSY,
    kErrOpen = ZK_ERR_OPEN,
    kErrUndo = ZK_ERR_UNDO,
    kErrPassword = ZK_ERR_PASSWORD,
    kSkippedTooDeep = ZK_MSG_SKIPPED_TOO_DEEP,
    kSkippedSameName = ZK_MSG_SKIPPED_SAME_NAME
};

// The undo record of an add to `archive` (zipundo/undo.h).
std::string JournalPath(const std::string& archive);
// Puts back the archive an add left half written (a crash, a killed
// process) and removes the record; true when nothing is left to undo.
bool UndoInterruptedAdd(const std::string& archive, std::string& error);

}  // namespace zkzip
