#include "toolkit/ComCtrls.h"
#include "toolkit/ImgList.h"

#include <algorithm>

namespace tk {

namespace {

void initCommonControl(DWORD classes) {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), classes};
    InitCommonControlsEx(&init);
}

} // namespace

// -------------------------------------------------------------- TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 100, 19);
    SetAlign(TAlign::alBottom);
}

void TStatusBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TStatusBar";
    params.SystemClass = STATUSCLASSNAMEA;
    // The status bar keeps the place the alignment gives it.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | SBARS_SIZEGRIP;
}

void TStatusBar::CreateWindowHandle() {
    SendMessageA(Handle(), SB_SIMPLE, TRUE, 0);
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::SetSimpleText(const std::string& text) {
    simpleText_ = text;
    if (HandleAllocated())
        SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID,
                     reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::WndProc(TMessage& message) {
    TWinControl::WndProc(message);
    if (message.Msg == WM_SIZE && HandleAllocated()) {
        // The bar keeps the place the alignment gives it, so its panel and its
        // size grip are laid out anew here, and all of it is painted again:
        // the platform would repaint only what a resize uncovered, leaving the
        // grip of the old size behind.
        int rightEdge = -1;
        SendMessageA(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&rightEdge));
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TStatusBar::ApplicationHintChanged(const std::string& hint) {
    if (AutoHint)
        SetSimpleText(hint);
}

// ----------------------------------------------------------------- THotKey

namespace {

WORD hotKeyWord(TShortCut shortCut) {
    BYTE flags = 0;
    if (shortCut & scShift)
        flags |= HOTKEYF_SHIFT;
    if (shortCut & scCtrl)
        flags |= HOTKEYF_CONTROL;
    if (shortCut & scAlt)
        flags |= HOTKEYF_ALT;
    return MAKEWORD(shortCut & 0xFF, flags);
}

TShortCut shortCutOf(WORD hotKey) {
    BYTE flags = HIBYTE(hotKey);
    TShortCut shortCut = LOBYTE(hotKey);
    if (flags & HOTKEYF_SHIFT)
        shortCut |= scShift;
    if (flags & HOTKEYF_CONTROL)
        shortCut |= scCtrl;
    if (flags & HOTKEYF_ALT)
        shortCut |= scAlt;
    return shortCut;
}

} // namespace

THotKey::THotKey(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 121, 19);
    SetColor(clWindow);
    SetBorderStyle(TBorderStyle::bsSingle);
    TabStop = true;
}

void THotKey::CreateParams(TCreateParams& params) {
    initCommonControl(ICC_HOTKEY_CLASS);
    TWinControl::CreateParams(params);
    params.WinClassName = "THotKey";
    params.SystemClass = HOTKEY_CLASSA;
}

void THotKey::CreateWindowHandle() {
    ApplyRules();
    SendMessageA(Handle(), HKM_SETHOTKEY, hotKeyWord(hotKey_), 0);
}

void THotKey::ApplyRules() {
    if (HandleAllocated())
        SendMessageA(Handle(), HKM_SETRULES, invalidKeys_, MAKELPARAM(modifiers_, 0));
}

TShortCut THotKey::HotKey() const {
    if (!HandleAllocated())
        return hotKey_;
    auto hotKey =
        static_cast<WORD>(SendMessageA(const_cast<THotKey*>(this)->Handle(), HKM_GETHOTKEY, 0, 0));
    return shortCutOf(hotKey);
}

void THotKey::SetHotKey(TShortCut shortCut) {
    hotKey_ = shortCut;
    if (HandleAllocated())
        SendMessageA(Handle(), HKM_SETHOTKEY, hotKeyWord(shortCut), 0);
}

void THotKey::SetInvalidKeys(THKInvalidKeys keys) {
    invalidKeys_ = keys;
    ApplyRules();
}

void THotKey::SetModifiers(THKModifiers modifiers) {
    modifiers_ = modifiers;
    ApplyRules();
}

void THotKey::WndProc(TMessage& message) {
    // Every other combination, Alt and a letter included, is the field's to take.
    if (message.Msg == WM_KEYDOWN &&
        (message.WParam == VK_TAB || message.WParam == VK_RETURN || message.WParam == VK_ESCAPE) &&
        DialogKey(*this, message))
        return;
    TWinControl::WndProc(message);
}

void THotKey::CNCommand(TMessage& message) {
    if (HIWORD(message.WParam) == EN_CHANGE) {
        hotKey_ = HotKey();
        if (OnChange)
            OnChange(this);
    }
}

// --------------------------------------------------------------- TTabSheet

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetVisibleSilently(false);
}

TTabSheet::~TTabSheet() {
    SetPageControl(nullptr);
}

void TTabSheet::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TTabSheet";
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl_ == pageControl)
        return;
    if (pageControl_)
        pageControl_->RemovePage(this);
    pageControl_ = pageControl;
    if (pageControl_)
        pageControl_->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_)
        return -1;
    auto& pages = pageControl_->pages_;
    auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetImageIndex(int index) {
    imageIndex_ = index;
    if (pageControl_)
        pageControl_->UpdateTab(this);
}

