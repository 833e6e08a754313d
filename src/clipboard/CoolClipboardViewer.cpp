#include "clipboard/CoolClipboardViewer.h"
#include "clipboard/CoolClipboardComponent.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <memory>

using namespace tk;

namespace {

// The format of the GIF pictures that other programs put on the clipboard.
UINT GifImageFormat() {
    return RegisterClipboardFormatA("GIF Image");
}

bool IsPictureFormat(UINT format) {
    return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_ENHMETAFILE ||
           format == GifImageFormat();
}

} // namespace

TCoolClipboardViewer::TCoolClipboardViewer(TComponent* owner) : TScrollBox(owner) {
    SetParentColor(false);
    SetColor(clWindow);
}

TCoolClipboardViewer::~TCoolClipboardViewer() {
    if (view_) {
        Free(view_);
        view_ = nullptr;
    }
    DestroyHandle(); // while this class's window procedure still answers WM_DESTROY
}

void TCoolClipboardViewer::CreateParams(TCreateParams& params) {
    TScrollBox::CreateParams(params);
    params.WinClassName = "TCoolClipboardViewer";
}

void TCoolClipboardViewer::CreateWindowHandle() {
    TScrollBox::CreateWindowHandle();
    nextViewer_ = SetClipboardViewer(Handle());
}

void TCoolClipboardViewer::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_DRAWCLIPBOARD:
        if (nextViewer_)
            SendMessageA(nextViewer_, message.Msg, message.WParam, message.LParam);
        DefaultHandler(message);
        UpdateView(); // a failure here ends in the error box, without OnChange
        if (OnChange)
            OnChange(this);
        return;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(message.WParam) == nextViewer_)
            nextViewer_ = reinterpret_cast<HWND>(message.LParam);
        else if (nextViewer_)
            SendMessageA(nextViewer_, message.Msg, message.WParam, message.LParam);
        DefaultHandler(message);
        return;
    case WM_DESTROY:
        ChangeClipboardChain(Handle(), nextViewer_);
        nextViewer_ = nullptr;
        break;
    default:
        break;
    }
    TScrollBox::WndProc(message);
}

// Each store operation gets a component of its own, freed on every path.
template <typename Operation> auto TCoolClipboardViewer::WithStore(Operation&& operation) {
    std::unique_ptr<TCoolClipboardComponent, void (*)(TComponent*)> store(
        new TCoolClipboardComponent(this), &tk::Free);
    return operation(*store);
}

void TCoolClipboardViewer::SaveToFile(const std::string& fileName) {
    WithStore([&](TCoolClipboardComponent& store) { store.SaveToFile(fileName); });
}

void TCoolClipboardViewer::LoadFromFile(const std::string& fileName) {
    WithStore([&](TCoolClipboardComponent& store) { store.LoadFromFile(fileName); });
}

bool TCoolClipboardViewer::Clear() {
    return WithStore([](TCoolClipboardComponent& store) { return store.Clear(); });
}

void TCoolClipboardViewer::ShowIcon(const char* resourceName) {
    auto* image = new TImage(this);
    view_ = image;
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromResourceName(GetModuleHandleA(nullptr), resourceName);
    image->Picture().SetGraphic(std::move(icon));
    image->SetAutoSize(true);
    image->SetParent(this);
}

void TCoolClipboardViewer::UpdateView() {
    if (view_) {
        TControl* old = view_;
        view_ = nullptr;
        Free(old);
    }
    if (CountClipboardFormats() == 0)
        return;

    if (IsClipboardFormatAvailable(CF_TEXT)) {
        auto* memo = new TMemo(this);
        view_ = memo;
        memo->SetAlign(TAlign::alClient);
        memo->ScrollBars = TScrollStyle::ssBoth;
        memo->SetBorderStyle(TBorderStyle::bsNone);
        memo->SetParent(this);
        memo->PasteFromClipboard(); // while the memo is still writable
        memo->SetReadOnly(true);
        // The paste leaves the caret after the text, scrolled to its end: a
        // new content is read from its beginning.
        memo->SetSelStart(0);
        CenterView();
        return;
    }

    // The first picture format in the clipboard's own order, if any.
    UINT picture = 0;
    {
        TClipboard clipboard(ApplicationOf(this).Handle());
        clipboard.Open(); // closed as the clipboard object goes
        for (UINT format = EnumClipboardFormats(0); format && !picture;
             format = EnumClipboardFormats(format))
            if (IsPictureFormat(format))
                picture = format;
        if (picture && TPicture::SupportsClipboardFormat(picture)) {
            auto* image = new TImage(this);
            view_ = image;
            try {
                HANDLE palette =
                    IsClipboardFormatAvailable(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr;
                image->Picture().LoadFromClipboardFormat(picture, GetClipboardData(picture),
                                                         static_cast<HPALETTE>(palette));
            } catch (...) {
                view_ = nullptr;
                Free(image);
                throw;
            }
            image->SetAutoSize(true);
            image->SetParent(this);
        }
    }
    if (picture) {
        if (!view_) // a picture kind without a graphic class here
            ShowIcon("UNKNOWN_DATA_ICON");
        CenterView();
        return;
    }

    ShowIcon(IsClipboardFormatAvailable(CF_WAVE) ? "SOUND_DATA_ICON" : "UNKNOWN_DATA_ICON");
    CenterView();
}

void TCoolClipboardViewer::CenterView() {
    // Centred on the viewer's outer size (its border included).
    int W = Width();
    int H = Height();
    int left = view_->Left();
    int top = view_->Top();
    if (view_->Width() < W)
        left = (W - view_->Width()) / 2;
    if (view_->Height() < H)
        top = (H - view_->Height()) / 2;
    view_->SetBounds(left, top, view_->Width(), view_->Height());
    Realign(); // the scroll bars reach the control where it now lies
}
