#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/win32/win32_platform.h"
#include "platform/buffered_file.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

using platform::DirEntry;
using platform::DirReader;
using platform::DriveType;
using platform::File;
using platform::FileTime;
using platform::OpenMode;
using platform::SeekFrom;

std::string FileSystem::ModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return Utf8(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string FileSystem::CurrentDir() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring buf(n, L'\0');
    n = GetCurrentDirectoryW(n, buf.data());
    buf.resize(n);
    return Utf8(buf);
}

bool FileSystem::SetCurrentDir(const std::string& dir) {
    if (SetCurrentDirectoryW(Wide(dir).c_str())) return true;
    lastError_ = static_cast<int>(GetLastError());
    return false;
}

bool FileSystem::FindFirst(const std::string& path, uint32_t attrMask, platform::FoundEntry& found) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(Wide(path).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = static_cast<int>(GetLastError());
        return false;
    }
    bool ok = false;
    do {
        // Hidden, system and folder entries count only when the mask asks for them.
        uint32_t special = data.dwFileAttributes & (platform::faHidden | platform::faSysFile | platform::faDirectory);
        if ((special & ~attrMask) == 0) {
            found.name = Utf8(data.cFileName);
            found.attr = data.dwFileAttributes & platform::faAnyFile;
            found.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            ok = true;
            break;
        }
    } while (FindNextFileW(h, &data));
    FindClose(h);
    if (!ok) lastError_ = ERROR_FILE_NOT_FOUND;
    return ok;
}

bool FileSystem::FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- streams, folders and drives ----

namespace {
std::wstring Root(char letter) { return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'}; }

FileTime FromFiletime(const FILETIME& ft) {
    return static_cast<FileTime>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME ToFiletime(FileTime t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) >> 32);
    return ft;
}

class Win32File : public File {
public:
    explicit Win32File(HANDLE h) : h_(h) {}
    ~Win32File() override { Close(); }
    int64_t Read(void* buffer, size_t count) override {
        DWORD got = 0;
        if (!ReadFile(h_, buffer, static_cast<DWORD>(count), &got, nullptr)) return -1;
        return got;
    }
    int64_t Write(const void* buffer, size_t count) override {
        DWORD put = 0;
        if (!WriteFile(h_, buffer, static_cast<DWORD>(count), &put, nullptr)) return -1;
        return put;
    }
    int64_t Seek(int64_t offset, SeekFrom from) override {
        LARGE_INTEGER dist, now;
        dist.QuadPart = offset;
        DWORD how = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
        if (!SetFilePointerEx(h_, dist, &now, how)) return -1;
        return now.QuadPart;
    }
    int64_t Position() override { return Seek(0, SeekFrom::Current); }
    int64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
    }
    bool Truncate() override { return SetEndOfFile(h_) != 0; }
    bool RemoveHeld() override {
        FILE_DISPOSITION_INFO gone{TRUE};
        const bool removed = SetFileInformationByHandle(h_, FileDispositionInfo, &gone, sizeof gone) != 0;
        return Close() && removed;
    }
    bool Close() override {
        if (h_ == INVALID_HANDLE_VALUE) return false;
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

class Win32DirReader : public DirReader {
public:
    Win32DirReader(HANDLE h, const WIN32_FIND_DATAW& first) : h_(h), data_(first) {}
    ~Win32DirReader() override { FindClose(h_); }
    bool Next(DirEntry& entry) override {
        if (done_) return false;
        entry = DirEntry{};
        entry.name = Utf8(data_.cFileName);
        entry.attr = data_.dwFileAttributes;
        entry.size = (static_cast<uint64_t>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
        entry.time = FromFiletime(data_.ftLastWriteTime);
        done_ = !FindNextFileW(h_, &data_);
        return true;
    }

private:
    HANDLE h_;
    WIN32_FIND_DATAW data_;
    bool done_ = false;
};
}  // namespace

std::unique_ptr<File> FileSystem::Open(const std::string& path, OpenMode mode) {
    const bool hold = mode == OpenMode::Hold || mode == OpenMode::HoldOrCreate;
    DWORD access = mode == OpenMode::Read ? GENERIC_READ
                 : mode == OpenMode::Write ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
    if (hold) access |= DELETE;
    DWORD share = mode == OpenMode::Read ? FILE_SHARE_READ : 0;
    DWORD disposition = mode == OpenMode::Read || mode == OpenMode::ReadWrite || mode == OpenMode::Hold ? OPEN_EXISTING
                        : mode == OpenMode::HoldOrCreate                                               ? OPEN_ALWAYS
                                                                                                      : CREATE_ALWAYS;
    HANDLE h = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed(), nullptr;
    return std::make_unique<platform::BufferedFile>(std::make_unique<Win32File>(h));
}

std::unique_ptr<DirReader> FileSystem::OpenDir(const std::string& folder) {
    std::wstring pattern = Wide(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L':') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return Failed(), nullptr;
    return std::make_unique<Win32DirReader>(h, data);
}

bool FileSystem::DirExists(const std::string& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSystem::CreateDir(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) || Failed();
}
bool FileSystem::RemoveDir(const std::string& path) { return RemoveDirectoryW(Wide(path).c_str()) || Failed(); }
bool FileSystem::RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) || Failed(); }
bool FileSystem::RenameFile(const std::string& from, const std::string& to) {
    return MoveFileW(Wide(from).c_str(), Wide(to).c_str()) || Failed();
}

