#!/usr/bin/python3
"""Makes the alarm sounds, the dialog background and the icon of res/assets/, the same bytes on every run:
the sounds synthesised here and written with the `wave` module, the pictures drawn and written by
ImageMagick.
    make_assets.py OUTDIR"""
import array
import functools
import math
import os
import struct
import subprocess
import sys
import wave

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
TWO_PI = 2.0 * math.pi


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


def beep(t):
    """Two double beeps around 1 kHz. Every burst starts and ends at zero gain, and the sound starts and
    ends in silence, so it loops cleanly."""
    g = sum(burst_envelope(t, s, 0.090, 0.006) for s in (0.010, 0.150, 0.560, 0.700))
    if g == 0.0:
        return 0.0
    partials = ((1000.0, 0.80), (2000.0, 0.14), (3000.0, 0.06))
    return 0.55 * g * sum(a * math.sin(TWO_PI * f * t) for f, a in partials)


def buzz(t):
    """Three harsh buzzes: a band-limited sawtooth (every harmonic under the 4 kHz Nyquist limit) with a
    slight 30 Hz rattle."""
    g = sum(burst_envelope(t, s, 0.250, 0.008) for s in (0.005, 0.325, 0.645))
    if g == 0.0:
        return 0.0
    x = TWO_PI * 200.0 * t
    v = sum(math.sin(n * x) / n for n in range(1, 19))  # the harmonics under 3.8 kHz
    v *= 0.85 + 0.15 * math.sin(TWO_PI * 30.0 * t)
    return 0.50 / 1.9 * g * v  # the saw's Gibbs peak is about 1.85


def cuckoo(t):
    """'Cu-ckoo': two soft pipe notes a minor third apart (E5, then C#5)."""
    attack, release = 0.018, 0.070
    v = 0.0
    for f, start, length in ((659.255, 0.020, 0.200), (554.365, 0.300, 0.340)):
        if t < start or t >= start + length:
            continue
        u = t - start
        if u < attack:
            g = 0.5 - 0.5 * math.cos(math.pi * u / attack)
        else:
            g = 1.0 - 0.25 * (u - attack) / (length - attack)  # a gentle sag, as the bellows run out of air
        if u > length - release:
            g *= 0.5 - 0.5 * math.cos(math.pi * (length - u) / release)
        for k, a in ((1.0, 0.78), (2.0, 0.16), (3.0, 0.06)):
            v += g * a * math.sin(TWO_PI * f * k * u)
    return 0.62 * v


# File: channels, bytes per sample, samples per second, frames, the sound.
SOUNDS = {"beep.wav": (2, 2, 44100, 48574, beep),
          "buzz.wav": (1, 2, 8000, 7644, buzz),
          "cuckoo.wav": (1, 1, 11025, 10256, cuckoo)}


def write_sound(path, channels, width, rate, frames, sound):
    values = [sound(i / rate) for i in range(frames)]
    if width == 2:
        data = array.array("h", (max(-32768, min(32767, round(v * 32767.0)))
                                 for v in values for _ in range(channels)))
    else:  # 8-bit WAVE samples are unsigned
        data = bytes(max(0, min(255, 128 + round(v * 127.0))) for v in values)
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(width)
        out.setframerate(rate)
        out.writeframes(data)


def extend_buzz(path):
    """The committed buzz.wav has a cbSize in its fmt chunk and an INFO list naming it after the samples:
    `wave` writes neither, so they are added by hand."""
    with open(path, "rb") as sound:
        riff = bytearray(sound.read())
    riff[16:20] = struct.pack("<I", 18)
    riff[36:36] = bytes(2)
    riff += b"LIST" + struct.pack("<I", 20) + b"INFO" + b"INAM" + struct.pack("<I", 8) + b"Buzzer\0\0"
    riff[4:8] = struct.pack("<I", len(riff) - 8)
    with open(path, "wb") as sound:
        sound.write(riff)


def convert(*args, stdin=None):
    # One thread, so that anti-aliasing adds up in the same order every run.
    env = dict(os.environ, MAGICK_THREAD_LIMIT="1")
    return subprocess.run(["/usr/bin/convert", *args], input=stdin, env=env, check=True,
                          stdout=subprocess.PIPE).stdout


