#!/usr/bin/python3
"""Writes banner.svg, the splash banner: a voltage trace beside the program's name.

The lettering is drawn as outlines taken from the DejaVu fonts (Debian: fonts-dejavu-core,
python3-fonttools), so the picture shows the same everywhere and needs no font when it is drawn.
"""
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

FONTS = "/usr/share/fonts/truetype/dejavu/"


def outline(font_file, text, x, baseline, size):
    font = TTFont(FONTS + font_file)
    glyphs = font.getGlyphSet()
    cmap = font.getBestCmap()
    scale = size / font["head"].unitsPerEm
    pen = SVGPathPen(glyphs)
    for char in text:
        name = cmap[ord(char)]
        glyphs[name].draw(TransformPen(pen, (scale, 0, 0, -scale, x, baseline)))
        x += glyphs[name].width * scale
    return pen.getCommands()


def number(match):
    return f"{float(match.group()):.2f}".rstrip("0").rstrip(".")


def compact(path):
    import re
    return re.sub(r"-?\d+\.\d+", number, path)


title = compact(outline("DejaVuSans-Bold.ttf", "Surveillance de tensions", 62, 23, 16))
name = compact(outline("DejaVuSans.ttf", "Tensiova", 290, 23, 12))
with open("banner.svg", "w", encoding="utf-8") as svg:
    svg.write(f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- The splash banner, drawn for this program by make-banner.py. -->
<svg xmlns="http://www.w3.org/2000/svg" width="356" height="34" viewBox="0 0 356 34">
  <defs>
    <linearGradient id="band" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#0b2f6b"/>
      <stop offset="1" stop-color="#1d5fbf"/>
    </linearGradient>
  </defs>
  <rect x="0" y="0" width="356" height="34" rx="5" fill="url(#band)"/>
  <polyline fill="none" stroke="#7CFC9A" stroke-width="2" stroke-linejoin="round"
            points="8,17 16,17 20,6 26,28 32,6 38,28 42,17 50,17"/>
  <path fill="#ffffff" d="{title}"/>
  <path fill="#ffd34d" d="{name}"/>
</svg>
""")
