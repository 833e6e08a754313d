// The windowed control: its window made on first use, the messages of the
// window routed to the control and its graphic children, painting and the
// alignment of the children.
#include "toolkit/Controls.h"
#include "toolkit/Application.h"

#include <algorithm>
#include <utility>

namespace tk {

namespace {

TMouseButton buttonOf(UINT msg) {
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        return TMouseButton::mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

TShiftState shiftOf(WPARAM keys) {
    TShiftState shift = 0;
    if (keys & MK_SHIFT)
        shift |= ssShift;
    if (keys & MK_CONTROL)
        shift |= ssCtrl;
    if (keys & MK_LBUTTON)
        shift |= ssLeft;
    if (keys & MK_RBUTTON)
        shift |= ssRight;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

} // namespace

// --------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // A windowed control frees the controls it parents, then its window; a
    // control on its way out lays nothing out any more.
    aligning_ = true;
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        RemoveControl(child);
        Free(child);
    }
    DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
    return dynamic_cast<TWinControl*>(TargetOf(hwnd));
}

HWND TWinControl::Handle() {
    if (!handle_)
        CreateHandle();
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = text_;
    params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Visible())
        params.Style |= WS_VISIBLE;
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (TabStop)
        params.Style |= WS_TABSTOP;
    if (borderStyle_ == TBorderStyle::bsSingle)
        params.ExStyle |= WS_EX_CLIENTEDGE;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WinClassName = "TWinControl";
}

void TWinControl::CreateHandle() {
    if (handle_)
        return;
    if (Parent()) {
        Parent()->HandleNeeded(); // makes ours as well
        if (handle_)
            return;
    }
    CreateWnd();
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if (Parent())
        params.WndParent = Parent()->Handle();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    if (!GetClassInfoA(instance, params.WinClassName.c_str(), &existing)) {
        WNDCLASSA cls{};
        if (!params.SystemClass.empty()) {
            // A superclass of the platform's control: our procedure first,
            // then the platform's.
            if (!GetClassInfoA(nullptr, params.SystemClass.c_str(), &cls))
                throw Exception("Cannot find the window class " + params.SystemClass);
        } else {
            cls.style = params.ClassStyle;
            cls.hCursor = params.ClassCursor ? params.ClassCursor : LoadCursorA(nullptr, IDC_ARROW);
        }
        if (!RegisterTargetClass(params.WinClassName.c_str(), cls))
            throw Exception("Cannot register the window class " + params.WinClassName);
    }
    if (!params.SystemClass.empty()) {
        WNDCLASSA system{};
        GetClassInfoA(nullptr, params.SystemClass.c_str(), &system);
        defWndProc_ = system.lpfnWndProc;
    } else {
        defWndProc_ = &DefWindowProcA;
    }
    HWND hwnd = CreateTargetWindow(*this, params.ExStyle, params.WinClassName.c_str(),
                                   params.Caption.c_str(), params.Style, params.X, params.Y,
                                   params.Width, params.Height, params.WndParent, this);
    if (!hwnd)
        throw Exception(
            Format("Error creating window (%lu)", static_cast<unsigned long>(GetLastError())));
    handle_ = hwnd;
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    for (TControl* child : std::vector<TControl*>(controls_))
        if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed && !windowed->handle_)
            windowed->CreateWnd();
    UpdateBoundsFromWindow();
    Realign();
    CreateWindowHandle();
}

void TWinControl::DestroyHandle() {
    if (handle_)
        DestroyWindow(handle_); // WM_NCDESTROY clears handle_
    handle_ = nullptr;
}

void TWinControl::WindowMessage(HWND window, TMessage& message) {
    if (!handle_)
        handle_ = window; // a message of the window's creation
    try {
        WndProc(message);
    } catch (const std::exception& error) {
        ReportException(this, error);
    }
    if (message.Msg == WM_NCDESTROY)
        handle_ = nullptr;
}

void TWinControl::DefaultHandler(TMessage& message) {
    message.Result = CallWindowProcA(defWndProc_ ? defWndProc_ : &DefWindowProcA, handle_,
                                     message.Msg, message.WParam, message.LParam);
}

bool TWinControl::ParentNotifies(TMessage& message) {
    HWND child = nullptr;
    if (message.Msg == WM_COMMAND)
        child = reinterpret_cast<HWND>(message.LParam);
    TWinControl* control = FromHandle(child);
    if (!control || control == this)
        return false;
    control->CNCommand(message);
    return true;
}

