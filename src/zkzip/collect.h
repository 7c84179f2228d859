// The files an add takes: found on disk from the file specifications, then
// chosen against what the archive already holds.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "zkzip/command.h"
#include "zkzip/directory.h"

namespace zkzip {

class Collection {
public:
    Collection(const Options& options, Caller& caller) : o_(options), caller_(caller) {}

    // Adds what one specification names to what was found.
    void Find(const Spec& spec);
    // Chooses from what was found what goes into the archive `old`: the
    // update and freshen rules, the folders above each file, one file per
    // name. Leaves the plan empty when it holds no file.
    void Plan(const ArchiveDirectory& old);
    // One message per reason for what was left out.
    void ReportSkipped();
    // Asks the caller for the password of encrypted files that have none.
    void AskPassword();

    const std::vector<Item>& Planned() const { return plan_; }
    size_t FileCount() const { return fileCount_; }
    // Old entries that planned ones replace.
    const std::set<size_t>& Replaced() const { return replaced_; }

private:
    void Walk(const std::string& dir, const std::string& storedDir, const std::string& pattern, const Spec& spec,
              bool keepDirs, int depth, bool& matched);
    void AddFound(const std::string& src, std::string stored, const fs::Stat& st, const Spec& spec);
    bool Excluded(const std::string& stored, const std::string& src) const;
    void TooDeep(const std::string& dir, const std::string& storedDir, const std::string& pattern);

    const Options& o_;
    Caller& caller_;
    std::vector<Item> found_;
    std::vector<Item> plan_;
    size_t fileCount_ = 0;
    std::set<size_t> replaced_;
    // Left out, with the reason told to the caller.
    std::vector<std::string> tooDeepDirs_, sameName_;
    size_t tooDeepFiles_ = 0;
};

}  // namespace zkzip
