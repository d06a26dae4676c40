"""Draws the program's icons into OUTDIR as .ico files.

usage: make_icons.py OUTDIR [--preview]
--preview also writes OUTDIR/preview.png: every icon enlarged over a light and
a dark background, for looking at the artwork.
"""
import os
import sys

from artwork import ICONS
from imagefile import ico_bytes, png_bytes, preview_sheet


def main(argv):
    if len(argv) < 2 or len(argv) > 3 or (len(argv) == 3 and argv[2] != "--preview"):
        sys.stderr.write(__doc__)
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    images = []
    for name, draw in ICONS:
        canvas = draw()
        rgba = canvas.rgba_bytes()
        images.append((canvas.size, rgba))
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(ico_bytes(canvas.size, rgba))
    if len(argv) == 3:
        width, height, sheet = preview_sheet(images, 6, [(240, 240, 240), (40, 40, 48)])
        with open(os.path.join(outdir, "preview.png"), "wb") as f:
            f.write(png_bytes(width, height, sheet))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
