#include <gtest/gtest.h>

#include "common/error.h"
#include "platform/fake/fake_platform.h"
#include "ui/form.h"

namespace zk::ui {

using platform::DlgButton;
using platform::DlgType;

struct ControlsTest : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    Form form{platform, "Form1"};
    int fired = 0;
};

TEST_F(ControlsTest, CheckBoxFiresOnlyOnARealChange) {
    CheckBox box(&form, "box");
    box.OnClick = [&] { ++fired; };
    box.SetChecked(false);
    EXPECT_EQ(fired, 0);
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(fired, 1);
    box.Toggle();
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(fired, 2);
}

TEST_F(ControlsTest, EditConvertsCaseAndLimitsOnlyTyping) {
    Edit edit(&form, "edit");
    edit.OnChange = [&] { ++fired; };
    edit.charCase = CharCase::Upper;
    edit.maxLength = 4;
    edit.SetText("c:\\spiele\\zäh");  // the program is not limited
    EXPECT_EQ(edit.Text(), "C:\\SPIELE\\ZÄH");
    EXPECT_EQ(fired, 1);
    edit.SetText("C:\\SPIELE\\ZÄH");
    EXPECT_EQ(fired, 1);
    edit.Type("äbcdef");
    EXPECT_EQ(edit.Text(), "ÄBCD");  // four characters, not four bytes
    edit.charCase = CharCase::Lower;
    edit.SetText("X:\\ÖL");
    EXPECT_EQ(edit.Text(), "x:\\öl");
}

TEST_F(ControlsTest, TrackBarClampsAndFiresOnChange) {
    TrackBar bar(&form, "bar");
    bar.SetRange(1, 99);
    bar.OnChange = [&] { ++fired; };
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 99);
    bar.SetPosition(120);  // clamps to the same position: no event
    EXPECT_EQ(fired, 1);
    bar.SetPosition(0);
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(fired, 2);
}

TEST_F(ControlsTest, PerformSendsEscapedErrorsToTheErrorBox) {
    Button button(&form, "b");
    button.OnClick = [] { throw Error("kaputt"); };
    button.Perform([&] { button.Click(); });
    ASSERT_EQ(fake.app.errors.size(), 1u);
    EXPECT_EQ(fake.app.errors[0], "kaputt");
    // Outside Perform the error reaches the caller, as nested handler calls need.
    EXPECT_THROW(button.Click(), Error);
}

TEST_F(ControlsTest, FormEventsAndMainFormClose) {
    std::vector<std::string> log;
    form.OnCreate = [&] { log.push_back("create"); };
    form.OnShow = [&] { log.push_back("show"); };
    form.OnActivate = [&] { log.push_back("activate"); };
    form.OnClose = [&] { log.push_back("close"); };
    form.Created();
    form.Show();
    form.Show();  // already visible and active: nothing more
    EXPECT_TRUE(form.Active());
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(fake.app.quitPosted, 0);
    form.isMainForm = true;
    form.Show();
    form.Close();
    EXPECT_EQ(fake.app.quitPosted, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "activate", "close", "show", "activate", "close"}));
}

TEST_F(ControlsTest, EditEntersWhenFocused) {
    Edit a(&form, "a"), b(&form, "b");
    b.OnEnter = [&] { ++fired; };
    b.SetFocus();
    b.SetFocus();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(b.Focused());
    a.SetFocus();
    EXPECT_FALSE(b.Focused());
}

TEST_F(ControlsTest, TimersFireOnTheTestClock) {
    Timer timer(form, "Timer1");
    std::vector<unsigned long long> ticks;
    timer.SetInterval(10);
    timer.OnTimer = [&] {
        ticks.push_back(fake.timers.now);
        if (timer.Tag() == 0) {
            timer.SetInterval(3500);
            timer.SetTag(1);
        } else {
            timer.SetEnabled(false);
        }
    };
    timer.SetEnabled(true);
    fake.timers.Advance(9);
    EXPECT_TRUE(ticks.empty());
    fake.timers.Advance(10000);
    EXPECT_EQ(ticks, (std::vector<unsigned long long>{10, 3510}));
    EXPECT_EQ(fake.timers.Count(), 0u);
}

TEST_F(ControlsTest, MessageDialogsTitlesButtonsDefaultAndCancel) {
    fake.dialogs.Answer(platform::mrIgnore);
    int r = MessageDlg(platform, "Text", DlgType::Confirmation, {DlgButton::OK, DlgButton::Cancel, DlgButton::Ignore}, 0);
    EXPECT_EQ(r, platform::mrIgnore);
    const auto& d = fake.dialogs.shown.back();
    EXPECT_EQ(d.title, "Bestätigung");
    EXPECT_EQ(d.captions, (std::vector<std::string>{"OK", "Abbrechen", "&Ignorieren"}));
    EXPECT_EQ(d.defaultIndex, 0);
    EXPECT_EQ(d.cancelIndex, 1);

    struct { DlgType type; std::vector<DlgButton> buttons; const char* title; int def; int cancel; } cases[] = {
        {DlgType::Warning, {DlgButton::Yes, DlgButton::No}, "Warnung", 0, 1},
        {DlgType::Error, {DlgButton::OK, DlgButton::Help}, "Fehler", 0, 0},
        {DlgType::Information, {DlgButton::OK}, "Information", 0, 0},
        {DlgType::Confirmation, {DlgButton::Abort, DlgButton::Retry, DlgButton::Ignore}, "Bestätigung", -1, -1},
    };
    for (auto& c : cases) {
        fake.dialogs.Answer(platform::mrOk);
        MessageDlg(platform, "x", c.type, c.buttons, 5);
        const auto& s = fake.dialogs.shown.back();
        EXPECT_EQ(s.title, c.title);
        EXPECT_EQ(s.defaultIndex, c.def) << c.title;
        EXPECT_EQ(s.cancelIndex, c.cancel) << c.title;
        EXPECT_EQ(s.helpContext, 5);
    }
    EXPECT_EQ(ButtonCaption(DlgButton::Abort), "&Abbrechen");
    EXPECT_EQ(ButtonCaption(DlgButton::Yes), "&Ja");
    EXPECT_EQ(ButtonCaption(DlgButton::No), "&Nein");
    EXPECT_EQ(ButtonCaption(DlgButton::Help), "&Hilfe");
}

}  // namespace zk::ui
