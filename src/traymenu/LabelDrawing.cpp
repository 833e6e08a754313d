#include "traymenu/LabelDrawing.h"
#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

#include <cstring>
#include <vector>

void GradientFill(HDC dc, const RECT& rect, tk::TColor from, bool horizontal, int steps,
                  tk::TColor to) {
    if (steps <= 0)
        return;
    COLORREF start = tk::ColorToRGB(from);
    COLORREF end = tk::ColorToRGB(to);
    int r0 = GetRValue(start), g0 = GetGValue(start), b0 = GetBValue(start);
    int dr = GetRValue(end) - r0, dg = GetGValue(end) - g0, db = GetBValue(end) - b0;
    int origin = horizontal ? rect.left : rect.top;
    int length = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    for (int n = 0; n < steps; ++n) {
        RECT band = rect;
        int first = origin + MulDiv(n, length, steps);
        int last = origin + MulDiv(n + 1, length, steps);
        if (horizontal) {
            band.left = first;
            band.right = last;
        } else {
            band.top = first;
            band.bottom = last;
        }
        COLORREF color = RGB((r0 + MulDiv(n, dr, steps)) & 0xFF, (g0 + MulDiv(n, dg, steps)) & 0xFF,
                             (b0 + MulDiv(n, db, steps)) & 0xFF);
        tk::TGdiObject<HBRUSH> brush(CreateSolidBrush(color));
        FillRect(dc, &band, brush.Get());
    }
}

namespace {

void Move(RECT& r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
}

} // namespace

void DrawShadowText(HDC dc, RECT& text, TShadowPosition position, int size, COLORREF shadow,
                    COLORREF color, UINT format, const std::string& caption) {
    RECT behind = text;
    switch (position) {
    case TShadowPosition::spLeftTop:
        Move(text, size, size);
        break;
    case TShadowPosition::spLeftBottom:
        Move(text, size, 0);
        Move(behind, 0, size);
        break;
    case TShadowPosition::spRightBottom:
        Move(behind, size, size);
        break;
    case TShadowPosition::spRightTop:
        Move(text, 0, size);
        Move(behind, size, 0);
        break;
    }
    auto length = static_cast<int>(caption.size());
    SetTextColor(dc, shadow);
    DrawTextA(dc, caption.c_str(), length, &behind, format);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    RECT drawn = text; // DrawTextA may not change the caller's rectangle
    DrawTextA(dc, caption.c_str(), length, &drawn, format);
}

void RotateBitmap(tk::TBitmap& bitmap) {
    if (bitmap.Empty())
        return;
    tk::TMemoryStream source;
    bitmap.SaveToStream(source);
    const std::uint8_t* image = source.Memory();
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    std::memcpy(&file, image, sizeof file);
    std::memcpy(&info, image + sizeof file, sizeof info);
    int oldWidth = info.biWidth;
    int oldHeight = info.biHeight;
    constexpr std::size_t headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    auto rowBytes = [](int pixels) {
        return (static_cast<std::size_t>(pixels) * 4 + 3) / 4 * 4;
    };
    std::size_t sourceRow = rowBytes(oldWidth);
    // The new rows are as long as the old image is high.
    std::size_t targetRow = rowBytes(oldHeight);
    std::vector<std::uint8_t> turned(headers + targetRow * static_cast<std::size_t>(oldWidth));
    const std::uint8_t* from = image + headers;
    std::uint8_t* to = turned.data() + headers;
    // Source row i (from the bottom), pixel j: destination row j (from the
    // bottom), column oldHeight - 1 - i.
    for (int i = 0; i < oldHeight; ++i)
        for (int j = 0; j < oldWidth; ++j)
            std::memcpy(to + static_cast<std::size_t>(j) * targetRow +
                            static_cast<std::size_t>(oldHeight - 1 - i) * 4,
                        from + static_cast<std::size_t>(i) * sourceRow +
                            static_cast<std::size_t>(j) * 4,
                        4);
    info.biWidth = oldHeight;
    info.biHeight = oldWidth;
    info.biSizeImage = static_cast<DWORD>(targetRow * static_cast<std::size_t>(oldWidth));
    file.bfSize = static_cast<DWORD>(turned.size());
    std::memcpy(turned.data(), &file, sizeof file);
    std::memcpy(turned.data() + sizeof file, &info, sizeof info);
    tk::TMemoryStream target;
    target.WriteBuffer(turned.data(), turned.size());
    target.SetPosition(0);
    bitmap.LoadFromStream(target);
}
