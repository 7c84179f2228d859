#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "setup/Dirlog.h"

namespace zk::test {

struct Chooser : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    // Stands in for the setup window and its two path fields.
    ui::Form setup{platform, "Form1"};
    ui::Edit Edit1{&setup, "Edit1"}, Edit2{&setup, "Edit2"};
    TGetDirDialog dialog{platform};
    const std::string notReady = "Laufwerk nicht bereit!\n\rÜberprüfen Sie den Datenträger.";

    Chooser() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "unexpected dialog: " << r.text; };
        setup.SetBounds(100, 50, 426, 220);
        Edit1.SetBounds(8, 32, 385, 24);
        Edit2.SetBounds(8, 72, 385, 24);
        Edit1.charCase = Edit2.charCase = ui::CharCase::Lower;
        fake.files.Drive('C').label = "SYSTEM";
        fake.files.AddDir("C:\\SPIELE\\Zantorik\\TEXTE");
        fake.files.AddDir("C:\\WINDOWS");
        fake.files.Drive('A').type = platform::DriveType::Removable;
        fake.files.Drive('A').ready = false;
        fake.files.Drive('Q').label = "DATEN";
        DialogMode = 0;
    }
    void OpenSource() { dialog.OpenFor(1, setup, Edit1); }
    void OpenTarget() { dialog.OpenFor(2, setup, Edit2); }
};

TEST_F(Chooser, OpensBelowTheSourceFieldOnItsFolderAndWritesTheChoiceBack) {
    Edit1.SetText("c:\\spiele\\zantorik\\");
    setup.borderWidth = 2;
    OpenSource();
    EXPECT_EQ(DialogMode, 1);
    EXPECT_TRUE(dialog.Active());
    EXPECT_EQ(dialog.Caption(), "Quellordner wählen!");
    EXPECT_EQ(dialog.GetBounds().left, 100 + 8 + 2 + 5);
    EXPECT_EQ(dialog.GetBounds().top, 50 + 32 + 24 + 2);
    EXPECT_EQ(dialog.DriveBox.Drive(), 'c');
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\spiele\\zantorik");
    ASSERT_TRUE(dialog.DirBox.SetDirectory("C:\\SPIELE\\Zantorik\\TEXTE"));  // the user clicks it
    dialog.Nimms.Click();
    EXPECT_EQ(Edit1.Text(), "c:\\spiele\\zantorik\\texte");
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(Chooser, ATargetFolderThatIsMissingOpensAtItsDriveRoot) {
    Edit1.SetText("c:\\windows");
    Edit2.SetText("q:\\nichts");
    OpenTarget();
    EXPECT_EQ(DialogMode, 2);
    EXPECT_EQ(dialog.Caption(), "Zielordner wählen!");
    EXPECT_EQ(dialog.GetBounds().top, 50 + 72 + 24);
    EXPECT_EQ(dialog.DriveBox.Drive(), 'q');
    dialog.Nimms.Click();
    EXPECT_EQ(Edit2.Text(), "q:\\");  // a root keeps its backslash
    EXPECT_EQ(Edit1.Text(), "c:\\windows");
}

// The drive list switches the tree to the root of the drive chosen; a
// floppy without disk says so and leaves the tree where it was.
TEST_F(Chooser, DriveBoxSwitchesTheTreeOrSaysTheDriveIsNotReady) {
    Edit2.SetText("c:\\windows");
    OpenTarget();
    EXPECT_EQ(dialog.DriveBox.Items(), (std::vector<std::string>{"a:", "c: [SYSTEM]", "q: [DATEN]"}));
    EXPECT_TRUE(dialog.DriveBox.Select(2));
    EXPECT_EQ(dialog.DirBox.Directory(), "q:\\");
    EXPECT_TRUE(dialog.DriveBox.Select(1));
    fake.dialogs.Answer(platform::mrOk);
    EXPECT_TRUE(dialog.DriveBox.Select(0));
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, notReady);
    EXPECT_EQ(fake.dialogs.shown[0].type, platform::DlgType::Error);
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\");
    fake.files.Drive('A').ready = true;
    EXPECT_TRUE(dialog.DriveBox.Select(1));
    EXPECT_TRUE(dialog.DriveBox.Select(0));
    EXPECT_EQ(dialog.DirBox.Directory(), "a:\\");
    // The multi-copy box puts a:\ into the field: opening on it without a
    // disk says so once more.
    EXPECT_TRUE(dialog.DriveBox.Select(1));
    fake.files.Drive('A').ready = false;
    dialog.Hide();
    Edit2.SetText("a:\\");
    fake.dialogs.Answer(platform::mrOk);
    OpenTarget();
    EXPECT_EQ(fake.dialogs.shown.size(), 2u);
    EXPECT_TRUE(dialog.Visible());
}

TEST_F(Chooser, AnEmptyFieldKeepsWhatTheChooserShowedLast) {
    Edit1.SetText("c:\\windows");
    OpenSource();
    dialog.Hide();
    OpenTarget();
    EXPECT_EQ(dialog.DriveBox.Drive(), 'c');
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\windows");
}

TEST_F(Chooser, ActivationFollowsTheFieldOfTheMode) {
    Edit1.SetText("c:\\windows");
    OpenSource();
    setup.Activate();
    Edit1.SetText("c:\\spiele");
    dialog.Activate();
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\spiele");
    setup.Activate();
    Edit1.SetText("q:\\daten");  // missing: the tree goes to its drive's root
    dialog.Activate();
    EXPECT_EQ(dialog.DriveBox.Drive(), 'q');
    EXPECT_EQ(dialog.DirBox.Directory(), "q:\\");
}

}  // namespace zk::test
