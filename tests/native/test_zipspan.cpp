// Spanning over fake drives: floppies that a prompt's answer swaps in drive
// A:, a fixed drive that takes numbered parts, and the directory reader
// asking for the disks of a set.
#include <map>

#include "span_support.h"
#include "zip_builder.h"
#include "zip_fixture.h"

namespace zk::test {
namespace {

using platform::DialogRequest;
using platform::DlgType;
using Ints = std::vector<int>;
using Texts = std::vector<std::string>;

constexpr uint64_t kFloppy = 1457664;
const char* const kSource = "C:\\TMP\\SRC.ZIP";

// The disk number a prompt asks for; 0 when the text is no disk prompt.
int PromptedDisk(const std::string& text) {
    const std::string head = "Please insert disk volume ";
    return text.compare(0, head.size(), head) == 0 ? std::stoi(text.substr(head.size())) : 0;
}
std::string Prompt(int n, int of) {
    return "Please insert disk volume " + std::to_string(n) + " of " + std::to_string(of) + "\r\nin drive: A:\\";
}
std::string Part(const std::string& stem, int n) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d.ZIP", n);
    return stem + name;
}

class Span : public ZipFixture {
protected:
    Span() {
        fake.files.AddDir("C:\\TMP");
        fake.files.AddDir("C:\\OUT");
        fake.files.logIo = false;
        Insert(1);
        // The user puts in the disk each prompt names (a blank one when it is new).
        fake.dialogs.onShow = [this](const DialogRequest& r) {
            if (int n = PromptedDisk(r.text)) Insert(n);
        };
    }
    platform::FakeFileSystem::Disk& Disk(int n) {
        std::string name = "d" + std::to_string(n);
        if (!made_.count(name)) made_[name] = &fake.files.NewDisk(name, kFloppy);
        return *made_[name];
    }
    void Insert(int n) {
        Disk(n);
        fake.files.InsertDisk('A', "d" + std::to_string(n));
    }
    // The source archive: entries of the sizes given, of data that does not compress.
    std::string Source(const std::vector<size_t>& sizes, size_t nameLength = 12) {
        TestZip z;
        for (size_t i = 0; i < sizes.size(); ++i) {
            TestEntry e;
            e.name = ("F" + std::to_string(i) + std::string(nameLength, 'X')).substr(0, nameLength) + ".DAT";
            uint32_t seed = static_cast<uint32_t>(i + 1);
            for (size_t k = 0; k < sizes[i]; ++k) e.data += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
            z.entries.push_back(e);
        }
        std::string bytes = BuildZip(z).bytes;
        fake.files.AddFile(kSource, bytes);
        return bytes;
    }
    Texts FloppyParts(int count) {
        Texts parts;
        for (int i = 1; i <= count; ++i) parts.push_back(fake.files.DiskFile("d" + std::to_string(i), "\\GAME.ZIP"));
        return parts;
    }
    Texts FixedParts(const std::string& stem) {
        Texts parts;
        for (int i = 1; fake.files.Exists(Part(stem, i)); ++i) parts.push_back(fake.files.Content(Part(stem, i)));
        return parts;
    }
    Texts Shown() const {
        Texts out;
        for (const auto& r : fake.dialogs.shown) out.push_back(r.text);
        return out;
    }
    void Answers(std::initializer_list<int> answers) {
        for (int a : answers) fake.dialogs.Answer(a);
    }
    std::map<std::string, platform::FakeFileSystem::Disk*> made_;
};

TEST_F(Span, ThreeMegabytesOntoFloppies) {
    const std::string source = Source({1 << 20, 1 << 20, 1 << 20});
    std::vector<int> steps;
    int64_t stepped = 0;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string&, int32_t n) {
        steps.push_back(t);
        if (t == ProgressStep) stepped += n;
    };
    Answers({platform::mrOk, platform::mrOk, platform::mrOk});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    EXPECT_EQ(Shown(), (Texts{Prompt(1, 3), Prompt(2, 3), Prompt(3, 3)}));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fake.files.DiskLabel("d" + std::to_string(i)), "PKBACK# 00" + std::to_string(i));
    EXPECT_FALSE(made_.count("d4"));
    const Texts parts = FloppyParts(3);
    EXPECT_EQ(parts[0].substr(0, 8), std::string("PK\x07\x08PK\x03\x04", 8));
    EXPECT_EQ(parts[0].size(), kFloppy);
    EXPECT_EQ(parts[1].size(), kFloppy);
    SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(set.total, 3u);
    // The local records are the source's bytes, cut where the disks end.
    const uint32_t dir = SpanLe32(source, source.size() - 6);
    EXPECT_TRUE(Joined(parts).substr(4, dir) == source.substr(0, dir));
    EXPECT_EQ(Joined(parts).size(), source.size() + 4);
    EXPECT_EQ(stepped, static_cast<int64_t>(source.size()));
    EXPECT_EQ(steps.front() * 10 + steps.back(), ProgressCount * 10 + ProgressEnd);
    EXPECT_EQ(fake.files.Stamp("A:\\GAME.ZIP"), fake.files.Stamp(kSource));  // every part has the source's date
    EXPECT_FALSE(zip.Busy);
    // Read back: the directory lies on the last disk, nothing is asked.
    fake.dialogs.shown.clear();
    zip.SetZipFileName("A:\\GAME.ZIP");
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_TRUE(zip.Spanned());
    EXPECT_EQ(zip.Contents[2].StartOnDisk, set.entries[2].disk);
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(Span, HeaderThatDoesNotFitStartsOnTheNextPart) {
    // Fixed drive: numbered parts, nobody asked. Disk 1 keeps 20 bytes after
    // the first entry, too few for the second header.
    const int32_t volume = 4 + 30 + 16 + 1000 + 20;
    zip.MaxVolumeSize = volume;
    zip.MinFreeVolumeSize = 0;
    Source({1000, 3000, 10});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "C:\\OUT\\ARC.ZIP"), 0) << zip.LastMessage;
    EXPECT_TRUE(fake.dialogs.shown.empty());
    const Texts parts = FixedParts("C:\\OUT\\ARC");
    EXPECT_FALSE(fake.files.Exists("C:\\OUT\\ARC.ZIP"));
    ASSERT_GE(parts.size(), 4u);
    EXPECT_EQ(parts[0].size(), static_cast<size_t>(volume - 20));
    EXPECT_EQ(parts[1].size(), static_cast<size_t>(volume));  // the second entry's data runs on
    SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    ASSERT_EQ(set.entries.size(), 3u);
    EXPECT_EQ(set.entries[1].disk, 1u);
    EXPECT_EQ(set.entries[1].offset, 0u);
    for (size_t i = 1; i < parts.size(); ++i) EXPECT_EQ(fake.files.Stamp(Part("C:\\OUT\\ARC", static_cast<int>(i))), fake.files.Stamp(kSource));
    // The reader takes the numbered parts of the fixed drive by itself.
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_EQ(zip.Contents[1].RelOffLocalHdr, 0u);
    EXPECT_EQ(zip.Contents[1].StartOnDisk, 1u);
    EXPECT_TRUE(fake.dialogs.shown.empty());
    // A part that is missing stops the read at once.
    zip.Unattended = true;
    fake.files.RemoveFile(Part("C:\\OUT\\ARC", static_cast<int>(set.dirDisk) + 1));
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    EXPECT_EQ(zip.ErrorCode, 11001);
    EXPECT_EQ(zip.ZipFileName(), "");
}

