#include "traymenu/CoolItem2000.h"
#include "traymenu/CoolWindowPopup.h"
#include "toolkit/Handles.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"

#include <algorithm>

namespace {

constexpr int margin = 4;       // from the item's left edge to its image
constexpr int spacing = 8;      // from the image to the caption
constexpr int rightColumn = 16; // the submenu arrow's place at the right

std::uint32_t PixelOf(tk::TColor color) {
    COLORREF c = tk::ColorToRGB(color);
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// The 8 x 8 checker of the button highlight and face colours behind a mark.
void FillChecker(tk::TBitmap& bitmap) {
    std::uint32_t light = PixelOf(tk::clBtnHighlight);
    std::uint32_t face = PixelOf(tk::clBtnFace);
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            row[x] = ((x + y) & 1) ? face : light;
    }
}

RECT Grown(RECT r, int by) {
    return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by};
}

} // namespace

// ------------------------------------------------------------- TCoolItem2000

void TCoolItem2000::Paint() {
    TCoolWindow* window = CoolWindow();
    if (!window || IsHidden())
        return;
    // Only an item that lies wholly inside its window is painted.
    if (Top() < 0 || Top() + Height() > window->ClientHeight())
        return;
    tk::TCanvas& canvas = Canvas();
    canvas.Font.Assign(Font());
    bool highlighted = Selected();
    bool clear = false;
    if (highlighted) {
        canvas.Brush.SetStyle(tk::TBrushStyle::bsSolid);
        canvas.Brush.SetColor(SelectedColor);
        canvas.Font.Assign(SelectedFont());
    } else if (Transparent()) {
        clear = true;
    } else {
        canvas.Brush.SetStyle(tk::TBrushStyle::bsSolid);
        canvas.Brush.SetColor(Color());
    }
    const TItemDimensions& d = window->AutoAdjust() ? window->Maxima() : Measure();
    int column = d.ImageWidth + 2 * d.ImageSpacing;
    bool image = HasImage();
    RECT client = ClientRect();
    // The bar leaves the image column in the window's colour.
    RECT back = client;
    if (highlighted && image)
        back.left += column;
    if (!clear)
        canvas.FillRect(back);

    RECT rect = client;
    if (!image)
        rect.left += column;
    SIZE size = image ? ImageSize() : SIZE{0, 0};
    int imageTop = (Height() - size.cy + 1) / 2;
    RECT place{rect.left + margin, imageTop, rect.left + margin + size.cx, imageTop + size.cy};
    if (image) {
        if (Checked() && CheckedDefault)
            DrawCheckMark(canvas, place, highlighted);
        else
            DrawImage(canvas, place, highlighted);
        RECT frame = Grown(place, 1);
        if (Checked())
            DrawEdge(canvas.Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
        else if (highlighted)
            DrawEdge(canvas.Handle(), &frame, BDR_RAISEDINNER, BF_RECT);
    }

    if (SubMenu()) {
        RECT arrow{client.right - rightColumn, (Height() - 16 + 1) / 2, client.right, 0};
        arrow.bottom = arrow.top + 16;
        tk::TBitmap mark;
        mark.SetSize(16, 16);
        RECT markRect{0, 0, 16, 16};
        DrawFrameControl(mark.Canvas().Handle(), &markRect, DFC_MENU, DFCS_MENUARROW);
        if (highlighted) // the arrow in the bar's text colour
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    mark.ScanLine(y)[x] ^= 0xFFFFFF;
        mark.SetTransparent(true);
        canvas.Draw(arrow.left, arrow.top, mark);
    }
    rect.right = client.right - rightColumn;

    int textLeft = place.left + (image ? size.cx + spacing : 0);
    UINT single = DT_SINGLELINE;
    RECT measure{0, 0, 0, 0};
    canvas.DrawText(Caption().empty() ? std::string(" ") : Caption(), measure,
                    DT_CALCRECT | single);
    int textHeight = measure.bottom - measure.top;
    int textTop = (Height() - textHeight + 1) / 2;
    RECT text{textLeft, textTop, rect.right - margin, textTop + textHeight};
    DrawItemText(canvas, Caption(), text, single | DT_LEFT, highlighted);
    std::string shortCut = tk::ShortCutToText(ShortCut());
    if (!shortCut.empty())
        DrawItemText(canvas, shortCut, text, single | DT_RIGHT, highlighted);

    if (OnPaint)
        OnPaint(this, canvas);
}

void TCoolItem2000::DrawImage(tk::TCanvas& canvas, const RECT& place, bool) {
    int width = place.right - place.left;
    int height = place.bottom - place.top;
    if (width <= 0 || height <= 0)
        return;
    TCoolWindow* window = CoolWindow();
    tk::TImageList* images = window->Images();
    tk::TImageList* disabled = window->DisabledImages();
    int index = ImageIndex();
    tk::TBitmap picture;
    picture.SetSize(width, height);
    {
        tk::TCanvas& on = picture.Canvas();
        on.Brush.SetColor(Color());
        on.FillRect(RECT{0, 0, width, height});
    }
    if (!Enabled() && disabled && index >= 0 && index < disabled->Count()) {
        disabled->Draw(picture.Canvas(), 0, 0, index, true);
    } else if (images && index >= 0 && index < images->Count()) {
        images->Draw(picture.Canvas(), 0, 0, index, Enabled());
    } else if (!Glyph().Empty()) {
        // The first glyph of the strip; its own bottom-left colour is its background.
        tk::TBitmap& glyph = Glyph();
        int cell = glyph.Width() / std::max(NumGlyphs(), 1);
        std::uint32_t key = glyph.ScanLine(glyph.Height() - 1)[0];
        std::uint32_t light = PixelOf(tk::clBtnHighlight);
        std::uint32_t shadow = PixelOf(tk::clBtnShadow);
        if (!Enabled()) {
            // Embossed: the glyph's shape in the highlight colour one pixel
            // down and right, then in the shadow colour, on the button face.
            std::uint32_t face = PixelOf(tk::clBtnFace);
            for (int y = 0; y < height; ++y)
                std::fill_n(picture.ScanLine(y), width, face);
        }
        auto covered = [&](int x, int y) {
            return x < cell && y < glyph.Height() &&
                   (glyph.ScanLine(y)[x] & 0xFFFFFF) != (key & 0xFFFFFF);
        };
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (Enabled()) {
                    if (covered(x, y))
                        picture.ScanLine(y)[x] = glyph.ScanLine(y)[x] & 0xFFFFFF;
                } else if (x > 0 && y > 0 && covered(x - 1, y - 1)) {
                    picture.ScanLine(y)[x] = light;
                }
            }
        if (!Enabled())
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (covered(x, y))
                        picture.ScanLine(y)[x] = shadow;
    } else {
        return;
    }
    // Transparent on the picture's bottom-left colour: the background shows through.
    picture.SetTransparent(true);
    canvas.Draw(place.left, place.top, picture);
}

