// Spanning: a finished temporary archive copied record by record onto a
// series of disks, with the central directory rewritten to name the disk and
// offset of every local header; and the disk handling of the directory
// reader for such a set.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "common/text.h"
#include "ui/form.h"
#include "archiver/ZipArch.h"

namespace zk {

namespace {

// Numbers of this part; the texts with an English fallback of their own.
enum SpanMessage {
    zmCannotLabel = 11005, zmNoBox = 11006, zmUserCancel = 11007, zmCannotCreatePart = 11009,
    zmCannotWritePart = 11010, zmLocalShort = 11012, zmBadLocalSignature = 11014, zmLocalNameShort = 11016,
    zmLocalExtraShort = 11018, zmCentralExtraShort = 11019, zmDescriptorShort = 11020, zmDataShort = 11021,
    zmArchiveCommentShort = 11023, zmCopyFailed = 11024, zmNeedsUser = 11025, zmNoLocalHeader = 11026,
    zmNotEnoughSpace = 11032, zmInsertLastDisk = 11033, zmInsertDiskOf = 11034, zmInDrive = 11035,
    zmOverwriteFile = 11039, zmOverwriteDisk = 11040, zmInsertDisk = 11046, zmCentralDirectory = 11047,
    zmTooManyDisks = 11048,
};

constexpr size_t kChunk = 8192;
const char* const kLabelPrefix = "PKBACK# ";

std::string Three(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

std::string Label(int disk0) { return kLabelPrefix + Three(disk0 + 1); }

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Stamps as the file system of a disk keeps them: two seconds apart.
bool SameDiskTime(platform::FileTime a, platform::FileTime b) { return a / 20000000 == b / 20000000; }

// The number in a "PKBACK# nnn" label; `otherwise` when there is none.
int LabelNumber(const std::string& label, int otherwise) {
    if (label.size() < 9) return otherwise;
    return StrToIntDef(TrimBlanks(label.substr(8, 3)), otherwise);
}

// Where the name part's extension starts (npos: none).
size_t ExtensionAt(const std::string& name) {
    size_t start = name.find_last_of("\\:");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot < start ? std::string::npos : dot;
}

}  // namespace

EZipArchiver EZipArchiver::CreateResFallback(int number, const std::string& fallback, bool showToUser) {
    return EZipArchiver(MessageText(number, fallback), number, showToUser);
}

std::string TZipArchiver::NumberedPartName(const std::string& target, int diskNo1) {
    size_t dot = ExtensionAt(target);
    if (dot == std::string::npos) return target + Three(diskNo1);
    return target.substr(0, dot) + Three(diskNo1) + target.substr(dot);
}

std::string TZipArchiver::ReadingPartName(const std::string& name, int diskNo1) {
    size_t dot = ExtensionAt(name);
    size_t end = dot == std::string::npos ? name.size() : dot;
    size_t start = name.find_last_of("\\:");
    start = start == std::string::npos ? 0 : start + 1;
    size_t cut = end >= start + 3 ? end - 3 : start;
    return name.substr(0, cut) + Three(diskNo1) + name.substr(end);
}

// ---- writing ----

int32_t TZipArchiver::WriteSpannedArchive(const std::string& source, const std::string& target) {
    Busy = true;
    span_ = SpanState{};
    span_.writing = true;
    span_.root = DriveRootOf(target, platform.files.CurrentDir());
    span_.source = source;
    span_.target = target;
    auto progress = [this](ProgressType type, const std::string& name, int64_t size) {
        if (OnProgress) OnProgress(*this, type, name, static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX)));
    };
    const std::string copying = MessageText(zmCopying, "Copying: ");
    int32_t result = 0;
    std::vector<SpanCopyRecord> records;
    try {
        if (!platform.files.FileExists(source)) throw EZipArchiver::CreateResDisp(zmCannotOpen, true);
        EndRecord end;
        LocateEndRecord(source, true, end);
        span_.in = std::move(inFile_);
        span_.sourceSize = span_.in->Size();
        platform.files.GetFileStamp(source, span_.sourceDate);
        if (span_.in->Seek(0, platform::SeekFrom::Begin) != 0) throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
        records.resize(end.totalEntries);

        static const uint8_t kMarker[4] = {0x50, 0x4b, 0x07, 0x08};
        SpanWrite(kMarker, sizeof kMarker, 0);
        span_.progress = true;
        progress(ProgressCount, "", end.totalEntries);
        progress(ProgressTotal, "", span_.sourceSize);

        for (SpanCopyRecord& rec : records) {
            uint8_t h[zipformat::kLocalSize];
            zipformat::LocalHeader local;
            SpanRead(h, sizeof h, zmLocalShort);
            if (!zipformat::ParseLocal(h, local)) throw EZipArchiver::CreateResDisp(zmBadLocalSignature, true);
            rec.name.assign(local.nameLength, '\0');
            SpanRead(rec.name.data(), local.nameLength, zmLocalNameShort);
            std::vector<uint8_t> extra(local.extraLength);
            SpanRead(extra.data(), extra.size(), zmLocalExtraShort);
            zipformat::ApplyZip64(local, extra.data(), extra.size());
            const bool descriptor = (local.flags & zipformat::kFlagDescriptor) != 0;
            const size_t descriptorSize = descriptor ? zipformat::DescriptorSize(local.zip64, true) : 0;
            std::string shown = ConvertName(rec.name, 20, 0, local.flags, extra.data(), extra.size());
            std::replace(shown.begin(), shown.end(), '/', '\\');
            EventMessage(0, copying + shown);
            progress(ProgressFileStart, shown, static_cast<int64_t>(local.Length() + local.packed + descriptorSize));
            SpanWrite(h, sizeof h, static_cast<int64_t>(local.Length()));
            // Taken after the write: a header that did not fit went to the next disk.
            rec.disk = static_cast<uint16_t>(span_.disk);
            rec.offset = static_cast<uint64_t>(span_.written - static_cast<int64_t>(sizeof h));
            SpanWrite(rec.name.data(), rec.name.size(), 0);
            SpanWrite(extra.data(), extra.size(), 0);
            SpanCopy(static_cast<int64_t>(std::min<uint64_t>(local.packed, INT64_MAX)), zmDataShort);
            if (descriptor) SpanCopy(static_cast<int64_t>(descriptorSize), zmDescriptorShort);
        }

        const std::string central = MessageText(zmCentralDirectory, "Central directory");
        EventMessage(0, copying + central);
        progress(ProgressFileStart, central,
                 static_cast<int64_t>(std::min<uint64_t>(end.directorySize, INT64_MAX)) + 22 + end.commentLength);
        int dirDisk = span_.disk;
        uint64_t dirOffset = 0, dirSize = 0;
        for (uint64_t i = 0; i < end.totalEntries; ++i) {
            uint8_t c[zipformat::kCentralSize];
            zipformat::CentralHeader h;
            SpanRead(c, sizeof c, zmDirectoryShort);
            if (!zipformat::ParseCentral(c, h)) throw EZipArchiver::CreateResDisp(zmBadDirSignature, true);
            std::string name(h.nameLength, '\0'), extra(h.extraLength, '\0'), comment(h.commentLength, '\0');
            SpanRead(name.data(), name.size(), zmNameShort);
            SpanRead(extra.data(), extra.size(), zmCentralExtraShort);
            SpanRead(comment.data(), comment.size(), zmCommentShort);
            // Twins of a name pair up in order, each with a local header of its own.
            auto rec = std::find_if(records.begin(), records.end(), [&](const SpanCopyRecord& r) {
                return !r.used && SameNameIgnoringCase(r.name, name);
            });
            if (rec == records.end()) throw EZipArchiver::CreateResDisp(zmNoLocalHeader, true);
            rec->used = true;
            zipformat::ApplyZip64(h, reinterpret_cast<const uint8_t*>(extra.data()), extra.size());
            h.diskStart = rec->disk;
            h.localOffset = rec->offset;
            const std::vector<uint8_t> record = zipformat::CentralBytes(h, name, extra, comment);
            SpanWrite(record.data(), record.size(), static_cast<int64_t>(record.size()));
            if (i == 0) {
                dirDisk = span_.disk;
                dirOffset = static_cast<uint64_t>(span_.written) - record.size();
            }
            dirSize += record.size();
        }

        // The end records name the disk they land on: make room first.
        zipformat::EndRecord last = zipformat::OneDiskEnd(end.totalEntries, dirSize, dirOffset);
        const int64_t zip64Size =
            zipformat::EndNeedsZip64(last) ? zipformat::kZip64EndSize + zipformat::kZip64LocatorSize : 0;
        SpanEnsureRoom(zip64Size + 22 + end.commentLength);
        if (end.totalEntries == 0) dirDisk = span_.disk, dirOffset = static_cast<uint64_t>(span_.written);
        last.disk = static_cast<uint32_t>(span_.disk);
        last.directoryDisk = static_cast<uint32_t>(dirDisk);
        last.directoryOffset = dirOffset;
        std::string comment(end.commentLength, '\0');
        if (span_.in->Seek(endRecordPos_ + 22, platform::SeekFrom::Begin) < 0)
            throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
        SpanRead(comment.data(), comment.size(), zmArchiveCommentShort);
        std::vector<uint8_t> tail;
        zipformat::AppendEnd(tail, last, static_cast<uint64_t>(span_.written), comment);
        SpanWrite(tail.data(), tail.size(), static_cast<int64_t>(tail.size()));
        span_.progress = false;
        // The last part counts only once it is safely closed.
        if (!SpanClosePart()) throw EZipArchiver::CreateResDisp(zmCannotWritePart, true);
    } catch (const EZipArchiver& e) {
        ReportException(e);
        result = -7;
    } catch (const std::bad_alloc&) {
        ReportMessage(zmOutOfMemory);
        result = -8;
    } catch (const std::exception& e) {
        ReportMessage(zmCopyFailed, e.what());
        result = -9;
    } catch (...) {
        ReportMessage(zmCopyFailed);
        result = -9;
    }
    progress(ProgressEnd, "", 0);
    SpanClosePart();
    span_.in.reset();
    span_.writing = false;
    Busy = false;
    return result;
}

