// The copy engine: the tests on source and target with their numbered
// messages, and the block copy of the listed files with progress.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "ui/form.h"

namespace zk {

// The controls of the setup window that the engine writes.
struct CopyView {
    ui::Label& Statuslabel;
    ui::Gauge& Gauge1;
    ui::Label& txbyte2copy;  // tag: bytes still to copy
    ui::Label& txHDrest;     // tag: free bytes of the target
    ui::Label& Label3;
    ui::Memo& Filebox;       // the file list
    ui::Edit& Edit1;         // source field
    ui::Edit& Edit2;         // target field
};

// Trims, turns "/" into "\", shrinks runs of "\" and puts "\" after the
// drive's colon. 0, or -1 without drive letter and colon, or -2 when a name
// part is longer than 8 characters.
int NormalizePath(std::string& path);

class CopyEngine {
public:
    static constexpr size_t kBlockSize = 8192;

    CopyEngine(platform::Platform& platform, CopyView view) : platform(platform), view(view) {}

    // The setup window is shown.
    void Reset(const std::string& programFolder);

    // Runs the tests in their order and reports the first failure.
    bool PrepareCopy(int32_t& bytes, int32_t& free);
    // Shows the message of a non-zero code and moves the focus; false for 0.
    bool ReportSetupError(int code);
    static std::string ErrorMessage(int code);
    int CheckTargetDrive();
    int CheckSourceFolder();
    int ScanAndMeasure(int32_t& total, int32_t& free);

    bool CopyAll(ui::Label& statusLabel);
    int CopyListedFile(ui::Label& statusLabel, const std::string& sourceDir, const std::string& destDir,
                       const std::string& line);
    bool CopyFileWithProgress(const std::string& src, const std::string& dst, ui::Label& bytes2CopyLabel,
                              ui::Label& freeLabel, ui::Gauge& gauge, bool freeDisplayOff);
    // Makes every folder of the path up to its last "\".
    bool ForcePath(const std::string& path);
    // The path as the system resolves it ("." and ".." gone); as given when
    // the system cannot tell.
    std::string Resolved(const std::string& path);
    // Free bytes of a drive: held at 2147483647, -1 when it cannot tell.
    int32_t FreeBytes(char letter);

    platform::Platform& platform;
    CopyView view;

    // Run state.
    std::string Source;
    std::string Target;
    std::string SourceFolder;  // holds ZANTORIK.EXE: Source or its ZANTORIK
    std::string DestFolder;    // Target + "ZANTORIK"
    int32_t Total = 0;
    int32_t Free = 0;
    bool FreeDisplayOff = false;
    std::string ErrorText;

private:
    std::array<char, kBlockSize> buffer_{};
};

}  // namespace zk
