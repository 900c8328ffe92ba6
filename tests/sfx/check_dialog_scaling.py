#!/usr/bin/python3
"""Checks that the self-extractor's dialog scales with the DPI, from two layouts that
sfx_screenshot printed (dialog_layout.h): one at 96 DPI and one at a higher DPI.

    check_dialog_scaling.py BASE.layout SCALED.layout

The scaled dialog must have been measured at a higher DPI; its client area and every control
must be larger by the DPI's ratio (within the rounding of font metrics); every control must lie
inside the client area; and no two controls may overlap that did not overlap at 96 DPI. Each fault prints a line; exit status 1 when there is one.
(Wine lays out a dialog anew at the system DPI whether or not the program declares itself DPI
aware; check_pe_image.py checks that declaration in the manifest.)
"""
import sys
from collections import namedtuple

# Dialog units follow the font's average character size, which is rounded to whole pixels and
# does not grow exactly with the DPI: a scaled size may miss the ratio by this share.
TOLERANCE = 0.15

Control = namedtuple("Control", "index id cls left top right bottom")
Layout = namedtuple("Layout", "dpi client controls")


def read_layout(path):
    dpi, client, controls = None, None, []
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split()
            if fields[:1] == ["dpi"]:
                dpi = int(fields[1])
            elif fields[:1] == ["client"]:
                client = (int(fields[1]), int(fields[2]))
            elif fields[:1] == ["control"]:
                controls.append(Control(int(fields[1]), int(fields[2]), fields[3],
                                        *map(int, fields[4:8])))
    if dpi is None or client is None or not controls:
        sys.exit(f"check_dialog_scaling: {path} holds no whole layout")
    return Layout(dpi, client, controls)


def near(value, expected):
    return abs(value - expected) <= TOLERANCE * expected


def overlaps(a, b):
    return a.left < b.right and b.left < a.right and a.top < b.bottom and b.top < a.bottom


def name(control):
    return f"control {control.index} ({control.cls} {control.id})"


def faults(base, scaled):
    ratio = scaled.dpi / base.dpi
    if base.dpi != 96 or scaled.dpi <= base.dpi:
        return [f"layouts at 96 DPI and above, found {base.dpi} and {scaled.dpi}"]
    found = []
    (bw, bh), (sw, sh) = base.client, scaled.client
    if not (near(sw, bw * ratio) and near(sh, bh * ratio)):
        found.append(f"client {sw}x{sh}, expected about {bw * ratio:.0f}x{bh * ratio:.0f}")
    if [(c.id, c.cls) for c in base.controls] != [(c.id, c.cls) for c in scaled.controls]:
        return found + ["the same controls in the same order"]
    for b, s in zip(base.controls, scaled.controls):
        for what, bv, sv in (("width", b.right - b.left, s.right - s.left),
                             ("height", b.bottom - b.top, s.bottom - s.top)):
            if not near(sv, bv * ratio):
                found.append(f"{name(s)} {what} {sv}, expected about {bv * ratio:.0f}")
        if s.left < 0 or s.top < 0 or s.right > sw or s.bottom > sh:
            found.append(f"{name(s)} at ({s.left},{s.top})-({s.right},{s.bottom}) leaves the "
                         f"client area {sw}x{sh}")
    for i, (b1, s1) in enumerate(zip(base.controls, scaled.controls)):
        for b2, s2 in list(zip(base.controls, scaled.controls))[i + 1:]:
            if overlaps(s1, s2) and not overlaps(b1, b2):
                found.append(f"{name(s1)} overlaps {name(s2)}")
    return found


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    base, scaled = read_layout(sys.argv[1]), read_layout(sys.argv[2])
    found = faults(base, scaled)
    for fault in found:
        print("FAIL " + fault)
    print(f"{scaled.dpi} DPI against {base.dpi}: client {base.client[0]}x{base.client[1]} -> "
          f"{scaled.client[0]}x{scaled.client[1]}, {len(scaled.controls)} controls, "
          f"{len(found)} faults")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
