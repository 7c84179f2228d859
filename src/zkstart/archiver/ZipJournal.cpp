#include "archiver/ZipJournal.h"

#include <algorithm>
#include <optional>

namespace zk {

namespace {

class UndoFile : public zipundo::File {
public:
    UndoFile(platform::FileSystem& files, std::string path, std::unique_ptr<platform::File> file)
        : files_(files), path_(std::move(path)), file_(std::move(file)) {}
    uint64_t Size() override { return static_cast<uint64_t>(std::max<int64_t>(file_->Size(), 0)); }
    bool ReadAt(uint64_t pos, void* buffer, size_t n) override {
        if (!SeekTo(pos)) return false;
        auto* p = static_cast<char*>(buffer);
        while (n > 0) {
            const int64_t got = file_->Read(p, n);
            if (got <= 0) return false;
            p += got;
            n -= static_cast<size_t>(got);
        }
        return true;
    }
    bool WriteAt(uint64_t pos, const void* buffer, size_t n) override {
        return SeekTo(pos) && file_->Write(buffer, n) == static_cast<int64_t>(n);
    }
    bool Truncate(uint64_t size) override { return SeekTo(size) && file_->Truncate(); }
    bool RemoveHeld() override { return file_->RemoveHeld(); }
    zipundo::Reason Failure() override { return FailureReason(files_, path_); }

private:
    bool SeekTo(uint64_t pos) {
        const auto at = static_cast<int64_t>(pos);
        return file_->Seek(at, platform::SeekFrom::Begin) == at;
    }
    platform::FileSystem& files_;
    std::string path_;
    std::unique_ptr<platform::File> file_;
};

}  // namespace

zipundo::Reason FailureReason(platform::FileSystem& files, const std::string& path) {
    const auto error = static_cast<uint32_t>(files.LastError());  // before another call changes it
    const std::optional<uint32_t> attr = files.Attributes(path);
    return zipundo::FromWindowsError(error, attr && (*attr & platform::faReadOnly));
}

std::unique_ptr<zipundo::File> UndoFiles::Open(const std::string& path, Access access, zipundo::Reason& why) {
    using platform::OpenMode;
    const OpenMode mode = access == Access::Read        ? OpenMode::Read
                          : access == Access::ReadWrite ? OpenMode::ReadWrite
                          : access == Access::Hold      ? OpenMode::Hold
                                                        : OpenMode::HoldOrCreate;
    if (std::unique_ptr<platform::File> f = files_.Open(path, mode))
        return std::make_unique<UndoFile>(files_, path, std::move(f));
    why = FailureReason(files_, path);
    // Opening what is not there: a missing folder says no more than a missing file.
    if (access != Access::HoldOrCreate && why == zipundo::Reason::NoFolder) why = zipundo::Reason::None;
    return nullptr;
}

bool UndoFiles::Remove(const std::string& path, zipundo::Reason& why) {
    if (!files_.FileExists(path) || files_.RemoveFile(path)) return true;
    why = FailureReason(files_, path);
    return false;
}

zipundo::Reason UndoInterruptedAdd(platform::FileSystem& files, const std::string& archive) {
    UndoFiles undo(files);
    return zipundo::UndoInterruptedAdd(undo, archive);
}

}  // namespace zk
