// Text with the simulator's built-in font: one fixed-pitch bitmap face of
// 6 x 13 cells (glyphs 5 x 9 in rows 3 to 11, baseline under row 9), scaled
// by whole numbers for large heights; bold is struck twice, one pixel apart.
#include "platform/sim/gdi32_internal.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace sim::detail;

namespace {

// Rows 0 to 6 stand on the baseline, 7 and 8 hang below it.
constexpr const char* glyphArt[95] = {
    "..... ..... ..... ..... ..... ..... ..... ..... .....", // space
    "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#.. ..... .....", // !
    ".#.#. .#.#. ..... ..... ..... ..... ..... ..... .....", // "
    ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#. ..... .....", // #
    "..#.. .#### #.#.. .###. ..#.# ####. ..#.. ..... .....", // $
    "##..# ##..# ...#. ..#.. .#... #..## #..## ..... .....", // %
    ".##.. #..#. #.#.. .#... #.#.# #..#. .##.# ..... .....", // &
    "..#.. ..#.. ..... ..... ..... ..... ..... ..... .....", // '
    "...#. ..#.. .#... .#... .#... ..#.. ...#. ..... .....", // (
    ".#... ..#.. ...#. ...#. ...#. ..#.. .#... ..... .....", // )
    "..... ..#.. #.#.# .###. #.#.# ..#.. ..... ..... .....", // *
    "..... ..#.. ..#.. ##### ..#.. ..#.. ..... ..... .....", // +
    "..... ..... ..... ..... ..... .##.. .##.. ..#.. .#...", // ,
    "..... ..... ..... ##### ..... ..... ..... ..... .....", // -
    "..... ..... ..... ..... ..... .##.. .##.. ..... .....", // .
    "....# ....# ...#. ..#.. .#... #.... #.... ..... .....", // /
    ".###. #...# #..## #.#.# ##..# #...# .###. ..... .....", // 0
    "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###. ..... .....", // 1
    ".###. #...# ....# ...#. ..#.. .#... ##### ..... .....", // 2
    "##### ...#. ..#.. ...#. ....# #...# .###. ..... .....", // 3
    "...#. ..##. .#.#. #..#. ##### ...#. ...#. ..... .....", // 4
    "##### #.... ####. ....# ....# #...# .###. ..... .....", // 5
    "..##. .#... #.... ####. #...# #...# .###. ..... .....", // 6
    "##### ....# ...#. ..#.. .#... .#... .#... ..... .....", // 7
    ".###. #...# #...# .###. #...# #...# .###. ..... .....", // 8
    ".###. #...# #...# .#### ....# ...#. .##.. ..... .....", // 9
    "..... .##.. .##.. ..... .##.. .##.. ..... ..... .....", // :
    "..... .##.. .##.. ..... .##.. .##.. ..#.. .#... .....", // ;
    "...#. ..#.. .#... #.... .#... ..#.. ...#. ..... .....", // <
    "..... ..... ##### ..... ##### ..... ..... ..... .....", // =
    ".#... ..#.. ...#. ....# ...#. ..#.. .#... ..... .....", // >
    ".###. #...# ....# ...#. ..#.. ..... ..#.. ..... .....", // ?
    ".###. #...# ....# .##.# #.#.# #.#.# .###. ..... .....", // @
    ".###. #...# #...# ##### #...# #...# #...# ..... .....", // A
    "####. #...# #...# ####. #...# #...# ####. ..... .....", // B
    ".###. #...# #.... #.... #.... #...# .###. ..... .....", // C
    "###.. #..#. #...# #...# #...# #..#. ###.. ..... .....", // D
    "##### #.... #.... ####. #.... #.... ##### ..... .....", // E
    "##### #.... #.... ####. #.... #.... #.... ..... .....", // F
    ".###. #...# #.... #.### #...# #...# .#### ..... .....", // G
    "#...# #...# #...# ##### #...# #...# #...# ..... .....", // H
    ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###. ..... .....", // I
    "..### ...#. ...#. ...#. ...#. #..#. .##.. ..... .....", // J
    "#...# #..#. #.#.. ##... #.#.. #..#. #...# ..... .....", // K
    "#.... #.... #.... #.... #.... #.... ##### ..... .....", // L
    "#...# ##.## #.#.# #.#.# #...# #...# #...# ..... .....", // M
    "#...# #...# ##..# #.#.# #..## #...# #...# ..... .....", // N
    ".###. #...# #...# #...# #...# #...# .###. ..... .....", // O
    "####. #...# #...# ####. #.... #.... #.... ..... .....", // P
    ".###. #...# #...# #...# #.#.# #..#. .##.# ..... .....", // Q
    "####. #...# #...# ####. #.#.. #..#. #...# ..... .....", // R
    ".#### #.... #.... .###. ....# ....# ####. ..... .....", // S
    "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..... .....", // T
    "#...# #...# #...# #...# #...# #...# .###. ..... .....", // U
    "#...# #...# #...# #...# #...# .#.#. ..#.. ..... .....", // V
    "#...# #...# #...# #.#.# #.#.# #.#.# .#.#. ..... .....", // W
    "#...# #...# .#.#. ..#.. .#.#. #...# #...# ..... .....", // X
    "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#.. ..... .....", // Y
    "##### ....# ...#. ..#.. .#... #.... ##### ..... .....", // Z
    ".###. .#... .#... .#... .#... .#... .###. ..... .....", // [
    "#.... #.... .#... ..#.. ...#. ....# ....# ..... .....", // backslash
    ".###. ...#. ...#. ...#. ...#. ...#. .###. ..... .....", // ]
    "..#.. .#.#. #...# ..... ..... ..... ..... ..... .....", // ^
    "..... ..... ..... ..... ..... ..... ..... ##### .....", // _
    ".#... ..#.. ..... ..... ..... ..... ..... ..... .....", // `
    "..... ..... .###. ....# .#### #...# .#### ..... .....", // a
    "#.... #.... #.##. ##..# #...# #...# ####. ..... .....", // b
    "..... ..... .###. #.... #.... #...# .###. ..... .....", // c
    "....# ....# .##.# #..## #...# #...# .#### ..... .....", // d
    "..... ..... .###. #...# ##### #.... .###. ..... .....", // e
    "..##. .#..# .#... ###.. .#... .#... .#... ..... .....", // f
    "..... ..... .#### #...# #...# #...# .#### ....# .###.", // g
    "#.... #.... #.##. ##..# #...# #...# #...# ..... .....", // h
    "..#.. ..... .##.. ..#.. ..#.. ..#.. .###. ..... .....", // i
    "...#. ..... ..##. ...#. ...#. ...#. ...#. #..#. .##..", // j
    "#.... #.... #..#. #.#.. ##... #.#.. #..#. ..... .....", // k
    ".##.. ..#.. ..#.. ..#.. ..#.. ..#.. .###. ..... .....", // l
    "..... ..... ##.#. #.#.# #.#.# #...# #...# ..... .....", // m
    "..... ..... #.##. ##..# #...# #...# #...# ..... .....", // n
    "..... ..... .###. #...# #...# #...# .###. ..... .....", // o
    "..... ..... ####. #...# #...# #...# ####. #.... #....", // p
    "..... ..... .#### #...# #...# #...# .#### ....# ....#", // q
    "..... ..... #.##. ##..# #.... #.... #.... ..... .....", // r
    "..... ..... .###. #.... .###. ....# ####. ..... .....", // s
    ".#... .#... ###.. .#... .#... .#..# ..##. ..... .....", // t
    "..... ..... #...# #...# #...# #..## .##.# ..... .....", // u
    "..... ..... #...# #...# #...# .#.#. ..#.. ..... .....", // v
    "..... ..... #...# #...# #.#.# #.#.# .#.#. ..... .....", // w
    "..... ..... #...# .#.#. ..#.. .#.#. #...# ..... .....", // x
    "..... ..... #...# #...# #...# #...# .#### ....# .###.", // y
    "..... ..... ##### ...#. ..#.. .#... ##### ..... .....", // z
    "...#. ..#.. ..#.. .#... ..#.. ..#.. ...#. ..... .....", // {
    "..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..#.. ..... .....", // |
    ".#... ..#.. ..#.. ...#. ..#.. ..#.. .#... ..... .....", // }
    "..... ..... .#... #.#.# ...#. ..... ..... ..... .....", // ~
};
// What characters without a glyph of their own show.
constexpr const char* boxArt = "##### #...# #...# #...# #...# #...# ##### ..... .....";

using Glyph = std::array<std::uint8_t, kGlyphRows>;

Glyph parse(const char* art) {
    Glyph g{};
    for (int row = 0; row < kGlyphRows; ++row)
        for (int col = 0; col < 5; ++col)
            if (art[row * 6 + col] == '#')
                g[static_cast<std::size_t>(row)] |= static_cast<std::uint8_t>(0x10 >> col);
    return g;
}

const std::array<Glyph, 256>& glyphs() {
    static const std::array<Glyph, 256> table = [] {
        std::array<Glyph, 256> t{};
        Glyph box = parse(boxArt);
        for (int c = 0; c < 256; ++c)
            t[static_cast<std::size_t>(c)] = c >= 32 && c < 127 ? parse(glyphArt[c - 32]) : box;
        t[' '] = Glyph{};
        t['\t'] = Glyph{};
        t[0xA0] = Glyph{}; // no-break space
        return t;
    }();
    return table;
}

// The text after prefix processing: "&x" underlines x, "&&" is one "&".
struct Line {
    std::string text;
    std::vector<int> underlined;
};

Line removePrefixes(const std::string& text, UINT format) {
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '&' && !(format & DT_NOPREFIX)) {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                line.text.push_back('&');
                ++i;
            } else if (i + 1 < text.size()) {
                if (!(format & DT_HIDEPREFIX))
                    line.underlined.push_back(static_cast<int>(line.text.size()));
            }
            continue;
        }
        line.text.push_back(c);
    }
    return line;
}

