// Application-wide settings and services.
#pragma once
#include <functional>
#include <string>

namespace zk::platform {

class Application {
public:
    virtual ~Application() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual std::string Title() const = 0;
    virtual void SetHelpFile(const std::string& file) = 0;
    virtual std::string HelpFile() const = 0;
    // Delay before a hint shows, in milliseconds.
    virtual void SetHintPause(int ms) = 0;
    virtual int HintPause() const = 0;
    // Ends the message loop once the current handler has returned.
    virtual void PostQuit() = 0;
    // The standard error box for an error that no handler caught.
    virtual void ShowError(const std::string& message) = 0;
    // Handles the window messages waiting now, as a long run on the window thread must.
    virtual void ProcessMessages() = 0;
    // Drops the keys and clicks waiting now: what the user gave while a run
    // held the thread was meant for the run, not for what comes after it.
    virtual void DiscardInput() = 0;
};

// The shared part: title, help file and hint pause are plain state.
class ApplicationState : public Application {
public:
    void SetTitle(const std::string& title) override { title_ = title; }
    std::string Title() const override { return title_; }
    void SetHelpFile(const std::string& file) override { helpFile_ = file; }
    std::string HelpFile() const override { return helpFile_; }
    void SetHintPause(int ms) override {
        hintPause_ = ms;
        if (onHintPause) onHintPause(ms);
    }
    int HintPause() const override { return hintPause_; }
    std::function<void(int)> onHintPause;
    void* mainWindow = nullptr;  // the main form's window, for libraries that show dialogs

private:
    std::string title_;
    std::string helpFile_;
    int hintPause_ = 500;
};

}  // namespace zk::platform
