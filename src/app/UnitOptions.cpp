#include "app/UnitOptions.h"

using namespace tk;

namespace {

TCheckBox* newCheckBox(TComponent* owner, TWinControl* parent, const std::string& caption, int left,
                       int top, int width, int height) {
    auto* box = new TCheckBox(owner);
    box->SetCaption(caption);
    box->SetBounds(left, top, width, height);
    box->SetParent(parent);
    return box;
}

TLabel* newLabel(TComponent* owner, TWinControl* parent, const std::string& caption, int left,
                 int top, TWinControl* focusControl) {
    auto* label = new TLabel(owner);
    label->SetCaption(caption);
    label->SetBounds(left, top, label->Width(), label->Height());
    label->FocusControl = focusControl;
    label->SetParent(parent);
    return label;
}

} // namespace

TOptionsForm::TOptionsForm(TComponent* owner) : TForm(owner) {
    SetCaption("Preferences");
    SetFormBorderStyle(TFormBorderStyle::bsDialog);
    BorderIcons = biSystemMenu;
    Position = TPosition::poScreenCenter;
    SetClientSize(256, 312);

    OKBtn = new TButton(this);
    OKBtn->SetCaption("OK");
    OKBtn->SetBounds(95, 284, 75, 25);
    OKBtn->SetDefault(true);
    OKBtn->ModalResult = mrOk;
    CancelBtn = new TButton(this);
    CancelBtn->SetCaption("Cancel");
    CancelBtn->SetBounds(175, 284, 75, 25);
    CancelBtn->Cancel = true;
    CancelBtn->ModalResult = mrCancel;

    TabImages = new TImageList(this);
    TabImages->LoadFromResourceName(GetModuleHandleA(nullptr), "OPTIONS_TABS", clFuchsia);
    PageControl = new TPageControl(this);
    PageControl->SetBounds(8, 8, 241, 265);
    PageControl->SetImages(TabImages);
    PageControl->HotTrack = true;
    PageControl->SetParent(this);
    OKBtn->SetParent(this);
    CancelBtn->SetParent(this);

    ProgTab = new TTabSheet(this);
    ProgTab->SetCaption("&Program");
    ProgTab->SetImageIndex(0);
    ProgTab->SetPageControl(PageControl);
    ProgramPlaceGroup = new TRadioGroup(this);
    ProgramPlaceGroup->SetCaption("&Show Program In");
    ProgramPlaceGroup->SetBounds(8, 16, 209, 113);
    ProgramPlaceGroup->SetParent(ProgTab);
    ProgramPlaceGroup->SetItems(
        {"&Task Bar Area", "&System Tray Only", "Task &Bar and System Tray", "&Hide Program"});
    HotKeyEdit = new THotKey(this);
    HotKeyEdit->SetBounds(8, 168, 209, 19);
    HotKeyEdit->SetInvalidKeys(hcNone | hcShift); // a key alone, or with Shift only,
    HotKeyEdit->SetModifiers(hkAlt);              // gets Alt instead
    HotKeyLabel = newLabel(this, ProgTab, "&Hot Key for the Program", 8, 152, HotKeyEdit);
    HotKeyEdit->SetParent(ProgTab);
    ProgLoadOnStartBox =
        newCheckBox(this, ProgTab, "&Load program on Windows Startup", 8, 200, 188, 17);

    CbdTab = new TTabSheet(this);
    CbdTab->SetCaption("&Clipboard");
    CbdTab->SetImageIndex(1);
    CbdTab->SetPageControl(PageControl);
    CbdGroup = new TGroupBox(this);
    CbdGroup->SetCaption("Clipb&oard");
    CbdGroup->SetBounds(8, 16, 209, 121);
    CbdGroup->SetParent(CbdTab);
    CbdLoadOnStartBox = newCheckBox(this, CbdGroup, "&Load on Start", 16, 24, 97, 17);
    CbdSaveOnCloseBox = newCheckBox(this, CbdGroup, "&Save on Close", 16, 48, 97, 17);
    CbdSaveOnRebootBox = newCheckBox(this, CbdGroup, "Sa&ve on Reboot", 16, 72, 97, 17);
    CbdSaveOnTimeBox = newCheckBox(this, CbdGroup, "Sav&e on Time", 16, 96, 97, 17);
    SaveIntervalEdit = new TEdit(this);
    SaveIntervalEdit->SetBounds(8, 160, 209, 21);
    SaveIntervalEdit->OnKeyPress = [this](TComponent* sender, char& key) {
        SaveIntervalEditKeyPress(sender, key);
    };
    SaveIntervalLabel =
        newLabel(this, CbdTab, "Save &Interval (sec 0-3600)", 8, 144, SaveIntervalEdit);
    SaveIntervalEdit->SetParent(CbdTab);
    SaveFileEdit = new TCoolEditBtn(this);
    SaveFileEdit->SetBounds(8, 200, 209, 22);
    SaveFileEdit->Glyph().LoadFromResourceName(GetModuleHandleA(nullptr), "BROWSE_GLYPH");
    SaveFileEdit->OnBtnClick = [this](TComponent* sender) {
        SaveFileEditBtnClick(sender);
    };
    SaveFileLabel = newLabel(this, CbdTab, "&File To Save", 8, 184, SaveFileEdit);
    SaveFileEdit->SetParent(CbdTab);

    SaveDialog = new TSaveDialog(this);
    SaveDialog->DefaultExt = "cbd";
    SaveDialog->Filter = "Clipboard content (*.cbd)|*.cbd";
    SaveDialog->Options = ofHideReadOnly | ofNoChangeDir | ofEnableSizing;

    OnCreate = [this](TComponent* sender) {
        FormCreate(sender);
    };
    OnActivate = [this](TComponent* sender) {
        FormActivate(sender);
    };
}

void TOptionsForm::FormCreate(TComponent*) {
    if (ScreenFontInstalled("Tahoma"))
        Font().SetName("Tahoma");
}

void TOptionsForm::FormActivate(TComponent*) {
    // The activation that ends the browse dialog is not a new showing.
    if (browsing_)
        return;
    PageControl->SetActivePage(ProgTab);
    if (PageControl->CanFocus())
        PageControl->SetFocus();
}

void TOptionsForm::SaveIntervalEditKeyPress(TComponent*, char& key) {
    auto c = static_cast<unsigned char>(key);
    if (c != 8 && (c < '0' || c > '9')) {
        key = 0;
        return;
    }
    // Judged by the text before the keystroke: a field holding 3600 still
    // takes one more digit. A text that is no number lets the key through,
    // so that an emptied field stays usable.
    std::int32_t value = 0;
    if (TryStrToInt(SaveIntervalEdit->Text(), value) && value > 3600)
        key = 0;
}

void TOptionsForm::SaveFileEditBtnClick(TComponent*) {
    SaveDialog->InitialDir = ExtractFilePath(ModuleFileName());
    browsing_ = true;
    bool chosen = false;
    try {
        chosen = SaveDialog->Execute();
    } catch (...) {
        browsing_ = false;
        throw;
    }
    browsing_ = false;
    if (chosen)
        SaveFileEdit->SetText(ExtractFileName(SaveDialog->FileName));
}
