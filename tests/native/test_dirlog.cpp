#include <gtest/gtest.h>

#include "launcher/Unit1.h"
#include "platform/fake/fake_platform.h"
#include "setup/Dirlog.h"

namespace zk::test {

using platform::DlgButton;
using platform::DlgType;

struct Chooser : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    // Stands in for the setup window and its two path fields.
    ui::Form setup{platform, "Form1"};
    ui::Edit Edit1{&setup, "Edit1"}, Edit2{&setup, "Edit2"};
    TGetDirDialog dialog{platform};

    Chooser() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        setup.SetBounds(100, 50, 426, 220);
        Edit1.SetBounds(8, 32, 385, 24);
        Edit2.SetBounds(8, 72, 385, 24);
        Edit1.charCase = Edit2.charCase = ui::CharCase::Lower;
        auto& c = fake.files.Drive('C');
        c.label = "SYSTEM";
        fake.files.AddDir("C:\\SPIELE\\Zantorik\\TEXTE");
        fake.files.AddDir("C:\\WINDOWS");
        auto& a = fake.files.Drive('A');
        a.type = platform::DriveType::Removable;
        a.ready = false;
        fake.files.Drive('Q').label = "DATEN";
        DialogMode = 0;
    }
    void OpenSource() { dialog.OpenFor(1, setup, Edit1); }
    void OpenTarget() { dialog.OpenFor(2, setup, Edit2); }
};

TEST_F(Chooser, WindowAndControls) {
    EXPECT_EQ(dialog.Caption(), "Ordner wählen!");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(dialog.ClientWidth(), 145);
    EXPECT_EQ(dialog.ClientHeight(), 217);
    EXPECT_EQ(dialog.borderStyle, ui::BorderStyle::ToolWindow);
    EXPECT_TRUE(dialog.borderIcons.systemMenu);
    EXPECT_FALSE(dialog.borderIcons.minimize || dialog.borderIcons.maximize);
    EXPECT_EQ(dialog.GetFont().height, 11);
    struct Place {
        ui::Control& c;
        int top, height;
    } places[] = {{dialog.DriveBox, 0, 19}, {dialog.DirBox, 24, 161}, {dialog.Nimms, 192, 25}};
    for (const Place& p : places) {
        EXPECT_EQ(p.c.GetBounds().left, 0) << p.c.Name();
        EXPECT_EQ(p.c.GetBounds().top, p.top) << p.c.Name();
        EXPECT_EQ(p.c.GetBounds().width, 145) << p.c.Name();
        EXPECT_EQ(p.c.GetBounds().height, p.height) << p.c.Name();
    }
    EXPECT_EQ(dialog.Nimms.Caption(), "Übernehmen!");
    EXPECT_EQ(dialog.ActiveControl(), &dialog.DirBox);
    EXPECT_EQ(dialog.DirBox.itemHeight, 13);
}