std::string expandTabs(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t')
            out.append(8 - out.size() % 8, ' ');
        else
            out.push_back(c);
    }
    return out;
}

// Breaks a line where it would run past `width` pixels, at spaces when it can.
std::vector<Line> wrap(const Line& line, int width, int cell) {
    std::vector<Line> out;
    int perLine = std::max(width / cell, 1);
    std::size_t start = 0;
    const std::string& t = line.text;
    while (start < t.size()) {
        std::size_t end = std::min(t.size(), start + static_cast<std::size_t>(perLine));
        if (end < t.size()) {
            std::size_t space = t.rfind(' ', end);
            if (space != std::string::npos && space > start)
                end = space;
            else if (t[end] != ' ') { // one long word stays whole
                std::size_t next = t.find(' ', end);
                end = next == std::string::npos ? t.size() : next;
            }
        }
        Line part;
        part.text = t.substr(start, end - start);
        for (int u : line.underlined)
            if (u >= static_cast<int>(start) && u < static_cast<int>(end))
                part.underlined.push_back(u - static_cast<int>(start));
        out.push_back(part);
        start = end;
        while (start < t.size() && t[start] == ' ')
            ++start;
    }
    if (out.empty())
        out.push_back(Line{});
    return out;
}

void ellipsize(Line& line, int width, int cell) {
    if (static_cast<int>(line.text.size()) * cell <= width)
        return;
    int keep = std::max(width / cell - 3, 0);
    line.text = line.text.substr(0, static_cast<std::size_t>(keep)) + "...";
    line.underlined.erase(std::remove_if(line.underlined.begin(), line.underlined.end(),
                                         [keep](int u) { return u >= keep; }),
                          line.underlined.end());
}

} // namespace