void TTabSheet::TextChanged() {
    if (pageControl_)
        pageControl_->UpdateTab(this);
}

// ------------------------------------------------------------ TPageControl

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 289, 193);
    TabStop = true;
}

TPageControl::~TPageControl() {
    // The pages go with the control (they are its children); they need not
    // tell it on their way.
    for (TTabSheet* page : pages_)
        page->pageControl_ = nullptr;
    pages_.clear();
    activePage_ = nullptr;
}

void TPageControl::CreateParams(TCreateParams& params) {
    initCommonControl(ICC_TAB_CLASSES);
    TWinControl::CreateParams(params);
    params.WinClassName = "TPageControl";
    params.SystemClass = WC_TABCONTROLA;
    params.Style |= TCS_TABS | (HotTrack ? TCS_HOTTRACK : 0);
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPageControl::CreateWindowHandle() {
    if (images_)
        SendMessageA(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        std::string caption = pages_[i]->Caption();
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = caption.data();
        item.iImage = pages_[i]->ImageIndex();
        SendMessageA(Handle(), TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    if (activePage_)
        SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(activePage_->PageIndex()), 0);
    Realign();
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->SetParent(this);
    if (HandleAllocated()) {
        std::string caption = page->Caption();
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = caption.data();
        item.iImage = page->ImageIndex();
        SendMessageA(Handle(), TCM_INSERTITEMA, pages_.size() - 1, reinterpret_cast<LPARAM>(&item));
    }
    if (!activePage_)
        SetActivePage(page);
    Realign();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end())
        return;
    auto index = static_cast<WPARAM>(it - pages_.begin());
    pages_.erase(it);
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_DELETEITEM, index, 0);
    if (activePage_ == page)
        SetActivePage(pages_.empty() ? nullptr : pages_.front());
}

void TPageControl::UpdateTab(TTabSheet* page) {
    int index = page->PageIndex();
    if (!HandleAllocated() || index < 0)
        return;
    std::string caption = page->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = caption.data();
    item.iImage = page->ImageIndex();
    SendMessageA(Handle(), TCM_SETITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void TPageControl::ShowOnly(TTabSheet* page) {
    // The new page first, so that the focus never falls out of the pages.
    if (page)
        page->SetVisible(true);
    for (TTabSheet* other : pages_)
        if (other != page)
            other->SetVisible(false);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this)
        return;
    activePage_ = page;
    if (page && HandleAllocated())
        SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(page->PageIndex()), 0);
    ShowOnly(page);
}

int TPageControl::ActivePageIndex() const {
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    if (index >= 0 && index < PageCount())
        SetActivePage(Pages(index));
    else
        SetActivePage(nullptr);
}

void TPageControl::SetImages(TImageList* images) {
    images_ = images;
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_SETIMAGELIST, 0,
                     reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

RECT TPageControl::DisplayRect() {
    RECT r = ClientRect();
    if (HandleAllocated())
        SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

void TPageControl::AlignControls(RECT& rect) {
    if (HandleAllocated()) {
        RECT display = DisplayRect();
        for (TTabSheet* page : pages_)
            page->SetBounds(display.left, display.top, display.right - display.left,
                            display.bottom - display.top);
    }
    TWinControl::AlignControls(rect);
}

bool TPageControl::ChangeTo(int index) {
    if (index < 0 || index >= PageCount() || Pages(index) == activePage_)
        return false;
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    if (!allow)
        return false;
    SetActivePage(Pages(index));
    if (OnChange)
        OnChange(this);
    return true;
}

void TPageControl::CNNotify(TMessage& message) {
    auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
    if (header->code == TCN_SELCHANGING) {
        bool allow = true;
        if (OnChanging)
            OnChanging(this, allow);
        message.Result = allow ? FALSE : TRUE;
    } else if (header->code == TCN_SELCHANGE) {
        auto index = static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
        activePage_ = index >= 0 && index < PageCount() ? Pages(index) : nullptr;
        ShowOnly(activePage_);
        if (OnChange)
            OnChange(this);
    }
}

void TPageControl::WndProc(TMessage& message) {
    if (DialogKey(*this, message))
        return;
    // The arrow keys move between the pages here: the platform's tab control
    // (Wine's) moves its selection by them without letting go of the tab
    // chosen before, and then ignores clicks on that tab.
    if (message.Msg == WM_KEYDOWN && (message.WParam == VK_LEFT || message.WParam == VK_RIGHT) &&
        !(KeyboardShiftState() & (ssCtrl | ssAlt))) {
        ChangeTo(ActivePageIndex() + (message.WParam == VK_LEFT ? -1 : 1));
        return;
    }
    TWinControl::WndProc(message);
}

bool TPageControl::DialogChar(char key) {
    for (int i = 0; i < PageCount(); ++i)
        if (AccelChar(Pages(i)->Caption()) == key) {
            if (CanFocus())
                SetFocus();
            ChangeTo(i);
            return true;
        }
    return false;
}

} // namespace tk
