// The program's tray menu: a popup with the title along its left side and
// the main window's About, Open, Save, Delete, Preferences and Exit.
#pragma once

#include "toolkit/ActnList.h"
#include "toolkit/Forms.h"
#include "toolkit/ImgList.h"
#include "traymenu/CoolItem2000.h"
#include "traymenu/CoolMenuLabel.h"
#include "traymenu/CoolWindowPopup.h"

// What the main window lends the menu: its actions, its image list, itself.
struct TTrayMenuSources {
    tk::TCustomForm* MainForm = nullptr;
    tk::TImageList* Images = nullptr;
    tk::TAction* HelpAbout1 = nullptr;
    tk::TAction* FileOpen1 = nullptr;
    tk::TAction* FileSave1 = nullptr;
    tk::TAction* EditDelete1 = nullptr;
    tk::TAction* OptionsPreferences1 = nullptr;
    tk::TAction* FileExit1 = nullptr;
};

class TTrayIconWindow : public TCoolWindowPopup {
public:
    TTrayIconWindow(tk::TComponent* owner, const TTrayMenuSources& sources);

    // Children, in order (top to bottom).
    TCoolMenuLabel* CoolMenuLabel;
    TCoolItem2000* CoolItem20004; // About
    TCoolItemSeparator2000* CoolItemSeparator20001;
    TCoolItem2000* CoolItem20001; // Open
    TCoolItem2000* CoolItem20002; // Save
    TCoolItem2000* CoolItem20005; // Delete
    TCoolItemSeparator2000* CoolItemSeparator20003;
    TCoolItem2000* CoolItem20006; // Preferences
    TCoolItemSeparator2000* CoolItemSeparator20002;
    TCoolItem2000* CoolItem20003; // Exit

    void CoolWindowPopupCreate(tk::TComponent* sender);
    void CoolWindowPopupShowHideBegin(tk::TComponent* sender);
    void CoolWindowPopupShowHideEnd(tk::TComponent* sender);
    void CoolWindowPopupHide(tk::TComponent* sender);

protected:
    std::string WindowClassName() const override { return "TTrayIconWindow"; }

private:
    TCoolItem2000* NewItem(tk::TAction* action);
    TCoolItemSeparator2000* NewSeparator();

    TTrayMenuSources sources_;
};
