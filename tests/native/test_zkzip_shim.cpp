// The zip library over each platform's file layer: built natively and for
// Windows, where it runs under Wine against the wide Win32 file functions.
#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

TEST_F(ZkZipTest, CreateAppendReplaceMoveWithUnicodeNamesAndDosTimes) {
    const std::string zip = dir.Path("Ärchiv.zip");
    const int64_t t = 1300000000;  // 2011-03-13, an even second
    dir.Write("TEXTE/THEMA.{1}", TextLike(300000, 50));
    dir.Write("Übung/Größe ß.txt", "Umlaute");
    dir.Write("rauschen.bin", RandomBytes(20000, 51));
    for (const char* f : {"TEXTE/THEMA.{1}", "Übung/Größe ß.txt", "rauschen.bin"}) SetMTime(dir.Path(f), t);
    dir.MakeDir("tmp");
    for (const char* spec : {"TEXTE\\THEMA.{1}", "Übung\\Größe ß.txt"}) ASSERT_EQ(Command(zip, {spec}, &rec).Run(), 1);
    const std::string before = dir.Read("Ärchiv.zip");
    Command append(zip, {"rauschen.bin"}, &rec);
    append.Raw().keepArchiveTime = -1;
    ASSERT_EQ(append.Run(), 1) << rec.Messages();
    ZipView v = ViewZip(zip);
    ASSERT_TRUE(v.ok) << v.error;
    // Appended in place: everything up to the old directory is unchanged.
    const uint64_t at = v.entries.at(2).localOffset;
    EXPECT_TRUE(dir.Read("Ärchiv.zip").substr(0, at) == before.substr(0, at));
    EXPECT_EQ(v.entries[2].dosTime, fs::DosDateTime(t));
    fs::Stat st;
    ASSERT_TRUE(fs::GetStat(zip, st));
    EXPECT_EQ(st.mtime, t);
    // Replaced through a temporary archive in TempDir, the source moved.
    dir.Write("TEXTE/THEMA.{1}", "ersetzt");
    Command replace(zip, {"TEXTE/THEMA.{1}"}, &rec);
    replace.Raw().noDirEntries = 0;
    replace.Raw().move = -1;
    replace.TempDir(dir.Path("tmp"));
    ASSERT_EQ(replace.Run(), 1) << rec.Messages();
    v = ViewZip(zip);
    EXPECT_EQ(v.Names(), (std::vector<std::string>{"Übung/Größe ß.txt", "rauschen.bin", "TEXTE/", "TEXTE/THEMA.{1}"}));
    std::string error;
    EXPECT_EQ(EntryData(zip, *v.Find("TEXTE/THEMA.{1}"), "", error), "ersetzt");
    EXPECT_EQ(EntryData(zip, *v.Find("Übung/Größe ß.txt"), "", error), "Umlaute");
    EXPECT_EQ(EntryData(zip, *v.Find("rauschen.bin"), "", error), RandomBytes(20000, 51));
    EXPECT_EQ(error, "");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"rauschen.bin", "Ärchiv.zip", "Übung/Größe ß.txt"}));
}

}  // namespace
}  // namespace zkzip::test