bool TZipArchiver::SpanClosePart() {
    if (!span_.out) return true;
    bool ok = span_.out->Close();
    span_.out.reset();
    platform.files.SetFileStamp(span_.partName, span_.sourceDate);
    return ok;
}

void TZipArchiver::SpanNextDisk() {
    if (!SpanClosePart()) throw EZipArchiver::CreateResDisp(zmCannotWritePart, true);
    span_.free = 0;
    span_.written = 0;
    ++span_.disk;
    span_.newDisk = true;
}

void TZipArchiver::SpanRead(void* buffer, size_t count, int errorNumber) {
    size_t done = 0;
    while (done < count) {
        int64_t n = span_.in->Read(static_cast<char*>(buffer) + done, count - done);
        if (n <= 0) throw EZipArchiver::CreateResDisp(errorNumber, true);
        done += static_cast<size_t>(n);
    }
}

void TZipArchiver::SpanCopy(int64_t count, int errorNumber) {
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 0), kChunk)));
    while (count > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(count, kChunk));
        SpanRead(buffer.data(), n, errorNumber);
        SpanWrite(buffer.data(), n, 0);
        count -= static_cast<int64_t>(n);
    }
}

void TZipArchiver::SpanEnsureRoom(int64_t minPiece) {
    for (;;) {
        if (!span_.out) SpanOpenPart();
        // A piece larger than a whole fresh part is split rather than chased
        // from disk to disk.
        if (minPiece > 0 && minPiece > span_.free && span_.written > 0) {
            SpanNextDisk();
            continue;
        }
        return;
    }
}

