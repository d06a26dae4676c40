"""Draws the program's icons into OUTDIR as .ico files.

usage: make_icons.py OUTDIR [--preview]
Each icon file holds the picture drawn at every size of artwork.SIZES.
--preview also writes OUTDIR/preview.png: every image enlarged over a light
and a dark background, for looking at the artwork.
"""
import os
import sys

from artwork import ICONS, SIZES
from imagefile import ico_bytes, png_bytes, preview_sheet


def main(argv):
    if len(argv) < 2 or len(argv) > 3 or (len(argv) == 3 and argv[2] != "--preview"):
        sys.stderr.write(__doc__)
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    rows = []
    for name, draw, design_size in ICONS:
        images = [(size, draw(size).rgba_bytes()) for size in SIZES]
        rows.append(images)
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(ico_bytes(images, design_size))
    if len(argv) == 3:
        width, height, sheet = preview_sheet(rows, 4, [(240, 240, 240), (40, 40, 48)])
        with open(os.path.join(outdir, "preview.png"), "wb") as f:
            f.write(png_bytes(width, height, sheet))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
