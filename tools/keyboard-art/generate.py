#!/usr/bin/env python3
"""Generates the sample keyboards' layout files and pictures from one description.

Every key is described once below (position in key units, code, key index, name).
From that the script writes data/layouts/<layout>.xml, whose key rectangles are the
key caps of data/keyboard/<layout>.png, so picture and layout cannot drift apart.
The picture is drawn as SVG and rasterised with rsvg-convert.

    tools/keyboard-art/generate.py [--out FOLDER] [--xml-only]

FOLDER defaults to the repository's data/ folder. --xml-only writes only the layout
files (used by the test that checks the committed files are current).
"""

import argparse
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape, quoteattr

UNIT = 46          # pixels per key unit
CAP_INSET = 2      # the key rectangle lies this far inside its unit cell
MARGIN = 22        # case border around the keys
BAND = 34          # case band above the keys (model name, indicator lights)
ROW_GAP = 0.5      # key units between the function row and the number row
BLOCK_GAP = 0.25   # key units between the main block, the navigation keys and the keypad


def key(name, code, width=1.0, desc=None, top=None, height=1.0):
    """One key: the name drawn on it, its HID usage, size in key units, description and
    an optional second legend shown above the name."""
    return {"name": name, "code": code, "w": width, "h": height,
            "desc": desc or name, "top": top}


def gap(width):
    return {"gap": width}


# Main block (15 units wide), rows 0 to 5.
FUNCTION_ROW = [
    key("Esc", 0x29, desc="Escape"), gap(1),
    key("F1", 0x3A), key("F2", 0x3B), key("F3", 0x3C), key("F4", 0x3D), gap(0.5),
    key("F5", 0x3E), key("F6", 0x3F), key("F7", 0x40), key("F8", 0x41), gap(0.5),
    key("F9", 0x42), key("F10", 0x43), key("F11", 0x44), key("F12", 0x45),
]
NUMBER_ROW = [
    key("`", 0x35, desc="Grave accent and tilde", top="~"),
    key("1", 0x1E, top="!"), key("2", 0x1F, top="@"), key("3", 0x20, top="#"), key("4", 0x21, top="$"),
    key("5", 0x22, top="%"), key("6", 0x23, top="^"), key("7", 0x24, top="&"), key("8", 0x25, top="*"),
    key("9", 0x26, top="("), key("0", 0x27, top=")"),
    key("-", 0x2D, desc="Minus and underscore", top="_"), key("=", 0x2E, desc="Equals and plus", top="+"),
    key("Backspace", 0x2A, 2),
]
TOP_ROW = [
    key("Tab", 0x2B, 1.5),
    key("Q", 0x14), key("W", 0x1A), key("E", 0x08), key("R", 0x15), key("T", 0x17),
    key("Y", 0x1C), key("U", 0x18), key("I", 0x0C), key("O", 0x12), key("P", 0x13),
    key("[", 0x2F, desc="Left bracket and brace", top="{"), key("]", 0x30, desc="Right bracket and brace", top="}"),
    key("\\", 0x31, 1.5, desc="Backslash and vertical bar", top="|"),
]
HOME_ROW = [
    key("Caps", 0x39, 1.75, desc="Caps Lock"),
    key("A", 0x04), key("S", 0x16), key("D", 0x07), key("F", 0x09), key("G", 0x0A),
    key("H", 0x0B), key("J", 0x0D), key("K", 0x0E), key("L", 0x0F),
    key(";", 0x33, desc="Semicolon and colon", top=":"), key("'", 0x34, desc="Apostrophe and quote", top="\""),
    key("Enter", 0x28, 2.25),
]
BOTTOM_ROW = [
    key("Shift", 0xE1, 2.25, desc="Left Shift"),
    key("Z", 0x1D), key("X", 0x1B), key("C", 0x06), key("V", 0x19), key("B", 0x05),
    key("N", 0x11), key("M", 0x10),
    key(",", 0x36, desc="Comma and less-than", top="<"), key(".", 0x37, desc="Period and greater-than", top=">"),
    key("/", 0x38, desc="Slash and question mark", top="?"),
    key("Shift", 0xE5, 2.75, desc="Right Shift"),
]
SPACE_ROW = [
    key("Ctrl", 0xE0, 1.25, desc="Left Control"), key("Win", 0xE3, 1.25, desc="Left Windows"),
    key("Alt", 0xE2, 1.25, desc="Left Alt"), key("Space", 0x2C, 6.25),
    key("Alt", 0xE6, 1.25, desc="Right Alt"),
    # Fn switches layers inside the keyboard; code 0xFF marks it as not reassignable.
    key("Fn", 0xFF, 1.25, desc="Function key (cannot be reassigned)"),
    key("Menu", 0x65, 1.25, desc="Application menu"), key("Ctrl", 0xE4, 1.25, desc="Right Control"),
]
MAIN_BLOCK = [FUNCTION_ROW, NUMBER_ROW, TOP_ROW, HOME_ROW, BOTTOM_ROW, SPACE_ROW]

