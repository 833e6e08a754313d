// Colours, the drawing tools (font, pen, brush) and the canvas.
#include "toolkit/Graphics.h"

#include <algorithm>
#include <cstring>

namespace tk {

namespace {

bool isSystemColor(TColor color) {
    return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0xFF000000u;
}

} // namespace

COLORREF ColorToRGB(TColor color) {
    if (isSystemColor(color))
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

// ------------------------------------------------------------- graphics objects

void TGraphicsObject::Changed() {
    if (OnChange)
        OnChange();
}

void TFont::SetName(const std::string& name) {
    ChangeProperty(name_, name);
}

void TFont::SetHeight(int height) {
    ChangeProperty(height_, height);
}

int TFont::Size() const {
    return -MulDivRound(height_, 72, 96);
}

void TFont::SetSize(int points) {
    SetHeight(-MulDivRound(points, 96, 72));
}

void TFont::SetStyle(std::uint8_t style) {
    ChangeProperty(style_, style);
}

void TFont::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(std::uint8_t charset) {
    ChangeProperty(charset_, charset);
}

void TFont::Assign(const TFont& source) {
    if (&source == this)
        return;
    name_ = source.name_;
    height_ = source.height_;
    style_ = source.style_;
    color_ = source.color_;
    charset_ = source.charset_;
    Release();
    Changed();
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONTA font{};
        font.lfHeight = height_;
        font.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (style_ & fsItalic) ? 1 : 0;
        font.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        font.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        font.lfCharSet = charset_;
        font.lfOutPrecision = OUT_DEFAULT_PRECIS;
        font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        font.lfQuality = DEFAULT_QUALITY;
        font.lfPitchAndFamily = DEFAULT_PITCH;
        std::strncpy(font.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
        handle_.Reset(CreateFontIndirectA(&font));
    }
    return handle_.Get();
}

void TPen::SetColor(TColor color) {
    ChangeProperty(color_, color);
}

void TPen::SetWidth(int width) {
    ChangeProperty(width_, width);
}

void TPen::SetStyle(TPenStyle style) {
    ChangeProperty(style_, style);
}

HPEN TPen::Handle() {
    if (!handle_) {
        int style = PS_SOLID;
        switch (style_) {
        case TPenStyle::psDash:
            style = PS_DASH;
            break;
        case TPenStyle::psDot:
            style = PS_DOT;
            break;
        case TPenStyle::psClear:
            style = PS_NULL;
            break;
        default:
            break;
        }
        handle_.Reset(CreatePen(style, width_, ColorToRGB(color_)));
    }
    return handle_.Get();
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ == TBrushStyle::bsSolid)
        return;
    color_ = color;
    style_ = TBrushStyle::bsSolid; // a colour makes a clear brush solid again
    Release();
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_)
        return;
    style_ = style;
    Release();
    Changed();
}

HBRUSH TBrush::Handle() {
    if (!handle_) {
        if (style_ == TBrushStyle::bsClear) {
            LOGBRUSH clear{BS_NULL, 0, 0};
            handle_.Reset(CreateBrushIndirect(&clear));
        } else {
            handle_.Reset(CreateSolidBrush(ColorToRGB(color_)));
        }
    }
    return handle_.Get();
}

// ----------------------------------------------------------------------- canvas

TCanvas::~TCanvas() {
    DeselectAll();
    Font.releasing_ = nullptr;
    Pen.releasing_ = nullptr;
    Brush.releasing_ = nullptr;
}

void TCanvas::DeselectAll() {
    font_.reset();
    pen_.reset();
    brush_.reset();
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == handle_)
        return;
    DeselectAll();
    handle_ = dc;
}

HDC TCanvas::RequireHandle() const {
    if (!handle_)
        throw EInvalidGraphic("Canvas does not allow drawing");
    return handle_;
}

// A font, pen or brush about to be deleted is first selected out of the
// context (Windows does not delete objects that are selected).
template <typename Tool> void TCanvas::SelectTool(HDC dc, Tool& tool, TSelection& selection) {
    tool.releasing_ = [&selection] {
        selection.reset();
    };
    if (selection && selection->Selected())
        selection->Select(tool.Handle()); // what it replaced first still goes back
    else
        selection.emplace(dc, tool.Handle());
}

void TCanvas::Select(bool font, bool pen, bool brush) {
    HDC dc = RequireHandle();
    if (font)
        SelectTool(dc, Font, font_);
    if (pen)
        SelectTool(dc, Pen, pen_);
    if (brush)
        SelectTool(dc, Brush, brush_);
}

void TCanvas::FillRect(const RECT& rect) {
    ::FillRect(RequireHandle(), &rect, Brush.Handle());
}

void TCanvas::FrameRect(const RECT& rect) {
    ::FrameRect(RequireHandle(), &rect, Brush.Handle());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    Select(false, true, true);
    ::Rectangle(handle_, left, top, right, bottom);
}

void TCanvas::MoveTo(int x, int y) {
    MoveToEx(RequireHandle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    Select(false, true, false);
    ::LineTo(handle_, x, y);
}

void TCanvas::Polygon(const std::vector<POINT>& points) {
    if (points.empty())
        return;
    Select(false, true, true);
    ::Polygon(handle_, points.data(), static_cast<int>(points.size()));
}

bool TCanvas::PrepareText() {
    Select(true, false, false);
    bool clear = Brush.Style() == TBrushStyle::bsClear;
    SetBkMode(handle_, clear ? TRANSPARENT : OPAQUE);
    if (!clear)
        SetBkColor(handle_, ColorToRGB(Brush.Color()));
    SetTextColor(handle_, ColorToRGB(Font.Color()));
    return clear;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    PrepareText();
    ::TextOutA(handle_, x, y, text.data(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const RECT& clip, int x, int y, const std::string& text) {
    bool clear = PrepareText();
    ExtTextOutA(handle_, x, y, ETO_CLIPPED | (clear ? 0 : ETO_OPAQUE), &clip, text.data(),
                static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
    Select(true, false, false);
    SIZE size{0, 0};
    GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

int TCanvas::DrawText(const std::string& text, RECT& rect, UINT format) {
    PrepareText();
    return ::DrawTextA(handle_, text.data(), static_cast<int>(text.size()), &rect, format);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty())
        return;
    graphic.Draw(*this, RECT{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic& graphic) {
    if (graphic.Empty())
        return;
    graphic.Draw(*this, rect);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    HDC dc = RequireHandle();
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               source.RequireHandle(), sourceRect.left, sourceRect.top,
               sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

COLORREF TCanvas::Pixel(int x, int y) {
    return GetPixel(RequireHandle(), x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    ::SetPixel(RequireHandle(), x, y, ColorToRGB(color));
}

} // namespace tk
