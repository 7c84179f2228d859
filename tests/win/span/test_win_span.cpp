// Spanning under Wine: the real ZKZIP.DLL writes the temporary archive, the
// component copies it onto A:, a floppy of the prefix. run_span.sh swaps
// the folder behind A: whenever a disk is asked for (through the folder
// ZK_SPAN_CTL; ZK_SPAN_SRC holds the files) and joins the parts with Info-ZIP.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "archiver/ZipArch.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {
namespace {

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

TEST(SpanWine, GameOntoFloppies) {
    const char *ctl = std::getenv("ZK_SPAN_CTL"), *src = std::getenv("ZK_SPAN_SRC");
    ASSERT_TRUE(ctl && src) << "run through run_span.sh";
    platform::FakePlatform fake;
    fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
    win32::Win32Platform real;
    platform::Platform mixed = platform::Mix(fake.Get(), real.Get(), platform::kFiles | platform::kApp |
                                                 platform::kDynLib | platform::kCodePages | platform::kDiskFormat);
    TZipArchiver zip(mixed);
    ASSERT_EQ(real.files.DriveKind('A'), platform::DriveType::Removable);
    ASSERT_TRUE(real.files.SetCurrentDir(src));
    const std::string temp = std::string(src) + "\\TMP";
    real.files.CreateDir(temp);
    zip.TempDir = temp;
    zip.MaxVolumeSize = 1457664;
    zip.AddOptions = {AddDirNames, AddDiskSpan};
    zip.SetZipFileName("A:\\GAME.ZIP");
    std::vector<int> asked;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string& drive, bool& abort) {
        EXPECT_EQ(drive, "A:\\");
        asked.push_back(disk);
        abort = !SwapDisk(ctl, disk);
    };
    zip.FSpecArgs = {"ZANTORIK.EXE", "TEXTE\\THEMA.TXT", "LEER.DAT"};
    ASSERT_TRUE(zip.AddFiles()) << zip.LastMessage;
    ASSERT_GE(asked.size(), 2u);
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], static_cast<int>(i) + 1);
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;  // read back from the last disk
    EXPECT_EQ(zip.Contents[1].FileName, "TEXTE\\THEMA.TXT");
    EXPECT_TRUE(zip.Spanned());
    platform::FoundEntry left;
    EXPECT_FALSE(real.files.FindFirst(temp + "\\*.*", 0, left)) << left.name;  // no temporary archive left
}

}  // namespace
}  // namespace zk::test
