// Message dialogs as real modal windows with German captions.
#pragma once
#include "platform/dialogs.h"
#include "platform/help.h"

namespace zk::ui::win32 {

class Dialogs : public platform::Dialogs {
public:
    explicit Dialogs(platform::Help& help) : help_(help) {}
    int Show(const platform::DialogRequest& request) override;

private:
    platform::Help& help_;
};

// The text as a window shows it: each of the texts' line breaks ("\n\r",
// "\r\n" or a lone "\n" or "\r") becomes one CR LF.
std::wstring DisplayText(const std::string& text);

}  // namespace zk::ui::win32
