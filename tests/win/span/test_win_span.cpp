// Spanning under Wine: the real ZKZIP.DLL writes the temporary archive, the
// component copies it onto drive A:, which the prefix maps as a floppy.
// run_span.sh swaps the folder behind A: whenever the test asks for the next
// disk (ZK_SPAN_CTL names the folder both sides talk through; ZK_SPAN_SRC
// holds the files) and checks the parts afterwards with Info-ZIP.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "archiver/ZipArch.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;

// Asks the script for disk n behind A: and waits until it is there.
bool SwapDisk(const std::string& ctl, int n) {
    std::ofstream(win32::Wide(ctl + "\\request.tmp").c_str()) << n;
    if (!MoveFileExW(win32::Wide(ctl + "\\request.tmp").c_str(), win32::Wide(ctl + "\\request").c_str(),
                     MOVEFILE_REPLACE_EXISTING))
        return false;
    const std::wstring ack = win32::Wide(ctl + "\\ack" + std::to_string(n));
    for (int i = 0; i < 600; ++i, Sleep(50))
        if (DeleteFileW(ack.c_str())) return true;
    return false;
}

class SpanWine : public ::testing::Test {
protected:
    SpanWine() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        zip.OnMessage = [this](TZipArchiver& z, int32_t, const std::string& text) {
            if (text.rfind(MessageText(zmCopying), 0) != 0) messages += std::to_string(z.ErrorCode) + " " + text + "\n";
        };
        if (!std::getenv("ZK_SPAN_CTL") || !std::getenv("ZK_SPAN_SRC")) return;
        ctl = std::getenv("ZK_SPAN_CTL"), src = std::getenv("ZK_SPAN_SRC");
        EXPECT_TRUE(real.files.SetCurrentDir(src));
        real.files.CreateDir(src + "\\TMP");
        zip.TempDir = src + "\\TMP";
        zip.MaxVolumeSize = 1457664;
    }
    platform::FakePlatform fake;
    win32::Win32Platform real;
    platform::Platform mixed = platform::Mix(fake.Get(), real.Get(), platform::kFiles | platform::kApp |
                                                 platform::kDynLib | platform::kCodePages | platform::kDiskFormat);
    TZipArchiver zip{mixed};
    std::string messages, ctl, src;
};

TEST_F(SpanWine, GameOntoFloppies) {
    ASSERT_FALSE(ctl.empty()) << "run through run_span.sh";
    ASSERT_EQ(real.files.DriveKind('A'), platform::DriveType::Removable);
    zip.AddOptions = {AddDirNames, AddDiskSpan};
    zip.SetZipFileName("A:\\GAME.ZIP");
    std::vector<int> asked;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t total, const std::string& drive, bool& abort) {
        EXPECT_EQ(drive, "A:\\");
        EXPECT_GE(asked.empty() ? total : 2, 2);
        asked.push_back(disk);
        abort = !SwapDisk(ctl, disk);
    };
    zip.FSpecArgs = {"ZANTORIK.EXE", "TEXTE\\THEMA.TXT", "LEER.DAT"};
    ASSERT_TRUE(zip.AddFiles()) << messages;
    ASSERT_GE(asked.size(), 2u);
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], static_cast<int>(i) + 1);
    // The directory was read back from the last disk.
    ASSERT_EQ(zip.Contents.size(), 3u) << messages;
    EXPECT_EQ(zip.Contents[1].FileName, "TEXTE\\THEMA.TXT");
    EXPECT_TRUE(zip.Spanned());
    EXPECT_TRUE(sfs::is_empty(sfs::path(win32::Wide(src + "\\TMP"))));  // no temporary archive left
    // Wine writes the labels (the script checks them on every disk) but reads
    // an empty one back for a floppy, so disk 1 alone, without an end record,
    // is 11045 here (11037, the first disk, on Windows).
    EXPECT_EQ(zip.VolumeLabel(), "");
    ASSERT_TRUE(SwapDisk(ctl, 1));
    fake.dialogs.Answer(platform::mrOk);  // the message box of the failed read
    zip.SetZipFileName("A:\\GAME.ZIP");
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_NE(messages.find("11045"), std::string::npos) << messages;
}

// Wine's shell has no format dialog: a format counts as cancelled.
TEST_F(SpanWine, EraseEndsAsACancelledFormat) {
    ASSERT_FALSE(ctl.empty()) << "run through run_span.sh";
    zip.AddOptions = {AddDirNames, AddDiskSpanErase};
    zip.ConfirmErase = false;
    zip.SetZipFileName("A:\\ERASE.ZIP");
    fake.dialogs.Answer(platform::mrOk);  // the disk prompt
    zip.FSpecArgs = {"LEER.DAT"};
    EXPECT_FALSE(zip.AddFiles());
    EXPECT_EQ(zip.ErrorCode, 11007) << messages;
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_FALSE(real.files.FileExists("A:\\ERASE.ZIP"));
}

}  // namespace
}  // namespace zk::test
