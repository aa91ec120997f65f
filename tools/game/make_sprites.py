#!/usr/bin/env python3
"""Draws the game's seven sprites from the pixel maps below and writes them as BMPs.

Usage: tools/game/make_sprites.py [OUTPUT_DIR]   (default: assets/ beside tools/)
       tools/game/make_sprites.py --icons OUTPUT_DIR

With --icons it writes the application icons instead: the green tank on a
transparent ground as OUTPUT_DIR/<size>.png for each size in ICON_SIZES, scaled up
pixel for pixel (nearest neighbour), so the icon is the tank the player drives.

Each sprite is an ASCII map, one character per pixel, top row first, read through a
palette. '.' is the transparent key colour (pure magenta). The tank maps share one
shape; the two palettes give the green and the blue tank, and the track character
't' is filled with a tread pattern whose phase differs between a tank's two frames,
so that a moving tank (which alternates frames every step) visibly rolls.

Output: 24-bit uncompressed bottom-up BMPs with a 40-byte info header.
"""
import os
import struct
import sys
import zlib

KEY = (255, 0, 255)

# The tank, facing up the screen (heading 0 moves up). Light comes from the upper
# left: highlights on the left and front, shade on the right and back.
#   K outline   L/H/h/D hull light..dark   l/U/u turret light..dark
#   B/b barrel light/dark   M/m muzzle light/dark   c/C hatch   t track (treads)
TANK = [
    "................................",  # 0
    ".............KKKKKK.............",  # 1
    ".............KMMMmK.............",  # 2
    ".............KKBbKK.............",  # 3
    "..KKKKK.......KBbK.......KKKKK..",  # 4
    ".KtttttK......KBbK......KtttttK.",  # 5
    ".KtttttKKKKKKKKBbKKKKKKKKtttttK.",  # 6
    ".KtttttKLLLLLLKBbKLLLLLhKtttttK.",  # 7
    ".KtttttKLHHHHHKBbKHHHHHhKtttttK.",  # 8
    ".KtttttKLHHHHKKBbKKHHHHhKtttttK.",  # 9
    ".KtttttKLHHKKllBbuuKKHHhKtttttK.",  # 10
    ".KtttttKLHKllUUBbUUuuKHhKtttttK.",  # 11
    ".KtttttKLKlUUUUBbUUUUuKhKtttttK.",  # 12
    ".KtttttKLKlUUUKDDKUUUuKhKtttttK.",  # 13
    ".KtttttKKlUUUUUUUUUUUUuKKtttttK.",  # 14
    ".KtttttKKlUUUUuccuUUUUuKKtttttK.",  # 15
    ".KtttttKKlUUUUcCCcUUUUuKKtttttK.",  # 16
    ".KtttttKKlUUUUcCCcUUUUuKKtttttK.",  # 17
    ".KtttttKKlUUUUuccuUUUUuKKtttttK.",  # 18
    ".KtttttKKlUUUUUUUUUUUUuKKtttttK.",  # 19
    ".KtttttKLKlUUUUUUUUUUuKhKtttttK.",  # 20
    ".KtttttKLKUUUUUUUUUUuuKhKtttttK.",  # 21
    ".KtttttKLHKuuUUUUUuuuKhhKtttttK.",  # 22
    ".KtttttKLHHKKuuuuuuKKhhhKtttttK.",  # 23
    ".KtttttKLHHhhKKKKKKhhhHhKtttttK.",  # 24
    ".KtttttKLHHHHhhhhhhHHHHhKtttttK.",  # 25
    ".KtttttKLHDhDhDhDhDhDHHhKtttttK.",  # 26
    ".KtttttKLHDhDhDhDhDhDHHhKtttttK.",  # 27
    ".KtttttKhhhhhhhhhhhhhhhhKtttttK.",  # 28
    ".KtttttKKKKKKKKKKKKKKKKKKtttttK.",  # 29
    "..KKKKK..................KKKKK..",  # 30
    "................................",  # 31
]

