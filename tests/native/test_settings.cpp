#include "fixture.h"

namespace zk::test {

using Settings = LauncherTest;

TEST_F(Settings, FirstRunLeavesOnlyTheParentKeyAndTheWindowDefaults) {
    TFormStart& f = Launcher();
    EXPECT_FALSE(f.RegSettings(1));
    EXPECT_TRUE(fake.registry.KeyExists("Software\\Orvandel"));
    EXPECT_FALSE(fake.registry.KeyExists("Software\\Orvandel\\Zantorik"));
    for (ui::CheckBox* c : {&f.cb_fast, &f.cb_fair, &f.cb_nofc, &f.cb_notic, &f.cb_niecd, &f.cb_nocd, &f.cb_notxt,
                            &f.cb_ti, &f.cd_tg, &f.cb_ppp})
        EXPECT_FALSE(c->Checked()) << c->Name();
    EXPECT_EQ(f.TrackTI(), 2);
    EXPECT_EQ(f.TrackTG(), 3);
    EXPECT_EQ(f.ed_ti.Text(), "2");
    EXPECT_EQ(f.roll_ppp.Position(), 50);
    EXPECT_EQ(f.ed_param.Text(), "/");
}

TEST_F(Settings, SavingDefaultsWritesEveryValueInOrder) {
    TFormStart& f = Launcher();
    EXPECT_TRUE(f.RegSettings(0));
    const std::string k = "Software\\Orvandel\\Zantorik\\";
    EXPECT_EQ(fake.registry.writes,
              (std::vector<std::string>{k + "zkPfad=C:\\SPIELE\\ZANTORIK\\", k + "xFast=0", k + "xFair=0",
                                        k + "xNoFC=0", k + "xNoTic=0", k + "xNieCD=0", k + "xNoCD=0",
                                        k + "xNoTxt=0", k + "xTI=0", k + "xTG=0", k + "xP=0", k + "CD_I=2",
                                        k + "CD_G=3", k + "Speed=50"}));
}

TEST_F(Settings, SaveThenLoadRoundTrips) {
    TFormStart& f = Launcher();
    f.cb_fair.SetChecked(true);
    f.cb_ti.SetChecked(true);
    f.ed_ti.Type("17");
    f.cb_ppp.SetChecked(true);
    f.roll_ppp.SetPosition(73);
    f.RegSettings(0);
    form.reset();
    TFormStart& g = Launcher();
    EXPECT_TRUE(g.cb_fair.Checked());
    EXPECT_TRUE(g.cb_ti.Checked());
    EXPECT_TRUE(g.ed_ti.Enabled());
    EXPECT_EQ(g.TrackTI(), 17);
    EXPECT_EQ(g.ed_ti.Text(), "17");
    EXPECT_TRUE(g.roll_ppp.Enabled());
    EXPECT_EQ(g.roll_ppp.Position(), 73);
    EXPECT_EQ(g.roll_ppp.Hint(), "73%");
    EXPECT_FALSE(g.cb_fast.Checked());
}

TEST_F(Settings, LoadingOddTexts) {
    struct { const char* speed; int pos; const char* fast; bool ticked; } cases[] = {
        {"0", 1, "2", true}, {"150", 99, "", false}, {"abc", 50, "ja", false}, {" 42", 42, "-1", true},
        {"$10", 16, "1 ", false},
    };
    for (auto& c : cases) {
        Store("Speed", c.speed);
        Store("xFast", c.fast);
        form.reset();
        TFormStart& f = Launcher();
        EXPECT_EQ(f.roll_ppp.Position(), c.pos) << c.speed;
        EXPECT_EQ(f.roll_ppp.Hint(), std::to_string(c.pos) + "%");
        EXPECT_EQ(f.cb_fast.Checked(), c.ticked) << '"' << c.fast << '"';
    }
}

// A track outside the field's 1 to 99, or no number, loads as the default
// and is saved back as that.
TEST_F(Settings, TrackNumbersOutOfRangeLoadTheDefault) {
    struct { const char* text; int32_t ti, tg; } cases[] = {
        {"", 2, 3}, {"x", 2, 3}, {"0", 2, 3}, {"100", 2, 3}, {"-2147483648", 2, 3}, {"1", 1, 1}, {"99", 99, 99},
    };
    for (auto& c : cases) {
        Store("CD_I", c.text);
        Store("CD_G", c.text);
        form.reset();
        TFormStart& f = Launcher();
        EXPECT_EQ(f.TrackTI(), c.ti) << '"' << c.text << '"';
        EXPECT_EQ(f.ed_ti.Text(), std::to_string(c.ti));
        EXPECT_EQ(f.TrackTG(), c.tg) << '"' << c.text << '"';
        EXPECT_EQ(f.ed_tg.Text(), std::to_string(c.tg));
        f.RegSettings(0);
        EXPECT_EQ(Stored("CD_I"), std::to_string(c.ti));
    }
}

TEST_F(Settings, ValueOfAnotherTypeCountsAsMissing) {
    fake.registry.SetValue("Software\\Orvandel\\Zantorik", "Speed", "70", platform::FakeRegistry::Type::Dword);
    fake.registry.SetValue("Software\\Orvandel\\Zantorik", "xFast", "1", platform::FakeRegistry::Type::Dword);
    fake.registry.SetValue("Software\\Orvandel\\Zantorik", "zkPfad", "X:\\", platform::FakeRegistry::Type::Dword);
    TFormStart& f = Launcher();
    EXPECT_EQ(f.roll_ppp.Position(), 50);
    EXPECT_FALSE(f.cb_fast.Checked());
    EXPECT_TRUE(fake.app.errors.empty());
}

TEST_F(Settings, CdOffLoadsFirstAndDisablesTheOthersThroughItsHandler) {
    Store("xNieCD", "1");
    Store("xNoCD", "1");
    Store("xTI", "1");
    TFormStart& f = Launcher();
    EXPECT_TRUE(f.cb_niecd.Checked());
    EXPECT_FALSE(f.cb_nocd.Enabled());
    EXPECT_FALSE(f.cb_ti.Enabled());
    EXPECT_FALSE(f.cd_tg.Enabled());
    // Stand-by loads after CD-off, and its handler disables CD-off in turn.
    EXPECT_TRUE(f.cb_nocd.Checked());
    EXPECT_FALSE(f.cb_niecd.Enabled());
    // A disabled box still loads its state and runs its handler.
    EXPECT_TRUE(f.cb_ti.Checked());
    EXPECT_TRUE(f.ed_ti.Enabled());
}

TEST_F(Settings, OtherModesDoNothing) {
    TFormStart& f = Launcher();
    fake.registry.writes.clear();
    EXPECT_FALSE(f.RegSettings(2));
    EXPECT_FALSE(f.RegSettings(255));
    EXPECT_TRUE(fake.registry.writes.empty());
}

TEST_F(Settings, SubkeyThatCannotBeCreatedStopsTheSaveWithTheRegistryError) {
    TFormStart& f = Launcher();
    fake.registry.failCreate.insert("SOFTWARE\\ORVANDEL\\ZANTORIK");
    try {
        f.RegSettings(0);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Erzeugung von Schlüssel Zantorik misslungen");
    }
    EXPECT_TRUE(fake.registry.writes.empty());
}

}  // namespace zk::test
