#include "zksfx/sfxjournal.h"

namespace zksfx {

namespace {

// A source as the undo reads it.
class SourceFile : public zipundo::File {
public:
    explicit SourceFile(Source& source) : source_(source) {}
    explicit SourceFile(std::unique_ptr<Source> owned) : source_(*owned), owned_(std::move(owned)) {}
    uint64_t Size() override { return source_.Size(); }
    bool ReadAt(uint64_t pos, void* buffer, size_t n) override { return source_.ReadAt(pos, buffer, n); }
    bool WriteAt(uint64_t, const void*, size_t) override { return false; }
    bool Truncate(uint64_t) override { return false; }
    bool RemoveHeld() override { return false; }
    zipundo::Reason Failure() override { return zipundo::Reason::Other; }

private:
    Source& source_;
    std::unique_ptr<Source> owned_;
};

class UndoneSource : public Source {
public:
    UndoneSource(Source& file, zipundo::journal::Undo undo) : file_(file), undo_(std::move(undo)) {}
    uint64_t Size() const override { return undo_.OldSize(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override { return zipundo::ReadAsBefore(file_, undo_, pos, buf, n); }

private:
    SourceFile file_;
    zipundo::journal::Undo undo_;
};

}  // namespace

std::unique_ptr<zipundo::File> ReadOnlyFile(std::unique_ptr<Source> source) {
    return std::make_unique<SourceFile>(std::move(source));
}

std::unique_ptr<Source> UndoneView(Source& file, zipundo::Files& files, const std::string& path,
                                   zipundo::Reason& why) {
    SourceFile self(file);
    zipundo::journal::Undo undo;
    bool pending = false;
    why = zipundo::PendingUndo(files, path, self, undo, pending);
    if (why != zipundo::Reason::None || !pending) return nullptr;
    return std::make_unique<UndoneSource>(file, std::move(undo));
}

}  // namespace zksfx
