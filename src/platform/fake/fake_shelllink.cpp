#include "platform/fake/fake_shelllink.h"

#include "common/error.h"
#include "platform/fake/fake_platform.h"

namespace zk::platform {

class FakeShellLink : public ShellLink {
public:
    explicit FakeShellLink(FakeShellLinks& owner) : owner_(owner) { ++owner_.linksAlive; }
    ~FakeShellLink() override { --owner_.linksAlive; }
    void SetDescription(const std::string& text) override { description_ = text; }
    void SetPath(const std::string& target) override { target_ = target; }
    bool Save(const std::string& file) override {
        if (owner_.failSave) return false;
        // As on disk: the folder must be there.
        size_t cut = file.rfind('\\');
        if (cut == std::string::npos || owner_.FolderError(file.substr(0, cut)) != 0) return false;
        owner_.files_.AddFile(file, FakeShellLinks::Content(description_, target_));
        owner_.saved.push_back({file, description_, target_});
        return true;
    }

private:
    FakeShellLinks& owner_;
    std::string description_, target_;
};

std::unique_ptr<ShellLink> FakeShellLinks::NewLink() {
    if (failNewLink) throw Error("Klasse nicht registriert");
    ++linksMade;
    return std::make_unique<FakeShellLink>(*this);
}

int FakeShellLinks::FolderError(const std::string& path) {
    // Entering the folder and leaving it again gives the system's answer.
    const std::string old = files_.CurrentDir();
    if (!files_.SetCurrentDir(path)) return files_.LastError();
    files_.SetCurrentDir(old);
    return 0;
}

bool FakeShellLinks::CreateFolder(const std::string& path) {
    if (failCreateFolder || FolderError(path) == 0) return false;
    std::string trimmed = path;
    while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
    size_t cut = trimmed.rfind('\\');
    if (cut == std::string::npos || FolderError(trimmed.substr(0, cut == 2 ? 3 : cut)) != 0) return false;
    files_.AddDir(trimmed);
    createdFolders.push_back(trimmed);
    return true;
}

}  // namespace zk::platform
