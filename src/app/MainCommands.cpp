// Preferences, Send, Help contents and About of the main window.
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitOptions.h"
#include "string_ids.h"
#include "toolkit/Clipbrd.h"

using namespace tk;

void TMainForm::OptionsPreferences1Execute(TComponent*) {
    // The dialog is made after this window: a command that comes while the
    // banner downloads at start finds none yet, and does nothing.
    if (!settings_ || !OptionsForm)
        return;
    TSettings& s = *settings_;
    TOptionsForm& dialog = *OptionsForm;
    // The radio group keeps the index to its items: any mode above 3 shows
    // as the last one.
    dialog.ProgramPlaceGroup->SetItemIndex(s.ProgPlaceToLive);
    dialog.ProgLoadOnStartBox->SetChecked(s.ProgLoadOnStart);
    dialog.HotKeyEdit->SetHotKey(TextToShortCut(s.ProgHotKey));
    dialog.CbdLoadOnStartBox->SetChecked(s.CbdLoadOnStart);
    dialog.CbdSaveOnCloseBox->SetChecked(s.CbdSaveOnExit);
    dialog.CbdSaveOnRebootBox->SetChecked(s.CbdSaveOnReboot);
    dialog.CbdSaveOnTimeBox->SetChecked(s.CbdSaveOnTime);
    dialog.SaveIntervalEdit->SetText(IntToStr(s.CbdSaveInterval));
    dialog.SaveFileEdit->SetText(s.CbdFileName);

    if (dialog.ShowModal() != mrOk)
        return;

    // In this order: a field that holds no number stops the taking over at
    // the interval, with the values before it kept.
    s.ProgPlaceToLive = static_cast<std::uint8_t>(dialog.ProgramPlaceGroup->ItemIndex());
    s.ProgLoadOnStart = dialog.ProgLoadOnStartBox->Checked();
    s.ProgHotKey = ShortCutToText(dialog.HotKeyEdit->HotKey());
    s.CbdLoadOnStart = dialog.CbdLoadOnStartBox->Checked();
    s.CbdSaveOnExit = dialog.CbdSaveOnCloseBox->Checked();
    s.CbdSaveOnReboot = dialog.CbdSaveOnRebootBox->Checked();
    s.CbdSaveOnTime = dialog.CbdSaveOnTimeBox->Checked();
    s.CbdSaveInterval = StrToInt(dialog.SaveIntervalEdit->Text());
    s.CbdFileName = dialog.SaveFileEdit->Text();

    UnregisterHotKey(Handle(), 0);
    RegisterProgramHotKey();
    ConfigureAutoSaveTimer();
}

void TMainForm::FileSend1Execute(TComponent*) {
    TApplication& application = ApplicationOf(this);
    std::string text;
    {
        // "Cannot open clipboard" when another program holds it: nothing is sent.
        TClipboard clipboard(application.Handle());
        text = clipboard.AsText();
    }
    if (simpleMapi_.SendNote(text) != 0)
        application.ShowMessageBox(LoadStr(IDS_ERROR_SENDING_MAIL), "Error", MB_OK | MB_ICONERROR);
}

void TMainForm::HelpContents1Execute(TComponent*) {
    // The help file beside the program, with its base name; the empty topic
    // name asks the viewer for the file's contents.
    std::string helpFile = ChangeFileExt(ModuleFileName(), ".hlp");
    std::string macro = Format("JumpID(\"\",\"%s\")", "");
    WinHelpA(Handle(), helpFile.c_str(), HELP_COMMAND, reinterpret_cast<ULONG_PTR>(macro.c_str()));
}

void TMainForm::HelpAbout1Execute(TComponent*) {
    // Made after this window, like the Preferences dialog.
    if (!AboutForm)
        return;
    AboutForm->ShowModal();
}
