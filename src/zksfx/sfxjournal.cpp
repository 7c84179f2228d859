#include "zksfx/sfxjournal.h"

#include <algorithm>
#include <cstring>

#include "zkzip/journal.h"

namespace zksfx {

namespace {

class UndoneSource : public Source {
public:
    UndoneSource(Source& file, zkzip::journal::Undo undo) : file_(file), undo_(std::move(undo)) {}
    uint64_t Size() const override { return undo_.OldSize(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        if (pos > Size() || Size() - pos < n) return false;
        auto* p = static_cast<char*>(buf);
        const uint64_t cut = undo_.tailOffset;
        if (pos < cut) {
            const size_t head = size_t(std::min<uint64_t>(n, cut - pos));
            if (!file_.ReadAt(pos, p, head)) return false;
            p += head;
            pos += head;
            n -= head;
        }
        if (n != 0) std::memcpy(p, undo_.tail.data() + (pos - cut), n);
        return true;
    }

private:
    Source& file_;
    zkzip::journal::Undo undo_;
};

}  // namespace

std::unique_ptr<Source> UndoneView(Source& file, const std::string& journalBytes) {
    zkzip::journal::Undo undo;
    if (!zkzip::journal::Decode(journalBytes.data(), journalBytes.size(), undo) || undo.created ||
        file.Size() < undo.tailOffset)
        return nullptr;
    std::string prefix(undo.prefixLength, '\0');
    if (!file.ReadAt(undo.tailOffset - prefix.size(), prefix.data(), prefix.size()) ||
        !zkzip::journal::Fits(undo, file.Size(), prefix))
        return nullptr;
    return std::make_unique<UndoneSource>(file, std::move(undo));
}

}  // namespace zksfx