void TZipArchiver::SpanWrite(const void* buffer, size_t length, int64_t minPiece) {
    platform.app.ProcessMessages();
    if (Cancel) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
    const auto* p = static_cast<const uint8_t*>(buffer);
    for (;;) {
        SpanEnsureRoom(minPiece);
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(length), std::max<int64_t>(span_.free, 0)));
        if (n > 0) {
            if (span_.out->Write(p, n) != static_cast<int64_t>(n))
                throw EZipArchiver::CreateResDisp(zmCannotWritePart, true);
            if (span_.progress && OnProgress) OnProgress(*this, ProgressStep, "", static_cast<int32_t>(n));
            span_.written += static_cast<int64_t>(n);
            span_.free -= static_cast<int64_t>(n);
        }
        if (n == length) return;
        SpanNextDisk();
        p += n;
        length -= n;
        minPiece = 0;
    }
}

bool TZipArchiver::SpanDriveCheck() { return CheckDrive(span_.root); }

int TZipArchiver::FormatDisk(const std::string& label) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(span_.root[0])));
    if (letter < 'A' || letter > 'Z') return platform::kFormatNotRun;
    return platform.diskFormat.Format(letter - 'A', label, ConfirmErase, OwnerWindow);
}

namespace {
// A message box of the component: the title given, the buttons in order.
int SpanBox(platform::Platform& p, const std::string& title, const std::string& text, platform::DlgType type,
            std::vector<platform::DlgButton> buttons, int defaultIndex, int cancelIndex) {
    platform::DialogRequest r;
    r.type = type;
    r.title = title;
    r.text = text;
    r.buttons = buttons;
    for (platform::DlgButton b : buttons) r.captions.push_back(ui::ButtonCaption(b));
    r.defaultIndex = defaultIndex;
    r.cancelIndex = cancelIndex;
    r.helpFile = p.app.HelpFile();
    return p.dialogs.Show(r);
}
}  // namespace

