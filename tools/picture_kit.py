"""The machinery behind make_pictures.py: shapes as signed-distance functions
(negative inside), a supersampling canvas that paints them, and the .ico and
.bmp writers and readers. Standard library only.
"""

import math
import struct

# The transparent colour of the image strips.
MAGENTA = (255, 0, 255)


# ---------------------------------------------------------------- shapes


class Shape:
    def sdf(self, x, y):
        raise NotImplementedError

    def bbox(self):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Inter(self, other)

    def __sub__(self, other):
        return Diff(self, other)

    def grown(self, d):
        return Offset(self, d)


class Box(Shape):
    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r

    def sdf(self, x, y):
        cx, cy = (self.x0 + self.x1) / 2, (self.y0 + self.y1) / 2
        hx, hy = (self.x1 - self.x0) / 2, (self.y1 - self.y0) / 2
        qx = abs(x - cx) - hx + self.r
        qy = abs(y - cy) - hy + self.r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r

    def bbox(self):
        return self.x0, self.y0, self.x1, self.y1


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def sdf(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r

    def bbox(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r


class Capsule(Shape):
    """A stroke of width w from a to b with round ends."""

    def __init__(self, ax, ay, bx, by, w):
        self.ax, self.ay, self.bx, self.by, self.h = ax, ay, bx, by, w / 2

    def sdf(self, x, y):
        dx, dy = self.bx - self.ax, self.by - self.ay
        px, py = x - self.ax, y - self.ay
        dd = dx * dx + dy * dy
        t = 0.0 if dd == 0 else max(0.0, min(1.0, (px * dx + py * dy) / dd))
        return math.hypot(px - dx * t, py - dy * t) - self.h

    def bbox(self):
        return (min(self.ax, self.bx) - self.h, min(self.ay, self.by) - self.h,
                max(self.ax, self.bx) + self.h, max(self.ay, self.by) + self.h)


class Poly(Shape):
    def __init__(self, pts):
        self.pts = [(float(a), float(b)) for a, b in pts]

    def sdf(self, x, y):
        pts = self.pts
        n = len(pts)
        d = float("inf")
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            ee = ex * ex + ey * ey
            t = 0.0 if ee == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / ee))
            d = min(d, math.hypot(wx - ex * t, wy - ey * t))
            if (yi > y) != (yj > y) and x < xi + (y - yi) * ex / ey:
                inside = not inside
            j = i
        return -d if inside else d

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return min(xs), min(ys), max(xs), max(ys)


class Arc(Shape):
    """A stroke of width w along a circle from angle a0 to a1 (degrees,
    clockwise on screen since y points down), with round ends."""

    def __init__(self, cx, cy, r, w, a0, a1):
        self.cx, self.cy, self.r, self.h = cx, cy, r, w / 2
        self.a0 = a0 % 360.0
        self.span = (a1 - a0) % 360.0 or 360.0
        self.ends = [(cx + r * math.cos(math.radians(a)),
                      cy + r * math.sin(math.radians(a))) for a in (a0, a1)]

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        a = (math.degrees(math.atan2(dy, dx)) - self.a0) % 360.0
        if a <= self.span:
            return abs(math.hypot(dx, dy) - self.r) - self.h
        return min(math.hypot(x - ex, y - ey) for ex, ey in self.ends) - self.h

    def bbox(self):
        e = self.r + self.h
        return self.cx - e, self.cy - e, self.cx + e, self.cy + e


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def sdf(self, x, y):
        return min(p.sdf(x, y) for p in self.parts)

    def bbox(self):
        bs = [p.bbox() for p in self.parts]
        return (min(b[0] for b in bs), min(b[1] for b in bs),
                max(b[2] for b in bs), max(b[3] for b in bs))


class Inter(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), self.b.sdf(x, y))

    def bbox(self):
        a, b = self.a.bbox(), self.b.bbox()
        return max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])


class Diff(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))

    def bbox(self):
        return self.a.bbox()


