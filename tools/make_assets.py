#!/usr/bin/python3
"""Builds the sounds, the dialog background and the icon that go into the
resource script.  Everything is synthesised here (audio) or drawn with
ImageMagick (pictures) and then packed byte by byte, so the container layout
is exactly what we ask for and the output is the same on every run.

Usage: make_assets.py OUTDIR
"""

import math
import os
import struct
import subprocess
import sys

CONVERT = "/usr/bin/convert"
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_BOOK = os.path.join(FONT_DIR, "DejaVuSans.ttf")

TWO_PI = 2.0 * math.pi


# ---------------------------------------------------------------------------
# RIFF / WAVE packing
# ---------------------------------------------------------------------------

def riff_chunk(tag, payload):
    assert len(tag) == 4
    pad = b"\0" if len(payload) & 1 else b""
    return tag + struct.pack("<I", len(payload)) + payload + pad


def fmt_pcm(channels, rate, bits, extended=False):
    block = channels * bits // 8
    body = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    if extended:
        body += struct.pack("<H", 0)  # WAVEFORMATEX.cbSize
    return riff_chunk(b"fmt ", body)


def wave_file(chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def raised_cos(i, n):
    """Fade gain for sample i of an n-sample ramp (0 -> 1)."""
    return 0.5 - 0.5 * math.cos(math.pi * (i + 0.5) / n)


def burst_envelope(t, start, length, fade):
    """Trapezoid with raised-cosine edges; 0 outside the burst."""
    if t < start or t >= start + length:
        return 0.0
    u = t - start
    if u < fade:
        return 0.5 - 0.5 * math.cos(math.pi * u / fade)
    if u > length - fade:
        return 0.5 - 0.5 * math.cos(math.pi * (length - u) / fade)
    return 1.0


def to_s16(v):
    s = int(round(v * 32767.0))
    return max(-32768, min(32767, s))


def to_u8(v):
    s = 128 + int(round(v * 127.0))
    return max(0, min(255, s))


def make_beep():
    """Two double beeps around 1 kHz.  Every burst starts and ends at zero
    gain, and the file starts and ends in silence, so it loops cleanly."""
    rate, frames = 44100, 48574            # 48574 * 4 = 194296 data bytes
    starts = (0.010, 0.150, 0.560, 0.700)  # beep-beep ... beep-beep ...
    length, fade = 0.090, 0.006
    partials = ((1000.0, 0.80), (2000.0, 0.14), (3000.0, 0.06))
    level = 0.55
    out = bytearray()
    for i in range(frames):
        t = i / rate
        g = 0.0
        for s in starts:
            g += burst_envelope(t, s, length, fade)
        v = 0.0
        if g > 0.0:
            for f, a in partials:
                v += a * math.sin(TWO_PI * f * t)
        s16 = to_s16(level * g * v)
        out += struct.pack("<hh", s16, s16)
    assert len(out) == 194296
    return wave_file([fmt_pcm(2, rate, 16), riff_chunk(b"data", bytes(out))])


def make_buzz():
    """Three harsh buzzes: a band-limited sawtooth (all harmonics kept under
    the 4 kHz Nyquist limit) with a slight 30 Hz rattle."""
    rate, samples = 8000, 7644             # 7644 * 2 = 15288 data bytes
    f0 = 200.0
    harmonics = [n for n in range(1, 40) if n * f0 < 3800.0]
    starts = (0.005, 0.325, 0.645)
    length, fade = 0.250, 0.008
    level = 0.50 / 1.9                     # the saw's Gibbs peak is ~1.85
    out = bytearray()
    for i in range(samples):
        t = i / rate
        g = 0.0
        for s in starts:
            g += burst_envelope(t, s, length, fade)
        v = 0.0
        if g > 0.0:
            x = TWO_PI * f0 * t
            for n in harmonics:
                v += math.sin(n * x) / n
            v *= 0.85 + 0.15 * math.sin(TWO_PI * 30.0 * t)
        out += struct.pack("<h", to_s16(level * g * v))
    assert len(out) == 15288
    # An INFO list naming the sound fills the file out to its final size.
    # It sits after the sample data so readers that expect 'data' to follow
    # 'fmt ' directly still find it there.
    info = riff_chunk(b"LIST", b"INFO" + riff_chunk(b"INAM", b"Buzzer\0\0"))
    assert len(info) == 28
    return wave_file([fmt_pcm(1, rate, 16, extended=True),
                      riff_chunk(b"data", bytes(out)), info])


def make_cuckoo():
    """'Cu-ckoo': two soft pipe notes a minor third apart (E5 -> C#5)."""
    rate, samples = 11025, 10256           # 8-bit mono: 10256 data bytes
    notes = ((659.255, 0.020, 0.200), (554.365, 0.300, 0.340))
    attack, release = 0.018, 0.070
    partials = ((1.0, 0.78), (2.0, 0.16), (3.0, 0.06))
    level = 0.62
    out = bytearray()
    for i in range(samples):
        t = i / rate
        v = 0.0
        for f, start, length in notes:
            if t < start or t >= start + length:
                continue
            u = t - start
            if u < attack:
                g = 0.5 - 0.5 * math.cos(math.pi * u / attack)
            else:
                # gentle sag like air running out of the bellows
                g = 1.0 - 0.25 * (u - attack) / (length - attack)
            if u > length - release:
                g *= 0.5 - 0.5 * math.cos(math.pi * (length - u) / release)
            for k, a in partials:
                v += g * a * math.sin(TWO_PI * f * k * u)
        out.append(to_u8(level * v))
    assert len(out) == 10256
    return wave_file([fmt_pcm(1, rate, 8), riff_chunk(b"data", bytes(out))])


# ---------------------------------------------------------------------------
# Pictures
# ---------------------------------------------------------------------------

def run_convert(args, expect):
    env = dict(os.environ)
    env["MAGICK_THREAD_LIMIT"] = "1"  # keep anti-aliasing order fixed
    raw = subprocess.run([CONVERT] + args, check=True, env=env,
                         stdout=subprocess.PIPE).stdout
    if len(raw) != expect:
        raise SystemExit("convert returned %d bytes, wanted %d"
                         % (len(raw), expect))
    return raw


def fmt(v):
    return "%.2f" % v


def polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy - r * math.sin(a)


BG_W, BG_H = 297, 189
PANEL_FILL = "#43A9F9"   # same as the static controls' background brush
PANELS = (
    ("Set time", 13, 8, 168, 46),
    ("Select time", 192, 8, 89, 46),
    ("Control", 13, 62, 267, 52),
    ("Select signal", 13, 123, 267, 49),
)


def dial_draw(cx, cy, r, face=True):
    """MVG for a speedometer: green sweep, dark-blue rings, ticks, needle.
    The dial opens downwards: 0 sits at 225 deg, full scale at -45 deg."""
    d = []
    a0, a1 = 225.0, -45.0
    if face:
        d += ["fill #0d2752", "stroke none",
              "circle %s,%s %s,%s" % (fmt(cx), fmt(cy), fmt(cx + r + 8), fmt(cy))]
    # outer rings
    d += ["fill none", "stroke #1c4d8c", "stroke-width 3",
          "circle %s,%s %s,%s" % (fmt(cx), fmt(cy), fmt(cx + r + 6), fmt(cy)),
          "stroke #123a70", "stroke-width 1",
          "circle %s,%s %s,%s" % (fmt(cx), fmt(cy), fmt(cx + r - 14), fmt(cy))]
    # green scale band, brightening towards the top of the scale
    steps = 54
    for k in range(steps):
        t0 = a0 + (a1 - a0) * k / steps
        t1 = a0 + (a1 - a0) * (k + 1.15) / steps
        x0, y0 = polar(cx, cy, r, t0)
        x1, y1 = polar(cx, cy, r, t1)
        gshade = 0x60 + int(0x90 * k / (steps - 1))
        colour = "#%02x%02x%02x" % (0x10, gshade, 0x48 + k)
        d += ["stroke %s" % colour, "stroke-width 5", "fill none",
              "line %s,%s %s,%s" % (fmt(x0), fmt(y0), fmt(x1), fmt(y1))]
    # ticks
    for k in range(41):
        deg = a0 + (a1 - a0) * k / 40
        major = k % 5 == 0
        rin = r - (15 if major else 9)
        x0, y0 = polar(cx, cy, r - 4, deg)
        x1, y1 = polar(cx, cy, rin, deg)
        d += ["stroke %s" % ("#58e08a" if major else "#2f6fb8"),
              "stroke-width %s" % ("2.2" if major else "1.1"),
              "line %s,%s %s,%s" % (fmt(x0), fmt(y0), fmt(x1), fmt(y1))]
    # needle at about two thirds of the scale, with hub
    deg = a0 + (a1 - a0) * 0.68
    xt, yt = polar(cx, cy, r - 10, deg)
    xb, yb = polar(cx, cy, 14, deg + 180)
    d += ["stroke #3ee07a", "stroke-width 3",
          "line %s,%s %s,%s" % (fmt(xb), fmt(yb), fmt(xt), fmt(yt)),
          "stroke #1c4d8c", "stroke-width 2", "fill #0a1f45",
          "circle %s,%s %s,%s" % (fmt(cx), fmt(cy), fmt(cx + 9), fmt(cy)),
          "stroke none", "fill #3ee07a",
          "circle %s,%s %s,%s" % (fmt(cx), fmt(cy), fmt(cx + 3), fmt(cy))]
    return d


def background_layers():
    """The finished picture (gradient, dial, panels, captions), the dial's
    strokes alone on black, and a coverage mask of the panel interiors with
    the caption plates cut out."""
    size = "%dx%d" % (BG_W, BG_H)
    n = BG_W * BG_H
    gradient = ["-size", size, "radial-gradient:#17407a-#050f24"]
    dial_at = (148.5, 104.0, 118.0)
    dial = ["-draw", " ".join(dial_draw(*dial_at))]
    strokes = ["-size", size, "xc:black",
               "-draw", " ".join(dial_draw(*dial_at, face=False))]

    panel_draw = []
    for _, x, y, w, h in PANELS:
        # soft drop shadow, light rim, flat fill the controls blend into
        panel_draw += [
            "fill #02081a", "fill-opacity 0.55", "stroke none",
            "roundrectangle %d,%d %d,%d 7,7" % (x + 2, y + 2, x + w + 1, y + h + 1),
            "fill-opacity 1", "fill %s" % PANEL_FILL,
            "stroke #a9dcff", "stroke-width 1",
            "roundrectangle %s,%s %s,%s 7,7" % (fmt(x + 0.5), fmt(y + 0.5),
                                               fmt(x + w - 0.5), fmt(y + h - 0.5)),
        ]
    # captions on little plates straddling each panel's top edge,
    # the way a group box breaks its frame for the title
    captions = ["-font", FONT_BOLD, "-pointsize", "11"]
    plates = []
    for text, x, y, w, h in PANELS:
        plate = "roundrectangle %s,%s %s,%s 4,4" % (
            fmt(x + 2.5), fmt(y - 6.5), fmt(x + 6 + caption_width(text) + 3.5),
            fmt(y + 6.5))
        plates.append(plate)
        captions += ["-fill", "#e6f4ff", "-stroke", "#a9dcff", "-strokewidth", "1",
                     "-draw", plate, "-stroke", "none", "-fill", "#0b4fb0",
                     "-annotate", "+%d+%d" % (x + 6, y + 4), text]

    mask_draw = ["fill white", "stroke none"]
    for _, x, y, w, h in PANELS:
        mask_draw.append("roundrectangle %d,%d %d,%d 6,6"
                         % (x + 2, y + 2, x + w - 3, y + h - 3))
    mask_draw += ["fill black", "stroke black", "stroke-width 3"] + plates

    raw = ["-depth", "8", "rgb:-"]
    lines = run_convert(strokes + raw, n * 3)
    final = run_convert(gradient + dial + ["-draw", " ".join(panel_draw)]
                        + captions + raw, n * 3)
    mask = run_convert(["-size", size, "xc:black", "-draw", " ".join(mask_draw),
                        "-depth", "8", "gray:-"], n)
    return final, lines, mask


# How strongly the dial's strokes show through the panels, as a faint
# lighter etching.  Kept low so the panels stay calm behind the controls
# and away from the strokes they are exactly PANEL_FILL, which is what
# the static controls paint their own background with.
WATERMARK = 40   # out of 256


def background_rgb():
    final, lines, mask = background_layers()
    out = bytearray(final)
    for p in range(len(out)):
        m = mask[p // 3]
        if m and lines[p]:
            v = out[p] + (lines[p] * WATERMARK * m) // (256 * 255)
            out[p] = min(255, v)
    return bytes(out)


_width_cache = {}


def caption_width(text):
    """Advance width in pixels of a caption in the caption font."""
    if text not in _width_cache:
        out = subprocess.run(
            [CONVERT, "-font", FONT_BOLD, "-pointsize", "11",
             "label:" + text, "-format", "%w", "info:"],
            check=True, stdout=subprocess.PIPE).stdout
        _width_cache[text] = int(out.strip())
    return _width_cache[text]


def make_background():
    rgb = background_rgb()
    row = BG_W * 3
    stride = (row + 3) & ~3                 # 892
    pixels = bytearray()
    for yy in range(BG_H - 1, -1, -1):      # bottom-up
        src = rgb[yy * row:(yy + 1) * row]
        line = bytearray(row)
        line[0::3] = src[2::3]              # B
        line[1::3] = src[1::3]              # G
        line[2::3] = src[0::3]              # R
        pixels += line + b"\0" * (stride - row)
    pixels += b"\0\0"                       # trailing slack, counted in biSizeImage
    assert len(pixels) == 168590
    info = struct.pack("<IiiHHIIiiII", 40, BG_W, BG_H, 1, 24, 0,
                       len(pixels), 2834, 2834, 0, 0)
    off = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    return head + info + bytes(pixels)


def icon_rgba():
    s = 32
    c = 16.0
    cy = 18.0
    d = [
        # crown and side button
        "stroke none", "fill #1f5fb0",
        "roundrectangle 13,1 18,4 1,1",
        "rectangle 15,3 16,6",
        "fill #2f86e0",
        "polygon 24.0,5.2 27.2,8.4 25.6,10.0 22.4,6.8",
        # rim
        "fill #1b4f9a",
        "circle %s,%s %s,%s" % (fmt(c - 0.5), fmt(cy - 0.5), fmt(c - 0.5 + 13.2), fmt(cy - 0.5)),
        "fill #3ca0f0",
        "circle %s,%s %s,%s" % (fmt(c - 0.5), fmt(cy - 0.5), fmt(c - 0.5 + 11.6), fmt(cy - 0.5)),
        # face
        "fill #eaf6ff",
        "circle %s,%s %s,%s" % (fmt(c - 0.5), fmt(cy - 0.5), fmt(c - 0.5 + 10.0), fmt(cy - 0.5)),
    ]
    # elapsed sector in green
    d += ["fill #46d27a", "stroke none",
          "path 'M %s,%s L %s,%s A 8.6,8.6 0 0,1 %s,%s Z'" % (
              fmt(c - 0.5), fmt(cy - 0.5),
              fmt(c - 0.5), fmt(cy - 0.5 - 8.6),
              fmt(c - 0.5 + 8.6), fmt(cy - 0.5))]
    # quarter ticks
    for deg in (90, 0, 270, 180):
        x0, y0 = polar(c - 0.5, cy - 0.5, 9.6, deg)
        x1, y1 = polar(c - 0.5, cy - 0.5, 7.2, deg)
        d += ["stroke #0e3f86", "stroke-width 1.4",
              "line %s,%s %s,%s" % (fmt(x0), fmt(y0), fmt(x1), fmt(y1))]
    # hand pointing at three o'clock, hub
    d += ["stroke #0e3f86", "stroke-width 1.6",
          "line %s,%s %s,%s" % (fmt(c - 0.5), fmt(cy - 0.5), fmt(c - 0.5 + 7.0), fmt(cy - 0.5)),
          "stroke none", "fill #0e3f86",
          "circle %s,%s %s,%s" % (fmt(c - 0.5), fmt(cy - 0.5), fmt(c - 0.5 + 1.6), fmt(cy - 0.5))]
    args = ["-size", "%dx%d" % (s, s), "xc:none",
            "-draw", " ".join(d), "-depth", "8", "rgba:-"]
    return run_convert(args, s * s * 4)


def make_icon():
    s = 32
    rgba = bytearray(icon_rgba())
    # Edge pixels that are mostly see-through are dropped entirely, so the
    # AND mask (used where alpha is ignored) and the alpha channel agree:
    # mask bit set <=> alpha == 0 <=> alpha < 128.
    for p in range(0, len(rgba), 4):
        if rgba[p + 3] < 128:
            rgba[p:p + 4] = b"\0\0\0\0"
    xor = bytearray()
    mask = bytearray()
    for yy in range(s - 1, -1, -1):         # bottom-up
        bits = 0
        for xx in range(s):
            r, g, b, a = rgba[(yy * s + xx) * 4:(yy * s + xx) * 4 + 4]
            xor += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
        mask += struct.pack(">I", bits)     # 32 px -> 4 bytes, already aligned
    assert len(xor) == 4096 and len(mask) == 128
    info = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    assert len(image) == 4264
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


# ---------------------------------------------------------------------------
# Self-check of what we wrote: walk the containers the way a loader would.
# ---------------------------------------------------------------------------

def check_wave(data, channels, rate, bits, fmt_len, data_len):
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not RIFF/WAVE"
    assert struct.unpack_from("<I", data, 4)[0] == len(data) - 8, "RIFF size"
    pos, seen = 12, {}
    while pos < len(data):
        tag = data[pos:pos + 4]
        size = struct.unpack_from("<I", data, pos + 4)[0]
        assert pos + 8 + size <= len(data), "chunk %r overruns" % tag
        seen[tag] = (pos + 8, size)
        pos += 8 + size + (size & 1)
    assert pos == len(data), "trailing bytes after last chunk"
    off, size = seen[b"fmt "]
    assert size == fmt_len, "fmt size %d" % size
    tag, ch, sr, bps, align, bits_ = struct.unpack_from("<HHIIHH", data, off)
    assert (tag, ch, sr, bits_) == (1, channels, rate, bits), "fmt fields"
    assert align == ch * bits_ // 8 and bps == sr * align, "fmt rates"
    assert seen[b"data"][1] == data_len, "data size"


def check_outputs(out):
    def rd(name):
        with open(os.path.join(out, name), "rb") as f:
            return f.read()
    check_wave(rd("beep.wav"), 2, 44100, 16, 16, 194296)
    check_wave(rd("buzz.wav"), 1, 8000, 16, 18, 15288)
    check_wave(rd("cuckoo.wav"), 1, 11025, 8, 16, 10256)
    bmp = rd("background.bmp")
    f = struct.unpack_from("<2sIHHI", bmp, 0)
    assert f == (b"BM", len(bmp), 0, 0, 54), f
    h = struct.unpack_from("<IiiHHIIiiII", bmp, 14)
    assert h == (40, 297, 189, 1, 24, 0, 168590, 2834, 2834, 0, 0), h
    ico = rd("icon.ico")
    assert struct.unpack_from("<HHH", ico, 0) == (0, 1, 1)
    e = struct.unpack_from("<BBBBHHII", ico, 6)
    assert e == (32, 32, 0, 0, 1, 32, 4264, 22), e
    h = struct.unpack_from("<IiiHHI", ico, 22)
    assert h == (40, 32, 64, 1, 32, 0), h
    # mask and alpha must describe the same silhouette
    xor, mask = ico[62:62 + 4096], ico[62 + 4096:]
    for yy in range(32):
        bits = struct.unpack_from(">I", mask, yy * 4)[0]
        for xx in range(32):
            a = xor[(yy * 32 + xx) * 4 + 3]
            assert ((bits >> (31 - xx)) & 1) == (a == 0), "mask/alpha at %d,%d" % (xx, yy)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    products = (
        ("beep.wav", make_beep),
        ("buzz.wav", make_buzz),
        ("cuckoo.wav", make_cuckoo),
        ("background.bmp", make_background),
        ("icon.ico", make_icon),
    )
    for name, build in products:
        blob = build()
        tmp = os.path.join(out, name + ".tmp")
        with open(tmp, "wb") as f:
            f.write(blob)
        os.replace(tmp, os.path.join(out, name))
    check_outputs(out)


if __name__ == "__main__":
    main()
