#include "ui/form.h"

namespace zk::ui {

using platform::DlgButton;
using platform::DlgType;

Form* Form::active_ = nullptr;

Form::Form(platform::Platform& platform, std::string name) : Control(Kind::Form, nullptr, std::move(name)), platform(platform) {
    Control::SetVisible(false);
    SetColor(clBtnFace);
}

Form::~Form() {
    if (active_ == this) active_ = nullptr;
}

void Form::SetClientSize(int width, int height) {
    const Bounds& b = GetBounds();
    SetBounds(b.left, b.top, width, height);
}

Bounds Form::ClientOrigin() const {
    const Bounds& b = GetBounds();
    return {b.left + frameLeft_, b.top + frameTop_, b.width, b.height};
}

void Form::WindowPlaced(int left, int top, int frameLeft, int frameTop) {
    const Bounds& b = GetBounds();
    StoreBounds({left, top, b.width, b.height});
    frameLeft_ = frameLeft;
    frameTop_ = frameTop;
}

void Form::Created() {
    if (OnCreate) OnCreate();
}

void Form::SetVisible(bool on) {
    if (on == Visible()) return;
    if (!on && active_ == this) active_ = nullptr;
    // OnShow runs before the window appears, as the window library does it.
    if (on && OnShow) OnShow();
    Control::SetVisible(on);
}

void Form::Show() {
    SetVisible(true);
    BringToFront();
}

void Form::BringToFront() {
    if (!Visible()) return;
    Notify(Prop::Focus);
    Activate();
}

void Form::Activate() {
    if (active_ == this) return;
    active_ = this;
    if (OnActivate) OnActivate();
}

void Form::Close() {
    if (!CloseQuery()) return;
    if (OnClose) OnClose();
    Hide();
    if (isMainForm) platform.app.PostQuit();
}

void Form::SetActiveControl(Control* control) {
    if (activeControl_ == control) return;
    activeControl_ = control;
    if (control) {
        control->GetPeer() ? control->GetPeer()->Changed(Prop::Focus) : void();
        control->Entered();
    }
}

void Timer::SetInterval(unsigned ms) {
    if (interval_ == ms) return;
    interval_ = ms;
    if (enabled_) { Stop(); Start(); }
}

void Timer::SetEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    on ? Start() : Stop();
}

void Timer::Start() {
    id_ = owner_.platform.timers.Start(interval_, [this] {
        if (enabled_ && OnTimer) owner_.Perform(OnTimer);
    });
}

void Timer::Stop() {
    if (id_) owner_.platform.timers.Stop(id_);
    id_ = 0;
}

std::string DialogTitle(DlgType type) {
    switch (type) {
        case DlgType::Warning: return "Warnung";
        case DlgType::Error: return "Fehler";
        case DlgType::Information: return "Information";
        case DlgType::Confirmation: return "Bestätigung";
        case DlgType::Custom: break;
    }
    return {};
}

std::string ButtonCaption(DlgButton button) {
    switch (button) {
        case DlgButton::Yes: return "&Ja";
        case DlgButton::No: return "&Nein";
        case DlgButton::OK: return "OK";
        case DlgButton::Cancel: return "Abbrechen";
        case DlgButton::Abort: return "&Abbrechen";
        case DlgButton::Retry: return "&Wiederholen";
        case DlgButton::Ignore: return "&Ignorieren";
        case DlgButton::All: return "&Alle";
        case DlgButton::NoToAll: return "N&ein für alle";
        case DlgButton::YesToAll: return "J&a für alle";
        case DlgButton::Help: return "&Hilfe";
    }
    return {};
}

int ButtonResult(DlgButton button) {
    switch (button) {
        case DlgButton::Yes: return platform::mrYes;
        case DlgButton::No: return platform::mrNo;
        case DlgButton::OK: return platform::mrOk;
        case DlgButton::Cancel: return platform::mrCancel;
        case DlgButton::Abort: return platform::mrAbort;
        case DlgButton::Retry: return platform::mrRetry;
        case DlgButton::Ignore: return platform::mrIgnore;
        case DlgButton::All: return platform::mrAll;
        case DlgButton::NoToAll: return platform::mrNoToAll;
        case DlgButton::YesToAll: return platform::mrYesToAll;
        case DlgButton::Help: return platform::mrNone;
    }
    return platform::mrNone;
}

int MessageDlg(platform::Platform& platform, const std::string& text, DlgType type,
               const std::vector<DlgButton>& buttons, int helpContext, const std::vector<std::string>& captions) {
    platform::DialogRequest r;
    r.type = type;
    r.title = DialogTitle(type);
    r.text = text;
    r.buttons = buttons;
    r.helpContext = helpContext;
    r.helpFile = platform.app.HelpFile();
    auto indexOf = [&](DlgButton b) {
        for (size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i] == b) return static_cast<int>(i);
        return -1;
    };
    for (size_t i = 0; i < buttons.size(); ++i)
        r.captions.push_back(i < captions.size() ? captions[i] : ButtonCaption(buttons[i]));
    r.defaultIndex = indexOf(DlgButton::OK);
    if (r.defaultIndex < 0) r.defaultIndex = indexOf(DlgButton::Yes);
    r.cancelIndex = indexOf(DlgButton::Cancel);
    if (r.cancelIndex < 0) r.cancelIndex = indexOf(DlgButton::No);
    if (r.cancelIndex < 0) r.cancelIndex = indexOf(DlgButton::OK);
    return platform.dialogs.Show(r);
}

}  // namespace zk::ui
