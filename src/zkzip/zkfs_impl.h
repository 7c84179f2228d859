// What the Windows and the POSIX side of the file layer share: the failure
// record and the test hooks.
#pragma once
#include <cstdint>
#include <string>

#include "zkzip/names.h"
#include "zkzip/zkfs.h"

namespace zkzip::fs::impl {

void SetFailure(const std::string& text, zipundo::Reason reason);
// The crash tests' hook, before every change on disk.
void BeforeChange();

// The test hooks: whether opening `path` for reading is refused; how much
// of a read of n bytes may come (false: the read fails); how much of a
// write that would grow a file from `size` past `pos + n` fits; the growth
// of a file that the small disk now holds.
bool HookRefusesRead(const std::string& path);
bool HookLimitsRead(const std::string& path, int64_t readSoFar, int64_t& n);
int64_t HookAllowedWrite(uint64_t pos, uint64_t size, int64_t n);
void HookGrew(uint64_t bytes);

}  // namespace zkzip::fs::impl
