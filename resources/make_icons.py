#!/usr/bin/python3
"""Draws the toolbar and menu pictures (16 x 16) and the program icon.

Each picture is a character map; every character names a colour of PALETTE.
    make_icons.py OUT_FOLDER
writes tool_0.png .. tool_7.png, kalora.png (the program icon, 48 x 48) and
kalora.ico (the same icon for the Windows program file).
"""

import struct
import sys
import zlib

PALETTE = {
    ".": None,                  # transparent
    "k": (40, 40, 40),          # outline
    "w": (255, 255, 255),
    "g": (192, 192, 192),
    "d": (128, 128, 128),
    "y": (240, 200, 60),        # folder
    "o": (200, 150, 30),
    "b": (40, 90, 200),         # blue
    "l": (150, 190, 240),
    "r": (210, 40, 40),
    "n": (40, 160, 60),         # green
    "s": (230, 230, 230),
    "c": (120, 200, 230),       # glass
}

PICTURES = [
    # 0 "Создать": a fresh sheet with a green star
    """
    ..kkkkkkkk......
    ..kwwwwwwkk.....
    ..kwwwwwwkwk....
    ..kwwwwwwkkkk...
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk.n.
    ..kwwwwwwwwwkn.n
    ..kwwwwwwwwwk.n.
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk...
    ..kwwwwwwwwwk...
    ..kkkkkkkkkkk...
    ................
    """,
    # 1 "Открыть": an open folder
    """
    ................
    ................
    .kkkk...........
    kyyyyk..........
    kyyyyykkkkkkk...
    kyyyyyyyyyyyk...
    kyyykkkkkkkkkkkk
    kyyko.ooooooooko
    kyykoooooooooko.
    kykooooooooooko.
    kykoooooooooko..
    kkoooooooooko...
    kkooooooooooko..
    kkkkkkkkkkkkk...
    ................
    ................
    """,
    # 2 "Сохранить": a diskette
    """
    kkkkkkkkkkkkkkk.
    kbkwwwwwwwwwkbbk
    kbkwwwwwwwwwkbbk
    kbkwwwwwwwwwkbbk
    kbkwwwwwwwwwkbbk
    kbkwwwwwwwwwkbbk
    kbbkkkkkkkkkbbbk
    kbbbbbbbbbbbbbbk
    kbbkkkkkkkkkkbbk
    kbbkggggggdgkbbk
    kbbkggggggdgkbbk
    kbbkggggggdgkbbk
    kbbkggggggdgkbbk
    .kbkkkkkkkkkkbbk
    ..kkkkkkkkkkkkkk
    ................
    """,
    # 3 "Убрать сортировку": sorting arrows crossed out
    """
    ...k............
    ..kbk...........
    .kbbbk..........
    kbbbbbk.........
    ...b............
    ...b.....r....r.
    ...b......r..r..
    ...b.......rr...
    ...b.......rr...
    ...b......r..r..
    ...b.....r....r.
    ...b............
    kbbbbbk.........
    .kbbbk..........
    ..kbk...........
    ...k............
    """,
    # 4 "Помощь": a question mark in a blue disc
    """
    .....kkkkkk.....
    ...kkbbbbbbkk...
    ..kbbbwwwwbbbk..
    .kbbbwwbbwwbbbk.
    .kbbbwwbbwwbbbk.
    kbbbbbbbbwwbbbbk
    kbbbbbbbwwbbbbbk
    kbbbbbbwwbbbbbbk
    kbbbbbbwwbbbbbbk
    kbbbbbbwwbbbbbbk
    kbbbbbbbbbbbbbbk
    .kbbbbbwwbbbbbk.
    .kbbbbbwwbbbbbk.
    ..kbbbbbbbbbbk..
    ...kkbbbbbbkk...
    .....kkkkkk.....
    """,
    # 5 "Печать": a printer with a sheet
    """
    ................
    ....kkkkkkkk....
    ....kwwwwwwk....
    ....kwkkkkwk....
    ....kwwwwwwk....
    ..kkkkkkkkkkkk..
    .kggggggggggggk.
    kggggggggggnggdk
    kggggggggggggddk
    kkkkkkkkkkkkkkdk
    kgkwwwwwwwwkgdk.
    kgkwkkkkkkwkgk..
    .kkwwwwwwwwkk...
    ...kwkkkkwk.....
    ...kwwwwwwk.....
    ...kkkkkkkk.....
    """,
    # 6 "Предварительный просмотр": a sheet under a magnifier
    """
    kkkkkkkkkk......
    kwwwwwwwwkk.....
    kwkkkkkkwkwk....
    kwwwwwwwwkkkk...
    kwkkkkkkwwwwk...
    kwwwwkkkkwwwk...
    kwkkkccccwkwk...
    kwwwkcwccckwk...
    kwkkkcccccckk...
    kwwwkcccccck....
    kwwwwkccckkk....
    kkkkkkkkkkkkk...
    ...........kkk..
    ............kkk.
    .............kkk
    ..............k.
    """,
    # 7 spare: a door with an arrow (leaving the program)
    """
    ..kkkkkkkkkk....
    ..kooooooook....
    ..koooooooook...
    ..kooooooook....
    ..kooooooook....
    ..kooooooook....
    ..kooooooookn...
    ..kookooooknnn..
    ..kooooooonnnnn.
    ..kooooooooknnn.
    ..kooooooookn...
    ..kooooooook....
    ..kooooooook....
    ..kooooooook....
    ..kkkkkkkkkk....
    ................
    """,
]

# The program icon: a wall with a thermometer, drawn at 16 x 16, enlarged three times.
PROGRAM_ICON = """
    ...........kkk..
    ..........kwwwk.
    kkkkkkkk..kwrwk.
    kdgdgdgk..kwrwk.
    kgdgdgdk..kwrwk.
    kdgdgdgk..kwrwk.
    kgdgdgdk..kwrwk.
    kdgdgdgk..kwrwk.
    kgdgdgdk..kwrwk.
    kdgdgdgk..kwrwk.
    kgdgdgdk.krrrrrk
    kdgdgdgk.krrrrrk
    kgdgdgdk.krrrrrk
    kdgdgdgk..krrrk.
    kkkkkkkk...kkk..
    ................
"""


def rows_of(picture):
    rows = [line.strip() for line in picture.strip().splitlines()]
    rows = [r.ljust(16, ".") for r in rows]
    if len(rows) != 16 or any(len(r) != 16 for r in rows):
        sys.exit("a picture must be 16 x 16")
    return rows


def png(rows, scale):
    size = 16 * scale
    raw = bytearray()
    for row in rows:
        line = bytearray([0])
        for ch in row:
            colour = PALETTE[ch]
            pixel = bytes((0, 0, 0, 0)) if colour is None else bytes(colour) + b"\xff"
            line += pixel * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    for i, picture in enumerate(PICTURES):
        with open(f"{out}/tool_{i}.png", "wb") as f:
            f.write(png(rows_of(picture), 1))
    icon = png(rows_of(PROGRAM_ICON), 3)
    with open(f"{out}/kalora.png", "wb") as f:
        f.write(icon)
    # An icon file holding one PNG image.
    with open(f"{out}/kalora.ico", "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 48, 48, 0, 0, 1, 32, len(icon), 22) + icon)


if __name__ == "__main__":
    main()
