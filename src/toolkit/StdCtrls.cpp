#include "toolkit/StdCtrls.h"

#include <algorithm>
#include <cctype>

namespace tk {

// ------------------------------------------------------------------- TMemo

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 185, 89);
    SetColor(clWindow);
    SetBorderStyle(TBorderStyle::bsSingle);
    TabStop = true;
}

void TMemo::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TMemo";
    params.SystemClass = "EDIT";
    params.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (!WordWrap)
        params.Style |= ES_AUTOHSCROLL;
    if (readOnly_)
        params.Style |= ES_READONLY;
    if (ScrollBars == TScrollStyle::ssVertical || ScrollBars == TScrollStyle::ssBoth)
        params.Style |= WS_VSCROLL;
    if (ScrollBars == TScrollStyle::ssHorizontal || ScrollBars == TScrollStyle::ssBoth)
        params.Style |= WS_HSCROLL;
}

void TMemo::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (HandleAllocated())
        SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

void TMemo::PasteFromClipboard() {
    SendMessageA(Handle(), WM_PASTE, 0, 0);
}

void TMemo::SetSelStart(int start) {
    SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start);
    SendMessageA(Handle(), EM_SCROLLCARET, 0, 0);
}

// ------------------------------------------------------------- dialog keys

namespace {

template <typename F> void forEachControl(TWinControl& parent, F&& f) {
    for (TControl* c : std::vector<TControl*>(parent.Controls())) {
        f(*c);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            forEachControl(*w, f);
    }
}

bool usable(TControl& control) {
    for (TControl* c = &control; c; c = c->Parent())
        if (!c->Enabled())
            return false;
    return control.Showing();
}

// The toolkit control that has the focus (or whose inner window has it).
TWinControl* focusedControl() {
    for (HWND hwnd = GetFocus(); hwnd; hwnd = GetParent(hwnd))
        if (TWinControl* control = TWinControl::FromHandle(hwnd))
            return control;
    return nullptr;
}

void focusByTab(TWinControl& target) {
    target.SetFocus();
    if (auto* edit = dynamic_cast<TEdit*>(&target))
        edit->SelectAll();
}

bool moveFocus(TCustomForm& form, bool forward) {
    std::vector<TWinControl*> order = TabOrderOf(form);
    if (order.empty())
        return false;
    TWinControl* focused = focusedControl();
    auto at = order.end();
    for (TControl* c = focused; c && at == order.end(); c = c->Parent())
        at = std::find(order.begin(), order.end(), c);
    std::size_t index;
    if (at == order.end())
        index = forward ? 0 : order.size() - 1;
    else {
        auto current = static_cast<std::size_t>(at - order.begin());
        index =
            forward ? (current + 1) % order.size() : (current + order.size() - 1) % order.size();
    }
    focusByTab(*order[index]);
    return true;
}

TButton* findButton(TCustomForm& form, bool cancel) {
    TButton* found = nullptr;
    forEachControl(form, [&](TControl& c) {
        auto* button = dynamic_cast<TButton*>(&c);
        if (!found && button && (cancel ? button->Cancel : button->Default()) && usable(*button))
            found = button;
    });
    return found;
}

bool findAccelerator(TCustomForm& form, char key) {
    bool done = false;
    forEachControl(form, [&](TControl& c) {
        if (done || !usable(c))
            return;
        if (auto* target = dynamic_cast<TAccelTarget*>(&c))
            done = target->DialogChar(key);
    });
    return done;
}

bool keyDown(int vk) {
    return GetKeyState(vk) < 0;
}

} // namespace

