#!/usr/bin/python3
"""Checks what the release build gives vexa.exe for its users, by reading the file.

    check_exe_release.py --width {32,64} --version X.Y.Z FILE

A version resource whose file and product versions are the project's (Explorer's Details tab,
installers and inventory tools read it); no COFF symbol table (stripped at link time, so two
builds give the same bytes); and for the 32-bit program the large-address-aware flag (4 GiB of
address space on 64-bit Windows). Exit status 1 when a check fails.
"""
import argparse
import sys

import pefile


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--width", type=int, choices=(32, 64), required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("file")
    args = parser.parse_args()
    pe = pefile.PE(args.file)

    major, minor, patch = (int(part) for part in args.version.split("."))
    wanted_ms, wanted_ls = (major << 16) | minor, patch << 16
    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    checks = [
        ("version resource", f"file and product version {args.version}",
         fixed is not None and (fixed.FileVersionMS, fixed.FileVersionLS,
                                fixed.ProductVersionMS, fixed.ProductVersionLS)
         == (wanted_ms, wanted_ls, wanted_ms, wanted_ls)
         and strings.get("FileVersion") == args.version
         and strings.get("ProductVersion") == args.version,
         f"{strings.get('FileVersion')} / {strings.get('ProductVersion')}" if fixed else "none"),
        ("stripped", "no COFF symbol table", pe.FILE_HEADER.PointerToSymbolTable == 0,
         f"symbol table at {pe.FILE_HEADER.PointerToSymbolTable:#x}"),
    ]
    if args.width == 32:
        aware = bool(pe.FILE_HEADER.Characteristics
                     & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_LARGE_ADDRESS_AWARE"])
        checks.append(("large address aware", "the flag set", aware, "set" if aware else "not set"))
    failed = 0
    for name, expected, passed, found in checks:
        print(f"ok   {name}" if passed else f"FAIL {name}: expected {expected}; found {found}")
        failed += not passed
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