void TZipArchiver::SpanOpenPart() {
    using platform::DlgButton;
    for (;;) {
        if (span_.disk >= kMaxDisks)
            throw EZipArchiver::CreateResFallback(
                zmTooManyDisks, "A disk set holds at most 999 disks: the copy stops before disk 1000.", true);
        const platform::DriveType type = SpanRequestDisk();
        const bool fixed = type == platform::DriveType::Fixed || type == platform::DriveType::Remote;
        const bool removable = type == platform::DriveType::Removable;
        span_.partName = fixed ? NumberedPartName(span_.target, span_.disk + 1) : span_.target;
        if (fixed) SpanDriveCheck();  // nobody was asked: the label and sizes are read here
        const std::string label = Label(span_.disk);

        if (removable && AddOptions.Contains(AddDiskSpanErase) && (!OnGetNextDisk || span_.statusAction == zdaErase)) {
            int formatted = FormatDisk(label);
            if (formatted == platform::kFormatError) throw EZipArchiver::CreateResDisp(zmUserCancel, true);
            // Cancelled, or no format dialog on this system.
            if (formatted < 0) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
            SpanDriveCheck();
        }

        if (platform.files.FileExists(span_.partName)) {
            if (Unattended) throw EZipArchiver::CreateResDisp(zmNeedsUser, true);
            const int labelNo = LabelNumber(volumeLabel_, 1);
            platform::FileTime stamp = 0;
            platform.files.GetFileStamp(span_.partName, stamp);
            std::string question;
            TZipDiskStatus status;
            if (!SameDiskTime(stamp, span_.sourceDate) || labelNo - 1 >= span_.disk) {
                question = FormatMessageArg(MessageText(zmOverwriteFile, "Overwrite previous file %s"), span_.partName);
                status = zdsSameFileName;
            } else {
                question = FormatMessageArg(MessageText(zmOverwriteDisk, "Overwrite previous disk no %d"), labelNo);
                status = zdsPreviousDisk;
            }
            status |= diskSize_ - diskFree_ == 0 ? zdsEmpty : zdsHasFiles;
            enum { kYes, kNo, kCancel } answer = kCancel;
            if (OnStatusDisk) {
                TZipDiskAction action = zdaOk;
                OnStatusDisk(*this, labelNo, span_.partName, status, action);
                span_.statusAction = action;
                answer = action == zdaReject ? kNo : action == zdaCancel ? kCancel : kYes;
            } else {
                int r = SpanBox(platform, "Confirm", question, platform::DlgType::Warning,
                                {DlgButton::Yes, DlgButton::No, DlgButton::Cancel}, 1, 2);
                answer = r == platform::mrYes ? kYes : r == platform::mrNo ? kNo : kCancel;
            }
            // A fixed drive has no other disk to offer: asking again would never end.
            if (answer == kCancel || (answer == kNo && fixed))
                throw EZipArchiver::CreateResDisp(zmUserCancel, false);
            if (answer == kNo) {
                span_.written = 0;
                span_.newDisk = true;
                continue;
            }
        }

        span_.out = platform.files.Open(span_.partName, platform::OpenMode::Write);
        if (!span_.out) throw EZipArchiver::CreateResDisp(zmCannotCreatePart, true);
        span_.written = 0;
        SpanDriveCheck();
        int64_t free = static_cast<int64_t>(std::min<uint64_t>(diskFree_, INT64_MAX));
        if (MaxVolumeSize > 0 && MaxVolumeSize < free) free = MaxVolumeSize;
        if (span_.disk == 0) free -= KeepFreeOnDisk1;
        span_.free = free;
        if (free < MinFreeVolumeSize) {
            span_.out.reset();
            platform.files.RemoveFile(span_.partName);
            if (Unattended) throw EZipArchiver::CreateResDisp(zmNeedsUser, true);
            if (OnStatusDisk) {
                TZipDiskAction action = zdaOk;
                OnStatusDisk(*this, span_.disk + 1, span_.partName, zdsNotEnoughSpace, action);
                span_.statusAction = action;
                if (action == zdaCancel) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
            } else {
                int r = SpanBox(platform, platform.app.Title(),
                                MessageText(zmNotEnoughSpace, "This disk has not enough free space available"),
                                platform::DlgType::Error, {DlgButton::Retry, DlgButton::Cancel}, 0, 1);
                if (r == platform::mrNone) throw EZipArchiver::CreateResDisp(zmNoBox, true);
                if (r != platform::mrRetry) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
            }
            span_.newDisk = true;
            continue;
        }
        if (removable && !platform.files.SetDriveLabel(span_.root[0], label))
            throw EZipArchiver::CreateResDisp(zmCannotLabel, true);
        return;
    }
}

