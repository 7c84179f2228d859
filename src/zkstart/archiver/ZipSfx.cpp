#include "archiver/ZipSfx.h"

#include <cstring>
#include <functional>
#include <new>

#include "archiver/ZipArch.h"
#include "archiver/ZipJournal.h"
#include "common/text.h"
#include "zipformat/zipformat.h"

namespace zk {

namespace {

using platform::File;
using platform::OpenMode;
using platform::SeekFrom;
using zipformat::Get16;
using zipformat::Get32;

constexpr size_t kCopyPiece = 8192;
constexpr size_t kHeaderFixed = 12;  // signature, flags, version, length and the four length bytes
const char* const kStubName = "ZKSFX.BIN";

// The one icon shape the stub carries and SFXIcon must have: an .ico file
// with one 32 x 32 image in 16 colours.
constexpr size_t kIconFileSize = 766;
constexpr size_t kIconImageOffset = 22;
constexpr uint32_t kIconImageSize = 744;
constexpr uint32_t kIconResourceType = 3;
constexpr uint32_t kIconResourceId = 1;
constexpr uint32_t kResourceSectionLimit = 64u << 20;  // more is no stub of ours

// Characters, not bytes, of UTF-8 text.
size_t CharCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

// The stub's name in a folder; "" for no folder. Folders may come with or
// without their trailing "\" (the program folder has one).
std::string InFolder(const std::string& folder) {
    if (folder.empty()) return {};
    return folder + (folder.back() == '\\' ? "" : "\\") + kStubName;
}

bool ReadAt(File& f, int64_t pos, void* buf, size_t n) {
    return f.Seek(pos, SeekFrom::Begin) == pos && f.Read(buf, n) == static_cast<int64_t>(n);
}

bool WriteAll(File& f, const void* buf, size_t n) { return f.Write(buf, n) == static_cast<int64_t>(n); }

// The target of the first entry of a resource directory with the numeric
// id; false when there is none or the directory lies outside the section.
bool FindResourceEntry(const std::vector<uint8_t>& rsrc, uint32_t dir, uint32_t id, uint32_t& target) {
    if (dir > rsrc.size() || rsrc.size() - dir < 16) return false;
    const size_t count = size_t{Get16(&rsrc[dir + 12])} + Get16(&rsrc[dir + 14]);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = dir + 16 + 8 * i;
        if (at + 8 > rsrc.size()) return false;
        const uint32_t name = Get32(&rsrc[at]);
        if ((name & 0x80000000u) == 0 && name == id) {
            target = Get32(&rsrc[at + 4]);
            return true;
        }
    }
    return false;
}

bool IsSubdirectory(uint32_t target) { return (target & 0x80000000u) != 0; }
uint32_t Offset(uint32_t target) { return target & 0x7FFFFFFFu; }

// Shows the hourglass for a scope.
class BusyCursor {
public:
    explicit BusyCursor(const std::function<void(bool)>& cursor) : cursor_(cursor) {
        if (cursor_) cursor_(true);
    }
    ~BusyCursor() {
        if (cursor_) cursor_(false);
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    const std::function<void(bool)>& cursor_;
};

}  // namespace

uint8_t ZipSfxWriter::SfxFlags() const {
    const SFXOpts& o = zip_.SFXOptions;
    uint8_t flags = 0;
    if (o.Contains(SFXAskCmdLine)) flags |= 0x01;
    if (o.Contains(SFXAskFiles)) flags |= 0x02;
    if (o.Contains(SFXHideOverWriteBox)) flags |= 0x04;
    if (zip_.SFXOverWriteMode == OvrAlways) flags |= 0x08;
    if (zip_.SFXOverWriteMode == OvrNever) flags |= 0x10;
    if (!o.Contains(SFXCheckSize)) flags |= 0x20;
    if (o.Contains(SFXAutoRun)) flags |= 0x40;
    if (o.Contains(SFXNoSuccessMsg)) flags |= 0x80;
    return flags;
}

bool ZipSfxWriter::MakeSfxHeader(std::vector<uint8_t>& header, size_t& length) {
    const std::string* texts[4] = {&zip_.SFXCaption, &zip_.SFXDefaultDir, &zip_.SFXCommandLine, &zip_.SFXMessage};
    std::string bytes[4];
    platform::CodePages& pages = zip_.platform.codePages;
    const unsigned ansi = pages.AnsiCodePage();
    bool fits = true;
    size_t used = kHeaderFixed;
    for (int i = 0; i < 4; ++i) {
        bytes[i] = pages.FromUtf8(*texts[i], ansi);
        // A double-byte code page may need more bytes than there are
        // characters; the length byte holds bytes.
        if (CharCount(*texts[i]) > 255 || bytes[i].size() > 255) fits = false;
        used += bytes[i].size();
    }
    length = (used + 3) & ~size_t{3};
    if (!fits) return false;
    header.assign(length, 0);
    header[0] = 'M';
    header[1] = 'P';
    header[2] = 'V';
    header[3] = SfxFlags();
    header[4] = 0;
    header[5] = 1;
    zipformat::Set16(&header[6], static_cast<uint32_t>(length));
    size_t at = 8;
    for (const std::string& b : bytes) {
        header[at++] = static_cast<uint8_t>(b.size());
        std::memcpy(&header[at], b.data(), b.size());
        at += b.size();
    }
    return true;
}

std::string ZipSfxWriter::FindSfxStub() {
    platform::FileSystem& files = zip_.platform.files;
    const std::string candidates[] = {
        zip_.SFXPath,
        InFolder(files.CurrentDir()),
        InFolder(platform::ProgramFolder(files)),
        InFolder(files.SystemFolder()),
        InFolder(files.WindowsFolder()),
        InFolder(zip_.DLLDirectory()),
    };
    for (const std::string& name : candidates) {
        if (!name.empty() && files.FileExists(name)) return zip_.SFXPath = name;
    }
    return {};
}

int32_t ZipSfxWriter::ReplaceSfxIcon(File& file) {
    const std::vector<uint8_t>& ico = zip_.SFXIcon.data;
    if (ico.size() != kIconFileSize || Get16(&ico[0]) != 0 || Get16(&ico[2]) != 1 || Get16(&ico[4]) != 1 ||
        ico[6] != 32 || ico[7] != 32 || ico[8] != 16 || Get32(&ico[14]) != kIconImageSize ||
        Get32(&ico[18]) != kIconImageOffset)
        return -9;

    uint8_t dos[64];
    if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return -9;
    const uint32_t pe = Get32(dos + 0x3C);
    uint8_t coff[24];
    if (!ReadAt(file, pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return -9;
    const unsigned sections = Get16(coff + 6);
    const unsigned optSize = Get16(coff + 20);
    uint32_t virtualAddress = 0, rawSize = 0, rawPos = 0;
    bool found = false;
    for (unsigned i = 0; i < sections && !found; ++i) {
        uint8_t s[40];
        if (!ReadAt(file, int64_t{pe} + 24 + optSize + 40 * int64_t{i}, s, sizeof s)) return -9;
        if (std::memcmp(s, ".rsrc\0\0\0", 8) == 0) {
            virtualAddress = Get32(s + 12);
            rawSize = Get32(s + 16);
            rawPos = Get32(s + 20);
            found = true;
        }
    }
    if (!found || rawSize == 0 || rawSize > kResourceSectionLimit) return -9;
    std::vector<uint8_t> rsrc(rawSize);
    if (!ReadAt(file, rawPos, rsrc.data(), rsrc.size())) return -9;

    // Type, then name, then language: the first language's data of 744 bytes.
    uint32_t typeDir = 0, nameDir = 0;
    if (!FindResourceEntry(rsrc, 0, kIconResourceType, typeDir) || !IsSubdirectory(typeDir)) return -9;
    if (!FindResourceEntry(rsrc, Offset(typeDir), kIconResourceId, nameDir) || !IsSubdirectory(nameDir)) return -9;
    const uint32_t langDir = Offset(nameDir);
    if (langDir > rsrc.size() || rsrc.size() - langDir < 16) return -9;
    const size_t langs = size_t{Get16(&rsrc[langDir + 12])} + Get16(&rsrc[langDir + 14]);
    for (size_t i = 0; i < langs; ++i) {
        const size_t at = langDir + 16 + 8 * i;
        if (at + 8 > rsrc.size()) return -9;
        const uint32_t leaf = Get32(&rsrc[at + 4]);
        if (IsSubdirectory(leaf) || leaf > rsrc.size() || rsrc.size() - leaf < 16) continue;
        const uint32_t dataRva = Get32(&rsrc[leaf]);
        if (Get32(&rsrc[leaf + 4]) != kIconImageSize) continue;
        // The data must lie in the section as stored in the file.
        if (rawSize < kIconImageSize || dataRva < virtualAddress || dataRva - virtualAddress > rawSize - kIconImageSize)
            return -9;
        const int64_t pos = int64_t{rawPos} + (dataRva - virtualAddress);
        if (file.Seek(pos, SeekFrom::Begin) != pos) return -2;
        return WriteAll(file, &ico[kIconImageOffset], kIconImageSize) ? 0 : -2;
    }
    return -9;
}

int32_t ZipSfxWriter::WriteInto(File& out, const std::string& stub, const std::vector<uint8_t>& header) {
    int32_t result = 0;
    {
        std::unique_ptr<File> in = zip_.platform.files.Open(stub, OpenMode::Read);
        if (!in) result = -3;
        std::vector<uint8_t> piece(in ? kCopyPiece : 0);
        while (result == 0) {
            const int64_t n = in->Read(piece.data(), piece.size());
            if (n < 0) result = -3;
            if (n <= 0) break;
            if (!WriteAll(out, piece.data(), static_cast<size_t>(n))) result = -2;
        }
    }
    const int64_t stubSize = result == 0 ? out.Position() : -1;
    if (result == 0 && stubSize < 0) result = -2;
    if (result == 0 && !zip_.SFXIcon.Empty()) {
        result = ReplaceSfxIcon(out);
        if (result == 0 && out.Seek(stubSize, SeekFrom::Begin) != stubSize) result = -2;
    }
    if (result == 0) {
        uint8_t end[zipformat::kEndSize] = {};
        zipformat::Set32(end, zipformat::kEndSig);
        zipformat::Set32(end + 16, static_cast<uint32_t>(stubSize + static_cast<int64_t>(header.size())));
        if (!WriteAll(out, header.data(), header.size()) || !WriteAll(out, end, sizeof end)) result = -2;
    }
    return result;
}

int32_t ZipSfxWriter::WriteSfxStub() {
    std::vector<uint8_t> header;
    size_t length = 0;
    try {
        if (!MakeSfxHeader(header, length)) {
            zip_.ReportMessage(zmSfxTextTooLong, "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage =" +
                                                     NumStr(static_cast<long long>(length) + 1));
            return -9;
        }
    } catch (const std::bad_alloc&) {
        zip_.ReportMessage(zmOutOfMemory);
        return -9;
    }
    const std::string stub = FindSfxStub();
    if (stub.empty()) {
        zip_.ReportMessage(zmSfxNoStub);
        return -9;
    }
    BusyCursor hourglass(zip_.busyCursor);

    platform::FileSystem& files = zip_.platform.files;
    const std::string name = zip_.ZipFileName();
    // One writer at a time, and until the stub is whole the record says
    // "remove it": a crash meanwhile must not leave a file that reads as no
    // archive.
    UndoFiles undoFiles(files);
    zipundo::Writer record(undoFiles, name);
    const zipundo::Reason why = record.Take();
    if (why == zipundo::Reason::Busy) throw EZipArchiver::CreateResDisp(zmArchiveBusy, true);
    if (why != zipundo::Reason::None) return -1;
    if (files.FileExists(name)) {
        const bool gone = zip_.HowToDelete == htdAllowUndo ? files.RecycleFile(name) : files.RemoveFile(name);
        // Still there: creating would overwrite it, and the clean-up after a
        // failure would then delete it for good.
        if (!gone) return -1;
    }
    zipundo::journal::Undo created;
    created.kind = zipundo::journal::Kind::Created;
    if (record.Write(created) != zipundo::Reason::None) return -1;
    std::unique_ptr<File> out = files.Open(name, OpenMode::ReadWriteNew);
    if (!out) {
        record.Settle();
        return -1;
    }
    int32_t result = WriteInto(*out, stub, header);
    if (!out->Close() && result == 0) result = -2;
    out.reset();
    // A broken file that will not go stays with its record: the next reader removes it.
    if (result != 0 && files.FileExists(name) && !files.RemoveFile(name)) return result;
    record.Settle();
    return result;
}

}  // namespace zk