TANK_PALETTES = {
    "green": {
        "K": (18, 30, 14),
        "L": (156, 206, 96), "H": (92, 152, 56), "h": (58, 104, 36), "D": (34, 64, 24),
        "l": (178, 222, 112), "U": (112, 172, 68), "u": (70, 120, 42),
        "c": (136, 190, 84), "C": (52, 92, 32),
    },
    "blue": {
        "K": (12, 16, 40),
        "L": (128, 176, 240), "H": (62, 116, 204), "h": (36, 72, 148), "D": (20, 40, 96),
        "l": (156, 200, 252), "U": (78, 138, 224), "u": (42, 86, 168),
        "c": (118, 170, 240), "C": (28, 58, 124),
    },
}
METAL = {"B": (176, 180, 172), "b": (92, 96, 92), "M": (208, 210, 200), "m": (110, 112, 106)}
# Tread colours by (row + phase) % 4: a groove, a lit cleat edge and two plain rows;
# the columns add a little shading across the track.
TREAD_ROWS = [(38, 38, 42), (150, 150, 156), (104, 104, 110), (86, 86, 92)]
TREAD_COLUMN_SHADE = [18, 8, 0, -8, -16]


def tank_pixels(palette, phase):
    colours = dict(METAL, **palette)
    pixels = []
    for y, row in enumerate(TANK):
        line = []
        for x, ch in enumerate(row):
            if ch == ".":
                line.append(KEY)
            elif ch == "t":
                column = x - 2 if x < 16 else x - 25
                base = TREAD_ROWS[(y + phase) % 4]
                line.append(tuple(max(0, min(255, c + TREAD_COLUMN_SHADE[column])) for c in base))
            else:
                line.append(colours[ch])
        pixels.append(line)
    return pixels


# The bird, seen from the side, facing left: a round little songbird with an
# orange breast, brown back and wing, a yellow beak and a glint in its eye.
#   K outline  H/h/d head and back  O/o breast  W/w wing light/dark  Y/y beak
#   E eye  G glint  F/f feet  T tail  C cream belly
BIRD = [
    "................................",  # 0
    "................................",  # 1
    "................................",  # 2
    "................................",  # 3
    "...........KKKKKK...............",  # 4
    ".........KKHHHHHHKK.............",  # 5
    "........KHHHHHHHHhhK............",  # 6
    ".......KHHHHHHHHHHhhK...........",  # 7
    ".......KHHHHHHHHHHHhK...........",  # 8
    "......KHHEEHHHHHHHHhhK..........",  # 9
    "......KHEGEEHHHHHHHHhK..........",  # 10
    "....KKKHEEEEHHHHHHHHhhK.........",  # 11
    "..KKYYYKHEEHHHHHHHHHhhK.........",  # 12
    ".KYYYYYYKHHHHHHHHHhhhhhK........",  # 13
    "..KKyyyyKOOHHHHHHhhhhhhhKKK.....",  # 14
    "....KKKKOOOOOHHhhKKKKKKKwwwK....",  # 15
    "......KOOOOOOOOhKWWWWWWwwwwTK...",  # 16
    "......KOOOOOOOOKWWWWWWWWwwwTTK..",  # 17
    "......KOOOOOOOOKWWwWWwWWwwwTTTK.",  # 18
    "......KoOOOOOOOKWWWwWWwWWwwTTTTK",  # 19
    "......KoOOOOOOOKdWWWwWWwwwwTTTTK",  # 20
    "......KooOOOOOCKddWWWWwwwwKKTTK.",  # 21
    ".......KoOOOCCCCKddwwwwwKK..KK..",  # 22
    ".......KooCCCCCCCKKddddKK.......",  # 23
    "........KooCCCCCCCCKKKK.........",  # 24
    ".........KKoooCCCKKK............",  # 25
    "...........KKKKKK...............",  # 26
    "............KF..KF..............",  # 27
    "............KF..KF..............",  # 28
    "..........KFFfKFFf..............",  # 29
    "..........KfKfKfKf..............",  # 30
    "................................",  # 31
]
BIRD_PALETTE = {
    "K": (34, 22, 14),
    "H": (150, 102, 62), "h": (112, 74, 44), "d": (78, 50, 30),
    "O": (240, 132, 44), "o": (196, 96, 30), "C": (246, 228, 190),
    "W": (128, 86, 52), "w": (92, 60, 36), "T": (104, 70, 42),
    "Y": (255, 214, 64), "y": (214, 150, 30),
    "E": (16, 12, 10), "G": (255, 255, 255),
    "F": (232, 142, 58), "f": (176, 96, 36),
}

