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

TEST_F(ControlsTest, ChangesFireOnlyWhenTheValueChanges) {
    CheckBox box(&form, "box");
    Edit edit(&form, "edit");
    TrackBar bar(&form, "bar");
    bar.SetRange(1, 99);
    box.OnClick = edit.OnChange = bar.OnChange = [&] { ++fired; };
    box.SetChecked(false);
    box.SetChecked(true);
    box.SetChecked(true);
    box.Toggle();
    EXPECT_EQ(fired, 2);
    EXPECT_FALSE(box.Checked());
    edit.SetText("a");
    edit.SetText("a");
    EXPECT_EQ(fired, 3);
    bar.SetPosition(150);  // clamped to 99
    bar.SetPosition(120);  // clamps to the same position: no event
    EXPECT_EQ(bar.Position(), 99);
    bar.SetPosition(0);
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(fired, 5);
}

TEST_F(ControlsTest, EditConvertsCaseAndLimitsOnlyTyping) {
    Edit edit(&form, "edit");
    edit.charCase = CharCase::Upper;
    edit.maxLength = 4;
    edit.SetText("c:\\spiele\\zäh");  // the program is not limited
    EXPECT_EQ(edit.Text(), "C:\\SPIELE\\ZÄH");
    edit.Type("äbcdef");
    EXPECT_EQ(edit.Text(), "ÄBCD");  // four characters, not four bytes
    edit.charCase = CharCase::Lower;
    edit.SetText("X:\\ÖL");
    EXPECT_EQ(edit.Text(), "x:\\öl");
}

TEST_F(ControlsTest, PerformSendsEscapedErrorsToTheErrorBox) {
    Button button(&form, "b");
    button.OnClick = [] { throw Error("kaputt"); };
    button.Perform([&] { button.Click(); });
    EXPECT_EQ(fake.app.errors, std::vector<std::string>{"kaputt"});
    // Outside Perform the error reaches the caller, as nested handler calls need.
    EXPECT_THROW(button.Click(), Error);
}

TEST_F(ControlsTest, FormEventsFocusAndMainFormClose) {
    std::string log;
    Edit a(&form, "a"), b(&form, "b");
    for (auto [event, name] : {std::pair{&b.OnEnter, "enter "}, {&form.OnCreate, "create "}, {&form.OnShow, "show "},
                               {&form.OnActivate, "activate "}, {&form.OnClose, "close "}})
        *event = [&log, name = name] { log += name; };
    form.Created();
    form.Show();
    form.Show();  // already visible and active: nothing more
    b.SetFocus();
    b.SetFocus();
    a.SetFocus();
    EXPECT_FALSE(b.Focused());
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(fake.app.quitPosted, 0);
    form.isMainForm = true;
    form.Show();
    form.Close();
    EXPECT_EQ(fake.app.quitPosted, 1);
    EXPECT_EQ(log, "create show activate enter close show activate close ");
}

TEST_F(ControlsTest, MessageDialogsTitlesDefaultAndCancelButtons) {
    struct { DlgType type; std::vector<DlgButton> buttons; const char* title; int def, cancel; } cases[] = {
        {DlgType::Confirmation, {DlgButton::OK, DlgButton::Cancel, DlgButton::Ignore}, "Bestätigung", 0, 1},
        {DlgType::Warning, {DlgButton::Yes, DlgButton::No}, "Warnung", 0, 1},
        {DlgType::Error, {DlgButton::Help, DlgButton::OK}, "Fehler", 1, 1},
        {DlgType::Confirmation, {DlgButton::Abort, DlgButton::Retry, DlgButton::Ignore}, "Bestätigung", -1, -1},
    };
    for (auto& c : cases) {
        fake.dialogs.Answer(platform::mrIgnore);
        EXPECT_EQ(MessageDlg(platform, "x", c.type, c.buttons, 5), platform::mrIgnore);
        const auto& s = fake.dialogs.shown.back();
        EXPECT_EQ(s.title, c.title);
        EXPECT_EQ(s.defaultIndex, c.def) << c.title;
        EXPECT_EQ(s.cancelIndex, c.cancel) << c.title;
        EXPECT_EQ(s.helpContext, 5);
    }
    EXPECT_EQ(fake.dialogs.shown[0].captions, (std::vector<std::string>{"OK", "Abbrechen", "&Ignorieren"}));
}

}  // namespace zk::ui
