#!/usr/bin/env python3
"""Writes sfxstub.ico: the self-extractor's icon, 32x32 and 16x16 in 16 colours.

The picture is drawn from the text masks below, so the icon can be rebuilt byte for byte:
    python3 resources/make_icon.py resources/sfxstub.ico
"""
import struct
import sys

# The standard 16-colour palette, as (blue, green, red, 0) quads.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]  # (red, green, blue)

# One character per pixel: '.' is transparent, a hex digit is a palette index.
# A brown crate with a blue arrow pointing down into it.
ICON_32 = """
...........99999999999..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
...........9BBBBBBBBB9..........
.......99999BBBBBBBBB99999......
........9BBBBBBBBBBBBBBB9.......
.........9BBBBBBBBBBBBB9........
..........9BBBBBBBBBBB9.........
...........9BBBBBBBBB9..........
....0000000009BBBBBBB90000000000
...03333333339BBBBB9333333333330
..033333333333399933333333333030
.0333333333333339333333333330330
00000000000000000000000000003330
03333333333333333333333333303330
03BBBBBBBBBBBBBBBBBBBBBBBB303330
03B3333333333333333333333B303330
03B3333333333333333333333B303330
03BBBBBBBBBBBBBBBBBBBBBBBB303330
03333333333333333333333333303330
03333333333333333333333333303330
03333333333333333333333333303330
03333333333333333333333333303330
03333333333333333333333333303330
03333333333333333333333333303300
03333333333333333333333333303000
03333333333333333333333333300...
0000000000000000000000000000....
"""

ICON_16 = """
.....999999.....
.....9BBBB9.....
.....9BBBB9.....
...999BBBB999...
....9BBBBBB9....
.....9BBBB9.....
00000009900000..
03333333333330..
0000000000000030
0333333333333030
03BBBBBBBBBB3030
0333333333333030
0333333333333030
0333333333333030
0333333333333000
000000000000000.
"""


def parse(mask, size):
    rows = [line for line in mask.strip("\n").split("\n")]
    assert len(rows) == size and all(len(r) == size for r in rows), "mask must be square"
    return rows


def image(rows, size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = b"", b""
    for row in reversed(rows):  # bitmaps are stored bottom-up
        indices = [0 if c == "." else int(c, 16) for c in row]
        packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        xor += packed.ljust(xor_stride, b"\0")
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask += bits.to_bytes(size // 8, "big").ljust(and_stride, b"\0")
    return header + palette + xor + mask


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "sfxstub.ico"
    images = [(32, image(parse(ICON_32, 32), 32)), (16, image(parse(ICON_16, 16), 16))]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in images:
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    data += b"".join(body for _, body in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
