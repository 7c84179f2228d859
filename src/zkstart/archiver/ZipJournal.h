// The component's side of the undo of an interrupted add (zipundo/undo.h):
// its file layer as the undo sees it.
#pragma once
#include <string>

#include "platform/filesystem.h"
#include "zipundo/undo.h"

namespace zk {

class UndoFiles : public zipundo::Files {
public:
    explicit UndoFiles(platform::FileSystem& files) : files_(files) {}
    std::unique_ptr<zipundo::File> Open(const std::string& path, Access access, zipundo::Reason& why) override;
    bool Remove(const std::string& path, zipundo::Reason& why) override;

private:
    platform::FileSystem& files_;
};

// Why the last call on `path` failed, from the platform's error number.
zipundo::Reason FailureReason(platform::FileSystem& files, const std::string& path);

// Puts back the archive a half-finished add left behind and removes the
// record; on any failure both stay, and the answer says why.
zipundo::Reason UndoInterruptedAdd(platform::FileSystem& files, const std::string& archive);

}  // namespace zk