def xy(*values):
    return ",".join("%.2f" % v for v in values)


def polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy - r * math.sin(a)


BG_SIZE = "297x189"
PANELS = (  # caption, left, top, width, height
    ("Set time", 13, 8, 168, 46),
    ("Select time", 192, 8, 89, 46),
    ("Control", 13, 62, 267, 52),
    ("Select signal", 13, 123, 267, 49),
)
PANEL_FILL = "#43A9F9"  # the static controls' background brush
# How strongly the dial's strokes show through the panels, out of 256: a faint etching, so that the panels stay
# calm behind the controls, and exactly PANEL_FILL away from the strokes.
WATERMARK = 40


def dial_draw(cx, cy, r, face=True):
    """MVG for a speedometer: green sweep, dark-blue rings, ticks, needle. The dial opens downwards: 0 sits
    at 225 degrees, full scale at -45."""
    a0, a1 = 225.0, -45.0
    d = ["fill #0d2752", "stroke none", "circle " + xy(cx, cy, cx + r + 8, cy)] if face else []
    d += ["fill none", "stroke #1c4d8c", "stroke-width 3", "circle " + xy(cx, cy, cx + r + 6, cy),
          "stroke #123a70", "stroke-width 1", "circle " + xy(cx, cy, cx + r - 14, cy)]
    # the green scale band, brightening towards the top of the scale
    steps = 54
    for k in range(steps):
        start = polar(cx, cy, r, a0 + (a1 - a0) * k / steps)
        end = polar(cx, cy, r, a0 + (a1 - a0) * (k + 1.15) / steps)
        colour = "#%02x%02x%02x" % (0x10, 0x60 + int(0x90 * k / (steps - 1)), 0x48 + k)
        d += ["stroke " + colour, "stroke-width 5", "fill none", "line " + xy(*start, *end)]
    for k in range(41):
        deg = a0 + (a1 - a0) * k / 40
        major = k % 5 == 0
        d += ["stroke " + ("#58e08a" if major else "#2f6fb8"), "stroke-width " + ("2.2" if major else "1.1"),
              "line " + xy(*polar(cx, cy, r - 4, deg), *polar(cx, cy, r - (15 if major else 9), deg))]
    # the needle at about two thirds of the scale, and its hub
    deg = a0 + (a1 - a0) * 0.68
    d += ["stroke #3ee07a", "stroke-width 3",
          "line " + xy(*polar(cx, cy, 14, deg + 180), *polar(cx, cy, r - 10, deg)),
          "stroke #1c4d8c", "stroke-width 2", "fill #0a1f45", "circle " + xy(cx, cy, cx + 9, cy),
          "stroke none", "fill #3ee07a", "circle " + xy(cx, cy, cx + 3, cy)]
    return " ".join(d)


@functools.cache
def caption_width(text):
    return int(convert("-font", FONT_BOLD, "-pointsize", "11", "label:" + text, "-format", "%w", "info:"))


