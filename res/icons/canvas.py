"""Vector shapes drawn anti-aliased into an RGBA canvas.

Shapes answer `contains(x, y)` in pixel coordinates (y grows downwards, the
pixel (i, j) covers [i, i+1) x [j, j+1)) and give a bounding box; the canvas
supersamples each pixel to find how much of it a shape covers.
"""
import math

SUBSAMPLES = 5  # per axis: 25 coverage levels per pixel


def clock_point(cx, cy, radius, degrees):
    """Point on a circle; 0 degrees is 12 o'clock, angles grow clockwise."""
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


def _segment_distance2(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return ex * ex + ey * ey


class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * dx + dy * dy <= self.r2


class Ring:
    """Annulus between two radii, optionally limited to a clockwise sweep."""

    def __init__(self, cx, cy, r_in, r_out, start=0.0, sweep=360.0):
        self.cx, self.cy = cx, cy
        self.in2, self.out2 = r_in * r_in, r_out * r_out
        self.start, self.sweep = start % 360.0, sweep
        self.bbox = (cx - r_out, cy - r_out, cx + r_out, cy + r_out)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        d2 = dx * dx + dy * dy
        if d2 < self.in2 or d2 > self.out2:
            return False
        if self.sweep >= 360.0:
            return True
        angle = math.degrees(math.atan2(dx, -dy)) % 360.0
        return (angle - self.start) % 360.0 <= self.sweep


class Polygon:
    """Closed polygon, even-odd rule."""

    def __init__(self, points):
        self.points = list(points)
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside


class Stroke:
    """Polyline of the given width with round caps and joins."""

    def __init__(self, points, width):
        self.points = list(points)
        self.r2 = (width / 2.0) ** 2
        h = width / 2.0
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h)

    def contains(self, x, y):
        pts = self.points
        if len(pts) == 1:
            return _segment_distance2(x, y, *pts[0], *pts[0]) <= self.r2
        return any(_segment_distance2(x, y, *pts[i], *pts[i + 1]) <= self.r2
                   for i in range(len(pts) - 1))


def arc_points(cx, cy, radius, start, sweep, steps=24):
    """Points along a clockwise arc, for strokes that follow a curve."""
    return [clock_point(cx, cy, radius, start + sweep * k / steps) for k in range(steps + 1)]


def quad_bezier(p0, p1, p2, steps=12):
    """Points of a quadratic Bezier curve, p0 and p2 included."""
    out = []
    for k in range(steps + 1):
        t = k / steps
        u = 1.0 - t
        out.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                    u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))
    return out


def cubic_bezier(p0, p1, p2, p3, steps=14):
    """Points of a cubic Bezier curve, p0 and p3 included."""
    out = []
    for k in range(steps + 1):
        t = k / steps
        u = 1.0 - t
        w = (u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t)
        out.append((sum(wi * p[0] for wi, p in zip(w, (p0, p1, p2, p3))),
                    sum(wi * p[1] for wi, p in zip(w, (p0, p1, p2, p3)))))
    return out


def vertical_gradient(top_y, top_rgb, bottom_y, bottom_rgb, alpha=1.0):
    """Paint whose colour runs from top_rgb at top_y to bottom_rgb at bottom_y."""
    def paint(_x, y):
        t = max(0.0, min(1.0, (y - top_y) / float(bottom_y - top_y)))
        return tuple(a + (b - a) * t for a, b in zip(top_rgb, bottom_rgb)) + (alpha,)
    return paint


def radial_gradient(cx, cy, radius, inner_rgb, outer_rgb, alpha=1.0):
    def paint(x, y):
        t = min(1.0, math.hypot(x - cx, y - cy) / radius)
        return tuple(a + (b - a) * t for a, b in zip(inner_rgb, outer_rgb)) + (alpha,)
    return paint


def rgb(hex_colour, alpha=1.0):
    """Solid paint from 0xRRGGBB."""
    return ((hex_colour >> 16 & 0xFF) / 255.0, (hex_colour >> 8 & 0xFF) / 255.0,
            (hex_colour & 0xFF) / 255.0, alpha)


class Canvas:
    """Square RGBA image kept premultiplied in floats while drawing.

    Shapes and paints are given in design units; `scale` pixels make one unit,
    so one drawing serves every size. At scale 1 the arithmetic is exactly
    that of an unscaled canvas, which keeps the design-size images unchanged.
    """

    def __init__(self, size, scale=1.0):
        self.size = size
        self.scale = scale
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def fill(self, shape, paint):
        """Composites `paint` (an RGBA tuple or a function of x, y) over the shape."""
        n = SUBSAMPLES
        s = self.scale
        offsets = [(k + 0.5) / n for k in range(n)]
        x0, y0, x1, y1 = (v * s for v in shape.bbox)
        for j in range(max(0, int(math.floor(y0))), min(self.size, int(math.ceil(y1)) + 1)):
            for i in range(max(0, int(math.floor(x0))), min(self.size, int(math.ceil(x1)) + 1)):
                hits = sum(1 for oy in offsets for ox in offsets
                           if shape.contains((i + ox) / s, (j + oy) / s))
                if hits:
                    colour = paint((i + 0.5) / s, (j + 0.5) / s) if callable(paint) else paint
                    self._blend(j * self.size + i, colour, hits / float(n * n))

    def _blend(self, index, colour, coverage):
        r, g, b, a = colour
        a *= coverage
        px = self.pixels[index]
        keep = 1.0 - a
        px[0] = r * a + px[0] * keep
        px[1] = g * a + px[1] * keep
        px[2] = b * a + px[2] * keep
        px[3] = a + px[3] * keep

    def rgba_bytes(self):
        """Straight (not premultiplied) RGBA, rows top to bottom."""
        out = bytearray()
        for r, g, b, a in self.pixels:
            if a <= 0.0:
                out += b"\0\0\0\0"
                continue
            out += bytes(max(0, min(255, int(round(c / a * 255.0)))) for c in (r, g, b))
            out.append(max(0, min(255, int(round(a * 255.0)))))
        return bytes(out)
