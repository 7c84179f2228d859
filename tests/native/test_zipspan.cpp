// Spanning over fake drives: floppies a prompt's answer swaps in drive A:,
// a fixed drive that takes numbered parts, the reader asking for disks.
#include <set>

#include "span_support.h"
#include "zip_builder.h"
#include "zip_fixture.h"

namespace zk::test {
namespace {

using platform::DialogRequest;
using Texts = std::vector<std::string>;

constexpr uint64_t kFloppy = 1457664;
const char* const kSource = "C:\\TMP\\SRC.ZIP";

// The disk number a prompt asks for; 0 when the text is no disk prompt.
int PromptedDisk(const std::string& text) {
    const std::string head = "Please insert disk volume ";
    return text.compare(0, head.size(), head) == 0 ? std::stoi(text.substr(head.size())) : 0;
}
std::string Part(const std::string& stem, int n) { return stem + std::to_string(1000 + n).substr(1) + ".ZIP"; }

class Span : public ZipFixture {
protected:
    Span() {
        fake.files.AddDir("C:\\TMP"), fake.files.AddDir("C:\\OUT");
        fake.files.logIo = false;
        Insert(1);
    }
    void Insert(int n) {  // a disk the user has not had yet is blank
        const std::string name = "d" + std::to_string(n);
        if (made_.insert(name).second) fake.files.NewDisk(name, kFloppy);
        fake.files.InsertDisk('A', name);
    }
    // The source archive: entries of the sizes given, of data that does not compress.
    std::string Source(const std::vector<size_t>& sizes) {
        TestZip z;
        for (size_t i = 0; i < sizes.size(); ++i) {
            z.entries.push_back({"F" + std::to_string(i) + "XXXXXXXXXX.DAT"});
            uint32_t seed = static_cast<uint32_t>(i + 1);
            while (z.entries[i].data.size() < sizes[i]) z.entries[i].data += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        }
        fake.files.AddFile(kSource, BuildZip(z).bytes);
        return fake.files.Content(kSource);
    }
    Texts FloppyParts() {  // of the disks d1, d2... made so far
        Texts parts;
        for (int i = 1; made_.count("d" + std::to_string(i)); ++i) parts.push_back(fake.files.DiskFile("d" + std::to_string(i), "\\GAME.ZIP"));
        return parts;
    }
    Texts FixedParts(const std::string& stem) {
        Texts parts;
        for (int i = 1; fake.files.Exists(Part(stem, i)); ++i) parts.push_back(fake.files.Content(Part(stem, i)));
        return parts;
    }
    // The disk the user puts in at each prompt, in turn (not always the one
    // asked for), and OK, or 0 for Cancel; the other boxes take the answers scripted.
    void PutsIn(std::vector<int> disks) {
        fake.dialogs.onShow = [this, disks, next = size_t(0)](const DialogRequest& r) mutable {
            if (!PromptedDisk(r.text) || next == disks.size()) return;
            if (disks[next]) Insert(disks[next]);
            fake.dialogs.script.push_front(disks[next++] ? platform::mrOk : platform::mrCancel);
        };
    }
    // What the user met: a prompt as "2/3", a box as its title, icon, buttons
    // (the default in brackets) and text.
    Texts Met() {
        Texts out;
        for (const DialogRequest& r : fake.dialogs.shown) {
            if (PromptedDisk(r.text)) { out.push_back(std::to_string(PromptedDisk(r.text)) + "/" + r.text.substr(31, 1)); continue; }
            std::string box = r.title + (r.type == platform::DlgType::Warning ? " (!)" : r.type == platform::DlgType::Error ? " (stop)" : " ()");
            for (size_t i = 0; i < r.captions.size(); ++i) box += int(i) == r.defaultIndex ? " [" + r.captions[i] + "]" : " " + r.captions[i];
            out.push_back(box + ": " + r.text);
        }
        return out;
    }
    std::set<std::string> made_;
};

TEST_F(Span, ThreeMegabytesOntoFloppies) {
    const std::string source = Source({1 << 20, 1 << 20, 1 << 20});
    std::vector<int> steps;
    int64_t stepped = 0;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string&, int32_t n) {
        steps.push_back(t), stepped += t == ProgressStep ? n : 0;
    };
    PutsIn({1, 2, 3});
    ASSERT_EQ(zip.span.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(fake.dialogs.shown.size(), 3u);
    EXPECT_EQ(fake.dialogs.shown[1].text, "Please insert disk volume 2 of 3\r\nin drive: A:\\");
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fake.files.DiskLabel("d" + std::to_string(i)), "PKBACK# 00" + std::to_string(i));
    EXPECT_FALSE(made_.count("d4"));
    const Texts parts = FloppyParts();
    const SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(std::pair(parts[0].size(), parts[1].size()), std::pair(size_t(kFloppy), size_t(kFloppy)));
    // The local records are the source's bytes, cut where the disks end.
    const uint32_t dir = SpanLe32(source, source.size() - 6);
    EXPECT_EQ(std::pair(Joined(parts).substr(4, dir) == source.substr(0, dir), Joined(parts).size()), std::pair(true, source.size() + 4));
    EXPECT_EQ(std::tuple(stepped, steps.front(), steps.back()), std::tuple(int64_t(source.size()), int(ProgressCount), int(ProgressEnd)));
    EXPECT_EQ(fake.files.Stamp("A:\\GAME.ZIP"), fake.files.Stamp(kSource));  // every part has the source's date
    fake.dialogs.shown.clear();  // read back: the directory lies on the last disk, nothing is asked
    zip.SetZipFileName("A:\\GAME.ZIP");
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_EQ(std::tuple(zip.directory.Spanned(), fake.dialogs.shown.size()), std::tuple(true, 0u));
    EXPECT_EQ(zip.Contents[2].StartOnDisk, set.entries[2].disk);
}

// A set whose directory starts on the first disk: reading it asks for that
// disk and takes one only by its label; the last disk, still in, is asked for again.
TEST_F(Span, ReadingBackTakesADiskOnlyByItsLabel) {
    Source({1000, 10});
    zip.MaxVolumeSize = 4 + 46 + 1000 + 46 + 10 + 62 + 30, zip.MinFreeVolumeSize = 0;  // no room for the second central header
    PutsIn({1, 2});
    ASSERT_EQ(zip.span.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(ViewSet(FloppyParts()).dirDisk, 0u);
    fake.dialogs.shown.clear(), messages.clear(), PutsIn({2, 1, 2});
    zip.SetZipFileName("A:\\GAME.ZIP");
    EXPECT_EQ(Met(), (Texts{"1/2", "1/2", "2/2"}));
    ASSERT_EQ(zip.Contents.size(), 2u) << zip.LastMessage;
    EXPECT_EQ(zip.Contents[1].FileName, "F1XXXXXXXXXX.DAT");
    // The directory ran on from behind the local records on disk 1 to disk 2.
    EXPECT_EQ(std::tuple(zip.directory.Spanned(), zip.directory.DirectoryPosition(), zip.directory.LastDisk(), messages.size()), std::tuple(true, 1106, 1, 0u));
}

TEST_F(Span, HeaderThatDoesNotFitStartsOnTheNextPart) {
    // Fixed drive: numbered parts, nobody asked. Disk 1 keeps 20 bytes after
    // the first entry, too few for the second header.
    const int32_t volume = 4 + 30 + 16 + 1000 + 20;
    zip.MaxVolumeSize = volume, zip.MinFreeVolumeSize = 0;
    Source({1000, 3000, 10});
    ASSERT_EQ(zip.span.WriteSpannedArchive(kSource, "C:\\OUT\\ARC.ZIP"), 0) << zip.LastMessage;
    const Texts parts = FixedParts("C:\\OUT\\ARC");
    ASSERT_GE(parts.size(), 4u);
    EXPECT_EQ(std::pair(parts[0].size(), parts[1].size()), std::pair(size_t(volume - 20), size_t(volume)));  // the second entry's data runs on
    SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(std::pair(set.entries.at(1).disk, set.entries[1].offset), std::pair(1u, 0u));
    // The reader takes the numbered parts of the fixed drive by itself.
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_EQ(std::pair(zip.Contents[1].StartOnDisk, zip.Contents[1].RelOffLocalHdr), std::pair(uint16_t{1}, uint64_t{0}));
    // A part that is missing stops the read at once.
    zip.Unattended = true;
    fake.files.RemoveFile(Part("C:\\OUT\\ARC", static_cast<int>(set.dirDisk) + 1));
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    EXPECT_EQ(std::pair(zip.ErrorCode, zip.ZipFileName()), std::pair(11001, std::string()));
}

TEST_F(Span, NoThousandthDisk) {
    zip.Unattended = true, zip.MaxVolumeSize = 100, zip.MinFreeVolumeSize = 0;
    const std::string source = Source({60000, 60000});
    EXPECT_EQ(zip.span.WriteSpannedArchive(kSource, "C:\\OUT\\BIG.ZIP"), -7);
    EXPECT_EQ(zip.ErrorCode, 11048);
    EXPECT_NE(zip.LastMessage.find("999"), std::string::npos) << zip.LastMessage;
    // What went to the 999 parts is all there.
    const std::string all = Joined(FixedParts("C:\\OUT\\BIG"));
    EXPECT_EQ(all.size(), 99900u);
    EXPECT_TRUE(all.substr(4) == source.substr(0, all.size() - 4));
    EXPECT_EQ(fake.files.Stamp("C:\\OUT\\BIG999.ZIP"), fake.files.Stamp(kSource));
}

TEST_F(Span, RefusedSourcesAndTargets) {
    zip.Unattended = true;
    const std::string good = Source({500, 700});
    const size_t dir = SpanLe32(good, good.size() - 6);
    auto at = [&](size_t pos, const std::string& bytes) { return std::string(good).replace(pos, bytes.size(), bytes); };
    const std::pair<std::string, int> cases[] = {  // source ("": none), message; 11025 onto floppies
        {at(0, "PK\x03\x05"), 11014}, {at(dir, "PK\x01\x03"), 11015}, {at(dir + 46, "Q"), 11026},  // a name no local header has
        {"no archive at all, just text", 11036}, {"", 11001}, {good, 11025}};  // unattended never waits for a disk
    for (const auto& [source, number] : cases) {
        fake.files.RemoveFile(kSource);
        if (!source.empty()) fake.files.AddFile(kSource, source);
        const std::string target = number == 11025 ? "A:\\GAME.ZIP" : "C:\\OUT\\D" + std::to_string(number) + ".ZIP";
        EXPECT_EQ(zip.span.WriteSpannedArchive(kSource, target), -7) << number;
        EXPECT_EQ(zip.ErrorCode, number);
    }
    EXPECT_TRUE(fake.dialogs.shown.empty());
    // A fixed drive needs nobody.
    EXPECT_EQ(zip.span.WriteSpannedArchive(kSource, "C:\\OUT\\ONE.ZIP"), 0) << zip.LastMessage;
    EXPECT_EQ(ViewSet({fake.files.Content("C:\\OUT\\ONE001.ZIP")}).error, "");
    EXPECT_EQ(ZipDisks::NumberedPartName("C:\\X.D\\ARC", 12), "C:\\X.D\\ARC012");
    EXPECT_EQ(ZipDisks::ReadingPartName("C:\\X\\ARC003.ZIP", 2), "C:\\X\\ARC002.ZIP");
    EXPECT_EQ(ZipDisks::ReadingPartName("C:\\X\\AB.ZIP", 7), "C:\\X\\007.ZIP");
}

// ---- through AddFiles, with a library that writes a prepared archive ----

std::string g_archive;
platform::FakeFileSystem* g_files = nullptr;
int32_t ZK_STDCALL PreparedVersion() { return 160; }
int32_t ZK_STDCALL PreparedExec(ZipCommand* c) {
    g_files->AddFile(c->archiveName, g_archive);
    return g_archive.empty() ? 0 : c->argCount;  // empty: a file is left, nothing counted
}

class SpanAdd : public Span {
protected:
    SpanAdd() {
        g_files = &fake.files;
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&PreparedExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&PreparedVersion)}});
        zip.TempDir = "C:\\TMP", zip.AddOptions = {AddDiskSpan};
        zip.SetZipFileName("A:\\GAME.ZIP");
    }
    ~SpanAdd() override { g_files = nullptr; }
    size_t TempFiles() {  // files the temporary folder still holds
        size_t n = 0;
        auto dir = fake.files.OpenDir("C:\\TMP");
        for (platform::DirEntry e; dir && dir->Next(e);) n += !(e.attr & platform::faDirectory);
        return n;
    }
};

