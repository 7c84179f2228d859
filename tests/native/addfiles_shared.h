// AddFiles with the real zip library, the same cases natively (the library
// linked in behind the fake run-time libraries) and under Wine (ZKZIP.DLL
// loaded for real). Each build brings an environment Env, a gtest fixture
// with:
//   zip, messages (a vector), dirUpdates (count of OnDirUpdate)
//   Write(rel, content), Bytes(rel)  files of the current folder ("/" in rel)
//   Unreadable(rel)                  the next add cannot read that file
//   LibraryLoaded()                  whether ZKZIP.DLL is held at the moment
// and instantiates the suite with INSTANTIATE_TYPED_TEST_SUITE_P.
#pragma once
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "archiver/ZipArch.h"
#include "zkzip/zkzip.h"

namespace zk::test {

template <typename Env>
class AddFilesShared : public Env {
protected:
    void SetUp() override {
        Env::SetUp();
        this->zip.Unattended = true;
        this->zip.AddOptions = {AddDirNames};
        this->Write("ZANTORIK.EXE", std::string(5000, 'M') + "ZANTORIK");
        std::string text;
        for (int i = 0; i < 300; ++i) text += "Zeile " + std::to_string(i) + " des Themas\n";
        this->Write("TEXTE/THEMA.{1}", text);
        this->Write("TEXTE/THEMA.{2}", "zwei");
        // Relative: the library and the component find it in the current folder.
        this->zip.SetZipFileName("GAME.ZIP");
        this->messages.clear();
        this->dirUpdates = 0;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& e : this->zip.Contents) out.push_back(e.FileName);
        return out;
    }
    // What AddFiles answered is kept in `added`.
    void Add(std::vector<std::string> specs) {
        this->zip.FSpecArgs = std::move(specs);
        added = this->zip.AddFiles();
    }
    bool added = false;
};

TYPED_TEST_SUITE_P(AddFilesShared);

TYPED_TEST_P(AddFilesShared, NewArchiveGrowsOneCallAtATime) {
    auto& zip = this->zip;
    this->Add({"TEXTE\\THEMA.{1}"});
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_TRUE(this->added);
    EXPECT_EQ(this->Names(), std::vector<std::string>{"TEXTE\\THEMA.{1}"});
    EXPECT_EQ(this->dirUpdates, 1);
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_FALSE(this->LibraryLoaded());

    this->Add({"ZANTORIK.EXE", "TEXTE\\THEMA.{2}"});
    EXPECT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE", "TEXTE\\THEMA.{2}"}));
    EXPECT_EQ(this->dirUpdates, 2);
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[0].UncomprSize, this->Bytes("TEXTE/THEMA.{1}").size());
    EXPECT_LT(zip.Contents[0].ComprSize, zip.Contents[0].UncomprSize);
    EXPECT_EQ(zip.Contents[1].UncomprSize, 5008u);
    EXPECT_FALSE(this->LibraryLoaded());
    EXPECT_FALSE(zip.Busy);
}

TYPED_TEST_P(AddFilesShared, PasswordSuffixEncryptsOnlyThatEntry) {
    auto& zip = this->zip;
    this->Add({"ZANTORIK.EXE<geheim", "TEXTE\\THEMA.{2}", ">TEXTE\\THEMA.{1}<"});
    ASSERT_EQ(zip.SuccessCount, 3) << zip.LastMessage;
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[0].FileName, "ZANTORIK.EXE");
    EXPECT_TRUE(zip.Contents[0].Encrypted);
    EXPECT_FALSE(zip.Contents[1].Encrypted);
    EXPECT_FALSE(zip.Contents[2].Encrypted);
}

TYPED_TEST_P(AddFilesShared, FailedAddLeavesTheArchiveAlone) {
    auto& zip = this->zip;
    this->Add({"ZANTORIK.EXE"});
    ASSERT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    const std::string before = this->Bytes("GAME.ZIP");
    const int updates = this->dirUpdates;
    this->Unreadable("TEXTE/THEMA.{2}");
    this->Add({"TEXTE\\THEMA.{1}", "TEXTE\\THEMA.{2}"});
    EXPECT_LE(zip.SuccessCount, 0);
    EXPECT_FALSE(this->added);
    EXPECT_TRUE(this->Bytes("GAME.ZIP") == before) << "archive changed";
    EXPECT_EQ(zip.ErrorCode, zkzip::kErrOpen) << zip.LastMessage;
    EXPECT_NE(zip.LastMessage.find("THEMA.{2}"), std::string::npos) << zip.LastMessage;
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(this->dirUpdates, updates);  // not re-read
    EXPECT_EQ(zip.Contents.size(), 1u);
}

