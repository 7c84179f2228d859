// Modal message dialogs: what is asked and what the player answered.
#pragma once
#include <string>
#include <vector>

namespace zk::platform {

enum class DlgType { Warning, Error, Information, Confirmation, Custom };

// Buttons in their display order; each answers with its modal result.
enum class DlgButton { Yes, No, OK, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

enum ModalResult : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
    mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10,
};

struct DialogRequest {
    DlgType type = DlgType::Information;
    std::string title;
    std::string text;                 // line breaks as the texts give them
    std::vector<DlgButton> buttons;   // display order
    std::vector<std::string> captions;
    int defaultIndex = -1;            // index into buttons, or -1
    int cancelIndex = -1;             // the button that Escape and the close box press
    int helpContext = 0;
    std::string helpFile;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual int Show(const DialogRequest& request) = 0;
};

}  // namespace zk::platform
