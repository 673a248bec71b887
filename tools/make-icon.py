#!/usr/bin/env python3
"""Draw the program icon and write it as a Windows .ico file.

usage: make-icon.py [OUTPUT]   (default: res/Tornquill.ico beside this tools/ folder)

The picture: a quill with a torn vane, its nib dipping into an orange tray, on a blue tile. It is
drawn procedurally at every size (supersampled coverage, so small sizes stay crisp) and stored
as 16, 24, 32 and 48 pixels in 4-bit, 8-bit and 32-bit colour, plus 256 pixels in 32-bit colour.
The palettised images are BMPs with a 1-bit AND mask; the 32-bit images up to 48 pixels are
BGRA BMPs with an AND mask; the 256-pixel image is a PNG, as the platform stores that size.
The output depends only on this script, so running it again reproduces the file exactly.
"""

import math
import os
import struct
import sys
import zlib

SMALL_SIZES = (16, 24, 32, 48)
LARGE_SIZE = 256

# The 16 colours of the standard 4-bit palette, in their customary order.
VGA_PALETTE = [
    (0, 0, 0),
    (128, 0, 0),
    (0, 128, 0),
    (128, 128, 0),
    (0, 0, 128),
    (128, 0, 128),
    (0, 128, 128),
    (192, 192, 192),
    (128, 128, 128),
    (255, 0, 0),
    (0, 255, 0),
    (255, 255, 0),
    (0, 0, 255),
    (255, 0, 255),
    (0, 255, 255),
    (255, 255, 255),
]

# Geometry in unit coordinates: x to the right, y downwards, the image spans 0 to 1.
TILE_MARGIN = 0.055
TILE_RADIUS = 0.2
QUILL_TOP = (0.80, 0.11)
QUILL_NIB = (0.38, 0.80)
VANE_END = 0.70  # fraction of the quill's length covered by the vane
VANE_LEFT = 0.19  # widest half-width of the vane on each side of the shaft
VANE_RIGHT = 0.12
TEARS = ((0.33, 0.075), (0.52, 0.06))  # position along the vane and depth of each tear
TRAY_LEFT, TRAY_RIGHT = 0.20, 0.80
TRAY_TOP, TRAY_BOTTOM = 0.60, 0.87
TRAY_STROKE = 0.085


# Colours of the picture in full colour, and the same picture in the standard 16 colours, where
# gradients and highlights give way to flat areas.
FULL_COLOUR = {
    "tile top": (84, 156, 236),
    "tile bottom": (20, 58, 138),
    "tile rim": (16, 40, 96),
    "highlight": 0.16,
    "tray": (255, 170, 40),
    "tray lip": (232, 118, 18),
    "outline": (22, 52, 112),
    "vane light": (253, 252, 246),
    "vane shade": (212, 225, 243),
    "barb": (150, 170, 200),
    "shaft": (196, 160, 96),
    "nib dark": (52, 56, 70),
    "nib light": (92, 98, 116),
}
SIXTEEN_COLOURS = {
    "tile top": (0, 0, 255),
    "tile bottom": (0, 0, 255),
    "tile rim": (0, 0, 128),
    "highlight": 0.0,
    "tray": (255, 255, 0),
    "tray lip": (128, 128, 0),
    "outline": (0, 0, 128),
    "vane light": (255, 255, 255),
    "vane shade": (192, 192, 192),
    "barb": (192, 192, 192),
    "shaft": (128, 128, 0),
    "nib dark": (0, 0, 0),
    "nib light": (128, 128, 128),
}


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def over(dst, colour, alpha):
    """Composite a straight-alpha colour over a straight-alpha RGBA value."""
    r, g, b, a = dst
    out_a = alpha + a * (1 - alpha)
    if out_a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    k = a * (1 - alpha)
    return (
        (colour[0] * alpha + r * k) / out_a,
        (colour[1] * alpha + g * k) / out_a,
        (colour[2] * alpha + b * k) / out_a,
        out_a,
    )


