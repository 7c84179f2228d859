#include "archiver/ZipSpan.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "archiver/ZipArch.h"

namespace zk {

namespace {

constexpr size_t kChunk = 8192;

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Stamps as the file system of a disk keeps them: two seconds apart.
bool SameDiskTime(platform::FileTime a, platform::FileTime b) { return a / 20000000 == b / 20000000; }

EZipArchiver Raised(int number) { return EZipArchiver::CreateResDisp(number, true); }
EZipArchiver Cancelled() { return EZipArchiver::CreateResDisp(zmUserCancel, false); }

}  // namespace

int32_t ZipSpanWriter::WriteSpannedArchive(const std::string& source, const std::string& target) {
    zip_.Busy = true;
    source_ = source;
    target_ = target;
    partName_.clear();
    free_ = written_ = 0;
    progress_ = false;
    statusAction_ = zdaOk;
    out_.reset();
    int32_t result = 0;
    std::vector<CopyRecord> records;
    try {
        platform::FileSystem& files = zip_.platform.files;
        if (!files.FileExists(source)) throw Raised(zmCannotOpen);
        ZipDirReader::EndRecord end;
        zip_.directory.LocateEndRecord(source, true, end);
        in_ = zip_.directory.TakeFile();
        const int64_t sourceSize = in_->Size();
        zip_.disks.BeginWriting(target, sourceSize);
        files.GetFileStamp(source, sourceDate_);
        if (in_->Seek(0, platform::SeekFrom::Begin) != 0) throw Raised(zmSeekEnd);
        records.resize(end.totalEntries);

        static const uint8_t kMarker[4] = {0x50, 0x4b, 0x07, 0x08};
        Write(kMarker, sizeof kMarker, 0);
        progress_ = true;
        zip_.Progress(ProgressCount, "", static_cast<int64_t>(end.totalEntries));
        zip_.Progress(ProgressTotal, "", sourceSize);
        const std::string copying = MessageText(zmCopying, "Copying: ");
        CopyLocalRecords(records, copying);

        const std::string central = MessageText(zmCentralDirectory, "Central directory");
        zip_.EventMessage(0, copying + central);
        zip_.Progress(ProgressFileStart, central,
                      static_cast<int64_t>(std::min<uint64_t>(end.directorySize, INT64_MAX)) + 22 + end.commentLength);
        int dirDisk = zip_.disks.Disk();
        uint64_t dirOffset = 0, dirSize = 0;
        CopyDirectory(records, end.totalEntries, dirSize, dirDisk, dirOffset);

        // The end records name the disk they land on: make room first.
        zipformat::EndRecord last = zipformat::OneDiskEnd(end.totalEntries, dirSize, dirOffset);
        const int64_t zip64Size =
            zipformat::EndNeedsZip64(last) ? zipformat::kZip64EndSize + zipformat::kZip64LocatorSize : 0;
        EnsureRoom(zip64Size + 22 + end.commentLength);
        if (end.totalEntries == 0) dirDisk = zip_.disks.Disk(), dirOffset = static_cast<uint64_t>(written_);
        last.disk = static_cast<uint32_t>(zip_.disks.Disk());
        last.directoryDisk = static_cast<uint32_t>(dirDisk);
        last.directoryOffset = dirOffset;
        std::string comment(end.commentLength, '\0');
        if (in_->Seek(zip_.directory.EndRecordPosition() + 22, platform::SeekFrom::Begin) < 0) throw Raised(zmSeekEnd);
        Read(comment.data(), comment.size(), zmArchiveCommentShort);
        std::vector<uint8_t> tail;
        zipformat::AppendEnd(tail, last, static_cast<uint64_t>(written_), comment);
        Write(tail.data(), tail.size(), static_cast<int64_t>(tail.size()));
        progress_ = false;
        // The last part counts only once it is safely closed.
        if (!ClosePart()) throw Raised(zmCannotWritePart);
    } catch (const EZipArchiver& e) {
        zip_.ReportException(e);
        result = -7;
    } catch (const std::bad_alloc&) {
        zip_.ReportMessage(zmOutOfMemory);
        result = -8;
    } catch (const std::exception& e) {
        zip_.ReportMessage(zmCopyFailed, e.what());
        result = -9;
    } catch (...) {
        zip_.ReportMessage(zmCopyFailed);
        result = -9;
    }
    zip_.Progress(ProgressEnd, "", 0);
    ClosePart();
    in_.reset();
    zip_.disks.EndWriting();
    zip_.Busy = false;
    return result;
}

void ZipSpanWriter::CopyLocalRecords(std::vector<CopyRecord>& records, const std::string& copying) {
    for (CopyRecord& rec : records) {
        uint8_t h[zipformat::kLocalSize];
        zipformat::LocalHeader local;
        Read(h, sizeof h, zmLocalShort);
        if (!zipformat::ParseLocal(h, local)) throw Raised(zmBadLocalSignature);
        rec.name.assign(local.nameLength, '\0');
        Read(rec.name.data(), local.nameLength, zmLocalNameShort);
        std::vector<uint8_t> extra(local.extraLength);
        Read(extra.data(), extra.size(), zmLocalExtraShort);
        zipformat::ApplyZip64(local, extra.data(), extra.size());
        const bool descriptor = (local.flags & zipformat::kFlagDescriptor) != 0;
        const size_t descriptorSize = descriptor ? zipformat::DescriptorSize(local.zip64, true) : 0;
        std::string shown = zip_.directory.ConvertName(rec.name, 20, 0, local.flags, extra.data(), extra.size());
        std::replace(shown.begin(), shown.end(), '/', '\\');
        zip_.EventMessage(0, copying + shown);
        zip_.Progress(ProgressFileStart, shown, static_cast<int64_t>(local.Length() + local.packed + descriptorSize));
        Write(h, sizeof h, static_cast<int64_t>(local.Length()));
        // Taken after the write: a header that did not fit went to the next disk.
        rec.disk = static_cast<uint16_t>(zip_.disks.Disk());
        rec.offset = static_cast<uint64_t>(written_ - static_cast<int64_t>(sizeof h));
        Write(rec.name.data(), rec.name.size(), 0);
        Write(extra.data(), extra.size(), 0);
        Copy(static_cast<int64_t>(std::min<uint64_t>(local.packed, INT64_MAX)), zmDataShort);
        if (descriptor) Copy(static_cast<int64_t>(descriptorSize), zmDescriptorShort);
    }
}

void ZipSpanWriter::CopyDirectory(std::vector<CopyRecord>& records, uint64_t entries, uint64_t& dirSize, int& dirDisk,
                                  uint64_t& dirOffset) {
    for (uint64_t i = 0; i < entries; ++i) {
        uint8_t c[zipformat::kCentralSize];
        zipformat::CentralHeader h;
        Read(c, sizeof c, zmDirectoryShort);
        if (!zipformat::ParseCentral(c, h)) throw Raised(zmBadDirSignature);
        std::string name(h.nameLength, '\0'), extra(h.extraLength, '\0'), comment(h.commentLength, '\0');
        Read(name.data(), name.size(), zmNameShort);
        Read(extra.data(), extra.size(), zmCentralExtraShort);
        Read(comment.data(), comment.size(), zmCommentShort);
        // Twins of a name pair up in order, each with a local header of its own.
        auto rec = std::find_if(records.begin(), records.end(),
                                [&](const CopyRecord& r) { return !r.used && SameNameIgnoringCase(r.name, name); });
        if (rec == records.end()) throw Raised(zmNoLocalHeader);
        rec->used = true;
        zipformat::ApplyZip64(h, reinterpret_cast<const uint8_t*>(extra.data()), extra.size());
        h.diskStart = rec->disk;
        h.localOffset = rec->offset;
        const std::vector<uint8_t> record = zipformat::CentralBytes(h, name, extra, comment);
        Write(record.data(), record.size(), static_cast<int64_t>(record.size()));
        if (i == 0) {
            dirDisk = zip_.disks.Disk();
            dirOffset = static_cast<uint64_t>(written_) - record.size();
        }
        dirSize += record.size();
    }
}

bool ZipSpanWriter::ClosePart() {
    if (!out_) return true;
    bool ok = out_->Close();
    out_.reset();
    zip_.platform.files.SetFileStamp(partName_, sourceDate_);
    return ok;
}

void ZipSpanWriter::NextDisk() {
    if (!ClosePart()) throw Raised(zmCannotWritePart);
    free_ = 0;
    written_ = 0;
    zip_.disks.NextDisk();
}

void ZipSpanWriter::Read(void* buffer, size_t count, int errorNumber) {
    size_t done = 0;
    while (done < count) {
        int64_t n = in_->Read(static_cast<char*>(buffer) + done, count - done);
        if (n <= 0) throw Raised(errorNumber);
        done += static_cast<size_t>(n);
    }
}

void ZipSpanWriter::Copy(int64_t count, int errorNumber) {
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 0), kChunk)));
    while (count > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(count, kChunk));
        Read(buffer.data(), n, errorNumber);
        Write(buffer.data(), n, 0);
        count -= static_cast<int64_t>(n);
    }
}