class Offset(Shape):
    def __init__(self, s, d):
        self.s, self.d = s, d

    def sdf(self, x, y):
        return self.s.sdf(x, y) - self.d

    def bbox(self):
        b = self.s.bbox()
        d = max(self.d, 0.0)
        return b[0] - d, b[1] - d, b[2] + d, b[3] + d


class Scaled(Shape):
    """A shape given in the 16-unit design grid, placed on a canvas of any
    size: design point (x, y) lands on pixel coordinate (x * k, y * k)."""

    def __init__(self, s, k):
        self.s, self.k = s, k

    def sdf(self, x, y):
        return self.s.sdf(x / self.k, y / self.k) * self.k

    def bbox(self):
        b = self.s.bbox()
        return b[0] * self.k, b[1] * self.k, b[2] * self.k, b[3] * self.k


def snapped(shape, k):
    """The shape with box edges and polygon corners moved to the nearest
    pixel edge (1/k design units), so straight edges stay crisp at sizes
    where the design grid falls between pixels. Round shapes stay as they are."""
    def q(v):
        return round(v * k) / k

    if isinstance(shape, Box):
        return Box(q(shape.x0), q(shape.y0), q(shape.x1), q(shape.y1), shape.r)
    if isinstance(shape, Poly):
        return Poly([(q(x), q(y)) for x, y in shape.pts])
    if isinstance(shape, Union):
        return Union(*[snapped(p, k) for p in shape.parts])
    if isinstance(shape, (Inter, Diff)):
        return type(shape)(snapped(shape.a, k), snapped(shape.b, k))
    if isinstance(shape, Offset):
        return Offset(snapped(shape.s, k), shape.d)
    return shape


# ---------------------------------------------------------------- canvas


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class VGrad:
    """A vertical gradient fill between two design-grid rows."""

    def __init__(self, top, bottom, y0, y1):
        self.top, self.bottom, self.y0, self.y1 = top, bottom, y0, y1

    def at(self, y):
        t = (y - self.y0) / (self.y1 - self.y0)
        return mix(self.top, self.bottom, max(0.0, min(1.0, t)))


