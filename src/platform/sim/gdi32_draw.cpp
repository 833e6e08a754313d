// Drawing: rectangles, lines, polygons, ellipses, pixels, edges and focus
// rectangles, and the placeholder that stands for a played metafile.
#include "platform/sim/gdi32_internal.h"
#include "platform/sim/simulator.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace sim::detail;

namespace {

// The on/off runs of the dashed pen styles, in pixels.
const std::vector<int>& dashes(UINT style) {
    static const std::vector<int> solid;
    static const std::vector<int> dash{18, 6};
    static const std::vector<int> dot{3, 3};
    static const std::vector<int> dashDot{9, 6, 3, 6};
    static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH:
        return dash;
    case PS_DOT:
        return dot;
    case PS_DASHDOT:
        return dashDot;
    case PS_DASHDOTDOT:
        return dashDotDot;
    default:
        return solid;
    }
}

// Draws with the selected pen, in device coordinates, keeping the place in
// the dash pattern from one segment to the next.
class PenStroke {
public:
    explicit PenStroke(Painter& p) : p_(p) {
        GdiObject* pen = p.pen();
        style_ = pen->detail->style;
        width_ = std::max(pen->detail->penWidth, 1);
        color_ = pen->detail->color;
    }
    bool visible() const { return style_ != PS_NULL; }

    void dot(int x, int y) {
        bool on = true;
        const auto& runs = dashes(style_);
        if (!runs.empty() && width_ == 1) {
            int total = 0;
            for (int r : runs)
                total += r;
            int at = step_++ % total;
            for (std::size_t i = 0; i < runs.size(); ++i) {
                if (at < runs[i]) {
                    on = i % 2 == 0;
                    break;
                }
                at -= runs[i];
            }
        }
        if (!on) {
            if (p_.attributes().bkMode == OPAQUE)
                put(x, y, p_.raw(p_.attributes().bkColor));
            return;
        }
        if (width_ == 1) {
            put(x, y, p_.raw(color_));
            return;
        }
        int half = (width_ - 1) / 2;
        for (int dy = 0; dy < width_; ++dy)
            for (int dx = 0; dx < width_; ++dx)
                put(x - half + dx, y - half + dy, p_.raw(color_));
    }

    // From (x0, y0) to (x1, y1), the end point left out.
    void line(int x0, int y0, int x1, int y1) {
        int dx = std::abs(x1 - x0);
        int dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1;
        int sy = y0 < y1 ? 1 : -1;
        int error = dx + dy;
        while (x0 != x1 || y0 != y1) {
            dot(x0, y0);
            int e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                error += dx;
                y0 += sy;
            }
        }
    }

private:
    void put(int x, int y, std::uint32_t value) {
        if (!p_.visible(x, y))
            return;
        std::uint32_t& target = pixelAt(*p_.surface(), x, y);
        switch (p_.attributes().rop2) {
        case R2_NOT:
            target ^= 0xFFFFFF;
            break;
        case R2_XORPEN:
            target ^= value;
            break;
        default:
            target = value;
        }
    }

    Painter& p_;
    UINT style_ = PS_SOLID;
    int width_ = 1;
    COLORREF color_ = 0;
    int step_ = 0;
};

RECT normalised(int left, int top, int right, int bottom) {
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
}

// Fills the inside of a closed outline with the selected brush: pixels whose
// centres lie inside by the alternate rule.
void fillPolygon(Painter& p, const std::vector<POINT>& points) {
    std::uint32_t value;
    GdiObject* brush = p.brush();
    if (points.size() < 3 || brush->detail->style == BS_NULL)
        return;
    LONG top = points[0].y, bottom = points[0].y;
    for (const auto& pt : points) {
        top = std::min(top, pt.y);
        bottom = std::max(bottom, pt.y);
    }
    for (int y = top; y < bottom; ++y) {
        double cy = y + 0.5;
        std::vector<double> xs;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const POINT& a = points[i];
            const POINT& b = points[(i + 1) % points.size()];
            if ((a.y <= cy && b.y > cy) || (b.y <= cy && a.y > cy))
                xs.push_back(a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
            for (int x = static_cast<int>(std::ceil(xs[i] - 0.5)); x + 0.5 < xs[i + 1]; ++x)
                if (p.visible(x, y) && p.brushPixel(brush, x, y, value))
                    pixelAt(*p.surface(), x, y) = value;
    }
}

void outline(Painter& p, const std::vector<POINT>& points, bool closed) {
    PenStroke stroke(p);
    if (!stroke.visible() || points.empty())
        return;
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        stroke.line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y);
    if (closed && points.size() > 1)
        stroke.line(points.back().x, points.back().y, points.front().x, points.front().y);
}