void ZipSpanWriter::EnsureRoom(int64_t minPiece) {
    for (;;) {
        if (!out_) OpenPart();
        // A piece larger than a whole fresh part is split rather than chased
        // from disk to disk.
        if (minPiece > 0 && minPiece > free_ && written_ > 0) {
            NextDisk();
            continue;
        }
        return;
    }
}

void ZipSpanWriter::Write(const void* buffer, size_t length, int64_t minPiece) {
    zip_.platform.app.ProcessMessages();
    if (zip_.Cancel) throw Cancelled();
    const auto* p = static_cast<const uint8_t*>(buffer);
    for (;;) {
        EnsureRoom(minPiece);
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(length), std::max<int64_t>(free_, 0)));
        if (n > 0) {
            if (out_->Write(p, n) != static_cast<int64_t>(n)) throw Raised(zmCannotWritePart);
            if (progress_) zip_.Progress(ProgressStep, "", static_cast<int64_t>(n));
            written_ += static_cast<int64_t>(n);
            free_ -= static_cast<int64_t>(n);
        }
        if (n == length) return;
        NextDisk();
        p += n;
        length -= n;
        minPiece = 0;
    }
}

void ZipSpanWriter::OpenPart() {
    ZipDisks& disks = zip_.disks;
    platform::FileSystem& files = zip_.platform.files;
    for (;;) {
        if (disks.Disk() >= ZipDisks::kMaxDisks)
            throw EZipArchiver::CreateResFallback(
                zmTooManyDisks, "A disk set holds at most 999 disks: the copy stops before disk 1000.", true);
        const platform::DriveType type = disks.RequestDisk();
        const bool fixed = type == platform::DriveType::Fixed || type == platform::DriveType::Remote;
        const bool removable = type == platform::DriveType::Removable;
        partName_ = fixed ? ZipDisks::NumberedPartName(target_, disks.Disk() + 1) : target_;
        if (fixed) disks.CheckDrive(disks.Root());  // nobody was asked: the label and sizes are read here
        const std::string label = ZipDisks::Label(disks.Disk());

        if (removable && zip_.AddOptions.Contains(AddDiskSpanErase) && (!zip_.OnGetNextDisk || statusAction_ == zdaErase)) {
            int formatted = disks.FormatDisk(label);
            if (formatted == platform::kFormatError) throw Raised(zmUserCancel);
            // Cancelled, or no format dialog on this system.
            if (formatted < 0) throw Cancelled();
            disks.CheckDrive(disks.Root());
        }

        if (files.FileExists(partName_) && !MayOverwrite(fixed)) {
            written_ = 0;
            disks.WantFreshDisk();
            continue;
        }

        out_ = files.Open(partName_, platform::OpenMode::Write);
        if (!out_) throw Raised(zmCannotCreatePart);
        written_ = 0;
        disks.CheckDrive(disks.Root());
        int64_t free = static_cast<int64_t>(std::min<uint64_t>(disks.FreeBytes(), INT64_MAX));
        if (zip_.MaxVolumeSize > 0 && zip_.MaxVolumeSize < free) free = zip_.MaxVolumeSize;
        if (disks.Disk() == 0) free -= zip_.KeepFreeOnDisk1;
        free_ = free;
        if (free < zip_.MinFreeVolumeSize) {
            out_.reset();
            files.RemoveFile(partName_);
            NotEnoughSpace();
            disks.WantFreshDisk();
            continue;
        }
        if (removable && !files.SetDriveLabel(disks.Root()[0], label)) throw Raised(zmCannotLabel);
        return;
    }
}

