// The launcher window: the game's start options on four tabs, the game
// start, and the ways to the setup, the about box and the help file.
#pragma once
#include <functional>
#include <string>

#include "launcher/options.h"
#include "ui/form.h"

namespace zk {

// Calls into windows and routines that live elsewhere in the program; each
// does nothing until its owner plugs it in.
struct LauncherSeams {
    std::function<void()> showAboutBox;
    std::function<void()> showSetup;
    std::function<void()> hideFolderChooser;                           // when it is visible
    std::function<void(const std::string& folder)> createMenuEntries;  // may raise an error
    std::function<void()> closeMainWindow;
};

class TFormStart : public ui::Form {
public:
    explicit TFormStart(platform::Platform& platform, LauncherSeams seams = {});

    // The options as the controls hold them, and shown in the controls. The
    // boxes are set in the order of the stored values, so their click
    // handlers apply the enabling rules as a load does.
    StartOptions Options() const;
    void ShowOptions(const StartOptions& options);
    // Options store: kSaveOptions, or kLoadOptions (false when nothing is
    // stored); any other mode does nothing and answers false.
    static constexpr uint8_t kSaveOptions = 0, kLoadOptions = 1;
    bool RegSettings(uint8_t mode);
    // The game in DOSBox with its arguments (GameArguments), found or chosen
    // by the player; messages when it cannot be.
    void StartInDosBox(const std::string& folder, const std::string& arguments, bool withCd);
    std::string ProgramFolder();

    // Handlers.
    void FormShow();
    void FormActivate();
    void FormClose();
    void ReloadOptions();
    void bt_exitClick();
    void zk_runClick();
    void bCopyrightClick();
    void ZKSetupClick();
    void HilfeClick();
    void allgAnleitung1Click();
    void HilfezuRuvalin1Click();
    void HilfezuSetup1Click();
    void Problemelsen1Click();
    void cb_niecdClick();
    void cb_nocdClick();
    void cb_tiClick();
    void cd_tgClick();
    void ed_tiChange();
    void ed_tgChange();
    void cb_pppClick();
    void roll_pppChange();
    void roll_pppKeyDown(int key);
    void roll_pppKeyUp(int key);

    LauncherSeams seams;

    ui::PageControl PageControl1;
    ui::TabSheet TabSheet1, TabSheet2, TabSheet3, TabSheet4;
    // Tab 1
    ui::Bevel Bevel1, Bevel2, Bevel3, Bevel4;
    ui::Button zk_run, bt_exit, bCopyright, ZKSetup, Hilfe;
    // Tab 2
    ui::Panel Panel2;
    ui::Bevel Bevel5;
    ui::CheckBox cb_fast, cb_fair, cb_nofc, cb_notic, cb_notxt;
    // Tab 3
    ui::Panel Panel3;
    ui::Bevel Bevel6;
    ui::CheckBox cb_niecd, cb_nocd, cb_ti, cd_tg;
    ui::Edit ed_ti, ed_tg;
    // Tab 4
    ui::Bevel Bevel7;
    ui::ShapeBox Shape1;
    ui::Panel Panel4;
    ui::Edit ed_param;
    ui::TrackBar roll_ppp;
    ui::CheckBox cb_ppp;
    // On the window itself, never visible.
    ui::Edit ed_zkpfad;
    ui::PopupMenu PopupMenu1;
    ui::MenuItem MenuItem1, MenuItem2, MenuItem3, MenuItem4;

private:
    void HelpByKeyword(const std::string& keyword);
    // The track numbers that the two track fields hold beside their texts.
    int32_t trackTI_ = 0;
    int32_t trackTG_ = 0;
};

}  // namespace zk