void TWinControl::WndProc(TMessage& message) {
    bool ownClass = defWndProc_ == &DefWindowProcA || !defWndProc_;
    switch (message.Msg) {
    case WM_PAINT:
        if (ownClass) {
            TPaintDC paint(handle_);
            PaintWindow(paint.Get());
            return;
        }
        DefaultHandler(message);
        if (!controls_.empty()) {
            TWindowDC dc(handle_);
            PaintControls(dc.Get());
        }
        return;
    case WM_ERASEBKGND:
        if (ownClass) {
            message.Result = 1; // PaintWindow fills the background
            return;
        }
        break;
    case WM_SIZE:
    case WM_MOVE:
        DefaultHandler(message);
        UpdateBoundsFromWindow();
        if (message.Msg == WM_SIZE)
            Realign();
        return;
    case WM_COMMAND:
        if (message.LParam && ParentNotifies(message))
            return;
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
        if (TWinControl* child = header ? FromHandle(header->hwndFrom) : nullptr;
            child && child != this) {
            child->CNNotify(message);
            return;
        }
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(message.LParam))) {
            HDC dc = reinterpret_cast<HDC>(message.WParam);
            SetTextColor(dc, ColorToRGB(child->Font().Color()));
            SetBkColor(dc, ColorToRGB(child->Color()));
            if (!child->brush_)
                child->brush_.Reset(CreateSolidBrush(ColorToRGB(child->Color())));
            message.Result = reinterpret_cast<LRESULT>(child->brush_.Get());
            return;
        }
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        RouteMouse(message);
        return;
    case WM_MOUSELEAVE:
        EndHover();
        DefaultHandler(message);
        return;
    case WM_CHAR: {
        char key = static_cast<char>(message.WParam);
        KeyPress(key);
        if (key == 0)
            return;
        message.WParam = static_cast<unsigned char>(key);
        break;
    }
    case WM_SETFOCUS:
        DefaultHandler(message);
        if (OnEnter)
            OnEnter(this);
        return;
    case WM_KILLFOCUS:
        DefaultHandler(message);
        if (OnExit)
            OnExit(this);
        return;
    default:
        break;
    }
    DefaultHandler(message);
}

void TWinControl::RouteMouse(TMessage& message) {
    POINT at{static_cast<short>(LOWORD(message.LParam)),
             static_cast<short>(HIWORD(message.LParam))};
    TControl* target = mouseControl_ ? mouseControl_ : ControlAtPos(at);
    TShiftState shift = shiftOf(message.WParam);
    TControl* receiver = target ? target : this;
    int x = at.x - (target ? target->Left() : 0);
    int y = at.y - (target ? target->Top() : 0);
    TApplication& application = ApplicationOf(this);
    if (message.Msg == WM_MOUSEMOVE) {
        application.NoteMouseOver(receiver);
        TrackHover(ControlAtPos(at));
    }
    application.RelayToolTipMessage(handle_, message);
    if (!target) {
        DefaultHandler(message);
        if (!Enabled())
            return;
    } else if (!target->Enabled()) {
        return;
    }
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        receiver->MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (target) {
            mouseControl_ = target;
            SetCapture(handle_);
        }
        receiver->MouseDown(buttonOf(message.Msg), shift, x, y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (mouseControl_) {
            mouseControl_ = nullptr;
            ReleaseCapture();
        }
        receiver->MouseUp(buttonOf(message.Msg), shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        receiver->DblClick();
        receiver->MouseDown(buttonOf(message.Msg), shift | ssDouble, x, y);
        break;
    default:
        break;
    }
}

void TWinControl::TrackHover(TControl* over) {
    if (!mouseInside_) {
        mouseInside_ = true;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, handle_, 0};
        TrackMouseEvent(&track);
        MouseEnter();
    }
    if (over == hoverControl_)
        return;
    TControl* old = std::exchange(hoverControl_, over);
    if (old)
        old->MouseLeave();
    // The leave handler may have moved or removed the control.
    if (hoverControl_ == over && over)
        over->MouseEnter();
}

void TWinControl::EndHover() {
    bool wasInside = std::exchange(mouseInside_, false);
    if (TControl* old = std::exchange(hoverControl_, nullptr))
        old->MouseLeave();
    if (wasInside)
        MouseLeave();
}

void TWinControl::CNCommand(TMessage&) {}
void TWinControl::CNNotify(TMessage&) {}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::PaintWindow(HDC dc) {
    {
        TCanvas canvas(dc);
        canvas.Brush.SetColor(Color());
        canvas.FillRect(ClientRect());
    } // the canvas lets go of the context before the children paint
    PaintControls(dc);
}

