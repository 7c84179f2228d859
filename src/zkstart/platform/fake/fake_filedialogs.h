// Open-file dialogs answered from a script.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedialog.h"

namespace zk::platform {

// Answers open-file dialogs from a script: each answer a path, or nothing
// for a cancelled dialog; with none left the dialog is cancelled.
class FakeFileDialogs : public FileDialogs {
public:
    bool OpenFile(const OpenFileRequest& request, std::string& path) override {
        requests.push_back(request);
        std::optional<std::string> answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (answer) path = *answer;
        return answer.has_value();
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<OpenFileRequest> requests;
};

}  // namespace zk::platform
