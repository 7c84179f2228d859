// Real windows for the ui layer's controls.
#pragma once
#include "platform/application.h"
#include "ui/form.h"

namespace zk::ui::win32 {

// Registers the window classes and common controls; call once at start.
void Init(platform::ApplicationState& app);

// Gives the form and all its controls real windows.
void Realize(Form& form);

// Runs until the quit message; keyboard navigation as in dialogs.
int RunMessageLoop();

// Runs pending messages, as a long run on the user-interface thread must.
void ProcessMessages();

// The window of a realized control, for tests and screenshots.
void* WindowOf(Control& control);

}  // namespace zk::ui::win32