class Canvas:
    """Straight (not premultiplied) RGBA in floats, 0..255 for colour and
    0..1 for alpha. Drawing is in design units: 16 units span the canvas."""

    SS = 4  # samples per pixel along each axis

    def __init__(self, size):
        self.w = self.h = size
        self.k = size / 16.0
        self.rgb = [[(0.0, 0.0, 0.0)] * size for _ in range(size)]
        self.a = [[0.0] * size for _ in range(size)]

    def paint(self, shape, colour, px=0.0, opacity=1.0):
        """Paints shape grown by px pixels (negative shrinks)."""
        s = Scaled(snapped(shape, self.k), self.k)
        if px:
            s = Offset(s, px)
        x0, y0, x1, y1 = s.bbox()
        n = self.SS
        offs = [(i + 0.5) / n for i in range(n)]
        for y in range(max(0, int(math.floor(y0))), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(math.floor(x0))), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for oy in offs:
                    for ox in offs:
                        if s.sdf(x + ox, y + oy) < 0:
                            hits += 1
                if not hits:
                    continue
                cov = hits / (n * n) * opacity
                c = colour.at((y + 0.5) / self.k) if isinstance(colour, VGrad) else colour
                self._blend(x, y, c, cov)

    def _blend(self, x, y, c, a):
        da = self.a[y][x]
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        dc = self.rgb[y][x]
        self.rgb[y][x] = tuple((c[i] * a + dc[i] * da * (1 - a)) / oa for i in range(3))
        self.a[y][x] = oa

    def fill(self, shape, colour, outline=None, ow=1.0):
        """A flat shape with a one-pixel outline drawn inside its edge."""
        if outline is None:
            self.paint(shape, colour)
            return
        self.paint(shape, outline)
        self.paint(shape, colour, px=-ow)

    def stroke(self, shape, colour, outline, ow=1.0):
        """Outline drawn outside the shape, for thin strokes that would
        vanish under an inside outline."""
        self.paint(shape, outline, px=ow)
        self.paint(shape, colour)

    def pixels(self, x, y, rows, colours):
        """Pixel art in canvas pixels. colours is one colour for '#', or a
        dict from characters to colours; other characters are skipped."""
        if not isinstance(colours, dict):
            colours = {"#": colours}
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in colours and 0 <= x + i < self.w and 0 <= y + j < self.h:
                    self.rgb[y + j][x + i] = tuple(float(v) for v in colours[ch])
                    self.a[y + j][x + i] = 1.0

    def rgba8(self):
        """Rows top-down of (r, g, b, a) bytes; colour is zero where alpha is."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                a = int(round(self.a[y][x] * 255))
                if a == 0:
                    row.append((0, 0, 0, 0))
                else:
                    r, g, b = (max(0, min(255, int(round(v)))) for v in self.rgb[y][x])
                    row.append((r, g, b, a))
            out.append(row)
        return out


# ---------------------------------------------------------------- file formats


def render(draw, size):
    c = Canvas(size)
    draw(c)
    return c.rgba8()


def keyed(rows):
    """Alpha to a magenta key: at least half covered counts as drawn. A drawn
    pixel must never come out as the key colour itself."""
    out = []
    for row in rows:
        o = []
        for r, g, b, a in row:
            if a < 128:
                o.append(MAGENTA)
            elif (r, g, b) == MAGENTA:
                o.append((254, 0, 254))
            else:
                o.append((r, g, b))
        out.append(o)
    return out


def bmp24(rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    bits = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        bits += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return head + info + bits


def and_mask(opaque):
    """One bit per pixel, 1 = transparent, rows bottom-up padded to 32 bits."""
    h, w = len(opaque), len(opaque[0])
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in reversed(opaque):
        line = bytearray(stride)
        for x, o in enumerate(row):
            if not o:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def ico_image_32(rows):
    h, w = len(rows), len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = and_mask([[a > 0 for (_, _, _, a) in row] for row in rows])
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0,
                       0, 0)
    return info + bytes(xor) + mask


def palette_of(rows):
    """Index 0 is black, kept for the transparent pixels so that the XOR
    part leaves the screen alone there. The other entries are the image's
    most frequent colours; any colour left over maps to its nearest entry."""
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    ranked = sorted(counts, key=lambda col: (-counts[col], col))
    pal = [(0, 0, 0)] + [col for col in ranked if col != (0, 0, 0)][:255]
    if (0, 0, 0) in counts:
        pal[0] = (0, 0, 0)  # black drawn pixels share index 0 with the key
    return pal


def nearest(pal, col, cache):
    if col not in cache:
        cache[col] = min(range(len(pal)),
                         key=lambda i: (sum((pal[i][j] - col[j]) ** 2 for j in range(3)), i))
    return cache[col]


def ico_image_8(rows):
    h, w = len(rows), len(rows[0])
    pal = palette_of(rows)
    cache = {}
    stride = (w + 3) & ~3
    xor = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            line[x] = nearest(pal, (r, g, b), cache) if a >= 128 else 0
        xor += line
    mask = and_mask([[a >= 128 for (_, _, _, a) in row] for row in rows])
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal) + b"\0" * 4 * (256 - len(pal))
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + len(mask), 0, 0,
                       256, 0)
    return info + table + bytes(xor) + mask


def ico(images):
    """images: list of (rows, bits). Standard layout: ICONDIR, the entries,
    then each image's BITMAPINFOHEADER (doubled height), colours, XOR, AND."""
    head = struct.pack("<HHH", 0, 1, len(images))
    blobs = [ico_image_32(r) if bits == 32 else ico_image_8(r) for r, bits in images]
    offset = 6 + 16 * len(images)
    entries = b""
    for (rows, bits), blob in zip(images, blobs):
        w, h = len(rows[0]), len(rows)
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return head + entries + b"".join(blobs)


# ---------------------------------------------------------------- reading back


