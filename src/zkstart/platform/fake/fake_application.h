// The application: messages processed, quits and errors, recorded.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/application.h"

namespace zk::platform {

class FakeApplication : public ApplicationState {
public:
    void PostQuit() override { ++quitPosted; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ProcessMessages() override {
        ++messagesProcessed;
        if (onProcessMessages) onProcessMessages();
    }
    void DiscardInput() override { ++inputDiscarded; }
    int messagesProcessed = 0;
    int inputDiscarded = 0;
    std::function<void()> onProcessMessages;  // the user acting while a long run goes on
    int quitPosted = 0;
    std::vector<std::string> errors;
};

}  // namespace zk::platform
