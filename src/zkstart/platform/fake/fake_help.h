// WinHelp calls, recorded.
#pragma once
#include <string>
#include <vector>

#include "platform/help.h"

namespace zk::platform {

class FakeHelp : public Help {
public:
    struct HelpCall {
        std::string file;
        HelpCommand command;
        std::string data;
    };
    bool Call(const std::string& helpFile, HelpCommand command, const std::string& data) override {
        calls.push_back({helpFile, command, data});
        return succeed;
    }
    std::vector<HelpCall> calls;
    bool succeed = true;
};

}  // namespace zk::platform
