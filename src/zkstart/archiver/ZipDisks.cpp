#include "archiver/ZipDisks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "archiver/ZipArch.h"
#include "common/text.h"

namespace zk {

namespace {

std::string Three(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

// Where the name part's extension starts (npos: none).
size_t ExtensionAt(const std::string& name) {
    size_t start = name.find_last_of("\\:");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot < start ? std::string::npos : dot;
}

bool FixedOrNetwork(platform::DriveType type) {
    return type == platform::DriveType::Fixed || type == platform::DriveType::Remote;
}

}  // namespace

std::string DriveRootOf(const std::string& path, const std::string& currentDir) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share\ : up to the separator after the share.
        size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path + "\\";
        size_t share = path.find('\\', server + 1);
        return share == std::string::npos ? path + "\\" : path.substr(0, share + 1);
    }
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
    if (currentDir.empty() || currentDir == path) return path.empty() ? "\\" : path.substr(0, 1) + ":\\";
    return DriveRootOf(currentDir, "");
}

std::string ZipDisks::Label(int disk0) { return "PKBACK# " + Three(disk0 + 1); }

int ZipDisks::LabelNumber(const std::string& label, int otherwise) {
    if (label.size() < 9) return otherwise;
    return StrToIntDef(TrimBlanks(label.substr(8, 3)), otherwise);
}

std::string ZipDisks::NumberedPartName(const std::string& target, int diskNo1) {
    size_t dot = ExtensionAt(target);
    if (dot == std::string::npos) return target + Three(diskNo1);
    return target.substr(0, dot) + Three(diskNo1) + target.substr(dot);
}

std::string ZipDisks::ReadingPartName(const std::string& name, int diskNo1) {
    size_t dot = ExtensionAt(name);
    size_t end = dot == std::string::npos ? name.size() : dot;
    size_t start = name.find_last_of("\\:");
    start = start == std::string::npos ? 0 : start + 1;
    size_t cut = end >= start + 3 ? end - 3 : start;
    return name.substr(0, cut) + Three(diskNo1) + name.substr(end);
}

bool ZipDisks::CheckDrive(const std::string& root) {
    platform::FileSystem& files = zip_.platform.files;
    size_ = 0;
    free_ = 0;
    volumeLabel_.clear();
    volumeSerial_ = 0;
    const bool share = !root.empty() && root[0] == '\\';
    char letter = 0;
    if (!share) {
        letter = root.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
        if (letter < 'A' || letter > 'Z') throw EZipArchiver::CreateResStr(zmBadDriveRoot, root);
        if (files.Drives().find(letter) == std::string::npos) throw EZipArchiver::CreateResStr(zmDriveNotReady, root);
    }
    platform::QuietDriveErrors quiet(files);
    if (!share) {
        std::string label;
        uint32_t serial = 0;
        if (!files.VolumeInfo(letter, label, serial))
            return files.LastError() == 31 && zip_.AddOptions.Contains(AddDiskSpanErase);
        volumeLabel_ = Utf8Left(label, 255);
        volumeSerial_ = serial;
    }
    if (const std::optional<platform::DiskSpace> space = files.RootSpace(root)) {
        free_ = space->free;
        size_ = space->size;
        return true;
    }
    // A share answers true without its sizes.
    if (!share) size_ = UINT64_MAX;
    return share;
}

void ZipDisks::BeginWriting(const std::string& target, int64_t sourceSize) {
    root_ = DriveRootOf(target, zip_.platform.files.CurrentDir());
    sourceSize_ = sourceSize;
    disk_ = 0;
    estimate_ = 0;
    newDisk_ = true;
    writing_ = true;
}

int ZipDisks::FormatDisk(const std::string& label) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root_[0])));
    if (letter < 'A' || letter > 'Z') return platform::kFormatNotRun;
    return zip_.platform.diskFormat.Format(letter - 'A', label, zip_.ConfirmErase, zip_.OwnerWindow);
}

