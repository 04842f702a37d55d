#!/usr/bin/env python3
"""Draws the program icon (a gold padlock on a blue tile) as veltrane-<size>.png, and
gathers the four pictures into veltrane.ico for the Windows program.
(veltrane.svg beside them is the same drawing, scalable; change both together.)

The shapes are laid out on a 16-unit grid, drawn eight times larger than the target
size with ImageMagick and averaged down, so edges stay crisp at 16 and 32 pixels.
Run from anywhere: python3 make_icons.py [output folder]
"""
import os
import subprocess
import sys

SIZES = (16, 32, 48, 256)
OVERSAMPLE = 8
TILE = "#1c4587"
TILE_EDGE = "#10305f"
SHACKLE = "#dfe7f2"
BODY = "#f4c542"


def draw_commands(scale):
    def s(v):
        return f"{v * scale:.2f}"

    return [
        # tile
        "-fill", TILE, "-stroke", TILE_EDGE, "-strokewidth", s(0.6),
        "-draw", f"roundrectangle {s(0.3)},{s(0.3)} {s(15.7)},{s(15.7)} {s(3)},{s(3)}",
        # shackle: a white arch, its inside painted back in the tile colour
        "-stroke", "none", "-fill", SHACKLE,
        "-draw", f"circle {s(8)},{s(5.5)} {s(8)},{s(1.5)}",
        "-draw", f"rectangle {s(4)},{s(5.5)} {s(12)},{s(8)}",
        "-fill", TILE,
        "-draw", f"circle {s(8)},{s(5.5)} {s(8)},{s(3.5)}",
        "-draw", f"rectangle {s(6)},{s(5.5)} {s(10)},{s(8)}",
        # body
        "-fill", BODY,
        "-draw", f"roundrectangle {s(3)},{s(7)} {s(13)},{s(14)} {s(1.2)},{s(1.2)}",
        # keyhole
        "-fill", TILE,
        "-draw", f"circle {s(8)},{s(10)} {s(8)},{s(8.7)}",
        "-draw", f"rectangle {s(7)},{s(10)} {s(9)},{s(12.5)}",
    ]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for size in SIZES:
        big = size * OVERSAMPLE
        target = os.path.join(out, f"veltrane-{size}.png")
        subprocess.run(
            ["convert", "-size", f"{big}x{big}", "xc:none", *draw_commands(big / 16),
             "-filter", "box", "-resize", f"{size}x{size}",
             "-define", "png:exclude-chunks=date,time", "-strip", f"PNG32:{target}"],
            check=True)
        print(target)
    # Windows shows the .exe, its Start-menu entry and its uninstaller with this icon.
    pictures = [os.path.join(out, f"veltrane-{size}.png") for size in SIZES]
    subprocess.run(["convert", *pictures, os.path.join(out, "veltrane.ico")], check=True)


if __name__ == "__main__":
    main()
