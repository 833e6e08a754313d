// A 32-bit DIB section selected into a memory DC, for the conformance tests
// that look at the pixels GDI drew.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace conformance {

// Filled with one colour at creation; top-down unless asked. Pixel reads
// and writes go by the order in memory (row 0 is the top row of a top-down
// section) and leave drawing queued before them flushed.
class Surface {
public:
    Surface(int width, int height, COLORREF fill = RGB(255, 255, 255), bool bottomUp = false)
        : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = bottomUp ? height : -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        Fill(RECT{0, 0, width, height}, fill);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t* bits() const {
        GdiFlush();
        return bits_;
    }
    // 0x00RRGGBB, alpha left out.
    std::uint32_t at(int x, int y) const { return raw(x, y) & 0xFFFFFF; }
    std::uint32_t raw(int x, int y) const { return bits()[y * width_ + x]; }
    void set(int x, int y, std::uint32_t value) { bits()[y * width_ + x] = value; }
    void Fill(const RECT& r, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }

    // The picture as text, one character per pixel from `legend` (pixel
    // value -> character), '?' for others; rows joined by '|'.
    std::string Picture(const std::vector<std::pair<std::uint32_t, char>>& legend) const {
        std::string out;
        for (int y = 0; y < height_; ++y) {
            if (y)
                out += '|';
            for (int x = 0; x < width_; ++x) {
                char c = '?';
                for (auto& [value, ch] : legend)
                    if (at(x, y) == value)
                        c = ch;
                out += c;
            }
        }
        return out;
    }
    // The columns (or rows) that hold a pixel other than `ground`.
    std::vector<int> InkColumns(std::uint32_t ground) const {
        std::vector<int> columns;
        for (int x = 0; x < width_; ++x)
            for (int y = 0; y < height_; ++y)
                if (at(x, y) != ground) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    }
    std::vector<int> InkRows(std::uint32_t ground) const {
        std::vector<int> rows;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) != ground) {
                    rows.push_back(y);
                    break;
                }
        return rows;
    }

private:
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// A COLORREF as the 0x00RRGGBB of a DIB pixel.
inline std::uint32_t Rgb(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

} // namespace conformance
