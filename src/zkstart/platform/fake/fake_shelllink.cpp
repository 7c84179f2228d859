#include "platform/fake/fake_shelllink.h"

#include "common/error.h"
#include "platform/fake/fake_files.h"

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
        if (cut == std::string::npos || !owner_.files_.DirExists(file.substr(0, cut))) return false;
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

}  // namespace zk::platform
