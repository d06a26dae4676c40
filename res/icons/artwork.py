"""The program's five icons, drawn from vector shapes."""
import math

from canvas import (Canvas, Circle, Polygon, Ring, Stroke, arc_points, clock_point,
                    cubic_bezier, quad_bezier, radial_gradient, rgb, vertical_gradient)


def _tongue(base, half_width, tip, lean):
    """One flame tongue from a base hidden behind the gauge to its tip; `lean`
    bends the tip sideways so that the tongue curls like a flame."""
    (bx, by), (tx, ty) = base, tip
    dx, dy = tx - bx, ty - by
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    px, py = -uy, ux
    left = (bx - px * half_width, by - py * half_width)
    right = (bx + px * half_width, by + py * half_width)

    def along(t, side):
        return (bx + ux * length * t + px * side, by + uy * length * t + py * side)

    edge_l = cubic_bezier(left, along(0.45, -half_width * 1.25),
                          along(0.8, lean - half_width * 0.2), (tx, ty))
    edge_r = cubic_bezier((tx, ty), along(0.75, lean + half_width * 0.45),
                          along(0.4, half_width * 1.2), right)
    return Polygon(edge_l + edge_r[1:])


def _flames(c, tongues, half_width, paint):
    """Tongues given as (base x, base y, tip x, tip y, lean)."""
    for bx, by, tx, ty, lean in tongues:
        c.fill(_tongue((bx, by), half_width, (tx, ty), lean), paint)


def speedometer(size=64):
    """The gauge in its 64-unit design, drawn at `size` pixels. Below 32 px
    the scale's ticks and the inner flames would only blur: they are left
    out, and the needle keeps at least two pixels of width."""
    c = Canvas(size, size / 64.0)
    px = 64.0 / size  # design units per pixel
    cx, cy = 32.0, 38.0
    _flames(c, [(15, 42, 2, 15, -2), (22, 36, 13, 3, 2), (32, 34, 29, 0, -2),
                (42, 36, 47, 2, 2), (49, 42, 61, 13, -2)], 9.0,
            vertical_gradient(1, (0.82, 0.06, 0.02), 40, (1.0, 0.50, 0.0)))
    if size >= 24:
        _flames(c, [(18, 42, 8, 18, 2), (27, 36, 21, 7, -2), (37, 36, 40, 7, 2),
                    (46, 42, 56, 17, -2)], 6.0,
                vertical_gradient(8, (1.0, 0.60, 0.04), 34, (1.0, 0.92, 0.40)))
    # Bezel, face, scale, red zone, needle and hub.
    c.fill(Circle(cx, cy, 24.5), rgb(0x1A1A1A))
    c.fill(Circle(cx, cy, 23.2), vertical_gradient(cy - 23, (0.95, 0.95, 0.97), cy + 23,
                                                   (0.45, 0.46, 0.50)))
    c.fill(Circle(cx, cy, 19.6), radial_gradient(cx, cy - 4, 22, (0.26, 0.30, 0.38),
                                                 (0.06, 0.07, 0.10)))
    c.fill(Ring(cx, cy, 15.0, 18.6, 60, 62), rgb(0xE02018))
    if size >= 32:
        for k in range(9):
            angle = -120 + 30 * k
            c.fill(Stroke([clock_point(cx, cy, 14.0, angle), clock_point(cx, cy, 18.0, angle)],
                          1.8), rgb(0xFFFFFF))
    half = max(2.6, px)
    tip = clock_point(cx, cy, 17.0, 75)
    side_a = clock_point(cx, cy, half, 75 - 90)
    side_b = clock_point(cx, cy, half, 75 + 90)
    tail = clock_point(cx, cy, 5.0, 75 + 180)
    c.fill(Polygon([tip, side_a, tail, side_b]), rgb(0xFF3A20))
    c.fill(Circle(cx, cy, 3.6), vertical_gradient(cy - 4, (0.9, 0.9, 0.92), cy + 4,
                                                  (0.35, 0.35, 0.38)))
    return c


_CHECK = [(5.5, 17.0), (12.5, 24.0), (26.5, 8.0)]


def _glyph(size, strokes, width, edge_rgb, top_rgb, bottom_rgb):
    """Strokes in the 32-unit design with a darker edge, filled with a
    top-to-bottom gradient, drawn at `size` pixels. However small the image,
    the edge stays a pixel wide on each side and the fill two pixels wide."""
    c = Canvas(size, size / 32.0)
    px = 32.0 / size  # design units per pixel
    core = max(width, 2.0 * px)
    edge = core + max(2.0, 2.0 * px)
    for points in strokes:
        c.fill(Stroke(points, edge), rgb(edge_rgb))
    for points in strokes:
        c.fill(Stroke(points, core), vertical_gradient(4, top_rgb, 28, bottom_rgb))
    return c


_RED = ((1.0, 0.30, 0.26), (0.78, 0.0, 0.0))


def check_red(size=32):
    return _glyph(size, [_CHECK], 4.6, 0x7A0000, *_RED)


def check_black(size=32):
    return _glyph(size, [_CHECK], 4.6, 0x000000, (0.36, 0.36, 0.36), (0.05, 0.05, 0.05))


def question_red(size=32):
    hook = arc_points(16.0, 11.0, 6.0, 285, 165) + quad_bezier(
        clock_point(16.0, 11.0, 6.0, 90), (16.0, 15.5), (16.0, 18.5))
    return _glyph(size, [hook, [(16.0, 26.5)]], 4.4, 0x7A0000, *_RED)


def cross_red(size=32):
    return _glyph(size, [[(8.0, 8.0), (24.0, 24.0)], [(24.0, 8.0), (8.0, 24.0)]], 5.2, 0x7A0000,
                  *_RED)


# Every group holds one image per size Windows asks for between 100 % and
# 250 % scaling, each drawn for its size.
SIZES = [16, 20, 24, 32, 40, 48, 64]

# File name, picture and design size of each icon group, in resource order
# (130 to 134). The image of the design size is the drawing itself, unscaled:
# the group's original image.
ICONS = [
    ("speedometer.ico", speedometer, 64),
    ("check_red.ico", check_red, 32),
    ("check_black.ico", check_black, 32),
    ("question_red.ico", question_red, 32),
    ("cross_red.ico", cross_red, 32),
]
