#include "app/UnitMain.h"
#include "string_ids.h"
#include "traymenu/TrayIconMenu.h"

#include <algorithm>

using namespace tk;

UINT ShiftStateToModifiers(TShiftState shift) {
    UINT modifiers = 0;
    if (shift & ssShift)
        modifiers |= MOD_SHIFT;
    if (shift & ssCtrl)
        modifiers |= MOD_CONTROL;
    if (shift & ssAlt)
        modifiers |= MOD_ALT;
    return modifiers;
}

// ------------------------------------------------------------ construction

TAction* TMainForm::NewAction(const std::string& category, const std::string& caption,
                              const std::string& hint, TShortCut shortCut, int imageIndex,
                              void (TMainForm::*execute)(TComponent*)) {
    auto* action = new TAction(this);
    action->SetCategory(category);
    action->SetCaption(caption);
    action->SetHint(hint);
    action->SetShortCut(shortCut);
    action->SetImageIndex(imageIndex);
    action->OnExecute = [this, execute](TComponent* sender) {
        (this->*execute)(sender);
    };
    action->SetActionList(ActionList1);
    return action;
}

TMenuItem* TMainForm::NewMenuItem(TMenuItem* parent, const std::string& caption, TAction* action) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    item->SetAction(action);
    parent->Add(item);
    return item;
}

