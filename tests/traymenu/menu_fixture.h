// A tray menu on a simulated desktop, lent its actions and images by a main
// window of the test's own (the program's main window lives above this
// library): the six commands count their runs.
#pragma once

#include "support/sim_fixture.h"
#include "toolkit/ActnList.h"
#include "toolkit/Forms.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"
#include "traymenu/HookList.h"
#include "traymenu/TrayIconMenu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// 0x00RRGGBB of a colour, as sim::Pixels gives them.
inline std::uint32_t PixelOf(tk::TColor color) {
    COLORREF c = tk::ColorToRGB(color);
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

class MenuTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        host = App().CreateForm<tk::TForm>();
        host->Name = "MainForm";
        host->SetBounds(100, 100, 400, 300);
        images = new tk::TImageList(host);
        // Sixteen images, each a square of its own colour in a transparent frame.
        tk::TBitmap strip;
        strip.SetSize(16 * 16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16 * 16; ++x) {
                bool frame = x % 16 == 0 || x % 16 == 15 || y == 0 || y == 15;
                strip.ScanLine(y)[x] = frame ? 0xFF00FFu : ImagePixel(x / 16);
            }
        images->AddMasked(strip, tk::clFuchsia);
        actions = new tk::TActionList(host);
        actions->Images = images;
        HelpAbout1 =
            NewAction("&About...",
                      "About|Displays program information, version number, and copyright", 0, -1);
        FileOpen1 = NewAction("&Open", "Open|Open a file", 16463, 7);
        FileSave1 = NewAction("&Save", "Save|Save current file", 16467, 8);
        EditDelete1 = NewAction("&Delete", "Delete|Clear the Clipboard...", 46, 5);
        OptionsPreferences1 = NewAction("&Preferences", "Options|Preferences", 16464, 10);
        FileExit1 = NewAction("E&xit", "Exit|Exit application", 0, -1);
        menu = App().CreateForm<TTrayIconWindow>(TTrayMenuSources{host, images, HelpAbout1,
                                                                  FileOpen1, FileSave1, EditDelete1,
                                                                  OptionsPreferences1, FileExit1});
    }
    void TearDown() override {
        menu = nullptr;
        host = nullptr;
        AppTest::TearDown();
    }

    static std::uint32_t ImagePixel(int index) {
        return 0x000000u | (static_cast<std::uint32_t>(20 + 10 * index) << 16) | 0x00C832u;
    }

    tk::TAction* NewAction(const std::string& caption, const std::string& hint,
                           tk::TShortCut shortCut, int image) {
        auto* action = new tk::TAction(host);
        action->SetCaption(caption);
        action->SetHint(hint);
        action->SetShortCut(shortCut);
        action->SetImageIndex(image);
        action->OnExecute = [this, action](tk::TComponent*) {
            runs.push_back(action->Caption());
            menuVisibleWhenRun.push_back(menu && IsWindowVisible(menu->Handle()));
        };
        action->SetActionList(actions);
        return action;
    }

    // Shows the main window and opens the menu as the tray icon's release does.
    void ShowHostAndOpenAt(POINT cursor) {
        host->Show();
        App().ProcessMessages();
        for (tk::TAction* a : {FileOpen1, FileSave1, EditDelete1, OptionsPreferences1})
            a->SetShortCut(0);
        SetForegroundWindow(menu->Handle());
        App().ProcessMessages();
        menu->PopupAt(cursor.x - menu->Width(), cursor.y - menu->Height());
    }
    void Open() { ShowHostAndOpenAt(POINT{600, 500}); }
    bool MenuVisible() { return IsWindowVisible(menu->Handle()) != FALSE; }

    // A key as the user presses it to the window that has the keyboard.
    void Key(UINT vk) {
        sim::PressKeys({vk});
        App().ProcessMessages();
    }
    // The middle of an item, in the menu's client coordinates.
    static POINT Middle(tk::TControl* control) {
        return POINT{control->Left() + control->Width() / 2,
                     control->Top() + control->Height() / 2};
    }
    std::vector<TCoolItem*> CommandItems() {
        return {menu->CoolItem20004, menu->CoolItem20001, menu->CoolItem20002,
                menu->CoolItem20005, menu->CoolItem20006, menu->CoolItem20003};
    }
    std::vector<std::string> ShortCutTexts() {
        std::vector<std::string> texts;
        for (tk::TAction* a : {FileOpen1, FileSave1, EditDelete1, OptionsPreferences1})
            texts.push_back(tk::ShortCutToText(a->ShortCut()));
        return texts;
    }

    tk::TForm* host = nullptr;
    tk::TImageList* images = nullptr;
    tk::TActionList* actions = nullptr;
    tk::TAction* HelpAbout1 = nullptr;
    tk::TAction* FileOpen1 = nullptr;
    tk::TAction* FileSave1 = nullptr;
    tk::TAction* EditDelete1 = nullptr;
    tk::TAction* OptionsPreferences1 = nullptr;
    tk::TAction* FileExit1 = nullptr;
    TTrayIconWindow* menu = nullptr;
    std::vector<std::string> runs;
    std::vector<bool> menuVisibleWhenRun;
};

} // namespace testing_support