# The wall block: one course of stone bricks (8 rows) and the next offset by half a
# brick, repeated; each brick lit on its top and left, shaded on its bottom and right,
# with a few pits. Drawn opaquely, so it has no transparent pixels.
#   L light edge  B face  b pit  S shade edge  m mortar
COURSE_A = [
    "LLLLLLLLLLLLLLLmLLLLLLLLLLLLLLLm",
    "LBBBBBBBBBBBBBSmLBBBBBBBBBBBBBSm",
    "LBBbBBBBBBBBBBSmLBBBBBBBBBbBBBSm",
    "LBBBBBBBBBbBBBSmLBBBBBBBBBBBBBSm",
    "LBBBBBBBBBBBBBSmLBBBbBBBBBBBBBSm",
    "LBBBBBbBBBBBBBSmLBBBBBBBBBBBbBSm",
    "SSSSSSSSSSSSSSSmSSSSSSSSSSSSSSSm",
    "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm",
]
COURSE_B = [row[8:] + row[:8] for row in [
    "LLLLLLLLLLLLLLLmLLLLLLLLLLLLLLLm",
    "LBBBBBBBBbBBBBSmLBBBBBBBBBBBBBSm",
    "LBBBBBBBBBBBBBSmLBBBBBBbBBBBBBSm",
    "LBBBbBBBBBBBBBSmLBBBBBBBBBBBBBSm",
    "LBBBBBBBBBBBbBSmLBbBBBBBBBBBBBSm",
    "LBBBBBBBBBBBBBSmLBBBBBBBBBBbBBSm",
    "SSSSSSSSSSSSSSSmSSSSSSSSSSSSSSSm",
    "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm",
]]
BLOCK = COURSE_A + COURSE_B + COURSE_A + COURSE_B
BLOCK_PALETTE = {
    "L": (196, 168, 138), "B": (160, 112, 84), "b": (126, 84, 62),
    "S": (104, 68, 50), "m": (70, 62, 58),
}

# The shot: a small glowing ball.
SHOT = [
    ".oyo.",
    "oyWyo",
    "yWWWy",
    "oyWyo",
    ".oyo.",
]
SHOT_PALETTE = {"W": (255, 255, 224), "y": (255, 214, 60), "o": (232, 116, 24)}


def map_pixels(rows, palette):
    return [[KEY if ch == "." else palette[ch] for ch in row] for row in rows]


def check_size(name, pixels, width, height):
    if len(pixels) != height or any(len(row) != width for row in pixels):
        raise SystemExit(f"{name}: map is not {width}x{height}")


def bmp_bytes(pixels):
    """24-bit BI_RGB BMP, bottom-up, rows padded to 4 bytes, 40-byte info header."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body),
                              2835, 2835, 0, 0)
    return file_header + info_header + bytes(body)


def sprites():
    green, blue = TANK_PALETTES["green"], TANK_PALETTES["blue"]
    return [
        ("tank.bmp", tank_pixels(green, 0), 32, 32),
        ("tank2.bmp", tank_pixels(green, 2), 32, 32),
        ("tank3.bmp", tank_pixels(blue, 0), 32, 32),
        ("tank4.bmp", tank_pixels(blue, 2), 32, 32),
        ("ptica.bmp", map_pixels(BIRD, BIRD_PALETTE), 32, 32),
        ("blok.bmp", map_pixels(BLOCK, BLOCK_PALETTE), 32, 32),
        ("metak.bmp", map_pixels(SHOT, SHOT_PALETTE), 5, 5),
    ]


ICON_SIZES = (32, 48, 64, 128, 256)


def png_bytes(pixels):
    """8-bit RGBA PNG, filter 0 on every row; the key colour becomes transparent."""
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for colour in row:
            raw += bytes((0, 0, 0, 0)) if colour is None else bytes((*colour, 255))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def icon_pixels(size):
    """The green tank scaled to size x size by nearest neighbour; None is transparent."""
    tank = tank_pixels(TANK_PALETTES["green"], 0)
    source = len(tank)
    return [[None if tank[y * source // size][x * source // size] == KEY
             else tank[y * source // size][x * source // size]
             for x in range(size)] for y in range(size)]


def write_icons(out):
    os.makedirs(out, exist_ok=True)
    for size in ICON_SIZES:
        with open(os.path.join(out, f"{size}.png"), "wb") as f:
            f.write(png_bytes(icon_pixels(size)))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--icons":
        write_icons(sys.argv[2])
        return
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets")
    os.makedirs(out, exist_ok=True)
    for name, pixels, width, height in sprites():
        check_size(name, pixels, width, height)
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp_bytes(pixels))


if __name__ == "__main__":
    main()