# Navigation keys (3 units wide).
NAVIGATION = [
    [key("PrtSc", 0x46, desc="Print Screen"), key("ScrLk", 0x47, desc="Scroll Lock"), key("Pause", 0x48)],
    [key("Ins", 0x49, desc="Insert"), key("Home", 0x4A), key("PgUp", 0x4B, desc="Page Up")],
    [key("Del", 0x4C, desc="Delete"), key("End", 0x4D), key("PgDn", 0x4E, desc="Page Down")],
    [],
    [gap(1), key("\u2191", 0x52, desc="Up Arrow")],
    [key("\u2190", 0x50, desc="Left Arrow"), key("\u2193", 0x51, desc="Down Arrow"),
     key("\u2192", 0x4F, desc="Right Arrow")],
]

# Numeric keypad with media keys above it (4 units wide).
KEYPAD = [
    [key("Mute", 0xEB, desc="Mute"), key("Vol-", 0xE9, desc="Volume down"),
     key("Vol+", 0xEA, desc="Volume up"), key("Play", 0xEE, desc="Play / Pause")],
    [key("Num", 0x53, desc="Num Lock"), key("/", 0x54, desc="Keypad divide"),
     key("*", 0x55, desc="Keypad multiply"), key("-", 0x56, desc="Keypad minus")],
    [key("7", 0x5F, desc="Keypad 7"), key("8", 0x60, desc="Keypad 8"), key("9", 0x61, desc="Keypad 9"),
     key("+", 0x57, height=2, desc="Keypad plus")],
    [key("4", 0x5C, desc="Keypad 4"), key("5", 0x5D, desc="Keypad 5"), key("6", 0x5E, desc="Keypad 6")],
    [key("1", 0x59, desc="Keypad 1"), key("2", 0x5A, desc="Keypad 2"), key("3", 0x5B, desc="Keypad 3"),
     key("Enter", 0x58, height=2, desc="Keypad Enter")],
    [key("0", 0x62, 2, desc="Keypad 0"), key(".", 0x63, desc="Keypad decimal point")],
]

