#include "platform/win32/files_ext_win32.h"

#include <windows.h>

#include <vector>

namespace zk::platform::win32 {

namespace {
std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Utf8(const wchar_t* w, int len = -1) {
    if (len < 0) len = static_cast<int>(wcslen(w));
    if (len == 0) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, len, s.data(), n, nullptr, nullptr);
    return s;
}

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

std::unique_ptr<File> OpenFile(const std::string& path, OpenMode mode) {
    DWORD access = mode == OpenMode::Read ? GENERIC_READ
                 : mode == OpenMode::Write ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
    DWORD share = mode == OpenMode::Read ? FILE_SHARE_READ : 0;
    DWORD disposition = mode == OpenMode::Read || mode == OpenMode::ReadWrite ? OPEN_EXISTING : CREATE_ALWAYS;
    HANDLE h = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
}

std::unique_ptr<DirReader> OpenDir(const std::string& folder) {
    std::wstring pattern = Wide(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L':') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DirReader>(h, data);
}

bool DirExists(const std::string& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }
bool RemoveDir(const std::string& path) { return RemoveDirectoryW(Wide(path).c_str()) != 0; }
bool RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }
bool RenameFile(const std::string& from, const std::string& to) {
    return MoveFileW(Wide(from).c_str(), Wide(to).c_str()) != 0;
}

bool GetFileStamp(const std::string& path, FileTime& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
    time = FromFiletime(data.ftLastWriteTime);
    return true;
}

bool SetFileStamp(const std::string& path, FileTime time) {
    HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME ft = ToFiletime(time);
    bool ok = ::SetFileTime(h, nullptr, nullptr, &ft) != 0;
    DWORD error = GetLastError();
    CloseHandle(h);
    SetLastError(error);
    return ok;
}

std::string TempFileName(const std::string& folder, const std::string& prefix) {
    wchar_t name[MAX_PATH + 1];
    if (!GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, name)) return {};
    return Utf8(name);
}

DriveType DriveKind(char letter) {
    return static_cast<DriveType>(GetDriveTypeW(Root(letter).c_str()));
}

std::optional<uint64_t> DiskFree(char letter) {
    ULARGE_INTEGER avail, total, free;
    if (!GetDiskFreeSpaceExW(Root(letter).c_str(), &avail, &total, &free)) return std::nullopt;
    return avail.QuadPart;
}

bool VolumeInfo(char letter, std::string& label, uint32_t& serial) {
    wchar_t name[MAX_PATH + 1] = {};
    DWORD number = 0, maxLen = 0, flags = 0;
    if (!GetVolumeInformationW(Root(letter).c_str(), name, MAX_PATH + 1, &number, &maxLen, &flags, nullptr, 0))
        return false;
    label = Utf8(name);
    serial = number;
    return true;
}

bool SetDriveLabel(char letter, const std::string& label) {
    return SetVolumeLabelW(Root(letter).c_str(), Wide(label).c_str()) != 0;
}

std::string Drives() {
    DWORD mask = GetLogicalDrives();
    std::string letters;
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) letters += static_cast<char>('A' + i);
    return letters;
}

unsigned SetCriticalErrorMode(unsigned mode) { return ::SetErrorMode(mode); }

}  // namespace zk::platform::win32
