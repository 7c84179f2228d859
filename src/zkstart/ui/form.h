// Forms, window timers and message dialogs.
#pragma once
#include <string>
#include <vector>

#include "ui/controls.h"

namespace zk::ui {

enum class BorderStyle { None, Single, Sizeable, Dialog, ToolWindow };

struct BorderIcons {
    bool systemMenu = true;
    bool minimize = true;
    bool maximize = true;
};

class Form : public Control {
public:
    Form(platform::Platform& platform, std::string name);
    ~Form() override;

    platform::Platform& platform;

    int ClientWidth() const { return GetBounds().width; }
    int ClientHeight() const { return GetBounds().height; }
    void SetClientSize(int width, int height);
    BorderStyle borderStyle = BorderStyle::Sizeable;
    BorderIcons borderIcons;
    bool centered = false;
    bool scaled = true;
    int borderWidth = 0;  // an extra inner border, in pixels
    bool placed = false;  // the form goes where its bounds' left and top say
    // Left and top are the window's place on the screen once it has one (a
    // centred form's too); the client area starts a frame further in.
    Bounds ClientOrigin() const;
    // Told by the peer: where the window lies and how thick its frame and
    // caption are at the left and the top.
    void WindowPlaced(int left, int top, int frameLeft, int frameTop);
    std::string helpFile;  // empty: the application's

    // Runs OnCreate; called once, right after construction.
    void Created();
    void SetVisible(bool on) override;
    void Show();
    void Hide() { SetVisible(false); }
    // Runs OnClose, hides the form, and ends the program if it is the main
    // form; nothing when OnCloseQuery says no.
    void Close();
    // Whether the form may close, or the session end, now.
    bool CloseQuery() const { return !OnCloseQuery || OnCloseQuery(); }
    // The form became the active window.
    void Activate();
    // Another of the program's forms became active.
    void Deactivate() {
        if (active_ == this) active_ = nullptr;
    }
    bool Active() const { return active_ == this; }
    static Form* ActiveForm() { return active_; }
    void BringToFront();

    Control* ActiveControl() const { return activeControl_; }
    void SetActiveControl(Control* control);

    bool isMainForm = false;
    bool stayOnTop = false;
    Event OnCreate, OnShow, OnActivate, OnClose;
    // Asked before every way of closing (close box, Alt+F4, system menu, a
    // close by the program) and before the session ends; false keeps the form.
    std::function<bool()> OnCloseQuery;
    // Fired by the peer: the window changed size or was painted.
    Event OnResize, OnPaint;

private:
    Control* activeControl_ = nullptr;
    int frameLeft_ = 0, frameTop_ = 0;
    static Form* active_;
};

class Timer {
public:
    Timer(Form& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
    ~Timer() { Stop(); }
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    Event OnTimer;

private:
    void Start();
    void Stop();
    Form& owner_;
    std::string name_;
    unsigned interval_ = 1000;
    bool enabled_ = false;
    int tag_ = 0;
    int id_ = 0;
};

// A modal message dialog: title and icon from the type, German captions,
// OK (else Yes) the default button, Cancel (else No, else OK) the one that
// Escape presses. Returns the modal result of the answer. Captions, when
// given, replace the German ones, button by button.
int MessageDlg(platform::Platform& platform, const std::string& text, platform::DlgType type,
               const std::vector<platform::DlgButton>& buttons, int helpContext,
               const std::vector<std::string>& captions = {});

std::string DialogTitle(platform::DlgType type);
std::string ButtonCaption(platform::DlgButton button);
int ButtonResult(platform::DlgButton button);

}  // namespace zk::ui