def rounded_box_distance(x, y, x0, y0, x1, y1, radius):
    """Signed distance to a rounded rectangle: negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


class Quill:
    def __init__(self):
        ax, ay = QUILL_TOP
        bx, by = QUILL_NIB
        self.origin = (ax, ay)
        self.length = math.hypot(bx - ax, by - ay)
        self.along = ((bx - ax) / self.length, (by - ay) / self.length)
        # Positive across-values lie on the right-hand side of the downward direction.
        self.across = (-self.along[1], self.along[0])

    def frame(self, x, y):
        dx, dy = x - self.origin[0], y - self.origin[1]
        t = (dx * self.along[0] + dy * self.along[1]) / self.length
        s = dx * self.across[0] + dy * self.across[1]
        return t, s

    @staticmethod
    def vane_profile(t):
        """Relative half-width of the vane, 0 at both of its ends, 1 at its widest."""
        if t <= 0 or t >= VANE_END:
            return 0.0
        u = t / VANE_END
        return (u**0.55 * (1 - u) ** 0.8) / (0.407**0.55 * 0.593**0.8)

    def vane_edge(self, t, s):
        """Half-width of the vane on the side of s at t, with the tears cut into the left side."""
        profile = self.vane_profile(t)
        if s >= 0:
            return VANE_RIGHT * profile
        width = VANE_LEFT * profile
        for position, depth in TEARS:
            # The tears run back along the barbs, which slant towards the top of the quill.
            slanted = t - position * VANE_END + 0.9 * s
            cut = depth * max(0.0, 1 - abs(slanted) / 0.028)
            width -= cut
        return width


QUILL = Quill()


def sample(x, y, pixel, scheme):
    """Straight-alpha RGBA (components 0 to 255, alpha 0 to 1) of the picture at (x, y)."""
    colour = (0.0, 0.0, 0.0, 0.0)
    line = max(pixel, 0.018)

    # Tile with a vertical gradient, a darker rim and a soft highlight across its upper part.
    tile = rounded_box_distance(
        x, y, TILE_MARGIN, TILE_MARGIN, 1 - TILE_MARGIN, 1 - TILE_MARGIN, TILE_RADIUS
    )
    if tile <= 0:
        depth = (y - TILE_MARGIN) / (1 - 2 * TILE_MARGIN)
        fill = mix(scheme["tile top"], scheme["tile bottom"], depth)
        if tile > -line:
            fill = scheme["tile rim"]
        colour = over(colour, fill, 1.0)
        if math.hypot((x - 0.5) / 0.75, (y + 0.02) / 0.47) < 1 and tile <= -line:
            colour = over(colour, (255, 255, 255), scheme["highlight"])

    # Tray: an open U-shaped band below the middle, with a darker lower lip.
    outer = rounded_box_distance(x, y, TRAY_LEFT, TRAY_TOP - 0.2, TRAY_RIGHT, TRAY_BOTTOM, 0.07)
    inner = rounded_box_distance(
        x,
        y,
        TRAY_LEFT + TRAY_STROKE,
        TRAY_TOP - 0.3,
        TRAY_RIGHT - TRAY_STROKE,
        TRAY_BOTTOM - TRAY_STROKE,
        0.02,
    )
    if y >= TRAY_TOP and outer <= 0 and inner > 0:
        shade = scheme["tray lip"] if y > TRAY_BOTTOM - TRAY_STROKE * 0.45 else scheme["tray"]
        colour = over(colour, shade, 1.0)

    t, s = QUILL.frame(x, y)
    length = QUILL.length

    # Vane: a white, slightly shaded feather with an outline that keeps it clear of the tile.
    edge = QUILL.vane_edge(t, s)
    if 0 < t < VANE_END and abs(s) < edge:
        inside = edge - abs(s)
        end_distance = min(t, VANE_END - t) * length
        if min(inside, end_distance * 0.5) < line * 0.9:
            fill = scheme["outline"]
        elif s < 0:
            fill = scheme["vane light"]
        else:
            fill = scheme["vane shade"]
        if pixel < 0.01 and min(inside, end_distance * 0.5) >= line * 0.9:
            barb = (t * length * 1.15 - 0.9 * abs(s)) * 46
            if barb - math.floor(barb) < 0.12:
                fill = mix(fill, scheme["barb"], 0.45)
        colour = over(colour, fill, 1.0)

    # Shaft from the top of the vane down to the nib; at the smallest sizes only below the vane,
    # which then reads as one clear white shape.
    shaft = max(0.011, pixel * 0.55) * (1.4 - 0.6 * t)
    start = VANE_END - 0.05 if pixel > 1 / 32 else 0.04
    if start < t < 0.9 and abs(s) < shaft:
        colour = over(colour, scheme["shaft"], 1.0)

    # Nib: a dark steel point.
    if 0.86 <= t <= 1.0:
        half = 0.034 * (1.0 - t) / 0.14
        if abs(s) < half + pixel * 0.15:
            fill = scheme["nib dark"] if s < 0 else scheme["nib light"]
            colour = over(colour, fill, 1.0)

    return colour


def render(size, scheme, blend):
    """Rows of RGBA tuples (0 to 255), top row first. Each pixel takes several samples: blended,
    they give smooth edges; unblended, the pixel takes the colour that covers most of it, so that
    a picture drawn in palette colours keeps exactly those colours."""
    pixel = 1.0 / size
    grid = 6 if size <= 48 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(grid):
                for sx in range(grid):
                    x = (px + (sx + 0.5) / grid) * pixel
                    y = (py + (sy + 0.5) / grid) * pixel
                    samples.append(sample(x, y, pixel, scheme))
            row.append(blended(samples) if blend else majority(samples))
        rows.append(row)
    return rows


def blended(samples):
    alpha = sum(a for _, _, _, a in samples)
    if alpha <= 0:
        return (0, 0, 0, 0)
    rgb = [min(255, max(0, round(sum(s[i] * s[3] for s in samples) / alpha))) for i in range(3)]
    return (rgb[0], rgb[1], rgb[2], round(alpha / len(samples) * 255))


def majority(samples):
    votes = {}
    for r, g, b, a in samples:
        key = (round(r), round(g), round(b), 255) if a >= 0.5 else (0, 0, 0, 0)
        votes[key] = votes.get(key, 0) + 1
    return max(sorted(votes), key=lambda key: votes[key])


def nearest(palette, colour):
    r, g, b = colour[:3]
    best = None
    for index, (pr, pg, pb) in enumerate(palette):
        # Weighted distance: the eye is most sensitive to green, least to blue.
        d = 3 * (r - pr) ** 2 + 4 * (g - pg) ** 2 + 2 * (b - pb) ** 2
        if best is None or d < best[0]:
            best = (d, index)
    return best[1]


def median_cut(colours, count):
    """Up to count representative colours of the given RGB list."""

    def spread(box, channel):
        return max(c[channel] for c in box) - min(c[channel] for c in box)

    boxes = [list(colours)]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(set(b)) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: max(spread(b, i) for i in range(3)))
        channel = max(range(3), key=lambda i: spread(box, i))
        box.sort(key=lambda c: c[channel])
        half = len(box) // 2
        boxes.remove(box)
        boxes += [box[:half], box[half:]]
    return [tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes if b]


def opaque(pixel):
    return pixel[3] >= 128


def and_mask(rows, size):
    """1-bit mask rows, bottom row first, each padded to 32 bits: 1 where the screen shows."""
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if not opaque(pixel):
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return bytes(data)


def bitmap_header(size, bit_count, colours_used):
    image_bytes = ((size * bit_count + 31) // 32) * 4 * size + ((size + 31) // 32) * 4 * size
    return struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, bit_count, 0, image_bytes, 0, 0, colours_used, 0
    )


def palettised_bmp(rows, size, palette, bit_count):
    """Icon image with a colour table whose entry 0 is black: transparent pixels take it under a
    set mask bit, so that drawing them leaves the screen as it is."""
    table = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * ((1 << bit_count) - len(palette)):
        table += bytes((b, g, r, 0))
    stride = ((size * bit_count + 31) // 32) * 4
    pixels = bytearray()
    cache = {}
    for row in reversed(rows):
        indices = []
        for pixel in row:
            if opaque(pixel):
                key = pixel[:3]
                if key not in cache:
                    cache[key] = nearest(palette, key)
                indices.append(cache[key])
            else:
                indices.append(0)
        line = bytearray(stride)
        if bit_count == 4:
            for x, index in enumerate(indices):
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        else:
            line[:size] = bytes(indices)
        pixels += line
    return bitmap_header(size, bit_count, 0) + bytes(table) + bytes(pixels) + and_mask(rows, size)


def bgra_bmp(rows, size):
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a) if a else (0, 0, 0, 0))
    return bitmap_header(size, 32, 0) + bytes(pixels) + and_mask(rows, size)


def png(rows, size):
    def chunk(kind, body):
        return (
            struct.pack(">I", len(body))
            + kind
            + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
        )

    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + chunk(b"IEND", b"")
    )


def icon_file(images):
    """images: (size, bit_count, colour_count, data) in directory order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = bytearray()
    body = bytearray()
    for size, bit_count, colour_count, data in images:
        entries += struct.pack(
            "<BBBBHHII",
            size % 256,
            size % 256,
            colour_count,
            0,
            1,
            bit_count,
            len(data),
            offset + len(body),
        )
        body += data
    return directory + bytes(entries) + bytes(body)


def build():
    # Loaded without a size, an icon takes the group's first image: 48 pixels in full colour,
    # the size of the dialog's icon view.
    images = []
    for size in sorted(SMALL_SIZES, reverse=True):
        rows = render(size, FULL_COLOUR, True)
        solid = [p[:3] for row in rows for p in row if opaque(p)]
        palette = [(0, 0, 0)] + median_cut(solid, 255)
        images.append((size, 32, 0, bgra_bmp(rows, size)))
        images.append((size, 8, 0, palettised_bmp(rows, size, palette, 8)))
        flat = render(size, SIXTEEN_COLOURS, False)
        images.append((size, 4, 16, palettised_bmp(flat, size, VGA_PALETTE, 4)))
    large = render(LARGE_SIZE, FULL_COLOUR, True)
    images.append((LARGE_SIZE, 32, 0, png(large, LARGE_SIZE)))
    return icon_file(images)


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: make-icon.py [OUTPUT]\n")
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    output = argv[1] if len(argv) == 2 else os.path.join(here, "..", "res", "Tornquill.ico")
    with open(output, "wb") as f:
        f.write(build())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