TEST_F(Span, ReadingAsksForTheDisksTheDirectoryLiesOn) {
    // Long names make a directory that begins a disk before the end record.
    zip.MaxVolumeSize = 4000;
    zip.MinFreeVolumeSize = 0;
    Source(std::vector<size_t>(40, 1500), 120);
    Ints asked;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string& drive, bool&) {
        EXPECT_EQ(drive, "A:\\");
        asked.push_back(disk);
        Insert(disk);
    };
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    const int disks = static_cast<int>(asked.size());
    ASSERT_GT(disks, 3);
    for (int i = 0; i < disks; ++i) EXPECT_EQ(asked[i], i + 1);
    SetView set = ViewSet(FloppyParts(disks));
    ASSERT_EQ(set.error, "");
    ASSERT_LT(set.dirDisk, set.endDisk);
    asked.clear();
    zip.SetZipFileName("A:\\GAME.ZIP");
    ASSERT_EQ(zip.Contents.size(), 40u) << zip.LastMessage;
    Ints expected;  // every disk holding central headers, once
    for (const SetEntry& e : set.entries)
        if (expected.empty() || expected.back() != static_cast<int>(e.cdisk) + 1) expected.push_back(static_cast<int>(e.cdisk) + 1);
    EXPECT_EQ(asked, expected);
    for (size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(zip.Contents[i].StartOnDisk, set.entries[i].disk);
        EXPECT_EQ(zip.Contents[i].RelOffLocalHdr, set.entries[i].offset);
    }
    EXPECT_EQ(zip.LastDisk(), static_cast<int>(set.endDisk));
    // A wrong disk is refused by its label and asked for again.
    Ints again;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t total, const std::string&, bool& abort) {
        EXPECT_EQ(total, static_cast<int>(set.endDisk) + 1);
        again.push_back(disk);
        again.size() == 1 ? Insert(1) : again.size() < 50 ? Insert(disk) : void(abort = true);
    };
    Insert(disks);
    zip.SetZipFileName("A:\\GAME.ZIP");
    EXPECT_EQ(zip.Contents.size(), 40u) << zip.LastMessage;
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[0], again[1]);
}