void TWinControl::PaintControls(HDC dc) {
    // Bottom of the z-order first: the last inserted control lies on top.
    for (TControl* child : controls_)
        if (auto* graphic = dynamic_cast<TGraphicControl*>(child); graphic && graphic->Visible())
            graphic->PaintTo(dc);
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    control->ParentColorChanged();
    control->ParentFontChanged();
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        if (handle_) {
            if (windowed->handle_)
                ::SetParent(windowed->handle_, handle_);
            else
                windowed->CreateWnd();
        }
    } else {
        Invalidate();
    }
    Realign();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end())
        return;
    controls_.erase(it);
    if (mouseControl_ == control)
        mouseControl_ = nullptr;
    if (hoverControl_ == control)
        hoverControl_ = nullptr;
    ApplicationOf(this).ForgetControl(control);
    control->parent_ = nullptr;
    if (auto* windowed = dynamic_cast<TWinControl*>(control))
        windowed->DestroyHandle();
    else
        Invalidate();
    Realign();
}

TControl* TWinControl::ControlAtPos(POINT client) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* child = *it;
        if (dynamic_cast<TWinControl*>(child) || !child->Visible())
            continue;
        RECT r = child->BoundsRect();
        if (client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom)
            return child;
    }
    return nullptr;
}

RECT TWinControl::ClientRect() const {
    if (handle_) {
        RECT r{};
        GetClientRect(handle_, &r);
        return r;
    }
    int border = borderStyle_ == TBorderStyle::bsSingle ? 2 : 0;
    return RECT{0, 0, std::max(width_ - 2 * border, 0), std::max(height_ - 2 * border, 0)};
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    bool changed = left != left_ || top != top_ || width != width_ || height != height_;
    TControl::SetBounds(left, top, width, height);
    if (changed && !aligning_)
        Realign();
}

void TWinControl::BoundsChanged() {
    if (handle_)
        SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!handle_)
        return;
    RECT r{};
    GetWindowRect(handle_, &r);
    if (HWND parent = GetParent(handle_);
        parent && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)) {
        POINT corner{r.left, r.top};
        ScreenToClient(parent, &corner);
        r = RECT{corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top)};
    }
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::SetText(const std::string& text) {
    TControl::SetText(text);
    if (handle_)
        SetWindowTextA(handle_, text.c_str());
}

std::string TWinControl::Text() const {
    if (!handle_)
        return text_;
    int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int n = GetWindowTextA(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(n, 0)));
    return text;
}

void TWinControl::Invalidate() {
    if (handle_)
        InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Realign() {
    if (aligning_)
        return;
    aligning_ = true;
    try {
        RECT rect = ClientRect();
        AlignControls(rect);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::AlignControls(RECT& rect) {
    auto place = [&](TAlign align) {
        std::vector<TControl*> aligned;
        for (TControl* c : controls_)
            if (c->Visible() && c->Align() == align)
                aligned.push_back(c);
        // Controls of one alignment keep their order of position.
        std::stable_sort(aligned.begin(), aligned.end(), [&](TControl* a, TControl* b) {
            switch (align) {
            case TAlign::alTop:
                return a->Top() < b->Top();
            case TAlign::alBottom:
                return a->Top() + a->Height() > b->Top() + b->Height();
            case TAlign::alLeft:
                return a->Left() < b->Left();
            case TAlign::alRight:
                return a->Left() + a->Width() > b->Left() + b->Width();
            default:
                return false;
            }
        });
        for (TControl* c : aligned) {
            int w = rect.right - rect.left;
            int h = rect.bottom - rect.top;
            switch (align) {
            case TAlign::alTop:
                c->SetBounds(rect.left, rect.top, w, c->Height());
                rect.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(rect.left, rect.bottom - c->Height(), w, c->Height());
                rect.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(rect.left, rect.top, c->Width(), h);
                rect.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), h);
                rect.right -= c->Width();
                break;
            case TAlign::alClient:
                c->SetBounds(rect.left, rect.top, std::max(w, 0), std::max(h, 0));
                break;
            default:
                break;
            }
        }
    };
    place(TAlign::alTop);
    place(TAlign::alBottom);
    place(TAlign::alLeft);
    place(TAlign::alRight);
    place(TAlign::alClient);
}

void TWinControl::SetBorderStyle(TBorderStyle style) {
    if (borderStyle_ == style)
        return;
    borderStyle_ = style;
    if (handle_) {
        LONG ex = GetWindowLongA(handle_, GWL_EXSTYLE);
        ex = style == TBorderStyle::bsSingle ? (ex | WS_EX_CLIENTEDGE)
                                             : (ex & ~static_cast<LONG>(WS_EX_CLIENTEDGE));
        SetWindowLongA(handle_, GWL_EXSTYLE, ex);
        SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void TWinControl::SetFocus() {
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::VisibleChanged() {
    if (handle_)
        ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
    if (handle_)
        EnableWindow(handle_, Enabled());
}

void TWinControl::ColorChanged() {
    brush_.Reset();
    for (TControl* child : controls_)
        child->ParentColorChanged();
}

void TWinControl::FontChanged() {
    if (handle_)
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* child : controls_)
        child->ParentFontChanged();
}

} // namespace tk