TSpeedButton* TMainForm::NewSpeedButton(int left, TAction* action) {
    auto* button = new TSpeedButton(this);
    button->SetBounds(left, 0, 23, 22);
    button->SetAction(action);
    button->SetParent(Panel1);
    return button;
}

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
    SetBounds(158, 112, 540, 371);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);

    ImageList1 = new TImageList(this);
    ImageList1->LoadFromResourceName(GetModuleHandleA(nullptr), "MAIN_IMAGES", clFuchsia);
    ActionList1 = new TActionList(this);
    ActionList1->Images = ImageList1;
    FileOpen1 =
        NewAction("File", "&Open", "Open|Open a file", 16463, 7, &TMainForm::FileOpen1Execute);
    FileSave1 = NewAction("File", "&Save", "Save|Save current file", 16467, 8,
                          &TMainForm::FileSave1Execute);
    FileSaveAs1 = NewAction("File", "Save &As", "SaveAs|Save current file with different name", 0,
                            -1, &TMainForm::FileSaveAs1Execute);
    FileSend1 = NewAction("File", "Sen&d", "Send|Send current file through electronic mail", 0, 15,
                          &TMainForm::FileSend1Execute);
    FileExit1 =
        NewAction("File", "E&xit", "Exit|Exit application", 0, -1, &TMainForm::FileExit1Execute);
    HelpAbout1 = NewAction("Help", "&About...",
                           "About|Displays program information, version number, and copyright", 0,
                           -1, &TMainForm::HelpAbout1Execute);
    EditDelete1 = NewAction("Edit", "&Delete", "Delete|Clear the Clipboard...", 46, 5,
                            &TMainForm::EditDelete1Execute);
    OptionsPreferences1 = NewAction("Options", "&Preferences", "Options|Preferences", 16464, 10,
                                    &TMainForm::OptionsPreferences1Execute);
    HelpContents1 = NewAction("Help", "&Contents", "", 0, 11, &TMainForm::HelpContents1Execute);

    MainMenu1 = new TMainMenu(this);
    MainMenu1->Images = ImageList1;
    TMenuItem* file = NewMenuItem(MainMenu1->Items(), "File");
    NewMenuItem(file, "", FileOpen1);
    NewMenuItem(file, "", FileSave1);
    NewMenuItem(file, "", FileSaveAs1);
    NewMenuItem(file, "", FileSend1);
    NewMenuItem(file, "-");
    NewMenuItem(file, "", FileExit1);
    TMenuItem* edit = NewMenuItem(MainMenu1->Items(), "Edit");
    NewMenuItem(edit, "", EditDelete1);
    TMenuItem* options = NewMenuItem(MainMenu1->Items(), "Options");
    NewMenuItem(options, "", OptionsPreferences1);
    TMenuItem* help = NewMenuItem(MainMenu1->Items(), "Help");
    NewMenuItem(help, "", HelpAbout1);
    NewMenuItem(help, "", HelpContents1);
    SetMenu(MainMenu1);

    ControlBar = new TControlBar(this);
    ControlBar->SetAlign(TAlign::alTop);
    ControlBar->SetAutoSize(true);
    ControlBar->SetColor(clMenu);
    ControlBar->SetParent(this);
    Panel1 = new TPanel(this);
    Panel1->SetBounds(11, 2, 95, 22);
    Panel1->BevelOuter = TBevelCut::bvNone;
    Panel1->SetAutoSize(true);
    Panel1->SetParent(ControlBar);
    SpeedButton1 = NewSpeedButton(0, FileSave1);
    SpeedButton2 = NewSpeedButton(24, FileSend1);
    SpeedButton3 = NewSpeedButton(48, EditDelete1);
    SpeedButton4 = NewSpeedButton(72, OptionsPreferences1);
    Image = new TJvGIFAnimator(this);
    // The banner's row is below the tool bar's.
    Image->SetBounds(11, 28, 470, 62);
    Image->Cursor = crHandPoint;
    Image->SetTransparent(false);
    Image->OnClick = [this](TComponent* sender) {
        ImageClick(sender);
    };
    Image->SetParent(ControlBar);

    StatusBar = new TStatusBar(this);
    StatusBar->AutoHint = true;
    StatusBar->SetParent(this);

    CoolClipboardViewer = new TCoolClipboardViewer(this);
    CoolClipboardViewer->SetAlign(TAlign::alClient);
    CoolClipboardViewer->OnChange = [this](TComponent* sender) {
        CoolClipboardViewerChange(sender);
    };
    CoolClipboardViewer->SetParent(this);
    ActiveControl = CoolClipboardViewer;

    OpenDialog = new TOpenDialog(this);
    OpenDialog->DefaultExt = "cbd";
    OpenDialog->Filter = "Clipboard content (*.cbd)|*.cbd";
    SaveDialog = new TSaveDialog(this);
    SaveDialog->DefaultExt = "cbd";
    SaveDialog->Filter = "Clipboard content (*.cbd)|*.cbd";

    CoolTrayIcon = new TCoolTrayIcon(this);
    CoolTrayIcon->OnMouseUp = [this](TComponent* sender, TMouseButton button, TShiftState shift,
                                     int x, int y) {
        CoolTrayIconMouseUp(sender, button, shift, x, y);
    };
    CoolTrayIcon->OnDoubleClick = [this](TComponent* sender, TMouseButton button, TShiftState shift,
                                         int x, int y) {
        CoolTrayIconDoubleClick(sender, button, shift, x, y);
    };
    CoolDesktop = new TCoolDesktop(this);
    CoolDesktop->RestartType = TRestartType::rwReboot;
    CoolInstancesChecker1 = new TCoolInstancesChecker(this);
    Timer = new TTimer(this);
    // Off until ConfigureAutoSaveTimer sets it up from the settings.
    Timer->SetEnabled(false);
    Timer->SetOnTimer([this](TComponent* sender) { TimerTimer(sender); });

    OnCreate = [this](TComponent* sender) {
        FormCreate(sender);
    };
    OnDestroy = [this](TComponent* sender) {
        FormDestroy(sender);
    };
}

TMainForm::~TMainForm() = default;

// ------------------------------------------------------- start and shutdown

