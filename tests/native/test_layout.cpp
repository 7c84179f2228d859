// Every window as it is built: its controls' places, texts, fonts, colours and
// tab order, against a snapshot of the window the screenshots were taken of.
// A change that is meant: ZK_LAYOUT_UPDATE=1 unit_tests --gtest_filter=Layout.*
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "archiver/PasswordDlg.h"
#include "graphics/Aboutzk.h"
#include "launcher/Unit1.h"
#include "launcher/Zkstrt00.h"
#include "platform/fake/fake_platform.h"
#include "setup/Dirlog.h"
#include "setup/Zksetup1.h"

namespace zk::test {
namespace {

const char* const kKinds[] = {"Form", "PageControl", "TabSheet", "Panel", "Bevel", "Label", "Button", "CheckBox", "Edit",
                               "TrackBar", "Memo", "Image", "Shape", "GroupBox", "Gauge", "DriveComboBox", "FolderTree"};
const char* const kBevels[] = {"none", "raised", "lowered"}, *const kAligns[] = {"left", "centre", "right"},
                  *const kBorders[] = {"none", "single", "sizeable", "dialog", "toolwindow"};

std::string ColorName(ui::Color c) {
    for (auto [value, name] : {std::pair{ui::clDefault, "default"}, {ui::clBtnFace, "btnface"}, {ui::clWindow, "window"},
                               {ui::clBlack, "black"}, {ui::clWhite, "white"}, {ui::clLime, "lime"}, {0xC0C0C0u, "silver"}})
        if (c == value) return name;
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "#%02X%02X%02X", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
    return rgb;
}

void Dump(std::ostream& out, const ui::Control& c, int depth) {
    const ui::Bounds& b = c.GetBounds();
    const ui::Font& f = c.GetFont();
    out << std::string(depth * 2, ' ') << c.Name() << ' ' << kKinds[int(c.GetKind())] << ' ' << b.left << ',' << b.top
        << ' ' << b.width << 'x' << b.height << (c.Enabled() ? "" : " off") << (c.Visible() ? "" : " hidden") << " tab"
        << c.TabOrder() << " tag" << c.Tag() << " col:" << ColorName(c.GetColor()) << " font:" << f.name << '/'
        << f.height << (f.bold ? "b" : "") << (f.italic ? "i" : "") << (f.underline ? "u" : "") << '/'
        << ColorName(f.color);
    if (!c.Caption().empty()) out << " \"" << c.Caption() << '"';
    if (!c.Hint().empty()) out << " hint\"" << c.Hint() << '"';
    if (auto* e = dynamic_cast<const ui::Edit*>(&c)) out << " text\"" << e->Text() << '"';
    if (auto* t = dynamic_cast<const ui::TrackBar*>(&c)) out << " range" << t->Min() << ".." << t->Max() << '@' << t->Position();
    if (auto* x = dynamic_cast<const ui::CheckBox*>(&c)) out << (x->Checked() ? " checked" : "");
    if (auto* k = dynamic_cast<const ui::Button*>(&c)) out << (k->isDefault ? " default" : "") << (k->isCancel ? " cancel" : "");
    if (auto* l = dynamic_cast<const ui::Label*>(&c))
        out << " align:" << kAligns[int(l->alignment)] << (l->transparent ? " clear" : "");
    if (auto* p = dynamic_cast<const ui::Panel*>(&c))
        out << " bevel:" << kBevels[int(p->bevelOuter)] << '/' << kBevels[int(p->bevelInner)] << " width" << p->bevelWidth
            << " border" << p->borderWidth;
    if (auto* w = dynamic_cast<const ui::Form*>(&c))
        out << " border:" << kBorders[int(w->borderStyle)] << (w->centered ? " centred" : "")
            << (w->stayOnTop ? " ontop" : "");
    out << '\n';
    for (const ui::Control* child : c.Children()) Dump(out, *child, depth + 1);
}

std::string Folder() {
    std::string dir = ZK_TEST_DIR "/native/layout/";
#ifdef _WIN32
    dir = "Z:" + dir;  // the host's root under Wine
#endif
    return dir;
}

struct Layout : ::testing::TestWithParam<const char*> {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
};

using Maker = std::function<std::unique_ptr<ui::Form>(platform::Platform&)>;
const std::map<std::string, Maker>& Windows() {
    static const std::map<std::string, Maker> windows = {
        {"launcher", [](platform::Platform& p) { return std::make_unique<TFormStart>(p); }},
        {"splash", [](platform::Platform& p) { return std::make_unique<TForm2>(p); }},
        {"setup", [](platform::Platform& p) { return std::make_unique<TForm1>(p); }},
        {"folders", [](platform::Platform& p) { return std::make_unique<TGetDirDialog>(p); }},
        {"about", [](platform::Platform& p) { return std::make_unique<TAboutBoxRV>(p); }},
        {"password", [](platform::Platform& p) {
             return std::make_unique<TPasswordDlg>(p, "Kennwort", "Bitte das Kennwort eingeben:", "OK", "Abbrechen");
         }},
    };
    return windows;
}

TEST_P(Layout, IsAsTheSnapshotShowsIt) {
    std::ostringstream now;
    Dump(now, *Windows().at(GetParam())(platform), 0);
    const std::string path = Folder() + GetParam() + ".txt";
    if (std::getenv("ZK_LAYOUT_UPDATE")) std::ofstream(path, std::ios::binary) << now.str();
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "no snapshot " << path;
    std::stringstream was;
    was << in.rdbuf();
    EXPECT_EQ(now.str(), was.str());
}

INSTANTIATE_TEST_SUITE_P(Windows, Layout, ::testing::Values("launcher", "splash", "setup", "folders", "about", "password"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace zk::test
