#!/usr/bin/python3
"""Generate Selvane's image assets.

Run from anywhere:

    /usr/bin/python3 tools/make_assets.py

Build-time dependencies (Debian 12):

    apt-get install python3-pil python3-numpy stellarium-data

Writes into assets/ (next to this tools/ directory):

    moon.gif                 the full-Moon picture (255 x 258, interlaced GIF89a)
    moon@2x.gif              the same picture for screens of twice the pixel density
                             (510 x 516, the same framing at twice the resolution)
    icon-32.png              32 x 32 palette icon (16 colours, one transparent)
    icons/selvane-N.png      RGBA icons, N = 16 22 24 32 48 64 128 256
    selvane.svg              the icon as a vector drawing (viewBox 0 0 256 256)
    assets.qrc               resource file listing the above (prefix "/")
    README                   what each file is, its format and provenance

The output is deterministic: the same input map gives byte-identical files
(no timestamps, no random numbers, no dithering, fixed quantisation).  The
GIF is written by the small encoder below, so its bytes do not depend on the
imaging library's version; PNGs carry no optional metadata chunks.
"""

import hashlib
import math
import struct
import sys
from pathlib import Path

import numpy as np
from PIL import Image

LUNAR_MAP = Path("/usr/share/stellarium/textures/moon_4k.jpg")
LUNAR_MAP_PACKAGE = "stellarium-data"
LUNAR_MAP_VERSION = "0.22.2-1"          # Debian 12
LUNAR_MAP_SHA256 = ("a71deba23c5e7b3945b5f7a33105975b"
                    "eb605b67486b38fa13e8246cbfdfaa93")

ROOT = Path(__file__).resolve().parent.parent
ASSETS = ROOT / "assets"

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


# ---------------------------------------------------------------------------
# GIF writer (GIF89a, one interlaced image, global colour table, no extensions)
# ---------------------------------------------------------------------------

