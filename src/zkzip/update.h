// The archive through an add: its undo record held from first to last, the
// new entries appended in place of the old directory or written into a new
// copy, and the commit that makes the new archive the one that counts (or
// the rollback that keeps the old one).
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zipundo/undo.h"
#include "zkzip/command.h"
#include "zkzip/directory.h"
#include "zkzip/entries.h"

namespace zkzip {

class ArchiveUpdate {
public:
    ArchiveUpdate(const Options& options, Caller& caller) : o_(options), caller_(caller) {}

    // Takes the record, undoing first what an add that a crash cut short
    // left, and reads the archive's directory.
    void Open();
    const ArchiveDirectory& Old() const { return old_; }
    // Starts the new archive; new entries go to the output returned. A new
    // archive, or an add that replaces nothing in an archive that allows
    // it, goes in place; anything else into a new copy, kept entries first.
    Output& Begin(const std::set<size_t>& replaced);
    // The directory, kept records first and then `written`, and the end record.
    void Finish(const std::vector<std::vector<uint8_t>>& written);

    void Commit();
    bool Committed() const { return committed_; }
    // Keeps the old archive after a failure; the record stays when that fails.
    void Rollback();
    // What the options ask after a commit: sources moved or their archive
    // attribute cleared, the archive's time set to its newest entry's.
    void AfterCommit(const std::vector<Item>& plan, const std::set<size_t>& replaced);

private:
    void TakeRecord();
    void WriteJournal(const zipundo::journal::Undo& undo);
    void BeginInPlace();
    void BeginRewrite(const std::set<size_t>& replaced);

    const Options& o_;
    Caller& caller_;
    std::unique_ptr<zipundo::Writer> record_;  // held while the add lasts
    fs::File archiveFile_;
    bool existed_ = false;
    ArchiveDirectory old_;

    enum class Mode { None, Create, InPlace, Rewrite } mode_ = Mode::None;
    fs::File tempFile_;
    std::string tempPath_;
    std::unique_ptr<Output> out_;
    fs::File* target_ = nullptr;  // the file `out_` writes
    std::vector<uint8_t> keptDir_;  // central records of the old entries, in their new places
    uint64_t keptCount_ = 0;
    bool committed_ = false;
};

}  // namespace zkzip
