// libFuzzer target: any bytes as an archive for the format core. The end
// search and every central record of the directory it points at must be
// read without a read outside the bytes; a record written again from what
// was read must read back the same.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"

namespace {

void Require(bool ok) { if (!ok) __builtin_trap(); }

class Bytes : public zipformat::Reader {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() override { return size_; }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        if (pos > size_ || size_ - pos < n) return false;
        if (n) std::memcpy(buf, data_ + pos, n);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

bool Same(const zipformat::CentralHeader& a, const zipformat::CentralHeader& b) {
    return a.flags == b.flags && a.method == b.method && a.crc == b.crc && a.size == b.size && a.packed == b.packed &&
           a.localOffset == b.localOffset && a.diskStart == b.diskStart && a.nameLength == b.nameLength &&
           a.commentLength == b.commentLength && a.externalAttributes == b.externalAttributes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zipformat;
    Bytes r(data, size);
    EndInfo end;
    if (LocateEnd(r, end) != EndStatus::Found) return 0;
    Require(end.directoryEnd <= end.endPos && end.endPos + kEndSize <= size);
    // The directory where the end records say it ends.
    if (end.record.directorySize > end.directoryEnd) return 0;
    const uint64_t start = end.directoryEnd - end.record.directorySize;
    const uint8_t* p = data + start;
    const size_t n = size_t(end.record.directorySize);
    size_t at = 0;
    for (uint64_t i = 0; i < end.record.totalEntries && at + kCentralSize <= n; ++i) {
        CentralHeader h;
        if (!ParseCentral(p + at, h) || at + h.Length() > n) break;
        const char* name = reinterpret_cast<const char*>(p + at + kCentralSize);
        const std::string stored(name, h.nameLength), extra(name + h.nameLength, h.extraLength),
            comment(name + h.nameLength + h.extraLength, h.commentLength);
        std::string utf8;
        if (Utf8Name(h.flags, h.madeByHost, stored, p + at + kCentralSize + h.nameLength, h.extraLength, utf8) &&
            !(h.flags & kFlagUtf8))
            Require(IsUtf8(utf8));
        if (ApplyZip64(h, reinterpret_cast<const uint8_t*>(extra.data()), extra.size()) && extra.size() < 0xFF00) {
            std::vector<uint8_t> again = CentralBytes(h, stored, extra, comment);
            CentralHeader back;
            Require(ParseCentral(again.data(), back) && back.Length() == again.size());
            Require(ApplyZip64(back, again.data() + kCentralSize + back.nameLength, back.extraLength));
            Require(Same(h, back));
        }
        at += h.Length();
    }
    // A local header at the start, written again with its sizes.
    LocalHeader l;
    if (size >= kLocalSize && ParseLocal(data, l) && l.Length() <= size) {
        ApplyZip64(l, data + kLocalSize + l.nameLength, l.extraLength);
        const std::string name(reinterpret_cast<const char*>(data + kLocalSize), l.nameLength);
        std::vector<uint8_t> again = LocalBytes(l, name, true);
        LocalHeader back;
        Require(ParseLocal(again.data(), back));
        Require(ApplyZip64(back, again.data() + kLocalSize + back.nameLength, back.extraLength));
        Require(back.size == l.size && back.packed == l.packed && back.zip64);
    }
    return 0;
}