def read_bmp24(data):
    magic, size, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM" and size == len(data), "BMP file header"
    hs, w, h, planes, bits, comp = struct.unpack_from("<IiiHHI", data, 14)
    assert hs == 40 and planes == 1 and bits == 24 and comp == 0 and h > 0, "BMP info header"
    stride = (w * 3 + 3) & ~3
    assert off + stride * h == len(data), "BMP pixel data size"
    rows = []
    for y in range(h):
        base = off + (h - 1 - y) * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                     for x in range(w)])
    return rows


def read_ico(data):
    """Returns [(bits, rows of (r, g, b, a))]; alpha of 8-bit images comes
    from the AND mask."""
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and typ == 1 and count > 0, "ICONDIR"
    out = []
    for i in range(count):
        bw, bh, ncol, res, planes, bits, size, off = struct.unpack_from("<BBBBHHII", data,
                                                                        6 + 16 * i)
        assert res == 0 and planes == 1 and ncol == 0, "ICONDIRENTRY"
        assert off + size <= len(data), "entry runs past the end"
        hs, w, h2, p, bc, comp, simg, _, _, clr, _ = struct.unpack_from("<IiiHHIIiiII", data, off)
        w0, h0 = bw or 256, bh or 256
        assert hs == 40 and w == w0 and h2 == 2 * h0 and p == 1 and bc == bits and comp == 0, \
            "BITMAPINFOHEADER"
        pos = off + 40
        pal = []
        if bits == 8:
            n = clr or 256
            pal = [(data[pos + 4 * j + 2], data[pos + 4 * j + 1], data[pos + 4 * j])
                   for j in range(n)]
            pos += 4 * n
        xstride = ((w * bits + 31) // 32) * 4
        mstride = ((w + 31) // 32) * 4
        xor_at, and_at = pos, pos + xstride * h0
        assert and_at + mstride * h0 == off + size == off + 40 + 4 * len(pal) + simg, \
            "image size"
        rows = []
        for y in range(h0):
            xb = xor_at + (h0 - 1 - y) * xstride
            mb = and_at + (h0 - 1 - y) * mstride
            row = []
            for x in range(w):
                transparent = data[mb + x // 8] & (0x80 >> (x % 8))
                if bits == 32:
                    b, g, r, a = data[xb + 4 * x:xb + 4 * x + 4]
                    assert bool(transparent) == (a == 0), "AND mask disagrees with alpha"
                else:
                    r, g, b = pal[data[xb + x]]
                    if transparent:
                        assert (r, g, b) == (0, 0, 0), "transparent pixel not black in XOR"
                    a = 0 if transparent else 255
                row.append((r, g, b, a))
            rows.append(row)
        out.append((bits, rows))
    return out


def check_ico(path, images):
    got = read_ico(open(path, "rb").read())
    assert len(got) == len(images), path
    for (bits, rows), (want, wbits) in zip(got, images):
        assert bits == wbits, path
        if bits == 32:
            assert rows == want, "%s: %d-bit image differs" % (path, bits)
            continue
        # 8-bit: the same pixels are drawn, and the colours are close
        worst = 0
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                wr, wg, wb, wa = want[y][x]
                assert (a == 255) == (wa >= 128), "%s: mask at %d,%d" % (path, x, y)
                if a:
                    worst = max(worst, abs(r - wr), abs(g - wg), abs(b - wb))
        assert worst <= 24, "%s: 8-bit colours drift by %d" % (path, worst)


def check_bmp(path, want, cell):
    got = read_bmp24(open(path, "rb").read())
    assert got == want, path + ": pixels differ"
    # glyph painters take the bottom-left pixel of an image as its
    # transparent colour, so every cell keeps that corner free
    for x0 in range(0, len(got[0]), cell):
        assert got[cell - 1][x0] == MAGENTA, "%s: cell at %d has a drawn corner" % (path, x0)
        drawn = sum(1 for row in got for p in row[x0:x0 + cell] if p != MAGENTA)
        assert drawn > 0, "%s: cell at %d is empty" % (path, x0)
