// The archive component over the fake platform: an unexpected dialog fails
// the test, every message reported is kept, no message table (the numbers
// are read back from the fallback texts).
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archiver/PasswordDlg.h"
#include "archiver/ZipArch.h"
#include "platform/fake/fake_platform.h"

namespace zk::test {

class ZipFixture : public ::testing::Test {
protected:
    ZipFixture() {
        ZipMessageTable().clear();
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        fake.files.AddDir("C:\\ZIP");
        zip.OnMessage = [this](TZipArchiver&, int32_t code, const std::string& text) { messages.push_back({code, text}); };
        zip.OnDirUpdate = [this](TZipArchiver&) { ++dirUpdates; };
    }
    ~ZipFixture() override {  // the library handle, the dialog hook and the table are the process's
        ZipLibrary::UnloadZipLibrary(), TPasswordDlg::runModal = nullptr, ZipMessageTable() = ZipMessagesDE();
    }
    std::vector<int> Numbers() const {
        std::vector<int> out;
        const std::string prefix = kMissingMessage;
        for (const auto& m : messages)
            if (m.text.compare(0, prefix.size(), prefix) == 0) out.push_back(std::stoi(m.text.substr(prefix.size())));
        return out;
    }
    static std::string Missing(int number) { return kMissingMessage + std::to_string(number); }

    struct Reported { int32_t code; std::string text; };
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TZipArchiver zip{platform};
    std::vector<Reported> messages;
    int dirUpdates = 0;
};

}  // namespace zk::test
