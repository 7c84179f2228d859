// WinHelp.
#pragma once
#include <string>

namespace zk::platform {

enum class HelpCommand { Contents, Command, Context };

class Help {
public:
    virtual ~Help() = default;
    // data: the macro for Command, the context number's text for Context.
    virtual bool Call(const std::string& helpFile, HelpCommand command, const std::string& data) = 0;
};

}  // namespace zk::platform