TEST_F(Chooser, OpensBelowTheSourceFieldOnItsFolderAndWritesTheChoiceBack) {
    Edit1.SetText("c:\\spiele\\zantorik\\");
    setup.borderWidth = 2;
    OpenSource();
    EXPECT_EQ(DialogMode, 1);
    EXPECT_TRUE(dialog.Visible());
    EXPECT_TRUE(dialog.Active());
    EXPECT_EQ(dialog.Caption(), "Quellordner wählen!");
    EXPECT_EQ(dialog.GetBounds().left, 100 + 8 + 2 + 5);
    EXPECT_EQ(dialog.GetBounds().top, 50 + 32 + 24 + 2);
    EXPECT_EQ(dialog.DriveBox.Drive(), 'c');
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\spiele\\zantorik");
    dialog.Nimms.Click();
    EXPECT_EQ(Edit1.Text(), "c:\\spiele\\zantorik");
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(Chooser, ATargetFolderThatIsMissingOpensAtItsDriveRoot) {
    Edit1.SetText("c:\\windows");
    Edit2.SetText("q:\\nichts");
    OpenTarget();
    EXPECT_EQ(DialogMode, 2);
    EXPECT_EQ(dialog.Caption(), "Zielordner wählen!");
    EXPECT_EQ(dialog.GetBounds().top, 50 + 72 + 24);
    EXPECT_EQ(dialog.DriveBox.Drive(), 'q');
    EXPECT_EQ(dialog.DirBox.Directory(), "q:\\");
    dialog.Nimms.Click();
    EXPECT_EQ(Edit2.Text(), "q:\\");  // a root keeps its backslash
    EXPECT_EQ(Edit1.Text(), "c:\\windows");
}

TEST_F(Chooser, AChosenFolderComesBackInLowerCase) {
    Edit1.SetText("c:\\");
    OpenSource();
    EXPECT_EQ(dialog.DirBox.SubFolders("c:\\"), (std::vector<std::string>{"SPIELE", "WINDOWS"}));
    EXPECT_EQ(dialog.DirBox.SubFolders("c:\\SPIELE"), std::vector<std::string>{"Zantorik"});
    ASSERT_TRUE(dialog.DirBox.SetDirectory("C:\\SPIELE\\Zantorik\\"));  // the user clicks it
    dialog.Nimms.Click();
    EXPECT_EQ(Edit1.Text(), "c:\\spiele\\zantorik");
}

TEST_F(Chooser, DriveBoxListsTheDrivesAndSwitchesTheTree) {
    Edit2.SetText("c:\\windows");
    OpenTarget();
    EXPECT_EQ(dialog.DriveBox.Items(), (std::vector<std::string>{"a:", "c: [SYSTEM]", "q: [DATEN]"}));
    EXPECT_TRUE(dialog.DriveBox.Select(2));
    EXPECT_EQ(dialog.DirBox.Directory(), "q:\\");
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_FALSE(dialog.DriveBox.SetDrive('x'));  // no such drive
    EXPECT_EQ(dialog.DriveBox.Drive(), 'q');
}

TEST_F(Chooser, AFloppyWithoutDiskIsNotReady) {
    Edit2.SetText("c:\\windows");
    OpenTarget();
    fake.dialogs.Answer(platform::mrOk);
    EXPECT_TRUE(dialog.DriveBox.Select(0));
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& d = fake.dialogs.shown[0];
    EXPECT_EQ(d.text, "Laufwerk nicht bereit!\n\rÜberprüfen Sie den Datenträger.");
    EXPECT_EQ(d.type, DlgType::Error);
    EXPECT_EQ(d.buttons, std::vector<DlgButton>{DlgButton::OK});
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\windows");  // the tree stays where it was
    // With a disk in, the same choice works.
    fake.files.Drive('A').ready = true;
    EXPECT_TRUE(dialog.DriveBox.Select(1));
    EXPECT_TRUE(dialog.DriveBox.Select(0));
    EXPECT_EQ(dialog.DirBox.Directory(), "a:\\");
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
}

TEST_F(Chooser, AnEmptyFieldKeepsWhatTheChooserShowedLast) {
    Edit1.SetText("c:\\windows");
    OpenSource();
    dialog.Hide();
    Edit2.SetText("");
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
    // A field on another drive: the tree follows, then the selector; its
    // change takes the tree to that drive's root.
    setup.Activate();
    Edit1.SetText("q:\\");
    fake.files.AddDir("Q:\\DATEN");
    Edit1.SetText("q:\\daten");
    dialog.Activate();
    EXPECT_EQ(dialog.DriveBox.Drive(), 'q');
    EXPECT_EQ(dialog.DirBox.Directory(), "q:\\");
    EXPECT_EQ(DialogMode, 1);
}

TEST_F(Chooser, HiddenFromOutsideWithoutWritingAnything) {
    Edit2.SetText("c:\\windows");
    OpenTarget();
    dialog.DirBox.SetDirectory("c:\\spiele");
    dialog.HideIfVisible();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(Edit2.Text(), "c:\\windows");
    EXPECT_EQ(DialogMode, 2);  // kept while hidden
    dialog.HideIfVisible();
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(Chooser, TheLauncherHidesItWhenItBecomesActive) {
    fake.files.AddDir("C:\\SPIELE\\ZANTORIK");
    LauncherSeams seams;
    seams.hideFolderChooser = [this] { dialog.HideIfVisible(); };
    TFormStart launcher(platform, seams);
    launcher.Created();
    Edit1.SetText("c:\\windows");
    OpenSource();
    ASSERT_TRUE(dialog.Visible());
    launcher.Show();
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(Edit1.Text(), "c:\\windows");
}

TEST_F(Chooser, FolderTreeRejectsWhatDoesNotExist) {
    ui::FolderTree& t = dialog.DirBox;
    EXPECT_TRUE(t.SetDirectory("c:/spiele//zantorik/"));
    EXPECT_EQ(t.Directory(), "c:\\spiele\\zantorik");
    EXPECT_EQ(t.Drive(), 'c');
    for (const char* bad : {"c:\\nichts", "", "spiele", "x:\\", "a:\\", "c:relativ"}) {
        EXPECT_FALSE(t.SetDirectory(bad)) << bad;
        EXPECT_EQ(t.Directory(), "c:\\spiele\\zantorik") << bad;
    }
    EXPECT_FALSE(t.SetDrive('a'));
    EXPECT_TRUE(t.SetDrive('Q'));
    EXPECT_EQ(t.Directory(), "q:\\");
    // Asking a drive keeps the system's "no disk" box away.
    EXPECT_EQ(fake.files.errorMode, 0u);
    EXPECT_FALSE(fake.files.errorModes.empty());
    EXPECT_EQ(fake.files.errorModes.front(), platform::kFailCriticalErrors);
}

}  // namespace zk::test

namespace zk::test {

// The multi-copy box puts a:\ into the target field; opening the chooser
// on it without a disk says so once and leaves the tree as it was.
TEST_F(Chooser, OpeningOnAFloppyWithoutDisk) {
    Edit2.SetText("c:\\windows");
    OpenTarget();
    dialog.Hide();
    Edit2.SetText("a:\\");
    fake.dialogs.Answer(platform::mrOk);
    OpenTarget();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, "Laufwerk nicht bereit!\n\rÜberprüfen Sie den Datenträger.");
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\windows");
    EXPECT_TRUE(dialog.Visible());
}

}  // namespace zk::test
