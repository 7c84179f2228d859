#include "platform/fake/fake_dialogs.h"

namespace zk::platform {

int FakeDialogs::Show(const DialogRequest& request) {
    shown.push_back(request);
    if (onShow) onShow(request);
    if (script.empty()) {
        ++unexpected;
        if (onUnexpected) onUnexpected(request);
        return mrCancel;
    }
    int answer = script.front();
    script.pop_front();
    return answer;
}

}  // namespace zk::platform
