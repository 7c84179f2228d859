// The two entry points of ZKZIP.DLL. Natively the library is linked in, and
// the tests call them directly.
#pragma once
#include <string>

#include "zkzip/zipdll.h"

#ifdef __cplusplus
extern "C" {
#endif

int32_t ZK_STDCALL GetZkZipVersion(void);
int32_t ZK_STDCALL ZkZipExec(ZipCommand* command);

#ifdef __cplusplus
}
#endif

namespace zkzip {

// The library's message numbers (callback code 4, error field).
enum ErrorNumber {
    kInfo = 0,         // information and warnings
    kErrFormat = 3,    // the archive is damaged or of a kind we do not update
    kErrMemory = 4,
    kErrTooBig = 6,    // beyond the 32-bit fields of the format
    kErrCancel = 9,    // a callback asked to stop
    kErrTemp = 10,     // the temporary archive
    kErrRead = 11,     // a file could not be read
    kErrNothing = 12,  // nothing matched
    kErrName = 13,     // no archive name
    kErrWrite = 14,    // the archive could not be written
    kErrCreate = 15,   // the archive could not be opened or created
    kErrOpen = 18,     // a file to add could not be opened
    kErrPassword = 21,  // encryption without a password
    kSkippedTooDeep = ZK_MSG_SKIPPED_TOO_DEEP,
    kSkippedSameName = ZK_MSG_SKIPPED_SAME_NAME
};

// The undo journal of an add to `archive` (journal.h).
std::string JournalPath(const std::string& archive);
// Puts back the archive an add left half written (a crash, a killed
// process) and removes the journal; true when nothing is left to undo.
bool UndoInterruptedAdd(const std::string& archive, std::string& error);

}  // namespace zkzip