# Light modes: (name text number, firmware mode number, config_func bits).
# Bits: 0x0001 brightness, 0x0002 speed, 0x0004 left/right, 0x0008 up/down,
# 0x0010 colour wheel, 0x0020 preset colour, 0x0040/0x0080/0x1000 colour rows 1/2/3,
# 0x0100 per-key colours, 0x0200 music, 0x0400 screen colour, 0x0800 area colours.
# The full-size keyboard numbers its modes as its firmware does: mode 4 is the single
# colour mode (the colour travels in place of direction, speed and slot) and mode 9
# takes its speed unreduced.
VX9_LIGHT_MODES = [
    (801, 1, 0x0001 | 0x0002 | 0x0004 | 0x0040),   # wave
    (802, 2, 0x0001 | 0x0002 | 0x0040),            # breathing
    (803, 3, 0x0001 | 0x0002 | 0x0080),            # ripple
    (804, 4, 0x0001 | 0x0010 | 0x0020),            # single colour
    (805, 5, 0x0001 | 0x0002 | 0x0008 | 0x1000),   # rain
    (806, 6, 0x0001 | 0x0002),                     # spectrum cycle
    (807, 7, 0x0001 | 0x0800),                     # area colours
    (808, 8, 0x0001 | 0x0100),                     # per-key colours
    (809, 9, 0x0001 | 0x0002 | 0x0040),            # starlight
    (810, 10, 0x0200),                             # music (not offered over wireless)
    (811, 11, 0x0000),                             # off
]
# The tenkeyless keyboard streams colour frames, so it also offers the screen colour effect.
TK87_LIGHT_MODES = [
    (812, 1, 0x0001 | 0x0010 | 0x0020),            # static
    (802, 2, 0x0001 | 0x0002 | 0x0010 | 0x0020),   # breathing
    (801, 3, 0x0001 | 0x0002 | 0x0004 | 0x0020),   # wave
    (813, 4, 0x0001 | 0x0002 | 0x0010),            # reactive
    (808, 5, 0x0001 | 0x0100),                     # per-key colours
    (810, 6, 0x0200 | 0x0001),                     # music
    (814, 7, 0x0400),                              # screen colour
    (811, 8, 0x0000),                              # off
]

KEYBOARDS = [
    {
        "layout": "vx9", "model": "VX9-RGB", "blocks": [MAIN_BLOCK, NAVIGATION, KEYPAD],
        "menu": {"macro": 1, "light_mode": 1},
        "function": {"sleep_time": 1},
        "firmware": {"version": "1.03", "file": "vx9-firmware-update",
                     "url": "http://127.0.0.1:8470/update/firmware/vx9/"},
        "light": {"rgb_keyboard": 1, "default_mode": 1, "default_brightness": 4, "default_speed": 3,
                  "brightness_max": 4, "speed_max": 4},
        "modes": VX9_LIGHT_MODES, "view": (60, 90), "indicators": ("1", "A", "S"),
    },
    {
        "layout": "tk87", "model": "TK87-RGB", "blocks": [MAIN_BLOCK, NAVIGATION],
        "menu": {"macro": 1, "light_mode": 1},
        "function": {"sleep_time": 0},
        "firmware": None,
        "light": {"rgb_keyboard": 1, "default_mode": 1, "default_brightness": 5, "default_speed": 3,
                  "brightness_max": 5, "speed_max": 5},
        "modes": TK87_LIGHT_MODES, "view": (150, 90), "indicators": ("A", "S"),
    },
]


def place_keys(blocks):
    """Positions every key in key units and gives it its grid cell and key index.

    The grid column is the whole part of the key's centre in key units, so columns
    follow the keys' physical position (what the screen and music effects need)."""
    placed = []
    block_x = 0.0
    for block in blocks:
        width = 0.0
        for row_index, row in enumerate(block):
            x = block_x
            y = row_index + (ROW_GAP if row_index > 0 else 0.0)
            for item in row:
                if "gap" in item:
                    x += item["gap"]
                    continue
                centre = x + item["w"] / 2
                placed.append(dict(item, x=x, y=y, row=row_index, col=int(centre)))
                x += item["w"]
            width = max(width, x - block_x)
        block_x += width + BLOCK_GAP
    # Keys of the keypad's second column that stand below a 2-unit key must not share
    # its cell: none here, but check all cells once.
    cells = {}
    for k in placed:
        cell = (k["row"], k["col"])
        if cell in cells:
            sys.exit(f"keys {cells[cell]['desc']} and {k['desc']} share cell {cell}")
        cells[cell] = k
    # Key indices in reading order: row by row, left to right.
    placed.sort(key=lambda k: (k["row"], k["x"]))
    for index, k in enumerate(placed):
        k["index"] = index
    total_width = block_x - BLOCK_GAP
    return placed, total_width