std::vector<POINT> toDevice(Painter& p, const POINT* points, int count) {
    std::vector<POINT> out;
    for (int i = 0; i < count; ++i)
        out.push_back(p.toDevice(points[i].x, points[i].y));
    return out;
}

void edgeLayer(Painter& p, RECT& r, UINT flags, COLORREF topLeft, COLORREF bottomRight) {
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    // Each side runs the whole length; right and bottom, drawn last, take
    // the corners they share with left and top.
    if (flags & BF_LEFT)
        p.fill(RECT{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    if (flags & BF_TOP)
        p.fill(RECT{r.left, r.top, r.right, r.top + 1}, topLeft);
    if (flags & BF_RIGHT)
        p.fill(RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    if (flags & BF_BOTTOM)
        p.fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    if (flags & BF_LEFT)
        ++r.left;
    if (flags & BF_TOP)
        ++r.top;
    if (flags & BF_RIGHT)
        --r.right;
    if (flags & BF_BOTTOM)
        --r.bottom;
}

} // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect || !brush)
        return 0;
    p.fillWithBrush(p.toDevice(*rect), brush);
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect || !brush)
        return 0;
    RECT r = p.toDevice(*rect);
    if (r.left >= r.right || r.top >= r.bottom)
        return 1;
    p.fillWithBrush(RECT{r.left, r.top, r.right, r.top + 1}, brush);
    p.fillWithBrush(RECT{r.left, r.bottom - 1, r.right, r.bottom}, brush);
    p.fillWithBrush(RECT{r.left, r.top, r.left + 1, r.bottom}, brush);
    p.fillWithBrush(RECT{r.right - 1, r.top, r.right, r.bottom}, brush);
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect)
        return FALSE;
    for (const auto& part : p.visibleParts(p.toDevice(*rect)))
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x)
                pixelAt(*p.surface(), x, y) ^= 0xFFFFFF;
    return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    if (previous)
        *previous = p.attributes().position;
    p.attributes().position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    POINT from = p.toDevice(p.attributes().position.x, p.attributes().position.y);
    POINT to = p.toDevice(x, y);
    PenStroke stroke(p);
    if (stroke.visible())
        stroke.line(from.x, from.y, to.x, to.y);
    p.attributes().position = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !points || count < 2)
        return FALSE;
    outline(p, toDevice(p, points, count), false);
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !points || count < 2)
        return FALSE;
    auto device = toDevice(p, points, count);
    fillPolygon(p, device);
    outline(p, device, true);
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    RECT r = p.toDevice(normalised(left, top, right, bottom));
    PenStroke stroke(p);
    if (!stroke.visible()) { // without a pen the figure is one pixel smaller
        p.fillWithBrush(RECT{r.left, r.top, r.right - 1, r.bottom - 1}, nullptr);
        return TRUE;
    }
    p.fillWithBrush(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, nullptr);
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    stroke.line(r.left, r.top, r.right - 1, r.top);
    stroke.line(r.right - 1, r.top, r.right - 1, r.bottom - 1);
    stroke.line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
    stroke.line(r.left, r.bottom - 1, r.left, r.top);
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    RECT r = p.toDevice(normalised(left, top, right, bottom));
    double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    double a = (r.right - r.left) / 2.0, b = (r.bottom - r.top) / 2.0;
    if (a <= 0 || b <= 0)
        return TRUE;
    GdiObject* pen = p.pen();
    bool hasPen = pen->detail->style != PS_NULL;
    double w = hasPen ? std::max(pen->detail->penWidth, 1) : 0;
    auto inside = [&](double x, double y, double shrink) {
        double aa = a - shrink, bb = b - shrink;
        if (aa <= 0 || bb <= 0)
            return false;
        double nx = (x - cx) / aa, ny = (y - cy) / bb;
        return nx * nx + ny * ny <= 1.0;
    };
    GdiObject* brush = p.brush();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            double px = x + 0.5, py = y + 0.5;
            if (!inside(px, py, 0) || !p.visible(x, y))
                continue;
            std::uint32_t value;
            if (hasPen && !inside(px, py, w))
                pixelAt(*p.surface(), x, y) = p.raw(pen->detail->color);
            else if (p.brushPixel(brush, x, y, value))
                pixelAt(*p.surface(), x, y) = value;
        }
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return CLR_INVALID;
    POINT d = p.toDevice(x, y);
    if (!p.visible(d.x, d.y))
        return CLR_INVALID;
    pixelAt(*p.surface(), d.x, d.y) = p.raw(color);
    return colorOf(p.raw(color));
}

