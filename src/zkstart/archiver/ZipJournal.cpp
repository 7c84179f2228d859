#include "archiver/ZipJournal.h"

#include "zkzip/journal.h"

namespace zk {

namespace {

bool ReadAll(platform::File& f, int64_t pos, std::string& out) {
    if (f.Seek(pos, platform::SeekFrom::Begin) != pos) return false;
    size_t done = 0;
    while (done < out.size()) {
        int64_t n = f.Read(&out[done], out.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

void UndoInterruptedAdd(platform::FileSystem& files, const std::string& archive) {
    namespace journal = zkzip::journal;
    const std::string path = archive + journal::kSuffix;
    if (!files.FileExists(path)) return;
    std::string bytes;
    if (auto j = files.Open(path, platform::OpenMode::Read)) {
        int64_t size = j->Size();
        if (size < 0) return;
        bytes.resize(size_t(size));
        if (!ReadAll(*j, 0, bytes)) return;
    } else {
        return;
    }
    // A journal cut short was written before the archive was touched.
    journal::Undo u;
    if (journal::Decode(bytes.data(), bytes.size(), u)) {
        if (u.created) {
            if (files.FileExists(archive) && !files.RemoveFile(archive)) return;
        } else if (auto f = files.Open(archive, platform::OpenMode::ReadWrite)) {
            // Only onto the file the journal was written for.
            const int64_t size = f->Size();
            std::string prefix(u.prefixLength, '\0');
            if (size >= 0 && uint64_t(size) >= u.tailOffset &&
                ReadAll(*f, int64_t(u.tailOffset - u.prefixLength), prefix) &&
                journal::Fits(u, uint64_t(size), prefix)) {
                bool ok = f->Seek(int64_t(u.tailOffset), platform::SeekFrom::Begin) == int64_t(u.tailOffset) &&
                          f->Write(u.tail.data(), u.tail.size()) == int64_t(u.tail.size()) && f->Truncate();
                ok = f->Close() && ok;
                if (!ok) return;
            }
        }
    }
    files.RemoveFile(path);
}

}  // namespace zk