void TMainForm::FormCreate(TComponent*) {
    TApplication& application = ApplicationOf(this);
    CurrentFileName = LoadStr(IDS_UNTITLED);
    settings_ = std::make_unique<TSettings>(DefaultSettings());
    LoadSettings(*settings_);
    CoolTrayIcon->SetIcon(application.Icon());
    CoolTrayIcon->SetToolTip(application.Title());
    SetCaption(application.Title());
    LoadOnStart();
    ConfigureAutoSaveTimer();
    RegisterProgramHotKey();
    if (ScreenFontInstalled("Tahoma"))
        Font().SetName("Tahoma");
    BannerPair = banner::ChooseBannerPair();
    LoadBanner(BannerPair, Image);
    for (TSpeedButton* button : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
        button->SetCaption("");
}

void TMainForm::FormDestroy(TComponent*) {
    UnregisterHotKey(Handle(), 0);
    SaveOnExit();
    if (settings_)
        StoreSettings(*settings_);
    settings_.reset();
}

void TMainForm::ApplyPlacement() {
    TApplication& application = ApplicationOf(this);
    switch (settings_->ProgPlaceToLive) {
    case 0:
        CoolTrayIcon->SetActive(false);
        break;
    case 1:
        CoolTrayIcon->SetActive(true);
        Hide();
        application.ShowMainWindowOnRun = false;
        break;
    case 2:
        CoolTrayIcon->SetActive(true);
        break;
    case 3:
        CoolTrayIcon->SetActive(false);
        Hide();
        application.ShowMainWindowOnRun = false;
        break;
    default: // any other value leaves everything as it is
        break;
    }
}

void TMainForm::RegisterWithDesktop() {
    std::string name = LoadStr(IDS_PROGRAM_NAME);
    std::string path = ModuleFileName();
    // A registration the registry refuses (a user without the right to write
    // the machine's keys) is reported; the other one is still made and the
    // program runs on.
    try {
        if (settings_->ProgLoadOnStart)
            CoolDesktop->AddToAutoRun(name, path, false);
        else
            CoolDesktop->RemoveFromAutoRun(name, false);
    } catch (const std::exception& error) {
        ApplicationOf(this).HandleException(error);
    }
    try {
        CoolDesktop->AssociateFileType(".cbd", name, path);
    } catch (const std::exception& error) {
        ApplicationOf(this).HandleException(error);
    }
}

void TMainForm::RegisterProgramHotKey() {
    WORD key;
    TShiftState shift;
    ShortCutToKey(TextToShortCut(settings_->ProgHotKey), key, shift);
    // A combination that another program holds simply stays without effect.
    RegisterHotKey(Handle(), 0, ShiftStateToModifiers(shift), key);
}

void TMainForm::UpdateActions() {
    bool any = CountClipboardFormats() != 0;
    EditDelete1->SetEnabled(any);
    FileSave1->SetEnabled(any);
    FileSaveAs1->SetEnabled(any);
    FileSend1->SetEnabled(IsClipboardFormatAvailable(CF_TEXT) != 0);
}

// ------------------------------------------------------------------ handlers

void TMainForm::CoolClipboardViewerChange(TComponent*) {
    UpdateActions();
}

void TMainForm::CoolTrayIconDoubleClick(TComponent*, TMouseButton button, TShiftState, int, int) {
    if (button != TMouseButton::mbLeft)
        return;
    SetVisible(!Visible());
    if (Visible())
        SetForegroundWindow(Handle());
}

TTrayMenuSources TMainForm::TrayMenuSources() {
    return TTrayMenuSources{this,      ImageList1,  HelpAbout1,          FileOpen1,
                            FileSave1, EditDelete1, OptionsPreferences1, FileExit1};
}

void TMainForm::CoolTrayIconMouseUp(TComponent*, TMouseButton button, TShiftState, int x, int y) {
    // The tray menu is made after this window: none yet while the banner downloads.
    if (button != TMouseButton::mbRight || !TrayIconWindow)
        return;
    // While Preferences or About is up the program answers only that dialog:
    // the menu's commands could not show theirs.
    if (!IsWindowEnabled(Handle()))
        return;
    // The tray menu's items show these shortcuts; it gives them back when it hides.
    for (TAction* action : {FileOpen1, FileSave1, EditDelete1, OptionsPreferences1})
        action->SetShortCut(0);
    SetForegroundWindow(TrayIconWindow->Handle());
    ApplicationOf(this).ProcessMessages();
    TrayIconWindow->PopupAt(x - TrayIconWindow->Width(), y - TrayIconWindow->Height());
}

void TMainForm::ImageClick(TComponent*) {
    OpenLink(BannerPair.LinkURL);
}

void TMainForm::LoadBanner(const TBannerPair& pair, TJvGIFAnimator* animator) {
    banner::LoadBanner(ApplicationOf(this), pair, *animator);
}

void TMainForm::OpenLink(const std::string& url) {
    banner::OpenLink(ApplicationOf(this).Handle(), url);
}

void TMainForm::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SYSCOMMAND:
        // SC_CLOSE compared exactly: in the tray-only and hidden modes the
        // close box only hides the window.
        if (message.WParam == SC_CLOSE && settings_ &&
            (settings_->ProgPlaceToLive == 1 || settings_->ProgPlaceToLive == 3)) {
            ApplyPlacement();
            message.Result = 0;
            return;
        }
        break;
    case WM_HOTKEY:
        TForm::WndProc(message);
        CoolTrayIcon->SetActive(true);
        Show();
        ApplicationOf(this).ShowMainWindowOnRun = true;
        return;
    case WM_QUERYENDSESSION:
        SaveOnReboot();
        break;
    default:
        break;
    }
    TForm::WndProc(message);
}

