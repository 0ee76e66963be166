#!/usr/bin/env python3
"""Draws res/talvessa.ico: one 32x32 image, 16 colours (4 bits per pixel).

The picture is our own: three stacked tablets, dark to light, with an arrow
pointing down the stack -- the load order, oldest first."""
import struct
import sys

W = H = 32
# The 16-colour VGA palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, NAVY, TEAL, GREY, BLUE, WHITE, YELLOW = 0, 4, 6, 8, 12, 15, 11  # indices (BGR order)

pixels = [[None] * W for _ in range(H)]  # None = transparent


def rect(x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pixels[y][x] = colour


# Three tablets, each outlined in black.
for i, fill in enumerate((NAVY, BLUE, TEAL)):
    top = 3 + i * 9
    rect(2, top, 22, top + 7, BLACK)
    rect(3, top + 1, 21, top + 6, fill)
    rect(5, top + 3, 17, top + 4, WHITE if i else GREY)
# The arrow down the right-hand side.
rect(26, 3, 28, 22, BLACK)
rect(27, 4, 27, 22, YELLOW)
for k in range(5):
    rect(23 + k, 23 + k, 31 - k, 23 + k, BLACK)
    if 24 + k <= 30 - k:
        rect(24 + k, 23 + k, 30 - k, 23 + k, YELLOW)

xor = bytearray()
andmask = bytearray()
for y in reversed(range(H)):  # bottom-up rows
    row = pixels[y]
    for x in range(0, W, 2):
        a = row[x] if row[x] is not None else 0
        b = row[x + 1] if row[x + 1] is not None else 0
        xor.append((a << 4) | b)
    bits = 0
    for x in range(W):
        bits = (bits << 1) | (1 if row[x] is None else 0)
    andmask += bits.to_bytes(4, "big")

header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 4, 0, len(xor) + len(andmask), 0, 0, 16, 0)
palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (b, g, r) in PALETTE)
image = header + palette + bytes(xor) + bytes(andmask)
icondir = struct.pack("<HHH", 0, 1, 1)
entry = struct.pack("<BBBBHHII", W, H, 16, 0, 1, 4, len(image), 6 + 16)
with open(sys.argv[1] if len(sys.argv) > 1 else "res/talvessa.ico", "wb") as f:
    f.write(icondir + entry + image)