COLORREF GetPixel(HDC dc, int x, int y) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return CLR_INVALID;
    POINT d = p.toDevice(x, y);
    if (!p.visible(d.x, d.y))
        return CLR_INVALID;
    return colorOf(pixelAt(*p.surface(), d.x, d.y) & 0xFFFFFF);
}

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect)
        return FALSE;
    RECT r = p.toDevice(*rect);
    RECT before = r;
    UINT outer = edge & BDR_OUTER;
    UINT inner = edge & BDR_INNER;
    COLORREF light = GetSysColor(COLOR_3DLIGHT), hilight = GetSysColor(COLOR_3DHILIGHT);
    COLORREF shadow = GetSysColor(COLOR_3DSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    COLORREF face = GetSysColor(COLOR_3DFACE);
    if (flags & BF_MONO) {
        COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
        if (outer)
            edgeLayer(p, r, flags, frame, frame);
        if (inner)
            edgeLayer(p, r, flags, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW));
    } else if (flags & BF_FLAT) {
        if (outer)
            edgeLayer(p, r, flags, shadow, shadow);
        if (inner)
            edgeLayer(p, r, flags, face, face);
    } else {
        // The outer edge takes the rectangle's border, the inner one the
        // line within it (or the border itself when there is no outer edge).
        if (outer == BDR_RAISEDOUTER)
            edgeLayer(p, r, flags, light, dark);
        else if (outer == BDR_SUNKENOUTER)
            edgeLayer(p, r, flags, shadow, hilight);
        if (inner == BDR_RAISEDINNER)
            edgeLayer(p, r, flags, hilight, shadow);
        else if (inner == BDR_SUNKENINNER)
            edgeLayer(p, r, flags, dark, light);
    }
    if (flags & BF_MIDDLE)
        p.fill(r, face);
    if (flags & BF_ADJUST) {
        rect->left += r.left - before.left;
        rect->top += r.top - before.top;
        rect->right += r.right - before.right;
        rect->bottom += r.bottom - before.bottom;
    }
    return TRUE;
}

// Every other pixel of the border, inverted: drawn twice, it is gone.
BOOL DrawFocusRect(HDC dc, const RECT* rect) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect)
        return FALSE;
    RECT r = p.toDevice(*rect);
    auto flip = [&](int x, int y) {
        if (((x + y) & 1) == 0 && p.visible(x, y))
            pixelAt(*p.surface(), x, y) ^= 0xFFFFFF;
    };
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    for (int x = r.left; x < r.right; ++x) {
        flip(x, r.top);
        if (r.bottom - 1 != r.top)
            flip(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        flip(r.left, y);
        if (r.right - 1 != r.left)
            flip(r.right - 1, y);
    }
    return TRUE;
}

BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state) {
    if (!rect)
        return FALSE;
    if (type == DFC_BUTTON && (state & DFCS_BUTTONPUSH)) {
        RECT r = *rect;
        DrawEdge(dc, &r, (state & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED,
                 BF_RECT | BF_MIDDLE | BF_ADJUST);
        return TRUE;
    }
    if (type != DFC_MENU)
        return FALSE;
    // The marks of menus, drawn black on white in the middle of the rectangle.
    static const char* const check[] = {"......#", ".....##", "#...###", "##.###.",
                                        "#####..", ".###...", "..#...."};
    static const char* const bullet[] = {".##.", "####", "####", ".##."};
    static const char* const arrow[] = {"#...", "##..", "###.", "####", "###.", "##..", "#..."};
    const char* const* rows = check;
    int count = 7;
    if ((state & 0xFF) == DFCS_MENUBULLET) {
        rows = bullet;
        count = 4;
    } else if ((state & 0xFF) == DFCS_MENUARROW || (state & 0xFF) == DFCS_MENUARROWRIGHT) {
        rows = arrow;
    }
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    RECT r = p.toDevice(*rect);
    p.fill(r, RGB(255, 255, 255));
    int width = static_cast<int>(std::string(rows[0]).size());
    int left = r.left + (r.right - r.left - width) / 2;
    int top = r.top + (r.bottom - r.top - count) / 2;
    for (int y = 0; y < count; ++y)
        for (int x = 0; x < width; ++x)
            if (rows[y][x] == '#')
                p.plot(left + x, top + y, RGB(0, 0, 0));
    return TRUE;
}

// The simulator keeps no drawing in metafiles: playing one fills the target
// rectangle with one placeholder colour.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE emf, const RECT* rect) {
    auto guard = lock();
    Painter p(dc);
    auto* metafile = findGdi(emf);
    if (!p.valid() || !rect || !metafile || metafile->type != OBJ_ENHMETAFILE)
        return FALSE;
    p.fill(p.toDevice(*rect), sim::MetafilePlaceholderColor);
    return TRUE;
}
