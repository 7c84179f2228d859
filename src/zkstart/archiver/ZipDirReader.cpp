#include "archiver/ZipDirReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archiver/ZipArch.h"
#include "archiver/ZipJournal.h"
#include "common/text.h"

namespace zk {

namespace {

using zipformat::Get32;
constexpr int64_t kEndSize = zipformat::kEndSize;
constexpr int64_t kSearchSize = zipformat::kEndSearchSize;

// Reads until count bytes are in or the file ends; the bytes read.
int64_t ReadFull(platform::File& file, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        int64_t n = file.Read(static_cast<char*>(buffer) + done, count - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool ReadBytes(platform::File& file, std::string& out, size_t count) {
    out.assign(count, '\0');
    return count == 0 || ReadFull(file, out.data(), count) == static_cast<int64_t>(count);
}

// The open archive for the format core's searches.
class FileReader : public zipformat::Reader {
public:
    explicit FileReader(platform::File& file) : file_(file) {}
    uint64_t Size() override { return static_cast<uint64_t>(std::max<int64_t>(file_.Size(), 0)); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        const int64_t at = static_cast<int64_t>(pos);
        return file_.Seek(at, platform::SeekFrom::Begin) == at && ReadFull(file_, buf, n) == static_cast<int64_t>(n);
    }

private:
    platform::File& file_;
};

EZipArchiver Raised(int number) { return EZipArchiver::CreateResDisp(number, true); }

// How far the directory lies from where its record says (the bytes a
// self-extractor put in front). A damaged record may claim any offset, so
// the difference is taken without overflowing; pos is a file position.
int64_t DirectoryShift(int64_t pos, uint64_t claimed) {
    const auto here = static_cast<uint64_t>(pos);
    if (here >= claimed) return static_cast<int64_t>(here - claimed);
    return -static_cast<int64_t>(std::min<uint64_t>(claimed - here, INT64_MAX));
}

}  // namespace

std::string ZipDirReader::ConvertName(const std::string& raw, uint8_t specVersion, uint8_t host, uint16_t flags,
                                      const uint8_t* extra, size_t extraLength) {
    platform::CodePages& pages = zip_.platform.codePages;
    // Flag bit 11, the Unicode path field, UTF-8 from a Unix host.
    std::string utf8;
    if (zipformat::Utf8Name(flags, host, raw, extra, extraLength, utf8)) return pages.ToUtf8(utf8, platform::kCodePageUtf8);
    const CodePageOpts cp = zip_.CodePage;
    bool oem = (cp == cpAuto && host == 0) || host == 6 || (host == 11 && specVersion == 50) || cp == cpOEM;
    return pages.ToUtf8(raw, oem ? pages.OemCodePage() : pages.AnsiCodePage());
}

bool ZipDirReader::LocateEndRecord(const std::string& fileName, bool raise, EndRecord& record) {
    zip_.ArchiveComment.clear();
    inFile_ = zip_.platform.files.Open(fileName, platform::OpenMode::Read);
    if (!inFile_) {
        if (raise) throw Raised(zmCannotOpen);
        zip_.ReportMessage(zmCannotOpenReported);
        return false;
    }
    try {
        platform::File& file = *inFile_;
        const std::string& volumeLabel = zip_.disks.VolumeLabel();
        labelDiskNr_ = 0;
        if (volumeLabel.compare(0, 8, "PKBACK# ") == 0)
            labelDiskNr_ = std::max(0, StrToIntDef(volumeLabel.substr(8, 3), 0));
        realFileSize_ = file.Size();
        if (realFileSize_ < 0) throw Raised(zmSeekEnd);
        const int64_t size = realFileSize_;

        bool firstPart = false;
        uint8_t head[8];
        if (ReadFull(file, head, sizeof head) == 8 && Get32(head) == zipformat::kDescriptorSig &&
            Get32(head + 4) == zipformat::kLocalSig) {
            firstPart = true;
            spanned_ = true;
        }

        // The tail of the file: 22 bytes first, the longest comment's worth when needed.
        std::vector<uint8_t> tail(static_cast<size_t>(kEndSize));
        int64_t tailStart = std::max<int64_t>(size - kEndSize, 0);
        if (file.Seek(tailStart, platform::SeekFrom::Begin) != tailStart) throw Raised(zmSeekEnd);
        if (ReadFull(file, tail.data(), tail.size()) != kEndSize) throw Raised(zmReadEnd);
        int64_t found = -1;  // the record's index in tail
        if (Get32(tail.data()) == zipformat::kEndSig) {
            found = 0;
        } else {
            int64_t n = std::min(kSearchSize, size);
            tailStart = size - n;
            tail.assign(static_cast<size_t>(n), 0);
            if (file.Seek(tailStart, platform::SeekFrom::Begin) != tailStart) throw Raised(zmSeekEnd);
            if (ReadFull(file, tail.data(), tail.size()) != n) throw Raised(zmReadEnd);
            // The last 22 bytes were looked at already.
            if (n > kEndSize) found = zipformat::FindEnd(tail.data(), tail.size(), static_cast<size_t>(n - kEndSize - 1), false);
        }

        if (found >= 0) {
            const uint8_t* r = tail.data() + found;
            static_cast<zipformat::EndRecord&>(record) = zipformat::ParseEnd(r);
            endRecordPos_ = tailStart + found;
            // The values of a zip64 record; a damaged one leaves the classic
            // values, which then fail as they would.
            FileReader reader(file);
            zipformat::EndInfo info;
            info.record = record;
            if (zipformat::ReadZip64End(reader, static_cast<uint64_t>(endRecordPos_), info) == zipformat::EndStatus::Found)
                static_cast<zipformat::EndRecord&>(record) = info.record;
            record.directoryEnd = static_cast<int64_t>(info.directoryEnd);
            const int64_t commentAt = found + kEndSize;  // index in tail
            const int64_t end = endRecordPos_ + kEndSize + record.commentLength;
            fileSize_ = end;
            if (end != size) {
                // Zero padding up to a whole sector is what some copy tools leave.
                bool padding = size % 512 == 0 && end < size && size - end < 512;
                for (int64_t i = end - tailStart; padding && i < static_cast<int64_t>(tail.size()); ++i)
                    padding = tail[static_cast<size_t>(i)] == 0;
                if (!padding) zip_.ReportMessage(zmBytesAfterEnd);
            }
            int64_t available = std::min<int64_t>(record.commentLength, static_cast<int64_t>(tail.size()) - commentAt);
            std::string comment(reinterpret_cast<const char*>(tail.data() + commentAt), static_cast<size_t>(available));
            comment.resize(strnlen(comment.c_str(), comment.size()));
            platform::CodePages& pages = zip_.platform.codePages;
            zip_.ArchiveComment = pages.ToUtf8(comment, pages.AnsiCodePage());
            return true;
        }
        if (raise) {
            if (!firstPart && labelDiskNr_ != 0) throw EZipArchiver::CreateResInt(zmNoEndOnDisk, labelDiskNr_);
            if (firstPart && labelDiskNr_ == 1) throw Raised(zmNoEndFirstDisk1);
            if (firstPart) throw Raised(zmNoEndFirstDisk);
            throw Raised(zmNoEndRecord);
        }
        return false;
    } catch (...) {
        if (raise) throw;
        return false;
    }
}

void ZipDirReader::OpenDiskForReading(int disk) {
    inFile_.reset();
    diskNr_ = disk;
    inFile_ = zip_.disks.SelectDiskForReading(archive_, disk, endDiskNr_);
}

void ZipDirReader::ReadEntries(const EndRecord& record) {
    constexpr int64_t kCentralSize = zipformat::kCentralSize;
    for (uint64_t seq = 1; seq <= record.totalEntries; ++seq) {
        uint8_t raw[kCentralSize];
        // A header that does not fit lies whole on the next disk.
        while (ReadFull(*inFile_, raw, sizeof raw) != kCentralSize) {
            if (diskNr_ >= endDiskNr_) throw Raised(zmDirectoryShort);
            OpenDiskForReading(diskNr_ + 1);
        }
        zipformat::CentralHeader h;
        if (!zipformat::ParseCentral(raw, h)) throw Raised(zmBadDirSignature);
        ZipDirEntry e;
        e.MadeByVersion = h.madeByVersion;
        e.HostVersionNo = h.madeByHost;
        e.Version = h.versionNeeded;
        e.Flag = h.flags;
        e.ComprMethod = h.method;
        e.DateTime = h.dosTime;
        e.CRC32 = h.crc;
        e.FileNameLength = h.nameLength;
        e.ExtraFieldLength = h.extraLength;
        e.FileCommentLen = h.commentLength;
        e.IntFileAttrib = h.internalAttributes;
        e.ExtFileAttrib = h.externalAttributes;

        std::string name;
        if (!ReadBytes(*inFile_, name, e.FileNameLength)) throw Raised(zmNameShort);
        e.Encrypted = (e.Flag & 1) != 0;
        if (e.ExtraFieldLength > 0) {
            e.ExtraData.assign(e.ExtraFieldLength + 1u, 0);
            if (ReadFull(*inFile_, e.ExtraData.data(), e.ExtraFieldLength) != e.ExtraFieldLength)
                throw Raised(zmSeekDirectory);
        }
        // Values the zip64 field does not hold stay as the header has them.
        zipformat::ApplyZip64(h, e.ExtraData.data(), e.ExtraFieldLength);
        e.ComprSize = h.packed;
        e.UncomprSize = h.size;
        e.StartOnDisk = static_cast<uint16_t>(std::min<uint32_t>(h.diskStart, 0xFFFF));
        e.RelOffLocalHdr = h.localOffset;
        e.FileName = ConvertName(name, e.MadeByVersion, e.HostVersionNo, e.Flag, e.ExtraData.data(), e.ExtraFieldLength);
        std::replace(e.FileName.begin(), e.FileName.end(), '/', '\\');
        if (e.FileCommentLen > 0) {
            std::string comment;
            if (!ReadBytes(*inFile_, comment, e.FileCommentLen)) throw Raised(zmCommentShort);
            e.FileComment = ConvertName(comment, e.MadeByVersion, e.HostVersionNo, e.Flag);
        }
        const uint64_t localOffset = e.RelOffLocalHdr;
        const std::string& fileName = e.FileName;
        bool dirOnly = fileName.empty() || fileName.back() == '\\' || fileName.back() == ':';
        if (!zip_.UseDirOnlyEntries && dirOnly) {
            ++zip_.DirOnlyCount;
        } else {
            zip_.Contents.push_back(std::move(e));
            if (zip_.OnNewName)
                zip_.OnNewName(zip_, static_cast<int32_t>(std::min<uint64_t>(seq, INT32_MAX)), zip_.Contents.back());
        }
        zip_.DataOffset = static_cast<int64_t>(std::min<uint64_t>(static_cast<uint64_t>(zip_.DataOffset), localOffset));
    }
}

void ZipDirReader::Reset() {
    zip_.Contents.clear();
    zip_.DataOffset = 0;
    zip_.DirOnlyCount = 0;
    zip_.ArchiveComment.clear();
    realFileSize_ = 0;
    fileSize_ = 0;
    dirPos_ = 0;
    endRecordPos_ = 0;
    spanned_ = false;
    displaced_ = false;
}

void ZipDirReader::Read(const std::string& archive, EndRecord& record) {
    std::string root = DriveRootOf(archive, zip_.platform.files.CurrentDir());
    if (!zip_.disks.CheckDrive(root)) throw EZipArchiver::CreateResStr(zmDriveNotReady, root);
    LocateEndRecord(archive, true, record);
    // A zip64 record may name disks beyond any set's; the classic limit holds.
    endDiskNr_ = static_cast<int>(std::min<uint32_t>(record.disk, 0xFFFF));
    diskNr_ = endDiskNr_;
    if (endDiskNr_ > 0) spanned_ = true;
    if (record.directoryDisk != record.disk) {
        OpenDiskForReading(static_cast<int>(std::min<uint32_t>(record.directoryDisk, 0xFFFF)));
        fileSize_ = inFile_->Size();
        if (fileSize_ < 0) throw Raised(zmSeekEnd);
        dirPos_ = static_cast<int64_t>(std::min<uint64_t>(record.directoryOffset, INT64_MAX));
    } else {
        dirPos_ = record.directoryEnd - static_cast<int64_t>(std::min<uint64_t>(record.directorySize, INT64_MAX));
    }
    zip_.DataOffset = fileSize_ == kEndSize ? 0 : fileSize_;
    if (static_cast<int64_t>(record.directoryOffset) != dirPos_) {
        displaced_ = true;
        zip_.ReportMessage(zmDirectoryDisplaced);
    }
    if (dirPos_ < 0 || inFile_->Seek(dirPos_, platform::SeekFrom::Begin) != dirPos_) throw Raised(zmSeekDirectory);
    ReadEntries(record);
    lastDisk_ = diskNr_;
}

bool ZipDirReader::ReadDirectory(const std::string& archive) {
    Reset();
    archive_ = archive;
    platform::FileSystem& files = zip_.platform.files;
    // An add that was cut short is undone first; one that is still going
    // on elsewhere, or an archive that cannot be put back, ends the read.
    const zipundo::Reason undo = archive.empty() ? zipundo::Reason::None : UndoInterruptedAdd(files, archive);
    if (undo != zipundo::Reason::None) {
        zip_.ReportReason(undo == zipundo::Reason::Busy ? zmArchiveBusy : zmUndoFailed, undo);
        return false;
    }
    if (!files.FileExists(archive)) return true;
    struct CloseAtEnd {
        std::unique_ptr<platform::File>& file;
        ~CloseAtEnd() { file.reset(); }
    } closeAtEnd{inFile_};
    EndRecord record;
    bool failed = true;
    try {
        Read(archive, record);
        failed = false;
    } catch (const EZipArchiver& e) {
        zip_.ReportException(e);
    } catch (const std::bad_alloc&) {
        zip_.ReportMessage(zmOutOfMemory);
    } catch (const std::exception& e) {
        zip_.ReportMessage(zmReadFailed, e.what());
    } catch (...) {
        zip_.ReportMessage(zmReadFailed);
    }
    inFile_.reset();
    if (failed)
        zip_.DataOffset = 0;
    else
        zip_.DataOffset += DirectoryShift(dirPos_, record.directoryOffset);
    return !failed;
}

}  // namespace zk