TEST_F(Span, DiskHoldingThePartAlreadyOrAForeignFile) {
    Source({1 << 20, 1 << 20});  // two disks
    // Disk "old" carries disk 1 of this same set; disk "other" a foreign GAME.ZIP.
    for (const char* name : {"old", "other"}) {
        fake.files.NewDisk(name, kFloppy, name == std::string("old") ? "PKBACK# 001" : "SPIELE");
        fake.files.InsertDisk('A', name);
        fake.files.AddFile("A:\\GAME.ZIP", name);
    }
    fake.files.InsertDisk('A', "old");
    fake.files.SetFileStamp("A:\\GAME.ZIP", fake.files.Stamp(kSource));
    Insert(1);
    // Disk 2 prompt: "old" goes in instead, No; again: "other", Yes.
    int prompt2 = 0;
    fake.dialogs.onShow = [&](const DialogRequest& r) {
        int n = PromptedDisk(r.text);
        if (n == 1) Insert(1);
        if (n == 2) fake.files.InsertDisk('A', ++prompt2 == 1 ? "old" : "other");
    };
    Answers({platform::mrOk, platform::mrOk, platform::mrNo, platform::mrOk, platform::mrYes});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(fake.dialogs.shown.size(), 5u);
    EXPECT_EQ(fake.dialogs.shown[2].text + "|" + fake.dialogs.shown[4].text,
              "Overwrite previous disk no 1|Overwrite previous file A:\\GAME.ZIP");
    EXPECT_EQ(fake.dialogs.shown[2].defaultIndex, 1);
    EXPECT_EQ(fake.files.DiskFile("old", "\\GAME.ZIP"), "old");  // left alone
    EXPECT_EQ(fake.files.DiskLabel("other"), "PKBACK# 002");
    EXPECT_EQ(ViewSet({fake.files.DiskFile("d1", "\\GAME.ZIP"), fake.files.DiskFile("other", "\\GAME.ZIP")}).error, "");
}