// ---- asking for disks ----

platform::DriveType TZipArchiver::SpanRequestDisk() {
    platform.app.ProcessMessages();
    const platform::DriveType type = !span_.root.empty() && span_.root[0] == '\\'
                                         ? platform::DriveType::Remote
                                         : platform.files.DriveKind(span_.root.empty() ? 0 : span_.root[0]);
    const bool fixed = type == platform::DriveType::Fixed || type == platform::DriveType::Remote;
    bool ok = true;
    for (;;) {
        if (ok ? SpanDriveCheck() && !span_.newDisk : !span_.newDisk) break;
        if (fixed) {
            span_.newDisk = false;
            break;
        }
        if (Unattended) throw EZipArchiver::CreateResDisp(zmNeedsUser, true);
        std::string prompt;
        bool stop = false;
        if (span_.disk < 0) {
            prompt = MessageText(zmInsertLastDisk, "Please insert last disk in set");
            stop = true;
        } else if (span_.writing) {
            uint64_t capacity = diskSize_ == UINT64_MAX ? 0 : diskSize_;
            if (MaxVolumeSize > 0 && static_cast<uint64_t>(MaxVolumeSize) < capacity)
                capacity = static_cast<uint64_t>(MaxVolumeSize);
            if (capacity > 0) {
                uint64_t need = static_cast<uint64_t>(span_.sourceSize) + 4 + static_cast<uint64_t>(std::max(KeepFreeOnDisk1, 0));
                span_.estimate = std::max<int>(span_.disk, static_cast<int>(std::min<uint64_t>(need / capacity, INT32_MAX - 1)));
                prompt = FormatMessageArg(
                    FormatMessageArg(MessageText(zmInsertDiskOf, "Please insert disk volume %.1d of %.1d"), span_.disk + 1),
                    span_.estimate + 1);
            } else {
                prompt = FormatMessageArg(MessageText(zmInsertDisk, "Please insert disk volume %.1d"), span_.disk + 1);
            }
        } else {
            span_.estimate = endDiskNr_;
            prompt = FormatMessageArg(
                FormatMessageArg(MessageText(zmInsertDiskOf, "Please insert disk volume %.1d of %.1d"), span_.disk + 1),
                endDiskNr_ + 1);
        }
        prompt += FormatMessageArg(MessageText(zmInDrive, "\r\nin drive: %s"), span_.root);
        if (OnGetNextDisk) {
            bool abort = false;
            OnGetNextDisk(*this, span_.disk + 1, span_.estimate + 1, span_.root, abort);
            ok = !abort;
        } else {
            int r = SpanBox(platform, platform.app.Title(), prompt,
                            stop ? platform::DlgType::Error : platform::DlgType::Custom,
                            {platform::DlgButton::OK, platform::DlgButton::Cancel}, 0, 1);
            ok = r == platform::mrOk;
        }
        span_.newDisk = false;
    }
    if (!ok) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
    return type;
}

// ---- reading ----

std::unique_ptr<platform::File> TZipArchiver::SelectDiskForReading(int diskNo) {
    if (!span_.writing) {
        span_.root = DriveRootOf(zipFileName_, platform.files.CurrentDir());
        span_.target = zipFileName_;
    }
    span_.disk = diskNo;
    for (;;) {
        span_.newDisk = true;
        const platform::DriveType type = SpanRequestDisk();
        const bool fixed = type == platform::DriveType::Fixed || type == platform::DriveType::Remote;
        std::string name = zipFileName_;
        if (fixed)
            name = ReadingPartName(zipFileName_, diskNo + 1);
        else if (volumeLabel_ != Label(diskNo))
            continue;  // not the disk asked for: ask again
        if (auto file = platform.files.Open(name, platform::OpenMode::Read)) return file;
        if (fixed) throw EZipArchiver::CreateResDisp(zmCannotOpen, true);
        ReportMessage(zmCannotOpen);
    }
}

}  // namespace zk
