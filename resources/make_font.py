#!/usr/bin/python3
"""Makes my_font.ttf, the font the grids draw their cells and titles in.

The captions of the measurement tables put three Cyrillic letters where the
symbols of the quantities stand: U+0490 for lambda (thermal conductivity),
U+045E for rho (density) and U+0456 for tau (surface temperature). This font is
DejaVu Sans with those three code points drawing the Greek letters, renamed so
that it never stands in for the original family.

    make_font.py SOURCE.ttf OUT.ttf

The output depends only on the source file: every time stamp is fixed.
"""

import sys

from fontTools.ttLib import TTFont

FAMILY = "Microsoft Sans Serif_mod"
STYLE = "Regular"
# code point shown -> code point whose glyph it draws
REMAP = {0x0490: 0x03BB, 0x045E: 0x03C1, 0x0456: 0x03C4}
# 2004-01-01, so that two runs give the same bytes
FIXED_TIME = 3155673600
KEPT_NAMES = {0, 7, 8, 9, 11, 12, 13, 14}  # copyright, trademark, maker, licence


def remap(font):
    for table in font["cmap"].tables:
        if not table.isUnicode():
            continue
        for shown, drawn in REMAP.items():
            glyph = table.cmap.get(drawn)
            if glyph is None:
                sys.exit(f"the source font has no glyph for U+{drawn:04X}")
            table.cmap[shown] = glyph


def rename(font):
    names = font["name"]
    kept = [n for n in names.names if n.nameID in KEPT_NAMES]
    names.names = kept
    full = f"{FAMILY} {STYLE}"
    ps = FAMILY.replace(" ", "") + "-" + STYLE
    for name_id, text in ((1, FAMILY), (2, STYLE), (3, f"KALORA: {full}"), (4, full), (5, "Version 1.0"),
                          (6, ps), (16, FAMILY), (17, STYLE),
                          (10, "DejaVu Sans with Greek lambda, rho and tau at three Cyrillic code points")):
        names.setName(text, name_id, 3, 1, 0x409)
        names.setName(text, name_id, 1, 0, 0)


def fix_times(font):
    font["head"].created = FIXED_TIME
    font["head"].modified = FIXED_TIME


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    font = TTFont(sys.argv[1], recalcTimestamp=False)
    remap(font)
    rename(font)
    fix_times(font)
    font.save(sys.argv[2])


if __name__ == "__main__":
    main()