TEST_F(Span, StatusEventAnswersTheOverwriteQuestions) {
    Source({1 << 20, 1 << 20});
    fake.files.NewDisk("old", kFloppy, "PKBACK# 001");
    fake.files.InsertDisk('A', "old");
    fake.files.AddFile("A:\\GAME.ZIP", "earlier");
    fake.files.SetFileStamp("A:\\GAME.ZIP", fake.files.Stamp(kSource));
    fake.files.Drive('A').free = kFloppy - 4096;
    Texts seen;  // disk, file, status
    TZipDiskAction next = zdaReject;
    zip.OnStatusDisk = [&](TZipArchiver&, int32_t disk, const std::string& file, TZipDiskStatus status,
                           TZipDiskAction& action) {
        seen.push_back(std::to_string(disk) + " " + file + " " + std::to_string(status));
        action = next;
        if (next == zdaReject) next = zdaOk;
    };
    int calls = 0;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string&, bool&) {
        ++calls;
        disk == 1 ? Insert(1) : fake.files.InsertDisk('A', "old");  // twice: Reject first, then Ok
    };
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "1 A:\\GAME.ZIP " + std::to_string(zdsPreviousDisk | zdsHasFiles));
    EXPECT_EQ(calls, 3);
    EXPECT_NE(fake.files.DiskFile("old", "\\GAME.ZIP"), "earlier");  // overwritten the second time
    EXPECT_TRUE(fake.dialogs.shown.empty());
    // A foreign file on an empty-looking disk: cancelled.
    seen.clear();
    next = zdaCancel;
    fake.files.NewDisk("empty", kFloppy, "");
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t, int32_t, const std::string&, bool&) {
        fake.files.InsertDisk('A', "empty");
        fake.files.AddFile("A:\\GAME.ZIP", "");
        fake.files.Drive('A').free = kFloppy;
    };
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), -7);
    EXPECT_EQ(seen, Texts{"1 A:\\GAME.ZIP " + std::to_string(zdsSameFileName | zdsEmpty)});
    EXPECT_EQ(zip.ErrorCode, 11007);
}

TEST_F(Span, DiskWithTooLittleRoom) {
    Source({1 << 20, 1 << 20});
    fake.files.NewDisk("full", kFloppy, "").free = 60000;  // below 65536
    int prompts = 0;
    fake.dialogs.onShow = [&](const DialogRequest& r) {
        int n = PromptedDisk(r.text);
        if (n == 2 && ++prompts == 1)
            fake.files.InsertDisk('A', "full");
        else if (n)
            Insert(n);
    };
    Answers({platform::mrOk, platform::mrOk, platform::mrRetry, platform::mrOk});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(fake.dialogs.shown.size(), 4u);
    EXPECT_EQ(fake.dialogs.shown[2].text, "This disk has not enough free space available");
    EXPECT_EQ(fake.files.DiskFiles("full"), Texts{});  // the new part was deleted
    EXPECT_EQ(fake.files.DiskLabel("full"), "");
    EXPECT_EQ(ViewSet(FloppyParts(2)).error, "");
    // With KeepFreeOnDisk1 the first disk itself is too small.
    zip.KeepFreeOnDisk1 = static_cast<int32_t>(kFloppy - 1000);
    fake.dialogs.onShow = [&](const DialogRequest& r) { if (int n = PromptedDisk(r.text)) Insert(n + 10); };
    Answers({platform::mrOk, platform::mrCancel});
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), -7);
    EXPECT_EQ(fake.dialogs.shown.back().text, "This disk has not enough free space available");
}

TEST_F(Span, NoThousandthDisk) {
    zip.Unattended = true;
    zip.MaxVolumeSize = 100;
    zip.MinFreeVolumeSize = 0;
    const std::string source = Source({60000, 60000});
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "C:\\OUT\\BIG.ZIP"), -7);
    EXPECT_EQ(zip.ErrorCode, 11048);
    EXPECT_NE(zip.LastMessage.find("999"), std::string::npos) << zip.LastMessage;
    EXPECT_FALSE(fake.files.Exists("C:\\OUT\\BIG1000.ZIP"));
    // What went to the 999 parts is all there.
    const std::string all = Joined(FixedParts("C:\\OUT\\BIG"));
    EXPECT_EQ(all.size(), 99900u);
    EXPECT_TRUE(all.substr(4) == source.substr(0, all.size() - 4));
    EXPECT_EQ(fake.files.Stamp("C:\\OUT\\BIG999.ZIP"), fake.files.Stamp(kSource));
    // Floppies: disk 1000 is never asked for.
    zip.Unattended = false;
    int highest = 0;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string&, bool&) {
        highest = std::max(highest, disk);
        Insert(disk);
    };
    fake.dialogs.Answer(platform::mrOk);  // the message of the stop
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), -7);
    EXPECT_EQ(highest, 999);
    EXPECT_EQ(zip.ErrorCode, 11048);
    EXPECT_EQ(fake.files.DiskLabel("d999"), "PKBACK# 999");
    EXPECT_EQ(fake.files.DiskFile("d999", "\\GAME.ZIP").size(), 100u);
}

