// The archive component over the fake platform; an unexpected dialog fails
// the test, and every message the component reports is kept.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "archiver/PasswordDlg.h"
#include "archiver/ZipArch.h"

namespace zk::test {

class ZipFixture : public ::testing::Test {
protected:
    ZipFixture() {
        // The tests read the numbers back from the fallbacks: no table.
        ZipMessageTable().clear();
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        fake.app.SetTitle("Ruvalin ZANTORIK-Starter");
        fake.files.AddDir("C:\\ZIP");
        zip.OnMessage = [this](TZipArchiver&, int32_t code, const std::string& text) {
            messages.push_back({code, text});
        };
        zip.OnDirUpdate = [this](TZipArchiver&) { ++dirUpdates; };
    }
    ~ZipFixture() override {
        // The library handle is the process's: no test leaves it to the next.
        TZipArchiver::UnloadZipLibrary();
        TPasswordDlg::runModal = nullptr;
        ZipMessageTable() = ZipMessagesDE();
    }

    struct Reported {
        int32_t code;
        std::string text;
    };
    // The numbers of the messages reported, read back from their fallback texts.
    std::vector<int> Numbers() const {
        std::vector<int> out;
        const std::string prefix = kMissingMessage;
        for (const auto& m : messages)
            if (m.text.compare(0, prefix.size(), prefix) == 0) out.push_back(std::stoi(m.text.substr(prefix.size())));
        return out;
    }
    static std::string Missing(int number) { return kMissingMessage + std::to_string(number); }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TZipArchiver zip{platform};
    std::vector<Reported> messages;
    int dirUpdates = 0;
};

}  // namespace zk::test
