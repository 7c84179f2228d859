// Message dialogs answered from a script.
#pragma once
#include <deque>
#include <functional>
#include <vector>

#include "platform/dialogs.h"

namespace zk::platform {

// Answers dialogs from a script; a dialog nobody scripted goes to
// onUnexpected (tests make that a failure) and is answered with Cancel.
class FakeDialogs : public Dialogs {
public:
    int Show(const DialogRequest& request) override;
    void Answer(int modalResult) { script.push_back(modalResult); }
    std::deque<int> script;
    std::vector<DialogRequest> shown;
    std::function<void(const DialogRequest&)> onUnexpected;
    int unexpected = 0;
    // Runs as each dialog shows, before it is answered (the user acting meanwhile).
    std::function<void(const DialogRequest&)> onShow;
};

}  // namespace zk::platform