TYPED_TEST_P(AddFilesShared, CancelFromAProgressEventStopsTheAdd) {
    auto& zip = this->zip;
    this->Add({"ZANTORIK.EXE"});
    ASSERT_EQ(zip.SuccessCount, 1);
    const std::string before = this->Bytes("GAME.ZIP");
    int starts = 0;
    zip.OnProgress = [&](TZipArchiver& z, ProgressType t, const std::string&, int32_t) {
        if (t == ProgressFileStart && ++starts == 1) z.Cancel = true;
    };
    this->Add({"TEXTE\\THEMA.{1}", "TEXTE\\THEMA.{2}"});
    EXPECT_LE(zip.SuccessCount, 0);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(zip.ErrorCode, zkzip::kErrCancel) << zip.LastMessage;
    EXPECT_TRUE(this->Bytes("GAME.ZIP") == before);
    EXPECT_FALSE(zip.Cancel);
    EXPECT_FALSE(zip.Busy);

    // The next add runs normally: Cancel is cleared at its start too.
    zip.OnProgress = nullptr;
    zip.Cancel = true;
    this->Add({"TEXTE\\THEMA.{2}"});
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(this->Names(), (std::vector<std::string>{"ZANTORIK.EXE", "TEXTE\\THEMA.{2}"}));
}

TYPED_TEST_P(AddFilesShared, BusyDuringTheRunAndASecondAddDoesNothing) {
    auto& zip = this->zip;
    std::vector<bool> busy;
    bool nested = false;
    zip.OnProgress = [&](TZipArchiver& z, ProgressType, const std::string&, int32_t) {
        busy.push_back(z.Busy);
        if (!nested) {
            nested = true;
            size_t before = this->messages.size();
            EXPECT_FALSE(z.AddFiles());  // finds Busy set
            EXPECT_EQ(this->messages.size(), before);
            EXPECT_EQ(z.FSpecArgs.size(), 2u);
        }
    };
    EXPECT_FALSE(zip.Busy);
    this->Add({"ZANTORIK.EXE", "TEXTE\\THEMA.{2}"});
    EXPECT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    ASSERT_FALSE(busy.empty());
    for (bool b : busy) EXPECT_TRUE(b);
    EXPECT_FALSE(zip.Busy);
    EXPECT_EQ(zip.Contents.size(), 2u);
}

TYPED_TEST_P(AddFilesShared, HandlerExceptionIsReportedAndTheAddCleansUp) {
    auto& zip = this->zip;
    this->Add({"TEXTE\\THEMA.{2}"});
    ASSERT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    const std::string before = this->Bytes("GAME.ZIP");
    zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) {
        throw std::runtime_error("Abbruch im Ereignis");
    };
    this->Add({"ZANTORIK.EXE"});
    EXPECT_EQ(zip.ErrorCode, 10101);
    EXPECT_NE(zip.LastMessage.find("Abbruch im Ereignis"), std::string::npos) << zip.LastMessage;
    EXPECT_TRUE(this->Bytes("GAME.ZIP") == before);
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_FALSE(zip.Busy);
    EXPECT_FALSE(this->LibraryLoaded());
}

// Without folder names two files of one name would collapse into one entry:
// the second is left out, reported as message 10306 and not counted.
TYPED_TEST_P(AddFilesShared, AFileLeftOutIsReportedAndNotCounted) {
    auto& zip = this->zip;
    zip.AddOptions = {};
    this->Write("ANDERE/THEMA.{2}", "andere");
    this->Add({"TEXTE\\THEMA.{2}", "ANDERE\\THEMA.{2}"});
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(this->Names(), std::vector<std::string>{"THEMA.{2}"});
    EXPECT_EQ(zip.ErrorCode, 10306);
    EXPECT_NE(zip.LastMessage.find("1 file(s) not added"), std::string::npos) << zip.LastMessage;
    EXPECT_NE(zip.LastMessage.find("THEMA.{2} (THEMA.{2})"), std::string::npos) << zip.LastMessage;
    EXPECT_FALSE(this->messages.empty());
}

REGISTER_TYPED_TEST_SUITE_P(AddFilesShared, NewArchiveGrowsOneCallAtATime, PasswordSuffixEncryptsOnlyThatEntry,
                            FailedAddLeavesTheArchiveAlone, CancelFromAProgressEventStopsTheAdd,
                            BusyDuringTheRunAndASecondAddDoesNothing, HandlerExceptionIsReportedAndTheAddCleansUp,
                            AFileLeftOutIsReportedAndNotCounted);

}  // namespace zk::test