namespace sim::detail {

const std::uint8_t* glyphOf(unsigned char c) {
    return glyphs()[c].data();
}

FontMetrics metricsOf(const LOGFONTA& font) {
    FontMetrics m;
    LONG h = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    m.scale = std::max<LONG>(1, h / 13);
    m.cellWidth = 6 * m.scale;
    m.cellHeight = 13 * m.scale;
    m.ascent = 10 * m.scale;
    m.bold = font.lfWeight >= 600;
    m.italic = font.lfItalic != 0;
    m.underline = font.lfUnderline != 0;
    m.strikeOut = font.lfStrikeOut != 0;
    return m;
}

void drawText(Painter& p, int x, int y, const std::string& text, COLORREF color,
              const std::vector<int>* underlined) {
    FontMetrics m = p.fontMetrics();
    std::uint32_t value = p.raw(color);
    auto block = [&](int px, int py) {
        for (int dy = 0; dy < m.scale; ++dy)
            for (int dx = 0; dx < m.scale; ++dx)
                if (p.visible(px + dx, py + dy))
                    pixelAt(*p.surface(), px + dx, py + dy) = value;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        int cx = x + static_cast<int>(i) * m.cellWidth;
        const std::uint8_t* g = glyphOf(static_cast<unsigned char>(text[i]));
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < 5; ++col)
                if (g[row] & (0x10 >> col)) {
                    int py = y + (kGlyphTop + row) * m.scale;
                    block(cx + col * m.scale, py);
                    if (m.bold)
                        block(cx + (col + 1) * m.scale, py);
                }
        bool under =
            m.underline || (underlined && std::find(underlined->begin(), underlined->end(),
                                                    static_cast<int>(i)) != underlined->end());
        if (under)
            for (int col = 0; col < 6; ++col)
                block(cx + col * m.scale, y + 11 * m.scale);
        if (m.strikeOut)
            for (int col = 0; col < 6; ++col)
                block(cx + col * m.scale, y + 7 * m.scale);
    }
}

} // namespace sim::detail