// Two disks of 70000 bytes, each put in when the user pleases (0: Cancel at
// the prompt): the questions about a disk that holds something or too
// little, erasing, the first disk's spare room, cancelling. The boxes
// answered in turn; what the handler and the format saw.
TEST_F(SpanAdd, DisksThatHoldSomethingOrTooLittleErasedOrCancelled) {
    using namespace platform;
    fake.app.SetTitle("Starter");
    g_archive = Source({100000}), fake.files.RemoveFile(kSource);
    const std::string foreign = "Confirm (!) &Ja [&Nein] Abbrechen: Overwrite previous file A:\\GAME.ZIP",
                      full = "Starter (stop) [&Wiederholen] Abbrechen: This disk has not enough free space available";
    const auto old = [&](const std::string& content) { fake.files.AddFile("A:\\GAME.ZIP", content), fake.files.SetFileStamp("A:\\GAME.ZIP", 0); };
    const auto small = [&] { made_.insert("d9"), fake.files.NewDisk("d9", kFloppy).free = 100; };
    const auto erase = [&](std::deque<int> results) {
        zip.AddOptions = {AddDiskSpanErase}, fake.diskFormat.results = results, old("alt"), fake.files.AddFile("A:\\ALT.TXT");
    };
    const struct { const char* what; std::function<void()> setUp; int action; std::vector<int> disks, answers; Texts met;
                   int error; size_t firstPart; std::string seen; } cases[] = {  // action: OnStatusDisk's, -1 none
        {"a foreign file, Yes overwrites", [&] { old("alt"); }, -1, {1, 2}, {mrYes}, {"1/2", foreign, "2/2"}, 0, 70000, ""},
        {"the last disk left in, No asks for another", [] {}, -1, {1, 1, 2}, {mrNo},
         {"1/2", "2/2", "Confirm (!) &Ja [&Nein] Abbrechen: Overwrite previous disk no 1", "2/2"}, 0, 70000, ""},
        {"too little room: Retry", small, -1, {9, 1, 2}, {mrRetry}, {"1/2", full, "1/2", "2/2"}, 0, 70000, ""},
        {"too little room, Cancel", small, -1, {9}, {mrCancel}, {"1/2", full}, 11007, 0, ""},
        {"Cancel at the first prompt", [] {}, -1, {0}, {}, {"1/2"}, 11007, 0, ""},
        {"a foreign file, Cancel", [&] { old("alt"); }, -1, {1}, {mrCancel}, {"1/2", foreign}, 11007, 0, ""},
        {"the handler aborts at the prompt", [&] { zip.OnGetNextDisk = [](TZipArchiver&, int32_t, int32_t, const std::string&, bool& a) { a = true; }; },
         -1, {}, {}, {}, 11007, 0, ""},
        {"Cancel pressed meanwhile", [&] { fake.app.onProcessMessages = [&] { zip.Cancel = zip.Busy && fake.files.Exists("A:\\GAME.ZIP"); }; },
         -1, {1}, {}, {"1/2"}, 11007, 0, ""},
        {"told: a foreign file on a disk in use", [&] { old("alt"), *fake.files.Drive('A').free -= 512; }, zdaOk, {1, 2}, {},
         {"1/2", "2/2"}, 0, 70000, "1 A:\\GAME.ZIP 10;"},
        {"told: an empty foreign file, an empty disk", [&] { old(""); }, zdaOk, {1, 2}, {}, {"1/2", "2/2"}, 0, 70000, "1 A:\\GAME.ZIP 9;"},
        {"told: the last disk, 2 asks for another", [] {}, zdaReject, {1, 1, 2}, {}, {"1/2", "2/2", "2/2"}, 0, 70000, "1 A:\\GAME.ZIP 6;"},
        {"told: too little room, retried", small, zdaOk, {9, 1, 2}, {}, {"1/2", "1/2", "2/2"}, 0, 70000, "1 A:\\GAME.ZIP 16;"},
        {"told: too little room, 3 cancels", small, zdaCancel, {9}, {}, {"1/2"}, 11007, 0, "1 A:\\GAME.ZIP 16;"},
        {"told: a foreign file, 3 cancels", [&] { old("alt"); }, zdaCancel, {1}, {}, {"1/2"}, 11007, 0, "1 A:\\GAME.ZIP 9;"},
        {"the first disk keeps room", [&] { zip.KeepFreeOnDisk1 = 50000, zip.MinFreeVolumeSize = 1000; }, -1, {1, 2, 3}, {},
         {"1/3", "2/3", "3/3"}, 0, 20000, ""},
        {"erased, the user confirms", [&] { erase({0, 0}); }, -1, {1, 2}, {}, {"1/2", "2/2"}, 0, 70000, "0 PKBACK# 001 1;0 PKBACK# 002 1;"},
        {"erased without asking", [&] { erase({0, 0}), zip.ConfirmErase = false; }, -1, {1, 2}, {}, {"1/2", "2/2"}, 0, 70000,
         "0 PKBACK# 001 0;0 PKBACK# 002 0;"},
        {"format cancelled: quietly", [&] { erase({kFormatCancelled}); }, -1, {1}, {}, {"1/2"}, 11007, 0, "0 PKBACK# 001 1;"},
        {"no format dialog: as cancelled", [&] { erase({}); }, -1, {1}, {}, {"1/2"}, 11007, 0, "0 PKBACK# 001 1;"},
        {"format failed: said", [&] { erase({kFormatError}); }, -1, {1}, {mrOk}, {"1/2", "Starter () [OK]: " + Missing(11007)}, 11007,
         0, "0 PKBACK# 001 1;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files.EjectDisk('A');
        for (const auto& name : made_) fake.files.NewDisk(name, kFloppy);
        made_.clear(), Insert(1);
        fake.dialogs.shown.clear(), fake.diskFormat.calls.clear();
        zip.MaxVolumeSize = 70000, zip.MinFreeVolumeSize = 65536, zip.KeepFreeOnDisk1 = 0, zip.ConfirmErase = true, zip.AddOptions = {AddDiskSpan};
        zip.OnGetNextDisk = nullptr, fake.app.onProcessMessages = nullptr;
        std::string seen;
        zip.OnStatusDisk = [&](TZipArchiver&, int32_t disk, const std::string& file, TZipDiskStatus status, TZipDiskAction& a) {
            seen += std::to_string(disk) + " " + file + " " + std::to_string(status) + ";", a = TZipDiskAction(c.action);
        };
        if (c.action < 0) zip.OnStatusDisk = nullptr;
        c.setUp(), PutsIn(c.disks);
        for (int a : c.answers) fake.dialogs.Answer(a);
        zip.FSpecArgs = {"A.DAT"};
        EXPECT_EQ(zip.AddFiles(), !c.error) << zip.LastMessage;
        EXPECT_EQ(std::tuple(c.error ? zip.ErrorCode : 0, zip.SuccessCount, TempFiles(), zip.Busy), std::tuple(c.error, !c.error, 0u, false));
        EXPECT_EQ(Met(), c.met);
        for (const auto& f : fake.diskFormat.calls) seen += std::to_string(f.drive) + " " + f.label + " " + std::to_string(f.confirmErase) + ";";
        EXPECT_EQ(seen, c.seen);
        EXPECT_EQ(fake.files.DiskFiles("d9"), Texts{});  // a part that found too little room is deleted
        if (!c.firstPart) continue;
        EXPECT_EQ(ViewSet(FloppyParts()).error, "");
        EXPECT_EQ(FloppyParts()[0].size(), c.firstPart);
        EXPECT_EQ(fake.files.DiskFiles("d1"), Texts{"\\GAME.ZIP"});  // an erased disk keeps nothing else
    }
}

TEST_F(SpanAdd, NothingAddedLeavesNoTemporaryArchive) {
    g_archive = "";  // the library leaves a file but counts nothing
    zip.FSpecArgs = {"A.DAT"};
    EXPECT_FALSE(zip.AddFiles());
    EXPECT_EQ(std::tuple(zip.SuccessCount, TempFiles(), fake.dialogs.shown.size()), std::tuple(0, 0u, 0u));
}

}  // namespace
}  // namespace zk::test
