// A launcher over the fake platform, with every dialog scripted.
#pragma once
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/runflags.h"
#include "common/text.h"
#include "launcher/Unit1.h"
#include "platform/fake/fake_platform.h"

namespace zk::test {

inline const std::string kOptionsKey = "Software\\Orvandel\\Zantorik";

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() {
        CopyDone = MenuOffered = 0;
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        fake.files.AddDir("C:\\SPIELE\\ZANTORIK");
    }
    ~LauncherTest() override { CopyDone = MenuOffered = 0; }

    // Made as the main entry makes it: its creation runs FormShow.
    TFormStart& Launcher() {
        if (!form) {
            form = std::make_unique<TFormStart>(platform, seams);
            form->Created();
        }
        return *form;
    }
    void Press(ui::Button& b) { b.Perform([&] { b.Click(); }); }
    void Store(const std::string& name, const std::string& text) { fake.registry.SetValue(kOptionsKey, name, text); }
    std::string Stored(const std::string& name) {
        auto* v = fake.registry.Find(kOptionsKey, name);
        return v ? v->text : "<missing>";
    }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    LauncherSeams seams;
    std::unique_ptr<TFormStart> form;
};

}  // namespace zk::test
