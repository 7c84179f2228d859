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
    for (bool on : {false, true, true}) box.SetChecked(on);
    box.Toggle();
    EXPECT_TRUE(fired == 2 && !box.Checked());
    edit.SetText("a"), edit.SetText("a");
    EXPECT_EQ(fired, 3);
    bar.SetPosition(150), bar.SetPosition(120);  // both clamp to 99: one event
    EXPECT_EQ(bar.Position(), 99);
    bar.SetPosition(0);
    EXPECT_TRUE(bar.Position() == 1 && fired == 5);
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
    form.Show(), form.Show();  // already visible and active: nothing more
    b.SetFocus(), b.SetFocus(), a.SetFocus();
    EXPECT_FALSE(b.Focused());
    form.Close();
    EXPECT_TRUE(!form.Visible() && fake.app.quitPosted == 0);
    form.isMainForm = true;
    form.Show(), form.Close();
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
        EXPECT_TRUE(s.title == c.title && s.defaultIndex == c.def && s.cancelIndex == c.cancel && s.helpContext == 5) << c.title;
    }
    EXPECT_EQ(fake.dialogs.shown[0].captions, (std::vector<std::string>{"OK", "Abbrechen", "&Ignorieren"}));
}

}  // namespace zk::ui
