// A launcher over the fake platform, with every dialog scripted.
#pragma once
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/runflags.h"
#include "launcher/Unit1.h"
#include "platform/fake/fake_platform.h"

namespace zk::test {

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() {
        CopyDone = 0;
        MenuOffered = 0;
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        fake.files.AddDir("C:\\SPIELE\\ZANTORIK");
    }
    ~LauncherTest() override {
        CopyDone = 0;
        MenuOffered = 0;
    }

    // Creates the window the way the main entry does: creation runs FormShow.
    TFormStart& Launcher() {
        if (!form) {
            form = std::make_unique<TFormStart>(platform, seams);
            form->Created();
        }
        return *form;
    }

    void Store(const std::string& name, const std::string& text) {
        fake.registry.SetValue("Software\\Orvandel\\Zantorik", name, text);
    }
    std::string Stored(const std::string& name) {
        auto* v = fake.registry.Find("Software\\Orvandel\\Zantorik", name);
        return v ? v->text : "<missing>";
    }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    LauncherSeams seams;
    std::unique_ptr<TFormStart> form;
};

}  // namespace zk::test
