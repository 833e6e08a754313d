// Common controls: the status bar, the hot key field and the page control
// with its tab sheets.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"

#include <functional>
#include <string>
#include <vector>

namespace tk {

class TImageList;

// One simple panel; with AutoHint it shows the application's hint.
class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);

    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);
    bool AutoHint = false;
    void ApplicationHintChanged(const std::string& hint) override;
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;

private:
    std::string simpleText_;
};

// The modifier combinations a hot key field does not accept as typed
// (HKCOMB_*), and the modifiers (hk*) it puts in their place.
using THKInvalidKeys = std::uint8_t;
constexpr THKInvalidKeys hcNone = 0x01;
constexpr THKInvalidKeys hcShift = 0x02;
constexpr THKInvalidKeys hcCtrl = 0x04;
constexpr THKInvalidKeys hcAlt = 0x08;
constexpr THKInvalidKeys hcShiftCtrl = 0x10;
constexpr THKInvalidKeys hcShiftAlt = 0x20;
constexpr THKInvalidKeys hcCtrlAlt = 0x40;
constexpr THKInvalidKeys hcShiftCtrlAlt = 0x80;
using THKModifiers = std::uint8_t;
constexpr THKModifiers hkShift = 0x01;
constexpr THKModifiers hkCtrl = 0x02;
constexpr THKModifiers hkAlt = 0x04;
constexpr THKModifiers hkExt = 0x08;

// The platform's hot key field: the user types a combination, which the
// field's rules may change (by default a key without modifier, or with Shift
// alone, gets Alt instead). Tab, Enter and Esc without Ctrl or Alt stay
// dialog keys.
class THotKey : public TWinControl {
public:
    explicit THotKey(TComponent* owner);

    TShortCut HotKey() const;
    void SetHotKey(TShortCut shortCut);
    THKInvalidKeys InvalidKeys() const { return invalidKeys_; }
    void SetInvalidKeys(THKInvalidKeys keys);
    THKModifiers Modifiers() const { return modifiers_; }
    void SetModifiers(THKModifiers modifiers);
    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    void CNCommand(TMessage& message) override;

private:
    void ApplyRules();
    TShortCut hotKey_ = 0;
    THKInvalidKeys invalidKeys_ = hcNone | hcShift;
    THKModifiers modifiers_ = hkAlt;
};

class TPageControl;

// A page of a page control; only the active page is shown.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);

protected:
    void CreateParams(TCreateParams& params) override;
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
};

// Tabs over pages (the platform's tab control). A click on a tab asks
// OnChanging, shows the page and raises OnChange; a tab's accelerator does
// the same from the keyboard.
class TPageControl : public TWinControl, public TAccelTarget {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const { return activePage_; }
    // Shows the page and selects its tab; no events.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);

    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    bool HotTrack = false;
    // Where the pages lie, in client coordinates.
    RECT DisplayRect();

    TNotifyEvent OnChange;
    std::function<void(TComponent* sender, bool& allowChange)> OnChanging;

    void WndProc(TMessage& message) override;
    bool DialogChar(char key) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    void CNNotify(TMessage& message) override;
    void AlignControls(RECT& rect) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTab(TTabSheet* page);
    void ShowOnly(TTabSheet* page);
    // The user's choice of a page: asks, switches, tells.
    bool ChangeTo(int index);

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    TImageList* images_ = nullptr;
};

} // namespace tk
