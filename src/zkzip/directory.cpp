#include "zkzip/directory.h"

#include <algorithm>

namespace zkzip {

bool ReadDirectory(fs::File& f, ArchiveDirectory& dir, std::string& error) {
    using zipformat::DirectoryStatus;
    dir = ArchiveDirectory();
    FileReader reader(f);
    zipformat::Directory read;
    const DirectoryStatus status = zipformat::ReadDirectory(reader, read);
    const auto damaged = [&](uint64_t entry) {
        error = "the archive is damaged (central directory entry " + std::to_string(entry + 1) + ")";
        return false;
    };
    switch (status) {
    case DirectoryStatus::Found:
    case DirectoryStatus::BadEntry:
    case DirectoryStatus::NoZip64: break;  // the entries before it are checked first
    case DirectoryStatus::TooShort: error = "not a zip archive (too short)"; return false;
    case DirectoryStatus::ReadError:
    case DirectoryStatus::Unreadable: error = "cannot read the archive: " + fs::LastErrorText(); return false;
    case DirectoryStatus::NotFound: error = "not a zip archive (no end of central directory)"; return false;
    case DirectoryStatus::BadZip64: error = "the archive is damaged (zip64 end of central directory)"; return false;
    case DirectoryStatus::Spanned: error = "archives spanning several disks cannot be updated"; return false;
    case DirectoryStatus::BadSize: error = "the archive is damaged (central directory size)"; return false;
    }
    dir.comment = read.end.comment;
    dir.dirStart = read.start;
    dir.dirSize = read.size;
    // Bytes put in front of an archive without adjusting its offsets move
    // every recorded position by the same amount.
    dir.appendable = read.shift == 0 &&
                     read.end.endPos + zipformat::kEndSize + read.end.record.commentLength == f.Size();
    dir.dataStart = dir.dirStart;
    dir.entries.reserve(read.entries.size());
    for (zipformat::DirectoryEntry& d : read.entries) {
        const CentralHeader& h = d.header;
        const uint64_t local = h.localOffset + uint64_t(read.shift);
        if (h.diskStart != 0 || local >= dir.dirStart || h.packed > dir.dirStart) return damaged(dir.entries.size());
        CentralEntry e;
        e.header = h;
        e.flags = h.flags;
        e.method = h.method;
        e.dosTime = h.dosTime;
        e.compressedSize = h.packed;
        e.localOffset = local;
        e.name = std::move(d.name);
        e.extra = std::move(d.extra);
        e.comment = std::move(d.comment);
        dir.dataStart = std::min(dir.dataStart, e.localOffset);
        dir.entries.push_back(std::move(e));
    }
    if (status != DirectoryStatus::Found) return damaged(dir.entries.size());
    if (read.used != dir.dirSize) {
        error = "the archive is damaged (central directory size)";
        return false;
    }
    dir.tail = std::move(read.tail);
    return true;
}

}  // namespace zkzip