bool FileSystem::GetFileStamp(const std::string& path, FileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return Failed();
    time = FromFiletime(data.ftLastWriteTime);
    return true;
}

bool FileSystem::SetFileStamp(const std::string& path, FileTime time) {
    HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    FILETIME ft = ToFiletime(time);
    bool ok = ::SetFileTime(h, nullptr, nullptr, &ft) != 0;
    DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return ok || Failed();
}

std::optional<uint32_t> FileSystem::Attributes(const std::string& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return Failed(), std::nullopt;
    return static_cast<uint32_t>(a);
}

bool FileSystem::SetAttributes(const std::string& path, uint32_t attr) {
    DWORD a = attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    return SetFileAttributesW(Wide(path).c_str(), a ? a : FILE_ATTRIBUTE_NORMAL) || Failed();
}

namespace {
// A path from a call that is asked for the size first, as
// call(buffer, size); "" when it fails.
template <typename Call>
std::wstring AskPath(Call call) {
    DWORD n = call(nullptr, 0);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    n = call(out.data(), n);
    if (n == 0 || n >= out.size()) return {};
    out.resize(n);
    return out;
}

std::wstring FullPath(const std::wstring& path) {
    return AskPath([&](wchar_t* buf, DWORD n) { return GetFullPathNameW(path.c_str(), n, buf, nullptr); });
}
}  // namespace

std::string FileSystem::FullPathName(const std::string& path) {
    const std::wstring full = FullPath(Wide(path));
    if (full.empty()) return Failed(), std::string();
    // Short 8.3 names of existing folders in their long form.
    const std::wstring longer =
        AskPath([&](wchar_t* buf, DWORD n) { return GetLongPathNameW(full.c_str(), buf, n); });
    return Utf8(longer.empty() ? full : longer);
}

std::string FileSystem::ShortPathName(const std::string& path) {
    const std::wstring in = Wide(path);
    const std::wstring out = AskPath([&](wchar_t* buf, DWORD n) { return GetShortPathNameW(in.c_str(), buf, n); });
    return out.empty() ? (Failed(), std::string()) : Utf8(out);
}

std::string FileSystem::TempFileName(const std::string& folder, const std::string& prefix) {
    wchar_t name[MAX_PATH + 1];
    if (!GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, name)) return Failed(), std::string();
    return Utf8(name);
}

DriveType FileSystem::DriveKind(char letter) {
    return static_cast<DriveType>(GetDriveTypeW(Root(letter).c_str()));
}

std::optional<uint64_t> FileSystem::DiskFree(char letter) {
    ULARGE_INTEGER avail, total, free;
    if (!GetDiskFreeSpaceExW(Root(letter).c_str(), &avail, &total, &free)) return Failed(), std::nullopt;
    return avail.QuadPart;
}

// The classic query in clusters; GetDiskFreeSpaceEx is the caller's business.
std::optional<uint64_t> FileSystem::DiskSize(char letter) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceW(Root(letter).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return Failed(), std::nullopt;
    return static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * clusters;
}