def background():
    """The finished picture (gradient, dial, panels, captions) with the dial's strokes etched faintly into
    the panels' interiors, as a BMP."""
    dial_at = (148.5, 104.0, 118.0)
    panels = []
    for _, x, y, w, h in PANELS:
        # a soft drop shadow, a light rim, and the flat fill the controls blend into
        panels += ["fill #02081a", "fill-opacity 0.55", "stroke none",
                   "roundrectangle %d,%d %d,%d 7,7" % (x + 2, y + 2, x + w + 1, y + h + 1),
                   "fill-opacity 1", "fill " + PANEL_FILL, "stroke #a9dcff", "stroke-width 1",
                   "roundrectangle %s 7,7" % xy(x + 0.5, y + 0.5, x + w - 0.5, y + h - 0.5)]
    # captions on little plates across each panel's top edge, as a group box breaks its frame for its title
    captions, plates = ["-font", FONT_BOLD, "-pointsize", "11"], []
    for text, x, y, _, _ in PANELS:
        plates.append("roundrectangle %s 4,4" % xy(x + 2.5, y - 6.5, x + 6 + caption_width(text) + 3.5, y + 6.5))
        captions += ["-fill", "#e6f4ff", "-stroke", "#a9dcff", "-strokewidth", "1", "-draw", plates[-1],
                     "-stroke", "none", "-fill", "#0b4fb0", "-annotate", "+%d+%d" % (x + 6, y + 4), text]
    # where the strokes may show: the panels' interiors without the caption plates
    interiors = ["fill white", "stroke none"]
    interiors += ["roundrectangle %d,%d %d,%d 6,6" % (x + 2, y + 2, x + w - 3, y + h - 3)
                  for _, x, y, w, h in PANELS]
    interiors += ["fill black", "stroke black", "stroke-width 3"] + plates

    raw = ["-depth", "8", "rgb:-"]
    strokes = convert("-size", BG_SIZE, "xc:black", "-draw", dial_draw(*dial_at, face=False), *raw)
    final = convert("-size", BG_SIZE, "radial-gradient:#17407a-#050f24", "-draw", dial_draw(*dial_at),
                    "-draw", " ".join(panels), *captions, *raw)
    mask = convert("-size", BG_SIZE, "xc:black", "-draw", " ".join(interiors), "-depth", "8", "gray:-")
    etched = bytes(min(255, v + (s * WATERMARK * mask[p // 3]) // (256 * 255))
                   for p, (v, s) in enumerate(zip(final, strokes)))
    bmp = bytearray(convert("-size", BG_SIZE, "-depth", "8", "rgb:-", "-density", "72", "-units",
                            "PixelsPerInch", "BMP3:-", stdin=etched))
    # The bitmap counts two bytes of slack after its rows in biSizeImage and the file size; ImageMagick writes none.
    bmp += bytes(2)
    struct.pack_into("<I", bmp, 2, len(bmp))
    struct.pack_into("<I", bmp, 34, len(bmp) - 54)
    return bmp


def icon():
    """A 32 x 32 stopwatch: crown and side button, rim, face, the elapsed quarter in green, quarter ticks and
    a hand at three o'clock, as an ICO."""
    c = (15.5, 17.5)
    d = ["stroke none", "fill #1f5fb0", "roundrectangle 13,1 18,4 1,1", "rectangle 15,3 16,6",
         "fill #2f86e0", "polygon 24.0,5.2 27.2,8.4 25.6,10.0 22.4,6.8",
         "fill #1b4f9a", "circle " + xy(*c, c[0] + 13.2, c[1]),
         "fill #3ca0f0", "circle " + xy(*c, c[0] + 11.6, c[1]),
         "fill #eaf6ff", "circle " + xy(*c, c[0] + 10.0, c[1]),
         "fill #46d27a", "stroke none",
         "path 'M %s L %s A 8.6,8.6 0 0,1 %s Z'" % (xy(*c), xy(c[0], c[1] - 8.6), xy(c[0] + 8.6, c[1]))]
    for deg in (90, 0, 270, 180):
        d += ["stroke #0e3f86", "stroke-width 1.4", "line " + xy(*polar(*c, 9.6, deg), *polar(*c, 7.2, deg))]
    d += ["stroke #0e3f86", "stroke-width 1.6", "line " + xy(*c, c[0] + 7.0, c[1]),
          "stroke none", "fill #0e3f86", "circle " + xy(*c, c[0] + 1.6, c[1])]
    rgba = bytearray(convert("-size", "32x32", "xc:none", "-draw", " ".join(d), "-depth", "8", "rgba:-"))
    # Mostly see-through edge pixels are dropped, so that the AND mask (for where alpha is ignored) and the
    # alpha channel draw the same outline.
    for p in range(0, len(rgba), 4):
        if rgba[p + 3] < 128:
            rgba[p:p + 4] = bytes(4)
    ico = bytearray(convert("-size", "32x32", "-depth", "8", "rgba:-", "ICO:-", stdin=bytes(rgba)))
    # The icon's biSizeImage counts the AND mask too; ImageMagick counts only the colour bits.
    struct.pack_into("<I", ico, 22 + 20, 32 * 32 * 4 + 32 * 4)
    return ico


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, (*layout, sound) in SOUNDS.items():
        write_sound(os.path.join(out, name), *layout, sound)
    extend_buzz(os.path.join(out, "buzz.wav"))
    for name, make in (("background.bmp", background), ("icon.ico", icon)):
        with open(os.path.join(out, name), "wb") as picture:
            picture.write(make())


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