void TCoolItem2000::DrawCheckMark(tk::TCanvas& canvas, const RECT& place, bool highlighted) {
    int width = place.right - place.left;
    int height = place.bottom - place.top;
    tk::TBitmap back;
    back.SetSize(width, height);
    if (highlighted || NoPattern) {
        tk::TCanvas& on = back.Canvas();
        on.Brush.SetColor(Color());
        on.FillRect(RECT{0, 0, width, height});
    } else {
        FillChecker(back);
    }
    canvas.Draw(place.left, place.top, back);
    // The platform's mark, black on white; the white is left out.
    tk::TBitmap mark;
    mark.SetSize(16, 16);
    RECT markRect{0, 0, 16, 16};
    auto* standard = dynamic_cast<TCoolItemStandard*>(this);
    bool radio = standard && standard->RadioItem();
    DrawFrameControl(mark.Canvas().Handle(), &markRect, DFC_MENU,
                     radio ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    mark.SetTransparentColor(tk::clWhite);
    mark.SetTransparent(true);
    canvas.Draw(place.left + (width - 16) / 2, place.top + (height - 16) / 2, mark);
}

void TCoolItem2000::DrawItemText(tk::TCanvas& canvas, const std::string& text, RECT rect,
                                 UINT format, bool highlighted) {
    canvas.Brush.SetStyle(tk::TBrushStyle::bsClear);
    if (Enabled()) {
        canvas.DrawText(text, rect, format);
        return;
    }
    // Engraved: a light copy one pixel down and right under the shadow
    // (only the shadow on the bar).
    if (!highlighted) {
        RECT moved{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        canvas.Font.SetColor(tk::clBtnHighlight);
        canvas.DrawText(text, moved, format);
    }
    canvas.Font.SetColor(tk::clBtnShadow);
    canvas.DrawText(text, rect, format);
}

// ---------------------------------------------------- TCoolItemSeparator2000

TCoolItemSeparator2000::TCoolItemSeparator2000(tk::TComponent* owner) : TCoolItem(owner) {
    SetParentColor(true);
}

void TCoolItemSeparator2000::SetSeparatorStyle(TSeparatorStyle style) {
    if (style_ == style)
        return;
    style_ = style;
    Invalidate();
}

void TCoolItemSeparator2000::MeasureItem(TItemDimensions& d) {
    if (Caption().empty()) {
        d.MinWidth = 20;
        d.ItemHeight = 8;
    } else {
        tk::TMemoryDC dc(CreateCompatibleDC(nullptr));
        tk::TSelectedObject font(dc.Get(), Font().Handle());
        RECT text{0, 0, 0, 0};
        std::string caption = Caption();
        DrawTextA(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
        d.TextWidth = text.right - text.left;
        d.TextHeight = text.bottom - text.top;
        d.TextSpacing = 6;
        d.VertSpacing = 6;
        d.ItemHeight = d.TextHeight + 6;
    }
    if (OnMeasure)
        OnMeasure(this, d);
}

void TCoolItemSeparator2000::Paint() {
    if (!CoolWindow() || IsHidden())
        return;
    tk::TCanvas& canvas = Canvas();
    RECT client = ClientRect();
    if (!Transparent()) {
        canvas.Brush.SetStyle(tk::TBrushStyle::bsSolid);
        canvas.Brush.SetColor(Color());
        canvas.FillRect(client);
    }
    int y = Height() / 2;
    RECT line = client;
    switch (style_) {
    case TSeparatorStyle::ssStandard:
        break;
    case TSeparatorStyle::ss2000Hidden: {
        RECT edge = client;
        DrawEdge(canvas.Handle(), &edge, EDGE_ETCHED, BF_RECT | BF_ADJUST);
        if (!NoPattern && edge.right > edge.left && edge.bottom > edge.top) {
            tk::TBitmap checker;
            checker.SetSize(edge.right - edge.left, edge.bottom - edge.top);
            FillChecker(checker);
            canvas.Draw(edge.left, edge.top, checker);
        }
        line.left += 16;
        line.right -= 16;
        break;
    }
    case TSeparatorStyle::ss2000:
        line.left += 16;
        line.right -= 16;
        break;
    }
    canvas.Pen.SetColor(tk::clBtnShadow);
    canvas.MoveTo(line.left, y);
    canvas.LineTo(line.right, y);
    canvas.Pen.SetColor(tk::clBtnHighlight);
    canvas.MoveTo(line.left, y + 1);
    canvas.LineTo(line.right, y + 1);
    if (!Caption().empty()) {
        canvas.Font.Assign(Font());
        canvas.Brush.SetStyle(tk::TBrushStyle::bsClear);
        RECT text = client;
        canvas.DrawText(Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    if (OnPaint)
        OnPaint(this, canvas);
}
