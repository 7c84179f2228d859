// The setup window: source and target of a copy, the run with its
// progress, and the questions at its end.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "setup/Dirlog.h"
#include "setup/copyengine.h"
#include "setup/ziparchive.h"
#include "ui/form.h"

namespace zk {

class TGetDirDialog;

// Calls into windows and routines that live elsewhere in the program; each
// does nothing until its owner plugs it in.
struct SetupSeams {
    std::function<void()> showLauncher;
    std::function<void()> disableLauncherSetup;  // the launcher's "Zantorik kopieren"
    std::function<void(ChooserField mode, ui::Edit& field)> openFolderChooser;
    std::function<void()> hideFolderChooser;  // when it is visible
    std::function<void()> closeFolderChooser;
    std::function<void()> showAboutBox;
    std::function<void(const std::string& folder)> createMenuEntries;  // may raise an error
};

class TForm1 : public ui::Form, public CopyProgress {
public:
    // Without an archive component "Komprimieren" cannot be ticked.
    explicit TForm1(platform::Platform& platform, SetupSeams seams = {}, std::unique_ptr<ZipArchive> zip = nullptr);

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void Edit1Enter();
    void Edit2Enter();
    void ChkMultiClick();
    void getquelleClick();
    void getzielClick();
    void ButStartClick();
    void ButInfoClick();
    void HilfeClick();
    void ButEndeClick();

    // Repaints every label, then the window.
    void LabelRefresh();
    // The questions at the end of a run.
    void MsgCopyFertig(bool success, const CopyPlan& plan);
    // A copy or zip run is going: the window does not close and the program
    // does not end until it is over.
    bool Running() const { return running_; }

    SetupSeams seams;

    // In tab order: the window's controls are made in this order.
    ui::GroupBox box1;
    ui::Label Label1;
    ui::Edit Edit1;
    ui::Button getquelle;
    ui::Label Label2;
    ui::Edit Edit2;
    ui::Button getziel;
    ui::Button ButStart, ButInfo, Hilfe, ButEnde;
    ui::CheckBox chkZip;
    ui::Panel Panel1;
    ui::Image Image1;
    ui::Label Label3, txbyte2copy, Label4, txHDrest;
    ui::Gauge Gauge1;
    ui::Label Statuslabel;
    ui::Memo Filebox;
    ui::CheckBox ChkMulti;

    std::unique_ptr<ZipArchive> Zip;
    CopyEngine engine;

    // How a run shows itself.
    void Status(const std::string& text) override;
    void Begin(const std::string& heading, int32_t total) override;
    void Progress(int32_t done, int32_t left) override;
    void Free(int32_t bytes) override;
    void FreeNotFollowed() override;
    void Focus(Field field) override;
    void Warning(const std::string& text) override;
    void Error(const std::string& text) override;

private:
    void SetRunControlsEnabled(bool on);
    void ShowNumber(ui::Label& label, int32_t value);
    int Ask(const std::string& text, platform::DlgType type);
    bool running_ = false;
};

// The folder chooser serves the setup window's two path fields.
void ConnectFolderChooser(TForm1& setup, TGetDirDialog& chooser);

}  // namespace zk
