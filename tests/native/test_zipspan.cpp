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
        fake.files.logIo = false, Insert(1);
        // The user puts in the disk each prompt names (a blank one when it is new).
        fake.dialogs.onShow = [this](const DialogRequest& r) { if (int n = PromptedDisk(r.text)) Insert(n); };
    }
    void Insert(int n) {  // a new disk is blank
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
    void Answers(std::initializer_list<int> answers) { for (int a : answers) fake.dialogs.Answer(a); }
    std::set<std::string> made_;
};

TEST_F(Span, ThreeMegabytesOntoFloppies) {
    const std::string source = Source({1 << 20, 1 << 20, 1 << 20});
    std::vector<int> steps;
    int64_t stepped = 0;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string&, int32_t n) {
        steps.push_back(t), stepped += t == ProgressStep ? n : 0;
    };
    Answers({platform::mrOk, platform::mrOk, platform::mrOk});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "A:\\GAME.ZIP"), 0) << zip.LastMessage;
    ASSERT_EQ(fake.dialogs.shown.size(), 3u);
    EXPECT_EQ(fake.dialogs.shown[1].text, "Please insert disk volume 2 of 3\r\nin drive: A:\\");
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(fake.files.DiskLabel("d" + std::to_string(i)), "PKBACK# 00" + std::to_string(i));
    EXPECT_FALSE(made_.count("d4"));
    const Texts parts = FloppyParts(3);
    const SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(parts[0].size() + parts[1].size(), 2 * kFloppy);
    // The local records are the source's bytes, cut where the disks end.
    const uint32_t dir = SpanLe32(source, source.size() - 6);
    EXPECT_TRUE(Joined(parts).substr(4, dir) == source.substr(0, dir) && Joined(parts).size() == source.size() + 4);
    EXPECT_EQ(stepped * 100 + steps.front() * 10 + steps.back(), int64_t(source.size()) * 100 + ProgressCount * 10 + ProgressEnd);
    EXPECT_EQ(fake.files.Stamp("A:\\GAME.ZIP"), fake.files.Stamp(kSource));  // every part has the source's date
    fake.dialogs.shown.clear();  // read back: the directory lies on the last disk, nothing is asked
    zip.SetZipFileName("A:\\GAME.ZIP");
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_TRUE(zip.Spanned() && fake.dialogs.shown.empty());
    EXPECT_EQ(zip.Contents[2].StartOnDisk, set.entries[2].disk);
}

TEST_F(Span, HeaderThatDoesNotFitStartsOnTheNextPart) {
    // Fixed drive: numbered parts, nobody asked. Disk 1 keeps 20 bytes after
    // the first entry, too few for the second header.
    const int32_t volume = 4 + 30 + 16 + 1000 + 20;
    zip.MaxVolumeSize = volume, zip.MinFreeVolumeSize = 0;
    Source({1000, 3000, 10});
    ASSERT_EQ(zip.WriteSpannedArchive(kSource, "C:\\OUT\\ARC.ZIP"), 0) << zip.LastMessage;
    const Texts parts = FixedParts("C:\\OUT\\ARC");
    ASSERT_GE(parts.size(), 4u);
    EXPECT_EQ(parts[0].size() * 10000 + parts[1].size(), (volume - 20) * 10000u + volume);  // the second entry's data runs on
    SetView set = ViewSet(parts);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(set.entries.at(1).disk * 10 + set.entries[1].offset, 10u);
    // The reader takes the numbered parts of the fixed drive by itself.
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    ASSERT_EQ(zip.Contents.size(), 3u) << zip.LastMessage;
    EXPECT_EQ(zip.Contents[1].StartOnDisk * 10 + zip.Contents[1].RelOffLocalHdr, 10u);
    // A part that is missing stops the read at once.
    zip.Unattended = true;
    fake.files.RemoveFile(Part("C:\\OUT\\ARC", static_cast<int>(set.dirDisk) + 1));
    zip.SetZipFileName(Part("C:\\OUT\\ARC", static_cast<int>(parts.size())));
    EXPECT_EQ(zip.ErrorCode + zip.ZipFileName().size(), 11001u);
}

TEST_F(Span, NoThousandthDisk) {
    zip.Unattended = true, zip.MaxVolumeSize = 100, zip.MinFreeVolumeSize = 0;
    const std::string source = Source({60000, 60000});
    EXPECT_EQ(zip.WriteSpannedArchive(kSource, "C:\\OUT\\BIG.ZIP"), -7);
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
        EXPECT_EQ(zip.WriteSpannedArchive(kSource, target), -7) << number;
        EXPECT_EQ(zip.ErrorCode, number);
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
        zip.TempDir = "C:\\TMP", zip.AddOptions = {AddDiskSpan};
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
    using platform::mrOk, platform::mrCancel;
    const std::pair<std::function<void()>, size_t> cases[] = {  // dialogs shown, the last one answered Cancel
        {[&] { Answers({mrCancel}); }, 1},  // the first disk prompt
        {[&] { Insert(2), fake.files.AddFile("A:\\GAME.ZIP", "x"), Answers({mrOk, mrOk, mrCancel}); }, 3},  // overwrite?
        {[&] { made_.insert("d2"), fake.files.NewDisk("d2", kFloppy).free = 100, Answers({mrOk, mrOk, mrCancel}); }, 3},
        {[&] { zip.OnGetNextDisk = [](TZipArchiver&, int32_t, int32_t, const std::string&, bool& a) { a = true; }; }, 0},
        {[&] {
             fake.files.AddFile("A:\\GAME.ZIP", "x"), Answers({mrOk});
             zip.OnStatusDisk = [](TZipArchiver&, int32_t, const std::string&, TZipDiskStatus, TZipDiskAction& a) { a = zdaCancel; };
         }, 1},
        {[&] {  // Cancel pressed meanwhile
             fake.app.onProcessMessages = [&] { if (zip.Busy && fake.files.Exists("A:\\GAME.ZIP")) zip.Cancel = true; };
             Answers({mrOk});
         }, 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        fake.files.EjectDisk('A');
        for (const auto& name : made_) fake.files.NewDisk(name, kFloppy);
        Insert(1);
        fake.dialogs.shown.clear(), fake.dialogs.script.clear();
        zip.OnGetNextDisk = nullptr, zip.OnStatusDisk = nullptr, fake.app.onProcessMessages = nullptr;
        cases[i].first();
        zip.FSpecArgs = {"A.DAT", "B.DAT"};
        EXPECT_FALSE(zip.AddFiles()) << "case " << i;
        EXPECT_EQ(zip.SuccessCount + fake.dialogs.unexpected, 0) << "case " << i;
        EXPECT_EQ(fake.dialogs.shown.size(), cases[i].second) << "case " << i;
        EXPECT_EQ(std::to_string(zip.ErrorCode) + " " + std::to_string(TempFiles()) + std::to_string(zip.Busy), "11007 00")
            << "case " << i;
    }
    g_archive = "";  // the temporary archive goes when nothing was added
    fake.dialogs.shown.clear();
    zip.FSpecArgs = {"A.DAT"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount + TempFiles() + fake.dialogs.shown.size(), 0u);
}

}  // namespace
}  // namespace zk::test