def pixel_rect(k):
    left = MARGIN + round(k["x"] * UNIT) + CAP_INSET
    top = MARGIN + BAND + round(k["y"] * UNIT) + CAP_INSET
    right = MARGIN + round((k["x"] + k["w"]) * UNIT) - CAP_INSET
    bottom = MARGIN + BAND + round((k["y"] + k["h"]) * UNIT) - CAP_INSET
    return left, top, right - left, bottom - top


def picture_size(total_width_units):
    width = 2 * MARGIN + round(total_width_units * UNIT)
    height = 2 * MARGIN + BAND + round((len(MAIN_BLOCK) + ROW_GAP) * UNIT)
    return width, height


def attrs(pairs):
    return " ".join(f"{name}={quoteattr(str(value))}" for name, value in pairs)


def layout_xml(board, keys, size):
    width, height = size
    rows = max(k["row"] for k in keys) + 1
    cols = max(k["col"] for k in keys) + 1
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           f"<!-- {board['model']}: generated by tools/keyboard-art/generate.py; edit that script, not this file. -->",
           "<device.info>"]
    out.append(f"\t<menu {attrs(board['menu'].items())}/>")
    out.append(f"\t<function {attrs(board['function'].items())}/>")
    if board["firmware"]:
        out.append(f"\t<firmware {attrs(board['firmware'].items())}/>")
    out.append(f"\t<light {attrs(board['light'].items())}>")
    for name, mode, config in board["modes"]:
        out.append(f"\t\t<info {attrs([('name', name), ('mode', mode), ('attribute', config)])}/>")
    out.append("\t</light>")
    x, y = board["view"]
    picture = [("xpos", x), ("ypos", y), ("width", width), ("height", height),
               ("image", board["layout"] + ".png"), ("row_count", rows), ("col_count", cols)]
    out.append(f"\t<Keyboard {attrs(picture)}>")
    out.append("\t\t<KeyItems>")
    for k in keys:
        rect = "#".join(str(v) for v in pixel_rect(k))
        out.append("\t\t\t<key " + attrs([("code", f"{k['code']:02X}"), ("key_index", k["index"]),
                                         ("row_col", f"{k['row']},{k['col']}"), ("rect", rect),
                                         ("name", k["name"]), ("desc", k["desc"])]) + "/>")
    out.append("\t\t</KeyItems>")
    out.append("\t</Keyboard>")
    out.append("</device.info>")
    return "\n".join(out) + "\n"


def legend_svg(k, rect):
    left, top, w, h = rect
    cx = left + w / 2
    face_bottom = top + h - 6
    font = "font-family='DejaVu Sans' fill='#E6E9EE'"
    text = escape(k["name"])
    if k["top"]:
        return (f"<text x='{cx:.1f}' y='{top + 17}' font-size='12' text-anchor='middle' {font}>{escape(k['top'])}</text>"
                f"<text x='{cx:.1f}' y='{face_bottom - 6}' font-size='12' text-anchor='middle' {font}>{text}</text>")
    size = 13 if len(k["name"]) <= 2 else 10
    if k["name"] in ("\u2190", "\u2191", "\u2192", "\u2193"):
        size = 16
    baseline = top + (h - 6) / 2 + size * 0.36 + 1
    colour = "" if k["code"] != 0xFF else " fill='#FF9A3C'"
    return (f"<text x='{cx:.1f}' y='{baseline:.1f}' font-size='{size}' text-anchor='middle' "
            f"{font}{colour}>{text}</text>").replace("fill='#E6E9EE' fill=", "fill=")


