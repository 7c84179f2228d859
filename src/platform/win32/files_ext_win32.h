// The Win32 side of files, folders and drives; the file system class
// forwards to these. Paths are UTF-8 and become wide at this boundary.
#pragma once
#include "platform/filesystem.h"

namespace zk::platform::win32 {

std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode);
std::unique_ptr<DirReader> OpenDir(const std::string& folder);
bool DirExists(const std::string& path);
bool CreateDir(const std::string& path);
bool RemoveDir(const std::string& path);
bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool GetFileStamp(const std::string& path, FileTime& time);
bool SetFileStamp(const std::string& path, FileTime time);
std::string TempFileName(const std::string& folder, const std::string& prefix);
DriveType DriveKind(char letter);
std::optional<uint64_t> DiskFree(char letter);
bool VolumeInfo(char letter, std::string& label, uint32_t& serial);
bool SetDriveLabel(char letter, const std::string& label);
std::string Drives();
unsigned SetCriticalErrorMode(unsigned mode);

}  // namespace zk::platform::win32