// The 64-bit query is looked up by name (the first Windows 95 lacks it) and
// takes the root in the ANSI code page; the classic one counts clusters.
std::optional<platform::DiskSpace> FileSystem::RootSpace(const std::string& root) {
    using QueryEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto query = kernel ? reinterpret_cast<QueryEx>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                              : nullptr;
    ULARGE_INTEGER available, total, totalFree;
    const std::string ansi = CodePages().FromUtf8(root, GetACP());
    if (query && query(ansi.c_str(), &available, &total, &totalFree))
        return platform::DiskSpace{available.QuadPart, total.QuadPart};
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceW(Wide(root).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return Failed(), std::nullopt;
    const uint64_t cluster = uint64_t{sectorsPerCluster} * bytesPerSector;
    return platform::DiskSpace{cluster * freeClusters, cluster * clusters};
}

bool FileSystem::VolumeInfo(char letter, std::string& label, uint32_t& serial) {
    wchar_t name[MAX_PATH + 1] = {};
    DWORD number = 0, maxLen = 0, flags = 0;
    if (!GetVolumeInformationW(Root(letter).c_str(), name, MAX_PATH + 1, &number, &maxLen, &flags, nullptr, 0))
        return Failed();
    label = Utf8(name);
    serial = number;
    return true;
}

bool FileSystem::SetDriveLabel(char letter, const std::string& label) {
    return SetVolumeLabelW(Root(letter).c_str(), Wide(label).c_str()) || Failed();
}

std::string FileSystem::Drives() {
    DWORD mask = GetLogicalDrives();
    std::string letters;
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) letters += static_cast<char>('A' + i);
    return letters;
}

unsigned FileSystem::SetCriticalErrorMode(unsigned mode) { return ::SetErrorMode(mode); }

namespace {

std::string FolderOf(UINT(WINAPI* query)(LPWSTR, UINT)) {
    std::wstring buf(MAX_PATH, L'\0');
    UINT n = query(buf.data(), static_cast<UINT>(buf.size()));
    if (n >= buf.size()) {
        buf.resize(n);
        n = query(buf.data(), static_cast<UINT>(buf.size()));
        if (n >= buf.size()) return {};
    }
    buf.resize(n);
    if (!buf.empty() && buf.back() == L'\\') buf.pop_back();
    return Utf8(buf);
}

}  // namespace

std::string FileSystem::SystemFolder() { return FolderOf(GetSystemDirectoryW); }
std::string FileSystem::WindowsFolder() { return FolderOf(GetWindowsDirectoryW); }

std::vector<std::string> FileSystem::ProgramFilesFolders() {
    // ProgramW6432 names the 64-bit folder even to a 32-bit program.
    std::vector<std::string> folders;
    for (const wchar_t* name : {L"ProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)"}) {
        wchar_t buf[MAX_PATH * 2];
        DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
        if (n == 0 || n >= MAX_PATH * 2) continue;
        std::wstring w(buf, n);
        if (w.back() == L'\\') w.pop_back();
        auto same = [&](const std::string& f) {
            return CompareStringOrdinal(Wide(f).c_str(), -1, w.c_str(), -1, TRUE) == CSTR_EQUAL;
        };
        if (std::none_of(folders.begin(), folders.end(), same)) folders.push_back(Utf8(w));
    }
    return folders;
}

bool FileSystem::RecycleFile(const std::string& path) {
    // The shell wants a full path (relative ones are not put in the bin)
    // and a list ending in two NULs.
    std::wstring full = FullPath(Wide(path));
    if (full.empty()) return Failed();
    full.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = full.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    int rc = SHFileOperationW(&op);
    if (rc != 0 || op.fAnyOperationsAborted) {
        lastError_ = rc != 0 ? rc : ERROR_CANCELLED;
        return false;
    }
    if (GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) {
        lastError_ = ERROR_ACCESS_DENIED;
        return false;
    }
    return true;
}

std::string FileSystem::TempFolder() {
    // TMP, TEMP or USERPROFILE as the system resolves them; a path longer
    // than the buffer is asked for again with the size the call named.
    std::wstring buf(MAX_PATH + 1, L'\0');
    for (;;) {
        DWORD n = GetTempPathW(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) return Failed(), std::string();
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.assign(n + 1, L'\0');
    }
    if (buf.back() != L'\\') buf += L'\\';
    return Utf8(buf);
}

bool FileSystem::Failed() {
    lastError_ = static_cast<int>(GetLastError());
    return false;
}

}  // namespace zk::win32
