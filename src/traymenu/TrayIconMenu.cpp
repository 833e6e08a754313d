#include "traymenu/TrayIconMenu.h"
#include "toolkit/Application.h"
#include "toolkit/Menus.h"

TTrayIconWindow::TTrayIconWindow(tk::TComponent* owner, const TTrayMenuSources& sources)
    : TCoolWindowPopup(owner), sources_(sources) {
    Name = "TrayIconWindow";
    SetCaption("");
    SetImages(sources.Images);

    CoolMenuLabel = new TCoolMenuLabel(this);
    CoolMenuLabel->SetLabelOrientation(TLabelOrientation::loVertical);
    CoolMenuLabel->SetBackFrom(tk::clGray);
    CoolMenuLabel->SetBackTo(11190207); // RGB(191, 191, 170)
    CoolMenuLabel->SetBevelInner(tk::TBevelCut::bvRaised);
    CoolMenuLabel->SetBevelOuter(tk::TBevelCut::bvLowered);
    CoolMenuLabel->SetShadowColor(tk::clBlack);
    CoolMenuLabel->SetShadowSize(2);
    CoolMenuLabel->SetShadowPos(TShadowPosition::spLeftBottom);
    CoolMenuLabel->SetCaption("Stashwell v. 2.0.1");
    tk::TFont& labelFont = CoolMenuLabel->Font();
    labelFont.SetName("Comic Sans MS");
    labelFont.SetHeight(-11);
    labelFont.SetColor(tk::clWhite);
    labelFont.SetCharset(ANSI_CHARSET);
    CoolMenuLabel->SetParentFont(false);
    CoolMenuLabel->SetBounds(0, 0, 25, CoolMenuLabel->Height());
    CoolMenuLabel->SetAlign(tk::TAlign::alLeft);
    CoolMenuLabel->SetParent(this);

    CoolItem20004 = NewItem(sources.HelpAbout1);
    CoolItemSeparator20001 = NewSeparator();
    CoolItem20001 = NewItem(sources.FileOpen1);
    CoolItem20002 = NewItem(sources.FileSave1);
    CoolItem20005 = NewItem(sources.EditDelete1);
    CoolItemSeparator20003 = NewSeparator();
    CoolItem20006 = NewItem(sources.OptionsPreferences1);
    CoolItemSeparator20002 = NewSeparator();
    CoolItem20003 = NewItem(sources.FileExit1);

    SetAutoSize(true);
    OnCreate = [this](tk::TComponent* sender) {
        CoolWindowPopupCreate(sender);
    };
    OnHide = [this](tk::TComponent* sender) {
        CoolWindowPopupHide(sender);
    };
    OnShowHideBegin = [this](tk::TComponent* sender) {
        CoolWindowPopupShowHideBegin(sender);
    };
    OnShowHideEnd = [this](tk::TComponent* sender) {
        CoolWindowPopupShowHideEnd(sender);
    };
}

TCoolItem2000* TTrayIconWindow::NewItem(tk::TAction* action) {
    auto* item = new TCoolItem2000(this);
    item->SetLeft(25);
    tk::TFont& selected = item->SelectedFont();
    selected.SetName("MS Sans Serif");
    selected.SetHeight(-11);
    selected.SetColor(tk::clHighlightText);
    item->SetFontsMatch(false); // designed: it keeps its own font
    item->SetAction(action);
    item->SetParent(this);
    return item;
}

TCoolItemSeparator2000* TTrayIconWindow::NewSeparator() {
    auto* separator = new TCoolItemSeparator2000(this);
    separator->SetLeft(25);
    separator->SetParent(this);
    return separator;
}

void TTrayIconWindow::CoolWindowPopupCreate(tk::TComponent*) {
    CoolMenuLabel->SetCaption(tk::ApplicationOf(this).Title());
    SetParentForm(sources_.MainForm);
    // The items follow the window's font; the label keeps its own.
    if (tk::ScreenFontInstalled("Tahoma"))
        Font().SetName("Tahoma");
}

void TTrayIconWindow::CoolWindowPopupShowHideBegin(tk::TComponent*) {
    CoolMenuLabel->SetHeight(0);
}

void TTrayIconWindow::CoolWindowPopupShowHideEnd(tk::TComponent*) {
    CoolMenuLabel->SetHeight(ClientHeight());
}

void TTrayIconWindow::CoolWindowPopupHide(tk::TComponent*) {
    // The main window took these while the menu was open.
    if (sources_.FileOpen1)
        sources_.FileOpen1->SetShortCut(tk::TextToShortCut("Ctrl+O"));
    if (sources_.FileSave1)
        sources_.FileSave1->SetShortCut(tk::TextToShortCut("Ctrl+S"));
    if (sources_.EditDelete1)
        sources_.EditDelete1->SetShortCut(tk::TextToShortCut("Del"));
    if (sources_.OptionsPreferences1)
        sources_.OptionsPreferences1->SetShortCut(tk::TextToShortCut("Ctrl+P"));
}