TEST_F(Span, RefusedSourcesAndTargets) {
    zip.Unattended = true;
    const std::string good = Source({500, 700});
    const size_t dir = SpanLe32(good, good.size() - 6);
    auto at = [&](size_t pos, const std::string& bytes) { return std::string(good).replace(pos, bytes.size(), bytes); };
    struct Case {
        std::string source;  // "": none
        const char* target;
        int number;
    } cases[] = {
        {at(0, "PK\x03\x05"), "C:\\OUT\\D.ZIP", 11014},
        {at(dir, "PK\x01\x03"), "C:\\OUT\\D.ZIP", 11015},
        {at(dir + 46, "Q"), "C:\\OUT\\D.ZIP", 11026},  // a name no local header has
        {"no archive at all, just text", "C:\\OUT\\D.ZIP", 11036},
        {"", "C:\\OUT\\D.ZIP", 11001},
        {good, "A:\\GAME.ZIP", 11025},  // unattended never waits for a disk
    };
    for (const Case& c : cases) {
        fake.files.RemoveFile(kSource);
        if (!c.source.empty()) fake.files.AddFile(kSource, c.source);
        const std::string target = std::string(c.target) == "A:\\GAME.ZIP" ? c.target : "C:\\OUT\\D" + std::to_string(c.number) + ".ZIP";
        EXPECT_EQ(zip.WriteSpannedArchive(kSource, target), -7) << c.number;
        EXPECT_EQ(zip.ErrorCode, c.number);
    }
    EXPECT_TRUE(fake.dialogs.shown.empty());
    // A fixed drive needs nobody.
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "C:\\OUT\\ONE.ZIP"), 0) << zip.LastMessage;
    EXPECT_EQ(ViewSet({fake.files.Content("C:\\OUT\\ONE001.ZIP")}).error, "");
    EXPECT_EQ(TZipArchiver::NumberedPartName("C:\\X.D\\ARC", 12), "C:\\X.D\\ARC012");
    EXPECT_EQ(TZipArchiver::ReadingPartName("C:\\X\\ARC003.ZIP", 2), "C:\\X\\ARC002.ZIP");
    EXPECT_EQ(TZipArchiver::ReadingPartName("C:\\X\\AB.ZIP", 7), "C:\\X\\007.ZIP");
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
        zip.TempDir = "C:\\TMP";
        zip.AddOptions = {AddDiskSpan};
        zip.SetZipFileName("A:\\GAME.ZIP");
        g_archive = Source({1 << 20, 1 << 20});
        fake.files.RemoveFile(kSource);
    }
    ~SpanAdd() override { g_files = nullptr; }
    size_t TempFiles() {  // files the temporary folder still holds
        size_t n = 0;
        auto dir = fake.files.OpenDir("C:\\TMP");
        for (platform::DirEntry e; dir && dir->Next(e);) n += !(e.attr & platform::faDirectory);
        return n;
    }
};

