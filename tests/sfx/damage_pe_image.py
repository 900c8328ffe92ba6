#!/usr/bin/python3
"""Writes a copy of a PE image with one fault, for showing that check_pe_image.py catches it.

    damage_pe_image.py DAMAGE IN OUT

Each damage leaves the rest of the image as it was, so that only one check should fail.
"""
import sys

import pefile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from check_pe_image import ARCHIVE_SIGNATURE  # noqa: E402

FOREIGN_DLL = b"libgcc_s.dll"  # a MinGW runtime DLL: absent on a user's machine
STARTUP_IMPORT = b"__p___argv"  # set by msvcrt only for the runtime's start-up code
PLANTABLE_DLL = b"COMCTL32.dll"  # a system DLL, but not a KnownDLL: looked for beside the program
GROWTH = 65536


def intact(pe, data):
    return data


def signature_in_image(pe, data):
    # Into a section's padding: the file keeps its length and layout.
    for section in pe.sections:
        slack = section.SizeOfRawData - section.Misc_VirtualSize
        if section.SizeOfRawData and slack >= len(ARCHIVE_SIGNATURE):
            at = section.PointerToRawData + section.Misc_VirtualSize
            data[at:at + len(ARCHIVE_SIGNATURE)] = ARCHIVE_SIGNATURE
            return data
    sys.exit("damage_pe_image: no section has room for the signature")


def imported_name_replaced(pe, data, name):
    # The longest imported name is overwritten in place, so no offset moves.
    entry = max(pe.DIRECTORY_ENTRY_IMPORT, key=lambda e: len(e.dll))
    if len(entry.dll) < len(name):
        sys.exit("damage_pe_image: no imported name is long enough to hold " + name.decode())
    at = pe.get_offset_from_rva(entry.struct.Name)
    data[at:at + len(entry.dll)] = name.ljust(len(entry.dll), b"\0")
    return data


def foreign_import(pe, data):
    return imported_name_replaced(pe, data, FOREIGN_DLL)


def plantable_import(pe, data):
    return imported_name_replaced(pe, data, PLANTABLE_DLL)


def startup_import(pe, data):
    # The longest name imported from msvcrt becomes one that needs the runtime's start-up code.
    names = [i for e in pe.DIRECTORY_ENTRY_IMPORT if e.dll.lower() == b"msvcrt.dll"
             for i in e.imports if i.name]
    imported = max(names, key=lambda i: len(i.name), default=None)
    if imported is None or len(imported.name) < len(STARTUP_IMPORT):
        sys.exit("damage_pe_image: no msvcrt import is long enough to hold " +
                 STARTUP_IMPORT.decode())
    at = imported.name_offset
    data[at:at + len(imported.name)] = STARTUP_IMPORT.ljust(len(imported.name), b"\0")
    return data


def console_subsystem(pe, data):
    at = pe.OPTIONAL_HEADER.get_field_absolute_offset("Subsystem")
    data[at:at + 2] = pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"].to_bytes(2, "little")
    return data


def oversized(pe, data):
    # The last section's raw data grows, so the file still ends where that data does.
    last = max(pe.sections, key=lambda s: s.PointerToRawData + s.SizeOfRawData)
    end = last.PointerToRawData + last.SizeOfRawData
    last.SizeOfRawData += GROWTH
    header = last.get_file_offset()
    data[header:header + last.sizeof()] = last.__pack__()
    return data[:end] + bytes(GROWTH) + data[end:]


def manifest_rewritten(old, new):
    """A damage that replaces text of the manifest by text of the same length, in place."""
    def damage(pe, data):
        if len(old) != len(new):
            sys.exit("damage_pe_image: a manifest rewrite must keep the length")
        manifest = next(entry.directory.entries[0].directory.entries[0].data.struct
                        for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries
                        if entry.id == pefile.RESOURCE_TYPE["RT_MANIFEST"])
        start = pe.get_offset_from_rva(manifest.OffsetToData)
        at = data.find(old, start, start + manifest.Size)
        if at < 0:
            sys.exit(f"damage_pe_image: the manifest holds no {old.decode()}")
        data[at:at + len(old)] = new
        return data
    return damage


DAMAGES = {f.__name__: f for f in (intact, signature_in_image, foreign_import, plantable_import,
                                   startup_import, console_subsystem, oversized)}
DAMAGES.update({
    # Windows 10/11 named as Vista: Windows 10 would then run the program as it runs Windows 8.1's.
    "windows10_unnamed": manifest_rewritten(b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                                            b"{e2011457-1546-43c5-a5fe-008deee3d3f0}"),
    # DPI unaware: Windows would stretch the dialog's bitmap, blurring it.
    "dpi_unaware": manifest_rewritten(b">true/pm<", b">false  <"),
})


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in DAMAGES:
        sys.exit("usage: damage_pe_image.py {" + ",".join(DAMAGES) + "} IN OUT")
    with open(sys.argv[2], "rb") as f:
        data = bytearray(f.read())
    damaged = DAMAGES[sys.argv[1]](pefile.PE(data=bytes(data)), data)
    with open(sys.argv[3], "wb") as f:
        f.write(damaged)


if __name__ == "__main__":
    main()