std::string ZipDisks::Prompt() {
    std::string prompt;
    if (disk_ < 0) {
        prompt = MessageText(zmInsertLastDisk, "Please insert last disk in set");
    } else if (writing_) {
        uint64_t capacity = size_ == UINT64_MAX ? 0 : size_;
        const int32_t maxVolume = zip_.MaxVolumeSize;
        if (maxVolume > 0 && static_cast<uint64_t>(maxVolume) < capacity) capacity = static_cast<uint64_t>(maxVolume);
        if (capacity > 0) {
            uint64_t need = static_cast<uint64_t>(sourceSize_) + 4 + static_cast<uint64_t>(std::max(zip_.KeepFreeOnDisk1, 0));
            estimate_ = std::max<int>(disk_, static_cast<int>(std::min<uint64_t>(need / capacity, INT32_MAX - 1)));
            prompt = FormatMessageArg(
                FormatMessageArg(MessageText(zmInsertDiskOf, "Please insert disk volume %.1d of %.1d"), disk_ + 1),
                estimate_ + 1);
        } else {
            prompt = FormatMessageArg(MessageText(zmInsertDisk, "Please insert disk volume %.1d"), disk_ + 1);
        }
    } else {
        estimate_ = lastDisk_;
        prompt = FormatMessageArg(
            FormatMessageArg(MessageText(zmInsertDiskOf, "Please insert disk volume %.1d of %.1d"), disk_ + 1),
            lastDisk_ + 1);
    }
    return prompt + FormatMessageArg(MessageText(zmInDrive, "\r\nin drive: %s"), root_);
}

platform::DriveType ZipDisks::RequestDisk() {
    platform::Platform& p = zip_.platform;
    p.app.ProcessMessages();
    const platform::DriveType type = !root_.empty() && root_[0] == '\\' ? platform::DriveType::Remote
                                                                        : p.files.DriveKind(root_.empty() ? 0 : root_[0]);
    bool ok = true;
    for (;;) {
        if (ok ? CheckDrive(root_) && !newDisk_ : !newDisk_) break;
        if (FixedOrNetwork(type)) {
            newDisk_ = false;
            break;
        }
        if (zip_.Unattended) throw EZipArchiver::CreateResDisp(zmNeedsUser, true);
        const bool stop = disk_ < 0;
        const std::string prompt = Prompt();
        if (zip_.OnGetNextDisk) {
            bool abort = false;
            zip_.OnGetNextDisk(zip_, disk_ + 1, estimate_ + 1, root_, abort);
            ok = !abort;
        } else {
            int r = zip_.Box(p.app.Title(), prompt, stop ? platform::DlgType::Error : platform::DlgType::Custom,
                             {platform::DlgButton::OK, platform::DlgButton::Cancel}, 0, 1);
            ok = r == platform::mrOk;
        }
        newDisk_ = false;
    }
    if (!ok) throw EZipArchiver::CreateResDisp(zmUserCancel, false);
    return type;
}

std::unique_ptr<platform::File> ZipDisks::SelectDiskForReading(const std::string& archive, int diskNo, int lastDisk) {
    // Reading while a copy runs keeps the copy's drive.
    if (!writing_) root_ = DriveRootOf(archive, zip_.platform.files.CurrentDir());
    lastDisk_ = lastDisk;
    disk_ = diskNo;
    for (;;) {
        newDisk_ = true;
        const bool fixed = FixedOrNetwork(RequestDisk());
        std::string name = archive;
        if (fixed)
            name = ReadingPartName(archive, diskNo + 1);
        else if (volumeLabel_ != Label(diskNo))
            continue;  // not the disk asked for: ask again
        if (auto file = zip_.platform.files.Open(name, platform::OpenMode::Read)) return file;
        if (fixed) throw EZipArchiver::CreateResDisp(zmCannotOpen, true);
        zip_.ReportMessage(zmCannotOpen);
    }
}

}  // namespace zk
