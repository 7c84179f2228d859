// The copy engine: the tests on source and target with their numbered
// messages, which give the run's plan, and the two runs over that plan: the
// block copy of the listed files and the zip run.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup/filelist.h"
#include "setup/ziparchive.h"

namespace zk {

// What the tests on source and target found: all a run needs.
struct CopyPlan {
    std::string source;        // normalised
    std::string target;        // normalised, ends with "\"
    char drive = ' ';          // the target's drive letter, upper case
    std::string sourceFolder;  // holds ZANTORIK.EXE: source or its ZANTORIK
    std::string destFolder;    // target + "ZANTORIK"
    std::vector<ListedFile> files;
    int32_t total = 0;  // bytes of the listed files, held at 2147483647
    int32_t free = 0;   // free bytes of the target drive, -1 when it cannot tell

    std::vector<std::string> Lines() const;
};

// How the engine shows a run; the setup window implements it. Each call
// repaints what it changes at once: a run holds the thread until it ends.
class CopyProgress {
public:
    enum class Field { Source, Target };
    virtual ~CopyProgress() = default;
    virtual void Status(const std::string& text) = 0;
    // A run begins: the heading over the bytes left, the gauge's maximum.
    virtual void Begin(const std::string& heading, int32_t total) = 0;
    virtual void Progress(int32_t done, int32_t left) = 0;
    virtual void Free(int32_t bytes) = 0;
    // The drive's free count does not follow the copy.
    virtual void FreeNotFollowed() = 0;
    // The field at fault after a failed test.
    virtual void Focus(Field field) = 0;
    // A warning the user confirms; the answer does not matter (a disk may
    // have been put in meanwhile).
    virtual void Warning(const std::string& text) = 0;
    // The message of a failed test.
    virtual void Error(const std::string& text) = 0;
};

// What NormalizePath finds; the values are the setup's message codes.
enum PathCheck : int { kPathOk = 0, kNoDriveLetter = -1, kNameTooLong = -2 };

// Trims, turns "/" into "\", shrinks runs of "\" and puts "\" after the
// drive's colon; kNameTooLong when a name part is longer than 8 characters.
PathCheck NormalizePath(std::string& path);

class CopyEngine {
public:
    static constexpr size_t kBlockSize = 8192;

    CopyEngine(platform::Platform& platform, CopyProgress& progress) : platform(platform), progress(progress) {}

    // Runs the tests in their order on the two fields' texts and reports the
    // first failure; the plan holds what they found, the list too when the
    // walk ran.
    bool PrepareCopy(const std::string& source, const std::string& target, CopyPlan& plan);
    // Shows the message of a non-zero code and moves the focus; false for 0.
    bool ReportSetupError(int code);
    static std::string ErrorMessage(int code);
    int CheckTargetDrive(const CopyPlan& plan);
    int CheckSourceFolder(CopyPlan& plan);
    int ScanAndMeasure(CopyPlan& plan);

    // The copy run: every listed file below the destination folder; true
    // when all of them arrived.
    bool CopyAll(const CopyPlan& plan);
    // 0, or 5 when the file could not be copied.
    int CopyListedFile(const CopyPlan& plan, const ListedFile& file);
    // The zip run: every listed file into the target's zantorik.zip; true
    // when the archive reads back with all of them; false, without an add,
    // when the file there is no archive (the component has said so).
    bool ZipAll(const CopyPlan& plan, ZipArchive& zip);

    // Makes every folder of the path up to its last "\".
    bool ForcePath(const std::string& path);
    // Free bytes of a drive: held at 2147483647, -1 when it cannot tell.
    int32_t FreeBytes(char letter);

    platform::Platform& platform;
    CopyProgress& progress;
    std::string ErrorText;
    // Set once a copy left the free space unchanged; off at each run's start.
    bool FreeDisplayOff = false;

private:
    // Why the folder a zip run needs could not be made, as the user reads it.
    std::string FolderNotMade(const std::string& folder);
    bool CopyFileWithProgress(const std::string& src, const std::string& dst, char drive);
    // The path as the system resolves it ("." and ".." gone).
    std::string Resolved(const std::string& path);
    void Advance(int32_t bytes);

    int32_t done_ = 0, left_ = 0;
    std::array<char, kBlockSize> buffer_{};
};

}  // namespace zk
