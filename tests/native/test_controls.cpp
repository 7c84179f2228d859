#include <gtest/gtest.h>

#include "common/error.h"
#include "common/text.h"
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
    EXPECT_EQ(std::tuple(fired, box.Checked()), std::tuple(2, false));
    edit.SetText("a"), edit.SetText("a");
    EXPECT_EQ(fired, 3);
    bar.SetPosition(150), bar.SetPosition(120);  // both clamp to 99: one event
    EXPECT_EQ(bar.Position(), 99);
    bar.SetPosition(0);
    EXPECT_EQ(std::tuple(bar.Position(), fired), std::tuple(1, 5));
}

TEST_F(ControlsTest, EditConvertsCaseAndLimitsOnlyTyping) {
    Edit edit(&form, "edit");
    edit.charCase = CharCase::Upper, edit.maxLength = 4;
    edit.SetText("c:\\spiele\\zäh");  // the program is not limited
    EXPECT_EQ(edit.Text(), "C:\\SPIELE\\ZÄH");
    edit.Type("äbcdef");
    EXPECT_EQ(edit.Text(), "ÄBCD");  // four characters, not four bytes
    edit.charCase = CharCase::Lower, edit.SetText("X:\\ÖL");
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
    EXPECT_EQ(std::tuple(form.Visible(), fake.app.quitPosted), std::tuple(false, 0));
    form.isMainForm = true, form.Show(), form.Close();
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
        EXPECT_EQ(std::tuple(s.title, s.defaultIndex, s.cancelIndex, s.helpContext), std::tuple(c.title, c.def, c.cancel, 5));
    }
    EXPECT_EQ(fake.dialogs.shown[0].captions, (std::vector<std::string>{"OK", "Abbrechen", "&Ignorieren"}));
}

}  // namespace zk::ui

namespace zk {

TEST(Text, Conversions) {
    struct { std::string got, want; } cases[] = {
        {TrimBlanks("  a b  "), "a b"}, {TrimBlanks("   "), ""}, {TrimBlanks("\ta\t "), "\ta\t"},
        {NumStr(-17), "-17"}, {NumStr(2147483647), "2147483647"}, {DottedNumber(999), "999"},
        {DottedNumber(1000), "1.000"}, {DottedNumber(1234567), "1.234.567"}, {DottedNumber(2147483647), "2.147.483.647"},
        {DottedNumber(0), "0"}, {DottedNumber(-1), " ist kleiner 0!"},
        {UpperCaseDE("c:\\spiele\\zäöü ß"), "C:\\SPIELE\\ZÄÖÜ ß"}, {UpperCaseDE("é"), "é"},  // only German umlauts
        {LowerCaseDE("D:\\GAMES\\ÄÖÜ ß É"), "d:\\games\\äöü ß É"},
        {BackslashPath("c:\\spiele\\", false), "c:\\spiele"}, {BackslashPath("c:\\spiele", true), "c:\\spiele\\"},
        {BackslashPath("c:\\", false), "c:\\"}, {BackslashPath("c:", false), "c:\\"}, {BackslashPath("c:", true), "c:\\"},
        {BackslashPath("", false), "\\"}, {BackslashPath("ab\\\\", false), "ab\\"},
        {InOutError(3).what(), "E/A-Fehler 3"}, {std::to_string(InOutError(3).Code()), "3"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << "row " << i;
}

TEST(Text, StrToIntDefAcceptsOnlyWholeNumbers) {
    struct { const char* in; int want; } cases[] = {
        {"50", 50}, {"  7", 7}, {"-3", -3}, {"+4", 4}, {"$1F", 31}, {"-$10", -16}, {"", 99}, {"12 ", 99}, {"1x", 99},
        {"$", 99}, {"-", 99}, {"2147483647", 2147483647}, {"2147483648", 99}, {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1}, {"$100000000", 99},
    };
    for (auto& c : cases) EXPECT_EQ(StrToIntDef(c.in, 99), c.want) << '"' << c.in << '"';
    struct { const char* in; int want; } prefixes[] = {  // IntPrefix reads as far as it can
        {"7", 7}, {"", 0}, {" 9", 9}, {"-9", -9}, {"$F", 15}, {"xA", 10}, {"XA", 10}, {"1a", 1}, {"a1", 0}, {"$", 0},
        {"-", 0}, {"99999999999", 999999999},
    };
    for (auto& c : prefixes) EXPECT_EQ(IntPrefix(c.in), c.want) << '"' << c.in << '"';
}

}  // namespace zk