char AccelChar(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i; // a plain "&"
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

TCustomForm* GetParentForm(TControl* control) {
    for (TControl* c = control; c; c = c->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            return form;
    return nullptr;
}

std::vector<TWinControl*> TabOrderOf(TCustomForm& form) {
    std::vector<TWinControl*> order;
    forEachControl(form, [&](TControl& c) {
        auto* w = dynamic_cast<TWinControl*>(&c);
        if (w && w->TabStop && w->HandleAllocated() && usable(*w))
            order.push_back(w);
    });
    return order;
}

bool DialogKey(TWinControl& control, TMessage& message) {
    if (message.Msg != WM_KEYDOWN && message.Msg != WM_SYSKEYDOWN)
        return false;
    TCustomForm* form = GetParentForm(&control);
    if (!form)
        return false;
    auto vk = static_cast<int>(message.WParam & 0xFF);
    if (message.Msg == WM_SYSKEYDOWN) {
        bool accel = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
        return accel && keyDown(VK_MENU) && !keyDown(VK_CONTROL) &&
               findAccelerator(*form, static_cast<char>(vk));
    }
    if (keyDown(VK_CONTROL) || keyDown(VK_MENU))
        return false;
    switch (vk) {
    case VK_TAB:
        return moveFocus(*form, !keyDown(VK_SHIFT));
    case VK_RETURN: {
        TButton* button = dynamic_cast<TButton*>(&control);
        if (!button)
            button = findButton(*form, false);
        if (!button)
            return false;
        button->Click();
        return true;
    }
    case VK_ESCAPE:
        if (TButton* button = findButton(*form, true)) {
            button->Click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
    SetAutoSize(true);
}

void TLabel::SetTransparent(bool transparent) {
    if (transparent_ == transparent)
        return;
    transparent_ = transparent;
    Invalidate();
}

UINT TLabel::TextFormat() const {
    return DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | (ShowAccelChar ? 0 : DT_NOPREFIX);
}

bool TLabel::CanAutoSize(int& width, int& height) {
    RECT r{0, 0, 0, 0};
    {
        TWindowDC screen(nullptr);
        TCanvas canvas(screen.Get());
        canvas.Font.Assign(Font());
        std::string text = Caption().empty() ? " " : Caption();
        canvas.DrawText(text, r, (TextFormat() & ~static_cast<UINT>(DT_WORDBREAK)) | DT_CALCRECT);
    }
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TLabel::Paint() {
    RECT r = ClientRect();
    if (!transparent_) {
        Canvas().Brush.SetColor(Color());
        Canvas().FillRect(r);
    }
    Canvas().Brush.SetStyle(TBrushStyle::bsClear);
    Canvas().Font.Assign(Font());
    if (!Enabled())
        Canvas().Font.SetColor(clGrayText);
    Canvas().DrawText(Caption(), r, TextFormat());
    Canvas().Brush.SetStyle(TBrushStyle::bsSolid);
}

bool TLabel::DialogChar(char key) {
    if (!ShowAccelChar || AccelChar(Caption()) != key || !FocusControl || !FocusControl->CanFocus())
        return false;
    FocusControl->SetFocus();
    return true;
}

// ---------------------------------------------------------- TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    TabStop = true;
}

void TButtonControl::WndProc(TMessage& message) {
    if (DialogKey(*this, message))
        return;
    TWinControl::WndProc(message);
}

void TButtonControl::CNCommand(TMessage& message) {
    if (HIWORD(message.WParam) == BN_CLICKED)
        Click();
}

void TButtonControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TButtonControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

// ----------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.WinClassName = "TButton";
    params.SystemClass = "BUTTON";
    params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
    default_ = value;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(ModalResult);
    TButtonControl::Click();
}

bool TButton::DialogChar(char key) {
    if (AccelChar(Caption()) != key)
        return false;
    Click();
    return true;
}

// --------------------------------------------------------- TCheckableButton

TCheckableButton::TCheckableButton(TComponent* owner, const char* className, DWORD style)
    : TButtonControl(owner), className_(className), style_(style) {}

void TCheckableButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.WinClassName = className_;
    params.SystemClass = "BUTTON";
    params.Style |= style_;
}

void TCheckableButton::CreateWindowHandle() {
    SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckableButton::Checked() const {
    if (HandleAllocated())
        return SendMessageA(const_cast<TCheckableButton*>(this)->Handle(), BM_GETCHECK, 0, 0) ==
               BST_CHECKED;
    return checked_;
}

void TCheckableButton::SetChecked(bool checked) {
    checked_ = checked;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckableButton::DialogChar(char key) {
    if (AccelChar(Caption()) != key || !CanFocus())
        return false;
    SetFocus();
    SendMessageA(Handle(), BM_CLICK, 0, 0);
    return true;
}

// --------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TCheckableButton(owner, "TCheckBox", BS_AUTOCHECKBOX) {
    SetBounds(0, 0, 97, 17);
}

// ------------------------------------------------------------ TRadioButton

TRadioButton::TRadioButton(TComponent* owner)
    : TCheckableButton(owner, "TRadioButton", BS_AUTORADIOBUTTON) {
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked) {
    TCheckableButton::SetChecked(checked);
    if (!checked || !Parent())
        return;
    for (TControl* c : Parent()->Controls())
        if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this)
            other->SetChecked(false);
}

void TRadioButton::CNCommand(TMessage& message) {
    if (HIWORD(message.WParam) == BN_CLICKED)
        checked_ = Checked();
    TCheckableButton::CNCommand(message);
}

// --------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 105);
    SetParentColor(true);
}

void TGroupBox::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "TGroupBox";
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TGroupBox::Paint() {
    RECT client = ClientRect();
    Canvas().Brush.SetColor(Color());
    Canvas().FillRect(client);
    Canvas().Font.Assign(Font());
    int textHeight = Canvas().TextHeight("0");
    RECT frame{client.left, client.top + textHeight / 2, client.right, client.bottom};
    DrawEdge(Canvas().Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (Caption().empty())
        return;
    RECT text{8, 0, 0, 0};
    Canvas().DrawText(Caption(), text, DT_SINGLELINE | DT_CALCRECT);
    text.right += 2;
    text.left -= 1;
    Canvas().FillRect(text); // the caption interrupts the frame
    text.left += 1;
    Canvas().Brush.SetStyle(TBrushStyle::bsClear);
    if (!Enabled())
        Canvas().Font.SetColor(clGrayText);
    Canvas().DrawText(Caption(), text, DT_SINGLELINE);
    Canvas().Brush.SetStyle(TBrushStyle::bsSolid);
}

bool TGroupBox::DialogChar(char key) {
    if (AccelChar(Caption()) != key)
        return false;
    TWinControl* first = nullptr;
    TWinControl* checked = nullptr;
    for (TControl* c : Controls()) {
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w || !w->TabStop || !w->CanFocus())
            continue;
        if (!first)
            first = w;
        if (auto* radio = dynamic_cast<TRadioButton*>(w); radio && radio->Checked() && !checked)
            checked = radio;
    }
    TWinControl* target = checked ? checked : first;
    if (!target)
        return false;
    target->SetFocus();
    return true;
}

// ------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(TComponent* owner) : TGroupBox(owner) {}

void TRadioGroup::SetItems(const std::vector<std::string>& items) {
    for (TRadioButton* button : buttons_)
        Free(button);
    buttons_.clear();
    items_ = items;
    for (const auto& item : items_) {
        auto* button = new TRadioButton(this);
        button->SetCaption(item);
        button->TabStop = false;
        button->OnClick = [this, button](TComponent*) {
            ButtonClicked(button);
        };
        button->SetParent(this);
        buttons_.push_back(button);
    }
    SetItemIndex(itemIndex_);
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int index) {
    int count = static_cast<int>(buttons_.size());
    index = std::clamp(index, -1, count - 1);
    itemIndex_ = index;
    for (int i = 0; i < count; ++i) {
        buttons_[static_cast<std::size_t>(i)]->SetChecked(i == index);
        // Tab reaches the group through its checked button (the first when none is).
        buttons_[static_cast<std::size_t>(i)]->TabStop = i == std::max(index, 0);
    }
}

void TRadioGroup::ButtonClicked(TRadioButton* button) {
    auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end() || !button->Checked())
        return;
    SetItemIndex(static_cast<int>(it - buttons_.begin()));
    if (OnClick)
        OnClick(this);
}

