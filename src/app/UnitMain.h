// The main window: the clipboard viewer, the commands, placement, the hot
// key, the tray icon's handlers, start-up and shutdown.
#pragma once

#include "app/Settings.h"
#include "app/SimpleMapi.h"
#include "banner/Banner.h"
#include "gif/JvGIFCtrl.h"
#include "clipboard/CoolClipboardViewer.h"
#include "desktop/CoolDesktop.h"
#include "desktop/CoolInstancesChecker.h"
#include "desktop/CoolTrayIcon.h"
#include "toolkit/ActnList.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"

#include <memory>
#include <string>

class TOptionsForm;
class TAboutForm;
class TTrayIconWindow;
struct TTrayMenuSources;

// Hot key modifier flags (MOD_*) of a shift state.
UINT ShiftStateToModifiers(tk::TShiftState shift);

class TMainForm : public tk::TForm {
public:
    explicit TMainForm(tk::TComponent* owner);
    ~TMainForm() override;

    // The forms the entry creates after this one.
    TOptionsForm* OptionsForm = nullptr;
    TTrayIconWindow* TrayIconWindow = nullptr;
    TAboutForm* AboutForm = nullptr;

    // Children, named as the window's description names them.
    TCoolClipboardViewer* CoolClipboardViewer;
    tk::TControlBar* ControlBar;
    tk::TPanel* Panel1;
    tk::TSpeedButton* SpeedButton1;
    tk::TSpeedButton* SpeedButton2;
    tk::TSpeedButton* SpeedButton3;
    tk::TSpeedButton* SpeedButton4;
    TJvGIFAnimator* Image;
    tk::TStatusBar* StatusBar;
    tk::TImageList* ImageList1;
    tk::TActionList* ActionList1;
    tk::TAction* FileOpen1;
    tk::TAction* FileSave1;
    tk::TAction* FileSaveAs1;
    tk::TAction* FileSend1;
    tk::TAction* FileExit1;
    tk::TAction* HelpAbout1;
    tk::TAction* EditDelete1;
    tk::TAction* OptionsPreferences1;
    tk::TAction* HelpContents1;
    tk::TMainMenu* MainMenu1;
    tk::TOpenDialog* OpenDialog;
    tk::TSaveDialog* SaveDialog;
    TCoolTrayIcon* CoolTrayIcon;
    TCoolDesktop* CoolDesktop;
    TCoolInstancesChecker* CoolInstancesChecker1;
    tk::TTimer* Timer;

    std::string CurrentFileName;
    TSettings* Settings() const { return settings_.get(); }
    // What Send uses to reach the mail program.
    TSimpleMapi& SimpleMapi() { return simpleMapi_; }
    TBannerPair BannerPair;

    // Start-up and shutdown.
    void FormCreate(tk::TComponent* sender);
    void FormDestroy(tk::TComponent* sender);
    void ApplyPlacement();
    void RegisterWithDesktop();
    void RegisterProgramHotKey();
    void UpdateActions();
    // What the tray menu shows and runs: the window's actions and images.
    TTrayMenuSources TrayMenuSources();

    // Handlers.
    void CoolClipboardViewerChange(tk::TComponent* sender);
    void CoolTrayIconDoubleClick(tk::TComponent* sender, tk::TMouseButton button,
                                 tk::TShiftState shift, int x, int y);
    void CoolTrayIconMouseUp(tk::TComponent* sender, tk::TMouseButton button, tk::TShiftState shift,
                             int x, int y);
    void ImageClick(tk::TComponent* sender);

    // Files and automatic saving.
    std::string AutoSavePath() const;
    void LoadOnStart();
    void ConfigureAutoSaveTimer();
    void TimerTimer(tk::TComponent* sender);
    void SaveOnExit();
    void SaveOnReboot();
    void FileOpen1Execute(tk::TComponent* sender);
    void FileSave1Execute(tk::TComponent* sender);
    void FileSaveAs1Execute(tk::TComponent* sender);
    void EditDelete1Execute(tk::TComponent* sender);
    void FileExit1Execute(tk::TComponent* sender);

    // Preferences, mail, help and about.
    void OptionsPreferences1Execute(tk::TComponent* sender);
    void FileSend1Execute(tk::TComponent* sender);
    void HelpContents1Execute(tk::TComponent* sender);
    void HelpAbout1Execute(tk::TComponent* sender);

    void WndProc(tk::TMessage& message) override;

protected:
    std::string FormClassName() const override { return "TMainForm"; }

private:
    tk::TAction* NewAction(const std::string& category, const std::string& caption,
                           const std::string& hint, tk::TShortCut shortCut, int imageIndex,
                           void (TMainForm::*execute)(tk::TComponent*));
    tk::TMenuItem* NewMenuItem(tk::TMenuItem* parent, const std::string& caption,
                               tk::TAction* action = nullptr);
    tk::TSpeedButton* NewSpeedButton(int left, tk::TAction* action);
    // The banner: its download at start, and the page a click opens.
    void LoadBanner(const TBannerPair& pair, TJvGIFAnimator* animator);
    void OpenLink(const std::string& url);

    std::unique_ptr<TSettings> settings_;
    TSimpleMapi simpleMapi_;
};