namespace {

// Draws one run of text with its cell's top-left at the device point, the
// background first when the DC is opaque.
void textRun(Painter& p, int x, int y, const std::string& text,
             const std::vector<int>* underlined = nullptr) {
    FontMetrics m = p.fontMetrics();
    if (p.attributes().bkMode == OPAQUE)
        p.fill(RECT{x, y, x + static_cast<int>(text.size()) * m.cellWidth, y + m.cellHeight},
               p.attributes().bkColor);
    drawText(p, x, y, text, p.attributes().textColor, underlined);
}

// The top-left corner of a run placed at the logical point by the DC's text alignment.
POINT alignedOrigin(Painter& p, int x, int y, int width) {
    FontMetrics m = p.fontMetrics();
    UINT align = p.attributes().textAlign;
    if (align & TA_UPDATECP) {
        x = p.attributes().position.x;
        y = p.attributes().position.y;
    }
    POINT d = p.toDevice(x, y);
    if ((align & TA_CENTER) == TA_CENTER)
        d.x -= width / 2;
    else if (align & TA_RIGHT)
        d.x -= width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        d.y -= m.ascent;
    else if (align & TA_BOTTOM)
        d.y -= m.cellHeight;
    if (align & TA_UPDATECP) {
        if ((align & TA_CENTER) != TA_CENTER && !(align & TA_RIGHT))
            p.attributes().position.x += width;
        else if ((align & TA_CENTER) != TA_CENTER)
            p.attributes().position.x -= width;
    }
    return d;
}

} // namespace

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || count < 0 || (!text && count > 0))
        return FALSE;
    std::string s(text ? text : "", static_cast<std::size_t>(count));
    POINT d = alignedOrigin(p, x, y, count * p.fontMetrics().cellWidth);
    textRun(p, d.x, d.y, s);
    return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || (!text && count > 0))
        return FALSE;
    ClipRegion saved = p.attributes().clip;
    if (rect && (options & ETO_OPAQUE))
        p.fill(p.toDevice(*rect), p.attributes().bkColor);
    if (rect && (options & ETO_CLIPPED))
        p.attributes().clip.intersect(p.toDevice(*rect));
    FontMetrics m = p.fontMetrics();
    int width = 0;
    for (UINT i = 0; i < count; ++i)
        width += dx ? dx[i] : m.cellWidth;
    POINT d = alignedOrigin(p, x, y, width);
    if (!dx) {
        textRun(p, d.x, d.y, std::string(text, count));
    } else {
        int at = d.x;
        for (UINT i = 0; i < count; ++i) {
            textRun(p, at, d.y, std::string(1, text[i]));
            at += dx[i];
        }
    }
    p.attributes().clip = saved;
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || count < 0 || !size || (!text && count > 0))
        return FALSE;
    FontMetrics m = p.fontMetrics();
    *size = count ? SIZE{count * m.cellWidth, m.cellHeight} : SIZE{0, 0};
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !metrics)
        return FALSE;
    const LOGFONTA& f = p.font()->detail->font;
    FontMetrics m = metricsOf(f);
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = m.cellHeight;
    metrics->tmAscent = m.ascent;
    metrics->tmDescent = m.cellHeight - m.ascent;
    metrics->tmInternalLeading = 3 * m.scale;
    metrics->tmAveCharWidth = m.cellWidth;
    metrics->tmMaxCharWidth = m.cellWidth;
    metrics->tmWeight = f.lfWeight ? f.lfWeight : FW_NORMAL;
    metrics->tmDigitizedAspectX = metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 32;
    metrics->tmLastChar = 255;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmItalic = f.lfItalic;
    metrics->tmUnderlined = f.lfUnderline;
    metrics->tmStruckOut = f.lfStrikeOut;
    metrics->tmPitchAndFamily = 0; // the fixed-pitch bit clear means fixed pitch
    metrics->tmCharSet = f.lfCharSet;
    return TRUE;
}