TEST_F(SpanAdd, CancelAtEveryPromptEndsQuietly) {
    auto cancelNextDisk = [](TZipArchiver&, int32_t, int32_t, const std::string&, bool& a) { a = true; };
    auto cancelStatus = [](TZipArchiver&, int32_t, const std::string&, TZipDiskStatus, TZipDiskAction& a) {
        a = zdaCancel;
    };
    struct Case {
        const char* what;
        std::function<void()> arrange;
        size_t dialogs;  // shown, the last one answered with Cancel
    } cases[] = {
        {"first disk prompt", [&] { Answers({platform::mrCancel}); }, 1},
        {"second disk prompt", [&] { Answers({platform::mrOk, platform::mrCancel}); }, 2},
        {"overwrite question",
         [&] {
             Insert(2);
             fake.files.AddFile("A:\\GAME.ZIP", "x");
             Answers({platform::mrOk, platform::mrOk, platform::mrCancel});
         },
         3},
        {"no room", [&] { Disk(2).free = 100, Answers({platform::mrOk, platform::mrOk, platform::mrCancel}); }, 3},
        {"OnGetNextDisk abort", [&] { zip.OnGetNextDisk = cancelNextDisk; }, 0},
        {"OnStatusDisk cancel",
         [&] { fake.files.AddFile("A:\\GAME.ZIP", "x"), zip.OnStatusDisk = cancelStatus, Answers({platform::mrOk}); }, 1},
        {"Cancel set meanwhile",
         [&] {
             fake.app.onProcessMessages = [&] {
                 if (zip.Busy && fake.files.Exists("A:\\GAME.ZIP")) zip.Cancel = true;
             };
             Answers({platform::mrOk});
         },
         1},
    };
    for (const Case& c : cases) {
        fake.files.EjectDisk('A');
        for (auto& [name, disk] : made_) fake.files.NewDisk(name, kFloppy);
        Insert(1);
        fake.dialogs.shown.clear();
        fake.dialogs.script.clear();
        zip.OnGetNextDisk = nullptr;
        zip.OnStatusDisk = nullptr;
        fake.app.onProcessMessages = nullptr;
        c.arrange();
        zip.FSpecArgs = {"A.DAT", "B.DAT"};
        EXPECT_FALSE(zip.AddFiles()) << c.what;
        EXPECT_EQ(zip.SuccessCount, 0) << c.what;
        EXPECT_EQ(fake.dialogs.shown.size(), c.dialogs) << c.what;
        EXPECT_EQ(fake.dialogs.unexpected, 0) << c.what;
        EXPECT_EQ(zip.ErrorCode, 11007) << c.what;
        EXPECT_EQ(TempFiles(), 0u) << c.what;
        EXPECT_FALSE(zip.Busy) << c.what;
    }
    g_archive = "";  // the temporary archive goes when nothing was added
    fake.dialogs.shown.clear();
    zip.FSpecArgs = {"A.DAT"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 0);
    EXPECT_EQ(TempFiles(), 0u);
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(SpanAdd, EraseFormatsEachDiskWithItsLabel) {
    zip.AddOptions = {AddDiskSpanErase};
    zip.ConfirmErase = false;
    Insert(2);
    fake.files.AddFile("A:\\OLD.TXT", "alt");  // wiped by the format
    fake.diskFormat.results = {0, 0};
    Answers({platform::mrOk, platform::mrOk});
    zip.FSpecArgs = {"A.DAT", "B.DAT"};
    EXPECT_TRUE(zip.AddFiles());
    EXPECT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    EXPECT_EQ(zip.Contents.size(), 2u);  // read back from the last disk
    ASSERT_EQ(fake.diskFormat.calls.size(), 2u);
    EXPECT_EQ(fake.diskFormat.calls[0].drive, 0);
    EXPECT_EQ(fake.diskFormat.calls[0].label, "PKBACK# 001");
    EXPECT_EQ(fake.diskFormat.calls[1].label, "PKBACK# 002");
    EXPECT_FALSE(fake.diskFormat.calls[1].confirmErase);
    EXPECT_EQ(fake.files.DiskFiles("d2"), Texts{"\\GAME.ZIP"});
    // Cancelled, not available, failed: only the failure is shown.
    const std::pair<int, size_t> cases[] = {{platform::kFormatCancelled, 1}, {platform::kFormatNotRun, 1},
                                             {platform::kFormatError, 2}};
    for (auto [result, boxes] : cases) {
        fake.dialogs.shown.clear();
        fake.diskFormat.results = {result};
        Answers({platform::mrOk});
        if (boxes == 2) Answers({platform::mrOk});
        zip.FSpecArgs = {"A.DAT"};
        zip.AddFiles();
        EXPECT_EQ(zip.SuccessCount, 0) << result;
        EXPECT_EQ(zip.ErrorCode, 11007) << result;
        EXPECT_EQ(fake.dialogs.shown.size(), boxes) << result;
    }
}

}  // namespace
}  // namespace zk::test
