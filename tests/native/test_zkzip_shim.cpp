// The zip library over each platform's file layer: built natively and for
// Windows, where it runs under Wine against the wide Win32 file functions.
#include <filesystem>

#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

class FileLayer : public ZkZipTest {
protected:
    void AddOk(const std::string& zip, std::vector<std::string> specs, int expected,
               std::function<void(Command&)> tune = nullptr) {
        Recorder r;
        Command c(zip, std::move(specs), &r);
        if (tune) tune(c);
        EXPECT_EQ(c.Run(), expected) << r.Messages();
    }
};

TEST_F(FileLayer, CreateAppendReplaceWithUnicodeNames) {
    const std::string zip = dir.Path("Ärchiv.zip");
    dir.Write("TEXTE/THEMA.{1}", TextLike(300000, 50));
    dir.Write("Übung/Größe ß.txt", "Umlaute");
    dir.Write("rauschen.bin", RandomBytes(20000, 51));
    AddOk(zip, {"TEXTE\\THEMA.{1}"}, 1);
    AddOk(zip, {"Übung\\Größe ß.txt"}, 1);
    std::string before = ReadFile(zip);
    AddOk(zip, {"rauschen.bin"}, 1);
    std::string after = ReadFile(zip);
    ZipView v = ViewZip(zip);
    ASSERT_TRUE(v.ok) << v.error;
    // Appended in place: everything up to the old directory is unchanged.
    EXPECT_EQ(after.substr(0, v.entries.at(2).offset), before.substr(0, v.entries.at(2).offset));
    dir.Write("TEXTE/THEMA.{1}", "ersetzt");
    AddOk(zip, {"TEXTE/THEMA.{1}"}, 1, [](Command& c) { c.Raw().noDirEntries = 0; });
    v = ViewZip(zip);
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.Names(), (std::vector<std::string>{"Übung/Größe ß.txt", "rauschen.bin", "TEXTE/", "TEXTE/THEMA.{1}"}));
    std::string error;
    EXPECT_EQ(EntryData(zip, *v.Find("TEXTE/THEMA.{1}"), "", error), "ersetzt");
    EXPECT_EQ(EntryData(zip, *v.Find("Übung/Größe ß.txt"), "", error), "Umlaute");
    EXPECT_EQ(EntryData(zip, *v.Find("rauschen.bin"), "", error), RandomBytes(20000, 51));
    EXPECT_EQ(error, "");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"TEXTE/THEMA.{1}", "rauschen.bin", "Ärchiv.zip",
                                                     "Übung/Größe ß.txt"}));
}

TEST_F(FileLayer, FailuresLeaveTheArchiveAsItWas) {
    dir.Write("a.txt", TextLike(100000, 52));
    dir.Write("b.bin", RandomBytes(40000, 53));
    AddOk(Zip(), {"a.txt", "b.bin"}, 2);
    const std::string original = ReadFile(Zip());
    dir.Write("neu.txt", TextLike(300000, 54));
    dir.Write("a.txt", TextLike(90000, 55));
    const std::vector<std::string> files = dir.Files();
    // Appending (neu.txt) works in place; replacing (a.txt) through a copy.
    for (auto specs : {std::vector<std::string>{"neu.txt"}, std::vector<std::string>{"neu.txt", "a.txt"}}) {
        for (int64_t room : {int64_t(0), int64_t(100), int64_t(5000), int64_t(20000)}) {
            Recorder r;
            fs::TestHooks().diskFree = room;
            EXPECT_EQ(Command(Zip(), specs, &r).Run(), 0) << room;
            fs::TestHooks().diskFree = -1;
            EXPECT_EQ(r.LastError(), kErrWrite) << r.Messages();
            EXPECT_TRUE(ReadFile(Zip()) == original) << specs.size() << " spec(s), room " << room;
            EXPECT_EQ(dir.Files(), files);
        }
        Recorder r;
        r.cancelAction = ZK_CB_FILE_END;
        r.cancelAt = int(specs.size());
        EXPECT_EQ(Command(Zip(), specs, &r).Run(), 0);
        EXPECT_EQ(r.LastError(), kErrCancel);
        EXPECT_TRUE(ReadFile(Zip()) == original);
        EXPECT_EQ(dir.Files(), files);
    }
    fs::TestHooks().failReadName = "neu.txt";
    fs::TestHooks().failReadAfter = 200000;
    Recorder r;
    EXPECT_EQ(Command(Zip(), {"neu.txt"}, &r).Run(), 0);
    EXPECT_EQ(r.LastError(), kErrRead) << r.Messages();
    EXPECT_TRUE(ReadFile(Zip()) == original);
}

TEST_F(FileLayer, TempDirAndMove) {
    dir.Write("a.txt", "alt");
    dir.Write("b.txt", "b");
    dir.MakeDir("tmp");
    AddOk(Zip(), {"a.txt", "b.txt"}, 2);
    dir.Write("a.txt", "neu");
    AddOk(Zip(), {"a.txt"}, 1, [&](Command& c) {
        c.TempDir(dir.Path("tmp"));
        c.Raw().move = -1;
    });
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"b.txt", "out.zip"}));
    EXPECT_EQ(Data("a.txt"), "neu");
}

TEST_F(FileLayer, DosTimesFollowTheFiles) {
    const int64_t t = 1300000000;  // 2011-03-13, an even second
    dir.Write("a.txt", "a", t);
    AddOk(Zip(), {"a.txt"}, 1, [](Command& c) { c.Raw().keepArchiveTime = -1; });
    ZipView v = View();
    ASSERT_EQ(v.entries.size(), 1u);
    EXPECT_EQ(v.entries[0].dosTime, fs::DosDateTime(t));
    EXPECT_EQ((v.entries[0].dosTime >> 25) + 1980, 2011u);
    fs::Stat st;
    ASSERT_TRUE(fs::GetStat(Zip(), st));
    EXPECT_EQ(st.mtime, t);
}

}  // namespace
}  // namespace zkzip::test