int GetTextFaceA(HDC dc, int count, LPSTR face) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return 0;
    const char* name = p.font()->detail->font.lfFaceName;
    int length = static_cast<int>(std::strlen(name));
    if (!face)
        return length + 1;
    if (count <= 0)
        return 0;
    int n = std::min(length, count - 1);
    std::memcpy(face, name, static_cast<std::size_t>(n));
    face[n] = '\0';
    return n;
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect || (!text && count != 0))
        return 0;
    std::string all = count < 0 ? std::string(text)
                                : std::string(text ? text : "", static_cast<std::size_t>(count));
    if (all.empty()) { // nothing to draw, nothing measured
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }
    FontMetrics m = p.fontMetrics();
    int cell = m.cellWidth;
    int lineHeight = m.cellHeight;
    int boxWidth = rect->right - rect->left;

    // Lines: broken at line ends unless single-line, then wrapped when asked.
    std::vector<std::string> raw;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : all)
            if (c != '\r' && c != '\n')
                one.push_back(c);
        raw.push_back(one);
    } else {
        std::string current;
        for (std::size_t i = 0; i < all.size(); ++i) {
            char c = all[i];
            if (c == '\r' || c == '\n') {
                raw.push_back(current);
                current.clear();
                if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n')
                    ++i;
            } else {
                current.push_back(c);
            }
        }
        raw.push_back(current);
    }
    std::vector<Line> lines;
    for (auto& r : raw) {
        Line line = removePrefixes((format & DT_EXPANDTABS) ? expandTabs(r) : r, format);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            for (auto& part : wrap(line, boxWidth, cell))
                lines.push_back(part);
        } else {
            lines.push_back(line);
        }
    }
    if (!(format & DT_CALCRECT) &&
        (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)))
        for (auto& line : lines)
            ellipsize(line, boxWidth, cell);

    int widest = 0;
    for (auto& line : lines)
        widest = std::max(widest, static_cast<int>(line.text.size()) * cell);
    int total = static_cast<int>(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total;
        return total;
    }

    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rect->bottom - lineHeight;
    }
    ClipRegion saved = p.attributes().clip;
    if (!(format & DT_NOCLIP))
        p.attributes().clip.intersect(p.toDevice(*rect));
    int y = top;
    for (auto& line : lines) {
        if (!(format & DT_CALCRECT)) {
            int width = static_cast<int>(line.text.size()) * cell;
            int x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (boxWidth - width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - width;
            POINT d = p.toDevice(x, y);
            if (!(format & DT_PREFIXONLY))
                textRun(p, d.x, d.y, line.text, &line.underlined);
        }
        y += lineHeight;
    }
    p.attributes().clip = saved;
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
        return top + lineHeight - rect->top;
    return total;
}