void TRadioGroup::BoundsChanged() {
    TGroupBox::BoundsChanged();
    ArrangeButtons();
}

void TRadioGroup::FontChanged() {
    TGroupBox::FontChanged();
    ArrangeButtons();
}

// One column below the caption; the rows share the height evenly.
void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty())
        return;
    int textHeight;
    {
        TWindowDC screen(nullptr);
        TCanvas canvas(screen.Get());
        canvas.Font.Assign(Font());
        textHeight = canvas.TextHeight("0");
    }
    int count = static_cast<int>(buttons_.size());
    int room = std::max(Height() - textHeight - 5, 0);
    int rowHeight = room / count;
    int top = textHeight + 1 + (room % count) / 2;
    for (int i = 0; i < count; ++i)
        buttons_[static_cast<std::size_t>(i)]->SetBounds(8, top + i * rowHeight, Width() - 10,
                                                         rowHeight);
}

// ------------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetBorderStyle(TBorderStyle::bsSingle);
    TabStop = true;
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.WinClassName = "TEdit";
    params.SystemClass = "EDIT";
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (readOnly_)
        params.Style |= ES_READONLY;
}

void TEdit::CreateWindowHandle() {
    if (maxLength_ > 0)
        SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (HandleAllocated())
        SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (HandleAllocated())
        SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

void TEdit::SelectAll() {
    if (HandleAllocated())
        SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TEdit::WndProc(TMessage& message) {
    if (DialogKey(*this, message))
        return;
    // The characters of the dialog keys are not text of a one-line field.
    if (message.Msg == WM_CHAR &&
        (message.WParam == '\r' || message.WParam == '\t' || message.WParam == 0x1B))
        return;
    TWinControl::WndProc(message);
}

void TEdit::CNCommand(TMessage& message) {
    if (HIWORD(message.WParam) == EN_CHANGE) {
        TControl::SetText(Text()); // keeps the stored caption in step
        if (OnChange)
            OnChange(this);
    }
}

} // namespace tk