def picture_svg(board, keys, size):
    width, height = size
    parts = [f"<svg xmlns='http://www.w3.org/2000/svg' width='{width}' height='{height}' viewBox='0 0 {width} {height}'>",
             "<defs>"
             "<linearGradient id='case' x1='0' y1='0' x2='0' y2='1'>"
             "<stop offset='0' stop-color='#3A3F47'/><stop offset='1' stop-color='#1C1F24'/></linearGradient>"
             "<linearGradient id='face' x1='0' y1='0' x2='0' y2='1'>"
             "<stop offset='0' stop-color='#4A505A'/><stop offset='1' stop-color='#363B43'/></linearGradient>"
             "<linearGradient id='glow' x1='0' y1='0' x2='1' y2='0'>"
             "<stop offset='0' stop-color='#FF3B6B'/><stop offset='0.33' stop-color='#FFB23B'/>"
             "<stop offset='0.66' stop-color='#3BFF9E'/><stop offset='1' stop-color='#3B8BFF'/></linearGradient>"
             "</defs>"]
    # Case, its light strip and the plate.
    parts.append(f"<rect x='1' y='1' width='{width - 2}' height='{height - 2}' rx='18' fill='url(#case)' "
                 "stroke='#5B616B' stroke-width='2'/>")
    parts.append(f"<rect x='18' y='{height - 7}' width='{width - 36}' height='3' rx='1.5' fill='url(#glow)' opacity='0.85'/>")
    plate_top = MARGIN + BAND - 6
    parts.append(f"<rect x='{MARGIN - 6}' y='{plate_top}' width='{width - 2 * MARGIN + 12}' "
                 f"height='{height - plate_top - MARGIN + 6}' rx='8' fill='#121418'/>")
    # Model name and indicator lights on the band.
    parts.append(f"<text x='{MARGIN + 2}' y='{MARGIN + 12}' font-family='DejaVu Sans' font-weight='bold' "
                 f"font-size='15' letter-spacing='2' fill='#C9CED6'>{escape(board['model'])}</text>")
    lights = board["indicators"]
    for i, label in enumerate(lights):
        cx = width - MARGIN - 22 - (len(lights) - 1 - i) * 34
        parts.append(f"<circle cx='{cx}' cy='{MARGIN + 7}' r='4' fill='#3BFF9E' opacity='0.8'/>")
        parts.append(f"<text x='{cx + 8}' y='{MARGIN + 11}' font-family='DejaVu Sans' font-size='10' "
                     f"fill='#8F96A0'>{label}</text>")
    # Key caps: a skirt on the key rectangle and a lighter top face inside it.
    for k in keys:
        left, top, w, h = pixel_rect(k)
        parts.append(f"<rect x='{left}' y='{top}' width='{w}' height='{h}' rx='6' fill='#23262C' "
                     "stroke='#0B0C0E' stroke-width='1'/>")
        parts.append(f"<rect x='{left + 3}' y='{top + 2}' width='{w - 6}' height='{h - 8}' rx='5' fill='url(#face)'/>")
        parts.append(legend_svg(k, (left, top, w, h)))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def main():
    repo = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(repo, "data"), help="folder that receives layouts/ and keyboard/")
    parser.add_argument("--xml-only", action="store_true", help="write only the layout files")
    args = parser.parse_args()
    for board in KEYBOARDS:
        keys, units = place_keys(board["blocks"])
        size = picture_size(units)
        write(os.path.join(args.out, "layouts", board["layout"] + ".xml"), layout_xml(board, keys, size))
        if args.xml_only:
            continue
        png = os.path.join(args.out, "keyboard", board["layout"] + ".png")
        os.makedirs(os.path.dirname(png), exist_ok=True)
        with tempfile.TemporaryDirectory() as tmp:
            svg = os.path.join(tmp, board["layout"] + ".svg")
            write(svg, picture_svg(board, keys, size))
            subprocess.run(["rsvg-convert", "--width", str(size[0]), "--height", str(size[1]),
                            "--output", png, svg], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