bool ZipSpanWriter::MayOverwrite(bool fixed) {
    if (zip_.Unattended) throw Raised(zmNeedsUser);
    const ZipDisks& disks = zip_.disks;
    const int labelNo = ZipDisks::LabelNumber(disks.VolumeLabel(), 1);
    platform::FileTime stamp = 0;
    zip_.platform.files.GetFileStamp(partName_, stamp);
    std::string question;
    TZipDiskStatus status;
    if (!SameDiskTime(stamp, sourceDate_) || labelNo - 1 >= disks.Disk()) {
        question = FormatMessageArg(MessageText(zmOverwriteFile, "Overwrite previous file %s"), partName_);
        status = zdsSameFileName;
    } else {
        question = FormatMessageArg(MessageText(zmOverwriteDisk, "Overwrite previous disk no %d"), labelNo);
        status = zdsPreviousDisk;
    }
    status |= disks.SizeBytes() - disks.FreeBytes() == 0 ? zdsEmpty : zdsHasFiles;
    enum { kYes, kNo, kCancel } answer = kCancel;
    if (zip_.OnStatusDisk) {
        TZipDiskAction action = zdaOk;
        zip_.OnStatusDisk(zip_, labelNo, partName_, status, action);
        statusAction_ = action;
        answer = action == zdaReject ? kNo : action == zdaCancel ? kCancel : kYes;
    } else {
        using platform::DlgButton;
        int r = zip_.Box("Confirm", question, platform::DlgType::Warning, {DlgButton::Yes, DlgButton::No, DlgButton::Cancel},
                         1, 2);
        answer = r == platform::mrYes ? kYes : r == platform::mrNo ? kNo : kCancel;
    }
    // A fixed drive has no other disk to offer: asking again would never end.
    if (answer == kCancel || (answer == kNo && fixed)) throw Cancelled();
    return answer == kYes;
}

void ZipSpanWriter::NotEnoughSpace() {
    if (zip_.Unattended) throw Raised(zmNeedsUser);
    if (zip_.OnStatusDisk) {
        TZipDiskAction action = zdaOk;
        zip_.OnStatusDisk(zip_, zip_.disks.Disk() + 1, partName_, zdsNotEnoughSpace, action);
        statusAction_ = action;
        if (action == zdaCancel) throw Cancelled();
        return;
    }
    int r = zip_.Box(zip_.platform.app.Title(), MessageText(zmNotEnoughSpace, "This disk has not enough free space available"),
                     platform::DlgType::Error, {platform::DlgButton::Retry, platform::DlgButton::Cancel}, 0, 1);
    if (r == platform::mrNone) throw Raised(zmNoBox);
    if (r != platform::mrRetry) throw Cancelled();
}

}  // namespace zk