def _lzw_encode(data, min_code_size=8):
    """Variable-length-code LZW as used by GIF; returns the packed bytes."""
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    acc = 0      # bit accumulator (LSB first)
    nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    code_size = min_code_size + 1
    table = {}
    next_code = eoi + 1
    emit(clear, code_size)
    prefix = data[0]
    for ch in data[1:]:
        key = (prefix << 8) | ch
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, code_size)
        if next_code < 4096:
            table[key] = next_code
            if next_code == (1 << code_size) and code_size < 12:
                code_size += 1
            next_code += 1
        else:
            emit(clear, code_size)
            table = {}
            code_size = min_code_size + 1
            next_code = eoi + 1
        prefix = ch
    emit(prefix, code_size)
    emit(eoi, code_size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def write_gif(path, indices, palette):
    """indices: uint8 array (h, w); palette: 256 (r, g, b) tuples."""
    h, w = indices.shape
    assert len(palette) == 256
    # Interlaced row order: rows 0,8,16.. then 4,12.. then 2,6.. then 1,3..
    order = (list(range(0, h, 8)) + list(range(4, h, 8)) +
             list(range(2, h, 4)) + list(range(1, h, 2)))
    pixels = indices[order].tobytes()
    lzw = _lzw_encode(pixels, 8)

    gif = bytearray(b"GIF89a")
    # Logical screen descriptor: global table present, 8 bits per primary,
    # not sorted, 256 entries; background colour index 0; no aspect ratio.
    gif += struct.pack("<HHBBB", w, h, 0x80 | (7 << 4) | 7, 0, 0)
    for r, g, b in palette:
        gif += bytes((r, g, b))
    # Image descriptor: full frame, no local table, interlaced.
    gif += struct.pack("<BHHHHB", 0x2C, 0, 0, w, h, 0x40)
    gif.append(8)                                   # LZW minimum code size
    for i in range(0, len(lzw), 255):
        block = lzw[i:i + 255]
        gif.append(len(block))
        gif += block
    gif.append(0)                                   # block terminator
    gif.append(0x3B)                                # trailer
    Path(path).write_bytes(bytes(gif))


# ---------------------------------------------------------------------------
# The Moon picture
# ---------------------------------------------------------------------------

MOON_W, MOON_H = 255, 258
MOON_CX, MOON_CY, MOON_R = 128.0, 128.0, 128.0
MOON_SS = 8                 # supersampling: MOON_SS x MOON_SS samples a pixel


def load_lunar_map():
    """The map as float luminance in [0, 1], equirectangular, longitude
    -180..+180 from left to right (0 in the middle), north at the top."""
    rgb = np.asarray(Image.open(LUNAR_MAP).convert("RGB"), dtype=np.float64)
    lum = rgb @ np.array([0.2126, 0.7152, 0.0722])   # drop the slight tint
    return lum / 255.0


def sample_bilinear(tex, u, v):
    """tex (H, W); u, v in texel units (centre of texel i is i + 0.5).
    Wraps in longitude, clamps in latitude."""
    th, tw = tex.shape
    x = u - 0.5
    y = np.clip(v - 0.5, 0.0, th - 1.0)
    x0 = np.floor(x)
    y0 = np.floor(y)
    fx = x - x0
    fy = y - y0
    x0 = x0.astype(np.int64) % tw
    x1 = (x0 + 1) % tw
    y0 = y0.astype(np.int64)
    y1 = np.minimum(y0 + 1, th - 1)
    top = tex[y0, x0] * (1 - fx) + tex[y0, x1] * fx
    bot = tex[y1, x0] * (1 - fx) + tex[y1, x1] * fx
    return top * (1 - fy) + bot * fy


def moon_tone(albedo, mu):
    """Map albedo (0..1) and the cosine of the viewing angle to a display
    grey (0..1) that looks like a photograph of the full Moon."""
    lo, hi = 0.06, 0.84
    t = np.clip((albedo - lo) / (hi - lo), 0.0, None)
    limb = 0.84 + 0.16 * np.sqrt(mu)          # slight limb darkening
    return np.clip(t * limb, 0.0, 1.0)


def render_moon(scale=1):
    """The picture at a whole scale of the 255 x 258 frame: scale x scale pixels for each
    pixel of the 1x picture, the same centre and the disc radius times scale.  Each pixel
    averages MOON_SS x MOON_SS samples; the picture is rendered in bands of rows so that the
    sample arrays stay small at any scale."""
    tex = load_lunar_map()
    th, tw = tex.shape
    n = MOON_SS
    w, h = MOON_W * scale, MOON_H * scale
    cx, cy, r = MOON_CX * scale, MOON_CY * scale, MOON_R * scale
    sub = (np.arange(n) + 0.5) / n
    # Sample positions in picture coordinates (x right, y down).
    xs = (np.arange(w)[:, None] + sub[None, :]).reshape(-1)
    band = max(1, MOON_H // scale)
    rows = []
    for top in range(0, h, band):
        count = min(band, h - top)
        ys = ((np.arange(top, top + count)[:, None] + sub[None, :]).reshape(-1))
        X, Y = np.meshgrid(xs, ys)             # (count*n, w*n)
        # Orthographic view of the near side: +x east (right), +y north (up).
        px = (X - cx) / r
        py = (cy - Y) / r
        rr = px * px + py * py
        inside = rr <= 1.0
        pz = np.sqrt(np.clip(1.0 - rr, 0.0, 1.0))
        lat = np.arcsin(np.clip(py, -1.0, 1.0))
        lon = np.arctan2(px, pz)
        u = (lon + math.pi) / (2 * math.pi) * tw
        v = (math.pi / 2 - lat) / math.pi * th
        grey = moon_tone(sample_bilinear(tex, u, v), pz)
        grey = np.where(inside, grey, 0.0)
        # Box-filter the samples down to pixels (coverage antialiasing).
        rows.append(grey.reshape(count, n, w, n).mean(axis=(1, 3)))
    return grey_to_index(np.concatenate(rows, axis=0))


# The GIF palette: 256 neutral greys evenly spaced in CIE lightness L*
# (index 0 = black, index 255 = white).  Neighbouring entries differ by
# 0 to 2 sRGB steps, which is finer than the eye can tell in a textured image.

def _srgb_from_lightness(lstar):
    y = np.where(lstar > 8.0, ((lstar + 16.0) / 116.0) ** 3, lstar / 903.3)
    return np.where(y <= 0.0031308, 12.92 * y, 1.055 * y ** (1 / 2.4) - 0.055)


def _lightness_from_srgb(v):
    y = np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)
    return np.where(y > 216 / 24389, 116.0 * np.cbrt(y) - 16.0, y * 903.3)


def grey_palette():
    v = _srgb_from_lightness(np.arange(256) * (100.0 / 255.0))
    g = np.clip(np.floor(v * 255.0 + 0.5), 0, 255).astype(int)
    return [(int(x), int(x), int(x)) for x in g]


def grey_to_index(grey):
    """sRGB grey in [0, 1] -> palette index (nearest lightness)."""
    lstar = _lightness_from_srgb(np.clip(grey, 0.0, 1.0))
    return np.clip(np.floor(lstar * 2.55 + 0.5), 0, 255).astype(np.uint8)


def make_moon_gif():
    write_gif(ASSETS / "moon.gif", render_moon(1), grey_palette())


def make_moon_gif_2x():
    write_gif(ASSETS / "moon@2x.gif", render_moon(2), grey_palette())


# ---------------------------------------------------------------------------
# The icon (same geometry as selvane.svg, in 256 x 256 design units)
# ---------------------------------------------------------------------------

def hexrgb(s):
    s = s.lstrip("#")
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


# Shapes
C = 128.0               # centre of everything
R_RIM = 120.0           # outer edge of the dark rim
R_DISC = 112.0          # the moon disc proper
LIGHT_ANGLE = 45.0      # light comes from this direction (degrees, 0 = right,
                        # clockwise on screen, so 45 = lower right)
TERMINATOR_RX = 48.0    # gibbous: half-width of the terminator ellipse

RIM_COLOUR = "#3a3a44"
# Grey (unlit) side: radial gradient in screen coordinates
GREY_GRAD = dict(cx=150.0, cy=150.0, r=150.0,
                 stops=((0.0, "#aeaeb8"), (0.6, "#8a8a96"), (1.0, "#62626e")))
# Lit side: radial gradient in the light frame (x towards the light)
LIT_GRAD = dict(cx=C + 64.0, cy=C, r=165.0,
                stops=((0.0, "#ffffff"), (0.3, "#fffadf"),
                       (0.7, "#ffe066"), (1.0, "#f4bf22")))
# A few faint maria on the lit side, in the light frame: (cx, cy, rx, ry, opacity)
MARIA_COLOUR = "#b89a40"
MARIA = ((146.0, 90.0, 24.0, 18.0, 0.28),
         (176.0, 148.0, 18.0, 14.0, 0.24),
         (122.0, 168.0, 13.0, 10.0, 0.22))


def gradient_colour(grad, x, y):
    t = np.clip(np.hypot(x - grad["cx"], y - grad["cy"]) / grad["r"], 0.0, 1.0)
    stops = grad["stops"]
    offs = np.array([s[0] for s in stops])
    cols = np.array([hexrgb(s[1]) for s in stops])
    return np.stack([np.interp(t, offs, cols[:, k]) for k in range(3)], axis=-1)


def to_light_frame(x, y):
    """Rotate screen coordinates about the centre by -LIGHT_ANGLE so that the
    light comes from +x (the inverse of the SVG group's rotate())."""
    a = math.radians(LIGHT_ANGLE)
    dx, dy = x - C, y - C
    return (C + dx * math.cos(a) + dy * math.sin(a),
            C - dx * math.sin(a) + dy * math.cos(a))


def render_icon_rgba(size):
    """Render the icon natively at size x size; returns float RGBA
    (size, size, 4), straight (non-premultiplied) alpha."""
    n = 16 if size <= 64 else 4         # supersampling per pixel axis
    scale = 256.0 / size
    sub = (np.arange(n) + 0.5) / n
    coords = ((np.arange(size)[:, None] + sub[None, :]).reshape(-1)) * scale
    X, Y = np.meshgrid(coords, coords)
    Lx, Ly = to_light_frame(X, Y)
    d2 = (X - C) ** 2 + (Y - C) ** 2

    # Premultiplied accumulation, painter's order.
    rgb = np.zeros(X.shape + (3,))
    alpha = np.zeros(X.shape)

    def paint(mask, colour, opacity=1.0):
        nonlocal rgb, alpha
        a = mask.astype(np.float64) * opacity
        col = np.broadcast_to(colour, X.shape + (3,))
        rgb = col * a[..., None] + rgb * (1 - a[..., None])
        alpha = a + alpha * (1 - a)

    paint(d2 <= R_RIM ** 2, np.array(hexrgb(RIM_COLOUR)))
    disc = d2 <= R_DISC ** 2
    paint(disc, gradient_colour(GREY_GRAD, X, Y))
    half = np.sqrt(np.clip(R_DISC ** 2 - (Ly - C) ** 2, 0.0, None))
    lit = disc & (Lx - C >= -(TERMINATOR_RX / R_DISC) * half)
    paint(lit, gradient_colour(LIT_GRAD, Lx, Ly))
    mc = np.array(hexrgb(MARIA_COLOUR))
    for cx, cy, rx, ry, op in MARIA:
        m = lit & (((Lx - cx) / rx) ** 2 + ((Ly - cy) / ry) ** 2 <= 1.0)
        paint(m, mc, op)

    rgb = rgb.reshape(size, n, size, n, 3).mean(axis=(1, 3))
    alpha = alpha.reshape(size, n, size, n).mean(axis=(1, 3))
    safe = np.where(alpha > 0, alpha, 1.0)
    straight = np.where(alpha[..., None] > 0, rgb / safe[..., None], 0.0)
    return np.concatenate([straight, alpha[..., None]], axis=-1)


def to_uint8(a):
    return np.clip(np.floor(a * 255.0 + 0.5), 0, 255).astype(np.uint8)


def save_png(img, path):
    # No text/time chunks; fixed compression settings.
    img.save(path, format="PNG", optimize=False, compress_level=9)


def make_icon_pngs():
    (ASSETS / "icons").mkdir(parents=True, exist_ok=True)
    for size in ICON_SIZES:
        rgba = to_uint8(render_icon_rgba(size))
        save_png(Image.fromarray(rgba, "RGBA"),
                 ASSETS / "icons" / f"selvane-{size}.png")


def kmeans_palette(colours, k):
    """Deterministic k-means on (N, 3) float colours; initial centres are
    taken at evenly spaced ranks of the luminance order."""
    lum = colours @ np.array([0.299, 0.587, 0.114])
    order = np.lexsort((colours[:, 2], colours[:, 1], colours[:, 0], lum))
    uniq = np.unique(colours[order], axis=0)
    if len(uniq) <= k:
        return uniq
    ranks = np.linspace(0, len(order) - 1, k).round().astype(int)
    centres = colours[order][ranks].copy()
    for _ in range(50):
        d = ((colours[:, None, :] - centres[None, :, :]) ** 2).sum(-1)
        lab = d.argmin(1)
        new = centres.copy()
        for j in range(k):
            sel = colours[lab == j]
            if len(sel):
                new[j] = sel.mean(0)
        if np.array_equal(new, centres):
            break
        centres = new
    return centres


def make_icon_32_palette():
    """32 x 32 palette PNG: index 0 fully transparent, 15 opaque colours."""
    rgba = render_icon_rgba(32)
    opaque = rgba[..., 3] >= 0.5
    cols = np.round(rgba[..., :3][opaque] * 255.0)
    centres = np.round(kmeans_palette(cols, 15))
    # Sort the opaque entries dark to light for a tidy palette.
    centres = centres[np.argsort(centres @ np.array([0.299, 0.587, 0.114]),
                                 kind="stable")]
    idx = np.zeros((32, 32), dtype=np.uint8)
    d = ((cols[:, None, :] - centres[None, :, :]) ** 2).sum(-1)
    idx[opaque] = (d.argmin(1) + 1).astype(np.uint8)
    palette = [0, 0, 0]
    for c in centres:
        palette += [int(v) for v in c]
    img = Image.fromarray(idx, "P")
    img.putpalette(palette, rawmode="RGB")
    img.info["transparency"] = 0
    img.save(ASSETS / "icon-32.png", format="PNG", optimize=False,
             compress_level=9, transparency=0, bits=4)


def fmt(v):
    return f"{v:g}"


def make_svg():
    def stops(grad):
        return "\n".join(
            f'      <stop offset="{fmt(o)}" stop-color="{c}"/>'
            for o, c in grad["stops"])

    k = TERMINATOR_RX
    top, bottom = C - R_DISC, C + R_DISC
    maria = "\n".join(
        f'    <ellipse cx="{fmt(cx)}" cy="{fmt(cy)}" rx="{fmt(rx)}" ry="{fmt(ry)}"'
        f' fill="{MARIA_COLOUR}" fill-opacity="{fmt(op)}"/>'
        for cx, cy, rx, ry, op in MARIA)
    svg = f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <title>Selvane</title>
  <defs>
    <radialGradient id="grey" gradientUnits="userSpaceOnUse" cx="{fmt(GREY_GRAD['cx'])}" cy="{fmt(GREY_GRAD['cy'])}" r="{fmt(GREY_GRAD['r'])}">
{stops(GREY_GRAD)}
    </radialGradient>
    <radialGradient id="lit" gradientUnits="userSpaceOnUse" cx="{fmt(LIT_GRAD['cx'])}" cy="{fmt(LIT_GRAD['cy'])}" r="{fmt(LIT_GRAD['r'])}">
{stops(LIT_GRAD)}
    </radialGradient>
    <clipPath id="litArea">
      <path d="M {fmt(C)} {fmt(top)} A {fmt(R_DISC)} {fmt(R_DISC)} 0 0 1 {fmt(C)} {fmt(bottom)} A {fmt(k)} {fmt(R_DISC)} 0 0 1 {fmt(C)} {fmt(top)} Z"/>
    </clipPath>
  </defs>
  <circle cx="{fmt(C)}" cy="{fmt(C)}" r="{fmt(R_RIM)}" fill="{RIM_COLOUR}"/>
  <circle cx="{fmt(C)}" cy="{fmt(C)}" r="{fmt(R_DISC)}" fill="url(#grey)"/>
  <!-- lit side, drawn with the light coming from +x, then turned to the lower right -->
  <g transform="rotate({fmt(LIGHT_ANGLE)} {fmt(C)} {fmt(C)})" clip-path="url(#litArea)">
    <rect x="0" y="0" width="256" height="256" fill="url(#lit)"/>
{maria}
  </g>
</svg>
"""
    (ASSETS / "selvane.svg").write_text(svg, encoding="utf-8")


def make_qrc():
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '  <qresource prefix="/">',
             '    <file alias="moon.gif">moon.gif</file>',
             '    <file alias="moon@2x.gif">moon@2x.gif</file>',
             '    <file alias="icon-32.png">icon-32.png</file>',
             '    <file alias="selvane.svg">selvane.svg</file>']
    for size in ICON_SIZES:
        name = f"icons/selvane-{size}.png"
        lines.append(f'    <file alias="{name}">{name}</file>')
    lines += ['  </qresource>', '</RCC>', '']
    (ASSETS / "assets.qrc").write_text("\n".join(lines), encoding="utf-8")


README_TEXT = """\
Selvane image assets
====================

Every file in this directory is generated by tools/make_assets.py.  To
regenerate all of them, from the top of the source tree:

    apt-get install python3-pil python3-numpy stellarium-data
    /usr/bin/python3 tools/make_assets.py

The first line installs the build-time dependencies (Debian 12); the second
rewrites moon.gif, moon@2x.gif, icon-32.png, icons/*.png, selvane.svg,
assets.qrc and this README.  The script is deterministic: the same input map gives byte-identical
output (no timestamps, no random numbers, no dithering, fixed quantisation).
Only the lunar map is read; the icons are drawn from numbers in the script.


moon.gif
--------

The picture of the full Moon.

Format: GIF89a, 255 x 258 pixels, a single interlaced image, one global
colour table of 256 entries (8 bits per primary), no local colour table and
no extension blocks (no transparency, no animation).  Background colour
index 0.  The table holds 256 neutral greys spaced evenly in lightness
(CIE L*); index 0 is black (0, 0, 0) and index 255 is white.

Geometry: x to the right, y down, pixel (x, y) covers [x, x+1) x [y, y+1).
The Moon's disc is the circle of centre (128, 128) and radius 128, so it
fills the frame and is cut by the right edge (x = 255).  Every pixel outside
the disc is index 0 (black).

Rendering: orthographic view of the near side as seen from Earth, centred on
selenographic longitude 0, latitude 0, north up, east limb (Mare Crisium) on
the right.  Each pixel averages 8 x 8 samples (bilinear lookups in the map),
which antialiases the limb.  Only the map's luminance is used, so there is no
colour cast; a slight limb darkening is applied.

Provenance and licence: rendered from the lunar map shipped in the Debian
package {package} ({version}, Debian 12), file
{map_path} (4096 x 2048, equirectangular),
SHA-256 {sha256}.
The package's copyright file (/usr/share/doc/{package}/copyright,
graphics credits, item 4.4) lists the Moon texture map as an exception to
the package's general licence: it was combined from USGS Astrogeology Research
Program maps and lunar surface textures based on Clementine data, both in
the public domain (DFSG-free).  moon.gif is derived from that public-domain
data.


moon@2x.gif
-----------

The same picture for screens of twice the pixel density (a device pixel
ratio of 2), where the program draws the Moon with four device pixels for
each pixel of moon.gif.

Format: as moon.gif, 510 x 516 pixels, with the same 256-grey colour table.

Geometry: exactly the framing of moon.gif at twice the resolution: pixel
(x, y) covers [x/2, (x+1)/2) x [y/2, (y+1)/2) of moon.gif's coordinates.  The
disc is the circle of centre (256, 256) and radius 256, cut by the right
edge (x = 510); every pixel outside the disc is index 0 (black).  At other
fractional ratios the program scales this picture smoothly to the screen's
pixels; at ratio 1 it uses moon.gif.

Rendering: as moon.gif, rendered directly at this size from the map (8 x 8
samples a pixel), not scaled from moon.gif.

Provenance and licence: as moon.gif, from the same public-domain map.


icon-32.png
-----------

The program's icon at 32 x 32 as a small palette image.

Format: PNG, 32 x 32, indexed colour, 4 bits per pixel, 16 palette entries.
Entry 0 is fully transparent (tRNS) and is used for the background; entries
1 to 15 are opaque.  No other chunks.  It is the same drawing as
icons/selvane-32.png, with pixels of at least 50 % coverage made opaque and
their colours reduced to 15 by a fixed, deterministic clustering (no
dithering).

Provenance and licence: the project's own drawing (see selvane.svg), part of
Selvane and distributed under the same terms as the rest of the program.


icons/selvane-16.png, -22, -24, -32, -48, -64, -128, -256
----------------------------------------------------------

The program's icon at the usual desktop sizes.

Format: PNG, square, 8-bit RGBA with straight (non-premultiplied) alpha;
fully transparent pixels are (0, 0, 0, 0).  No other chunks.  Each size is
rendered natively from the drawing's geometry (16 x 16 samples per pixel up
to 64 px, 4 x 4 above), never scaled from another size.

Design: a gibbous Moon lit from the lower right inside a dark rim; the lit
part runs from white near the lower-right limb to yellow at the terminator,
with a few faint maria; the unlit upper-left part is grey.

Provenance and licence: the project's own drawing, as for icon-32.png.


selvane.svg
-----------

The same icon as a vector drawing: SVG, viewBox 0 0 256 256, no external
references.  Two circles (rim and grey disc) and a clipped group for the lit
side (a gradient-filled rectangle and three ellipses), drawn with the light
coming from the right and turned by 45 degrees; two radial gradients.  The PNG icons
are rendered by the script from the same numbers, so they match it up to
antialiasing.

Provenance and licence: the project's own drawing, as for icon-32.png.


assets.qrc
----------

Resource collection file for the program's build, prefix "/".  Paths are
relative to this directory and each file is available under its own name:
:/moon.gif, :/moon@2x.gif, :/icon-32.png, :/selvane.svg and
:/icons/selvane-N.png.


README
------

This file, also written by tools/make_assets.py.
"""


def make_readme():
    text = README_TEXT.format(package=LUNAR_MAP_PACKAGE,
                              version=LUNAR_MAP_VERSION,
                              map_path=LUNAR_MAP, sha256=LUNAR_MAP_SHA256)
    (ASSETS / "README").write_text(text, encoding="utf-8")


def main():
    if not LUNAR_MAP.is_file():
        sys.exit(f"missing {LUNAR_MAP}: apt-get install {LUNAR_MAP_PACKAGE}")
    digest = hashlib.sha256(LUNAR_MAP.read_bytes()).hexdigest()
    if digest != LUNAR_MAP_SHA256:
        print(f"warning: {LUNAR_MAP} is not the expected version "
              f"(sha256 {digest}); moon.gif will differ from the committed "
              "one", file=sys.stderr)
    ASSETS.mkdir(exist_ok=True)
    make_moon_gif()
    make_moon_gif_2x()
    make_icon_pngs()
    make_icon_32_palette()
    make_svg()
    make_qrc()
    make_readme()


if __name__ == "__main__":
    main()