// ---------------------------------------------------- files and auto saving

std::string TMainForm::AutoSavePath() const {
    return ExtractFilePath(ModuleFileName()) + settings_->CbdFileName;
}

void TMainForm::LoadOnStart() {
    std::string argument = ParamStr(1);
    if (!argument.empty() && FileExists(argument)) {
        CoolClipboardViewer->LoadFromFile(argument);
        return;
    }
    if (!settings_->CbdLoadOnStart)
        return;
    std::string autoSave = AutoSavePath();
    if (FileExists(autoSave))
        CoolClipboardViewer->LoadFromFile(autoSave);
}

void TMainForm::ConfigureAutoSaveTimer() {
    Timer->SetEnabled(settings_->CbdSaveOnTime);
    // Seconds to milliseconds without wrapping around: a negative interval
    // never fires, and one longer than a timer can wait waits the longest.
    long long period = static_cast<long long>(settings_->CbdSaveInterval) * 1000;
    Timer->SetInterval(static_cast<unsigned>(std::clamp<long long>(period, 0, 0x7FFFFFFF)));
}

void TMainForm::TimerTimer(TComponent*) {
    CoolClipboardViewer->SaveToFile(AutoSavePath());
}

void TMainForm::SaveOnExit() {
    if (settings_ && settings_->CbdSaveOnExit)
        CoolClipboardViewer->SaveToFile(AutoSavePath());
}

void TMainForm::SaveOnReboot() {
    if (settings_ && settings_->CbdSaveOnReboot)
        CoolClipboardViewer->SaveToFile(AutoSavePath());
}

void TMainForm::FileOpen1Execute(TComponent*) {
    if (!OpenDialog->Execute())
        return;
    CoolClipboardViewer->LoadFromFile(OpenDialog->FileName);
    CurrentFileName = OpenDialog->FileName;
}

void TMainForm::FileSave1Execute(TComponent* sender) {
    if (CurrentFileName != LoadStr(IDS_UNTITLED))
        CoolClipboardViewer->SaveToFile(CurrentFileName);
    else
        FileSaveAs1Execute(sender);
}

void TMainForm::FileSaveAs1Execute(TComponent*) {
    if (!SaveDialog->Execute())
        return;
    std::string fileName = SaveDialog->FileName;
    if (FileExists(fileName)) {
        std::string question = Format(LoadStr(IDS_OVERWRITE).c_str(), fileName.c_str());
        if (ApplicationOf(this).ShowMessageBox(question, "Confirm",
                                               MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES)
            return;
    }
    CoolClipboardViewer->SaveToFile(fileName);
    CurrentFileName = fileName;
}

void TMainForm::EditDelete1Execute(TComponent*) {
    CoolClipboardViewer->Clear();
}

void TMainForm::FileExit1Execute(TComponent*) {
    Close();
}
